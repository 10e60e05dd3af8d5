// What a mouse user sees of a dragged element and of a compartment widened by its handle, in a
// started editor: real button presses (X events, which Wine's drag loop sees held) on hand-written
// documents, the pane's pixels read from the screen while the button is still held, the saved file
// read back after the release. The corner (or edge-centre) marks of a dragged box of every diagram
// kind draw their blue guides to the facing marks of a box they line up with, however far, never
// to the box's own; an initial or final state drags its circle; a class with a template box stays
// drawn and follows the pointer; a compartment's east handle widens its object or state, its north
// and north-east handles make it taller upwards; Ctrl+A
// after a drop, its undo and its redo shows and selects every class; everything selected and dragged
// moves by the dragged distance, connectors with it, in one undo step. While the button is held a
// pane shows whatever the drag moves by one rule, compared pixel by pixel with a window on the same
// document: a qualifier of a class or of an object, an object with its qualifier, its link's texts and
// a note's connector, a sequence object with its name and lifeline, a composite state with its
// initial state, inner state, labelled transition and labelled region separator.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/FactoryFixture.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/TourSupport.h"
#include "elements/class/Class.h"
#include "elements/class/Package.h"
#include "elements/class/Qualifier.h"
#include "elements/note/Note.h"
#include "elements/object/Compartment.h"
#include "elements/object/Object.h"
#include "elements/object/Qualifier.h"
#include "elements/sequence/LifeLine.h"
#include "elements/sequence/SeqObject.h"
#include "elements/state/PseudoState.h"
#include "elements/state/State.h"
#include "elements/state/StateCompartment.h"
#include "elements/state/Transition.h"
#include "resources/resource.h"
#include "text/free/FreeText.h"
#include "text/win/UniscribeSetup.h"
#include "view/connector/tests/Borders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <list>
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

// Whether two pictures show the same pixels.
bool SamePixels(const PanePixels& a, const PanePixels& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.At(x, y) != b.At(x, y)) return false;
    return true;
}

// Whether two pixels look alike: each colour within 64 of the other's.
bool Alike(DWORD a, DWORD b) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 64) return false;
    return true;
}

// Whether the other picture shows a pixel alike to p within one pixel of (x, y).
bool ShownNear(DWORD p, const PanePixels& other, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (Alike(p, other.At(x + dx, y + dy))) return true;
    return false;
}

// The pixels of a held picture that its reference does not show, or the other way round.
struct Unlike {
    int count = 0;
    POINT first{-1, -1};  // in the held picture
};

// Compares the region of the held picture (pane pixels) with the reference, whose places lie by
// the offset from the held picture's, leaving out the rectangles (where the drag's dashed image and
// marks are drawn) and the blue guides the image's corner marks draw to corners they line up with. A
// pixel counts when the other picture shows none alike within one pixel of it.
Unlike Compare(const PanePixels& held, const PanePixels& reference, POINT offset, RECT region,
               const std::vector<RECT>& left) {
    Unlike found;
    for (int y = region.top; y < region.bottom; ++y)
        for (int x = region.left; x < region.right; ++x) {
            const POINT at{x, y};
            if (std::any_of(left.begin(), left.end(), [&](const RECT& r) { return PtInRect(&r, at) != FALSE; })) continue;
            if (Inked(held, x, y, Ink::Blue)) continue;
            const int rx = x + offset.x, ry = y + offset.y;
            if (ShownNear(held.At(x, y), reference, rx, ry) && ShownNear(reference.At(rx, ry), held, x, y)) continue;
            if (found.count++ == 0) found.first = at;
        }
    return found;
}

// The pane rectangle of a model rectangle, grown by the pixels on every side.
RECT Around(const PaneMap& map, const zq::Rect& r, int grow) {
    const POINT a = map.At(r.TopLeft()), b = map.At(r.BottomRight());
    return {a.x - grow, a.y - grow, b.x + grow + 1, b.y + grow + 1};
}

// Adds the bands along the four edges of a model rectangle, five pixels to each side of them: where
// a dashed image of it with its corner marks, or the handles on its edges, are drawn.
void AddOutline(std::vector<RECT>& left, const PaneMap& map, const zq::Rect& r) {
    const RECT o = Around(map, r, 5), i = Around(map, r, -5);
    left.push_back({o.left, o.top, o.right, i.top});
    left.push_back({o.left, i.bottom, o.right, o.bottom});
    left.push_back({o.left, o.top, i.left, o.bottom});
    left.push_back({i.right, o.top, o.right, o.bottom});
}

// The model shift of a drag by the pixels (right and down), in the grid's steps of 100.
zq::Point ShiftOf(int dx, int dy) {
    auto step = [](double units) { return std::int32_t(std::lround(units / 100)) * 100; };
    return {step(dx / kPixelsPerUnit), -step(dy / kPixelsPerUnit)};
}

zq::Rect Shifted(const zq::Rect& r, const zq::Point& by) {
    return {r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
}

// A class with a template box, in a document of its own.
const char* const kTemplatedClass =
    "<Class id=\"r2\" Pos=\"2000 -3000\" Size=\"6000 3000\">\n<Text>Widget</Text>\n"
    "<TemplateParameters id=\"r3\" Size=\"1600 400\"><Text>T</Text></TemplateParameters>\n</Class>\n";

// The editor started on one hand-written document, its window placed on the screen.
class DragFeedback : public ::testing::Test {
protected:
    void Open(int type, const std::string& elements, const std::wstring& name = L"drag.qvd") {
        file_ = folder_.AddFile(name, Document(type, elements));
        // A second start hands the document to the editor started first.
        Process& editor = editor_.Id() == 0 ? editor_ : handOver_.emplace_back();
        ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" " + name, folder_.Path()));
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
        PaneMap map{covered, ShownDark(pane_)};
        // The pane shows the document at 100 %.
        EXPECT_NEAR(map.shown.right - map.shown.left, covered.Width() * kPixelsPerUnit, 2.5);
        EXPECT_NEAR(map.shown.bottom - map.shown.top, covered.Height() * kPixelsPerUnit, 2.5);
        return map;
    }

    // The pane's rectangle of the dark pixels, in its client coordinates, once it stops changing:
    // where the pane shows the drawing.
    static RECT ShownDark(HWND pane) {
        std::optional<RECT> shown;
        WaitFor([&] {
            const std::optional<RECT> now = DarkArea(pane);
            const bool steady = now && shown && EqualRect(&*now, &*shown);
            shown = now;
            return steady;
        });
        EXPECT_TRUE(shown.has_value()) << "the pane shows nothing";
        RECT r = shown.value_or(RECT{});
        POINT origin{0, 0};
        ClientToScreen(pane, &origin);
        OffsetRect(&r, -origin.x, -origin.y);
        return r;
    }

    POINT Screen(POINT client) const {
        ClientToScreen(pane_, &client);
        return client;
    }

    // Presses at the pane point, moves by dx pixels right and dy down with the button held (in
    // `moves` pointer moves) and answers the pane's pixels once seen(pixels) holds (or the last ones
    // after a while); then lets go.
    PanePixels HoldDrag(POINT grab, int dx, const std::function<bool(const PanePixels&)>& seen, int dy = 0,
                        int moves = 8) {
        const POINT from = Screen(grab);
        EXPECT_TRUE(XMoveTo(from));
        EXPECT_TRUE(XLeftButton(true));
        for (int i = 1; i <= moves; ++i) {
            EXPECT_TRUE(XMoveTo({from.x + dx * i / moves, from.y + dy * i / moves}));
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

    // How the pane draws what a drag moves while the button is held: the drawing stays where the
    // last drop put it, the dashed image alone following the pointer; or all of it moves.
    enum class Rule { Stays, Moves };

    // What a drag showed while held, and what it is compared with.
    struct HeldPicture {
        PanePixels held, reference;
        POINT offset{0, 0};  // from the held picture's places to the reference's
        std::unique_ptr<ReadBack> saved;  // the document after the drop
    };

    // Selects the element under the pane point with a click; answers the pane's pixels once it
    // shows a change and then stays as it is.
    PanePixels SelectAt(POINT at) {
        const PanePixels before(pane_);
        EXPECT_TRUE(XMoveTo(Screen(at)));
        EXPECT_TRUE(XLeftButton(true));
        EXPECT_TRUE(XLeftButton(false));
        std::optional<PanePixels> last;
        PanePixels now(pane_);
        EXPECT_TRUE(WaitFor([&] {
            now = PanePixels(pane_);
            const bool steady = !SamePixels(now, before) && last && SamePixels(*last, now);
            last = now;
            return steady;
        }, 5000)) << "the click shows no selection";
        return now;
    }

    // Opens a new window on the document where the first one is and answers its pane's pixels once
    // drawn, with the offset from the first pane's places (where it showed dark pixels before the
    // drag, their top-left corner an element's that keeps its place) to the new pane's.
    PanePixels FreshWindow(const RECT& darkBefore, POINT& offset) {
        PostMessageW(frame_, WM_COMMAND, MAKEWPARAM(ID_WINDOW_NEW, 0), 0);
        HWND fresh = nullptr;
        EXPECT_TRUE(WaitFor([&] {
            for (HWND w : VisibleWindows(editor_.Id()))
                if (w != frame_) fresh = w;
            return fresh != nullptr;
        })) << "no new window";
        HWND pane = fresh ? PlaceLarge(fresh) : nullptr;
        EXPECT_NE(pane, nullptr) << "the new window takes no place";
        if (pane == nullptr) return PanePixels(pane_);
        const RECT dark = ShownDark(pane);
        offset = {dark.left - darkBefore.left, dark.top - darkBefore.top};
        return PanePixels(pane);
    }

    // Drags what the pane point grab takes by dx pixels right and dy down, the model rectangle image
    // of the dragged image expected to move by as much (its top-left corner by the drag's shift in
    // the grid's steps); the held picture is taken once the image shows there and the pane stays as
    // it is. With the rule Stays the reference is the pane before the drag, the dragged element
    // selected first by a click at select; with Moves, a new window on the document after the drop.
    HeldPicture HoldAndCompare(Rule rule, const PaneMap& map, POINT select, POINT grab, int dx, int dy,
                               const zq::Rect& image) {
        const PanePixels selected = SelectAt(select);
        const zq::Rect at = Shifted(image, ShiftOf(dx, dy));
        const int l = map.X(at.left) + 3, r = map.X(at.right) - 3, t = map.Y(at.top) + 3, b = map.Y(at.bottom) - 3;
        auto imageThere = [&](const PanePixels& s) {
            const int row = RowNear(s, map.Y(at.top), l, r), column = EdgeNear(s, map.X(at.left), t, b);
            return Share(s, {l, row}, {r, row}, Ink::Dark) > 0.3 && Share(s, {column, t}, {column, b}, Ink::Dark) > 0.3;
        };
        std::optional<PanePixels> last;
        bool seen = false;
        PanePixels held = HoldDrag(grab, dx, [&](const PanePixels& s) {
            seen = imageThere(s) && last && SamePixels(*last, s);
            last = s;
            return seen;
        }, dy);
        EXPECT_TRUE(seen) << "no steady drag image at the pointer while the button is held";
        HeldPicture result{held, selected};
        result.saved = SaveAndRead();
        if (rule == Rule::Moves) result.reference = FreshWindow(map.shown, result.offset);
        return result;
    }

    // Expects the held picture alike to its reference in the region, but for the rectangles left out.
    static void ExpectAlike(const HeldPicture& p, const RECT& region, const std::vector<RECT>& left, const char* what) {
        const Unlike unlike = Compare(p.held, p.reference, p.offset, region, left);
        EXPECT_LE(unlike.count, 4) << what << ": " << unlike.count << " pixels differ, the first at "
                                   << unlike.first.x << "," << unlike.first.y;
    }

    // Opens the document (of the diagram type) of a Box with a Q qualifier on its right side and drags
    // the qualifier down along that side by 60 pixels: the held pane is drawn by the rule, the
    // qualifier kept to the side, the box's corners marked with the dashed marks of a drag along it.
    template <class Box, class Q>
    void ExpectQualifierDragHeld(int type, const std::string& document, Rule rule) {
        ASSERT_NO_FATAL_FAILURE(Open(type, document));
        const auto* box = First<Box>(*model_->model);
        const auto* qualifier = First<Q>(*model_->model);
        ASSERT_TRUE(box && qualifier);
        const zq::Rect r = box->GetRect(), k = qualifier->GetRect();
        ASSERT_EQ(k.left, r.right);
        const PaneMap map = Map({r.left, r.top, k.right, r.bottom});
        const HeldPicture p = HoldAndCompare(rule, map, {map.X(k.right) - 6, map.Y(k.top) + 5},
                                             {map.X(k.left) + 6, map.Y(k.bottom) - 5}, 0, 60, k);
        const auto* moved = First<Q>(*p.saved->model);
        ASSERT_TRUE(moved);
        const zq::Rect n = moved->GetRect();
        EXPECT_EQ(n.left, r.right) << "the qualifier left its box's side";
        EXPECT_NEAR(n.top - k.top, ShiftOf(0, 60).y, 100) << "the qualifier was not dropped where it was dragged";
        std::vector<RECT> left;
        AddOutline(left, map, n);
        // The dashed marks at the box's corners, 400 units out from each.
        for (const zq::Point& c : {r.TopLeft(), zq::Point(r.right, r.top), r.BottomRight(), zq::Point(r.left, r.bottom)})
            left.push_back(Around(map, {c.x, c.y, c.x, c.y}, 18));
        ExpectAlike(p, Around(map, {r.left, r.top, k.right, r.bottom}, 30), left, "the qualifier dragged along its box");
    }

    TempFolder folder_{L"QuorvelDragFeedback"};
    std::list<Process> handOver_;  // the starts that handed further documents to the editor
    std::wstring file_;
    Process editor_;
    HWND frame_ = nullptr, pane_ = nullptr;
    std::unique_ptr<ReadBack> model_;
};

// Two boxes of the kind, by default 40 mm wide, with their tops lined up and 60 mm apart.
std::string TwoBoxes(const std::string& kind, const std::string& inside = "<Text>n</Text>",
                     const std::string& size = "4000 2000", int secondLeft = 12000) {
    return "<" + kind + " id=\"r2\" Pos=\"2000 -3000\" Size=\"" + size + "\">" + inside + "</" + kind + ">\n<" + kind +
           " id=\"r3\" Pos=\"" + std::to_string(secondLeft) + " -3000\" Size=\"" + size + "\">" + inside + "</" +
           kind + ">\n";
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

// Two boxes of a diagram kind, 20 mm wide and 10 mm high, their tops lined up and 100 mm apart:
// dragged 100 pixels towards the other, a box's own far corner lies nearer than the other's.
struct FarPair {
    const char* name;
    int type;
    std::string elements;
    bool centres;  // edge-centre marks (ellipses): the guide runs at mid-height
};

void PrintTo(const FarPair& pair, std::ostream* out) { *out << pair.name; }

class FarGuide : public DragFeedback, public ::testing::WithParamInterface<FarPair> {};

// While held, a guide runs from the dragged box's right side to the other box's facing left side.
TEST_P(FarGuide, ADraggedBoxLinesUpWithAFarBoxNotWithItsOwnCorners) {
    ASSERT_NO_FATAL_FAILURE(Open(GetParam().type, GetParam().elements));
    const zq::Rect a{2000, -3000, 4000, -4000}, b{14000, -3000, 16000, -4000};
    const PaneMap map{a, ShownDark(pane_)};  // the first box's top-left corner is the drawing's
    const int row = GetParam().centres ? (map.Y(a.top) + map.Y(a.bottom)) / 2 : map.Y(a.top), dx = 100;
    const int from = map.X(a.right + ShiftOf(dx, 0).x) + 4, to = map.X(b.left) - 4;
    auto guide = [&](const PanePixels& s) { return Share(s, {from, row}, {to, row}, Ink::Blue); };
    const PanePixels held = HoldDrag({(map.X(a.left) + map.X(a.right)) / 2, map.Y(a.bottom) - 6}, dx,
                                     [&](const PanePixels& s) { return guide(s) > 0.2; });
    EXPECT_GT(guide(held), 0.2) << "no guide from the dragged box to the far one";
    // Nor one back to where the box was (an object's or a state's drawing stays there while held).
    const int was = map.X(a.right) + 4, image = map.X(a.left + ShiftOf(dx, 0).x) - 4;
    EXPECT_EQ(Share(held, {was, row}, {image, row}, Ink::Blue), 0.0) << "a guide to the dragged box's own place";
}

INSTANTIATE_TEST_SUITE_P(
    EveryDiagramKind, FarGuide,
    ::testing::Values(
        FarPair{"Class", 1, TwoBoxes("Class", "<Text>n</Text>", "2000 1000", 14000), false},
        FarPair{"Object", 2, TwoBoxes("Object", "<Text>n</Text>", "2000 1000", 14000), false},
        FarPair{"State", 5, TwoBoxes("State", "<Text>n</Text>", "2000 1000", 14000), false},
        FarPair{"UseCase", 3, TwoBoxes("UseCase", "<Text>n</Text>", "2000 1000", 14000), true},
        FarPair{"System", 3, TwoBoxes("System", "<Text>n</Text>", "2000 1000", 14000), false},
        FarPair{"Sequence", 4,
                "<SeqObject id=\"r2\" Pos=\"2000 -3000\" Size=\"2000 1000\"><Text>a</Text>"
                "<LifeLine id=\"r4\" Pos=\"3000 -4000\" Len=\"2000\" Dying=\"0\"/></SeqObject>\n"
                "<SeqObject id=\"r3\" Pos=\"14000 -3000\" Size=\"2000 1000\"><Text>b</Text>"
                "<LifeLine id=\"r5\" Pos=\"15000 -4000\" Len=\"2000\" Dying=\"0\"/></SeqObject>\n",
                false}),
    [](const ::testing::TestParamInfo<FarPair>& info) { return std::string(info.param.name); });

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
// The state's compartment lies right under its name, as a resize lays it out: the name in the
// default font takes 500 with its margins.
const char* const kObjectWithCompartment =
    "<Object id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 2000\">\n<Text>a : A</Text>\n"
    "<Compartment id=\"r3\" Pos=\"2000 -3000\" Size=\"6000 1000\"><Text>x = 1</Text></Compartment>\n</Object>\n";
const char* const kStateWithCompartment =
    "<State id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 1100\">\n<Text>Idle</Text>\n"
    "<Compartment id=\"r3\" Pos=\"2000 -2500\" Size=\"6000 600\"><Text>do / x</Text></Compartment>\n</State>\n";

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


// While the button is held, whatever a drag moves is drawn by one rule: a window then shows what a
// fresh window shows of the same document before the drag (the dragged elements selected) with the
// drag's dashed image, in the object and state diagrams; or what it shows after the drop, in the
// class and sequence diagrams, but for the image's own lines and marks.
const char* const kClassWithQualifier =
    "<Class id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 3000\">\n<Text>Order</Text>\n</Class>\n"
    "<Qualifier id=\"r3\" Pos=\"8000 -2500\" Size=\"1000 600\" Class=\"r2\"><Text>nr</Text></Qualifier>\n";
const char* const kObjectWithQualifier =
    "<Object id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 3000\">\n<Text>a : A</Text>\n</Object>\n"
    "<ObjectQualifier id=\"r3\" Pos=\"8000 -2500\" Size=\"1000 600\" Object=\"r2\"><Text>id</Text></ObjectQualifier>\n";

// A class's qualifier moves whole, its text with its box, as its class does.
TEST_F(DragFeedback, AClassQualifierIsDrawnWholeWhereItIsHeld) {
    ExpectQualifierDragHeld<Class::Class, Class::Qualifier>(1, kClassWithQualifier, Rule::Moves);
}

// An object's qualifier stays drawn with its text where it was, as its object does.
TEST_F(DragFeedback, AnObjectQualifierStaysDrawnWithItsTextWhileHeld) {
    ExpectQualifierDragHeld<Object::Object, Object::Qualifier>(2, kObjectWithQualifier, Rule::Stays);
}

// An object dragged with its qualifier: both stay drawn where they were, their names with them, and
// so do the lines of the link from the qualifier to another object and of a note's connector to the
// dragged one (the note goes along), their new shapes dashed over them, and the link's texts (its
// roles and name).
TEST_F(DragFeedback, AnObjectAndItsQualifierStayDrawnWhileHeld) {
    ASSERT_NO_FATAL_FAILURE(Open(2, std::string(kObjectWithQualifier) +
        "<Object id=\"r4\" Pos=\"16000 -2000\" Size=\"4000 2000\">\n<Text>b : B</Text>\n</Object>\n"
        "<Link id=\"r5\">\n<End id=\"r6\" Pos=\"9000 -2800\" Qualifier=\"r3\" Type=\"1\">\n"
        "<Anchor id=\"r9\" Pos=\"9000 -2800\"><FreeText id=\"r10\" Pos=\"9200 -2600\" Origin=\"4\">"
        "<Text>role</Text></FreeText></Anchor>\n</End>\n"
        "<Segment id=\"r7\" Ends=\"r6 r8\">\n<Anchor id=\"r11\" Pos=\"12500 -2800\">"
        "<FreeText id=\"r12\" Pos=\"12500 -2600\" Origin=\"4\"><Text>owns</Text></FreeText></Anchor>\n</Segment>\n"
        "<End id=\"r8\" Pos=\"16000 -2800\" Object=\"r4\" Type=\"1\">\n"
        "<Anchor id=\"r13\" Pos=\"16000 -2800\"><FreeText id=\"r14\" Pos=\"15800 -2600\" Origin=\"3\">"
        "<Text>0..*</Text></FreeText></Anchor>\n</End>\n</Link>\n"
        "<Note id=\"r21\" Pos=\"10000 -5300\" Size=\"2500 800\">\n<Text>n</Text>\n<NoteConnector id=\"r22\">\n"
        "<SourceEnd id=\"r23\" Pos=\"10000 -5700\"/>\n<Segment id=\"r24\"/>\n<Join id=\"r25\" Pos=\"7000 -5700\"/>\n"
        "<Segment id=\"r26\"/>\n<End id=\"r27\" Pos=\"7000 -5000\" Party=\"r2\"/>\n</NoteConnector>\n</Note>\n"));
    const auto* object = First<Object::Object>(*model_->model);
    const auto* qualifier = First<Object::Qualifier>(*model_->model);
    ASSERT_TRUE(object && qualifier);
    const zq::Rect r = object->GetRect(), k = qualifier->GetRect();
    ASSERT_EQ(r.left, 2000) << "not the first object";
    // The note is the lowest.
    const PaneMap map = Map({r.left, r.top, 20000, -6100});
    // Far enough down that no edge of the image lines up with an edge drawn where the two were.
    constexpr int dx = 150, dy = 30;
    const HeldPicture p = HoldAndCompare(Rule::Stays, map, {map.X(r.left) + 20, map.Y(r.bottom) - 20},
                                         {map.X(r.left) + 8, map.Y(r.bottom) - 8}, dx, dy, r);
    const auto* movedObject = First<Object::Object>(*p.saved->model);
    const auto* movedQualifier = First<Object::Qualifier>(*p.saved->model);
    ASSERT_TRUE(movedObject && movedQualifier);
    const zq::Rect n = movedObject->GetRect(), m = movedQualifier->GetRect();
    const zq::Point shift = n.TopLeft() - r.TopLeft();
    EXPECT_NEAR(shift.x, ShiftOf(dx, dy).x, 100);
    EXPECT_NEAR(shift.y, ShiftOf(dx, dy).y, 100);
    EXPECT_EQ(m, Shifted(k, shift)) << "the qualifier did not move with its object";
    std::vector<RECT> left;
    AddOutline(left, map, n);
    AddOutline(left, map, m);
    // The link's new shape, from the moved qualifier to the other object.
    const zq::Point from{9000 + shift.x, -2800 + shift.y}, to{16000, -2800};
    left.push_back(Around(map, {from.x, std::max(from.y, to.y), to.x, std::min(from.y, to.y)}, 8));
    // The note goes along with the connector from it to the object: their dashed images.
    const auto* movedNote = First<Note::Note>(*p.saved->model);
    ASSERT_TRUE(movedNote);
    EXPECT_EQ(movedNote->GetPos(), zq::Point(10000, -5300) + shift) << "the note did not go along";
    AddOutline(left, map, movedNote->GetRect());
    left.push_back(Around(map, Shifted({7000, -5000, 10000, -5700}, shift), 8));
    ExpectAlike(p, Around(map, {r.left, r.top, 20000, -6100}, 30), left, "the object dragged with its qualifier");
}

// A sequence object's box, lifeline and name all move.
TEST_F(DragFeedback, ASequenceObjectIsDrawnWholeWithItsNameWhereItIsHeld) {
    ASSERT_NO_FATAL_FAILURE(Open(4,
        "<Note id=\"r2\" Pos=\"1000 -1000\" Size=\"2000 1000\"><Text>n</Text></Note>\n"
        "<SeqObject id=\"r3\" Pos=\"4000 -3000\" Size=\"2000 1000\">\n<Text>a : A</Text>\n"
        "<LifeLine id=\"r4\" Pos=\"5000 -4000\" Len=\"4000\" Dying=\"0\"/>\n</SeqObject>\n"));
    const auto* object = First<Sequence::SeqObject>(*model_->model);
    ASSERT_TRUE(object && object->GetLifeLine());
    const zq::Rect r = object->GetRect();
    // The note's top-left corner is the drawing's.
    const PaneMap map{{1000, -1000, 3000, -2000}, ShownDark(pane_)};
    constexpr int dx = 100, dy = 30;
    const HeldPicture p = HoldAndCompare(Rule::Moves, map, {map.X(r.right) - 8, map.Y(r.top) + 6},
                                         {map.X(r.left) + 8, map.Y(r.bottom) - 6}, dx, dy, r);
    const auto* moved = First<Sequence::SeqObject>(*p.saved->model);
    ASSERT_TRUE(moved && moved->GetLifeLine());
    const zq::Rect n = moved->GetRect();
    EXPECT_NEAR(n.left - r.left, ShiftOf(dx, dy).x, 100);
    EXPECT_NEAR(n.top - r.top, ShiftOf(dx, dy).y, 100);
    const zq::Point top = moved->GetLifeLine()->GetTop(), bottom = moved->GetLifeLine()->GetBottom();
    const std::int32_t low = std::min(bottom.y, object->GetLifeLine()->GetBottom().y);
    std::vector<RECT> left;
    AddOutline(left, map, n);
    left.push_back(Around(map, {top.x, top.y, top.x, bottom.y}, 10));
    ExpectAlike(p, Around(map, {r.left, r.top, n.right, low}, 30), left, "the sequence object dragged");
}

// A composite state, its initial state, inner state, region separator and the transition between
// them all stay drawn, and so do the labels of the transition and the separator, with the lines they
// hang on.
TEST_F(DragFeedback, ACompositeStateStaysDrawnWithItsPartsWhileHeld) {
    ASSERT_NO_FATAL_FAILURE(Open(5,
        "<State id=\"r2\" Pos=\"2000 -2000\" Size=\"6000 4000\" Large=\"1\">\n<Text>S</Text>\n"
        "<InitialState id=\"r3\" Pos=\"2600 -3600\"/>\n"
        "<State id=\"r4\" Pos=\"4200 -3400\" Size=\"2500 1200\">\n<Text>A</Text>\n</State>\n"
        "<RegionSeparator id=\"r11\" Pos=\"2000 -5000\" Len=\"6000\">\n<Anchor id=\"r12\" Pos=\"2300 -5000\">"
        "<FreeText id=\"r13\" Pos=\"2300 -4800\" Origin=\"4\"><Text>r</Text></FreeText></Anchor>\n"
        "</RegionSeparator>\n</State>\n"
        "<Transition id=\"r5\">\n<End id=\"r6\" Pos=\"3000 -3800\" State=\"r3\" Type=\"1\"/>\n"
        "<Segment id=\"r7\">\n<Anchor id=\"r9\" Pos=\"3600 -3800\"><FreeText id=\"r10\" Pos=\"3100 -3600\" "
        "Origin=\"4\"><Text>go</Text></FreeText></Anchor>\n</Segment>\n"
        "<End id=\"r8\" Pos=\"4200 -3800\" State=\"r4\" Type=\"2\"/>\n</Transition>\n"));
    // The states, the composite one first (it is the larger).
    auto states = [](const Core::Diagram& model) {
        std::vector<zq::Rect> found;
        for (const Core::ElementPtr& e : model.Elements())
            if (auto* s = dynamic_cast<const State::State*>(e.get()); s && !s->IsDeleted()) found.push_back(s->GetRect());
        std::sort(found.begin(), found.end(), [](const zq::Rect& a, const zq::Rect& b) { return a.Width() > b.Width(); });
        return found;
    };
    const std::vector<zq::Rect> before = states(*model_->model);
    const auto* initial = First<State::InitialState>(*model_->model);
    ASSERT_EQ(before.size(), 2u);
    ASSERT_TRUE(initial);
    const zq::Rect c = before[0], a = before[1], i = initial->GetRect();
    const PaneMap map = Map(c);
    constexpr int dx = 270, dy = 20;
    // A composite state is taken by its border (or its name), not inside.
    const HeldPicture p = HoldAndCompare(Rule::Stays, map, {map.X(c.right) - 3, map.Y(c.top) + 30},
                                         {map.X(c.left) + 3, map.Y(c.bottom) - 20}, dx, dy, c);
    const std::vector<zq::Rect> after = states(*p.saved->model);
    const auto* movedInitial = First<State::InitialState>(*p.saved->model);
    ASSERT_EQ(after.size(), 2u);
    ASSERT_TRUE(movedInitial);
    const zq::Point shift = after[0].TopLeft() - c.TopLeft();
    EXPECT_NEAR(shift.x, ShiftOf(dx, dy).x, 100);
    EXPECT_NEAR(shift.y, ShiftOf(dx, dy).y, 100);
    EXPECT_EQ(after[1], Shifted(a, shift)) << "the inner state did not move with its state";
    EXPECT_EQ(movedInitial->GetRect(), Shifted(i, shift)) << "the initial state did not move with its state";
    std::vector<RECT> left;
    AddOutline(left, map, after[0]);
    AddOutline(left, map, after[1]);
    left.push_back(Around(map, movedInitial->GetRect(), 5));
    // The dashed images of the labels (the labels themselves stay with the lines they hang on) and
    // of the region separator.
    for (const Core::ElementPtr& e : p.saved->model->Elements())
        if (auto* label = dynamic_cast<const Text::FreeText*>(e.get())) AddOutline(left, map, label->GetBox());
    left.push_back(Around(map, Shifted({c.left, -5000, c.right, -5000}, shift), 6));
    // The transition between them, with its arrow head.
    const zq::Rect line{i.right, std::min(i.top, a.top), a.left, std::max(i.bottom, a.bottom)};
    left.push_back(Around(map, Shifted(line, shift), 8));
    ExpectAlike(p, Around(map, {c.left, c.top, after[0].right, std::min(c.bottom, after[0].bottom)}, 30), left,
                "the composite state dragged");
}

// A composite state dragged past the reach of a transition coming down onto its top edge: while held,
// the new path's last leg shows, dashed, plumb onto the dragged edge; saved, the end is where the move
// put it, the far end where it was, the last segment plumb onto the edge and none along a border.
TEST_F(DragFeedback, ACompositeStateDraggedPastATransitionBendsItOntoItsTopEdge) {
    ASSERT_NO_FATAL_FAILURE(Open(5,
        "<State id=\"r2\" Pos=\"2000 -2000\" Size=\"3000 1500\">\n<Text>Idle</Text>\n</State>\n"
        "<State id=\"r3\" Pos=\"2000 -6000\" Size=\"6000 3000\" Large=\"1\">\n<Text>Checkout</Text>\n</State>\n"
        "<Transition id=\"r4\">\n<End id=\"r5\" Pos=\"3000 -3500\" State=\"r2\" Type=\"1\"/>\n<Segment id=\"r6\"/>\n"
        "<End id=\"r7\" Pos=\"3000 -6000\" State=\"r3\" Type=\"2\"/>\n</Transition>\n"));
    const PaneMap map = Map({2000, -2000, 8000, -9000});
    constexpr int dx = 200;  // Checkout's left edge passes x 3000, Idle does not reach as far
    const int x = map.X(3000 + ShiftOf(dx, 0).x), top = map.Y(-4750) + 4, bottom = map.Y(-6000) - 4;
    auto leg = [&](const PanePixels& s) { return Share(s, {x, top}, {x, bottom}, Ink::Dark) > 0.3; };
    EXPECT_TRUE(leg(HoldDrag({map.X(8000) - 3, map.Y(-6000) + 40}, dx, leg))) << "no last leg while held";
    const auto saved = SaveAndRead();
    const State::State* checkout = nullptr;
    const Connector::IConnector* t = First<State::Transition>(*saved->model);
    for (const Core::ElementPtr& e : saved->model->Elements())
        if (auto* s = dynamic_cast<const State::State*>(e.get()); s && s->GetRect().left != 2000) checkout = s;
    ASSERT_TRUE(checkout && t && t->GetEndCount() == 2);
    const double shift = checkout->GetRect().left - 2000;
    EXPECT_NEAR(shift, ShiftOf(dx, 0).x, 100) << "Checkout was not dropped where it was dragged";
    const Connector::IEnd* to = t->GetEnds()[t->GetEnds()[0]->GetTerminal() == checkout ? 0 : 1];
    EXPECT_EQ(t->GetEnds()[to == t->GetEnds()[0] ? 1 : 0]->GetPosition(), zq::float8Point(3000, -3500));
    EXPECT_EQ(to->GetPosition(), zq::float8Point(3000 + shift, -6000)) << "not where Checkout's move put it";
    EXPECT_TRUE(to->GetSegment()->IsVerticalOrtho()) << "the last segment does not meet the top edge square";
    for (const zq::Rect& r : {zq::Rect(2000, -2000, 5000, -3500), checkout->GetRect()})
        EXPECT_FALSE(ConnectorTest::RunsAlongBorder(*t, r)) << "a segment lies along a state's border";
}

// Two classes side by side, joined level from the right side of one to the left side of the other:
// the right one dragged 4000 units straight down and released at the same point after 2, 4, 12 or
// 30 pointer moves, each time in a fresh copy of the document. Every drop saves the same bytes.
TEST_F(DragFeedback, ADropSavesTheSameDocumentHoweverManyPointerMovesLeadThere) {
    const std::string classes =
        "<Class id=\"r2\" Pos=\"2000 -2000\" Size=\"3000 1500\">\n<Text>Order</Text>\n</Class>\n"
        "<Class id=\"r3\" Pos=\"8000 -2000\" Size=\"3000 1500\">\n<Text>Item</Text>\n</Class>\n"
        "<Assoc id=\"r4\">\n<End id=\"r5\" Pos=\"5000 -2700\" Class=\"r2\" Type=\"1\"/>\n"
        "<End id=\"r6\" Pos=\"8000 -2700\" Class=\"r3\" Type=\"1\"/>\n<Segment id=\"r7\" Ends=\"r5 r6\"/>\n</Assoc>\n";
    const int dy = int(std::lround(4000 * kPixelsPerUnit));
    std::string first;
    for (int moves : {2, 4, 12, 30}) {
        const std::wstring name = L"drop" + std::to_wstring(moves) + L".qvd";
        ASSERT_NO_FATAL_FAILURE(Open(1, classes, name));
        const PaneMap map = Map({2000, -2000, 11000, -3500});
        // Held, the dashed image of the class shows its top edge 4000 units lower.
        const int top = map.Y(-2000) + dy, left = map.X(8000) + 6, right = map.X(11000) - 6;
        const auto shown = [&](const PanePixels& s) { return Share(s, {left, top}, {right, top}, Ink::Dark) > 0.3; };
        EXPECT_TRUE(shown(HoldDrag({map.X(9500), map.Y(-3200)}, 0, shown, dy, moves)))
            << "no image at the release point after " << moves << " moves";
        const auto saved = SaveByKeysAndRead();
        const Class::Class* item = nullptr;
        for (const Core::ElementPtr& e : saved->model->Elements())
            if (auto* c = dynamic_cast<const Class::Class*>(e.get()); c && c->GetRect().left == 8000) item = c;
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->GetRect().top, -2000 + ShiftOf(0, dy).y) << "not dropped at the release point";
        const std::string bytes = Bytes(file_);
        if (first.empty()) first = bytes;
        EXPECT_EQ(bytes, first) << "dropped after " << moves << " pointer moves";
    }
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
    const std::optional<RECT> shown = SteadyDarkArea(pane_);
    ASSERT_TRUE(shown.has_value()) << "the pane shows nothing steady";
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
