#include "testing/screenshot.h"

#include <cstdio>

#include "core/winOwners.h"
#include "core/winText.h"
#include "platform/platformWin32.h"

namespace qx::test {

Picture drawPicture(int width, int height, const std::function<void(HDC)>& draw) {
    if (width <= 0 || height <= 0)
        return {};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    win::MemoryDC mem;
    void* bits = nullptr;
    win::GdiObject<HBITMAP> dib(CreateDIBSection(mem.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!mem || !dib || !bits)
        return {};
    Picture picture;
    {
        win::SelectObjectScope selected(mem.get(), dib.get());
        draw(mem.get());
        GdiFlush();
    }
    picture.width = width;
    picture.height = height;
    const auto* src = static_cast<const std::uint32_t*>(bits);
    picture.bits.assign(src, src + static_cast<std::size_t>(width) * height);
    return picture;
}

Picture captureScreen(const RECT& area) {
    return drawPicture(area.right - area.left, area.bottom - area.top, [&](HDC dc) {
        win::WindowDC screen(nullptr);
        BitBlt(dc, 0, 0, area.right - area.left, area.bottom - area.top, screen.get(), area.left, area.top, SRCCOPY);
    });
}

bool writeBmp(const std::wstring& path, const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0)
        return false;
    const DWORD stride = (static_cast<DWORD>(picture.width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = picture.width;
    ih.biHeight = picture.height;  // bottom-up, as BMP files usually are
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biCompression = BI_RGB;
    ih.biSizeImage = stride * static_cast<DWORD>(picture.height);
    fh.bfType = 0x4D42;  // "BM"
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + ih.biSizeImage;
    std::vector<unsigned char> image(ih.biSizeImage);
    for (int y = 0; y < picture.height; ++y) {
        unsigned char* row = image.data() + static_cast<std::size_t>(picture.height - 1 - y) * stride;
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t v = picture.bits[static_cast<std::size_t>(y) * picture.width + x];
            row[x * 3] = v & 0xFF;
            row[x * 3 + 1] = (v >> 8) & 0xFF;
            row[x * 3 + 2] = (v >> 16) & 0xFF;
        }
    }
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    bool ok = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&ih, sizeof ih, 1, f) == 1 &&
              fwrite(image.data(), image.size(), 1, f) == 1;
    return fclose(f) == 0 && ok;
}

std::wstring screenshotPath(const std::wstring& name) {
    const std::wstring dir = win::toWide(win32::Win32ExeInfo().exeFolder()) + L"screenshots";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir + L"\\" + name;
}

bool saveScreen(const RECT& area, const std::wstring& path) {
    return writeBmp(path, captureScreen(area));
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
