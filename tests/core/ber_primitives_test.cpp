// The BER leaves of the association APDUs: object identifiers, bit strings,
// octet strings and one-octet integers, seen through an AARQ.
#include "TestSupport.h"
#include "VectorFile.h"

namespace {

TEST(BERPrimitives, Vectors) { vtest::ExpectVectors("ber_primitives"); }

using vtest::Tlv;
using vtest::Xml;

// An AARQ holding the fields (hex, in table order) after its context name.
std::string Aarq(std::string_view ContextName, std::string_view Fields = "") {
    return Tlv("60", Tlv("A1", std::string("06 ") + std::string(ContextName)) + std::string(Fields));
}

// The same in XML.
std::string AarqXml(std::string_view ContextName, std::string_view Fields = "") {
    return Xml("\n<AssociationRequest>\n  <ApplicationContextName Value=\"" + std::string(ContextName) + "\" />\n" +
               std::string(Fields) + "</AssociationRequest>\n");
}

// An AARQ in XML with the protocol version Bits.
std::string ProtocolVersionXml(std::string_view Bits) {
    return Xml("\n<AssociationRequest>\n  <ProtocolVersion Value=\"" + std::string(Bits) +
               "\" />\n  <ApplicationContextName Value=\"LN\" />\n</AssociationRequest>\n");
}

TEST(ObjectIdentifier, ContentsThatAreNoIdentifierDecodeAsUnknown) {
    // A cut-off last subidentifier, and a subidentifier with a leading zero
    // septet. UNKNOWN gives other octets: the XML ends with a comment that
    // says from where on.
    struct TRow {
        const char* Contents;
        const char* Comment;
    };
    const TRow kRows[] = {
        {"07 60 85 74 05 08 01 81", "the input has 60 85 74 05 08 01 81, the XML 5F 85 75 04 07 02 03"},
        {"07 60 85 74 05 80 01 01", "the input has 60 85 74 05 80 01 01, the XML 5F 85 75 04 07 02 03"},
        {"07 80 01 02 03 04 05 06", "the input has 80 01 02 03 04 05 06, the XML 5F 85 75 04 07 02 03"},
    };
    for (const TRow& r : kRows) {
        const auto x = vtest::ToXml(Aarq(r.Contents));
        ASSERT_EQ(x.Code, 0) << x.Message;
        EXPECT_EQ(x.Text, AarqXml("UNKNOWN") + "<!-- the XML gives other octets from octet 7 on: " + r.Comment + " --> \r\n");
        EXPECT_EQ(vtest::ToPdu(x.Text).Text, Aarq("07 5F 85 75 04 07 02 03"));
    }
}

TEST(ObjectIdentifier, ArcsOnInputAreEncodedByTheArcRules) {
    struct TRow {
        const char* Text;
        const char* Octets;
    };
    const TRow kRows[] = {
        {"UNKNOWN", "07 5F 85 75 04 07 02 03"},
        {"{ 2, 16, 756, 5, 8, 3, 1 }", "07 60 85 74 05 08 03 01"},
        {"{2,0x10,0x2F4,5,8,3,1}", "07 60 85 74 05 08 03 01"},
        {"{1,39,1,2,3,4,5,6}", "07 4F 01 02 03 04 05 06"},
        {"{}", "00"},
        // Arcs that spell a name are that name.
        {"{2,16,756,5,8,1,1}", "07 60 85 74 05 08 01 01"},
    };
    for (const TRow& r : kRows) {
        const auto p = vtest::ToPdu(AarqXml(r.Text));
        ASSERT_EQ(p.Code, 0) << r.Text << ": " << p.Message;
        EXPECT_EQ(p.Text, Aarq(r.Octets)) << r.Text;
    }
    const auto x = vtest::ToXml(Aarq("07 60 85 74 05 08 01 01"));
    EXPECT_EQ(x.Text, AarqXml("LN"));
}

TEST(BERBitString, AtMost254DataOctets) {
    // The length is one octet: 254 data octets at most.
    vtest::ExpectXmlFailure(ProtocolVersionXml(std::string(2033, '1')), 2, "BERBitString: too long, 2033 bits", 0);
    const auto longest = vtest::ToPdu(ProtocolVersionXml(std::string(2032, '1')));
    ASSERT_EQ(longest.Code, 0) << longest.Message;
    EXPECT_EQ(longest.Text.substr(0, 14), "6082010C" "80FF00");
}

}  // namespace
