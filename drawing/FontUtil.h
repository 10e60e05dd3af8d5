// Installed font families and shared GDI fonts.
#pragma once

#include "app/winutil/Platform.h"

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace FontUtil {

// The installed font families, sorted by name without case.
class FontList {
public:
    // Enumerates the families installed now.
    FontList();
    // The families in the list's order.
    const std::vector<std::wstring>& Families() const { return families_; }
    // The index of a face (case-insensitive), or -1.
    int Find(const std::wstring& face) const;
    // The face itself when installed, else the face the system substitutes for it.
    std::wstring Substitute(const std::wstring& face) const;
    // The process-wide list, made on first use.
    static const FontList& Instance();
private:
    std::vector<std::wstring> families_;
};

// What a font is made from: face, height in pixels (negative: character height), style, and the
// rest of the platform's font record.
struct FontDesc {
    std::wstring face;
    int height = -12;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    bool strikeOut = false;
    BYTE charSet = DEFAULT_CHARSET;
    BYTE outPrecision = OUT_DEFAULT_PRECIS;
    BYTE clipPrecision = CLIP_DEFAULT_PRECIS;
    BYTE quality = CLEARTYPE_QUALITY;
    BYTE pitchAndFamily = DEFAULT_PITCH;
    // Field by field, without the copies Key makes.
    friend bool operator==(const FontDesc&, const FontDesc&) = default;
    // Every field, for comparing and ordering descriptions.
    auto Key() const {
        return std::make_tuple(face, height, weight, italic, underline, width, escapement, orientation, strikeOut,
                               charSet, outPrecision, clipPrecision, quality, pitchAndFamily);
    }
    // The description of a platform font record (the face cut to the record's limit).
    static FontDesc FromLogFont(const LOGFONTW& lf);
    // The platform font record of the description.
    LOGFONTW ToLogFont() const;
};

// A shared GDI font: fonts of the same description share one handle, released with the last
// reference.
class FontRef {
public:
    FontRef() = default;
    // The font of the description, from the cache or newly made.
    static FontRef Get(const FontDesc& desc);
    // The handle, null for an empty reference.
    HFONT Handle() const;
    // The description it was made from.
    const FontDesc& Desc() const;
    bool IsEmpty() const { return !font_; }
    // Number of distinct fonts alive in the cache.
    static size_t CacheSize();
private:
    struct Font;
    explicit FontRef(std::shared_ptr<Font> f) : font_(std::move(f)) {}
    std::shared_ptr<Font> font_;
};

} // namespace FontUtil
