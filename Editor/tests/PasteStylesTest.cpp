// Elements pasted or dropped into a document take that document's style: a class dragged in from
// another document, or pasted from the clipboard, uses the target's fonts and brings the
// directories of its kind, and the document never holds two styles. Each is one undo step.
#include "Editor/Diagram.h"
#include "Editor/DocumentWindow.h"
#include "Editor/tests/FactoryFixture.h"
#include "app/DragData.h"
#include "core/CopyExtend.h"
#include "core/TransferSet.h"
#include "elements/class/Class.h"
#include "style/Model.h"
#include "style/Names.h"
#include "text/win/UniscribeSetup.h"
#include "view/CopyPaste.h"

namespace {

using EditorTest::FactoryFixture;

struct PasteStyles : FactoryFixture {
    PasteStyles() { TextBlock::InstallUniscribeMeasurer(); }
    static Editor::WindowImp& WindowOf(Editor::Diagram& d) { return dynamic_cast<Editor::WindowImp&>(*d.GetWindow(0)); }
    static size_t Undos(Editor::Diagram& d) { return d.GetModel().GetUndoHandler().GetUndoCount(); }
    static size_t StyleCount(Editor::Diagram& d) {
        size_t n = 0;
        for (const auto& e : d.GetModel().Elements()) n += dynamic_cast<Style::Style*>(e.get()) != nullptr && !e->IsDeleted();
        return n;
    }
    static std::vector<Class::Class*> Classes(Editor::Diagram& d) {
        std::vector<Class::Class*> out;
        for (const auto& e : d.GetModel().Elements())
            if (auto* c = dynamic_cast<Class::Class*>(e.get()); c && !c->IsDeleted()) out.push_back(c);
        return out;
    }
    // A document holding one class, its header font 20 points (the target's stays at its preset).
    Editor::Diagram& Source() {
        Editor::Diagram& d = *factory->NewDiagram(SW_HIDE);
        Core::Transaction t(d.GetModel());
        Core::Env env(t);
        Class::Class::Create(env, {0, 4000});
        Style::Style& style = Style::Style::FindOrCreate(env);
        style.GetRoot()->GetFont()->SetSize(env, {false, 20});
        d.GetModel().GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
        return d;
    }
    // The selection of a document as the set a copy or drag makes of it, with the document's style
    // or, as an older program's copy, without it.
    static std::shared_ptr<Core::TransferSet> Copy(Editor::Diagram& d, bool withStyle) {
        Core::ModelElementSet selection;
        for (Class::Class* c : Classes(d)) selection.Insert(c->shared_from_this());
        auto set = std::make_shared<Core::TransferSet>(d.GetModel().GetFactoryRegistry());
        Core::CopyExtendSelection::Build(selection, d.GetModel()).ForEach([&](Core::IModelElement& e) { set->Insert(e); });
        if (withStyle)
            Core::CopyExtendSelection::Companions(d.GetModel()).ForEach([&](Core::IModelElement& e) { set->Insert(e); });
        return set;
    }
    // Pumps the thread's messages until the condition holds (two seconds at most).
    template <class F>
    static bool PumpUntil(F condition) {
        const DWORD deadline = GetTickCount() + 2000;
        while (!condition()) {
            if (GetTickCount() > deadline) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        return true;
    }
    // The pasted class uses the target's own style, with the fonts of the target.
    static void ExpectTheTargetsStyle(Editor::Diagram& target) {
        EXPECT_EQ(StyleCount(target), 1u);
        const auto classes = Classes(target);
        ASSERT_EQ(classes.size(), 1u);
        Style::Style* style = Style::Style::Find(target.GetModel());
        ASSERT_NE(style, nullptr);
        EXPECT_EQ(classes[0]->GetStyle(), style);
        EXPECT_NE(style->GetRoot()->Find(Style::Names::ClassHeader()), nullptr) << "the class brings its directories";
        TextBlock::TextStyle text;
        classes[0]->GetTextStyle(text, classes[0]->GetText());
        TextBlock::TextStyle expected;
        style->GetFont(Style::Names::ClassHeader(), expected);
        EXPECT_EQ(text.size, expected.size);
        EXPECT_EQ(text.face, expected.face);
    }
};

TEST_F(PasteStyles, AClassDroppedFromAnotherDocumentTakesTheTargetsStyleInOneUndoStep) {
    for (bool withStyle : {true, false}) {
        SCOPED_TRACE(withStyle ? "with its style" : "without a style");
        Editor::Diagram& source = Source();
        Editor::Diagram& target = *factory->NewDiagram(SW_HIDE);
        const size_t undos = Undos(target), styles = StyleCount(target);

        auto set = Copy(source, withStyle);
        Application::DragData drag(set, {}, {});
        IDataObject* data = drag.GetDataObject();
        Editor::ClientView& pane = *WindowOf(target).GetFirstView();
        IDropTarget* drop = pane.GetDropTarget();
        ASSERT_NE(drop, nullptr);
        const zq::float8Point at = pane.GetCanvas().LogicalToClient({3000, 3000});
        POINT screen{LONG(at.x), LONG(at.y)};
        ClientToScreen(pane.GetHwnd(), &screen);
        const POINTL point{screen.x, screen.y};
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_EQ(drop->DragEnter(data, MK_LBUTTON, point, &effect), S_OK);
        EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_EQ(drop->Drop(data, 0, point, &effect), S_OK);
        data->Release();
        EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));

        ExpectTheTargetsStyle(target);
        EXPECT_EQ(Undos(target), undos + 1);
        target.GetModel().GetUndoHandler().Undo(nullptr, nullptr);
        EXPECT_TRUE(Classes(target).empty());
        EXPECT_EQ(StyleCount(target), styles);
    }
}

// Runs the command (copy or paste) in the document's active view, once the command is enabled.
void RunInView(Editor::Diagram& d, UINT command) {
    Application::IWinCommander& commands = PasteStyles::WindowOf(d).GetCommander();
    PasteStyles::WindowOf(d).GetActiveDiagramView().SetActive(true);
    ASSERT_TRUE(PasteStyles::PumpUntil([&] { return commands.IsEnabled(command); }));
    ASSERT_TRUE(commands.Execute({command, 0, nullptr}));
}

// Copies the document's first class with the Copy command.
void CopyFirstClass(Editor::Diagram& d) {
    PasteStyles::Classes(d)[0]->SelectInView(PasteStyles::WindowOf(d).GetActiveDiagramView(), true);
    RunInView(d, View::kCmdCopy);
}

TEST_F(PasteStyles, AClassPastedFromTheClipboardTakesTheTargetsStyleInOneUndoStep) {
    Editor::Diagram& source = Source();
    Editor::Diagram& target = *factory->NewDiagram(SW_HIDE);
    ASSERT_NO_FATAL_FAILURE(CopyFirstClass(source));
    WindowOf(source).GetActiveDiagramView().SetActive(false);
    const size_t undos = Undos(target);
    ASSERT_NO_FATAL_FAILURE(RunInView(target, View::kCmdPaste));
    ExpectTheTargetsStyle(target);
    EXPECT_EQ(Undos(target), undos + 1);
}

TEST_F(PasteStyles, AClassPastedIntoItsOwnDocumentLeavesItsStyleAsItWas) {
    Editor::Diagram& d = Source();
    auto tree = [&] {
        size_t n = 0;
        for (const auto& e : d.GetModel().Elements())
            n += !e->IsDeleted() && (dynamic_cast<Style::Directory*>(e.get()) || dynamic_cast<Style::Font*>(e.get()) ||
                                     dynamic_cast<Style::ElementStyle*>(e.get()));
        return n;
    };
    const size_t before = tree();
    ASSERT_NO_FATAL_FAILURE(CopyFirstClass(d));
    ASSERT_NO_FATAL_FAILURE(RunInView(d, View::kCmdPaste));
    ASSERT_EQ(Classes(d).size(), 2u);
    EXPECT_EQ(StyleCount(d), 1u);
    EXPECT_EQ(tree(), before) << "the pasted copy of the style is gone and added nothing";
    for (Class::Class* c : Classes(d)) EXPECT_EQ(c->GetStyle(), Style::Style::Find(d.GetModel()));
}

} // namespace
