// The placeable header of Windows metafile files.
#pragma once

#include "app/winutil/Platform.h"

#include <cstdint>
#include <vector>

namespace DrawingKernel {

// The bytes of a placeable metafile file: the 22-byte header (key 0x9AC6CDD7, extents in
// 0.01 mm at 2540 units per inch, coarser for pictures over 327.67 mm, checksum) followed by the metafile's bits; empty on failure.
std::vector<uint8_t> PlaceableMetafileBytes(const METAFILEPICT& pict);

// The units per inch of a Windows metafile whose longer side measures that many 0.01 mm: 2540,
// fewer when the picture is over 327.67 mm, so that every coordinate fits a signed 16-bit value.
// The header and the metafile's records both use it.
double WindowsMetafileUnitsPerInch(double longerSide);

} // namespace DrawingKernel
