// Shared helpers of the drawing tests: GDI+ for the whole run, pictures made in code, order keys.
#pragma once

#include "app/winutil/Platform.h"
#include "drawing/DrawingKernel.h"
#include "drawing/Surface.h"

#include <gtest/gtest.h>

namespace DrawingTest {

// Pictures 100, 101 and 102 drawn in code with the sizes of the program's bitmaps.
class CodePictures : public DrawingKernel::IPictureSource {
public:
    CodePictures();
    ~CodePictures() override;
    HBITMAP GetPicture(int id) override;
private:
    HBITMAP pictures_[3] = {};
};

// Installs the code pictures for the whole run and keeps GDI+ started.
void EnsureEnvironment();

// A key that orders by area: larger areas first; never topmost unless asked.
class AreaKey : public ICanvas::IOrder {
public:
    explicit AreaKey(double area, bool topmost = false) : area_(area), topmost_(topmost) {}
    bool IsBefore(const ICanvas::IOrder& other) const override {
        auto* o = dynamic_cast<const AreaKey*>(&other);
        return o && area_ > o->area_;
    }
    bool IsTopmost() const override { return topmost_; }
private:
    double area_;
    bool topmost_;
};

inline ICanvas::OrderKey Key(double area, bool topmost = false) { return std::make_shared<AreaKey>(area, topmost); }

// A path in the temporary folder, unique to this process: quorvel-<kind>-<process id>-<name>.
std::wstring TempFile(const wchar_t* kind, const wchar_t* name);

// Counts pixels darker than the threshold (sum of channels) inside [x0, x1) x [y0, y1).
int CountDark(const DrawingKernel::Surface& s, int x0, int y0, int x1, int y1, int threshold = 384);

} // namespace DrawingTest
