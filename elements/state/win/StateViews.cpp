#include "elements/state/win/StateViews.h"

#include "text/edit/AnchoredTextCmd.h"
#include "text/edit/TextView.h"
#include "view/CanvasOrder.h"
#include "view/CanvasView.h"
#include "view/DefaultTask.h"
#include "view/Shapes.h"
#include "view/connector/win/Commands.h"
#include "view/connector/win/Views.h"
#include "core/foundation/Cast.h"

namespace State {

namespace {

constexpr unsigned kAllHandles = 255;
constexpr double kCorner = 2.0 * State::kCornerRadius;  // the corner ellipse's width and height

using ICanvas::ToDouble;

zq::Rect InitialRect(const Core::IModelElement& e) { return dynamic_cast<const InitialState&>(e).GetRect(); }
zq::Rect FinalRect(const Core::IModelElement& e) { return dynamic_cast<const FinalState&>(e).GetRect(); }

// The selection mark of a point: 102 while the view hides its selection, else the given kind.
void AddMark(View::ICanvasView& view, ICanvas::Group& group, const zq::Point& p, int kind) {
  group.Add(view.GetCanvas().CreatePicture(zq::float8Point(p.x, p.y), view.IsSelectionVisible() ? kind : 102));
}

// The target end of a transition draws the open arrow head; the line stops at its tip.
class VTransitionEnd : public Connector::VEnd {
 public:
  VTransitionEnd(View::ICanvasView& view, TransitionEnd& end) : Core::IViewElement(view, end), VEnd(view, end) {}
  zq::float8Point DrawShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& from) override {
    auto& end = dynamic_cast<TransitionEnd&>(*GetModelElement());
    if (end.GetType() != TransitionEndType::Target) return VEnd::DrawShape(canvas, group, from);
    View::ArrowShape(canvas, group, end.GetPoint(), from, 700, 260, 1);
    return end.GetPoint();
  }
};

// A transition segment: menu 133 with "New Te&xt" and "Keep &Orthogonal"; like the states, it keeps
// its line while a drag moves its ends.
class VTransitionSegment : public Connector::VSegment {
 public:
  VTransitionSegment(View::ICanvasView& view, TransitionSegment& segment)
      : Core::IViewElement(view, segment), VSegment(view, segment), segment_(segment) {
    KeepDrawingWhileMoved();
  }
  unsigned GetMenuId() const override { return kTransitionSegmentMenuId; }
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override {
    VSegment::PrepareMenu(task, handlers);
    handlers.Add(std::make_unique<::Text::CreateAnchoredTextCmdHandler>(task, ID_NEW_ANCHOREDTEXT, segment_, L"<name?>"));
  }

 private:
  TransitionSegment& segment_;
};

std::shared_ptr<Core::IViewElement> MakeView(Core::IModelElement& element, View::ICanvasView& view) {
  if (auto* s = zq::Cast<State>(&element)) return std::make_shared<VState>(view, *s);
  if (auto* c = zq::Cast<Compartment>(&element)) return std::make_shared<VStateCompartment>(view, *c);
  if (auto* i = zq::Cast<InitialState>(&element)) return std::make_shared<VPseudoState>(view, *i, &InitialRect, false);
  if (auto* f = zq::Cast<FinalState>(&element)) return std::make_shared<VPseudoState>(view, *f, &FinalRect, true);
  if (auto* r = zq::Cast<RegionSeparator>(&element)) return std::make_shared<VRegionSeparator>(view, *r);
  if (auto* s = zq::Cast<TransitionSegment>(&element)) return std::make_shared<VTransitionSegment>(view, *s);
  if (auto* e = zq::Cast<TransitionEnd>(&element)) return std::make_shared<VTransitionEnd>(view, *e);
  if (auto* j = zq::Cast<TransitionJoin>(&element)) return std::make_shared<Connector::VJoin>(view, *j);
  return nullptr;
}

}  // namespace

// ---- VState

VState::VState(View::ICanvasView& view, State& state)
    : Core::IViewElement(view, state), VTextBox(view, state, kAllHandles), state_(state) {
  KeepDrawingWhileMoved();
}

void VState::UpdateShape() {
  if (HoldsCommittedDrawing()) return;
  drawing_.Clear();
  if (state_.IsDeleted()) return;
  ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
  const ICanvas::DoubleRect r = ToDouble(state_.GetRect());
  const Style::ElementStyleFill fill(state_);
  if (fill.GetLineStyle())
    drawing_.Add(canvas.CreateFilledRoundRect(r, kCorner, kCorner, *fill.GetLineStyle(), View::MakeAreaWeight(state_.GetSize())));
  drawing_.Add(canvas.CreateRoundRect(r, kCorner, kCorner));
  GraphUtil::AddCornerMarks(canvas, drawing_, r, 1);
  RedrawText(state_.GetText());
  if (Compartment* c = state_.GetCompartment())
    if (auto* v = zq::Cast<View::SelectableViewElement>(c->FindViewElement(GetCanvasView()))) v->RequestUpdate();
  UpdateMarks();
}

void VState::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  list.Add(std::make_unique<StateCmdHandler>(task, state_));
  list.Add(CreateTransitionCmdHandler(task));
  list.Add(std::make_unique<CreateCompartmentCmdHandler>(task, state_));
  list.Add(std::make_unique<CreateRegionCmdHandler>(task, state_));
}

// ---- VStateCompartment

VStateCompartment::VStateCompartment(View::ICanvasView& view, Compartment& compartment)
    : Core::IViewElement(view, compartment), VCompartment(view, compartment), compartment_(compartment) {
  KeepDrawingWhileMoved();
}

void VStateCompartment::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  if (compartment_.GetState()) list.Add(CreateTransitionCmdHandler(task));
}

unsigned VStateCompartment::GetMenuId() const {
  return compartment_.GetState() ? kStateMenuId : View::IContextMenu::kDefaultMenuId;
}

// ---- VPseudoState

VPseudoState::VPseudoState(View::ICanvasView& view, Core::IModelElement& element,
                           zq::Rect (*rect)(const Core::IModelElement&), bool final)
    : Core::IViewElement(view, element), SelectableViewElement(view, element), element_(element), rect_(rect),
      final_(final) {}

void VPseudoState::UpdateShape() {
  const zq::Rect box = rect_(element_);
  if (place_.Holds(element_.IsInTransaction() && !element_.IsNew(), box.TopLeft(), box.BottomRight()))
    return NoteDrawnAsChanging();
  drawing_.Clear();
  if (element_.IsDeleted()) return;
  ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
  const zq::Rect disc = final_ ? box.Inflated(-FinalState::kInset) : box;
  ICanvas::LineStyle ink;
  ink.width = 1;
  drawing_.Add(canvas.CreateEllipse(ToDouble(disc)));
  drawing_.Add(canvas.CreateFilledEllipse(ToDouble(disc), ink, View::MakeAreaWeightOfRect(disc)));
  if (final_) drawing_.Add(canvas.CreateEllipse(ToDouble(box)));
  UpdateMarks();
}

void VPseudoState::UpdateMarks() {
  if (element_.IsInTransaction()) return NoteDrawnAsChanging();  // left as they are while the element changes
  marks_.Clear();
  if (!IsSelected() || element_.IsDeleted()) return;
  const zq::Rect r = rect_(element_);
  for (const zq::Point& p : {r.TopLeft(), zq::Point(r.right, r.top), r.BottomRight(), zq::Point(r.left, r.bottom)})
    AddMark(GetCanvasView(), marks_, p, 100);
}

void VPseudoState::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&) {
  if (!element_.IsDeleted()) group.Add(canvas.CreateMarkerEllipse(ToDouble(rect_(element_)), 1));
}

void VPseudoState::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  if (!final_) list.Add(CreateTransitionCmdHandler(task));
}

// ---- VRegionSeparator

VRegionSeparator::VRegionSeparator(View::ICanvasView& view, RegionSeparator& separator)
    : Core::IViewElement(view, separator), SelectableViewElement(view, separator), separator_(separator) {}

void VRegionSeparator::UpdateShape() {
  if (separator_.IsDeleted()) return drawing_.Clear();
  const zq::Point a = separator_.GetStart(), b = separator_.GetEnd();
  // Moved, not reshaped, by an open change: the line stays and the drag's dashed image follows.
  if (place_.Holds(separator_.IsInTransaction() && !separator_.IsNew(), a, b)) return NoteDrawnAsChanging();
  drawing_.Clear();
  drawing_.Add(GetCanvasView().GetCanvas().CreateDashedLine({double(a.x), double(a.y)}, {double(b.x), double(b.y)}, 0));
  UpdateMarks();
}

void VRegionSeparator::UpdateMarks() {
  if (separator_.IsInTransaction()) return NoteDrawnAsChanging();
  marks_.Clear();
  if (!IsSelected() || separator_.IsDeleted()) return;
  const int kind = separator_.GetState() ? 100 : 101;
  AddMark(GetCanvasView(), marks_, separator_.GetStart(), kind);
  AddMark(GetCanvasView(), marks_, separator_.GetEnd(), kind);
}

TextBlock::Text* VRegionSeparator::GetTextModel() const {
  const ::Text::FreeText* text = separator_.GetOnlyText();
  return text ? text->GetText() : nullptr;
}

TextBlock::Text* VRegionSeparator::SupplyTextModel(Core::Env& env) {
  ::Text::FreeText* text = separator_.GetOrCreateText(env);
  return text ? text->GetText() : nullptr;
}

void VRegionSeparator::PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) {
  list.Add(std::make_unique<::Text::CreateAnchoredTextCmdHandler>(task, ID_NEW_ANCHOREDTEXT, separator_, L"{<?>}"));
}

namespace {
// How far outside a state the pointer may be for the separator to snap to it (logical units).
constexpr std::int32_t kSeparatorTargetTolerance = 200;

// The drag of a separator on its own: it snaps to the state under the pointer and joins it at the drop.
class SeparatorDrag : public View::IMoveController {
 public:
  SeparatorDrag(View::ViewContext& context, const Core::DeferredShiftSet& set, RegionSeparator& separator)
      : context_(context), set_(set), controller_(separator, kSeparatorTargetTolerance) {}
  void Restrict(const zq::Point& grab, zq::Point& point) override {
    if (context_.diagram) controller_.Restrict(*context_.diagram, grab, point, context_.view, &set_.GetMoved());
  }
  void Finish(Core::Env& env) override { controller_.Finish(env); }

 private:
  View::ViewContext& context_;
  const Core::DeferredShiftSet& set_;
  RegionSeparatorMoveController controller_;
};
}  // namespace

View::MoveControllerPtr VRegionSeparator::CreateMoveController(View::ViewContext& context,
                                                               Core::DeferredShiftSet& set) {
  State* state = separator_.GetState();
  if (state && set.MovesOrDefers(state)) return View::MakeNullMoveController();
  return std::make_shared<SeparatorDrag>(context, set, separator_);
}

// ---- commands

std::unique_ptr<View::ICmdHandler> CreateTransitionCmdHandler(View::IDefaultTask& task) {
  static const TransitionSourceFilter sources;
  static const TransitionTargetFilter targets;
  Connector::CreateConnectorTask::Params params;
  params.sources = &sources;
  params.targets = &targets;
  return std::make_unique<Connector::CreateConnectorCmdHandler>(task, kNewTransitionCommand, Transition::PartFactory(),
                                                                params);
}

StateCmdHandler::StateCmdHandler(View::IDefaultTask& task, State& state) : ICmdHandler(task), state_(state) {
  GetPlugs().Add(kLargeCommand, this, &StateCmdHandler::OnLarge);
  UpdateCommands();
}

void StateCmdHandler::UpdateCommands() {
  GetPlugs().Enable(kLargeCommand, IsReady() && !state_.IsDeleted() && state_.IsPlain());
  GetPlugs().SetCheckState(kLargeCommand, state_.IsLarge() ? 1 : 0);
}

void StateCmdHandler::OnLarge(const Application::CommandMsg&) {
  if (state_.IsDeleted() || !state_.IsPlain()) return;
  View::IDefaultTask& task = GetTask();
  task.TakeSelectionSnapshot();
  Core::Env env = task.MakeEnv();
  state_.SetLarge(env, !state_.IsLarge());
  task.CommitPending(false);
  UpdateCommands();
}

CreateCompartmentCmdHandler::CreateCompartmentCmdHandler(View::IDefaultTask& task, State& state)
    : ICmdHandler(task), state_(state) {
  GetPlugs().Add(kNewCompartmentCommand, this, &CreateCompartmentCmdHandler::OnNewCompartment);
  UpdateCommands();
}

void CreateCompartmentCmdHandler::UpdateCommands() {
  GetPlugs().Enable(kNewCompartmentCommand, IsReady() && !state_.IsDeleted() && state_.IsPlain());
}

void CreateCompartmentCmdHandler::OnNewCompartment(const Application::CommandMsg&) {
  if (state_.IsDeleted() || !state_.IsPlain()) return;
  View::IDefaultTask& task = GetTask();
  View::ViewContext& context = task.GetContext();
  task.TakeSelectionSnapshot();
  context.view->ClearSelection(&task.GetSelectionTracker());
  Core::Env env = task.MakeEnv();
  auto compartment = Compartment::Create(env, state_.GetPos());
  state_.AddCompartment(env, *compartment);
  compartment->SelectInView(*context.view, true, &task.GetSelectionTracker());
  task.CommitPending(false);
}

CreateRegionCmdHandler::CreateRegionCmdHandler(View::IDefaultTask& task, State& state) : ICmdHandler(task), state_(state) {
  GetPlugs().Add(kNewVerticalRegionCommand, this, &CreateRegionCmdHandler::OnVertical);
  GetPlugs().Add(kNewHorizontalRegionCommand, this, &CreateRegionCmdHandler::OnHorizontal);
  UpdateCommands();
}

void CreateRegionCmdHandler::UpdateCommands() {
  const bool ready = IsReady() && !state_.IsDeleted() && !state_.GetCompartment();
  GetPlugs().Enable(kNewVerticalRegionCommand, ready);
  GetPlugs().Enable(kNewHorizontalRegionCommand, ready);
}

void CreateRegionCmdHandler::Create(bool vertical) {
  if (state_.IsDeleted() || state_.GetCompartment()) return;
  View::IDefaultTask& task = GetTask();
  View::ViewContext& context = task.GetContext();
  task.TakeSelectionSnapshot();
  context.view->ClearSelection(&task.GetSelectionTracker());
  const zq::Point at = context.grid->SnapPoint(task.GetLastMousePoint());
  Core::Env env = task.MakeEnv();
  auto separator = RegionSeparator::Create(env, state_, at, vertical);
  separator->SelectInView(*context.view, true, &task.GetSelectionTracker());
  task.CommitPending(false);
}

void RegisterStateViews() {
  static const bool registered = [] {
    View::ModelElement::AddViewMaker(MakeView);
    return true;
  }();
  (void)registered;
}

}  // namespace State
