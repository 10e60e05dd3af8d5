// Seeded random editing of use case diagrams: actors, use cases, systems and notes are made,
// moved, resized, renamed, connected, merged, deleted, undone and redone; after every step the
// invariants hold and the diagram reads back as it was written. A failure names its seed.
// QUORVEL_RANDOM_SEQUENCES sets the number of sequences, QUORVEL_RANDOM_SEED runs one.
#include "elements/usecase/tests/UseCaseScene.h"
#include "core/tests/RandomEditing.h"

#include <cstdlib>
#include <random>

namespace UseCaseTest {
namespace {

class Editor : public Scene {
 public:
  explicit Editor(std::uint32_t seed) : rng_(seed) {}
  void TestBody() override {}

  // One random edit; answers a short description.
  std::string Step() {
    switch (Pick(14)) {
      case 0: New<UseCase::Actor>(AnyPoint()); return "actor";
      case 1: case 2: New<UseCase::UseCase>(AnyPoint()); return "use case";
      case 3: New<UseCase::System>(AnyPoint(), {2000 + Pick(12) * 500, 2000 + Pick(12) * 500}); return "system";
      case 4: New<Note::Note>(AnyPoint()); return "note";
      case 5: return MoveSomething();
      case 6: return ResizeSomething();
      case 7: return Connect();
      case 8: return Rename();
      case 9: return MergeGeneralization();
      case 10: return DeleteSomething();
      case 11: Undo(); return "undo";
      case 12: Redo(); return "redo";
      default: return Connect();
    }
  }
  // Empty when the diagram is sound and reads back as written.
  std::string Check() {
    if (std::string broken = CheckInvariants(diagram); !broken.empty()) return broken + "\n" + Save(diagram);
    const std::string xml = Save(diagram);
    Core::Diagram copy(Registry(), nullptr);
    try {
      copy.LoadXML(xml);
    } catch (const std::exception& e) {
      return std::string("reading failed: ") + e.what() + "\n" + xml;
    }
    if (Save(copy) != xml) return "the document read back differs:\n" + xml + "\n---\n" + Save(copy);
    if (std::string broken = CheckInvariants(copy); !broken.empty()) return "read back: " + broken;
    return {};
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  zq::Point AnyPoint() { return {Pick(24) * 500, -Pick(24) * 500}; }
  template <class T>
  T* Any() {
    const std::vector<T*> all = All<T>(diagram);
    return all.empty() ? nullptr : all[Pick(int(all.size()))];
  }
  Core::IResizable* AnyBox() {
    std::vector<Core::IResizable*> boxes;
    for (auto* a : All<UseCase::Actor>(diagram)) boxes.push_back(a);
    for (auto* u : All<UseCase::UseCase>(diagram)) boxes.push_back(u);
    for (auto* s : All<UseCase::System>(diagram)) boxes.push_back(s);
    return boxes.empty() ? nullptr : boxes[Pick(int(boxes.size()))];
  }

  std::string MoveSomething() {
    Core::IModelElement* e = Pick(5) == 0 ? static_cast<Core::IModelElement*>(Any<Note::Note>()) : AnyBox();
    if (!e) return "no move";
    Move(*e, (Pick(9) - 4) * 500.0, (Pick(9) - 4) * 500.0);
    return "move";
  }
  std::string ResizeSomething() {
    Core::IResizable* box = AnyBox();
    if (!box) return "no resize";
    const zq::Point at = box->GetPos() + zq::Point((Pick(5) - 2) * 500, (Pick(5) - 2) * 500);
    Resize(*box, zq::Rect::FromPosSize(at, 300 + Pick(20) * 500, 300 + Pick(20) * 500));
    return "resize";
  }
  std::string Rename() {
    UseCase::UseCase* u = Any<UseCase::UseCase>();
    if (!u) return "no rename";
    Change([&](Core::Env& env) { u->SetName(env, std::wstring(1 + Pick(60), L'n')); });
    return "rename";
  }
  std::string Connect() {
    UseCase::UseCase* u = Any<UseCase::UseCase>();
    UseCase::UseCase* v = Any<UseCase::UseCase>();
    switch (Pick(3)) {
      case 0:
        if (UseCase::Actor* a = Any<UseCase::Actor>(); a && u) Associate(*a, *u);
        return "associate";
      case 1:
        if (u && v && u != v) Generalize(*u, *v);
        return "generalize";
      default:
        if (u && v && u != v) Depend(*u, *v);
        return "depend";
    }
  }
  std::string MergeGeneralization() {
    UseCase::UseCase* u = Any<UseCase::UseCase>();
    UseCase::GeneralizationSegment* s = Any<UseCase::GeneralizationSegment>();
    if (!u || !s) return "no merge";
    Generalize(*u, *s);
    return "merge";
  }
  std::string DeleteSomething() {
    std::vector<Core::IModelElement*> deletable;
    for (const auto& e : diagram.Elements())
      if (!e->IsDeleted() && dynamic_cast<Core::IDeletable*>(e.get()) && !dynamic_cast<TextBlock::Text*>(e.get()) &&
          !dynamic_cast<Connector::IConnectorElement*>(e.get()))
        deletable.push_back(e.get());
    if (deletable.empty()) return "no delete";
    Core::IModelElement* victim = deletable[Pick(int(deletable.size()))];
    Delete(*victim);
    return "delete";
  }

  std::mt19937 rng_;
};

}  // namespace

TEST(RandomUseCaseEditing, EveryStepKeepsTheInvariantsAndADocumentThatReadsBack) {
  RandomEditing::Run<Editor>(20, 30);
}

}  // namespace UseCaseTest
