#include "core/DocumentReader.h"

#include "core/Diagram.h"
#include "core/Factory.h"
#include "core/Finalizer.h"
#include "core/Registries.h"
#include "core/StoredForms.h"
#include "core/Transaction.h"
#include "core/xml/Exceptions.h"
#include "core/xml/Reader.h"
#include "core/xml/ReaderChars.h"

#include <algorithm>
#include <cstdint>
#include <istream>

namespace Core {

namespace {

// One known element met in the first pass: the element made for it with its attributes, or none
// when its enclosing element read it itself or ignores it (the second pass skips it then). The
// entries of an element's children follow it, up to end: the second pass walks them instead of
// reading the document again.
struct Entry {
    ElementPtr element;
    xml::Attributes attributes;
    std::size_t end = 0;  // the place after the entries of the element's children
    int line = 0;         // the line of the element's start tag
};

class DocumentReading {
public:
    DocumentReading(Diagram& diagram, Env& env, xml::Reader& reader, std::size_t expected)
        : diagram_(diagram), env_(env), reader_(reader) {
        registry_.Reserve(expected);
        entries_.reserve(expected);
        read_.reserve(expected);
    }

    // Checks the root element and creates every element (first pass).
    void CreateAll(xml::Tag& root) {
        reader_.ReadRoot(root);
        if (root.LocalName() != xml::kRootElement || !root.IsIn(xml::kSchema10))
            throw xml::Exceptions::UnknownElement(root.GetLine(), root.LocalName());
        Create(root, nullptr);
        line_ = 0;
    }

    // Restores every element (second pass).
    void RestoreAll() {
        Restore(0, entries_.size(), nullptr);
        line_ = 0;
    }

    const std::vector<ElementPtr>& Read() const { return read_; }

    // Declares that no stored id can be taken in the diagram by an element the reading did not
    // register (the diagram was empty and ids made meanwhile lie above every stored one).
    void TrustStoredIds() { checkDiagramIds_ = false; }

    // Gives an error without a line the line of the element it names, else that of the element
    // being created or restored; an error after both passes that names no element keeps none.
    void Place(Exceptions::Base& error) const {
        if (error.Line() > 0) return;
        if (const ObjectId id = error.Element(); id != 0)
            for (const Entry& entry : entries_)
                if (entry.element && entry.element->GetObjectId() == id) return error.PlaceAt(entry.line);
        error.PlaceAt(line_);
    }

private:
    void Create(const xml::Tag& parentTag, IModelElement* parent) {
        xml::Tag tag;
        std::wstring uri;
        while (reader_.ReadNextKnownElement(tag, parentTag)) {
            line_ = tag.GetLine();
            uri.assign(tag.NamespaceUri());
            const std::wstring& name = tag.LocalName();
            if (parent != nullptr && parent->IgnoresChild(uri, name)) {
                reader_.SkipElement(tag);
                AddEmptyEntry();
                continue;
            }
            if (parent != nullptr && parent->RestoreChildElement(env_, reader_, tag)) {
                AddEmptyEntry();
                continue;
            }
            ElementPtr e;
            if (parent != nullptr) e = parent->FindExistingChild(env_, uri, name);
            const bool existing = e != nullptr;
            if (!e) {
                if (parent != nullptr) {
                    e = parent->CreateChildElement(env_, uri, name);
                } else if (IFactory* factory = diagram_.GetFactoryRegistry().Find(uri, name)) {
                    e = factory->CreateElement();
                }
            }
            if (!e) throw xml::Exceptions::UnknownElement(tag.GetLine(), name);
            Register(tag, e, existing && diagram_.Contains(*e));
            const std::size_t index = entries_.size();
            entries_.push_back({e, {}, 0, line_});
            read_.push_back(e);
            Create(tag, e.get());
            Entry& entry = entries_[index];
            entry.attributes = tag.TakeAttributes();
            entry.end = entries_.size();
        }
    }

    void AddEmptyEntry() { entries_.push_back({nullptr, {}, entries_.size() + 1, line_}); }

    // Inserts a new element under its stored id and registers it there; an element stored without
    // "id" takes a new id (above every stored one). An element already in the diagram (one its
    // enclosing element made before) is only registered; a factory's new element never is in it.
    void Register(const xml::Tag& tag, const ElementPtr& e, bool inDiagram) {
        const int line = tag.GetLine();
        auto [found, text] = tag.GetAttributes().find(xml::kSchema10, L"id");
        if (!found) {
            if (!inDiagram) env_.Insert(e);
            return;
        }
        const ObjectId id = ToBinary::ToRef(text, L"id", line);
        if (id == 0) throw Exceptions::AttributeOutOfRange(line, L"id");
        const bool taken = !inDiagram && checkDiagramIds_ && diagram_.FindElementById(id) != nullptr;
        if (registry_.Find(id) != nullptr || taken)
            throw Exceptions::DuplicateObjectID(line, id);
        if (!inDiagram) {
            ElementState::SetId(*e, id);
            env_.Insert(e);
        }
        registry_.Register(id, *e, line);
    }

    // Restores the elements of the entries [begin, end), the children of parent.
    void Restore(std::size_t begin, std::size_t end, IModelElement* parent) {
        IModelElement* previous = nullptr;
        for (std::size_t i = begin; i < end; i = entries_[i].end) {
            Entry& entry = entries_[i];
            if (!entry.element) continue;
            IModelElement& e = *entry.element;
            line_ = entry.line;
            e.RestoreProperties(entry.attributes, registry_);
            if (entry.attributes.HasUnread()) reader_.NoteSkipped();  // lost at the next save: warn
            entry.attributes = {};  // done with: give the memory back as the pass goes
            Restore(i + 1, entry.end, &e);
            line_ = entry.line;
            e.EndRestore(env_, RestoreContext{parent, previous, registry_, entry.line});
            previous = &e;
        }
    }

    Diagram& diagram_;
    Env& env_;
    xml::Reader& reader_;
    ObjectRegistry registry_;
    std::vector<Entry> entries_;
    std::vector<ElementPtr> read_;
    int line_ = 0;  // the line of the element being created or restored; 0 after the passes
    bool checkDiagramIds_ = true;
};

// A dotted version as numbers; false when it is not one.
template <class Char>
bool ParseVersion(std::basic_string_view<Char> text, std::vector<unsigned long>& parts)
{
    parts.clear();
    unsigned long value = 0;
    std::size_t digits = 0;
    for (Char c : text) {
        if (c >= Char('0') && c <= Char('9')) {
            if (++digits > 9) return false;
            value = value * 10 + static_cast<unsigned long>(c - Char('0'));
        } else if (c == Char('.') && digits > 0) {
            parts.push_back(value);
            value = 0;
            digits = 0;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    parts.push_back(value);
    return true;
}

// An attribute value as the reader decodes it, as far as an id goes: a character reference
// ("&#114;") stands for its character; any other reference, or a character outside ASCII, for one
// that is no part of an id.
std::string DecodedIdText(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size();) {
        if (value[i] != '&') {
            out += value[i++];
            continue;
        }
        const std::size_t semi = value.find(';', i);
        char32_t cp = 0;
        if (semi == std::string_view::npos || !xml::detail::ParseCharacterReference(value.substr(i + 1, semi - i - 1), cp))
            return out + '&';
        out += cp < 0x80 ? static_cast<char>(cp) : '?';
        i = semi + 1;
    }
    return out;
}

// The highest object id the document may store: the value "rN" of every attribute named "id",
// with or without a prefix, written plainly or with character references; an over-estimate is
// harmless. Elements the reading makes without a stored id get ids above it.
ObjectId HighestStoredId(std::string_view doc)
{
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    ObjectId highest = 0;
    for (std::size_t pos = doc.find("id", 1); pos != std::string_view::npos; pos = doc.find("id", pos + 2)) {
        if (!space(doc[pos - 1]) && doc[pos - 1] != ':') continue;
        std::size_t i = pos + 2;
        while (i < doc.size() && space(doc[i])) ++i;
        if (i >= doc.size() || doc[i] != '=') continue;
        ++i;
        while (i < doc.size() && space(doc[i])) ++i;
        if (i + 1 >= doc.size() || (doc[i] != '"' && doc[i] != '\'')) continue;
        const std::size_t close = doc.find(doc[i], i + 1);
        if (close == std::string_view::npos) break;
        std::string_view value = doc.substr(i + 1, close - i - 1);
        std::string decoded;
        if (value.find('&') != std::string_view::npos) value = decoded = DecodedIdText(value);
        if (value.empty() || value[0] != 'r') continue;
        std::uint64_t number = 0;
        for (std::size_t k = 1; k < value.size() && value[k] >= '0' && value[k] <= '9' && number <= 0xFFFFFFFFull; ++k)
            number = number * 10 + std::uint64_t(value[k] - '0');
        if (number > highest) highest = number > 0xFFFFFFFFull ? 0xFFFFFFFFu : ObjectId(number);
    }
    return highest;
}

// An upper estimate of the number of elements the document holds: its start tags.
std::size_t StartTagCount(std::string_view doc)
{
    std::size_t count = 0;
    for (std::size_t pos = doc.find('<'); pos != std::string_view::npos; pos = doc.find('<', pos + 1))
        if (pos + 1 < doc.size() && doc[pos + 1] != '/' && doc[pos + 1] != '?' && doc[pos + 1] != '!') ++count;
    return count;
}

} // namespace

namespace {
bool IsNewer(const std::vector<unsigned long>& v, const std::vector<unsigned long>& r)
{
    for (std::size_t i = 0; i < std::max(v.size(), r.size()); ++i) {
        const unsigned long a = i < v.size() ? v[i] : 0;
        const unsigned long b = i < r.size() ? r[i] : 0;
        if (a != b) return a > b;
    }
    return false;
}
} // namespace

bool IsNewerVersion(std::wstring_view version, std::wstring_view reference)
{
    std::vector<unsigned long> v, r;
    return ParseVersion(version, v) && ParseVersion(reference, r) && IsNewer(v, r);
}

bool IsNewerSchema(std::wstring_view uri)
{
    const std::wstring_view own = xml::kSchema13.uri;
    const std::wstring_view base = own.substr(0, own.rfind(L'/') + 1);
    std::vector<unsigned long> current, declared;
    ParseVersion(own.substr(base.size()), current);
    return uri.size() > base.size() && uri.substr(0, base.size()) == base &&
           ParseVersion(uri.substr(base.size()), declared) && IsNewer(declared, current);
}

unsigned ReadDiagramXML(IElementReceiver& receiver, std::string utf8, const ReadOptions& options)
{
    Diagram& diagram = receiver.BeginReading();
    const ObjectId nextId = diagram.GetNextObjectId();
    const std::size_t firstIndex = diagram.GetElementCount();
    std::vector<ElementPtr> read;
    unsigned flags = 0;
    const ObjectId highestId = HighestStoredId(utf8);
    const std::size_t expected = StartTagCount(utf8);
    try {
        xml::Reader reader(std::move(utf8));
        Transaction transaction(diagram);
        // The reading's record is never kept: a failed reading is rolled back, a finished one
        // cannot be undone.
        transaction.KeepNoHistory();
        Env env(transaction);
        DocumentReading reading(diagram, env, reader, expected);
        try {
            if (highestId != 0xFFFFFFFFu && highestId >= nextId) diagram.SetNextObjectId(highestId + 1);
            if (firstIndex == 0 && highestId != 0xFFFFFFFFu) reading.TrustStoredIds();
            diagram.ReserveElements(expected);
            xml::Tag root;
            reading.CreateAll(root);
            auto [found, version] = root.GetAttributes().find(xml::kSchema10, xml::kProductVersionAttribute);
            if (found && IsNewerVersion(version, xml::kProductVersion)) flags |= kReadNewerVersion;
            reading.RestoreAll();
            if (reader.SkippedUnknown()) flags |= kReadSkippedUnknown;
            // A newer schema declared on any element, the root or one below it.
            const auto& uris = reader.NamespaceUris();
            if (std::any_of(uris.begin(), uris.end(), [](const std::wstring& uri) { return IsNewerSchema(uri); }))
                flags |= kReadNewerVersion;
            // Every element the reading made, those its enclosing elements made themselves included.
            if (diagram.GetElementCount() >= firstIndex)
                read.assign(diagram.Elements().begin() + static_cast<std::ptrdiff_t>(firstIndex), diagram.Elements().end());
            else
                read = reading.Read();
            RunFinalizers(env, read);
            for (const ElementPtr& e : read) Exceptions::NamingElement(e->GetObjectId(), [&] { e->OnRestored(env); });
            if (options.afterRestored) options.afterRestored(env, read);
            env.Close();
        } catch (Exceptions::Base& error) {
            reading.Place(error);  // every reading error names its line
            transaction.AbortQuietly();
            throw;
        } catch (...) {
            transaction.AbortQuietly();
            throw;
        }
    } catch (...) {
        diagram.SetNextObjectId(nextId);
        receiver.EndReading(false);
        throw;
    }
    receiver.EndReading(true);
    if (options.afterClose) options.afterClose(read);
    return flags;
}

unsigned ReadDiagramXML(IElementReceiver& receiver, std::wistream& in, const ReadOptions& options)
{
    return ReadDiagramXML(receiver, xml::ReadUTF8(in), options);
}

namespace {
// A diagram as the receiver of a reading.
class DiagramReceiver : public IElementReceiver {
public:
    explicit DiagramReceiver(Diagram& diagram) : diagram_(diagram) {}
    Diagram& BeginReading() override { return diagram_; }
    void EndReading(bool) noexcept override {}

private:
    Diagram& diagram_;
};
} // namespace

unsigned ReadDiagramXML(Diagram& diagram, std::string utf8, const ReadOptions& options)
{
    DiagramReceiver receiver(diagram);
    return ReadDiagramXML(receiver, std::move(utf8), options);
}

unsigned ReadDiagramXML(Diagram& diagram, std::wistream& in, const ReadOptions& options)
{
    DiagramReceiver receiver(diagram);
    return ReadDiagramXML(receiver, in, options);
}

} // namespace Core
