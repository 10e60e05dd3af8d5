// Documents, their windows and the factory that owns them, as nodes of the lifetime tree.
#pragma once

#include "app/LifeTime.h"
#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Window.h"
#include "core/foundation/Observer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace WinUtil {

// Told when a document's read-only mark changes.
class IReadOnlyObserver {
public:
    virtual ~IReadOnlyObserver() = default;
    // The new read-only mark.
    virtual void OnReadOnlyChanged(bool readOnly) = 0;
};

// Told when a document has been saved.
class ISaveObserver {
public:
    virtual ~ISaveObserver() = default;
    // The document was saved under the path.
    virtual void OnSaved(const std::wstring& path) = 0;
};

} // namespace WinUtil

namespace Application {

class IApplication;
class IDocument;
class IDocumentWindow;

// Told when a document's name changed.
class IDocumentNameObserver {
public:
    virtual ~IDocumentNameObserver() = default;
    // The document's new name is GetName().
    virtual void DocumentNameChanged(IDocument& document) = 0;
};

// A window that carries its number among the windows of its document.
class INumberedWindow {
public:
    virtual ~INumberedWindow() = default;
    // The number (0 when the document has only this window); called whenever the numbering changes.
    virtual void SetNumber(int number) = 0;
};

// What the command that asks for a new window passes on to it (the editor's provider carries the
// toolbar state of the window the command came from); the framework only hands it through.
class NewWindowDefaultsProvider {
public:
    virtual ~NewWindowDefaultsProvider() = default;
};

// Makes the windows of a document.
class IDocumentWindowCreator {
public:
    virtual ~IDocumentWindowCreator() = default;
    // Makes a new window of the document, placed but not shown yet; defaults may be null. (Named
    // CreateDocumentWindow because CreateWindow is a macro of <windows.h>.)
    virtual IDocumentWindow* CreateDocumentWindow(NewWindowDefaultsProvider* defaults) = 0;
};

// The base of a document: its application, its lifetime node (it is the node's client), its name
// and its windows.
class IDocument : public IDocumentWindowCreator, public ILifeTimeSupervisorClient {
public:
    // A document on a node of the lifetime tree (usually a child of the factory's node).
    IDocument(IApplication& application, LifeTimeSupervisor& node, std::wstring name = {});
    ~IDocument() override;

    // The application.
    IApplication& GetApplication() const { return application_; }
    // The document's lifetime node.
    LifeTimeSupervisor& GetNode() const { return node_; }
    // The name shown in window titles.
    const std::wstring& GetName() const { return name_; }
    // Stores the name and tells the name observers when it changed.
    void SetName(const std::wstring& name);
    // The observers of the name.
    zq::IObserverPlug<IDocumentNameObserver>& GetNameObserverList() { return nameObservers_; }

    // The number of windows.
    int GetWindowCount() const { return static_cast<int>(windows_.size()); }
    // The window of an index (creation order).
    IDocumentWindow* GetWindow(int index) const;
    // The active window (the last activated; null when none).
    IDocumentWindow* GetActiveWindow() const { return active_; }
    // Remembers the active window.
    void SetActiveWindow(IDocumentWindow* window);
    // Makes a window when there is none (shown with showCommand), restores an iconic one and
    // brings it to the front.
    void BringToFront(int showCommand = SW_SHOW);

    // Told by a new window (the window's constructor calls this).
    void WindowCreated(IDocumentWindow& window);
    // Told by a window being destroyed; with the last window the document's node ends.
    void WindowDestroyed(IDocumentWindow& window);

private:
    void Renumber();

    IApplication& application_;
    LifeTimeSupervisor& node_;
    std::wstring name_;
    zq::ObserverList<IDocumentNameObserver> nameObservers_;
    std::vector<IDocumentWindow*> windows_;
    IDocumentWindow* active_ = nullptr;
};

// The base of a document window: keeps its document and its lifetime node locked while the
// window exists. WM_CLOSE and WM_DESTROY end the node; WM_NCACTIVATE tells the document which
// window is active.
class IDocumentWindow : public WinUtil::Window, public INumberedWindow, public ILifeTimeSupervisorClient {
public:
    // Locks the node once for the life of the window and binds the window's messages.
    IDocumentWindow(IDocument& document, LifeTimeSupervisor& node);
    ~IDocumentWindow() override;

    // The document.
    IDocument& GetDocument() const { return document_; }
    // The application of the document.
    IApplication& GetApplication() const;
    // The window's lifetime node.
    LifeTimeSupervisor& GetNode() const { return node_; }
    // The number set by the document.
    int GetNumber() const { return number_; }
    void SetNumber(int number) override { number_ = number; }
    // The node ended (the document closes): the window destroys itself.
    void LifeTimeEnded() override;

protected:
    // Asked before the window closes on WM_CLOSE; answer false to keep it.
    virtual bool QueryClose() { return true; }
    // Asked on WM_QUERYENDSESSION; answer false to refuse the end of the session.
    virtual bool QueryEndSession() { return QueryClose(); }
    // Unlocks the node after the last message.
    void OnFinalMessage() override;

private:
    void OnClose(WinMessage::Msg& msg);
    void OnDestroy(WinMessage::Msg& msg);
    void OnNcActivate(WinMessage::Msg& msg);
    void OnQueryEndSession(WinMessage::Msg& msg);
    void ReleaseLock();

    IDocument& document_;
    LifeTimeSupervisor& node_;
    WinMessage::WinMsgPlugMap plugs_;
    int number_ = 0;
    bool locked_ = false;
    bool registered_ = false;
};

// The base of the document factory: the application, the node documents are made under, the
// open documents.
class IDocumentFactory {
public:
    // Documents become children of node.
    IDocumentFactory(IApplication& application, LifeTimeSupervisor& node);
    // Forgets the documents (they belong to the lifetime tree).
    virtual ~IDocumentFactory();

    // Calls visit for every open document in turn until it answers false; answers whether all were visited.
    virtual bool ForEachDocument(const std::function<bool(IDocument&)>& visit);
    // Forgets a document (its destructor calls this).
    virtual void RemoveDocument(IDocument& document);
    // Ends every document (their windows close).
    virtual void Shutdown();

    // Registers a document made by the factory.
    void AddDocument(IDocument& document);
    // The number of open documents.
    int GetDocumentCount() const { return static_cast<int>(documents_.size()); }
    IApplication& GetApplication() const { return application_; }
    LifeTimeSupervisor& GetNode() const { return node_; }

private:
    IApplication& application_;
    LifeTimeSupervisor& node_;
    std::vector<IDocument*> documents_;
};

} // namespace Application
