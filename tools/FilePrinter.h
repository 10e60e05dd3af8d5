// A PostScript printer on the FILE: port, installed from the spooler's own description: the
// tests print through one, and the editor started by scripts/run gets one in a fresh prefix.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace FilePrinter {

// Writes the PostScript description that the system's spooler carries as a resource; empty on failure.
inline std::wstring ExtractPpd(const wchar_t* fileName)
{
    HMODULE spooler = ::LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (spooler == nullptr) return {};
    std::wstring path;
    if (HRSRC res = ::FindResourceW(spooler, MAKEINTRESOURCEW(1), L"PPDFILE")) {
        const void* data = ::LockResource(::LoadResource(spooler, res));
        const DWORD size = ::SizeofResource(spooler, res);
        // The driver looks for its data file in the version folder of the printer driver directory.
        wchar_t dir[MAX_PATH] = {};
        DWORD needed = 0;
        if (::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof(dir), &needed)) {
            path = std::wstring(dir) + L"\\3";
            ::CreateDirectoryW(path.c_str(), nullptr);
            path += L"\\";
            path += fileName;
            std::ofstream(std::filesystem::path(path), std::ios::binary).write(static_cast<const char*>(data), size);
        }
    }
    ::FreeLibrary(spooler);
    return path;
}

// Deletes the printer of that name, if there is one.
inline void Remove(const wchar_t* printer)
{
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (::OpenPrinterW(const_cast<wchar_t*>(printer), &h, &access)) {
        ::DeletePrinter(h);
        ::ClosePrinter(h);
    }
}

// Installs a PostScript printer on the FILE: port under these names and makes it the default; false
// when it cannot.
inline bool Install(const wchar_t* printer, const wchar_t* driverName, const wchar_t* ppdFile)
{
    const std::wstring ppd = ExtractPpd(ppdFile);
    if (ppd.empty()) return false;
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(driverName);
    driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
    driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDataFile = const_cast<wchar_t*>(ppd.c_str());
    if (!::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES)) return false;
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(printer);
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = const_cast<wchar_t*>(driverName);
    // With the processor "wineps" nothing is written.
    info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    HANDLE h = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (h == nullptr) return false;
    ::ClosePrinter(h);
    return ::SetDefaultPrinterW(printer) != FALSE;
}

} // namespace FilePrinter
