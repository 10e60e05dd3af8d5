#include "app/winutil/Timer.h"

#include "app/winutil/Guard.h"
#include "app/winutil/Platform.h"

#include <map>

namespace WinUtil {

class Timer::Impl {
public:
    explicit Impl(ITimerClient& client) : client_(client) {}
    ~Impl() { Stop(); }

    void Start(unsigned intervalMs) {
        Stop();
        id_ = SetTimer(nullptr, 0, intervalMs, &Impl::Tick);
        if (id_) Running()[id_] = this;
    }
    void Stop() {
        if (!id_) return;
        KillTimer(nullptr, id_);
        Running().erase(id_);
        id_ = 0;
    }
    bool IsRunning() const { return id_ != 0; }

private:
    // The running timers of the thread by id (thread timers carry no window to find them by).
    static std::map<UINT_PTR, Impl*>& Running() {
        thread_local std::map<UINT_PTR, Impl*> running;
        return running;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        GuardedFunctionCall("WinUtil::Timer::OnTimer", [id] {
            auto it = Running().find(id);
            if (it != Running().end()) it->second->client_.OnTimer();
        });
    }

    ITimerClient& client_;
    UINT_PTR id_ = 0;
};

Timer::Timer(ITimerClient& client) : impl_(std::make_unique<Impl>(client)) {}
Timer::~Timer() = default;
void Timer::Start(unsigned intervalMs) { impl_->Start(intervalMs); }
void Timer::Stop() { impl_->Stop(); }
bool Timer::IsRunning() const { return impl_->IsRunning(); }

} // namespace WinUtil
