// The abort dialog of a print job and the abort procedure that keeps the program alive while the
// job runs and stops it when the user cancels.
#pragma once

#include "app/SdiApp.h"
#include "app/winutil/Platform.h"
#include "drawing/DrawingKernel.h"

#include <string>

namespace Editor {

// Clears the abort flag, installs the abort procedure on the printer's device context and shows
// the abort dialog over the owner (disabling it); a dialog that already exists is kept.
void StartAbortDialog(HDC dc, Application::IApplication& application, HWND owner, const std::wstring& documentName);
// Sets the abort flag and destroys the abort dialog; the owner is enabled again.
void EndAbortDialog(HDC dc);
// The abort procedure: 0 (stop) when the flag is set, the message loop ended or the body failed;
// otherwise processes the waiting messages while the abort dialog exists and answers 1.
BOOL CALLBACK AbortProc(HDC dc, int error);
// The abort flag the printer canvas asks before the document and before and after every sheet.
const ICanvas::IAbortFlag& GetPrintAbortFlag();
// The abort dialog's window, or null when there is none.
HWND GetAbortDialogWindow();

} // namespace Editor
