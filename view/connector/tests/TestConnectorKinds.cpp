#include "view/connector/tests/TestConnectorKinds.h"

namespace ConnectorTest {

Connector::IFactory& Wire::PartFactory()
{
    static Connector::KindPartFactory<Wire, WireEnd, WireJoin, WireSegment> factory(1, 2, 0);
    return factory;
}

Connector::IFactory& Chain::PartFactory()
{
    static Connector::KindPartFactory<Chain, ChainEnd, ChainJoin, ChainSegment> factory(1, 2, 0);
    return factory;
}

Connector::IEnd* Box::Cast(WireEnd* e) { return e; }
Connector::IEnd* Box::Cast(ChainEnd* e) { return e; }

void Box::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& v, Core::DeferredShiftSet& set, bool)
{
    MarkShifted(set);
    SetPos(env, Core::ShiftParam::Apply(v, GetPos(), GetOldPos()));
    // Moved, not reshaped: its ends move with it, as those of the diagrams' boxes do.
    const Core::MoveReshapeInfo info(this, GetOldPos(), GetPos());
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
