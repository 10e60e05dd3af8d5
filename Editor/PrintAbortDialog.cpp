#include "Editor/PrintAbortDialog.h"

#include "app/Dialog.h"
#include "app/winutil/Guard.h"
#include "app/winutil/MessageLoop.h"

#include <memory>

namespace Editor {

namespace {

constexpr int kTextId = 1088;

// The one abort flag of the process.
class Aborter : public ICanvas::IAbortFlag {
public:
    bool IsAborted() const override { return aborted_; }
    void Set(bool aborted) { aborted_ = aborted; }

private:
    bool aborted_ = false;
};

Aborter& TheAborter() {
    static Aborter aborter;
    return aborter;
}

// The modeless "Printing ..." box with its Cancel button.
class ADlg : public Application::ModelessDialog {
public:
    ADlg(HINSTANCE resources, HWND owner, std::wstring documentName)
        : ModelessDialog(resources), owner_(owner), documentName_(std::move(documentName)) {}
    ~ADlg() override { Destroy(); }

protected:
    BOOL OnInitDialog() override {
        GetCommands().Add(IDCANCEL, [](const Application::CommandMsg&) { TheAborter().Set(true); });
        HWND hwnd = GetHwnd();
        wchar_t buffer[200] = {};
        GetDlgItemTextW(hwnd, kTextId, buffer, 200);
        std::wstring text = buffer;
        if (const size_t at = text.find(L"%1"); at != std::wstring::npos) text.replace(at, 2, documentName_);
        SetDlgItemTextW(hwnd, kTextId, text.c_str());
        Place(hwnd);
        if (owner_) EnableWindow(owner_, FALSE);
        UpdateWindow(hwnd);
        return TRUE;
    }
    void OnDestroy() override {
        if (owner_) EnableWindow(owner_, TRUE);
    }

private:
    // Centred over the owner, kept on the desktop, shown.
    void Place(HWND hwnd) const {
        RECT self{}, over{}, desktop{};
        GetWindowRect(hwnd, &self);
        GetWindowRect(GetDesktopWindow(), &desktop);
        if (!owner_ || !GetWindowRect(owner_, &over)) over = desktop;
        const int width = self.right - self.left, height = self.bottom - self.top;
        int left = (over.left + over.right) / 2 - width / 2;
        int top = (over.top + over.bottom) / 2 - height / 2;
        if (left + width > desktop.right) left = desktop.right - width;
        if (top + height > desktop.bottom) top = desktop.bottom - height;
        if (left < desktop.left) left = desktop.left;
        if (top < desktop.top) top = desktop.top;
        SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    }

    HWND owner_;
    std::wstring documentName_;
};

std::unique_ptr<ADlg>& TheDialog() {
    static std::unique_ptr<ADlg> dialog;
    return dialog;
}

// Processes the waiting messages; false when the program is ending (WM_QUIT posted again).
bool PumpWaiting() {
    if (WinUtil::MessageLoop* loop = WinUtil::MessageLoop::Current()) return loop->PumpWaiting();
    HWND dialog = GetAbortDialogWindow();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (dialog && IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

} // namespace

void StartAbortDialog(HDC dc, Application::IApplication& application, HWND owner, const std::wstring& documentName) {
    TheAborter().Set(false);
    SetAbortProc(dc, AbortProc);
    if (TheDialog()) return;
    auto dialog = std::make_unique<ADlg>(application.GetInstance(), owner, documentName);
    dialog->Create(owner, L"PRINTABORT");
    TheDialog() = std::move(dialog);
}

void EndAbortDialog(HDC) {
    TheAborter().Set(true);
    TheDialog().reset();
}

BOOL CALLBACK AbortProc(HDC, int) {
    return WinUtil::GuardedFunctionCall("Editor/PrintAbortDialog AbortProc", FALSE, [] {
        if (TheAborter().IsAborted()) return FALSE;
        if (TheDialog() && !PumpWaiting()) {
            TheAborter().Set(true);  // the program is ending: the job stops
            return FALSE;
        }
        return TRUE;
    });
}

const ICanvas::IAbortFlag& GetPrintAbortFlag() { return TheAborter(); }

HWND GetAbortDialogWindow() { return TheDialog() ? TheDialog()->GetHwnd() : nullptr; }

} // namespace Editor
