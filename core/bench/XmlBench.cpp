// Throughput of the XML writer and reader on a generated document of about 20 MB, in bytes per
// second (Google Benchmark reports it as MB/s). Run: build-*/host/core/bench/xml_bench
#include "core/StoredForms.h"
#include "core/foundation/UTF8.h"
#include "core/xml/Reader.h"
#include "core/xml/Writer.h"

#include <benchmark/benchmark.h>
#ifdef QUORVEL_BENCH_PUGIXML
#include <pugixml.hpp>
#endif

#include <sstream>
#include <string>

namespace {

using namespace xml;
using namespace Core::StoredForm;

constexpr std::size_t kTargetBytes = 20u << 20;

// One top-level element with a nested text child and a nested part, like a note with its connector.
void WriteElement(IWriter& parent, uint32_t id) {
    Writer e(parent, kSchema10, L"Note");
    WriteRef(e.WriteAttribute(kSchema10, L"id", kSameLine), id);
    WritePoint(e.WriteAttribute(kSchema10, L"Pos"), {int32_t(id * 37 % 100000), -int32_t(id * 11 % 50000)});
    WritePoint(e.WriteAttribute(kSchema10, L"Size"), {3000, 1500});
    WriteColor(e.WriteAttribute(kSchema10, L"FillColor"), zq::Color::FromRGB(id * 2654435761u & 0xFFFFFF));
    WriteString(e.WriteAttribute(kSchema13, L"ElementStyle"), L"Style \u00E9l\u00E9ment & <co>");
    {
        Writer text(e, kSchema10, L"Text");
        text.WriteText(L"Requirement " + std::to_wstring(id) + L": the system shall keep\nevery line as written.");
    }
    Writer part(e, kSchema10, L"NoteConnector");
    WriteRef(part.WriteAttribute(kSchema10, L"id", kSameLine), id + 1);
    WriteFloat8Point(part.WriteAttribute(kSchema10, L"Pos"), {id * 0.1, -1.0 / (id + 1)});
    WriteRefList(part.WriteAttribute(kSchema10, L"Ends"), {id + 2, id + 3});
    WriteInt(part.WriteAttribute(kSchema10, L"Type"), 1);
}

std::size_t ElementCount() {
    static const std::size_t count = [] {
        std::ostringstream out;
        DocumentWriter doc(out);
        for (uint32_t i = 0; i < 100; ++i) WriteElement(doc, i * 4 + 1);
        doc.EndElement();
        return kTargetBytes / (out.str().size() / 100);
    }();
    return count;
}

std::string WriteDocument() {
    std::ostringstream out;
    DocumentWriter doc(out);
    const std::size_t n = ElementCount();
    for (uint32_t i = 0; i < n; ++i) WriteElement(doc, i * 4 + 1);
    doc.EndElement();
    return std::move(out).str();
}

const std::string& Document() {
    static const std::string doc = WriteDocument();
    return doc;
}

std::size_t ReadChildren(Reader& reader, const Tag& parent) {
    std::size_t n = 0;
    Tag tag;
    while (reader.ReadNextKnownElement(tag, parent)) {
        const IAttributes& attrs = tag.GetAttributes();
        benchmark::DoNotOptimize(attrs.find(kSchema10, L"id"));
        benchmark::DoNotOptimize(attrs.find(kSchema10, L"Pos"));
        n += 1 + ReadChildren(reader, tag);
    }
    return n;
}

void BM_Write(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string doc = WriteDocument();
        bytes += doc.size();
        benchmark::DoNotOptimize(doc.data());
    }
    state.SetBytesProcessed(int64_t(bytes));
}

void BM_ReadUtf8(benchmark::State& state) {
    const std::string& doc = Document();
    for (auto _ : state) {
        state.PauseTiming();
        std::string copy = doc;
        state.ResumeTiming();
        Reader reader(std::move(copy));
        Tag root;
        reader.ReadRoot(root);
        benchmark::DoNotOptimize(ReadChildren(reader, root));
    }
    state.SetBytesProcessed(int64_t(doc.size() * state.iterations()));
}

void BM_ReadWideStream(benchmark::State& state) {
    const std::string& doc = Document();
    const std::wstring wide = zq::FromUTF8(doc);
    for (auto _ : state) {
        state.PauseTiming();
        std::wistringstream in(wide);
        state.ResumeTiming();
        Reader reader(in);
        Tag root;
        reader.ReadRoot(root);
        benchmark::DoNotOptimize(ReadChildren(reader, root));
    }
    state.SetBytesProcessed(int64_t(doc.size() * state.iterations()));
}

#ifdef QUORVEL_BENCH_PUGIXML
std::size_t ReadPugiChildren(const pugi::xml_node& parent) {
    std::size_t n = 0;
    for (pugi::xml_node e = parent.first_child(); e; e = e.next_sibling()) {
        if (e.type() != pugi::node_element) continue;
        benchmark::DoNotOptimize(e.attribute("id").value());
        benchmark::DoNotOptimize(e.attribute("Pos").value());
        n += 1 + ReadPugiChildren(e);
    }
    return n;
}

// The same document read by pugixml (in place, its default options: entities and line ends
// replaced, no UTF-8 check, no conversion to wide text) and walked as ReadChildren walks it.
void BM_ReadPugixml(benchmark::State& state) {
    const std::string& doc = Document();
    for (auto _ : state) {
        state.PauseTiming();
        std::string copy = doc;
        state.ResumeTiming();
        pugi::xml_document parsed;
        if (!parsed.load_buffer_inplace(copy.data(), copy.size())) state.SkipWithError("pugixml failed");
        benchmark::DoNotOptimize(ReadPugiChildren(parsed.document_element()));
    }
    state.SetBytesProcessed(int64_t(doc.size() * state.iterations()));
}
BENCHMARK(BM_ReadPugixml)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif

} // namespace

BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadUtf8)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadWideStream)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
