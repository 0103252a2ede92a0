#include "widgets/windowWin32.h"

#include <commctrl.h>

#include "core/error.h"
#include "core/winText.h"
#include "widgets/widgetsWin32.h"

namespace qx::win32 {

namespace {
LRESULT CALLBACK subclassRoute(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
    const LRESULT result = (*reinterpret_cast<const SubclassHandler*>(data))(h, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(h, subclassRoute, id);
    }
    return result;
}
}  // namespace

void subclassWindow(HWND control, const SubclassHandler& handler) {
    SetWindowSubclass(control, subclassRoute, 1, reinterpret_cast<DWORD_PTR>(&handler));
}

win::GdiObject<HFONT> createFont(const FontSpec& spec, int pixelHeight) {
    LOGFONTW lf{};
    lf.lfHeight = -pixelHeight;  // the character height, not the cell height
    lf.lfEscapement = spec.escapement;
    lf.lfOrientation = spec.escapement;
    lf.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = spec.charset;
    lf.lfQuality = spec.quality;
    lf.lfPitchAndFamily = spec.fixedPitch ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH;
    lstrcpynW(lf.lfFaceName, spec.face, LF_FACESIZE);
    return win::GdiObject<HFONT>(CreateFontIndirectW(&lf));
}

Window::~Window() {
    if (hwnd_)
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
}

void Window::registerClass(WNDCLASSEXW wc) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(wc.hInstance, wc.lpszClassName, &existing))
        return;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = route;
    if (!RegisterClassExW(&wc))
        throw Error(u"ウィンドウクラスを登録できません: " + win::systemMessage(GetLastError()));
}

HWND Window::createWindow(DWORD exStyle, const wchar_t* cls, const wchar_t* title, DWORD style, int x, int y, int width,
                          int height, HWND parent, HMENU menu) {
    return CreateWindowExW(exStyle, cls, title, style, x, y, width, height, parent, menu, GetModuleHandleW(nullptr),
                           this);
}

bool Window::runGuarded(const std::function<void()>& handler) {
    bool ran = false;
    guarded([&] {
        handler();
        ran = true;
    });
    return ran;
}

LRESULT CALLBACK Window::route(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        // The object that createWindow passed, as a Window: the address the
        // routing reads back below.
        auto* created = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        created->hwnd_ = h;
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(h, msg, wp, lp);
    LRESULT result = 0;
    const bool ran = self->runGuarded([&] { result = self->handle(msg, wp, lp); });
    if (!ran)
        result = self->failed(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(h, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->destroyed();
    }
    return result;
}

}  // namespace qx::win32
