#pragma once
#include <vector>
// The note: a box with a folded corner holding a text, from which note connectors point at the
// elements it comments on. Its note connectors are written inside it.
#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Interfaces.h"
#include "core/Registries.h"
#include "core/Storable.h"
#include "elements/note/NoteConnector.h"
#include "style/Clients.h"
#include "text/Text.h"
#include "text/TextOwner.h"

namespace Note {

struct NoteRep {
    zq::Point size{2000, 1000};
    TextBlock::Text* text = nullptr;
    std::wstring elementStyle;
    Core::PtrCont<NoteConnectorEnd> connectorEnds;  // not stored: the ends of its note connectors
    Core::IContainer* container = nullptr;          // not stored: the package (or other box) it lies in
    Style::Style* style = nullptr;                  // not stored: the document's style
};

// A note: "Pos", "Size", "ElementStyle" (when set) and its text. It lies in the container whose
// rectangle holds it, unless it points at something, and is written inside that container.
class Note : public Core::StorableWithPos<Note, NoteRep, Core::StorableTraits::Null,
                                          Core::ResizableWithSizeField<NoteRep, &NoteRep::size>, Core::IShiftable,
                                          Core::ITerminal, Core::IContainable, TextBlock::ITextOwner,
                                          Style::IElementStyleClient, Core::IAttach<NoteConnectorEnd>,
                                          Core::PartnerList<NoteRep, NoteConnectorEnd, &NoteRep::connectorEnds>> {
public:
    static constexpr std::int32_t kFold = 300;  // the folded corner, which also is the right text margin
    static constexpr std::int32_t kMargin = 100;
    // The factory, registered under "Note".
    static Core::FactoryImp<Note>& Factory();
    static void RegisterProperties(Core::PropertyTable<NoteRep>& t);
    // A new note 2000 x 1000 with its top-left corner at the point and the text "<text?>" (undoable).
    static std::shared_ptr<Note> Create(Core::Env& env, const zq::Point& point);

    zq::Rect GetRect() const { return zq::Rect::FromPosSize(GetPos(), GetSize().x, GetSize().y); }
    TextBlock::Text* GetText() const { return GetRep().text; }
    // The note connectors that start on the note.
    std::vector<NoteConnector*> GetConnectors() const;

    // IResizable: the rectangle, grown to the text; attached connector ends follow the outline.
    void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred = false) override;
    // IPointable
    bool IsNear(const zq::Point& p, std::int32_t tolerance) const override;
    bool GetBoundingRect(zq::Rect& out) const override;
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const override;
    // ITerminal: the outline with its cut corner.
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const override;
    // IShiftable: moves with its note connectors.
    void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                   Core::DeferredShiftSet& set, bool noFollow) override;
    // Taken along only because what it points at moves, and that moves only sideways (a sequence
    // object's line dragged by the object alone): the note goes only sideways too.
    bool MovesOnlySideways(const Core::Env& env, const Core::DeferredShiftSet& set) const override;
    // IDeletable: takes its text and its note connectors along and leaves its container.
    void Delete(Core::Env& env) override;

    // IContainable: the container is the one whose rectangle holds the note's (the highest weight
    // at its top-left corner wins); none while one of its note connectors points at something.
    void SetContainer(Core::Env& env, Core::IContainer* container) override;
    Core::IContainer* GetContainer() const override { return GetRep().container; }
    void UpdateContainer(Core::Env& env, Core::ModelElementSet& visited) override;
    // Written inside its container.
    Core::IModelElement* GetOwner() const override;
    // Reading: the container the note is written in takes it.
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
    // A note goes with a copy or move of everything its note connectors point at (at least one
    // thing), or of one of their segments.
    bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
    // IAttach: an end of a new note connector starts here.
    void Attach(Core::Env& env, NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
    // A note is no party of the far end of a note connector.
    bool CanAttach(NoteConnectorEnd* end) const override { return end == nullptr || end->GetType() != NoteConnectorEnd::kFar; }

    // ITextOwner: the text lies 100 inside the left and top edges; the right margin is the fold.
    void GetTextOrigin(zq::Point& origin) const override;
    void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const override;
    void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
    void SetText(Core::Env& env, TextBlock::Text* text) override;
    // The "Note" directory's font, left and top aligned, wrapped in the area.
    void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

    // IStyleClient / IElementStyleClient
    void SetStyle(Core::Env& env, Style::Style* style) override;
    Style::Style* GetStyle() const override { return GetRep().style; }
    void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
    void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
    void CreateDirectories(Core::Env& env, Style::Style* style) override;
    void SetElementStyle(Core::Env& env, const std::wstring& name) override;
    std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

private:
    // Whether the far end of one of its note connectors lies on an element.
    bool PointsAtSomething() const;
    // Grows the rectangle to the text and sets it; the attached ends follow the new outline.
    void ApplyRect(Core::Env& env, zq::Rect rect);
    void Reshaped(Core::Env& env);
    // The outline with its folded corner cut off, current or saved.
    std::vector<zq::Point> Outline(bool old) const;
};

// Reports the note's and the note connector's factories and the "Note" directory.
void ReportNoteFactories(Core::FactoryRegistry& registry);

} // namespace Note
