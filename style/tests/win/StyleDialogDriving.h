// Driving the "Diagram Style" dialog from a test thread: finding the items of its tree views and
// picking a font size for a directory.
#pragma once

#include "resources/resource.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace StyleDialogDriving {

inline std::wstring ItemText(HWND tree, HTREEITEM item)
{
    wchar_t buffer[256] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buffer;
    tv.cchTextMax = 256;
    ::SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&tv));
    return buffer;
}

// The item of the text anywhere in the tree, or null.
inline HTREEITEM FindItem(HWND tree, HTREEITEM from, const std::wstring& text)
{
    for (HTREEITEM i = from; i; i = HTREEITEM(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(i)))) {
        if (ItemText(tree, i) == text) return i;
        if (HTREEITEM c = FindItem(tree, HTREEITEM(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(i))), text))
            return c;
    }
    return nullptr;
}

inline HTREEITEM Root(HWND tree)
{
    return HTREEITEM(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

// The tree view of the property rows.
inline HWND PropertyTreeView(HWND dialog)
{
    return ::FindWindowExW(::GetDlgItem(dialog, IDC_STYLE_PROPERTIES), nullptr, WC_TREEVIEWW, nullptr);
}

// Selects the directory in the left tree and picks the size in the "Size" row's combo box; false
// when the combo box did not open.
inline bool PickSize(HWND dialog, const std::wstring& directory, const wchar_t* size)
{
    HWND left = ::GetDlgItem(dialog, IDC_STYLE_TREE);
    ::SendMessageW(left, TVM_SELECTITEM, TVGN_CARET, LPARAM(FindItem(left, Root(left), directory)));
    HWND rows = PropertyTreeView(dialog);
    ::SendMessageW(rows, TVM_SELECTITEM, TVGN_CARET, LPARAM(FindItem(rows, Root(rows), L"Size")));
    HWND combo = ::FindWindowExW(rows, nullptr, L"ComboBox", nullptr);
    if (!combo) return false;
    const LRESULT at = ::SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(size));
    ::SendMessageW(combo, CB_SETCURSEL, WPARAM(at), 0);
    ::SendMessageW(rows, WM_COMMAND, MAKEWPARAM(0, CBN_SELENDOK), LPARAM(combo));
    return true;
}

} // namespace StyleDialogDriving
