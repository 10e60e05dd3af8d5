// What the host tests of every element family share: a diagram in memory changed in single undo
// steps, written as text and read back, with the kinds every diagram carries besides the family's
// own (notes, free texts, texts, styles). The families build on the note family, so it lives here.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "core/CopyExtend.h"
#include "core/Diagram.h"
#include "core/Registries.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "core/TransferSet.h"
#include "core/UndoHandler.h"
#include "elements/note/Note.h"
#include "style/Model.h"
#include "text/Text.h"
#include "text/free/Anchor.h"
#include "text/free/FreeText.h"
#include "text/tests/FixedMeasurer.h"
#include "view/connector/Creation.h"

namespace HostScene {

// A registry of the family's kinds, reported in turn, followed by the kinds every diagram carries.
inline Core::FactoryRegistry MakeRegistry(std::initializer_list<void (*)(Core::FactoryRegistry&)> reports) {
  Core::FactoryRegistry r;
  for (auto report : reports) report(r);
  Note::ReportNoteFactories(r);
  r.Register(Text::FreeText::Factory());
  r.Register(Text::Anchor::Factory());
  r.Register(TextBlock::Text::Factory());
  r.Register(Style::Style::Factory());
  Style::Style::ReportExtras(r);
  return r;
}

// A whole document around the body.
inline std::string Doc(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\">\n" +
         body + "</Diagram>\n";
}

// A whole document around the body as the writer writes it.
inline std::string WrittenDoc(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
         "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n" +
         body + "</Diagram>\n";
}

// The start tags inside the first element named tag, each as its name and id ("End r3"), in
// document order.
inline std::vector<std::string> InnerTags(const std::string& xml, const std::string& tag) {
  std::vector<std::string> tags;
  const std::size_t from = xml.find("<" + tag + " "), to = xml.find("</" + tag + ">", from);
  for (std::size_t at = xml.find('<', from + 1); at < to; at = xml.find('<', at + 1)) {
    if (xml[at + 1] == '/') continue;
    const std::size_t name = xml.find_first_of(" />", at), id = xml.find("id=\"", at);
    std::string t = xml.substr(at + 1, name - at - 1);
    if (id < xml.find('>', at)) t += " " + xml.substr(id + 4, xml.find('"', id + 4) - id - 4);
    tags.push_back(t);
  }
  return tags;
}

// The diagram's stored form.
inline std::string Save(const Core::Diagram& diagram) {
  std::ostringstream out;
  diagram.SaveXML(out);
  return out.str();
}

// The stored form of the document read into a new diagram of the registry.
inline std::string Reread(const Core::FactoryRegistry& registry, const std::string& xml) {
  Core::Diagram copy(registry, nullptr);
  copy.LoadXML(xml);
  return Save(copy);
}

// The message of the error of kind E that reading the document into a new diagram raises, or what
// happened instead ("read", or another error's kind and message).
template <class E>
std::string RefusalOf(const Core::FactoryRegistry& registry, const std::string& xml) {
  try {
    Core::Diagram copy(registry, nullptr);
    copy.LoadXML(xml);
  } catch (const E& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("another error (") + typeid(e).name() + "): " + e.what();
  }
  return "read";
}

// The live elements of a kind, in diagram order.
template <class T>
std::vector<T*> All(const Core::Diagram& diagram) {
  std::vector<T*> out;
  for (const auto& e : diagram.Elements())
    if (auto* t = dynamic_cast<T*>(e.get()); t && !e->IsDeleted()) out.push_back(t);
  return out;
}

// A connector of kind C along the points from source to target, its legs drawn orthogonal or oblique.
template <class C>
C* BuildPath(Core::Env& env, const std::vector<zq::float8Point>& points, Core::IModelElement* source,
             Core::IModelElement* target, bool orthogonal) {
  std::vector<Connector::PathEntry> path;
  for (const auto& p : points) path.push_back({p, orthogonal});
  return dynamic_cast<C*>(Connector::BuildPathConnector(env, C::PartFactory(), path, source, target, nullptr));
}

// A connector's path, each segment as its two end points (moved by the vector) and whether it is
// kept level (H) or plumb (V): "end 100 200, join 300 200, H".
inline std::vector<std::string> PathOf(const Connector::IConnector& c, double dx = 0, double dy = 0) {
  std::vector<std::string> path;
  for (Connector::ISegment* s : c.GetSegmentList()) {
    std::ostringstream line;
    for (Connector::ISegmentEnd* e : s->GetEndList())
      line << (dynamic_cast<Connector::IJoin*>(e) ? "join " : "end ") << e->GetPoint().x + dx << " "
           << e->GetPoint().y + dy << ", ";
    line << (s->IsHorizontalOrtho() ? "H" : "") << (s->IsVerticalOrtho() ? "V" : "");
    path.push_back(line.str());
  }
  return path;
}

// Expects the text laid out in the style's font: the size in points and the weight, face Arial.
inline void ExpectFont(const TextBlock::Text* text, double points, bool bold) {
  ASSERT_NE(text, nullptr);
  const TextBlock::TextStyle& used = text->GetRep().style;
  EXPECT_EQ(used.size, points);
  EXPECT_EQ(used.bold, bold);
  EXPECT_EQ(used.face, u"arial");
}

// A diagram of the registry measured by the fixed measurer, with the helpers every family's tests use.
struct Scene : ::testing::Test {
  const Core::FactoryRegistry& registry;
  Core::Diagram diagram;

  explicit Scene(const Core::FactoryRegistry& r) : registry(r), diagram(r, nullptr) {
    TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>());
  }

  // Runs the change as one undo step.
  void Change(const std::function<void(Core::Env&)>& f) {
    Core::Transaction t(diagram);
    Core::Env env(t);
    f(env);
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
  }
  void Undo() { diagram.GetUndoHandler().Undo(nullptr, nullptr); }
  void Redo() { diagram.GetUndoHandler().Redo(nullptr, nullptr); }
  // Moves the element by the vector as one step, as a drop does.
  void Move(Core::IModelElement& e, double dx, double dy) {
    Change([&](Core::Env& env) {
      Core::DeferredShiftSet set;
      e.Shift(env, nullptr, Core::ShiftVector{dx, dy, true, true}, set, false);
    });
  }
  void Resize(Core::IResizable& box, const zq::Rect& r) {
    Change([&](Core::Env& env) { box.SetRect(env, r); });
  }
  // Drags the east, west and south handles of the owner's compartment in turn, one step each, and
  // expects the owner to follow: its sides go with the compartment's and it grows downwards with
  // it. Answers the compartment's rectangle before the south handle.
  template <class Owner, class Compartment>
  zq::Rect ExpectCompartmentHandlesResizeOwner(Owner& owner, Compartment& c) {
    const zq::Rect box = owner.GetRect(), k = c.GetRect();
    Change([&](Core::Env& env) { c.SetRect(env, {k.left, k.top, k.right + 1500, k.bottom}, false); });
    EXPECT_EQ(zq::Rect(box.left, box.top, box.right + 1500, box.bottom), owner.GetRect());
    EXPECT_EQ(zq::Rect(k.left, k.top, k.right + 1500, k.bottom), c.GetRect());
    Change([&](Core::Env& env) { c.SetRect(env, {k.left - 700, k.top, k.right + 1500, k.bottom}, false); });
    EXPECT_EQ(zq::Rect(box.left - 700, box.top, box.right + 1500, box.bottom), owner.GetRect());
    EXPECT_EQ(owner.GetSize().x, c.GetSize().x);
    const zq::Rect wide = c.GetRect();
    Change([&](Core::Env& env) { c.SetRect(env, {wide.left, wide.top, wide.right, wide.bottom - 600}, false); });
    EXPECT_EQ(wide.Height() + 600, c.GetSize().y);
    EXPECT_EQ(box.Height() + 600, owner.GetSize().y);
    EXPECT_EQ(owner.GetRect().bottom, c.GetRect().bottom);
    return wide;
  }
  // Drags the north handle of the owner's compartment up, then its north-east and north-west
  // corners, then the north handle down past what the text needs, one step each, and expects the
  // owner's top and bottom to follow the compartment's: both grow upwards, their bottoms kept, and
  // a height the text cannot do with gives way at the dragged top. Undoes the four steps.
  template <class Owner, class Compartment>
  void ExpectCompartmentTopHandlesResizeOwner(Owner& owner, Compartment& c) {
    const zq::Rect box = owner.GetRect(), k = c.GetRect();
    const auto expect = [&](const zq::Rect& moved, const char* handle) {
      Change([&](Core::Env& env) { c.SetRect(env, moved, false); });
      EXPECT_EQ(moved, c.GetRect()) << handle;
      EXPECT_EQ(zq::Rect(box.left + moved.left - k.left, box.top + moved.top - k.top, box.right + moved.right - k.right,
                         box.bottom),
                owner.GetRect())
          << handle;
    };
    expect({k.left, k.top + 800, k.right, k.bottom}, "north");
    expect({k.left, k.top + 1200, k.right + 500, k.bottom}, "north-east");
    expect({k.left - 300, k.top + 1400, k.right + 500, k.bottom}, "north-west");
    const zq::Rect tall = c.GetRect(), high = owner.GetRect();
    Change([&](Core::Env& env) { c.SetRect(env, {tall.left, tall.bottom + 100, tall.right, tall.bottom}, false); });
    const zq::Rect shorter = c.GetRect();
    EXPECT_GT(shorter.Height(), 100) << "the text's height";
    EXPECT_LT(shorter.Height(), tall.Height());
    EXPECT_EQ(zq::Rect(tall.left, shorter.top, tall.right, tall.bottom), shorter);
    EXPECT_EQ(zq::Rect(high.left, high.top + shorter.top - tall.top, high.right, high.bottom), owner.GetRect());
    for (int i = 0; i < 4; ++i) Undo();
    EXPECT_EQ(box, owner.GetRect());
    EXPECT_EQ(k, c.GetRect());
  }
  // Copies the elements with what travels with them and pastes the copy moved by the vector as
  // one step, as Copy and Paste do; answers the pasted elements.
  Core::ModelElementSet CopyAndPaste(std::initializer_list<Core::IModelElement*> elements, double dx, double dy) {
    Core::ModelElementSet selection;
    for (Core::IModelElement* e : elements) selection.Insert(e->shared_from_this());
    Core::TransferSet set(registry);
    const Core::ModelElementSet copied = Core::CopyExtendSelection::Build(selection, diagram);
    for (const Core::ElementPtr& e : copied.Elements()) set.Insert(*e);
    Core::ModelElementSet pasted;
    Change([&](Core::Env& env) {
      pasted = set.Paste(env).pasted;
      Core::DeferredShiftSet shift(pasted, &diagram, nullptr);
      shift.ShiftAll(env, Core::ShiftVector{dx, dy, true, true});
      shift.ShiftDeferred(env);
    });
    return pasted;
  }
  // The pasted element of kind T (the first in diagram order).
  template <class T>
  static T* PastedOf(const Core::ModelElementSet& pasted) {
    for (const Core::ElementPtr& e : pasted.Elements())
      if (auto* t = dynamic_cast<T*>(e.get())) return t;
    return nullptr;
  }

  // A connector of kind C along the points from source to target as one step.
  template <class C>
  C* Path(const std::vector<zq::float8Point>& points, Core::IModelElement* source = nullptr,
          Core::IModelElement* target = nullptr, bool orthogonal = true) {
    C* c = nullptr;
    Change([&](Core::Env& env) { c = BuildPath<C>(env, points, source, target, orthogonal); });
    return c;
  }

  // The stored form of this diagram, or of another.
  std::string Save() const { return HostScene::Save(diagram); }
  static std::string Save(const Core::Diagram& other) { return HostScene::Save(other); }
  // Reads the saved document into the diagram and answers that diagram's saved form.
  std::string ReadBack(Core::Diagram& into) const {
    into.LoadXML(Save());
    return Save(into);
  }
  // Saves, reads the document into a new diagram and expects the same text back and the check
  // (an empty text when the invariants hold) to pass on it.
  void ExpectRoundTrip(std::string (*check)(const Core::Diagram&)) {
    const std::string saved = Save();
    Core::Diagram loaded(registry, nullptr);
    loaded.LoadXML(saved);
    EXPECT_EQ(Save(loaded), saved);
    EXPECT_EQ(check(loaded), "");
  }
  // The live elements of a kind, and how many there are.
  template <class T>
  std::vector<T*> Live() const {
    return All<T>(diagram);
  }
  template <class T>
  std::size_t Count() const {
    return Live<T>().size();
  }
};

}  // namespace HostScene

