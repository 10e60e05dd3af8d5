// The Window menu and Page Setup of the started editor, driven with real keys and clicks
// (SendInput): a window chosen by its number or in "More Windows..." comes to the front and takes
// the keyboard; Cascade and the two Tile commands place every window that is not minimised in
// their stacking order (positions read back); a page grid set in Page Setup shows in the open pane
// at once and after its undo and redo as it shows in a window opened afresh.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/TourSupport.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace EditorTest;

// A class diagram with one named class at x, written by hand in the stored form.
std::string ClassDocument(const char* name, int x) {
    const std::string pos = std::to_string(x) + " -1000";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n"
           "<Style id=\"r1\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"/></Style>\n"
           "<Class id=\"r2\" Pos=\"" + pos + "\" Size=\"4000 2000\"><Text>" + name + "</Text></Class>\n</Diagram>\n";
}

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// The editor started on documents of the test folder; each window found by its file.
class EditorWindowsFixture : public ::testing::Test {
protected:
    void Start(const std::vector<std::wstring>& files) {
        std::wstring line = L"\"" + EditorPath() + L"\"";
        for (const std::wstring& file : files) line += L" " + file;
        ASSERT_TRUE(editor_.Start(line, folder_.Path()));
        for (const std::wstring& file : files) {
            HWND frame = nullptr;
            ASSERT_TRUE(WaitFor([&] { return (frame = WindowOfPath(editor_.Id(), folder_.Path() + L"\\" + file)); }))
                << Narrow(file);
            frames_.push_back(frame);
        }
    }
    // Gives the window the keyboard from the test, as a first click on it would.
    static bool Front(HWND frame) { return BringToFront(frame); }
    // Whether the foreground window is one of the editor's.
    bool EditorInFront() const {
        DWORD owner = 0;
        GetWindowThreadProcessId(GetForegroundWindow(), &owner);
        return owner == editor_.Id();
    }
    // Opens a menu of the menu bar with Alt and its key, typed into whichever window of the editor
    // takes the keys (every window's menu bar is the same); answers once the menu shows. While the
    // window manager moves the focus late, Wine may hold none of the editor's windows in front for
    // a while: keys given then are lost (and a menu opening then is closed), so they are given again
    // once a window of the editor is in front.
    bool OpenMenu(WORD key) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (!WaitFor([&] { return EditorInFront(); })) return false;
            Chord(VK_MENU, key);
            bool lost = false;
            if (WaitFor([&] { return FindShownMenu(editor_.Id()) != nullptr || (lost = !EditorInFront()); }) && !lost)
                return true;
        }
        return false;
    }
    // Opens the Window menu with Alt+W and presses the key of an item in it.
    void ChooseInWindowMenu(WORD key) {
        ASSERT_TRUE(OpenMenu('W')) << "no Window menu";
        Tap(key);
        ASSERT_TRUE(WaitFor([&] { return FindShownMenu(editor_.Id()) == nullptr; })) << "the menu stays";
    }
    // Whether the pane shows on the screen just one class, the one at x (model units; the window's
    // own zoom and scroll); shown is what it shows.
    static bool ShowsClassAt(HWND pane, int x, RECT& shown) {
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        shown = DarkInPane(pane);
        const int left = MulDiv(x, dpi, 2540), width = MulDiv(4000, dpi, 2540);
        return std::abs(shown.left - left) <= 2 && std::abs(shown.right - shown.left - width) <= 2;
    }
    // The dark area a pane shows, relative to the pane; empty when nothing dark shows.
    static RECT DarkInPane(HWND pane) {
        const std::optional<RECT> dark = DarkArea(pane);
        if (!dark) return {};
        POINT origin{0, 0};
        ClientToScreen(pane, &origin);
        RECT r = *dark;
        OffsetRect(&r, -origin.x, -origin.y);
        return r;
    }

    TempFolder folder_{L"QuorvelWindowMenu"};
    Process editor_;
    std::vector<HWND> frames_;
};

class WindowMenu : public EditorWindowsFixture {
protected:
    // Documents whose classes stand at different places, one window each: Alpha, Beta, Gamma and
    // Delta, as many as asked.
    void StartDocuments(int count) {
        const char* names[] = {"Alpha", "Beta", "Gamma", "Delta"};
        std::vector<std::wstring> files;
        for (int i = 0; i < count; ++i) {
            const std::wstring file = std::wstring(names[i], names[i] + std::char_traits<char>::length(names[i])) + L".qvd";
            folder_.AddFile(file, ClassDocument(names[i], 1000 + 2000 * (i % 3)));
            files.push_back(file);
        }
        ASSERT_NO_FATAL_FAILURE(Start(files));
    }
};

TEST_F(WindowMenu, AWindowChosenByItsNumberComesToTheFrontAndTakesTheKeys) {
    ASSERT_NO_FATAL_FAILURE(StartDocuments(3));
    // All windows on the same place: only the one in front shows its class, which stands further
    // right in each document (x 1000, 3000, 5000 at 100 %, the window's own zoom and scroll).
    for (HWND frame : frames_) SetWindowPos(frame, HWND_TOP, 10, 10, 600, 500, SWP_SHOWWINDOW);
    ASSERT_TRUE(Front(frames_[2]));  // the keys go to the editor
    // The list is sorted by caption: Alpha is 1, Beta 2, Gamma 3.
    for (int chosen : {0, 1, 2, 0}) {
        HWND frame = frames_[size_t(chosen)];
        ASSERT_NO_FATAL_FAILURE(ChooseInWindowMenu(WORD('1' + chosen)));
        // The keyboard, and in front on the screen (the window manager's stacking, which Wine's
        // own list of windows follows late now and then), both at once: the window manager may
        // still hand the focus around for an activation it answers late, and ends with the last.
        RECT shown{};
        EXPECT_TRUE(WaitFor([&] { return TakesKeys(frame) && ShowsClassAt(PaneOf(frame), 1000 + 2000 * chosen, shown); }))
            << "window " << chosen + 1 << " is not in front with the keys: " << Narrow(TextOf(GetForegroundWindow()))
            << " has the keys, the screen shows " << Describe(shown);
    }
    // The keys reach the chosen document: Ctrl+A and Delete change Alpha, not the others. Given
    // once the window manager has let it keep the keys.
    ASSERT_TRUE(Front(frames_[0]));
    Chord(VK_CONTROL, 'A');
    Tap(VK_DELETE);
    EXPECT_TRUE(WaitFor([&] { return Modified(frames_[0]); })) << "the keys did not reach the chosen window";
    EXPECT_FALSE(Modified(frames_[1]));
    EXPECT_FALSE(Modified(frames_[2]));
}

TEST_F(WindowMenu, AWindowChosenInMoreWindowsComesToTheFrontAndTakesTheKeys) {
    // Ten documents: the tenth in caption order is reached only through "More Windows...".
    std::vector<std::wstring> files;
    for (int i = 0; i < 10; ++i) {
        const std::string name = "Doc0" + std::to_string(i);
        files.push_back(std::wstring(name.begin(), name.end()) + L".qvd");
        folder_.AddFile(files.back(), ClassDocument(name.c_str(), i == 9 ? 5000 : 1000));
    }
    ASSERT_NO_FATAL_FAILURE(Start(files));
    for (HWND frame : frames_) SetWindowPos(frame, HWND_TOP, 10, 10, 600, 500, SWP_SHOWWINDOW);
    ASSERT_TRUE(Front(frames_[0]));
    ASSERT_NO_FATAL_FAILURE(ChooseInWindowMenu('M'));
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = FindWindowW(L"#32770", L"Select Window")) && IsWindowVisible(dialog); }));
    ASSERT_TRUE(Front(dialog)) << "the dialog takes no keys";
    Tap(VK_END);  // the last in the list
    Tap(VK_RETURN);
    HWND last = frames_.back();
    RECT shown{};
    EXPECT_TRUE(WaitFor([&] { return TakesKeys(last) && ShowsClassAt(PaneOf(last), 5000, shown); }))
        << "the window chosen is not in front with the keys: " << Narrow(TextOf(GetForegroundWindow()))
        << " has the keys, the screen shows " << Describe(shown);
    ASSERT_TRUE(Front(last));
    Chord(VK_CONTROL, 'A');
    Tap(VK_DELETE);
    EXPECT_TRUE(WaitFor([&] { return Modified(last); })) << "the keys did not reach the chosen window";
    EXPECT_FALSE(Modified(frames_[0]));
}

TEST_F(WindowMenu, CascadeAndTilePlaceEveryWindowButTheMinimisedOneInTheirStackingOrder) {
    ASSERT_NO_FATAL_FAILURE(StartDocuments(4));
    HWND minimised = frames_[3];
    ShowWindow(minimised, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(minimised) != FALSE; }));
    for (int i : {0, 2, 1}) SetWindowPos(frames_[size_t(i)], HWND_TOP, 50 + 30 * i, 60, 500 + 20 * i, 400, 0);
    ASSERT_TRUE(Front(frames_[1]));
    // The three front to back as they are stacked. Under Wine the window manager's answers to the
    // moves restack them a while later now and then, so the arrangement is checked against the
    // stacking it ends with.
    auto stacked = [&] {
        std::vector<HWND> now;
        for (HWND w : VisibleWindows(editor_.Id()))
            if (std::find(frames_.begin(), frames_.begin() + 3, w) != frames_.begin() + 3) now.push_back(w);
        return now;
    };
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    auto placed = [&] {
        std::vector<RECT> rects;
        for (HWND w : stacked()) rects.push_back(WindowRect(w));
        return rects;
    };

    // Cascade: the one at the back at the work area's top-left, each one in front of it a step
    // lower and further right, all of one size. The editor places them one after another: the
    // test waits for the whole arrangement.
    ASSERT_NO_FATAL_FAILURE(ChooseInWindowMenu('C'));
    std::vector<RECT> r;
    auto cascaded = [&] {
        const int step = r[1].left - r[2].left;
        bool all = step > 0 && r[2].left == work.left && r[2].top == work.top;
        for (size_t i : {size_t(0), size_t(1)})
            all = all && r[i].left - r[i + 1].left == step && r[i].top - r[i + 1].top == step &&
                  r[i].right - r[i].left == r[2].right - r[2].left && r[i].bottom - r[i].top == r[2].bottom - r[2].top;
        return all;
    };
    EXPECT_TRUE(WaitFor([&] { return r = placed(), r.size() == 3 && cascaded(); }))
        << "not cascaded: " << Describe(r[0]) << Describe(r[1]) << Describe(r[2]);
    EXPECT_TRUE(IsIconic(minimised));

    // Tile Vertically puts them side by side over the whole height, the front one at the left;
    // Tile Horizontally the same turned: one above another, the front one at the top.
    for (const bool vertically : {false, true}) {
        ASSERT_NO_FATAL_FAILURE(ChooseInWindowMenu(vertically ? 'V' : 'H'));
        // Turned so that the tiles of both commands lie side by side.
        auto turn = [&](RECT q) { return vertically ? q : RECT{q.top, q.left, q.bottom, q.right}; };
        const RECT area = turn(work);
        auto tiled = [&] {
            bool all = r[0].left == area.left && r[1].left == r[0].right && r[2].left == r[1].right &&
                       r[2].right > r[1].right && area.right - r[2].right <= 2;  // the tiles fill the area
            for (const RECT& each : r)  // the window manager may shift one by a pixel
                all = all && std::abs(each.top - area.top) <= 1 && std::abs(each.bottom - area.bottom) <= 1;
            return all;
        };
        EXPECT_TRUE(WaitFor([&] {
            r = placed();
            for (RECT& each : r) each = turn(each);
            return r.size() == 3 && tiled();
        })) << (vertically ? "Tile Vertically" : "Tile Horizontally") << ", turned: " << Describe(r[0])
                  << Describe(r[1]) << Describe(r[2]);
    }
    EXPECT_TRUE(IsIconic(minimised)) << "a minimised window stays where it is";
}

// ---- Page Setup

// A class and the page (Letter, portrait, one sheet), written by hand in the stored form.
const char kPlanDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n"
    "<Style id=\"r1\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"/></Style>\n"
    "<Page id=\"r2\" Size=\"1\" Width=\"21590\" Height=\"27940\" Rows=\"1\" Columns=\"1\" Margins=\"1016 1016 1016 1016\" "
    "CutGlueMargins=\"1016 1016 1016 1016\" Scale=\"1\"/>\n"
    "<Class id=\"r3\" Pos=\"2000 -2000\" Size=\"4000 2000\"><Text>Plan</Text></Class>\n</Diagram>\n";

struct DialogSearch {
    DWORD pid;
    const wchar_t* caption;
    HWND except;
    HWND found = nullptr;
};

BOOL CALLBACK FindDialogOf(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<DialogSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    wchar_t cls[16] = L"";
    GetClassNameW(hwnd, cls, 16);
    if (owner != s->pid || hwnd == s->except || !IsWindowVisible(hwnd) || std::wstring(cls) != L"#32770") return TRUE;
    if (s->caption && TextOf(hwnd) != s->caption) return TRUE;
    s->found = hwnd;
    return FALSE;
}

// A visible dialog of the process with the caption (any caption when null), other than except.
HWND FindDialogOfProcess(DWORD pid, const wchar_t* caption, HWND except = nullptr) {
    DialogSearch search{pid, caption, except};
    EnumWindows(FindDialogOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A control of a Page Setup tab, the tab page that holds the marker: by default "Page Size", which
// holds the paper list (the tabs share control ids).
HWND TabControl(HWND dialog, int id, int marker = IDC_PAPER_LIST) {
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetDlgItem(c, marker)) return GetDlgItem(c, id);
    return nullptr;
}

class PageSetupInput : public EditorWindowsFixture {
protected:
    void TearDown() override {
        if (!HasFailure()) return;
        const std::wstring path = folder_.Path() + L"\\difference.png";
        if (shown_.width && fresh_.width && shown_.Difference(fresh_).Save(path))
            std::printf("the difference is in %s\n", Narrow(path).c_str());
    }
    // Clicks the middle of a control of another process's window.
    static void ClickOn(HWND control) {
        RECT r{};
        GetWindowRect(control, &r);
        MoveTo({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        Pace();
        Button(MOUSEEVENTF_LEFTDOWN);
        Pace();
        Button(MOUSEEVENTF_LEFTUP);
        Pace();
    }
    // The text of another process's edit field (its window text is not the field's).
    static std::wstring FieldText(HWND field) {
        wchar_t text[64] = L"";
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(field, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &ignored);
        return text;
    }
    // Whether keys given now reach the field of another process: its window is in front with the
    // keyboard focus on the field.
    static bool Focused(HWND field) {
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        return GetGUIThreadInfo(GetWindowThreadProcessId(field, nullptr), &gui) && gui.hwndFocus == field &&
               gui.hwndActive == GetForegroundWindow();
    }
    // Replaces the text of a field as a user does: a click into it, Home, Shift+End, typing.
    static bool TypeInto(HWND field, const std::wstring& text) {
        ClickOn(field);
        if (!WaitFor([&] { return Focused(field); })) return false;
        Tap(VK_HOME);
        Key(VK_SHIFT, false);
        Tap(VK_END);
        Key(VK_SHIFT, true);
        Type(text);
        return WaitFor([&] { return FieldText(field).rfind(text, 0) == 0; });
    }
    // What a pane shows once it stops changing.
    static Picture Steady(HWND pane) {
        Picture shown, last;
        WaitFor([&] {
            last = shown;
            shown = Picture::Of(pane);
            return shown.width > 0 && shown == last;
        });
        return shown;
    }
    // What the window's pane shows beside what a window opened afresh on the document with New
    // Window shows on the same place; the new window is closed again.
    void CompareWithNewWindow(HWND frame, const char* when) {
        ASSERT_TRUE(Front(frame));
        shown_ = Steady(PaneOf(frame));
        ASSERT_NO_FATAL_FAILURE(ChooseInWindowMenu('N'));
        HWND fresh = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            for (HWND w : VisibleWindows(editor_.Id()))
                if (w != frame) fresh = w;
            return fresh && TakesKeys(fresh);
        })) << "no new window";
        fresh_ = Steady(PaneOf(fresh));
        PostMessageW(fresh, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(fresh); }));
        EXPECT_TRUE(shown_ == fresh_) << "the pane differs from a fresh window " << when;
    }
    // Page Setup from the File menu, its Page Size tab shown.
    HWND OpenPageSetup(HWND frame) {
        HWND dialog = nullptr;
        EXPECT_TRUE(Front(frame) && OpenMenu('F')) << "no File menu";
        Tap('U');
        EXPECT_TRUE(WaitFor([&] {
            dialog = FindDialogOfProcess(editor_.Id(), L"Page Setup");
            return dialog && TabControl(dialog, IDC_PAGE_ROWS) && IsWindowVisible(TabControl(dialog, IDC_PAGE_ROWS));
        })) << "no Page Setup";
        return dialog;
    }
    // Page Setup from the File menu: the grid and the scale typed into the Page Size tab, OK clicked.
    void SetGrid(HWND frame, const wchar_t* rows, const wchar_t* columns, const wchar_t* scale) {
        HWND dialog = OpenPageSetup(frame);
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(TypeInto(TabControl(dialog, IDC_PAGE_ROWS), rows));
        ASSERT_TRUE(TypeInto(TabControl(dialog, IDC_PAGE_COLUMNS), columns));
        ASSERT_TRUE(TypeInto(TabControl(dialog, IDC_PAGE_SCALE), scale));
        CloseWithOk(dialog);
    }
    // Clicks OK and waits for the dialog to close.
    void CloseWithOk(HWND dialog) {
        ClickOn(GetDlgItem(dialog, IDOK));
        // A printer whose printable area the margins leave asks first: they stay as they are.
        ASSERT_TRUE(WaitFor([&] {
            if (HWND question = FindDialogOfProcess(editor_.Id(), nullptr, dialog); question && GetDlgItem(question, IDNO))
                ClickOn(GetDlgItem(question, IDNO));
            return !IsWindow(dialog);
        })) << "the dialog did not close";
    }

    Picture shown_, fresh_;
};

TEST_F(PageSetupInput, ANewGridShowsInTheOpenPaneAtOnceAndAfterItsUndoAndRedo) {
    folder_.AddFile(L"Plan.qvd", kPlanDocument);
    ASSERT_NO_FATAL_FAILURE(Start({L"Plan.qvd"}));
    HWND frame = frames_[0];
    ASSERT_NE(PlaceLarge(frame), nullptr);
    ASSERT_NO_FATAL_FAILURE(CompareWithNewWindow(frame, "before the change"));
    const Picture before = shown_;

    ASSERT_NO_FATAL_FAILURE(SetGrid(frame, L"2", L"2", L"200"));
    ASSERT_NO_FATAL_FAILURE(CompareWithNewWindow(frame, "after Page Setup"));
    EXPECT_FALSE(fresh_ == before) << "the page change shows nowhere";

    ASSERT_TRUE(Front(frame));
    Chord(VK_CONTROL, 'Z');
    ASSERT_TRUE(WaitFor([&] { return Picture::Of(PaneOf(frame)) == before; })) << "the undo does not show";
    ASSERT_NO_FATAL_FAILURE(CompareWithNewWindow(frame, "after the undo"));

    ASSERT_TRUE(Front(frame));
    Chord(VK_CONTROL, 'Y');
    ASSERT_TRUE(WaitFor([&] { return !(Picture::Of(PaneOf(frame)) == before); })) << "the redo does not show";
    ASSERT_NO_FATAL_FAILURE(CompareWithNewWindow(frame, "after the redo"));
}

// Text typed into a field of Page Setup that is not a number of the field's range greys OK; leaving
// the field with Tab clamps a number into the range and puts the working copy's value back for other
// text. The field then shows what OK sets, and OK is enabled again.
TEST_F(PageSetupInput, LeavingAFieldShowsWhatOkSetsAndEnablesOk) {
    folder_.AddFile(L"Plan.qvd", kPlanDocument);
    ASSERT_NO_FATAL_FAILURE(Start({L"Plan.qvd"}));
    HWND frame = frames_[0];
    HWND dialog = OpenPageSetup(frame);
    ASSERT_TRUE(dialog);
    HWND ok = GetDlgItem(dialog, IDOK);
    const struct {
        int id, tab;  // the field, the tab that holds it (by a control of the tab)
        const wchar_t *typed, *shown;
        bool okWhileTyped;
    } fields[] = {
        {IDC_PAGE_WIDTH, IDC_PAPER_LIST, L"297 mm4000", L"297 mm", false},  // "297 mm" was typed on the way
        {IDC_PAGE_HEIGHT, IDC_PAPER_LIST, L"mm", L"279.4 mm", false},
        {IDC_PAGE_SCALE, IDC_PAPER_LIST, L"50 %x", L"50 %", false},
        {IDC_PAGE_ROWS, IDC_PAPER_LIST, L"2.5", L"2", false},
        {IDC_PAGE_COLUMNS, IDC_PAPER_LIST, L"25", L"20", false},
        {IDC_MARGIN_LEFT, IDC_GLUE_LEFT, L"7 mm?", L"7 mm", false},
        {IDC_MARGIN_TOP, IDC_GLUE_LEFT, L"-3", L"0 mm", false},
        {IDC_GLUE_LEFT, IDC_GLUE_LEFT, L"4,5", L"4.5 mm", true},
        {IDC_CUT_BOTTOM, IDC_GLUE_LEFT, L"abc", L"10.16 mm", false},
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(Narrow(f.typed));
        if (f.tab == IDC_GLUE_LEFT && !IsWindowVisible(TabControl(dialog, f.id, f.tab))) {
            PacedChord(VK_CONTROL, VK_TAB);
            ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(TabControl(dialog, f.id, f.tab)) != FALSE; }));
        }
        HWND field = TabControl(dialog, f.id, f.tab);
        ASSERT_TRUE(TypeInto(field, f.typed));
        EXPECT_EQ(IsWindowEnabled(ok) != FALSE, f.okWhileTyped);
        Tap(VK_TAB);
        ASSERT_TRUE(WaitFor([&] { return !Focused(field); }));
        EXPECT_EQ(FieldText(field), f.shown);
        EXPECT_TRUE(IsWindowEnabled(ok));
    }
    ASSERT_NO_FATAL_FAILURE(CloseWithOk(dialog));
    ASSERT_TRUE(Front(frame));
    Chord(VK_CONTROL, 'S');
    ASSERT_TRUE(WaitFor([&] { return !Modified(frame); })) << "not saved";
    const Node saved = ReadDocument(Bytes(folder_.Path() + L"\\Plan.qvd"));
    const auto pages = saved.All(L"Page");
    ASSERT_EQ(pages.size(), 1u);
    const std::map<std::wstring, std::wstring> expected = {
        {L"Width", L"29700"}, {L"Height", L"27940"}, {L"Rows", L"2"}, {L"Columns", L"20"},
        {L"Margins", L"700 0 1016 1016"}, {L"CutGlueMargins", L"450 1016 1016 1016"}};
    for (const auto& [name, value] : expected) EXPECT_EQ(pages[0]->Attribute(name), value) << Narrow(name);
    EXPECT_EQ(_wtof(pages[0]->Attribute(L"Scale").c_str()), 0.5);
}

} // namespace
