#pragma once
// A text's layout made in two steps: the used size, which sizes the elements around the text, is
// measured at once; the lines, which only drawing and editing need, are laid out when first asked
// for. A large document shows few of its texts, so most are never laid out.
#include <memory>

#include "text/Layout.h"

namespace TextBlock {

class DeferredLayout {
 public:
  // Measures the content's used size in the style and area with the measurer, which also lays out
  // the lines later.
  DeferredLayout(Content content, TextStyle style, Extent area, std::shared_ptr<IMeasurer> measurer);

  // What the layout is made from.
  const Content& GetContent() const { return content_; }
  const TextStyle& GetStyle() const { return style_; }
  Extent GetArea() const { return area_; }
  // The used size of the lines (the same as the lines' own).
  Extent GetUsedSize() const { return usedSize_; }
  // The lines, laid out on the first call.
  const std::shared_ptr<const Layout>& GetLines() const;
  // Whether the lines have been laid out.
  bool HasLines() const { return lines_ != nullptr; }

 private:
  // The paragraphs of the content, the first in the style's font.
  std::vector<Paragraph> Paragraphs() const;

  Content content_;
  TextStyle style_;
  Extent area_;
  Extent usedSize_;
  std::shared_ptr<IMeasurer> measurer_;
  mutable std::shared_ptr<const Layout> lines_;
};

}  // namespace TextBlock
