#include "app/DragData.h"

#include "app/winutil/ClipFormat.h"
#include "core/TransferSet.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace Application {

namespace {

// The two private formats, taken together so that their ids follow each other.
struct SetFormats {
    WinUtil::PrivateClipFormat address;
    WinUtil::PrivateClipFormat referenceId;
};

const SetFormats& Formats() {
    static const SetFormats formats;
    return formats;
}

// The sets served by live providers, so that an address read back from a data object is only
// trusted while a provider still holds its set.
class LiveSets {
public:
    void Add(const std::shared_ptr<Core::TransferSet>& set) {
        std::lock_guard<std::mutex> lock(mutex_);
        Entry& e = sets_[set.get()];
        e.set = set;
        ++e.providers;
    }
    void Remove(const Core::TransferSet* set) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = sets_.find(set);
        if (it != sets_.end() && --it->second.providers == 0) sets_.erase(it);
    }
    std::shared_ptr<Core::TransferSet> Find(std::uintptr_t address) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = sets_.find(reinterpret_cast<const Core::TransferSet*>(address));
        return it == sets_.end() ? nullptr : it->second.set.lock();
    }

private:
    struct Entry {
        std::weak_ptr<Core::TransferSet> set;
        int providers = 0;
    };
    std::mutex mutex_;
    std::unordered_map<const Core::TransferSet*, Entry> sets_;
};

LiveSets& Live() {
    static LiveSets live;
    return live;
}

HRESULT GiveBytes(const void* bytes, size_t size, STGMEDIUM& medium) {
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = WinUtil::GlobalHandle::FromBytes(bytes, size).Release();
    medium.pUnkForRelease = nullptr;
    return medium.hGlobal ? S_OK : E_UNEXPECTED;
}

} // namespace

CLIPFORMAT GetTransferSetClipFormat() { return Formats().address; }

CLIPFORMAT GetReferenceIdClipFormat() { return Formats().referenceId; }

// ---- The provider of the set's private formats ----

TransferSetFormatProvider::TransferSetFormatProvider(std::shared_ptr<Core::TransferSet> set) : set_(std::move(set)) {
    if (!set_) throw std::invalid_argument("a transfer set is required");
    Live().Add(set_);
}

TransferSetFormatProvider::~TransferSetFormatProvider() { Live().Remove(set_.get()); }

FORMATETC TransferSetFormatProvider::GetFormat(int index) const {
    CLIPFORMAT format = index == 0 ? GetTransferSetClipFormat() : GetReferenceIdClipFormat();
    return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

HRESULT TransferSetFormatProvider::GetData(int index, const FORMATETC& request, STGMEDIUM& medium) {
    if (!(request.tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    if (index == 0) {
        auto address = reinterpret_cast<std::uintptr_t>(set_.get());
        return GiveBytes(&address, sizeof address, medium);
    }
    const Core::IModelElement* reference = set_->GetReferenceElement();
    Core::ObjectId id = reference ? reference->GetObjectId() : 0;
    return GiveBytes(&id, sizeof id, medium);
}

// ---- The drag's data object ----

DragData::DragData(std::shared_ptr<Core::TransferSet> set, zq::Point imageSize, zq::Point hotSpot,
                   const DragOrigin& origin, const LeadingFormats& leading)
    : set_(std::move(set)), imageSize_(imageSize), hotSpot_(hotSpot) {
    if (!set_) throw std::invalid_argument("a transfer set is required");
    if (leading) leading(provider_);
    // Model units are 0.01 mm, the descriptor's HIMETRIC units.
    ObjectDescriptor descriptor;
    descriptor.clsid = origin.clsid;
    descriptor.sourceName = origin.sourceName;
    descriptor.fullUserTypeName = origin.fullUserTypeName;
    descriptor.size = SIZEL{imageSize.x, imageSize.y};
    descriptor.dragPoint = POINTL{hotSpot.x, hotSpot.y};
    WinUtil::GlobalHandle block = MakeObjectDescriptor(descriptor);
    std::vector<BYTE> bytes;
    {
        WinUtil::GlobalLock lock(block.Get());
        const auto* p = static_cast<const BYTE*>(lock.Data());
        if (p) bytes.assign(p, p + lock.Size());
    }
    provider_.AddFormat(new BytesFormatProvider(WinUtil::GetObjectDescriptorClipFormat(), std::move(bytes)));
    provider_.AddFormat(new TransferSetFormatProvider(set_));
}

// ---- Reading back ----

std::shared_ptr<Core::TransferSet> GetOwnTransferSet(IDataObject* data) {
    if (!IsOwnDataObject(data)) return nullptr;
    auto bytes = DataHolder(data).GetGlobalData(GetTransferSetClipFormat());
    if (!bytes || bytes->size() < sizeof(std::uintptr_t)) return nullptr;
    std::uintptr_t address;
    std::memcpy(&address, bytes->data(), sizeof address);
    return Live().Find(address);
}

std::optional<Core::ObjectId> ReadReferenceId(IDataObject* data) {
    if (!data) return std::nullopt;
    auto bytes = DataHolder(data).GetGlobalData(GetReferenceIdClipFormat());
    if (!bytes || bytes->size() < sizeof(Core::ObjectId)) return std::nullopt;
    Core::ObjectId id;
    std::memcpy(&id, bytes->data(), sizeof id);
    return id;
}

std::optional<DragImage> ReadDragImage(const IDataHolder& holder) {
    ObjectDescriptor descriptor;
    if (!ReadObjectDescriptor(holder, descriptor)) return std::nullopt;
    DragImage image;
    image.size = zq::Point(descriptor.size.cx, descriptor.size.cy);
    image.hotSpot = zq::Point(descriptor.dragPoint.x, descriptor.dragPoint.y);
    return image;
}

} // namespace Application
