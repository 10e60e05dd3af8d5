// The wait cursor: shown by its own thread after 300 ms of a busy user-interface thread.
#include "app/winutil/CursorManager.h"
#include "app/winutil/Input.h"
#include "app/winutil/Modal.h"

#include <gtest/gtest.h>

namespace {

// Busy-waits (the user-interface thread is busy, it does not pump) until the cursor seen by this
// thread is cursor, or the deadline passes; answers the milliseconds it took, or -1.
long WaitForCursor(HCURSOR cursor, DWORD timeoutMs) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (;;) {
        QueryPerformanceCounter(&now);
        long elapsed = static_cast<long>((now.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
        if (GetCursor() == cursor) return elapsed;
        if (elapsed > static_cast<long>(timeoutMs)) return -1;
    }
}

TEST(WaitCursor, AppearsAfter300msOfBusinessAndGoesWhenIdle) {
    auto& manager = WinUtil::CursorManager::Instance();
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    manager.EndBusy();
    manager.SetCursor(arrow);
    EXPECT_EQ(GetCursor(), arrow);

    manager.BeginBusy();
    long took = WaitForCursor(wait, 3000);
    ASSERT_GE(took, 0) << "the wait cursor never appeared";
    EXPECT_GE(took, 250);  // not before the busy state has lasted (timer granularity allowed for)
    EXPECT_TRUE(manager.IsWaitCursorShown());

    EXPECT_TRUE(manager.EndBusy());
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_FALSE(manager.IsWaitCursorShown());
    EXPECT_FALSE(manager.EndBusy());  // no longer busy
}

TEST(WaitCursor, ShortBusinessShowsNoWaitCursor) {
    auto& manager = WinUtil::CursorManager::Instance();
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    manager.SetCursor(arrow);
    manager.BeginBusy();
    EXPECT_TRUE(manager.EndBusy());
    // Had the timer not been cancelled, the wait cursor would come within 300 ms.
    EXPECT_EQ(WaitForCursor(wait, 600), -1);
    EXPECT_EQ(GetCursor(), arrow);
}

TEST(WaitCursor, CursorSetWhileWaitingAppearsAfterwards) {
    auto& manager = WinUtil::CursorManager::Instance();
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    HCURSOR cross = LoadCursorW(nullptr, IDC_CROSS);
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    manager.SetCursor(arrow);
    manager.BeginBusy();
    ASSERT_GE(WaitForCursor(wait, 3000), 0);
    manager.SetCursor(cross);
    EXPECT_EQ(GetCursor(), wait);
    manager.EndBusy();
    EXPECT_EQ(GetCursor(), cross);
}

TEST(WaitCursor, ModalGuardSuspendsAndRestoresTheBusyState) {
    auto& manager = WinUtil::CursorManager::Instance();
    manager.BeginBusy();
    {
        WinUtil::CursorManager::ModalGuard guard;
        EXPECT_FALSE(manager.IsBusy());
    }
    EXPECT_TRUE(manager.IsBusy());
    manager.EndBusy();
    {
        WinUtil::CursorManager::ModalGuard guard;
    }
    EXPECT_FALSE(manager.IsBusy());
}

TEST(KeyState, ControlAndShiftFollowTheKeyboardState) {
    BYTE keys[256] = {};
    ASSERT_TRUE(GetKeyboardState(keys));
    BYTE saved[256];
    memcpy(saved, keys, sizeof keys);
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(WinUtil::IsControlKeyDown());
    EXPECT_FALSE(WinUtil::IsShiftKeyDown());
    keys[VK_CONTROL] = 0;
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    EXPECT_FALSE(WinUtil::IsControlKeyDown());
    EXPECT_TRUE(WinUtil::IsShiftKeyDown());
    SetKeyboardState(saved);
}

TEST(WindowDisabler, DisablesVisibleWindowsOfTheThreadAndEnablesThemAgain) {
    HWND a = CreateWindowExW(0, L"STATIC", L"a", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND hidden = CreateWindowExW(0, L"STATIC", L"h", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    {
        WinUtil::WindowDisabler disabler;
        EXPECT_TRUE(WinUtil::WindowDisabler::IsActive());
        EXPECT_FALSE(IsWindowEnabled(a));
        EXPECT_TRUE(IsWindowEnabled(hidden));
        WinUtil::WindowDisabler::AddWindow(hidden);  // a window made meanwhile
        EXPECT_FALSE(IsWindowEnabled(hidden));
    }
    EXPECT_FALSE(WinUtil::WindowDisabler::IsActive());
    EXPECT_TRUE(IsWindowEnabled(a));
    EXPECT_TRUE(IsWindowEnabled(hidden));
    DestroyWindow(a);
    DestroyWindow(hidden);
}

} // namespace
