#include "Editor/DocumentFactory.h"

#include "Editor/CommandLine.h"
#include "Editor/DocumentWindow.h"
#include "app/FileTitle.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"

#include <memory>

namespace Editor {

namespace {

const wchar_t kProgramCaption[] = L"Quorvel UML Editor";

bool IsShownDocumentWindow(HWND hwnd) {
    return hwnd && IsWindow(hwnd) && IsWindowVisible(hwnd) &&
           dynamic_cast<DocumentWindow*>(WinUtil::Window::FromHandle(hwnd)) != nullptr;
}

// Windows come in Z order: the first document window found is the topmost.
BOOL CALLBACK FindTopmostDocumentWindow(HWND hwnd, LPARAM found) {
    if (!IsShownDocumentWindow(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

} // namespace

// ---- EmptyDocument ----

EmptyDocument::EmptyDocument(DocumentFactory& factory, Application::LifeTimeSupervisor& node, std::wstring path)
    : IDocument(factory.GetApplication(), node, std::move(path)), factory_(factory) {}

EmptyDocument::~EmptyDocument() { factory_.RemoveDocument(*this); }

std::wstring EmptyDocument::GetCaption() const {
    if (GetName().empty()) return kProgramCaption;
    return Application::GetFileTitle(GetName()) + L" - " + kProgramCaption;
}

Application::IDocumentWindow* EmptyDocument::CreateDocumentWindow(Application::NewWindowDefaultsProvider*) {
    Application::LifeTimeSupervisor& node = GetNode().CreateChild();
    auto window = std::make_unique<DocumentWindow>(*this, node);
    DocumentWindow* raw = window.get();
    node.SetClient(std::move(window));  // the node owns the window object from here on
    try {
        raw->Open(factory_.GetReferenceWindow());
    } catch (...) {
        // A window that could not be made must not keep its lock: the program would never end.
        node.SetClient(nullptr);
        throw;
    }
    return raw;
}

// ---- DocumentFactory ----

DocumentFactory::DocumentFactory(Application::IApplication& application, Application::LifeTimeSupervisor& root)
    : IDocumentFactory(application, root),
      accelerators_(WinUtil::ResourceLoader::Instance().LoadAccelerators(IDR_ACCELERATORS)),
      queue_(root, [this](const std::wstring& path) { OpenDocument(path); }) {}

DocumentFactory::~DocumentFactory() {
    // Loops nest on the stack: when the hooked loop is not the current one it has already ended.
    if (loop_ && loop_ == WinUtil::MessageLoop::Current()) loop_->RemovePreProc(this);
}

bool DocumentFactory::PreProcess(MSG& msg) {
    if (!accelerators_ || !msg.hwnd || (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)) return false;
    HWND frame = GetAncestor(msg.hwnd, GA_ROOT);
    if (!dynamic_cast<DocumentWindow*>(WinUtil::Window::FromHandle(frame))) return false;
    return TranslateAcceleratorW(frame, accelerators_, &msg) != 0;
}

void DocumentFactory::Receive(const std::wstring& directory, const std::wstring& commandLine) {
    // The application calls this first from inside its running loop: hook the shortcuts there.
    if (!loop_ && accelerators_ && (loop_ = WinUtil::MessageLoop::Current())) loop_->AddPreProc(this);
    OpenRequest request = ParseCommandLine(directory, commandLine);
    if (request.serverOnly) return;
    queue_.Add(request.paths);
    if (request.newDocument) NewDocument();
}

EmptyDocument& DocumentFactory::NewDocument(int showCommand) { return MakeDocument({}, showCommand); }

EmptyDocument& DocumentFactory::OpenDocument(const std::wstring& path, int showCommand) {
    if (EmptyDocument* open = FindDocument(path)) {
        open->BringToFront(showCommand);
        return *open;
    }
    return MakeDocument(path, showCommand);
}

HWND DocumentFactory::GetReferenceWindow() const {
    if (IsShownDocumentWindow(referenceWindow_)) return referenceWindow_;
    HWND active = GetActiveWindow();
    if (IsShownDocumentWindow(active)) return active;
    HWND topmost = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindTopmostDocumentWindow, reinterpret_cast<LPARAM>(&topmost));
    return topmost;
}

EmptyDocument* DocumentFactory::FindDocument(const std::wstring& path) {
    EmptyDocument* found = nullptr;
    if (path.empty()) return nullptr;
    ForEachDocument([&](Application::IDocument& document) {
        if (document.GetNode().IsEnded() || !SamePath(document.GetName(), path)) return true;
        found = static_cast<EmptyDocument*>(&document);
        return false;
    });
    return found;
}

EmptyDocument& DocumentFactory::MakeDocument(const std::wstring& path, int showCommand) {
    Application::LifeTimeSupervisor& node = GetNode().CreateChild();
    auto document = std::make_unique<EmptyDocument>(*this, node, path);
    EmptyDocument* raw = document.get();
    node.SetClient(std::move(document));
    AddDocument(*raw);
    raw->BringToFront(showCommand);
    return *raw;
}

} // namespace Editor
