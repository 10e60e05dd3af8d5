#include "style/StyleEdit.h"

#include "core/Diagram.h"
#include "core/Selection.h"
#include "core/UndoHandler.h"
#include "core/View.h"
#include "style/Exceptions.h"
#include "core/foundation/Cast.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace Style {

std::unique_ptr<PropertyEditorHierarchy> BuildHierarchy(Directory& directory, std::vector<std::unique_ptr<IEditor>>& editors,
                                                        const IUsage* usage, const ITypefaceList& faces,
                                                        const PropertyTexts& texts)
{
    auto node = std::make_unique<PropertyEditorHierarchy>();
    node->caption = directory.GetDirectoryName().GetName();
    if (usage && !usage->IsUsed(directory.GetDirectoryName())) node->caption += L" (unused)";
    if (Font* font = directory.GetFont()) editors.push_back(std::make_unique<FontEditor>(*font, *node, faces, texts));
    for (Directory* child : directory.GetNodes())
        node->children.push_back(BuildHierarchy(*child, editors, usage, faces, texts));
    return node;
}

void DeleteUnused(Core::Env& env, Directory& directory, const IUsage& usage)
{
    if (directory.IsDeleted()) return;
    IDirectoryOwner* owner = directory.GetDirectoryOwner();
    const bool root = owner && owner->AsStyle();
    if (!root && !usage.IsUsed(directory.GetDirectoryName())) {
        if (owner) owner->RemoveNode(env, &directory);
        directory.DeleteTree(env);
        return;
    }
    const std::vector<Directory*> children(directory.GetNodes().begin(), directory.GetNodes().end());
    for (Directory* child : children) DeleteUnused(env, *child, usage);
}

namespace {

// Reselects on undo or redo what the view has selected now (nothing without a view).
std::shared_ptr<Core::ISelectionRestorer> RestorerOf(const Core::IView* view)
{
    return Core::MakeSelectionRestorer(view ? view->GetSelection() : Core::ModelElementSet());
}

} // namespace

StyleEditSession::StyleEditSession(Core::Diagram& diagram, const ITypefaceList& faces, bool readOnly, Core::IView* view,
                                   const PropertyTexts& texts)
    : diagram_(diagram), view_(view), selectionBefore_(RestorerOf(view)), transaction_(diagram), env_(transaction_),
      readOnly_(readOnly)
{
    style_ = readOnly ? Style::Find(diagram) : &Style::FindOrCreate(env_);
    creation_ = env_.Close();
    usage_ = std::make_unique<UsageRecord>(diagram.Elements());
    if (style_ && style_->GetRoot())
        hierarchy_ = BuildHierarchy(*style_->GetRoot(), editors_, usage_.get(), faces, texts);
}

StyleEditSession::~StyleEditSession()
{
    if (finished_) return;
    try {
        if (transaction_.IsOpen()) transaction_.Abort();
        Revert(lastCommit_);
        Revert(creation_);
    } catch (...) {
        // A destructor must not throw; the document keeps what the failed revert left.
    }
}

void StyleEditSession::Revert(const Core::UndoerRef& record)
{
    if (record.IsEmpty()) return;
    Core::UndoContext context(diagram_);
    context.Apply(record, true);
}

void StyleEditSession::Commit(bool mayDelete)
{
    if (readOnly_ || finished_) return;
    Revert(lastCommit_);
    lastCommit_ = Core::UndoerRef();
    try {
        for (auto& editor : editors_) editor->Apply(env_);
        if (mayDelete && deleteUnused_ && style_ && style_->GetRoot()) DeleteUnused(env_, *style_->GetRoot(), *usage_);
        lastCommit_ = env_.Close();
    } catch (...) {
        if (transaction_.IsOpen()) transaction_.Abort();
        throw;
    }
    diagram_.UpdateAllViews();
    applied_ = true;
}

void StyleEditSession::Finish()
{
    if (finished_) return;
    finished_ = true;
    if (!applied_) {
        Revert(creation_);
    } else if (cancelled_) {
        Revert(lastCommit_);
        Revert(creation_);
    } else {
        diagram_.GetUndoHandler().Add(Core::UndoerRef::Join(creation_, lastCommit_), selectionBefore_, RestorerOf(view_),
                                      false);
    }
    diagram_.UpdateAllViews();
}

void ImportStyles(Core::Env& env, const Core::Diagram& source)
{
    const Style* from = Style::Find(source);
    if (!from) throw Exceptions::NoStyleAvailable();
    Style& target = Style::FindOrCreate(env);
    from->MergeInto(env, nullptr, true, target);
    for (const Core::ElementPtr& e : std::vector<Core::ElementPtr>(env.GetDiagram().Elements())) {
        if (auto* client = zq::Cast<IStyleClient>(e.get()); client && !e->IsDeleted())
            client->StyleChanged(env, DirectoryName::Base());
    }
}

void ImportStylesFromDocument(Core::Diagram& diagram, std::string utf8, Core::IView* view)
{
    // The other document is read whole, apart, so that a broken one changes nothing here.
    Core::Diagram source(diagram.GetFactoryRegistry(), nullptr);
    source.LoadXML(std::move(utf8));
    std::shared_ptr<Core::ISelectionRestorer> before = RestorerOf(view);
    Core::Transaction transaction(diagram, view);
    Core::SelectionTracker tracker(view);
    Core::Env env(transaction, &tracker);
    ImportStyles(env, source);
    diagram.GetUndoHandler().Add(env.Close(), std::move(before), RestorerOf(view), false);
    diagram.UpdateAllViewsIfIdle();
}

void ImportStylesFromFile(Core::Diagram& diagram, const std::wstring& path, Core::IView* view)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) throw Exceptions::ImportFileUnreadable();
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Exceptions::ImportFileUnreadable();
    ImportStylesFromDocument(diagram, std::move(bytes), view);
}

} // namespace Style
