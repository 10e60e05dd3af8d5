#include "elements/note/Dependency.h"

#include "elements/note/PartFactory.h"
#include "view/connector/Functions.h"

namespace Dependency {

Core::FactoryImp<Dependency>& Dependency::Factory()
{
    static Core::FactoryImp<Dependency> factory(Core::SchemaNamespace10(), L"Dependency");
    return factory;
}

Connector::IFactory& Dependency::PartFactory()
{
    static Note::KindPartFactory<Dependency, DependencyEnd, DependencyJoin, DependencySegment> factory(
        DependencyEndType::Source, DependencyEndType::Target);
    return factory;
}

void Dependency::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                           Core::DeferredShiftSet& set, bool finalPass)
{
    Connector::IConnector::ShiftImpl(env, sender, shift, set, finalPass);
    for (Connector::ISegment* s : GetSegmentList())
        if (auto* segment = dynamic_cast<DependencySegment*>(s)) segment->CarryAnchors(env);
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
    RegisterRefProperty<>::Register(t, &EndRep::party, L"Party");
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
    segment.CreateDirectories(env, Style::Style::Find(env.GetDiagram()));
}

Style::Style* DependencySegment::GetStyle() const
{
    for (Text::Anchor* a : GetAnchors())
        if (Text::FreeText* text = a->GetFreeText()) return text->GetStyle();
    return nullptr;
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
    Connector::Functions::MergeEndIntoSegment(env, *end, *this);
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
