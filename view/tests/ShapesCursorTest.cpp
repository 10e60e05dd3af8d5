// Arrow heads and diamonds at connector ends (degenerate ones draw nothing), the cursor table, and
// the update queues of view elements.
#include "view/Cursor.h"
#include "view/Shapes.h"
#include "view/tests/TestBoxes.h"

namespace ViewTest {
namespace {

TEST(Shapes, ArrowFormsDrawTheirLinesAndPolygons)
{
    ViewWindow w;
    ICanvas::Canvas& canvas = *w.canvas;
    const size_t counts[] = {0, 2, 1, 2, 1};
    for (int style = 0; style <= 4; ++style) {
        ICanvas::Group group;
        View::ArrowShape arrow(canvas, group, {0, 0}, {1000, 0}, 700, 260, style);
        EXPECT_EQ(group.Size(), counts[style]) << style;
        EXPECT_EQ(arrow.GetBase(), zq::float8Point(350, 0));
        EXPECT_EQ(arrow.GetWing1(), zq::float8Point(350, 130));
        EXPECT_EQ(arrow.GetWing2(), zq::float8Point(350, -130));
    }
}

TEST(Shapes, DiamondsReachTheirLengthAlongTheConnector)
{
    ViewWindow w;
    ICanvas::Group outline, filled;
    View::DiamondShape d(*w.canvas, outline, {0, 0}, {0, 1000}, 600, 300, false);
    View::DiamondShape f(*w.canvas, filled, {0, 0}, {0, 1000}, 600, 300, true);
    EXPECT_EQ(outline.Size(), 1u);
    EXPECT_EQ(filled.Size(), 2u);
    EXPECT_EQ(d.GetFar(), zq::float8Point(0, 600));
    EXPECT_EQ(d.GetSide1(), zq::float8Point(-150, 300));
    EXPECT_EQ(d.GetSide2(), zq::float8Point(150, 300));
}

TEST(Shapes, DegenerateShapesDrawNothingAndAnswerTheTip)
{
    ViewWindow w;
    const zq::float8Point tip{500, 500};
    for (auto [from, length] : {std::pair{tip, 700.0}, std::pair{zq::float8Point(500.5, 500), 700.0},
                                 std::pair{zq::float8Point(900, 500), 0.0}}) {
        ICanvas::Group group;
        View::ArrowShape arrow(*w.canvas, group, tip, from, length, 260, 3);
        View::DiamondShape diamond(*w.canvas, group, tip, from, length, 300, true);
        EXPECT_EQ(group.Size(), 0u);
        EXPECT_EQ(arrow.GetBase(), tip);
        EXPECT_EQ(arrow.GetWing1(), tip);
        EXPECT_EQ(arrow.GetWing2(), tip);
        EXPECT_EQ(diamond.GetFar(), tip);
        EXPECT_EQ(diamond.GetSide1(), tip);
        EXPECT_FALSE(arrow.Test(0));
    }
}

TEST(Cursors, NumbersMapToSystemCursorsAndResources)
{
    using View::Cursor::Lookup;
    EXPECT_TRUE(Lookup(0).system);
    EXPECT_EQ(Lookup(0).systemId, IDC_APPSTARTING);
    EXPECT_EQ(Lookup(7).systemId, IDC_SIZENS);
    EXPECT_EQ(Lookup(11).systemId, IDC_WAIT);
    for (int arrow : {1, 12, 255, 260, 284, -1}) {
        EXPECT_TRUE(Lookup(arrow).system) << arrow;
        EXPECT_EQ(Lookup(arrow).systemId, IDC_ARROW) << arrow;
    }
    EXPECT_EQ(Lookup(256).resourceId, 100u);
    EXPECT_EQ(Lookup(259).resourceId, 103u);
    EXPECT_EQ(Lookup(261).resourceId, 105u);
    EXPECT_EQ(Lookup(282).resourceId, 126u);
    EXPECT_EQ(Lookup(283).resourceId, 130u);
    EXPECT_FALSE(Lookup(269).system);
    // Every numbered cursor can be loaded from the program's resources.
    for (int id : {256, 261, 269, 278, 279, 280, 281, 283}) EXPECT_NE(View::Cursor::Get(id), nullptr) << id;
    EXPECT_EQ(View::Cursor::Get(260), static_cast<HCURSOR>(LoadImageW(nullptr, IDC_ARROW, IMAGE_CURSOR, 0, 0,
                                                                      LR_SHARED | LR_DEFAULTSIZE)));
}

// Two boxes in a window, with their views.
struct TwoBoxes {
    ViewWindow w;
    std::shared_ptr<Box> a = w.AddBox({0, 4000, 2000, 2000});
    std::shared_ptr<Box> b = w.AddBox({4000, 4000, 6000, 2000});
    VBox* va = w.Of(*a);
    VBox* vb = w.Of(*b);
};

TEST(UpdateQueue, AFullRequestWinsOverAMarksOnlyOneAndEachElementUpdatesOnce)
{
    TwoBoxes boxes;
    ViewWindow& w = boxes.w;
    VBox* va = boxes.va;
    VBox* vb = boxes.vb;
    const int shapesA = va->shapeUpdates, marksA = va->markUpdates, shapesB = vb->shapeUpdates;
    va->RequestMarksUpdate();
    va->RequestUpdate();
    vb->RequestUpdate();
    vb->RequestMarksUpdate();
    EXPECT_EQ(w.view->GetPendingUpdateCount(), 2u);
    w.view->ProcessUpdates();
    EXPECT_EQ(va->shapeUpdates, shapesA + 1);
    EXPECT_EQ(va->markUpdates, marksA + 1);
    EXPECT_EQ(vb->shapeUpdates, shapesB + 1);
    EXPECT_EQ(w.view->GetPendingUpdateCount(), 0u);
    va->RequestMarksUpdate();
    w.view->ProcessUpdates();
    EXPECT_EQ(va->shapeUpdates, shapesA + 1);
    EXPECT_EQ(va->markUpdates, marksA + 2);
    // A cancelled request is not served; requests of a view being destroyed are ignored.
    va->RequestUpdate();
    va->CancelUpdate();
    w.view->ProcessUpdates();
    EXPECT_EQ(va->shapeUpdates, shapesA + 1);
    w.view->SetBeingDestroyed();
    va->RequestUpdate();
    EXPECT_EQ(w.view->GetPendingUpdateCount(), 0u);
}

// Elements that ask each other to update (a box redrawing its parts) update once per round: the
// model does not change while they update. A request after the round is served again.
TEST(UpdateQueue, RequestsForElementsUpdatedInTheSameRoundAreDropped)
{
    TwoBoxes boxes;
    ViewWindow& w = boxes.w;
    VBox* va = boxes.va;
    VBox* vb = boxes.vb;
    vb->onUpdateShape = [&] { va->RequestUpdate(); va->RequestMarksUpdate(); };
    const int shapesA = va->shapeUpdates, shapesB = vb->shapeUpdates, marksA = va->markUpdates;
    va->RequestUpdate();
    vb->RequestUpdate();  // updates after a, and asks a again
    w.view->ProcessUpdates();
    EXPECT_EQ(va->shapeUpdates, shapesA + 1);
    EXPECT_EQ(vb->shapeUpdates, shapesB + 1);
    EXPECT_EQ(va->markUpdates, marksA + 1);
    EXPECT_EQ(w.view->GetPendingUpdateCount(), 0u);
    vb->onUpdateShape = nullptr;
    va->RequestUpdate();
    w.view->ProcessUpdates();
    EXPECT_EQ(va->shapeUpdates, shapesA + 2);
}

TEST(UpdateQueue, AnInactiveViewShowsGreyMarksAndAPixelDistanceFollowsTheZoom)
{
    ViewWindow w;
    auto a = w.AddBox({0, 4000, 2000, 2000});
    a->SelectInView(*w.view, true);
    EXPECT_TRUE(w.view->IsSelectionVisible());
    w.view->SetActive(false);
    EXPECT_FALSE(w.view->IsSelectionVisible());
    w.view->SetActive(true);
    EXPECT_TRUE(w.view->IsSelectionVisible());
    // Logical units are 0.01 mm: 96 pixels are an inch (2540 units) at 100 %, half of it at 200 %.
    const int at100 = w.view->PixelsToLogical(96);
    EXPECT_NEAR(at100, 2540, 2);
    w.canvas->SetZoom(2.0, {0, 0});
    EXPECT_NEAR(w.view->PixelsToLogical(96), 1270, 2);
    // Zoomed far out, a pixel distance stays at its 75 % length.
    w.canvas->SetZoom(0.25, {0, 0});
    EXPECT_NEAR(w.view->PixelsToLogical(96), 2540 / 0.75, 3);
}

} // namespace
} // namespace ViewTest
