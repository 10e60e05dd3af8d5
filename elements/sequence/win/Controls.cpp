#include "elements/sequence/win/Controls.h"

#include "app/winmessage/WinMsgPlug.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "core/foundation/GraphUtil.h"
#include "resources/resource.h"
#include "view/CanvasView.h"
#include "view/Cursor.h"
#include "view/DefaultTask.h"
#include "core/foundation/Cast.h"

namespace Sequence {

namespace {
constexpr int kSizeNSCursor = 7;

// The selected lifelines of the view.
std::vector<LifeLine*> CollectAllSelectedSeqObjects(View::ICanvasView& view)
{
    std::vector<LifeLine*> lines;
    const Core::ModelElementSet selection = view.GetSelection();
    for (const Core::ElementPtr& e : selection.Elements())
        if (auto* line = zq::Cast<LifeLine>(e.get()); line != nullptr && !line->IsDeleted()) lines.push_back(line);
    return lines;
}
} // namespace

// ---- handles

bool PointControl::IsNear(const zq::Point& point, int32_t tolerance) const
{
    return GraphUtil::IsNear(zq::float8Point(point), zq::float8Point(GetPoint()), tolerance);
}

Core::Weight PointControl::GetWeight(const zq::Point& point, const Core::IView& view) const
{
    Core::Weight w = Core::Weight::MakeControl(point, zq::float8Point(GetPoint()));
    if (auto* pointable = zq::Cast<const Core::IPointable>(&element_))
        w.AddBias(pointable->GetWeight(view, point, View::kHitTolerance));
    return w;
}

void PointControl::SetCursor(const zq::Point&) { View::Cursor::Load(kSizeNSCursor); }

void PointControl::Draw(ICanvas::Canvas& canvas, ICanvas::Group& group) const
{
    group.Add(canvas.CreatePicture(zq::float8Point(GetPoint()), view_.IsSelectionVisible() ? 100 : 102));
}

View::ViewContext* PointControl::Context(View::ICanvasView& view) const
{
    auto* diagramView = zq::Cast<View::DiagramView>(&view);
    return diagramView != nullptr ? &diagramView->GetContext() : nullptr;
}

View::SubTaskPtr LifeLineLenControl::CreateTask(View::ICanvasView& view, View::ITask& parent, const zq::Point&)
{
    View::ViewContext* context = Context(view);
    if (context == nullptr) return nullptr;
    return std::make_shared<LifeLineLenChangeTask>(*context, parent, line_);
}

View::SubTaskPtr ActivationNorthControl::CreateTask(View::ICanvasView& view, View::ITask& parent, const zq::Point&)
{
    View::ViewContext* context = Context(view);
    if (context == nullptr) return nullptr;
    return std::make_shared<ActivationNorthControlTrackingTask>(*context, parent, activation_);
}

View::SubTaskPtr ActivationSouthControl::CreateTask(View::ICanvasView& view, View::ITask& parent, const zq::Point&)
{
    View::ViewContext* context = Context(view);
    if (context == nullptr) return nullptr;
    return std::make_shared<ActivationSouthControlTrackingTask>(*context, parent, activation_);
}

// ---- tracking

TrackingTask::TrackingTask(View::ViewContext& context, View::ITask& parent, std::string name)
    : ISubTask(context, parent, std::move(name))
{
    using namespace WinMessage;
    plugs_ = std::make_unique<WinMsgPlugMap>(*context.dispatcher, context.exceptionHandler);
    plugs_->Add(WM_LBUTTONUP, this, &TrackingTask::OnButtonUp);
    plugs_->Add(WM_MOUSEMOVE, this, &TrackingTask::OnMouseMove);
    plugs_->Add(WM_KEYDOWN, this, &TrackingTask::OnKeyDown);
    TakeCapture();
    context.canvas->GetScrollObservers().Add(this);
    scroller_ = context.canvas->CreateScroller();
}

TrackingTask::~TrackingTask()
{
    GetContext().canvas->GetScrollObservers().Remove(this);
    scroller_.reset();
    plugs_.reset();
}

void TrackingTask::Step(const zq::Point& point)
{
    {
        Core::Env env = MakeEnv();
        Track(env, point);
    }
    for (Core::IModelElement* e : Changed()) e->UpdateViewElements();
    GetContext().view->UpdateView();
    UpdateCursor();
}

void TrackingTask::OnMouseMove(WinMessage::MouseMsg& msg)
{
    if (!msg.IsButtonDown(1)) {
        Finish(Finished);
        return;
    }
    if (scroller_) scroller_->Track({msg.X(), msg.Y()}, this);
    OnScrolled(GetContext().canvas->ClientToLogical({msg.X(), msg.Y()}));
}

void TrackingTask::OnScrolled(const zq::float8Point& p) { Step(zq::RoundPoint(p)); }

void TrackingTask::OnButtonUp(WinMessage::MouseMsg&) { Finish(Finished); }

void TrackingTask::OnKeyDown(WinMessage::KeyMsg& msg)
{
    if (msg.VirtualKey() == VK_ESCAPE) Finish(Cancelled);
}

LifeLineLenChangeTask::LifeLineLenChangeTask(View::ViewContext& context, View::ITask& parent, LifeLine& line)
    : TrackingTask(context, parent, "LifeLineLenChangeTask"), line_(line),
      lines_(CollectAllSelectedSeqObjects(*context.view))
{
    if (std::find(lines_.begin(), lines_.end(), &line) == lines_.end()) lines_.push_back(&line);
}

LifeLineLenChangeTask::~LifeLineLenChangeTask() { feedback_.Reset(); }

void LifeLineLenChangeTask::Track(Core::Env& env, const zq::Point& point)
{
    moved_ = true;
    for (LifeLine* line : lines_) line->SetBottom(env, point.y);
    // A dashed line across the window at the new bottom of the handle's lifeline.
    feedback_.Clear();
    ICanvas::Canvas& canvas = *GetContext().canvas;
    RECT client{};
    ::GetClientRect(GetContext().GetHwnd(), &client);
    const zq::float8Point left = GetContext().canvas->ClientToLogical({client.left, client.top});
    const zq::float8Point right = GetContext().canvas->ClientToLogical({client.right, client.top});
    const double y = line_.GetBottom().y;
    feedback_.Add(canvas.CreateDashedLine({left.x, y}, {right.x, y}, 1));
}

std::vector<Core::IModelElement*> LifeLineLenChangeTask::Changed() const
{
    return std::vector<Core::IModelElement*>(lines_.begin(), lines_.end());
}

void ActivationNorthControlTrackingTask::Track(Core::Env& env, const zq::Point& point)
{
    if (point.y < activation_.GetBottom() + Activation::kMinLen) return;
    activation_.SetTop(env, point.y);
}

std::vector<Core::IModelElement*> ActivationNorthControlTrackingTask::Changed() const { return {&activation_}; }

void ActivationSouthControlTrackingTask::Track(Core::Env& env, const zq::Point& point)
{
    if (point.y > activation_.GetTop() - Activation::kMinLen) return;
    activation_.SetBottom(env, point.y);
}

std::vector<Core::IModelElement*> ActivationSouthControlTrackingTask::Changed() const { return {&activation_}; }

// ---- commands

LifeLineCmdHandler::LifeLineCmdHandler(View::IDefaultTask& task, LifeLine& line) : ICmdHandler(task), line_(line)
{
    GetPlugs().Add(ID_LIFELINE_DYING, this, &LifeLineCmdHandler::OnDying);
    UpdateCommands();
}

void LifeLineCmdHandler::UpdateCommands()
{
    const bool ready = IsReady() && !line_.IsDeleted();
    GetPlugs().Enable(ID_LIFELINE_DYING, ready);
    GetPlugs().SetCheckState(ID_LIFELINE_DYING, ready && line_.IsDying() ? 1 : 0);
}

void LifeLineCmdHandler::OnDying(const Application::CommandMsg&)
{
    View::IDefaultTask& task = GetTask();
    task.TakeSelectionSnapshot();
    {
        Core::Env env = task.MakeEnv();
        line_.SetDying(env, !line_.IsDying());
    }
    task.CommitPending(false);
    UpdateCommands();
}

CreateActivationCmdHandler::CreateActivationCmdHandler(View::IDefaultTask& task, LifeLine& line)
    : ICmdHandler(task), line_(line)
{
    GetPlugs().Add(ID_NEW_ACTIVATION, this, &CreateActivationCmdHandler::OnNewActivation);
    UpdateCommands();
}

void CreateActivationCmdHandler::UpdateCommands() { GetPlugs().Enable(ID_NEW_ACTIVATION, IsReady() && !line_.IsDeleted()); }

void CreateActivationCmdHandler::OnNewActivation(const Application::CommandMsg&)
{
    View::IDefaultTask& task = GetTask();
    View::ViewContext& context = task.GetContext();
    task.TakeSelectionSnapshot();
    context.view->ClearSelection(&task.GetSelectionTracker());
    {
        Core::Env env = task.MakeEnv();
        const zq::Point menu = task.GetLastMousePoint();
        GraphUtil::OutlineHit hit;
        line_.GetTerminalOutline(hit, zq::float8Point(menu), true);
        zq::Point top = zq::RoundPoint(hit.point);
        top.x -= Activation::kWidth / 2;
        auto activation = CreateActivation(env, line_, top);
        activation->SelectInView(*context.view, true, &task.GetSelectionTracker());
    }
    task.CommitPending(false);
}

} // namespace Sequence
