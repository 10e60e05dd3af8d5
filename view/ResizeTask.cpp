#include "view/ResizeControls.h"

#include "app/winutil/Input.h"
#include "core/Transaction.h"
#include "core/foundation/Cast.h"

namespace View {

RectResizeTask::RectResizeTask(ViewContext& context, ITask& parent, const zq::Point& point, Core::IResizable& element,
                               int mode)
    : ISubTask(context, parent, "RectResizeTask"), element_(element), last_(point), mode_(mode)
{
    initial_ = current_ = Resize::ElementRect(element.GetPos(), element.GetSize());
    // The other selected boxes of the element's type follow, unless one side is resized alone.
    const Core::ModelElementSet selection =
        element.ResizesAlone() ? Core::ModelElementSet() : context.view->GetSelection();
    for (const Core::ElementPtr& e : selection.Elements()) {
        if (e.get() == &element || e->GetTypeName() != element.GetTypeName()) continue;
        if (auto* r = zq::Cast<Core::IResizable>(e.get()); r && !r->ResizesAlone()) followers_.push_back(r);
    }
    using namespace WinMessage;
    plugs_ = std::make_unique<WinMsgPlugMap>(*context.dispatcher, context.exceptionHandler);
    plugs_->Add(WM_LBUTTONUP, this, &RectResizeTask::OnButtonUp);
    plugs_->Add(WM_MOUSEMOVE, this, &RectResizeTask::OnMouseMove);
    plugs_->Add(WM_KEYDOWN, this, &RectResizeTask::OnKeyDown);
    plugs_->Add(WM_KEYUP, this, &RectResizeTask::OnKeyUp);
    plugs_->Add(WM_KILLFOCUS, this, &RectResizeTask::OnKillFocus);
    TakeCapture();
    context.canvas->GetScrollObservers().Add(this);
    scroller_ = context.canvas->CreateScroller();
    centred_ = mode_ == RectResizeControl::KeepCentre && !WinUtil::IsShiftKeyDown();
}

RectResizeTask::~RectResizeTask()
{
    GetContext().canvas->GetScrollObservers().Remove(this);
    scroller_.reset();
    preview_.Reset();
    plugs_.reset();
}

void RectResizeTask::UpdateCentredMode()
{
    const bool centred = mode_ == RectResizeControl::KeepCentre && !WinUtil::IsShiftKeyDown();
    if (centred != centred_) current_ = initial_;
    centred_ = centred;
}

void RectResizeTask::Update(const zq::Point& point)
{
    UpdateCentredMode();
    current_ = CalcRect(current_, point, flags_);
    last_ = point;
    preview_.Clear();
    DrawPreview(current_);
    for (Core::IResizable* f : followers_) DrawPreview(FollowerRect(*f));
    GetContext().canvas->Update();
}

zq::Rect RectResizeTask::FollowerRect(const Core::IResizable& follower) const
{
    return Resize::FollowerRect(Resize::ElementRect(follower.GetPos(), follower.GetSize()), current_, flags_, centred_);
}

void RectResizeTask::DrawPreview(const zq::Rect& r)
{
    ICanvas::Canvas& canvas = *GetContext().canvas;
    const double l = r.left, t = r.top, rt = r.right, b = r.bottom;
    preview_.Add(canvas.CreateDashedRect({l, t, rt, b}, 1));
    auto marker = [&](double x, double y, uint32_t side) { preview_.Add(canvas.CreateAdjustMarker({x, y}, side, 0)); };
    if (flags_.top) {
        marker(l, t, ICanvas::SideLeft);
        marker(rt, t, ICanvas::SideRight);
    }
    if (flags_.bottom) {
        marker(l, b, ICanvas::SideLeft);
        marker(rt, b, ICanvas::SideRight);
    }
    if (flags_.left || (centred_ && flags_.right)) {
        marker(l, t, ICanvas::SideTop);
        marker(l, b, ICanvas::SideBottom);
    }
    if (flags_.right || (centred_ && flags_.left)) {
        marker(rt, t, ICanvas::SideTop);
        marker(rt, b, ICanvas::SideBottom);
    }
}

void RectResizeTask::OnMouseMove(WinMessage::MouseMsg& msg)
{
    if (!msg.IsButtonDown(1)) {
        Finish(Finished);
        return;
    }
    // The scroller reports only when it scrolls; the pointer's own position follows in any case.
    if (scroller_) scroller_->Track({msg.X(), msg.Y()}, this);
    OnScrolled(GetContext().canvas->ClientToLogical({msg.X(), msg.Y()}));
}

void RectResizeTask::OnScrolled(const zq::float8Point& p)
{
    Update(zq::RoundPoint(p));
}

void RectResizeTask::OnButtonUp(WinMessage::MouseMsg&)
{
    Core::Env env = MakeEnv();
    element_.SetRect(env, current_, centred_);
    for (Core::IResizable* f : followers_) f->SetRect(env, FollowerRect(*f), centred_);
    Finish(Finished);
}

void RectResizeTask::OnKeyDown(WinMessage::KeyMsg& msg)
{
    if (msg.VirtualKey() == VK_ESCAPE)
        Finish(Cancelled);
    else
        Update(last_);
}

void RectResizeTask::OnKeyUp(WinMessage::KeyMsg&)
{
    Update(last_);
}

void RectResizeTask::OnKillFocus(WinMessage::Msg&)
{
    Finish(Cancelled);
}

// ---- RectResizeKeepRatioTask

RectResizeKeepRatioTask::RectResizeKeepRatioTask(ViewContext& context, ITask& parent, const zq::Point& point,
                                                 Core::IResizable& element, Resize::Corner corner)
    : RectResizeTask(context, parent, point, element, RectResizeControl::KeepRatio), corner_(corner),
      ratio_(element.GetAspectRatio())
{
}

zq::Rect RectResizeKeepRatioTask::CalcRect(const zq::Rect& current, const zq::Point& point, Resize::SideFlags& flags)
{
    return Resize::CalcKeepRatioRect(corner_, current, point, GetElement().GetMinWidth(), GetElement().GetMinHeight(),
                                     *GetContext().grid, ratio_, flags);
}

} // namespace View
