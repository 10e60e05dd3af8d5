#include "Editor/DiagramFactory.h"

#include "Editor/DocumentWindow.h"
#include "Editor/ElementFactories.h"
#include "Editor/MetafileCreator.h"
#include "Editor/TransferFormats.h"
#include "Editor/NameCompare.h"
#include "app/winutil/Files.h"
#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "core/foundation/UTF8.h"
#include "resources/resource.h"
#include "core/foundation/Cast.h"
#include "text/edit/EditTask.h"
#include "view/Tasks.h"

#include <memory>

namespace Editor {

namespace {

constexpr long kStgFileNotFound = static_cast<long>(0x80030002);
constexpr long kStgFileAlreadyExists = static_cast<long>(0x80030050);
constexpr int kLastUntitledNumber = 2147483646;

bool IsShownDocumentWindow(HWND hwnd) {
    return hwnd && IsWindow(hwnd) && IsWindowVisible(hwnd) &&
           zq::Cast<WindowImp>(WinUtil::Window::FromHandle(hwnd)) != nullptr;
}

// Windows come in Z order: the first document window found is the topmost.
BOOL CALLBACK FindTopmostDocumentWindow(HWND hwnd, LPARAM found) {
    if (!IsShownDocumentWindow(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

std::wstring Widen(const char* text) {
    std::wstring wide;
    zq::DecodeUTF8(text, wide);
    return wide;
}

// Select all, the clipboard and undo: the keys that belong to a text being typed before any
// shortcut of the window.
bool IsTextKey(const MSG& msg) {
    return msg.wParam == 'A' || msg.wParam == 'C' || msg.wParam == 'V' || msg.wParam == 'X' || msg.wParam == 'Z';
}

// Whether a key goes to an edit control (the zoom box) as one of its own.
bool IsEditControlKey(const MSG& msg) {
    wchar_t cls[16] = L"";
    GetClassNameW(msg.hwnd, cls, 16);
    return CompareStringOrdinal(cls, -1, L"Edit", -1, TRUE) == CSTR_EQUAL && IsTextKey(msg);
}

// Whether the key goes to a pane of the window that edits a text in place: its editor reads the
// key as the character it makes (Ctrl+A selects the text, not the diagram).
bool IsInPlaceTextKey(const WindowImp& window, const MSG& msg) {
    if (!IsTextKey(msg)) return false;
    for (const ClientView* pane : {window.GetFirstView(), window.GetSecondView()})
        if (pane && pane->GetHwnd() == msg.hwnd)
            return zq::Cast<TextBlock::EditTask>(&pane->GetView().GetTaskHost().GetActiveTask()) != nullptr;
    return false;
}

} // namespace

std::wstring MakeUntitledName(const std::vector<std::wstring>& openNames) {
    auto& resources = WinUtil::ResourceLoader::Instance();
    // The text before the number: a name within the number and what follows it blocks nothing alone,
    // or a name such as "qvd" would block every candidate.
    std::wstring format = resources.LoadString(IDS_UNTITLED_NAME);
    const size_t prefix = std::min(format.find(L"%1"), format.size());
    for (int n = 1; n <= kLastUntitledNumber; ++n) {
        std::wstring candidate = resources.FormatString(IDS_UNTITLED_NAME, {std::to_wstring(n)});
        const size_t tail = candidate.size() - prefix;
        bool blocked = false;
        for (const std::wstring& name : openNames) {
            if (name.empty()) continue;
            blocked = EndsWithNoCase(name, candidate) || (name.size() > tail && EndsWithNoCase(candidate, name));
            if (blocked) break;
        }
        if (!blocked) return candidate;
    }
    return {};
}

std::wstring OpenErrorText(const std::wstring& path, const std::exception& error) {
    auto& resources = WinUtil::ResourceLoader::Instance();
    return resources.FormatString(IDS_CANNOT_OPEN, {path}) + L"\n" + resources.LoadString(IDS_MALFORMED) + L"\n(" +
           Widen(error.what()) + L")";
}

std::wstring OpenErrorText(const std::wstring& path, const WinUtil::ComException& error) {
    auto& resources = WinUtil::ResourceLoader::Instance();
    std::wstring text = resources.FormatString(IDS_CANNOT_OPEN, {path}) + L"\n";
    if (error.Code() == kStgFileNotFound || error.Code() == kStgFileAlreadyExists)
        return text + resources.LoadString(IDS_INVALID_FORMAT) + L"\n" + WinUtil::ComException::Format(error.Code());
    return text + Widen(error.what());
}

DiagramFactory::DiagramFactory(Application::IApplication& application, Application::LifeTimeSupervisor& root,
                               Application::IClipboard& clipboard)
    : IDocumentFactory(application, root), clipboard_(clipboard),
      accelerators_(WinUtil::ResourceLoader::Instance().LoadAccelerators(IDR_ACCELERATORS)),
      queue_(root, [this](const std::wstring& path) { Open(path); }) {
    RegisterElementFactories(registry_);
    // Copied and dragged elements are offered as pictures too.
    TransferSetFormatHandler::SetDefaultPictureMaker(
        [](const Core::TransferSet& set) { return std::make_unique<MetafileCreator>(set); });
}

DiagramFactory::~DiagramFactory() {
    // Loops nest on the stack: when the hooked loop is not the current one it has already ended.
    if (loop_ && loop_ == WinUtil::MessageLoop::Current()) loop_->RemovePreProc(this);
}

bool DiagramFactory::PreProcess(MSG& msg) {
    if (!accelerators_ || !msg.hwnd || (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)) return false;
    if (IsEditControlKey(msg)) {
        // Not every edit control selects its text on Ctrl+A itself: done here, as users expect.
        if (msg.wParam != 'A' || GetKeyState(VK_CONTROL) >= 0) return false;
        SendMessageW(msg.hwnd, EM_SETSEL, 0, -1);
        return true;
    }
    HWND frame = GetAncestor(msg.hwnd, GA_ROOT);
    const auto* window = zq::Cast<WindowImp>(WinUtil::Window::FromHandle(frame));
    if (!window || IsInPlaceTextKey(*window, msg)) return false;
    return TranslateAcceleratorW(frame, accelerators_, &msg) != 0;
}

void DiagramFactory::Receive(const std::wstring& directory, const std::wstring& commandLine) {
    // The application calls this first from inside its running loop: hook the shortcuts there.
    if (!loop_ && accelerators_ && (loop_ = WinUtil::MessageLoop::Current())) loop_->AddPreProc(this);
    OpenRequest request = ParseCommandLine(directory, commandLine);
    if (request.serverOnly) return;
    if (request.print) {
        Print(*request.print);
        return;
    }
    queue_.Add(request.paths);
    if (request.newDocument) NewDiagram();
}

void DiagramFactory::Print(const PrintRequest& request) {
    if (request.path.empty()) return;
    Diagram* document = FindOpen(request.path);
    const bool openedHere = document == nullptr;
    if (openedHere && !(document = Open(request.path))) return;
    if (!printer_) return;  // nothing prints yet: the document stays open for the user
    printer_(*document, request);
    if (openedHere) document->Close();
}

Diagram* DiagramFactory::NewDiagram(int showCommand) {
    std::vector<std::wstring> names;
    ForEachDocument([&](Application::IDocument& document) {
        names.push_back(document.GetName());
        return true;
    });
    std::wstring name = MakeUntitledName(names);
    if (name.empty()) return nullptr;
    return &MakeDocument(name, false, false, showCommand);
}

Diagram* DiagramFactory::Open(const std::wstring& path, bool readOnly, int showCommand) {
    try {
        return &OpenDocument(path, readOnly, showCommand);
    } catch (const WinUtil::ComException& e) {
        Report(OpenErrorText(path, e));
    } catch (const std::exception& e) {
        // Not only the reader's own errors: any failure while a file is read (a fault, exhausted
        // memory) ends in this box, never in the error box of a guard that the program may outrun.
        Report(OpenErrorText(path, e));
    }
    return nullptr;
}

void DiagramFactory::OpenWithDialog(HWND owner) {
    auto& resources = WinUtil::ResourceLoader::Instance();
    const WinUtil::OpenFileResult chosen = WinUtil::OpenFileDialog(
        owner, std::wstring(), resources.LoadString(IDS_FILTER_OPEN), OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
    if (!chosen.confirmed) return;
    for (const std::wstring& path : chosen.paths) Open(path, chosen.readOnly);
}

Diagram& DiagramFactory::OpenDocument(const std::wstring& path, bool readOnly, int showCommand) {
    if (Diagram* open = FindOpen(path)) return *open;
    return MakeDocument(path, true, readOnly, showCommand);
}

Diagram* DiagramFactory::FindOpen(const std::wstring& path) {
    Diagram* found = nullptr;
    if (path.empty()) return nullptr;
    ForEachDocument([&](Application::IDocument& document) {
        auto* diagram = zq::Cast<Diagram>(&document);
        if (!diagram || diagram->IsUntitled() || document.GetNode().IsEnded()) return true;
        if (!EqualsNoCase(document.GetName(), path)) return true;
        found = diagram;
        return false;
    });
    if (found) found->BringToFront(SW_SHOWNORMAL);
    return found;
}

HWND DiagramFactory::GetReferenceWindow() const {
    if (IsShownDocumentWindow(referenceWindow_)) return referenceWindow_;
    HWND active = GetActiveWindow();
    if (IsShownDocumentWindow(active)) return active;
    HWND topmost = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindTopmostDocumentWindow, reinterpret_cast<LPARAM>(&topmost));
    return topmost;
}

Diagram& DiagramFactory::MakeDocument(const std::wstring& name, bool fromFile, bool readOnly, int showCommand) {
    Application::LifeTimeSupervisor& node = GetNode().CreateChild();
    std::unique_ptr<Diagram> document;
    try {
        document = std::make_unique<Diagram>(*this, node, name, fromFile, readOnly);
    } catch (...) {
        node.End();  // the node of a document that could not be made is dropped
        throw;
    }
    Diagram* raw = document.get();
    node.SetClient(std::move(document));
    AddDocument(*raw);
    raw->BringToFront(showCommand);
    return *raw;
}

void DiagramFactory::Report(const std::wstring& text) const {
    if (reporter_) {
        reporter_(text);
        return;
    }
    WinUtil::QuitMessageSaver quit;
    WinUtil::WindowDisabler disabler;
    std::wstring caption = WinUtil::ResourceLoader::Instance().LoadString(IDS_PRODUCTNAME);
    WinUtil::MessageBox(caption.c_str(), text.c_str(), MB_ICONEXCLAMATION);
}

} // namespace Editor
