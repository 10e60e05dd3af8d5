// Element interfaces: deletion, names, consistency checks, resizing, positions, terminals and the
// points attached to them, containment, pointing and filters.
#pragma once

#include "core/ModelElement.h"
#include "core/Storable.h"
#include "core/foundation/Geometry.h"
#include "core/foundation/GraphUtil.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <string>
#include <unordered_set>

namespace Core {

class Weight;
class DeferredShiftSet;

// An element the user can delete.
class IDeletable : public virtual IModelElement {
public:
    // The element's own deletion (undoable); each kind decides what it deletes with it.
    virtual void Delete(Env& env) override = 0;
};

// An element with a name.
class INamed : public virtual IModelElement {
public:
    // Gives the element the text as its name (undoable).
    virtual void SetName(Env& env, const std::wstring& name) = 0;
    // The element's name.
    virtual std::wstring GetName() const = 0;
};

// An element that checks its consistency after changes.
class ICheckable : public virtual IModelElement {
public:
    // The consistency check after changes; nothing by default.
    virtual void Check(Env&) {}
};

// A resizable box: position and size, current and as before the running transaction.
class IResizable : public virtual IModelElement {
public:
    static constexpr int32_t kDefaultMinSize = 300;
    // Gives the box the rectangle; with keepCentred the box keeps its centre where it must adjust.
    virtual void SetRect(Env& env, const zq::Rect& rect, bool keepCentred = false) = 0;
    // The top-left corner (y up).
    virtual zq::Point GetPos() const = 0;
    // The top-left corner before the running transaction.
    virtual zq::Point GetOldPos() const = 0;
    // Moves the top-left corner (undoable).
    virtual void SetPos(Env& env, const zq::Point& pos) = 0;
    // Width and height.
    virtual zq::Point GetSize() const = 0;
    // Width and height before the running transaction.
    virtual zq::Point GetOldSize() const = 0;
    // The smallest width the box may take.
    virtual int32_t GetMinWidth() const { return kDefaultMinSize; }
    // The smallest height the box may take.
    virtual int32_t GetMinHeight() const { return kDefaultMinSize; }
    // Whether the box is resized only alone: a box laid out inside an owner reshapes that owner, so
    // its handles take no other selected boxes along and it follows no other box's handles.
    virtual bool ResizesAlone() const { return false; }
    // max(minimum height, height) / max(minimum width, width), kept by ratio-keeping resizing.
    virtual double GetAspectRatio() const {
        const zq::Point size = GetSize();
        return double(std::max(GetMinHeight(), size.y)) / double(std::max(GetMinWidth(), size.x));
    }
    // The current rectangle: position and size.
    zq::Rect GetRect() const {
        const zq::Point pos = GetPos(), size = GetSize();
        return zq::Rect::FromPosSize(pos, size.x, size.y);
    }
    // The rectangle before the running transaction.
    zq::Rect GetOldRect() const {
        const zq::Point pos = GetOldPos(), size = GetOldSize();
        return zq::Rect::FromPosSize(pos, size.x, size.y);
    }
};

// The size of a resizable storable read from a zq::Point field of its record.
template <class Rep, zq::Point Rep::*SizeField>
class ResizableWithSizeField : public IResizable, public virtual IRepOwner<Rep> {
public:
    zq::Point GetSize() const override { return this->GetRep().*SizeField; }
    zq::Point GetOldSize() const override { return this->GetOldRep().*SizeField; }
};

// The position of a connector end or join.
class IPosition : public virtual IModelElement {
public:
    // The current position.
    virtual zq::float8Point GetPosition() const = 0;
    // The position at the start of the running transaction.
    virtual zq::float8Point GetOldPosition() const = 0;
};

// An element that connector ends attach to.
class ITerminal : public virtual IModelElement {
public:
    // Where an end sits on the outline for the point: the level candidate with horizontal set,
    // else the plumb one; false when the terminal has no outline.
    virtual bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const = 0;
    // The box the terminal hangs on (a qualifier's class), which paths to the terminal keep out of
    // as well; none by default.
    virtual const IResizable* GetCarrierBox() const { return nullptr; }
    // The rectangle paths to the terminal keep out of where it is no resizable box (a bar); false
    // by default.
    virtual bool GetBarRect(zq::Rect&) const { return false; }
};

// What a terminal hands to its attached ends when its shape changes.
class ITerminalReshapeInfo {
public:
    virtual ~ITerminalReshapeInfo() = default;
    // Maps a point attached before the change to its place after it.
    virtual zq::float8Point MapPoint(const zq::float8Point& point) const = 0;
    // Maps a connector end's point: on the same side, at the same relative place along it where the
    // side no longer reaches the point (never onto a corner); by default as MapPoint.
    virtual zq::float8Point MapAlongSide(const zq::float8Point& point) const { return MapPoint(point); }
    // The terminal that changed.
    virtual ITerminal* GetTerminal() const = 0;
};

// The reshape of a box-shaped terminal: points move from the old outline to the new one (a box
// that kept its size carries them along).
class BoxReshapeInfo : public ITerminalReshapeInfo {
public:
    // The terminal went from the old rectangle to the new one.
    BoxReshapeInfo(ITerminal* terminal, const zq::Rect& oldRect, const zq::Rect& newRect);
    // The terminal went from the old outline to the new one of the same corners (a class with its
    // template box); outlines of different corners are taken as their bounding rectangles.
    BoxReshapeInfo(ITerminal* terminal, const std::vector<zq::Point>& oldOutline, const std::vector<zq::Point>& newOutline);
    zq::float8Point MapPoint(const zq::float8Point& point) const override;
    zq::float8Point MapAlongSide(const zq::float8Point& point) const override;
    ITerminal* GetTerminal() const override { return terminal_; }

private:
    ITerminal* terminal_;
    bool moved_;
    double dx_, dy_;
    GraphUtil::Outline old_;
    GraphUtil::Outline new_;
};

// A terminal that moved without changing its shape: every attached point moves by the same vector.
class MoveReshapeInfo : public ITerminalReshapeInfo {
public:
    // The terminal's reference point went from one place to the other.
    MoveReshapeInfo(ITerminal* terminal, const zq::Point& from, const zq::Point& to)
        : terminal_(terminal), dx_(double(to.x) - from.x), dy_(double(to.y) - from.y) {}
    zq::float8Point MapPoint(const zq::float8Point& p) const override { return {p.x + dx_, p.y + dy_}; }
    ITerminal* GetTerminal() const override { return terminal_; }

private:
    ITerminal* terminal_;
    double dx_, dy_;
};

// A connector end attached to a terminal: what the terminal tells it.
class IAttachment : public virtual IModelElement {
public:
    // The terminal is being deleted.
    virtual void OnTerminalDeleted(Env&) {}
    // The terminal changed its shape (set: the move it belongs to, or none).
    virtual void OnTerminalReshaped(Env&, const ITerminalReshapeInfo&, DeferredShiftSet*) {}
};

// Something attached at a point of a terminal.
class IPointAttachment : public virtual IModelElement {
public:
    // The attachment point on the terminal, moved by the set's shift when the terminal moves with
    // the set; horizontal keeps a level line to the point, else a plumb one.
    virtual zq::float8Point GetShiftedInfo(const DeferredShiftSet& set, const zq::float8Point& point,
                                           bool horizontal) const = 0;
    // The new place of a point attached to a reshaped terminal: the mapped point, plus the set's
    // shift on each enabled axis when the terminal itself moves with the set.
    virtual zq::float8Point GetShiftedPosition(const ITerminalReshapeInfo& info, const zq::float8Point& point,
                                               const zq::float8Point* direction, const DeferredShiftSet& set) const;
};

// An element that re-evaluates which container encloses it.
class IUpdateContainer : public virtual IModelElement {
public:
    // Decides anew which container encloses the element.
    virtual void UpdateContainer(Env& env, ModelElementSet& visited) = 0;
    // Runs UpdateContainer unless the element is already in the visited set, entering it first.
    void UpdateContainerOnce(Env& env, ModelElementSet& visited);
};

class IContainable;

// An element that contains others.
class IContainer : public virtual IModelElement {
public:
    // Adds the containable and tells it its container.
    virtual void AddContainable(Env& env, IContainable& containable) = 0;
    // Removes the containable.
    virtual void RemoveContainable(Env& env, IContainable& containable) = 0;
    // Whether the containable is in the container.
    virtual bool ContainsContainable(const IContainable& containable) const = 0;
    // Appends without telling the containable (used while reading).
    virtual void AppendContainable(Env& env, IContainable& containable) = 0;
    // The weight with which the container claims an element whose box starts at the point: an Area
    // weight over its bounding rectangle by default. No selection raises it, so which container
    // holds an element never depends on what is selected.
    virtual Weight ContainerWeight(const zq::Point& at) const;
};

// An element that lies in a container.
class IContainable : public IUpdateContainer, public IDeletable {
public:
    // Records the container (none: the diagram itself).
    virtual void SetContainer(Env& env, IContainer* container) = 0;
    // The container, or none.
    virtual IContainer* GetContainer() const = 0;
    // Runs the container update once with a fresh visited set.
    void FinalizeContainer(Env& env);
    // A containable's follow-up after every transaction step that inserted or modified it.
    void Finalize(Env& env) override { FinalizeContainer(env); }
};

// An element that can be pointed at.
class IPointable : public virtual IModelElement {
public:
    // Whether the point lies within the tolerance of the element.
    virtual bool IsNear(const zq::Point&, int32_t /*tolerance*/) const { return false; }
    // The element's bounding rectangle; false when it has none.
    virtual bool GetBoundingRect(zq::Rect& out) const = 0;
    // The element's hit weight at the point in the view.
    virtual Weight GetWeight(const IView& view, const zq::Point& point, int32_t tolerance) const = 0;
};

// A predicate over model elements.
class IFilter {
public:
    virtual ~IFilter() = default;
    // Whether the element passes.
    virtual bool Accept(const IModelElement* element) const = 0;
};

// Accepts exactly the elements that are an X.
template <class X>
class Filter : public IFilter {
public:
    bool Accept(const IModelElement* element) const override { return zq::Cast<const X>(element) != nullptr; }
};

} // namespace Core
