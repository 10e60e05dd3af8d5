#include "app/winutil/Platform.h"
#include "drawing/Placeable.h"

namespace DrawingKernel {

std::vector<uint8_t> PlaceableMetafileBytes(const METAFILEPICT& pict) {
    const UINT size = GetMetaFileBitsEx(pict.hMF, 0, nullptr);
    if (size == 0) return {};
    const uint16_t words[10] = {0xCDD7, 0x9AC6, 0, 0, 0, uint16_t(pict.xExt & 0xFFFF), uint16_t(pict.yExt & 0xFFFF),
                                2540, 0, 0};
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
