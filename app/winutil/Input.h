// Keyboard state and drag detection.
#pragma once

#include "app/winutil/Platform.h"

namespace WinUtil {

// Whether the Ctrl key is down (high bit of the key state of VK_CONTROL).
bool IsControlKeyDown();
// Whether the Shift key is down (high bit of the key state of VK_SHIFT).
bool IsShiftKeyDown();

// Whether a drag began at screen point (x, y) with button 1 (left), 2 (middle) or 3 (right).
// The left button uses the system's detection; for the others 500 ms without release, or a move
// beyond half the system drag rectangle, is a drag, a release or Escape is none. The mouse capture
// is released at the end.
bool DragDetect(HWND hwnd, int x, int y, int button);

} // namespace WinUtil
