#pragma once
// Font fallback: the face that shapes a stretch of text when the run's own font lacks its characters.
#include <string>
#include <string_view>

#include "drawing/FontUtil.h"

namespace TextBlock {

// Which faces a fallback may take: any, or for printers those with TrueType outlines first, as
// printer drivers embed only those (a PostScript driver prints a face with CFF outlines blank).
enum class FaceUse { Any, Printer };

// The face to shape the units with: the font's own when it maps all of them, else the first installed
// face of a short list chosen by their script that maps them (for a printer, the first such face with
// TrueType outlines when there is one), else the own face. Measuring and drawing both ask here; the
// model keeps the run's own font.
std::wstring FallbackFace(const FontUtil::FontDesc& desc, std::u16string_view units, FaceUse use = FaceUse::Any);

// Whether text of the character keeps the face of the description: the face maps it, or it needs
// no face (FallbackFace gives the own face for units of such characters only).
bool KeepsOwnFace(const FontUtil::FontDesc& desc, char32_t c);

// The description with the fallback face for the units (the description itself when its face serves).
FontUtil::FontDesc WithFallback(const FontUtil::FontDesc& desc, std::u16string_view units, FaceUse use = FaceUse::Any);

// Whether the font selected into dc has TrueType outlines (a 'glyf' table), which printers embed.
bool HasTrueTypeOutlines(HDC dc);

// The character set a Windows metafile needs to carry the units as 8-bit text (by their script).
BYTE MetafileCharSet(std::u16string_view units);

}  // namespace TextBlock
