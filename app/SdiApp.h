// The application object: OLE, the lifetime tree, the document factory, the command line and the loop.
#pragma once

#include "app/Document.h"
#include "app/LifeTime.h"
#include "app/winutil/MessageLoop.h"

#include <memory>
#include <string>
#include <vector>

namespace Application {

namespace CommandLine {

// Processes a command line: the program's own or one handed over by a later start.
class IReceiver {
public:
    virtual ~IReceiver() = default;
    // The current directory of the starting process and its whole command line.
    virtual void Receive(const std::wstring& directory, const std::wstring& commandLine) = 0;
};

// The arguments of a command line after the program name (quotes removed).
std::vector<std::wstring> SplitArguments(const std::wstring& commandLine);

} // namespace CommandLine

// What every part of the program may ask of the application.
class IApplication {
public:
    virtual ~IApplication() = default;
    // The application's running message loop; throws std::logic_error when none runs.
    virtual WinUtil::MessageLoop& GetMessageLoop() = 0;
    // The root of the lifetime tree; throws std::logic_error when the application does not run.
    virtual LifeTimeSupervisor& GetLifeTimeSupervisor() = 0;
    // The module instance of the program.
    virtual HINSTANCE GetInstance() const = 0;
};

// Gives the document factory the application it serves.
class IDocumentFactoryCreator {
public:
    virtual ~IDocumentFactoryCreator() = default;
    // The application object itself.
    virtual IApplication& GetApplication() = 0;
};

// The base of a single-document-interface application object.
class ISdiApp : public IApplication {
public:
    // Initialises OLE for the thread; throws WinUtil::ComException on failure.
    ISdiApp();
    ISdiApp(const ISdiApp&) = delete;
    ISdiApp& operator=(const ISdiApp&) = delete;
    // Uninitialises OLE.
    ~ISdiApp() override;

    WinUtil::MessageLoop& GetMessageLoop() override;
    LifeTimeSupervisor& GetLifeTimeSupervisor() override;
    HINSTANCE GetInstance() const override { return GetModuleHandleW(nullptr); }

    // Makes the root lifetime node, calls Init (0 means go on, else its code is answered), asks for
    // the document factory, makes the quit client and the message filter, hands the command line to
    // the receiver and runs the message loop; answers the loop's exit code.
    int Run(const std::wstring& directory, const std::wstring& commandLine);
    // A command line handed over by a later start: received now while running, else after start-up.
    void ReceiveForwarded(const std::wstring& directory, const std::wstring& commandLine);
    // Whether a command line handed over now would be acted on: false once the application is
    // shutting down (the quit message is on its way) or has ended.
    bool IsAcceptingForwarded() const;

    // The root of the lifetime tree (valid while running).
    LifeTimeSupervisor& GetRootNode() const { return *root_; }
    // The document factory (null before start-up).
    IDocumentFactory* GetFactory() const { return factory_.get(); }

protected:
    // Start-up work before the factory exists; 0 means go on.
    virtual int Init() { return 0; }
    // Makes the document factory under the root node.
    virtual std::unique_ptr<IDocumentFactory> GetDocumentFactory(LifeTimeSupervisor& root) = 0;
    // The receiver of command lines (the factory when it is one, by default).
    virtual CommandLine::IReceiver* GetCommandLineReceiver();
    // Whether the program keeps running when the command line left nothing open (an OLE server
    // waiting for its container, say).
    virtual bool KeepRunningWhenIdle() const { return false; }

private:
    class Collector;
    class QuitClient;

    bool oleInitialized_ = false;
    bool running_ = false;
    bool finished_ = false;  // Run has returned
    std::unique_ptr<Collector> collector_;
    std::unique_ptr<LifeTimeSupervisor> root_;
    WinUtil::MessageLoop* loop_ = nullptr;  // the loop of Run, while it runs
    std::unique_ptr<IDocumentFactory> factory_;
    std::vector<std::pair<std::wstring, std::wstring>> pending_;
};

} // namespace Application
