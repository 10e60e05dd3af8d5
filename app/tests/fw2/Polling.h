// Waiting for a condition of windows that another thread or process drives: they give no event
// to wait on, so the condition is polled until it holds or the time is up.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace AppTest {

// Answers whether condition held within ms milliseconds.
inline bool WaitFor(const std::function<bool()>& condition, int ms = 15000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

} // namespace AppTest
