// Exact, or it says so. For any input that translates, the XML either gives
// back exactly the octets read, or a note (and a comment) names the first
// octet that differs, and no note claims a difference that is not there.
// This holds for every vector of every family and for their mutants, with
// and without keys; the XML is well-formed throughout. Then the notes of
// each kind, row by row.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "RandomData.h"
#include "TestSupport.h"
#include "VectorFile.h"
#include "Src/translate/OctetsAfterApdu.h"
#include "xmlPdu/security/Cipher.h"

#ifdef VANTREL_HAVE_EXPAT
#include <expat.h>
#endif

namespace {

using vtest::Bytes;
using vtest::Hex;

// A key set from name/value rows; freed with the test.
class TKeys {
public:
    explicit TKeys(std::initializer_list<std::pair<const char*, const char*>> Rows) : FKeys(VantrelKeysNew()) {
        for (const auto& [name, value] : Rows) {
            TTranslationError e{};
            EXPECT_EQ(VantrelKeysSet(FKeys, name, value, &e), 0) << name;
        }
    }
    ~TKeys() { VantrelKeysFree(FKeys); }
    TKeys(const TKeys&) = delete;
    TKeys& operator=(const TKeys&) = delete;
    const VantrelKeys* Get() const { return FKeys; }

private:
    VantrelKeys* FKeys;
};

struct TTranslation {
    int Code = -1;
    int Position = 0;
    std::string Text;  // the XML, or the octets (not hex)
    std::vector<std::string> Notes;
};

TTranslation ToXml(std::string_view Octets, const VantrelKeys* Keys = nullptr) {
    TTranslation t;
    TTranslationError e{};
    VantrelStream* s = nullptr;
    PduToXmlEx(reinterpret_cast<const uint8_t*>(Octets.data()), static_cast<uint32_t>(Octets.size()), Keys, 0, &s, &e);
    t.Code = e.Code;
    t.Position = e.Position;
    if (s) t.Text = reinterpret_cast<const char*>(VantrelStreamData(s));
    for (uint32_t i = 0; i < VantrelStreamNoteCount(s); ++i) t.Notes.emplace_back(VantrelStreamNote(s, i));
    VantrelStreamFree(s);
    return t;
}

TTranslation ToPdu(const std::string& Xml, const VantrelKeys* Keys = nullptr) {
    TTranslation t;
    TTranslationError e{};
    VantrelStream* s = nullptr;
    XmlToPduEx(Xml.c_str(), Keys, 0, &s, &e);
    t.Code = e.Code;
    t.Position = e.Position;
    if (s) t.Text.assign(reinterpret_cast<const char*>(VantrelStreamData(s)), VantrelStreamSize(s));
    for (uint32_t i = 0; i < VantrelStreamNoteCount(s); ++i) t.Notes.emplace_back(VantrelStreamNote(s, i));
    VantrelStreamFree(s);
    return t;
}

#ifdef VANTREL_HAVE_EXPAT
// Whether a real XML parser accepts the text as a document.
bool WellFormed(const std::string& Xml, std::string& Error) {
    XML_Parser parser = XML_ParserCreate("UTF-8");
    const bool ok = XML_Parse(parser, Xml.data(), static_cast<int>(Xml.size()), 1) == XML_STATUS_OK;
    if (!ok)
        Error = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
                std::to_string(XML_GetCurrentLineNumber(parser));
    XML_ParserFree(parser);
    return ok;
}
#endif

struct TTally {
    size_t Exact = 0;  // translations whose XML gives back the octets read
    size_t Noted = 0;  // translations that say it does not
};

// The invariant for one input (and one key set).
void ExpectExactOrNoted(const std::string& Octets, const VantrelKeys* Keys, TTally& Tally) {
    const TTranslation x = ToXml(Octets, Keys);
    if (x.Code != 0) return;
    SCOPED_TRACE(Hex(Octets));
#ifdef VANTREL_HAVE_EXPAT
    std::string error;
    EXPECT_TRUE(WellFormed("<all>" + x.Text + "</all>", error)) << error << "\n" << x.Text;
#endif
    const std::string read = Octets.substr(0, static_cast<size_t>(x.Position) - 1);
    std::string other;
    for (const std::string& note : x.Notes) {
        EXPECT_EQ(note.find("--"), std::string::npos) << note;
        EXPECT_EQ(note.find('>'), std::string::npos) << note;
        if (note.starts_with("the XML gives other octets") || note.starts_with("the XML does not ")) other = note;
    }
    // That note has its comment word for word (the notes of ciphered APDUs
    // say more than their comments).
    if (!other.empty()) EXPECT_NE(x.Text.find("<!-- " + other + " --> \r\n"), std::string::npos) << x.Text;
    const TTranslation p = ToPdu(x.Text, Keys);
    if (other.starts_with("the XML does not ")) {
        EXPECT_NE(p.Code, 0) << x.Text;
        ++Tally.Noted;
        return;
    }
    ASSERT_EQ(p.Code, 0) << p.Text << "\n" << x.Text;
    if (p.Text == read) {
        EXPECT_EQ(other, "") << "a difference noted where there is none\n" << x.Text;
        ++Tally.Exact;
    } else {
        EXPECT_EQ(other, vantrel::OtherOctetsText(read, p.Text)) << x.Text;
        ++Tally.Noted;
    }
}

// Base and its mutants: each of the first Reach octets replaced by values
// that reach other forms (long lengths, presence octets, padding, tags), and
// a long-form length put before a short one.
void ForMutants(const std::string& Base, size_t Reach, const std::function<void(const std::string&)>& Check) {
    static constexpr uint8_t kValues[] = {0x00, 0x01, 0x02, 0x07, 0x0F, 0x7F, 0x80, 0x81, 0x82, 0xFF};
    Check(Base);
    for (size_t at = 0; at < Base.size() && at < Reach; ++at) {
        std::string mutant = Base;
        for (uint8_t v : kValues) {
            mutant[at] = static_cast<char>(v);
            Check(mutant);
        }
        if (static_cast<uint8_t>(Base[at]) < 0x80) {
            std::string longer = Base;
            longer.insert(at, 1, '\x81');
            Check(longer);
        }
    }
}

std::vector<std::string> Families() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(VANTREL_VECTOR_DIR))
        if (entry.path().extension() == ".txt") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ExactOrNoted, EveryVectorAndItsMutants) {
    const TKeys all{{"BlockCipherKey", "000102030405060708090A0B0C0D0E0F"},
                    {"DedicatedKey", "00112233445566778899AABBCCDDEEFF"},
                    {"AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF"},
                    {"ClientSystemTitle", "4D4D4D0000000001"},
                    {"ServerSystemTitle", "4D4D4D0000BC614E"}};
    const std::vector<std::string> families = Families();
    EXPECT_GE(families.size(), 17u);
    TTally tally;
    for (const std::string& family : families) {
        SCOPED_TRACE(family);
        for (const vtest::TVector& v : vtest::LoadVectors(family)) {
            if (!v.HasInput || !v.FromHex) continue;
            ForMutants(Bytes(v.Input), 24, [&](const std::string& octets) {
                ExpectExactOrNoted(octets, nullptr, tally);
                if (family == "protection" || family == "association") ExpectExactOrNoted(octets, all.Get(), tally);
            });
        }
    }
    // Both kinds are reached: the test is not vacuous either way.
    EXPECT_GT(tally.Exact, 5000u);
    EXPECT_GT(tally.Noted, 500u);
}

TEST(ExactOrNoted, MutatedDataValues) {
    vtest::TRandomData random(20270113);
    TTally tally;
    for (int i = 0; i < 200; ++i) {
        const std::string value = random.Data(3);
        if (value.size() > 120) continue;
        ForMutants("\xFF" + value, 120, [&](const std::string& octets) { ExpectExactOrNoted(octets, nullptr, tally); });
    }
    EXPECT_GT(tally.Exact, 2000u);
    EXPECT_GT(tally.Noted, 50u);
}

// ---------------------------------------------------------------- octets to XML

// Octets read in a form the encoder does not write: kept where the XML has
// room for it, otherwise noted.
TEST(ExactOrNoted, FormsTheEncoderDoesNotWrite) {
    struct TRow {
        const char* Octets;
        const char* Note;  // empty: the XML gives them back
    };
    const TRow kRows[] = {
        {"FF 09 03 41 42 43", ""},
        {"FF 09 81 03 41 42 43",
         "the XML gives other octets from octet 3 on: the input has 81 03 41 42 43, the XML 03 41 42 43 (7 octets read, "
         "6 from the XML)"},
        {"FF 01 82 00 01 11 05",
         "the XML gives other octets from octet 3 on: the input has 82 00 01 11 05, the XML 01 11 05 (7 octets read, 5 "
         "from the XML)"},
        // Padding bits set stay in the XML.
        {"FF 04 01 06", ""},
        {"FF 04 0C FF F5", ""},
        {"C0 01 C1 00 08 00 00 01 00 00 FF 02 07 02 12 00 05",
         "the XML gives other octets from octet 13 on: the input has 07 02 12 00 05, the XML 01 02 12 00 05"},
        // An RLRE whose lengths do not add up: 63 and BE count less than follows.
        {"63 13 80 01 00 BE 0E 04 0E 08 00 06 5F 1F 04 00 00 52 1D 00 EF 00 07",
         "the XML gives other octets from octet 2 on: the input has 13 80 01 00 BE 0E 04 0E ..., the XML 15 80 01 00 BE "
         "10 04 0E ..."},
        // The data notification the fuzzer found: its date-time is typed, and the
        // padding of the bit string after it decides which reading wins.
        {"0F 00 00 00 01 09 0C 07 E3 02 04 01 17 34 16 02 02 12 00 04 01 06", ""},
    };
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Octets);
        const TTranslation x = ToXml(Bytes(r.Octets));
        ASSERT_EQ(x.Code, 0);
        const std::vector<std::string> expected = *r.Note ? std::vector<std::string>{r.Note} : std::vector<std::string>{};
        EXPECT_EQ(x.Notes, expected) << x.Text;
        const TTranslation p = ToPdu(x.Text);
        EXPECT_EQ(p.Text == Bytes(r.Octets), !*r.Note) << x.Text;
    }
}

TEST(ExactOrNoted, PaddingBitsInTheXml) {
    struct TRow {
        const char* Xml;
        const char* Octets;  // null: the failure Message
        const char* Message;
    };
    const TRow kRows[] = {
        {R"x(<Data><BitString Value="0(0000110)" /></Data>)x", "FF 04 01 06", nullptr},
        {R"x(<Data><BitString Value="111111111111(0101)" /></Data>)x", "FF 04 0C FF F5", nullptr},
        {R"x(<Data><BitString Value="0(0000000)" /></Data>)x", "FF 04 01 00", nullptr},
        {R"x(<Data><BitString Value="0(000011)" /></Data>)x", nullptr,
         "BitString: after 1 bits, 7 padding bits in parentheses expected"},
        {R"x(<Data><BitString Value="00000000(1)" /></Data>)x", nullptr, "BitString: after 8 bits, no padding bits"},
        {R"x(<Data><BitString Value="0(000011x)" /></Data>)x", nullptr,
         "BitString: after 1 bits, 7 padding bits in parentheses expected"},
    };
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Xml);
        const TTranslation p = ToPdu(r.Xml);
        if (r.Octets) {
            EXPECT_EQ(p.Code, 0);
            EXPECT_EQ(Hex(p.Text), vtest::Norm(r.Octets));
        } else {
            EXPECT_EQ(p.Code, 1);
        }
        if (!r.Octets) {
            TTranslationError e{};
            VantrelStream* s = nullptr;
            XmlToPdu(r.Xml, &s, &e);
            EXPECT_STREQ(e.Message, r.Message);
        }
    }
}

// ---------------------------------------------------------------- XML to octets

TEST(ExactOrNoted, TextAfterTheApduOfXml) {
    struct TRow {
        const char* Xml;
        const char* Note;  // empty: none
    };
    const TRow kRows[] = {
        {"<Data><Unsigned Value=\"05\" /></Data>", ""},
        {"<Data><Unsigned Value=\"05\" /></Data> \r\n <!-- a comment --> \r\n// and another\r\n", ""},
        {"<Data><Unsigned Value=\"05\" /></Data> junk <<<", "8 characters after the end of the APDU: \"junk <<<\""},
        {"<Data><Unsigned Value=\"05\" /></Data><Data><Unsigned Value=\"06\" /></Data>",
         "36 characters after the end of the APDU: \"<Data\\x3E<Unsigned Value=\\\"06\\\" /\\x3E</D\" ... and 4 more"},
        {"<Data><Unsigned Value=\"05\" /></Data>\r\n--\t\x01\xC3\xA4\xFF",
         "6 characters after the end of the APDU: \"-\\x2D\\t\\x01\xC3\xA4\\xFF\""},
    };
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Xml);
        const TTranslation p = ToPdu(r.Xml);
        EXPECT_EQ(p.Code, 0);
        EXPECT_EQ(p.Position, 0);
        EXPECT_EQ(Hex(p.Text), "FF1105");
        const std::vector<std::string> expected = *r.Note ? std::vector<std::string>{r.Note} : std::vector<std::string>{};
        EXPECT_EQ(p.Notes, expected);
        TTranslationError e{};
        VantrelStream* s = nullptr;
        XmlToPdu(r.Xml, &s, &e);
        EXPECT_STREQ(e.Message, r.Note);  // the success record holds the notes too
        VantrelStreamFree(s);
    }
}

// ---------------------------------------------------------------- ciphered APDUs

// The ded GET request of the public Go DLMS client's tests
// ("TestClient_CompleteSecureCommunication"): dedicated key
// 5E168412318BA71848C99B2B2AB33294, authentication key 0011...EEFF, client
// title 4349520000000001, server title 4C475A2022604828.
constexpr const char* kDedGet = "D01E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF";

TEST(ExactOrNoted, WhatDoesNotDecipherIsNotedWithItsLikeliestCause) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    const TKeys right{{"DedicatedKey", "5E168412318BA71848C99B2B2AB33294"},
                      {"AuthenticationKey", "00112233445566778899AABBCCDDEEFF"},
                      {"ClientSystemTitle", "4349520000000001"},
                      {"ServerSystemTitle", "4C475A2022604828"}};
    const TKeys swapped{{"DedicatedKey", "5E168412318BA71848C99B2B2AB33294"},
                        {"AuthenticationKey", "00112233445566778899AABBCCDDEEFF"},
                        {"ClientSystemTitle", "4C475A2022604828"},
                        {"ServerSystemTitle", "4349520000000001"}};
    const TKeys wrongAuthentication{{"DedicatedKey", "5E168412318BA71848C99B2B2AB33294"},
                                    {"AuthenticationKey", "00112233445566778899AABBCCDDEEFE"},
                                    {"ClientSystemTitle", "4349520000000001"}};
    const TKeys wrongKey{{"DedicatedKey", "5E168412318BA71848C99B2B2AB33295"},
                         {"AuthenticationKey", "00112233445566778899AABBCCDDEEFF"},
                         {"ClientSystemTitle", "4349520000000001"}};
    const TKeys otherKeys{{"BlockCipherKey", "00112233445566778899AABBCCDDEEFF"},
                          {"ClientSystemTitle", "4349520000000001"}};
    const TKeys empty{};
    struct TRow {
        const char* Name;
        const VantrelKeys* Keys;
        const char* Octets;
        const char* Note;  // empty: none
    };
    const TRow kRows[] = {
        {"right keys", right.Get(), kDedGet, ""},
        {"swapped titles", swapped.Get(), kDedGet,
         "ded_GetRequest not deciphered: authentication failed: wrong key or altered octets; it deciphers with the "
         "ServerSystemTitle: the system titles are likely swapped"},
        {"wrong authentication key", wrongAuthentication.Get(), kDedGet,
         "ded_GetRequest not deciphered: authentication failed: wrong key or altered octets; its content deciphers, but "
         "not its tag: the AuthenticationKey is likely wrong, or the octets were altered"},
        {"wrong key", wrongKey.Get(), kDedGet,
         "ded_GetRequest not deciphered: authentication failed: wrong key or altered octets; the DedicatedKey or the "
         "ClientSystemTitle is likely wrong"},
        {"the key missing, others given", otherKeys.Get(), kDedGet, "ded_GetRequest not deciphered: no DedicatedKey"},
        {"the block cipher key missing", wrongKey.Get(), "C80B2000000001D3B903996D95",
         "glo_GetRequest not deciphered: no BlockCipherKey"},
        // Encryption only, with the wrong key: the content does not decode.
        {"encryption only", otherKeys.Get(), "C80B2000000001D3B903996D95",
         "glo_GetRequest not deciphered: the deciphered octets do not decode: Wrong encoding in pdu at octet 3; the "
         "BlockCipherKey or the ClientSystemTitle is likely wrong"},
        {"suite", right.Get(), "D0093200000001D3B90399",
         "ded_GetRequest not deciphered: DedicatedKey has 16 octets; suite 2 needs 32"},
        // No keys at all: opaque is exact, nothing to say.
        {"no keys", nullptr, kDedGet, ""},
        {"an empty key set", empty.Get(), kDedGet, ""},
    };
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Name);
        const TTranslation x = ToXml(Bytes(r.Octets), r.Keys);
        ASSERT_EQ(x.Code, 0);
        const std::vector<std::string> expected = *r.Note ? std::vector<std::string>{r.Note} : std::vector<std::string>{};
        EXPECT_EQ(x.Notes, expected) << x.Text;
        // The comment before the opaque form is what it always was.
        if (*r.Note) EXPECT_TRUE(x.Text.starts_with("<!-- ")) << x.Text;
        for (const std::string& note : x.Notes)  // keys are named, never shown
            for (const char* key : {"5E1684", "0011223344"}) EXPECT_EQ(note.find(key), std::string::npos) << note;
        EXPECT_EQ(Hex(ToPdu(x.Text, r.Keys).Text), r.Octets);
    }
}

TEST(ExactOrNoted, TheSystemTitleUsedIsInTheXml) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    const TKeys learned{{"DedicatedKey", "5E168412318BA71848C99B2B2AB33294"},
                        {"AuthenticationKey", "00112233445566778899AABBCCDDEEFF"},
                        {"ClientSystemTitle", "4349520000000001"}};
    const TKeys file{{"DedicatedKey", "5E168412318BA71848C99B2B2AB33294"},
                     {"AuthenticationKey", "00112233445566778899AABBCCDDEEFF"},
                     {"ClientSystemTitle", "0000000000000001"}};
    const TTranslation x = ToXml(Bytes(kDedGet), learned.Get());
    ASSERT_EQ(x.Code, 0);
    EXPECT_NE(x.Text.find("  <InvocationCounter Value=\"00000001\" />\r\n  <SystemTitle Value=\"4349520000000001\" />\r\n"
                          "  <GetRequest>\r\n"),
              std::string::npos)
        << x.Text;
    // Enciphered back with keys that hold another title: the XML's wins.
    EXPECT_EQ(Hex(ToPdu(x.Text, file.Get()).Text), kDedGet);
    // XML as written before, without the element, takes the keys' title.
    std::string before = x.Text;
    before.erase(before.find("  <SystemTitle"), std::string("  <SystemTitle Value=\"4349520000000001\" />\r\n").size());
    EXPECT_EQ(Hex(ToPdu(before, learned.Get()).Text), kDedGet);
    EXPECT_NE(Hex(ToPdu(before, file.Get()).Text), kDedGet);
}

TEST(ExactOrNoted, DecipheringWithTheEncryptionKeyAlone) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    const TKeys alone{{"DedicatedKey", "5E168412318BA71848C99B2B2AB33294"}, {"ClientSystemTitle", "4349520000000001"}};
    const TKeys both{{"DedicatedKey", "5E168412318BA71848C99B2B2AB33294"},
                     {"AuthenticationKey", "00112233445566778899AABBCCDDEEFF"},
                     {"ClientSystemTitle", "4349520000000001"}};
    const TTranslation x = ToXml(Bytes(kDedGet), alone.Get());
    ASSERT_EQ(x.Code, 0);
    EXPECT_TRUE(x.Text.starts_with(vtest::Xml(R"(
<!-- authentication tag not checked: no AuthenticationKey --> <ded_GetRequest>
  <SecurityControl Value="30" />
  <InvocationCounter Value="00000001" />
  <SystemTitle Value="4349520000000001" />
  <AuthenticationTag Value="DD1800A5C92775FB55F317CF" />
  <CiphertextCheck Value="FCDF485046FFB1AC" />
  <GetRequest>
)"))) << x.Text;
    ASSERT_EQ(x.Notes.size(), 1u);
    EXPECT_TRUE(x.Notes[0].starts_with("ded_GetRequest: deciphered, its authentication tag not checked")) << x.Notes[0];

    struct TRow {
        const char* Name;
        const char* From;  // replaced in the XML by To
        const char* To;
        const VantrelKeys* Keys;
        const char* Octets;  // null: refused with Message
        const char* Message;
    };
    const TRow kRows[] = {
        {"unchanged", "", "", alone.Get(), kDedGet, nullptr},
        {"unchanged, with the authentication key", "", "", both.Get(), kDedGet, nullptr},
        {"changed content", "Value=\"0008\"", "Value=\"0003\"", alone.Get(), nullptr,
         "ded_GetRequest cannot be enciphered: no AuthenticationKey, and the tag read belongs to other octets (the "
         "content, counter, system title or key changed)"},
        {"changed counter", "Value=\"00000001\"", "Value=\"00000002\"", alone.Get(), nullptr,
         "ded_GetRequest cannot be enciphered: no AuthenticationKey, and the tag read belongs to other octets (the "
         "content, counter, system title or key changed)"},
        {"changed content, with the authentication key", "Value=\"0008\"", "Value=\"0003\"", both.Get(), kDedGet,
         nullptr},
        {"without the check value", "  <CiphertextCheck Value=\"FCDF485046FFB1AC\" />\r\n", "", alone.Get(), nullptr,
         "ded_GetRequest cannot be enciphered: no AuthenticationKey, and the tag read belongs to other octets (the "
         "content, counter, system title or key changed)"},
    };
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Name);
        std::string xml = x.Text;
        if (*r.From) xml.replace(xml.find(r.From), std::string_view(r.From).size(), r.To);
        const TTranslation p = ToPdu(xml, r.Keys);
        if (!r.Octets) {
            EXPECT_EQ(p.Code, 1);
            TTranslationError e{};
            VantrelStream* s = nullptr;
            XmlToPduEx(xml.c_str(), r.Keys, 0, &s, &e);
            EXPECT_STREQ(e.Message, r.Message);
            continue;
        }
        ASSERT_EQ(p.Code, 0);
        if (std::string_view(r.Name).starts_with("changed content, with")) {
            // The tag is computed again: other octets, and a note that the XML's tag was not written.
            EXPECT_NE(Hex(p.Text), kDedGet);
            ASSERT_EQ(p.Notes.size(), 1u);
            EXPECT_TRUE(p.Notes[0].starts_with("ded_GetRequest: the AuthenticationTag of the XML is not the tag"));
            EXPECT_EQ(ToXml(p.Text, both.Get()).Text.find("<!--"), std::string::npos);
        } else {
            EXPECT_EQ(Hex(p.Text), r.Octets);
            EXPECT_TRUE(p.Notes.empty());
        }
    }
}

// A push of a Kamstrup Omnipower meter's customer port, authenticated and
// encrypted (control octet 30), from the test data of the public HAN decoder
// esphome-libs/dlms_parser (tests/expected/hdlc_kamstrup_omnipower.h): the
// information field of its HDLC frame without the LLC header. Encryption key
// 00112233445566778899AABBCCDDEEFF, authentication key FFEEDDCCBBAA99887766554433221100.
constexpr const char* kKamstrupPush =
    "DB084B414D45013490838201D030010F60A4AC4B6048A68093068D24FBC9225EA9AA8FE3441E02F54DBDA3D9ED58425A2FA0"
    "99985243FDEF3390AFC26C90A9B81E774774C90CE2A381D6A64F3E148F1FCFE282C2A793F9FDC273CF3CDFF63C279F43635A"
    "B2F7FB31BD6DB83EDE632B9B5E1BC7C276A86A62F7C68D2B3E065E7DCEB00CE7655E0577A7A3E5E8F3E656E3A7E827E9B327"
    "970A61D17E27C0DB0987BFCF902C7BBAF5D968C38EDF29BA2F1D9AEE13A6899C6C0325A2A00CAB915F519B55329270380EFF"
    "AE9F5E2A47CFDB9C84CDF5D2D3348AFB9D00DA1DEE1B9C33AF56784D9988CACA556F18D62F2E70D3F10744A86774CB78F5B3"
    "CA336F23D833937D8F5CF3F7A35DB8B37132488FE0C66703B845014EB6DF8455FE90383028342AD39B126AD26F969EA47E1A"
    "B090CFBECD10DC3E5DA3104BBA96184B14AFE9E960D51B4C62D5F01E82D467CA571981671AB783C972349BCB98C89A19B1C9"
    "8DB0EBA2670A9BCA21F8419B04C94DB510E75E3E426D75B2CFA91F8F4CAAF8758B33768DF7FE55FD8B4983B19A19DDE7A589"
    "1BC0F266A8029D2089B6EA0C2D11C2EF96A6E40365BC85D259DC169DD43E16499EBC6F080E4CCD8657DACE68939CE40E4F55"
    "A6B0CC40DFFC9DC1B4149DD09D72C7DDB5E0F10E31948B665168C6";

TEST(ExactOrNoted, PublishedPushWithTheEncryptionKeyAlone) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    const TKeys alone{{"BlockCipherKey", "00112233445566778899AABBCCDDEEFF"}};
    const TKeys both{{"BlockCipherKey", "00112233445566778899AABBCCDDEEFF"},
                     {"AuthenticationKey", "FFEEDDCCBBAA99887766554433221100"}};
    // With both keys the tag is checked, and passes.
    const TTranslation checked = ToXml(Bytes(kKamstrupPush), both.Get());
    ASSERT_EQ(checked.Code, 0);
    EXPECT_TRUE(checked.Notes.empty()) << checked.Notes[0];
    EXPECT_EQ(checked.Text.find("AuthenticationTag"), std::string::npos);
    // With the encryption key alone the same content, the tag kept unchecked.
    const TTranslation unchecked = ToXml(Bytes(kKamstrupPush), alone.Get());
    ASSERT_EQ(unchecked.Code, 0);
    ASSERT_EQ(unchecked.Notes.size(), 1u);
    EXPECT_TRUE(unchecked.Text.starts_with(vtest::Xml(R"(
<!-- authentication tag not checked: no AuthenticationKey --> <GeneralGloCiphering>
  <SystemTitle Value="4B414D4501349083" />
  <SecurityControl Value="30" />
  <InvocationCounter Value="010F60A4" />
  <AuthenticationTag Value="DDB5E0F10E31948B665168C6" />
)"))) << unchecked.Text;
    const size_t apdu = checked.Text.find("  <DataNotification>");
    ASSERT_NE(apdu, std::string::npos);
    EXPECT_NE(unchecked.Text.find(checked.Text.substr(apdu)), std::string::npos);
    for (const VantrelKeys* keys : {alone.Get(), both.Get()}) EXPECT_EQ(Hex(ToPdu(unchecked.Text, keys).Text), kKamstrupPush);
}

}  // namespace
