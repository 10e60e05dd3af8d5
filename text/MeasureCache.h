#pragma once
// A measurer in front of another that remembers the runs it measured: a diagram repeats the same
// words in many texts ("+f(): void"), and a text is laid out again whenever its area or style is read.
#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

#include "text/Layout.h"

namespace TextBlock {

class CachingMeasurer : public IMeasurer {
 public:
  // Measures through inner; keeps at most capacity runs (all are dropped when it is reached).
  explicit CachingMeasurer(std::shared_ptr<IMeasurer> inner, std::size_t capacity = kDefaultCapacity);

  // The inner measurer's answer for the font and run, measured once while it stays cached (runs the
  // inner measurer measures about as fast as a look-up are not kept).
  void Measure(const FontSpec& font, std::u16string_view run, RunMetrics& out) override;
  // Every unit at level 0 for a left-to-right paragraph without right-to-left or bidi control
  // characters (what the bidi algorithm gives it); the inner measurer's answer otherwise.
  void BidiLevels(std::u16string_view paragraph, std::uint8_t baseLevel, std::vector<std::uint8_t>& levels) override;
  // The logical order when every piece has one even level; the inner measurer's answer otherwise.
  std::vector<int> VisualOrder(const std::vector<std::uint8_t>& levels) override;

  // Forgets every measured run (the installed fonts changed).
  void Clear() { runs_.clear(); }
  // The number of runs cached.
  std::size_t Size() const { return runs_.size(); }

  static constexpr std::size_t kDefaultCapacity = 20000;

 private:
  struct Key {
    FontSpec font;
    std::u16string run;
    friend bool operator==(const Key&, const Key&) = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const noexcept;
  };

  std::shared_ptr<IMeasurer> inner_;
  std::size_t capacity_;
  std::unordered_map<Key, RunMetrics, KeyHash> runs_;
  Key probe_;  // reused for look-ups, so a hit allocates nothing for the key
};

}  // namespace TextBlock
