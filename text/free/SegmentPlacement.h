#pragma once
// Where a text anchored on a connector segment goes by default: beside the point of the segment
// nearest to where it was asked for, 200 units off, growing away from the segment.
#include <any>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/foundation/Geometry.h"
#include "text/free/FreeText.h"

namespace Core {
class Env;
}
namespace Connector {
class IConnector;
class ISegment;
}

namespace Text {

// The placement for the segment from p1 to p2 with its orthogonal flags, asked for near the point:
// the anchor is the nearest point of the segment; a horizontal segment puts the text above it
// (code 4), a vertical one to its right (code 1), an oblique one above and to the right (code 3
// when it rises to the right or falls to the left, else 4).
TextPlacement SegmentTextPlacement(const zq::float8Point& p1, const zq::float8Point& p2, bool horizontal,
                                   bool vertical, const zq::float8Point& point);
// The same for a segment of the connector engine, from the current points of its two ends; a
// segment without two ends places at the point itself.
TextPlacement GetSegmentTextPlacement(const Connector::ISegment& segment, const zq::float8Point& point);

// Where a point that lay on the segment from a0 to b0 lies on the segment from a to b: along an
// oblique segment at the same fraction of its length (the midpoint when it had none), on an
// orthogonal one where it was, or moved with it when both ends moved alike; either way inside the
// box spanned by a and b.
zq::float8Point SegmentLineMap(const zq::float8Point& a0, const zq::float8Point& b0, const zq::float8Point& a,
                               const zq::float8Point& b, bool orthogonal, const zq::float8Point& p);

// The boxes of a diagram that the texts anchored on connectors keep off: every resizable box and
// every terminal with an area (an activation's bar, a pseudo-state); found once for a pass over many
// segments, and looked up by place. A box the running change moved, resized or made is told from
// the others.
class DiagramBoxes {
 public:
  explicit DiagramBoxes(Core::Env& env);
  // The rectangles that reach into the area, but those that hold an end of the connector lying on
  // another element (a package, a composite state around it): its texts lie over those by right.
  std::vector<zq::Rect> Near(const zq::Rect& area, const Connector::IConnector& c) const;
  // Whether the rectangle lies over a box that the running change moved, resized or made and that
  // does not hold the connector (a box dropped onto the connector's text).
  bool OverChanged(const zq::Rect& rect, const Connector::IConnector& c) const;
  // Whether the running change moved, resized or made any box.
  bool AnyChanged() const { return changed_; }

 private:
  struct Box {
    const Core::IModelElement* element;
    zq::Rect rect;
    bool changed;
  };
  // The boxes that reach into the area and do not hold the connector.
  std::vector<const Box*> Reaching(const zq::Rect& area, const Connector::IConnector& c) const;
  std::vector<Box> boxes_;
  std::unordered_map<std::int64_t, std::vector<std::size_t>> cells_;  // box indices by square of the grid
  std::vector<std::size_t> large_;  // the boxes over too many squares, looked at always
  bool changed_ = false;
};

// The diagram's boxes of the pass over many connector parts, found at its first use.
const DiagramBoxes& PassBoxes(Core::Env& env, std::any& pass);

// How much of the rectangle lies over the boxes (the sum of the overlapping areas).
double AreaOver(const zq::Rect& rect, const std::vector<zq::Rect>& boxes);

// A text of the size anchored on the segment from p1 to p2 that lies over a box goes beside the
// segment where it lies off every box: the segment's middle first, then places ever farther from
// it; at each, above or below a level segment (centred on the anchor, then from it either way),
// right or left of a plumb one, on either side of an oblique one, 200 units off, and only where
// none of those is clear farther off (up to 20 mm). False when no place is clear (the text stays).
bool PlaceOffBoxes(const zq::float8Point& p1, const zq::float8Point& p2, bool horizontal, bool vertical,
                   TextBlock::Extent size, const std::vector<zq::Rect>& boxes, TextPlacement& placement);

// Whether p lies on the infinite line through a and b (within half a unit; on a itself when a
// and b coincide).
bool RunsAlong(const zq::float8Point& a, const zq::float8Point& b, const zq::float8Point& p);

}  // namespace Text
