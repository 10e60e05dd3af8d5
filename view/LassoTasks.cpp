#include "view/LassoTasks.h"

#include "view/Cursor.h"

namespace View {

namespace {
using ICanvas::ToDouble;
} // namespace

// ---- LassoTask

LassoTask::LassoTask(ViewContext& context, ITask& parent, const zq::Point& point, int button)
    : ISubTask(context, parent, "LassoTask"), start_(point), current_(point), button_(button)
{
    if (button != 1 && button != 3) return;  // the owner drops a lasso that has no button to follow
    using namespace WinMessage;
    plugs_ = std::make_unique<WinMsgPlugMap>(*context.dispatcher, context.exceptionHandler);
    plugs_->Add(WM_LBUTTONUP, this, &LassoTask::OnButtonUp);
    plugs_->Add(WM_LBUTTONDOWN, this, &LassoTask::OnButtonDown);
    plugs_->Add(WM_RBUTTONUP, this, &LassoTask::OnButtonUp);
    plugs_->Add(WM_RBUTTONDOWN, this, &LassoTask::OnButtonDown);
    plugs_->Add(WM_MOUSEMOVE, this, &LassoTask::OnMouseMove);
    plugs_->Add(WM_KEYDOWN, this, &LassoTask::OnKeyDown);
    plugs_->Add(WM_KILLFOCUS, this, &LassoTask::OnKillFocus);
    TakeCapture();
    context.canvas->GetScrollObservers().Add(this);
    observing_ = true;
    scroller_ = context.canvas->CreateScroller();
}

LassoTask::~LassoTask()
{
    if (observing_) GetContext().canvas->GetScrollObservers().Remove(this);
    scroller_.reset();
    band_.Reset();
    plugs_.reset();
}

void LassoTask::OnMouseMove(WinMessage::MouseMsg& msg)
{
    if (!msg.IsButtonDown(button_)) {
        Finish(Finished);
        return;
    }
    if (cancelled_) return;
    // The scroller reports only when it scrolls; the pointer's own position follows in any case.
    if (scroller_) scroller_->Track({msg.X(), msg.Y()}, this);
    OnScrolled(GetContext().canvas->ClientToLogical({msg.X(), msg.Y()}));
}

void LassoTask::OnScrolled(const zq::float8Point& p)
{
    if (cancelled_) return;
    ViewContext& c = GetContext();
    current_ = zq::RoundPoint(p);
    band_ = c.canvas->CreateDashedRect(ToDouble(zq::Rect::FromCorners(start_, current_)), 1);
    c.canvas->Update();
}

void LassoTask::OnButtonUp(WinMessage::MouseMsg& msg)
{
    const bool ours = (msg.id == WM_LBUTTONUP && button_ == 1) || (msg.id == WM_RBUTTONUP && button_ == 3);
    if (ours) End(msg.Pos());
}

void LassoTask::OnKeyDown(WinMessage::KeyMsg& msg)
{
    if (msg.VirtualKey() != VK_ESCAPE || cancelled_) return;
    scroller_.reset();
    band_.Reset();
    GetContext().canvas->Update();
    Cursor::Load(-1);
    cancelled_ = true;
}

void LassoTask::OnKillFocus(WinMessage::Msg&)
{
    Finish(Cancelled);
}

void LassoTask::End(const POINT& client)
{
    ViewContext& c = GetContext();
    if (cancelled_) {
        ReleaseCapture();
        Finish(Cancelled);
        return;
    }
    const zq::Point release = zq::RoundPoint(c.canvas->ClientToLogical({client.x, client.y}));
    ReleaseCapture();
    if (!band_.IsEmpty()) {
        band_.Reset();
        Apply(zq::Rect::FromCorners(start_, release));
    }
    c.canvas->Update();
    Finish(Finished);
}

void SelectLassoTask::Apply(const zq::Rect& rect)
{
    GetContext().view->SelectEnclosed(&GetSelectionTracker(), rect);
}

void ZoomLassoTask::Apply(const zq::Rect& rect)
{
    GetContext().canvas->ZoomToRect(ToDouble(rect));
}

// ---- PanTask

PanTask::PanTask(ViewContext& context, ITask& parent, const zq::Point& grab)
    : ISubTask(context, parent, "PanTask"), grab_(grab)
{
    using namespace WinMessage;
    plugs_ = std::make_unique<WinMsgPlugMap>(*context.dispatcher, context.exceptionHandler);
    plugs_->Add(WM_RBUTTONUP, this, &PanTask::OnButtonUp);
    plugs_->Add(WM_MOUSEMOVE, this, &PanTask::OnMouseMove);
    plugs_->Add(WM_KEYDOWN, this, &PanTask::OnKeyDown);
    TakeCapture();
}

void PanTask::OnMouseMove(WinMessage::MouseMsg& msg)
{
    if (!msg.IsButtonDown(3)) {
        Finish(Finished);
        return;
    }
    if (!cancelled_) GetContext().canvas->ScrollPointTo(zq::float8Point(grab_), {msg.X(), msg.Y()});
}

void PanTask::OnButtonUp(WinMessage::MouseMsg& msg)
{
    if (!cancelled_) GetContext().canvas->ScrollPointTo(zq::float8Point(grab_), {msg.X(), msg.Y()});
    ReleaseCapture();
    Finish(cancelled_ ? Cancelled : Finished);
}

void PanTask::OnKeyDown(WinMessage::KeyMsg& msg)
{
    if (msg.VirtualKey() != VK_ESCAPE || cancelled_) return;
    Cursor::Load(1);
    cancelled_ = true;
}

} // namespace View
