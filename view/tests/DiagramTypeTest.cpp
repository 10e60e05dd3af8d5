// The diagram type: its table, the stored element and its reading errors, and the radio commands
// that switch it in every view of a document, undone and redone.
#include "view/tests/TestBoxes.h"

#include "resources/resource.h"

#include <sstream>

namespace ViewTest {
namespace {

using View::DiagramType;
using View::DiagramTypeValue;

std::string Doc(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
           "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n" +
           body + "</Diagram>\n";
}

int Checked(Application::IWinCommander& router)
{
    int checked = 0;
    for (int v = 1; v <= 5; ++v) {
        const int state = router.GetCheckState(DiagramTypeValue::GetCommandId(v));
        if (state == Application::RadioChecked) checked = checked ? -1 : v;
        else if (state != Application::Unchecked) return -2;
    }
    return checked;
}

TEST(DiagramTypeValues, CommandsMenusAndNamesOfTheFiveKinds)
{
    EXPECT_EQ(DiagramTypeValue::GetCommandId(1), 40053u);
    EXPECT_EQ(DiagramTypeValue::GetCommandId(5), 40057u);
    EXPECT_EQ(DiagramTypeValue::GetMenuId(1), 105u);
    EXPECT_EQ(DiagramTypeValue::GetMenuId(4), 108u);
    EXPECT_EQ(DiagramTypeValue::GetName(3), 199u);
    EXPECT_EQ(DiagramTypeValue::GetName(5), 201u);
    for (int bad : {0, 6, -1}) {
        EXPECT_THROW(DiagramTypeValue::GetCommandId(bad), View::InvalidDiagramTypeValue);
        EXPECT_THROW(DiagramTypeValue::GetMenuId(bad), View::InvalidDiagramTypeValue);
        EXPECT_THROW(DiagramTypeValue::GetName(bad), View::InvalidDiagramTypeValue);
    }
    try {
        DiagramTypeValue::GetMenuId(7);
    } catch (const View::InvalidDiagramTypeValue& e) {
        EXPECT_NE(std::string(e.what()).find("View::DiagramTypeValue::InvalidDiagramTypeValue"), std::string::npos);
    }
    // Every background menu exists in the resources.
    for (int v = 1; v <= 5; ++v) {
        HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(DiagramTypeValue::GetMenuId(v)));
        ASSERT_NE(menu, nullptr) << v;
        EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu, 0)) >= 7, true) << v;
        DestroyMenu(menu);
    }
}

TEST(DiagramTypeElement, ADocumentWithoutOneIsAClassDiagramAndStoredValuesAreChecked)
{
    Core::Diagram diagram(Registry(), nullptr);
    diagram.LoadXML(Doc("<TestBox id=\"r1\" Pos=\"0 0\"/>\n"));
    EXPECT_EQ(DiagramType::GetTypeOf(diagram), 1);

    Core::Diagram stored(Registry(), nullptr);
    stored.LoadXML(Doc("<DiagramType id=\"r1\" TypeValue=\"4\"/>\n"));
    EXPECT_EQ(DiagramType::GetTypeOf(stored), 4);
    for (const char* bad : {"<DiagramType id=\"r1\" TypeValue=\"0\"/>\n", "<DiagramType id=\"r1\" TypeValue=\"6\"/>\n",
                            "<DiagramType id=\"r1\"/>\n"}) {
        Core::Diagram d(Registry(), nullptr);
        EXPECT_THROW(d.LoadXML(Doc(bad)), Core::Exceptions::Base) << bad;
        EXPECT_EQ(d.GetElementCount(), 0u);
    }
}

TEST(DiagramTypeElement, SettingCreatesTheElementOnceAndItIsWrittenButNotCopied)
{
    Core::Diagram diagram(Registry(), nullptr);
    for (int v : {3, 5}) {
        Core::Transaction t(diagram);
        Core::Env env(t);
        DiagramType::SetTypeOf(env, diagram, v);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    EXPECT_EQ(diagram.GetElementCount(), 1u);
    EXPECT_EQ(DiagramType::GetTypeOf(diagram), 5);
    EXPECT_FALSE(diagram.FindElement(L"DiagramType")->IsCopyable());
    std::ostringstream out;
    diagram.SaveXML(out);
    EXPECT_NE(out.str().find("<DiagramType"), std::string::npos);
    EXPECT_NE(out.str().find("TypeValue=\"5\""), std::string::npos);
    Core::Transaction t(diagram);
    Core::Env env(t);
    EXPECT_THROW(DiagramType::SetTypeOf(env, diagram, 9), View::InvalidDiagramTypeValue);
}

TEST(DiagramTypeCommands, SwitchingAndUndoingUpdateTheRadioMarkAndMenuInEveryView)
{
    ViewWindow first;
    ViewWindow second(&first.diagram);
    EXPECT_EQ(Checked(first.router), 1);
    EXPECT_EQ(Checked(second.router), 1);
    const size_t undoCount = first.diagram.GetUndoHandler().GetUndoCount();

    ASSERT_TRUE(first.router.Execute({ID_DIAGRAM_USECASE, 0, nullptr}));
    EXPECT_EQ(DiagramType::GetTypeOf(first.diagram), 3);
    EXPECT_EQ(first.diagram.GetUndoHandler().GetUndoCount(), undoCount + 1);
    EXPECT_EQ(Checked(first.router), 3);
    EXPECT_EQ(Checked(second.router), 3);
    EXPECT_GE(second.typeNotifications, 1);
    EXPECT_EQ(DiagramTypeValue::GetMenuId(DiagramType::GetTypeOf(second.diagram)), 107u);

    first.Undo();
    EXPECT_EQ(DiagramType::GetTypeOf(first.diagram), 1);
    EXPECT_EQ(Checked(first.router), 1);
    EXPECT_EQ(Checked(second.router), 1);
    second.Redo();
    EXPECT_EQ(Checked(first.router), 3);
    EXPECT_EQ(Checked(second.router), 3);
}

TEST(DiagramTypeCommands, OnlyAnActiveViewEnablesThem)
{
    ViewWindow w;
    EXPECT_TRUE(w.router.IsEnabled(ID_DIAGRAM_STATE));
    w.view->SetActive(false);
    EXPECT_FALSE(w.router.IsEnabled(ID_DIAGRAM_STATE));
    EXPECT_FALSE(w.router.Execute({ID_DIAGRAM_STATE, 0, nullptr}));
    EXPECT_EQ(DiagramType::GetTypeOf(w.diagram), 1);
    w.view->SetActive(true);
    EXPECT_TRUE(w.router.IsEnabled(ID_DIAGRAM_STATE));
}

} // namespace
} // namespace ViewTest
