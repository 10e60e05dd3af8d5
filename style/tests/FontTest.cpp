// Directory names, the directories each kind creates with its presets, and font resolution.
#include "style/tests/StyleTestKinds.h"

#include "style/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace StyleTest;
using Style::Directory;
using Style::DirectoryName;
namespace Names = Style::Names;

namespace {

struct Fonts : ::testing::Test {
    Document doc;
    void SetUp() override { Registry(); }

    TextBlock::TextStyle Resolve(const DirectoryName& name, TextBlock::TextStyle start = {}) {
        doc.GetStyle().GetFont(name, start);
        return start;
    }
    Style::Font* FontOf(const DirectoryName& name) {
        Directory* d = doc.GetStyle().GetRoot()->Find(name);
        return d ? d->GetFont() : nullptr;
    }
    void Create(Style::StyledKind kind) {
        doc.Change([&](Core::Env& env) { StyledBox::Create(env, kind); });
    }
};

TEST_F(Fonts, ContainsFollowsTheParentChainByIdentity)
{
    EXPECT_TRUE(Names::ClassDiagram().Contains(Names::ClassHeader()));
    EXPECT_FALSE(Names::ClassDiagram().Contains(Names::ObjectHeader()));
    EXPECT_TRUE(Names::ClassHeader().Contains(Names::ClassHeader()));
    EXPECT_FALSE(Names::ClassHeader().Contains(Names::Class()));
    EXPECT_TRUE(DirectoryName::Base().Contains(Names::FreeText()));
}

TEST_F(Fonts, RegistryFindsNamesUnderTheirParentOnly)
{
    Style::RegisterAllDirectoryNames();
    auto& registry = Style::DirectoryNameRegistry::Instance();
    EXPECT_EQ(&registry.Find(1, L"Header", &Names::Object()), &Names::ObjectHeader());
    EXPECT_EQ(&registry.Find(1, L"Object", &Names::SequenceDiagram()), &Names::SequenceObject());
    EXPECT_THROW(registry.Find(1, L"Header", &Names::ClassDiagram()), Style::Exceptions::UnknownStyleDirectory);
    EXPECT_THROW(registry.Find(1, L"header", &Names::Class()), Style::Exceptions::UnknownStyleDirectory);
    EXPECT_TRUE(registry.Contains(Names::ConcurrentRegion()));
}

TEST_F(Fonts, HeaderInheritsThroughClassAndClassDiagramFromBase)
{
    Create(Style::StyledKind::Class);
    const TextBlock::TextStyle header = Resolve(Names::ClassHeader());
    EXPECT_EQ(header.size, 11);
    EXPECT_EQ(header.face, u"arial");
    EXPECT_TRUE(header.bold);
    EXPECT_FALSE(Resolve(Names::Class()).bold);
    doc.Change([&](Core::Env& env) { FontOf(Names::Class())->SetSize(env, {false, 14}); });
    EXPECT_EQ(Resolve(Names::ClassHeader()).size, 14);
    doc.Change([&](Core::Env& env) {
        FontOf(Names::Class())->SetSize(env, {true, 0});
        FontOf(Names::ClassDiagram())->SetSize(env, {false, 12});
    });
    EXPECT_EQ(Resolve(Names::ClassHeader()).size, 12);
}

TEST_F(Fonts, OwnCompleteFontIsUsedAlone)
{
    Create(Style::StyledKind::Note);
    doc.Change([&](Core::Env& env) {
        FontOf(Names::Note())->SetTexts(env, L"Courier New", L"7", L"1");
        FontOf(DirectoryName::Base())->SetTexts(env, L"Times", L"20", L"0");
    });
    const TextBlock::TextStyle note = Resolve(Names::Note());
    EXPECT_EQ(note.face, u"Courier New");
    EXPECT_EQ(note.size, 7);
    EXPECT_TRUE(note.bold);
}

TEST_F(Fonts, DirectoryWithoutFontStopsTheChain)
{
    doc.Change([&](Core::Env& env) {
        Style::Style& style = Style::Style::FindOrCreate(env);
        bool created = false;
        Directory& cd = style.GetRoot()->FindOrCreate(env, Names::ClassDiagram(), created);
        Directory& cls = cd.FindOrCreate(env, Names::Class(), created);
        Style::FontInit(env, Style::Font::Create(env, cls)).Inherit(7);
    });
    TextBlock::TextStyle start;
    start.size = 6.0;
    start.face = u"Arial";
    const TextBlock::TextStyle cls = Resolve(Names::Class(), start);
    EXPECT_EQ(cls.size, 6.0);
    EXPECT_EQ(cls.face, u"Arial");
    // A name the tree lacks, or a directory without font, leaves the record unchanged.
    start.italic = true;
    EXPECT_EQ(Resolve(Names::Note(), start), start);
    EXPECT_EQ(Resolve(Names::ClassDiagram(), start), start);
}

TEST_F(Fonts, UnusableSizeTextsCountAsInherited)
{
    Create(Style::StyledKind::Note);
    for (const wchar_t* bad : {L"abc", L"0", L"1001", L"-3", L"8pt", L"", L"nan", L"inf", L"1e400"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(bad)));
        doc.Change([&](Core::Env& env) { FontOf(Names::Note())->SetTexts(env, L"arial", bad, L"yes"); });
        EXPECT_TRUE(FontOf(Names::Note())->GetSize().inherited);
        EXPECT_TRUE(FontOf(Names::Note())->GetBold().inherited);
        const TextBlock::TextStyle note = Resolve(Names::Note());
        EXPECT_EQ(note.size, 11);
        EXPECT_FALSE(note.bold);
    }
    doc.Change([&](Core::Env& env) { FontOf(Names::Note())->SetTexts(env, L"arial", L"1000", L"1"); });
    EXPECT_EQ(Resolve(Names::Note()).size, 1000);
}

TEST_F(Fonts, KindsCreateTheirDirectoriesWithPresets)
{
    Create(Style::StyledKind::TemplateParameters);  // before any class: Class Diagram and Class get no preset
    Create(Style::StyledKind::Class);
    Create(Style::StyledKind::Note);
    Create(Style::StyledKind::FreeText);
    Create(Style::StyledKind::Association);
    auto texts = [&](const DirectoryName& n) {
        Style::Font* f = FontOf(n);
        return f ? f->GetTypefaceText() + L"|" + f->GetSizeText() + L"|" + f->GetBoldText() : std::wstring(L"none");
    };
    const std::wstring inh = Style::kInherit;
    EXPECT_EQ(texts(Names::TemplateParameters()), inh + L"|8|" + inh);
    EXPECT_EQ(texts(Names::Class()), inh + L"|" + inh + L"|" + inh);  // made by the walk, left alone after
    EXPECT_EQ(texts(Names::ClassHeader()), inh + L"|" + inh + L"|1");
    EXPECT_EQ(texts(Names::ClassAttachedText()), inh + L"|" + inh + L"|" + inh);
    EXPECT_EQ(texts(Names::Note()), inh + L"|9|0");
    EXPECT_EQ(texts(Names::FreeText()), inh + L"|10|0");
    EXPECT_EQ(texts(Names::Association()), inh + L"|" + inh + L"|1");
    EXPECT_EQ(texts(Names::MultiplicityRole()), inh + L"|" + inh + L"|0");
    EXPECT_EQ(Resolve(Names::TemplateParameters()).size, 8);
    EXPECT_FALSE(Resolve(Names::TemplateParameters()).bold);
    // Siblings stay sorted by name.
    const auto& nodes = doc.GetStyle().GetRoot()->Find(Names::Class())->GetNodes();
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[0]->GetDirectoryName().GetName(), L"Attached Text");
    EXPECT_EQ(nodes[1]->GetDirectoryName().GetName(), L"Header");
    EXPECT_EQ(nodes[2]->GetDirectoryName().GetName(), L"Template Parameters");
}

TEST_F(Fonts, EveryFontResolvesTheSameAfterSavingAndReopening)
{
    for (int k = int(Style::StyledKind::Class); k <= int(Style::StyledKind::FreeText); ++k)
        Create(Style::StyledKind(k));
    Create(Style::StyledKind::Class);
    std::vector<const DirectoryName*> names;
    std::function<void(const Directory&)> collect = [&](const Directory& d) {
        names.push_back(&d.GetDirectoryName());
        for (const Directory* c : d.GetNodes()) collect(*c);
    };
    collect(*doc.GetStyle().GetRoot());
    EXPECT_EQ(names.size(), 34u);
    std::map<const DirectoryName*, TextBlock::TextStyle> before;
    for (const DirectoryName* n : names) before[n] = Resolve(*n);

    Document reopened;
    reopened.Load(doc.Save());
    for (const DirectoryName* n : names) {
        TextBlock::TextStyle after;
        reopened.GetStyle().GetFont(*n, after);
        EXPECT_EQ(after, before[n]) << std::string(n->GetName().begin(), n->GetName().end());
    }
    // The reader gave the boxes their style.
    for (const auto& e : reopened.diagram.Elements()) {
        if (auto* box = dynamic_cast<StyledBox*>(e.get())) {
            EXPECT_EQ(box->GetStyle(), &reopened.GetStyle());
        }
    }
}

TEST_F(Fonts, ElementStyleFill)
{
    StyledBox* box = nullptr;
    doc.Change([&](Core::Env& env) {
        box = &StyledBox::Create(env, Style::StyledKind::Note);
        const zq::Color c(0x10, 0x20, 0x30);
        AddElementStyle(env, doc.GetStyle(), L"Warn", &c);
        AddElementStyle(env, doc.GetStyle(), L"Bare");
    });
    auto fillOf = [&](const wchar_t* name) {
        doc.Change([&](Core::Env& env) { box->SetElementStyle(env, name); });
        return Style::ElementStyleFill(*box);
    };
    const Style::ElementStyleFill warn = fillOf(L"Warn");
    ASSERT_NE(warn.GetColor(), nullptr);
    EXPECT_EQ(*warn.GetColor(), zq::Color(0x10, 0x20, 0x30));
    ASSERT_NE(warn.GetLineStyle(), nullptr);
    EXPECT_EQ(warn.GetLineStyle()->width, 1);
    EXPECT_EQ(warn.GetLineStyle()->systemColor, 0);
    EXPECT_EQ(warn.GetLineStyle()->value, 0x302010u);
    for (const wchar_t* none : {L"", L"Bare", L"Missing", L"warn"}) {
        const Style::ElementStyleFill fill = fillOf(none);
        EXPECT_EQ(fill.GetColor(), nullptr);
        EXPECT_EQ(fill.GetLineStyle(), nullptr);
    }
}

// Styling many elements in one go remembers resolved fonts; whatever changes the tree meanwhile
// must show in the next resolution, and undo afterwards must bring the old fonts back.
TEST_F(Fonts, AnOpenResolveScopeSeesEveryChangeMadeWhileItIsOpen)
{
    Create(Style::StyledKind::Class);
    Style::Style& style = doc.GetStyle();
    TextBlock::TextStyle unset;
    unset.size = 3;
    doc.Change([&](Core::Env& env) {
        const Style::ResolveScope scope(style);
        EXPECT_EQ(Resolve(Names::ClassHeader()).size, 11);
        FontOf(Names::ClassHeader())->SetSize(env, {false, 14});
        EXPECT_EQ(Resolve(Names::ClassHeader()).size, 14);
        FontOf(Names::Class())->SetTypeface(env, {false, L"courier"});
        EXPECT_EQ(Resolve(Names::ClassHeader()).face, u"courier");
        FontOf(Names::ClassHeader())->SetTexts(env, Style::kInherit, Style::kInherit, Style::kInherit);
        EXPECT_FALSE(Resolve(Names::ClassHeader()).bold);

        // A kind's directories made while open, and a kind's directory taken away and made again.
        EXPECT_EQ(Resolve(Names::ClassCompartment(), unset).size, 3);
        Style::CreateKindDirectories(env, style, Style::StyledKind::ClassCompartment);
        EXPECT_EQ(Resolve(Names::ClassCompartment(), unset).size, 8);
        Style::CreateKindDirectories(env, style, Style::StyledKind::Class);
        Directory* header = style.GetRoot()->Find(Names::ClassHeader());
        style.GetRoot()->Find(Names::Class())->RemoveNode(env, header);
        EXPECT_EQ(Resolve(Names::ClassHeader(), unset).size, 3);
        Style::CreateKindDirectories(env, style, Style::StyledKind::Class);
        EXPECT_TRUE(Resolve(Names::ClassHeader()).bold);
    });
    doc.diagram.GetUndoHandler().Undo(nullptr, nullptr);
    const Style::ResolveScope after(style);
    EXPECT_EQ(Resolve(Names::ClassHeader()).size, 11);
    EXPECT_EQ(Resolve(Names::ClassHeader()).face, u"arial");
    EXPECT_TRUE(Resolve(Names::ClassHeader()).bold);
    EXPECT_EQ(Resolve(Names::ClassCompartment(), unset).size, 3);
}

} // namespace
