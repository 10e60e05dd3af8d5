#pragma once
// Drawing surfaces for the text drawing tests: a white 32-bit bitmap and a scaled drawing context.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "drawing/Canvas.h"

namespace TextTest {

// A 32-bit white bitmap selected into a memory context.
class Bitmap {
 public:
  Bitmap(int w, int h) : w_(w), h_(h) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    Clear();
  }
  ~Bitmap() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  HDC dc() const { return dc_; }
  // Paints everything white.
  void Clear() {
    GdiFlush();
    std::fill_n(bits_, w_ * h_, 0xFFFFFFu);
  }
  // Dark pixels in [x0, x1) x [y0, y1).
  int Dark(int x0, int y0, int x1, int y1) const {
    GdiFlush();
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(h_, y1); ++y)
      for (int x = std::max(0, x0); x < std::min(w_, x1); ++x) n += (bits_[y * w_ + x] & 0xFF) < 128;
    return n;
  }
  int Dark() const { return Dark(0, 0, w_, h_); }
  // A copy of every pixel.
  std::vector<std::uint32_t> Pixels() const {
    GdiFlush();
    return {bits_, bits_ + w_ * h_};
  }

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  std::uint32_t* bits_ = nullptr;
};

// Maps model units (y up) to pixels at a scale, the model origin at the device origin.
class Context : public ICanvas::IDrawContext {
 public:
  Context(HDC dc, double scale) : dc_(dc), scale_(scale) {}
  HDC GetDC() override { return dc_; }
  zq::float8Point ToDevice(const zq::float8Point& p) const override { return {p.x * scale_, -p.y * scale_}; }
  double PixelsPerUnit() const override { return scale_; }

 private:
  HDC dc_;
  double scale_;
};

}  // namespace TextTest
