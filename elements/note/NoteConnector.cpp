#include "elements/note/NoteConnector.h"

#include "elements/note/Note.h"
#include "view/connector/PartFactory.h"
#include "core/foundation/Cast.h"

namespace Note {

Core::FactoryImp<NoteConnector>& NoteConnector::Factory()
{
    static Core::FactoryImp<NoteConnector> factory(Core::SchemaNamespace10(), L"NoteConnector");
    return factory;
}

Connector::IFactory& NoteConnector::PartFactory()
{
    static Connector::KindPartFactory<NoteConnector, NoteConnectorEnd, NoteConnectorJoin, NoteConnectorSegment> factory(NoteConnectorEnd::kOnNote, NoteConnectorEnd::kFar, NoteConnectorEnd::kOnNote);
    return factory;
}

Core::IModelElement* NoteConnector::GetOwner() const
{
    for (Connector::IEnd* e : GetEnds())
        if (auto* note = zq::Cast<Note>(e->GetTerminal()); note != nullptr && !e->IsDeleted()) return note;
    return nullptr;
}

Core::FactoryImp<NoteConnectorEnd>& NoteConnectorEnd::Factory()
{
    static Core::FactoryImp<NoteConnectorEnd> factory(Core::SchemaNamespace10(), L"NoteConnectorEnd");
    return factory;
}

bool NoteConnectorEnd::MayAttach(const Core::IModelElement* element, int32_t type, const Connector::IConnector* own,
                                 NoteConnectorEnd* end)
{
    if (element == nullptr || element == end || element->IsDeleted()) return false;
    const bool note = zq::Cast<const Note>(element) != nullptr;
    if (type == kOnNote) return note;
    if (note) return false;
    auto* part = zq::Cast<const Connector::IConnectorElement>(element);
    if (part != nullptr && own != nullptr && part->GetConnector() == own) return false;
    if (auto* attach = zq::Cast<const Core::IAttach<NoteConnectorEnd>>(element))
        return zq::Cast<const Core::IPartner<NoteConnectorEnd>>(element) != nullptr && attach->CanAttach(end);
    return zq::Cast<const Core::IPartner<Core::IAttachment>>(element) != nullptr &&
           zq::Cast<const Core::ITerminal>(element) != nullptr;
}

bool NoteConnectorEnd::AcceptsTerminal(const Core::IModelElement* element) const
{
    return MayAttach(element, GetType(), GetConnector(), const_cast<NoteConnectorEnd*>(this));
}

bool NoteConnectorEnd::AttachTo(Core::Env& env, Core::IModelElement* element)
{
    if (element == GetSegment() || !AcceptsTerminal(element)) return false;
    if (auto* attach = zq::Cast<Core::IAttach<NoteConnectorEnd>>(element)) return attach->TryAttach(env, this);
    SetTerminal(env, element);
    return true;
}

void NoteConnectorEnd::AttachToPartner(Core::Env& env, Core::IModelElement* element)
{
    auto* list = zq::Cast<Core::IPartner<Core::IAttachment>>(element);
    if (list == nullptr || zq::Cast<Core::IPartner<NoteConnectorEnd>>(element) != nullptr)
        return EndImp::AttachToPartner(env, element);
    SetTerminalImp(env, element);
    list->AddPartner(env, this);
}

void NoteConnectorEnd::DetachFromPartner(Core::Env& env, Core::IModelElement* element)
{
    if (auto* list = zq::Cast<Core::IPartner<Core::IAttachment>>(element);
        list != nullptr && zq::Cast<Core::IPartner<NoteConnectorEnd>>(element) == nullptr)
        list->RemovePartner(env, this);
    else
        EndImp::DetachFromPartner(env, element);
}

void NoteConnectorEnd::SetTerminalImp(Core::Env& env, Core::IModelElement* terminal)
{
    EndImp::SetTerminalImp(env, terminal);
    if (GetType() != kFar || GetConnector() == nullptr) return;
    if (Core::IModelElement* note = GetConnector()->GetOwner(); note != nullptr && !note->IsDeleted()) env.Modify(*note);
}

namespace {
// Accepts the elements the far end of a new note connector may attach to.
class TargetFilter : public Core::IFilter {
public:
    bool Accept(const Core::IModelElement* element) const override {
        return NoteConnectorEnd::MayAttach(element, NoteConnectorEnd::kFar, nullptr, nullptr);
    }
};
} // namespace

const Core::IFilter& NoteConnectorTargets()
{
    static const TargetFilter filter;
    return filter;
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
