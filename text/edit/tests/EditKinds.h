#pragma once
// The element of the editing tests: a box that owns a wrapping text inside a 100-unit margin and
// carries anchored texts on its top edge; its view draws the outline and starts editing on typing.
#include <algorithm>

#include "core/Factory.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Storable.h"
#include "core/Weight.h"
#include "text/Text.h"
#include "text/TextOwner.h"
#include "text/edit/Handlers.h"
#include "text/free/Anchor.h"
#include "view/CanvasView.h"
#include "view/ViewElements.h"

namespace EditTest {

struct NoteRep {
  zq::Rect rect{1000, 5000, 4000, 3000};
  TextBlock::Text* text = nullptr;
  Core::PtrCont<Text::Anchor> anchors;
};

class Note : public Core::Storable<Note, NoteRep, Core::StorableTraits::Null, TextBlock::ITextOwner,
                                   Text::AnchorList<NoteRep, &NoteRep::anchors>, View::ModelElement> {
 public:
  static constexpr int kMargin = 100;
  static Core::FactoryImp<Note>& Factory() {
    static Core::FactoryImp<Note> factory(Core::SchemaNamespace10(), L"TestNote");
    return factory;
  }
  static void RegisterProperties(Core::PropertyTable<NoteRep>& t) {
    Core::RegisterProperty<>::Register(t, &NoteRep::rect, L"Rect", zq::Rect{1000, 5000, 4000, 3000});
    Core::RegisterRefProperty<>::Register(t, &NoteRep::text, L"Text");
    Core::RegisterRefContNonStoreProperty::Register(t, &NoteRep::anchors, L"Anchors");
  }
  const zq::Rect& Rect() const { return GetRep().rect; }
  void SetRect(Core::Env& env, const zq::Rect& r) { SetField(env, &NoteRep::rect, r); }
  TextBlock::Text* GetText() const { return GetRep().text; }
  const Core::PtrCont<Text::Anchor>& Anchors() const { return GetAnchors(); }

  // ITextOwner
  void GetTextOrigin(zq::Point& o) const override { o = {Rect().left + kMargin, Rect().top - kMargin}; }
  void GetTextAreaSize(TextBlock::Extent& s, const TextBlock::Text&) const override {
    s = {Rect().Width() - 2 * kMargin, Rect().Height() - 2 * kMargin};
  }
  void OnTextChanged(Core::Env& env, TextBlock::Text&) override { env.Modify(*this, true); }
  void SetText(Core::Env& env, TextBlock::Text* text) override { SetField(env, &NoteRep::text, text); }
  void GetTextStyle(TextBlock::TextStyle& s, const Core::IModelElement* text) const override {
    s = TextBlock::TextStyle();
    s.size = 12;
    if (text == GetText()) {
      s.sizing = TextBlock::SizingWrap;
    } else {
      s.horizontalAlignment = TextBlock::AlignCenter;
      s.sizing = TextBlock::SizingOwnExtent;
    }
  }

  // IAnchorOwner: the list comes from AnchorList
  void GetTextPlacement(Text::TextPlacement& p, const zq::float8Point& point) const override {
    p.anchorPoint = {point.x, double(Rect().top)};
    p.textPoint = {point.x, double(Rect().top) + 200};
    p.origin = Text::OriginBottomLeft;
  }
  bool GetTerminalOutline(GraphUtil::OutlineHit&, const zq::float8Point&, bool) const override { return false; }
  void ShiftImpl(Core::Env&, Core::IModelElement*, const Core::ShiftVector&, Core::DeferredShiftSet&, bool) override {}

  // IPointable
  bool IsNear(const zq::Point& p, int32_t tolerance) const override { return Rect().Inflated(tolerance).Contains(p); }
  bool GetBoundingRect(zq::Rect& out) const override {
    out = Rect();
    return true;
  }
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, int32_t tolerance) const override {
    Core::Weight w = Core::Weight::MakeArea(p, tolerance, Rect());
    w.PromoteIfSelected(view, *this);
    return w;
  }
  void Delete(Core::Env& env) override {
    if (IsDeleted()) return;
    const auto anchors = Anchors();
    Core::IModelElement::Delete(env);
    TextBlock::ITextOwner::DeleteWithText(GetText(), env);
    for (Text::Anchor* a : anchors) a->OnTerminalDeleted(env);
  }
  Core::ElementPtr CreateChildElement(Core::Env& env, const std::wstring& ns, const std::wstring& name) override {
    if (Core::ElementPtr anchor = RestoreAnchorElement(env, ns, name)) return anchor;
    return Core::IModelElement::CreateChildElement(env, ns, name);
  }
  std::shared_ptr<Core::IViewElement> CreateCanvasViewElement(View::ICanvasView& view) override;
};

// The note's view: its outline, with the text's view following it; typing and double clicks edit
// its text.
class VNote : public View::SelectableViewElement, public TextBlock::CharHandlerImp {
 public:
  VNote(View::ICanvasView& view, Note& note)
      : Core::IViewElement(view, note), View::SelectableViewElement(view, note), note_(note) {}
  void UpdateShape() override {
    outline_.Clear();
    const zq::Rect r = note_.Rect();
    outline_.Add(GetCanvasView().GetCanvas().CreateRect({double(r.left), double(r.top), double(r.right), double(r.bottom)}));
    // The text lies in the box: its view follows the box (a model update only queues it).
    if (TextBlock::Text* text = note_.GetText())
      if (Core::IViewElement* v = text->FindViewElement(GetCanvasView())) v->Update(nullptr);
  }
  void UpdateMarks() override {}
  TextBlock::Text* GetTextModel() const override { return note_.GetText(); }
  void SetCursor(const zq::Point& p) override { View::SelectableViewElement::SetCursor(p); }

 private:
  Note& note_;
  ICanvas::Group outline_;
};

inline std::shared_ptr<Core::IViewElement> Note::CreateCanvasViewElement(View::ICanvasView& view) {
  return std::make_shared<VNote>(view, *this);
}

}  // namespace EditTest
