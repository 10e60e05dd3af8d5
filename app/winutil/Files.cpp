#include "app/winutil/Files.h"

#include "app/winutil/FileHandle.h"

#include <algorithm>
#include <vector>

namespace WinUtil {

namespace {

struct ViewUnmapper {
    const void* view;
    ~ViewUnmapper() { if (view) UnmapViewOfFile(view); }
};

bool SetLength(HANDLE file, LONGLONG length) {
    LARGE_INTEGER pos;
    pos.QuadPart = length;
    return SetFilePointerEx(file, pos, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

} // namespace

DWORD CopyFileContents(HANDLE source, HANDLE target) {
    LARGE_INTEGER sourceSize, targetSize;
    if (!GetFileSizeEx(source, &sourceSize) || !GetFileSizeEx(target, &targetSize)) return GetLastError();
    if (sourceSize.HighPart != 0) return ERROR_FILE_TOO_LARGE;
    const DWORD length = sourceSize.LowPart;

    const BYTE* data = nullptr;
    FileHandle mapping;
    ViewUnmapper view{nullptr};
    if (length > 0) {
        mapping.Reset(CreateFileMappingW(source, nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping.IsValid()) return GetLastError();
        view.view = MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0);
        if (!view.view) return GetLastError();
        data = static_cast<const BYTE*>(view.view);
    }

    if (targetSize.QuadPart < length && !SetLength(target, length)) return GetLastError();

    LARGE_INTEGER start{};
    if (!SetFilePointerEx(target, start, nullptr, FILE_BEGIN)) return GetLastError();
    DWORD done = 0;
    while (done < length) {
        DWORD chunk = std::min<DWORD>(length - done, 1u << 20);
        DWORD written = 0;
        if (!WriteFile(target, data + done, chunk, &written, nullptr)) return GetLastError();
        if (written != chunk) return ERROR_INTERNAL_ERROR;  // 1359
        done += written;
    }

    if (targetSize.QuadPart > length && !SetLength(target, length)) return GetLastError();
    if (!FlushFileBuffers(target)) return GetLastError();
    return 0;
}

std::wstring MakeDialogFilter(const std::wstring& filter) {
    std::wstring out = filter;
    std::replace(out.begin(), out.end(), L'|', L'\0');
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

std::set<std::wstring> SplitMultiSelection(const wchar_t* buffer, size_t size) {
    std::vector<std::wstring> parts;
    size_t i = 0;
    while (i < size && buffer[i] != L'\0') {
        size_t end = i;
        while (end < size && buffer[end] != L'\0') ++end;
        parts.emplace_back(buffer + i, end - i);
        i = end + 1;
    }
    std::set<std::wstring> paths;
    if (parts.size() == 1) {
        paths.insert(parts[0]);
    } else if (parts.size() > 1) {
        std::wstring dir = parts[0];
        if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
        for (size_t k = 1; k < parts.size(); ++k) paths.insert(dir + parts[k]);
    }
    return paths;
}

OpenFileResult OpenFileDialog(HWND owner, const std::wstring& title, const std::wstring& filter, DWORD flags) {
    std::wstring filterText = MakeDialogFilter(filter);
    std::vector<wchar_t> buffer(32 * 1024, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filterText.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.Flags = flags | OFN_EXPLORER;
    OpenFileResult result;
    if (!GetOpenFileNameW(&ofn)) return result;
    result.confirmed = true;
    result.readOnly = (ofn.Flags & OFN_READONLY) != 0;
    result.paths = SplitMultiSelection(buffer.data(), buffer.size());
    return result;
}

bool SaveFileDialog(HWND owner, const std::wstring& filter, DWORD& filterIndex,
                    const std::wstring& defaultExtension, std::wstring& name) {
    std::wstring filterText = MakeDialogFilter(filter);
    std::vector<wchar_t> buffer(std::max<size_t>(MAX_PATH, name.size() + 1) * 4, L'\0');
    std::copy(name.begin(), name.end(), buffer.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filterText.c_str();
    ofn.nFilterIndex = filterIndex;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&ofn)) return false;
    filterIndex = ofn.nFilterIndex;
    name = buffer.data();
    return true;
}

} // namespace WinUtil
