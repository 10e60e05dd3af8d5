#include "view/connector/win/Commands.h"

#include "view/DefaultTask.h"
#include "view/connector/Editing.h"

namespace Connector {

// ---- CreateConnectorCmdHandler

CreateConnectorCmdHandler::CreateConnectorCmdHandler(View::IDefaultTask& task, UINT commandId, IFactory& factory,
                                                     CreateConnectorTask::Params params)
    : ICmdHandler(task), id_(commandId), factory_(factory), params_(std::move(params))
{
    GetPlugs().Add(commandId, this, &CreateConnectorCmdHandler::OnCommand);
    UpdateCommands();
}

void CreateConnectorCmdHandler::UpdateCommands()
{
    GetPlugs().Enable(id_, IsReady());
}

void CreateConnectorCmdHandler::OnCommand(const Application::CommandMsg&)
{
    View::IDefaultTask& task = GetTask();
    View::ViewContext& c = task.GetContext();
    task.TakeSelectionSnapshot();
    c.view->ClearSelection(&task.GetSelectionTracker());
    task.OnSelectionChanged(*c.view);
    task.StartSubTask(
        std::make_shared<CreateConnectorTask>(c, task, factory_, task.GetLastMousePoint(), params_));
}

// ---- SegmentCmdHandler

SegmentCmdHandler::SegmentCmdHandler(View::IDefaultTask& task, ISegment& segment)
    : ICmdHandler(task), segment_(segment)
{
    GetPlugs().Add(kKeepOrthogonalCommand, this, &SegmentCmdHandler::OnCommand);
    UpdateCommands();
}

void SegmentCmdHandler::UpdateCommands()
{
    const KeepOrthogonalState state = GetKeepOrthogonalState(segment_, IsReady());
    GetPlugs().Enable(kKeepOrthogonalCommand, state.enabled);
    GetPlugs().SetCheckState(kKeepOrthogonalCommand, state.checked ? 1 : 0);
}

void SegmentCmdHandler::OnCommand(const Application::CommandMsg&)
{
    View::IDefaultTask& task = GetTask();
    if (segment_.IsDeleted()) return;
    task.TakeSelectionSnapshot();
    Core::Env env = task.MakeEnv();
    ToggleKeepOrthogonal(env, segment_);
    task.CommitPending(false);
    UpdateCommands();
}

} // namespace Connector
