#include "app/winutil/ExceptionBox.h"

#include "app/winutil/Platform.h"

#include <mutex>

namespace WinUtil {
namespace {

// The state shared between the reporting threads and the error-box thread: two events and one
// critical section. Made on first use and kept for the life of the process.
struct BoxThread {
    CRITICAL_SECTION lock;
    HANDLE request = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE thread = nullptr;
    std::wstring caption = L"Quorvel UML Editor: Unhandled Exception Error";
    std::wstring text;
    ExceptionBox::Sink sink;
    std::mutex serial;  // one report at a time

    BoxThread() { InitializeCriticalSection(&lock); }

    static DWORD WINAPI Main(void* param) {
        auto* self = static_cast<BoxThread*>(param);
        for (;;) {
            WaitForSingleObject(self->request, INFINITE);
            // Not a guarded call: a report from here would wait for this very thread. Whatever
            // fails (copying the texts when memory is exhausted), the reporter is released.
            try {
                std::wstring text, caption;
                EnterCriticalSection(&self->lock);
                try {
                    text = self->text;
                    caption = self->caption;
                } catch (...) {
                    LeaveCriticalSection(&self->lock);
                    throw;
                }
                LeaveCriticalSection(&self->lock);
                MessageBoxW(nullptr, text.c_str(), caption.c_str(),
                            MB_OK | MB_ICONERROR | MB_SYSTEMMODAL | MB_TOPMOST | MB_SETFOREGROUND);
            } catch (...) {
            }
            SetEvent(self->done);
        }
    }

    void Start() {
        if (!thread) thread = CreateThread(nullptr, 0, Main, this, 0, nullptr);
    }
};

BoxThread& State() {
    static BoxThread* state = new BoxThread;  // never destroyed: the thread may still run at exit
    return *state;
}

} // namespace

void ExceptionBox::SetCaption(const std::wstring& caption) {
    BoxThread& s = State();
    EnterCriticalSection(&s.lock);
    s.caption = caption;
    LeaveCriticalSection(&s.lock);
}

std::wstring ExceptionBox::GetCaption() {
    BoxThread& s = State();
    EnterCriticalSection(&s.lock);
    std::wstring caption = s.caption;
    LeaveCriticalSection(&s.lock);
    return caption;
}

ExceptionBox::Sink ExceptionBox::SetSink(Sink sink) {
    BoxThread& s = State();
    EnterCriticalSection(&s.lock);
    std::swap(s.sink, sink);
    LeaveCriticalSection(&s.lock);
    return sink;
}

void ExceptionBox::Show(const std::wstring& text) {
    BoxThread& s = State();
    std::lock_guard<std::mutex> serial(s.serial);
    EnterCriticalSection(&s.lock);
    Sink sink = s.sink;
    std::wstring caption = s.caption;
    if (!sink) {
        s.text = text;
        s.Start();
    }
    LeaveCriticalSection(&s.lock);
    if (sink) {
        sink(caption, text);
        return;
    }
    if (!s.thread) {  // no thread could be made: show the box here
        MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
        return;
    }
    SetEvent(s.request);
    WaitForSingleObject(s.done, INFINITE);
}

} // namespace WinUtil
