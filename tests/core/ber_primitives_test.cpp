// The BER leaves of the association APDUs: object identifiers, bit strings,
// octet strings and one-octet integers, seen through an AARQ.
#include "TestSupport.h"

namespace {

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

TEST(ObjectIdentifier, NamesAndArcsTranslateBothWays) {
    struct TRow {
        const char* Octets;  // length and contents
        const char* Text;
    };
    const TRow kRows[] = {
        {"07 5F 85 75 04 07 02 03", "UNKNOWN"},
        {"07 60 85 74 05 08 01 01", "LN"},
        {"07 60 85 74 05 08 01 02", "SN"},
        {"07 60 85 74 05 08 01 03", "LN_WITH_CIPHERING"},
        {"07 60 85 74 05 08 01 04", "SN_WITH_CIPHERING"},
        {"07 60 85 74 05 08 02 00", "NO_SECURITY"},
        {"07 60 85 74 05 08 02 01", "LOW_SECURITY"},
        {"07 60 85 74 05 08 02 02", "HIGH_SECURITY"},
        {"07 60 85 74 05 08 02 03", "HIGH_SECURITY_MD5"},
        {"07 60 85 74 05 08 02 04", "HIGH_SECURITY_SHA1"},
        {"07 60 85 74 05 08 02 05", "HIGH_SECURITY_GMAC"},
        {"07 60 85 74 05 08 02 06", "HIGH_SECURITY_SHA256"},
        {"07 60 85 74 05 08 02 07", "HIGH_SECURITY_ECDSA"},
        // Identifiers outside the table are kept as their arcs.
        {"07 60 85 74 05 08 03 01", "{2,16,756,5,8,3,1}"},
        {"07 60 85 74 05 08 02 08", "{2,16,756,5,8,2,8}"},
        {"07 28 CA 22 02 01 01 01", "{1,0,9506,2,1,1,1}"},
        {"07 06 81 80 80 80 80 00", "{0,6,34359738368}"},
        {"07 FF FF FF FF FF FF 7F", "{2,562949953421231}"},
        {"00", "{}"},
    };
    for (const TRow& r : kRows) vtest::ExpectRoundTrip(Aarq(r.Octets), AarqXml(r.Text));
}

TEST(ObjectIdentifier, ContentsThatAreNoIdentifierDecodeAsUnknown) {
    // A cut-off last subidentifier, and a subidentifier with a leading zero septet.
    for (const char* contents : {"07 60 85 74 05 08 01 81", "07 60 85 74 05 80 01 01", "07 80 01 02 03 04 05 06"}) {
        const auto x = vtest::ToXml(Aarq(contents));
        ASSERT_EQ(x.Code, 0) << x.Message;
        EXPECT_EQ(x.Text, AarqXml("UNKNOWN"));
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

TEST(ObjectIdentifier, BadInputIsRefused) {
    vtest::ExpectPduFailure(Aarq("09 60 85 74 05 08 01 01 00 00"), "Object identifier illegal length 9", 7);
    vtest::ExpectPduFailure(Aarq("01 60"), "Object identifier illegal length 1", 7);
    vtest::ExpectPduFailure(Aarq("07 60 85 74"), "Wrong encoding in pdu", 7);
    struct TRow {
        const char* Text;
        const char* Message;
    };
    const TRow kRows[] = {
        {"ln", "Illegal value ln"},
        {"2.16.756.5.8.1.1", "Illegal value 2.16.756.5.8.1.1"},
        {"", "Illegal value "},
        {"{2}", "(3:1) ',' expected"},
        {"{3,1,2,3,4,5,6}", "(2:1) Value out of range 3."},
        {"{1,40,1,2,3,4,5}", "(4:1) Value out of range 40."},
        {"{2,16,756,-5,8,1,1}", "(11:1) Integer value [0..72057594037927935] expected."},
        {"{2,16,756,5,8,1,1", "(18:1) '}' expected"},
        {"{2,16,756,5,8,1,1} x", "(20:1) 'Identifier' unexpected"},
        {"{2,16,99999999999999999999}", "(7:1) Value out of range 99999999999999999999."},
        {"{1,2}", "Object identifier illegal length 1"},
        {"{2,16,756,5,8,1,1,0}", "Object identifier illegal length 8"},
    };
    // Reported after the element that holds the text.
    for (const TRow& r : kRows) {
        const std::string xml = AarqXml(r.Text);
        vtest::ExpectXmlFailure(xml, 1, r.Message, static_cast<int>(xml.find("/>") + 2));
    }
}

TEST(BERBitString, BitsTranslateBothWays) {
    struct TRow {
        const char* Octets;
        const char* Bits;
    };
    const TRow kRows[] = {
        {"01 00", ""},
        {"02 07 80", "1"},
        {"02 04 B0", "1011"},
        {"02 00 A5", "10100101"},
        {"03 00 FF 80", "1111111110000000"},
        {"03 07 FF 80", "111111111"},
    };
    for (const TRow& r : kRows)
        vtest::ExpectRoundTrip(Tlv("60", std::string("80 ") + r.Octets + "A1 09 06 07 60 85 74 05 08 01 01"),
                               ProtocolVersionXml(r.Bits));
}

TEST(BERBitString, DecodingIsLenientEncodingIsNot) {
    // No data octets: the unused-bits count is ignored; written back as 01 00.
    const vtest::TCanonical kRows[] = {
        {"60 0D 8A 01 05 A1 09 06 07 60 85 74 05 08 01 01", "60 0E A1 09 06 07 60 85 74 05 08 01 01 8A 01 00"},
        // An unused-bits count above 8 leaves the last octet no bits.
        {"60 0E A1 09 06 07 60 85 74 05 08 01 01 8A 03 09 FF FF", "60 0F A1 09 06 07 60 85 74 05 08 01 01 8A 02 00 FF"},
    };
    vtest::ExpectCanonical(kRows);
    // A bit string without its unused-bits octet runs out of octets.
    vtest::ExpectPduFailure("60 00 8A 00", "Wrong encoding in pdu", 5);

    vtest::ExpectXmlFailure(ProtocolVersionXml("12"), 2, "BERBitString: illegal character", 0);
    // The length is one octet: 254 data octets at most.
    vtest::ExpectXmlFailure(ProtocolVersionXml(std::string(2033, '1')), 2, "BERBitString: too long, 2033 bits", 0);
    const auto longest = vtest::ToPdu(ProtocolVersionXml(std::string(2032, '1')));
    ASSERT_EQ(longest.Code, 0) << longest.Message;
    EXPECT_EQ(longest.Text.substr(0, 14), "6082010C" "80FF00");
}

TEST(BEROctetString, PrintableTextOrHex) {
    vtest::ExpectRoundTrip(Aarq("07 60 85 74 05 08 01 01", Tlv("A2", Tlv("04", "41 42 43"))),
                           AarqXml("LN", "  <CalledAPTitle Value=\"\\ABC\" />\n"));
    vtest::ExpectRoundTrip(Aarq("07 60 85 74 05 08 01 01", Tlv("A2", Tlv("04", "41 22 43"))),
                           AarqXml("LN", "  <CalledAPTitle Value=\"412243\" />\n"));
    vtest::ExpectRoundTrip(Aarq("07 60 85 74 05 08 01 01", Tlv("A2", "04 00")),
                           AarqXml("LN", "  <CalledAPTitle Value=\"\" />\n"));
    vtest::ExpectXmlFailure(AarqXml("LN", "  <CalledAPTitle Value=\"4\" />\n"), 1,
                            "HexStrToByteStr: Hex-character missing", 92);
}

TEST(BERInteger, OneOctetWithItsLength) {
    vtest::ExpectRoundTrip(Aarq("07 60 85 74 05 08 01 01", "A4 03 02 01 05 A9 03 02 01 FF"),
                           AarqXml("LN", "  <CalledAPInvocationId Value=\"05\" />\n"
                                         "  <CallingAEInvocationId Value=\"FF\" />\n"));
    vtest::ExpectPduFailure(Aarq("07 60 85 74 05 08 01 01", "A4 04 02 02 05 06"), "T_InvocationId: Illegal data size",
                            18);
    vtest::ExpectXmlFailure(AarqXml("LN", "  <CalledAPInvocationId Value=\"0506\" />\n"), 1,
                            "Illegal data size, expected 1, found 2", 102);
}

}  // namespace
