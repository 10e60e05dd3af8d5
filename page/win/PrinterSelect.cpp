#include "page/win/PrinterSelect.h"

#include "app/Dialog.h"
#include "app/winutil/CursorManager.h"
#include "app/winutil/ResourceLoader.h"
#include "page/win/SelectedPrinter.h"
#include "resources/resource.h"

#include <cstring>

namespace Page {

namespace {

std::wstring LoadProgramString(UINT id)
{
    return WinUtil::ResourceLoader::Instance().LoadString(id);
}

// Texts of the status bits for a program whose string table lacks them.
const wchar_t* const kStatusTexts[] = {
    L"Paused; ", L"Error; ", L"Pending deletion; ", L"Paper jam; ", L"Paper out; ", L"Manual feed; ",
    L"Paper problem; ", L"Offline; ", L"I/O active; ", L"Busy;", L"Printing; ", L"Output bin full; ",
    L"Not available; ", L"Waiting; ", L"Processing; ", L"Initializing; ", L"Warming up;", L"Toner low; ",
    L"No toner; ", L"Page punt; ", L"User intervention; ", L"Out of memory; ", L"Door open; ",
    L"Server unknown; ", L"Power save; "};

std::wstring Text(UINT id, const wchar_t* fallback)
{
    std::wstring s = LoadProgramString(id);
    return s.empty() ? fallback : s;
}

} // namespace

std::wstring PrinterStatusText(DWORD status, DWORD jobs)
{
    if (status == 0) return Text(IDS_PRINTER_READY, L"Ready");
    std::wstring text;
    for (UINT bit = 0; bit < 25; ++bit)
        if (status & (1u << bit)) text += Text(IDS_PRINTER_PAUSED + bit, kStatusTexts[bit]);
    return text + WinUtil::FormatPattern(Text(IDS_PRINTER_JOBS, L"%1 documents waiting"), {std::to_wstring(jobs)});
}

std::vector<std::wstring> EnumPrinterNames()
{
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    ::EnumPrintersW(flags, nullptr, 1, nullptr, 0, &needed, &count);
    if (needed == 0) return {};
    std::vector<BYTE> bytes(needed);
    if (!::EnumPrintersW(flags, nullptr, 1, bytes.data(), needed, &needed, &count)) return {};
    const auto* info = reinterpret_cast<const PRINTER_INFO_1W*>(bytes.data());
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pName) names.emplace_back(info[i].pName);
    return names;
}

void MergeDevMode(const DEVMODEW& held, DEVMODEW& driver)
{
    if (std::wcsncmp(held.dmDeviceName, driver.dmDeviceName, CCHDEVICENAME) == 0 &&
        held.dmSpecVersion == driver.dmSpecVersion && held.dmDriverVersion == driver.dmDriverVersion &&
        held.dmSize == driver.dmSize && held.dmDriverExtra == driver.dmDriverExtra) {
        std::memcpy(&driver, &held, held.dmSize + held.dmDriverExtra);
        return;
    }
    const DWORD both = held.dmFields & driver.dmFields;
#define QUORVEL_TAKE(flag, field) \
    if (both & flag) driver.field = held.field
    QUORVEL_TAKE(DM_ORIENTATION, dmOrientation);
    QUORVEL_TAKE(DM_PAPERSIZE, dmPaperSize);
    QUORVEL_TAKE(DM_PAPERLENGTH, dmPaperLength);
    QUORVEL_TAKE(DM_PAPERWIDTH, dmPaperWidth);
    QUORVEL_TAKE(DM_SCALE, dmScale);
    QUORVEL_TAKE(DM_COPIES, dmCopies);
    QUORVEL_TAKE(DM_DEFAULTSOURCE, dmDefaultSource);
    QUORVEL_TAKE(DM_PRINTQUALITY, dmPrintQuality);
    QUORVEL_TAKE(DM_COLOR, dmColor);
    QUORVEL_TAKE(DM_DUPLEX, dmDuplex);
    QUORVEL_TAKE(DM_YRESOLUTION, dmYResolution);
    QUORVEL_TAKE(DM_TTOPTION, dmTTOption);
    QUORVEL_TAKE(DM_COLLATE, dmCollate);
    QUORVEL_TAKE(DM_LOGPIXELS, dmLogPixels);
    QUORVEL_TAKE(DM_ICMMETHOD, dmICMMethod);
    QUORVEL_TAKE(DM_ICMINTENT, dmICMIntent);
    QUORVEL_TAKE(DM_MEDIATYPE, dmMediaType);
    QUORVEL_TAKE(DM_DITHERTYPE, dmDitherType);
#undef QUORVEL_TAKE
    if (both & DM_FORMNAME) std::memcpy(driver.dmFormName, held.dmFormName, sizeof driver.dmFormName);
}

namespace {

class Dlg : public Application::ModalDialog {
public:
    explicit Dlg(PrinterChoice& result) : result_(result), modeOwner_(result.name) {}

protected:
    BOOL OnInitModal() override {
        combo_ = ::GetDlgItem(GetHwnd(), IDC_PRINTER_LIST);
        GetCommands().Add(IDC_PRINTER_LIST, this, &Dlg::OnList);
        GetCommands().Add(IDC_PROPERTIES, this, &Dlg::OnProperties);
        GetCommands().Add(IDC_NETWORK, this, &Dlg::OnNetwork);
        FillList();
        ::SendMessageW(combo_, CB_SELECTSTRING, WPARAM(-1), LPARAM(result_.name.c_str()));
        ShowStatus();
        return TRUE;
    }
    bool OnEnd(UINT code) override {
        if (code == IDOK) {
            result_.name = Selected();
            if (result_.name != modeOwner_) result_.mode = ReadPrinterDevMode(result_.name);
            result_.ok = true;
        }
        return true;
    }

private:
    void FillList() {
        ::SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
        for (const std::wstring& n : EnumPrinterNames()) ::SendMessageW(combo_, CB_ADDSTRING, 0, LPARAM(n.c_str()));
    }
    std::wstring Selected() const {
        const LRESULT i = ::SendMessageW(combo_, CB_GETCURSEL, 0, 0);
        if (i == CB_ERR) return {};
        std::wstring text(std::size_t(::SendMessageW(combo_, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
        ::SendMessageW(combo_, CB_GETLBTEXT, i, LPARAM(text.data()));
        text.resize(std::wcslen(text.c_str()));
        return text;
    }
    void OnList(const Application::CommandMsg& msg) {
        if (msg.code == CBN_SELCHANGE) ShowStatus();
    }
    // Fills status, type, location and comment of the chosen printer; empty when it cannot be read.
    void ShowStatus() {
        for (int id = IDC_PRINTER_STATUS; id <= IDC_PRINTER_COMMENT; ++id) ::SetDlgItemTextW(GetHwnd(), id, L"");
        PrinterHandle printer(Selected());
        PrinterInfo info(printer.Get());
        const PRINTER_INFO_2W* i = info.Get();
        if (!i) return;
        ::SetDlgItemTextW(GetHwnd(), IDC_PRINTER_STATUS, PrinterStatusText(i->Status, i->cJobs).c_str());
        ::SetDlgItemTextW(GetHwnd(), IDC_PRINTER_TYPE, i->pDriverName ? i->pDriverName : L"");
        const wchar_t* where = (i->pLocation && *i->pLocation) ? i->pLocation : i->pPortName;
        ::SetDlgItemTextW(GetHwnd(), IDC_PRINTER_WHERE, where ? where : L"");
        ::SetDlgItemTextW(GetHwnd(), IDC_PRINTER_COMMENT, i->pComment ? i->pComment : L"");
    }
    void OnProperties(const Application::CommandMsg&) {
        WinUtil::CursorManager::ModalGuard modal;
        std::wstring name = Selected();
        PrinterHandle printer(name);
        if (!printer) return;
        const LONG size = ::DocumentPropertiesW(GetHwnd(), printer.Get(), name.data(), nullptr, nullptr, 0);
        if (size <= 0) return;
        std::vector<BYTE> buffer(std::size_t(size) + sizeof(DEVMODEW));
        auto* mode = reinterpret_cast<DEVMODEW*>(buffer.data());
        if (::DocumentPropertiesW(GetHwnd(), printer.Get(), name.data(), mode, nullptr, DM_OUT_BUFFER) < 0) return;
        MergeDevMode(*result_.mode.Get(), *mode);
        if (::DocumentPropertiesW(GetHwnd(), printer.Get(), name.data(), mode, mode,
                                  DM_IN_BUFFER | DM_IN_PROMPT | DM_OUT_BUFFER) == IDOK) {
            result_.mode = WinUtil::DevMode(mode);
            modeOwner_ = name;
        }
    }
    void OnNetwork(const Application::CommandMsg&) {
        HANDLE connected = ::ConnectToPrinterDlg(GetHwnd(), 0);
        FillList();
        if (!connected) return;
        PrinterInfoOf<PRINTER_INFO_1W, 1> info(connected);
        if (info.Get() && info.Get()->pName)
            ::SendMessageW(combo_, CB_SELECTSTRING, WPARAM(-1), LPARAM(info.Get()->pName));
        ::ClosePrinter(connected);
    }

    PrinterChoice& result_;
    std::wstring modeOwner_;  // the printer the held DEVMODE belongs to
    HWND combo_ = nullptr;
};

} // namespace

PrinterChoice SelectPrinter(HWND owner, HINSTANCE resources, const WinUtil::DevMode& mode, const std::wstring& name)
{
    WinUtil::CursorManager::ModalGuard modal;
    PrinterChoice result{false, name, mode};
    Dlg dialog(result);
    dialog.Show(resources, owner, L"PRINTERSELECT");
    return result;
}

} // namespace Page
