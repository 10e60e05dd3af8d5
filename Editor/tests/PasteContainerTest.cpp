// A package with a class or a note inside, copied and pasted near itself in the running editor with
// real clicks and keys (SendInput), saved to see where the paste landed: deleting the original
// package leaves the pasted package with its class, because what came with the pasted package
// belongs to it; deleting the pasted copy leaves the original's note, which the copy covers but
// never takes over; the connectors pasted with a package keep their paths, moved by the paste.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/TourSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

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

// ---- the connectors of a pasted package

// The hand-written class diagram: a Large package "geometry" filled pale, holding two classes, the
// first with a qualifier on which a level association to the second starts, and a generalization
// with two bends between them.
std::string ClassDocument() {
    std::ifstream in(std::string(QUORVEL_DOCUMENT_DIR) + "/class.qvd", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The screen rectangle of the leftmost run of pane columns that show the pale fill of the package
// (0xFFFFC0), from its first to its last pale row; none when nothing pale shows.
std::optional<RECT> PaleFillOnTheLeft(HWND pane) {
    const PanePixels shot(pane);
    std::optional<RECT> area;
    for (int x = 0; x < shot.Width(); ++x) {
        bool pale = false;
        for (int y = 0; y < shot.Height(); ++y) {
            if (shot.At(x, y) != 0xFFFFC0) continue;
            if (!area) area = RECT{x, y, x + 1, y + 1};
            area->top = std::min<LONG>(area->top, y);
            area->bottom = std::max<LONG>(area->bottom, y + 1);
            pale = true;
        }
        if (pale) area->right = x + 1;
        else if (area) break;
    }
    if (area) OffsetRect(&*area, shot.Origin().x, shot.Origin().y);
    return area;
}

// The vertical scroll bar of a document window with one pane: its tallest visible one.
HWND VerticalScrollBar(HWND frame) {
    HWND found = nullptr;
    LONG tallest = 0;
    for (HWND child = GetWindow(frame, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = L"";
        RECT r{};
        GetClassNameW(child, name, 32);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (lstrcmpiW(name, L"ScrollBar") != 0 || !IsWindowVisible(child) || (style & (SBS_SIZEBOX | SBS_SIZEGRIP)) ||
            !(style & SBS_VERT) || !GetWindowRect(child, &r) || r.bottom - r.top <= tallest)
            continue;
        found = child;
        tallest = r.bottom - r.top;
    }
    return found;
}

// Whether the pane shows the pale package whole (apart from the pane's edges) and answers it in shown.
bool WholePaleShows(PasteWindowShown& shown) {
    RECT pane{};
    GetClientRect(shown.pane, &pane);
    MapWindowPoints(shown.pane, nullptr, reinterpret_cast<POINT*>(&pane), 2);
    const std::optional<RECT> pale = PaleFillOnTheLeft(shown.pane);
    if (!pale || pale->top <= pane.top + 2 || pale->bottom >= pane.bottom - 2 || pale->left <= pane.left + 2 ||
        pale->right >= pane.right - 2 || pale->right - pale->left < 200)
        return false;
    shown.package = *pale;
    return true;
}

// Pages the pane up or down with a click on the vertical scroll bar beside the thumb, at the end of
// the bar, and waits until the pane shows something else, the same on two looks in a row.
void PageWithTheScrollBar(const PasteWindowShown& shown, bool up) {
    const HWND bar = VerticalScrollBar(shown.frame);
    ASSERT_NE(bar, nullptr);
    RECT r{};
    GetWindowRect(bar, &r);
    const int arrow = GetSystemMetrics(SM_CYVSCROLL) + 3;
    const std::vector<DWORD> before = ScreenPixels(shown.pane);
    Click({(r.left + r.right) / 2, up ? r.top + arrow : r.bottom - arrow});
    std::vector<DWORD> last = before;
    ASSERT_TRUE(WaitFor([&] {
        const std::vector<DWORD> seen = std::move(last);
        last = ScreenPixels(shown.pane);
        return last != before && last == seen;
    })) << "the pane does not scroll";
}

// The editor started on the folder's package.qvd, its window large and in front, showing the pale
// package whole (the class diagram lies at the top left of its page, where a window starts);
// shown.package is the screen rectangle of the package's pale fill, the same on two looks in a row.
void ShowThePackage(Process& editor, const std::wstring& folder, const std::wstring& path, PasteWindowShown& shown) {
    ASSERT_TRUE(editor.Start(L"\"" + EditorPath() + L"\" package.qvd", folder));
    ASSERT_TRUE(WaitFor([&] { return (shown.frame = WindowOfPath(editor.Id(), path)) != nullptr; }));
    ASSERT_NE(shown.pane = PlaceLarge(shown.frame), nullptr) << "the window does not come to the front";
    RECT last{};
    ASSERT_TRUE(WaitFor([&] {
        const RECT seen = last;
        if (!WholePaleShows(shown)) return false;
        last = shown.package;
        return EqualRect(&seen, &last) != 0;
    })) << "the package does not show whole";
}

// Copies what a click at the point selects, pages down to the empty part of the page, clicks there
// and pastes with the keys, so that the copy lands far below the original; then saves.
void CopyPastePageDownAndSave(const PasteWindowShown& shown, POINT at) {
    EmptyTheClipboard();
    Click(at);
    KeyStroke('C', true);
    ASSERT_TRUE(WaitFor(ClipboardFilled)) << "the click selected nothing to copy";
    ASSERT_NO_FATAL_FAILURE(PageWithTheScrollBar(shown, false));
    // A click on the pane's empty corner, as a user clicks where the copy should go: the keys go
    // to the pane, whatever the click on the bar did with them.
    RECT pane{};
    GetClientRect(shown.pane, &pane);
    POINT empty{pane.right - 40, pane.bottom - 40};
    ClientToScreen(shown.pane, &empty);
    Click(empty);
    KeyStroke('V', true);
    ASSERT_TRUE(WaitFor([&] { return Modified(shown.frame); })) << "the paste changed nothing";
    SaveWithKeys(shown.frame);
}

// The element of the local name whose id is not among the ids; null when none.
const Node* NewOne(const Node& document, const std::wstring& local, const std::set<std::wstring>& ids) {
    for (const Node* n : document.All(local))
        if (ids.count(n->Attribute(L"id")) == 0) return n;
    return nullptr;
}

// The ids of every element below.
std::set<std::wstring> IdsOf(const Node& document) {
    std::set<std::wstring> ids;
    std::vector<const Node*> all{&document};
    for (size_t i = 0; i < all.size(); ++i)
        for (const Node& child : all[i]->children) {
            if (!child.Attribute(L"id").empty()) ids.insert(child.Attribute(L"id"));
            all.push_back(&child);
        }
    return ids;
}

// The element of the document with the id of the original element; null when none.
const Node* Kept(const Node& document, const Node& original) {
    for (const Node* n : document.All(original.name))
        if (n->Attribute(L"id") == original.Attribute(L"id")) return n;
    return nullptr;
}

// The stored position ("Pos") of the element; LONG_MIN on both axes without one.
POINT PosOf(const Node* element) {
    POINT p{LONG_MIN, LONG_MIN};
    if (element != nullptr && std::swscanf(element->Attribute(L"Pos").c_str(), L"%ld %ld", &p.x, &p.y) != 2)
        p = {LONG_MIN, LONG_MIN};
    return p;
}

// The geometry of a connector as stored, moved by the offset: its parts and their anchored texts in
// order, each with its tag, position, oblique mark and text origin ("End 100 200", "Segment Oblique").
std::vector<std::string> StoredPath(const Node& connector, POINT offset) {
    std::vector<std::string> path;
    for (const Node& part : connector.children) {
        if (part.name == L"Text") continue;
        std::string line = Narrow(part.name);
        double x = 0, y = 0;
        if (std::swscanf(part.Attribute(L"Pos").c_str(), L"%lf %lf", &x, &y) == 2)
            line += " " + std::to_string(x + offset.x) + " " + std::to_string(y + offset.y);
        if (!part.Attribute(L"Oblique").empty()) line += " Oblique";
        if (!part.Attribute(L"Origin").empty()) line += " Origin " + Narrow(part.Attribute(L"Origin"));
        path.push_back(line);
        for (const std::string& below : StoredPath(part, offset)) path.push_back("  " + below);
    }
    return path;
}

TEST(PasteContainer, APastedPackageKeepsThePathsOfItsQualifiedAssociationAndGeneralization) {
    const std::string document = ClassDocument();
    ASSERT_NE(document.find("<Qualifier "), std::string::npos) << "the class diagram cannot be read";
    const Node original = ReadDocument(document);
    const std::set<std::wstring> originalIds = IdsOf(original);
    TempFolder folder(L"QuorvelPasteQualified");
    const std::wstring path = folder.AddFile(L"package.qvd", document);
    Process editor;
    PasteWindowShown shown;
    ASSERT_NO_FATAL_FAILURE(ShowThePackage(editor, folder.Path(), path, shown));
    const RECT& pale = shown.package;
    ASSERT_FALSE(Modified(shown.frame)) << "the document reads as changed: the paste cannot be waited for";
    // Its left border, half way down: only the border band of the Large package is hit. The copy
    // lands a page lower, where none of the original's classes reaches.
    ASSERT_NO_FATAL_FAILURE(CopyPastePageDownAndSave(shown, {pale.left - 1, (pale.top + pale.bottom) / 2}));

    // The copies against the originals as saved with them: the editor fits the hand-written boxes to
    // their texts when it reads the document, and the ends on them follow.
    const Node saved = ReadDocument(Bytes(path));
    auto kept = [&](const std::wstring& local) { return Kept(saved, *original.All(local).at(0)); };
    const POINT copy = PosOf(NewOne(saved, L"Package", originalIds)), from = PosOf(kept(L"Package"));
    ASSERT_TRUE(copy.x != LONG_MIN && from.x != LONG_MIN) << "no package was pasted";
    const POINT offset{copy.x - from.x, copy.y - from.y};
    ASSERT_LT(offset.y, -3000) << "the copy lies beside the original, not below it";
    const std::set<std::wstring> savedIds = IdsOf(saved);
    for (const std::wstring kind : {L"Assoc", L"Generalization"}) {
        // The first of the kind in the document is the one between the package's classes.
        const Node* copied = NewOne(saved, kind, originalIds);
        ASSERT_TRUE(copied != nullptr && kept(kind) != nullptr) << Narrow(kind) << " was not pasted";
        EXPECT_EQ(StoredPath(*copied, {0, 0}), StoredPath(*kept(kind), offset)) << Narrow(kind);
        // The copy's ends lie on the copies of the classes and the qualifier.
        for (const Node& end : copied->children)
            for (const wchar_t* party : {L"Class", L"Qualifier"}) {
                const std::wstring on = end.Attribute(party);
                EXPECT_TRUE(on.empty() || (savedIds.count(on) && !originalIds.count(on)))
                    << Narrow(kind) << " ends on " << Narrow(on);
            }
    }
    const POINT qualifier = PosOf(NewOne(saved, L"Qualifier", originalIds)), q0 = PosOf(kept(L"Qualifier"));
    EXPECT_EQ(qualifier.x, q0.x + offset.x);
    EXPECT_EQ(qualifier.y, q0.y + offset.y);

    PostMessageW(shown.frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(editor.WaitExit(15000), 0u);
}

} // namespace
