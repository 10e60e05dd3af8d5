#include "elements/note/win/Views.h"

#include "text/edit/AnchoredTextCmd.h"
#include "view/CmdHandler.h"
#include "view/Shapes.h"
#include "view/connector/win/Commands.h"

namespace Note {

namespace {
int constantMode = 0;  // notes resize freely

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
class VDependencySegment : public Connector::VSegment {
public:
    VDependencySegment(View::ICanvasView& view, Dependency::DependencySegment& segment)
        : Core::IViewElement(view, segment), VSegment(view, segment), segment_(segment) {}
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
    if (auto* note = dynamic_cast<Note*>(&element)) return std::make_shared<VNote>(view, *note);
    if (auto* s = dynamic_cast<Dependency::DependencySegment*>(&element))
        return std::make_shared<VDependencySegment>(view, *s);
    if (auto* e = dynamic_cast<Dependency::DependencyEnd*>(&element)) return std::make_shared<VDependencyEnd>(view, *e);
    if (auto* j = dynamic_cast<Dependency::DependencyJoin*>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
    if (auto* s = dynamic_cast<NoteConnectorSegment*>(&element)) return std::make_shared<Connector::VSegment>(view, *s);
    if (auto* e = dynamic_cast<NoteConnectorEnd*>(&element)) return std::make_shared<Connector::VEnd>(view, *e);
    if (auto* j = dynamic_cast<NoteConnectorJoin*>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
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
    shape_.Clear();
    ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
    const zq::Point pos = note_.GetPos(), size = note_.GetSize();
    const double x = pos.x, y = pos.y, w = size.x, h = size.y;
    const double xf = std::max(x, x + w - Note::kFold), yf = std::max(y - h, y - double(Note::kFold));
    const zq::float8Point lines[][2] = {{{x, y}, {xf, y}},         {{xf, y}, {x + w, yf}},   {{x + w, yf}, {x + w, y - h}},
                                        {{x + w, y - h}, {x, y - h}}, {{x, y - h}, {x, y}},     {{xf, y}, {xf, yf}},
                                        {{x + w, yf}, {xf, yf}}};
    for (const auto& l : lines) shape_.Add(canvas.CreateLine(l[0], l[1]));
}

void VNote::UpdateMarks()
{
    marks_.Clear();
    if (IsSelected()) handles_.Draw(GetCanvasView().GetCanvas(), marks_, true);
}

void VNote::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers)
{
    handlers.Add(std::make_unique<Connector::CreateConnectorCmdHandler>(task, kNewConnectorCommand,
                                                                        NoteConnector::PartFactory()));
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
