#pragma once
// Word boundaries of Thai, Lao, Khmer, Myanmar and the other complex-context scripts by Uniscribe.
#include <string_view>
#include <vector>

namespace TextBlock {

// True before each unit of the run where Uniscribe lets a line break (a word starts); all false
// when Uniscribe cannot itemize or break the run.
std::vector<bool> FindScriptWordStarts(std::u16string_view run);

// Makes line breaking use FindScriptWordStarts inside complex-context runs (call once at start-up).
void InstallScriptWordBreaks();

}  // namespace TextBlock
