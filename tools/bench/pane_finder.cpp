// The drag benchmark's locator (scripts/bench-drag): finds the editor's document window, places it
// large in front (so that keys reach it), waits until its pane shows a steady picture and prints
// where the pane and the dark pixels it shows (the document's elements) lie on the screen:
//   pane=LEFT,TOP,WIDTH,HEIGHT dark=LEFT,TOP,RIGHT,BOTTOM
// Exits 1 when no painted document window shows up within the time.
#include "Editor/tests/EditorWindows.h"

#include <cstdio>

using namespace EditorTest;

int main() {
    HWND frame = nullptr;
    if (!WaitFor([&] { return (frame = FindWindowW(kFrameClass, nullptr)) != nullptr && IsWindowVisible(frame); },
                 120000)) {
        std::puts("no document window");
        return 1;
    }
    HWND pane = PlaceLarge(frame);
    if (pane == nullptr) {
        std::puts("the document window did not come to the front");
        return 1;
    }
    // Painted when the dark area is the same on two looks in a row.
    std::optional<RECT> dark, last;
    const bool steady = WaitFor([&] {
        last = dark;
        dark = DarkArea(pane);
        return dark && last && EqualRect(&*dark, &*last);
    }, 120000);
    if (!steady) {
        std::puts("the pane shows nothing steady");
        return 1;
    }
    RECT client{};
    GetClientRect(pane, &client);
    POINT origin{0, 0};
    ClientToScreen(pane, &origin);
    std::printf("pane=%ld,%ld,%ld,%ld dark=%ld,%ld,%ld,%ld\n", origin.x, origin.y, client.right, client.bottom,
                dark->left, dark->top, dark->right, dark->bottom);
    return 0;
}
