// Draws a scene of texts in two fonts and six scripts through the metafile canvas and writes it as
// EMF, placeable WMF and PNG into the current folder, with the list of its texts and their boxes
// (words.txt: UTF-8, one text a line: the text, then left, top, right, bottom in 0.01 mm from the
// picture's top-left corner, tab-separated). The metafile readers test compares other programs'
// renderings of the metafiles with the PNG.
#include <cstdio>
#include <fstream>
#include <string>

#include "drawing/DrawingKernel.h"
#include "drawing/Placeable.h"
#include "text/win/TextDrawing.h"
#include "text/win/UniscribeMeasurer.h"

using namespace TextBlock;

namespace {

constexpr double kWidth = 12000, kHeight = 6400;  // whole millimetres: the frame is the picture

struct SceneText {
  std::u16string text;
  std::u16string face;
  std::u16string secondText;  // drawn in the second font, bold, after the first (may be empty)
  double x, y;                // top-left, y downward from the picture's top
};

std::shared_ptr<const Layout> Lay(const SceneText& t, UniscribeMeasurer& m) {
  TextStyle style;
  style.size = 14;
  style.sizing = SizingOwnExtent;
  FontSpec font = FontFromStyle(style);
  font.faceName = t.face;
  Content c;
  c.Append(Item::FontChange(std::make_shared<const FontSpec>(font)));
  for (char16_t u : t.text) c.Append(Item::Character(u));
  if (!t.secondText.empty()) {
    font.faceName = u"Times New Roman";
    font.weight = 700;
    c.Append(Item::FontChange(std::make_shared<const FontSpec>(font)));
    for (char16_t u : t.secondText) c.Append(Item::Character(u));
  }
  return std::make_shared<const Layout>(LayoutParagraphs(c.Paragraphs(std::make_shared<const FontSpec>(font)), style, {0, 0}, m));
}

std::string Utf8(const std::u16string& s) {
  std::string out(s.size() * 3 + 1, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(s.data()), static_cast<int>(s.size()),
                                    out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? n : 0);
  return out;
}

bool WriteFile(const char* name, const void* data, std::size_t size) {
  std::ofstream f(name, std::ios::binary);
  f.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(f);
}

int Run() {
  DrawingKernel::GdiplusSession gdiplus;
  UniscribeMeasurer measurer;
  const SceneText texts[] = {
      {u"Latin: The quick brown fox", u"Arial", u"", 500, 400},
      {u"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u041A\u0438\u0440\u0438\u043B\u043B\u0438\u0446\u0430", u"Times New Roman", u"", 500, 1400},
      {u"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD", u"Arial", u"", 500, 2400},
      {u"\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645", u"Times New Roman", u"", 500, 3400},
      {u"\u6F22\u5B57\u30C6\u30B9\u30C8", u"Arial", u"", 500, 4400},
      {u"plain ", u"Arial", u"bold", 500, 5400},
  };
  auto canvas = DrawingKernel::CreateMetafileCanvas({kWidth, kHeight}, L"Quorvel", L"Text scene");
  ICanvas::Group keep;
  keep.Add(canvas->CreateRect({0, 0, kWidth, -kHeight}));
  std::ofstream words("words.txt", std::ios::binary);
  for (const SceneText& t : texts) {
    const auto layout = Lay(t, measurer);
    keep.Add(CreateTextElement(*canvas, layout, {t.x, -t.y}));
    words << Utf8(t.text + t.secondText) << '\t' << t.x << '\t' << t.y << '\t' << t.x + layout->usedSize.width << '\t'
          << t.y + layout->usedSize.height << '\n';
  }
  words.close();
  STGMEDIUM emf{}, wmf{};
  canvas->CreateEnhancedMetafile(emf, 0);
  const bool emfSaved = CopyEnhMetaFileW(emf.hEnhMetaFile, L"scene.emf") != nullptr;
  ReleaseStgMedium(&emf);
  canvas->CreateWindowsMetafile(wmf, 0);
  const auto* pict = static_cast<const METAFILEPICT*>(GlobalLock(wmf.hMetaFilePict));
  const std::vector<uint8_t> bytes = DrawingKernel::PlaceableMetafileBytes(*pict);
  GlobalUnlock(wmf.hMetaFilePict);
  ReleaseStgMedium(&wmf);
  const bool wmfSaved = !bytes.empty() && WriteFile("scene.wmf", bytes.data(), bytes.size());
  canvas->SavePngFile(L"scene.png", 0);
  if (!emfSaved || !wmfSaved) {
    std::fprintf(stderr, "text scene: the metafiles could not be written\n");
    return 1;
  }
  return 0;
}

}  // namespace

int main() {
  try {
    return Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "text scene: %s\n", e.what());
    return 1;
  }
}
