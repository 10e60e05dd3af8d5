// Connector views in a real window: the marks and cursors of a segment, the join handle's drag, the
// end drag's Ctrl key and its ends on a lost capture or a move without the button, and the "Keep
// Orthogonal" command of menu 112.
#include "view/connector/win/tests/ConnectorWindow.h"

#include "view/connector/win/Commands.h"

namespace ConnectorViewTest {
namespace {

using ConnectorViews = ConnectorWindowTest;

Connector::VSegment& ViewOf(const Connector::ISegment& s, const View::DiagramView& view)
{
    return dynamic_cast<Connector::VSegment&>(*s.FindViewElement(view));
}

TEST_F(ConnectorViews, ASelectedSegmentShowsAMarkAtEachEndAndTheCursorFollowsItsFlags)
{
    Line* line = AddLine({{4000, 3000}, {6000, 3000}});
    Connector::ISegment& s = *line->GetSegmentList().front();
    Connector::VSegment& v = ViewOf(s, *w.view);
    Click({5000, 3000});
    ASSERT_TRUE(v.IsSelected());
    EXPECT_EQ(v.MarkCount(), 2u);
    EXPECT_EQ(v.GetMenuId(), 112u);

    EXPECT_EQ(v.GetCursorId(false, true, false), 271);
    EXPECT_EQ(v.GetCursorId(true, true, false), 263);
    EXPECT_EQ(v.GetCursorId(true, false, false), 275);
    // Both boxes selected: the segment cannot move on its own.
    a->SelectInView(*w.view, true);
    b->SelectInView(*w.view, true);
    EXPECT_EQ(v.GetCursorId(false, true, false), 269);
    EXPECT_EQ(v.GetCursorId(true, true, false), 261);

    Click({5000, 0});  // the background: nothing selected
    EXPECT_FALSE(v.IsSelected());
    EXPECT_EQ(v.MarkCount(), 0u);
    Line* oblique = AddLine({{4000, 2500}, {6000, 3500}});
    EXPECT_EQ(ViewOf(*oblique->GetSegmentList().front(), *w.view).GetCursorId(false, true, false), 272);
}

using ViewTest::GreenAround;

TEST_F(ConnectorViews, TheSegmentIsDrawnAndItsEndsShowHandlesWhileItIsSelected)
{
    AddLine({{4000, 3000}, {6000, 3000}});
    Click({5000, 3000});
    InvalidateRect(w.hwnd, nullptr, TRUE);
    w.Pump();
    UpdateWindow(w.hwnd);
    HDC dc = GetDC(w.hwnd);
    int dark = 0;
    for (int x = 4400; x <= 5600; x += 100) {
        const POINT p = w.At({x, 3000});
        for (int dy = -1; dy <= 1; ++dy)
            if (GetRValue(GetPixel(dc, p.x, p.y + dy)) < 100) {
                ++dark;
                break;
            }
    }
    EXPECT_EQ(dark, 13) << "the line runs between the boxes";
    EXPECT_GT(ViewOf(*AddLine({{4000, 3500}, {6000, 3500}})->GetSegmentList().front(), *w.view).ShapeCount(), 1u)
        << "the line and the target end's arrow head";
    EXPECT_GE(GreenAround(dc, w.At({4000, 3000})), 8);
    EXPECT_GE(GreenAround(dc, w.At({6000, 3000})), 4);  // partly under the arrow head
    ReleaseDC(w.hwnd, dc);

    Click({5000, 0});  // on the background: the marks go without any other repaint
    UpdateWindow(w.hwnd);
    dc = GetDC(w.hwnd);
    EXPECT_EQ(GreenAround(dc, w.At({4000, 3000})), 0);
    EXPECT_EQ(GreenAround(dc, w.At({6000, 3000})), 0);
    ReleaseDC(w.hwnd, dc);
}

TEST_F(ConnectorViews, ReleasingCtrlWhileDraggingASplitKeepsTheSplit)
{
    Line* line = AddLine({{4000, 3000}, {6000, 3000}});
    {
        KeysDown down{VK_LBUTTON, VK_CONTROL};
        Post(WM_LBUTTONDOWN, {5000, 3000}, MK_CONTROL);
        for (int i = 0; i < 3; ++i) Post(WM_MOUSEMOVE, P(5000, 4500), MK_CONTROL | MK_LBUTTON);
        w.Pump();
        ASSERT_TRUE(w.Task().IsBusy());
    }
    KeysDown down{VK_LBUTTON};
    PostMessageW(w.hwnd, WM_KEYUP, VK_CONTROL, 1);
    Post(WM_MOUSEMOVE, P(5000, 5000), MK_LBUTTON);
    Post(WM_LBUTTONUP, P(5000, 5000));
    w.Pump();
    EXPECT_FALSE(w.Task().IsBusy());
    ASSERT_EQ(line->GetJoinCount(), 1u);
    EXPECT_EQ(line->GetJoins().front()->GetPosition(), F(5000, 5000));
}

TEST_F(ConnectorViews, AJoinDraggedByItsHandleDragsTheFarEndsOfItsOrthogonalSegments)
{
    Line* line = AddLine({{4000, 3000}, {5000, 3000}, {5000, 3500}, {6000, 3500}});
    ASSERT_EQ(line->GetJoinCount(), 2u);
    Connector::IJoin* first = line->GetJoins()[0];
    Connector::IJoin* second = line->GetJoins()[1];
    Click({4500, 3000});  // selects the first segment, whose marks include the join
    const size_t undo = UndoCount();
    const zq::Point to = P(5200, 3100);
    Drag({5000, 3000}, to);
    EXPECT_EQ(UndoCount(), undo + 1);
    EXPECT_EQ(first->GetPosition(), zq::float8Point(to));
    EXPECT_EQ(second->GetPosition(), zq::float8Point(to.x, 3500));
    Connector::IEnd* source = line->GetEnds().front();
    EXPECT_EQ(source->GetPosition(), zq::float8Point(4000, to.y));
    EXPECT_EQ(source->GetTerminal(), a.get());
    for (Connector::ISegment* s : line->GetSegmentList()) EXPECT_TRUE(s->IsHorizontalOrtho() || s->IsVerticalOrtho());
}

TEST_F(ConnectorViews, AFreeEndCarriedByAJoinDragAttachesToTheBoxItIsDroppedOn)
{
    // From box a to a join, then down to a free end.
    Core::Transaction t(diagram, w.view.get());
    Core::Env env(t);
    std::vector<Connector::PathEntry> path{{{4000, 3000}, true}, {{5000, 3000}, true}, {{5000, 2500}, true}};
    auto* line = dynamic_cast<Line*>(Connector::BuildPathConnector(env, Line::PartFactory(), path, a.get(), nullptr, nullptr));
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    diagram.UpdateAllViews();
    w.Pump();
    Connector::IEnd* free = line->GetEnds().back();
    ASSERT_FALSE(free->IsAttached());
    Click({4500, 3000});
    const size_t undo = UndoCount();
    const zq::Point to = P(7000, 3800);
    Drag({5000, 3000}, to);
    EXPECT_EQ(UndoCount(), undo + 1);
    EXPECT_EQ(free->GetTerminal(), b.get());
    // Put on the nearer side, straight below the join, the end would run up into b to the join
    // dropped inside it: the line leaves b where it crosses b's outline instead, level from a.
    EXPECT_EQ(free->GetPosition(), zq::float8Point(6000, to.y));
    EXPECT_TRUE(line->GetSegmentList().back()->IsHorizontalOrtho());
    w.Undo();
    EXPECT_FALSE(free->IsAttached());
    EXPECT_EQ(free->GetPosition(), zq::float8Point(5000, 2500));
}

TEST_F(ConnectorViews, CtrlMakesTheDraggedEndsSegmentObliqueAndReleasingItRestoresTheFlag)
{
    Line* line = AddLine({{4000, 3000}, {6000, 3000}});
    Connector::ISegment& s = *line->GetSegmentList().front();
    Click({5000, 3000});
    {
        KeysDown down{VK_LBUTTON, VK_CONTROL};
        Post(WM_LBUTTONDOWN, {6000, 3000}, MK_CONTROL);
        for (int i = 0; i < 3; ++i) Post(WM_MOUSEMOVE, P(7000, 5000), MK_CONTROL | MK_LBUTTON);
        w.Pump();
        ASSERT_TRUE(w.Task().IsBusy());
        EXPECT_FALSE(s.IsHorizontalOrtho());
    }
    {
        KeysDown down{VK_LBUTTON};
        PostMessageW(w.hwnd, WM_KEYUP, VK_CONTROL, 1);
        w.Pump();
        EXPECT_TRUE(s.IsHorizontalOrtho());
        PostMessageW(w.hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
        w.Pump();
    }
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(line->GetEnds().back()->GetPosition(), zq::float8Point(6000, 3000));
}

TEST_F(ConnectorViews, AnEndDragCancelsOnALostCaptureAndFinishesOnAMoveWithoutTheButton)
{
    Line* line = AddLine({{4000, 3000}, {6000, 3000}});
    Connector::IEnd* target = line->GetEnds().back();
    Click({5000, 3000});
    const size_t undo = UndoCount();
    auto start = [&](const zq::Point& to) {
        KeysDown down{VK_LBUTTON};
        Post(WM_LBUTTONDOWN, zq::RoundPoint(target->GetPosition()));
        for (int i = 0; i < 3; ++i) Post(WM_MOUSEMOVE, to, MK_LBUTTON);
        w.Pump();
    };
    start(P(7000, 5000));
    ASSERT_TRUE(w.Task().IsBusy());
    ReleaseCapture();
    w.Pump();
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(UndoCount(), undo);
    EXPECT_EQ(target->GetTerminal(), b.get());
    EXPECT_EQ(target->GetPosition(), zq::float8Point(6000, 3000));

    start(P(7000, 5000));
    ASSERT_TRUE(w.Task().IsBusy());
    Post(WM_MOUSEMOVE, P(7500, 5500));  // the release was lost: the drag ends where it was
    w.Pump();
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(UndoCount(), undo + 1);
    EXPECT_EQ(target->GetPosition(), F(7000, 5000));
    EXPECT_EQ(target->GetTerminal(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ConnectorViews, KeepOrthogonalIsGreyOnAnObliqueSegmentAndSwitchesTheFlagOfAnAlignedOne)
{
    Line* oblique = AddLine({{4000, 2500}, {6000, 3500}});
    {
        Connector::SegmentCmdHandler h(w.Task(), *oblique->GetSegmentList().front());
        EXPECT_FALSE(w.router.IsEnabled(Connector::kKeepOrthogonalCommand));
        EXPECT_EQ(w.router.GetCheckState(Connector::kKeepOrthogonalCommand), 0);
    }
    Line* level = AddLine({{4000, 3000}, {6000, 3000}});
    Connector::ISegment& s = *level->GetSegmentList().front();
    Connector::SegmentCmdHandler h(w.Task(), s);
    EXPECT_TRUE(w.router.IsEnabled(Connector::kKeepOrthogonalCommand));
    EXPECT_EQ(w.router.GetCheckState(Connector::kKeepOrthogonalCommand), 1);
    const size_t undo = UndoCount();
    ASSERT_TRUE(w.router.Execute({Connector::kKeepOrthogonalCommand, 0, nullptr}));
    EXPECT_FALSE(s.IsHorizontalOrtho());
    EXPECT_EQ(w.router.GetCheckState(Connector::kKeepOrthogonalCommand), 0);
    EXPECT_TRUE(w.router.IsEnabled(Connector::kKeepOrthogonalCommand));  // still level
    ASSERT_TRUE(w.router.Execute({Connector::kKeepOrthogonalCommand, 0, nullptr}));
    EXPECT_TRUE(s.IsHorizontalOrtho());
    EXPECT_FALSE(s.IsVerticalOrtho());
    EXPECT_EQ(UndoCount(), undo + 2);
    w.Undo();
    EXPECT_FALSE(s.IsHorizontalOrtho());
}

TEST_F(ConnectorViews, KeepOrthogonalIsGreyOnAReadOnlyDocument)
{
    Line* level = AddLine({{4000, 3000}, {6000, 3000}});
    w.readOnly = true;
    Connector::SegmentCmdHandler h(w.Task(), *level->GetSegmentList().front());
    EXPECT_FALSE(w.router.IsEnabled(Connector::kKeepOrthogonalCommand));
    EXPECT_FALSE(w.router.Execute({Connector::kKeepOrthogonalCommand, 0, nullptr}));
    EXPECT_TRUE(level->GetSegmentList().front()->IsHorizontalOrtho());
    w.readOnly = false;
    h.UpdateCommands();
    EXPECT_TRUE(w.router.IsEnabled(Connector::kKeepOrthogonalCommand));
}

TEST_F(ConnectorViews, MenuOneHundredTwelveHoldsTheEditCommandsAndKeepOrthogonal)
{
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(112));
    ASSERT_NE(menu, nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(popup), 5);
    const UINT ids[] = {40012, 40013, 40014, 0, Connector::kKeepOrthogonalCommand};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(GetMenuItemID(popup, i), ids[i]) << i;
    wchar_t text[64] = {};
    GetMenuStringW(popup, 4, text, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), L"Keep &Orthogonal");
    DestroyMenu(menu);
}

} // namespace
} // namespace ConnectorViewTest
