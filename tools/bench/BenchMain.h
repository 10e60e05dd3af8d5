// The main of a Windows benchmark run by hand: an exception ends it with a message and exit code 1,
// never as an uncaught exception, and without a display the message says so and how to give it one.
#pragma once

#include <windows.h>

#include <cstdio>
#include <stdexcept>

namespace Bench {

// Whether this process can make windows: under Wine only with a reachable X display.
inline bool CanMakeWindows() {
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (probe) DestroyWindow(probe);
  return probe != nullptr;
}

// Stops a benchmark that needs windows before it does any work when none can be made.
inline void RequireDisplay() {
  if (!CanMakeWindows()) throw std::runtime_error("no window can be made");
}

// Runs the benchmark and answers its exit code; name is the program's name in the message.
template <class Run>
int Main(const char* name, Run&& run) {
  try {
    return run();
  } catch (const std::exception& e) {
    std::fflush(stdout);
    if (CanMakeWindows())
      std::fprintf(stderr, "%s failed: %s\n", name, e.what());
    else
      std::fprintf(stderr, "%s needs a display and has none (%s): put xvfb-run -a -s '-screen 0 1280x1024x24' before "
                   "the command\n", name, e.what());
    return 1;
  }
}

}  // namespace Bench
