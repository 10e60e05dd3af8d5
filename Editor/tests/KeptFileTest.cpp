// A save over an existing file keeps the file the user has, checked from outside the started editor
// with the host's own view of the files: Ctrl+S typed on the keyboard, Save As through the dialog
// and a PNG export onto an existing file keep its access mode and its other names (each name shows
// what was saved), and a file marked read-only, also after the document was opened, is refused with
// a box that names it, and stays as it was.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/StorageSupport.h"
#include "core/foundation/UTF8.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace EditorTest;

const char kEmptyDiagram[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<Diagram xmlns=\"http://quorvel.example/schema/1.0\"/>\n";

// The access mode and link count of the file as the host tells them ("600 1"), after the mode is
// set when one is given.
std::string ModeAndLinks(const std::wstring& path, const std::string& mode = {}) {
    const std::string name = "'" + UnixName(path) + "'";
    const std::string set = mode.empty() ? "" : "chmod " + mode + " " + name + " && ";
    std::string told = HostOutput(set + "stat -c '%a %h' " + name);
    while (!told.empty() && told.back() == '\n') told.pop_back();
    return told;
}

// The text of the box the editor shows, once one shows that is not the given window.
std::wstring BoxText(DWORD pid, HWND besides, HWND& box) {
    WaitFor([&] { return (box = FindMessageBox(pid)) != nullptr && box != besides; });
    return box ? TextOf(GetDlgItem(box, 0xFFFF)) : L"";
}

void Post(HWND window, UINT id) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

enum class Via { CtrlS, SaveAs, Png };

struct Case {
    const char* what;
    Via via;
    const char* mode;        // of the file written over
    bool readOnlyOnceOpen;   // mode 444 once the editor holds the document
    bool secondName;         // a hard link to the file written over
    const char* modeAfter;
    bool refused;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.what; }

const Case kCases[] = {
    {"private, Ctrl+S", Via::CtrlS, "600", false, false, "600", false},
    {"group-writable, Ctrl+S", Via::CtrlS, "664", false, false, "664", false},
    {"read-only once opened, Ctrl+S", Via::CtrlS, "644", true, false, "444", true},
    {"a second name, Ctrl+S", Via::CtrlS, "640", false, true, "640", false},
    {"Save As onto a private file", Via::SaveAs, "600", false, false, "600", false},
    {"Save As onto a read-only file", Via::SaveAs, "444", false, false, "444", true},
    {"PNG onto a private file with a second name", Via::Png, "600", false, true, "600", false},
};

class KeptFile : public ::testing::TestWithParam<Case> {
protected:
    // Opens Save As from the File menu with the keyboard and names the target in the dialog;
    // answers Yes to the question whether to replace it.
    void SaveAsThroughTheDialog(const std::wstring& target) {
        PacedChord(VK_MENU, 'F');
        ASSERT_TRUE(WaitFor([&] { return FindShownMenu(editor_.Id()) != nullptr; })) << "no File menu";
        Key('A', false);
        Key('A', true);
        HWND dialog = nullptr, field = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (dialog = FindMessageBox(editor_.Id())) && (field = FileNameField(dialog)); }))
            << "no Save As dialog";
        SetWindowTextW(field, target.c_str());
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
        HWND question = nullptr;
        const std::wstring asked = BoxText(editor_.Id(), dialog, question);
        ASSERT_NE(asked.find(L"already exists"), std::wstring::npos) << zq::ToUTF8(asked);
        Post(question, IDYES);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(question) && !IsWindow(dialog); })) << "the dialog stays";
    }

    // Gives the file written over its mode back, so that the folder can be removed.
    ~KeptFile() override {
        if (!target_.empty()) ModeAndLinks(target_, "644");
    }

    TempFolder folder_{L"QuorvelKeptFile"};
    std::wstring target_;
    Process editor_;
};

TEST_P(KeptFile, ASaveKeepsTheFilesModeAndNamesOrRefusesAReadOnlyFile) {
    const Case& c = GetParam();
    const std::wstring doc = folder_.AddFile(L"doc.qvd", kEmptyDiagram);
    const std::wstring target = c.via == Via::CtrlS ? doc
                                : folder_.AddFile(c.via == Via::Png ? L"target.png" : L"target.qvd", "old");
    target_ = target;
    const std::string old = Bytes(target);
    const std::wstring second = folder_.AddFile(L"second");
    DeleteFileW(second.c_str());
    if (c.secondName) { ASSERT_TRUE(CreateHardLinkW(second.c_str(), target.c_str(), nullptr)); }
    const std::string links = c.secondName ? " 2" : " 1";
    ASSERT_EQ(ModeAndLinks(target, c.mode), c.mode + links);

    ASSERT_TRUE(editor_.Start(L"\"" + EditorPath() + L"\" doc.qvd", folder_.Path()));
    HWND w = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (w = WindowOfPath(editor_.Id(), doc)) != nullptr; }));
    PostMessageW(w, WM_COMMAND, MAKEWPARAM(ID_DIAGRAM_OBJECT, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return Modified(w); }));
    if (c.readOnlyOnceOpen) { ASSERT_EQ(ModeAndLinks(target, "444"), "444" + links); }
    ASSERT_TRUE(BringToFront(w));
    if (c.via == Via::CtrlS) PacedChord(VK_CONTROL, 'S');
    else ASSERT_NO_FATAL_FAILURE(SaveAsThroughTheDialog(target));

    HWND box = nullptr;
    if (c.refused) {
        const std::wstring text = BoxText(editor_.Id(), nullptr, box);
        EXPECT_NE(text.find(target + L" is marked read-only. The file was left as it was."), std::wstring::npos)
            << zq::ToUTF8(text);
        Post(box, IDOK);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
        EXPECT_TRUE(Modified(w));
        EXPECT_EQ(Bytes(target), old);
    } else {
        const std::string signature = c.via == Via::Png ? "\x89PNG" : "<?xml";
        ASSERT_TRUE(WaitFor([&] {
            return (box = FindMessageBox(editor_.Id())) != nullptr ||
                   (Bytes(target).rfind(signature, 0) == 0 && (c.via == Via::Png || !Modified(w)));
        }));
        ASSERT_EQ(box, nullptr) << zq::ToUTF8(TextOf(GetDlgItem(box, 0xFFFF)));
        EXPECT_NE(Bytes(target), old);
    }
    EXPECT_EQ(ModeAndLinks(target), c.modeAfter + links);
    if (c.secondName) {
        EXPECT_EQ(Bytes(second), Bytes(target));
    }
    std::vector<std::wstring> names{L"doc.qvd"};
    if (c.secondName) names.push_back(L"second");
    if (target != doc) names.push_back(target.substr(target.find_last_of(L'\\') + 1));
    EXPECT_EQ(FilesIn(folder_.Path()), names);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeptFile, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return "Case" + std::to_string(info.index); });

} // namespace
