// The "Element Styles" dialog: creates, renames, colours, deletes and assigns the element styles of
// a document inside the pending change of a view (its caller commits or discards it).
#pragma once

#include "app/Dialog.h"
#include "core/foundation/Geometry.h"

#include <memory>
#include <string>
#include <vector>

namespace Style {
class ElementStyle;
}

namespace View {
class DiagramView;
}

namespace Editor {

class ElementStylesListDialog : public Application::ModalDialog, private Application::EditCtrlHelper::IObserver {
public:
    // Over the view's document, with its styles in the order the list shows them.
    ElementStylesListDialog(View::DiagramView& view, std::vector<Style::ElementStyle*> styles);
    ~ElementStylesListDialog() override;

private:
    BOOL OnInitModal() override;
    bool OnEnd(UINT id) override;
    void ValueChanged(Application::EditCtrlHelper& control) override;
    void OnDrawItem(WinMessage::Msg& msg);
    void OnList(const Application::CommandMsg& msg);
    void OnNew(const Application::CommandMsg& msg);
    void OnDelete(const Application::CommandMsg& msg);
    void OnApply(const Application::CommandMsg& msg);

    void SelectionChanged();
    void Load(int index);
    void CommitName();
    void CommitColor();
    void ApplyCurrent(bool refresh);
    zq::Color FieldColor() const;
    void RecountUses();
    void FillList();
    std::wstring LineOf(size_t entry) const;
    Application::EditCtrlHelper::IObserver* Observer() { return this; }
    HWND Item(int id) const { return GetDlgItem(GetHwnd(), id); }

    View::DiagramView& view_;
    std::vector<Style::ElementStyle*> styles_;
    std::vector<unsigned> uses_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
    std::unique_ptr<Application::IntEditCtrl> red_, green_, blue_;
    int current_ = -1;                        // list index, -1 for none
    Style::ElementStyle* style_ = nullptr;    // the current style (none for "Default")
    zq::Color swatch_{255, 255, 255};
    bool loading_ = false;  // set while the dialog writes its own fields
};

} // namespace Editor
