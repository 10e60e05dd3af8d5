// Timers of the user-interface thread, told to a client object.
#pragma once

#include <memory>

namespace WinUtil {

// Told each time its timer elapses.
class ITimerClient {
public:
    virtual ~ITimerClient() = default;
    virtual void OnTimer() = 0;
};

// A thread timer; ticks arrive through the thread's message loop, each inside a guarded call.
class Timer {
public:
    // A stopped timer for client (not owned).
    explicit Timer(ITimerClient& client);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    // Stops the timer.
    ~Timer();
    // (Re)starts the timer with the interval in milliseconds.
    void Start(unsigned intervalMs);
    // Stops the timer (no effect when stopped).
    void Stop();
    // Whether the timer runs.
    bool IsRunning() const;

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace WinUtil
