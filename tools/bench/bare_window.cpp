// The start-up reference of the open benchmark: the least a Win32 program does to show a painted
// window (a class, an overlapped window, a message loop); ends when the window is closed.
// Built a second time with QUORVEL_BARE_IMPORTS: the same window with the editor's import list
// (one function of each library referenced, never called), to measure what loading them costs;
// QUORVEL_BARE_LEAN leaves out the libraries the editor loads only on first use.
#include <windows.h>
#ifdef QUORVEL_BARE_IMPORTS
#include <commctrl.h>
#include <commdlg.h>
#include <gdiplus.h>
#include <ole2.h>
#include <shellapi.h>
#include <usp10.h>
#include <winspool.h>
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
    HWND hwnd = CreateWindowExW(0, cls.lpszClassName, L"Bare window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
