// Everything of the class benchmark's document (10,000 classes, 10,000 associations) selected and
// dragged with the real mouse (X events) in a started editor: the editor stays up, shows no error and
// the saved document holds every class and every association end moved by the same distance.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/RealInput.h"
#include "elements/class/bench/ClassDocument.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>
#include <regex>

namespace {

using namespace EditorTest;

// How long the editor may take for one part of the drag (reading, a step, the drop, saving).
constexpr DWORD kPatience = 90000;

// The positions of the elements of a kind ("Class", "End") by their ids, read from a document.
std::map<std::string, std::pair<long, long>> Positions(const std::string& document, const std::string& kind) {
    std::map<std::string, std::pair<long, long>> out;
    const std::regex element("<" + kind + " id=\"(r[0-9]+)\"[^>]*? Pos=\"(-?[0-9]+) (-?[0-9]+)\"");
    for (std::sregex_iterator it(document.begin(), document.end(), element), end; it != end; ++it)
        out[(*it)[1]] = {std::stol((*it)[2]), std::stol((*it)[3])};
    return out;
}

// Whether the editor's window thread has handled everything it was given (it answers a message).
bool Settled(HWND frame) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &result) != 0;
}

// The left button pressed or released with an X event, once Wine sees it so.
bool XButton(bool down) {
    return XDoTool(down ? L"mousedown 1" : L"mouseup 1") &&
           WaitFor([&] { return ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0) == down; }, kPatience);
}

TEST(LargeDrag, EverythingOfTenThousandClassesDraggedWithTheMouseMovesEveryElementAndTheEditorStaysUp) {
    TempFolder folder(L"QvLargeDrag");
    const std::string original = ClassBench::Document(true);
    const std::wstring file = folder.AddFile(L"large.qvd", original);
    Process editor;
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" large.qvd", folder.Path()));
    HWND frame = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (frame = WindowOfPath(editor.Id(), file)) != nullptr; }, kPatience));
    HWND pane = PlaceLarge(frame);
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(Settled(frame));
    // The classes fill the pane from the first class's top-left corner.
    std::optional<RECT> shown;
    ASSERT_TRUE(WaitFor([&] { return (shown = DarkArea(pane)) && shown->right - shown->left > 500; }, kPatience));

    // Ctrl+A selects everything; the name of the third class of the fourth row is pressed then.
    const double pixelsPerUnit = 96 / 2540.0;
    const POINT from{shown->left + LONG((2 * ClassBench::kPitch + ClassBench::kWidth / 2) * pixelsPerUnit),
                     shown->top + LONG((3 * 2000 + 250) * pixelsPerUnit)};
    // Dragged only once the pane shows the selection: the window manager may take the focus from
    // the window a while after it came to the front, and keys given then are lost; they are given
    // again in front (Ctrl+A twice selects as once).
    const std::vector<DWORD> unselected = ScreenPixels(pane);
    bool selected = false;
    for (int attempt = 0; attempt < 3 && !selected; ++attempt) {
        ASSERT_TRUE(BringToFront(frame));
        PacedChord(VK_CONTROL, 'A');
        bool lost = false;
        selected = WaitFor([&] { return ScreenPixels(pane) != unselected || (lost = !TakesKeys(frame)); }, kPatience) && !lost;
    }
    ASSERT_TRUE(selected) << "Ctrl+A shows no selection";
    ASSERT_TRUE(Settled(frame));

    // Dragged 96 pixels right and 48 down in eight steps, each waited for, and let go.
    const POINT by{96, 48};
    ASSERT_TRUE(XMoveTo(from));
    ASSERT_TRUE(XButton(true));
    for (int i = 1; i <= 8; ++i) {
        ASSERT_TRUE(XMoveTo({from.x + by.x * i / 8, from.y + by.y * i / 8})) << "step " << i;
        ASSERT_TRUE(Settled(frame)) << "step " << i;
    }
    ASSERT_TRUE(XButton(false));
    ASSERT_TRUE(Settled(frame)) << "the drop";
    ASSERT_TRUE(WaitFor([&] { return Modified(frame); }, kPatience)) << "nothing was dropped";
    ASSERT_EQ(editor.WaitExit(0), STILL_ACTIVE) << "the editor ended";
    EXPECT_EQ(FindMessageBox(editor.Id()), nullptr) << "an error was reported";

    ASSERT_TRUE(BringToFront(frame));
    PacedChord(VK_CONTROL, 'S');
    ASSERT_TRUE(WaitFor([&] { return !Modified(frame); }, kPatience)) << "the document was not saved";
    const std::string saved = Bytes(file);

    // Every class and every association end moved by the same distance, the one dragged (snapped).
    const auto before = Positions(original, "Class"), after = Positions(saved, "Class");
    const auto endsBefore = Positions(original, "End"), endsAfter = Positions(saved, "End");
    ASSERT_EQ(before.size(), 10000u);
    ASSERT_EQ(after.size(), before.size());
    ASSERT_EQ(endsBefore.size(), 20000u);
    ASSERT_EQ(endsAfter.size(), endsBefore.size());
    const auto& [id0, p0] = *before.begin();
    ASSERT_EQ(after.count(id0), 1u);
    const long dx = after.at(id0).first - p0.first, dy = after.at(id0).second - p0.second;
    EXPECT_NEAR(dx, by.x / pixelsPerUnit, 200);
    EXPECT_NEAR(dy, -by.y / pixelsPerUnit, 200);
    auto movedBy = [&](const auto& from, const auto& to) {
        int wrong = 0;
        for (const auto& [id, p] : from) {
            const auto it = to.find(id);
            if (it == to.end() || it->second.first - p.first != dx || it->second.second - p.second != dy) ++wrong;
        }
        return wrong;
    };
    EXPECT_EQ(movedBy(before, after), 0) << "classes not moved by " << dx << ", " << dy;
    EXPECT_EQ(movedBy(endsBefore, endsAfter), 0) << "association ends not moved with their classes";
    EXPECT_EQ(editor.WaitExit(0), STILL_ACTIVE) << "the editor ended";
}

} // namespace
