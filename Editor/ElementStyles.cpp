#include "Editor/ElementStyles.h"

#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/ElementStylesDialog.h"
#include "Editor/WindowList.h"
#include "app/winutil/CursorManager.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"
#include "style/Clients.h"
#include "style/Model.h"
#include "view/CanvasView.h"
#include "view/Tasks.h"
#include "core/foundation/Cast.h"

#include <algorithm>

namespace Editor {

namespace ElementStyles {

std::vector<Style::ElementStyle*> SortedStyles(const Core::Diagram& model) {
    std::vector<Style::ElementStyle*> styles;
    if (const Style::Style* style = Style::Style::Find(model))
        for (Style::ElementStyle* s : style->GetElementStyles())
            if (s && !s->IsDeleted()) styles.push_back(s);
    std::stable_sort(styles.begin(), styles.end(), [](const Style::ElementStyle* a, const Style::ElementStyle* b) {
        return CaptionLess(a->GetName(), b->GetName());
    });
    return styles;
}

std::optional<std::wstring> CommonName(const View::DiagramView& view) {
    std::optional<std::wstring> common;
    bool differ = false;
    view.GetSelection().ForEach([&](Core::IModelElement& element) {
        const auto* client = zq::Cast<const Style::IElementStyleClient>(&element);
        if (!client) return;
        const std::wstring name = client->GetElementStyle();
        if (!common) common = name;
        else if (*common != name) differ = true;
    });
    if (differ) return std::nullopt;
    return common;
}

unsigned CountUses(const Core::Diagram& model, const std::wstring& name) {
    unsigned uses = 0;
    model.ForEachElement([&](Core::IModelElement& element) {
        const auto* client = zq::Cast<const Style::IElementStyleClient>(&element);
        if (client && !element.IsDeleted() && client->GetElementStyle() == name) ++uses;
    });
    return uses;
}

std::wstring FreeName(const std::vector<Style::ElementStyle*>& styles) {
    for (int n = 1; n <= 500; ++n) {
        const std::wstring name = L"Style " + std::to_wstring(n);
        const bool taken = std::any_of(styles.begin(), styles.end(),
                                       [&](const Style::ElementStyle* s) { return s->GetName() == name; });
        if (!taken) return name;
    }
    return {};
}

unsigned AssignToSelection(View::DiagramView& view, const std::wstring& name) {
    unsigned count = 0;
    Core::Env env = view.GetTaskHost().MakeEnv();
    view.GetSelection().ForEach([&](Core::IModelElement& element) {
        if (auto* client = zq::Cast<Style::IElementStyleClient>(&element)) {
            client->SetElementStyle(env, name);
            ++count;
        }
    });
    return count;
}

} // namespace ElementStyles

ElementStylesList::ElementStylesList(WindowImp& window) : window_(window), commands_(window.GetCommander()) {
    if (HMENU bar = GetMenu(window.GetHwnd())) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_SUBMENU;
        if (GetMenuItemInfoW(bar, IDM_STYLESMENU, FALSE, &info)) menu_ = info.hSubMenu;
    }
    commands_.Add(ID_STYLES_ELEMENTSTYLES, [this](const Application::CommandMsg&) { RunDialog(); });
    for (UINT id = ID_STYLES_DEFAULT; id <= ID_STYLES_LAST; ++id)
        commands_.Add(id, this, &ElementStylesList::OnStyleCommand);
    plugs_ = std::make_unique<WinMessage::WinMsgPlugMap>(window.GetDispatcher());
    plugs_->AddSpy(WM_INITMENUPOPUP, this, &ElementStylesList::OnInitMenuPopup);
}

ElementStylesList::~ElementStylesList() = default;

void ElementStylesList::OnInitMenuPopup(WinMessage::Msg& msg) {
    if (HIWORD(msg.lParam) || !menu_ || reinterpret_cast<HMENU>(msg.wParam) != menu_) return;
    RebuildMenu();
}

void ElementStylesList::RebuildMenu() {
    RemoveMenu(menu_, ID_STYLES_DEFAULT, MF_BYCOMMAND);
    for (size_t i = 0; i < appended_; ++i) RemoveMenu(menu_, ID_STYLES_FIRST + static_cast<UINT>(i), MF_BYCOMMAND);
    appended_ = 0;
    listed_.clear();
    std::optional<std::wstring> common;
    if (window_.GetActiveView()) common = ElementStyles::CommonName(window_.GetActiveDiagramView());
    const std::wstring defaultName = WinUtil::ResourceLoader::Instance().LoadString(IDS_DEFAULT_STYLE);
    const UINT grayed = editable_ ? 0 : MF_GRAYED;
    AppendMenuW(menu_, MF_STRING | grayed | (common && common->empty() ? MF_CHECKED : 0), ID_STYLES_DEFAULT,
                defaultName.c_str());
    for (Style::ElementStyle* style : ElementStyles::SortedStyles(window_.GetDiagram().GetModel())) {
        if (appended_ == ElementStyles::kMenuLimit) break;
        const UINT flags = MF_STRING | grayed | (common && *common == style->GetName() ? MF_CHECKED : 0);
        AppendMenuW(menu_, flags, ID_STYLES_FIRST + static_cast<UINT>(appended_), style->GetName().c_str());
        listed_.push_back(style->GetName());
        ++appended_;
    }
}

void ElementStylesList::SetEditable(bool editable) {
    editable_ = editable;
    commands_.Enable(ID_STYLES_ELEMENTSTYLES, editable);
    for (UINT id = ID_STYLES_DEFAULT; id <= ID_STYLES_LAST; ++id) commands_.Enable(id, editable);
}

void ElementStylesList::OnStyleCommand(const Application::CommandMsg& msg) {
    if (msg.id == ID_STYLES_DEFAULT) {
        Apply(std::wstring());
        return;
    }
    const size_t index = msg.id - ID_STYLES_FIRST;
    if (index < listed_.size()) Apply(listed_[index]);
}

void ElementStylesList::Apply(const std::wstring& name) {
    if (!window_.GetActiveView()) return;
    View::DiagramView& view = window_.GetActiveDiagramView();
    View::IDefaultTask& task = view.GetTaskHost();
    task.TakeSelectionSnapshot();
    ElementStyles::AssignToSelection(view, name);
    task.CommitPending(false);
    window_.GetDiagram().GetModel().UpdateAllViews();
}

INT_PTR ElementStylesList::RunDialog() {
    if (!window_.GetActiveView()) return 0;
    View::DiagramView& view = window_.GetActiveDiagramView();
    View::IDefaultTask& task = view.GetTaskHost();
    task.TakeSelectionSnapshot();
    INT_PTR result = 0;
    {
        WinUtil::CursorManager::ModalGuard modal;
        ElementStylesListDialog dialog(view, ElementStyles::SortedStyles(window_.GetDiagram().GetModel()));
        result = dialog.Show(nullptr, window_.GetHwnd(), L"EDITSPECIALSTYLES");
    }
    if (result == IDOK) task.CommitPending(false);
    else task.DiscardPending();
    window_.GetDiagram().GetModel().UpdateAllViews();
    return result;
}

} // namespace Editor
