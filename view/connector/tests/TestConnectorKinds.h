// Connector kinds of the connector tests: a branching "wire" whose ends carry a type, a linear
// "chain", and a box that both kinds' ends attach to.
#pragma once

#include "core/Attach.h"
#include "core/Diagram.h"
#include "core/Factory.h"
#include "core/Registries.h"
#include "view/connector/Creation.h"
#include "view/connector/Functions.h"
#include "view/connector/PartFactory.h"
#include "view/connector/Parts.h"

namespace ConnectorTest {

class WireEnd;
class ChainEnd;

struct BoxRep {
    zq::Point size{1000, 600};
    Core::PtrCont<WireEnd> wires;  // not stored: rebuilt from the ends
    Core::PtrCont<ChainEnd> chains;
};

// A box that the ends of both kinds attach to; its ends follow it when it moves.
class Box : public Core::StorableWithPos<Box, BoxRep, Core::StorableTraits::Null, Core::IShiftable, Core::ITerminal,
                                         Core::IDeletable, Core::IAttach<WireEnd>, Core::IAttach<ChainEnd>,
                                         Core::PartnerList<BoxRep, WireEnd, &BoxRep::wires>,
                                         Core::PartnerList<BoxRep, ChainEnd, &BoxRep::chains>> {
public:
    static Core::FactoryImp<Box>& Factory() {
        static Core::FactoryImp<Box> factory(Core::SchemaNamespace10(), L"TestBox");
        return factory;
    }
    static void RegisterProperties(Core::PropertyTable<BoxRep>& t) {
        using namespace Core;
        RegisterProperty<EvalRestore::Optional>::Register(t, &BoxRep::size, L"Size", zq::Point(1000, 600));
        RegisterRefContNonStoreProperty::Register(t, &BoxRep::wires, L"Wires");
        RegisterRefContNonStoreProperty::Register(t, &BoxRep::chains, L"Chains");
    }
    zq::Rect GetRect() const { return zq::Rect::FromPosSize(GetPos(), GetRep().size.x, GetRep().size.y); }
    zq::Rect GetOldRect() const { return zq::Rect::FromPosSize(GetOldPos(), GetOldRep().size.x, GetOldRep().size.y); }
    void ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& v, Core::DeferredShiftSet& set,
                   bool) override;
    bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const override {
        GraphUtil::Outline outline;
        GraphUtil::MakeRectOutline(outline, GetRect());
        out = GraphUtil::NearestOutlinePoint(outline, p, horizontal, !horizontal);
        return out.valid;
    }
    void Attach(Core::Env& env, WireEnd* end) override;
    void Attach(Core::Env& env, ChainEnd* end) override;
    void Delete(Core::Env& env) override;
    // The ends lying on the box.
    std::vector<Connector::IEnd*> Ends() const {
        std::vector<Connector::IEnd*> l;
        for (auto* e : GetRep().wires) l.push_back(Cast(e));
        for (auto* e : GetRep().chains) l.push_back(Cast(e));
        return l;
    }
    static Connector::IEnd* Cast(WireEnd* e);
    static Connector::IEnd* Cast(ChainEnd* e);
};

// ---- the branching kind


class Wire : public Connector::ConnectorImp<Wire> {
public:
    static Core::FactoryImp<Wire>& Factory() {
        static Core::FactoryImp<Wire> factory(Core::SchemaNamespace10(), L"TestWire");
        return factory;
    }
    static Connector::IFactory& PartFactory();
};

// An end of a wire: type 1 at the source, 2 at the target, 0 elsewhere.
class WireEnd : public Connector::EndImp<WireEnd> {
public:
    static Core::FactoryImp<WireEnd>& Factory() {
        static Core::FactoryImp<WireEnd> factory(Core::SchemaNamespace10(), L"TestWireEnd");
        return factory;
    }
    static Connector::IFactory& PartFactory() { return Wire::PartFactory(); }
    bool IsMasterEnd() const override { return GetType() == 2; }
};

class WireSegment : public Connector::SegmentImp<WireSegment, WireEnd>, public Core::IAttach<WireEnd> {
public:
    static Core::FactoryImp<WireSegment>& Factory() {
        static Core::FactoryImp<WireSegment> factory(Core::SchemaNamespace10(), L"TestWireSegment");
        return factory;
    }
    static Connector::IFactory& PartFactory() { return Wire::PartFactory(); }
    // An end of another wire dropped on the segment merges its wire into this one.
    bool CanAttach(WireEnd* end) const override { return end == nullptr || end->GetConnector() != GetConnector(); }
    void Attach(Core::Env& env, WireEnd* end) override { Connector::Functions::MergeEndIntoSegment(env, *end, *this); }
};

class WireJoin : public Connector::JoinImp<WireJoin>, public Core::IAttach<WireEnd> {
public:
    static Core::FactoryImp<WireJoin>& Factory() {
        static Core::FactoryImp<WireJoin> factory(Core::SchemaNamespace10(), L"TestWireJoin");
        return factory;
    }
    static Connector::IFactory& PartFactory() { return Wire::PartFactory(); }
    bool CanAttach(WireEnd* end) const override { return end == nullptr || end->GetConnector() != GetConnector(); }
    void Attach(Core::Env& env, WireEnd* end) override { Connector::Functions::MergeEndIntoJoin(env, *end, *this); }
};

// ---- the linear kind

// A chain lives while its target end (type 2) does.
class Chain : public Connector::ConnectorImp<Chain, Connector::WithMasterEnd<Connector::ILinearConnector>> {
public:
    static Core::FactoryImp<Chain>& Factory() {
        static Core::FactoryImp<Chain> factory(Core::SchemaNamespace10(), L"TestChain");
        return factory;
    }
    static Connector::IFactory& PartFactory();
};

class ChainEnd : public Connector::EndImp<ChainEnd> {
public:
    static Core::FactoryImp<ChainEnd>& Factory() {
        static Core::FactoryImp<ChainEnd> factory(Core::SchemaNamespace10(), L"TestChainEnd");
        return factory;
    }
    static Connector::IFactory& PartFactory() { return Chain::PartFactory(); }
    bool IsMasterEnd() const override { return GetType() == 2; }
};

class ChainSegment : public Connector::SegmentImp<ChainSegment, ChainEnd, false> {
public:
    static Core::FactoryImp<ChainSegment>& Factory() {
        static Core::FactoryImp<ChainSegment> factory(Core::SchemaNamespace10(), L"TestChainSegment");
        return factory;
    }
    static Connector::IFactory& PartFactory() { return Chain::PartFactory(); }
};

class ChainJoin : public Connector::JoinImp<ChainJoin> {
public:
    static Core::FactoryImp<ChainJoin>& Factory() {
        static Core::FactoryImp<ChainJoin> factory(Core::SchemaNamespace10(), L"TestChainJoin");
        return factory;
    }
    static Connector::IFactory& PartFactory() { return Chain::PartFactory(); }
};

// A connector of kind C along the points, every leg drawn orthogonal (ends on the boxes when given).
template <class C>
C* BuildPath(Core::Env& env, const std::vector<zq::float8Point>& points, Box* source, Box* target)
{
    std::vector<Connector::PathEntry> path;
    for (const zq::float8Point& p : points) path.push_back({p, true});
    return dynamic_cast<C*>(Connector::BuildPathConnector(env, C::PartFactory(), path, source, target, nullptr));
}

// The registry of the test kinds.
Core::FactoryRegistry& Registry();

} // namespace ConnectorTest
