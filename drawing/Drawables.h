// The kinds of retained drawables a canvas creates.
#pragma once

#include "drawing/DrawingModel.h"

#include <memory>
#include <optional>

namespace DrawingKernel {

// The device bitmap of a picture id, null when unknown.
HBITMAP PictureOf(int id);

// A straight line.
class LineDrawable : public Drawable {
public:
    LineDrawable(const zq::float8Point& p, const zq::float8Point& q, const ICanvas::LineStyle& s, Dash dash)
        : p_(p), q_(q), style_(s), dash_(dash) {}
    ICanvas::DoubleRect Bounds() const override;
    InvalidArea PaintArea() const override;
    void Render(RenderContext& rc) const override;
protected:
    void Translate(const zq::float8Vector& by) override { p_ = p_ + by; q_ = q_ + by; }
private:
    zq::float8Point p_, q_;
    ICanvas::LineStyle style_;
    Dash dash_;
};

// The shapes with an optional outline and an optional fill: polygons, ellipses, rounded rectangles.
class ShapeDrawable : public Drawable {
public:
    enum class Kind { Polygon, Ellipse, RoundRect };
    ShapeDrawable(Kind kind, std::vector<zq::float8Point> pts, std::optional<ICanvas::LineStyle> outline,
                  std::optional<ICanvas::LineStyle> fill, Dash dash, ICanvas::OrderKey key = nullptr)
        : Drawable(std::move(key)), kind_(kind), pts_(std::move(pts)), outline_(outline), fill_(fill), dash_(dash) {}
    // Corner ellipse size of a rounded rectangle, logical units.
    void SetCorner(double w, double h) { cw_ = w; ch_ = h; }
    ICanvas::DoubleRect Bounds() const override;
    InvalidArea PaintArea() const override;
    void Render(RenderContext& rc) const override;
protected:
    void Translate(const zq::float8Vector& by) override;
private:
    Kind kind_;
    std::vector<zq::float8Point> pts_;  // polygon corners; two corners for the others
    std::optional<ICanvas::LineStyle> outline_;
    std::optional<ICanvas::LineStyle> fill_;
    Dash dash_;
    double cw_ = 0, ch_ = 0;
};

// A bitmap drawn at its own pixel size, ANDed with the output.
class PictureDrawable : public Drawable {
public:
    PictureDrawable(const zq::float8Point& p, int id);
    // The same bitmap at each of the points, as one drawable (the handles of a selected box).
    PictureDrawable(std::vector<zq::float8Point> points, int id);
    // The bitmaps' rectangles at their size on a 96-dpi screen at 100 %, the size they have on
    // paper and in metafiles; the points when the bitmap is unknown.
    ICanvas::DoubleRect Bounds() const override {
        const ICanvas::DoubleRect r = Span();
        return {r.left - halfWidth_, r.top + halfHeight_, r.right + halfWidth_, r.bottom - halfHeight_};
    }
    // Device pixels around the points: a picture keeps its pixel size at every zoom.
    InvalidArea PaintArea() const override { return {Span(), halfSize_ + 2}; }
    void Render(RenderContext& rc) const override;
    // How many pictures it draws: one at each point.
    size_t Count() const { return points_.size(); }
protected:
    void Translate(const zq::float8Vector& by) override {
        for (zq::float8Point& p : points_) p = p + by;
    }
private:
    // The rectangle spanned by the points (left, top, right, bottom; y up).
    ICanvas::DoubleRect Span() const;
    std::vector<zq::float8Point> points_;
    int id_;
    double halfSize_ = 8;    // pixels
    double halfWidth_ = 0;   // logical units
    double halfHeight_ = 0;
};

// An adjust marker: a target draws nothing; a shooter draws a guide to the nearest lined-up target
// that faces it.
class MarkerDrawable : public Drawable {
public:
    MarkerDrawable(const zq::float8Point& p, uint32_t sides, bool target) : p_(p), sides_(sides), target_(target) {}
    ICanvas::DoubleRect Bounds() const override { return {p_.x, p_.y, p_.x, p_.y}; }
    InvalidArea PaintArea() const override;
    void Render(RenderContext& rc) const override;
    uint32_t TargetSides() const override { return target_ ? (sides_ ? sides_ : 0x80000000u) : 0; }
    uint32_t ShooterSides() const override { return target_ ? 0 : sides_; }
    zq::float8Point Anchor() const override { return p_; }
    bool FollowsTargets() const override { return !target_; }
    // The far end of the guide, when a target lines up.
    std::optional<zq::float8Point> GuideEnd() const;
protected:
    void Translate(const zq::float8Vector& by) override { p_ = p_ + by; }
private:
    zq::float8Point p_;
    uint32_t sides_;
    bool target_;
};

// A drawing of another subsystem.
class CustomDrawable : public Drawable {
public:
    CustomDrawable(std::shared_ptr<ICanvas::ICustomDrawing> d, ICanvas::OrderKey key)
        : Drawable(std::move(key)), drawing_(std::move(d)) {}
    ICanvas::DoubleRect Bounds() const override { return drawing_->GetBounds(); }
    void Render(RenderContext& rc) const override;
protected:
    void Translate(const zq::float8Vector& by) override { drawing_->Move(by); }
private:
    std::shared_ptr<ICanvas::ICustomDrawing> drawing_;
};

} // namespace DrawingKernel
