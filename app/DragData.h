// The data object of a drag of diagram elements: the transfer set handed over whole inside the
// process, the reference element's object id and the object descriptor (image size and hot spot)
// for every drop target. Further formats (pictures, "Embed Source") come from format providers the
// caller adds to the drag's data provider.
#pragma once

#include "app/DataTransfer.h"
#include "core/ModelElement.h"
#include "core/foundation/Geometry.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace Core {
class TransferSet;
}

namespace Application {

// The private format holding the address of a transfer set (meaningful only inside the process).
CLIPFORMAT GetTransferSetClipFormat();
// The private format holding the object id of a transfer set's reference element (0 when none).
CLIPFORMAT GetReferenceIdClipFormat();

// Serves a transfer set in the two private formats: its address and its reference element's id.
// The set stays alive, and its address recognisable, while the provider lives.
class TransferSetFormatProvider : public IFormatProvider {
public:
    // Serves the set (not null).
    explicit TransferSetFormatProvider(std::shared_ptr<Core::TransferSet> set);
    int GetFormatCount() const override { return 2; }
    FORMATETC GetFormat(int index) const override;
    HRESULT GetData(int index, const FORMATETC& request, STGMEDIUM& medium) override;

protected:
    ~TransferSetFormatProvider() override;

private:
    std::shared_ptr<Core::TransferSet> set_;
};

// Who the dragged elements come from, for the object descriptor.
struct DragOrigin {
    CLSID clsid = CLSID_NULL;      // the document's class id
    std::wstring sourceName;       // the document's name
    std::wstring fullUserTypeName; // the document type's name
};

// The data object of one drag: offers first the formats of other programs (leading), then the
// object descriptor, the transfer set (in-process) and its reference id; programs take the first
// format they understand, so the private formats come last. Format providers added later follow.
class DragData {
public:
    // Adds the formats offered before the object descriptor and the private formats.
    using LeadingFormats = std::function<void(DataProvider&)>;
    // The set (not null); image size and hot spot in model units, y downwards, the hot spot taken
    // from the image's top-left corner.
    DragData(std::shared_ptr<Core::TransferSet> set, zq::Point imageSize, zq::Point hotSpot,
             const DragOrigin& origin = {}, const LeadingFormats& leading = {});
    DragData(const DragData&) = delete;
    DragData& operator=(const DragData&) = delete;
    // Closes the data provider: the object then answers no data.
    ~DragData() = default;

    // The dragged elements.
    const std::shared_ptr<Core::TransferSet>& GetTransferSet() const { return set_; }
    // The drag image's width and height (model units).
    zq::Point GetImageSize() const { return imageSize_; }
    // The point held by the pointer, from the image's top-left corner (model units, y downwards).
    zq::Point GetHotSpot() const { return hotSpot_; }
    // The data provider, to which further format providers are added.
    DataProvider& GetProvider() { return provider_; }
    // The data object, with a reference for the caller.
    IDataObject* GetDataObject() const { return provider_.GetDataObject(); }

private:
    std::shared_ptr<Core::TransferSet> set_;
    zq::Point imageSize_;
    zq::Point hotSpot_;
    DataProvider provider_;
};

// The transfer set of one of this process's own data objects; null for a foreign object, one
// without the set's format, or one whose set is gone.
std::shared_ptr<Core::TransferSet> GetOwnTransferSet(IDataObject* data);
// The reference element's object id offered by a data object of any process; none when absent
// or malformed (0 means the set has no reference element).
std::optional<Core::ObjectId> ReadReferenceId(IDataObject* data);

// The image size and hot spot of a drag as read from a data object's object descriptor.
struct DragImage {
    zq::Point size;    // model units
    zq::Point hotSpot; // model units, y downwards, from the top-left corner
};
// Reads the drag image from the "Object Descriptor" format; none when absent or malformed.
std::optional<DragImage> ReadDragImage(const IDataHolder& holder);

} // namespace Application
