// A per-user registry key for one test, removed afterwards together with the parent keys that it
// leaves empty, so that test runs leave nothing behind.
#pragma once

#include "app/winutil/Platform.h"

#include <string>

namespace AppTest {

class ScopedTestKey {
public:
    // Starts from a clean key: whatever an earlier run left under path is removed.
    explicit ScopedTestKey(std::wstring path) : path_(std::move(path)) { RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str()); }
    ScopedTestKey(const ScopedTestKey&) = delete;
    ScopedTestKey& operator=(const ScopedTestKey&) = delete;
    ~ScopedTestKey() { Remove(); }

    // The path below HKEY_CURRENT_USER.
    const std::wstring& Path() const { return path_; }

    // Removes the key with its subtree, then every parent below "Software" that has no subkey left.
    void Remove() const {
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        std::wstring parent = path_;
        for (size_t cut; (cut = parent.rfind(L'\\')) != std::wstring::npos;) {
            parent.resize(cut);
            if (parent.find(L'\\') == std::wstring::npos) break;  // never "Software" itself
            if (!IsEmpty(parent) || RegDeleteKeyW(HKEY_CURRENT_USER, parent.c_str()) != ERROR_SUCCESS) break;
        }
    }

private:
    static bool IsEmpty(const std::wstring& path) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
        DWORD subkeys = 1, values = 1;
        LONG status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                       nullptr, nullptr, nullptr);
        RegCloseKey(key);
        return status == ERROR_SUCCESS && subkeys == 0 && values == 0;
    }

    std::wstring path_;
};

} // namespace AppTest
