#include "view/DiagramType.h"

#include "core/PropertyKinds.h"
#include "core/Transaction.h"
#include "resources/resource.h"
#include "view/DefaultTask.h"
#include "core/foundation/Cast.h"

namespace View {

namespace {
void Check(int value)
{
    if (value < DiagramTypeValue::kFirst || value > DiagramTypeValue::kLast) throw InvalidDiagramTypeValue(value);
}
} // namespace

InvalidDiagramTypeValue::InvalidDiagramTypeValue(int value)
    : zq::Exception("View::DiagramTypeValue::InvalidDiagramTypeValue (" + std::to_string(value) + ")")
{
}

UINT DiagramTypeValue::GetCommandId(int value)
{
    Check(value);
    return UINT(ID_DIAGRAM_CLASS + value - 1);
}

UINT DiagramTypeValue::GetMenuId(int value)
{
    Check(value);
    return UINT(IDR_MENU_CLASSDIAGRAM + value - 1);
}

UINT DiagramTypeValue::GetName(int value)
{
    Check(value);
    return UINT(IDS_DIAGRAM_CLASS + value - 1);
}

// ---- DiagramType

Core::FactoryImp<DiagramType>& DiagramType::Factory()
{
    static Core::FactoryImp<DiagramType> factory(Core::SchemaNamespace10(), L"DiagramType");
    return factory;
}

void DiagramType::RegisterProperties(Core::PropertyTable<DiagramTypeRep>& table)
{
    Core::RegisterEnumProperty<DiagramTypeValue::kFirst, DiagramTypeValue::kLast, Core::EvalRestore::Mandatory>::Register(
        table, &DiagramTypeRep::value, L"TypeValue", DiagramTypeValue::Class);
}

int DiagramType::GetTypeOf(const Core::Diagram& diagram)
{
    auto* element = zq::Cast<const DiagramType>(diagram.FindElement(L"DiagramType"));
    return element ? element->GetValue() : DiagramTypeValue::Class;
}

void DiagramType::SetTypeOf(Core::Env& env, Core::Diagram& diagram, int value)
{
    Check(value);
    auto* element = zq::Cast<DiagramType>(diagram.FindElement(L"DiagramType"));
    if (element == nullptr) {
        const Core::IFactory* factory =
            diagram.GetFactoryRegistry().Find(Core::SchemaNamespace10().uri, L"DiagramType");
        if (factory == nullptr) factory = &Factory();
        element = zq::Cast<DiagramType>(factory->Create(env).get());
        if (element == nullptr) throw zq::Exception("View::DiagramType: the factory made another element");
    }
    if (element->SetField(env, &DiagramTypeRep::value, DiagramTypeValue::T(value))) element->UpdateViewElements();
}

std::shared_ptr<Core::IViewElement> DiagramType::CreateCanvasViewElement(ICanvasView& view)
{
    return std::make_shared<VDiagramType>(view, *this);
}

VDiagramType::~VDiagramType()
{
    if (GetOwnerView() != nullptr) GetCanvasView().NoteDiagramTypeChanged();
}

void VDiagramType::Update()
{
    GetCanvasView().DiagramTypeChanged();
}

// ---- DiagramTypeCmdHandler

DiagramTypeCmdHandler::DiagramTypeCmdHandler(IDefaultTask& task) : ICmdHandler(task)
{
    for (int v = DiagramTypeValue::kFirst; v <= DiagramTypeValue::kLast; ++v)
        GetPlugs().Add(DiagramTypeValue::GetCommandId(v), [this, v](const Application::CommandMsg&) { Switch(v); });
    UpdateCommands();
}

void DiagramTypeCmdHandler::UpdateCommands()
{
    ViewContext& c = GetTask().GetContext();
    const int current = DiagramType::GetTypeOf(*c.diagram);
    for (int v = DiagramTypeValue::kFirst; v <= DiagramTypeValue::kLast; ++v) {
        const UINT id = DiagramTypeValue::GetCommandId(v);
        GetPlugs().Enable(id, c.view->IsActive() && !c.IsReadOnly());
        GetPlugs().SetCheckState(id, Application::Unchecked);
    }
    GetPlugs().SetCheckState(DiagramTypeValue::GetCommandId(current), Application::RadioChecked);
}

void DiagramTypeCmdHandler::Switch(int value)
{
    IDefaultTask& task = GetTask();
    ViewContext& c = task.GetContext();
    task.TakeSelectionSnapshot();
    Core::Env env = task.MakeEnv();
    DiagramType::SetTypeOf(env, *c.diagram, value);
    task.CommitPending(false);
    UpdateCommands();
    if (c.diagramTypeNotifier) c.diagramTypeNotifier();
}

} // namespace View
