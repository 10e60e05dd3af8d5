#pragma once
// Plain text on the system clipboard: written as Unicode, ANSI and locale text, read from whichever
// of them another program left.
#include <string>
#include <string_view>

#include "app/winutil/Platform.h"

namespace TextBlock {

// Puts the text on the clipboard for the window; false when the clipboard stayed busy.
bool PutClipboardText(HWND owner, std::u16string_view text);
// Reads the clipboard's text (Unicode, else ANSI in the code page of its locale, else OEM); false
// when there is none or the clipboard stayed busy.
bool GetClipboardText(HWND owner, std::u16string& text);

}  // namespace TextBlock
