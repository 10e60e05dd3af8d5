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

    // Marks a start by COM with the embedding switch: the program waits for containers without a
    // document of its own, and a class object that cannot be registered ends it.
    void SetServerStart(bool serverStart) { serverStart_ = serverStart; }
    // A start of a person's: the class object is registered once the first window is painted,
    // not before it (a server start always registers at once).
    void SetRegisterAfterFirstPaint(bool later) { registerAfterFirstPaint_ = later; }
    // Whether the class object could not be registered with COM.
    bool ServerRegistrationFailed() const { return registrationFailed_; }

protected:
    // Sets the error box's caption from the string table; answers 0 (go on).
    int Init() override;
    // Makes the editor's document factory under the root node.
    std::unique_ptr<Application::IDocumentFactory> GetDocumentFactory(Application::LifeTimeSupervisor& root) override;

    // A server start waits for its containers while nothing is open.
    bool KeepRunningWhenIdle() const override { return serverStart_ && !registrationFailed_; }

private:
    // Records and reports (to a person, unless started by COM) a failed registration; answers it.
    HRESULT ClassObjectRegistered(HRESULT registered);

    Application::Clipboard clipboard_;
    bool serverStart_ = false;
    bool registerAfterFirstPaint_ = false;
    bool registrationFailed_ = false;  // the application's clipboard object, shared by every document

    // The application object itself, as the document factory is given it.
    Application::IApplication& GetApplication() override { return *this; }
};

} // namespace Editor
