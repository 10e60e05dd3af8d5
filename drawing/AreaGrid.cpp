#include "drawing/AreaGrid.h"

#include <algorithm>
#include <cmath>

namespace DrawingKernel {

namespace {
constexpr int64_t kMostCells = 64;  // a drawable over more cells is kept aside
}

bool AreaGrid::SpanOf(const ICanvas::DoubleRect& area, Span& span) {
    const ICanvas::DoubleRect r = area.Normalized();
    constexpr double kLimit = 1e15;  // beyond it cells lose their meaning (and infinities have none)
    if (!(std::fabs(r.left) < kLimit && std::fabs(r.right) < kLimit && std::fabs(r.top) < kLimit &&
          std::fabs(r.bottom) < kLimit))
        return false;
    span = {FloorToInt(r.left / kCell), FloorToInt(r.bottom / kCell), FloorToInt(r.right / kCell),
            FloorToInt(r.top / kCell)};
    return true;
}

bool AreaGrid::CellsOf(const ICanvas::DoubleRect& area, Span& span) {
    return SpanOf(area, span) && span.Count() <= kMostCells;
}

void AreaGrid::Add(Drawable* d, const ICanvas::DoubleRect& area, uint64_t order) {
    Span s;
    if (!CellsOf(area, s)) {
        aside_.push_back({d, order});
        return;
    }
    try {
        for (int64_t x = s.x0; x <= s.x1; ++x)
            for (int64_t y = s.y0; y <= s.y1; ++y) cells_[Key(x, y)].push_back({d, order});
    } catch (...) {
        Remove(d, area);  // never half in the grid
        throw;
    }
}

uint64_t AreaGrid::Take(std::vector<Entry>& entries, const Drawable* d) noexcept {
    const auto it = std::find_if(entries.begin(), entries.end(), [d](const Entry& e) { return e.drawable == d; });
    if (it == entries.end()) return 0;
    const uint64_t order = it->order;
    *it = entries.back();
    entries.pop_back();
    return order;
}

uint64_t AreaGrid::Remove(Drawable* d, const ICanvas::DoubleRect& area) noexcept {
    Span s;
    if (!CellsOf(area, s)) return Take(aside_, d);
    uint64_t order = 0;
    for (int64_t x = s.x0; x <= s.x1; ++x)
        for (int64_t y = s.y0; y <= s.y1; ++y) {
            const auto it = cells_.find(Key(x, y));
            if (it == cells_.end()) continue;
            if (const uint64_t o = Take(it->second, d)) order = o;
            if (it->second.empty()) cells_.erase(it);
        }
    return order;
}

void AreaGrid::Move(Drawable* d, const ICanvas::DoubleRect& from, const ICanvas::DoubleRect& to) {
    Span a, b;
    const bool placedA = CellsOf(from, a), placedB = CellsOf(to, b);
    if (placedA == placedB && (!placedA || (a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1))) return;
    const uint64_t order = Remove(d, from);
    Add(d, to, order);
}

bool AreaGrid::Near(const ICanvas::DoubleRect& area, std::vector<Drawable*>& out) const {
    out.clear();
    Span s;
    if (!SpanOf(area, s) || s.Count() > int64_t(cells_.size())) return false;
    thread_local std::vector<Entry> found;  // reused: a repaint allocates nothing once warm
    found.assign(aside_.begin(), aside_.end());
    for (int64_t x = s.x0; x <= s.x1; ++x)
        for (int64_t y = s.y0; y <= s.y1; ++y) {
            const auto it = cells_.find(Key(x, y));
            if (it != cells_.end()) found.insert(found.end(), it->second.begin(), it->second.end());
        }
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) { return a.order < b.order; });
    for (size_t i = 0; i < found.size(); ++i)
        if (i == 0 || found[i].order != found[i - 1].order) out.push_back(found[i].drawable);
    return true;
}

} // namespace DrawingKernel
