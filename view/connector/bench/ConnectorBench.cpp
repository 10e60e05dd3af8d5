// 10,000 connectors of three segments each between test boxes: the time of one mouse-move step
// while a box that 100 connectors end on is dragged, and the times to write and to read the document.
// Run: build/host/view/connector/bench/connector_bench
#include "view/connector/tests/TestConnectorKinds.h"

#include "core/Transaction.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

using namespace ConnectorTest;
using Clock = std::chrono::steady_clock;

int kConnectors = 10000;  // or the first argument
constexpr int kBoxes = 200;
constexpr int kOnDragged = 100;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Boxes on a grid; connector i runs from box i mod 200 to another box through two bends, and the
// first 100 connectors end on box 0.
void Build(Core::Diagram& d, std::vector<Box*>& boxes)
{
    Core::Transaction t(d);
    Core::Env env(t);
    for (int i = 0; i < kBoxes; ++i) {
        auto b = Box::Factory().CreateTyped(env);
        b->SetPos(env, {i % 20 * 3000, i / 20 * 3000});
        boxes.push_back(b.get());
    }
    for (int i = 0; i < kConnectors; ++i) {
        Box* s = i < kOnDragged ? boxes[0] : boxes[std::size_t(i % kBoxes)];
        Box* e = boxes[std::size_t((i * 7 + 1) % kBoxes)];
        if (e == s) e = boxes[std::size_t((i + 1) % kBoxes)];
        // From the right side of the source, right, then up or down, then onto the target's left side.
        const zq::Rect rs = s->GetRect(), re = e->GetRect();
        const double offset = (i % 50) * 10 - 250;
        const double y0 = (rs.top + rs.bottom) / 2 + offset, y1 = (re.top + re.bottom) / 2 + offset;
        const double x = rs.right + 500 + (i % 50) * 10;
        BuildPath<Wire>(env, {{double(rs.right), y0}, {x, y0}, {x, y1}, {double(re.left), y1}}, s, e);
    }
    env.Close();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1) kConnectors = std::atoi(argv[1]);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    Core::Diagram diagram{Registry(), nullptr};
    std::vector<Box*> boxes;
    const auto t0 = Clock::now();
    Build(diagram, boxes);
    std::printf("built %d connectors in %.1f ms (%zu elements)\n", kConnectors, Ms(Clock::now() - t0),
                diagram.GetElementCount());

    // A drag: one transaction, one shift of the whole move per mouse-move step.
    constexpr int kSteps = 100;
    {
        Core::Transaction t(diagram);
        Core::Env env(t);
        Core::ModelElementSet moved;
        moved.Insert(boxes[0]->shared_from_this());
        Core::DeferredShiftSet set(moved, &diagram, boxes[0]);
        const auto s0 = Clock::now();
        for (int i = 1; i <= kSteps; ++i) set.ShiftAll(env, {double(i * 13), double(i * 7), true, true});
        const double perStep = Ms(Clock::now() - s0) / kSteps;
        set.ShiftDeferred(env);
        const auto c0 = Clock::now();
        env.Close();
        std::printf("moving a box with %d connectors: %.3f ms per mouse-move step (target 16), drop %.1f ms\n",
                    kOnDragged, perStep, Ms(Clock::now() - c0));
    }

    std::ostringstream out;
    const auto w0 = Clock::now();
    diagram.SaveXML(out);
    std::printf("writing: %.1f ms (%zu bytes)\n", Ms(Clock::now() - w0), out.str().size());
    Core::Diagram copy{Registry(), nullptr};
    const auto r0 = Clock::now();
    copy.LoadXML(out.str());
    std::printf("reading: %.1f ms (%zu elements)\n", Ms(Clock::now() - r0), copy.GetElementCount());
    return 0;
}
