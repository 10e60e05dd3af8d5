// The drawing-order key of view elements: larger areas are drawn below smaller ones.
#pragma once

#include "core/foundation/Geometry.h"
#include "drawing/Canvas.h"

#include <cstdint>
#include <memory>

namespace View {
namespace CanvasOrder {

// A key of a class and a value. Keys of a smaller class come first; within class 0 the larger value
// (an area) comes first; within any other class no key comes before another.
class Impl : public ICanvas::IOrder {
public:
    Impl(int orderClass, int64_t value) : class_(orderClass), value_(value) {}
    // False for a key of another kind.
    bool IsBefore(const ICanvas::IOrder& other) const override;
    // Keys of this kind never rise above the unkeyed elements.
    bool IsTopmost() const override { return false; }
    int GetClass() const { return class_; }
    int64_t GetValue() const { return value_; }

private:
    int class_;
    int64_t value_;
};

// The area |width| x |height| of a size, computed in 64 bits.
int64_t Area(int64_t width, int64_t height);
// A class-0 key whose value is the area of the size.
std::shared_ptr<const Impl> FromSize(const zq::Point& size);
// A class-0 key whose value is the area of the rectangle (width right - left, height top - bottom).
std::shared_ptr<const Impl> FromRect(const zq::Rect& rect);

} // namespace CanvasOrder

// The stacking key of a filled shape of that size (the class-0 area key).
inline std::shared_ptr<const CanvasOrder::Impl> MakeAreaWeight(const zq::Point& size) { return CanvasOrder::FromSize(size); }
// The same for a rectangle.
inline std::shared_ptr<const CanvasOrder::Impl> MakeAreaWeightOfRect(const zq::Rect& rect) { return CanvasOrder::FromRect(rect); }

} // namespace View
