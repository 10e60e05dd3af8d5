// Classes and their compartments: creation, the size following the name and the compartments,
// resizing, the compartment list with its undo, and the stored form read back or refused.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "core/DefaultGrid.h"
#include "core/Diagram.h"
#include "core/ModelElementSet.h"
#include "core/Shift.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "elements/class/Class.h"
#include "elements/class/Compartment.h"
#include "elements/class/tests/ClassScene.h"
#include "style/Model.h"
#include "style/Names.h"
#include "text/tests/FixedMeasurer.h"

namespace {

using Class::Compartment;

using ClassTest::All;
using ClassTest::Registry;
using ClassTest::Save;

struct Classes : HostScene::Scene {
  Classes() : HostScene::Scene(Registry()) {}

  Class::Class* NewClass(zq::Point at = {1000, 5000}) {
    Class::Class* c = nullptr;
    Change([&](Core::Env& env) { c = Class::Class::Create(env, at).get(); });
    return c;
  }
  Compartment* AddCompartment(Class::Class& c, const std::wstring& text, Compartment* after = nullptr) {
    Compartment* k = nullptr;
    Change([&](Core::Env& env) {
      k = Compartment::Create(env, {0, 0}).get();
      k->SetName(env, text);
      c.InsertCompartment(env, *k, after, false);
    });
    return k;
  }
  // Sets the size of the directory's font and tells every style client, as the styles editor does.
  void SetFontPoints(const Style::DirectoryName& name, double points) {
    Change([&](Core::Env& env) {
      Style::Directory* dir = Style::Style::Find(diagram)->GetRoot()->Find(name);
      ASSERT_NE(dir, nullptr);
      ASSERT_NE(dir->GetFont(), nullptr);
      dir->GetFont()->SetSize(env, {false, points});
      for (const auto& e : std::vector<Core::ElementPtr>(diagram.Elements()))
        if (auto* client = dynamic_cast<Style::IStyleClient*>(e.get()); client && !e->IsDeleted())
          client->StyleChanged(env, name);
    });
  }
  // The stack as texts, top to bottom, checked against the back links and the owner.
  std::wstring Stack(const Class::Class& c) {
    std::wstring out;
    Compartment* previous = nullptr;
    for (Compartment* k : c.Compartments()) {
      EXPECT_EQ(k->GetPrevious(), previous);
      EXPECT_EQ(k->GetClass(), &c);
      out += k->GetName() + L"|";
      previous = k;
    }
    return out;
  }
};

TEST_F(Classes, ANewClassIsNamedAndSizedByItsName) {
  Class::Class* c = NewClass();
  EXPECT_EQ(c->GetName(), L"<name?>");
  EXPECT_FALSE(c->IsAbstract());
  EXPECT_EQ(c->GetCompartmentCount(), 0);
  EXPECT_EQ(c->GetPos(), (zq::Point{1000, 5000}));
  const zq::Point small = c->GetSize();
  EXPECT_EQ(small.x % 100, 0);
  Change([&](Core::Env& env) { c->SetName(env, L"AVeryMuchLongerClassName"); });
  EXPECT_GT(c->GetSize().x, small.x);
  const zq::Point grown = c->GetSize();
  Undo();
  EXPECT_EQ(c->GetSize(), small);
  Redo();
  EXPECT_EQ(c->GetSize(), grown);
  EXPECT_EQ(c->GetName(), L"AVeryMuchLongerClassName");
  // The class creates its style branch with the header bold.
  Style::Style* style = Style::Style::Find(diagram);
  ASSERT_NE(style, nullptr);
  TextBlock::TextStyle header;
  style->GetFont(Style::Names::ClassHeader(), header);
  EXPECT_TRUE(header.bold);
}

TEST_F(Classes, ACompartmentMadeFirstGivesTheClassDiagramDirectoryAnInheritingFont) {
  Change([&](Core::Env& env) { Compartment::Create(env, {0, 0}); });
  Style::Style* style = Style::Style::Find(diagram);
  ASSERT_NE(style, nullptr);
  Style::Directory* classDiagram = style->GetRoot()->Find(Style::Names::ClassDiagram());
  ASSERT_NE(classDiagram, nullptr);
  EXPECT_NE(classDiagram->GetFont(), nullptr);
  NewClass();
  // Compartment texts are 8 points; the header's size comes from "Base" through the inheriting levels.
  TextBlock::TextStyle compartment, header;
  style->GetFont(Style::Names::ClassCompartment(), compartment);
  style->GetFont(Style::Names::ClassHeader(), header);
  TextBlock::TextStyle base;
  style->GetFont(Style::DirectoryName::Base(), base);
  EXPECT_NE(compartment.size, header.size);
  EXPECT_EQ(header.size, base.size);
}

TEST_F(Classes, CompartmentsStackBelowTheHeaderAndGrowTheBox) {
  Class::Class* c = NewClass();
  const std::int32_t headerOnly = c->GetSize().y;
  Compartment* a = AddCompartment(*c, L"x: int");
  Compartment* b = AddCompartment(*c, L"f()");
  EXPECT_EQ(Stack(*c), L"x: int|f()|");
  EXPECT_EQ(a->GetPos().y, c->GetPos().y - c->HeaderHeight(View::DefaultGrid::Instance()));
  EXPECT_EQ(b->GetPos().y, a->GetPos().y - a->GetSize().y);
  EXPECT_EQ(c->GetSize().y, headerOnly + a->GetSize().y + b->GetSize().y);
  EXPECT_EQ(a->GetSize().x, c->GetSize().x);
  // More lines make the compartment and the box taller, and the one below moves down.
  const std::int32_t before = c->GetSize().y;
  Change([&](Core::Env& env) { a->SetName(env, L"x: int\ny: int\nz: int"); });
  EXPECT_GT(c->GetSize().y, before);
  EXPECT_EQ(b->GetPos().y, a->GetPos().y - a->GetSize().y);
  // A wide line widens the class and every compartment.
  Change([&](Core::Env& env) { b->SetName(env, L"aVeryLongOperationName(int, int, int)"); });
  EXPECT_EQ(a->GetSize().x, c->GetSize().x);
  EXPECT_EQ(b->GetSize().x, c->GetSize().x);
  EXPECT_GE(c->GetSize().x, b->NeededSize(View::DefaultGrid::Instance()).x);
  Undo();
  Undo();
  EXPECT_EQ(c->GetSize().y, headerOnly + a->GetSize().y + b->GetSize().y);
  // The lower compartment's top handles: the class grows upwards, the one above moves up along.
  ExpectCompartmentTopHandlesResizeOwner(*c, *b);
  EXPECT_EQ(b->GetPos().y, a->GetPos().y - a->GetSize().y);
}

TEST_F(Classes, NewCompartmentGoesAfterTheOneNamed) {
  Class::Class* c = NewClass();
  Compartment* a = AddCompartment(*c, L"a");
  AddCompartment(*c, L"b");
  AddCompartment(*c, L"c", a);
  EXPECT_EQ(Stack(*c), L"a|c|b|");
  EXPECT_EQ(c->IndexOfCompartment(*a), 0);
  Class::Class* other = NewClass({9000, 5000});
  EXPECT_EQ(other->IndexOfCompartment(*a), -1);
  EXPECT_EQ(c->GetCompartment(3), nullptr);
  EXPECT_EQ(c->GetCompartment(-1), nullptr);
}

TEST_F(Classes, DeletingEachCompartmentAndUndoingRestoresEveryLink) {
  Class::Class* c = NewClass();
  AddCompartment(*c, L"a");
  AddCompartment(*c, L"b");
  AddCompartment(*c, L"c");
  const std::string saved = Save(diagram);
  const zq::Point size = c->GetSize();
  for (int i = 0; i < 3; ++i) {
    Compartment* k = c->GetCompartment(i);
    Change([&](Core::Env& env) { k->Delete(env); });
    EXPECT_EQ(c->GetCompartmentCount(), 2);
    EXPECT_EQ(k->GetClass(), nullptr);
    EXPECT_LT(c->GetSize().y, size.y);
    Stack(*c);
    Undo();
    EXPECT_EQ(Stack(*c), L"a|b|c|");
    EXPECT_EQ(c->GetSize(), size);
    EXPECT_EQ(Save(diagram), saved);
  }
  Redo();
  EXPECT_EQ(Stack(*c), L"a|b|");
}

TEST_F(Classes, ARunOfCompartmentsDraggedToAnotherClassLeavesItsStackClosed) {
  Class::Class* from = NewClass();
  Compartment* a = AddCompartment(*from, L"a");
  Compartment* b = AddCompartment(*from, L"b");
  Compartment* c = AddCompartment(*from, L"c");
  AddCompartment(*from, L"d");
  Class::Class* to = NewClass({9000, 5000});
  Compartment* e = AddCompartment(*to, L"e");
  const std::string saved = Save(diagram);
  Change([&](Core::Env& env) {
    Core::ModelElementSet moved;
    moved.Insert(b->shared_from_this());
    moved.Insert(c->shared_from_this());
    Core::DeferredShiftSet set(moved, &diagram, b);
    EXPECT_TRUE(c->DetachFromSource(env, set, moved));  // only the run's first acts
    EXPECT_FALSE(b->DetachFromSource(env, set, moved));
    EXPECT_EQ(Stack(*from), L"a|d|");
    EXPECT_EQ(b->GetClass(), nullptr);
    EXPECT_EQ(b->GetNext(), c);
    // Dropped above the middle of the target's only compartment: before it.
    to->DropCompartments(env, *b, {9100, e->GetPos().y + 10});
  });
  EXPECT_EQ(Stack(*to), L"b|c|e|");
  EXPECT_EQ(Stack(*from), L"a|d|");
  EXPECT_EQ(a->GetNext()->GetPos().y, a->GetPos().y - a->GetSize().y);
  EXPECT_EQ(to->GetSize().y, to->HeaderHeight(View::DefaultGrid::Instance()) + 3 * e->GetSize().y);
  Undo();
  EXPECT_EQ(Save(diagram), saved);
  // A compartment that moves with its class stays where it is.
  Change([&](Core::Env& env) {
    Core::ModelElementSet moved;
    moved.Insert(from->shared_from_this());
    moved.Insert(b->shared_from_this());
    Core::DeferredShiftSet set(moved, &diagram, from);
    EXPECT_TRUE(b->DetachFromSource(env, set, moved));
  });
  EXPECT_EQ(Stack(*from), L"a|b|c|d|");
}

TEST_F(Classes, ResizingKeepsTheOppositeEdgeAndTheMinimum) {
  Class::Class* c = NewClass();
  AddCompartment(*c, L"a");
  const zq::Rect r = c->GetRect();
  const Core::IGrid& grid = View::DefaultGrid::Instance();
  const std::int32_t nameWidth = TextBlock::ITextOwner::GetTextAreaSizeUsed(c->GetText()).width;
  // The left edge dragged to the right as far as it will go: the right edge stays, and the box
  // keeps the name's width and its margins.
  Change([&](Core::Env& env) { c->SetRect(env, {r.right - 10, r.top, r.right, r.bottom}, false); });
  EXPECT_EQ(c->GetRect().right, r.right);
  EXPECT_EQ(c->GetSize().x, std::max(grid.SnapLength(nameWidth + 200), c->GetFirstCompartment()->NeededSize(grid).x));
  // The top edge dragged down: the bottom stays, the box never gets lower than header + compartments.
  Change([&](Core::Env& env) { c->SetRect(env, {r.left, r.bottom + 10, r.right, r.bottom}, false); });
  EXPECT_EQ(c->GetRect().bottom, r.bottom);
  EXPECT_EQ(c->GetSize().y, c->HeaderHeight(grid) + c->GetFirstCompartment()->GetSize().y);
  // A taller box keeps its compartments right under the header.
  Change([&](Core::Env& env) { c->SetRect(env, {r.left, r.top, r.right + 1000, r.bottom - 2000}, false); });
  EXPECT_EQ(c->GetSize(), (zq::Point{r.Width() + 1000, r.top - r.bottom + 2000}));
  Compartment* a = c->GetFirstCompartment();
  EXPECT_EQ(a->GetPos().y, r.top - c->HeaderHeight(View::DefaultGrid::Instance()));
  EXPECT_EQ(a->GetSize().x, c->GetSize().x);
}

// A class's header follows its name through every change: renamed, restyled, with a compartment
// dragged out and dropped back into the class or a handle dragged, the first compartment lies right
// under the name (snapped name height + 200 below the top), the stack closes up below it, and no
// change makes the box lower. A name and a font given back give the header back.
struct HeaderStep {
  const char* name;
  std::function<void(Classes&, Class::Class&)> change;
  bool headerAsAtStart;  // besides following the name: as high as at the start
  bool sizeKept;         // the box's size unchanged (else only never lower)
  const wchar_t* stack;  // the compartments afterwards
};

// Drags the compartment by the vector in two steps and drops it into its class where the pointer
// (its middle) ends, as the move task does: detached before the drag's restore point, every step
// started over from there.
void DragCompartment(Classes& s, Class::Class& c, Compartment& k, zq::Point by) {
  const zq::Rect r = k.GetRect();
  const zq::Point drop{(r.left + r.right) / 2 + by.x, (r.top + r.bottom) / 2 + by.y};
  s.Change([&](Core::Env& env) {
    Core::ModelElementSet moved;
    moved.Insert(k.shared_from_this());
    Core::DeferredShiftSet set(moved, &s.diagram, &k);
    EXPECT_FALSE(k.DetachFromSource(env, set, moved));
    env.GetTransaction().SetRestorePoint();
    for (int step = 1; step <= 2; ++step) {
      env.GetTransaction().ReturnToRestorePoint();
      set.ShiftAll(env, {by.x * step / 2.0, by.y * step / 2.0, true, true});
    }
    set.ShiftDeferred(env);
    c.DropCompartments(env, k, drop);
  });
}

TEST_F(Classes, TheHeaderFollowsTheNameAndTheBoxNeverGetsLower) {
  Class::Class* c = NewClass();
  Change([&](Core::Env& env) { c->SetName(env, L"Tight"); });
  AddCompartment(*c, L"x");
  AddCompartment(*c, L"f");
  using Step = std::function<void(Classes&, Class::Class&)>;
  const auto rename = [](const wchar_t* name) -> Step {
    return [name](Classes& s, Class::Class& k) { s.Change([&](Core::Env& env) { k.SetName(env, name); }); };
  };
  const auto restyle = [](double points) -> Step {
    return [points](Classes& s, Class::Class&) { s.SetFontPoints(Style::Names::ClassHeader(), points); };
  };
  const auto drag = [](int index, zq::Point by) -> Step {
    return [index, by](Classes& s, Class::Class& k) { DragCompartment(s, k, *k.GetCompartment(index), by); };
  };
  const std::int32_t px40At200 = 529;  // 40 pixels at 96 dpi shown at 200 %
  const HeaderStep steps[] = {
      {"renamed to two lines", rename(L"Two\nlines"), false, false, L"x|f|"},
      {"renamed to one short line", rename(L"T"), true, false, L"x|f|"},
      {"renamed to the first name", rename(L"Tight"), true, true, L"x|f|"},
      {"restyled to 30 pt", restyle(30), false, false, L"x|f|"},
      {"restyled from 30 to 6 pt", restyle(6), false, false, L"x|f|"},
      {"restyled back to 11 pt", restyle(11), true, false, L"x|f|"},
      {"first compartment dragged 40 px down, below the second", drag(0, {0, -px40At200}), true, true, L"f|x|"},
      {"second compartment dragged above the first", drag(1, {0, 900}), true, true, L"x|f|"},
      {"first compartment dragged a little and dropped at its place", drag(0, {300, -100}), true, true, L"x|f|"},
      {"widened by its right handle",
       [](Classes& s, Class::Class& k) {
         const zq::Rect r = k.GetRect();
         s.Resize(k, {r.left, r.top, r.right + 1500, r.bottom});
       },
       true, false, L"x|f|"},
  };
  const auto header = [&] { return c->GetPos().y - c->GetFirstCompartment()->GetPos().y; };
  const std::int32_t start = header();
  const std::string saved = Save(diagram);
  int changes = 0;
  for (const HeaderStep& step : steps) {
    const zq::Point size = c->GetSize();
    const std::size_t undo = diagram.GetUndoHandler().GetUndoCount();
    step.change(*this, *c);
    changes += int(diagram.GetUndoHandler().GetUndoCount() - undo);
    const std::int32_t name = TextBlock::ITextOwner::GetTextAreaSizeUsed(c->GetText()).height;
    EXPECT_EQ(header(), (name + 200 + 99) / 100 * 100) << step.name;
    if (step.headerAsAtStart) { EXPECT_EQ(header(), start) << step.name; }
    EXPECT_EQ(Stack(*c), step.stack) << step.name;
    std::int32_t bottom = c->GetFirstCompartment()->GetPos().y;
    for (Compartment* k : c->Compartments()) {
      EXPECT_EQ(k->GetPos(), (zq::Point{c->GetPos().x, bottom})) << step.name;
      bottom -= k->GetSize().y;
    }
    EXPECT_LE(c->GetPos().y - c->GetSize().y, bottom) << step.name << ": the box ends above its last compartment";
    if (step.sizeKept)
      EXPECT_EQ(c->GetSize(), size) << step.name;
    else
      EXPECT_GE(c->GetSize().y, size.y) << step.name;
  }
  for (int i = 0; i < changes; ++i) Undo();
  EXPECT_EQ(Save(diagram), saved);
}

TEST_F(Classes, AbstractChangesOnlyWhenToggled) {
  Class::Class* c = NewClass();
  const std::size_t steps = diagram.GetUndoHandler().GetUndoCount();
  Change([&](Core::Env& env) { c->SetAbstract(env, false); });
  EXPECT_EQ(diagram.GetUndoHandler().GetUndoCount(), steps);
  Change([&](Core::Env& env) { c->SetAbstract(env, true); });
  EXPECT_TRUE(c->IsAbstract());
  TextBlock::TextStyle style;
  c->GetTextStyle(style, c->GetText());
  EXPECT_TRUE(style.italic);
}

TEST_F(Classes, CompartmentSlotsFollowTheMiddles) {
  Class::Class* c = NewClass();
  Compartment* a = AddCompartment(*c, L"a");
  Compartment* b = AddCompartment(*c, L"b");
  const std::int32_t x = c->GetPos().x + 10;
  EXPECT_EQ(c->FindCompartmentSlot({x, a->GetPos().y}), std::make_pair(a, true));
  EXPECT_EQ(c->FindCompartmentSlot({x, b->GetPos().y + 1}), std::make_pair(a, false));
  EXPECT_EQ(c->FindCompartmentSlot({x, b->GetPos().y - 1}), std::make_pair(b, true));
  EXPECT_EQ(c->FindCompartmentSlot({x, b->GetPos().y - b->GetSize().y}), std::make_pair(b, false));
}

TEST_F(Classes, StoredFormReadsBackInOrder) {
  Class::Class* c = NewClass();
  AddCompartment(*c, L"first");
  AddCompartment(*c, L"second");
  Compartment* third = AddCompartment(*c, L"third");
  Change([&](Core::Env& env) {
    c->SetAbstract(env, true);
    // Written last but linked in the middle: the order comes from "Previous" alone.
    third->Unlink(env);
    c->InsertCompartment(env, *third, c->GetFirstCompartment(), false);
  });
  const std::string first = Save(diagram);
  EXPECT_NE(first.find("Previous="), std::string::npos);
  EXPECT_EQ(first.find("Next="), std::string::npos);
  EXPECT_EQ(first.find("FirstCompartment="), std::string::npos);
  Core::Diagram loaded{Registry(), nullptr};
  loaded.LoadXML(first);
  const auto classes = All<Class::Class>(loaded);
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(Stack(*classes[0]), L"first|third|second|");
  EXPECT_TRUE(classes[0]->IsAbstract());
  EXPECT_EQ(classes[0]->GetSize(), c->GetSize());
  EXPECT_EQ(Save(loaded), first);
}

TEST_F(Classes, TemplateParametersSitOnTheTopRightCornerAndWidenTheClass) {
  Class::Class* c = NewClass();
  Change([&](Core::Env& env) { c->SetRect(env, {1000, 5000, 3000, 3500}, false); });
  ASSERT_EQ(c->GetRect(), zq::Rect(1000, 5000, 3000, 3500));
  Class::TemplateParameters* box = nullptr;
  Change([&](Core::Env& env) { box = &c->CreateTemplateParameters(env); });
  EXPECT_EQ(box->GetRect(), zq::Rect(2400, 5100, 3100, 4900));
  zq::Rect bounds;
  c->GetBoundingRect(bounds);
  EXPECT_EQ(bounds, zq::Rect(1000, 5100, 3100, 3500));
  std::vector<zq::Point> outline;
  c->GetOutline(outline, false);
  EXPECT_EQ(outline.size(), 8u);
  EXPECT_EQ(outline[1], (zq::Point{2400, 5000}));
  EXPECT_EQ(c->GetMinWidth(), 1000);
  EXPECT_TRUE(c->IsNear({3050, 5050}, 0));
  // A longer text widens the box to the left; within 400 of the class's left edge the class widens.
  Change([&](Core::Env& env) { box->SetName(env, L"T, U, V, W, X, Y, Z, Element, Allocator"); });
  EXPECT_EQ(box->GetRect().right, 3100);
  EXPECT_EQ(c->GetRect().right, 3000);
  EXPECT_GE(box->GetRect().left - c->GetRect().left, 400);
  EXPECT_LT(c->GetRect().left, 1000);
  const std::string saved = Save(diagram);
  EXPECT_NE(saved.find("<TemplateParameters"), std::string::npos);
  Core::Diagram loaded{Registry(), nullptr};
  loaded.LoadXML(saved);
  ASSERT_EQ(All<Class::Class>(loaded).size(), 1u);
  Class::TemplateParameters* read = All<Class::Class>(loaded)[0]->GetTemplateParameters();
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetRect(), box->GetRect());
  EXPECT_EQ(Save(loaded), saved);
  // Deleting the box shrinks nothing back but forgets it; undo brings it back.
  Change([&](Core::Env& env) { box->Delete(env); });
  EXPECT_EQ(c->GetTemplateParameters(), nullptr);
  EXPECT_EQ(c->GetMinWidth(), 300);
  Undo();
  EXPECT_EQ(c->GetTemplateParameters(), box);
  // Deleting the class takes the box along.
  Change([&](Core::Env& env) { c->Delete(env); });
  EXPECT_TRUE(box->IsDeleted());
  Undo();
  EXPECT_FALSE(box->IsDeleted());
  EXPECT_EQ(Save(diagram), saved);
}

// A document of two classes whose compartments carry the given "Previous" attributes.
std::string Document(const char* a, const char* b, const char* c) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<Diagram xmlns=\"http://quorvel.example/schema/1.0\">\n"
      "<Class id=\"r1\" Pos=\"0 0\" Size=\"2000 1000\">\n"
      "<Compartment id=\"r2\" Pos=\"0 0\" Size=\"2000 200\" ";
  text += a;
  text += "/>\n<Compartment id=\"r3\" Pos=\"0 0\" Size=\"2000 200\" ";
  text += b;
  text += "/>\n</Class>\n<Class id=\"r4\" Pos=\"0 0\" Size=\"2000 1000\">\n<Compartment id=\"r5\" Pos=\"0 0\" Size=\"2000 200\" ";
  text += c;
  text += "/>\n</Class>\n</Diagram>\n";
  return text;
}

TEST_F(Classes, BrokenCompartmentListsAreRefusedWithTheirLine) {
  {
    Core::Diagram ok{Registry(), nullptr};
    ok.LoadXML(Document("", "Previous=\"r2\"", ""));
    ASSERT_EQ(All<Class::Class>(ok).size(), 2u);
    EXPECT_EQ(All<Class::Class>(ok)[0]->GetCompartmentCount(), 2);
  }
  struct Case {
    const char *a, *b, *c;
    const char* message;
  };
  const Case cases[] = {
      {"Previous=\"r3\"", "Previous=\"r2\"", "", "cycle"},
      {"", "Previous=\"r3\"", "", "cycle"},              // names itself
      {"", "Previous=\"r5\"", "", "same class"},          // a compartment of the other class
      {"", "", "", "two first"},                          // a fork at the top
      {"", "Previous=\"r2\"", "Previous=\"r2\"", "same class"},
  };
  for (const Case& k : cases) {
    Core::Diagram bad{Registry(), nullptr};
    try {
      bad.LoadXML(Document(k.a, k.b, k.c));
      ADD_FAILURE() << "read: " << k.a << " / " << k.b << " / " << k.c;
    } catch (const xml::ExceptionBase& e) {
      EXPECT_NE(std::string(e.what()).find(k.message), std::string::npos) << e.what();
      EXPECT_GE(e.Line(), 3);
    }
    EXPECT_TRUE(All<Class::Class>(bad).empty());
    EXPECT_TRUE(All<Compartment>(bad).empty());
  }
}

}  // namespace

namespace {

// The "Diagram Style" editor writes a directory's font and tells every style client which
// directory changed; class boxes then take the size their texts need.
TEST_F(Classes, AClassFontChangedInTheStylesResizesTheBoxesInOneUndoStep) {
  Class::Class* c = NewClass();
  Compartment* k = AddCompartment(*c, L"+area(): double");
  const zq::Point size = c->GetSize(), compartment = k->GetSize();
  SetFontPoints(Style::Names::Class(), 20);
  // The name is larger: the box is wider and its header higher; the compartment, whose directory
  // keeps its own size, takes the new width and still closes the box at its bottom.
  EXPECT_GT(c->GetSize().x, size.x);
  EXPECT_GT(c->GetSize().y, size.y);
  EXPECT_EQ(k->GetSize().y, compartment.y);
  EXPECT_EQ(k->GetSize().x, c->GetSize().x);
  EXPECT_EQ(k->GetPos().y - k->GetSize().y, c->GetRect().bottom);
  Undo();
  EXPECT_EQ(c->GetSize(), size);
  EXPECT_EQ(k->GetSize(), compartment);
}

TEST_F(Classes, ANewClassLaysOutItsNameAndCompartmentsInTheirFontsAndAFontChangeReachesThem) {
  Class::Class* c = NewClass();
  HostScene::ExpectFont(c->GetText(), 11, true);
  Compartment* k = AddCompartment(*c, L"+x: int");
  HostScene::ExpectFont(k->GetText(), 8, false);
  // A font changed in the styles reaches the new class at once, as it reaches one read.
  Change([&](Core::Env& env) {
    Style::Directory* base = Style::Style::Find(diagram)->GetRoot();
    base->GetFont()->SetSize(env, {false, 14});
    for (const auto& e : std::vector<Core::ElementPtr>(diagram.Elements()))
      if (auto* client = dynamic_cast<Style::IStyleClient*>(e.get()); client && !e->IsDeleted())
        client->StyleChanged(env, Style::DirectoryName::Base());
  });
  HostScene::ExpectFont(c->GetText(), 14, true);
  HostScene::ExpectFont(k->GetText(), 8, false);
}

}  // namespace
