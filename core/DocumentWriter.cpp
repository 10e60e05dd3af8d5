#include "core/DocumentWriter.h"

#include "core/Diagram.h"
#include "core/foundation/UTF8.h"
#include "core/xml/Writer.h"

#include <cstdint>
#include <limits>
#include <ostream>
#include <vector>

namespace Core {

Exceptions::DanglingReference::DanglingReference(const IModelElement& element)
    : Base("cannot save: " + zq::ToUTF8(element.GetTypeName()) + " r" + std::to_string(element.GetObjectId()) +
           " refers to an element that is not saved with it")
{
}

namespace {

constexpr std::size_t kNoPlace = std::numeric_limits<std::size_t>::max();

// The places of the source's elements by address, in an open-addressing table: a document has
// tens of thousands of elements and every reference is looked up once.
class PlaceTable {
public:
    explicit PlaceTable(std::size_t count) {
        while ((std::size_t(1) << bits_) < 2 * count + 2) ++bits_;
        slots_.assign(std::size_t(1) << bits_, Slot{nullptr, kNoPlace});
    }
    // Records the element's place; an element met again keeps its first place.
    void Insert(const IModelElement* e, std::size_t place) {
        Slot& s = Probe(e);
        if (s.element == nullptr) s = Slot{e, place};
    }
    // The element's place, or kNoPlace when the source does not hold it.
    std::size_t Find(const IModelElement* e) const { return const_cast<PlaceTable*>(this)->Probe(e).place; }

private:
    struct Slot {
        const IModelElement* element;
        std::size_t place;
    };
    Slot& Probe(const IModelElement* e) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = std::size_t((std::uint64_t(reinterpret_cast<std::uintptr_t>(e)) * 0x9E3779B97F4A7C15ull) >>
                                    (64 - bits_)) & mask;
        while (slots_[i].element != nullptr && slots_[i].element != e) i = (i + 1) & mask;
        return slots_[i];
    }
    unsigned bits_ = 1;
    std::vector<Slot> slots_;
};

// The source with its owned elements indexed and the elements a document of it holds marked.
class IndexedClub : public IClub {
public:
    explicit IndexedClub(const IClub& source) : places_(0) {
        source.ForEachElement([&](IModelElement& e) { elements_.push_back(&e); });
        places_ = PlaceTable(elements_.size());
        for (std::size_t i = 0; i < elements_.size(); ++i) places_.Insert(elements_[i], i);
        IndexOwned();
        MarkWritten();
    }
    void ForEachElement(const std::function<void(IModelElement&)>& f) const override {
        for (IModelElement* e : elements_) f(*e);
    }
    std::vector<IModelElement*> GetOwnedElements(const IModelElement& owner) const override {
        const std::size_t place = places_.Find(&owner);
        if (place == kNoPlace) return {};
        return {owned_.begin() + std::ptrdiff_t(ownedStart_[place]), owned_.begin() + std::ptrdiff_t(ownedStart_[place + 1])};
    }
    // Whether a document of the source holds the element at the place.
    bool IsWrittenAt(std::size_t place) const { return written_[place] != 0; }
    // Whether a document of the source holds the element.
    bool IsWritten(const IModelElement& e) const {
        const std::size_t place = places_.Find(&e);
        return place != kNoPlace && written_[place];
    }
    // The elements in source order.
    const std::vector<IModelElement*>& Elements() const { return elements_; }

private:
    // Lists each element's owned elements together, in source order (owners outside the source own nothing).
    void IndexOwned() {
        std::vector<std::size_t> ownerPlace(elements_.size(), kNoPlace);
        ownedStart_.assign(elements_.size() + 1, 0);
        for (std::size_t i = 0; i < elements_.size(); ++i) {
            if (IModelElement* owner = elements_[i]->GetOwner()) ownerPlace[i] = places_.Find(owner);
            if (ownerPlace[i] != kNoPlace) ++ownedStart_[ownerPlace[i] + 1];
        }
        for (std::size_t i = 0; i < elements_.size(); ++i) ownedStart_[i + 1] += ownedStart_[i];
        owned_.resize(ownedStart_.back());
        std::vector<std::size_t> next(ownedStart_.begin(), ownedStart_.end() - 1);
        for (std::size_t i = 0; i < elements_.size(); ++i)
            if (ownerPlace[i] != kNoPlace) owned_[next[ownerPlace[i]]++] = elements_[i];
    }
    // Held: stored elements without an owner and, nested, stored elements whose owner is held.
    void MarkWritten() {
        written_.assign(elements_.size(), 0);
        std::vector<std::size_t> pending;
        for (std::size_t i = 0; i < elements_.size(); ++i)
            if (elements_[i]->GetOwner() == nullptr && elements_[i]->IsStored()) pending.push_back(i);
        while (!pending.empty()) {
            const std::size_t place = pending.back();
            pending.pop_back();
            if (written_[place] || places_.Find(elements_[place]) != place) continue;  // met before
            written_[place] = 1;
            for (std::size_t k = ownedStart_[place]; k < ownedStart_[place + 1]; ++k)
                if (owned_[k]->IsStored()) pending.push_back(places_.Find(owned_[k]));
        }
    }

    std::vector<IModelElement*> elements_;  // in source order
    PlaceTable places_;
    std::vector<std::size_t> ownedStart_;  // the owned elements of place i: owned_[ownedStart_[i] .. ownedStart_[i + 1])
    std::vector<IModelElement*> owned_;
    std::vector<char> written_;  // by place
};

// Refuses a document in which a written element refers by id to an element the document does
// not hold.
void CheckReferences(const IndexedClub& club)
{
    const auto& elements = club.Elements();
    for (std::size_t place = 0; place < elements.size(); ++place) {
        if (!club.IsWrittenAt(place)) continue;
        elements[place]->ForEachStoredReference([&](const IModelElement& target) {
            if (!club.IsWritten(target)) throw Exceptions::DanglingReference(*elements[place]);
        });
    }
}

template <class Stream>
void Write(const IClub& source, Stream& out)
{
    IndexedClub club(source);
    CheckReferences(club);
    xml::DocumentWriter doc(out);
    for (IModelElement* e : club.Elements())
        if (e->IsStored() && e->GetOwner() == nullptr) e->Store(doc, &club);
    doc.EndElement();
}

} // namespace

void WriteDiagramXML(const IClub& source, std::ostream& out) { Write(source, out); }

void WriteDiagramXML(const IClub& source, std::wostream& out) { Write(source, out); }

} // namespace Core
