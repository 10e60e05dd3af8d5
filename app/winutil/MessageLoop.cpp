#include "app/winutil/MessageLoop.h"

#include "app/winutil/CursorManager.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/Guard.h"

#include <algorithm>

namespace WinUtil {
namespace {

thread_local MessageLoop* t_current = nullptr;

template <class T>
void Erase(std::vector<T>& list, T item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

template <class T>
bool Has(const std::vector<T>& list, T item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Takes the next message of a nested loop; answers false on WM_QUIT, which is posted again for
// the loop outside.
bool NextMessage(MSG& msg) {
    bool got = false;
    if (MessageLoop* loop = MessageLoop::Current()) {
        got = loop->GetNext(msg);
    } else {
        BOOL result;
        while ((result = GetMessageW(&msg, nullptr, 0, 0)) == -1) WaitMessage();
        got = result != 0;
    }
    if (!got) PostQuitMessage(static_cast<int>(msg.wParam));
    return got;
}

// Reports a failure of the message source through the guard, so that the user sees it once.
void ReportSourceFailure(DWORD error) {
    GuardedFunctionCall("WinUtil::MessageLoop::GetMessage", [error] {
        throw ComException(HRESULT_FROM_WIN32(error ? error : ERROR_INVALID_PARAMETER));
    });
}

} // namespace

MessageLoop::MessageLoop() : outer_(t_current) { t_current = this; }

MessageLoop::~MessageLoop() {
    if (t_current == this) t_current = outer_;
}

MessageLoop* MessageLoop::Current() { return t_current; }

int MessageLoop::Run() {
    MSG msg{};
    for (;;) {
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            CursorManager::Instance().EndBusy();
            RunIdle();
            if (!GetNext(msg)) break;
        } else if (msg.message == WM_QUIT) {
            break;
        }
        CursorManager::Instance().BeginBusy();
        ProcessMessage(msg);
    }
    CursorManager::Instance().EndBusy();
    return static_cast<int>(msg.wParam);
}

bool MessageLoop::GetNext(MSG& msg) {
    bool failedBefore = false;
    for (;;) {
        SetLastError(0);
        BOOL result = source_ ? source_(msg) : GetMessageW(&msg, nullptr, 0, 0);
        if (result != -1) return result != 0;
        // A failure in a row is reported once; waiting for the next message keeps a lasting
        // failure from spinning.
        if (failedBefore) WaitMessage();
        else ReportSourceFailure(GetLastError());
        failedBefore = true;
    }
}

bool MessageLoop::PumpWaiting() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        ProcessMessage(msg);
    }
    return true;
}

bool MessageLoop::RunWhile(const std::function<bool()>& keepRunning) {
    MSG msg;
    while (keepRunning()) {
        if (!NextMessage(msg)) return false;
        ProcessMessage(msg);
    }
    return true;
}

void MessageLoop::ProcessMessage(MSG& msg) {
    Dispatch(msg);
    if (postProcs_.empty()) return;
    std::vector<IOneTimePostProc*> due;
    due.swap(postProcs_);
    std::vector<IOneTimePostProc*>* outerBatch = running_;
    running_ = &due;
    for (size_t i = 0; i < due.size(); ++i) {
        IOneTimePostProc* proc = due[i];
        if (!proc) continue;  // withdrawn meanwhile
        due[i] = nullptr;
        GuardedFunctionCall("WinUtil::MessageLoop::PostProcess", [&] { proc->PostProcess(); });
    }
    running_ = outerBatch;
}

void MessageLoop::HandleQueuedKeys() {
    MSG msg;
    // Translating a key queues its character messages, which lie in the same range.
    while (PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) Dispatch(msg);
}

void MessageLoop::Dispatch(MSG& msg) {
    bool consumed = false;
    for (IPreProc* proc : std::vector<IPreProc*>(preProcs_)) {
        if (!Has(preProcs_, proc)) continue;
        // A failing pre-processor is reported and the message goes on: it must not end the loop
        // (and with it the program and the user's unsaved documents).
        if (GuardedFunctionCall("WinUtil::MessageLoop::PreProcess", false, [&] { return proc->PreProcess(msg); })) {
            consumed = true;
            break;
        }
    }
    if (!consumed) {
        for (HWND dialog : std::vector<HWND>(dialogs_)) {
            if (IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) {
                consumed = true;
                break;
            }
        }
    }
    if (!consumed) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void MessageLoop::RunIdle() {
    for (IIdleProc* proc : std::vector<IIdleProc*>(idleProcs_))
        if (Has(idleProcs_, proc))
            GuardedFunctionCall("WinUtil::MessageLoop::OnIdle", [&] { proc->OnIdle(); });
}

void MessageLoop::AddPreProc(IPreProc* proc) { preProcs_.push_back(proc); }
void MessageLoop::RemovePreProc(IPreProc* proc) { Erase(preProcs_, proc); }
void MessageLoop::AddOneTimePostProc(IOneTimePostProc* proc) {
    if (!Has(postProcs_, proc)) postProcs_.push_back(proc);
}
void MessageLoop::RemoveOneTimePostProc(IOneTimePostProc* proc) {
    Erase(postProcs_, proc);
    if (running_) std::replace(running_->begin(), running_->end(), proc, static_cast<IOneTimePostProc*>(nullptr));
}
void MessageLoop::AddIdleProc(IIdleProc* proc) { idleProcs_.push_back(proc); }
void MessageLoop::RemoveIdleProc(IIdleProc* proc) { Erase(idleProcs_, proc); }
void MessageLoop::AddModelessDialog(HWND dialog) { dialogs_.push_back(dialog); }
void MessageLoop::RemoveModelessDialog(HWND dialog) { Erase(dialogs_, dialog); }

bool RunNestedLoop(const std::function<bool()>& keepRunning) {
    MSG msg;
    while (keepRunning()) {
        if (!NextMessage(msg)) return false;
        if (MessageLoop* loop = MessageLoop::Current()) {
            loop->ProcessMessage(msg);
        } else {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

} // namespace WinUtil
