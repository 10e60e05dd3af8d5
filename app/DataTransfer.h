// OLE data transfer: the program's data objects (DataProvider with its format providers) and
// holders of data objects from the clipboard or a drag (DataHolder).
#pragma once

#include "app/winutil/GlobalHandle.h"
#include "app/winutil/Platform.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Application {

// Serves one or more formats of a data object; intrusively counted.
class IFormatProvider {
public:
    IFormatProvider() = default;
    IFormatProvider(const IFormatProvider&) = delete;
    IFormatProvider& operator=(const IFormatProvider&) = delete;
    // Adds a reference.
    void AddRef() { ++refs_; }
    // Drops a reference; the provider is deleted with the last one.
    void Release() { if (--refs_ == 0) delete this; }

    // The number of formats offered.
    virtual int GetFormatCount() const = 0;
    // The FORMATETC of a format index (0 .. count-1).
    virtual FORMATETC GetFormat(int index) const = 0;
    // Renders format index into a new medium of a type the request allows.
    virtual HRESULT GetData(int index, const FORMATETC& request, STGMEDIUM& medium) = 0;
    // Renders format index into the caller's medium; E_NOTIMPL when not supported.
    virtual HRESULT GetDataHere(int, const FORMATETC&, STGMEDIUM&) { return E_NOTIMPL; }
    // Told that the data changed (before the advise sinks are told).
    virtual void OnDataChange() {}

protected:
    virtual ~IFormatProvider() = default;

private:
    std::atomic<long> refs_{0};
};

// Serves fixed bytes of one clipboard format as TYMED_HGLOBAL.
class BytesFormatProvider : public IFormatProvider {
public:
    // The bytes served for the format.
    BytesFormatProvider(CLIPFORMAT format, std::vector<BYTE> bytes) : format_(format), bytes_(std::move(bytes)) {}
    int GetFormatCount() const override { return 1; }
    FORMATETC GetFormat(int index) const override;
    HRESULT GetData(int index, const FORMATETC& request, STGMEDIUM& medium) override;
    HRESULT GetDataHere(int index, const FORMATETC& request, STGMEDIUM& medium) override;

private:
    CLIPFORMAT format_;
    std::vector<BYTE> bytes_;
};

// Serves a copy of an enhanced metafile as CF_ENHMETAFILE (TYMED_ENHMF).
class EmfFormatProvider : public IFormatProvider {
public:
    // Takes ownership of the metafile.
    explicit EmfFormatProvider(HENHMETAFILE emf) : emf_(emf) {}
    int GetFormatCount() const override { return 1; }
    FORMATETC GetFormat(int index) const override;
    HRESULT GetData(int index, const FORMATETC& request, STGMEDIUM& medium) override;

protected:
    ~EmfFormatProvider() override;

private:
    HENHMETAFILE emf_;
};

// Marks a data object as the program's own; asked for through QueryInterface, which only answers
// inside the process that made the object.
struct IDetectInProcess : public IUnknown {
    // The process that made the object.
    virtual DWORD STDMETHODCALLTYPE GetProcessId() = 0;
};
// The interface id of IDetectInProcess.
extern const IID IID_IDetectInProcess;

// Through which a data object refers to the DataProvider that made it (null once it closed).
struct IDataObjectReferenced : public IUnknown {
    // The creator, or null after it closed.
    virtual class DataProvider* STDMETHODCALLTYPE GetCreator() = 0;
};
// The interface id of IDataObjectReferenced.
extern const IID IID_IDataObjectReferenced;

// Holds the program's OLE data object and the format providers it serves, in the order added.
class DataProvider {
public:
    DataProvider();
    DataProvider(const DataProvider&) = delete;
    DataProvider& operator=(const DataProvider&) = delete;
    // Sends the closing notice and releases the data object.
    ~DataProvider();

    // Adds a provider (the data object keeps a reference); its formats follow those added before.
    void AddFormat(IFormatProvider* provider);
    // The data object, with a reference for the caller.
    IDataObject* GetDataObject() const;
    // Tells the providers and then the data advise sinks that the data changed.
    void SendOnDataChange();
    // The owner closes: a clipboard that still shows the object is flushed so that the data stays
    // available; afterwards the object answers no data and refers to no creator.
    void Close();

private:
    class Object;
    Object* object_;
};

// Whether a data object is the program's own, made in this process.
bool IsOwnDataObject(IDataObject* data);

// A dragged or pasted data object, tested and read.
class IDataHolder {
public:
    virtual ~IDataHolder() = default;
    // Runs a tester over the data object (false when there is none).
    virtual bool Test(const std::function<bool(IDataObject*)>& tester) const = 0;
    // Runs an extractor over the data object (false when there is none).
    virtual bool Extract(const std::function<bool(IDataObject*)>& extractor) const = 0;

    // Whether a format is offered with one of the media types.
    bool HasFormat(CLIPFORMAT format, DWORD tymed = TYMED_HGLOBAL) const;
    // The bytes of an HGLOBAL format; nothing when absent.
    std::optional<std::vector<BYTE>> GetGlobalData(CLIPFORMAT format) const;
    // Whether text is offered (Unicode or ANSI).
    bool HasText() const;
    // The text (CF_UNICODETEXT, else CF_TEXT), cut at its terminator; nothing when absent.
    std::optional<std::wstring> GetText() const;
};

// Holds one data object with a reference.
class DataHolder : public IDataHolder {
public:
    // Keeps a reference to the object (may be null).
    explicit DataHolder(IDataObject* data);
    DataHolder(const DataHolder&) = delete;
    DataHolder& operator=(const DataHolder&) = delete;
    ~DataHolder() override;
    bool Test(const std::function<bool(IDataObject*)>& tester) const override;
    bool Extract(const std::function<bool(IDataObject*)>& extractor) const override;
    // The object (no reference added).
    IDataObject* Get() const { return data_; }

private:
    IDataObject* data_;
};

// The object-descriptor record of a data object ("Object Descriptor" format).
struct ObjectDescriptor {
    CLSID clsid = CLSID_NULL;
    DWORD drawAspect = DVASPECT_CONTENT;
    SIZEL size{0, 0};            // HIMETRIC
    POINTL dragPoint{0, 0};      // HIMETRIC, from the object's top left
    DWORD status = 0;            // the registered miscellaneous status for the content aspect
    std::wstring fullUserTypeName;
    std::wstring sourceName;
};

// Builds an "Object Descriptor" block; the status is read from the registry for the class.
WinUtil::GlobalHandle MakeObjectDescriptor(const ObjectDescriptor& descriptor, bool readStatus = true);
// Parses an "Object Descriptor" block of the given size; false when a size or offset lies outside it
// or a name lacks its terminator.
bool ParseObjectDescriptor(const void* block, size_t size, ObjectDescriptor& out);
// Reads the "Object Descriptor" format of a data object; false when absent or malformed.
bool ReadObjectDescriptor(const IDataHolder& holder, ObjectDescriptor& out);

} // namespace Application
