// Access to the application's per-user registry key.
#pragma once

#include "app/winutil/Registry.h"

#include <string>

namespace Application {

// Opens the application's per-user settings key.
class IRegistryAccessProvider {
public:
    virtual ~IRegistryAccessProvider() = default;
    // Opens the key for queries (KEY_QUERY_VALUE); an empty key when it does not exist yet.
    virtual WinUtil::Registry::Key OpenKeyForReading() const = 0;
    // Opens or creates the key for reading, setting values and creating subkeys.
    virtual WinUtil::Registry::Key OpenKeyForWriting() const = 0;
};

// A provider for a fixed path below HKEY_CURRENT_USER.
class UserKeyRegistryAccess : public IRegistryAccessProvider {
public:
    // The path is relative to HKEY_CURRENT_USER, e.g. L"Software\\Maker\\Product".
    explicit UserKeyRegistryAccess(std::wstring path) : path_(std::move(path)) {}
    WinUtil::Registry::Key OpenKeyForReading() const override;
    WinUtil::Registry::Key OpenKeyForWriting() const override;

private:
    std::wstring path_;
};

} // namespace Application
