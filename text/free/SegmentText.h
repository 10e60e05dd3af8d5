#pragma once
// The text layer of a connector segment: the segment carries anchored texts (names, labels) that
// lie beside it, are written inside it and go with it when it is deleted.
#include "style/Clients.h"
#include "style/DirectoryName.h"
#include "style/Model.h"
#include "text/free/Anchor.h"
#include "text/free/SegmentPlacement.h"
#include "view/connector/Parts.h"
#include "core/foundation/Cast.h"
#include "core/foundation/GraphUtil.h"
#include <any>
#include <cmath>

namespace Text {

// The segment of kind Derived with anchored texts; Derived answers its style directory
// (static const Style::DirectoryName& Directory()). Segments of chains do not store their ends.
template <class Derived, class End, bool StoreEnds = true>
class SegmentImp : public Connector::SegmentImp<Derived, End, StoreEnds>,
                   public AnchorList<Connector::SegmentRep, &Connector::SegmentRep::anchors> {
  using Base = Connector::SegmentImp<Derived, End, StoreEnds>;

 public:
  // The connector segment's properties, then "Anchors" (not stored: the anchors are written inside).
  static void RegisterProperties(Core::PropertyTable<Connector::SegmentRep>& t) {
    Base::RegisterProperties(t);
    Core::RegisterRefContNonStoreProperty::Register(t, &Connector::SegmentRep::anchors, L"Anchors");
  }

  // The anchor goes beside the nearest point of the segment.
  void GetTextPlacement(TextPlacement& placement, const zq::float8Point& point) const override {
    const Style::Style* style = placement.style;
    placement = GetSegmentTextPlacement(*this, point);
    if (placement.style == nullptr) placement.style = const_cast<Style::Style*>(style);
  }
  // The directory's font, centred and as small as the text.
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* asking) const override {
    style = TextBlock::TextStyle();
    if (const Style::Style* s = DocumentStyle(asking)) s->GetFont(Derived::Directory(), style);
    style.horizontalAlignment = TextBlock::AlignCenter;
    style.verticalAlignment = TextBlock::AlignMiddle;
    style.sizing = TextBlock::SizingOwnExtent;
  }
  // The document's style, as the anchored texts know it (the asking anchor's first).
  static const Style::Style* DocumentStyle(const Core::IModelElement* asking) {
    const auto* anchor = zq::Cast<const Anchor>(asking);
    const FreeText* text = anchor ? anchor->GetFreeText() : nullptr;
    return text ? text->GetStyle() : nullptr;
  }
  // Re-applies the style to the anchored texts when the segment's directory or one above it changed.
  void RestyleAnchors(Core::Env& env, const Style::DirectoryName& changed) {
    if (this->IsDeleted() || !changed.Contains(Derived::Directory())) return;
    for (Anchor* a : this->GetAnchors()) a->ApplyTextStyle(env);
  }
  // Anchored texts never outlive their segment, whether it is deleted itself, with a join that
  // became unstable or with its connector.
  void DeleteCarried(Core::Env& env) override {
    const Core::PtrCont<Anchor> anchors = this->GetAnchors();
    for (Anchor* a : anchors) a->Detach(env);
  }
  // The anchored texts go to the segment that takes this one's place, or with this one when that
  // segment carries no texts; so no text stays behind on a removed segment.
  void HandOverTo(Core::Env& env, Connector::ISegment& successor) override {
    auto* owner = zq::Cast<IAnchorOwner>(&successor);
    const Core::PtrCont<Anchor> anchors = this->GetAnchors();
    for (Anchor* a : anchors) {
      if (owner != nullptr)
        owner->AddAnchor(env, a);
      else
        a->Detach(env);
    }
  }
  // The anchored texts keep their place along the line, from the line oa-ob to the line now.
  void PlaceCarried(Core::Env& env, const zq::float8Point& oa, const zq::float8Point& ob) override {
    Connector::ISegmentEnd *a = nullptr, *b = nullptr;
    if (this->IsDeleted() || this->GetAnchors().empty() || !this->GetEnds(a, b)) return;
    const LineMap map(*this, oa, ob, a->GetPoint(), b->GetPoint(), false);
    for (Anchor* anchor : this->GetAnchors()) anchor->OnTerminalReshaped(env, map, nullptr);
  }
  // An anchored text that a change left off the line goes to the line's nearest point; one that
  // then lies over a box (its segment moved or shrank beside one) goes beside the segment where it
  // lies off every box (PlaceOffBoxes). The pass keeps the diagram's boxes (DiagramBoxes).
  void KeepCarriedOnLine(Core::Env& env, std::any& pass) override {
    Connector::ISegmentEnd *a = nullptr, *b = nullptr;
    if (this->IsDeleted() || this->GetAnchors().empty() || !this->GetEnds(a, b)) return;
    for (Anchor* anchor : this->GetAnchors()) {
      const zq::float8Point p = anchor->GetPos(), q = GraphUtil::ClosestPointOnSegment(a->GetPoint(), b->GetPoint(), p);
      if (std::hypot(q.x - p.x, q.y - p.y) > 0.5) anchor->OnTerminalReshaped(env, PointMap(*this, q), nullptr);
      FreeText* text = anchor->GetFreeText();
      if (text == nullptr || text->IsDeleted() || this->GetConnector() == nullptr) continue;
      const DiagramBoxes& boxes = PassBoxes(env, pass);
      const zq::Rect box = text->GetBox().Normalized();
      if (AreaOver(box, boxes.Near(box, *this->GetConnector())) > 0) MoveOffBoxes(env, *anchor, *text, boxes);
    }
  }
  // A text that lies over a box the change moved, resized or made (a box dropped onto it) goes
  // beside the segment where it lies off every box, though the change left the segment as it was.
  void KeepCarriedOffChangedBoxes(Core::Env& env, std::any& pass) override {
    Connector::ISegmentEnd *a = nullptr, *b = nullptr;
    if (this->IsDeleted() || this->GetAnchors().empty() || !this->GetEnds(a, b) || this->GetConnector() == nullptr)
      return;
    const DiagramBoxes& boxes = PassBoxes(env, pass);
    if (!boxes.AnyChanged()) return;
    for (Anchor* anchor : this->GetAnchors())
      if (FreeText* text = anchor->GetFreeText(); text != nullptr && !text->IsDeleted() &&
                                                   boxes.OverChanged(text->GetBox().Normalized(), *this->GetConnector()))
        MoveOffBoxes(env, *anchor, *text, boxes);
  }
  // Puts the anchored text beside the segment where it lies off every box (PlaceOffBoxes); where
  // no place is clear, it stays.
  void MoveOffBoxes(Core::Env& env, Anchor& anchor, FreeText& text, const DiagramBoxes& boxes) {
    Connector::ISegmentEnd *a = nullptr, *b = nullptr;
    if (!this->GetEnds(a, b)) return;
    const zq::Rect box = text.GetBox().Normalized();
    // Every place tried lies within the text's width and height and the offset of the segment.
    const std::int32_t reach = box.Width() + box.Height() + 2200;
    const zq::Rect around = zq::Rect::FromCorners(zq::RoundPoint(a->GetPoint()), zq::RoundPoint(b->GetPoint())).Inflated(reach);
    TextPlacement placement;
    if (!PlaceOffBoxes(a->GetPoint(), b->GetPoint(), this->IsHorizontalOrtho(), this->IsVerticalOrtho(),
                       {box.Width(), box.Height()}, boxes.Near(around, *this->GetConnector()), placement))
      return;
    anchor.SetPos(env, placement.anchorPoint);
    text.SetOrigin(env, placement.origin);
    text.SetPos(env, zq::RoundPoint(placement.textPoint));
  }
  // The anchors follow the segment when it changed its line: each keeps its place along it.
  // The map takes the move along, so the anchors are told of no shift set.
  void CarryAnchors(Core::Env& env) {
    Connector::ISegmentEnd *a = nullptr, *b = nullptr;
    if (this->GetEnds(a, b)) CarryAnchorsFrom(env, a->GetOldPosition(), b->GetOldPosition());
  }
  // A segment end replaced by another (a bend put in, an end put back, a merge) changes the line
  // too: the anchors follow from the line as it ran before the transaction, unless the new line
  // runs along it (the segment only grew or shrank along itself).
  void SetEnds(Core::Env& env, const Core::PtrCont<Connector::ISegmentEnd>& ends) override {
    Connector::ISegmentEnd *a = nullptr, *b = nullptr;
    const bool had = this->GetEnds(a, b);
    const zq::float8Point oa = had ? a->GetOldPosition() : zq::float8Point(), ob = had ? b->GetOldPosition() : oa;
    Base::SetEnds(env, ends);
    if (had && this->GetEnds(a, b) && !(RunsAlong(oa, ob, a->GetPoint()) && RunsAlong(oa, ob, b->GetPoint())))
      CarryAnchorsFrom(env, oa, ob);
  }
  // Maps every anchor from the line oa-ob to the line between the segment's ends now.
  void CarryAnchorsFrom(Core::Env& env, const zq::float8Point& oa, const zq::float8Point& ob) {
    Connector::ISegmentEnd *a = nullptr, *b = nullptr;
    if (this->IsDeleted() || this->GetAnchors().empty() || !this->GetEnds(a, b)) return;
    const LineMap map(*this, oa, ob, a->GetPoint(), b->GetPoint(), this->IsHorizontalOrtho() || this->IsVerticalOrtho());
    for (Anchor* anchor : this->GetAnchors()) anchor->OnTerminalReshaped(env, map, nullptr);
  }
  // A moved segment carries its anchored texts along.
  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool finalPass) override {
    Connector::ISegment::ShiftImpl(env, sender, shift, set, finalPass);
    CarryAnchors(env);
  }
  // Nested "Anchor" elements are the anchored texts; other children are the connector's.
  Core::ElementPtr CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) override {
    if (Core::ElementPtr anchor = IAnchorOwner::RestoreAnchorElement(env, nsUri, name)) return anchor;
    return Base::CreateChildElement(env, nsUri, name);
  }

  // The segment's own pointing, for both of its pointable sides.
  bool IsNear(const zq::Point& p, std::int32_t tolerance) const override { return Connector::ISegment::IsNear(p, tolerance); }
  bool GetBoundingRect(zq::Rect& out) const override { return Connector::ISegment::GetBoundingRect(out); }
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const override {
    return Connector::ISegment::GetWeight(view, p, tolerance);
  }

  // Maps every point to one point of the segment.
  class PointMap : public Core::ITerminalReshapeInfo {
   public:
    PointMap(Core::ITerminal& terminal, const zq::float8Point& to) : terminal_(terminal), to_(to) {}
    zq::float8Point MapPoint(const zq::float8Point&) const override { return to_; }
    Core::ITerminal* GetTerminal() const override { return &terminal_; }

   private:
    Core::ITerminal& terminal_;
    zq::float8Point to_;
  };
  // Maps a point of the line before the change to the line now (see SegmentLineMap).
  class LineMap : public Core::ITerminalReshapeInfo {
   public:
    LineMap(Core::ITerminal& terminal, const zq::float8Point& a0, const zq::float8Point& b0, const zq::float8Point& a,
            const zq::float8Point& b, bool orthogonal = false)
        : terminal_(terminal), a0_(a0), b0_(b0), a_(a), b_(b), orthogonal_(orthogonal) {}
    zq::float8Point MapPoint(const zq::float8Point& p) const override {
      return SegmentLineMap(a0_, b0_, a_, b_, orthogonal_, p);
    }
    Core::ITerminal* GetTerminal() const override { return &terminal_; }

   private:
    Core::ITerminal& terminal_;
    zq::float8Point a0_, b0_, a_, b_;
    bool orthogonal_;
  };
};

}  // namespace Text
