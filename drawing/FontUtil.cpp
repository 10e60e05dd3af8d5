#include "app/winutil/Platform.h"
#include "drawing/FontUtil.h"
#include "drawing/DrawingKernel.h"

#include <algorithm>
#include <cwctype>

namespace FontUtil {

namespace {

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = wchar_t(std::towlower(c));
    return s;
}

int CALLBACK Collect(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM out) {
    std::wstring face = lf->lfFaceName;
    if (!face.empty() && face[0] != L'@') reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(face);
    return 1;
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

namespace {
std::map<std::tuple<std::wstring, int, int, bool, bool>, std::weak_ptr<void>>& Cache() {
    static std::map<std::tuple<std::wstring, int, int, bool, bool>, std::weak_ptr<void>> cache;
    return cache;
}
} // namespace

FontRef FontRef::Get(const FontDesc& desc) {
    auto& cache = Cache();
    auto& slot = cache[desc.Key()];
    if (auto alive = slot.lock()) return FontRef(std::static_pointer_cast<Font>(alive));
    auto f = std::make_shared<Font>();
    f->desc = desc;
    LOGFONTW lf{};
    lf.lfHeight = desc.height;
    lf.lfWeight = desc.weight;
    lf.lfItalic = desc.italic;
    lf.lfUnderline = desc.underline;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(lf.lfFaceName, desc.face.c_str(), LF_FACESIZE);
    f->handle = CreateFontIndirectW(&lf);
    if (!f->handle) throw DrawingKernel::Error("the font could not be made");
    slot = f;
    // Forget expired entries now and then so the cache does not grow without bound.
    if (cache.size() > 256)
        for (auto it = cache.begin(); it != cache.end();) it = it->second.expired() ? cache.erase(it) : std::next(it);
    return FontRef(f);
}

HFONT FontRef::Handle() const { return font_ ? font_->handle : nullptr; }

const FontDesc& FontRef::Desc() const {
    static const FontDesc none;
    return font_ ? font_->desc : none;
}

size_t FontRef::CacheSize() {
    size_t n = 0;
    for (auto& [k, w] : Cache()) n += !w.expired();
    return n;
}

} // namespace FontUtil
