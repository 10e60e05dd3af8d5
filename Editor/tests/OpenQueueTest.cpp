// Opening what a command line names: which names count as readable documents, the report of the
// others, and the queue that opens a limited number one per message while the program answers.
#include "Editor/OpenQueue.h"
#include "Editor/tests/EditorWindows.h"
#include "app/LifeTime.h"
#include "app/winutil/ExceptionBox.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace EditorTest;

TEST(ReadableDocumentFile, OnlyTextFilesThatCanHoldAnXmlDocument) {
    TempFolder folder(L"QuorvelReadable");
    EXPECT_TRUE(Editor::IsReadableDocumentFile(folder.AddFile(L"empty.qvd")));
    EXPECT_TRUE(Editor::IsReadableDocumentFile(folder.AddFile(L"doc.qvd", "\xEF\xBB\xBF \r\n<?xml version='1.0'?><a/>")));
    EXPECT_FALSE(Editor::IsReadableDocumentFile(folder.AddFile(L"binary.qvd", std::string("<a\0b", 4))));
    EXPECT_FALSE(Editor::IsReadableDocumentFile(folder.AddFile(L"image.png", "\x89PNG\r\n\x1a\n")));
    EXPECT_FALSE(Editor::IsReadableDocumentFile(folder.AddFile(L"utf16.qvd", std::string("\xFF\xFE<\0a\0", 6))));
    EXPECT_FALSE(Editor::IsReadableDocumentFile(folder.AddFolder(L"sub")));
    EXPECT_FALSE(Editor::IsReadableDocumentFile(folder.Path() + L"\\missing.qvd"));
    EXPECT_FALSE(Editor::IsReadableDocumentFile(L"\\\\.\\CON"));
    EXPECT_FALSE(Editor::IsReadableDocumentFile(L"\\\\.\\pipe\\quorvel-none"));
    EXPECT_FALSE(Editor::IsReadableDocumentFile(L""));
}

TEST(OpenReport, ListsTheFirstNamesAndCountsTheRest) {
    std::vector<std::wstring> unreadable, over;
    for (int i = 0; i < 25; ++i) unreadable.push_back(L"bad" + std::to_wstring(i));
    over.push_back(L"late");
    std::wstring text = Editor::FormatOpenReport(unreadable, over, 64);
    EXPECT_NE(text.find(L"\nbad0\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\nbad19\n"), std::wstring::npos);
    EXPECT_EQ(text.find(L"bad20"), std::wstring::npos);
    EXPECT_NE(text.find(L"(and 5 more)"), std::wstring::npos);
    EXPECT_NE(text.find(L"At most 64 documents"), std::wstring::npos);
    EXPECT_LT(text.find(L"bad0"), text.find(L"late"));
    EXPECT_EQ(Editor::FormatOpenReport({}, {L"x"}, 64).find(L"cannot open"), std::wstring::npos);
}

// Runs the thread's messages until the queue is idle (its work arrives as posted messages).
void RunUntilIdle(const Editor::OpenQueue& queue) {
    MSG msg;
    while (queue.IsBusy() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

TEST(OpenQueue, OpensAtMostTheLimitInOrderOnePerMessageAndReportsTheRestOnce) {
    TempFolder folder(L"QuorvelQueue");
    std::vector<std::wstring> names{folder.Path() + L"\\missing.qvd", folder.AddFolder(L"dir")};
    std::vector<std::wstring> readable;
    for (int i = 0; i < 70; ++i) readable.push_back(folder.AddFile(L"d" + std::to_wstring(i) + L".qvd"));
    names.insert(names.end(), readable.begin(), readable.end());

    auto root = Application::LifeTimeSupervisor::CreateRoot();
    root->Lock();  // stands for an open window: the tree must not end meanwhile
    std::vector<std::wstring> opened, reports, errors;
    auto previous = WinUtil::ExceptionBox::SetSink([&](const std::wstring&, const std::wstring& text) { errors.push_back(text); });
    Editor::OpenQueue queue(*root, [&](const std::wstring& path) {
        opened.push_back(path);
        if (opened.size() == 2 && errors.empty()) throw std::runtime_error("this document fails");  // the rest go on
    }, [&](const std::wstring& text) { reports.push_back(text); });

    queue.Add(names);
    EXPECT_TRUE(opened.empty()) << "nothing opens inside the call that hands the names over";
    EXPECT_TRUE(queue.IsBusy());
    EXPECT_EQ(root->GetActiveCount(), 2) << "queued work keeps the program";
    RunUntilIdle(queue);

    ASSERT_EQ(opened.size(), Editor::OpenQueue::kMaxDocumentsPerRequest);
    EXPECT_EQ(opened.front(), readable[0]);
    EXPECT_EQ(opened.back(), readable[63]);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(names[0]), std::wstring::npos);
    EXPECT_NE(reports[0].find(names[1]), std::wstring::npos);
    EXPECT_NE(reports[0].find(readable[64]), std::wstring::npos);
    EXPECT_NE(reports[0].find(readable[69]), std::wstring::npos);
    EXPECT_EQ(reports[0].find(readable[63]), std::wstring::npos);
    EXPECT_EQ(root->GetActiveCount(), 1) << "the queue lets go when done";
    EXPECT_EQ(errors.size(), 1u) << "the failing document is reported by the guard";
    WinUtil::ExceptionBox::SetSink(previous);

    // A request where everything opens reports nothing; an empty one queues nothing.
    queue.Add({readable[0]});
    RunUntilIdle(queue);
    EXPECT_EQ(reports.size(), 1u);
    queue.Add({});
    EXPECT_FALSE(queue.IsBusy());

    // One name that cannot be read is left to the opener, in its place, and the queue says nothing.
    opened.clear();
    queue.Add({readable[1], names[0], readable[2]});
    RunUntilIdle(queue);
    EXPECT_EQ(opened, (std::vector<std::wstring>{readable[1], names[0], readable[2]}));
    EXPECT_EQ(reports.size(), 1u);
    root->Unlock();
}

} // namespace
