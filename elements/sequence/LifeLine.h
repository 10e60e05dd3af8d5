#pragma once
// The lifeline: the vertical line under a sequence object from its top ("Pos") down by "Len".
// Messages, returns and note connectors attach to it; its activations sit on it.
#include "core/Factory.h"
#include "core/Storable.h"
#include "elements/note/NoteConnector.h"
#include "elements/sequence/Parties.h"

namespace Sequence {

struct LifeLineRep {
    SeqObject* object = nullptr;                     // not stored: the enclosing object
    std::int32_t len = 6000;
    Core::PtrCont<IMessageEnd> messageEnds;          // not stored
    Core::PtrCont<Note::NoteConnectorEnd> noteEnds;  // not stored
    bool dying = false;
    Core::PtrCont<Activation> activations;           // not stored: nested children
    Core::PtrCont<IReturnEnd> returnEnds;            // not stored
};

// A lifeline ("LifeLine"): "Pos" (its top), "Len", "Dying"; its activations nested inside it.
class LifeLine
    : public Core::StorableWithPos<LifeLine, LifeLineRep, Core::StorableTraits::Null, Core::IShiftable, Core::IDeletable,
                                   IMessageParty, IReturnParty, Core::ICheckable, Core::IAttach<Note::NoteConnectorEnd>,
                                   Core::PartnerList<LifeLineRep, IMessageEnd, &LifeLineRep::messageEnds>,
                                   Core::PartnerList<LifeLineRep, IReturnEnd, &LifeLineRep::returnEnds>,
                                   Core::PartnerList<LifeLineRep, Note::NoteConnectorEnd, &LifeLineRep::noteEnds>> {
public:
    // The shortest lifeline a drag or a move of its object leaves.
    static constexpr std::int32_t kMinLen = 300;
    // The factory, registered under "LifeLine".
    static Core::FactoryImp<LifeLine>& Factory();
    static void RegisterProperties(Core::PropertyTable<LifeLineRep>& t);
    // A new lifeline with its top at the point (inside the change).
    static std::shared_ptr<LifeLine> Create(Core::Env& env, const zq::Point& top);

    SeqObject* GetSeqObject() const { return GetRep().object; }
    // Writes the link to the object (undoable).
    void SetSeqObject(Core::Env& env, SeqObject* object);
    std::int32_t GetLen() const { return GetRep().len; }
    zq::Point GetTop() const { return GetPos(); }
    zq::Point GetBottom() const { return {GetPos().x, GetPos().y - GetLen()}; }
    // Puts the bottom at the height y ("Len" = top - y, at least the minimum); attached ends and
    // activations follow.
    void SetBottom(Core::Env& env, std::int32_t y);
    bool IsDying() const { return GetRep().dying; }
    void SetDying(Core::Env& env, bool dying);
    const Core::PtrCont<Activation>& GetActivations() const { return GetRep().activations; }
    // Lists the activation and makes this its lifeline (undoable).
    void AddActivation(Core::Env& env, Activation* activation);
    void RemoveActivation(Core::Env& env, Activation* activation);
    // Whether the running transaction changed one of the activations.
    bool HasActivationInTransaction() const;
    // (y, 1) at the top and (y, 0) at the bottom of every activation, sorted by y.
    std::vector<std::pair<std::int32_t, int>> GetActivationBoundaries() const;
    // The stretches of the line that no activation covers, bottom to top, each as (low y, high y);
    // activations are clamped into the line.
    std::vector<std::pair<std::int32_t, std::int32_t>> GetDashedPieces() const;
    const Core::PtrCont<IMessageEnd>& GetMessageEnds() const { return GetRep().messageEnds; }
    const Core::PtrCont<IReturnEnd>& GetReturnEnds() const { return GetRep().returnEnds; }
    // The object's box was reshaped from the old rectangle to the new one: the top follows.
    void FollowReshape(Core::Env& env, const zq::Rect& oldRect, const zq::Rect& newRect);
    // Attached ends keep their height on the line (clamped into it) and take its x; activations
    // are centred on it again.
    void UpdateAttached(Core::Env& env, Core::DeferredShiftSet& set);

    // IPointable: the line, except where an activation lies.
    bool IsNear(const zq::Point& p, std::int32_t tolerance) const override;
    bool GetBoundingRect(zq::Rect& out) const override;
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const override;
    // ITerminal: the point of the line at the height of p (clamped into it).
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const override;
    // Moved with its object, the whole line moves; moved by its object alone, its top follows and
    // its bottom stays; moved alone or by an activation, it only goes sideways, taking its object.
    void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                   Core::DeferredShiftSet& set, bool noFollow) override;
    // What lies on it goes as it goes (Detail::MovesOnlySideways).
    bool MovesOnlySideways(const Core::Env& env, const Core::DeferredShiftSet& set) const override;
    // Whether the line and its object both move on their own: the user moves both (without a view:
    // both are moved), or they are new (a pasted or dropped copy).
    bool MovesWithObject(const Core::Env& env, const Core::DeferredShiftSet& set) const;
    // Marked shifted only when it moves with its object; else what it hangs on may move it again.
    void MarkShifted(Core::DeferredShiftSet& set) override;
    // Follows its moved object or activations: deferred into the move.
    void AddDeferredShiftingElements(const Core::ModelElementSet& moved, Core::DeferredShiftSet& set) override;
    // Deletes the object too, the activations and every attached end.
    void Delete(Core::Env& env) override;
    Core::IModelElement* GetOwner() const override;
    bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
    void CollectForSelection(Core::ModelElementSet& set) override;
    void Attach(Core::Env& env, IMessageEnd* end) override;
    void Attach(Core::Env& env, IReturnEnd* end) override;
    void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
    using Core::IAttach<IMessageEnd>::CanAttach;
    using Core::IAttach<IReturnEnd>::CanAttach;
    using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;

    // Reading: only inside an object; the nested activations join the list.
    void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
    // Reading: lists an activation read inside this lifeline.
    void AppendActivationForReading(Activation* activation);

private:
    // Tells every attached end that the line changed.
    void FollowEnds(Core::Env& env, Core::DeferredShiftSet& set);
    // Shifts the attached ends and activations by the vector, sent by this lifeline.
    void ShiftAttached(Core::Env& env, const Core::ShiftVector& shift, Core::DeferredShiftSet& set);
};

} // namespace Sequence
