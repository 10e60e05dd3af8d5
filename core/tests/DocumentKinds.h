// Element kinds of the document tests beside those of TestKinds.h: a connector whose parts are
// written inside it under part tags, a group that nests members and groups, and a tracer that logs
// every reading step it takes part in.
#pragma once

#include "core/DocumentReader.h"
#include "core/tests/TestKinds.h"
#include "core/xml/Exceptions.h"

#include <string>
#include <vector>

namespace TestKinds {

class Connector;

// What a part saw in EndRestore.
struct RestoreSeen {
    Core::IModelElement* enclosing = nullptr;
    Core::IModelElement* previous = nullptr;
    bool restored = false;
};

struct EndRep {
    Connector* owner = nullptr;  // not stored: the enclosing connector
    IBox* box = nullptr;
    zq::float8Point pos;
};

// A connector end, written as "SourceEnd" or "End" inside its connector.
class ConnectorEnd : public Core::Storable<ConnectorEnd, EndRep> {
public:
    static Core::FactoryImp<ConnectorEnd>& Factory() {
        static Core::FactoryImp<ConnectorEnd> factory(Core::SchemaNamespace10(), L"ConnectorEnd");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<EndRep>& t) {
        using namespace Core;
        RegisterRefNonStoreProperty::Register(t, &EndRep::owner, L"Owner");
        RegisterRefProperty<>::Register(t, &EndRep::box, L"Box");
        RegisterProperty<EvalRestore::Mandatory>::Register(t, &EndRep::pos, L"Pos", zq::float8Point(0, 0));
    }
    Core::IModelElement* GetOwner() const override;
    std::wstring GetPartTag() const override { return source ? L"SourceEnd" : L"End"; }
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;

    bool source = false;  // fixed when made
    RestoreSeen seen;
};

struct SegmentRep {
    Connector* owner = nullptr;  // not stored
    Core::PtrCont<ConnectorEnd> ends;
};

// A connector segment, written as "Segment" inside its connector; refers to ends of its connector.
class Segment : public Core::Storable<Segment, SegmentRep> {
public:
    static Core::FactoryImp<Segment>& Factory() {
        static Core::FactoryImp<Segment> factory(Core::SchemaNamespace10(), L"ConnectorSegment");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<SegmentRep>& t) {
        using namespace Core;
        RegisterRefNonStoreProperty::Register(t, &SegmentRep::owner, L"Owner");
        RegisterRefContProperty<>::Register(t, &SegmentRep::ends, L"Ends");
    }
    Core::IModelElement* GetOwner() const override;
    std::wstring GetPartTag() const override { return L"Segment"; }
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;

    RestoreSeen seen;
};

struct ConnectorRep {
    std::wstring label;
    Core::PtrCont<Core::IModelElement> parts;  // not stored: rebuilt from the nested parts
};

class Connector : public Core::Storable<Connector, ConnectorRep> {
public:
    static Core::FactoryImp<Connector>& Factory() {
        static Core::FactoryImp<Connector> factory(Core::SchemaNamespace10(), L"Connector");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<ConnectorRep>& t) {
        using namespace Core;
        RegisterProperty<EvalRestore::Optional>::Register(t, &ConnectorRep::label, L"Label", std::wstring());
        RegisterRefContNonStoreProperty::Register(t, &ConnectorRep::parts, L"Parts");
    }
    // Parts are made by their part tags; any other child is unknown here.
    Core::ElementPtr CreateChildElement(Core::Env&, const std::wstring& nsUri, const std::wstring& name) override {
        if (nsUri != Core::SchemaNamespace10().uri) return nullptr;
        if (name == L"SourceEnd" || name == L"End") {
            auto end = std::make_shared<ConnectorEnd>();
            end->source = name == L"SourceEnd";
            return end;
        }
        if (name == L"Segment") return std::make_shared<Segment>();
        return nullptr;
    }
    // Makes a part of this connector inside the environment's transaction.
    template <class P>
    std::shared_ptr<P> AddPart(Core::Env& env) {
        auto part = std::make_shared<P>();
        env.Insert(part);
        part->SetField(env, &P::Rep::owner, this);
        Adopt(env, *part);
        return part;
    }
    // Appends a part to the list (once).
    void Adopt(Core::Env& env, Core::IModelElement& part) {
        Core::PtrCont<Core::IModelElement> parts = GetRep().parts;
        for (auto* p : parts)
            if (p == &part) return;
        parts.push_back(&part);
        SetField(env, &ConnectorRep::parts, parts);
    }
};

inline Core::IModelElement* ConnectorEnd::GetOwner() const { return GetRep().owner; }
inline Core::IModelElement* Segment::GetOwner() const { return GetRep().owner; }

// A part read outside a connector is an unknown element there.
inline Connector& EnclosingConnector(const Core::RestoreContext& context, const wchar_t* tag) {
    auto* c = dynamic_cast<Connector*>(context.enclosing);
    if (c == nullptr) throw xml::Exceptions::UnknownElement(context.line, tag);
    return *c;
}

inline void ConnectorEnd::EndRestore(Core::Env& env, const Core::RestoreContext& context) {
    Connector& c = EnclosingConnector(context, source ? L"SourceEnd" : L"End");
    seen = {context.enclosing, context.previous, true};
    SetField(env, &EndRep::owner, &c);
    c.Adopt(env, *this);
}

inline void Segment::EndRestore(Core::Env& env, const Core::RestoreContext& context) {
    Connector& c = EnclosingConnector(context, L"Segment");
    seen = {context.enclosing, context.previous, true};
    SetField(env, &SegmentRep::owner, &c);
    c.Adopt(env, *this);
}

class Group;

struct MemberRep {
    Group* group = nullptr;  // not stored: the enclosing group
    IBox* link = nullptr;
    Core::PtrCont<IPart> parts;
};

// An element that lies in a group (written inside it) or at the top level.
class Member : public Core::StorableWithPos<Member, MemberRep> {
public:
    static Core::FactoryImp<Member>& Factory() {
        static Core::FactoryImp<Member> factory(Core::SchemaNamespace10(), L"Member");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<MemberRep>& t) {
        using namespace Core;
        RegisterRefNonStoreProperty::Register(t, &MemberRep::group, L"Group");
        RegisterRefProperty<>::Register(t, &MemberRep::link, L"Link");
        RegisterRefContProperty<>::Register(t, &MemberRep::parts, L"Parts");
    }
    Core::IModelElement* GetOwner() const override;
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
};

struct GroupRep {
    std::wstring label;
    Group* parent = nullptr;                     // not stored: the enclosing group
    Core::PtrCont<Core::IModelElement> members;  // not stored: rebuilt from the nested elements
};

// A container whose members (and inner groups) are written inside it.
class Group : public Core::Storable<Group, GroupRep> {
public:
    static Core::FactoryImp<Group>& Factory() {
        static Core::FactoryImp<Group> factory(Core::SchemaNamespace10(), L"Group");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<GroupRep>& t) {
        using namespace Core;
        RegisterProperty<EvalRestore::Optional>::Register(t, &GroupRep::label, L"Label", std::wstring());
        RegisterRefNonStoreProperty::Register(t, &GroupRep::parent, L"Parent");
        RegisterRefContNonStoreProperty::Register(t, &GroupRep::members, L"Members");
    }
    Core::IModelElement* GetOwner() const override;
    // Puts the element (a member or a group) into this group.
    void Take(Core::Env& env, Core::IModelElement& e) {
        if (auto* m = dynamic_cast<Member*>(&e)) m->SetField(env, &MemberRep::group, this);
        if (auto* g = dynamic_cast<Group*>(&e)) g->SetField(env, &GroupRep::parent, this);
        auto members = GetRep().members;
        for (auto* p : members)
            if (p == &e) return;
        members.push_back(&e);
        SetField(env, &GroupRep::members, members);
    }
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override {
        if (auto* g = dynamic_cast<Group*>(context.enclosing)) g->Take(env, *this);
    }
};

inline Core::IModelElement* Member::GetOwner() const { return GetRep().group; }
inline Core::IModelElement* Group::GetOwner() const { return GetRep().parent; }
inline void Member::EndRestore(Core::Env& env, const Core::RestoreContext& context) {
    if (auto* g = dynamic_cast<Group*>(context.enclosing)) g->Take(env, *this);
}

// The log of the reading steps tracers take part in.
inline std::vector<std::string>& TraceLog() {
    static std::vector<std::string> log;
    return log;
}

struct TracerRep {
    int32_t value = 0;
};

// Logs each reading step as "<step> <value>".
class Tracer : public Core::Storable<Tracer, TracerRep> {
public:
    static Core::FactoryImp<Tracer>& Factory() {
        static Core::FactoryImp<Tracer> factory(Core::SchemaNamespace10(), L"Tracer");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<TracerRep>& t) {
        Core::RegisterProperty<Core::EvalRestore::Optional>::Register(t, &TracerRep::value, L"Value", int32_t(0));
    }
    void EndRestore(Core::Env&, const Core::RestoreContext&) override { Log("end-restore"); }
    void FinalizeRead(Core::Env&) override { Log("finalize-read"); }
    void OnRestored(Core::Env&) override { Log("restored"); }
    void Finalize(Core::Env&) override { Log("follow-up"); }

private:
    void Log(const char* step) const { TraceLog().push_back(std::string(step) + " " + std::to_string(GetRep().value)); }
};

// A registry with every test kind reported.
inline Core::FactoryRegistry& DocumentRegistry() {
    static Core::FactoryRegistry registry =
        MakeRegistry<Box, Part, Container, Probe, Connector, Group, Member, Tracer>();
    return registry;
}

} // namespace TestKinds
