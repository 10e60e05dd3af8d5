// A document opened read-only in the running editor (its file marked read-only, or held for writing
// by another program), driven with real clicks, drags and keys (SendInput): dragging an element or
// its handle, a double click with typing, arrow keys, Delete, Ctrl+V and Ctrl+Z leave it as it was
// (the window shows the same pixels and no modified mark), and the menus, the toolbar and a
// segment's context menu grey every command that would change it. The menu states are read inside
// the editor by the probe hook. In process: saved under another name, the document offers those
// commands again.
#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/Toolbar.h"
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/FactoryFixture.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/probe/ProbeClient.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace EditorTest;

// A class, and a note whose connector runs level from the note's left side to a free end beside the
// class, written by hand in the stored form. Together they span x 1000 to 12000, y -1000 to -3000.
const char kOrderDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n"
    "<Style id=\"r1\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"/></Style>\n"
    "<Class id=\"r2\" Pos=\"1000 -1000\" Size=\"4000 2000\"><Text>Order</Text></Class>\n"
    "<Note id=\"r3\" Pos=\"9000 -1000\" Size=\"3000 1500\"><Text>N</Text>\n"
    "<NoteConnector id=\"r4\"><SourceEnd id=\"r5\" Pos=\"9000 -1500\"/><Segment id=\"r6\"/>"
    "<End id=\"r7\" Pos=\"6000 -1500\"/></NoteConnector>\n</Note>\n</Diagram>\n";

// The greyed state of each command of a probe answer ("<id>:<0 or 1>|...").
std::map<UINT, bool> Greyed(const std::wstring& states) {
    std::map<UINT, bool> out;
    size_t at = 0;
    while (at < states.size()) {
        const size_t colon = states.find(L':', at), bar = states.find(L'|', at);
        if (colon == std::wstring::npos || bar == std::wstring::npos || colon > bar) break;
        out[static_cast<UINT>(std::stoul(states.substr(at, colon - at)))] = states[colon + 1] == L'1';
        at = bar + 1;
    }
    return out;
}

// One stroke of a key, alone or with Ctrl.
void Stroke(WORD vk) {
    Key(vk, false);
    Key(vk, true);
}
void WithCtrl(WORD vk) {
    Key(VK_CONTROL, false);
    Stroke(vk);
    Key(VK_CONTROL, true);
}

class ReadOnlyDocument : public ::testing::Test {
protected:
    ~ReadOnlyDocument() override { SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_NORMAL); }

    // Starts the editor on the document file and finds the drawing on the screen.
    void Open() {
        ASSERT_TRUE(editor_.Start(L"\"" + EditorPath() + L"\" order.qvd", folder_.Path()));
        ASSERT_TRUE(WaitFor([&] { return (frame_ = WindowOfPath(editor_.Id(), file_)) != nullptr; }));
        SetWindowPos(frame_, HWND_TOP, 10, 10, 900, 700, SWP_SHOWWINDOW);
        ASSERT_TRUE(BringToFront(frame_)) << "the window did not become active";
        // Laid out and painted: the same dark area twice running.
        std::optional<RECT> last;
        ASSERT_TRUE(WaitFor([&] {
            const std::optional<RECT> seen = last;
            pane_ = PaneOf(frame_);
            last = pane_ ? DarkArea(pane_) : std::nullopt;
            return last && seen && EqualRect(&*seen, &*last) && last->right - last->left > 300;
        })) << "the drawing does not show";
        drawing_ = *last;
        probe_ = std::make_unique<MenuProbeClient>(frame_);
        ASSERT_TRUE(probe_->IsHooked());
        EXPECT_NE(TextOf(frame_).find(L"(read-only)"), std::wstring::npos) << TextOf(frame_).c_str();
    }

    // The screen point of a model point, from where the drawing showed.
    POINT At(int x, int y) const {
        return {drawing_.left + (x - 1000) * (drawing_.right - drawing_.left) / 11000,
                drawing_.top + (-1000 - y) * (drawing_.bottom - drawing_.top) / 2000};
    }
    void ClickAt(POINT p) {
        MoveTo(p);
        Pace();
        Button(MOUSEEVENTF_LEFTDOWN);
        Pace();
        Button(MOUSEEVENTF_LEFTUP);
        Pace();
    }
    // Drags with the left button in steps, as a hand does.
    void Drag(POINT from, POINT to) {
        DragWith(from, to, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
        Pace();
    }
    // Selects the class with a click and waits until its handles show; answers the picture then.
    std::vector<DWORD> SelectTheClass() {
        const std::vector<DWORD> before = ScreenPixels(pane_);
        ClickAt(At(2000, -2500));
        std::vector<DWORD> shown, last;
        WaitFor([&] {
            last = shown;
            shown = ScreenPixels(pane_);
            return shown != before && shown == last;
        });
        return shown;
    }
    // Opens the Edit menu from the keyboard: once it shows, the editor has handled all input given
    // before. Answers the states of the whole menu bar read then; the menu is closed again.
    std::map<UINT, bool> MenuBarAfterInput() {
        Key(VK_MENU, false);
        Stroke('E');
        Key(VK_MENU, true);
        HWND menu = nullptr;
        EXPECT_TRUE(WaitFor([&] { return (menu = FindShownMenu(editor_.Id())) != nullptr; })) << "no Edit menu";
        const std::wstring answer = probe_->Ask(frame_, MenuProbeClient::kStates);
        EXPECT_NE(answer, L"") << "the probe does not answer";
        CloseMenus();
        return Greyed(answer);
    }
    // Leaves the menus: Escape until no popup shows and the menu bar no longer holds the keyboard,
    // each press once the editor has taken it (a press more would reach the diagram).
    void CloseMenus() {
        const DWORD thread = GetWindowThreadProcessId(frame_, nullptr);
        auto inMenus = [&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return FindShownMenu(editor_.Id()) != nullptr ||
                   (GetGUIThreadInfo(thread, &info) && (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)));
        };
        for (int i = 0; i < 4 && inMenus(); ++i) {
            Stroke(VK_ESCAPE);
            EXPECT_TRUE(probe_->Handled()) << "the editor does not take the keys";
        }
        EXPECT_TRUE(WaitFor([&] { return !inMenus(); })) << "the menus stay";
    }
    // The document is unchanged: the window comes back to the picture and shows no modified mark.
    void ExpectUnchanged(const std::vector<DWORD>& picture) {
        EXPECT_TRUE(WaitFor([&] { return ScreenPixels(pane_) == picture; })) << "the drawing changed";
        EXPECT_FALSE(Modified(frame_)) << TextOf(frame_).c_str();
        EXPECT_NE(TextOf(frame_).find(L"(read-only)"), std::wstring::npos);
    }

    TempFolder folder_{L"QuorvelReadOnly"};
    std::wstring file_;
    Process editor_;
    HWND frame_ = nullptr, pane_ = nullptr;
    RECT drawing_{};
    std::unique_ptr<MenuProbeClient> probe_;
};

TEST_F(ReadOnlyDocument, NoGestureChangesAFileMarkedReadOnlyAndEveryCommandThatWouldIsGrey) {
    file_ = folder_.AddFile(L"order.qvd", kOrderDocument);
    ASSERT_TRUE(SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string stored = Bytes(file_);
    const std::vector<DWORD> selected = SelectTheClass();

    Drag(At(2000, -2500), At(4000, -4500));  // the class moved
    Drag(At(5000, -3000), At(7000, -4000));  // its south-east handle
    ClickAt(At(3000, -1300));                // a double click on its name and typing
    ClickAt(At(3000, -1300));
    for (WORD vk : {WORD('X'), WORD('Y'), WORD(VK_RETURN)}) Stroke(vk);
    Stroke(VK_ESCAPE);
    for (WORD vk : {WORD(VK_LEFT), WORD(VK_DOWN)}) Stroke(vk);  // no nudging either
    Stroke(VK_DELETE);
    WithCtrl('C');
    WithCtrl('V');
    WithCtrl('Z');
    std::map<UINT, bool> greyed = MenuBarAfterInput();
    ExpectUnchanged(selected);
    EXPECT_EQ(Bytes(file_), stored);

    for (UINT id : {ID_FILE_PAGESETUP, ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_DELETE,
                    ID_DIAGRAM_CLASS, ID_DIAGRAM_OBJECT, ID_DIAGRAM_USECASE, ID_DIAGRAM_SEQUENCE, ID_DIAGRAM_STATE,
                    ID_STYLES_IMPORT, ID_STYLES_ELEMENTSTYLES}) {
        ASSERT_TRUE(greyed.count(id)) << id;
        EXPECT_TRUE(greyed[id]) << id << " is not greyed";
    }
    // What only reads the document stays: Save As, Print, Copy, Select All, the style viewer.
    for (UINT id : {ID_FILE_SAVEAS, ID_FILE_PRINT, ID_EDIT_COPY, ID_EDIT_SELECTALL, ID_STYLES_DIAGRAMSTYLE})
        EXPECT_FALSE(greyed[id]) << id << " is greyed";

    // The styles the Styles menu lists when it opens are grey too.
    Key(VK_MENU, false);
    Stroke('S');
    Key(VK_MENU, true);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = FindShownMenu(editor_.Id())) != nullptr; }));
    greyed = Greyed(probe_->Ask(menu, MenuProbeClient::kStates));
    CloseMenus();
    ASSERT_TRUE(greyed.count(ID_STYLES_DEFAULT));
    EXPECT_TRUE(greyed[ID_STYLES_DEFAULT]);

    // The context menu of the connector's segment: Keep Orthogonal, Cut and Paste grey, Copy not.
    MoveTo(At(7500, -1500));
    Pace();
    Button(MOUSEEVENTF_RIGHTDOWN);
    Pace();
    Button(MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(WaitFor([&] { return (menu = FindShownMenu(editor_.Id())) != nullptr; }));
    greyed = Greyed(probe_->Ask(menu, MenuProbeClient::kStates));
    CloseMenus();
    ASSERT_TRUE(greyed.count(ID_KEEP_ORTHOGONAL)) << "not the segment's menu";
    EXPECT_TRUE(greyed[ID_KEEP_ORTHOGONAL]);
    EXPECT_TRUE(greyed[ID_EDIT_CUT]);
    EXPECT_TRUE(greyed[ID_EDIT_PASTE]);
    EXPECT_FALSE(greyed[ID_EDIT_COPY]);

    // The toolbar's buttons and its diagram type list.
    HWND toolbar = FindWindowExW(frame_, nullptr, TOOLBARCLASSNAMEW, nullptr);
    if (!toolbar || !IsWindowVisible(toolbar)) PostMessageW(frame_, WM_COMMAND, ID_VIEW_TOOLBAR, 0);
    ASSERT_TRUE(WaitFor([&] {
        toolbar = FindWindowExW(frame_, nullptr, TOOLBARCLASSNAMEW, nullptr);
        return toolbar && IsWindowVisible(toolbar);
    }));
    for (UINT id : {ID_FILE_PAGESETUP, ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_DELETE, ID_EDIT_UNDO, ID_STYLES_ELEMENTSTYLES})
        EXPECT_FALSE(SendMessageW(toolbar, TB_ISBUTTONENABLED, id, 0)) << id;
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONENABLED, ID_EDIT_COPY, 0));
    HWND typeBox = GetDlgItem(toolbar, 40201);  // the type list's control id
    ASSERT_NE(typeBox, nullptr);
    EXPECT_FALSE(IsWindowEnabled(typeBox));

    EXPECT_FALSE(Modified(frame_));
}

TEST_F(ReadOnlyDocument, AFileAnotherProgramHoldsForWritingOpensReadOnlyAndNoGestureChangesIt) {
    file_ = folder_.AddFile(L"order.qvd", kOrderDocument);
    // Held as an editor of another program holds it: writing, others may only read.
    HANDLE held = CreateFileW(file_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    struct Closer {
        HANDLE h;
        ~Closer() { CloseHandle(h); }
    } closer{held};
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::vector<DWORD> selected = SelectTheClass();

    Drag(At(2000, -2500), At(4000, -4500));
    Drag(At(5000, -3000), At(7000, -4000));
    Stroke('X');
    Stroke(VK_DELETE);
    std::map<UINT, bool> greyed = MenuBarAfterInput();
    ExpectUnchanged(selected);
    EXPECT_TRUE(greyed[ID_FILE_PAGESETUP]);
    EXPECT_TRUE(greyed[ID_EDIT_DELETE]);
    EXPECT_EQ(Bytes(file_), std::string(kOrderDocument));
}

using ReadOnlyWindow = FactoryFixture;

TEST_F(ReadOnlyWindow, SavedUnderAnotherNameTheDocumentOffersEveryCommandAgain) {
    const std::wstring path = folder.AddFile(L"kept.qvd", "<Diagram xmlns=\"http://quorvel.example/schema/1.0\"/>");
    Editor::Diagram* doc = factory->Open(path, true, SW_HIDE);
    ASSERT_NE(doc, nullptr);
    auto& window = dynamic_cast<Editor::WindowImp&>(*doc->GetWindow(0));
    window.ShowToolbar(true);
    Application::IWinCommander& commands = window.GetCommander();
    const UINT changing[] = {ID_FILE_PAGESETUP, ID_STYLES_IMPORT, ID_STYLES_ELEMENTSTYLES, ID_STYLES_DEFAULT,
                             ID_STYLES_FIRST, ID_DEBUG_TESTA6, ID_DEBUG_TEST7};
    for (UINT id : changing) EXPECT_FALSE(commands.IsEnabled(id)) << id;
    EXPECT_FALSE(IsWindowEnabled(window.GetToolbar()->GetTypeBox()));
    // Sent anyway, a command that builds elements into the document does nothing.
    SendMessageW(window.GetHwnd(), WM_COMMAND, MAKEWPARAM(ID_DEBUG_TEST7, 0), 0);
    EXPECT_EQ(doc->GetModel().GetUndoHandler().GetUndoCount(), 0u);

    doc->GetStorage().SaveAs(folder.AddFile(L"copy.qvd"));
    ASSERT_FALSE(doc->GetStorage().IsReadOnly());
    for (UINT id : changing) EXPECT_TRUE(commands.IsEnabled(id)) << id;
    EXPECT_TRUE(IsWindowEnabled(window.GetToolbar()->GetTypeBox()));
}

} // namespace
