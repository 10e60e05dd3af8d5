// Comparing document names and paths as the file system does: without regard to letter case.
#pragma once

#include "app/winutil/Platform.h"

#include <string>

namespace Editor {

// Whether the two texts are equal without regard to case (ordinal, same length).
inline bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// Whether text ends with end, without regard to case.
inline bool EndsWithNoCase(const std::wstring& text, const std::wstring& end) {
    return end.size() <= text.size() && EqualsNoCase(text.substr(text.size() - end.size()), end);
}

} // namespace Editor
