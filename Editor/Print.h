// Printing a diagram: the Print command with its dialog, printing from the command line, one print
// job across the page grid or fitted to one sheet, the print-to-file question, and the document's
// save-changes question.
#pragma once

#include "app/SdiApp.h"
#include "app/winutil/GlobalHandle.h"
#include "app/winutil/Platform.h"
#include "core/Diagram.h"
#include "drawing/DrawingKernel.h"

#include <functional>
#include <string>

namespace Page {
class Page;
}

namespace Editor {

// The print options, remembered while the program runs (never stored).
struct PrintOptions {
    bool fit = false;          // "Fit to a single page" for a diagram of several pages
    bool marks = false;        // glue and cut marks
    bool printToFile = false;  // the next print dialog starts with "Print to file" checked
    bool reduce = false;       // "Reduce to printer page" for a diagram of one page
};

// The process's remembered options.
PrintOptions& RememberedPrintOptions();

// The Print command: the print dialog for the diagram's pages, then the job on the chosen printer
// (which becomes the selected printer). Cancelling anything prints nothing, without a message.
void PrintDiagram(Application::IApplication& application, Core::Diagram& diagram, const std::wstring& documentName,
                  HWND owner);

// Printing from the command line: the dialog confirms itself on the named printer (an empty
// printer name: the selected printer), with the remembered options.
void PrintDiagramWithoutDialog(Application::IApplication& application, Core::Diagram& diagram,
                               const std::wstring& documentName, HWND owner, const std::wstring& printer,
                               const std::wstring& driver, const std::wstring& port);

// One print job on the printer's device context: a read-only view of the diagram on a printer
// canvas, the abort dialog while it runs. Answers whether every sheet was printed; exceptions pass
// on after the clean-up (the owner and the abort dialog are always restored).
bool RunPrintJob(Core::Diagram& diagram, HDC printer, const DEVMODEW* mode, const std::wstring& documentName,
                 HWND owner, Application::IApplication& application, bool fit, bool marks, ICanvas::PageRange range,
                 const std::wstring& outputFile);

// Asks for the file a print goes to; empty when cancelled.
std::wstring AskPrintFileName(HWND owner);
// Replaces the print-to-file question (tests answer it themselves); empty restores the dialog.
using PrintFileQuestion = std::function<std::wstring(HWND owner)>;
void SetPrintFileQuestion(PrintFileQuestion question);

// The save-changes question about the document: 1 save, 0 discard, 2 cancel.
int AskSaveChanges(HWND owner, const std::wstring& documentName);

// The diagram's first page element, or none.
Page::Page* FindDiagramPage(const Core::Diagram& diagram);
// The DEVMODE a print starts with: the selected printer's, with the page's paper and orientation.
WinUtil::GlobalHandle MakePrintDevMode(const Page::Page* page);

} // namespace Editor
