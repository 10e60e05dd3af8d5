// Following shell shortcuts to their targets.
#include "app/winutil/Files.h"

#include <cwctype>

namespace WinUtil {

namespace {

template <class T>
struct ComRelease {
    T* p = nullptr;
    ~ComRelease() { if (p) p->Release(); }
};

bool HasLinkExtension(const std::wstring& path) {
    static const wchar_t ext[] = L".lnk";
    if (path.size() < 4) return false;
    for (size_t i = 0; i < 4; ++i)
        if (std::towlower(path[path.size() - 4 + i]) != static_cast<wint_t>(ext[i])) return false;
    return true;
}

} // namespace

std::wstring ResolveShellLink(const std::wstring& path) {
    if (!HasLinkExtension(path)) return path;
    ComRelease<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link.p))))
        return path;
    ComRelease<IPersistFile> file;
    if (FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p)))) return path;
    if (FAILED(file.p->Load(path.c_str(), STGM_READ))) return path;
    wchar_t target[MAX_PATH * 4] = {};
    if (FAILED(link.p->GetPath(target, static_cast<int>(std::size(target)), nullptr, 0)) || !target[0])
        return path;
    return target;
}

} // namespace WinUtil
