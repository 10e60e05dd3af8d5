// The hooks a drop drives while it shows a move: the preview images, the move controller of the
// grabbed element and the shift controls of what hangs on the moved elements; and a move task that
// loses its default task while its drag loop runs.
#include "view/tests/TestTransfer.h"

namespace ViewTest {
namespace {

// A controller that keeps the drag on the grab point's height and counts what it is told.
struct LevelController : View::IMoveController {
    void Start(Core::Env&) override { ++starts; }
    void Restrict(const zq::Point& grab, zq::Point& point) override { point.y = grab.y; }
    void AfterShift(Core::Env&, const zq::Point& point) override { points.push_back(point); }
    void Finish(Core::Env&) override { ++finishes; }
    int starts = 0, finishes = 0;
    std::vector<zq::Point> points;
};

// A shift control that records the shifts it follows.
struct RecordingControl : View::IShiftControl {
    void Update(Core::Env&, const Core::ShiftVector& shift, const zq::float8Point&) override { shifts.push_back(shift); }
    void Finish(Core::Env& env) override { finishedInChange = env.GetTransaction().IsOpen(); ++finishes; }
    std::vector<Core::ShiftVector> shifts;
    int finishes = 0;
    bool finishedInChange = false;
};

class MoveControl : public OleTest {
protected:
    void SetUp() override {
        OleTest::SetUp();
        VBox::controllerMaker = [this](Core::IModelElement&) {
            controllers.push_back(std::make_shared<LevelController>());
            return controllers.back();
        };
        VBox::controlMaker = [this](Core::IModelElement& e, View::ShiftControlSet& set) {
            controls.push_back(std::make_shared<RecordingControl>());
            set.emplace(&e, controls.back());
        };
    }
    void TearDown() override {
        VBox::controllerMaker = {};
        VBox::controlMaker = {};
        OleTest::TearDown();
    }
    std::vector<std::shared_ptr<LevelController>> controllers;
    std::vector<std::shared_ptr<RecordingControl>> controls;
};

const zq::Rect kBox{0, 4000, 2000, 2000};
const zq::Point kGrab{1000, 3000}, kDropAt{5000, 1000};

void PressAndMove(ViewWindow& w, const zq::Point& p)
{
    w.Mouse(WM_LBUTTONDOWN, w.At(p), MK_LBUTTON);
    w.Mouse(WM_MOUSEMOVE, w.At(p), MK_LBUTTON);
}

TEST_F(MoveControl, ASameDiagramDropRestrictsThroughTheControllerAndDrivesPreviewAndShiftControls)
{
    FakeDrag detect(true);
    ViewWindow w;
    auto reg = View::RegisterDropTarget(*w.view);
    auto a = w.AddBox(kBox);
    IDropTarget* t = reg->Get();
    size_t previewDuringDrag = 0;
    ScriptedDrag drag;
    drag.steps = {{t, ScreenAt(w, kGrab), MK_LBUTTON, DragStep::Enter},
                  {t, ScreenAt(w, kDropAt), MK_LBUTTON, DragStep::Over,
                   [&] {
                       ASSERT_NE(reg->GetPendingDrop(), nullptr);
                       previewDuringDrag = reg->GetPendingDrop()->GetPreview().Size();
                       EXPECT_EQ(reg->GetPendingDrop()->GetShiftControls().size(), 1u);
                   }},
                  // Control pressed and released: each change of mode starts the move over.
                  {t, ScreenAt(w, kDropAt), MK_LBUTTON | MK_CONTROL, DragStep::Over},
                  {t, ScreenAt(w, kDropAt), MK_LBUTTON, DragStep::Over},
                  {t, ScreenAt(w, kDropAt), 0, DragStep::Drop}};
    PressAndMove(w, kGrab);

    EXPECT_EQ(previewDuringDrag, 1u) << "the box's dashed outline";
    ASSERT_EQ(controllers.size(), 3u) << "move, copy, move: one controller per preparation";
    const LevelController& last = *controllers.back();
    EXPECT_EQ(last.starts, 1);
    EXPECT_EQ(last.finishes, 1);
    EXPECT_EQ(controllers.front()->finishes, 0) << "an abandoned mode never finishes";
    const zq::Point grab = Snapped(w, kGrab), to = Snapped(w, kDropAt);
    ASSERT_FALSE(last.points.empty());
    EXPECT_EQ(last.points.back(), zq::Point(to.x, grab.y));
    // The restricted point moved the box: only across.
    EXPECT_EQ(a->GetPos(), zq::Point(kBox.left + to.x - grab.x, kBox.top));
    ASSERT_EQ(controls.size(), 3u);
    const RecordingControl& control = *controls.back();
    ASSERT_FALSE(control.shifts.empty());
    EXPECT_EQ(control.shifts.back().dx, double(to.x - grab.x));
    EXPECT_EQ(control.shifts.back().dy, 0.0);
    EXPECT_EQ(control.finishes, 1);
    EXPECT_TRUE(control.finishedInChange) << "the controls finish inside the drop's change";
    EXPECT_EQ(reg->GetPendingDrop(), nullptr);
    w.Undo();
    EXPECT_EQ(a->GetPos(), kBox.TopLeft());
}

TEST_F(MoveControl, ADropFromAnotherViewMakesTheControllerOfThePastedGrabbedElement)
{
    FakeDrag detect(true);
    InProcessFormats formats;
    ViewWindow w1;
    ViewWindow w2(nullptr, nullptr, &formats, ViewWindow::kW + 20);
    auto reg = View::RegisterDropTarget(*w2.view);
    w1.AddBox(kBox);
    IDropTarget* t = reg->Get();
    size_t preview = 0;
    ScriptedDrag drag;
    drag.steps = {{t, ScreenAt(w2, kGrab), MK_LBUTTON, DragStep::Enter},
                  {t, ScreenAt(w2, kDropAt), MK_LBUTTON, DragStep::Over,
                   [&] { preview = reg->GetPendingDrop()->GetPreview().Size(); }},
                  {t, ScreenAt(w2, kDropAt), MK_CONTROL, DragStep::Drop}};
    PressAndMove(w1, kGrab);

    EXPECT_EQ(preview, 1u);
    ASSERT_EQ(controllers.size(), 1u);
    EXPECT_EQ(controllers[0]->finishes, 1);
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_EQ(controls[0]->finishes, 1);
    const auto pasted = w2.Selection();
    ASSERT_EQ(pasted.size(), 1u);
    // The controller kept the pasted box on the height it was pasted at, and it moved across.
    EXPECT_EQ(dynamic_cast<Box*>(pasted[0])->GetPos().y, kBox.top);
    EXPECT_NE(dynamic_cast<Box*>(pasted[0])->GetPos().x, kBox.left);
}

TEST_F(MoveControl, ADefaultTaskReplacedDuringTheDragLoopLeavesTheMoveTaskAliveUntilTheLoopReturns)
{
    FakeDrag detect(true);
    InProcessFormats formats;
    ViewWindow w1;
    ViewWindow w2(nullptr, nullptr, &formats, ViewWindow::kW + 20);
    auto reg = View::RegisterDropTarget(*w2.view);
    auto a = w1.AddBox(kBox);
    const size_t undo1 = w1.diagram.GetUndoHandler().GetUndoCount();
    const int generation = w1.view->GetTaskGeneration();
    IDropTarget* t = reg->Get();
    std::weak_ptr<View::DefaultMoveTask> task;
    bool aliveAfterReplacement = false;
    ScriptedDrag drag;
    drag.steps = {{t, ScreenAt(w2, kGrab), MK_LBUTTON, DragStep::Enter,
                   [&] {
                       auto* move = dynamic_cast<View::DefaultMoveTask*>(&w1.Task().GetActiveTask());
                       ASSERT_NE(move, nullptr);
                       task = move->weak_from_this();
                       // A message handler of the source view fails: its default task is replaced.
                       w1.view->OnException(std::make_exception_ptr(std::runtime_error("failed")));
                       aliveAfterReplacement = !task.expired() && task.lock()->IsDismissed();
                   }},
                  {t, ScreenAt(w2, kDropAt), 0, DragStep::Drop}};
    PressAndMove(w1, kGrab);

    EXPECT_TRUE(aliveAfterReplacement);
    EXPECT_TRUE(task.expired()) << "released once the loop returned";
    EXPECT_EQ(w1.view->GetTaskGeneration(), generation + 1);
    EXPECT_FALSE(w1.Task().IsBusy());
    // The source lost its pending change with its task: the original stays, nothing half done.
    EXPECT_FALSE(a->IsDeleted());
    EXPECT_EQ(w1.diagram.GetUndoHandler().GetUndoCount(), undo1);
    EXPECT_FALSE(w1.diagram.IsTransactionOpen());
    EXPECT_EQ(w2.Selection().size(), 1u) << "the drop itself went through";
}

} // namespace
} // namespace ViewTest
