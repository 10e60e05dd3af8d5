// Free texts and anchors: the corner codes, anchored texts following and leaving with their owner,
// creation as one undo step, and the stored form read back.
#include <gtest/gtest.h>

#include <sstream>

#include "core/ModelElementSet.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "style/Names.h"
#include "text/free/tests/TestOwner.h"
#include "text/tests/FixedMeasurer.h"

using namespace Text;
using Text::Testing::Holder;

namespace {

std::string Save(const Core::Diagram& diagram) {
  std::ostringstream out;
  diagram.SaveXML(out);
  return out.str();
}

template <class T>
std::vector<T*> All(const Core::Diagram& diagram) {
  std::vector<T*> out;
  for (const auto& e : diagram.Elements())
    if (auto* t = dynamic_cast<T*>(e.get())) out.push_back(t);
  return out;
}

struct FreeTexts : ::testing::Test {
  FreeTexts() { TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>()); }

  // Runs the change as one undo step.
  template <class F>
  void Step(F&& change) {
    Core::Transaction t(diagram);
    Core::Env env(t);
    change(env);
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
  }
  std::shared_ptr<Holder> AddHolder() {
    std::shared_ptr<Holder> h;
    Step([&](Core::Env& env) { h = Holder::Factory().CreateTyped(env); });
    return h;
  }
  FreeText* AddAnchored(Holder& h, double x, const std::wstring& text) {
    FreeText* free = nullptr;
    Step([&](Core::Env& env) { free = CreateAnchoredText(env, h, {x, 0}, text).get(); });
    return free;
  }
  void Undo() { diagram.GetUndoHandler().Undo(nullptr, nullptr); }
  void Redo() { diagram.GetUndoHandler().Redo(nullptr, nullptr); }

  Core::Diagram diagram{Text::Testing::Registry(), nullptr};
};

TEST(TextOrigin, EachCodePutsItsCornerOnThePosition) {
  const zq::Point p{1000, 2000};
  const TextBlock::Extent used{300, 100};
  EXPECT_EQ(TextOriginPoint(OriginTopLeft, p, used), (zq::Point{1000, 2000}));
  EXPECT_EQ(TextOriginPoint(OriginTopRight, p, used), (zq::Point{700, 2000}));
  EXPECT_EQ(TextOriginPoint(OriginBottomRight, p, used), (zq::Point{700, 2100}));
  EXPECT_EQ(TextOriginPoint(OriginBottomLeft, p, used), (zq::Point{1000, 2100}));
  EXPECT_EQ(TextOriginPoint(0, p, used), p);
  EXPECT_EQ(TextOriginPoint(5, p, used), p);
}

TEST_F(FreeTexts, TheCornerStaysOnThePositionWhenTheTextGrows) {
  FreeText* free = nullptr;
  Step([&](Core::Env& env) {
    free = FreeText::Create(env, nullptr, {1000, 2000}, L"ab", OriginBottomRight).get();
  });
  const zq::Rect small = free->GetBox();
  EXPECT_EQ(small.right, 1000);
  EXPECT_EQ(small.bottom, 2000);
  Step([&](Core::Env& env) { free->GetText()->SetName(env, L"abcdef\nsecond line"); });
  const zq::Rect big = free->GetBox();
  EXPECT_EQ(big.right, 1000);
  EXPECT_EQ(big.bottom, 2000);
  EXPECT_GT(big.Width(), small.Width());
  EXPECT_GT(big.Height(), small.Height());
}

TEST_F(FreeTexts, AnEmptyFreeTextKeepsAWidthToBeSeenAndTheBackgroundCommandMakesOne) {
  Core::ElementPtr made;
  Step([&](Core::Env& env) { made = FreeText::Create(env, zq::Point{500, 500}); });
  auto* free = dynamic_cast<FreeText*>(made.get());
  ASSERT_NE(free, nullptr);
  EXPECT_EQ(free->GetPos(), (zq::Point{500, 500}));
  EXPECT_EQ(free->GetOrigin(), OriginTopLeft);
  EXPECT_EQ(free->GetBox().Width(), 400);
  EXPECT_EQ(free->GetText()->GetTextOwner(), static_cast<TextBlock::ITextOwner*>(free));
}

TEST_F(FreeTexts, CreatingAnAnchoredTextIsOneUndoStep) {
  auto h = AddHolder();
  // The document's style with the free texts' directory is there already (the owners of anchored
  // texts bring the style along when they are made).
  Step([&](Core::Env& env) {
    Style::CreateKindDirectories(env, Style::Style::FindOrCreate(env), Style::StyledKind::FreeText);
  });
  const std::size_t before = diagram.GetElementCount();
  FreeText* free = AddAnchored(*h, 700, L"role");
  ASSERT_EQ(h->Anchors().size(), 1u);
  Anchor* anchor = h->Anchors().front();
  EXPECT_EQ(anchor->GetFreeText(), free);
  EXPECT_EQ(free->GetFreeTextOwner(), anchor);
  EXPECT_EQ(free->GetOwner(), anchor);
  EXPECT_EQ(anchor->GetOwner(), static_cast<Core::IModelElement*>(h.get()));
  EXPECT_EQ(anchor->GetPos().x, 700);
  EXPECT_EQ(anchor->GetPos().y, 1000);
  EXPECT_EQ(free->GetPos(), (zq::Point{700, 1200}));
  EXPECT_EQ(free->GetOrigin(), OriginBottomLeft);
  EXPECT_EQ(free->GetText()->GetName(), L"role");
  // The text takes the owner's style through the anchor.
  EXPECT_EQ(free->GetText()->GetRep().style.horizontalAlignment, TextBlock::AlignCenter);
  EXPECT_EQ(diagram.GetElementCount(), before + 3);  // anchor, free text, text

  Undo();
  EXPECT_EQ(diagram.GetElementCount(), before);
  EXPECT_TRUE(h->Anchors().empty());
  Redo();
  EXPECT_EQ(diagram.GetElementCount(), before + 3);
  EXPECT_EQ(h->Anchors().size(), 1u);
}

TEST_F(FreeTexts, ALooseTextTakesTheFontOfItsDirectoryAndALabelItsOwnersStyle) {
  Style::Style* style = nullptr;
  Step([&](Core::Env& env) { style = Style::Style::Create(env).get(); });
  FreeText* loose = nullptr;
  Step([&](Core::Env& env) { loose = FreeText::Create(env, nullptr, {0, 0}, L"loose", OriginTopLeft).get(); });
  EXPECT_EQ(loose->GetStyle(), style);
  TextBlock::TextStyle expected;
  style->GetFont(Style::Names::FreeText(), expected);
  EXPECT_NE(expected.size, TextBlock::TextStyle().size);  // the directory was made with its preset
  const TextBlock::TextStyle& used = loose->GetText()->GetRep().style;
  EXPECT_EQ(used.size, expected.size);
  EXPECT_EQ(used.face, expected.face);
  EXPECT_EQ(used.sizing, TextBlock::SizingOwnExtent);

  auto h = AddHolder();
  FreeText* label = AddAnchored(*h, 500, L"label");
  EXPECT_EQ(label->GetText()->GetRep().style.size, TextBlock::TextStyle().size);
  EXPECT_EQ(label->GetText()->GetRep().style.horizontalAlignment, TextBlock::AlignCenter);
}

TEST_F(FreeTexts, AnAnchorAndItsTextFollowTheOwner) {
  auto h = AddHolder();
  FreeText* free = AddAnchored(*h, 500, L"x");
  Anchor* anchor = h->Anchors().front();
  Step([&](Core::Env& env) { h->SetRect(env, {300, 1400, 2300, 400}); });
  EXPECT_EQ(anchor->GetPos().x, 800);
  EXPECT_EQ(anchor->GetPos().y, 1400);
  EXPECT_EQ(free->GetPos(), (zq::Point{800, 1600}));
  // Moving twice inside one change measures from where it started.
  Step([&](Core::Env& env) {
    h->SetRect(env, {400, 1400, 2400, 400});
    h->SetRect(env, {500, 1400, 2500, 400});
  });
  EXPECT_EQ(free->GetPos(), (zq::Point{1000, 1600}));
  Undo();
  Undo();
  EXPECT_EQ(anchor->GetPos().x, 500);
  EXPECT_EQ(free->GetPos(), (zq::Point{500, 1200}));
}

// A text moved in one set with its owner keeps its offset from its anchor, whichever of the two the
// move reaches first, also where the owner goes only sideways; dragged without its owner, the text
// goes by the whole move.
TEST_F(FreeTexts, ATextMovedWithItsOwnerGoesAsItsAnchorGoes) {
  auto h = AddHolder();
  FreeText* free = AddAnchored(*h, 500, L"x");
  const zq::Point start = free->GetPos();
  h->onlySideways = true;
  // Where the text goes in the drag; the drag is then rolled back.
  const auto drag = [&](std::vector<Core::IModelElement*> elements, const Core::ShiftVector& by) {
    Core::Transaction t(diagram);
    Core::Env env(t);
    Core::ModelElementSet moved;
    for (Core::IModelElement* e : elements) moved.Insert(e->shared_from_this());
    Core::DeferredShiftSet set(moved, &diagram, elements.front());
    set.ShiftAll(env, by);
    set.ShiftDeferred(env);
    const zq::Point at = free->GetPos();
    t.Abort();
    return at;
  };
  const struct {
    std::vector<Core::IModelElement*> moved;
    Core::ShiftVector by;
    zq::Point expected;
  } rows[] = {
      {{h.get(), free}, {0, 800, true, true}, start},
      {{free, h.get()}, {0, -800, true, true}, start},
      {{h.get(), free}, {300, 800, true, true}, start + zq::Point{300, 0}},
      {{free, h.get()}, {-300, -800, true, true}, start + zq::Point{-300, 0}},
      {{free}, {300, 800, true, true}, start + zq::Point{300, 800}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(drag(row.moved, row.by), row.expected) << row.moved.size() << " moved by " << row.by.dx << " " << row.by.dy;
    EXPECT_EQ(free->GetPos(), start);
  }
}

TEST_F(FreeTexts, DeletingTheOwnerDetachesAndDeletesAnchorAndText) {
  auto h = AddHolder();
  FreeText* free = AddAnchored(*h, 500, L"x");
  Anchor* anchor = h->Anchors().front();
  TextBlock::Text* text = free->GetText();
  Step([&](Core::Env& env) { h->Delete(env); });
  EXPECT_TRUE(anchor->IsDeleted());
  EXPECT_TRUE(free->IsDeleted());
  EXPECT_TRUE(text->IsDeleted());
  Undo();
  EXPECT_FALSE(anchor->IsDeleted());
  EXPECT_FALSE(free->IsDeleted());
  EXPECT_EQ(h->Anchors().size(), 1u);
}

TEST_F(FreeTexts, DeletingTheTextOrTheAnchorTakesTheOtherAlong) {
  auto h = AddHolder();
  FreeText* first = AddAnchored(*h, 500, L"a");
  FreeText* second = AddAnchored(*h, 900, L"b");
  Anchor* a1 = h->Anchors()[0];
  Anchor* a2 = h->Anchors()[1];
  Step([&](Core::Env& env) { first->Delete(env); });
  EXPECT_TRUE(a1->IsDeleted());
  EXPECT_EQ(h->Anchors().size(), 1u);
  Step([&](Core::Env& env) { a2->Detach(env); });
  EXPECT_TRUE(second->IsDeleted());
  EXPECT_TRUE(h->Anchors().empty());
}

TEST_F(FreeTexts, AnchorsAndFreeTextsAreWrittenNestedAndReadBack) {
  auto h = AddHolder();
  AddAnchored(*h, 500, L"first\nline");
  Step([&](Core::Env& env) { FreeText::Create(env, nullptr, {3000, 4000}, L"loose", OriginTopRight); });
  const std::string first = Save(diagram);
  EXPECT_NE(first.find("<Anchor"), std::string::npos) << first;
  EXPECT_LT(first.find("<Holder"), first.find("<Anchor")) << first;
  EXPECT_LT(first.find("<Anchor"), first.find("<FreeText")) << first;
  EXPECT_NE(first.find("Origin=\"2\""), std::string::npos) << first;

  Core::Diagram loaded{Text::Testing::Registry(), nullptr};
  EXPECT_EQ(loaded.LoadXML(first), 0u);
  const auto holders = All<Holder>(loaded);
  const auto frees = All<FreeText>(loaded);
  ASSERT_EQ(holders.size(), 1u);
  ASSERT_EQ(frees.size(), 2u);
  ASSERT_EQ(holders[0]->Anchors().size(), 1u);
  Anchor* anchor = holders[0]->Anchors()[0];
  EXPECT_EQ(anchor->GetAnchorOwner(), static_cast<IAnchorOwner*>(holders[0]));
  EXPECT_EQ(anchor->GetPos().x, 500);
  EXPECT_EQ(anchor->GetFreeText(), frees[0]);
  EXPECT_EQ(frees[0]->GetFreeTextOwner(), anchor);
  EXPECT_EQ(frees[0]->GetText()->GetName(), L"first\nline");
  EXPECT_EQ(frees[0]->GetOrigin(), OriginBottomLeft);
  EXPECT_EQ(frees[1]->GetFreeTextOwner(), nullptr);
  EXPECT_EQ(frees[1]->GetOrigin(), OriginTopRight);
  EXPECT_EQ(frees[1]->GetPos(), (zq::Point{3000, 4000}));
  EXPECT_EQ(Save(loaded), first);
}

TEST_F(FreeTexts, TheFirstTextOfANewDocumentMakesTheStyleAndTakesTheFreeTextFont) {
  ASSERT_EQ(Style::Style::Find(diagram), nullptr);
  Core::ElementPtr made;
  Step([&](Core::Env& env) { made = FreeText::Create(env, {0, 0}); });
  auto* free = dynamic_cast<FreeText*>(made.get());
  ASSERT_NE(free, nullptr);
  EXPECT_EQ(free->GetStyle(), Style::Style::Find(diagram));
  const TextBlock::TextStyle& used = free->GetText()->GetRep().style;
  EXPECT_EQ(used.size, 10);
  EXPECT_FALSE(used.bold);
  EXPECT_EQ(used.face, u"arial");
  // Undo takes the style back out with the text.
  Undo();
  EXPECT_EQ(Style::Style::Find(diagram), nullptr);
}

TEST_F(FreeTexts, ALooseTextBelongsToTheContainerAroundItAndIsWrittenInside) {
  using Text::Testing::Frame;
  std::shared_ptr<Frame> frame;
  Step([&](Core::Env& env) { frame = Frame::Factory().CreateTyped(env); });
  FreeText* inside = nullptr;
  FreeText* outside = nullptr;
  FreeText* placed = nullptr;
  Step([&](Core::Env& env) {
    inside = FreeText::Create(env, nullptr, {2000, 3000}, L"in", OriginTopLeft).get();
    outside = FreeText::Create(env, nullptr, {20000, 3000}, L"out", OriginTopLeft).get();
    placed = FreeText::Create(env, *frame, {4000, 3000}, L"placed").get();
  });
  EXPECT_EQ(inside->GetContainer(), frame.get());
  EXPECT_EQ(inside->GetOwner(), static_cast<Core::IModelElement*>(frame.get()));
  EXPECT_EQ(outside->GetContainer(), nullptr);
  EXPECT_EQ(placed->GetContainer(), frame.get());
  EXPECT_EQ(frame->Parts().size(), 2u);
  // Moved out of the frame, it leaves it.
  Step([&](Core::Env& env) { inside->SetPos(env, {30000, 3000}); });
  EXPECT_EQ(inside->GetContainer(), nullptr);
  EXPECT_EQ(frame->Parts().size(), 1u);

  const std::string saved = Save(diagram);
  EXPECT_LT(saved.find("<Frame"), saved.find(">placed<")) << saved;
  EXPECT_LT(saved.find(">placed<"), saved.find("</Frame>")) << saved;
  Core::Diagram loaded{Text::Testing::Registry(), nullptr};
  loaded.LoadXML(saved);
  const auto frames = All<Frame>(loaded);
  ASSERT_EQ(frames.size(), 1u);
  ASSERT_EQ(frames[0]->Parts().size(), 1u);
  EXPECT_EQ(Save(loaded), saved);
}

TEST_F(FreeTexts, AnOriginOutsideTheCodesAndAnAnchorOutsideAnOwnerAreRefusedOnReading) {
  for (const char* body : {"<FreeText id=\"r1\" Pos=\"0,0\" Origin=\"5\"><Text>x</Text></FreeText>\n",
                           "<Anchor id=\"r1\" Pos=\"0,0\"/>\n"}) {
    const std::string doc = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                        "<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n") +
                            body + "</Diagram>\n";
    Core::Diagram loaded{Text::Testing::Registry(), nullptr};
    EXPECT_THROW(loaded.LoadXML(doc), Core::Exceptions::Base) << body;
    EXPECT_EQ(loaded.GetElementCount(), 0u) << body;
  }
}

// A factory registered for "Anchor" that makes something else is a type mismatch, reported at the
// line of the "Anchor" element; so is an "Anchor" that holds anything but its free text.
TEST_F(FreeTexts, AnAnchorOfTheWrongTypeIsRefusedWithItsLine) {
  static Core::FactoryImp<Text::Testing::Frame> impostor(Core::SchemaNamespace10(), L"Anchor");
  Core::FactoryRegistry registry;
  registry.Register(Holder::Factory());
  registry.Register(impostor);
  const std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n"
                          "<Holder id=\"r1\">\n<Anchor id=\"r2\" Pos=\"0 0\"/></Holder>\n</Diagram>\n";
  Core::Diagram loaded{registry, nullptr};
  try {
    loaded.LoadXML(doc);
    ADD_FAILURE() << "read";
  } catch (const Core::Exceptions::TypeMismatchOfRestoredObject& e) {
    EXPECT_EQ(e.Line(), 4);
    EXPECT_STREQ(e.what(), "line 4: type mismatch of restored object");
  }
  EXPECT_EQ(loaded.GetElementCount(), 0u);
}

}  // namespace
