// A whole document with a style tree, element styles, styled elements and a page is written, read
// back and written again byte for byte; a copy of everything never carries the page.
#include "style/tests/StyleTestKinds.h"

#include "core/CopyExtend.h"
#include "page/Page.h"

#include <gtest/gtest.h>

using namespace StyleTest;

namespace {

Core::FactoryRegistry& FullRegistry()
{
    static Core::FactoryRegistry registry = [] {
        Core::FactoryRegistry r;
        Style::Style::Factory().ReportTo(r);
        StyledBox::Factory().ReportTo(r);
        Page::Page::Factory().ReportTo(r);
        return r;
    }();
    return registry;
}

// A document that also knows pages.
struct FullDocument : Document {
    FullDocument() : Document(FullRegistry()) {}
};

TEST(DocumentRoundTrip, StyleElementStylesAndPageAreWrittenBackByteForByte)
{
    FullDocument doc;
    doc.Change([&](Core::Env& env) {
        Page::Page* page = Page::CreateDefaultPage(env).get();
        page->SetLandscape(env, true);
        page->SetRows(env, 2);
        page->SetColumns(env, 3);
        page->SetMargins(env, zq::Rect(900, 1000, 1100, 1200));
        page->SetScale(env, 0.75);
        StyledBox::Create(env, Style::StyledKind::State).SetElementStyle(env, L"Hot");
        StyledBox::Create(env, Style::StyledKind::StateCompartment);
        StyledBox::Create(env, Style::StyledKind::Link);
        Style::Style& style = Style::Style::FindOrCreate(env);
        const zq::Color orange(255, 128, 0);
        AddElementStyle(env, style, L"Hot", &orange);
        style.GetRoot()->GetFont()->SetTypeface(env, {false, L"Times <New> \"Roman\""});
    });
    const std::string first = doc.Save();
    FullDocument reopened;
    reopened.diagram.LoadXML(first);
    EXPECT_EQ(reopened.Save(), first);
    ASSERT_NE(Page::FindPage(reopened.diagram), nullptr);
    EXPECT_EQ(Page::FindPage(reopened.diagram)->GetLayout(), Page::FindPage(doc.diagram)->GetLayout());
    EXPECT_NE(first.find("<Style"), std::string::npos);
    EXPECT_NE(first.find("<Page"), std::string::npos);

    // Copying every element and pasting into another document leaves that document's page alone.
    FullDocument other;
    other.Change([&](Core::Env& env) { Page::CreateDefaultPage(env); });
    Core::TransferSet set(FullRegistry());
    Core::ModelElementSet all;
    for (const auto& e : doc.diagram.Elements()) all.Insert(e);
    Core::CopyExtendSelection::Build(all, doc.diagram).ForEach([&](Core::IModelElement& e) { set.Insert(e); });
    other.Change([&](Core::Env& env) { set.Paste(env); });
    std::size_t pages = 0;
    for (const auto& e : other.diagram.Elements()) pages += dynamic_cast<Page::Page*>(e.get()) != nullptr;
    EXPECT_EQ(pages, 1u);
    EXPECT_EQ(Page::FindPage(other.diagram)->GetLayout(), Page::PageLayout());
}

} // namespace
