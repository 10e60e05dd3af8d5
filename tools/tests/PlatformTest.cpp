// Checks the test platform itself: the Wine prefix resolves the editor's typefaces to metric-compatible fonts.
#include "app/winutil/Platform.h"

#include <gtest/gtest.h>

namespace {

// Width in pixels of a fixed string in the named face at 11 pt on the screen.
int TextWidth(const wchar_t* face) {
    HDC dc = CreateCompatibleDC(nullptr);
    const int height = -MulDiv(11, GetDeviceCaps(dc, LOGPIXELSY), 72);
    HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
    HGDIOBJ old = SelectObject(dc, font);
    const wchar_t text[] = L"Quorvel UML Editor: Class Diagram 0123456789";
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
    wchar_t actual[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, actual);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return size.cx;
}

TEST(Fonts, ArialMeasuresLikeLiberationSans) {
    const int arial = TextWidth(L"Arial");
    EXPECT_GT(arial, 0);
    EXPECT_EQ(arial, TextWidth(L"Liberation Sans"));
    // A different family must measure differently, or the comparison above proves nothing.
    EXPECT_NE(arial, TextWidth(L"Liberation Mono"));
}

TEST(Fonts, SerifAndMonospaceFacesAreMapped) {
    EXPECT_EQ(TextWidth(L"Times New Roman"), TextWidth(L"Liberation Serif"));
    EXPECT_EQ(TextWidth(L"Courier New"), TextWidth(L"Liberation Mono"));
}

} // namespace
