#include "elements/sequence/Message.h"

#include "core/Exceptions.h"
#include "view/connector/PartFactory.h"
#include "core/StoredForms.h"
#include "core/Transaction.h"
#include "core/xml/Reader.h"
#include "core/xml/Writer.h"
#include "style/Model.h"
#include "core/foundation/Cast.h"

namespace Sequence {

namespace {

// The parts of a connector kind whose source and target ends are one class told apart by type;
// the reader makes them by their part tags.
template <class C, class End, class Join, class Segment>
class PartFactory : public Connector::KindPartFactory<C, End, Join, Segment> {
public:
    using Connector::KindPartFactory<C, End, Join, Segment>::KindPartFactory;
    Core::ElementPtr CreateSourceEnd() override { return End::MakeForReading(false); }
    Core::ElementPtr CreateTargetEnd() override { return End::MakeForReading(true); }
    Core::ElementPtr CreateEnd() override { return nullptr; }
};

// The end of the connector that is (or is not) a target end.
template <class End>
Connector::IEnd* FindEnd(const Connector::IConnector& c, bool target)
{
    for (Connector::IEnd* e : c.GetEnds())
        if (auto* k = zq::Cast<End>(e); k != nullptr && !k->IsDeleted() && k->IsTarget() == target) return k;
    return nullptr;
}

} // namespace

// ---- message

Core::FactoryImp<Message>& Message::Factory()
{
    static Core::FactoryImp<Message> factory(Core::SchemaNamespace10(), L"Message");
    return factory;
}

Connector::IFactory& Message::PartFactory()
{
    static Sequence::PartFactory<Message, MessageEnd, MessageJoin, MessageSegment> factory(
        MessageEnd::kSource, MessageEnd::kSource + MessageArrowType::FilledSolid, MessageEnd::kSource);
    return factory;
}

Connector::IEnd* Message::GetSourceEnd() const { return FindEnd<MessageEnd>(*this, false); }
Connector::IEnd* Message::GetTargetEnd() const { return FindEnd<MessageEnd>(*this, true); }

void Message::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                        Core::DeferredShiftSet& set, bool finalPass)
{
    Connector::IConnector::ShiftImpl(env, sender, shift, set, finalPass);
    for (Connector::ISegment* s : GetSegmentList())
        if (auto* segment = zq::Cast<MessageSegment>(s)) segment->CarryAnchors(env);
}

Core::FactoryImp<MessageEnd>& MessageEnd::Factory()
{
    static Core::FactoryImp<MessageEnd> factory(Core::SchemaNamespace10(), L"MessageEnd");
    return factory;
}

void MessageEnd::RegisterProperties(Core::PropertyTable<Connector::EndRep>& t)
{
    Connector::RegisterTaggedEndFields(t, kSource);
}

std::shared_ptr<MessageEnd> MessageEnd::MakeForReading(bool target)
{
    auto e = std::make_shared<MessageEnd>();
    Connector::Detail::ReadingRep(*e).type = target ? kSource + MessageArrowType::FilledSolid : kSource;
    return e;
}

void MessageEnd::SetArrowType(Core::Env& env, int32_t arrowType)
{
    if (IsTarget() && arrowType >= MessageArrowType::FilledSolid && arrowType <= MessageArrowType::HalfStick)
        SetType(env, kSource + arrowType);
}

void MessageEnd::StoreProperties(xml::IWriter& writer) const
{
    KindEnd::StoreProperties(writer);
    if (IsTarget()) Core::StoredForm::WriteInt(writer.WriteAttribute(xml::kSchema10, L"ArrowType"), GetArrowType());
}

void MessageEnd::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry)
{
    KindEnd::RestoreProperties(attributes, registry);
    if (!IsTarget()) return;
    auto [found, text] = attributes.find(xml::kSchema10, L"ArrowType");
    if (!found) throw Core::Exceptions::MandatoryAttributeMissing(attributes.GetLine(), L"ArrowType");
    const int32_t value = Core::ToBinary::ToInt(text, L"ArrowType", attributes.GetLine());
    if (value < MessageArrowType::FilledSolid || value > MessageArrowType::HalfStick)
        throw Core::Exceptions::AttributeOutOfRange(attributes.GetLine(), L"ArrowType");
    Connector::Detail::ReadingRep(*this).type = kSource + value;
}

Core::FactoryImp<MessageSegment>& MessageSegment::Factory()
{
    static Core::FactoryImp<MessageSegment> factory(Core::SchemaNamespace10(), L"MessageSegment");
    return factory;
}

void MessageSegment::PrepareNew(Core::Env& env, MessageSegment& segment)
{
    segment.CreateDirectories(env, Style::Style::Find(env.GetDiagram()));
}

Style::Style* MessageSegment::GetStyle() const
{
    for (Text::Anchor* a : GetAnchors())
        if (Text::FreeText* text = a->GetFreeText()) return text->GetStyle();
    return nullptr;
}

void MessageSegment::CollectDirectoryNames(Style::IUsageCollector& collector) const
{
    Style::DirectoryName::VisitFromRoot(collector, Directory());
}

void MessageSegment::CreateDirectories(Core::Env& env, Style::Style* style)
{
    if (style != nullptr) Style::CreateKindDirectories(env, *style, Style::StyledKind::Message);
}

Core::FactoryImp<MessageJoin>& MessageJoin::Factory()
{
    static Core::FactoryImp<MessageJoin> factory(Core::SchemaNamespace10(), L"MessageJoin");
    return factory;
}

// ---- return

Core::FactoryImp<Return>& Return::Factory()
{
    static Core::FactoryImp<Return> factory(Core::SchemaNamespace10(), L"Return");
    return factory;
}

Connector::IFactory& Return::PartFactory()
{
    static Sequence::PartFactory<Return, ReturnEnd, ReturnJoin, ReturnSegment> factory(
        ReturnEnd::kSource, ReturnEnd::kTarget, ReturnEnd::kSource);
    return factory;
}

Connector::IEnd* Return::GetSourceEnd() const { return FindEnd<ReturnEnd>(*this, false); }
Connector::IEnd* Return::GetTargetEnd() const { return FindEnd<ReturnEnd>(*this, true); }

Core::FactoryImp<ReturnEnd>& ReturnEnd::Factory()
{
    static Core::FactoryImp<ReturnEnd> factory(Core::SchemaNamespace10(), L"ReturnEnd");
    return factory;
}

void ReturnEnd::RegisterProperties(Core::PropertyTable<Connector::EndRep>& t)
{
    Connector::RegisterTaggedEndFields(t, kSource);
}

std::shared_ptr<ReturnEnd> ReturnEnd::MakeForReading(bool target)
{
    auto e = std::make_shared<ReturnEnd>();
    Connector::Detail::ReadingRep(*e).type = target ? kTarget : kSource;
    return e;
}

Core::FactoryImp<ReturnSegment>& ReturnSegment::Factory()
{
    static Core::FactoryImp<ReturnSegment> factory(Core::SchemaNamespace10(), L"ReturnSegment");
    return factory;
}

Core::FactoryImp<ReturnJoin>& ReturnJoin::Factory()
{
    static Core::FactoryImp<ReturnJoin> factory(Core::SchemaNamespace10(), L"ReturnJoin");
    return factory;
}

} // namespace Sequence
