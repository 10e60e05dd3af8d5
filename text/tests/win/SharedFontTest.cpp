// Measuring and drawing take their GDI fonts from the drawing kernel's shared font cache.
#include <gtest/gtest.h>

#include "drawing/FontUtil.h"
#include "text/win/TextDrawing.h"
#include "text/win/UniscribeMeasurer.h"

using namespace TextBlock;
using FontUtil::FontRef;

namespace {

FontSpec ArialOfHeight(int height) {
  TextStyle style;
  style.size = 11;
  FontSpec f = FontFromStyle(style);
  f.height = height;
  return f;
}

// Model units (y up) to pixels of a memory context at a chosen scale.
class FontContext : public ICanvas::IDrawContext {
 public:
  FontContext(HDC dc, double scale) : dc_(dc), scale_(scale) {}
  HDC GetDC() override { return dc_; }
  zq::float8Point ToDevice(const zq::float8Point& p) const override { return {p.x * scale_, -p.y * scale_}; }
  double PixelsPerUnit() const override { return scale_; }

 private:
  HDC dc_;
  double scale_;
};

std::shared_ptr<const Layout> Lay(std::u16string_view name, IMeasurer& m) {
  TextStyle style;
  style.size = 11;
  style.sizing = SizingOwnExtent;
  Content c;
  c.SetName(name);
  return std::make_shared<const Layout>(
      LayoutParagraphs(c.Paragraphs(std::make_shared<const FontSpec>(FontFromStyle(style))), style, {0, 0}, m));
}

}  // namespace

TEST(SharedFonts, MeasurersShareOneFontPerDescription) {
  const std::size_t before = FontRef::CacheSize();
  RunMetrics out;
  {
    UniscribeMeasurer a, b;
    a.Measure(ArialOfHeight(-388), u"Account", out);
    b.Measure(ArialOfHeight(-388), u"Account", out);
    a.Measure(ArialOfHeight(-388), u"again", out);
    EXPECT_EQ(FontRef::CacheSize(), before + 1);
    // The cache hands out the very font the measurers hold.
    const FontRef same = FontRef::Get(ToFontDesc(ArialOfHeight(-388)));
    EXPECT_EQ(FontRef::CacheSize(), before + 1);
    b.Measure(ArialOfHeight(-400), u"Account", out);
    EXPECT_EQ(FontRef::CacheSize(), before + 2);
    a.ClearFonts();
    b.ClearFonts();
    EXPECT_EQ(FontRef::CacheSize(), before + 1);  // only `same` holds one now
  }
  EXPECT_EQ(FontRef::CacheSize(), before);
}

TEST(SharedFonts, DrawingsKeepTheirDeviceFontBetweenDrawsAndShareIt) {
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 300, -100, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bmp);
  std::shared_ptr<const Layout> one, two;
  {
    UniscribeMeasurer m;
    one = Lay(u"First name", m);
    two = Lay(u"Second name", m);
  }
  const std::size_t before = FontRef::CacheSize();
  {
    TextDrawing a(one, {0, 0}), b(two, {0, -400});
    FontContext at10(dc, 0.1), at20(dc, 0.2);
    a.Draw(at10);
    b.Draw(at10);
    a.Draw(at10);
    EXPECT_EQ(FontRef::CacheSize(), before + 1);  // one font at this scale, kept and shared
    // A new scale replaces the font of the drawing that changed scale.
    a.Draw(at20);
    EXPECT_EQ(FontRef::CacheSize(), before + 2);
    b.Draw(at20);
    EXPECT_EQ(FontRef::CacheSize(), before + 1);
  }
  EXPECT_EQ(FontRef::CacheSize(), before);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}

TEST(SharedFonts, TheDescriptionCarriesEveryFieldOfTheFontChange) {
  FontSpec f = ArialOfHeight(-388);
  f.width = 120;
  f.escapement = 900;
  f.orientation = 900;
  f.weight = 700;
  f.italic = 1;
  f.underline = 1;
  f.strikeOut = 1;
  f.charSet = 0;
  f.outPrecision = 3;
  f.clipPrecision = 2;
  f.quality = 4;
  f.pitchAndFamily = 0x22;
  const LOGFONTW lf = ToLogFont(f);
  EXPECT_EQ(lf.lfHeight, -388);
  EXPECT_EQ(lf.lfWidth, 120);
  EXPECT_EQ(lf.lfEscapement, 900);
  EXPECT_EQ(lf.lfOrientation, 900);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(lf.lfStrikeOut, 1);
  EXPECT_EQ(lf.lfCharSet, 0);
  EXPECT_EQ(lf.lfOutPrecision, 3);
  EXPECT_EQ(lf.lfClipPrecision, 2);
  EXPECT_EQ(lf.lfQuality, 4);
  EXPECT_EQ(lf.lfPitchAndFamily, 0x22);
  EXPECT_STREQ(lf.lfFaceName, L"Arial");
  // Scaled to a device: height and width follow, a tiny height never becomes the default size.
  const FontUtil::FontDesc scaled = ToFontDesc(f, 0.5);
  EXPECT_EQ(scaled.height, -194);
  EXPECT_EQ(scaled.width, 60);
  EXPECT_EQ(ToFontDesc(f, 0.0001).height, -1);
  f.faceName = std::u16string(40, u'x');
  EXPECT_EQ(ToFontDesc(f).face.size(), kMaxFaceNameLength);
}
