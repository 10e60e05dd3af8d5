// A compartment's handle dragged with the mouse in a started editor at 200 % while everything is
// selected: real keys and X button events on a hand-written class diagram, the pane's pixels read
// while the button is held, the saved file read back. The compartment and its class change, with
// what is attached to the class; every other selected element stays where it is.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/TourSupport.h"
#include "Editor/tests/probe/ProbeClient.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

// A namespace of its own: the unity build puts this file beside the other editor tests.
namespace CompartmentHandleTest {
namespace {

using namespace EditorTest;

// Pixels per model unit (0.01 mm) at 200 %.
constexpr double kPixelsPerUnit = 2 * 96.0 / 2540.0;

// Two packages, each with two classes joined by a generalization, laid out as the editor lays them
// out (a header of 500 above the compartments, each compartment at least as high as its text
// needs). The upper compartment of "Shape" (r4) is taller than its text needs; a text is anchored
// to the class's left edge near its top. The second package's right and bottom edges (23500,
// -16000) are the rightmost and lowest ink.
const char* const kDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
    "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n"
    "<DiagramType id=\"r1\" TypeValue=\"1\"/>\n"
    "<Package id=\"r2\" Pos=\"9000 -7000\" Size=\"6500 9000\"><Text>Shapes</Text>\n"
    "<Class id=\"r3\" Pos=\"10000 -8000\" Size=\"4500 2900\"><Text>Shape</Text>\n"
    "<Compartment id=\"r4\" Pos=\"10000 -8500\" Size=\"4500 1600\"><Text>origin : Point</Text></Compartment>\n"
    "<Compartment id=\"r5\" Pos=\"10000 -10100\" Size=\"4500 800\" Previous=\"r4\"><Text>area() : double</Text>"
    "</Compartment>\n"
    "<Anchor id=\"r6\" Pos=\"10000 -8200\"><FreeText id=\"r7\" Pos=\"9800 -8200\" Origin=\"2\"><Text>{root}</Text>"
    "</FreeText></Anchor>\n"
    "</Class>\n"
    "<Class id=\"r8\" Pos=\"10000 -13000\" Size=\"4500 1300\"><Text>Circle</Text>\n"
    "<Compartment id=\"r9\" Pos=\"10000 -13500\" Size=\"4500 800\"><Text>radius : double</Text></Compartment>\n"
    "</Class>\n"
    "</Package>\n"
    "<Package id=\"r10\" Pos=\"17000 -7000\" Size=\"6500 9000\"><Text>Views</Text>\n"
    "<Class id=\"r11\" Pos=\"18000 -8000\" Size=\"4500 1300\"><Text>View</Text>\n"
    "<Compartment id=\"r12\" Pos=\"18000 -8500\" Size=\"4500 800\"><Text>bounds : Rect</Text></Compartment>\n"
    "</Class>\n"
    "<Class id=\"r13\" Pos=\"18000 -12500\" Size=\"4500 2100\"><Text>Canvas</Text>\n"
    "<Compartment id=\"r14\" Pos=\"18000 -13000\" Size=\"4500 800\"><Text>dpi : int</Text></Compartment>\n"
    "<Compartment id=\"r15\" Pos=\"18000 -13800\" Size=\"4500 800\" Previous=\"r14\"><Text>draw() : void</Text>"
    "</Compartment>\n"
    "</Class>\n"
    "</Package>\n"
    "<Generalization id=\"r16\">\n"
    "<End id=\"r17\" Pos=\"12000 -10900\" Class=\"r3\" Type=\"1\"/>\n"
    "<Segment id=\"r18\" Ends=\"r17 r19\"/>\n"
    "<End id=\"r19\" Pos=\"12000 -13000\" Class=\"r8\" Type=\"2\"/>\n"
    "</Generalization>\n"
    "<Generalization id=\"r20\">\n"
    "<End id=\"r21\" Pos=\"20000 -9300\" Class=\"r11\" Type=\"1\"/>\n"
    "<Segment id=\"r22\" Ends=\"r21 r23\"/>\n"
    "<End id=\"r23\" Pos=\"20000 -12500\" Class=\"r13\" Type=\"2\"/>\n"
    "</Generalization>\n"
    "</Diagram>\n";

// Where a stored element lies: its "Pos" and "Size" as written.
using Place = std::pair<std::wstring, std::wstring>;

// The place of every element of a stored document that has one, by id.
std::map<std::wstring, Place> Places(const std::string& document) {
    std::map<std::wstring, Place> found;
    std::function<void(const Node&)> visit = [&](const Node& node) {
        for (const Node& child : node.children) {
            const Place place{child.Attribute(L"Pos"), child.Attribute(L"Size")};
            if (!place.first.empty() || !place.second.empty()) found[child.Attribute(L"id")] = place;
            visit(child);
        }
    };
    visit(ReadDocument(document));
    return found;
}

// Model points to the pane's pixels at 200 %, found from where the pane shows the second package's
// right and bottom edges.
struct PaneMap {
    RECT ink;  // the pane's rectangle of dark pixels
    int X(double x) const { return ink.right - 1 - int(std::lround((23500 - x) * kPixelsPerUnit)); }
    int Y(double y) const { return ink.bottom - 1 - int(std::lround((y + 16000) * kPixelsPerUnit)); }
    POINT At(double x, double y) const { return {X(x), Y(y)}; }
};

bool DarkAt(const Picture& p, int x, int y) {
    return x >= 0 && y >= 0 && x < p.width && y < p.height && IsDark(p.pixels[size_t(y) * p.width + x]);
}

// The share of the columns from left to right with a dark pixel on the row or next to it: about a
// half for a dashed line, all of them for a solid one.
double RowShare(const Picture& p, int row, int left, int right) {
    int hits = 0;
    for (int x = left; x <= right; ++x)
        hits += DarkAt(p, x, row - 1) || DarkAt(p, x, row) || DarkAt(p, x, row + 1) ? 1 : 0;
    return double(hits) / (right - left + 1);
}

// How many pixels differ between two pictures outside the rectangle.
int ChangedOutside(const Picture& a, const Picture& b, const RECT& inside) {
    if (a.width != b.width || a.height != b.height) return a.width * a.height;
    int changed = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const POINT p{x, y};
            const size_t i = size_t(y) * a.width + x;
            changed += !PtInRect(&inside, p) && a.pixels[i] != b.pixels[i] ? 1 : 0;
        }
    return changed;
}

// The editor started on the document, its window placed large and in front, the probe in its
// thread telling when it has taken the input given.
class CompartmentHandle : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = folder_.AddFile(L"handle.qvd", kDocument);
        ASSERT_TRUE(editor_.Start(L"\"" + EditorPath() + L"\" handle.qvd", folder_.Path()));
        ASSERT_TRUE(WaitFor([&] { return (frame_ = WindowOfPath(editor_.Id(), file_)) != nullptr; }));
        ASSERT_NE(pane_ = PlaceLarge(frame_), nullptr);
        probe_ = std::make_unique<MenuProbeClient>(frame_);
        ASSERT_TRUE(probe_->IsHooked());
    }

    POINT Screen(POINT client) const {
        ClientToScreen(pane_, &client);
        return client;
    }

    // The pane's pixels once they stop changing after the input given so far.
    Picture Settled() {
        EXPECT_TRUE(probe_->Handled()) << "the editor does not take input";
        return SteadyPicture(pane_);
    }

    // View, Zoom, 200 % from the menu bar with the keys; answers the map once the pane shows the
    // drawing twice as wide as before.
    PaneMap ZoomTo200() {
        const RECT before = Settled().DarkIn({0, 0, LONG_MAX, LONG_MAX});
        Chord(VK_MENU, 'V');
        EXPECT_TRUE(WaitFor([&] { return FindShownMenu(editor_.Id()) != nullptr; }, 5000)) << "no View menu";
        EXPECT_TRUE(probe_->Handled());
        Tap('Z');
        EXPECT_TRUE(probe_->Handled());
        Tap('2');
        const LONG wide = 2 * (before.right - before.left);
        RECT after{};
        EXPECT_TRUE(WaitFor([&] {
            after = Settled().DarkIn({0, 0, LONG_MAX, LONG_MAX});
            return std::abs(after.right - after.left - wide) <= 3;
        })) << "the pane does not show the drawing at 200 %";
        return {after};
    }

    // Saves with Ctrl+S and answers the saved document.
    std::string SaveByKeys() {
        const std::string before = Bytes(file_);
        Chord(VK_CONTROL, 'S');
        std::string saved;
        EXPECT_TRUE(WaitFor([&] {
            saved = Bytes(file_);
            return saved != before && !Places(saved).empty();
        })) << "not saved";
        return saved;
    }

    TempFolder folder_{L"QuorvelCompartmentHandle"};
    std::wstring file_;
    Process editor_;
    std::unique_ptr<MenuProbeClient> probe_;
    HWND frame_ = nullptr, pane_ = nullptr;
};

// Ctrl+A, then the north handle of the upper compartment of "Shape" dragged 40 pixels right and
// down (529 units: its top snaps 500 lower). While the button is held only that compartment shows
// its preview. Saved: the compartment's and the class's tops are 500 lower, their bottoms and the
// lower compartment kept; the text anchored near the class's top keeps to its left edge, which
// starts lower; the generalization's end on the class's bottom stays; the other classes, their
// compartments, the packages and the other generalization stay where they are. One Ctrl+Z puts
// everything back.
TEST_F(CompartmentHandle, TheTopHandleDraggedWithEverythingSelectedChangesOnlyItsCompartmentAndClass) {
    const std::string original = Bytes(file_);
    const PaneMap map = ZoomTo200();
    const int left = map.X(10000) + 12, right = map.X(14500) - 12;
    ASSERT_GT(RowShare(Settled(), map.Y(-8000), left, right), 0.9) << "the class's top edge is not where it should be";

    const POINT handle = map.At(12250, -8500);
    Chord(VK_CONTROL, 'A');
    // The handle's picture shows above the compartment's top line.
    EXPECT_TRUE(WaitFor([&] { return PanePixels(pane_).At(handle.x, handle.y - 2) != 0xFFFFFF; }, 5000))
        << "Ctrl+A shows no handle on the compartment";
    const Picture selected = Settled();

    const POINT from = Screen(handle);
    ASSERT_TRUE(XMoveTo(from));
    ASSERT_TRUE(XLeftButton(true));
    for (int i = 1; i <= 8; ++i) {
        EXPECT_TRUE(XMoveTo({from.x + 40 * i / 8, from.y + 40 * i / 8}));
        Pace();
    }
    const int previewRow = map.Y(-9000);
    Picture held = Picture::Of(pane_);
    EXPECT_TRUE(WaitFor([&] { return RowShare(held = Picture::Of(pane_), previewRow, left, right) > 0.3; }, 5000))
        << "no preview of the compartment's new top";
    EXPECT_TRUE(XLeftButton(false));
    const RECT shape{map.X(10000) - 12, map.Y(-8000) - 12, map.X(14500) + 12, map.Y(-10900) + 12};
    EXPECT_EQ(ChangedOutside(selected, held, shape), 0) << "something besides the compartment previews a change";
    EXPECT_TRUE(WaitFor([&] {
        const Picture after = Picture::Of(pane_);
        return RowShare(after, map.Y(-8000), left, right) < 0.1 && RowShare(after, previewRow, left, right) > 0.9;
    }, 5000)) << "the class does not show its new top";

    std::map<std::wstring, Place> expected = Places(original);
    expected[L"r3"] = {L"10000 -8500", L"4500 2400"};
    expected[L"r4"] = {L"10000 -9000", L"4500 1100"};
    expected[L"r6"] = {L"10000 -8500", L""};
    expected[L"r7"] = {L"9800 -8500", L""};
    std::map<std::wstring, Place> saved = Places(SaveByKeys());
    EXPECT_EQ(saved.size(), expected.size());
    for (const auto& [id, place] : expected) {
        EXPECT_EQ(Narrow(saved[id].first), Narrow(place.first)) << "the position of " << Narrow(id);
        EXPECT_EQ(Narrow(saved[id].second), Narrow(place.second)) << "the size of " << Narrow(id);
    }

    Chord(VK_CONTROL, 'Z');
    EXPECT_EQ(Places(SaveByKeys()), Places(original)) << "one undo step does not put everything back";
}

}  // namespace
}  // namespace CompartmentHandleTest
