#pragma once
// The views of the sequence diagram's elements: the object box, the lifeline drawn in dashed
// pieces between its activations, the activation bar, and the parts of messages and returns.
#include "elements/sequence/Activation.h"
#include "elements/sequence/LifeLine.h"
#include "elements/sequence/Message.h"
#include "elements/sequence/SeqObject.h"
#include "elements/sequence/win/Controls.h"
#include "text/edit/Handlers.h"
#include "view/CmdHandler.h"
#include "view/ResizeControls.h"
#include "view/ViewElements.h"

namespace Sequence {

// The menu ids of the sequence elements.
inline constexpr unsigned kSeqObjectMenu = 118;
inline constexpr unsigned kLifeLineMenu = 119;
inline constexpr unsigned kActivationMenu = 120;
inline constexpr unsigned kMessageSegmentMenu = 121;
inline constexpr unsigned kMessageEndMenu = 122;

// The object's box (dashed while a change in progress moves or reshapes it; its name's view drawn
// where the box is), its eight handles; typing and a double click edit its name.
class VSeqObject : public View::SelectableViewElement, public View::VIShiftable, public TextBlock::CharHandlerImp {
public:
    VSeqObject(View::ICanvasView& view, SeqObject& object);
    void UpdateShape() override;
    void UpdateMarks() override;
    Core::Weight HitTestMarks(const zq::Point& p, int32_t tolerance) const override { return handles_.WeightAt(p, tolerance); }
    View::IControl* FindControlAt(const zq::Point& p) override { return handles_.FindAt(p); }
    unsigned GetMenuId() const override { return kSeqObjectMenu; }
    void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override;
    TextBlock::Text* GetTextModel() const override { return object_.GetText(); }
    void SetCursor(const zq::Point& point) override { View::SelectableViewElement::SetCursor(point); }
    // Whether the box is drawn in its changed (dashed) form.
    bool IsDrawnChanged() const { return latched_; }
    // Dragged: a dashed rectangle with its corner marks.
    void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;
    // Drawn parts (for tests): of the normal and of the changed drawing.
    size_t ShapeCount() const { return shape_.Size(); }
    size_t ChangedCount() const { return changed_.Size(); }

private:
    SeqObject& object_;
    View::RectResizeControls handles_;
    ICanvas::Group shape_;
    ICanvas::Group changed_;
    ICanvas::Group marks_;
    bool latched_ = false;
};

// The lifeline: dashed pieces where no activation lies, the dying cross, the length handle.
class VLifeLine : public View::SelectableViewElement, public View::VIShiftable {
public:
    VLifeLine(View::ICanvasView& view, LifeLine& line);
    void UpdateShape() override;
    void UpdateMarks() override;
    Core::Weight HitTestMarks(const zq::Point& p, int32_t tolerance) const override;
    View::IControl* FindControlAt(const zq::Point& p) override;
    unsigned GetMenuId() const override { return kLifeLineMenu; }
    void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override;
    // The number of dashed pieces drawn (for tests).
    size_t PieceCount() const { return pieces_; }
    // Drawn parts (for tests): of the changed drawing, and the selection marks.
    size_t ChangedCount() const { return changed_.Size(); }
    size_t MarkCount() const { return marks_.Size(); }
    // Dragged: its dashed pieces and the marker at its bottom.
    void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;

private:
    // The dashed pieces and the bottom marker into the group; answers the number of pieces.
    size_t DrawLine(ICanvas::Canvas& canvas, ICanvas::Group& group, bool changed) const;
    LifeLine& line_;
    LifeLineLenControl control_;
    ICanvas::Group shape_;
    ICanvas::Group changed_;
    ICanvas::Group marks_;
    size_t pieces_ = 0;
};

// The activation bar with its top and bottom handles.
class VActivation : public View::SelectableViewElement, public View::VIShiftable {
public:
    VActivation(View::ICanvasView& view, Activation& activation);
    void UpdateShape() override;
    void UpdateMarks() override;
    Core::Weight HitTestMarks(const zq::Point& p, int32_t tolerance) const override;
    View::IControl* FindControlAt(const zq::Point& p) override;
    unsigned GetMenuId() const override { return kActivationMenu; }
    void PrepareMenu(View::IDefaultTask& task, View::CmdHandlerList& handlers) override;
    bool IsDrawnChanged() const { return latched_; }
    // Dragged: a dashed rectangle with the markers at its top and bottom.
    void DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) override;

private:
    // The outline (dashed when changed) and the markers at top and bottom into the group.
    void DrawBar(ICanvas::Canvas& canvas, ICanvas::Group& group, bool changed) const;
    Activation& activation_;
    ActivationNorthControl north_;
    ActivationSouthControl south_;
    ICanvas::Group shape_;
    ICanvas::Group changed_;
    ICanvas::Group marks_;
    bool latched_ = false;
};

// The arrow-head commands of a message's target end (menu 122): 40148, 40149, 40150, the
// current head marked as a radio item; one undo step per choice.
class MessageTargetEndCmdHandler : public View::ICmdHandler {
public:
    MessageTargetEndCmdHandler(View::IDefaultTask& task, MessageEnd& end);
    void UpdateCommands() override;

private:
    void OnArrowType(const Application::CommandMsg& msg);
    MessageEnd& end_;
};

// "New &Message" from the party the menu was opened on.
std::unique_ptr<View::ICmdHandler> CreateNewMessageCmdHandler(View::IDefaultTask& task);
// "New &Return" from the activation the menu was opened on.
std::unique_ptr<View::ICmdHandler> CreateNewReturnCmdHandler(View::IDefaultTask& task);

// Lets canvas views make the views of the sequence elements (once per process).
void RegisterSequenceViews();

} // namespace Sequence
