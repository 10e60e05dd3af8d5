#include "view/connector/Routing.h"
#include "view/connector/tests/ConnectorFixture.h"

#include <gtest/gtest.h>

namespace {

using Connector::Routing::FindPath;
using Connector::Routing::Port;
using Pts = std::vector<zq::float8Point>;

// A port on a side of the rectangle (0 left, 1 right, 2 top, 3 bottom) at the coordinate along it.
Port On(const zq::Rect& r, int side, double along)
{
    const double c = Connector::Routing::kClearance;
    switch (side) {
    case 0: return {{double(r.left), along}, 0, {r.left - c, along}};
    case 1: return {{double(r.right), along}, 1, {r.right + c, along}};
    case 2: return {{along, double(r.top)}, 2, {along, r.top + c}};
    default: return {{along, double(r.bottom)}, 3, {along, r.bottom - c}};
    }
}

// Whether every leg is level or plumb and shares at most a point with each rectangle.
bool KeepsOut(const Pts& path, const std::vector<zq::Rect>& boxes)
{
    for (std::size_t k = 0; k + 1 < path.size(); ++k) {
        const zq::float8Point a = path[k], b = path[k + 1];
        if (a.x != b.x && a.y != b.y) return false;
        for (const zq::Rect& r : boxes) {
            const double x0 = std::max(std::min(a.x, b.x), double(r.left)), x1 = std::min(std::max(a.x, b.x), double(r.right));
            const double y0 = std::max(std::min(a.y, b.y), double(r.bottom)), y1 = std::min(std::max(a.y, b.y), double(r.top));
            if (x0 <= x1 && y0 <= y1 && (x1 - x0) + (y1 - y0) > 0) return false;
        }
    }
    return true;
}

const zq::Rect kLeft(0, 1000, 1000, 0), kRight(3000, 1000, 4000, 0);

struct PathCase {
    const char* name;
    std::vector<Port> from, to;
    std::vector<zq::Rect> boxes;
    Pts expected;           // exact corners, when the search has one best way
    std::size_t corners;    // else the number of corner points (ends included), 0 for no path
};

// The search between two boxes: straight across, around a box in the way by its nearer side, from
// a free point with one bend, past a port whose leg out is blocked, and no path when every way in
// is blocked.
TEST(FindPath, TakesTheWayOfFewestBendsAroundTheBoxes)
{
    const zq::Rect wall(1800, 2000, 2200, -3000), stopper(1200, 800, 1700, 200);
    const PathCase cases[] = {
        {"facing sides", {On(kLeft, 1, 500)}, {On(kRight, 0, 500)}, {kLeft, kRight}, {{1000, 500}, {3000, 500}}, 2},
        {"a wall between, passed on its nearer end",
         {On(kLeft, 1, 500)},
         {On(kRight, 0, 500)},
         {kLeft, kRight, wall},
         {{1000, 500}, {1500, 500}, {1500, 2500}, {2500, 2500}, {2500, 500}, {3000, 500}},
         6},
        {"a free point, one bend", {{{2000, -2000}, -1, {2000, -2000}}}, {On(kLeft, 3, 500)}, {kLeft},
         {{2000, -2000}, {500, -2000}, {500, 0}}, 3},
        {"the blocked leg out gives way to the top", {On(kLeft, 1, 500), On(kLeft, 2, 500)}, {On(kRight, 0, 500)},
         {kLeft, kRight, stopper}, {}, 5},
        {"no way in", {On(kLeft, 1, 500)}, {On(kRight, 0, 500)}, {kLeft, kRight, zq::Rect(2400, 600, 2600, 400)}, {}, 0},
    };
    for (const PathCase& c : cases) {
        const Pts path = FindPath(c.from, c.to, c.boxes);
        EXPECT_EQ(path.size(), c.corners) << c.name;
        if (!c.expected.empty()) { EXPECT_EQ(path, c.expected) << c.name; }
        if (path.empty()) continue;
        EXPECT_TRUE(KeepsOut(path, c.boxes)) << c.name;
        if (c.from.size() > 1) { EXPECT_EQ(path.front(), c.from[1].at) << c.name; }
    }
}

// A segment enters a box when it crosses it or runs along its side, not when it leaves it outwards,
// even at a slant, or passes it.
TEST_F(ConnectorFixture, ASegmentEntersABoxWhenItCrossesOrRunsAlongIt)
{
    const zq::Rect r = a->GetRect().Normalized();
    const Connector::Routing::Box box{a.get(), r};
    const double mid = (r.bottom + r.top) / 2.0;
    const struct {
        const char* name;
        zq::float8Point from, to;
        bool enters;
    } cases[] = {
        {"across", {r.left - 500.0, mid}, {r.right + 500.0, mid}, true},
        {"along the top side", {r.left - 500.0, double(r.top)}, {r.right - 200.0, double(r.top)}, true},
        {"in from the side", {double(r.left), mid}, {r.left + 400.0, mid}, true},
        {"out from the side", {double(r.right), mid}, {r.right + 400.0, mid}, false},
        {"out at a slant", {double(r.right), mid}, {r.right + 100.0, mid + 1000}, false},
        {"past the corner", {r.left - 500.0, r.top + 1.0}, {r.right + 500.0, r.top + 1.0}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(Connector::Routing::Enters(box, c.from, c.to), c.enters) << c.name;
}

} // namespace
