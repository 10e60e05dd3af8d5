#include "app/ContextMenu.h"

#include "app/RegistryAccess.h"

#include <stdexcept>

namespace Application {

// ---- ContextMenuDefaults ----

ContextMenuDefaults& ContextMenuDefaults::Instance() {
    static ContextMenuDefaults defaults;
    return defaults;
}

UINT ContextMenuDefaults::Get(UINT menuId) const {
    auto it = defaults_.find(menuId & 0xFFFF);
    return it == defaults_.end() ? 0 : it->second;
}

void ContextMenuDefaults::Set(UINT menuId, UINT commandId) {
    defaults_[menuId & 0xFFFF] = commandId;
}

std::vector<BYTE> ContextMenuDefaults::Serialize() const {
    std::vector<BYTE> out;
    out.reserve(defaults_.size() * 6);
    for (auto [menu, command] : defaults_) {
        out.push_back(static_cast<BYTE>(menu));
        out.push_back(static_cast<BYTE>(menu >> 8));
        for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<BYTE>(command >> shift));
    }
    return out;
}

void ContextMenuDefaults::Deserialize(const std::vector<BYTE>& data) {
    defaults_.clear();
    for (size_t at = 0; at + 6 <= data.size(); at += 6) {
        UINT menu = data[at] | (UINT{data[at + 1]} << 8);
        UINT command = 0;
        for (int k = 0; k < 4; ++k) command |= UINT{data[at + 2 + k]} << (8 * k);
        defaults_[menu] = command;
    }
}

void ContextMenuDefaults::Read(const WinUtil::Registry::Key& key) {
    std::vector<BYTE> data;
    if (key && key.QueryBinary(ValueName, data)) Deserialize(data);
}

void ContextMenuDefaults::Write(WinUtil::Registry::Key& key) const {
    std::vector<BYTE> data = Serialize();
    key.SetBinary(ValueName, data.data(), static_cast<DWORD>(data.size()));
}

void ContextMenuDefaults::Read(const IRegistryAccessProvider& access) {
    Read(access.OpenKeyForReading());
}

void ContextMenuDefaults::Write(const IRegistryAccessProvider& access) const {
    WinUtil::Registry::Key key = access.OpenKeyForWriting();
    Write(key);
}

// ---- ContextMenu ----

ContextMenu::ContextMenu(UINT menuId, HINSTANCE instance) : id_(menuId) {
    menu_ = LoadMenuW(instance ? instance : GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId));
    if (!menu_) throw std::runtime_error("context menu resource not found");
    popup_ = GetSubMenu(menu_, 0);
    if (!popup_) {
        DestroyMenu(menu_);
        throw std::runtime_error("context menu resource has no popup");
    }
}

ContextMenu::ContextMenu(UINT menuId, HMENU menu) : id_(menuId), menu_(menu) {
    popup_ = menu_ ? GetSubMenu(menu_, 0) : nullptr;
    if (!popup_) {
        if (menu_) DestroyMenu(menu_);
        menu_ = nullptr;
        throw std::runtime_error("context menu has no popup");
    }
}

ContextMenu::~ContextMenu() {
    if (menu_) DestroyMenu(menu_);
}

bool ContextMenu::Choose(UINT commandId, IWinCommander& commander) {
    if (commandId == 0) return false;
    ContextMenuDefaults::Instance().Set(id_, commandId);
    SetMenuDefaultItem(popup_, commandId, FALSE);
    return commander.Execute(CommandMsg{commandId, 0, nullptr});
}

UINT ContextMenu::Track(int x, int y, IWinCommander& commander, bool useDefault) {
    UINT remembered = ContextMenuDefaults::Instance().Get(id_);
    if (useDefault && remembered && commander.IsEnabled(remembered))
        return commander.Execute(CommandMsg{remembered, 0, nullptr}) ? remembered : 0;

    UINT chosen = 0;
    {
        MenuViews views(commander, popup_);  // the items show the commands' states while the menu is up
        if (remembered) SetMenuDefaultItem(popup_, remembered, FALSE);
        HWND owner = commander.GetWindow();
        if (!owner) owner = GetActiveWindow();
        chosen = static_cast<UINT>(TrackPopupMenuEx(popup_, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                    x, y, owner, nullptr));
    }
    if (chosen == 0) return 0;
    return Choose(chosen, commander) ? chosen : 0;
}

} // namespace Application
