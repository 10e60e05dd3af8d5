// The sub-tasks that drag one connector part: an end (onto another terminal or into free space)
// and a join. Both preview inside the default task's pending change and end on the release.
#pragma once

#include "view/CanvasView.h"
#include "view/Tasks.h"
#include "view/connector/Creation.h"

#include <map>
#include <memory>

namespace Connector {

// The terminal hit at the point: a pointable element that is a Core::ITerminal and that the filter
// (when given) accepts; none when there is none.
Core::IModelElement* FindTerminal(View::ViewContext& context, const zq::Point& point, const Core::IFilter* filter);

// A free end carried along by a drag: each preview step marks where it lands. The end of a copy
// this drag made, or one carried by a join's drag, is highlighted over a terminal that may take it
// and, dropped there, attaches in a follow-up job of the change; one carried by a move stays free.
class EndShiftControl : public View::IShiftControl,
                        public Core::IFollowUpJob,
                        public Core::IFilter,
                        public std::enable_shared_from_this<EndShiftControl> {
public:
    // shiftedItself: the drag moves the end itself (its start point plus the shift), rather than
    // the end following the parts that move. The move's set (none allowed) names the elements that
    // move along, which never take the end.
    EndShiftControl(View::ViewContext& context, IEnd& end, bool shiftedItself,
                    const Core::DeferredShiftSet* move = nullptr);
    // One preview step with the drag's shift and pointer (model point).
    void Update(Core::Env& env, const Core::ShiftVector& shift, const zq::float8Point& pointer) override;
    // The drop: with a candidate the control queues itself in the change.
    void Finish(Core::Env& env) override;
    // Puts the end onto the candidate's outline and attaches it.
    void DoFollowUpJob(Core::Env& env) override;
    // A terminal the end's kind may take, not changed by the running change.
    bool Accept(const Core::IModelElement* element) const override;
    Core::IModelElement* GetCandidate() const { return candidate_; }
    const zq::float8Point& GetPoint() const { return point_; }

private:
    bool MayLand() const;

    View::ViewContext& context_;
    IEnd& end_;
    Core::ElementPtr keep_;
    bool shiftedItself_;
    const Core::DeferredShiftSet* move_;
    zq::float8Point start_, point_;
    Core::IModelElement* candidate_ = nullptr;
    ICanvas::Group mark_;
};

// The common frame of a part drag: bindings, capture and scrolling; the drag ends on the release,
// on a move without the button (both finish), on Escape and on the loss of focus or capture (both
// cancel).
class PartMoveTask : public View::ISubTask, private ICanvas::IScrollObserver {
public:
    PartMoveTask(View::ViewContext& context, View::ITask& parent, std::string name, IConnectorElement& part);
    ~PartMoveTask() override;
    bool IsBusy() const override { return false; }
    void Refresh() override {}
    // Completes the change (unless cancelled) and reports the end code.
    void Finish(EndCode code) override;
    // Follows the pointer (model point): the preview step.
    void Track(const zq::Point& point);

protected:
    // One preview step to the point.
    virtual void Step(const zq::Point& point) = 0;
    // Completes the change; answers the end code to report.
    virtual EndCode Complete(EndCode code) = 0;
    // Follows the Ctrl key: down clears the flags (reset), up throws the pending change away.
    void FollowCtrl(const std::function<void(Core::Env&)>& reset);

private:
    void OnMouseMove(WinMessage::MouseMsg& msg);
    void OnButtonUp(WinMessage::MouseMsg& msg);
    void OnKeyDown(WinMessage::KeyMsg& msg);
    void OnKeyUp(WinMessage::KeyMsg& msg);
    void OnLost(WinMessage::Msg& msg);
    void OnScrolled(const zq::float8Point& p) override;

    IConnectorElement& part_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
    std::unique_ptr<ICanvas::IScroller> scroller_;
    zq::Point last_;
    bool ctrl_ = false;
    bool finishing_ = false;
};

// Drags an end: it leaves its terminal and follows the pointer, snapping onto a terminal that may
// take it; on release it attaches there or stays free (with the must-attach flag a free drop
// cancels the whole drag).
class EndMoveTask : public PartMoveTask {
public:
    EndMoveTask(View::ViewContext& context, View::ITask& parent, IEnd& end, bool mustAttach);
    bool HasMoved() const { return moved_; }
    Core::IModelElement* GetCandidate() const { return candidate_; }

protected:
    void Step(const zq::Point& point) override;
    EndCode Complete(EndCode code) override;

private:
    IEnd& end_;
    Core::IModelElement* candidate_ = nullptr;
    bool mustAttach_;
    bool moved_ = false;
};

// Drags a join; its orthogonal segments drag their far ends along. With the geometry flag the
// segments take the flags their lines have at the end.
class JoinMoveTask : public PartMoveTask {
public:
    JoinMoveTask(View::ViewContext& context, View::ITask& parent, IJoin& join, bool geometry);

protected:
    void Step(const zq::Point& point) override;
    EndCode Complete(EndCode code) override;

private:
    IJoin& join_;
    bool geometry_;
    std::map<const IEnd*, std::shared_ptr<EndShiftControl>> controls_;  // the free ends on its straight runs
};

} // namespace Connector
