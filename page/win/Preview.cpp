#include "page/win/Preview.h"

#include "core/foundation/Geometry.h"

#include <cmath>

namespace Page {

using zq::Round;

namespace {

// A pen selected into a device context for one drawing step.
class PenScope {
public:
    PenScope(HDC dc, int style, COLORREF color) : dc_(dc), pen_(::CreatePen(style, 1, color)), old_(::SelectObject(dc, pen_)) {}
    ~PenScope() {
        ::SelectObject(dc_, old_);
        ::DeleteObject(pen_);
    }
    PenScope(const PenScope&) = delete;
    PenScope& operator=(const PenScope&) = delete;

private:
    HDC dc_;
    HPEN pen_;
    HGDIOBJ old_;
};

void Line(HDC dc, int x0, int y0, int x1, int y1)
{
    ::MoveToEx(dc, x0, y0, nullptr);
    ::LineTo(dc, x1, y1);
}

void Fill(HDC dc, int l, int t, int r, int b, int sysColor)
{
    if (r <= l || b <= t) return;
    RECT rc{l, t, r, b};
    ::FillRect(dc, &rc, ::GetSysColorBrush(sysColor));
}

const COLORREF kGrey = RGB(100, 100, 100);

} // namespace

Preview::Preview(PageSetup& setup, WinUtil::Window& dialog, int groupId, HENHMETAFILE picture, const PaperRect& extent)
    : setup_(setup), picture_(picture), extent_(extent)
{
    HWND group = ::GetDlgItem(dialog.GetHwnd(), groupId);
    RECT box{};
    ::GetWindowRect(group, &box);
    ::MapWindowPoints(nullptr, dialog.GetHwnd(), reinterpret_cast<POINT*>(&box), 2);
    hwnd_ = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, box.left + 10, box.top + 20,
                              box.right - box.left - 20, box.bottom - box.top - 30, dialog.GetHwnd(), nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
    plugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(dialog.GetDispatcher());
    plugs_->AddSpy(WM_DRAWITEM, this, &Preview::OnDrawItem);
    setup_.AddObserver(*this);
}

Preview::~Preview()
{
    setup_.RemoveObserver(*this);
    plugs_.reset();
    if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

void Preview::OnPropertyChanged(const IProperty&)
{
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Preview::OnDrawItem(WinMessage::Msg& msg)
{
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
    if (!item || item->CtlType != ODT_STATIC || item->hwndItem != hwnd_) return;
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int w = client.right, h = client.bottom;
    // Composed in memory and shown with one copy, so typing does not flicker.
    HDC mem = ::CreateCompatibleDC(item->hDC);
    HBITMAP bitmap = ::CreateCompatibleBitmap(item->hDC, w, h);
    HGDIOBJ old = ::SelectObject(mem, bitmap);
    Paint(mem, w, h);
    ::BitBlt(item->hDC, 0, 0, w, h, mem, 0, 0, SRCCOPY);
    ::SelectObject(mem, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(mem);
    msg.result = TRUE;
}

void Preview::Paint(HDC dc, int width, int height) const
{
    const PageLayout layout = setup_.GetLayout();
    const PreviewGeometry g = ComputePreview(layout, width, height);
    Fill(dc, 0, 0, width, height, COLOR_WINDOW);
    if (g.columns == 0) return;
    DrawDiagram(dc, layout, g);
    BlankUnprinted(dc, layout, g, width, height);
    DrawLines(dc, layout, g, width, height);
    // Everything outside the sheets: the border and the gaps between them.
    Fill(dc, 0, 0, width, g.y0, COLOR_BTNFACE);
    Fill(dc, 0, g.SheetTop(g.rows - 1) + g.sheetHeight, width, height, COLOR_BTNFACE);
    Fill(dc, 0, 0, g.x0, height, COLOR_BTNFACE);
    Fill(dc, g.SheetLeft(g.columns - 1) + g.sheetWidth, 0, width, height, COLOR_BTNFACE);
    for (int i = 1; i < g.rows; ++i) Fill(dc, 0, g.SheetTop(i) - PreviewGeometry::kGap, width, g.SheetTop(i), COLOR_BTNFACE);
    for (int j = 1; j < g.columns; ++j)
        Fill(dc, g.SheetLeft(j) - PreviewGeometry::kGap, 0, g.SheetLeft(j), height, COLOR_BTNFACE);
}

void Preview::DrawDiagram(HDC dc, const PageLayout& l, const PreviewGeometry& g) const
{
    if (!picture_ || extent_.right == extent_.left || extent_.top == extent_.bottom) return;
    const double s = l.scale;
    const int ox = g.x0 + Round(l.margins.left * g.pixelsAcross);
    const int oy = g.y0 + Round(l.margins.top * g.pixelsDown);
    RECT r{ox + Round(extent_.left * s * g.pixelsAcross), oy - Round(extent_.top * s * g.pixelsDown),
           ox + Round(extent_.right * s * g.pixelsAcross), oy - Round(extent_.bottom * s * g.pixelsDown)};
    ::PlayEnhMetaFile(dc, picture_, &r);
    const double stepX = l.SheetWidth() - l.cutGlueMargins.left - l.cutGlueMargins.right;
    const double stepY = l.SheetHeight() - l.cutGlueMargins.top - l.cutGlueMargins.bottom;
    for (int i = g.rows - 1; i >= 0; --i)
        for (int j = g.columns - 1; j >= 0; --j) {
            if (i == 0 && j == 0) continue;
            ::BitBlt(dc, g.SheetLeft(j), g.SheetTop(i), g.sheetWidth, g.sheetHeight, dc,
                     g.x0 + Round(stepX * j * g.pixelsAcross), g.y0 + Round(stepY * i * g.pixelsDown), SRCCOPY);
        }
}

void Preview::BlankUnprinted(HDC dc, const PageLayout& l, const PreviewGeometry& g, int width, int height) const
{
    // Down: above the top margin, below the bottom margin, and from each cut line to the next glue line.
    const double H = l.SheetHeight(), W = l.SheetWidth();
    Fill(dc, 0, 0, width, g.y0 + Round(l.margins.top * g.pixelsDown), COLOR_WINDOW);
    Fill(dc, 0, g.SheetTop(g.rows - 1) + Round((H - l.margins.bottom) * g.pixelsDown), width, height, COLOR_WINDOW);
    for (int i = 0; i + 1 < g.rows; ++i)
        Fill(dc, 0, g.SheetTop(i) + Round((H - l.cutGlueMargins.bottom) * g.pixelsDown), width,
             g.SheetTop(i + 1) + Round(l.cutGlueMargins.top * g.pixelsDown), COLOR_WINDOW);
    Fill(dc, 0, 0, g.x0 + Round(l.margins.left * g.pixelsAcross), height, COLOR_WINDOW);
    Fill(dc, g.SheetLeft(g.columns - 1) + Round((W - l.margins.right) * g.pixelsAcross), 0, width, height, COLOR_WINDOW);
    for (int j = 0; j + 1 < g.columns; ++j)
        Fill(dc, g.SheetLeft(j) + Round((W - l.cutGlueMargins.right) * g.pixelsAcross), 0,
             g.SheetLeft(j + 1) + Round(l.cutGlueMargins.left * g.pixelsAcross), height, COLOR_WINDOW);
}

void Preview::DrawLines(HDC dc, const PageLayout& l, const PreviewGeometry& g, int width, int height) const
{
    const double W = l.SheetWidth(), H = l.SheetHeight();
    const PaperRect drawing{extent_.left * l.scale, extent_.top * l.scale, extent_.right * l.scale,
                            extent_.bottom * l.scale};
    const MarginLines m = ComputeMarginLines(l, g, picture_ ? &drawing : nullptr);
    const COLORREF red = RGB(200, 0, 0);
    ::SetBkMode(dc, TRANSPARENT);
    {
        PenScope pen(dc, PS_DOT, m.leftCrossed ? red : kGrey);
        Line(dc, m.left, 0, m.left, height);
    }
    {
        PenScope pen(dc, PS_DOT, m.topCrossed ? red : kGrey);
        Line(dc, 0, m.top, width, m.top);
    }
    {
        PenScope pen(dc, PS_DOT, m.rightCrossed ? red : kGrey);
        Line(dc, m.right, 0, m.right, height);
    }
    {
        PenScope pen(dc, PS_DOT, m.bottomCrossed ? red : kGrey);
        Line(dc, 0, m.bottom, width, m.bottom);
    }
    {
        PenScope pen(dc, PS_DASHDOT, kGrey);
        for (int i = 0; i + 1 < g.rows; ++i) {
            const int y = g.SheetTop(i) + Round((H - l.cutGlueMargins.bottom) * g.pixelsDown);
            Line(dc, 0, y, width, y);
        }
        for (int j = 0; j + 1 < g.columns; ++j) {
            const int x = g.SheetLeft(j) + Round((W - l.cutGlueMargins.right) * g.pixelsAcross);
            Line(dc, x, 0, x, height);
        }
    }
    {
        PenScope pen(dc, PS_SOLID, kGrey);
        for (int i = 1; i < g.rows; ++i) {
            const int y = g.SheetTop(i) + Round(l.cutGlueMargins.top * g.pixelsDown);
            Line(dc, 0, y, width, y);
        }
        for (int j = 1; j < g.columns; ++j) {
            const int x = g.SheetLeft(j) + Round(l.cutGlueMargins.left * g.pixelsAcross);
            Line(dc, x, 0, x, height);
        }
    }
    HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
    for (int i = 0; i < g.rows; ++i) {
        Line(dc, 0, g.SheetTop(i), width, g.SheetTop(i));
        Line(dc, 0, g.SheetTop(i) + g.sheetHeight - 1, width, g.SheetTop(i) + g.sheetHeight - 1);
    }
    for (int j = 0; j < g.columns; ++j) {
        Line(dc, g.SheetLeft(j), 0, g.SheetLeft(j), height);
        Line(dc, g.SheetLeft(j) + g.sheetWidth - 1, 0, g.SheetLeft(j) + g.sheetWidth - 1, height);
    }
    ::SelectObject(dc, old);
}

} // namespace Page
