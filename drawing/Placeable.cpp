#include "app/winutil/Platform.h"
#include "drawing/Placeable.h"

#include <algorithm>
#include <cmath>

namespace DrawingKernel {

double WindowsMetafileUnitsPerInch(double longerSide) {
    // Coordinates are signed 16-bit values: a picture wider or taller than 327.67 mm is described
    // in coarser units, so that its size on paper stays right.
    const double longer = std::max(1.0, longerSide);
    return longer > 32767 ? std::max(1.0, std::floor(2540 * 32767 / longer)) : 2540;
}

std::vector<uint8_t> PlaceableMetafileBytes(const METAFILEPICT& pict) {
    const UINT size = GetMetaFileBitsEx(pict.hMF, 0, nullptr);
    if (size == 0) return {};
    const double inch = WindowsMetafileUnitsPerInch(std::max(std::fabs(double(pict.xExt)), std::fabs(double(pict.yExt))));
    const auto side = [&](LONG ext) { return uint16_t(std::min(32767L, std::lround(std::fabs(double(ext)) * inch / 2540))); };
    const uint16_t words[10] = {0xCDD7, 0x9AC6, 0, 0, 0, side(pict.xExt), side(pict.yExt), uint16_t(inch), 0, 0};
    uint16_t checksum = 0;
    for (uint16_t w : words) checksum ^= w;
    std::vector<uint8_t> out;
    out.reserve(22 + size);
    for (uint16_t w : words) {
        out.push_back(uint8_t(w & 0xFF));
        out.push_back(uint8_t(w >> 8));
    }
    out.push_back(uint8_t(checksum & 0xFF));
    out.push_back(uint8_t(checksum >> 8));
    out.resize(22 + size);
    if (GetMetaFileBitsEx(pict.hMF, size, out.data() + 22) != size) return {};
    return out;
}

} // namespace DrawingKernel
