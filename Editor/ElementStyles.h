// The element styles of a document as one window shows them: the dynamic part of the "&Styles"
// menu, applying a style to the selection, and the "Element Styles" dialog.
#pragma once

#include "app/Commands.h"
#include "app/winmessage/WinMsgPlug.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Core {
class Diagram;
class IModelElement;
} // namespace Core

namespace Style {
class ElementStyle;
}

namespace View {
class DiagramView;
}

namespace Editor {

class WindowImp;

namespace ElementStyles {
// The most styles the menu lists (commands 40063 to 40092).
inline constexpr size_t kMenuLimit = 30;
// The document's element styles in ordinal order of their names.
std::vector<Style::ElementStyle*> SortedStyles(const Core::Diagram& model);
// The element style name all selected elements that take one share: nothing when none takes one
// or their names differ (the empty name is "Default").
std::optional<std::wstring> CommonName(const View::DiagramView& view);
// How many elements of the document carry the name.
unsigned CountUses(const Core::Diagram& model, const std::wstring& name);
// "Style <n>" with the smallest n from 1 to 500 that no style uses; empty when all are taken.
std::wstring FreeName(const std::vector<Style::ElementStyle*>& styles);
// Sets the name on every selected element that takes an element style, inside the view's pending
// change (not committed); answers how many took it.
unsigned AssignToSelection(View::DiagramView& view, const std::wstring& name);
} // namespace ElementStyles

// The element styles list of one document window.
class ElementStylesList {
public:
    // Binds the list's commands and watches the window's menus.
    explicit ElementStylesList(WindowImp& window);
    ElementStylesList(const ElementStylesList&) = delete;
    ElementStylesList& operator=(const ElementStylesList&) = delete;
    ~ElementStylesList();

    // Applies the name (empty: "Default") to the selection of the active pane as one undo step.
    void Apply(const std::wstring& name);
    // Runs the dialog over the active pane: OK commits everything done in it as one undo step,
    // Cancel undoes all of it. Answers the dialog's end code (0 without a pane).
    INT_PTR RunDialog();
    // Enables the dialog, the toolbar button and the listed styles, or greys them all (a
    // read-only document).
    void SetEditable(bool editable);

private:
    void OnInitMenuPopup(WinMessage::Msg& msg);
    void RebuildMenu();
    void OnStyleCommand(const Application::CommandMsg& msg);

    WindowImp& window_;
    HMENU menu_ = nullptr;  // the "&Styles" submenu
    size_t appended_ = 0;   // style items appended after "Default"
    bool editable_ = true;
    std::vector<std::wstring> listed_;  // the names the menu lists, by command
    Application::WinCmdPlugSet commands_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
};

} // namespace Editor
