#pragma once
// The note connector: a linear connector from a note to the element the note is about. Its far
// end may lie on any connector segment that carries the note layer.
#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Registries.h"
#include "view/connector/Parts.h"

namespace Note {

class NoteConnectorEnd;

// The note connector; it lives while it has parts.
class NoteConnector : public Connector::ConnectorImp<NoteConnector, Connector::ILinearConnector> {
public:
    // The factory, registered under "NoteConnector".
    static Core::FactoryImp<NoteConnector>& Factory();
    // Ends of type 1 (at the note) and 2 (the far end).
    static Connector::IFactory& PartFactory();
    // The note its first end lies on, which writes the connector inside itself; none while free.
    Core::IModelElement* GetOwner() const override;
};

// An end of a note connector; the far end (type 2) attaches to the element the note is about.
class NoteConnectorEnd : public Connector::EndImp<NoteConnectorEnd> {
public:
    // The factory, registered under "NoteConnectorEnd".
    static Core::FactoryImp<NoteConnectorEnd>& Factory();
    static Connector::IFactory& PartFactory() { return NoteConnector::PartFactory(); }
};

// A segment of a note connector (its ends follow from the chain order).
class NoteConnectorSegment : public Connector::SegmentImp<NoteConnectorSegment, NoteConnectorEnd, false> {
public:
    // The factory, registered under "NoteConnectorSegment".
    static Core::FactoryImp<NoteConnectorSegment>& Factory();
    static Connector::IFactory& PartFactory() { return NoteConnector::PartFactory(); }
    // A note connector never points at its own segments.
    bool Contains(const NoteConnectorEnd*) const override { return false; }
};

// A bend of a note connector.
class NoteConnectorJoin : public Connector::JoinImp<NoteConnectorJoin> {
public:
    // The factory, registered under "NoteConnectorJoin".
    static Core::FactoryImp<NoteConnectorJoin>& Factory();
    static Connector::IFactory& PartFactory() { return NoteConnector::PartFactory(); }
};

// Reports the note connector's factories to the registry.
void ReportNoteConnectorFactories(Core::FactoryRegistry& registry);

} // namespace Note
