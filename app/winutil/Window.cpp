#include "app/winutil/Window.h"

#include "app/winutil/Exceptions.h"
#include "app/winutil/Guard.h"

namespace WinUtil {
namespace {

const wchar_t kWindowProperty[] = L"Quorvel.WindowObject";
thread_local Window* t_creating = nullptr;  // the object whose window CreateWindowExW is making

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

} // namespace

WindowClass::WindowClass(const wchar_t* name, WNDPROC procedure, HINSTANCE instance, UINT style,
                         HBRUSH background, HCURSOR cursor, const wchar_t* menu, HICON icon)
    : name_(name), instance_(instance ? instance : ProgramInstance()) {
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance_, name, &existing)) return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = procedure ? procedure : &Window::WindowProc;
    wc.hInstance = instance_;
    wc.hIcon = icon;
    wc.hCursor = cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszMenuName = menu;
    wc.lpszClassName = name;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw ComException(HRESULT_FROM_WIN32(GetLastError()));
}

Window::Window() = default;

Window::~Window() {
    if (hwnd_) {
        if (created_)
            DestroyWindow(hwnd_);
        else
            Unbind();
    }
    // Deleted inside one of its own messages: the frames still running must not touch it.
    if (destroyed_) *destroyed_ = true;
}

HWND Window::Create(const WindowClass& cls, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                    int y, int width, int height, HWND parent, HMENU menu) {
    Window* previous = t_creating;
    t_creating = this;
    HWND hwnd = CreateWindowExW(exStyle, cls.GetName(), title, style, x, y, width, height, parent,
                                menu, cls.GetInstance(), nullptr);
    DWORD error = GetLastError();
    t_creating = previous;
    if (!hwnd) throw ComException(HRESULT_FROM_WIN32(error ? error : ERROR_INVALID_WINDOW_HANDLE));
    if (hwnd_ != hwnd) {  // the class procedure was not Window::WindowProc: bind by subclassing
        Attach(hwnd);
    }
    created_ = true;
    return hwnd;
}

void Window::Attach(HWND hwnd) {
    if (hwnd_) Detach();
    if (FromHandle(hwnd)) throw ComException(E_INVALIDARG);  // already a window object's
    SetPropW(hwnd, kWindowProperty, this);
    hwnd_ = hwnd;
    subclassed_ = true;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::WindowProc)));
}

void Window::Detach() {
    if (hwnd_) Unbind();
}

void Window::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void Window::Bind(HWND hwnd, WNDPROC previous) {
    SetPropW(hwnd, kWindowProperty, this);
    hwnd_ = hwnd;
    previous_ = previous;
    subclassed_ = false;
}

void Window::Unbind() {
    if (subclassed_ &&
        GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Window::WindowProc))
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    RemovePropW(hwnd_, kWindowProperty);
    hwnd_ = nullptr;
    subclassed_ = false;
    created_ = false;
}

Window* Window::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<Window*>(GetPropW(hwnd, kWindowProperty)) : nullptr;
}

LRESULT Window::CallPrevious(const WinMessage::Msg& msg) const {
    return CallWindowProcW(previous_ ? previous_ : DefWindowProcW, msg.hwnd, msg.id, msg.wParam,
                           msg.lParam);
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT id, WPARAM wParam, LPARAM lParam) {
    Window* window = FromHandle(hwnd);
    if (!window && t_creating && !t_creating->hwnd_) {
        window = t_creating;
        window->Bind(hwnd, DefWindowProcW);
    }
    if (!window) return DefWindowProcW(hwnd, id, wParam, lParam);
    return window->Handle(id, wParam, lParam);
}

LRESULT Window::Handle(UINT id, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = hwnd_;
    WNDPROC previous = previous_ ? previous_ : DefWindowProcW;
    WinMessage::Msg msg(hwnd, id, wParam, lParam);
    LRESULT result = 0;
    ++depth_;
    // The object may be deleted by a handler of this very message; each frame then learns it from
    // its own flag and passes it on to the frame outside it.
    bool destroyed = false;
    bool* outerDestroyed = destroyed_;
    destroyed_ = &destroyed;
    bool completed = GuardedFunctionCall("WinUtil::Window::WindowProc", [&] {
        bool handled = dispatcher_.Dispatch(msg);  // may delete this object
        if (handled)
            result = msg.result;
        else if (!destroyed || IsWindow(hwnd))
            result = CallWindowProcW(previous, hwnd, id, wParam, lParam);
    });
    if (!completed) {
        result = 0;
        if (id == WM_PAINT) ValidateRect(hwnd, nullptr);  // a failing paint must not repeat forever
        if (id == WM_NCDESTROY) CallWindowProcW(previous, hwnd, id, wParam, lParam);
    }
    if (destroyed) {
        if (outerDestroyed) *outerDestroyed = true;
        return result;
    }
    destroyed_ = outerDestroyed;
    if (id == WM_NCDESTROY && hwnd_ == hwnd) {
        Unbind();
        finished_ = true;
    }
    if (--depth_ == 0 && finished_) {
        finished_ = false;
        OnFinalMessage();  // may delete this: nothing below touches members
    }
    return result;
}

void MouseInputControl::BeginCapture() {
    if (count_++ == 0) ::SetCapture(hwnd_);
}

void MouseInputControl::EndCapture() {
    if (count_ > 0 && --count_ == 0 && GetCapture() == hwnd_) ReleaseCapture();
}

void MouseInputControl::SetCapture(bool on) {
    if (on)
        ::SetCapture(hwnd_);
    else if (GetCapture() == hwnd_)
        ReleaseCapture();
}

PrivateMessage& PrivateMessage::Instance() {
    static PrivateMessage instance;
    return instance;
}

UINT PrivateMessage::Allocate() {
    return next_++;
}

} // namespace WinUtil
