#include "Editor/EditorApp.h"

#include "Editor/DiagramFactory.h"
#include "app/winutil/ExceptionBox.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"
#include "text/win/UniscribeSetup.h"

namespace Editor {

int EditorApp::Init() {
    std::wstring caption = WinUtil::ResourceLoader::Instance().LoadString(IDS_EXCEPTION_CAPTION);
    if (!caption.empty()) WinUtil::ExceptionBox::SetCaption(caption);
    // Every text on a diagram is laid out with Uniscribe.
    TextBlock::InstallUniscribeMeasurer();
    return 0;
}

std::unique_ptr<Application::IDocumentFactory> EditorApp::GetDocumentFactory(Application::LifeTimeSupervisor& root) {
    return std::make_unique<DiagramFactory>(static_cast<IDocumentFactoryCreator&>(*this).GetApplication(), root);
}

} // namespace Editor
