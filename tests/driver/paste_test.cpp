// The forms field traces are pasted in: information fields with and
// without an LLC header, several APDUs back to back, frames wrapped over
// lines, wired M-Bus frames, Python bytes literals, log lines around octets
// and a log's own text, and the bounds of the readers. Sample traces come
// from public sources, named at each one.
#include <gtest/gtest.h>

#include "DriverSupport.h"
#include "FieldTraces.h"
#include "TraceUnits.h"
#include "Src/trace/BytesLiteral.h"
#include "Src/trace/HexDump.h"
#include "Src/trace/LineList.h"
#include "Src/trace/MBus.h"
#include "Src/translate/LlcHeader.h"
#include "Src/translate/TranslateCommand.h"
#include "vantrel/vantrel.h"

namespace {

using namespace vantrel::trace;
using vantrel::TranslateText;
using vantrel::TTranslateOutcome;
using K = TTranslateOutcome::TKind;
using Rows = std::vector<std::string>;
using dtest::kGetRequest;
using dtest::kGetRequestXml;
using dtest::Units;

std::string Lines(std::initializer_list<std::string_view> Parts) {
    std::string text;
    for (std::string_view p : Parts) (text += p) += '\n';
    return text;
}

// The element that opens XML text.
std::string RootName(const std::string& Xml) {
    const size_t at = Xml.find('<');
    return Xml.substr(at + 1, Xml.find_first_of(" >", at) - at - 1);
}

// The octets back from XML: the translate command on the XML text.
std::string OctetsBack(const std::string& Xml, const VantrelKeys* Keys = nullptr) {
    const TTranslateOutcome back = TranslateText(Xml, vantrel::TTranslateOptions{.Keys = Keys});
    return back.Kind == K::Translated ? back.Text : "refused: " + back.Text;
}

// A log of a Landis+Gyr E450 push (esphome/esphome pull request 16942, a
// dlms_meter very verbose log): 100 octets a line, three UI frames carrying
// the blocks of a general block transfer, the first behind E6 E7 00, blocks 2
// and 3 without any LLC header; the excerpt ends five octets into a fourth.
const std::string kE450Log = Lines({
    "[16:58:09.396][VV][dlms_meter:030]: 7EA084CEFF0313128BE6E700E04000010000700F007C83D30C07EA071206103A00FF800000020D010D020412002809060009190900FF0F021200000204120001090600002A0000FF0F02120000020412000109060000600101FF0F021200000204120001",
    "[16:58:09.399][VV][dlms_meter:030]: 09060000600E00FF0F02120000020412000309060100010801FF0F0212000008F77E7EA07DCEFF0313D045E040000200006C020412000309060100010802FF0F02120000020412000309060100020801FF0F02120000020412000309060100020802FF0F",
    "[16:58:09.399][VV][dlms_meter:030]: 02120000020412000309060100010800FF0F02120000020412000309060100020800FF0F02120000020412000309060100030800FF0F02120000B34E7E7EA084CEFF0313128BE0C00003000073020412000309060100040800FF0F021200000204120046",
    "[16:58:09.399][VV][dlms_meter:030]: 0906000060030AFF0F0312000009104C475A31303230373832353436333731090731323939363532090852415445320000000600361F58060036C67E0600018EB306002778D506006CE5D60600290788060004C70D06002714591601882B7E7EA084CEFF",
});
const std::string kE450Block3Xml = vtest::Xml(R"(
<GeneralBlockTransfer>
  <BlockControl Value="C0" />
  <BlockNumber Value="0003" />
  <BlockNumberAck Value="0000" />
  <BlockData Value="020412000309060100040800FF0F0212000002041200460906000060030AFF0F0312000009104C475A31303230373832353436333731090731323939363532090852415445320000000600361F58060036C67E0600018EB306002778D506006CE5D60600290788060004C70D06002714591601" />
</GeneralBlockTransfer>
)");

TEST(LlcHeader, DroppedOnlyWhereItStands) {
    const struct {
        const char* Name;
        std::string Info;
        const char* Description;
        const char* Result;  // the APDU's element, or the failure
    } rows[] = {
        {"client to server", "E6 E6 00 FF 12 01 02", "LLC(Dst LSAP:E6, Src LSAP:E6 client to server, Quality:00)", "Data"},
        {"server to client", "E6 E7 00 FF 12 01 02", "LLC(Dst LSAP:E6, Src LSAP:E7 server to client, Quality:00)", "Data"},
        // The IEC 61334-4-32 header opens with 90 (bearxiong99/wireshark-dlms, dlms.c).
        {"power line", "90 01 01 FF 12 01 02", "LLC(Dst LSAP:90, Src LSAP:01, Control:01 power line)", "Data"},
        {"none", "FF 12 01 02", "LLC(none: the information field is the APDU)", "Data"},
        // Block 3 of the E450 push: no header, and its first octets are the block's.
        {"a block without one", "E0 C0 00 03 00 00 03 0A 0B 0C", "LLC(none: the information field is the APDU)",
         "GeneralBlockTransfer"},
        {"E6 E5 00 is none", "E6 E5 00 FF 12 01 02", "LLC(none: the information field is the APDU)",
         "T_COSEMpdu : illegal Tag 230"},
        {"90 01 02 is none", "90 01 02 FF 12 01 02", "LLC(none: the information field is the APDU)",
         "T_COSEMpdu : illegal Tag 144"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        // The single-input path and the trace reader (a frame among log text) alike.
        const std::string frame = dtest::SealedText("03 21 13", row.Info);
        const TTranslateOutcome single = TranslateText(frame, true);
        ASSERT_FALSE(single.FrameDescription.empty());
        EXPECT_EQ(single.FrameDescription.back(), row.Description);
        const std::string result = single.Kind == K::Translated ? RootName(single.Text) : single.Text;
        EXPECT_EQ(result, row.Result);
        const TTranslateOutcome logged = TranslateText("12:00:00 RX: " + frame + "\n12:00:01 RX: " + frame, true);
        EXPECT_EQ(logged.FrameDescription.back(), row.Description);
        if (single.Kind == K::Translated) {
            // A last block whose first ones never come: the block joiner says so after it.
            const std::string unjoined =
                std::string_view(row.Result) == "GeneralBlockTransfer"
                    ? "<!-- not joined: general block transfer blocks from line 1: the input ended; blocks 1, 2 "
                      "missing --> \r\n"
                    : "";
            EXPECT_EQ(logged.Text, single.Text + single.Text + unjoined);
        }
    }
    // Copied without the frame: the header found is named in a comment, the
    // caret of a failure counts it.
    const TTranslateOutcome plc = TranslateText("900101FF120102");
    EXPECT_EQ(plc.Text.substr(0, plc.Text.find('\n') + 1), "<!-- LLC header 90 01 01 (power line) before the APDU --> \r\n");
    EXPECT_EQ(TranslateText("900101FF1201").Column, 12);
}

TEST(LlcHeader, BlocksOfATransferWithoutItTranslate) {
    EXPECT_EQ(Units(kE450Log, dtest::TUnitsOptions{.Lines = true}),
              (Rows{"2/1 frame ok: GeneralBlockTransfer (lines 1, 2) [[16:58:09.396][VV][dlms_meter:030]:]",
                    "3/2 frame ok: GeneralBlockTransfer (lines 2, 3) [[16:58:09.399][VV][dlms_meter:030]:]",
                    "4/3 frame ok: GeneralBlockTransfer (lines 3, 4) [[16:58:09.399][VV][dlms_meter:030]:]",
                    "4 frame beep: HDLC frame cut short: 5 of its 134 octets [[16:58:09.399][VV][dlms_meter:030]:]"}));
    // Block 3 exactly, and its octets back.
    std::string block3;
    TTraceReader reader({}, [&](TTraceUnit& u) {
        if (u.Line == 4 && u.Outcome.Kind == K::Translated) block3 = u.Outcome.Text;
    });
    long long n = 0;
    for (size_t at = 0; at < kE450Log.size(); at = kE450Log.find('\n', at) + 1)
        reader.Line(++n, std::string_view(kE450Log).substr(at, kE450Log.find('\n', at) - at));
    reader.Finish();
    EXPECT_EQ(block3, kE450Block3Xml);
    EXPECT_EQ(OctetsBack(block3).substr(0, 14), "E0C00003000073");
    // Segments joined without a header: the joined field is the APDU.
    const std::string s0 = dtest::SealedText("21 03 30", "C4 01 C1 00 09 0C 41 42", 0xA8);
    const std::string s1 = dtest::SealedText("21 03 32", "43 44 45 46 47 48 49 4A 4B 4C", 0xA0);
    EXPECT_EQ(Units(s0 + "\n" + s1).back(), "2/1 frame ok: GetResponse");
}

TEST(SeveralApdus, EachOneTranslatedWhatDoesNotDecodeNamed) {
    const std::string get = vtest::Norm(kGetRequest);
    const std::string data = "FF120102";
    const std::string xml0102 = vtest::Xml("\n<Data>\n  <LongUnsigned Value=\"0102\" />\n</Data>\n");
    const struct {
        const char* Name;
        std::string Octets;
        std::string Xml;
        std::vector<std::string> Notes;
    } rows[] = {
        {"two requests", get + get, kGetRequestXml + kGetRequestXml, {}},
        {"three values", data + data + data, xml0102 + xml0102 + xml0102, {}},
        {"a request, a value, two octets", get + data + "0304",
         kGetRequestXml + xml0102 + "<!-- 2 octets after the end of the APDU: 03 04 --> \r\n",
         {"2 octets after the end of the APDU: 03 04"}},
        // A second APDU cut short does not decode: all of it stays in the comment.
        {"a request and a request cut short", get + get.substr(0, 10),
         kGetRequestXml + "<!-- 5 octets after the end of the APDU: C0 01 C1 00 08 --> \r\n",
         {"5 octets after the end of the APDU: C0 01 C1 00 08"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const std::string frame = dtest::SealedText("03 21 13", "E6 E6 00 " + row.Octets);
        const std::string wrapper = "00 01 00 10 00 01 " + vtest::Hex(std::string(1, '\0') +
                                                                      static_cast<char>(row.Octets.size() / 2)) +
                                    row.Octets;
        for (const std::string& input : {row.Octets, frame, wrapper, "RX: " + row.Octets}) {
            const TTranslateOutcome o = TranslateText(input);
            ASSERT_EQ(o.Kind, K::Translated) << input << ": " << o.Text;
            EXPECT_EQ(o.Text, row.Xml) << input;
            if (input.starts_with("RX")) continue;  // notes of a trace name their line
            EXPECT_EQ(o.Notes, row.Notes) << input;
        }
    }
    // Every APDU translates back on its own.
    EXPECT_EQ(OctetsBack(kGetRequestXml), get);
}

TEST(WrappedFrames, JoinedByTheirLengthField) {
    // The HDLC frame of an ISKRA AM550 (UtilitechAS/amsreader-firmware issue
    // 787, a debug log): 16 octets a line in groups of four, each line
    // labelled, then a line of text.
    const std::string am550 = Lines({
        "(V) HDLC frame:",
        "(V) 7E A0 77 CF  02 23 13 BB  45 E6 E7 00  DB 08 49 53",
        "(V) 4B 69 74 AC  00 8F 5F 20  00 03 D7 84  16 5F 78 9E",
        "(V) 00 9F 85 8B  18 0E 95 3A  40 42 33 85  0F C5 97 31",
        "(V) 99 A0 48 3A  05 91 1C 11  9D ED 0F D1  7D 9A 3B CF",
        "(V) 06 2C C3 B1  2F 70 85 7A  D3 20 CE 90  69 BE 88 50",
        "(V) 52 7B 15 90  95 0D B2 90  0F 1B AA 67  81 D4 C5 20",
        "(V) F0 76 FA 57  2C C3 24 1E  A6 FD 8F E7  20 9B 85 B2",
        "(V) 8B 90 E3 87  80 1D 4A 08  7E",
        "(V) LLC frame:",
    });
    EXPECT_EQ(Units(am550, dtest::TUnitsOptions{.Lines = true}),
              (Rows{"1 text skipped: no octets on the line [(V) HDLC frame:]",
                    "9/2 frame ok: GeneralGloCiphering (lines 2-9) [(V)]",
                    "10 text skipped: no octets on the line [(V) LLC frame:]"}));
    const TTranslateOutcome whole = TranslateText(am550);
    ASSERT_EQ(whole.Kind, K::Translated) << whole.Text;
    EXPECT_EQ(OctetsBack(whole.Text).substr(0, 20), "DB0849534B6974AC008F");

    // A frame cut short that no line continues (u9n/dlms-cosem issue 62: a
    // serial log whose reads lost octets): the lines it took are named.
    const std::string lost = Lines({
        "16.41.34 04.41.34.417\tSent\t7E A0 20 20 41 27 93 0C 0C 81 80 13 05 01 80 06 02 02 00 07 04 00 00 00 01 08 04 00 00 00 01 B4 F9 7E",
        "16.41.34 04.41.34.432\tReceived\t7E A0 20 20 41 27 93",
        "16.41.34 04.41.34.444\tReceived\t93 0C 0C 81 80 13 05 01 80",
        "16.41.34 04.41.34.460\tReceived\t00 00 00 01 08 04 00 00 00 01 B4 F9",
        "Data send failed. Try to resend 1/3",
    });
    EXPECT_EQ(Units(lost), (Rows{"1 frame skipped: HDLC SNRM frame: no APDU to translate [16.41.34 04.41.34.417\tSent]",
                                 "4/2 frame beep: HDLC frame cut short: 28 of its 34 octets; lines 2-4 not translated "
                                 "[16.41.34 04.41.34.432\tReceived]",
                                 "5 text skipped: no octets on the line [Data send failed. Try to resend 1/3]"}));

    // Frames wrapped 32 octets a line without labels, in lower case, the
    // closing flag of one shared with the next on the same line; pasted whole
    // and line by line alike.
    const std::string a = vtest::Hex(dtest::Sealed("03 21 10", "E6 E6 00 " + std::string(kGetRequest) + " " + kGetRequest));
    const std::string b = vtest::Hex(dtest::Sealed("03 21 32", "E6 E6 00 FF 12 01 02"));
    std::string joined = a + b.substr(2);
    for (char& c : joined) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string wrapped;
    for (size_t i = 0; i < joined.size(); i += 64) wrapped += joined.substr(i, 64) + "\r\n";
    EXPECT_EQ(Units(wrapped), (Rows{"2/1 frame ok: GetRequest", "2 frame ok: Data"}));
    const TTranslateOutcome pasted = TranslateText(wrapped);
    ASSERT_EQ(pasted.Kind, K::Translated) << pasted.Text;
    EXPECT_EQ(pasted.Text, kGetRequestXml + kGetRequestXml + vtest::Xml("\n<Data>\n  <LongUnsigned Value=\"0102\" />\n</Data>\n"));
}

TEST(WrappedFrames, ALineThatIsNoContinuationReadsOnItsOwn) {
    const std::string rr = dtest::SealedText("03 21 31");
    const std::string ui = dtest::SealedText("03 21 13", "E6 E6 00 FF 12 01 02");
    const std::string cut = ui.substr(0, 20);  // "7E A0 0E 03 21 13 0B"
    const struct {
        const char* Name;
        std::string Log;
        Rows Units;
    } rows[] = {
        // A frame of its own ends the one cut short, which reads as it always did.
        {"a frame of its own after it", cut + "\n" + rr,
         {"1 frame beep: Not a decodable HDLC frame: Frame length subfield value (16) does not match frame length (5)",
          "2 frame skipped: HDLC RR frame: no APDU to translate"}},
        // Octets where the closing flag should be: the lines taken were no part of it.
        {"no closing flag where the length ends", cut + "\nFF 12 01 02 00 00 00 00 00 00\nFF 12 01 02",
         {"1 frame beep: Not a decodable HDLC frame: Frame length subfield value (16) does not match frame length (5)",
          "2 hex ok: Data", "3 hex ok: Data"}},
        // The closing flag in place but the check sequence wrong: a frame that does not decode.
        {"wrong check sequence", cut + "\n" + ui.substr(21, ui.size() - 21 - 9) + " 00 00 7E",
         {"2/1 frame beep: Not a decodable HDLC frame: Illegal FCS"}},
        {"the end of the input", cut, {"1 frame beep: Not a decodable HDLC frame: Frame length subfield value (16) does "
                                       "not match frame length (5)"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(Units(row.Log), row.Units);
    }
}

using dtest::kTirolApdu;
using dtest::kTirolPush;
// The plain content of the APDU, as the example gives it.
const std::string kTirolPlain =
    "0f0029b2dc0c07e50713010f2e2300ff8880020c09060000010000ff090c07e50713010f2e2300ff8880020209060000600100ff090e314b464d"
    "303130303030303033350202090600002a0000ff09104b464d31313030313030303030303335020309060100200700ff12090402020fff162302"
    "03090601001f0700ff12000002020ffe1621020309060100010700ff060000000002020f00161b020309060100020700ff060000000002020f00"
    "161b020309060100010800ff060000239402020f00161e020309060100020800ff060000000002020f00161e020309060100030800ff06000000"
    "6002020f001620020309060100040800ff060000000902020f001620";

struct TKeys {
    TKeys() {
        TTranslationError error;
        VantrelKeysSet(Keys, "BlockCipherKey", "101112131415161718191A1B1C1D1E1F", &error);
    }
    ~TKeys() { VantrelKeysFree(Keys); }
    VantrelKeys* Keys = VantrelKeysNew();
};

TEST(MBusFrames, APushOfTwoFramesDeciphered) {
    EXPECT_EQ(Units(kTirolPush, dtest::TUnitsOptions{.DescribeFrame = true, .Lines = true}),
              (Rows{"16/1 mbus skipped: M-Bus frame: the APDU continues in the next frames (lines 1-16) "
                    "MBus(C:53, A:FF, CI:00 part 0 of more, STSAP:01, DTSAP:67, Length:250)",
                    "19/1 mbus ok: GeneralGloCiphering (lines 1-19) "
                    "MBus(C:53, A:FF, CI:11 part 1 last, STSAP:01, DTSAP:67, Length:38)"}));
    // Deciphered, the content is the example's plain APDU; enciphered again,
    // the octets are those the frames carried.
    const TKeys keys;
    const TTranslateOutcome o = TranslateText(kTirolPush, vantrel::TTranslateOptions{.Keys = keys.Keys});
    ASSERT_EQ(o.Kind, K::Translated) << o.Text;
    std::string plain = TranslateText(kTirolPlain).Text;
    std::string inner;
    for (size_t at = 0; at < plain.size(); at = plain.find('\n', at) + 1)
        inner += "  " + plain.substr(at, plain.find('\n', at) + 1 - at);
    EXPECT_EQ(o.Text, vtest::Xml(R"(
<GeneralGloCiphering>
  <SystemTitle Value="4B464D1010000023" />
  <SecurityControl Value="21" />
  <InvocationCounter Value="00295B9A" />
)") + inner + "</GeneralGloCiphering>\r\n");
    EXPECT_EQ(OctetsBack(o.Text, keys.Keys), kTirolApdu);
    // Both frames on one line, and as a log splits them: labelled lines of
    // colon-separated octets, the second frame after the first on one line.
    std::string octets;
    for (char c : kTirolPush)
        if (c != '\n') octets += c;
    EXPECT_EQ(Units(octets).back(), "1 mbus ok: GeneralGloCiphering");
    std::string colons;
    for (size_t i = 0; i < octets.size(); i += 2) colons += (i ? ":" : "") + octets.substr(i, 2);
    const std::string split = "[21:14:11][D][uart_debug:114]: <<< " + colons.substr(0, 3 * 200 - 1) + "\n" +
                              "[21:14:11][D][uart_debug:114]: <<< " + colons.substr(3 * 200) + "\n";
    // (The arrow next to the octets is trimmed from the label like a bracket.)
    EXPECT_EQ(Units(split), (Rows{"2/1 mbus skipped: M-Bus frame: the APDU continues in the next frames "
                                  "[[21:14:11][D][uart_debug:114]:]",
                                  "2/1 mbus ok: GeneralGloCiphering [[21:14:11][D][uart_debug:114]:]"}));
}

std::string MBusFrame(std::string_view Control, std::string_view Body, int LengthField = -1) {
    const std::string body = vtest::Bytes(std::string(Control) + " " + std::string(Body));
    unsigned sum = 0;
    for (char c : body) sum += static_cast<uint8_t>(c);
    const int field = LengthField >= 0 ? LengthField : static_cast<int>(body.size());
    std::string frame = {'\x68', static_cast<char>(field), static_cast<char>(field), '\x68'};
    frame += body;
    frame += static_cast<char>(sum & 0xFF);
    frame += '\x16';
    return vtest::Hex(frame);
}

TEST(MBusFrames, PartsJoinedAndTheirFaults) {
    const std::string get = vtest::Norm(kGetRequest);
    const std::string first = MBusFrame("53 FF 00", "01 67 " + get.substr(0, 8));
    const std::string last = MBusFrame("53 FF 11", "01 67 " + get.substr(8));
    const std::string whole = MBusFrame("53 FF 10", "01 67 " + get);
    std::string badSum = last;
    badSum[badSum.size() - 4] = badSum[badSum.size() - 4] == '0' ? '1' : '0';
    // A wired M-Bus reading of a Kamstrup Multical 302, no DLMS in it
    // (rscada/libmbus issue 81): CI 72.
    const std::string kamstrup =
        "68 C7 C7 68 08 B7 72 83 11 21 67 2D 2C 30 04 21 00 00 00 0C 78 83 11 21 67 04 06 40 0D 00 00 04 86 FF 02 00 00 00 "
        "00 04 FF 07 9A 49 00 00 04 FF 08 10 3E 00 00 04 14 FC 87 00 00 04 22 89 01 00 00 34 22 02 00 00 00 02 59 1A 15 02 "
        "5D 40 12 02 61 DA 02 04 2D B4 00 00 00 14 2D 1D 01 00 00 04 3B 67 08 00 00 14 3B 23 09 00 00 02 FD 17 00 00 04 6D "
        "30 37 E2 14 44 06 A9 09 00 00 44 86 FF 02 00 00 00 00 44 FF 07 E7 33 00 00 44 FF 08 7E 2B 00 00 44 14 FE 5F 00 00 "
        "54 2D 26 01 00 00 54 3B 17 09 00 00 42 6C FF 13 07 FF 0F AF 8F 01 04 00 00 00 00 04 FF 11 B2 AC 00 00 04 FF 12 F0 "
        "F8 CA 00 02 FF 1A 01 18 02 FD 0E 01 07 F6 16";
    // The closing frame of a Sagemcom T210-D push (UtilitechAS/amsreader-firmware
    // issue 155), alone: its part 0 is missing.
    const std::string t210Last = "68 0D 0D 68 53 FF 11 01 67 CD 6B CB 69 13 53 FF 98 34 16";
    const struct {
        const char* Name;
        std::string Log;
        Rows Units;
    } rows[] = {
        {"one frame holds the APDU", whole, {"1 mbus ok: GetRequest"}},
        {"two parts", first + "\n" + last, {"1 mbus skipped: M-Bus frame: the APDU continues in the next frames",
                                            "2/1 mbus ok: GetRequest"}},
        {"a wrong checksum", first + "\n" + badSum,
         {"1 mbus skipped: M-Bus frame: the APDU continues in the next frames",
          std::string("2 mbus beep: Not a decodable M-Bus frame: M-Bus checksum ") + badSum.substr(badSum.size() - 4, 2) +
              " where the frame sums to " + last.substr(last.size() - 4, 2),
          "1 mbus error: Broken M-Bus sequence: the input ended before its last frame; line 1 (4 octets of its APDU) "
          "not translated"}},
        {"a part missing", first + "\n" + MBusFrame("53 FF 12", "01 67 " + get.substr(8)),
         {"1 mbus skipped: M-Bus frame: the APDU continues in the next frames",
          "2/1 mbus error: Broken M-Bus sequence: part 2 where 1 was due (a frame is missing or repeated); lines 1, 2 "
          "(4 octets of its APDU) not translated"}},
        {"a part 0 opens the next APDU", first + "\n" + whole,
         {"1 mbus skipped: M-Bus frame: the APDU continues in the next frames",
          "2/1 mbus error: Broken M-Bus sequence: part 0 where 1 was due (a frame is missing or repeated); line 1 "
          "(4 octets of its APDU) not translated",
          "2 mbus ok: GetRequest"}},
        {"a last part alone", t210Last,
         {"1 mbus error: Broken M-Bus sequence: part 1 without the parts before it; line 1 not translated"}},
        {"no DLMS", kamstrup, {"1 mbus skipped: M-Bus frame with CI 72: no DLMS APDU to translate"}},
        {"cut short at the end", first.substr(0, 20), {"1 mbus beep: M-Bus frame cut short: 10 of its 15 octets"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(Units(row.Log), row.Units);
    }
    // Pasted whole, a broken sequence is the failure.
    const TTranslateOutcome o = TranslateText(first);
    EXPECT_EQ(o.Kind, K::HexFailure);
    EXPECT_EQ(o.Text, "line 1: Broken M-Bus sequence: the input ended before its last frame; line 1 (4 octets of its APDU) "
                      "not translated");
}

TEST(MBusFrames, ALengthFieldOfTheLowOctetOnly) {
    // Sagemcom T210-D meters write 01 for a frame of 257 octets from C to the
    // data's end (UtilitechAS/amsreader-firmware issue 155, DomiStyle/
    // esphome-dlms-meter issue 17): read so, and described.
    const std::string data = "01 67 FF 12 01 02 " + vtest::Hex(std::string(248, '\0'));
    const std::string frame = MBusFrame("53 FF 10", data, 0x01);
    TMBusFrame f;
    std::string why;
    const std::string octets = vtest::Bytes(frame);
    EXPECT_EQ(MBusFrameLength(octets), 263u);
    ASSERT_TRUE(ReadMBusFrame(octets, f, why)) << why;
    EXPECT_EQ(f.Length, 257u);
    EXPECT_EQ(MBusDescription(f), "MBus(C:53, A:FF, CI:10 part 0 last, STSAP:01, DTSAP:67, Length:257 (length field 01))");
    const TTranslateOutcome o = TranslateText(frame);
    ASSERT_EQ(o.Kind, K::Translated) << o.Text;
    EXPECT_EQ(o.Notes, std::vector<std::string>{"line 1: 248 octets after the end of the APDU: 00 00 00 00 00 00 00 00 00 00 "
                                                "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ... and "
                                                "216 more"});
    // The length field and the octets disagree otherwise: no frame.
    EXPECT_FALSE(ReadMBusFrame(vtest::Bytes(MBusFrame("53 FF 10", "01 67 FF 12 01 02", 0x0A)), f, why));
    EXPECT_EQ(why, "M-Bus length field 0A does not match the 9 octets of the frame");
}

TEST(BytesLiteral, ReadAsPythonPrintsThem) {
    const struct {
        const char* Line;
        const char* Octets;  // "-" when none
        const char* Label;
    } rows[] = {
        // u9n/dlms-cosem issue 62: repr of a bytearray, an escaped quote in it.
        {R"(16:40:28,577 : DEBUG : Sending: bytearray(b"~\xa0\x08 \x03\'\x93s\x85~"))", "7EA0082003279373857E",
         "16:40:28,577 : DEBUG : Sending:"},
        {R"(Received HDLC data: b"~\xa0\x08 \x03'\x93s\x85~")", "7EA0082003279373857E", "Received HDLC data:"},
        {R"(x=b'\t\n\r\\\'\"\0\101')", "090A0D5C27220041", "x="},
        {R"(b'' b'\x01' and b'\x02\x03')", "0203", "b'' b'\\x01' and"},
        {R"(rb'\x01')", "-", ""},            // no literal: a word before the quote
        {R"(b'\xZZ')", "-", ""},             // no such escape
        {R"(b'\x01)", "-", ""},              // not closed
        {"b'caf\xC3\xA9'", "-", ""},         // no bytes literal holds other characters
        {"don't 'quote'", "-", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Line);
        TOctetRun run;
        std::string octets;
        const bool found = FindBytesLiteral(row.Line, run, octets);
        std::string expected = row.Octets;
        std::erase(expected, ' ');
        EXPECT_EQ(found ? vtest::Hex(octets) : "-", expected);
        if (found) {
            EXPECT_EQ(LineLabel(row.Line, run), row.Label);
        }
    }
    // The log of u9n/dlms-cosem issue 95, as the client wrote it.
    const std::string received =
        R"(2024-03-21 12:13:17 [debug    ] Received data                  data=b'~\xa0&\x03\x00\x02,)R\x00\xd3\xe6\xe7\x00c\x15\x80\x01\x00\xbe\x10\x04\x0e\x08\x00\x06_\x1f\x04\x00\x00R\x1d\x00\xef\x00\x07\xdf\x05~' transport=HdlcTransport(client_logical_address=1))";
    EXPECT_EQ(Units(received),
              Rows{"1 frame ok: ReleaseResponse [2024-03-21 12:13:17 [debug    ] Received data                  data= "
                   "transport=HdlcTransport(client_logical_address=1)]"});
    EXPECT_EQ(TranslateText(received).Text.substr(0, 17), "<ReleaseResponse>");
}

TEST(LogLines, TheRealErrorAndALogsOwnText) {
    const struct {
        const char* Line;
        const char* Unit;
    } rows[] = {
        // The octets' failure, as for the octets alone ("error at octet 9").
        {"RX: C4 01 C1 00 06 00 00 30", "1 hex error at 9: Wrong encoding in pdu [RX:]"},
        {"12:00:00.123 <- C4 01 C1 00 06 00 00 30", "1 hex error at 9: Wrong encoding in pdu [12:00:00.123 <-]"},
        {"C4:01:C1:00:06:00:00:30", "1 hex error at 9: Wrong encoding in pdu"},
        // A slip in the octets keeps today's message about the characters.
        {"FF 12 01 0G", "1 hex error: Illegal hex-character"},
        {"FF 12 <", "1 xml error at 0: T_COSEMpdu.CreateFromXml : illegal choice"},
        // A log's own text: skipped.
        {"Data send failed. Try to resend 1/3", "1 text skipped: no octets on the line [Data send failed. Try to resend 1/3]"},
        {"Read 10 values", "1 text skipped: no octets on the line [Read 10 values]"},
        {"The frame could not be parsed", "1 text skipped: no octets on the line [The frame could not be parsed]"},
        {"<- connected", "1 text skipped: no octets on the line [<- connected]"},
        // Octets among text still are octets.
        {"RX 0E", "1 hex error at 2: Wrong encoding in pdu [RX]"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Line);
        EXPECT_EQ(Units(row.Line), Rows{row.Unit});
    }
    // Pasted whole: the failure with its place (the caret before the octet,
    // as for the octets alone, after the label), and a log with text lines
    // translates.
    TTranslateOutcome o = TranslateText("RX: C4 01 C1 00 06 00 00 30");
    EXPECT_EQ(o.Kind, K::EntryFailure);
    EXPECT_EQ(o.Text, "line 1: Wrong encoding in pdu");
    EXPECT_EQ(o.Position, 9);
    EXPECT_EQ(o.Column, 4 + 18);
    EXPECT_EQ(o.Column - 4, TranslateText("C4 01 C1 00 06 00 00 30").Column);
    o = TranslateText(std::string("Connecting...\nTX: ") + kGetRequest + "\nDone.\n");
    ASSERT_EQ(o.Kind, K::Translated);
    EXPECT_EQ(o.Text, kGetRequestXml);
    // A text of only text is refused as before.
    EXPECT_EQ(TranslateText("Connecting...").Text, "Illegal hex-character");
}

TEST(SeparatedOctets, WrappedOverLinesPastedWhole) {
    const std::string get = vtest::Norm(kGetRequest);
    for (const std::string text : {"c0:01:c1:00:08:00:00:01:\n00:00:ff:02:00\n", "C0,01,C1,00,08,00,00,01,\r\n00,00,FF,02,00",
                                   "0xC0, 0x01, 0xC1, 0x00, 0x08, 0x00, 0x00, 0x01,\n0x00, 0x00, 0xFF, 0x02, 0x00\n",
                                   "C0:01:C1:00:08\t00:00:01:00:00:FF:02:00"}) {
        SCOPED_TRACE(text);
        const TTranslateOutcome o = TranslateText(text);
        ASSERT_EQ(o.Kind, K::Translated) << o.Text;
        EXPECT_EQ(o.Text, kGetRequestXml);
    }
    // Not octets in such a notation: not taken for them.
    EXPECT_NE(TranslateText("C0:01:C1:0").Kind, K::Translated);
}

TEST(Bounds, LinesListedAndRepeatedDumpLines) {
    const struct {
        std::vector<std::pair<long long, long long>> Added;
        const char* Text;
    } rows[] = {
        {{{3, 3}}, "line 3"},
        {{{3, 3}, {4, 4}}, "lines 3, 4"},
        {{{3, 5}, {5, 6}, {9, 9}}, "lines 3-6, 9"},
        {{{1, 1}, {3, 3}, {5, 5}, {7, 7}, {9, 9}, {11, 11}, {13, 13}, {15, 15}, {17, 20}, {22, 22}},
         "lines 1, 3, 5, 7, 9, 11, 13, 15, ... and 5 more"},
        {{{1, 1}, {3, 3}, {5, 5}, {7, 7}, {9, 9}, {11, 11}, {13, 13}, {15, 1000000}}, "lines 1, 3, 5, 7, 9, 11, 13, 15-1000000"},
    };
    for (const auto& row : rows) {
        TLineList list;
        for (const auto& [first, last] : row.Added) list.Add(first, last);
        EXPECT_EQ(list.Text(), row.Text);
    }
    // A sequence of many segments lists few lines.
    std::string log;
    for (int i = 0; i < 40; ++i) {
        char control[16];
        std::snprintf(control, sizeof control, "21 03 %02X", 0x10 | (i % 8) << 1);
        log += dtest::SealedText(control, i == 0 ? "E6 E7 00" : "01", 0xA8) + "\n" + (i % 2 ? "\n" : "");
    }
    EXPECT_EQ(Units(log).back(), "59/1 frame error: Broken segmented APDU: the input ended before its last segment; "
                                 "lines 1, 2, 4, 5, 7, 8, 10, 11, 13, 14, 16, 17, 19, 20, 22, 23, ... and 24 more not translated");
    // The lines "*" leaves out repeat no more than 1 MiB in one input.
    const std::string bomb = "00000000  ff 12 01 02 03 04 05 06  07 08 09 0a 0b 0c 0d 0e  |................|\n*\n"
                             "00fffff0  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  |................|\n";
    EXPECT_EQ(Units(bomb + bomb), (Rows{"3/1 dump error: Hex dump lines left out (\"*\") would repeat more than 1048576 "
                                        "octets in this input",
                                        "6/4 dump error: Hex dump lines left out (\"*\") would repeat more than 1048576 "
                                        "octets in this input"}));
    const std::string small = "00000000  c0 01 c1 00 08 00 00 01  00 00 ff 02 00 00 00 00  |................|\n*\n"
                              "00080000  00                                               |.|\n";
    const Rows once = Units(small);
    ASSERT_EQ(once.size(), 1u);
    EXPECT_EQ(once[0].substr(0, 17), "3/1 dump ok: GetR");
    EXPECT_EQ(Units(small + small + small).back().substr(0, 15), "9/7 dump error:");  // 3 x 512 KiB
    // Two dumps back to back are two blocks.
    const std::string dump = "0000   c0 01 c1 00 08 00 00 01 00 00 ff 02 00            .............\n";
    EXPECT_EQ(Units(dump + dump), (Rows{"1 dump ok: GetRequest", "2 dump ok: GetRequest"}));
    // A dump counting in decimal.
    EXPECT_EQ(Units("0000  c0 01 c1 00 08 00 00 01 00 00 ff 02 00 00 00 00\n0016  00\n0017\n"),
              Rows{"3/1 dump ok: GetRequest"});
}

using dtest::TRun;
class CliPaste : public dtest::TCliTest {};

TEST_F(CliPaste, EachLineSkipsTextAndDescribesMBusFrames) {
    const TRun run = Run("--each-line --frame", "Reading the meter...\n" + kTirolPush + "done\n");
    EXPECT_EQ(run.Status, 0);  // text lines are no failures
    const std::string out = run.Out;
    EXPECT_TRUE(out.starts_with("line 1: skipped: no octets on the line [Reading the meter...]\n"
                                "line 17: skipped: M-Bus frame: the APDU continues in the next frames\n"
                                "MBus(C:53, A:FF, CI:00 part 0 of more, STSAP:01, DTSAP:67, Length:250)\n"
                                "line 20: from lines 2-20\n"
                                "MBus(C:53, A:FF, CI:11 part 1 last, STSAP:01, DTSAP:67, Length:38)\n"
                                "<GeneralGloCiphering>\r\n"))
        << out;
    EXPECT_TRUE(out.ends_with("line 21: skipped: no octets on the line [done]\n")) << out;
    EXPECT_EQ(run.Err, "");
    // In JSON the forms are named.
    const TRun json = Run("--each-line --json", "Reading the meter...\n" + kTirolPush);
    EXPECT_NE(json.Out.find(R"({"line":1,"label":"Reading the meter...","input":"text","skipped":"no octets on the line"})"),
              std::string::npos)
        << json.Out;
    EXPECT_NE(json.Out.find(R"({"line":20,"first_line":2,"input":"mbus","apdu":"GeneralGloCiphering")"), std::string::npos)
        << json.Out;
    // A labelled line whose octets do not decode: their failure, with --strict as without.
    const TRun failed = Run("--each-line", "RX: C4 01 C1 00 06 00 00 30\n");
    EXPECT_EQ(failed.Status, 1);
    EXPECT_EQ(failed.Out, "line 1: error at octet 9: Wrong encoding in pdu [RX:]\n");
}

}  // namespace
