// The element factories shared by every canvas, over one retained drawing.
#pragma once

#include "drawing/Drawables.h"

namespace DrawingKernel {

// Implements the Canvas operations of a canvas interface I on a DrawingModel.
template <class I>
class CanvasImpl : public I {
public:
    using P = zq::float8Point;
    using R = ICanvas::DoubleRect;
    using S = ICanvas::LineStyle;
    using E = ICanvas::Element;

    ICanvas::Element CreateLine(const P& p, const P& q) override { return Add<LineDrawable>(p, q, S{}, Dash::Solid); }
    E CreateLine(const P& p, const P& q, const S& s) override { return Add<LineDrawable>(p, q, s, Dash::Solid); }
    E CreateDashedLine(const P& p, const P& q, int style) override {
        return Add<LineDrawable>(p, q, S{}, style ? Dash::Marker : Dash::Dashed);
    }
    E CreateRect(const R& r) override { return Shape(ShapeDrawable::Kind::Polygon, Corners(r), S{}, {}, Dash::Solid); }
    E CreateRect(const R& r, const S& s) override { return Shape(ShapeDrawable::Kind::Polygon, Corners(r), s, {}, Dash::Solid); }
    E CreateFilledRect(const R& r, const S& fill, ICanvas::OrderKey key) override {
        return Shape(ShapeDrawable::Kind::Polygon, Corners(r), {}, fill, Dash::Solid, std::move(key));
    }
    E CreateDashedRect(const R& r, int style) override {
        return Shape(ShapeDrawable::Kind::Polygon, Corners(r), S{}, {}, style ? Dash::Marker : Dash::Dashed);
    }
    E CreateClosedPolygon(const std::vector<P>& pts) override { return Poly(pts, S{}, {}, nullptr); }
    E CreateClosedPolygon(const std::vector<P>& pts, const S& s) override { return Poly(pts, s, {}, nullptr); }
    E CreateFilledPolygon(const std::vector<P>& pts, const S& fill, ICanvas::OrderKey key) override {
        return Poly(pts, {}, fill, std::move(key));
    }
    E CreateEllipse(const R& r) override { return Shape(ShapeDrawable::Kind::Ellipse, Two(r), S{}, {}, Dash::Solid); }
    E CreateEllipse(const R& r, const S& s) override { return Shape(ShapeDrawable::Kind::Ellipse, Two(r), s, {}, Dash::Solid); }
    E CreateFilledEllipse(const R& r, const S& fill, ICanvas::OrderKey key) override {
        return Shape(ShapeDrawable::Kind::Ellipse, Two(r), {}, fill, Dash::Solid, std::move(key));
    }
    E CreateMarkerEllipse(const R& r, int flag) override {
        S s;
        if (flag) s.width = 0;
        return Shape(ShapeDrawable::Kind::Ellipse, Two(r), s, {}, flag ? Dash::Solid : Dash::Marker);
    }
    E CreateRoundRect(const R& r, double w, double h) override {
        return Round(r, w, h, S{}, {}, nullptr);
    }
    E CreateFilledRoundRect(const R& r, double w, double h, const S& fill, ICanvas::OrderKey key) override {
        return Round(r, w, h, {}, fill, std::move(key));
    }
    E CreatePicture(const P& p, int id) override { return Add<PictureDrawable>(p, id); }
    E CreatePictures(std::vector<P> points, int id) override {
        if (points.empty()) return E();
        return Add<PictureDrawable>(std::move(points), id);
    }
    E CreateAdjustMarker(const P& p, uint32_t sides, int target) override { return Add<MarkerDrawable>(p, sides, target != 0); }
    E CreateCustom(std::shared_ptr<ICanvas::ICustomDrawing> d, ICanvas::OrderKey key) override {
        if (!d) return E();
        return Add<CustomDrawable>(std::move(d), std::move(key));
    }
    R GetExtent() const override { return model_.Extent(); }
    void SetPageLayout(const Page::PageLayout& layout) override { layout_ = layout; OnLayoutChanged(); }
    const Page::PageLayout& GetPageLayout() const override { return layout_; }
    bool IsClosing() const override { return closing_; }

protected:
    // Called after the page layout changed.
    virtual void OnLayoutChanged() {}
    DrawingModel model_;
    Page::PageLayout layout_;
    bool closing_ = false;

private:
    template <class D, class... A>
    E Add(A&&... a) {
        auto d = std::make_shared<D>(std::forward<A>(a)...);
        model_.Insert(d.get());
        return E(std::move(d));
    }
    E Shape(ShapeDrawable::Kind k, std::vector<P> pts, std::optional<S> outline, std::optional<S> fill, Dash dash,
            ICanvas::OrderKey key = nullptr) {
        return Add<ShapeDrawable>(k, std::move(pts), outline, fill, dash, std::move(key));
    }
    E Poly(const std::vector<P>& pts, std::optional<S> outline, std::optional<S> fill, ICanvas::OrderKey key) {
        if (pts.empty()) return E();
        return Shape(ShapeDrawable::Kind::Polygon, pts, outline, fill, Dash::Solid, std::move(key));
    }
    E Round(const R& r, double w, double h, std::optional<S> outline, std::optional<S> fill, ICanvas::OrderKey key) {
        auto d = std::make_shared<ShapeDrawable>(ShapeDrawable::Kind::RoundRect, Two(r), outline, fill, Dash::Solid, std::move(key));
        d->SetCorner(w, h);
        model_.Insert(d.get());
        return E(std::move(d));
    }
    static std::vector<P> Corners(const R& r) {
        return {P(r.left, r.top), P(r.right, r.top), P(r.right, r.bottom), P(r.left, r.bottom)};
    }
    static std::vector<P> Two(const R& r) { return {P(r.left, r.top), P(r.right, r.bottom)}; }
};

} // namespace DrawingKernel
