#include "core/Shift.h"

#include "core/Diagram.h"


namespace Core {

namespace ShiftParam {

zq::Point Apply(const ShiftVector& shift, const zq::Point& current, const zq::Point& origin)
{
    return {shift.shiftX ? origin.x + zq::Round(shift.dx) : current.x,
            shift.shiftY ? origin.y + zq::Round(shift.dy) : current.y};
}

zq::float8Point Apply(const ShiftVector& shift, const zq::float8Point& current, const zq::float8Point& origin)
{
    return {shift.shiftX ? origin.x + shift.dx : current.x, shift.shiftY ? origin.y + shift.dy : current.y};
}

} // namespace ShiftParam

void IShiftable::MarkShifted(DeferredShiftSet& set) { set.MarkShifted(this); }

void IShiftable::AddDeferredShiftingElements(const ModelElementSet&, DeferredShiftSet&) {}

bool IShiftable::DetachFromSource(Env&, DeferredShiftSet&, const ModelElementSet&) { return false; }

void IShiftable::ExtendSelection(ExtendSelectionParam&) {}

DeferredShiftSet::DeferredShiftSet(const ModelElementSet& moved, const Diagram* diagram, IModelElement* grabbed,
                                   bool shiftX, bool shiftY)
    : moved_(moved), grabbed_(grabbed), axisX_(shiftX), axisY_(shiftY)
{
    shift_.shiftX = shiftX;
    shift_.shiftY = shiftY;
    if (diagram != nullptr) {
        for (const ElementPtr& e : diagram->Elements()) {
            if (e->IsDeleted() || moved_.Contains(e.get())) continue;
            if (IShiftable* s = e->GetShiftable()) s->AddDeferredShiftingElements(moved_, *this);
        }
    }
    initialDeferred_ = deferred_.size();
}

bool DeferredShiftSet::IsShifted(const IModelElement* element) const
{
    return shifted_.count(element) != 0;
}

void DeferredShiftSet::MarkShifted(const IModelElement* element)
{
    if (element != nullptr) shifted_.insert(element);
}

bool DeferredShiftSet::Moves(const IModelElement* element) const
{
    return element != nullptr && (moved_.Contains(element) || IsShifted(element));
}

bool DeferredShiftSet::IsDeferred(const IModelElement* element) const
{
    return isDeferred_.count(element) != 0;
}

void DeferredShiftSet::Defer(IModelElement* element)
{
    if (element == nullptr || IsShifted(element) || !isDeferred_.insert(element).second) return;
    try {
        deferred_.push_back(element);
    } catch (...) {
        isDeferred_.erase(element);
        throw;
    }
}

void DeferredShiftSet::ShiftAll(Env& env, const ShiftVector& shift, const zq::Point& point)
{
    shift_ = shift;
    shift_.shiftX = shift.shiftX && axisX_;
    shift_.shiftY = shift.shiftY && axisY_;
    point_ = point;
    // Every call starts the move afresh from the positions before the transaction.
    shifted_.clear();
    for (std::size_t i = initialDeferred_; i < deferred_.size(); ++i) isDeferred_.erase(deferred_[i]);
    deferred_.resize(initialDeferred_);
    const ShiftVector s = shift_;
    ShiftEach(moved_.Elements(), env, s, *this);
}

void DeferredShiftSet::ShiftDeferred(Env& env)
{
    const ShiftVector s = shift_;
    for (std::size_t i = 0; i < deferred_.size(); ++i) {  // the list may grow while it runs
        IModelElement* e = deferred_[i];
        if (e->IsDeleted()) continue;
        if (IShiftable* shiftable = e->GetShiftable()) shiftable->ShiftImpl(env, nullptr, s, *this, true);
    }
}

} // namespace Core
