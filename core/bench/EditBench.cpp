// Editing a large diagram of 20,000 sheets and 20,000 links: moving everything in one transaction,
// extending a selection of everything for a copy, deleting everything in one transaction, and
// undoing and redoing that deletion.
// Run: build-*/host/core/bench/edit_bench
#include "core/CopyExtend.h"
#include "core/tests/SelectionTestKinds.h"
#include "core/foundation/Cast.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace Core;
using namespace SelKinds;

constexpr int kSheets = 20000;
constexpr int kLinks = 20000;

// A diagram of sheets on a grid and links between pseudo-randomly chosen sheets, made in one
// transaction that is not kept for undo.
std::unique_ptr<Diagram> MakeModel()
{
    auto d = std::make_unique<Diagram>(Registry(), nullptr);
    Transaction t(*d);
    Env env(t);
    std::vector<Sheet*> sheets;
    for (int i = 0; i < kSheets; ++i) {
        auto s = Sheet::Factory().CreateTyped(env);
        s->SetRect(env, zq::Rect::FromPosSize({i % 200 * 2000, i / 200 * 2000}, 1000, 1000), false);
        sheets.push_back(s.get());
    }
    for (int i = 0; i < kLinks; ++i) {
        auto l = Link::Factory().CreateTyped(env);
        l->Connect(env, sheets[std::size_t(i) % sheets.size()], sheets[std::size_t(i) * 7919 % sheets.size()]);
    }
    env.Close();
    return d;
}

ModelElementSet All(const Diagram& d)
{
    ModelElementSet set;
    for (const ElementPtr& e : d.Elements()) set.Insert(e);
    return set;
}

void ShiftEverything(benchmark::State& state)
{
    auto d = MakeModel();
    const ModelElementSet all = All(*d);
    int step = 0;
    for (auto _ : state) {
        ++step;
        Transaction t(*d);
        Env env(t);
        DeferredShiftSet set(all, d.get(), nullptr);
        set.ShiftAll(env, {100.0 * step, -50.0 * step, true, true});
        set.ShiftDeferred(env);
        benchmark::DoNotOptimize(env.Close());
    }
    state.counters["elements"] = double(d->GetElementCount());
}
BENCHMARK(ShiftEverything)->Unit(benchmark::kMillisecond);

void CopyExtendEverything(benchmark::State& state)
{
    auto d = MakeModel();
    const ModelElementSet all = All(*d);
    for (auto _ : state) {
        ModelElementSet result = CopyExtendSelection::Build(all, *d);
        benchmark::DoNotOptimize(result.Size());
    }
}
BENCHMARK(CopyExtendEverything)->Unit(benchmark::kMillisecond);

// Copy extension of the sheets alone: the links join as completely selected elements.
void CopyExtendSheets(benchmark::State& state)
{
    auto d = MakeModel();
    ModelElementSet sheets;
    for (const ElementPtr& e : d->Elements())
        if (zq::Cast<Sheet>(e.get()) != nullptr) sheets.Insert(e);
    for (auto _ : state) {
        ModelElementSet result = CopyExtendSelection::Build(sheets, *d);
        benchmark::DoNotOptimize(result.Size());
    }
}
BENCHMARK(CopyExtendSheets)->Unit(benchmark::kMillisecond);

// A bare element owned by another element, copied with its owner.
class Tag : public IModelElement {
public:
    explicit Tag(IModelElement* owner) : owner_(owner) {}
    const std::wstring& GetTypeName() const override {
        static const std::wstring name = L"Tag";
        return name;
    }
    const xml::Namespace& GetNamespace() const override { return SchemaNamespace10(); }
    IModelElement* GetOwner() const override { return owner_; }
    ElementPtr Clone() const override { return std::make_shared<Tag>(owner_); }

private:
    IModelElement* owner_;
};

// Copy extension of one sheet that owns a chain of 2,000 tags, each owned by the next one in
// diagram order, so that every step of the chain is found only after the one before it.
void CopyExtendOwnerChain(benchmark::State& state)
{
    constexpr int kChain = 2000;
    auto d = MakeModel();
    ElementPtr first = d->Elements().front();
    {
        std::vector<std::shared_ptr<Tag>> chain;
        IModelElement* owner = first.get();
        for (int i = 0; i < kChain; ++i) {
            chain.push_back(std::make_shared<Tag>(owner));
            owner = chain.back().get();
        }
        Transaction t(*d);
        Env env(t);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) env.Insert(*it);
        env.Close();
    }
    ModelElementSet selection;
    selection.Insert(first);
    std::size_t size = 0;
    for (auto _ : state) {
        ModelElementSet result = CopyExtendSelection::Build(selection, *d);
        size = result.Size();
        benchmark::DoNotOptimize(size);
    }
    state.counters["taken"] = double(size);
}
BENCHMARK(CopyExtendOwnerChain)->Unit(benchmark::kMillisecond);

void DeleteEverything(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto d = MakeModel();
        const std::vector<ElementPtr> all = d->Elements();
        state.ResumeTiming();
        Transaction t(*d);
        Env env(t);
        for (const ElementPtr& e : all) e->Delete(env);
        benchmark::DoNotOptimize(env.Close());
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(DeleteEverything)->Unit(benchmark::kMillisecond)->Iterations(3);

// One iteration undoes the deletion of everything and redoes it.
void UndoRedoDeleteEverything(benchmark::State& state)
{
    auto d = MakeModel();
    {
        const std::vector<ElementPtr> all = d->Elements();
        Transaction t(*d);
        Env env(t);
        for (const ElementPtr& e : all) e->Delete(env);
        d->GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    for (auto _ : state) {
        d->GetUndoHandler().Undo(nullptr, nullptr);
        d->GetUndoHandler().Redo(nullptr, nullptr);
    }
    state.counters["elements"] = double(kSheets + kLinks);
}
BENCHMARK(UndoRedoDeleteEverything)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
