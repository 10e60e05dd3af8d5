#include "elements/classobject/EndImp.h"

#include "text/free/Anchor.h"
#include "core/foundation/Cast.h"

namespace ClassObject {

namespace {
// The point of the terminal's outline nearest to p with its edge normal: the nearer of the level
// and the plumb hit (the plumb one on a tie).
bool NearestHit(const Core::ITerminal& terminal, const zq::float8Point& p, GraphUtil::OutlineHit& out) {
  GraphUtil::OutlineHit level, plumb;
  const bool hasLevel = terminal.GetTerminalOutline(level, p, true) && level.valid;
  const bool hasPlumb = terminal.GetTerminalOutline(plumb, p, false) && plumb.valid;
  if (!hasLevel && !hasPlumb) return false;
  out = !hasLevel || (hasPlumb && plumb.distance <= level.distance) ? plumb : level;
  return true;
}

zq::float8Point Corner(const zq::float8Point& p, std::int32_t code) {
  switch (code) {
    case 2: return {p.x - kEndTextOffset, p.y - kEndTextOffset};
    case 3: return {p.x - kEndTextOffset, p.y + kEndTextOffset};
    case 4: return {p.x + kEndTextOffset, p.y + kEndTextOffset};
    default: return {p.x + kEndTextOffset, p.y - kEndTextOffset};
  }
}
}  // namespace

Text::TextPlacement PlaceEndText(const zq::float8Point& p, const zq::float8Point& q, const Core::ITerminal* terminal,
                                 std::size_t anchorCount, std::int32_t firstOrigin) {
  Text::TextPlacement placement;
  placement.anchorPoint = p;
  placement.textPoint = p;
  placement.origin = Text::OriginTopLeft;
  GraphUtil::OutlineHit hit;
  if (terminal == nullptr || !NearestHit(*terminal, p, hit)) return placement;
  const double nx = hit.normal.x, ny = hit.normal.y, dx = q.x - p.x, dy = q.y - p.y;
  // Each side allows two corners: the first when the line leaves on its lower (left) half.
  std::int32_t pair[2];
  if (nx > 0) pair[0] = 4, pair[1] = 1;
  else if (nx < 0) pair[0] = 3, pair[1] = 2;
  else if (ny > 0) pair[0] = 4, pair[1] = 3;
  else if (ny < 0) pair[0] = 1, pair[1] = 2;
  else return placement;
  const bool first = nx != 0 ? dy <= 0 : dx <= 0;
  std::int32_t code = first ? pair[0] : pair[1];
  // A second text goes to the other side of the line.
  if (anchorCount == 1 && (firstOrigin == pair[0] || firstOrigin == pair[1]))
    code = firstOrigin == pair[0] ? pair[1] : pair[0];
  placement.textPoint = Corner(p, code);
  placement.origin = code;
  return placement;
}

Text::TextPlacement EndImp::PlaceText() const {
  const Connector::IEnd& end = GetEnd();
  const zq::float8Point p = end.GetPosition();
  zq::float8Point q = p;
  if (const Connector::ISegment* s = end.GetSegment())
    if (const Connector::ISegmentEnd* other = s->OtherEnd(&end)) q = other->GetPoint();
  std::int32_t first = 0;
  if (GetAnchorCount() == 1)
    if (const Text::FreeText* text = GetFirstAnchor()->GetFreeText()) first = text->GetOrigin();
  return PlaceEndText(p, q, zq::Cast<const Core::ITerminal>(GetTerminalElement()), GetAnchorCount(), first);
}

}  // namespace ClassObject
