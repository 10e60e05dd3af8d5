#include "core/win/Storage.h"

#include "app/winutil/Platform.h"
#include "core/Diagram.h"
#include "core/DocumentWriter.h"
#include "core/Exceptions.h"

#include <cstdio>
#include <sstream>
#include <string>

namespace Core {

namespace {

// Owns one COM interface pointer.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** Receive() {
        Reset();
        return &p_;
    }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    void Reset() {
        if (p_ != nullptr) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

[[noreturn]] void Fail(const char* what, HRESULT hr)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    throw Exceptions::Base(std::string(what) + " the stream \"quorvel-xml\" failed (" + code + ")");
}

void Check(HRESULT hr, const char* what)
{
    if (FAILED(hr)) Fail(what, hr);
}

std::string ReadStream(IStorage* storage)
{
    if (storage == nullptr) throw Exceptions::Base("no storage to read");
    ComRef<IStream> stream;
    Check(storage->OpenStream(kStorageStreamName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Receive()),
          "opening");
    STATSTG stat{};
    Check(stream->Stat(&stat, STATFLAG_NONAME), "examining");
    if (stat.cbSize.QuadPart > 0x7FFFFFFFull) throw Exceptions::Base("the stream \"quorvel-xml\" is too large");
    std::string bytes(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        ULONG read = 0;
        const ULONG chunk = static_cast<ULONG>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        const HRESULT hr = stream->Read(bytes.data() + done, chunk, &read);
        if (FAILED(hr)) Fail("reading", hr);
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

} // namespace

unsigned ReadDiagramFromStorage(IElementReceiver& receiver, IStorage* storage, const ReadOptions& options)
{
    return ReadDiagramXML(receiver, ReadStream(storage), options);
}

unsigned ReadDiagramFromStorage(Diagram& diagram, IStorage* storage, const ReadOptions& options)
{
    return ReadDiagramXML(diagram, ReadStream(storage), options);
}

void WriteDiagramToStorage(IStorage* storage, const IClub& source)
{
    if (storage == nullptr) throw Exceptions::Base("no storage to write");
    std::ostringstream out;
    WriteDiagramXML(source, out);
    const std::string bytes = out.str();
    ComRef<IStream> stream;
    Check(storage->CreateStream(kStorageStreamName, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                stream.Receive()),
          "creating");
    ULARGE_INTEGER size;
    size.QuadPart = bytes.size();
    Check(stream->SetSize(size), "sizing");
    std::size_t done = 0;
    while (done < bytes.size()) {
        ULONG written = 0;
        const ULONG chunk = static_cast<ULONG>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        Check(stream->Write(bytes.data() + done, chunk, &written), "writing");
        if (written == 0) Fail("writing", E_FAIL);
        done += written;
    }
    Check(stream->Commit(STGC_DEFAULT), "committing");
}

unsigned Diagram::Load(IStorage* storage) { return ReadDiagramFromStorage(*this, storage); }

void Diagram::Save(IStorage* storage) const { WriteDiagramToStorage(storage, *this); }

} // namespace Core
