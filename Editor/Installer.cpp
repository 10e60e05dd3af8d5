#include "Editor/Installer.h"

#include "Editor/ProductCodes.h"
#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"

namespace Editor {

namespace {

constexpr int kStateAdvertised = 1;  // INSTALLSTATE_ADVERTISED
constexpr int kStateAbsent = 2;      // INSTALLSTATE_ABSENT
constexpr int kStateLocal = 3;       // INSTALLSTATE_LOCAL
constexpr int kStateSource = 4;      // INSTALLSTATE_SOURCE
constexpr LONG kInstallFailure = 1603;
constexpr REGSAM kWriteAccess = STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// The installer library of the system.
class MsiQueries : public IInstallerQueries {
public:
    bool IsLoaded() const { return library_.IsLoaded(); }
    UINT ProvideComponent(const std::wstring& product, const std::wstring& feature,
                          const std::wstring& component) override {
        std::wstring ignored;
        return library_.ProvideComponent(product, feature, component, 0 /* INSTALLMODE_DEFAULT */, ignored);
    }
    int QueryFeatureState(const std::wstring& product, const std::wstring& feature) override {
        return library_.QueryFeatureState(product, feature);
    }
    UINT ConfigureFeature(const std::wstring& product, const std::wstring& feature, int state) override {
        return library_.ConfigureFeature(product, feature, state);
    }
    int GetComponentPath(const std::wstring& product, const std::wstring& component, std::wstring& path) override {
        return library_.GetComponentPath(product, component, path);
    }

private:
    WinUtil::MsiLibrary library_;
};

std::unique_ptr<IInstallerQueries> SystemQueries() {
    auto queries = std::make_unique<MsiQueries>();
    if (!queries->IsLoaded()) return nullptr;
    return queries;
}

void ShowWarning(UINT stringId) {
    auto& resources = WinUtil::ResourceLoader::Instance();
    std::wstring caption = resources.LoadString(IDS_PRODUCTNAME);
    std::wstring text = resources.LoadString(stringId);
    WinUtil::MessageBox(caption.c_str(), text.c_str(), MB_TASKMODAL | MB_ICONEXCLAMATION);
}

} // namespace

std::wstring GetInstalledComponentPath(IInstallerQueries& queries, const std::wstring& product,
                                       const std::wstring& component) {
    std::wstring path;
    int state = queries.GetComponentPath(product, component, path);
    if (state == kStateLocal || state == kStateSource) return path;
    // An installer that only checks files calls a registry key path absent; the key is what counts.
    HKEY root = nullptr;
    std::wstring key;
    if (state == kStateAbsent && SplitRegistryKeyPath(path, root, key)) {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) == ERROR_SUCCESS) {
            RegCloseKey(opened);
            return path;
        }
    }
    return {};
}

bool SplitRegistryKeyPath(const std::wstring& path, HKEY& root, std::wstring& key) {
    if (path.size() <= 4 || path[2] != L':' || path[3] != L'\\') return false;
    const std::wstring code = path.substr(0, 2);
    if (code == L"00") root = HKEY_CLASSES_ROOT;
    else if (code == L"02") root = HKEY_LOCAL_MACHINE;
    else if (code == L"03") root = HKEY_USERS;
    else root = HKEY_CURRENT_USER;
    key = path.substr(4);
    // A key path of the key's default value ends in a separator, which no key name has.
    while (!key.empty() && key.back() == L'\\') key.pop_back();
    return !key.empty();
}

Installer::Installer(QueriesFactory queries, Warning warn)
    : queries_(queries ? std::move(queries) : QueriesFactory(SystemQueries)),
      warn_(warn ? std::move(warn) : Warning(ShowWarning)) {
    std::unique_ptr<IInstallerQueries> msi = queries_();
    if (!msi) {
        warn_(IDS_NO_INSTALLER);
        return;
    }
    using namespace ProductCodes;
    // An installer that cannot provide a component on demand (no repair from the source) still
    // counts as a working installation when the component is in place.
    bool mainInstalled = msi->ProvideComponent(kProduct, kMainFeature, kMainComponent) == 0 ||
                         !GetInstalledComponentPath(*msi, kProduct, kMainComponent).empty();
    if (msi->QueryFeatureState(kProduct, kSettingsFeature) == kStateAdvertised)
        msi->ConfigureFeature(kProduct, kSettingsFeature, kStateLocal);
    msi->ProvideComponent(kProduct, kSettingsFeature, kSettingsComponent);
    std::wstring path = GetInstalledComponentPath(*msi, kProduct, kSettingsComponent);
    HKEY root = HKEY_CURRENT_USER;
    std::wstring key;
    if (SplitRegistryKeyPath(path, root, key)) {
        root_ = root;
        keyPath_ = key;
    }
    if (!mainInstalled || keyPath_.empty()) warn_(IDS_NOT_INSTALLED);
}

Installer& Installer::Instance() {
    static Installer installer;
    return installer;
}

WinUtil::Registry::Key Installer::Open(REGSAM access) const {
    if (keyPath_.empty()) throw WinUtil::Registry::Exception("Installer: no settings key", kInstallFailure);
    return WinUtil::Registry::Key::Open(root_, keyPath_, access);
}

WinUtil::Registry::Key Installer::OpenKeyForReading() const { return Open(KEY_QUERY_VALUE); }

WinUtil::Registry::Key Installer::OpenKeyForWriting() const { return Open(kWriteAccess); }

std::wstring Installer::GetHelpPath() const {
    std::unique_ptr<IInstallerQueries> msi = queries_();
    if (!msi) {
        warn_(IDS_NO_INSTALLER);
        return {};
    }
    using namespace ProductCodes;
    msi->ProvideComponent(kProduct, kMainFeature, kHelpComponent);
    return GetInstalledComponentPath(*msi, kProduct, kHelpComponent);
}

} // namespace Editor
