#include "app/Commands.h"

#include <algorithm>
#include <exception>

namespace Application {

// ---- IWinCmdPlug ----

IWinCmdPlug::~IWinCmdPlug() {
    if (commander_) commander_->RemovePlug(*this);
}

void IWinCmdPlug::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    if (commander_) commander_->PlugChanged(*this);
}

// ---- CommandRouter ----

CommandRouter::~CommandRouter() {
    *alive_ = false;
    for (auto& [id, command] : commands_)
        for (IWinCmdPlug* plug : command.plugs)
            if (plug) plug->commander_ = nullptr;
}

void CommandRouter::AddPlug(IWinCmdPlug& plug) {
    if (plug.commander_ == this) return;
    if (plug.commander_) plug.commander_->RemovePlug(plug);
    Command& command = commands_[plug.GetId()];
    command.plugs.push_back(&plug);
    plug.commander_ = this;
    Recompute(plug.GetId(), command, false);
}

void CommandRouter::RemovePlug(IWinCmdPlug& plug) {
    if (plug.commander_ != this) return;
    plug.commander_ = nullptr;
    auto it = commands_.find(plug.GetId());
    if (it == commands_.end()) return;
    auto& plugs = it->second.plugs;
    auto slot = std::find(plugs.begin(), plugs.end(), &plug);
    if (slot == plugs.end()) return;
    if (executing_ > 0) {
        *slot = nullptr;  // a running command may still walk the list: take it out afterwards
    } else {
        plugs.erase(slot);
    }
    Recompute(it->first, it->second, false);
    if (executing_ == 0 && plugs.empty() && it->second.views.empty() &&
        it->second.checkState == Unchecked)
        commands_.erase(it);
}

void CommandRouter::PlugChanged(IWinCmdPlug& plug) {
    if (plug.commander_ != this) return;
    auto it = commands_.find(plug.GetId());
    if (it != commands_.end()) Recompute(it->first, it->second, false);
}

void CommandRouter::AddView(UINT id, IWinCmdView& view) {
    Command& command = commands_[id];
    command.enabled = std::any_of(command.plugs.begin(), command.plugs.end(),
                                  [](IWinCmdPlug* p) { return p && p->IsEnabled(); });
    command.views.push_back(&view);
    view.Update(command.enabled, command.checkState);
}

void CommandRouter::RemoveView(UINT id, IWinCmdView& view) {
    auto it = commands_.find(id);
    if (it == commands_.end()) return;
    auto& views = it->second.views;
    views.erase(std::remove(views.begin(), views.end(), &view), views.end());
}

void CommandRouter::SetCheckState(UINT id, int state) {
    if (state < Unchecked || state > RadioChecked) state = Unchecked;
    Command& command = commands_[id];
    if (command.checkState == state) return;
    command.checkState = state;
    Recompute(id, command, true);
}

bool CommandRouter::IsEnabled(UINT id) const {
    auto it = commands_.find(id);
    return it != commands_.end() && it->second.enabled;
}

int CommandRouter::GetCheckState(UINT id) const {
    auto it = commands_.find(id);
    return it == commands_.end() ? Unchecked : it->second.checkState;
}

void CommandRouter::Recompute(UINT, Command& command, bool force) {
    bool enabled = std::any_of(command.plugs.begin(), command.plugs.end(),
                               [](IWinCmdPlug* p) { return p && p->IsEnabled(); });
    if (enabled == command.enabled && !force) return;
    command.enabled = enabled;
    // A view may remove itself while being updated: walk a copy.
    std::vector<IWinCmdView*> views = command.views;
    for (IWinCmdView* view : views) view->Update(command.enabled, command.checkState);
}

void CommandRouter::Compact() {
    for (auto it = commands_.begin(); it != commands_.end();) {
        auto& plugs = it->second.plugs;
        plugs.erase(std::remove(plugs.begin(), plugs.end(), nullptr), plugs.end());
        if (plugs.empty() && it->second.views.empty() && it->second.checkState == Unchecked)
            it = commands_.erase(it);
        else
            ++it;
    }
}

bool CommandRouter::Execute(const CommandMsg& msg) {
    auto found = commands_.find(msg.id);
    if (found == commands_.end() || !found->second.enabled) return false;
    Command& command = found->second;
    std::shared_ptr<bool> alive = alive_;  // a handler may destroy the router (closing its window)

    struct Depth {
        CommandRouter* router;
        std::shared_ptr<bool> alive;
        explicit Depth(CommandRouter* r, std::shared_ptr<bool> a) : router(r), alive(std::move(a)) { ++router->executing_; }
        ~Depth() {
            if (*alive && --router->executing_ == 0) router->Compact();
        }
    } depth(this, alive);

    // Bindings added while the command runs take part from the next command on.
    const size_t count = command.plugs.size();
    bool any = false;
    for (size_t i = 0; i < count; ++i) {
        IWinCmdPlug* plug = command.plugs[i];
        if (!plug || !plug->IsEnabled()) continue;
        any = true;
        if (!plug->CanExecute(msg)) return false;
        if (!*alive) return false;
    }
    if (!any) return false;
    for (size_t i = 0; i < count; ++i) {
        IWinCmdPlug* plug = command.plugs[i];
        if (!plug || !plug->IsEnabled()) continue;
        try {
            plug->Execute(msg);
        } catch (...) {
            if (WinMessage::IExceptionHandler* handler = plug->GetExceptionHandler())
                handler->OnException(std::current_exception());
            throw;
        }
        if (!*alive) break;
    }
    return true;
}

// ---- WinCmdPlugSet ----

WinCmdPlugSet::~WinCmdPlugSet() {
    plugs_.clear();
}

bool WinCmdPlugSet::Add(std::unique_ptr<IWinCmdPlug> plug) {
    if (!plug) return false;
    UINT id = plug->GetId();
    if (plugs_.count(id)) return false;  // the first binding stays; this one is destroyed
    plug->SetExceptionHandler(handler_);
    IWinCmdPlug& ref = *plug;
    plugs_.emplace(id, std::move(plug));
    commander_.AddPlug(ref);
    return true;
}

bool WinCmdPlugSet::Add(UINT id, std::function<void(const CommandMsg&)> handler) {
    return Add(std::make_unique<FunctionCmdPlug>(id, std::move(handler)));
}

bool WinCmdPlugSet::Remove(UINT id) {
    return plugs_.erase(id) > 0;
}

void WinCmdPlugSet::Enable(UINT id, bool enabled) {
    if (IWinCmdPlug* plug = Find(id)) plug->SetEnabled(enabled);
}

void WinCmdPlugSet::SetCheckState(UINT id, int state) {
    commander_.SetCheckState(id, state);
}

IWinCmdPlug* WinCmdPlugSet::Find(UINT id) const {
    auto it = plugs_.find(id);
    return it == plugs_.end() ? nullptr : it->second.get();
}

// ---- Views ----

void MenuItemView::Update(bool enabled, int checkState) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    if (!GetMenuItemInfoW(menu_, id_, FALSE, &info)) return;
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    info.fType = (info.fType & ~MFT_RADIOCHECK) | (checkState == RadioChecked ? MFT_RADIOCHECK : 0);
    info.fState &= ~(MFS_DISABLED | MFS_GRAYED | MFS_CHECKED);
    if (!enabled) info.fState |= MFS_GRAYED;
    if (checkState != Unchecked) info.fState |= MFS_CHECKED;
    SetMenuItemInfoW(menu_, id_, FALSE, &info);
}

void ToolbarButtonView::Update(bool enabled, int checkState) {
    SendMessageW(toolbar_, TB_ENABLEBUTTON, id_, MAKELPARAM(enabled ? TRUE : FALSE, 0));
    SendMessageW(toolbar_, TB_CHECKBUTTON, id_, MAKELPARAM(checkState != Unchecked ? TRUE : FALSE, 0));
}

MenuViews::MenuViews(IWinCommander& commander, HMENU menu) : commander_(commander) {
    if (menu) Collect(menu, 0);
}

MenuViews::~MenuViews() {
    for (auto& [id, view] : views_) commander_.RemoveView(id, *view);
}

void MenuViews::Collect(HMENU menu, int depth) {
    if (depth > 16) return;  // guards against a menu that contains itself
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        if (info.hSubMenu) {
            Collect(info.hSubMenu, depth + 1);
        } else if (!(info.fType & MFT_SEPARATOR) && info.wID != 0) {
            auto view = std::make_unique<MenuItemView>(menu, info.wID);
            commander_.AddView(info.wID, *view);
            views_.emplace_back(info.wID, std::move(view));
        }
    }
}

} // namespace Application
