// A new document's page from a printer's paper, the locale's paper when there is none, and the
// DEVMODE a print starts with.
#pragma once

#include "app/winutil/DevMode.h"
#include "page/Page.h"
#include "page/PageSetup.h"

#include <string>
#include <vector>

namespace Page {

// The papers of the printer in the driver's order; empty when it cannot be asked.
std::vector<Paper> GetPaperList(const std::wstring& printerName);
// Whether the user's locale measures in the U.S. system.
bool IsUSMeasureLocale();
// A page for a new diagram from the printer's paper and orientation; margins by the locale.
std::shared_ptr<Page> CreatePageForPrinter(Core::Env& env, const std::wstring& printerName);
// The same with the locale's measuring system given.
std::shared_ptr<Page> CreatePageForPrinter(Core::Env& env, const std::wstring& printerName, bool usMeasure);
// A paper side in 0.1 mm as the DEVMODE's 16-bit field holds it, rounded (halves up): a side longer
// than the field holds gives the longest it holds, never a wrapped one.
short PrinterPaperTenths(double tenths);
// Writes the page's paper code, size (0.1 mm) and orientation into the DEVMODE.
void ApplyPageToDevMode(const Page& page, WinUtil::DevMode& mode);

} // namespace Page
