#pragma once
// The views of classes and their compartments, and the commands of the class menu (114).
#include <memory>

#include "drawing/Canvas.h"
#include "elements/class/Class.h"
#include "elements/class/Compartment.h"
#include "text/edit/Handlers.h"
#include "view/CmdHandler.h"
#include "view/ResizeControls.h"
#include "view/ViewElements.h"
#include "view/compartment/win/VCompartment.h"

namespace Style {
class ElementStyleFill;
}

namespace Class {

// The class menu's id.
constexpr unsigned kClassMenuId = 114;

// The box of a class: its corner marks, outline and fill (the name and compartments draw
// themselves), its eight resize handles, the class menu; typing and double clicks edit the name.
class VClass : public ::Compartment::VTextBox {
 public:
  VClass(View::ICanvasView& view, Class& c);
  void UpdateShape() override;
  // While dragged: the marker outline of the class, around its template-parameters box too.
  void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;
  TextBlock::Text* GetTextModel() const override { return class_.GetText(); }
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override { return kClassMenuId; }

 private:
  // Makes the box's drawing anew into the group.
  void Draw(ICanvas::Group& drawing, const Style::ElementStyleFill& fill, TemplateParameters* box);

  Class& class_;
  ::Compartment::BoxDrawing drawing_;
};

// A compartment's view: inside a class it opens the class menu, made for this compartment.
class VClassCompartment : public ::Compartment::VCompartment {
 public:
  VClassCompartment(View::ICanvasView& view, Compartment& compartment);
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override;
  // A drag moves the selected run of compartments from its topmost member.
  View::SubTaskPtr CreateMoveTask(View::ICanvasView& view, View::ITask& parent, const zq::Point& point, int button,
                                  Core::IModelElement* element = nullptr) override;
  // With its class moving along, none that restricts; alone, it moves between classes.
  View::MoveControllerPtr CreateMoveController(View::ViewContext& context, Core::DeferredShiftSet& set) override;

 private:
  Compartment& compartment_;
};

// The template-parameters box: its north and west handles while selected; the class menu.
class VTemplateParameters : public ::Compartment::VTextBox {
 public:
  VTemplateParameters(View::ICanvasView& view, TemplateParameters& box);
  // Asks the text's view to follow (the class's view draws the box).
  void UpdateShape() override;
  // Nothing while its class moves along: the class's image takes the box in.
  void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;
  TextBlock::Text* GetTextModel() const override { return box_.GetText(); }
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override { return kClassMenuId; }

 private:
  TemplateParameters& box_;
};

// Adds the class's menu handlers; with a compartment, a new compartment goes right after it.
void CreateCmdHandlers(Class& c, View::IDefaultTask& task, View::CmdHandlerList& list, Compartment* compartment);

// "A&bstract" (40144): toggles the flag, checked while the class is abstract; "T&emplate" (40154):
// adds or removes the template-parameters box, checked while there is one.
class ClassCmdHandler : public View::ICmdHandler {
 public:
  ClassCmdHandler(View::IDefaultTask& task, Class& c);
  void UpdateCommands() override;

 private:
  void OnAbstract(const Application::CommandMsg&);
  void OnTemplate(const Application::CommandMsg&);
  Class& class_;
};

// "New C&ompartment" (40105): a compartment after the given one, or after the last.
class CreateCompartmentCmdHandler : public View::ICmdHandler {
 public:
  CreateCompartmentCmdHandler(View::IDefaultTask& task, Class& c, Compartment* after);
  void UpdateCommands() override;

 private:
  void OnNewCompartment(const Application::CommandMsg&);
  Class& class_;
  Compartment* after_;
};

// Lets canvas views make the views of classes and compartments (once per process).
void RegisterClassViews();

}  // namespace Class
