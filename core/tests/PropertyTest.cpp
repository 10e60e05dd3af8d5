// Property kinds: attribute forms written through the XML writer, restore rules and errors,
// remapping after a copy.
#include "core/tests/TestKinds.h"

#include "core/Registries.h"
#include "core/xml/Reader.h"
#include "core/xml/Writer.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace Core;
using namespace TestKinds;

namespace {

const char* kProlog =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
    "xmlns:q1v3=\"http://quorvel.example/schema/1.3\">\n";

// Writes elements as a document and answers its text.
std::string Write(const std::vector<const IModelElement*>& elements)
{
    std::ostringstream out;
    xml::DocumentWriter doc(out);
    for (auto* e : elements) e->Store(doc, nullptr);
    doc.EndElement();
    return out.str();
}

// The first element of a document, read by the XML reader.
struct ReadTag {
    xml::Reader reader;
    xml::Tag root, tag;
    explicit ReadTag(const std::string& document) : reader(document) {
        reader.ReadRoot(root);
        EXPECT_TRUE(reader.ReadNextKnownElement(tag, root));
    }
    const xml::IAttributes& Attributes() const { return tag.GetAttributes(); }
};

// Restores an element from "<Box ... />" attribute text on line 3 and answers the error text.
template <class T>
std::string RestoreError(T& element, const std::string& attributes, ObjectRegistry& registry)
{
    ReadTag read(std::string(kProlog) + "<" + std::string(element.GetTypeName().begin(), element.GetTypeName().end()) +
                 " " + attributes + "/>\n</Diagram>\n");
    try {
        element.RestoreProperties(read.Attributes(), registry);
    } catch (const xml::ExceptionBase& e) {
        return e.what();
    }
    return "";
}

std::string RestoreError(Box& box, const std::string& attributes)
{
    ObjectRegistry registry;
    return RestoreError(box, attributes, registry);
}

const std::string kBoxBase = "Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\" ";

TEST(Property, PrototypeHoldsTheRegisteredDefaults)
{
    auto box = std::make_shared<Box>();
    EXPECT_EQ(box->GetRep().size, zq::Point(300, 200));
    EXPECT_EQ(box->GetRep().title, L"box");
    EXPECT_EQ(box->GetRep().ratio, 1.5);
    EXPECT_EQ(box->GetRep().color, zq::Color(255, 255, 255));
    const auto& props = Box::Factory().GetProperties();
    ASSERT_EQ(props.size(), 11u);
    EXPECT_EQ(props[0].name, L"Size");
    EXPECT_EQ(props[9].name, L"Count");
    EXPECT_EQ(*props[9].ns, SchemaNamespace13());
}

TEST(Property, WritesAttributesInRegistrationOrderAfterIdAndPos)
{
    auto box = std::make_shared<Box>();
    ElementState::SetId(*box, 7);
    auto& rep = const_cast<BoxRep&>(box->GetRep());
    rep.kind = BoxKind::Rounded;
    rep.flag = true;
    rep.name = L"a<b & \"c\" 'd'";
    rep.color = zq::Color(255, 128, 0);
    rep.anchor = zq::float8Point(0.1, 2);
    rep.ratio = 0.1;  // written before the point: 6 digits
    rep.bounds = zq::Rect(1, 20, 30, -4);
    rep.count = -15;
    rep.hidden = true;
    EXPECT_EQ(Write({box.get()}), std::string(kProlog) +
                                      "  <Box id=\"r7\"\n"
                                      "      Pos=\"0 0\"\n"
                                      "      Size=\"300 200\"\n"
                                      "      Type=\"2\"\n"
                                      "      Flag=\"1\"\n"
                                      "      Name=\"a&lt;b &amp; &quot;c&quot; &apos;d&apos;\"\n"
                                      "      Color=\"0xFF8000\"\n"
                                      "      Ratio=\"0.1\"\n"
                                      "      Anchor=\"0.100000000000000005551115 2\"\n"
                                      "      Bounds=\"1 20 30 -4\"\n"
                                      "      Title=\"box\"\n"
                                      "      q1v3:Count=\"-15\"/>\n"
                                      "</Diagram>\n");
}

TEST(Property, FalseBoolAndEmptyOptionalStringWriteNothingMandatoryEmptyStringIsWritten)
{
    auto box = std::make_shared<Box>();
    const_cast<BoxRep&>(box->GetRep()).title.clear();
    std::string text = Write({box.get()});
    EXPECT_EQ(text.find("Flag"), std::string::npos);
    EXPECT_EQ(text.find("Name"), std::string::npos);
    EXPECT_NE(text.find("Title=\"\""), std::string::npos);
    EXPECT_NE(text.find("Ratio=\"1.5\""), std::string::npos);  // 6 digits before any point
}

TEST(Property, WrittenBoxReadsBackEqual)
{
    auto box = std::make_shared<Box>();
    auto& rep = const_cast<BoxRep&>(box->GetRep());
    rep.kind = BoxKind::Shadowed;
    rep.flag = true;
    rep.name = L"\u00e9 & <x>";
    rep.color = zq::Color(1, 2, 3);
    rep.anchor = zq::float8Point(0.1, 1e30);
    rep.ratio = 0.1;
    rep.bounds = zq::Rect(-1, 2, -3, 4);
    rep.title = L"";
    rep.count = 99;
    ReadTag read(Write({box.get()}));
    auto copy = std::make_shared<Box>();
    ObjectRegistry registry;
    copy->RestoreProperties(read.Attributes(), registry);
    const BoxRep& r = copy->GetRep();
    EXPECT_EQ(r.kind, BoxKind::Shadowed);
    EXPECT_TRUE(r.flag);
    EXPECT_EQ(r.name, rep.name);
    EXPECT_EQ(r.color, rep.color);
    EXPECT_EQ(r.anchor.x, 0.1);  // exactly the same doubles
    EXPECT_EQ(r.anchor.y, 1e30);
    EXPECT_EQ(r.ratio, 0.1);
    EXPECT_EQ(r.bounds, rep.bounds);
    EXPECT_EQ(r.title, L"");
    EXPECT_EQ(r.count, 99);
}

TEST(Property, EnumRestoreRules)
{
    const std::string base = "Pos=\"0 0\" Size=\"1 1\" Title=\"t\" ";
    Box box;
    EXPECT_EQ(RestoreError(box, base + "Type=\"2 \""), "");
    EXPECT_EQ(box.GetRep().kind, BoxKind::Rounded);
    EXPECT_EQ(RestoreError(box, base + "Type=\"x\""), "line 3: cannot convert Type from \"x\"");
    EXPECT_EQ(RestoreError(box, base + "Type=\"1 2\""), "line 3: cannot convert Type from \"1 2\"");
    EXPECT_EQ(RestoreError(box, base + "Type=\"\""), "line 3: cannot convert Type from \"\"");
    EXPECT_EQ(RestoreError(box, base + "Type=\"4\""), "line 3: attribute \"Type\" is out of range");
    EXPECT_EQ(RestoreError(box, base + "Type=\"0\""), "line 3: attribute \"Type\" is out of range");
    EXPECT_EQ(box.GetRep().kind, BoxKind::Rounded);  // unchanged by the range error
    EXPECT_EQ(RestoreError(box, base), "line 3: mandatory attribute \"Type\" is missing");
}

TEST(Property, ValueRestoreRules)
{
    Box box;
    EXPECT_EQ(RestoreError(box, "Size=\"1 1\" Type=\"1\" Title=\"t\""), "line 3: mandatory attribute \"Pos\" is missing");
    EXPECT_EQ(RestoreError(box, "Pos=\"1\" Size=\"1 1\" Type=\"1\" Title=\"t\""),
              "line 3: cannot convert Pos from \"1\"");
    EXPECT_EQ(RestoreError(box, kBoxBase + "Anchor=\"  10   20  \""), "");
    EXPECT_EQ(box.GetRep().anchor.x, 10.0);
    EXPECT_EQ(box.GetRep().anchor.y, 20.0);
    EXPECT_EQ(RestoreError(box, kBoxBase + "Anchor=\"10\""), "line 3: cannot convert Anchor from \"10\"");
    EXPECT_EQ(RestoreError(box, kBoxBase + "Anchor=\"1 2 3\""), "line 3: cannot convert Anchor from \"1 2 3\"");
    EXPECT_EQ(RestoreError(box, kBoxBase + "Flag=\"true\""), "line 3: cannot convert Flag from \"true\"");
    EXPECT_EQ(RestoreError(box, kBoxBase + "Flag=\"2\""), "line 3: cannot convert Flag from \"2\"");
    EXPECT_EQ(RestoreError(box, kBoxBase + "Flag=\" 1 \""), "");
    EXPECT_TRUE(box.GetRep().flag);
    EXPECT_EQ(RestoreError(box, kBoxBase + "Color=\"0x1000000\""), "line 3: cannot convert Color from \"0x1000000\"");
    EXPECT_EQ(RestoreError(box, kBoxBase + "Ratio=\"1.5x\""), "line 3: cannot convert Ratio from \"1.5x\"");
    EXPECT_EQ(RestoreError(box, "Pos=\"0 0\" Size=\"1 1\" Type=\"1\""), "line 3: mandatory attribute \"Title\" is missing");
    // A missing optional attribute keeps the current value.
    EXPECT_EQ(RestoreError(box, kBoxBase), "");
    EXPECT_TRUE(box.GetRep().flag);
    EXPECT_EQ(box.GetRep().anchor.y, 20.0);
}

TEST(Property, ReferenceRestoreRules)
{
    auto target = std::make_shared<Box>();
    auto other = std::make_shared<Part>();
    ObjectRegistry registry;
    registry.Register(5, *target, 1);
    registry.Register(6, *other, 1);
    Part part;
    EXPECT_EQ(RestoreError(part, "", registry), "");
    EXPECT_EQ(part.GetRep().target, nullptr);
    EXPECT_EQ(RestoreError(part, "Target=\"r5\"", registry), "");
    EXPECT_EQ(part.GetRep().target, target.get());
    EXPECT_EQ(RestoreError(part, "Target=\"r0\"", registry), "");
    EXPECT_EQ(part.GetRep().target, nullptr);
    EXPECT_EQ(RestoreError(part, "Target=\" r5\"", registry), "line 3: cannot convert Target from \" r5\"");
    EXPECT_EQ(RestoreError(part, "Target=\"r99\"", registry), "line 3: unknown reference");
    EXPECT_EQ(RestoreError(part, "Target=\"r6\"", registry), "line 3: type mismatch of restored object");
    EXPECT_EQ(RestoreError(part, "Boxes=\"r5  r5 \"", registry), "");
    EXPECT_EQ(part.GetRep().boxes.size(), 2u);
    EXPECT_EQ(RestoreError(part, "Boxes=\"\"", registry), "");
    EXPECT_TRUE(part.GetRep().boxes.empty());
    EXPECT_EQ(RestoreError(part, "Boxes=\"r5,r5\"", registry), "line 3: cannot convert Boxes from \"r5,r5\"");
    EXPECT_EQ(RestoreError(part, "Boxes=\"r5 r6\"", registry), "line 3: type mismatch of restored object");
    EXPECT_EQ(RestoreError(part, "Boxes=\"r5 r7\"", registry), "line 3: unknown reference");
}

TEST(Property, ReferencesAreWrittenByIdAndNullsLeftOut)
{
    auto a = std::make_shared<Box>();
    auto b = std::make_shared<Box>();
    ElementState::SetId(*a, 3);
    ElementState::SetId(*b, 9);
    auto part = std::make_shared<Part>();
    ElementState::SetId(*part, 12);
    Part empty;
    auto& rep = const_cast<PartRep&>(part->GetRep());
    rep.target = a.get();
    rep.boxes = {a.get(), nullptr, b.get()};
    rep.peer = &empty;
    EXPECT_EQ(Write({part.get(), &empty}), std::string(kProlog) +
                                               "  <Part id=\"r12\"\n"
                                               "      Target=\"r3\"\n"
                                               "      Boxes=\"r3 r9\"/>\n"
                                               "  <Part id=\"r0\"/>\n"
                                               "</Diagram>\n");
}

TEST(Property, RestoreErrorPolicies)
{
    EXPECT_NO_THROW(EvalRestore::Optional::Evaluate(L"A", 1, kAttributeMissing));
    EXPECT_THROW(EvalRestore::Mandatory::Evaluate(L"A", 1, kAttributeMissing), Exceptions::MandatoryAttributeMissing);
    EXPECT_THROW(EvalRestore::Optional::Evaluate(L"A", 1, kWrongType), Exceptions::AttributeHasWrongType);
    EXPECT_THROW(EvalRestore::Optional::Evaluate(L"A", 1, kUnknownObject), Exceptions::UnknownObjectID);
    EXPECT_THROW(EvalRestore::Mandatory::Evaluate(L"A", 1, kTypeMismatch), Exceptions::TypeMismatchOfRestoredObject);
    EXPECT_THROW(EvalRestore::Mandatory::Evaluate(L"A", 1, kOutOfRange), Exceptions::AttributeOutOfRange);
    EXPECT_THROW(EvalRestore::Optional::Evaluate(L"A", 1, 6), Exceptions::UnknownAttributeRestoreError);
    try {
        EvalRestore::Mandatory::Evaluate(L"Type", 12, kWrongType);
    } catch (const xml::ExceptionBase& e) {
        EXPECT_STREQ(e.what(), "line 12: attribute \"Type\" has wrong type");
    }
}

TEST(Property, RemapKeepsReferencesInsideTheCopyAndDropsOthers)
{
    auto a = std::make_shared<Box>();
    auto b = std::make_shared<Box>();
    auto outside = std::make_shared<Box>();
    auto part = std::make_shared<Part>();
    auto peer = std::make_shared<Part>();
    auto& rep = const_cast<PartRep&>(part->GetRep());
    rep.target = a.get();
    rep.boxes = {a.get(), outside.get(), b.get()};
    rep.peer = peer.get();
    rep.seen = {outside.get(), peer.get()};

    CopyRegistry mapping;
    std::vector<ElementPtr> copies;
    for (ElementPtr e : std::vector<ElementPtr>{a, b, part, peer}) {
        copies.push_back(e->Clone());
        mapping.Register(*e, *copies.back());
    }
    for (auto& c : copies) c->RemapReferences(mapping);
    auto* partCopy = dynamic_cast<Part*>(copies[2].get());
    ASSERT_NE(partCopy, nullptr);
    const PartRep& r = partCopy->GetRep();
    EXPECT_EQ(r.target, dynamic_cast<IBox*>(copies[0].get()));
    EXPECT_EQ(r.boxes, (PtrCont<IBox>{dynamic_cast<IBox*>(copies[0].get()), dynamic_cast<IBox*>(copies[1].get())}));
    EXPECT_EQ(r.peer, dynamic_cast<IPart*>(copies[3].get()));
    EXPECT_EQ(r.seen, (PtrCont<IModelElement>{copies[3].get()}));
    // The original is untouched.
    EXPECT_EQ(part->GetRep().target, a.get());

    CopyRegistry partOnly;
    auto lone = part->Clone();
    partOnly.Register(*part, *lone);
    lone->RemapReferences(partOnly);
    EXPECT_EQ(dynamic_cast<Part&>(*lone).GetRep().target, nullptr);
    EXPECT_TRUE(dynamic_cast<Part&>(*lone).GetRep().boxes.empty());
}

TEST(Property, CloneCopiesRecordAndPositionButNotIdentity)
{
    Diagram diagram(Registry(), nullptr);
    Transaction t(diagram);
    Env env(t);
    auto box = Box::Factory().CreateTyped(env);
    box->SetPos(env, {40, 50});
    box->SetField(env, &BoxRep::count, 3);
    auto copy = std::dynamic_pointer_cast<Box>(box->Clone());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetObjectId(), 0u);
    EXPECT_FALSE(copy->IsInTransaction());
    EXPECT_EQ(copy->GetPos(), zq::Point(40, 50));
    EXPECT_EQ(copy->GetOldPos(), zq::Point(40, 50));
    EXPECT_EQ(copy->GetRep().count, 3);
    EXPECT_EQ(copy->GetTypeName(), L"Box");
}

struct LooseRep {
    int32_t kept = 0;
    int32_t loose = 0;
};
class Loose : public Storable<Loose, LooseRep> {
public:
    static FactoryImp<Loose>& Factory() {
        static FactoryImp<Loose> factory(SchemaNamespace10(), L"Loose");
        return factory;
    }
    static void RegisterProperties(PropertyTable<LooseRep>& t) {
        RegisterProperty<EvalRestore::Optional>::Register(t, &LooseRep::kept, L"Kept", int32_t(1));
    }
};

TEST(Property, WritingAnUnregisteredFieldIsRefused)
{
    Diagram diagram(Registry(), nullptr);
    Transaction t(diagram);
    Env env(t);
    auto loose = Loose::Factory().CreateTyped(env);
    EXPECT_NO_THROW(loose->ModifyField(t, &LooseRep::kept) = 2);
    // A field without a property would escape undo: refused.
    EXPECT_THROW(loose->ModifyField(t, &LooseRep::loose), std::logic_error);
}

// A child element that writes itself in place of a reference attribute.
struct CaptionRep {
    std::wstring text;
};
class Caption : public Storable<Caption, CaptionRep> {
public:
    static FactoryImp<Caption>& Factory() {
        static FactoryImp<Caption> factory(SchemaNamespace10(), L"Text");
        return factory;
    }
    static void RegisterProperties(PropertyTable<CaptionRep>&) {}
    void Store(xml::IWriter& parent, const IClub*) const override {
        xml::Writer w(parent, SchemaNamespace10(), L"Text");
        w.WriteText(GetRep().text);
        w.EndElement();
    }
};
} // namespace
template <>
struct Core::StoredInPlace<Caption> : std::true_type {};
namespace {
struct HolderRep {
    Caption* text = nullptr;
    int32_t after = 0;
};
class Holder : public Storable<Holder, HolderRep> {
public:
    static FactoryImp<Holder>& Factory() {
        static FactoryImp<Holder> factory(SchemaNamespace10(), L"Holder");
        return factory;
    }
    static void RegisterProperties(PropertyTable<HolderRep>& t) {
        RegisterRefProperty<>::Register(t, &HolderRep::text, L"Text");
        RegisterProperty<>::Register(t, &HolderRep::after, L"After", 3);
    }
};

TEST(Property, TextReferenceWritesTheChildInPlace)
{
    auto caption = std::make_shared<Caption>();
    const_cast<CaptionRep&>(caption->GetRep()).text = L"a < b";
    auto holder = std::make_shared<Holder>();
    ElementState::SetId(*holder, 2);
    std::string empty = Write({holder.get()});
    EXPECT_EQ(empty.find("<Text"), std::string::npos);
    const_cast<HolderRep&>(holder->GetRep()).text = caption.get();
    EXPECT_EQ(Write({holder.get()}), std::string(kProlog) +
                                         "  <Holder id=\"r2\"\n"
                                         "      After=\"3\">\n"
                                         "    <Text>a &lt; b</Text>\n"
                                         "  </Holder>\n"
                                         "</Diagram>\n");
    ObjectRegistry registry;
    Holder read;
    const_cast<HolderRep&>(read.GetRep()).after = 0;
    EXPECT_EQ(RestoreError(read, "After=\"4\"", registry), "");  // the text attribute is not read
    EXPECT_EQ(read.GetRep().text, nullptr);
    EXPECT_EQ(read.GetRep().after, 4);
}

TEST(FactoryRegistryTest, FindsByNamespaceAndName)
{
    FactoryRegistry& r = Registry();
    EXPECT_EQ(r.Find(SchemaNamespace10().uri, L"Box"), &Box::Factory());
    EXPECT_EQ(r.Find(SchemaNamespace13().uri, L"Box"), nullptr);
    EXPECT_EQ(r.Find(SchemaNamespace10().uri, L"Nothing"), nullptr);
    Box::Factory().ReportTo(r);  // again: ignored
    EXPECT_EQ(r.Size(), 4u);
    FactoryImp<Box> impostor(SchemaNamespace10(), L"Box");
    EXPECT_THROW(impostor.ReportTo(r), Exceptions::Base);
}

TEST(ObjectRegistryTest, DuplicateIdIsAnErrorWithTheLine)
{
    Box a, b;
    ObjectRegistry registry;
    registry.Register(4, a, 2);
    EXPECT_EQ(registry.Find(4), &a);
    EXPECT_EQ(registry.Find(5), nullptr);
    try {
        registry.Register(4, b, 9);
        FAIL();
    } catch (const xml::ExceptionBase& e) {
        EXPECT_STREQ(e.what(), "line 9: duplicate object id \"r4\"");
    }
}

TEST(FactoryRegistryTest, OneNameInTwoNamespacesNamesTwoFactories)
{
    FactoryRegistry r;
    FactoryImp<Box> box10(SchemaNamespace10(), L"Box"), box13(SchemaNamespace13(), L"Box");
    FactoryImp<Box> alpha(SchemaNamespace13(), L"Alpha"), zulu(SchemaNamespace10(), L"Zulu");
    for (FactoryImp<Box>* f : {&zulu, &box13, &alpha, &box10}) f->ReportTo(r);
    EXPECT_EQ(r.Find(SchemaNamespace10().uri, L"Box"), &box10);
    EXPECT_EQ(r.Find(SchemaNamespace13().uri, L"Box"), &box13);
    EXPECT_EQ(r.Find(SchemaNamespace13().uri, L"Alpha"), &alpha);
    EXPECT_EQ(r.Find(SchemaNamespace10().uri, L"Alpha"), nullptr);
    EXPECT_EQ(r.Find(SchemaNamespace10().uri, L"Zulu"), &zulu);
    EXPECT_EQ(r.Find(L"http://quorvel.example/schema/9.9", L"Box"), nullptr);
    EXPECT_EQ(r.Find(SchemaNamespace10().uri, L"Bo"), nullptr);
}

TEST(Property, EveryRegisteredFieldIsFoundByItsOffsetAndNoOtherPlace)
{
    const PropertyFactory& f = Box::Factory();
    for (const PropertyRef& p : f.GetProperties()) EXPECT_EQ(f.FindByOffset(p.offset), &p) << p.offset;
    // Places inside a field, past the record, and far beyond it hold no property.
    EXPECT_EQ(f.FindByOffset(f.GetProperties().front().offset + 1), nullptr);
    EXPECT_EQ(f.FindByOffset(sizeof(BoxRep)), nullptr);
    EXPECT_EQ(f.FindByOffset(1u << 30), nullptr);
}

TEST(ObjectRegistryTest, IdsInAndBeyondTheTableAreFoundAndCheckedAlike)
{
    Box a, b, c, d;
    ObjectRegistry registry;
    registry.Reserve(10);  // small ids go to the table, large ones to the map
    registry.Register(3, a, 1);
    registry.Register(1000000, b, 2);
    registry.Register(0xFFFFFFFFu, c, 3);
    registry.Register(0, d, 4);  // never registered
    registry.Register(3, a, 5);  // the same element again: harmless
    EXPECT_EQ(registry.Size(), 3u);
    EXPECT_EQ(registry.Find(3), &a);
    EXPECT_EQ(registry.Find(1000000), &b);
    EXPECT_EQ(registry.Find(0xFFFFFFFFu), &c);
    for (ObjectId id : {0u, 2u, 4u, 103u, 104u, 999999u}) EXPECT_EQ(registry.Find(id), nullptr) << id;
    EXPECT_THROW(registry.Register(3, d, 6), Exceptions::DuplicateObjectID);
    EXPECT_THROW(registry.Register(1000000, d, 7), Exceptions::DuplicateObjectID);
    // Growing the table keeps what it held; an unreserved registry keeps every id in the map.
    registry.Reserve(1000);
    registry.Register(2000, d, 8);
    EXPECT_EQ(registry.Find(3), &a);
    EXPECT_EQ(registry.Find(2000), &d);
    ObjectRegistry plain;
    plain.Register(7, a, 1);
    EXPECT_EQ(plain.Find(7), &a);
    EXPECT_THROW(plain.Register(7, b, 2), Exceptions::DuplicateObjectID);
}

} // namespace
