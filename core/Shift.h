// Moving elements: the shift of one move, the shiftable side of an element and the set of one move.
#pragma once

#include <vector>

namespace Core {

class Env;
class IModelElement;
class DeferredShiftSet;

// The displacement of a move, with flags for its horizontal and vertical parts.
struct ShiftVector {
    double dx = 0;
    double dy = 0;
    bool shiftX = false;
    bool shiftY = false;
};

// An element that can be moved.
class IShiftable {
public:
    virtual ~IShiftable() = default;
    // The element's own move by the shift.
    virtual void ShiftImpl(Env& env, IModelElement* sender, const ShiftVector& shift, DeferredShiftSet& set,
                           bool noFollow) = 0;
};

// The elements of one move: those already shifted and those whose shift is deferred.
class DeferredShiftSet {
public:
    // Whether the element is marked shifted in this move.
    bool IsShifted(const IModelElement* element) const;
    // Marks the element shifted.
    void MarkShifted(const IModelElement* element);
    // The shift of the move.
    const ShiftVector& GetShift() const { return shift_; }
    void SetShift(const ShiftVector& shift) { shift_ = shift; }

private:
    ShiftVector shift_;
    std::vector<const IModelElement*> shifted_;
};

} // namespace Core
