// Writing and reading a document of 10,000 test boxes and 10,000 test connectors (each with a
// source end and an end attached to boxes), through the document writer and reader.
// Run: build-*/host/core/bench/document_bench
#include "core/tests/DocumentKinds.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>

namespace {

using namespace Core;
using namespace TestKinds;

constexpr int kBoxes = 10000;
constexpr int kConnectors = 10000;

std::unique_ptr<Diagram> MakeModel()
{
    auto d = std::make_unique<Diagram>(DocumentRegistry(), nullptr);
    Transaction t(*d);
    Env env(t);
    std::vector<IBox*> boxes;
    for (int i = 0; i < kBoxes; ++i) {
        auto box = Box::Factory().CreateTyped(env);
        box->SetPos(env, {i * 100 % 50000, -(i * 37 % 30000)});
        box->SetField(env, &BoxRep::name, L"Box " + std::to_wstring(i));
        boxes.push_back(box.get());
    }
    for (int i = 0; i < kConnectors; ++i) {
        auto c = Connector::Factory().CreateTyped(env);
        auto source = c->AddPart<ConnectorEnd>(env);
        source->source = true;
        source->SetField(env, &EndRep::box, boxes[std::size_t(i) % boxes.size()]);
        source->SetField(env, &EndRep::pos, zq::float8Point(i * 0.25, -i * 1.5));
        auto end = c->AddPart<ConnectorEnd>(env);
        end->SetField(env, &EndRep::box, boxes[std::size_t(i) * 7919 % boxes.size()]);
        end->SetField(env, &EndRep::pos, zq::float8Point(i * 0.5, i * 0.1));
    }
    env.Close();
    return d;
}

const std::string& Document()
{
    static const std::string text = [] {
        std::ostringstream out;
        MakeModel()->SaveXML(out);
        return out.str();
    }();
    return text;
}

void WriteDocument(benchmark::State& state)
{
    auto model = MakeModel();
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        model->SaveXML(out);
        bytes = out.str().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes));
    state.counters["elements"] = double(model->GetElementCount());
}
BENCHMARK(WriteDocument)->Unit(benchmark::kMillisecond);

void ReadDocument(benchmark::State& state)
{
    const std::string& text = Document();
    for (auto _ : state) {
        auto d = std::make_unique<Diagram>(DocumentRegistry(), nullptr);
        d->LoadXML(text);
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * text.size()));
    state.counters["bytes"] = double(text.size());
}
BENCHMARK(ReadDocument)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
