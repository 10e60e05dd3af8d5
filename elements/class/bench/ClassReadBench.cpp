// Reading the class benchmark's document on the host: 10,000 classes with two compartments each
// (and with "--associations" 10,000 associations), read into a fresh diagram several times; prints
// the time of each reading. Texts are measured by a stand-in measurer behind the measure cache, so
// the figures show what reading itself costs. Meant for a profiling build (QUORVEL_PROFILE=ON).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "core/DefaultGrid.h"
#include "core/Diagram.h"
#include "elements/class/bench/ClassDocument.h"
#include "text/MeasureCache.h"
#include "text/tests/FixedMeasurer.h"

int main(int argc, char** argv) {
  const bool associations = argc > 1 && std::string(argv[1]) == "--associations";
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  TextBlock::SetMeasurer(
      std::make_shared<TextBlock::CachingMeasurer>(std::make_shared<TextBlock::Testing::FixedMeasurer>()));
  Core::FactoryRegistry registry;
  ClassBench::ReportFactories(registry);
  const std::string text = ClassBench::Document(associations);
  using Clock = std::chrono::steady_clock;
  for (int i = 0; i < rounds; ++i) {
    const auto t0 = Clock::now();
    const std::clock_t c0 = std::clock();
    {
      Core::Diagram diagram(registry, nullptr, nullptr, &View::DefaultGrid::Instance());
      diagram.LoadXML(text);
      const auto t1 = Clock::now();
      // The processor time as well: on a loaded machine it is the steadier figure.
      std::printf("read %.0f ms (processor %.0f ms, %zu elements)",
                  std::chrono::duration<double, std::milli>(t1 - t0).count(),
                  1000.0 * double(std::clock() - c0) / CLOCKS_PER_SEC, diagram.GetElementCount());
    }
    std::printf(", with the diagram's destruction %.0f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  return 0;
}
