// The model side of the "Diagram Style" and "Import" commands: the editor's tree built from a
// document's style, the edit session whose OK and Apply commit through a transaction and end as one
// undo step, the removal of unused directories, and the import of another document's styles.
#pragma once

#include "core/Transaction.h"
#include "core/Undoer.h"
#include "style/Clients.h"
#include "style/PropertyModels.h"

#include <memory>
#include <string>
#include <vector>

namespace Core {
class Diagram;
class FactoryRegistry;
class IView;
class ISelectionRestorer;
}

namespace Style {

// What the "Diagram Style" dialog calls on its buttons.
class IPropertyEditorClient {
public:
    virtual ~IPropertyEditorClient() = default;
    // OK: commit all values and carry out the delete-unused choice.
    virtual void OnOk() = 0;
    // Apply: commit all values, the dialog stays open.
    virtual void OnApply() = 0;
    // Cancel: everything is reverted when the session ends.
    virtual void OnCancel() = 0;
    // Flips the delete-unused choice; answers the new value.
    virtual bool OnToggleDeleteUnused() = 0;
    // Whether OK and Apply can write (false for a read-only document).
    virtual bool CanCommit() const = 0;
};

// Builds the editor's node of the directory and its subtree, appending a font editor per font;
// directories the usage does not name get " (unused)".
std::unique_ptr<PropertyEditorHierarchy> BuildHierarchy(Directory& directory, std::vector<std::unique_ptr<IEditor>>& editors,
                                                        const IUsage* usage, const ITypefaceList& faces,
                                                        const PropertyTexts& texts = PropertyTexts::Default());

// Deletes, with their subtrees, the directories below the root that the usage does not name.
void DeleteUnused(Core::Env& env, Directory& directory, const IUsage& usage);

// One "Diagram Style" edit of a document, from opening the dialog to its end.
class StyleEditSession : public IPropertyEditorClient {
public:
    // Takes (creating when missing, unless read-only) the document's style and builds the tree; the
    // view's selection is what Undo and Redo of the edit put back.
    StyleEditSession(Core::Diagram& diagram, const ITypefaceList& faces, bool readOnly = false,
                     Core::IView* view = nullptr, const PropertyTexts& texts = PropertyTexts::Default());
    // Reverts everything when Finish was not reached (an error left the command).
    ~StyleEditSession() override;
    StyleEditSession(const StyleEditSession&) = delete;
    StyleEditSession& operator=(const StyleEditSession&) = delete;

    // The editor's tree, or none when the document has no style to show.
    PropertyEditorHierarchy* GetHierarchy() const { return hierarchy_.get(); }
    // Ends the session after the dialog closed: reverts, or adds the edit as one undo step.
    void Finish();

    void OnOk() override { Commit(true); }
    void OnApply() override { Commit(false); }
    void OnCancel() override { cancelled_ = true; }
    bool OnToggleDeleteUnused() override { return deleteUnused_ = !deleteUnused_; }
    bool CanCommit() const override { return !readOnly_; }

private:
    void Commit(bool mayDelete);
    void Revert(const Core::UndoerRef& record);

    Core::Diagram& diagram_;
    Core::IView* view_;
    std::shared_ptr<Core::ISelectionRestorer> selectionBefore_;
    Core::Transaction transaction_;
    Core::Env env_;
    bool readOnly_;
    Core::UndoerRef creation_;
    Core::UndoerRef lastCommit_;
    Style* style_ = nullptr;
    std::unique_ptr<UsageRecord> usage_;
    std::vector<std::unique_ptr<IEditor>> editors_;
    std::unique_ptr<PropertyEditorHierarchy> hierarchy_;
    bool applied_ = false;
    bool cancelled_ = false;
    bool deleteUnused_ = false;
    bool finished_ = false;
};

// Merges the first style of source into the environment's document (overwriting what both have)
// and restyles every text; NoStyleAvailable when source has none.
void ImportStyles(Core::Env& env, const Core::Diagram& source);

// Imports the styles of the stored document (UTF-8 text) into diagram as one undo step whose undo
// and redo put back the view's selection. A document that does not read, or has no style, throws
// and leaves diagram and its undo history unchanged.
void ImportStylesFromDocument(Core::Diagram& diagram, std::string utf8, Core::IView* view = nullptr);

// ImportStylesFromDocument with the contents of the file; a file that cannot be read throws
// Style::Exceptions::ImportFileUnreadable.
void ImportStylesFromFile(Core::Diagram& diagram, const std::wstring& path, Core::IView* view = nullptr);

} // namespace Style
