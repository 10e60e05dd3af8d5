// The About box: the program's version and the source revision it was built from.
#pragma once

#include "app/winutil/Platform.h"

#include <string>

namespace Editor {

// "Version 1.3.4 (" + the build revision (12 hexadecimal digits) + ")".
std::wstring AboutVersionLine();

// Shows the About box owned by owner until OK or Cancel.
void ShowAboutBox(HWND owner);

} // namespace Editor
