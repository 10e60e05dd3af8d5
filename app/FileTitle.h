// Display names of files as the shell shows them.
#pragma once

#include <string>

namespace Application {

// The display title of a path as the shell shows it (the file name, with or without extension as
// the user's settings say); the last path component when the shell cannot tell.
std::wstring GetFileTitle(const std::wstring& path);

} // namespace Application
