// The file names of a DROPFILES block (CF_HDROP).
#pragma once

#include "app/winutil/Platform.h"

#include <optional>
#include <string>
#include <vector>

namespace WinUtil {

// Parses a DROPFILES block of the given size, ANSI or wide; empty when the header or a name
// lies outside the block or the list lacks its terminator.
std::optional<std::vector<std::wstring>> ParseDropFiles(const void* block, size_t size);
// Parses a global block holding DROPFILES.
std::optional<std::vector<std::wstring>> ParseDropFiles(HGLOBAL block);

} // namespace WinUtil
