// The drawing order of view elements: classes first, larger areas below smaller ones, 64-bit areas.
#include "view/CanvasOrder.h"

#include <gtest/gtest.h>

namespace {

using View::CanvasOrder::FromRect;
using View::CanvasOrder::FromSize;
using View::CanvasOrder::Impl;

class ForeignKey : public ICanvas::IOrder {
public:
    bool IsBefore(const ICanvas::IOrder&) const override { return true; }
    bool IsTopmost() const override { return false; }
};

TEST(CanvasOrder, LargerAreasComeFirstAndEqualAreasKeepTheirOrder)
{
    auto big = FromSize({1000, 2000});
    auto small = FromSize({300, 300});
    EXPECT_TRUE(big->IsBefore(*small));
    EXPECT_FALSE(small->IsBefore(*big));
    // Equal areas of different shapes: neither comes before the other.
    auto a = FromSize({100, 400});
    auto b = FromSize({200, 200});
    EXPECT_FALSE(a->IsBefore(*b));
    EXPECT_FALSE(b->IsBefore(*a));
    EXPECT_FALSE(a->IsBefore(*a));
}

TEST(CanvasOrder, SmallerClassesComeFirstAndOtherClassesAreUnordered)
{
    Impl areaKey(0, 5), tiny(0, 1), classOne(1, 1000000), classOneToo(1, 1), classTwo(2, 0);
    EXPECT_TRUE(areaKey.IsBefore(classOne));
    EXPECT_FALSE(classOne.IsBefore(areaKey));
    EXPECT_TRUE(classOne.IsBefore(classTwo));
    EXPECT_FALSE(classOne.IsBefore(classOneToo));
    EXPECT_FALSE(classOneToo.IsBefore(classOne));
    EXPECT_TRUE(areaKey.IsBefore(tiny));
    EXPECT_FALSE(areaKey.IsTopmost());
}

TEST(CanvasOrder, KeysOfAnotherKindAreNeverAfterThisOne)
{
    ForeignKey foreign;
    EXPECT_FALSE(FromSize({1, 1})->IsBefore(foreign));
}

TEST(CanvasOrder, AreasAreAbsoluteAndComputedIn64Bits)
{
    EXPECT_EQ(FromSize({-100, 200})->GetValue(), 20000);
    EXPECT_EQ(FromSize({100, -200})->GetValue(), 20000);
    // A rectangle upside down has the same area; 10 m x 10 m overflows 32 bits.
    EXPECT_EQ(FromRect(zq::Rect(0, 0, 1000, 500))->GetValue(), 500000);
    EXPECT_EQ(FromRect(zq::Rect(0, 1000000, 1000000, 0))->GetValue(), 1000000000000LL);
    EXPECT_EQ(FromRect(zq::Rect(-2000000000, 2000000000, 2000000000, 1999999999))->GetValue(), 4000000000LL);
    EXPECT_EQ(View::MakeAreaWeight({30, 40})->GetValue(), 1200);
    EXPECT_EQ(View::MakeAreaWeightOfRect(zq::Rect(0, 40, 30, 0))->GetClass(), 0);
}

} // namespace
