// Real OLE drags between the editor's own windows, for a driver that moves the real mouse
// (view/tests/oledrag/ole_drag.sh): the probe writes a document with one note and an empty one,
// starts the editor on both, lays the two windows side by side, finds the note on the screen,
// prints each drag it wants ("drag N from-x from-y to-x to-y", screen pixels) and reads what the
// editor saves afterwards.
// 1. The note dragged into the other document arrives where the pointer let it go and leaves its
//    own document; one undo there brings it back.
// 2. The note dragged within its own window moves there and is not deleted.
// Exits 0 when every check passed, else 1.
#include "Editor/ElementFactories.h"
#include "Editor/tests/EditorWindows.h"
#include "core/DefaultGrid.h"
#include "core/DocumentWriter.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "elements/note/Note.h"
#include "resources/resource.h"
#include "text/win/UniscribeSetup.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>
#include <vector>

namespace {

using namespace EditorTest;

int Fail(const char* why)
{
    std::printf("FAILED: %s\n", why);
    std::fflush(stdout);
    return 1;
}

// The folder of this program, where the editor lies too.
std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

// A new diagram holding one note of 50 x 35 mm, as the editor writes it.
std::string DocumentWithANote()
{
    TextBlock::InstallUniscribeMeasurer();
    Core::FactoryRegistry registry;
    Editor::RegisterElementFactories(registry);
    Core::Diagram model(registry, nullptr, nullptr, &View::DefaultGrid::Instance());
    Editor::FillNewDiagram(model);
    Core::Transaction t(model);
    Core::Env env(t);
    auto note = Note::Note::Create(env, {1000, -1000});
    note->SetRect(env, zq::Rect::FromPosSize({1000, -1000}, 5000, 3500));
    model.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    std::ostringstream out;
    Core::WriteDiagramXML(model, out);
    return out.str();
}

// The note of the document written above, in model units (0.01 mm, y up).
constexpr LONG kNoteLeft = 1000, kNoteTop = -1000, kNoteWidth = 5000, kNoteHeight = 3500;

// A pane's map between model units and screen pixels at 100 % on a 96 dpi screen, fixed by where
// the pane shows the note.
struct Mapping {
    double k = 96.0 / 2540, ox = 0, oy = 0;
    Mapping(const RECT& note) : ox(note.left - kNoteLeft * k), oy(note.top + kNoteTop * k) {}
    Mapping(const Mapping& other, POINT shift) : k(other.k), ox(other.ox + shift.x), oy(other.oy + shift.y) {}
    POINT ToModel(POINT screen) const { return {LONG(std::lround((screen.x - ox) / k)), LONG(std::lround(-(screen.y - oy) / k))}; }
};

// The positions of the notes a saved document holds.
std::vector<POINT> NotesIn(const std::wstring& path)
{
    std::vector<POINT> notes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return notes;
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    for (size_t at = text.find("<Note "); at != std::string::npos; at = text.find("<Note ", at + 1)) {
        const size_t pos = text.find("Pos=\"", at);
        POINT p{};
        if (pos != std::string::npos && std::sscanf(text.c_str() + pos, "Pos=\"%ld %ld\"", &p.x, &p.y) == 2)
            notes.push_back(p);
    }
    return notes;
}

// Within the grid's snap (1 mm) and a pixel's rounding.
bool Near(POINT a, POINT b) { return std::abs(a.x - b.x) <= 150 && std::abs(a.y - b.y) <= 150; }

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Whether the pane shows the note (with its selection handles around, or not) centred on the
// screen point, within the grid's snap.
bool ShowsNoteAt(HWND pane, POINT centre)
{
    const std::optional<RECT> shown = DarkArea(pane);
    if (!shown) return false;
    const POINT c = Centre(*shown);
    return std::abs(c.x - centre.x) <= 6 && std::abs(c.y - centre.y) <= 6 && shown->right - shown->left < 210;
}

int drags = 0;

// Asks the driver for a drag with the left button from one screen point to another.
void AskForDrag(POINT from, POINT to)
{
    std::printf("drag %d %ld %ld %ld %ld\n", ++drags, from.x, from.y, to.x, to.y);
    std::fflush(stdout);
}

void Command(HWND frame, UINT id) { PostMessageW(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

// Saves the document of the window and answers the notes of its file once it is saved.
std::vector<POINT> Saved(HWND frame, const std::wstring& path)
{
    Command(frame, ID_FILE_SAVE);
    WaitFor([&] { return !Modified(frame); });
    return NotesIn(path);
}

int Run(Process& editor, HWND& wa, HWND& wb)
{
    TempFolder folder(L"QuorvelEditorDrag");
    const std::wstring a = folder.AddFile(L"a.qvd", DocumentWithANote());
    const std::wstring b = folder.AddFile(L"b.qvd");
    if (!editor.Start(L"\"" + ProgramFolder() + L"\\" + QUORVEL_EXE_NAME + L"\" a.qvd b.qvd", folder.Path()))
        return Fail("the editor did not start");
    if (!WaitFor([&] { return (wa = WindowOfPath(editor.Id(), a)) && (wb = WindowOfPath(editor.Id(), b)); }))
        return Fail("the two windows did not open");
    SetWindowPos(wa, HWND_TOP, 0, 0, 600, 600, SWP_SHOWWINDOW);
    SetWindowPos(wb, HWND_TOP, 620, 0, 600, 600, SWP_SHOWWINDOW);
    HWND pa = nullptr, pb = nullptr;
    std::optional<RECT> note;
    // The windows are laid out and painted once the note (189 x 132 pixels) shows alone in the first,
    // the same in two readings, and nothing shows in the second.
    std::optional<RECT> last;
    if (!WaitFor([&] {
            pa = PaneOf(wa);
            pb = PaneOf(wb);
            const std::optional<RECT> seen = last;
            last = pa ? DarkArea(pa) : std::nullopt;
            note = last;
            return pb && note && seen && EqualRect(&*seen, &*note) && !DarkArea(pb) &&
                   std::abs(note->right - note->left - 190) < 20 && std::abs(note->bottom - note->top - 133) < 20;
        }))
        return Fail("the note does not show in the first window alone");
    // Both panes are alike and show the same part of their diagrams.
    RECT paneA, paneB;
    GetWindowRect(pa, &paneA);
    GetWindowRect(pb, &paneB);
    const Mapping inA(*note), inB(inA, {paneB.left - paneA.left, paneB.top - paneA.top});

    // 1. Into the other document: the point grabbed lies under the pointer where it was let go, and
    //    the note leaves its own document in one undo step.
    const POINT from{note->right - 30, note->bottom - 20};
    const POINT to{(paneB.left + paneB.right) / 2, (paneB.top + paneB.bottom) / 2};
    AskForDrag(from, to);
    if (!WaitFor([&] { return Modified(wa) && Modified(wb); }, 30000))
        return Fail("the drop changed not both documents");
    const POINT grabbed = inA.ToModel(from), dropped = inB.ToModel(to);
    const POINT expected{kNoteLeft + dropped.x - grabbed.x, kNoteTop + dropped.y - grabbed.y};
    const std::vector<POINT> inTarget = Saved(wb, b);
    if (inTarget.size() != 1) return Fail("not one note arrived in the other document");
    if (!Near(inTarget[0], expected)) {
        std::printf("the note lies at %ld %ld, expected near %ld %ld\n", inTarget[0].x, inTarget[0].y, expected.x,
                    expected.y);
        return Fail("the note landed away from the pointer");
    }
    const POINT centre = Centre(*note);
    if (!WaitFor([&] { return ShowsNoteAt(pb, {to.x + centre.x - from.x, to.y + centre.y - from.y}); }))
        return Fail("the other window does not show the note where it was dropped");
    if (DarkArea(pa)) return Fail("the first window still shows something");
    if (!Saved(wa, a).empty()) return Fail("the note stayed in its own document");
    Command(wa, ID_EDIT_UNDO);
    if (!WaitFor([&] { return Modified(wa); })) return Fail("nothing to undo in the source");
    const std::vector<POINT> back = Saved(wa, a);
    if (back.size() != 1 || !Near(back[0], {kNoteLeft, kNoteTop}))
        return Fail("one undo in the source did not bring the note back");

    // 2. Within its own window: the note moves and the source deletes nothing.
    const POINT shift{120, 150};
    AskForDrag(from, {from.x + shift.x, from.y + shift.y});
    if (!WaitFor([&] { return Modified(wa); }, 30000)) return Fail("the drag within the window changed nothing");
    const std::vector<POINT> moved = Saved(wa, a);
    const POINT movedTo{kNoteLeft + LONG(std::lround(shift.x / inA.k)), kNoteTop - LONG(std::lround(shift.y / inA.k))};
    if (moved.size() != 1) return Fail("the drop within the document did not keep exactly one note");
    if (!Near(moved[0], movedTo)) return Fail("the note did not move with the pointer within its window");
    if (!WaitFor([&] { return ShowsNoteAt(pa, {centre.x + shift.x, centre.y + shift.y}); }))
        return Fail("the window does not show the note where it was moved to");

    Command(wa, ID_FILE_CLOSE);
    Command(wb, ID_FILE_CLOSE);
    if (editor.WaitExit(15000) != 0) return Fail("the editor did not end with its last window");
    std::printf("passed\n");
    return 0;
}

} // namespace

int main()
{
    Process editor;
    HWND wa = nullptr, wb = nullptr;
    return Run(editor, wa, wb);
}
