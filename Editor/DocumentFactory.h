// The editor's documents for now: each an empty document with one window, named after its file.
#pragma once

#include "app/Document.h"
#include "app/SdiApp.h"
#include "Editor/OpenQueue.h"
#include "app/winutil/MessageLoop.h"

#include <string>

namespace Editor {

class DocumentFactory;

// A document that holds nothing but its name: the full path of its file, empty when new.
class EmptyDocument : public Application::IDocument {
public:
    // A document on its own lifetime node, registered with the factory.
    EmptyDocument(DocumentFactory& factory, Application::LifeTimeSupervisor& node, std::wstring path);
    // Leaves the factory's list.
    ~EmptyDocument() override;

    // The factory that made the document.
    DocumentFactory& GetFactory() const { return factory_; }
    // The text of its windows' captions.
    std::wstring GetCaption() const;

    // Makes a window, cascaded from the factory's reference window, not shown yet.
    Application::IDocumentWindow* CreateDocumentWindow(Application::NewWindowDefaultsProvider* defaults) override;

private:
    DocumentFactory& factory_;
};

// Makes the documents under the root of the lifetime tree and opens what command lines name (a
// limited number per request, one per message); the keyboard shortcuts of every document window
// go through it.
class DocumentFactory : public Application::IDocumentFactory,
                        public Application::CommandLine::IReceiver,
                        private WinUtil::MessageLoop::IPreProc {
public:
    DocumentFactory(Application::IApplication& application, Application::LifeTimeSupervisor& root);
    // Unhooks the shortcuts when the loop they are hooked on still runs.
    ~DocumentFactory() override;

    // Opens what the command line names (program name first), relative to directory: names that are
    // not readable files open nothing and are reported together.
    void Receive(const std::wstring& directory, const std::wstring& commandLine) override;
    // Opens a new untitled document with its window; answers it.
    EmptyDocument& NewDocument(int showCommand = SW_SHOWNORMAL);
    // Brings the document of the full path forward, opening it first when it is not open.
    EmptyDocument& OpenDocument(const std::wstring& path, int showCommand = SW_SHOWNORMAL);
    // The window a new one is cascaded from: the document window activated last while it still
    // shows, else the active or topmost document window of the thread; null when there is none.
    HWND GetReferenceWindow() const;
    // Remembers the document window that has just become active.
    void SetReferenceWindow(HWND window) { referenceWindow_ = window; }
    // The open document of the full path (compared without regard to case), or null.
    EmptyDocument* FindDocument(const std::wstring& path);

private:
    bool PreProcess(MSG& msg) override;
    EmptyDocument& MakeDocument(const std::wstring& path, int showCommand);

    HACCEL accelerators_ = nullptr;
    WinUtil::MessageLoop* loop_ = nullptr;  // the application's loop, hooked at the first command line
    HWND referenceWindow_ = nullptr;  // the document window activated last
    OpenQueue queue_;                 // the documents that command lines name, opened one by one
};

} // namespace Editor
