// What a drag asks of the elements it moves: a move controller for the grabbed element (it may
// restrict the pointer and acts at every step and at the drop) and shift controls for elements that
// hang on the moved ones (a free connector end, a text anchor), which follow every preview step.
#pragma once

#include "core/Shift.h"

#include <functional>
#include <map>
#include <memory>

namespace Core {
class Env;
class IModelElement;
} // namespace Core

namespace View {

// Keeps an element that hangs on moved elements following a move.
class IShiftControl {
public:
    virtual ~IShiftControl() = default;
    // After every preview shift: the move's shift vector and the pointer point (model units).
    virtual void Update(Core::Env& env, const Core::ShiftVector& shift, const zq::float8Point& point) = 0;
    // Once at the drop, after the deferred shifts.
    virtual void Finish(Core::Env& env) = 0;
};

using ShiftControlPtr = std::shared_ptr<IShiftControl>;
// The shift controls of one move, ordered by the address of the element each control serves.
using ShiftControlSet = std::map<const Core::IModelElement*, ShiftControlPtr>;

// The controller a drag asks while it moves its grabbed element.
class IMoveController {
public:
    virtual ~IMoveController() = default;
    // The move starts (after its preparation).
    virtual void Start(Core::Env&) {}
    // One move step: may replace the pointer point, given the point the drag was grabbed at.
    virtual void Restrict(const zq::Point& /*grab*/, zq::Point& /*point*/) {}
    // After the shift of one step to the pointer point.
    virtual void AfterShift(Core::Env&, const zq::Point& /*point*/) {}
    // The drop, after the deferred shifts and the shift controls: the controller's own change.
    virtual void Finish(Core::Env&) {}
};

using MoveControllerPtr = std::shared_ptr<IMoveController>;

// A controller that leaves the movement unchanged.
class NullMoveController : public IMoveController {};

// A new controller that leaves the movement unchanged.
MoveControllerPtr MakeNullMoveController();

struct ViewContext;

// Adds the shift controls of a moving element that has no shiftable view of its own (a connector,
// for its free ends); nothing for elements of other kinds.
using ShiftControlMaker =
    std::function<void(Core::IModelElement&, ViewContext&, Core::DeferredShiftSet&, ShiftControlSet&)>;
// Adds a maker (once per process); every move asks the makers for each of its elements.
void AddShiftControlMaker(ShiftControlMaker maker);
// Lets every element of the move (moved or deferred) add its shift controls: through its shiftable
// view in the context's view, and through the makers.
void CollectShiftControls(ViewContext& context, Core::DeferredShiftSet& set, ShiftControlSet& controls);
// Calls f on every element of the move: the moved ones first, then the deferred ones.
void ForEachMoving(const Core::DeferredShiftSet& set, const std::function<void(Core::IModelElement&)>& f);

} // namespace View
