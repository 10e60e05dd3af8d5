// The page setup dialog: the "Page Size" and "Margins" tabs over the working copy, the live preview
// and "&Printer...". OK writes the page as one undo step and selects the printer chosen.
#pragma once

#include "app/winutil/DevMode.h"
#include "app/winutil/Platform.h"
#include "page/PageGrid.h"
#include "page/PageSetup.h"

#include <string>
#include <vector>

namespace Core {
class Diagram;
}
namespace Application {
class IRegistryAccessProvider;
}

namespace Page {

// Runs the dialog over the diagram's page; picture (may be null) shows the diagram in the preview
// over extent (0.01 mm, y up). The dialog's position is kept under "PageSetup" of the registry
// access (none: always centred). Answers whether it ended with OK.
bool ShowPageSetup(Core::Diagram& diagram, HWND owner, HINSTANCE resources, HENHMETAFILE picture,
                   const PaperRect& extent, const Application::IRegistryAccessProvider* access = nullptr);

// Writes the working copy's paper into the DEVMODE: code, size in 0.1 mm and orientation.
void WritePaper(const PageSetup& setup, DEVMODEW& mode);

// Takes paper and orientation of a DEVMODE a printer selection returned into the working copy.
void TakePaperFromDevMode(PageSetup& setup, const DEVMODEW& mode, const std::vector<Paper>& papers);

// The smallest margins (0.01 mm, left, top, right, bottom) the printer can print for the working
// copy's sheet; false when the printer gives no information context.
bool GetMinimumMargins(const PageSetup& setup, const std::wstring& printer, const DEVMODEW* mode, MarginRect& out);

} // namespace Page
