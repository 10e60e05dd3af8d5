#include "view/connector/win/Views.h"

#include "app/winutil/Input.h"
#include "core/Weight.h"
#include "view/CmdHandler.h"
#include "view/Cursor.h"
#include "view/connector/Editing.h"
#include "view/connector/win/Commands.h"
#include "view/connector/win/EditTasks.h"
#include "core/foundation/Cast.h"

#include <algorithm>

namespace Connector {

std::shared_ptr<Core::IViewElement> ShownPart::CreateCanvasViewElement(View::ICanvasView& view)
{
    if (auto* s = zq::Cast<ISegment>(this)) return std::make_shared<VSegment>(view, *s);
    if (auto* e = zq::Cast<IEnd>(this)) return std::make_shared<VEnd>(view, *e);
    if (auto* j = zq::Cast<IJoin>(this)) return std::make_shared<VJoin>(view, *j);
    return nullptr;
}

namespace {
// A connector that moves along with a selection has no view of its own: its free ends make the
// shift controls.
[[maybe_unused]] const bool kEndControlsRegistered = [] {
    View::AddShiftControlMaker([](Core::IModelElement& e, View::ViewContext& context, Core::DeferredShiftSet& set,
                                  View::ShiftControlSet& controls) {
        auto* connector = zq::Cast<IConnector>(&e);
        if (connector == nullptr) return;
        for (IEnd* end : connector->GetEnds())
            if (View::VIShiftable* view = View::VIShiftable::Find(*end, *context.view))
                view->CreateShiftControls(context, set, controls);
    });
    return true;
}();
} // namespace

void VEnd::CreateShiftControls(View::ViewContext& context, Core::DeferredShiftSet& set, View::ShiftControlSet& controls)
{
    if (end_.IsDeleted() || end_.IsAttached() || controls.count(&end_)) return;
    controls.emplace(&end_, std::make_shared<EndShiftControl>(context, end_, true, &set));
}

void RefreshConnectorViews(View::ICanvasView& view, IConnectorElement& part)
{
    if (IConnector* c = part.GetConnector()) {
        for (IEnd* e : c->GetEnds()) e->UpdateViewElements();
        for (IJoin* j : c->GetJoins()) j->UpdateViewElements();
        for (ISegment* s : c->GetSegmentList()) s->UpdateViewElements();
    } else {
        part.UpdateViewElements();
    }
    view.UpdateView();
}

// ---- PartControl

View::SubTaskPtr PartControl::CreateTask(View::ICanvasView&, View::ITask& parent, const zq::Point&)
{
    if (part_.IsDeleted()) return nullptr;
    if (auto* end = zq::Cast<IEnd>(&part_)) return std::make_shared<EndMoveTask>(parent.GetContext(), parent, *end, false);
    if (auto* join = zq::Cast<IJoin>(&part_))
        return std::make_shared<JoinMoveTask>(parent.GetContext(), parent, *join, false);
    return nullptr;
}

Core::Weight PartControl::GetWeight(const zq::Point& point, const Core::IView& view) const
{
    Core::Weight w = Core::Weight::MakeControl(point, part_.GetPoint());
    w.AddBias(part_.GetWeight(view, point, View::kHitTolerance));
    return w;
}

void PartControl::SetCursor(const zq::Point&)
{
    if (zq::Cast<IJoin>(&part_) != nullptr)
        View::Cursor::Load(274);
    else
        View::Cursor::Load(part_.IsAttached() ? 266 : 265);
}

// ---- VSegmentEnd

VSegmentEnd::VSegmentEnd(View::ICanvasView& view, ISegmentEnd& part)
    : View::ViewElement(view, part), part_(part), control_(view, part)
{
}

void VSegmentEnd::Update()
{
    // A segment's view queues itself on its model update (no cast needed to reach it).
    for (ISegment* s : part_.GetSegments())
        if (Core::IViewElement* v = s->FindViewElement(GetCanvasView())) v->Update(nullptr);
}

bool VSegmentEnd::KeepsDrawingWhileMoved() const
{
    const std::vector<ISegment*> segments = part_.GetSegments();
    return std::any_of(segments.begin(), segments.end(),
                       [&](const ISegment* s) { return View::KeepsDrawingWhileMoved(*s, GetCanvasView()); });
}

// ---- VSegment

VSegment::VSegment(View::ICanvasView& view, ISegment& segment)
    : Core::IViewElement(view, segment), View::SelectableViewElement(view, segment), segment_(segment)
{
}

bool VSegment::IsBeingChanged() const
{
    const IConnector* c = segment_.GetConnector();
    return segment_.IsInTransaction() || (c != nullptr && c->IsInTransaction());
}

void VSegment::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&)
{
    ISegmentEnd *a, *b;
    if (!segment_.IsDeleted() && segment_.GetEnds(a, b)) group.Add(canvas.CreateDashedLine(a->GetPoint(), b->GetPoint(), 1));
}

void VSegment::UpdateShape()
{
    ISegmentEnd *a, *b;
    const bool ends = !segment_.IsDeleted() && segment_.GetEnds(a, b);
    if (ends && KeepsLine(*a, *b)) return;
    changed_.Clear();
    line_.Clear();
    if (!ends) return;
    ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
    if (!IsBeingChanged()) {
        const zq::float8Point p = LineEnd(*a, b->GetPoint(), canvas), q = LineEnd(*b, a->GetPoint(), canvas);
        line_.Add(CreateLine(canvas, p, q));
        return;
    }
    NoteDrawnAsChanging();
    if (a->IsNew() && b->IsNew()) return;
    DrawChange(canvas, line_, *a, *b);
}

bool VSegment::KeepsDrawingWhileMoved() const
{
    return keepWhileMoved_ || (followTerminals_ && TerminalsKeepDrawing());
}

bool VSegment::TerminalsKeepDrawing() const
{
    const IConnector* connector = segment_.GetConnector();
    if (connector == nullptr || asking_) return false;
    asking_ = true;
    bool any = false, all = true;
    for (const IEnd* end : connector->GetEnds())
        if (const Core::IModelElement* terminal = end->GetTerminal()) {
            any = true;
            all = all && View::KeepsDrawingWhileMoved(*terminal, GetCanvasView());
        }
    asking_ = false;
    return any && all;
}

bool VSegment::KeepsLine(ISegmentEnd& a, ISegmentEnd& b)
{
    const zq::Point p = zq::RoundPoint(a.GetPoint()), q = zq::RoundPoint(b.GetPoint());
    const bool moving = (IsBeingChanged() || a.IsInTransaction() || b.IsInTransaction()) && !segment_.IsNew();
    if (!moving || !committed_) {
        committed_ = !moving;
        committedSpan_ = q - p;
        return false;
    }
    // Asked only while moved: what decides may have no view yet when the segment is first drawn.
    if (!KeepsDrawingWhileMoved()) return false;
    // The line as the last closed change left it stays; a segment that is not merely moved shows its
    // new shape dashed over it (a moved one, the drag's image).
    NoteDrawnAsChanging();
    changed_.Clear();
    if (q - p != committedSpan_) DrawChange(GetCanvasView().GetCanvas(), changed_, a, b);
    return true;
}

void VSegment::DrawChange(ICanvas::Canvas& canvas, ICanvas::Group& group, ISegmentEnd& a, ISegmentEnd& b)
{
    // The line as it will be, and where an end shows another point than its own, the bends that
    // will lead on to it.
    group.Add(canvas.CreateDashedLine(a.GetPoint(), b.GetPoint(), 0));
    for (ISegmentEnd* e : {&a, &b}) {
        if (e->GetPoint() == e->GetPosition()) continue;
        zq::float8Point from = e->GetPoint(), turn;
        if (auto* end = zq::Cast<IEnd>(e); end != nullptr && end->GetPendingTurn(turn)) {
            group.Add(canvas.CreateDashedLine(from, turn, 0));
            from = turn;
        }
        group.Add(canvas.CreateDashedLine(from, e->GetPosition(), 0));
    }
}

ICanvas::Element VSegment::CreateLine(ICanvas::Canvas& canvas, const zq::float8Point& p, const zq::float8Point& q)
{
    return canvas.CreateLine(p, q);
}

void VSegment::UpdateMarks()
{
    marks_.Clear();
    ISegmentEnd *a, *b;
    if (IsSelected() && IsBeingChanged()) NoteDrawnAsChanging();  // its marks come back then
    if (!IsSelected() || IsBeingChanged() || segment_.IsDeleted() || !segment_.GetEnds(a, b)) return;
    ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
    const bool visible = GetCanvasView().IsSelectionVisible();
    for (ISegmentEnd* e : {a, b}) {
        const int picture = !visible ? 102 : zq::Cast<IEnd>(e) != nullptr && e->IsAttached() ? 100 : 101;
        marks_.Add(canvas.CreatePicture(e->GetPoint(), picture));
    }
}

zq::float8Point VSegment::LineEnd(ISegmentEnd& end, const zq::float8Point& from, ICanvas::Canvas& canvas)
{
    auto* v = zq::Cast<VSegmentEnd>(end.FindViewElement(GetCanvasView()));
    return v ? v->DrawShape(canvas, line_, from) : end.GetPoint();
}

PartControl* VSegment::ControlOf(ISegmentEnd* end) const
{
    auto* v = zq::Cast<VSegmentEnd>(end->FindViewElement(GetCanvasView()));
    return v ? &v->GetControl() : nullptr;
}

View::IControl* VSegment::FindControlAt(const zq::Point& point)
{
    ISegmentEnd *a, *b;
    if (segment_.IsDeleted() || !segment_.GetEnds(a, b)) return nullptr;
    PartControl* best = nullptr;
    Core::Weight bestWeight;
    for (ISegmentEnd* e : {a, b}) {
        PartControl* c = ControlOf(e);
        if (c == nullptr || !c->IsNear(point, View::kHitTolerance)) continue;
        const Core::Weight w = c->GetWeight(point, GetCanvasView());
        if (best == nullptr || w > bestWeight) {
            best = c;
            bestWeight = w;
        }
    }
    return best;
}

Core::Weight VSegment::HitTestMarks(const zq::Point& point, int32_t) const
{
    View::IControl* c = const_cast<VSegment*>(this)->FindControlAt(point);
    return c ? c->GetWeight(point, GetCanvasView()) : Core::Weight();
}

void VSegment::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers)
{
    handlers.Add(std::make_unique<SegmentCmdHandler>(task, segment_));
}

namespace {
// Whether a selected neighbour keeps the segment from moving freely: the end's terminal is
// selected, or another segment of the join is selected without the flag of the axis.
bool HasSpecialSelectedElement(const ISegmentEnd& end, const ISegment& segment, const Core::IView& view, bool h)
{
    if (auto* e = zq::Cast<const IEnd>(&end)) return e->GetTerminal() && e->GetTerminal()->IsSelectedInView(view);
    for (ISegment* s : end.GetSegments())
        if (s != &segment && s->IsSelectedInView(view) && !(h ? s->IsHorizontalOrtho() : s->IsVerticalOrtho()))
            return true;
    return false;
}
} // namespace

int VSegment::GetCursorId(bool first, bool second, bool modifier) const
{
    const bool h = segment_.IsHorizontalOrtho(), v = segment_.IsVerticalOrtho();
    if (!h && !v) return first && !second ? 275 : 272;
    int id = h ? 271 : 270;
    ISegmentEnd *a, *b;
    if ((IsSelected() || modifier) && segment_.GetEnds(a, b) &&
        HasSpecialSelectedElement(*a, segment_, GetCanvasView(), h) &&
        HasSpecialSelectedElement(*b, segment_, GetCanvasView(), h))
        id = 269;
    if (!first) return id;
    return !second ? 275 : id - 8;  // 271, 270, 269 become 263, 262, 261
}

void VSegment::SetMoveCursor(bool dragging, bool modifier, bool move)
{
    View::Cursor::Load(GetCursorId(dragging, move, modifier));
}

View::SubTaskPtr VSegment::CreateMoveTask(View::ICanvasView& view, View::ITask& parent, const zq::Point& point,
                                          int button, Core::IModelElement* element)
{
    if (segment_.IsDeleted()) return nullptr;
    if (button != 1 || !WinUtil::IsControlKeyDown()) return VIShiftable::CreateMoveTask(view, parent, point, button, element);
    Core::Env env = parent.MakeEnv();
    IJoin* join = SplitSegment(env, segment_, zq::float8Point(point));
    if (join == nullptr) return nullptr;
    return std::make_shared<JoinMoveTask>(parent.GetContext(), parent, *join, true);
}

} // namespace Connector
