// Drawing a new connector: the path of clicks from a source to a target with rubber-band elbows,
// and the sub-task that builds the connector along it.
#pragma once

#include "view/CanvasView.h"
#include "view/Tasks.h"
#include "view/connector/Creation.h"

#include <functional>
#include <memory>
#include <vector>

namespace Connector {

// Draws a path of clicks. In elbow mode each click fixes two orthogonal legs through a corner (the
// first leg leaves the source across the side it starts on); in straight mode one free leg. A click
// on a terminal completes it where the legs first meet the terminal's outline (a click on the point
// just added completes it there); Escape or the loss of the focus abandons it.
class CreatePathTask : private ICanvas::IScrollObserver {
public:
    // Told once when the path is complete (success) or abandoned.
    class Master {
    public:
        virtual ~Master() = default;
        virtual void PathDone(const std::vector<PathEntry>& path, bool success) = 0;
    };

    // From the start point (on the source terminal when given); targets narrows the terminals a
    // click completes on; with elbowDefault the elbow is drawn while Ctrl is up.
    CreatePathTask(View::ViewContext& context, Master& master, const zq::Point& start, Core::IModelElement* source,
                   const Core::IFilter* targets, bool elbowDefault);
    ~CreatePathTask() override;

    // Follows the pointer (model point).
    void Track(const zq::Point& pointer);
    // A click at the model point.
    void Click(const zq::Point& pointer);
    const std::vector<PathEntry>& GetPath() const { return path_; }
    // The terminal the completing click landed on (none when it completed elsewhere).
    Core::IModelElement* GetTarget() const { return target_; }
    // Whether the rubber band is drawn as an elbow now.
    bool IsElbow() const { return elbowDefault_ != ctrl_; }

private:
    void OnMouseMove(WinMessage::MouseMsg& msg);
    void OnButtonDown(WinMessage::MouseMsg& msg);
    void OnButtonUp(WinMessage::MouseMsg&) {}
    void OnKey(WinMessage::KeyMsg& msg);
    void OnKillFocus(WinMessage::Msg& msg);
    void OnScrolled(const zq::float8Point& p) override;
    void Done(bool success);
    void Add(const zq::float8Point& p, bool orthogonal);
    zq::float8Point Last() const { return path_.back().point; }
    void PlaceStart(const zq::float8Point& pointer);
    void ComputeCorner(const zq::float8Point& pointer);
    void Redraw();
    zq::Point ToModel(int x, int y) const;

    View::ViewContext& context_;
    Master& master_;
    Core::IModelElement* source_;
    const Core::IFilter* targets_;
    Core::IModelElement* target_ = nullptr;
    std::vector<PathEntry> path_;
    zq::float8Point pointer_, corner_;
    int orientation_ = 0;  // 0 straight, 1 vertical leg first, 2 horizontal leg first
    int mode_ = 1;         // of the next elbow: 1 horizontal first, 2 vertical first, else automatic
    bool ctrl_ = false;
    bool elbowDefault_;
    bool done_ = false;
    ICanvas::Group fixed_, band_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
};

// The sub-task of a creation command: draws the path, then builds a connector of the factory's kind
// along it in the pending change (nothing when the path is abandoned or the target refuses).
class CreateConnectorTask : public View::ISubTask, private CreatePathTask::Master {
public:
    struct Params {
        bool elbowDefault = true;
        const Core::IFilter* sources = nullptr;  // the terminals a path may start on (none: any)
        const Core::IFilter* targets = nullptr;  // the terminals a path may end on (none: any)
        std::function<void(Core::Env&, IEnd&, IEnd&)> callback;  // run on the two new ends
    };
    CreateConnectorTask(View::ViewContext& context, View::ITask& parent, IFactory& factory, const zq::Point& start,
                        const Params& params);
    bool IsBusy() const override { return false; }
    void Refresh() override {}
    CreatePathTask& GetPathTask() { return *path_; }

private:
    void PathDone(const std::vector<PathEntry>& path, bool success) override;

    IFactory& factory_;
    Params params_;
    Core::IModelElement* source_;
    std::unique_ptr<CreatePathTask> path_;
};

} // namespace Connector
