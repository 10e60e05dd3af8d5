// The Windows Installer library, loaded at run time.
#pragma once

#include "app/winutil/Platform.h"

#include <string>
#include <thread>

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

// Loads "Msi.dll" on a thread of its own while the program starts, so that the installation check
// finds it loaded: under Wine, loading it with the libraries it needs takes tens of milliseconds on
// the window thread, a few on a thread of its own beside the start's other work.
class MsiPreload {
public:
    // Starts the load; a thread that cannot be started leaves the load to the library's first user.
    MsiPreload();
    MsiPreload(const MsiPreload&) = delete;
    MsiPreload& operator=(const MsiPreload&) = delete;
    // Release.
    ~MsiPreload();

    // Waits for the load to end; the library, or null when it could not be loaded.
    HMODULE Wait();
    // Waits for the load to end and gives up this hold on the library.
    void Release();

private:
    std::thread thread_;
    HMODULE module_ = nullptr;  // written by the thread, read after it ended
};

} // namespace WinUtil
