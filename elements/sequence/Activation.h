#pragma once
// The activation: a bar 400 wide centred on a lifeline, from its top ("Pos") down by "Len".
// Messages, returns and note connectors attach to it; it is written inside its lifeline.
#include "core/Factory.h"
#include "core/Storable.h"
#include "elements/note/NoteConnector.h"
#include "elements/sequence/Parties.h"
#include "style/Clients.h"

namespace Sequence {

struct ActivationRep {
    std::int32_t len = 500;
    LifeLine* lifeLine = nullptr;                    // not stored: the enclosing lifeline
    Activation* master = nullptr;
    Core::PtrCont<Activation> subs;                  // not stored
    Core::PtrCont<IMessageEnd> messageEnds;          // not stored
    Core::PtrCont<Note::NoteConnectorEnd> noteEnds;  // not stored
    Core::PtrCont<IReturnEnd> returnEnds;            // not stored
    Style::Style* style = nullptr;                   // not stored
    std::wstring elementStyle;
};

// An activation ("Activation"): "Pos", "Len", "Master", "ElementStyle".
class Activation
    : public Core::StorableWithPos<Activation, ActivationRep, Core::StorableTraits::Null, Core::IShiftable,
                                   Core::IDeletable, IMessageParty, IReturnParty, Style::IElementStyleClient,
                                   Core::ICheckable, Core::IAttach<Note::NoteConnectorEnd>,
                                   Core::PartnerList<ActivationRep, IMessageEnd, &ActivationRep::messageEnds>,
                                   Core::PartnerList<ActivationRep, IReturnEnd, &ActivationRep::returnEnds>,
                                   Core::PartnerList<ActivationRep, Note::NoteConnectorEnd, &ActivationRep::noteEnds>> {
public:
    static constexpr std::int32_t kWidth = 400;
    // The shortest bar the handles leave.
    static constexpr std::int32_t kMinLen = 300;
    // The factory, registered under "Activation".
    static Core::FactoryImp<Activation>& Factory();
    static void RegisterProperties(Core::PropertyTable<ActivationRep>& t);

    std::int32_t GetLen(bool old = false) const { return old ? GetOldRep().len : GetRep().len; }
    std::int32_t GetTop(bool old = false) const { return old ? GetOldPos().y : GetPos().y; }
    std::int32_t GetBottom() const { return GetPos().y - GetLen(); }
    zq::Point GetNorthPoint(bool old = false) const;
    zq::Point GetSouthPoint(bool old = false) const;
    zq::Rect GetRect(bool old = false) const;
    LifeLine* GetLifeLine() const { return GetRep().lifeLine; }
    Activation* GetMaster() const { return GetRep().master; }
    const Core::PtrCont<Activation>& GetSubs() const { return GetRep().subs; }
    void SetLifeLine(Core::Env& env, LifeLine* lifeLine);
    void SetMaster(Core::Env& env, Activation* master);
    // Drops the sub from "Subs".
    void RemoveSub(Core::Env& env, Activation* sub);
    void SetLen(Core::Env& env, std::int32_t len);
    // Moves the top to y keeping the bottom; attached ends keep their place on the bar.
    void SetTop(Core::Env& env, std::int32_t y);
    // Moves the bottom to y keeping the top; attached ends keep their place on the bar.
    void SetBottom(Core::Env& env, std::int32_t y);
    // Centres the bar on the lifeline (x = line x - 200); attached ends follow.
    void AlignOnLifeLine(Core::Env& env, const LifeLine& lifeLine, Core::DeferredShiftSet& set);
    // The deletion run by the lifeline being deleted: the element and its ends only.
    void DeleteWithLifeLine(Core::Env& env);
    const Core::PtrCont<IMessageEnd>& GetMessageEnds() const { return GetRep().messageEnds; }
    const Core::PtrCont<IReturnEnd>& GetReturnEnds() const { return GetRep().returnEnds; }

    // IPointable
    bool IsNear(const zq::Point& p, std::int32_t tolerance) const override;
    bool GetBoundingRect(zq::Rect& out) const override;
    // Paths to the bar keep out of it.
    bool GetBarRect(zq::Rect& out) const override { return GetBoundingRect(out); }
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const override;
    // ITerminal: the bar's outline.
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const override;
    // Moved by the user (or with its lifeline and object), the bar slides along its line and takes
    // the line sideways; dragged along only because its lifeline or object is, it stays.
    void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                   Core::DeferredShiftSet& set, bool noFollow) override;
    // What lies on it goes as it goes (Detail::MovesOnlySideways).
    bool MovesOnlySideways(const Core::Env& env, const Core::DeferredShiftSet& set) const override;
    // Whether the move still shifts the bar by itself (the user moves it, or its lifeline with its
    // object): what it hangs on then leaves it to that shift.
    bool TakesOwnShift(const Core::Env& env, const Core::DeferredShiftSet& set) const;
    // Marked shifted only when it moves with its lifeline and object.
    void MarkShifted(Core::DeferredShiftSet& set) override;
    // Follows its moved lifeline: deferred into the move.
    void AddDeferredShiftingElements(const Core::ModelElementSet& moved, Core::DeferredShiftSet& set) override;
    // A bar never travels alone: its lifeline (and with it the object) goes into copies and moves.
    void Delete(Core::Env& env) override;
    // An activation left without a lifeline deletes itself.
    void Finalize(Core::Env& env) override;
    Core::IModelElement* GetOwner() const override;
    bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
    void Attach(Core::Env& env, IMessageEnd* end) override;
    void Attach(Core::Env& env, IReturnEnd* end) override;
    void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
    using Core::IAttach<IMessageEnd>::CanAttach;
    using Core::IAttach<IReturnEnd>::CanAttach;
    using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;

    // IStyleClient: only the document's style is kept; there is no directory of its own.
    void SetStyle(Core::Env& env, Style::Style* style) override { SetField(env, &ActivationRep::style, style); }
    Style::Style* GetStyle() const override { return GetRep().style; }
    void StyleChanged(Core::Env&, const Style::DirectoryName&) override {}
    void CollectDirectoryNames(Style::IUsageCollector&) const override {}
    void CreateDirectories(Core::Env&, Style::Style*) override {}
    void SetElementStyle(Core::Env& env, const std::wstring& name) override;
    std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

    // Reading: only inside a lifeline.
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
    // The lifeline redraws around the bar.
    void UpdateOwnerViews(const Core::ViewUpdateContext* context) override;

private:
    // The attached ends keep their relative place on the bar after its rectangle changed.
    void Reshaped(Core::Env& env);
};

// A new activation at the point (its top-left corner) with "Len" 2000 on the lifeline.
std::shared_ptr<Activation> CreateActivation(Core::Env& env, LifeLine& lifeLine, const zq::Point& point);

} // namespace Sequence
