// The command router of a window: WM_COMMAND of the window reaches the bindings attached to it.
#pragma once

#include "app/Commands.h"
#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Window.h"

#include <memory>

namespace Application {

// A CommandRouter hooked on a window's WM_COMMAND; it also shows the state of its commands in
// the menu given to ShowMenu.
class WinCommander : public CommandRouter {
public:
    // Hooks WM_COMMAND on the window's dispatcher; the handler (may be null) is told of exceptions.
    explicit WinCommander(WinUtil::IWindow& window, WinMessage::IExceptionHandler* handler = nullptr);
    ~WinCommander() override;

    HWND GetWindow() const override { return window_.GetHwnd(); }
    // Makes the items of a menu (e.g. the window's menu bar) views of their commands.
    void ShowMenu(HMENU menu);

private:
    void OnCommand(WinMessage::WM_COMMAND_Msg& msg);

    WinUtil::IWindow& window_;
    WinMessage::WinMsgPlugMap plugs_;
    std::unique_ptr<MenuViews> menuViews_;
};

} // namespace Application
