// The retained drawing without a window: order, handles, groups, extent, invalid areas.
#include "drawing/tests/TestSupport.h"

using namespace DrawingKernel;
using ICanvas::DoubleRect;
using DrawingTest::Key;

namespace {

std::vector<const ICanvas::IElement*> Order(OffscreenCanvas& c) {
    std::vector<const ICanvas::IElement*> v;
    c.Model().ForEach([&](const Drawable& d) { v.push_back(&d); });
    return v;
}

DoubleRect Box(double l, double t, double r, double b) { return {l, t, r, b}; }

const ICanvas::LineStyle kFill = ICanvas::LineStyle::FromColor(zq::Color(200, 220, 255));

} // namespace

TEST(DrawingOrder, LargerKeyedFillsLieBeneathSmallerOnes) {
    OffscreenCanvas c;
    auto small = c.CreateFilledRect(Box(0, 0, 10, -10), kFill, Key(100));
    auto large = c.CreateFilledRect(Box(0, 0, 100, -100), kFill, Key(10000));
    auto middle = c.CreateFilledRect(Box(0, 0, 50, -50), kFill, Key(2500));
    EXPECT_EQ(Order(c), (std::vector<const ICanvas::IElement*>{large.Get(), middle.Get(), small.Get()}));
}

TEST(DrawingOrder, EqualKeysKeepCreationOrder) {
    OffscreenCanvas c;
    auto a = c.CreateFilledRect(Box(0, 0, 10, -10), kFill, Key(100));
    auto b = c.CreateFilledEllipse(Box(5, 0, 15, -10), kFill, Key(100));
    auto big = c.CreateFilledRect(Box(0, 0, 100, -100), kFill, Key(1000));
    auto d = c.CreateFilledPolygon({{0, 0}, {10, 0}, {0, -10}}, kFill, Key(100));
    EXPECT_EQ(Order(c), (std::vector<const ICanvas::IElement*>{big.Get(), a.Get(), b.Get(), d.Get()}));
}

TEST(DrawingOrder, UnkeyedElementsLieAboveKeyedFillsAndBelowTopmostKeys) {
    OffscreenCanvas c;
    auto line = c.CreateLine({0, 0}, {10, 10});
    auto top = c.CreateFilledRect(Box(0, 0, 5, -5), kFill, Key(1, true));
    auto fill = c.CreateFilledRect(Box(0, 0, 100, -100), kFill, Key(10000));
    auto rect = c.CreateRect(Box(0, 0, 100, -100));
    EXPECT_EQ(Order(c), (std::vector<const ICanvas::IElement*>{fill.Get(), line.Get(), rect.Get(), top.Get()}));
}

TEST(Handles, ReleasingTheLastHandleRemovesTheElement) {
    OffscreenCanvas c;
    auto a = c.CreateLine({0, 0}, {10, 10});
    ICanvas::Element copy = a;
    auto b = c.CreateRect(Box(0, 0, 5, -5));
    a.Reset();
    EXPECT_EQ(c.Model().Size(), 2u);  // the copy still holds it
    copy.Reset();
    EXPECT_EQ(Order(c), (std::vector<const ICanvas::IElement*>{b.Get()}));
}

TEST(DrawingOrder, RemovingFirstMiddleAndLastKeepsTheRestInOrderForLaterInsertions) {
    OffscreenCanvas c;
    auto k1 = c.CreateFilledRect(Box(0, 0, 40, -40), kFill, Key(1600));
    auto k2 = c.CreateFilledRect(Box(0, 0, 30, -30), kFill, Key(900));
    auto k3 = c.CreateFilledRect(Box(0, 0, 20, -20), kFill, Key(400));
    auto k4 = c.CreateFilledRect(Box(0, 0, 10, -10), kFill, Key(100));
    auto u1 = c.CreateLine({0, 0}, {1, 1});
    auto u2 = c.CreateLine({0, 0}, {2, 2});
    auto u3 = c.CreateLine({0, 0}, {3, 3});
    k1.Reset();  // the first keyed fill
    k3.Reset();  // one in the middle
    k4.Reset();  // the last
    u2.Reset();
    u3.Reset();
    EXPECT_EQ(Order(c), (std::vector<const ICanvas::IElement*>{k2.Get(), u1.Get()}));
    EXPECT_EQ(c.Model().Size(), 2u);
    // Insertions find the right neighbours: before the head, at the end, and after the remaining line.
    auto biggest = c.CreateFilledRect(Box(0, 0, 50, -50), kFill, Key(2500));
    auto smallest = c.CreateFilledRect(Box(0, 0, 5, -5), kFill, Key(25));
    auto u4 = c.CreateLine({0, 0}, {4, 4});
    k2.Reset();
    auto middle = c.CreateFilledRect(Box(0, 0, 25, -25), kFill, Key(625));
    EXPECT_EQ(Order(c), (std::vector<const ICanvas::IElement*>{biggest.Get(), middle.Get(), smallest.Get(), u1.Get(), u4.Get()}));
    EXPECT_EQ(c.Model().Size(), 5u);
}

TEST(Handles, AHandleOutlivingItsCanvasIsHarmless) {
    ICanvas::Element e;
    {
        OffscreenCanvas c;
        e = c.CreateLine({0, 0}, {10, 10});
    }
    ASSERT_FALSE(e.IsEmpty());  // the handle still keeps its element alive
    e.Move({5, 5});             // reaches no canvas any more
    e.Reset();
    EXPECT_TRUE(e.IsEmpty());
}

TEST(Groups, ResetRemovesAllChildrenFromTheCanvas) {
    OffscreenCanvas c;
    ICanvas::Group g;
    EXPECT_EQ(g.Size(), 0u);
    g.Add(c.CreateLine({0, 0}, {10, 10}));
    g.Add(c.CreateRect(Box(0, 0, 5, -5)));
    g.Add(ICanvas::Element());  // empty handles are ignored
    auto kept = c.CreateEllipse(Box(0, 0, 5, -5));
    EXPECT_EQ(g.Size(), 2u);
    g.Reset();
    EXPECT_EQ(Order(c), (std::vector<const ICanvas::IElement*>{kept.Get()}));
    g.Add(c.CreateLine({1, 1}, {2, 2}));  // usable again after a reset
    EXPECT_EQ(c.Model().Size(), 2u);
}

TEST(Groups, MovingAGroupMovesEveryChildAndNestedGroups) {
    OffscreenCanvas c;
    ICanvas::Group inner;
    inner.Add(c.CreateRect(Box(0, 0, 100, -100)));
    ICanvas::Group outer;
    outer.Add(c.CreateLine({0, 0}, {50, 50}));
    outer.Add(inner);
    outer.Move({1000, -2000});
    const DoubleRect e = c.GetExtent();
    EXPECT_EQ(e, Box(1000, -1950, 1100, -2100));
}

TEST(Extent, IsTheUnionOfAllElementsAndEmptyWithoutAny) {
    DrawingTest::EnsureEnvironment();
    OffscreenCanvas c;
    EXPECT_TRUE(c.GetExtent().IsEmpty());
    auto a = c.CreateRect(Box(1000, 1000, 3000, -3000));
    auto b = c.CreateClosedPolygon({{3000, -3000}, {6000, -3000}, {4000, -6000}});
    auto p = c.CreatePicture({10000, -500}, 100);  // 7 x 7 pixels, 3.5 pixels each side at 96 dpi
    const double half = 3.5 * 2540 / 96;
    EXPECT_EQ(c.GetExtent(), Box(1000, 1000, 10000 + half, -6000));
    b.Reset();
    EXPECT_EQ(c.GetExtent(), Box(1000, 1000, 10000 + half, -3000));
}

TEST(Extent, FollowsEveryMoveInsertionAndRemovalAfterItWasAsked) {
    OffscreenCanvas c;
    auto a = c.CreateRect(Box(0, 0, 1000, -1000));
    EXPECT_EQ(c.GetExtent(), Box(0, 0, 1000, -1000));
    a.Move({500, 0});
    EXPECT_EQ(c.GetExtent(), Box(500, 0, 1500, -1000));
    auto target = c.CreateAdjustMarker({-2000, 3000}, ICanvas::SideLeft, 1);
    EXPECT_EQ(c.GetExtent(), Box(-2000, 3000, 1500, -1000));
    target.Move({1000, -1000});
    EXPECT_EQ(c.GetExtent(), Box(-1000, 2000, 1500, -1000));
    target.Reset();
    ICanvas::Group g;
    g.Add(c.CreateLine({0, 0}, {0, -5000}));
    EXPECT_EQ(c.GetExtent(), Box(0, 0, 1500, -5000));
    g.Move({-300, 0});
    EXPECT_EQ(c.GetExtent(), Box(-300, 0, 1500, -5000));
    g.Reset();
    EXPECT_EQ(c.GetExtent(), Box(500, 0, 1500, -1000));
}

TEST(Extent, ShrinksWhenTheElementsOnItsEdgesMoveInwardOrGo) {
    OffscreenCanvas c;
    auto left = c.CreateRect(Box(0, -400, 100, -500));
    auto top = c.CreateRect(Box(400, 0, 500, -100));
    auto inner = c.CreateRect(Box(300, -300, 600, -600));
    auto corner = c.CreateRect(Box(900, -800, 1000, -1000));
    EXPECT_EQ(c.GetExtent(), Box(0, 0, 1000, -1000));
    inner.Move({50, -50});  // strictly inside before and after
    EXPECT_EQ(c.GetExtent(), Box(0, 0, 1000, -1000));
    inner.Move({500, 0});  // grows it to the right
    EXPECT_EQ(c.GetExtent(), Box(0, 0, 1150, -1000));
    inner.Move({-500, 0});
    EXPECT_EQ(c.GetExtent(), Box(0, 0, 1000, -1000));
    left.Move({200, 0});
    EXPECT_EQ(c.GetExtent(), Box(200, 0, 1000, -1000));
    corner.Reset();
    EXPECT_EQ(c.GetExtent(), Box(200, 0, 650, -650));
    inner.Reset();
    EXPECT_EQ(c.GetExtent(), Box(200, 0, 500, -500));
    top.Reset();
    left.Reset();
    EXPECT_TRUE(c.GetExtent().IsEmpty());
    auto again = c.CreateRect(Box(-10, 10, -5, 5));
    EXPECT_EQ(c.GetExtent(), Box(-10, 10, -5, 5));
}

TEST(InvalidAreas, CreationMoveAndRemovalAreRecorded) {
    OffscreenCanvas c;
    auto a = c.CreateRect(Box(0, 100, 100, 0));
    auto areas = c.Model().TakeInvalid();
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(areas[0].logical, Box(0, 100, 100, 0));
    EXPECT_TRUE(c.Model().TakeInvalid().empty());
    a.Move({500, 0});
    areas = c.Model().TakeInvalid();
    ASSERT_EQ(areas.size(), 2u);  // old and new place
    EXPECT_EQ(areas[0].logical, Box(0, 100, 100, 0));
    EXPECT_EQ(areas[1].logical, Box(500, 100, 600, 0));
    a.Reset();
    areas = c.Model().TakeInvalid();
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(areas[0].logical, Box(500, 100, 600, 0));
}

TEST(InvalidAreas, ManyChangesCollapseIntoOneCoveringArea) {
    OffscreenCanvas c;
    std::vector<ICanvas::Element> keep;
    for (int i = 0; i < 2000; ++i) keep.push_back(c.CreateLine({i * 10.0, 0}, {i * 10.0, -10}));
    auto areas = c.Model().TakeInvalid();
    ASSERT_LE(areas.size(), 513u);
    DoubleRect all = areas[0].logical;
    for (auto& a : areas) all = all.Union(a.logical);
    EXPECT_EQ(all, Box(0, 0, 19990, -10));
}

TEST(AdjustMarkers, CornerMarksGoInOrderAndOnlyShootersDraw) {
    OffscreenCanvas c;
    ICanvas::Group targets, shooters;
    GraphUtil::AddCornerMarks(c, targets, Box(0, 1000, 2000, 0), 1);
    EXPECT_EQ(targets.Size(), 4u);
    int drawn = 0;
    c.Model().ForEach([&](const Drawable&) { ++drawn; });
    EXPECT_EQ(drawn, 0);  // targets draw nothing
    GraphUtil::AddEdgeCenterMarks(c, shooters, Box(5000, 1000, 6000, 500), 0);
    EXPECT_EQ(shooters.Size(), 4u);
    // The top-centre shooter at (5500, 1000) lines up with the two top corners of the target box.
    int guides = 0;
    c.Model().ForEach([&](const Drawable& d) {
        if (auto* m = dynamic_cast<const MarkerDrawable*>(&d); m && m->GuideEnd()) {
            ++guides;
            EXPECT_DOUBLE_EQ(m->GuideEnd()->x, 2000);
            EXPECT_DOUBLE_EQ(m->GuideEnd()->y, 1000);
        }
    });
    EXPECT_EQ(guides, 1);
}

TEST(AdjustMarkers, AGuideRepaintsWhenTheTargetItLinesUpWithComesMovesOrGoes) {
    OffscreenCanvas c;
    ICanvas::Group shooter, target;
    shooter.Add(c.CreateAdjustMarker({0, 1000}, ICanvas::SideRight | ICanvas::SideTop, 0));
    c.Model().TakeInvalid();
    // Covers the stretch of the guide from the shooter to x.
    auto covers = [&](double x) {
        for (const InvalidArea& a : c.Model().TakeInvalid())
            if (std::min(a.logical.left, a.logical.right) <= 1 && std::max(a.logical.left, a.logical.right) >= x - 1)
                return true;
        return false;
    };
    target.Add(c.CreateAdjustMarker({5000, 1000}, ICanvas::SideLeft | ICanvas::SideTop, 1));
    EXPECT_TRUE(covers(5000)) << "the guide to a new target";
    target.Move({2000, 0});
    EXPECT_TRUE(covers(7000)) << "the guide to a moved target";
    target.Clear();
    EXPECT_TRUE(covers(7000)) << "the guide that went with its target";
}

TEST(AdjustMarkers, AMovedShooterRepaintsTheGuideItHadAndTheOneItHasNow) {
    OffscreenCanvas c;
    ICanvas::Group shooter, targets;
    targets.Add(c.CreateAdjustMarker({5000, 1000}, ICanvas::SideLeft | ICanvas::SideTop, 1));
    targets.Add(c.CreateAdjustMarker({5000, 3000}, ICanvas::SideLeft | ICanvas::SideTop, 1));
    shooter.Add(c.CreateAdjustMarker({0, 1000}, ICanvas::SideRight | ICanvas::SideTop, 0));
    c.Model().TakeInvalid();
    shooter.Move({1000, 2000});  // lined up with the second target now
    bool old = false, now = false;
    for (const InvalidArea& a : c.Model().TakeInvalid()) {
        const DoubleRect r = a.logical.Normalized();
        old = old || (r.left <= 1 && r.right >= 4999 && r.bottom <= 1000 && r.top >= 1000);
        now = now || (r.left <= 1001 && r.right >= 4999 && r.bottom <= 3000 && r.top >= 3000);
    }
    EXPECT_TRUE(old) << "the guide it had";
    EXPECT_TRUE(now) << "the guide it has now";
    shooter.ForEach([](const ICanvas::Element& e) {
        const auto* m = dynamic_cast<const MarkerDrawable*>(e.Get());
        ASSERT_NE(m, nullptr);
        ASSERT_TRUE(m->GuideEnd().has_value());
        EXPECT_EQ(m->GuideEnd()->y, 3000);
    });
}

namespace {
using Spots = std::vector<std::pair<zq::float8Point, uint32_t>>;

// The guide end by the rule itself: of the targets lined up with the shooter's row (vertical sides
// alike) or column (horizontal sides alike), half a unit or more away, on a side the shooter faces
// (either side when it faces neither way along that line), not facing away from the shooter and
// not under a shooter of their own sides (to a unit), the nearest; of equal ones the one that came
// first (a moved target comes anew).
std::optional<zq::float8Point> ExpectedGuideEnd(OffscreenCanvas& c, zq::float8Point p, uint32_t sides,
                                                const Spots& shooters) {
    constexpr uint32_t kVertical = ICanvas::SideTop | ICanvas::SideBottom;
    constexpr uint32_t kHorizontal = ICanvas::SideLeft | ICanvas::SideRight;
    std::optional<zq::float8Point> best;
    double bestDist = 0, bestOrder = 0;
    c.Model().ForEachTarget([&](const Drawable& t) {
        const zq::float8Point a = t.Anchor();
        const uint32_t ts = t.TargetSides() & 0x7FFFFFFFu;
        for (const auto& [at, s] : shooters)
            if (s == ts && std::llround(at.x) == std::llround(a.x) && std::llround(at.y) == std::llround(a.y)) return;
        for (bool row : {true, false}) {
            const uint32_t across = row ? kVertical : kHorizontal, along = row ? kHorizontal : kVertical;
            const double off = row ? a.y - p.y : a.x - p.x, dist = row ? a.x - p.x : a.y - p.y;
            if (std::fabs(off) >= 0.5 || (ts & across) != (sides & across) || std::fabs(dist) < 0.5) continue;
            // The way from the shooter to the target: a target facing only that way faces away.
            const uint32_t there = dist > 0 ? (row ? ICanvas::SideRight : ICanvas::SideTop)
                                            : (row ? ICanvas::SideLeft : ICanvas::SideBottom);
            if ((sides & along) != 0 && (sides & there) == 0) continue;
            if ((ts & along) == there) continue;
            const double order = c.Model().TargetOrder(t);
            if (!best || std::fabs(dist) < bestDist || (std::fabs(dist) == bestDist && order < bestOrder)) {
                best = a;
                bestDist = std::fabs(dist);
                bestOrder = order;
            }
        }
    });
    return best;
}
} // namespace

TEST(AdjustMarkers, EveryShooterFindsTheNearestLinedUpTargetAmongManyAsTheyMoveAndGo) {
    // Targets on a few rows and columns, some half a unit or a unit off them, with every kind of
    // sides; shooters among them. Each guide ends where the rule over all targets says, also after
    // targets moved (some onto other rows) and after some went away.
    OffscreenCanvas c;
    const uint32_t kinds[] = {ICanvas::SideLeft | ICanvas::SideTop,     ICanvas::SideRight | ICanvas::SideTop,
                              ICanvas::SideLeft | ICanvas::SideBottom,  ICanvas::SideRight | ICanvas::SideBottom,
                              ICanvas::SideTop,  ICanvas::SideLeft,    ICanvas::SideRight, ICanvas::SideBottom};
    const double offsets[] = {0, 0, 0, 0.5, -0.4, 1, 0.25};
    std::vector<ICanvas::Element> targets, shooters;
    std::vector<std::pair<zq::float8Point, uint32_t>> shooterAt;
    unsigned seed = 12345;
    auto next = [&](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    // The shooters come first: none comes on a target (an image on the drawing it shows).
    for (int i = 0; i < 80; ++i) {
        const zq::float8Point p{100.0 * next(12) + offsets[next(7)], 100.0 * next(9) + offsets[next(7)]};
        const uint32_t sides = kinds[next(8)];
        shooters.push_back(c.CreateAdjustMarker(p, sides, 0));
        shooterAt.push_back({p, sides});
    }
    for (int i = 0; i < 600; ++i) {
        const zq::float8Point p{100.0 * next(12) + offsets[next(7)], 100.0 * next(9) + offsets[next(7)]};
        targets.push_back(c.CreateAdjustMarker(p, kinds[next(8)], 1));
    }
    auto check = [&](const char* when) {
        c.Model().TakeInvalid();
        int guides = 0;
        for (size_t i = 0; i < shooters.size(); ++i) {
            const auto* m = dynamic_cast<const MarkerDrawable*>(shooters[i].Get());
            ASSERT_NE(m, nullptr);
            const auto expected = ExpectedGuideEnd(c, shooterAt[i].first, shooterAt[i].second, shooterAt);
            const auto end = m->GuideEnd();
            ASSERT_EQ(end.has_value(), expected.has_value()) << when << ", shooter " << i;
            if (!end) continue;
            ++guides;
            EXPECT_EQ(end->x, expected->x) << when << ", shooter " << i;
            EXPECT_EQ(end->y, expected->y) << when << ", shooter " << i;
        }
        EXPECT_GT(guides, 20) << when;
    };
    check("placed");
    for (size_t i = 0; i < targets.size(); i += 3) targets[i].Move({100.0 * next(3), next(2) ? 100.0 : 0.5});
    check("moved");
    for (size_t i = 0; i < targets.size(); i += 2) targets[i].Reset();
    check("half of them gone");
}

TEST(AdjustMarkers, ShootersThatGoLeaveTheOthersFollowingTheirTargets) {
    // Shooters go in another order than they came; those left still repaint their guides when a
    // target moves, and a target that moves away takes no guide of a gone shooter along.
    OffscreenCanvas c;
    ICanvas::Group target;
    target.Add(c.CreateAdjustMarker({5000, 1000}, ICanvas::SideLeft | ICanvas::SideTop, 1));
    std::vector<ICanvas::Element> shooters;
    for (int i = 0; i < 10; ++i)
        shooters.push_back(c.CreateAdjustMarker({0, 1000.0}, ICanvas::SideRight | ICanvas::SideTop, 0));
    for (int i : {3, 0, 9, 5}) shooters[size_t(i)].Reset();
    c.Model().TakeInvalid();
    target.Move({2000, 0});
    int covering = 0;
    for (const InvalidArea& a : c.Model().TakeInvalid()) {
        const DoubleRect r = a.logical.Normalized();
        if (r.left <= 1 && r.right >= 6999) ++covering;
    }
    EXPECT_EQ(covering, 6) << "the six shooters left repaint their guides to the moved target";
    for (const ICanvas::Element& s : shooters) {
        const auto* m = dynamic_cast<const MarkerDrawable*>(s.Get());
        if (m) { EXPECT_EQ(m->GuideEnd()->x, 7000); }
    }
}

TEST(AdjustMarkers, ADraggedBoxsImageLinesUpWithTheNextBoxWhileTheBoxMovesUnderIt) {
    // A drag's image (shooters) moves step by step together with the live drawing of the box it
    // shows (targets at the very same points, a compartment line's end markers among them), or
    // while that drawing stays where it was (held); a guide from a corner of the image goes to the
    // other box's facing corner however far it lies, never to a mark of the dragged box itself.
    struct Case {
        DoubleRect next;
        double step;
        bool held;
        zq::float8Point corner, end;
    } const cases[] = {
        {Box(12000, -3000, 16000, -5000), 500, false, {10000, -3000}, {12000, -3000}},  // near, right
        {Box(40000, -3000, 44000, -5000), 500, false, {10000, -3000}, {40000, -3000}},  // far, right
        {Box(6000, -20000, 9000, -22000), 500, false, {6000, -5000}, {6000, -20000}},   // far, below
        {Box(-30000, 1000, -26000, -5000), 500, false, {6000, -5000}, {-26000, -5000}}, // far, left
        {Box(40000, -3000, 44000, -5000), 1000, true, {14000, -3000}, {40000, -3000}},  // the box stays
    };
    for (const Case& k : cases) {
        OffscreenCanvas c;
        ICanvas::Group dragged, next, image;
        for (auto [group, target] : {std::pair{&dragged, 1}, std::pair{&image, 0}}) {
            GraphUtil::AddCornerMarks(c, *group, Box(2000, -3000, 6000, -5000), target);
            group->Add(c.CreateAdjustMarker({2000, -4000}, ICanvas::SideLeft, target));
            group->Add(c.CreateAdjustMarker({6000, -4000}, ICanvas::SideRight, target));
        }
        GraphUtil::AddCornerMarks(c, next, k.next, 1);
        c.Model().TakeInvalid();
        for (int step = 1; step <= 8; ++step) {
            image.Move({k.step, 0});
            if (!k.held) dragged.Move({k.step, 0});
            c.Model().TakeInvalid();
        }
        const double left = k.held ? 2000 : 2000 + 8 * k.step;
        std::optional<zq::float8Point> end;
        image.ForEach([&](const ICanvas::Element& e) {
            const auto* m = dynamic_cast<const MarkerDrawable*>(e.Get());
            ASSERT_NE(m, nullptr);
            const auto to = m->GuideEnd();
            if (m->Anchor().x == k.corner.x && m->Anchor().y == k.corner.y) end = to;
            if (to) {
                EXPECT_FALSE(to->x >= left && to->x <= left + 4000 && to->y <= -3000 && to->y >= -5000)
                    << "a guide from (" << m->Anchor().x << ", " << m->Anchor().y << ") to the dragged box itself";
            }
        });
        ASSERT_TRUE(end.has_value()) << "no guide to the box at " << k.next.left;
        EXPECT_EQ(end->x, k.end.x);
        EXPECT_EQ(end->y, k.end.y);
        // Once the image is gone, the box's marks are targets like any other's.
        image.Clear();
        ICanvas::Element probe = c.CreateAdjustMarker({-5000, -3000}, ICanvas::SideRight | ICanvas::SideTop, 0);
        c.Model().TakeInvalid();
        const auto back = dynamic_cast<const MarkerDrawable*>(probe.Get())->GuideEnd();
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->x, left) << "the dragged box's top-left corner is no target after the drag";
    }
}

TEST(PageLayoutRecord, DefaultsAndAvailableArea) {
    OffscreenCanvas c;
    Page::PageLayout l = c.GetPageLayout();
    EXPECT_EQ(l.width, 21590);
    EXPECT_EQ(l.rows, 1);
    EXPECT_DOUBLE_EQ(l.AvailableWidth(), 21590 - 2 * 1016);
    l.rows = 2;
    l.columns = 3;
    l.landscape = 1;
    c.SetPageLayout(l);
    EXPECT_EQ(c.GetPageLayout(), l);
    EXPECT_DOUBLE_EQ(c.GetPageLayout().AvailableWidth(), 3 * 27940 - 2 * 1016 - 2 * 2032);
    l.columns = 0;
    EXPECT_FALSE(l.IsUsable());
}

// ---- the grid of painted areas: what a repaint of a small part of a large drawing visits

namespace {

using DrawingKernel::AreaGrid;

// Stand-ins for drawables: the grid only keeps and answers their addresses.
Drawable* Fake(int i) { return reinterpret_cast<Drawable*>(static_cast<uintptr_t>(16 * (i + 1))); }

std::vector<Drawable*> NearOf(const AreaGrid& grid, const ICanvas::DoubleRect& r) {
    std::vector<Drawable*> out;
    EXPECT_TRUE(grid.Near(r, out));
    return out;
}

} // namespace

TEST(AreaGrid, ASmallPartVisitsWhatLiesThereOnceEachInDrawingOrder) {
    AreaGrid grid;
    const double c = AreaGrid::kCell;
    // A row of small areas one cell apart, one long area over three cells, one huge area (kept aside).
    for (int i = 0; i < 100; ++i) grid.Add(Fake(i), {i * c + 10, -10, i * c + 20, -20}, uint64_t(200 - i));
    grid.Add(Fake(100), {5 * c, -10, 7 * c + 5, -20}, 1000);
    grid.Add(Fake(101), {-1e300, 1e300, 1e300, -1e300}, 500);
    EXPECT_EQ(NearOf(grid, {6 * c + 1, 0, 6 * c + 30, -30}),
              (std::vector<Drawable*>{Fake(6), Fake(101), Fake(100)}));  // by the order given, not by adding
    // Moved to another cell: found there only.
    grid.Move(Fake(6), {6 * c + 10, -10, 6 * c + 20, -20}, {50 * c + 10, -10, 50 * c + 20, -20});
    EXPECT_EQ(NearOf(grid, {6 * c + 1, 0, 6 * c + 30, -30}), (std::vector<Drawable*>{Fake(101), Fake(100)}));
    EXPECT_EQ(NearOf(grid, {50 * c + 1, 0, 50 * c + 30, -30}),
              (std::vector<Drawable*>{Fake(50), Fake(6), Fake(101)}));
    // Taken out: gone, with its order answered.
    EXPECT_EQ(grid.Remove(Fake(100), {5 * c, -10, 7 * c + 5, -20}), 1000u);
    EXPECT_EQ(grid.Remove(Fake(100), {5 * c, -10, 7 * c + 5, -20}), 0u);
    EXPECT_EQ(NearOf(grid, {5 * c + 1, 0, 7 * c + 30, -30}), (std::vector<Drawable*>{Fake(7), Fake(5), Fake(101)}));
}

TEST(AreaGrid, APartOverMoreCellsThanAreUsedIsLeftToAWalkOfEverything) {
    AreaGrid grid;
    grid.Add(Fake(0), {0, 0, 10, -10}, 1);
    std::vector<Drawable*> out;
    EXPECT_FALSE(grid.Near({-1e6, 1e6, 1e6, -1e6}, out));
    EXPECT_TRUE(out.empty());
}
