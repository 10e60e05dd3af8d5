// Reading the editor's command lines: tokens, switches and document paths.
#include "Editor/CommandLine.h"
#include "app/winutil/Platform.h"

#include <gtest/gtest.h>

namespace {

using Editor::OpenRequest;
using Editor::ParseCommandLine;
using Editor::ResolveDocumentPath;
using Editor::SplitTokens;

const std::wstring kDir = L"C:\\work\\diagrams";

TEST(CommandLineTokens, QuotesKeepSpacesAndAnUnclosedQuoteRunsToTheEnd) {
    EXPECT_EQ(SplitTokens(L"  a \"b c\"\td"), (std::vector<std::wstring>{L"a", L"b c", L"d"}));
    EXPECT_EQ(SplitTokens(L"a \"rest of line"), (std::vector<std::wstring>{L"a", L"rest of line"}));
    EXPECT_EQ(SplitTokens(L"x\"y z"), (std::vector<std::wstring>{L"x\"y", L"z"}));
    EXPECT_EQ(SplitTokens(L"\"\" b"), (std::vector<std::wstring>{L"", L"b"}));
    EXPECT_TRUE(SplitTokens(L" \t ").empty());
}

TEST(CommandLineRequest, NamesBecomePathsInOrder) {
    OpenRequest r = ParseCommandLine(kDir, L"\"C:\\Program Files\\QuorvelUML.exe\" one.qvd \"two words.qvd\"");
    EXPECT_FALSE(r.newDocument);
    EXPECT_FALSE(r.serverOnly);
    EXPECT_EQ(r.paths, (std::vector<std::wstring>{kDir + L"\\one.qvd", kDir + L"\\two words.qvd"}));
    // The same words inside one pair of quotes name one document.
    EXPECT_EQ(ParseCommandLine(kDir, L"q.exe \"one.qvd two.qvd\"").paths.size(), 1u);
}

TEST(CommandLineRequest, EmptyLinesAndEmptyNamesAskForANewDocument) {
    for (const wchar_t* line : {L"", L"q.exe", L"q.exe    ", L"q.exe \"\""}) {
        OpenRequest r = ParseCommandLine(kDir, line);
        EXPECT_TRUE(r.newDocument) << line;
        EXPECT_TRUE(r.paths.empty()) << line;
    }
}

TEST(CommandLineRequest, EmbeddingSwitchIgnoresTheRestInAnyCase) {
    for (const wchar_t* line : {L"q.exe /EMBEDDING", L"q.exe -Embed", L"q.exe -embedding a.qvd b.qvd"}) {
        OpenRequest r = ParseCommandLine(kDir, line);
        EXPECT_TRUE(r.serverOnly) << line;
        EXPECT_FALSE(r.newDocument) << line;
        EXPECT_TRUE(r.paths.empty()) << line;
    }
}

TEST(CommandLineRequest, OtherSwitchesOpenANewDocumentAndNotTheNamedOne) {
    for (const wchar_t* line : {L"q.exe /x a.qvd", L"q.exe -P a.qvd", L"q.exe -embeddingx"}) {
        OpenRequest r = ParseCommandLine(kDir, line);
        EXPECT_TRUE(r.newDocument) << line;
        EXPECT_FALSE(r.serverOnly) << line;
        EXPECT_TRUE(r.paths.empty()) << line;
    }
}

TEST(DocumentPath, RelativeRootedAndQualifiedNames) {
    EXPECT_EQ(ResolveDocumentPath(kDir, L""), L"");
    EXPECT_EQ(ResolveDocumentPath(kDir, L"a.qvd"), kDir + L"\\a.qvd");
    EXPECT_EQ(ResolveDocumentPath(kDir + L"\\", L"a.qvd"), kDir + L"\\a.qvd");
    EXPECT_EQ(ResolveDocumentPath(kDir, L"..\\b\\.\\a.qvd"), L"C:\\work\\b\\a.qvd");
    EXPECT_EQ(ResolveDocumentPath(kDir, L"\\top.qvd"), L"C:\\top.qvd");
    EXPECT_EQ(ResolveDocumentPath(kDir, L"D:\\x\\y.qvd"), L"D:\\x\\y.qvd");
    EXPECT_EQ(ResolveDocumentPath(kDir, L"\\\\server\\share\\y.qvd"), L"\\\\server\\share\\y.qvd");
}

TEST(DocumentPath, ANameWithoutExtensionFindsTheDiagramFile) {
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    std::wstring dir = std::wstring(temp) + L"QuorvelPathTest" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    const std::wstring file = dir + L"\\plan.qvd";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);

    std::wstring found = ResolveDocumentPath(dir, L"plan");
    std::wstring missing = ResolveDocumentPath(dir, L"other");
    std::wstring otherExtension = ResolveDocumentPath(dir, L"plan.txt");
    DeleteFileW(file.c_str());
    RemoveDirectoryW(dir.c_str());

    EXPECT_EQ(found, file);
    EXPECT_EQ(missing, dir + L"\\other") << "a name not found is kept as typed";
    EXPECT_EQ(otherExtension, dir + L"\\plan.txt");
}

} // namespace
