#include "view/connector/win/tests/ShownKinds.h"

#include "view/DiagramType.h"

namespace ConnectorViewTest {

Connector::IFactory& Line::PartFactory()
{
    static Connector::KindPartFactory<Line, LineEnd, LineJoin, LineSegment> factory(1, 2, 0);
    return factory;
}

std::shared_ptr<Core::IViewElement> LineEnd::CreateCanvasViewElement(View::ICanvasView& view)
{
    return std::make_shared<VArrowEnd>(view, *this);
}

void TermBox::Attach(Core::Env& env, LineEnd* end) { end->SetTerminal(env, this); }

void TermBox::Delete(Core::Env& env)
{
    if (IsDeleted()) return;
    Core::IModelElement::Delete(env);
    for (LineEnd* e : GetRep().ends) e->DetachFromTerminal(env, this, true);
}

Core::FactoryRegistry& Registry()
{
    static Core::FactoryRegistry registry = [] {
        Core::FactoryRegistry r;
        TermBox::Factory().ReportTo(r);
        Line::Factory().ReportTo(r);
        View::DiagramType::Factory().ReportTo(r);
        return r;
    }();
    return registry;
}

} // namespace ConnectorViewTest
