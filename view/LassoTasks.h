// Sub-tasks of a drag on the empty background: the selection lasso, the zoom lasso and panning.
#pragma once

#include "view/CanvasView.h"
#include "view/Tasks.h"

#include <memory>

namespace View {

// A rubber-band rectangle from the press point to the pointer, applied when the button is released.
class LassoTask : public ISubTask, private ICanvas::IScrollObserver {
public:
    // A lasso driven by the button (1 left, 3 right); any other button finishes at once.
    LassoTask(ViewContext& context, ITask& parent, const zq::Point& point, int button);
    ~LassoTask() override;

    bool IsBusy() const override { return false; }
    void Refresh() override {}
    // Whether the rubber band is drawn.
    bool HasRubberBand() const { return !band_.IsEmpty(); }
    bool IsCancelled() const { return cancelled_; }

protected:
    // Applies the normalised lasso rectangle.
    virtual void Apply(const zq::Rect& rect) = 0;

private:
    void OnMouseMove(WinMessage::MouseMsg& msg);
    void OnButtonUp(WinMessage::MouseMsg& msg);
    void OnButtonDown(WinMessage::MouseMsg&) {}
    void OnKeyDown(WinMessage::KeyMsg& msg);
    void OnKillFocus(WinMessage::Msg&);
    void OnScrolled(const zq::float8Point& p) override;
    void End(const POINT& client);

    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
    zq::Point start_;
    zq::Point current_;
    ICanvas::Rect band_;
    std::unique_ptr<ICanvas::IScroller> scroller_;
    int button_;
    bool cancelled_ = false;
    bool observing_ = false;
};

// Selects the elements that lie completely inside the lasso.
class SelectLassoTask : public LassoTask {
public:
    using LassoTask::LassoTask;

protected:
    void Apply(const zq::Rect& rect) override;
};

// Zooms the view onto the lasso.
class ZoomLassoTask : public LassoTask {
public:
    using LassoTask::LassoTask;

protected:
    void Apply(const zq::Rect& rect) override;
};

// Drags the diagram under the pointer with the right button.
class PanTask : public ISubTask {
public:
    PanTask(ViewContext& context, ITask& parent, const zq::Point& grab);
    bool IsBusy() const override { return false; }
    void Refresh() override {}

private:
    void OnMouseMove(WinMessage::MouseMsg& msg);
    void OnButtonUp(WinMessage::MouseMsg& msg);
    void OnKeyDown(WinMessage::KeyMsg& msg);

    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
    zq::Point grab_;
    bool cancelled_ = false;
};

} // namespace View
