// Element styles: renaming carries the elements along, clearing and deleting drop the references,
// and a changed style updates the views of the elements that carry it.
#include "style/tests/StyleTestKinds.h"

#include "core/View.h"

#include <gtest/gtest.h>

using namespace StyleTest;

namespace {

// A view whose view elements count their updates.
class CountingView : public Core::IView {
public:
    struct Counter : Core::IViewElement {
        Counter(Core::IView& v, Core::IModelElement& e) : Core::IViewElement(v, e) {}
        void Update(const Core::ViewUpdateContext*) override { ++updates; }
        int updates = 0;
    };
    std::shared_ptr<Core::IViewElement> CreateViewElement(Core::IModelElement& e) override {
        return std::make_shared<Counter>(*this, e);
    }
    void UpdateView() override {}
    static int UpdatesOf(const Core::IModelElement& e, const Core::IView& view) {
        return static_cast<Counter*>(e.FindViewElement(view))->updates;
    }
};

struct ElementStyles : ::testing::Test {
    Document doc;
    StyledBox* warm = nullptr;
    StyledBox* other = nullptr;
    Style::ElementStyle* style = nullptr;

    void SetUp() override {
        doc.Change([&](Core::Env& env) {
            warm = &StyledBox::Create(env, Style::StyledKind::Class);
            warm->SetElementStyle(env, L"Warm");
            other = &StyledBox::Create(env, Style::StyledKind::Note);
            other->SetElementStyle(env, L"warm");
            const zq::Color c(250, 200, 100);
            style = &AddElementStyle(env, doc.GetStyle(), L"Warm", &c);
        });
    }
};

TEST_F(ElementStyles, RenameCarriesTheElementsThatUseTheStyle)
{
    doc.Change([&](Core::Env& env) { style->Rename(env, L"Hot"); });
    EXPECT_EQ(style->GetName(), L"Hot");
    EXPECT_EQ(warm->GetElementStyle(), L"Hot");
    EXPECT_EQ(other->GetElementStyle(), L"warm");  // names are compared exactly
    EXPECT_NE(Style::ElementStyleFill(*warm).GetColor(), nullptr);
    doc.diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(style->GetName(), L"Warm");
    EXPECT_EQ(warm->GetElementStyle(), L"Warm");
}

TEST_F(ElementStyles, ClearingAndDeletingDropTheStyle)
{
    doc.Change([&](Core::Env& env) { style->ClearReferences(env); });
    EXPECT_EQ(warm->GetElementStyle(), L"");
    EXPECT_EQ(other->GetElementStyle(), L"warm");
    doc.Change([&](Core::Env& env) { style->Delete(env); });
    EXPECT_TRUE(style->IsDeleted());
    EXPECT_EQ(doc.GetStyle().FindElementStyle(L"Warm"), nullptr);
    EXPECT_TRUE(doc.GetStyle().GetElementStyles().empty());
    doc.diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(doc.GetStyle().FindElementStyle(L"Warm"), style);
}

TEST_F(ElementStyles, ColourChangesAndTheNoColourFlag)
{
    zq::Color c;
    doc.Change([&](Core::Env& env) { style->SetFillColor(env, nullptr); });
    EXPECT_FALSE(style->GetFillColor(c));
    EXPECT_EQ(Style::ElementStyleFill(*warm).GetColor(), nullptr);
    const zq::Color blue(0, 0, 255);
    doc.Change([&](Core::Env& env) { style->SetFillColor(env, &blue); });
    ASSERT_TRUE(style->GetFillColor(c));
    EXPECT_EQ(c, blue);
    doc.diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_FALSE(style->GetFillColor(c));
}

TEST_F(ElementStyles, DependantsUpdateTheirViews)
{
    CountingView view;
    doc.diagram.AttachView(view);
    const int warmBefore = CountingView::UpdatesOf(*warm, view);
    const int otherBefore = CountingView::UpdatesOf(*other, view);
    style->UpdateDependants(doc.diagram);
    EXPECT_EQ(CountingView::UpdatesOf(*warm, view), warmBefore + 1);
    EXPECT_EQ(CountingView::UpdatesOf(*other, view), otherBefore);
    doc.diagram.DetachView(view);
}

} // namespace
