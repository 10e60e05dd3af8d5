// A window's command router: WM_COMMAND from menus reaches the bindings, and the window's menu
// shows the commands' states.
#include "app/WinCommander.h"
#include "app/winutil/Window.h"

#include <gtest/gtest.h>

using namespace Application;

namespace {

constexpr UINT kOpen = 40001;
constexpr UINT kGrid = 40002;

class CommandWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        static WinUtil::WindowClass cls(L"Quorvel.CommandTestWindow");
        menu = CreateMenu();
        popup = CreatePopupMenu();
        AppendMenuW(popup, MF_STRING, kOpen, L"&Open");
        AppendMenuW(popup, MF_STRING, kGrid, L"&Grid");
        AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"&File");
        window.Create(cls, L"commands", WS_OVERLAPPEDWINDOW, 0, 0, 0, 300, 200, nullptr, menu);
        ASSERT_TRUE(window.GetHwnd());
    }
    void TearDown() override { window.Destroy(); }
    UINT State(UINT id) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STATE;
        GetMenuItemInfoW(GetMenu(window.GetHwnd()), id, FALSE, &info);
        return info.fState;
    }
    WinUtil::Window window;
    HMENU menu = nullptr;
    HMENU popup = nullptr;
};

} // namespace

TEST_F(CommandWindowTest, MenuCommandReachesTheEnabledBindings) {
    WinCommander commander(window);
    commander.ShowMenu(GetMenu(window.GetHwnd()));
    int opened = 0;
    UINT lastCode = 99;
    WinCmdPlugSet set(commander);
    set.Add(kOpen, [&](const CommandMsg& msg) { lastCode = msg.code; ++opened; });
    SendMessageW(window.GetHwnd(), WM_COMMAND, MAKEWPARAM(kOpen, 0), 0);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(lastCode, 0u);
    set.Enable(kOpen, false);
    EXPECT_TRUE(State(kOpen) & MFS_GRAYED);
    SendMessageW(window.GetHwnd(), WM_COMMAND, MAKEWPARAM(kOpen, 0), 0);
    EXPECT_EQ(opened, 1);
    set.Enable(kOpen, true);
    EXPECT_FALSE(State(kOpen) & MFS_GRAYED);
    // A posted accelerator command arrives through the loop as well.
    PostMessageW(window.GetHwnd(), WM_COMMAND, MAKEWPARAM(kOpen, 1), 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(lastCode, 1u);
}

TEST_F(CommandWindowTest, CheckStateShowsInTheWindowMenu) {
    WinCommander commander(window);
    commander.ShowMenu(GetMenu(window.GetHwnd()));
    WinCmdPlugSet set(commander);
    set.Add(kGrid, [](const CommandMsg&) {});
    EXPECT_TRUE(State(kOpen) & MFS_GRAYED);  // nobody handles Open here
    set.SetCheckState(kGrid, 1);
    EXPECT_TRUE(State(kGrid) & MFS_CHECKED);
    set.SetCheckState(kGrid, 0);
    EXPECT_FALSE(State(kGrid) & MFS_CHECKED);
}

TEST_F(CommandWindowTest, HandlerMayDestroyTheRouter) {
    auto commander = std::make_unique<WinCommander>(window);
    WinCmdPlugSet set(*commander);
    int runs = 0, later = 0;
    set.Add(kOpen, [&](const CommandMsg&) {
        ++runs;
        commander.reset();  // as when the command closes the window
    });
    SendMessageW(window.GetHwnd(), WM_COMMAND, MAKEWPARAM(kOpen, 0), 0);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(commander);
    // The window lives on without its router; its commands go to the default procedure.
    SendMessageW(window.GetHwnd(), WM_COMMAND, MAKEWPARAM(kOpen, 0), 0);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(set.Find(kOpen)->GetCommander(), nullptr);
    (void)later;
}
