// Reading XML documents: a pull reader over the whole document held in memory as UTF-8. It gives
// the next element of a known namespace under a parent tag, skipping (and flagging) elements of
// unknown namespaces; malformed input throws an xml::ExceptionBase with the line.
#pragma once

#include "core/xml/Namespace.h"

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <iosfwd>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace xml {

// The attribute list of one tag as the restore operations use it.
class IAttributes {
public:
    virtual ~IAttributes() = default;
    // {found, text} of the attribute (ns, name); the text lives as long as the tag's current content.
    virtual std::pair<bool, std::wstring_view> find(const Namespace& ns, std::wstring_view name) const = 0;
    // The text of the attribute; throws xml::Exceptions::AttributeNotFound with the tag's line when absent.
    virtual const std::wstring& get(const Namespace& ns, std::wstring_view name) const = 0;
    // The line of the tag.
    virtual int GetLine() const = 0;
};

// One attribute of a tag: its namespace URI (unprefixed attributes belong to the first schema
// namespace; empty for an undeclared prefix), local name and decoded value. A value is decoded
// when first read; the name and value fields are filled by Attributes::At.
struct Attribute {
    std::wstring_view uri;
    std::wstring name;
    std::wstring value;
    bool known = false;         // of a namespace the reader reads
    mutable bool read = false;  // found by a lookup

private:
    friend class Attributes;
    friend class Reader;
    std::string_view local_;  // the local name in the document (UTF-8)
    std::string_view raw_;    // the value in the document
    bool named_ = false;      // name holds local_ decoded
    bool decoded_ = false;    // value holds the decoded value
    bool references_ = false; // raw_ holds references
};

// The attributes of one tag. Values are decoded from the reader's document when first read, so
// they stay readable as long as the reader lives, also after Tag::TakeAttributes.
class Attributes : public IAttributes {
public:
    std::pair<bool, std::wstring_view> find(const Namespace& ns, std::wstring_view name) const override;
    const std::wstring& get(const Namespace& ns, std::wstring_view name) const override;
    int GetLine() const override { return line_; }
    // The number of attributes (namespace declarations not counted).
    std::size_t Count() const { return count_; }
    // The attribute at index i < Count(), its name and value decoded.
    const Attribute& At(std::size_t i) const;
    // Whether an attribute of a namespace the reader reads was never looked up (so it was ignored).
    bool HasUnread() const;

private:
    friend class Reader;
    friend class Tag;
    Attribute* Find(const Namespace& ns, std::wstring_view name) const;
    const std::wstring& Value(Attribute& a) const;  // decodes the value on first use
    mutable std::vector<Attribute> items_;  // reused between tags; only the first count_ are current
    std::size_t count_ = 0;
    const char* docEnd_ = nullptr;          // the end of the reader's document (bytes before it are readable)
    int line_ = 0;
};

enum class TagKind { Start, End, Empty };

// A tag read by the reader.
class Tag {
public:
    // Start, end or empty-element tag.
    TagKind Kind() const { return kind_; }
    // An end tag.
    bool IsEndTag() const { return kind_ == TagKind::End; }
    // An empty-element tag (no content, no end tag follows).
    bool IsEmptyElement() const { return kind_ == TagKind::Empty; }
    // The element name without prefix.
    const std::wstring& LocalName() const { return name_; }
    // The namespace URI (empty when the prefix is undeclared).
    std::wstring_view NamespaceUri() const { return uri_; }
    // Whether the tag's namespace is ns.
    bool IsIn(const Namespace& ns) const { return uri_ == ns.uri; }
    // The line of the tag.
    int GetLine() const { return attributes_.GetLine(); }
    // Depth of the element (the root is 1).
    int Depth() const { return depth_; }
    // The tag's attributes (none for an end tag).
    const Attributes& GetAttributes() const { return attributes_; }
    // Hands the attributes over (to be kept past the next tag while the reader lives); the tag keeps
    // none, its line aside.
    Attributes TakeAttributes() {
        Attributes taken = std::move(attributes_);
        attributes_ = Attributes();
        attributes_.line_ = taken.line_;
        return taken;
    }

private:
    friend class Reader;
    TagKind kind_ = TagKind::Start;
    std::wstring name_;
    std::wstring_view uri_;
    std::size_t uriIndex_ = std::size_t(-1);  // the reader's index of uri_, or none
    int depth_ = 0;
    Attributes attributes_;
};

// The XML declaration of a document.
struct Declaration {
    bool present = false;
    std::wstring version;
    std::wstring encoding;
    std::wstring standalone;
};

// Deepest element nesting a document may have.
inline constexpr int kMaxDepth = 256;

// The whole text of a wide stream (decoded by its locale, e.g. zq::MakeUTF8Locale) as UTF-8 bytes.
// Each mark of an undecodable byte (zq::kInvalidByteMark), and a conversion that fails, becomes the
// byte 0xFF, so that the reader rejects the text as invalid UTF-8 at that place; zq::kUFFFFMark
// becomes U+FFFF again, which the reader rejects as no XML character.
std::string ReadUTF8(std::wistream& in);

class Reader {
public:
    // Reads UTF-8 bytes (a byte-order mark is skipped); known lists the namespaces read. Checks the
    // encoding and the XML declaration first, then that the bytes are UTF-8 of XML characters.
    explicit Reader(std::string utf8, std::initializer_list<Namespace> known = {kSchema10, kSchema13});
    // Reads the whole wide stream (decoded by its locale, e.g. zq::MakeUTF8Locale).
    explicit Reader(std::wistream& in, std::initializer_list<Namespace> known = {kSchema10, kSchema13});
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Reads the prolog and the root start tag into root (of any namespace).
    void ReadRoot(Tag& root);
    // The XML declaration; valid after ReadRoot.
    const Declaration& GetDeclaration() const { return declaration_; }
    // Reads the next child element of parent whose namespace is known into tag, skipping text,
    // comments, processing instructions and elements of other namespaces; false when parent's
    // end tag has been read (at once for an empty element).
    bool ReadNextKnownElement(Tag& tag, const Tag& parent);
    // Node kinds of the low-level pull interface.
    enum class Node { StartTag, EndTag, Text, EndOfDocument };
    // Reads the next tag or character data (text comes back with entities replaced; CDATA included).
    Node ReadNode(Tag& tag, std::wstring& text);
    // Skips the content and end tag of the element opened by tag (nothing for an empty element).
    void SkipElement(const Tag& tag);
    // Starts again at the beginning of the document, for a second pass.
    void Rewind();
    // Reads the next node of an element's mixed content as ReadNode does, but skips (and notes)
    // elements of unknown namespaces, as ReadNextKnownElement does.
    Node ReadKnownNode(Tag& tag, std::wstring& text);
    // Notes content that its reader skipped (such as an attribute its element does not read).
    void NoteSkipped() { skippedUnknown_ = true; }
    // Whether elements or attributes were skipped: of unknown or undeclared namespaces, or noted.
    bool SkippedUnknown() const { return skippedUnknown_; }
    // The known namespace URIs and every one the document has declared so far, each once.
    const std::deque<std::wstring>& NamespaceUris() const { return uris_; }

private:
    struct Binding {
        std::string_view prefix;  // into the document; empty for the default namespace
        std::size_t uri;          // index into uris_
        std::size_t depth;        // depth of the element that declares it
    };
    struct OpenElement {
        std::size_t nameBegin;    // the qualified name in the document, to match the end tag
        std::size_t nameLength;
        std::size_t bindings;     // number of bindings before the element
        std::size_t uri;          // resolved namespace (npos when undeclared)
        int line;
    };
    struct RawAttribute {
        std::string_view qname;
        std::size_t colon;        // of the name, as ParseName answers it
        std::size_t valueBegin, valueEnd;
        bool references;          // the value holds "&" (references to check)
    };

    void Init(std::initializer_list<Namespace> known);
    [[noreturn]] void Fail(std::size_t pos, std::string_view message) const;
    [[noreturn]] void FailNotXmlChar(std::size_t pos) const;
    int LineAt(std::size_t pos) const;
    static bool IsSpaceByte(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }
    bool StartsWith(std::string_view s) const { return doc_.compare(pos_, s.size(), s) == 0; }
    void ParseDeclaration();
    void SkipMisc();
    void SkipComment();
    void SkipProcessingInstruction();
    // ReadNode; a null text reads character data only as far as checking it needs.
    Node ReadNodeInto(Tag& tag, std::wstring* text);
    void ParseText(std::wstring* text);
    void ParseCData(std::wstring* text);
    // An end tag into tag; without named, its name is left out (an end tag that the reader reads
    // for itself, never handed out).
    void ParseEndTag(Tag& tag, bool named);
    void ParseStartTag(Tag& tag);
    // A name at pos_; colon (when given) is set to the place of its first colon in the name, npos
    // for none, or npos - 1 for several.
    std::string_view ParseName(const char* what, std::size_t* colon = nullptr);
    bool IsNameStartAt(std::size_t pos) const;
    struct QName {
        std::string_view prefix, local;
    };
    QName SplitQName(std::size_t at, std::string_view qname, std::size_t colon, const char* what) const;
    void CheckQName(std::size_t at, std::string_view qname, std::size_t colon, const char* what) const;
    void DeclareNamespace(std::size_t at, std::string_view name, std::size_t valueBegin, std::size_t valueEnd,
                          std::size_t bindingsBefore, std::size_t depth);
    std::string_view ParseDeclarationValue(std::string_view name);
    // Skips white space at pos_ (the string's terminating NUL ends it at the latest); false for none.
    bool SkipSpace() { return IsSpaceByte(doc_[pos_]) && SkipSpaceRun(); }
    bool SkipSpaceRun();  // from a white space character at pos_
    // Decodes the text doc_[begin, end) into out, or only checks it when out is null.
    void DecodeValue(std::size_t begin, std::size_t end, std::wstring* out, bool attribute);
    std::size_t InternUri(std::wstring_view uri);
    std::size_t FindBinding(std::string_view prefix) const;
    void SetWide(std::wstring& out, std::string_view ascii) const;
    void AfterRoot();

    std::string doc_;
    std::size_t pos_ = 0;
    std::size_t start_ = 0;            // offset after a byte-order mark
    std::size_t body_ = 0;             // offset after the XML declaration
    // Where line numbers were last counted to: reading moves forward, so each count goes on from
    // the previous one.
    mutable std::size_t countedTo_ = 0;
    mutable int linesBefore_ = 0;  // line ends before countedTo_
    bool hasCR_ = true;            // the document may hold a CR (line ends need more than counting LFs)
    bool charsChecked_ = false;    // the document is known to be UTF-8 of XML characters
    std::deque<std::wstring> uris_;    // interned namespace URIs; stable storage for string views
    std::unordered_map<std::wstring_view, std::size_t> uriIndex_;  // URI to its index in uris_
    std::vector<bool> known_;          // per interned URI
    std::vector<Binding> bindings_;
    std::vector<OpenElement> open_;
    std::vector<RawAttribute> raw_;    // scratch of ParseStartTag
    std::wstring scratch_;             // scratch text
    Declaration declaration_;
    bool rootRead_ = false;
    bool finished_ = false;
    bool skippedUnknown_ = false;
};

} // namespace xml
