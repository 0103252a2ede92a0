#include "testing/screenshot.h"

#include <cstdio>
#include <vector>

namespace qx::test {

std::wstring screenshotPath(const std::wstring& name) {
    wchar_t exe[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe, n);
    dir.resize(dir.find_last_of(L"\\/") + 1);
    dir += L"screenshots";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir + L"\\" + name;
}

bool saveScreen(const RECT& area, const std::wstring& path) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    bi.bmiHeader.biSizeImage = stride * static_cast<DWORD>(height);
    fh.bfSize = fh.bfOffBits + bi.bmiHeader.biSizeImage;
    bool ok = false;
    if (FILE* f = _wfopen(path.c_str(), L"wb")) {
        ok = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
             fwrite(bits, bi.bmiHeader.biSizeImage, 1, f) == 1;
        ok = fclose(f) == 0 && ok;
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool saveWindows(const std::wstring& name, HWND main, HWND other1, HWND other2) {
    RECT all;
    if (!GetWindowRect(main, &all))
        return false;
    for (HWND h : {other1, other2}) {
        RECT r;
        if (h && IsWindowVisible(h) && GetWindowRect(h, &r))
            UnionRect(&all, &all, &r);
    }
    return saveScreen(all, screenshotPath(name));
}

}  // namespace qx::test
