// The page setup dialog and the printer selection under Wine, driven by messages from a second
// thread: grid changes in the live preview, tabs sharing the working copy, range checks, OK and
// Undo; the FILE: printer in the printer list with its own DEVMODE.
#include "page/tests/dialogs/DialogDriving.h"

#include "app/RegistryAccess.h"
#include "core/UndoHandler.h"
#include "page/Page.h"
#include "page/PageSetup.h"
#include "page/tests/PageTestSupport.h"
#include "page/tests/win/TestPrinter.h"
#include "page/win/PageSetupDialog.h"
#include "page/win/PrinterPage.h"
#include "page/win/PrinterSelect.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace DialogTest;

namespace {

struct Sheets {
    int across = 0, down = 0;
};

// Counts the sheets the preview shows through the middle of its first row and first column.
Sheets CountSheets(HWND preview)
{
    const Picture p = Grab(preview);
    if (p.width == 0) return {};
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    // The first sheet's middle: the first non-face pixel from the top-left along the diagonal.
    int x = 0, y = 0;
    while (x < p.width && y < p.height && p.At(x, y) == face) ++x, ++y;
    if (x >= p.width || y >= p.height) return {};
    return {p.RunsAcross(y + 3, face), p.RunsDown(x + 3, face)};
}

HWND FindPreview(HWND dialog)
{
    for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if ((::GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_OWNERDRAW) return c;
    return nullptr;
}

// Runs the page setup dialog on this thread while driver works it from another.
template <class Driver>
bool RunPageSetup(Core::Diagram& diagram, Driver driver, const Application::IRegistryAccessProvider* access = nullptr,
                  HENHMETAFILE picture = nullptr, const Page::PaperRect& extent = {})
{
    std::thread t([&] {
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = FindDialog(L"Page Setup")) != nullptr && FindPreview(dialog); })) return;
        driver(dialog);
    });
    const bool ok = Page::ShowPageSetup(diagram, nullptr, nullptr, picture, extent, access);
    t.join();
    return ok;
}

TEST(PageSetupDialog, TwoByTwoShowsFourSheetsAndOkIsOneUndoStep)
{
    PageTest::Document doc;
    Sheets before, after;
    bool marginsShown = false, glueEnabled = false, okRefused = false, okBack = false, rowsKept = false;
    const bool ok = RunPageSetup(doc.diagram, [&](HWND dialog) {
        HWND size = FindPageWith(dialog, IDC_PAPER_LIST);
        HWND preview = FindPreview(dialog);
        WaitFor([&] { before = CountSheets(preview); return before.across > 0; }, 5000);  // first paint
        Type(size, IDC_PAGE_ROWS, L"25");
        okRefused = !::IsWindowEnabled(::GetDlgItem(dialog, IDOK));
        Type(size, IDC_PAGE_ROWS, L"2");
        okBack = ::IsWindowEnabled(::GetDlgItem(dialog, IDOK)) != FALSE;
        Type(size, IDC_PAGE_COLUMNS, L"2");
        WaitFor([&] { after = CountSheets(preview); return after.across == 2 && after.down == 2; }, 5000);
        // The margins tab works on the same copy: glue left is enabled by the two columns.
        HWND tab = ::GetDlgItem(dialog, IDC_PAGESETUP_TAB);
        ::SendMessageW(tab, TCM_SETCURSEL, 1, 0);
        NMHDR change{tab, IDC_PAGESETUP_TAB, UINT(TCN_SELCHANGE)};
        ::SendMessageW(dialog, WM_NOTIFY, IDC_PAGESETUP_TAB, LPARAM(&change));
        HWND margins = FindPageWith(dialog, IDC_GLUE_LEFT);
        marginsShown = ::IsWindowVisible(margins) && !::IsWindowVisible(size);
        glueEnabled = ::IsWindowEnabled(::GetDlgItem(margins, IDC_GLUE_LEFT)) != FALSE;
        rowsKept = TextOf(::GetDlgItem(size, IDC_PAGE_ROWS)) == L"2";
        ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(before.across, 1);
    EXPECT_EQ(before.down, 1);
    EXPECT_EQ(after.across, 2);
    EXPECT_EQ(after.down, 2);
    EXPECT_TRUE(okRefused);
    EXPECT_TRUE(okBack);
    EXPECT_TRUE(marginsShown);
    EXPECT_TRUE(glueEnabled);
    EXPECT_TRUE(rowsKept);
    ASSERT_TRUE(ok);
    const Page::Page* page = Page::FindPage(doc.diagram);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetRows(), 2);
    EXPECT_EQ(page->GetColumns(), 2);
    EXPECT_EQ(doc.diagram.GetUndoHandler().GetUndoCount(), 1u);
    doc.diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(Page::FindPage(doc.diagram), nullptr);
}

TEST(PageSetupDialog, LandscapeSwapsTheShownSidesAndCancelChangesNothingButThePosition)
{
    const wchar_t* const path = L"Software\\Quorvel\\PageDialogTest";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path);
    Application::UserKeyRegistryAccess access(path);
    PageTest::Document doc;
    doc.Change([](Core::Env& env) {
        Page::Page& p = Page::FindOrCreatePage(env);
        p.SetSize(env, 9);
        p.SetWidth(env, 21000);
        p.SetHeight(env, 29700);
    });
    const std::string stored = doc.Save();
    std::wstring width, height;
    const bool ok = RunPageSetup(doc.diagram, [&](HWND dialog) {
        HWND size = FindPageWith(dialog, IDC_PAPER_LIST);
        ::SendMessageW(::GetDlgItem(size, IDC_LANDSCAPE), BM_CLICK, 0, 0);
        width = TextOf(::GetDlgItem(size, IDC_PAGE_WIDTH));
        height = TextOf(::GetDlgItem(size, IDC_PAGE_HEIGHT));
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }, &access);
    EXPECT_FALSE(ok);
    std::vector<BYTE> placement;
    WinUtil::Registry::Key key =
        WinUtil::Registry::Key::OpenIfExists(HKEY_CURRENT_USER, std::wstring(path) + L"\\PageSetup", KEY_QUERY_VALUE);
    EXPECT_TRUE(key && key.QueryBinary(L"Placement", placement));
    EXPECT_EQ(placement.size(), 44u);
    key.Close();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path);
    EXPECT_EQ(width.substr(0, 3), L"297");
    EXPECT_EQ(height.substr(0, 3), L"210");
    EXPECT_EQ(doc.Save(), stored);
    EXPECT_EQ(doc.diagram.GetUndoHandler().GetUndoCount(), 1u);
}

TEST(PageSetupDialog, DiagramWiderThanTheSheetTurnsTheRightMarginRedUntilScaledDown)
{
    // A black 300 x 10 mm drawing; the default page is 215.9 mm wide.
    HDC recorder = ::CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    RECT all{0, 0, 3000, 100};
    ::FillRect(recorder, &all, HBRUSH(::GetStockObject(BLACK_BRUSH)));
    HENHMETAFILE picture = ::CloseEnhMetaFile(recorder);
    PageTest::Document doc;
    int redWide = 0, redScaled = 0;
    const COLORREF red = RGB(200, 0, 0);
    RunPageSetup(doc.diagram, [&](HWND dialog) {
        HWND preview = FindPreview(dialog);
        WaitFor([&] { return (redWide = Grab(preview).Count(red)) > 10; }, 5000);  // first paint
        Type(FindPageWith(dialog, IDC_PAPER_LIST), IDC_PAGE_SCALE, L"50");
        WaitFor([&] { return (redScaled = Grab(preview).Count(red)) == 0; }, 5000);
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }, nullptr, picture, {0, 0, 30000, -1000});
    ::DeleteEnhMetaFile(picture);
    EXPECT_GT(redWide, 10);
    EXPECT_EQ(redScaled, 0);
}

// The message box the dialog shows over itself, or null.
HWND FindBoxOver(HWND dialog)
{
    for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        wchar_t cls[16] = {};
        ::GetClassNameW(w, cls, 16);
        if (w != dialog && ::IsWindowVisible(w) && ::GetWindow(w, GW_OWNER) == dialog && std::wstring(cls) == L"#32770")
            return w;
    }
    return nullptr;
}

TEST(PageSetupDialog, APaperSideLongerThanAPrinterTakesIsRefusedWithAMessage)
{
    PageTest::Document doc;
    std::wstring message;
    bool stayedOpen = false, sizeTabShown = false;
    const bool ok = RunPageSetup(doc.diagram, [&](HWND dialog) {
        HWND size = FindPageWith(dialog, IDC_PAPER_LIST);
        Type(size, IDC_PAGE_WIDTH, L"4000");  // beyond 3276.7 mm, inside the field's range
        HWND tab = ::GetDlgItem(dialog, IDC_PAGESETUP_TAB);
        ::SendMessageW(tab, TCM_SETCURSEL, 1, 0);
        NMHDR change{tab, IDC_PAGESETUP_TAB, UINT(TCN_SELCHANGE)};
        ::SendMessageW(dialog, WM_NOTIFY, IDC_PAGESETUP_TAB, LPARAM(&change));
        ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        HWND box = nullptr;
        if (!WaitFor([&] { return (box = FindBoxOver(dialog)) != nullptr; }, 5000)) {
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // no word: the test fails below
            return;
        }
        message = TextOf(::GetDlgItem(box, 0xFFFF));
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        // The dialog turns to the size tab once the box has closed: wait for both.
        WaitFor([&] { return (!::IsWindow(box) || !::IsWindowVisible(box)) && ::IsWindowVisible(size); }, 20000);
        stayedOpen = ::IsWindowVisible(dialog) != FALSE;
        sizeTabShown = ::IsWindowVisible(size) != FALSE;
        Type(size, IDC_PAGE_WIDTH, L"3276.7");  // the longest a printer takes
        ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        // A default printer may ask about its printable area: the margins stay as they are.
        WaitFor([&] {
            if (HWND question = FindBoxOver(dialog)) ::PostMessageW(question, WM_COMMAND, IDNO, 0);
            return !::IsWindow(dialog);
        }, 5000);
    });
    EXPECT_NE(message.find(L"4000.0 mm"), std::wstring::npos) << std::string(message.begin(), message.end());
    EXPECT_NE(message.find(L"3276.7 mm"), std::wstring::npos);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(sizeTabShown) << "the size tab shows the side to correct";
    ASSERT_TRUE(ok);
    ASSERT_NE(Page::FindPage(doc.diagram), nullptr);
    EXPECT_EQ(Page::FindPage(doc.diagram)->GetWidth(), 327670);
}

TEST(PrinterPaper, ASideLongerThanTheDevModeHoldsNeverWraps)
{
    // A page read from a document may be longer than any printer; the printer gets the longest
    // side its fields hold.
    PageTest::Document doc;
    Page::Page* page = nullptr;
    doc.Change([&](Core::Env& env) {
        page = &Page::FindOrCreatePage(env);
        page->SetWidth(env, 400000);
        page->SetHeight(env, 327679);
    });
    WinUtil::DevMode mode;
    Page::ApplyPageToDevMode(*page, mode);
    EXPECT_EQ(mode.Get()->dmPaperWidth, 32767);
    EXPECT_EQ(mode.Get()->dmPaperLength, 32767);

    Page::PageSetup setup(doc.diagram);
    DEVMODEW written{};
    setup.width.Set(500000);
    setup.height.Set(327664);
    Page::WritePaper(setup, written);
    EXPECT_EQ(written.dmPaperWidth, 32767);
    EXPECT_EQ(written.dmPaperLength, 32766);
    EXPECT_EQ(Page::PrinterPaperTenths(-3), 0);
}

TEST(PrinterPaper, WorkingPaperGoesIntoTheDevModeAndAChosenPrinterPaperComesBack)
{
    PageTest::Document doc;
    Page::PageSetup setup(doc.diagram);
    setup.TakePaper({L"A4", 9, 2100, 2970});
    setup.landscape.Set(true);
    DEVMODEW mode{};
    Page::WritePaper(setup, mode);
    EXPECT_EQ(mode.dmPaperSize, 9);
    EXPECT_EQ(mode.dmPaperWidth, 2100);
    EXPECT_EQ(mode.dmPaperLength, 2970);
    EXPECT_EQ(mode.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(mode.dmFields & 15u, 15u);

    const std::vector<Page::Paper> papers{{L"Letter", 1, 2159, 2794}, {L"A3", 8, 2970, 4200}};
    DEVMODEW chosen{};
    chosen.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
    chosen.dmPaperSize = 8;
    chosen.dmOrientation = DMORIENT_PORTRAIT;
    Page::TakePaperFromDevMode(setup, chosen, papers);
    EXPECT_EQ(setup.paperCode.Get(), 8);
    EXPECT_EQ(setup.width.Get(), 29700);
    EXPECT_EQ(setup.height.Get(), 42000);
    EXPECT_FALSE(setup.landscape.Get());

    // A printer without that paper leaves the paper as it was.
    chosen.dmFields = DM_PAPERSIZE;
    chosen.dmPaperSize = 70;
    Page::TakePaperFromDevMode(setup, chosen, papers);
    EXPECT_EQ(setup.paperCode.Get(), 8);
    EXPECT_EQ(setup.width.Get(), 29700);

    // A size given in the DEVMODE itself wins over the list.
    chosen.dmFields = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
    chosen.dmPaperSize = 256;
    chosen.dmPaperWidth = 1000;
    chosen.dmPaperLength = 1500;
    Page::TakePaperFromDevMode(setup, chosen, papers);
    EXPECT_EQ(setup.paperCode.Get(), 256);
    EXPECT_EQ(setup.width.Get(), 10000);
    EXPECT_EQ(setup.height.Get(), 15000);
}

TEST(PrinterStatus, BitsJoinTheirTextsAndTheQueueFollows)
{
    EXPECT_EQ(Page::PrinterStatusText(0, 7), L"Ready");
    EXPECT_EQ(Page::PrinterStatusText(PRINTER_STATUS_PAUSED | PRINTER_STATUS_PAPER_JAM, 3),
              L"Paused; Paper jam; 3 documents waiting");
    EXPECT_EQ(Page::PrinterStatusText(PRINTER_STATUS_BUSY, 2), L"Busy;2 documents waiting");
}

TEST(PrinterMerge, SameDriverTakesEverythingOtherDriverOnlyCommonFields)
{
    DEVMODEW held{}, driver{};
    held.dmSize = driver.dmSize = sizeof(DEVMODEW);
    wcscpy(held.dmDeviceName, L"A");
    wcscpy(driver.dmDeviceName, L"B");
    held.dmFields = DM_PAPERSIZE | DM_COPIES;
    held.dmPaperSize = 9;
    held.dmCopies = 4;
    held.dmScale = 50;
    driver.dmFields = DM_PAPERSIZE | DM_SCALE;
    Page::MergeDevMode(held, driver);
    EXPECT_EQ(driver.dmPaperSize, 9);
    EXPECT_EQ(driver.dmCopies, 0);
    EXPECT_EQ(driver.dmScale, 0);
    wcscpy(driver.dmDeviceName, L"A");
    Page::MergeDevMode(held, driver);
    EXPECT_EQ(driver.dmCopies, 4);
}

TEST(PrinterSelection, ListsTheFilePrinterWithItsPortAndHandsItsOwnDevMode)
{
    ASSERT_TRUE(PageTest::Printers::InstallTestPrinter()) << "the FILE: printer could not be installed";
    std::vector<std::wstring> listed;
    std::wstring where, status;
    std::thread t([&] {
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = FindDialog(L"Page Setup")) != nullptr; })) return;
        HWND combo = ::GetDlgItem(dialog, IDC_PRINTER_LIST);
        listed = ComboItems(combo);
        ::SendMessageW(combo, CB_SELECTSTRING, WPARAM(-1), LPARAM(PageTest::Printers::kPrinter));
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PRINTER_LIST, CBN_SELCHANGE), LPARAM(combo));
        where = TextOf(::GetDlgItem(dialog, IDC_PRINTER_WHERE));
        status = TextOf(::GetDlgItem(dialog, IDC_PRINTER_STATUS));
        ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    WinUtil::DevMode blank;
    blank.Get()->dmPaperSize = 77;  // a previous printer's setting must not reach the new one
    const Page::PrinterChoice choice = Page::SelectPrinter(nullptr, nullptr, blank, L"");
    t.join();
    PageTest::Printers::RemoveTestPrinter();
    EXPECT_NE(std::find(listed.begin(), listed.end(), PageTest::Printers::kPrinter), listed.end());
    EXPECT_EQ(where, L"FILE:");
    EXPECT_EQ(status, L"Ready");
    EXPECT_TRUE(choice.ok);
    EXPECT_EQ(choice.name, PageTest::Printers::kPrinter);
    EXPECT_STREQ(choice.mode.Get()->dmDeviceName, PageTest::Printers::kPrinter);
    EXPECT_NE(choice.mode.Get()->dmPaperSize, 77);
}

} // namespace
