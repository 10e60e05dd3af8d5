// Saved window placements and cascading.
#pragma once

#include "app/winutil/Platform.h"
#include "app/winutil/Registry.h"

namespace WinUtil {

// A window placement that may or may not be held.
class WindowPlacement {
public:
    // The size of a stored placement: a WINDOWPLACEMENT of 44 bytes.
    static constexpr DWORD StoredSize = 44;

    WindowPlacement() = default;
    // Holds the given placement.
    explicit WindowPlacement(const WINDOWPLACEMENT& placement);

    // Keeps a binary value only when it is 44 bytes long and its length field says 44; answers whether it did.
    bool ReadFromRegistry(const Registry::Key& key, const wchar_t* name);
    // Writes the held placement as a 44-byte binary value (nothing when none is held).
    void WriteToRegistry(Registry::Key& key, const wchar_t* name) const;
    // Takes the window's current placement; answers whether it could.
    bool ReadFromWindow(HWND window);
    // SetWindowPlacement when one is held; answers whether it was applied.
    bool ApplyToWindow(HWND window) const;
    // Sets the show command of the held placement.
    void SetShowCmd(UINT showCmd) { placement_.showCmd = showCmd; }

    // Whether a placement is held.
    bool IsValid() const { return valid_; }
    // The held placement.
    const WINDOWPLACEMENT& Get() const { return placement_; }

private:
    WINDOWPLACEMENT placement_{};
    bool valid_ = false;
};

// The placement of a new window cascaded from the given one, kept inside its monitor's work area.
WindowPlacement GetCascadedPlacement(HWND window);

} // namespace WinUtil
