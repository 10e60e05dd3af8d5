// The document factory in-process: untitled names, files opened once whatever the letter case, the
// texts of open failures, and closing a modified document with the save question answered.
#include "Editor/DiagramFactory.h"
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/FactoryFixture.h"

#include <gtest/gtest.h>

namespace {

using namespace EditorTest;
using EditorTest::FactoryFixture;
using Editor::MakeUntitledName;

TEST(UntitledName, TheFirstNumberThatNoOpenNameBlocks) {
    EXPECT_EQ(MakeUntitledName({}), L"Diagram1.qvd");
    EXPECT_EQ(MakeUntitledName({L"Diagram1.qvd", L"C:\\plans\\DIAGRAM2.QVD"}), L"Diagram3.qvd");
    EXPECT_EQ(MakeUntitledName({L"", L"C:\\Diagram10.qvd"}), L"Diagram1.qvd");
    // A name that is the end of a candidate blocks it when it reaches into the text before the number.
    EXPECT_EQ(MakeUntitledName({L"am1.qvd"}), L"Diagram2.qvd");
    EXPECT_EQ(MakeUntitledName({L"qvd", L"1.qvd", L".qvd"}), L"Diagram1.qvd");
    std::vector<std::wstring> many;
    for (int n = 1; n <= 300; ++n) many.push_back(L"Diagram" + std::to_wstring(n) + L".qvd");
    EXPECT_EQ(MakeUntitledName(many), L"Diagram301.qvd");
}

TEST(OpenErrorText, MalformedContentInvalidFormatAndSystemErrors) {
    const std::wstring path = L"C:\\d\\x.qvd";
    EXPECT_EQ(Editor::OpenErrorText(path, Core::Exceptions::Base("line 3: bad")),
              L"Quorvel UML Editor cannot open C:\\d\\x.qvd.\nContent is malformed or corrupt.\n(line 3: bad)");
    EXPECT_EQ(Editor::OpenErrorText(path, WinUtil::ComException(static_cast<long>(0x80030002))),
              L"Quorvel UML Editor cannot open C:\\d\\x.qvd.\nInvalid file format.\n(HRESULT=0x80030002)");
    std::wstring missing = Editor::OpenErrorText(path, WinUtil::ComException(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(missing.rfind(L"Quorvel UML Editor cannot open C:\\d\\x.qvd.\nHRESULT=", 0), 0u) << missing;
}

TEST_F(FactoryFixture, NewDiagramsAreUntitledAndNumbered) {
    Editor::Diagram* first = factory->NewDiagram(SW_HIDE);
    Editor::Diagram* second = factory->NewDiagram(SW_HIDE);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->GetName(), L"Diagram1.qvd");
    EXPECT_EQ(second->GetName(), L"Diagram2.qvd");
    EXPECT_TRUE(first->IsUntitled());
    EXPECT_FALSE(first->GetStorage().IsDirty());
    EXPECT_EQ(first->GetWindowCount(), 1);
    EXPECT_EQ(factory->FindOpen(L"Diagram1.qvd"), nullptr) << "untitled documents are never found by name";
}

TEST_F(FactoryFixture, AFileOpensOnceWhateverTheLetterCase) {
    const std::wstring path = folder.AddFile(L"Plan.qvd");
    Editor::Diagram* doc = factory->Open(path, false, SW_HIDE);
    ASSERT_NE(doc, nullptr);
    EXPECT_FALSE(doc->IsUntitled());
    std::wstring upper = path;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    EXPECT_EQ(factory->Open(upper, false, SW_HIDE), doc);
    EXPECT_EQ(factory->GetDocumentCount(), 1);
    EXPECT_EQ(factory->FindOpen(upper), doc);
    EXPECT_TRUE(reports.empty());
}

TEST_F(FactoryFixture, FilesThatCannotOpenAreReportedAndMakeNoDocument) {
    const std::wstring missing = folder.Path() + L"\\missing.qvd";
    const std::wstring garbage = folder.AddFile(L"garbage.qvd", "<not a diagram");
    EXPECT_EQ(factory->Open(missing), nullptr);
    EXPECT_EQ(factory->Open(garbage), nullptr);
    EXPECT_EQ(factory->Open(folder.Path()), nullptr);
    EXPECT_EQ(factory->GetDocumentCount(), 0);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].rfind(L"Quorvel UML Editor cannot open " + missing + L".\n", 0), 0u) << reports[0];
    EXPECT_NE(reports[1].find(L"\nContent is malformed or corrupt.\n("), std::wstring::npos) << reports[1];
    EXPECT_EQ(reports[2].rfind(L"Quorvel UML Editor cannot open " + folder.Path() + L".\n", 0), 0u) << reports[2];
}

TEST_F(FactoryFixture, ClosingAModifiedDocumentAsksAndCancelKeepsIt) {
    const std::wstring path = folder.AddFile(L"asked.qvd");
    Editor::Diagram* doc = factory->Open(path, false, SW_HIDE);
    ASSERT_NE(doc, nullptr);
    std::vector<std::wstring> asked;
    Editor::Diagram::SaveAnswer answer = Editor::Diagram::SaveAnswer::Cancel;
    Editor::Diagram::SetSaveQuestion([&](const std::wstring& name) {
        asked.push_back(name);
        return answer;
    });
    EXPECT_TRUE(doc->QueryClose()) << "an unmodified document closes without a question";
    EXPECT_TRUE(asked.empty());

    Modify(*doc);
    EXPECT_FALSE(doc->Close());
    EXPECT_EQ(asked, std::vector<std::wstring>{path});
    EXPECT_TRUE(IsOpen(doc));
    EXPECT_FALSE(doc->GetNode().IsEnded());

    answer = Editor::Diagram::SaveAnswer::Yes;
    EXPECT_TRUE(doc->Close());
    EXPECT_TRUE(doc->GetNode().IsEnded());
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 0u) << "Yes saves before closing";
}

TEST_F(FactoryFixture, ClosingTheLastWindowOfAModifiedDocumentAsksToo) {
    Editor::Diagram* doc = factory->Open(folder.AddFile(L"window.qvd"), false, SW_HIDE);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->GetWindowCount(), 1);
    HWND window = doc->GetWindow(0)->GetHwnd();
    Modify(*doc);
    int asked = 0;
    Editor::Diagram::SaveAnswer answer = Editor::Diagram::SaveAnswer::Cancel;
    Editor::Diagram::SetSaveQuestion([&](const std::wstring&) {
        ++asked;
        return answer;
    });
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(doc->GetNode().IsEnded());
    answer = Editor::Diagram::SaveAnswer::No;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(doc->GetNode().IsEnded());
}

TEST_F(FactoryFixture, AnsweringNoClosesWithoutSaving) {
    const std::wstring path = folder.AddFile(L"kept.qvd");
    Editor::Diagram* doc = factory->Open(path, false, SW_HIDE);
    ASSERT_NE(doc, nullptr);
    Modify(*doc);
    Editor::Diagram::SetSaveQuestion([](const std::wstring&) { return Editor::Diagram::SaveAnswer::No; });
    EXPECT_TRUE(doc->Close());
    EXPECT_TRUE(doc->GetNode().IsEnded());
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 0u);
}

} // namespace

namespace {

TEST_F(FactoryFixture, PrintSwitchesPrintAnOpenDocumentAndCloseOneOpenedForIt) {
    const std::wstring open = folder.AddFile(L"open.qvd");
    const std::wstring closed = folder.AddFile(L"closed.qvd");
    std::vector<std::pair<std::wstring, std::wstring>> printed;  // document, printer
    factory->SetPrinter([&](Editor::Diagram& doc, const Editor::PrintRequest& request) {
        printed.emplace_back(doc.GetName(), request.printer);
    });
    Editor::Diagram* kept = factory->Open(open, false, SW_HIDE);
    ASSERT_NE(kept, nullptr);

    factory->Receive(folder.Path(), L"q.exe -p open.qvd");
    factory->Receive(folder.Path(), L"q.exe -pt closed.qvd \"Office Laser\" drv port");
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(printed[0], std::make_pair(open, std::wstring()));
    EXPECT_EQ(printed[1], std::make_pair(closed, std::wstring(L"Office Laser")));
    EXPECT_FALSE(kept->GetNode().IsEnded()) << "a document that was open stays open";
    int live = 0;
    factory->ForEachDocument([&](Application::IDocument& d) {
        live += d.GetNode().IsEnded() ? 0 : 1;
        return true;
    });
    EXPECT_EQ(live, 1) << "the document opened for printing is closed again";

    factory->Receive(folder.Path(), L"q.exe -p missing.qvd");
    EXPECT_EQ(printed.size(), 2u);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(L"missing.qvd"), std::wstring::npos);
}

} // namespace
