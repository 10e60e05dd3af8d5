// How a view hands elements to and takes them from data objects: the format handler of a document
// window (the clipboard, drags and drops all go through it) and the user that pastes a set.
#pragma once

#include "app/DragData.h"
#include "core/TransferSet.h"

#include <memory>

namespace View {

// Offers transfer sets in a data object and reads them back; made by the document window.
class ITransferSetFormatHandler {
public:
    // Takes the set read from a data object.
    class ITransferSetUser {
    public:
        virtual ~ITransferSetUser() = default;
        // Receives the set (not null).
        virtual void Use(const std::shared_ptr<Core::TransferSet>& set) = 0;
    };

    virtual ~ITransferSetFormatHandler() = default;
    // The class id and type name that describe dragged elements to drop targets.
    virtual Application::DragOrigin GetDragOrigin() const { return {}; }
    // Adds the formats of the set to the data provider (nothing is rendered yet).
    virtual void AddFormatsForSet(Application::DataProvider& provider, const std::shared_ptr<Core::TransferSet>& set) = 0;
    // Whether the data can be pasted as a transfer set.
    virtual bool CanAccept(const Application::IDataHolder& holder) = 0;
    // Reads the data into a set and hands it to the user; false when no format could be read.
    // Malformed content throws Core::Exceptions::Base, storage failures WinUtil::ComException.
    virtual bool Extract(const Application::IDataHolder& holder, ITransferSetUser& user) = 0;
};

// Pastes a set into a diagram and keeps what came of it.
class TransferSetPaster : public ITransferSetFormatHandler::ITransferSetUser {
public:
    // Pastes in the environment's transaction, the copies laid out under the diagram's styles as
    // `when` says.
    explicit TransferSetPaster(Core::Env& env,
                               Core::TransferSet::PostProcess when = Core::TransferSet::PostProcess::AfterPlacing)
        : env_(env), when_(when) {}
    void Use(const std::shared_ptr<Core::TransferSet>& set) override { result_ = set->Paste(env_, when_); }
    // The pasted elements and the copy of the reference element.
    const Core::TransferSet::PasteResult& GetResult() const { return result_; }

private:
    Core::Env& env_;
    const Core::TransferSet::PostProcess when_;
    Core::TransferSet::PasteResult result_;
};

struct ViewContext;

// Reads a set from the data through the view's format handler (without one: only this process's
// own sets) and hands it to the user; false when nothing could be read.
bool ExtractTransferSet(const ViewContext& context, const Application::IDataHolder& holder,
                        ITransferSetFormatHandler::ITransferSetUser& user);

// The set of a copy or drag: the elements, then what travels with every copy of the diagram's
// elements (its style); copied now, or only when first used (a drag that ends in its own window
// copies nothing).
std::shared_ptr<Core::TransferSet> MakeTransferSet(const ViewContext& context, const Core::ModelElementSet& elements,
                                                   bool whenUsed);

// The data object of copied or dragged elements: the view's formats for other programs first
// (pictures, "Embed Source"), then the object descriptor naming the document and the private
// formats. Image size and hot spot as DragData takes them.
std::unique_ptr<Application::DragData> MakeDragData(const ViewContext& context, std::shared_ptr<Core::TransferSet> set,
                                                    zq::Point imageSize, zq::Point hotSpot);

// The union of the bounding rectangles of the elements that have one; the zero rectangle when none has.
zq::Rect BoundingRect(const Core::ModelElementSet& elements);

} // namespace View
