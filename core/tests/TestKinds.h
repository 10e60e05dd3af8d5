// Element kinds of the model tests: a box with a position and value fields of every kind, a part
// with a reference and a reference list, a container, and a probe whose follow-up runs a hook.
#pragma once

#include "core/Diagram.h"
#include "core/Factory.h"
#include "core/Storable.h"
#include "core/Transaction.h"

#include <functional>
#include <string>

namespace TestKinds {

enum class BoxKind : int32_t { Plain = 1, Rounded = 2, Shadowed = 3 };

class IBox : public virtual Core::IModelElement {};
class IPart : public virtual Core::IModelElement {};

struct BoxRep {
    zq::Point size;
    BoxKind kind = BoxKind::Plain;
    bool flag = false;
    std::wstring name;
    zq::Color color;
    double ratio = 0;
    zq::float8Point anchor;
    zq::Rect bounds;
    std::wstring title;
    int32_t count = 0;
    bool hidden = false;  // not stored
};

class Box : public Core::StorableWithPos<Box, BoxRep, Core::StorableTraits::Null, IBox> {
public:
    static Core::FactoryImp<Box>& Factory() {
        static Core::FactoryImp<Box> factory(Core::SchemaNamespace10(), L"Box");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<BoxRep>& t) {
        using namespace Core;
        RegisterProperty<EvalRestore::Mandatory>::Register(t, &BoxRep::size, L"Size", zq::Point(300, 200));
        RegisterEnumProperty<1, 3>::Register(t, &BoxRep::kind, L"Type", BoxKind::Plain);
        RegisterBoolProperty::Register(t, &BoxRep::flag, L"Flag");
        RegisterProperty<EvalRestore::Optional>::Register(t, &BoxRep::name, L"Name", std::wstring());
        RegisterProperty<EvalRestore::Optional>::Register(t, &BoxRep::color, L"Color", zq::Color(255, 255, 255));
        RegisterProperty<EvalRestore::Optional>::Register(t, &BoxRep::ratio, L"Ratio", 1.5);
        RegisterProperty<EvalRestore::Optional>::Register(t, &BoxRep::anchor, L"Anchor", zq::float8Point(0, 0));
        RegisterProperty<EvalRestore::Optional>::Register(t, &BoxRep::bounds, L"Bounds", zq::Rect(0, 0, 0, 0));
        RegisterProperty<EvalRestore::Mandatory>::Register(t, &BoxRep::title, L"Title", std::wstring(L"box"));
        RegisterProperty<EvalRestore::Optional>::Register(t, &BoxRep::count, L"Count", 0,
                                                          Core::SchemaNamespace13());
        RegisterNonStoreProperty::Register(t, &BoxRep::hidden, L"Hidden", false);
    }
};

struct PartRep {
    IBox* target = nullptr;
    Core::PtrCont<IBox> boxes;
    IPart* peer = nullptr;                        // not stored
    Core::PtrCont<Core::IModelElement> seen;      // not stored
};

class Part : public Core::Storable<Part, PartRep, Core::StorableTraits::Null, IPart> {
public:
    static Core::FactoryImp<Part>& Factory() {
        static Core::FactoryImp<Part> factory(Core::SchemaNamespace10(), L"Part");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<PartRep>& t) {
        using namespace Core;
        RegisterRefProperty<>::Register(t, &PartRep::target, L"Target");
        RegisterRefContProperty<>::Register(t, &PartRep::boxes, L"Boxes");
        RegisterRefNonStoreProperty::Register(t, &PartRep::peer, L"Peer");
        RegisterRefContNonStoreProperty::Register(t, &PartRep::seen, L"Seen");
    }
};

struct ContainerRep {
    std::wstring label;
    Core::PtrCont<Core::IModelElement> children;  // not stored: rebuilt from the children
};

class Container : public Core::Storable<Container, ContainerRep> {
public:
    static Core::FactoryImp<Container>& Factory() {
        static Core::FactoryImp<Container> factory(Core::SchemaNamespace10(), L"Container");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<ContainerRep>& t) {
        using namespace Core;
        RegisterProperty<EvalRestore::Mandatory>::Register(t, &ContainerRep::label, L"Label", std::wstring());
        RegisterRefContNonStoreProperty::Register(t, &ContainerRep::children, L"Children");
    }
};

struct ProbeRep {
    int32_t value = 0;
};

// An element whose follow-up runs a hook; the hook is not part of the record.
class Probe : public Core::Storable<Probe, ProbeRep> {
public:
    static Core::FactoryImp<Probe>& Factory() {
        static Core::FactoryImp<Probe> factory(Core::SchemaNamespace10(), L"Probe");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<ProbeRep>& t) {
        Core::RegisterProperty<Core::EvalRestore::Optional>::Register(t, &ProbeRep::value, L"Value", int32_t(0));
    }
    void Finalize(Core::Env& env) override {
        ++finalized;
        if (onFinalize) onFinalize(env, *this);
    }
    std::function<void(Core::Env&, Probe&)> onFinalize;
    int finalized = 0;
};

// A registry with the factories of the given kinds reported.
template <class... Kinds>
Core::FactoryRegistry MakeRegistry() {
    Core::FactoryRegistry r;
    (Kinds::Factory().ReportTo(r), ...);
    return r;
}

// A registry with every test kind reported.
inline Core::FactoryRegistry& Registry() {
    static Core::FactoryRegistry registry = MakeRegistry<Box, Part, Container, Probe>();
    return registry;
}

} // namespace TestKinds
