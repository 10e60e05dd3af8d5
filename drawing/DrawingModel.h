// The retained drawing: drawables in drawing order, their extent and the areas changes touched.
#pragma once

#include "app/winutil/Platform.h"
#include "drawing/AreaGrid.h"
#include "drawing/Canvas.h"
#include "drawing/Renderer.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace DrawingKernel {

class DrawingModel;
class Drawable;

// The drawables of one layer in drawing order, linked through the drawables themselves: adding
// or removing one allocates nothing, which counts when a selection adds thousands of handles.
class DrawableList {
public:
    class Iterator {
    public:
        explicit Iterator(Drawable* d) : d_(d) {}
        Drawable* operator*() const { return d_; }
        Iterator& operator++();
        bool operator!=(const Iterator& o) const { return d_ != o.d_; }
    private:
        Drawable* d_;
    };
    Iterator begin() const { return Iterator(head_); }
    Iterator end() const { return Iterator(nullptr); }
    bool empty() const { return !head_; }
    size_t size() const { return size_; }
    Drawable* back() const { return tail_; }
    // Links d in before the element given, or at the end when that is null.
    void Insert(Drawable* before, Drawable* d);
    // Unlinks d, which must be in this list.
    void Erase(Drawable* d);
private:
    Drawable* head_ = nullptr;
    Drawable* tail_ = nullptr;
    size_t size_ = 0;
};

// An area a change touched: a logical rectangle grown by a number of device pixels.
struct InvalidArea {
    ICanvas::DoubleRect logical;
    double pixels = 0;
    // The device rectangle under a mapping.
    DeviceRect ToDevice(const Mapping& m) const { return m.ToDevice(logical).Inflated(pixels); }
};

// What a drawable needs while it renders.
struct RenderContext {
    RenderContext(IRenderer& r, const Mapping& m, const DrawingModel& d) : renderer(r), map(m), model(d) {}
    IRenderer& renderer;
    Mapping map;
    const DrawingModel& model;
    // The device colour of a line style (system colours resolved; width 0 takes window text).
    static COLORREF ColorOf(const ICanvas::LineStyle& s);
    // The device pen of a line style.
    Pen PenOf(const ICanvas::LineStyle& s, Dash dash = Dash::Solid) const;
    // ColorOf with system colours looked up once per render (the lookup is slow under Wine).
    COLORREF FillOf(const ICanvas::LineStyle& s) const;
private:
    COLORREF SystemColor(uint32_t index) const;
    mutable std::array<COLORREF, 32> systemColors_ = Unknown();
    static constexpr COLORREF kUnknown = 0xFFFFFFFFu;
    static constexpr std::array<COLORREF, 32> Unknown() {
        std::array<COLORREF, 32> a{};
        a.fill(kUnknown);
        return a;
    }
};

// A retained element of a canvas; it leaves its drawing when the last handle releases it.
class Drawable : public ICanvas::IElement {
public:
    explicit Drawable(ICanvas::OrderKey key = nullptr) : key_(std::move(key)) {}
    ~Drawable() override;
    Drawable(const Drawable&) = delete;
    Drawable& operator=(const Drawable&) = delete;
    void Move(const zq::float8Vector& by) override;
    // The geometry's bounds in logical units (for the extent).
    virtual ICanvas::DoubleRect Bounds() const = 0;
    // The area the drawing may paint.
    virtual InvalidArea PaintArea() const { return {Bounds(), 3}; }
    // Draws itself.
    virtual void Render(RenderContext& rc) const = 0;
    // A target adjust marker's side flags, 0 for everything else.
    virtual uint32_t TargetSides() const { return 0; }
    // A shooter adjust marker's side flags, 0 for everything else.
    virtual uint32_t ShooterSides() const { return 0; }
    // The marker's point (markers only).
    virtual zq::float8Point Anchor() const { return {}; }
    // Whether what it paints depends on the target markers (a shooter's guide).
    virtual bool FollowsTargets() const { return false; }
    const ICanvas::OrderKey& Key() const { return key_; }
protected:
    // Moves the geometry.
    virtual void Translate(const zq::float8Vector& by) = 0;
    const DrawingModel* Model() const { return model_; }
private:
    friend class DrawingModel;
    friend class DrawableList;
    friend class TargetIndex;
    ICanvas::OrderKey key_;
    DrawingModel* model_ = nullptr;
    Drawable* prev_ = nullptr;  // the neighbours in the layer's list
    Drawable* next_ = nullptr;
    int layer_ = 0;
    // The area painted now (kept so that removal needs no virtual call); a target's point, with its
    // order of coming as pixels (0 while it is not indexed).
    InvalidArea area_;
    ICanvas::DoubleRect bounds_;  // the normalised bounds now, for the extent
    // A target's places in its row and its column of the target index; a shooter's place in the
    // list of shooters (the first): removal then searches nothing.
    uint32_t slots_[2] = {0, 0};
    // A shooter and the target of its sides it came on (the live drawing of what its image shows,
    // which may stay where it was while the image moves), each pointing at the other.
    Drawable* partner_ = nullptr;
};

inline DrawableList::Iterator& DrawableList::Iterator::operator++() {
    d_ = d_->next_;
    return *this;
}

// The target markers by the row and the column their points lie on, so that a shooter meets only the
// targets lined up with it, nearest first, and a target comes and goes without a search.
class TargetIndex {
public:
    // Indexes the target at the point.
    void Add(Drawable* d, const zq::float8Point& at);
    // Takes the target out of the index (at the point it was indexed at).
    void Remove(Drawable* d, const zq::float8Point& at);
    // Walks the targets indexed near p's row outward from p's x, on either side (axis 0), then those
    // near p's column outward from p's y (axis 1); f(target, axis) answers true when the walk of that
    // side may stop. Near: less than half a unit away, and a few a little farther.
    template <class F>
    void WalkNear(const zq::float8Point& p, F&& f) const {
        for (int64_t k = KeyOf(p.y - 0.5); k <= KeyOf(p.y + 0.5); ++k) Walk(rows_, k, p.x, 0, f);
        for (int64_t k = KeyOf(p.x - 0.5); k <= KeyOf(p.x + 0.5); ++k) Walk(columns_, k, p.y, 1, f);
    }
private:
    struct Bucket {
        std::vector<Drawable*> items;
        bool ordered = true;
    };
    using Buckets = std::unordered_map<int64_t, Bucket>;
    // Rows and columns half a unit wide: a target on a whole unit is never near one a unit away.
    static int64_t KeyOf(double v) { return FloorToInt(2 * v); }
    static void Put(Buckets& buckets, double v, Drawable* d, int axis);
    static void Take(Buckets& buckets, double v, Drawable* d, int axis);
    // Orders a changed bucket along its line (x along a row, y along a column); the first place at
    // or beyond v.
    static size_t Order(Bucket& bucket, int axis, double v);
    // Where a target lies along a line of the axis (x along a row, y along a column).
    static double Along(const Drawable* d, int axis);
    // Walks one side of a line from p; after the first target f takes, those just as far are
    // offered too (equally near targets of one side).
    template <class It, class F>
    static void WalkSide(It from, It to, int axis, F& f) {
        std::optional<double> taken;
        for (It it = from; it != to; ++it) {
            const double at = Along(*it, axis);
            if (taken && at != *taken) break;
            if (f(**it, axis) && !taken) taken = at;
        }
    }
    template <class F>
    static void Walk(Buckets& buckets, int64_t key, double v, int axis, F& f) {
        const auto it = buckets.find(key);
        if (it == buckets.end()) return;
        const std::vector<Drawable*>& items = it->second.items;
        const size_t i = Order(it->second, axis, v);
        WalkSide(items.begin() + std::ptrdiff_t(i), items.end(), axis, f);
        WalkSide(items.rbegin() + std::ptrdiff_t(items.size() - i), items.rend(), axis, f);
    }
    // Ordered on the first walk after a change: a drag moves many targets between two walks.
    mutable Buckets rows_, columns_;
};

// The drawables of a canvas in drawing order: keyed fills (by IsBefore, equal keys in creation
// order), then unkeyed elements in creation order, then keys that ask to be topmost.
class DrawingModel {
public:
    // Reserves the changed areas' room: recording a change (a drawable being destroyed, say) then
    // never allocates, so it cannot fail.
    DrawingModel();
    ~DrawingModel();
    DrawingModel(const DrawingModel&) = delete;
    DrawingModel& operator=(const DrawingModel&) = delete;
    // Places a new drawable and records its area as changed.
    void Insert(Drawable* d);
    // Takes a drawable out (its area is recorded).
    void Remove(Drawable* d);
    // Records the area a drawable covers now.
    void Invalidate(Drawable& d);
    // Calls f for every drawable in drawing order.
    void ForEach(const std::function<void(const Drawable&)>& f) const;
    // Calls f for every target adjust marker.
    void ForEachTarget(const std::function<void(const Drawable&)>& f) const;
    // Where a target came in the order of the targets' coming (of two equally near targets a guide
    // goes to the earlier one).
    double TargetOrder(const Drawable& target) const;
    // Walks the target markers near p's row and column outward from p (TargetIndex::WalkNear).
    template <class F>
    void WalkTargetsNear(const zq::float8Point& p, F&& f) const { targets_.WalkNear(p, f); }
    // Whether the target belongs to the live drawing of an element whose image a shooter is part of:
    // a shooter of its sides came on its point, or stands on it now (to a unit), as a drag moves the
    // element under its image.
    bool UnderShooter(const Drawable& target) const;
    // Whether some target is under no shooter: when everything is dragged no guide can end anywhere,
    // and the shooters need not walk their lines.
    bool AnyTargetFree() const;
    // The union of the drawables' bounds; empty when there are none.
    ICanvas::DoubleRect Extent() const;
    // True when nothing is drawn.
    bool IsEmpty() const { return Size() == 0; }
    size_t Size() const { return layers_[0].size() + layers_[1].size() + layers_[2].size() + layers_[3].size(); }
    // The areas changed since the last call.
    std::vector<InvalidArea> TakeInvalid();
    // Renders every drawable whose area meets the clip (null: all).
    void Render(IRenderer& r, const Mapping& m, const DeviceRect* clip) const;
    // Called whenever an area is recorded (the screen canvas repaints from it); must not throw.
    void SetInvalidHook(std::function<void()> hook) { hook_ = std::move(hook); }
private:
    void Record(const InvalidArea& a) noexcept;
    // Records where d painted and where it paints now.
    void Repaint(Drawable& d);
    // A target came, went or moved: the guides of the shooters may end elsewhere now. They are
    // repainted once, when the changed areas are next taken, however many targets changed.
    void TargetsChanged();
    void RefreshShooters();
    void AddShooter(Drawable* d);
    void RemoveShooter(Drawable* d);
    // Pairs a new shooter with a target of its sides on its point that has no shooter yet.
    void PairWithTargetUnder(Drawable* shooter);
    static void Unpair(Drawable* d);
    // The rectangle under which a plain drawable is kept in the grid: its painted area, or
    // everywhere when the area grows by many pixels.
    static ICanvas::DoubleRect GridArea(const InvalidArea& a);
    // Indexes a target at its point, kept in its area, with its place in the order of coming.
    void IndexTarget(Drawable* d, double order);
    // Keeps the cached extent when a drawable's bounds go from old to now (none: inserted or removed):
    // grown by the new bounds, dropped when the old ones may have held one of its edges.
    void UpdateExtent(const ICanvas::DoubleRect* old, const ICanvas::DoubleRect* now);
    // Keyed, unkeyed, topmost; the fourth holds target markers, which draw nothing.
    DrawableList layers_[4];
    std::vector<InvalidArea> invalid_;
    std::vector<Drawable*> shooters_;  // the drawables that follow the targets
    // Where the shooters stand (rounded point and sides), rebuilt when asked after they changed.
    struct Spot {
        int64_t x, y;
        uint32_t sides;
        bool operator==(const Spot&) const = default;
    };
    struct SpotHash {
        size_t operator()(const Spot& s) const;
    };
    static Spot SpotOf(const zq::float8Point& p, uint32_t sides);
    // Rebuilds the shooters' spots and whether a target is free, when shooters came, went or moved.
    void RefreshSpots() const;
    bool IsUnderShooter(const Drawable& target) const;
    mutable std::unordered_set<Spot, SpotHash> spots_;
    mutable bool spotsStale_ = false;
    mutable bool anyTargetFree_ = true;  // with the spots: some target is under no shooter
    TargetIndex targets_;
    bool guidesStale_ = false;  // targets changed since the shooters were last repainted
    double targetsCome_ = 0;    // the targets that came so far (their order; exact in a double)
    AreaGrid plain_;            // the plain drawables by where they paint
    uint64_t plainCome_ = 0;    // the plain drawables that came so far (their drawing order)
    std::function<void()> hook_;
    // The extent as last computed, kept up to date by insertions and moves that only grow it.
    mutable std::optional<ICanvas::DoubleRect> extent_;
};

} // namespace DrawingKernel
