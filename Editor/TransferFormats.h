// The editor's transfer formats: how copied or dragged elements are offered to other windows and
// programs (pictures, "Embed Source" with the diagram XML) and how pasted or dropped data are read
// back into a set of elements (this process's own set, "Embed Source" or "Embedded Object" of the
// program's class, one dropped diagram file).
#pragma once

#include "core/DocumentReader.h"
#include "core/Registries.h"
#include "view/Transfer.h"

#include <functional>
#include <memory>

namespace Editor {

// Renders pictures of a set of elements for other programs.
class ITransferPictures {
public:
    virtual ~ITransferPictures() = default;
    // Fills the medium with an enhanced metafile (TYMED_ENHMF), border in 0.01 mm on every side.
    virtual void CreateEnhancedMetafile(STGMEDIUM& medium, int border) = 0;
    // Fills the medium with a metafile picture (TYMED_MFPICT).
    virtual void CreateWindowsMetafile(STGMEDIUM& medium, int border) = 0;
    // Fills the medium with an IStream holding a PNG image (TYMED_ISTREAM).
    virtual void CreatePngStream(STGMEDIUM& medium, int border) = 0;
};

// Makes the pictures of a set (the metafile creator); none when it cannot.
using TransferPictureMaker = std::function<std::unique_ptr<ITransferPictures>(const Core::TransferSet& set)>;

// The program's OLE class id.
const CLSID& GetProgramClassId();

class TransferSetFormatHandler : public View::ITransferSetFormatHandler {
public:
    // The border around the elements of every picture (0.01 mm).
    static constexpr int kPictureBorder = 200;
    // The picture maker of handlers made afterwards; without one no picture formats are offered.
    static void SetDefaultPictureMaker(TransferPictureMaker maker);

    // Reads sets through the registry with the reading options of the target document.
    explicit TransferSetFormatHandler(const Core::FactoryRegistry& registry, Core::ReadOptions options = {});

    Application::DragOrigin GetDragOrigin() const override;
    // Offers, in this order, EMF, metafile picture, "Embed Source" (only through GetDataHere) and
    // PNG; the pictures only with a picture maker.
    void AddFormatsForSet(Application::DataProvider& provider, const std::shared_ptr<Core::TransferSet>& set) override;
    bool CanAccept(const Application::IDataHolder& holder) override;
    bool Extract(const Application::IDataHolder& holder, ITransferSetUser& user) override;

private:
    bool ExtractEmbedSource(IDataObject* data, ITransferSetUser& user);
    bool ExtractDroppedFile(IDataObject* data, ITransferSetUser& user);

    const Core::FactoryRegistry& registry_;
    Core::ReadOptions options_;
    TransferPictureMaker pictures_;
};

// The one diagram file a data object drops (CF_HDROP naming exactly one file); empty otherwise.
std::wstring GetDroppedFile(IDataObject* data);

} // namespace Editor
