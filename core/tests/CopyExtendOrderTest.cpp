// Copy extension on large random diagrams agrees with the plain definition: passes over the whole
// diagram in diagram order, each taking what is owned by a taken element or completely selected,
// until a pass takes nothing; including selection tests that read the whole selection, tests that
// ask other elements, owner chains against diagram order and elements taken from outside the diagram.
#include "core/CopyExtend.h"
#include "core/Diagram.h"
#include "core/Factory.h"
#include "core/Shift.h"
#include "core/Transaction.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

using namespace Core;

namespace {

// An element whose ownership, selection test and selection extension are set by the test.
class Tag : public IShiftable {
public:
    const std::wstring& GetTypeName() const override {
        static const std::wstring name = L"Tag";
        return name;
    }
    const xml::Namespace& GetNamespace() const override { return SchemaNamespace10(); }
    ElementPtr Clone() const override { return std::make_shared<Tag>(); }
    IModelElement* GetOwner() const override { return owner; }
    bool IsCopyable() const override { return copyable; }
    void ShiftImpl(Env&, IModelElement*, const ShiftVector&, DeferredShiftSet&, bool) override {}
    bool IsCompletelySelectedImp(const ModelElementSet& set) override {
        if (minimumSelection > 0) return set.Size() >= minimumSelection;
        if (needs.empty()) return set.Contains(this);
        for (IModelElement* n : needs)
            if (!(asks ? n->IsCompletelySelected(set) : set.Contains(n))) return false;
        return true;
    }
    void ExtendSelection(ExtendSelectionParam& param) override {
        if (shadow) param.Add(shadow.get());
        for (IModelElement* e : draws) param.Add(e);
    }

    IModelElement* owner = nullptr;
    bool copyable = true;
    std::vector<IModelElement*> needs;      // completely selected when all of these are
    bool asks = false;                      // asks the needed elements' own tests instead
    std::size_t minimumSelection = 0;       // completely selected when the selection is this large
    std::shared_ptr<Tag> shadow;            // an element outside the diagram taken along
    std::vector<IModelElement*> draws;      // diagram elements taken along
};

void ReferenceDrain(ExtendSelectionParam& param)
{
    IModelElement* e = nullptr;
    while (param.TakePending(e)) {
        ModelElementSet parts;
        e->CollectForSelection(parts);
        for (const ElementPtr& p : parts.Elements()) param.Add(p.get());
        if (IShiftable* s = e->GetShiftable()) s->ExtendSelection(param);
    }
}

// The plain definition, pass after pass.
ModelElementSet ReferenceBuild(const ModelElementSet& selection, const Diagram& diagram)
{
    ExtendSelectionParam param(&diagram);
    for (const ElementPtr& e : selection.Elements()) param.Add(e.get());
    ReferenceDrain(param);
    for (bool added = true; added;) {
        added = false;
        for (const ElementPtr& e : diagram.Elements()) {
            if (param.GetSet().Contains(e.get())) continue;
            IModelElement* owner = e->GetOwner();
            const bool owned = owner != nullptr && param.GetSet().Contains(owner);
            if ((owned || e->IsCompletelySelected(param.GetSet())) && param.Add(e.get()) == ExtendSelectionResult::Full) {
                ReferenceDrain(param);
                added = true;
            }
        }
    }
    std::unordered_map<const IModelElement*, bool> taken;
    for (const ElementPtr& e : param.GetSet().Elements()) taken[e.get()] = false;
    ModelElementSet result;
    for (const ElementPtr& e : diagram.Elements())
        if (auto it = taken.find(e.get()); it != taken.end()) {
            result.Insert(e);
            it->second = true;
        }
    for (const ElementPtr& e : param.GetSet().Elements())
        if (!taken[e.get()]) result.Insert(e);
    return result;
}

struct RandomDiagram {
    FactoryRegistry registry;
    Diagram diagram{registry, nullptr};
    std::vector<std::shared_ptr<Tag>> tags;

    explicit RandomDiagram(unsigned seed, std::size_t count = 400) {
        std::mt19937 random(seed);
        for (std::size_t i = 0; i < count; ++i) tags.push_back(std::make_shared<Tag>());
        auto any = [&] { return tags[random() % tags.size()].get(); };
        for (auto& t : tags) {
            const unsigned kind = random() % 10;
            if (kind < 3) t->owner = any();
            if (kind >= 3 && kind < 7) {
                for (unsigned n = 1 + random() % 3; n > 0; --n) t->needs.push_back(any());
                t->asks = random() % 3 == 0;
            }
            if (kind == 7 && random() % 4 == 0) t->minimumSelection = 5 + random() % 60;
            if (random() % 6 == 0) t->shadow = std::make_shared<Tag>();
            if (random() % 15 == 0) t->draws.push_back(any());
            t->copyable = random() % 25 != 0;
        }
        Transaction tr(diagram);
        Env env(tr);
        for (const auto& t : tags) env.Insert(t);
        env.Close();
    }
};

TEST(CopyExtendOrder, RandomDiagramsGiveTheSameElementsInTheSameOrderAsRepeatedPasses)
{
    for (unsigned seed = 1; seed <= 30; ++seed) {
        RandomDiagram d(seed);
        std::mt19937 random(seed * 977);
        ModelElementSet selection;
        for (unsigned n = 1 + random() % 8; n > 0; --n) selection.Insert(d.tags[random() % d.tags.size()]);
        const ModelElementSet expected = ReferenceBuild(selection, d.diagram);
        const ModelElementSet result = CopyExtendSelection::Build(selection, d.diagram);
        ASSERT_EQ(result.Elements(), expected.Elements()) << "seed " << seed;
    }
}

TEST(CopyExtendOrder, AnOwnerChainAgainstDiagramOrderIsTakenWholeWithItsOutsideElementsInPassOrder)
{
    RandomDiagram d(0, 0);
    std::vector<std::shared_ptr<Tag>> chain;
    for (int i = 0; i < 300; ++i) {
        auto t = std::make_shared<Tag>();
        t->owner = chain.empty() ? nullptr : chain.back().get();
        t->shadow = std::make_shared<Tag>();
        chain.push_back(t);
    }
    {
        Transaction tr(d.diagram);
        Env env(tr);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) env.Insert(*it);
        env.Close();
    }
    ModelElementSet selection;
    selection.Insert(chain.front());
    const ModelElementSet result = CopyExtendSelection::Build(selection, d.diagram);
    ASSERT_EQ(result.Size(), 600u);
    EXPECT_EQ(result.Elements(), ReferenceBuild(selection, d.diagram).Elements());
    for (std::size_t i = 0; i < chain.size(); ++i) {
        EXPECT_EQ(result.Elements()[i], chain[chain.size() - 1 - i]);  // diagram order
        EXPECT_EQ(result.Elements()[300 + i], chain[i]->shadow);        // the order they were taken
    }
}

TEST(CopyExtendOrder, AWatchedSetReportsMissesAndWholeReadsUntilItIsReleased)
{
    struct Recorder : ModelElementSet::Watcher {
        std::vector<const IModelElement*> missed;
        int whole = 0;
        void Missed(const IModelElement* e) override { missed.push_back(e); }
        void ReadWhole() override { ++whole; }
    } recorder;
    auto a = std::make_shared<Tag>();
    auto b = std::make_shared<Tag>();
    ModelElementSet set;
    set.Insert(a);
    set.Watch(&recorder);
    EXPECT_TRUE(set.Contains(a.get()));
    EXPECT_FALSE(set.Contains(b.get()));
    EXPECT_EQ(set.Size(), 1u);
    const ModelElementSet copy = set;  // a copy is not watched
    EXPECT_FALSE(copy.Contains(b.get()));
    set.Watch(nullptr);
    EXPECT_FALSE(set.Contains(b.get()));
    EXPECT_EQ(recorder.missed, (std::vector<const IModelElement*>{b.get()}));
    EXPECT_GE(recorder.whole, 1);
}

} // namespace
