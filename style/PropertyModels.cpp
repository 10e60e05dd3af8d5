#include "style/PropertyModels.h"

#include "core/Transaction.h"
#include "core/Diagram.h"
#include "style/Clients.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

namespace Style {

namespace {

// The base size a root font falls back to when its own size resolves to nothing.
constexpr int kBaseSize = 11;

int Clamp(int index, std::size_t count)
{
    if (count == 0) return 0;
    return std::clamp(index, 0, int(count) - 1);
}

} // namespace

const PropertyTexts& PropertyTexts::Default()
{
    static const PropertyTexts texts;
    return texts;
}

EnumProperty::EnumProperty(std::vector<std::wstring> choices, Val initial, bool root, const PropertyTexts& texts)
    : choices_(std::move(choices)), value_(initial), root_(root), inherits_(texts.inherits)
{
    if (choices_.empty()) choices_.push_back(texts.invalid);
    value_.index = Clamp(value_.index, choices_.size());
}

std::wstring EnumProperty::GetChoiceText() const
{
    return choices_[std::size_t(Clamp(value_.inherited ? 0 : value_.index, choices_.size()))];
}

std::vector<std::wstring> EnumProperty::Items() const
{
    std::vector<std::wstring> items;
    if (!root_) items.push_back(inherits_);
    items.insert(items.end(), choices_.begin(), choices_.end());
    return items;
}

int EnumProperty::Selection() const
{
    if (root_) return value_.inherited ? 0 : value_.index;
    return value_.inherited ? 0 : value_.index + 1;
}

void EnumProperty::Choose(int item)
{
    if (item < 0) return;
    Val v;
    if (root_) v = {false, item};
    else if (item == 0) v = {true, 0};
    else v = {false, item - 1};
    v.index = Clamp(v.index, choices_.size());
    Set(v);
}

void EnumProperty::Set(Val v)
{
    if (v.inherited == value_.inherited && v.index == value_.index) return;
    value_ = v;
    changed_ = true;
}

std::wstring EnumProperty::GetText() const
{
    if (value_.inherited && !root_) return inherits_;
    return GetChoiceText();
}

const std::vector<int>& FontSizeProperty::ListSizes()
{
    static const std::vector<int> sizes{8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
    return sizes;
}

FontSizeProperty::FontSizeProperty(Val initial, bool root, const PropertyTexts& texts)
    : value_(initial), root_(root), inherits_(texts.inherits)
{
}

std::vector<std::wstring> FontSizeProperty::Items() const
{
    std::vector<std::wstring> items;
    if (!root_) items.push_back(inherits_);
    for (int s : ListSizes()) items.push_back(std::to_wstring(s));
    return items;
}

int FontSizeProperty::Selection() const
{
    if (value_.inherited && !root_) return 0;
    const auto& sizes = ListSizes();
    auto it = std::find(sizes.begin(), sizes.end(), value_.size);
    if (it == sizes.end()) return -1;
    return int(it - sizes.begin()) + (root_ ? 0 : 1);
}

std::wstring FontSizeProperty::EditText() const
{
    return std::to_wstring(value_.size);
}

void FontSizeProperty::Type(const std::wstring& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    std::size_t end = text.size();
    while (end > i && std::iswspace(text[end - 1])) --end;
    if (i == end) return;  // empty text keeps the size
    long long value = 0;   // saturates far above the limit, so long digit strings clamp
    for (std::size_t k = i; k < end; ++k) {
        if (!std::iswdigit(text[k])) return;
        value = std::min<long long>(value * 10 + (text[k] - L'0'), 1000000);
    }
    Set({false, int(std::clamp<long long>(value, kMinSize, kMaxSize))});
}

void FontSizeProperty::Choose(int item)
{
    if (item < 0) return;
    if (!root_ && item == 0) {
        Set({true, value_.size});
        return;
    }
    const auto& sizes = ListSizes();
    int pos = Clamp(root_ ? item : item - 1, sizes.size());
    Set({false, sizes[std::size_t(pos)]});
}

void FontSizeProperty::Set(Val v)
{
    if (v.inherited == value_.inherited && (v.inherited || v.size == value_.size)) return;
    value_ = v;
    changed_ = true;
}

std::wstring FontSizeProperty::GetText() const
{
    if (value_.inherited && !root_) return inherits_;
    return std::to_wstring(value_.size);
}

namespace {

// The pattern with "%1" and "%2" replaced by the stored face and its stand-in, each where it stands.
std::wstring SubstitutionText(const std::wstring& pattern, const std::wstring& face, const std::wstring& standIn)
{
    std::wstring out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == L'%' && i + 1 < pattern.size() && (pattern[i + 1] == L'1' || pattern[i + 1] == L'2')) {
            out += pattern[++i] == L'1' ? face : standIn;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

// The typeface choices of a font: the installed faces, plus the stored face when it is missing.
std::vector<std::wstring> TypefaceChoices(const InheritableString& face, const ITypefaceList& list,
                                          const std::wstring& substituted, int& index)
{
    std::vector<std::wstring> faces = list.Faces();
    index = 0;
    if (face.inherited) return faces;
    auto it = std::find(faces.begin(), faces.end(), face.value);
    if (it != faces.end()) {
        index = int(it - faces.begin());
        return faces;
    }
    std::wstring extra = SubstitutionText(substituted, face.value, list.Substitute(face.value));
    auto at = std::find_if(faces.begin(), faces.end(),
                           [&](const std::wstring& f) { return list.Less(face.value, f); });
    index = int(at - faces.begin());
    faces.insert(at, std::move(extra));
    return faces;
}

} // namespace

FontEditor::FontEditor(Font& font, PropertyEditorHierarchy& node, const ITypefaceList& faces, const PropertyTexts& texts)
    : font_(font), initialFace_(font.GetTypeface())
{
    const Directory* dir = font.GetDirectory();
    const bool root = dir && dir->GetDirectoryOwner() && dir->GetDirectoryOwner()->AsStyle();
    int faceIndex = 0;
    std::vector<std::wstring> choices = TypefaceChoices(initialFace_, faces, texts.substituted, faceIndex);
    typeface_ = std::make_unique<EnumProperty>(std::move(choices), EnumProperty::Val{initialFace_.inherited, faceIndex},
                                               root, texts);
    const InheritableDouble size = font.GetSize();
    const int points = size.inherited ? (root ? kBaseSize : 0) : int(std::lround(size.value));
    size_ = std::make_unique<FontSizeProperty>(FontSizeProperty::Val{size.inherited, points}, root, texts);
    const InheritableBool bold = font.GetBold();
    bold_ = std::make_unique<EnumProperty>(std::vector<std::wstring>{texts.no, texts.yes},
                                           EnumProperty::Val{bold.inherited, bold.value ? 1 : 0}, root, texts);
    node.entries.push_back({L"Font", nullptr, false});
    node.entries.push_back({texts.typeface, typeface_.get(), true});
    node.entries.push_back({texts.size, size_.get(), true});
    node.entries.push_back({texts.bold, bold_.get(), true});
}

void FontEditor::Apply(Core::Env& env)
{
    if (font_.IsDeleted()) return;
    bool set = false;
    InheritableString face = initialFace_;
    if (typeface_->IsChanged()) face = {typeface_->GetValue().inherited, typeface_->GetChoiceText()};
    const InheritableString oldFace = font_.GetTypeface();
    if (face.inherited != oldFace.inherited || (!face.inherited && face.value != oldFace.value)) {
        font_.SetTypeface(env, face);
        set = true;
    }
    const FontSizeProperty::Val size = size_->GetValue();
    const InheritableDouble oldSize = font_.GetSize();
    if (size.inherited != oldSize.inherited || (!size.inherited && size.size != std::lround(oldSize.value))) {
        font_.SetSize(env, {size.inherited, double(size.size)});
        set = true;
    }
    const InheritableBool bold{bold_->GetValue().inherited, !bold_->GetValue().inherited && bold_->GetValue().index != 0};
    const InheritableBool oldBold = font_.GetBold();
    if (bold.inherited != oldBold.inherited || (!bold.inherited && bold.value != oldBold.value)) {
        font_.SetBold(env, bold);
        set = true;
    }
    if (!set || !font_.GetDirectory()) return;
    const DirectoryName& name = font_.GetDirectory()->GetDirectoryName();
    for (const Core::ElementPtr& e : std::vector<Core::ElementPtr>(env.GetDiagram().Elements())) {
        if (auto* client = zq::Cast<IStyleClient>(e.get()); client && !e->IsDeleted()) client->StyleChanged(env, name);
    }
}

} // namespace Style
