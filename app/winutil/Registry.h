// Per-user settings: an owned registry key with typed value queries and writers.
#pragma once

#include "app/winutil/Platform.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace WinUtil::Registry {

// A failed registry operation; carries the system error code.
class Exception : public std::runtime_error {
public:
    // Builds the message from the operation's name and the system error code.
    Exception(const char* operation, LONG code);
    // The system error code of the failure.
    LONG GetCode() const { return code_; }

private:
    LONG code_;
};

// An open registry key, closed with the object; movable, not copyable.
class Key {
public:
    Key() = default;
    // Takes ownership of an open key handle.
    explicit Key(HKEY key) : key_(key) {}
    Key(Key&& other) noexcept : key_(other.Detach()) {}
    Key& operator=(Key&& other) noexcept;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() { Close(); }

    // Opens an existing subkey; throws Exception with the error code on failure.
    static Key Open(HKEY parent, const std::wstring& name, REGSAM access);
    // Opens or creates a subkey; throws Exception with the error code on failure.
    static Key Create(HKEY parent, const std::wstring& name, REGSAM access);
    // Opens an existing subkey; answers an empty key when it is missing (throws on other errors).
    static Key OpenIfExists(HKEY parent, const std::wstring& name, REGSAM access);

    // The key handle (null when empty).
    HKEY Get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }
    // Closes the key.
    void Close();
    // Gives up ownership of the handle.
    HKEY Detach() { HKEY k = key_; key_ = nullptr; return k; }

    // Reads a 4-byte REG_DWORD; false when missing or of another type or size; throws on other errors.
    bool QueryDword(const wchar_t* name, DWORD& value) const;
    // Reads a REG_SZ of at least 2 bytes; false when missing or of another type; throws on other errors.
    bool QueryString(const wchar_t* name, std::wstring& value) const;
    // Reads a REG_BINARY value; false when missing or of another type; throws on other errors.
    bool QueryBinary(const wchar_t* name, std::vector<BYTE>& value) const;

    // Writes a REG_SZ with its terminator; throws Exception on failure.
    void SetString(const wchar_t* name, const std::wstring& value);
    // Writes a 4-byte REG_DWORD; throws Exception on failure.
    void SetDword(const wchar_t* name, DWORD value);
    // Writes a REG_BINARY value; throws Exception on failure.
    void SetBinary(const wchar_t* name, const void* data, DWORD size);
    // Deletes a value; false when it did not exist.
    bool DeleteValue(const wchar_t* name);

private:
    HKEY key_ = nullptr;
};

} // namespace WinUtil::Registry
