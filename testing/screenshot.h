// Pictures for the GUI tests, the drawing server and the smoke driver: what
// the screen shows inside a rectangle (menus and pop-ups included) or what a
// painter draws, kept in memory or saved as a 24-bit BMP file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qx::test {

// 32-bit pixels (0x00RRGGBB), the top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> bits;
    COLORREF at(int x, int y) const {
        const std::uint32_t p = bits[static_cast<std::size_t>(y) * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

// What `draw` paints into a memory DC of that size; empty when the size is
// not positive or no bitmap can be made.
Picture drawPicture(int width, int height, const std::function<void(HDC)>& draw);
// The screen inside `area`.
Picture captureScreen(const RECT& area);
// A 24-bit bottom-up BMP file; false for an empty picture or a failed write.
bool writeBmp(const std::wstring& path, const Picture& picture);

// <tests folder>\screenshots\<name>, the folder created when missing.
std::wstring screenshotPath(const std::wstring& name);
// The screen inside `area`; false when it could not be written.
bool saveScreen(const RECT& area, const std::wstring& path);
// The window's outer rectangle, or the union with `others` that are visible.
bool saveWindows(const std::wstring& name, HWND main, HWND other1 = nullptr, HWND other2 = nullptr);

}  // namespace qx::test
