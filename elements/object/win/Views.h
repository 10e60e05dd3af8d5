#pragma once
// The views of objects, their compartments, links and qualifiers, the object menu (126) with
// "New &Link" and "New C&ompartment", the link end's menu (127) and the link segment's (128).
#include <memory>

#include "drawing/Canvas.h"
#include "elements/classobject/win/Views.h"
#include "elements/object/Compartment.h"
#include "elements/object/Link.h"
#include "elements/object/Object.h"
#include "elements/object/Qualifier.h"
#include "view/CmdHandler.h"
#include "view/compartment/win/VCompartment.h"
#include "view/connector/win/Views.h"

namespace Object {

// The box of an object: its outline and fill (the name and compartment draw themselves), its eight
// resize handles, the object menu; typing and double clicks edit the name.
class VObject : public ::Compartment::VTextBox {
 public:
  VObject(View::ICanvasView& view, Object& object);
  void UpdateShape() override;
  TextBlock::Text* GetTextModel() const override { return object_.GetText(); }
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override;

 private:
  Object& object_;
  ICanvas::Group drawing_;
};

// An object compartment's view: inside an object it opens the object menu with "New &Link" only.
class VObjectCompartment : public ::Compartment::VCompartment {
 public:
  VObjectCompartment(View::ICanvasView& view, Compartment& compartment);
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& list) override;
  unsigned GetMenuId() const override;

 private:
  Compartment& compartment_;
};

// The view of a link end: its decoration and its menu 127.
class VLinkEnd : public Connector::VEnd {
 public:
  VLinkEnd(View::ICanvasView& view, LinkEnd& end);
  zq::float8Point DrawShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& from) override;
  unsigned GetMenuId() const override;
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override;

 private:
  LinkEnd& end_;
};

// The view of a link segment: its menu 128 with "New Te&xt"; like the objects, it keeps its line while
// a drag moves its ends.
class VLinkSegment : public Connector::VSegment {
 public:
  VLinkSegment(View::ICanvasView& view, LinkSegment& segment);
  unsigned GetMenuId() const override;
  void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override;

 private:
  LinkSegment& segment_;
};

// The view of an object qualifier: like its object, it keeps its drawing while a drag moves it.
class VQualifier : public ClassObject::VQualifier<Qualifier, Object> {
 public:
  VQualifier(View::ICanvasView& view, Qualifier& qualifier);
};

// "New C&ompartment" (40105): a compartment for an object that has none, selected at once.
class CreateCompartmentCmdHandler : public View::ICmdHandler {
 public:
  CreateCompartmentCmdHandler(View::IDefaultTask& task, Object& object);
  void UpdateCommands() override;

 private:
  void OnNewCompartment(const Application::CommandMsg&);
  Object& object_;
};

// The link end's own commands: Direct, Aggregation, Composition (radio marks), Traversed (check
// mark) and With Qualifier (check mark while the end has one), each one undo step.
class LinkEndCmdHandler : public View::ICmdHandler {
 public:
  LinkEndCmdHandler(View::IDefaultTask& task, LinkEnd& end);
  void UpdateCommands() override;

 private:
  void OnDirect(const Application::CommandMsg&) { SetType(ClassObject::EndType::Direct); }
  void OnAggregation(const Application::CommandMsg&) { SetType(ClassObject::EndType::Aggregation); }
  void OnComposition(const Application::CommandMsg&) { SetType(ClassObject::EndType::Composition); }
  void OnTraversed(const Application::CommandMsg&);
  void OnQualifier(const Application::CommandMsg&);
  void SetType(std::int32_t type);
  LinkEnd& end_;
};

// "New &Link" (40120) of the object menu: draws a link from the object.
std::unique_ptr<View::ICmdHandler> CreateLinkCmdHandler(View::IDefaultTask& task);

// Makes the views of the object diagram's elements (once per process).
void RegisterObjectViews();

}  // namespace Object
