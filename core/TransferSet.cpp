#include "core/TransferSet.h"

#include "core/Transaction.h"

#include <stdexcept>
#include <utility>

namespace Core {

TransferSet::TransferSet(const FactoryRegistry& registry)
    : registry_(registry), holder_(std::make_unique<Diagram>(registry, nullptr))
{
}

TransferSet::~TransferSet() = default;

void TransferSet::Insert(const IModelElement& element)
{
    Copy(element);
}

void TransferSet::InsertWhenUsed(const IModelElement& element)
{
    pending_.push_back(std::const_pointer_cast<IModelElement>(element.shared_from_this()));
}

void TransferSet::Copy(const IModelElement& element) const
{
    if (byOriginal_.contains(&element)) return;
    ElementPtr copy = element.Clone();
    const ObjectId id = element.GetObjectId();
    if (id != 0 && holder_->FindElementById(id) == nullptr) ElementState::SetId(*copy, id);
    // The holder is a plain store: no transaction, so no follow-up runs on a copy whose references
    // still lead into the source diagram.
    holder_->AppendElement(copy);
    copies_.Register(element, *copy);
    byOriginal_[&element] = copy.get();
    originals_.push_back(std::const_pointer_cast<IModelElement>(element.shared_from_this()));
    unsettled_.push_back(std::move(copy));
}

void TransferSet::Settle() const
{
    if (!pending_.empty()) {
        const std::vector<ElementPtr> pending = std::move(pending_);
        pending_.clear();
        for (const ElementPtr& e : pending) Copy(*e);
    }
    for (const ElementPtr& copy : unsettled_) copy->RemapReferences(copies_);
    unsettled_.clear();
}

void TransferSet::SetReferenceElement(ObjectId id) { reference_ = id; }

IModelElement* TransferSet::GetReferenceElement() const
{
    Settle();
    return reference_ == 0 ? nullptr : holder_->FindElementById(reference_);
}

namespace {
// The paste's post-processing, run once the paste's own changes (the caller's placing of the copies
// included) are closed: what it changes then starts from the copies where they were put, as a change
// made to elements that were there before.
class PostProcessing : public IFollowUpJob {
public:
    PostProcessing(IPastePostProcessor& post, ModelElementSet pasted) : post_(post), pasted_(std::move(pasted)) {}
    void DoFollowUpJob(Env& env) override { post_.OnPaste(env, pasted_); }

private:
    IPastePostProcessor& post_;
    const ModelElementSet pasted_;
};
} // namespace

TransferSet::PasteResult TransferSet::Paste(Env& env, PostProcess when) const
{
    Settle();
    CopyRegistry mapping;
    std::vector<ElementPtr> made;
    made.reserve(holder_->GetElementCount());
    for (const ElementPtr& e : holder_->Elements()) {
        made.push_back(e->Clone());
        mapping.Register(*e, *made.back());
    }
    for (const ElementPtr& c : made) c->RemapReferences(mapping);
    PasteResult result;
    for (const ElementPtr& c : made) {
        env.Insert(c);
        result.pasted.Insert(c);
    }
    for (const ElementPtr& c : made) c->OnRestored(env);
    for (const ElementPtr& c : made) c->OnPasted(env, result.pasted);
    if (IPastePostProcessor* post = env.GetDiagram().GetPastePostProcessor()) {
        if (when == PostProcess::Now) post->OnPaste(env, result.pasted);
        else env.GetTransaction().AddFollowUpJob(std::make_shared<PostProcessing>(*post, result.pasted));
    }
    if (IModelElement* reference = GetReferenceElement())
        result.reference = mapping.Find(reference)->shared_from_this();
    return result;
}

const IClub& TransferSet::GetClub() const
{
    Settle();
    return *holder_;
}

void TransferSet::ForEachElement(const std::function<void(IModelElement&)>& f) const
{
    Settle();
    holder_->ForEachElement(f);
}

Diagram& TransferSet::BeginReading()
{
    reading_ = std::make_unique<Diagram>(registry_, nullptr);
    return *reading_;
}

void TransferSet::EndReading(bool success) noexcept
{
    if (success && reading_) {
        holder_.swap(reading_);
        copies_ = CopyRegistry();
        unsettled_.clear();
        pending_.clear();
        byOriginal_.clear();
        originals_.clear();
    }
    reading_.reset();
}

} // namespace Core
