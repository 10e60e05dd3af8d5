// The editor's context menus as a mouse user meets them: real button presses and key strokes
// (SendInput) into a started editor. Each diagram kind creates every element of its background
// menu through that menu and shows each element's own menu on a right click; a right-button drag
// offers "Move Here" and "Copy Here"; Ctrl with a right click runs the menu's remembered item.
// The items of a shown menu are read inside the editor by the probe hook.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/probe/MenuItems.h"
#include "Editor/tests/probe/ProbeClient.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace EditorTest;

// A stored document holding nothing but its diagram type (1 class ... 5 state).
std::string DocumentOfType(int type) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
           "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n"
           "<DiagramType id=\"r1\" TypeValue=\"" +
           std::to_string(type) + "\"/>\n</Diagram>\n";
}

// The program's own menu resource (linked into the tests), as the probe would read it.
std::wstring ExpectedItems(UINT menuId) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId));
    std::wstring items = menu ? MenuItems(GetSubMenu(menu, 0)) : L"no menu";
    if (menu) DestroyMenu(menu);
    return items;
}

// The editor started on a document of one diagram type, its window placed on the screen, and
// the probe hooked into its thread.
class RightClick : public ::testing::Test {
protected:
    void Open(int type) {
        file_ = folder_.AddFile(L"kind.qvd", DocumentOfType(type));
        ASSERT_TRUE(editor_.Start(L"\"" + EditorPath() + L"\" kind.qvd", folder_.Path()));
        ASSERT_TRUE(WaitFor([&] { return (frame_ = WindowOfPath(editor_.Id(), file_)) != nullptr; }));
        ASSERT_NE(pane_ = PlaceLarge(frame_), nullptr);
        probe_ = std::make_unique<MenuProbeClient>(frame_);
        ASSERT_TRUE(probe_->IsHooked());
    }
    void TearDown() override {
        if (HWND menu = FindShownMenu(editor_.Id())) PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        probe_.reset();
    }

    // A point of the pane, in its client pixels, on the screen.
    POINT At(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(pane_, &p);
        return p;
    }
    POINT Far() const {
        RECT r{};
        GetClientRect(pane_, &r);
        return At(r.right - 40, r.bottom - 40);
    }

    // Presses and releases the right button at the point, with Ctrl held when asked.
    void RightClickAt(POINT p, bool ctrl = false) {
        MoveTo(p);
        Pace();
        if (ctrl) Key(VK_CONTROL, false);
        Button(MOUSEEVENTF_RIGHTDOWN);
        Pace();
        Button(MOUSEEVENTF_RIGHTUP);
        Pace();
        if (ctrl) Key(VK_CONTROL, true);
    }
    // Drags with the right button from one point to another in steps, and lets go there.
    void RightDrag(POINT from, POINT to) { DragWith(from, to, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }

    // The menu the editor shows now (waited for), or null.
    HWND WaitForMenu() {
        HWND menu = nullptr;
        WaitFor([&] { return (menu = FindShownMenu(editor_.Id())) != nullptr; });
        return menu;
    }
    // The items of the shown menu, read inside the editor; empty when it does not answer.
    std::wstring ItemsShown(HWND menu) { return probe_->Ask(menu, MenuProbeClient::kItems); }
    // The items of the menu that a right click at the point shows; the menu is closed again.
    std::wstring MenuAt(POINT p) {
        RightClickAt(p);
        HWND menu = WaitForMenu();
        if (!menu) return L"no menu";
        const std::wstring items = ItemsShown(menu);
        Key(VK_ESCAPE, false);
        Key(VK_ESCAPE, true);
        WaitFor([&] { return FindShownMenu(editor_.Id()) == nullptr; });
        return items;
    }
    // Chooses the command of the shown menu (of the resource menuId) with the arrow keys and Enter.
    bool Choose(UINT menuId, UINT command) {
        const int presses = DownPresses(menuId, command);
        if (!presses || !WaitForMenu() || !probe_->Handled()) return false;
        for (int i = 0; i < presses; ++i) {
            Key(VK_DOWN, false);
            Key(VK_DOWN, true);
        }
        Key(VK_RETURN, false);
        Key(VK_RETURN, true);
        return WaitFor([&] { return FindShownMenu(editor_.Id()) == nullptr; });
    }
    // Creates an element through the background menu opened at the point.
    bool Create(UINT backgroundMenu, UINT command, POINT p) {
        RightClickAt(p);
        return Choose(backgroundMenu, command);
    }

    TempFolder folder_{L"QuorvelRightClick"};
    std::wstring file_;
    Process editor_;
    HWND frame_ = nullptr, pane_ = nullptr;
    std::unique_ptr<MenuProbeClient> probe_;
};

// A creation command of a background menu and the menu of the element it makes.
struct Creation {
    UINT command;
    UINT elementMenu;
};

struct Kind {
    int type;
    UINT background;
    std::vector<Creation> creations;
};

void PrintTo(const Kind& kind, std::ostream* out) { *out << "diagram type " << kind.type; }

class RightClickMenus : public RightClick, public ::testing::WithParamInterface<Kind> {};

TEST_P(RightClickMenus, TheBackgroundMenuCreatesEachElementAndEachShowsItsOwnMenu) {
    const Kind& kind = GetParam();
    ASSERT_NO_FATAL_FAILURE(Open(kind.type));
    EXPECT_EQ(MenuAt(Far()), ExpectedItems(kind.background)) << "the background's menu";

    // Each element at its own place, far enough apart for a system (5 x 7 cm).
    for (size_t i = 0; i < kind.creations.size(); ++i) {
        const Creation& c = kind.creations[i];
        const POINT place = At(30 + 215 * static_cast<int>(i), 40);
        ASSERT_TRUE(Create(kind.background, c.command, place)) << "creating " << c.command;
        EXPECT_EQ(MenuAt({place.x + 6, place.y + 6}), ExpectedItems(c.elementMenu)) << "the menu of " << c.command;
    }
    // The background still shows its own menu, with an element selected or not.
    EXPECT_EQ(MenuAt(Far()), ExpectedItems(kind.background));
}

std::string KindName(const ::testing::TestParamInfo<Kind>& info) {
    const char* names[] = {"Class", "Object", "UseCase", "Sequence", "State"};
    return names[info.param.type - 1];
}

const Creation kNote{ID_NEW_NOTE, IDR_MENU_NOTE};
const Creation kFreeText{ID_NEW_FREETEXT, IDR_MENU_ELEMENT};

INSTANTIATE_TEST_SUITE_P(
    EveryDiagramKind, RightClickMenus,
    ::testing::Values(
        Kind{1, IDR_MENU_CLASSDIAGRAM, {{ID_NEW_CLASS, IDR_MENU_CLASS}, {ID_NEW_PACKAGE, IDR_MENU_PACKAGE}, kNote, kFreeText}},
        Kind{2, IDR_MENU_OBJECTDIAGRAM, {{ID_NEW_OBJECT, IDR_MENU_OBJECT}, kNote, kFreeText}},
        Kind{3, IDR_MENU_USECASEDIAGRAM,
             {{ID_NEW_USECASE, IDR_MENU_USECASE}, {ID_NEW_ACTOR, IDR_MENU_ACTOR}, {ID_NEW_SYSTEM, IDR_MENU_SYSTEM}, kNote,
              kFreeText}},
        Kind{4, IDR_MENU_SEQUENCEDIAGRAM, {{ID_NEW_SEQOBJECT, IDR_MENU_SEQOBJECT}, kNote, kFreeText}},
        Kind{5, IDR_MENU_STATEDIAGRAM,
             {{ID_NEW_STATE, IDR_MENU_STATE}, {ID_NEW_INITIALSTATE, IDR_MENU_INITIALSTATE},
              {ID_NEW_FINALSTATE, IDR_MENU_ELEMENT}, kNote, kFreeText}}),
    KindName);

TEST_F(RightClick, ARightDragOffersMoveAndCopyHere) {
    ASSERT_NO_FATAL_FAILURE(Open(1));
    const POINT a = At(60, 60), b = At(400, 60), c = At(400, 330);
    ASSERT_TRUE(Create(IDR_MENU_CLASSDIAGRAM, ID_NEW_CLASS, a));
    const std::wstring classMenu = ExpectedItems(IDR_MENU_CLASS);
    const std::wstring background = ExpectedItems(IDR_MENU_CLASSDIAGRAM);
    // Drags start inside the class, away from the handles at its corners (a handle would start a
    // resize); its menu is asked for near the corner, so that no two clicks in a row make a double click.
    auto In = [](POINT corner) { return POINT{corner.x + 24, corner.y + 16}; };
    auto Near = [](POINT corner) { return POINT{corner.x + 6, corner.y + 6}; };
    ASSERT_EQ(MenuAt(b), background);

    // Copied: the class is at both places.
    RightDrag(In(a), In(b));
    HWND drop = WaitForMenu();
    ASSERT_NE(drop, nullptr) << "no menu at the end of the drag";
    EXPECT_EQ(ItemsShown(drop), ExpectedItems(IDR_MENU_DROP));
    ASSERT_TRUE(Choose(IDR_MENU_DROP, ID_DROP_COPYHERE));
    EXPECT_EQ(MenuAt(Near(a)), classMenu);
    EXPECT_EQ(MenuAt(Near(b)), classMenu);

    // Moved: the copy leaves its place.
    RightDrag(In(b), In(c));
    drop = WaitForMenu();
    ASSERT_NE(drop, nullptr) << "no menu at the end of the second drag";
    ASSERT_EQ(ItemsShown(drop), ExpectedItems(IDR_MENU_DROP));
    ASSERT_TRUE(Choose(IDR_MENU_DROP, ID_DROP_MOVEHERE));
    EXPECT_EQ(MenuAt(Near(c)), classMenu);
    EXPECT_EQ(MenuAt(Near(b)), background);
    EXPECT_EQ(MenuAt(Near(a)), classMenu);
}

TEST_F(RightClick, CtrlWithARightClickRunsTheRememberedItemWithoutTheMenu) {
    ASSERT_NO_FATAL_FAILURE(Open(1));
    const POINT first = At(60, 60), second = At(400, 60);
    // Chosen once from the menu, "New Pac&kage" becomes the menu's remembered item.
    ASSERT_TRUE(Create(IDR_MENU_CLASSDIAGRAM, ID_NEW_PACKAGE, first));
    RightClickAt(second, true);
    // The input is handled in order: the package is there before the next click is seen.
    EXPECT_EQ(MenuAt({second.x + 6, second.y + 6}), ExpectedItems(IDR_MENU_PACKAGE))
        << "no package where Ctrl was held with the right click";
}

} // namespace
