// One tour per diagram kind through the started editor, with real mouse and key input only
// (SendInput): elements made through the background's context menu at chosen points and named by
// typing in place, connectors drawn with the elements' menus and clicks, one element moved by a
// drag and one resized by a handle, undo and redo, Save with the real dialog and a typed name,
// Close, and the file opened again. The pane shows the same pixels before closing and after
// reopening, undo and redo give back the pictures they should, and the saved file holds what
// was made.
#include "Editor/tests/EditorWindows.h"
#include "Editor/tests/RealInput.h"
#include "Editor/tests/TourSupport.h"
#include "Editor/tests/probe/ProbeClient.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace EditorTest;

// ---- the tour

struct BoxTour;

class Tour : public ::testing::Test {
protected:
    // A failed tour leaves the picture it saved beside its file.
    void TearDown() override {
        const std::wstring path = folder_.Path() + L"\\shown.png";
        if (HasFailure() && shown_.width && shown_.Save(path)) std::printf("the tour saved %s\n", Narrow(path).c_str());
    }

    // Starts the editor on a new diagram and switches it to the kind through the Diagram menu
    // (its letter; 0 keeps the class diagram).
    void Start(WORD letter, const std::wstring& kind) {
        ASSERT_NO_FATAL_FAILURE(Launch(L"\"" + EditorPath() + L"\"", L""));
        if (letter) {
            Chord(VK_MENU, 'D');
            ASSERT_TRUE(WaitFor([&] { return FindShownMenu(editor_->Id()) != nullptr; }));
            ASSERT_TRUE(Handled());
            Tap(letter);
        }
        ASSERT_TRUE(WaitFor([&] {
            const std::wstring caption = TextOf(frame_);
            return caption.size() > kind.size() && caption.compare(caption.size() - kind.size(), kind.size(), kind) == 0;
        })) << TextOf(frame_).c_str();
    }
    // A point of the pane (client pixels) on the screen.
    POINT At(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(pane_, &p);
        return p;
    }
    POINT At(POINT client) const { return At(client.x, client.y); }

    // Clicks at the point: press and release come in one go, as a quick finger gives them, so
    // that a slow moment of the machine cannot stretch the click into a drag.
    void Click(POINT client, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP) {
        MoveTo(At(client));
        Pace();
        INPUT in[2] = {};
        for (INPUT& i : in) i.type = INPUT_MOUSE;
        in[0].mi.dwFlags = down;
        in[1].mi.dwFlags = up;
        SendInput(2, in, sizeof(INPUT));
        Pace();
    }
    // Drags with the left button from one point to another and lets go there.
    void Drag(POINT from, POINT to) {
        MoveTo(At(from));
        Pace();
        Button(MOUSEEVENTF_LEFTDOWN);
        Pace();
        Glide(At(from), At(to), 8);
        Button(MOUSEEVENTF_LEFTUP);
        Pace();
    }
    // Right-clicks at the point and chooses the command of the menu shown (its resource).
    void Menu(POINT client, UINT menuId, UINT command) {
        Click(client, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        const int presses = DownPresses(menuId, command);
        ASSERT_NE(presses, 0) << "command " << command << " is not in menu " << menuId;
        ASSERT_TRUE(WaitFor([&] { return FindShownMenu(editor_->Id()) != nullptr; })) << "no menu for " << command;
        // The menu takes keys once its loop reads input: a menu just shown may drop them.
        ASSERT_TRUE(Handled()) << "the menu does not take input";
        for (int i = 0; i < presses; ++i) Tap(VK_DOWN);
        Tap(VK_RETURN);
        ASSERT_TRUE(WaitFor([&] { return FindShownMenu(editor_->Id()) == nullptr; }));
    }
    // Makes an element through a menu at the point and types its name over the text it starts with.
    void Create(UINT menu, UINT command, POINT client, const std::wstring& name) {
        ASSERT_NO_FATAL_FAILURE(Menu(client, menu, command));
        if (name.empty()) return;
        Type(name);
        Tap(VK_ESCAPE);
    }
    // Draws a connector with the command of the source element's menu, from a point of the
    // source to a click on the target.
    void Connect(POINT from, UINT menuId, UINT command, POINT to) {
        ASSERT_NO_FATAL_FAILURE(Menu(from, menuId, command));
        Glide(At(from), At(to));
        Click(to);
    }
    // Clicks the empty place of the diagram: nothing stays selected.
    void Deselect() { Click(blank_); }
    // The box of the dark pixels within the area, with nothing selected.
    RECT Measure(RECT area) {
        Deselect();
        return Settled().DarkIn(area);
    }

    // Waits until the editor has taken the input given so far: the probe in its thread signals
    // when it reads the marker key.
    bool Handled() { return probe_ && probe_->Handled(); }
    // The pane's picture once the editor has handled the input given so far and painted.
    Picture Settled() {
        EXPECT_TRUE(Handled()) << "the editor does not take input";
        return SteadyPicture(pane_);
    }
    // Fails unless the pictures are equal, writing both and their difference into the folder.
    void ExpectSame(const Picture& expected, const Picture& actual, const std::wstring& what) {
        if (expected == actual) return;
        const std::wstring base = folder_.Path() + L"\\" + what;
        expected.Save(base + L"-expected.png");
        actual.Save(base + L"-actual.png");
        expected.Difference(actual).Save(base + L"-difference.png");
        ADD_FAILURE() << "the pane differs " << Narrow(what) << "; see the pictures " << Narrow(base)
                      << "-expected.png, -actual.png and -difference.png";
    }
    // Makes the note "one note" and the free text "free" at the points.
    void NoteAndText(UINT backgroundMenu, POINT note, POINT text) {
        ASSERT_NO_FATAL_FAILURE(Create(backgroundMenu, ID_NEW_NOTE, note, L"one note"));
        ASSERT_NO_FATAL_FAILURE(Create(backgroundMenu, ID_NEW_FREETEXT, text, L"free"));
    }
    // Selects the box (clicked inside, by default near its top left corner), drags its lower right
    // handle 40 pixels right and 30 down, and undoes and redoes that.
    void ResizeUndoAndRedo(const RECT& box, std::optional<POINT> inside = std::nullopt) {
        Click(inside.value_or(POINT{box.left + 8, box.top + 4}));
        const Picture before = Settled();
        Drag({box.right - 1, box.bottom - 1}, {box.right + 39, box.bottom + 29});
        const Picture after = Settled();
        EXPECT_FALSE(before == after) << "the resize changed nothing";
        UndoAndRedo(before, after);
    }
    // Undoes the last change and redoes it: the pane shows what it showed before and after it.
    void UndoAndRedo(const Picture& before, const Picture& after) {
        Chord(VK_CONTROL, 'Z');
        ExpectSame(before, Settled(), L"after undo");
        Chord(VK_CONTROL, 'Y');
        ExpectSame(after, Settled(), L"after redo");
    }
    // Saves the new diagram with Ctrl+S into the file named in the dialog, closes it with the
    // File menu, opens the file again in a new start and compares the pane; reads the file's root
    // element into saved.
    void SaveCloseAndReopen(const std::wstring& name, Node& saved) {
        const std::wstring path = folder_.AddFile(name);
        DeleteFileW(path.c_str());  // the dialog makes it
        Deselect();
        const Picture shown = shown_ = Settled();
        Chord(VK_CONTROL, 'S');
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (dialog = FindMessageBox(editor_->Id())) != nullptr; })) << "no Save As dialog";
        ASSERT_TRUE(BringToFront(dialog)) << "the Save As dialog takes no keys";
        // The proposed name is replaced by the typed one.
        Tap(VK_HOME);
        Chord(VK_SHIFT, VK_END);
        Type(path);
        Tap(VK_RETURN);
        ASSERT_TRUE(WaitFor([&] { return TitleNames(TitleShown(frame_), path) && !Modified(frame_); }))
            << "not saved: " << Narrow(TextOf(frame_));
        ExpectSame(shown, Settled(), L"after saving");
        RECT placed{};
        GetWindowRect(frame_, &placed);
        ASSERT_TRUE(BringToFront(frame_)) << "the window takes no keys after the dialog";
        Chord(VK_MENU, 'F');
        ASSERT_TRUE(WaitFor([&] { return FindShownMenu(editor_->Id()) != nullptr; })) << "no File menu";
        ASSERT_TRUE(Handled());
        Tap('C');
        ASSERT_EQ(editor_->WaitExit(kHungAfterMs), 0u) << "the editor did not end with its last window";

        ASSERT_NO_FATAL_FAILURE(Launch(L"\"" + EditorPath() + L"\" \"" + path + L"\"", path));
        SetWindowPos(frame_, HWND_TOP, placed.left, placed.top, 0, 0, SWP_NOSIZE);
        ExpectSame(shown, Settled(), L"after reopening");
        saved = ReadDocument(Bytes(path));
        ASSERT_EQ(saved.name, L"Diagram") << "the saved file cannot be read";
    }

    // The tour of two boxes of the kind.
    void TwoBoxes(const BoxTour& kind);

    TempFolder folder_{L"QuorvelTour"};

private:
    // Starts the command line and waits for its window (untitled, or showing the file), placed
    // at a fixed place and size and laid out.
    void Launch(const std::wstring& commandLine, const std::wstring& file) {
        frame_ = pane_ = nullptr;
        editor_ = std::make_unique<Process>();
        ASSERT_TRUE(editor_->Start(commandLine, folder_.Path()));
        ASSERT_TRUE(WaitFor([&] {
            const auto all = VisibleWindows(editor_->Id());
            frame_ = all.size() == 1 ? all[0] : nullptr;
            return frame_ && (file.empty() ? IsUntitledWindow(frame_) : TitleNames(TitleShown(frame_), file));
        }));
        SetWindowPos(frame_, HWND_TOP, 10, 10, 1000, 800, SWP_SHOWWINDOW);
        // Keys go where the focus is: the window is active and its pane laid out.
        ASSERT_TRUE(WaitFor([&] {
            RECT r{};
            pane_ = PaneOf(frame_);
            return pane_ && GetClientRect(pane_, &r) && r.right > 900 && r.bottom > 600;
        })) << "the pane is not laid out";
        ASSERT_TRUE(BringToFront(frame_)) << "the window did not become active";
        probe_ = std::make_unique<MenuProbeClient>(frame_);
        ASSERT_TRUE(probe_->IsHooked());
    }

    std::unique_ptr<Process> editor_;
    std::unique_ptr<MenuProbeClient> probe_;  // hooked into the editor's thread
    Picture shown_;  // what the pane showed when the tour saved
    HWND frame_ = nullptr, pane_ = nullptr;
    POINT blank_{900, 600};  // a place the tours leave empty
};

// What a tour expects to find saved: names of elements of a stored type.
void ExpectNamed(const Node& root, const std::wstring& type, const std::vector<std::wstring>& names) {
    for (const std::wstring& name : names)
        EXPECT_NE(root.Named(type, name), nullptr) << "no " << Narrow(type) << " named " << Narrow(name);
}

POINT Inside(const RECT& r, int dx, int dy) { return {r.left + dx, r.top + dy}; }

// The stored size of an element ("w h"), in pixels of the pane at 100 %.
SIZE StoredPixels(const Node& element) {
    long w = 0, h = 0;
    swscanf(element.Attribute(L"Size").c_str(), L"%ld %ld", &w, &h);
    return {LONG(w * 96 / 2540.0 + 0.5), LONG(h * 96 / 2540.0 + 0.5)};
}

// Whether the element was saved with the size it showed (within the grid's step and a pixel).
void ExpectSizeShown(const Node* element, const RECT& shown) {
    ASSERT_NE(element, nullptr);
    const SIZE stored = StoredPixels(*element);
    EXPECT_NEAR(stored.cx, shown.right - shown.left, 5) << Narrow(element->Attribute(L"Size"));
    EXPECT_NEAR(stored.cy, shown.bottom - shown.top, 5) << Narrow(element->Attribute(L"Size"));
}

// The ids that the element's connector ends name in the attribute, in their order.
std::vector<std::wstring> EndsOn(const Node* connector, const std::wstring& end, const std::wstring& attribute) {
    std::vector<std::wstring> ids;
    if (connector)
        for (const Node* e : connector->All(end)) ids.push_back(e->Attribute(attribute));
    return ids;
}

std::vector<std::wstring> Ids(std::initializer_list<const Node*> elements) {
    std::vector<std::wstring> ids;
    for (const Node* e : elements) ids.push_back(e ? e->Attribute(L"id") : L"missing");
    return ids;
}

RECT Grown(const RECT& r, int dx, int dy) { return {r.left, r.top, r.right + dx, r.bottom + dy}; }

// The note and the free text of every tour, the note tied to the party.
void ExpectNoteAndText(const Node& saved, const Node* party) {
    ExpectNamed(saved, L"Note", {L"one note"});
    ExpectNamed(saved, L"FreeText", {L"free"});
    EXPECT_EQ(EndsOn(saved.Named(L"Note", L"one note"), L"End", L"Party"), Ids({party}));
}

// A tour of two boxes of one kind joined by a connector of the first box's menu.
struct BoxTour {
    WORD letter;            // of the kind in the Diagram menu (0: the class diagram a new one is)
    const wchar_t* caption;
    UINT background, create, boxMenu, connect;  // menus and commands
    const wchar_t *first, *second;              // the boxes' names
    const wchar_t *type, *connector, *endParty;  // stored names: of the boxes, the connector, its ends' party
    const wchar_t* file;
};

void Tour::TwoBoxes(const BoxTour& k) {
    ASSERT_NO_FATAL_FAILURE(Start(k.letter, k.caption));
    ASSERT_NO_FATAL_FAILURE(Create(k.background, k.create, {60, 60}, k.first));
    ASSERT_NO_FATAL_FAILURE(Create(k.background, k.create, {400, 60}, k.second));
    ASSERT_NO_FATAL_FAILURE(NoteAndText(k.background, {60, 300}, {400, 300}));
    const RECT a = Measure({40, 40, 300, 200}), b = Measure({380, 40, 700, 200}), note = Measure({40, 280, 300, 450});
    ASSERT_NO_FATAL_FAILURE(Connect(Inside(a, 5, 20), k.boxMenu, k.connect, Inside(b, 10, 20)));
    ASSERT_NO_FATAL_FAILURE(Connect(Inside(note, 5, 20), IDR_MENU_NOTE, ID_NEW_NOTECONNECTOR, Inside(a, 5, 25)));
    // The second box moved down, the connector following.
    Drag(Inside(b, 40, 4), Inside(b, 40, 124));
    ResizeUndoAndRedo(a);

    Node saved;
    ASSERT_NO_FATAL_FAILURE(SaveCloseAndReopen(k.file, saved));
    ExpectNamed(saved, k.type, {k.first, k.second});
    const Node* first = saved.Named(k.type, k.first);
    const Node* second = saved.Named(k.type, k.second);
    const auto connectors = saved.All(k.connector);
    ASSERT_EQ(connectors.size(), 1u);
    EXPECT_EQ(EndsOn(connectors[0], L"End", k.endParty), Ids({first, second}));
    ExpectNoteAndText(saved, first);
    ExpectSizeShown(first, Grown(a, 40, 30));
}

TEST_F(Tour, ClassDiagram) {
    TwoBoxes({0, L" - Class Diagram", IDR_MENU_CLASSDIAGRAM, ID_NEW_CLASS, IDR_MENU_CLASS, ID_NEW_ASSOCIATION, L"Order",
              L"Item\x3A9", L"Class", L"Assoc", L"Class", L"tour class.qvd"});
}

TEST_F(Tour, ObjectDiagram) {
    TwoBoxes({'O', L" - Object Diagram", IDR_MENU_OBJECTDIAGRAM, ID_NEW_OBJECT, IDR_MENU_OBJECT, ID_NEW_LINK,
              L"a : Order", L"b : Item", L"Object", L"Link", L"Object", L"tour object.qvd"});
}

TEST_F(Tour, UseCaseDiagram) {
    ASSERT_NO_FATAL_FAILURE(Start('U', L" - Use Case Diagram"));
    ASSERT_NO_FATAL_FAILURE(Create(IDR_MENU_USECASEDIAGRAM, ID_NEW_ACTOR, {60, 60}, L"Clerk"));
    ASSERT_NO_FATAL_FAILURE(Create(IDR_MENU_USECASEDIAGRAM, ID_NEW_USECASE, {300, 60}, L"Order"));
    ASSERT_NO_FATAL_FAILURE(Create(IDR_MENU_USECASEDIAGRAM, ID_NEW_USECASE, {300, 250}, L"Pay"));
    ASSERT_NO_FATAL_FAILURE(NoteAndText(IDR_MENU_USECASEDIAGRAM, {60, 400}, {600, 400}));
    const RECT actor = Measure({40, 40, 200, 200}), order = Measure({280, 40, 600, 200}),
               pay = Measure({280, 230, 600, 380}), note = Measure({40, 380, 300, 550});
    const POINT actorBody{(actor.left + actor.right) / 2, actor.top + 25};
    auto middle = [](const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
    ASSERT_NO_FATAL_FAILURE(Connect(actorBody, IDR_MENU_ACTOR, ID_NEW_USECASEASSOC, middle(order)));
    ASSERT_NO_FATAL_FAILURE(Connect(middle(order), IDR_MENU_USECASE, ID_NEW_INCLUDE, middle(pay)));
    ASSERT_NO_FATAL_FAILURE(Connect(Inside(note, 5, 20), IDR_MENU_NOTE, ID_NEW_NOTECONNECTOR, actorBody));
    Drag({middle(pay).x + 20, middle(pay).y}, {middle(pay).x + 170, middle(pay).y});
    ResizeUndoAndRedo(order, POINT{middle(order).x + 20, middle(order).y + 8});

    Node saved;
    ASSERT_NO_FATAL_FAILURE(SaveCloseAndReopen(L"tour use case.qvd", saved));
    ExpectNamed(saved, L"Actor", {L"Clerk"});
    ExpectNamed(saved, L"UseCase", {L"Order", L"Pay"});
    const Node* clerk = saved.Named(L"Actor", L"Clerk");
    const Node* first = saved.Named(L"UseCase", L"Order");
    const Node* second = saved.Named(L"UseCase", L"Pay");
    const auto assocs = saved.All(L"UseCaseAssoc");
    ASSERT_EQ(assocs.size(), 1u);
    EXPECT_EQ(EndsOn(assocs[0], L"End", L"Actor")[0], Ids({clerk})[0]);
    EXPECT_EQ(EndsOn(assocs[0], L"End", L"UseCase")[1], Ids({first})[0]);
    const auto includes = saved.All(L"Dependency");
    ASSERT_EQ(includes.size(), 1u);
    EXPECT_EQ(EndsOn(includes[0], L"End", L"Party"), Ids({first, second}));
    ExpectNoteAndText(saved, clerk);
    ExpectSizeShown(first, Grown(order, 40, 30));
}

TEST_F(Tour, SequenceDiagram) {
    ASSERT_NO_FATAL_FAILURE(Start('Q', L" - Sequence Diagram"));
    // The first name grows its object to both sides of the lifeline while it is typed; the pane
    // shows the box solid again once the name is in.
    ASSERT_NO_FATAL_FAILURE(Create(IDR_MENU_SEQUENCEDIAGRAM, ID_NEW_SEQOBJECT, {100, 40}, L"ordering service"));
    ASSERT_NO_FATAL_FAILURE(Create(IDR_MENU_SEQUENCEDIAGRAM, ID_NEW_SEQOBJECT, {420, 40}, L"bank"));
    ASSERT_NO_FATAL_FAILURE(NoteAndText(IDR_MENU_SEQUENCEDIAGRAM, {640, 60}, {640, 300}));
    const RECT a = Measure({20, 20, 330, 650}), b = Measure({360, 20, 600, 650}), note = Measure({620, 40, 880, 200});
    const int line = a.top + 100, ax = (a.left + a.right) / 2, bx = (b.left + b.right) / 2;
    ASSERT_NO_FATAL_FAILURE(Connect({ax, line}, IDR_MENU_LIFELINE, ID_NEW_MESSAGE, {bx, line}));
    ASSERT_NO_FATAL_FAILURE(Connect(Inside(note, 5, 20), IDR_MENU_NOTE, ID_NEW_NOTECONNECTOR, Inside(b, 10, 20)));
    Drag(Inside(b, 10, 10), Inside(b, 110, 10));
    // The lifeline of the first object made 60 pixels longer by the handle at its bottom; the
    // line is drawn as changing only while the handle is dragged.
    Click({ax, a.bottom - 60});
    const Picture before = Settled();
    Drag({ax, a.bottom - 2}, {ax, a.bottom + 58});
    const Picture after = Settled();
    EXPECT_FALSE(before == after) << "the lifeline kept its length";
    UndoAndRedo(before, after);

    Node saved;
    ASSERT_NO_FATAL_FAILURE(SaveCloseAndReopen(L"tour sequence.qvd", saved));
    const auto objects = saved.All(L"SeqObject");
    ASSERT_EQ(objects.size(), 2u);
    const auto lines = objects[0]->All(L"LifeLine"), otherLines = objects[1]->All(L"LifeLine");
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(otherLines.size(), 1u);
    const auto messages = saved.All(L"Message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(EndsOn(messages[0], L"SourceEnd", L"Party"), Ids({lines[0]}));
    EXPECT_EQ(EndsOn(messages[0], L"TargetEnd", L"Party"), Ids({otherLines[0]}));
    ExpectNoteAndText(saved, objects[1]);
    ExpectNamed(saved, L"SeqObject", {L"ordering service", L"bank"});
    EXPECT_GT(StoredPixels(*objects[0]).cx, StoredPixels(*objects[1]).cx) << "the typed name did not grow its box";
    // The stored length in pixels: the length a new lifeline has, and the 60 pixels dragged.
    EXPECT_NEAR(_wtol(lines[0]->Attribute(L"Len").c_str()) * 96 / 2540.0, 6000 * 96 / 2540.0 + 60, 5);
}

TEST_F(Tour, StateDiagram) {
    ASSERT_NO_FATAL_FAILURE(Start('S', L" - State Diagram"));
    ASSERT_NO_FATAL_FAILURE(Create(IDR_MENU_STATEDIAGRAM, ID_NEW_INITIALSTATE, {60, 80}, L""));
    ASSERT_NO_FATAL_FAILURE(Create(IDR_MENU_STATEDIAGRAM, ID_NEW_STATE, {200, 60}, L"Idle"));
    ASSERT_NO_FATAL_FAILURE(Create(IDR_MENU_STATEDIAGRAM, ID_NEW_STATE, {500, 60}, L"Busy"));
    ASSERT_NO_FATAL_FAILURE(NoteAndText(IDR_MENU_STATEDIAGRAM, {60, 300}, {500, 300}));
    const RECT initial = Measure({40, 60, 150, 170}), idle = Measure({180, 40, 450, 200}),
               busy = Measure({480, 40, 800, 200}), note = Measure({40, 280, 300, 450});
    const POINT dot{(initial.left + initial.right) / 2, (initial.top + initial.bottom) / 2};
    ASSERT_NO_FATAL_FAILURE(Connect(dot, IDR_MENU_INITIALSTATE, ID_NEW_TRANSITION, Inside(idle, 10, 20)));
    ASSERT_NO_FATAL_FAILURE(Connect(Inside(idle, 30, 20), IDR_MENU_STATE, ID_NEW_TRANSITION, Inside(busy, 10, 20)));
    ASSERT_NO_FATAL_FAILURE(Connect(Inside(note, 5, 20), IDR_MENU_NOTE, ID_NEW_NOTECONNECTOR, Inside(idle, 8, 25)));
    Drag(Inside(busy, 40, 4), Inside(busy, 40, 124));
    ResizeUndoAndRedo(idle);

    Node saved;
    ASSERT_NO_FATAL_FAILURE(SaveCloseAndReopen(L"tour state.qvd", saved));
    ExpectNamed(saved, L"State", {L"Idle", L"Busy"});
    const auto initials = saved.All(L"InitialState");
    ASSERT_EQ(initials.size(), 1u);
    const Node* first = saved.Named(L"State", L"Idle");
    const Node* second = saved.Named(L"State", L"Busy");
    const auto transitions = saved.All(L"Transition");
    ASSERT_EQ(transitions.size(), 2u);
    EXPECT_EQ(EndsOn(transitions[0], L"End", L"State"), Ids({initials[0], first}));
    EXPECT_EQ(EndsOn(transitions[1], L"End", L"State"), Ids({first, second}));
    ExpectNoteAndText(saved, first);
    ExpectSizeShown(first, Grown(idle, 40, 30));
}

// Typing on a new element names it: the first key replaces the text it starts with ("<name?>",
// "<text?>", "<?>") whatever the kind. A double click into a name places the caret at the click.
TEST_F(Tour, TypingNamesANewElementOverItsFirstTextAndADoubleClickInsertsAtTheClick) {
    ASSERT_NO_FATAL_FAILURE(Start(0, L" - Class Diagram"));
    struct Made {
        UINT menu, command;
        POINT at;
        const wchar_t *type, *name;
    };
    const Made made[] = {
        {IDR_MENU_CLASSDIAGRAM, ID_NEW_CLASS, {60, 60}, L"Class", L"Canvas"},
        {IDR_MENU_CLASS, ID_NEW_COMPARTMENT, {70, 70}, L"Compartment", L"+draw()"},
        {IDR_MENU_CLASSDIAGRAM, ID_NEW_CLASS, {400, 60}, L"Class", L"Shape"},
        {IDR_MENU_CLASSDIAGRAM, ID_NEW_NOTE, {60, 300}, L"Note", L"remark"},
        {IDR_MENU_CLASSDIAGRAM, ID_NEW_FREETEXT, {400, 300}, L"FreeText", L"free"},
    };
    for (const Made& m : made) ASSERT_NO_FATAL_FAILURE(Create(m.menu, m.command, m.at, m.name));
    // A qualifier on the association's end at Canvas, where the line meets the box.
    const RECT a = Measure({40, 40, 300, 250}), b = Measure({380, 40, 700, 200});
    ASSERT_NO_FATAL_FAILURE(Connect(Inside(a, 5, 20), IDR_MENU_CLASS, ID_NEW_ASSOCIATION, Inside(b, 10, 20)));
    const RECT line = Measure({a.right + 10, a.top, b.left - 10, a.bottom});
    ASSERT_LT(line.top, line.bottom) << "no association between the classes";
    ASSERT_NO_FATAL_FAILURE(Create(IDR_MENU_ASSOCEND, ID_END_QUALIFIER, {a.right, line.top}, L"key"));
    // A double click before the first letter of "Shape" (above the middle, where the handle is).
    const RECT glyphs = Measure({b.left + 3, b.top + 3, b.right - 3, b.bottom - 3});
    MoveTo(At(glyphs.left, glyphs.top + 2));
    Pace();
    INPUT clicks[4] = {};  // in one go, so that a slow moment cannot part them
    for (int i = 0; i < 4; ++i) {
        clicks[i].type = INPUT_MOUSE;
        clicks[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
    SendInput(4, clicks, sizeof(INPUT));
    Type(L"My");
    Tap(VK_ESCAPE);

    Node saved;
    ASSERT_NO_FATAL_FAILURE(SaveCloseAndReopen(L"names.qvd", saved));
    for (const Made& m : made) ExpectNamed(saved, m.type, {m.name == std::wstring(L"Shape") ? L"MyShape" : m.name});
    ExpectNamed(saved, L"Qualifier", {L"key"});
    const Node* canvas = saved.Named(L"Class", L"Canvas");
    EXPECT_TRUE(canvas && canvas->Named(L"Compartment", L"+draw()")) << "the compartment is not Canvas's";
}

// Ctrl with A, C, V, X and Z belongs to a text typed in place, as it does to an edit control: the
// whole text is selected, copied and pasted, and Ctrl+Z leaves the diagram's history alone while
// the text is edited (it does not take back the class the text belongs to).
TEST_F(Tour, TheTextTypedInPlaceTakesSelectAllClipboardAndUndoKeys) {
    ASSERT_NO_FATAL_FAILURE(Start(0, L" - Class Diagram"));
    ASSERT_NO_FATAL_FAILURE(Create(IDR_MENU_CLASSDIAGRAM, ID_NEW_CLASS, {60, 60}, L"Order"));
    Type(L"Orderx");  // names the selected class anew
    Chord(VK_CONTROL, 'A');
    Chord(VK_CONTROL, 'C');
    Chord(VK_CONTROL, 'X');
    Type(L"Item");
    Chord(VK_CONTROL, 'V');
    Chord(VK_CONTROL, 'V');
    Chord(VK_CONTROL, 'Z');
    Tap(VK_ESCAPE);
    Node saved;
    ASSERT_NO_FATAL_FAILURE(SaveCloseAndReopen(L"keys.qvd", saved));
    EXPECT_EQ(saved.All(L"Class").size(), 1u);
    ExpectNamed(saved, L"Class", {L"ItemOrderxOrderx"});
}

} // namespace
