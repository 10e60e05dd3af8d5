#include "Editor/FileIo.h"

#include <atomic>
#include <cwchar>

namespace Editor {

namespace {

constexpr char kLeftAsItWas[] = "The file was left as it was.";
constexpr char kNoFileBeside[] =
    "A safe save writes a new file beside the old one first, and this folder does not allow one. The file was "
    "left as it was; save the diagram in another folder.";
// What the old file hands on to the new one.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr int kNameAttempts = 100;

class SystemIo : public IFileIo {
public:
    DWORD CreateNew(const std::wstring& path, WinUtil::FileHandle& file) override {
        file.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.IsValid() ? 0 : GetLastError();
    }
    DWORD Write(HANDLE file, const void* data, DWORD size) override {
        DWORD written = 0;
        if (!WriteFile(file, data, size, &written, nullptr)) return GetLastError();
        return written == size ? 0 : ERROR_DISK_FULL;
    }
    DWORD Flush(HANDLE file) override { return FlushFileBuffers(file) ? 0 : GetLastError(); }
    DWORD Replace(const std::wstring& from, const std::wstring& to) override {
        return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                   ? 0
                   : GetLastError();
    }
};

// The new content beside the target, removed again unless it has been moved into place.
struct NewFile {
    std::wstring path;
    WinUtil::FileHandle handle;
    bool placed = false;
    NewFile() = default;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile() {
        handle.Reset();
        if (!placed && !path.empty()) DeleteFileW(path.c_str());
    }
};

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

// Creates "qvd<number>.tmp" in folder under a name nobody uses yet.
void CreateBeside(IFileIo& io, const std::wstring& folder, NewFile& file) {
    static std::atomic<unsigned> counter{0};
    DWORD rc = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kNameAttempts && (rc == ERROR_FILE_EXISTS || rc == ERROR_ALREADY_EXISTS);
         ++attempt) {
        const unsigned number = GetTickCount() + GetCurrentProcessId() + counter++;
        wchar_t name[16];
        swprintf(name, 16, L"qvd%04X.tmp", number & 0xFFFFu);
        file.path = folder + L"\\" + name;
        rc = io.CreateNew(file.path, file.handle);
    }
    if (rc != 0) {
        file.path.clear();  // not ours: nothing to remove
        const bool refused = rc == ERROR_ACCESS_DENIED || rc == ERROR_WRITE_PROTECT;
        throw SaveFailed(static_cast<long>(rc), refused ? kNoFileBeside : kLeftAsItWas);
    }
}

} // namespace

IFileIo& SystemFileIo() {
    static SystemIo io;
    return io;
}

SaveFailed::SaveFailed(long code, const std::string& note)
    : ComException(code), message_(std::string(ComException::what()) + "\n" + note) {}

std::wstring ReplacedPath(const std::wstring& path) {
    WinUtil::FileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.IsValid()) return path;
    std::wstring final(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetFinalPathNameByHandleW(file.Get(), final.data(), static_cast<DWORD>(final.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return path;
        if (length < final.size()) {
            final.resize(length);
            return final;
        }
        final.resize(length + 1);
    }
}

void WriteReplacing(IFileIo& io, const std::wstring& target, const std::string& bytes,
                    const std::function<void()>& release) {
    NewFile file;
    CreateBeside(io, FolderOf(target), file);
    if (DWORD rc = io.Write(file.handle.Get(), bytes.data(), static_cast<DWORD>(bytes.size())))
        throw SaveFailed(static_cast<long>(rc), kLeftAsItWas);
    if (DWORD rc = io.Flush(file.handle.Get())) throw SaveFailed(static_cast<long>(rc), kLeftAsItWas);

    WIN32_FILE_ATTRIBUTE_DATA old{};
    const bool replacing = GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &old) != FALSE;
    if (replacing) SetFileTime(file.handle.Get(), &old.ftCreationTime, nullptr, nullptr);
    file.handle.Reset();
    if (replacing && (old.dwFileAttributes & kKeptAttributes))
        SetFileAttributesW(file.path.c_str(), old.dwFileAttributes & kKeptAttributes);

    release();
    if (DWORD rc = io.Replace(file.path, target)) throw SaveFailed(static_cast<long>(rc), kLeftAsItWas);
    file.placed = true;
}

} // namespace Editor
