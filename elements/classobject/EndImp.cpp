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

// How far from the end point, on each axis, a text that a box or another text of the end pushed
// away may hang: the usual offset first, then ever farther.
constexpr double kEndTextOffsets[] = {kEndTextOffset, 400, 700, 1000, 1300, 1600};
constexpr double kFarthestEndText = 1600;

// The first of the two corners, ever farther off the end point p, by which a text of the size lies
// off the boxes and where the other texts of the end let it lie (fits): its code and point; false
// when none is near.
template <class Fits>
bool CornerOffBoxes(const zq::float8Point& p, const std::int32_t order[2], TextBlock::Extent size,
                    const std::vector<zq::Rect>& boxes, const Fits& fits, std::int32_t& code, zq::Point& at) {
  for (const double d : kEndTextOffsets)
    for (int k = 0; k < 2; ++k) {
      at = zq::RoundPoint(Corner(p, order[k], d));
      const zq::Rect r = zq::Rect::FromPosSize(Text::TextOriginPoint(order[k], at, size), size.width, size.height);
      if (Text::AreaOver(r, boxes) > 0 || !fits(r)) continue;
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

namespace {
// A text of an end: its box now and as it stood at the start of the change.
struct EndText {
  Text::Anchor* anchor;
  Text::FreeText* text;
  zq::Rect now, was;
};

bool Overlap(const zq::Rect& a, const zq::Rect& b) {
  return std::max(a.left, b.left) < std::min(a.right, b.right) && std::max(a.bottom, b.bottom) < std::min(a.top, b.top);
}

// Where the rectangle lies against another on the axis: -1 wholly before it (left, or below), 1
// wholly after it, 0 across it.
int Side(const zq::Rect& r, const zq::Rect& other, bool vertical) {
  const auto [lo, hi] = vertical ? std::pair(r.bottom, r.top) : std::pair(r.left, r.right);
  const auto [olo, ohi] = vertical ? std::pair(other.bottom, other.top) : std::pair(other.left, other.right);
  return hi <= olo ? -1 : lo >= ohi ? 1 : 0;
}

// Whether a text at r lies apart from the settled texts and, when ordered, on the same side of each
// (along the end's side) as it stood at the start of the change.
bool FitsAmong(const EndText& t, const zq::Rect& r, const std::vector<const EndText*>& settled, bool vertical,
               bool ordered) {
  return std::none_of(settled.begin(), settled.end(), [&](const EndText* s) {
    if (Overlap(r, s->now)) return true;
    const int was = Side(t.was, s->was, vertical);
    if (!ordered || was == 0) return false;
    const double mid = vertical ? (r.top + r.bottom) / 2.0 : (r.left + r.right) / 2.0;
    const double other = vertical ? (s->now.top + s->now.bottom) / 2.0 : (s->now.left + s->now.right) / 2.0;
    return (mid - other) * was <= 0;
  });
}

// The live texts of the anchors with their boxes.
std::vector<EndText> TextsOf(const std::vector<Text::Anchor*>& anchors) {
  std::vector<EndText> texts;
  for (Text::Anchor* a : anchors) {
    Text::FreeText* text = a->GetFreeText();
    if (a->IsDeleted() || text == nullptr || text->IsDeleted()) continue;
    const zq::Rect now = text->GetBox().Normalized();
    const TextBlock::Extent size{now.Width(), now.Height()};
    const zq::Rect was = zq::Rect::FromPosSize(Text::TextOriginPoint(text->GetOldRep().origin, text->GetOldPos(), size),
                                               size.width, size.height)
                             .Normalized();
    texts.push_back({a, text, now, was});
  }
  return texts;
}
}  // namespace

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
  // Texts stack along the side: one above another beside a left or right side, side by side along
  // a top or bottom one.
  const bool vertical = hit.normal.x != 0;
  // A text that lies off the boxes and off the texts that stay before it stays; of an end the change
  // moved, also one that another text of the end now lies on.
  std::vector<EndText> texts = TextsOf(anchors);
  std::vector<const EndText*> settled;
  std::vector<EndText*> moving;
  for (EndText& t : texts) {
    const bool over = end.IsInTransaction() ? Text::AreaOver(t.now, boxes.Near(t.now, *c)) > 0
                                            : boxes.OverChanged(t.now, *c);
    const bool onOther = end.IsInTransaction() && !FitsAmong(t, t.now, settled, vertical, false);
    if (over || onOther) moving.push_back(&t);
    else settled.push_back(&t);
  }
  // Each to move, in the end's order, goes where it lies off every box and apart from those that
  // stand, in its order among them where it can.
  for (EndText* t : moving) {
    const bool second = t->text->GetOrigin() == pair[1];
    const std::int32_t order[2] = {pair[second ? 1 : 0], pair[second ? 0 : 1]};
    const TextBlock::Extent size{t->now.Width(), t->now.Height()};
    const zq::Rect around = zq::Rect::FromCorners(zq::RoundPoint(p), zq::RoundPoint(p))
                                .Inflated(std::int32_t(kFarthestEndText) + size.width + size.height);
    const std::vector<zq::Rect> near = boxes.Near(around, *c);
    std::int32_t code = 0;
    zq::Point at;
    const auto fits = [&](bool ordered) {
      return [&, ordered](const zq::Rect& r) { return FitsAmong(*t, r, settled, vertical, ordered); };
    };
    if (CornerOffBoxes(p, order, size, near, fits(true), code, at) ||
        CornerOffBoxes(p, order, size, near, fits(false), code, at)) {
      t->anchor->SetPos(env, p);
      t->text->SetOrigin(env, code);
      t->text->SetPos(env, at);
      t->now = t->text->GetBox().Normalized();
    }
    settled.push_back(t);
  }
}

}  // namespace ClassObject
