// A composite state dragged with the mouse (X events, as Wine's drag loop needs) past the reach of a
// transition coming down onto its top edge: while the button is held the pane shows the new path
// turning down onto the dragged edge; saved, the end is where the move put it, the last segment
// plumb onto the edge, none along a border.
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
    auto leg = [&] {  // the share of the rows with a dark pixel near the column
        const PanePixels shot(pane);
        const POINT o = shot.Origin();
        int n = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = screenX(3000 + moved) - 5; x <= screenX(3000 + moved) + 5; ++x)
                if (shot.Dark(x - o.x, y - o.y) && ++n) break;
        return double(n) / (bottom - top + 1);
    };
    EXPECT_TRUE(WaitFor([&] { return leg() > 0.3; })) << "no last leg onto the dragged top edge while held";
    ASSERT_TRUE(XLeftButton(false));

    const std::string written = Bytes(file);
    Chord(VK_CONTROL, 'S');
    ASSERT_TRUE(WaitFor([&] { return Bytes(file) != written; })) << "not saved";
    PostMessageW(frame, WM_CLOSE, 0, 0);  // closed, the editor lets go of the file
    ASSERT_NE(editor.WaitExit(kHungAfterMs), DWORD(STILL_ACTIVE)) << "the editor does not end";
    TextBlock::InstallUniscribeMeasurer();
    ReadBack saved(file);
    const State::State* checkout = nullptr;
    const State::Transition* t = nullptr;
    for (const Core::ElementPtr& e : saved.model->Elements()) {
        if (auto* s = dynamic_cast<const State::State*>(e.get()); s && s->GetRect().left != 2000) checkout = s;
        if (auto* c = dynamic_cast<const State::Transition*>(e.get())) t = c;
    }
    ASSERT_TRUE(checkout && t && t->GetEndCount() == 2);
    const double shift = checkout->GetRect().left - 2000;
    EXPECT_NEAR(shift, moved, 100) << "Checkout was not dropped where it was dragged";
    const Connector::IEnd* to = t->GetEnds()[t->GetEnds()[0]->GetTerminal() == checkout ? 0 : 1];
    EXPECT_EQ(t->GetEnds()[to == t->GetEnds()[0] ? 1 : 0]->GetPosition(), zq::float8Point(3000, -3500));
    EXPECT_EQ(to->GetPosition(), zq::float8Point(3000 + shift, -6000)) << "not where Checkout's move put it";
    EXPECT_TRUE(to->GetSegment()->IsVerticalOrtho()) << "the last segment does not meet the top edge square";
    for (const zq::Rect& r : {zq::Rect(2000, -2000, 5000, -3500), checkout->GetRect()})
        EXPECT_FALSE(ConnectorTest::RunsAlongBorder(*t, r)) << "a segment lies along a state's border";
}

}  // namespace
}  // namespace ConnectorEndDragTest
