// Installed families, face lookup and substitution, shared fonts.
#include "drawing/FontUtil.h"
#include "drawing/tests/TestSupport.h"

using namespace FontUtil;

TEST(Fonts, TheListIsSortedAndFindsFacesWithoutCase) {
    const FontList& list = FontList::Instance();
    ASSERT_FALSE(list.Families().empty());
    for (size_t i = 1; i < list.Families().size(); ++i)
        EXPECT_LE(_wcsicmp(list.Families()[i - 1].c_str(), list.Families()[i].c_str()), 0);
    const std::wstring first = list.Families().front();
    EXPECT_EQ(list.Find(first), 0);
    std::wstring upper = first;
    for (auto& c : upper) c = wchar_t(towupper(c));
    EXPECT_EQ(list.Find(upper), 0);
    EXPECT_EQ(list.Find(L"No Such Face 12345"), -1);
}

TEST(Fonts, AnInstalledFaceIsItsOwnSubstituteAndAMissingOneGetsAnInstalledFace) {
    const FontList& list = FontList::Instance();
    const std::wstring face = list.Families().back();
    EXPECT_EQ(list.Substitute(face), face);
    const std::wstring sub = list.Substitute(L"No Such Face 12345");
    EXPECT_FALSE(sub.empty());
    EXPECT_NE(sub, L"No Such Face 12345");
}

TEST(Fonts, EqualDescriptionsShareOneFontUntilTheLastReferenceGoes) {
    const size_t before = FontRef::CacheSize();
    {
        FontDesc d{L"Arial", -13, FW_BOLD, false, false};
        FontRef a = FontRef::Get(d);
        FontRef b = FontRef::Get(d);
        EXPECT_EQ(a.Handle(), b.Handle());
        EXPECT_NE(a.Handle(), nullptr);
        d.italic = true;
        FontRef c = FontRef::Get(d);
        EXPECT_NE(c.Handle(), a.Handle());
        EXPECT_EQ(FontRef::CacheSize(), before + 2);
        EXPECT_TRUE(c.Desc().italic);
    }
    EXPECT_EQ(FontRef::CacheSize(), before);
    EXPECT_TRUE(FontRef().IsEmpty());
}

TEST(Fonts, EveryFieldOfTheDescriptionTellsFontsApartAndSurvivesTheFontRecord) {
    FontDesc d{L"Arial", -20, FW_NORMAL, false, false};
    d.width = 9;
    d.escapement = 450;
    d.orientation = 450;
    d.strikeOut = true;
    d.charSet = ANSI_CHARSET;
    d.outPrecision = OUT_TT_PRECIS;
    d.clipPrecision = CLIP_LH_ANGLES;
    d.quality = ANTIALIASED_QUALITY;
    d.pitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    const FontDesc back = FontDesc::FromLogFont(d.ToLogFont());
    EXPECT_EQ(back.Key(), d.Key());
    FontRef a = FontRef::Get(d);
    FontDesc other = d;
    other.strikeOut = false;
    EXPECT_NE(FontRef::Get(other).Handle(), a.Handle());
    other = d;
    other.quality = NONANTIALIASED_QUALITY;
    EXPECT_NE(FontRef::Get(other).Handle(), a.Handle());
    // A face longer than the record holds is cut, never overrun.
    d.face = std::wstring(60, L'y');
    EXPECT_EQ(FontDesc::FromLogFont(d.ToLogFont()).face.size(), size_t(LF_FACESIZE - 1));
}
