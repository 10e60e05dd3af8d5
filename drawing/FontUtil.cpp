#include "app/winutil/Platform.h"
#include "drawing/FontUtil.h"
#include "drawing/DrawingKernel.h"

#include <algorithm>
#include <cwctype>
#include <mutex>
#include <utility>

namespace FontUtil {

namespace {

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = wchar_t(std::towlower(c));
    return s;
}

// Called by the system for each family; no exception may leave it (out of memory ends the list).
int CALLBACK Collect(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM out) {
    try {
        std::wstring face = lf->lfFaceName;
        if (!face.empty() && face[0] != L'@') reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(face);
        return 1;
    } catch (...) {
        return 0;
    }
}

} // namespace

FontList::FontList() {
    HDC dc = GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc, &lf, &Collect, reinterpret_cast<LPARAM>(&families_), 0);
    ReleaseDC(nullptr, dc);
    std::sort(families_.begin(), families_.end(), [](const std::wstring& a, const std::wstring& b) { return Lower(a) < Lower(b); });
    families_.erase(std::unique(families_.begin(), families_.end(),
                                [](const std::wstring& a, const std::wstring& b) { return Lower(a) == Lower(b); }),
                    families_.end());
}

int FontList::Find(const std::wstring& face) const {
    const std::wstring key = Lower(face);
    auto it = std::lower_bound(families_.begin(), families_.end(), key,
                               [](const std::wstring& a, const std::wstring& k) { return Lower(a) < k; });
    return it != families_.end() && Lower(*it) == key ? int(it - families_.begin()) : -1;
}

std::wstring FontList::Substitute(const std::wstring& face) const {
    if (const int i = Find(face); i >= 0) return families_[size_t(i)];
    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    HFONT f = CreateFontIndirectW(&lf);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, f);
    wchar_t actual[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, actual);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(f);
    return actual;
}

const FontList& FontList::Instance() {
    static const FontList list;
    return list;
}

struct FontRef::Font {
    FontDesc desc;
    HFONT handle = nullptr;
    ~Font() { if (handle) DeleteObject(handle); }
};

FontDesc FontDesc::FromLogFont(const LOGFONTW& lf) {
    FontDesc d;
    d.face.assign(lf.lfFaceName, wcsnlen(lf.lfFaceName, LF_FACESIZE));
    d.height = lf.lfHeight;
    d.weight = lf.lfWeight;
    d.italic = lf.lfItalic != 0;
    d.underline = lf.lfUnderline != 0;
    d.width = lf.lfWidth;
    d.escapement = lf.lfEscapement;
    d.orientation = lf.lfOrientation;
    d.strikeOut = lf.lfStrikeOut != 0;
    d.charSet = lf.lfCharSet;
    d.outPrecision = lf.lfOutPrecision;
    d.clipPrecision = lf.lfClipPrecision;
    d.quality = lf.lfQuality;
    d.pitchAndFamily = lf.lfPitchAndFamily;
    return d;
}

LOGFONTW FontDesc::ToLogFont() const {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strikeOut;
    lf.lfCharSet = charSet;
    lf.lfOutPrecision = outPrecision;
    lf.lfClipPrecision = clipPrecision;
    lf.lfQuality = quality;
    lf.lfPitchAndFamily = pitchAndFamily;
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    return lf;
}

namespace {

using CacheKey = decltype(std::declval<FontDesc>().Key());

// The fonts alive, by description; guarded because measuring may run on other threads.
struct FontCache {
    std::mutex lock;
    std::map<CacheKey, std::weak_ptr<void>> fonts;
};

FontCache& Cache() {
    static FontCache cache;
    return cache;
}

} // namespace

FontRef FontRef::Get(const FontDesc& desc) {
    FontCache& cache = Cache();
    const std::lock_guard<std::mutex> hold(cache.lock);
    auto& slot = cache.fonts[desc.Key()];
    if (auto alive = slot.lock()) return FontRef(std::static_pointer_cast<Font>(alive));
    auto f = std::make_shared<Font>();
    f->desc = desc;
    const LOGFONTW lf = desc.ToLogFont();
    f->handle = CreateFontIndirectW(&lf);
    if (!f->handle) {
        cache.fonts.erase(desc.Key());
        throw DrawingKernel::Error("the font could not be made");
    }
    slot = f;
    // Forget expired entries now and then so the cache does not grow without bound.
    if (cache.fonts.size() > 256)
        for (auto it = cache.fonts.begin(); it != cache.fonts.end();) it = it->second.expired() ? cache.fonts.erase(it) : std::next(it);
    return FontRef(f);
}

HFONT FontRef::Handle() const { return font_ ? font_->handle : nullptr; }

const FontDesc& FontRef::Desc() const {
    static const FontDesc none;
    return font_ ? font_->desc : none;
}

size_t FontRef::CacheSize() {
    FontCache& cache = Cache();
    const std::lock_guard<std::mutex> hold(cache.lock);
    size_t n = 0;
    for (auto& [k, w] : cache.fonts) n += !w.expired();
    return n;
}

} // namespace FontUtil
