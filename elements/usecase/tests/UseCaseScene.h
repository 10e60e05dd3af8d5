// A use case diagram in memory with helpers that run each change as one undo step, save, reload
// and check the invariants of containment and of the attached ends.
#pragma once

#include <string>

#include "elements/note/Dependency.h"
#include "elements/note/tests/HostScene.h"
#include "elements/usecase/Actor.h"
#include "elements/usecase/Association.h"
#include "elements/usecase/Generalization.h"
#include "elements/usecase/System.h"
#include "elements/usecase/UseCase.h"

namespace UseCaseTest {

using HostScene::All;
using HostScene::Doc;
using HostScene::Save;

inline const Core::FactoryRegistry& Registry() {
  static const Core::FactoryRegistry registry =
      HostScene::MakeRegistry({UseCase::ReportUseCaseFactories, Dependency::ReportDependencyFactories});
  return registry;
}

// Checks containment, the partner lists and the association rule; an empty text when they hold.
std::string CheckInvariants(const Core::Diagram& diagram);

struct Scene : HostScene::Scene {
  Scene() : HostScene::Scene(Registry()) {}

  template <class T>
  T* New(zq::Point at, zq::Point size = {0, 0}) {
    T* made = nullptr;
    Change([&](Core::Env& env) {
      made = T::Create(env, at).get();
      if (size.x > 0) made->SetRect(env, zq::Rect::FromPosSize(at, size.x, size.y));
    });
    return made;
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
  // Saves, reads the document into a new diagram and expects the same text back and the invariants to hold.
  void ExpectRoundTrip() { HostScene::Scene::ExpectRoundTrip(CheckInvariants); }
};

}  // namespace UseCaseTest
