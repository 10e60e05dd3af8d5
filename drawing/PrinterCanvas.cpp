#include "app/winutil/Platform.h"
#include "drawing/DrawingKernel.h"
#include "drawing/Surface.h"

#include <cmath>

namespace DrawingKernel {

namespace {

// The printer's own device context.
class HdcDevice : public IPrintDevice {
public:
    explicit HdcDevice(HDC dc) : dc_(dc) {}
    HDC GetDC() override { return dc_; }
    int StartDoc(const DOCINFOW& info) override { return ::StartDocW(dc_, &info); }
    int StartPage() override { return ::StartPage(dc_); }
    int EndPage() override { return ::EndPage(dc_); }
    int EndDoc() override { return ::EndDoc(dc_); }
    int AbortDoc() override { return ::AbortDoc(dc_); }
    bool Reset(const DEVMODEW& mode) override { return ResetDCW(dc_, &mode) != nullptr; }
private:
    HDC dc_;
};

// Device measures of the current page.
struct Caps {
    double dpiX, dpiY;   // pixels per inch
    double offX, offY;   // printable area's offset from the paper's corner, pixels
    double resX, resY;   // printable area, pixels
    explicit Caps(HDC dc)
        : dpiX(std::max(1, GetDeviceCaps(dc, LOGPIXELSX))), dpiY(std::max(1, GetDeviceCaps(dc, LOGPIXELSY))),
          offX(GetDeviceCaps(dc, PHYSICALOFFSETX)), offY(GetDeviceCaps(dc, PHYSICALOFFSETY)),
          resX(GetDeviceCaps(dc, HORZRES)), resY(GetDeviceCaps(dc, VERTRES)) {}
};

class PrinterCanvas : public CanvasImpl<ICanvas::IPrinterCanvas> {
public:
    PrinterCanvas(std::unique_ptr<IPrintDevice> device, const DEVMODEW* mode, std::wstring docName)
        : device_(std::move(device)), docName_(std::move(docName)) {
        if (mode) {
            modeBytes_.assign(reinterpret_cast<const BYTE*>(mode),
                              reinterpret_cast<const BYTE*>(mode) + mode->dmSize + mode->dmDriverExtra);
        }
    }
    ~PrinterCanvas() override { closing_ = true; }

    bool Print(const ICanvas::IAbortFlag& abort, bool fit, bool marks, ICanvas::PageRange range,
               const std::wstring& outputFile) override {
        const Page::PageLayout& l = layout_;
        if (!l.IsUsable())
            throw Error("the page layout has no rows, columns, paper size or scale to print with");
        DOCINFOW info{};
        info.cbSize = sizeof info;
        info.lpszDocName = docName_.c_str();
        info.lpszOutput = outputFile.empty() ? nullptr : outputFile.c_str();
        if (abort.IsAborted()) return false;
        if (fit) {
            if (!(GridWidth() > 0 && GridHeight() > 0))
                throw Error("the page layout's glue and cut margins leave no room to print in");
            return PrintFitted(abort, info);
        }
        if (device_->StartDoc(info) <= 0) return false;
        // A failure inside the document ends the job, so that the spooler never keeps it open.
        try {
            // In 64 bits: a grid of many rows and columns must not wrap around.
            const int64_t sheets = int64_t(l.rows) * l.columns;
            const int64_t first = std::clamp<int64_t>(range.first, 1, sheets);
            const int64_t last = std::clamp<int64_t>(range.last, first, sheets);
            for (int64_t i = first - 1; i <= last - 1; ++i) {
                if (abort.IsAborted()) return Abort();
                if (device_->StartPage() <= 0) return Abort();
                PrintSheet(int(i / l.columns), int(i % l.columns), marks);
                if (abort.IsAborted()) return Abort();
                if (device_->EndPage() <= 0) return Abort();
            }
        } catch (...) {
            device_->AbortDoc();
            throw;
        }
        device_->EndDoc();
        return true;
    }

private:
    bool Abort() {
        device_->AbortDoc();
        return false;
    }

    // The whole grid's size on paper, glued, 0.01 mm.
    double GridWidth() const {
        const Page::PageLayout& l = layout_;
        return l.columns * l.SheetWidth() - (l.cutGlueMargins.left + l.cutGlueMargins.right) * (l.columns - 1);
    }
    double GridHeight() const {
        const Page::PageLayout& l = layout_;
        return l.rows * l.SheetHeight() - (l.cutGlueMargins.top + l.cutGlueMargins.bottom) * (l.rows - 1);
    }

    // Restores a device context's state on every way out.
    class SavedState {
    public:
        explicit SavedState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
        ~SavedState() { if (saved_) RestoreDC(dc_, saved_); }
        SavedState(const SavedState&) = delete;
        SavedState& operator=(const SavedState&) = delete;
    private:
        HDC dc_;
        int saved_;
    };

    // One sheet of the grid: the band of the drawing it shows, clipped, with optional marks.
    void PrintSheet(int row, int col, bool marks) {
        const Page::PageLayout& l = layout_;
        HDC dc = device_->GetDC();
        const Caps caps(dc);
        const double px = caps.dpiX / 2540, py = caps.dpiY / 2540;  // device pixels per 0.01 mm of paper
        const Page::SheetBand band = Page::BandOf(l, row, col);
        // Paper position of the plane's origin on this sheet.
        const double originX = band.across.sheetStart - band.across.drawingStart;
        const double originY = band.down.sheetStart - band.down.drawingStart;
        Mapping m;
        m.kx = px * l.scale;
        m.ky = py * l.scale;
        m.ox = originX * px - caps.offX;
        m.oy = originY * py - caps.offY;
        const SavedState saved(dc);
        if (marks) DrawMarks(dc, caps, row, col);
        // Clipped to the band this sheet prints.
        IntersectClipRect(dc, zq::Round(band.across.sheetStart * px - caps.offX),
                          zq::Round(band.down.sheetStart * py - caps.offY),
                          zq::Round(band.across.sheetEnd * px - caps.offX),
                          zq::Round(band.down.sheetEnd * py - caps.offY));
        Render(dc, caps, m);
    }

    // Short ticks in the sheet's edges where the glue and cut lines run.
    void DrawMarks(HDC dc, const Caps& caps, int row, int col) {
        const Page::PageLayout& l = layout_;
        const double W = l.SheetWidth(), H = l.SheetHeight();
        const double px = caps.dpiX / 2540, py = caps.dpiY / 2540;
        GdiRenderer r(dc, gdiCache_, caps.dpiX / 96);
        Pen pen;
        pen.width = std::max(1.0, caps.dpiX / 300);
        auto vertical = [&](double x) {
            const double d = x * px - caps.offX;
            r.Line({d, -caps.offY}, {d, l.margins.top / 2 * py - caps.offY}, pen);
            r.Line({d, (H - l.margins.bottom / 2) * py - caps.offY}, {d, H * py - caps.offY}, pen);
        };
        auto horizontal = [&](double y) {
            const double d = y * py - caps.offY;
            r.Line({-caps.offX, d}, {l.margins.left / 2 * px - caps.offX, d}, pen);
            r.Line({(W - l.margins.right / 2) * px - caps.offX, d}, {W * px - caps.offX, d}, pen);
        };
        if (col > 0) vertical(l.cutGlueMargins.left);
        if (col < l.columns - 1) vertical(W - l.cutGlueMargins.right);
        if (row > 0) horizontal(l.cutGlueMargins.top);
        if (row < l.rows - 1) horizontal(H - l.cutGlueMargins.bottom);
    }

    // The whole grid on one sheet: turned when its proportions call for it, reduced, centred.
    bool PrintFitted(const ICanvas::IAbortFlag& abort, const DOCINFOW& info) {
        const double gridW = GridWidth(), gridH = GridHeight();
        {
            const Caps caps(device_->GetDC());
            const bool pageWide = caps.resX > caps.resY, gridWide = gridW > gridH;
            if (pageWide != gridWide && modeBytes_.size() >= sizeof(DEVMODEW) - sizeof(DEVMODEW::dmFormName)) {
                std::vector<BYTE> copy = modeBytes_;
                auto* mode = reinterpret_cast<DEVMODEW*>(copy.data());
                mode->dmFields |= DM_ORIENTATION;
                mode->dmOrientation = gridWide ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
                device_->Reset(*mode);
            }
        }
        if (device_->StartDoc(info) <= 0) return false;
        try {
            if (!PrintFittedSheet(abort, gridW, gridH)) return Abort();
        } catch (...) {
            device_->AbortDoc();
            throw;
        }
        device_->EndDoc();
        return true;
    }

    // The one sheet of the fit mode, inside the document; false when it must be abandoned.
    bool PrintFittedSheet(const ICanvas::IAbortFlag& abort, double gridW, double gridH) {
        const Page::PageLayout& l = layout_;
        if (abort.IsAborted()) return false;
        if (device_->StartPage() <= 0) return false;
        HDC dc = device_->GetDC();
        const Caps caps(dc);
        const double px = caps.dpiX / 2540, py = caps.dpiY / 2540;
        const double pageW = caps.resX / px, pageH = caps.resY / py;  // printable area, 0.01 mm
        const double f = std::min({1.0, pageW / gridW, pageH / gridH});
        const double x0 = (pageW - gridW * f) / 2, y0 = (pageH - gridH * f) / 2;
        Mapping m;
        m.kx = px * l.scale * f;
        m.ky = py * l.scale * f;
        m.ox = (x0 + l.margins.left * f) * px;
        m.oy = (y0 + l.margins.top * f) * py;
        {
            const SavedState saved(dc);
            IntersectClipRect(dc, zq::Round((x0 + l.margins.left * f) * px), zq::Round((y0 + l.margins.top * f) * py),
                              zq::Round((x0 + (gridW - l.margins.right) * f) * px),
                              zq::Round((y0 + (gridH - l.margins.bottom) * f) * py));
            Render(dc, caps, m);
        }
        if (abort.IsAborted()) return false;
        return device_->EndPage() > 0;
    }

    void Render(HDC dc, const Caps& caps, const Mapping& m) {
        GdiRenderer r(dc, gdiCache_, caps.dpiX / 96);
        model_.Render(r, m, nullptr);
    }

    std::unique_ptr<IPrintDevice> device_;
    std::wstring docName_;
    std::vector<BYTE> modeBytes_;
    GdiCache gdiCache_;
};

} // namespace

std::unique_ptr<ICanvas::IPrinterCanvas> CreatePrinterCanvas(HDC printer, const DEVMODEW* mode, const std::wstring& docName) {
    if (!printer) throw Error("no printer device context");
    return std::make_unique<PrinterCanvas>(std::make_unique<HdcDevice>(printer), mode, docName);
}

std::unique_ptr<ICanvas::IPrinterCanvas> CreatePrinterCanvas(std::unique_ptr<IPrintDevice> device, const DEVMODEW* mode,
                                                             const std::wstring& docName) {
    if (!device) throw Error("no print device");
    return std::make_unique<PrinterCanvas>(std::move(device), mode, docName);
}

} // namespace DrawingKernel
