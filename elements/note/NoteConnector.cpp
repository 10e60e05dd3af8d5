#include "elements/note/NoteConnector.h"

#include "elements/note/Note.h"
#include "core/DocumentReader.h"
#include "core/Exceptions.h"
#include "view/connector/PartFactory.h"
#include "core/foundation/Cast.h"

namespace Note {

Core::FactoryImp<NoteConnector>& NoteConnector::Factory()
{
    static Core::FactoryImp<NoteConnector> factory(Core::SchemaNamespace10(), L"NoteConnector");
    return factory;
}

namespace {
// Ends of type 1 at the start of a drawn path and as plain further ends, of type 2 at its end; a
// stored "SourceEnd" is an end on the note, an "End" a far end.
class Fact : public Connector::KindPartFactory<NoteConnector, NoteConnectorEnd, NoteConnectorJoin, NoteConnectorSegment> {
public:
    Fact() : KindPartFactory(NoteConnectorEnd::kOnNote, NoteConnectorEnd::kFar, NoteConnectorEnd::kOnNote) {}
    Core::ElementPtr CreateSourceEnd() override { return NoteConnectorEnd::MakeForReading(NoteConnectorEnd::kOnNote); }
    Core::ElementPtr CreateEnd() override { return NoteConnectorEnd::MakeForReading(NoteConnectorEnd::kFar); }
};
} // namespace

Connector::IFactory& NoteConnector::PartFactory()
{
    static Fact factory;
    return factory;
}

Core::IModelElement* NoteConnector::GetOwner() const
{
    for (Connector::IEnd* e : GetEnds())
        if (auto* note = zq::Cast<Note>(e->GetTerminal()); note != nullptr && !e->IsDeleted()) return note;
    return nullptr;
}

Connector::IEnd* NoteConnector::GetFirstEnd() const
{
    for (Connector::IEnd* e : GetEnds())
        if (!e->IsDeleted() && e->GetEndType() == NoteConnectorEnd::kOnNote) return e;
    return ILinearConnector::GetFirstEnd();
}

void NoteConnector::EndRestore(Core::Env&, const Core::RestoreContext& context)
{
    auto* note = zq::Cast<Note>(context.enclosing);
    if (note == nullptr) return;
    for (Connector::IEnd* e : GetEnds())
        if (auto* end = zq::Cast<NoteConnectorEnd>(e);
            end != nullptr && end->GetType() == NoteConnectorEnd::kOnNote && end->GetTerminal() == nullptr)
            Connector::Detail::ReadingRep(*end).party = note;
}

Core::FactoryImp<NoteConnectorEnd>& NoteConnectorEnd::Factory()
{
    static Core::FactoryImp<NoteConnectorEnd> factory(Core::SchemaNamespace10(), L"NoteConnectorEnd");
    return factory;
}

void NoteConnectorEnd::RegisterProperties(Core::PropertyTable<Connector::EndRep>& t)
{
    Connector::RegisterTaggedEndFields(t, kFar);
}

std::shared_ptr<NoteConnectorEnd> NoteConnectorEnd::MakeForReading(int32_t type)
{
    auto end = std::make_shared<NoteConnectorEnd>();
    Connector::Detail::ReadingRep(*end).type = type;
    return end;
}

void NoteConnectorEnd::StoreProperties(xml::IWriter& writer) const
{
    if (GetType() != kOnNote) return EndImp::StoreProperties(writer);
    Core::StoredForm::WriteFloat8Point(writer.WriteAttribute(xml::kSchema10, L"Pos"), GetPosition());
}

void NoteConnectorEnd::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry)
{
    EndImp::RestoreProperties(attributes, registry);
    if (GetType() == kFar) {
        if (auto [found, text] = attributes.find(xml::kSchema10, L"Type"); found) {
            const int32_t type = Core::ToBinary::ToInt(text, L"Type", attributes.GetLine());
            if (type != kOnNote && type != kFar) throw Core::Exceptions::AttributeOutOfRange(attributes.GetLine(), L"Type");
            Connector::Detail::ReadingRep(*this).type = type;
        }
    }
    // A far end names a party: another kind of element (a note, a join) is the wrong kind.
    if (GetType() == kFar && GetTerminal() != nullptr && !IsPartyKind(GetTerminal()))
        throw Core::Exceptions::TypeMismatchOfRestoredObject(attributes.GetLine());
}

bool NoteConnectorEnd::IsPartyKind(const Core::IModelElement* element)
{
    if (zq::Cast<const Note>(element) != nullptr) return false;
    if (zq::Cast<const Core::IAttach<NoteConnectorEnd>>(element) != nullptr)
        return zq::Cast<const Core::IPartner<NoteConnectorEnd>>(element) != nullptr;
    return zq::Cast<const Core::IPartner<Core::IAttachment>>(element) != nullptr &&
           zq::Cast<const Core::ITerminal>(element) != nullptr;
}

bool NoteConnectorEnd::MayAttach(const Core::IModelElement* element, int32_t type, const Connector::IConnector* own,
                                 NoteConnectorEnd* end)
{
    if (element == nullptr || element == end || element->IsDeleted()) return false;
    if (type == kOnNote) return zq::Cast<const Note>(element) != nullptr;
    if (!IsPartyKind(element)) return false;
    auto* part = zq::Cast<const Connector::IConnectorElement>(element);
    if (part != nullptr && own != nullptr && part->GetConnector() == own) return false;
    auto* attach = zq::Cast<const Core::IAttach<NoteConnectorEnd>>(element);
    return attach == nullptr || attach->CanAttach(end);
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
