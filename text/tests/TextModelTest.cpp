// The text element: naming, the change bracket and its notification rules, the owner helpers, undo.
#include <gtest/gtest.h>

#include "core/DefaultGrid.h"
#include "core/Interfaces.h"
#include "core/UndoHandler.h"
#include "text/tests/FixedMeasurer.h"
#include "text/tests/TestOwner.h"

using namespace TextBlock;
using TextBlock::Testing::Box;

namespace {

// With the default style (6 pt: -212) the fixed measurer gives 106 per character and 212 per line.
constexpr int kChar = 106, kLine = 212;

struct TextModel : ::testing::Test {
  TextModel() { SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>()); }
  Core::Diagram diagram{TextBlock::Testing::Registry(), nullptr};

  // A box with a text, made in a transaction of its own.
  std::shared_ptr<Box> MakeBox(Extent area, int sizing = 1, const wchar_t* name = L"") {
    Core::Transaction t(diagram);
    Core::Env env(t);
    auto box = Box::Factory().CreateTyped(env);
    box->style.sizing = sizing;
    box->SetArea(env, area);
    auto text = Text::Create(env, *box);
    box->SetText(env, text.get());
    text->SetName(env, name);
    Commit(env);
    box->changes = 0;
    return box;
  }
  void Commit(Core::Env& env) { diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false); }
  // Renames the box's text in a transaction of its own.
  void Rename(Box& box, const wchar_t* name) {
    Core::Transaction t(diagram);
    Core::Env env(t);
    box.GetText()->SetName(env, name);
    Commit(env);
  }
  void Undo() { diagram.GetUndoHandler().Undo(nullptr, nullptr); }
};

}  // namespace

TEST_F(TextModel, NameRoundTripsAndUndoes) {
  auto box = MakeBox({0, 0}, 1, L"first");
  Rename(*box, L"a\r\nb\rc\u2028d\u2029e\U0001F600");
  EXPECT_EQ(box->GetText()->GetName(), L"a\nb\nc\nd\ne\U0001F600");
  EXPECT_EQ(box->GetText()->GetContent().Items().size(), 11u);  // the pair is two units
  Undo();
  EXPECT_EQ(box->GetText()->GetName(), L"first");
  EXPECT_EQ(ITextOwner::GetTextAreaSizeUsed(box->GetText()), (Extent{5 * kChar, kLine}));
}

TEST_F(TextModel, CreateLaysOutAndKnowsItsOwner) {
  auto box = MakeBox({500, 400}, 0);
  EXPECT_EQ(box->GetText()->GetOwner(), static_cast<Core::IModelElement*>(box.get()));
  EXPECT_EQ(ITextOwner::GetTextAreaSizeUsed(box->GetText()), (Extent{500, 400}));
  EXPECT_TRUE(ITextOwner::IsTextEmpty(box->GetText()));
  EXPECT_TRUE(ITextOwner::IsTextEmpty(nullptr));
}

TEST_F(TextModel, RuleOneUsedSizeChanged) {
  auto box = MakeBox({0, 0}, 1, L"abc");
  Rename(*box, L"abcd");  // same emptiness, a 0 by 0 area fits: only the size changed
  EXPECT_EQ(box->changes, 1);
  Rename(*box, L"wxyz");  // nothing that the owner must hear of
  EXPECT_EQ(box->changes, 1);
}

TEST_F(TextModel, RuleTwoEmptinessChanged) {
  auto box = MakeBox({1000, 1000}, 0);  // the used size stays the area
  Rename(*box, L"a");
  EXPECT_EQ(box->changes, 1);
  Rename(*box, L"");
  EXPECT_EQ(box->changes, 2);
  Rename(*box, L"\n");  // paragraph starts do not count
  EXPECT_EQ(box->changes, 2);
}

TEST_F(TextModel, RuleTwoSparesATextMadeInTheSameTransaction) {
  Core::Transaction t(diagram);
  Core::Env env(t);
  auto box = Box::Factory().CreateTyped(env);
  box->SetArea(env, {1000, 1000});
  auto text = Text::Create(env, *box);
  box->SetText(env, text.get());
  text->SetName(env, L"a");
  EXPECT_EQ(box->changes, 0);
  Commit(env);
}

TEST_F(TextModel, RuleThreeTextLargerThanTheArea) {
  auto box = MakeBox({100, 100}, 0, L"abc");  // used 318 x 212, larger than the area
  Rename(*box, L"xyz");
  EXPECT_EQ(box->changes, 1);
  box->growOnChange = true;
  Rename(*box, L"uvw");
  EXPECT_EQ(box->changes, 2);
  // The grown box is read back as the area, so the next change of the same size is quiet.
  Rename(*box, L"abc");
  EXPECT_EQ(box->changes, 2);
}

TEST_F(TextModel, UsedSizeBeforeTheTransaction) {
  auto box = MakeBox({0, 0}, 1, L"ab");
  Core::Transaction t(diagram);
  Core::Env env(t);
  box->GetText()->SetName(env, L"abcd");
  EXPECT_EQ(ITextOwner::GetTextAreaSizeUsed(box->GetText()), (Extent{4 * kChar, kLine}));
  EXPECT_EQ(ITextOwner::GetTextAreaSizeUsed(box->GetText(), true), (Extent{2 * kChar, kLine}));
  Commit(env);
  EXPECT_EQ(ITextOwner::GetTextAreaSizeUsed(box->GetText(), true), (Extent{4 * kChar, kLine}));
}

TEST_F(TextModel, AreaChangeLaysOutWithoutNotifying) {
  auto box = MakeBox({100, 100}, 0, L"ab");
  Core::Transaction t(diagram);
  Core::Env env(t);
  box->SetArea(env, {2000, 1000});
  ITextOwner::OnTextAreaChanged(box->GetText(), env);
  EXPECT_EQ(ITextOwner::GetTextAreaSizeUsed(box->GetText()), (Extent{2000, 1000}));
  EXPECT_EQ(box->changes, 0);
  Commit(env);
  Undo();
  EXPECT_EQ(ITextOwner::GetTextAreaSizeUsed(box->GetText()), (Extent{2 * kChar, kLine}));
}

TEST_F(TextModel, StyleChangeRenewsAndNotifies) {
  auto box = MakeBox({0, 0}, 1, L"ab");
  {
    Core::Transaction t(diagram);
    Core::Env env(t);
    ITextOwner::ApplyTextStyle(box->GetText(), env);  // the same style: nothing
    EXPECT_FALSE(box->GetText()->IsInTransaction());
    box->style.size = 12;  // 423 high: 211.5 per character
    ITextOwner::ApplyTextStyle(box->GetText(), env);
    Commit(env);
  }
  EXPECT_EQ(box->changes, 1);
  EXPECT_EQ(ITextOwner::GetTextAreaSizeUsed(box->GetText()), (Extent{423, 423}));
  Undo();
  EXPECT_EQ(ITextOwner::GetTextAreaSizeUsed(box->GetText()), (Extent{2 * kChar, kLine}));
  EXPECT_EQ(box->GetText()->GetRep().style.size, 6.0);
}

TEST_F(TextModel, DeleteWithTextIsUndoable) {
  auto box = MakeBox({0, 0}, 1, L"ab");
  {
    Core::Transaction t(diagram);
    Core::Env env(t);
    ITextOwner::DeleteWithText(box->GetText(), env);
    ITextOwner::DeleteWithText(box->GetText(), env);  // already deleted: nothing
    box->GetText()->SetName(env, L"ignored");         // a deleted text is not renamed
    Commit(env);
  }
  EXPECT_TRUE(box->GetText()->IsDeleted());
  EXPECT_EQ(box->GetText()->GetName(), L"ab");
  Undo();
  EXPECT_FALSE(box->GetText()->IsDeleted());
}

TEST(GrowRectToText, NothingWithoutAText) {
  zq::Rect r(0, 1000, 100, 900);
  ITextOwner::GrowRectToText(r, View::DefaultGrid::Instance(), {0, 1000}, nullptr, 0, 0, 0, 0);
  EXPECT_EQ(r, zq::Rect(0, 1000, 100, 900));
}

TEST_F(TextModel, GrowRectToTextKeepsTheAnchorSideAndRoundsUpToTheGrid) {
  auto box = MakeBox({0, 0}, 1, L"abc");  // used 318 x 212
  const Core::IGrid& grid = View::DefaultGrid::Instance();
  zq::Rect r(0, 1000, 100, 900);
  ITextOwner::GrowRectToText(r, grid, {0, 1000}, box->GetText(), 100, 300, 100, 100);
  EXPECT_EQ(r, zq::Rect(0, 1000, 800, 500));  // 718 -> 800 wide, 412 -> 500 high; anchor side kept
  zq::Rect s(0, 1000, 100, 900);
  ITextOwner::GrowRectToText(s, grid, {100, 900}, box->GetText(), 100, 300, 100, 100);
  EXPECT_EQ(s, zq::Rect(-700, 1400, 100, 900));
  zq::Rect exact(0, 1000, 300, 700);  // 318 x 212 needs 400 x 300: only the width grows
  ITextOwner::GrowRectToText(exact, grid, {0, 1000}, box->GetText(), 0, 0, 0, 0);
  EXPECT_EQ(exact, zq::Rect(0, 1000, 400, 700));
  zq::Rect big(0, 5000, 5000, 0);
  ITextOwner::GrowRectToText(big, grid, {0, 5000}, box->GetText(), 0, 0, 0, 0);
  EXPECT_EQ(big, zq::Rect(0, 5000, 5000, 0));  // never shrinks
}

// A grid of another pitch: the needed size follows the grid given, not a fixed step.
class CoarseGrid : public Core::IGrid {
 public:
  static std::int32_t Up(std::int32_t v) { return (v + 249) / 250 * 250; }
  zq::Point SnapPoint(const zq::Point& p) const override { return p; }
  zq::Rect SnapRect(const zq::Rect& r) const override { return r; }
  zq::Point SnapSize(const zq::Point& s) const override { return {Up(s.x), Up(s.y)}; }
  std::int32_t SnapLength(std::int32_t v) const override { return Up(v); }
};

TEST_F(TextModel, GrowRectToTextUsesTheGridGiven) {
  auto box = MakeBox({0, 0}, 1, L"abc");  // used 318 x 212
  zq::Rect r(0, 0, 0, 0);
  ITextOwner::GrowRectToText(r, CoarseGrid(), {0, 0}, box->GetText(), 0, 0, 0, 0);
  EXPECT_EQ(r, zq::Rect(0, 0, 500, -250));
}

TEST_F(TextModel, TextIsNamedThroughTheCoreInterface) {
  auto box = MakeBox({0, 0}, 1, L"ab");
  Core::INamed& named = *box->GetText();
  Core::Transaction t(diagram);
  Core::Env env(t);
  named.SetName(env, L"x\r\ny");
  EXPECT_EQ(named.GetName(), L"x\ny");
  EXPECT_EQ(box->changes, 1);  // the interface runs the same change bracket
  Commit(env);
}

// Texts alike in content, style and area share one layout; a new measurer makes new ones.
TEST_F(TextModel, AlikeTextsShareOneLayoutUntilTheMeasurerChanges) {
  auto measurer = std::make_shared<TextBlock::Testing::FixedMeasurer>();
  SetMeasurer(measurer);
  auto first = MakeBox({5000, 4000}, SizingOwnExtent, L"abc");
  const int calls = measurer->calls;
  auto second = MakeBox({5000, 4000}, SizingOwnExtent, L"abc");
  auto other = MakeBox({5000, 4000}, SizingOwnExtent, L"abd");
  EXPECT_EQ(measurer->calls, calls + 1);  // only "abd" was measured
  EXPECT_EQ(second->GetText()->GetLayout(), first->GetText()->GetLayout());
  EXPECT_NE(other->GetText()->GetLayout(), first->GetText()->GetLayout());
  // A measurer twice as wide: a text made now must not get the layout made with the old one.
  struct Wide : TextBlock::Testing::FixedMeasurer {
    void Measure(const FontSpec& font, std::u16string_view run, RunMetrics& out) override {
      FixedMeasurer::Measure(font, run, out);
      for (double& a : out.advances) a *= 2;
    }
  };
  SetMeasurer(std::make_shared<Wide>());
  auto third = MakeBox({5000, 4000}, SizingOwnExtent, L"abc");
  EXPECT_NE(third->GetText()->GetLayout(), first->GetText()->GetLayout());
  EXPECT_EQ(third->GetText()->GetLayout()->usedSize.width, 2 * first->GetText()->GetLayout()->usedSize.width);
}

// A text is measured when made or changed, but its lines are laid out only when asked for (drawing,
// editing); they have the used size measured.
TEST_F(TextModel, LinesAreLaidOutOnlyWhenAskedFor) {
  auto box = MakeBox({400, 100}, SizingWrap, L"aaa bbb ccc");
  const Text& text = *box->GetText();
  EXPECT_EQ(text.GetRep().usedSize, (Extent{400, 3 * kLine}));  // one line per word
  ASSERT_TRUE(text.GetDeferredLayout());
  EXPECT_FALSE(text.GetDeferredLayout()->HasLines());
  const std::shared_ptr<const Layout> lines = text.GetLayout();
  EXPECT_TRUE(text.GetDeferredLayout()->HasLines());
  EXPECT_EQ(lines->lines.size(), 3u);
  EXPECT_EQ(lines->usedSize, text.GetRep().usedSize);
  Rename(*box, L"aaa");
  EXPECT_EQ(box->GetText()->GetRep().usedSize, (Extent{400, kLine}));
  EXPECT_FALSE(box->GetText()->GetDeferredLayout()->HasLines());
}
