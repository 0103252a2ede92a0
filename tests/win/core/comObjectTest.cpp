// The one COM object template and the apartment owner.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <thread>

#include "core/comObject.h"
#include "core/winOwners.h"

namespace {

// Two interfaces, so that identity and casts can go wrong.
class Both : public qx::win::ComObject<IMessageFilter, IClassFactory> {
public:
    explicit Both(bool* gone) : gone_(gone) {}
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override { return 0; }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** object) override {
        *object = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    ~Both() override { *gone_ = true; }
    bool* gone_;
};

class Kept : public qx::win::ScopedComObject<IMessageFilter> {
public:
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override { return 0; }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
};

}  // namespace

// One identity through every interface, each interface as itself, no
// interface it lacks, and the object gone with its last reference only.
TEST(ComObject, AnswersItsInterfacesWithOneIdentityAndGoesWithTheLastReference) {
    bool gone = false;
    auto* object = new Both(&gone);
    IMessageFilter* filter = object;
    filter->AddRef();
    IClassFactory* factory = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(factory, static_cast<IClassFactory*>(object));
    IUnknown *a = nullptr, *b = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a)), S_OK);
    ASSERT_EQ(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b)), S_OK);
    EXPECT_EQ(a, b);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(filter->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(filter->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(object->references(), 4u);
    for (IUnknown* held : {static_cast<IUnknown*>(factory), a, b})
        held->Release();
    EXPECT_FALSE(gone);
    EXPECT_EQ(filter->Release(), 0u);
    EXPECT_TRUE(gone);
}

TEST(ComObject, AScopedOneOutlivesItsCount) {
    Kept kept;
    kept.AddRef();
    EXPECT_EQ(kept.Release(), 0u);  // nothing deleted: it lives on the stack
    EXPECT_EQ(kept.references(), 0u);
}

// An apartment that could not be had is not given up: the thread's own
// initialisation stays, as the caller that made it expects.
TEST(ComApartment, UndoesOnlyWhatItInitialised) {
    std::thread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            const qx::win::ComApartment other;  // single-threaded: another apartment
            EXPECT_FALSE(other);
            EXPECT_EQ(other.result(), RPC_E_CHANGED_MODE);
        }
        {
            const qx::win::ComApartment same(COINIT_MULTITHREADED);
            EXPECT_EQ(same.result(), S_FALSE);
        }
        // Still initialised: another initialisation only counts up.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
        // Now the thread is free again.
        const qx::win::ComApartment fresh;
        EXPECT_EQ(fresh.result(), S_OK);
    }).join();
}
