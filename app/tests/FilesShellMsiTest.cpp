// Services over the system: shell shortcuts followed to their targets, and the Windows Installer
// library loaded at run time (Wine's msi, where no product of ours is installed).
#include "app/winutil/Files.h"
#include "app/winutil/MsiLibrary.h"

#include <gtest/gtest.h>

#include <msi.h>
#include <shlobj.h>

#include <string>

namespace {

std::wstring TempPath(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId());
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

// Saves a shortcut to target at path through the shell's own objects.
HRESULT SaveShortcut(const std::wstring& path, const std::wstring& target) {
    IShellLinkW* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (FAILED(hr)) return hr;
    IPersistFile* file = nullptr;
    hr = link->SetPath(target.c_str());
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) hr = file->Save(path.c_str(), TRUE);
    if (file) file->Release();
    link->Release();
    return hr;
}

TEST(ResolveShellLink, ARealShortcutGivesItsTargetAnythingElseItself) {
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring target = TempPath(L"QuorvelLinkTarget") + L".qvd";
    const std::wstring shortcut = TempPath(L"QuorvelLink") + L".LNK";
    const std::wstring broken = TempPath(L"QuorvelBrokenLink") + L".lnk";
    WriteFileBytes(target, "<a/>");
    WriteFileBytes(broken, "not a shortcut");
    ASSERT_HRESULT_SUCCEEDED(SaveShortcut(shortcut, target));

    EXPECT_EQ(CompareStringOrdinal(WinUtil::ResolveShellLink(shortcut).c_str(), -1, target.c_str(), -1, TRUE),
              CSTR_EQUAL);
    EXPECT_EQ(WinUtil::ResolveShellLink(target), target);
    EXPECT_EQ(WinUtil::ResolveShellLink(broken), broken);
    EXPECT_EQ(WinUtil::ResolveShellLink(TempPath(L"QuorvelMissing") + L".lnk"), TempPath(L"QuorvelMissing") + L".lnk");

    DeleteFileW(target.c_str());
    DeleteFileW(shortcut.c_str());
    DeleteFileW(broken.c_str());
    if (SUCCEEDED(init)) CoUninitialize();
}

TEST(MsiLibrary, LoadsTheSystemLibraryAndAnswersForAnUnknownProduct) {
    WinUtil::MsiLibrary msi;
    ASSERT_TRUE(msi.IsLoaded());
    const std::wstring product = L"{6D1E1F0B-6C2A-4C3B-9B1F-5A0C3E7D2B11}";
    const std::wstring component = L"{0F5B9E53-2C6E-4E1B-8D2A-7B4C1A9E3F20}";
    EXPECT_EQ(msi.QueryFeatureState(product, L"Settings"), INSTALLSTATE_UNKNOWN);
    std::wstring path = L"unchanged";
    EXPECT_EQ(msi.GetComponentPath(product, component, path), INSTALLSTATE_UNKNOWN);
    EXPECT_EQ(path, L"unchanged");
    UINT provided = msi.ProvideComponent(product, L"Settings", component, INSTALLMODE_DEFAULT, path);
    EXPECT_NE(provided, static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_EQ(path, L"unchanged");
    EXPECT_EQ(msi.ConfigureFeature(product, L"Settings", INSTALLSTATE_LOCAL), static_cast<UINT>(ERROR_UNKNOWN_PRODUCT));
    // A product code that is no GUID at all is refused as well (the error differs between systems).
    EXPECT_NE(msi.ConfigureFeature(L"not a product", L"Settings", INSTALLSTATE_LOCAL), static_cast<UINT>(ERROR_SUCCESS));
}

// The preload holds the library from its own thread until released; a later load on this thread
// finds it.
TEST(MsiLibrary, APreloadHoldsTheLibraryUntilReleased) {
    const bool loadedBefore = GetModuleHandleW(L"msi.dll") != nullptr;
    WinUtil::MsiPreload preload;
    const HMODULE held = preload.Wait();
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(GetModuleHandleW(L"msi.dll"), held);
    {
        WinUtil::MsiLibrary msi;
        EXPECT_TRUE(msi.IsLoaded());
    }
    EXPECT_EQ(GetModuleHandleW(L"msi.dll"), held) << "the library went while the preload held it";
    preload.Release();
    EXPECT_EQ(preload.Wait(), nullptr);
    if (!loadedBefore) {
        EXPECT_EQ(GetModuleHandleW(L"msi.dll"), nullptr);
    }
}

} // namespace
