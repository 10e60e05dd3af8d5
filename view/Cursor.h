// Mouse cursors by number: the system's cursors and the program's cursor resources.
#pragma once

#include "app/winutil/Platform.h"

namespace View::Cursor {

// What a cursor number shows: a system cursor (IDC_*) or a cursor resource of the program.
struct Source {
    bool system = true;
    LPCWSTR systemId = IDC_ARROW;  // when system
    UINT resourceId = 0;           // when not system
};

// The source of the cursor number (every number outside the table is the arrow).
Source Lookup(int id);
// The cursor handle of the number (shared system images, or the program's resources).
HCURSOR Get(int id);
// Shows the cursor of the number through the program's cursor manager.
void Load(int id);

} // namespace View::Cursor
