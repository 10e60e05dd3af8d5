// Window objects: a window handle with its message dispatcher, created or attached by subclassing.
#pragma once

#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Platform.h"

#include <string>

namespace WinUtil {

// A window the framework can address: its handle and its message dispatcher.
class IWindow {
public:
    virtual ~IWindow() = default;
    // The window handle (null before creation and after destruction).
    virtual HWND GetHwnd() const = 0;
    // The dispatcher on which owners push their binding maps.
    virtual WinMessage::IWinMsgDispatcher& GetDispatcher() = 0;
};

// A registered window class; registered on first construction, kept for the process.
class WindowClass {
public:
    // Registers name once (a second construction with the same name reuses the class); procedure
    // null means Window::WindowProc, instance null the program's module. Throws ComException.
    WindowClass(const wchar_t* name, WNDPROC procedure = nullptr, HINSTANCE instance = nullptr,
                UINT style = 0, HBRUSH background = nullptr, HCURSOR cursor = nullptr,
                const wchar_t* menu = nullptr, HICON icon = nullptr);
    // The class name to pass to CreateWindowExW.
    const wchar_t* GetName() const { return name_.c_str(); }
    // The module the class is registered in.
    HINSTANCE GetInstance() const { return instance_; }

private:
    std::wstring name_;
    HINSTANCE instance_;
};

// A window object. Its messages go through the dispatcher: spies first, then one consumer, else
// the previous window procedure. Every message is handled inside a guarded call.
class Window : public IWindow {
public:
    Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    // Destroys the window if this object created it, else detaches (restores the procedure).
    ~Window() override;

    // Creates a window of cls (whose procedure must be Window::WindowProc) bound to this object
    // from its first message on; answers the handle; throws ComException on failure.
    HWND Create(const WindowClass& cls, const wchar_t* title, DWORD style, DWORD exStyle = 0,
                int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int width = CW_USEDEFAULT,
                int height = CW_USEDEFAULT, HWND parent = nullptr, HMENU menu = nullptr);
    // Attaches to an existing window by subclassing; the previous procedure stays reachable.
    void Attach(HWND hwnd);
    // Restores the previous procedure and forgets the window (does not destroy it).
    void Detach();
    // Destroys the window (no effect without one).
    void Destroy();

    HWND GetHwnd() const override { return hwnd_; }
    WinMessage::IWinMsgDispatcher& GetDispatcher() override { return dispatcher_; }
    // Calls the previous (default) window procedure with msg and answers its result.
    LRESULT CallPrevious(const WinMessage::Msg& msg) const;
    // The window object bound to hwnd, or null.
    static Window* FromHandle(HWND hwnd);
    // The procedure of classes whose windows are window objects.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT id, WPARAM wParam, LPARAM lParam);

protected:
    // Called after WM_NCDESTROY, when the handle is gone; the object may delete itself here.
    virtual void OnFinalMessage() {}

private:
    LRESULT Handle(UINT id, WPARAM wParam, LPARAM lParam);
    void Bind(HWND hwnd, WNDPROC previous);
    void Unbind();

    HWND hwnd_ = nullptr;
    WNDPROC previous_ = nullptr;
    bool created_ = false;
    bool subclassed_ = false;
    bool finished_ = false;  // WM_NCDESTROY seen; OnFinalMessage runs when the outermost call returns
    int depth_ = 0;          // nesting of messages being handled
    bool* destroyed_ = nullptr;  // set by the destructor: the innermost message in progress stops
    WinMessage::WinMsgDispatcher dispatcher_;
};

// Counted mouse capture of one window: the first BeginCapture captures, the last EndCapture releases.
class IMouseInputControl {
public:
    virtual ~IMouseInputControl() = default;
    // Captures the mouse (counted).
    virtual void BeginCapture() = 0;
    // Releases one count; the capture ends at zero.
    virtual void EndCapture() = 0;
    // Captures (true) or releases (false) directly, regardless of the count.
    virtual void SetCapture(bool on) = 0;
};

// IMouseInputControl over one window.
class MouseInputControl : public IMouseInputControl {
public:
    // Controls the capture of hwnd.
    explicit MouseInputControl(HWND hwnd) : hwnd_(hwnd) {}
    void BeginCapture() override;
    void EndCapture() override;
    void SetCapture(bool on) override;
    // The current count.
    int GetCount() const { return count_; }

private:
    HWND hwnd_;
    int count_ = 0;
};

// Private window message ids handed out from 0x600 (WM_USER + 0x200) upward, each once.
class PrivateMessage {
public:
    // The process-wide allocator.
    static PrivateMessage& Instance();
    // A new id, never handed out before.
    UINT Allocate();

private:
    PrivateMessage() = default;
    UINT next_ = 0x600;
};

} // namespace WinUtil
