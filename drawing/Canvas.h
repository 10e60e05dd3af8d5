// The canvas interfaces every view draws on: retained elements, groups, drawing order, line styles.
#pragma once

#include "core/foundation/Geometry.h"
#include "drawing/PageLayout.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <functional>
#include <vector>

typedef struct HDC__* HDC;

namespace ICanvas {

// A rectangle of four doubles in 0.01 mm, y up: top is the larger y when normalised.
struct DoubleRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    // Orders the sides so that left <= right and bottom <= top.
    DoubleRect Normalized() const {
        return {std::min(left, right), std::max(top, bottom), std::max(left, right), std::min(top, bottom)};
    }
    // True when the rectangle has no area and no extent in either direction after normalising.
    bool IsEmpty() const { return left == right && top == bottom; }
    // The smallest normalised rectangle holding both (an empty `this` is not special).
    DoubleRect Union(const DoubleRect& o) const {
        const DoubleRect a = Normalized(), b = o.Normalized();
        return {std::min(a.left, b.left), std::max(a.top, b.top), std::max(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    }
    friend bool operator==(const DoubleRect&, const DoubleRect&) = default;
};

// A model rectangle or point as the canvas takes it.
inline DoubleRect ToDouble(const zq::Rect& r) { return {double(r.left), double(r.top), double(r.right), double(r.bottom)}; }
inline zq::float8Point ToDouble(const zq::Point& p) { return p; }

// A pen description: width in 0.01 mm (0 = one device pixel) and a colour that is either a
// system colour index or an RGB value (red | green << 8 | blue << 16).
struct LineStyle {
    int32_t width = 0;
    int32_t systemColor = 1;  // non-zero: value is a GetSysColor index
    uint32_t value = 8;       // 8 = COLOR_WINDOWTEXT
    // A style of the given width in a plain colour.
    static LineStyle FromColor(const zq::Color& c, int32_t width = 1);
    friend bool operator==(const LineStyle&, const LineStyle&) = default;
};

// The ordering key of a drawing element: keyed elements are drawn in IsBefore order.
class IOrder {
public:
    virtual ~IOrder() = default;
    // True when an element with this key is drawn before (beneath) one with the other key.
    virtual bool IsBefore(const IOrder& other) const = 0;
    // True when the element is drawn above all unkeyed elements.
    virtual bool IsTopmost() const = 0;
};

using OrderKey = std::shared_ptr<const IOrder>;

// A retained drawing element of a canvas.
class IElement {
public:
    virtual ~IElement() = default;
    // Moves the element by a logical vector.
    virtual void Move(const zq::float8Vector& by) = 0;
};

// A handle that shares an element with its canvas; the last handle released removes it.
class Element {
public:
    Element() = default;
    explicit Element(std::shared_ptr<IElement> e) : element_(std::move(e)) {}
    // Moves the element; nothing for an empty handle.
    void Move(const zq::float8Vector& by) const { if (element_) element_->Move(by); }
    // Releases the element (it disappears when no other handle holds it).
    void Reset() { element_.reset(); }
    // True when the handle holds no element.
    bool IsEmpty() const { return !element_; }
    // The element, or null.
    IElement* Get() const { return element_.get(); }
    // The shared element.
    const std::shared_ptr<IElement>& Shared() const { return element_; }
protected:
    std::shared_ptr<IElement> element_;
};

// A handle of a rectangle element (rubber bands and previews).
class Rect : public Element {
public:
    Rect() = default;
    Rect(Element e) : Element(std::move(e)) {}  // NOLINT: a plain handle becomes a rectangle handle
};

// A retained group of elements that owns them; moving or resetting it acts on all of them.
class Group : public Element {
public:
    // Appends an element, creating the group's element on first use.
    void Add(const Element& e);
    // Removes every child (the group handle stays usable).
    void Clear();
    // Releases every child and the group itself.
    void Reset() { Clear(); element_.reset(); }
    // Number of children.
    size_t Size() const;
    // Calls f with every child, in the order they were added.
    void ForEach(const std::function<void(const Element&)>& f) const;
};

// Drawing of the text subsystem and other clients: the canvas calls it while it renders.
class IDrawContext {
public:
    virtual ~IDrawContext() = default;
    // A GDI device context with the renderer's pending output flushed.
    virtual HDC GetDC() = 0;
    // Maps a logical point to device pixels of that context.
    virtual zq::float8Point ToDevice(const zq::float8Point& logical) const = 0;
    // Device pixels per logical unit across.
    virtual double PixelsPerUnit() const = 0;
};

// A custom drawable: the canvas keeps it in order and asks it to draw itself.
class ICustomDrawing {
public:
    virtual ~ICustomDrawing() = default;
    // The logical area the drawing covers.
    virtual DoubleRect GetBounds() const = 0;
    // Draws into the context.
    virtual void Draw(IDrawContext& dc) const = 0;
    // Moves the drawing by a logical vector.
    virtual void Move(const zq::float8Vector& by) = 0;
};

// Flags of CreateAdjustMarker: the sides that meet at the marked point.
enum MarkerSide : uint32_t { SideLeft = 1, SideRight = 256, SideTop = 65536, SideBottom = 16777216 };

// The surface every view element draws on; the same calls serve screen, printer and metafiles.
class Canvas {
public:
    virtual ~Canvas() = default;
    // A solid line in the default style.
    virtual Element CreateLine(const zq::float8Point& p, const zq::float8Point& q) = 0;
    // A solid line in a given style.
    virtual Element CreateLine(const zq::float8Point& p, const zq::float8Point& q, const LineStyle& s) = 0;
    // Style 0: a dashed line; style 1: a marker line (the image of a dragged element).
    virtual Element CreateDashedLine(const zq::float8Point& p, const zq::float8Point& q, int style) = 0;
    // A rectangle outline in the default style.
    virtual Element CreateRect(const DoubleRect& r) = 0;
    // A rectangle outline in a given style.
    virtual Element CreateRect(const DoubleRect& r, const LineStyle& s) = 0;
    // A rectangle filled with the style's colour, placed in the drawing order by the key.
    virtual Element CreateFilledRect(const DoubleRect& r, const LineStyle& fill, OrderKey key) = 0;
    // Style 0: a dashed rectangle; style 1: a marker rectangle.
    virtual Element CreateDashedRect(const DoubleRect& r, int style) = 0;
    // An unfilled closed outline through the points.
    virtual Element CreateClosedPolygon(const std::vector<zq::float8Point>& pts) = 0;
    // An unfilled closed outline in a given style.
    virtual Element CreateClosedPolygon(const std::vector<zq::float8Point>& pts, const LineStyle& s) = 0;
    // A polygon filled with the style's colour, placed by the key.
    virtual Element CreateFilledPolygon(const std::vector<zq::float8Point>& pts, const LineStyle& fill, OrderKey key) = 0;
    // The ellipse inscribed in the rectangle.
    virtual Element CreateEllipse(const DoubleRect& r) = 0;
    // The ellipse in a given style.
    virtual Element CreateEllipse(const DoubleRect& r, const LineStyle& s) = 0;
    // A filled ellipse placed by the key.
    virtual Element CreateFilledEllipse(const DoubleRect& r, const LineStyle& fill, OrderKey key) = 0;
    // An ellipse drawn as a mark (flag set: the selected form).
    virtual Element CreateMarkerEllipse(const DoubleRect& r, int flag) = 0;
    // A rectangle with rounded corners; w and h are the corner ellipse's width and height.
    virtual Element CreateRoundRect(const DoubleRect& r, double w, double h) = 0;
    // The same filled with the style's colour.
    virtual Element CreateFilledRoundRect(const DoubleRect& r, double w, double h, const LineStyle& fill, OrderKey key = nullptr) = 0;
    // The picture of that id centred on the point at its own pixel size, combined by AND.
    virtual Element CreatePicture(const zq::float8Point& p, int pictureId) = 0;
    // The picture centred on each of the points (at least one), as one element: the handles of a
    // selected box cost one element, not one each.
    virtual Element CreatePictures(std::vector<zq::float8Point> points, int pictureId) = 0;
    // An adjust marker: sides is a MarkerSide combination; target set: a target, else a shooter
    // that draws a dotted guide to the nearest target lined up with it.
    virtual Element CreateAdjustMarker(const zq::float8Point& p, uint32_t sides, int target) = 0;
    // A drawing of another subsystem (text runs), placed by the key.
    virtual Element CreateCustom(std::shared_ptr<ICustomDrawing> drawing, OrderKey key = nullptr) = 0;
    // The union of all elements' areas; an empty rectangle when nothing is drawn.
    virtual DoubleRect GetExtent() const = 0;
    // Copies the page record into the canvas.
    virtual void SetPageLayout(const Page::PageLayout& layout) = 0;
    // The page record in force.
    virtual const Page::PageLayout& GetPageLayout() const = 0;
    // True while the canvas is being torn down: page frames leave the layout alone then.
    virtual bool IsClosing() const = 0;
};

} // namespace ICanvas

namespace GraphUtil {

// Adds the four corner markers (top-left, top-right, bottom-left, bottom-right) to the group.
void AddCornerMarks(ICanvas::Canvas& canvas, ICanvas::Group& group, const ICanvas::DoubleRect& r, int target);
// Adds the four edge-centre markers (top, bottom, left, right) to the group.
void AddEdgeCenterMarks(ICanvas::Canvas& canvas, ICanvas::Group& group, const ICanvas::DoubleRect& r, int target);

} // namespace GraphUtil
