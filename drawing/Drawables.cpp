#include "app/winutil/Platform.h"
#include "drawing/Drawables.h"
#include "drawing/DrawingKernel.h"

#include <cmath>
#include <map>
#include <stdexcept>

namespace DrawingKernel {

namespace {

// Loads bitmaps from the program's resources once and keeps them.
class ResourcePictures : public IPictureSource {
public:
    ~ResourcePictures() override {
        for (auto& [id, b] : bitmaps_)
            if (b) DeleteObject(b);
    }
    HBITMAP GetPicture(int id) override {
        auto it = bitmaps_.find(id);
        if (it == bitmaps_.end()) {
            auto b = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
            it = bitmaps_.emplace(id, b).first;
        }
        return it->second;
    }
private:
    std::map<int, HBITMAP> bitmaps_;
};

std::shared_ptr<IPictureSource>& Source() {
    static std::shared_ptr<IPictureSource> source = std::make_shared<ResourcePictures>();
    return source;
}

// The pixel sizes of the pictures of the current source by id (zero for unknown ones): selecting
// many elements makes a picture per handle, and asking GDI for the size each time is slow.
std::map<int, SIZE>& PictureSizes() {
    static std::map<int, SIZE> sizes;
    return sizes;
}

SIZE PictureSizeOf(int id) {
    auto [it, added] = PictureSizes().try_emplace(id, SIZE{0, 0});
    BITMAP info{};
    if (added)
        if (HBITMAP b = PictureOf(id); b && GetObjectW(b, sizeof info, &info)) it->second = {info.bmWidth, std::abs(info.bmHeight)};
    return it->second;
}

ICanvas::DoubleRect BoundsOf(const std::vector<zq::float8Point>& pts) {
    ICanvas::DoubleRect r{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    for (const auto& p : pts) {
        r.left = std::min(r.left, p.x);
        r.right = std::max(r.right, p.x);
        r.bottom = std::min(r.bottom, p.y);
        r.top = std::max(r.top, p.y);
    }
    return r;
}

ICanvas::DoubleRect Grown(const ICanvas::DoubleRect& r, double d) {
    return {r.left - d, r.top + d, r.right + d, r.bottom - d};
}

// The context handed to custom drawings.
class DrawContext : public ICanvas::IDrawContext {
public:
    explicit DrawContext(RenderContext& rc) : rc_(rc) {}
    ~DrawContext() override { rc_.renderer.ReleaseDC(); }
    HDC GetDC() override { return rc_.renderer.GetDC(); }
    zq::float8Point ToDevice(const zq::float8Point& p) const override { return rc_.map.ToDevice(p); }
    double PixelsPerUnit() const override { return rc_.map.kx; }
private:
    RenderContext& rc_;
};

} // namespace

void SetPictureSource(std::shared_ptr<IPictureSource> source) {
    Source() = source ? std::move(source) : std::make_shared<ResourcePictures>();
    PictureSizes().clear();
}

HBITMAP PictureOf(int id) { return Source()->GetPicture(id); }

ICanvas::DoubleRect LineDrawable::Bounds() const {
    return {std::min(p_.x, q_.x), std::max(p_.y, q_.y), std::max(p_.x, q_.x), std::min(p_.y, q_.y)};
}

InvalidArea LineDrawable::PaintArea() const { return {Grown(Bounds(), style_.width / 2.0), 3}; }

void LineDrawable::Render(RenderContext& rc) const {
    rc.renderer.Line(rc.map.ToDevice(p_), rc.map.ToDevice(q_), rc.PenOf(style_, dash_));
}

ICanvas::DoubleRect ShapeDrawable::Bounds() const { return BoundsOf(pts_); }

InvalidArea ShapeDrawable::PaintArea() const {
    return {Grown(Bounds(), outline_ ? outline_->width / 2.0 : 0.0), 3};
}

void ShapeDrawable::Translate(const zq::float8Vector& by) {
    for (auto& p : pts_) p = p + by;
}

void ShapeDrawable::Render(RenderContext& rc) const {
    std::optional<Pen> pen;
    if (outline_) pen = rc.PenOf(*outline_, dash_);
    std::optional<COLORREF> fill;
    if (fill_) fill = rc.FillOf(*fill_);
    const Pen* pp = pen ? &*pen : nullptr;
    const COLORREF* fp = fill ? &*fill : nullptr;
    switch (kind_) {
    case Kind::Polygon: {
        thread_local std::vector<zq::float8Point> dev;  // reused: rendering allocates nothing per shape
        dev.clear();
        for (const auto& p : pts_) dev.push_back(rc.map.ToDevice(p));
        rc.renderer.Polygon(dev, pp, fp);
        break;
    }
    case Kind::Ellipse:
        rc.renderer.Ellipse(rc.map.ToDevice(Bounds()), pp, fp);
        break;
    case Kind::RoundRect:
        rc.renderer.RoundRect(rc.map.ToDevice(Bounds()), std::fabs(cw_ * rc.map.kx), std::fabs(ch_ * rc.map.ky), pp, fp);
        break;
    }
}

PictureDrawable::PictureDrawable(const zq::float8Point& p, int id) : PictureDrawable(std::vector{p}, id) {}

PictureDrawable::PictureDrawable(std::vector<zq::float8Point> points, int id) : points_(std::move(points)), id_(id) {
    if (points_.empty()) throw std::invalid_argument("a picture drawn nowhere");
    if (const SIZE size = PictureSizeOf(id); size.cx > 0) {
        halfSize_ = std::max(size.cx, size.cy) / 2.0 + 1;
        halfWidth_ = size.cx / 2.0 / PixelsPerUnit(96);
        halfHeight_ = size.cy / 2.0 / PixelsPerUnit(96);
    }
}

ICanvas::DoubleRect PictureDrawable::Span() const {
    ICanvas::DoubleRect r{points_[0].x, points_[0].y, points_[0].x, points_[0].y};
    for (const zq::float8Point& p : points_) {
        r.left = std::min(r.left, p.x);
        r.right = std::max(r.right, p.x);
        r.top = std::max(r.top, p.y);
        r.bottom = std::min(r.bottom, p.y);
    }
    return r;
}

void PictureDrawable::Render(RenderContext& rc) const {
    if (HBITMAP b = PictureOf(id_))
        for (const zq::float8Point& p : points_) rc.renderer.Picture(b, rc.map.ToDevice(p));
}

std::optional<zq::float8Point> MarkerDrawable::GuideEnd() const {
    const DrawingModel* model = Model();
    if (target_ || !model || !model->AnyTargetFree()) return std::nullopt;
    constexpr uint32_t kVertical = ICanvas::SideTop | ICanvas::SideBottom;
    constexpr uint32_t kHorizontal = ICanvas::SideLeft | ICanvas::SideRight;
    std::optional<zq::float8Point> best;
    double bestDist = 0, bestOrder = 0;
    // Along a row a marker looks the way it faces (either way when it faces neither left nor right)
    // for the nearest target with the same top or bottom side that does not face away from it; a
    // corner so never meets the other corners of its own box. Likewise in a column. A target lined
    // up with the marker's row is never one of its column (it lies too near).
    model->WalkTargetsNear(p_, [&](const Drawable& t, int axis) {
        const bool row = axis == 0;
        const zq::float8Point a = t.Anchor();
        const double along = row ? a.x - p_.x : a.y - p_.y;
        if (std::fabs(along) < 0.5) return false;
        const uint32_t low = row ? ICanvas::SideLeft : ICanvas::SideBottom;
        const uint32_t high = row ? ICanvas::SideRight : ICanvas::SideTop;
        const uint32_t ahead = along > 0 ? high : low, behind = along > 0 ? low : high;
        if ((sides_ & (low | high)) != 0 && (sides_ & ahead) == 0) return true;  // behind the marker
        const uint32_t ts = t.TargetSides() & 0x7FFFFFFFu;
        const uint32_t lined = row ? kVertical : kHorizontal;
        if (std::fabs(row ? a.y - p_.y : a.x - p_.x) >= 0.5 || (ts & lined) != (sides_ & lined)) return false;
        // Facing away, or the live drawing of what is dragged along with the marker's image.
        if (((ts & ahead) != 0 && (ts & behind) == 0) || model->UnderShooter(t)) return false;
        const double dist = std::fabs(along);
        // Of equally near targets the one that came first.
        const double order = model->TargetOrder(t);
        if (!best || dist < bestDist || (dist == bestDist && order < bestOrder)) {
            best = a;
            bestDist = dist;
            bestOrder = order;
        }
        return true;
    });
    return best;
}

InvalidArea MarkerDrawable::PaintArea() const {
    ICanvas::DoubleRect r = Bounds();
    if (auto end = GuideEnd()) r = r.Union({end->x, end->y, end->x, end->y});
    return {r, 3};
}

void MarkerDrawable::Render(RenderContext& rc) const {
    if (auto end = GuideEnd()) {
        Pen pen;
        pen.color = RGB(0, 0, 255);
        pen.dash = Dash::Guide;
        rc.renderer.Line(rc.map.ToDevice(p_), rc.map.ToDevice(*end), pen);
    }
}

void CustomDrawable::Render(RenderContext& rc) const {
    DrawContext dc(rc);
    drawing_->Draw(dc);
}

} // namespace DrawingKernel
