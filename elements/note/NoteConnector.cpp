#include "elements/note/NoteConnector.h"

#include "elements/note/Note.h"
#include "elements/note/PartFactory.h"

namespace Note {

Core::FactoryImp<NoteConnector>& NoteConnector::Factory()
{
    static Core::FactoryImp<NoteConnector> factory(Core::SchemaNamespace10(), L"NoteConnector");
    return factory;
}

Connector::IFactory& NoteConnector::PartFactory()
{
    static KindPartFactory<NoteConnector, NoteConnectorEnd, NoteConnectorJoin, NoteConnectorSegment> factory(1, 2);
    return factory;
}

Core::IModelElement* NoteConnector::GetOwner() const
{
    for (Connector::IEnd* e : GetEnds())
        if (auto* note = dynamic_cast<Note*>(e->GetTerminal()); note != nullptr && !e->IsDeleted()) return note;
    return nullptr;
}

Core::FactoryImp<NoteConnectorEnd>& NoteConnectorEnd::Factory()
{
    static Core::FactoryImp<NoteConnectorEnd> factory(Core::SchemaNamespace10(), L"NoteConnectorEnd");
    return factory;
}

Core::FactoryImp<NoteConnectorSegment>& NoteConnectorSegment::Factory()
{
    static Core::FactoryImp<NoteConnectorSegment> factory(Core::SchemaNamespace10(), L"NoteConnectorSegment");
    return factory;
}

Core::FactoryImp<NoteConnectorJoin>& NoteConnectorJoin::Factory()
{
    static Core::FactoryImp<NoteConnectorJoin> factory(Core::SchemaNamespace10(), L"NoteConnectorJoin");
    return factory;
}

void ReportNoteConnectorFactories(Core::FactoryRegistry& registry) { NoteConnector::Factory().ReportTo(registry); }

} // namespace Note
