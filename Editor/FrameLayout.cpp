#include "Editor/FrameLayout.h"

#include <algorithm>

namespace Editor {

namespace {

ChildPlace Place(int x, int y, int width, int height) { return ChildPlace{x, y, width, height, true}; }

} // namespace

FrameLayout ComputeFrameLayout(const FrameMetrics& m, bool split, int splitPos) {
    const int W = m.width, H = m.height, A = m.vScrollWidth, h = m.hScrollHeight, G = m.splitBarHeight;
    const int T = m.toolbarHeight;
    FrameLayout out;
    if (T > 0) out.toolbar = Place(0, 0, W, T);

    // Both panes need a scroll-bar height each and the bar between them, below the toolbar.
    const int lowest = T + h;
    const int highest = H - 2 * h - G;
    out.split = split && H >= 3 * h + G + T && highest >= lowest;
    out.splitPos = out.split ? std::clamp(splitPos, lowest, highest) : splitPos;

    if (out.split) {
        const int P = out.splitPos;
        out.splitBar = Place(0, P, W, G);
        out.upperPane = Place(0, T, W - A, P - T);
        out.upperVScroll = Place(W - A, T, A, P - T);
        out.lowerPane = Place(0, P + G, W - A, H - h - P - G);
        out.lowerVScroll = Place(W - A, P + G, A, H - h - P - G);
        out.hScroll = Place(0, H - h, W - A, h);
        out.sizeGrip = Place(W - A, H - h, A, h);
    } else if (H > h) {
        out.upperPane = Place(0, T, W - A, H - h - T);
        out.hScroll = Place(0, H - h, W - A, h);
        out.sizeGrip = Place(W - A, H - h, A, h);
        if (H > std::max(G + h, 2 * h)) {
            out.splitBar = Place(W - A, T, A, G);
            out.upperVScroll = Place(W - A, T + G, A, H - h - T - G);
        } else {
            out.upperVScroll = Place(W - A, T, A, H - h - T);
        }
    } else {
        out.upperVScroll = Place(W - A, 0, A, H);
        out.upperPane = Place(0, 0, W - A, H);
    }
    return out;
}

} // namespace Editor
