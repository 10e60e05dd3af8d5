// The printer canvas on a stand-in printer that records every sheet as an enhanced metafile.
#include "drawing/tests/TestSupport.h"

using namespace DrawingKernel;

namespace {

// Records each page into its own enhanced metafile of the sheet's size at the screen's resolution.
class EmfPrinter : public IPrintDevice {
public:
    EmfPrinter(double sheetW, double sheetH) : sheetW_(sheetW), sheetH_(sheetH) { screen_ = ::GetDC(nullptr); }
    ~EmfPrinter() override {
        for (HENHMETAFILE p : pages) DeleteEnhMetaFile(p);
        ::ReleaseDC(nullptr, screen_);
    }
    HDC GetDC() override { return page_ ? page_ : screen_; }
    int StartDoc(const DOCINFOW& info) override {
        ++docs;
        docName = info.lpszDocName ? info.lpszDocName : L"";
        output = info.lpszOutput ? info.lpszOutput : L"";
        return 1;
    }
    int StartPage() override {
        RECT frame{0, 0, LONG(landscape ? sheetH_ : sheetW_), LONG(landscape ? sheetW_ : sheetH_)};
        page_ = CreateEnhMetaFileW(screen_, nullptr, &frame, nullptr);
        return page_ ? 1 : 0;
    }
    int EndPage() override {
        pages.push_back(CloseEnhMetaFile(page_));
        page_ = nullptr;
        return 1;
    }
    int EndDoc() override { ended = true; return 1; }
    int AbortDoc() override { aborted = true; return 1; }
    bool Reset(const DEVMODEW& mode) override {
        landscape = mode.dmOrientation == DMORIENT_LANDSCAPE;
        ++resets;
        return true;
    }
    std::vector<HENHMETAFILE> pages;
    int docs = 0, resets = 0;
    bool ended = false, aborted = false, landscape = false;
    std::wstring docName, output;
private:
    double sheetW_, sheetH_;
    HDC screen_;
    HDC page_ = nullptr;
};

struct Flag : ICanvas::IAbortFlag {
    bool IsAborted() const override { return set; }
    bool set = false;
};

// A 100 x 80 mm sheet, 2 rows by 3 columns, margins 10 mm, glue and cut 5 mm.
Page::PageLayout Grid() {
    Page::PageLayout l;
    l.width = 10000;
    l.height = 8000;
    l.rows = 2;
    l.columns = 3;
    l.margins = {1000, 1000, 1000, 1000};
    l.cutGlueMargins = {500, 500, 500, 500};
    return l;
}

// Plays a page at one pixel per screen pixel and returns the box of dark pixels.
std::array<int, 4> InkBox(HENHMETAFILE emf) {
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(emf, sizeof h, &h);
    HDC screen = GetDC(nullptr);
    const double pxPerMm = double(GetDeviceCaps(screen, HORZRES)) / GetDeviceCaps(screen, HORZSIZE);
    ReleaseDC(nullptr, screen);
    const int w = zq::Round(h.rclFrame.right / 100.0 * pxPerMm), hh = zq::Round(h.rclFrame.bottom / 100.0 * pxPerMm);
    Surface s(w, hh);
    s.Clear(RGB(255, 255, 255));
    RECT all{0, 0, w, hh};
    PlayEnhMetaFile(s.DC(), emf, &all);
    std::array<int, 4> b{-1, -1, -1, -1};
    for (int y = 0; y < hh; ++y)
        for (int x = 0; x < w; ++x)
            if (DrawingTest::CountDark(s, x, y, x + 1, y + 1) > 0) {
                if (b[0] < 0 || x < b[0]) b[0] = x;
                if (b[1] < 0 || y < b[1]) b[1] = y;
                b[2] = std::max(b[2], x);
                b[3] = std::max(b[3], y);
            }
    return b;
}

int Px(double units) {
    HDC screen = GetDC(nullptr);
    const double pxPerMm = double(GetDeviceCaps(screen, HORZRES)) / GetDeviceCaps(screen, HORZSIZE);
    ReleaseDC(nullptr, screen);
    (void)pxPerMm;
    return zq::Round(units * 96 / 2540);
}

// The stand-in's printable area is its reference device's screen: sheets of that size.
std::unique_ptr<EmfPrinter> ScreenSizedPrinter() {
    HDC screen = GetDC(nullptr);
    const double w = GetDeviceCaps(screen, HORZSIZE) * 100.0, h = GetDeviceCaps(screen, VERTSIZE) * 100.0;
    ReleaseDC(nullptr, screen);
    return std::make_unique<EmfPrinter>(w, h);
}

const ICanvas::LineStyle kBlack = ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0));

} // namespace

TEST(PrinterCanvas, ATwoByThreeGridPrintsSixSheetsEachClippedToItsBand) {
    DrawingTest::EnsureEnvironment();
    auto device = std::make_unique<EmfPrinter>(10000, 8000);
    EmfPrinter* dev = device.get();
    auto c = CreatePrinterCanvas(std::move(device), nullptr, L"Diagram");
    c->SetPageLayout(Grid());
    auto fill = c->CreateFilledRect({-100000, 100000, 100000, -100000}, kBlack, nullptr);
    Flag flag;
    ASSERT_TRUE(c->Print(flag, false, false, {1, 6}, L"out.prn"));
    EXPECT_EQ(dev->docName, L"Diagram");
    EXPECT_EQ(dev->output, L"out.prn");
    EXPECT_TRUE(dev->ended);
    ASSERT_EQ(dev->pages.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const int row = i / 3, col = i % 3;
        const auto b = InkBox(dev->pages[i]);
        const double left = col == 0 ? 1000 : 500, right = col == 2 ? 9000 : 9500;
        const double top = row == 0 ? 1000 : 500, bottom = row == 1 ? 7000 : 7500;
        EXPECT_NEAR(b[0], Px(left), 2) << i;
        EXPECT_NEAR(b[2], Px(right), 2) << i;
        EXPECT_NEAR(b[1], Px(top), 2) << i;
        EXPECT_NEAR(b[3], Px(bottom), 2) << i;
    }
}

TEST(PrinterCanvas, SheetsShowTheirOwnPartOfTheDrawing) {
    DrawingTest::EnsureEnvironment();
    auto device = std::make_unique<EmfPrinter>(10000, 8000);
    EmfPrinter* dev = device.get();
    auto c = CreatePrinterCanvas(std::move(device), nullptr, L"Diagram");
    c->SetPageLayout(Grid());
    // A box that lies on the second sheet of the first row only: drawing x 9000..9400 lies past
    // the first sheet's band (which ends at 8500) and within the second's.
    auto box = c->CreateFilledRect({9000, -1000, 9400, -2000}, kBlack, nullptr);
    Flag flag;
    ASSERT_TRUE(c->Print(flag, false, false, {1, 2}, L""));
    ASSERT_EQ(dev->pages.size(), 2u);
    EXPECT_EQ(InkBox(dev->pages[0])[0], -1);
    const auto b = InkBox(dev->pages[1]);
    // On sheet 2 the drawing starts at 1000 - (10000 - 1000) = -8000 paper units.
    EXPECT_NEAR(b[0], Px(1000 + 9000 - 9000), 2);
    EXPECT_NEAR(b[2], Px(1000 + 9400 - 9000), 2);
}

TEST(PrinterCanvas, ThePageRangeAndTheAbortFlagAreHonoured) {
    DrawingTest::EnsureEnvironment();
    auto device = std::make_unique<EmfPrinter>(10000, 8000);
    EmfPrinter* dev = device.get();
    auto c = CreatePrinterCanvas(std::move(device), nullptr, L"Diagram");
    c->SetPageLayout(Grid());
    auto line = c->CreateLine({0, 0}, {1000, -1000});
    Flag flag;
    ASSERT_TRUE(c->Print(flag, false, true, {2, 4}, L""));
    EXPECT_EQ(dev->pages.size(), 3u);
    flag.set = true;
    EXPECT_FALSE(c->Print(flag, false, false, {1, 6}, L""));
    EXPECT_EQ(dev->docs, 1);  // a set flag returns before the document starts
}

TEST(PrinterCanvas, AnUnusableLayoutIsRefused) {
    DrawingTest::EnsureEnvironment();
    auto c = CreatePrinterCanvas(std::make_unique<EmfPrinter>(10000, 8000), nullptr, L"Diagram");
    Page::PageLayout l = Grid();
    Flag flag;
    for (int field = 0; field < 4; ++field) {
        Page::PageLayout bad = l;
        if (field == 0) bad.rows = 0;
        if (field == 1) bad.columns = 0;
        if (field == 2) bad.width = 0;
        if (field == 3) bad.height = 0;
        c->SetPageLayout(bad);
        EXPECT_THROW(c->Print(flag, false, false, {1, 1}, L""), Error) << field;
        EXPECT_THROW(c->Print(flag, true, false, {1, 1}, L""), Error) << field;
    }
}

TEST(PrinterCanvas, FitNeverEnlargesAndReducesWhatIsTooLarge) {
    DrawingTest::EnsureEnvironment();
    {
        auto device = ScreenSizedPrinter();
        EmfPrinter* dev = device.get();
        auto c = CreatePrinterCanvas(std::move(device), nullptr, L"Diagram");
        Page::PageLayout l = Grid();
        l.rows = l.columns = 1;
        c->SetPageLayout(l);
        auto box = c->CreateFilledRect({0, 0, 2540, -2540}, kBlack, nullptr);
        Flag flag;
        ASSERT_TRUE(c->Print(flag, true, false, {1, 1}, L""));
        ASSERT_EQ(dev->pages.size(), 1u);
        const auto b = InkBox(dev->pages[0]);
        EXPECT_NEAR(b[2] - b[0] + 1, 96, 2);  // one inch stays one inch
        EXPECT_NEAR(b[3] - b[1] + 1, 96, 2);
    }
    {
        // A 2 x 3 grid of 400 x 300 mm sheets is about 1190 x 590 mm: it must shrink.
        auto device = ScreenSizedPrinter();
        EmfPrinter* dev = device.get();
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        mode.dmOrientation = DMORIENT_PORTRAIT;
        auto c = CreatePrinterCanvas(std::move(device), &mode, L"Diagram");
        Page::PageLayout l = Grid();
        l.width = 40000;
        l.height = 30000;
        c->SetPageLayout(l);
        auto fill = c->CreateFilledRect({-100000, 100000, 200000, -100000}, kBlack, nullptr);
        Flag flag;
        ASSERT_TRUE(c->Print(flag, true, false, {1, 1}, L""));
        ASSERT_EQ(dev->pages.size(), 1u);
        HDC screen = GetDC(nullptr);
        const int resX = GetDeviceCaps(screen, HORZRES), resY = GetDeviceCaps(screen, VERTRES);
        ReleaseDC(nullptr, screen);
        const auto b = InkBox(dev->pages[0]);
        EXPECT_LE(b[2] - b[0] + 1, resX);
        EXPECT_LE(b[3] - b[1] + 1, resY);
        // Centred across the printable width.
        EXPECT_NEAR((b[0] + b[2]) / 2.0, resX / 2.0, 3);
    }
}
