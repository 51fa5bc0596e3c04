// The command-line translator, run as a program: output, messages and exit
// status for whole inputs, capture logs line by line, and usage.
#include <gtest/gtest.h>

#include "DriverSupport.h"
#include "Src/translate/TranslateCommand.h"

namespace {

using dtest::TRun;
class Cli : public dtest::TCliTest {};

const std::string kXml0102 = vtest::Xml(R"(
<Data>
  <LongUnsigned Value="0102" />
</Data>
)");
const std::string kXml0005 = vtest::Xml(R"(
<Data>
  <LongUnsigned Value="0005" />
</Data>
)");
const std::string kUiFrame = dtest::SealedText("03 21 13", "E6 E6 00 FF 12 01 02");
const std::string kRrFrame = dtest::SealedText("03 21 31");

TEST_F(Cli, HexToXmlFromStandardInputOrFile) {
    for (const char* args : {"", "-", "{in}", "-- {in}"}) {
        SCOPED_TRACE(args);
        const TRun run = Run(args, "FF 12 01 02\n");
        EXPECT_EQ(run.Status, 0);
        EXPECT_EQ(run.Out, kXml0102);
        EXPECT_EQ(run.Err, "");
    }
}

TEST_F(Cli, XmlToHex) {
    const TRun run = Run("", kXml0102);
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "FF120102\n");
    EXPECT_EQ(run.Err, "");
}

TEST_F(Cli, FailuresGoToStandardError) {
    const struct {
        const char* Name;
        std::string Input;
        std::string Err;
    } rows[] = {
        {"decoding", "\n\nFF 12 01", "<stdin>:3:7: Wrong encoding in pdu\n"},
        {"xml", "<Data>\n  <Bogus Value=\"01\" />\n</Data>\n", "<stdin>:2:23: 'Bogus' unknown identifier\n"},
        {"hex digits", "FF 1", "<stdin>: HexStrToByteStr: Hex-character missing\n"},
        {"undecodable frame", "7E A0 07 03 21 93 0F 02 7E", "<stdin>: Not a decodable HDLC frame: Illegal HCS\n"},
        {"xml too far in", std::string(80, '\t') + kXml0102,
         "<stdin>: XML must begin within the first 79 characters; its first \"<\" is character 81\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TRun run = Run("", row.Input);
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, row.Err);
    }
    const TRun named = Run("{in}", "FF 12");
    EXPECT_EQ(named.Err, InputPath() + ":1:5: Wrong encoding in pdu\n");
}

TEST_F(Cli, FrameDescriptionBeforeTheTranslation) {
    const TRun run = Run("--frame", kUiFrame + "\n");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "Frame(\n  Kind:UI, Dst:'01', Src:'10', P/F:1, Seg:0,\n  Info:'E6E600FF120102' size=7\n)\n"
                       "LLC(Dst LSAP:E6, Src LSAP:E6 client to server, Quality:00)\n" +
                           kXml0102);
    const TRun rr = Run("--frame", kRrFrame);
    EXPECT_EQ(rr.Status, 0);  // a frame without an APDU is no failure
    EXPECT_EQ(rr.Out, "Frame(\n  Kind:RR, Dst:'01', Src:'10', P/F:1, Seg:0,\n  N(R):1\n)\n");
    EXPECT_EQ(rr.Err, "<stdin>: skipped: HDLC RR frame: no APDU to translate\n");
    // Without a frame there is nothing to describe.
    EXPECT_EQ(Run("--frame", "FF 12 01 02").Out, kXml0102);
}

TEST_F(Cli, EachLineTranslatesACaptureLog) {
    const std::string log = "FF 12 01 02\n"
                            "\n" +
                            kRrFrame + "\n" +
                            "FF 12 01\n"
                            "FF 1\n"
                            "<Data><LongUnsigned Value=\"0102\" /></Data>\n"
                            "   \n" +
                            kUiFrame + "\r\n" +
                            "FF-12-00-05";
    const TRun run = Run("--each-line", log);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "line 1:\n" + kXml0102 +
                           "line 3: skipped: HDLC RR frame: no APDU to translate\n"
                           "line 4: error at octet 4: Wrong encoding in pdu\n"
                           "line 5: error: HexStrToByteStr: Hex-character missing\n"
                           "line 6:\nFF120102\n"
                           "line 8:\n" + kXml0102 + "line 9:\n" + kXml0005);
    EXPECT_EQ(run.Err, "vantrel-cli: 2 of 7 lines not translated\n");

    const TRun clean = Run("--each-line {in}", "FF 12 01 02\r\n" + kUiFrame + "\r\n");
    EXPECT_EQ(clean.Status, 0);
    EXPECT_EQ(clean.Out, "line 1:\n" + kXml0102 + "line 2:\n" + kXml0102);
    EXPECT_EQ(clean.Err, "");
}

TEST_F(Cli, EachLineWithFrameDescriptions) {
    // A frame without an APDU is part of any capture log: skipped, not a failure.
    const TRun run = Run("--each-line --frame", kUiFrame + "\n" + kRrFrame + "\nFF 12 01 02\n");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "line 1:\nFrame(\n  Kind:UI, Dst:'01', Src:'10', P/F:1, Seg:0,\n  Info:'E6E600FF120102' size=7\n)\n"
                       "LLC(Dst LSAP:E6, Src LSAP:E6 client to server, Quality:00)\n" +
                           kXml0102 +
                           "line 2: skipped: HDLC RR frame: no APDU to translate\n"
                           "Frame(\n  Kind:RR, Dst:'01', Src:'10', P/F:1, Seg:0,\n  N(R):1\n)\n"
                           "line 3:\n" + kXml0102);
}

TEST_F(Cli, EachLineReadsLinesLongerThanItsBuffer) {
    // A 150,000-octet string: its line spans several refills of the reader.
    std::string octets = vtest::Bytes("FF 09 83 02 49 F0");
    octets.append(150000, 'A');
    const std::string longLine = vtest::Hex(octets);
    const TRun run = Run("--each-line", "FF 12 01 02\n" + longLine + "\nFF 12 00 05\n");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "line 1:\n" + kXml0102 + "line 2:\n" + vantrel::TranslateText(longLine).Text + "line 3:\n" + kXml0005);
}

TEST_F(Cli, InputTextReachesTheTerminalEscaped) {
    // A log whose labels carry a window title, a screen clear and a cursor
    // move: shown as escapes on stdout, in JSON as JSON escapes them.
    const std::string log = "\x1b]0;owned\x07 TX: FF 12 01 02\n"
                            "\x1b[2J\x1b[1;1H RX: 7E A0 07 03 21 93 0F 01 7E\n";
    const TRun run = Run("--each-line", log);
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "line 1: [\\x1B]0;owned\\x07 TX:]\n" + kXml0102 +
                           "line 2: skipped: HDLC SNRM frame: no APDU to translate [\\x1B[2J\\x1B[1;1H RX:]\n");
    const TRun json = Run("--each-line --json", log);
    EXPECT_NE(json.Out.find(R"("label":"\u001b]0;owned\u0007 TX:")"), std::string::npos) << json.Out;

    // A file name with controls, in a failure and in a warning on stderr.
    const std::string name = "in\x1b[2J.txt";
    const TRun failed = Run("{in}", "FF 12", name);
    EXPECT_EQ(failed.Err, FDir + "/in\\x1B[2J.txt:1:5: Wrong encoding in pdu\n");
    const TRun warned = Run("--each-line {in}", "FF 12 01 02 03\n", name);
    EXPECT_EQ(warned.Err, FDir + "/in\\x1B[2J.txt:1: warning: 1 octet after the end of the APDU: 03\n");
    EXPECT_EQ(Run("'" + FDir + "/\x1b]0;x\x07'").Err,
              "vantrel-cli: cannot open " + FDir + "/\\x1B]0;x\\x07: No such file or directory\n");
}

TEST_F(Cli, InputsBeyondTheirBoundsAreRefused) {
    // A line of 16 MiB and one more character: the lines around it translate.
    std::string input = "FF 12 01 02\n";
    input.append((size_t{16} << 20) + 1, '0');
    input += "\nFF 12 00 05\n";
    const TRun run = Run("--each-line", input);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "line 1:\n" + kXml0102 + "line 2: error: longer than 16 MiB, not read\nline 3:\n" + kXml0005);
    EXPECT_EQ(run.Err, "vantrel-cli: 1 of 3 lines not translated\n");

    // A whole input of 64 MiB and one more octet, from a file and from a pipe.
    const TRun file = Run("{in}", std::string((size_t{64} << 20) + 1, '0'));
    EXPECT_EQ(file.Status, 1);
    EXPECT_EQ(file.Out, "");
    EXPECT_EQ(file.Err, InputPath() + ": larger than 64 MiB, not translated (--each-line reads logs of any size)\n");
    const std::string command = "head -c 67108865 /dev/zero | tr '\\0' 0 | '" + std::string(VANTREL_CLI_PATH) +
                                "' > /dev/null 2> '" + FDir + "/err'";
    const int raw = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(dtest::ReadFile(FDir + "/err"),
              "<stdin>: larger than 64 MiB, not translated (--each-line reads logs of any size)\n");
}

TEST_F(Cli, VersionHelpAndUsage) {
    const TRun version = Run("--version");
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out.rfind("Vantrel 3.6 (", 0), 0u) << version.Out;
    EXPECT_EQ(version.Out.substr(version.Out.size() - 2), ")\n");

    const TRun help = Run("--help");
    EXPECT_EQ(help.Status, 0);
    EXPECT_EQ(help.Out.rfind("usage: vantrel-cli", 0), 0u);
    EXPECT_NE(help.Out.find("--each-line"), std::string::npos);
    EXPECT_EQ(help.Err, "");

    const TRun unknown = Run("--bogus");
    EXPECT_EQ(unknown.Status, 2);
    EXPECT_EQ(unknown.Out, "");
    EXPECT_EQ(unknown.Err.rfind("vantrel-cli: unknown option --bogus\nusage:", 0), 0u);
    EXPECT_EQ(Run("{in} {in}").Status, 2);
}

TEST_F(Cli, InputAndOutputFailures) {
    const TRun missing = Run("'" + FDir + "/missing.txt'");
    EXPECT_EQ(missing.Status, 3);
    EXPECT_EQ(missing.Err, "vantrel-cli: cannot open " + FDir + "/missing.txt: No such file or directory\n");
    if (access("/dev/full", W_OK) == 0) {
        const std::string command = std::string("echo 'FF 12 01 02' | '") + VANTREL_CLI_PATH + "' > /dev/full 2> /dev/null";
        const int raw = std::system(command.c_str());
        EXPECT_EQ(WEXITSTATUS(raw), 3);
    }
}

}  // namespace
