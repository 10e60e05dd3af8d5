#include "Editor/WindowSettings.h"

namespace Editor {

WinUtil::WindowPlacement& LastWindowPlacement() {
    static WinUtil::WindowPlacement placement;
    return placement;
}

} // namespace Editor
