#include <gtest/gtest.h>

#include "cad/com/messageFilter.h"
#include "testing/probeFilter.h"

using qx::cad::com::TMessageFilter;

using qx::test::currentFilter;
using qx::test::ProbeFilter;

namespace {

class MessageFilter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(apartment); }
    qx::win::ComApartment apartment;
};

}  // namespace

TEST_F(MessageFilter, AnswersAsTheRetryPolicySays) {
    auto* filter = new TMessageFilter;
    filter->AddRef();
    EXPECT_EQ(filter->HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, nullptr), SERVERCALL_ISHANDLED);
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), 1000u);
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 600000, SERVERCALL_RETRYLATER), 1000u);  // no overall limit
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_REJECTED), static_cast<DWORD>(-1));
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, 7), static_cast<DWORD>(-1));
    EXPECT_EQ(filter->MessagePending(nullptr, 0, PENDINGTYPE_TOPLEVEL), static_cast<DWORD>(PENDINGMSG_WAITNOPROCESS));
    EXPECT_EQ(filter->Release(), 0u);
}

TEST_F(MessageFilter, QueryInterfaceAnswersForItsTwoInterfacesOnly) {
    auto* filter = new TMessageFilter;
    filter->AddRef();
    void* p = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IMessageFilter, &p), S_OK);
    EXPECT_EQ(p, static_cast<IMessageFilter*>(filter));
    ASSERT_EQ(filter->QueryInterface(IID_IUnknown, &p), S_OK);
    EXPECT_EQ(filter->QueryInterface(IID_IDispatch, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(filter->Release(), 2u);
    EXPECT_EQ(filter->Release(), 1u);
    EXPECT_EQ(filter->Release(), 0u);
}

TEST_F(MessageFilter, RevokeRestoresThePreviousFilterAndDestroysItself) {
    ProbeFilter before;
    IMessageFilter* none = nullptr;
    CoRegisterMessageFilter(&before, &none);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(before.references(), 2u);

    auto* filter = new TMessageFilter;
    filter->AddRef();  // ours, to see what is left after revoking
    filter->RegisterFilter();
    EXPECT_EQ(currentFilter(), static_cast<IMessageFilter*>(filter));
    filter->RegisterFilter();  // ignored: the chain must not point at itself
    EXPECT_EQ(currentFilter(), static_cast<IMessageFilter*>(filter));

    filter->RevokeFilter();
    EXPECT_EQ(currentFilter(), static_cast<IMessageFilter*>(&before));
    EXPECT_EQ(filter->Release(), 0u);    // COM gave its reference back
    EXPECT_EQ(before.references(), 2u);  // the thread's, and the test's

    IMessageFilter* back = nullptr;
    CoRegisterMessageFilter(nullptr, &back);
    EXPECT_EQ(back, static_cast<IMessageFilter*>(&before));
    back->Release();
    EXPECT_EQ(before.references(), 1u);
}

TEST_F(MessageFilter, RevokeWithoutEarlierFilterLeavesNone) {
    auto* filter = new TMessageFilter;
    filter->AddRef();
    filter->RegisterFilter();
    filter->RevokeFilter();
    EXPECT_EQ(currentFilter(), nullptr);
    EXPECT_EQ(filter->Release(), 0u);
}
