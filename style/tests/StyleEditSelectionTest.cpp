// The undo steps of a "Diagram Style" edit and of a style import put back the selection the view
// had when the step was made, wherever the user has clicked since.
#include "style/tests/StyleTestKinds.h"

#include "core/Selection.h"
#include "core/View.h"
#include "style/StyleEdit.h"

#include <gtest/gtest.h>

using namespace StyleTest;

namespace {

// A view whose elements can be selected.
class SelectingView : public Core::IView {
public:
    struct Element : Core::VISelectable {
        Element(Core::IView& v, Core::IModelElement& e) : Core::IViewElement(v, e) {}
        void Update(const Core::ViewUpdateContext*) override {}
    };
    std::shared_ptr<Core::IViewElement> CreateViewElement(Core::IModelElement& e) override {
        return std::make_shared<Element>(*this, e);
    }
    void UpdateView() override {}
};

class OneFace : public Style::ITypefaceList {
public:
    std::vector<std::wstring> Faces() const override { return {L"Arial"}; }
    std::wstring Substitute(const std::wstring&) const override { return L"Arial"; }
    bool Less(const std::wstring& a, const std::wstring& b) const override { return a < b; }
};

struct StyleStepSelection : ::testing::Test {
    Document doc;
    SelectingView view;
    OneFace faces;
    StyledBox* first = nullptr;
    StyledBox* second = nullptr;

    void SetUp() override {
        doc.Change([&](Core::Env& env) {
            first = &StyledBox::Create(env, Style::StyledKind::Note);
            second = &StyledBox::Create(env, Style::StyledKind::Note);
        });
        doc.diagram.AttachView(view);
    }
    void TearDown() override { doc.diagram.DetachView(view); }

    void Select(StyledBox& box) {
        Core::ModelElementSet set;
        set.Insert(box.weak_from_this().lock());
        view.ApplySelection(nullptr, set);
    }
    bool Selected(StyledBox& box) const {
        const Core::ModelElementSet selection = view.GetSelection();
        const auto& selected = selection.Elements();
        return selected.size() == 1 && selected.front().get() == &box;
    }
    void Step(bool undo) {
        Core::SelectionTracker tracker(&view);
        if (undo) doc.diagram.GetUndoHandler().Undo(&view, &tracker);
        else doc.diagram.GetUndoHandler().Redo(&view, &tracker);
    }
    // Undo and Redo of the last step, each after the user selected the other box.
    void ExpectBothWaysReselect(StyledBox& during, StyledBox& other) {
        Select(other);
        Step(true);
        EXPECT_TRUE(Selected(during));
        Select(other);
        Step(false);
        EXPECT_TRUE(Selected(during));
    }
};

TEST_F(StyleStepSelection, UndoAndRedoOfAStyleEditReselectWhatWasSelected)
{
    Select(*first);
    const std::size_t steps = doc.diagram.GetUndoHandler().GetUndoCount();
    {
        Style::StyleEditSession session(doc.diagram, faces, false, &view);
        ASSERT_NE(session.GetHierarchy(), nullptr);
        for (const Style::PropertyEntry& e : session.GetHierarchy()->entries)
            if (auto* size = dynamic_cast<Style::FontSizeProperty*>(e.value)) size->Type(L"14");
        session.OnOk();
        session.Finish();
    }
    ASSERT_EQ(doc.diagram.GetUndoHandler().GetUndoCount(), steps + 1);
    ExpectBothWaysReselect(*first, *second);
}

TEST_F(StyleStepSelection, UndoAndRedoOfAnImportReselectWhatWasSelected)
{
    Document source;
    source.Change([&](Core::Env& env) { StyledBox::Create(env, Style::StyledKind::Note); });
    source.Change([&](Core::Env& env) {
        source.GetStyle().GetRoot()->Find(Style::Names::Note())->GetFont()->SetSize(env, {false, 15.0});
    });
    Select(*second);
    Style::ImportStylesFromDocument(doc.diagram, source.Save(), &view);
    ASSERT_EQ(first->applied.size, 15);
    ExpectBothWaysReselect(*second, *first);
}

} // namespace
