// The class benchmark: a generated document of 10,000 classes with two compartments each, every class
// with texts of its own, read into a diagram shown in a window and painted completely (time and peak
// memory; targets under 1 s and under 200 MB), then one class shifted step by step as a drag does
// (target under 16 ms a step). With "--associations" the document also holds 10,000 associations
// between neighbouring classes; "--same-texts" gives every class the same texts; with "--open-only"
// the run stops after the first paint, for profiling; "--write FILE" only writes the document to FILE
// (the document the editor's open benchmark opens), "--rows N" of N rows of 100 classes (default 100).
// Run under Wine with a display; prints its figures (without a display it says so and stops at once).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/Commands.h"
#include "app/winutil/Input.h"
#include "app/winutil/Window.h"
#include "core/DefaultGrid.h"
#include "core/Diagram.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "drawing/DrawingKernel.h"
#include "elements/class/Association.h"
#include "elements/class/bench/ClassDocument.h"
#include "elements/class/win/AssociationViews.h"
#include "elements/class/win/ClassViews.h"
#include "style/Model.h"
#include "text/edit/TextView.h"
#include "text/win/UniscribeSetup.h"
#include "view/DefaultTask.h"
#include "core/foundation/Cast.h"
#include "tools/bench/BenchMain.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double PeakMb() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return double(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// The processor time the process has used so far (user and kernel): steadier than the clock on a
// busy machine.
double ProcessorMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) { return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0; };
  return ms(kernel) + ms(user);
}
void Flush(HWND hwnd) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  UpdateWindow(hwnd);
  GdiFlush();
}

}  // namespace

static int Run(int argc, char** argv) {
  bool associations = false, openOnly = false, sameTexts = false;
  const char* writeTo = nullptr;
  int rows = 100;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    associations |= arg == "--associations";
    openOnly |= arg == "--open-only";
    sameTexts |= arg == "--same-texts";
    if (arg == "--write" && i + 1 < argc) writeTo = argv[++i];
    if (arg == "--rows" && i + 1 < argc) rows = std::max(1, std::min(100, std::atoi(argv[++i])));
  }
  if (writeTo) {
    std::ofstream out(writeTo, std::ios::binary);
    out << ClassBench::Document(associations, sameTexts, rows);
    if (out.flush()) return 0;
    std::fprintf(stderr, "class_bench: cannot write %s\n", writeTo);
    return 1;
  }
  DrawingKernel::GdiplusSession gdiplus;
  TextBlock::InstallUniscribeMeasurer();
  TextBlock::RegisterTextViews();
  Class::RegisterClassViews();
  Class::RegisterAssociationViews();
  Core::FactoryRegistry registry;
  ClassBench::ReportFactories(registry);
  // The window first: without a display it cannot be made, and the run stops before reading.
  WinUtil::WindowClass cls(L"QuorvelClassBench", nullptr, nullptr, 0, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  WinUtil::Window window;
  HWND hwnd = window.Create(cls, L"Class bench", WS_POPUP | WS_VISIBLE, 0, 0, 0, 1000, 800);
  const std::string text = ClassBench::Document(associations, sameTexts);
  const double before = PeakMb();

  const auto t0 = Clock::now();
  const double c0 = ProcessorMs();
  Core::Diagram diagram(registry, nullptr, nullptr, &View::DefaultGrid::Instance());
  diagram.LoadXML(text);
  const auto t1 = Clock::now();
  const double c1 = ProcessorMs();
  HWND hBar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_HORZ, 0, 0, 10, 10, hwnd, nullptr, nullptr, nullptr);
  HWND vBar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 0, 10, 10, hwnd, nullptr, nullptr, nullptr);
  auto canvas = DrawingKernel::CreateScreenCanvas(hwnd, hBar, vBar);
  Application::CommandRouter router;
  WinUtil::MouseInputControl mouse(hwnd);
  View::DiagramViewSetup setup;
  setup.canvas = canvas.get();
  setup.commander = &router;
  setup.window = &window;
  setup.mouse = &mouse;
  View::DiagramView view(diagram, setup, nullptr);
  view.SetActive(true);
  view.ProcessUpdates();
  const auto tView = Clock::now();
  canvas->ScrollPointTo({0, 1000}, {0, 0});
  InvalidateRect(hwnd, nullptr, FALSE);
  Flush(hwnd);
  const auto t2 = Clock::now();
  const double c2 = ProcessorMs();
  std::printf("10,000 classes, 20,000 compartments%s%s: read %.0f ms, view and first paint %.0f ms, total %.0f ms\n",
              associations ? ", 10,000 associations" : "", sameTexts ? " (same texts)" : "", Ms(t1 - t0), Ms(t2 - t1), Ms(t2 - t0));
  std::printf("  of which view %.0f ms, scroll and paint %.0f ms; processor time: read %.0f ms, total %.0f ms\n",
              Ms(tView - t1), Ms(t2 - tView), c1 - c0, c2 - c0);
  std::printf("peak working set %.0f MB (%.0f MB before reading)\n", PeakMb(), before);
  if (openOnly) {  // straight out: the teardown is not what is measured
    std::fflush(stdout);
    ExitProcess(0);
  }

  // A drag of one class: every step shifts it from where it started, in the drag's one transaction.
  Class::Class* dragged = nullptr;
  for (const auto& e : diagram.Elements())
    if ((dragged = zq::Cast<Class::Class>(e.get()))) break;
  Core::Transaction transaction(diagram, &view);
  Core::Env env(transaction);
  double worst = 0, total = 0;
  const int steps = 100;
  for (int i = 1; i <= steps; ++i) {
    const auto s0 = Clock::now();
    Core::DeferredShiftSet set;
    dragged->Shift(env, nullptr, Core::ShiftVector{double(i * 20), double(-i * 10), true, true}, set, false);
    diagram.UpdateAllViews();
    view.ProcessUpdates();
    Flush(hwnd);
    const double ms = Ms(Clock::now() - s0);
    worst = std::max(worst, ms);
    total += ms;
  }
  env.Close();
  std::printf("drag step of one class: mean %.2f ms, worst %.2f ms\n", total / steps, worst);
  return 0;
}

int main(int argc, char** argv) {
  return Bench::Main("class_bench", [&] { return Run(argc, argv); });
}
