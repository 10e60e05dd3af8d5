// A note dragged with the real mouse in a started editor and the drag undone with Ctrl+Z: the
// window then shows what a window that freshly opens the document shows (read from the screen
// as the user sees it).
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/refresh/RefreshScene.h"

#include <gtest/gtest.h>

namespace {

using namespace EditorTest;

// A class diagram with one note, high on the first page.
const char kDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
    "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n"
    "<DiagramType id=\"r1\" TypeValue=\"1\"/>\n"
    "<Note id=\"r2\" Pos=\"2000 -2000\" Size=\"4000 1500\"><Text>carried away and back</Text></Note>\n"
    "</Diagram>\n";

// The pixels of a pane as the screen shows them.
RefreshTest::Picture FromScreen(HWND pane) {
    RECT client;
    GetClientRect(pane, &client);
    POINT origin{0, 0};
    ClientToScreen(pane, &origin);
    HDC screen = GetDC(nullptr);
    RefreshTest::Picture picture = RefreshTest::Grab(screen, origin.x, origin.y, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    return picture;
}

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " - " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// The pane of the editor's window on the file once it is placed at x on the screen and in front
// with the keys (null when that does not come).
HWND PlacedPane(const Process& editor, const std::wstring& file, int x) {
    HWND frame = nullptr;
    if (!WaitFor([&] { return (frame = WindowOfPath(editor.Id(), file)) != nullptr; })) return nullptr;
    SetWindowPos(frame, HWND_TOP, x, 10, 620, 700, SWP_SHOWWINDOW);
    HWND pane = nullptr;
    const bool laidOut = WaitFor([&] {
        RECT r{};
        pane = PaneOf(frame);
        return pane && GetClientRect(pane, &r) && r.right > 500 && r.bottom > 400;
    });
    return laidOut && BringToFront(frame) ? pane : nullptr;
}

TEST(RealDragUndo, ANoteDraggedWithTheMouseAndUndoneWithCtrlZShowsAsAFreshOpenShowsIt) {
    TempFolder folder(L"QvRealDrag");
    const std::wstring file = folder.AddFile(L"dragged.qvd", kDocument);
    const std::wstring fresh = folder.AddFile(L"fresh.qvd", kDocument);
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" dragged.qvd", folder.Path()));
    HWND pane = PlacedPane(editor, file, 10);
    ASSERT_NE(pane, nullptr);
    // The note once the screen shows the painted window (before that the area may be black),
    // the same on two looks in a row.
    std::optional<RECT> note, last;
    RECT client{};
    GetClientRect(pane, &client);
    ASSERT_TRUE(WaitFor([&] {
        last = note;
        note = DarkArea(pane);
        return note && last && EqualRect(&*note, &*last) && note->right - note->left < client.right / 2;
    }));
    const RECT before = *note;

    // Pressed inside the note below its text, carried right and down and let go (the window is
    // active already: the press does not go to activating it).
    const POINT from{before.left + (before.right - before.left) / 4, before.bottom - 8};
    const POINT to{from.x + 160, from.y + 120};
    DragWith(from, to, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    const bool moved = WaitFor([&] {
        note = DarkArea(pane);
        return note && note->left >= before.left + 100 && note->top >= before.top + 60;
    });
    ASSERT_TRUE(moved) << "the note was not moved: " << Describe(before) << " became "
                       << (note ? Describe(*note) : "nothing");

    Key(VK_CONTROL, false);
    Key('Z', false);
    Pace();
    Key('Z', true);
    Key(VK_CONTROL, true);
    ASSERT_TRUE(WaitFor([&] {
        note = DarkArea(pane);
        return note && note->left < before.left + 20;
    })) << "the drag was not undone: " << Describe(before) << " became " << (note ? Describe(*note) : "nothing");

    // A click on the empty background takes the selection away, as in a fresh window.
    POINT empty{client.right - 40, client.bottom - 40};
    ClientToScreen(pane, &empty);
    MoveTo(empty);
    Pace();
    Button(MOUSEEVENTF_LEFTDOWN);
    Pace();
    Button(MOUSEEVENTF_LEFTUP);

    // The same document opened afresh in a window of the same size beside it.
    Process second;
    ASSERT_TRUE(second.Start(L"\"" + EditorPath() + L"\" fresh.qvd", folder.Path()));
    HWND opened = PlacedPane(editor, fresh, 650);
    ASSERT_NE(opened, nullptr);
    std::string difference;
    WaitFor([&] {
        difference = RefreshTest::Difference(FromScreen(pane), FromScreen(opened));
        return difference.empty();
    });
    EXPECT_EQ(difference, "");
}

} // namespace
