#include "app/RegistryAccess.h"

namespace Application {

WinUtil::Registry::Key UserKeyRegistryAccess::OpenKeyForReading() const {
    return WinUtil::Registry::Key::OpenIfExists(HKEY_CURRENT_USER, path_, KEY_QUERY_VALUE);
}

WinUtil::Registry::Key UserKeyRegistryAccess::OpenKeyForWriting() const {
    return WinUtil::Registry::Key::Create(HKEY_CURRENT_USER, path_,
                                          KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
}

} // namespace Application
