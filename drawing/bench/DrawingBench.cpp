// Rendering benchmark: 10,000 boxes and 10,000 lines; full renders and one-screen scrolls.
// Prints the figures; it is not a test.
#include "app/winutil/Platform.h"
#include "drawing/DrawingKernel.h"
#include "drawing/Surface.h"
#include "tools/bench/BenchMain.h"

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

class Order : public ICanvas::IOrder {
public:
    explicit Order(double a) : area_(a) {}
    bool IsBefore(const ICanvas::IOrder& o) const override { return area_ > static_cast<const Order&>(o).area_; }
    bool IsTopmost() const override { return false; }
private:
    double area_;
};

// 100 x 100 boxes (filled and outlined) on a 4 mm grid, and 10,000 lines between them.
std::vector<ICanvas::Element> Populate(ICanvas::Canvas& c) {
    std::vector<ICanvas::Element> keep;
    keep.reserve(30000);
    const auto fill = ICanvas::LineStyle::FromColor(zq::Color(255, 255, 200));
    const auto key = std::make_shared<Order>(1.0);
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j) {
            const double x = i * 400.0, y = -j * 400.0;
            const ICanvas::DoubleRect r{x, y, x + 250, y - 250};
            if ((i + j) % 2) keep.push_back(c.CreateFilledRect(r, fill, key));
            keep.push_back(c.CreateRect(r));
            keep.push_back(c.CreateLine({x + 250, y - 125}, {x + 400, y - 125}));
        }
    return keep;
}

// Square grey pictures of 7 x 7 pixels, the size of a selection handle.
class GreyPictures : public DrawingKernel::IPictureSource {
public:
    GreyPictures() {
        const std::vector<uint32_t> grey(49, 0x808080);
        bitmap_ = CreateBitmap(7, 7, 1, 32, grey.data());
    }
    ~GreyPictures() override { DeleteObject(bitmap_); }
    HBITMAP GetPicture(int) override { return bitmap_; }
private:
    HBITMAP bitmap_;
};

// Eight handle pictures around each of the 10,000 boxes, as selecting all of them shows.
std::vector<ICanvas::Group> AddHandles(ICanvas::Canvas& c) {
    std::vector<ICanvas::Group> groups(10000);
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j) {
            const double x = i * 400.0, y = -j * 400.0;
            ICanvas::Group& g = groups[size_t(i * 100 + j)];
            for (int k = 0; k < 8; ++k) {
                const double dx = k < 3 ? 0 : k < 5 ? 125 : 250;
                const double dy = k < 3 ? -125.0 * k : k < 5 ? -250.0 * (k - 3) : -125.0 * (k - 5);
                g.Add(c.CreatePicture({x + dx, y + dy}, 100));
            }
        }
    return groups;
}

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

} // namespace

int Run() {
    Bench::RequireDisplay();  // the screen canvas's figures need one
    {
        DrawingKernel::GdiplusSession gdiplus;
        const int runs = 10;
        {
            DrawingKernel::OffscreenCanvas c;
            auto t0 = Clock::now();
            auto keep = Populate(c);
            auto t1 = Clock::now();
            std::printf("create 10000 boxes and 10000 lines: %.1f ms\n", Ms(t0, t1));
            DrawingKernel::Surface s(1520, 1520);
            DrawingKernel::Mapping m;
            m.kx = m.ky = 96 / 2540.0;
            m.ox = m.oy = 2;
            double best = 1e9, total = 0;
            for (int i = 0; i < runs; ++i) {
                s.Clear(RGB(255, 255, 255));
                auto a = Clock::now();
                c.Render(s, m, nullptr);
                GdiFlush();
                auto b = Clock::now();
                best = std::min(best, Ms(a, b));
                total += Ms(a, b);
            }
            std::printf("complete render of all 20000 elements at 100 %% (1520 x 1520 px): best %.1f ms, mean %.1f ms\n",
                        best, total / runs);
            // A render whose area meets no element: the cost of finding what to draw.
            const RECT empty{0, 0, 1, 1};
            DrawingKernel::Mapping away = m;
            away.ox = 100000;
            best = 1e9;
            for (int i = 0; i < runs; ++i) {
                auto a = Clock::now();
                c.Render(s, away, &empty);
                best = std::min(best, Ms(a, Clock::now()));
            }
            std::printf("render of an area with no element in it: best %.2f ms\n", best);
        }
        {
            // PNG export of the same drawing: 403 mm with the 2 mm border is 1523 x 1523 pixels.
            auto c = DrawingKernel::CreateMetafileCanvas({4000, 4000}, L"Quorvel", L"bench");
            auto keep = Populate(*c);
            wchar_t dir[MAX_PATH];
            GetTempPathW(MAX_PATH, dir);
            const std::wstring file = std::wstring(dir) + L"quorvel-bench-" + std::to_wstring(GetCurrentProcessId()) + L".png";
            double best = 1e9, total = 0;
            for (int i = 0; i < runs; ++i) {
                auto a = Clock::now();
                c->SavePngFile(file, 200);
                const double t = Ms(a, Clock::now());
                best = std::min(best, t);
                total += t;
            }
            DeleteFileW(file.c_str());
            std::printf("PNG export of 10000 boxes and 10000 lines (1523 x 1523 px, encoding included): best %.1f ms, mean %.1f ms\n",
                        best, total / runs);
        }
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuorvelDrawingBench";
        RegisterClassW(&wc);
        HWND pane = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_POPUP, 0, 0, 1024, 768, nullptr, nullptr, wc.hInstance, nullptr);
        auto canvas = DrawingKernel::CreateScreenCanvas(pane, nullptr, nullptr);
        auto keep = Populate(*canvas);
        ShowWindow(pane, SW_SHOWNOACTIVATE);
        UpdateWindow(pane);
        Pump();
        canvas->ScrollPointTo({0, 0}, {0, 0});
        double paint = 0;
        for (int i = 0; i < runs; ++i) {
            auto a = Clock::now();
            InvalidateRect(pane, nullptr, FALSE);
            UpdateWindow(pane);
            GdiFlush();
            paint += Ms(a, Clock::now());
            Pump();
        }
        std::printf("window repaint 1024 x 768 at 100 %%: mean %.1f ms\n", paint / runs);
        // Scrolls down and back up by a distance, repaint included.
        auto scrolls = [&](const char* what, int dx, int dy) {
            const int n = 20;
            double total = 0, worst = 0, first = 0;
            for (int i = 0; i < n; ++i) {
                zq::Point p;
                canvas->GetScrollPos(p);
                const int sign = i % 2 ? -1 : 1;
                auto a = Clock::now();
                canvas->SetScrollPos({p.x + sign * dx, p.y + sign * dy});
                GdiFlush();
                const double t = Ms(a, Clock::now());
                total += t;
                worst = std::max(worst, t);
                if (i == 0) first = t;
                Pump();
            }
            std::printf("scroll %s: mean %.1f ms, worst %.1f ms (first %.1f ms)\n", what, total / n, worst, first);
        };
        scrolls("by one screen (768 px, repaint included)", 0, 768);
        scrolls("by a page step (752 px)", 0, 752);
        scrolls("by half a screen (384 px)", 0, 384);
        scrolls("by three lines (48 px)", 0, 48);
        scrolls("diagonally (100, 100 px)", 100, 100);
        {
            DrawingKernel::SetPictureSource(std::make_shared<GreyPictures>());
            auto a = Clock::now();
            auto handles = AddHandles(*canvas);
            const double create = Ms(a, Clock::now());
            a = Clock::now();
            canvas->Update();
            GdiFlush();
            const double update = Ms(a, Clock::now());
            std::printf("80000 handle pictures: created %.1f ms, repaint %.1f ms\n", create, update);
            a = Clock::now();
            handles.clear();
            canvas->Update();
            GdiFlush();
            std::printf("80000 handle pictures removed and repainted: %.1f ms\n", Ms(a, Clock::now()));
            DrawingKernel::SetPictureSource(nullptr);
        }
        canvas.reset();
        DestroyWindow(pane);
    }
    return 0;
}

int main() {
    return Bench::Main("drawing_bench", Run);
}
