#include "Editor/Caption.h"

#include "app/FileTitle.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"
#include "view/DiagramType.h"

namespace Editor {

Caption BuildCaption(const CaptionState& state) {
    auto& resources = WinUtil::ResourceLoader::Instance();
    std::wstring text;
    if (state.embedded) text += resources.LoadString(IDS_DIAGRAM_IN);
    text += state.name.empty() ? std::wstring(L"unknown") : Application::GetFileTitle(state.name);
    if (state.number != 0) text += L":" + std::to_wstring(state.number);
    if (state.modified) text += L" *";
    if (state.readOnly) text += L" (" + resources.LoadString(IDS_READONLY) + L")";
    Caption caption;
    caption.listCaption = text;
    std::wstring typeName;
    try {
        typeName = resources.LoadString(View::DiagramTypeValue::GetName(state.diagramType));
    } catch (const View::InvalidDiagramTypeValue&) {
        typeName = resources.LoadString(IDS_DIAGRAM_CLASS);
    }
    caption.full = text + L" - " + resources.LoadString(IDS_PRODUCTNAME) + L" - " + typeName;
    return caption;
}

} // namespace Editor
