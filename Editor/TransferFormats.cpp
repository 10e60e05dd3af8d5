#include "Editor/TransferFormats.h"

#include "Editor/ProductCodes.h"
#include "app/winutil/ClipFormat.h"
#include "app/winutil/ComGuard.h"
#include "app/winutil/DropFiles.h"
#include "app/winutil/Exceptions.h"
#include "app/winutil/FileHandle.h"
#include "app/winutil/GlobalHandle.h"
#include "core/Exceptions.h"
#include "core/TransferSet.h"
#include "core/win/Storage.h"

#include <string>
#include <vector>

namespace Editor {

namespace {

TransferPictureMaker& DefaultPictures()
{
    static TransferPictureMaker maker;
    return maker;
}

struct Releaser {
    void operator()(IUnknown* p) const { p->Release(); }
};
template <class T>
using ComOwner = std::unique_ptr<T, Releaser>;

// A medium obtained with GetData, released with ReleaseStgMedium.
struct Medium {
    STGMEDIUM m{};
    ~Medium() { if (m.tymed != TYMED_NULL) ::ReleaseStgMedium(&m); }
};

// The formats a provider offers, in the order of the table.
enum class Kind { Emf, MetafilePicture, EmbedSource, Png };

// Serves a transfer set in the editor's formats; the pictures are made on first demand and kept.
class FormatProvider : public Application::IFormatProvider {
public:
    FormatProvider(std::shared_ptr<Core::TransferSet> set, TransferPictureMaker pictures)
        : set_(std::move(set)), maker_(std::move(pictures))
    {
        if (maker_) kinds_ = {Kind::Emf, Kind::MetafilePicture, Kind::EmbedSource, Kind::Png};
        else kinds_ = {Kind::EmbedSource};
    }

    int GetFormatCount() const override { return int(kinds_.size()); }

    FORMATETC GetFormat(int index) const override
    {
        switch (kinds_.at(index)) {
        case Kind::Emf: return {CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
        case Kind::MetafilePicture: return {CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
        case Kind::EmbedSource:
            return {WinUtil::GetEmbedSourceClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE};
        case Kind::Png: return {WinUtil::GetPngClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
        }
        return {};
    }

    // Another program or the clipboard's flush at exit asks for the data: a format that cannot be
    // rendered (a picture too large for the memory left) is answered as a medium that could not be
    // made, never shown in a box the caller's user did not ask for; the other formats stay.
    HRESULT GetData(int index, const FORMATETC&, STGMEDIUM& medium) override
    {
        const Kind kind = kinds_.at(index);
        if (kind == Kind::EmbedSource) return E_NOTIMPL;  // only into the caller's storage
        return WinUtil::UnreportedComFunctionCall("Editor::FormatProvider::GetData", STG_E_MEDIUMFULL, [&] {
            ITransferPictures* pictures = Pictures();
            if (pictures == nullptr) return HRESULT(E_UNEXPECTED);
            const int border = TransferSetFormatHandler::kPictureBorder;
            if (kind == Kind::Emf) pictures->CreateEnhancedMetafile(medium, border);
            else if (kind == Kind::MetafilePicture) pictures->CreateWindowsMetafile(medium, border);
            else pictures->CreatePngStream(medium, border);
            return HRESULT(S_OK);
        });
    }

    HRESULT GetDataHere(int index, const FORMATETC&, STGMEDIUM& medium) override
    {
        if (kinds_.at(index) != Kind::EmbedSource) return E_NOTIMPL;
        if (medium.tymed != TYMED_ISTORAGE || medium.pstg == nullptr) return DV_E_TYMED;
        return WinUtil::UnreportedComFunctionCall("Editor::FormatProvider::GetDataHere", STG_E_MEDIUMFULL, [&] {
            Core::WriteDiagramToStorage(medium.pstg, set_->GetClub());
            return ::WriteClassStg(medium.pstg, GetProgramClassId());
        });
    }

private:
    ITransferPictures* Pictures()
    {
        if (!pictures_ && maker_) pictures_ = maker_(*set_);
        return pictures_.get();
    }

    std::shared_ptr<Core::TransferSet> set_;
    TransferPictureMaker maker_;
    std::unique_ptr<ITransferPictures> pictures_;
    std::vector<Kind> kinds_;
};

// Whether the data carry an object descriptor of the program's class.
bool HasOwnDescriptor(IDataObject* data)
{
    Application::ObjectDescriptor descriptor;
    return Application::ReadObjectDescriptor(Application::DataHolder(data), descriptor) &&
           IsEqualCLSID(descriptor.clsid, GetProgramClassId());
}

bool IsDiagramFile(const std::wstring& path)
{
    CLSID clsid;
    return !path.empty() && SUCCEEDED(::GetClassFile(path.c_str(), &clsid)) && IsEqualCLSID(clsid, GetProgramClassId());
}

// The whole file; none when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::wstring& path)
{
    WinUtil::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return std::nullopt;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF) return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!::ReadFile(file.Get(), bytes.data(), DWORD(bytes.size()), &got, nullptr) ||
                           got != bytes.size()))
        return std::nullopt;
    return bytes;
}

} // namespace

const CLSID& GetProgramClassId()
{
    static const CLSID clsid = [] {
        CLSID id{};
        ::CLSIDFromString(ProductCodes::kClassId, &id);
        return id;
    }();
    return clsid;
}

std::wstring GetDroppedFile(IDataObject* data)
{
    FORMATETC fe{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    Medium medium;
    if (data == nullptr || data->GetData(&fe, &medium.m) != S_OK || medium.m.tymed != TYMED_HGLOBAL) return {};
    const auto names = WinUtil::ParseDropFiles(medium.m.hGlobal);
    if (!names || names->size() != 1) return {};
    return names->front();
}

void TransferSetFormatHandler::SetDefaultPictureMaker(TransferPictureMaker maker)
{
    DefaultPictures() = std::move(maker);
}

TransferSetFormatHandler::TransferSetFormatHandler(const Core::FactoryRegistry& registry, Core::ReadOptions options)
    : registry_(registry), options_(std::move(options)), pictures_(DefaultPictures())
{
}

Application::DragOrigin TransferSetFormatHandler::GetDragOrigin() const
{
    Application::DragOrigin origin;
    origin.clsid = GetProgramClassId();
    // The type's name as the installation registered it; none when it is not registered.
    LPOLESTR type = nullptr;
    if (SUCCEEDED(::OleRegGetUserType(origin.clsid, USERCLASSTYPE_FULL, &type)) && type != nullptr)
        origin.fullUserTypeName = type;
    ::CoTaskMemFree(type);
    return origin;
}

void TransferSetFormatHandler::AddFormatsForSet(Application::DataProvider& provider,
                                                const std::shared_ptr<Core::TransferSet>& set)
{
    provider.AddFormat(new FormatProvider(set, pictures_));
}

bool TransferSetFormatHandler::CanAccept(const Application::IDataHolder& holder)
{
    return holder.Test([](IDataObject* data) {
        return Application::GetOwnTransferSet(data) != nullptr || HasOwnDescriptor(data) ||
               IsDiagramFile(GetDroppedFile(data));
    });
}

bool TransferSetFormatHandler::Extract(const Application::IDataHolder& holder, ITransferSetUser& user)
{
    return holder.Extract([&](IDataObject* data) {
        if (auto own = Application::GetOwnTransferSet(data)) {
            user.Use(own);  // handed over in memory: nothing is written or read
            return true;
        }
        return ExtractEmbedSource(data, user) || ExtractDroppedFile(data, user);
    });
}

bool TransferSetFormatHandler::ExtractEmbedSource(IDataObject* data, ITransferSetUser& user)
{
    ILockBytes* rawBytes = nullptr;
    if (FAILED(::CreateILockBytesOnHGlobal(nullptr, TRUE, &rawBytes))) return false;
    ComOwner<ILockBytes> bytes(rawBytes);
    IStorage* rawStorage = nullptr;
    if (FAILED(::StgCreateDocfileOnILockBytes(bytes.get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                              &rawStorage)))
        return false;
    ComOwner<IStorage> storage(rawStorage);
    FORMATETC fe{WinUtil::GetEmbedSourceClipFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE};
    STGMEDIUM medium{};
    medium.tymed = TYMED_ISTORAGE;
    medium.pstg = storage.get();
    if (data->GetDataHere(&fe, &medium) != S_OK) {
        fe.cfFormat = WinUtil::GetEmbeddedObjectClipFormat();
        if (data->GetDataHere(&fe, &medium) != S_OK) return false;
    }
    CLSID clsid{};
    if (::ReadClassStg(storage.get(), &clsid) != S_OK || !IsEqualCLSID(clsid, GetProgramClassId())) return false;
    auto set = std::make_shared<Core::TransferSet>(registry_);
    Core::ReadDiagramFromStorage(*set, storage.get(), options_);
    if (auto id = Application::ReadReferenceId(data)) set->SetReferenceElement(*id);
    user.Use(set);
    return true;
}

bool TransferSetFormatHandler::ExtractDroppedFile(IDataObject* data, ITransferSetUser& user)
{
    const std::wstring path = GetDroppedFile(data);
    if (path.empty()) return false;
    const std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes || bytes->empty()) return false;
    auto set = std::make_shared<Core::TransferSet>(registry_);
    Core::ReadDiagramXML(*set, *bytes, options_);
    user.Use(set);
    return true;
}

} // namespace Editor
