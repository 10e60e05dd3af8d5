// Export of a diagram of 10,000 boxes to EMF and to PNG as Save As writes them: the time of each
// export, view and drawing included, and the process's peak memory; then the same boxes crossed by
// their diagonals (oblique lines cost the PNG's anti-aliased drawing most).
#include "Editor/Export.h"
#include "Editor/tests/Figures.h"
#include "core/foundation/Cast.h"

#include <psapi.h>

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// The process's peak committed memory so far, in MB.
double PeakMb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage / (1024.0 * 1024.0);
}

} // namespace

int main() {
    try {
        DrawingKernel::GdiplusSession gdiplus;
        EditorTest::FigureDiagram doc;
        const auto t0 = Clock::now();
        doc.Change([&](Core::Env& env) {
            for (int row = 0; row < 100; ++row)
                for (int column = 0; column < 100; ++column) {
                    auto f = EditorTest::Figure::Factory().CreateTyped(env);
                    f->SetPos(env, {column * 400, -row * 300});
                    f->SetField(env, &EditorTest::FigureRep::size, zq::Point(300, 200));
                    f->SetField(env, &EditorTest::FigureRep::plain, true);
                }
        });
        std::printf("10000 boxes made: %.1f ms, peak memory %.1f MB\n", Ms(t0, Clock::now()), PeakMb());
        wchar_t dir[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, dir);
        for (const char* boxes : {"boxes", "crossed boxes"}) {
            for (const wchar_t* name : {L"quorvel-bench.emf", L"quorvel-bench.png", L"quorvel-bench.emf", L"quorvel-bench.png"}) {
                const std::wstring path = std::wstring(dir) + name;
                const auto a = Clock::now();
                Editor::ExportPicture(*doc.diagram, Editor::PictureKindOf(path), path);
                const auto b = Clock::now();
                WIN32_FILE_ATTRIBUTE_DATA data{};
                GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
                std::printf("export of 10000 %s to %ls: %.1f ms, %.0f kB file, peak memory %.1f MB\n", boxes, name + 14,
                            Ms(a, b), data.nFileSizeLow / 1024.0, PeakMb());
                DeleteFileW(path.c_str());
            }
            doc.Change([&](Core::Env& env) {
                for (const Core::ElementPtr& e : doc.diagram->Elements())
                    if (auto* f = zq::Cast<EditorTest::Figure>(e.get())) f->SetField(env, &EditorTest::FigureRep::plain, false);
            });
        }
        return 0;
    } catch (const std::exception& e) {
        std::printf("benchmark failed: %s\n", e.what());
        return 1;
    }
}
