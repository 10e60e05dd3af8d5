#include "core/DocumentWriter.h"

#include "core/Diagram.h"
#include "core/Registries.h"
#include "core/foundation/UTF8.h"
#include "core/xml/Writer.h"

#include <ostream>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

namespace Core {

Exceptions::DanglingReference::DanglingReference(const IModelElement& element)
    : Base("cannot save: " + zq::ToUTF8(element.GetTypeName()) + " r" + std::to_string(element.GetObjectId()) +
           " refers to an element that is not saved with it")
{
}

namespace {

// The source with an index of owned elements, so that nesting costs one pass over the source.
class IndexedClub : public IClub {
public:
    explicit IndexedClub(const IClub& source) : source_(source) {
        source.ForEachElement([&](IModelElement& e) {
            if (IModelElement* owner = e.GetOwner()) owned_[owner].push_back(&e);
        });
    }
    void ForEachElement(const std::function<void(IModelElement&)>& f) const override { source_.ForEachElement(f); }
    std::vector<IModelElement*> GetOwnedElements(const IModelElement& owner) const override {
        auto it = owned_.find(&owner);
        return it == owned_.end() ? std::vector<IModelElement*>() : it->second;
    }

private:
    const IClub& source_;
    std::unordered_map<const IModelElement*, std::vector<IModelElement*>> owned_;
};

// A document writer that keeps the text of its last child instead of writing anything.
class ElementCapture : public xml::DocumentWriter {
public:
    ElementCapture() : xml::DocumentWriter(sink_) {}
    // The attributes and in-place children of the element as the document would hold them.
    std::string Capture(const IModelElement& element) {
        {
            xml::Writer w(*this, element.GetNamespace(), L"E");
            element.StoreProperties(w);
            w.EndElement();
        }
        return std::move(last_);
    }

protected:
    void AddChild(std::string&& text) override { last_ = std::move(text); }

private:
    std::ostringstream sink_;
    std::string last_;
};

// The elements a document of the source holds: stored elements without an owner and, nested,
// stored elements whose owner is held.
std::unordered_set<const IModelElement*> WrittenElements(const IndexedClub& club)
{
    std::unordered_set<const IModelElement*> written;
    std::vector<const IModelElement*> pending;
    club.ForEachElement([&](IModelElement& e) {
        if (e.IsStored() && e.GetOwner() == nullptr && written.insert(&e).second) pending.push_back(&e);
    });
    while (!pending.empty()) {
        const IModelElement* owner = pending.back();
        pending.pop_back();
        for (IModelElement* e : club.GetOwnedElements(*owner))
            if (e->IsStored() && written.insert(e).second) pending.push_back(e);
    }
    return written;
}

// Refuses a document in which a written element refers to an element the document does not hold:
// a copy of each element whose references are mapped onto the written elements (the others are
// dropped) must store exactly like a plain copy.
void CheckReferences(const IndexedClub& club, const std::unordered_set<const IModelElement*>& written)
{
    CopyRegistry onto;
    for (const IModelElement* e : written) onto.Register(*e, const_cast<IModelElement&>(*e));
    ElementCapture capture;
    club.ForEachElement([&](IModelElement& e) {
        if (!written.contains(&e)) return;
        ElementPtr plain = e.Clone();
        ElementPtr mapped = e.Clone();
        mapped->RemapReferences(onto);
        if (capture.Capture(*plain) != capture.Capture(*mapped)) throw Exceptions::DanglingReference(e);
    });
}

template <class Stream>
void Write(const IClub& source, Stream& out)
{
    IndexedClub club(source);
    CheckReferences(club, WrittenElements(club));
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
