// The "Diagram Style" dialog of a started editor, driven as a mouse user drives it: the split bar
// dragged with real button presses (SendInput) keeps its place when the dialog is moved, and the
// program's document windows take no input while the dialog runs.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/RealInput.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace EditorTest;

const char kClassDiagram[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
    "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n"
    "<DiagramType id=\"r1\" TypeValue=\"1\"/>\n</Diagram>\n";

RECT ScreenRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

LONG Width(HWND window) {
    const RECT r = ScreenRect(window);
    return r.right - r.left;
}


class StyleDialogInput : public ::testing::Test {
protected:
    void SetUp() override {
        // The dialog's remembered layout from earlier runs is dropped: it opens with the default split.
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorvel\\UML Editor\\Settings\\StylePropertyEditor");
        const std::wstring file = folder_.AddFile(L"styles.qvd", kClassDiagram);
        ASSERT_TRUE(editor_.Start(L"\"" + EditorPath() + L"\" styles.qvd", folder_.Path()));
        ASSERT_TRUE(WaitFor([&] { return (frame_ = WindowOfPath(editor_.Id(), file)) != nullptr; }));
        SetWindowPos(frame_, HWND_TOP, 10, 10, 900, 700, SWP_SHOWWINDOW);
        PostMessageW(frame_, WM_COMMAND, ID_WINDOW_NEW, 0);
        ASSERT_TRUE(WaitFor([&] { return VisibleWindows(editor_.Id()).size() == 2; }));
        SetForegroundWindow(frame_);
    }
    void TearDown() override {
        if (dialog_ && IsWindow(dialog_)) PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
    }
    // Opens "Diagram Style" from the first window and waits for the dialog.
    void OpenDialog() {
        PostMessageW(frame_, WM_COMMAND, ID_STYLES_DIAGRAMSTYLE, 0);
        ASSERT_TRUE(WaitFor([&] {
            dialog_ = FindMessageBox(editor_.Id());
            return dialog_ && TextOf(dialog_) == L"Diagram Style" && GetDlgItem(dialog_, IDC_STYLE_TREE);
        }));
        // A known place and size, whatever layout an earlier opening left in the settings.
        SetWindowPos(dialog_, nullptr, 60, 60, 640, 440, SWP_NOZORDER);
        // In front, so that the mouse reaches it.
        ASSERT_TRUE(BringToFront(dialog_)) << "the dialog is not in front";
    }
    // Drags the bar between the dialog's two panes by dx pixels with the left button.
    void DragSplitBar(int dx) {
        const RECT left = ScreenRect(GetDlgItem(dialog_, IDC_STYLE_TREE));
        const RECT right = ScreenRect(GetDlgItem(dialog_, IDC_STYLE_PROPERTIES));
        const POINT from{(left.right + right.left) / 2, (left.top + left.bottom) / 2};
        MoveTo(from);
        Pace();
        Button(MOUSEEVENTF_LEFTDOWN);
        Pace();
        for (int step = 1; step <= 6; ++step) {
            MoveTo(POINT{from.x + dx * step / 6, from.y});
            Pace();
        }
        Button(MOUSEEVENTF_LEFTUP);
        Pace();
    }

    TempFolder folder_{L"QuorvelStyleInput"};
    Process editor_;
    HWND frame_ = nullptr;
    HWND dialog_ = nullptr;
};

TEST_F(StyleDialogInput, DraggedSplitBarStaysWhenTheDialogMovesAndOtherWindowsWaitForIt)
{
    ASSERT_NO_FATAL_FAILURE(OpenDialog());
    const std::vector<HWND> windows = VisibleWindows(editor_.Id());
    ASSERT_EQ(windows.size(), 2u);
    for (HWND window : windows) EXPECT_FALSE(IsWindowEnabled(window)) << "a document window takes input";

    HWND tree = GetDlgItem(dialog_, IDC_STYLE_TREE);
    const LONG before = Width(tree);
    DragSplitBar(60);
    ASSERT_TRUE(WaitFor([&] { return std::abs(Width(tree) - (before + 60)) <= 1; }))
        << "the left pane is " << Width(tree) << " wide, was " << before;
    const LONG dragged = Width(tree);

    // The dialog moved by its window manager on the display: the panes keep the dragged split.
    const RECT placed = ScreenRect(dialog_);
    const auto xWindow = reinterpret_cast<UINT_PTR>(GetPropW(dialog_, L"__wine_x11_whole_window"));
    ASSERT_NE(xWindow, 0u) << "the dialog has no window on the display";
    EditorTest::StartHostProgram(L"/usr/bin/xdotool windowmove " + std::to_wstring(xWindow) + L" " + std::to_wstring(placed.left + 40) + L" " +
         std::to_wstring(placed.top + 30));
    ASSERT_TRUE(WaitFor([&] { return ScreenRect(dialog_).left != placed.left; })) << "the dialog did not move";
    // The dialog's thread answers once it has handled the move.
    SendMessageTimeoutW(dialog_, WM_NULL, 0, 0, SMTO_BLOCK, 5000, nullptr);
    EXPECT_EQ(Width(tree), dragged);
    // Grown by its size grip's rule: the left pane keeps its width, the right one takes the rest.
    const RECT moved = ScreenRect(dialog_);
    SetWindowPos(dialog_, nullptr, 0, 0, moved.right - moved.left + 50, moved.bottom - moved.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Width(tree), dragged);

    PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog_); }));
    for (HWND window : windows)
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(window) != FALSE; })) << "a window stays disabled";
}

} // namespace
