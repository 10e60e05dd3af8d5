// Starts the editor as a separate process and reads its resources: the program
// comes up with its menu bar, ends cleanly on WM_CLOSE, and carries the strings,
// menus, shortcuts, pictures and version the code relies on.
#include "Editor/tests/EditorWindows.h"
#include "app/winutil/Platform.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>

namespace {

constexpr wchar_t kCaption[] = L"Diagram1.qvd - Quorvel - Class Diagram";
constexpr wchar_t kCaptionNoExtension[] = L"Diagram1 - Quorvel - Class Diagram";
constexpr ULONGLONG kStartTimeoutMs = 30000;
constexpr ULONGLONG kExitTimeoutMs = 15000;

// Polls `done` until it answers true or the deadline passes. Each wait also
// watches `process` (a program that ends early stops the polling at once) or,
// without a process, this thread's posted messages.
template <class Pred>
bool PollUntil(HANDLE process, ULONGLONG timeoutMs, Pred done) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        if (process && WaitForSingleObject(process, 10) == WAIT_OBJECT_0) return done();
        if (!process) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLPOSTMESSAGE);
    }
}

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchEditorWindow(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    wchar_t text[64] = {};
    if (owner == search->pid && IsWindowVisible(hwnd) && GetWindowTextW(hwnd, text, 64) &&
        (std::wstring(text) == kCaption || std::wstring(text) == kCaptionNoExtension)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The visible top-level window of `pid` captioned kCaption, if any.
HWND FindEditorWindow(DWORD pid) {
    WindowSearch search{pid, nullptr};
    EnumWindows(MatchEditorWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// What the probe hook saw of a window's menu bar inside the owning process.
struct MenuReport {
    bool answered = false;
    UINT firstCommand = 0;  // first item of the first popup
    int popups = -1;        // popups of the menu bar
};

// Menus cannot be read across processes under Wine, so a hook module runs in
// the window's thread, reads the menu bar there and posts the result back.
MenuReport ReadMenuBar(HWND window) {
    MenuReport report;
    HMODULE probe = LoadLibraryW(QUORVEL_MENU_PROBE);
    if (!probe) return report;
    auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe, "MenuProbeHook")));
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    HHOOK handle = hook ? SetWindowsHookExW(WH_GETMESSAGE, hook, probe, thread) : nullptr;
    if (handle) {
        const UINT ask = RegisterWindowMessageW(L"Quorvel.MenuProbe.Ask");
        const UINT reply = RegisterWindowMessageW(L"Quorvel.MenuProbe.Reply");
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // makes this thread's queue
        PostMessageW(window, ask, 0, static_cast<LPARAM>(GetCurrentThreadId()));
        PollUntil(nullptr, kStartTimeoutMs, [&] {
            if (PeekMessageW(&msg, nullptr, reply, reply, PM_REMOVE)) {
                report = {true, static_cast<UINT>(msg.wParam), static_cast<int>(msg.lParam)};
            }
            return report.answered;
        });
        UnhookWindowsHookEx(handle);
    }
    FreeLibrary(probe);
    return report;
}

// A started editor process; never left running: the destructor asks it to
// close and ends it by force when it does not, so the next test starts alone.
class EditorProcess {
public:
    EditorProcess() = default;
    EditorProcess(const EditorProcess&) = delete;
    EditorProcess& operator=(const EditorProcess&) = delete;
    ~EditorProcess() {
        if (!pi_.hProcess) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            if (HWND w = FindEditorWindow(pi_.dwProcessId)) PostMessageW(w, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(pi_.hProcess, 5000) == WAIT_TIMEOUT) {
                TerminateProcess(pi_.hProcess, 99);
                WaitForSingleObject(pi_.hProcess, 5000);
            }
        }
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }

    // Starts the editor without arguments; false when it cannot start.
    bool Start() {
        const std::wstring exe = EditorTest::EditorPath();
        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        return CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &pi_) != FALSE;
    }

    HANDLE Handle() const { return pi_.hProcess; }
    DWORD Id() const { return pi_.dwProcessId; }

    // Exit code once ended within the timeout, else STILL_ACTIVE.
    DWORD WaitForExit(DWORD timeoutMs) const {
        WaitForSingleObject(pi_.hProcess, timeoutMs);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION pi_ = {};
};

TEST(Startup, ShowsMenuBarWindowAndEndsWithZeroOnClose) {
    ASSERT_EQ(FindWindowW(L"Editor::WindowImp", nullptr), nullptr) << "another editor instance is already running";

    EditorProcess editor;
    ASSERT_TRUE(editor.Start()) << "CreateProcessW failed, error " << GetLastError();

    HWND window = nullptr;
    ASSERT_TRUE(PollUntil(editor.Handle(), kStartTimeoutMs,
                          [&] { return (window = FindEditorWindow(editor.Id())) != nullptr; }))
        << "no visible window of the new diagram appeared";

    // Found by its class alone, it is the window of the process just started.
    HWND byCaption = FindWindowW(L"Editor::WindowImp", nullptr);
    ASSERT_NE(byCaption, nullptr);
    DWORD owner = 0;
    GetWindowThreadProcessId(byCaption, &owner);
    EXPECT_EQ(owner, editor.Id());

    EXPECT_NE(GetMenu(window), nullptr) << "the window has no menu bar";
    const MenuReport menu = ReadMenuBar(window);
    ASSERT_TRUE(menu.answered) << "the menu probe got no answer from the editor";
    EXPECT_EQ(menu.firstCommand, static_cast<UINT>(ID_FILE_NEW));
    EXPECT_GE(menu.popups, 1);

    ASSERT_TRUE(PostMessageW(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(editor.WaitForExit(kExitTimeoutMs), 0u);
    EXPECT_EQ(FindEditorWindow(editor.Id()), nullptr);
}

// ---- Resources read from the executable file -------------------------------

class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryExW(EditorTest::EditorPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(module_, nullptr) << "cannot load the editor as a data file"; }

    static std::wstring String(UINT id) {
        const wchar_t* text = nullptr;
        const int n = LoadStringW(module_, id, reinterpret_cast<LPWSTR>(&text), 0);
        return n > 0 ? std::wstring(text, n) : std::wstring();
    }

    static HMODULE module_;
};

HMODULE Resources::module_ = nullptr;

// Owns a loaded menu.
struct MenuHolder {
    explicit MenuHolder(HMENU m) : menu(m) {}
    ~MenuHolder() {
        if (menu) DestroyMenu(menu);
    }
    MenuHolder(const MenuHolder&) = delete;
    MenuHolder& operator=(const MenuHolder&) = delete;
    HMENU menu;
};

std::wstring MenuText(HMENU menu, UINT id) {
    wchar_t text[128] = {};
    const int n = GetMenuStringW(menu, id, text, 128, MF_BYCOMMAND);
    return std::wstring(text, n > 0 ? n : 0);
}

// The submenu of the menu-bar item that carries `id` (the Window and Styles popups).
HMENU PopupById(HMENU bar, UINT id) {
    MENUITEMINFOW mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_SUBMENU;
    return GetMenuItemInfoW(bar, id, FALSE, &mii) ? mii.hSubMenu : nullptr;
}

TEST_F(Resources, ProductNameAndOpenFailureText) {
    EXPECT_EQ(String(IDS_PRODUCTNAME), L"Quorvel");
    EXPECT_EQ(String(IDS_CANNOT_OPEN), L"Quorvel UML Editor cannot open %1.");
}

TEST_F(Resources, LoaderFormatsStringsAndLoadsTheIconOfTheProgram) {
    WinUtil::ResourceLoader loader(module_);
    EXPECT_EQ(loader.FormatString(IDS_CANNOT_OPEN, {L"C:\\a b\\x.qvd"}), L"Quorvel UML Editor cannot open C:\\a b\\x.qvd.");
    EXPECT_EQ(loader.FormatString(IDS_UNTITLED_NAME, {L"12"}), L"Diagram12.qvd");
    EXPECT_EQ(loader.FormatString(IDS_UNTITLED_NAME, {}), L"Diagram%1.qvd") << "a missing argument leaves its marker";
    EXPECT_EQ(loader.FormatString(IDS_CANNOT_OPEN, {L"%1"}), L"Quorvel UML Editor cannot open %1.")
        << "an inserted text is not formatted again";
    EXPECT_TRUE(loader.FormatString(9999, {L"x"}).empty());

    HICON icon = loader.LoadIcon(IDI_APPICON);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, GetSystemMetrics(SM_CXICON)) << "the default icon size";
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    HICON small = loader.LoadIcon(IDI_APPICON, 16, 16);
    EXPECT_NE(small, nullptr);
    EXPECT_EQ(loader.LoadIcon(9999), nullptr);
}

TEST_F(Resources, StringsKeepEscapesQuotesAndTrailingBlanks) {
    EXPECT_EQ(String(IDS_EMBEDDED_UPDATE), L"&Update\tCtrl+S");
    EXPECT_EQ(String(IDS_EMBEDDED_CLOSE), L"&Close && Return To ");
    EXPECT_EQ(String(IDS_NAME_IN_USE), L"Name \"%1\" is already used. Please choose a different name.");
    EXPECT_EQ(String(IDS_NO_INSTALLER).substr(0, 34), L"The \"Microsoft Windows Installer\" ");
    EXPECT_EQ(String(IDS_MARGINS_OUTSIDE),
              L"Some margins are outside of the printable area.\nDo you want to increase these margins to "
              L"the\nminimum value?");
    EXPECT_EQ(String(IDS_PRINTER_BUSY), L"Busy;");
    EXPECT_EQ(String(IDS_PRINTER_PAUSED), L"Paused; ");
    EXPECT_EQ(String(IDS_PRINTER_POWER_SAVE), L"Power save; ");  // bit 24 is the last one
    EXPECT_EQ(String(180), L"");
    EXPECT_EQ(String(ID_FILE_PRINT), L"Prints the active diagram");
}

TEST_F(Resources, FiltersSeparateTheirPartsWithBars) {
    EXPECT_EQ(String(IDS_FILTER_OPEN), L"Diagram (*.qvd)|*.qvd|All Files|*");
    EXPECT_EQ(String(IDS_FILTER_ALLFILES), L"All Files|*");
    const std::wstring saveAs = String(IDS_FILTER_SAVEAS);
    EXPECT_EQ(std::count(saveAs.begin(), saveAs.end(), L'|'), 7);
    EXPECT_EQ(saveAs.find(L"Diagram (*.qvd)|*.qvd|"), 0u);
}

TEST_F(Resources, DiagramTypeNamesFollowTheTypeValues) {
    const wchar_t* names[] = {L"Class Diagram", L"Object Diagram", L"Use Case Diagram", L"Sequence Diagram",
                              L"State Diagram"};
    for (UINT i = 0; i < 5; ++i) EXPECT_EQ(String(IDS_DIAGRAM_CLASS + i), names[i]) << i;
}

TEST_F(Resources, MenuBarHoldsEveryWindowCommand) {
    MenuHolder bar(LoadMenuW(module_, MAKEINTRESOURCEW(IDR_MAINMENU)));
    ASSERT_NE(bar.menu, nullptr);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(bar.menu, 0), 0), static_cast<UINT>(ID_FILE_NEW));

    const UINT commands[] = {40000, 40001, 40002, 40003, 40004, 40007, 40008, 40010, 40011, 40012,
                             40013, 40014, 40015, 40016, 40018, 40020, 40021, 40022, 40023, 40024,
                             40025, 40026, 40027, 40030, 40031, 40032, 40033, 40034, 40035, 40047,
                             40048, 40049, 40053, 40054, 40055, 40056, 40057, 40059, 40060, 40061};
    for (UINT id : commands) EXPECT_NE(GetMenuState(bar.menu, id, MF_BYCOMMAND), static_cast<UINT>(-1)) << id;
    // Debug commands and the run-time items are not part of the menu bar.
    for (UINT id : {40036u, 40045u, 40062u, 40063u, 40095u, 40101u})
        EXPECT_EQ(GetMenuState(bar.menu, id, MF_BYCOMMAND), static_cast<UINT>(-1)) << id;

    EXPECT_EQ(MenuText(bar.menu, ID_FILE_SAVE), L"&Save\tCtrl+S");
    EXPECT_EQ(MenuText(bar.menu, ID_EDIT_DELETE), L"&Delete\tDel");
    EXPECT_EQ(MenuText(bar.menu, ID_ZOOM_IN), L"Zoom &In\tCtrl+Up");
    EXPECT_EQ(MenuText(bar.menu, ID_DIAGRAM_SEQUENCE), L"Se&quence");
    EXPECT_EQ(MenuText(bar.menu, ID_HELP_ABOUT), L"&About Quorvel UML Editor");
}

TEST_F(Resources, WindowAndStylesPopupsAreFoundByTheirIds) {
    MenuHolder bar(LoadMenuW(module_, MAKEINTRESOURCEW(IDR_MAINMENU)));
    ASSERT_NE(bar.menu, nullptr);
    HMENU window = PopupById(bar.menu, IDM_WINDOWMENU);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetMenuItemID(window, 0), static_cast<UINT>(ID_WINDOW_NEW));
    HMENU styles = PopupById(bar.menu, IDM_STYLESMENU);
    ASSERT_NE(styles, nullptr);
    EXPECT_NE(GetMenuState(styles, ID_STYLES_ELEMENTSTYLES, MF_BYCOMMAND), static_cast<UINT>(-1));
    // Both end with a separator, after which the run-time items are appended.
    for (HMENU popup : {window, styles}) {
        const int last = GetMenuItemCount(popup) - 1;
        ASSERT_GT(last, 0);
        EXPECT_TRUE(GetMenuState(popup, last, MF_BYPOSITION) & MF_SEPARATOR);
    }
}

TEST_F(Resources, DebugMenuHoldsTheDeveloperCommands) {
    MenuHolder menu(LoadMenuW(module_, MAKEINTRESOURCEW(IDR_DEBUGMENU)));
    ASSERT_NE(menu.menu, nullptr);
    HMENU popup = GetSubMenu(menu.menu, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemID(popup, 0), static_cast<UINT>(ID_DEBUG_TESTA6));
    for (UINT id = ID_DEBUG_TESTA6; id <= ID_DEBUG_DUMPLIFETIME; ++id)
        EXPECT_NE(GetMenuState(popup, id, MF_BYCOMMAND), static_cast<UINT>(-1)) << id;
    EXPECT_EQ(MenuText(popup, ID_DEBUG_CANVASTEST), L"Call canvasTest()");
}

TEST_F(Resources, AcceleratorsMapControlKeysToCommands) {
    HACCEL table = LoadAcceleratorsW(module_, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    ACCEL entries[32] = {};
    const int n = CopyAcceleratorTableW(table, entries, 32);
    DestroyAcceleratorTable(table);

    const std::set<std::pair<WORD, WORD>> expected = {
        {'O', ID_FILE_OPEN}, {'N', ID_FILE_NEW},   {'S', ID_FILE_SAVE},  {'P', ID_FILE_PRINT},
        {'Z', ID_EDIT_UNDO}, {'Y', ID_EDIT_REDO},  {'X', ID_EDIT_CUT},   {'C', ID_EDIT_COPY},
        {'V', ID_EDIT_PASTE}, {'A', ID_EDIT_SELECTALL}, {VK_UP, ID_ZOOM_IN}, {VK_DOWN, ID_ZOOM_OUT}};
    std::set<std::pair<WORD, WORD>> actual;
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT), FVIRTKEY | FCONTROL) << i;
        actual.insert({entries[i].key, entries[i].cmd});
    }
    EXPECT_EQ(actual, expected);
}

TEST_F(Resources, IconCursorsAndBitmapsLoad) {
    HICON icon = static_cast<HICON>(
        LoadImageW(module_, MAKEINTRESOURCEW(IDI_APPICON), IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    DestroyIcon(icon);

    for (UINT id : {100u, 101u, 102u, 103u, 130u}) {
        HCURSOR c = static_cast<HCURSOR>(LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
        EXPECT_NE(c, nullptr) << id;
        if (c) DestroyCursor(c);
    }
    for (UINT id = 105; id <= 126; ++id) {
        HCURSOR c = static_cast<HCURSOR>(LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
        EXPECT_NE(c, nullptr) << id;
        if (c) DestroyCursor(c);
    }

    const struct { UINT id; LONG width, height; } bitmaps[] = {
        {IDB_HANDLE, 7, 7}, {IDB_FREEHANDLE, 9, 9}, {IDB_HIDDENHANDLE, 5, 5},
        {IDB_PROPERTYIMAGES, 80, 16}, {IDB_ZOOMIN, 16, 16}, {IDB_ZOOMOUT, 16, 16}};
    for (const auto& b : bitmaps) {
        HBITMAP bmp = static_cast<HBITMAP>(LoadImageW(module_, MAKEINTRESOURCEW(b.id), IMAGE_BITMAP, 0, 0, 0));
        ASSERT_NE(bmp, nullptr) << b.id;
        BITMAP info = {};
        GetObjectW(bmp, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, b.width) << b.id;
        EXPECT_EQ(info.bmHeight, b.height) << b.id;
        DeleteObject(bmp);
    }
}

TEST_F(Resources, VersionIsOneThreeFour) {
    HRSRC res = FindResourceW(module_, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16) /* RT_VERSION */);
    ASSERT_NE(res, nullptr);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module_, res)));
    ASSERT_NE(data, nullptr);
    // Header (3 words), the key "VS_VERSION_INFO" with its NUL, padding to 4 bytes.
    ASSERT_GE(SizeofResource(module_, res), 40u + sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    memcpy(&fixed, data + 40, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010003u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00040000u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010003u);
}

}  // namespace
