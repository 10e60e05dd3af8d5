#include "app/winutil/MsiLibrary.h"

#include <system_error>
#include <vector>

namespace WinUtil {

namespace {

constexpr int StateUnknown = -1;  // INSTALLSTATE_UNKNOWN

using ProvideComponentFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPWSTR, LPDWORD);
using QueryFeatureStateFn = int(WINAPI*)(LPCWSTR, LPCWSTR);
using ConfigureFeatureFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR, int);
using GetComponentPathFn = int(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR, LPDWORD);

template <class Fn>
Fn As(FARPROC p) { return reinterpret_cast<Fn>(reinterpret_cast<void*>(p)); }

} // namespace

MsiLibrary::MsiLibrary() : module_(LoadLibraryW(L"Msi.dll")) {}

MsiLibrary::~MsiLibrary() {
    if (module_) FreeLibrary(module_);
}

FARPROC MsiLibrary::Find(const char* name) const {
    return module_ ? GetProcAddress(module_, name) : nullptr;
}

UINT MsiLibrary::ProvideComponent(const std::wstring& product, const std::wstring& feature,
                                  const std::wstring& component, DWORD installMode, std::wstring& path) const {
    auto fn = As<ProvideComponentFn>(Find("MsiProvideComponentW"));
    if (!fn) return ERROR_PROC_NOT_FOUND;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        UINT rc = fn(product.c_str(), feature.c_str(), component.c_str(), installMode, buffer.data(), &size);
        if (rc == ERROR_MORE_DATA && size + 1 > buffer.size()) {
            buffer.resize(size + 1);
            continue;
        }
        if (rc == ERROR_SUCCESS) path.assign(buffer.data(), std::min<size_t>(size, buffer.size()));
        return rc;
    }
}

int MsiLibrary::QueryFeatureState(const std::wstring& product, const std::wstring& feature) const {
    auto fn = As<QueryFeatureStateFn>(Find("MsiQueryFeatureStateW"));
    return fn ? fn(product.c_str(), feature.c_str()) : StateUnknown;
}

UINT MsiLibrary::ConfigureFeature(const std::wstring& product, const std::wstring& feature, int state) const {
    auto fn = As<ConfigureFeatureFn>(Find("MsiConfigureFeatureW"));
    return fn ? fn(product.c_str(), feature.c_str(), state) : ERROR_PROC_NOT_FOUND;
}

int MsiLibrary::GetComponentPath(const std::wstring& product, const std::wstring& component,
                                 std::wstring& path) const {
    auto fn = As<GetComponentPathFn>(Find("MsiGetComponentPathW"));
    if (!fn) return StateUnknown;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        int state = fn(product.c_str(), component.c_str(), buffer.data(), &size);
        if (state == -3 /* INSTALLSTATE_MOREDATA */ && size + 1 > buffer.size()) {
            buffer.resize(size + 1);
            continue;
        }
        if (state >= 0) path.assign(buffer.data(), std::min<size_t>(size, buffer.size()));
        return state;
    }
    return StateUnknown;
}

MsiPreload::MsiPreload() {
    try {
        thread_ = std::thread([this] { module_ = LoadLibraryW(L"Msi.dll"); });
    } catch (const std::system_error&) {
    }
}

MsiPreload::~MsiPreload() { Release(); }

HMODULE MsiPreload::Wait() {
    if (thread_.joinable()) thread_.join();
    return module_;
}

void MsiPreload::Release() {
    if (Wait()) FreeLibrary(module_);
    module_ = nullptr;
}

} // namespace WinUtil
