#include "core/xml/Writer.h"

#include "core/Exceptions.h"
#include "core/foundation/UTF8.h"
#include "core/xml/Reader.h"
#include "core/xml/ReaderChars.h"

#include <locale>
#include <ostream>

namespace xml {
namespace detail {
namespace {

void AppendCodePoint(std::string& out, char32_t c, EscapingBuf::Mode mode) {
    const bool attr = mode == EscapingBuf::Mode::Attribute;
    switch (c) {
    case U'&': out += "&amp;"; return;
    case U'<': out += "&lt;"; return;
    case U'>': out += "&gt;"; return;
    case U'"': if (attr) { out += "&quot;"; return; } break;
    case U'\'': if (attr) { out += "&apos;"; return; } break;
    case U'\t': if (attr) { out += "&#9;"; return; } break;
    case U'\n': if (attr) { out += "&#10;"; return; } break;
    case U'\r': out += "&#13;"; return;  // a literal CR would be read back as a line end
    default: break;
    }
    zq::AppendUTF8(out, IsXmlChar(c) ? c : 0xFFFD);
}

// Escapes n wide characters into out; a high surrogate at the end waits in pending for its partner.
void Feed(std::string& out, const wchar_t* s, std::size_t n, EscapingBuf::Mode mode, char32_t& pending) {
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(s[i]));
        if (pending != 0) {
            const char32_t high = pending;
            pending = 0;
            if (c >= 0xDC00 && c <= 0xDFFF) {
                zq::AppendUTF8(out, 0x10000 + ((high - 0xD800) << 10) + (c - 0xDC00));
                continue;
            }
            zq::AppendUTF8(out, 0xFFFD);
        }
        if (c < 0x80 && c >= 0x20 && c != U'&' && c != U'<' && c != U'>' && c != U'"' && c != U'\'') {
            out += static_cast<char>(c);
        } else if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF) {
            pending = c;
        } else {
            AppendCodePoint(out, c, mode);
        }
    }
}

} // namespace

void EscapingBuf::Flush() {
    if (pendingHigh_ != 0) {
        zq::AppendUTF8(*target_, 0xFFFD);
        pendingHigh_ = 0;
    }
}

EscapingBuf::int_type EscapingBuf::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const wchar_t ch = traits_type::to_char_type(c);
    Feed(*target_, &ch, 1, mode_, pendingHigh_);
    return c;
}

std::streamsize EscapingBuf::xsputn(const wchar_t* s, std::streamsize n) {
    Feed(*target_, s, static_cast<std::size_t>(n), mode_, pendingHigh_);
    return n;
}

void AppendEscaped(std::string& out, std::wstring_view text, EscapingBuf::Mode mode) {
    char32_t pending = 0;
    Feed(out, text.data(), text.size(), mode, pending);
    if (pending != 0) zq::AppendUTF8(out, 0xFFFD);
}

} // namespace detail

namespace {
const std::locale& Classic() {
    static const std::locale classic = std::locale::classic();
    return classic;
}

// Numbers in documents never follow the user's locale. A stream already on the classic locale
// is left alone: imbuing costs more than the rest of a small element's start.
void UseClassicNumbers(std::wostream& stream) {
    if (stream.getloc() != Classic()) stream.imbue(Classic());
}
} // namespace

Writer::Writer(IWriter& parent, const Namespace& ns, std::wstring_view name)
    : document_(&parent.Document()),
      parent_(&parent),
      depth_(parent.Depth() + 1),
      name_(QualifiedName(ns, name)),
      buf_(&start_, detail::EscapingBuf::Mode::Attribute),
      stream_(&buf_) {
    // The reader refuses deeper documents: never write one that could not be opened again.
    if (depth_ >= kMaxDepth)
        throw Core::Exceptions::Base("cannot save: elements nested deeper than " + std::to_string(kMaxDepth - 1) +
                                     " levels");
    UseClassicNumbers(stream_);
    start_.reserve(64);
    start_ += '<';
    start_ += name_;
    DeclareIfNeeded(ns);
}

Writer::Writer(RootTag, DocumentWriter& document, std::wstring_view name)
    : document_(&document),
      parent_(nullptr),
      depth_(0),
      name_(zq::ToUTF8(name)),
      buf_(&start_, detail::EscapingBuf::Mode::Attribute),
      stream_(&buf_) {
    UseClassicNumbers(stream_);
    start_ += '<';
    start_ += name_;
}

Writer::~Writer() {
    if (ended_ || parent_ == nullptr) return;
    try {
        EndElement(kNewLine);
    } catch (...) {
        // Ending an element only moves buffered text; nothing worth reporting from a destructor.
    }
}

namespace {
// Whether ns is the namespace written without prefix; the usual case is the very object.
bool IsDefault(const Namespace& ns) {
    return &ns == &DocumentWriter::DefaultNamespace() || ns.uri == DocumentWriter::DefaultNamespace().uri;
}

// Whether the root declares ns (the default namespace or the second schema).
bool IsRootNamespace(const Namespace& ns) {
    return &ns == &kSchema10 || &ns == &kSchema13 || DocumentWriter::IsDeclaredAtRoot(ns.uri);
}

// Appends a name: plain ASCII as it is, anything else escaped.
void AppendName(std::string& out, std::wstring_view name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        const bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
                           c == L'_' || c == L'-' || c == L'.' || c == L':';
        if (!plain) {
            detail::AppendEscaped(out, name.substr(i), detail::EscapingBuf::Mode::Attribute);
            return;
        }
        out += static_cast<char>(c);
    }
}
} // namespace

std::string Writer::QualifiedName(const Namespace& ns, std::wstring_view name) {
    std::string q;
    AppendQualifiedName(q, ns, name);
    return q;
}

void Writer::AppendQualifiedName(std::string& out, const Namespace& ns, std::wstring_view name) {
    if (!IsDefault(ns)) {
        out += ns.prefix.empty() ? std::string("ns") : zq::ToUTF8(ns.prefix);
        out += ':';
    }
    AppendName(out, name);
}

void Writer::DeclareIfNeeded(const Namespace& ns) {
    if (IsRootNamespace(ns)) return;
    for (const auto& uri : declared_) if (uri == ns.uri) return;
    declared_.emplace_back(ns.uri);
    start_ += " xmlns:";
    start_ += ns.prefix.empty() ? std::string("ns") : zq::ToUTF8(ns.prefix);
    start_ += "=\"";
    detail::AppendEscaped(start_, ns.uri, detail::EscapingBuf::Mode::Attribute);
    start_ += '"';
}

void Writer::Indent(std::string& out, int depth) const {
    out += '\n';
    out.append(std::size_t(depth) * 2, ' ');
}

void Writer::CloseValue() {
    if (!valueOpen_) return;
    buf_.Flush();
    start_ += '"';
    valueOpen_ = false;
}

void Writer::AppendToStartTag(std::string_view text) {
    CloseValue();
    start_ += text;
}

std::wostream& Writer::WriteAttribute(const Namespace& ns, std::wstring_view name, unsigned flags) {
    CloseValue();
    DeclareIfNeeded(ns);
    if (flags & kNewLine) {
        Indent(start_, depth_);
        start_.append(4, ' ');
    } else {
        start_ += ' ';
    }
    AppendQualifiedName(start_, ns, name);
    start_ += "=\"";
    valueOpen_ = true;
    return stream_;
}

void Writer::WriteText(std::wstring_view text) {
    if (text.empty()) return;
    hasText_ = true;
    detail::AppendEscaped(children_, text, detail::EscapingBuf::Mode::Text);
}

void Writer::AddChild(std::string&& text) {
    childStarts_.push_back(children_.size());
    if (children_.empty()) children_ = std::move(text);
    else children_ += text;
}

std::string Writer::Finish(unsigned flags) {
    CloseValue();
    std::string out = std::move(start_);
    if (children_.empty()) {
        out += "/>";
    } else {
        out += '>';
        if (hasText_) {
            out += children_;  // mixed content: whitespace would change the text
        } else {
            out.reserve(out.size() + children_.size() + childStarts_.size() * (2 * std::size_t(depth_) + 3) + name_.size() + 8);
            for (std::size_t i = 0; i < childStarts_.size(); ++i) {
                const std::size_t from = childStarts_[i];
                const std::size_t to = i + 1 < childStarts_.size() ? childStarts_[i + 1] : children_.size();
                Indent(out, depth_ + 1);
                out.append(children_, from, to - from);
            }
            if (flags & kNewLine) Indent(out, depth_);
        }
        out += "</";
        out += name_;
        out += '>';
    }
    children_.clear();
    childStarts_.clear();
    return out;
}

void Writer::EndElement(unsigned flags) {
    if (ended_) return;
    ended_ = true;
    if (parent_ != nullptr) parent_->AddChild(Finish(flags));
}

DocumentWriter::DocumentWriter(std::ostream& out) : DocumentWriter(&out, nullptr) {}

DocumentWriter::DocumentWriter(std::wostream& out) : DocumentWriter(nullptr, &out) {}

DocumentWriter::DocumentWriter(std::ostream* out, std::wostream* wout)
    : Writer(RootTag{}, *this, kRootElement), out_(out), wout_(wout) {
    WriteAttribute(kSchema10, kProductVersionAttribute, kSameLine) << kProductVersion;
    std::string decl = " xmlns=\"" + zq::ToUTF8(kSchema10.uri) + "\" xmlns:" + zq::ToUTF8(kSchema13.prefix) + "=\"" +
                       zq::ToUTF8(kSchema13.uri) + "\"";
    AppendToStartTag(decl);
}

DocumentWriter::~DocumentWriter() = default;

void DocumentWriter::EndElement(unsigned flags) {
    if (written_) return;
    written_ = true;
    static constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    std::string body = Finish(flags);
    body += '\n';
    // A stream that failed (a full disk, a wide stream that cannot encode) must not pass for a save.
    if (out_ != nullptr) {
        out_->write(kDeclaration.data(), static_cast<std::streamsize>(kDeclaration.size()));
        out_->write(body.data(), static_cast<std::streamsize>(body.size()));
        if (!out_->flush()) throw Core::Exceptions::Base("writing the document failed");
    } else if (wout_ != nullptr) {
        const std::wstring wide = zq::FromUTF8(std::string(kDeclaration) + body);
        wout_->write(wide.data(), static_cast<std::streamsize>(wide.size()));
        if (!wout_->flush()) throw Core::Exceptions::Base("writing the document failed");
    }
}

} // namespace xml
