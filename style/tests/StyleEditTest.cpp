// The "Diagram Style" edit: value models, the editor's tree, commits as one undo step, deleting
// unused directories, and importing the styles of another document.
#include "style/tests/StyleTestKinds.h"

#include "style/Exceptions.h"
#include "style/StyleEdit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

using namespace StyleTest;
using Style::EnumProperty;
using Style::FontSizeProperty;
using Style::PropertyEditorHierarchy;
namespace Names = Style::Names;

namespace {

// Installed faces sorted case-sensitively; every missing face is substituted by "Arial".
class InstalledFaces : public Style::ITypefaceList {
public:
    std::vector<std::wstring> Faces() const override { return {L"Arial", L"Courier New", L"Times New Roman"}; }
    std::wstring Substitute(const std::wstring&) const override { return L"Arial"; }
    bool Less(const std::wstring& a, const std::wstring& b) const override { return a < b; }
};

PropertyEditorHierarchy* FindNode(PropertyEditorHierarchy* node, const std::wstring& caption)
{
    if (!node) return nullptr;
    if (node->caption == caption) return node;
    for (auto& child : node->children)
        if (auto* found = FindNode(child.get(), caption)) return found;
    return nullptr;
}

template <class T>
T& ValueOf(PropertyEditorHierarchy* node, const std::wstring& row)
{
    EXPECT_NE(node, nullptr);
    auto it = std::find_if(node->entries.begin(), node->entries.end(), [&](auto& e) { return e.caption == row; });
    EXPECT_NE(it, node->entries.end());
    return dynamic_cast<T&>(*it->value);
}

struct StyleEdit : ::testing::Test {
    Document doc;
    InstalledFaces faces;
    void SetUp() override { Registry(); }

    StyledBox& Add(Style::StyledKind kind) {
        StyledBox* box = nullptr;
        doc.Change([&](Core::Env& env) { box = &StyledBox::Create(env, kind); });
        return *box;
    }
    Style::Font* FontOf(const Style::DirectoryName& name) {
        Style::Directory* d = doc.GetStyle().GetRoot()->Find(name);
        return d ? d->GetFont() : nullptr;
    }
    std::size_t UndoCount() { return doc.diagram.GetUndoHandler().GetUndoCount(); }
    void Undo() { doc.diagram.GetUndoHandler().Undo(nullptr, nullptr); }
};

TEST(StyleValues, RootOffersNoInheritsAndShowsTheBaseSizeForAnInheritedSize)
{
    FontSizeProperty root({true, 11}, true);
    EXPECT_EQ(root.Items().front(), L"8");
    EXPECT_EQ(root.GetText(), L"11");
    EXPECT_EQ(root.Selection(), 3);
    EnumProperty bold({L"No", L"Yes"}, {true, 0}, true);
    EXPECT_EQ(bold.Items().size(), 2u);
    EXPECT_EQ(bold.GetText(), L"No");

    FontSizeProperty child({true, 0}, false);
    EXPECT_EQ(child.Items().front(), Style::kInheritsText);
    EXPECT_EQ(child.GetText(), Style::kInheritsText);
    EXPECT_EQ(child.Selection(), 0);
}

TEST(StyleValues, TypedSizesParseAndClampAndOnlyRealChangesMarkTheValue)
{
    FontSizeProperty size({false, 10}, false);
    size.Type(L"abc");
    size.Type(L"12x");
    size.Type(L"");
    EXPECT_EQ(size.GetValue().size, 10);
    EXPECT_FALSE(size.IsChanged());
    size.Type(L"10");
    EXPECT_FALSE(size.IsChanged());
    size.Type(L"5000");
    EXPECT_EQ(size.GetValue().size, 1000);
    size.Type(L"0");
    EXPECT_EQ(size.GetValue().size, 1);
    size.Type(L"99999999999999999999");
    EXPECT_EQ(size.GetValue().size, 1000);
    EXPECT_TRUE(size.IsChanged());
    size.Type(L"13");
    EXPECT_EQ(size.Selection(), -1);
    EXPECT_EQ(size.EditText(), L"13");
    size.Choose(5);  // the list below "<inherits>": 8 9 10 11 12
    EXPECT_EQ(size.GetValue().size, 12);
    size.Choose(0);
    EXPECT_TRUE(size.GetValue().inherited);
}

TEST(StyleValues, ChoicesMapThroughInheritsAndClampToTheLastChoice)
{
    EnumProperty value({L"a", L"b", L"c"}, {false, 1}, false);
    EXPECT_EQ(value.Selection(), 2);
    value.Choose(2);
    EXPECT_FALSE(value.IsChanged());
    value.Choose(9);
    EXPECT_EQ(value.GetValue().index, 2);
    EXPECT_TRUE(value.IsChanged());
    value.Choose(0);
    EXPECT_TRUE(value.GetValue().inherited);
    EXPECT_EQ(value.GetText(), Style::kInheritsText);
    EnumProperty empty({}, {false, 3}, true);
    EXPECT_EQ(empty.GetText(), Style::kInvalidText);
}

TEST_F(StyleEdit, MissingTypefaceIsOfferedOnceInSortedPlaceAndKeptUnlessChanged)
{
    Add(Style::StyledKind::Note);
    doc.Change([&](Core::Env& env) { FontOf(Names::Note())->SetTexts(env, L"Bodoni", L"9", L"0"); });
    {
        Style::StyleEditSession session(doc.diagram, faces);
        auto& face = ValueOf<EnumProperty>(FindNode(session.GetHierarchy(), L"Note"), L"Typeface");
        ASSERT_EQ(face.GetChoices().size(), 4u);
        EXPECT_EQ(face.GetChoices()[1], L"Bodoni (not installed, substituted with Arial)");
        EXPECT_EQ(face.GetText(), face.GetChoices()[1]);
        ValueOf<FontSizeProperty>(FindNode(session.GetHierarchy(), L"Note"), L"Size").Type(L"14");
        session.OnOk();
        session.Finish();
    }
    EXPECT_EQ(FontOf(Names::Note())->GetTypefaceText(), L"Bodoni");
    EXPECT_EQ(FontOf(Names::Note())->GetSize().value, 14);
}

TEST_F(StyleEdit, RowsAndChoicesUseTheGivenWords)
{
    Add(Style::StyledKind::Note);
    doc.Change([&](Core::Env& env) { FontOf(Names::Note())->SetTexts(env, L"Bodoni", L"", L""); });
    Style::PropertyTexts words;
    words.typeface = L"Schrift";
    words.size = L"Grad";
    words.bold = L"Fett";
    words.substituted = L"%2 statt %1";
    words.yes = L"Ja";
    words.no = L"Nein";
    words.inherits = L"<erbt>";
    words.invalid = L"## Leer ##";
    Style::StyleEditSession session(doc.diagram, faces, false, nullptr, words);
    PropertyEditorHierarchy* note = FindNode(session.GetHierarchy(), L"Note");
    ASSERT_NE(note, nullptr);
    std::vector<std::wstring> rows;
    for (const Style::PropertyEntry& e : note->entries) rows.push_back(e.caption);
    EXPECT_EQ(rows, (std::vector<std::wstring>{L"Font", L"Schrift", L"Grad", L"Fett"}));
    EXPECT_EQ(ValueOf<EnumProperty>(note, L"Schrift").GetText(), L"Arial statt Bodoni");
    EXPECT_EQ(ValueOf<EnumProperty>(note, L"Fett").Items(), (std::vector<std::wstring>{L"<erbt>", L"Nein", L"Ja"}));
    EXPECT_EQ(ValueOf<FontSizeProperty>(note, L"Grad").GetText(), L"<erbt>");
    EXPECT_EQ(EnumProperty({}, {false, 0}, true, words).GetText(), L"## Leer ##");
}

TEST_F(StyleEdit, OpeningWithoutStyleAndCancellingLeavesNoStyleAndNoUndoStep)
{
    const std::size_t before = UndoCount();
    {
        Style::StyleEditSession session(doc.diagram, faces);
        ASSERT_NE(session.GetHierarchy(), nullptr);
        EXPECT_EQ(session.GetHierarchy()->caption, L"Base");
        ASSERT_NE(Style::Style::Find(doc.diagram), nullptr);
        session.OnCancel();
        session.Finish();
    }
    EXPECT_EQ(Style::Style::Find(doc.diagram), nullptr);
    EXPECT_EQ(UndoCount(), before);
}

TEST_F(StyleEdit, ApplyTwiceThenOkKeepsLastValuesAsOneUndoStepAndRestylesClasses)
{
    StyledBox& box = Add(Style::StyledKind::Class);
    const std::string original = doc.Save();
    const std::size_t before = UndoCount();
    {
        Style::StyleEditSession session(doc.diagram, faces);
        auto& size = ValueOf<FontSizeProperty>(FindNode(session.GetHierarchy(), L"Class"), L"Size");
        size.Type(L"20");
        session.OnApply();
        EXPECT_EQ(box.ResolvedFont().size, 20);
        size.Type(L"16");
        session.OnApply();
        session.OnOk();
        session.Finish();
    }
    EXPECT_EQ(FontOf(Names::Class())->GetSize().value, 16);
    EXPECT_EQ(box.applied.size, 16);
    EXPECT_EQ(UndoCount(), before + 1);
    Undo();
    EXPECT_EQ(doc.Save(), original);
    EXPECT_EQ(box.ResolvedFont().size, 11);
}

TEST_F(StyleEdit, ApplyThenCancelRevertsAndApplyThenCloseKeeps)
{
    Add(Style::StyledKind::Note);
    const std::string original = doc.Save();
    const std::size_t before = UndoCount();
    for (bool cancel : {true, false}) {
        Style::StyleEditSession session(doc.diagram, faces);
        ValueOf<EnumProperty>(FindNode(session.GetHierarchy(), L"Note"), L"Bold").Choose(2);
        session.OnApply();
        if (cancel) session.OnCancel();
        session.Finish();
        if (cancel) {
            EXPECT_EQ(doc.Save(), original);
            EXPECT_EQ(UndoCount(), before);
        }
    }
    EXPECT_TRUE(FontOf(Names::Note())->GetBold().value);
    EXPECT_EQ(UndoCount(), before + 1);
}

TEST_F(StyleEdit, AnErrorLeavingTheCommandRevertsTheAppliedEdit)
{
    Add(Style::StyledKind::Note);
    const std::string original = doc.Save();
    {
        Style::StyleEditSession session(doc.diagram, faces);
        ValueOf<FontSizeProperty>(FindNode(session.GetHierarchy(), L"Note"), L"Size").Type(L"30");
        session.OnApply();
    }  // no Finish: the command was left by an exception
    EXPECT_EQ(doc.Save(), original);
}

TEST_F(StyleEdit, UnusedDirectoriesAreMarkedAndDeletedOnlyByOk)
{
    StyledBox& note = Add(Style::StyledKind::Note);
    Add(Style::StyledKind::Class);
    doc.Change([&](Core::Env& env) { note.Delete(env); });
    for (bool ok : {false, true}) {
        Style::StyleEditSession session(doc.diagram, faces);
        EXPECT_EQ(session.GetHierarchy()->caption, L"Base");
        EXPECT_NE(FindNode(session.GetHierarchy(), L"Note (unused)"), nullptr);
        EXPECT_NE(FindNode(session.GetHierarchy(), L"Class"), nullptr);
        EXPECT_TRUE(session.OnToggleDeleteUnused());
        if (ok) session.OnOk();
        else session.OnApply();
        session.Finish();
        EXPECT_EQ(doc.GetStyle().GetRoot()->Find(Names::Note()) == nullptr, ok);
    }
    EXPECT_NE(doc.GetStyle().GetRoot()->Find(Names::ClassHeader()), nullptr);
}

TEST_F(StyleEdit, InheritedRootSizeStaysInheritedAfterOk)
{
    Add(Style::StyledKind::Note);
    doc.Change([&](Core::Env& env) { FontOf(Style::DirectoryName::Base())->SetSize(env, {true, 0}); });
    Style::StyleEditSession session(doc.diagram, faces);
    auto& size = ValueOf<FontSizeProperty>(session.GetHierarchy(), L"Size");
    EXPECT_EQ(size.GetText(), L"11");
    session.OnOk();
    session.Finish();
    EXPECT_TRUE(FontOf(Style::DirectoryName::Base())->GetSize().inherited);
}

TEST_F(StyleEdit, ReadOnlyDocumentShowsStylesButNeverWrites)
{
    Style::StyleEditSession none(doc.diagram, faces, true);
    EXPECT_EQ(none.GetHierarchy(), nullptr);
    EXPECT_EQ(Style::Style::Find(doc.diagram), nullptr);

    Add(Style::StyledKind::Note);
    const std::string original = doc.Save();
    Style::StyleEditSession session(doc.diagram, faces, true);
    EXPECT_FALSE(session.CanCommit());
    ValueOf<FontSizeProperty>(FindNode(session.GetHierarchy(), L"Note"), L"Size").Type(L"40");
    session.OnOk();
    session.Finish();
    EXPECT_EQ(doc.Save(), original);
}

struct Import : StyleEdit {
    std::string SourceWithNoteSize(int size) {
        Document source;
        source.Change([&](Core::Env& env) { StyledBox::Create(env, Style::StyledKind::Note); });
        source.Change([&](Core::Env& env) {
            source.GetStyle().GetRoot()->Find(Names::Note())->GetFont()->SetSize(env, {false, double(size)});
        });
        return source.Save();
    }
};

TEST_F(Import, NoteSizeOfTheOtherDocumentReachesEveryNoteAndUndoesInOneStep)
{
    StyledBox& a = Add(Style::StyledKind::Note);
    StyledBox& b = Add(Style::StyledKind::Note);
    const std::string original = doc.Save();
    const std::size_t before = UndoCount();
    Style::ImportStylesFromDocument(doc.diagram, SourceWithNoteSize(12));
    EXPECT_EQ(a.applied.size, 12);
    EXPECT_EQ(b.applied.size, 12);
    EXPECT_EQ(UndoCount(), before + 1);
    Undo();
    EXPECT_EQ(doc.Save(), original);
}

TEST_F(Import, DocumentWithoutStyleOrBrokenOrMissingFileChangesNothing)
{
    Add(Style::StyledKind::Note);
    const std::string original = doc.Save();
    const std::size_t before = UndoCount();
    EXPECT_THROW(Style::ImportStylesFromDocument(doc.diagram, StyleDocument("")), Style::Exceptions::NoStyleAvailable);
    EXPECT_THROW(Style::ImportStylesFromDocument(doc.diagram, "<Diagram"), Core::Exceptions::Base);
    EXPECT_THROW(Style::ImportStylesFromFile(doc.diagram, L"/nonexistent/dir/none.qvd"),
                 Style::Exceptions::ImportFileUnreadable);
    EXPECT_EQ(doc.Save(), original);
    EXPECT_EQ(UndoCount(), before);
}

TEST_F(Import, ReadsTheFileNamed)
{
    StyledBox& a = Add(Style::StyledKind::Note);
    const std::string path = ::testing::TempDir() + "style_import.qvd";
    std::ofstream(path, std::ios::binary) << SourceWithNoteSize(18);
    Style::ImportStylesFromFile(doc.diagram, std::wstring(path.begin(), path.end()));
    std::remove(path.c_str());
    EXPECT_EQ(a.applied.size, 18);
}

} // namespace
