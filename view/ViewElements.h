// The view side of model elements: the model-element base that makes view elements for a canvas
// view, plain and selectable view elements with their update requests, and the interfaces a view
// element offers to the tasks (context menu, handles, double clicks, typed characters, moving).
#pragma once

#include "core/ModelElement.h"
#include "core/View.h"
#include "drawing/Canvas.h"
#include "view/MoveControl.h"

#include <functional>
#include <memory>

namespace View {

class ICanvasView;
class ITask;
class ISubTask;
class IDefaultTask;
class CmdHandlerList;

using SubTaskPtr = std::shared_ptr<ISubTask>;

// A view element's context menu.
class IContextMenu {
public:
    static constexpr unsigned kDefaultMenuId = 111;
    virtual ~IContextMenu() = default;
    // Adds the command handlers that serve the menu's commands (none by default).
    virtual void PrepareMenu(IDefaultTask&, CmdHandlerList&) {}
    // The menu resource id.
    virtual unsigned GetMenuId() const { return kDefaultMenuId; }
};

// Base of every model element shown in a canvas view.
class ModelElement : public virtual Core::IModelElement {
public:
    // Makes the element's view element in the canvas view.
    virtual std::shared_ptr<Core::IViewElement> CreateCanvasViewElement(ICanvasView& view) = 0;
    // The view element of any element in any view: canvas views ask View::ModelElements, other
    // views and elements get none.
    static std::shared_ptr<Core::IViewElement> CreateViewElement(Core::IModelElement& element, Core::IView& view);
    // The same in a canvas view.
    static std::shared_ptr<Core::IViewElement> CreateViewElement(Core::IModelElement& element, ICanvasView& view);

    // Makes the view element of an element kind that cannot derive from this class (a platform-free
    // model kind), or none when the element is not of its kind. A maker answers by the element's
    // type alone: the first maker that made a view of a type is the one asked for that type after.
    using ViewMaker = std::function<std::shared_ptr<Core::IViewElement>(Core::IModelElement&, ICanvasView&)>;
    // Adds a maker; canvas views ask the makers in order for elements that are no View::ModelElement.
    static void AddViewMaker(ViewMaker maker);
};

// A handle of a selected view element (a resize handle): pointable, with the task its drag runs.
class IControl : public virtual Core::VIPointable {
public:
    // The sub-task of a drag from the point (logical units); none when the handle is disabled.
    virtual SubTaskPtr CreateTask(ICanvasView& view, ITask& parent, const zq::Point& point) = 0;
    // Whether the point lies within the tolerance of the handle.
    virtual bool IsNear(const zq::Point& point, int32_t tolerance) const = 0;
    // The handle's weight at the point in the view.
    virtual Core::Weight GetWeight(const zq::Point& point, const Core::IView& view) const = 0;
    using Core::IViewElement::GetWeight;
};

// A part that reacts to a double click with a sub-task (possibly none).
class IDoubleClickHandler : public virtual Core::VIPointable {
public:
    virtual SubTaskPtr OnDoubleClick(ICanvasView& view, ITask& parent, const zq::Point& point) = 0;
};

// A view element that takes typed characters while selected.
class ICharHandler {
public:
    virtual ~ICharHandler() = default;
    // The sub-task that handles the character (the message's wParam), or none.
    virtual SubTaskPtr OnChar(ICanvasView& view, ITask& parent, unsigned wParam, long lParam) = 0;
};

// A non-selectable presence of an element in a canvas view.
class ViewElement : public IContextMenu, public virtual Core::VIPointable {
public:
    ViewElement(ICanvasView& view, Core::IModelElement& element);
    // Leaves the view's update queue.
    ~ViewElement() override;
    // Rebuilds the drawables.
    virtual void Update() = 0;
    // The model core's update: queued until the view processes its updates.
    void Update(const Core::ViewUpdateContext*) override { RequestUpdate(); }
    // Enqueues the element for an update.
    void RequestUpdate();
    // Leaves the queue.
    void CancelUpdate();
    // The arrow by default.
    void SetCursor(const zq::Point& point) override;
    // The canvas view.
    ICanvasView& GetCanvasView() const { return view_; }

private:
    friend class ICanvasView;
    ICanvasView& view_;
    bool queued_ = false;  // waiting in the view's queue
    unsigned updatedIn_ = 0;  // the view's round of updates that last updated the element
};

// A selectable presence of an element that shows selection marks.
class SelectableViewElement : public Core::VISelectable, public IContextMenu, public virtual Core::VIPointable {
public:
    SelectableViewElement(ICanvasView& view, Core::IModelElement& element);
    // Leaves the view's update queue.
    ~SelectableViewElement() override;
    // Enqueues the element for a redraw of its marks only.
    void RequestMarksUpdate();
    // Enqueues the element for a full update (a pending marks-only request becomes a full one).
    void RequestUpdate();
    // Leaves the queue.
    void CancelUpdate();
    // Rebuilds the element's drawables.
    virtual void UpdateShape() = 0;
    // Redraws the selection marks.
    virtual void UpdateMarks() = 0;
    // The handle at the point among the element's marks, or none.
    virtual IControl* FindControlAt(const zq::Point&) { return nullptr; }

    // The model core's update: queued.
    void Update(const Core::ViewUpdateContext*) override { RequestUpdate(); }
    void OnSelectedChanged() override { RequestMarksUpdate(); }
    // Only a selected element shows marks: only its marks change with their visibility.
    void OnSelectionVisible(bool) override {
        if (IsSelected()) RequestMarksUpdate();
    }
    void SetCursor(const zq::Point& point) override;
    ICanvasView& GetCanvasView() const { return view_; }

protected:
    // Told by a drawing that shows the element as being changed (a dashed outline, no marks): the
    // element is drawn again when the change ends.
    void NoteDrawnAsChanging();

private:
    friend class ICanvasView;
    enum class Queued : unsigned char { No, MarksOnly, Full };
    ICanvasView& view_;
    Queued queued_ = Queued::No;  // what the view's queue holds for the element
    bool drawnChanging_ = false;  // listed by the view as drawn as being changed
    unsigned shapeUpdatedIn_ = 0;  // the view's rounds of updates that last updated the shape,
    unsigned marksUpdatedIn_ = 0;  // and the marks
};

// Where a view last drew its element, for a view that keeps that drawing while an open change only
// moves the element: the drawing stays where the last closed change put it and the drag's dashed
// image alone follows the pointer; once the change is over the element is drawn anew.
class CommittedPlace {
public:
    // Whether the drawing stays as it is: moving (an open change that did not make the element
    // changes it) shifted the two points that place it by one vector since they were last drawn.
    // Otherwise the points are noted as drawn.
    bool Holds(bool moving, const zq::Point& from, const zq::Point& to);

private:
    zq::Point from_, to_;
    bool drawn_ = false;
};

// A view that may keep its element's drawing where the last closed change put it while an open
// change moves the element; what hangs on the element (the texts anchored on it) draws by its rule.
class IDrawingRule {
public:
    virtual ~IDrawingRule() = default;
    // Whether an open change that moves the element leaves the element's drawing where it was.
    virtual bool KeepsDrawingWhileMoved() const = 0;
};

// Whether the view of the element in the view keeps its drawing while moved (no view, or one
// without a rule: no).
bool KeepsDrawingWhileMoved(const Core::IModelElement& element, const Core::IView& view);

struct ViewContext;

// A view element that can be moved with the mouse.
class VIShiftable : public virtual Core::VIPointable {
public:
    // The shiftable view of the element in the view, or none.
    static VIShiftable* Find(Core::IModelElement& element, const Core::IView& view);

    // Shows the cursor of a move: 269 when not dragging, else 261 (move) or 275 (copy).
    virtual void SetMoveCursor(bool dragging, bool modifier, bool move);
    // The task that moves the selection from the point with the button (1 left, 3 right): a drag
    // of the selection grabbed at this element's model element (or the one given).
    virtual SubTaskPtr CreateMoveTask(ICanvasView& view, ITask& parent, const zq::Point& point, int button,
                                      Core::IModelElement* element = nullptr);
    // The controller of a drag of this element in the move (the drop's view context): by default
    // one that lets the element move freely.
    virtual MoveControllerPtr CreateMoveController(ViewContext& context, Core::DeferredShiftSet& set);
    // Adds the shift controls of what hangs on this element in the move (none by default).
    virtual void CreateShiftControls(ViewContext& context, Core::DeferredShiftSet& set, ShiftControlSet& controls);
    // Draws the image of the element moving into the group: by default a marker rectangle of the
    // model element's bounding rectangle.
    virtual void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set);
};

} // namespace View
