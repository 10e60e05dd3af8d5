// The selection pictures of the canvas as a window shows them: the green and cyan chequer of a
// selected element's handle (100), the red diamond of the warning mark (101), the grey chequer of a
// selection the view does not show (102).
#pragma once

#include <windows.h>

namespace ViewTest {

inline bool IsSelectedGreen(COLORREF c) {
    return GetRValue(c) < 60 && GetGValue(c) > 120 && GetGValue(c) < 200 && GetBValue(c) < 60;
}
inline bool IsWarningRed(COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) < 60 && GetBValue(c) < 60; }
inline bool IsHiddenGrey(COLORREF c) {
    return GetRValue(c) > 100 && GetRValue(c) < 160 && GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c);
}

// Pixels of the kind in the square of half-size r around the client point of the window.
inline int CountAround(HWND window, POINT centre, bool (*kind)(COLORREF), int r = 6) {
    HDC dc = GetDC(window);
    int n = 0;
    for (int y = centre.y - r; y <= centre.y + r; ++y)
        for (int x = centre.x - r; x <= centre.x + r; ++x) n += kind(GetPixel(dc, x, y)) ? 1 : 0;
    ReleaseDC(window, dc);
    return n;
}

} // namespace ViewTest
