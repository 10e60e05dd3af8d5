#include "elements/classobject/EndImp.h"

#include "text/free/Anchor.h"
#include "text/free/SegmentPlacement.h"
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

zq::float8Point Corner(const zq::float8Point& p, std::int32_t code, double d = kEndTextOffset) {
  switch (code) {
    case 2: return {p.x - d, p.y - d};
    case 3: return {p.x - d, p.y + d};
    case 4: return {p.x + d, p.y + d};
    default: return {p.x + d, p.y - d};
  }
}

// The two corners a text may hang by from the side whose outward normal is n, the first when the
// line (towards d) leaves on the side's lower (left) half; false for no side.
bool SideCorners(const zq::float8Vector& n, const zq::float8Vector& d, std::int32_t pair[2]) {
  if (n.x > 0) pair[0] = 4, pair[1] = 1;
  else if (n.x < 0) pair[0] = 3, pair[1] = 2;
  else if (n.y > 0) pair[0] = 4, pair[1] = 3;
  else if (n.y < 0) pair[0] = 1, pair[1] = 2;
  else return false;
  if (!(n.x != 0 ? d.y <= 0 : d.x <= 0)) std::swap(pair[0], pair[1]);
  return true;
}

// How far from the end point a text that a box pushed away may hang, on each axis.
constexpr double kFarthestEndText = 1000;

// The first of the two corners, ever farther off the end point p, by which a text of the size lies
// off the boxes: its code and point; false when none is near.
bool CornerOffBoxes(const zq::float8Point& p, const std::int32_t order[2], TextBlock::Extent size,
                    const std::vector<zq::Rect>& boxes, std::int32_t& code, zq::Point& at) {
  for (const double d : {kEndTextOffset, 400.0, 700.0, kFarthestEndText})
    for (int k = 0; k < 2; ++k) {
      at = zq::RoundPoint(Corner(p, order[k], d));
      const zq::Rect r = zq::Rect::FromPosSize(Text::TextOriginPoint(order[k], at, size), size.width, size.height);
      if (Text::AreaOver(r, boxes) > 0) continue;
      code = order[k];
      return true;
    }
  return false;
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
  // Each side allows two corners: the first when the line leaves on its lower (left) half.
  std::int32_t pair[2];
  if (!SideCorners(hit.normal, {q.x - p.x, q.y - p.y}, pair)) return placement;
  std::int32_t code = pair[0];
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

void EndImp::KeepTextsOffBoxes(Core::Env& env, std::any& pass, const std::vector<Text::Anchor*>& anchors) const {
  const Connector::IEnd& end = GetEnd();
  const Connector::IConnector* c = end.GetConnector();
  const auto* terminal = zq::Cast<const Core::ITerminal>(GetTerminalElement());
  GraphUtil::OutlineHit hit;
  if (end.IsDeleted() || c == nullptr || anchors.empty() || terminal == nullptr) return;
  const Text::DiagramBoxes& boxes = Text::PassBoxes(env, pass);
  const zq::float8Point p = end.GetPosition();
  zq::float8Point q = p;
  if (const Connector::ISegment* s = end.GetSegment())
    if (const Connector::ISegmentEnd* other = s->OtherEnd(&end)) q = other->GetPoint();
  std::int32_t pair[2];
  if (!NearestHit(*terminal, p, hit) || !SideCorners(hit.normal, {q.x - p.x, q.y - p.y}, pair)) return;
  for (Text::Anchor* a : anchors) {
    Text::FreeText* text = a->GetFreeText();
    if (a->IsDeleted() || text == nullptr || text->IsDeleted()) continue;
    const zq::Rect box = text->GetBox().Normalized();
    const bool over = end.IsInTransaction() ? Text::AreaOver(box, boxes.Near(box, *c)) > 0 : boxes.OverChanged(box, *c);
    if (!over) continue;
    // The corner it hangs by first, then the other one across the line.
    const bool second = text->GetOrigin() == pair[1];
    const std::int32_t order[2] = {pair[second ? 1 : 0], pair[second ? 0 : 1]};
    const TextBlock::Extent size{box.Width(), box.Height()};
    const zq::Rect around = zq::Rect::FromCorners(zq::RoundPoint(p), zq::RoundPoint(p))
                                .Inflated(std::int32_t(kFarthestEndText) + box.Width() + box.Height());
    std::int32_t code = 0;
    zq::Point at;
    if (!CornerOffBoxes(p, order, size, boxes.Near(around, *c), code, at)) continue;
    a->SetPos(env, p);
    text->SetOrigin(env, code);
    text->SetPos(env, at);
  }
}

}  // namespace ClassObject
