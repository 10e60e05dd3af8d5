// The placement that the most recently closed document window left behind: read from the settings
// at start, given to the first new window, written back at exit.
#pragma once

#include "app/winutil/WindowPlacement.h"

namespace Editor {

// The program-wide placement of the last closed document window (none at first).
WinUtil::WindowPlacement& LastWindowPlacement();

} // namespace Editor
