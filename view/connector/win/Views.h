// The views of connector parts: the line of a segment with the marks of its ends, and the handles
// of ends and joins that start the editing tasks.
#pragma once

#include "view/CanvasView.h"
#include "view/Tasks.h"
#include "view/connector/Interfaces.h"

#include <memory>

namespace Connector {

// Connector parts shown in canvas views: a kind's end, segment and join classes derive from it too.
class ShownPart : public View::ModelElement {
public:
    // An end, a segment or a join answers its view element; anything else none.
    std::shared_ptr<Core::IViewElement> CreateCanvasViewElement(View::ICanvasView& view) override;
};

// The handle of an end or a join: its drag runs the part's move task.
class PartControl : public View::IControl {
public:
    PartControl(View::ICanvasView& view, ISegmentEnd& part) : view_(view), part_(part) {}
    // EndMoveTask for an end, JoinMoveTask (without the geometry flag) for a join.
    View::SubTaskPtr CreateTask(View::ICanvasView& view, View::ITask& parent, const zq::Point& point) override;
    bool IsNear(const zq::Point& point, int32_t tolerance) const override { return part_.IsNear(point, tolerance); }
    // The Control weight at the part's point, biased by the part's own weight.
    Core::Weight GetWeight(const zq::Point& point, const Core::IView& view) const override;
    using View::IControl::GetWeight;
    // 266 over an attached end, 265 over a free one, 274 over a join.
    void SetCursor(const zq::Point& point) override;
    const Core::IView& GetView() const override { return view_; }
    void Update(const Core::ViewUpdateContext*) override {}
    ISegmentEnd& GetPart() const { return part_; }

private:
    View::ICanvasView& view_;
    ISegmentEnd& part_;
};

// The view of an end or a join: no drawing of its own (its segments draw it), a handle, and a
// change of the part redraws its segments.
class VSegmentEnd : public View::ViewElement, public View::VIShiftable, public View::IDrawingRule {
public:
    VSegmentEnd(View::ICanvasView& view, ISegmentEnd& part);
    // Asks the views of the part's segments for an update.
    void Update() override;
    using View::ViewElement::Update;
    // Drawn by its segments, it keeps their rule: whether one of their views keeps its line.
    bool KeepsDrawingWhileMoved() const override;
    PartControl& GetControl() { return control_; }
    void SetCursor(const zq::Point& point) override { control_.SetCursor(point); }
    // Draws the part's decoration for a line that arrives from the point (an arrow head, say) and
    // answers where the line stops; by default nothing, and the part's own point.
    virtual zq::float8Point DrawShape(ICanvas::Canvas&, ICanvas::Group&, const zq::float8Point& /*from*/) {
        return part_.GetPoint();
    }
    // The segments draw the moving image of their ends and joins.
    void DrawMoveImage(ICanvas::Canvas&, ICanvas::Group&, const Core::DeferredShiftSet&) override {}

private:
    ISegmentEnd& part_;
    PartControl control_;
};

// The view of an end.
class VEnd : public VSegmentEnd {
public:
    VEnd(View::ICanvasView& view, IEnd& end) : Core::IViewElement(view, end), VSegmentEnd(view, end), end_(end) {}
    // A free end carried by a move follows it through an EndShiftControl (a copy's may land on a terminal).
    void CreateShiftControls(View::ViewContext& context, Core::DeferredShiftSet& set,
                             View::ShiftControlSet& controls) override;

private:
    IEnd& end_;
};

// The view of a join.
class VJoin : public VSegmentEnd {
public:
    VJoin(View::ICanvasView& view, IJoin& join) : Core::IViewElement(view, join), VSegmentEnd(view, join) {}
};

// The view of a segment: its line, dashed while the running transaction changes it, and the marks
// at its ends while it is selected; the marks are the handles of its ends and joins.
class VSegment : public View::SelectableViewElement, public View::VIShiftable, public View::IDrawingRule {
public:
    VSegment(View::ICanvasView& view, ISegment& segment);
    // Whether it keeps its line while a drag moves its ends: its kind's rule, or that of the views
    // of the elements its connector's ends are attached to.
    bool KeepsDrawingWhileMoved() const override;
    void UpdateShape() override;
    void UpdateMarks() override;
    Core::Weight HitTestMarks(const zq::Point& point, int32_t tolerance) const override;
    View::IControl* FindControlAt(const zq::Point& point) override;
    // Menu 112 with "Keep Orthogonal".
    unsigned GetMenuId() const override { return 112; }
    void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override;
    void SetMoveCursor(bool dragging, bool modifier, bool move) override;
    // The moving image: a marker line between its two ends.
    void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;
    // With Ctrl held the segment is split and the new join dragged; otherwise the selection moves.
    View::SubTaskPtr CreateMoveTask(View::ICanvasView& view, View::ITask& parent, const zq::Point& point, int button,
                                    Core::IModelElement* element = nullptr) override;
    // The cursor number: see the .cpp for the table; first selects the dragging set of cursors.
    int GetCursorId(bool first, bool second, bool modifier) const;
    ISegment& GetSegment() const { return segment_; }
    size_t MarkCount() const { return marks_.Size(); }
    // The drawn line with the ends' decorations (for tests).
    size_t ShapeCount() const { return line_.Size(); }

protected:
    // The segment's line between the two points: a solid line; kinds drawn otherwise override it.
    virtual ICanvas::Element CreateLine(ICanvas::Canvas& canvas, const zq::float8Point& p, const zq::float8Point& q);
    // From now on an open change that moves the segment's ends leaves its line where the last closed
    // change put it, as the boxes it joins do: a segment moved whole has the drag's dashed image
    // follow the pointer, one reshaped shows its new shape dashed over the line.
    void KeepDrawingWhileMoved() { keepWhileMoved_ = true; }
    // From now on it keeps its line while moved when the views of all the elements its connector's
    // ends are attached to (one at least) keep theirs: a connector of no kind of its own (a note's,
    // a dependency) draws as what it joins.
    void KeepDrawingAsItsTerminals() { followTerminals_ = true; }

private:
    PartControl* ControlOf(ISegmentEnd* end) const;
    // Where the line stops at the end, after its decoration.
    zq::float8Point LineEnd(ISegmentEnd& end, const zq::float8Point& from, ICanvas::Canvas& canvas);
    bool IsBeingChanged() const;
    // Whether the line stays as it is: an open change moves the segment's ends and it keeps its
    // drawing while moved; otherwise notes where it is drawn.
    bool KeepsLine(ISegmentEnd& a, ISegmentEnd& b);
    // The shape a running change gives the segment, dashed, into the group.
    void DrawChange(ICanvas::Canvas& canvas, ICanvas::Group& group, ISegmentEnd& a, ISegmentEnd& b);

    ISegment& segment_;
    ICanvas::Group line_;
    ICanvas::Group marks_;
    ICanvas::Group changed_;  // the new shape over the kept line
    // Whether the views of the elements the connector's ends are attached to keep their drawing.
    bool TerminalsKeepDrawing() const;

    bool keepWhileMoved_ = false;
    bool followTerminals_ = false;
    mutable bool asking_ = false;  // asking the terminals' views (a connector that ends on itself)
    bool committed_ = false;  // the line shows the segment as the last closed change left it
    zq::Point committedSpan_;  // from its first end to its second there
};

// Asks the views of every part of the element's connector for an update, then redraws the view.
void RefreshConnectorViews(View::ICanvasView& view, IConnectorElement& part);

} // namespace Connector
