#pragma once
// The started editor on a hand-written document for the tests that drag with real X input and read
// the pane while the button is held: where the pane shows the model, held drags (also with Ctrl, and
// into another window), and comparisons of the held pane with a window drawn afresh.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/FactoryFixture.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/TourSupport.h"
#include "elements/class/Class.h"
#include "resources/resource.h"
#include "text/win/UniscribeSetup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <vector>

namespace HeldDrag {

using namespace EditorTest;

// Pixels per model unit (0.01 mm) at the zoom a document opens with.
constexpr double kPixelsPerUnit = 96.0 / 2540.0;

// A stored document of the diagram type (1 class, 2 object, 5 state) holding the elements.
inline std::string DiagramDocument(int type, const std::string& elements) {
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

inline bool Inked(const PanePixels& shot, int x, int y, Ink ink) {
    if (ink == Ink::Dark) return shot.Dark(x, y);
    const DWORD p = shot.At(x, y);
    return (p & 0xFF) >= 180 && ((p >> 8) & 0xFF) < 100 && ((p >> 16) & 0xFF) < 100;
}

// The share of the places along a horizontal or vertical stretch of pixels, from a to b, where a
// pixel of the ink lies within one pixel across the stretch: about a half for a marker line, a
// third for a guide, none where nothing is drawn.
inline double Share(const PanePixels& shot, POINT a, POINT b, Ink ink) {
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
inline bool SamePixels(const PanePixels& a, const PanePixels& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.At(x, y) != b.At(x, y)) return false;
    return true;
}

// Whether two pixels look alike: each colour within 64 of the other's.
inline bool Alike(DWORD a, DWORD b) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 64) return false;
    return true;
}

// Whether the other picture shows a pixel alike to p within one pixel of (x, y).
inline bool ShownNear(DWORD p, const PanePixels& other, int x, int y) {
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
inline Unlike Compare(const PanePixels& held, const PanePixels& reference, POINT offset, RECT region,
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
inline RECT Around(const PaneMap& map, const zq::Rect& r, int grow) {
    const POINT a = map.At(r.TopLeft()), b = map.At(r.BottomRight());
    return {a.x - grow, a.y - grow, b.x + grow + 1, b.y + grow + 1};
}

// Adds the bands along the four edges of a model rectangle, five pixels to each side of them: where
// a dashed image of it with its corner marks, or the handles on its edges, are drawn.
inline void AddOutline(std::vector<RECT>& left, const PaneMap& map, const zq::Rect& r) {
    const RECT o = Around(map, r, 5), i = Around(map, r, -5);
    left.push_back({o.left, o.top, o.right, i.top});
    left.push_back({o.left, i.bottom, o.right, o.bottom});
    left.push_back({o.left, o.top, i.left, o.bottom});
    left.push_back({i.right, o.top, o.right, o.bottom});
}

// The model shift of a drag by the pixels (right and down), in the grid's steps of 100.
inline zq::Point ShiftOf(int dx, int dy) {
    auto step = [](double units) { return std::int32_t(std::lround(units / 100)) * 100; };
    return {step(dx / kPixelsPerUnit), -step(dy / kPixelsPerUnit)};
}

inline zq::Rect Shifted(const zq::Rect& r, const zq::Point& by) {
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
        OpenDocument(DiagramDocument(type, elements), name);
    }

    // Starts the editor on a file of the folder holding the document's bytes (or hands it over).
    void OpenDocument(const std::string& bytes, const std::wstring& name) {
        file_ = folder_.AddFile(name, bytes);
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
        return HoldDragOnScreen(from, {from.x + dx, from.y + dy}, seen, false, moves);
    }

    // Presses at the screen point from, moves to the screen point to in `moves` steps with the button
    // held (with Ctrl pressed once the drag is under way, for a copy), and answers the pane's pixels
    // once seen(pixels) holds (or the last ones after a while); then lets go of the button and Ctrl.
    PanePixels HoldDragOnScreen(POINT from, POINT to, const std::function<bool(const PanePixels&)>& seen, bool copy,
                                int moves = 8) {
        EXPECT_TRUE(XMoveTo(from));
        EXPECT_TRUE(XLeftButton(true));
        for (int i = 1; i <= moves; ++i) {
            EXPECT_TRUE(XMoveTo({from.x + (to.x - from.x) * i / moves, from.y + (to.y - from.y) * i / moves}));
            // Ctrl pressed with the button would toggle the selection instead.
            if (copy && i == 2) {
                EXPECT_TRUE(XControlKey(true));
            }
            Pace();
        }
        PanePixels shot(pane_);
        WaitFor([&] { return seen(shot = PanePixels(pane_)); });
        EXPECT_TRUE(XLeftButton(false));
        if (copy) {
            EXPECT_TRUE(XControlKey(false));
        }
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
        const std::vector<HWND> known = VisibleWindows(editor_.Id());
        PostMessageW(frame_, WM_COMMAND, MAKEWPARAM(ID_WINDOW_NEW, 0), 0);
        HWND fresh = nullptr;
        EXPECT_TRUE(WaitFor([&] {
            for (HWND w : VisibleWindows(editor_.Id()))
                if (std::find(known.begin(), known.end(), w) == known.end()) fresh = w;
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
        HeldPicture result{held, selected, {}, nullptr};
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

} // namespace HeldDrag
