// The stored form of the style: reading, writing and the errors of malformed styles.
#include "style/tests/StyleTestKinds.h"

#include "core/xml/Exceptions.h"
#include "style/Exceptions.h"

#include <gtest/gtest.h>

using namespace StyleTest;
using Style::Directory;
using Style::Font;

namespace {

struct StyleStorage : ::testing::Test {
    Document doc;

    void SetUp() override { Registry(); }
    // Reads a document whose body is the style text.
    void Read(const std::string& body) { doc.Load(StyleDocument(body)); }
    Directory& Root() { return *doc.GetStyle().GetRoot(); }
};

TEST_F(StyleStorage, StyleWithoutDirectoryGetsTheDefaultRoot)
{
    Read("<Style id=\"r1\"/>");
    Directory& root = Root();
    EXPECT_EQ(&root.GetDirectoryName(), &Style::DirectoryName::Base());
    ASSERT_NE(root.GetFont(), nullptr);
    EXPECT_EQ(root.GetFont()->GetTypefaceText(), L"arial");
    EXPECT_EQ(root.GetFont()->GetSizeText(), L"11");
    EXPECT_EQ(root.GetFont()->GetBoldText(), L"0");
    EXPECT_NE(doc.Save().find("<dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"/>"), std::string::npos);
}

TEST_F(StyleStorage, MalformedStylesAreModelErrorsAndLeaveTheDocumentAlone)
{
    const std::pair<std::string, std::string> cases[] = {
        {"<Style id=\"r1\"><dir n=\"Base\"/><dir n=\"Base\"/></Style>", "Style object must have exactly one root directory"},
        {"<Style id=\"r1\"><dir n=\"Base\"><dir n=\"Class\"/></dir></Style>", "Unknown style node \"Class\""},
        {"<Style id=\"r1\"><dir n=\"Basis\"/></Style>", "Unknown style node \"Basis\""},
        {"<Style id=\"r1\"><dir n=\"Base\"><Font/></dir></Style>", "Unknown element \"Font\""},
        {"<Style id=\"r1\"><Directory n=\"Base\"/></Style>", "Unknown element \"Directory\""},
        {"<Style id=\"r1\"><dir/></Style>", "attribute \"n\" not found"},
        {"<Style id=\"r1\"><q1v3:ElementStyle/></Style>", "attribute \"Name\" not found"},
        {"<Style id=\"r1\"><q1v3:ElementStyle q1v3:Name=\"A\" q1v3:FillColor=\"0x1000000\"/></Style>", "FillColor"},
        {"<Style id=\"r1\"/><Style id=\"r2\"/>", "Core::DuplicateSingletonObject"},
    };
    for (const auto& [body, message] : cases) {
        SCOPED_TRACE(body);
        try {
            Read(body);
            ADD_FAILURE() << "read without error";
        } catch (const Core::Exceptions::Base& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
        EXPECT_EQ(doc.diagram.GetElementCount(), 0u);
    }
}

TEST_F(StyleStorage, UnknownDirectoryReportsItsLine)
{
    try {
        Read("<Style id=\"r1\">\n<dir n=\"Base\">\n<dir n=\"Header\"/></dir></Style>");
        FAIL() << "read without error";
    } catch (const Style::Exceptions::UnknownStyleDirectory& e) {
        EXPECT_EQ(e.Line(), 5);
    }
}

TEST_F(StyleStorage, DirectoryWithoutFontAttributesReadsAsInheritedAndWritesOnlyItsName)
{
    Read("<Style id=\"r1\"><dir n=\"Base\" Size=\"11\"><dir n=\"Note\"/><dir n=\"Class Diagram\" Size=\"8\"/></dir></Style>");
    Directory* note = Root().Find(Style::Names::Note());
    ASSERT_NE(note, nullptr);
    ASSERT_NE(note->GetFont(), nullptr);
    EXPECT_TRUE(note->GetFont()->GetTypeface().inherited);
    EXPECT_TRUE(note->GetFont()->GetSize().inherited);
    EXPECT_TRUE(note->GetFont()->GetBold().inherited);
    EXPECT_EQ(Root().GetFont()->GetTypefaceText(), Style::kInherit);
    const std::string saved = doc.Save();
    EXPECT_NE(saved.find("<dir n=\"Note\"/>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<dir n=\"Class Diagram\" Size=\"8\"/>"), std::string::npos) << saved;
    EXPECT_EQ(Root().Find(Style::Names::ClassDiagram())->GetFont()->GetSizeText(), L"8");
}

TEST_F(StyleStorage, SizeTexts)
{
    Read("<Style id=\"r1\"><dir n=\"Base\" Size=\"8\"><dir n=\"Note\" Size=\"6.0\"/></dir></Style>");
    Font& base = *Root().GetFont();
    EXPECT_EQ(base.GetSizeText(), L"8");
    EXPECT_EQ(base.GetSize().value, 8);
    EXPECT_EQ(Root().Find(Style::Names::Note())->GetFont()->GetSize().value, 6.0);
    doc.Change([&](Core::Env& env) {
        base.SetSize(env, {false, 8.0});
        EXPECT_EQ(base.GetSizeText(), L"8");
        base.SetSize(env, {false, 10.5});
        EXPECT_EQ(base.GetSizeText(), L"10.5");
        Font& fresh = Font::Create(env, *Root().Find(Style::Names::Note()));
        EXPECT_EQ(fresh.GetSizeText(), L"6.0");
        EXPECT_EQ(fresh.GetTypefaceText(), L"arial");
        EXPECT_EQ(fresh.GetBoldText(), L"0");
    });
}

TEST_F(StyleStorage, ElementStyleColours)
{
    Read("<Style id=\"r1\"><q1v3:ElementStyle q1v3:Name=\"Plain\"/>"
         "<q1v3:ElementStyle q1v3:Name=\"Warn\" q1v3:FillColor=\"0x00FF80\"/></Style>");
    Style::Style& style = doc.GetStyle();
    zq::Color c;
    ASSERT_NE(style.FindElementStyle(L"Plain"), nullptr);
    EXPECT_FALSE(style.FindElementStyle(L"Plain")->GetFillColor(c));
    ASSERT_TRUE(style.FindElementStyle(L"Warn")->GetFillColor(c));
    EXPECT_EQ(c, zq::Color(0, 255, 128));
    const std::string saved = doc.Save();
    EXPECT_NE(saved.find("<q1v3:ElementStyle q1v3:Name=\"Plain\"/>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("q1v3:Name=\"Warn\" q1v3:FillColor=\"0x00FF80\""), std::string::npos) << saved;
    EXPECT_NE(Root().GetFont(), nullptr);  // the default root of a style read without one
}

TEST_F(StyleStorage, ElementStyleNamesAreExactAndEmptyNamesNone)
{
    Read("<Style id=\"r1\"><q1v3:ElementStyle q1v3:Name=\"\"/><q1v3:ElementStyle q1v3:Name=\"warn\"/></Style>");
    EXPECT_EQ(doc.GetStyle().FindElementStyle(L""), nullptr);
    EXPECT_EQ(doc.GetStyle().FindElementStyle(L"Warn"), nullptr);
    EXPECT_NE(doc.GetStyle().FindElementStyle(L"warn"), nullptr);
}

TEST_F(StyleStorage, ChildrenAreWrittenInNameOrder)
{
    doc.Change([&](Core::Env& env) {
        Style::Style& style = Style::Style::FindOrCreate(env);
        bool created = false;
        style.GetRoot()->FindOrCreate(env, Style::Names::Note(), created);
        EXPECT_TRUE(created);
        style.GetRoot()->FindOrCreate(env, Style::Names::ClassDiagram(), created);
        EXPECT_TRUE(created);
        style.GetRoot()->FindOrCreate(env, Style::Names::Note(), created);
        EXPECT_FALSE(created);
    });
    const std::string saved = doc.Save();
    const auto classDiagram = saved.find("n=\"Class Diagram\"");
    const auto note = saved.find("n=\"Note\"");
    ASSERT_NE(classDiagram, std::string::npos);
    ASSERT_NE(note, std::string::npos);
    EXPECT_LT(classDiagram, note);
}

TEST_F(StyleStorage, DocumentWithStyleTreeRoundTripsByteIdentically)
{
    doc.Change([&](Core::Env& env) {
        StyledBox::Create(env, Style::StyledKind::Class).SetElementStyle(env, L"Warn");
        StyledBox::Create(env, Style::StyledKind::Note);
        StyledBox::Create(env, Style::StyledKind::UseCase);
        Style::Style& style = doc.GetStyle();
        const zq::Color red(200, 0, 10);
        AddElementStyle(env, style, L"Warn", &red);
        AddElementStyle(env, style, L"Empty");
        style.GetRoot()->Find(Style::Names::Note())->GetFont()->SetTypeface(env, {false, L"Courier New & Co"});
    });
    const std::string first = doc.Save();
    Document reopened;
    reopened.Load(first);
    EXPECT_EQ(reopened.Save(), first);
}

} // namespace
