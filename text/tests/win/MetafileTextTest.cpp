// Text in metafiles: characters with explicit advances (never glyph indices), in both kinds of
// metafile, with the character sets a Windows metafile needs; and font fallback for missing scripts.
#include <gtest/gtest.h>

#include <cstring>

#include "text/tests/win/TestSurface.h"
#include "text/win/FontFallback.h"
#include "text/win/TextDrawing.h"
#include "text/win/UniscribeMeasurer.h"

using namespace TextBlock;
using TextTest::Bitmap;
using TextTest::Context;

namespace {

std::shared_ptr<const Layout> Lay(std::u16string_view text, std::u16string_view face = u"Arial") {
  TextStyle style;
  style.size = 11;
  style.sizing = SizingOwnExtent;
  FontSpec font = FontFromStyle(style);
  font.faceName = face;
  Content c;
  c.SetName(text);
  UniscribeMeasurer m;
  return std::make_shared<const Layout>(
      LayoutParagraphs(c.Paragraphs(std::make_shared<const FontSpec>(font)), style, {0, 0}, m));
}

// One text output record of a metafile: its characters, options and advances.
struct TextRecord {
  std::wstring text;
  UINT options = 0;
  std::vector<int> dx;
  BYTE charSet = DEFAULT_CHARSET;  // Windows metafiles: of the font in force
};

int CALLBACK CollectEmf(HDC, HANDLETABLE*, const ENHMETARECORD* rec, int, LPARAM out) {
  if (rec->iType != EMR_EXTTEXTOUTW) return 1;
  const auto* r = reinterpret_cast<const EMREXTTEXTOUTW*>(rec);
  const auto* base = reinterpret_cast<const BYTE*>(rec);
  TextRecord t;
  t.options = r->emrtext.fOptions;
  t.text.assign(reinterpret_cast<const wchar_t*>(base + r->emrtext.offString), r->emrtext.nChars);
  if (r->emrtext.offDx) {
    const auto* dx = reinterpret_cast<const INT*>(base + r->emrtext.offDx);
    t.dx.assign(dx, dx + r->emrtext.nChars);
  }
  reinterpret_cast<std::vector<TextRecord>*>(out)->push_back(t);
  return 1;
}

std::vector<TextRecord> EmfText(const std::shared_ptr<const Layout>& layout, double scale) {
  HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  TextDrawing drawing(layout, {0, 0});
  Context ctx(dc, scale);
  drawing.Draw(ctx);
  HENHMETAFILE emf = CloseEnhMetaFile(dc);
  std::vector<TextRecord> out;
  EnumEnhMetaFile(nullptr, emf, CollectEmf, &out, nullptr);
  DeleteEnhMetaFile(emf);
  return out;
}

// The text records of a Windows metafile's bits, decoded in the character set of the font in force.
std::vector<TextRecord> WmfText(const std::vector<BYTE>& bits) {
  std::vector<TextRecord> out;
  std::vector<BYTE> charSets;  // by object slot
  BYTE current = DEFAULT_CHARSET;
  for (std::size_t at = sizeof(METAHEADER); at + 6 <= bits.size();) {
    DWORD size;
    WORD function;
    std::memcpy(&size, &bits[at], 4);
    std::memcpy(&function, &bits[at + 4], 2);
    if (size < 3) break;
    const BYTE* p = &bits[at + 6];
    if (function == META_CREATEFONTINDIRECT) {
      charSets.push_back(p[13]);  // height, width, escapement, orientation, weight, italic, underline, strike-out
    } else if (function == META_SELECTOBJECT) {
      WORD slot;
      std::memcpy(&slot, p, 2);
      if (slot < charSets.size()) current = charSets[slot];
    } else if (function == META_DELETEOBJECT) {
      WORD slot;
      std::memcpy(&slot, p, 2);
      if (slot < charSets.size()) charSets[slot] = 0xFF;
    } else if (function == META_EXTTEXTOUT) {
      WORD count, options;
      std::memcpy(&count, p + 4, 2);
      std::memcpy(&options, p + 6, 2);
      const BYTE* chars = p + 8 + ((options & (ETO_CLIPPED | ETO_OPAQUE)) ? 8 : 0);
      TextRecord t;
      t.options = options;
      t.charSet = current;
      CHARSETINFO info{};
      const UINT cp = TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<DWORD_PTR>(current)), &info, TCI_SRCCHARSET)
                          ? info.ciACP : CP_ACP;
      t.text.resize(count);
      t.text.resize(MultiByteToWideChar(cp, 0, reinterpret_cast<const char*>(chars), count, t.text.data(), count));
      const BYTE* dx = chars + ((count + 1) & ~1);
      if (dx + 2 * count <= &bits[at] + size * 2)
        for (WORD i = 0; i < count; ++i) {
          SHORT d;
          std::memcpy(&d, dx + 2 * i, 2);
          t.dx.push_back(d);
        }
      out.push_back(t);
    }
    at += size * 2;
  }
  return out;
}

std::wstring Joined(const std::vector<TextRecord>& records) {
  std::wstring all;
  for (const TextRecord& t : records) all += t.text;
  return all;
}

}  // namespace

TEST(MetafileTextTest, EnhancedMetafileHoldsCharactersWithTheLayoutsAdvances) {
  const auto layout = Lay(u"Arial 11 pt: The quick brown fox\n\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u041A\u0438\u0440\u0438\u043B\u043B\u0438\u0446\u0430");
  const double scale = 0.5;
  const std::vector<TextRecord> records = EmfText(layout, scale);
  ASSERT_FALSE(records.empty());
  const std::wstring all = Joined(records);
  EXPECT_NE(all.find(L"The quick brown fox"), std::wstring::npos);
  EXPECT_NE(all.find(L"\u041A\u0438\u0440\u0438\u043B\u043B\u0438\u0446\u0430"), std::wstring::npos);
  EXPECT_NE(all.find(L"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC"), std::wstring::npos);
  long advances = 0;
  for (const TextRecord& t : records) {
    EXPECT_EQ(t.options & ETO_GLYPH_INDEX, 0u) << "glyph indices for \"" << std::string(t.text.begin(), t.text.end()) << "\"";
    ASSERT_EQ(t.dx.size(), t.text.size());
    for (int d : t.dx) advances += d;
  }
  const double first = layout->lines[0].width * scale;
  const double second = layout->lines[1].width * scale;
  EXPECT_NEAR(advances, first + second, 2);
}

TEST(MetafileTextTest, WindowsMetafileTakesTextInTheCharacterSetOfEachScript) {
  const std::wstring greek = L"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC", cyrillic = L"\u041A\u0438\u0440\u0438\u043B\u043B\u0438\u0446\u0430";
  const std::wstring hebrew = L"\u05E9\u05DC\u05D5\u05DD";
  const auto layout = Lay(u"Latin words\n\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u041A\u0438\u0440\u0438\u043B\u043B\u0438\u0446\u0430\n\u05E9\u05DC\u05D5\u05DD");
  HDC dc = CreateMetaFileW(nullptr);
  ASSERT_NE(dc, nullptr);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 2000, 1000, nullptr);
  TextDrawing drawing(layout, {0, 0});
  Context ctx(dc, 0.5);
  EXPECT_NO_THROW(drawing.Draw(ctx));
  HMETAFILE wmf = CloseMetaFile(dc);
  ASSERT_NE(wmf, nullptr);
  std::vector<BYTE> bits(GetMetaFileBitsEx(wmf, 0, nullptr));
  GetMetaFileBitsEx(wmf, static_cast<UINT>(bits.size()), bits.data());
  DeleteMetaFile(wmf);
  const std::vector<TextRecord> records = WmfText(bits);
  const std::wstring all = Joined(records);
  EXPECT_NE(all.find(L"Latin words"), std::wstring::npos);
  EXPECT_NE(all.find(greek), std::wstring::npos);
  EXPECT_NE(all.find(cyrillic), std::wstring::npos);
  EXPECT_NE(all.find(hebrew), std::wstring::npos);
  for (const TextRecord& t : records) {
    EXPECT_EQ(t.dx.size(), t.text.size());
    if (t.text.find(greek) != std::wstring::npos) {
      EXPECT_EQ(t.charSet, GREEK_CHARSET);
    }
    if (t.text.find(hebrew) != std::wstring::npos) {
      EXPECT_EQ(t.charSet, HEBREW_CHARSET);
    }
  }
}

TEST(MetafileTextTest, CharacterSetFollowsTheScript) {
  EXPECT_EQ(MetafileCharSet(u"plain 123"), ANSI_CHARSET);
  EXPECT_EQ(MetafileCharSet(u"\u0391\u03B2 "), GREEK_CHARSET);
  EXPECT_EQ(MetafileCharSet(u"\u0416"), RUSSIAN_CHARSET);
  EXPECT_EQ(MetafileCharSet(u"\u05D0"), HEBREW_CHARSET);
  EXPECT_EQ(MetafileCharSet(u"\u0645"), ARABIC_CHARSET);
  EXPECT_EQ(MetafileCharSet(u"\u6F22\u5B57"), GB2312_CHARSET);
  EXPECT_EQ(MetafileCharSet(u"\u304B\u306A"), SHIFTJIS_CHARSET);
  EXPECT_EQ(MetafileCharSet(u"\uD55C"), HANGEUL_CHARSET);
}

TEST(FontFallbackTest, MissingScriptsTakeAFaceThatHasThem) {
  FontUtil::FontDesc arial;
  arial.face = L"Arial";
  EXPECT_EQ(FallbackFace(arial, u"plain text"), L"Arial");
  EXPECT_EQ(FallbackFace(arial, u"   "), L"Arial");
  const std::wstring cjk = FallbackFace(arial, u"\u6F22\u5B57\u304B\u306A");
  EXPECT_NE(cjk, L"Arial");
  EXPECT_NE(cjk.find(L"CJK"), std::wstring::npos) << std::string(cjk.begin(), cjk.end());
  EXPECT_NE(FallbackFace(arial, u"\u0645\u0631\u062D\u0628\u0627"), L"Arial");  // Arabic
  EXPECT_EQ(FallbackFace(arial, u"\uE000"), L"Arial");  // nothing has it: the own face stays
}

// Whether GDI gives the face itself (not a substitute) and it has TrueType outlines.
bool FaceHasTrueTypeOutlines(const std::wstring& face) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontW(-40, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, face.c_str());
  HGDIOBJ old = SelectObject(dc, font);
  wchar_t selected[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, selected);
  const bool outlines = face == selected && HasTrueTypeOutlines(dc);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return outlines;
}

TEST(FontFallbackTest, KoreanAndDevanagariTakeAFaceThatHasThem) {
  FontUtil::FontDesc arial;
  arial.face = L"Arial";
  EXPECT_NE(FallbackFace(arial, u"한국어"), L"Arial");
  EXPECT_NE(FallbackFace(arial, u"नमस्ते"), L"Arial") << "scripts/setup installs Lohit";
}

// A PostScript printer embeds TrueType outlines only: for it the fallback takes such a face where the
// screen's choice has CFF outlines; a face printers embed anyway is kept.
TEST(FontFallbackTest, PrintersTakeFacesWithTrueTypeOutlines) {
  FontUtil::FontDesc arial;
  arial.face = L"Arial";
  EXPECT_TRUE(FaceHasTrueTypeOutlines(L"Arial"));
  const std::u16string cjk = u"\u6F22\u5B57\u304B\u306A", korean = u"\uD55C\uAD6D\uC5B4";
  const std::wstring screen = FallbackFace(arial, cjk);
  ASSERT_FALSE(FaceHasTrueTypeOutlines(screen)) << "the screen's CJK face has CFF outlines";
  for (const std::u16string& text : {cjk, korean}) {
    const std::wstring printer = FallbackFace(arial, text, FaceUse::Printer);
    EXPECT_NE(printer, L"Arial");
    EXPECT_TRUE(FaceHasTrueTypeOutlines(printer)) << std::string(printer.begin(), printer.end());
  }
  const std::u16string hebrew = u"\u05E9\u05DC\u05D5\u05DD";
  EXPECT_EQ(FallbackFace(arial, hebrew, FaceUse::Printer), FallbackFace(arial, hebrew));
  EXPECT_EQ(FallbackFace(arial, u"plain text", FaceUse::Printer), L"Arial");
}

TEST(FontFallbackTest, FallbackMeasuresAndDrawsLikeTheFaceItself) {
  FontUtil::FontDesc arial;
  arial.face = L"Arial";
  const std::u16string cjk = u"\u6F22\u5B57\u304B\u306A";
  const std::wstring face = FallbackFace(arial, cjk);
  const auto inArial = Lay(cjk), inFace = Lay(cjk, std::u16string(face.begin(), face.end()));
  ASSERT_EQ(inArial->lines.size(), 1u);
  EXPECT_EQ(inArial->lines[0].runs[0].font->faceName, u"Arial");  // the model keeps the run's own font
  EXPECT_EQ(inArial->lines[0].runs[0].advances, inFace->lines[0].runs[0].advances);
  Bitmap a(300, 100), b(300, 100);
  Context ca(a.dc(), 0.2), cb(b.dc(), 0.2);
  TextDrawing(inArial, {50, -50}).Draw(ca);
  TextDrawing(inFace, {50, -50}).Draw(cb);
  EXPECT_GT(a.Dark(), 30);
  EXPECT_TRUE(a.Pixels() == b.Pixels());
}
