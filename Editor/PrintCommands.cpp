#include "Editor/PrintCommands.h"

#include "Editor/Print.h"

namespace Editor {

void PrintDocument(Diagram& document, HWND window) {
    PrintDiagram(document.GetApplication(), document.GetModel(), document.GetName(), window);
}

void PrintFromCommandLine(Diagram& document, const PrintRequest& request) {
    Application::IDocumentWindow* window = document.GetWindow(0);
    PrintDiagramWithoutDialog(document.GetApplication(), document.GetModel(), document.GetName(),
                              window ? window->GetHwnd() : nullptr, request.printer, request.driver, request.port);
}

} // namespace Editor
