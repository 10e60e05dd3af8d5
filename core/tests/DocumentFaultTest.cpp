// Documents written by other programs: every reading error names the line of the element at fault,
// attributes the elements do not read raise the skipped-content flag, and stored ids are found in
// every form the XML allows.
#include "core/tests/DocumentKinds.h"

#include "core/DocumentReader.h"
#include "core/xml/Exceptions.h"

#include <gtest/gtest.h>

#include <string>

using namespace Core;
using namespace TestKinds;

namespace {

struct FaultyRep {
    int32_t step = 0;        // the reading step that fails
    IBox* blame = nullptr;   // the element the failure names, if any
};

// Fails in the reading step its "Step" names: 1 EndRestore (a reader error without line), 2 its own
// finalizing, 3 OnRestored, 4 the follow-up as the reading closes, 5 OnRestored naming "Blame".
class Faulty : public Storable<Faulty, FaultyRep> {
public:
    static FactoryImp<Faulty>& Factory() {
        static FactoryImp<Faulty> factory(SchemaNamespace10(), L"Faulty");
        return factory;
    }
    static void RegisterProperties(PropertyTable<FaultyRep>& t) {
        RegisterProperty<EvalRestore::Optional>::Register(t, &FaultyRep::step, L"Step", int32_t(0));
        RegisterRefProperty<>::Register(t, &FaultyRep::blame, L"Blame");
    }
    void EndRestore(Env&, const RestoreContext&) override {
        if (Step() == 1) throw xml::ExceptionBase(0, "fails at the end of its restore");
    }
    void FinalizeRead(Env&) override {
        if (Step() == 2) throw Exceptions::Base("fails finalizing");
    }
    void OnRestored(Env&) override {
        if (Step() == 3) throw Exceptions::Base("fails when restored");
        if (Step() == 5) {
            Exceptions::Base error("blames another element");
            error.NameElement(GetRep().blame->GetObjectId());
            throw error;
        }
    }
    void Finalize(Env&) override {
        if (Step() == 4) throw Exceptions::Base("fails as the reading closes");
    }

private:
    int32_t Step() const { return GetRep().step; }
};

FactoryRegistry& FaultRegistry() {
    static FactoryRegistry registry = MakeRegistry<Box, Part, Faulty>();
    return registry;
}

std::string Doc(const std::string& body, const std::string& rootAttributes = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\" "
           "xmlns:q1v3=\"http://quorvel.example/schema/1.3\"" +
           rootAttributes + ">\n" + body + "</Diagram>\n";
}

const std::string kBox1 = "<Box id=\"r1\" Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\"/>\n";
const std::string kBox2 = "<Box id=\"r2\" Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"u\"/>\n";

// The text of the error the document raises; empty when it reads.
std::string Refusal(const std::string& doc, int* line = nullptr) {
    Diagram d{FaultRegistry(), nullptr};
    try {
        d.LoadXML(doc);
    } catch (const Exceptions::Base& e) {
        if (line != nullptr) *line = e.Line();
        EXPECT_EQ(d.GetElementCount(), 0u);
        return e.what();
    }
    return {};
}

unsigned Flags(const std::string& doc) {
    Diagram d{FaultRegistry(), nullptr};
    return d.LoadXML(doc);
}

} // namespace

TEST(DocumentFaults, AnErrorLearnsItsLineOnceAndShowsNoneWithout) {
    Exceptions::Base plain("no line");
    EXPECT_STREQ(plain.what(), "no line");
    plain.PlaceAt(7);
    plain.PlaceAt(9);
    EXPECT_STREQ(plain.what(), "line 7: no line");
    EXPECT_EQ(plain.Line(), 7);
    EXPECT_EQ(plain.Detail(), "no line");
    xml::ExceptionBase unplaced(0, "type mismatch");
    EXPECT_STREQ(unplaced.what(), "type mismatch");
    unplaced.NameElement(4);
    unplaced.NameElement(5);
    EXPECT_EQ(unplaced.Element(), 4u);
    EXPECT_STREQ(xml::ExceptionBase(3, "placed").what(), "line 3: placed");
}

// A failure in any step after the element was read carries the line of that element.
TEST(DocumentFaults, EveryStepsFailureNamesTheLineOfItsElement) {
    const char* messages[] = {"fails at the end of its restore", "fails finalizing", "fails when restored",
                              "fails as the reading closes"};
    for (int step = 1; step <= 4; ++step) {
        SCOPED_TRACE(step);
        int line = 0;
        const std::string text =
            Refusal(Doc(kBox1 + "<Faulty id=\"r3\"\n Step=\"" + std::to_string(step) + "\"/>\n" + kBox2), &line);
        EXPECT_EQ(line, 4);
        EXPECT_EQ(text, "line 4: " + std::string(messages[step - 1]));
    }
}

TEST(DocumentFaults, AFailureThatNamesAnotherElementTakesItsLine) {
    int line = 0;
    EXPECT_EQ(Refusal(Doc(kBox1 + kBox2 + "<Faulty id=\"r3\" Step=\"5\" Blame=\"r2\"/>\n"), &line),
              "line 4: blames another element");
    EXPECT_EQ(line, 4);
}

// An attribute that its element does not read would be lost at the next save: the reading reports
// it as skipped content. Attributes of the XML namespace itself are no content.
TEST(DocumentFaults, AttributesTheElementDoesNotReadAreReportedAsSkipped) {
    const std::string box = "<Box id=\"r1\" Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\"";
    EXPECT_EQ(Flags(Doc(box + "/>")), 0u);
    EXPECT_EQ(Flags(Doc(box + " Bogus=\"1\"/>")), 1u);
    EXPECT_EQ(Flags(Doc(box + " q1v3:Name=\"n\"/>")), 1u);  // a name of the other schema namespace
    EXPECT_EQ(Flags(Doc(box + " xml:lang=\"en\"/>")), 0u);
    EXPECT_EQ(Flags(Doc("<Part id=\"r2\" Target=\"r1\" Unknown=\"\"/>\n" + kBox1)), 1u);
}

// Elements read without a stored id take ids above every stored one, however the stored ids are
// written: with character references or through a prefix bound to the schema namespace.
TEST(DocumentFaults, StoredIdsInEveryFormKeepNewIdsClear) {
    const std::string forms[] = {
        "<Box id=\"&#114;4\" Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\"/>\n",
        "<Box id=\"&#x72;&#x34;\" Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\"/>\n",
        "<Box id='r&#52;' Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\"/>\n",
        "<Box s:id=\"r4\" xmlns:s=\"http://quorvel.example/schema/1.0\" Pos=\"0 0\" Size=\"1 1\" Type=\"1\" Title=\"t\"/>\n",
    };
    for (const std::string& box : forms) {
        SCOPED_TRACE(box);
        Diagram d{FaultRegistry(), nullptr};
        // The highest id written plainly is r3: the part without id must not take r4.
        EXPECT_EQ(d.LoadXML(Doc("<Part/>\n" + box + "<Part id=\"r3\" Target=\"r4\"/>\n")), 0u);
        ASSERT_EQ(d.GetElementCount(), 3u);
        EXPECT_EQ(d.Elements()[1]->GetObjectId(), 4u);
        EXPECT_GT(d.Elements()[0]->GetObjectId(), 4u);
    }
}
