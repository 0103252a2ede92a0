// The one window base: routing from the first message on, the error guard,
// and the unlinking when the window goes.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <vector>

#include "widgets/windowWin32.h"

namespace {

constexpr UINT kThrow = WM_APP + 1, kAnswer = WM_APP + 2;

class Probe : public qx::win32::Window {
public:
    Probe() {
        WNDCLASSEXW wc{};
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuadcelXWindowProbe";
        registerClass(wc);
        registerClass(wc);  // a second registration finds the class there
        createWindow(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }
    ~Probe() override {
        if (hwnd_)
            DestroyWindow(hwnd_);
    }
    std::vector<UINT> seen;
    int errors = 0, gone = 0;

protected:
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) override {
        seen.push_back(msg);
        if (msg == kThrow)
            throw std::runtime_error("handler failed");
        if (msg == kAnswer)
            return 42;
        return DefWindowProcW(hwnd_, msg, wp, lp);
    }
    bool runGuarded(const std::function<void()>& handler) override {
        try {
            handler();
            return true;
        } catch (const std::exception&) {
            ++errors;
            return false;
        }
    }
    LRESULT failed(UINT, WPARAM, LPARAM) override { return -7; }
    void destroyed() override { ++gone; }
};

}  // namespace

TEST(WindowBase, RoutesFromTheFirstMessageGuardsEachAndUnlinksAtTheEnd) {
    Probe probe;
    ASSERT_NE(probe.hwnd(), nullptr);
    ASSERT_FALSE(probe.seen.empty());
    EXPECT_EQ(probe.seen.front(), static_cast<UINT>(WM_NCCREATE));  // the object had the window from its start
    EXPECT_EQ(SendMessageW(probe.hwnd(), kAnswer, 0, 0), 42);
    EXPECT_EQ(SendMessageW(probe.hwnd(), kThrow, 0, 0), -7);  // the error stayed inside
    EXPECT_EQ(probe.errors, 1);
    DestroyWindow(probe.hwnd());
    EXPECT_EQ(probe.hwnd(), nullptr);
    EXPECT_EQ(probe.gone, 1);
}
