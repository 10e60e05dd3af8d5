#include "Editor/Diagram.h"

#include "Editor/DiagramFactory.h"
#include "Editor/DocumentWindow.h"
#include "Editor/ElementFactories.h"
#include "Editor/Export.h"
#include "Editor/NameCompare.h"
#include "Editor/OLEdiagram.h"
#include "Editor/Print.h"
#include "app/FileTitle.h"
#include "app/winutil/Files.h"
#include "app/winutil/Guard.h"
#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "core/DefaultGrid.h"
#include "core/ModelElementSet.h"
#include "resources/resource.h"
#include "style/Clients.h"
#include "core/foundation/Cast.h"

namespace Editor {

namespace {

Diagram::SaveQuestion& Question() {
    static Diagram::SaveQuestion question;
    return question;
}

} // namespace

std::wstring ProposedSaveName(const std::wstring& name) {
    std::wstring extension = L"." + WinUtil::ResourceLoader::Instance().LoadString(IDS_EXT_DIAGRAM);
    return EndsWithNoCase(name, extension) ? name.substr(0, name.size() - extension.size()) : name;
}

std::wstring ProposedCopyName(const std::wstring& name) {
    const size_t folder = name.find_last_of(L"\\/");
    const size_t start = folder == std::wstring::npos ? 0 : folder + 1;
    const size_t dot = name.find_last_of(L'.');
    return dot != std::wstring::npos && dot > start ? name.substr(0, dot) : name;
}

Diagram::Diagram(DiagramFactory& factory, Application::LifeTimeSupervisor& node, const std::wstring& name,
                 bool fromFile, bool readOnly)
    : IDocument(factory.GetApplication(), node, name), factory_(factory),
      model_(std::make_unique<Core::Diagram>(factory.GetRegistry(), static_cast<Core::Diagram::Initializer*>(this),
                                             static_cast<Core::IPastePostProcessor*>(this), &View::DefaultGrid::Instance(),
                                             &factory.GetApplication())),
      storage_(std::make_unique<StorageHolder>(*model_)) {
    if (fromFile) storage_->Open(name, readOnly);
    else storage_->New();
    ole_ = std::make_unique<OLEdiagram::OUD>(*this);
}

Diagram::Diagram(DiagramFactory& factory, Application::LifeTimeSupervisor& node, Embedded)
    : IDocument(factory.GetApplication(), node, std::wstring()), factory_(factory),
      model_(std::make_unique<Core::Diagram>(factory.GetRegistry(), static_cast<Core::Diagram::Initializer*>(this),
                                             static_cast<Core::IPastePostProcessor*>(this), &View::DefaultGrid::Instance(),
                                             &factory.GetApplication())),
      storage_(std::make_unique<StorageHolder>(*model_)), ole_(std::make_unique<OLEdiagram::OUD>(*this)) {}

Diagram::~Diagram() {
    ole_.reset();
    factory_.RemoveDocument(*this);
}

void Diagram::LifeTimeEnded() {
    WinUtil::GuardedFunctionCall("Editor::Diagram::LifeTimeEnded", [this] { ole_->ShutDown(); });
}

void Diagram::InitNewDiagram(Core::Diagram& model) { FillNewDiagram(model); }

void Diagram::OnPaste(Core::Env& env, const Core::ModelElementSet& pasted) { MergePastedStyles(env, pasted); }

void MergePastedStyles(Core::Env& env, const Core::ModelElementSet& pasted) {
    Style::MergePastedStyle(env, pasted.Elements());
    Style::Style* own = nullptr;
    for (const Core::ElementPtr& e : pasted.Elements()) {
        auto* client = zq::Cast<Style::IStyleClient>(e.get());
        if (client == nullptr || e->IsDeleted()) continue;
        const Style::Style* style = client->GetStyle();
        if (style != nullptr && !style->IsDeleted()) continue;
        // Data that came without a style (written by an older copy) takes this document's.
        if (own == nullptr) own = &Style::Style::FindOrCreate(env);
        client->SetStyle(env, own);
        client->CreateDirectories(env, own);
        client->StyleChanged(env, Style::DirectoryName::Base());
    }
}

Application::IDocumentWindow* Diagram::CreateDocumentWindow(Application::NewWindowDefaultsProvider* defaults) {
    Application::LifeTimeSupervisor& node = GetNode().CreateChild();
    auto window = std::make_unique<WindowImp>(*this, node);
    WindowImp* raw = window.get();
    node.SetClient(std::move(window));  // the node owns the window object from here on
    try {
        raw->Open(factory_.GetReferenceWindow(), defaults);
    } catch (...) {
        // A window that could not be made must not keep its lock: the program would never end.
        node.SetClient(nullptr);
        throw;
    }
    return raw;
}

HWND Diagram::FirstWindow() const {
    Application::IDocumentWindow* window = GetWindow(0);
    return window ? window->GetHwnd() : nullptr;
}

void Diagram::SetSaveQuestion(SaveQuestion question) { Question() = std::move(question); }

bool Diagram::QueryClose() {
    if (GetWindowCount() == 0 || IsEmbedded() || !storage_->IsDirty()) return true;
    if (HWND window = FirstWindow()) {
        BringWindowToTop(window);
        SetForegroundWindow(window);
    }
    SaveAnswer answer = SaveAnswer::Cancel;
    if (Question()) {
        answer = Question()(GetName());
    } else {
        const int asked = AskSaveChanges(FirstWindow(), GetName());
        answer = asked == 1 ? SaveAnswer::Yes : asked == 0 ? SaveAnswer::No : SaveAnswer::Cancel;
    }
    if (answer == SaveAnswer::No) return true;
    if (answer == SaveAnswer::Yes) return Save();
    return false;
}

bool Diagram::Close() {
    if (!QueryClose()) return false;
    GetNode().End();
    return true;
}

bool Diagram::Save() {
    if (IsEmbedded()) {
        ole_->SaveToContainer();
        return true;
    }
    if (IsUntitled() || storage_->IsReadOnly()) return SaveAs();
    storage_->SaveToFile();
    return true;
}

bool Diagram::SaveAs() {
    auto& resources = WinUtil::ResourceLoader::Instance();
    // An embedded document's Save Copy As starts from the container's name without its extension.
    std::wstring name = IsEmbedded() ? ProposedCopyName(GetName()) : ProposedSaveName(GetName());
    DWORD filterIndex = IsEmbedded() ? 0 : 1;
    if (!WinUtil::SaveFileDialog(FirstWindow(), resources.LoadString(IDS_FILTER_SAVEAS), filterIndex,
                                 resources.LoadString(IDS_EXT_DIAGRAM), name))
        return false;
    // Pictures are exports: the document keeps its name, file and modified state.
    if (SaveAsPicture(GetModel(), name)) return false;
    SaveAs(name);
    return true;
}

void Diagram::SaveAs(const std::wstring& path) {
    // An embedded document stays in its container: Save Copy As writes a copy only.
    if (IsEmbedded()) {
        storage_->SaveCopy(path);
        return;
    }
    storage_->SaveAs(path);
    SetName(path);
}

} // namespace Editor
