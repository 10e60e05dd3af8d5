#include "Editor/Export.h"

#include "Editor/MetafileCreator.h"
#include "Editor/NameCompare.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/GlobalHandle.h"
#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "core/foundation/UTF8.h"
#include "resources/resource.h"

namespace Editor {

namespace {

ExportReporter& Reporter() {
    static ExportReporter reporter;
    return reporter;
}

[[noreturn]] void ThrowLastError() {
    const DWORD code = GetLastError();
    throw WinUtil::ComException(static_cast<long>(code ? code : ERROR_WRITE_FAULT));
}

// Owns a medium filled by a metafile canvas.
struct Medium {
    STGMEDIUM medium{};
    ~Medium() { if (medium.tymed != TYMED_NULL) ReleaseStgMedium(&medium); }
};

void WritePicture(MetafileCreator& creator, PictureKind kind, const std::wstring& file) {
    switch (kind) {
    case PictureKind::Emf: {
        Medium m;
        creator.CreateEnhancedMetafile(m.medium, kPictureBorder);
        HENHMETAFILE copy = CopyEnhMetaFileW(m.medium.hEnhMetaFile, file.c_str());
        if (!copy) ThrowLastError();
        DeleteEnhMetaFile(copy);
        break;
    }
    case PictureKind::Wmf: {
        Medium m;
        creator.CreateWindowsMetafile(m.medium, kPictureBorder);
        WinUtil::GlobalLock lock(m.medium.hMetaFilePict);
        const auto* picture = static_cast<const METAFILEPICT*>(lock.Data());
        if (!picture) ThrowLastError();
        WritePlaceableMetafile(*picture, file);
        break;
    }
    case PictureKind::Png:
        creator.SavePngFile(file, kPictureBorder);
        break;
    case PictureKind::None:
        break;
    }
}

// A file of its own in the target's folder that is deleted unless it was moved into place.
class SiblingFile {
public:
    explicit SiblingFile(const std::wstring& target) {
        const size_t slash = target.find_last_of(L"\\/");
        const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash + 1);
        wchar_t name[MAX_PATH + 16] = {};
        if (!GetTempFileNameW(folder.c_str(), L"qvx", 0, name)) ThrowLastError();
        path_ = name;
    }
    ~SiblingFile() { if (!path_.empty()) DeleteFileW(path_.c_str()); }
    SiblingFile(const SiblingFile&) = delete;
    SiblingFile& operator=(const SiblingFile&) = delete;
    const std::wstring& Path() const { return path_; }
    // Replaces the target by the file.
    void MoveTo(const std::wstring& target) {
        if (!MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            ThrowLastError();
        path_.clear();
    }

private:
    std::wstring path_;
};

} // namespace

PictureKind PictureKindOf(const std::wstring& path) {
    auto& resources = WinUtil::ResourceLoader::Instance();
    const std::pair<UINT, PictureKind> kinds[] = {
        {IDS_EXT_EMF, PictureKind::Emf}, {IDS_EXT_WMF, PictureKind::Wmf}, {IDS_EXT_PNG, PictureKind::Png}};
    for (const auto& [extension, kind] : kinds)
        if (EndsWithNoCase(path, L"." + resources.LoadString(extension))) return kind;
    return PictureKind::None;
}

void ExportPicture(const Core::IClub& source, PictureKind kind, const std::wstring& path) {
    if (kind == PictureKind::None) return;
    MetafileCreator creator(source);
    SiblingFile file(path);
    WritePicture(creator, kind, file.Path());
    file.MoveTo(path);
}

std::wstring ExportErrorText(const std::wstring& path, const std::exception& error) {
    std::wstring reason;
    zq::DecodeUTF8(error.what(), reason);
    return WinUtil::ResourceLoader::Instance().FormatString(IDS_CANNOT_SAVE, {path}) + L"\n(" + reason + L")";
}

bool SaveAsPicture(const Core::Diagram& diagram, const std::wstring& path) {
    const PictureKind kind = PictureKindOf(path);
    if (kind == PictureKind::None) return false;
    try {
        ExportPicture(diagram, kind, path);
    } catch (const std::exception& e) {
        const std::wstring text = ExportErrorText(path, e);
        if (Reporter()) {
            Reporter()(text);
        } else {
            WinUtil::WindowDisabler disabler;
            const std::wstring caption = WinUtil::ResourceLoader::Instance().LoadString(IDS_PRODUCTNAME);
            WinUtil::MessageBox(caption.c_str(), text.c_str(), MB_ICONEXCLAMATION);
        }
    }
    return true;
}

void SetExportReporter(ExportReporter reporter) { Reporter() = std::move(reporter); }

} // namespace Editor
