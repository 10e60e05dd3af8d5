// What lies on classes: dependency ends, note connector ends and anchored texts attach to them,
// follow their moves and resizes, are written and read back, and go with a deleted class; classes
// copied with their compartments, template box and texts paste as they were.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>
#include <sstream>

#include "core/CopyExtend.h"
#include "core/Diagram.h"
#include "core/ModelElementSet.h"
#include "core/Registries.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "core/TransferSet.h"
#include "core/UndoHandler.h"
#include "elements/class/Class.h"
#include "elements/class/Compartment.h"
#include "elements/note/Dependency.h"
#include "elements/note/Note.h"
#include "style/Model.h"
#include "text/free/FreeText.h"
#include "text/tests/FixedMeasurer.h"
#include "elements/class/tests/ClassScene.h"
#include "view/connector/Creation.h"

namespace {

using Class::Compartment;

using ClassTest::Registry;
using ClassTest::Save;

// The first class element of the document, its object ids numbered by first appearance.
std::string ClassElement(const std::string& doc) {
  const std::size_t from = doc.find("<Class "), to = doc.find("</Class>");
  if (from == std::string::npos || to == std::string::npos) return {};
  const std::string element = doc.substr(from, to - from);
  std::map<std::string, int> ids;
  std::string out;
  const std::regex id("\"r[0-9]+\"");
  auto at = element.cbegin();
  for (std::sregex_iterator i(element.begin(), element.end(), id), end; i != end; ++i) {
    out.append(at, element.cbegin() + i->position());
    const auto [it, added] = ids.emplace(i->str(), int(ids.size()) + 1);
    out += "#" + std::to_string(it->second);
    at = element.cbegin() + i->position() + i->length();
  }
  return out.append(at, element.cend());
}

struct Attached : HostScene::Scene {
  Attached() : HostScene::Scene(Registry()) {}

  Class::Class* NewClass(zq::Point at) {
    Class::Class* c = nullptr;
    Change([&](Core::Env& env) { c = Class::Class::Create(env, at).get(); });
    return c;
  }
  // A dependency from a's right edge to b's left edge at the height y.
  Dependency::Dependency* Depend(Class::Class& a, Class::Class& b, double y) {
    return Path<Dependency::Dependency>({{double(a.GetRect().right), y}, {double(b.GetRect().left), y}}, &a, &b);
  }
  template <class End>
  End* EndOn(Connector::IConnector& c, const Core::IModelElement* terminal) {
    for (Connector::IEnd* e : c.GetEnds())
      if (e->GetTerminal() == terminal) return dynamic_cast<End*>(e);
    return nullptr;
  }
  // Reads the text into a fresh diagram and writes it again.
  std::string RoundTrip(const std::string& xml) { return HostScene::Reread(Registry(), xml); }
};

TEST_F(Attached, ADependencyBetweenClassesIsListedByBothAndReadsBackEqual) {
  Class::Class* a = NewClass({0, 5000});
  Class::Class* b = NewClass({8000, 5000});
  Dependency::Dependency* d = Depend(*a, *b, 4800);
  ASSERT_NE(d, nullptr);
  auto* source = EndOn<Dependency::DependencyEnd>(*d, a);
  auto* target = EndOn<Dependency::DependencyEnd>(*d, b);
  ASSERT_TRUE(source && target);
  EXPECT_TRUE(static_cast<Core::IPartner<Dependency::DependencyEnd>*>(a)->Contains(source));
  EXPECT_TRUE(static_cast<Core::IPartner<Dependency::DependencyEnd>*>(b)->Contains(target));
  const std::string saved = Save(diagram);
  EXPECT_EQ(RoundTrip(saved), saved);
  // Reading rebuilds the lists from the ends' "Party".
  Core::Diagram again{Registry(), nullptr};
  again.LoadXML(saved);
  for (const auto& e : again.Elements())
    if (auto* end = dynamic_cast<Dependency::DependencyEnd*>(e.get())) {
      auto* party = dynamic_cast<Class::Class*>(end->GetTerminal());
      ASSERT_NE(party, nullptr);
      EXPECT_TRUE(static_cast<Core::IPartner<Dependency::DependencyEnd>*>(party)->Contains(end));
    }
}

TEST_F(Attached, EndsFollowTheClassWhenItMovesAndWhenItIsResized) {
  Class::Class* a = NewClass({0, 5000});
  Class::Class* b = NewClass({8000, 5000});
  Dependency::Dependency* d = Depend(*a, *b, 4800);
  auto* source = EndOn<Dependency::DependencyEnd>(*d, a);
  auto* target = EndOn<Dependency::DependencyEnd>(*d, b);
  Change([&](Core::Env& env) {
    Core::DeferredShiftSet set;
    a->Shift(env, nullptr, Core::ShiftVector{-1000, 0, true, true}, set, false);
  });
  EXPECT_DOUBLE_EQ(source->GetPosition().x, a->GetRect().right);
  EXPECT_DOUBLE_EQ(source->GetPosition().y, 4800);
  // The left edge of b goes 2000 further left: the end stays on it.
  const zq::Rect r = b->GetRect();
  Change([&](Core::Env& env) { b->SetRect(env, {r.left - 2000, r.top, r.right, r.bottom}, false); });
  EXPECT_EQ(b->GetRect().left, r.left - 2000);
  EXPECT_DOUBLE_EQ(target->GetPosition().x, b->GetRect().left);
  // The straight dependency stays straight.
  EXPECT_DOUBLE_EQ(source->GetPosition().y, target->GetPosition().y);
}

TEST_F(Attached, ATemplateBoxAddsEightCornersToTheOutlineThatEndsAttachTo) {
  Class::Class* a = NewClass({0, 5000});
  Change([&](Core::Env& env) { a->CreateTemplateParameters(env); });
  std::vector<zq::Point> outline;
  a->GetOutline(outline, false);
  ASSERT_EQ(outline.size(), 8u);
  // An end asked for above the class's top edge, right of the box's left edge, sits on the box.
  const zq::Rect t = a->GetTemplateParameters()->GetRect();
  GraphUtil::OutlineHit hit;
  ASSERT_TRUE(a->GetTerminalOutline(hit, {double(t.right - 10), double(t.top + 500)}, false));
  EXPECT_DOUBLE_EQ(hit.point.y, t.top);
}

TEST_F(Attached, DeletingAClassTakesItsConnectorsAlongAndUndoBringsThemBack) {
  Class::Class* a = NewClass({0, 5000});
  Class::Class* b = NewClass({8000, 5000});
  Depend(*a, *b, 4800);
  const std::string before = Save(diagram);
  Change([&](Core::Env& env) { a->Delete(env); });
  EXPECT_EQ(Count<Dependency::DependencyEnd>(), 0u);
  EXPECT_EQ(Count<Dependency::Dependency>(), 0u);
  EXPECT_TRUE(b->GetRep().dependencyEnds.empty());
  // The document without the class names nothing that is not written, and reads back.
  const std::string after = Save(diagram);
  EXPECT_EQ(after.find("<Dependency"), std::string::npos);
  EXPECT_EQ(RoundTrip(after), after);
  Undo();
  EXPECT_EQ(Save(diagram), before);
}

TEST_F(Attached, ANoteConnectorPointsFromANoteAtAClass) {
  Class::Class* a = NewClass({8000, 5000});
  Note::Note* note = nullptr;
  Change([&](Core::Env& env) { note = Note::Note::Create(env, {0, 5000}).get(); });
  auto* c = Path<Note::NoteConnector>({{double(note->GetRect().right), 4800}, {double(a->GetRect().left), 4800}}, note, a);
  ASSERT_NE(c, nullptr);
  auto* far = EndOn<Note::NoteConnectorEnd>(*c, a);
  ASSERT_NE(far, nullptr);
  EXPECT_EQ(far->GetType(), 2);
  EXPECT_TRUE(static_cast<Core::IPartner<Note::NoteConnectorEnd>*>(a)->Contains(far));
  const std::string saved = Save(diagram);
  EXPECT_EQ(RoundTrip(saved), saved);
  Change([&](Core::Env& env) {
    Core::DeferredShiftSet set;
    a->Shift(env, nullptr, Core::ShiftVector{0, -300, true, true}, set, false);
  });
  EXPECT_DOUBLE_EQ(far->GetPosition().x, a->GetRect().left);
  Change([&](Core::Env& env) { a->Delete(env); });
  EXPECT_EQ(Count<Note::NoteConnector>(), 0u);
  EXPECT_EQ(Count<Note::Note>(), 1u);
}

TEST_F(Attached, AnAnchoredTextLiesOutsideTheClassFollowsItAndGoesWithIt) {
  Class::Class* a = NewClass({0, 5000});
  Text::FreeText* text = nullptr;
  Change([&](Core::Env& env) { text = Text::CreateAnchoredText(env, *a, {500, 5100}, L"{<?>}").get(); });
  ASSERT_NE(text, nullptr);
  ASSERT_EQ(a->GetAnchors().size(), 1u);
  Text::Anchor* anchor = a->GetAnchors().front();
  // Above the top edge: anchored on it, the text 200 higher, growing upward.
  EXPECT_DOUBLE_EQ(anchor->GetPos().y, 5000);
  EXPECT_EQ(text->GetPos().y - 5000 > 0, true);
  // The attached-text style sizes the text to its extent.
  TextBlock::TextStyle style;
  a->GetTextStyle(style, anchor);
  EXPECT_EQ(style.sizing, TextBlock::SizingOwnExtent);
  const zq::Point textAt = text->GetPos();
  Change([&](Core::Env& env) {
    Core::DeferredShiftSet set;
    a->Shift(env, nullptr, Core::ShiftVector{700, -400, true, true}, set, false);
  });
  EXPECT_EQ(text->GetPos(), (zq::Point{textAt.x + 700, textAt.y - 400}));
  // Written inside the class and read back the same.
  const std::string saved = Save(diagram);
  EXPECT_LT(saved.find("<Class"), saved.find("<Anchor"));
  EXPECT_EQ(RoundTrip(saved), saved);
  Change([&](Core::Env& env) { a->Delete(env); });
  EXPECT_EQ(Count<Text::FreeText>(), 0u);
  EXPECT_EQ(Count<Text::Anchor>(), 0u);
  Undo();
  EXPECT_EQ(Save(diagram), saved);
}

TEST_F(Attached, AClassCopiedWithEverythingOnItPastesAsItWas) {
  Class::Class* a = NewClass({0, 5000});
  Change([&](Core::Env& env) {
    for (const wchar_t* name : {L"x: int", L"f()"}) {
      auto k = Compartment::Create(env, {0, 0});
      k->SetName(env, name);
      a->InsertCompartment(env, *k, nullptr, false);
    }
    a->SetName(env, L"Shape");
    a->SetAbstract(env, true);
    a->CreateTemplateParameters(env).SetName(env, L"T");
    Text::CreateAnchoredText(env, *a, {500, 5100}, L"{leaf}");
  });
  const std::string original = Save(diagram);
  Core::ModelElementSet selection;
  selection.Insert(a->shared_from_this());
  Core::TransferSet set(Registry());
  const Core::ModelElementSet copied = Core::CopyExtendSelection::Build(selection, diagram);
  for (const Core::ElementPtr& e : copied.Elements()) set.Insert(*e);
  Core::Diagram target{Registry(), nullptr};
  {
    Core::Transaction t(target);
    Core::Env env(t);
    set.Paste(env);
    env.Close();
  }
  auto pasted = [&] {
    for (const auto& e : target.Elements())
      if (auto* c = dynamic_cast<Class::Class*>(e.get())) return c;
    return static_cast<Class::Class*>(nullptr);
  }();
  ASSERT_NE(pasted, nullptr);
  EXPECT_EQ(pasted->GetName(), L"Shape");
  EXPECT_TRUE(pasted->IsAbstract());
  ASSERT_EQ(pasted->GetCompartmentCount(), 2);
  EXPECT_EQ(pasted->GetCompartment(1)->GetName(), L"f()");
  EXPECT_EQ(pasted->GetCompartment(1)->GetPrevious(), pasted->GetCompartment(0));
  ASSERT_NE(pasted->GetTemplateParameters(), nullptr);
  EXPECT_EQ(pasted->GetTemplateParameters()->GetName(), L"T");
  ASSERT_EQ(pasted->GetAnchors().size(), 1u);
  EXPECT_EQ(pasted->GetSize(), a->GetSize());
  // The class's element reads the same but for the object ids (the style goes by the paste's merge).
  const std::string copy = Save(target);
  EXPECT_EQ(RoundTrip(copy), copy);
  EXPECT_EQ(ClassElement(copy), ClassElement(original));
}

}  // namespace
