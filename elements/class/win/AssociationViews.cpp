#include "elements/class/win/AssociationViews.h"

#include "elements/class/Class.h"
#include "elements/classobject/QualifierMove.h"
#include "elements/note/win/Views.h"
#include "resources/resource.h"
#include "style/Clients.h"
#include "text/edit/AnchoredTextCmd.h"
#include "view/CanvasOrder.h"
#include "view/CanvasView.h"
#include "view/DefaultTask.h"
#include "view/Shapes.h"
#include "view/connector/win/Commands.h"

namespace Class {

namespace {
int constantMode = 0;  // qualifiers resize freely

// The diamond's length and width, and the arrow head's.
constexpr double kDiamondLength = 600, kDiamondWidth = 300, kArrowLength = 700, kArrowWidth = 260;

using ICanvas::ToDouble;

std::shared_ptr<Core::IViewElement> MakeView(Core::IModelElement& element, View::ICanvasView& view) {
  if (auto* e = dynamic_cast<AssocEnd*>(&element)) return std::make_shared<VAssocEnd>(view, *e);
  if (auto* s = dynamic_cast<AssocSegment*>(&element)) return std::make_shared<VAssocSegment>(view, *s);
  if (auto* j = dynamic_cast<AssocJoin*>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
  if (auto* q = dynamic_cast<Qualifier*>(&element)) return std::make_shared<VQualifier>(view, *q);
  return nullptr;
}
}  // namespace

zq::float8Point DrawEndAdornment(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& p,
                                 const zq::float8Point& q, std::int32_t type, bool traversed) {
  zq::float8Point start = p;
  if (type == ClassObject::EndType::Aggregation || type == ClassObject::EndType::Composition) {
    const View::DiamondShape diamond(canvas, group, p, q, kDiamondLength, kDiamondWidth,
                                     type == ClassObject::EndType::Composition);
    start = diamond.GetFar();
  }
  if (traversed) View::ArrowShape(canvas, group, start, q, kArrowLength, kArrowWidth, 1);
  return start;
}

// ---- ends

VAssocEnd::VAssocEnd(View::ICanvasView& view, AssocEnd& end)
    : Core::IViewElement(view, end), VEnd(view, end), end_(end) {}

zq::float8Point VAssocEnd::DrawShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& from) {
  return DrawEndAdornment(canvas, group, end_.GetPoint(), from, end_.GetType(), end_.IsTraversed());
}

unsigned VAssocEnd::GetMenuId() const { return IDR_MENU_ASSOCEND; }

void VAssocEnd::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) {
  handlers.Add(std::make_unique<AssocEndCmdHandler>(task, end_));
  handlers.Add(std::make_unique<Text::CreateAnchoredTextCmdHandler>(task, ID_END_MULTIPLICITY1, end_, L"1"));
  handlers.Add(std::make_unique<Text::CreateAnchoredTextCmdHandler>(task, ID_END_MULTIPLICITYMANY, end_, L"*"));
  handlers.Add(std::make_unique<Text::CreateAnchoredTextCmdHandler>(task, ID_END_ROLE, end_, L"<role?>"));
}

AssocEndCmdHandler::AssocEndCmdHandler(View::IDefaultTask& task, AssocEnd& end) : ICmdHandler(task), end_(end) {
  GetPlugs().Add(ID_END_DIRECT, this, &AssocEndCmdHandler::OnDirect);
  GetPlugs().Add(ID_END_AGGREGATION, this, &AssocEndCmdHandler::OnAggregation);
  GetPlugs().Add(ID_END_COMPOSITION, this, &AssocEndCmdHandler::OnComposition);
  GetPlugs().Add(ID_END_TRAVERSED, this, &AssocEndCmdHandler::OnTraversed);
  GetPlugs().Add(ID_END_QUALIFIER, this, &AssocEndCmdHandler::OnQualifier);
  UpdateCommands();
}

void AssocEndCmdHandler::UpdateCommands() {
  const bool ready = IsReady() && !end_.IsDeleted();
  const UINT kinds[] = {ID_END_DIRECT, ID_END_AGGREGATION, ID_END_COMPOSITION};
  for (int i = 0; i < 3; ++i) {
    GetPlugs().Enable(kinds[i], ready);
    GetPlugs().SetCheckState(kinds[i], end_.GetType() == i + 1 ? 2 : 0);
  }
  GetPlugs().Enable(ID_END_TRAVERSED, ready);
  GetPlugs().SetCheckState(ID_END_TRAVERSED, end_.IsTraversed() ? 1 : 0);
  GetPlugs().Enable(ID_END_QUALIFIER, ready);
  GetPlugs().SetCheckState(ID_END_QUALIFIER, end_.GetQualifier() != nullptr ? 1 : 0);
}

void AssocEndCmdHandler::SetKind(AssocEndType type) {
  View::IDefaultTask& task = GetTask();
  task.TakeSelectionSnapshot();
  {
    Core::Env env = task.MakeEnv();
    end_.SetKind(env, type);
  }
  task.CommitPending(false);
  UpdateCommands();
}

void AssocEndCmdHandler::OnTraversed(const Application::CommandMsg&) {
  View::IDefaultTask& task = GetTask();
  task.TakeSelectionSnapshot();
  {
    Core::Env env = task.MakeEnv();
    end_.SetTraversed(env, !end_.IsTraversed());
  }
  task.CommitPending(false);
  UpdateCommands();
}

void AssocEndCmdHandler::OnQualifier(const Application::CommandMsg&) {
  View::IDefaultTask& task = GetTask();
  View::ViewContext& context = task.GetContext();
  task.TakeSelectionSnapshot();
  if (Qualifier* q = end_.GetQualifier()) {
    Core::Env env = task.MakeEnv();
    if (q->GetClass() == nullptr) end_.DetachFromTerminal(env, q, false);
    q->Delete(env);
  } else {
    context.view->ClearSelection(&task.GetSelectionTracker());
    Core::Env env = task.MakeEnv();
    Qualifier::CreateAtEnd(env, end_)->SelectInView(*context.view, true, &task.GetSelectionTracker());
  }
  task.CommitPending(false);
  UpdateCommands();
}

// ---- segments

VAssocSegment::VAssocSegment(View::ICanvasView& view, AssocSegment& segment)
    : Core::IViewElement(view, segment), VSegment(view, segment), segment_(segment) {}

unsigned VAssocSegment::GetMenuId() const { return IDR_MENU_ASSOCSEGMENT; }

void VAssocSegment::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) {
  handlers.Add(std::make_unique<Text::CreateAnchoredTextCmdHandler>(task, ID_NEW_ANCHOREDTEXT, segment_, L"<name?>"));
  handlers.Add(Note::CreateDependencyCmdHandler(task));
  VSegment::PrepareMenu(task, handlers);
}

// ---- qualifiers

VQualifier::VQualifier(View::ICanvasView& view, Qualifier& qualifier)
    : Core::IViewElement(view, qualifier), View::SelectableViewElement(view, qualifier), qualifier_(qualifier),
      handles_(view, qualifier, 255, this, constantMode) {}

void VQualifier::UpdateShape() {
  shape_.Clear();
  if (qualifier_.IsDeleted()) return;
  ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
  const zq::Rect r = qualifier_.GetRect();
  const Style::ElementStyleFill fill(qualifier_);
  if (fill.GetLineStyle())
    shape_.Add(canvas.CreateFilledRect(ToDouble(r), *fill.GetLineStyle(), View::MakeAreaWeight(qualifier_.GetSize())));
  shape_.Add(canvas.CreateRect(ToDouble(r)));
  UpdateMarks();
}

void VQualifier::UpdateMarks() {
  marks_.Clear();
  if (qualifier_.IsInTransaction()) return;
  handles_.SetEnabledMask(qualifier_.ComputeHandleMask());
  if (IsSelected()) handles_.Draw(GetCanvasView().GetCanvas(), marks_, qualifier_.GetClass() != nullptr);
}

namespace {
// The drag of a qualifier on its own: it keeps to the border of the class near the pointer, marks
// that class's corners, and belongs to it at the drop.
class QualifierDrag : public View::IMoveController {
 public:
  QualifierDrag(View::ViewContext& context, const Core::DeferredShiftSet& set, Qualifier& qualifier)
      : canvas_(context.canvas), controller_(*context.diagram, set, qualifier) {}
  void Restrict(const zq::Point& grab, zq::Point& point) override {
    point = zq::RoundPoint(controller_.Restrict(ToDouble(grab), ToDouble(point)));
    DrawCornerMarks();
  }
  void Finish(Core::Env& env) override {
    feedback_.Clear();
    controller_.Finish(env);
  }

 private:
  void DrawCornerMarks() {
    feedback_.Clear();
    const Class* candidate = controller_.GetCandidate();
    if (candidate == nullptr || canvas_ == nullptr) return;
    for (const auto& [from, to] : ClassObject::CornerMarks(candidate->GetRect()))
      feedback_.Add(canvas_->CreateDashedLine(ToDouble(from), ToDouble(to), 0));
  }

  ICanvas::Canvas* canvas_;
  ClassObject::QualifierMoveController<Qualifier, Class> controller_;
  ICanvas::Group feedback_;
};
}  // namespace

View::MoveControllerPtr VQualifier::CreateMoveController(View::ViewContext& context, Core::DeferredShiftSet& set) {
  const Class* owner = qualifier_.GetClass();
  if ((owner != nullptr && set.IsShifted(owner)) || context.diagram == nullptr) return View::MakeNullMoveController();
  return std::make_shared<QualifierDrag>(context, set, qualifier_);
}

// ---- commands of the class menu

std::unique_ptr<View::ICmdHandler> CreateAssocCmdHandler(View::IDefaultTask& task) {
  static const Core::AttachFilter<AssocEnd> ends;
  Connector::CreateConnectorTask::Params params;
  params.sources = &ends;
  params.targets = &ends;
  return std::make_unique<Connector::CreateConnectorCmdHandler>(task, ID_NEW_ASSOCIATION, Assoc::PartFactory(), params);
}

void RegisterAssociationViews() {
  static const bool registered = [] {
    View::ModelElement::AddViewMaker(MakeView);
    return true;
  }();
  (void)registered;
}

}  // namespace Class
