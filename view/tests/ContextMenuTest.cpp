// Context menus of a view, read while they are shown and closed with Escape: the background menu
// of the diagram's type, the element menu of a single selection, the keyboard key with several
// elements selected, and the point the menu was opened at.
#include "view/tests/TestBoxes.h"

#include "resources/resource.h"

namespace ViewTest {
namespace {

// Watches for the popup menu while the menu's own loop runs, notes its first item and closes it.
struct MenuWatch {
    MenuWatch() {
        current = this;
        timer = SetTimer(nullptr, 0, 20, &MenuWatch::Tick);
    }
    ~MenuWatch() {
        KillTimer(nullptr, timer);
        current = nullptr;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (menu == nullptr || current == nullptr || !IsWindowVisible(menu)) return;
        HMENU popup = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
        if (popup) {
            current->firstItem = GetMenuItemID(popup, 0);
            current->items = GetMenuItemCount(popup);
        }
        RECT r;
        GetWindowRect(menu, &r);
        current->at = POINT{r.left, r.top};
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        ++current->shown;
    }
    static inline MenuWatch* current = nullptr;
    UINT_PTR timer = 0;
    UINT firstItem = 0;
    int items = 0;
    int shown = 0;
    POINT at{};
};

class Menus : public ::testing::Test {
protected:
    void SetUp() override {
        a = w.AddBox({1000, 4000, 3000, 2000});
        b = w.AddBox({5000, 4000, 7000, 2000});
    }
    // Asks for the menu at a client point (or from the keyboard) and answers what was shown.
    MenuWatch Ask(POINT client, bool keyboard = false) {
        MenuWatch watch;
        POINT screen = client;
        ClientToScreen(w.hwnd, &screen);
        const LPARAM at = keyboard ? MAKELPARAM(0xFFFF, 0xFFFF) : MAKELPARAM(screen.x, screen.y);
        SendMessageW(w.hwnd, WM_CONTEXTMENU, WPARAM(w.hwnd), at);
        return watch;
    }
    ViewWindow w;
    std::shared_ptr<Box> a, b;
};

TEST_F(Menus, TheBackgroundMenuFollowsTheDiagramType)
{
    FakeDrag noDrag(false);
    const POINT empty = w.At({4000, -2000});
    w.Mouse(WM_RBUTTONDOWN, empty);
    MenuWatch shown = Ask(empty);
    EXPECT_EQ(shown.shown, 1);
    EXPECT_EQ(shown.firstItem, UINT(ID_NEW_CLASS));
    EXPECT_EQ(w.Task().GetLastMousePoint(), w.Logical(empty));
    ASSERT_TRUE(w.router.Execute({ID_DIAGRAM_STATE, 0, nullptr}));
    MenuWatch state = Ask(empty);
    EXPECT_EQ(state.firstItem, UINT(ID_NEW_STATE));
    EXPECT_EQ(state.items, 10);
}

TEST_F(Menus, ASingleSelectedElementShowsItsOwnMenuAndTheKeyboardWithTwoTheBackground)
{
    FakeDrag noDrag(false);
    const POINT onA = w.At({2000, 3000});
    w.Mouse(WM_RBUTTONDOWN, onA);
    MenuWatch element = Ask(onA);
    EXPECT_EQ(element.firstItem, UINT(ID_EDIT_CUT));
    EXPECT_EQ(element.items, 3);
    EXPECT_EQ(w.Task().GetCurrentElement(), w.Of(*a));

    b->SelectInView(*w.view, true);
    MenuWatch keyboard = Ask({0, 0}, true);
    EXPECT_EQ(keyboard.firstItem, UINT(ID_NEW_CLASS));
    // From the keyboard the menu opens at the centre of the window.
    RECT r;
    GetWindowRect(w.hwnd, &r);
    EXPECT_NEAR(keyboard.at.x, (r.left + r.right) / 2, 2);
    EXPECT_EQ(w.Task().GetLastMousePoint(), w.Logical({(r.right - r.left) / 2, (r.bottom - r.top) / 2}));
}

TEST_F(Menus, ARightReleaseWithCtrlAndShiftRaisesNoMenu)
{
    FakeDrag noDrag(false);
    const POINT empty = w.At({4000, -2000});
    MenuWatch watch;
    w.Mouse(WM_RBUTTONUP, empty, MK_CONTROL | MK_SHIFT);
    w.Pump();
    EXPECT_EQ(watch.shown, 0);
}

} // namespace
} // namespace ViewTest
