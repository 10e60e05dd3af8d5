// Where one document's model is kept: a diagram file held open (and so write-locked) for as long as
// the document lives. Reads UTF-8 text (an empty file is a new diagram), saves safely (a new file
// beside the old one replaces it in one step; where that is refused, or the new file would not keep
// the old one's rights or other names, the file is rewritten in place from a temporary copy; a file
// marked read-only is refused), and keeps the document's modified, read-only and untitled marks for
// its windows.
#pragma once

#include "Editor/FileIo.h"
#include "Editor/OLEComPtr.h"
#include "app/Document.h"
#include "app/winutil/FileHandle.h"
#include "core/Diagram.h"
#include "core/UndoHandler.h"
#include "core/foundation/Observer.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace Editor {

class StorageHolder : private Core::IDirtyStateObserver {
public:
    // Told the read bits of a load that skipped elements (bit 0) of a newer version (bit 1).
    using LoadWarning = std::function<void(unsigned readFlags)>;

    // Binds the model (which must outlive the holder); io performs the steps of every save, warn
    // shows the load warning (the message box of ShowLoadWarning when empty).
    explicit StorageHolder(Core::Diagram& model, IFileIo& io = SystemFileIo(), LoadWarning warn = {});
    StorageHolder(const StorageHolder&) = delete;
    StorageHolder& operator=(const StorageHolder&) = delete;
    // Closes the held file.
    ~StorageHolder() override;

    // Whether the document differs from what was last loaded or saved.
    bool IsDirty() const;
    // Whether the document was made new and never saved or loaded.
    bool IsUntitled() const { return untitled_; }
    // Whether the file could only be opened for reading.
    bool IsReadOnly() const { return readOnly_; }
    // Whether the document lives in a container's storage.
    bool IsEmbedded() const { return embedded_; }
    // Marks the document as living in a container's storage.
    void SetEmbedded(bool embedded) { embedded_ = embedded; }
    // The path of the held file (empty for a new document).
    const std::wstring& GetPath() const { return path_; }
    // The held file (INVALID_HANDLE_VALUE when none).
    HANDLE GetFile() const { return file_.Get(); }

    // Observers of the modified state, the read-only mark and completed saves.
    zq::IObserverPlug<Core::IDirtyStateObserver>& GetDirtyStateObservers() { return dirtyObservers_; }
    zq::IObserverPlug<WinUtil::IReadOnlyObserver>& GetReadOnlyObservers() { return readOnlyObservers_; }
    zq::IObserverPlug<WinUtil::ISaveObserver>& GetSaveObservers() { return saveObservers_; }

    // Fills the model as a new diagram: untitled, not modified.
    void New();
    // Opens and holds the file and reads it: read-write unless readOnly is asked or another program
    // holds it for writing, then read-only. Throws WinUtil::ComException (system error code) when the
    // file cannot be opened or is not a disk file, and the reader's Core::Exceptions::Base when its
    // content is malformed.
    void Open(const std::wstring& path, bool readOnly);
    // Replaces the held file by the model's text (UTF-8, CR LF line ends) and holds the new file;
    // a failure (SaveFailed) leaves the file as it was. A file at a symbolic link's end stays there;
    // a file marked read-only, also since it was opened, is refused. Where the folder takes no new
    // file, another program reading the file keeps it from being replaced, other names lead to the
    // file or its rights do not carry over to a new one (WriteReplacing), the held file is rewritten
    // in place (WriteInPlace): a failure that comes after its old bytes were touched keeps the
    // complete text in a temporary file that SaveFailed names.
    void SaveToFile();
    // Writes the model into path, as SaveToFile writes the held file, and holds that file from then
    // on; onto the held file itself it is a plain save. A failure leaves an existing file at path as
    // it was (or names the complete copy) and makes no new one; a file that another program holds
    // for writing, a read-only file and a device are refused.
    void SaveAs(const std::wstring& path);
    // Writes a copy of the model into path as SaveAs does; the holder keeps its file and marks.
    void SaveCopy(const std::wstring& path);

    // Reads the model from the file: an empty file is a new diagram; CR LF and LF both end lines.
    void LoadXML(HANDLE file);

    // ---- OLE persistence of the embedded object. Failures throw WinUtil::ComException with the
    // code the container receives.

    // The persistence state: 0 uninitialised, 1 normal, 2 no-scribble (after a save into a storage,
    // until SaveCompleted), 3 and 4 hands-off from 1 and from 2.
    int GetPersistState() const { return state_; }
    // A new diagram in the container's storage (held from then on); only from state 0.
    void InitNew(IStorage* storage);
    // Reads the diagram from the container's storage (held from then on); only from state 0. A
    // missing or malformed "quorvel-xml" stream fails and leaves the holder uninitialised.
    void Load(IStorage* storage);
    // Writes the diagram into storage; another storage also gets the held one's property sets.
    void SaveToStorage(IStorage* storage, bool sameAsLoad);
    // Ends a save into a storage (or hands-off): holds storage when given.
    void SaveCompleted(IStorage* storage);
    // Lets go of the held storage until SaveCompleted hands one back.
    void HandsOffStorage();
    // Returns to state 1 with the held storage after a failed save into it.
    void CleanUp();
    // Opens the diagram file for IPersistFile::Load (read-write when mode asks for write access).
    void LoadFile(const std::wstring& path, DWORD mode);
    // IPersistFile::Save: into path (the held file when empty); with remember the file becomes the
    // document's. Always the diagram file form that LoadFile reads.
    void Save(const std::wstring& path, bool remember);
    // IPersistFile::SaveCompleted.
    void SaveCompletedFile(const std::wstring& path);

    // The last-write time of the held file after the latest save (none before one).
    const std::optional<FILETIME>& GetLastWriteTime() const { return lastWrite_; }

private:
    class ChangeGuard;
    enum class Ending { Loaded, New, Saved };

    void OnDirtyStateChanged(bool dirty) override;
    void RefreshLastWriteTime();
    WinUtil::FileHandle OpenExisting(const std::wstring& path, DWORD access, DWORD share) const;
    // Opens path to be held: read-write unless readOnly is set, else (or when that fails) read-only,
    // which readOnly then tells. An invalid handle when neither open succeeds (GetLastError tells why).
    WinUtil::FileHandle OpenHeld(const std::wstring& path, bool& readOnly) const;
    bool IsHeldFile(const std::wstring& path) const;
    void CopyPropertySets(IStorage* target);
    template <class F>
    void Reading(F&& read);
    // The model's text as it is stored: UTF-8 with CR LF line ends.
    std::string DocumentText() const;
    // Replaces the file at path by the model's text and holds it as the document's file under path;
    // after a failure the document holds its old file again.
    void WriteAndHold(const std::wstring& path);

    Core::Diagram& model_;
    IFileIo& io_;
    LoadWarning warn_;
    bool embedded_ = false;
    bool readOnly_ = false;
    bool untitled_ = true;
    std::wstring path_;
    WinUtil::FileHandle file_;
    int state_ = 0;
    ComPtr<IStorage> storage_;
    std::optional<FILETIME> lastWrite_;
    std::unique_ptr<Core::IDirtyMarker> dirtyMarker_;
    zq::ObserverList<WinUtil::IReadOnlyObserver> readOnlyObservers_;
    zq::ObserverList<WinUtil::ISaveObserver> saveObservers_;
    zq::ObserverList<Core::IDirtyStateObserver> dirtyObservers_;
    int nesting_ = 0;
};

// Shows the warning about elements a load skipped: nothing unless bit 0 is set; string 241 when
// bit 1 (a newer version) is set too, else string 237; caption string 145.
void ShowLoadWarning(unsigned readFlags);

// The text of the load warning for the read bits (empty when no box is due).
std::wstring LoadWarningText(unsigned readFlags);

} // namespace Editor
