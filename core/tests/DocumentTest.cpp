// Writing and reading whole documents with the test kinds: round trips, the reading passes and
// their order, the version flags, and reading errors that must leave the receiver untouched.
#include "core/tests/DocumentKinds.h"

#include "core/DocumentReader.h"
#include "core/DocumentWriter.h"
#include "core/Finalizer.h"
#include "core/UndoHandler.h"
#include "core/foundation/UTF8.h"
#include "core/xml/Reader.h"
#include "core/xml/Writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace Core;
using namespace TestKinds;

namespace {

std::string Save(const Diagram& d)
{
    std::ostringstream out;
    d.SaveXML(out);
    return out.str();
}

template <class T>
T* Nth(const Diagram& d, std::size_t n)
{
    for (const auto& e : d.Elements())
        if (auto* t = dynamic_cast<T*>(e.get()); t != nullptr && n-- == 0) return t;
    return nullptr;
}

std::string Doc(const std::string& body, const std::string& rootAttributes = "")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
           "xmlns:q1v3=\"http://quorvel.example/schema/1.3\"" +
           rootAttributes + ">\n" + body + "</Diagram>\n";
}

struct Document : ::testing::Test {
    Diagram diagram{DocumentRegistry(), nullptr};

    // A model of every test kind: a part refers forward to a box made after it, a connector's
    // segment refers forward to its second end, a group nests a member and an inner group.
    void Build() {
        Transaction t(diagram);
        Env env(t);
        auto part = Part::Factory().CreateTyped(env);
        auto b1 = Box::Factory().CreateTyped(env);
        auto b2 = Box::Factory().CreateTyped(env);
        b1->SetPos(env, {100, -200});
        b2->SetField(env, &BoxRep::name, std::wstring(L"n\u00E9 <&> \""));
        b2->SetField(env, &BoxRep::count, 7);
        part->SetField(env, &PartRep::target, static_cast<IBox*>(b2.get()));
        part->SetField(env, &PartRep::boxes, PtrCont<IBox>{b2.get(), b1.get()});
        auto c = Connector::Factory().CreateTyped(env);
        c->SetField(env, &ConnectorRep::label, std::wstring(L"c"));
        auto e1 = c->AddPart<ConnectorEnd>(env);
        e1->source = true;
        auto seg = c->AddPart<Segment>(env);
        auto e2 = c->AddPart<ConnectorEnd>(env);
        e1->SetField(env, &EndRep::box, static_cast<IBox*>(b1.get()));
        e1->SetField(env, &EndRep::pos, zq::float8Point(0.1, -3.25));
        e2->SetField(env, &EndRep::box, static_cast<IBox*>(b2.get()));
        seg->SetField(env, &SegmentRep::ends, PtrCont<ConnectorEnd>{e1.get(), e2.get()});
        auto outer = Group::Factory().CreateTyped(env);
        auto member = Member::Factory().CreateTyped(env);
        auto inner = Group::Factory().CreateTyped(env);
        auto deep = Member::Factory().CreateTyped(env);
        outer->Take(env, *member);
        outer->Take(env, *inner);
        inner->Take(env, *deep);
        member->SetField(env, &MemberRep::link, static_cast<IBox*>(b1.get()));
        member->SetField(env, &MemberRep::parts, PtrCont<IPart>{part.get()});
        deep->SetPos(env, {-5, 7});
        auto loose = Member::Factory().CreateTyped(env);  // a member outside any group
        loose->SetField(env, &MemberRep::link, static_cast<IBox*>(b2.get()));
        env.Close();
    }
};

TEST_F(Document, SecondSaveIsByteIdenticalAndForwardReferencesResolve)
{
    Build();
    const std::string first = Save(diagram);
    Diagram read{DocumentRegistry(), nullptr};
    EXPECT_EQ(read.LoadXML(first), 0u);
    EXPECT_EQ(Save(read), first);
    ASSERT_EQ(read.GetElementCount(), diagram.GetElementCount());
    for (std::size_t i = 0; i < read.GetElementCount(); ++i) {
        EXPECT_EQ(read.Elements()[i]->GetObjectId(), diagram.Elements()[i]->GetObjectId());
        EXPECT_EQ(read.Elements()[i]->GetTypeName(), diagram.Elements()[i]->GetTypeName());
    }
    Part* part = Nth<Part>(read, 0);
    Box* b1 = Nth<Box>(read, 0);
    Box* b2 = Nth<Box>(read, 1);
    EXPECT_EQ(part->GetRep().target, static_cast<IBox*>(b2));
    EXPECT_EQ(part->GetRep().boxes, (PtrCont<IBox>{b2, b1}));
    EXPECT_EQ(b2->GetRep().name, L"n\u00E9 <&> \"");
    EXPECT_EQ(b1->GetPos(), zq::Point(100, -200));
    Connector* c = Nth<Connector>(read, 0);
    ConnectorEnd* e1 = Nth<ConnectorEnd>(read, 0);
    Segment* seg = Nth<Segment>(read, 0);
    ConnectorEnd* e2 = Nth<ConnectorEnd>(read, 1);
    EXPECT_TRUE(e1->source);
    EXPECT_FALSE(e2->source);
    EXPECT_EQ(seg->GetRep().ends, (PtrCont<ConnectorEnd>{e1, e2}));
    EXPECT_EQ(c->GetRep().parts, (PtrCont<IModelElement>{e1, seg, e2}));
    EXPECT_EQ(e1->GetOwner(), c);
    EXPECT_EQ(e2->GetRep().box, static_cast<IBox*>(b2));
    EXPECT_EQ(e1->GetRep().pos.y, -3.25);
    Group* outer = Nth<Group>(read, 0);
    Group* inner = Nth<Group>(read, 1);
    Member* member = Nth<Member>(read, 0);
    Member* deep = Nth<Member>(read, 1);
    EXPECT_EQ(outer->GetRep().members, (PtrCont<IModelElement>{member, inner}));
    EXPECT_EQ(deep->GetOwner(), inner);
    EXPECT_EQ(inner->GetOwner(), outer);
    EXPECT_EQ(member->GetRep().parts, PtrCont<IPart>{part});
    EXPECT_EQ(Nth<Member>(read, 2)->GetOwner(), nullptr);
    EXPECT_FALSE(read.IsTransactionOpen());
    EXPECT_EQ(read.GetUndoHandler().GetUndoCount(), 0u);
}

TEST_F(Document, OwnedElementsAreNestedAndPartsUseTheirTags)
{
    Build();
    const std::string text = Save(diagram);
    xml::Reader reader(text);
    xml::Tag root, tag, child;
    reader.ReadRoot(root);
    std::vector<std::wstring> top, inConnector, inGroup;
    while (reader.ReadNextKnownElement(tag, root)) {
        top.push_back(tag.LocalName());
        while (reader.ReadNextKnownElement(child, tag))
            (tag.LocalName() == L"Connector" ? inConnector : inGroup).push_back(child.LocalName());
    }
    EXPECT_EQ(top, (std::vector<std::wstring>{L"Part", L"Box", L"Box", L"Connector", L"Group", L"Member"}));
    EXPECT_EQ(inConnector, (std::vector<std::wstring>{L"SourceEnd", L"Segment", L"End"}));
    EXPECT_EQ(inGroup, (std::vector<std::wstring>{L"Member", L"Group"}));
    EXPECT_NE(text.find("q1v3:Count=\"7\""), std::string::npos);
}

TEST_F(Document, EndRestoreSeesTheEnclosingElementAndThePreviousSibling)
{
    Build();
    Diagram read{DocumentRegistry(), nullptr};
    read.LoadXML(Save(diagram));
    Connector* c = Nth<Connector>(read, 0);
    ConnectorEnd* e1 = Nth<ConnectorEnd>(read, 0);
    Segment* seg = Nth<Segment>(read, 0);
    ConnectorEnd* e2 = Nth<ConnectorEnd>(read, 1);
    EXPECT_TRUE(e1->seen.restored);
    EXPECT_EQ(e1->seen.enclosing, c);
    EXPECT_EQ(e1->seen.previous, nullptr);
    EXPECT_EQ(seg->seen.previous, e1);
    EXPECT_EQ(e2->seen.previous, seg);
    EXPECT_EQ(e2->seen.enclosing, c);
}

TEST_F(Document, WideStreamsRoundTripThroughTheUtf8Locale)
{
    Build();
    std::wostringstream out;
    out.imbue(zq::MakeUTF8Locale());
    diagram.SaveXML(out);
    EXPECT_NE(out.str().find(L"n\u00E9 &lt;&amp;&gt;"), std::wstring::npos);
    std::wistringstream in(out.str());
    in.imbue(zq::MakeUTF8Locale());
    Diagram read{DocumentRegistry(), nullptr};
    EXPECT_EQ(read.LoadXML(in), 0u);
    EXPECT_EQ(Save(read), Save(diagram));
}

TEST_F(Document, EmptyDiagramRoundTrips)
{
    const std::string text = Save(diagram);
    Diagram read{DocumentRegistry(), nullptr};
    EXPECT_EQ(read.LoadXML(text), 0u);
    EXPECT_EQ(read.GetElementCount(), 0u);
    EXPECT_EQ(Save(read), text);
}

TEST(DocumentOrder, FinalizersOnRestoredAndHooksRunInOrder)
{
    TraceLog().clear();
    Finalizer finalizer([](Env&, const std::vector<ElementPtr>& read) {
        TraceLog().push_back("finalizer " + std::to_string(read.size()));
    });
    ReadOptions options;
    options.afterRestored = [](Env&, const std::vector<ElementPtr>&) { TraceLog().push_back("after-restored"); };
    options.afterClose = [](const std::vector<ElementPtr>&) { TraceLog().push_back("after-close"); };
    Diagram d{DocumentRegistry(), nullptr};
    ReadDiagramXML(d, Doc("<Tracer id=\"r1\" Value=\"1\"/><Tracer id=\"r2\" Value=\"2\"/>"), options);
    EXPECT_EQ(TraceLog(), (std::vector<std::string>{"end-restore 1", "end-restore 2", "finalize-read 1", "finalize-read 2",
                                                    "finalizer 2", "restored 1", "restored 2", "after-restored",
                                                    "follow-up 1", "follow-up 2", "after-close"}));
}

TEST(DocumentFlags, UnknownNamespacesAndNewerVersions)
{
    auto flags = [](const std::string& doc) {
        Diagram d{DocumentRegistry(), nullptr};
        return d.LoadXML(doc);
    };
    const std::string box = "<Box id=\"r1\" Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\"/>";
    EXPECT_EQ(flags(Doc(box)), 0u);
    EXPECT_EQ(flags(Doc(box + "<x:Thing xmlns:x=\"urn:other\"><Box/></x:Thing>")), 1u);
    EXPECT_EQ(flags(Doc("<Box id=\"r1\" Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\" x:a=\"1\" xmlns:x=\"urn:o\"/>")), 1u);
    EXPECT_EQ(flags(Doc(box, " xmlns:n=\"http://quorvel.example/schema/1.4\"")), 2u);
    EXPECT_EQ(flags(Doc(box, " xmlns:n=\"http://quorvel.example/schema/2.0\"")), 2u);
    EXPECT_EQ(flags(Doc(box, " xmlns:n=\"http://quorvel.example/schema/1.0\"")), 0u);
    EXPECT_EQ(flags(Doc(box + "<n:New xmlns:n=\"http://quorvel.example/schema/1.5\"/>",
                        " xmlns:n=\"http://quorvel.example/schema/1.5\"")), 3u);
    std::string newer = Doc(box);
    newer.replace(newer.find("1.3.4"), 5, "1.3.10");
    EXPECT_EQ(flags(newer), 2u);
    newer.replace(newer.find("1.3.10"), 6, "1.3");
    EXPECT_EQ(flags(newer), 0u);
    EXPECT_TRUE(IsNewerVersion(L"1.4", L"1.3.4"));
    EXPECT_FALSE(IsNewerVersion(L"1.3.4.0", L"1.3.4"));
    EXPECT_FALSE(IsNewerVersion(L"banana", L"1.3.4"));
    std::string commented = Doc(box);
    commented.insert(commented.find('\n') + 1, "<!-- <D xmlns:a=\"http://quorvel.example/schema/9.0\"> -->\n");
    EXPECT_EQ(flags(commented), 0u);
    EXPECT_TRUE(IsNewerSchema(L"http://quorvel.example/schema/1.4"));
    EXPECT_FALSE(IsNewerSchema(L"http://quorvel.example/schema/1.3"));
    EXPECT_FALSE(IsNewerSchema(L"http://quorvel.example/schema/x"));
    EXPECT_FALSE(IsNewerSchema(L"urn:other/schema/2.0"));
}

// A newer schema declared on an element below the root counts as on the root: its elements are
// skipped, and the document names a newer version.
TEST(DocumentFlags, NewerSchemaBelowTheRoot)
{
    auto flags = [](const std::string& doc) {
        Diagram d{DocumentRegistry(), nullptr};
        return d.LoadXML(doc);
    };
    const std::string box = "<Box id=\"r1\" Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\"";
    EXPECT_EQ(flags(Doc(box + "/><n:New xmlns:n=\"http://quorvel.example/schema/1.4\"/>")), 3u);
    EXPECT_EQ(flags(Doc(box + "><n:Part xmlns:n=\"http://quorvel.example/schema/1.4\"><Box/></n:Part></Box>")), 3u);
    EXPECT_EQ(flags(Doc(box + " xmlns:n=\"http://quorvel.example/schema/2.0\"/>")), 2u);
    EXPECT_EQ(flags(Doc(box + "/><n:Old xmlns:n=\"http://quorvel.example/schema/0.9\"/>")), 1u);
}

// Each bad document raises its error with the line and leaves a populated receiver unchanged.
struct DocumentErrors : ::testing::Test {
    Diagram receiver{DocumentRegistry(), nullptr};
    std::string before;
    ObjectId nextBefore = 0;

    void SetUp() override {
        Transaction t(receiver);
        Env env(t);
        auto box = std::make_shared<Box>();
        ElementState::SetId(*box, 50);
        env.Insert(box);
        box->SetField(env, &BoxRep::title, std::wstring(L"kept"));
        env.Close();
        before = Save(receiver);
        nextBefore = receiver.GetNextObjectId();
    }

    template <class E>
    void ExpectFailure(const std::string& body, int line, const std::string& message) {
        try {
            receiver.LoadXML(Doc(body));
            ADD_FAILURE() << "no error for " << body;
        } catch (const E& e) {
            EXPECT_EQ(e.Line(), line) << e.what();
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
        EXPECT_EQ(Save(receiver), before);
        EXPECT_EQ(receiver.GetNextObjectId(), nextBefore);
        EXPECT_FALSE(receiver.IsTransactionOpen());
        EXPECT_EQ(receiver.GetElementCount(), 1u);
    }
};

const std::string kBox1 = "<Box id=\"r1\" Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\"/>\n";

TEST_F(DocumentErrors, DuplicateIdInTheDocument)
{
    ExpectFailure<Exceptions::DuplicateObjectID>(kBox1 + "<Part id=\"r7\"/>\n<Part id=\"r7\"/>\n", 5, "r7");
}

TEST_F(DocumentErrors, IdAlreadyInTheReceiver)
{
    ExpectFailure<Exceptions::DuplicateObjectID>(kBox1 + "<Part id=\"r50\"/>\n", 4, "r50");
}

TEST_F(DocumentErrors, UnknownElementAtTheTopAndInsideAConnector)
{
    ExpectFailure<xml::Exceptions::UnknownElement>(kBox1 + "<Bogus id=\"r2\"/>\n", 4, "Unknown element \"Bogus\"");
    ExpectFailure<xml::Exceptions::UnknownElement>(
        kBox1 + "<Connector id=\"r2\">\n<Box id=\"r3\"/>\n</Connector>\n", 5, "Unknown element \"Box\"");
    ExpectFailure<xml::Exceptions::UnknownElement>(kBox1 + "<End id=\"r2\" Pos=\"0 0\"/>\n", 4, "Unknown element");
}

TEST_F(DocumentErrors, DanglingReference)
{
    ExpectFailure<Exceptions::UnknownObjectID>(kBox1 + "<Part id=\"r2\"\n Target=\"r99\"/>\n", 4, "unknown reference");
    ExpectFailure<Exceptions::UnknownObjectID>(kBox1 + "<Part id=\"r2\" Boxes=\"r1 r98\"/>\n", 4, "unknown reference");
}

TEST_F(DocumentErrors, ReferenceToTheWrongKind)
{
    ExpectFailure<Exceptions::TypeMismatchOfRestoredObject>(kBox1 + "<Part id=\"r2\" Target=\"r3\"/>\n<Part id=\"r3\"/>\n",
                                                            4, "type mismatch of restored object");
}

TEST_F(DocumentErrors, BadIdAndBadAttributes)
{
    ExpectFailure<Exceptions::AttributeOutOfRange>(kBox1 + "<Part id=\"r0\"/>\n", 4, "\"id\"");
    ExpectFailure<ToBinary::ConversionFailed>(kBox1 + "<Part id=\"x\"/>\n", 4, "id");
    ExpectFailure<Exceptions::MandatoryAttributeMissing>("\n<Box id=\"r1\" Pos=\"0 0\" Type=\"1\" Title=\"t\"/>", 4,
                                                         "\"Size\"");
}

// An element stored without "id" is read with a new id above every stored one.
TEST(DocumentReading, ElementWithoutIdTakesANewId)
{
    Diagram d{DocumentRegistry(), nullptr};
    d.LoadXML(Doc("<Part/>\n" + kBox1 + "<Part id=\"r7\" Target=\"r1\"/>\n"));
    ASSERT_EQ(d.GetElementCount(), 3u);
    EXPECT_EQ(d.Elements()[0]->GetObjectId(), 8u);
    EXPECT_EQ(d.Elements()[1]->GetObjectId(), 1u);
    EXPECT_EQ(d.Elements()[2]->GetObjectId(), 7u);
    EXPECT_EQ(d.FindElementById(8), d.Elements()[0].get());
}

TEST_F(DocumentErrors, MalformedXmlAndWrongRoot)
{
    ExpectFailure<xml::ExceptionBase>(kBox1 + "<Part id=\"r2\">\n", 5, "does not match");
    try {
        receiver.LoadXML(std::string("<?xml version=\"1.0\"?>\n<Other xmlns=\"http://quorvel.example/schema/1.0\"/>"));
        ADD_FAILURE();
    } catch (const xml::Exceptions::UnknownElement& e) {
        EXPECT_EQ(e.Line(), 2);
    }
    EXPECT_EQ(Save(receiver), before);
}

// Files in another encoding are refused by the name of their encoding, read as the editor reads
// files (a wide stream with the UTF-8 locale), and leave the receiver as it was.
TEST_F(DocumentErrors, OtherEncodingsThroughAWideFileStream)
{
    const auto path = std::filesystem::temp_directory_path() / "document-encoding-test.qvd";
    const std::pair<std::string, std::string> cases[] = {
        {std::string("\xFF\xFE<\0?\0x\0m\0l\0", 12), "line 1: UTF-16 documents are not supported"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Diagram>\xE9t\xE9</Diagram>",
         "line 1: unsupported encoding ISO-8859-1"},
        {Doc("<Box id=\"r1\" Title=\"\xE9\"/>"), "line 3: invalid UTF-8 in the document"},
    };
    for (const auto& [bytes, message] : cases) {
        std::ofstream(path, std::ios::binary) << bytes;
        std::wifstream in(path, std::ios::binary);
        in.imbue(zq::MakeUTF8Locale());
        try {
            receiver.LoadXML(in);
            ADD_FAILURE() << "no error for " << message;
        } catch (const xml::ExceptionBase& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_EQ(Save(receiver), before);
    }
    std::filesystem::remove(path);
}

TEST_F(DocumentErrors, FailingFinalizerRollsTheReadingBack)
{
    Finalizer failing([](Env&, const std::vector<ElementPtr>& read) {
        for (const auto& e : read)
            if (auto* t = dynamic_cast<Tracer*>(e.get()); t && t->GetRep().value == 13)
                throw Exceptions::Base("unlucky");
    });
    EXPECT_THROW(receiver.LoadXML(Doc("<Tracer id=\"r1\" Value=\"13\"/>")), Exceptions::Base);
    EXPECT_EQ(Save(receiver), before);
    EXPECT_EQ(receiver.GetNextObjectId(), nextBefore);
}

// The reading keeps no undo history, yet a failure while its transaction closes still puts back
// what it changed in elements that were there before, and removes everything it made.
TEST_F(DocumentErrors, FailureWhileTheReadingClosesRollsBackChangesOfElementsThatWereThere)
{
    struct Fail : IFollowUpJob {
        void DoFollowUpJob(Env&) override { throw Exceptions::Base("closing failed"); }
    };
    ReadOptions options;
    options.afterRestored = [this](Env& env, const std::vector<ElementPtr>& read) {
        EXPECT_EQ(read.size(), 2u);
        auto* kept = dynamic_cast<Box*>(receiver.FindElementById(50));
        ASSERT_NE(kept, nullptr);
        kept->SetField(env, &BoxRep::title, std::wstring(L"changed by the reading"));
        kept->SetPos(env, {7, 7});
        env.GetTransaction().AddFollowUpJob(std::make_shared<Fail>());
    };
    const std::string doc = Doc(kBox1 + "<Box id=\"r2\" Pos=\"5 5\" Size=\"1 1\" Type=\"1\" Title=\"u\"/>\n");
    EXPECT_THROW(ReadDiagramXML(receiver, doc, options), Exceptions::Base);
    EXPECT_EQ(Save(receiver), before);
    EXPECT_EQ(receiver.GetElementCount(), 1u);
    EXPECT_EQ(receiver.GetNextObjectId(), nextBefore);
    EXPECT_FALSE(receiver.IsTransactionOpen());
    // The same document reads once nothing fails.
    EXPECT_EQ(ReadDiagramXML(receiver, doc), 0u);
    EXPECT_EQ(receiver.GetElementCount(), 3u);
}

TEST_F(Document, WriterRefusesAReferenceToAnElementItDoesNotWrite)
{
    Build();
    Transaction t(diagram);
    Env env(t);
    Nth<Box>(diagram, 0)->Delete(env);  // still referenced by the part, an end and a member
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);  // keeps the deleted box for undo
    std::ostringstream out;
    EXPECT_THROW(diagram.SaveXML(out), Exceptions::DanglingReference);
    EXPECT_TRUE(out.str().empty());
}

// Groups nested as deep as a reader accepts save and open again; one level more is refused
// before anything is written, since that document could never be opened.
TEST_F(Document, WriterRefusesNestingTheReaderWouldRefuse)
{
    Transaction t(diagram);
    Env env(t);
    auto outer = Group::Factory().CreateTyped(env);
    Group* innermost = outer.get();
    for (int level = 2; level <= 255; ++level) {
        auto inner = Group::Factory().CreateTyped(env);
        innermost->Take(env, *inner);
        innermost = inner.get();
    }
    env.Close();
    const std::string saved = Save(diagram);
    Diagram reread{DocumentRegistry(), nullptr};
    reread.LoadXML(saved);
    EXPECT_EQ(reread.GetElementCount(), 255u);

    auto deeper = Group::Factory().CreateTyped(env);
    innermost->Take(env, *deeper);
    env.Close();
    std::ostringstream out;
    EXPECT_THROW(diagram.SaveXML(out), Exceptions::Base);
    EXPECT_TRUE(out.str().empty());
}

TEST_F(Document, WriterRefusesAReferenceIntoAnotherDiagram)
{
    Diagram elsewhere{DocumentRegistry(), nullptr};
    Transaction te(elsewhere);
    Env envElsewhere(te);
    auto box = Box::Factory().CreateTyped(envElsewhere);
    envElsewhere.Close();
    Transaction t(diagram);
    Env env(t);
    auto part = Part::Factory().CreateTyped(env);
    part->SetField(env, &PartRep::boxes, PtrCont<IBox>{box.get()});
    env.Close();
    std::ostringstream out;
    EXPECT_THROW(diagram.SaveXML(out), Exceptions::DanglingReference);
    EXPECT_TRUE(out.str().empty());
}

struct AnnotatedRep {
    int32_t value = 0;
};

// An element that writes a child of its own ("Note", without id) and reads it back through the
// child hook, making a helper element without a stored id as it does so (as a rich text does).
class Annotated : public Storable<Annotated, AnnotatedRep> {
public:
    static FactoryImp<Annotated>& Factory() {
        static FactoryImp<Annotated> factory(SchemaNamespace10(), L"Annotated");
        return factory;
    }
    static void RegisterProperties(PropertyTable<AnnotatedRep>& t) {
        RegisterProperty<EvalRestore::Optional>::Register(t, &AnnotatedRep::value, L"Value", int32_t(0));
    }
    void StoreProperties(xml::IWriter& w) const override {
        Storable::StoreProperties(w);
        xml::Writer child(w, xml::kSchema10, L"Note");
        child.WriteText(note);
    }
    bool RestoreChildElement(Env& env, xml::Reader& reader, const xml::Tag& tag) override {
        if (tag.LocalName() != L"Note") return false;
        note.clear();
        xml::Tag inner;
        std::wstring text;
        if (!tag.IsEmptyElement())
            for (auto node = reader.ReadNode(inner, text); node != xml::Reader::Node::EndTag; node = reader.ReadNode(inner, text))
                if (node == xml::Reader::Node::Text) note += text;
        helper = Tracer::Factory().Create(env);
        return true;
    }
    std::wstring note;
    ElementPtr helper;
};

FactoryRegistry& AnnotatedRegistry()
{
    static FactoryRegistry registry = [] {
        FactoryRegistry r;
        Annotated::Factory().ReportTo(r);
        Box::Factory().ReportTo(r);
        return r;
    }();
    return registry;
}

TEST(DocumentChildHook, ChildReadByItsOwnerIsSkippedInTheSecondPass)
{
    const std::string text = Doc("<Annotated id=\"r1\" Value=\"4\"><Note>one &amp; two</Note></Annotated>\n"
                                 "<Annotated id=\"r2\"><Note/></Annotated>\n<Annotated id=\"r3\"/>\n");
    Diagram d{AnnotatedRegistry(), nullptr};
    TraceLog().clear();
    EXPECT_EQ(d.LoadXML(text), 0u);
    ASSERT_EQ(d.GetElementCount(), 5u);  // three annotated elements and two helpers
    auto* first = dynamic_cast<Annotated*>(d.FindElementById(1));
    auto* second = dynamic_cast<Annotated*>(d.FindElementById(2));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->note, L"one & two");
    EXPECT_EQ(first->GetRep().value, 4);
    EXPECT_TRUE(second->note.empty());
    // The helpers got ids above every stored one, so they clash with none.
    EXPECT_GT(first->helper->GetObjectId(), 3u);
    EXPECT_NE(first->helper->GetObjectId(), second->helper->GetObjectId());
    // They count as read: they took part in the finalizing and OnRestored.
    EXPECT_EQ(std::count(TraceLog().begin(), TraceLog().end(), "finalize-read 0"), 2);
    EXPECT_EQ(std::count(TraceLog().begin(), TraceLog().end(), "restored 0"), 2);
}

} // namespace
