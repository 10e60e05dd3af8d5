// The stored form of a style: one "Style" element with the directory tree and the element styles
// nested inside it.
#include "style/Model.h"

#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/StoredForms.h"
#include "core/xml/Exceptions.h"
#include "core/xml/Reader.h"
#include "core/xml/Writer.h"
#include "style/Exceptions.h"

namespace Style {

namespace {

const xml::Namespace& Ns10() { return Core::SchemaNamespace10(); }
const xml::Namespace& Ns13() { return Core::SchemaNamespace13(); }

void WriteDirectory(xml::IWriter& parent, const Directory& dir)
{
    xml::Writer w(parent, Ns10(), L"dir");
    w.WriteAttribute(Ns10(), L"n", xml::kSameLine) << dir.GetDirectoryName().GetName();
    if (const Font* font = dir.GetFont()) {
        const std::pair<const wchar_t*, const std::wstring*> values[] = {
            {L"Typeface", &font->GetTypefaceText()}, {L"Size", &font->GetSizeText()}, {L"Bold", &font->GetBoldText()}};
        for (const auto& [name, text] : values)
            if (*text != kInherit) w.WriteAttribute(Ns10(), name, xml::kSameLine) << *text;
    }
    for (const Directory* child : dir.GetNodes()) WriteDirectory(w, *child);
    w.EndElement();
}

// Makes an element of a registered kind; the style's own factories stand in for a registry that lacks them.
template <class T>
std::shared_ptr<T> Make(Core::Env& env, int line)
{
    const auto& f = T::Factory();
    const Core::IFactory* factory = env.GetDiagram().GetFactoryRegistry().Find(f.GetNamespace().uri, f.GetElementName());
    auto made = std::dynamic_pointer_cast<T>(factory ? factory->CreateElement() : f.CreateElement());
    if (!made) throw Core::Exceptions::TypeMismatchOfRestoredObject(line);
    env.Insert(made);
    return made;
}

std::wstring AttributeOrInherit(const xml::Attributes& a, const wchar_t* name)
{
    auto [found, text] = a.find(Ns10(), name);
    return found ? std::wstring(text) : kInherit;
}

// Reads one "dir" element (its tag already read) with its font and children below owner.
std::shared_ptr<Directory> ReadDirectory(Core::Env& env, xml::Reader& reader, const xml::Tag& tag, IDirectoryOwner& owner)
{
    const xml::Attributes& a = tag.GetAttributes();
    const std::wstring& text = a.get(Ns10(), L"n");
    const Directory* parentDir = owner.AsDirectory();
    const DirectoryName* parentName = parentDir ? &parentDir->GetDirectoryName() : nullptr;
    const DirectoryName& name = DirectoryNameRegistry::Instance().Find(tag.GetLine(), text, parentName);

    auto dir = Make<Directory>(env, tag.GetLine());
    dir->SetField(env, &DirectoryRep::owner, &owner);
    dir->SetField(env, &DirectoryRep::directoryName, &name);
    auto font = Make<Font>(env, tag.GetLine());
    font->SetField(env, &FontRep::owner, dir.get());
    font->SetTexts(env, AttributeOrInherit(a, L"Typeface"), AttributeOrInherit(a, L"Size"), AttributeOrInherit(a, L"Bold"));
    dir->SetFont(env, font.get());

    xml::Tag child;
    while (reader.ReadNextKnownElement(child, tag)) {
        if (child.LocalName() != L"dir" || !child.IsIn(Ns10()))
            throw xml::Exceptions::UnknownElement(child.GetLine(), child.LocalName());
        auto sub = ReadDirectory(env, reader, child, *dir);
        dir->AddNode(env, *sub);
    }
    return dir;
}

} // namespace

void Style::Store(xml::IWriter& parent, const Core::IClub*) const
{
    xml::Writer w(parent, Ns10(), L"Style");
    StoreID(w);
    if (GetRoot() != nullptr) WriteDirectory(w, *GetRoot());
    for (const ElementStyle* s : GetElementStyles()) {
        xml::Writer e(w, Ns13(), L"ElementStyle");
        e.WriteAttribute(Ns13(), L"Name", xml::kSameLine) << s->GetName();
        if (zq::Color c; s->GetFillColor(c)) Core::StoredForm::WriteColor(e.WriteAttribute(Ns13(), L"FillColor", xml::kSameLine), c);
        e.EndElement();
    }
    w.EndElement();
}

bool Style::RestoreChildElement(Core::Env& env, xml::Reader& reader, const xml::Tag& child)
{
    const int line = child.GetLine();
    if (child.LocalName() == L"ElementStyle" && child.IsIn(Ns13())) {
        auto es = Make<ElementStyle>(env, line);
        AddElementStyle(env, *es);
        const xml::Attributes& a = child.GetAttributes();
        es->SetField(env, &ElementStyleRep::owner, this);
        es->SetField(env, &ElementStyleRep::name, a.get(Ns13(), L"Name"));
        auto [found, text] = a.find(Ns13(), L"FillColor");
        if (found) {
            const zq::Color color = Core::ToBinary::ToColor(text, L"FillColor", line);
            es->SetFillColor(env, &color);
        } else {
            es->SetFillColor(env, nullptr);
        }
        reader.SkipElement(child);
        return true;
    }
    if (child.LocalName() == L"dir" && child.IsIn(Ns10())) {
        if (GetRoot() != nullptr) throw Exceptions::MoreThanOneRootDirectory();
        SetRoot(env, ReadDirectory(env, reader, child, *this).get());
        return true;
    }
    throw xml::Exceptions::UnknownElement(line, child.LocalName());
}

void Style::EndRestore(Core::Env& env, const Core::RestoreContext&)
{
    if (GetRoot() == nullptr) MakeDefaultRoot(env);
}

} // namespace Style
