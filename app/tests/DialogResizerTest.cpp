// Dialog layout helpers: controls follow the parent's size change, and file titles.
#include "app/FileTitle.h"
#include "app/winutil/Window.h"
#include "app/winutil/WindowResizer.h"

#include <gtest/gtest.h>

namespace {

RECT ChildRect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

TEST(WindowResizer, MoversAndStretchersFollowTheParent) {
    static WinUtil::WindowClass cls(L"Quorvel.ResizerTest");
    WinUtil::Window parent;
    parent.Create(cls, L"resize", WS_POPUP | WS_VISIBLE, 0, 50, 50, 400, 300);
    HWND button = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE, 300, 250, 80, 30, parent.GetHwnd(),
                                  nullptr, nullptr, nullptr);
    HWND list = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 380, 220, parent.GetHwnd(),
                                nullptr, nullptr, nullptr);
    {
        WinUtil::WindowResizer resizer(parent);
        resizer.Add(std::make_unique<WinUtil::RelativeMover>(button, true, true));
        resizer.Add(std::make_unique<WinUtil::Stretcher>(list, false, false, true, true));
        SetWindowPos(parent.GetHwnd(), nullptr, 60, 70, 500, 350, SWP_NOZORDER);
        RECT b = ChildRect(parent.GetHwnd(), button);
        EXPECT_EQ(b.left, 400);
        EXPECT_EQ(b.top, 300);
        EXPECT_EQ(b.right - b.left, 80);
        RECT l = ChildRect(parent.GetHwnd(), list);
        EXPECT_EQ(l.left, 10);
        EXPECT_EQ(l.right, 490);
        EXPECT_EQ(l.bottom, 280);
        // Moving without resizing leaves the controls where they are.
        SetWindowPos(parent.GetHwnd(), nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
        EXPECT_EQ(ChildRect(parent.GetHwnd(), button).left, 400);
    }
    parent.Destroy();
}

TEST(GetFileTitle, NameWithoutTheFolders) {
    std::wstring title = Application::GetFileTitle(L"C:\\diagrams\\Classes.qvd");
    EXPECT_TRUE(title == L"Classes.qvd" || title == L"Classes") << std::string(title.begin(), title.end());
    EXPECT_EQ(Application::GetFileTitle(L""), L"");
}

#include "app/winutil/WindowPlacement.h"

TEST(WindowPlacement, CascadedPlacementIsOffsetAndStaysOnTheWorkArea) {
    static WinUtil::WindowClass cls(L"Quorvel.PlacementTest");
    WinUtil::Window window;
    window.Create(cls, L"placement", WS_OVERLAPPEDWINDOW, 0, 100, 100, 300, 200);
    WinUtil::WindowPlacement own;
    ASSERT_TRUE(own.ReadFromWindow(window.GetHwnd()));
    WinUtil::WindowPlacement next = WinUtil::GetCascadedPlacement(window.GetHwnd());
    ASSERT_TRUE(next.IsValid());
    const RECT& a = own.Get().rcNormalPosition;
    const RECT& b = next.Get().rcNormalPosition;
    EXPECT_GT(b.left, a.left);
    EXPECT_GT(b.top, a.top);
    EXPECT_EQ(b.right - b.left, a.right - a.left);
    EXPECT_EQ(b.bottom - b.top, a.bottom - a.top);

    // A window at the bottom right corner cascades back to the top left.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(window.GetHwnd(), nullptr, work.right - 300, work.bottom - 200, 300, 200, SWP_NOZORDER);
    next = WinUtil::GetCascadedPlacement(window.GetHwnd());
    EXPECT_EQ(next.Get().rcNormalPosition.left, 0);
    EXPECT_EQ(next.Get().rcNormalPosition.top, 0);
    window.Destroy();
}
