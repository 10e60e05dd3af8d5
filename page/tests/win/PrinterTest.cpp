// The selected printer and a new document's page, with no printer and with a PostScript printer on
// the FILE: port; and a 2 by 3 page printed there as six sheets.
#include "page/PageGrid.h"
#include "page/win/PrinterPage.h"
#include "page/win/SelectedPrinter.h"

#include "drawing/DrawingKernel.h"
#include "page/tests/PageTestSupport.h"
#include "page/tests/win/TestPrinter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

using namespace PageTest::Printers;

// A document whose page is made for a printer.
struct NewPage : PageTest::Document {
    Page::Page* Create(const std::wstring& printer, bool us) {
        Page::Page* page = nullptr;
        Change([&](Core::Env& env) { page = Page::CreatePageForPrinter(env, printer, us).get(); });
        return page;
    }
};

// Runs first in the binary: a fresh prefix has no printer.
TEST(PrinterA, WithoutPrintersTheNameIsEmptyAndTheDevModeBlank)
{
    RemoveTestPrinter();
    if (!Page::GetDefaultPrinterName().empty()) GTEST_SKIP() << "this prefix has a default printer";
    auto printer = Page::SelectedPrinter::CreateFromDefault();
    std::wstring name = L"x";
    printer->GetName(name);
    EXPECT_TRUE(name.empty());
    WinUtil::DevMode mode(7);
    printer->GetDevMode(mode);
    EXPECT_EQ(mode.Size(), 220u);
    EXPECT_EQ(mode.Get()->dmSize, 220);
    EXPECT_EQ(mode.Get()->dmDriverExtra, 0);
    EXPECT_EQ(mode.Get()->dmPaperSize, 0);
}

TEST(PrinterA, WithoutAPrinterANewPageTakesTheLocalesPaper)
{
    for (const wchar_t* name : {L"", L"No Such Printer"}) {
        NewPage metric;
        Page::Page* a4 = metric.Create(name, false);
        EXPECT_EQ(a4->GetSize(), 9);
        EXPECT_EQ(a4->GetWidth(), 21000);
        EXPECT_EQ(a4->GetHeight(), 29700);
        EXPECT_EQ(a4->GetMargins(), zq::Rect(1000, 1000, 1000, 1000));
        EXPECT_EQ(a4->GetCutGlueMargins(), zq::Rect(1000, 1000, 1000, 1000));
        EXPECT_FALSE(a4->IsLandscape());
        EXPECT_EQ(a4->GetRows() * a4->GetColumns(), 1);
        EXPECT_EQ(a4->GetScale(), 1.0);
        NewPage us;
        Page::Page* letter = us.Create(name, true);
        EXPECT_EQ(letter->GetSize(), 1);
        EXPECT_EQ(letter->GetWidth(), 21590);
        EXPECT_EQ(letter->GetHeight(), 27940);
        EXPECT_EQ(letter->GetMargins(), zq::Rect(1016, 1016, 1016, 1016));
    }
}

struct FilePrinter : ::testing::Test {
    static void SetUpTestSuite() { installed = InstallTestPrinter(); }
    static void TearDownTestSuite() { RemoveTestPrinter(); }
    void SetUp() override { ASSERT_TRUE(installed) << "the FILE: printer could not be installed"; }
    static bool installed;
};
bool FilePrinter::installed = false;

TEST_F(FilePrinter, TheSelectedPrinterIsTheDefaultWithItsWholeDevMode)
{
    EXPECT_EQ(Page::GetDefaultPrinterName(), kPrinter);
    auto printer = Page::SelectedPrinter::CreateFromDefault();
    std::wstring name;
    printer->GetName(name);
    EXPECT_EQ(name, kPrinter);
    WinUtil::DevMode mode;
    printer->GetDevMode(mode);
    EXPECT_EQ(mode.Size(), std::size_t(mode.Get()->dmSize) + mode.Get()->dmDriverExtra);
    EXPECT_EQ(std::wstring(mode.Get()->dmDeviceName).substr(0, 20), std::wstring(kPrinter).substr(0, 20));
    EXPECT_GT(mode.Get()->dmPaperSize, 0);

    // Set replaces both, and Instance keeps what it was set to.
    WinUtil::DevMode blank;
    Page::SelectedPrinter& shared = Page::SelectedPrinter::Instance();
    std::wstring before;
    shared.GetName(before);
    shared.Set(blank, L"Elsewhere");
    shared.GetName(name);
    EXPECT_EQ(name, L"Elsewhere");
    shared.Set(mode, before);
}

TEST_F(FilePrinter, ANewPageTakesThePrintersPaper)
{
    const WinUtil::DevMode mode = Page::ReadPrinterDevMode(kPrinter);
    const auto papers = Page::GetPaperList(kPrinter);
    ASSERT_FALSE(papers.empty());
    int width = 0, height = 0;
    for (const Page::Paper& p : papers)
        if (p.code == mode.Get()->dmPaperSize && width == 0) width = p.width * 10, height = p.height * 10;
    if (mode.Get()->dmPaperWidth != 0 && mode.Get()->dmPaperLength != 0)
        width = mode.Get()->dmPaperWidth * 10, height = mode.Get()->dmPaperLength * 10;
    ASSERT_GT(width, 0);
    for (bool us : {false, true}) {
        NewPage doc;
        Page::Page* page = doc.Create(kPrinter, us);
        EXPECT_EQ(page->GetSize(), mode.Get()->dmPaperSize);
        EXPECT_EQ(page->GetWidth(), width);
        EXPECT_EQ(page->GetHeight(), height);
        const int m = us ? 1016 : 1000;  // margins follow the locale whatever the paper
        EXPECT_EQ(page->GetMargins(), zq::Rect(m, m, m, m));
    }
    // Letter and A4 are both offered by a PostScript printer, with their sizes in 0.1 mm (the
    // driver converts from points, so a size may be off by one).
    auto within1 = [](int a, int b) { return a - b <= 1 && b - a <= 1; };
    bool letter = false, a4 = false;
    for (const Page::Paper& p : papers) {
        letter = letter || (p.code == DMPAPER_LETTER && within1(p.width, 2159) && within1(p.height, 2794));
        a4 = a4 || (p.code == DMPAPER_A4 && within1(p.width, 2100) && within1(p.height, 2970));
    }
    EXPECT_TRUE(letter);
    EXPECT_TRUE(a4);
}

// Replaces the printer's default DEVMODE through the change; false when the spooler refuses.
template <class F>
bool ChangePrinterDevMode(const wchar_t* name, F change)
{
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!::OpenPrinterW(const_cast<wchar_t*>(name), &h, &access)) return false;
    Page::PrinterInfo info(h);
    bool done = false;
    if (info.Get() != nullptr && info.Get()->pDevMode != nullptr) {
        change(*info.Get()->pDevMode);
        done = ::SetPrinterW(h, 2, reinterpret_cast<BYTE*>(const_cast<PRINTER_INFO_2W*>(info.Get())), 0) != FALSE;
    }
    ::ClosePrinter(h);
    return done;
}

TEST_F(FilePrinter, ALandscapePrinterWithoutUsablePaperGivesTheLocalesPaperInLandscape)
{
    const WinUtil::DevMode original = Page::ReadPrinterDevMode(kPrinter);
    ASSERT_TRUE(ChangePrinterDevMode(kPrinter, [](DEVMODEW& dm) {
        dm.dmOrientation = DMORIENT_LANDSCAPE;
        dm.dmPaperSize = 4321;  // no paper of the list has this code
        dm.dmPaperWidth = 0;
        dm.dmPaperLength = 0;
    }));
    const WinUtil::DevMode changed = Page::ReadPrinterDevMode(kPrinter);
    ASSERT_EQ(changed.Get()->dmOrientation, DMORIENT_LANDSCAPE);
    ASSERT_EQ(changed.Get()->dmPaperSize, 4321);
    NewPage metric;
    Page::Page* a4 = metric.Create(kPrinter, false);
    EXPECT_TRUE(a4->IsLandscape());
    EXPECT_EQ(a4->GetSize(), 9);
    EXPECT_EQ(a4->GetWidth(), 21000);
    EXPECT_EQ(a4->GetHeight(), 29700);
    NewPage us;
    Page::Page* letter = us.Create(kPrinter, true);
    EXPECT_TRUE(letter->IsLandscape());
    EXPECT_EQ(letter->GetSize(), 1);
    EXPECT_EQ(letter->GetWidth(), 21590);
    ChangePrinterDevMode(kPrinter, [&](DEVMODEW& dm) {
        dm.dmOrientation = original.Get()->dmOrientation;
        dm.dmPaperSize = original.Get()->dmPaperSize;
        dm.dmPaperWidth = original.Get()->dmPaperWidth;
        dm.dmPaperLength = original.Get()->dmPaperLength;
    });
}

TEST_F(FilePrinter, ALongDefaultPrinterNameIsReadWhole)
{
    const std::wstring longName = std::wstring(L"Quorvel ") + std::wstring(150, L'x');
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(longName.c_str());
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = const_cast<wchar_t*>(kDriver);
    info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    HANDLE h = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(::SetDefaultPrinterW(longName.c_str()));
    EXPECT_EQ(Page::GetDefaultPrinterName(), longName);
    std::wstring held;
    Page::SelectedPrinter::CreateFromDefault()->GetName(held);
    EXPECT_EQ(held, longName);
    ::DeletePrinter(h);
    ::ClosePrinter(h);
    ::SetDefaultPrinterW(kPrinter);
}

TEST_F(FilePrinter, APageOfTwoRowsAndThreeColumnsPrintsSixSheets)
{
    NewPage doc;
    Page::Page* page = doc.Create(kPrinter, false);
    doc.Change([&](Core::Env& env) {
        page->SetRows(env, 2);
        page->SetColumns(env, 3);
    });
    WinUtil::DevMode mode = Page::ReadPrinterDevMode(kPrinter);
    Page::ApplyPageToDevMode(*page, mode);
    EXPECT_EQ(mode.Get()->dmFields & 15u, 15u);
    EXPECT_EQ(mode.Get()->dmPaperWidth, page->GetWidth() / 10);
    HDC dc = ::CreateDCW(L"WINSPOOL", kPrinter, nullptr, mode.Get());
    ASSERT_NE(dc, nullptr);
    const std::wstring out = TempPath(L"quorvel-six-sheets.ps");
    ::DeleteFileW(out.c_str());
    {
        auto canvas = DrawingKernel::CreatePrinterCanvas(dc, mode.Get(), L"six sheets");
        canvas->SetPageLayout(page->GetLayout());
        const Page::PageLayout l = page->GetLayout();
        ASSERT_EQ(Page::SheetBands(l).size(), 6u);
        auto frame = canvas->CreateRect({0, 0, l.AvailableWidth(), -l.AvailableHeight()});
        struct NeverAborted : ICanvas::IAbortFlag {
            bool IsAborted() const override { return false; }
        } flag;
        EXPECT_TRUE(canvas->Print(flag, false, false, {1, 6}, out));
    }
    ::DeleteDC(dc);
    std::ifstream file(std::filesystem::path(out), std::ios::binary);
    const std::string ps((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::size_t sheets = 0;
    for (std::size_t at = ps.find("%%Page:"); at != std::string::npos; at = ps.find("%%Page:", at + 1)) ++sheets;
    EXPECT_EQ(sheets, 6u) << ps.substr(0, 400);
    ::DeleteFileW(out.c_str());
}

} // namespace
