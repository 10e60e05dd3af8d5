// The "Diagram Style" dialog: the style directories on the left, the property tree of the
// selected directory on the right with a splitter between them, OK, Cancel, Apply and
// "&Delete unused". It runs its own loop and keeps the rest of the program disabled meanwhile.
#pragma once

#include "app/Dialog.h"
#include "app/RegistryAccess.h"
#include "app/winutil/MessageLoop.h"
#include "app/winutil/WindowPlacement.h"
#include "app/winutil/WindowResizer.h"
#include "style/StyleEdit.h"
#include "style/win/HorzSplitWindow.h"
#include "style/win/PropertyTree.h"

#include <memory>
#include <string>

namespace Core {
class Diagram;
class IView;
}

namespace Style {

// The editor's layout that survives it: expansion and selection, placement and split.
struct PropertyEditorState {
    std::wstring treeState;
    WinUtil::WindowPlacement placement;
    int32_t splitOffset = 0;
    // Writes the state under "StylePropertyEditor"; registry errors are ignored.
    void Save(const Application::IRegistryAccessProvider& access) const;
};

// The dialog; the constructor runs it until it closes.
class PropertyEditor : public Application::ModelessDialog {
public:
    // Runs the dialog over the hierarchy; a null state reads the layout from the registry.
    PropertyEditor(HINSTANCE resources, HWND owner, PropertyEditorHierarchy& hierarchy, IPropertyEditorClient& client,
                   const Application::IRegistryAccessProvider& access, const PropertyEditorState* state);
    ~PropertyEditor() override;
    // The layout gathered when the dialog closed.
    PropertyEditorState GetState() const { return state_; }

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;

private:
    // Keeps the resizer's rectangles in step with a split the user dragged, so that a later move or
    // resize of the dialog starts from the new split.
    class SplitObserver : public HorzSplitWindow::Observer {
    public:
        explicit SplitObserver(PropertyEditor& editor) : editor_(editor) {}
        void SplitMoved() override {}
        void DragStarted() override {}
        void DragEnded(bool cancelled) override;

    private:
        PropertyEditor& editor_;
    };

    void FillTree(PropertyEditorHierarchy& node, HTREEITEM parent);
    void RestoreLayout(const PropertyEditorState* state);
    void RunLoop();
    void Gather();
    void Close();
    void OnNotify(WinMessage::Msg& msg);
    void OnCloseBox(WinMessage::Msg& msg);
    void OnSettingChange(WinMessage::Msg& msg);
    // The size grip's rectangle: the bottom-right corner, scroll bar sized by the system metrics.
    RECT GripPlace() const;

    PropertyEditorHierarchy& hierarchy_;
    IPropertyEditorClient& client_;
    const Application::IRegistryAccessProvider& access_;
    HWND owner_;
    bool ownerEnabled_ = false;
    HINSTANCE resources_;
    HIMAGELIST images_ = nullptr;
    HWND grip_ = nullptr;
    std::unique_ptr<PropertyTree> properties_;
    SplitObserver splitObserver_{*this};
    std::unique_ptr<HorzSplitWindow> split_;
    std::unique_ptr<WinUtil::WindowResizer> resizer_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
    PropertyEditorState state_;
};

// The tree-state text of a tree view: "*" first visible, "+" selected, "D".."R" expanded, "N" not.
std::wstring SaveTreeState(HWND tree);
// Applies a tree-state text; parts that do not fit the tree end early; empty expands the root.
void ApplyTreeState(HWND tree, const std::wstring& text);

// The installed typefaces of the system's font list.
const ITypefaceList& InstalledTypefaces();

// The editor's words from the module's string table (null: the program's); the built-in ones
// where a string is missing.
PropertyTexts ResourceTexts(HINSTANCE module);

// The "Diagram Style" command: edits the diagram's styles in the dialog and records the edit as
// one undo step that puts back the view's selection; answers the dialog's final layout (none when
// the document has no style to show).
std::unique_ptr<PropertyEditorState> EditDiagramStyle(Core::Diagram& diagram, HINSTANCE resources, HWND owner,
                                                      const Application::IRegistryAccessProvider& access,
                                                      const PropertyEditorState* previous, bool readOnly = false,
                                                      Core::IView* view = nullptr);

} // namespace Style
