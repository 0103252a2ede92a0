// Our COM objects' IUnknown, written once (Windows builds only): a class
// derives from ComObject<Interfaces...> and implements only its interfaces'
// own methods. QueryInterface answers IUnknown and each listed interface,
// with a null check; the count is thread-safe.
#pragma once

#include <objbase.h>
#include <windows.h>

namespace qx::win {

template <typename First, typename... Rest>
class ComObject : public First, public Rest... {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(riid, __uuidof(IUnknown)))
            *object = static_cast<First*>(this);
        else
            (void)(find<First>(riid, object) || ... || find<Rest>(riid, object));
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            lastReleased();
        return static_cast<ULONG>(left);
    }

    // The references held now, for tests that check them.
    ULONG references() const { return static_cast<ULONG>(refs_); }

protected:
    virtual ~ComObject() = default;
    // An object made with new goes with its last reference; one that lives in
    // its owner's scope (a class object, a server's own filter) stays.
    virtual void lastReleased() { delete this; }

private:
    template <typename I>
    bool find(REFIID riid, void** object) {
        if (!IsEqualIID(riid, __uuidof(I)))
            return false;
        *object = static_cast<I*>(this);
        return true;
    }

    volatile LONG refs_ = 0;
};

// A COM object that lives as long as its owner's scope, whatever its count.
template <typename... Interfaces>
class ScopedComObject : public ComObject<Interfaces...> {
public:
    ~ScopedComObject() override = default;

protected:
    void lastReleased() override {}
};

}  // namespace qx::win
