#include "elements/sequence/win/Views.h"

#include "resources/resource.h"
#include "style/Clients.h"
#include "text/edit/AnchoredTextCmd.h"
#include "text/edit/TextView.h"
#include "view/CanvasOrder.h"
#include "view/CanvasView.h"
#include "view/DefaultTask.h"
#include "view/Shapes.h"
#include "view/connector/win/Commands.h"
#include "view/connector/win/Views.h"
#include "core/foundation/Cast.h"

namespace Sequence {

namespace {
using ICanvas::ToDouble;

// The arrow kind of the canvas for a message's arrow type: filled triangle, open, half arrow.
int ArrowKind(int32_t arrowType)
{
    switch (arrowType) {
    case MessageArrowType::FilledSolid: return 3;
    case MessageArrowType::Stick: return 1;
    case MessageArrowType::HalfStick: return 4;
    default: return 0;
    }
}

// The target end of a message or a return draws its head; the line runs to the tip.
template <class End>
class VArrowEnd : public Connector::VEnd {
public:
    VArrowEnd(View::ICanvasView& view, End& end) : Core::IViewElement(view, end), VEnd(view, end), end_(end) {}
    zq::float8Point DrawShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& from) override {
        if (!end_.IsTarget()) return VEnd::DrawShape(canvas, group, from);
        int kind = 1;
        if constexpr (std::is_same_v<End, MessageEnd>) kind = ArrowKind(end_.GetArrowType());
        View::ArrowShape(canvas, group, end_.GetPoint(), from, 700, 260, kind);
        return end_.GetPoint();
    }
    unsigned GetMenuId() const override {
        if constexpr (std::is_same_v<End, MessageEnd>)
            if (end_.IsTarget()) return kMessageEndMenu;
        return VEnd::GetMenuId();
    }
    void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override {
        if constexpr (std::is_same_v<End, MessageEnd>)
            if (end_.IsTarget()) handlers.Add(std::make_unique<MessageTargetEndCmdHandler>(task, end_));
    }

private:
    End& end_;
};

// Whether the element moves with the pointer in a drag: it is selected, or new (a copy being
// dropped). What is only dragged along follows the elements it hangs on in its own way and shows
// no image of its own.
bool FollowsPointer(const Core::IModelElement& element, const Core::IView& view)
{
    return element.IsNew() || element.IsSelectedInView(view);
}

// A message segment offers "New Te&xt" and "Keep &Orthogonal" (menu 121).
class VMessageSegment : public Connector::VSegment {
public:
    VMessageSegment(View::ICanvasView& view, MessageSegment& segment)
        : Core::IViewElement(view, segment), VSegment(view, segment), segment_(segment) {}
    unsigned GetMenuId() const override { return kMessageSegmentMenu; }
    void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override {
        VSegment::PrepareMenu(task, handlers);
        handlers.Add(std::make_unique<::Text::CreateAnchoredTextCmdHandler>(task, ID_NEW_ANCHOREDTEXT, segment_, L"<name?>"));
    }

private:
    MessageSegment& segment_;
};

// A return's segment is a dashed line with an open head at the target end.
class VReturnSegment : public Connector::VSegment {
public:
    VReturnSegment(View::ICanvasView& view, ReturnSegment& segment)
        : Core::IViewElement(view, segment), VSegment(view, segment), segment_(segment) {}
    void UpdateShape() override {
        line_.Clear();
        Connector::ISegmentEnd *a, *b;
        if (segment_.IsDeleted() || !segment_.GetEnds(a, b)) return;
        ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
        line_.Add(canvas.CreateDashedLine(a->GetPoint(), b->GetPoint(), 0));
        for (auto [end, from] : {std::pair{a, b}, std::pair{b, a}})
            if (auto* e = zq::Cast<ReturnEnd>(end); e != nullptr && e->IsTarget())
                View::ArrowShape(canvas, line_, e->GetPoint(), from->GetPoint(), 700, 260, 1);
    }

private:
    ReturnSegment& segment_;
    ICanvas::Group line_;
};
} // namespace

// ---- object

VSeqObject::VSeqObject(View::ICanvasView& view, SeqObject& object)
    : Core::IViewElement(view, object), View::SelectableViewElement(view, object), object_(object),
      handles_(view, object, 255, this, View::RectResizeControl::Free)
{
}

void VSeqObject::UpdateShape()
{
    shape_.Clear();
    changed_.Clear();
    if (object_.IsDeleted()) return;
    ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
    const zq::Rect r = object_.GetRect();
    if (!object_.IsInTransaction())
        latched_ = false;
    else if (r != object_.GetOldRect())
        latched_ = true;
    if (latched_) NoteDrawnAsChanging();
    const Style::ElementStyleFill fill(object_);
    if (fill.GetLineStyle())
        shape_.Add(canvas.CreateFilledRect(ToDouble(r), *fill.GetLineStyle(), View::MakeAreaWeight(object_.GetSize())));
    ICanvas::Group& group = latched_ ? changed_ : shape_;
    if (latched_)
        group.Add(canvas.CreateDashedRect(ToDouble(r), 1));
    else
        group.Add(canvas.CreateRect(ToDouble(r)));
    GraphUtil::AddCornerMarks(canvas, group, ToDouble(r), latched_ ? 0 : 1);
    // The name is drawn where the box is, also while a change moves it.
    TextBlock::RedrawTextView(object_.GetText(), GetCanvasView());
    UpdateMarks();
}

void VSeqObject::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&)
{
    if (!FollowsPointer(object_, GetCanvasView())) return;
    const zq::Rect r = object_.GetRect();
    group.Add(canvas.CreateDashedRect(ToDouble(r), 1));
    GraphUtil::AddCornerMarks(canvas, group, ToDouble(r), 0);
}

void VSeqObject::UpdateMarks()
{
    marks_.Clear();
    if (IsSelected() && !latched_) handles_.Draw(GetCanvasView().GetCanvas(), marks_, true);
}

void VSeqObject::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers)
{
    handlers.Add(CreateNewMessageCmdHandler(task));
    if (LifeLine* line = object_.GetLifeLine()) handlers.Add(std::make_unique<LifeLineCmdHandler>(task, *line));
}

// ---- lifeline

VLifeLine::VLifeLine(View::ICanvasView& view, LifeLine& line)
    : Core::IViewElement(view, line), View::SelectableViewElement(view, line), line_(line), control_(view, line)
{
}

void VLifeLine::UpdateShape()
{
    shape_.Clear();
    changed_.Clear();
    pieces_ = 0;
    if (line_.IsDeleted()) return;
    ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
    const bool changing = line_.IsInTransaction() || line_.HasActivationInTransaction();
    if (changing) NoteDrawnAsChanging();
    pieces_ = DrawLine(canvas, changing ? changed_ : shape_, changing);
    const zq::float8Point b = ToDouble(line_.GetBottom());
    if (!changing && line_.IsDying()) {
        shape_.Add(canvas.CreateLine({b.x - 300, b.y + 300}, {b.x + 300, b.y - 300}));
        shape_.Add(canvas.CreateLine({b.x - 300, b.y - 300}, {b.x + 300, b.y + 300}));
    }
    UpdateMarks();
}

size_t VLifeLine::DrawLine(ICanvas::Canvas& canvas, ICanvas::Group& group, bool changed) const
{
    const std::int32_t x = line_.GetTop().x;
    size_t pieces = 0;
    for (const auto& [low, high] : line_.GetDashedPieces()) {
        group.Add(canvas.CreateDashedLine({double(x), double(low)}, {double(x), double(high)}, changed ? 1 : 0));
        ++pieces;
    }
    const uint32_t sides = ICanvas::SideLeft | ICanvas::SideRight | ICanvas::SideBottom;
    group.Add(canvas.CreateAdjustMarker(ToDouble(line_.GetBottom()), sides, changed ? 0 : 1));
    return pieces;
}

void VLifeLine::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&)
{
    if (FollowsPointer(line_, GetCanvasView())) DrawLine(canvas, group, true);
}

void VLifeLine::UpdateMarks()
{
    marks_.Clear();
    if (IsSelected() && line_.IsInTransaction()) NoteDrawnAsChanging();  // its marks come back then
    if (!IsSelected() || line_.IsInTransaction() || line_.IsDeleted()) return;
    ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
    marks_.Add(canvas.CreatePicture(ToDouble(line_.GetTop()), GetCanvasView().IsSelectionVisible() ? 100 : 102));
    control_.Draw(canvas, marks_);
}

Core::Weight VLifeLine::HitTestMarks(const zq::Point& p, int32_t tolerance) const
{
    return IsSelected() && control_.IsNear(p, tolerance) ? control_.GetWeight(p, GetCanvasView()) : Core::Weight();
}

View::IControl* VLifeLine::FindControlAt(const zq::Point& p)
{
    return control_.IsNear(p, View::kHitTolerance) ? &control_ : nullptr;
}

void VLifeLine::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers)
{
    handlers.Add(std::make_unique<LifeLineCmdHandler>(task, line_));
    handlers.Add(std::make_unique<CreateActivationCmdHandler>(task, line_));
    handlers.Add(CreateNewMessageCmdHandler(task));
}

// ---- activation

VActivation::VActivation(View::ICanvasView& view, Activation& activation)
    : Core::IViewElement(view, activation), View::SelectableViewElement(view, activation), activation_(activation),
      north_(view, activation), south_(view, activation)
{
}

void VActivation::UpdateShape()
{
    shape_.Clear();
    changed_.Clear();
    if (activation_.IsDeleted()) return;
    ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
    if (!activation_.IsInTransaction())
        latched_ = false;
    else if (activation_.GetNorthPoint() != activation_.GetNorthPoint(true) ||
             activation_.GetSouthPoint() != activation_.GetSouthPoint(true))
        latched_ = true;
    if (latched_) NoteDrawnAsChanging();
    const zq::Rect r = activation_.GetRect();
    const Style::ElementStyleFill fill(activation_);
    if (fill.GetLineStyle()) {
        const zq::Rect f = latched_ ? activation_.GetRect(true) : r;
        shape_.Add(canvas.CreateFilledRect(ToDouble(f), *fill.GetLineStyle(), View::MakeAreaWeightOfRect(f)));
    }
    DrawBar(canvas, latched_ ? changed_ : shape_, latched_);
    UpdateMarks();
}

void VActivation::DrawBar(ICanvas::Canvas& canvas, ICanvas::Group& group, bool changed) const
{
    const zq::Rect r = activation_.GetRect();
    if (changed)
        group.Add(canvas.CreateDashedRect(ToDouble(r), 1));
    else
        group.Add(canvas.CreateRect(ToDouble(r)));
    const uint32_t sides = ICanvas::SideLeft | ICanvas::SideRight;
    group.Add(canvas.CreateAdjustMarker(ToDouble(activation_.GetNorthPoint()), sides, changed ? 0 : 1));
    group.Add(canvas.CreateAdjustMarker(ToDouble(activation_.GetSouthPoint()), sides, changed ? 0 : 1));
}

void VActivation::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&)
{
    const LifeLine* line = activation_.GetLifeLine();
    const Core::IView& view = GetCanvasView();
    const bool withLine = line != nullptr && FollowsPointer(*line, view) &&
                          (line->GetSeqObject() == nullptr || FollowsPointer(*line->GetSeqObject(), view));
    if (FollowsPointer(activation_, view) || withLine) DrawBar(canvas, group, true);
}

void VActivation::UpdateMarks()
{
    marks_.Clear();
    if (IsSelected() && activation_.IsInTransaction()) NoteDrawnAsChanging();  // its marks come back then
    if (!IsSelected() || activation_.IsInTransaction() || activation_.IsDeleted()) return;
    ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
    north_.Draw(canvas, marks_);
    south_.Draw(canvas, marks_);
}

Core::Weight VActivation::HitTestMarks(const zq::Point& p, int32_t tolerance) const
{
    if (!IsSelected()) return {};
    if (north_.IsNear(p, tolerance)) return north_.GetWeight(p, GetCanvasView());
    if (south_.IsNear(p, tolerance)) return south_.GetWeight(p, GetCanvasView());
    return {};
}

View::IControl* VActivation::FindControlAt(const zq::Point& p)
{
    if (north_.IsNear(p, View::kHitTolerance)) return &north_;
    if (south_.IsNear(p, View::kHitTolerance)) return &south_;
    return nullptr;
}

void VActivation::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers)
{
    handlers.Add(CreateNewMessageCmdHandler(task));
    handlers.Add(CreateNewReturnCmdHandler(task));
}

// ---- commands

MessageTargetEndCmdHandler::MessageTargetEndCmdHandler(View::IDefaultTask& task, MessageEnd& end)
    : ICmdHandler(task), end_(end)
{
    for (UINT id : {ID_ARROW_FILLEDSOLID, ID_ARROW_STICK, ID_ARROW_HALFSTICK})
        GetPlugs().Add(id, this, &MessageTargetEndCmdHandler::OnArrowType);
    UpdateCommands();
}

void MessageTargetEndCmdHandler::UpdateCommands()
{
    const bool ready = IsReady() && !end_.IsDeleted();
    const UINT ids[] = {ID_ARROW_FILLEDSOLID, ID_ARROW_STICK, ID_ARROW_HALFSTICK};
    for (int i = 0; i < 3; ++i) {
        GetPlugs().Enable(ids[i], ready);
        GetPlugs().SetCheckState(ids[i], ready && end_.GetArrowType() == i + 1 ? 2 : 0);
    }
}

void MessageTargetEndCmdHandler::OnArrowType(const Application::CommandMsg& msg)
{
    const int32_t type = msg.id == ID_ARROW_FILLEDSOLID ? 1 : msg.id == ID_ARROW_STICK ? 2 : 3;
    View::IDefaultTask& task = GetTask();
    task.TakeSelectionSnapshot();
    {
        Core::Env env = task.MakeEnv();
        end_.SetArrowType(env, type);
    }
    if (auto* segment = end_.GetSegment()) segment->UpdateViewElements();
    task.CommitPending(false);
    UpdateCommands();
}

std::unique_ptr<View::ICmdHandler> CreateNewMessageCmdHandler(View::IDefaultTask& task)
{
    static const Core::AttachFilter<IMessageEnd> parties;
    Connector::CreateConnectorTask::Params params;
    params.sources = &parties;
    params.targets = &parties;
    return std::make_unique<Connector::CreateConnectorCmdHandler>(task, ID_NEW_MESSAGE, Message::PartFactory(), params);
}

std::unique_ptr<View::ICmdHandler> CreateNewReturnCmdHandler(View::IDefaultTask& task)
{
    static const Core::AttachFilter<IReturnEnd> parties;
    Connector::CreateConnectorTask::Params params;
    params.sources = &parties;
    params.targets = &parties;
    return std::make_unique<Connector::CreateConnectorCmdHandler>(task, ID_NEW_RETURN, Return::PartFactory(), params);
}

// ---- registration

namespace {
std::shared_ptr<Core::IViewElement> MakeView(Core::IModelElement& element, View::ICanvasView& view)
{
    if (auto* o = zq::Cast<SeqObject>(&element)) return std::make_shared<VSeqObject>(view, *o);
    if (auto* l = zq::Cast<LifeLine>(&element)) return std::make_shared<VLifeLine>(view, *l);
    if (auto* a = zq::Cast<Activation>(&element)) return std::make_shared<VActivation>(view, *a);
    if (auto* s = zq::Cast<MessageSegment>(&element)) return std::make_shared<VMessageSegment>(view, *s);
    if (auto* e = zq::Cast<MessageEnd>(&element)) return std::make_shared<VArrowEnd<MessageEnd>>(view, *e);
    if (auto* j = zq::Cast<MessageJoin>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
    if (auto* s = zq::Cast<ReturnSegment>(&element)) return std::make_shared<VReturnSegment>(view, *s);
    if (auto* e = zq::Cast<ReturnEnd>(&element)) return std::make_shared<VArrowEnd<ReturnEnd>>(view, *e);
    if (auto* j = zq::Cast<ReturnJoin>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
    return nullptr;
}
} // namespace

void RegisterSequenceViews()
{
    static const bool registered = [] {
        View::ModelElement::AddViewMaker(MakeView);
        return true;
    }();
    (void)registered;
}

} // namespace Sequence
