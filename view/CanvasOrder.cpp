#include "view/CanvasOrder.h"
#include "core/foundation/Cast.h"

#include <cstdlib>

namespace View::CanvasOrder {

bool Impl::IsBefore(const ICanvas::IOrder& other) const
{
    auto* o = zq::Cast<const Impl>(&other);
    if (o == nullptr) return false;
    if (class_ != o->class_) return class_ < o->class_;
    if (class_ != 0) return false;
    return value_ > o->value_;
}

int64_t Area(int64_t width, int64_t height)
{
    return std::llabs(width) * std::llabs(height);
}

std::shared_ptr<const Impl> FromSize(const zq::Point& size)
{
    return std::make_shared<const Impl>(0, Area(size.x, size.y));
}

std::shared_ptr<const Impl> FromRect(const zq::Rect& rect)
{
    return std::make_shared<const Impl>(0, Area(int64_t(rect.right) - rect.left, int64_t(rect.top) - rect.bottom));
}

} // namespace View::CanvasOrder
