#include "view/connector/Editing.h"

#include "view/connector/Functions.h"

namespace Connector {

IJoin* SplitSegment(Core::Env& env, ISegment& segment, const zq::float8Point& p)
{
    ISegmentEnd *a, *b;
    IConnector* c = segment.GetConnector();
    if (segment.IsDeleted() || c == nullptr || !segment.GetEnds(a, b)) return nullptr;
    IFactory& f = segment.GetPartFactory();
    std::shared_ptr<IJoin> j = f.CreateJoinAt(env, GraphUtil::ClosestPointOnSegment(a->GetPoint(), b->GetPoint(), p));
    std::shared_ptr<ISegment> rest = f.CreateNewSegment(env);
    segment.Reconnect(env, b, j.get());
    b->InsertSegment(env, &segment, rest.get());
    rest->SetEnds(env, {j.get(), b});
    j->SetSegment(env, &segment);
    j->SetSegment(env, rest.get());
    j->BuildConnector(env, nullptr, *c);
    Functions::SpreadAttachedEnds(env, {&segment}, *a, *j, segment, *rest);
    j->ResetOrthoFlags(env);
    return j.get();
}

KeepOrthogonalState GetKeepOrthogonalState(const ISegment& segment, bool editable)
{
    KeepOrthogonalState state;
    state.checked = segment.IsHorizontalOrtho() || segment.IsVerticalOrtho();
    ISegmentEnd *a, *b;
    if (!editable || segment.IsDeleted() || !segment.GetEnds(a, b)) return state;
    const zq::float8Point p = a->GetPoint(), q = b->GetPoint();
    state.enabled = state.checked || GraphUtil::IsHorizontal(p, q) || GraphUtil::IsVertical(p, q);
    return state;
}

void ToggleKeepOrthogonal(Core::Env& env, ISegment& segment)
{
    ISegmentEnd *a, *b;
    if (segment.IsDeleted() || !segment.GetEnds(a, b)) return;
    const bool on = !segment.IsHorizontalOrtho() && !segment.IsVerticalOrtho();
    const zq::float8Point p = a->GetPoint(), q = b->GetPoint();
    const bool level = GraphUtil::IsHorizontal(p, q), plumb = GraphUtil::IsVertical(p, q);
    segment.SetHorizontalOrtho(env, level && on);
    segment.SetVerticalOrtho(env, !level && plumb && on);
}

} // namespace Connector
