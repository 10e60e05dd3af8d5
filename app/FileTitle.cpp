#include "app/FileTitle.h"

#include "app/winutil/Platform.h"

#include <vector>

namespace Application {

std::wstring GetFileTitle(const std::wstring& path) {
    if (path.empty()) return {};
    // ::GetFileTitleW follows the shell's setting for known extensions and works for files not yet saved.
    short needed = ::GetFileTitleW(path.c_str(), nullptr, 0);
    if (needed > 0) {
        std::vector<wchar_t> buffer(static_cast<size_t>(needed) + 1, L'\0');
        if (::GetFileTitleW(path.c_str(), buffer.data(), static_cast<WORD>(buffer.size())) == 0) return buffer.data();
    }
    size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace Application
