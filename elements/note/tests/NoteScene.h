// A diagram with two boxes that dependency ends attach to, and helpers that build dependencies
// and note connectors as single undo steps.
#pragma once

#include "elements/note/Dependency.h"
#include "elements/note/Note.h"

#include "core/Weight.h"
#include "elements/note/tests/HostScene.h"

namespace NoteTest {

struct PartyRep {
    zq::Point size{1000, 600};
    Core::PtrCont<Dependency::DependencyEnd> ends;  // not stored: rebuilt from the ends
};

// A box that dependency ends attach to; deleting it detaches them.
class Party : public Core::StorableWithPos<Party, PartyRep, Core::StorableTraits::Null, Core::IDeletable,
                                           Dependency::IDependencyParty,
                                           Core::PartnerList<PartyRep, Dependency::DependencyEnd, &PartyRep::ends>> {
public:
    static Core::FactoryImp<Party>& Factory() {
        static Core::FactoryImp<Party> factory(Core::SchemaNamespace10(), L"TestParty");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<PartyRep>& t) {
        Core::RegisterProperty<Core::EvalRestore::Optional>::Register(t, &PartyRep::size, L"Size", zq::Point(1000, 600));
        Core::RegisterRefContNonStoreProperty::Register(t, &PartyRep::ends, L"Ends");
    }
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const override {
        GraphUtil::Outline outline;
        GraphUtil::MakeRectOutline(outline, zq::Rect::FromPosSize(GetPos(), GetRep().size.x, GetRep().size.y));
        out = GraphUtil::NearestOutlinePoint(outline, p, horizontal, !horizontal);
        return out.valid;
    }
    void Attach(Core::Env& env, Dependency::DependencyEnd* end) override { end->SetTerminal(env, this); }
    void Delete(Core::Env& env) override {
        if (IsDeleted()) return;
        const auto ends = GetRep().ends;
        Core::IModelElement::Delete(env);
        for (auto* e : ends) e->DetachFromTerminal(env, this, true);
    }
};

struct BinRep {
    zq::Point size{8000, 8000};
    Core::PtrCont<Core::IContainable> parts;  // not stored: rebuilt from the nesting
};

// A box that holds the elements lying in its rectangle, as a package does; they are written inside it.
class Bin : public Core::StorableWithPos<Bin, BinRep, Core::StorableTraits::Null, Core::IContainer, Core::IPointable> {
public:
    static Core::FactoryImp<Bin>& Factory() {
        static Core::FactoryImp<Bin> factory(Core::SchemaNamespace10(), L"TestBin");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<BinRep>& t) {
        Core::RegisterProperty<Core::EvalRestore::Optional>::Register(t, &BinRep::size, L"Size", zq::Point(8000, 8000));
        Core::RegisterRefContNonStoreProperty::Register(t, &BinRep::parts, L"Parts");
    }
    void AddContainable(Core::Env& env, Core::IContainable& c) override {
        if (!ContainsContainable(c)) ModifyField(env, &BinRep::parts).push_back(&c);
        c.SetContainer(env, this);
    }
    void RemoveContainable(Core::Env& env, Core::IContainable& c) override {
        if (!ContainsContainable(c)) return;
        auto& l = ModifyField(env, &BinRep::parts);
        l.erase(std::find(l.begin(), l.end(), &c));
    }
    bool ContainsContainable(const Core::IContainable& c) const override {
        return std::find(GetRep().parts.begin(), GetRep().parts.end(), &c) != GetRep().parts.end();
    }
    void AppendContainable(Core::Env&, Core::IContainable& c) override {
        const_cast<BinRep&>(GetRep()).parts.push_back(&c);
    }
    zq::Rect GetRect() const { return zq::Rect::FromPosSize(GetPos(), GetRep().size.x, GetRep().size.y); }
    bool GetBoundingRect(zq::Rect& out) const override {
        out = GetRect();
        return true;
    }
    Core::Weight GetWeight(const Core::IView&, const zq::Point& p, int32_t tolerance) const override {
        return Core::Weight::MakeArea(p, tolerance, GetRect());
    }
};

using HostScene::Doc;

inline const Core::FactoryRegistry& Registry() {
    static const Core::FactoryRegistry registry = HostScene::MakeRegistry(
        {[](Core::FactoryRegistry& r) {
             Party::Factory().ReportTo(r);
             Bin::Factory().ReportTo(r);
         },
         Dependency::ReportDependencyFactories});
    return registry;
}

// Two parties apart on the diagram.
struct Scene : HostScene::Scene {
    std::shared_ptr<Party> a, b;

    Scene() : HostScene::Scene(Registry()) {
        Change([&](Core::Env& env) {
            a = Party::Factory().CreateTyped(env);
            b = Party::Factory().CreateTyped(env);
            a->SetPos(env, {-3000, 300});
            b->SetPos(env, {3000, 300});
        });
    }
};

} // namespace NoteTest
