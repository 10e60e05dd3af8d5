// Resize handles of rectangular view elements and the sub-tasks their drags run.
#pragma once

#include "core/Interfaces.h"
#include "view/CanvasView.h"
#include "view/ResizeGeometry.h"
#include "view/Tasks.h"

#include <memory>
#include <vector>

namespace View {

// One compass handle of a resizable element.
class RectResizeControl : public IControl, public IDoubleClickHandler {
public:
    // Resize modes: free, keep the aspect ratio at the corners, keep the horizontal centre.
    enum Mode { Free = 0, KeepRatio = 1, KeepCentre = 2 };

    RectResizeControl(ICanvasView& view, Core::IResizable& element, unsigned id, int mode,
                      IDoubleClickHandler* doubleClick);

    SubTaskPtr CreateTask(ICanvasView& view, ITask& parent, const zq::Point& point) override;
    // The handle's offset from the element's top-left corner for the size.
    virtual zq::Point GetOffset(const zq::Point& size) const { return Resize::HandleOffset(id_, size); }
    // The handle's position: the element's position plus the offset.
    zq::Point GetPosition() const;
    bool IsNear(const zq::Point& point, int32_t tolerance) const override;
    Core::Weight GetWeight(const zq::Point& point, const Core::IView& view) const override;
    using IControl::GetWeight;
    void SetCursor(const zq::Point& point) override;
    SubTaskPtr OnDoubleClick(ICanvasView& view, ITask& parent, const zq::Point& point) override;

    const Core::IView& GetView() const override { return view_; }
    void Update(const Core::ViewUpdateContext*) override {}
    unsigned GetId() const { return id_; }
    int GetMode() const { return mode_; }
    bool IsEnabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    // The cursor number of the handle.
    int GetCursorId() const;

private:
    ICanvasView& view_;
    Core::IResizable& element_;
    unsigned id_;
    int mode_;
    bool enabled_ = true;
    IDoubleClickHandler* doubleClick_;
};

// The resize handles of one view element, one per set bit of a mask. They are made on first use:
// most elements of a large diagram are never selected, and a handle reads its position from the
// element whenever it is asked, so handles made late sit where the element is then.
class RectResizeControls {
public:
    // Records the handles of the mask's bits (tested from 128 down to 1); none is made yet.
    RectResizeControls(ICanvasView& view, Core::IResizable& element, unsigned mask, IDoubleClickHandler* doubleClick,
                       int mode);
    // Draws every handle into the group.
    void Draw(ICanvas::Canvas& canvas, ICanvas::Group& group, bool primary) const;
    // The hit handle with the highest weight at the point (the first found wins a tie), or none.
    RectResizeControl* FindAt(const zq::Point& point, int32_t tolerance = 200) const;
    // The best weight of an enabled handle at the point (Invisible when none is hit).
    Core::Weight WeightAt(const zq::Point& point, int32_t tolerance = 200) const;
    // Enables exactly the handles whose bit is in the mask (also those made later).
    void SetEnabledMask(unsigned mask);
    // The mask of the enabled handles.
    unsigned GetEnabledMask() const { return enabled_; }
    // The handles, made now if they were not yet.
    const std::vector<std::unique_ptr<RectResizeControl>>& GetControls() const;
    // Whether the handles have been made.
    bool AreMade() const { return made_; }

private:
    // Calls f with the position of every enabled handle, without making the handles.
    template <class F>
    void ForEachEnabled(F&& f) const;

    ICanvasView& view_;
    Core::IResizable& element_;
    IDoubleClickHandler* doubleClick_;
    unsigned mask_;
    unsigned enabled_ = ~0u;
    int mode_;
    mutable bool made_ = false;
    mutable std::vector<std::unique_ptr<RectResizeControl>> controls_;
};

// A sub-task that follows the pointer with a dashed preview and resizes on release.
class RectResizeTask : public ISubTask, private ICanvas::IScrollObserver {
public:
    RectResizeTask(ViewContext& context, ITask& parent, const zq::Point& point, Core::IResizable& element, int mode);
    ~RectResizeTask() override;

    bool IsBusy() const override { return false; }
    void Refresh() override {}
    // The rectangle the pointer gives, from the current one.
    virtual zq::Rect CalcRect(const zq::Rect& current, const zq::Point& point, Resize::SideFlags& flags) = 0;
    // Follows the pointer: recomputes, redraws the preview and repaints.
    void Update(const zq::Point& point);
    const zq::Rect& GetCurrentRect() const { return current_; }
    bool IsCentred() const { return centred_; }
    const std::vector<Core::IResizable*>& GetFollowers() const { return followers_; }
    // The follower's rectangle for the current one.
    zq::Rect FollowerRect(const Core::IResizable& follower) const;

protected:
    Core::IResizable& GetElement() const { return element_; }
    const Resize::SideFlags& GetFlags() const { return flags_; }

private:
    void UpdateCentredMode();
    void DrawPreview(const zq::Rect& rect);
    void OnMouseMove(WinMessage::MouseMsg& msg);
    void OnButtonUp(WinMessage::MouseMsg& msg);
    void OnKeyDown(WinMessage::KeyMsg& msg);
    void OnKeyUp(WinMessage::KeyMsg& msg);
    void OnKillFocus(WinMessage::Msg& msg);
    void OnScrolled(const zq::float8Point& p) override;

    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
    Core::IResizable& element_;
    zq::Rect initial_;
    zq::Rect current_;
    zq::Point last_;
    std::unique_ptr<ICanvas::IScroller> scroller_;
    ICanvas::Group preview_;
    int mode_;
    bool centred_ = false;
    std::vector<Core::IResizable*> followers_;
    Resize::SideFlags flags_;
};

// Moves the named sides freely.
template <Resize::HSide H, Resize::VSide V>
class RectResizeFreeTask : public RectResizeTask {
public:
    using RectResizeTask::RectResizeTask;
    zq::Rect CalcRect(const zq::Rect& current, const zq::Point& point, Resize::SideFlags& flags) override {
        return Resize::CalcFreeRect(current, point, H, V, IsCentred(), GetElement().GetMinWidth(),
                                    GetElement().GetMinHeight(), *GetContext().grid, flags);
    }
};

// Moves a corner keeping the element's aspect ratio.
class RectResizeKeepRatioTask : public RectResizeTask {
public:
    RectResizeKeepRatioTask(ViewContext& context, ITask& parent, const zq::Point& point, Core::IResizable& element,
                            Resize::Corner corner);
    zq::Rect CalcRect(const zq::Rect& current, const zq::Point& point, Resize::SideFlags& flags) override;

private:
    Resize::Corner corner_;
    double ratio_;
};

} // namespace View
