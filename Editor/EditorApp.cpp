#include "Editor/EditorApp.h"

#include "Editor/DiagramFactory.h"
#include "Editor/Installer.h"
#include "Editor/PrintCommands.h"
#include "Editor/WindowSettings.h"
#include "app/ContextMenu.h"
#include "app/winutil/ExceptionBox.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"
#include "text/win/UniscribeSetup.h"

namespace Editor {

namespace {

constexpr wchar_t kWindowPlacement[] = L"WindowPlacement";

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
    auto factory = std::make_unique<DiagramFactory>(static_cast<IDocumentFactoryCreator&>(*this).GetApplication(),
                                                    root, clipboard_);
    factory->SetPrinter(&PrintFromCommandLine);  // "-p" and "-pt" print without the dialog's questions
    return factory;
}

} // namespace Editor
