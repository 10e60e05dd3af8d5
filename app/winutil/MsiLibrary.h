// The Windows Installer library, loaded at run time.
#pragma once

#include "app/winutil/Platform.h"

#include <string>

namespace WinUtil {

// Loads "Msi.dll" and calls its functions looked up by name; frees the library with the object.
class MsiLibrary {
public:
    // Loads the library; IsLoaded tells whether that worked.
    MsiLibrary();
    MsiLibrary(const MsiLibrary&) = delete;
    MsiLibrary& operator=(const MsiLibrary&) = delete;
    ~MsiLibrary();

    // Whether the library was loaded.
    bool IsLoaded() const { return module_ != nullptr; }

    // MsiProvideComponentW: installs the component if needed and gives its path; a system error code.
    UINT ProvideComponent(const std::wstring& product, const std::wstring& feature,
                          const std::wstring& component, DWORD installMode, std::wstring& path) const;
    // MsiQueryFeatureStateW: the feature's install state (INSTALLSTATE_UNKNOWN, -1, when unavailable).
    int QueryFeatureState(const std::wstring& product, const std::wstring& feature) const;
    // MsiConfigureFeatureW: sets the feature's install state; a system error code.
    UINT ConfigureFeature(const std::wstring& product, const std::wstring& feature, int installState) const;
    // MsiGetComponentPathW: the component's path and install state (-1 when unavailable).
    int GetComponentPath(const std::wstring& product, const std::wstring& component, std::wstring& path) const;

private:
    FARPROC Find(const char* name) const;
    HMODULE module_;
};

} // namespace WinUtil
