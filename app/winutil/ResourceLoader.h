// The program's resources: strings, formatted strings, accelerators, icons and cursors.
#pragma once

#include "app/winutil/Platform.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace WinUtil {

// Loads resources from one module (the program's by default).
class ResourceLoader {
public:
    // A loader over the given module; null means the program's executable.
    explicit ResourceLoader(HINSTANCE instance = nullptr);
    // The program-wide loader over the executable module.
    static ResourceLoader& Instance();

    // The string-table entry; empty when it does not exist.
    std::wstring LoadString(UINT id) const;
    // The entry with %1, %2 ... replaced by the arguments in order ("%%" gives "%").
    std::wstring FormatString(UINT id, std::initializer_list<std::wstring> args) const;
    // The accelerator table (LoadAcceleratorsW); null when missing.
    HACCEL LoadAccelerators(UINT id) const;
    // A shared icon of the default size; null when missing.
    HICON LoadIcon(UINT id) const;
    // A shared icon of the given size; null when missing.
    HICON LoadIcon(UINT id, int cx, int cy) const;
    // A cursor resource; null when missing.
    HCURSOR LoadCursor(UINT id) const;
    // The module the resources come from.
    HINSTANCE GetInstance() const { return instance_; }

private:
    HINSTANCE instance_;
};

// Replaces %1 .. %9 (and %10 and up when given) in a pattern by the arguments; "%%" gives "%".
std::wstring FormatPattern(const std::wstring& pattern, const std::vector<std::wstring>& args);

// A string-table entry loaded on first use.
class ResourceString {
public:
    // The entry with that id of the program's resources.
    explicit ResourceString(UINT id) : id_(id) {}
    // The text, loaded once.
    const std::wstring& Load() const;
    // The string-table id.
    UINT GetId() const { return id_; }

private:
    UINT id_;
    mutable bool loaded_ = false;
    mutable std::wstring text_;
};

// Consecutive string-table entries indexed from a first id.
class ResourceStringArray {
public:
    // count entries starting with firstId.
    ResourceStringArray(UINT firstId, size_t count);
    // The text of entry firstId + index; throws std::out_of_range beyond the count.
    const std::wstring& operator[](size_t index) const;
    size_t size() const { return strings_.size(); }

private:
    std::vector<ResourceString> strings_;
};

} // namespace WinUtil
