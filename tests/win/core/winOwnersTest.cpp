// The owners release exactly once, on every path; a double release or a leak
// here would be a crash or a handle leak in every program that uses them.
#include <gtest/gtest.h>

#include <vector>

#include "core/winOwners.h"
#include "testing/probeFilter.h"

using qx::test::currentFilter;
using qx::test::ProbeFilter;

namespace {

// Records every release instead of calling the system.
struct Released {
    static std::vector<int>& log() {
        static std::vector<int> values;
        return values;
    }
};

struct CountingTraits {
    using Type = int;
    static Type empty() { return 0; }
    static bool held(Type v) { return v != 0; }
    static void release(Type v) { Released::log().push_back(v); }
};
using Counted = qx::win::Unique<CountingTraits>;

}  // namespace

TEST(WinOwners, UniqueReleasesOnceWhateverWayTheValueLeaves) {
    Released::log().clear();
    {
        Counted a(1);
        Counted b(std::move(a));  // moved: only b releases
        EXPECT_FALSE(a);
        Counted c(2);
        c = std::move(b);  // c's 2 goes now, the 1 at the end
        EXPECT_EQ(Released::log(), std::vector<int>{2});
        Counted d(3);
        *d.out() = 4;  // out() gives the old value back first
        EXPECT_EQ(Released::log(), (std::vector<int>{2, 3}));
        d.reset();
        d.reset();  // nothing held: nothing released
        Counted empty;
    }
    EXPECT_EQ(Released::log(), (std::vector<int>{2, 3, 4, 1}));
}

TEST(WinOwners, MessageFilterScopePutsThePreviousFilterBackAndReleasesIt) {
    const qx::win::ComApartment apartment;
    ASSERT_TRUE(apartment);
    ProbeFilter before, ours;
    IMessageFilter* none = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoRegisterMessageFilter(&before, &none)));
    EXPECT_EQ(none, nullptr);
    const ULONG registered = before.references();
    {
        qx::win::MessageFilterScope scope(&ours);
        EXPECT_EQ(currentFilter(), &ours);
    }
    EXPECT_EQ(currentFilter(), &before);
    EXPECT_EQ(before.references(), registered) << "the reference to the previous filter was not given back";
    EXPECT_EQ(ours.references(), 1u) << "the scope's filter is still held";
    CoRegisterMessageFilter(nullptr, &none);
    if (none)
        none->Release();
    EXPECT_EQ(before.references(), 1u);
}
