// The element styles of a window: the "&Styles" menu lists them with the selection's style checked
// and applies the chosen one as one undo step; the "Element Styles" dialog renames (refusing taken,
// reserved and empty names), creates, deletes, colours and assigns them, OK as one undo step and
// Cancel undoing everything; the chosen fill shows on screen and in the saved file.
#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/ElementStyles.h"
#include "Editor/tests/FactoryFixture.h"
#include "Editor/tests/StyledTestBox.h"
#include "resources/resource.h"

#include <cstdio>
#include <functional>
#include <thread>

namespace {

using EditorTest::StyledBox;
using EditorTest::TextOf;
using EditorTest::WaitFor;

struct ElementStylesFixture : EditorTest::FactoryFixture {
    Editor::Diagram* doc = nullptr;
    Editor::WindowImp* w = nullptr;

    void SetUp() override {
        doc = factory->NewDiagram(SW_SHOWNORMAL);
        ASSERT_NE(doc, nullptr);
        w = &dynamic_cast<Editor::WindowImp&>(*doc->GetWindow(0));
        w->SetActiveView(w->GetFirstView());
    }
    Core::Diagram& Model() { return doc->GetModel(); }
    size_t UndoCount() { return Model().GetUndoHandler().GetUndoCount(); }
    template <class F>
    void Change(F&& f) {
        Core::Transaction t(Model());
        Core::Env env(t);
        f(env);
        Model().GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        Model().UpdateAllViews();
    }
    // Adds element styles of the names, with the colour when given.
    void AddStyles(const std::vector<std::wstring>& names, const zq::Color* color = nullptr) {
        Change([&](Core::Env& env) {
            Style::Style& style = Style::Style::FindOrCreate(env);
            for (const std::wstring& name : names) {
                Style::ElementStyle& added = Style::ElementStyle::Create(env, style, name);
                style.AddElementStyle(env, added);
                if (color) added.SetFillColor(env, color);
            }
        });
    }
    StyledBox* AddBox(const zq::Point& at, const std::wstring& elementStyle = {}) {
        StyledBox* box = nullptr;
        Change([&](Core::Env& env) {
            box = &StyledBox::Create(env, at);
            if (!elementStyle.empty()) box->SetElementStyle(env, elementStyle);
        });
        return box;
    }
    void Select(const std::vector<StyledBox*>& boxes) {
        View::DiagramView& view = w->GetActiveDiagramView();
        view.ClearSelection(nullptr);
        for (StyledBox* box : boxes) box->FindViewElement(view)->GetSelectable()->SetSelected(nullptr, true);
    }
    Style::ElementStyle* Find(const std::wstring& name) {
        Style::Style* style = Style::Style::Find(Model());
        return style ? style->FindElementStyle(name) : nullptr;
    }
    // The style items of the "&Styles" menu as it opens: text and check mark.
    std::vector<std::pair<std::wstring, bool>> StylesMenu() {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_SUBMENU;
        GetMenuItemInfoW(GetMenu(w->GetHwnd()), IDM_STYLESMENU, FALSE, &info);
        SendMessageW(w->GetHwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(info.hSubMenu), MAKELPARAM(3, FALSE));
        std::vector<std::pair<std::wstring, bool>> items;
        for (UINT id = ID_STYLES_DEFAULT; id <= ID_STYLES_LAST; ++id) {
            wchar_t text[256] = L"";
            if (!GetMenuStringW(info.hSubMenu, id, text, 256, MF_BYCOMMAND)) continue;
            items.emplace_back(text, (GetMenuState(info.hSubMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0);
        }
        return items;
    }
    void Command(UINT id) { SendMessageW(w->GetHwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    // Runs the dialog while drive works it from another thread; answers what drive recorded.
    void WithDialog(const std::function<void(HWND)>& drive) {
        std::thread driver([&] {
            HWND dialog = nullptr;
            if (!WaitFor([&] { return (dialog = FindWindowW(L"#32770", L"Element Styles")) && IsWindowVisible(dialog); }))
                return;
            drive(dialog);
        });
        Command(ID_STYLES_ELEMENTSTYLES);
        driver.join();
    }
};

// Working the dialog from the driver thread.
void SendPress(HWND dialog, int id) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id))); }
void PostPress(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id))); }
void Choose(HWND dialog, int line) {
    HWND list = GetDlgItem(dialog, IDC_ESTYLE_LIST);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ESTYLE_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}
std::vector<std::wstring> Lines(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_ESTYLE_LIST);
    std::vector<std::wstring> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = L"";
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        lines.push_back(text);
    }
    return lines;
}
// Types a name and applies it; answers the text of the error box that refused it (empty: none,
// the list shows the new name).
std::wstring Rename(HWND dialog, const std::wstring& name) {
    const std::vector<std::wstring> before = Lines(dialog);
    SetDlgItemTextW(dialog, IDC_ESTYLE_NAME, name.c_str());
    PostPress(dialog, IDC_ESTYLE_APPLY);
    HWND box = nullptr;
    const bool answered = WaitFor([&] {
        box = FindWindowW(L"#32770", L"Error");
        return (box && IsWindowVisible(box)) || Lines(dialog) != before;
    });
    if (!answered || !box || !IsWindowVisible(box)) return {};
    const std::wstring text = TextOf(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitFor([&] { return !IsWindow(box); });
    return text;
}

TEST_F(ElementStylesFixture, TheMenuListsThirtyStylesChecksTheCommonOneAndAppliesAsOneStep) {
    std::vector<std::wstring> names;
    for (int i = 31; i >= 1; --i) names.push_back(L"S" + std::wstring(i < 10 ? L"0" : L"") + std::to_wstring(i));
    AddStyles(names);
    StyledBox* first = AddBox({0, 0}, L"S01");
    StyledBox* second = AddBox({3000, 0}, L"S02");
    StyledBox* plain = AddBox({6000, 0});

    Select({first, second});
    auto items = StylesMenu();
    ASSERT_EQ(items.size(), 31u) << "Default and the first thirty by name";
    EXPECT_EQ(items[0].first, L"Default");
    EXPECT_EQ(items[1].first, L"S01");
    EXPECT_EQ(items[30].first, L"S30");
    for (const auto& item : items) EXPECT_FALSE(item.second) << "two styles in the selection";
    Select({plain});
    EXPECT_TRUE(StylesMenu()[0].second) << "an element without style checks Default";
    Select({first});
    items = StylesMenu();
    EXPECT_FALSE(items[0].second);
    EXPECT_TRUE(items[1].second);

    Select({first, plain});
    StylesMenu();
    const size_t before = UndoCount();
    Command(ID_STYLES_FIRST + 4);
    EXPECT_EQ(first->GetElementStyle(), L"S05");
    EXPECT_EQ(plain->GetElementStyle(), L"S05");
    EXPECT_EQ(second->GetElementStyle(), L"S02");
    EXPECT_EQ(UndoCount(), before + 1);
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(first->GetElementStyle(), L"S01");
    EXPECT_EQ(plain->GetElementStyle(), L"");
    Command(ID_EDIT_REDO);
    StylesMenu();
    Command(ID_STYLES_DEFAULT);
    EXPECT_EQ(first->GetElementStyle(), L"");
}

TEST_F(ElementStylesFixture, RenamingRefusesTakenReservedAndEmptyNamesAndRenamesTheUsers) {
    AddStyles({L"Red", L"Blue"});
    StyledBox* box = AddBox({0, 0}, L"Red");
    const size_t before = UndoCount();
    std::vector<std::wstring> refusals, linesAfter;
    std::wstring fieldAfterRefusal;
    WithDialog([&](HWND d) {
        Choose(d, 2);  // Default, Blue (unused), Red
        for (const wchar_t* name : {L"Blue", L"Default", L""}) refusals.push_back(Rename(d, name));
        fieldAfterRefusal = TextOf(GetDlgItem(d, IDC_ESTYLE_NAME));
        refusals.push_back(Rename(d, L"Crimson"));
        linesAfter = Lines(d);
        SendPress(d, IDOK);
    });
    ASSERT_EQ(refusals.size(), 4u);
    EXPECT_EQ(refusals[0], L"Name \"Blue\" is already used. Please choose a different name.");
    EXPECT_EQ(refusals[1], L"Name \"Default\" is already used. Please choose a different name.");
    EXPECT_FALSE(refusals[2].empty()) << "an empty name is refused too";
    EXPECT_TRUE(refusals[3].empty());
    EXPECT_EQ(fieldAfterRefusal, L"Red");
    EXPECT_EQ(linesAfter, (std::vector<std::wstring>{L"Default", L"Blue (unused)", L"Crimson"}));
    EXPECT_EQ(box->GetElementStyle(), L"Crimson");
    EXPECT_EQ(Find(L"Red"), nullptr);
    EXPECT_EQ(UndoCount(), before + 1) << "the whole dialog is one step";
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(box->GetElementStyle(), L"Red");
    EXPECT_NE(Find(L"Red"), nullptr);
}

TEST_F(ElementStylesFixture, NewRefillsTheGapDeleteClearsUsersAndCancelUndoesEvenApply) {
    AddStyles({L"Style 1", L"Style 2", L"Style 3"});
    StyledBox* box = AddBox({0, 0}, L"Style 2");
    const size_t before = UndoCount();
    std::vector<std::wstring> afterDelete, afterNew;
    std::wstring newName, usedAfterDelete = L"?";
    WithDialog([&](HWND d) {
        Choose(d, 2);
        SendPress(d, IDC_ESTYLE_DELETE);
        afterDelete = Lines(d);
        usedAfterDelete = box->GetElementStyle();  // the dialog waits between the driver's steps
        SendPress(d, IDC_ESTYLE_NEW);
        afterNew = Lines(d);
        newName = TextOf(GetDlgItem(d, IDC_ESTYLE_NAME));
        SetDlgItemTextW(d, IDC_ESTYLE_RED, L"10");
        SendPress(d, IDC_ESTYLE_APPLY);
        SendPress(d, IDCANCEL);
    });
    EXPECT_EQ(afterDelete, (std::vector<std::wstring>{L"Default", L"Style 1 (unused)", L"Style 3 (unused)"}));
    EXPECT_EQ(usedAfterDelete, L"") << "the deleted style's users lose it";
    EXPECT_EQ(afterNew.back(), L"Style 2 (unused)");
    EXPECT_EQ(newName, L"Style 2");
    // Cancel: the document is as it was before the dialog opened.
    EXPECT_EQ(UndoCount(), before);
    EXPECT_EQ(box->GetElementStyle(), L"Style 2");
    ASSERT_NE(Find(L"Style 2"), nullptr);
    zq::Color color;
    EXPECT_FALSE(Find(L"Style 2")->GetFillColor(color));
    EXPECT_EQ(Editor::ElementStyles::SortedStyles(Model()).size(), 3u);
}

TEST_F(ElementStylesFixture, TheChosenFillShowsOnScreenAndInTheSavedFile) {
    AddStyles({L"Style 1"});
    StyledBox* box = AddBox({0, 0});
    Select({box});
    ICanvas::IScreenCanvas& canvas = w->GetCanvas();
    RECT client{};
    GetClientRect(w->GetFirstView()->GetHwnd(), &client);
    canvas.ScrollPointTo({1000, -750}, {client.right / 2, client.bottom / 2});
    bool assignOffered = false;
    WithDialog([&](HWND d) {
        assignOffered = IsWindowEnabled(GetDlgItem(d, IDC_ESTYLE_ASSIGN)) &&
                        IsDlgButtonChecked(d, IDC_ESTYLE_ASSIGN) == BST_CHECKED;
        Choose(d, 1);
        SetDlgItemTextW(d, IDC_ESTYLE_RED, L"0");
        SetDlgItemTextW(d, IDC_ESTYLE_GREEN, L"160");
        SetDlgItemTextW(d, IDC_ESTYLE_BLUE, L"0");
        SendPress(d, IDOK);
    });
    EXPECT_TRUE(assignOffered);
    EXPECT_EQ(box->GetElementStyle(), L"Style 1");
    zq::Color color;
    ASSERT_TRUE(Find(L"Style 1")->GetFillColor(color));
    EXPECT_EQ(color, zq::Color(0, 160, 0));

    // The pane shows the box filled.
    canvas.Update();
    UpdateWindow(w->GetFirstView()->GetHwnd());
    const zq::float8Point centre = canvas.LogicalToClient({1000, -750});
    HDC dc = GetDC(w->GetFirstView()->GetHwnd());
    const COLORREF pixel = GetPixel(dc, static_cast<int>(centre.x), static_cast<int>(centre.y));
    ReleaseDC(w->GetFirstView()->GetHwnd(), dc);
    EXPECT_EQ(pixel, RGB(0, 160, 0));

    // Undo takes the colour away from the screen too, and redo brings it back.
    auto pixelNow = [&] {
        canvas.Update();
        UpdateWindow(w->GetFirstView()->GetHwnd());
        HDC screen = GetDC(w->GetFirstView()->GetHwnd());
        const COLORREF now = GetPixel(screen, static_cast<int>(centre.x), static_cast<int>(centre.y));
        ReleaseDC(w->GetFirstView()->GetHwnd(), screen);
        return now;
    };
    SendMessageW(w->GetHwnd(), WM_COMMAND, MAKEWPARAM(ID_EDIT_UNDO, 0), 0);
    EXPECT_NE(pixelNow(), RGB(0, 160, 0));
    SendMessageW(w->GetHwnd(), WM_COMMAND, MAKEWPARAM(ID_EDIT_REDO, 0), 0);
    EXPECT_EQ(pixelNow(), RGB(0, 160, 0));

    const std::wstring path = folder.AddFile(L"styled.qvd");
    doc->SaveAs(path);
    std::string text;
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
        fclose(file);
    }
    EXPECT_NE(text.find("ElementStyle=\"Style 1\""), std::string::npos) << text;
}

} // namespace
