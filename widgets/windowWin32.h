// The plumbing every window of ours shares (Windows only): its class
// registered once with one window procedure, messages routed from
// WM_NCCREATE on to the object that made the window, each handled under an
// error guard, the link cut at WM_NCDESTROY. A derived class handles the
// messages.
#pragma once

#include <windows.h>

#include <functional>

#include "core/winOwners.h"

namespace qx::win32 {

// A font of our windows: its face, design height (pixels at 96 dpi) and look.
struct FontSpec {
    const wchar_t* face = L"Tahoma";
    int height = 11;
    bool bold = false;
    BYTE charset = DEFAULT_CHARSET;
    bool fixedPitch = false;  // a face whose characters are equally wide
    BYTE quality = CLEARTYPE_QUALITY;
    int escapement = 0;  // the baseline's angle, in tenths of a degree anticlockwise
};

// The font at a character height (not a cell height) in device pixels.
win::GdiObject<HFONT> createFont(const FontSpec& spec, int pixelHeight);

// Sees the messages of a control of a system class (a button, an edit box)
// before the control does: the handler answers each, calling
// DefSubclassProc for what it passes on. It must live as long as the
// window; the link goes at WM_NCDESTROY.
using SubclassHandler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
void subclassWindow(HWND control, const SubclassHandler& handler);

class Window {
public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    HWND hwnd() const { return hwnd_; }

protected:
    Window() = default;
    // No message reaches the object once it goes, whether or not the derived
    // class destroyed its window.
    virtual ~Window();

    // Registers the class `wc` names, with the routing procedure, unless it
    // is registered already. Throws qx::Error.
    static void registerClass(WNDCLASSEXW wc);
    // CreateWindowExW of such a class, this object its own; null when it failed.
    HWND createWindow(DWORD exStyle, const wchar_t* cls, const wchar_t* title, DWORD style, int x, int y, int width,
                      int height, HWND parent, HMENU menu);

    virtual LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) = 0;
    // Runs a handler so that nothing it throws passes through the system's
    // dispatching; false when it threw. By default the error is shown.
    virtual bool runGuarded(const std::function<void()>& handler);
    // The answer to a message whose handler threw.
    virtual LRESULT failed(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }
    // The window is gone (after WM_NCDESTROY); hwnd() is null already.
    virtual void destroyed() {}

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK route(HWND h, UINT msg, WPARAM wp, LPARAM lp);
};

}  // namespace qx::win32
