#include "view/CmdHandler.h"

#include "core/Selection.h"
#include "view/DefaultTask.h"

namespace View {

// ---- ICmdHandler

ICmdHandler::ICmdHandler(IDefaultTask& task)
    : task_(task), plugs_(*task.GetContext().commander, task.GetContext().exceptionHandler)
{
}

bool ICmdHandler::IsIdle() const
{
    return !task_.IsBusy() && task_.GetContext().view->IsActive();
}

bool ICmdHandler::IsReady() const
{
    return IsIdle() && !task_.GetContext().IsReadOnly();
}

// ---- CmdHandlerList

void CmdHandlerList::Add(std::unique_ptr<ICmdHandler> handler)
{
    if (handler) handlers_.push_back(std::move(handler));
}

void CmdHandlerList::UpdateCommands()
{
    for (auto& h : handlers_) h->UpdateCommands();
}

// ---- StdCreateCmdHandler

StdCreateCmdHandler::StdCreateCmdHandler(IDefaultTask& task, UINT commandId, CreateFunction create)
    : ICmdHandler(task), id_(commandId), create_(std::move(create))
{
    GetPlugs().Add(commandId, this, &StdCreateCmdHandler::OnCommand);
    UpdateCommands();
}

void StdCreateCmdHandler::UpdateCommands()
{
    GetPlugs().Enable(id_, IsReady());
}

void StdCreateCmdHandler::OnCommand(const Application::CommandMsg&)
{
    IDefaultTask& task = GetTask();
    ViewContext& c = task.GetContext();
    // The snapshot comes first, so that undo gives back the selection the user had.
    task.TakeSelectionSnapshot();
    c.view->ClearSelection(&task.GetSelectionTracker());
    const zq::Point at = c.grid->SnapPoint(task.GetLastMousePoint());
    Core::Env env = task.MakeEnv();
    Core::ElementPtr element = create_(env, at);
    if (element) element->SelectInView(*c.view, true, &task.GetSelectionTracker());
    task.CommitPending(false);
}

// ---- RunTransactionFrame

void RunTransactionFrame(TransactionFrame& frame, const TransactionFrameContext& context)
{
    Core::Transaction transaction(*context.diagram, context.view);
    Core::SelectionTracker tracker(context.view);
    Core::Env env(transaction, &tracker, context.grid);
    Core::ModelElementSet beforeSet;
    if (context.view) beforeSet = context.view->GetSelection();
    auto before = Core::MakeSelectionRestorer(beforeSet);
    frame.Run(env);
    Core::UndoerRef record = transaction.Close(&tracker, context.grid);
    Core::ModelElementSet afterSet;
    if (context.view) afterSet = context.view->GetSelection();
    context.diagram->GetUndoHandler().Add(record, before, Core::MakeSelectionRestorer(afterSet), false);
    context.diagram->UpdateAllViews();
}

} // namespace View
