#include "Editor/Export.h"

#include "Editor/FileIo.h"
#include "Editor/MetafileCreator.h"
#include "Editor/NameCompare.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/GlobalHandle.h"
#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "core/foundation/UTF8.h"
#include "drawing/Placeable.h"
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

// The picture's file content.
std::string PictureBytes(MetafileCreator& creator, PictureKind kind) {
    std::string bytes;
    Medium m;
    switch (kind) {
    case PictureKind::Emf: {
        creator.CreateEnhancedMetafile(m.medium, kPictureBorder);
        bytes.resize(GetEnhMetaFileBits(m.medium.hEnhMetaFile, 0, nullptr));
        if (bytes.empty() || !GetEnhMetaFileBits(m.medium.hEnhMetaFile, static_cast<UINT>(bytes.size()),
                                                 reinterpret_cast<BYTE*>(bytes.data())))
            ThrowLastError();
        break;
    }
    case PictureKind::Wmf: {
        creator.CreateWindowsMetafile(m.medium, kPictureBorder);
        WinUtil::GlobalLock lock(m.medium.hMetaFilePict);
        const auto* picture = static_cast<const METAFILEPICT*>(lock.Data());
        if (!picture) ThrowLastError();
        const std::vector<uint8_t> placeable = DrawingKernel::PlaceableMetafileBytes(*picture);
        if (placeable.empty()) throw WinUtil::ComException(E_FAIL);
        bytes.assign(placeable.begin(), placeable.end());
        break;
    }
    case PictureKind::Png: {
        creator.CreatePngStream(m.medium, kPictureBorder);
        STATSTG stat{};
        WinUtil::ThrowIfFailed(m.medium.pstm->Stat(&stat, STATFLAG_NONAME));
        bytes.resize(static_cast<size_t>(stat.cbSize.QuadPart));
        ULONG read = 0;
        WinUtil::ThrowIfFailed(m.medium.pstm->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read));
        bytes.resize(read);
        break;
    }
    case PictureKind::None:
        break;
    }
    return bytes;
}

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
    WriteCopy(SystemFileIo(), path, PictureBytes(creator, kind));
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
