// The octet map of PduToXmlEx and XmlToPduEx (VANTREL_MAP): every vector
// record mapped both ways and checked against its XML and its octets, the
// two directions giving the same map, and the fields of a few APDUs exactly,
// deciphered content included.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "MapCheck.h"
#include "TestSupport.h"
#include "VectorFile.h"
#include "xmlPdu/security/Cipher.h"

namespace {

using vtest::Bytes;

struct TMapped {
    int Code = -1;
    std::string Message;
    int Position = -1;
    std::string Text;  // the XML, or the octets
    std::vector<VantrelMapEntry> Map;
    std::vector<VantrelMapUnit> Units;
};

void Take(TMapped& r, VantrelStream* s, const TTranslationError& e) {
    r.Code = e.Code;
    r.Position = e.Position;
    r.Message.assign(e.Message, strnlen(e.Message, sizeof e.Message));
    if (!s) return;
    r.Text.assign(reinterpret_cast<const char*>(VantrelStreamData(s)), VantrelStreamSize(s));
    const VantrelMapEntry* m = VantrelStreamMap(s);
    r.Map.assign(m, m + VantrelStreamMapCount(s));
    const VantrelMapUnit* u = VantrelStreamMapUnits(s);
    r.Units.assign(u, u + VantrelStreamMapUnitCount(s));
    EXPECT_EQ(VantrelStreamMapSources(s, 0), nullptr);
    VantrelStreamFree(s);
}

TMapped ToXmlMapped(std::string_view Octets, uint32_t Flags = VANTREL_MAP, const VantrelKeys* Keys = nullptr) {
    TMapped r;
    TTranslationError e{};
    VantrelStream* s = nullptr;
    PduToXmlEx(reinterpret_cast<const uint8_t*>(Octets.data()), static_cast<uint32_t>(Octets.size()), Keys, Flags, &s,
               &e);
    Take(r, s, e);
    if (r.Code == 0) r.Text.pop_back();  // the closing zero
    return r;
}

TMapped ToPduMapped(const std::string& XmlText, uint32_t Flags = VANTREL_MAP, const VantrelKeys* Keys = nullptr) {
    TMapped r;
    TTranslationError e{};
    VantrelStream* s = nullptr;
    XmlToPduEx(XmlText.c_str(), Keys, Flags, &s, &e);
    Take(r, s, e);
    return r;
}

uint32_t Lines(std::string_view Text) { return static_cast<uint32_t>(std::count(Text.begin(), Text.end(), '\n')); }

// Octets to XML with the map, and the XML back with the map: both maps hold
// every invariant against their XML and octets, and are the same map when
// the XML gives the octets back. Annotations change no entry. Returns the XML.
std::string ExpectMapsBothWays(std::string_view Octets, const VantrelKeys* Keys = nullptr) {
    const TMapped x = ToXmlMapped(Octets, VANTREL_MAP, Keys);
    EXPECT_EQ(x.Code, 0) << x.Message;
    if (x.Code != 0) return {};
    const TMapped plain = ToXmlMapped(Octets, 0, Keys);
    EXPECT_EQ(x.Text, plain.Text) << "the map changed the XML";
    EXPECT_EQ(x.Message, plain.Message);
    EXPECT_EQ(x.Position, plain.Position);
    EXPECT_TRUE(plain.Map.empty() && plain.Units.empty());

    const std::string_view apdu = Octets.substr(0, static_cast<size_t>(x.Position) - 1);
    EXPECT_EQ(vmap::CheckMap(x.Text, apdu, x.Map.data(), static_cast<uint32_t>(x.Map.size()), Keys), "") << x.Text;
    EXPECT_EQ(x.Units.size(), 1u);
    if (x.Units.size() == 1) {
        const VantrelMapUnit& u = x.Units[0];
        EXPECT_EQ(u.FirstEntry, 0u);
        EXPECT_EQ(u.EntryCount, x.Map.size());
        EXPECT_EQ(u.FirstLine, 1u);
        EXPECT_EQ(u.LastLine, Lines(x.Text));
        EXPECT_EQ(u.Octets, apdu.size());
        EXPECT_EQ(u.ApduOffset, VANTREL_MAP_NONE);
        EXPECT_EQ(u.HexToXml, 1);
    }

    const TMapped annotated = ToXmlMapped(Octets, VANTREL_MAP | VANTREL_ANNOTATE, Keys);
    EXPECT_EQ(vmap::CompareMaps(annotated.Map.data(), static_cast<uint32_t>(annotated.Map.size()), x.Map.data(),
                                static_cast<uint32_t>(x.Map.size())),
              "")
        << annotated.Text;
    EXPECT_EQ(vmap::CheckMap(annotated.Text, apdu, annotated.Map.data(), static_cast<uint32_t>(annotated.Map.size()),
                             Keys),
              "");

    const TMapped back = ToPduMapped(x.Text, VANTREL_MAP, Keys);
    EXPECT_EQ(back.Code, 0) << back.Message;
    EXPECT_EQ(vmap::CheckMap(x.Text, back.Text, back.Map.data(), static_cast<uint32_t>(back.Map.size()), Keys), "")
        << x.Text;
    if (back.Text == apdu) {
        EXPECT_EQ(vmap::CompareMaps(back.Map.data(), static_cast<uint32_t>(back.Map.size()), x.Map.data(),
                                    static_cast<uint32_t>(x.Map.size())),
                  "")
            << x.Text;
    }
    if (back.Units.size() == 1) {
        EXPECT_EQ(back.Units[0].Octets, back.Text.size());
        EXPECT_EQ(back.Units[0].HexToXml, 0);
    }
    return x.Text;
}

const char* const kFamilies[] = {"access_service", "action_service", "association", "ber_primitives",
                                 "block_transfer", "data_values",    "descriptors", "get_service",
                                 "initiate",       "meter_push",     "notifications", "protection",
                                 "read_write",     "release",        "service_errors", "set_service",
                                 "variable_access"};

TEST(OctetMap, EveryVectorRecordBothWays) {
    for (const char* family : kFamilies) {
        for (const vtest::TVector& v : vtest::LoadVectors(family)) {
            SCOPED_TRACE(std::string(family) + ".txt:" + std::to_string(v.Line) + " " + v.Name);
            if (v.FromHex && (v.Expect == vtest::TVector::ExactXml || v.Expect == vtest::TVector::Canonical)) {
                ExpectMapsBothWays(Bytes(v.Input));
            } else if (!v.FromHex && v.Expect == vtest::TVector::ExactHex) {
                const TMapped p = ToPduMapped(v.Input);
                ASSERT_EQ(p.Code, 0) << p.Message;
                EXPECT_EQ(vtest::Hex(p.Text), vtest::Norm(v.Expected));
                EXPECT_EQ(vmap::CheckMap(v.Input, p.Text, p.Map.data(), static_cast<uint32_t>(p.Map.size())), "");
            } else if (v.Expect == vtest::TVector::Failure) {
                // A failure is the same failure with the map.
                const TMapped r = v.FromHex ? ToXmlMapped(Bytes(v.Input)) : ToPduMapped(v.Input);
                EXPECT_EQ(r.Code, v.Code);
                EXPECT_EQ(r.Message, v.Message);
                EXPECT_EQ(r.Position, v.Position);
                EXPECT_TRUE(r.Map.empty());
            }
        }
    }
}

// ------------------------------------------------------------ exact fields

struct TField {
    const char* Element;
    uint32_t Line;
    uint32_t Offset;
    uint32_t Length;
    uint32_t Depth;
};

struct TFieldsCase {
    const char* Name;
    const char* Octets;
    std::vector<TField> Fields;
};

// Packet analysers' field trees, written out: which octets each element is.
const TFieldsCase kFieldCases[] = {
    {"a GET request: the choice's element holds the tags of both choices",
     "C0 01 C1 00 08 00 00 01 00 00 FF 02 00",
     {{"GetRequest", 1, 0, 13, 0},
      {"GetRequestNormal", 2, 2, 11, 1},
      {"InvokeIdAndPriority", 3, 2, 1, 2},
      {"AttributeDescriptor", 4, 3, 9, 2},
      {"ClassId", 5, 3, 2, 3},
      {"InstanceId", 6, 5, 6, 3},
      {"AttributeId", 7, 11, 1, 3}}},
    {"a Structure covers its tag, its count and its members; a Data value in it its tag",
     "FF 02 02 06 00 00 30 39 02 02 0F FD 16 1E",
     {{"Data", 1, 0, 14, 0},
      {"Structure", 2, 2, 12, 1},
      {"DoubleLongUnsigned", 3, 3, 5, 2},
      {"Structure", 4, 8, 6, 2},
      {"Integer", 5, 10, 2, 3},
      {"Enum", 6, 12, 2, 3}}},
    {"an octet string covers its length octet; octets after the APDU are no element's",
     "FF 09 03 41 42 43 99",
     {{"Data", 1, 0, 6, 0}, {"OctetString", 2, 2, 4, 1}}},
    {"a result and its Data: each choice's element holds its tag",
     "C4 01 C1 00 09 02 12 34",
     {{"GetResponse", 1, 0, 8, 0},
      {"GetResponseNormal", 2, 2, 6, 1},
      {"InvokeIdAndPriority", 3, 2, 1, 2},
      {"Result", 4, 3, 5, 2},
      {"Data", 5, 4, 4, 3},
      {"OctetString", 6, 5, 3, 4}}},
    {"fields of an AARE cover their BER tags; the diagnostic its own structure",
     "61 29 A1 09 06 07 60 85 74 05 08 01 01 A2 03 02 01 00 A3 05 A1 03 02 01 00 BE 10 04 0E 08 00 06 5F 1F 04 00 00 "
     "10 14 00 80 00 07",
     {{"AssociationResponse", 1, 0, 43, 0},
      {"ApplicationContextName", 2, 2, 11, 1},
      {"AssociationResult", 3, 13, 5, 1},
      {"ResultSourceDiagnostic", 4, 18, 7, 1},
      {"ACSEServiceUser", 5, 20, 5, 2},  // A1 03 02 01 00
      {"InitiateResponse", 7, 25, 18, 1},
      {"NegotiatedDlmsVersionNumber", 8, 31, 1, 2},
      {"NegotiatedConformance", 9, 32, 7, 2},
      {"ConformanceBit", 10, 38, 1, 3},  // 21, SelectiveAccess
      {"ConformanceBit", 11, 38, 1, 3},  // 19, Get
      {"ConformanceBit", 12, 37, 1, 3},  // 11, BlockTransferWithGetOrRead
      {"NegotiatedMaxPduSize", 14, 39, 2, 2},
      {"VaaName", 15, 41, 2, 2}}},
    {"a conformance block with the short tag 5F: each bit its octet",
     "01 00 00 00 06 5F 04 00 00 7E 1F 04 B0",
     {{"InitiateRequest", 1, 0, 13, 0},
      {"ProposedDlmsVersionNumber", 2, 4, 1, 1},
      {"ProposedConformance", 3, 5, 6, 1},
      {"ConformanceBit", 4, 10, 1, 2},
      {"ConformanceBit", 5, 10, 1, 2},
      {"ConformanceBit", 6, 10, 1, 2},
      {"ConformanceBit", 7, 10, 1, 2},
      {"ConformanceBit", 8, 10, 1, 2},
      {"ConformanceBit", 9, 9, 1, 2},
      {"ConformanceBit", 10, 9, 1, 2},
      {"ConformanceBit", 11, 9, 1, 2},
      {"ConformanceBit", 12, 9, 1, 2},
      {"ConformanceBit", 13, 9, 1, 2},
      {"ConformanceBit", 14, 9, 1, 2},
      {"ProposedMaxPduSize", 16, 11, 2, 1}}},
};

TEST(OctetMap, FieldsOfApdus) {
    for (const TFieldsCase& c : kFieldCases) {
        SCOPED_TRACE(c.Name);
        const TMapped x = ToXmlMapped(Bytes(c.Octets));
        ASSERT_EQ(x.Code, 0) << x.Message;
        ASSERT_EQ(x.Map.size(), c.Fields.size()) << x.Text;
        for (size_t i = 0; i < c.Fields.size(); ++i) {
            const TField& f = c.Fields[i];
            const VantrelMapEntry& e = x.Map[i];
            EXPECT_STREQ(e.Element, f.Element) << i;
            EXPECT_EQ(e.Line, f.Line) << f.Element;
            EXPECT_EQ(e.Offset, f.Offset) << f.Element;
            EXPECT_EQ(e.Length, f.Length) << f.Element;
            EXPECT_EQ(e.Depth, f.Depth) << f.Element;
            EXPECT_EQ(e.Plaintext, VANTREL_MAP_NONE);
        }
        ExpectMapsBothWays(Bytes(c.Octets));
    }
}

// XML written by hand: its own lines, comments and blank lines included, and
// an element's start tag split over lines counts at its "<".
TEST(OctetMap, LinesOfXmlAsWritten) {
    const std::string xml =
        "\n// a GET request\n<GetRequest><GetRequestNormal>\n  <!-- the invoke id\n   -->"
        "<InvokeIdAndPriority Value=\"C1\" />\n<AttributeDescriptor>\n<ClassId\n  Value=\"0008\" />"
        "<InstanceId Value=\"0.0.1.0.0.255\" /><AttributeId Value=\"02\" />\n</AttributeDescriptor>"
        "</GetRequestNormal>\n\n</GetRequest>\n";
    const TMapped p = ToPduMapped(xml);
    ASSERT_EQ(p.Code, 0) << p.Message;
    EXPECT_EQ(vtest::Hex(p.Text), "C001C100080000010000FF0200");
    EXPECT_EQ(vmap::CheckMap(xml, p.Text, p.Map.data(), static_cast<uint32_t>(p.Map.size())), "");
    const uint32_t lines[][2] = {{3, 11}, {3, 9}, {5, 5}, {6, 9}, {7, 7}, {8, 8}, {8, 8}};
    ASSERT_EQ(p.Map.size(), std::size(lines));
    for (size_t i = 0; i < p.Map.size(); ++i) {
        EXPECT_EQ(p.Map[i].Line, lines[i][0]) << p.Map[i].Element;
        EXPECT_EQ(p.Map[i].LastLine, lines[i][1]) << p.Map[i].Element;
    }
    ASSERT_EQ(p.Units.size(), 1u);
    EXPECT_EQ(p.Units[0].FirstLine, 3u);
    EXPECT_EQ(p.Units[0].LastLine, 11u);
}

// ------------------------------------------------------------ with keys

struct TKeySet {
    TKeySet() : Keys(VantrelKeysNew()) {
        TTranslationError e{};
        VantrelKeysSet(Keys, "BlockCipherKey", "000102030405060708090A0B0C0D0E0F", &e);
        VantrelKeysSet(Keys, "AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF", &e);
        VantrelKeysSet(Keys, "ClientSystemTitle", "4D4D4D0000000001", &e);
        VantrelKeysSet(Keys, "ServerSystemTitle", "4D4D4D0000BC614E", &e);
    }
    ~TKeySet() { VantrelKeysFree(Keys); }
    TKeySet(const TKeySet&) = delete;
    TKeySet& operator=(const TKeySet&) = delete;
    VantrelKeys* Keys;
};

// The README's glo-GET request with the public example keys: the clear header
// fields count in the APDU, the GET request in its plaintext.
TEST(OctetMap, DecipheredContentCountsInThePlaintext) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    const TKeySet keys;
    const std::string octets = Bytes("C8 1E 30 00 00 00 01 58 44 6A 0E 59 56 6A C9 DF 51 62 DA 98 55 41 CE 0E CA 2A E6 "
                                     "88 BD 76 5C 92");
    const TMapped x = ToXmlMapped(octets, VANTREL_MAP, keys.Keys);
    ASSERT_EQ(x.Code, 0) << x.Message;
    // The system title it was enciphered with stands in no octet of the APDU.
    const TField clear[] = {{"glo_GetRequest", 1, 0, 32, 0},
                            {"SecurityControl", 2, 2, 1, 1},
                            {"InvocationCounter", 3, 3, 4, 1},
                            {"SystemTitle", 4, VANTREL_MAP_NONE, 0, 1}};
    const TField deciphered[] = {{"GetRequest", 5, 0, 13, 1},      {"GetRequestNormal", 6, 2, 11, 2},
                                 {"InvokeIdAndPriority", 7, 2, 1, 3}, {"AttributeDescriptor", 8, 3, 9, 3},
                                 {"ClassId", 9, 3, 2, 4},             {"InstanceId", 10, 5, 6, 4},
                                 {"AttributeId", 11, 11, 1, 4}};
    ASSERT_EQ(x.Map.size(), std::size(clear) + std::size(deciphered)) << x.Text;
    for (size_t i = 0; i < x.Map.size(); ++i) {
        const bool inClear = i < std::size(clear);
        const TField& f = inClear ? clear[i] : deciphered[i - std::size(clear)];
        const VantrelMapEntry& e = x.Map[i];
        EXPECT_STREQ(e.Element, f.Element);
        EXPECT_EQ(e.Line, f.Line) << f.Element;
        EXPECT_EQ(e.Offset, f.Offset) << f.Element;
        EXPECT_EQ(e.Length, f.Length) << f.Element;
        EXPECT_EQ(e.Depth, f.Depth) << f.Element;
        EXPECT_EQ(e.Plaintext, inClear ? VANTREL_MAP_NONE : 0u) << f.Element;
    }
    ExpectMapsBothWays(octets, keys.Keys);
}

// Ciphered APDUs of public sources with their keys, and one a key is missing
// for: what deciphers is marked and counts in its plaintext, the rest as
// without keys, a comment before an element on the element's line.
TEST(OctetMap, CipheredApdusWithKeys) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    const TKeySet keys;
    // The worked example of the security suite in an AARQ (public dlms-cosem tests).
    const std::string aarq = Bytes(
        "6066A109060760857405080103A60A04084D4D4D0000BC614E8A0207808B0760857405080201AC0A80083132333435363738"
        "BE34043221303001234567801302FF8A7874133D414CED25B42534D28DB0047720606B175BD52211BE6841DB204D39EE6FDB8E356855");
    const std::string xml = ExpectMapsBothWays(aarq, keys.Keys);
    const TMapped x = ToXmlMapped(aarq, VANTREL_MAP, keys.Keys);
    size_t glo = x.Map.size(), plain = 0;
    for (size_t i = 0; i < x.Map.size(); ++i) {
        if (std::strcmp(x.Map[i].Element, "glo_InitiateRequest") == 0) glo = i;
        if (x.Map[i].Plaintext != VANTREL_MAP_NONE) {
            EXPECT_EQ(x.Map[i].Plaintext, glo) << x.Map[i].Element;
            ++plain;
        }
    }
    ASSERT_LT(glo, x.Map.size()) << xml;
    EXPECT_GT(plain, 5u);
    // The user information field: BE, its length, 04, its length, then the APDU.
    EXPECT_EQ(x.Map[glo].Offset, 50u);
    EXPECT_EQ(x.Map[glo].Length, aarq.size() - 50u);

    // A dedicated key is missing: the opaque element follows the comment on its line.
    const std::string ded = Bytes("D0 1E 30 00 00 00 01 D3 B9 03 99 6D 95 08 C5 B6 BC DE B0 25 DD 18 00 A5 C9 27 75 FB "
                                  "55 F3 17 CF");
    const TMapped opaque = ToXmlMapped(ded, VANTREL_MAP, keys.Keys);
    ASSERT_EQ(opaque.Code, 0);
    ASSERT_EQ(opaque.Map.size(), 1u) << opaque.Text;
    EXPECT_EQ(opaque.Text.rfind("<!-- no DedicatedKey --> <ded_GetRequest", 0), 0u) << opaque.Text;
    EXPECT_EQ(opaque.Map[0].Line, 1u);
    EXPECT_EQ(opaque.Map[0].Length, ded.size());
    ExpectMapsBothWays(ded, keys.Keys);

    // A ciphered APDU inside a ciphered one (security control 01: in the
    // clear): the inner one's content counts in the inner plaintext, also
    // when the XML encodes it back.
    ExpectMapsBothWays(Bytes("2E 13 01 00FF1927 41 0C 01 0001FFFF FF 0C 04 00100501"), keys.Keys);
}

// ------------------------------------------------------------ the functions

TEST(OctetMap, KeptOnlyWhenAskedFor) {
    const std::string octets = Bytes("FF 02 02 06 00 00 30 39 02 02 0F FD 16 1E");
    const TMapped none = ToXmlMapped(octets, 0);
    EXPECT_TRUE(none.Map.empty());
    EXPECT_TRUE(none.Units.empty());
    EXPECT_EQ(VantrelStreamMapCount(nullptr), 0u);
    EXPECT_EQ(VantrelStreamMap(nullptr), nullptr);
    EXPECT_EQ(VantrelStreamMapAtLine(nullptr, 1), VANTREL_MAP_NONE);

    // The functions that write into other places ignore the flag.
    TTranslationError e{};
    char buffer[1024];
    const uint32_t with = PduToXmlInto(reinterpret_cast<const uint8_t*>(octets.data()),
                                       static_cast<uint32_t>(octets.size()), nullptr, VANTREL_MAP, buffer,
                                       sizeof buffer, &e);
    EXPECT_EQ(e.Code, 0);
    EXPECT_EQ(std::string(buffer, with - 1), none.Text);
    const uint32_t size = static_cast<uint32_t>(octets.size());
    VantrelStream* many = nullptr;
    TTranslationError errors[1]{};
    EXPECT_EQ(PduToXmlMany(reinterpret_cast<const uint8_t*>(octets.data()), &size, 1, nullptr, VANTREL_MAP, &many,
                           errors),
              0u);
    EXPECT_EQ(VantrelStreamMapCount(many), 0u);
    VantrelStreamFree(many);
}

TEST(OctetMap, EntryAtLine) {
    const std::string octets = Bytes("FF 02 02 06 00 00 30 39 02 02 0F FD 16 1E");
    TTranslationError e{};
    VantrelStream* s = nullptr;
    PduToXmlEx(reinterpret_cast<const uint8_t*>(octets.data()), static_cast<uint32_t>(octets.size()), nullptr,
               VANTREL_MAP, &s, &e);
    ASSERT_EQ(e.Code, 0);
    // Data 1-9, Structure 2-8, DoubleLongUnsigned 3, Structure 4-7, Integer 5, Enum 6.
    const uint32_t rows[][2] = {{0, VANTREL_MAP_NONE}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 4},
                                {6, 5},                {7, 3}, {8, 1}, {9, 0}, {10, VANTREL_MAP_NONE}};
    for (const auto& r : rows) EXPECT_EQ(VantrelStreamMapAtLine(s, r[0]), r[1]) << "line " << r[0];
    // Positions in a hex text are known only to the translate command.
    EXPECT_EQ(VantrelStreamMapAtSource(s, 0), VANTREL_MAP_NONE);
    uint32_t begin = 7, end = 7;
    EXPECT_EQ(VantrelStreamMapRange(s, 2, &begin, &end), -1);
    EXPECT_EQ(begin, 7u);
    VantrelStreamFree(s);
}

}  // namespace
