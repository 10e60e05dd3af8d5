#pragma once
// The message and the return: linear connectors between the parties of a sequence diagram. A
// message runs from a source end to a target end that carries one of three arrow heads; a return
// is a dashed line from an activation back to a lifeline or activation with an open head.
#include "core/Factory.h"
#include "elements/note/NoteConnector.h"
#include "elements/sequence/Parties.h"
#include "style/Names.h"
#include "text/free/SegmentText.h"
#include "core/foundation/Cast.h"

namespace Sequence {

// The arrow heads of a message's target end.
namespace MessageArrowType {
enum T : int32_t { FilledSolid = 1, Stick = 2, HalfStick = 3 };
}

// The message ("Message"); it lives while it has parts.
class Message : public Connector::ConnectorImp<Message, Connector::ILinearConnector> {
public:
    static Core::FactoryImp<Message>& Factory();
    // Source and target ends, segments and joins of messages.
    static Connector::IFactory& PartFactory();
    // The source end, or none.
    Connector::IEnd* GetSourceEnd() const;
    // The target end, or none.
    Connector::IEnd* GetTargetEnd() const;
    // Moved as a connector is; the texts anchored on its segments go along.
    void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                   Core::DeferredShiftSet& set, bool finalPass) override;
};

// An end of a message, written as "SourceEnd" or, with its "ArrowType", as "TargetEnd". The
// record's type is 1 at the source and 1 + the arrow type at the target, so that an end taking
// another's place takes its kind and head along.
class MessageEnd : public KindEnd<MessageEnd, IMessageEnd> {
public:
    static constexpr int32_t kSource = 1;
    static Core::FactoryImp<MessageEnd>& Factory();
    static Connector::IFactory& PartFactory() { return Message::PartFactory(); }
    static void RegisterProperties(Core::PropertyTable<Connector::EndRep>& t);
    // An empty end of the kind for reading.
    static std::shared_ptr<MessageEnd> MakeForReading(bool target);

    bool IsTarget() const { return GetType() > kSource; }
    // 1 to 3 at the target end; 0 at the source end.
    int32_t GetArrowType() const { return IsTarget() ? GetType() - kSource : 0; }
    // Undoable; nothing at a source end, on a deleted end or for a value outside 1 to 3.
    void SetArrowType(Core::Env& env, int32_t arrowType);
    IMessageParty* GetParty() const { return zq::Cast<IMessageParty>(GetTerminal()); }
    std::wstring GetPartTag() const override { return IsTarget() ? L"TargetEnd" : L"SourceEnd"; }
    // "Pos", "Party" and at the target "ArrowType".
    void StoreProperties(xml::IWriter& writer) const override;
    void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
};

// A segment of a message: anchored texts (its label) and note ends lie on it.
class MessageSegment : public Text::SegmentImp<MessageSegment, Note::NoteConnectorEnd, false>,
                       public Style::IStyleClient,
                       public Core::IAttach<Note::NoteConnectorEnd>,
                       public Core::IAttach<Text::Anchor> {
public:
    static Core::FactoryImp<MessageSegment>& Factory();
    static Connector::IFactory& PartFactory() { return Message::PartFactory(); }
    static const Style::DirectoryName& Directory() { return Style::Names::Message(); }
    // A new segment makes sure the document's style has the message directories.
    static void PrepareNew(Core::Env& env, MessageSegment& segment);

    void SetStyle(Core::Env&, Style::Style*) override {}
    Style::Style* GetStyle() const override;
    void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override { RestyleAnchors(env, changed); }
    void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
    void CreateDirectories(Core::Env& env, Style::Style* style) override;
    void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
    void Attach(Core::Env& env, Text::Anchor* anchor) override { AddAnchor(env, anchor); }
    using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
    using Core::IAttach<Text::Anchor>::CanAttach;
};

// A bend of a message.
class MessageJoin : public Connector::JoinImp<MessageJoin> {
public:
    static Core::FactoryImp<MessageJoin>& Factory();
    static Connector::IFactory& PartFactory() { return Message::PartFactory(); }
};

// The return ("Return"); it lives while it has parts.
class Return : public Connector::ConnectorImp<Return, Connector::ILinearConnector> {
public:
    static Core::FactoryImp<Return>& Factory();
    static Connector::IFactory& PartFactory();
    Connector::IEnd* GetSourceEnd() const;
    Connector::IEnd* GetTargetEnd() const;
};

// An end of a return, written as "SourceEnd" (type 1) or "TargetEnd" (type 2).
class ReturnEnd : public KindEnd<ReturnEnd, IReturnEnd> {
public:
    static constexpr int32_t kSource = 1;
    static constexpr int32_t kTarget = 2;
    static Core::FactoryImp<ReturnEnd>& Factory();
    static Connector::IFactory& PartFactory() { return Return::PartFactory(); }
    static void RegisterProperties(Core::PropertyTable<Connector::EndRep>& t);
    static std::shared_ptr<ReturnEnd> MakeForReading(bool target);
    bool IsTarget() const { return GetType() == kTarget; }
    IReturnParty* GetParty() const { return zq::Cast<IReturnParty>(GetTerminal()); }
    std::wstring GetPartTag() const override { return IsTarget() ? L"TargetEnd" : L"SourceEnd"; }
};

// A segment of a return; note ends lie on it.
class ReturnSegment : public Connector::SegmentImp<ReturnSegment, Note::NoteConnectorEnd, false>,
                      public Core::IAttach<Note::NoteConnectorEnd> {
public:
    static Core::FactoryImp<ReturnSegment>& Factory();
    static Connector::IFactory& PartFactory() { return Return::PartFactory(); }
    void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
};

// A bend of a return.
class ReturnJoin : public Connector::JoinImp<ReturnJoin> {
public:
    static Core::FactoryImp<ReturnJoin>& Factory();
    static Connector::IFactory& PartFactory() { return Return::PartFactory(); }
};

} // namespace Sequence
