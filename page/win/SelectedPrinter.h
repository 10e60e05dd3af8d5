// The printer the whole process works with: the default printer at start, changed by the print and
// page setup dialogs, never stored. With the printer handle and information helpers.
#pragma once

#include "app/winutil/DevMode.h"
#include "app/winutil/Platform.h"

#include <memory>
#include <string>
#include <vector>

namespace Page {

// A printer handle opened by name with no defaults (null when the open fails), closed at the end.
class PrinterHandle {
public:
    explicit PrinterHandle(const std::wstring& name);
    ~PrinterHandle();
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;
    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HANDLE handle_ = nullptr;
};

// The printer information of one level read from an open printer; empty when it cannot be read.
template <class Info, DWORD Level>
class PrinterInfoOf {
public:
    explicit PrinterInfoOf(HANDLE printer) {
        if (printer == nullptr) return;
        DWORD needed = 0;
        ::GetPrinterW(printer, Level, nullptr, 0, &needed);
        if (needed == 0) return;
        bytes_.resize(needed);
        if (!::GetPrinterW(printer, Level, bytes_.data(), needed, &needed)) bytes_.clear();
    }
    // The information, or none.
    const Info* Get() const { return bytes_.empty() ? nullptr : reinterpret_cast<const Info*>(bytes_.data()); }

private:
    std::vector<BYTE> bytes_;
};
using PrinterInfo = PrinterInfoOf<PRINTER_INFO_2W, 2>;
using PrinterInfo5 = PrinterInfoOf<PRINTER_INFO_5W, 5>;

// The default printer's name; empty when there is none.
std::wstring GetDefaultPrinterName();
// The DEVMODE of the named printer (with the driver's bytes), or a blank one when none can be read.
WinUtil::DevMode ReadPrinterDevMode(const std::wstring& name);

// The process-wide current printer: its name and DEVMODE.
class SelectedPrinter {
public:
    // The one object, made from the default printer on first use.
    static SelectedPrinter& Instance();
    // A new object from the current default printer (what Instance holds at first use).
    static std::unique_ptr<SelectedPrinter> CreateFromDefault();

    // Copies the held DEVMODE out.
    virtual void GetDevMode(WinUtil::DevMode& out) const = 0;
    // Copies the printer name out (empty: none).
    virtual void GetName(std::wstring& out) const = 0;
    // Replaces both.
    virtual void Set(const WinUtil::DevMode& mode, const std::wstring& name) = 0;
    virtual ~SelectedPrinter() = default;
};

} // namespace Page
