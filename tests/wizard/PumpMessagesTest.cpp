// PumpMessages: what it dispatches, and that a quit message survives it.
#include "wizard/PumpMessages.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

constexpr UINT kCounted = WM_APP + 7;
int g_counted = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCounted) {
        ++g_counted;
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeCountingWindow() {
    WNDCLASSA description{};
    description.lpfnWndProc = CountingProc;
    description.hInstance = ::GetModuleHandleA(nullptr);
    description.lpszClassName = "PumpMessagesTest";
    ::RegisterClassA(&description);
    return ::CreateWindowExA(0, "PumpMessagesTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             description.hInstance, nullptr);
}

TEST(PumpMessages, DispatchesWaitingMessagesAndKeepsQuit) {
    HWND window = MakeCountingWindow();
    ASSERT_NE(nullptr, window);
    g_counted = 0;
    for (int i = 0; i < 3; ++i) {
        ::PostMessageA(window, kCounted, 0, 0);
    }
    PumpMessages();
    EXPECT_EQ(3, g_counted);

    ::PostMessageA(window, kCounted, 0, 0);
    ::PostQuitMessage(7);
    PumpMessages();
    EXPECT_EQ(4, g_counted);
    // The main loop still finds the quit message, with its exit code.
    MSG message;
    ASSERT_TRUE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, message.wParam);
    EXPECT_FALSE(::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    ::DestroyWindow(window);
}

} // namespace
