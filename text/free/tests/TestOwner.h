#pragma once
// A box that carries anchored texts, for the free-text tests: it hands its anchors the change of
// its rectangle as a reshape and deletes them with itself.
#include "core/Attach.h"
#include "core/Diagram.h"
#include "core/Factory.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Storable.h"
#include "core/Weight.h"
#include "style/Model.h"
#include "text/free/Anchor.h"
#include "text/free/FreeText.h"

namespace Text::Testing {

// A move of a whole box: every attached point moves by the same vector.
class MoveInfo : public Core::ITerminalReshapeInfo {
 public:
  MoveInfo(Core::ITerminal* terminal, double dx, double dy) : terminal_(terminal), dx_(dx), dy_(dy) {}
  zq::float8Point MapPoint(const zq::float8Point& p) const override { return {p.x + dx_, p.y + dy_}; }
  Core::ITerminal* GetTerminal() const override { return terminal_; }

 private:
  Core::ITerminal* terminal_;
  double dx_, dy_;
};

struct HolderRep {
  zq::Rect rect{0, 1000, 2000, 0};
  Core::PtrCont<Anchor> anchors;
};

class Holder : public Core::Storable<Holder, HolderRep, Core::StorableTraits::Null,
                                     AnchorList<HolderRep, &HolderRep::anchors>> {
 public:
  static Core::FactoryImp<Holder>& Factory() {
    static Core::FactoryImp<Holder> factory(Core::SchemaNamespace10(), L"Holder");
    return factory;
  }
  static void RegisterProperties(Core::PropertyTable<HolderRep>& t) {
    Core::RegisterProperty<>::Register(t, &HolderRep::rect, L"Rect", zq::Rect{0, 1000, 2000, 0});
    Core::RegisterRefContNonStoreProperty::Register(t, &HolderRep::anchors, L"Anchors");
  }

  // Moves the box; the anchors follow.
  void SetRect(Core::Env& env, const zq::Rect& r) {
    const zq::Rect old = GetOldRep().rect;
    SetField(env, &HolderRep::rect, r);
    const MoveInfo info(this, r.left - old.left, r.top - old.top);
    for (Anchor* a : GetRep().anchors) a->OnTerminalReshaped(env, info, nullptr);
  }
  void Delete(Core::Env& env) override {
    if (IsDeleted()) return;
    const Core::PtrCont<Anchor> anchors = GetRep().anchors;
    Core::IModelElement::Delete(env);
    for (Anchor* a : anchors) a->OnTerminalDeleted(env);
  }

  // The anchor on the top edge above the point, the text 200 above it, growing upward.
  void GetTextPlacement(TextPlacement& p, const zq::float8Point& point) const override {
    p.anchorPoint = {point.x, double(GetRep().rect.top)};
    p.textPoint = {point.x, double(GetRep().rect.top) + 200};
    p.origin = OriginBottomLeft;
  }
  void GetTextStyle(TextBlock::TextStyle& s, const Core::IModelElement*) const override {
    s = TextBlock::TextStyle();
    s.horizontalAlignment = TextBlock::AlignCenter;
    s.verticalAlignment = TextBlock::AlignMiddle;
    s.sizing = TextBlock::SizingOwnExtent;
  }
  bool GetTerminalOutline(GraphUtil::OutlineHit&, const zq::float8Point&, bool) const override { return false; }
  // Moves the box by the shift, only sideways where it is told to (as a call between the bars of an
  // object dragged up alone goes).
  void ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet&,
                 bool) override {
    Core::ShiftVector v = shift;
    if (onlySideways) v.shiftY = false;
    const zq::Rect o = GetOldRep().rect;
    const zq::Point tl = Core::ShiftParam::Apply(v, GetRep().rect.TopLeft(), o.TopLeft());
    SetRect(env, zq::Rect::FromPosSize(tl, o.Width(), o.Height()));
  }
  bool GetBoundingRect(zq::Rect& out) const override {
    out = GetRep().rect;
    return true;
  }
  Core::Weight GetWeight(const Core::IView&, const zq::Point& p, std::int32_t tolerance) const override {
    return Core::Weight::MakeArea(p, tolerance, GetRep().rect);
  }
  // Nested anchors are read through the anchor owners' hook.
  Core::ElementPtr CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) override {
    if (Core::ElementPtr anchor = RestoreAnchorElement(env, nsUri, name)) return anchor;
    return Core::IModelElement::CreateChildElement(env, nsUri, name);
  }
  const Core::PtrCont<Anchor>& Anchors() const { return GetAnchors(); }

  bool onlySideways = false;  // whether a move takes the box only sideways
};

struct FrameRep {
  zq::Rect rect{0, 10000, 10000, 0};
  Core::PtrCont<Core::IContainable> parts;
};

// A container: what lies inside its rectangle belongs to it and is written inside it.
class Frame : public Core::Storable<Frame, FrameRep, Core::StorableTraits::Null, Core::IContainer, Core::IPointable> {
 public:
  static Core::FactoryImp<Frame>& Factory() {
    static Core::FactoryImp<Frame> factory(Core::SchemaNamespace10(), L"Frame");
    return factory;
  }
  static void RegisterProperties(Core::PropertyTable<FrameRep>& t) {
    Core::RegisterProperty<>::Register(t, &FrameRep::rect, L"Rect", zq::Rect{0, 10000, 10000, 0});
    Core::RegisterRefContNonStoreProperty::Register(t, &FrameRep::parts, L"Parts");
  }
  void AddContainable(Core::Env& env, Core::IContainable& c) override {
    if (!ContainsContainable(c)) ModifyField(env, &FrameRep::parts).push_back(&c);
    c.SetContainer(env, this);
  }
  void RemoveContainable(Core::Env& env, Core::IContainable& c) override {
    auto& list = ModifyField(env, &FrameRep::parts);
    list.erase(std::remove(list.begin(), list.end(), &c), list.end());
  }
  bool ContainsContainable(const Core::IContainable& c) const override {
    const auto& list = GetRep().parts;
    return std::find(list.begin(), list.end(), &c) != list.end();
  }
  void AppendContainable(Core::Env& env, Core::IContainable& c) override {
    if (!ContainsContainable(c)) ModifyField(env, &FrameRep::parts).push_back(&c);
  }
  bool GetBoundingRect(zq::Rect& out) const override {
    out = GetRep().rect;
    return true;
  }
  Core::Weight GetWeight(const Core::IView&, const zq::Point& p, std::int32_t tolerance) const override {
    return Core::Weight::MakeArea(p, tolerance, GetRep().rect);
  }
  const Core::PtrCont<Core::IContainable>& Parts() const { return GetRep().parts; }
};

// The factories of the free-text tests.
inline const Core::FactoryRegistry& Registry() {
  static Core::FactoryRegistry registry = [] {
    Core::FactoryRegistry r;
    r.Register(Holder::Factory());
    r.Register(Frame::Factory());
    r.Register(FreeText::Factory());
    r.Register(Anchor::Factory());
    r.Register(TextBlock::Text::Factory());
    r.Register(Style::Style::Factory());
    Style::Style::ReportExtras(r);
    return r;
  }();
  return registry;
}

}  // namespace Text::Testing
