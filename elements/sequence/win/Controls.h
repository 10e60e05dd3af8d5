#pragma once
// The handles of lifelines and activations with the tasks their drags run, and the commands
// "&Dying" and "New &Activation".
#include "drawing/Canvas.h"
#include "elements/sequence/Activation.h"
#include "elements/sequence/LifeLine.h"
#include "view/CmdHandler.h"
#include "view/Tasks.h"

#include <memory>
#include <vector>

namespace WinMessage {
class WinMsgPlugMap;
class MouseMsg;
class KeyMsg;
} // namespace WinMessage

namespace Sequence {

// A handle at one point of an element (cursor IDC_SIZENS); pressing it starts the element's task.
class PointControl : public View::IControl {
public:
    PointControl(View::ICanvasView& view, Core::IModelElement& element) : view_(view), element_(element) {}
    // The handle's point now.
    virtual zq::Point GetPoint() const = 0;
    bool IsNear(const zq::Point& point, int32_t tolerance) const override;
    // A Control weight at the handle, biased by the element's weight.
    Core::Weight GetWeight(const zq::Point& point, const Core::IView& view) const override;
    using View::IControl::GetWeight;
    void SetCursor(const zq::Point& point) override;
    const Core::IView& GetView() const override { return view_; }
    void Update(const Core::ViewUpdateContext*) override {}
    // Adds the handle's picture: 100 while the view shows its selection, else 102.
    void Draw(ICanvas::Canvas& canvas, ICanvas::Group& group) const;

protected:
    View::ViewContext* Context(View::ICanvasView& view) const;

private:
    View::ICanvasView& view_;
    Core::IModelElement& element_;
};

// The handle at a lifeline's bottom: its drag sets the length of every selected lifeline.
class LifeLineLenControl : public PointControl {
public:
    LifeLineLenControl(View::ICanvasView& view, LifeLine& line) : PointControl(view, line), line_(line) {}
    zq::Point GetPoint() const override { return line_.GetBottom(); }
    View::SubTaskPtr CreateTask(View::ICanvasView& view, View::ITask& parent, const zq::Point& point) override;

private:
    LifeLine& line_;
};

// The handle at an activation's top middle: its drag moves the top, keeping the bottom.
class ActivationNorthControl : public PointControl {
public:
    ActivationNorthControl(View::ICanvasView& view, Activation& a) : PointControl(view, a), activation_(a) {}
    zq::Point GetPoint() const override { return activation_.GetNorthPoint(); }
    View::SubTaskPtr CreateTask(View::ICanvasView& view, View::ITask& parent, const zq::Point& point) override;

private:
    Activation& activation_;
};

// The handle at an activation's bottom middle: its drag moves the bottom, keeping the top.
class ActivationSouthControl : public PointControl {
public:
    ActivationSouthControl(View::ICanvasView& view, Activation& a) : PointControl(view, a), activation_(a) {}
    zq::Point GetPoint() const override { return activation_.GetSouthPoint(); }
    View::SubTaskPtr CreateTask(View::ICanvasView& view, View::ITask& parent, const zq::Point& point) override;

private:
    Activation& activation_;
};

// A drag of a handle that changes the model inside the pending change at every pointer step:
// release keeps the change as one undo step, Escape throws it away.
class TrackingTask : public View::ISubTask, private ICanvas::IScrollObserver {
public:
    TrackingTask(View::ViewContext& context, View::ITask& parent, std::string name);
    ~TrackingTask() override;
    bool IsBusy() const override { return false; }
    void Refresh() override {}

protected:
    // Changes the model for the pointer at the logical point.
    virtual void Track(Core::Env& env, const zq::Point& point) = 0;
    // The elements whose views redraw after a step.
    virtual std::vector<Core::IModelElement*> Changed() const = 0;

private:
    void Step(const zq::Point& point);
    void OnMouseMove(WinMessage::MouseMsg& msg);
    void OnButtonUp(WinMessage::MouseMsg& msg);
    void OnKeyDown(WinMessage::KeyMsg& msg);
    void OnScrolled(const zq::float8Point& p) override;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
    std::unique_ptr<ICanvas::IScroller> scroller_;
};

// Sets the bottom of every selected lifeline (and of the handle's) to the pointer's height.
class LifeLineLenChangeTask : public TrackingTask {
public:
    LifeLineLenChangeTask(View::ViewContext& context, View::ITask& parent, LifeLine& line);
    ~LifeLineLenChangeTask() override;
    const std::vector<LifeLine*>& GetLines() const { return lines_; }

protected:
    void Track(Core::Env& env, const zq::Point& point) override;
    std::vector<Core::IModelElement*> Changed() const override;

private:
    LifeLine& line_;
    std::vector<LifeLine*> lines_;
    ICanvas::Group feedback_;
    bool moved_ = false;
};

// Moves an activation's top to the pointer's height unless the bar would get shorter than 300.
class ActivationNorthControlTrackingTask : public TrackingTask {
public:
    ActivationNorthControlTrackingTask(View::ViewContext& context, View::ITask& parent, Activation& a)
        : TrackingTask(context, parent, "ActivationNorthControlTrackingTask"), activation_(a) {}

protected:
    void Track(Core::Env& env, const zq::Point& point) override;
    std::vector<Core::IModelElement*> Changed() const override;

private:
    Activation& activation_;
};

// Moves an activation's bottom to the pointer's height unless the bar would get shorter than 300.
class ActivationSouthControlTrackingTask : public TrackingTask {
public:
    ActivationSouthControlTrackingTask(View::ViewContext& context, View::ITask& parent, Activation& a)
        : TrackingTask(context, parent, "ActivationSouthControlTrackingTask"), activation_(a) {}

protected:
    void Track(Core::Env& env, const zq::Point& point) override;
    std::vector<Core::IModelElement*> Changed() const override;

private:
    Activation& activation_;
};

// "&Dying" (40146): toggles the lifeline's end cross; checked while it is dying.
class LifeLineCmdHandler : public View::ICmdHandler {
public:
    LifeLineCmdHandler(View::IDefaultTask& task, LifeLine& line);
    void UpdateCommands() override;

private:
    void OnDying(const Application::CommandMsg&);
    LifeLine& line_;
};

// "New &Activation" (40114): a bar of 2000 where the menu was opened on the lifeline, selected alone.
class CreateActivationCmdHandler : public View::ICmdHandler {
public:
    CreateActivationCmdHandler(View::IDefaultTask& task, LifeLine& line);
    void UpdateCommands() override;

private:
    void OnNewActivation(const Application::CommandMsg&);
    LifeLine& line_;
};

} // namespace Sequence
