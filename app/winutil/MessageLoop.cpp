#include "app/winutil/MessageLoop.h"

#include "app/winutil/CursorManager.h"
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

// Takes the next message; answers false on WM_QUIT (posted again) or on an error.
bool NextMessage(MSG& msg) {
    BOOL result = GetMessageW(&msg, nullptr, 0, 0);
    if (result == 0) PostQuitMessage(static_cast<int>(msg.wParam));
    return result > 0;
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
            BOOL result = GetMessageW(&msg, nullptr, 0, 0);
            if (result == -1) return -1;
            if (result == 0) break;
        } else if (msg.message == WM_QUIT) {
            break;
        }
        CursorManager::Instance().BeginBusy();
        ProcessMessage(msg);
    }
    CursorManager::Instance().EndBusy();
    return static_cast<int>(msg.wParam);
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
