// Times a program from its start until its window stops changing on the X display: starts the
// command, watches the damage events of the whole screen and, once the screen has been quiet for a
// while after the last one, prints the time of that last damage, the peak resident memory (VmHWM)
// and processor time (since the start) of the measured process at that moment, and the number of
// damage events. The program is left running; its process id is printed so that the caller can end it.
//
// usage: paint_timer [--quiet MS] [--timeout S] [--memory-pid PID] [--verbose] -- command [args...]
//   --quiet       how long the screen must stay unchanged after the last damage (default 3000 ms)
//   --memory-pid  the process whose memory and processor time are reported (default the command's
//                 own), e.g. the running editor a second start hands its document to
//   --verbose     prints every damage rectangle with its time
// Output: one line "painted_ms=... peak_mb=... cpu_ms=... damage_events=... pid=..."; exit status 1
// when no damage came, 2 on bad usage or without a display.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Options {
  int quietMs = 3000;
  int timeoutS = 120;
  pid_t memoryPid = 0;
  bool verbose = false;
  std::vector<char*> command;
};

bool Parse(int argc, char** argv, Options& o) {
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--quiet" && hasValue) o.quietMs = std::atoi(argv[++i]);
    else if (a == "--timeout" && hasValue) o.timeoutS = std::atoi(argv[++i]);
    else if (a == "--memory-pid" && hasValue) o.memoryPid = std::atoi(argv[++i]);
    else if (a == "--verbose") o.verbose = true;
    else return false;
  }
  for (++i; i < argc; ++i) o.command.push_back(argv[i]);
  o.command.push_back(nullptr);
  return o.command.size() > 1 && o.quietMs > 0 && o.timeoutS > 0;
}

// A field of /proc/PID/status in kB ("VmHWM"), or -1.
long StatusKb(pid_t pid, const char* field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(in, line))
    if (line.compare(0, prefix.size(), prefix) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
  return -1;
}

// User and system time of the process so far, in ms, or -1.
double ProcessorMs(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  // After the command's name: state is field 3, utime field 14 and stime field 15.
  const char* p = stat.c_str() + close + 2;
  unsigned long utime = 0, stime = 0;
  if (std::sscanf(p, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2) return -1;
  return 1000.0 * double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

pid_t Start(std::vector<char*>& command) {
  const pid_t pid = fork();
  if (pid == 0) {
    // The program outlives the timer: it must not hold the caller's output open.
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    execvp(command[0], command.data());
    std::perror("paint_timer: exec");
    _exit(127);
  }
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, o)) {
    std::fprintf(stderr, "usage: paint_timer [--quiet MS] [--timeout S] [--memory-pid PID] [--verbose] -- "
                         "command...\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  int eventBase = 0, errorBase = 0;
  if (!display || !XDamageQueryExtension(display, &eventBase, &errorBase)) {
    std::fprintf(stderr, "paint_timer: no X display with the damage extension\n");
    return 2;
  }
  XDamageCreate(display, DefaultRootWindow(display), XDamageReportRawRectangles);
  XSync(display, False);
  while (XPending(display)) {  // nothing before the start counts
    XEvent e;
    XNextEvent(display, &e);
  }

  // The processor time a running process already used does not count.
  const double cpuBefore = o.memoryPid ? std::max(ProcessorMs(o.memoryPid), 0.0) : 0.0;
  const auto start = Clock::now();
  const pid_t pid = Start(o.command);
  const pid_t measured = o.memoryPid ? o.memoryPid : pid;
  auto last = start;
  long events = 0, peakKb = -1;
  double cpuMs = -1;
  bool exited = false;
  const auto deadline = start + std::chrono::seconds(o.timeoutS);
  for (;;) {
    const auto now = Clock::now();
    if (now >= deadline) break;
    if (events > 0 && Ms(now - last) >= o.quietMs) break;
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    poll(&fd, 1, 20);
    while (XPending(display)) {
      XEvent e;
      XNextEvent(display, &e);
      if (e.type != eventBase + XDamageNotify) continue;
      last = Clock::now();
      ++events;
      if (o.verbose) {
        const auto& d = reinterpret_cast<const XDamageNotifyEvent&>(e);
        std::printf("%8.1f ms  %4d,%4d %4dx%-4d\n", Ms(last - start), d.area.x, d.area.y, d.area.width, d.area.height);
      }
      // Read at every change: the process may end (a second start hands over) before the quiet ends.
      if (long kb = StatusKb(measured, "VmHWM"); kb >= 0) peakKb = kb;
      if (double ms = ProcessorMs(measured); ms >= 0) cpuMs = ms - cpuBefore;
    }
    if (!exited && waitpid(pid, nullptr, WNOHANG) == pid) exited = true;
  }
  if (long kb = StatusKb(measured, "VmHWM"); kb >= 0) peakKb = kb;
  std::printf("painted_ms=%.1f peak_mb=%.1f cpu_ms=%.0f damage_events=%ld pid=%d%s\n", Ms(last - start),
              double(peakKb) / 1024.0, cpuMs, events, int(pid), exited ? " exited" : "");
  std::fflush(stdout);
  XCloseDisplay(display);
  return events > 0 ? 0 : 1;
}
