#include "Editor/PrintDialog.h"

#include "app/winutil/Guard.h"
#include "page/win/SelectedPrinter.h"

#include <commctrl.h>

namespace Editor {

namespace {

constexpr int kPrinterList = 1139;
constexpr int kAllButton = 1056;
constexpr int kSelectionButton = 1057;
constexpr int kPagesButton = 1058;
constexpr int kFromEdit = 1152;
constexpr int kToEdit = 1153;
constexpr int kCopiesEdit = 1154;

PrintHookRecord* RecordOf(HWND dialog) {
    return reinterpret_cast<PrintHookRecord*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void OnInitDialog(HWND dialog, const PRINTDLGW& pd) {
    auto* record = reinterpret_cast<PrintHookRecord*>(pd.lCustData);
    SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    if (!record) return;
    if (!record->manyPages)
        EnableWindow(GetDlgItem(dialog, kFitToPageButton), FALSE);
    else if (record->fit)
        CheckRadioButton(dialog, kAllButton, kFitToPageButton, kFitToPageButton);
    CheckDlgButton(dialog, kMarksCheckBox, record->marks ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, kReduceCheckBox, record->reduce ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, kReduceCheckBox), !record->manyPages);
    UpdateGlueCutEnable(dialog);
    UpdateCopiesRange(dialog);
}

void OnCommand(HWND dialog, WPARAM wParam) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (code == BN_CLICKED && id == IDOK) {
        if (PrintHookRecord* record = RecordOf(dialog)) {
            record->fit = IsChecked(dialog, kFitToPageButton);
            record->marks = IsChecked(dialog, kMarksCheckBox);
            record->reduce = IsChecked(dialog, kReduceCheckBox);
        }
    }
    // The common dialog does not know the fitting button of the range group: it is unchecked here.
    const bool rangeClicked = code == BN_CLICKED && (id == kAllButton || id == kSelectionButton || id == kPagesButton);
    const bool rangeTyped = code == EN_CHANGE && (id == kFromEdit || id == kToEdit);
    if (rangeClicked || rangeTyped) CheckDlgButton(dialog, kFitToPageButton, BST_UNCHECKED);
    if (code == CBN_SELCHANGE && id == kPrinterList) PostMessageW(dialog, WM_APP, 0, 0);
    UpdateGlueCutEnable(dialog);
}

} // namespace

UINT_PTR CALLBACK PrintDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    UINT_PTR answer = 0;
    WinUtil::GuardedFunctionCall("Editor::PrintDialogHook", [&] {
        switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog, *reinterpret_cast<const PRINTDLGW*>(lParam));
            answer = 1;
            break;
        case WM_COMMAND:
            OnCommand(dialog, wParam);
            break;
        case WM_APP:
            UpdateCopiesRange(dialog);
            answer = 1;
            break;
        default:
            break;
        }
    });
    return message == WM_INITDIALOG || message == WM_APP ? 1 : answer;
}

UINT_PTR CALLBACK ConfirmAtOnceHook(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return 0;
    WinUtil::GuardedFunctionCall("Editor::ConfirmAtOnceHook", [&] { PostMessageW(dialog, WM_COMMAND, IDOK, 0); });
    return 1;
}

void UpdateGlueCutEnable(HWND dialog) {
    const PrintHookRecord* record = RecordOf(dialog);
    const bool enable = record && record->manyPages && !IsChecked(dialog, kFitToPageButton);
    EnableWindow(GetDlgItem(dialog, kMarksCheckBox), enable);
}

void UpdateCopiesRange(HWND dialog) {
    const std::wstring printer = GetComboSelectionText(GetDlgItem(dialog, kPrinterList));
    if (printer.empty()) return;
    Page::PrinterHandle handle(printer);
    Page::PrinterInfo5 info(handle.Get());
    const wchar_t* port = info.Get() ? info.Get()->pPortName : nullptr;
    const DWORD most = DeviceCapabilitiesW(printer.c_str(), port, DC_COPIES, nullptr, nullptr);
    HWND edit = GetDlgItem(dialog, kCopiesEdit);
    if (most == 0 || most == DWORD(-1) || !edit) return;
    HWND upDown = FindUpDownBuddy(edit);
    if (!upDown) return;
    SendMessageW(upDown, UDM_SETRANGE32, 1, most);
    const bool one = most == 1;
    if (one) SendMessageW(upDown, UDM_SETPOS32, 0, 1);
    EnableWindow(edit, !one);
    EnableWindow(upDown, !one);
}

HWND FindUpDownBuddy(HWND edit) {
    HWND parent = GetParent(edit);
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        GetClassNameW(c, cls, 32);
        if (lstrcmpiW(cls, UPDOWN_CLASSW) == 0 && reinterpret_cast<HWND>(SendMessageW(c, UDM_GETBUDDY, 0, 0)) == edit)
            return c;
    }
    return nullptr;
}

std::wstring GetComboSelectionText(HWND combo) {
    if (!combo) return {};
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || length <= 0) return {};
    std::wstring text(size_t(length) + 1, L'\0');
    const LRESULT got = SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == CB_ERR ? 0 : size_t(got));
    return text;
}

} // namespace Editor
