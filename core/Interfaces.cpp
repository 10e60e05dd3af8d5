#include "core/Interfaces.h"

#include "core/ModelElementSet.h"
#include "core/Shift.h"
#include "core/Weight.h"

#include <algorithm>

namespace Core {

BoxReshapeInfo::BoxReshapeInfo(ITerminal* terminal, const zq::Rect& oldRect, const zq::Rect& newRect)
    : terminal_(terminal),
      moved_(oldRect.Width() == newRect.Width() && oldRect.Height() == newRect.Height()),
      dx_(double(newRect.left) - oldRect.left), dy_(double(newRect.top) - oldRect.top)
{
    GraphUtil::MakeRectOutline(old_, oldRect.Normalized());
    GraphUtil::MakeRectOutline(new_, newRect.Normalized());
}

namespace {

zq::Rect BoundsOf(const std::vector<zq::Point>& outline)
{
    zq::Rect r(outline.front().x, outline.front().y, outline.front().x, outline.front().y);
    for (const zq::Point& p : outline)
        r = {std::min(r.left, p.x), std::max(r.top, p.y), std::max(r.right, p.x), std::min(r.bottom, p.y)};
    return r;
}

} // namespace

BoxReshapeInfo::BoxReshapeInfo(ITerminal* terminal, const std::vector<zq::Point>& oldOutline,
                               const std::vector<zq::Point>& newOutline)
    : BoxReshapeInfo(terminal, BoundsOf(oldOutline), BoundsOf(newOutline))
{
    if (oldOutline.size() != newOutline.size()) return;
    old_.assign(oldOutline.begin(), oldOutline.end());
    new_.assign(newOutline.begin(), newOutline.end());
    for (std::size_t i = 0; i < oldOutline.size() && moved_; ++i)
        moved_ = newOutline[i].x - oldOutline[i].x == dx_ && newOutline[i].y - oldOutline[i].y == dy_;
}

zq::float8Point BoxReshapeInfo::MapPoint(const zq::float8Point& point) const
{
    // A box that kept its size carries every point along with it.
    if (moved_) return {point.x + dx_, point.y + dy_};
    return GraphUtil::MapOutlinePoint(new_, old_, point);
}

zq::float8Point BoxReshapeInfo::MapAlongSide(const zq::float8Point& point) const
{
    if (moved_) return MapPoint(point);
    return GraphUtil::MapOutlinePoint(new_, old_, point, true);
}

zq::float8Point IPointAttachment::GetShiftedPosition(const ITerminalReshapeInfo& info, const zq::float8Point& point,
                                                     const zq::float8Point*, const DeferredShiftSet& set) const
{
    zq::float8Point p = info.MapPoint(point);
    const IModelElement* terminal = info.GetTerminal();
    if (terminal != nullptr && set.Moves(terminal)) {
        const ShiftVector& v = set.GetShift();
        if (v.shiftX) p.x += v.dx;
        if (v.shiftY) p.y += v.dy;
    }
    return p;
}

void IUpdateContainer::UpdateContainerOnce(Env& env, ModelElementSet& visited)
{
    ElementPtr self = weak_from_this().lock();
    if (!self || !visited.Insert(self)) return;
    UpdateContainer(env, visited);
}

Weight IContainer::ContainerWeight(const zq::Point& at) const
{
    const auto* pointable = zq::Cast<const IPointable>(this);
    zq::Rect r;
    return pointable != nullptr && pointable->GetBoundingRect(r) ? Weight::MakeArea(at, 0, r.Normalized()) : Weight();
}

void IContainable::FinalizeContainer(Env& env)
{
    ModelElementSet visited;
    UpdateContainerOnce(env, visited);
}

} // namespace Core
