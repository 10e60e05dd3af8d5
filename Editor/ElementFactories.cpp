#include "Editor/ElementFactories.h"

#include "core/Transaction.h"
#include "page/Page.h"
#include "page/win/PrinterPage.h"
#include "page/win/SelectedPrinter.h"
#include "style/Model.h"
#include "view/DiagramType.h"

namespace Editor {

void RegisterElementFactories(Core::FactoryRegistry& registry) {
    // Styles ("Style" with "Directory", "Font", "ElementStyle"), the page ("Page") and the diagram
    // type ("DiagramType"); the element families report their factories here as they join.
    Style::Style::Factory().ReportTo(registry);
    Page::Page::Factory().ReportTo(registry);
    View::DiagramType::Factory().ReportTo(registry);
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
