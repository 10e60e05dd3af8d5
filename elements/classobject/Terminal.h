#pragma once
// The box bases that class boxes and objects share: a named, resizable, styled element with a
// text, through whose outline connector ends attach.
#include <vector>

#include "core/Interfaces.h"
#include "core/foundation/Geometry.h"
#include "style/Clients.h"
#include "text/TextOwner.h"

namespace ClassObject {

// A box node that ends attach to.
class Terminal : public virtual Core::IResizable, public Core::INamed, public TextBlock::ITextOwner,
                 public virtual Style::IStyleClient {
 public:
  // The closed outline through which ends attach (y up); with old, as before the running transaction.
  virtual void GetOutline(std::vector<zq::Point>& outline, bool old) const = 0;
};

}  // namespace ClassObject
