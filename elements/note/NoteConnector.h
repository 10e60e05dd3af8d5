#pragma once
// The note connector: a linear connector from a note to the element the note is about. Its far
// end may lie on any connector segment that carries the note layer.
#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Registries.h"
#include "view/connector/Parts.h"

namespace Note {

class NoteConnectorEnd;

// The note connector; it lives while it has parts. Written inside its note in chain order: the end
// on the note ("SourceEnd", "Pos" only), segments and joins, the far end ("End", "Pos" and "Party").
class NoteConnector : public Connector::ConnectorImp<NoteConnector, Connector::ILinearConnector> {
public:
    // The factory, registered under "NoteConnector".
    static Core::FactoryImp<NoteConnector>& Factory();
    // Ends of type 1 (at the note, read from "SourceEnd") and 2 (the far end, read from "End").
    static Connector::IFactory& PartFactory();
    // The note its first end lies on, which writes the connector inside itself; none while free.
    Core::IModelElement* GetOwner() const override;
    // The chain starts at the end on the note (at the first live end when there is none).
    Connector::IEnd* GetFirstEnd() const override;
    // Reading: an end on the note that names no party lies on the note holding the connector.
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
};

// An end of a note connector. The end on the note (type 1) attaches to notes only; the far end
// (type 2) to the element the note is about: an element that takes note connector ends
// (Core::IAttach<NoteConnectorEnd> with a Core::IPartner<NoteConnectorEnd> list, such as connector
// segments) or a terminal that lists the ends pointing at it (Core::IPartner<Core::IAttachment>,
// such as free texts); never a note, nor a part of its own connector.
class NoteConnectorEnd : public Connector::EndImp<NoteConnectorEnd> {
public:
    // The end types.
    static constexpr int32_t kOnNote = 1;
    static constexpr int32_t kFar = 2;
    // The factory, registered under "NoteConnectorEnd".
    static Core::FactoryImp<NoteConnectorEnd>& Factory();
    static Connector::IFactory& PartFactory() { return NoteConnector::PartFactory(); }
    // "Pos" and "Party" stored; the type follows from the part tag and is not written.
    static void RegisterProperties(Core::PropertyTable<Connector::EndRep>& t);
    // An empty end of the type, for reading.
    static std::shared_ptr<NoteConnectorEnd> MakeForReading(int32_t type);
    // Whether the element is of a kind a far end may name: no note; an element that takes note
    // connector ends and lists them, or a terminal that lists its attachments.
    static bool IsPartyKind(const Core::IModelElement* element);
    // Whether an end of the type (of its connector, when given) may lie on the element.
    static bool MayAttach(const Core::IModelElement* element, int32_t type, const Connector::IConnector* own,
                          NoteConnectorEnd* end);

    bool AcceptsTerminal(const Core::IModelElement* element) const override;
    // Attaches only where the rule above allows it.
    bool AttachTo(Core::Env& env, Core::IModelElement* element) override;
    // The element's list of note connector ends, or its list of attachments.
    void AttachToPartner(Core::Env& env, Core::IModelElement* element) override;
    void DetachFromPartner(Core::Env& env, Core::IModelElement* element) override;
    // A far end put on or taken off an element makes its note look for its container again.
    void SetTerminalImp(Core::Env& env, Core::IModelElement* terminal) override;
    // "SourceEnd" on the note, "End" at the far side.
    std::wstring GetPartTag() const override { return GetType() == kOnNote ? L"SourceEnd" : L"End"; }
    // The end on the note writes "Pos" only: the note holding the connector is its party.
    void StoreProperties(xml::IWriter& writer) const override;
    // An "End" also takes the "Type" (1 on the note, 2 far) of documents written before the end on
    // the note was written as "SourceEnd". A far end's "Party" of no party kind is a type mismatch.
    void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
};

// The target filter of a new note connector: the elements its far end may attach to.
const Core::IFilter& NoteConnectorTargets();

// A segment of a note connector (its ends follow from the chain order); another note may point at
// it, but never its own connector.
class NoteConnectorSegment : public Connector::SegmentImp<NoteConnectorSegment, NoteConnectorEnd, false>,
                             public Core::IAttach<NoteConnectorEnd> {
public:
    // The factory, registered under "NoteConnectorSegment".
    static Core::FactoryImp<NoteConnectorSegment>& Factory();
    static Connector::IFactory& PartFactory() { return NoteConnector::PartFactory(); }
    bool CanAttach(NoteConnectorEnd* end) const override { return end == nullptr || end->GetConnector() != GetConnector(); }
    void Attach(Core::Env& env, NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
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
