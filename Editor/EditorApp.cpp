#include "Editor/EditorApp.h"

#include "Editor/ClassFactory.h"
#include "Editor/DiagramFactory.h"
#include "Editor/Installer.h"
#include "Editor/PrintCommands.h"
#include "Editor/WindowSettings.h"
#include "app/ContextMenu.h"
#include "app/winutil/ExceptionBox.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/MessageLoop.h"
#include "app/winutil/Modal.h"
#include "app/winutil/Timer.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"
#include "text/win/UniscribeSetup.h"

namespace Editor {

namespace {

constexpr wchar_t kWindowPlacement[] = L"WindowPlacement";

// The document factory with the program's class object: registered with it, revoked before the
// documents are shut down.
class ServingDiagramFactory : public DiagramFactory,
                              private WinUtil::ITimerClient,
                              private WinUtil::MessageLoop::IIdleProc {
public:
    using DiagramFactory::DiagramFactory;
    ~ServingDiagramFactory() override {
        StopWaitingForIdle();
        classObject_.reset();
    }
    // Registers the class object once the loop first runs out of messages (the first window is
    // painted by then) and hands the result to registered.
    void RegisterWhenIdle(std::function<void(HRESULT)> registered) {
        idleLoop_ = WinUtil::MessageLoop::Current();
        if (!idleLoop_) return registered(Register());
        registered_ = std::move(registered);
        idleLoop_->AddIdleProc(this);
    }
    // A server start that no container reaches in time ends instead of waiting unseen for ever.
    void AwaitFirstContainer() { firstContainer_.Start(kFirstContainerMs); }
    // Registers the class object; answers the registration's result.
    HRESULT Register() {
        classObject_ = std::make_unique<OLEdiagramFactory>(*this);
        return classObject_->GetRegistrationResult();
    }
    void Shutdown() override {
        StopWaitingForIdle();
        if (classObject_) classObject_->Revoke();
        DiagramFactory::Shutdown();
        // Documents that ended just before the quit (a container's last release) go now, while the
        // factory they leave still exists.
        GetNode().Collect();
    }

private:
    static constexpr unsigned kFirstContainerMs = 5000;
    void OnIdle() override {
        StopWaitingForIdle();
        registered_(Register());
    }
    void StopWaitingForIdle() {
        if (idleLoop_) idleLoop_->RemoveIdleProc(this);
        idleLoop_ = nullptr;
    }
    void OnTimer() override {
        firstContainer_.Stop();
        if (GetNode().GetActiveCount() == 0 && !GetNode().IsEnded()) GetNode().End();
    }

    std::unique_ptr<OLEdiagramFactory> classObject_;
    WinUtil::Timer firstContainer_{*this};
    WinUtil::MessageLoop* idleLoop_ = nullptr;  // while the registration waits for it
    std::function<void(HRESULT)> registered_;
};

void ReportRegistrationFailure(HRESULT hr) {
    auto& resources = WinUtil::ResourceLoader::Instance();
    const std::wstring text = L"The diagram object class could not be registered with OLE; other programs cannot "
                              L"embed diagrams while this copy runs.\n" + WinUtil::ComException::Format(hr);
    WinUtil::MessageBox(resources.LoadString(IDS_PRODUCTNAME).c_str(), text.c_str(), MB_ICONEXCLAMATION);
}

} // namespace

EditorApp::EditorApp() {
    // Without the installation there is no settings key: the program runs with no remembered values.
    try {
        LastWindowPlacement().ReadFromRegistry(Installer::Instance().OpenKeyForReading(), kWindowPlacement);
    } catch (const WinUtil::Registry::Exception&) {
    }
    try {
        Application::ContextMenuDefaults::Instance().Read(Installer::Instance());
    } catch (const WinUtil::Registry::Exception&) {
    }
}

EditorApp::~EditorApp() {
    try {
        WinUtil::Registry::Key key = Installer::Instance().OpenKeyForWriting();
        LastWindowPlacement().WriteToRegistry(key, kWindowPlacement);
    } catch (const WinUtil::Registry::Exception&) {
    }
    try {
        Application::ContextMenuDefaults::Instance().Write(Installer::Instance());
    } catch (const WinUtil::Registry::Exception&) {
    }
}

int EditorApp::Init() {
    std::wstring caption = WinUtil::ResourceLoader::Instance().LoadString(IDS_EXCEPTION_CAPTION);
    if (!caption.empty()) WinUtil::ExceptionBox::SetCaption(caption);
    // Every text on a diagram is laid out with Uniscribe.
    TextBlock::InstallUniscribeMeasurer();
    return 0;
}

std::unique_ptr<Application::IDocumentFactory> EditorApp::GetDocumentFactory(Application::LifeTimeSupervisor& root) {
    auto factory = std::make_unique<ServingDiagramFactory>(
        static_cast<IDocumentFactoryCreator&>(*this).GetApplication(), root, clipboard_);
    if (registerAfterFirstPaint_ && !serverStart_) {
        factory->RegisterWhenIdle([this](HRESULT registered) { ClassObjectRegistered(registered); });
    } else if (SUCCEEDED(ClassObjectRegistered(factory->Register())) && serverStart_) {
        factory->AwaitFirstContainer();
    }
    factory->SetPrinter(&PrintFromCommandLine);  // "-p" and "-pt" print without the dialog's questions
    return factory;
}

HRESULT EditorApp::ClassObjectRegistered(HRESULT registered) {
    if (FAILED(registered)) {
        registrationFailed_ = true;
        if (!serverStart_) ReportRegistrationFailure(registered);
    }
    return registered;
}

} // namespace Editor
