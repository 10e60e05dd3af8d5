#pragma once
// The box bases that class boxes and objects share: a named, resizable, styled element with a
// text, through whose outline connector ends attach.
#include <vector>

#include "core/Interfaces.h"
#include "core/foundation/Geometry.h"
#include "core/foundation/GraphUtil.h"
#include "style/Clients.h"
#include "text/TextOwner.h"

namespace ClassObject {

// A box node that ends attach to.
class Terminal : public virtual Core::IResizable, public Core::INamed, public TextBlock::ITextOwner,
                 public virtual Style::IStyleClient, public virtual Core::ITerminal {
 public:
  // The closed outline through which ends attach (y up, clockwise); with old, as before the running transaction.
  virtual void GetOutline(std::vector<zq::Point>& outline, bool old) const = 0;
  // The outline as GraphUtil takes it.
  GraphUtil::Outline GetTerminalOutlinePoints(bool old = false) const {
    std::vector<zq::Point> corners;
    GetOutline(corners, old);
    GraphUtil::Outline outline;
    outline.reserve(corners.size());
    for (const zq::Point& p : corners) outline.push_back({double(p.x), double(p.y)});
    return outline;
  }
  // ITerminal: ends sit on the outline.
  bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const override {
    out = GraphUtil::NearestOutlinePoint(GetTerminalOutlinePoints(), point, horizontal, !horizontal);
    return out.valid;
  }
};

}  // namespace ClassObject
