// The association request (AARQ) and response (AARE).
#include "TestSupport.h"
#include "VectorFile.h"

namespace {

TEST(Association, Vectors) { vtest::ExpectVectors("association"); }

using vtest::Tlv;

constexpr const char* kLN = "A1 09 06 07 60 85 74 05 08 01 01";

// The user-information field around a carried APDU.
std::string UserInformation(std::string_view ApduHex) { return Tlv("BE", Tlv("04", ApduHex)); }

TEST(Association, LongContentsTakeTheLongLengthForm) {
    // More than 127 octets of contents take the long length form.
    const std::string title(140, 'T');
    const std::string aarq = Tlv("60", kLN + Tlv("A6", Tlv("04", vtest::Hex(title))));
    EXPECT_EQ(aarq.substr(0, 6), "60819D");
    vtest::ExpectOctetsSurvive(aarq);
}

// Depth association requests, each carrying the next in its user information.
std::string NestedRequests(int Depth) {
    std::string hex = vtest::Hex(vtest::Bytes("62 00"));
    for (int i = 0; i < Depth; ++i) hex = Tlv("60", kLN + UserInformation(hex));
    return hex;
}

TEST(Association, CarriedApdusNestOnlySoDeep) {
    vtest::ExpectOctetsSurvive(NestedRequests(60));
    const auto r = vtest::ToXml(NestedRequests(70));
    EXPECT_EQ(r.Code, 3);
    EXPECT_EQ(r.Message, "Nesting too deep");
    // Lengths are not trusted: a flat run of empty carriers fails the same way.
    std::string flat;
    for (int i = 0; i < 100000; ++i) flat += "60 00 BE 00 04 00 ";
    vtest::ExpectPduFailure(flat, "Nesting too deep", 65 * 6 + 1);

    std::string xml;
    for (int i = 0; i < 70; ++i) xml += "<AssociationRequest>\n<ApplicationContextName Value=\"LN\" />\n";
    xml += "<ReleaseRequest>\n</ReleaseRequest>\n";
    for (int i = 0; i < 70; ++i) xml += "</AssociationRequest>\n";
    const size_t line = std::string_view("<AssociationRequest>\n<ApplicationContextName Value=\"LN\" />\n").size();
    // Found at the 65th carried APDU's start tag.
    vtest::ExpectXmlFailure(xml, 1, "Nesting too deep", static_cast<int>(65 * line + 20));
}

}  // namespace
