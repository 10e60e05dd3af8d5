#include "elements/class/Generalization.h"

#include "elements/class/Class.h"
#include "view/connector/PartFactory.h"
#include "view/connector/Creation.h"
#include "core/foundation/Cast.h"

namespace Class {

int CountOtherMasterEnds(const Connector::IConnector* connector, const Connector::IEnd* except)
{
    int n = 0;
    if (connector != nullptr)
        for (const Connector::IEnd* e : connector->GetEnds())
            if (e != except && !e->IsDeleted() && e->IsMasterEnd()) ++n;
    return n;
}

bool MayMergeAtPart(const Connector::IConnectorElement& target, const Connector::IEnd* candidate)
{
    if (candidate == nullptr) return true;
    const Connector::IConnector* own = candidate->GetConnector();
    return own != target.GetConnector() && CountOtherMasterEnds(own, candidate) == 0;
}

bool MayMergeEnds(const Connector::IEnd& target, const Connector::IEnd* candidate)
{
    if (target.IsAttached()) return false;
    if (candidate == nullptr) return !target.IsMasterEnd();
    const Connector::IConnector* own = candidate->GetConnector();
    if (own == target.GetConnector() || (candidate->IsMasterEnd() && target.IsMasterEnd())) return false;
    return CountOtherMasterEnds(own, candidate) + CountOtherMasterEnds(target.GetConnector(), &target) == 1;
}

Core::FactoryImp<Generalization>& Generalization::Factory()
{
    static Core::FactoryImp<Generalization> factory(Core::SchemaNamespace10(), L"Generalization");
    return factory;
}

Connector::IFactory& Generalization::PartFactory()
{
    static Connector::KindPartFactory<Generalization, GeneralizationEnd, GeneralizationJoin, GeneralizationSegment> factory(
        GeneralizationEndType::Plain, GeneralizationEndType::Master, GeneralizationEndType::Plain);
    return factory;
}

namespace {
// The point of the box's outline on the line from its centre towards the point.
zq::float8Point OutlinePointToward(const Class& c, const zq::float8Point& toward)
{
    const zq::Rect r = c.GetRect();
    const zq::float8Point centre{(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0};
    const double dx = toward.x - centre.x, dy = toward.y - centre.y;
    const double hw = r.Width() / 2.0, hh = r.Height() / 2.0;
    if (dx == 0 && dy == 0) return {centre.x, r.top * 1.0};
    const double t = std::min(dx != 0 ? hw / std::abs(dx) : 1e300, dy != 0 ? hh / std::abs(dy) : 1e300);
    return {centre.x + dx * t, centre.y + dy * t};
}
} // namespace

Generalization& Generalization::Create(Core::Env& env, Class& special, Class& general)
{
    const zq::Rect g = general.GetRect(), s = special.GetRect();
    const zq::float8Point from = OutlinePointToward(special, {(g.left + g.right) / 2.0, (g.top + g.bottom) / 2.0});
    const zq::float8Point to = OutlinePointToward(general, {(s.left + s.right) / 2.0, (s.top + s.bottom) / 2.0});
    Connector::IConnector* c =
        Connector::BuildPathConnector(env, PartFactory(), {{from, false}, {to, false}}, &special, &general, nullptr);
    return dynamic_cast<Generalization&>(*c);
}

bool Generalization::AddBranch(Core::Env& env, Class& special, Connector::ISegment& segment)
{
    Connector::ISegmentEnd *a, *b;
    if (!segment.GetEnds(a, b)) return false;
    const zq::float8Point pa = a->GetPoint(), pb = b->GetPoint();
    const zq::float8Point middle{(pa.x + pb.x) / 2, (pa.y + pb.y) / 2};
    const zq::float8Point from = OutlinePointToward(special, middle);
    const std::size_t before = segment.GetConnector() != nullptr ? segment.GetConnector()->GetEndCount() : 0;
    Connector::IConnector* c =
        Connector::BuildPathConnector(env, PartFactory(), {{from, false}, {middle, false}}, &special, &segment, nullptr);
    return c != nullptr && c->IsDeleted() && segment.GetConnector() != nullptr &&
           segment.GetConnector()->GetEndCount() == before + 1;
}

Core::FactoryImp<GeneralizationEnd>& GeneralizationEnd::Factory()
{
    static Core::FactoryImp<GeneralizationEnd> factory(Core::SchemaNamespace10(), L"GeneralizationEnd");
    return factory;
}

Class* GeneralizationEnd::GetClass() const { return zq::Cast<Class>(GetTerminal()); }

Core::FactoryImp<GeneralizationSegment>& GeneralizationSegment::Factory()
{
    static Core::FactoryImp<GeneralizationSegment> factory(Core::SchemaNamespace10(), L"GeneralizationSegment");
    return factory;
}

Core::FactoryImp<GeneralizationJoin>& GeneralizationJoin::Factory()
{
    static Core::FactoryImp<GeneralizationJoin> factory(Core::SchemaNamespace10(), L"GeneralizationJoin");
    return factory;
}

void ReportGeneralizationFactories(Core::FactoryRegistry& registry) { Generalization::Factory().ReportTo(registry); }

} // namespace Class
