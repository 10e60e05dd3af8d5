// The editor's application object: the framework's single-document application with the editor's
// document factory, error-box caption and settings.
#pragma once

#include "app/Clipboard.h"
#include "app/SdiApp.h"

namespace Editor {

class EditorApp : public Application::ISdiApp, private Application::IDocumentFactoryCreator {
public:
    // Reads the remembered window placement and context-menu defaults from the settings key.
    EditorApp();
    // Writes them back; settings that cannot be written are dropped.
    ~EditorApp() override;

protected:
    // Sets the error box's caption from the string table; answers 0 (go on).
    int Init() override;
    // Makes the editor's document factory under the root node.
    std::unique_ptr<Application::IDocumentFactory> GetDocumentFactory(Application::LifeTimeSupervisor& root) override;

private:
    Application::Clipboard clipboard_;  // the application's clipboard object, shared by every document

    // The application object itself, as the document factory is given it.
    Application::IApplication& GetApplication() override { return *this; }
};

} // namespace Editor
