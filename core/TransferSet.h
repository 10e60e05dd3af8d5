// Transfer sets: the elements of a copy, a drag or a paste, held as copies in a diagram of their
// own. Copies keep their originals' object ids, so a set written as a document and read back names
// the same reference element. Pasting makes fresh copies in the target diagram.
#pragma once

#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/ModelElementSet.h"
#include "core/Registries.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace Core {

class TransferSet : public IClub, public IElementReceiver {
public:
    // An empty set; elements read into it are made through the registry, which must outlive it.
    explicit TransferSet(const FactoryRegistry& registry);
    ~TransferSet() override;
    TransferSet(const TransferSet&) = delete;
    TransferSet& operator=(const TransferSet&) = delete;

    // Copies the element into the set (once per original); the copy keeps the original's object id
    // unless the set holds that id already. References are mapped onto the copies when the set is
    // next used: insert every element before writing, pasting or asking for the reference element.
    void Insert(const IModelElement& element);
    // Copies the element as it is when the set is first used (written, pasted, counted or asked for
    // its reference element) rather than now: a drag's elements stay as they are until another window
    // asks for them, and a drag that ends in its own window copies nothing. The caller keeps the
    // element unchanged until then.
    void InsertWhenUsed(const IModelElement& element);
    // Makes the copy with the object id the reference element; 0 or an id the set does not hold leaves none.
    void SetReferenceElement(ObjectId id);
    // The reference element, or none.
    IModelElement* GetReferenceElement() const;
    // The number of elements held.
    std::size_t Size() const { Settle(); return holder_->GetElementCount(); }
    bool Empty() const { return Size() == 0; }

    // The result of a paste: the reference element's copy (or none) and every pasted element.
    struct PasteResult {
        ElementPtr reference;
        ModelElementSet pasted;
    };
    // When the diagram's paste post-processor (the copies laid out under the diagram's styles) runs:
    // once the transaction closes, after the caller placed the copies, as a further step of the same
    // change; or at once, for a caller whose later moves start from the copies as they are then (a
    // drag, every step of which starts over from its restore point).
    enum class PostProcess { AfterPlacing, Now };
    // Creates copies of the elements in the environment's diagram inside its transaction: references
    // between elements of the set lead to the new copies, references to anything else are dropped.
    // Every copy gets OnRestored and OnPasted, then the post-processor runs as `when` says.
    PasteResult Paste(Env& env, PostProcess when = PostProcess::AfterPlacing) const;

    // The diagram-like view of the elements that a document writer walks.
    const IClub& GetClub() const;
    // IClub: the elements in insertion (or document) order.
    void ForEachElement(const std::function<void(IModelElement&)>& f) const override;

    // IElementReceiver: a document read into the set replaces its elements only when the reading succeeds.
    Diagram& BeginReading() override;
    void EndReading(bool success) noexcept override;

private:
    // Copies the pending elements, then maps the copies' references onto the copies.
    void Settle() const;
    void Copy(const IModelElement& element) const;

    const FactoryRegistry& registry_;
    std::unique_ptr<Diagram> holder_;
    std::unique_ptr<Diagram> reading_;
    mutable CopyRegistry copies_;                     // original to copy
    mutable std::vector<ElementPtr> unsettled_;       // copies whose references still lead to originals
    mutable std::unordered_map<const IModelElement*, IModelElement*> byOriginal_;
    mutable std::vector<ElementPtr> originals_;       // kept alive until their copies are settled
    mutable std::vector<ElementPtr> pending_;         // to be copied when the set is first used
    ObjectId reference_ = 0;
};

} // namespace Core
