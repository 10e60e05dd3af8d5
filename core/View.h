// The model side of views: a view of a diagram with its view elements, selection and hit test,
// and an element's presence in one view.
#pragma once

#include "core/ModelElementSet.h"
#include "core/Weight.h"
#include "core/foundation/Geometry.h"
#include "core/foundation/Observer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Core {

class Diagram;
class IModelElement;
class IView;
class IFilter;
class IPointable;
class SelectionTracker;
class VISelectable;

// Whatever a view needs to know when its view elements update (opaque to the model).
struct ViewUpdateContext;

// Told when the selection of a view has changed.
class ISelectionObserver {
public:
    virtual ~ISelectionObserver() = default;
    // One notification per real change of the view's selection.
    virtual void OnSelectionChanged(IView& view) = 0;
};

// An element's presence in one view.
class IViewElement {
public:
    // A view element that is not listed by a view (its class answers GetView itself).
    IViewElement() = default;
    // A view element of the model element, listed by the view until it is destroyed.
    IViewElement(IView& view, IModelElement& element);
    IViewElement(const IViewElement&) = delete;
    IViewElement& operator=(const IViewElement&) = delete;
    virtual ~IViewElement();

    // The view the element belongs to.
    virtual const IView& GetView() const;
    // The view that lists the element, or none (a bare view element, or its view is gone).
    IView* GetOwnerView() const { return view_; }
    // The model element shown, or none for a bare view element.
    IModelElement* GetModelElement() const { return element_; }
    // Brings the view element up to date with its model element.
    virtual void Update(const ViewUpdateContext* context) = 0;
    // The selectable side, or none.
    virtual VISelectable* GetSelectable();
    const VISelectable* GetSelectable() const { return const_cast<IViewElement*>(this)->GetSelectable(); }
    // Told, while selected, when the view becomes active or inactive.
    virtual void OnActiveChanged(bool) {}
    // Whether the point hits the element: its model element's IsNear, false when it is not pointable.
    bool IsHit(const zq::Point& point, int32_t tolerance) const;
    // The weight at the point: its model element's weight, Invisible when it is not pointable.
    virtual Weight GetWeight(const zq::Point& point, int32_t tolerance) const;

private:
    friend class IView;
    friend class VISelectable;
    IView* view_ = nullptr;
    IModelElement* element_ = nullptr;
    // The casts asked on every hit test and selection walk, made once.
    VISelectable* selectable_ = nullptr;
    const IPointable* pointable_ = nullptr;
    std::size_t index_ = 0;  // the place in the view's list
};

// A view element that can be selected.
class VISelectable : public virtual IViewElement {
public:
    VISelectable() { selectable_ = this; }
    ~VISelectable() override;
    // Whether the element is selected.
    bool IsSelected() const { return selected_; }
    // Selects or deselects through the tracker (none: a tracker of its own for this change);
    // answers whether the state changed.
    bool SetSelected(SelectionTracker* tracker, bool select);
    // The weight of the element's selection marks at the point (Invisible: no mark there).
    virtual Weight HitTestMarks(const zq::Point&, int32_t /*tolerance*/) const { return {}; }
    // Told when the selected state changed (the marks are drawn or removed here).
    virtual void OnSelectedChanged() {}
    // Told, while selected, when the view shows or hides its selection marks.
    virtual void OnSelectionVisible(bool) {}

private:
    bool selected_ = false;
};

// A view element that can be pointed at.
class VIPointable : public virtual IViewElement {
public:
    // Sets the mouse cursor for a model point over the element.
    virtual void SetCursor(const zq::Point& point) = 0;
};

// Flags of IView::HitTest.
enum HitTestFlags : unsigned {
    kHitNoMarks = 1,       // leave the selection marks out
    kHitSelectedOnly = 2,  // consider only selected view elements
};

// The result of a hit test: the view element hit with its weight, or none.
struct HitResult {
    IViewElement* element = nullptr;
    Weight weight;
    bool onMark = false;  // the hit is one of the element's selection marks
    explicit operator bool() const { return element != nullptr; }
};

// A view of a diagram: it makes view elements, keeps the list of them, its selection observers and
// its active, frozen and being-destroyed flags.
class IView {
public:
    IView() = default;
    IView(const IView&) = delete;
    IView& operator=(const IView&) = delete;
    // View elements that outlive the view forget it; a view still attached detaches from its diagram.
    virtual ~IView();

    // The view element of a model element in this view, or none when the view does not show it.
    virtual std::shared_ptr<IViewElement> CreateViewElement(IModelElement& element) = 0;
    // Lets the view update its drawables after a change.
    virtual void UpdateView() = 0;
    // Told before an undo or redo record runs on the diagram.
    virtual void OnUndoBegin() {}
    // Told after an undo or redo record has run and the touched elements have updated.
    virtual void OnUndoEnd() {}
    // Told after a transaction on the diagram has ended, committed or rolled back: what was drawn
    // as being changed is out of date.
    virtual void OnTransactionEnded() {}

    // The listed view elements in creation order (a copy: a walk may change the list).
    std::vector<IViewElement*> GetViewElements() const;
    // The selected view elements in creation order (a copy: telling them may change the list).
    std::vector<IViewElement*> GetSelectedViewElements() const;
    // Lets every listed view element update itself.
    void UpdateViewElements(const ViewUpdateContext* context = nullptr);

    // The plug of the selection observers.
    zq::IObserverPlug<ISelectionObserver>& GetSelectionObserverPlug() { return observers_; }
    // Notifies the selection observers (trackers call it once per real change).
    void NotifySelectionChanged();

    bool IsActive() const { return active_; }
    bool IsFrozen() const { return frozen_; }
    bool IsBeingDestroyed() const { return beingDestroyed_; }
    // Records the flag unless frozen and tells every selected view element.
    void SetActive(bool active);
    // A frozen view keeps its active flag and its selection.
    void SetFrozen(bool frozen) { frozen_ = frozen; }
    // Marks the view as going away (view elements skip redrawing).
    void SetBeingDestroyed() { beingDestroyed_ = true; }

    // Deselects every view element (nothing while frozen).
    void ClearSelection(SelectionTracker* tracker);
    // The selected model elements in view-element order.
    ModelElementSet GetSelection() const;
    // Whether any view element is selected.
    bool HasSelection() const;
    // Selects exactly the view elements of the set's elements (nothing while frozen).
    void ApplySelection(SelectionTracker* tracker, const ModelElementSet& set);
    // Selects every selectable view element (nothing while frozen).
    void SelectAll(SelectionTracker* tracker);
    // Selects every view element whose element's bounding rectangle the rectangle contains, edges
    // included (nothing while frozen).
    void SelectEnclosed(SelectionTracker* tracker, const zq::Rect& rect);
    // Shows the selection marks in full (set) or hides them, telling every selected element.
    void SetSelectionVisible(bool visible);
    bool IsSelectionVisible() const { return selectionVisible_; }

    // The view element with the best weight at the point within the tolerance: the selection marks
    // of selected elements first, then every element whose hit test answers true. The filter and the
    // registered type names (empty: any) restrict the candidates. None when nothing is hit.
    HitResult HitTest(const zq::Point& point, int32_t tolerance, const IFilter* filter = nullptr, unsigned flags = 0,
                      const std::vector<std::wstring>& requiredTypes = {}) const;

private:
    friend class IViewElement;
    friend class VISelectable;
    friend class SelectionVisibilityLock;
    friend class Diagram;
    template <class F>
    void ChangeSelection(SelectionTracker* tracker, F&& change);
    // Takes a view element off the list.
    void Unlist(const IViewElement& element);

    // The view elements in creation order, with a gap (null) where one has gone; the gaps are
    // closed when they make up half the list. A vector, not a linked list: the hit test walks all
    // of them on every mouse move.
    std::vector<IViewElement*> elements_;
    std::size_t gaps_ = 0;
    // Walks over every view element tell only the selected ones: the count lets the common case,
    // nothing selected in a large diagram, skip the walk.
    std::size_t selectedCount_ = 0;  // listed view elements that are selected
    Diagram* diagram_ = nullptr;  // the diagram the view is attached to, kept by the diagram
    zq::ObserverList<ISelectionObserver> observers_;
    bool active_ = false;
    bool frozen_ = false;
    bool beingDestroyed_ = false;
    bool selectionVisible_ = true;
    int visibilityHolds_ = 0;
};

} // namespace Core
