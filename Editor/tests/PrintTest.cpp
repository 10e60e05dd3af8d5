// Printing under Wine on a PostScript printer at the FILE: port: the print dialog's page-grid
// options for one and for four pages, the print-to-file question and its remembered choice, a job
// across the grid, a range and a fitted sheet, Cancel in the abort dialog, and the save-changes box.
#include "Editor/Print.h"
#include "Editor/PrintAbortDialog.h"
#include "Editor/PrintDialog.h"
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/Figures.h"
#include "app/SdiApp.h"
#include "page/tests/win/TestPrinter.h"
#include "page/win/SelectedPrinter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace {

using namespace EditorTest;
using namespace PageTest::Printers;

struct TestApp : Application::IApplication {
    WinUtil::MessageLoop& GetMessageLoop() override { throw std::logic_error("no loop"); }
    Application::LifeTimeSupervisor& GetLifeTimeSupervisor() override { throw std::logic_error("no tree"); }
    HINSTANCE GetInstance() const override { return GetModuleHandleW(nullptr); }
};

// The number of sheets in a PostScript file (0 when it is missing).
size_t SheetsIn(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    const std::string ps((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    size_t sheets = 0;
    for (size_t at = ps.find("%%Page:"); at != std::string::npos; at = ps.find("%%Page:", at + 1)) ++sheets;
    return sheets;
}

HWND FindPrintDialog() {
    HWND w = FindWindowW(L"#32770", L"Print");
    return w && IsWindowVisible(w) && GetDlgItem(w, Editor::kFitToPageButton) ? w : nullptr;
}

bool Checked(HWND dialog, int id) { return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void Press(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
std::wstring Text(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

struct PrintFixture : ::testing::Test {
    static void SetUpTestSuite() { installed = InstallTestPrinter(); }
    static void TearDownTestSuite() { RemoveTestPrinter(); }
    static bool installed;

    DrawingKernel::GdiplusSession gdiplus;
    TestApp app;
    FigureDiagram doc;
    HWND owner = nullptr;
    TempFolder folder{L"QvPrint"};
    std::vector<HWND> askedWith;        // owners the print-to-file question was asked with
    std::wstring answer;                // its answer
    int draws = 0;

    void SetUp() override {
        ASSERT_TRUE(installed) << "the FILE: printer could not be installed";
        Page::SelectedPrinter::Instance().Set(Page::ReadPrinterDevMode(kPrinter), kPrinter);
        Editor::RememberedPrintOptions() = {};
        Editor::SetPrintFileQuestion([this](HWND o) {
            askedWith.push_back(o);
            return answer;
        });
        Figure::DrawHook() = [this](double) { ++draws; };
        owner = CreateWindowExW(0, L"STATIC", L"Print owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        Editor::SetPrintFileQuestion({});
        Figure::DrawHook() = nullptr;
        if (owner) DestroyWindow(owner);
    }
    // A diagram of rows x columns sheets covered by one figure.
    void Poster(int rows, int columns) {
        Page::Page& page = doc.SetPage(rows, columns);
        const Page::PageLayout l = page.GetLayout();
        doc.Add(0, 0, int(l.AvailableWidth()), int(l.AvailableHeight()), L"poster");
    }
    // Runs the Print command here while driver works the dialog from another thread.
    template <class Driver>
    void RunPrint(Driver driver) {
        std::atomic<bool> found{false};
        std::thread t([&] {
            HWND dialog = nullptr;
            if (!WaitFor([&] { return (dialog = FindPrintDialog()) != nullptr; })) return;
            found = true;
            driver(dialog);
        });
        Editor::PrintDiagram(app, *doc.diagram, L"Poster.qvd", owner);
        t.join();
        EXPECT_TRUE(found) << "the print dialog did not show";
    }
    std::wstring Output(const wchar_t* name) {
        const std::wstring path = folder.AddFile(name);
        DeleteFileW(path.c_str());
        return path;
    }
};
bool PrintFixture::installed = false;

TEST_F(PrintFixture, OnePageOffersReducingButNeitherFittingNorMarks) {
    Poster(1, 1);
    bool fitEnabled = true, reduceEnabled = false, marksEnabled = true;
    RunPrint([&](HWND dialog) {
        fitEnabled = Enabled(dialog, Editor::kFitToPageButton);
        reduceEnabled = Enabled(dialog, Editor::kReduceCheckBox);
        marksEnabled = Enabled(dialog, Editor::kMarksCheckBox);
        Press(dialog, IDCANCEL);
    });
    EXPECT_FALSE(fitEnabled);
    EXPECT_TRUE(reduceEnabled);
    EXPECT_FALSE(marksEnabled);
    EXPECT_EQ(draws, 0) << "a cancelled dialog prints nothing";
    EXPECT_TRUE(askedWith.empty());
}

TEST_F(PrintFixture, FourPagesOfferTheRangeAndFittingExcludesMarks) {
    Poster(2, 2);
    std::wstring from, to;
    bool reduceEnabled = true, marksBefore = false, marksWhenFitted = true, fitAfterTyping = true, marksAfter = false;
    RunPrint([&](HWND dialog) {
        from = Text(dialog, 1152);
        to = Text(dialog, 1153);
        reduceEnabled = Enabled(dialog, Editor::kReduceCheckBox);
        marksBefore = Enabled(dialog, Editor::kMarksCheckBox);
        Click(dialog, Editor::kFitToPageButton);
        marksWhenFitted = Enabled(dialog, Editor::kMarksCheckBox);
        SendMessageW(GetDlgItem(dialog, 1152), WM_SETTEXT, 0, LPARAM(L"2"));
        fitAfterTyping = Checked(dialog, Editor::kFitToPageButton);
        marksAfter = Enabled(dialog, Editor::kMarksCheckBox);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(from, L"1");
    EXPECT_EQ(to, L"4");
    EXPECT_FALSE(reduceEnabled);
    EXPECT_TRUE(marksBefore);
    EXPECT_FALSE(marksWhenFitted);
    EXPECT_FALSE(fitAfterTyping);
    EXPECT_TRUE(marksAfter);
    EXPECT_FALSE(Editor::RememberedPrintOptions().fit) << "a cancelled dialog remembers nothing";
}

TEST_F(PrintFixture, AFilePortAsksForTheFileAndCancellingPrintsNothing) {
    Poster(1, 2);
    bool toFile = true;
    RunPrint([&](HWND dialog) {
        toFile = Checked(dialog, 1040);
        Press(dialog, IDOK);
    });
    EXPECT_FALSE(toFile);
    ASSERT_EQ(askedWith.size(), 1u) << "the FILE: port asks even without \"Print to file\"";
    EXPECT_EQ(askedWith[0], owner);
    EXPECT_EQ(draws, 0);
    EXPECT_EQ(Editor::GetAbortDialogWindow(), nullptr);
}

TEST_F(PrintFixture, PrintToFileIsRememberedAndTheFittedOptionPrintsOneSheet) {
    Poster(2, 3);
    answer = Output(L"fitted.ps");
    RunPrint([&](HWND dialog) {
        Click(dialog, 1040);
        Click(dialog, Editor::kFitToPageButton);
        Press(dialog, IDOK);
    });
    ASSERT_EQ(askedWith.size(), 1u);
    EXPECT_EQ(SheetsIn(answer), 1u);
    EXPECT_EQ(draws, 1);
    EXPECT_TRUE(Editor::RememberedPrintOptions().printToFile);
    EXPECT_TRUE(Editor::RememberedPrintOptions().fit);
    // The next dialog starts with both; this time the grid is printed, sheets 2 to 3.
    bool toFile = false, fitted = false;
    answer = Output(L"range.ps");
    draws = 0;
    RunPrint([&](HWND dialog) {
        toFile = Checked(dialog, 1040);
        fitted = Checked(dialog, Editor::kFitToPageButton);
        Click(dialog, 1058);
        SendMessageW(GetDlgItem(dialog, 1152), WM_SETTEXT, 0, LPARAM(L"2"));
        SendMessageW(GetDlgItem(dialog, 1153), WM_SETTEXT, 0, LPARAM(L"3"));
        Press(dialog, IDOK);
    });
    EXPECT_TRUE(toFile);
    EXPECT_TRUE(fitted);
    EXPECT_EQ(SheetsIn(answer), 2u);
    EXPECT_EQ(draws, 2);
    EXPECT_FALSE(Editor::RememberedPrintOptions().fit);
}

TEST_F(PrintFixture, AllPrintsEverySheetWhateverTheRangeFieldsHold) {
    Poster(2, 2);
    answer = Output(L"all.ps");
    RunPrint([&](HWND dialog) {
        Click(dialog, 1058);
        SendMessageW(GetDlgItem(dialog, 1152), WM_SETTEXT, 0, LPARAM(L"3"));
        Click(dialog, 1056);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(SheetsIn(answer), 4u);
    EXPECT_EQ(draws, 4);
}

TEST_F(PrintFixture, CancelInTheAbortDialogStopsAtTheNextSheet) {
    Poster(2, 3);
    HWND other = CreateWindowExW(0, L"STATIC", L"Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 320, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    std::wstring shown;
    bool ownerEnabled = true, otherEnabled = true;
    Figure::DrawHook() = [&](double) {
        if (++draws != 2) return;
        HWND abort = Editor::GetAbortDialogWindow();
        shown = abort && IsWindowVisible(abort) ? TextOf(GetDlgItem(abort, 1088)) : L"";
        ownerEnabled = IsWindowEnabled(owner) != FALSE;
        otherEnabled = IsWindowEnabled(other) != FALSE;
        SendMessageW(GetDlgItem(abort, IDCANCEL), BM_CLICK, 0, 0);
    };
    const WinUtil::DevMode mode = Page::ReadPrinterDevMode(kPrinter);
    HDC dc = CreateDCW(L"WINSPOOL", kPrinter, nullptr, mode.Get());
    ASSERT_NE(dc, nullptr);
    const bool done = Editor::RunPrintJob(*doc.diagram, dc, mode.Get(), L"Poster.qvd", owner, app, false, false, {1, 6},
                                          Output(L"cancelled.ps"));
    DeleteDC(dc);
    EXPECT_FALSE(done);
    EXPECT_EQ(draws, 2) << "the third sheet must not be drawn";
    EXPECT_EQ(shown, L"Printing Poster.qvd");
    EXPECT_FALSE(ownerEnabled);
    EXPECT_FALSE(otherEnabled) << "only the abort dialog takes input while the job runs";
    EXPECT_EQ(Editor::GetAbortDialogWindow(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_TRUE(IsWindowEnabled(other));
    EXPECT_TRUE(doc.diagram->GetViews().empty());
    DestroyWindow(other);
}

TEST_F(PrintFixture, AFailingSheetEndsTheJobAndRestoresEverything) {
    Poster(1, 2);
    Figure::DrawHook() = [&](double) {
        if (++draws == 2) throw std::runtime_error("drawing failed");
    };
    const WinUtil::DevMode mode = Page::ReadPrinterDevMode(kPrinter);
    HDC dc = CreateDCW(L"WINSPOOL", kPrinter, nullptr, mode.Get());
    ASSERT_NE(dc, nullptr);
    EXPECT_THROW(Editor::RunPrintJob(*doc.diagram, dc, mode.Get(), L"Poster.qvd", owner, app, false, false, {1, 2},
                                     Output(L"failed.ps")),
                 std::runtime_error);
    DeleteDC(dc);
    EXPECT_EQ(Editor::GetAbortDialogWindow(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_TRUE(doc.diagram->GetViews().empty());
    EXPECT_FALSE(doc.diagram->IsTransactionOpen());
}

TEST_F(PrintFixture, TheSaveChangesQuestionNamesTheDocument) {
    std::wstring text;
    std::thread t([&] {
        HWND box = nullptr;
        if (!WaitFor([&] { return (box = FindWindowW(L"#32770", L"Quorvel")) != nullptr && IsWindowVisible(box); })) return;
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (GetDlgCtrlID(c) == 0xFFFF) text = TextOf(c);
        PostMessageW(box, WM_COMMAND, IDNO, 0);
    });
    EXPECT_EQ(Editor::AskSaveChanges(owner, L"Plan.qvd"), 0);
    t.join();
    EXPECT_EQ(text, L"Save changes in Plan.qvd ?");
    EXPECT_TRUE(IsWindowEnabled(owner));
}

} // namespace
