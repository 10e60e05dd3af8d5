#include "style/Model.h"

#include <charconv>
#include <cmath>
#include <locale>
#include <sstream>

namespace Style {

namespace {

// The smallest and largest font size in points that fonts are made with.
constexpr double kMinSize = 1;
constexpr double kMaxSize = 1000;

// The decimal number of the whole text, or false.
bool ParseDecimal(const std::wstring& text, double& value)
{
    std::string narrow;
    for (wchar_t c : text) {
        if (c > 0x7F) return false;
        narrow.push_back(static_cast<char>(c));
    }
    if (narrow.empty()) return false;
    const char* end = narrow.data() + narrow.size();
    auto [ptr, ec] = std::from_chars(narrow.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

} // namespace

Core::FactoryImp<Font>& Font::Factory()
{
    static Core::FactoryImp<Font> factory(Core::SchemaNamespace10(), L"Font");
    return factory;
}

void Font::RegisterProperties(Core::PropertyTable<FontRep>& table)
{
    Core::RegisterRefNonStoreProperty::Register(table, &FontRep::owner, L"Owner");
    Core::RegisterNonStoreProperty::Register(table, &FontRep::typeface, L"Typeface", std::wstring(L"arial"));
    Core::RegisterNonStoreProperty::Register(table, &FontRep::size, L"Size", std::wstring(L"6.0"));
    Core::RegisterNonStoreProperty::Register(table, &FontRep::bold, L"Bold", std::wstring(L"0"));
}

Font& Font::Create(Core::Env& env, Directory& directory)
{
    auto font = Factory().CreateTyped(env);
    font->SetField(env, &FontRep::owner, &directory);
    directory.SetFont(env, font.get());
    return *font;
}

InheritableString Font::GetTypeface() const
{
    if (GetRep().typeface == kInherit) return {true, {}};
    return {false, GetRep().typeface};
}

InheritableDouble Font::GetSize() const
{
    double value = 0;
    if (GetRep().size == kInherit || !ParseDecimal(GetRep().size, value) || value < kMinSize || value > kMaxSize)
        return {true, 0};
    return {false, value};
}

InheritableBool Font::GetBold() const
{
    const std::wstring& text = GetRep().bold;
    if (text == L"1") return {false, true};
    if (text == L"0") return {false, false};
    return {true, false};
}

void Font::SetTypeface(Core::Env& env, const InheritableString& value)
{
    NoteTreeChanged();
    SetField(env, &FontRep::typeface, value.inherited ? kInherit : value.value);
}

void Font::SetSize(Core::Env& env, const InheritableDouble& value)
{
    NoteTreeChanged();
    if (value.inherited) {
        SetField(env, &FontRep::size, kInherit);
        return;
    }
    std::wostringstream os;
    os.imbue(std::locale::classic());
    os << value.value;
    SetField(env, &FontRep::size, os.str());
}

void Font::SetBold(Core::Env& env, const InheritableBool& value)
{
    NoteTreeChanged();
    SetField(env, &FontRep::bold, value.inherited ? kInherit : std::wstring(value.value ? L"1" : L"0"));
}

void Font::SetTexts(Core::Env& env, std::wstring typeface, std::wstring size, std::wstring bold)
{
    NoteTreeChanged();
    SetField(env, &FontRep::typeface, std::move(typeface));
    SetField(env, &FontRep::size, std::move(size));
    SetField(env, &FontRep::bold, std::move(bold));
}

void Font::Assign(Core::Env& env, const Font& other)
{
    SetTexts(env, other.GetRep().typeface, other.GetRep().size, other.GetRep().bold);
}

bool Font::Equals(const Font& other) const
{
    return GetRep().typeface == other.GetRep().typeface && GetRep().size == other.GetRep().size &&
           GetRep().bold == other.GetRep().bold;
}

bool Font::HasInherited() const
{
    return GetTypeface().inherited || GetSize().inherited || GetBold().inherited;
}

Font* Font::GetParentFont() const
{
    const Directory* dir = GetDirectory();
    if (dir == nullptr || dir->GetDirectoryOwner() == nullptr) return nullptr;
    const Directory* parent = dir->GetDirectoryOwner()->AsDirectory();
    return parent != nullptr ? parent->GetFont() : nullptr;
}

void Font::MergeInto(Core::Env& env, const IUsage* usage, bool overwrite, Directory& target) const
{
    if (usage != nullptr && GetDirectory() != nullptr && !usage->IsUsed(GetDirectory()->GetDirectoryName())) return;
    if (Font* existing = target.GetFont()) {
        if (overwrite) existing->Assign(env, *this);
        return;
    }
    Create(env, target).Assign(env, *this);
}

} // namespace Style
