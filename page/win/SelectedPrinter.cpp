#include "page/win/SelectedPrinter.h"

namespace Page {

PrinterHandle::PrinterHandle(const std::wstring& name)
{
    if (name.empty() || !::OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &handle_, nullptr)) handle_ = nullptr;
}

PrinterHandle::~PrinterHandle()
{
    if (handle_ != nullptr) ::ClosePrinter(handle_);
}

std::wstring GetDefaultPrinterName()
{
    DWORD size = 128;
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::vector<wchar_t> buffer(size, L'\0');
        DWORD length = size;
        if (::GetDefaultPrinterW(buffer.data(), &length)) {
            if (length == 0) return {};
            return std::wstring(buffer.data(), std::min<std::size_t>(length - 1, buffer.size()));
        }
        if (length > size) {
            size = length;
        } else {
            // Some spoolers refuse a short buffer without telling the length they need.
            const DWORD error = ::GetLastError();
            if (error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_INVALID_NAME) return {};
            size *= 2;
        }
    }
    return {};
}

WinUtil::DevMode ReadPrinterDevMode(const std::wstring& name)
{
    PrinterHandle printer(name);
    const PrinterInfo info(printer.Get());
    if (info.Get() != nullptr && info.Get()->pDevMode != nullptr) return WinUtil::DevMode(info.Get()->pDevMode);
    return WinUtil::DevMode();
}

namespace {

class SP : public SelectedPrinter {
public:
    SP() : name_(GetDefaultPrinterName()), mode_(ReadPrinterDevMode(name_)) {}
    void GetDevMode(WinUtil::DevMode& out) const override { out = mode_; }
    void GetName(std::wstring& out) const override { out = name_; }
    void Set(const WinUtil::DevMode& mode, const std::wstring& name) override {
        mode_ = mode;
        name_ = name;
    }

private:
    std::wstring name_;
    WinUtil::DevMode mode_;
};

} // namespace

SelectedPrinter& SelectedPrinter::Instance()
{
    static SP printer;
    return printer;
}

std::unique_ptr<SelectedPrinter> SelectedPrinter::CreateFromDefault() { return std::make_unique<SP>(); }

} // namespace Page
