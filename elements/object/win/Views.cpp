#include "elements/object/win/Views.h"

#include "elements/note/win/Views.h"
#include "resources/resource.h"
#include "style/Clients.h"
#include "text/edit/AnchoredTextCmd.h"
#include "view/CanvasOrder.h"
#include "view/CanvasView.h"
#include "view/DefaultTask.h"
#include "view/connector/win/Commands.h"
#include "core/foundation/Cast.h"

namespace Object {

namespace {

constexpr unsigned kAllHandles = 255;

using ICanvas::ToDouble;

std::shared_ptr<Core::IViewElement> MakeView(Core::IModelElement& element, View::ICanvasView& view) {
  if (auto* o = zq::Cast<Object>(&element)) return std::make_shared<VObject>(view, *o);
  if (auto* c = zq::Cast<Compartment>(&element)) return std::make_shared<VObjectCompartment>(view, *c);
  if (auto* e = zq::Cast<LinkEnd>(&element)) return std::make_shared<VLinkEnd>(view, *e);
  if (auto* s = zq::Cast<LinkSegment>(&element)) return std::make_shared<VLinkSegment>(view, *s);
  if (auto* j = zq::Cast<LinkJoin>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
  if (auto* q = zq::Cast<Qualifier>(&element)) return std::make_shared<VQualifier>(view, *q);
  return nullptr;
}

// Runs one change of the task's model as one undo step.
template <class F>
void RunChange(View::IDefaultTask& task, F&& change) {
  task.TakeSelectionSnapshot();
  {
    Core::Env env = task.MakeEnv();
    change(env);
  }
  task.CommitPending(false);
}

}  // namespace

// ---- objects

VObject::VObject(View::ICanvasView& view, Object& object)
    : Core::IViewElement(view, object), VTextBox(view, object, kAllHandles), object_(object) {
  KeepDrawingWhileMoved();
}

void VObject::UpdateShape() {
  if (HoldsCommittedDrawing()) return;
  drawing_.Clear();
  if (object_.IsDeleted()) return;
  ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
  const zq::Rect r = object_.GetRect();
  const Style::ElementStyleFill fill(object_);
  if (fill.GetLineStyle())
    drawing_.Add(canvas.CreateFilledRect(ToDouble(r), *fill.GetLineStyle(), View::MakeAreaWeight(object_.GetSize())));
  drawing_.Add(canvas.CreateRect(ToDouble(r)));
  GraphUtil::AddCornerMarks(canvas, drawing_, ToDouble(r), 1);
  RedrawText(object_.GetText());
  // The compartment lies on the object and is placed by it: its line follows the object's changes.
  if (Compartment* c = object_.GetCompartment())
    if (auto* v = zq::Cast<View::SelectableViewElement>(c->FindViewElement(GetCanvasView()))) v->RequestUpdate();
  UpdateMarks();
}

unsigned VObject::GetMenuId() const { return IDR_MENU_OBJECT; }

void VObject::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  list.Add(std::make_unique<CreateCompartmentCmdHandler>(task, object_));
  list.Add(CreateLinkCmdHandler(task));
}

VQualifier::VQualifier(View::ICanvasView& view, Qualifier& qualifier)
    : Core::IViewElement(view, qualifier), ClassObject::VQualifier<Qualifier, Object>(view, qualifier) {
  KeepDrawingWhileMoved();
}

VObjectCompartment::VObjectCompartment(View::ICanvasView& view, Compartment& compartment)
    : Core::IViewElement(view, compartment), VCompartment(view, compartment), compartment_(compartment) {
  KeepDrawingWhileMoved();
}

void VObjectCompartment::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  if (compartment_.GetObject()) list.Add(CreateLinkCmdHandler(task));
}

unsigned VObjectCompartment::GetMenuId() const {
  return compartment_.GetObject() ? IDR_MENU_OBJECT : View::IContextMenu::kDefaultMenuId;
}

CreateCompartmentCmdHandler::CreateCompartmentCmdHandler(View::IDefaultTask& task, Object& object)
    : ICmdHandler(task), object_(object) {
  GetPlugs().Add(ID_NEW_COMPARTMENT, this, &CreateCompartmentCmdHandler::OnNewCompartment);
  UpdateCommands();
}

void CreateCompartmentCmdHandler::UpdateCommands() {
  GetPlugs().Enable(ID_NEW_COMPARTMENT, IsReady() && !object_.IsDeleted() && object_.GetCompartment() == nullptr);
}

void CreateCompartmentCmdHandler::OnNewCompartment(const Application::CommandMsg&) {
  View::IDefaultTask& task = GetTask();
  View::ViewContext& context = task.GetContext();
  context.view->ClearSelection(&task.GetSelectionTracker());
  RunChange(task, [&](Core::Env& env) {
    auto compartment = Compartment::Create(env, {0, 0});
    object_.AddCompartment(env, *compartment);
    compartment->SelectInView(*context.view, true, &task.GetSelectionTracker());
  });
  UpdateCommands();
}

// ---- link ends

VLinkEnd::VLinkEnd(View::ICanvasView& view, LinkEnd& end) : Core::IViewElement(view, end), VEnd(view, end), end_(end) {}

zq::float8Point VLinkEnd::DrawShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& from) {
  return ClassObject::DrawEndAdornment(canvas, group, end_.GetPoint(), from, end_.GetType(), end_.IsTraversed());
}

unsigned VLinkEnd::GetMenuId() const { return IDR_MENU_LINKEND; }

void VLinkEnd::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) {
  handlers.Add(std::make_unique<LinkEndCmdHandler>(task, end_));
  handlers.Add(std::make_unique<Text::CreateAnchoredTextCmdHandler>(task, ID_END_ROLE, end_, L"???"));
}

LinkEndCmdHandler::LinkEndCmdHandler(View::IDefaultTask& task, LinkEnd& end) : ICmdHandler(task), end_(end) {
  GetPlugs().Add(ID_LINKEND_DIRECT, this, &LinkEndCmdHandler::OnDirect);
  GetPlugs().Add(ID_LINKEND_AGGREGATION, this, &LinkEndCmdHandler::OnAggregation);
  GetPlugs().Add(ID_LINKEND_COMPOSITION, this, &LinkEndCmdHandler::OnComposition);
  GetPlugs().Add(ID_LINKEND_TRAVERSED, this, &LinkEndCmdHandler::OnTraversed);
  GetPlugs().Add(ID_LINKEND_QUALIFIER, this, &LinkEndCmdHandler::OnQualifier);
  UpdateCommands();
}

void LinkEndCmdHandler::UpdateCommands() {
  const bool ready = IsReady() && !end_.IsDeleted();
  const UINT types[] = {ID_LINKEND_DIRECT, ID_LINKEND_AGGREGATION, ID_LINKEND_COMPOSITION};
  for (int i = 0; i < 3; ++i) {
    GetPlugs().Enable(types[i], ready);
    GetPlugs().SetCheckState(types[i], end_.GetType() == i + 1 ? 2 : 0);
  }
  GetPlugs().Enable(ID_LINKEND_TRAVERSED, ready);
  GetPlugs().SetCheckState(ID_LINKEND_TRAVERSED, end_.IsTraversed() ? 1 : 0);
  // Removing a qualifier that belongs to no object could put the end nowhere: the entry is off then.
  const Qualifier* q = end_.GetQualifier();
  GetPlugs().Enable(ID_LINKEND_QUALIFIER, ready && (q == nullptr || q->GetObject() != nullptr));
  GetPlugs().SetCheckState(ID_LINKEND_QUALIFIER, q != nullptr ? 1 : 0);
}

void LinkEndCmdHandler::SetType(std::int32_t type) {
  RunChange(GetTask(), [&](Core::Env& env) { end_.SetType(env, type); });
  UpdateCommands();
}

void LinkEndCmdHandler::OnTraversed(const Application::CommandMsg&) {
  RunChange(GetTask(), [&](Core::Env& env) { end_.SetTraversed(env, !end_.IsTraversed()); });
  UpdateCommands();
}

void LinkEndCmdHandler::OnQualifier(const Application::CommandMsg&) {
  View::IDefaultTask& task = GetTask();
  if (Qualifier* q = end_.GetQualifier()) {
    Object* owner = q->GetObject();
    if (owner == nullptr) return;
    // The end goes back onto the object where its terminal puts it; a qualifier left without ends goes.
    Core::Env env = task.MakeEnv();
    ClassObject::MoveEndOntoOwner(env, *owner, end_, owner->TryAttach(env, &end_));
    if (q->GetLinkEnds().empty()) q->Delete(env);
  } else {
    View::ViewContext& context = task.GetContext();
    task.TakeSelectionSnapshot();
    context.view->ClearSelection(&task.GetSelectionTracker());
    Core::Env env = task.MakeEnv();
    InsertQualifierAtEnd(env, end_)->SelectInView(*context.view, true, &task.GetSelectionTracker());
  }
  task.CommitPending(false);
  UpdateCommands();
}

// ---- link segments

VLinkSegment::VLinkSegment(View::ICanvasView& view, LinkSegment& segment)
    : Core::IViewElement(view, segment), VSegment(view, segment), segment_(segment) {
  KeepDrawingWhileMoved();
}

unsigned VLinkSegment::GetMenuId() const { return IDR_MENU_LINKSEGMENT; }

void VLinkSegment::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) {
  handlers.Add(std::make_unique<Text::CreateAnchoredTextCmdHandler>(task, ID_NEW_ANCHOREDTEXT, segment_, L"<name?>"));
  VSegment::PrepareMenu(task, handlers);
}

// ---- creation

std::unique_ptr<View::ICmdHandler> CreateLinkCmdHandler(View::IDefaultTask& task) {
  static const Core::AttachFilter<LinkEnd> ends;
  Connector::CreateConnectorTask::Params params;
  params.sources = &ends;
  params.targets = &ends;
  return std::make_unique<Connector::CreateConnectorCmdHandler>(task, ID_NEW_LINK, Link::PartFactory(), params);
}

void RegisterObjectViews() {
  static const bool registered = [] {
    View::ModelElement::AddViewMaker(MakeView);
    return true;
  }();
  (void)registered;
}

}  // namespace Object
