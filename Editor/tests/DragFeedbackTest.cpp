// What a mouse user sees of a dragged element and of a compartment widened by its handle, in a
// started editor: real button presses (X events, which Wine's drag loop sees held) on hand-written
// documents, the pane's pixels read from the screen while the button is still held, the saved file
// read back after the release. The corner marks of a dragged class, package, object or state draw
// their blue guides to the corner marks of a box they line up with; an initial or final state drags
// its circle; a class with a template box stays drawn and follows the pointer; a compartment's east
// handle widens its object or state, its north and north-east handles make it taller upwards; Ctrl+A
// after a drop, its undo and its redo shows and selects every class; everything selected and dragged
// moves by the dragged distance, connectors with it, in one undo step.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/FactoryFixture.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/TourSupport.h"
#include "elements/class/Class.h"
#include "elements/class/Package.h"
#include "elements/object/Compartment.h"
#include "elements/object/Object.h"
#include "elements/state/PseudoState.h"
#include "elements/state/State.h"
#include "elements/state/StateCompartment.h"
#include "resources/resource.h"
#include "text/win/UniscribeSetup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace EditorTest;

// Pixels per model unit (0.01 mm) at the zoom a document opens with.
constexpr double kPixelsPerUnit = 96.0 / 2540.0;

// A stored document of the diagram type (1 class, 2 object, 5 state) holding the elements.
std::string Document(int type, const std::string& elements) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
           "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n"
           "<DiagramType id=\"r1\" TypeValue=\"" +
           std::to_string(type) + "\"/>\n" + elements + "</Diagram>\n";
}

// The first element of the type in the model, or none.
template <class T>
T* First(const Core::Diagram& model) {
    for (const Core::ElementPtr& e : model.Elements())
        if (auto* t = dynamic_cast<T*>(e.get()); t && !t->IsDeleted()) return t;
    return nullptr;
}

// Which pixels a check counts: the dark ones of outlines, or the blue ones of guides.
enum class Ink { Dark, Blue };

bool Inked(const PanePixels& shot, int x, int y, Ink ink) {
    if (ink == Ink::Dark) return shot.Dark(x, y);
    const DWORD p = shot.At(x, y);
    return (p & 0xFF) >= 180 && ((p >> 8) & 0xFF) < 100 && ((p >> 16) & 0xFF) < 100;
}

// The share of the places along a horizontal or vertical stretch of pixels, from a to b, where a
// pixel of the ink lies within one pixel across the stretch: about a half for a marker line, a
// third for a guide, none where nothing is drawn.
double Share(const PanePixels& shot, POINT a, POINT b, Ink ink) {
    const bool across = a.y == b.y;
    const int from = across ? std::min(a.x, b.x) : std::min(a.y, b.y);
    const int to = across ? std::max(a.x, b.x) : std::max(a.y, b.y);
    int hits = 0;
    for (int i = from; i <= to; ++i)
        for (int d = -1; d <= 1; ++d)
            if (across ? Inked(shot, i, a.y + d, ink) : Inked(shot, a.x + d, i, ink)) {
                ++hits;
                break;
            }
    return double(hits) / (to - from + 1);
}

// Model points to the pane's pixels, found from where the pane shows a model rectangle.
struct PaneMap {
    zq::Rect model;
    RECT shown;
    POINT At(const zq::Point& p, int dx = 0) const {
        return {shown.left + int(std::lround((p.x - model.left) * kPixelsPerUnit)) + dx,
                shown.top + int(std::lround((model.top - p.y) * kPixelsPerUnit))};
    }
    int X(std::int32_t x, int dx = 0) const { return At({x, model.top}, dx).x; }
    int Y(std::int32_t y) const { return At({model.left, y}).y; }
};

// A class with a template box, in a document of its own.
const char* const kTemplatedClass =
    "<Class id=\"r2\" Pos=\"2000 -3000\" Size=\"6000 3000\">\n<Text>Widget</Text>\n"
    "<TemplateParameters id=\"r3\" Size=\"1600 400\"><Text>T</Text></TemplateParameters>\n</Class>\n";

// The editor started on one hand-written document, its window placed on the screen.
class DragFeedback : public ::testing::Test {
protected:
    void Open(int type, const std::string& elements) {
        file_ = folder_.AddFile(L"drag.qvd", Document(type, elements));
        ASSERT_TRUE(editor_.Start(L"\"" + EditorPath() + L"\" drag.qvd", folder_.Path()));
        ASSERT_TRUE(WaitFor([&] { return (frame_ = WindowOfPath(editor_.Id(), file_)) != nullptr; }));
        ASSERT_NE(pane_ = PlaceLarge(frame_), nullptr);
        TextBlock::InstallUniscribeMeasurer();
        model_ = std::make_unique<ReadBack>(file_);
        model_->storage.reset();  // the editor saves over the file
        ASSERT_EQ(model_->warnings, 0u);
    }

    // Where the pane shows the model: the dark pixels it shows cover the model rectangle (the
    // outlines of the document's elements, before anything is selected).
    PaneMap Map(const zq::Rect& covered) {
        std::optional<RECT> shown;
        // Drawn when the dark area stops changing.
        WaitFor([&] {
            const std::optional<RECT> now = DarkArea(pane_);
            const bool steady = now && shown && EqualRect(&*now, &*shown);
            shown = now;
            return steady;
        });
        EXPECT_TRUE(shown.has_value()) << "the pane shows nothing";
        PaneMap map{covered, shown.value_or(RECT{})};
        POINT origin{0, 0};
        ClientToScreen(pane_, &origin);
        OffsetRect(&map.shown, -origin.x, -origin.y);
        // The pane shows the document at 100 %.
        EXPECT_NEAR(map.shown.right - map.shown.left, covered.Width() * kPixelsPerUnit, 2.5);
        EXPECT_NEAR(map.shown.bottom - map.shown.top, covered.Height() * kPixelsPerUnit, 2.5);
        return map;
    }

    POINT Screen(POINT client) const {
        ClientToScreen(pane_, &client);
        return client;
    }

    // Presses at the pane point, moves by dx pixels right and dy down with the button held and
    // answers the pane's pixels once seen(pixels) holds (or the last ones after a while); then lets go.
    PanePixels HoldDrag(POINT grab, int dx, const std::function<bool(const PanePixels&)>& seen, int dy = 0) {
        const POINT from = Screen(grab);
        EXPECT_TRUE(XMoveTo(from));
        EXPECT_TRUE(XLeftButton(true));
        for (int i = 1; i <= 8; ++i) {
            EXPECT_TRUE(XMoveTo({from.x + dx * i / 8, from.y + dy * i / 8}));
            Pace();
        }
        PanePixels shot(pane_);
        WaitFor([&] { return seen(shot = PanePixels(pane_)); });
        EXPECT_TRUE(XLeftButton(false));
        return shot;
    }

    // The column (vertical) or row within four pixels of at where most pixels from from to to are
    // dark: where an edge was drawn (it lies where the grid put it).
    static int LineNear(const PanePixels& shot, bool vertical, int at, int from, int to) {
        int best = at, most = -1;
        for (int l = at - 4; l <= at + 4; ++l) {
            int n = 0;
            for (int i = from; i <= to; ++i) n += (vertical ? shot.Dark(l, i) : shot.Dark(i, l)) ? 1 : 0;
            if (n > most) {
                best = l;
                most = n;
            }
        }
        return best;
    }
    // The column near x where a dragged image's vertical edge was drawn between the rows.
    static int EdgeNear(const PanePixels& shot, int x, int top, int bottom) {
        return LineNear(shot, true, x, top, bottom);
    }
    // The row near y where a horizontal edge was drawn between the columns.
    static int RowNear(const PanePixels& shot, int y, int left, int right) {
        return LineNear(shot, false, y, left, right);
    }

    // Drags the first of two boxes lined up side by side (model rectangles a and b, a left of b, the
    // gap between them wider than a) right by two thirds of the gap, and expects the blue guide that
    // the corner marks of its image draw along the top edge to the corner marks of the other box.
    void ExpectGuideToTheNextBox(const zq::Rect& a, const zq::Rect& b, const zq::Rect& shown) {
        const PaneMap map = Map(shown);
        const int gap = map.X(b.left) - map.X(a.right), top = map.Y(a.top), dx = gap * 2 / 3;
        auto guide = [&](const PanePixels& s) {
            return Share(s, {map.X(a.right, dx) + 4, top}, {map.X(b.left) - 4, top}, Ink::Blue);
        };
        const PanePixels held =
            HoldDrag({map.X(a.left) + 10, map.Y(a.bottom) - 10}, dx, [&](const PanePixels& s) { return guide(s) > 0.2; });
        EXPECT_GT(guide(held), 0.2) << "no guide from the dragged corner marks to the other box's corner marks";
    }

    // Expects the circle of the model box r shifted by about dx pixels: ink at the middles of its
    // sides, none at the corners of the square around it.
    static void ExpectCircleImage(const PanePixels& shot, const PaneMap& map, const zq::Rect& r, int dx) {
        std::optional<RECT> seen;
        for (int y = map.Y(r.top) - 3; y <= map.Y(r.bottom) + 3; ++y)
            for (int x = map.X(r.left, dx) - 8; x <= map.X(r.right, dx) + 8; ++x)
                if (shot.Dark(x, y)) {
                    if (!seen) seen = RECT{x, y, x + 1, y + 1};
                    seen = RECT{std::min<LONG>(seen->left, x), std::min<LONG>(seen->top, y),
                                std::max<LONG>(seen->right, x + 1), std::max<LONG>(seen->bottom, y + 1)};
                }
        ASSERT_TRUE(seen.has_value()) << "no image";
        const RECT b = *seen;
        EXPECT_NEAR(b.right - b.left, r.Width() * kPixelsPerUnit, 2.5);
        EXPECT_NEAR(b.bottom - b.top, r.Height() * kPixelsPerUnit, 2.5);
        const int mx = (b.left + b.right) / 2, my = (b.top + b.bottom) / 2;
        EXPECT_GT(Share(shot, {mx - 1, b.top}, {mx + 1, b.top}, Ink::Dark), 0.0);
        EXPECT_GT(Share(shot, {mx - 1, b.bottom - 1}, {mx + 1, b.bottom - 1}, Ink::Dark), 0.0);
        EXPECT_GT(Share(shot, {b.left, my - 1}, {b.left, my + 1}, Ink::Dark), 0.0);
        EXPECT_GT(Share(shot, {b.right - 1, my - 1}, {b.right - 1, my + 1}, Ink::Dark), 0.0);
        for (POINT corner : {POINT{b.left, b.top}, POINT{b.right - 2, b.top}, POINT{b.left, b.bottom - 2},
                             POINT{b.right - 2, b.bottom - 2}})
            for (int y = corner.y; y < corner.y + 2; ++y)
                for (int x = corner.x; x < corner.x + 2; ++x)
                    EXPECT_FALSE(shot.Dark(x, y)) << "a corner of a square at " << x << "," << y;
    }

    // Selects the compartment k with a click near its right edge and waits for its east handle.
    void SelectCompartment(const PaneMap& map, const zq::Rect& k) {
        const POINT handle{map.X(k.right), (map.Y(k.top) + map.Y(k.bottom)) / 2};
        XMoveTo(Screen({handle.x - 15, handle.y}));
        XLeftButton(true);
        XLeftButton(false);
        // The handle's picture shows right of the edge.
        EXPECT_TRUE(WaitFor([&] {
            const PanePixels s(pane_);
            for (int x = handle.x + 2; x <= handle.x + 5; ++x)
                if (s.At(x, handle.y) != 0xFFFFFF) return true;
            return false;
        })) << "no handle on the selected compartment";
    }

    // Selects the compartment k of the box r with a click and drags its east handle right by
    // 100 pixels; answers the pane's pixels once the box shows its new right edge after the release.
    PanePixels WidenByEastHandle(const PaneMap& map, const zq::Rect& r, const zq::Rect& k) {
        const POINT handle{map.X(k.right), (map.Y(k.top) + map.Y(k.bottom)) / 2};
        SelectCompartment(map, k);
        const int right = map.X(r.right) + 100, top = map.Y(r.top) + 9, bottom = map.Y(r.bottom) - 9;
        const PanePixels preview = HoldDrag(handle, 100, [&](const PanePixels& s) {
            return Share(s, {right, map.Y(k.top) + 2}, {right, map.Y(k.bottom) - 2}, Ink::Dark) > 0.3;
        });
        EXPECT_GT(Share(preview, {right, map.Y(k.top) + 2}, {right, map.Y(k.bottom) - 2}, Ink::Dark), 0.3)
            << "no preview of the wider compartment";
        PanePixels after(pane_);
        EXPECT_TRUE(WaitFor([&] {
            after = PanePixels(pane_);
            const int edge = EdgeNear(after, right, top, bottom);
            return Share(after, {edge, top}, {edge, bottom}, Ink::Dark) > 0.9;
        })) << "the box does not show its new right edge";
        return after;
    }

    // Saves the document with Ctrl+S and reads the saved file back.
    std::unique_ptr<ReadBack> SaveAndRead() {
        const std::string before = Bytes(file_);
        PostMessageW(frame_, WM_COMMAND, MAKEWPARAM(ID_FILE_SAVE, 0), 0);
        EXPECT_TRUE(WaitFor([&] { return Bytes(file_) != before; })) << "not saved";
        return ReadSaved();
    }

    // Saves the document with Ctrl+S typed after the keys before it, and reads the saved file back.
    std::unique_ptr<ReadBack> SaveByKeysAndRead(DWORD timeoutMs = kHungAfterMs) {
        const std::string before = Bytes(file_);
        Chord(VK_CONTROL, 'S');
        EXPECT_TRUE(WaitFor([&] { return Bytes(file_) != before; }, timeoutMs)) << "not saved";
        return ReadSaved();
    }

    // Reads the file back once the editor lets go of it (its new bytes show before the editor's
    // save has closed it).
    std::unique_ptr<ReadBack> ReadSaved() {
        std::unique_ptr<ReadBack> saved;
        EXPECT_TRUE(WaitFor([&] {
            try {
                saved = std::make_unique<ReadBack>(file_);
                return true;
            } catch (const std::exception&) {
                return false;
            }
        })) << "the saved file cannot be read";
        if (!saved) saved = std::make_unique<ReadBack>(file_);
        saved->storage.reset();  // the editor saves over the file again
        return saved;
    }

    // Ctrl+A, typed without a click into the pane first: the pane shows the handles of every class
    // (model rectangles, placed by the map) at once; and with Delete then the saved document holds no
    // class. Ctrl+Z brings them back.
    void ExpectSelectAllTakesEveryClass(const char* after, const PaneMap& map, const std::vector<zq::Rect>& classes) {
        Chord(VK_CONTROL, 'A');
        // A handle sits on every corner: the pixel just outside it is not the white background.
        auto marked = [&](const PanePixels& s, const zq::Rect& r) {
            return s.At(map.X(r.left) - 2, map.Y(r.top) - 2) != 0xFFFFFF &&
                   s.At(map.X(r.right) + 2, map.Y(r.bottom) + 2) != 0xFFFFFF;
        };
        EXPECT_TRUE(WaitFor([&] {
            const PanePixels s(pane_);
            return std::all_of(classes.begin(), classes.end(), [&](const zq::Rect& r) { return marked(s, r); });
        })) << "Ctrl+A does not show every class selected " << after;
        Tap(VK_DELETE);
        EXPECT_EQ(Classes(*SaveByKeysAndRead()->model), 0u) << "Ctrl+A did not select every class " << after;
        Chord(VK_CONTROL, 'Z');
        EXPECT_EQ(Classes(*SaveByKeysAndRead()->model), classes.size()) << "the classes did not come back " << after;
    }

    static size_t Classes(const Core::Diagram& model) {
        size_t n = 0;
        for (const Core::ElementPtr& e : model.Elements())
            if (auto* c = dynamic_cast<const Class::Class*>(e.get()); c && !c->IsDeleted()) ++n;
        return n;
    }

    // Opens the document (of the diagram type) holding one Box with a compartment, widens the
    // compartment by 100 pixels with its east handle and expects the box to widen by as much on the
    // screen and in the saved file, its left edge, height and compartment kept in place.
    template <class Box>
    void ExpectEastHandleWidens(int type, const std::string& document) {
        ASSERT_NO_FATAL_FAILURE(Open(type, document));
        const auto* box = First<Box>(*model_->model);
        ASSERT_TRUE(box && box->GetCompartment());
        const zq::Rect r = box->GetRect(), k = box->GetCompartment()->GetRect();
        const PaneMap map = Map(r);
        const PanePixels after = WidenByEastHandle(map, r, k);
        // The old right edge is gone from the header.
        const int old = map.X(r.right);
        EXPECT_EQ(Share(after, {old, map.Y(r.top) + 3}, {old, map.Y(k.top) - 3}, Ink::Dark), 0.0);

        const auto saved = SaveAndRead();
        const auto* wide = First<Box>(*saved->model);
        ASSERT_TRUE(wide && wide->GetCompartment());
        EXPECT_EQ(wide->GetPos(), r.TopLeft());
        EXPECT_NEAR(wide->GetSize().x - r.Width(), 100 / kPixelsPerUnit, 200);
        EXPECT_EQ(wide->GetSize().y, r.Height());
        EXPECT_EQ(wide->GetCompartment()->GetRect(), zq::Rect(k.left, k.top, wide->GetRect().right, k.bottom));
    }

    // Opens the document (of the diagram type) holding one Box with a compartment, selects the
    // compartment and drags the handle on its top edge (the middle one, or the north-east corner)
    // up by 38 pixels (and right by 30 for the corner). Expects the dashed preview's top edge at the
    // pointer while the button is held, the box's new top edge on the screen after the release,
    // and in the saved file the compartment's and the box's tops moved up by as much, their bottoms
    // and the box's left edge kept, the right edges moved by the corner.
    template <class Box>
    void ExpectTopHandleGrowsUpwards(int type, const std::string& document, bool corner) {
        ASSERT_NO_FATAL_FAILURE(Open(type, document));
        const auto* box = First<Box>(*model_->model);
        ASSERT_TRUE(box && box->GetCompartment());
        const zq::Rect r = box->GetRect(), k = box->GetCompartment()->GetRect();
        const PaneMap map = Map(r);
        SelectCompartment(map, k);
        // 38 and 30 pixels are close to whole millimetres, the grid's steps.
        const int dx = corner ? 30 : 0, dy = -38;
        const POINT handle{corner ? map.X(k.right) : (map.X(k.left) + map.X(k.right)) / 2, map.Y(k.top)};
        const int from = map.X(k.left) + 12, to = map.X(k.right) - 12;
        auto top = [&](const PanePixels& s, int y) { return Share(s, {from, y}, {to, y}, Ink::Dark); };
        auto preview = [&](const PanePixels& s) { return top(s, RowNear(s, map.Y(k.top) + dy, from, to)); };
        const PanePixels held = HoldDrag(handle, dx, [&](const PanePixels& s) { return preview(s) > 0.3; }, dy);
        EXPECT_GT(preview(held), 0.3) << "no preview of the taller compartment";
        EXPECT_TRUE(WaitFor([&] {
            const PanePixels s(pane_);
            return top(s, RowNear(s, map.Y(r.top) + dy, from, to)) > 0.9;
        })) << "the box does not show its new top edge";

        const auto saved = SaveAndRead();
        const auto* tall = First<Box>(*saved->model);
        ASSERT_TRUE(tall && tall->GetCompartment());
        const zq::Rect t = tall->GetRect(), c = tall->GetCompartment()->GetRect();
        EXPECT_NEAR(t.top - r.top, -dy / kPixelsPerUnit, 200) << "the box's top does not follow the handle";
        EXPECT_EQ(c.top - k.top, t.top - r.top) << "the compartment's top does not move with the box's";
        EXPECT_EQ(t.bottom, r.bottom) << "the box's bottom moved";
        EXPECT_EQ(c.bottom, k.bottom) << "the compartment's bottom moved";
        EXPECT_EQ(t.left, r.left);
        EXPECT_EQ(c.left, k.left);
        if (corner) EXPECT_NEAR(t.right - r.right, dx / kPixelsPerUnit, 200);
        else EXPECT_EQ(t.right, r.right);
        EXPECT_EQ(c.right, t.right);
    }

    // Opens kTemplatedClass, drags its class right by 120 pixels from the pane point that grab picks
    // (given the map, the class's and its box's rectangles) and expects the class drawn at the
    // dragged place while the button is held: its outline and its name follow the pointer, as a
    // class without a box does, and none stays behind; the saved document has it where it was
    // dropped, its box kept.
    void ExpectTemplatedClassFollows(
        const std::function<POINT(const PaneMap&, const zq::Rect&, const zq::Rect&)>& grab) {
        ASSERT_NO_FATAL_FAILURE(Open(1, kTemplatedClass));
        const auto* c = First<Class::Class>(*model_->model);
        ASSERT_TRUE(c && c->GetTemplateParameters());
        const zq::Rect r = c->GetRect(), t = c->GetTemplateParameters()->GetRect();
        const PaneMap map = Map({r.left, t.top, t.right, r.bottom});
        constexpr int dx = 120;
        // The bottom and left edges at the dragged place, solid (the drag image alone is dashed),
        // and the name's pixels in the header.
        auto bottom = [&](const PanePixels& s) {
            return Share(s, {map.X(r.left, dx) + 4, map.Y(r.bottom)}, {map.X(r.right, dx) - 4, map.Y(r.bottom)},
                         Ink::Dark);
        };
        auto left = [&](const PanePixels& s) {
            const int top = map.Y(r.top) + 4, low = map.Y(r.bottom) - 4, x = EdgeNear(s, map.X(r.left, dx), top, low);
            return Share(s, {x, top}, {x, low}, Ink::Dark);
        };
        auto name = [&](const PanePixels& s) {
            int n = 0;
            for (int y = map.Y(r.top) + 5; y <= map.Y(r.top - 1000); ++y)
                for (int x = map.X(r.left, dx) + 6; x <= map.X(t.left, dx) - 6; ++x) n += s.Dark(x, y) ? 1 : 0;
            return n;
        };
        const PanePixels held = HoldDrag(grab(map, r, t), dx, [&](const PanePixels& s) {
            return bottom(s) > 0.9 && left(s) > 0.9 && name(s) > 10;
        });
        EXPECT_GT(bottom(held), 0.9) << "no solid bottom edge of the class at the dragged place";
        EXPECT_GT(left(held), 0.9) << "no solid left edge of the class at the dragged place";
        EXPECT_GT(name(held), 10) << "no name in the dragged class's header";
        const int was = map.X(r.left);
        EXPECT_LT(Share(held, {was, map.Y(r.top) + 4}, {was, map.Y(r.bottom) - 4}, Ink::Dark), 0.3)
            << "the class's left edge stays behind";

        const auto saved = SaveAndRead();
        const auto* moved = First<Class::Class>(*saved->model);
        ASSERT_TRUE(moved && moved->GetTemplateParameters());
        EXPECT_NEAR(moved->GetPos().x - r.left, dx / kPixelsPerUnit, 200);
        EXPECT_EQ(moved->GetPos().y, r.top);
        EXPECT_EQ(moved->GetSize(), c->GetSize());
        EXPECT_EQ(moved->GetTemplateParameters()->GetSize(), c->GetTemplateParameters()->GetSize());
    }

    TempFolder folder_{L"QuorvelDragFeedback"};
    std::wstring file_;
    Process editor_;
    HWND frame_ = nullptr, pane_ = nullptr;
    std::unique_ptr<ReadBack> model_;
};

// Two boxes of the kind, 40 mm wide, with their tops lined up and 60 mm apart.
std::string TwoBoxes(const std::string& kind, const std::string& inside = "<Text>n</Text>") {
    return "<" + kind + " id=\"r2\" Pos=\"2000 -3000\" Size=\"4000 2000\">" + inside + "</" + kind + ">\n<" + kind +
           " id=\"r3\" Pos=\"12000 -3000\" Size=\"4000 2000\">" + inside + "</" + kind + ">\n";
}

// The two boxes of the type in the model, in the order of their places from left to right.
template <class T>
std::pair<zq::Rect, zq::Rect> Boxes(const Core::Diagram& model) {
    std::vector<zq::Rect> found;
    for (const Core::ElementPtr& e : model.Elements())
        if (auto* t = dynamic_cast<T*>(e.get())) found.push_back(t->GetRect());
    EXPECT_EQ(found.size(), 2u);
    if (found.size() != 2) return {};
    if (found[1].left < found[0].left) std::swap(found[0], found[1]);
    return {found[0], found[1]};
}

TEST_F(DragFeedback, ADraggedClassLinesUpWithTheCornerMarksOfAnother) {
    ASSERT_NO_FATAL_FAILURE(Open(1, TwoBoxes("Class")));
    const auto [a, b] = Boxes<Class::Class>(*model_->model);
    ExpectGuideToTheNextBox(a, b, {a.left, a.top, b.right, std::min(a.bottom, b.bottom)});
}

TEST_F(DragFeedback, ADraggedPackageLinesUpWithTheCornerMarksOfAnother) {
    ASSERT_NO_FATAL_FAILURE(Open(1, TwoBoxes("Package")));
    const auto [a, b] = Boxes<Class::Package>(*model_->model);
    const zq::Point tab = First<Class::Package>(*model_->model)->GetTabSize();
    ExpectGuideToTheNextBox(a, b, {a.left, a.top + tab.y, b.right, a.bottom});
}

TEST_F(DragFeedback, ADraggedObjectLinesUpWithTheCornerMarksOfAnother) {
    ASSERT_NO_FATAL_FAILURE(Open(2, TwoBoxes("Object")));
    const auto [a, b] = Boxes<Object::Object>(*model_->model);
    ExpectGuideToTheNextBox(a, b, {a.left, a.top, b.right, std::min(a.bottom, b.bottom)});
}

TEST_F(DragFeedback, ADraggedStateLinesUpWithTheCornerMarksOfAnother) {
    ASSERT_NO_FATAL_FAILURE(Open(5, TwoBoxes("State")));
    const auto [a, b] = Boxes<State::State>(*model_->model);
    ExpectGuideToTheNextBox(a, b, {a.left, a.top, b.right, std::min(a.bottom, b.bottom)});
}

TEST_F(DragFeedback, InitialAndFinalStatesDragTheirCircles) {
    ASSERT_NO_FATAL_FAILURE(
        Open(5, "<InitialState id=\"r2\" Pos=\"2000 -2000\"/>\n<FinalState id=\"r3\" Pos=\"7000 -2000\"/>\n"));
    const auto* initial = First<State::InitialState>(*model_->model);
    const auto* final = First<State::FinalState>(*model_->model);
    ASSERT_TRUE(initial && final);
    const zq::Rect a = initial->GetRect(), b = final->GetRect();
    const PaneMap map = Map({a.left, a.top, b.right, b.bottom});
    for (const zq::Rect& r : {a, b}) {
        const POINT centre = map.At({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        const PanePixels held = HoldDrag(centre, 60, [&](const PanePixels& s) {
            return Share(s, {map.X(r.left, 60) - 4, centre.y}, {map.X(r.right, 60) + 4, centre.y}, Ink::Dark) > 0.0;
        });
        ExpectCircleImage(held, map, r, 60);
    }
}

// A class grabbed in its box or by its template box follows the pointer and is saved moved.
TEST_F(DragFeedback, AClassWithATemplateBoxStaysDrawnWhileDragged) {
    ExpectTemplatedClassFollows([](const PaneMap& map, const zq::Rect& r, const zq::Rect&) {
        return POINT{map.X(r.left) + 10, map.Y(r.bottom) - 10};
    });
}

TEST_F(DragFeedback, AClassDraggedByItsTemplateBoxStaysDrawnWhileDragged) {
    ExpectTemplatedClassFollows([](const PaneMap& map, const zq::Rect&, const zq::Rect& t) {
        return POINT{map.X(t.right) - 5, map.Y(t.bottom) - 3};
    });
}

// The documents of the compartment-handle tests: an object and a state, each with a compartment.
const char* const kObjectWithCompartment =
    "<Object id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 2000\">\n<Text>a : A</Text>\n"
    "<Compartment id=\"r3\" Pos=\"2000 -3000\" Size=\"6000 1000\"><Text>x = 1</Text></Compartment>\n</Object>\n";
const char* const kStateWithCompartment =
    "<State id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 1600\">\n<Text>Idle</Text>\n"
    "<Compartment id=\"r3\" Pos=\"2000 -3000\" Size=\"6000 600\"><Text>do / x</Text></Compartment>\n</State>\n";

TEST_F(DragFeedback, TheEastHandleOfAnObjectsCompartmentWidensTheObject) {
    ExpectEastHandleWidens<Object::Object>(2, kObjectWithCompartment);
}

TEST_F(DragFeedback, TheEastHandleOfAStatesCompartmentWidensTheState) {
    ExpectEastHandleWidens<State::State>(5, kStateWithCompartment);
}

TEST_F(DragFeedback, TheNorthHandleOfAnObjectsCompartmentGrowsTheObjectUpwards) {
    ExpectTopHandleGrowsUpwards<Object::Object>(2, kObjectWithCompartment, false);
}

TEST_F(DragFeedback, TheNorthEastHandleOfAnObjectsCompartmentGrowsTheObjectUpwardsAndWider) {
    ExpectTopHandleGrowsUpwards<Object::Object>(2, kObjectWithCompartment, true);
}

TEST_F(DragFeedback, TheNorthHandleOfAStatesCompartmentGrowsTheStateUpwards) {
    ExpectTopHandleGrowsUpwards<State::State>(5, kStateWithCompartment, false);
}

TEST_F(DragFeedback, TheNorthEastHandleOfAStatesCompartmentGrowsTheStateUpwardsAndWider) {
    ExpectTopHandleGrowsUpwards<State::State>(5, kStateWithCompartment, true);
}

// After a drag and drop, and after its undo and redo, Ctrl+A selects every element and shows it:
// typed at once, without a click into the pane first.
TEST_F(DragFeedback, CtrlASelectsEverythingAfterADropItsUndoAndItsRedo) {
    ASSERT_NO_FATAL_FAILURE(Open(1, TwoBoxes("Class")));
    const auto [a, b] = Boxes<Class::Class>(*model_->model);
    const PaneMap map = Map({a.left, a.top, b.right, std::min(a.bottom, b.bottom)});
    HoldDrag({map.X(a.left) + 10, map.Y(a.bottom) - 10}, 100, [](const PanePixels&) { return true; });
    const auto dropped = SaveByKeysAndRead();
    const auto [c, d] = Boxes<Class::Class>(*dropped->model);
    ASSERT_GT(c.left, a.left) << "the class was not dropped at its new place";
    ExpectSelectAllTakesEveryClass("after the drop", map, {c, d});
    Chord(VK_CONTROL, 'Z');
    Chord(VK_CONTROL, 'Y');
    ExpectSelectAllTakesEveryClass("after the drop's redo", map, {c, d});
    Chord(VK_CONTROL, 'Z');
    ExpectSelectAllTakesEveryClass("after the drop's undo", map, {a, b});
}

// How many classes the drag of everything moves, with about as many associations.
constexpr int kDraggedClasses = 150;

// Classes in rows of eight, each joined by an association to its right neighbour and the first of
// each row to the first of the next row, as the editor writes them.
std::string ClassesWithAssociations(int count) {
    std::ostringstream out;
    auto at = [](int i) { return POINT{1000 + i % 8 * 3500, -1000 - i / 8 * 2000}; };
    for (int i = 0; i < count; ++i)
        out << "<Class id=\"r" << 2 + i << "\" Pos=\"" << at(i).x << ' ' << at(i).y
            << "\" Size=\"3000 1500\"><Text>C" << i << "</Text></Class>\n";
    int id = 2 + count;
    auto join = [&](int from, int to, POINT p, POINT q) {
        const int assoc = id++, x = id++, y = id++, segment = id++;
        out << "<Assoc id=\"r" << assoc << "\"><End id=\"r" << x << "\" Pos=\"" << p.x << ' ' << p.y << "\" Class=\"r"
            << 2 + from << "\" Type=\"1\"/><End id=\"r" << y << "\" Pos=\"" << q.x << ' ' << q.y << "\" Class=\"r"
            << 2 + to << "\" Type=\"1\"/><Segment id=\"r" << segment << "\" Ends=\"r" << x << " r" << y
            << "\"/></Assoc>\n";
    };
    for (int i = 0; i < count; ++i) {
        const POINT c = at(i);
        if (i % 8 < 7 && i + 1 < count) join(i, i + 1, {c.x + 3000, c.y - 300}, {c.x + 3500, c.y - 300});
        if (i % 8 == 0 && i + 8 < count) join(i, i + 8, {c.x + 1500, c.y - 1500}, {c.x + 1500, c.y - 2000});
    }
    return out.str();
}

// The positions of the classes and of the association ends of a saved document, each list sorted.
struct Positions {
    std::vector<std::pair<long, long>> classes, ends;
};

Positions PositionsIn(const std::wstring& file) {
    Positions found;
    const Node root = ReadDocument(Bytes(file));
    for (auto [kind, list] : {std::pair{L"Class", &found.classes}, std::pair{L"End", &found.ends}}) {
        for (const Node* n : root.All(kind)) {
            std::wistringstream pos(n->Attribute(L"Pos"));
            long x = 0, y = 0;
            pos >> x >> y;
            list->push_back({x, y});
        }
        std::sort(list->begin(), list->end());
    }
    return found;
}

// Every element of a class diagram selected with Ctrl+A and dragged with the mouse: each class and
// each association end moves by the dragged distance, and one Ctrl+Z puts everything back.
TEST_F(DragFeedback, DraggingEverythingMovesEveryElementByTheDraggedDistanceInOneUndoStep) {
    ASSERT_NO_FATAL_FAILURE(Open(1, ClassesWithAssociations(kDraggedClasses)));
    const Positions original = PositionsIn(file_);
    ASSERT_EQ(original.classes.size(), size_t(kDraggedClasses));
    ASSERT_GE(original.ends.size(), size_t(kDraggedClasses));
    std::optional<RECT> shown, last;
    ASSERT_TRUE(WaitFor([&] {
        last = shown;
        shown = DarkArea(pane_);
        return shown && last && EqualRect(&*shown, &*last);
    })) << "the pane shows nothing steady";
    // The first class lies at the top-left corner of what the pane shows.
    POINT grab{shown->left + 10, shown->top + 45};
    ScreenToClient(pane_, &grab);
    const Picture unselected = Picture::Of(pane_);
    Chord(VK_CONTROL, 'A');
    ASSERT_TRUE(WaitFor([&] { return !(Picture::Of(pane_) == unselected); })) << "Ctrl+A shows no marks";
    constexpr int dx = 96, dy = 48;
    HoldDrag(grab, dx, [](const PanePixels&) { return true; }, dy);

    SaveByKeysAndRead(120000);
    const Positions moved = PositionsIn(file_);
    ASSERT_EQ(moved.classes.size(), original.classes.size());
    ASSERT_EQ(moved.ends.size(), original.ends.size());
    const long sx = moved.classes[0].first - original.classes[0].first;
    const long sy = moved.classes[0].second - original.classes[0].second;
    EXPECT_NEAR(sx, dx / kPixelsPerUnit, 200);
    EXPECT_NEAR(sy, -dy / kPixelsPerUnit, 200);
    auto shifted = [&](std::vector<std::pair<long, long>> list) {
        for (auto& p : list) p = {p.first + sx, p.second + sy};
        return list;
    };
    EXPECT_EQ(moved.classes, shifted(original.classes)) << "not every class moved by the dragged distance";
    EXPECT_EQ(moved.ends, shifted(original.ends)) << "not every association end followed its class";

    Chord(VK_CONTROL, 'Z');
    SaveByKeysAndRead(120000);
    const Positions undone = PositionsIn(file_);
    EXPECT_EQ(undone.classes, original.classes) << "one undo step does not put every class back";
    EXPECT_EQ(undone.ends, original.ends) << "one undo step does not put every association end back";
}


}  // namespace
