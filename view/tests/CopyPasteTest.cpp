// The Edit commands of a view: copy in one window and paste in another, placement of pasted
// elements, cut, delete and the Delete key, text pasted as names, and the paste error box.
#include "view/tests/TestTransfer.h"

#include "resources/resource.h"
#include "view/CopyPaste.h"

namespace ViewTest {
namespace {

using Elements = std::vector<Core::IModelElement*>;

class CopyPaste : public OleTest {
protected:
    void TearDown() override {
        View::DefaultTaskCopyPaste::SetMessageSink({});
        OleTest::TearDown();
    }
    bool Run(ViewWindow& w, UINT id) { return w.router.Execute({id, 0, nullptr}); }
    size_t Undos(ViewWindow& w) { return w.diagram.GetUndoHandler().GetUndoCount(); }
    // Copies the selection and waits until the other window may paste it.
    void CopyTo(ViewWindow& from, ViewWindow& to) {
        ASSERT_TRUE(Run(from, View::kCmdCopy));
        ASSERT_TRUE(PumpUntil(to, [&] { return to.router.IsEnabled(View::kCmdPaste); }));
    }

    Application::Clipboard clipboard;
    InProcessFormats formats;
};

TEST_F(CopyPaste, CopyInOneWindowAndPasteInAnotherAreOneUndoStepEachAndTwoPastesLandAlike)
{
    ViewWindow w1(nullptr, &clipboard, &formats);
    ViewWindow w2(nullptr, &clipboard, &formats, ViewWindow::kW + 20);
    w2.view->SetActive(true);
    auto a = w1.AddBox({0, 4000, 2000, 2000});
    a->SelectInView(*w1.view, true);
    const size_t undo1 = Undos(w1), undo2 = Undos(w2), count2 = w2.diagram.GetElementCount();
    CopyTo(w1, w2);
    EXPECT_EQ(Undos(w1), undo1) << "copy changes nothing";

    ASSERT_TRUE(Run(w2, View::kCmdPaste));
    ASSERT_EQ(w2.diagram.GetElementCount(), count2 + 1);
    EXPECT_EQ(Undos(w2), undo2 + 1);
    const Elements first = w2.Selection();
    ASSERT_EQ(first.size(), 1u);
    const zq::Rect firstRect = dynamic_cast<Box*>(first[0])->GetRect();
    ASSERT_TRUE(Run(w2, View::kCmdPaste));
    const Elements second = w2.Selection();
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NE(second[0], first[0]);
    EXPECT_EQ(dynamic_cast<Box*>(second[0])->GetRect(), firstRect);
    EXPECT_EQ(Undos(w2), undo2 + 2);
    w2.Undo();
    EXPECT_TRUE(second[0]->IsDeleted());
    EXPECT_FALSE(first[0]->IsDeleted());
}

TEST_F(CopyPaste, PastedElementsGoToTheMiddleOfTheViewOrATwentiethFurtherWhenAlreadyThere)
{
    ViewWindow w(nullptr, &clipboard, &formats);
    const ICanvas::DoubleRect v = w.canvas->GetVisibleArea();
    const zq::Rect area = zq::RoundRect(v.left, v.top, v.right, v.bottom);
    const zq::Point mid = View::DefaultGrid::Instance().SnapPoint({(area.left + area.right) / 2, (area.top + area.bottom) / 2});
    // A box centred on the middle of the view, and one far away.
    auto centred = w.AddBox({mid.x - 1000, mid.y + 500, mid.x + 1000, mid.y - 500});
    auto away = w.AddBox({0, 6000, 1000, 5000});
    const View::DefaultGrid& grid = View::DefaultGrid::Instance();
    const zq::Point s0 = grid.SnapPoint({0, 0});
    const zq::Point s1 = grid.SnapPoint({(area.right - area.left) / 20, (area.bottom - area.top) / 20});
    const zq::Point step(s1.x - s0.x, s1.y - s0.y);
    ASSERT_LT(step.y, 0) << "downwards";

    centred->SelectInView(*w.view, true);
    CopyTo(w, w);
    ASSERT_TRUE(Run(w, View::kCmdPaste));
    Elements pasted = w.Selection();
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(dynamic_cast<Box*>(pasted[0])->GetPos(), zq::Point(mid.x - 1000 + step.x, mid.y + 500 + step.y));

    w.view->ClearSelection(nullptr);
    away->SelectInView(*w.view, true);
    CopyTo(w, w);
    ASSERT_TRUE(Run(w, View::kCmdPaste));
    pasted = w.Selection();
    ASSERT_EQ(pasted.size(), 1u);
    const zq::Rect r = dynamic_cast<Box*>(pasted[0])->GetRect();
    EXPECT_EQ(grid.SnapPoint({(r.left + r.right) / 2, (r.top + r.bottom) / 2}), mid);
}

TEST_F(CopyPaste, WithoutASelectionCopyCutAndDeleteAreDisabledAndTheDeleteKeyDoesNothing)
{
    ViewWindow w(nullptr, &clipboard, &formats);
    auto a = w.AddBox({0, 4000, 2000, 2000});
    auto b = w.AddBox({4000, 4000, 6000, 2000});
    w.Task().UpdateCommands();
    EXPECT_FALSE(w.router.IsEnabled(View::kCmdCopy));
    EXPECT_FALSE(w.router.IsEnabled(View::kCmdCut));
    EXPECT_FALSE(w.router.IsEnabled(View::kCmdDelete));
    EXPECT_TRUE(w.router.IsEnabled(View::kCmdSelectAll));
    const size_t undo = Undos(w);
    w.Key(WM_KEYDOWN, VK_DELETE);
    EXPECT_EQ(Undos(w), undo);

    a->SelectInView(*w.view, true);
    EXPECT_TRUE(w.router.IsEnabled(View::kCmdCopy));
    w.Key(WM_KEYDOWN, VK_DELETE);
    EXPECT_TRUE(a->IsDeleted());
    EXPECT_EQ(Undos(w), undo + 1);
    w.Undo();
    EXPECT_FALSE(a->IsDeleted());
    EXPECT_EQ(w.Selection(), Elements{a.get()});

    // An inactive view offers none of the commands.
    w.view->SetActive(false);
    EXPECT_FALSE(w.router.IsEnabled(View::kCmdDelete));
    EXPECT_FALSE(w.router.IsEnabled(View::kCmdSelectAll));
    w.view->SetActive(true);

    ASSERT_TRUE(Run(w, View::kCmdSelectAll));
    EXPECT_EQ(w.Selection().size(), 2u);
    const size_t count = w.diagram.GetElementCount();
    ASSERT_TRUE(Run(w, View::kCmdCut));
    EXPECT_TRUE(a->IsDeleted());
    EXPECT_TRUE(b->IsDeleted());
    EXPECT_EQ(Undos(w), undo + 1);
    ASSERT_TRUE(PumpUntil(w, [&] { return w.router.IsEnabled(View::kCmdPaste); }));
    ASSERT_TRUE(Run(w, View::kCmdPaste));
    EXPECT_EQ(w.diagram.GetElementCount(), count);
    EXPECT_EQ(w.Selection().size(), 2u);
}

TEST_F(CopyPaste, AReadOnlyDocumentOffersCopyAndSelectAllAndNoCommandThatChangesIt)
{
    ViewWindow w(nullptr, &clipboard, &formats);
    auto a = w.AddBox({0, 4000, 2000, 2000});
    a->SelectInView(*w.view, true);
    CopyTo(w, w);
    w.readOnly = true;
    w.Task().Refresh();
    EXPECT_TRUE(w.router.IsEnabled(View::kCmdCopy));
    EXPECT_TRUE(w.router.IsEnabled(View::kCmdSelectAll));
    for (UINT id : {View::kCmdCut, View::kCmdPaste, View::kCmdDelete, TestDock::kCreateCommand, UINT(ID_DIAGRAM_STATE)}) {
        EXPECT_FALSE(w.router.IsEnabled(id)) << id;
        EXPECT_FALSE(Run(w, id)) << id;
    }
    const size_t undo = Undos(w), count = w.diagram.GetElementCount();
    w.Key(WM_KEYDOWN, VK_DELETE);
    EXPECT_FALSE(a->IsDeleted());
    EXPECT_EQ(Undos(w), undo);
    EXPECT_EQ(w.diagram.GetElementCount(), count);
    // Saved under another name the document may change again.
    w.readOnly = false;
    w.Task().Refresh();
    EXPECT_TRUE(w.router.IsEnabled(View::kCmdDelete));
    EXPECT_TRUE(w.router.IsEnabled(TestDock::kCreateCommand));
    EXPECT_TRUE(w.router.IsEnabled(UINT(ID_DIAGRAM_STATE)));
}

TEST_F(CopyPaste, WhileASubTaskRunsNoCommandActs)
{
    ViewWindow w(nullptr, &clipboard, &formats);
    auto a = w.AddBox({0, 4000, 2000, 2000});
    a->SelectInView(*w.view, true);
    w.Task().StartSubTask(std::make_shared<ProbeTask>(w.view->GetContext(), w.Task(), "ProbeTask"));
    EXPECT_FALSE(w.router.IsEnabled(View::kCmdDelete));
    w.Key(WM_KEYDOWN, VK_DELETE);
    EXPECT_FALSE(a->IsDeleted());
}

TEST_F(CopyPaste, ClipboardTextNamesTheSelectedNamedElementsOnly)
{
    ViewWindow w(nullptr, &clipboard, &formats);
    auto named = w.AddNamedBox({0, 4000, 2000, 2000});
    auto plain = w.AddBox({4000, 4000, 6000, 2000});
    Application::DataProvider text;
    const std::wstring name = L"Renamed";
    text.AddFormat(new Application::BytesFormatProvider(
        CF_UNICODETEXT, std::vector<BYTE>(reinterpret_cast<const BYTE*>(name.c_str()),
                                          reinterpret_cast<const BYTE*>(name.c_str() + name.size() + 1))));
    clipboard.SetData(text);
    plain->SelectInView(*w.view, true);
    w.Pump();
    w.Task().GetCopyPaste()->UpdateClipboardState();
    w.Task().UpdateCommands();
    EXPECT_FALSE(w.router.IsEnabled(View::kCmdPaste)) << "nothing named is selected";
    named->SelectInView(*w.view, true);
    EXPECT_TRUE(w.router.IsEnabled(View::kCmdPaste));
    const size_t undo = Undos(w);
    ASSERT_TRUE(Run(w, View::kCmdPaste));
    EXPECT_EQ(named->GetName(), name);
    EXPECT_EQ(Undos(w), undo + 1);
}

TEST_F(CopyPaste, MalformedClipboardContentShowsTheThreeLineWarningAndLeavesTheUndoListAlone)
{
    ViewWindow w(nullptr, &clipboard, &formats);
    auto a = w.AddBox({0, 4000, 2000, 2000});
    a->SelectInView(*w.view, true);
    CopyTo(w, w);
    std::vector<std::wstring> boxes;
    View::DefaultTaskCopyPaste::SetMessageSink([&](const std::wstring& caption, const std::wstring& text) {
        boxes.push_back(caption + L"|" + text);
    });
    formats.malformed = true;
    const size_t undo = Undos(w), count = w.diagram.GetElementCount();
    const int generation = w.view->GetTaskGeneration();
    bool shown = false;
    try {
        Run(w, View::kCmdPaste);
    } catch (const zq::Exception& e) {
        shown = e.IsShown();
    }
    EXPECT_TRUE(shown);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Quorvel|Quorvel UML Editor cannot paste Clipboard contents.\n"
                        L"Content is malformed or corrupt.\n(unexpected end of data at line 3)");
    EXPECT_EQ(Undos(w), undo);
    EXPECT_EQ(w.diagram.GetElementCount(), count);
    EXPECT_FALSE(w.diagram.IsTransactionOpen());
    EXPECT_GT(w.view->GetTaskGeneration(), generation) << "the failed gesture's default task was replaced";
}

} // namespace
} // namespace ViewTest
