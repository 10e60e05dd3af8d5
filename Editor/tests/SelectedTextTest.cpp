// A class name selected while it is edited in place, in a started editor: a real double click on the
// name and Ctrl+A leave the name's glyphs drawn on the selection's highlight, read from the screen,
// for a left-to-right and a right-to-left name.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/TourSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace {

using namespace EditorTest;

// Whether the pixel (0x00RRGGBB) shows the light blue behind selected characters.
bool SelectionBlue(DWORD p) {
    auto about = [&](int shift, int value) { return std::abs(int((p >> shift) & 0xFF) - value) <= 12; };
    return about(16, 0xAD) && about(8, 0xD6) && about(0, 0xFF);
}

class SelectedText : public ::testing::TestWithParam<const char*> {
protected:
    TempFolder folder_{L"QuorvelSelectedText"};
    Process editor_;
};

TEST_P(SelectedText, TheNameSelectedWithCtrlAStaysReadableOnItsHighlight) {
    const std::wstring file = folder_.AddFile(L"name.qvd",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n"
        "<Style id=\"r1\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"/></Style>\n"
        "<Class id=\"r2\" Pos=\"2000 -2000\" Size=\"8000 3000\"><Text>" + std::string(GetParam()) +
        "</Text></Class>\n</Diagram>\n");
    ASSERT_TRUE(editor_.Start(L"\"" + EditorPath() + L"\" name.qvd", folder_.Path()));
    HWND frame = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (frame = WindowOfPath(editor_.Id(), file)) != nullptr; }));
    HWND pane = PlaceLarge(frame);
    ASSERT_NE(pane, nullptr);
    const std::optional<RECT> box = SteadyDarkArea(pane);
    ASSERT_TRUE(box.has_value()) << "the pane shows no class";
    // The name's glyphs: the dark pixels inside the class's outline.
    POINT origin{0, 0};
    ClientToScreen(pane, &origin);
    RECT inside = *box, glyphs{LONG_MAX, LONG_MAX, 0, 0};
    OffsetRect(&inside, -origin.x, -origin.y);
    InflateRect(&inside, -3, -3);
    const PanePixels plain(pane);
    for (int y = inside.top; y < inside.bottom; ++y)
        for (int x = inside.left; x < inside.right; ++x)
            if (plain.Dark(x, y)) glyphs = {std::min<LONG>(glyphs.left, x), std::min<LONG>(glyphs.top, y),
                                            std::max<LONG>(glyphs.right, x + 1), std::max<LONG>(glyphs.bottom, y + 1)};
    // The dark (first) and highlighted (second) pixels over the glyphs.
    auto ink = [&](const PanePixels& shot) {
        std::pair<int, int> n{0, 0};
        for (int y = glyphs.top; y < glyphs.bottom; ++y)
            for (int x = glyphs.left; x < glyphs.right; ++x) {
                n.first += shot.Dark(x, y) ? 1 : 0;
                n.second += SelectionBlue(shot.At(x, y)) ? 1 : 0;
            }
        return n;
    };
    const int written = ink(plain).first;
    ASSERT_GT(written, 30) << "no name drawn in the class";

    // A double click on the name edits it (the pane takes the caret); Ctrl+A selects it all.
    MoveTo({origin.x + (glyphs.left + glyphs.right) / 2, origin.y + (glyphs.top + glyphs.bottom) / 2});
    Pace();
    for (int i = 0; i < 2; ++i) {
        Button(MOUSEEVENTF_LEFTDOWN);
        Button(MOUSEEVENTF_LEFTUP);
    }
    const DWORD thread = GetWindowThreadProcessId(pane, nullptr);
    ASSERT_TRUE(WaitFor([&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) && info.hwndCaret == pane;
    })) << "the double click does not edit the name";
    PacedChord(VK_CONTROL, 'A');
    std::pair<int, int> selected;
    const int area = (glyphs.right - glyphs.left) * (glyphs.bottom - glyphs.top);
    EXPECT_TRUE(WaitFor([&] { return (selected = ink(PanePixels(pane))).second * 4 > area; }))
        << "Ctrl+A shows no highlight on the name";
    EXPECT_GT(selected.first * 10, written * 7) << "the selected name is not drawn on its highlight";
}

INSTANTIATE_TEST_SUITE_P(LeftToRightAndRightToLeft, SelectedText,
                         ::testing::Values("Canvas", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.index == 0 ? "Latin" : "Hebrew");
                         });

}  // namespace
