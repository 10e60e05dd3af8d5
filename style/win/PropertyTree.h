// The right pane of the "Diagram Style" dialog: a header with "Property" and "Value" over a tree
// of group and value rows; the selected value is edited in place by a combo box.
#pragma once

#include "app/winmessage/WinMsgPlug.h"
#include "app/winutil/Platform.h"
#include "app/winutil/Window.h"
#include "style/PropertyModels.h"

#include <map>
#include <memory>
#include <string>

namespace Style {

// The in-place editing of one value model: its combo box and the commands it sends.
class PropertyVal {
public:
    virtual ~PropertyVal() = default;
    // The text of the value column.
    virtual std::wstring GetText() const = 0;
    // Creates the combo box over rect (the parent's client coordinates).
    virtual HWND CreateControl(HINSTANCE instance, HWND parent, const RECT& rect) = 0;
    // Takes a notification of the combo box into the model.
    virtual LRESULT OnCommand(HWND control, UINT code) = 0;
    // The editor of a model (an EnumProperty or a FontSizeProperty), or none.
    static std::unique_ptr<PropertyVal> For(IValue& value);
};

class PropertyTree {
public:
    // The narrowest the "Property" column gets.
    static constexpr int kMinColumn = 50;

    // Creates header and tree inside the host control.
    PropertyTree(HINSTANCE instance, HWND host, HIMAGELIST images);
    ~PropertyTree();
    PropertyTree(const PropertyTree&) = delete;
    PropertyTree& operator=(const PropertyTree&) = delete;

    // Hides the tree, deletes every row and closes the in-place control.
    void Clear();
    // Adds a group row at the top level.
    void AddGroup(const std::wstring& caption);
    // Adds a value row below the current group (or at the top level).
    void AddValue(const std::wstring& caption, IValue* value, bool underGroup);
    // Shows the tree.
    void Show();
    // Tab between the tree and the in-place control; answers whether the message was consumed.
    bool KeyboardFilter(HWND dialog, const MSG& msg);

    HWND GetTreeView() const { return tree_.GetHwnd(); }
    HWND GetHeader() const { return header_; }
    // The open in-place control, or null.
    HWND GetControl() const { return control_; }
    int GetFirstColumnWidth() const { return column_; }
    // Sets the first column's width within [50, client width]; the second takes the rest.
    void SetFirstColumnWidth(int width);
    // Makes the first column as wide as the widest visible value caption (at least 50).
    void FitFirstColumn();

private:
    struct Row {
        std::wstring caption;
        std::unique_ptr<PropertyVal> editor;  // none for a group row
        std::wstring display;
    };
    void Layout();
    // Shortens a value row's caption with an ellipsis to what fits left of the "Value" column.
    void FitCaption(HTREEITEM item, std::wstring& text);
    void CloseControl();
    void OpenControl(HTREEITEM item);
    void MoveControl();
    RECT ValueRect(HTREEITEM item) const;
    HTREEITEM Insert(HTREEITEM parent, const std::wstring& caption, std::unique_ptr<PropertyVal> editor);
    void OnHostPosChanged(WinMessage::Msg& msg);
    void OnHostNotify(WinMessage::Msg& msg);
    void OnCustomDraw(WinMessage::Msg& msg);
    void OnTreeCommand(WinMessage::Msg& msg);
    void OnTreeButtonDown(WinMessage::Msg& msg);
    void OnTreeDoubleClick(WinMessage::Msg& msg);
    void OnTreeScroll(WinMessage::Msg& msg);
    int ClientWidth() const;

    HINSTANCE instance_;
    HWND host_;
    HWND header_ = nullptr;
    HFONT font_ = nullptr;
    HFONT underlined_ = nullptr;
    int column_ = 0;
    HTREEITEM group_ = nullptr;
    HWND control_ = nullptr;
    HTREEITEM controlRow_ = nullptr;
    bool fitting_ = false;
    std::map<HTREEITEM, Row> rows_;
    WinUtil::Window hostWindow_;
    WinUtil::Window tree_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> hostPlugs_;
    std::unique_ptr<WinMessage::WinMsgPlugMap> treePlugs_;
};

} // namespace Style
