#include "drawing/tests/TestSupport.h"

namespace DrawingTest {

namespace {

HBITMAP MakeBitmap(int size, const std::function<COLORREF(int, int)>& colour) {
    HDC screen = GetDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(screen, size, size);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, b);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) SetPixel(mem, x, y, colour(x, y));
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return b;
}

} // namespace

CodePictures::CodePictures() {
    // 100: 7 x 7 green and cyan chequer with a black border.
    pictures_[0] = MakeBitmap(7, [](int x, int y) {
        if (x == 0 || y == 0 || x == 6 || y == 6) return RGB(0, 0, 0);
        return (x + y) % 2 ? RGB(0, 255, 255) : RGB(0, 192, 0);
    });
    // 101: 9 x 9 red diamond with a black outline on white.
    pictures_[1] = MakeBitmap(9, [](int x, int y) {
        const int d = std::abs(x - 4) + std::abs(y - 4);
        return d == 4 ? RGB(0, 0, 0) : d < 4 ? RGB(255, 0, 0) : RGB(255, 255, 255);
    });
    // 102: 5 x 5 grey chequer.
    pictures_[2] = MakeBitmap(5, [](int x, int y) { return (x + y) % 2 ? RGB(128, 128, 128) : RGB(255, 255, 255); });
}

CodePictures::~CodePictures() {
    for (HBITMAP b : pictures_) DeleteObject(b);
}

HBITMAP CodePictures::GetPicture(int id) {
    return id >= 100 && id <= 102 ? pictures_[id - 100] : nullptr;
}

void EnsureEnvironment() {
    static DrawingKernel::GdiplusSession session;
    static bool installed = false;
    if (!installed) {
        DrawingKernel::SetPictureSource(std::make_shared<CodePictures>());
        installed = true;
    }
}

std::wstring TempFile(const wchar_t* kind, const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + L"quorvel-" + kind + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
}

int CountDark(const DrawingKernel::Surface& s, int x0, int y0, int x1, int y1, int threshold) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint32_t p = s.Pixel(x, y);
            if (x < 0 || y < 0 || x >= s.Width() || y >= s.Height()) continue;
            if (int((p >> 16) & 255) + int((p >> 8) & 255) + int(p & 255) < threshold) ++n;
        }
    return n;
}

} // namespace DrawingTest
