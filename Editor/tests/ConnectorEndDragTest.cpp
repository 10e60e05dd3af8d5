// A composite state dragged with the mouse (X events, as Wine's drag loop needs) past the reach of a
// transition coming down onto its top edge: while the button is held the pane shows the transition's
// new path turning down onto the dragged top edge, and the saved document has the transition's end
// where the state's move put it, its far end where it was, and two bends, its last segment plumb onto
// the edge and none along a state's border.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/FactoryFixture.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/TourSupport.h"
#include "elements/state/State.h"
#include "elements/state/Transition.h"
#include "text/win/UniscribeSetup.h"
#include "view/connector/tests/Borders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace ConnectorEndDragTest {
namespace {

using namespace EditorTest;

// Idle above the composite state Checkout, a transition straight down from Idle's bottom edge to
// Checkout's top edge at x 3000; written by hand in the stored form.
const char kStates[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\">\n"
    "<DiagramType id=\"r1\" TypeValue=\"5\"/>\n"
    "<State id=\"r2\" Pos=\"2000 -2000\" Size=\"3000 1500\">\n<Text>Idle</Text>\n</State>\n"
    "<State id=\"r3\" Pos=\"2000 -6000\" Size=\"6000 3000\" Large=\"1\">\n<Text>Checkout</Text>\n</State>\n"
    "<Transition id=\"r4\">\n<End id=\"r5\" Pos=\"3000 -3500\" State=\"r2\" Type=\"1\"/>\n<Segment id=\"r6\"/>\n"
    "<End id=\"r7\" Pos=\"3000 -6000\" State=\"r3\" Type=\"2\"/>\n</Transition>\n</Diagram>\n";

constexpr double kPixelsPerUnit = 96.0 / 2540.0;  // at the zoom a document opens with

TEST(ConnectorEndDrag, ACompositeStateDraggedPastATransitionKeepsItsEndOnTheTopEdgeAndBendsTheTransition) {
    TempFolder folder(L"QuorvelConnectorEndDrag");
    const std::wstring file = folder.AddFile(L"states.qvd", kStates);
    Process editor;
    HWND frame = nullptr, pane = nullptr;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" states.qvd", folder.Path()));
    ASSERT_TRUE(WaitFor([&] { return (frame = WindowOfPath(editor.Id(), file)) != nullptr; }));
    ASSERT_NE(pane = PlaceLarge(frame), nullptr);
    // Once both states are drawn, their outlines cover the model from (2000, -2000) to (8000, -9000):
    // the pane's dark area, at 100 %.
    std::optional<RECT> shown;
    ASSERT_TRUE(WaitFor([&] {
        shown = DarkArea(pane);
        return shown && std::abs(shown->right - shown->left - 6000 * kPixelsPerUnit) < 2.5 &&
               std::abs(shown->bottom - shown->top - 7000 * kPixelsPerUnit) < 2.5;
    })) << "the pane does not show both states at 100 %";
    auto screenX = [&](double x) { return shown->left + int(std::lround((x - 2000) * kPixelsPerUnit)); };
    auto screenY = [&](double y) { return shown->top + int(std::lround((-2000 - y) * kPixelsPerUnit)); };

    // Checkout taken by its right border, 200 pixels to the right: its left edge passes x 3000 and
    // Idle does not reach as far.
    constexpr int dx = 200;
    const double moved = std::lround(dx / kPixelsPerUnit / 100) * 100;
    const POINT grab{screenX(8000) - 3, screenY(-6000) + 40};
    ASSERT_TRUE(XMoveTo(grab));
    ASSERT_TRUE(XLeftButton(true));
    for (int i = 1; i <= 8; ++i) {
        ASSERT_TRUE(XMoveTo({grab.x + dx * i / 8, grab.y}));
        Pace();
    }
    // While held: the new path's last leg, dashed, plumb from halfway between the states down onto
    // the dragged top edge (in some column within a grid step of where the move puts it).
    const int top = screenY(-4750) + 4, bottom = screenY(-6000) - 4;
    auto leg = [&] {
        const PanePixels shot(pane);
        const POINT origin = shot.Origin();
        int best = 0;
        for (int x = screenX(3000 + moved) - 5; x <= screenX(3000 + moved) + 5; ++x) {
            int n = 0;
            for (int y = top; y <= bottom; ++y) n += shot.Dark(x - origin.x, y - origin.y) ? 1 : 0;
            best = std::max(best, n);
        }
        return double(best) / (bottom - top + 1);
    };
    EXPECT_TRUE(WaitFor([&] { return leg() > 0.3; })) << "no last leg onto the dragged top edge while held";
    ASSERT_TRUE(XLeftButton(false));

    const std::string written = Bytes(file);
    Chord(VK_CONTROL, 'S');
    ASSERT_TRUE(WaitFor([&] { return Bytes(file) != written; })) << "not saved";
    // Closed, the editor lets go of the file.
    PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_NE(editor.WaitExit(kHungAfterMs), DWORD(STILL_ACTIVE)) << "the editor does not end";
    TextBlock::InstallUniscribeMeasurer();
    auto saved = std::make_unique<ReadBack>(file);
    const State::State *idle = nullptr, *checkout = nullptr;
    const State::Transition* t = nullptr;
    for (const Core::ElementPtr& e : saved->model->Elements()) {
        if (auto* s = dynamic_cast<const State::State*>(e.get())) (s->GetRect().left == 2000 ? idle : checkout) = s;
        if (auto* c = dynamic_cast<const State::Transition*>(e.get())) t = c;
    }
    ASSERT_TRUE(idle && checkout && t);
    const double shift = checkout->GetRect().left - 2000;
    EXPECT_NEAR(shift, moved, 100) << "Checkout was not dropped where it was dragged";
    ASSERT_EQ(t->GetEndCount(), 2u);
    const Connector::IEnd *from = t->GetEnds()[0], *to = t->GetEnds()[1];
    if (from->GetTerminal() != idle) std::swap(from, to);
    ASSERT_EQ(from->GetTerminal(), idle);
    ASSERT_EQ(to->GetTerminal(), checkout);
    EXPECT_EQ(from->GetPosition(), zq::float8Point(3000, -3500)) << "the end on Idle moved";
    EXPECT_EQ(to->GetPosition(), zq::float8Point(3000 + shift, -6000)) << "the end is not where Checkout's move put it";
    EXPECT_EQ(t->GetJoinCount(), 2u);
    const Connector::ISegment* last = to->GetSegment();
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(last->IsVerticalOrtho()) << "the last segment does not meet the top edge square";
    EXPECT_FALSE(ConnectorTest::RunsAlongBorder(*t, idle->GetRect())) << "a segment lies along Idle's border";
    EXPECT_FALSE(ConnectorTest::RunsAlongBorder(*t, checkout->GetRect())) << "a segment lies along Checkout's border";
}

}  // namespace
}  // namespace ConnectorEndDragTest
