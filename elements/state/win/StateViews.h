#pragma once
// The views of the state diagram's elements and the commands of their menus: the state (132),
// the transition segment (133), the initial state (134) and the region separator (136).
#include <memory>

#include "drawing/Canvas.h"
#include "elements/state/PseudoState.h"
#include "elements/state/RegionSeparator.h"
#include "elements/state/State.h"
#include "elements/state/StateCompartment.h"
#include "elements/state/Transition.h"
#include "resources/resource.h"
#include "text/edit/Handlers.h"
#include "view/CmdHandler.h"
#include "view/ViewElements.h"
#include "view/compartment/win/VCompartment.h"

namespace State {

// The menus and commands of the state diagram.
inline constexpr unsigned kStateMenuId = IDR_MENU_STATE;
inline constexpr unsigned kTransitionSegmentMenuId = IDR_MENU_TRANSITIONSEGMENT;
inline constexpr unsigned kInitialStateMenuId = IDR_MENU_INITIALSTATE;
inline constexpr unsigned kRegionSeparatorMenuId = IDR_MENU_REGIONSEPARATOR;
inline constexpr UINT kNewTransitionCommand = ID_NEW_TRANSITION;
inline constexpr UINT kLargeCommand = ID_STATE_LARGE;
inline constexpr UINT kNewCompartmentCommand = ID_NEW_COMPARTMENT;
inline constexpr UINT kNewVerticalRegionCommand = ID_NEW_VERTICALREGION;
inline constexpr UINT kNewHorizontalRegionCommand = ID_NEW_HORIZONTALREGION;

// A state's rounded box (the name and the compartment draw themselves), its eight handles, menu 132.
class VState : public ::Compartment::VTextBox {
 public:
  VState(View::ICanvasView& view, State& state);
  void UpdateShape() override;
  TextBlock::Text* GetTextModel() const override { return state_.GetText(); }
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override { return kStateMenuId; }

 private:
  State& state_;
  ICanvas::Group drawing_;
};

// A state compartment: inside a state it opens the state's menu.
class VStateCompartment : public ::Compartment::VCompartment {
 public:
  VStateCompartment(View::ICanvasView& view, Compartment& compartment);
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override;

 private:
  Compartment& compartment_;
};

// An initial or final state: its circles and the marks at the corners of its box; like the states, it
// keeps its drawing while a drag moves it.
class VPseudoState : public View::SelectableViewElement, public View::VIShiftable {
 public:
  VPseudoState(View::ICanvasView& view, Core::IModelElement& element, zq::Rect (*rect)(const Core::IModelElement&),
               bool final);
  void UpdateShape() override;
  void UpdateMarks() override;
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override { return final_ ? kDefaultMenuId : kInitialStateMenuId; }
  void SetCursor(const zq::Point& point) override { View::SelectableViewElement::SetCursor(point); }
  // While dragged: a marker circle around its box.
  void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;

 private:
  Core::IModelElement& element_;
  zq::Rect (*rect_)(const Core::IModelElement&);
  bool final_;
  ICanvas::Group drawing_;
  ICanvas::Group marks_;
  View::CommittedPlace place_;
};

// A region separator: a dashed line; typing edits its text; marks at its ends (a warning mark
// while it lies in no state).
class VRegionSeparator : public View::SelectableViewElement, public View::VIShiftable, public TextBlock::CharHandlerImp,
                         public View::IDrawingRule {
 public:
  VRegionSeparator(View::ICanvasView& view, RegionSeparator& separator);
  // Like its state, it keeps its line (and its texts theirs) while a drag moves it.
  bool KeepsDrawingWhileMoved() const override { return true; }
  void UpdateShape() override;
  void UpdateMarks() override;
  // Its only anchored text (double clicks edit nothing when it has none or several).
  TextBlock::Text* GetTextModel() const override;
  // Typing without a single text: the first text, or a new one.
  TextBlock::Text* SupplyTextModel(Core::Env& env) override;
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override { return kRegionSeparatorMenuId; }
  void SetCursor(const zq::Point& point) override { View::SelectableViewElement::SetCursor(point); }
  // Dragged alone it snaps to the state under the pointer; moving with its state it follows freely.
  View::MoveControllerPtr CreateMoveController(View::ViewContext& context, Core::DeferredShiftSet& set) override;

 private:
  RegionSeparator& separator_;
  ICanvas::Group drawing_;
  ICanvas::Group marks_;
  View::CommittedPlace place_;
};

// "&Large" (40169): toggles the mode; enabled only on a state without compartment, parts and regions.
class StateCmdHandler : public View::ICmdHandler {
 public:
  StateCmdHandler(View::IDefaultTask& task, State& state);
  void UpdateCommands() override;

 private:
  void OnLarge(const Application::CommandMsg&);
  State& state_;
};

// "New C&ompartment" (40105): the state's one compartment, under the same conditions.
class CreateCompartmentCmdHandler : public View::ICmdHandler {
 public:
  CreateCompartmentCmdHandler(View::IDefaultTask& task, State& state);
  void UpdateCommands() override;

 private:
  void OnNewCompartment(const Application::CommandMsg&);
  State& state_;
};

// "New &Vertical Region" (40135) and "New &Horizontal Region" (40136): a separator through the
// point where the menu was opened; enabled on a state without compartment.
class CreateRegionCmdHandler : public View::ICmdHandler {
 public:
  CreateRegionCmdHandler(View::IDefaultTask& task, State& state);
  void UpdateCommands() override;

 private:
  void OnVertical(const Application::CommandMsg&) { Create(true); }
  void OnHorizontal(const Application::CommandMsg&) { Create(false); }
  void Create(bool vertical);
  State& state_;
};

// "New T&ransition" (40132) from the party the menu was opened on: it ends only on a state or a
// final state.
std::unique_ptr<View::ICmdHandler> CreateTransitionCmdHandler(View::IDefaultTask& task);

// Lets canvas views make the views of the state diagram's elements (once per process).
void RegisterStateViews();

}  // namespace State
