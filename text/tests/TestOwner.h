#pragma once
// A text owner for the model tests: a box with an area and a style, counting notifications.
#include "core/Diagram.h"
#include "core/Factory.h"
#include "core/Registries.h"
#include "core/Storable.h"
#include "core/Weight.h"
#include "text/Text.h"
#include "text/TextOwner.h"

namespace TextBlock::Testing {

struct BoxRep {
  Text* text = nullptr;
  zq::Point area;
};

class Box : public Core::Storable<Box, BoxRep, Core::StorableTraits::Null, ITextOwner> {
 public:
  static Core::FactoryImp<Box>& Factory() {
    static Core::FactoryImp<Box> factory(Core::SchemaNamespace10(), L"Box");
    return factory;
  }
  static void RegisterProperties(Core::PropertyTable<BoxRep>& t) {
    Core::RegisterRefProperty<>::Register(t, &BoxRep::text, L"Text");
    Core::RegisterNonStoreProperty::Register(t, &BoxRep::area, L"Area");
  }

  void GetTextOrigin(zq::Point& origin) const override { origin = {100, 900}; }
  void GetTextAreaSize(Extent& size, const Text&) const override { size = {GetRep().area.x, GetRep().area.y}; }
  void OnTextChanged(Core::Env& env, Text& text) override {
    ++changes;
    if (growOnChange) {
      const Extent used = ITextOwner::GetTextAreaSizeUsed(&text);
      SetField(env, &BoxRep::area, zq::Point(used.width, used.height));
    }
  }
  void SetText(Core::Env& env, Text* text) override { SetField(env, &BoxRep::text, text); }
  bool GetBoundingRect(zq::Rect& out) const override {
    out = zq::Rect::FromPosSize({100, 900}, GetRep().area.x, GetRep().area.y);
    return true;
  }
  Core::Weight GetWeight(const Core::IView&, const zq::Point& point, std::int32_t tolerance) const override {
    zq::Rect r;
    GetBoundingRect(r);
    return Core::Weight::MakeArea(point, tolerance, r);
  }
  void GetTextStyle(TextStyle& s, const Core::IModelElement*) const override { s = style; }

  Text* GetText() const { return GetRep().text; }
  void SetArea(Core::Env& env, Extent area) { SetField(env, &BoxRep::area, zq::Point(area.width, area.height)); }

  TextStyle style;
  int changes = 0;
  bool growOnChange = false;
};

// The factories the text tests read documents with.
inline const Core::FactoryRegistry& Registry() {
  static Core::FactoryRegistry registry = [] {
    Core::FactoryRegistry r;
    r.Register(Box::Factory());
    r.Register(Text::Factory());
    return r;
  }();
  return registry;
}

}  // namespace TextBlock::Testing
