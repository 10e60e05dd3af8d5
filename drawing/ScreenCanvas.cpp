#include "app/winutil/Platform.h"
#include "drawing/DrawingKernel.h"
#include "drawing/Surface.h"

#include <cmath>
#include <cstring>
#include <optional>

namespace DrawingKernel {

namespace {

constexpr UINT_PTR kSubclassId = 0x51D7;
constexpr UINT_PTR kScrollTimer = 0x51D8;
constexpr UINT_PTR kDragTimer = 0x51D9;
constexpr int kEdge = 16;  // pixels from the border where auto-scrolling starts

class ScreenCanvas;

// A device coordinate as an integer, clamped far inside the integer range so that sums and
// differences of a few of them cannot overflow (a huge drawing at a high zoom reaches beyond it).
LONG ToDeviceInt(double v) {
    constexpr double kLimit = 1 << 29;
    if (!(v == v)) return 0;
    return LONG(std::clamp(v, -kLimit, kLimit));
}

// BeginPaint and EndPaint as a pair that holds however the painting ends.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    ~PaintScope() { EndPaint(hwnd_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC DC() const { return dc_; }
    const RECT& Area() const { return ps_.rcPaint; }
private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// The auto-scroller of a tracking task.
class Scroller : public ICanvas::IScroller {
public:
    explicit Scroller(ScreenCanvas& c) : canvas_(c) {}
    ~Scroller() override;
    void Track(const zq::Point& client, ICanvas::IScrollObserver* observer) override;
    // One timer step: scrolls toward the tracked point when it is near an edge.
    void Step();
private:
    ScreenCanvas& canvas_;
    zq::Point point_;
    ICanvas::IScrollObserver* observer_ = nullptr;
};

// Watches the pointer while an OLE drag is over the window.
class DragDropScroller : public ICanvas::IDragDropScroller {
public:
    explicit DragDropScroller(ScreenCanvas& c);
    ~DragDropScroller() override;
private:
    ScreenCanvas& canvas_;
};

class ScreenCanvas : public CanvasImpl<ICanvas::IScreenCanvas> {
public:
    ScreenCanvas(HWND pane, HWND hScroll, HWND vScroll) : pane_(pane), hScroll_(hScroll), vScroll_(vScroll) {
        HDC screen = ::GetDC(nullptr);
        view_ = ViewState(GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY));
        ::ReleaseDC(nullptr, screen);
        if (!SetWindowSubclass(pane_, &ScreenCanvas::Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
            throw Error("the pane window could not be subclassed");
        UpdateScrollBars();
    }

    ~ScreenCanvas() override {
        closing_ = true;
        if (pane_) {
            KillTimer(pane_, kScrollTimer);
            KillTimer(pane_, kDragTimer);
            RemoveWindowSubclass(pane_, &ScreenCanvas::Proc, kSubclassId);
        }
        if (OwnsCaret()) DestroyCaret();
    }

    // --- scrolling and coordinates
    void GetScrollPos(zq::Point& out) const override { out = view_.GetScroll(); }
    void SetScrollPos(const zq::Point& pos) override {
        const zq::Point before = view_.GetScroll();
        if (pos == before) return;
        view_.SetScroll(pos);
        Scrolled(before);
    }
    zq::float8Point ClientToLogical(const zq::Point& c) const override { return view_.GetMapping().ToLogical(zq::float8Point(c)); }
    zq::float8Point ScreenToLogical(const zq::Point& s) const override {
        POINT p{s.x, s.y};
        if (pane_) ScreenToClient(pane_, &p);
        return ClientToLogical({p.x, p.y});
    }
    zq::float8Point LogicalToClient(const zq::float8Point& p) const override { return view_.GetMapping().ToDevice(p); }
    ICanvas::DoubleRect GetVisibleArea() const override {
        const RECT r = Client();
        const Mapping m = view_.GetMapping();
        const zq::float8Point a = m.ToLogical(zq::float8Point(r.left, r.top));
        const zq::float8Point b = m.ToLogical(zq::float8Point(r.right, r.bottom));
        return {a.x, a.y, b.x, b.y};
    }
    void ScrollPointTo(const zq::float8Point& p, const zq::Point& client) override {
        const zq::Point before = view_.GetScroll();
        view_.ScrollPointTo(p, zq::float8Point(client));
        if (before != view_.GetScroll()) Scrolled(before);
    }

    // --- zoom
    void SetZoom(double factor, const zq::Point& ref) override {
        view_.SetZoom(factor, zq::float8Point(ref));
        Zoomed(ref);
    }
    double RoundZoom(double factor) const override { return ViewState::RoundZoom(factor); }
    double GetZoom() const override { return view_.GetZoom(); }
    void ZoomToExtent() override {
        ICanvas::DoubleRect e = model_.Extent();
        if (model_.IsEmpty()) e = PageArea();
        const double margin = 0.05 * std::max(e.right - e.left, e.top - e.bottom) + 200;
        ZoomToRect({e.left - margin, e.top + margin, e.right + margin, e.bottom - margin});
    }
    void ZoomToRect(const ICanvas::DoubleRect& r) override {
        const RECT c = Client();
        view_.ZoomToRect(r, c.right, c.bottom);
        Zoomed({c.right / 2, c.bottom / 2});
    }
    void CopyViewFrom(const ICanvas::IScreenCanvas& other, const zq::Point& ref) override { SetZoom(other.GetZoom(), ref); }
    void ZoomIn(const zq::Point& ref) override { SetZoom(ViewState::NextZoomStep(view_.GetZoom(), true), ref); }
    void ZoomOut(const zq::Point& ref) override { SetZoom(ViewState::NextZoomStep(view_.GetZoom(), false), ref); }

    // --- scrollers, update, observers, caret
    std::unique_ptr<ICanvas::IScroller> CreateScroller() override {
        auto s = std::make_unique<Scroller>(*this);
        scroller_ = s.get();
        return s;
    }
    std::unique_ptr<ICanvas::IDragDropScroller> CreateDragDropScroller() override { return std::make_unique<DragDropScroller>(*this); }
    void Update() override {
        if (!pane_) {
            model_.TakeInvalid();
            return;
        }
        if (const std::optional<RECT> r = TakeChangedArea()) PaintNow(*r);
        UpdateScrollBars();
    }
    ICanvas::ObserverList<ICanvas::IScrollObserver>& GetScrollObservers() override { return scrollObservers_; }
    ICanvas::ObserverList<ICanvas::IZoomObserver>& GetZoomObservers() override { return zoomObservers_; }
    void ShowCaret(const zq::float8Point& top, double height) override {
        if (!pane_) return;
        const int h = std::max(1, zq::Round(height * view_.GetMapping().ky));
        caret_ = OwnsCaret();
        if (!caret_ || caretHeight_ != h) {
            if (caret_) DestroyCaret();
            caret_ = CreateCaret(pane_, nullptr, 1, h) != FALSE;
            caretHeight_ = h;
            if (caret_) ::ShowCaret(pane_);
        }
        caretAt_ = top;
        caretLogicalHeight_ = height;
        PlaceCaret();
    }
    void HideCaret() override {
        if (OwnsCaret()) DestroyCaret();
        caret_ = false;
    }
    void OnScrollBar(int bar, WPARAM wParam) override;
    HWND GetWindow() const override { return pane_; }

    // --- used by the scrollers
    RECT Client() const {
        RECT r{0, 0, 0, 0};
        if (pane_) GetClientRect(pane_, &r);
        return r;
    }
    void ScrollBy(int dx, int dy) {
        const zq::Point p = view_.GetScroll();
        SetScrollPos({p.x + dx, p.y + dy});
    }
    void ForgetScroller(Scroller* s) {
        if (scroller_ == s) {
            scroller_ = nullptr;
            if (pane_) KillTimer(pane_, kScrollTimer);
        }
    }
    void DragScrolling(bool on) {
        dragScrollers_ += on ? 1 : -1;
        if (!pane_) return;
        if (dragScrollers_ > 0) {
            if (dragScrollers_ == 1) held_ = WorldRange();  // what the bars show as the drag comes in
            SetTimer(pane_, kDragTimer, 50, nullptr);
            return;
        }
        KillTimer(pane_, kDragTimer);
        if (held_ && !closing_) UpdateScrollBars();  // the range the drawing has now
    }
    void StartScrollTimer() { if (pane_) SetTimer(pane_, kScrollTimer, 50, nullptr); }
    void StopScrollTimer() { if (pane_) KillTimer(pane_, kScrollTimer); }
    // Scroll step toward a point near or beyond the edges; zero when it is well inside.
    zq::Point EdgeStep(const zq::Point& p) const {
        const RECT c = Client();
        auto step = [](int v, int lo, int hi) {
            if (v < lo + kEdge) return -std::max(4, (lo + kEdge - v) * 2);
            if (v > hi - kEdge) return std::max(4, (v - (hi - kEdge)) * 2);
            return 0;
        };
        return {step(p.x, c.left, c.right), step(p.y, c.top, c.bottom)};
    }

protected:
    void OnLayoutChanged() override {
        view_.SetScale(layout_.scale);
        if (pane_) {
            InvalidateRect(pane_, nullptr, FALSE);
            UpdateScrollBars();
        }
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
        try {
            return reinterpret_cast<ScreenCanvas*>(self)->Handle(hwnd, msg, wp, lp);
        } catch (const std::exception& e) {
            OutputDebugStringA(e.what());
        } catch (...) {
            OutputDebugStringA("screen canvas: unknown exception");
        }
        if (msg == WM_PAINT) ValidateRect(hwnd, nullptr);
        return 0;
    }

    LRESULT Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
        case WM_PAINT: {
            const PaintScope ps(hwnd);
            if (!IsRectEmpty(&ps.Area())) {
                Paint(ps.DC(), ps.Area());
                ForgetChangesIfWhole(ps.Area());
            }
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT c = Client();
            Paint(reinterpret_cast<HDC>(wp), c);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            buffer_.reset();
            UpdateScrollBars();
            break;
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (lp == 0 || reinterpret_cast<HWND>(lp) == hScroll_ || reinterpret_cast<HWND>(lp) == vScroll_) {
                const bool horizontal = lp ? reinterpret_cast<HWND>(lp) == hScroll_ : msg == WM_HSCROLL;
                OnScrollBar(horizontal ? SB_HORZ : SB_VERT, wp);
                return 0;
            }
            break;
        case WM_TIMER:
            if (wp == kScrollTimer) {
                if (scroller_) scroller_->Step();
                else StopScrollTimer();
                return 0;
            }
            if (wp == kDragTimer) {
                POINT p;
                GetCursorPos(&p);
                ScreenToClient(hwnd, &p);
                const RECT c = Client();
                if (PtInRect(&c, p)) {
                    const zq::Point s = EdgeStep({p.x, p.y});
                    if (s.x || s.y) ScrollBy(s.x, s.y);
                }
                return 0;
            }
            break;
        case WM_NCDESTROY: {
            RemoveWindowSubclass(hwnd, &ScreenCanvas::Proc, kSubclassId);
            pane_ = nullptr;
            return DefSubclassProc(hwnd, msg, wp, lp);
        }
        default:
            break;
        }
        return DefSubclassProc(hwnd, msg, wp, lp);
    }

    // The client area the changes since the last update touched, taken from the drawing; none
    // when nothing visible changed.
    std::optional<RECT> TakeChangedArea() {
        const std::vector<InvalidArea> areas = model_.TakeInvalid();
        if (areas.empty()) return std::nullopt;
        const Mapping m = view_.GetMapping();
        std::optional<DeviceRect> all;
        for (const InvalidArea& a : areas) {
            const DeviceRect d = a.ToDevice(m);
            if (!all) all = d;
            else all = DeviceRect{std::min(all->left, d.left), std::min(all->top, d.top), std::max(all->right, d.right), std::max(all->bottom, d.bottom)};
        }
        const RECT r{ToDeviceInt(std::floor(all->left)), ToDeviceInt(std::floor(all->top)),
                     ToDeviceInt(std::ceil(all->right)) + 1, ToDeviceInt(std::ceil(all->bottom)) + 1};
        const RECT client = Client();
        RECT clipped;
        if (!IntersectRect(&clipped, &r, &client)) return std::nullopt;
        return clipped;
    }

    // After the whole client area was rendered and shown, changes waiting for an update are on
    // screen already: dropping them spares the next scroll a second, needless repaint.
    void ForgetChangesIfWhole(const RECT& shown) {
        const RECT c = Client();
        if (shown.left <= 0 && shown.top <= 0 && shown.right >= c.right && shown.bottom >= c.bottom) model_.TakeInvalid();
    }

    // Renders the rectangle into the back buffer and copies it to dc.
    void Paint(HDC dc, const RECT& r) {
        if (!RenderToBuffer(r)) return;
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, buffer_->DC(), r.left, r.top, SRCCOPY);
    }

    // Brings the rectangle of the back buffer up to date; false when the client area is empty.
    // A new buffer is rendered whole, so that every pixel of it always shows the current view.
    bool RenderToBuffer(RECT r) {
        const RECT c = Client();
        if (c.right <= 0 || c.bottom <= 0) return false;
        if (!buffer_ || buffer_->Width() != c.right || buffer_->Height() != c.bottom) {
            buffer_ = std::make_unique<Surface>(c.right, c.bottom);
            r = c;
        }
        const Mapping m = view_.GetMapping();
        const DeviceRect clip{double(r.left), double(r.top), double(r.right), double(r.bottom)};
        {
            GdiplusRenderer g(buffer_->DC(), cache_, &r, &gdiCache_, buffer_->Bits());
            g.Fill(clip.Inflated(1), GetSysColor(COLOR_WINDOW));
            DrawPageFrame(g, m);
            model_.Render(g, m, &clip);
        }
        GdiFlush();
        return true;
    }

    // After the view scrolled by (dx, dy) pixels: moves the pixels already drawn, renders only the
    // strips that came into view (and whatever was waiting to be repainted) and shows the result.
    void ScrollContent(int dx, int dy) {
        const RECT c = Client();
        if (c.right <= 0 || c.bottom <= 0) return;
        const int w = c.right, h = c.bottom;
        if (!buffer_ || buffer_->Width() != w || buffer_->Height() != h || std::abs(dx) >= w || std::abs(dy) >= h) {
            PaintNow(c);
            return;
        }
        ShiftBuffer(dx, dy);
        std::vector<RECT> stale;
        // Rows that came into view, full width; then columns, on the remaining rows.
        const RECT rows = dy > 0 ? RECT{0, h - dy, w, h} : RECT{0, 0, w, -dy};
        if (dy) stale.push_back(rows);
        const int top = dy > 0 ? 0 : -dy, bottom = dy > 0 ? h - dy : h;
        if (dx) stale.push_back(dx > 0 ? RECT{w - dx, top, w, bottom} : RECT{0, top, -dx, bottom});
        // Changes not yet shown are drawn at their new place now, except where a strip that came
        // into view covers them already.
        if (std::optional<RECT> changed = TakeChangedArea()) {
            for (const RECT& strip : stale) {
                RECT rest;
                if (SubtractRect(&rest, &*changed, &strip)) *changed = rest;
                else changed.reset();  // covered completely
                if (!changed) break;
            }
            if (changed) stale.push_back(*changed);
        }
        // Parts still waiting for a repaint moved with the drawing: the buffer may be stale there.
        RECT waiting;
        if (GetUpdateRect(pane_, &waiting, FALSE)) {
            OffsetRect(&waiting, -dx, -dy);
            RECT clipped;
            if (IntersectRect(&clipped, &waiting, &c)) stale.push_back(clipped);
        }
        for (const RECT& r : stale) RenderToBuffer(r);
        if (caret_) ::HideCaret(pane_);
        HDC dc = ::GetDC(pane_);
        BitBlt(dc, 0, 0, w, h, buffer_->DC(), 0, 0, SRCCOPY);
        ::ReleaseDC(pane_, dc);
        ValidateRect(pane_, nullptr);
        if (caret_) ::ShowCaret(pane_);
    }

    // Moves the back buffer's pixels so that the pixel at (x + dx, y + dy) comes to (x, y).
    void ShiftBuffer(int dx, int dy) {
        GdiFlush();
        const int w = buffer_->Width(), h = buffer_->Height();
        uint32_t* bits = buffer_->Bits();
        const int cols = w - std::abs(dx);
        const int srcX = std::max(dx, 0), dstX = std::max(-dx, 0);
        auto moveRow = [&](int y) {
            std::memmove(bits + size_t(y) * w + dstX, bits + size_t(y + dy) * w + srcX, size_t(cols) * sizeof(uint32_t));
        };
        if (dy >= 0)
            for (int y = 0; y < h - dy; ++y) moveRow(y);
        else
            for (int y = h - 1; y >= -dy; --y) moveRow(y);
    }

    void PaintNow(const RECT& r) {
        if (caret_) ::HideCaret(pane_);
        HDC dc = ::GetDC(pane_);
        Paint(dc, r);
        ::ReleaseDC(pane_, dc);
        ValidateRect(pane_, &r);
        ForgetChangesIfWhole(r);
        if (caret_) ::ShowCaret(pane_);
    }

    // The printable area of the page grid in logical units.
    ICanvas::DoubleRect PageArea() const {
        if (!layout_.IsUsable()) return {};
        return {0, 0, layout_.AvailableWidth() / layout_.scale, -layout_.AvailableHeight() / layout_.scale};
    }

    // Lines where the sheets' bands meet and around the whole area.
    void DrawPageFrame(IRenderer& r, const Mapping& m) const {
        if (!layout_.IsUsable()) return;
        const Page::PageLayout& l = layout_;
        const ICanvas::DoubleRect area = PageArea();
        Pen pen;
        pen.color = RGB(160, 160, 160);
        std::vector<double> xs{0}, ys{0};
        for (int j = 1; j < l.columns; ++j)
            xs.push_back(((l.SheetWidth() - l.margins.left - l.cutGlueMargins.right) +
                          (l.SheetWidth() - l.cutGlueMargins.left - l.cutGlueMargins.right) * (j - 1)) / l.scale);
        for (int i = 1; i < l.rows; ++i)
            ys.push_back(-((l.SheetHeight() - l.margins.top - l.cutGlueMargins.bottom) +
                           (l.SheetHeight() - l.cutGlueMargins.top - l.cutGlueMargins.bottom) * (i - 1)) / l.scale);
        xs.push_back(area.right);
        ys.push_back(area.bottom);
        for (double x : xs) r.Line(m.ToDevice(zq::float8Point(x, area.top)), m.ToDevice(zq::float8Point(x, area.bottom)), pen);
        for (double y : ys) r.Line(m.ToDevice(zq::float8Point(area.left, y)), m.ToDevice(zq::float8Point(area.right, y)), pen);
    }

    // A scroll range in world pixels, with the scale it is in.
    struct HeldRange {
        int minX, maxX, minY, maxY;
        double kx, ky;
    };
    // The scroll range in world pixels: the content with half a window around it, and always the
    // visible part.
    HeldRange WorldRange() const {
        const RECT c = Client();
        const Mapping m = view_.GetMapping();
        ICanvas::DoubleRect content = PageArea();
        if (!model_.IsEmpty()) content = content.Union(model_.Extent());
        const DeviceRect d = m.ToDevice(content);
        const zq::Point s = view_.GetScroll();
        const int marginX = c.right / 2, marginY = c.bottom / 2;
        return {std::min<int>(ToDeviceInt(std::floor(d.left) + s.x - marginX), s.x),
                std::max<int>(ToDeviceInt(std::ceil(d.right) + s.x + marginX), s.x + int(c.right)),
                std::min<int>(ToDeviceInt(std::floor(d.top) + s.y - marginY), s.y),
                std::max<int>(ToDeviceInt(std::ceil(d.bottom) + s.y + marginY), s.y + int(c.bottom)), m.kx, m.ky};
    }

    void UpdateScrollBars() {
        if (!pane_) return;
        const RECT c = Client();
        const zq::Point s = view_.GetScroll();
        HeldRange r = WorldRange();
        // While a drag is over the pane the range only grows: what leaves an edge (the handles of a
        // dragged box, say) neither shrinks it nor redraws the bars before the drag ends.
        if (dragScrollers_ > 0 && held_ && held_->kx == r.kx && held_->ky == r.ky) {
            r.minX = std::min(r.minX, held_->minX);
            r.maxX = std::max(r.maxX, held_->maxX);
            r.minY = std::min(r.minY, held_->minY);
            r.maxY = std::max(r.maxY, held_->maxY);
        }
        if (dragScrollers_ > 0) held_ = r;
        else held_.reset();
        SetBar(hScroll_, SB_HORZ, r.minX, r.maxX, c.right, s.x);
        SetBar(vScroll_, SB_VERT, r.minY, r.maxY, c.bottom, s.y);
    }

    // A scroll bar redraws on every SetScrollInfo, and every update of the view comes here: only a
    // change is passed on.
    void SetBar(HWND bar, int which, int min, int max, int page, int pos) {
        if (!bar && !(pane_ && (GetWindowLongW(pane_, GWL_STYLE) & (which == SB_HORZ ? WS_HSCROLL : WS_VSCROLL))))
            return;
        const HWND owner = bar ? bar : pane_;
        const int kind = bar ? SB_CTL : which;
        SCROLLINFO si{sizeof si, SIF_ALL | SIF_DISABLENOSCROLL, min, max - 1, UINT(std::max(0, page)), pos, 0};
        SCROLLINFO shown{sizeof shown, SIF_ALL, 0, 0, 0, 0, 0};
        bool& set = barsSet_[which == SB_HORZ ? 0 : 1];
        const bool known = set && GetScrollInfo(owner, kind, &shown);
        if (known && shown.nMin == si.nMin && shown.nMax == si.nMax && shown.nPage == si.nPage && shown.nPos == si.nPos)
            return;
        // A bar control whose thumb and arrows keep their pixels is not drawn again: a drag that
        // moves the drawing's edge changes the range at every step, rarely by a pixel of the thumb.
        SCROLLBARINFO before{sizeof before, {}, 0, 0, 0, 0, {}};
        const bool quiet = known && bar && GetScrollBarInfo(bar, OBJID_CLIENT, &before);
        SetScrollInfo(owner, kind, &si, !quiet);
        set = true;
        SCROLLBARINFO after{sizeof after, {}, 0, 0, 0, 0, {}};
        if (quiet && (!GetScrollBarInfo(bar, OBJID_CLIENT, &after) || !SameLook(before, after))) {
            // Drawn as the bar draws a change of its own: back to what it showed, then the change.
            shown.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
            SetScrollInfo(bar, SB_CTL, &shown, FALSE);
            SetScrollInfo(bar, SB_CTL, &si, TRUE);
        }
    }

    static bool SameLook(const SCROLLBARINFO& a, const SCROLLBARINFO& b) {
        return EqualRect(&a.rcScrollBar, &b.rcScrollBar) && a.dxyLineButton == b.dxyLineButton &&
               a.xyThumbTop == b.xyThumbTop && a.xyThumbBottom == b.xyThumbBottom &&
               std::equal(std::begin(a.rgstate), std::end(a.rgstate), std::begin(b.rgstate));
    }

    // True while the thread's caret is the one this canvas made (another window may have taken it).
    bool OwnsCaret() const {
        if (!caret_ || !pane_) return false;
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetCurrentThreadId(), &info) && info.hwndCaret == pane_;
    }

    void PlaceCaret() {
        if (!OwnsCaret()) return;
        const zq::Point p = zq::RoundPoint(view_.GetMapping().ToDevice(caretAt_));
        SetCaretPos(p.x, p.y);
    }

    void Scrolled(const zq::Point& before) {
        if (pane_) {
            const zq::Point now = view_.GetScroll();
            ScrollContent(now.x - before.x, now.y - before.y);
            UpdateScrollBars();
            PlaceCaret();
        }
        POINT cur{0, 0};
        GetCursorPos(&cur);
        const zq::float8Point p = ScreenToLogical({cur.x, cur.y});
        scrollObservers_.ForEach([&](ICanvas::IScrollObserver& o) { o.OnScrolled(p); });
    }

    void Zoomed(const zq::Point& ref) {
        if (pane_) {
            const RECT c = Client();
            PaintNow(c);
            UpdateScrollBars();
            if (OwnsCaret()) ShowCaret(caretAt_, caretLogicalHeight_);  // its height follows the zoom
        }
        zoomObservers_.ForEach([&](ICanvas::IZoomObserver& o) { o.OnZoomed(ref); });
    }

    HWND pane_;
    HWND hScroll_;
    HWND vScroll_;
    ViewState view_;
    std::unique_ptr<Surface> buffer_;
    GdiplusCache cache_;
    GdiCache gdiCache_;
    ICanvas::ObserverList<ICanvas::IScrollObserver> scrollObservers_;
    ICanvas::ObserverList<ICanvas::IZoomObserver> zoomObservers_;
    Scroller* scroller_ = nullptr;
    int dragScrollers_ = 0;
    std::optional<HeldRange> held_;  // the range kept while a drag is over the pane
    bool caret_ = false;
    bool barsSet_[2] = {false, false};  // horizontal, vertical: set once at least
    int caretHeight_ = 0;
    zq::float8Point caretAt_;
    double caretLogicalHeight_ = 0;
};

void ScreenCanvas::OnScrollBar(int bar, WPARAM wParam) {
    HWND ctl = bar == SB_HORZ ? hScroll_ : vScroll_;
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    if (ctl) GetScrollInfo(ctl, SB_CTL, &si);
    else if (pane_) GetScrollInfo(pane_, bar, &si);
    const int line = 16;
    int pos = si.nPos;
    switch (LOWORD(wParam)) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= std::max(1, int(si.nPage) - line); break;
    case SB_PAGEDOWN: pos += std::max(1, int(si.nPage) - line); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = si.nMin; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
    }
    const zq::Point s = view_.GetScroll();
    SetScrollPos(bar == SB_HORZ ? zq::Point(pos, s.y) : zq::Point(s.x, pos));
}

Scroller::~Scroller() { canvas_.ForgetScroller(this); }

void Scroller::Track(const zq::Point& client, ICanvas::IScrollObserver* observer) {
    point_ = client;
    observer_ = observer;
    const zq::Point s = canvas_.EdgeStep(client);
    if (s.x || s.y) {
        Step();
        canvas_.StartScrollTimer();
    } else {
        canvas_.StopScrollTimer();
    }
}

void Scroller::Step() {
    const zq::Point s = canvas_.EdgeStep(point_);
    if (!s.x && !s.y) {
        canvas_.StopScrollTimer();
        return;
    }
    canvas_.ScrollBy(s.x, s.y);
    if (observer_) observer_->OnScrolled(canvas_.ClientToLogical(point_));
}

DragDropScroller::DragDropScroller(ScreenCanvas& c) : canvas_(c) { canvas_.DragScrolling(true); }

DragDropScroller::~DragDropScroller() { canvas_.DragScrolling(false); }

} // namespace

std::unique_ptr<ICanvas::IScreenCanvas> CreateScreenCanvas(HWND pane, HWND hScroll, HWND vScroll) {
    if (!pane || !IsWindow(pane)) throw Error("no pane window for the screen canvas");
    return std::make_unique<ScreenCanvas>(pane, hScroll, vScroll);
}

} // namespace DrawingKernel
