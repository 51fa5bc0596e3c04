// Ciphered APDUs with the user's keys: public worked examples, round trips
// through every envelope, the reasons an APDU stays opaque, key sets shared
// between threads, and the bound on the output.
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "xmlPdu/INFRA/Errors.h"
#include "xmlPdu/INFRA/ScriptStream.h"
#include "xmlPdu/security/Cipher.h"
#include "xmlPdu/security/Keys.h"

namespace {

using vtest::Bytes;
using vtest::Hex;
using vtest::Xml;

struct TKeyRow {
    const char* Name;
    const char* Hex;
};

// A key set from rows; freed with the test.
struct TKeys {
    explicit TKeys(std::initializer_list<TKeyRow> Rows) : Keys(VantrelKeysNew()) {
        for (const TKeyRow& r : Rows) {
            TTranslationError e{};
            EXPECT_EQ(VantrelKeysSet(Keys, r.Name, r.Hex, &e), 0) << r.Name << ": " << e.Message;
        }
    }
    ~TKeys() { VantrelKeysFree(Keys); }
    TKeys(const TKeys&) = delete;
    TKeys& operator=(const TKeys&) = delete;
    VantrelKeys* Keys;
};

vtest::TResult ToXmlWith(const VantrelKeys* Keys, std::string_view Octets) {
    vtest::TResult r;
    TTranslationError e{};
    VantrelStream* s = nullptr;
    PduToXmlWithKeys(reinterpret_cast<const uint8_t*>(Octets.data()), static_cast<uint32_t>(Octets.size()), Keys, &s,
                     &e);
    r.Code = e.Code;
    r.Position = e.Position;
    if (e.Code != 0) r.Message.assign(e.Message, strnlen(e.Message, sizeof e.Message));
    else r.Text = reinterpret_cast<const char*>(VantrelStreamData(s));
    VantrelStreamFree(s);
    return r;
}

vtest::TResult ToPduWith(const VantrelKeys* Keys, const std::string& XmlText) {
    vtest::TResult r;
    TTranslationError e{};
    VantrelStream* s = nullptr;
    XmlToPduWithKeys(XmlText.c_str(), Keys, &s, &e);
    r.Code = e.Code;
    r.Position = e.Position;
    if (e.Code != 0) r.Message.assign(e.Message, strnlen(e.Message, sizeof e.Message));
    else r.Text = Hex(std::string_view(reinterpret_cast<const char*>(VantrelStreamData(s)), VantrelStreamSize(s)));
    VantrelStreamFree(s);
    return r;
}

// Octets → XML with keys → the same octets, with keys and, when the XML kept
// the opaque form, without them too. Returns the XML.
std::string ExpectKeyedRoundTrip(const VantrelKeys* Keys, std::string_view HexOctets) {
    const vtest::TResult x = ToXmlWith(Keys, Bytes(HexOctets));
    EXPECT_EQ(x.Code, 0) << x.Message << " at " << x.Position;
    const vtest::TResult p = ToPduWith(Keys, x.Text);
    EXPECT_EQ(p.Code, 0) << p.Message << " at " << p.Position << "\n" << x.Text;
    EXPECT_EQ(p.Text, vtest::Norm(HexOctets)) << x.Text;
    return x.Text;
}

// ---------------------------------------------------------------- public examples

// The worked example of the DLMS security suite: block cipher key
// 000102...0F, authentication key D0...DF, system title 4D4D4D0000BC614E,
// invocation counter 01234567, a glo-initiate-request carrying dedicated key
// 00112233445566778899AABBCCDDEEFF. The AARQ around it is the test data of the
// public Python library dlms-cosem (tests of ApplicationAssociationRequest,
// "test_parse_ciphered_low_security2").
constexpr const char* kGreenBookAarq =
    "6066A109060760857405080103A60A04084D4D4D0000BC614E8A0207808B0760857405080201AC0A80083132333435363738"
    "BE34043221303001234567801302FF8A7874133D414CED25B42534D28DB0047720606B175BD52211BE6841DB204D39EE6FDB8E356855";

TEST(Security, GreenBookInitiateRequestInAnAarqNeedsNoTypedTitle) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    TKeys keys{{"BlockCipherKey", "000102030405060708090A0B0C0D0E0F"},
               {"AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF"}};
    const std::string xml = ExpectKeyedRoundTrip(keys.Keys, kGreenBookAarq);
    EXPECT_NE(xml.find(Xml(R"(
  <glo_InitiateRequest>
    <SecurityControl Value="30" />
    <InvocationCounter Value="01234567" />
    <InitiateRequest>
      <DedicatedKey Value="00112233445566778899AABBCCDDEEFF" />
)")), std::string::npos) << xml;
    // The same APDU through the plain functions stays opaque, as before.
    EXPECT_NE(vtest::ToXml(kGreenBookAarq).Text.find("<glo_InitiateRequest Value=\"30"), std::string::npos);
}

// A whole ciphered session of the public Go DLMS client's tests
// ("TestClient_CompleteSecureCommunication"): block cipher and authentication
// key 00112233445566778899AABBCCDDEEFF, client title 4349520000000001, server
// title 4C475A2022604828 (named by the AARE), dedicated key
// 5E168412318BA71848C99B2B2AB33294 (carried by the AARQ).
struct TSessionRow {
    const char* Octets;
    const char* Expected;  // a line the XML must hold
};
const TSessionRow kSession[] = {
    {"6066A109060760857405080103A60A040843495200000000018A0207808B0760857405080201AC0A80084A7553363642435A"
     "BE3404322130300000005992D807DBCF8533E9AD675AE0948241FB8E6CF9AFA7006BAA134A473C9151B3362F56DC12F89E85DA97E176",
     "      <DedicatedKey Value=\"5E168412318BA71848C99B2B2AB33294\" />"},
    {"6148A109060760857405080103A203020100A305A103020100A40A04084C475A2022604828"
     "BE230421281F300000005AE916783AF33B5317AD0E453A799A65F26AE97660CF8B14FEB7B0",
     "    <InitiateResponse>"},
    {"D01E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF", "      <InstanceId Value=\"0000010000FF\" />"},
    {"D4233000000001AA07A549F82E6B8EEA919659D91689BF995BE6F93C95A7208718A3B84EE4", "  <GetResponse>"},
    {"6239800100BE3404322130300000005A8E9B83D641B89FAAF36DA504132C34F87E4BA66175A7DCED015460239699C72C18C06DB29C5467"
     "3B83BAC0",
     "    <InitiateRequest>"},
    {"6328800100BE230421281F300000005BCD34827974EDCF8B1DAB306F62C58AB42052DB67361377507825", "    <InitiateResponse>"},
};

TEST(Security, PublicSessionDeciphersApduByApdu) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    TKeys keys{{"BlockCipherKey", "00112233445566778899AABBCCDDEEFF"},
               {"AuthenticationKey", "00112233445566778899AABBCCDDEEFF"},
               {"DedicatedKey", "5E168412318BA71848C99B2B2AB33294"},
               {"ClientSystemTitle", "4349520000000001"},
               {"ServerSystemTitle", "4C475A2022604828"}};
    for (const TSessionRow& r : kSession) {
        SCOPED_TRACE(r.Octets);
        const std::string xml = ExpectKeyedRoundTrip(keys.Keys, r.Octets);
        EXPECT_EQ(xml.find("<!--"), std::string::npos) << xml;
        EXPECT_NE(xml.find(std::string(r.Expected) + "\r\n"), std::string::npos) << xml;
    }
}

// A push of a utility's customer interface, published as a worked example
// (fneur/smart-meter-tirol, doc/EXAMPLE.md): general-glo-ciphering, suite 1,
// encryption only, key 101112...1F, system title 4B464D1010000023.
constexpr const char* kPushedNotification =
    "DB084B464D10100000238201092100295B9AEFC1546E644A2C9E32EDD42CBD0F"
    "1B945B194D086885C4D8DF86DD52CB5B448854A6D548D5D270739B2A169D05B0"
    "13F9015070089D3C5FA45CA05E92309A645CC83D7DA40FBC8F4CF9C225AFA69A"
    "25FF0B2AC9C2744550ABA53CE9143FD10B0AD85FD30BD6B6DFFEE65F8204DC9C"
    "5067CA73B62E299A39D50AA730B2B9AE3836BC2F3490FB41BE5B6F930D849529"
    "76369DD7DABBB5A4354AECA1D2486CFF2EB0C6206380BA501D122AF75D716D30"
    "92C3960506A15E06FAB0EE5B7DFA3C2CDF0CAFD051B88E44B8B9FB8865F20CB8"
    "9D1143CDC7EFEB07FB4C4898E764E9E3A32DDC3D1FB46961CE962B2C78050C96"
    "598C7E4D26658043F9CBCA78189BD01B139F8AE0F739";

TEST(Security, PublishedGeneralGloCipheredDataNotification) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    TKeys keys{{"BlockCipherKey", "101112131415161718191A1B1C1D1E1F"}};
    const std::string xml = ExpectKeyedRoundTrip(keys.Keys, kPushedNotification);
    EXPECT_TRUE(xml.starts_with(Xml(R"(
<GeneralGloCiphering>
  <SystemTitle Value="4B464D1010000023" />
  <SecurityControl Value="21" />
  <InvocationCounter Value="00295B9A" />
  <DataNotification>
    <LongInvokeIdAndPriority Value="0029B2DC" />
)"))) << xml;
}

// The GMAC of the HLS example of the DLMS security suite (authentication
// only, control octet 10): over 10 || AK || "K56iVagY" with the server's
// title and invocation counter 01234567 the tag is FE1466AFB3DBCD4F9389E2B7.
// Also the test data of jDLMS (GcmCipherModTest).
TEST(Security, GreenBookGmacOfAnAuthenticatedOnlyMessage) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    std::string tag;
    ASSERT_TRUE(vantrel::cipher::GcmEncrypt(Bytes("000102030405060708090A0B0C0D0E0F"), Bytes("4D4D4D0000BC614E01234567"),
                                            Bytes("10 D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF 4B35366956616759"), {}, 12, tag));
    EXPECT_EQ(Hex(tag), "FE1466AFB3DBCD4F9389E2B7");
    std::string none;
    EXPECT_TRUE(vantrel::cipher::GcmDecrypt(Bytes("000102030405060708090A0B0C0D0E0F"), Bytes("4D4D4D0000BC614E01234567"),
                                            Bytes("10 D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF 4B35366956616759"), {}, tag, none));
    tag[0] ^= 1;
    EXPECT_FALSE(vantrel::cipher::GcmDecrypt(Bytes("000102030405060708090A0B0C0D0E0F"), Bytes("4D4D4D0000BC614E01234567"),
                                             Bytes("10 D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF 4B35366956616759"), {}, tag, none));
}

// RFC 3394, 4.1: 128-bit key data wrapped with a 128-bit key-encrypting key.
TEST(Security, KeyWrapOfRfc3394) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    std::string wrapped, key;
    ASSERT_TRUE(vantrel::cipher::KeyWrap(Bytes("000102030405060708090A0B0C0D0E0F"),
                                         Bytes("00112233445566778899AABBCCDDEEFF"), wrapped));
    EXPECT_EQ(Hex(wrapped), "1FA68B0A8112B447AEF34BD8FB5A7B829D3E862371D2CFE5");
    ASSERT_TRUE(vantrel::cipher::KeyUnwrap(Bytes("000102030405060708090A0B0C0D0E0F"), wrapped, key));
    EXPECT_EQ(Hex(key), "00112233445566778899AABBCCDDEEFF");
    wrapped[3] ^= 1;
    EXPECT_FALSE(vantrel::cipher::KeyUnwrap(Bytes("000102030405060708090A0B0C0D0E0F"), wrapped, key));
}

// ---------------------------------------------------------------- round trips

const char* const kInnerApdus[] = {
    "C0 01 C1 00 08 00 00 01 00 00 FF 02 00",                 // GetRequest
    "C4 01 C1 00 09 06 00 00 01 00 00 FF",                    // GetResponse
    "C1 01 C1 00 03 01 00 01 08 00 FF 02 00 12 00 05",        // SetRequest
    "C3 01 C1 00 46 00 00 60 03 0A FF 01 01 0F 00",           // ActionRequest
    "C7 01 C1 00 00",                                         // ActionResponse
    "C2 00 00 08 00 00 01 00 00 FF 02 12 00 01",              // EventNotificationRequest
    "0F 00 00 00 01 00 09 02 12 34",                          // DataNotification
    "01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0",              // InitiateRequest
    "05 01 02 00 10",                                         // ReadRequest
    "D8 01 01",                                               // ExceptionResponse
    "0E 06 01 02",                                            // ConfirmedServiceError
};

struct TEnvelope {
    const char* Open;   // the XML before SecurityControl
    const char* Close;  // the XML after the APDU
    bool Dedicated;
    // The system title the glo_ and ded_ forms record (the sender's of the
    // keys); the general APDUs carry their own.
    const char* Title = nullptr;
};
const TEnvelope kEnvelopes[] = {
    {"<glo_GetRequest>\r\n", "</glo_GetRequest>\r\n", false, "4D4D4D0000000001"},
    {"<glo_GetResponse>\r\n", "</glo_GetResponse>\r\n", false, "4D4D4D0000BC614E"},
    {"<ded_ActionRequest>\r\n", "</ded_ActionRequest>\r\n", true, "4D4D4D0000000001"},
    {"<GeneralGloCiphering>\r\n  <SystemTitle Value=\"4D4D4D0000BC614E\" />\r\n", "</GeneralGloCiphering>\r\n", false},
    {"<GeneralDedCiphering>\r\n  <SystemTitle Value=\"4D4D4D0000BC614E\" />\r\n", "</GeneralDedCiphering>\r\n", true},
    {"<GeneralCiphering>\r\n  <TransactionId Value=\"01\" />\r\n  <OriginatorSystemTitle Value=\"4D4D4D0000BC614E\" />\r\n"
     "  <RecipientSystemTitle Value=\"\" />\r\n  <DateTime Value=\"\" />\r\n  <OtherInformation Value=\"\" />\r\n"
     "  <KeyInfo>\r\n    <IdentifiedKey>\r\n      <KeyId Value=\"GlobalUnicastEncryptionKey\" />\r\n"
     "    </IdentifiedKey>\r\n  </KeyInfo>\r\n",
     "</GeneralCiphering>\r\n", false},
    // The wrapped key is RFC 3394's example key under kek 000102...0F (the MasterKey).
    {"<GeneralCiphering>\r\n  <TransactionId Value=\"\" />\r\n  <OriginatorSystemTitle Value=\"4D4D4D0000BC614E\" />\r\n"
     "  <RecipientSystemTitle Value=\"4D4D4D0000000001\" />\r\n  <DateTime Value=\"\" />\r\n"
     "  <OtherInformation Value=\"\" />\r\n  <KeyInfo>\r\n    <WrappedKey>\r\n      <KekId Value=\"MasterKey\" />\r\n"
     "      <KeyCipheredData Value=\"1FA68B0A8112B447AEF34BD8FB5A7B829D3E862371D2CFE5\" />\r\n"
     "    </WrappedKey>\r\n  </KeyInfo>\r\n",
     "</GeneralCiphering>\r\n", false},
};

// The XML of APDU in the clear inside Envelope, its lines one level deeper.
std::string ClearXml(const TEnvelope& Envelope, const char* Control, const std::string& InnerXml) {
    std::string xml = Envelope.Open;
    xml += "  <SecurityControl Value=\"" + std::string(Control) + "\" />\r\n";
    xml += "  <InvocationCounter Value=\"01234567\" />\r\n";
    if (Envelope.Title) xml += "  <SystemTitle Value=\"" + std::string(Envelope.Title) + "\" />\r\n";
    for (size_t at = 0; at < InnerXml.size();) {
        const size_t end = InnerXml.find('\n', at) + 1;
        xml += "  " + InnerXml.substr(at, end - at);
        at = end;
    }
    return xml + Envelope.Close;
}

TEST(Security, EveryInnerKindRoundTripsInEveryEnvelope) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    TKeys suite01{{"BlockCipherKey", "000102030405060708090A0B0C0D0E0F"},
                  {"DedicatedKey", "101112131415161718191A1B1C1D1E1F"},
                  {"AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF"},
                  {"MasterKey", "000102030405060708090A0B0C0D0E0F"},
                  {"ClientSystemTitle", "4D4D4D0000000001"},
                  {"ServerSystemTitle", "4D4D4D0000BC614E"}};
    TKeys suite2{{"BlockCipherKey", "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F"},
                 {"DedicatedKey", "202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D3E3F"},
                 {"AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDFE0E1E2E3E4E5E6E7E8E9EAEBECEDEEEF"},
                 {"ClientSystemTitle", "4D4D4D0000000001"},
                 {"ServerSystemTitle", "4D4D4D0000BC614E"}};
    struct TControl {
        const char* Octet;
        const VantrelKeys* Keys;
    };
    const TControl kControls[] = {{"30", suite01.Keys}, {"10", suite01.Keys}, {"20", suite01.Keys},
                                  {"31", suite01.Keys}, {"00", suite01.Keys}, {"32", suite2.Keys}};
    for (const char* inner : kInnerApdus) {
        const std::string innerXml = vtest::ToXml(inner).Text;
        ASSERT_FALSE(innerXml.empty()) << inner;
        for (size_t e = 0; e < std::size(kEnvelopes); ++e) {
            for (const TControl& c : kControls) {
                if (e == std::size(kEnvelopes) - 1 && c.Keys == suite2.Keys) continue;  // the wrapped key has 16 octets
                SCOPED_TRACE(std::string(inner) + " in envelope " + std::to_string(e) + " with " + c.Octet);
                const std::string xml = ClearXml(kEnvelopes[e], c.Octet, innerXml);
                const vtest::TResult octets = ToPduWith(c.Keys, xml);
                ASSERT_EQ(octets.Code, 0) << octets.Message << " at " << octets.Position << "\n" << xml;
                const vtest::TResult back = ToXmlWith(c.Keys, Bytes(octets.Text));
                ASSERT_EQ(back.Code, 0) << back.Message;
                EXPECT_EQ(back.Text, xml);
                // Without keys: the opaque form, reading back to the same octets.
                const vtest::TResult opaque = vtest::ToXml(octets.Text);
                EXPECT_EQ(opaque.Text.find("SecurityControl"), std::string::npos);
                EXPECT_EQ(vtest::ToPdu(opaque.Text).Text, octets.Text);
            }
        }
    }
}

// ---------------------------------------------------------------- opaque with a reason

TEST(Security, WhatDoesNotDecipherStaysOpaqueWithItsReason) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    TKeys keys{{"BlockCipherKey", "00112233445566778899AABBCCDDEEFF"},
               {"AuthenticationKey", "00112233445566778899AABBCCDDEEFF"},
               {"ClientSystemTitle", "4349520000000001"}};
    TKeys wrongKey{{"BlockCipherKey", "00112233445566778899AABBCCDDEEFE"},
                   {"DedicatedKey", "00112233445566778899AABBCCDDEEFE"},
                   {"AuthenticationKey", "00112233445566778899AABBCCDDEEFF"},
                   {"ClientSystemTitle", "4349520000000001"},
                   {"ServerSystemTitle", "4C475A2022604828"}};
    TKeys noTitle{{"BlockCipherKey", "00112233445566778899AABBCCDDEEFF"},
                  {"AuthenticationKey", "00112233445566778899AABBCCDDEEFF"}};
    struct TRow {
        const VantrelKeys* Keys;
        const char* Octets;
        const char* Comment;
    };
    const TRow kRows[] = {
        {keys.Keys, "D01E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF", "no DedicatedKey"},
        {wrongKey.Keys, "D01E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF",
         "authentication failed: wrong key or altered octets"},
        // One octet of the ciphertext altered.
        {wrongKey.Keys, "C81E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF",
         "authentication failed: wrong key or altered octets"},
        {keys.Keys, "C8093000000001D3B90399", "authentication tag cut short"},
        {keys.Keys, "C8093300000001D3B90399", "unknown security suite 3"},
        {keys.Keys, "C809B000000001D3B90399", "compressed content"},
        {keys.Keys, "C8093200000001D3B90399", "BlockCipherKey has 16 octets; suite 2 needs 32"},
        {noTitle.Keys, "C8093000000001D3B90399", "no ClientSystemTitle"},
        {noTitle.Keys, "CC093000000001D3B90399", "no ServerSystemTitle"},
        {keys.Keys, "C803300000", "too short for a security header"},
        {keys.Keys, "DB00093000000001D3B90399", "no SystemTitle"},
        // Encryption only with the wrong key: deciphers into octets that do not decode.
        {wrongKey.Keys, "C80B2000000001D3B903996D95", "the deciphered octets do not decode: "},
        // No protection at all, but the octets after the APDU are not its own.
        {keys.Keys, "C80A00000000010E060102FF", "the deciphered APDU ends at octet 4 of 5"},
        // It decodes, but a value has no name: its XML cannot be written (found by fuzzing).
        {keys.Keys, "C8080000000001D8FF01", "the deciphered APDU does not translate: T_ExceptionStateError: case range"},
        // A conformance of 23 bits: its XML would give back 24 (found by fuzzing).
        {keys.Keys, "21 13 00 01234567 01 00 00 00 06 5F1F 04 01 00000E 04A8",
         "the deciphered APDU does not encode back to the same octets"},
        {keys.Keys, "21 12 00 01234567 01 00 00 00 06 5F1F 03 00 0000 04A8",
         "the deciphered APDU does not encode back to the same octets"},
        {keys.Keys, "DD 00 00 00 00 00 01 02 01 01 01 02 09 3000000001D3B90399", "an agreed key is not deciphered"},
        {keys.Keys, "DD 00 08 4D4D4D0000BC614E 00 00 00 00 09 3000000001D3B90399", "no key information"},
    };
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Octets);
        const std::string xml = ExpectKeyedRoundTrip(r.Keys, r.Octets);
        ASSERT_TRUE(xml.starts_with("<!-- " + std::string(r.Comment))) << xml;
        // Apart from the comment, the XML of the plain function.
        const size_t end = xml.find(" --> ");
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(xml.substr(end + 5), vtest::ToXml(r.Octets).Text);
        EXPECT_EQ(xml.substr(0, end).find('>'), std::string::npos);
        EXPECT_EQ(xml.substr(4, end - 4).find("--"), std::string::npos);
    }
}

TEST(Security, KeysNeverShowInMessagesOrXml) {
    TKeys keys{{"BlockCipherKey", "00112233445566778899AABBCCDDEEFF"}};
    TTranslationError e{};
    struct TRow {
        const char* Name;
        const char* Value;
        const char* Message;
    };
    const TRow kRows[] = {
        {"SecretKey", "0011", "unknown key name \"SecretKey\" (BlockCipherKey, BroadcastKey, DedicatedKey, "
                              "AuthenticationKey, MasterKey, ClientSystemTitle, ServerSystemTitle)"},
        {"DedicatedKey", "00112233445566778899AABBCCDDEEFG", "DedicatedKey: not hex digits"},
        {"DedicatedKey", "00112233445566778899AABBCCDDEEF", "DedicatedKey: an odd number of hex digits"},
        {"DedicatedKey", "00112233445566778899AABBCCDDEE", "DedicatedKey: 15 octets, a key has 16 (suites 0 and 1) or 32 (suite 2)"},
        {"ClientSystemTitle", "00112233445566", "ClientSystemTitle: 7 octets, a system title has 8"},
        {"MasterKey", "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF00",
         "MasterKey: too many octets"},
        // A value given as the name, with or without digits, is not quoted.
        {"00112233445566778899AABBCCDDEEFF", "BlockCipherKey",
         "unknown key name (not shown: not a word of letters) (BlockCipherKey, BroadcastKey, DedicatedKey, "
         "AuthenticationKey, MasterKey, ClientSystemTitle, ServerSystemTitle)"},
        {"AABBCCDDEEFFaabbccddeeff", "", "unknown key name (not shown: not a word of letters) (BlockCipherKey, "
                                         "BroadcastKey, DedicatedKey, AuthenticationKey, MasterKey, ClientSystemTitle, "
                                         "ServerSystemTitle)"},
        {"BlockCipherKey 0011", "", "unknown key name (not shown: not a word of letters) (BlockCipherKey, "
                                    "BroadcastKey, DedicatedKey, AuthenticationKey, MasterKey, ClientSystemTitle, "
                                    "ServerSystemTitle)"},
    };
    for (const TRow& r : kRows) {
        EXPECT_EQ(VantrelKeysSet(keys.Keys, r.Name, r.Value, &e), -1);
        EXPECT_EQ(e.Code, 1);
        EXPECT_STREQ(e.Message, r.Message);
    }
    EXPECT_EQ(VantrelKeysSet(keys.Keys, "authenticationkey", "D0D1 D2D3 D4D5 D6D7 D8D9 DADB DCDD DEDF", &e), 0);
    EXPECT_EQ(e.Code, 0);

    if (!vantrel::cipher::Available()) return;
    // Reading the clear form without the key the APDU needs fails at its element.
    const std::string xml = Xml(R"(
<ded_GetRequest>
  <SecurityControl Value="30" />
  <InvocationCounter Value="00000001" />
  <GetRequest>
    <GetRequestNormal>
      <InvokeIdAndPriority Value="C1" />
      <AttributeDescriptor>
        <ClassId Value="0008" />
        <InstanceId Value="0000010000FF" />
        <AttributeId Value="02" />
      </AttributeDescriptor>
    </GetRequestNormal>
  </GetRequest>
</ded_GetRequest>
)");
    const vtest::TResult r = ToPduWith(keys.Keys, xml);
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Message, "ded_GetRequest cannot be enciphered: no DedicatedKey");
    EXPECT_EQ(r.Position, 16);  // after the start tag of the element
    const vtest::TResult plain = vtest::ToPdu(xml);
    EXPECT_EQ(plain.Message, "ded_GetRequest cannot be enciphered: no DedicatedKey");
}

TEST(Security, ThreadsShareOneKeySet) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    TKeys keys{{"BlockCipherKey", "00112233445566778899AABBCCDDEEFF"},
               {"AuthenticationKey", "00112233445566778899AABBCCDDEEFF"},
               {"DedicatedKey", "5E168412318BA71848C99B2B2AB33294"},
               {"ClientSystemTitle", "4349520000000001"},
               {"ServerSystemTitle", "4C475A2022604828"}};
    std::vector<std::string> expected;
    for (const TSessionRow& r : kSession) expected.push_back(ToXmlWith(keys.Keys, Bytes(r.Octets)).Text);
    std::vector<int> faults(8, 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < faults.size(); ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round)
                for (size_t i = 0; i < std::size(kSession); ++i) {
                    const vtest::TResult x = ToXmlWith(keys.Keys, Bytes(kSession[i].Octets));
                    const vtest::TResult p = ToPduWith(keys.Keys, x.Text);
                    faults[t] += x.Text != expected[i] || p.Text != vtest::Norm(kSession[i].Octets);
                }
        });
    for (std::thread& t : threads) t.join();
    for (int f : faults) EXPECT_EQ(f, 0);
}

// A build without a cipher keeps every protected APDU opaque and says so.
TEST(Security, WithoutACipherNothingDeciphers) {
    if (vantrel::cipher::Available()) GTEST_SKIP() << "a cipher is built in";
    TKeys keys{{"BlockCipherKey", "000102030405060708090A0B0C0D0E0F"},
               {"AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF"}};
    const std::string xml = ExpectKeyedRoundTrip(keys.Keys, kGreenBookAarq);
    EXPECT_NE(xml.find("<!-- no cipher in this build --> <glo_InitiateRequest Value="), std::string::npos) << xml;
}

// ---------------------------------------------------------------- output bound

TEST(Security, OutputBeyondTheBoundFailsEarly) {
    TKeys keys{};
    keys.Keys->OutputLimit = 100;
    // An array of 200 null-data values: far more than 100 characters of XML.
    std::string octets = Bytes("FF 01 81 C8");
    octets.append(200, '\0');
    const vtest::TResult x = ToXmlWith(keys.Keys, octets);
    EXPECT_EQ(x.Code, 3);
    EXPECT_EQ(x.Message, "Output too large: more than 100 octets");
    EXPECT_EQ(ToXmlWith(nullptr, octets).Code, 0);

    const std::string xml = vtest::ToXml("FF 09 81 80" + std::string(256, '1')).Text;
    const vtest::TResult p = ToPduWith(keys.Keys, xml);
    EXPECT_EQ(p.Code, 3);
    EXPECT_EQ(p.Message, "Output too large: more than 100 octets");

    // The stream itself never grows past its limit.
    vantrel::TScriptStream stream;
    stream.Limit = 64;
    stream.EmitLn(std::string(60, 'x'));
    EXPECT_THROW(stream.EmitLn("yy"), vantrel::EVantrelError);
    EXPECT_EQ(stream.Size(), 62u);
}

}  // namespace
