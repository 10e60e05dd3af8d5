#include "page/win/PrinterPage.h"

#include "page/win/SelectedPrinter.h"

#include <algorithm>
#include <cmath>

namespace Page {

namespace {

// The port of the printer, which the capability queries want beside its name.
std::wstring PortOf(const std::wstring& printerName)
{
    PrinterHandle printer(printerName);
    const PrinterInfo info(printer.Get());
    return info.Get() != nullptr && info.Get()->pPortName != nullptr ? info.Get()->pPortName : L"";
}

// The paper the printer's DEVMODE names, with its size from the paper list when the DEVMODE has none.
struct PrinterPaper {
    int code = 0;
    int width = 0;   // 0.01 mm
    int height = 0;
    bool landscape = false;
};

PrinterPaper ReadPrinterPaper(const std::wstring& name)
{
    PrinterPaper paper;
    PrinterHandle printer(name);
    const PrinterInfo info(printer.Get());
    const DEVMODEW* mode = info.Get() != nullptr ? info.Get()->pDevMode : nullptr;
    if (mode == nullptr) return paper;
    paper.landscape = mode->dmOrientation == DMORIENT_LANDSCAPE;
    paper.code = mode->dmPaperSize;
    paper.width = mode->dmPaperWidth * 10;
    paper.height = mode->dmPaperLength * 10;
    if (paper.width == 0 || paper.height == 0) {
        for (const Paper& p : GetPaperList(name)) {
            if (p.code == paper.code) {
                paper.width = p.width * 10;
                paper.height = p.height * 10;
                break;
            }
        }
    }
    return paper;
}

} // namespace

std::vector<Paper> GetPaperList(const std::wstring& printerName)
{
    std::vector<Paper> papers;
    if (printerName.empty()) return papers;
    const std::wstring port = PortOf(printerName);
    const wchar_t* device = printerName.c_str();
    const int count = ::DeviceCapabilitiesW(device, port.c_str(), DC_PAPERS, nullptr, nullptr);
    if (count <= 0) return papers;
    std::vector<WORD> codes(count);
    std::vector<POINT> sizes(count);
    std::vector<wchar_t> names(std::size_t(count) * 64, L'\0');
    if (::DeviceCapabilitiesW(device, port.c_str(), DC_PAPERS, reinterpret_cast<wchar_t*>(codes.data()), nullptr) != count ||
        ::DeviceCapabilitiesW(device, port.c_str(), DC_PAPERSIZE, reinterpret_cast<wchar_t*>(sizes.data()), nullptr) != count)
        return papers;
    const bool haveNames = ::DeviceCapabilitiesW(device, port.c_str(), DC_PAPERNAMES, names.data(), nullptr) == count;
    for (int i = 0; i < count; ++i) {
        Paper p;
        if (haveNames) {
            const wchar_t* n = names.data() + std::size_t(i) * 64;
            p.name.assign(n, wcsnlen(n, 64));
        }
        p.code = codes[i];
        p.width = sizes[i].x;
        p.height = sizes[i].y;
        papers.push_back(std::move(p));
    }
    return papers;
}

bool IsUSMeasureLocale()
{
    wchar_t buffer[4] = {};
    return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, buffer, 4) == 2 && buffer[0] == L'1';
}

std::shared_ptr<Page> CreatePageForPrinter(Core::Env& env, const std::wstring& printerName)
{
    return CreatePageForPrinter(env, printerName, IsUSMeasureLocale());
}

std::shared_ptr<Page> CreatePageForPrinter(Core::Env& env, const std::wstring& printerName, bool usMeasure)
{
    auto page = CreateDefaultPage(env);
    PrinterPaper paper = ReadPrinterPaper(printerName);
    if (paper.code <= 0 || paper.width < Limits::kMinPaperSide || paper.height < Limits::kMinPaperSide) {
        paper.code = usMeasure ? DMPAPER_LETTER : DMPAPER_A4;
        paper.width = usMeasure ? 21590 : 21000;
        paper.height = usMeasure ? 27940 : 29700;
    }
    page->SetSize(env, paper.code);
    page->SetWidth(env, paper.width);
    page->SetHeight(env, paper.height);
    page->SetLandscape(env, paper.landscape);
    const int32_t margin = usMeasure ? 1016 : 1000;
    page->SetMargins(env, zq::Rect(margin, margin, margin, margin));
    page->SetCutGlueMargins(env, zq::Rect(margin, margin, margin, margin));
    return page;
}

short PrinterPaperTenths(double tenths)
{
    const double rounded = std::floor(tenths + 0.5);
    return static_cast<short>(std::clamp(rounded, 0.0, double(Limits::kMaxPrinterPaperSide / 10)));
}

void ApplyPageToDevMode(const Page& page, WinUtil::DevMode& mode)
{
    DEVMODEW* dm = mode.Get();
    dm->dmPaperSize = static_cast<short>(page.GetSize());
    dm->dmPaperLength = PrinterPaperTenths(page.GetHeight() / 10);
    dm->dmPaperWidth = PrinterPaperTenths(page.GetWidth() / 10);
    dm->dmOrientation = page.IsLandscape() ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    dm->dmFields |= DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
}

} // namespace Page
