#include "app/SdiApp.h"

#include "app/MessageFilter.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/Guard.h"
#include "app/winutil/MessageLoop.h"
#include "core/foundation/Cast.h"

#include <shellapi.h>

#include <stdexcept>

namespace Application {

std::vector<std::wstring> CommandLine::SplitArguments(const std::wstring& commandLine) {
    std::vector<std::wstring> args;
    if (commandLine.find_first_not_of(L" \t") == std::wstring::npos) return args;
    int count = 0;
    // A leading program name is needed for the rules CommandLineToArgvW applies.
    std::wstring line = L"x " + commandLine;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
    if (!argv) return args;
    for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
    return args;
}

// Runs the collection of the lifetime tree from a posted message, outside any window procedure.
class ISdiApp::Collector : public LifeTimeSupervisor::IScheduler {
public:
    Collector() {
        static const UINT message = RegisterWindowMessageW(L"Quorvel.LifeTimeCollect");
        message_ = message;
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Collector::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Quorvel.LifeTimeCollector";
        RegisterClassW(&wc);  // a second registration fails harmlessly
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Collector() override {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    void ScheduleCollect(LifeTimeSupervisor& root) override {
        root_ = &root;
        if (!posted_ && hwnd_) posted_ = PostMessageW(hwnd_, message_, 0, 0) != FALSE;
        if (!hwnd_) root.Collect();
    }
    void Forget() { root_ = nullptr; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Collector*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && msg == self->message_) {
            WinUtil::GuardedFunctionCall("Application::LifeTimeSupervisor::Collect", [self] {
                self->posted_ = false;
                if (self->root_) self->root_->Collect();
            });
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    HWND hwnd_ = nullptr;
    UINT message_ = 0;
    bool posted_ = false;
    LifeTimeSupervisor* root_ = nullptr;
};

// The root's client: posts the quit message when the tree has nothing locked any more.
class ISdiApp::QuitClient : public ILifeTimeSupervisorClient {
public:
    void LifeTimeEnded() override { PostQuitMessage(0); }
};

ISdiApp::ISdiApp() {
    HRESULT hr = OleInitialize(nullptr);
    WinUtil::ThrowIfFailed(hr);
    oleInitialized_ = true;
}

ISdiApp::~ISdiApp() {
    if (oleInitialized_) OleUninitialize();
}

WinUtil::MessageLoop& ISdiApp::GetMessageLoop() {
    if (!loop_) throw std::logic_error("the application's message loop is not running");
    return *loop_;
}

LifeTimeSupervisor& ISdiApp::GetLifeTimeSupervisor() {
    if (!root_) throw std::logic_error("the application is not running");
    return *root_;
}

CommandLine::IReceiver* ISdiApp::GetCommandLineReceiver() {
    return zq::Cast<CommandLine::IReceiver>(factory_.get());
}

void ISdiApp::ReceiveForwarded(const std::wstring& directory, const std::wstring& commandLine) {
    if (!running_) {
        pending_.emplace_back(directory, commandLine);
        return;
    }
    if (CommandLine::IReceiver* receiver = GetCommandLineReceiver()) receiver->Receive(directory, commandLine);
}

bool ISdiApp::IsAcceptingForwarded() const {
    return !finished_ && !(root_ && root_->IsEnded());
}

int ISdiApp::Run(const std::wstring& directory, const std::wstring& commandLine) {
    collector_ = std::make_unique<Collector>();
    root_ = LifeTimeSupervisor::CreateRoot(collector_.get());
    // The loop outlives the tear-down, so that documents and windows closing at shutdown can
    // still withdraw what they hooked onto it.
    WinUtil::MessageLoop loop;
    loop_ = &loop;
    struct TearDown {
        ISdiApp& app;
        ~TearDown() {
            app.loop_ = nullptr;
            app.running_ = false;
            app.finished_ = true;
            if (app.factory_) app.factory_->Shutdown();
            app.factory_.reset();
            WinUtil::GetMessageFilter().Revoke();
            app.collector_->Forget();
            app.root_.reset();
            app.collector_.reset();
        }
    } tearDown{*this};

    if (int code = Init()) return code;
    factory_ = GetDocumentFactory(*root_);
    root_->SetClient(std::make_unique<QuitClient>());
    WinUtil::GetMessageFilter().Register();

    running_ = true;
    CommandLine::IReceiver* receiver = GetCommandLineReceiver();
    if (receiver) receiver->Receive(directory, commandLine);
    std::vector<std::pair<std::wstring, std::wstring>> pending;
    pending.swap(pending_);
    for (auto& [dir, line] : pending)
        if (receiver) receiver->Receive(dir, line);
    // Nothing open and nothing to wait for: end at once instead of running invisibly.
    if (root_->GetActiveCount() == 0 && !KeepRunningWhenIdle()) root_->End();
    return loop.Run();
}

} // namespace Application
