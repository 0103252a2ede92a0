// Screenshots for the GUI tests: what the screen shows inside a rectangle
// (menus and pop-ups included), saved as BMP under the tests' screenshots folder.
#pragma once

#include <windows.h>

#include <string>

namespace qx::test {

// <tests folder>\screenshots\<name>, the folder created when missing.
std::wstring screenshotPath(const std::wstring& name);
// The screen inside `area`; false when it could not be written.
bool saveScreen(const RECT& area, const std::wstring& path);
// The window's outer rectangle, or the union with `others` that are visible.
bool saveWindows(const std::wstring& name, HWND main, HWND other1 = nullptr, HWND other2 = nullptr);

}  // namespace qx::test
