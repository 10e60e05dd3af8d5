#include "Editor/FileIo.h"

#include "core/foundation/UTF8.h"

#include <atomic>
#include <cwchar>
#include <memory>

namespace Editor {

namespace {

constexpr char kLeftAsItWas[] = "The file was left as it was.";
constexpr char kNoNewFile[] = "This folder does not allow a new file; save the diagram in another folder.";
constexpr char kCopyKeptAt[] = "The file could not be written completely. The complete diagram is kept in ";
// What the old file hands on to the new one.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr int kNameAttempts = 100;
// The rights a new file takes over from the file it replaces.
constexpr SECURITY_INFORMATION kRights =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
// Why a file that other names lead to as well is rewritten in place rather than replaced.
constexpr DWORD kOtherNames = ERROR_NOT_SUPPORTED;

DWORD LastError() {
    const DWORD code = GetLastError();
    return code ? code : ERROR_GEN_FAILURE;
}

// Whether the program runs under Wine, which keeps a file's rights as its Unix mode.
bool UnderWine() {
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

// Whether the security identifier is the user this program runs as.
bool IsCurrentUser(PSID sid) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    const std::unique_ptr<void, decltype(&CloseHandle)> token(raw, &CloseHandle);
    DWORD size = 0;
    GetTokenInformation(raw, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    return size && GetTokenInformation(raw, TokenUser, user.data(), size, &size) &&
           EqualSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, sid);
}

// Whether a failed step was refused (by the folder, the file's owner or another program holding the
// file) rather than failing: then the file may still be rewritten in place.
bool IsRefusal(DWORD code) {
    return code == ERROR_ACCESS_DENIED || code == ERROR_WRITE_PROTECT || code == ERROR_SHARING_VIOLATION ||
           code == ERROR_LOCK_VIOLATION;
}

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
    DWORD SetLength(HANDLE file, ULONGLONG length) override {
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(length);
        return SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file) ? 0 : LastError();
    }
    // The security descriptor: owner, group and access list. Wine derives a descriptor from the
    // file's Unix mode and the mode from a descriptor set, losing bits both ways (seen with Wine 8:
    // modes 644 and 664 read alike, the descriptor of a 600 file set on another made it 770, and
    // ReplaceFileW left the new file 644 and parted hard links): there the rights carry over to no
    // new file, and an existing file is rewritten in place.
    DWORD ReadRights(const std::wstring& path, std::vector<BYTE>& rights) override {
        if (UnderWine()) return ERROR_NOT_SUPPORTED;
        DWORD size = 0;
        GetFileSecurityW(path.c_str(), kRights, nullptr, 0, &size);
        if (size == 0) return LastError();
        rights.resize(size);
        if (!GetFileSecurityW(path.c_str(), kRights, rights.data(), size, &size)) return LastError();
        // Only a privileged user can give a file to another owner.
        PSID owner = nullptr;
        BOOL defaulted = FALSE;
        if (!GetSecurityDescriptorOwner(rights.data(), &owner, &defaulted) || !owner || !IsCurrentUser(owner))
            return ERROR_INVALID_OWNER;
        return 0;
    }
    DWORD WriteRights(const std::wstring& path, const std::vector<BYTE>& rights) override {
        std::vector<BYTE> descriptor(rights);
        return SetFileSecurityW(path.c_str(), kRights, descriptor.data()) ? 0 : LastError();
    }
};

// A file the save made (the new content beside the target, or the complete copy in the temporary
// folder), removed again unless it is kept: moved into place, or left as the one complete copy.
struct NewFile {
    std::wstring path;
    WinUtil::FileHandle handle;
    bool kept = false;
    NewFile() = default;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile() {
        handle.Reset();
        if (!kept && !path.empty()) DeleteFileW(path.c_str());
    }
};

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

// Creates "qvd<number>.tmp" in folder under a name nobody uses yet; answers the code when the
// folder refuses it.
DWORD CreateBeside(IFileIo& io, const std::wstring& folder, NewFile& file) {
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
    if (rc == 0) return 0;
    file.path.clear();  // not ours: nothing to remove
    if (IsRefusal(rc)) return rc;
    throw SaveFailed(static_cast<long>(rc), kLeftAsItWas);
}

std::wstring TemporaryFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
        if (length == 0) return {};
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length + 1);
    }
}

// Writes bytes into a new file "qvd<number>.tmp" of the temporary folder and flushes it.
void WriteTemporaryCopy(IFileIo& io, const std::string& bytes, NewFile& copy) {
    const std::wstring folder = TemporaryFolder();
    wchar_t name[MAX_PATH] = L"";
    if (folder.empty() || !GetTempFileNameW(folder.c_str(), L"qvd", 0, name))
        throw SaveFailed(static_cast<long>(LastError()), kLeftAsItWas);
    copy.path = name;
    copy.handle = WinUtil::FileHandle(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                  FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy.handle.IsValid()) throw SaveFailed(static_cast<long>(LastError()), kLeftAsItWas);
    DWORD rc = io.Write(copy.handle.Get(), bytes.data(), static_cast<DWORD>(bytes.size()));
    if (!rc) rc = io.Flush(copy.handle.Get());
    if (rc) throw SaveFailed(static_cast<long>(rc), kLeftAsItWas);
}

DWORD WriteAt(IFileIo& io, HANDLE file, ULONGLONG offset, const char* data, ULONGLONG size) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return LastError();
    return io.Write(file, data, static_cast<DWORD>(size));
}

[[noreturn]] void ThrowReadOnly(const std::wstring& path) {
    throw SaveFailed(ERROR_ACCESS_DENIED, "The file " + zq::ToUTF8(path) + " is marked read-only. " + kLeftAsItWas);
}

[[noreturn]] void ThrowCopyKept(DWORD code, NewFile& copy) {
    copy.kept = true;
    throw SaveFailed(static_cast<long>(code), kCopyKeptAt + zq::ToUTF8(copy.path) + ".", copy.path);
}

// Opens the file only to ask about it: whoever holds it open, whatever its rights.
WinUtil::FileHandle OpenToAsk(const std::wstring& path) {
    return WinUtil::FileHandle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
}

// The path that a save into path has to replace: the file a symbolic link or junction at path leads
// to (so that the link stays and its target gets the content), else path itself.
std::wstring ReplacedPath(const std::wstring& path) {
    WinUtil::FileHandle file = OpenToAsk(path);
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

// Why the existing file target is to be rewritten in place rather than replaced (0 when it may be):
// other names lead to it too, which a new file would part from it, or its rights, read into rights
// for the new file, cannot be given to another file.
DWORD ReasonToKeep(IFileIo& io, const std::wstring& target, std::vector<BYTE>& rights) {
    WinUtil::FileHandle file = OpenToAsk(target);
    BY_HANDLE_FILE_INFORMATION info{};
    if (file.IsValid() && GetFileInformationByHandle(file.Get(), &info) && info.nNumberOfLinks > 1)
        return kOtherNames;
    return io.ReadRights(target, rights);
}

} // namespace

IFileIo& SystemFileIo() {
    static SystemIo io;
    return io;
}

SaveFailed::SaveFailed(long code, const std::string& note, std::wstring keptCopy)
    : ComException(code), message_(std::string(ComException::what()) + "\n" + note), keptCopy_(std::move(keptCopy)) {}

DWORD WriteReplacing(IFileIo& io, const std::wstring& path, const std::string& bytes,
                     const std::function<void()>& release) {
    const std::wstring target = ReplacedPath(path);
    WIN32_FILE_ATTRIBUTE_DATA old{};
    const bool replacing = GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &old) != FALSE;
    std::vector<BYTE> rights;
    if (replacing) {
        if (old.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ThrowReadOnly(path);
        if (DWORD keep = ReasonToKeep(io, target, rights)) return keep;
    }
    NewFile file;
    if (DWORD refused = CreateBeside(io, FolderOf(target), file)) return refused;
    if (DWORD rc = io.Write(file.handle.Get(), bytes.data(), static_cast<DWORD>(bytes.size())))
        throw SaveFailed(static_cast<long>(rc), kLeftAsItWas);
    if (DWORD rc = io.Flush(file.handle.Get())) throw SaveFailed(static_cast<long>(rc), kLeftAsItWas);

    if (replacing) SetFileTime(file.handle.Get(), &old.ftCreationTime, nullptr, nullptr);
    file.handle.Reset();
    if (replacing) {
        if (old.dwFileAttributes & kKeptAttributes)
            SetFileAttributesW(file.path.c_str(), old.dwFileAttributes & kKeptAttributes);
        // A new file that cannot get the old one's rights does not take its place.
        if (DWORD rc = io.WriteRights(file.path, rights)) return rc;
    }

    release();
    if (DWORD rc = io.Replace(file.path, target)) {
        if (IsRefusal(rc)) return rc;
        throw SaveFailed(static_cast<long>(rc), kLeftAsItWas);
    }
    file.kept = true;
    return 0;
}

bool IsReadOnlyFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

void RefuseReadOnly(const std::wstring& path) {
    if (IsReadOnlyFile(path)) ThrowReadOnly(path);
}

WinUtil::FileHandle OpenForRewrite(const std::wstring& path, DWORD refused) {
    RefuseReadOnly(path);
    WinUtil::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, kHeldFileFlags, nullptr));
    if (file.IsValid()) return file;
    const DWORD rc = LastError();
    if (rc == ERROR_FILE_NOT_FOUND) throw SaveFailed(static_cast<long>(refused), kNoNewFile);
    throw SaveFailed(static_cast<long>(rc), kLeftAsItWas);
}

void WriteInPlace(IFileIo& io, HANDLE target, const std::string& bytes) {
    NewFile copy;
    WriteTemporaryCopy(io, bytes, copy);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(target, &size)) throw SaveFailed(static_cast<long>(LastError()), kLeftAsItWas);
    const ULONGLONG old = static_cast<ULONGLONG>(size.QuadPart), length = bytes.size();
    if (length > old) {
        // The part beyond the old end is written first, so that the disk gives the room for it before
        // any old byte is overwritten (extending the length alone reserves nothing on some file systems).
        DWORD rc = WriteAt(io, target, old, bytes.data() + old, length - old);
        if (!rc) rc = io.Flush(target);
        if (rc) {
            if (io.SetLength(target, old)) ThrowCopyKept(rc, copy);
            throw SaveFailed(static_cast<long>(rc), kLeftAsItWas);
        }
    }
    DWORD rc = WriteAt(io, target, 0, bytes.data(), length < old ? length : old);
    if (!rc && length < old) rc = io.SetLength(target, length);
    if (!rc) rc = io.Flush(target);
    if (rc) ThrowCopyKept(rc, copy);
}

void WriteCopy(IFileIo& io, const std::wstring& path, const std::string& bytes) {
    if (DWORD refused = WriteReplacing(io, path, bytes, [] {})) {
        WinUtil::FileHandle target = OpenForRewrite(path, refused);
        WriteInPlace(io, target.Get(), bytes);
    }
}

} // namespace Editor
