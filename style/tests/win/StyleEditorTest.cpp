// The "Diagram Style" dialog under Wine, driven by messages from a second thread: a size picked
// for "Class" in the property tree reaches the class boxes' fonts after OK and goes back with one
// Undo; a read-only document can be looked at but not written; the layout state and the splitter.
#include "page/tests/dialogs/DialogDriving.h"
#include "style/tests/StyleTestKinds.h"
#include "style/tests/win/StyleDialogDriving.h"

#include "app/RegistryAccess.h"
#include "style/win/PropertyEditor.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

using namespace DialogTest;
using namespace StyleTest;
using namespace StyleDialogDriving;

namespace {

const wchar_t kTestKey[] = L"Software\\Quorvel\\StyleEditorTest";

struct StyleDialog : ::testing::Test {
    Document doc;
    Application::UserKeyRegistryAccess access{kTestKey};
    void SetUp() override {
        Registry();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
    StyledBox& Add(Style::StyledKind kind) {
        StyledBox* box = nullptr;
        doc.Change([&](Core::Env& env) { box = &StyledBox::Create(env, kind); });
        return *box;
    }
    template <class Driver>
    std::unique_ptr<Style::PropertyEditorState> Run(Driver driver, bool readOnly = false) {
        std::thread t([&] {
            HWND dialog = nullptr;
            if (!WaitFor([&] { return (dialog = FindDialog(L"Diagram Style")) != nullptr; })) return;
            driver(dialog);
        });
        auto state = Style::EditDiagramStyle(doc.diagram, nullptr, nullptr, access, nullptr, readOnly);
        t.join();
        return state;
    }
};

TEST_F(StyleDialog, ClassSizeChosenInThePropertyTreeReachesClassBoxesAndUndoesInOneStep)
{
    StyledBox& box = Add(Style::StyledKind::Class);
    const std::size_t before = doc.diagram.GetUndoHandler().GetUndoCount();
    bool comboOpened = false, rootExpanded = false, valueDrawn = false;
    auto state = Run([&](HWND dialog) {
        HWND left = ::GetDlgItem(dialog, IDC_STYLE_TREE);
        rootExpanded = (::SendMessageW(left, TVM_GETITEMSTATE, WPARAM(Root(left)), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
        comboOpened = PickSize(dialog, L"Class", L"20");
        if (!comboOpened) return ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0), void();
        HWND rows = PropertyTreeView(dialog);
        // The "Typeface" row (no combo box over it) shows its value as dark text in the value column.
        HTREEITEM face = FindItem(rows, Root(rows), L"Typeface");
        RECT row{};
        std::memcpy(&row, &face, sizeof face);
        ::SendMessageW(rows, TVM_GETITEMRECT, FALSE, LPARAM(&row));
        ::InvalidateRect(rows, nullptr, TRUE);
        valueDrawn = WaitFor([&] {
            const Picture p = Grab(rows);
            int dark = 0;
            for (int y = std::max(0L, row.top); y < std::min<LONG>(p.height, row.bottom); ++y)
                for (int x = p.width / 2 + 4; x < p.width; ++x) dark += GetRValue(p.At(x, y)) < 100;
            return dark > 5;
        }, 5000);
        ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(rootExpanded);
    ASSERT_TRUE(comboOpened);
    EXPECT_TRUE(valueDrawn);
    EXPECT_EQ(box.ResolvedFont().size, 20);
    EXPECT_EQ(box.applied.size, 20);
    EXPECT_EQ(doc.diagram.GetUndoHandler().GetUndoCount(), before + 1);
    ASSERT_NE(state, nullptr);
    EXPECT_NE(state->treeState.find(L'+'), std::wstring::npos);
    EXPECT_TRUE(state->placement.IsValid());
    doc.diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(box.ResolvedFont().size, 11);
}

// The window with the keyboard focus in the dialog's thread.
HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

TEST_F(StyleDialog, TabFromThePropertyTreeEntersTheOpenComboBox)
{
    Add(Style::StyledKind::Note);
    bool inCombo = false, rootRowsShown = false;
    Run([&](HWND dialog) {
        HWND left = ::GetDlgItem(dialog, IDC_STYLE_TREE);
        ::SendMessageW(left, TVM_SELECTITEM, TVGN_CARET, LPARAM(Root(left)));
        HWND rows = PropertyTreeView(dialog);
        rootRowsShown = FindItem(rows, Root(rows), L"Bold") != nullptr;
        ::SendMessageW(rows, TVM_SELECTITEM, TVGN_CARET, LPARAM(FindItem(rows, Root(rows), L"Bold")));
        HWND combo = ::FindWindowExW(rows, nullptr, L"ComboBox", nullptr);
        ::SendMessageW(dialog, WM_NEXTDLGCTL, WPARAM(rows), TRUE);
        ::PostMessageW(rows, WM_KEYDOWN, VK_TAB, 0);
        inCombo = combo && WaitFor([&] { HWND f = FocusOf(dialog); return f == combo || ::IsChild(combo, f); }, 5000);
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(rootRowsShown);
    EXPECT_TRUE(inCombo);
}

TEST_F(StyleDialog, ReadOnlyDocumentListsItsStylesWithOkDisabled)
{
    Add(Style::StyledKind::Note);
    const std::string stored = doc.Save();
    bool okDisabled = false, applyDisabled = false;
    std::wstring root, note;
    Run([&](HWND dialog) {
        okDisabled = !::IsWindowEnabled(::GetDlgItem(dialog, IDOK));
        applyDisabled = !::IsWindowEnabled(::GetDlgItem(dialog, IDC_APPLY));
        HWND left = ::GetDlgItem(dialog, IDC_STYLE_TREE);
        root = ItemText(left, Root(left));
        note = FindItem(left, Root(left), L"Note") ? L"Note" : L"";
        ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    }, true);
    EXPECT_TRUE(okDisabled);
    EXPECT_TRUE(applyDisabled);
    EXPECT_EQ(root, L"Base");
    EXPECT_EQ(note, L"Note");
    EXPECT_EQ(doc.Save(), stored);
}

TEST_F(StyleDialog, SavedLayoutIsReadBackAtTheNextOpening)
{
    Add(Style::StyledKind::Note);
    auto first = Run([&](HWND dialog) {
        HWND left = ::GetDlgItem(dialog, IDC_STYLE_TREE);
        ::SendMessageW(left, TVM_SELECTITEM, TVGN_CARET, LPARAM(FindItem(left, Root(left), L"Note")));
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    ASSERT_NE(first, nullptr);
    first->Save(access);
    WinUtil::Registry::Key key = WinUtil::Registry::Key::Open(HKEY_CURRENT_USER, std::wstring(kTestKey) + L"\\StylePropertyEditor", KEY_QUERY_VALUE);
    std::vector<BYTE> placement;
    EXPECT_TRUE(key.QueryBinary(L"Placement", placement));
    EXPECT_EQ(placement.size(), 44u);
    std::wstring selected;
    Run([&](HWND dialog) {
        HWND left = ::GetDlgItem(dialog, IDC_STYLE_TREE);
        selected = ItemText(left, HTREEITEM(::SendMessageW(left, TVM_GETNEXTITEM, TVGN_CARET, 0)));
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(selected, L"Note");
}

// The dialog's size grip: its child scroll bar of the size-grip style, or null.
HWND FindGrip(HWND dialog)
{
    for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        ::GetClassNameW(c, cls, 32);
        if (::lstrcmpiW(cls, L"ScrollBar") == 0 && (::GetWindowLongW(c, GWL_STYLE) & SBS_SIZEGRIP)) return c;
    }
    return nullptr;
}

// A rectangle of a child in its parent's client coordinates.
RECT InParent(HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The scroll bar sizes of the system, changed for this session as the display settings change
// them (every top-level window is told) and given back at the end.
class ScrollBarSizes {
public:
    ScrollBarSizes() {
        saved_.cbSize = sizeof saved_;
        ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof saved_, &saved_, 0);
    }
    ~ScrollBarSizes() { Set(saved_); }
    void Grow(int by) {
        NONCLIENTMETRICSW larger = saved_;
        larger.iScrollWidth += by;
        larger.iScrollHeight += by;
        Set(larger);
    }

private:
    // Not written to the user's settings: Wine then tells no window, so the news goes out here.
    static void Set(NONCLIENTMETRICSW metrics) {
        ::SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS,
                              reinterpret_cast<LPARAM>(L"WindowMetrics"), SMTO_ABORTIFHUNG, 5000, &ignored);
    }
    NONCLIENTMETRICSW saved_{};
};

TEST_F(StyleDialog, TheSizeGripTakesTheNewScrollBarSizeInTheCornerWhenTheSettingsChange)
{
    Add(Style::StyledKind::Note);
    RECT before{}, after{}, client{};
    int wideBefore = 0, wide = 0, high = 0;
    bool found = false;
    {
        ScrollBarSizes sizes;
        Run([&](HWND dialog) {
            HWND grip = FindGrip(dialog);
            found = grip != nullptr;
            if (found) {
                before = InParent(grip);
                wideBefore = ::GetSystemMetrics(SM_CXVSCROLL);
                sizes.Grow(9);
                wide = ::GetSystemMetrics(SM_CXVSCROLL);
                high = ::GetSystemMetrics(SM_CYHSCROLL);
                after = InParent(grip);
                ::GetClientRect(dialog, &client);
            }
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
    }
    ASSERT_TRUE(found);
    ASSERT_GT(wide, wideBefore) << "the system did not take the new scroll bar size";
    EXPECT_EQ(after.right - after.left, wide) << "was " << before.right - before.left << " for " << wideBefore;
    EXPECT_EQ(after.bottom - after.top, high);
    EXPECT_EQ(after.right, client.right);
    EXPECT_EQ(after.bottom, client.bottom);
}

TEST_F(StyleDialog, OtherWindowsOfTheProgramTakeNoInputWhileItRuns)
{
    Add(Style::StyledKind::Note);
    HWND other = ::CreateWindowExW(0, L"STATIC", L"another window", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                   nullptr, nullptr, nullptr);
    bool otherDisabled = false, dialogEnabled = false;
    Run([&](HWND dialog) {
        otherDisabled = !::IsWindowEnabled(other);
        dialogEnabled = ::IsWindowEnabled(dialog) != FALSE;
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(otherDisabled);
    EXPECT_TRUE(dialogEnabled);
    EXPECT_TRUE(::IsWindowEnabled(other));
    ::DestroyWindow(other);
}

TEST(TreeState, TextOfALargerTreeStopsWhereTheTreeEnds)
{
    HWND tree = ::CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP | TVS_HASBUTTONS, 0, 0, 200, 200, nullptr, nullptr,
                                  nullptr, nullptr);
    TVINSERTSTRUCTW in{};
    in.hInsertAfter = TVI_LAST;
    in.item.mask = TVIF_TEXT;
    in.item.pszText = const_cast<wchar_t*>(L"Base");
    in.hParent = TVI_ROOT;
    auto root = HTREEITEM(::SendMessageW(tree, TVM_INSERTITEMW, 0, LPARAM(&in)));
    in.hParent = root;
    in.item.pszText = const_cast<wchar_t*>(L"A");
    ::SendMessageW(tree, TVM_INSERTITEMW, 0, LPARAM(&in));
    in.item.pszText = const_cast<wchar_t*>(L"B");
    auto b = HTREEITEM(::SendMessageW(tree, TVM_INSERTITEMW, 0, LPARAM(&in)));
    Style::ApplyTreeState(tree, L"DN+NNN+NR");  // a third child no longer exists
    EXPECT_EQ(HTREEITEM(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)), b);
    EXPECT_EQ(Style::SaveTreeState(tree), L"*DN+NR");
    ::DestroyWindow(tree);
}

} // namespace
