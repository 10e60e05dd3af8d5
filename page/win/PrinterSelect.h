// The printer selection dialog behind "&Printer..." of the page setup: the installed printers with
// status, driver, location and comment, the driver's own properties dialog and network printers.
#pragma once

#include "app/winutil/DevMode.h"
#include "app/winutil/Platform.h"

#include <string>
#include <vector>

namespace Page {

// The status line of a printer: "Ready" for status 0, else the texts of the set bits followed by
// the number of queued jobs.
std::wstring PrinterStatusText(DWORD status, DWORD jobs);

// The names of the local and connected printers in the spooler's order; none on failure.
std::vector<std::wstring> EnumPrinterNames();

// Copies the settings of held that the driver's buffer also has: all of it for the same driver,
// else only the common fields both mark as present.
void MergeDevMode(const DEVMODEW& held, DEVMODEW& driver);

// What the printer selection ends with.
struct PrinterChoice {
    bool ok = false;
    std::wstring name;
    WinUtil::DevMode mode;
};

// Runs the dialog over the printer name and DEVMODE; a cancelled dialog answers them unchanged.
// Another printer chosen comes with its own DEVMODE, never with the previous printer's.
PrinterChoice SelectPrinter(HWND owner, HINSTANCE resources, const WinUtil::DevMode& mode, const std::wstring& name);

} // namespace Page
