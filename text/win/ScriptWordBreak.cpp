#include "text/win/ScriptWordBreak.h"

#include "text/LineBreak.h"

namespace TextBlock {

std::vector<bool> FindScriptWordStarts(std::u16string_view run) {
  std::vector<bool> starts(run.size(), false);
  if (run.empty() || run.size() > 0x7FFFFFF) return starts;
  const auto* chars = reinterpret_cast<const wchar_t*>(run.data());
  const int n = static_cast<int>(run.size());
  std::vector<SCRIPT_ITEM> items(run.size() + 2);
  int count = 0;
  for (;;) {
    const HRESULT hr = ScriptItemize(chars, n, static_cast<int>(items.size()) - 1, nullptr, nullptr, items.data(), &count);
    if (hr == E_OUTOFMEMORY) { items.resize(items.size() * 2); continue; }
    if (FAILED(hr)) return starts;
    break;
  }
  std::vector<SCRIPT_LOGATTR> attrs(run.size());
  for (int i = 0; i < count; ++i) {
    const int begin = items[i].iCharPos, end = items[i + 1].iCharPos;
    if (FAILED(ScriptBreak(chars + begin, end - begin, &items[i].a, attrs.data() + begin))) return std::vector<bool>(run.size(), false);
  }
  for (std::size_t i = 0; i < run.size(); ++i) starts[i] = attrs[i].fSoftBreak != 0;
  return starts;
}

void InstallScriptWordBreaks() { SetComplexContextSegmenter(FindScriptWordStarts); }

}  // namespace TextBlock
