#include "view/connector/Creation.h"

#include "core/View.h"

namespace Connector {

namespace {
// A new segment of the connector, selected in the change's view, that starts at the part.
ISegment* StartSegment(Core::Env& env, IFactory& factory, IConnector& c, ISegmentEnd& from)
{
    std::shared_ptr<ISegment> s = factory.CreateNewSegment(env);
    if (Core::IView* view = env.GetView()) s->SelectInView(*view, true, env.GetTracker());
    c.AddSegment(env, s.get());
    s->SetConnector(env, &c);
    s->AddEnd(env, &from);
    from.SetSegment(env, s.get());
    return s.get();
}

// The part joins the connector and ends the segment; an orthogonal leg takes the flag rule.
void EndSegment(Core::Env& env, IConnector& c, ISegment& s, ISegmentEnd& part, bool orthogonal)
{
    part.SetConnector(env, &c);
    c.AddPart(env, part);
    s.AddEnd(env, &part);
    part.SetSegment(env, &s);
    if (orthogonal) s.SetOrthoFlags(env);
}
} // namespace

IConnector* BuildPathConnector(Core::Env& env, IFactory& factory, const std::vector<PathEntry>& path,
                               Core::IModelElement* source, Core::IModelElement* target,
                               const Core::IFilter* targetFilter,
                               const std::function<void(Core::Env&, IEnd&, IEnd&)>& callback)
{
    if (path.size() < 2) return nullptr;
    if (targetFilter != nullptr && (target == nullptr || !targetFilter->Accept(target))) return nullptr;
    std::shared_ptr<IConnector> c = factory.CreateConnector(env);
    std::shared_ptr<IEnd> first = factory.CreateSourceEndAt(env, path.front().point);
    c->AddEnd(env, first.get());
    first->SetConnector(env, c.get());
    ISegment* s = StartSegment(env, factory, *c, *first);
    for (std::size_t i = 1; i + 1 < path.size(); ++i) {
        std::shared_ptr<IJoin> j = factory.CreateJoinAt(env, path[i].point);
        EndSegment(env, *c, *s, *j, path[i].orthogonal);
        s = StartSegment(env, factory, *c, *j);
    }
    std::shared_ptr<IEnd> last = factory.CreateTargetEndAt(env, path.back().point);
    EndSegment(env, *c, *s, *last, path.back().orthogonal);
    if (callback) callback(env, *first, *last);
    if (source != nullptr) first->AttachToPartner(env, source);
    if (target != nullptr) last->AttachTo(env, target);
    return c.get();
}

} // namespace Connector
