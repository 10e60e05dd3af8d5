// Numeric edit controls: parsing, clamping, formatting, the default for bad text, change notices.
#include "app/EditCtrl.h"

#include <gtest/gtest.h>

using namespace Application;

TEST(EditText, ParseInt) {
    EXPECT_EQ(EditText::ParseInt(L" 42 "), 42);
    EXPECT_EQ(EditText::ParseInt(L"-7"), -7);
    EXPECT_EQ(EditText::ParseInt(L"+3"), 3);
    EXPECT_FALSE(EditText::ParseInt(L""));
    EXPECT_FALSE(EditText::ParseInt(L"-"));
    EXPECT_FALSE(EditText::ParseInt(L"4x"));
    EXPECT_FALSE(EditText::ParseInt(L"1 2"));
    EXPECT_FALSE(EditText::ParseInt(L"99999999999999999999999"));
}

TEST(EditText, ParseNumberAndUnits) {
    EXPECT_DOUBLE_EQ(*EditText::ParseNumber(L"12.5"), 12.5);
    EXPECT_DOUBLE_EQ(*EditText::ParseNumber(L"12,5"), 12.5);
    EXPECT_DOUBLE_EQ(*EditText::ParseNumber(L"-.5"), -0.5);
    EXPECT_FALSE(EditText::ParseNumber(L"1e3"));
    EXPECT_FALSE(EditText::ParseNumber(L"inf"));
    EXPECT_FALSE(EditText::ParseNumber(L"1.2.3"));
    EXPECT_FALSE(EditText::ParseNumber(L"."));
    EXPECT_DOUBLE_EQ(*EditText::ParseNumberWithSuffix(L"150 %", L"%"), 150);
    EXPECT_DOUBLE_EQ(*EditText::ParseNumberWithSuffix(L"150", L"%"), 150);
    EXPECT_DOUBLE_EQ(*EditText::ParseLength(L"2 cm"), 20);
    EXPECT_DOUBLE_EQ(*EditText::ParseLength(L"1in"), 25.4);
    EXPECT_DOUBLE_EQ(*EditText::ParseLength(L"7.5 MM"), 7.5);
    EXPECT_FALSE(EditText::ParseLength(L"mm"));
    EXPECT_FALSE(EditText::ParseLength(L"3 km"));
}

TEST(EditText, FormatDropsTrailingZeros) {
    EXPECT_EQ(EditText::FormatNumber(12.5, 2), L"12.5");
    EXPECT_EQ(EditText::FormatNumber(12.0, 2), L"12");
    EXPECT_EQ(EditText::FormatNumber(0.126, 2), L"0.13");
    EXPECT_EQ(EditText::FormatNumber(-0.001, 2), L"0");
    EXPECT_EQ(EditText::Clamp(5, 10, 20), 10);
    EXPECT_EQ(EditText::Clamp(25, 10, 20), 20);
}

namespace {

// A window with one edit control (id 100) standing in for a dialog.
class EditCtrlTest : public ::testing::Test, public EditCtrlHelper::IObserver {
protected:
    void SetUp() override {
        parent = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(parent);
        edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 100, 20, parent,
                               reinterpret_cast<HMENU>(100), nullptr, nullptr);
        ASSERT_TRUE(edit);
    }
    void TearDown() override { DestroyWindow(parent); }
    void ValueChanged(EditCtrlHelper&) override { ++changes; }
    void Type(EditCtrlHelper& control, const wchar_t* text) {
        SetWindowTextW(edit, text);
        control.OnCommand(EN_CHANGE);  // the dialog routes the control's notification
    }
    std::wstring Text() const {
        wchar_t buffer[64] = {};
        GetWindowTextW(edit, buffer, 64);
        return buffer;
    }
    HWND parent = nullptr;
    HWND edit = nullptr;
    int changes = 0;
};

} // namespace

TEST_F(EditCtrlTest, IntClampsAndFallsBackToTheDefault) {
    IntEditCtrl control(parent, 100, 1, 99, 10, this);
    EXPECT_EQ(control.GetValue(), 10);  // empty text
    Type(control, L"250");
    EXPECT_EQ(control.GetValue(), 99);
    EXPECT_EQ(changes, 1);
    Type(control, L"abc");
    EXPECT_EQ(control.GetValue(), 10);
    EXPECT_EQ(changes, 2);
    Type(control, L" 10 ");  // same value: no notice
    EXPECT_EQ(changes, 2);
    control.SetValue(-5);
    EXPECT_EQ(Text(), L"1");
    EXPECT_EQ(changes, 3);
    Type(control, L"500");
    control.OnCommand(EN_KILLFOCUS);  // leaving the control shows the clamped value
    EXPECT_EQ(Text(), L"99");
    control.Enable(false);
    EXPECT_FALSE(IsWindowEnabled(edit));
}

TEST_F(EditCtrlTest, PercentShowsInitialAndSteps) {
    PercentEditCtrl control(parent, 100, 10, 400, 100, 25, this);
    EXPECT_EQ(Text(), L"100 %");
    EXPECT_EQ(changes, 0);
    control.Step(2);
    EXPECT_EQ(control.GetValue(), 150);
    EXPECT_EQ(Text(), L"150 %");
    EXPECT_EQ(changes, 1);
    Type(control, L"1000%");
    EXPECT_EQ(control.GetValue(), 400);
    Type(control, L"x");
    EXPECT_EQ(control.GetValue(), 100);
    control.Step(-10);
    EXPECT_EQ(control.GetValue(), 10);
}

TEST_F(EditCtrlTest, LengthAcceptsUnitsAndFormatsMillimetres) {
    LengthEditCtrl control(parent, 100, 0, 500, 20, this);
    Type(control, L"1.5 cm");
    EXPECT_DOUBLE_EQ(control.GetValue(), 15);
    control.OnCommand(EN_KILLFOCUS);
    EXPECT_EQ(Text(), L"15 mm");
    Type(control, L"-3");
    EXPECT_DOUBLE_EQ(control.GetValue(), 0);
    Type(control, L"oops");
    EXPECT_DOUBLE_EQ(control.GetValue(), 20);
    EXPECT_EQ(LengthEditCtrl::Format(12.345), L"12.35 mm");
}
