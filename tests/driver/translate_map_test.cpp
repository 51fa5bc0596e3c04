// The octet map of the translate command (VantrelTranslate with VANTREL_MAP)
// and of vantrel-cli --json --map: for every form hex comes in, each APDU's
// octets found where they stand in the source text, its fields checked
// against its XML, where it was unwrapped; the lookups a face makes.
#include <nlohmann/json.hpp>

#include <cstring>
#include <string>
#include <vector>

#include "DriverSupport.h"
#include "FieldTraces.h"
#include "MapCheck.h"
#include "xmlPdu/security/Cipher.h"

namespace {

using dtest::kGetRequest;
using vtest::Bytes;
using vtest::Hex;

struct TTranslated {
    int Kind = -1;
    std::string Output;
    std::vector<VantrelMapEntry> Map;
    std::vector<VantrelMapUnit> Units;
    std::vector<std::vector<uint32_t>> Sources;  // per unit, empty when none
};

// The stream of a translation with the map; freed by the caller.
VantrelStream* TranslateMapped(const std::string& Text, int& Kind, const VantrelKeys* Keys = nullptr,
                               uint32_t Flags = VANTREL_MAP) {
    VantrelStream* out = nullptr;
    VantrelTranslation info{};
    Kind = VantrelTranslate(Text.data(), static_cast<uint32_t>(Text.size()), Keys, Flags, &out, nullptr, &info);
    return out;
}

TTranslated Translated(const std::string& Text, const VantrelKeys* Keys = nullptr, uint32_t Flags = VANTREL_MAP) {
    TTranslated t;
    VantrelStream* out = TranslateMapped(Text, t.Kind, Keys, Flags);
    t.Output = reinterpret_cast<const char*>(VantrelStreamData(out));
    const VantrelMapEntry* m = VantrelStreamMap(out);
    t.Map.assign(m, m + VantrelStreamMapCount(out));
    const VantrelMapUnit* u = VantrelStreamMapUnits(out);
    t.Units.assign(u, u + VantrelStreamMapUnitCount(out));
    for (uint32_t i = 0; i < t.Units.size(); ++i) {
        const uint32_t* s = VantrelStreamMapSources(out, i);
        t.Sources.emplace_back(s ? std::vector<uint32_t>(s, s + t.Units[i].Octets) : std::vector<uint32_t>());
    }
    VantrelStreamFree(out);
    return t;
}

// Lines First to Last of Text.
std::string LinesOf(const std::string& Text, uint32_t First, uint32_t Last) {
    size_t from = 0;
    for (uint32_t l = 1; l < First && from != std::string::npos; ++l)
        if ((from = Text.find('\n', from)) != std::string::npos) ++from;
    size_t to = from;
    for (uint32_t l = First; l <= Last && to != std::string::npos; ++l)
        if ((to = Text.find('\n', to)) != std::string::npos) ++to;
    return from == std::string::npos ? std::string() : Text.substr(from, to == std::string::npos ? to : to - from);
}

// How the octets are written where their sources point.
enum class TSpelling {
    Digits,   // two hex digits each, separators between them skipped
    Literal,  // a Python bytes literal: \xNN, an escape or a character
};

// The octets the text at Sources spells, in hex; an octet a dump's "*" line
// left out (its source is the star) is "**".
std::string SpelledOctets(const std::string& Text, const std::vector<uint32_t>& Sources,
                          TSpelling Spelling = TSpelling::Digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (uint32_t at : Sources) {
        if (at >= Text.size()) return "beyond the text";
        if (Text[at] == '*') {
            hex += "**";
            continue;
        }
        if (Spelling == TSpelling::Literal) {
            unsigned char octet = static_cast<unsigned char>(Text[at]);
            if (octet == '\\' && at + 1 < Text.size()) {
                const char e = Text[at + 1];
                const std::string escapes = "\\'\"nrtabfv";
                const std::string values = "\\'\"\n\r\t\a\b\f\v";
                if (e == 'x' && at + 3 < Text.size()) octet = static_cast<unsigned char>(std::stoi(Text.substr(at + 2, 2), nullptr, 16));
                else if (escapes.find(e) != std::string::npos) octet = static_cast<unsigned char>(values[escapes.find(e)]);
                else return "an unknown escape";
            }
            hex += kDigits[octet >> 4];
            hex += kDigits[octet & 15];
            continue;
        }
        size_t second = at + 1;
        while (second < Text.size() && !std::isxdigit(static_cast<unsigned char>(Text[second]))) ++second;
        if (second >= Text.size()) return "beyond the text";
        hex += static_cast<char>(std::toupper(static_cast<unsigned char>(Text[at])));
        hex += static_cast<char>(std::toupper(static_cast<unsigned char>(Text[second])));
    }
    return hex;
}

// One unit's entries as a map of their own: indices and lines within the unit.
std::vector<VantrelMapEntry> UnitEntries(const TTranslated& T, uint32_t Unit, uint32_t LineBase) {
    const VantrelMapUnit& u = T.Units[Unit];
    std::vector<VantrelMapEntry> entries(T.Map.begin() + u.FirstEntry, T.Map.begin() + u.FirstEntry + u.EntryCount);
    const auto local = [&](uint32_t i) { return i == VANTREL_MAP_NONE ? i : i - u.FirstEntry; };
    for (VantrelMapEntry& e : entries) {
        EXPECT_EQ(e.Unit, Unit);
        e.Parent = local(e.Parent);
        e.Plaintext = local(e.Plaintext);
        e.Line -= LineBase;
        e.LastLine -= LineBase;
        e.Unit = 0;
    }
    return entries;
}

struct TUnitExpect {
    std::string Apdu;  // its octets
    uint32_t ApduOffset;
    std::string Spelled = {};  // what its sources spell when not the octets themselves
};

struct TFormCase {
    const char* Name;
    std::string Text;
    std::vector<TUnitExpect> Units;
    TSpelling Spelling = TSpelling::Digits;
};

const std::string kWrapper = "00 01 00 10 00 01 00 0D " + std::string(kGetRequest);
const char kResponse[] = "C4 01 C1 00 09 01 41";
const std::string kFrame = "7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E";
// The GetRequest in one wired M-Bus frame (CI 10: part 0, the last).
const std::string kMBusFrame = "68 12 12 68 53 FF 10 01 67 " + std::string(kGetRequest) + " 56 16";
// A GetResponse with an octet string of 48 zeros, for a dump that leaves lines out.
const std::string kZeros = "C4 01 C1 00 09 30" + [] {
    std::string zeros;
    for (int i = 0; i < 48; ++i) zeros += " 00";
    return zeros;
}();

// The push of a Kaifa meter of TINETZ (github.com/fneur/smart-meter-tirol,
// doc/EXAMPLE.md): two wired M-Bus frames, CI 00 and CI 11, 16 octets a line,
// carrying one general-glo-ciphering APDU (translated here without its key).
using dtest::kTirolApdu;
using dtest::kTirolPush;

// Every form hex comes in, and where each APDU's octets stand in it.
const TFormCase kForms[] = {
    {"spaced hex", kGetRequest, {{kGetRequest, VANTREL_MAP_NONE}}},
    {"hex wrapped over lines, with dashes and leading blank lines",
     "\n\n  C0-01-C1 00 08\r\n00 00 01 00 00\nFF 02 00\n",
     {{kGetRequest, VANTREL_MAP_NONE}}},
    {"an HDLC frame: the APDU after its header and LLC octets",
     "7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E",
     {{kGetRequest, 11}}},
    {"an information field copied with its LLC header",
     "E6E7000F40000000090C07E3020401173416FF800000020106000016DC",
     {{"0F40000000090C07E3020401173416FF800000020106000016DC", 3}}},
    {"WRAPPER PDUs back to back",
     kWrapper + " 00 01 00 01 00 10 00 07 " + kResponse,
     {{kGetRequest, 8}, {kResponse, 29}}},
    {"a log translated whole: frames and WRAPPER PDUs among timestamps, arrows and colons",
     "2026-01-01 12:00:00.123 TX: 7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E\n"
     "[12:00:01.002] Send: 00:01:00:10:00:01:00:0D:C0:01:C1:00:08:00:00:01:00:00:FF:02:00\n",
     {{kGetRequest, 11}, {kGetRequest, 8}}},
    {"a hex dump with offsets and an ASCII column",
     "0000   00 01 00 10 00 01 00 0d c0 01 c1 00 08 00 00 01   ................\n"
     "0010   00 00 ff 02 00                                    .....\n",
     {{kGetRequest, 8}}},
    {"a segmented APDU joined from the frames of several lines (README session)",
     "2026-01-01 12:00:00.201 RX <- 7E A8 11 21 03 30 85 E2 E6 E7 00 C4 01 C1 00 09 F1 34 7E\n"
     "2026-01-01 12:00:00.202 TX -> 7E A0 07 03 21 51 11 E4 7E\n"
     "2026-01-01 12:00:00.260 RX <- 7E A8 10 21 03 32 2C DD 0C 41 42 43 44 45 46 AC 98 7E\n"
     "2026-01-01 12:00:00.261 TX -> 7E A0 07 03 21 71 13 C5 7E\n"
     "2026-01-01 12:00:00.320 RX <- 7E A0 0F 21 03 34 62 93 47 48 49 4A 4B 4C 0F B6 7E\n",
     {{"C4 01 C1 00 09 0C 41 42 43 44 45 46 47 48 49 4A 4B 4C", VANTREL_MAP_NONE}}},
    {"log lines with labels around plain hex, a frame and WRAPPER PDUs, in brackets",
     "12:00:00.100 [main] INFO  Sending APDU: [" + std::string(kGetRequest) + "]\n"
     "12:00:00.200 RX <- (" + kFrame + ") ok\n"
     "#3 send " + kWrapper + " 00 01 00 01 00 10 00 07 " + kResponse + " | done\n",
     {{kGetRequest, VANTREL_MAP_NONE}, {kGetRequest, 11}, {kGetRequest, 8}, {kResponse, 29}}},
    {"a hex dump whose \"*\" line leaves out lines that repeat the one before",
     "00000000  c4 01 c1 00 09 30 00 00  00 00 00 00 00 00 00 00\n"
     "00000010  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00\n"
     "*\n"
     "00000030  00 00 00 00 00 00\n"
     "00000036\n",
     {{kZeros, VANTREL_MAP_NONE,
       "C401C1000930" + std::string(52, '0') + std::string(32, '*') + std::string(12, '0')}}},
    {"a frame wrapped over lines",
     "TX: 7E A0 19 03 21 32 6F D8 E6 E6 00 C0\n"
     "    01 C1 00 08 00 00 01 00\n"
     "    00 FF 02 00 60 1A 7E\n",
     {{kGetRequest, 11}}},
    {"several frames on a line, their flags shared and not",
     "RX: " + kFrame + " " + kFrame + kFrame.substr(2) + "\n",
     {{kGetRequest, 11}, {kGetRequest, 11}, {kGetRequest, 11}}},
    {"a frame wrapped over lines, then the next frame on its last line",
     "7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1\n"
     "00 08 00 00 01 00 00 FF 02 00 60 1A 7E " + kFrame + "\n",
     {{kGetRequest, 11}, {kGetRequest, 11}}},
    {"a wired M-Bus frame on a log line", "M-Bus: " + kMBusFrame + "\n" + kMBusFrame + "\n",
     {{kGetRequest, 9}, {kGetRequest, 9}}},
    {"wired M-Bus frames wrapped 16 octets a line, their parts joined (a field trace)", kTirolPush,
     {{kTirolApdu, VANTREL_MAP_NONE}}},
    {"a Python bytes literal: each octet its escape or character",
     "2026-01-01 12:00:00 DEBUG rx b'\\xc4\\x01\\xc1\\x00\\t\\x03AB\\\\'\n",
     {{"C4 01 C1 00 09 03 41 42 5C", VANTREL_MAP_NONE}},
     TSpelling::Literal},
    {"octets separated by colons, wrapped over lines", "c0:01:c1:00:08:00:\n00:01:00:00:ff:02:00\n",
     {{kGetRequest, VANTREL_MAP_NONE}}},
    {"octets written 0x.., separated by commas", "0xC0, 0x01, 0xC1, 0x00, 0x08, 0x00, 0x00, 0x01,\n0x00, 0x00, 0xFF, 0x02, 0x00",
     {{kGetRequest, VANTREL_MAP_NONE}}},
};

TEST(TranslateMap, EveryFormOfHexFindsItsOctetsInTheText) {
    for (const TFormCase& c : kForms) {
        SCOPED_TRACE(c.Name);
        const TTranslated t = Translated(c.Text);
        ASSERT_EQ(t.Kind, VANTREL_TRANSLATED) << t.Output;
        ASSERT_EQ(t.Units.size(), c.Units.size());
        for (uint32_t i = 0; i < t.Units.size(); ++i) {
            const VantrelMapUnit& u = t.Units[i];
            const std::string apdu = Bytes(c.Units[i].Apdu);
            EXPECT_EQ(u.HexToXml, 1);
            EXPECT_EQ(u.Octets, apdu.size()) << i;
            EXPECT_EQ(u.ApduOffset, c.Units[i].ApduOffset) << i;
            const std::string spelled = c.Units[i].Spelled.empty() ? Hex(apdu) : c.Units[i].Spelled;
            EXPECT_EQ(SpelledOctets(c.Text, t.Sources[i], c.Spelling), spelled) << i;
            // In the order of the text: the octets a star leaves out all stand at it.
            for (size_t k = 1; k < t.Sources[i].size(); ++k)
                if (c.Text[t.Sources[i][k]] != '*') EXPECT_LT(t.Sources[i][k - 1], t.Sources[i][k]) << k;
            // The unit's XML is the output's lines FirstLine to LastLine, its entries hold there.
            const std::string xml = LinesOf(t.Output, u.FirstLine, u.LastLine);
            const std::vector<VantrelMapEntry> entries = UnitEntries(t, i, u.FirstLine - 1);
            EXPECT_EQ(vmap::CheckMap(xml, apdu, entries.data(), static_cast<uint32_t>(entries.size())), "") << xml;
        }
        if (!t.Units.empty()) {
            EXPECT_EQ(t.Units.back().FirstEntry + t.Units.back().EntryCount, t.Map.size());
        }
    }
}

// The blocks of a general block transfer, one HDLC frame a line, each a unit
// placed in its line; the APDU joined from them stands in no one place: its
// unit has no sources, and no field of it a range (tests/traces/README.md
// names the trace's source).
TEST(TranslateMap, AnApduJoinedFromBlocksStandsInNoOnePlace) {
    const std::string text = dtest::ReadFile(std::string(VANTREL_TRACE_DIR) + "/lg-e450-push-cyprus.txt");
    const TTranslated t = Translated(text);
    ASSERT_EQ(t.Kind, VANTREL_TRANSLATED) << t.Output;
    ASSERT_EQ(t.Units.size(), 4u);
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(t.Sources[i].size(), t.Units[i].Octets);
        // In line i + 1: after the frame's header and LLC octets.
        const size_t line = i == 0 ? 0 : [&] {
            size_t at = 0;
            for (uint32_t l = 0; l < i; ++l) at = text.find('\n', at) + 1;
            return at;
        }();
        EXPECT_EQ(t.Sources[i].front(), line + 2 * t.Units[i].ApduOffset);
        EXPECT_LT(t.Sources[i].back(), text.find('\n', line));
    }
    EXPECT_TRUE(t.Sources[3].empty());
    EXPECT_EQ(t.Units[3].ApduOffset, VANTREL_MAP_NONE);
    int kind;
    VantrelStream* out = TranslateMapped(text, kind);
    uint32_t begin = 0, end = 0;
    EXPECT_EQ(VantrelStreamMapRange(out, t.Units[3].FirstEntry, &begin, &end), -1);
    EXPECT_EQ(VantrelStreamMapRange(out, t.Units[2].FirstEntry, &begin, &end), 0);
    VantrelStreamFree(out);
}

// The lookups of a face: a place in the hex text to its field, a field to
// its place, a line of the XML to its field.
TEST(TranslateMap, LookupsOfAFace) {
    const std::string text = kWrapper + "\n" + kWrapper;  // two units
    int kind;
    VantrelStream* out = TranslateMapped(text, kind);
    ASSERT_EQ(kind, VANTREL_TRANSLATED);
    ASSERT_EQ(VantrelStreamMapUnitCount(out), 2u);
    const VantrelMapEntry* map = VantrelStreamMap(out);
    const size_t second = text.find('\n') + 1;
    // "C0 01 C1 00 08 ...": the ClassId's digits of the second PDU.
    const size_t classId = second + text.substr(second).find("00 08");
    struct TAt {
        size_t Position;
        const char* Element;  // null: none
        uint32_t Unit;
    } rows[] = {
        {classId, "ClassId", 1},         {classId + 1, "ClassId", 1},  {classId + 2, nullptr, 0},
        {classId + 4, "ClassId", 1},     {second + 24, "GetRequest", 1},  // the tag C0
        {second + 27, "GetRequest", 1},  // the tag 01 of GetRequestNormal: the choice's
        {second + 30, "InvokeIdAndPriority", 1}, {0, nullptr, 0},         // the WRAPPER header
        {24, "GetRequest", 0},           {text.size() + 5, nullptr, 0},
    };
    for (const TAt& r : rows) {
        const uint32_t e = VantrelStreamMapAtSource(out, static_cast<uint32_t>(r.Position));
        if (!r.Element) {
            EXPECT_EQ(e, VANTREL_MAP_NONE) << r.Position;
            continue;
        }
        ASSERT_NE(e, VANTREL_MAP_NONE) << r.Position;
        EXPECT_STREQ(map[e].Element, r.Element) << r.Position;
        EXPECT_EQ(map[e].Unit, r.Unit) << r.Position;
        // Back from the field to its digits: they hold the position.
        uint32_t begin = 0, end = 0;
        EXPECT_EQ(VantrelStreamMapRange(out, e, &begin, &end), 0);
        EXPECT_LE(begin, r.Position);
        EXPECT_LT(r.Position, end);
    }
    // A line of the second unit's XML: its entry there; lines count in the whole output.
    const uint32_t e = VantrelStreamMapAtLine(out, 15);
    ASSERT_NE(e, VANTREL_MAP_NONE);
    EXPECT_STREQ(map[e].Element, "ClassId");
    EXPECT_EQ(map[e].Unit, 1u);
    EXPECT_EQ(VantrelStreamMapUnits(out)[1].FirstLine, 11u);
    VantrelStreamFree(out);
}

// XML to hex: the lines are the source's (blank lines before it counted),
// the octets the digits of the output.
TEST(TranslateMap, XmlToHexMapsTheSourceLinesToTheOutputDigits) {
    const std::string xml = "\r\n\r\n" + dtest::kGetRequestXml;
    const TTranslated t = Translated(xml);
    ASSERT_EQ(t.Kind, VANTREL_TRANSLATED);
    EXPECT_EQ(t.Output, Hex(Bytes(kGetRequest)));
    ASSERT_EQ(t.Units.size(), 1u);
    EXPECT_EQ(t.Units[0].HexToXml, 0);
    EXPECT_EQ(t.Units[0].FirstLine, 3u);
    EXPECT_EQ(t.Units[0].LastLine, 12u);
    EXPECT_EQ(SpelledOctets(t.Output, t.Sources[0]), t.Output);
    EXPECT_EQ(vmap::CheckMap(xml, Bytes(kGetRequest), t.Map.data(), static_cast<uint32_t>(t.Map.size())), "");
}

// What does not translate, and translations without the flag, keep no map.
TEST(TranslateMap, NoMapWithoutTheFlagOrATranslation) {
    const char* const texts[] = {kGetRequest, "C0 01 C1 00 08", "7E A0 07 03 21 93 0F 01 7E", "C0 0G", ""};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(Translated(text, nullptr, 0).Units.empty());
        const TTranslated t = Translated(text);
        if (t.Kind != VANTREL_TRANSLATED) {
            EXPECT_TRUE(t.Units.empty() && t.Map.empty());
        }
    }
}

// Deciphered content: its entries count in the plaintext and stand where the
// ciphered APDU holding them does.
TEST(TranslateMap, DecipheredFieldsStandWhereTheirCipheredApduDoes) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    VantrelKeys* keys = VantrelKeysNew();
    TTranslationError e{};
    VantrelKeysSet(keys, "BlockCipherKey", "000102030405060708090A0B0C0D0E0F", &e);
    VantrelKeysSet(keys, "AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF", &e);
    VantrelKeysSet(keys, "ClientSystemTitle", "4D4D4D0000000001", &e);
    const std::string text = "C8 1E 30 00 00 00 01 58 44 6A 0E 59 56 6A C9 DF 51 62 DA 98 55 41 CE 0E CA 2A E6 88 BD 76 5C 92";
    int kind;
    VantrelStream* out = TranslateMapped(text, kind, keys);
    ASSERT_EQ(kind, VANTREL_TRANSLATED);
    const VantrelMapEntry* map = VantrelStreamMap(out);
    ASSERT_GT(VantrelStreamMapCount(out), 4u);
    // The system title it was enciphered with stands nowhere in the octets.
    EXPECT_STREQ(map[3].Element, "SystemTitle");
    uint32_t begin = 0, end = 0;
    EXPECT_EQ(VantrelStreamMapRange(out, 3, &begin, &end), -1);
    EXPECT_STREQ(map[4].Element, "GetRequest");
    EXPECT_EQ(map[4].Plaintext, 0u);
    EXPECT_EQ(VantrelStreamMapRange(out, 4, &begin, &end), 1);
    EXPECT_EQ(begin, 0u);
    EXPECT_EQ(end, text.size());
    EXPECT_EQ(VantrelStreamMapRange(out, 2, &begin, &end), 0);  // InvocationCounter, in the clear
    EXPECT_EQ(text.substr(begin, end - begin), "00 00 00 01");
    // A place in the ciphertext finds the ciphered APDU, not a deciphered field.
    const uint32_t at = VantrelStreamMapAtSource(out, 30);
    ASSERT_NE(at, VANTREL_MAP_NONE);
    EXPECT_STREQ(map[at].Element, "glo_GetRequest");
    VantrelStreamFree(out);
    VantrelKeysFree(keys);
}

// ------------------------------------------------------------ command line

class CliMap : public dtest::TCliTest {};

std::vector<nlohmann::json> JsonLines(const std::string& Text) {
    std::vector<nlohmann::json> objects;
    for (size_t at = 0; at < Text.size();) {
        const size_t end = Text.find('\n', at);
        objects.push_back(nlohmann::json::parse(Text.substr(at, end - at)));
        at = end == std::string::npos ? Text.size() : end + 1;
    }
    return objects;
}

TEST_F(CliMap, FieldsAndApduOffsetOfEachUnit) {
    const dtest::TRun frame =
        Run("--json --map", "7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E\n");
    ASSERT_EQ(frame.Status, 0) << frame.Err;
    const nlohmann::json o = nlohmann::json::parse(frame.Out);
    EXPECT_EQ(o["apdu_offset"], 11);
    ASSERT_EQ(o["fields"].size(), 7u);
    EXPECT_EQ(o["fields"][5], nlohmann::json::parse(
                                  R"({"element":"InstanceId","line":6,"offset":5,"length":6,"depth":3})"));

    // Several APDUs in one input: a unit each; a line of its own each with --each-line.
    const std::string two = kWrapper + " " + kWrapper + "\n";
    const nlohmann::json whole = nlohmann::json::parse(Run("--json --map", two).Out);
    ASSERT_EQ(whole["units"].size(), 2u);
    EXPECT_EQ(whole["units"][1]["apdu_offset"], 29);
    EXPECT_EQ(whole["units"][1]["fields"][0]["line"], 11);
    const std::vector<nlohmann::json> lines = JsonLines(Run("--each-line --json --map", two + kGetRequest + "\n").Out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1]["apdu_offset"], 29);
    EXPECT_FALSE(lines[2].contains("apdu_offset"));
    EXPECT_EQ(lines[2]["fields"].size(), 7u);

    // XML to hex: the lines of the input.
    const nlohmann::json back = nlohmann::json::parse(Run("--json --map", "\n" + dtest::kGetRequestXml).Out);
    EXPECT_EQ(back["fields"][0]["line"], 2);
    EXPECT_EQ(back["fields"][6]["offset"], 11);

    // Without the flag: no fields.
    EXPECT_FALSE(nlohmann::json::parse(Run("--json", std::string(kGetRequest)).Out).contains("fields"));
}

TEST_F(CliMap, PlaintextFieldsAreMarked) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    const dtest::TRun run = Run("--json --map --keys {keys}",
                                "C81E300000000158446A0E59566AC9DF5162DA985541CE0ECA2AE688BD765C92", "input.txt",
                                "BlockCipherKey = 000102030405060708090A0B0C0D0E0F\n"
                                "AuthenticationKey = D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF\n"
                                "ClientSystemTitle = 4D4D4D0000000001\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const nlohmann::json fields = nlohmann::json::parse(run.Out)["fields"];
    EXPECT_FALSE(fields[2].contains("plaintext"));
    EXPECT_EQ(fields[3]["element"], "SystemTitle");  // in no octet: its offset says none
    EXPECT_EQ(fields[4]["element"], "GetRequest");
    EXPECT_EQ(fields[4]["plaintext"], true);
    EXPECT_EQ(fields[4]["ciphered_in"], 0);
}

TEST_F(CliMap, MapNeedsJson) {
    const dtest::TRun run = Run("--map", std::string(kGetRequest));
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err.rfind("vantrel-cli: --map needs --json\n", 0), 0u) << run.Err;
}

}  // namespace
