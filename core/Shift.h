// Moving elements: the shift of one move, the shiftable side of an element and the set of one move.
#pragma once

#include "core/ModelElement.h"
#include "core/ModelElementSet.h"
#include "core/foundation/Geometry.h"

#include <cstddef>
#include <unordered_set>
#include <vector>

namespace Core {

class Env;
class Diagram;
class DeferredShiftSet;
class ExtendSelectionParam;

// The displacement of a move, with flags for its horizontal and vertical parts; a vector with
// neither flag moves nothing.
struct ShiftVector {
    double dx = 0;
    double dy = 0;
    bool shiftX = false;
    bool shiftY = false;
};

namespace ShiftParam {
// The point after the shift: on each enabled axis the origin (the position before the
// transaction) plus the rounded displacement; a disabled axis keeps the current coordinate.
zq::Point Apply(const ShiftVector& shift, const zq::Point& current, const zq::Point& origin);
// The same for a double point (no rounding).
zq::float8Point Apply(const ShiftVector& shift, const zq::float8Point& current, const zq::float8Point& origin);
} // namespace ShiftParam

// An element that can be moved.
class IShiftable : public virtual IModelElement {
public:
    IShiftable* GetShiftable() override { return this; }
    // The element's own move by the shift, measured from its position before the transaction.
    virtual void ShiftImpl(Env& env, IModelElement* sender, const ShiftVector& shift, DeferredShiftSet& set,
                           bool noFollow) = 0;
    // Marks the element shifted in the move's set.
    virtual void MarkShifted(DeferredShiftSet& set);
    // Defers the element in the set being built when it must move with the moved elements.
    virtual void AddDeferredShiftingElements(const ModelElementSet& moved, DeferredShiftSet& set);
    // Lets a deferred element let go of what it is attached to in a move inside one diagram;
    // answers whether it did. Nothing by default.
    virtual bool DetachFromSource(Env& env, DeferredShiftSet& set, const ModelElementSet& moved);
    // Adds the elements that must be moved or copied with this one.
    virtual void ExtendSelection(ExtendSelectionParam& param);
    // Whether the move, though it holds the element, takes it only sideways (a part left at its
    // height by a drag of what it hangs on): what lies on it goes with it only sideways. No by default.
    virtual bool MovesOnlySideways(const Env&, const DeferredShiftSet&) const { return false; }
};

// The elements of one move: the moved elements, the shift measured from the start of the move,
// the elements already shifted and those whose shift is deferred to the end of the move.
class DeferredShiftSet {
public:
    // An empty move with a zero shift.
    DeferredShiftSet() = default;
    // The move of the elements; every shiftable element of the diagram may defer itself into it
    // (AddDeferredShiftingElements). The axis flags limit every shift of the move.
    DeferredShiftSet(const ModelElementSet& moved, const Diagram* diagram, IModelElement* grabbed,
                     bool shiftX = true, bool shiftY = true);

    // Whether the element is marked shifted in this move.
    bool IsShifted(const IModelElement* element) const;
    // Marks the element shifted.
    void MarkShifted(const IModelElement* element);
    // Whether the element moves with the set: one of the moved elements or marked shifted.
    bool Moves(const IModelElement* element) const;
    // Appends the element to the deferred list unless it is listed or marked shifted.
    void Defer(IModelElement* element);
    // Whether the element is deferred.
    bool IsDeferred(const IModelElement* element) const;
    // Whether the element moves with the set now or later (deferred): what follows it needs no move of its own.
    bool MovesOrDefers(const IModelElement* element) const { return Moves(element) || IsDeferred(element); }
    // Defers every element of the list, skipping those listed or shifted.
    template <class Range>
    void AddRange(const Range& list) {
        for (const auto& e : list) Defer(&*e);
    }
    // Stores the shift (limited by the set's axis flags) and shifts every moved element by it,
    // measured from the start of the move: a repeated call replaces the earlier shift.
    void ShiftAll(Env& env, const ShiftVector& shift, const zq::Point& point = {});
    // Makes the move final: ShiftImpl (no sender, the set's shift, the set, true) on every
    // deferred element that is not deleted.
    void ShiftDeferred(Env& env);
    // Calls f(element&) on every deferred element in order.
    template <class F>
    void ForEach(F&& f) const {
        for (std::size_t i = 0; i < deferred_.size(); ++i) f(*deferred_[i]);
    }

    // The shift of the move.
    const ShiftVector& GetShift() const { return shift_; }
    void SetShift(const ShiftVector& shift) { shift_ = shift; }
    // The pointer position given to the last ShiftAll.
    const zq::Point& GetPoint() const { return point_; }
    // The moved elements.
    const ModelElementSet& GetMoved() const { return moved_; }
    // The grabbed element, or none.
    IModelElement* GetGrabbed() const { return grabbed_; }
    // The deferred elements in order.
    const std::vector<IModelElement*>& GetDeferred() const { return deferred_; }

private:
    ModelElementSet moved_;
    IModelElement* grabbed_ = nullptr;
    bool axisX_ = true;
    bool axisY_ = true;
    ShiftVector shift_;
    zq::Point point_;
    std::unordered_set<const IModelElement*> shifted_;
    std::vector<IModelElement*> deferred_;                // in the order of deferring
    std::unordered_set<const IModelElement*> isDeferred_;  // the same elements, for fast lookup
    std::size_t initialDeferred_ = 0;  // deferred when the set was built
};

// Shifts every element of the list (deleted and already shifted ones are skipped by Shift).
template <class Range>
void ShiftEach(const Range& list, Env& env, const ShiftVector& shift, DeferredShiftSet& set)
{
    for (const auto& e : list) (*e).Shift(env, nullptr, shift, set, false);
}

} // namespace Core
