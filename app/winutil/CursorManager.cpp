#include "app/winutil/CursorManager.h"

#include "app/winutil/Guard.h"

namespace WinUtil {

// The wait-cursor thread shares the user-interface thread's input state (AttachThreadInput), so
// the cursor it sets is the one the user sees. The two threads share a waitable timer, an event
// and one critical section.
class CursorManager::Impl {
public:
    Impl() : uiThread_(GetCurrentThreadId()) {
        InitializeCriticalSection(&lock_);
        timer_ = CreateWaitableTimerW(nullptr, FALSE, nullptr);
        ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        waitCursor_ = LoadCursorW(nullptr, IDC_WAIT);
        thread_ = CreateThread(nullptr, 0, &Impl::Main, this, 0, nullptr);
        if (thread_) WaitForSingleObject(ready_, 5000);
    }

    void SetCursor(HCURSOR cursor) {
        EnterCriticalSection(&lock_);
        normal_ = cursor;
        if (!shown_) ::SetCursor(cursor);
        LeaveCriticalSection(&lock_);
    }

    void BeginBusy() {
        EnterCriticalSection(&lock_);
        if (!busy_) {
            busy_ = true;
            LARGE_INTEGER due;
            due.QuadPart = -300LL * 10000;  // 300 ms, relative
            SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
        }
        LeaveCriticalSection(&lock_);
    }

    bool EndBusy() {
        EnterCriticalSection(&lock_);
        bool was = busy_;
        busy_ = false;
        CancelWaitableTimer(timer_);
        if (shown_) {
            shown_ = false;
            ::SetCursor(normal_ ? normal_ : saved_);
        }
        LeaveCriticalSection(&lock_);
        return was;
    }

    bool IsBusy() {
        EnterCriticalSection(&lock_);
        bool busy = busy_;
        LeaveCriticalSection(&lock_);
        return busy;
    }

    bool IsShown() {
        EnterCriticalSection(&lock_);
        bool shown = shown_;
        LeaveCriticalSection(&lock_);
        return shown;
    }

private:
    static DWORD WINAPI Main(void* param) {
        GuardedFunctionCall("WinUtil::CursorManager::WaitCursorThread",
                            [param] { static_cast<Impl*>(param)->Run(); });
        return 0;
    }

    void Run() {
        Impl* self = this;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the thread's message queue
        AttachThreadInput(GetCurrentThreadId(), self->uiThread_, TRUE);
        SetEvent(self->ready_);
        for (;;) {
            if (WaitForSingleObject(self->timer_, INFINITE) != WAIT_OBJECT_0) return;
            EnterCriticalSection(&self->lock_);
            if (self->busy_ && !self->shown_) {
                self->saved_ = GetCursor();
                self->shown_ = true;
                ::SetCursor(self->waitCursor_);
            }
            LeaveCriticalSection(&self->lock_);
        }
    }

    DWORD uiThread_;
    CRITICAL_SECTION lock_;
    HANDLE timer_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE thread_ = nullptr;
    HCURSOR waitCursor_ = nullptr;
    HCURSOR normal_ = nullptr;
    HCURSOR saved_ = nullptr;
    bool busy_ = false;
    bool shown_ = false;
};

CursorManager& CursorManager::Instance() {
    static CursorManager* instance = new CursorManager;  // kept to the end: its thread runs until then
    return *instance;
}

CursorManager::CursorManager() : impl_(new Impl) {}
CursorManager::~CursorManager() = default;

void CursorManager::SetCursor(HCURSOR cursor) { impl_->SetCursor(cursor); }
void CursorManager::BeginBusy() { impl_->BeginBusy(); }
bool CursorManager::EndBusy() { return impl_->EndBusy(); }
bool CursorManager::IsBusy() const { return impl_->IsBusy(); }
bool CursorManager::IsWaitCursorShown() const { return impl_->IsShown(); }

CursorManager::ModalGuard::ModalGuard() : wasBusy_(CursorManager::Instance().EndBusy()) {}
CursorManager::ModalGuard::~ModalGuard() {
    if (wasBusy_) CursorManager::Instance().BeginBusy();
}

} // namespace WinUtil
