#include "view/connector/win/PathTasks.h"

#include "app/winutil/Input.h"
#include "core/foundation/GraphUtil.h"
#include "view/Cursor.h"
#include "view/connector/win/EditTasks.h"
#include "core/foundation/Cast.h"

namespace Connector {

namespace {
double Squared(const zq::float8Point& a, const zq::float8Point& b)
{
    return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
}
} // namespace

CreatePathTask::CreatePathTask(View::ViewContext& context, Master& master, const zq::Point& start,
                               Core::IModelElement* source, const Core::IFilter* targets, bool elbowDefault)
    : context_(context), master_(master), source_(source), targets_(targets), pointer_(start), corner_(start),
      ctrl_(WinUtil::IsControlKeyDown()), elbowDefault_(elbowDefault)
{
    path_.push_back({zq::float8Point(start), false});
    using namespace WinMessage;
    plugs_ = std::make_unique<WinMsgPlugMap>(*context.dispatcher, context.exceptionHandler);
    plugs_->Add(WM_MOUSEMOVE, this, &CreatePathTask::OnMouseMove);
    plugs_->Add(WM_LBUTTONDOWN, this, &CreatePathTask::OnButtonDown);
    plugs_->Add(WM_LBUTTONUP, this, &CreatePathTask::OnButtonUp);
    plugs_->Add(WM_KEYDOWN, this, &CreatePathTask::OnKey);
    plugs_->Add(WM_KEYUP, this, &CreatePathTask::OnKey);
    plugs_->Add(WM_KILLFOCUS, this, &CreatePathTask::OnKillFocus);
    context.canvas->GetScrollObservers().Add(this);
}

CreatePathTask::~CreatePathTask()
{
    context_.canvas->GetScrollObservers().Remove(this);
    plugs_.reset();
}

zq::Point CreatePathTask::ToModel(int x, int y) const
{
    return zq::RoundPoint(context_.canvas->ClientToLogical({x, y}));
}

void CreatePathTask::OnMouseMove(WinMessage::MouseMsg& msg) { Track(ToModel(msg.X(), msg.Y())); }
void CreatePathTask::OnButtonDown(WinMessage::MouseMsg& msg) { Click(ToModel(msg.X(), msg.Y())); }
void CreatePathTask::OnScrolled(const zq::float8Point& p) { Track(zq::RoundPoint(p)); }
void CreatePathTask::OnKillFocus(WinMessage::Msg& msg)
{
    msg.passToDefault = 1;
    Done(false);
}

void CreatePathTask::OnKey(WinMessage::KeyMsg& msg)
{
    if (msg.id == WM_KEYDOWN && msg.VirtualKey() == VK_ESCAPE) {
        Done(false);
        return;
    }
    if (msg.VirtualKey() == VK_CONTROL) {
        ctrl_ = msg.id == WM_KEYDOWN;
        Track(zq::RoundPoint(pointer_));
    }
}

void CreatePathTask::PlaceStart(const zq::float8Point& pointer)
{
    auto* t = zq::Cast<const Core::ITerminal>(source_);
    GraphUtil::OutlineHit level, plumb;
    if (t == nullptr || !t->GetTerminalOutline(level, pointer, true) || !t->GetTerminalOutline(plumb, pointer, false) ||
        !level.valid || !plumb.valid)
        return;
    const bool isLevel = GraphUtil::IsEqual(level.point.y, pointer.y);
    const bool isPlumb = GraphUtil::IsEqual(plumb.point.x, pointer.x);
    const bool nearerLevel = Squared(level.point, pointer) < Squared(plumb.point, pointer);
    const bool onLevel = isLevel && !isPlumb ? true : isPlumb && !isLevel ? false : nearerLevel;
    path_.front().point = onLevel ? level.point : plumb.point;
    // The first leg leaves the source across the side it starts on, never along it.
    mode_ = onLevel ? 1 : 2;
}

void CreatePathTask::ComputeCorner(const zq::float8Point& p)
{
    const zq::float8Point last = Last();
    if (!IsElbow()) {
        orientation_ = 0;
        return;
    }
    if (mode_ == 1) {
        orientation_ = 2;
    } else if (mode_ == 2) {
        orientation_ = 1;
    } else if (orientation_ == 0) {
        orientation_ = std::abs(p.x - last.x) >= std::abs(p.y - last.y) ? 2 : 1;
    } else if (orientation_ == 2 && (pointer_.x - last.x) * (p.x - last.x) < 0) {
        orientation_ = 1;  // crossed the last point across: the vertical leg comes first now
    } else if (orientation_ == 1 && (pointer_.y - last.y) * (p.y - last.y) < 0) {
        orientation_ = 2;
    }
    corner_ = orientation_ == 2 ? zq::float8Point(p.x, last.y) : zq::float8Point(last.x, p.y);
}

void CreatePathTask::Track(const zq::Point& pointer)
{
    if (done_) return;
    const zq::float8Point p(pointer);
    if (path_.size() == 1 && source_ != nullptr) PlaceStart(p);
    ComputeCorner(p);
    pointer_ = p;
    const Core::IModelElement* target = FindTerminal(context_, pointer, targets_);
    View::Cursor::Load(target != nullptr && (target != source_ || path_.size() > 1) ? 257 : 256);
    Redraw();
}

void CreatePathTask::Add(const zq::float8Point& p, bool orthogonal)
{
    if (!path_.empty() && path_.back().point == p) return;
    path_.push_back({p, orthogonal});
}

void CreatePathTask::Click(const zq::Point& pointer)
{
    Track(pointer);
    if (done_) return;
    const zq::float8Point p(pointer);
    Core::IModelElement* target = FindTerminal(context_, pointer, targets_);
    if (target == source_ && path_.size() == 1) target = nullptr;
    if (target != nullptr) {
        EndPathOnTerminal(path_, *target, p, static_cast<Elbow>(orientation_));
        target_ = target;
        Done(true);
        return;
    }
    if (path_.size() >= 2 && GraphUtil::IsNear(p, Last(), kSmoothTolerance)) {
        Done(true);
        return;
    }
    if (orientation_ != 0) {
        Add(corner_, true);
        Add(p, true);
        mode_ = orientation_ == 1 ? 2 : 1;
    } else {
        Add(p, false);
        mode_ = 0;
    }
    Redraw();
}

void CreatePathTask::Redraw()
{
    ICanvas::Canvas& canvas = *context_.canvas;
    fixed_.Clear();
    band_.Clear();
    for (std::size_t i = 1; i < path_.size(); ++i) fixed_.Add(canvas.CreateDashedLine(path_[i - 1].point, path_[i].point, 0));
    if (orientation_ != 0) {
        band_.Add(canvas.CreateDashedLine(Last(), corner_, 0));
        band_.Add(canvas.CreateDashedLine(corner_, pointer_, 0));
    } else {
        band_.Add(canvas.CreateDashedLine(Last(), pointer_, 0));
    }
    context_.canvas->Update();
}

void CreatePathTask::Done(bool success)
{
    if (done_) return;
    done_ = true;
    fixed_.Reset();
    band_.Reset();
    const std::vector<PathEntry> path = path_;
    master_.PathDone(path, success);  // may destroy this task: nothing follows
}

// ---- CreateConnectorTask

CreateConnectorTask::CreateConnectorTask(View::ViewContext& context, View::ITask& parent, IFactory& factory,
                                         const zq::Point& start, const Params& params)
    : ISubTask(context, parent, "CreateConnectorTask"), factory_(factory), params_(params),
      source_(FindTerminal(context, start, params.sources))
{
    path_ = std::make_unique<CreatePathTask>(context, static_cast<CreatePathTask::Master&>(*this), start, source_, params_.targets, params_.elbowDefault);
    TakeCapture();
    View::Cursor::Load(256);
}

void CreateConnectorTask::PathDone(const std::vector<PathEntry>& path, bool success)
{
    ReleaseCapture();
    if (!success || path.size() < 2) {
        Finish(Cancelled);
        return;
    }
    // The clicked terminal takes the end, not whatever else lies where the end was put on its outline.
    Core::IModelElement* target = path_->GetTarget();
    if (target == nullptr) target = FindTerminal(GetContext(), zq::RoundPoint(path.back().point), params_.targets);
    if (target == source_ && path.size() == 2) target = nullptr;
    Core::Env env = MakeEnv();
    IConnector* c = BuildPathConnector(env, factory_, path, source_, target, params_.targets, params_.callback);
    Finish(c != nullptr ? Finished : Cancelled);
}

} // namespace Connector
