// After every undo, redo and restyle a window shows what a window that freshly opens the document
// saved at that moment shows: first the cases once seen to leave stale drawings behind, then seeded
// random editing of every diagram kind (hand-written documents with notes and free texts). A
// failure names its seed; QUORVEL_REFRESH_SEED replays one (QUORVEL_REFRESH_EVERY_STEP compares after
// every step, to find the step that went wrong).
#include "Editor/tests/refresh/RefreshScene.h"
#include "elements/class/Association.h"
#include "elements/class/Class.h"
#include "elements/class/Qualifier.h"
#include "elements/class/TemplateParameters.h"
#include "elements/note/Note.h"
#include "elements/object/Link.h"
#include "elements/object/Object.h"
#include "elements/object/Qualifier.h"
#include "page/PageSetup.h"
#include "text/free/FreeText.h"

#include <cstdlib>
#include <random>
#include <cmath>
#include "view/connector/Parts.h"

namespace {

using RefreshTest::Scene;

struct Refresh : Scene {
    // The element read with the object id.
    template <class T = Core::IModelElement>
    T& Element(Core::ObjectId id) {
        for (zq::Iterator it = Model().GetElementIterator(), end; it != end; ++it)
            if ((*it)->GetObjectId() == id)
                if (auto* found = dynamic_cast<T*>(*it)) return *found;
        throw std::runtime_error("no element " + std::to_string(id));
    }

    // The box given the size as one undo step, its top-left corner kept.
    void Resize(Core::ObjectId id, std::int32_t width, std::int32_t height) {
        auto& box = Element<Core::IResizable>(id);
        Step([&](Core::Env& env) { box.SetRect(env, zq::Rect::FromPosSize(box.GetPos(), width, height)); });
    }

    // The pane shows what a fresh open shows after the edit just made, its undo and its redo.
    void ExpectFreshThroughUndoAndRedo() {
        EXPECT_EQ(CompareWithFreshOpen(), "") << "after the edit";
        Undo();
        EXPECT_EQ(CompareWithFreshOpen(), "") << "after its undo";
        Redo();
        EXPECT_EQ(CompareWithFreshOpen(), "") << "after its redo";
    }
};

TEST_F(Refresh, TheWindowsShowTheSameAfterOpening) {
    OpenText(RefreshTest::HandWritten("class"));
    EXPECT_EQ(CompareWithFreshOpen(), "");
}

TEST_F(Refresh, ANoteCarriedByADragAndUndoneTakesItsTextBack) {
    OpenText(RefreshTest::HandWritten("sequence"));
    Drag(Element(38), {1500, -2000});
    ExpectFreshThroughUndoAndRedo();
}

TEST_F(Refresh, ASequenceObjectsNameGoesBackWithTheUndoneMove) {
    OpenText(RefreshTest::HandWritten("sequence"));
    Drag(Element(7), {2000, 0});
    Undo();
    EXPECT_EQ(CompareWithFreshOpen(), "");
    Redo();
    EXPECT_EQ(CompareWithFreshOpen(), "");
}

TEST_F(Refresh, TheTemplateParametersBoxKeepsItsSizeThroughUndoAllAndRedoAll) {
    OpenText(RefreshTest::HandWritten("class"));
    Step([&](Core::Env& env) { Element<Core::INamed>(8).SetName(env, L"T, U : Comparable, V"); });
    Step([&](Core::Env& env) {
        auto& c = Element<Core::IResizable>(5);
        zq::Rect r = c.GetRect();
        r.right += 1500;
        c.SetRect(env, r);
    });
    Drag(Element(5), {-500, 1000});
    while (Model().GetUndoHandler().GetUndoCount() > 0) Undo();
    EXPECT_EQ(CompareWithFreshOpen(), "");
    while (Model().GetUndoHandler().GetRedoCount() > 0) Redo();
    EXPECT_EQ(CompareWithFreshOpen(), "");
}

TEST_F(Refresh, ATemplateBoxMadeFromTheMenuAndNamedIsDrawnWholeThroughUndoAllAndRedoAll) {
    OpenText(RefreshTest::HandWritten("class"));
    auto& circle = Element<Class::Class>(9);
    ASSERT_TRUE(MenuCommand(circle, ID_CLASS_TEMPLATE));
    Class::TemplateParameters* box = circle.GetTemplateParameters();
    ASSERT_NE(box, nullptr);
    // The name grows the box upwards only: the class keeps its rectangle.
    Step([&](Core::Env& env) { box->SetName(env, L"T"); });
    EXPECT_EQ(CompareWithFreshOpen(), "");
    while (Model().GetUndoHandler().GetUndoCount() > 0) Undo();
    EXPECT_EQ(CompareWithFreshOpen(), "");
    while (Model().GetUndoHandler().GetRedoCount() > 0) Redo();
    EXPECT_EQ(CompareWithFreshOpen(), "");
}

TEST_F(Refresh, AQualifiersTextFollowsWhenARestyleShrinksItsClass) {
    OpenText(RefreshTest::HandWritten("class"));
    ASSERT_TRUE(Restyle(L"Class", L"6"));
    ExpectFreshThroughUndoAndRedo();
}

TEST_F(Refresh, ALinksNameGoesWhenDeletingASegmentTakesTheWholeLink) {
    OpenText(RefreshTest::HandWritten("object"));
    const Core::ElementPtr name = Element(11).shared_from_this();  // the free text "owns" on the first segment
    Step([&](Core::Env& env) { Element<Core::IDeletable>(15).Delete(env); });
    EXPECT_TRUE(name->IsDeleted());
    EXPECT_EQ(CompareWithFreshOpen(), "");
    Undo();
    EXPECT_EQ(CompareWithFreshOpen(), "");
}

TEST_F(Refresh, ANewPageGridShowsAtOnceAndThroughUndoAndRedo) {
    OpenText(RefreshTest::HandWritten("class"));
    {
        Page::PageSetup setup(Model());
        setup.rows.Set(2);
        setup.columns.Set(2);
        setup.landscape.Set(true);  // both borders between the sheets come into the pane
        setup.WriteBack();
    }
    Model().UpdateAllViews();
    RefreshTest::Pump();
    ExpectFreshThroughUndoAndRedo();
}

// Texts that overlap are drawn in the order a fresh open gives them, whichever was redrawn last:
// where their glyphs cross, the pixels depend on which text lies on top.
TEST_F(Refresh, AQualifierCarriedOverItsObjectsCompartmentKeepsTheTextsOrder) {
    OpenText(RefreshTest::HandWritten("object"));
    Drag(Element(13), {-1500, -2000});  // the link takes its qualifier below the object
    Resize(3, 2400, 2300);
    Step([&](Core::Env& env) { Element<Core::INamed>(4).SetName(env, L"x"); });
    Step([&](Core::Env& env) { Element<Core::INamed>(6).SetName(env, L"name"); });
    // The note connector takes the link along: "name" comes to lie on the compartment's "x".
    Drag(Element(49), {-1500, 1000});
    ExpectFreshThroughUndoAndRedo();
}

TEST_F(Refresh, AStateResizedUnderATransitionsLabelKeepsTheTextsOrder) {
    OpenText(RefreshTest::HandWritten("state"));
    Drag(Element(3), {2000, 0});  // the initial state moves into "Active", "power on" over "Idle"
    Resize(8, 2100, 1200);
    ExpectFreshThroughUndoAndRedo();
}

// Dragging a state over the initial state its transition comes from: the transition's end on the
// initial state turns to the side facing the state, as when the document is read.
TEST_F(Refresh, ATransitionsEndTurnsWhenItsTargetIsDraggedOverItsSource) {
    OpenText(RefreshTest::HandWritten("state"));
    Drag(Element(42), {-2000, -2000});  // "Active" and the final state go along with the transition
    ExpectFreshThroughUndoAndRedo();
}

// A note grown over its connector's bend: the connector's new segment lists its ends the other way
// round than the saved chain reads them, and its dashes are still the same.
TEST_F(Refresh, ANoteConnectorsSegmentMadeByAResizeShowsTheSameDashes) {
    OpenText(RefreshTest::HandWritten("state"));
    Drag(Element(56), {-2000, -1500});
    Resize(56, 3300, 1800);  // the connector to the final state gets a bend below the note
    Resize(56, 3600, 2400);  // the bend's level segment now runs inside the note, from its left side
    ExpectFreshThroughUndoAndRedo();
}

// A compartment dragged out of its object stays an object compartment in the saved document: its
// lines wrap at its width there too.
TEST_F(Refresh, ACompartmentDraggedOutOfItsObjectWrapsItsLinesAfterOpeningToo) {
    OpenText(RefreshTest::HandWritten("object"));
    Drag(Element(4), {0, 1500});
    Resize(4, 2100, 1300);
    ExpectFreshThroughUndoAndRedo();
}

// A note connector ending beside the segment of another, as random editing once left one: dragging
// that segment carries the end along it, and every position stays a number the document can store.
TEST_F(Refresh, AnEndBesideTheSegmentItEndsOnIsCarriedAlongTheSegment) {
    OpenText(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Diagram ProductVersion="1.3.4" xmlns="http://quorvel.example/schema/1.0">
  <Note id="r8" Pos="4500 -7000" Size="2500 1100">
    <Text>needs a card</Text>
    <NoteConnector id="r9">
      <SourceEnd id="r10" Pos="6500 -7000"/>
      <Segment id="r11"/>
      <End id="r12" Pos="6500 -6200"/>
    </NoteConnector>
  </Note>
  <Note id="r34" Pos="12000 -1500" Size="3000 1500">
    <Text>Only during opening hours</Text>
    <NoteConnector id="r53">
      <SourceEnd id="r54" Pos="14000 -3000"/>
      <Segment id="r55"/>
      <Join id="r56" Pos="14000 -6100"/>
      <Segment id="r57"/>
      <End id="r58" Pos="4500 -6100" Party="r11"/>
    </NoteConnector>
  </Note>
</Diagram>
)");
    Drag(Element(11), {1000, 0});
    ExpectFreshThroughUndoAndRedo();
}

// ---- seeded random editing

// Names of several lengths, one on two lines.
const wchar_t* const kNames[] = {L"x", L"name", L"a rather longer name", L"two\rlines", L"W"};
const wchar_t* const kSizes[] = {L"6", L"8", L"11", L"14", L"20"};

class RandomEditing : public Refresh {
protected:
    // Runs the steps on the kind's document; after every undo, redo and restyle the window must
    // show what a fresh open of the saved document shows.
    void Run(const char* kind, std::uint32_t seed, int steps) {
        if (const char* replay = std::getenv("QUORVEL_REFRESH_SEED")) seed = std::uint32_t(std::strtoul(replay, nullptr, 10));
        rng_.seed(seed);
        boxSteps_ = std::string(kind) == "class" || std::string(kind) == "object";
        OpenText(RefreshTest::HandWritten(kind));
        directories_ = Directories();
        std::string log;
        for (int i = 0; i < steps; ++i) {
            bool compare = false;
            const std::string done = OneStep(compare);
            log += " " + done;
            if (!compare && !std::getenv("QUORVEL_REFRESH_EVERY_STEP")) continue;
            const std::string difference = CompareWithFreshOpen();
            ASSERT_EQ(difference, "") << kind << " seed " << seed << " (QUORVEL_REFRESH_SEED=" << seed
                                      << " replays it), step " << i << ":" << log << Orphans();
        }
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    // The elements the view shows as selectable that satisfy the test, in object-id order.
    template <class T>
    std::vector<T*> Shown() {
        std::vector<T*> found;
        for (zq::Iterator it = Model().GetElementIterator(), end; it != end; ++it) {
            Core::IModelElement* e = *it;
            Core::IViewElement* v = e->FindViewElement(ViewOf());
            if (v && v->GetSelectable())
                if (auto* t = dynamic_cast<T*>(e)) found.push_back(t);
        }
        return found;
    }
    template <class T>
    T* AnyShown() {
        const std::vector<T*> all = Shown<T>();
        return all.empty() ? nullptr : all[size_t(Pick(int(all.size())))];
    }
    // The element's type and object id, for the log of the steps.
    static std::string Name(const Core::IModelElement& e) {
        return RefreshTest::Narrow(e.GetTypeName()) + "#" + std::to_string(e.GetObjectId());
    }
    // The elements of the diagram whose owner has been deleted (the writer leaves them out).
    std::string Orphans() {
        std::string found;
        for (zq::Iterator it = Model().GetElementIterator(), end; it != end; ++it)
            if (Core::IModelElement* owner = (*it)->GetOwner(); owner && owner->IsDeleted())
                found += "\norphan " + Name(**it) + " of the deleted " + Name(*owner);
        return found;
    }
    // A point on the page, among the drawing.
    zq::Point Somewhere() { return {1000 + 500 * Pick(30), -1000 - 500 * Pick(40)}; }

    std::string OneStep(bool& compare) {
        const int step = Pick(boxSteps_ ? 24 : 21);
        if (step >= 21) return BoxStep(step - 21);
        switch (step) {
        case 0: {
            const zq::Point at = Somewhere();
            Step([&](Core::Env& env) { Note::Note::Create(env, at); });
            return "note";
        }
        case 1: {
            const zq::Point at = Somewhere();
            const std::wstring name = kNames[Pick(5)];
            Step([&](Core::Env& env) {
                Core::ElementPtr made = ::Text::FreeText::Create(env, at);
                if (auto* text = dynamic_cast<::Text::FreeText*>(made.get()); text && text->GetText())
                    text->GetText()->SetName(env, name);
            });
            return "text";
        }
        case 2: case 3: case 4: {
            Core::IShiftable* moved = AnyShown<Core::IShiftable>();
            if (!moved) return "-";
            Drag(*moved, {500 * (Pick(9) - 4), 500 * (Pick(9) - 4)});
            return "move " + Name(*moved);
        }
        case 5: case 6: {
            Core::IResizable* box = AnyShown<Core::IResizable>();
            if (!box) return "-";
            zq::Rect r = box->GetRect();
            r.right += 300 * (Pick(7) - 3);
            r.bottom += 300 * (Pick(7) - 3);
            if (r.right - r.left < 300 || r.top - r.bottom < 300) return "-";
            Step([&](Core::Env& env) { box->SetRect(env, r); });
            return "resize " + Name(*box);
        }
        case 7: case 8: {
            Core::INamed* named = AnyShown<Core::INamed>();
            if (!named) return "-";
            const std::wstring name = kNames[Pick(5)];
            Step([&](Core::Env& env) { named->SetName(env, name); });
            return "rename " + Name(*named);
        }
        case 9: {
            Core::IDeletable* gone = AnyShown<Core::IDeletable>();
            if (!gone) return "-";
            const std::string what = Name(*gone);
            Step([&](Core::Env& env) { gone->Delete(env); });
            return "delete " + what;
        }
        case 10: case 11: {
            compare = true;
            const std::wstring& directory = directories_[size_t(Pick(int(directories_.size())))];
            Restyle(directory, kSizes[Pick(5)]);
            return "restyle";
        }
        case 20:
            compare = true;
            return ChangePage();
        case 12: case 13: case 14: case 15:
            // An undo or redo with nothing to do changes nothing to compare.
            compare = Model().GetUndoHandler().GetUndoCount() > 0;
            Undo();
            return "undo";
        default:
            compare = Model().GetUndoHandler().GetRedoCount() > 0;
            Redo();
            return "redo";
        }
    }

    // The steps of the class and object diagrams: the class command "Template" (a box made or taken
    // away), the end command "With Qualifier", and a qualifier dragged alone to a spot around a box
    // (beside, above, below or inside it) where it snaps to the border nearest the pointer.
    std::string BoxStep(int which) {
        if (which == 0) {
            Class::Class* c = AnyShown<Class::Class>();
            return c && MenuCommand(*c, ID_CLASS_TEMPLATE) ? "template " + Name(*c) : "-";
        }
        if (which == 1) {
            if (Class::AssocEnd* end = AnyLive<Class::AssocEnd>(); end && MenuCommand(*end, ID_END_QUALIFIER))
                return "qualifier " + Name(*end);
            if (Object::LinkEnd* end = AnyLive<Object::LinkEnd>(); end && MenuCommand(*end, ID_LINKEND_QUALIFIER))
                return "qualifier " + Name(*end);
            return "-";
        }
        ClassObject::IQualifier* q = AnyShown<ClassObject::IQualifier>();
        if (!q) return "-";
        Core::IResizable* box = dynamic_cast<Class::Qualifier*>(q) ? static_cast<Core::IResizable*>(AnyShown<Class::Class>())
                                                                   : AnyShown<Object::Object>();
        if (!box) return "-";
        const zq::Rect r = box->GetRect();
        const std::int32_t xs[] = {r.left - 300, r.left + r.Width() / 4, r.right - r.Width() / 4, r.right + 300};
        const std::int32_t ys[] = {r.top + 300, (r.top + r.bottom) / 2, r.bottom - 300};
        const zq::Point to{xs[Pick(4)], ys[Pick(3)]};
        Drag(*q, to - q->GetRect().TopLeft());
        return "drag " + Name(*q) + " to " + Name(*box);
    }
    // A live element of kind T (views or not), picked at random.
    template <class T>
    T* AnyLive() {
        std::vector<T*> all;
        for (zq::Iterator it = Model().GetElementIterator(), end; it != end; ++it)
            if (auto* t = dynamic_cast<T*>(*it); t && !(*it)->IsDeleted()) all.push_back(t);
        return all.empty() ? nullptr : all[size_t(Pick(int(all.size())))];
    }

    // Page Setup confirmed with OK after a new grid, orientation, margins or cut and glue margins:
    // the page frame changes in every view. (A new drawing scale keeps the window's scroll position,
    // where a fresh window scrolls to the same model point: the end-to-end test covers the scale.)
    std::string ChangePage() {
        Page::PageSetup setup(Model());
        std::string done = "page";
        switch (Pick(4)) {
        case 0:
            setup.rows.Set(1 + Pick(3));
            setup.columns.Set(1 + Pick(3));
            done += " grid " + std::to_string(setup.rows.Get()) + "x" + std::to_string(setup.columns.Get());
            break;
        case 1:
            setup.cutRight.Set(500.0 * (1 + Pick(6)));
            setup.glueLeft.Set(500.0 * (1 + Pick(6)));
            done += " cut and glue";
            break;
        case 2:
            setup.landscape.Set(!setup.landscape.Get());
            done += " landscape";
            break;
        default:
            setup.leftMargin.Set(500.0 * (1 + Pick(6)));
            setup.topMargin.Set(500.0 * (1 + Pick(6)));
            done += " margins";
            break;
        }
        setup.WriteBack();
        Model().UpdateAllViews();
        RefreshTest::Pump();
        return done;
    }

    std::mt19937 rng_;
    std::vector<std::wstring> directories_;
    bool boxSteps_ = false;
};

TEST_F(RandomEditing, ClassDiagrams) { Run("class", 1001, 40); }
TEST_F(RandomEditing, ObjectDiagrams) { Run("object", 2002, 40); }
TEST_F(RandomEditing, UseCaseDiagrams) { Run("usecase", 3003, 40); }
TEST_F(RandomEditing, SequenceDiagrams) { Run("sequence", 4004, 40); }
TEST_F(RandomEditing, StateDiagrams) { Run("state", 5005, 40); }

} // namespace
