// Wall-clock seconds of a piece of work, for the timed scenarios under Wine.
#pragma once

#include <windows.h>

#include <functional>

inline double seconds(const std::function<void()>& work) {
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    work();
    QueryPerformanceCounter(&b);
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}
