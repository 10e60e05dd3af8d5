#pragma once
// The generalization of the class diagram: one general class (at the master end, with the hollow
// triangle) and one or more special classes (at plain ends), whose branches share the triangle.
#include "core/Factory.h"
#include "core/Registries.h"
#include "elements/class/GeneralizationBase.h"

#include <memory>

namespace Class {

class Class;
class GeneralizationEnd;

// The generalization; it deletes itself when it has no master end left.
class Generalization : public Connector::ConnectorImp<Generalization, Connector::IConnectorWithMasterEnd> {
public:
    // The factory, registered under "Generalization".
    static Core::FactoryImp<Generalization>& Factory();
    // Plain ends (type 2) at the start of a drawn path and as further ends, the master end (type 1)
    // at its end; "SourceEnd" and "TargetEnd" make no part.
    static Connector::IFactory& PartFactory();
    // A new generalization from the special class to the general class, one straight segment
    // between their facing sides (inside the caller's change).
    static Generalization& Create(Core::Env& env, Class& special, Class& general);
    // A new branch from the special class to the middle of the segment, which takes it in (the
    // drawn generalization merges into the segment's); answers whether it did.
    static bool AddBranch(Core::Env& env, Class& special, Connector::ISegment& segment);
};

// An end of a generalization: "Pos", "Class" and "Type".
class GeneralizationEnd : public GeneralizationEndImp<GeneralizationEnd> {
public:
    static constexpr const wchar_t* kTerminalAttribute = L"Class";
    // The factory, registered under "GeneralizationEnd".
    static Core::FactoryImp<GeneralizationEnd>& Factory();
    static Connector::IFactory& PartFactory() { return Generalization::PartFactory(); }
    // The class the end lies on, or none.
    Class* GetClass() const;
};

// A segment of a generalization.
class GeneralizationSegment : public GeneralizationSegmentImp<GeneralizationSegment, GeneralizationEnd> {
public:
    // The factory, registered under "GeneralizationSegment".
    static Core::FactoryImp<GeneralizationSegment>& Factory();
    static Connector::IFactory& PartFactory() { return Generalization::PartFactory(); }
};

// A join of a generalization.
class GeneralizationJoin : public GeneralizationJoinImp<GeneralizationJoin, GeneralizationEnd> {
public:
    // The factory, registered under "GeneralizationJoin".
    static Core::FactoryImp<GeneralizationJoin>& Factory();
    static Connector::IFactory& PartFactory() { return Generalization::PartFactory(); }
};

// Reports the generalization's factories to the registry.
void ReportGeneralizationFactories(Core::FactoryRegistry& registry);

} // namespace Class
