// Element kinds with the element interfaces, and a view with selectable view elements, for the tests
// of moving, selection, hit testing and copy extension: a sheet (a resizable, shiftable, pointable
// terminal that keeps the links attached to it), a link between two sheets, a label owned by a sheet
// and a containable note.
#pragma once

#include "core/Attach.h"
#include "core/Diagram.h"
#include "core/Factory.h"
#include "core/Interfaces.h"
#include "core/Selection.h"
#include "core/Shift.h"
#include "core/Storable.h"
#include "core/Transaction.h"
#include "core/View.h"
#include "core/Weight.h"
#include "core/tests/TestKinds.h"

#include <memory>
#include <string>
#include <vector>

namespace SelKinds {

class Link;

struct SheetRep {
    zq::Point size{1000, 500};
    Core::PtrCont<Link> links;  // not stored: rebuilt from the links
};

class Sheet : public Core::StorableWithPos<Sheet, SheetRep, Core::StorableTraits::Null,
                                           Core::ResizableWithSizeField<SheetRep, &SheetRep::size>, Core::IShiftable,
                                           Core::IPointable, Core::ITerminal, Core::IAttach<Link>,
                                           Core::PartnerList<SheetRep, Link, &SheetRep::links>> {
public:
    static Core::FactoryImp<Sheet>& Factory() {
        static Core::FactoryImp<Sheet> factory(Core::SchemaNamespace10(), L"Sheet");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<SheetRep>& t) {
        using namespace Core;
        RegisterProperty<EvalRestore::Mandatory>::Register(t, &SheetRep::size, L"Size", zq::Point(1000, 500));
        RegisterRefContNonStoreProperty::Register(t, &SheetRep::links, L"Links");
    }

    void SetRect(Core::Env& env, const zq::Rect& rect, bool) override {
        const zq::Rect r = rect.Normalized();
        SetPos(env, r.TopLeft());
        SetField(env, &SheetRep::size, zq::Point(r.Width(), r.Height()));
    }
    void ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet& set,
                   bool) override {
        MarkShifted(set);
        SetPos(env, Core::ShiftParam::Apply(shift, GetPos(), GetOldPos()));
        set.AddRange(GetRep().links);
    }
    bool IsNear(const zq::Point& p, int32_t tolerance) const override { return GetRect().Inflated(tolerance).Contains(p); }
    bool GetBoundingRect(zq::Rect& out) const override {
        out = GetRect();
        return true;
    }
    Core::Weight GetWeight(const Core::IView& view, const zq::Point& p, int32_t tolerance) const override {
        Core::Weight w = Core::Weight::MakeArea(p, tolerance, GetRect());
        w.PromoteIfSelected(view, *this);
        return w;
    }
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const override {
        GraphUtil::Outline outline;
        GraphUtil::MakeRectOutline(outline, GetRect());
        out = GraphUtil::NearestOutlinePoint(outline, p, horizontal, !horizontal);
        return out.valid;
    }
    void Attach(Core::Env& env, Link* link) override { AddPartner(env, link); }
    bool CanAttach(Link* link) const override { return link != nullptr || acceptsNew; }
    bool acceptsNew = true;
};

struct LinkRep {
    Sheet* source = nullptr;
    Sheet* target = nullptr;
    zq::Point offset;  // not stored: the shift of the last move
    int deferredMoves = 0;
};

class Link : public Core::Storable<Link, LinkRep, Core::StorableTraits::Null, Core::IShiftable, Core::IPointAttachment> {
public:
    static Core::FactoryImp<Link>& Factory() {
        static Core::FactoryImp<Link> factory(Core::SchemaNamespace10(), L"Link");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<LinkRep>& t) {
        using namespace Core;
        RegisterRefProperty<>::Register(t, &LinkRep::source, L"Source");
        RegisterRefProperty<>::Register(t, &LinkRep::target, L"Target");
        RegisterNonStoreProperty::Register(t, &LinkRep::offset, L"Offset", zq::Point());
        RegisterNonStoreProperty::Register(t, &LinkRep::deferredMoves, L"DeferredMoves", 0);
    }
    bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override {
        return set.Contains(GetRep().source) && set.Contains(GetRep().target);
    }
    void AddDeferredShiftingElements(const Core::ModelElementSet& moved, Core::DeferredShiftSet& set) override {
        if (moved.Contains(GetRep().source) || moved.Contains(GetRep().target)) set.Defer(this);
    }
    void ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet& set,
                   bool noFollow) override {
        MarkShifted(set);
        SetField(env, &LinkRep::offset, Core::ShiftParam::Apply(shift, GetRep().offset, GetOldRep().offset));
        if (noFollow) SetField(env, &LinkRep::deferredMoves, GetRep().deferredMoves + 1);
    }
    zq::float8Point GetShiftedInfo(const Core::DeferredShiftSet&, const zq::float8Point& p, bool) const override { return p; }
    // Connects the link to both sheets.
    void Connect(Core::Env& env, Sheet* source, Sheet* target) {
        SetField(env, &LinkRep::source, source);
        SetField(env, &LinkRep::target, target);
        source->TryAttach(env, this);
        target->TryAttach(env, this);
    }
};

struct LabelRep {
    Sheet* owner = nullptr;
    std::wstring text;
};

// Written inside its sheet; copied with it.
class Label : public Core::Storable<Label, LabelRep> {
public:
    static Core::FactoryImp<Label>& Factory() {
        static Core::FactoryImp<Label> factory(Core::SchemaNamespace10(), L"Label");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<LabelRep>& t) {
        using namespace Core;
        RegisterRefNonStoreProperty::Register(t, &LabelRep::owner, L"Owner");
        RegisterProperty<EvalRestore::Optional>::Register(t, &LabelRep::text, L"Text", std::wstring());
    }
    Core::IModelElement* GetOwner() const override { return GetRep().owner; }
};

// A page-like element that no copy takes.
struct FixedRep {
    int32_t value = 0;
};
class Fixed : public Core::Storable<Fixed, FixedRep> {
public:
    static Core::FactoryImp<Fixed>& Factory() {
        static Core::FactoryImp<Fixed> factory(Core::SchemaNamespace10(), L"Fixed");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<FixedRep>& t) {
        Core::RegisterProperty<Core::EvalRestore::Optional>::Register(t, &FixedRep::value, L"Value", int32_t(0));
    }
    bool IsCopyable() const override { return false; }
};

// A document-wide element that every copy carries though no selection names it.
class Companion : public Core::Storable<Companion, FixedRep> {
public:
    static Core::FactoryImp<Companion>& Factory() {
        static Core::FactoryImp<Companion> factory(Core::SchemaNamespace10(), L"Companion");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<FixedRep>& t) { Fixed::RegisterProperties(t); }
    bool TravelsWithEveryCopy() const override { return true; }
};

// The rectangle at (x, y) of size w by h.
inline zq::Rect Box(int32_t x, int32_t y, int32_t w, int32_t h) { return zq::Rect::FromPosSize({x, y}, w, h); }

inline Core::FactoryRegistry& Registry() {
    static Core::FactoryRegistry registry = TestKinds::MakeRegistry<Sheet, Link, Label, Fixed, Companion>();
    return registry;
}

// A selectable view element whose selection marks are the four corners of its sheet.
class SelView : public Core::VISelectable, public Core::VIPointable {
public:
    SelView(Core::IView& view, Core::IModelElement& element) : Core::IViewElement(view, element) {}
    void Update(const Core::ViewUpdateContext*) override { ++updates; }
    void SetCursor(const zq::Point&) override {}
    void OnActiveChanged(bool active) override { lastActive = active; }
    void OnSelectionVisible(bool visible) override { marksVisible = visible; }
    Core::Weight HitTestMarks(const zq::Point& p, int32_t tolerance) const override {
        auto* sheet = dynamic_cast<const Sheet*>(GetModelElement());
        if (sheet == nullptr) return {};
        const zq::Rect r = sheet->GetRect();
        for (zq::Point c : {r.TopLeft(), r.BottomRight(), zq::Point(r.left, r.bottom), zq::Point(r.right, r.top)})
            if (GraphUtil::IsNear(zq::float8Point(p), zq::float8Point(c), tolerance))
                return Core::Weight::MakeControl(p, zq::float8Point(c));
        return {};
    }
    int updates = 0;
    bool lastActive = false;
    bool marksVisible = true;
};

class TestView : public Core::IView, public Core::ISelectionObserver {
public:
    TestView() { GetSelectionObserverPlug().Attach(this); }
    std::shared_ptr<Core::IViewElement> CreateViewElement(Core::IModelElement& e) override {
        return std::make_shared<SelView>(*this, e);
    }
    void UpdateView() override {}
    void OnSelectionChanged(Core::IView&) override { ++notifications; }
    SelView* Of(const Core::IModelElement& e) { return dynamic_cast<SelView*>(e.FindViewElement(*this)); }
    int notifications = 0;
};

// A diagram with the kinds registered and helpers to make elements in one transaction each.
struct Fixture {
    Core::Diagram diagram{Registry(), nullptr};

    std::shared_ptr<Sheet> AddSheet(const zq::Rect& r) {
        Core::Transaction t(diagram);
        Core::Env env(t);
        auto s = Sheet::Factory().CreateTyped(env);
        s->SetRect(env, r, false);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        return s;
    }
    std::shared_ptr<Link> AddLink(Sheet* a, Sheet* b) {
        Core::Transaction t(diagram);
        Core::Env env(t);
        auto l = Link::Factory().CreateTyped(env);
        l->Connect(env, a, b);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        return l;
    }
    std::shared_ptr<Label> AddLabel(Sheet* owner) {
        Core::Transaction t(diagram);
        Core::Env env(t);
        auto l = Label::Factory().CreateTyped(env);
        l->SetField(env, &LabelRep::owner, owner);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        return l;
    }
};

} // namespace SelKinds
