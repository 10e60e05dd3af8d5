// Real mouse gestures on boxes that connectors end on, in every hand-written document opened in a
// started editor, at 100 % and at 50 %: a box nudged 40 pixels each way, dragged past the box at the
// other end of one of its connectors, copied with a Ctrl-drag near and far, grown, narrowed and pushed
// in to its least size by its corner handle. After each, the document saved with Ctrl+S and read back
// has no fault it did not have before (an end off its box's or bar's outline, a segment inside or
// along a box it ends on, a connector shrunk to a point, a connector's text off its segment or over a
// box, two texts of one end or segment over each other, a separator's text off its separator, a text
// that left its place beside an anchor that kept its point) and no free end attached; Ctrl+Z then
// undoes the gesture. A run takes one box per document and a few gestures at one zoom each, and every
// sequence object holding a call to itself with a text nudged up and down at both zooms;
// QUORVEL_DRAG_SWEEP=all takes every box, every gesture and both zooms.
#include "Editor/tests/HeldDrag.h"
#include "Editor/tests/probe/ProbeClient.h"
#include "elements/state/RegionSeparator.h"
#include "elements/state/tests/SeparatorChecks.h"
#include "page/Page.h"
#include "text/tests/LabelChecks.h"
#include "view/connector/tests/Borders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace DraggedPathsTest {
namespace {

using namespace EditorTest;
using namespace HeldDrag;

// How many boxes of each document a run takes (each costs editor_tests a few seconds); a sweep takes all.
constexpr int kBoxesPerDocument = 1;

// Whether the run is a developer's sweep (QUORVEL_DRAG_SWEEP=all): every box, gesture and zoom.
bool Sweep() {
    const char* sweep = std::getenv("QUORVEL_DRAG_SWEEP");
    return sweep != nullptr && std::string(sweep) == "all";
}

// Gestures that still leave a fault, by document, box, gesture and zoom (as the model table lists them).
const std::set<std::string> kKnownFaults = {};

// The connectors' path faults, those shrunk to a point, the texts off their segments, over a box or
// over another text of their owner, and the separators' texts off their lines.
std::set<std::string> Faults(const Core::Diagram& diagram) {
    std::set<std::string> faults = ConnectorTest::PathFaults(diagram);
    faults.merge(ConnectorTest::ShrinkFaults(diagram));
    faults.merge(TextTest::LabelFaults(diagram));
    faults.merge(StateTest::SeparatorTextFaults(diagram));
    return faults;
}

// A box dragged, copied with Ctrl held, or reshaped by its bottom-right handle, by a model offset.
enum class Kind { Move, Copy, Handle };
struct Gesture {
    std::string name;
    Kind kind;
    zq::Point by;
};

// The boxes of the diagram, their rectangles normalised (y up: top above bottom).
std::vector<std::pair<Core::ObjectId, zq::Rect>> Boxes(const Core::Diagram& d) {
    std::vector<std::pair<Core::ObjectId, zq::Rect>> boxes;
    for (const Core::ElementPtr& e : d.Elements())
        if (auto* b = dynamic_cast<const Core::IResizable*>(e.get()); b && !e->IsDeleted())
            boxes.emplace_back(e->GetObjectId(), b->GetRect().Normalized());
    return boxes;
}

bool Overlap(const zq::Rect& a, const zq::Rect& b) {
    return a.left < b.right && b.left < a.right && a.bottom < b.top && b.bottom < a.top;
}

// The box an end lies on, as a drag takes it: a qualifier goes with the box it hangs on, a lifeline
// or pseudo-state with the box that holds it, a note connector's end without a terminal with its note.
const Core::IResizable* BoxOf(const Connector::IConnector& c, const Connector::IEnd& end) {
    if (end.IsDeleted()) return nullptr;
    const Core::IModelElement* e = end.GetTerminal() ? end.GetTerminal() : dynamic_cast<const Core::IModelElement&>(c).GetOwner();
    if (const auto* terminal = dynamic_cast<const Core::ITerminal*>(e))
        if (const Core::IResizable* carrier = terminal->GetCarrierBox()) return carrier;
    for (; e; e = e->GetOwner())
        if (const auto* box = dynamic_cast<const Core::IResizable*>(e)) return box;
    return nullptr;
}

// A box that a connector joins to another box, and the shift that takes it past that box to a
// free place beyond it, along the axis the two lie apart on.
struct Target {
    Core::ObjectId id;
    zq::Rect rect;
    zq::Point past;
    bool pastFree;  // whether the place past the partner is free
};

zq::Point PastShift(const zq::Rect& r, const zq::Rect& partner) {
    const auto step = [](double d) { return std::int32_t(std::lround(d / 100)) * 100; };
    const double gapX = std::max(partner.left - r.right, r.left - partner.right);
    const double gapY = std::max(partner.bottom - r.top, r.bottom - partner.top);
    if (gapX >= gapY)
        return {step(r.right <= partner.left ? partner.right + 1000 - r.left : partner.left - 1000 - r.right), 0};
    return {0, step(r.top <= partner.bottom ? partner.top + 1000 - r.bottom : partner.bottom - 1000 - r.top)};
}

// The boxes a connector joins to another box, or else to a place on a line or a small terminal
// (a pseudo-state, a lifeline), boxes first.
std::vector<Target> Targets(const Core::Diagram& d) {
    auto obstacles = Boxes(d);
    std::vector<std::tuple<const Core::IResizable*, zq::Rect, bool>> pairs;  // box, partner, partner a box
    for (const Core::ElementPtr& e : d.Elements())
        if (auto* c = dynamic_cast<const Connector::IConnector*>(e.get()); c && !e->IsDeleted())
            for (Connector::IEnd* a : c->GetEnds()) {
                const zq::Point at = zq::RoundPoint(a->GetPosition());
                obstacles.emplace_back(0, zq::Rect::FromCorners(at, at).Inflated(300));
                for (Connector::IEnd* b : c->GetEnds()) {
                    const Core::IResizable *box = BoxOf(*c, *a), *partner = BoxOf(*c, *b);
                    const zq::Point there = zq::RoundPoint(b->GetPosition());
                    if (box && a != b && box != partner)
                        pairs.emplace_back(box, partner ? partner->GetRect().Normalized() : zq::Rect::FromCorners(there, there),
                                           partner != nullptr);
                }
            }
    std::stable_partition(pairs.begin(), pairs.end(), [](const auto& p) { return std::get<2>(p); });
    std::vector<Target> found;
    for (const auto& [box, p, boxed] : pairs) {
        const zq::Rect r = box->GetRect().Normalized();
        const Core::ObjectId id = box->GetObjectId();
        auto known = std::find_if(found.begin(), found.end(), [&](const Target& t) { return t.id == id; });
        if (known == found.end()) known = found.insert(found.end(), Target{id, r, {0, 0}, false});
        if (known->pastFree || Overlap(r, p) || r.Contains(p) || p.Contains(r)) continue;
        const zq::Point by = PastShift(r, p);
        const zq::Rect to{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
        // Dropped where it only lies on what held it before (a package) and on its own parts.
        const bool free = std::none_of(obstacles.begin(), obstacles.end(), [&](const auto& k) {
            return Overlap(k.second, to.Inflated(300)) && !r.Contains(k.second) &&
                   !(k.second.Contains(r) && k.second.Contains(to));
        });
        if (free) known->past = by, known->pastFree = true;
    }
    // The boxes that hold a region separator, whose text moves with it.
    for (const Core::ElementPtr& e : d.Elements())
        if (dynamic_cast<const State::RegionSeparator*>(e.get()) && !e->IsDeleted())
            for (const Core::IModelElement* o = e->GetOwner(); o; o = o->GetOwner())
                if (const auto* box = dynamic_cast<const Core::IResizable*>(o)) {
                    const Core::ObjectId id = o->GetObjectId();
                    if (std::none_of(found.begin(), found.end(), [&](const Target& t) { return t.id == id; }))
                        found.push_back({id, box->GetRect().Normalized(), {0, 0}, false});
                    break;
                }
    // A run that takes a few boxes takes those whose partner they can be dragged past first.
    std::stable_partition(found.begin(), found.end(), [](const Target& t) { return t.pastFree; });
    return found;
}

const zq::Point kGrowth(1000, -600);

// Model units in the grid's steps of 100 of the pixels at k pixels per unit.
std::int32_t Units(double pixels, double k) { return std::int32_t(std::lround(pixels / k / 100)) * 100; }

// Every gesture on the box at k pixels per unit in a pane w pixels wide, in a fixed order: nudges of
// 40 pixels each way, past its partner, Ctrl copies 25 mm down and as far right as the pane shows (up
// to 100 mm), and its corner handle pulled out, pushed in to the least size and pulled in to narrow it.
std::vector<Gesture> Gestures(const Target& t, double k, int w) {
    const std::int32_t nudge = Units(40, k), width = t.rect.Width(), height = t.rect.Height();
    const std::int32_t farthest = std::clamp<std::int32_t>(Units(w - 120, k) - width, 0, 10000);
    return {{"nudged 40 px right", Kind::Move, {nudge, 0}},
            {"nudged 40 px left", Kind::Move, {-nudge, 0}},
            {"nudged 40 px up", Kind::Move, {0, nudge}},
            {"nudged 40 px down", Kind::Move, {0, -nudge}},
            {"dragged past its partner", Kind::Move, t.past},
            {"copied 25 mm down with a Ctrl-drag", Kind::Copy, {0, -2500}},
            {"copied " + std::to_string(farthest / 100) + " mm right with a Ctrl-drag", Kind::Copy, {farthest, 0}},
            {"grown by its bottom-right handle", Kind::Handle, kGrowth},
            {"pushed in to its least size by its corner handle", Kind::Handle, {-(width / 100) * 100, (height / 100) * 100}},
            {"narrowed by its corner handle", Kind::Handle, {-(width / 300) * 100, 0}}};
}

// The ids of the elements whose bounds differ between two versions of a document, or that only one has.
std::string Changed(const Core::Diagram& before, const Core::Diagram& after) {
    std::string changed;
    for (const Core::ElementPtr& e : after.Elements()) {
        const auto* now = dynamic_cast<const Core::IPointable*>(e.get());
        const auto* old = dynamic_cast<const Core::IPointable*>(before.FindElementById(e->GetObjectId()));
        zq::Rect a, b;
        if (now && now->GetBoundingRect(a) && !(old && old->GetBoundingRect(b) && a == b))
            changed += " r" + std::to_string(e->GetObjectId());
    }
    return changed;
}

// What the gesture reaches: the box and where it goes, or its reshaped rectangle.
zq::Rect Reach(const zq::Rect& r, const Gesture& g) {
    if (g.kind == Kind::Handle)
        return {r.left, r.top, std::max(r.right, r.right + g.by.x), std::min(r.bottom, r.bottom + g.by.y)};
    return {std::min(r.left, r.left + g.by.x), std::max(r.top, r.top + g.by.y), std::max(r.right, r.right + g.by.x),
            std::min(r.bottom, r.bottom + g.by.y)};
}

// Whether a move or copy of the box lands off every other box but those that hold it there too
// (a package) and its own parts, and a copy off the box itself.
bool LandsFree(const Core::Diagram& d, const Target& t, const Gesture& g) {
    if (g.name == "dragged past its partner") return t.pastFree;
    if (g.kind == Kind::Handle) return true;
    const zq::Rect& r = t.rect;
    const zq::Rect to{r.left + g.by.x, r.top + g.by.y, r.right + g.by.x, r.bottom + g.by.y};
    if (g.kind == Kind::Copy && Overlap(r.Inflated(300), to)) return false;
    const auto boxes = Boxes(d);
    return std::none_of(boxes.begin(), boxes.end(), [&](const auto& k) {
        return Overlap(k.second, to.Inflated(300)) && !r.Contains(k.second) && !(k.second.Contains(r) && k.second.Contains(to));
    });
}

// Whether the box holds a call to itself (a message both of whose ends lie on it, its line or its
// bars) that carries a text: a drag straight up or down takes the call only sideways.
bool HoldsSelfCallText(const Core::Diagram& d, Core::ObjectId box) {
    return std::any_of(d.Elements().begin(), d.Elements().end(), [&](const Core::ElementPtr& e) {
        const auto* anchor = dynamic_cast<const Text::Anchor*>(e.get());
        const auto* segment = anchor ? dynamic_cast<const Connector::ISegment*>(anchor->GetOwner()) : nullptr;
        const Connector::IConnector* c = segment ? segment->GetConnector() : nullptr;
        return c != nullptr && !e->IsDeleted() &&
               std::all_of(c->GetEnds().begin(), c->GetEnds().end(), [&](const Connector::IEnd* end) {
                   const Core::IResizable* on = BoxOf(*c, *end);
                   return on != nullptr && on->GetObjectId() == box;
               });
    });
}

// Whether the gesture (by its place in Gestures) is a nudge straight up or down.
bool Vertical(std::size_t gesture) { return gesture == 2 || gesture == 3; }

// Whether a run takes the gesture (by its place in Gestures) at the zoom (0 for 100 %, 1 for 50 %)
// in the document (by its place in the table): a sweep all; otherwise each document one zoom, the
// move past the partner and two of the others, taken in turn, so that the table goes through every
// gesture at both zooms; and on a box holding a call to itself with a text, the nudges up and down
// at both zooms.
bool Taken(std::size_t document, std::size_t gesture, int zoom, bool selfCall) {
    if (Sweep() || (selfCall && Vertical(gesture))) return true;
    if (zoom != int(document % 2)) return false;
    if (gesture == 4) return true;
    const std::size_t other = gesture < 4 ? gesture : gesture - 1, first = (2 * document) % 9;
    return other == first || other == (first + 1) % 9;
}

class DraggedPaths : public DragFeedback, public ::testing::WithParamInterface<const char*> {
protected:
    // The pane's pixel of a model point: the model at the page's scale, less the scroll bars' places.
    POINT At(const zq::Point& p) const {
        return {int(std::lround(p.x * k_)) - Pos(bars_[0]), int(std::lround(-p.y * k_)) - Pos(bars_[1])};
    }
    static int Pos(HWND bar) {
        SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
        GetScrollInfo(bar, SB_CTL, &si);
        return si.nPos;
    }
    static BOOL CALLBACK CollectBar(HWND w, LPARAM bars) {
        wchar_t cls[16] = L"";
        GetClassNameW(w, cls, 16);
        const LONG style = GetWindowLongW(w, GWL_STYLE);
        if (_wcsicmp(cls, L"ScrollBar") == 0 && IsWindowVisible(w) && !(style & (SBS_SIZEBOX | SBS_SIZEGRIP)))
            reinterpret_cast<HWND*>(bars)[(GetWindowLongW(w, GWL_STYLE) & SBS_VERT) ? 1 : 0] = w;
        return TRUE;
    }

    // Drags the scroll bar's thumb so that the pane scrolls by about the pixels (right or down) and
    // waits until it scrolled; false when it does not.
    bool ScrollBy(HWND bar, int pixels) {
        SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
        RECT s{};
        if (!GetScrollInfo(bar, SB_CTL, &si) || !GetWindowRect(bar, &s)) return false;
        const bool vertical = bar == bars_[1];
        const int length = vertical ? s.bottom - s.top : s.right - s.left;
        const int arrow = GetSystemMetrics(vertical ? SM_CYVSCROLL : SM_CXHSCROLL), track = length - 2 * arrow;
        const int range = si.nMax - si.nMin + 1, span = std::max(1, range - int(si.nPage));
        const int thumb = std::max(8, int(track * std::int64_t(si.nPage) / range));
        const int middle = arrow + int((si.nPos - si.nMin) * std::int64_t(track - thumb) / span) + thumb / 2;
        const int by = int(std::lround(double(pixels) * (track - thumb) / span));
        if (by == 0) return false;
        const auto at = [&](int along) {
            return vertical ? POINT{(s.left + s.right) / 2, s.top + along} : POINT{s.left + along, (s.top + s.bottom) / 2};
        };
        return XMoveTo(at(middle)) && XLeftButton(true) && XMoveTo(at(middle + by)) && XLeftButton(false) &&
               WaitFor([&] { return Pos(bar) != si.nPos; });
    }

    // Scrolls with the thumbs until the pane shows the model rectangle 40 pixels away from its edges;
    // false when the pane cannot scroll there (past the drawing's end).
    bool Reveal(const zq::Rect& r) {
        RECT c{};
        GetClientRect(pane_, &c);
        for (int drag = 0; drag < 6; ++drag) {
            const POINT a = At(r.TopLeft()), b = At(r.BottomRight());
            const bool across = a.x < 40 || b.x > c.right - 40, down = a.y < 40 || b.y > c.bottom - 40;
            if (!across && !down) return true;
            const int by = down ? (a.y + b.y - c.bottom) / 2 : (a.x + b.x - c.right) / 2;
            if (!ScrollBy(bars_[down ? 1 : 0], by)) return false;
        }
        return false;
    }

    // Where a press takes the box itself: the point of the band above the boxes inside it (its
    // header; only its top 1.5 mm where that band is taller than 10 mm) farthest from its edges,
    // from the connectors and the texts at their ends, off the texts anchored on lines, and off
    // boxes it does not hold.
    POINT Grab(const zq::Rect& r) const {
        const auto boxes = Boxes(*model_->model);
        std::int32_t low = r.bottom;
        bool holds = false;
        for (const auto& [id, k] : boxes)
            if (!(k == r) && k.left >= r.left && k.right <= r.right && k.top <= r.top && k.bottom >= r.bottom)
                low = std::max(low, k.top), holds = true;
        // Farther below a composite state's or a system's edge a press takes a region, no box.
        if (holds && r.top - low > 1000) low = r.top - 150;
        std::vector<std::pair<zq::float8Point, zq::float8Point>> lines;
        for (const Core::ElementPtr& e : model_->model->Elements())
            if (auto* c = dynamic_cast<const Connector::IConnector*>(e.get()); c && !e->IsDeleted())
                for (Connector::ISegment* sg : c->GetSegmentList()) {
                    Connector::ISegmentEnd *a, *b;
                    if (sg->GetEnds(a, b)) lines.emplace_back(a->GetPoint(), b->GetPoint());
                }
        std::vector<zq::Rect> texts;
        for (const Core::ElementPtr& e : model_->model->Elements())
            if (auto* text = dynamic_cast<const Text::FreeText*>(e.get()); text && !e->IsDeleted())
                texts.push_back(text->GetBox().Normalized().Inflated(200));
        const auto clearance = [&](const zq::float8Point& p) {
            double d = std::min({p.x - r.left, r.right - p.x, r.top - p.y, p.y - low});
            for (const auto& [a, b] : lines) {
                const double dx = b.x - a.x, dy = b.y - a.y, n = dx * dx + dy * dy;
                const double f = n > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / n, 0.0, 1.0) : 0;
                // The texts at a connector's ends (multiplicities, roles) lie within 600 of them.
                const double ends = std::min(std::hypot(p.x - a.x, p.y - a.y), std::hypot(p.x - b.x, p.y - b.y));
                d = std::min({d, std::hypot(p.x - a.x - f * dx, p.y - a.y - f * dy), ends - 600});
            }
            for (const auto& [id, k] : boxes)
                if (!(k.left <= r.left && k.right >= r.right && k.top >= r.top && k.bottom <= r.bottom) &&
                    p.x >= k.left && p.x <= k.right && p.y <= k.top && p.y >= k.bottom)
                    d = -1;
            // A press on a connector's or separator's text over the box takes the text.
            for (const zq::Rect& k : texts)
                if (p.x >= k.left && p.x <= k.right && p.y <= k.top && p.y >= k.bottom) d = -1;
            return d;
        };
        zq::float8Point best{(r.left + r.right) / 2.0, (r.top + low) / 2.0};
        double most = clearance(best);
        for (int i = 1; i < 20; ++i)
            for (int j = 1; j < 8; ++j) {
                const zq::float8Point p{r.left + (r.right - r.left) * i / 20.0, low + (r.top - low) * j / 8.0};
                if (const double d = clearance(p); d > most) most = d, best = p;
            }
        return At({std::int32_t(std::lround(best.x)), std::int32_t(std::lround(best.y))});
    }

    // Clicks the pane's corner farthest from the box: the box is no longer selected, and the next
    // press on it is no second click of a double click (Wine counts one within half a second at the
    // same place, and a double click edits the text under the pointer).
    void ClickAwayFrom(const zq::Rect& r) {
        RECT c{};
        GetClientRect(pane_, &c);
        const POINT a = At(r.TopLeft()), b = At(r.BottomRight());
        const POINT corner{(a.x + b.x) / 2 > c.right / 2 ? 6 : c.right - 6, (a.y + b.y) / 2 > c.bottom / 2 ? 6 : c.bottom - 6};
        ASSERT_TRUE(XMoveTo(Screen(corner)) && XLeftButton(true) && XLeftButton(false));
    }

    // View, Zoom, 50 % from the menu bar with the keys; the pane then shows the model at half the scale.
    void ZoomToHalf() {
        SCROLLINFO before{sizeof before, SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(bars_[0], SB_CTL, &before);
        Chord(VK_MENU, 'V');
        ASSERT_TRUE(WaitFor([&] { return FindShownMenu(editor_.Id()) != nullptr; })) << "no View menu";
        ASSERT_TRUE(probe_->Handled());
        Tap('Z');
        ASSERT_TRUE(probe_->Handled());
        Tap('5');
        ASSERT_TRUE(probe_->Handled());
        k_ /= 2;
        // The horizontal bar's range, the drawing's width in pixels, halves with the zoom.
        ASSERT_TRUE(WaitFor([&] {
            SCROLLINFO now{sizeof now, SIF_ALL, 0, 0, 0, 0, 0};
            return GetScrollInfo(bars_[0], SB_CTL, &now) && now.nMax - now.nMin < before.nMax - before.nMin;
        })) << "the pane does not zoom out";
    }

    // Whether the box holds other boxes.
    bool HoldsBoxes(const zq::Rect& r) const {
        const auto boxes = Boxes(*model_->model);
        return std::any_of(boxes.begin(), boxes.end(), [&](const auto& b) { return !(b.second == r) && r.Contains(b.second); });
    }

    // Runs the gesture on the box with real input; when it takes effect (a handle pushed against the
    // least size may not), saves, expects no new fault and no free end attached, and undoes it.
    void Run(const Target& t, const Gesture& g, const std::set<std::string>& before,
             const std::map<Core::ObjectId, std::size_t>& freeBefore) {
        const std::string at = std::string(GetParam()) + " r" + std::to_string(t.id) + " " + g.name + " at " +
                               (k_ < kPixelsPerUnit * scale_ * 0.75 ? "50 %" : "100 %");
        POINT from = Grab(t.rect);
        if (g.kind == Kind::Handle) {
            // Selected by a click, the box shows its handle at the bottom-right corner.
            const POINT corner = At(t.rect.BottomRight());
            ASSERT_TRUE(XMoveTo(Screen(from)) && XLeftButton(true) && XLeftButton(false));
            ASSERT_TRUE(probe_->Handled()) << at << ": the editor does not take input";
            if (HoldsBoxes(t.rect) && PanePixels(pane_).At(corner.x + 2, corner.y + 2) == 0xFFFFFF) {
                ++idle_;  // the click took no box (see above)
                return;
            }
            ASSERT_TRUE(WaitFor([&] { return PanePixels(pane_).At(corner.x + 2, corner.y + 2) != 0xFFFFFF; })) << at;
            from = corner;
        }
        const POINT s = Screen(from);
        const POINT to{s.x + int(std::lround(g.by.x * k_)), s.y - int(std::lround(g.by.y * k_))};
        // While the button is held the pane shows the box on its way.
        const PanePixels still(pane_);
        const PanePixels held = HoldDragOnScreen(
            s, to, [&](const PanePixels& now) { return !SamePixels(still, now); }, g.kind == Kind::Copy, 3);
        EXPECT_FALSE(SamePixels(still, held)) << at << ": nothing shown while the button is held";
        ASSERT_TRUE(probe_->Handled()) << at << ": the editor does not take input";
        if (!Modified(frame_)) {
            // A press below the header of a box that holds others (a composite state's region, a
            // package's body at 50 %) may take no box.
            EXPECT_TRUE(g.kind == Kind::Handle || HoldsBoxes(t.rect)) << at << ": no effect";
            ++idle_;
            return;
        }
        const auto saved = SaveByKeysAndRead();
        const auto boxes = Boxes(*saved->model);
        const bool kept = std::any_of(boxes.begin(), boxes.end(), [&](const auto& b) { return b.second == t.rect; });
        ++runs_;
        if (g.kind == Kind::Copy)
            EXPECT_GT(boxes.size(), Boxes(*model_->model).size()) << at << ": no copy";
        else
            EXPECT_FALSE(kept) << at << ": the box kept its place and size; changed: " << Changed(*model_->model, *saved->model);
        std::vector<std::string> found;
        for (const std::string& fault : Faults(*saved->model))
            if (!before.count(fault)) found.push_back(fault);
        for (const std::string& fault : ConnectorTest::AttachedFreeEnds(*saved->model, freeBefore)) found.push_back(fault);
        for (const std::string& fault : TextTest::KeptAnchorFaults(*saved->model, places_)) found.push_back(fault);
        if (kKnownFaults.count(at))
            EXPECT_FALSE(found.empty()) << at << ": no longer fails, strike it from the known faults";
        else
            for (const std::string& fault : found) ADD_FAILURE() << at << ": " << fault;
        ASSERT_TRUE(WaitFor([&] { return !Modified(frame_); })) << at << ": the save left the document modified";
        Chord(VK_CONTROL, 'Z');
        ASSERT_TRUE(WaitFor([&] { return Modified(frame_); })) << at << ": not undone";
        // Saved again, the document is unchanged until the next gesture takes effect.
        SaveByKeysAndRead();
        ASSERT_TRUE(WaitFor([&] { return !Modified(frame_); })) << at << ": the undone document stays modified";
    }

    // Runs the gestures the run takes (at the zoom: 0 for 100 %, 1 for 50 %) on the document's boxes
    // where they fit the pane (past the boxes a run takes, only the nudges up and down of those
    // holding a call to themselves with a text); answers how many boxes took a gesture.
    int RunAll(std::size_t document, int zoom, const std::set<std::string>& before,
               const std::map<Core::ObjectId, std::size_t>& freeBefore) {
        RECT c{};
        GetClientRect(pane_, &c);
        int taken = 0;
        for (const Target& t : Targets(*model_->model)) {
            const bool selfCall = HoldsSelfCallText(*model_->model, t.id), rest = taken >= kBoxesPerDocument && !Sweep();
            if (rest && !selfCall) continue;
            const std::vector<Gesture> gestures = Gestures(t, k_, c.right);
            bool any = false;
            for (std::size_t i = 0; i < gestures.size(); ++i) {
                const Gesture& g = gestures[i];
                const zq::Rect reach = Reach(t.rect, g);
                if (!Taken(document, i, zoom, selfCall) || (rest && !Vertical(i)) || !LandsFree(*model_->model, t, g) ||
                    (reach.right - reach.left) * k_ > c.right - 100 || (reach.top - reach.bottom) * k_ > c.bottom - 100)
                    continue;
                if (!Reveal(reach)) {
                    ++unshown_;
                    continue;
                }
                any = true;
                ClickAwayFrom(reach);
                if (HasFatalFailure()) return taken;
                Run(t, g, before, freeBefore);
                if (HasFatalFailure()) return taken;
            }
            if (any) ++taken;
        }
        return taken;
    }

    double k_ = kPixelsPerUnit, scale_ = 1;
    std::map<Core::ObjectId, TextTest::AnchoredTextPlace> places_;  // the anchored texts' places before every gesture
    HWND bars_[2] = {nullptr, nullptr};  // the pane's horizontal and vertical scroll bars
    std::unique_ptr<MenuProbeClient> probe_;
    int runs_ = 0, idle_ = 0, unshown_ = 0;  // gestures that took effect, those that did not (handle
                                             // pushes, boxes that hold others), and those the pane could not scroll to
};

// Every hand-written document of elements/tests/documents, one editor each.
const char* const kDocuments[] = {"class.qvd",         "object.qvd",          "usecase.qvd",          "sequence.qvd",
                                  "state.qvd",         "qualified-class.qvd", "qualified-object.qvd", "compact-state.qvd",
                                  "notes.qvd",         "nested-calls.qvd",    "labels-sequence.qvd",  "labels-state.qvd",
                                  "labels-class.qvd",  "regions.qvd",         "copied-note.qvd",      "package.qvd",
                                  "tree.qvd",          "end-texts-class.qvd", "end-texts-object.qvd", "self-call.qvd",
                                  "self-calls.qvd",       "short-transition.qvd"};

TEST_P(DraggedPaths, AfterEveryGestureTheConnectorsMeetTheirBoxesFromOutside) {
    std::ifstream in(std::string(QUORVEL_DOCUMENT_DIR) + "/" + GetParam(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    ASSERT_NO_FATAL_FAILURE(OpenDocument(bytes.str(), L"paths.qvd"));
    const auto* page = First<Page::Page>(*model_->model);
    scale_ = page ? page->GetScale() : 1.0;
    k_ = kPixelsPerUnit * scale_;
    EnumChildWindows(frame_, CollectBar, reinterpret_cast<LPARAM>(bars_));
    ASSERT_TRUE(bars_[0] && bars_[1]);
    probe_ = std::make_unique<MenuProbeClient>(frame_);
    ASSERT_TRUE(probe_->IsHooked());
    const std::set<std::string> before = Faults(*model_->model);
    const auto freeBefore = ConnectorTest::FreeEnds(*model_->model);
    places_ = TextTest::AnchoredTextPlaces(*model_->model);
    const std::string name = GetParam();
    const std::size_t document =
        std::find_if(std::begin(kDocuments), std::end(kDocuments), [&](const char* d) { return name == d; }) -
        std::begin(kDocuments);
    // A document with a call to itself that carries a text takes both zooms (its nudges up and down).
    const auto boxes = Boxes(*model_->model);
    const bool selfCalls = std::any_of(boxes.begin(), boxes.end(), [&](const auto& b) { return HoldsSelfCallText(*model_->model, b.first); });
    for (int zoom : {0, 1}) {
        if (!Sweep() && !selfCalls && zoom != int(document % 2)) continue;
        if (zoom == 1) {
            ASSERT_NO_FATAL_FAILURE(ZoomToHalf());
        }
        const int taken = RunAll(document, zoom, before, freeBefore);
        if (HasFatalFailure()) return;
        EXPECT_GE(taken, 1) << "no box whose gestures fit the pane";
    }
    if (Sweep())
        std::cout << GetParam() << ": " << runs_ << " gestures took effect, " << idle_ << " did not, "
                  << unshown_ << " left out where the pane does not scroll\n";
}

INSTANTIATE_TEST_SUITE_P(EveryDiagramKind, DraggedPaths, ::testing::ValuesIn(kDocuments),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name;
                             for (const char* c = info.param; *c && *c != '.'; ++c)
                                 if (*c != '-') name += *c;
                             return name;
                         });

}  // namespace
}  // namespace DraggedPathsTest
