#include "Editor/StorageHolder.h"

#include "Editor/NameCompare.h"
#include "core/Exceptions.h"
#include "core/win/Storage.h"

#include "app/winutil/Modal.h"
#include "app/winutil/ResourceLoader.h"
#include "resources/resource.h"

#include <sstream>

namespace Editor {

namespace {

// Documents are read whole into memory; larger files are refused before the attempt.
constexpr DWORD kMaxDocumentBytes = 512u * 1024u * 1024u;

[[noreturn]] void ThrowLastError() {
    DWORD code = GetLastError();
    throw WinUtil::ComException(static_cast<long>(code ? code : ERROR_GEN_FAILURE));
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

void DropCrBeforeLf(std::string& text) {
    size_t to = 0;
    for (size_t from = 0; from < text.size(); ++from) {
        if (text[from] == '\r' && from + 1 < text.size() && text[from + 1] == '\n') continue;
        text[to++] = text[from];
    }
    text.resize(to);
}

bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    if (!GetFileInformationByHandle(a, &ia) || !GetFileInformationByHandle(b, &ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

} // namespace

// Records the marks when a storage operation starts and tells the observers what changed when the
// outermost one ends normally; an exception leaves the marks' observers untold.
class StorageHolder::ChangeGuard {
public:
    explicit ChangeGuard(StorageHolder& holder)
        : holder_(holder), wasDirty_(holder.IsDirty()), wasReadOnly_(holder.readOnly_) {
        ++holder_.nesting_;
    }
    ChangeGuard(const ChangeGuard&) = delete;
    ChangeGuard& operator=(const ChangeGuard&) = delete;
    ~ChangeGuard() {
        if (!ended_) --holder_.nesting_;
    }

    void End(Ending ending) {
        ended_ = true;
        const bool outermost = holder_.nesting_ <= 1;
        // The marker's own notification is held back while the count still includes this guard.
        if (outermost) {
            holder_.untitled_ = ending == Ending::New;
            holder_.dirtyMarker_->Reset();
            if (ending == Ending::Saved) holder_.RefreshLastWriteTime();
        }
        --holder_.nesting_;
        if (!outermost) return;
        if (ending == Ending::Saved)
            holder_.saveObservers_.Notify([&](WinUtil::ISaveObserver& o) { o.OnSaved(holder_.path_); });
        bool dirty = holder_.IsDirty();
        if (dirty != wasDirty_)
            holder_.dirtyObservers_.Notify([&](Core::IDirtyStateObserver& o) { o.OnDirtyStateChanged(dirty); });
        bool readOnly = holder_.readOnly_;
        if (readOnly != wasReadOnly_)
            holder_.readOnlyObservers_.Notify([&](WinUtil::IReadOnlyObserver& o) { o.OnReadOnlyChanged(readOnly); });
    }

private:
    StorageHolder& holder_;
    bool wasDirty_;
    bool wasReadOnly_;
    bool ended_ = false;
};

StorageHolder::StorageHolder(Core::Diagram& model, IFileIo& io, LoadWarning warn)
    : model_(model), io_(io), warn_(std::move(warn)),
      dirtyMarker_(model.GetUndoHandler().CreateDirtyMarker()) {
    dirtyMarker_->GetDirtyStateObserverPlug().Attach(this);
}

StorageHolder::~StorageHolder() { dirtyMarker_->GetDirtyStateObserverPlug().Detach(this); }

bool StorageHolder::IsDirty() const {
    if (embedded_ && untitled_) return true;
    return dirtyMarker_->IsDirty();
}

void StorageHolder::OnDirtyStateChanged(bool dirty) {
    if (nesting_ != 0) return;
    dirtyObservers_.Notify([&](Core::IDirtyStateObserver& o) { o.OnDirtyStateChanged(dirty); });
}

void StorageHolder::RefreshLastWriteTime() {
    STATSTG stat{};
    if (storage_ && SUCCEEDED(storage_->Stat(&stat, STATFLAG_NONAME))) {
        lastWrite_ = stat.mtime;
        return;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (file_.IsValid() && GetFileInformationByHandle(file_.Get(), &info)) lastWrite_ = info.ftLastWriteTime;
}

void StorageHolder::New() {
    ChangeGuard guard(*this);
    model_.Initialize();
    state_ = 1;
    guard.End(Ending::New);
}

WinUtil::FileHandle StorageHolder::OpenExisting(const std::wstring& path, DWORD access, DWORD share) const {
    return WinUtil::FileHandle(
        CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, kHeldFileFlags, nullptr));
}

WinUtil::FileHandle StorageHolder::OpenHeld(const std::wstring& path, bool& readOnly) const {
    WinUtil::FileHandle handle;
    if (!readOnly && !IsReadOnlyFile(path)) handle = OpenExisting(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ);
    if (!handle.IsValid()) {
        readOnly = true;
        handle = OpenExisting(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    }
    return handle;
}

void StorageHolder::Open(const std::wstring& path, bool readOnly) {
    ChangeGuard guard(*this);
    bool openedReadOnly = readOnly;
    WinUtil::FileHandle handle = OpenHeld(path, openedReadOnly);
    if (!handle.IsValid()) ThrowLastError();
    // Device names such as CON open as character devices: only a disk file is a document.
    if (GetFileType(handle.Get()) != FILE_TYPE_DISK) throw WinUtil::ComException(ERROR_INVALID_NAME);
    path_ = path;
    readOnly_ = openedReadOnly;
    file_ = std::move(handle);
    LoadXML(file_.Get());
    state_ = 1;
    guard.End(Ending::Loaded);
}

void StorageHolder::LoadXML(HANDLE file) {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) ThrowLastError();
    if (size == 0 && high == 0) {
        model_.Initialize();
        return;
    }
    if (high != 0 || size > kMaxDocumentBytes) throw WinUtil::ComException(ERROR_FILE_TOO_LARGE);
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) ThrowLastError();
    std::string text(size, '\0');
    DWORD total = 0;
    while (total < size) {
        DWORD read = 0;
        if (!ReadFile(file, text.data() + total, size - total, &read, nullptr)) ThrowLastError();
        if (read == 0) break;
        total += read;
    }
    text.resize(total);
    DropCrBeforeLf(text);
    unsigned flags = model_.LoadXML(std::move(text));
    if (warn_) warn_(flags);
    else ShowLoadWarning(flags);
}

std::string StorageHolder::DocumentText() const {
    // The whole text exists before any file is touched: a model that cannot be written changes nothing.
    std::ostringstream out;
    model_.SaveXML(out);
    out.flush();
    if (!out) throw WinUtil::ComException(ERROR_WRITE_FAULT);
    return WithCrLf(out.str());
}

void StorageHolder::WriteAndHold(const std::wstring& path) {
    const std::string text = DocumentText();
    const bool ownFile = file_.IsValid() && path == path_;
    // The held file is let go just for the replace; afterwards the document holds the new file, or
    // again the old one when the save failed.
    struct Retake {
        StorageHolder& holder;
        std::wstring previous;
        bool previousReadOnly;
        bool released = false;
        bool written = false;
        ~Retake() {
            if (!released) return;
            bool readOnly = written ? false : previousReadOnly;
            holder.file_ = holder.OpenHeld(written ? holder.path_ : previous, readOnly);
            holder.readOnly_ = readOnly;
        }
    } retake{*this, path_, readOnly_};
    const DWORD refused = WriteReplacing(io_, path, text, [&] {
        file_.Reset();
        retake.released = true;
    });
    if (!refused) {
        path_ = path;
        retake.written = true;
        return;
    }
    // The folder takes no new file, another program that reads the file keeps it from being replaced,
    // or a new file would not be the file the user has (its other names, its rights): its content is
    // rewritten in place, and the document holds it as before.
    if (ownFile && !retake.released) {
        WriteInPlace(io_, file_.Get(), text);
        return;
    }
    WinUtil::FileHandle target = OpenForRewrite(path, refused);
    WriteInPlace(io_, target.Get(), text);
    file_ = std::move(target);
    path_ = path;
    readOnly_ = false;
    retake.released = false;
}

void StorageHolder::SaveToFile() {
    ChangeGuard guard(*this);
    if (path_.empty()) throw WinUtil::ComException(ERROR_INVALID_HANDLE);
    if (readOnly_) throw WinUtil::ComException(ERROR_ACCESS_DENIED);
    WriteAndHold(path_);
    guard.End(Ending::Saved);
}

bool StorageHolder::IsHeldFile(const std::wstring& path) const {
    if (!file_.IsValid()) return false;
    if (EqualsNoCase(path, path_)) return true;
    WinUtil::FileHandle other(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    return other.IsValid() && SameFile(other.Get(), file_.Get());
}

namespace {

// Refuses what writing into the file would be refused today: a file that another program holds
// for writing, a read-only file, a device. A file that does not exist yet is fine.
void CheckSaveTarget(const std::wstring& path) {
    RefuseReadOnly(path);
    WinUtil::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    if (!file.IsValid()) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return;
        ThrowLastError();
    }
    if (GetFileType(file.Get()) != FILE_TYPE_DISK) throw WinUtil::ComException(ERROR_INVALID_NAME);
}

} // namespace

void StorageHolder::SaveAs(const std::wstring& path) {
    if (!readOnly_ && IsHeldFile(path)) {
        SaveToFile();
        return;
    }
    ChangeGuard guard(*this);
    CheckSaveTarget(path);
    WriteAndHold(path);
    storage_.Reset();
    guard.End(Ending::Saved);
}

void StorageHolder::SaveCopy(const std::wstring& path) {
    if (IsHeldFile(path)) throw WinUtil::ComException(ERROR_SHARING_VIOLATION);
    CheckSaveTarget(path);
    WriteCopy(io_, path, DocumentText());
}

// ---- OLE persistence

namespace {

constexpr DWORD kCompoundFileMode = STGM_TRANSACTED | STGM_CREATE | STGM_SHARE_DENY_WRITE | STGM_READWRITE;
constexpr DWORD kCreateExclusive = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE;

} // namespace

// Reads through read; a malformed document becomes E_FAIL for the container, never a reader error.
template <class F>
void StorageHolder::Reading(F&& read) {
    try {
        read();
    } catch (const Core::Exceptions::Base&) {
        throw WinUtil::ComException(E_FAIL);
    }
}

void StorageHolder::InitNew(IStorage* storage) {
    if (state_ != 0) throw WinUtil::ComException(CO_E_ALREADYINITIALIZED);
    if (!storage) throw WinUtil::ComException(E_INVALIDARG);
    ChangeGuard guard(*this);
    model_.Initialize();
    if (nesting_ <= 1) embedded_ = true;
    storage_ = ComPtr<IStorage>(storage);
    state_ = 1;
    guard.End(Ending::New);
}

void StorageHolder::Load(IStorage* storage) {
    if (state_ != 0) throw WinUtil::ComException(CO_E_ALREADYINITIALIZED);
    if (!storage) throw WinUtil::ComException(E_INVALIDARG);
    ChangeGuard guard(*this);
    {
        // A storage without the document's stream is not a diagram: its own code tells the container.
        ComPtr<IStream> stream;
        WinUtil::ThrowIfFailed(storage->OpenStream(Core::kStorageStreamName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                                   0, stream.Receive()));
    }
    unsigned flags = 0;
    Reading([&] { flags = model_.Load(storage); });
    if (warn_) warn_(flags);
    else ShowLoadWarning(flags);
    if (nesting_ <= 1) embedded_ = true;
    storage_ = ComPtr<IStorage>(storage);
    state_ = 1;
    guard.End(Ending::Loaded);
}

void StorageHolder::CopyPropertySets(IStorage* target) {
    ComPtr<IEnumSTATSTG> elements;
    WinUtil::ThrowIfFailed(storage_->EnumElements(0, nullptr, 0, elements.Receive()));
    STATSTG stat{};
    while (elements->Next(1, &stat, nullptr) == S_OK) {
        const std::wstring name = stat.pwcsName ? stat.pwcsName : L"";
        CoTaskMemFree(stat.pwcsName);
        if (name.empty() || name[0] != L'\x05') continue;
        if (stat.type == STGTY_STORAGE || stat.type == STGTY_PROPERTY) {
            ComPtr<IStorage> from, to;
            WinUtil::ThrowIfFailed(storage_->OpenStorage(name.c_str(), nullptr, STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                                         from.Receive()));
            WinUtil::ThrowIfFailed(target->CreateStorage(name.c_str(), kCreateExclusive, 0, 0, to.Receive()));
            WinUtil::ThrowIfFailed(from->CopyTo(0, nullptr, nullptr, to.Get()));
        } else if (stat.type == STGTY_STREAM) {
            ComPtr<IStream> from, to;
            WinUtil::ThrowIfFailed(storage_->OpenStream(name.c_str(), nullptr, STGM_SHARE_EXCLUSIVE, 0, from.Receive()));
            WinUtil::ThrowIfFailed(target->CreateStream(name.c_str(), kCreateExclusive, 0, 0, to.Receive()));
            WinUtil::ThrowIfFailed(from->CopyTo(to.Get(), stat.cbSize, nullptr, nullptr));
        }
    }
}

void StorageHolder::SaveToStorage(IStorage* storage, bool sameAsLoad) {
    if (state_ == 0 && sameAsLoad) throw WinUtil::ComException(CO_E_NOTINITIALIZED);
    if (!storage) throw WinUtil::ComException(E_INVALIDARG);
    ChangeGuard guard(*this);
    Reading([&] { model_.Save(storage); });
    if (!sameAsLoad && storage_ && storage_.Get() != storage) CopyPropertySets(storage);
    state_ = 2;
    if (sameAsLoad) guard.End(Ending::Saved);
}

void StorageHolder::SaveCompleted(IStorage* storage) {
    ChangeGuard guard(*this);
    switch (state_) {
    case 0: throw WinUtil::ComException(CO_E_NOTINITIALIZED);
    case 2:
        if (!storage) break;
        storage_ = ComPtr<IStorage>(storage);
        state_ = 1;
        guard.End(Ending::Saved);
        return;
    case 3:
        if (!storage) throw WinUtil::ComException(E_INVALIDARG);
        storage_ = ComPtr<IStorage>(storage);
        break;
    case 4:
        if (!storage) throw WinUtil::ComException(E_INVALIDARG);
        storage_ = ComPtr<IStorage>(storage);
        state_ = 1;
        guard.End(Ending::Saved);
        return;
    default: throw WinUtil::ComException(E_UNEXPECTED);
    }
    state_ = 1;
}

void StorageHolder::HandsOffStorage() {
    if (state_ == 0) throw WinUtil::ComException(CO_E_NOTINITIALIZED);
    if (state_ == 1 || state_ == 2) {
        storage_.Reset();
        state_ = state_ == 1 ? 3 : 4;
    }
}

void StorageHolder::CleanUp() {
    if (state_ == 0 || !storage_) return;
    ComPtr<IStorage> held = storage_;
    const int state = state_;
    try {
        HandsOffStorage();
        SaveCompleted(held.Get());
    } catch (...) {
        storage_ = held;
        state_ = state;
        throw;
    }
}

void StorageHolder::LoadFile(const std::wstring& path, DWORD mode) {
    if (embedded_) throw WinUtil::ComException(E_FAIL);
    if (state_ != 0) throw WinUtil::ComException(CO_E_ALREADYINITIALIZED);
    Reading([&] { Open(path, (mode & 3) == 0); });
}

void StorageHolder::Save(const std::wstring& path, bool remember) {
    if (embedded_) throw WinUtil::ComException(E_FAIL);
    if (state_ == 0) throw WinUtil::ComException(CO_E_NOTINITIALIZED);
    if (path.empty()) {
        if (path_.empty()) throw WinUtil::ComException(E_INVALIDARG);
        SaveAs(path_);
    } else if (remember) {
        SaveAs(path);
    } else {
        SaveCopy(path);
    }
}

void StorageHolder::SaveCompletedFile(const std::wstring& path) {
    if (state_ == 1) {
        CleanUp();
        return;
    }
    SaveCompleted(!path.empty() && EqualsNoCase(path, path_) ? storage_.Get() : nullptr);
}

std::wstring LoadWarningText(unsigned readFlags) {
    if (!(readFlags & 1u)) return {};
    return WinUtil::ResourceLoader::Instance().LoadString((readFlags & 2u) ? IDS_NEWER_VERSION
                                                                           : IDS_IGNORED_ELEMENTS);
}

void ShowLoadWarning(unsigned readFlags) {
    std::wstring text = LoadWarningText(readFlags);
    if (text.empty()) return;
    std::wstring caption = WinUtil::ResourceLoader::Instance().LoadString(IDS_WARNING);
    WinUtil::MessageBox(caption.c_str(), text.c_str(), MB_TASKMODAL | MB_ICONWARNING);
}

} // namespace Editor
