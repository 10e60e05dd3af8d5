#include "Editor/ElementFactories.h"

#include "core/Transaction.h"
#include "elements/class/AssocClassConnector.h"
#include "elements/class/Association.h"
#include "elements/class/Class.h"
#include "elements/class/Compartment.h"
#include "elements/class/Qualifier.h"
#include "elements/class/win/AssocClassViews.h"
#include "elements/class/win/AssociationViews.h"
#include "elements/class/Generalization.h"
#include "elements/class/Package.h"
#include "elements/class/win/ClassViews.h"
#include "elements/class/win/GeneralizationViews.h"
#include "elements/class/win/PackageViews.h"
#include "elements/note/Dependency.h"
#include "elements/note/Note.h"
#include "elements/note/win/Views.h"
#include "elements/object/Link.h"
#include "elements/object/Object.h"
#include "elements/object/win/Views.h"
#include "elements/state/Transition.h"
#include "elements/state/win/StateViews.h"
#include "elements/sequence/SeqObject.h"
#include "elements/sequence/win/Views.h"
#include "elements/usecase/Generalization.h"
#include "elements/usecase/win/Views.h"
#include "page/Page.h"
#include "page/win/PrinterPage.h"
#include "page/win/SelectedPrinter.h"
#include "page/win/VPage.h"
#include "style/Model.h"
#include "text/edit/TextView.h"
#include "text/free/Anchor.h"
#include "text/free/FreeText.h"
#include "view/CanvasView.h"
#include "view/DiagramType.h"
#include "view/ViewElements.h"
#include "core/foundation/Cast.h"

namespace Editor {

void RegisterElementFactories(Core::FactoryRegistry& registry) {
    // Styles ("Style" with "Directory", "Font", "ElementStyle"), the page ("Page") and the diagram
    // type ("DiagramType"); the element families report their factories here as they join.
    Style::Style::Factory().ReportTo(registry);
    Page::Page::Factory().ReportTo(registry);
    View::DiagramType::Factory().ReportTo(registry);
    Text::FreeText::Factory().ReportTo(registry);
    Text::Anchor::Factory().ReportTo(registry);
    Note::ReportNoteFactories(registry);
    Dependency::ReportDependencyFactories(registry);
    Class::Class::Factory().ReportTo(registry);
    Class::Compartment::Factory().ReportTo(registry);
    Class::TemplateParameters::Factory().ReportTo(registry);
    State::ReportStateFactories(registry);
    Sequence::ReportSequenceFactories(registry);
    Class::ReportAssociationFactories(registry);
    Class::ReportQualifierFactory(registry);
    Class::ReportGeneralizationFactories(registry);
    Class::ReportAssocClassConnectorFactories(registry);
    Class::ReportPackageFactories(registry);
    Object::ReportObjectFactories(registry);
    Object::ReportLinkFactories(registry);
    UseCase::ReportUseCaseFactories(registry);
    RegisterViewMakers();
}

void RegisterViewMakers() {
    static const bool registered = [] {
        View::ModelElement::AddViewMaker(
            [](Core::IModelElement& element, View::ICanvasView& view) -> std::shared_ptr<Core::IViewElement> {
                auto* page = zq::Cast<Page::Page>(&element);
                if (page == nullptr) return nullptr;
                auto frame = std::make_shared<Page::VPage>(view, *page, view.GetCanvas());
                frame->Update(nullptr);
                return frame;
            });
        TextBlock::RegisterTextViews();
        Note::RegisterNoteViews();
        Class::RegisterClassViews();
        State::RegisterStateViews();
        Sequence::RegisterSequenceViews();
        Class::RegisterAssociationViews();
        Class::RegisterGeneralizationViews();
        Class::RegisterAssocClassConnectorViews();
        Class::RegisterPackageViews();
        Object::RegisterObjectViews();
        UseCase::RegisterUseCaseViews();
        return true;
    }();
    (void)registered;
}

void FillNewDiagram(Core::Diagram& model) {
    Core::Transaction transaction(model);
    Core::Env env(transaction);
    // The page takes the paper of the printer selected now; the type starts as a class diagram.
    std::wstring printer;
    Page::SelectedPrinter::Instance().GetName(printer);
    Page::CreatePageForPrinter(env, printer);
    View::DiagramType::SetTypeOf(env, model, View::DiagramTypeValue::Class);
    // The record is dropped: a new diagram has nothing to undo and is not modified.
    env.Close();
}

} // namespace Editor
