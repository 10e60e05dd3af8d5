// Drag detection for the middle and right buttons, the setting-change observers and the
// framework's message box.
#include "app/winutil/CursorManager.h"
#include "app/winutil/Input.h"
#include "app/winutil/Modal.h"
#include "app/winutil/SettingChange.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class DragDetection : public ::testing::Test {
protected:
    void SetUp() override {
        hwnd = CreateWindowExW(0, L"STATIC", L"drag", WS_POPUP | WS_VISIBLE, 50, 50, 200, 200,
                               nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        POINT origin{10, 10};
        ClientToScreen(hwnd, &origin);
        start = origin;
        // The pointer rests on the start point, so that moves the system synthesises (a window
        // appearing under the pointer) report no distance from it.
        SetCursorPos(start.x, start.y);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    void TearDown() override { DestroyWindow(hwnd); }
    void PostMove(int dx, int dy) {
        PostMessageW(hwnd, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(10 + dx, 10 + dy));
    }
    HWND hwnd = nullptr;
    POINT start{};
};

TEST_F(DragDetection, ReleaseMeansNoDragAndEndsTheCapture) {
    PostMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_FALSE(WinUtil::DragDetect(hwnd, start.x, start.y, 3));
    EXPECT_NE(GetCapture(), hwnd);
    // The release is left for the window, whose default processing raises the context menu.
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, hwnd, WM_RBUTTONUP, WM_RBUTTONUP, PM_REMOVE));
}

TEST_F(DragDetection, MovesBeforeTheReleaseAreTakenAndTheReleaseStays) {
    PostMove(1, 0);
    PostMessageW(hwnd, WM_MBUTTONUP, 0, MAKELPARAM(11, 10));
    EXPECT_FALSE(WinUtil::DragDetect(hwnd, start.x, start.y, 2));
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_MBUTTONUP));
}

TEST_F(DragDetection, EscapeMeansNoDrag) {
    PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(WinUtil::DragDetect(hwnd, start.x, start.y, 2));
}

TEST_F(DragDetection, SmallMoveIsNoDragLargeMoveIs) {
    const int dragX = GetSystemMetrics(SM_CXDRAG);
    PostMove(dragX / 2, 0);  // |dx| * 2 is not above the drag width
    PostMove(dragX, 0);      // this one is
    PostMessageW(hwnd, WM_RBUTTONUP, 0, 0);  // never reached
    EXPECT_TRUE(WinUtil::DragDetect(hwnd, start.x, start.y, 3));
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, hwnd, WM_RBUTTONUP, WM_RBUTTONUP, PM_REMOVE));
}

TEST_F(DragDetection, HoldingTheButtonHalfASecondIsADrag) {
    const DWORD begin = GetTickCount();
    EXPECT_TRUE(WinUtil::DragDetect(hwnd, start.x, start.y, 2));
    EXPECT_GE(GetTickCount() - begin, 450u);
    EXPECT_NE(GetCapture(), hwnd);
}

TEST_F(DragDetection, UnknownButtonIsNoDrag) {
    EXPECT_FALSE(WinUtil::DragDetect(hwnd, start.x, start.y, 4));
}

struct SettingCounter : Application::ISettingChangeObserver {
    void SettingChanged() override { ++calls; }
    int calls = 0;
};

TEST(SettingChange, BroadcastReachesRegisteredObserversOnly) {
    SettingCounter kept, dropped;
    Application::SettingChangeRegistration keep(kept);
    {
        Application::SettingChangeRegistration drop(dropped);
    }
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"),
                        SMTO_ABORTIFHUNG, 5000, &answer);
    EXPECT_EQ(kept.calls, 1);
    EXPECT_EQ(dropped.calls, 0);
}

TEST(FrameworkMessageBox, BusyStateIsSuspendedWhileTheBoxShows) {
    auto& cursor = WinUtil::CursorManager::Instance();
    cursor.BeginBusy();
    std::atomic<int> busyDuringBox{-1};
    std::thread closer([&] {
        const DWORD deadline = GetTickCount() + 10000;
        HWND box = nullptr;
        while (GetTickCount() < deadline && !(box = FindWindowW(nullptr, L"QuorvelTest box")))
            Sleep(20);  // polling for the box of the other thread, bounded
        if (!box) return;
        busyDuringBox = cursor.IsBusy() ? 1 : 0;
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    int answer = WinUtil::MessageBox(L"QuorvelTest box", L"question", MB_OKCANCEL);
    closer.join();
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_EQ(busyDuringBox.load(), 0);
    EXPECT_TRUE(cursor.EndBusy());  // restored afterwards
}

} // namespace
