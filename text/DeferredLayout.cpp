#include "text/DeferredLayout.h"

#include <stdexcept>

namespace TextBlock {

DeferredLayout::DeferredLayout(Content content, TextStyle style, Extent area, std::shared_ptr<IMeasurer> measurer)
    : content_(std::move(content)), style_(std::move(style)), area_(area), measurer_(std::move(measurer)) {
  if (!measurer_) throw std::logic_error("no text measurer installed");
  usedSize_ = MeasureParagraphs(Paragraphs(), style_, area_, *measurer_);
}

std::vector<Paragraph> DeferredLayout::Paragraphs() const {
  return content_.Paragraphs(std::make_shared<const FontSpec>(FontFromStyle(style_)));
}

const std::shared_ptr<const Layout>& DeferredLayout::GetLines() const {
  if (!lines_) lines_ = std::make_shared<const Layout>(LayoutParagraphs(Paragraphs(), style_, area_, *measurer_));
  return lines_;
}

}  // namespace TextBlock
