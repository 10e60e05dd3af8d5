// Where the installation keeps the editor's per-user settings and its help document, found through
// the Windows Installer (loaded at run time, so that the program runs without it).
#pragma once

#include "app/RegistryAccess.h"
#include "app/winutil/MsiLibrary.h"

#include <functional>
#include <memory>
#include <string>

namespace Editor {

// The installer lookups the editor makes; the system's library or a test's stand-in.
class IInstallerQueries {
public:
    virtual ~IInstallerQueries() = default;
    // MsiProvideComponentW without a buffer: 0 or a system error code.
    virtual UINT ProvideComponent(const std::wstring& product, const std::wstring& feature,
                                  const std::wstring& component) = 0;
    // MsiQueryFeatureStateW.
    virtual int QueryFeatureState(const std::wstring& product, const std::wstring& feature) = 0;
    // MsiConfigureFeatureW: 0 or a system error code.
    virtual UINT ConfigureFeature(const std::wstring& product, const std::wstring& feature, int state) = 0;
    // MsiGetComponentPathW: the install state; path gets the component's path for states 3 and 4.
    virtual int GetComponentPath(const std::wstring& product, const std::wstring& component, std::wstring& path) = 0;
};

class Installer : public Application::IRegistryAccessProvider {
public:
    // Makes the lookups, or null when the installer library cannot be loaded.
    using QueriesFactory = std::function<std::unique_ptr<IInstallerQueries>()>;
    // Shows a warning (the text of a string id) in a message box unless replaced.
    using Warning = std::function<void(UINT stringId)>;

    // Finds the settings key: makes the settings feature local when it is only advertised, provides
    // the main and settings components, reads the settings component's key path. Warns once (string
    // 123 without the library, 127 when the installation is missing or damaged).
    explicit Installer(QueriesFactory queries = {}, Warning warn = {});

    // The program-wide object, made on first use through the system's installer library.
    static Installer& Instance();

    // Opens the settings key for queries; throws WinUtil::Registry::Exception (1603 without a key).
    WinUtil::Registry::Key OpenKeyForReading() const override;
    // Opens the settings key for reading, setting values and creating subkeys; never creates it.
    WinUtil::Registry::Key OpenKeyForWriting() const override;
    // The installed help document, or empty (a warning when the installer library is missing).
    std::wstring GetHelpPath() const;

    // The settings key below its root (empty when the installation was not found).
    const std::wstring& GetKeyPath() const { return keyPath_; }
    // The root of the settings key.
    HKEY GetRoot() const { return root_; }

private:
    WinUtil::Registry::Key Open(REGSAM access) const;

    QueriesFactory queries_;
    Warning warn_;
    std::wstring keyPath_;
    HKEY root_ = HKEY_CURRENT_USER;
};

// The path of a component whose state is local (3) or source (4); empty otherwise.
std::wstring GetInstalledComponentPath(IInstallerQueries& queries, const std::wstring& product,
                                       const std::wstring& component);

// Splits a registry key path of the installer ("01:\Software\...") into its root (00 classes root,
// 01 current user, 02 local machine, 03 users; else current user) and the key below it. Answers
// false for a path too short to hold a key.
bool SplitRegistryKeyPath(const std::wstring& path, HKEY& root, std::wstring& key);

} // namespace Editor
