// The translate command: classification of the source text, frame
// unwrapping, both directions, and where the caret lands on a failure.
#include <gtest/gtest.h>

#include <cctype>

#include "DriverSupport.h"
#include "Src/translate/TranslateCommand.h"

namespace {

using vantrel::TranslateText;
using vantrel::TTranslateOutcome;
using K = TTranslateOutcome::TKind;

const std::string kLongUnsignedXml = vtest::Xml(R"(
<Data>
  <LongUnsigned Value="0102" />
</Data>
)");

std::string Repeated(std::string_view Text, int Times) {
    std::string s;
    for (int i = 0; i < Times; ++i) s += Text;
    return s;
}

std::string Lower(std::string Text) {
    for (char& c : Text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return Text;
}

struct TRow {
    const char* Name;
    std::string Source;
    K Kind;
    std::string Text;  // the destination, the message, or the start of the beep reason
    bool HexToXml;
};

void ExpectOutcome(const TRow& Row, const TTranslateOutcome& Outcome) {
    SCOPED_TRACE(Row.Name);
    EXPECT_EQ(Outcome.Kind, Row.Kind) << Outcome.Text;
    if (Row.Kind == K::Beep) EXPECT_EQ(Outcome.Text.substr(0, Row.Text.size()), Row.Text);
    else EXPECT_EQ(Outcome.Text, Row.Text);
    EXPECT_EQ(Outcome.HexToXml, Row.HexToXml);
}

TEST(TranslateCommand, Classification) {
    const std::string xml = R"(<Data><LongUnsigned Value="0102" /></Data>)";
    const TRow rows[] = {
        {"hex", "FF 12 01 02", K::Translated, kLongUnsignedXml, true},
        {"hex with dashes and line breaks", "FF-12-\r\n01\r\n-02\n", K::Translated, kLongUnsignedXml, true},
        {"hex after blank lines", "\r\n \r\n  FF120102", K::Translated, kLongUnsignedXml, true},
        {"empty", "", K::EntryFailure, "Wrong encoding in pdu", true},
        {"only blanks", "\r\n  \r\n", K::EntryFailure, "Wrong encoding in pdu", true},
        {"odd digit count", "FF 12 01 0", K::HexFailure, "HexStrToByteStr: Hex-character missing", true},
        {"illegal digit", "FF 12 01 0G", K::HexFailure, "Illegal hex-character", true},
        {"leading tab", "\tFF120102", K::HexFailure, "Illegal hex-character", true},
        {"unknown tag", "07", K::EntryFailure, "T_COSEMpdu : illegal Tag 7", true},
        {"octets after the APDU", "FF 12 01 02 03 04", K::Translated,
         kLongUnsignedXml + "<!-- 2 octets after the end of the APDU: 03 04 --> \r\n", true},
        {"xml", xml, K::Translated, "FF120102", false},
        {"xml after blank lines", "\r\n\r\n   " + xml, K::Translated, "FF120102", false},
        {"\"<\" at character 79", std::string(78, '\t') + xml, K::Translated, "FF120102", false},
        {"\"<\" at character 80", std::string(79, '\t') + xml, K::Beep, "XML must begin within the first 79 characters",
         false},
        {"\"<\" at character 79 after two-byte characters", Repeated("\xC3\xA9", 78) + xml, K::EntryFailure,
         "T_COSEMpdu.CreateFromXml : illegal choice", false},
        {"\"<\" at character 80 after two-byte characters", Repeated("\xC3\xA9", 79) + xml, K::Beep,
         "XML must begin within the first 79 characters; its first \"<\" is character 80", false},
        {"\"<\" after hex digits", "FF 12 <", K::EntryFailure, "T_COSEMpdu.CreateFromXml : illegal choice", false},
    };
    for (const auto& row : rows) ExpectOutcome(row, TranslateText(row.Source));
}

TEST(TranslateCommand, HdlcFrames) {
    using dtest::SealedText;
    const std::string apdu = "E6 E6 00 FF 12 01 02";
    const TRow rows[] = {
        {"I frame", SealedText("03 21 10", apdu), K::Translated, kLongUnsignedXml, true},
        {"UI frame", SealedText("03 21 13", apdu), K::Translated, kLongUnsignedXml, true},
        {"four-octet addresses", SealedText("02 00 00 23 41 FE", apdu), K::Translated, kLongUnsignedXml, true},
        {"frame after blank lines, line break after it", "\r\n  " + SealedText("03 21 10", apdu) + "\r\n",
         K::Translated, kLongUnsignedXml, true},
        {"digits without blanks", vtest::Hex(dtest::Sealed("03 21 10", apdu)), K::Translated, kLongUnsignedXml, true},
        {"information without the APDU", SealedText("03 21 10", "E6 E6 00"), K::EntryFailure, "Wrong encoding in pdu", true},
        // No LLC header: the information field is translated as it is.
        {"information shorter than an LLC header", SealedText("03 21 10", "E6"), K::EntryFailure,
         "T_COSEMpdu : illegal Tag 230", true},
        {"APDU that does not decode", SealedText("03 21 10", "E6 E6 00 FF 12 01"), K::EntryFailure,
         "Wrong encoding in pdu", true},
        {"RR", SealedText("03 21 31"), K::Beep, "HDLC RR frame", true},
        {"SNRM", SealedText("03 21 93"), K::Beep, "HDLC SNRM frame", true},
        {"UA with link parameters", SealedText("21 03 73", "81 80 00"), K::Beep, "HDLC UA frame", true},
        {"segmented I frame", SealedText("03 21 10", apdu, 0xA8), K::Beep, "Segmented HDLC frame", true},
        {"bad HCS", "7E A0 07 03 21 93 0F 02 7E", K::Beep, "Not a decodable HDLC frame: Illegal HCS", true},
        {"line break inside the frame", "7E A0 07 03 21\r\n93 0F 01 7E", K::Beep,
         "Not a decodable HDLC frame: Illegal hex-character", true},
        {"odd digit count", "7E A0 07 03 21 93 0F 01 7", K::Beep,
         "Not a decodable HDLC frame: HexStrToByteStr: Hex-character missing", true},
        {"just the flag", "7E", K::Beep, "Not a decodable HDLC frame: Illegal length (1)", true},
        {"I frame in lower case", Lower(SealedText("03 21 10", apdu)), K::Translated, kLongUnsignedXml, true},
        {"SNRM in lower case", "7e a0 07 03 21 93 0f 01 7e", K::Beep, "HDLC SNRM frame", true},
        {"lower-case flag, bad HCS", "7e a0 07 03 21 93 0f 02 7e", K::Beep, "Not a decodable HDLC frame: Illegal HCS",
         true},
    };
    for (const auto& row : rows) ExpectOutcome(row, TranslateText(row.Source));
}

TEST(TranslateCommand, FrameDescriptionOnlyWhenAsked) {
    const std::string rr = dtest::SealedText("03 21 31");
    EXPECT_TRUE(TranslateText(rr).FrameDescription.empty());
    const auto described = TranslateText(rr, true);
    EXPECT_EQ(described.Kind, K::Beep);
    EXPECT_EQ(described.FrameDescription,
              (std::vector<std::string>{"Frame(", "  Kind:RR, Dst:'01', Src:'10', P/F:1, Seg:0,", "  N(R):1", ")"}));
    const auto translated = TranslateText(dtest::SealedText("03 21 13", "E6 E6 00 FF 12 01 02"), true);
    EXPECT_EQ(translated.Kind, K::Translated);
    EXPECT_EQ(translated.FrameDescription.size(), 5u);
    EXPECT_EQ(translated.FrameDescription.back(), "LLC(Dst LSAP:E6, Src LSAP:E6 client to server, Quality:00)");
    EXPECT_TRUE(TranslateText("FF 12 01 02", true).FrameDescription.empty());
    EXPECT_TRUE(TranslateText("7E A0 07 03 21 93 0F 02 7E", true).FrameDescription.empty());
}

TEST(TranslateCommand, CaretOfAFailure) {
    const struct {
        const char* Name;
        std::string Source;
        int Position, Line, Column;
    } rows[] = {
        // Hex: twice the octet position, walked over the whole text.
        {"empty", "", 1, 1, 0},
        {"contiguous digits", "FF1201", 4, 1, 6},
        {"past the end of the text", "FF", 2, 1, 2},
        {"blank lines before", "\r\n\r\nFF 12 01", 4, 3, 5},
        {"blank lines of line feeds only", "\n\nFF 12 01", 4, 3, 7},
        {"separators", "FF-12-01", 4, 1, 8},
        {"octets on two lines", "FF\r\n12\r\n01", 4, 3, 1},
        // XML: the reader's position, in characters.
        {"xml", vtest::Xml("<Data>\n  <Bogus Value=\"01\" />\n</Data>\n"), 30, 2, 23},
        {"xml with line feeds only", "<Data>\n  <Bogus Value=\"01\" />\n</Data>\n", 29, 2, 23},
        {"xml after blank lines", "\r\n\r\n" + vtest::Xml("<Data>\n  <Bogus Value=\"01\" />\n</Data>\n"), 30, 4, 19},
        {"xml with two-byte characters", "<Data>\r\n<Bogus Value=\"\xC3\xA9\xC3\xA9\" />", 30, 2, 21},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const auto outcome = TranslateText(row.Source);
        ASSERT_EQ(outcome.Kind, K::EntryFailure) << outcome.Text;
        EXPECT_EQ(outcome.Position, row.Position);
        EXPECT_EQ(outcome.Line, row.Line);
        EXPECT_EQ(outcome.Column, row.Column);
    }
}

TEST(GotoIndex, WalksCharacters) {
    const struct {
        std::string Text;
        int64_t Index;
        int Line, Column;
    } rows[] = {
        {"abc", 0, 1, 0},
        {"abc", 2, 1, 2},
        {"abc", 99, 1, 3},
        {"ab\r\ncd", 3, 2, 0},
        {"ab\r\ncd", 4, 2, 1},
        {"ab\r\ncd", 5, 2, 2},
        {"ab\ncd", 3, 2, 1},
        {"ab\ncd", 4, 2, 2},
        {"ab\rcd", 4, 2, 1},
        {"\n\n\n", 3, 4, 1},
        {"\r\n\r\n", 4, 3, 1},
        {"\xC3\xA9\xE2\x82\xAC" "x", 2, 1, 2},
        {"\xC3\xA9\xE2\x82\xAC" "x", 3, 1, 3},
        {"\t\t", 2, 1, 2},
    };
    for (const auto& row : rows) {
        int line = -1, column = -1;
        vantrel::GotoIndex(row.Text, row.Index, line, column);
        EXPECT_EQ(line, row.Line) << row.Text << " @" << row.Index;
        EXPECT_EQ(column, row.Column) << row.Text << " @" << row.Index;
    }
}

TEST(TranslateCommand, LargePastedApdu) {
    // A Data octet string of 100,000 octets, pasted as lines of dashed hex.
    std::string octets = vtest::Bytes("FF 09 83 01 86 A0");
    for (int i = 0; i < 100000; ++i) octets += static_cast<char>(i * 7);
    const std::string hex = vtest::Hex(octets);
    std::string pasted;
    for (size_t i = 0; i < hex.size(); i += 2) {
        pasted.append(hex, i, 2);
        pasted += (i / 2) % 16 == 15 ? "\r\n" : "-";
    }
    const auto outcome = TranslateText(pasted);
    ASSERT_EQ(outcome.Kind, K::Translated) << outcome.Text;
    const auto back = TranslateText(outcome.Text);
    ASSERT_EQ(back.Kind, K::Translated) << back.Text;
    EXPECT_EQ(back.Text, hex);
}

}  // namespace
