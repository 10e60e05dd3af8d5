#include "app/Dialog.h"

#include "app/winutil/Guard.h"
#include "app/winutil/MessageLoop.h"

#include <stdexcept>

namespace Application {

namespace {

const wchar_t* const DialogProperty = L"Quorvel.Dialog";

Dialog* FromHandle(HWND hwnd) {
    return static_cast<Dialog*>(GetPropW(hwnd, DialogProperty));
}

} // namespace

// ---- Dialog ----

Dialog::Dialog() = default;

Dialog::~Dialog() {
    Unbind();
}

void Dialog::Bind(HWND hwnd) {
    Unbind();
    SetPropW(hwnd, DialogProperty, this);
    window_ = std::make_unique<WinUtil::Window>();
    window_->Attach(hwnd);
    commander_ = std::make_unique<WinCommander>(*window_);
    commands_ = std::make_unique<WinCmdPlugSet>(*commander_);
}

void Dialog::Unbind() {
    commands_.reset();
    commander_.reset();
    window_.reset();
}

void Dialog::BindEditCtrl(EditCtrlHelper& control) {
    if (!commands_) return;
    commands_->Add(static_cast<UINT>(control.GetId()), [&control](const CommandMsg& msg) { control.OnCommand(msg.code); });
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
    INT_PTR result = FALSE;
    WinUtil::GuardedFunctionCall("Application::Dialog::DialogProc", [&] {
        switch (msg) {
        case WM_INITDIALOG: {
            auto* dialog = reinterpret_cast<Dialog*>(lParam);
            if (!dialog) return;
            dialog->Bind(hwnd);
            result = dialog->OnInitDialog();
            break;
        }
        case WM_DESTROY:
            if (Dialog* dialog = FromHandle(hwnd)) dialog->OnDestroy();
            break;
        case WM_NCDESTROY:
            RemovePropW(hwnd, DialogProperty);
            break;
        default:
            break;
        }
    });
    return result;
}

// ---- ModalDialog ----

INT_PTR ModalDialog::Show(HINSTANCE resources, HWND owner, const wchar_t* templateName) {
    if (!resources) resources = GetModuleHandleW(nullptr);
    INT_PTR result = DialogBoxParamW(resources, templateName, owner, &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
    Unbind();  // the window is gone: its bindings go too
    return result;
}

BOOL ModalDialog::OnInitDialog() {
    GetCommands().Add(IDOK, [this](const CommandMsg& msg) { OnEndCommand(msg); });
    GetCommands().Add(IDCANCEL, [this](const CommandMsg& msg) { OnEndCommand(msg); });
    return OnInitModal();
}

void ModalDialog::OnEndCommand(const CommandMsg& msg) {
    if (msg.code != 0 && msg.code != 1 && msg.code != BN_CLICKED) return;
    if (OnEnd(msg.id)) End(msg.id);
}

void ModalDialog::End(INT_PTR code) {
    if (GetHwnd()) EndDialog(GetHwnd(), code);
}

// ---- ModelessDialog ----

ModelessDialog::~ModelessDialog() {
    Destroy();
}

HWND ModelessDialog::Create(HWND owner, const wchar_t* templateName) {
    if (GetHwnd()) return GetHwnd();
    HINSTANCE resources = resources_ ? resources_ : GetModuleHandleW(nullptr);
    HWND hwnd = CreateDialogParamW(resources, templateName, owner, &Dialog::DialogProc,
                                   reinterpret_cast<LPARAM>(static_cast<Dialog*>(this)));
    if (!hwnd) throw std::runtime_error("modeless dialog could not be created");
    if (WinUtil::MessageLoop* loop = WinUtil::MessageLoop::Current()) loop->AddModelessDialog(hwnd);
    return hwnd;
}

void ModelessDialog::Destroy() {
    HWND hwnd = GetHwnd();
    if (!hwnd) return;
    if (WinUtil::MessageLoop* loop = WinUtil::MessageLoop::Current()) loop->RemoveModelessDialog(hwnd);
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
}

// ---- CenterWindow ----

void CenterWindow(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    HWND parent = GetParent(window);
    if (!parent) parent = ::GetWindow(window, GW_OWNER);
    HMONITOR monitor = MonitorFromWindow(parent ? parent : window, MONITOR_DEFAULTTONEAREST);
    if (!GetMonitorInfoW(monitor, &mi)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &mi.rcWork, 0);

    RECT over = mi.rcWork;
    const bool child = (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0;
    if (parent && IsWindowVisible(parent) && !IsIconic(parent)) {
        if (child) GetClientRect(parent, &over);
        else GetWindowRect(parent, &over);
    }
    int x = over.left + ((over.right - over.left) - width) / 2;
    int y = over.top + ((over.bottom - over.top) - height) / 2;
    if (!child) {
        // Keep a top-level window on its monitor's work area.
        x = std::max<int>(mi.rcWork.left, std::min<int>(x, mi.rcWork.right - width));
        y = std::max<int>(mi.rcWork.top, std::min<int>(y, mi.rcWork.bottom - height));
    }
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace Application
