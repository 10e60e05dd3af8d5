#include "elements/class/win/ClassViews.h"
#include "elements/class/win/CompartmentDrag.h"
#include "elements/class/win/AssocClassViews.h"
#include "elements/class/win/GeneralizationViews.h"

#include "elements/class/win/AssociationViews.h"

#include "elements/note/win/Views.h"
#include "resources/resource.h"
#include "style/Clients.h"
#include "text/edit/AnchoredTextCmd.h"
#include "text/edit/TextView.h"
#include "view/CanvasOrder.h"
#include "view/CanvasView.h"
#include "view/DefaultTask.h"
#include "core/foundation/Cast.h"

namespace Class {

namespace {

constexpr unsigned kAllHandles = 255;

using ICanvas::ToDouble;

}  // namespace

// ---- VClass

VClass::VClass(View::ICanvasView& view, Class& c)
    : Core::IViewElement(view, c), VTextBox(view, c, kAllHandles), class_(c) {}

void VClass::UpdateShape() {
  if (class_.IsDeleted()) {
    drawing_.Clear();
    return;
  }
  const Style::ElementStyleFill fill(class_);
  TemplateParameters* box = class_.GetTemplateParameters();
  // With a template-parameters box the drawing depends on the box's size too: drawn anew.
  const std::uint64_t key = box ? 0 : ::Compartment::FillKey(fill.GetLineStyle());
  drawing_.Update(class_, key, [&](ICanvas::Group& drawing) { Draw(drawing, fill, box); });
  RedrawText(class_.GetText());
  // The compartments lie on the class and are placed by it: their lines follow its changes (a view
  // element's model update only queues it, and needs no cast to reach).
  for (Compartment* c = class_.GetFirstCompartment(); c; c = c->GetNext())
    if (Core::IViewElement* v = c->FindViewElement(GetCanvasView())) v->Update(nullptr);
  UpdateMarks();
}

void VClass::Draw(ICanvas::Group& drawing, const Style::ElementStyleFill& fill, TemplateParameters* box) {
  ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
  const zq::Rect r = class_.GetRect();
  GraphUtil::AddCornerMarks(canvas, drawing, ToDouble(r), 1);
  if (!box) {
    if (fill.GetLineStyle())
      drawing.Add(canvas.CreateFilledRect(ToDouble(r), *fill.GetLineStyle(), View::MakeAreaWeight(class_.GetSize())));
    drawing.Add(canvas.CreateRect(ToDouble(r)));
  } else {
    const zq::Rect t = box->GetRect();
    if (fill.GetLineStyle()) {
      const auto key = View::MakeAreaWeight(class_.GetSize() + box->GetSize());
      drawing.Add(canvas.CreateFilledRect(ToDouble(r), *fill.GetLineStyle(), key));
      drawing.Add(canvas.CreateFilledRect(ToDouble(t), *fill.GetLineStyle(), key));
    }
    drawing.Add(canvas.CreateDashedRect(ToDouble(t), 0));
    // The class's outline leaves out what the box covers of its top and right edges.
    auto line = [&](double x0, double y0, double x1, double y1) { drawing.Add(canvas.CreateLine({x0, y0}, {x1, y1})); };
    line(r.left, r.top, t.left, r.top);
    line(r.right, t.bottom, r.right, r.bottom);
    line(r.right, r.bottom, r.left, r.bottom);
    line(r.left, r.bottom, r.left, r.top);
    if (Core::IViewElement* v = box->FindViewElement(GetCanvasView())) v->Update(nullptr);  // queued
  }
}

void VClass::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&) {
  if (class_.IsDeleted()) return;
  const zq::Rect r = class_.GetRect();
  GraphUtil::AddCornerMarks(canvas, group, ToDouble(r), 0);
  const TemplateParameters* box = class_.GetTemplateParameters();
  if (!box) {
    group.Add(canvas.CreateDashedRect(ToDouble(r), 1));
    return;
  }
  // The outline of both boxes together, from the class's top-left corner clockwise.
  const zq::Rect t = box->GetRect();
  const zq::Point path[] = {{r.left, r.top},     {t.left, r.top},     {t.left, t.top},      {t.right, t.top},
                            {t.right, t.bottom}, {r.right, t.bottom}, {r.right, r.bottom}, {r.left, r.bottom}};
  for (std::size_t i = 0; i < std::size(path); ++i)
    group.Add(canvas.CreateDashedLine(ToDouble(path[i]), ToDouble(path[(i + 1) % std::size(path)]), 1));
}

void VClass::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  CreateCmdHandlers(class_, task, list, nullptr);
}

// ---- VClassCompartment

VClassCompartment::VClassCompartment(View::ICanvasView& view, Compartment& compartment)
    : Core::IViewElement(view, compartment), VCompartment(view, compartment), compartment_(compartment) {}

void VClassCompartment::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  if (Class* owner = compartment_.GetClass()) CreateCmdHandlers(*owner, task, list, &compartment_);
}

unsigned VClassCompartment::GetMenuId() const {
  return compartment_.GetClass() ? kClassMenuId : View::IContextMenu::kDefaultMenuId;
}

View::SubTaskPtr VClassCompartment::CreateMoveTask(View::ICanvasView& view, View::ITask& parent,
                                                   const zq::Point& point, int button, Core::IModelElement* element) {
  if (!element) element = &TopOfSelectedRun(compartment_, view);
  return VCompartment::CreateMoveTask(view, parent, point, button, element);
}

View::MoveControllerPtr VClassCompartment::CreateMoveController(View::ViewContext& context,
                                                                Core::DeferredShiftSet& set) {
  return ::Compartment::MakeCompartmentController<CompartmentMoveController>(context, set, compartment_);
}

// ---- VTemplateParameters

namespace {
constexpr unsigned kNorthAndWest = 5;
}  // namespace

VTemplateParameters::VTemplateParameters(View::ICanvasView& view, TemplateParameters& box)
    : Core::IViewElement(view, box), VTextBox(view, box, kNorthAndWest), box_(box) {}

void VTemplateParameters::UpdateShape() {
  RedrawText(box_.GetText());
  UpdateMarks();
}

void VTemplateParameters::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group,
                                        const Core::DeferredShiftSet& set) {
  auto* owner = zq::Cast<Class>(box_.GetTemplateOwner());
  if (owner && set.MovesOrDefers(owner)) return;
  VTextBox::DrawMoveImage(canvas, group, set);
}

void VTemplateParameters::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  if (auto* owner = zq::Cast<Class>(box_.GetTemplateOwner())) CreateCmdHandlers(*owner, task, list, nullptr);
}

// ---- commands

void CreateCmdHandlers(Class& c, View::IDefaultTask& task, View::CmdHandlerList& list, Compartment* compartment) {
  list.Add(CreateAssocCmdHandler(task));
  list.Add(std::make_unique<ClassCmdHandler>(task, c));
  list.Add(std::make_unique<CreateCompartmentCmdHandler>(task, c, compartment));
  list.Add(Note::CreateDependencyCmdHandler(task));
  list.Add(std::make_unique<::Text::CreateAnchoredTextCmdHandler>(task, ID_NEW_ANCHOREDTEXT, c, L"{<?>}"));
  list.Add(CreateGeneralizationCmdHandler(task));
  list.Add(CreateAssocClassConnectorCmdHandler(task));
}

ClassCmdHandler::ClassCmdHandler(View::IDefaultTask& task, Class& c) : ICmdHandler(task), class_(c) {
  GetPlugs().Add(ID_CLASS_ABSTRACT, this, &ClassCmdHandler::OnAbstract);
  GetPlugs().Add(ID_CLASS_TEMPLATE, this, &ClassCmdHandler::OnTemplate);
  UpdateCommands();
}

void ClassCmdHandler::UpdateCommands() {
  const bool ready = IsReady() && !class_.IsDeleted();
  GetPlugs().Enable(ID_CLASS_ABSTRACT, ready);
  GetPlugs().SetCheckState(ID_CLASS_ABSTRACT, class_.IsAbstract() ? 1 : 0);
  GetPlugs().Enable(ID_CLASS_TEMPLATE, ready);
  GetPlugs().SetCheckState(ID_CLASS_TEMPLATE, class_.GetTemplateParameters() ? 1 : 0);
}

void ClassCmdHandler::OnTemplate(const Application::CommandMsg&) {
  View::IDefaultTask& task = GetTask();
  View::ViewContext& context = task.GetContext();
  task.TakeSelectionSnapshot();
  if (TemplateParameters* box = class_.GetTemplateParameters()) {
    Core::Env env = task.MakeEnv();
    box->Delete(env);
  } else {
    context.view->ClearSelection(&task.GetSelectionTracker());
    Core::Env env = task.MakeEnv();
    class_.CreateTemplateParameters(env).SelectInView(*context.view, true, &task.GetSelectionTracker());
  }
  task.CommitPending(false);
  UpdateCommands();
}

void ClassCmdHandler::OnAbstract(const Application::CommandMsg&) {
  View::IDefaultTask& task = GetTask();
  task.TakeSelectionSnapshot();
  Core::Env env = task.MakeEnv();
  class_.SetAbstract(env, !class_.IsAbstract());
  task.CommitPending(false);
  UpdateCommands();
}

CreateCompartmentCmdHandler::CreateCompartmentCmdHandler(View::IDefaultTask& task, Class& c, Compartment* after)
    : ICmdHandler(task), class_(c), after_(after) {
  GetPlugs().Add(ID_NEW_COMPARTMENT, this, &CreateCompartmentCmdHandler::OnNewCompartment);
  UpdateCommands();
}

void CreateCompartmentCmdHandler::UpdateCommands() {
  GetPlugs().Enable(ID_NEW_COMPARTMENT, IsReady() && !class_.IsDeleted());
}

void CreateCompartmentCmdHandler::OnNewCompartment(const Application::CommandMsg&) {
  View::IDefaultTask& task = GetTask();
  View::ViewContext& context = task.GetContext();
  task.TakeSelectionSnapshot();
  context.view->ClearSelection(&task.GetSelectionTracker());
  Core::Env env = task.MakeEnv();
  auto compartment = Compartment::Create(env, {0, 0});
  class_.InsertCompartment(env, *compartment, after_, false);
  compartment->SelectInView(*context.view, true, &task.GetSelectionTracker());
  task.CommitPending(false);
}

// ---- registration

void RegisterClassViews() {
  static const bool registered = [] {
    View::ModelElement::AddViewMaker(
        [](Core::IModelElement& element, View::ICanvasView& view) -> std::shared_ptr<Core::IViewElement> {
          if (auto* c = zq::Cast<Class>(&element)) return std::make_shared<VClass>(view, *c);
          if (auto* k = zq::Cast<Compartment>(&element)) return std::make_shared<VClassCompartment>(view, *k);
          if (auto* t = zq::Cast<TemplateParameters>(&element)) return std::make_shared<VTemplateParameters>(view, *t);
          return nullptr;
        });
    return true;
  }();
  (void)registered;
}

}  // namespace Class
