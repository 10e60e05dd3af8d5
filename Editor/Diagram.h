// One open diagram: its model, the storage that holds its file, and its windows. It decides how
// the document is saved and asks before a modified document closes.
#pragma once

#include "Editor/StorageHolder.h"
#include "app/Document.h"
#include "core/Diagram.h"

#include <functional>
#include <memory>
#include <string>

namespace Editor {

class DiagramFactory;
namespace OLEdiagram {
class OUD;
}

class Diagram : public Application::IDocument, private Core::Diagram::Initializer, private Core::IPastePostProcessor {
public:
    // The answer to the save-changes question.
    enum class SaveAnswer { No = 0, Yes = 1, Cancel = 2 };

    // A document on its own lifetime node named name: opened from that file when fromFile is set
    // (throws what the storage throws), else filled as a new diagram. Not shown yet.
    Diagram(DiagramFactory& factory, Application::LifeTimeSupervisor& node, const std::wstring& name, bool fromFile,
            bool readOnly);
    // Selects the constructor of a document that a container will initialise through OLE.
    struct Embedded {};
    // An uninitialised document without a name, for a container's InitNew or Load.
    Diagram(DiagramFactory& factory, Application::LifeTimeSupervisor& node, Embedded);
    // Leaves the factory's list.
    ~Diagram() override;

    // The document's OLE face.
    OLEdiagram::OUD& GetOleObject() { return *ole_; }
    // The node ended: the OLE face tells its container and disconnects it.
    void LifeTimeEnded() override;

    // The factory that made the document.
    DiagramFactory& GetFactory() const { return factory_; }
    // The model.
    Core::Diagram& GetModel() { return *model_; }
    // The file and the marks of the document.
    StorageHolder& GetStorage() { return *storage_; }
    const StorageHolder& GetStorage() const { return *storage_; }
    // True for a new diagram never saved to or loaded from a file.
    bool IsUntitled() const { return storage_->IsUntitled(); }
    // Whether the document lives in a container's storage.
    bool IsEmbedded() const { return storage_->IsEmbedded(); }

    // Makes a window, cascaded from the factory's reference window, not shown yet.
    Application::IDocumentWindow* CreateDocumentWindow(Application::NewWindowDefaultsProvider* defaults) override;

    // Whether the document may close: without windows, embedded or unmodified at once; otherwise the
    // save-changes question decides (Yes saves first, Cancel keeps it).
    bool QueryClose();
    // Ends the document (its windows close) when QueryClose allows it; answers whether it did.
    bool Close();
    // Saves into the document's own file; a new or read-only document asks for a name. Answers
    // whether it was saved.
    bool Save();
    // Asks for a name and saves there; answers whether the document was saved as a diagram.
    bool SaveAs();
    // Saves into path (a diagram file) and takes it as the document's file and name.
    void SaveAs(const std::wstring& path);

    // Replaces the question asked before a modified document closes (tests answer it themselves).
    using SaveQuestion = std::function<SaveAnswer(const std::wstring& name)>;
    static void SetSaveQuestion(SaveQuestion question);

private:
    void InitNewDiagram(Core::Diagram& model) override;
    // Every paste and drop: the styles the pasted elements bring join the document's own.
    void OnPaste(Core::Env& env, const Core::ModelElementSet& pasted) override;
    HWND FirstWindow() const;

    DiagramFactory& factory_;
    std::unique_ptr<Core::Diagram> model_;
    std::unique_ptr<StorageHolder> storage_;
    std::unique_ptr<OLEdiagram::OUD> ole_;
};

// Folds the style a paste brings into the document's style (the document's fonts and element styles
// win, what the pasted elements need and it lacks is added), and gives the pasted elements of data
// that brought no style the document's style, their kinds' directories and its fonts.
void MergePastedStyles(Core::Env& env, const Core::ModelElementSet& pasted);

// The proposed name of the save dialog: the document name less a ".qvd" ending (any case).
std::wstring ProposedSaveName(const std::wstring& name);
// The proposed name of an embedded document's Save Copy As: its (container's) name less the
// extension of its last part.
std::wstring ProposedCopyName(const std::wstring& name);

} // namespace Editor
