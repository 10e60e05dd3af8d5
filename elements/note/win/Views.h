#pragma once
// The views of notes, note connectors and dependencies in diagram views.
#include "elements/note/Dependency.h"
#include "elements/note/Note.h"
#include "text/edit/Handlers.h"
#include "view/CmdHandler.h"
#include "view/ResizeControls.h"
#include "view/connector/win/Views.h"

#include <memory>

namespace Note {

// The command ids of the note kinds' menus.
inline constexpr UINT kNewNoteCommand = 40110;       // "New &Note" of the background menus
inline constexpr UINT kNewConnectorCommand = 40111;  // "New C&onnector" of a note's menu (117)
inline constexpr UINT kNewTextCommand = 40116;       // "New Te&xt" of a dependency segment's menu (125)
inline constexpr UINT kNewDependencyCommand = 40107; // "New &Dependency" of the menus of dependency parties

// The segment of dependencies, note connectors and association class connectors: a dashed line,
// kept while a drag moves it as the elements it joins keep theirs.
class VDashedSegment : public Connector::VSegment {
public:
    VDashedSegment(View::ICanvasView& view, Connector::ISegment& segment)
        : Core::IViewElement(view, segment), VSegment(view, segment)
    {
        KeepDrawingAsItsTerminals();
    }

protected:
    // The dashes start at the left (or lower) point: an edit may list the segment's ends the other
    // way round than a read document does, and the line then shows the same dashes.
    ICanvas::Element CreateLine(ICanvas::Canvas& canvas, const zq::float8Point& p, const zq::float8Point& q) override {
        const bool turn = q.x < p.x || (q.x == p.x && q.y < p.y);
        return turn ? canvas.CreateDashedLine(q, p, 0) : canvas.CreateDashedLine(p, q, 0);
    }
};

// The view of a note: its outline with the folded corner over the fill of its element style, its
// handles while selected; while a change moves or resizes it, a dashed rectangle shows the new
// bounds over the drawing as it was. Typing or a double click edits its text, which its text's own
// view draws.
class VNote : public View::SelectableViewElement, public View::VIShiftable, public TextBlock::CharHandlerImp,
              public View::IDrawingRule {
public:
    VNote(View::ICanvasView& view, Note& note);
    bool KeepsDrawingWhileMoved() const override { return true; }
    void UpdateShape() override;
    void UpdateMarks() override;
    Core::Weight HitTestMarks(const zq::Point& p, int32_t tolerance) const override { return handles_.WeightAt(p, tolerance); }
    View::IControl* FindControlAt(const zq::Point& p) override { return handles_.FindAt(p); }
    // Menu 117 with "New C&onnector".
    unsigned GetMenuId() const override { return 117; }
    void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override;
    TextBlock::Text* GetTextModel() const override { return note_.GetText(); }
    void SetCursor(const zq::Point& point) override { View::SelectableViewElement::SetCursor(point); }
    // The image of the note while it is dragged: a dashed rectangle with corner markers.
    void DrawMoveFeedback(ICanvas::Canvas& canvas, ICanvas::Group& group) const;
    // The same image for the preview of a drag.
    void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet&) override
    {
        DrawMoveFeedback(canvas, group);
    }
    // Drawn parts (for tests): of the full drawing, and of the outline of a running change.
    size_t ShapeCount() const { return shape_.Size(); }
    size_t OutlineCount() const { return outline_.Size(); }

private:
    // The note in full: the fill, the seven lines and the corner markers.
    void DrawFull(ICanvas::Canvas& canvas, const zq::Rect& r);

    Note& note_;
    View::RectResizeControls handles_;
    ICanvas::Group shape_;
    ICanvas::Group marks_;
    ICanvas::Group outline_;
    zq::Point committedPos_;
    zq::Point committedSize_;
    bool changed_ = false;  // moved or resized by the running change
};

// "New C&onnector" of a note's menu: draws a note connector from the note to an element it may point at.
std::unique_ptr<View::ICmdHandler> CreateNoteConnectorCmdHandler(View::IDefaultTask& task);

// "New &Dependency" for a party's menu: draws a dependency between elements that take dependency ends.
std::unique_ptr<View::ICmdHandler> CreateDependencyCmdHandler(View::IDefaultTask& task);

// Makes the views of notes and of the parts of note connectors and dependencies (once).
void RegisterNoteViews();

} // namespace Note
