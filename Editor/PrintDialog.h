// The hook of the print dialog with the program's template "DIAGRAMPRINTDLG": the page-grid options
// (fit to one sheet, glue and cut marks, reduce to the printer's page) and the copies range of the
// chosen printer; and the hook that confirms the dialog at once when printing from the command line.
#pragma once

#include "app/winutil/Platform.h"

#include <string>

namespace Editor {

// Control ids of the print dialog's own controls.
inline constexpr int kFitToPageButton = 1059;
inline constexpr int kMarksCheckBox = 1042;
inline constexpr int kReduceCheckBox = 1043;

// The record the hook works on: the options, and whether the diagram has more than one page.
struct PrintHookRecord {
    bool fit = false;
    bool marks = false;
    bool reduce = false;
    bool manyPages = false;
};

// The hook of the print dialog; lCustData of the dialog's PRINTDLGW points to a PrintHookRecord,
// which OK fills from the dialog. Answers 1 to WM_INITDIALOG and WM_APP, else 0.
UINT_PTR CALLBACK PrintDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The hook of printing without dialog: the dialog confirms itself as soon as it opens.
UINT_PTR CALLBACK ConfirmAtOnceHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Enables the marks check box only with several pages and "Fit to a single page" unchecked.
void UpdateGlueCutEnable(HWND dialog);
// Limits the copies to what the printer chosen in the printer list can print; a printer of one
// copy fixes the field at 1 and disables it.
void UpdateCopiesRange(HWND dialog);
// The up-down control beside the edit control that has it as its buddy, or null.
HWND FindUpDownBuddy(HWND edit);
// The text of the selected item of a combo box (empty when none).
std::wstring GetComboSelectionText(HWND combo);

} // namespace Editor
