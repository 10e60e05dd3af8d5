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

// The command items of a menu and of its submenus as "<id>:<1 greyed, else 0>|", in menu order.
inline std::wstring MenuStates(HMENU menu) {
    std::wstring states;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            states += MenuStates(sub);
            continue;
        }
        const UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;
        const bool greyed = (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0;
        states += std::to_wstring(id) + (greyed ? L":1|" : L":0|");
    }
    return states;
}
