// File helpers: copying contents between open files, open and save dialogs, shell links.
#pragma once

#include "app/winutil/Platform.h"

#include <set>
#include <string>

namespace WinUtil {

// Makes the target's content exactly the source's, rewriting it in place; 0 or a system error code
// (1359 on a short write). The target is first extended when shorter, but not every file system
// reserves the space for that: a full disk can still fail half-way, so documents are not saved so.
DWORD CopyFileContents(HANDLE source, HANDLE target);

// The result of the open-file dialog.
struct OpenFileResult {
    bool confirmed = false;
    std::set<std::wstring> paths;  // full paths, sorted
    bool readOnly = false;
};

// Shows the open-file dialog (flags as OPENFILENAMEW::Flags, OFN_ALLOWMULTISELECT allowed).
// The filter is pairs of display text and pattern separated by '|', e.g. L"Diagram (*.qvd)|*.qvd".
OpenFileResult OpenFileDialog(HWND owner, const std::wstring& title, const std::wstring& filter, DWORD flags);
// Shows the save-file dialog; answers whether a name was chosen, and updates name and filter index.
bool SaveFileDialog(HWND owner, const std::wstring& filter, DWORD& filterIndex,
                    const std::wstring& defaultExtension, std::wstring& name);

// Splits the multi-select result buffer of the open dialog into full paths.
std::set<std::wstring> SplitMultiSelection(const wchar_t* buffer, size_t size);
// Turns a '|' separated filter into the double-zero-terminated form of the dialogs.
std::wstring MakeDialogFilter(const std::wstring& filter);

// The target of a shell shortcut (.lnk), else the path itself.
std::wstring ResolveShellLink(const std::wstring& path);

} // namespace WinUtil
