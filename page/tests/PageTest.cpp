// The page element: defaults, setters and undo, the stored form and its validation.
#include "page/tests/PageTestSupport.h"

#include <gtest/gtest.h>

namespace {

using PageTest::Registry;

std::string Doc(const std::string& page)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<Diagram xmlns=\"http://quorvel.example/schema/1.0\" xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n" +
           page + "\n</Diagram>\n";
}

const char* const kValid = "Size=\"9\" Width=\"21000\" Height=\"29700\" Rows=\"2\" Columns=\"3\" "
                           "Margins=\"1000 1100 1200 1300\" CutGlueMargins=\"500 600 700 800\" Scale=\"0.5\"";

struct PageModel : ::testing::Test, PageTest::Document {};

TEST_F(PageModel, DefaultsAndLayout)
{
    Page::Page* page = nullptr;
    Change([&](Core::Env& env) { page = &Page::FindOrCreatePage(env); });
    EXPECT_EQ(Page::FindPage(diagram), page);
    EXPECT_EQ(page->GetSize(), 1);
    EXPECT_EQ(page->GetWidth(), 21590);
    EXPECT_EQ(page->GetHeight(), 27940);
    EXPECT_FALSE(page->IsLandscape());
    EXPECT_EQ(page->GetMargins(), zq::Rect(1016, 1016, 1016, 1016));
    EXPECT_EQ(page->GetLayout(), Page::PageLayout());
    EXPECT_FALSE(page->IsCopyable());
    Change([&](Core::Env& env) { EXPECT_EQ(&Page::FindOrCreatePage(env), page); });
    EXPECT_EQ(diagram.GetElementCount(), 1u);
}

TEST_F(PageModel, SettersAreUndoneTogether)
{
    Page::Page* page = nullptr;
    Change([&](Core::Env& env) { page = Page::CreateDefaultPage(env).get(); });
    Change([&](Core::Env& env) {
        page->SetLandscape(env, true);
        page->SetRows(env, 2);
        page->SetColumns(env, 3);
        page->SetMargins(env, zq::Rect(1, 2, 3, 4));
        page->SetCutGlueMargins(env, zq::Rect(5, 6, 7, 8));
        page->SetScale(env, 0.75);
    });
    const Page::PageLayout l = page->GetLayout();
    EXPECT_EQ(l.landscape, 1);
    EXPECT_EQ(l.columns, 3);
    EXPECT_EQ(l.margins, (Page::MarginRect{1, 2, 3, 4}));
    EXPECT_EQ(l.cutGlueMargins, (Page::MarginRect{5, 6, 7, 8}));
    EXPECT_EQ(l.scale, 0.75);
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(page->GetLayout(), Page::PageLayout());
}

TEST_F(PageModel, StoredFormRoundTrips)
{
    const std::string text = Doc(std::string("<Page id=\"r1\" Landscape=\"1\" ") + kValid + "/>");
    diagram.LoadXML(text);
    Page::Page* page = Page::FindPage(diagram);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->IsLandscape());
    EXPECT_EQ(page->GetMargins(), zq::Rect(1000, 1100, 1200, 1300));  // kept as written, not reordered
    EXPECT_EQ(page->GetCutGlueMargins(), zq::Rect(500, 600, 700, 800));
    EXPECT_EQ(page->GetScale(), 0.5);
    const std::string saved = Save();
    Core::Diagram again{Registry(), nullptr};
    again.LoadXML(saved);
    std::ostringstream out;
    again.SaveXML(out);
    EXPECT_EQ(out.str(), saved);
    EXPECT_NE(saved.find("Landscape=\"1\""), std::string::npos);
}

TEST_F(PageModel, LandscapeIsOptionalOtherValuesMandatory)
{
    diagram.LoadXML(Doc(std::string("<Page id=\"r1\" ") + kValid + "/>"));
    EXPECT_FALSE(Page::FindPage(diagram)->IsLandscape());
    Core::Diagram other{Registry(), nullptr};
    EXPECT_THROW(other.LoadXML(Doc("<Page id=\"r1\" Size=\"9\"/>")), Core::Exceptions::MandatoryAttributeMissing);
    EXPECT_EQ(other.GetElementCount(), 0u);
}

TEST_F(PageModel, ValuesNoPageCanHaveAreRefused)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Rows=\"2\"", "Rows=\"0\""},         {"Rows=\"2\"", "Rows=\"21\""},
        {"Columns=\"3\"", "Columns=\"0\""},   {"Columns=\"3\"", "Columns=\"-3\""},
        {"Width=\"21000\"", "Width=\"999\""}, {"Height=\"29700\"", "Height=\"0\""},
        {"Scale=\"0.5\"", "Scale=\"0\""},     {"Scale=\"0.5\"", "Scale=\"-1\""},
        {"Margins=\"1000 1100 1200 1300\"", "Margins=\"-1 0 0 0\""},
        {"CutGlueMargins=\"500 600 700 800\"", "CutGlueMargins=\"0 0 0 -5\""},
    };
    for (const auto& [good, bad] : cases) {
        std::string attributes = kValid;
        attributes.replace(attributes.find(good), std::string(good).size(), bad);
        SCOPED_TRACE(attributes);
        EXPECT_THROW(diagram.LoadXML(Doc("<Page id=\"r1\" " + attributes + "/>")), Core::Exceptions::AttributeOutOfRange);
        EXPECT_EQ(diagram.GetElementCount(), 0u);
    }
    std::string edge = kValid;
    edge.replace(edge.find("Rows=\"2\""), 8, "Rows=\"20\"");
    edge.replace(edge.find("Width=\"21000\""), 13, "Width=\"1000\"");
    diagram.LoadXML(Doc("<Page id=\"r1\" " + edge + "/>"));
    EXPECT_EQ(Page::FindPage(diagram)->GetRows(), 20);
}

} // namespace
