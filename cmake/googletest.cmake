# GoogleTest for the tests: an installed package first (MSYS2's
# mingw-w64-ucrt-x86_64-gtest, Debian's libgtest-dev for a native build), else
# a source folder built with the project (Debian's googletest package puts one
# in /usr/src/googletest). A cross build never looks for a package: the one it
# would find is the build machine's own, built for Linux.
set(QX_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources, used when no installed package is found")

if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
endif()

if(GTest_FOUND)
  message(STATUS "GoogleTest: installed package ${GTest_DIR}")
else()
  if(NOT EXISTS "${QX_GTEST_SOURCE}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest not found: install it (MSYS2: mingw-w64-ucrt-x86_64-gtest), "
                        "set QX_GTEST_SOURCE to its sources, or build without tests (-DQX_TESTS=OFF)")
  endif()
  message(STATUS "GoogleTest: built from ${QX_GTEST_SOURCE}")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  if(WIN32)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  endif()
  add_subdirectory("${QX_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
endif()
