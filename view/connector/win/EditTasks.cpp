#include "view/connector/win/EditTasks.h"

#include "app/winutil/Input.h"
#include "core/foundation/GraphUtil.h"
#include "view/Cursor.h"
#include "view/connector/win/Views.h"
#include "core/foundation/Cast.h"

namespace Connector {

namespace {
// Terminals only, narrowed by an optional filter.
class TerminalFilter : public Core::IFilter {
public:
    explicit TerminalFilter(const Core::IFilter* extra) : extra_(extra) {}
    bool Accept(const Core::IModelElement* e) const override {
        return zq::Cast<const Core::ITerminal>(e) != nullptr && (extra_ == nullptr || extra_->Accept(e));
    }

private:
    const Core::IFilter* extra_;
};

// The terminals an end may move onto: those its kind accepts, never its own segment or itself.
class EndTargetFilter : public Core::IFilter {
public:
    explicit EndTargetFilter(const IEnd& end) : end_(end) {}
    bool Accept(const Core::IModelElement* e) const override {
        return e != &end_ && e != end_.GetSegment() && end_.AcceptsTerminal(e);
    }

private:
    const IEnd& end_;
};

bool CtrlDown() { return WinUtil::IsControlKeyDown(); }
} // namespace

Core::IModelElement* FindTerminal(View::ViewContext& context, const zq::Point& point, const Core::IFilter* filter)
{
    const TerminalFilter terminals(filter);
    const Core::HitResult hit = context.view->HitTest(point, View::kHitTolerance, &terminals, Core::kHitNoMarks);
    return hit ? hit.element->GetModelElement() : nullptr;
}

// ---- EndShiftControl

EndShiftControl::EndShiftControl(View::ViewContext& context, IEnd& end, bool shiftedItself,
                                 const Core::DeferredShiftSet* move)
    : context_(context), end_(end), keep_(end.shared_from_this()), shiftedItself_(shiftedItself), move_(move),
      start_(end.GetOldPosition()), point_(end.GetPoint())
{
}

void EndShiftControl::Update(Core::Env&, const Core::ShiftVector& shift, const zq::float8Point&)
{
    point_ = shiftedItself_ ? Core::ShiftParam::Apply(shift, end_.GetPoint(), start_) : end_.GetPoint();
    candidate_ = end_.IsDeleted() || !MayLand() ? nullptr : FindTerminal(context_, zq::RoundPoint(point_), this);
    mark_.Clear();
    const double r = context_.view->PixelsToLogical(4);
    mark_.Add(context_.canvas->CreateMarkerEllipse({point_.x - r, point_.y + r, point_.x + r, point_.y - r},
                                                   candidate_ != nullptr ? 1 : 0));
}

void EndShiftControl::Finish(Core::Env& env)
{
    mark_.Reset();
    if (candidate_ != nullptr) env.GetTransaction().AddFollowUpJob(shared_from_this());
}

void EndShiftControl::DoFollowUpJob(Core::Env& env)
{
    if (end_.IsDeleted() || candidate_ == nullptr || candidate_->IsDeleted() || end_.IsAttached()) return;
    LandOnTerminal(env, end_, *candidate_, point_);
}

bool EndShiftControl::MayLand() const
{
    // A move never attaches an end the user left free; a copy made by this drag (its end free only
    // because its terminal was not copied) and a join's drag do.
    return move_ == nullptr || end_.IsNew();
}

bool EndShiftControl::Accept(const Core::IModelElement* e) const
{
    if (e == nullptr || e->IsInTransaction() || e == &end_ || !end_.AcceptsTerminal(e)) return false;
    if (move_ == nullptr) return true;
    // Nothing that moves along: neither a moved or deferred element nor a part of a deferred connector.
    if (move_->MovesOrDefers(e)) return false;
    auto* part = zq::Cast<const IConnectorElement>(e);
    return part == nullptr || part->GetConnector() == nullptr || !move_->IsDeferred(part->GetConnector());
}

// ---- PartMoveTask

PartMoveTask::PartMoveTask(View::ViewContext& context, View::ITask& parent, std::string name, IConnectorElement& part)
    : ISubTask(context, parent, std::move(name)), part_(part)
{
    using namespace WinMessage;
    plugs_ = std::make_unique<WinMsgPlugMap>(*context.dispatcher, context.exceptionHandler);
    plugs_->Add(WM_LBUTTONUP, this, &PartMoveTask::OnButtonUp);
    plugs_->Add(WM_MOUSEMOVE, this, &PartMoveTask::OnMouseMove);
    plugs_->Add(WM_KEYDOWN, this, &PartMoveTask::OnKeyDown);
    plugs_->Add(WM_KEYUP, this, &PartMoveTask::OnKeyUp);
    TakeCapture();
    // Bound after taking the capture, so that only a later loss counts.
    plugs_->Add(WM_KILLFOCUS, this, &PartMoveTask::OnLost);
    plugs_->Add(WM_CAPTURECHANGED, this, &PartMoveTask::OnLost);
    context.canvas->GetScrollObservers().Add(this);
    scroller_ = context.canvas->CreateScroller();
}

PartMoveTask::~PartMoveTask()
{
    GetContext().canvas->GetScrollObservers().Remove(this);
    scroller_.reset();
    plugs_.reset();
}

void PartMoveTask::Finish(EndCode code)
{
    if (finishing_) return;
    finishing_ = true;
    plugs_.reset();  // releasing the capture below must not count as its loss
    ReleaseCapture();
    const EndCode result = code == Cancelled ? Cancelled : Complete(code);
    ISubTask::Finish(result);
}

void PartMoveTask::Track(const zq::Point& point)
{
    last_ = point;
    Step(point);
    RefreshConnectorViews(*GetContext().view, part_);
}

void PartMoveTask::FollowCtrl(const std::function<void(Core::Env&)>& reset)
{
    const bool down = CtrlDown();
    if (down && !ctrl_) {
        Core::Env env = MakeEnv();
        reset(env);
    } else if (!down && ctrl_) {
        DiscardPending();
    }
    ctrl_ = down;
}

void PartMoveTask::OnMouseMove(WinMessage::MouseMsg& msg)
{
    if (!msg.IsButtonDown(1)) {
        Finish(Finished);
        return;
    }
    if (scroller_) scroller_->Track({msg.X(), msg.Y()}, this);
    OnScrolled(GetContext().canvas->ClientToLogical({msg.X(), msg.Y()}));
}

void PartMoveTask::OnScrolled(const zq::float8Point& p)
{
    Track(zq::RoundPoint(p));
}

void PartMoveTask::OnButtonUp(WinMessage::MouseMsg& msg)
{
    Track(zq::RoundPoint(GetContext().canvas->ClientToLogical({msg.X(), msg.Y()})));
    Finish(Finished);
}

void PartMoveTask::OnKeyDown(WinMessage::KeyMsg& msg)
{
    if (msg.VirtualKey() == VK_ESCAPE)
        Finish(Cancelled);
    else
        Track(last_);
}

void PartMoveTask::OnKeyUp(WinMessage::KeyMsg&)
{
    Track(last_);
}

void PartMoveTask::OnLost(WinMessage::Msg& msg)
{
    msg.passToDefault = 1;
    Finish(Cancelled);
}

// ---- EndMoveTask

EndMoveTask::EndMoveTask(View::ViewContext& context, View::ITask& parent, IEnd& end, bool mustAttach)
    : PartMoveTask(context, parent, "EndMoveTask", end), end_(end), mustAttach_(mustAttach)
{
    View::Cursor::Load(end.IsAttached() ? 257 : 256);
}

void EndMoveTask::Step(const zq::Point& point)
{
    if (end_.IsDeleted()) return;
    FollowCtrl([this](Core::Env& env) {
        if (ISegment* s = end_.GetSegment()) s->ResetOrthoFlags(env);
    });
    const EndTargetFilter filter(end_);
    candidate_ = FindTerminal(GetContext(), point, &filter);
    const zq::float8Point to =
        candidate_ ? PointOnTerminal(*candidate_, zq::float8Point(point), end_.GetSegment()) : zq::float8Point(point);
    View::Cursor::Load(candidate_ ? 257 : 256);
    Core::Env env = MakeEnv();
    end_.SetTerminal(env, nullptr);
    const zq::float8Point from = end_.GetOldPosition();
    Core::DeferredShiftSet set;
    end_.Shift(env, nullptr, {to.x - from.x, to.y - from.y, true, true}, set, false);
    moved_ = true;
}

View::ITask::EndCode EndMoveTask::Complete(EndCode code)
{
    if (!moved_ || end_.IsDeleted()) return code;
    Core::Env env = MakeEnv();
    end_.SetTerminal(env, nullptr);
    const bool attached = candidate_ != nullptr && end_.AttachTo(env, candidate_);
    if (mustAttach_ && !attached) return Cancelled;
    if (!end_.IsDeleted())
        if (ISegment* s = end_.GetSegment()) s->SetOrthoFlags(env);
    return code;
}

// ---- JoinMoveTask

JoinMoveTask::JoinMoveTask(View::ViewContext& context, View::ITask& parent, IJoin& join, bool geometry)
    : PartMoveTask(context, parent, "JoinMoveTask", join), join_(join), geometry_(geometry)
{
    View::Cursor::Load(274);
    // The free ends at the far ends of the straight runs from the join travel with it.
    for (auto dir : {ISegmentEnd::kLeft, ISegmentEnd::kRight, ISegmentEnd::kUp, ISegmentEnd::kDown})
        join.Traverse(nullptr, dir, [&](ISegment&, ISegmentEnd& farEnd) {
            if (auto* end = zq::Cast<IEnd>(&farEnd); end != nullptr && !end->IsAttached() && !controls_.count(end))
                controls_.emplace(end, std::make_shared<EndShiftControl>(context, *end, false));
            return true;
        });
}

void JoinMoveTask::Step(const zq::Point& point)
{
    // A join made by this gesture (a split) would vanish with a discarded change: Ctrl stays as it is.
    if (!geometry_) FollowCtrl([this](Core::Env& env) { join_.ResetOrthoFlags(env); });
    if (join_.IsDeleted()) return;
    Core::Env env = MakeEnv();
    const zq::float8Point from = join_.GetOldPosition();
    Core::DeferredShiftSet set;
    const Core::ShiftVector shift{point.x - from.x, point.y - from.y, true, true};
    join_.Shift(env, nullptr, shift, set, false);
    for (auto& [end, control] : controls_) control->Update(env, shift, {double(point.x), double(point.y)});
}

View::ITask::EndCode JoinMoveTask::Complete(EndCode code)
{
    if (join_.IsDeleted()) return code;
    Core::Env env = MakeEnv();
    if (!geometry_) {
        join_.SetOrthoFlags(env);
    } else {
        for (ISegment* s : join_.GetSegments()) {
            ISegmentEnd *a, *b;
            if (!s->GetEnds(a, b)) continue;
            s->SetHorizontalOrtho(env, GraphUtil::IsHorizontal(a->GetPoint(), b->GetPoint()));
            s->SetVerticalOrtho(env, GraphUtil::IsVertical(a->GetPoint(), b->GetPoint()));
        }
    }
    for (auto& [end, control] : controls_) control->Finish(env);
    return code;
}

} // namespace Connector
