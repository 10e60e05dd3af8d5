#pragma once
// The views of the use case diagram's elements and the commands of their menus: the actor (129),
// the use case (130) and the system (131).
#include <memory>

#include "drawing/Canvas.h"
#include "elements/usecase/Actor.h"
#include "elements/usecase/System.h"
#include "elements/usecase/UseCase.h"
#include "resources/resource.h"
#include "view/CmdHandler.h"
#include "view/compartment/win/VCompartment.h"

namespace UseCase {

// The menus and commands of the use case diagram.
inline constexpr unsigned kActorMenuId = IDR_MENU_ACTOR;
inline constexpr unsigned kUseCaseMenuId = IDR_MENU_USECASE;
inline constexpr unsigned kSystemMenuId = IDR_MENU_SYSTEM;
inline constexpr UINT kNewAssocCommand = ID_NEW_USECASEASSOC;
inline constexpr UINT kNewGeneralizationCommand = ID_NEW_GENERALIZATION;
inline constexpr UINT kNewExtendCommand = ID_NEW_EXTEND;
inline constexpr UINT kNewIncludeCommand = ID_NEW_INCLUDE;

// The frame an actor's stick figure is drawn in, inside its figure box (top-left pos, size): 200 in
// from the sides and 100 from top and bottom, less on an actor too small for that (a quarter of
// its width or height), so that the figure never turns over.
zq::Rect ActorFigureFrame(const zq::Point& pos, const zq::Point& size);

// An actor: the stick figure in its box (the name draws itself), its four corner handles, menu 129.
class VActor : public ::Compartment::VTextBox {
 public:
  VActor(View::ICanvasView& view, Actor& actor);
  void UpdateShape() override;
  TextBlock::Text* GetTextModel() const override { return actor_.GetText(); }
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override { return kActorMenuId; }
  // Dragged: its outline of figure and name, dashed.
  void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;

 private:
  Actor& actor_;
  ICanvas::Group drawing_;
};

// A use case: its ellipse over the fill of its element style, four corner handles, menu 130.
class VUseCase : public ::Compartment::VTextBox {
 public:
  VUseCase(View::ICanvasView& view, UseCase& useCase);
  void UpdateShape() override;
  TextBlock::Text* GetTextModel() const override { return useCase_.GetText(); }
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override { return kUseCaseMenuId; }
  void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;

 private:
  UseCase& useCase_;
  ICanvas::Group drawing_;
};

// A system: its rectangle over the fill of its element style, four corner handles, menu 131.
class VSystem : public ::Compartment::VTextBox {
 public:
  VSystem(View::ICanvasView& view, System& system);
  void UpdateShape() override;
  TextBlock::Text* GetTextModel() const override { return system_.GetText(); }
  unsigned GetMenuId() const override { return kSystemMenuId; }

 private:
  System& system_;
  ICanvas::Group drawing_;
};

// "New &Assoc" (40127) from the actor the menu was opened on: it ends only on a use case.
std::unique_ptr<View::ICmdHandler> CreateAssocCmdHandler(View::IDefaultTask& task);
// "New &Generalization" (40108) from the use case: it ends on a use case or on another generalization.
std::unique_ptr<View::ICmdHandler> CreateGeneralizationCmdHandler(View::IDefaultTask& task);
// "New &Extend Relationship" (40128) and "New &Include Relationship" (40129): the same plain
// dependency from the use case, ending only on a use case.
std::unique_ptr<View::ICmdHandler> CreateExtendCmdHandler(View::IDefaultTask& task);
std::unique_ptr<View::ICmdHandler> CreateIncludeCmdHandler(View::IDefaultTask& task);

// Lets canvas views make the views of the use case diagram's elements (once per process).
void RegisterUseCaseViews();

}  // namespace UseCase
