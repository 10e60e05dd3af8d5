#include "text/win/DeviceFont.h"

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "text/win/Shaping.h"

namespace TextBlock {

namespace {

// The device fonts alive, by description.
struct Registry {
  std::mutex lock;
  std::map<decltype(FontUtil::FontDesc().Key()), std::weak_ptr<DeviceFont>> fonts;
};

Registry& Fonts() {
  static Registry registry;
  return registry;
}

std::atomic<std::size_t> liveCaches{0};
std::atomic<std::size_t> runsShaped{0};

}  // namespace

std::shared_ptr<DeviceFont> DeviceFont::Get(const FontUtil::FontDesc& desc) {
  Registry& registry = Fonts();
  const std::lock_guard<std::mutex> hold(registry.lock);
  auto& slot = registry.fonts[desc.Key()];
  if (auto alive = slot.lock()) return alive;
  std::shared_ptr<DeviceFont> font;
  try {
    font.reset(new DeviceFont(FontUtil::FontRef::Get(desc)));
  } catch (...) {
    registry.fonts.erase(desc.Key());
    throw;
  }
  slot = font;
  // Forget expired entries now and then so the registry does not grow with every zoom ever used.
  if (registry.fonts.size() > 64)
    for (auto it = registry.fonts.begin(); it != registry.fonts.end();)
      it = it->second.expired() ? registry.fonts.erase(it) : std::next(it);
  return font;
}

DeviceFont::~DeviceFont() {
  if (cache_) ScriptFreeCache(&cache_);
  if (counted_) --liveCaches;
}

ShapedRunPiece DeviceFont::ShapeItem(HDC dc, std::u16string_view chars, const SCRIPT_ANALYSIS& analysis) {
  ++runsShaped;
  struct Note {
    DeviceFont& font;
    ~Note() { font.NoteCache(); }  // also when shaping throws after the cache was made
  } note{*this};
  return TextBlock::ShapeItem(dc, cache_, chars, analysis);
}

void DeviceFont::DrawPiece(HDC dc, const ShapedRunPiece& piece, int x, int y) {
  DrawShapedPiece(dc, cache_, piece, x, y);
  NoteCache();
}

void DeviceFont::NoteCache() {
  if (cache_ && !counted_) {
    counted_ = true;
    ++liveCaches;
  }
}

std::size_t DeviceFont::LiveCaches() { return liveCaches; }

std::size_t DeviceFont::RunsShaped() { return runsShaped; }

}  // namespace TextBlock
