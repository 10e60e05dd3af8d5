// How the canvases behave when drawing fails, when a device fails, and at extreme sizes.
#include "drawing/Placeable.h"
#include "drawing/tests/TestPane.h"

#include <stdexcept>

using namespace DrawingKernel;

namespace {

// A custom drawing that fails while drawing.
class FailingDrawing : public ICanvas::ICustomDrawing {
public:
    ICanvas::DoubleRect GetBounds() const override { return {0, 1000, 1000, 0}; }
    void Draw(ICanvas::IDrawContext& dc) const override {
        dc.GetDC();
        ++calls;
        throw std::runtime_error("drawing failed");
    }
    void Move(const zq::float8Vector&) override {}
    mutable int calls = 0;
};

// A print device on a memory context that records the calls and can fail its pages.
class RecordingDevice : public IPrintDevice {
public:
    RecordingDevice() : dc_(CreateCompatibleDC(nullptr)) {}
    ~RecordingDevice() override { DeleteDC(dc_); }
    HDC GetDC() override { return dc_; }
    int StartDoc(const DOCINFOW&) override { ++docs; return 1; }
    int StartPage() override { ++pages; return 1; }
    int EndPage() override { ++endedPages; return failEndPage ? 0 : 1; }
    int EndDoc() override { ++endedDocs; return 1; }
    int AbortDoc() override { ++aborted; return 1; }
    bool Reset(const DEVMODEW&) override { return true; }
    int docs = 0, pages = 0, endedPages = 0, endedDocs = 0, aborted = 0;
    bool failEndPage = false;
private:
    HDC dc_;
};

struct NeverAborted : ICanvas::IAbortFlag {
    bool IsAborted() const override { return false; }
};

Page::PageLayout TwoByTwo() {
    Page::PageLayout l;
    l.width = 10000;
    l.height = 8000;
    l.rows = 2;
    l.columns = 2;
    l.margins = {1000, 1000, 1000, 1000};
    l.cutGlueMargins = {500, 500, 500, 500};
    return l;
}

// The process's GDI objects, or 0 where the system does not count them.
DWORD GdiObjects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

const ICanvas::LineStyle kBlack = ICanvas::LineStyle::FromColor(zq::Color(0, 0, 0));

} // namespace

TEST(PrinterFailures, ADrawingThatFailsAbortsTheJobAndRestoresTheContext) {
    DrawingTest::EnsureEnvironment();
    for (bool fit : {false, true}) {
        auto device = std::make_unique<RecordingDevice>();
        RecordingDevice* dev = device.get();
        auto c = CreatePrinterCanvas(std::move(device), nullptr, L"Diagram");
        c->SetPageLayout(TwoByTwo());
        auto drawing = std::make_shared<FailingDrawing>();
        auto e = c->CreateCustom(drawing);
        EXPECT_THROW(c->Print(NeverAborted(), fit, false, {1, 4}, L""), std::runtime_error) << fit;
        EXPECT_EQ(drawing->calls, 1) << fit;
        EXPECT_EQ(dev->aborted, 1) << fit;
        EXPECT_EQ(dev->endedDocs, 0) << fit;
        // No saved state is left behind on the device context: the next save is the first.
        const int level = SaveDC(dev->GetDC());
        EXPECT_EQ(level, 1) << fit;
        RestoreDC(dev->GetDC(), level);
    }
}

TEST(PrinterFailures, APageTheDeviceRefusesAbortsTheJob) {
    DrawingTest::EnsureEnvironment();
    for (bool fit : {false, true}) {
        auto device = std::make_unique<RecordingDevice>();
        RecordingDevice* dev = device.get();
        dev->failEndPage = true;
        auto c = CreatePrinterCanvas(std::move(device), nullptr, L"Diagram");
        c->SetPageLayout(TwoByTwo());
        auto box = c->CreateRect({0, 1000, 1000, 0});
        EXPECT_FALSE(c->Print(NeverAborted(), fit, false, {1, 4}, L"")) << fit;
        EXPECT_EQ(dev->pages, 1) << fit;
        EXPECT_EQ(dev->aborted, 1) << fit;
        EXPECT_EQ(dev->endedDocs, 0) << fit;
    }
}

TEST(PrinterFailures, FittingAGridWhoseGlueMarginsEatTheSheetsIsRefused) {
    DrawingTest::EnsureEnvironment();
    auto device = std::make_unique<RecordingDevice>();
    RecordingDevice* dev = device.get();
    auto c = CreatePrinterCanvas(std::move(device), nullptr, L"Diagram");
    Page::PageLayout l = TwoByTwo();
    l.cutGlueMargins = {12500, 10000, 12500, 10000};  // more glue and cut than two sheets hold
    c->SetPageLayout(l);
    auto box = c->CreateRect({0, 1000, 1000, 0});
    EXPECT_THROW(c->Print(NeverAborted(), true, false, {1, 1}, L""), Error);
    EXPECT_EQ(dev->docs, 0);
}

TEST(MetafileFailures, AFailedRecordingLeavesNoMetafileBehind) {
    DrawingTest::EnsureEnvironment();
    auto c = CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"Failing");
    auto drawing = std::make_shared<FailingDrawing>();
    auto e = c->CreateCustom(drawing);
    STGMEDIUM m{};
    EXPECT_THROW(c->CreateEnhancedMetafile(m, 200), std::runtime_error);
    EXPECT_THROW(c->CreateWindowsMetafile(m, 200), std::runtime_error);
    EXPECT_EQ(m.tymed, DWORD(TYMED_NULL));
    const DWORD before = GdiObjects();
    if (before == 0) GTEST_SKIP() << "the system does not count GDI objects";
    for (int i = 0; i < 40; ++i) {
        EXPECT_THROW(c->CreateEnhancedMetafile(m, 200), std::runtime_error);
        EXPECT_THROW(c->CreateWindowsMetafile(m, 200), std::runtime_error);
    }
    EXPECT_LE(GdiObjects(), before + 5);
}

TEST(MetafileFailures, APlaceableHeaderOfAWidePictureKeepsItsSizeOnPaper) {
    DrawingTest::EnsureEnvironment();
    auto c = CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"Wide");
    // 600 mm by 100 mm: wider than a signed 16-bit count of 0.01 mm.
    auto line = c->CreateLine({0, 0}, {60000, -10000}, kBlack);
    STGMEDIUM m{};
    c->CreateWindowsMetafile(m, 0);
    ASSERT_EQ(m.tymed, DWORD(TYMED_MFPICT));
    auto* pict = static_cast<METAFILEPICT*>(GlobalLock(m.hMetaFilePict));
    ASSERT_NE(pict, nullptr);
    EXPECT_EQ(pict->xExt, 60000);
    const std::vector<uint8_t> b = PlaceableMetafileBytes(*pict);
    GlobalUnlock(m.hMetaFilePict);
    ReleaseStgMedium(&m);
    ASSERT_GT(b.size(), 22u);
    auto word = [&](size_t at) { return int16_t(b[at] | (b[at + 1] << 8)); };
    const int right = word(10), bottom = word(12), inch = uint16_t(word(14));
    ASSERT_GT(right, 0);
    ASSERT_GT(bottom, 0);
    ASSERT_GT(inch, 0);
    EXPECT_NEAR(right * 25.4 / inch, 600.0, 1.0);   // millimetres on paper
    EXPECT_NEAR(bottom * 25.4 / inch, 100.0, 1.0);
    uint16_t x = 0;
    for (size_t i = 0; i < 10; ++i) x ^= uint16_t(word(2 * i));
    EXPECT_EQ(uint16_t(word(20)), x);
}

TEST(ScreenFailures, AFailingDrawingStillEndsEveryPaint) {
    DrawingTest::Pane pane;
    auto drawing = std::make_shared<FailingDrawing>();
    auto e = pane.canvas->CreateCustom(drawing);
    // A paint hides the caret until it ends: a paint left unended would leave it hidden.
    pane.canvas->ShowCaret({0, 0}, 400);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &info));
    ASSERT_EQ(info.hwndCaret, pane.hwnd);
    ASSERT_TRUE(info.flags & GUI_CARETBLINKING);
    for (int i = 0; i < 5; ++i) {
        InvalidateRect(pane.hwnd, nullptr, FALSE);
        UpdateWindow(pane.hwnd);
    }
    EXPECT_GE(drawing->calls, 5);
    ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &info));
    EXPECT_TRUE(info.flags & GUI_CARETBLINKING);
    RECT waiting;
    EXPECT_FALSE(GetUpdateRect(pane.hwnd, &waiting, FALSE));
    pane.canvas->HideCaret();
}

TEST(ScreenExtremes, AChangeReachingFarBeyondTheIntegerRangeIsRepainted) {
    DrawingTest::Pane pane;
    pane.canvas->SetZoom(100, {0, 0});
    pane.canvas->ScrollPointTo({0, 0}, {400, 300});
    pane.canvas->Update();
    DrawingKernel::Surface s(DrawingTest::kW, DrawingTest::kH);
    pane.Capture(s);
    ASSERT_EQ(DrawingTest::CountDark(s, 0, 290, DrawingTest::kW, 310), 0);
    // A line from the centre to a point billions of pixels away at this zoom.
    auto line = pane.canvas->CreateLine({0, 0}, {1e9, 0}, kBlack);
    pane.canvas->Update();
    DrawingKernel::Surface after(DrawingTest::kW, DrawingTest::kH);
    pane.Capture(after);
    EXPECT_GT(DrawingTest::CountDark(after, 410, 290, DrawingTest::kW, 310), 300);
}

TEST(ScreenExtremes, ScrollingToAFarPointKeepsTheScrollPositionSane) {
    DrawingTest::Pane pane;
    pane.canvas->SetZoom(100, {0, 0});
    pane.canvas->ScrollPointTo({2e9, -2e9}, {400, 300});
    zq::Point p;
    pane.canvas->GetScrollPos(p);
    EXPECT_GT(p.x, 0);  // far right, not wrapped around to the left
    EXPECT_GT(p.y, 0);  // far down
    // The view still maps consistently: the client's centre shows what the mapping says.
    const zq::float8Point back = pane.canvas->LogicalToClient(pane.canvas->ClientToLogical({400, 300}));
    EXPECT_NEAR(back.x, 400, 0.5);
    EXPECT_NEAR(back.y, 300, 0.5);
}
