// The document window's layout function and caption rules.
#include "Editor/Caption.h"
#include "Editor/FrameLayout.h"

#include <gtest/gtest.h>

namespace {

using Editor::ChildPlace;
using Editor::ComputeFrameLayout;
using Editor::FrameMetrics;

constexpr int A = 17, h = 16, G = 6;

FrameMetrics Metrics(int W, int H, int T = 0) { return FrameMetrics{W, H, A, h, G, T}; }

ChildPlace At(int x, int y, int w, int hh) { return ChildPlace{x, y, w, hh, true}; }

TEST(FrameLayout, UnsplitWindowPutsTheSplitBoxAboveTheVerticalScrollBar) {
    const auto l = ComputeFrameLayout(Metrics(400, 300), false, 0);
    EXPECT_FALSE(l.split);
    EXPECT_FALSE(l.toolbar.shown);
    EXPECT_EQ(l.upperPane, At(0, 0, 400 - A, 300 - h));
    EXPECT_EQ(l.splitBar, At(400 - A, 0, A, G));
    EXPECT_EQ(l.upperVScroll, At(400 - A, G, A, 300 - h - G));
    EXPECT_EQ(l.hScroll, At(0, 300 - h, 400 - A, h));
    EXPECT_EQ(l.sizeGrip, At(400 - A, 300 - h, A, h));
    EXPECT_FALSE(l.lowerPane.shown);

    // With a toolbar everything below it moves down.
    const auto t = ComputeFrameLayout(Metrics(400, 300, 28), false, 0);
    EXPECT_EQ(t.toolbar, At(0, 0, 400, 28));
    EXPECT_EQ(t.upperPane, At(0, 28, 400 - A, 300 - h - 28));
    EXPECT_EQ(t.splitBar, At(400 - A, 28, A, G));
}

TEST(FrameLayout, SplitWindowStacksTwoPanesAroundTheBar) {
    const auto l = ComputeFrameLayout(Metrics(400, 300), true, 120);
    ASSERT_TRUE(l.split);
    EXPECT_EQ(l.splitBar, At(0, 120, 400, G));
    EXPECT_EQ(l.upperPane, At(0, 0, 400 - A, 120));
    EXPECT_EQ(l.upperVScroll, At(400 - A, 0, A, 120));
    EXPECT_EQ(l.lowerPane, At(0, 120 + G, 400 - A, 300 - h - 120 - G));
    EXPECT_EQ(l.lowerVScroll, At(400 - A, 120 + G, A, 300 - h - 120 - G));
    EXPECT_EQ(l.hScroll, At(0, 300 - h, 400 - A, h));
}

TEST(FrameLayout, SplitPositionIsKeptRoomForBothPanes) {
    EXPECT_EQ(ComputeFrameLayout(Metrics(400, 300), true, 3).splitPos, h);
    EXPECT_EQ(ComputeFrameLayout(Metrics(400, 300), true, 299).splitPos, 300 - 2 * h - G);
    // Below the toolbar, never into it: a pane of negative height would follow.
    EXPECT_EQ(ComputeFrameLayout(Metrics(400, 300, 28), true, 20).splitPos, 28 + h);
}

TEST(FrameLayout, AWindowTooLowForTwoPanesLosesItsSplit) {
    EXPECT_TRUE(ComputeFrameLayout(Metrics(400, 3 * h + G), true, h).split);
    const auto l = ComputeFrameLayout(Metrics(400, 3 * h + G - 1), true, h);
    EXPECT_FALSE(l.split);
    EXPECT_FALSE(l.lowerPane.shown);
    EXPECT_TRUE(l.upperPane.shown);
}

TEST(FrameLayout, TinyWindowsHideTheBarsTheyHaveNoRoomFor) {
    // Not taller than the split box and a scroll bar: no split box.
    const auto low = ComputeFrameLayout(Metrics(400, 2 * h), false, 0);
    EXPECT_FALSE(low.splitBar.shown);
    EXPECT_EQ(low.upperVScroll, At(400 - A, 0, A, h));
    // Not taller than the scroll bar: only the pane and its vertical bar.
    const auto flat = ComputeFrameLayout(Metrics(400, h), false, 0);
    EXPECT_FALSE(flat.splitBar.shown);
    EXPECT_FALSE(flat.hScroll.shown);
    EXPECT_FALSE(flat.sizeGrip.shown);
    EXPECT_EQ(flat.upperVScroll, At(400 - A, 0, A, h));
    EXPECT_EQ(flat.upperPane, At(0, 0, 400 - A, h));
}

TEST(Caption, PartsInTheirOrder) {
    Editor::CaptionState s;
    s.name = L"C:\\plans\\house.qvd";
    const std::wstring title = Editor::BuildCaption(s).listCaption;  // the shell's display title
    ASSERT_EQ(title.rfind(L"house", 0), 0u);
    EXPECT_EQ(Editor::BuildCaption(s).full, title + L" - Quorvel - Class Diagram");

    s.number = 2;
    s.modified = true;
    s.readOnly = true;
    s.diagramType = 4;
    const Editor::Caption c = Editor::BuildCaption(s);
    EXPECT_EQ(c.listCaption, title + L":2 * (read-only)") << "the modified mark stands before the read-only mark";
    EXPECT_EQ(c.full, title + L":2 * (read-only) - Quorvel - Sequence Diagram");

    Editor::CaptionState none;
    none.embedded = true;
    EXPECT_EQ(Editor::BuildCaption(none).full, L"Diagram in unknown - Quorvel - Class Diagram");
}

} // namespace
