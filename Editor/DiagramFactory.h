// The editor's document factory: the open diagrams, new untitled ones, diagram files opened once
// each, the reports of files that cannot open, and the command lines of this and later starts.
#pragma once

#include "Editor/CommandLine.h"
#include "Editor/Diagram.h"
#include "Editor/OpenQueue.h"
#include "app/Clipboard.h"
#include "app/Document.h"
#include "app/SdiApp.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/MessageLoop.h"
#include "core/Exceptions.h"
#include "core/Factory.h"

#include <functional>
#include <string>
#include <vector>

namespace Editor {

class DiagramFactory : public Application::IDocumentFactory,
                       public Application::CommandLine::IReceiver,
                       private WinUtil::MessageLoop::IPreProc {
public:
    // Shows a text about a document that could not open (a message box unless a test replaces it).
    using Reporter = std::function<void(const std::wstring& text)>;
    // Prints a document without the print dialog as a "-p" or "-pt" command line asks.
    using Printer = std::function<void(Diagram& document, const PrintRequest& request)>;

    // Registers the element factories; documents become children of root and share the
    // application's clipboard object (which must outlive the factory).
    DiagramFactory(Application::IApplication& application, Application::LifeTimeSupervisor& root,
                   Application::IClipboard& clipboard);
    // Unhooks the shortcuts when the loop they are hooked on still runs.
    ~DiagramFactory() override;

    // Acts on a command line (program name first) started in directory: opens the documents it
    // names (a limited number, one per message), prints one, or opens a new diagram.
    void Receive(const std::wstring& directory, const std::wstring& commandLine) override;
    // Opens a new untitled diagram with its window; null when no untitled name is left.
    Diagram* NewDiagram(int showCommand = SW_SHOWNORMAL);
    // Opens the file (or brings it forward when it is open); a failure, whatever the file holds, is
    // reported in a box before this returns and gives null.
    Diagram* Open(const std::wstring& path, bool readOnly = false, int showCommand = SW_SHOWNORMAL);
    // The Open command: the open-file dialog (several files, read-only choice) owned by owner; the
    // chosen files open in ascending order of their paths.
    void OpenWithDialog(HWND owner);
    // As Open, but failures throw WinUtil::ComException or Core::Exceptions::Base.
    Diagram& OpenDocument(const std::wstring& path, bool readOnly = false, int showCommand = SW_SHOWNORMAL);
    // The open document of the file (names compared without regard to case), brought to the front;
    // untitled documents never match. Null when there is none.
    Diagram* FindOpen(const std::wstring& path);

    // The application's clipboard object.
    Application::IClipboard& GetClipboard() const { return clipboard_; }
    // The element factories the documents read through.
    const Core::FactoryRegistry& GetRegistry() const { return registry_; }
    // The window a new one is cascaded from: the document window activated last while it still
    // shows, else the active or topmost document window of the thread; null when there is none.
    HWND GetReferenceWindow() const;
    // Remembers the document window that has just become active.
    void SetReferenceWindow(HWND window) { referenceWindow_ = window; }
    // Replaces the message box of open failures.
    void SetReporter(Reporter reporter) { reporter_ = std::move(reporter); }
    // Sets what prints for the command line; without one a document to print is only opened.
    void SetPrinter(Printer printer) { printer_ = std::move(printer); }

private:
    bool PreProcess(MSG& msg) override;
    void Print(const PrintRequest& request);
    Diagram& MakeDocument(const std::wstring& name, bool fromFile, bool readOnly, int showCommand);
    void Report(const std::wstring& text) const;

    Application::IClipboard& clipboard_;
    Core::FactoryRegistry registry_;
    HACCEL accelerators_ = nullptr;
    WinUtil::MessageLoop* loop_ = nullptr;  // the application's loop, hooked at the first command line
    HWND referenceWindow_ = nullptr;        // the document window activated last
    Reporter reporter_;
    Printer printer_;
    OpenQueue queue_;  // the documents that command lines name, opened one by one
};

// The first name "Diagram<n>.qvd" (string 101) that no open name blocks: a name blocks a candidate
// when it ends with it, or when the candidate ends with the name and the name reaches into the text
// before the number (so that a name such as "qvd" cannot block them all). Empty when none is free.
std::wstring MakeUntitledName(const std::vector<std::wstring>& openNames);

// The text of the box about a file that could not be read (string 218, 227 and the message of the
// reader or of whatever else failed while the content was read).
std::wstring OpenErrorText(const std::wstring& path, const std::exception& error);
// The text of the box about a file that could not be opened (string 218, then 224 with the code for
// the storage's not-found and already-exists codes, else the system's message).
std::wstring OpenErrorText(const std::wstring& path, const WinUtil::ComException& error);

} // namespace Editor
