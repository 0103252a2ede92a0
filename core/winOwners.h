// Owners of Win32 and COM resources (Windows builds only). Each releases what
// it holds exactly once, at the end of its scope, on every path a throw
// included; none is copied, the movable ones move.
#pragma once

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <utility>

namespace qx::win {

// A value that one function releases. Traits give the type, the empty value,
// what counts as held, and the release.
template <typename Traits>
class Unique {
public:
    using Type = typename Traits::Type;
    Unique() = default;
    explicit Unique(Type v) : v_(v) {}
    Unique(Unique&& o) noexcept : v_(std::exchange(o.v_, Traits::empty())) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o)
            reset(std::exchange(o.v_, Traits::empty()));
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Type get() const { return v_; }
    explicit operator bool() const { return Traits::held(v_); }
    void reset(Type v = Traits::empty()) {
        if (Traits::held(v_))
            Traits::release(v_);
        v_ = v;
    }
    // For the APIs that write the value through a pointer.
    Type* out() {
        reset();
        return &v_;
    }
    // Hands the value to the caller, who releases it from now on.
    Type detach() { return std::exchange(v_, Traits::empty()); }

private:
    Type v_ = Traits::empty();
};

struct HandleTraits {
    using Type = HANDLE;
    static Type empty() { return nullptr; }
    static bool held(Type h) { return h && h != INVALID_HANDLE_VALUE; }
    static void release(Type h) { CloseHandle(h); }
};
using UniqueHandle = Unique<HandleTraits>;

// Traits for a value that is empty when null and released by one call.
template <typename T, auto Free>
struct NullTraits {
    using Type = T;
    static Type empty() { return nullptr; }
    static bool held(Type v) { return v != nullptr; }
    static void release(Type v) { Free(v); }
};

// A font, a bitmap, a pen, a brush or a region this program created.
template <typename T>
using GdiObject = Unique<NullTraits<T, DeleteObject>>;
using UniqueKey = Unique<NullTraits<HKEY, RegCloseKey>>;
using SafeArray = Unique<NullTraits<SAFEARRAY*, SafeArrayDestroy>>;
// Memory the system allocated with LocalAlloc for us (FormatMessage, CommandLineToArgvW).
template <typename T>
using LocalMemory = Unique<NullTraits<T*, LocalFree>>;
// Memory COM allocated for us (StringFromCLSID, ProgIDFromCLSID).
template <typename T>
using CoTaskMemory = Unique<NullTraits<T*, CoTaskMemFree>>;
// Global memory until the clipboard takes it (detach once it has).
using GlobalMemory = Unique<NullTraits<HGLOBAL, GlobalFree>>;
// A menu that no window owns (a pop-up menu).
using UniqueMenu = Unique<NullTraits<HMENU, DestroyMenu>>;
// A module LoadLibrary(Ex) loaded.
using UniqueModule = Unique<NullTraits<HMODULE, FreeLibrary>>;
// An icon this program created or extracted.
using UniqueIcon = Unique<NullTraits<HICON, DestroyIcon>>;

// A memory DC, compatible with `like` (the screen when null).
class MemoryDC : public Unique<NullTraits<HDC, DeleteDC>> {
public:
    explicit MemoryDC(HDC like = nullptr) : Unique(CreateCompatibleDC(like)) {}
};

// A window's DC (the screen's when hwnd is null), given back at the end.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_)
            ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint and EndPaint around one WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
    ~PaintDC() { EndPaint(hwnd_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }
    const RECT& dirty() const { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back at the end, so
// that the DC never still holds an object when that object is deleted.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectObjectScope() {
        if (previous_ && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Gives the keyboard focus back, at the end of the scope, to the window that
// had it at the start (a modal window takes it away), or to the nearest of
// its parents that can take it when that window has been hidden meanwhile.
class KeepFocus {
public:
    KeepFocus() : focus_(GetFocus()) {}
    ~KeepFocus() { restore(focus_); }
    KeepFocus(const KeepFocus&) = delete;
    KeepFocus& operator=(const KeepFocus&) = delete;
    static void restore(HWND h) {
        while (h && IsWindow(h) && (!IsWindowVisible(h) || !IsWindowEnabled(h)) &&
               (GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD))
            h = GetParent(h);
        if (h && IsWindow(h) && IsWindowVisible(h) && IsWindowEnabled(h) && GetFocus() != h)
            SetFocus(h);
    }

private:
    HWND focus_;
};

// GlobalLock for the scope; data() is null when the lock failed.
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL mem) : mem_(mem), data_(mem ? GlobalLock(mem) : nullptr) {}
    ~GlobalLockScope() {
        if (data_)
            GlobalUnlock(mem_);
    }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    void* data() const { return data_; }

private:
    HGLOBAL mem_;
    void* data_;
};

// The strings an automation call fills in when it fails.
class ExcepInfo {
public:
    ExcepInfo() = default;
    ~ExcepInfo() {
        SysFreeString(ei_.bstrSource);
        SysFreeString(ei_.bstrDescription);
        SysFreeString(ei_.bstrHelpFile);
    }
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    EXCEPINFO* get() { return &ei_; }
    EXCEPINFO* operator->() { return &ei_; }

private:
    EXCEPINFO ei_{};
};

// One COM reference, released once.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* adopted) : p_(adopted) {}
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() {
        if (p_)
            p_->Release();
    }
    // A reference of the caller's that this pointer shares (AddRef).
    static ComPtr share(T* p) {
        if (p)
            p->AddRef();
        return ComPtr(p);
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    // For the calls that hand out a reference through a pointer.
    T** out() {
        *this = ComPtr();
        return &p_;
    }
    // Hands the reference to the caller (a COM out parameter).
    T* detach() { return std::exchange(p_, nullptr); }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// COM on this thread for the scope. Only an initialisation that succeeded
// (S_OK, or S_FALSE when the thread already was in this apartment) is undone;
// a thread in another apartment (RPC_E_CHANGED_MODE) is left as it was.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) : hr_(CoInitializeEx(nullptr, model)) {}
    ComApartment(ComApartment&& o) noexcept : hr_(std::exchange(o.hr_, CO_E_NOTINITIALIZED)) {}
    ComApartment& operator=(ComApartment&&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    explicit operator bool() const { return SUCCEEDED(hr_); }
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

// CoRegisterMessageFilter for the scope: the previous filter is put back at
// the end and the reference to it that COM handed out released.
class MessageFilterScope {
public:
    explicit MessageFilterScope(IMessageFilter* filter)
        : registered_(SUCCEEDED(CoRegisterMessageFilter(filter, previous_.out()))) {}
    ~MessageFilterScope() {
        if (registered_)
            CoRegisterMessageFilter(previous_.get(), nullptr);
    }
    MessageFilterScope(const MessageFilterScope&) = delete;
    MessageFilterScope& operator=(const MessageFilterScope&) = delete;

private:
    ComPtr<IMessageFilter> previous_;
    bool registered_;
};

// An object's entry in the running object table, revoked at the end.
class ActiveObjectRegistration {
public:
    ActiveObjectRegistration() = default;
    ~ActiveObjectRegistration() { revoke(); }
    ActiveObjectRegistration(const ActiveObjectRegistration&) = delete;
    ActiveObjectRegistration& operator=(const ActiveObjectRegistration&) = delete;
    // RegisterActiveObject's result; on success the entry is held.
    HRESULT add(IUnknown* object, REFCLSID clsid, DWORD flags) {
        revoke();
        const HRESULT hr = RegisterActiveObject(object, clsid, flags, &cookie_);
        held_ = SUCCEEDED(hr);
        return hr;
    }

private:
    void revoke() {
        if (held_)
            RevokeActiveObject(cookie_, nullptr);
        held_ = false;
    }
    DWORD cookie_ = 0;
    bool held_ = false;
};

}  // namespace qx::win
