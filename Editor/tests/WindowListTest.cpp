// The numbered window list at the end of every Window menu: nine windows by caption, "&More
// Windows..." beyond them with its dialog, the mark of the window itself, activation and restoring,
// and the re-sorting after a rename or a close.
#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/WindowList.h"
#include "Editor/tests/FactoryFixture.h"
#include "resources/resource.h"

#include <thread>

namespace {

using EditorTest::TextOf;
using EditorTest::WaitFor;

struct WindowListFixture : EditorTest::FactoryFixture {
    std::vector<Editor::WindowImp*> windows;

    void Open(int count) {
        for (int i = 0; i < count; ++i) {
            Editor::Diagram* d = factory->NewDiagram(SW_SHOWNOACTIVATE);
            ASSERT_NE(d, nullptr);
            windows.push_back(&dynamic_cast<Editor::WindowImp&>(*d->GetWindow(0)));
        }
    }
    static HMENU WindowMenu(Editor::WindowImp& w) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_SUBMENU;
        GetMenuItemInfoW(GetMenu(w.GetHwnd()), IDM_WINDOWMENU, FALSE, &info);
        return info.hSubMenu;
    }
    // The items after the menu's last separator, as the user sees them when it opens.
    static std::vector<std::wstring> Listed(Editor::WindowImp& w, std::vector<bool>* checks = nullptr) {
        HMENU menu = WindowMenu(w);
        SendMessageW(w.GetHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(4, FALSE));
        std::vector<std::wstring> items;
        for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i) {
            if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) break;
            wchar_t text[256] = L"";
            GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
            items.insert(items.begin(), text);
            if (checks) checks->insert(checks->begin(), (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) != 0);
        }
        return items;
    }
    static void Command(Editor::WindowImp& w, UINT id) { SendMessageW(w.GetHwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // Whether the window is in front of every other window of the test.
    bool InFront(Editor::WindowImp& chosen) const {
        for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT))
            for (Editor::WindowImp* w : windows)
                if (w->GetHwnd() == h) return h == chosen.GetHwnd();
        return false;
    }
    // Whether the window takes the keyboard: the active and the foreground window. Read at once
    // after the choice: the window manager, answering late on a loaded machine, may hand the
    // focus and the front to the window it had focused before a while later (a window it
    // minimised or restored makes it think again), which no program of the display can prevent.
    static bool TakesKeys(Editor::WindowImp& chosen) {
        return GetActiveWindow() == chosen.GetHwnd() && GetForegroundWindow() == chosen.GetHwnd();
    }
    // Whether the window is in front at once after the choice, or comes there once the window
    // manager's restacking has come in.
    bool ComesInFront(Editor::WindowImp& chosen) const {
        return InFront(chosen) || PumpUntil([&] { return InFront(chosen); });
    }
    // Polls cond while this thread's windows take their messages: the window manager's answers to
    // a raise or an activation come in as messages, now and then a while later.
    template <class F>
    static bool PumpUntil(F cond) {
        return WaitFor([&] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            return cond();
        });
    }
    // Which of the test's windows is in front and which is the foreground window, for failure messages.
    std::string Fronts() const {
        auto index = [&](HWND h) {
            for (size_t i = 0; i < windows.size(); ++i)
                if (windows[i]->GetHwnd() == h) return std::to_string(i);
            return std::string(h ? "another" : "none");
        };
        HWND top = nullptr;
        for (HWND h = GetTopWindow(nullptr); h && top == nullptr; h = GetWindow(h, GW_HWNDNEXT))
            if (index(h) != "another") top = h;
        return "in front: " + index(top) + ", foreground: " + index(GetForegroundWindow());
    }
    std::vector<std::wstring> SortedCaptions() const {
        std::vector<std::wstring> captions;
        for (Editor::WindowImp* w : windows) captions.push_back(w->GetListCaption());
        std::sort(captions.begin(), captions.end(), Editor::CaptionLess);
        return captions;
    }
};

TEST(WindowListOrder, CaptionsSortByCodeUnitsWithPrefixesFirst) {
    EXPECT_TRUE(Editor::CaptionLess(L"Diagram1", L"Diagram10"));
    EXPECT_TRUE(Editor::CaptionLess(L"Diagram10", L"Diagram2"));
    EXPECT_TRUE(Editor::CaptionLess(L"Z", L"a")) << "ordinal, not by case";
    EXPECT_TRUE(Editor::CaptionLess(L"a", L"\u00e4"));
    EXPECT_FALSE(Editor::CaptionLess(L"same", L"same"));
}

TEST_F(WindowListFixture, TenWindowsListNineAndMoreAndTheWindowItselfIsChecked) {
    Open(10);
    const std::vector<std::wstring> sorted = SortedCaptions();
    for (Editor::WindowImp* w : windows) {
        std::vector<bool> checks;
        const std::vector<std::wstring> items = Listed(*w, &checks);
        ASSERT_EQ(items.size(), 10u);
        for (size_t i = 0; i < 9; ++i) {
            EXPECT_EQ(items[i], L"&" + std::to_wstring(i + 1) + L" " + sorted[i]);
            EXPECT_EQ(checks[i], sorted[i] == w->GetListCaption()) << i;
        }
        EXPECT_EQ(items[9], L"&More Windows...");
    }
    // One fewer: the tenth in caption order moves into the list and "More" goes.
    SendMessageW(windows[0]->GetHwnd(), WM_CLOSE, 0, 0);
    windows.erase(windows.begin());
    const std::vector<std::wstring> after = SortedCaptions();
    const std::vector<std::wstring> items = Listed(*windows[3]);
    ASSERT_EQ(items.size(), 9u);
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(items[i], L"&" + std::to_wstring(i + 1) + L" " + after[i]);
}

TEST_F(WindowListFixture, ARenamedDocumentMovesInEveryList) {
    Open(3);
    const std::wstring path = folder.AddFile(L"Alpha.qvd");
    Editor::Diagram& renamed = windows[2]->GetDiagram();
    renamed.SaveAs(path);
    ASSERT_EQ(SortedCaptions().front(), windows[2]->GetListCaption());
    for (Editor::WindowImp* w : windows) EXPECT_EQ(Listed(*w).front(), L"&1 " + windows[2]->GetListCaption());
}

TEST_F(WindowListFixture, ChoosingAWindowActivatesOrRestoresIt) {
    Open(3);
    const std::vector<std::wstring> sorted = SortedCaptions();
    auto positionOf = [&](Editor::WindowImp* w) {
        return static_cast<UINT>(std::find(sorted.begin(), sorted.end(), w->GetListCaption()) - sorted.begin());
    };
    // The window manager takes new windows in hand a while later on a loaded machine, which moves
    // the focus: the choice is made after that.
    for (Editor::WindowImp* w : windows)
        ASSERT_TRUE(PumpUntil([&] { return EditorTest::ManagedByWindowManager(w->GetHwnd()); }));
    Listed(*windows[0]);
    Command(*windows[0], ID_WINDOW_FIRST + positionOf(windows[1]));
    EXPECT_TRUE(TakesKeys(*windows[1])) << Fronts();
    EXPECT_TRUE(ComesInFront(*windows[1])) << Fronts();

    ShowWindow(windows[2]->GetHwnd(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(windows[2]->GetHwnd()));
    // Having minimised it, the window manager hands the focus to another window: restored before
    // that, the window would lose the front to that late change.
    ASSERT_TRUE(PumpUntil([&] { return EditorTest::WindowManagerState(windows[2]->GetHwnd(), "_NET_WM_STATE_HIDDEN"); }));
    Command(*windows[1], ID_WINDOW_FIRST + positionOf(windows[2]));
    EXPECT_FALSE(IsIconic(windows[2]->GetHwnd()));
    EXPECT_TRUE(TakesKeys(*windows[2])) << Fronts();
    EXPECT_TRUE(ComesInFront(*windows[2])) << Fronts();
}

TEST_F(WindowListFixture, TheMoreWindowsDialogListsAllAndADoubleClickSwitches) {
    Open(11);
    const std::vector<std::wstring> sorted = SortedCaptions();
    Editor::WindowImp* caller = windows[4];
    Editor::WindowImp* last = nullptr;
    for (Editor::WindowImp* w : windows)
        if (w->GetListCaption() == sorted.back()) last = w;
    ASSERT_NE(last, nullptr);
    const int callerPosition =
        static_cast<int>(std::find(sorted.begin(), sorted.end(), caller->GetListCaption()) - sorted.begin());

    std::wstring title;
    LRESULT count = 0, selected = -1;
    std::wstring lastLine;
    std::thread driver([&] {
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = FindWindowW(L"#32770", L"Select Window")) && IsWindowVisible(dialog); }))
            return;
        title = TextOf(dialog);
        HWND list = GetDlgItem(dialog, IDC_WINDOW_LIST);
        count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
        wchar_t text[256] = L"";
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(text));
        lastLine = text;
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_WINDOW_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_WINDOW_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    });
    Listed(*caller);
    Command(*caller, ID_WINDOW_MORE);
    driver.join();
    EXPECT_EQ(title, L"Select Window");
    EXPECT_EQ(count, 11);
    EXPECT_EQ(selected, callerPosition) << "the calling window is selected";
    EXPECT_EQ(lastLine, sorted.back());
    EXPECT_TRUE(TakesKeys(*last)) << "the window past the ninth is reached through the dialog; " << Fronts();
    EXPECT_TRUE(ComesInFront(*last)) << Fronts();
}

} // namespace
