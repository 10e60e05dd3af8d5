// The connector graph: a connector owns ends, segments and joins. A segment is one straight line
// between two segment ends (an end or a join); an end sits free or on a terminal; a join is where
// two or more segments of one connector meet. Platform-free: the views add themselves on top.
#pragma once

#include "core/Exceptions.h"
#include "core/Interfaces.h"
#include "core/Shift.h"
#include "core/Transaction.h"

#include <any>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace Connector {

class IConnector;
class ISegment;
class ISegmentEnd;
class IEnd;
class IJoin;
class IFactory;

// A broken connector invariant: what is broken and the part at fault (none: the connector).
struct GraphFault {
    const Core::IModelElement* part = nullptr;
    std::string text;  // empty when nothing is broken

    GraphFault() = default;
    GraphFault(const char* what) : text(what) {}
    GraphFault(std::string what) : text(std::move(what)) {}
    GraphFault(const Core::IModelElement& at, std::string what) : part(&at), text(std::move(what)) {}
    bool empty() const { return text.empty(); }
    operator const std::string&() const { return text; }
    friend bool operator==(const GraphFault& f, std::string_view what) { return f.text == what; }
    friend std::ostream& operator<<(std::ostream& out, const GraphFault& f) { return out << f.text; }
};

namespace Exceptions {
// A connector read from a document whose graph breaks the connector invariants; names the part at
// fault, so that the reader reports that part's line.
class MalformedConnector : public Core::Exceptions::Base {
public:
    explicit MalformedConnector(const std::string& what) : Base(what) {}
    explicit MalformedConnector(const GraphFault& fault) : Base(fault.text) {
        if (fault.part != nullptr) NameElement(fault.part->GetObjectId());
    }
};
} // namespace Exceptions

// Gives the part factory of the connector kind.
class IFactoryProvider {
public:
    virtual ~IFactoryProvider() = default;
    // The kind's part factory.
    virtual IFactory& GetPartFactory() const = 0;
};

// The base of every connector part.
class IConnectorElement : public virtual Core::IShiftable, public IFactoryProvider {
public:
    // The connector whose part lists hold the part, or none.
    virtual IConnector* GetConnector() const = 0;
    // Records the owning connector (undoable).
    virtual void SetConnector(Core::Env& env, IConnector* connector) = 0;
    // The connector is being deleted: the part deletes itself without leaving its lists.
    virtual void ForgetConnector(Core::Env& env, IConnector& gone) = 0;
    // Calls f on every part adjacent in the graph (an end's segment, a segment's ends, a join's segments).
    virtual void ForEachNeighbour(const std::function<void(IConnectorElement&)>& f) const = 0;
    // Reading: records the enclosing connector directly.
    virtual void AssignConnectorForReading(IConnector* connector) = 0;
    // A copy takes the whole connector along (a part alone would break the graph) and the terminals
    // of its attached ends.
    void ExtendSelection(Core::ExtendSelectionParam& param) override;
    // Moves this part and everything reachable from it (never back through from) into the connector.
    void BuildConnector(Core::Env& env, IConnectorElement* from, IConnector& target);
    // The element written inside the connector.
    Core::IModelElement* GetOwner() const override;
    // Puts what rests on this part (texts anchored on it) that lies over a box the running change
    // moved, resized or made beside the part, off every box, though the change may have left the
    // part as it was; what the pass over many parts finds once it keeps in `pass`. Nothing by default.
    virtual void KeepCarriedOffChangedBoxes(Core::Env&, std::any& /*pass*/) {}
};

// What a segment ends on: an end or a join.
class ISegmentEnd : public IConnectorElement,
                    public virtual Core::IPointable,
                    public Core::IFollowUpJob,
                    public virtual Core::ITerminal,
                    public virtual Core::IPosition {
public:
    // Takes the segment into its list (an end: as its one segment).
    virtual void SetSegment(Core::Env& env, ISegment* segment) = 0;
    // Notice that the segment goes away: an end deletes itself, a join drops it and checks its stability.
    virtual void SegmentRemoved(Core::Env& env, ISegment* segment) = 0;
    // Whether the segment is one of its segments.
    virtual bool HasSegment(const ISegment* segment) const = 0;
    // Puts the new segment where the old one was.
    virtual void InsertSegment(Core::Env& env, ISegment* oldSegment, ISegment* newSegment) = 0;
    // Its segments in list order.
    virtual std::vector<ISegment*> GetSegments() const = 0;
    // Smooths straight bends around the part (joins; nothing for ends).
    virtual void Smooth(Core::Env& env) = 0;
    // Whether it sits on a terminal.
    virtual bool IsAttached() const { return false; }
    // The point the part shows (an end's pending point while it has one).
    virtual zq::float8Point GetPoint() const { return GetPosition(); }
    // Whether the part is the distinguished end of its connector.
    virtual bool IsMasterEnd() const { return false; }
    // Reading: rebuilds the back-reference to a segment that names this part among its ends.
    virtual void InitSegment(ISegment* segment) = 0;
    // Moves to the point (undoable); nothing when deleted or unchanged.
    virtual void MoveTo(Core::Env& env, const zq::float8Point& point) = 0;
    // Near when the point lies in the square of half-size tolerance around the part's point.
    bool IsNear(const zq::Point& point, int32_t tolerance) const override;
    // The degenerate rectangle at the part's point.
    bool GetBoundingRect(zq::Rect& out) const override;
    // A segment end answers its own point as the attachment point.
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const override;
    // Directions of straight runs: toward smaller x, larger x, larger y, smaller y.
    enum TraverseDir { kLeft = 0, kRight = 1, kUp = 2, kDown = 3 };
    // Accepts or refuses each segment met on a straight run.
    using Scanner = std::function<bool(ISegment&, ISegmentEnd& farEnd)>;
};

// A connector end.
class IEnd : public ISegmentEnd, public virtual Core::IPointAttachment, public Core::IAttachment {
public:
    // Its one segment, or none.
    virtual ISegment* GetSegment() const = 0;
    // The element it is attached to, or none.
    virtual Core::IModelElement* GetTerminal() const = 0;
    // Records the terminal (undoable) without touching partner lists.
    virtual void SetTerminalImp(Core::Env& env, Core::IModelElement* terminal) = 0;
    // Adds the end to the element's partner list of its kind and makes the element its terminal.
    virtual void AttachToPartner(Core::Env& env, Core::IModelElement* element) = 0;
    // Removes the end from the element's partner list of its kind.
    virtual void DetachFromPartner(Core::Env& env, Core::IModelElement* element) = 0;
    // Offers the end to the element through its attach interface of the end's kind; whether it attached.
    virtual bool AttachTo(Core::Env& env, Core::IModelElement* element) = 0;
    // Whether the element accepts ends of this kind at all (the kind's attach filter).
    virtual bool AcceptsTerminal(const Core::IModelElement* element) const = 0;

    // The kind's end type number (0 where the kind has none).
    virtual int32_t GetEndType() const { return 0; }
    virtual void SetEndType(Core::Env&, int32_t) {}
    // The end's pending point, when its shown point differs from its position.
    virtual bool GetPendingPoint(zq::float8Point& out) const = 0;
    virtual void SetPendingPoint(const zq::float8Point* point) = 0;
    // Where the connector turns again after the pending point so that its last segment meets the
    // terminal along the axis its segment keeps (the end lies off both lines through the pending
    // point); false when it needs no such turn.
    bool GetPendingTurn(zq::float8Point& out) const;

    // Moves the end onto a terminal (or none): leaves the old partner list, joins the new one.
    void SetTerminal(Core::Env& env, Core::IModelElement* terminal);
    // Joins the other end's connector and takes its terminal and end type (kinds take more along).
    virtual void TakeOverTerminal(Core::Env& env, IEnd& other);
    // A new end of the same kind at the point, inserted into the change (kinds with more than one
    // end class make one of their own class).
    virtual std::shared_ptr<IEnd> CreateFurtherEnd(Core::Env& env, const zq::float8Point& point);
    // The terminal goes away or gives the end up: with deleteEnd the end deletes itself, else it is free.
    void DetachFromTerminal(Core::Env& env, Core::IModelElement* terminal, bool deleteEnd);
    // Deletes the end; unless skipped, leaves the terminal and connector and deletes its segment.
    void ImplementDeletion(Core::Env& env, bool skipTerminal, bool skipConnector, bool skipSegment);
    // Called once the end was deleted: kinds let go of what hangs on the end (anchored texts).
    virtual void OnEndDeleted(Core::Env&) {}
    // The terminal moved or changed its shape: the end follows it.
    void FollowTerminal(Core::Env& env, const Core::ITerminalReshapeInfo& info, const Core::DeferredShiftSet& set);
    // Whether the terminal's change puts the end's point from before the change elsewhere than it is.
    bool StraysFrom(const Core::ITerminalReshapeInfo& info) const;

    bool IsAttached() const override { return GetTerminal() != nullptr; }
    // The Point weight, biased by the terminal's and the segment's weights, raised when selected.
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, int32_t tolerance) const override;
    void SegmentRemoved(Core::Env& env, ISegment* segment) override;
    void ForgetConnector(Core::Env& env, IConnector& gone) override;
    // Smooths the join at the far end of its segment (an end that moved may have straightened it).
    void Smooth(Core::Env& env) override;
    zq::float8Point GetPoint() const override;
    void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                   Core::DeferredShiftSet& set, bool finalPass) override;
    void DoFollowUpJob(Core::Env& env) override;
    void OnTerminalDeleted(Core::Env& env) override { DetachFromTerminal(env, GetTerminal(), true); }
    void OnTerminalReshaped(Core::Env& env, const Core::ITerminalReshapeInfo& info, Core::DeferredShiftSet* set) override;
    zq::float8Point GetShiftedInfo(const Core::DeferredShiftSet& set, const zq::float8Point& point,
                                   bool horizontal) const override;
    // Queues its follow-up job, or inserts a bend where its pending point differs from its position.
    void Finalize(Core::Env& env) override;
    void ForEachNeighbour(const std::function<void(IConnectorElement&)>& f) const override;
    std::vector<ISegment*> GetSegments() const override;
    bool HasSegment(const ISegment* segment) const override { return segment != nullptr && GetSegment() == segment; }
};

// A join of two or more segments.
class IJoin : public ISegmentEnd, public Core::ICheckable {
public:
    // Drops the segment from the list without checking stability.
    virtual void RemoveSegmentNoCheck(Core::Env& env, ISegment* segment) = 0;
    // The number of segments.
    std::size_t GetSegmentCount() const { return GetSegments().size(); }
    // Of a join with two segments, the one that is not the given one; a program error otherwise.
    ISegment* GetOtherSegment(const ISegment* segment) const;
    // Cleans up the graph around the join after a change (queued as a follow-up job).
    void DoFollowUpJob(Core::Env& env) override;
    // A join with fewer than two segments deletes itself (and a last segment with it).
    void DeleteIfInstable(Core::Env& env);
    // Smooths straight bends here and at the joins around it.
    void Smooth(Core::Env& env) override;
    // Splits segments that leave the join in one direction into a chain; fuses joins that coincide.
    void AdjustCoincidingSegments(Core::Env& env);
    // Clears both flags of every segment.
    void ResetOrthoFlags(Core::Env& env);
    // Runs the flag rule on every segment.
    void SetOrthoFlags(Core::Env& env);
    // Follows the straight runs leaving the join in the direction.
    void Traverse(const ISegmentEnd* from, TraverseDir dir, const Scanner& scanner);
    void SegmentRemoved(Core::Env& env, ISegment* segment) override;
    void ForgetConnector(Core::Env& env, IConnector& gone) override;
    void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                   Core::DeferredShiftSet& set, bool finalPass) override;
    void Finalize(Core::Env& env) override;
    void ForEachNeighbour(const std::function<void(IConnectorElement&)>& f) const override;
    bool HasSegment(const ISegment* segment) const override;
    // The Point weight, biased by the weights of its segments, raised when selected.
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, int32_t tolerance) const override;
};

// A straight segment between two segment ends, with the orthogonal flags V and H.
class ISegment : public IConnectorElement, public Core::IDeletable, public virtual Core::ITerminal,
                 public virtual Core::IPointable {
public:
    // Near when the point lies within the tolerance of the line between its ends.
    bool IsNear(const zq::Point& point, int32_t tolerance) const override;
    // The rectangle spanned by its ends.
    bool GetBoundingRect(zq::Rect& out) const override;
    // The Line weight against the line between its ends, raised when selected.
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, int32_t tolerance) const override;
    // Its segment ends in order (none until built).
    virtual const Core::PtrCont<ISegmentEnd>& GetEndList() const = 0;
    // Hands what else rests on this segment (texts anchored on it) to the segment that takes its
    // place when the clean-up removes it; nothing by default.
    virtual void HandOverTo(Core::Env&, ISegment& /*successor*/) {}
    // Deletes what rests on this segment (texts anchored on it) once the segment is deleted, by
    // whichever path; nothing by default.
    virtual void DeleteCarried(Core::Env&) {}
    // Puts what rests on this segment (texts anchored on it) at the place along its line that it
    // had along the line from oa to ob; nothing by default.
    virtual void PlaceCarried(Core::Env&, const zq::float8Point& /*oa*/, const zq::float8Point& /*ob*/) {}
    // Puts what rests on this segment off its line (a change moved its ends without carrying it) on
    // the nearest point of the line, and off the boxes there; what the pass over many segments finds
    // once it keeps in `pass`. Nothing by default.
    virtual void KeepCarriedOnLine(Core::Env&, std::any& /*pass*/) {}
    // Replaces its end list (undoable).
    virtual void SetEnds(Core::Env& env, const Core::PtrCont<ISegmentEnd>& ends) = 0;
    // Appends a segment end (undoable).
    void AddEnd(Core::Env& env, ISegmentEnd* end);
    virtual bool IsVerticalOrtho() const = 0;
    virtual bool IsHorizontalOrtho() const = 0;
    // The flags before the running transaction.
    virtual bool WasVerticalOrtho() const = 0;
    virtual bool WasHorizontalOrtho() const = 0;
    // Undoable; nothing when unchanged.
    virtual void SetHorizontalOrtho(Core::Env& env, bool value) = 0;
    virtual void SetVerticalOrtho(Core::Env& env, bool value) = 0;
    // The ends attached to the segment as their terminal (other connectors' ends).
    virtual std::vector<IEnd*> GetAttachedEnds() const = 0;

    // Reading: appends a segment end directly.
    virtual void AppendEndForReading(ISegmentEnd* end) = 0;
    // Both ends, or false (and none) unless there are exactly two.
    bool GetEnds(ISegmentEnd*& a, ISegmentEnd*& b) const;
    // The end at the other side.
    ISegmentEnd* OtherEnd(const ISegmentEnd* end) const;
    // Puts the new end in the old one's place (undoable); attached ends follow the changed line.
    void Reconnect(Core::Env& env, ISegmentEnd* oldEnd, ISegmentEnd* newEnd);
    // The ends lying on the segment go from their place on the line oa-ob (their points, or with
    // fromOld their positions before the transaction) to the same relative place on the line now;
    // without fromOld nothing moves when the line still runs where it ran.
    void CarryAttachedEnds(Core::Env& env, const zq::float8Point& oa, const zq::float8Point& ob, bool fromOld,
                           Core::DeferredShiftSet& set);
    // The flag rule: H (V) only when the points are horizontal (vertical) and the segment had it or is new.
    void SetOrthoFlags(Core::Env& env);
    // Clears the flags that no longer hold.
    void CheckOrthoFlags(Core::Env& env);
    // Clears both flags.
    void ResetOrthoFlags(Core::Env& env);
    // The deletion of a segment: the ends other than from are told, the connector (unless given) drops it.
    void ImplementDeletion(Core::Env& env, ISegmentEnd* from, IConnector* connector);
    void Delete(Core::Env& env) override { ImplementDeletion(env, nullptr, nullptr); }
    void ForgetConnector(Core::Env& env, IConnector& gone) override;
    void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                   Core::DeferredShiftSet& set, bool finalPass) override;
    void Finalize(Core::Env& env) override;
    void ForEachNeighbour(const std::function<void(IConnectorElement&)>& f) const override;
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const override;
};

// A connector: a graph of ends, segments and joins.
class IConnector : public virtual Core::IModelElement, public Core::IDeletable, public Core::IShiftable,
                   public IFactoryProvider {
public:
    virtual const Core::PtrCont<IEnd>& GetEnds() const = 0;
    virtual const Core::PtrCont<ISegment>& GetSegmentList() const = 0;
    virtual const Core::PtrCont<IJoin>& GetJoins() const = 0;
    // Add and remove parts (undoable); every removal ends with DeleteIfEmpty.
    virtual void AddEnd(Core::Env& env, IEnd* end) = 0;
    virtual void AddSegment(Core::Env& env, ISegment* segment) = 0;
    virtual void AddJoin(Core::Env& env, IJoin* join) = 0;
    virtual void RemoveEnd(Core::Env& env, IEnd* end) = 0;
    virtual void RemoveSegment(Core::Env& env, ISegment* segment) = 0;
    virtual void RemoveJoin(Core::Env& env, IJoin* join) = 0;
    // Reading: appends a part directly.
    virtual void AppendForReading(IEnd* end) = 0;
    virtual void AppendForReading(IJoin* join) = 0;
    virtual void AppendForReading(ISegment* segment) = 0;
    // Adds or removes a part of any kind.
    void AddPart(Core::Env& env, IConnectorElement& part);
    void RemovePart(Core::Env& env, IConnectorElement& part);
    bool HasPart(const IConnectorElement& part) const;
    std::size_t GetEndCount() const { return GetEnds().size(); }
    std::size_t GetSegmentCount() const { return GetSegmentList().size(); }
    std::size_t GetJoinCount() const { return GetJoins().size(); }
    // Deletes the connector when it has no part left; answers the number of parts.
    std::size_t DeleteIfEmpty(Core::Env& env);
    // Runs the flag rule on every segment.
    void SetOrthoFlags(Core::Env& env);
    // Whether an end is attached to the element or a segment is the element.
    bool Involves(const Core::IModelElement* element) const;
    // Deletes the connector and every part.
    void Delete(Core::Env& env) override;
    // A selected connector moves every end and join, by the part of the move that all its moved
    // terminals take (see IShiftable::MovesOnlySideways); one held by a terminal that stays (other
    // than the sender) is not moved whole: its ends on the sender follow it, the path follows them.
    void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                   Core::DeferredShiftSet& set, bool finalPass) override;
    // Whether an end lies on a terminal that neither moves with the set nor is the sender.
    bool IsHeld(const Core::DeferredShiftSet& set, const Core::IModelElement* sender) const;
    // Moves with a selection that holds every attached end's terminal completely.
    void AddDeferredShiftingElements(const Core::ModelElementSet& moved, Core::DeferredShiftSet& set) override;
    // Selected itself, or every attached end's terminal is (at least one end attached).
    bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
    // Inserts the connector, its parts and their ends lying on segments into the set.
    void DeepInsert(Core::ModelElementSet& set);
    // Checks the graph invariants; a text naming the first broken one, empty when it holds.
    virtual GraphFault CheckGraph() const;
    // Writes the connector with its parts nested inside it.
    void Store(xml::IWriter& parent, const Core::IClub* club) const override;
    // After reading: rebuilds back-references, checks the flags and the invariants.
    void OnRestored(Core::Env& env) override;

protected:
    // The parts in the order they are written: the order they were read or made in (the source's
    // element order; the part lists' order without a source).
    virtual std::vector<const Core::IModelElement*> PartsInStoredOrder(const Core::IClub* club) const;

private:
    // The shift of the connector by the vector, as one.
    void ShiftAsOne(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                    Core::DeferredShiftSet& set, bool finalPass);
};

// A connector whose graph is one chain: end, segment, (join, segment)..., end.
class ILinearConnector : public IConnector {
public:
    // The first end of the chain, or none.
    virtual IEnd* GetFirstEnd() const;
    // The parts in chain order from the first end: each segment followed by the part at its far side.
    std::vector<const Core::IModelElement*> ChainOrder() const;
    GraphFault CheckGraph() const override;

protected:
    // Chain order, whatever order the parts were read in.
    std::vector<const Core::IModelElement*> PartsInStoredOrder(const Core::IClub* club) const override;
};

// A connector that lives only while one of its ends is a master end (Base: IConnector or
// ILinearConnector).
template <class Base>
class WithMasterEnd : public Base {
public:
    // After every change: without a master end the connector deletes itself.
    void Finalize(Core::Env& env) override {
        if (this->IsDeleted()) return;
        for (IEnd* e : this->GetEnds())
            if (!e->IsDeleted() && e->IsMasterEnd()) return;
        this->Delete(env);
    }
};
using IConnectorWithMasterEnd = WithMasterEnd<IConnector>;

// The factory of one connector kind. The makers *At insert the new part into the environment.
class IFactory {
public:
    virtual ~IFactory() = default;
    virtual std::shared_ptr<IConnector> CreateConnector(Core::Env& env) = 0;
    virtual std::shared_ptr<IEnd> CreateSourceEndAt(Core::Env& env, const zq::float8Point& p) = 0;
    virtual std::shared_ptr<IEnd> CreateTargetEndAt(Core::Env& env, const zq::float8Point& p) = 0;
    virtual std::shared_ptr<IEnd> CreateEndAt(Core::Env& env, const zq::float8Point& p) = 0;
    virtual std::shared_ptr<IJoin> CreateJoinAt(Core::Env& env, const zq::float8Point& p) = 0;
    virtual std::shared_ptr<ISegment> CreateNewSegment(Core::Env& env) = 0;
    // Empty parts for reading, by part tag; none where the kind has no such part.
    virtual Core::ElementPtr CreateSourceEnd() { return nullptr; }
    virtual Core::ElementPtr CreateTargetEnd() { return nullptr; }
    virtual Core::ElementPtr CreateEnd() = 0;
    virtual Core::ElementPtr CreateJoin() = 0;
    virtual Core::ElementPtr CreateSegment() = 0;
};

// The tolerance of smoothing and of the path tests, in model units.
constexpr double kSmoothTolerance = 200;

} // namespace Connector
