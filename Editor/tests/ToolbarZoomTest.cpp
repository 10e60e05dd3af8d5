// The toolbar of a document window and the zoom of its active pane: buttons with their tooltips and
// command states, the diagram-type list, the zoom box typed into and chosen from, the Zoom menu's
// radio mark, the modeless Zoom dialog, and the toolbar state handed to new windows.
#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/Toolbar.h"
#include "Editor/Zoom.h"
#include "Editor/tests/FactoryFixture.h"
#include "elements/note/Note.h"
#include "text/win/UniscribeSetup.h"
#include "app/winutil/MessageLoop.h"
#include "resources/resource.h"
#include "view/DiagramType.h"

#include <commctrl.h>

#include <cmath>

namespace {

using EditorTest::TextOf;

// The loop the toolbar watches outlives the windows of the fixture.
struct LoopFirst {
    WinUtil::MessageLoop loop;
};

struct ToolbarZoom : LoopFirst, EditorTest::FactoryFixture {
    Editor::Diagram* doc = nullptr;
    Editor::WindowImp* w = nullptr;
    Editor::Toolbar* bar = nullptr;

    void SetUp() override {
        doc = factory->NewDiagram(SW_SHOWNORMAL);
        ASSERT_NE(doc, nullptr);
        w = &dynamic_cast<Editor::WindowImp&>(*doc->GetWindow(0));
        w->ShowToolbar(true);
        bar = w->GetToolbar();
        ASSERT_NE(bar, nullptr);
        ASSERT_NE(bar->GetHwnd(), nullptr);
        SetForegroundWindow(w->GetHwnd());
        Pump();
    }
    void Pump() { loop.PumpWaiting(); }
    void Command(UINT id) { SendMessageW(w->GetHwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    bool Checked(UINT id) const { return (GetMenuState(GetMenu(w->GetHwnd()), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    double Zoom() const { return w->GetCanvas().GetZoom(); }
    std::wstring BoxText() {
        Pump();
        return TextOf(bar->GetZoomBox());
    }
    // Types text into the zoom box and presses a key there, as the message loop sees it.
    void TypeInZoomBox(const std::wstring& text, WPARAM key = VK_RETURN) {
        SetWindowTextW(bar->GetZoomEdit(), text.c_str());
        MSG msg{bar->GetZoomEdit(), WM_CHAR, key, 0, 0, {}};
        loop.ProcessMessage(msg);
    }
    // The box tells its parent (the toolbar, which hands it to the window) what the user chose.
    void Notify(HWND box, UINT code) {
        SendMessageW(bar->GetHwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), code), reinterpret_cast<LPARAM>(box));
    }
    void ChooseInBox(HWND box, const std::wstring& item) {
        const LRESULT index = SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(item.c_str()));
        ASSERT_GE(index, 0) << "no item " << std::string(item.begin(), item.end());
        SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Notify(box, CBN_SELENDOK);
    }
    std::wstring ButtonText(UINT id) {
        wchar_t text[64] = L"";
        SendMessageW(bar->GetHwnd(), TB_GETBUTTONTEXTW, id, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // Pixels of the button's picture that differ from the face around it, read from the screen.
    int InkOf(UINT id) {
        RECT r{};
        SendMessageW(bar->GetHwnd(), TB_GETRECT, id, reinterpret_cast<LPARAM>(&r));
        UpdateWindow(bar->GetHwnd());
        HDC dc = GetDC(bar->GetHwnd());
        const COLORREF face = GetPixel(dc, r.left + 1, r.top + 1);
        int ink = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) ink += GetPixel(dc, x, y) != face;
        ReleaseDC(bar->GetHwnd(), dc);
        return ink;
    }
    bool ButtonEnabled(UINT id) { return SendMessageW(bar->GetHwnd(), TB_ISBUTTONENABLED, id, 0) != 0; }
};

TEST_F(ToolbarZoom, ButtonsCarryTheirTooltipsAndFollowTheirCommands) {
    EXPECT_EQ(SendMessageW(bar->GetHwnd(), TB_BUTTONCOUNT, 0, 0), 23);
    const std::pair<UINT, const wchar_t*> tips[] = {
        {ID_FILE_NEW, L"New"},       {ID_FILE_OPEN, L"Open"},       {ID_FILE_SAVE, L"Save"},
        {ID_FILE_PAGESETUP, L"Page Setup"}, {ID_FILE_PRINT, L"Print"}, {ID_EDIT_CUT, L"Cut"},
        {ID_EDIT_COPY, L"Copy"},     {ID_EDIT_PASTE, L"Paste"},     {ID_EDIT_DELETE, L"Delete"},
        {ID_EDIT_UNDO, L"Undo"},     {ID_EDIT_REDO, L"Redo"},       {ID_ZOOM_OUT, L"Zoom out"},
        {ID_ZOOM_IN, L"Zoom in"},    {ID_STYLES_ELEMENTSTYLES, L"Element Styles"}};
    for (const auto& [id, tip] : tips) EXPECT_EQ(ButtonText(id), tip) << id;

    // The pictures show: the standard ones and the program's zoom bitmaps.
    for (UINT id : {ID_FILE_NEW, ID_EDIT_UNDO, ID_ZOOM_IN, ID_ZOOM_OUT, ID_STYLES_ELEMENTSTYLES})
        EXPECT_GT(InkOf(id), 20) << id;

    EXPECT_TRUE(ButtonEnabled(ID_FILE_NEW));
    EXPECT_TRUE(ButtonEnabled(ID_ZOOM_IN));
    EXPECT_TRUE(ButtonEnabled(ID_STYLES_ELEMENTSTYLES));
    EXPECT_FALSE(ButtonEnabled(ID_EDIT_UNDO)) << "nothing to undo yet";
    EXPECT_FALSE(ButtonEnabled(ID_EDIT_CUT)) << "no command serves it yet";
    Modify(*doc);
    EXPECT_TRUE(ButtonEnabled(ID_EDIT_UNDO));

    // The pane starts below the toolbar; hiding it gives the place back.
    const int height = w->GetToolbarHeight();
    EXPECT_GT(height, 20);
    RECT pane{};
    GetWindowRect(w->GetFirstView()->GetHwnd(), &pane);
    POINT top{pane.left, pane.top};
    ScreenToClient(w->GetHwnd(), &top);
    EXPECT_EQ(top.y, height);
    Command(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(IsWindowVisible(bar->GetHwnd()));
    EXPECT_EQ(w->GetToolbarHeight(), 0);
    EXPECT_FALSE(Checked(ID_VIEW_TOOLBAR));
    GetWindowRect(w->GetFirstView()->GetHwnd(), &pane);
    top = {pane.left, pane.top};
    ScreenToClient(w->GetHwnd(), &top);
    EXPECT_EQ(top.y, 0);
}

TEST_F(ToolbarZoom, TypedZoomIsTakenWithinItsLimitsAndTheBoxShowsTheZoom) {
    EXPECT_EQ(BoxText(), L"100%");
    TypeInZoomBox(L"250");
    EXPECT_DOUBLE_EQ(Zoom(), 2.5);
    EXPECT_EQ(BoxText(), L"250%");
    TypeInZoomBox(L"75%");
    EXPECT_DOUBLE_EQ(Zoom(), 0.75);
    EXPECT_EQ(BoxText(), L"75%");
    for (const wchar_t* refused : {L"5", L"20000", L"abc", L""}) {
        TypeInZoomBox(refused);
        EXPECT_DOUBLE_EQ(Zoom(), 0.75) << refused;
        EXPECT_EQ(BoxText(), L"75%") << "the text goes back for " << refused;
    }
    TypeInZoomBox(L"300", VK_ESCAPE);
    EXPECT_DOUBLE_EQ(Zoom(), 0.75);
    EXPECT_EQ(BoxText(), L"75%");

    // Chosen from the list; "Fit Window" shows the percent it led to.
    ChooseInBox(bar->GetZoomBox(), L"50%");
    EXPECT_DOUBLE_EQ(Zoom(), 0.5);
    EXPECT_EQ(BoxText(), L"50%");
    ChooseInBox(bar->GetZoomBox(), L"Fit Window");
    EXPECT_EQ(BoxText(), std::to_wstring(Editor::Zoom::ShownPercent(w->GetCanvas())) + L"%");
    EXPECT_NE(BoxText(), L"Fit Window");

    // The box follows zooming from elsewhere (Ctrl+Up runs Zoom In, as the zoom button does).
    w->GetCanvas().SetZoom(1.0, {0, 0});
    Command(ID_ZOOM_IN);
    EXPECT_GT(Zoom(), 1.0);
    EXPECT_EQ(BoxText(), std::to_wstring(Editor::Zoom::ShownPercent(w->GetCanvas())) + L"%");
}

TEST_F(ToolbarZoom, TheZoomMenuMarksThePresetTheCanvasShows) {
    Command(ID_ZOOM_200);
    EXPECT_DOUBLE_EQ(Zoom(), 2.0);
    EXPECT_TRUE(Checked(ID_ZOOM_200));
    EXPECT_FALSE(Checked(ID_ZOOM_CUSTOM));
    Command(ID_ZOOM_25);
    EXPECT_DOUBLE_EQ(Zoom(), 0.25);
    EXPECT_TRUE(Checked(ID_ZOOM_25));
    EXPECT_FALSE(Checked(ID_ZOOM_200));
    // 199.6 % is 200 as a whole percent: shown and marked as the preset.
    w->GetCanvas().SetZoom(1.996, {0, 0});
    EXPECT_TRUE(Checked(ID_ZOOM_200));
    EXPECT_EQ(BoxText(), L"200%");
    w->GetCanvas().SetZoom(1.234, {0, 0});
    EXPECT_TRUE(Checked(ID_ZOOM_CUSTOM));
    EXPECT_EQ(BoxText(), L"123%");

    // Only the active pane zooms (split panes follow each other, as they always do).
    Editor::Diagram* other = factory->NewDiagram(SW_HIDE);
    auto& second = dynamic_cast<Editor::WindowImp&>(*other->GetWindow(0));
    const double before = second.GetCanvas().GetZoom();
    Command(ID_ZOOM_50);
    EXPECT_DOUBLE_EQ(second.GetCanvas().GetZoom(), before);
}

TEST_F(ToolbarZoom, ParsingOfTypedPercents) {
    EXPECT_EQ(Editor::Zoom::ParseTyped(L"250"), 250);
    EXPECT_EQ(Editor::Zoom::ParseTyped(L" 80 %"), 80);
    EXPECT_EQ(Editor::Zoom::ParseTyped(L"10"), 10);
    EXPECT_EQ(Editor::Zoom::ParseTyped(L"10000"), 10000);
    EXPECT_FALSE(Editor::Zoom::ParseTyped(L"9"));
    EXPECT_FALSE(Editor::Zoom::ParseTyped(L"10001"));
    EXPECT_FALSE(Editor::Zoom::ParseTyped(L"%50"));
    EXPECT_FALSE(Editor::Zoom::ParseTyped(L"99999999999999"));
    EXPECT_EQ(Editor::Zoom::PercentOf(1.995), 200) << "half up";
    EXPECT_EQ(Editor::Zoom::PercentOf(0.754), 75);
}

TEST_F(ToolbarZoom, TheTypeListSwitchesTheDiagramTypeAndFollowsUndo) {
    HWND types = bar->GetTypeBox();
    EXPECT_EQ(SendMessageW(types, CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(TextOf(types), L"Class Diagram");
    ChooseInBox(types, L"State Diagram");
    EXPECT_EQ(View::DiagramType::GetTypeOf(doc->GetModel()), View::DiagramTypeValue::State);
    EXPECT_TRUE(Checked(ID_DIAGRAM_STATE));
    Command(ID_EDIT_UNDO);
    EXPECT_EQ(View::DiagramType::GetTypeOf(doc->GetModel()), View::DiagramTypeValue::Class);
    EXPECT_EQ(TextOf(types), L"Class Diagram");
    // A drop-down cancelled after moving its selection goes back to the type shown before.
    SendMessageW(types, CB_SETCURSEL, 3, 0);
    Notify(types, CBN_SELENDCANCEL);
    EXPECT_EQ(TextOf(types), L"Class Diagram");
    EXPECT_EQ(View::DiagramType::GetTypeOf(doc->GetModel()), View::DiagramTypeValue::Class);
}

TEST_F(ToolbarZoom, TheZoomDialogDrivesThePaneAndFollowsIt) {
    Command(ID_ZOOM_CUSTOM);
    Editor::ZoomDialog* dialog = w->GetZoomHandler().GetDialog();
    ASSERT_NE(dialog, nullptr);
    HWND d = dialog->GetHwnd();
    ASSERT_TRUE(IsWindowVisible(d));
    EXPECT_EQ(TextOf(d), L"Zoom");
    EXPECT_EQ(TextOf(GetDlgItem(d, IDC_ZOOM_PERCENT)), L"100 %");
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_ZOOM_100), BST_CHECKED);

    SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_ZOOM_200, BN_CLICKED), 0);
    EXPECT_DOUBLE_EQ(Zoom(), 2.0);
    EXPECT_EQ(BoxText(), L"200%");
    EXPECT_TRUE(Checked(ID_ZOOM_200));
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_ZOOM_200), BST_CHECKED);

    SetDlgItemTextW(d, IDC_ZOOM_PERCENT, L"330");
    EXPECT_DOUBLE_EQ(Zoom(), 3.3);
    for (int id = IDC_ZOOM_400; id <= IDC_ZOOM_25; ++id) EXPECT_EQ(IsDlgButtonChecked(d, id), BST_UNCHECKED) << id;

    // The window's own zooming shows in the open dialog.
    Command(ID_ZOOM_50);
    EXPECT_EQ(TextOf(GetDlgItem(d, IDC_ZOOM_PERCENT)), L"50 %");
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_ZOOM_50), BST_CHECKED);

    // Custom again brings the open dialog forward instead of a second one.
    Command(ID_ZOOM_CUSTOM);
    EXPECT_EQ(w->GetZoomHandler().GetDialog(), dialog);

    // Closed, it remembers where it stood.
    SetWindowPos(d, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT placed{};
    GetWindowRect(d, &placed);
    SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(w->GetZoomHandler().GetDialog(), nullptr);
    EXPECT_FALSE(IsWindow(d));
    Command(ID_ZOOM_CUSTOM);
    ASSERT_NE(w->GetZoomHandler().GetDialog(), nullptr);
    RECT again{};
    GetWindowRect(w->GetZoomHandler().GetDialog()->GetHwnd(), &again);
    EXPECT_EQ(again.left, placed.left);
    EXPECT_EQ(again.top, placed.top);
    SendMessageW(w->GetZoomHandler().GetDialog()->GetHwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(w->GetZoomHandler().GetDialog(), nullptr);
}

TEST_F(ToolbarZoom, CtrlATypedInTheZoomBoxSelectsItsTextNotTheDiagram) {
    {
        // A note, which Select All would select.
        TextBlock::InstallUniscribeMeasurer();
        Core::Transaction t(doc->GetModel());
        Core::Env env(t);
        Note::Note::Create(env, {1000, -1000});
        doc->GetModel().GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        doc->GetModel().UpdateAllViews();
    }
    factory->Receive(folder.Path(), L"QuorvelUML.exe -Embedding");  // the window's shortcuts join the loop
    // The keys go to the foreground window's thread: the window is in front (the window manager
    // may hand the focus around a while after the window showed).
    ASSERT_TRUE(EditorTest::WaitFor([&] {
        Pump();
        if (GetForegroundWindow() != w->GetHwnd()) SetForegroundWindow(w->GetHwnd());
        return GetForegroundWindow() == w->GetHwnd();
    }));
    HWND edit = bar->GetZoomEdit();
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, 0);
    INPUT keys[4] = {};
    for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[3].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = keys[2].ki.wVk = 'A';
    keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, keys, sizeof(INPUT));
    auto wholeTextSelected = [&] {
        Pump();
        DWORD from = 0, to = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        return from == 0 && to == static_cast<DWORD>(GetWindowTextLengthW(edit)) && to > 0;
    };
    EXPECT_TRUE(EditorTest::WaitFor(wholeTextSelected));
    EXPECT_EQ(w->GetActiveDiagramView().GetSelection().Size(), 0u) << "the diagram's selection stays as it was";
    // The same keys typed into the diagram select it all.
    SetFocus(w->GetActiveView()->GetHwnd());
    SendInput(4, keys, sizeof(INPUT));
    EXPECT_TRUE(EditorTest::WaitFor([&] {
        Pump();
        return w->GetActiveDiagramView().GetSelection().Size() == 1;
    }));
}

TEST_F(ToolbarZoom, TheZoomDialogDrivesThePaneItWasOpenedFor) {
    RECT client{};
    GetClientRect(w->GetHwnd(), &client);
    w->GetSplitBar().BeginTracking(client.bottom / 2, false);
    w->GetSplitBar().EndTracking(false);
    ASSERT_NE(w->GetSecondView(), nullptr);
    w->SetActiveView(w->GetFirstView());
    Command(ID_ZOOM_CUSTOM);
    ASSERT_NE(w->GetZoomHandler().GetDialog(), nullptr);
    HWND d = w->GetZoomHandler().GetDialog()->GetHwnd();

    // The other pane becomes active; the dialog still zooms the upper one about the window's
    // middle, and the lower one follows about its own.
    w->SetActiveView(w->GetSecondView());
    ICanvas::IScreenCanvas& upper = w->GetFirstView()->GetCanvas();
    ICanvas::IScreenCanvas& lower = w->GetSecondView()->GetCanvas();
    auto halfHeight = [](const Editor::ClientView& pane) {
        RECT r{};
        GetClientRect(pane.GetHwnd(), &r);
        return static_cast<int>(r.bottom / 2);
    };
    const zq::Point middle = Editor::Zoom::Middle(w->GetHwnd());
    const zq::Point lowerMiddle{middle.x, halfHeight(*w->GetSecondView())};
    ASSERT_NE(middle.y, halfHeight(*w->GetFirstView())) << "the two references must differ";
    const double upperY = upper.ClientToLogical(middle).y, lowerY = lower.ClientToLogical(lowerMiddle).y;
    SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_ZOOM_200, BN_CLICKED), 0);
    EXPECT_DOUBLE_EQ(upper.GetZoom(), 2.0);
    EXPECT_NEAR(upper.ClientToLogical(middle).y, upperY, 1.0);
    EXPECT_NEAR(lower.ClientToLogical(lowerMiddle).y, lowerY, 1.0);

    // Opened for the lower pane, it goes on with the upper one when the split goes.
    SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Command(ID_ZOOM_CUSTOM);
    ASSERT_NE(w->GetZoomHandler().GetDialog(), nullptr);
    d = w->GetZoomHandler().GetDialog()->GetHwnd();
    w->GetSplitBar().Unsplit();
    ASSERT_EQ(w->GetSecondView(), nullptr);
    SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_ZOOM_50, BN_CLICKED), 0);
    EXPECT_DOUBLE_EQ(Zoom(), 0.5);
    EXPECT_EQ(TextOf(GetDlgItem(d, IDC_ZOOM_PERCENT)), L"50 %");
    SendMessageW(d, WM_CLOSE, 0, 0);
}

TEST_F(ToolbarZoom, NewWindowsTakeTheToolbarStateOfTheirOrigin) {
    Command(ID_VIEW_TOOLBAR);
    ASSERT_FALSE(w->IsToolbarShown());
    Command(ID_WINDOW_NEW);
    ASSERT_EQ(doc->GetWindowCount(), 2);
    auto& copy = dynamic_cast<Editor::WindowImp&>(*doc->GetWindow(1));
    EXPECT_FALSE(copy.IsToolbarShown());
    EXPECT_EQ(copy.GetToolbarHeight(), 0);

    const int before = factory->GetDocumentCount();
    Command(ID_FILE_NEW);
    ASSERT_EQ(factory->GetDocumentCount(), before + 1);
    Editor::Diagram* created = nullptr;
    factory->ForEachDocument([&](Application::IDocument& d) {
        created = dynamic_cast<Editor::Diagram*>(&d);
        return true;
    });
    ASSERT_NE(created, nullptr);
    auto& fresh = dynamic_cast<Editor::WindowImp&>(*created->GetWindow(0));
    EXPECT_FALSE(fresh.IsToolbarShown());
    // The windows that close last keep the setting: leave it as the other tests expect it.
    for (Editor::WindowImp* window : {w, &copy, &fresh}) window->ShowToolbar(true);
}

} // namespace
