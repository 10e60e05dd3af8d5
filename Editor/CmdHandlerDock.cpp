#include "Editor/CmdHandlerDock.h"

#include "view/DiagramType.h"

namespace Editor {

CmdHandlerDock::CmdHandlerDock(View::IDefaultTask& task) {
    Add(std::make_unique<View::DiagramTypeCmdHandler>(task));
}

CmdHandlerDockCreator& CmdHandlerDockCreator::Instance() {
    static CmdHandlerDockCreator creator;
    return creator;
}

std::unique_ptr<View::ICmdHandlerDock> CmdHandlerDockCreator::CreateDock(View::IDefaultTask& task) {
    return std::make_unique<CmdHandlerDock>(task);
}

} // namespace Editor
