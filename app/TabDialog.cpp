// The modal dialog with child pages in a tab control.
#include "app/Dialog.h"

#include "app/winutil/Guard.h"

#include <stdexcept>

namespace Application {

namespace {
// The tab dialogs of this thread that run now, innermost last (for the keyboard filter).
thread_local std::vector<ModalTabDialog*> runningTabDialogs;
} // namespace

void ModalTabDialog::AddPage(const std::wstring& title, const wchar_t* templateName, std::unique_ptr<Dialog> page) {
    pages_.push_back(Page{title, templateName, std::move(page)});
}

INT_PTR ModalTabDialog::Show(HWND owner, const wchar_t* templateName, int tabId, HINSTANCE resources) {
    tabId_ = tabId;
    resources_ = resources ? resources : GetModuleHandleW(nullptr);
    current_ = -1;
    runningTabDialogs.push_back(this);
    hook_ = SetWindowsHookExW(WH_MSGFILTER, &ModalTabDialog::KeyFilter, nullptr, GetCurrentThreadId());
    INT_PTR result = ModalDialog::Show(resources_, owner, templateName);
    if (hook_) UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    std::erase(runningTabDialogs, this);
    return result;
}

BOOL ModalTabDialog::OnInitModal() {
    HWND tab = GetDlgItem(GetHwnd(), tabId_);
    if (!tab) throw std::runtime_error("tab dialog without its tab control");
    notify_ = std::make_unique<WinMessage::WinMsgPlugMap>(GetWindow().GetDispatcher());
    notify_->AddSpy(WM_NOTIFY, this, &ModalTabDialog::OnNotify);
    for (size_t i = 0; i < pages_.size(); ++i) {
        Page& page = pages_[i];
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = page.title.data();
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
        if (!page.dialog) page.dialog = std::make_unique<Dialog>();
        HWND hwnd = CreateDialogParamW(resources_, page.templateName, GetHwnd(), &Dialog::DialogProc,
                                       reinterpret_cast<LPARAM>(page.dialog.get()));
        if (!hwnd) throw std::runtime_error("tab page could not be created");
        PlacePage(hwnd);
    }
    SelectPage(0);
    return TRUE;
}

void ModalTabDialog::OnDestroy() {
    notify_.reset();
    for (Page& page : pages_)
        if (page.dialog && page.dialog->GetHwnd()) DestroyWindow(page.dialog->GetHwnd());
}

void ModalTabDialog::PlacePage(HWND page) {
    HWND tab = GetDlgItem(GetHwnd(), tabId_);
    RECT rect;
    GetWindowRect(tab, &rect);
    MapWindowPoints(nullptr, GetHwnd(), reinterpret_cast<POINT*>(&rect), 2);
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
    SetWindowPos(page, HWND_TOP, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOACTIVATE);
}

HWND ModalTabDialog::GetPageWindow(int index) const {
    if (index < 0 || index >= GetPageCount() || !pages_[index].dialog) return nullptr;
    return pages_[index].dialog->GetHwnd();
}

void ModalTabDialog::SelectPage(int index) {
    const int count = GetPageCount();
    if (count == 0) return;
    index = ((index % count) + count) % count;
    HWND tab = GetDlgItem(GetHwnd(), tabId_);
    if (static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0)) != index) SendMessageW(tab, TCM_SETCURSEL, index, 0);
    for (int i = 0; i < count; ++i)
        if (HWND page = GetPageWindow(i)) ShowWindow(page, i == index ? SW_SHOW : SW_HIDE);
    HWND focus = GetFocus();
    if (current_ >= 0 && focus && IsChild(GetPageWindow(current_), focus)) SetFocus(tab);
    current_ = index;
}

void ModalTabDialog::OnNotify(WinMessage::Msg& msg) {
    const auto* header = reinterpret_cast<const NMHDR*>(msg.lParam);
    if (header && static_cast<int>(header->idFrom) == tabId_ && header->code == TCN_SELCHANGE) OnTabNotify();
}

void ModalTabDialog::OnTabNotify() {
    HWND tab = GetDlgItem(GetHwnd(), tabId_);
    int selected = static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
    if (selected >= 0 && selected != current_) SelectPage(selected);
}

LRESULT CALLBACK ModalTabDialog::KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    bool consumed = false;
    if (code >= 0 && !runningTabDialogs.empty()) {
        WinUtil::GuardedFunctionCall("Application::ModalTabDialog::KeyFilter", [&] {
            const MSG* msg = reinterpret_cast<const MSG*>(lParam);
            ModalTabDialog* dialog = runningTabDialogs.back();
            HWND hwnd = dialog->GetHwnd();
            if (!hwnd || msg->message != WM_KEYDOWN || GetKeyState(VK_CONTROL) >= 0) return;
            if (msg->hwnd != hwnd && !IsChild(hwnd, msg->hwnd)) return;
            int step = 0;
            if (msg->wParam == VK_TAB) step = GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
            else if (msg->wParam == VK_NEXT) step = 1;
            else if (msg->wParam == VK_PRIOR) step = -1;
            if (step == 0) return;
            dialog->SelectPage(dialog->current_ + step);
            consumed = true;
        });
    }
    if (consumed) return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace Application
