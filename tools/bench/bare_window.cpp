// The start-up reference of the open benchmark: the least a Win32 program does to show a painted
// window (a class, an overlapped window, a message loop); ends when the window is closed.
// Built a second time with QUORVEL_BARE_IMPORTS: the same window with the editor's import list
// (one function of each library referenced, never called), to measure what loading them costs;
// QUORVEL_BARE_LEAN leaves out the libraries the editor loads only on first use. Built a third time
// with QUORVEL_BARE_CONTROLS: the window with the standard controls the editor's window shows (a
// menu bar, a toolbar of 23 items with two combo boxes, two scroll bars and a size grip), to
// measure what they cost before anything of the editor's own.
#include <windows.h>
#if defined(QUORVEL_BARE_IMPORTS) || defined(QUORVEL_BARE_CONTROLS)
#include <commctrl.h>
#endif
#ifdef QUORVEL_BARE_IMPORTS
#include <commdlg.h>
#include <gdiplus.h>
#include <ole2.h>
#include <shellapi.h>
#include <usp10.h>
#include <winspool.h>
#endif
#ifdef QUORVEL_BARE_CONTROLS
#include <initializer_list>
#endif

namespace {

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

#ifdef QUORVEL_BARE_IMPORTS
// Never true at run time: the references keep the imports without calling into the libraries.
volatile bool never = false;

void ReferenceImports() {
    if (!never) return;
    RegCloseKey(nullptr);
    InitCommonControls();
    ScriptFreeCache(nullptr);
    OleUninitialize();
#ifndef QUORVEL_BARE_LEAN
    CommDlgExtendedError();
    ClosePrinter(nullptr);
    CommandLineToArgvW(nullptr, nullptr);
    Gdiplus::GdiplusShutdown(0);
#endif
}
#endif

#ifdef QUORVEL_BARE_CONTROLS
HMENU MakeMenuBar() {
    HMENU bar = CreateMenu();
    for (const wchar_t* title : {L"&File", L"&Edit", L"&View", L"&Diagram", L"&Styles", L"&Window", L"&Help"}) {
        HMENU popup = CreatePopupMenu();
        AppendMenuW(popup, MF_STRING, 100, L"Item");
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), title);
    }
    return bar;
}

HWND MakeCombo(HWND toolbar, int x, int width, DWORD style, int items) {
    HWND box = CreateWindowExW(0, WC_COMBOBOXW, nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | style, x, 1, width, 500,
                               toolbar, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (int i = 0; i < items; ++i) SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Item"));
    SendMessageW(box, CB_SETCURSEL, 0, 0);
    SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return box;
}

// The toolbar, scroll bars and size grip, placed as the editor places them.
void AddControls(HWND frame) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    HINSTANCE module = GetModuleHandleW(nullptr);
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                   WS_CHILD | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN | CCS_NORESIZE, 0,
                                   0, 0, 0, frame, nullptr, module, nullptr);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELONG(16, 16));
    TBADDBITMAP standard{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    SendMessageW(toolbar, TB_ADDBITMAP, 15, reinterpret_cast<LPARAM>(&standard));
    TBBUTTON buttons[23]{};
    for (int i = 0; i < 23; ++i) {
        const bool separator = i % 4 == 3;
        buttons[i].iBitmap = separator ? (i == 15 ? 124 : i == 19 ? 76 : 0) : i % 15;
        buttons[i].idCommand = separator ? 0 : 200 + i;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = separator ? BTNS_SEP : BTNS_BUTTON;
    }
    SendMessageW(toolbar, TB_ADDBUTTONS, 23, reinterpret_cast<LPARAM>(buttons));
    ShowWindow(toolbar, SW_SHOW);
    RECT item{};
    SendMessageW(toolbar, TB_GETITEMRECT, 15, reinterpret_cast<LPARAM>(&item));
    MakeCombo(toolbar, item.left + 2, 118, CBS_DROPDOWNLIST, 5);
    SendMessageW(toolbar, TB_GETITEMRECT, 19, reinterpret_cast<LPARAM>(&item));
    MakeCombo(toolbar, item.left + 2, 70, CBS_DROPDOWN | CBS_AUTOHSCROLL, 11);

    RECT client{};
    GetClientRect(frame, &client);
    const int bar = GetSystemMetrics(SM_CXVSCROLL), top = 26, bottom = client.bottom - bar;
    MoveWindow(toolbar, 0, 0, client.right, top, FALSE);
    SCROLLINFO si{sizeof si, SIF_ALL | SIF_DISABLENOSCROLL, 0, 2000, 600, 700, 0};
    HWND v = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | SBS_VERT, client.right - bar, top, bar,
                             bottom - top, frame, nullptr, module, nullptr);
    HWND h = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | SBS_HORZ, 0, bottom, client.right - bar,
                             bar, frame, nullptr, module, nullptr);
    SetScrollInfo(v, SB_CTL, &si, FALSE);
    SetScrollInfo(h, SB_CTL, &si, FALSE);
    CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | SBS_SIZEBOX | SBS_SIZEGRIP, client.right - bar,
                    bottom, bar, bar, frame, nullptr, module, nullptr);
}
#endif

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#ifdef QUORVEL_BARE_IMPORTS
    ReferenceImports();
#endif
    WNDCLASSW cls{};
    cls.lpfnWndProc = Procedure;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = L"QuorvelBareWindow";
    if (!RegisterClassW(&cls)) return 1;
    HMENU menu = nullptr;
    DWORD style = WS_OVERLAPPEDWINDOW;
#ifdef QUORVEL_BARE_CONTROLS
    menu = MakeMenuBar();
    style |= WS_CLIPCHILDREN;
#endif
    HWND hwnd = CreateWindowExW(0, cls.lpszClassName, L"Bare window", style,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, instance,
                                nullptr);
    if (!hwnd) return 1;
#ifdef QUORVEL_BARE_CONTROLS
    AddControls(hwnd);
#endif
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
