#include "view/MoveControl.h"

#include "core/ModelElementSet.h"
#include "view/CanvasView.h"

#include <vector>

namespace View {

namespace {
std::vector<ShiftControlMaker>& Makers()
{
    static std::vector<ShiftControlMaker> makers;
    return makers;
}
} // namespace

void AddShiftControlMaker(ShiftControlMaker maker)
{
    Makers().push_back(std::move(maker));
}

void ForEachMoving(const Core::DeferredShiftSet& set, const std::function<void(Core::IModelElement&)>& f)
{
    for (const Core::ElementPtr& e : set.GetMoved().Elements())
        if (!e->IsDeleted()) f(*e);
    for (Core::IModelElement* e : set.GetDeferred())
        if (!e->IsDeleted() && !set.GetMoved().Contains(e)) f(*e);
}

void CollectShiftControls(ViewContext& context, Core::DeferredShiftSet& set, ShiftControlSet& controls)
{
    ForEachMoving(set, [&](Core::IModelElement& e) {
        if (VIShiftable* view = VIShiftable::Find(e, *context.view)) view->CreateShiftControls(context, set, controls);
        for (const ShiftControlMaker& maker : Makers()) maker(e, context, set, controls);
    });
}

} // namespace View
