#pragma once
// The sequence object: the named box at the head of a lifeline. It always owns exactly one
// lifeline, written inside it, that hangs from the middle of its lower edge.
#include "core/Factory.h"
#include "core/Storable.h"
#include "elements/note/NoteConnector.h"
#include "elements/sequence/Parties.h"
#include "style/Clients.h"
#include "text/Text.h"
#include "text/TextOwner.h"

namespace Sequence {

struct SeqObjectRep {
    zq::Point size{2000, 1000};
    LifeLine* lifeLine = nullptr;                    // not stored: the nested child
    TextBlock::Text* text = nullptr;
    Core::PtrCont<Note::NoteConnectorEnd> noteEnds;  // not stored: rebuilt from the ends
    Core::PtrCont<IMessageEnd> messageEnds;          // not stored: rebuilt from the ends
    Style::Style* style = nullptr;                   // not stored: the document's style
    std::wstring elementStyle;
};

// A sequence object ("SeqObject"): "Pos", "Size", "ElementStyle", its text and its lifeline.
class SeqObject
    : public Core::StorableWithPos<SeqObject, SeqObjectRep, Core::StorableTraits::Null,
                                   Core::ResizableWithSizeField<SeqObjectRep, &SeqObjectRep::size>, Core::IShiftable,
                                   Core::IDeletable, Core::INamed, IMessageParty, TextBlock::ITextOwner,
                                   Style::IElementStyleClient, Core::ICheckable, Core::IAttach<Note::NoteConnectorEnd>,
                                   Core::PartnerList<SeqObjectRep, IMessageEnd, &SeqObjectRep::messageEnds>,
                                   Core::PartnerList<SeqObjectRep, Note::NoteConnectorEnd, &SeqObjectRep::noteEnds>> {
public:
    static constexpr std::int32_t kMargin = 100;
    // The factory, registered under "SeqObject".
    static Core::FactoryImp<SeqObject>& Factory();
    static void RegisterProperties(Core::PropertyTable<SeqObjectRep>& t);
    // A new object named "<name?>" with its top-left corner at the point, with its lifeline.
    static std::shared_ptr<SeqObject> Create(Core::Env& env, const zq::Point& point);
    static Core::ElementPtr CreateElement(Core::Env& env, const zq::Point& point) { return Create(env, point); }

    TextBlock::Text* GetText() const { return GetRep().text; }
    LifeLine* GetLifeLine() const { return GetRep().lifeLine; }
    // Writes the link to the lifeline (undoable).
    void SetLifeLine(Core::Env& env, LifeLine* lifeLine);
    // The message ends and note ends attached to the box.
    const Core::PtrCont<IMessageEnd>& GetMessageEnds() const { return GetRep().messageEnds; }
    const Core::PtrCont<Note::NoteConnectorEnd>& GetNoteEnds() const { return GetRep().noteEnds; }

    // IResizable: the rectangle, grown to the name; the lifeline and attached ends follow.
    void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred = false) override;
    // INamed
    void SetName(Core::Env& env, const std::wstring& name) override;
    std::wstring GetName() const override;
    // IPointable
    bool IsNear(const zq::Point& p, std::int32_t tolerance) const override;
    bool GetBoundingRect(zq::Rect& out) const override;
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const override;
    // ITerminal: the box outline.
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const override;
    // IShiftable: the lifeline (unless it sent the move) and the attached ends follow. An object
    // dragged along only because its lifeline or an activation is follows its lifeline sideways.
    void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                   Core::DeferredShiftSet& set, bool noFollow) override;
    // What lies on it goes as it goes (Detail::MovesOnlySideways).
    bool MovesOnlySideways(const Core::Env& env, const Core::DeferredShiftSet& set) const override;
    // Follows its moved lifeline: deferred into the move.
    void AddDeferredShiftingElements(const Core::ModelElementSet& moved, Core::DeferredShiftSet& set) override;
    // IDeletable: the text, the lifeline with its activations and every attached end go with it.
    void Delete(Core::Env& env) override;
    // Selected itself or through its lifeline.
    bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
    // Copies take the lifeline (and its activations) along.
    void CollectForSelection(Core::ModelElementSet& set) override;
    // IAttach
    void Attach(Core::Env& env, IMessageEnd* end) override;
    void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
    using Core::IAttach<IMessageEnd>::CanAttach;
    using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;

    // ITextOwner: the name lies 100 inside the box on every side, centred.
    void GetTextOrigin(zq::Point& origin) const override;
    void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const override;
    void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
    void SetText(Core::Env& env, TextBlock::Text* text) override { SetField(env, &SeqObjectRep::text, text); }
    void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

    // IStyleClient / IElementStyleClient
    void SetStyle(Core::Env& env, Style::Style* style) override;
    Style::Style* GetStyle() const override { return GetRep().style; }
    void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
    void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
    void CreateDirectories(Core::Env& env, Style::Style* style) override;
    void SetElementStyle(Core::Env& env, const std::wstring& name) override;
    std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

    // Reading: the nested "LifeLine" is the object's one lifeline.
    Core::ElementPtr CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) override;
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
    // Reading: an object read keeps its stored size while its name is laid out.
    void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
    // Reading: an object without its lifeline is refused.
    void OnRestored(Core::Env& env) override;

private:
    // Grows the rectangle to the name (keeping the centre when asked) and applies it.
    void Fit(Core::Env& env, zq::Rect r, bool keepCentred);
    int readLine_ = 0;
    bool reading_ = false;
};

// Reports the factories of the sequence diagram's element kinds and its style directories.
void ReportSequenceFactories(Core::FactoryRegistry& registry);

} // namespace Sequence
