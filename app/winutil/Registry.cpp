#include "app/winutil/Registry.h"

namespace WinUtil::Registry {

namespace {

std::string MakeMessage(const char* operation, LONG code) {
    std::string text = "Registry error in ";
    text += operation;
    text += ": ";
    text += std::to_string(code);
    char* buffer = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, static_cast<DWORD>(code), 0,
                             reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (n && buffer) {
        std::string msg(buffer, n);
        while (!msg.empty() && (msg.back() == '\n' || msg.back() == '\r' || msg.back() == ' ')) msg.pop_back();
        text += " (" + msg + ")";
    }
    if (buffer) LocalFree(buffer);
    return text;
}

} // namespace

Exception::Exception(const char* operation, LONG code)
    : std::runtime_error(MakeMessage(operation, code)), code_(code) {}

Key& Key::operator=(Key&& other) noexcept {
    if (this != &other) {
        Close();
        key_ = other.Detach();
    }
    return *this;
}

void Key::Close() {
    if (key_) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
}

Key Key::Open(HKEY parent, const std::wstring& name, REGSAM access) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(parent, name.c_str(), 0, access, &key);
    if (rc != ERROR_SUCCESS) throw Exception("RegOpenKeyExW", rc);
    return Key(key);
}

Key Key::Create(HKEY parent, const std::wstring& name, REGSAM access) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                              nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) throw Exception("RegCreateKeyExW", rc);
    return Key(key);
}

Key Key::OpenIfExists(HKEY parent, const std::wstring& name, REGSAM access) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(parent, name.c_str(), 0, access, &key);
    if (rc == ERROR_FILE_NOT_FOUND) return Key();
    if (rc != ERROR_SUCCESS) throw Exception("RegOpenKeyExW", rc);
    return Key(key);
}

bool Key::QueryDword(const wchar_t* name, DWORD& value) const {
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    LONG rc = RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_MORE_DATA) return false;
    if (rc != ERROR_SUCCESS) throw Exception("RegQueryValueExW", rc);
    if (type != REG_DWORD || size != sizeof data) return false;
    value = data;
    return true;
}

bool Key::QueryString(const wchar_t* name, std::wstring& value) const {
    for (;;) {
        DWORD type = 0;
        DWORD size = 0;
        LONG rc = RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND) return false;
        if (rc != ERROR_SUCCESS) throw Exception("RegQueryValueExW", rc);
        if (type != REG_SZ || size < 2) return false;
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = size;
        rc = RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (rc == ERROR_MORE_DATA) continue;  // grew meanwhile
        if (rc == ERROR_FILE_NOT_FOUND) return false;
        if (rc != ERROR_SUCCESS) throw Exception("RegQueryValueExW", rc);
        if (type != REG_SZ || got < 2) return false;
        // The stored text need not carry its terminator: stop at the first one or at the end.
        size_t chars = got / sizeof(wchar_t);
        size_t len = 0;
        while (len < chars && buffer[len] != L'\0') ++len;
        value.assign(buffer.data(), len);
        return true;
    }
}

bool Key::QueryBinary(const wchar_t* name, std::vector<BYTE>& value) const {
    for (;;) {
        DWORD type = 0;
        DWORD size = 0;
        LONG rc = RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND) return false;
        if (rc != ERROR_SUCCESS) throw Exception("RegQueryValueExW", rc);
        if (type != REG_BINARY) return false;
        std::vector<BYTE> buffer(size);
        DWORD got = size;
        rc = RegQueryValueExW(key_, name, nullptr, &type, buffer.empty() ? nullptr : buffer.data(), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc == ERROR_FILE_NOT_FOUND) return false;
        if (rc != ERROR_SUCCESS) throw Exception("RegQueryValueExW", rc);
        if (type != REG_BINARY) return false;
        buffer.resize(got);
        value.swap(buffer);
        return true;
    }
}

void Key::SetString(const wchar_t* name, const std::wstring& value) {
    DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    LONG rc = RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    if (rc != ERROR_SUCCESS) throw Exception("RegSetValueExW", rc);
}

void Key::SetDword(const wchar_t* name, DWORD value) {
    LONG rc = RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    if (rc != ERROR_SUCCESS) throw Exception("RegSetValueExW", rc);
}

void Key::SetBinary(const wchar_t* name, const void* data, DWORD size) {
    LONG rc = RegSetValueExW(key_, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
    if (rc != ERROR_SUCCESS) throw Exception("RegSetValueExW", rc);
}

bool Key::DeleteValue(const wchar_t* name) {
    LONG rc = RegDeleteValueW(key_, name);
    if (rc == ERROR_FILE_NOT_FOUND) return false;
    if (rc != ERROR_SUCCESS) throw Exception("RegDeleteValueW", rc);
    return true;
}

} // namespace WinUtil::Registry
