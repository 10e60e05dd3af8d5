// Reading the editor's command lines: tokens, switches and document paths.
#include "Editor/CommandLine.h"
#include "app/winutil/Platform.h"

#include <shlobj.h>

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

namespace {

TEST(CommandLineRequest, PrintSwitchesAreExactlyLowerCasePAndPt) {
    OpenRequest p = ParseCommandLine(kDir, L"q.exe -p \"my plan.qvd\" ignored.qvd");
    ASSERT_TRUE(p.print.has_value());
    EXPECT_EQ(p.print->path, kDir + L"\\my plan.qvd");
    EXPECT_TRUE(p.print->printer.empty());
    EXPECT_FALSE(p.newDocument);
    EXPECT_TRUE(p.paths.empty());

    OpenRequest pt = ParseCommandLine(kDir, L"q.exe /pt a.qvd \"Office Laser\" winspool \"FILE:\"");
    ASSERT_TRUE(pt.print.has_value());
    EXPECT_EQ(pt.print->path, kDir + L"\\a.qvd");
    EXPECT_EQ(pt.print->printer, L"Office Laser");
    EXPECT_EQ(pt.print->driver, L"winspool");
    EXPECT_EQ(pt.print->port, L"FILE:");

    OpenRequest emptyPrinter = ParseCommandLine(kDir, L"q.exe -pt a.qvd \"\" d p");
    ASSERT_TRUE(emptyPrinter.print.has_value());
    EXPECT_TRUE(emptyPrinter.print->printer.empty());

    for (const wchar_t* line : {L"q.exe -PT a.qvd x y z", L"q.exe /Pt a.qvd", L"q.exe -px a.qvd"}) {
        OpenRequest r = ParseCommandLine(kDir, line);
        EXPECT_FALSE(r.print.has_value()) << line;
        EXPECT_TRUE(r.newDocument) << line;
        EXPECT_TRUE(r.paths.empty()) << line;
    }
}

TEST(DocumentPath, AShortcutOpensTheFileItPointsTo) {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"QuorvelLinkDir" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring target = dir + L"\\target.qvd";
    HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);

    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) hr = link->SetPath(target.c_str());
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) hr = file->Save((dir + L"\\shortcut.lnk").c_str(), TRUE);
    if (file) file->Release();
    if (link) link->Release();
    ASSERT_HRESULT_SUCCEEDED(hr);

    std::wstring resolved = ResolveDocumentPath(dir, L"shortcut.lnk");
    std::wstring printed = ParseCommandLine(dir, L"q.exe -p shortcut.lnk").print->path;
    DeleteFileW((dir + L"\\shortcut.lnk").c_str());
    DeleteFileW(target.c_str());
    RemoveDirectoryW(dir.c_str());
    CoUninitialize();

    EXPECT_EQ(CompareStringOrdinal(resolved.c_str(), -1, target.c_str(), -1, TRUE), CSTR_EQUAL) << resolved;
    EXPECT_EQ(CompareStringOrdinal(printed.c_str(), -1, target.c_str(), -1, TRUE), CSTR_EQUAL) << printed;
}

} // namespace
