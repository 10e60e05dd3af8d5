#include "style/Model.h"

#include "core/Diagram.h"
#include "core/Finalizer.h"
#include "core/ModelElementSet.h"
#include "style/Clients.h"
#include "style/Names.h"
#include "text/Content.h"
#include "text/TextStyle.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <typeindex>
#include <typeinfo>

namespace Style {

Core::FactoryImp<Style>& Style::Factory()
{
    static Core::FactoryImp<Style> factory(Core::SchemaNamespace10(), L"Style");
    return factory;
}

void Style::RegisterProperties(Core::PropertyTable<StyleRep>& table)
{
    Core::RegisterRefNonStoreProperty::Register(table, &StyleRep::directory, L"Directory");
    Core::RegisterRefContNonStoreProperty::Register(table, &StyleRep::elementStyles, L"ElementStyles");
}

void Style::ReportExtras(Core::FactoryRegistry& registry)
{
    // Every directory name of every kind, so that a stored tree reads even when some element kinds
    // are not registered.
    RegisterAllDirectoryNames();
    Directory::Factory().ReportTo(registry);
    Font::Factory().ReportTo(registry);
    ElementStyle::Factory().ReportTo(registry);
}

std::shared_ptr<Style> Style::Create(Core::Env& env)
{
    auto style = Factory().CreateTyped(env);
    style->MakeDefaultRoot(env);
    return style;
}

void Style::MakeDefaultRoot(Core::Env& env)
{
    auto root = Directory::Create(env, *this, DirectoryName::Base());
    SetRoot(env, root.get());
    Font::Create(env, *root).SetSize(env, {false, 11});
}

Style* Style::Find(const Core::Diagram& diagram)
{
    for (const Core::ElementPtr& e : diagram.Elements())
        if (auto* style = zq::Cast<Style>(e.get()); style != nullptr && !style->IsDeleted()) return style;
    return nullptr;
}

Style& Style::FindOrCreate(Core::Env& env)
{
    if (Style* style = Find(env.GetDiagram())) return *style;
    return *Create(env);
}

void Style::SetRoot(Core::Env& env, Directory* root)
{
    NoteTreeChanged();
    SetField(env, &StyleRep::directory, root);
}

ElementStyle* Style::FindElementStyle(const std::wstring& name) const
{
    if (name.empty()) return nullptr;
    for (ElementStyle* s : GetRep().elementStyles)
        if (s->GetName() == name) return s;
    return nullptr;
}

void Style::AddElementStyle(Core::Env& env, ElementStyle& style)
{
    if (IsDeleted()) return;
    ModifyField(env, &StyleRep::elementStyles).push_back(&style);
}

void Style::RemoveElementStyle(Core::Env& env, ElementStyle& style)
{
    if (IsDeleted()) return;
    const auto& list = GetRep().elementStyles;
    if (std::find(list.begin(), list.end(), &style) == list.end()) return;
    std::erase(ModifyField(env, &StyleRep::elementStyles), &style);
}

void Style::RemoveNode(Core::Env& env, Directory* child)
{
    if (IsDeleted() || GetRoot() != child) return;
    SetRoot(env, nullptr);
}

namespace {

unsigned treeChanges = 0;

} // namespace

void NoteTreeChanged() { ++treeChanges; }

ResolveScope::ResolveScope(Style& style) : style_(style), outer_(style.cache_)
{
    cache_.changes = treeChanges;
    style_.cache_ = &cache_;
}

ResolveScope::~ResolveScope() { style_.cache_ = outer_; }

ResolveCache* Style::GetResolveCache() const
{
    if (cache_ != nullptr && cache_->changes != treeChanges) {
        cache_->fonts.clear();
        cache_->kindsPresent = 0;
        cache_->changes = treeChanges;
    }
    return cache_;
}

void Style::GetFont(const DirectoryName& name, TextBlock::TextStyle& style) const
{
    ResolveCache::Resolved found{&name, false, false, false, {}, 0, false};
    const ResolveCache::Resolved* font = &found;
    if (ResolveCache* cache = GetResolveCache()) {
        auto known = std::find_if(cache->fonts.begin(), cache->fonts.end(),
                                  [&](const ResolveCache::Resolved& r) { return r.name == &name; });
        if (known == cache->fonts.end()) {
            ResolveFont(name, found);
            known = cache->fonts.insert(known, std::move(found));
        }
        font = &*known;
    } else {
        ResolveFont(name, found);
    }
    if (font->haveFace) style.face = font->face;
    if (font->haveSize) style.size = font->size;
    if (font->haveBold) style.bold = font->bold;
}

void Style::ResolveFont(const DirectoryName& name, ResolveCache::Resolved& resolved) const
{
    const Directory* dir = GetRoot() ? GetRoot()->Find(name) : nullptr;
    if (dir == nullptr) return;
    for (const Font* font = dir->GetFont(); font != nullptr; font = font->GetParentFont()) {
        if (const InheritableString face = font->GetTypeface(); !resolved.haveFace && !face.inherited) {
            resolved.face = TextBlock::ToUtf16(face.value);
            resolved.haveFace = true;
        }
        if (const InheritableDouble size = font->GetSize(); !resolved.haveSize && !size.inherited) {
            resolved.size = size.value;
            resolved.haveSize = true;
        }
        if (const InheritableBool bold = font->GetBold(); !resolved.haveBold && !bold.inherited) {
            resolved.bold = bold.value;
            resolved.haveBold = true;
        }
        if (!font->HasInherited()) break;
    }
}

bool Style::Equals(const Style& other) const
{
    if (GetRoot() == nullptr) return other.GetRoot() == nullptr;
    if (other.GetRoot() == nullptr || !GetRoot()->Equals(*other.GetRoot())) return false;
    const auto& mine = GetElementStyles();
    const auto& theirs = other.GetElementStyles();
    if (mine.size() != theirs.size()) return false;
    for (const ElementStyle* s : mine) {
        const ElementStyle* o = other.FindElementStyle(s->GetName());
        if (o == nullptr || !s->Equals(*o)) return false;
    }
    for (const ElementStyle* o : theirs)
        if (FindElementStyle(o->GetName()) == nullptr) return false;
    return true;
}

void Style::MergeInto(Core::Env& env, const IUsage* usage, bool overwrite, Style& target) const
{
    if (GetRoot() != nullptr && target.GetRoot() != nullptr)
        GetRoot()->MergeInto(env, usage, overwrite, *target.GetRoot());
    for (const ElementStyle* source : GetElementStyles()) {
        if (ElementStyle* existing = target.FindElementStyle(source->GetName())) {
            if (overwrite) existing->Assign(env, *source);
            continue;
        }
        if (usage != nullptr && !usage->IsElementStyleUsed(source->GetName())) continue;
        ElementStyle& added = ElementStyle::Create(env, target, source->GetName());
        target.AddElementStyle(env, added);
        added.Assign(env, *source);
    }
}

void Style::Delete(Core::Env& env)
{
    if (IsDeleted()) return;
    Directory* root = GetRoot();
    const auto styles = GetElementStyles();
    NoteTreeChanged();
    Core::IModelElement::Delete(env);
    if (root != nullptr) root->DeleteTree(env);
    for (ElementStyle* s : styles) s->Delete(env);
}

void Style::CollectForSelection(Core::ModelElementSet& set)
{
    set.Insert(shared_from_this());
    if (GetRoot() != nullptr) GetRoot()->CollectForSelection(set);
    for (ElementStyle* s : GetElementStyles()) set.Insert(s->shared_from_this());
}

namespace {

// Gives every element read the document's style and its kind's directories; a second style
// among the elements read is an error.
const Core::Finalizer styleFinalizer([](Core::Env& env, const std::vector<Core::ElementPtr>& read) {
    // One walk over the elements read finds the style and the clients (a large document's
    // elements are not in the cache: walking them twice costs).
    Style* style = nullptr;
    std::vector<IStyleClient*> clients;
    for (const Core::ElementPtr& e : read) {
        if (e->IsDeleted()) continue;
        if (auto* client = zq::Cast<IStyleClient>(e.get())) clients.push_back(client);
        if (auto* s = zq::Cast<Style>(e.get())) {
            if (style != nullptr) throw Core::Exceptions::DuplicateSingletonObject(s->GetObjectId());
            style = s;
        }
    }
    if (style == nullptr) style = Style::Find(env.GetDiagram());
    if (style == nullptr) return;
    // Only the kinds' directory creation changes the tree in here, and it goes through setters.
    const ResolveScope resolving(*style);
    for (IStyleClient* client : clients) {
        // Setting one client's style may delete another (never seen, but cheap to respect).
        if (client->IsDeleted()) continue;
        // The kind's directories first: the client takes its fonts from them when it gets the style.
        client->CreateDirectories(env, style);
        client->SetStyle(env, style);
    }
});

} // namespace

} // namespace Style
