#pragma once
// The views of generalizations: the master end draws the hollow triangle, the segment's line
// stops at its base; "New &Generalization" of the class menu draws one.
#include <memory>

#include "elements/class/Generalization.h"
#include "view/CmdHandler.h"
#include "view/connector/win/Views.h"

namespace Class {

// The master end's view: the hollow triangle, tip on the end point, 350 long and 260 wide; the
// end of every generalization kind.
class VGeneralizationEnd : public Connector::VEnd {
 public:
  VGeneralizationEnd(View::ICanvasView& view, Connector::IEnd& end);
  // The triangle for a master end (the line stops at its base centre); nothing for a plain end.
  zq::float8Point DrawShape(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& from) override;

 private:
  Connector::IEnd& end_;
};

// "New &Generalization" (40108) from the class: the path ends on a class or on a segment, join
// or free plain end of another generalization.
std::unique_ptr<View::ICmdHandler> CreateGeneralizationCmdHandler(View::IDefaultTask& task);

// Lets canvas views make the views of generalization parts (once per process).
void RegisterGeneralizationViews();

}  // namespace Class
