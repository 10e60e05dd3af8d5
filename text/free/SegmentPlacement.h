#pragma once
// Where a text anchored on a connector segment goes by default: beside the point of the segment
// nearest to where it was asked for, 200 units off, growing away from the segment.
#include "core/foundation/Geometry.h"
#include "text/free/FreeText.h"

namespace Connector {
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

// Whether p lies on the infinite line through a and b (within half a unit; on a itself when a
// and b coincide).
bool RunsAlong(const zq::float8Point& a, const zq::float8Point& b, const zq::float8Point& p);

}  // namespace Text
