// A PostScript printer on the FILE: port for the tests: installed from the spooler's own
// description, made the default, and removed again.
#pragma once

#include "app/winutil/Platform.h"

#include <filesystem>
#include <fstream>
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

// Writes the PostScript description that the system's spooler carries as a resource.
inline std::wstring ExtractPpd()
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
        if (!::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof(dir), &needed))
            return {};
        path = std::wstring(dir) + L"\\3";
        ::CreateDirectoryW(path.c_str(), nullptr);
        path += L"\\quorvel-test.ppd";
        std::ofstream(std::filesystem::path(path), std::ios::binary).write(static_cast<const char*>(data), size);
    }
    ::FreeLibrary(spooler);
    return path;
}

inline void RemoveTestPrinter()
{
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (::OpenPrinterW(const_cast<wchar_t*>(kPrinter), &h, &access)) {
        ::DeletePrinter(h);
        ::ClosePrinter(h);
    }
}

// Installs a PostScript printer on the FILE: port and makes it the default; false when it cannot.
inline bool InstallTestPrinter()
{
    const std::wstring ppd = ExtractPpd();
    if (ppd.empty()) return false;
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(kDriver);
    driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
    driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDataFile = const_cast<wchar_t*>(ppd.c_str());
    if (!::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES)) return false;
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(kPrinter);
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = const_cast<wchar_t*>(kDriver);
    info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    HANDLE h = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (h == nullptr) return false;
    ::ClosePrinter(h);
    return ::SetDefaultPrinterW(kPrinter) != FALSE;
}

} // namespace PageTest::Printers
