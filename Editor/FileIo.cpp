#include "Editor/FileIo.h"

#include "core/foundation/UTF8.h"

#include "app/winutil/Files.h"

#include <vector>

namespace Editor {

namespace {

class SystemIo : public IFileIo {
public:
    DWORD Write(HANDLE file, const void* data, DWORD size) override {
        DWORD written = 0;
        if (!WriteFile(file, data, size, &written, nullptr)) return GetLastError();
        return written == size ? 0 : ERROR_IO_DEVICE;
    }
    DWORD CopyContents(HANDLE source, HANDLE target) override { return WinUtil::CopyFileContents(source, target); }
};

} // namespace

IFileIo& SystemFileIo() {
    static SystemIo io;
    return io;
}

std::wstring MakeTempFileName() {
    std::vector<wchar_t> directory(MAX_PATH);
    for (;;) {
        DWORD length = GetTempPathW(static_cast<DWORD>(directory.size()), directory.data());
        if (length == 0) throw WinUtil::ComException(static_cast<long>(GetLastError()));
        if (length < directory.size()) break;
        directory.resize(length + 1);
    }
    std::vector<wchar_t> name(directory.size() + 16, L'\0');
    if (GetTempFileNameW(directory.data(), L"qvd", 0, name.data()) == 0)
        throw WinUtil::ComException(static_cast<long>(GetLastError()));
    return name.data();
}

SaveCopyFailed::SaveCopyFailed(long code, std::wstring keptFile)
    : ComException(code), keptFile_(std::move(keptFile)) {
    message_ = std::string(ComException::what()) + "\nThe complete document was kept in " + zq::ToUTF8(keptFile_);
}

} // namespace Editor
