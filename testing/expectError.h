// Test helpers for errors meant for the user.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/error.h"

namespace qx::test {

// The message of the Error that f throws; fails the test when it throws none.
template <typename F>
std::u16string errorOf(F f) {
    try {
        f();
    } catch (const Error& e) {
        return e.message();
    }
    ADD_FAILURE() << "no error";
    return {};
}

inline bool contains(const std::u16string& s, std::u16string_view part) {
    return s.find(part) != std::u16string::npos;
}

}  // namespace qx::test
