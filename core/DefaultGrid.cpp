#include "core/DefaultGrid.h"

#include <cstdint>
#include <limits>

namespace View {

namespace {
constexpr int64_t kPitch = DefaultGrid::kPitch;
// The largest grid multiples that fit 32 bits.
constexpr int64_t kMaxMultiple = (std::numeric_limits<int32_t>::max() / kPitch) * kPitch;
constexpr int64_t kMinMultiple = (std::numeric_limits<int32_t>::min() / kPitch) * kPitch;

int32_t Clamp(int64_t v)
{
    return static_cast<int32_t>(v > kMaxMultiple ? kMaxMultiple : (v < kMinMultiple ? kMinMultiple : v));
}
} // namespace

const DefaultGrid& DefaultGrid::Instance()
{
    static const DefaultGrid grid;
    return grid;
}

int32_t DefaultGrid::Nearest(int32_t v)
{
    int64_t q = v / kPitch, r = v % kPitch;  // both carry v's sign
    if (r > kPitch / 2) ++q;
    if (r < -kPitch / 2) --q;
    return Clamp(q * kPitch);
}

int32_t DefaultGrid::Down(int32_t v)
{
    int64_t q = v / kPitch;
    if (v % kPitch < 0) --q;
    return Clamp(q * kPitch);
}

int32_t DefaultGrid::Up(int32_t v)
{
    int64_t q = v / kPitch;
    if (v % kPitch > 0) ++q;
    return Clamp(q * kPitch);
}

zq::Point DefaultGrid::SnapPoint(const zq::Point& p) const { return {Nearest(p.x), Nearest(p.y)}; }

zq::Rect DefaultGrid::SnapRect(const zq::Rect& rect) const
{
    const zq::Rect r = rect.Normalized();
    return zq::Rect(Down(r.left), Up(r.top), Up(r.right), Down(r.bottom));
}

zq::Point DefaultGrid::SnapSize(const zq::Point& size) const { return {Up(size.x), Up(size.y)}; }

int32_t DefaultGrid::SnapLength(int32_t length) const { return Up(length); }

} // namespace View
