// A package with a class or a note inside, copied and pasted near itself in the running editor with
// real clicks and keys (SendInput), saved to see where the paste landed: deleting the original
// package leaves the pasted package with its class, because what came with the pasted package
// belongs to it; deleting the pasted copy leaves the original's note, which the copy covers but
// never takes over.
#include "Editor/tests/EditorWindows.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

using namespace EditorTest;

// A Large package of 140 x 120 mm holding a class, written by hand in the stored form. The package
// is big enough that a paste in the middle of the window overlaps it and covers the pasted class.
const char kDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n"
    "<Style id=\"r1\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"/></Style>\n"
    "<Package id=\"r2\" Pos=\"500 -500\" Size=\"14000 12000\">\n"
    "<PackageRider id=\"r3\" Size=\"700 200\"><Text>P</Text></PackageRider>\n"
    "<Class id=\"r4\" Pos=\"4000 -4000\" Size=\"2000 1000\"><Text>C</Text></Class>\n"
    "</Package>\n</Diagram>\n";

// The same package holding a note instead of the class, in the middle of the package, where a copy
// pasted beside the package covers it.
const char kNoteDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n"
    "<Style id=\"r1\"><dir n=\"Base\" Typeface=\"arial\" Size=\"11\" Bold=\"0\"/></Style>\n"
    "<Package id=\"r2\" Pos=\"500 -500\" Size=\"14000 12000\">\n"
    "<PackageRider id=\"r3\" Size=\"700 200\"><Text>P</Text></PackageRider>\n"
    "<Note id=\"r4\" Pos=\"6000 -5000\" Size=\"2000 1000\"><Text>keep me</Text></Note>\n"
    "</Package>\n</Diagram>\n";
const RECT kPastedOverNote{6000, -5000, 8000, -6000};  // left, top, right, bottom (y up)
const RECT kNotePackage{500, -500, 14500, -12500};

void Send(INPUT* inputs, UINT count) { ASSERT_EQ(SendInput(count, inputs, sizeof(INPUT)), count); }

// A left click at the screen point.
void Click(POINT at) {
    INPUT in[3] = {};
    for (INPUT& i : in) i.type = INPUT_MOUSE;
    in[0].mi.dx = at.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in[0].mi.dy = at.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    Send(in, 3);
}

// A stroke of a key, with Ctrl held when asked. Named apart from the shared Key of RealInput.h:
// in a unity batch this file's helpers are visible to the files after it, where a Key of the same
// parameters would be called in place of that one without a word from the compiler.
void KeyStroke(WORD vk, bool ctrl = false) {
    INPUT in[4] = {};
    UINT n = 0;
    auto add = [&](WORD key, DWORD flags) {
        in[n].type = INPUT_KEYBOARD;
        in[n].ki.wVk = key;
        in[n++].ki.dwFlags = flags;
    };
    if (ctrl) add(VK_CONTROL, 0);
    add(vk, 0);
    add(vk, KEYEVENTF_KEYUP);
    if (ctrl) add(VK_CONTROL, KEYEVENTF_KEYUP);
    Send(in, n);
}

// Whether the clipboard holds anything.
bool ClipboardFilled() { return CountClipboardFormats() > 0; }

void EmptyTheClipboard() {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
}

// The position of the element (its start tag, "<Class ") that is not at the position the document
// was written with.
POINT PastedPos(const std::string& text, const std::string& tag, POINT written) {
    POINT p{};
    for (size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at + 1)) {
        const size_t pos = text.find("Pos=\"", at);
        if (pos != std::string::npos && std::sscanf(text.c_str() + pos, "Pos=\"%ld %ld\"", &p.x, &p.y) == 2 &&
            (p.x != written.x || p.y != written.y))
            return p;
    }
    return {LONG_MIN, LONG_MIN};
}
POINT PastedClass(const std::string& text) { return PastedPos(text, "<Class ", {4000, -4000}); }

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The document's window, placed and brought to the front, and the screen area of the dark pixels
// its pane shows (the package) once the window is laid out and painted: the same area twice running.
// The editor is started on the folder's package.qvd.
struct PasteWindowShown {
    HWND frame = nullptr;
    HWND pane = nullptr;
    RECT package{};
};
void ShowDocument(Process& editor, const std::wstring& folder, const std::wstring& path, PasteWindowShown& shown) {
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" package.qvd", folder));
    ASSERT_TRUE(WaitFor([&] { return (shown.frame = WindowOfPath(editor.Id(), path)) != nullptr; }));
    SetWindowPos(shown.frame, HWND_TOP, 0, 0, 700, 650, SWP_SHOWWINDOW);
    std::optional<RECT> package, last;
    ASSERT_TRUE(WaitFor([&] {
        shown.pane = PaneOf(shown.frame);
        const std::optional<RECT> seen = last;
        last = shown.pane ? DarkArea(shown.pane) : std::nullopt;
        package = last;
        return package && seen && EqualRect(&*seen, &*package) && package->right - package->left > 400;
    })) << "the package does not show";
    shown.package = *package;
    ASSERT_TRUE(BringToFront(shown.frame)) << "the window takes no keys";
}

// Dark pixels on the screen within the model rectangle, placed by the package's left, right and
// bottom edges on the screen (its name tab lies above its top).
int DarkWithin(const PasteWindowShown& shown, const RECT& model) {
    const double scale =
        double(shown.package.right - shown.package.left) / (kNotePackage.right - kNotePackage.left);
    auto x = [&](LONG mx) { return int(shown.package.left + (mx - kNotePackage.left) * scale); };
    auto y = [&](LONG my) { return int(shown.package.bottom - (my - kNotePackage.bottom) * scale); };
    const PanePixels shot(shown.pane);
    int dark = 0;
    for (int py = y(model.top) - 2; py <= y(model.bottom) + 2; ++py)
        for (int px = x(model.left) - 2; px <= x(model.right) + 2; ++px)
            if (shot.Dark(px - shot.Origin().x, py - shot.Origin().y)) ++dark;
    return dark;
}

// Saves with Ctrl+S and waits until the window shows the document unchanged.
void SaveWithKeys(HWND frame) {
    KeyStroke('S', true);
    ASSERT_TRUE(WaitFor([&] { return !Modified(frame); })) << "the document was not saved";
}

// Copies what a click at the point selects, pastes it with the keys and saves.
void CopyPasteAndSave(HWND frame, POINT at) {
    EmptyTheClipboard();
    Click(at);
    KeyStroke('C', true);
    ASSERT_TRUE(WaitFor(ClipboardFilled)) << "the click selected nothing to copy";
    KeyStroke('V', true);
    ASSERT_TRUE(WaitFor([&] { return Modified(frame); })) << "the paste changed nothing";
    SaveWithKeys(frame);
}

// Deletes the selection with the Delete key and saves.
void DeleteAndSave(HWND frame) {
    KeyStroke(VK_DELETE);
    ASSERT_TRUE(WaitFor([&] { return Modified(frame); })) << "the delete changed nothing";
    SaveWithKeys(frame);
}

TEST(PasteContainer, APastedPackageKeepsItsClassWhenTheOriginalIsDeleted) {
    TempFolder folder(L"QuorvelPasteContainer");
    const std::wstring path = folder.AddFile(L"package.qvd", kDocument);
    Process editor;
    PasteWindowShown shown;
    ASSERT_NO_FATAL_FAILURE(ShowDocument(editor, folder.Path(), path, shown));
    const HWND frame = shown.frame;
    const RECT* package = &shown.package;
    // On the package's left edge, half way down: only its border band is hit. The second click
    // lies apart from the first, so that the two make no double click.
    const POINT edge{package->left, (package->top + package->bottom) / 2};
    const POINT lower{edge.x, edge.y + 4 * GetSystemMetrics(SM_CYDOUBLECLK)};

    // Input is handled in the order it is given: only what other windows must see first is waited for.
    // Saved, the paste shows where it landed.
    ASSERT_NO_FATAL_FAILURE(CopyPasteAndSave(frame, edge));
    const POINT pasted = PastedClass(Bytes(path));
    ASSERT_TRUE(pasted.x >= 500 && pasted.x + 2000 <= 14500 && pasted.y <= -500 && pasted.y - 1000 >= -12500)
        << "the pasted class lies at " << pasted.x << " " << pasted.y << ", not over the original package";
    // The pasted package lies shifted over the original; the original's edge selects it alone.
    Click(lower);
    ASSERT_NO_FATAL_FAILURE(DeleteAndSave(frame));

    const std::string saved = Bytes(path);
    EXPECT_EQ(Count(saved, "<Package "), 1u) << saved;
    ASSERT_EQ(Count(saved, "<Class "), 1u) << saved;
    EXPECT_LT(saved.find("<Package "), saved.find("<Class "));
    EXPECT_LT(saved.find("<Class "), saved.find("</Package>")) << "the class lies in the pasted package";

    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitExit(kHungAfterMs), 0u);
}

TEST(PasteContainer, DeletingAPastedPackageThatCoversTheOriginalsNoteLeavesTheNote) {
    TempFolder folder(L"QuorvelPasteNote");
    const std::wstring path = folder.AddFile(L"package.qvd", kNoteDocument);
    {
        Process editor;
        PasteWindowShown shown;
        ASSERT_NO_FATAL_FAILURE(ShowDocument(editor, folder.Path(), path, shown));
        ASSERT_GT(DarkWithin(shown, kPastedOverNote), 20) << "the note does not show";
        // Saved, the paste shows where it landed: the pasted package covers the original's note.
        ASSERT_NO_FATAL_FAILURE(
            CopyPasteAndSave(shown.frame, {shown.package.left, (shown.package.top + shown.package.bottom) / 2}));
        const POINT copy = PastedPos(Bytes(path), "<Package ", {kNotePackage.left, kNotePackage.top});
        const RECT& note = kPastedOverNote;
        ASSERT_TRUE(copy.x <= note.left && copy.x + 14000 >= note.right && copy.y >= note.top && copy.y - 12000 <= note.bottom)
            << "the pasted package lies at " << copy.x << " " << copy.y << ", not over the note";
        // The pasted elements stay selected: the Delete key takes them away again, as a user undoes
        // a paste by hand.
        ASSERT_NO_FATAL_FAILURE(DeleteAndSave(shown.frame));
        const std::string saved = Bytes(path);
        EXPECT_EQ(Count(saved, "<Package "), 1u) << saved;
        EXPECT_EQ(Count(saved, "<Note "), 1u) << saved;
        EXPECT_NE(saved.find("Pos=\"6000 -5000\""), std::string::npos) << saved;
        EXPECT_LT(saved.find("<Note "), saved.find("</Package>")) << "the note lies in the original package";
        PostMessageW(shown.frame, WM_CLOSE, 0, 0);
        EXPECT_EQ(editor.WaitExit(kHungAfterMs), 0u);
    }
    // Reopened, the window shows the note where it was.
    Process editor;
    PasteWindowShown shown;
    ASSERT_NO_FATAL_FAILURE(ShowDocument(editor, folder.Path(), path, shown));
    EXPECT_GT(DarkWithin(shown, kPastedOverNote), 20) << "the reopened document shows no note";
    PostMessageW(shown.frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitExit(kHungAfterMs), 0u);
}

} // namespace
