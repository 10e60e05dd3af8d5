// The command handlers of connectors: arming the creation of a connector of one kind, and the
// "Keep Orthogonal" switch of a segment's context menu.
#pragma once

#include "view/CmdHandler.h"
#include "view/connector/win/PathTasks.h"

namespace Connector {

// The command of "Keep Orthogonal" (menu 112 and the segment menus of the diagram kinds).
inline constexpr UINT kKeepOrthogonalCommand = 40171;

// Executing the command starts drawing a connector of the factory's kind from the last press.
class CreateConnectorCmdHandler : public View::ICmdHandler {
public:
    CreateConnectorCmdHandler(View::IDefaultTask& task, UINT commandId, IFactory& factory,
                              CreateConnectorTask::Params params = {});
    // Enabled while no sub-task runs in the active view.
    void UpdateCommands() override;

private:
    void OnCommand(const Application::CommandMsg&);

    UINT id_;
    IFactory& factory_;
    CreateConnectorTask::Params params_;
};

// "Keep Orthogonal" of the segment the menu was opened on: one undo step per switch.
class SegmentCmdHandler : public View::ICmdHandler {
public:
    SegmentCmdHandler(View::IDefaultTask& task, ISegment& segment);
    // Checked with a flag; enabled with a flag or while the ends are level or plumb.
    void UpdateCommands() override;

private:
    void OnCommand(const Application::CommandMsg&);

    ISegment& segment_;
};

} // namespace Connector
