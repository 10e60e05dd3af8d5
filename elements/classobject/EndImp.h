#pragma once
// What association ends and link ends share: where the texts anchored at an end go, and which
// decoration an end of a given kind shows.
#include <any>
#include <cstddef>
#include <vector>

#include "core/Interfaces.h"
#include "text/free/FreeText.h"
#include "view/connector/Interfaces.h"

namespace Text {
class Anchor;
}

namespace ClassObject {

// The end kinds: a plain end, a hollow (aggregation) or a filled (composition) diamond.
namespace EndType {
enum T : std::int32_t { Direct = 1, Aggregation = 2, Composition = 3 };
}

// The offset of an anchored text's corner from the end point, on each axis.
constexpr double kEndTextOffset = 200;

// The placement of a new text at the end point p, whose segment runs on to q, on the terminal (none:
// a free end). With exactly one text there already (its origin firstOrigin) the new text takes the
// other corner of the side's pair; otherwise the corner beside p away from the line and the box.
Text::TextPlacement PlaceEndText(const zq::float8Point& p, const zq::float8Point& q, const Core::ITerminal* terminal,
                                 std::size_t anchorCount, std::int32_t firstOrigin);

// The mixin of association and link ends: the concrete end answers its terminal and its texts.
class EndImp {
 public:
  virtual ~EndImp() = default;
  // The element the end sits on (its box or the box's qualifier), or none.
  virtual Core::IModelElement* GetTerminalElement() const = 0;
  // The number of texts anchored at the end.
  virtual std::size_t GetAnchorCount() const = 0;
  // The first anchored text (asked only when there is one).
  virtual Text::Anchor* GetFirstAnchor() const = 0;
  // The end itself.
  virtual const Connector::IEnd& GetEnd() const = 0;
  // Where a new anchored text goes; the asked point does not matter.
  Text::TextPlacement PlaceText() const;
  // Carries the anchored texts (self is the end) along with the end's move in the running change,
  // each hanging out from the side of the box the end now lies on.
  void CarryTexts(Core::Env& env, Core::ITerminal& self, const std::vector<Text::Anchor*>& anchors) const;
  // Once the change's clean-up is done, each anchored text that lies over a box the change moved,
  // resized or made (or over any box, or over another text of the end, when the change moved the
  // end) hangs out from the end's side where it lies off every box and apart from the end's other
  // texts, in its order among them where it can, the nearest such place first; where none is near,
  // it stays. The pass keeps the diagram's boxes (Text::PassBoxes).
  void KeepTextsOffBoxes(Core::Env& env, std::any& pass, const std::vector<Text::Anchor*>& anchors) const;
};

// Maps every point by the displacement of an end since the start of the change: anchored texts
// follow their end with it.
class EndMoveInfo : public Core::ITerminalReshapeInfo {
 public:
  EndMoveInfo(Core::ITerminal& end, const zq::float8Point& from, const zq::float8Point& to)
      : end_(end), dx_(to.x - from.x), dy_(to.y - from.y) {}
  zq::float8Point MapPoint(const zq::float8Point& p) const override { return {p.x + dx_, p.y + dy_}; }
  Core::ITerminal* GetTerminal() const override { return &end_; }

 private:
  Core::ITerminal& end_;
  double dx_, dy_;
};

}  // namespace ClassObject
