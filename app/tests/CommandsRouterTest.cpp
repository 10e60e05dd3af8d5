// Command routing: enable and veto rules across bindings, deferred removal, menu item states,
// and the remembered context-menu defaults.
#include "app/tests/RegistryTestSupport.h"
#include "app/Commands.h"
#include "app/ContextMenu.h"
#include "app/winutil/Registry.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace Application;

namespace {

constexpr UINT kCmd = 40001;
constexpr UINT kOther = 40002;

// A view that records every update.
struct RecordingView : IWinCmdView {
    std::vector<std::pair<bool, int>> updates;
    void Update(bool enabled, int checkState) override { updates.emplace_back(enabled, checkState); }
};

// A binding with a switchable veto that counts its calls.
struct CountingPlug : IWinCmdPlug {
    explicit CountingPlug(UINT id, bool allow = true) : IWinCmdPlug(id), allow(allow) {}
    bool CanExecute(const CommandMsg&) override { ++asked; return allow; }
    void Execute(const CommandMsg&) override { ++executed; if (onExecute) onExecute(); }
    bool allow;
    int asked = 0;
    int executed = 0;
    std::function<void()> onExecute;
};

UINT MenuState(HMENU menu, UINT id, UINT* type = nullptr) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_FTYPE;
    EXPECT_TRUE(GetMenuItemInfoW(menu, id, FALSE, &info));
    if (type) *type = info.fType;
    return info.fState;
}

} // namespace

TEST(CommandRouter, CommandEnabledWhenAnyBindingIsEnabled) {
    CommandRouter router;
    RecordingView view;
    router.AddView(kCmd, view);
    ASSERT_EQ(view.updates.size(), 1u);  // a view is updated when added
    EXPECT_FALSE(view.updates.back().first);

    CountingPlug a(kCmd), b(kCmd);
    router.AddPlug(a);
    router.AddPlug(b);
    EXPECT_TRUE(router.IsEnabled(kCmd));
    EXPECT_TRUE(view.updates.back().first);

    a.SetEnabled(false);
    EXPECT_TRUE(router.IsEnabled(kCmd));
    b.SetEnabled(false);
    EXPECT_FALSE(router.IsEnabled(kCmd));
    EXPECT_FALSE(view.updates.back().first);
    EXPECT_FALSE(router.Execute({kCmd}));
    EXPECT_EQ(a.executed + b.executed, 0);

    b.SetEnabled(true);
    EXPECT_TRUE(router.IsEnabled(kCmd));
    router.RemoveView(kCmd, view);
}

TEST(CommandRouter, OnlyEnabledBindingsAreAskedAndRun) {
    CommandRouter router;
    CountingPlug a(kCmd), b(kCmd), c(kCmd);
    router.AddPlug(a);
    router.AddPlug(b);
    router.AddPlug(c);
    b.SetEnabled(false);
    EXPECT_TRUE(router.Execute({kCmd}));
    EXPECT_EQ(a.asked, 1);
    EXPECT_EQ(b.asked, 0);
    EXPECT_EQ(c.asked, 1);
    EXPECT_EQ(a.executed, 1);
    EXPECT_EQ(b.executed, 0);
    EXPECT_EQ(c.executed, 1);
}

TEST(CommandRouter, OneVetoStopsEveryBinding) {
    CommandRouter router;
    CountingPlug a(kCmd), b(kCmd, false), c(kCmd);
    router.AddPlug(a);
    router.AddPlug(b);
    router.AddPlug(c);
    EXPECT_FALSE(router.Execute({kCmd}));
    EXPECT_EQ(a.executed + b.executed + c.executed, 0);
    // A disabled binding's veto does not count.
    b.SetEnabled(false);
    EXPECT_TRUE(router.Execute({kCmd}));
    EXPECT_EQ(a.executed, 1);
    EXPECT_EQ(c.executed, 1);
}

TEST(CommandRouter, RemovalDuringACommandIsDeferred) {
    CommandRouter router;
    CountingPlug a(kCmd), c(kCmd);
    auto b = std::make_unique<CountingPlug>(kCmd);
    router.AddPlug(a);
    router.AddPlug(*b);
    router.AddPlug(c);
    // The first binding destroys the second while the command runs: the third still runs, the
    // second does not, and nothing touches freed memory.
    a.onExecute = [&] { b.reset(); };
    EXPECT_TRUE(router.Execute({kCmd}));
    EXPECT_EQ(a.executed, 1);
    EXPECT_EQ(c.executed, 1);
    a.onExecute = nullptr;
    EXPECT_TRUE(router.Execute({kCmd}));
    EXPECT_EQ(c.executed, 2);
    router.RemovePlug(a);
    router.RemovePlug(c);
    EXPECT_FALSE(router.IsEnabled(kCmd));
}

TEST(CommandRouter, RouterMayBeDestroyedByItsCommand) {
    auto router = std::make_unique<CommandRouter>();
    CountingPlug a(kCmd), b(kCmd);
    router->AddPlug(a);
    router->AddPlug(b);
    a.onExecute = [&] { router.reset(); };
    CommandRouter* raw = router.get();
    EXPECT_TRUE(raw->Execute({kCmd}));
    EXPECT_EQ(a.executed, 1);
    EXPECT_EQ(b.executed, 0);
    EXPECT_EQ(a.GetCommander(), nullptr);
}

TEST(CommandRouter, ExceptionReachesTheOwnersHandlerAndPropagates) {
    struct Handler : WinMessage::IExceptionHandler {
        int told = 0;
        void OnException(std::exception_ptr) override { ++told; }
    } handler;
    CommandRouter router;
    WinCmdPlugSet set(router, &handler);
    set.Add(kCmd, [](const CommandMsg&) { throw std::runtime_error("boom"); });
    EXPECT_THROW(router.Execute({kCmd}), std::runtime_error);
    EXPECT_EQ(handler.told, 1);
    // The router is usable afterwards.
    set.Remove(kCmd);
    int runs = 0;
    set.Add(kCmd, [&](const CommandMsg&) { ++runs; });
    EXPECT_TRUE(router.Execute({kCmd}));
    EXPECT_EQ(runs, 1);
}

TEST(WinCmdPlugSet, DuplicateIdKeepsTheFirstBinding) {
    CommandRouter router;
    WinCmdPlugSet set(router);
    int first = 0, second = 0;
    EXPECT_TRUE(set.Add(kCmd, [&](const CommandMsg&) { ++first; }));
    EXPECT_FALSE(set.Add(kCmd, [&](const CommandMsg&) { ++second; }));
    router.Execute({kCmd});
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
}

TEST(WinCmdPlugSet, EnableAndCheckStateReachTheViews) {
    CommandRouter router;
    RecordingView view;
    router.AddView(kCmd, view);
    {
        WinCmdPlugSet set(router);
        set.Add(kCmd, [](const CommandMsg&) {});
        EXPECT_EQ(view.updates.back(), std::make_pair(true, 0));
        set.Enable(kCmd, false);
        EXPECT_EQ(view.updates.back(), std::make_pair(false, 0));
        size_t before = view.updates.size();
        set.Enable(kCmd, false);  // no change, no update
        EXPECT_EQ(view.updates.size(), before);
        set.SetCheckState(kCmd, 2);
        EXPECT_EQ(view.updates.back(), std::make_pair(false, 2));
        set.Enable(kCmd, true);
        EXPECT_EQ(view.updates.back(), std::make_pair(true, 2));
    }
    // The set's bindings went with it.
    EXPECT_FALSE(router.IsEnabled(kCmd));
    EXPECT_FALSE(view.updates.back().first);
    router.RemoveView(kCmd, view);
}

TEST(MenuViews, MenuItemGreyedCheckedAndRadioMarked) {
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, kCmd, L"&First");
    AppendMenuW(popup, MF_STRING, kOther, L"&Second");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"&Menu");

    CommandRouter router;
    {
        MenuViews views(router, bar);
        EXPECT_TRUE(MenuState(popup, kCmd) & MFS_GRAYED);  // no binding yet
        WinCmdPlugSet set(router);
        set.Add(kCmd, [](const CommandMsg&) {});
        EXPECT_FALSE(MenuState(popup, kCmd) & MFS_GRAYED);

        set.SetCheckState(kCmd, 1);
        UINT type = 0;
        UINT state = MenuState(popup, kCmd, &type);
        EXPECT_TRUE(state & MFS_CHECKED);
        EXPECT_FALSE(type & MFT_RADIOCHECK);

        set.SetCheckState(kCmd, 2);
        state = MenuState(popup, kCmd, &type);
        EXPECT_TRUE(state & MFS_CHECKED);
        EXPECT_TRUE(type & MFT_RADIOCHECK);

        set.SetCheckState(kCmd, 0);
        state = MenuState(popup, kCmd, &type);
        EXPECT_FALSE(state & MFS_CHECKED);
        EXPECT_FALSE(type & MFT_RADIOCHECK);

        set.Enable(kCmd, false);
        EXPECT_TRUE(MenuState(popup, kCmd) & MFS_GRAYED);
        EXPECT_TRUE(MenuState(popup, kOther) & MFS_GRAYED);
    }
    DestroyMenu(bar);
}

TEST(ContextMenuDefaults, RecordsAreSixBytesAndReadBack) {
    ContextMenuDefaults defaults;
    defaults.Set(0x1234, 0x89ABCDEF);
    defaults.Set(7, 40001);
    std::vector<BYTE> data = defaults.Serialize();
    ASSERT_EQ(data.size(), 12u);
    // Sorted by menu id: {7, 40001} first, little-endian.
    EXPECT_EQ(data[0], 7);
    EXPECT_EQ(data[1], 0);
    EXPECT_EQ(data[2], 0x41);
    EXPECT_EQ(data[3], 0x9C);
    EXPECT_EQ(data[6], 0x34);
    EXPECT_EQ(data[7], 0x12);
    EXPECT_EQ(data[8], 0xEF);
    EXPECT_EQ(data[11], 0x89);

    // A trailing partial record is ignored.
    data.push_back(1);
    data.push_back(2);
    ContextMenuDefaults read;
    read.Deserialize(data);
    EXPECT_EQ(read.Get(0x1234), 0x89ABCDEFu);
    EXPECT_EQ(read.Get(7), 40001u);
    EXPECT_EQ(read.Get(8), 0u);
}

TEST(ContextMenuDefaults, WrittenToTheRegistryAndReadBack) {
    AppTest::ScopedTestKey scope(L"Software\\QuorvelTest\\ContextMenus");
    const std::wstring& path = scope.Path();
    {
        auto key = WinUtil::Registry::Key::Create(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS);
        ContextMenuDefaults defaults;
        defaults.Set(301, 40010);
        defaults.Set(302, 40020);
        defaults.Write(key);
        std::vector<BYTE> raw;
        ASSERT_TRUE(key.QueryBinary(L"ContextMenuDefaults", raw));
        EXPECT_EQ(raw.size(), 12u);
    }
    auto key = WinUtil::Registry::Key::Open(HKEY_CURRENT_USER, path, KEY_QUERY_VALUE);
    ContextMenuDefaults read;
    read.Read(key);
    EXPECT_EQ(read.Get(301), 40010u);
    EXPECT_EQ(read.Get(302), 40020u);
}

TEST(ContextMenu, TrackWithUseDefaultRunsTheRememberedCommandAtOnce) {
    HMENU menu = CreateMenu();
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, kCmd, L"First");
    AppendMenuW(popup, MF_STRING, kOther, L"Second");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"x");
    ContextMenu context(901, menu);

    CommandRouter router;
    WinCmdPlugSet set(router);
    int other = 0;
    set.Add(kOther, [&](const CommandMsg&) { ++other; });

    ContextMenuDefaults::Instance().Clear();
    EXPECT_TRUE(context.Choose(kOther, router));  // as if picked from the menu
    EXPECT_EQ(other, 1);
    EXPECT_EQ(ContextMenuDefaults::Instance().Get(901), kOther);
    EXPECT_EQ(GetMenuDefaultItem(context.GetPopup(), FALSE, 0), static_cast<int>(kOther));

    EXPECT_EQ(context.Track(0, 0, router, true), kOther);  // no menu shown
    EXPECT_EQ(other, 2);
    ContextMenuDefaults::Instance().Clear();
}
