// Where the children of a document window go: toolbar, panes with their vertical scroll bars, the
// split bar (across the window or as a split box), the shared horizontal scroll bar and the size grip.
#pragma once

namespace Editor {

// A child's place in frame client coordinates; hidden children keep no place.
struct ChildPlace {
    int x = 0, y = 0, width = 0, height = 0;
    bool shown = false;
    bool operator==(const ChildPlace& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height && shown == o.shown;
    }
};

// What the layout is computed from.
struct FrameMetrics {
    int width = 0;           // client width W
    int height = 0;          // client height H
    int vScrollWidth = 0;    // A (SM_CXVSCROLL)
    int hScrollHeight = 0;   // h (SM_CYHSCROLL)
    int splitBarHeight = 0;  // G (SM_CYEDGE + SM_CYFRAME)
    int toolbarHeight = 0;   // T, 0 while the toolbar is hidden
};

// The computed places, and the split state after the layout (a window too small loses its split).
struct FrameLayout {
    bool split = false;
    int splitPos = 0;
    ChildPlace toolbar, splitBar, upperPane, upperVScroll, lowerPane, lowerVScroll, hScroll, sizeGrip;
};

// The layout for the metrics with the window split at splitPos (or not split).
FrameLayout ComputeFrameLayout(const FrameMetrics& m, bool split, int splitPos);

} // namespace Editor
