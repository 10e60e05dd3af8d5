// A PostScript printer on the FILE: port for the tests: installed from the spooler's own
// description, made the default, and removed again.
#pragma once

#include "app/winutil/Platform.h"
#include "tools/FilePrinter.h"

#include <string>

namespace PageTest::Printers {

inline const wchar_t kPrinter[] = L"Quorvel Test PostScript";
inline const wchar_t kDriver[] = L"Quorvel Test PS Driver";

inline std::wstring TempPath(const wchar_t* name)
{
    wchar_t dir[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

inline void RemoveTestPrinter() { FilePrinter::Remove(kPrinter); }

// Installs a PostScript printer on the FILE: port and makes it the default; false when it cannot.
inline bool InstallTestPrinter() { return FilePrinter::Install(kPrinter, kDriver, L"quorvel-test.ppd"); }

} // namespace PageTest::Printers
