// A test program: a fault inside the window procedure of its window shows the real error box.
// A watcher thread finds the box by its caption, checks that it is topmost and shows the report,
// writes "box-shown.txt" and waits for "box-captured.txt" (written by the test script after its
// screenshot) before it presses OK. The program then checks that it goes on and ends with 0.
#include "app/winutil/ExceptionBox.h"
#include "app/winutil/ProgramEntry.h"
#include "app/winutil/Window.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

namespace {

const UINT kFault = WM_APP + 21;
const UINT kAlive = WM_APP + 22;
volatile int* volatile g_nowhere = nullptr;

struct FaultyWindow : WinUtil::Window {
    FaultyWindow() : map(GetDispatcher()) {
        map.Add(kFault, this, &FaultyWindow::OnFault);
        map.Add(kAlive, this, &FaultyWindow::OnAlive);
    }
    void OnFault(WinMessage::Msg& msg) { msg.result = *g_nowhere; }
    void OnAlive(WinMessage::Msg& msg) { msg.result = 1234; }
    WinMessage::WinMsgPlugMap map;
};

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    wchar_t buffer[1024] = L"";
    GetWindowTextW(child, buffer, 1024);
    *reinterpret_cast<std::wstring*>(param) += buffer;
    return TRUE;
}

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

void Touch(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

int Fail(const char* what) {
    std::fprintf(stderr, "error box test: %s\n", what);
    return 1;
}

int Run() {
    DeleteFileW(L"box-shown.txt");
    DeleteFileW(L"box-captured.txt");
    const std::wstring caption = WinUtil::ExceptionBox::GetCaption();
    static WinUtil::WindowClass cls(L"QuorvelTest.Faulty");
    FaultyWindow window;
    HWND hwnd = window.Create(cls, L"faulty window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 20, 20, 300, 200);

    std::atomic<bool> stop{false}, found{false}, topmost{false}, captured{false};
    std::wstring text;
    std::thread watcher([&] {
        DWORD deadline = GetTickCount() + 20000;
        HWND box = nullptr;
        while (!stop && GetTickCount() < deadline && !(box = FindWindowW(nullptr, caption.c_str())))
            Sleep(20);  // the box belongs to another thread: poll, bounded by the deadline
        if (!box) return;
        found = true;
        while (!IsWindowVisible(box) && GetTickCount() < deadline) Sleep(20);
        topmost = (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
        // Have the box's thread paint it and its children now, so that the screenshot shows them.
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(box, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
        Touch(L"box-shown.txt");
        deadline = GetTickCount() + 30000;
        while (!Exists(L"box-captured.txt") && GetTickCount() < deadline) Sleep(20);
        captured = Exists(L"box-captured.txt");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    // The user-interface thread blocks inside the guard until the box is closed.
    LRESULT result = SendMessageW(hwnd, kFault, 0, 0);
    stop = true;
    watcher.join();

    if (!found) return Fail("no window captioned with the error caption appeared");
    if (!topmost) return Fail("the box is not topmost");
    if (text.find(L"WinUtil::Access_violation catched in WinUtil::Window::WindowProc\n") == std::wstring::npos)
        return Fail("the box does not show the report");
    if (!captured) return Fail("the screenshot was not taken");
    if (result != 0) return Fail("the faulting message gave a result");
    if (SendMessageW(hwnd, kAlive, 0, 0) != 1234) return Fail("the window stopped working");
    if (FindWindowW(nullptr, caption.c_str())) return Fail("the box is still there");
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return WinUtil::RunProgram(Run);
}
