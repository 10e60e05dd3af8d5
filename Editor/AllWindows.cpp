#include "Editor/AllWindows.h"

#include "Editor/Diagram.h"
#include "resources/resource.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <cmath>

namespace Editor {

bool CloseAllDocuments(Application::IDocumentFactory& factory) {
    std::vector<Diagram*> documents;
    factory.ForEachDocument([&](Application::IDocument& document) {
        auto* diagram = zq::Cast<Diagram>(&document);
        if (diagram && diagram->GetWindowCount() > 0) documents.push_back(diagram);
        return true;
    });
    for (Diagram* document : documents)
        if (!document->QueryClose()) return false;
    for (Diagram* document : documents) document->GetNode().End();
    return true;
}

std::vector<HWND> CollectArrangeableWindows(Application::IDocumentFactory& factory) {
    std::vector<HWND> windows;
    factory.ForEachDocument([&](Application::IDocument& document) {
        for (int i = 0; i < document.GetWindowCount(); ++i) {
            HWND hwnd = document.GetWindow(i)->GetHwnd();
            if (hwnd && !IsIconic(hwnd)) windows.push_back(hwnd);
        }
        return true;
    });
    // Into the screen's z-order: walking the top-level windows from the top, each one collected
    // moves to the next place.
    size_t next = 0;
    for (HWND hwnd = GetTopWindow(nullptr); hwnd && next < windows.size(); hwnd = GetWindow(hwnd, GW_HWNDNEXT)) {
        auto it = std::find(windows.begin() + static_cast<std::ptrdiff_t>(next), windows.end(), hwnd);
        if (it != windows.end()) std::iter_swap(windows.begin() + static_cast<std::ptrdiff_t>(next++), it);
    }
    return windows;
}

namespace {

// The work area of the screen the first window is on.
RECT WorkAreaOf(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info)) return info.rcWork;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// Places the windows where the platform's arrangement put nothing, keeping their z-order; a
// maximised window is restored first.
void PlaceWindows(const std::vector<HWND>& windows, const std::vector<RECT>& places) {
    for (size_t i = 0; i < windows.size() && i < places.size(); ++i) {
        if (IsZoomed(windows[i])) ShowWindow(windows[i], SW_SHOWNOACTIVATE);
        const RECT& r = places[i];
        SetWindowPos(windows[i], nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

} // namespace

std::vector<RECT> ArrangedPlaces(UINT command, const RECT& work, size_t count, int step) {
    std::vector<RECT> places;
    if (count == 0) return places;
    const int width = work.right - work.left, height = work.bottom - work.top;
    const int n = static_cast<int>(count);
    if (command == ID_WINDOW_CASCADE) {
        // As deep as a third of the work area allows, then again from the top-left; the topmost
        // window lies deepest, so that every caption behind it shows.
        step = std::max(step, 1);
        const int depth = std::max(1, std::min(n, 1 + std::min(width, height) / 3 / step));
        const int w = width - (depth - 1) * step, h = height - (depth - 1) * step;
        for (int i = 0; i < n; ++i) {
            const int slot = (n - 1 - i) % depth;
            const int x = work.left + slot * step, y = work.top + slot * step;
            places.push_back({x, y, x + w, y + h});
        }
        return places;
    }
    // A grid filled column by column from the top-left, the last column taking the windows left
    // over: side by side when tiled vertically, one above another when tiled horizontally.
    int rows = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(n))));
    int columns = n / rows;
    if (command == ID_WINDOW_TILEHORZ) std::swap(rows, columns);
    const int w = width / columns;
    for (int c = 0, i = 0; c < columns && i < n; ++c) {
        const int inColumn = c == columns - 1 ? n - i : rows;
        const int h = height / inColumn;
        for (int r = 0; r < inColumn && i < n; ++r, ++i) {
            const int x = work.left + c * w, y = work.top + r * h;
            places.push_back({x, y, x + w, y + h});
        }
    }
    return places;
}

void ArrangeWindows(Application::IDocumentFactory& factory, UINT command) {
    std::vector<HWND> windows = CollectArrangeableWindows(factory);
    if (windows.empty()) return;
    // Each window right after its predecessor. One already there is left alone: under Wine a restack
    // request reaches the window manager, whose answer can reorder and activate windows later.
    for (size_t i = 1; i < windows.size(); ++i)
        if (GetWindow(windows[i], GW_HWNDPREV) != windows[i - 1])
            SetWindowPos(windows[i], windows[i - 1], 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    const UINT count = static_cast<UINT>(windows.size());
    WORD arranged = 0;
    if (command == ID_WINDOW_CASCADE) arranged = CascadeWindows(nullptr, 0, nullptr, count, windows.data());
    else arranged = TileWindows(nullptr, command == ID_WINDOW_TILEHORZ ? MDITILE_HORIZONTAL : MDITILE_VERTICAL,
                                nullptr, count, windows.data());
    if (arranged != 0) return;
    // Some platforms (Wine) arrange no top-level windows: the same arrangement by hand.
    const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYSIZEFRAME);
    PlaceWindows(windows, ArrangedPlaces(command, WorkAreaOf(windows.front()), windows.size(), step));
}

} // namespace Editor
