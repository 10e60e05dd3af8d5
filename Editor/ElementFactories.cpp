#include "Editor/ElementFactories.h"

#include "core/Transaction.h"

namespace Editor {

void RegisterElementFactories(Core::FactoryRegistry& registry) {
    // The element families, styles ("Style", "Directory", "Font", "ElementStyle"), the page ("Page")
    // and the diagram type ("DiagramType") report their factories here as they join the program.
    (void)registry;
}

void FillNewDiagram(Core::Diagram& model) {
    Core::Transaction transaction(model);
    Core::Env env(transaction);
    // The page for the selected printer and the diagram type element are created here once their
    // kinds exist. The record is dropped: a new diagram has nothing to undo and is not modified.
    env.Close();
}

} // namespace Editor
