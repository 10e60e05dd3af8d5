#include "app/Document.h"

#include <algorithm>

namespace Application {

// ---- IDocument ----

IDocument::IDocument(IApplication& application, LifeTimeSupervisor& node, std::wstring name)
    : application_(application), node_(node), name_(std::move(name)) {}

IDocument::~IDocument() = default;

void IDocument::SetName(const std::wstring& name) {
    if (name == name_) return;
    name_ = name;
    nameObservers_.Notify([this](IDocumentNameObserver& o) { o.DocumentNameChanged(*this); });
}

IDocumentWindow* IDocument::GetWindow(int index) const {
    if (index < 0 || index >= GetWindowCount()) return nullptr;
    return windows_[static_cast<size_t>(index)];
}

void IDocument::SetActiveWindow(IDocumentWindow* window) {
    if (!window || std::find(windows_.begin(), windows_.end(), window) != windows_.end()) active_ = window;
}

void IDocument::BringToFront(int showCommand) {
    IDocumentWindow* window = active_ ? active_ : GetWindow(0);
    if (!window) {
        if (node_.IsEnded()) return;
        window = CreateDocumentWindow(nullptr);
        if (!window) return;
    }
    HWND hwnd = window->GetHwnd();
    if (!hwnd) return;
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    else if (!IsWindowVisible(hwnd)) ShowWindow(hwnd, showCommand);
    // A window shown just now is usually in front already: asking again only makes the window
    // manager redraw its frame (a dozen times under Wine).
    if (GetForegroundWindow() != hwnd) {
        SetForegroundWindow(hwnd);
        BringWindowToTop(hwnd);
    }
}

void IDocument::WindowCreated(IDocumentWindow& window) {
    if (std::find(windows_.begin(), windows_.end(), &window) != windows_.end()) return;
    windows_.push_back(&window);
    Renumber();
}

void IDocument::WindowDestroyed(IDocumentWindow& window) {
    auto it = std::find(windows_.begin(), windows_.end(), &window);
    if (it == windows_.end()) return;
    windows_.erase(it);
    if (active_ == &window) active_ = windows_.empty() ? nullptr : windows_.back();
    Renumber();
    if (windows_.empty()) node_.End();
}

void IDocument::Renumber() {
    if (windows_.size() == 1) {
        windows_[0]->SetNumber(0);
        return;
    }
    for (size_t i = 0; i < windows_.size(); ++i) windows_[i]->SetNumber(static_cast<int>(i) + 1);
}

// ---- IDocumentWindow ----

IDocumentWindow::IDocumentWindow(IDocument& document, LifeTimeSupervisor& node)
    : document_(document), node_(node), plugs_(GetDispatcher()) {
    node_.Lock();
    locked_ = true;
    plugs_.Add(WM_CLOSE, this, &IDocumentWindow::OnClose);
    plugs_.AddSpy(WM_DESTROY, this, &IDocumentWindow::OnDestroy);
    plugs_.AddSpy(WM_NCACTIVATE, this, &IDocumentWindow::OnNcActivate);
    plugs_.Add(WM_QUERYENDSESSION, this, &IDocumentWindow::OnQueryEndSession);
    document_.WindowCreated(*this);
    registered_ = true;
}

IDocumentWindow::~IDocumentWindow() {
    if (registered_) {
        registered_ = false;
        document_.WindowDestroyed(*this);
    }
    ReleaseLock();
}

IApplication& IDocumentWindow::GetApplication() const { return document_.GetApplication(); }

void IDocumentWindow::ReleaseLock() {
    if (!locked_) return;
    locked_ = false;
    node_.Unlock();
}

void IDocumentWindow::LifeTimeEnded() {
    if (GetHwnd()) Destroy();
}

void IDocumentWindow::OnClose(WinMessage::Msg& msg) {
    msg.result = 0;
    if (!QueryClose()) return;
    node_.End();  // the node's client (this window, or its owner) destroys the window
    if (GetHwnd()) Destroy();
}

void IDocumentWindow::OnDestroy(WinMessage::Msg&) {
    node_.End();
    if (registered_) {
        registered_ = false;
        document_.WindowDestroyed(*this);
    }
}

void IDocumentWindow::OnNcActivate(WinMessage::Msg& msg) {
    if (msg.wParam) document_.SetActiveWindow(this);
}

void IDocumentWindow::OnQueryEndSession(WinMessage::Msg& msg) {
    msg.result = QueryEndSession() ? TRUE : FALSE;
}

void IDocumentWindow::OnFinalMessage() {
    ReleaseLock();
}

// ---- IDocumentFactory ----

IDocumentFactory::IDocumentFactory(IApplication& application, LifeTimeSupervisor& node)
    : application_(application), node_(node) {}

IDocumentFactory::~IDocumentFactory() = default;

bool IDocumentFactory::ForEachDocument(const std::function<bool(IDocument&)>& visit) {
    std::vector<IDocument*> documents = documents_;  // a visit may close documents
    for (IDocument* document : documents) {
        if (std::find(documents_.begin(), documents_.end(), document) == documents_.end()) continue;
        if (!visit(*document)) return false;
    }
    return true;
}

void IDocumentFactory::RemoveDocument(IDocument& document) {
    documents_.erase(std::remove(documents_.begin(), documents_.end(), &document), documents_.end());
}

void IDocumentFactory::Shutdown() {
    ForEachDocument([](IDocument& document) {
        document.GetNode().End();
        return true;
    });
}

void IDocumentFactory::AddDocument(IDocument& document) {
    if (std::find(documents_.begin(), documents_.end(), &document) == documents_.end())
        documents_.push_back(&document);
}

} // namespace Application
