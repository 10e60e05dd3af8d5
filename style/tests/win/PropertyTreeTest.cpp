// The property tree's value rows: a caption too long for the "Property" column ends in an ellipsis
// that fits before the "Value" column, a short one stays whole, and a wider column shows more.
#include "style/win/PropertyTree.h"

#include "app/winutil/Window.h"
#include "style/tests/win/StyleDialogDriving.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct PropertyRows : ::testing::Test {
    WinUtil::WindowClass cls{L"QuorvelPropertyTreeTest"};
    WinUtil::Window parent;
    HWND host = nullptr;
    Style::FontSizeProperty size{{false, 10}, true};
    void SetUp() override {
        parent.Create(cls, L"rows", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 420, 300);
        host = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 360, 240, parent.GetHwnd(), nullptr,
                                 nullptr, nullptr);
        ::SendMessageW(host, WM_SETFONT, WPARAM(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    static HTREEITEM Next(HWND tree, HTREEITEM item, UINT how) {
        return HTREEITEM(::SendMessageW(tree, TVM_GETNEXTITEM, how, LPARAM(item)));
    }
    // The right edge of the shown label of the row.
    static LONG LabelRight(HWND tree, HTREEITEM item) {
        RECT r{};
        std::memcpy(&r, &item, sizeof item);
        ::SendMessageW(tree, TVM_GETITEMRECT, TRUE, LPARAM(&r));
        return r.right;
    }
};

TEST_F(PropertyRows, LongValueCaptionIsCutWithAnEllipsisBeforeTheValueColumn)
{
    Style::PropertyTree rows(nullptr, host, nullptr);
    const std::wstring longCaption = L"A property caption far too long for the first column of the list";
    rows.AddGroup(L"Font");
    rows.AddValue(longCaption, &size, true);
    rows.AddValue(L"Size", &size, true);
    rows.Show();
    HWND tree = rows.GetTreeView();
    const HTREEITEM group = Next(tree, nullptr, TVGN_ROOT);
    const HTREEITEM cut = Next(tree, group, TVGN_CHILD);
    const HTREEITEM whole = Next(tree, cut, TVGN_NEXT);
    ASSERT_NE(whole, nullptr);

    const std::wstring narrow = StyleDialogDriving::ItemText(tree, cut);
    ASSERT_GE(narrow.size(), 4u);
    EXPECT_LT(narrow.size(), longCaption.size());
    EXPECT_EQ(narrow.substr(narrow.size() - 3), L"...");
    EXPECT_EQ(longCaption.compare(0, narrow.size() - 3, narrow, 0, narrow.size() - 3), 0);
    EXPECT_LE(LabelRight(tree, cut), rows.GetFirstColumnWidth());
    EXPECT_EQ(StyleDialogDriving::ItemText(tree, whole), L"Size");
    EXPECT_EQ(StyleDialogDriving::ItemText(tree, group), L"Font");

    rows.SetFirstColumnWidth(rows.GetFirstColumnWidth() + 60);
    EXPECT_GT(StyleDialogDriving::ItemText(tree, cut).size(), narrow.size());
}

} // namespace
