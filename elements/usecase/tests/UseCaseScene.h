// A use case diagram in memory with helpers that run each change as one undo step, save, reload
// and check the invariants of containment and of the attached ends.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/Diagram.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "elements/note/Dependency.h"
#include "elements/note/Note.h"
#include "elements/usecase/Actor.h"
#include "elements/usecase/Association.h"
#include "elements/usecase/Generalization.h"
#include "elements/usecase/System.h"
#include "elements/usecase/UseCase.h"
#include "style/Model.h"
#include "text/free/Anchor.h"
#include "text/free/FreeText.h"
#include "text/tests/FixedMeasurer.h"
#include "view/connector/Creation.h"

namespace UseCaseTest {

inline const Core::FactoryRegistry& Registry() {
  static Core::FactoryRegistry registry = [] {
    Core::FactoryRegistry r;
    UseCase::ReportUseCaseFactories(r);
    Dependency::ReportDependencyFactories(r);
    Note::ReportNoteFactories(r);
    r.Register(Text::FreeText::Factory());
    r.Register(Text::Anchor::Factory());
    r.Register(TextBlock::Text::Factory());
    r.Register(Style::Style::Factory());
    Style::Style::ReportExtras(r);
    return r;
  }();
  return registry;
}

template <class T>
std::vector<T*> All(const Core::Diagram& diagram) {
  std::vector<T*> out;
  for (const auto& e : diagram.Elements())
    if (auto* t = dynamic_cast<T*>(e.get()); t && !e->IsDeleted()) out.push_back(t);
  return out;
}

inline std::string Save(const Core::Diagram& diagram) {
  std::ostringstream out;
  diagram.SaveXML(out);
  return out.str();
}

// A whole document around the body.
inline std::string Doc(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\">\n" +
         body + "</Diagram>\n";
}

// Checks containment, the partner lists and the association rule; an empty text when they hold.
std::string CheckInvariants(const Core::Diagram& diagram);

struct Scene : ::testing::Test {
  Scene() { TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>()); }

  void Change(const std::function<void(Core::Env&)>& f) {
    Core::Transaction t(diagram);
    Core::Env env(t);
    f(env);
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
  }
  void Undo() { diagram.GetUndoHandler().Undo(nullptr, nullptr); }
  void Redo() { diagram.GetUndoHandler().Redo(nullptr, nullptr); }

  template <class T>
  T* New(zq::Point at, zq::Point size = {0, 0}) {
    T* made = nullptr;
    Change([&](Core::Env& env) {
      made = T::Create(env, at).get();
      if (size.x > 0) made->SetRect(env, zq::Rect::FromPosSize(at, size.x, size.y));
    });
    return made;
  }
  void Resize(Core::IResizable& box, const zq::Rect& r) {
    Change([&](Core::Env& env) { box.SetRect(env, r); });
  }
  void Move(Core::IModelElement& e, double dx, double dy) {
    Change([&](Core::Env& env) {
      Core::DeferredShiftSet set;
      e.Shift(env, nullptr, Core::ShiftVector{dx, dy, true, true}, set, false);
    });
  }
  void Delete(Core::IModelElement& e) {
    Change([&](Core::Env& env) { dynamic_cast<Core::IDeletable&>(e).Delete(env); });
  }
  static zq::float8Point Centre(const Core::IResizable& box) {
    const zq::Rect r = box.GetRect();
    return {(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0};
  }
  // An association straight from the actor's centre to the use case's (none where refused).
  UseCase::Assoc* Associate(Core::IModelElement& from, Core::IModelElement& to) {
    UseCase::Assoc* a = nullptr;
    Change([&](Core::Env& env) {
      a = UseCase::CreateAssociation(env, {{CentreOf(from), false}, {CentreOf(to), false}}, from, to);
    });
    return a;
  }
  // A generalization from the specific use case to the general one.
  UseCase::Generalization* Generalize(UseCase::UseCase& special, Core::IModelElement& general) {
    Connector::IConnector* c = nullptr;
    Change([&](Core::Env& env) {
      static const Core::AttachFilter<UseCase::GeneralizationEnd> targets;
      c = Connector::BuildPathConnector(env, UseCase::Generalization::PartFactory(),
                                        {{Centre(special), false}, {CentreOf(general), false}}, &special, &general,
                                        &targets);
    });
    return dynamic_cast<UseCase::Generalization*>(c);
  }
  // A dependency (as extend and include make) from one use case to another.
  Dependency::Dependency* Depend(UseCase::UseCase& from, Core::IModelElement& to) {
    Connector::IConnector* c = nullptr;
    Change([&](Core::Env& env) {
      static const Core::Filter<UseCase::UseCase> targets;
      c = Connector::BuildPathConnector(env, Dependency::Dependency::PartFactory(),
                                        {{Centre(from), false}, {CentreOf(to), false}}, &from, &to, &targets);
    });
    return dynamic_cast<Dependency::Dependency*>(c);
  }
  static zq::float8Point CentreOf(Core::IModelElement& e) {
    zq::Rect r;
    dynamic_cast<Core::IPointable&>(e).GetBoundingRect(r);
    return {(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0};
  }
  // Saves, reads the document into a new diagram and expects the same text back.
  void ExpectRoundTrip() {
    const std::string saved = Save(diagram);
    Core::Diagram loaded(Registry(), nullptr);
    loaded.LoadXML(saved);
    EXPECT_EQ(Save(loaded), saved);
    EXPECT_EQ(CheckInvariants(loaded), "");
  }

  Core::Diagram diagram{Registry(), nullptr};
};

}  // namespace UseCaseTest
