# qx_library(NAME DEPS...): one library per folder. Files whose name ends in
# Win32.cpp (and everything under a com/ subfolder) are Windows-only.
function(qx_library name)
  file(GLOB portable CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER portable EXCLUDE REGEX "Win32\\.cpp$")
  set(sources ${portable})
  if(WIN32)
    file(GLOB win CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Win32.cpp
                                    ${CMAKE_CURRENT_SOURCE_DIR}/com/*.cpp)
    list(APPEND sources ${win})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  if(ARGN)
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# qx_test(AREA LIBS...): tests/AREA/*.cpp (and on Windows tests/win/AREA/*.cpp)
# become one executable AREA_tests, registered with CTest.
function(qx_test area)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${area}/*.cpp)
  if(WIN32)
    file(GLOB win CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/${area}/*.cpp)
    list(APPEND sources ${win})
  endif()
  add_executable(${area}_tests ${sources})
  target_link_libraries(${area}_tests PRIVATE ${ARGN} qx_fakes GTest::gtest_main)
  add_test(NAME ${area} COMMAND ${area}_tests)
  # The Windows programs share the display, the Wine prefix and the drawing server's registration.
  if(WIN32)
    set_tests_properties(${area} PROPERTIES RUN_SERIAL TRUE)
  endif()
endfunction()
