// Document windows in-process: captions follow the document, windows are numbered, commands reach
// their handlers through WM_COMMAND with their states kept, the split bar makes and removes the
// lower pane, and Close All closes nothing when one question is cancelled.
#include "Editor/AllWindows.h"
#include "Editor/DocumentWindow.h"
#include "Editor/tests/FactoryFixture.h"
#include "app/FileTitle.h"
#include "page/Page.h"
#include "resources/resource.h"
#include "view/DiagramType.h"

namespace {

using EditorTest::FactoryFixture;
using EditorTest::TextOf;
using Answer = Editor::Diagram::SaveAnswer;

// The shell's title of the untitled name (with or without its extension, as the shell is set).
std::wstring Untitled(int n) { return Application::GetFileTitle(L"Diagram" + std::to_wstring(n) + L".qvd"); }

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct Windows : FactoryFixture {
    static Editor::WindowImp& WindowOf(Editor::Diagram& d, int i = 0) {
        return dynamic_cast<Editor::WindowImp&>(*d.GetWindow(i));
    }
    static void Command(Editor::WindowImp& w, UINT id) { SendMessageW(w.GetHwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    static bool Enabled(Editor::WindowImp& w, UINT id) {
        return !(GetMenuState(GetMenu(w.GetHwnd()), id, MF_BYCOMMAND) & MF_GRAYED);
    }
};

TEST_F(Windows, CaptionShowsNameNumberMarksAndDiagramType) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    Editor::WindowImp& first = WindowOf(*doc);
    EXPECT_EQ(TextOf(first.GetHwnd()), Untitled(1) + L" - Quorvel - Class Diagram");

    Command(first, ID_WINDOW_NEW);
    ASSERT_EQ(doc->GetWindowCount(), 2);
    Editor::WindowImp& second = WindowOf(*doc, 1);
    EXPECT_EQ(TextOf(first.GetHwnd()), Untitled(1) + L":1 - Quorvel - Class Diagram");
    EXPECT_EQ(TextOf(second.GetHwnd()), Untitled(1) + L":2 - Quorvel - Class Diagram");
    EXPECT_EQ(second.GetCanvas().GetZoom(), first.GetCanvas().GetZoom());
    // A new diagram has its page, which every pane's canvas shows.
    const Page::Page* page = Page::FindPage(doc->GetModel());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(second.GetCanvas().GetPageLayout(), page->GetLayout());

    Modify(*doc);
    EXPECT_EQ(TextOf(second.GetHwnd()), Untitled(1) + L":2 * - Quorvel - Class Diagram");
    SendMessageW(second.GetHwnd(), WM_CLOSE, 0, 0);
    ASSERT_EQ(doc->GetWindowCount(), 1);
    EXPECT_EQ(TextOf(first.GetHwnd()), Untitled(1) + L" * - Quorvel - Class Diagram") << "the only window has no number";
}

TEST_F(Windows, UndoAndRedoCommandsFollowTheHistory) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    Editor::WindowImp& w = WindowOf(*doc);
    w.SetActiveView(w.GetFirstView());
    EXPECT_FALSE(Enabled(w, ID_EDIT_UNDO));
    EXPECT_FALSE(Enabled(w, ID_EDIT_REDO));
    EXPECT_TRUE(Enabled(w, ID_FILE_SAVE)) << "a new document can be saved before any change";

    Command(w, ID_DIAGRAM_STATE);
    EXPECT_EQ(View::DiagramType::GetTypeOf(doc->GetModel()), View::DiagramTypeValue::State);
    EXPECT_TRUE(EndsWith(TextOf(w.GetHwnd()), L" * - Quorvel - State Diagram")) << TextOf(w.GetHwnd()).c_str();
    EXPECT_TRUE(Enabled(w, ID_EDIT_UNDO));

    Command(w, ID_EDIT_UNDO);
    EXPECT_EQ(View::DiagramType::GetTypeOf(doc->GetModel()), View::DiagramTypeValue::Class);
    EXPECT_EQ(TextOf(w.GetHwnd()), Untitled(1) + L" - Quorvel - Class Diagram");
    EXPECT_FALSE(Enabled(w, ID_EDIT_UNDO));
    EXPECT_TRUE(Enabled(w, ID_EDIT_REDO));

    Command(w, ID_EDIT_REDO);
    EXPECT_EQ(View::DiagramType::GetTypeOf(doc->GetModel()), View::DiagramTypeValue::State);
    EXPECT_FALSE(Enabled(w, ID_EDIT_REDO));
}

TEST_F(Windows, SavedDocumentDisablesSaveUntilTheNextChange) {
    const std::wstring path = folder.AddFile(L"saved.qvd");
    Editor::Diagram* doc = factory->Open(path, false, SW_HIDE);
    ASSERT_NE(doc, nullptr);
    Editor::WindowImp& w = WindowOf(*doc);
    EXPECT_FALSE(Enabled(w, ID_FILE_SAVE));
    Modify(*doc);
    EXPECT_TRUE(Enabled(w, ID_FILE_SAVE));
    Command(w, ID_FILE_SAVE);
    EXPECT_FALSE(doc->GetStorage().IsDirty());
    EXPECT_FALSE(Enabled(w, ID_FILE_SAVE));
    EXPECT_EQ(TextOf(w.GetHwnd()).find(L'*'), std::wstring::npos);
}

TEST_F(Windows, TheSplitBarMakesAndRemovesTheLowerPane) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    Editor::WindowImp& w = WindowOf(*doc);
    SetWindowPos(w.GetHwnd(), nullptr, 0, 0, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(w.GetHwnd(), &client);
    Editor::SplitBar& bar = w.GetSplitBar();

    bar.BeginTracking(client.bottom / 2, false);
    bar.EndTracking(false);
    ASSERT_TRUE(bar.IsSplit());
    ASSERT_NE(w.GetSecondView(), nullptr);
    RECT upper{}, lower{};
    GetWindowRect(w.GetFirstView()->GetHwnd(), &upper);
    GetWindowRect(w.GetSecondView()->GetHwnd(), &lower);
    EXPECT_LT(upper.bottom, lower.top);
    EXPECT_EQ(w.GetSecondView()->GetCanvas().GetZoom(), w.GetFirstView()->GetCanvas().GetZoom());

    // The pane that gets the focus becomes active; zooming it (Ctrl+Up) zooms the other.
    SetFocus(w.GetSecondView()->GetHwnd());
    EXPECT_EQ(w.GetActiveView(), w.GetSecondView());
    const double zoom = w.GetFirstView()->GetCanvas().GetZoom();
    Command(w, ID_ZOOM_IN);
    EXPECT_GT(w.GetSecondView()->GetCanvas().GetZoom(), zoom);
    EXPECT_DOUBLE_EQ(w.GetFirstView()->GetCanvas().GetZoom(), w.GetSecondView()->GetCanvas().GetZoom());

    // Dragged within two scroll-bar heights of the bottom, the split goes.
    bar.BeginTracking(client.bottom - 2, false);
    bar.EndTracking(false);
    EXPECT_FALSE(bar.IsSplit());
    EXPECT_EQ(w.GetSecondView(), nullptr);
    EXPECT_EQ(w.GetActiveView(), w.GetFirstView());

    // A window shrunk below room for two panes loses its split.
    bar.BeginTracking(client.bottom / 2, false);
    bar.EndTracking(false);
    ASSERT_TRUE(bar.IsSplit());
    SetWindowPos(w.GetHwnd(), nullptr, 0, 0, 500, GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU) + 30,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_FALSE(bar.IsSplit());
    EXPECT_EQ(w.GetSecondView(), nullptr);
}

TEST_F(Windows, CloseAllClosesNothingWhenTheSecondQuestionIsCancelled) {
    Editor::Diagram* one = factory->NewDiagram(SW_HIDE);
    Editor::Diagram* two = factory->NewDiagram(SW_HIDE);
    ASSERT_TRUE(one && two);
    Modify(*one);
    Modify(*two);
    std::vector<std::wstring> asked;
    Editor::Diagram::SetSaveQuestion([&](const std::wstring& name) {
        asked.push_back(name);
        return asked.size() == 1 ? Answer::No : Answer::Cancel;
    });
    Command(WindowOf(*one), ID_WINDOW_CLOSEALL);
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"Diagram1.qvd", L"Diagram2.qvd"}));
    EXPECT_FALSE(one->GetNode().IsEnded());
    EXPECT_FALSE(two->GetNode().IsEnded());

    Editor::Diagram::SetSaveQuestion([](const std::wstring&) { return Answer::No; });
    Command(WindowOf(*two), ID_WINDOW_CLOSEALL);
    EXPECT_TRUE(one->GetNode().IsEnded());
    EXPECT_TRUE(two->GetNode().IsEnded());
}

TEST_F(Windows, AnEmbeddedDocumentsFileMenuNamesItsContainer) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    Editor::WindowImp& w = WindowOf(*doc);
    doc->GetStorage().SetEmbedded(true);
    doc->SetName(L"C:\\Reports\\Quarter.doc");
    HMENU menu = GetMenu(w.GetHwnd());
    auto text = [&](UINT id) {
        wchar_t buffer[128] = L"";
        GetMenuStringW(menu, id, buffer, 128, MF_BYCOMMAND);
        return std::wstring(buffer);
    };
    EXPECT_EQ(text(ID_FILE_SAVE), L"&Update\tCtrl+S");
    EXPECT_EQ(text(ID_FILE_SAVEAS), L"Save Copy &As...");
    EXPECT_EQ(text(ID_FILE_CLOSE), L"&Close && Return To Quarter.doc");
    EXPECT_EQ(TextOf(w.GetHwnd()).rfind(L"Diagram in Quarter", 0), 0u);
}

TEST_F(Windows, ArrangingLeavesMinimisedWindowsAndKeepsTheZOrder) {
    Editor::Diagram* a = factory->NewDiagram(SW_SHOWNOACTIVATE);
    Editor::Diagram* b = factory->NewDiagram(SW_SHOWNOACTIVATE);
    Editor::Diagram* c = factory->NewDiagram(SW_SHOWNOACTIVATE);
    ASSERT_TRUE(a && b && c);
    HWND wa = WindowOf(*a).GetHwnd(), wb = WindowOf(*b).GetHwnd(), wc = WindowOf(*c).GetHwnd();
    ShowWindow(wb, SW_SHOWMINNOACTIVE);
    SetWindowPos(wa, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(wc, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(Editor::CollectArrangeableWindows(*factory), (std::vector<HWND>{wc, wa}));

    RECT before{};
    GetWindowRect(wb, &before);
    Command(WindowOf(*a), ID_WINDOW_TILEVERT);
    EXPECT_TRUE(IsIconic(wb));
    RECT after{};
    GetWindowRect(wb, &after);
    EXPECT_TRUE(EqualRect(&before, &after)) << "the minimised window stays where it is";
    RECT ra{}, rc{};
    GetWindowRect(wa, &ra);
    GetWindowRect(wc, &rc);
    EXPECT_FALSE(EqualRect(&ra, &rc)) << "the others are tiled side by side";
    EXPECT_EQ(Editor::CollectArrangeableWindows(*factory), (std::vector<HWND>{wc, wa})) << "in their z-order";
}

TEST(ArrangedPlaces, ACascadeStepsFromTheTopLeftAndStartsAgainBeforeItLeavesTheWorkArea) {
    const RECT work{100, 50, 1300, 950};
    const std::vector<RECT> three = Editor::ArrangedPlaces(ID_WINDOW_CASCADE, work, 3, 30);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[2].left, 100) << "the window at the back at the top-left";
    EXPECT_EQ(three[2].top, 50);
    EXPECT_EQ(three[0].left, 160) << "the front window deepest";
    EXPECT_EQ(three[0].top, 110);
    for (const RECT& r : three) {
        EXPECT_EQ(r.right - r.left, three[2].right - three[2].left);
        EXPECT_LE(r.bottom, work.bottom);
        EXPECT_LE(r.right, work.right);
    }
    // Forty windows: the cascade goes as deep as a third of the work area, then starts again.
    const std::vector<RECT> many = Editor::ArrangedPlaces(ID_WINDOW_CASCADE, work, 40, 30);
    ASSERT_EQ(many.size(), 40u);
    int atTopLeft = 0;
    for (const RECT& r : many) {
        EXPECT_LE(r.right, work.right);
        EXPECT_LE(r.bottom, work.bottom);
        EXPECT_GE(r.bottom - r.top, (work.bottom - work.top) * 2 / 3 - 30);
        atTopLeft += r.left == work.left && r.top == work.top;
    }
    EXPECT_GT(atTopLeft, 1);
}

TEST(ArrangedPlaces, TilesFillTheWorkAreaColumnByColumn) {
    const RECT work{0, 20, 1200, 920};
    const std::vector<RECT> across = Editor::ArrangedPlaces(ID_WINDOW_TILEVERT, work, 3, 30);
    ASSERT_EQ(across.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(across[size_t(i)].left, 400 * i) << "side by side";
        EXPECT_EQ(across[size_t(i)].right, 400 * (i + 1));
        EXPECT_EQ(across[size_t(i)].top, 20);
        EXPECT_EQ(across[size_t(i)].bottom, 920);
    }
    const std::vector<RECT> down = Editor::ArrangedPlaces(ID_WINDOW_TILEHORZ, work, 3, 30);
    ASSERT_EQ(down.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(down[size_t(i)].top, 20 + 300 * i) << "one above another";
        EXPECT_EQ(down[size_t(i)].left, 0);
        EXPECT_EQ(down[size_t(i)].right, 1200);
    }
    // Five windows: two columns, the last takes the three left over.
    const std::vector<RECT> five = Editor::ArrangedPlaces(ID_WINDOW_TILEVERT, work, 5, 30);
    ASSERT_EQ(five.size(), 5u);
    long area = 0;
    for (const RECT& r : five) area += (r.right - r.left) * (r.bottom - r.top);
    EXPECT_EQ(area, 1200L * 900L) << "the tiles cover the work area";
    EXPECT_EQ(five[1].top, five[0].bottom);
    EXPECT_EQ(five[2].left, five[0].right);
    EXPECT_EQ(five[4].bottom, 920);
    EXPECT_TRUE(Editor::ArrangedPlaces(ID_WINDOW_TILEHORZ, work, 0, 30).empty());
}

TEST_F(Windows, KeyboardSplittingMovesByArrowsAndEscapePutsThePointerBack) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    Editor::WindowImp& w = WindowOf(*doc);
    SetWindowPos(w.GetHwnd(), nullptr, 0, 0, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    Editor::SplitBar& bar = w.GetSplitBar();
    auto key = [&](UINT vk) { SendMessageW(bar.GetHwnd(), WM_KEYDOWN, vk, 1); };
    auto cursor = [] {
        POINT p{};
        GetCursorPos(&p);
        return p;
    };

    SetCursorPos(5, 7);
    Command(w, ID_WINDOW_SPLIT);
    ASSERT_TRUE(bar.IsTracking());
    const POINT middle = cursor();
    EXPECT_NE(middle.y, 7) << "the pointer goes to the middle of the window";
    key(VK_ESCAPE);
    EXPECT_FALSE(bar.IsTracking());
    EXPECT_FALSE(bar.IsSplit());
    EXPECT_EQ(cursor().x, 5);
    EXPECT_EQ(cursor().y, 7);

    Command(w, ID_WINDOW_SPLIT);
    key(VK_DOWN);
    EXPECT_EQ(cursor().y, middle.y + GetSystemMetrics(SM_CYHSCROLL));
    key(VK_RETURN);
    EXPECT_TRUE(bar.IsSplit());
    ASSERT_NE(w.GetSecondView(), nullptr);

    // Back, Delete: the split goes.
    Command(w, ID_WINDOW_SPLIT);
    key(VK_DELETE);
    EXPECT_FALSE(bar.IsSplit());
    EXPECT_EQ(w.GetSecondView(), nullptr);
}

TEST_F(Windows, SplitPanesScrollTogetherAcrossButEachDownwardsOnItsOwn) {
    Editor::Diagram* doc = factory->NewDiagram(SW_HIDE);
    ASSERT_NE(doc, nullptr);
    Editor::WindowImp& w = WindowOf(*doc);
    SetWindowPos(w.GetHwnd(), nullptr, 0, 0, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(w.GetHwnd(), &client);
    w.GetSplitBar().BeginTracking(client.bottom / 2, false);
    w.GetSplitBar().EndTracking(false);
    ASSERT_NE(w.GetSecondView(), nullptr);
    ICanvas::IScreenCanvas& upper = w.GetFirstView()->GetCanvas();
    ICanvas::IScreenCanvas& lower = w.GetSecondView()->GetCanvas();
    const zq::float8Point upperBefore = upper.ClientToLogical({0, 0});

    zq::Point pos;
    lower.GetScrollPos(pos);
    lower.SetScrollPos({pos.x + 120, pos.y});
    EXPECT_NEAR(upper.ClientToLogical({0, 0}).x, lower.ClientToLogical({0, 0}).x, 1.0);
    EXPECT_NE(upper.ClientToLogical({0, 0}).x, upperBefore.x);
    EXPECT_EQ(upper.ClientToLogical({0, 0}).y, upperBefore.y);

    lower.GetScrollPos(pos);
    lower.SetScrollPos({pos.x, pos.y + 90});
    EXPECT_EQ(upper.ClientToLogical({0, 0}).y, upperBefore.y) << "vertical scrolling stays in its pane";
}

} // namespace
