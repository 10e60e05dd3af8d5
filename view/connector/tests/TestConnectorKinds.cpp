#include "view/connector/tests/TestConnectorKinds.h"

namespace ConnectorTest {

namespace {

// The part factory of a kind: End, Join, Segment and Connector are its part types.
template <class C, class End, class Join, class Segment>
class KindFactory : public Connector::IFactory {
public:
    std::shared_ptr<Connector::IConnector> CreateConnector(Core::Env& env) override { return C::Factory().CreateTyped(env); }
    std::shared_ptr<Connector::IEnd> CreateSourceEndAt(Core::Env& env, const zq::float8Point& p) override {
        return Make(env, p, 1);
    }
    std::shared_ptr<Connector::IEnd> CreateTargetEndAt(Core::Env& env, const zq::float8Point& p) override {
        return Make(env, p, 2);
    }
    std::shared_ptr<Connector::IEnd> CreateEndAt(Core::Env& env, const zq::float8Point& p) override {
        return Make(env, p, 0);
    }
    std::shared_ptr<Connector::IJoin> CreateJoinAt(Core::Env& env, const zq::float8Point& p) override {
        auto j = std::make_shared<Join>();
        j->SetInitialPosition(p);
        env.Insert(j);
        return j;
    }
    std::shared_ptr<Connector::ISegment> CreateNewSegment(Core::Env& env) override {
        return Segment::Factory().CreateTyped(env);
    }
    Core::ElementPtr CreateEnd() override { return std::make_shared<End>(); }
    Core::ElementPtr CreateJoin() override { return std::make_shared<Join>(); }
    Core::ElementPtr CreateSegment() override { return std::make_shared<Segment>(); }

private:
    std::shared_ptr<Connector::IEnd> Make(Core::Env& env, const zq::float8Point& p, int32_t type) {
        auto e = std::make_shared<End>();
        e->SetInitialPosition(p);
        env.Insert(e);
        e->SetType(env, type);
        return e;
    }
};

} // namespace

Connector::IFactory& Wire::PartFactory()
{
    static KindFactory<Wire, WireEnd, WireJoin, WireSegment> factory;
    return factory;
}

Connector::IFactory& Chain::PartFactory()
{
    static KindFactory<Chain, ChainEnd, ChainJoin, ChainSegment> factory;
    return factory;
}

Connector::IEnd* Box::Cast(WireEnd* e) { return e; }
Connector::IEnd* Box::Cast(ChainEnd* e) { return e; }

void Box::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& v, Core::DeferredShiftSet& set, bool)
{
    MarkShifted(set);
    SetPos(env, Core::ShiftParam::Apply(v, GetPos(), GetOldPos()));
    const Core::BoxReshapeInfo info(this, GetOldRect(), GetRect());
    for (Connector::IEnd* e : Ends()) e->OnTerminalReshaped(env, info, &set);
}

void Box::Attach(Core::Env& env, WireEnd* end) { end->SetTerminal(env, this); }
void Box::Attach(Core::Env& env, ChainEnd* end) { end->SetTerminal(env, this); }

void Box::Delete(Core::Env& env)
{
    if (IsDeleted()) return;
    Core::IModelElement::Delete(env);
    for (Connector::IEnd* e : Ends()) e->DetachFromTerminal(env, this, true);
}

Core::FactoryRegistry& Registry()
{
    static Core::FactoryRegistry registry = [] {
        Core::FactoryRegistry r;
        Box::Factory().ReportTo(r);
        Wire::Factory().ReportTo(r);
        Chain::Factory().ReportTo(r);
        return r;
    }();
    return registry;
}

} // namespace ConnectorTest
