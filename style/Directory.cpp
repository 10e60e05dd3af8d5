#include "style/Model.h"

#include "core/ModelElementSet.h"

#include <algorithm>

namespace Style {

Core::FactoryImp<Directory>& Directory::Factory()
{
    static Core::FactoryImp<Directory> factory(Core::SchemaNamespace10(), L"Directory");
    return factory;
}

void Directory::RegisterProperties(Core::PropertyTable<DirectoryRep>& table)
{
    Core::RegisterNonStoreProperty::Register(table, &DirectoryRep::directoryName, L"DirectoryName", nullptr);
    Core::RegisterRefNonStoreProperty::Register(table, &DirectoryRep::owner, L"Owner");
    Core::RegisterRefContNonStoreProperty::Register(table, &DirectoryRep::nodes, L"Nodes");
    Core::RegisterRefNonStoreProperty::Register(table, &DirectoryRep::font, L"Font");
}

std::shared_ptr<Directory> Directory::Create(Core::Env& env, IDirectoryOwner& owner, const DirectoryName& name)
{
    auto dir = Factory().CreateTyped(env);
    dir->SetField(env, &DirectoryRep::owner, &owner);
    dir->SetField(env, &DirectoryRep::directoryName, &name);
    return dir;
}

void Directory::SetFont(Core::Env& env, Font* font)
{
    NoteTreeChanged();
    SetField(env, &DirectoryRep::font, font);
}

void Directory::AddNode(Core::Env& env, Directory& child)
{
    if (IsDeleted()) return;
    const auto& nodes = GetNodes();
    if (std::find(nodes.begin(), nodes.end(), &child) != nodes.end()) return;
    NoteTreeChanged();
    auto& list = ModifyField(env, &DirectoryRep::nodes);
    const std::wstring& name = child.GetDirectoryName().GetName();
    auto at = std::lower_bound(list.begin(), list.end(), name,
                               [](const Directory* d, const std::wstring& n) { return d->GetDirectoryName().GetName() < n; });
    list.insert(at, &child);
}

void Directory::RemoveNode(Core::Env& env, Directory* child)
{
    if (IsDeleted()) return;
    const auto& nodes = GetNodes();
    if (std::find(nodes.begin(), nodes.end(), child) == nodes.end()) return;
    NoteTreeChanged();
    std::erase(ModifyField(env, &DirectoryRep::nodes), child);
}

Directory* Directory::Find(const DirectoryName& name) const
{
    if (GetRep().directoryName == &name) return const_cast<Directory*>(this);
    for (Directory* child : GetNodes())
        if (child->GetRep().directoryName == &name) return child;
    for (Directory* child : GetNodes())
        if (Directory* found = child->Find(name)) return found;
    return nullptr;
}

Directory& Directory::FindOrCreate(Core::Env& env, const DirectoryName& name, bool& created)
{
    created = false;
    if (Directory* found = Find(name)) return *found;
    auto dir = Create(env, *this, name);
    AddNode(env, *dir);
    created = true;
    return *dir;
}

void Directory::DeleteTree(Core::Env& env)
{
    if (IsDeleted()) return;
    const auto children = GetNodes();
    Font* font = GetFont();
    NoteTreeChanged();
    Core::IModelElement::Delete(env);
    if (font != nullptr) font->Delete(env);
    for (Directory* child : children) child->DeleteTree(env);
}

bool Directory::Equals(const Directory& other) const
{
    if (GetRep().directoryName != other.GetRep().directoryName) return false;
    const auto& mine = GetNodes();
    const auto& theirs = other.GetNodes();
    if (mine.size() != theirs.size()) return false;
    if ((GetFont() == nullptr) != (other.GetFont() == nullptr)) return false;
    if (GetFont() != nullptr && !GetFont()->Equals(*other.GetFont())) return false;
    for (std::size_t i = 0; i < mine.size(); ++i)
        if (!mine[i]->Equals(*theirs[i])) return false;
    return true;
}

void Directory::MergeInto(Core::Env& env, const IUsage* usage, bool overwrite, Directory& target) const
{
    if (usage != nullptr && !usage->IsUsed(GetDirectoryName())) return;
    if (GetFont() != nullptr) GetFont()->MergeInto(env, usage, overwrite, target);
    for (const Directory* child : GetNodes()) {
        if (usage != nullptr && !usage->IsUsed(child->GetDirectoryName())) continue;
        bool created = false;
        Directory& into = target.FindOrCreate(env, child->GetDirectoryName(), created);
        child->MergeInto(env, usage, overwrite, into);
        // A directory the merge made keeps a font, as one read from a file has.
        if (created && into.GetFont() == nullptr)
            Font::Create(env, into).SetTexts(env, kInherit, kInherit, kInherit);
    }
}

void Directory::CollectForSelection(Core::ModelElementSet& set)
{
    set.Insert(shared_from_this());
    if (GetFont() != nullptr) set.Insert(GetFont()->shared_from_this());
    for (Directory* child : GetNodes()) child->CollectForSelection(set);
}

} // namespace Style
