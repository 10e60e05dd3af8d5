// Gives a Wine prefix without printers a PostScript printer that prints to a file the user names, so
// that Page Setup and Print work in the editor that scripts/run starts. Exit code 0: a default printer
// is there (ours or one the prefix had).
#include "tools/FilePrinter.h"

#include <cstdio>

int wmain()
{
    wchar_t name[256] = {};
    DWORD size = 256;
    if (::GetDefaultPrinterW(name, &size)) return 0;
    if (FilePrinter::Install(L"Print to File (PostScript)", L"Quorvel PostScript Driver", L"quorvel-file.ppd"))
        return 0;
    std::fputs("file_printer: the printer could not be installed\n", stderr);
    return 1;
}
