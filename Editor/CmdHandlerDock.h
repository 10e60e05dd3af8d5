// The command dock of the editor's diagram views: the handlers every view's default task carries.
#pragma once

#include "view/CmdHandler.h"

namespace Editor {

// The handlers of one view: the diagram type commands; the element families add their creation
// commands here as they join the program.
class CmdHandlerDock : public View::CmdHandlerList {
public:
    explicit CmdHandlerDock(View::IDefaultTask& task);
};

// Makes the dock of every default task of the editor's views.
class CmdHandlerDockCreator : public View::ICmdHandlerDockCreator {
public:
    // The one instance handed to every diagram view.
    static CmdHandlerDockCreator& Instance();
    std::unique_ptr<View::ICmdHandlerDock> CreateDock(View::IDefaultTask& task) override;
};

} // namespace Editor
