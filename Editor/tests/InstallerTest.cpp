// Finding the settings key and the help document through the installer: the lookups and their
// failures against a stand-in, then the real package installed in the test prefix, and the
// settings that the editor writes at exit and reads at the next start.
#include "Editor/Installer.h"
#include "Editor/ProductCodes.h"
#include "Editor/tests/EditorWindows.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace EditorTest;

// Answers the lookups from a table and records the calls.
struct FakeQueries : Editor::IInstallerQueries {
    struct Script {
        UINT provideResult = 0;
        int settingsState = 3;
        int mainState = 3;
        std::wstring settingsPath = L"01:\\Software\\Quorvel\\Fake\\";
        std::wstring helpPath = L"C:\\help.html";
        std::vector<std::wstring> calls;
    };
    explicit FakeQueries(Script& script) : s(script) {}
    UINT ProvideComponent(const std::wstring&, const std::wstring& feature, const std::wstring& component) override {
        s.calls.push_back(L"provide " + feature + L" " + component);
        return s.provideResult;
    }
    int QueryFeatureState(const std::wstring&, const std::wstring& feature) override {
        s.calls.push_back(L"query " + feature);
        return feature == Editor::ProductCodes::kSettingsFeature ? s.settingsState : 3;
    }
    UINT ConfigureFeature(const std::wstring&, const std::wstring& feature, int state) override {
        s.calls.push_back(L"configure " + feature + L" " + std::to_wstring(state));
        s.settingsState = state;
        return 0;
    }
    int GetComponentPath(const std::wstring&, const std::wstring& component, std::wstring& path) override {
        s.calls.push_back(L"path " + component);
        bool settings = component == Editor::ProductCodes::kSettingsComponent;
        path = settings ? s.settingsPath : s.helpPath;
        return settings ? (s.settingsState == 1 ? 8 : s.settingsState) : s.mainState;
    }
    Script& s;
};

struct Harness {
    FakeQueries::Script script;
    std::vector<UINT> warnings;
    bool libraryPresent = true;
    Editor::Installer Make() {
        return Editor::Installer(
            [this]() -> std::unique_ptr<Editor::IInstallerQueries> {
                if (!libraryPresent) return nullptr;
                return std::make_unique<FakeQueries>(script);
            },
            [this](UINT id) { warnings.push_back(id); });
    }
};

long RegistryCode(const std::function<void()>& f) {
    try {
        f();
    } catch (const WinUtil::Registry::Exception& e) {
        return e.GetCode();
    }
    return 0;
}

TEST(Installer, TheRootCodeOfTheKeyPathChoosesTheHive) {
    HKEY root = nullptr;
    std::wstring key;
    ASSERT_TRUE(Editor::SplitRegistryKeyPath(L"02:\\Software\\Q\\Settings\\", root, key));
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(key, L"Software\\Q\\Settings");
    ASSERT_TRUE(Editor::SplitRegistryKeyPath(L"00:\\CLSID", root, key));
    EXPECT_EQ(root, HKEY_CLASSES_ROOT);
    ASSERT_TRUE(Editor::SplitRegistryKeyPath(L"03:\\x", root, key));
    EXPECT_EQ(root, HKEY_USERS);
    ASSERT_TRUE(Editor::SplitRegistryKeyPath(L"17:\\x", root, key));
    EXPECT_EQ(root, HKEY_CURRENT_USER);
    EXPECT_FALSE(Editor::SplitRegistryKeyPath(L"C:\\Program Files\\x.exe", root, key));
    EXPECT_FALSE(Editor::SplitRegistryKeyPath(L"01:\\", root, key));
}

TEST(Installer, AnAdvertisedSettingsFeatureIsInstalledBeforeItsPathIsRead) {
    Harness h;
    h.script.settingsState = 1;
    Editor::Installer installer = h.Make();
    const auto& calls = h.script.calls;
    auto at = [&](const std::wstring& call) { return std::find(calls.begin(), calls.end(), call) - calls.begin(); };
    const std::wstring configure = L"configure UserSettings 3";
    const std::wstring path = std::wstring(L"path ") + Editor::ProductCodes::kSettingsComponent;
    ASSERT_LT(at(configure), static_cast<long>(calls.size()));
    EXPECT_LT(at(configure), at(path));
    EXPECT_EQ(installer.GetKeyPath(), L"Software\\Quorvel\\Fake");
    EXPECT_EQ(installer.GetRoot(), HKEY_CURRENT_USER);
    EXPECT_TRUE(h.warnings.empty());
}

TEST(Installer, WithoutTheLibraryItWarnsAtStartAndForEachHelpAndKeepsNoSettings) {
    Harness h;
    h.libraryPresent = false;
    Editor::Installer installer = h.Make();
    EXPECT_EQ(h.warnings, std::vector<UINT>{IDS_NO_INSTALLER});
    EXPECT_EQ(RegistryCode([&] { installer.OpenKeyForReading(); }), 1603);
    EXPECT_EQ(RegistryCode([&] { installer.OpenKeyForWriting(); }), 1603);
    EXPECT_EQ(installer.GetHelpPath(), L"");
    EXPECT_EQ(h.warnings, (std::vector<UINT>{IDS_NO_INSTALLER, IDS_NO_INSTALLER}));
}

TEST(Installer, AMissingOrDamagedInstallationWarnsOnce) {
    Harness failing;
    failing.script.provideResult = 1605;  // ERROR_UNKNOWN_PRODUCT
    failing.script.mainState = -1;
    failing.Make();
    EXPECT_EQ(failing.warnings, std::vector<UINT>{IDS_NOT_INSTALLED});

    // Components in place count even when the installer cannot provide them on demand.
    Harness noRepair;
    noRepair.script.provideResult = 1603;
    Editor::Installer working = noRepair.Make();
    EXPECT_TRUE(noRepair.warnings.empty());
    EXPECT_EQ(working.GetKeyPath(), L"Software\\Quorvel\\Fake");

    Harness absent;
    absent.script.settingsState = 2;  // INSTALLSTATE_ABSENT, and no such key exists
    absent.script.settingsPath = L"01:\\Software\\Quorvel\\NoSuchKey\\";
    Editor::Installer installer = absent.Make();
    EXPECT_EQ(absent.warnings, std::vector<UINT>{IDS_NOT_INSTALLED});
    EXPECT_TRUE(installer.GetKeyPath().empty());
}

// ---- the package installed in the test prefix (the install_msi test runs first)

TEST(InstalledPackage, GivesTheSettingsKeyTheHelpDocumentTheClassAndTheFileType) {
    std::vector<UINT> warnings;
    Editor::Installer installer({}, [&](UINT id) { warnings.push_back(id); });
    ASSERT_TRUE(warnings.empty()) << "the package is not installed: run scripts/install-msi";
    EXPECT_EQ(installer.GetRoot(), HKEY_CURRENT_USER);
    EXPECT_EQ(installer.GetKeyPath(), L"Software\\Quorvel\\UML Editor\\Settings");

    {
        WinUtil::Registry::Key key = installer.OpenKeyForWriting();
        key.SetDword(L"InstallerTestValue", 4711);
    }
    DWORD value = 0;
    EXPECT_TRUE(installer.OpenKeyForReading().QueryDword(L"InstallerTestValue", value));
    EXPECT_EQ(value, 4711u);
    installer.OpenKeyForWriting().DeleteValue(L"InstallerTestValue");

    std::wstring help = installer.GetHelpPath();
    EXPECT_NE(help.find(L"QuorvelUML.html"), std::wstring::npos) << help;
    EXPECT_NE(GetFileAttributesW(help.c_str()), INVALID_FILE_ATTRIBUTES) << help;

    std::wstring server;
    WinUtil::Registry::Key::Open(HKEY_CLASSES_ROOT,
                                 std::wstring(L"CLSID\\") + Editor::ProductCodes::kClassId + L"\\LocalServer32",
                                 KEY_QUERY_VALUE)
        .QueryString(nullptr, server);
    EXPECT_NE(server.find(L"QuorvelUML.exe"), std::wstring::npos) << server;
    std::wstring progId;
    WinUtil::Registry::Key::Open(HKEY_CLASSES_ROOT, L".qvd", KEY_QUERY_VALUE).QueryString(nullptr, progId);
    EXPECT_EQ(progId, L"Quorvel.UMLDiagram.1");
}

TEST(InstalledPackage, TheEditorStartsWithoutAWarningAndKeepsItsWindowPlacement) {
    TempFolder folder(L"QuorvelSettings");
    const std::wstring file = folder.AddFile(L"placed.qvd");
    const RECT wanted{131, 97, 131 + 612, 97 + 433};
    {
        Process editor;
        ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" placed.qvd", folder.Path()));
        HWND window = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (window = WindowOfPath(editor.Id(), file)) != nullptr; }))
            << "no document window: a warning box may be in the way";
        ASSERT_TRUE(SetWindowPos(window, nullptr, wanted.left, wanted.top, wanted.right - wanted.left,
                                 wanted.bottom - wanted.top, SWP_NOZORDER | SWP_NOACTIVATE));
        PostMessageW(window, WM_CLOSE, 0, 0);
        ASSERT_EQ(editor.WaitExit(15000), 0u);
    }
    std::vector<BYTE> stored;
    Editor::Installer installer({}, [](UINT) {});
    ASSERT_TRUE(installer.OpenKeyForReading().QueryBinary(L"WindowPlacement", stored));
    EXPECT_EQ(stored.size(), sizeof(WINDOWPLACEMENT));

    Process again;
    ASSERT_TRUE(again.Start(L"\"" + EditorPath() + L"\" placed.qvd", folder.Path()));
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = WindowOfPath(again.Id(), file)) != nullptr; }));
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(window, &placement));
    EXPECT_EQ(placement.rcNormalPosition.left, wanted.left);
    EXPECT_EQ(placement.rcNormalPosition.top, wanted.top);
    EXPECT_EQ(placement.rcNormalPosition.right, wanted.right);
    EXPECT_EQ(placement.rcNormalPosition.bottom, wanted.bottom);
}

} // namespace
