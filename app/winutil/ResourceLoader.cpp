#include "app/winutil/ResourceLoader.h"

#include <stdexcept>

namespace WinUtil {

ResourceLoader::ResourceLoader(HINSTANCE instance)
    : instance_(instance ? instance : GetModuleHandleW(nullptr)) {}

ResourceLoader& ResourceLoader::Instance() {
    static ResourceLoader loader;
    return loader;
}

std::wstring ResourceLoader::LoadString(UINT id) const {
    // With a zero buffer size LoadStringW hands out a read-only pointer into the resource.
    const wchar_t* text = nullptr;
    int n = ::LoadStringW(instance_, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || !text) return {};
    return std::wstring(text, static_cast<size_t>(n));
}

std::wstring ResourceLoader::FormatString(UINT id, std::initializer_list<std::wstring> args) const {
    return FormatPattern(LoadString(id), std::vector<std::wstring>(args));
}

HACCEL ResourceLoader::LoadAccelerators(UINT id) const {
    return ::LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(id));
}

HICON ResourceLoader::LoadIcon(UINT id) const {
    return static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0,
                                         LR_DEFAULTSIZE | LR_SHARED));
}

HICON ResourceLoader::LoadIcon(UINT id, int cx, int cy) const {
    return static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, cx, cy, LR_SHARED));
}

HCURSOR ResourceLoader::LoadCursor(UINT id) const {
    return ::LoadCursorW(instance_, MAKEINTRESOURCEW(id));
}

std::wstring FormatPattern(const std::wstring& pattern, const std::vector<std::wstring>& args) {
    std::wstring out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        wchar_t c = pattern[i];
        if (c != L'%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        wchar_t next = pattern[i + 1];
        if (next == L'%') {
            out += L'%';
            ++i;
            continue;
        }
        if (next < L'1' || next > L'9') {
            out += c;
            continue;
        }
        // Take the longest run of digits that still names a given argument.
        size_t j = i + 1;
        size_t number = 0;
        size_t used = 0;
        while (j < pattern.size() && pattern[j] >= L'0' && pattern[j] <= L'9') {
            size_t candidate = number * 10 + static_cast<size_t>(pattern[j] - L'0');
            if (candidate > args.size()) break;
            number = candidate;
            used = j - i;
            ++j;
        }
        if (number >= 1 && number <= args.size()) {
            out += args[number - 1];
            i += used;
        } else {
            out += c;  // an argument that was not given stays as written
        }
    }
    return out;
}

const std::wstring& ResourceString::Load() const {
    if (!loaded_) {
        text_ = ResourceLoader::Instance().LoadString(id_);
        loaded_ = true;
    }
    return text_;
}

ResourceStringArray::ResourceStringArray(UINT firstId, size_t count) {
    strings_.reserve(count);
    for (size_t i = 0; i < count; ++i) strings_.emplace_back(firstId + static_cast<UINT>(i));
}

const std::wstring& ResourceStringArray::operator[](size_t index) const {
    if (index >= strings_.size()) throw std::out_of_range("ResourceStringArray index");
    return strings_[index].Load();
}

} // namespace WinUtil
