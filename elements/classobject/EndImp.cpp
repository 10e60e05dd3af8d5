#include "elements/classobject/EndImp.h"

#include "text/free/Anchor.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <cmath>

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

namespace {
// Whether the text's origin code hangs it out from the side whose outward normal is n: away from the
// box on the normal's axis (codes 4 and 1 to the right, 4 and 3 upwards).
bool HangsOut(std::int32_t code, const zq::float8Vector& n) {
  if (n.x != 0) return (code == 4 || code == 1) == (n.x > 0);
  if (n.y != 0) return (code == 4 || code == 3) == (n.y > 0);
  return true;
}
}  // namespace

void EndImp::CarryTexts(Core::Env& env, Core::ITerminal& self, const std::vector<Text::Anchor*>& anchors) const {
  const Connector::IEnd& end = GetEnd();
  const EndMoveInfo info(self, end.GetOldPosition(), end.GetPosition());
  for (Text::Anchor* a : anchors) a->OnTerminalReshaped(env, info, nullptr);
  const auto* box = zq::Cast<const Core::IResizable>(GetTerminalElement());
  if (box == nullptr) return;
  // The outward normal of the side of the box's rectangle nearest to the end.
  const zq::Rect r = box->GetRect().Normalized();
  const zq::float8Point e = end.GetPosition();
  const double gap[4] = {e.x - r.left, r.right - e.x, r.top - e.y, e.y - r.bottom};
  const zq::float8Vector normals[4] = {{-1, 0}, {1, 0}, {0, 1}, {0, -1}};
  const zq::float8Vector normal = normals[std::min_element(gap, gap + 4) - gap];
  // An end not (yet) on its box's outline within the change has no side.
  GraphUtil::OutlineHit hit;
  const auto* terminal = zq::Cast<const Core::ITerminal>(GetTerminalElement());
  const bool onOutline = terminal != nullptr && NearestHit(*terminal, e, hit) && hit.distance <= 1;
  for (Text::Anchor* a : anchors) {
    Text::FreeText* text = a->GetFreeText();
    if (a->IsDeleted() || text == nullptr || text->IsDeleted()) continue;
    // From the text as it hung at the start of the change: the same corner and offset, mirrored
    // across the end on the normal's axis where it hung towards the box (a move of the end to
    // another side would take it inside).
    std::int32_t code = text->GetOldRep().origin;
    if (code < 1 || code > 4) continue;
    const zq::Point was = text->GetOldPos();
    const zq::float8Point anchor = a->GetOldRep().pos, now = a->GetPos();
    zq::float8Point offset{was.x - anchor.x, was.y - anchor.y};
    if (onOutline && !HangsOut(code, normal)) {
      const bool acrossX = normal.x != 0;
      static const std::int32_t kMirrorX[5] = {0, 2, 1, 4, 3}, kMirrorY[5] = {0, 4, 3, 2, 1};
      code = acrossX ? kMirrorX[code] : kMirrorY[code];
      (acrossX ? offset.x : offset.y) *= -1;
    } else if (code == text->GetOrigin()) {
      continue;  // as carried
    }
    text->SetOrigin(env, code);
    text->SetPos(env, zq::Point(std::lround(now.x + offset.x), std::lround(now.y + offset.y)));
  }
}

}  // namespace ClassObject
