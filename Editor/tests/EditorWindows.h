// Helpers of the tests that start QuorvelUML.exe: the process, its document windows and polling.
#pragma once

#include "app/winutil/Platform.h"

#include <dlgs.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace EditorTest {

// The window class of the editor's document windows.
inline constexpr wchar_t kFrameClass[] = L"Editor::WindowImp";
// What every document window's caption has between the document's title and the diagram type.
inline constexpr wchar_t kProductPart[] = L" - Quorvel - ";

// How long a wait for a state the test needs may take before the test counts as hung: long, as a
// machine whose cores are all busy may take many seconds for a step a quiet one takes at once.
inline constexpr DWORD kHungAfterMs = 60000;

// Polls cond until it holds or the deadline passes (other processes give no event to wait for).
template <class F>
bool WaitFor(F cond, DWORD timeoutMs = kHungAfterMs) {
    const DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

#ifdef QUORVEL_EXE_NAME
// The editor next to the test program (found by the program's own path: a file dialog of an
// earlier test may have moved the current folder). Only tests built beside the editor know its name.
inline std::wstring EditorPath() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring program = path;
    return program.substr(0, program.find_last_of(L'\\') + 1) + QUORVEL_EXE_NAME;
}
#endif

inline std::wstring TextOf(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

inline BOOL CALLBACK CollectDocumentWindow(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    wchar_t cls[64] = L"";
    GetClassNameW(hwnd, cls, 64);
    if (owner == search->pid && IsWindowVisible(hwnd) && std::wstring(cls) == kFrameClass) search->found.push_back(hwnd);
    return TRUE;
}

// The visible document windows of a process, in Z order.
inline std::vector<HWND> VisibleWindows(DWORD pid) {
    WindowSearch search{pid, {}};
    EnumWindows(CollectDocumentWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Cuts the tail off the text when the text ends with it; answers whether it did.
inline bool CutTail(std::wstring& text, const std::wstring& tail) {
    if (text.size() < tail.size() || text.compare(text.size() - tail.size(), tail.size(), tail) != 0) return false;
    text.resize(text.size() - tail.size());
    return true;
}

// The caption of a window before the product, without the read-only mark (which follows the
// modified mark).
inline std::wstring TitleWithModifiedMark(HWND window) {
    std::wstring title = TextOf(window);
    title = title.substr(0, title.find(kProductPart));
    CutTail(title, L" (read-only)");
    return title;
}

// The document's title a window shows: its caption before the product, without the window number,
// the modified mark and the read-only mark.
inline std::wstring TitleShown(HWND window) {
    std::wstring title = TitleWithModifiedMark(window);
    CutTail(title, L" *");
    const size_t colon = title.find_last_of(L':');
    if (colon != std::wstring::npos && colon + 1 < title.size() &&
        title.find_first_not_of(L"0123456789", colon + 1) == std::wstring::npos)
        title.resize(colon);
    return title;
}

// Whether a title names the file (its last part, with or without the extension), in any case.
inline bool TitleNames(const std::wstring& title, const std::wstring& path) {
    std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    auto same = [](const std::wstring& a, const std::wstring& b) {
        return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
    };
    const size_t dot = name.find_last_of(L'.');
    return same(title, name) || (dot != std::wstring::npos && same(title, name.substr(0, dot)));
}

// Whether a window shows a new, untitled diagram ("Diagram<n>.qvd").
inline bool IsUntitledWindow(HWND window) {
    const std::wstring title = TitleShown(window);
    return title.rfind(L"Diagram", 0) == 0 && title.size() > 7 && iswdigit(title[7]);
}

// The bytes of a file (none when it cannot be read), read while others may hold it open.
inline std::string Bytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

// Whether the window's caption marks its document modified.
inline bool Modified(HWND frame) {
    std::wstring title = TitleWithModifiedMark(frame);
    return CutTail(title, L" *");
}

// The visible window of the process showing the file, or null.
inline HWND WindowOfPath(DWORD pid, const std::wstring& path) {
    for (HWND hwnd : VisibleWindows(pid))
        if (TitleNames(TitleShown(hwnd), path)) return hwnd;
    return nullptr;
}

struct BoxSearch {
    DWORD pid;
    HWND box;
    const wchar_t* cls = L"#32770";
};

inline BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<BoxSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    wchar_t cls[16] = L"";
    GetClassNameW(hwnd, cls, 16);
    if (owner != s->pid || !IsWindowVisible(hwnd) || std::wstring(cls) != s->cls) return TRUE;
    s->box = hwnd;
    return FALSE;
}

// The visible message box of the process, or null.
inline HWND FindMessageBox(DWORD pid) {
    BoxSearch search{pid, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

// The context menu the process shows (its window of class "#32768"), or null.
inline HWND FindShownMenu(DWORD pid) {
    BoxSearch search{pid, nullptr, L"#32768"};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

struct PaneSearch {
    HWND found = nullptr;
    LONG area = 0;
};

inline BOOL CALLBACK LargerPane(HWND child, LPARAM lp) {
    auto* s = reinterpret_cast<PaneSearch*>(lp);
    wchar_t cls[64] = L"";
    GetClassNameW(child, cls, 64);
    RECT r;
    GetClientRect(child, &r);
    if (std::wstring(cls) == L"Editor::ClientView" && r.right * r.bottom > s->area) {
        s->found = child;
        s->area = r.right * r.bottom;
    }
    return TRUE;
}

// The diagram pane of a document window: its largest child of the pane class.
inline HWND PaneOf(HWND frame) {
    PaneSearch search;
    EnumChildWindows(frame, LargerPane, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Whether keys given now reach the window: it is the foreground window, active in its thread, with
// the keyboard focus on it or inside it (SetForegroundWindow of another process takes effect later).
inline bool TakesKeys(HWND frame) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    return GetForegroundWindow() == frame && GetGUIThreadInfo(GetWindowThreadProcessId(frame, nullptr), &gui) &&
           gui.hwndActive == frame && gui.hwndFocus && (gui.hwndFocus == frame || IsChild(frame, gui.hwndFocus));
}

// The file name field of an open or save dialog (the combo box of the newer layout, else the edit).
inline HWND FileNameField(HWND dialog) {
    HWND combo = GetDlgItem(dialog, cmb13);
    return combo ? combo : GetDlgItem(dialog, edt1);
}

// Starts a program of the host (a Linux program, by its path) on its own; false when it cannot
// start. Wine gives such a process no handle and leaves in hThread a number that is no handle of
// ours: closing it closed whatever handle had that value (once, the tests' standard output).
inline bool StartHostProgram(std::wstring line) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return false;
    if (info.hProcess) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    return true;
}

// What the host's shell command writes to its standard output ("" when it cannot run): written
// into a file of the temporary folder, renamed once whole, which is the sign that it has run.
inline std::string HostOutput(const std::string& command) {
    static unsigned asked = 0;
    const std::string name =
        "/tmp/quorvel-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++asked);
    const std::string line = "{ " + command + "; } > " + name + ".part; mv " + name + ".part " + name;
    if (!StartHostProgram(L"Z:\\bin\\sh -c \"" + std::wstring(line.begin(), line.end()) + L"\"")) return {};
    std::wstring file = L"Z:" + std::wstring(name.begin(), name.end());
    std::replace(file.begin(), file.end(), L'/', L'\\');
    std::string output;
    if (WaitFor([&] { return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; })) output = Bytes(file);
    DeleteFileW(file.c_str());
    return output;
}

// What xprop tells of a property of an X window ("" when it cannot run).
inline std::string XProperty(ULONG_PTR xWindow, const std::string& property) {
    return HostOutput("/usr/bin/xprop -id " + std::to_string(xWindow) + " " + property);
}

// The host's name of a file (UTF-8), empty where there is no host below.
inline std::string UnixName(const std::wstring& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* name = toUnix ? toUnix(path.c_str()) : nullptr;
    if (!name) return {};
    const std::string host = name;
    HeapFree(GetProcessHeap(), 0, name);
    return host;
}

// Whether the window manager has taken the window in hand (openbox marks the windows it manages
// with _OB_APP_TYPE): the focus changes of its taking over are under way then. True where the
// window's X window is not known or xprop is missing.
inline bool ManagedByWindowManager(HWND window) {
    static const bool readable = GetFileAttributesW(L"Z:\\usr\\bin\\xprop") != INVALID_FILE_ATTRIBUTES &&
                                 GetFileAttributesW(L"Z:\\bin\\sh") != INVALID_FILE_ATTRIBUTES;
    const auto x = reinterpret_cast<ULONG_PTR>(GetPropW(window, L"__wine_x11_whole_window"));
    return !readable || !x || XProperty(x, "_OB_APP_TYPE").find(" = ") != std::string::npos;
}

// Whether the window manager has set the state (_NET_WM_STATE_HIDDEN: it has minimised the window)
// on the window's X window. True where that cannot be read.
inline bool WindowManagerState(HWND window, const std::string& state) {
    static const bool readable = GetFileAttributesW(L"Z:\\usr\\bin\\xprop") != INVALID_FILE_ATTRIBUTES &&
                                 GetFileAttributesW(L"Z:\\bin\\sh") != INVALID_FILE_ATTRIBUTES;
    const auto x = reinterpret_cast<ULONG_PTR>(GetPropW(window, L"__wine_x11_whole_window"));
    return !readable || !x || XProperty(x, "_NET_WM_STATE").find(state) != std::string::npos;
}

// Gives a window of another process the keyboard, as a first click on it would, and answers once
// it takes keys. The window manager takes a window just shown in hand a while later, which may
// move the focus around once more, and on a loaded machine answers an activation late: the test
// waits until it has taken the window in hand and the window's thread has seen what came of it
// (a message answered), and makes the window the foreground window again whenever it is not.
inline bool BringToFront(HWND frame) {
    DWORD_PTR ignored = 0;
    if (!WaitFor([&] { return ManagedByWindowManager(frame); }) ||
        !SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, kHungAfterMs, &ignored))
        return false;
    return WaitFor([&] {
        if (TakesKeys(frame)) return true;
        if (GetForegroundWindow() != frame) SetForegroundWindow(frame);
        return false;
    });
}

// Places a document window at the top of the screen, large, in front, and answers its diagram
// pane once it is laid out at that size and takes keys (null when that does not come in time).
inline HWND PlaceLarge(HWND frame) {
    SetWindowPos(frame, HWND_TOP, 10, 10, 1220, 940, SWP_SHOWWINDOW);
    HWND pane = nullptr;
    const bool shown = WaitFor([&] {
        RECT r{};
        pane = PaneOf(frame);
        return pane && GetClientRect(pane, &r) && r.right > 1000 && r.bottom > 600;
    });
    return shown && BringToFront(frame) ? pane : nullptr;
}

// Places a document window at the left or the right half of the screen, in front, and answers its
// diagram pane once it is laid out at that size and takes keys (null when that does not come in time).
inline HWND PlaceHalf(HWND frame, bool right) {
    SetWindowPos(frame, HWND_TOP, right ? 640 : 10, 10, 620, 900, SWP_SHOWWINDOW);
    HWND pane = nullptr;
    const bool laid = WaitFor([&] {
        RECT r{};
        return (pane = PaneOf(frame)) && GetClientRect(pane, &r) && r.right > 500 && r.bottom > 600;
    });
    return laid && BringToFront(frame) ? pane : nullptr;
}

// A started editor process; never left running: the destructor closes its windows and ends it by
// force when it does not end, so that the next test starts alone.
class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() {
        if (!info_.hProcess) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            // A box that comes up on closing (the save question of a changed document) waits for an
            // answer nobody gives: the process is ended then without waiting out the time.
            const bool boxBefore = FindMessageBox(info_.dwProcessId) != nullptr;
            for (HWND hwnd : VisibleWindows(info_.dwProcessId)) PostMessageW(hwnd, WM_CLOSE, 0, 0);
            const DWORD start = GetTickCount();
            while (WaitForSingleObject(info_.hProcess, 20) == WAIT_TIMEOUT) {
                if (GetTickCount() - start > 5000 || (!boxBefore && FindMessageBox(info_.dwProcessId))) {
                    TerminateProcess(info_.hProcess, 99);
                    WaitForSingleObject(info_.hProcess, 5000);
                    break;
                }
            }
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
    // Starts the command line in the directory; false when it cannot start.
    bool Start(const std::wstring& commandLine, const std::wstring& directory) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring line = commandLine;
        return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup,
                              &info_) != FALSE;
    }
    // The exit code, or STILL_ACTIVE when the process has not ended within the time.
    DWORD WaitExit(DWORD timeoutMs) {
        if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }
    DWORD Id() const { return info_.dwProcessId; }
    // Waits until the process waits for input with none pending (WaitForInputIdle's answer).
    DWORD WaitIdle(DWORD timeoutMs) { return WaitForInputIdle(info_.hProcess, timeoutMs); }

private:
    PROCESS_INFORMATION info_{};
};

// The pixels (0x00RRGGBB, rows top down) of a rectangle of a device context: a window's, or the
// screen's as the user sees it.
inline std::vector<DWORD> GrabPixels(HDC source, int x, int y, int width, int height) {
    std::vector<DWORD> pixels;
    if (width <= 0 || height <= 0) return pixels;
    pixels.resize(size_t(width) * size_t(height));
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    GetDIBits(memory, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
    for (DWORD& p : pixels) p &= 0xFFFFFF;
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

// The pixels of a window's client area as the screen shows them.
inline std::vector<DWORD> ScreenPixels(HWND window, POINT* origin = nullptr, SIZE* size = nullptr) {
    RECT client{};
    GetClientRect(window, &client);
    POINT at{0, 0};
    ClientToScreen(window, &at);
    if (origin) *origin = at;
    if (size) *size = {client.right, client.bottom};
    HDC screen = GetDC(nullptr);
    std::vector<DWORD> pixels = GrabPixels(screen, at.x, at.y, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The pixels a pane shows on the screen, as the user sees them, taken when made.
class PanePixels {
public:
    explicit PanePixels(HWND pane) {
        SIZE size{};
        pixels_ = ScreenPixels(pane, &origin_, &size);
        w_ = size.cx;
        h_ = size.cy;
    }
    int Width() const { return w_; }
    int Height() const { return h_; }
    // The pane's top-left corner on the screen.
    POINT Origin() const { return origin_; }
    // The pixel (0x00RRGGBB) at client coordinates; white outside the pane.
    DWORD At(int x, int y) const {
        return x >= 0 && y >= 0 && x < w_ && y < h_ ? pixels_[size_t(y) * size_t(w_) + size_t(x)] : 0xFFFFFF;
    }
    // Whether the pixel is dark in all three colours (lines, text, handles; not a blue guide).
    bool Dark(int x, int y) const {
        const DWORD p = At(x, y);
        return (p & 0xFF) < 100 && ((p >> 8) & 0xFF) < 100 && ((p >> 16) & 0xFF) < 100;
    }

private:
    POINT origin_{0, 0};
    int w_ = 0, h_ = 0;
    std::vector<DWORD> pixels_;
};

// The screen rectangle of the dark pixels (an outline, a text, handles) that a pane shows; none
// when the pane shows nothing dark. Read from the screen as the user sees it.
inline std::optional<RECT> DarkArea(HWND pane)
{
    const PanePixels shot(pane);
    std::optional<RECT> area;
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x) {
            if (!shot.Dark(x, y)) continue;
            if (!area) area = RECT{x, y, x + 1, y + 1};
            area->left = std::min<LONG>(area->left, x);
            area->top = std::min<LONG>(area->top, y);
            area->right = std::max<LONG>(area->right, x + 1);
            area->bottom = std::max<LONG>(area->bottom, y + 1);
        }
    if (area) OffsetRect(&*area, shot.Origin().x, shot.Origin().y);
    return area;
}

// The dark area of the pane once two readings in a row agree (the pane has drawn); none when it
// shows nothing dark or keeps changing.
inline std::optional<RECT> SteadyDarkArea(HWND pane)
{
    std::optional<RECT> shown, last;
    const bool steady = WaitFor([&] {
        last = shown;
        shown = DarkArea(pane);
        return shown && last && EqualRect(&*shown, &*last);
    });
    return steady ? shown : std::nullopt;
}

// A fresh folder under the temporary folder, removed with its files.
class TempFolder {
public:
    explicit TempFolder(const wchar_t* name) {
        wchar_t temp[MAX_PATH] = L"";
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        for (const std::wstring& file : files_) DeleteFileW(file.c_str());
        for (const std::wstring& folder : folders_) RemoveDirectoryW(folder.c_str());
        RemoveDirectoryW(path_.c_str());
    }
    // Creates a file in the folder holding content (empty by default); answers its full path.
    std::wstring AddFile(const std::wstring& name, const std::string& content = {}) {
        std::wstring file = path_ + L"\\" + name;
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            if (!content.empty()) WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
            CloseHandle(h);
        }
        files_.push_back(file);
        return file;
    }
    // Creates an empty folder inside; answers its full path.
    std::wstring AddFolder(const std::wstring& name) {
        std::wstring folder = path_ + L"\\" + name;
        CreateDirectoryW(folder.c_str(), nullptr);
        folders_.push_back(folder);
        return folder;
    }
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    std::vector<std::wstring> files_;
    std::vector<std::wstring> folders_;
};

} // namespace EditorTest
