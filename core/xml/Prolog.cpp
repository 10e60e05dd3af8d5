// The reader's prolog: the XML declaration, and the comments, processing instructions and white
// space around the root element.
#include "core/foundation/UTF8.h"
#include "core/xml/Exceptions.h"
#include "core/xml/Reader.h"
#include "core/xml/ReaderChars.h"

#include <algorithm>
#include <cwctype>
#include <iterator>

namespace xml {

using namespace detail;

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The forms of the declaration's values: "1." and digits; a letter, then letters, digits, ".",
// "_" and "-"; "yes" or "no".
bool IsVersionNumber(std::string_view v) {
    return v.size() > 2 && v.substr(0, 2) == "1." && std::all_of(v.begin() + 2, v.end(), IsDigit);
}
bool IsEncodingName(std::string_view v) {
    return !v.empty() && IsAsciiLetter(v[0]) && std::all_of(v.begin(), v.end(), [](char c) {
        return IsAsciiLetter(c) || IsDigit(c) || c == '.' || c == '_' || c == '-';
    });
}
bool IsStandalone(std::string_view v) { return v == "yes" || v == "no"; }

} // namespace

// The declaration's items, in the order they must come, each at most once.
void Reader::ParseDeclaration() {
    declaration_ = Declaration();
    if (!(StartsWith("<?xml") && pos_ + 5 < doc_.size() && IsSpace(doc_[pos_ + 5]))) return;
    const std::size_t at = pos_;
    pos_ += 5;
    declaration_.present = true;
    struct Item {
        std::string_view name;
        bool (*valid)(std::string_view);
        std::wstring Declaration::*field;
    };
    static constexpr Item kItems[] = {{"version", IsVersionNumber, &Declaration::version},
                                      {"encoding", IsEncodingName, &Declaration::encoding},
                                      {"standalone", IsStandalone, &Declaration::standalone}};
    std::size_t next = 0;  // the first item that may still come
    for (;;) {
        const bool spaced = SkipSpace();
        if (StartsWith("?>")) { pos_ += 2; break; }
        if (!spaced) Fail(pos_, "malformed XML declaration");
        const std::size_t nameAt = pos_;
        while (pos_ < doc_.size() && IsAsciiLetter(doc_[pos_])) ++pos_;
        const std::string_view name(doc_.data() + nameAt, pos_ - nameAt);
        const auto item = std::find_if(std::begin(kItems), std::end(kItems), [&](const Item& i) { return i.name == name; });
        if (item == std::end(kItems)) Fail(nameAt, Text("unknown item ", Quote(name), " in the XML declaration"));
        const std::size_t index = std::size_t(item - std::begin(kItems));
        if (index < next) Fail(nameAt, Text("item ", Quote(name), " repeated or out of order in the XML declaration"));
        next = index + 1;
        const std::string_view value = ParseDeclarationValue(name);
        if (!item->valid(value)) {
            const bool printable = std::all_of(value.begin(), value.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
            Fail(nameAt, Text("malformed ", name, printable ? Text(" ", Quote(value)) : std::string(), " in the XML declaration"));
        }
        SetWide(declaration_.*(item->field), value);
    }
    if (declaration_.version.empty()) Fail(at, "the XML declaration has no version");
    std::wstring enc = declaration_.encoding;
    for (wchar_t& c : enc) c = static_cast<wchar_t>(std::towlower(c));
    if (!enc.empty() && enc != L"utf-8" && enc != L"utf8")
        Fail(at, Text("unsupported encoding ", zq::ToUTF8(declaration_.encoding)));
}

// The quoted value after "=" of a declaration item (its text is checked by the caller).
std::string_view Reader::ParseDeclarationValue(std::string_view name) {
    SkipSpace();
    if (pos_ >= doc_.size() || doc_[pos_] != '=') Fail(pos_, Text("expected \"=\" after ", Quote(name)));
    ++pos_;
    SkipSpace();
    if (pos_ >= doc_.size() || (doc_[pos_] != '"' && doc_[pos_] != '\'')) Fail(pos_, "malformed XML declaration");
    const std::size_t close = doc_.find(doc_[pos_], pos_ + 1);
    if (close == std::string::npos) Fail(pos_, "malformed XML declaration");
    const std::string_view value = std::string_view(doc_).substr(pos_ + 1, close - pos_ - 1);
    pos_ = close + 1;
    return value;
}

// A comment holds no "--" and does not end in "-".
void Reader::SkipComment() {
    const std::size_t at = pos_;
    const std::size_t dashes = doc_.find("--", pos_ + 4);
    if (dashes == std::string::npos) Fail(at, "comment not closed");
    if (dashes + 2 >= doc_.size() || doc_[dashes + 2] != '>') Fail(dashes, "\"--\" inside a comment");
    pos_ = dashes + 3;
}

// A target name, then white space before the instruction's text, or its end.
void Reader::SkipProcessingInstruction() {
    const std::size_t at = pos_;
    pos_ += 2;
    const std::string_view target = ParseName("a processing instruction target");
    if (target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l')
        Fail(at, "XML declaration not at the start of the document");
    // Namespaces leave no colon to the names of processing instruction targets.
    if (target.find(':') != std::string_view::npos)
        Fail(at, Text("colon in the processing instruction target ", Quote(target)));
    if (!StartsWith("?>") && !(pos_ < doc_.size() && IsSpace(doc_[pos_])))
        Fail(pos_, Text("expected white space after the processing instruction target ", Quote(target)));
    const std::size_t close = doc_.find("?>", pos_);
    if (close == std::string::npos) Fail(at, "processing instruction not closed");
    pos_ = close + 2;
}

// Skips white space, comments and processing instructions outside the root element.
void Reader::SkipMisc() {
    for (;;) {
        SkipSpace();
        if (pos_ >= doc_.size()) return;
        if (StartsWith("<!--")) SkipComment();
        else if (StartsWith("<?")) SkipProcessingInstruction();
        else if (StartsWith("<!DOCTYPE")) Fail(pos_, "a DOCTYPE is not allowed");
        else if (doc_[pos_] != '<') Fail(pos_, "text outside the root element");
        else return;
    }
}

void Reader::ReadRoot(Tag& root) {
    Rewind();
    SkipMisc();
    if (pos_ >= doc_.size()) Fail(pos_, "the document has no root element");
    if (!IsNameStartAt(pos_ + 1)) Fail(pos_, "expected the root element");
    ParseStartTag(root);
    rootRead_ = true;
    if (root.IsEmptyElement()) AfterRoot();
}

void Reader::AfterRoot() {
    SkipMisc();
    if (pos_ < doc_.size()) Fail(pos_, "content after the root element");
    finished_ = true;
}

} // namespace xml
