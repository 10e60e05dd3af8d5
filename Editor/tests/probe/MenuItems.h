// The items of a menu as one text, as the probe hook reports them from inside the editor and the
// tests read them from the program's own menu resources.
#pragma once

#include "app/winutil/Platform.h"

#include <string>

// Each item's text followed by '|', a separator as "-|".
inline std::wstring MenuItems(HMENU menu) {
    std::wstring items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = L"";
        if (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) items += L"-";
        else GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
        items += text;
        items += L'|';
    }
    return items;
}
