// Sequence objects, lifelines and activations: creation, moves, lengths, deletion, stored form.
#include "elements/sequence/tests/SequenceScene.h"

#include "core/Exceptions.h"

using namespace SequenceTest;
using Sequence::Activation;
using Sequence::LifeLine;
using Sequence::SeqObject;

namespace {
std::string Replace(std::string s, const std::string& from, const std::string& to) {
    const auto at = s.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}
} // namespace

TEST_F(Scene, NewObjectHasItsLifeLineUnderTheMiddleOfItsLowerEdge)
{
    SeqObject* o = NewObject({1000, 8000});
    ASSERT_NE(nullptr, o->GetLifeLine());
    LifeLine* line = o->GetLifeLine();
    EXPECT_EQ(zq::Point(2000, 1000), o->GetSize());
    EXPECT_EQ(L"<name?>", o->GetName());
    EXPECT_EQ(zq::Point(2000, 7000), line->GetTop());
    EXPECT_EQ(6000, line->GetLen());
    EXPECT_FALSE(line->IsDying());
    EXPECT_EQ(o, line->GetSeqObject());
    EXPECT_EQ(o, line->GetOwner());
    Undo();
    EXPECT_EQ(0u, Count<SeqObject>());
    EXPECT_EQ(0u, Count<LifeLine>());
}

TEST_F(Scene, MovingTheObjectMovesTheLineTopAndKeepsItsBottom)
{
    SeqObject* o = NewObject({0, 10000});
    LifeLine* line = o->GetLifeLine();
    const zq::Point bottom = line->GetBottom();
    // A drag is previewed many times inside one change: the length is measured from the start.
    Change([&](Core::Env& env) {
        Core::ModelElementSet moved;
        moved.Insert(o->shared_from_this());
        Core::DeferredShiftSet set(moved, &diagram, o);
        for (int step = 1; step <= 5; ++step) set.ShiftAll(env, {0, -100.0 * step, true, true});
        set.ShiftDeferred(env);
    });
    EXPECT_EQ(zq::Point(1000, 8500), line->GetTop());
    EXPECT_EQ(bottom, line->GetBottom());
    EXPECT_EQ(5500, line->GetLen());
    // Down past the bottom: the line keeps its minimum.
    Move({o}, 0, -7000);
    EXPECT_EQ(LifeLine::kMinLen, line->GetLen());
    Undo();
    EXPECT_EQ(5500, line->GetLen());
    // Sideways: the whole line goes along.
    Move({o}, 700, 0);
    EXPECT_EQ(zq::Point(1700, 8500), line->GetTop());
    EXPECT_EQ(5500, line->GetLen());
}

TEST_F(Scene, SenderMatrixOfLineMoves)
{
    SeqObject* o = NewObject({0, 10000});
    LifeLine* line = o->GetLifeLine();
    Activation* a = NewActivation(*line, {800, 8000});
    // The line dragged alone: sideways the object and the bar follow; vertically nothing moves.
    Move({line}, 500, 300);
    EXPECT_EQ(zq::Point(1500, 9000), line->GetTop());
    EXPECT_EQ(zq::Point(500, 10000), o->GetPos());
    EXPECT_EQ(zq::Point(1300, 8000), a->GetPos());
    Move({line}, 0, -400);
    EXPECT_EQ(zq::Point(1500, 9000), line->GetTop());
    // Object and line selected together move as one, bottom included.
    Move({o, line}, 0, -400);
    EXPECT_EQ(zq::Point(1500, 8600), line->GetTop());
    EXPECT_EQ(6000, line->GetLen());
    EXPECT_EQ(zq::Point(1300, 7600), a->GetPos());
    // A bar dragged alone slides along its line; sideways it takes line and object along.
    Move({a}, 0, -1000);
    EXPECT_EQ(zq::Point(1300, 6600), a->GetPos());
    EXPECT_EQ(zq::Point(1500, 8600), line->GetTop());
    Move({a}, -500, 0);
    EXPECT_EQ(zq::Point(1000, 8600), line->GetTop());
    EXPECT_EQ(zq::Point(0, 9600), o->GetPos());
}

TEST_F(Scene, SetBottomKeepsTheMinimumAndUndoesInOneStep)
{
    SeqObject* o = NewObject({0, 10000});
    LifeLine* line = o->GetLifeLine();
    Change([&](Core::Env& env) { line->SetBottom(env, 1000); });
    EXPECT_EQ(8000, line->GetLen());
    Change([&](Core::Env& env) { line->SetBottom(env, 8900); });
    EXPECT_EQ(LifeLine::kMinLen, line->GetLen());
    Undo();
    EXPECT_EQ(8000, line->GetLen());
    Change([&](Core::Env& env) { line->SetDying(env, true); });
    EXPECT_TRUE(line->IsDying());
    Undo();
    EXPECT_FALSE(line->IsDying());
}

TEST_F(Scene, ActivationGeometryAndHandles)
{
    SeqObject* o = NewObject({0, 8000});
    Activation* a = NewActivation(*o->GetLifeLine(), {1000, 5000}, 500);
    EXPECT_EQ(zq::Rect(1000, 5000, 1400, 4500), a->GetRect());
    EXPECT_TRUE(a->IsNear({1450, 4800}, 50));
    EXPECT_FALSE(a->IsNear({1450, 4800}, 40));
    Change([&](Core::Env& env) { a->SetTop(env, 6000); });
    EXPECT_EQ(6000, a->GetPos().y);
    EXPECT_EQ(1500, a->GetLen());
    Change([&](Core::Env& env) { a->SetBottom(env, 4000); });
    EXPECT_EQ(2000, a->GetLen());
    // A click on the line inside the bar's extent belongs to the bar.
    EXPECT_FALSE(o->GetLifeLine()->IsNear({1000, 5000}, 50));
    EXPECT_TRUE(o->GetLifeLine()->IsNear({1000, 3000}, 50));
}

TEST_F(Scene, NewActivationExample)
{
    SeqObject* o = NewObject({4000, 9000});
    LifeLine* line = o->GetLifeLine();
    GraphUtil::OutlineHit hit;
    ASSERT_TRUE(line->GetTerminalOutline(hit, {5100, 7400}, true));
    zq::Point p = zq::RoundPoint(hit.point);
    p.x -= 200;
    Activation* a = NewActivation(*line, p);
    EXPECT_EQ(zq::Point(4800, 7400), a->GetPos());
    EXPECT_EQ(2000, a->GetLen());
    EXPECT_EQ(line, a->GetLifeLine());
    ASSERT_EQ(1u, line->GetActivations().size());
    EXPECT_EQ(Activation::Factory().GetPrototype().len, 500);
}

TEST_F(Scene, DashedPiecesLeaveOutTheBars)
{
    SeqObject* o = NewObject({2000, 11000});
    LifeLine* line = o->GetLifeLine();
    Change([&](Core::Env& env) { line->SetBottom(env, 5000); });
    ASSERT_EQ(zq::Point(3000, 10000), line->GetTop());
    using Pieces = std::vector<std::pair<std::int32_t, std::int32_t>>;
    EXPECT_EQ((Pieces{{5000, 10000}}), line->GetDashedPieces());
    Activation* a = NewActivation(*line, {2800, 9000});
    EXPECT_EQ((Pieces{{5000, 7000}, {9000, 10000}}), line->GetDashedPieces());
    NewActivation(*line, {2800, 8000});
    EXPECT_EQ((Pieces{{5000, 6000}, {9000, 10000}}), line->GetDashedPieces());
    // A bar at the very top leaves no empty piece above it; one sticking out below is clamped.
    Change([&](Core::Env& env) { a->SetTop(env, 10000); });
    EXPECT_EQ((Pieces{{5000, 6000}}), line->GetDashedPieces());
    Change([&](Core::Env& env) { a->SetBottom(env, 3000); });
    EXPECT_EQ(Pieces{}, line->GetDashedPieces());
    const auto bounds = line->GetActivationBoundaries();
    ASSERT_EQ(4u, bounds.size());
    EXPECT_TRUE(std::is_sorted(bounds.begin(), bounds.end(),
                               [](const auto& l, const auto& r) { return l.first < r.first; }));
}

TEST_F(Scene, DeletingObjectOrLineDeletesBothWithActivations)
{
    SeqObject* o = NewObject({0, 10000});
    NewActivation(*o->GetLifeLine(), {800, 8000});
    Change([&](Core::Env& env) { o->GetLifeLine()->Delete(env); });
    EXPECT_EQ(0u, Count<SeqObject>());
    EXPECT_EQ(0u, Count<LifeLine>());
    EXPECT_EQ(0u, Count<Activation>());
    Undo();
    EXPECT_EQ(1u, Count<Activation>());
    Change([&](Core::Env& env) {
        o->Delete(env);
        o->Delete(env);  // a second deletion changes nothing
    });
    EXPECT_EQ(0u, Count<LifeLine>() + Count<Activation>() + Count<SeqObject>());
    Undo();
    EXPECT_EQ(1u, Count<SeqObject>());
}

TEST_F(Scene, OrphanActivationDeletesItself)
{
    SeqObject* o = NewObject({0, 10000});
    Activation* a = NewActivation(*o->GetLifeLine(), {800, 8000});
    Change([&](Core::Env& env) { a->SetLifeLine(env, nullptr); });
    EXPECT_TRUE(a->IsDeleted());
}

TEST_F(Scene, StoredFormRoundTripsAndIsChecked)
{
    SeqObject* o = NewObject({0, 10000});
    Activation* outer = NewActivation(*o->GetLifeLine(), {800, 8000});
    Activation* inner = NewActivation(*o->GetLifeLine(), {800, 7500}, 500);
    Change([&](Core::Env& env) {
        inner->SetMaster(env, outer);
        o->GetLifeLine()->SetDying(env, true);
    });
    const std::string xml = Save();
    EXPECT_NE(std::string::npos, xml.find("<LifeLine id=")) << xml;
    EXPECT_NE(std::string::npos, xml.find("Dying=\"1\"")) << xml;
    EXPECT_NE(std::string::npos, xml.find("Master=\"r")) << xml;
    EXPECT_LT(xml.find("<SeqObject"), xml.find("<LifeLine")) << xml;
    EXPECT_LT(xml.find("<LifeLine"), xml.find("<Activation")) << xml;
    EXPECT_EQ(std::string::npos, xml.find("MessageEnds")) << xml;
    Core::Diagram copy(Registry(), nullptr);
    copy.LoadXML(xml);
    std::ostringstream again;
    copy.SaveXML(again);
    EXPECT_EQ(xml, again.str());
    for (const auto& e : copy.Elements())
        if (auto* line = dynamic_cast<LifeLine*>(e.get())) {
            EXPECT_EQ(2u, line->GetActivations().size());
            EXPECT_NE(nullptr, line->GetSeqObject());
        }

    // Deleting the master re-targets its sub: nothing saved names an element that is gone.
    Change([&](Core::Env& env) { outer->Delete(env); });
    EXPECT_EQ(nullptr, inner->GetMaster());
    Core::Diagram reread(Registry(), nullptr);
    EXPECT_NO_THROW(reread.LoadXML(Save()));

    Core::Diagram bad(Registry(), nullptr);
    const std::string noLen = Replace(xml, "Len=\"500\"", "");
    EXPECT_THROW(bad.LoadXML(noLen), Core::Exceptions::MandatoryAttributeMissing);
    const auto at = xml.find("<LifeLine");
    const std::string lineLen = xml.substr(at, xml.find('>', at) - at);
    EXPECT_THROW(bad.LoadXML(Replace(xml, lineLen, Replace(lineLen, "Len=\"6000\"", ""))),
                 Core::Exceptions::MandatoryAttributeMissing);
    // A lifeline or an activation outside its owner is refused.
    EXPECT_THROW(bad.LoadXML(Doc("<LifeLine id=\"r1\" Pos=\"0 0\" Len=\"100\"/>")), xml::ExceptionBase);
    EXPECT_THROW(bad.LoadXML(Doc("<Activation id=\"r1\" Pos=\"0 0\" Len=\"100\"/>")), xml::ExceptionBase);
    EXPECT_THROW(bad.LoadXML(Doc("<SeqObject id=\"r1\" Pos=\"0 0\" Size=\"2000 1000\"/>")), xml::ExceptionBase);
}

TEST_F(Scene, AnObjectReadKeepsItsStoredSize)
{
    SeqObject* o = NewObject({0, 10000});
    Change([&](Core::Env& env) { o->SetName(env, L"a name far too long for the box it was given"); });
    const zq::Point grown = o->GetSize();
    ASSERT_GT(grown.x, 2000);
    // A document whose box is narrower than its name (written elsewhere, or measured otherwise).
    const std::string xml = Replace(Save(), "Size=\"" + std::to_string(grown.x) + " 1000\"", "Size=\"2000 1000\"");
    EXPECT_EQ(xml, Reread(xml));
}

TEST_F(Scene, ANameTypedKeyByKeyWidensTheBoxAroundItsLifeLine)
{
    SeqObject* o = NewObject({500, 10000});
    const std::int32_t lineX = o->GetLifeLine()->GetTop().x;
    std::wstring name;
    for (wchar_t c : std::wstring(L"Client of the ordering service")) {
        name += c;
        Change([&](Core::Env& env) { o->SetName(env, name); });
        const zq::Rect r = o->GetRect();
        // In the middle exactly, also where the name needs an odd number of grid lengths.
        ASSERT_EQ(r.left + r.right, 2 * lineX) << r.left << " " << r.right;
    }
    EXPECT_GT(o->GetSize().x, 2000);
    EXPECT_EQ(lineX, o->GetLifeLine()->GetTop().x);
    EXPECT_EQ(o->GetRect().bottom, o->GetLifeLine()->GetTop().y);
}

TEST_F(Scene, ANewObjectLaysOutItsNameInItsDirectorysFont)
{
    HostScene::ExpectFont(NewObject({1000, 8000})->GetText(), 11, false);
}
