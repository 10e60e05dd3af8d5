// Writing XML documents: one writer per element. Attributes are formatted by the caller straight
// into a stream the writer hands out (everything written into it is escaped); children are
// buffered so that a child written between two attributes still comes after its parent's attributes.
#pragma once

#include "core/xml/Namespace.h"

#include <iosfwd>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace xml {

// Flags of WriteAttribute and EndElement.
enum WriteFlags : unsigned {
    kSameLine = 0,  // one blank before the attribute
    kNewLine = 1,   // a new line and indentation before the attribute (every property passes it)
};

class Writer;
class DocumentWriter;

namespace detail {
// Escaping stream buffer that appends the UTF-8 form of everything written into a target string.
class EscapingBuf : public std::wstreambuf {
public:
    enum class Mode { Attribute, Text };
    EscapingBuf(std::string* target, Mode mode) : target_(target), mode_(mode) {}
    void SetTarget(std::string* target) { target_ = target; }
    // Writes out a dangling high surrogate as U+FFFD.
    void Flush();

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const wchar_t* s, std::streamsize n) override;

private:
    std::string* target_;
    Mode mode_;
    char32_t pendingHigh_ = 0;
};

// Appends text escaped for an attribute value or character data, as UTF-8.
void AppendEscaped(std::string& out, std::wstring_view text, EscapingBuf::Mode mode);
} // namespace detail

// The writer of one XML element.
class IWriter {
public:
    virtual ~IWriter() = default;
    // Opens the attribute (ns, name) and returns the stream positioned for its value; the value
    // is closed when the next attribute opens or the element ends. Stream settings (precision)
    // stay in force for the later attributes of this element only.
    virtual std::wostream& WriteAttribute(const Namespace& ns, std::wstring_view name, unsigned flags = kNewLine) = 0;
    // Appends character data as content of the element (whitespace kept exactly).
    virtual void WriteText(std::wstring_view text) = 0;
    // Closes the element; later calls do nothing.
    virtual void EndElement(unsigned flags = kNewLine) = 0;

protected:
    friend class Writer;
    // Takes the complete text of an ended child element.
    virtual void AddChild(std::string&& text) = 0;
    // Nesting depth of this element (the root is 0).
    virtual int Depth() const = 0;
    // The document being written.
    virtual DocumentWriter& Document() = 0;
};

// An element under a parent writer; the destructor ends an element that was not ended.
class Writer : public IWriter {
public:
    // Opens the element (ns, name) as the next child of parent; a Core::Exceptions::Base when the
    // element would lie deeper than a reader accepts.
    Writer(IWriter& parent, const Namespace& ns, std::wstring_view name);
    ~Writer() override;
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    std::wostream& WriteAttribute(const Namespace& ns, std::wstring_view name, unsigned flags = kNewLine) override;
    void WriteText(std::wstring_view text) override;
    void EndElement(unsigned flags = kNewLine) override;

protected:
    struct RootTag {};
    // The root element's writer.
    Writer(RootTag, DocumentWriter& document, std::wstring_view name);

    void AddChild(std::string&& text) override;
    int Depth() const override { return depth_; }
    DocumentWriter& Document() override { return *document_; }
    // The complete element text; used by EndElement.
    std::string Finish(unsigned flags);
    // Appends text to the start tag as it is (namespace declarations of the root).
    void AppendToStartTag(std::string_view text);

private:
    void CloseValue();
    // The name with the namespace's prefix unless ns is the default namespace, as UTF-8.
    static std::string QualifiedName(const Namespace& ns, std::wstring_view name);
    // Appends the qualified name to out.
    static void AppendQualifiedName(std::string& out, const Namespace& ns, std::wstring_view name);
    // Declares ns on this element unless the root or this element already declares it.
    void DeclareIfNeeded(const Namespace& ns);
    void Indent(std::string& out, int depth) const;

    DocumentWriter* document_;
    IWriter* parent_;
    int depth_;
    std::string name_;      // qualified name, UTF-8
    std::string start_;     // "<name" and the attributes written so far
    std::string children_;  // complete children and character data
    std::vector<std::size_t> childStarts_;  // offsets in children_ where an indented child begins
    std::vector<std::wstring> declared_;  // namespace URIs declared on this element
    detail::EscapingBuf buf_;
    std::wostream stream_;
    bool valueOpen_ = false;
    bool hasText_ = false;
    bool ended_ = false;
};

// Writes a whole document: the XML declaration and the root element "Diagram" with its
// "ProductVersion" and the two schema namespaces; top-level elements are its children.
class DocumentWriter : public Writer {
public:
    // Writes UTF-8 bytes to out when the document ends.
    explicit DocumentWriter(std::ostream& out);
    // Writes wide text to out when the document ends (out's locale converts it, e.g. zq::MakeUTF8Locale).
    explicit DocumentWriter(std::wostream& out);
    ~DocumentWriter() override;

    // Ends the root element and writes the whole document to the output; a Core::Exceptions::Base
    // when the output fails. Only this writes: a document writer destroyed without it (say, by an
    // exception) leaves the output untouched.
    void EndElement(unsigned flags = kNewLine) override;
    // The namespace written without prefix.
    static const Namespace& DefaultNamespace() { return kSchema10; }
    // Whether the root declares the namespace (the default one or the second schema).
    static bool IsDeclaredAtRoot(std::wstring_view uri) { return uri == kSchema10.uri || uri == kSchema13.uri; }

private:
    DocumentWriter(std::ostream* out, std::wostream* wout);
    std::ostream* out_;
    std::wostream* wout_;
    bool written_ = false;
};

} // namespace xml
