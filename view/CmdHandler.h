// Command handlers of a view: their base, the dock that holds a default task's handlers, the list
// a context menu fills, the standard creation command, and one-step changes outside the tasks.
#pragma once

#include "app/Commands.h"
#include "core/Transaction.h"
#include "view/CanvasView.h"

#include <functional>
#include <memory>
#include <vector>

namespace View {

class IDefaultTask;

// A command handler of one view's default task: its bindings on the view's command router.
class ICmdHandler {
public:
    // Bindings go to the router of the task's view, with the view's exception handler.
    explicit ICmdHandler(IDefaultTask& task);
    virtual ~ICmdHandler() = default;
    ICmdHandler(const ICmdHandler&) = delete;
    ICmdHandler& operator=(const ICmdHandler&) = delete;
    // Recomputes the enabled and check states of the handler's commands.
    virtual void UpdateCommands() = 0;

    IDefaultTask& GetTask() const { return task_; }
    Application::WinCmdPlugSet& GetPlugs() { return plugs_; }
    // No sub-task runs and the view is active: the rule of commands that leave the model alone.
    bool IsIdle() const;
    // Idle, and the document is not read-only: the rule of every command that changes the model.
    bool IsReady() const;

private:
    IDefaultTask& task_;
    Application::WinCmdPlugSet plugs_;
};

// The command handlers of one default task.
class ICmdHandlerDock {
public:
    virtual ~ICmdHandlerDock() = default;
    // Updates the commands of every handler.
    virtual void UpdateCommands() = 0;
};

// Makes the dock of a new default task (the editor's command dock).
class ICmdHandlerDockCreator {
public:
    virtual ~ICmdHandlerDockCreator() = default;
    virtual std::unique_ptr<ICmdHandlerDock> CreateDock(IDefaultTask& task) = 0;
};

// An owned list of command handlers (a dock's, or a context menu's while it is shown).
class CmdHandlerList : public ICmdHandlerDock {
public:
    // Appends a handler and takes ownership; a null handler is ignored.
    void Add(std::unique_ptr<ICmdHandler> handler);
    void UpdateCommands() override;
    size_t Size() const { return handlers_.size(); }

private:
    std::vector<std::unique_ptr<ICmdHandler>> handlers_;
};

// Creates an element at a point inside the environment's transaction and answers it.
using CreateFunction = std::function<Core::ElementPtr(Core::Env&, const zq::Point&)>;

// One element-creation command: the element appears at the grid-snapped point of the last press
// or context menu, selected alone, as one undo step.
class StdCreateCmdHandler : public ICmdHandler {
public:
    StdCreateCmdHandler(IDefaultTask& task, UINT commandId, CreateFunction create);
    void UpdateCommands() override;

private:
    void OnCommand(const Application::CommandMsg&);
    UINT id_;
    CreateFunction create_;
};

// Work run as one undoable step.
class TransactionFrame {
public:
    virtual ~TransactionFrame() = default;
    virtual void Run(Core::Env& env) = 0;
};

// What RunTransactionFrame works on.
struct TransactionFrameContext {
    const Core::IGrid* grid = nullptr;
    Core::IView* view = nullptr;
    Core::Diagram* diagram = nullptr;
};

// Runs the frame in a transaction of its own and adds it as one undo step with the selection
// before and after; an exception leaves the history unchanged and the changes rolled back.
void RunTransactionFrame(TransactionFrame& frame, const TransactionFrameContext& context);

} // namespace View
