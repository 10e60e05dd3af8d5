// The application's message loop and the nested loops of modal operations.
#pragma once

#include "app/winutil/Platform.h"

#include <functional>
#include <vector>

namespace WinUtil {

class MessageLoop {
public:
    // Sees every message before translation; consumes it by answering true.
    class IPreProc {
    public:
        virtual ~IPreProc() = default;
        virtual bool PreProcess(MSG& msg) = 0;
    };
    // Runs once after the next dispatched message, unless withdrawn before.
    class IOneTimePostProc {
    public:
        virtual ~IOneTimePostProc() = default;
        virtual void PostProcess() = 0;
    };
    // Runs when the queue has become empty, before the loop waits.
    class IIdleProc {
    public:
        virtual ~IIdleProc() = default;
        virtual void OnIdle() = 0;
    };

    // Where a loop takes its next message from: GetMessageW's contract (>0 a message, 0 WM_QUIT,
    // -1 an error). Tests and tools replace it to see how the loop copes with failures.
    using MessageSource = std::function<BOOL(MSG&)>;

    MessageLoop();
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;
    ~MessageLoop();

    // The loop of the calling thread made last, or null.
    static MessageLoop* Current();

    // Runs until WM_QUIT and answers its exit code; a failure to get a message is reported and the
    // loop goes on (ending would close every window without asking).
    int Run();
    // Processes the waiting messages without blocking; answers false when WM_QUIT arrived
    // (it is posted again, with the same exit code, for the loop that runs outside).
    bool PumpWaiting();
    // A nested loop: runs while keepRunning answers true; on WM_QUIT posts it again with the same
    // exit code and answers false; answers true when keepRunning ended it.
    bool RunWhile(const std::function<bool()>& keepRunning);

    // Replaces the source of messages (an empty function restores GetMessageW).
    void SetMessageSource(MessageSource source) { source_ = std::move(source); }
    // Takes the next message from the source, reporting failures and retrying; answers false on
    // WM_QUIT (msg.wParam holds its exit code).
    bool GetNext(MSG& msg);

    void AddPreProc(IPreProc* proc);
    void RemovePreProc(IPreProc* proc);
    // Schedules proc to run once after the next dispatched message.
    void AddOneTimePostProc(IOneTimePostProc* proc);
    // Withdraws a scheduled proc (no effect when it already ran).
    void RemoveOneTimePostProc(IOneTimePostProc* proc);
    void AddIdleProc(IIdleProc* proc);
    void RemoveIdleProc(IIdleProc* proc);
    // Messages of a modeless dialog pass IsDialogMessageW while it is registered.
    void AddModelessDialog(HWND dialog);
    void RemoveModelessDialog(HWND dialog);

    // Handles one message taken from the queue: pre-processors, dialogs, translate and dispatch,
    // then the one-time post-processors.
    void ProcessMessage(MSG& msg);
    // Handles the keyboard messages already queued for this thread as the loop would (accelerators
    // and dialogs included), without the one-time post-processors: for a call from another process
    // that must see what the user typed before it.
    void HandleQueuedKeys();

private:
    // Pre-processors, dialogs, translate and dispatch.
    void Dispatch(MSG& msg);
    void RunIdle();

    MessageSource source_;
    std::vector<IPreProc*> preProcs_;
    std::vector<IOneTimePostProc*> postProcs_;
    std::vector<IIdleProc*> idleProcs_;
    std::vector<HWND> dialogs_;
    std::vector<IOneTimePostProc*>* running_ = nullptr;  // the batch being run, for withdrawal
    MessageLoop* outer_;
};

// A nested loop without an application loop: like MessageLoop::RunWhile (WM_QUIT posted again).
bool RunNestedLoop(const std::function<bool()>& keepRunning);

} // namespace WinUtil
