#include "app/winutil/Platform.h"
#include "drawing/DrawingModel.h"

#include <algorithm>
#include <cmath>

namespace DrawingKernel {

namespace {
constexpr int kKeyed = 0, kPlain = 1, kTopmost = 2, kTargets = 3;
}

COLORREF RenderContext::ColorOf(const ICanvas::LineStyle& s) {
    if (s.width == 0) return GetSysColor(COLOR_WINDOWTEXT);
    if (s.systemColor) return GetSysColor(int(s.value));
    return COLORREF(s.value & 0xFFFFFF);
}

COLORREF RenderContext::SystemColor(uint32_t index) const {
    if (index >= systemColors_.size()) return GetSysColor(int(index));
    COLORREF& slot = systemColors_[index];
    if (slot == kUnknown) slot = GetSysColor(int(index));
    return slot;
}

COLORREF RenderContext::FillOf(const ICanvas::LineStyle& s) const {
    if (s.width == 0) return SystemColor(COLOR_WINDOWTEXT);
    if (s.systemColor) return SystemColor(s.value);
    return COLORREF(s.value & 0xFFFFFF);
}

Pen RenderContext::PenOf(const ICanvas::LineStyle& s, Dash dash) const {
    Pen p;
    p.width = std::max(1.0, std::floor(s.width * map.kx + 0.5));
    p.color = FillOf(s);
    p.dash = dash;
    p.cosmetic = s.width == 0;
    return p;
}

void DrawableList::Insert(Drawable* before, Drawable* d) {
    Drawable* after = before ? before->prev_ : tail_;
    d->prev_ = after;
    d->next_ = before;
    (after ? after->next_ : head_) = d;
    (before ? before->prev_ : tail_) = d;
    ++size_;
}

void DrawableList::Erase(Drawable* d) {
    (d->prev_ ? d->prev_->next_ : head_) = d->next_;
    (d->next_ ? d->next_->prev_ : tail_) = d->prev_;
    d->prev_ = d->next_ = nullptr;
    --size_;
}

Drawable::~Drawable() {
    if (model_) model_->Remove(this);
}

void Drawable::Move(const zq::float8Vector& by) {
    Translate(by);
    if (model_) model_->Invalidate(*this);
}

namespace {
constexpr size_t kMostAreas = 512;  // more changed areas than this become one around them all
constexpr double kGridPixels = 64;  // a drawable painting farther beyond its area is visited always
}

DrawingModel::DrawingModel() { invalid_.reserve(kMostAreas); }

DrawingModel::~DrawingModel() {
    for (auto& layer : layers_)
        for (Drawable* d : layer) d->model_ = nullptr;
}

void DrawingModel::Insert(Drawable* d) {
    const bool first = IsEmpty();
    const ICanvas::OrderKey& key = d->Key();
    if (d->TargetSides()) {
        d->layer_ = kTargets;
    } else if (!key) {
        d->layer_ = kPlain;
    } else if (key->IsTopmost()) {
        d->layer_ = kTopmost;
    } else {
        d->layer_ = kKeyed;
    }
    // What may fail comes before the drawable joins the model, which then never holds it half.
    if (d->layer_ == kTargets) {
        IndexTarget(d, ++targetsCome_);
    } else {
        // A shooter's guide is found with the other shooters' when the changed areas are next taken.
        d->area_ = d->FollowsTargets() ? InvalidArea{d->Bounds(), 3} : d->PaintArea();
        if (d->FollowsTargets()) AddShooter(d);
        if (d->layer_ == kPlain) {
            try {
                plain_.Add(d, GridArea(d->area_), ++plainCome_);
            } catch (...) {
                RemoveShooter(d);
                throw;
            }
        }
    }
    d->model_ = this;
    DrawableList& layer = layers_[d->layer_];
    Drawable* at = nullptr;  // the end
    if (d->layer_ == kKeyed || d->layer_ == kTopmost) {
        // Before the first element this key comes before; the common case appends, so look at the
        // last element first.
        if (!layer.empty() && key->IsBefore(*layer.back()->Key())) {
            for (Drawable* o : layer)
                if (key->IsBefore(*o->Key())) {
                    at = o;
                    break;
                }
        }
    }
    layer.Insert(at, d);
    d->bounds_ = d->Bounds().Normalized();
    if (first) extent_ = d->bounds_;
    else UpdateExtent(nullptr, &d->bounds_);
    if (d->layer_ == kTargets) TargetsChanged();  // targets draw nothing themselves
    else Record(d->area_);
    if (d->FollowsTargets()) TargetsChanged();  // its guide, above
}

void DrawingModel::Remove(Drawable* d) {
    if (d->model_ != this) return;
    // Not asked of d: a drawable being destroyed removes itself after its own part is gone.
    Unpair(d);
    if (d->layer_ == kTargets) {
        if (d->area_.pixels != 0) targets_.Remove(d, {d->area_.logical.left, d->area_.logical.top});
    } else {
        Record(d->area_);
        RemoveShooter(d);
        if (d->layer_ == kPlain) plain_.Remove(d, GridArea(d->area_));
    }
    layers_[d->layer_].Erase(d);
    d->model_ = nullptr;
    UpdateExtent(&d->bounds_, nullptr);
    if (d->layer_ == kTargets) TargetsChanged();
}

void DrawingModel::Invalidate(Drawable& d) {
    const ICanvas::DoubleRect old = d.bounds_;
    d.bounds_ = d.Bounds().Normalized();
    UpdateExtent(&old, &d.bounds_);
    if (d.layer_ == kTargets) {
        // A moved target comes anew, as one drawn anew where its element now is: a box that a drag
        // moves along stands for the box drawn again at every step.
        if (d.area_.pixels != 0) targets_.Remove(&d, {d.area_.logical.left, d.area_.logical.top});
        d.area_.pixels = 0;
        TargetsChanged();
        IndexTarget(&d, ++targetsCome_);
        return;
    }
    if (d.FollowsTargets()) {
        spotsStale_ = true;
        // Where its guide ends depends on the targets, which the same step of a drag moves too: it
        // is repainted with the other shooters, once, when the changed areas are next taken.
        guidesStale_ = true;
        if (hook_) hook_();
        return;
    }
    Repaint(d);
}

void DrawingModel::IndexTarget(Drawable* d, double order) {
    const zq::float8Point a = d->Anchor();
    d->area_ = {{a.x, a.y, a.x, a.y}, 0};  // pixels 0: not indexed (yet)
    targets_.Add(d, a);
    d->area_.pixels = order;
}

double DrawingModel::TargetOrder(const Drawable& target) const { return target.area_.pixels; }

void DrawingModel::AddShooter(Drawable* d) {
    d->slots_[0] = uint32_t(shooters_.size());
    shooters_.push_back(d);
    spotsStale_ = true;
    PairWithTargetUnder(d);
}

void DrawingModel::PairWithTargetUnder(Drawable* shooter) {
    const zq::float8Point p = shooter->Anchor();
    const Spot spot = SpotOf(p, shooter->ShooterSides());
    targets_.WalkNear(p, [&](Drawable& t, int axis) {
        // Paired already, or farther along the line: that side is done.
        if (shooter->partner_ || std::fabs(axis == 0 ? t.Anchor().x - p.x : t.Anchor().y - p.y) >= 1) return true;
        if (t.partner_ || !(SpotOf(t.Anchor(), t.TargetSides() & 0x7FFFFFFFu) == spot)) return false;
        shooter->partner_ = &t;
        t.partner_ = shooter;
        return true;
    });
}

void DrawingModel::Unpair(Drawable* d) {
    if (d->partner_) d->partner_->partner_ = nullptr;
    d->partner_ = nullptr;
}

void DrawingModel::RemoveShooter(Drawable* d) {
    const uint32_t i = d->slots_[0];
    if (i >= shooters_.size() || shooters_[i] != d) return;  // not a shooter
    Unpair(d);
    shooters_[i] = shooters_.back();
    shooters_[i]->slots_[0] = i;
    shooters_.pop_back();
    spotsStale_ = true;
}

DrawingModel::Spot DrawingModel::SpotOf(const zq::float8Point& p, uint32_t sides) {
    return {int64_t(std::llround(p.x)), int64_t(std::llround(p.y)), sides};
}

size_t DrawingModel::SpotHash::operator()(const Spot& s) const {
    return std::hash<int64_t>()(s.x * 1000003 ^ s.y) ^ s.sides;
}

bool DrawingModel::UnderShooter(const Drawable& target) const {
    RefreshSpots();
    return IsUnderShooter(target);
}

bool DrawingModel::AnyTargetFree() const {
    RefreshSpots();
    return anyTargetFree_;
}

bool DrawingModel::IsUnderShooter(const Drawable& target) const {
    return target.partner_ ||
           (!spots_.empty() && spots_.count(SpotOf(target.Anchor(), target.TargetSides() & 0x7FFFFFFFu)) != 0);
}

void DrawingModel::RefreshSpots() const {
    if (!spotsStale_) return;
    spots_.clear();
    for (const Drawable* s : shooters_) spots_.insert(SpotOf(s->Anchor(), s->ShooterSides()));
    spotsStale_ = false;
    anyTargetFree_ = false;
    for (const Drawable* t : layers_[kTargets])
        if (!IsUnderShooter(*t)) {
            anyTargetFree_ = true;
            break;
        }
}

void DrawingModel::TargetsChanged() {
    spotsStale_ = true;  // whether a target is free may have changed
    if (shooters_.empty()) return;
    guidesStale_ = true;
    if (hook_) hook_();
}

void DrawingModel::Repaint(Drawable& d) {
    Record(d.area_);
    const InvalidArea was = d.area_;
    d.area_ = d.PaintArea();
    Record(d.area_);
    if (d.layer_ == kPlain) plain_.Move(&d, GridArea(was), GridArea(d.area_));
}

ICanvas::DoubleRect DrawingModel::GridArea(const InvalidArea& a) {
    constexpr double kEverywhere = 1e300;
    if (a.pixels > kGridPixels) return {-kEverywhere, kEverywhere, kEverywhere, -kEverywhere};
    return a.logical;
}

void DrawingModel::RefreshShooters() {
    if (!guidesStale_) return;
    for (Drawable* s : shooters_) Repaint(*s);
    guidesStale_ = false;
}

void TargetIndex::Add(Drawable* d, const zq::float8Point& at) {
    Put(rows_, at.y, d, 0);
    try {
        Put(columns_, at.x, d, 1);
    } catch (...) {
        Take(rows_, at.y, d, 0);
        throw;
    }
}

void TargetIndex::Remove(Drawable* d, const zq::float8Point& at) {
    Take(rows_, at.y, d, 0);
    Take(columns_, at.x, d, 1);
}

void TargetIndex::Put(Buckets& buckets, double v, Drawable* d, int axis) {
    Bucket& bucket = buckets[KeyOf(v)];
    d->slots_[axis] = uint32_t(bucket.items.size());
    bucket.items.push_back(d);
    bucket.ordered = bucket.items.size() == 1;
}

void TargetIndex::Take(Buckets& buckets, double v, Drawable* d, int axis) {
    const auto it = buckets.find(KeyOf(v));
    if (it == buckets.end()) return;
    Bucket& bucket = it->second;
    const uint32_t i = d->slots_[axis];
    if (i >= bucket.items.size() || bucket.items[i] != d) return;
    std::vector<Drawable*>& items = bucket.items;
    items[i] = items.back();
    items[i]->slots_[axis] = i;
    items.pop_back();
    bucket.ordered = false;
    if (items.empty()) buckets.erase(it);
}

double TargetIndex::Along(const Drawable* d, int axis) {
    // A target's indexed point is kept in its area (x = left, y = top).
    return axis == 0 ? d->area_.logical.left : d->area_.logical.top;
}

size_t TargetIndex::Order(Bucket& bucket, int axis, double v) {
    auto along = [axis](const Drawable* d) { return Along(d, axis); };
    std::vector<Drawable*>& items = bucket.items;
    if (!bucket.ordered) {
        std::sort(items.begin(), items.end(),
                  [&](const Drawable* a, const Drawable* b) { return along(a) < along(b); });
        for (size_t i = 0; i < items.size(); ++i) items[i]->slots_[axis] = uint32_t(i);
        bucket.ordered = true;
    }
    const auto first = std::lower_bound(items.begin(), items.end(), v,
                                        [&](const Drawable* d, double x) { return along(d) < x; });
    return size_t(first - items.begin());
}

void DrawingModel::UpdateExtent(const ICanvas::DoubleRect* old, const ICanvas::DoubleRect* now) {
    if (!extent_) return;
    if (IsEmpty()) {
        extent_.reset();
        return;
    }
    const ICanvas::DoubleRect& e = *extent_;
    // Normalised rectangles: left <= right, bottom <= top. Bounds strictly inside held no edge.
    if (old && !(old->left > e.left && old->right < e.right && old->bottom > e.bottom && old->top < e.top)) {
        extent_.reset();
        return;
    }
    if (now) extent_ = e.Union(*now);
}

void DrawingModel::Record(const InvalidArea& area) noexcept {
    if (invalid_.size() >= kMostAreas) {
        // Many small changes: one rectangle around them all repaints no slower.
        InvalidArea all = invalid_.front();
        for (const InvalidArea& a : invalid_) {
            all.logical = all.logical.Union(a.logical.Normalized());
            all.pixels = std::max(all.pixels, a.pixels);
        }
        invalid_.assign(1, all);
    }
    invalid_.push_back(area);  // within the reserved room
    if (hook_) hook_();
}

void DrawingModel::ForEach(const std::function<void(const Drawable&)>& f) const {
    for (int i = kKeyed; i <= kTopmost; ++i)
        for (const Drawable* d : layers_[i]) f(*d);
}

void DrawingModel::ForEachTarget(const std::function<void(const Drawable&)>& f) const {
    for (const Drawable* d : layers_[kTargets]) f(*d);
}

ICanvas::DoubleRect DrawingModel::Extent() const {
    if (extent_) return *extent_;
    bool any = false;
    ICanvas::DoubleRect e;
    for (const auto& layer : layers_) {
        for (const Drawable* d : layer) {
            const ICanvas::DoubleRect& b = d->bounds_;  // kept normalised and current by every change
            e = any ? e.Union(b) : b;
            any = true;
        }
    }
    extent_ = e;
    return e;
}

std::vector<InvalidArea> DrawingModel::TakeInvalid() {
    RefreshShooters();
    // Copied out, so that the reserved room stays.
    std::vector<InvalidArea> out(invalid_.begin(), invalid_.end());
    invalid_.clear();
    return out;
}

namespace {
// A quick test in logical units that a painted area lies well clear of the clip (two pixels and
// its own growth beyond it), so that the exact test in device pixels runs only near the clip.
class ClipWindow {
public:
    ClipWindow(const Mapping& m, const DeviceRect* clip) : usable_(clip && m.kx > 0 && m.ky > 0), m_(m) {
        if (!usable_) return;
        left_ = (clip->left - m.ox) / m.kx;
        right_ = (clip->right - m.ox) / m.kx;
        top_ = -(clip->top - m.oy) / m.ky;
        bottom_ = -(clip->bottom - m.oy) / m.ky;
    }
    bool Usable() const { return usable_; }
    // The window grown by device pixels, in logical units.
    ICanvas::DoubleRect Grown(double pixels) const {
        const double mx = pixels / m_.kx, my = pixels / m_.ky;
        return {left_ - mx, top_ + my, right_ + mx, bottom_ - my};
    }
    bool ClearlyOutside(const InvalidArea& a) const {
        if (!usable_) return false;
        const double mx = (a.pixels + 2) / m_.kx, my = (a.pixels + 2) / m_.ky;
        const ICanvas::DoubleRect& r = a.logical;
        return std::max(r.left, r.right) < left_ - mx || std::min(r.left, r.right) > right_ + mx ||
               std::max(r.top, r.bottom) < bottom_ - my || std::min(r.top, r.bottom) > top_ + my;
    }
private:
    bool usable_;
    const Mapping& m_;
    double left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;
};
}  // namespace

void DrawingModel::Render(IRenderer& r, const Mapping& m, const DeviceRect* clip) const {
    RenderContext rc{r, m, *this};
    const ClipWindow window(m, clip);
    const auto render = [&](const Drawable* d) {
        // A shooter's area may be older than its guide until the changed areas are taken.
        const bool known = !guidesStale_ || !d->FollowsTargets();
        if (clip && known && (window.ClearlyOutside(d->area_) || !d->area_.ToDevice(m).Intersects(*clip))) return;
        d->Render(rc);
    };
    thread_local std::vector<Drawable*> nearby;  // reused: a repaint allocates nothing once warm
    for (int i = kKeyed; i <= kTopmost; ++i) {
        // Of a large drawing only what lies near a small clip is visited.
        if (i == kPlain && window.Usable() && !guidesStale_ && plain_.Near(window.Grown(kGridPixels + 2), nearby)) {
            for (const Drawable* d : nearby) render(d);
            continue;
        }
        for (const Drawable* d : layers_[i]) render(d);
    }
}

} // namespace DrawingKernel
