#include "elements/note/Dependency.h"

#include "view/connector/PartFactory.h"
#include "view/connector/Functions.h"
#include "core/foundation/Cast.h"

namespace Dependency {

namespace {
// Orientation of q against the line p-r: +1 left, -1 right, 0 on it.
int Side(const zq::float8Point& p, const zq::float8Point& r, const zq::float8Point& q)
{
    const double c = (r.x - p.x) * (q.y - p.y) - (r.y - p.y) * (q.x - p.x);
    return c > 0 ? 1 : (c < 0 ? -1 : 0);
}

// Whether q lies on a's side of the cut at j across the line a-b (on the cut: towards a).
bool LiesTowardsA(const zq::float8Point& j, const zq::float8Point& a, const zq::float8Point& b, const zq::float8Point& q)
{
    const zq::float8Point n{j.x + (a.y - b.y), j.y + (b.x - a.x)};
    const int side = Side(j, n, q);
    return side == Side(j, n, a) || side != Side(j, n, b);
}
} // namespace

Core::FactoryImp<Dependency>& Dependency::Factory()
{
    static Core::FactoryImp<Dependency> factory(Core::SchemaNamespace10(), L"Dependency");
    return factory;
}

void Dependency::RegisterProperties(Core::PropertyTable<Connector::ConnectorRep>& t)
{
    ConnectorImp::RegisterProperties(t);
    Core::RegisterRefNonStoreProperty::Register(t, &Connector::ConnectorRep::style, L"Style");
}

void Dependency::PrepareNew(Core::Env& env, Dependency& dependency)
{
    Style::Style& style = Style::Style::FindOrCreate(env);
    dependency.CreateDirectories(env, &style);
    dependency.SetStyle(env, &style);
}

void Dependency::SetStyle(Core::Env& env, Style::Style* style)
{
    if (!IsDeleted()) SetField(env, &Connector::ConnectorRep::style, style);
}

void Dependency::CollectDirectoryNames(Style::IUsageCollector& collector) const
{
    Style::DirectoryName::VisitFromRoot(collector, DependencySegment::Directory());
}

void Dependency::CreateDirectories(Core::Env& env, Style::Style* style)
{
    if (style != nullptr) Style::CreateKindDirectories(env, *style, Style::StyledKind::Dependency);
}

Connector::IFactory& Dependency::PartFactory()
{
    static Connector::KindPartFactory<Dependency, DependencyEnd, DependencyJoin, DependencySegment> factory(
        DependencyEndType::Source, DependencyEndType::Target, DependencyEndType::Source);
    return factory;
}

void Dependency::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                           Core::DeferredShiftSet& set, bool finalPass)
{
    Connector::IConnector::ShiftImpl(env, sender, shift, set, finalPass);
    for (Connector::ISegment* s : GetSegmentList())
        if (auto* segment = zq::Cast<DependencySegment>(s)) segment->CarryAnchors(env);
}

Core::FactoryImp<DependencyEnd>& DependencyEnd::Factory()
{
    static Core::FactoryImp<DependencyEnd> factory(Core::SchemaNamespace10(), L"DependencyEnd");
    return factory;
}

void DependencyEnd::RegisterProperties(Core::PropertyTable<Connector::EndRep>& t)
{
    using namespace Core;
    using Connector::EndRep;
    RegisterRefNonStoreProperty::Register(t, &EndRep::group, L"Group");
    RegisterRefNonStoreProperty::Register(t, &EndRep::segment, L"Segment");
    RegisterProperty<EvalRestore::Mandatory>::Register(t, &EndRep::pos, L"Pos", zq::float8Point(0, 0));
    // Only a dependency party may be named: anything else is the wrong kind of element.
    RegisterRefProperty<>::RegisterAs<IDependencyParty>(t, &EndRep::party, L"Party");
    RegisterEnumProperty<DependencyEndType::Source, DependencyEndType::Target>::Register(
        t, &EndRep::type, L"Type", int32_t(DependencyEndType::Source));
}

Core::FactoryImp<DependencySegment>& DependencySegment::Factory()
{
    static Core::FactoryImp<DependencySegment> factory(Core::SchemaNamespace10(), L"DependencySegment");
    return factory;
}

void DependencySegment::PrepareNew(Core::Env& env, DependencySegment& segment)
{
    Style::Style& style = Style::Style::FindOrCreate(env);
    segment.CreateDirectories(env, &style);
    segment.SetStyle(env, &style);
}

void DependencySegment::SetStyle(Core::Env& env, Style::Style* style)
{
    if (IsDeleted()) return;
    if (auto* dependency = zq::Cast<Dependency>(GetConnector())) dependency->SetStyle(env, style);
}

Style::Style* DependencySegment::GetStyle() const
{
    const auto* dependency = zq::Cast<const Dependency>(GetConnector());
    return dependency ? dependency->GetStyle() : nullptr;
}

void DependencySegment::CollectDirectoryNames(Style::IUsageCollector& collector) const
{
    for (const Style::DirectoryName* name = &Directory(); name; name = name->GetParent()) collector.Use(*name);
}

void DependencySegment::CreateDirectories(Core::Env& env, Style::Style* style)
{
    if (style != nullptr) Style::CreateKindDirectories(env, *style, Style::StyledKind::Dependency);
}

void DependencySegment::Attach(Core::Env& env, DependencyEnd* end)
{
    Connector::ISegmentEnd *a = nullptr, *b = nullptr;
    Connector::ISegment* own = end->GetSegment();
    const bool split = GetEnds(a, b);
    Connector::Functions::MergeEndIntoSegment(env, *end, *this);
    // The cut leaves this segment the half towards b; the texts on the other half go to the new piece.
    auto* j = zq::Cast<Connector::IJoin>(OtherEnd(b));
    if (!split || IsDeleted() || j == nullptr) return;
    for (Connector::ISegment* s : j->GetSegments()) {
        auto* piece = zq::Cast<DependencySegment>(s);
        if (piece == nullptr || s == this || s == own) continue;
        for (Text::Anchor* anchor : Core::PtrCont<Text::Anchor>(GetAnchors()))
            if (LiesTowardsA(j->GetPosition(), a->GetPoint(), b->GetPoint(), anchor->GetPos()))
                piece->AddAnchor(env, anchor);
    }
}

Core::FactoryImp<DependencyJoin>& DependencyJoin::Factory()
{
    static Core::FactoryImp<DependencyJoin> factory(Core::SchemaNamespace10(), L"DependencyJoin");
    return factory;
}

void DependencyJoin::Attach(Core::Env& env, DependencyEnd* end) { Connector::Functions::MergeEndIntoJoin(env, *end, *this); }

void ReportDependencyFactories(Core::FactoryRegistry& registry)
{
    Dependency::Factory().ReportTo(registry);
    Style::RegisterDirectoryNames(Style::StyledKind::Dependency);
}

} // namespace Dependency
