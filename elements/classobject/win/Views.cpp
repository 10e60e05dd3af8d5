#include "elements/classobject/win/Views.h"

#include "elements/classobject/EndImp.h"
#include "view/Shapes.h"

namespace ClassObject {

namespace {
// The diamond's length and width, and the arrow head's.
constexpr double kDiamondLength = 600, kDiamondWidth = 300, kArrowLength = 700, kArrowWidth = 260;
}  // namespace

zq::float8Point DrawEndAdornment(ICanvas::Canvas& canvas, ICanvas::Group& group, const zq::float8Point& p,
                                 const zq::float8Point& q, std::int32_t type, bool traversed) {
  zq::float8Point start = p;
  if (type == EndType::Aggregation || type == EndType::Composition) {
    const View::DiamondShape diamond(canvas, group, p, q, kDiamondLength, kDiamondWidth, type == EndType::Composition);
    start = diamond.GetFar();
  }
  if (traversed) View::ArrowShape(canvas, group, start, q, kArrowLength, kArrowWidth, 1);
  return start;
}

}  // namespace ClassObject
