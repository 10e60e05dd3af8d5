#include "elements/note/win/Views.h"

#include "text/edit/AnchoredTextCmd.h"
#include "text/edit/TextView.h"
#include "style/Clients.h"
#include "view/CanvasOrder.h"
#include "view/CmdHandler.h"
#include "view/Shapes.h"
#include "view/connector/win/Commands.h"
#include "core/foundation/Cast.h"

namespace Note {

namespace {
int constantMode = 0;  // notes resize freely

using ICanvas::ToDouble;

// A dependency's target end draws the open arrow head; the line stops at its tip.
class VDependencyEnd : public Connector::VEnd {
public:
    VDependencyEnd(View::ICanvasView& view, Connector::IEnd& end) : Core::IViewElement(view, end), VEnd(view, end) {}
    zq::float8Point DrawShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& from) override {
        auto& end = dynamic_cast<Connector::IEnd&>(*GetModelElement());
        if (end.GetEndType() != Dependency::DependencyEndType::Target) return VEnd::DrawShape(canvas, group, from);
        View::ArrowShape(canvas, group, end.GetPoint(), from, 700, 260, 1);
        return end.GetPoint();
    }
};

// A dependency segment also offers "New Te&xt" (menu 125).
class VDependencySegment : public VDashedSegment {
public:
    VDependencySegment(View::ICanvasView& view, Dependency::DependencySegment& segment)
        : Core::IViewElement(view, segment), VDashedSegment(view, segment), segment_(segment) {}
    unsigned GetMenuId() const override { return 125; }
    void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override {
        VSegment::PrepareMenu(task, handlers);
        handlers.Add(std::make_unique<::Text::CreateAnchoredTextCmdHandler>(task, kNewTextCommand, segment_, L"<name?>"));
    }

private:
    Dependency::DependencySegment& segment_;
};

std::shared_ptr<Core::IViewElement> MakeView(Core::IModelElement& element, View::ICanvasView& view)
{
    if (auto* note = zq::Cast<Note>(&element)) return std::make_shared<VNote>(view, *note);
    if (auto* s = zq::Cast<Dependency::DependencySegment>(&element))
        return std::make_shared<VDependencySegment>(view, *s);
    if (auto* e = zq::Cast<Dependency::DependencyEnd>(&element)) return std::make_shared<VDependencyEnd>(view, *e);
    if (auto* j = zq::Cast<Dependency::DependencyJoin>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
    if (auto* s = zq::Cast<NoteConnectorSegment>(&element)) return std::make_shared<VDashedSegment>(view, *s);
    if (auto* e = zq::Cast<NoteConnectorEnd>(&element)) return std::make_shared<Connector::VEnd>(view, *e);
    if (auto* j = zq::Cast<NoteConnectorJoin>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
    return nullptr;
}
} // namespace

VNote::VNote(View::ICanvasView& view, Note& note)
    : Core::IViewElement(view, note), View::SelectableViewElement(view, note), note_(note),
      handles_(view, note, 255, this, constantMode)
{
}

void VNote::UpdateShape()
{
    ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
    const zq::Rect r = note_.GetRect().Normalized();
    outline_.Clear();
    // A note made by the running change has no earlier drawing to keep: it is drawn as it is.
    if (!note_.IsInTransaction() || note_.IsNew()) {
        committedPos_ = note_.GetPos();
        committedSize_ = note_.GetSize();
        changed_ = false;
    } else if (!changed_ && (note_.GetPos() != committedPos_ || note_.GetSize() != committedSize_)) {
        changed_ = true;
    }
    if (changed_) {
        DrawMoveFeedback(canvas, outline_);
        NoteDrawnAsChanging();
        return;  // the text stays with the drawing as it was
    }
    DrawFull(canvas, r);
    // The text lies in the box: drawn where the box is now, also while a drag moves a copy.
    TextBlock::RedrawTextView(note_.GetText(), GetCanvasView());
}

void VNote::DrawFull(ICanvas::Canvas& canvas, const zq::Rect& r)
{
    shape_.Clear();
    const double x = r.left, y = r.top, w = r.Width(), h = r.Height();
    const double xf = std::max(x, x + w - Note::kFold), yf = std::max(y - h, y - double(Note::kFold));
    const Style::ElementStyleFill fill(note_);
    if (const ICanvas::LineStyle* style = fill.GetLineStyle())
        shape_.Add(canvas.CreateFilledPolygon({{xf, y}, {x + w, yf}, {x + w, y - h}, {x, y - h}, {x, y}}, *style,
                                              View::MakeAreaWeight(note_.GetSize())));
    const zq::float8Point lines[][2] = {{{x, y}, {xf, y}},         {{xf, y}, {x + w, yf}},   {{x + w, yf}, {x + w, y - h}},
                                        {{x + w, y - h}, {x, y - h}}, {{x, y - h}, {x, y}},     {{xf, y}, {xf, yf}},
                                        {{x + w, yf}, {xf, yf}}};
    for (const auto& l : lines) shape_.Add(canvas.CreateLine(l[0], l[1]));
    GraphUtil::AddCornerMarks(canvas, shape_, ToDouble(r), 1);
}

void VNote::DrawMoveFeedback(ICanvas::Canvas& canvas, ICanvas::Group& group) const
{
    const zq::Rect r = note_.GetRect().Normalized();
    group.Add(canvas.CreateDashedRect(ToDouble(r), 0));
    GraphUtil::AddCornerMarks(canvas, group, ToDouble(r), 0);
}

void VNote::UpdateMarks()
{
    if (changed_ && note_.IsInTransaction()) {
        NoteDrawnAsChanging();
        return;  // the handles stay as they were until the change is over
    }
    marks_.Clear();
    if (IsSelected()) handles_.Draw(GetCanvasView().GetCanvas(), marks_, true);
}

void VNote::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers)
{
    handlers.Add(CreateNoteConnectorCmdHandler(task));
}

std::unique_ptr<View::ICmdHandler> CreateNoteConnectorCmdHandler(View::IDefaultTask& task)
{
    // Drawn free by default (Ctrl draws elbows), and only onto an element a note may point at.
    Connector::CreateConnectorTask::Params params;
    params.elbowDefault = false;
    params.targets = &NoteConnectorTargets();
    return std::make_unique<Connector::CreateConnectorCmdHandler>(task, kNewConnectorCommand,
                                                                  NoteConnector::PartFactory(), params);
}

std::unique_ptr<View::ICmdHandler> CreateDependencyCmdHandler(View::IDefaultTask& task)
{
    static const Core::AttachFilter<Dependency::DependencyEnd> parties;
    Connector::CreateConnectorTask::Params params;
    params.sources = &parties;
    params.targets = &parties;
    return std::make_unique<Connector::CreateConnectorCmdHandler>(task, kNewDependencyCommand,
                                                                  Dependency::Dependency::PartFactory(), params);
}

void RegisterNoteViews()
{
    static const bool registered = [] {
        View::ModelElement::AddViewMaker(MakeView);
        return true;
    }();
    (void)registered;
}

} // namespace Note
