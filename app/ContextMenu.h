// Context menus from menu resources, with a remembered default item per menu.
#pragma once

#include "app/Commands.h"
#include "app/winutil/Registry.h"

#include <map>
#include <vector>

namespace Application {

class IRegistryAccessProvider;

// The remembered default item of each context menu, stored in "ContextMenuDefaults"
// as 6-byte records {16-bit menu id, 32-bit command id}.
class ContextMenuDefaults {
public:
    // The registry value's name.
    static constexpr const wchar_t* ValueName = L"ContextMenuDefaults";

    // The program-wide table.
    static ContextMenuDefaults& Instance();

    // The remembered command of a menu; 0 when none.
    UINT Get(UINT menuId) const;
    // Remembers the command of a menu.
    void Set(UINT menuId, UINT commandId);
    // Forgets everything.
    void Clear() { defaults_.clear(); }

    // The stored form: one 6-byte little-endian record per menu.
    std::vector<BYTE> Serialize() const;
    // Replaces the table by the records of a stored form; a trailing partial record is ignored.
    void Deserialize(const std::vector<BYTE>& data);
    // Reads the value from a key (nothing changes when it is missing).
    void Read(const WinUtil::Registry::Key& key);
    // Writes the value into a key.
    void Write(WinUtil::Registry::Key& key) const;
    // Reads through the application's registry access.
    void Read(const IRegistryAccessProvider& access);
    // Writes through the application's registry access.
    void Write(const IRegistryAccessProvider& access) const;

private:
    std::map<UINT, UINT> defaults_;
};

// A popup menu loaded from a menu resource (its first submenu).
class ContextMenu {
public:
    // Loads menu resource menuId of the module (the program's by default).
    explicit ContextMenu(UINT menuId, HINSTANCE instance = nullptr);
    // Takes ownership of a loaded menu whose first submenu is the popup, remembered under menuId.
    ContextMenu(UINT menuId, HMENU menu);
    ContextMenu(const ContextMenu&) = delete;
    ContextMenu& operator=(const ContextMenu&) = delete;
    ~ContextMenu();

    // Shows the menu at the screen point with the router's command states, or, with useDefault set and a
    // remembered enabled default, runs that command at once. The chosen item becomes the menu's default.
    // Answers the command that ran (0 when none).
    UINT Track(int x, int y, IWinCommander& commander, bool useDefault);
    // Runs a command chosen from the menu: remembers it as the default and executes it.
    bool Choose(UINT commandId, IWinCommander& commander);
    // The popup menu.
    HMENU GetPopup() const { return popup_; }
    // The menu resource id.
    UINT GetId() const { return id_; }

private:
    UINT id_;
    HMENU menu_ = nullptr;
    HMENU popup_ = nullptr;
};

} // namespace Application
