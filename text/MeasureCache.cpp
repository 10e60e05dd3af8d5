#include "text/MeasureCache.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace TextBlock {

namespace {

void Mix(std::size_t& seed, std::size_t value) { seed ^= value + 0x9e3779b9u + (seed << 6) + (seed >> 2); }

// Units that may give a paragraph a unit above level 0: right-to-left scripts and their numbers
// (from U+0590 on) and the explicit bidi formatting characters (above that as well).
bool AllBelowRightToLeft(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x0590; });
}

}  // namespace

std::size_t CachingMeasurer::KeyHash::operator()(const Key& key) const noexcept {
  std::size_t seed = std::hash<std::u16string>()(key.run);
  const FontSpec& f = key.font;
  Mix(seed, std::hash<std::u16string>()(f.faceName));
  for (std::int32_t v : {f.height, f.width, f.escapement, f.orientation, f.weight}) Mix(seed, std::size_t(v));
  Mix(seed, std::size_t(f.italic) | std::size_t(f.underline) << 8 | std::size_t(f.strikeOut) << 16 |
                std::size_t(f.charSet) << 24);
  Mix(seed, std::size_t(f.outPrecision) | std::size_t(f.clipPrecision) << 8 | std::size_t(f.quality) << 16 |
                std::size_t(f.pitchAndFamily) << 24);
  return seed;
}

CachingMeasurer::CachingMeasurer(std::shared_ptr<IMeasurer> inner, std::size_t capacity)
    : inner_(std::move(inner)), capacity_(std::max<std::size_t>(capacity, 1)) {
  if (!inner_) throw std::invalid_argument("CachingMeasurer: no measurer");
}

void CachingMeasurer::Measure(const FontSpec& font, std::u16string_view run, RunMetrics& out) {
  probe_.font = font;
  probe_.run.assign(run);
  if (auto it = runs_.find(probe_); it != runs_.end()) {
    out = it->second;
    return;
  }
  inner_->Measure(font, run, out);
  if (!inner_->LastRunWorthCaching()) return;
  if (runs_.size() >= capacity_) runs_.clear();
  runs_.emplace(probe_, out);
}

void CachingMeasurer::BidiLevels(std::u16string_view paragraph, std::uint8_t baseLevel,
                                 std::vector<std::uint8_t>& levels) {
  if (baseLevel == 0 && AllBelowRightToLeft(paragraph)) {
    levels.assign(paragraph.size(), 0);
    return;
  }
  inner_->BidiLevels(paragraph, baseLevel, levels);
}

std::vector<int> CachingMeasurer::VisualOrder(const std::vector<std::uint8_t>& levels) {
  const bool uniform = std::all_of(levels.begin(), levels.end(), [&](std::uint8_t l) { return l == levels.front(); });
  if (levels.empty() || (uniform && levels.front() % 2 == 0)) {
    std::vector<int> order(levels.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    return order;
  }
  return inner_->VisualOrder(levels);
}

}  // namespace TextBlock
