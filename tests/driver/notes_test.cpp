// What the translate command and the command line say of a translation that
// is not exact: XML holding several APDUs (the command line's own output
// pasted back), text after an APDU, octets the XML would not give back, a
// ciphered APDU that does not decipher. Each is a note: a warning on
// standard error, and --strict exits 1.
#include <gtest/gtest.h>

#include "DriverSupport.h"
#include "Src/translate/TranslateCommand.h"
#include "xmlPdu/security/Cipher.h"

namespace {

using vantrel::TranslateText;
using vantrel::TTranslateOutcome;
using K = TTranslateOutcome::TKind;

const char kFive[] = R"(<Data><Unsigned Value="05" /></Data>)";
const char kSix[] = R"(<Data><Unsigned Value="06" /></Data>)";

// The output of vantrel-cli --each-line of a capture log (README): a frame
// skipped, two translations, a line that failed.
const std::string kEachLineOutput = "line 1: skipped: Segmented HDLC frame: the APDU continues in the next frames\n"
                                    "line 2:\n" +
                                    dtest::kGetRequestXml +
                                    "line 4: from lines 3-4 [12:00:01 RX]\n"
                                    "<!-- 2 octets after the end of the APDU: 03 04 --> \r\n"
                                    "<Data>\r\n  <LongUnsigned Value=\"0102\" />\r\n</Data>\r\n"
                                    "line 5: error at octet 8: Wrong encoding in pdu\n"
                                    "packet 7: [2026-01-01T12:00:00.003000Z 10.0.0.1:50000 -> 10.0.0.2:4059]\n" +
                                    std::string(kFive) + "\n";

TEST(Notes, SeveralApdusInXml) {
    struct TRow {
        const char* Name;
        std::string Source;
        K Kind;
        std::string Text;  // the hex lines, or the failure's message
        std::vector<std::string> Notes;
        int Line = 1, Column = 0;  // of a failure
    };
    const TRow kRows[] = {
        {"one", kFive, K::Translated, "FF1105", {}},
        {"two, one a line", std::string(kFive) + "\r\n" + kSix + "\r\n", K::Translated, "FF1105\r\nFF1106", {}},
        {"two on one line", std::string(kFive) + kSix, K::Translated, "FF1105\r\nFF1106", {}},
        {"the command line's output", kEachLineOutput, K::Translated,
         "C001C100080000010000FF0200\r\nFF120102\r\nFF1105", {}},
        {"text after the last", std::string(kFive) + " junk <<<", K::Translated, "FF1105",
         {"8 characters after the end of the APDU: \"junk <<<\""}},
        {"text between", std::string(kFive) + "\nFrame(\n  Kind:I\n)\n" + kSix, K::Translated, "FF1105\r\nFF1106",
         {"17 characters after the end of APDU 1: \"Frame(\\n  Kind:I\\n)\""}},
        // A failure in the second APDU: its message, the caret at its place.
        {"a failure in the second", std::string(kFive) + "\n<Data>\n  <Unsigned Value=\"5\" />\n</Data>", K::EntryFailure,
         "HexStrToByteStr: Hex-character missing", {}, 3, 25},
        {"an unknown element second", std::string(kFive) + "\n<Dato />", K::EntryFailure, "'Dato' unknown identifier",
         {}, 2, 9},
        // Found by fuzzing: the element after the text has an unknown attribute.
        {"an unknown attribute second", std::string(kFive) + " x <Foo Valu=\"1\" />", K::EntryFailure,
         "'Valu' unknown identifier", {}, 1, 48},
        // Text before the first APDU fails as it always did.
        {"text before the first", "hello " + std::string(kFive), K::EntryFailure,
         "T_COSEMpdu.CreateFromXml : illegal choice", {}},
    };
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Name);
        const TTranslateOutcome o = TranslateText(r.Source);
        EXPECT_EQ(o.Kind, r.Kind) << o.Text;
        EXPECT_FALSE(o.HexToXml);
        EXPECT_EQ(o.Text, r.Text);
        EXPECT_EQ(o.Notes, r.Notes);
        if (r.Kind == K::EntryFailure) {
            EXPECT_EQ(o.Line, r.Line);
            EXPECT_EQ(o.Column, r.Column);
        }
    }
}

// The notes of XML with many APDUs are bounded: the count of the others follows.
TEST(Notes, ManyNotesAreCounted) {
    std::string source;
    for (int i = 0; i < 40; ++i) source += std::string(kFive) + "\nx\n";
    const TTranslateOutcome o = TranslateText(source);
    ASSERT_EQ(o.Kind, K::Translated);
    ASSERT_EQ(o.Notes.size(), 33u);
    EXPECT_EQ(o.Notes[0], "1 character after the end of APDU 1: \"x\"");
    EXPECT_EQ(o.Notes[31], "1 character after the end of APDU 32: \"x\"");
    EXPECT_EQ(o.Notes[32], "and 8 more notes of the same kind");
}

// The command line's label lines before the XML do not count for where the
// XML must begin.
TEST(Notes, LabelLinesBeforeTheXml) {
    const std::string label = "line 1: from lines 1-3 [" + std::string(70, 'x') + "]\n";
    EXPECT_EQ(TranslateText(label + kFive).Text, "FF1105");
    // Other text still counts.
    const TTranslateOutcome other = TranslateText(std::string(79, 'x') + "\n" + kFive);
    EXPECT_EQ(other.Kind, K::Beep);
}

class CliNotes : public dtest::TCliTest {};

TEST_F(CliNotes, NotesAreWarningsAndStrictFails) {
    struct TRow {
        const char* Name;
        std::string Args;
        std::string Input;
        std::string Warning;  // empty: none
    };
    const std::string dedGet = "D01E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF";
    const bool cipher = vantrel::cipher::Available();
    const std::vector<TRow> rows = {
        {"exact", "", "FF 09 03 41 42 43", ""},
        {"a length in more octets than it needs", "", "FF 09 81 03 41 42 43",
         "<stdin>: warning: the XML gives other octets from octet 3 on: the input has 81 03 41 42 43, the XML 03 41 42 "
         "43 (7 octets read, 6 from the XML)\n"},
        {"text after the XML", "", std::string(kFive) + " junk",
         "<stdin>: warning: 4 characters after the end of the APDU: \"junk\"\n"},
        {"several APDUs", "", kEachLineOutput, ""},
        {"a ciphered APDU with the wrong key", "--key DedicatedKey=5E168412318BA71848C99B2B2AB33295", dedGet,
         cipher ? "<stdin>: warning: ded_GetRequest not deciphered: no ClientSystemTitle\n" : ""},
        {"a ciphered APDU without keys", "", dedGet, ""},
    };
    for (const TRow& r : rows) {
        SCOPED_TRACE(r.Name);
        const dtest::TRun plain = Run(r.Args, r.Input);
        EXPECT_EQ(plain.Status, 0) << plain.Err;
        EXPECT_EQ(plain.Err, r.Warning);
        const dtest::TRun strict = Run("--strict " + r.Args, r.Input);
        EXPECT_EQ(strict.Status, r.Warning.empty() ? 0 : 1);
        EXPECT_EQ(strict.Out, plain.Out);
    }
}

TEST_F(CliNotes, EachLineOutputTranslatesBack) {
    const std::string log = std::string(dtest::kGetRequest) + "\nFF 12 01 02\nC4 01 C1 00 06 00 00\n";
    const dtest::TRun xml = Run("--each-line", log);
    EXPECT_EQ(xml.Status, 1);  // the last line does not translate
    const dtest::TRun back = Run("--strict", xml.Out);
    EXPECT_EQ(back.Status, 0) << back.Err;
    EXPECT_EQ(back.Out, "C001C100080000010000FF0200\r\nFF120102\n");
}

}  // namespace
