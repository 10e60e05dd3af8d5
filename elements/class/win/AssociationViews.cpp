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
#include "core/foundation/Cast.h"

namespace Class {

namespace {
std::shared_ptr<Core::IViewElement> MakeView(Core::IModelElement& element, View::ICanvasView& view) {
  if (auto* e = zq::Cast<AssocEnd>(&element)) return std::make_shared<VAssocEnd>(view, *e);
  if (auto* s = zq::Cast<AssocSegment>(&element)) return std::make_shared<VAssocSegment>(view, *s);
  if (auto* j = zq::Cast<AssocJoin>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
  if (auto* q = zq::Cast<Qualifier>(&element)) return std::make_shared<VQualifier>(view, *q);
  return nullptr;
}
}  // namespace

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
