// Copy extension: the three results of adding an element, and the selection a copy takes along
// (completely selected links, owned labels, nothing deleted or not copyable), in diagram order.
#include "core/CopyExtend.h"
#include "core/tests/SelectionTestKinds.h"

#include <gtest/gtest.h>

using namespace Core;
using namespace SelKinds;

namespace {

struct CopyExtending : ::testing::Test, Fixture {
    std::shared_ptr<Sheet> a = AddSheet(Box(0, 0, 1000, 1000));
    std::shared_ptr<Sheet> b = AddSheet(Box(5000, 0, 1000, 1000));
    std::shared_ptr<Sheet> c = AddSheet(Box(9000, 0, 1000, 1000));
    std::shared_ptr<Link> ab = AddLink(a.get(), b.get());
    std::shared_ptr<Link> bc = AddLink(b.get(), c.get());
    std::shared_ptr<Label> labelOfA = AddLabel(a.get());

    static ModelElementSet Set(std::initializer_list<ElementPtr> list) {
        ModelElementSet s;
        for (const auto& e : list) s.Insert(e);
        return s;
    }
};

TEST_F(CopyExtending, AddAnswersNoneForSkippedPartialForRepeatedFullForNewElements)
{
    std::shared_ptr<Fixed> fixed;
    {
        Transaction t(diagram);
        Env env(t);
        fixed = Fixed::Factory().CreateTyped(env);
        c->Delete(env);
        env.Close();
    }
    ExtendSelectionParam param(&diagram);
    EXPECT_EQ(param.Add(a.get()), ExtendSelectionResult::Full);
    EXPECT_EQ(param.Add(a.get()), ExtendSelectionResult::Partial);
    EXPECT_EQ(param.Add(c.get()), ExtendSelectionResult::None);      // deleted
    EXPECT_EQ(param.Add(fixed.get()), ExtendSelectionResult::None);  // not copyable
    EXPECT_EQ(param.Add(nullptr), ExtendSelectionResult::None);
    EXPECT_EQ(static_cast<int>(ExtendSelectionResult::Partial), 1);
    EXPECT_EQ(param.GetSet().Size(), 1u);
}

TEST_F(CopyExtending, BuildTakesCompletelySelectedLinksAndOwnedElementsInDiagramOrder)
{
    ModelElementSet result = CopyExtendSelection::Build(Set({b, a}), diagram);
    EXPECT_EQ(result.Elements(), (std::vector<ElementPtr>{a, b, ab, labelOfA}));
    result = CopyExtendSelection::Build(Set({c}), diagram);
    EXPECT_EQ(result.Elements(), (std::vector<ElementPtr>{c}));
    result = CopyExtendSelection::Build(Set({a, b, c}), diagram);
    EXPECT_EQ(result.Size(), 6u);
}

TEST_F(CopyExtending, BuildSkipsDeletedAndNonCopyableElementsOfTheSelection)
{
    std::shared_ptr<Fixed> fixed;
    {
        Transaction t(diagram);
        Env env(t);
        fixed = Fixed::Factory().CreateTyped(env);
        b->Delete(env);
        env.Close();
    }
    ModelElementSet result = CopyExtendSelection::Build(Set({a, b, fixed, ab}), diagram);
    EXPECT_EQ(result.Elements(), (std::vector<ElementPtr>{a, ab, labelOfA}));
}

TEST_F(CopyExtending, CompanionsAreWhatEveryCopyCarriesAndNoSelectionTakes)
{
    std::shared_ptr<Companion> kept, gone;
    {
        Transaction t(diagram);
        Env env(t);
        kept = Companion::Factory().CreateTyped(env);
        gone = Companion::Factory().CreateTyped(env);
        gone->Delete(env);
        env.Close();
    }
    EXPECT_EQ(CopyExtendSelection::Companions(diagram).Elements(), (std::vector<ElementPtr>{kept}));
    EXPECT_FALSE(CopyExtendSelection::Build(Set({a, b, c}), diagram).Contains(kept.get()));
}

} // namespace
