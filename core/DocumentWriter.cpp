#include "core/DocumentWriter.h"

#include "core/Diagram.h"
#include "core/foundation/UTF8.h"
#include "core/xml/Writer.h"

#include <algorithm>
#include <ostream>
#include <utility>
#include <vector>

namespace Core {

Exceptions::DanglingReference::DanglingReference(const IModelElement& element)
    : Base("cannot save: " + zq::ToUTF8(element.GetTypeName()) + " r" + std::to_string(element.GetObjectId()) +
           " refers to an element that is not saved with it")
{
}

namespace {

// The source with an index of owned elements and of the elements a document of it holds, kept in
// sorted vectors: a document has tens of thousands of elements and is written in one pass.
class IndexedClub : public IClub {
public:
    explicit IndexedClub(const IClub& source) : source_(source) {
        std::vector<const IModelElement*> pending;
        source.ForEachElement([&](IModelElement& e) {
            if (IModelElement* owner = e.GetOwner())
                owned_.emplace_back(owner, &e);
            else if (e.IsStored())
                pending.push_back(&e);
        });
        std::stable_sort(owned_.begin(), owned_.end(), [](const Owned& a, const Owned& b) { return a.first < b.first; });
        // Held: stored elements without an owner and, nested, stored elements whose owner is held.
        while (!pending.empty()) {
            const IModelElement* owner = pending.back();
            pending.pop_back();
            written_.push_back(owner);
            for (auto [it, end] = OwnedRange(*owner); it != end; ++it)
                if (it->second->IsStored()) pending.push_back(it->second);
        }
        std::sort(written_.begin(), written_.end());
        // An element owned twice over (a cycle of owners never reaches here) is held once.
        written_.erase(std::unique(written_.begin(), written_.end()), written_.end());
    }
    void ForEachElement(const std::function<void(IModelElement&)>& f) const override { source_.ForEachElement(f); }
    std::vector<IModelElement*> GetOwnedElements(const IModelElement& owner) const override {
        std::vector<IModelElement*> owned;
        for (auto [it, end] = OwnedRange(owner); it != end; ++it) owned.push_back(it->second);
        return owned;
    }
    // Whether a document of the source holds the element.
    bool IsWritten(const IModelElement& e) const { return std::binary_search(written_.begin(), written_.end(), &e); }

private:
    using Owned = std::pair<const IModelElement*, IModelElement*>;
    std::pair<std::vector<Owned>::const_iterator, std::vector<Owned>::const_iterator> OwnedRange(
        const IModelElement& owner) const {
        auto first = std::lower_bound(owned_.begin(), owned_.end(), &owner,
                                      [](const Owned& o, const IModelElement* e) { return o.first < e; });
        auto last = first;
        while (last != owned_.end() && last->first == &owner) ++last;
        return {first, last};
    }

    const IClub& source_;
    std::vector<Owned> owned_;                  // (owner, owned element), by owner, each owner's in source order
    std::vector<const IModelElement*> written_;  // sorted
};

// Refuses a document in which a written element refers by id to an element the document does
// not hold.
void CheckReferences(const IndexedClub& club)
{
    club.ForEachElement([&](IModelElement& e) {
        if (!club.IsWritten(e)) return;
        e.ForEachStoredReference([&](const IModelElement& target) {
            if (!club.IsWritten(target)) throw Exceptions::DanglingReference(e);
        });
    });
}

template <class Stream>
void Write(const IClub& source, Stream& out)
{
    IndexedClub club(source);
    CheckReferences(club);
    xml::DocumentWriter doc(out);
    club.ForEachElement([&](IModelElement& e) {
        if (e.IsStored() && e.GetOwner() == nullptr) e.Store(doc, &club);
    });
    doc.EndElement();
}

} // namespace

void WriteDiagramXML(const IClub& source, std::ostream& out) { Write(source, out); }

void WriteDiagramXML(const IClub& source, std::wostream& out) { Write(source, out); }

} // namespace Core
