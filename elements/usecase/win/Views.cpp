#include "elements/usecase/win/Views.h"

#include "elements/class/win/GeneralizationViews.h"
#include "elements/note/Dependency.h"
#include "elements/usecase/Association.h"
#include "elements/usecase/Generalization.h"
#include "view/CanvasOrder.h"
#include "view/CanvasView.h"
#include "view/connector/win/Commands.h"
#include "view/connector/win/Views.h"
#include "core/foundation/Cast.h"

#include <algorithm>

namespace UseCase {

namespace {

// The four corner handles.
constexpr unsigned kCornerHandles = 170;

using ICanvas::ToDouble;

std::shared_ptr<Core::IViewElement> MakeView(Core::IModelElement& element, View::ICanvasView& view) {
  if (auto* a = zq::Cast<Actor>(&element)) return std::make_shared<VActor>(view, *a);
  if (auto* u = zq::Cast<UseCase>(&element)) return std::make_shared<VUseCase>(view, *u);
  if (auto* s = zq::Cast<System>(&element)) return std::make_shared<VSystem>(view, *s);
  if (auto* e = zq::Cast<AssocEnd>(&element)) return std::make_shared<Connector::VEnd>(view, *e);
  if (auto* s = zq::Cast<AssocSegment>(&element)) return std::make_shared<Connector::VSegment>(view, *s);
  if (auto* j = zq::Cast<AssocJoin>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
  if (auto* e = zq::Cast<GeneralizationEnd>(&element)) return std::make_shared<Class::VGeneralizationEnd>(view, *e);
  if (auto* s = zq::Cast<GeneralizationSegment>(&element)) return std::make_shared<Connector::VSegment>(view, *s);
  if (auto* j = zq::Cast<GeneralizationJoin>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
  return nullptr;
}

// Connector creation from the element the menu was opened on, in the plain drawing mode.
std::unique_ptr<View::ICmdHandler> MakeCreateCmd(View::IDefaultTask& task, UINT command, Connector::IFactory& factory,
                                                 const Core::IFilter& sources, const Core::IFilter& targets) {
  Connector::CreateConnectorTask::Params params;
  params.elbowDefault = false;
  params.sources = &sources;
  params.targets = &targets;
  return std::make_unique<Connector::CreateConnectorCmdHandler>(task, command, factory, params);
}

std::unique_ptr<View::ICmdHandler> MakeDependencyCmd(View::IDefaultTask& task, UINT command) {
  static const Core::Filter<UseCase> useCases;
  return MakeCreateCmd(task, command, Dependency::Dependency::PartFactory(), useCases, useCases);
}

}  // namespace

// ---- VActor

zq::Rect ActorFigureFrame(const zq::Point& pos, const zq::Point& size) {
  const std::int32_t side = std::min<std::int32_t>(200, size.x / 4), end = std::min<std::int32_t>(100, size.y / 4);
  return {pos.x + side, pos.y - end, pos.x + size.x - side, pos.y - size.y + end};
}

VActor::VActor(View::ICanvasView& view, Actor& actor)
    : Core::IViewElement(view, actor), VTextBox(view, actor, kCornerHandles), actor_(actor) {}

void VActor::UpdateShape() {
  drawing_.Clear();
  if (actor_.IsDeleted()) return;
  ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
  const zq::Point pos = actor_.GetPos(), size = actor_.GetSize();
  GraphUtil::AddEdgeCenterMarks(canvas, drawing_, ToDouble(actor_.GetRect()), 1);
  const zq::Rect frame = ActorFigureFrame(pos, size);
  const std::int32_t x = frame.left, y = frame.top, w = frame.right - frame.left, h = frame.top - frame.bottom;
  const std::int32_t bottom = frame.bottom, r = h / 10, cx = x + w / 2;
  const std::int32_t hip = y - h + h / 3, arms = y - h / 3;
  auto line = [&](std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    drawing_.Add(canvas.CreateLine({double(x1), double(y1)}, {double(x2), double(y2)}));
  };
  drawing_.Add(canvas.CreateEllipse({double(cx - r), double(y), double(cx + r), double(y - 2 * r)}));
  line(cx, y - 2 * r, cx, hip);
  line(x, bottom, cx, hip);
  line(x + w, bottom, cx, hip);
  line(x, arms, x + 2 * (w / 2), arms);
  RedrawText(actor_.GetText());
  UpdateMarks();
}

void VActor::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) { list.Add(CreateAssocCmdHandler(task)); }

void VActor::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&) {
  if (actor_.IsDeleted()) return;
  GraphUtil::AddEdgeCenterMarks(canvas, group, ToDouble(actor_.GetRect()), 0);
  std::vector<zq::Point> outline;
  actor_.GetOutline(outline, false);
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const zq::Point& a = outline[i];
    const zq::Point& b = outline[(i + 1) % outline.size()];
    group.Add(canvas.CreateDashedLine({double(a.x), double(a.y)}, {double(b.x), double(b.y)}, 1));
  }
}

// ---- VUseCase

VUseCase::VUseCase(View::ICanvasView& view, UseCase& useCase)
    : Core::IViewElement(view, useCase), VTextBox(view, useCase, kCornerHandles), useCase_(useCase) {}

void VUseCase::UpdateShape() {
  drawing_.Clear();
  if (useCase_.IsDeleted()) return;
  ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
  const ICanvas::DoubleRect r = ToDouble(useCase_.GetRect());
  drawing_.Add(canvas.CreateEllipse(r));
  GraphUtil::AddEdgeCenterMarks(canvas, drawing_, r, 1);
  const Style::ElementStyleFill fill(useCase_);
  if (fill.GetLineStyle())
    drawing_.Add(canvas.CreateFilledEllipse(r, *fill.GetLineStyle(), View::MakeAreaWeight(useCase_.GetSize())));
  RedrawText(useCase_.GetText());
  UpdateMarks();
}

void VUseCase::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  list.Add(CreateGeneralizationCmdHandler(task));
  list.Add(CreateExtendCmdHandler(task));
  list.Add(CreateIncludeCmdHandler(task));
}

void VUseCase::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&) {
  if (useCase_.IsDeleted()) return;
  const ICanvas::DoubleRect r = ToDouble(useCase_.GetRect());
  group.Add(canvas.CreateMarkerEllipse(r, 1));
  GraphUtil::AddEdgeCenterMarks(canvas, group, r, 0);
}

// ---- VSystem

VSystem::VSystem(View::ICanvasView& view, System& system)
    : Core::IViewElement(view, system), VTextBox(view, system, kCornerHandles), system_(system) {}

void VSystem::UpdateShape() {
  drawing_.Clear();
  if (system_.IsDeleted()) return;
  ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
  const ICanvas::DoubleRect r = ToDouble(system_.GetRect());
  drawing_.Add(canvas.CreateRect(r));
  GraphUtil::AddCornerMarks(canvas, drawing_, r, 1);
  const Style::ElementStyleFill fill(system_);
  if (fill.GetLineStyle())
    drawing_.Add(canvas.CreateFilledRect(r, *fill.GetLineStyle(), View::MakeAreaWeight(system_.GetSize())));
  RedrawText(system_.GetText());
  UpdateMarks();
}

// ---- commands

std::unique_ptr<View::ICmdHandler> CreateAssocCmdHandler(View::IDefaultTask& task) {
  static const Core::Filter<Actor> actors;
  return MakeCreateCmd(task, kNewAssocCommand, Assoc::PartFactory(), actors, AssocTargets());
}

std::unique_ptr<View::ICmdHandler> CreateGeneralizationCmdHandler(View::IDefaultTask& task) {
  static const Core::Filter<UseCase> useCases;
  static const Core::AttachFilter<GeneralizationEnd> targets;
  return MakeCreateCmd(task, kNewGeneralizationCommand, Generalization::PartFactory(), useCases, targets);
}

std::unique_ptr<View::ICmdHandler> CreateExtendCmdHandler(View::IDefaultTask& task) {
  return MakeDependencyCmd(task, kNewExtendCommand);
}

std::unique_ptr<View::ICmdHandler> CreateIncludeCmdHandler(View::IDefaultTask& task) {
  return MakeDependencyCmd(task, kNewIncludeCommand);
}

void RegisterUseCaseViews() {
  static const bool registered = [] {
    View::ModelElement::AddViewMaker(MakeView);
    return true;
  }();
  (void)registered;
}

}  // namespace UseCase
