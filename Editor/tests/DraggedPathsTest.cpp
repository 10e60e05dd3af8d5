// Real mouse gestures on boxes that connectors end on, in every sample document opened in a started
// editor: a box dragged a little right and down, dragged past the box at the other end of one of its
// connectors, copied with a Ctrl-drag and grown by its bottom-right handle. After each, the document
// saved with Ctrl+S and read back has no connector fault it did not have before (an end off its box's
// outline, a segment inside or along a box it ends on, a label off its segment); Ctrl+Z then undoes
// the gesture.
#include "Editor/tests/HeldDrag.h"
#include "page/Page.h"
#include "text/tests/LabelChecks.h"
#include "view/connector/tests/Borders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// How many boxes of each document the gestures take: each box costs editor_tests a few seconds.
constexpr int kBoxesPerDocument = 1;

// Gestures that still leave a fault, by document, box and gesture (as the model table lists them).
const std::set<std::string> kKnownFaults = {};

// The connectors' path faults and the labels off their segments.
std::set<std::string> Faults(const Core::Diagram& diagram) {
    std::set<std::string> faults = ConnectorTest::PathFaults(diagram);
    faults.merge(TextTest::LabelFaults(diagram));
    return faults;
}

enum class Kind { Nudge, PastPartner, Copy, Resize };
struct Gesture {
    const char* name;
    Kind kind;
};
const Gesture kGestures[] = {{"dragged a little right and down", Kind::Nudge},
                             {"dragged past its partner", Kind::PastPartner},
                             {"copied with a Ctrl-drag", Kind::Copy},
                             {"grown by its bottom-right handle", Kind::Resize}};

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
        if (Overlap(r, p) || r.Contains(p) || p.Contains(r)) continue;
        const zq::Point by = PastShift(r, p);
        const zq::Rect to{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
        // Dropped where it only lies on what held it before (a package) and on its own parts.
        const bool free = std::none_of(obstacles.begin(), obstacles.end(), [&](const auto& k) {
            return Overlap(k.second, to.Inflated(300)) && !r.Contains(k.second) &&
                   !(k.second.Contains(r) && k.second.Contains(to));
        });
        const Core::ObjectId id = box->GetObjectId();
        if (free && std::none_of(found.begin(), found.end(), [&](const Target& t) { return t.id == id; }))
            found.push_back({id, r, by});
    }
    return found;
}

const zq::Point kNudge(700, -500), kGrowth(1000, -600);

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

    // Scrolls with the thumbs until the pane shows the model rectangle 40 pixels away from its edges.
    void Reveal(const zq::Rect& r) {
        RECT c{};
        GetClientRect(pane_, &c);
        for (int drag = 0; drag < 6; ++drag) {
            const POINT a = At(r.TopLeft()), b = At(r.BottomRight());
            const bool across = a.x < 40 || b.x > c.right - 40, down = a.y < 40 || b.y > c.bottom - 40;
            if (!across && !down) return;
            const int by = down ? (a.y + b.y - c.bottom) / 2 : (a.x + b.x - c.right) / 2;
            ASSERT_TRUE(ScrollBy(bars_[down ? 1 : 0], by)) << "the pane does not scroll";
        }
        FAIL() << "the pane does not come to show the boxes";
    }

    // Where a press takes the box itself: the point of the band above the boxes inside it (its
    // header, above compartments) farthest from its edges, from the connectors and the texts at
    // their ends, and from boxes it does not hold.
    POINT Grab(const zq::Rect& r) const {
        const auto boxes = Boxes(*model_->model);
        std::int32_t low = r.bottom;
        for (const auto& [id, k] : boxes)
            if (!(k == r) && k.left >= r.left && k.right <= r.right && k.top <= r.top && k.bottom >= r.bottom)
                low = std::max(low, k.top);
        std::vector<std::pair<zq::float8Point, zq::float8Point>> lines;
        for (const Core::ElementPtr& e : model_->model->Elements())
            if (auto* c = dynamic_cast<const Connector::IConnector*>(e.get()); c && !e->IsDeleted())
                for (Connector::ISegment* sg : c->GetSegmentList()) {
                    Connector::ISegmentEnd *a, *b;
                    if (sg->GetEnds(a, b)) lines.emplace_back(a->GetPoint(), b->GetPoint());
                }
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

    // Runs the gesture on the box with real input, saves, expects no new fault, and undoes it.
    void Run(const Target& t, const Gesture& g, const std::set<std::string>& before) {
        const std::string at = std::string(GetParam()) + " r" + std::to_string(t.id) + " " + g.name;
        const zq::Point by = g.kind == Kind::PastPartner ? t.past : g.kind == Kind::Resize ? kGrowth : kNudge;
        POINT from = Grab(t.rect);
        if (g.kind == Kind::Resize) {
            // Selected by a click, the box shows its handle at the bottom-right corner.
            const POINT corner = At(t.rect.BottomRight());
            ASSERT_TRUE(XMoveTo(Screen(from)) && XLeftButton(true) && XLeftButton(false));
            ASSERT_TRUE(WaitFor([&] { return PanePixels(pane_).At(corner.x + 2, corner.y + 2) != 0xFFFFFF; })) << at;
            from = corner;
        }
        const POINT s = Screen(from);
        const POINT to{s.x + int(std::lround(by.x * k_)), s.y - int(std::lround(by.y * k_))};
        // While the button is held the pane shows the box on its way.
        const PanePixels still(pane_);
        const PanePixels held = HoldDragOnScreen(
            s, to, [&](const PanePixels& now) { return !SamePixels(still, now); }, g.kind == Kind::Copy, 3);
        EXPECT_FALSE(SamePixels(still, held)) << at << ": nothing shown while the button is held";
        const auto saved = SaveByKeysAndRead();
        const auto boxes = Boxes(*saved->model);
        if (g.kind == Kind::Copy)
            EXPECT_GT(boxes.size(), Boxes(*model_->model).size()) << at << ": no copy";
        else
            EXPECT_TRUE(std::none_of(boxes.begin(), boxes.end(), [&](const auto& b) { return b.second == t.rect; }))
                << at << ": the box kept its place and size";
        std::vector<std::string> found;
        for (const std::string& fault : Faults(*saved->model))
            if (!before.count(fault)) found.push_back(fault);
        if (kKnownFaults.count(at))
            EXPECT_FALSE(found.empty()) << at << ": no longer fails, strike it from the known faults";
        else
            for (const std::string& fault : found) ADD_FAILURE() << at << ": " << fault;
        ASSERT_TRUE(WaitFor([&] { return !Modified(frame_); })) << at << ": the save left the document modified";
        Chord(VK_CONTROL, 'Z');
        ASSERT_TRUE(WaitFor([&] { return Modified(frame_); })) << at << ": not undone";
    }

    double k_ = kPixelsPerUnit;
    HWND bars_[2] = {nullptr, nullptr};  // the pane's horizontal and vertical scroll bars
};

TEST_P(DraggedPaths, AfterEveryGestureTheConnectorsMeetTheirBoxesFromOutside) {
    std::ifstream in(std::string(QUORVEL_DOCUMENT_DIR) + "/" + GetParam(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    ASSERT_NO_FATAL_FAILURE(OpenDocument(bytes.str(), L"paths.qvd"));
    const auto* page = First<Page::Page>(*model_->model);
    k_ = kPixelsPerUnit * (page ? page->GetScale() : 1.0);
    EnumChildWindows(frame_, CollectBar, reinterpret_cast<LPARAM>(bars_));
    ASSERT_TRUE(bars_[0] && bars_[1]);
    const std::set<std::string> before = Faults(*model_->model);
    RECT c{};
    GetClientRect(pane_, &c);
    int taken = 0;
    for (const Target& t : Targets(*model_->model)) {
        // What the gestures reach: the box, its place past its partner and its grown corner.
        const zq::Point by = t.past;
        const zq::Rect reach{std::min(t.rect.left, t.rect.left + by.x), std::max(t.rect.top, t.rect.top + by.y),
                             std::max(t.rect.right + kGrowth.x, t.rect.right + by.x),
                             std::min(t.rect.bottom + kGrowth.y, t.rect.bottom + by.y)};
        if ((reach.right - reach.left) * k_ > c.right - 100 ||
            (reach.top - reach.bottom) * k_ > c.bottom - 100)
            continue;
        ASSERT_NO_FATAL_FAILURE(Reveal(reach));
        for (const Gesture& g : kGestures) {
            ASSERT_NO_FATAL_FAILURE(ClickAwayFrom(reach));
            ASSERT_NO_FATAL_FAILURE(Run(t, g, before));
        }
        if (++taken == kBoxesPerDocument) break;
    }
    EXPECT_EQ(taken, kBoxesPerDocument) << "too few boxes whose gestures fit the pane";
}

// Every sample document and the one of calls between nested bars, one editor each.
const char* const kDocuments[] = {"class.qvd",           "object.qvd",           "usecase.qvd",      "sequence.qvd",
                                  "state.qvd",           "qualified-class.qvd", "qualified-object.qvd",
                                  "compact-state.qvd",   "notes.qvd",            "nested-calls.qvd"};

INSTANTIATE_TEST_SUITE_P(EveryDiagramKind, DraggedPaths, ::testing::ValuesIn(kDocuments),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name;
                             for (const char* c = info.param; *c && *c != '.'; ++c)
                                 if (*c != '-') name += *c;
                             return name;
                         });

}  // namespace
}  // namespace DraggedPathsTest
