// Connectors edited in a real view window driven by posted messages through the system's own drag
// detection: a connector drawn with elbow clicks, an end dragged off its box and back, a segment
// split by a Ctrl-press; each gesture one undo step, checked in the saved document.
#include "view/connector/win/tests/ShownKinds.h"

#include "view/connector/win/Commands.h"
#include "view/tests/TestBoxes.h"

#include <sstream>

namespace ConnectorViewTest {
namespace {

// Sets the calling thread's state of the keys while it lives (posted messages do not change it).
struct KeysDown {
    explicit KeysDown(std::initializer_list<int> keys) {
        GetKeyboardState(saved);
        BYTE state[256];
        std::copy(std::begin(saved), std::end(saved), state);
        for (int k : keys) state[k] = 0x80;
        SetKeyboardState(state);
    }
    ~KeysDown() { SetKeyboardState(saved); }
    BYTE saved[256] = {};
};

constexpr UINT kNewLine = 40107;

class ConnectorGestures : public ::testing::Test {
protected:
    void SetUp() override {
        SetCursorPos(1200, 1000);
        w.Pump();
        a = AddBox({1000, 4000, 4000, 2000});
        b = AddBox({6000, 4000, 9000, 2000});
        w.Pump();
    }
    std::shared_ptr<TermBox> AddBox(const zq::Rect& r) {
        Core::Transaction t(diagram, w.view.get());
        Core::Env env(t);
        auto box = TermBox::Factory().CreateTyped(env);
        box->SetRect(env, r, false);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        diagram.UpdateAllViews();
        return box;
    }
    // A line along the points from box a to box b, made as one undo step.
    Line* AddLine(const std::vector<zq::float8Point>& points) {
        Core::Transaction t(diagram, w.view.get());
        Core::Env env(t);
        std::vector<Connector::PathEntry> path;
        for (const auto& p : points) path.push_back({p, true});
        auto* line = dynamic_cast<Line*>(Connector::BuildPathConnector(env, Line::PartFactory(), path, a.get(), b.get(), nullptr));
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        diagram.UpdateAllViews();
        w.Pump();
        return line;
    }
    void Post(UINT message, const zq::Point& p, WPARAM keys = 0) {
        const POINT c = w.At(p);
        PostMessageW(w.hwnd, message, keys, MAKELPARAM(c.x, c.y));
    }
    void Click(const zq::Point& p, WPARAM keys = 0) {
        Post(WM_MOUSEMOVE, p, keys);
        Post(WM_LBUTTONDOWN, p, keys);
        Post(WM_LBUTTONUP, p, keys);
        w.Pump();
    }
    // A press, moves in steps to the target with the button held, then the release.
    void Drag(const zq::Point& from, const zq::Point& to, WPARAM keys = 0) {
        KeysDown down(keys & MK_CONTROL ? std::initializer_list<int>{VK_LBUTTON, VK_CONTROL}
                                        : std::initializer_list<int>{VK_LBUTTON});
        Post(WM_LBUTTONDOWN, from, keys);
        for (int i = 1; i <= 4; ++i)
            Post(WM_MOUSEMOVE, {from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4}, keys | MK_LBUTTON);
        Post(WM_LBUTTONUP, to, keys);
        w.Pump();
    }
    // The model point a click at p lands on (the pointer moves in whole pixels).
    zq::Point P(int32_t x, int32_t y) const { return w.Logical(w.At({x, y})); }
    zq::float8Point F(int32_t x, int32_t y) const { return zq::float8Point(P(x, y)); }
    size_t UndoCount() { return diagram.GetUndoHandler().GetUndoCount(); }
    std::string Saved() const {
        std::ostringstream out;
        diagram.SaveXML(out);
        return out.str();
    }
    static size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
    template <class T>
    std::vector<T*> Live() const {
        std::vector<T*> out;
        for (const auto& e : diagram.Elements())
            if (auto* t = dynamic_cast<T*>(e.get()); t != nullptr && !e->IsDeleted()) out.push_back(t);
        return out;
    }

    Core::Diagram diagram{Registry(), nullptr, nullptr, &View::DefaultGrid::Instance()};
    ViewTest::ViewWindow w{&diagram};
    std::shared_ptr<TermBox> a, b;
};

TEST_F(ConnectorGestures, ThreeElbowClicksDrawAnOrthogonalConnectorWithJoinsAtTheCorners)
{
    Connector::CreateConnectorCmdHandler handler(w.Task(), kNewLine, Line::PartFactory());
    const size_t undo = UndoCount();
    w.Task().SetLastMousePoint({2500, 3000});
    ASSERT_TRUE(w.router.Execute({kNewLine, 0, nullptr}));
    ASSERT_TRUE(w.Task().IsBusy());
    Click(P(5000, 5000));  // a horizontal leg off box a, then up
    Click(P(7500, 5000));  // across
    Click(P(7500, 3500));  // down onto box b
    ASSERT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(UndoCount(), undo + 1);

    ASSERT_EQ(Live<Line>().size(), 1u);
    Line* line = Live<Line>().front();
    EXPECT_EQ(line->GetSegmentCount(), 4u);
    std::vector<zq::float8Point> joins;
    for (Connector::IJoin* j : line->GetJoins()) joins.push_back(j->GetPosition());
    const zq::float8Point up = F(5000, 5000), across = F(7500, 5000);
    EXPECT_EQ(joins, (std::vector<zq::float8Point>{{up.x, 4000}, up, across}));
    for (Connector::ISegment* s : line->GetSegmentList()) {
        Connector::ISegmentEnd *p, *q;
        ASSERT_TRUE(s->GetEnds(p, q));
        EXPECT_EQ(s->IsHorizontalOrtho(), GraphUtil::IsHorizontal(p->GetPoint(), q->GetPoint()));
        EXPECT_EQ(s->IsVerticalOrtho(), GraphUtil::IsVertical(p->GetPoint(), q->GetPoint()));
        EXPECT_TRUE(s->IsHorizontalOrtho() || s->IsVerticalOrtho());
    }
    std::vector<Core::IModelElement*> terminals;
    for (Connector::IEnd* e : line->GetEnds()) terminals.push_back(e->GetTerminal());
    EXPECT_EQ(terminals, (std::vector<Core::IModelElement*>{a.get(), b.get()}));

    const std::string saved = Saved();
    EXPECT_EQ(Count(saved, "<Join "), 3u);
    EXPECT_EQ(Count(saved, "<Segment "), 4u);
    EXPECT_EQ(Count(saved, "Oblique"), 0u);
    w.Undo();
    EXPECT_TRUE(Live<Line>().empty());
}

TEST_F(ConnectorGestures, EscapeAbandonsThePathAndLeavesNothing)
{
    Connector::CreateConnectorCmdHandler handler(w.Task(), kNewLine, Line::PartFactory());
    const size_t undo = UndoCount();
    w.Task().SetLastMousePoint({2500, 3000});
    ASSERT_TRUE(w.router.Execute({kNewLine, 0, nullptr}));
    Click(P(5000, 5000));
    PostMessageW(w.hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
    w.Pump();
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_TRUE(Live<Line>().empty());
    EXPECT_EQ(UndoCount(), undo);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ConnectorGestures, AnEndDraggedOffItsBoxIsFreeAndDraggedBackIsAttachedAgain)
{
    Line* line = AddLine({{4000, 3000}, {6000, 3000}});
    Connector::IEnd* target = line->GetEnds().back();
    ASSERT_EQ(target->GetTerminal(), b.get());
    Click({5000, 3000});  // selects the segment: its marks are the ends' handles
    const size_t undo = UndoCount();

    Drag({6000, 3000}, P(7000, 5000));
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(UndoCount(), undo + 1);
    EXPECT_EQ(target->GetTerminal(), nullptr);
    EXPECT_EQ(target->GetPosition(), F(7000, 5000));
    EXPECT_FALSE(line->GetSegmentList().front()->IsHorizontalOrtho());
    EXPECT_EQ(Count(Saved(), "Party"), 1u);  // only the source end lies on a box

    Drag(P(7000, 5000), P(7000, 3300));
    EXPECT_EQ(UndoCount(), undo + 2);
    EXPECT_EQ(target->GetTerminal(), b.get());
    EXPECT_EQ(target->GetPosition(), zq::float8Point(F(7000, 0).x, 4000));  // onto the nearer side, the top
    EXPECT_EQ(Count(Saved(), "Party"), 2u);
    EXPECT_EQ(GetCapture(), nullptr);

    w.Undo();
    w.Undo();
    EXPECT_EQ(target->GetTerminal(), b.get());
    EXPECT_EQ(target->GetPosition(), zq::float8Point(6000, 3000));
}

TEST_F(ConnectorGestures, ACtrlPressOnASegmentSplitsItAndDragsTheNewJoin)
{
    Line* line = AddLine({{4000, 3000}, {6000, 3000}});
    const size_t undo = UndoCount();
    Drag({5000, 3000}, P(5000, 5000), MK_CONTROL);
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(UndoCount(), undo + 1);
    ASSERT_EQ(line->GetJoinCount(), 1u);
    EXPECT_EQ(line->GetJoins().front()->GetPosition(), F(5000, 5000));
    EXPECT_EQ(line->GetSegmentCount(), 2u);
    for (Connector::ISegment* s : line->GetSegmentList()) EXPECT_FALSE(s->IsHorizontalOrtho() || s->IsVerticalOrtho());
    const std::string saved = Saved();
    EXPECT_EQ(Count(saved, "<Join "), 1u);
    EXPECT_EQ(Count(saved, "Oblique"), 2u);
    w.Undo();
    EXPECT_EQ(line->GetJoinCount(), 0u);
    EXPECT_TRUE(line->GetSegmentList().front()->IsHorizontalOrtho());
}

} // namespace
} // namespace ConnectorViewTest
