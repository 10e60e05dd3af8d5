#include "core/xml/Reader.h"

#include "core/foundation/UTF8.h"
#include "core/xml/Exceptions.h"
#include "core/xml/ReaderChars.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <istream>

namespace xml {

using namespace detail;

namespace {

constexpr std::size_t npos = std::string::npos;
constexpr std::size_t kQuadraticLimit = 16;  // attribute counts above this are checked by sorting
constexpr std::size_t kMaxBindings = 1000;    // namespace declarations in scope at once
constexpr std::size_t kManyColons = npos - 1;  // ParseName's answer for a name of several colons
constexpr std::wstring_view kXmlNamespace = L"http://www.w3.org/XML/1998/namespace";
constexpr std::wstring_view kXmlnsNamespace = L"http://www.w3.org/2000/xmlns/";

} // namespace

// ---- Attributes -------------------------------------------------------------------------------

Attribute* Attributes::Find(const Namespace& ns, std::wstring_view name) const {
    for (std::size_t i = 0; i < count_; ++i) {
        Attribute& a = items_[i];
        if (SameName(a.local_, name) && a.uri == ns.uri) {
            a.read = true;
            return &a;
        }
    }
    return nullptr;
}

const std::wstring& Attributes::Value(Attribute& a) const {
    if (!a.decoded_) {
        if (a.references_) {
            std::string unused;  // the references were checked when the tag was read
            DecodeText(a.raw_.data(), 0, a.raw_.size(), docEnd_, true, &a.value, unused);
        } else {
            a.value.clear();
            AppendPlainText(a.value, a.raw_.data(), 0, a.raw_.size(), docEnd_, true);
        }
        a.decoded_ = true;
    }
    return a.value;
}

std::pair<bool, std::wstring_view> Attributes::find(const Namespace& ns, std::wstring_view name) const {
    Attribute* a = Find(ns, name);
    if (a == nullptr) return {false, {}};
    return {true, Value(*a)};
}

const std::wstring& Attributes::get(const Namespace& ns, std::wstring_view name) const {
    Attribute* a = Find(ns, name);
    if (a == nullptr) throw Exceptions::AttributeNotFound(line_, name);
    return Value(*a);
}

const Attribute& Attributes::At(std::size_t i) const {
    Attribute& a = items_[i];
    if (!a.named_) {
        AssignWide(a.name, a.local_);
        a.named_ = true;
    }
    Value(a);
    return a;
}

bool Attributes::HasUnread() const {
    for (std::size_t i = 0; i < count_; ++i)
        if (items_[i].known && !items_[i].read) return true;
    return false;
}

// ---- Reader: set-up ---------------------------------------------------------------------------

Reader::Reader(std::string utf8, std::initializer_list<Namespace> known) : doc_(std::move(utf8)) { Init(known); }

Reader::Reader(std::wistream& in, std::initializer_list<Namespace> known) : doc_(ReadUTF8(in)) { Init(known); }

namespace {
// The place of the first of UTF8cvt's marks in chunk: a mark is a low surrogate that ends no pair
// (afterHigh: a high surrogate stands just before the chunk). npos when none.
std::size_t FindStreamMark(std::wstring_view chunk, bool afterHigh) {
    constexpr wchar_t kMarks[] = {static_cast<wchar_t>(zq::kInvalidByteMark), static_cast<wchar_t>(zq::kUFFFFMark)};
    const auto isHigh = [](wchar_t c) { return sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF; };
    for (std::size_t i = 0; (i = chunk.find_first_of(std::wstring_view(kMarks, 2), i)) != npos; ++i)
        if (!(i == 0 ? afterHigh : isHigh(chunk[i - 1]))) return i;
    return npos;
}
} // namespace

std::string ReadUTF8(std::wistream& in) {
    std::string out;
    char32_t pending = 0;
    bool failed = false;
    try {
        std::wstring buf(1 << 15, L'\0');
        while (in.rdbuf() != nullptr) {
            const std::streamsize n = in.rdbuf()->sgetn(buf.data(), std::streamsize(buf.size()));
            if (n <= 0) break;
            std::wstring_view chunk(buf.data(), std::size_t(n));
            for (std::size_t mark; (mark = FindStreamMark(chunk, pending != 0)) != chunk.npos;) {
                zq::AppendUTF8(out, chunk.substr(0, mark), pending, true);
                // An undecodable byte stays invalid UTF-8; U+FFFF is itself again.
                out += chunk[mark] == static_cast<wchar_t>(zq::kUFFFFMark) ? "\xEF\xBF\xBF" : "\xFF";
                chunk.remove_prefix(mark + 1);
            }
            zq::AppendUTF8(out, chunk, pending, false);
        }
    } catch (const std::exception&) {
        failed = true;  // the stream's conversion failed (an incomplete character at the end)
    }
    zq::AppendUTF8(out, std::wstring_view(), pending, true);
    if (failed) out += '\xFF';
    return out;
}

void Reader::Init(std::initializer_list<Namespace> known) {
    for (const Namespace& ns : known) InternUri(ns.uri);
    for (std::size_t i = 0; i < uris_.size(); ++i) known_[i] = true;
    if (uris_.empty()) InternUri(kSchema10.uri);
    if (IsUTF16(doc_)) Fail(0, "UTF-16 documents are not supported");
    if (doc_.compare(0, 3, "\xEF\xBB\xBF") == 0) start_ = 3;
    // The declaration comes first, so that a document in another encoding is refused by its name
    // rather than for its bytes.
    pos_ = start_;
    ParseDeclaration();
    body_ = pos_;
    // One pass checks that the bytes are UTF-8 of XML characters. Control characters other than
    // TAB, LF and CR, and U+FFFE and U+FFFF, are not XML characters; invalid UTF-8 anywhere is
    // reported before them.
    const char* d = doc_.data();
    const std::size_t n = doc_.size();
    std::size_t i = 0;
    bool cr = false;
    while (i < n) {
        // Sixteen bytes of ASCII without control characters other than TAB, LF and CR pass at once.
        for (; i + 16 <= n; i += 16) {
            const std::uint64_t w1 = LoadWord(d + i), w2 = LoadWord(d + i + 8);
            if (((w1 | w2) & kHighBits) != 0) break;
            if (((ControlBytes(w1) | ControlBytes(w2)) != 0) && (BadControls(w1, cr) | BadControls(w2, cr)) != 0) break;
        }
        // Byte by byte through the next sixteen.
        for (const std::size_t stop = std::min(n, i + 16); i < stop;) {
            const unsigned char c = static_cast<unsigned char>(d[i]);
            if (c >= 0x80) {
                char32_t cp = 0;
                const int len = zq::DecodeOneUTF8(reinterpret_cast<const unsigned char*>(d + i), n - i, cp);
                if (len <= 0) Fail(i, "invalid UTF-8 in the document");
                if (cp == 0xFFFE || cp == 0xFFFF) FailNotXmlChar(i);
                i += std::size_t(len);
                continue;
            }
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') FailNotXmlChar(i);
            cr |= c == '\r';
            ++i;
        }
    }
    hasCR_ = cr;
    charsChecked_ = true;
    pos_ = body_;
}

std::size_t Reader::InternUri(std::wstring_view uri) {
    // A document may declare a new namespace on every element: look URIs up by hash, not by a walk.
    if (auto it = uriIndex_.find(uri); it != uriIndex_.end()) return it->second;
    uris_.emplace_back(uri);
    known_.push_back(false);
    uriIndex_.emplace(uris_.back(), uris_.size() - 1);
    return uris_.size() - 1;
}


void Reader::Rewind() {
    pos_ = body_;
    bindings_.clear();
    open_.clear();
    rootRead_ = false;
    finished_ = false;
}

int Reader::LineAt(std::size_t pos) const {
    pos = std::min(pos, doc_.size());
    if (pos < countedTo_) countedTo_ = 0, linesBefore_ = 0;  // a step back: count again from the start
    // A line ends at an LF or a lone CR; a CR LF ends its line at the LF, so a position on that LF
    // has not passed the line end yet.
    const char* s = doc_.data();
    const std::size_t n = doc_.size();
    int lines = linesBefore_;
    if (!hasCR_) {
        // Only LF ends lines: count them a word at a time.
        lines += int(CountByte(s + countedTo_, pos - countedTo_, n - countedTo_, '\n'));
    } else {
        for (std::size_t i = countedTo_; i < pos; ++i)
            lines += s[i] == '\n' || (s[i] == '\r' && (i + 1 >= n || s[i + 1] != '\n'));
    }
    countedTo_ = pos;
    linesBefore_ = lines;
    return 1 + lines;
}

void Reader::Fail(std::size_t pos, std::string_view message) const {
    throw Exceptions::Malformed(LineAt(pos), message);
}

// A character that is no XML character at pos; invalid UTF-8 further on is reported instead.
void Reader::FailNotXmlChar(std::size_t pos) const {
    const std::size_t bad = zq::FindInvalidUTF8(std::string_view(doc_).substr(pos));
    if (bad != npos) Fail(pos + bad, "invalid UTF-8 in the document");
    Fail(pos, "character not allowed in XML");
}

// ---- Reader: lexical helpers ------------------------------------------------------------------

bool Reader::SkipSpaceRun() {
    const char* d = doc_.data();
    const std::size_t n = doc_.size();
    std::size_t i = pos_ + 1;
    // Once the characters are checked, every byte up to 0x20 is white space: eight at a time.
    if (charsChecked_) {
        for (; i + 8 <= n; i += 8) {
            if (const std::uint64_t found = NonSpaceBytes(LoadWord(d + i)); found != 0) {
                pos_ = i + FirstFound(found);
                return true;
            }
        }
    }
    while (i < n && IsSpace(d[i])) ++i;
    pos_ = i;
    return true;
}

std::string_view Reader::ParseName(const char* what, std::size_t* colon) {
    const char* d = doc_.data();
    const std::size_t from = pos_, n = doc_.size();
    std::size_t i = pos_, first = npos;
    bool many = false, ended = false;  // the name has ended (at an ASCII character)
    unsigned char need = kNameStart;
    // A name of ASCII characters eight bytes at a time: each word's classes at once, so that the
    // end of the name costs no mispredicted branch per byte.
    if (const unsigned char c0 = static_cast<unsigned char>(d[i]); c0 < 0x80 && (kAsciiName[c0] & kNameStart) != 0) {
        for (; i + 8 <= n; i += 8) {
            const unsigned classes = NameClasses(d + i);
            const unsigned ends = classes & 0x5555u, colons = (classes >> 1) & 0x5555u;
            const unsigned inName = colons & (ends == 0 ? 0xFFFFu : (ends & (0u - ends)) - 1);
            if (inName != 0) {
                many |= first != npos || (inName & (inName - 1)) != 0;
                if (first == npos) first = i + std::size_t(std::countr_zero(inName) / 2);
            }
            if (ends != 0) {
                i += std::size_t(std::countr_zero(ends) / 2);
                ended = static_cast<unsigned char>(d[i]) < 0x80;
                break;
            }
        }
        need = kNameChar;
    }
    while (!ended) {
        // A run of ASCII name characters (the string's terminating NUL ends it at the latest).
        unsigned char c;
        while ((c = static_cast<unsigned char>(d[i])) < 0x80 && (kAsciiName[c] & need) != 0) {
            if (c == ':') {
                many |= first != npos;
                first = std::min(first, i);
            }
            ++i;
            need = kNameChar;
        }
        if (c < 0x80 || i >= n) break;
        std::size_t len;
        const char32_t cp = CodeAt(doc_, i, len);
        if (!(need == kNameStart ? IsNameStartCode(cp) : IsNameCode(cp))) break;
        i += len;
        need = kNameChar;
    }
    pos_ = i;
    if (pos_ == from) Fail(pos_, std::string("expected ") + what);
    if (colon != nullptr) *colon = first == npos ? npos : many ? kManyColons : first - from;
    return std::string_view(d + from, pos_ - from);
}

bool Reader::IsNameStartAt(std::size_t pos) const { return pos < doc_.size() && NameStartAt(doc_, pos); }

// Checks a qualified name whose first colon ParseName found: one colon, with a name on either side.
void Reader::CheckQName(std::size_t at, std::string_view qname, std::size_t colon, const char* what) const {
    if (colon == 0 || colon == kManyColons || colon + 1 == qname.size() || !NameStartAt(qname, colon + 1))
        Fail(at, Text("malformed ", what, " ", Quote(qname)));
}

// Splits a qualified name at the colon ParseName found (no colon gives an empty prefix). The
// parts come back by value: parts written through references and read back at once stall.
inline Reader::QName Reader::SplitQName(std::size_t at, std::string_view qname, std::size_t colon, const char* what) const {
    if (colon == npos) return {{}, qname};
    CheckQName(at, qname, colon, what);
    return {qname.substr(0, colon), qname.substr(colon + 1)};
}

void Reader::SetWide(std::wstring& out, std::string_view utf8) const {
    // A tag read into the same Tag as the last one mostly has the same names: kept as they are
    // (compared as ASCII only; other names are decoded again).
    if (std::equal(utf8.begin(), utf8.end(), out.begin(), out.end(), [](char c, wchar_t w) {
            return static_cast<unsigned char>(c) < 0x80 && static_cast<wchar_t>(c) == w;
        }))
        return;
    out.clear();
    out.reserve(16);  // a name of a new Tag: room for most names at once
    const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) AppendAscii(out, utf8.data(), utf8.size(), std::size_t(doc_.data() + doc_.size() - utf8.data()));
    else zq::DecodeUTF8(utf8, out);  // validated up front
}

void Reader::DecodeValue(std::size_t begin, std::size_t end, std::wstring* out, bool attribute) {
    std::string error;
    const std::size_t bad = DecodeText(doc_.data(), begin, end, doc_.data() + doc_.size(), attribute, out, error);
    if (bad != npos) Fail(bad, error);
}

std::size_t Reader::FindBinding(std::string_view prefix) const {
    for (std::size_t i = bindings_.size(); i-- > 0;)
        if (bindings_[i].prefix == prefix) return bindings_[i].uri;
    return npos;
}

// ---- Reader: tags -----------------------------------------------------------------------------

void Reader::ParseStartTag(Tag& tag) {
    const std::size_t at = pos_;
    ++pos_;  // '<'
    std::size_t colon = npos;
    const std::string_view qname = ParseName("an element name", &colon);
    const std::size_t depth = open_.size() + 1;
    if (depth > std::size_t(kMaxDepth)) Fail(at, Text("elements nested deeper than ", std::to_string(kMaxDepth), " levels"));
    const std::size_t bindingsBefore = bindings_.size();
    raw_.clear();
    bool empty = false;
    for (;;) {
        const bool spaced = SkipSpace();
        if (pos_ >= doc_.size()) Fail(at, Text("tag ", Quote(qname), " not closed"));
        const char c = doc_[pos_];
        if (c == '>') { ++pos_; break; }
        if (c == '/') {
            if (pos_ + 1 >= doc_.size() || doc_[pos_ + 1] != '>') Fail(pos_, "expected \"/>\"");
            pos_ += 2;
            empty = true;
            break;
        }
        if (!spaced) Fail(pos_, "expected white space before an attribute");
        std::size_t nameColon = npos;
        const std::string_view name = ParseName("an attribute name", &nameColon);
        SkipSpace();
        if (pos_ >= doc_.size() || doc_[pos_] != '=') Fail(pos_, Text("expected \"=\" after attribute ", Quote(name)));
        ++pos_;
        SkipSpace();
        if (pos_ >= doc_.size() || (doc_[pos_] != '"' && doc_[pos_] != '\''))
            Fail(pos_, Text("expected a quoted value of attribute ", Quote(name)));
        const char quote = doc_[pos_];
        const std::size_t valueBegin = pos_ + 1;
        bool references = false;
        std::size_t valueEnd = FindEither(doc_.data(), valueBegin, doc_.size(), quote, '<', references);
        const bool lessThan = valueEnd < doc_.size() && doc_[valueEnd] == '<';
        if (lessThan) valueEnd = FindEither(doc_.data(), valueEnd, doc_.size(), quote, quote);
        if (valueEnd == doc_.size()) Fail(pos_, Text("value of attribute ", Quote(name), " not closed"));
        if (lessThan) Fail(valueBegin, Text("\"<\" in the value of attribute ", Quote(name)));
        pos_ = valueEnd + 1;
        if (raw_.size() < kQuadraticLimit) {
            for (const RawAttribute& r : raw_)
                if (r.qname == name) Fail(at, Text("duplicate attribute ", Quote(name)));
        }
        if (name.starts_with("xmlns") && (name.size() == 5 || name[5] == ':')) {
            DeclareNamespace(at, name, valueBegin, valueEnd, bindingsBefore, depth);
            continue;
        }
        raw_.push_back(RawAttribute{name, nameColon, valueBegin, valueEnd, references});
    }

    if (raw_.size() >= kQuadraticLimit) {
        // Many attributes: find duplicates by sorting instead of comparing every pair.
        std::vector<std::string_view> names;
        names.reserve(raw_.size());
        for (const RawAttribute& r : raw_) names.push_back(r.qname);
        std::sort(names.begin(), names.end());
        const auto dup = std::adjacent_find(names.begin(), names.end());
        if (dup != names.end()) Fail(at, Text("duplicate attribute ", Quote(*dup)));
    }

    // The element's namespace.
    const auto [prefix, local] = SplitQName(at, qname, colon, "element name");
    std::size_t uri = FindBinding(prefix);
    if (uri == npos && !prefix.empty()) skippedUnknown_ = true;  // undeclared prefix
    tag.kind_ = empty ? TagKind::Empty : TagKind::Start;
    SetWide(tag.name_, local);
    tag.uri_ = uri == npos ? std::wstring_view() : std::wstring_view(uris_[uri]);
    tag.uriIndex_ = uri;
    tag.depth_ = int(depth);
    const int line = LineAt(at);

    // The attributes, with their namespaces (unprefixed ones belong to the first schema namespace).
    Attributes& attrs = tag.attributes_;
    attrs.line_ = line;
    attrs.count_ = 0;
    attrs.docEnd_ = doc_.data() + doc_.size();
    if (attrs.items_.size() < raw_.size()) attrs.items_.resize(raw_.size());
    bool prefixed = false;  // an attribute so far had a prefix
    for (const RawAttribute& r : raw_) {
        const auto [aprefix, alocal] = SplitQName(at, r.qname, r.colon, "attribute name");
        prefixed |= !aprefix.empty();
        Attribute& a = attrs.items_[attrs.count_];
        a.read = false;
        if (aprefix.empty()) {
            a.uri = uris_[0];
            a.known = true;
        } else if (aprefix == "xml") {
            a.uri = kXmlNamespace;
            a.known = false;
        } else {
            const std::size_t u = FindBinding(aprefix);
            if (u == npos) {
                skippedUnknown_ = true;
                a.uri = {};
                a.known = false;
            } else {
                a.uri = uris_[u];
                a.known = known_[u];
                if (!a.known) skippedUnknown_ = true;
            }
        }
        a.local_ = alocal;
        a.named_ = false;
        // Unprefixed attributes of one name are duplicates of their qualified names already.
        if (raw_.size() < kQuadraticLimit && prefixed && !a.uri.empty()) {
            for (std::size_t k = 0; k < attrs.count_; ++k)
                if (attrs.items_[k].local_ == alocal && attrs.items_[k].uri == a.uri)
                    Fail(at, Text("duplicate attribute ", Quote(alocal)));
        }
        // A value is decoded when read; its references are checked now.
        a.raw_ = std::string_view(doc_.data() + r.valueBegin, r.valueEnd - r.valueBegin);
        a.decoded_ = false;
        a.references_ = r.references;
        if (r.references) DecodeValue(r.valueBegin, r.valueEnd, nullptr, true);
        ++attrs.count_;
    }
    if (raw_.size() >= kQuadraticLimit) {
        // Two prefixes of one namespace naming the same attribute.
        std::vector<std::pair<std::wstring_view, std::string_view>> names;
        for (std::size_t k = 0; k < attrs.count_; ++k)
            if (!attrs.items_[k].uri.empty()) names.emplace_back(attrs.items_[k].uri, attrs.items_[k].local_);
        std::sort(names.begin(), names.end());
        const auto dup = std::adjacent_find(names.begin(), names.end());
        if (dup != names.end()) Fail(at, Text("duplicate attribute ", Quote(dup->second)));
    }

    if (empty) {
        bindings_.resize(bindingsBefore);
    } else {
        open_.push_back(OpenElement{std::size_t(qname.data() - doc_.data()), qname.size(), bindingsBefore, uri, line});
    }
}

// One namespace declaration of a start tag: "xmlns" or "xmlns:prefix". A prefix is declared once
// per tag; "xml" and "xmlns" keep their fixed namespaces, which no other prefix may take.
void Reader::DeclareNamespace(std::size_t at, std::string_view name, std::size_t valueBegin, std::size_t valueEnd,
                              std::size_t bindingsBefore, std::size_t depth) {
    const bool isDefault = name.size() == 5;
    const std::string_view prefix = isDefault ? std::string_view() : name.substr(6);
    if (!isDefault && (prefix.empty() || prefix.find(':') != npos || !NameStartAt(prefix, 0)))
        Fail(at, Text("malformed namespace declaration ", Quote(name)));
    for (std::size_t b = bindingsBefore; b < bindings_.size(); ++b)
        if (bindings_[b].prefix == prefix) Fail(at, Text("duplicate attribute ", Quote(name)));
    DecodeValue(valueBegin, valueEnd, &scratch_, true);
    if (prefix == "xmlns") Fail(at, "the prefix \"xmlns\" cannot be declared");
    if ((prefix == "xml") != (scratch_ == kXmlNamespace))
        Fail(at, Text("only the prefix \"xml\" is bound to ", Quote(zq::ToUTF8(kXmlNamespace))));
    if (scratch_ == kXmlnsNamespace) Fail(at, Text("the namespace ", Quote(zq::ToUTF8(kXmlnsNamespace)), " cannot be declared"));
    if (!prefix.empty() && scratch_.empty()) Fail(at, Text("empty namespace name for prefix ", Quote(prefix)));
    if (bindings_.size() >= kMaxBindings) Fail(at, "too many namespace declarations");
    bindings_.push_back(Binding{prefix, InternUri(scratch_), depth});
}

void Reader::ParseEndTag(Tag& tag, bool named) {
    const std::size_t at = pos_;
    pos_ += 2;  // "</"
    std::size_t colon = npos;
    const std::string_view qname = ParseName("an element name", &colon);
    SkipSpace();
    if (pos_ >= doc_.size() || doc_[pos_] != '>') Fail(pos_, Text("end tag ", Quote(qname), " not closed"));
    ++pos_;
    if (open_.empty()) Fail(at, Text("end tag ", Quote(qname), " without a start tag"));
    const OpenElement& top = open_.back();
    const std::string_view expected(doc_.data() + top.nameBegin, top.nameLength);
    if (qname != expected)
        Fail(at, Text("end tag ", Quote(qname), " does not match start tag ", Quote(expected), " of line ",
                      std::to_string(top.line)));
    // The name is the start tag's, checked there.
    const std::string_view local = SplitQName(at, qname, colon, "element name").local;
    tag.kind_ = TagKind::End;
    if (named) SetWide(tag.name_, local);
    else tag.name_.clear();
    tag.uri_ = top.uri == npos ? std::wstring_view() : std::wstring_view(uris_[top.uri]);
    tag.uriIndex_ = top.uri;
    tag.depth_ = int(open_.size());
    tag.attributes_.count_ = 0;
    tag.attributes_.line_ = LineAt(at);
    bindings_.resize(top.bindings);
    open_.pop_back();
    if (open_.empty()) AfterRoot();
}

// ---- Reader: content --------------------------------------------------------------------------

void Reader::ParseText(std::wstring* text) {
    // Character data runs to the next "<"; the first "]]>" on the way is noted.
    const char* d = doc_.data();
    const std::size_t n = doc_.size();
    std::size_t end = pos_, brackets = std::string::npos;
    bool references = false;
    while ((end = FindEither(d, end, n, '<', ']', references)) < n && d[end] == ']') {
        if (brackets == std::string::npos && end + 2 < n && d[end + 1] == ']' && d[end + 2] == '>') brackets = end;
        ++end;
    }
    if (end == doc_.size()) {
        const OpenElement& top = open_.back();
        Fail(end, Text("element ", Quote(std::string_view(doc_.data() + top.nameBegin, top.nameLength)), " of line ",
                       std::to_string(top.line), " not closed"));
    }
    // "]]>" may not stand in character data.
    if (brackets != std::string::npos) Fail(brackets, "\"]]>\" in character data");
    // Text nobody reads is decoded only when it holds references, which must be checked.
    if (text != nullptr || references) DecodeValue(pos_, end, text, false);
    pos_ = end;
}

void Reader::ParseCData(std::wstring* out) {
    const std::size_t at = pos_;
    const std::size_t close = doc_.find("]]>", pos_ + 9);
    if (close == npos) Fail(at, "CDATA section not closed");
    if (out == nullptr) {
        pos_ = close + 3;
        return;
    }
    std::wstring& text = *out;
    text.clear();
    // Only line ends are normalised inside CDATA.
    for (std::size_t i = pos_ + 9; i < close;) {
        const unsigned char c = static_cast<unsigned char>(doc_[i]);
        if (c == '\r') {
            text += L'\n';
            ++i;
            if (i < close && doc_[i] == '\n') ++i;
        } else if (c < 0x80) {
            text += static_cast<wchar_t>(c);
            ++i;
        } else {
            const std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            zq::DecodeUTF8(std::string_view(doc_.data() + i, len), text);
            i += len;
        }
    }
    pos_ = close + 3;
}

Reader::Node Reader::ReadNode(Tag& tag, std::wstring& text) { return ReadNodeInto(tag, &text); }

Reader::Node Reader::ReadNodeInto(Tag& tag, std::wstring* text) {
    for (;;) {
        if (finished_ || !rootRead_ || open_.empty()) return Node::EndOfDocument;
        if (pos_ >= doc_.size()) {
            const OpenElement& top = open_.back();
            Fail(pos_, Text("element ", Quote(std::string_view(doc_.data() + top.nameBegin, top.nameLength)),
                            " of line ", std::to_string(top.line), " not closed"));
        }
        if (doc_[pos_] != '<') {
            // White space between tags that nobody reads is passed over at once.
            if (text == nullptr && SkipSpace() && doc_[pos_] == '<') continue;
            ParseText(text);
            return Node::Text;
        }
        // The character after "<" tells the kind of node.
        const char next = pos_ + 1 < doc_.size() ? doc_[pos_ + 1] : '\0';
        if (next == '/') {
            ParseEndTag(tag, text != nullptr);
            return Node::EndTag;
        }
        if (next == '!') {
            if (StartsWith("<!--")) { SkipComment(); continue; }
            if (StartsWith("<![CDATA[")) { ParseCData(text); return Node::Text; }
            if (StartsWith("<!DOCTYPE")) Fail(pos_, "a DOCTYPE is not allowed");
            Fail(pos_, "markup not allowed in content");
        }
        if (next == '?') { SkipProcessingInstruction(); continue; }
        ParseStartTag(tag);
        return Node::StartTag;
    }
}

void Reader::SkipElement(const Tag& tag) {
    if (tag.IsEmptyElement() || tag.IsEndTag()) return;
    const std::size_t depth = std::size_t(tag.Depth());
    Tag scratchTag;
    while (open_.size() >= depth && !finished_) ReadNodeInto(scratchTag, nullptr);
}

Reader::Node Reader::ReadKnownNode(Tag& tag, std::wstring& text) {
    for (;;) {
        const Node node = ReadNode(tag, text);
        if (node != Node::StartTag || (tag.uriIndex_ != npos && known_[tag.uriIndex_])) return node;
        skippedUnknown_ = true;
        SkipElement(tag);
    }
}

bool Reader::ReadNextKnownElement(Tag& tag, const Tag& parent) {
    if (parent.IsEmptyElement() || parent.IsEndTag()) return false;
    const std::size_t depth = std::size_t(parent.Depth());
    if (open_.size() < depth) return false;  // the parent has been closed already
    for (;;) {
        // Content of an earlier child that the caller did not read is skipped.
        const Node node = ReadNodeInto(tag, nullptr);
        switch (node) {
        case Node::EndOfDocument:
            return false;
        case Node::Text:
            continue;
        case Node::EndTag:
            if (open_.size() < depth) return false;
            continue;
        case Node::StartTag:
            if (std::size_t(tag.Depth()) != depth + 1) continue;  // deeper: content the caller did not read
            if (tag.uriIndex_ != npos && known_[tag.uriIndex_]) return true;
            skippedUnknown_ = true;
            SkipElement(tag);
            continue;
        }
    }
}

} // namespace xml
