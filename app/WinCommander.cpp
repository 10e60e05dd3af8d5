#include "app/WinCommander.h"

namespace Application {

WinCommander::WinCommander(WinUtil::IWindow& window, WinMessage::IExceptionHandler* handler)
    : window_(window), plugs_(window.GetDispatcher(), handler) {
    plugs_.Add(WM_COMMAND, this, &WinCommander::OnCommand);
}

WinCommander::~WinCommander() {
    menuViews_.reset();
}

void WinCommander::ShowMenu(HMENU menu) {
    menuViews_.reset();
    if (menu) menuViews_ = std::make_unique<MenuViews>(*this, menu);
}

void WinCommander::OnCommand(WinMessage::WM_COMMAND_Msg& msg) {
    CommandMsg command{msg.CommandId(), msg.NotifyCode(), msg.Control()};
    // Menus (code 0) and accelerators (code 1) name commands; controls send their own codes,
    // which bindings of the control's id may handle as well.
    if (Execute(command)) {
        msg.result = 0;
    } else {
        msg.passToDefault = 1;
    }
}

} // namespace Application
