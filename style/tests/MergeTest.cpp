// Merging the style a paste brings into the document's own style.
#include "style/tests/StyleTestKinds.h"

#include "core/UndoHandler.h"

#include <gtest/gtest.h>

using namespace StyleTest;
using Style::Directory;
namespace Names = Style::Names;

namespace {

struct Merge : ::testing::Test {
    Document source;
    Document target;
    void SetUp() override { Registry(); }

    // Copies the boxes with their style out of the document, as a copy of a selection does.
    std::unique_ptr<Core::TransferSet> Copy(Document& from, std::vector<StyledBox*> boxes) {
        Core::ModelElementSet selection;
        for (StyledBox* b : boxes) b->CollectForSelection(selection);
        from.GetStyle().CollectForSelection(selection);
        auto set = std::make_unique<Core::TransferSet>(Registry());
        selection.ForEach([&](Core::IModelElement& e) { set->Insert(e); });
        return set;
    }
    std::vector<StyledBox*> Paste(Document& into, const Core::TransferSet& set) {
        std::vector<StyledBox*> pasted;
        into.Change([&](Core::Env& env) {
            set.Paste(env).pasted.ForEach([&](Core::IModelElement& e) {
                if (auto* b = dynamic_cast<StyledBox*>(&e)) pasted.push_back(b);
            });
        });
        return pasted;
    }
    StyledBox& Add(Document& d, Style::StyledKind kind) {
        StyledBox* box = nullptr;
        d.Change([&](Core::Env& env) { box = &StyledBox::Create(env, kind); });
        return *box;
    }
    static std::size_t StyleCount(const Document& d) {
        std::size_t n = 0;
        for (const auto& e : d.diagram.Elements()) n += dynamic_cast<Style::Style*>(e.get()) != nullptr;
        return n;
    }
    static Style::Font* FontOf(const Document& d, const Style::DirectoryName& name) {
        Directory* dir = d.GetStyle().GetRoot()->Find(name);
        return dir ? dir->GetFont() : nullptr;
    }
    void AddElementStyle(Document& d, const wchar_t* name, zq::Color color) {
        d.Change([&](Core::Env& env) { StyleTest::AddElementStyle(env, d.GetStyle(), name, &color); });
    }
};

TEST_F(Merge, PasteInsideOneDocumentOnlySwitchesTheStyle)
{
    StyledBox& box = Add(target, Style::StyledKind::Class);
    const std::string before = target.Save();
    auto set = Copy(target, {&box});
    auto pasted = Paste(target, *set);
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(StyleCount(target), 1u);
    EXPECT_EQ(pasted[0]->GetStyle(), &target.GetStyle());
    EXPECT_EQ(pasted[0]->restyled, 0);
    // The document's style is written exactly as before.
    const std::string after = target.Save();
    EXPECT_EQ(after.substr(0, after.find("<StyledBox")), before.substr(0, before.find("<StyledBox")));
}

TEST_F(Merge, SizeOfTheSourceNeverOverwritesTheTarget)
{
    StyledBox& from = Add(source, Style::StyledKind::Class);
    Add(target, Style::StyledKind::Class);
    source.Change([&](Core::Env& env) { FontOf(source, Names::Class())->SetSize(env, {false, 14}); });
    target.Change([&](Core::Env& env) { FontOf(target, Names::Class())->SetSize(env, {false, 8}); });
    auto pasted = Paste(target, *Copy(source, {&from}));
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(FontOf(target, Names::Class())->GetSizeText(), L"8");
    EXPECT_EQ(pasted[0]->GetStyle(), &target.GetStyle());
    EXPECT_GE(pasted[0]->restyled, 1);
    EXPECT_EQ(pasted[0]->applied.size, 8);
    EXPECT_EQ(StyleCount(target), 1u);
}

TEST_F(Merge, PasteBringsOnlyTheDirectoriesAndElementStylesUsed)
{
    StyledBox& useCase = Add(source, Style::StyledKind::UseCase);
    Add(source, Style::StyledKind::Actor);
    Add(source, Style::StyledKind::System);
    source.Change([&](Core::Env& env) {
        FontOf(source, Names::UseCase())->SetTexts(env, L"Courier New", L"13", L"0");
        useCase.SetElementStyle(env, L"Warn");
    });
    AddElementStyle(source, L"Warn", {255, 0, 0});
    AddElementStyle(source, L"Unused", {0, 0, 255});
    AddElementStyle(source, L"Both", {1, 2, 3});
    Add(target, Style::StyledKind::Class);
    AddElementStyle(target, L"Both", {9, 9, 9});
    const std::string before = target.Save();
    const std::size_t countBefore = target.diagram.GetElementCount();

    Paste(target, *Copy(source, {&useCase}));
    ASSERT_NE(FontOf(target, Names::UseCaseDiagram()), nullptr);
    ASSERT_NE(FontOf(target, Names::UseCase()), nullptr);
    EXPECT_TRUE(FontOf(target, Names::UseCase())->Equals(*FontOf(source, Names::UseCase())));
    EXPECT_TRUE(FontOf(target, Names::UseCaseDiagram())->Equals(*FontOf(source, Names::UseCaseDiagram())));
    EXPECT_EQ(target.GetStyle().GetRoot()->Find(Names::Actor()), nullptr);
    EXPECT_EQ(target.GetStyle().GetRoot()->Find(Names::System()), nullptr);
    zq::Color c;
    ASSERT_NE(target.GetStyle().FindElementStyle(L"Warn"), nullptr);
    EXPECT_TRUE(target.GetStyle().FindElementStyle(L"Warn")->GetFillColor(c));
    EXPECT_EQ(c, zq::Color(255, 0, 0));
    EXPECT_EQ(target.GetStyle().FindElementStyle(L"Unused"), nullptr);
    EXPECT_TRUE(target.GetStyle().FindElementStyle(L"Both")->GetFillColor(c));
    EXPECT_EQ(c, zq::Color(9, 9, 9));
    EXPECT_EQ(StyleCount(target), 1u);

    // One undo takes the paste back with everything it added.
    target.diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(target.GetStyle().GetRoot()->Find(Names::UseCaseDiagram()), nullptr);
    EXPECT_EQ(target.GetStyle().FindElementStyle(L"Warn"), nullptr);
    EXPECT_EQ(target.diagram.GetElementCount(), countBefore);
    EXPECT_EQ(target.Save(), before);
    target.diagram.GetUndoHandler().Redo(nullptr, nullptr);
    EXPECT_NE(target.GetStyle().GetRoot()->Find(Names::UseCase()), nullptr);
    EXPECT_EQ(StyleCount(target), 1u);
}

TEST_F(Merge, PasteWithoutStyleChangesNoStyle)
{
    StyledBox& box = Add(source, Style::StyledKind::Note);
    Add(target, Style::StyledKind::Class);
    const std::string before = target.Save();
    auto set = std::make_unique<Core::TransferSet>(Registry());
    set->Insert(box);
    auto pasted = Paste(target, *set);
    ASSERT_EQ(pasted.size(), 1u);
    const std::string after = target.Save();
    EXPECT_EQ(after.substr(0, after.find("<StyledBox")), before.substr(0, before.find("<StyledBox")));
    EXPECT_EQ(target.GetStyle().GetRoot()->Find(Names::Note()), nullptr);
}

TEST_F(Merge, TargetWithoutStyleGetsTheDefaultBeforeTheMerge)
{
    StyledBox& box = Add(source, Style::StyledKind::Note);
    source.Change([&](Core::Env& env) { FontOf(source, Style::DirectoryName::Base())->SetSize(env, {false, 20}); });
    auto pasted = Paste(target, *Copy(source, {&box}));
    ASSERT_EQ(pasted.size(), 1u);
    ASSERT_EQ(StyleCount(target), 1u);
    EXPECT_EQ(FontOf(target, Style::DirectoryName::Base())->GetSizeText(), L"11");
    EXPECT_EQ(FontOf(target, Names::Note())->GetSizeText(), L"9");
    EXPECT_EQ(pasted[0]->applied.size, 9);
    EXPECT_EQ(pasted[0]->GetStyle(), &target.GetStyle());
}

} // namespace
