// The program's grid with a pitch of 1 mm.
#pragma once

#include "core/Grid.h"

namespace View {

// Snaps to multiples of 100 units (1 mm).
class DefaultGrid : public Core::IGrid {
public:
    static constexpr int32_t kPitch = 100;
    // The one grid of the program, made on first use.
    static const DefaultGrid& Instance();
    // Each coordinate to the nearest multiple of 100; a remainder of exactly 50 goes toward zero.
    zq::Point SnapPoint(const zq::Point& point) const override;
    // Left and bottom down, right and top up to multiples of 100; the result is normalised.
    zq::Rect SnapRect(const zq::Rect& rect) const override;
    // Width and height each up to the next multiple of 100 at or above.
    zq::Point SnapSize(const zq::Point& size) const override;
    // Up to the next multiple of 100 at or above.
    int32_t SnapLength(int32_t length) const override;

    // The rules on one value.
    static int32_t Nearest(int32_t v);
    static int32_t Down(int32_t v);
    static int32_t Up(int32_t v);
};

} // namespace View
