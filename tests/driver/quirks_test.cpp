// The translate command and the command-line translator on what pushing
// meters and their links send: an LLC header before the APDU, octets after
// its end, and HDLC frames that carry no APDU.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "DriverSupport.h"
#include "Src/translate/TranslateCommand.h"

namespace {

using vantrel::TranslateText;
using vantrel::TTranslateOutcome;
using K = TTranslateOutcome::TKind;
using TLines = std::vector<std::string>;

// Kaifa list_1 as the HAN-port decoder github.com/toreamun/amshan has it in
// tests/test_kaifa.py: the information field of the frame, LLC header included.
const std::string kKaifaList1 = "E6 E7 00 0F 40000000 09 0C 07E3020401173416FF800000 0201 06000016DC";
const std::string kKaifaList1Xml = vtest::Xml(R"(
<DataNotification>
  <LongInvokeIdAndPriority Value="40000000" />
  <DateTime>
    <OctetString Value="07E3020401173416FF800000" />
  </DateTime>
  <NotificationBody>
    <DataValue>
      <Structure Qty="0001" >
        <DoubleLongUnsigned Value="000016DC" />
      </Structure>
    </DataValue>
  </NotificationBody>
</DataNotification>
)");
const std::string kServerToClient = "<!-- LLC header E6 E7 00 (server to client) before the APDU --> \r\n";
const std::string kXml0102 = vtest::Xml(R"(
<Data>
  <LongUnsigned Value="0102" />
</Data>
)");

TEST(LlcHeader, TheApduAfterItIsTranslated) {
    const TTranslateOutcome kaifa = TranslateText(kKaifaList1, true);
    ASSERT_EQ(kaifa.Kind, K::Translated) << kaifa.Text;
    EXPECT_EQ(kaifa.Text, kServerToClient + kKaifaList1Xml);
    EXPECT_EQ(kaifa.FrameDescription, (TLines{"LLC(Dst LSAP:E6, Src LSAP:E7 server to client, Quality:00)"}));
    EXPECT_TRUE(kaifa.Notes.empty());
    // Its XML, comment and all, reads back to the APDU without the header.
    const TTranslateOutcome back = TranslateText(kaifa.Text);
    ASSERT_EQ(back.Kind, K::Translated) << back.Text;
    EXPECT_EQ(back.Text, vtest::Norm(kKaifaList1.substr(9)));

    const TTranslateOutcome command = TranslateText("E6E600FF120102");
    EXPECT_EQ(command.Text, "<!-- LLC header E6 E6 00 (client to server) before the APDU --> \r\n" + kXml0102);
    EXPECT_TRUE(command.FrameDescription.empty());  // only when asked for
}

TEST(LlcHeader, OnlyTheTwoHeadersAndTheCaretCountsThem) {
    const struct {
        const char* Source;
        const char* Message;
        int Column;
        int Position;
    } kRows[] = {
        // The same failing GET request with and without the header: the caret
        // moves on by the header's six digits, the position stays in the APDU.
        {"C001C10008000001", "Wrong encoding in pdu", 12, 6},
        {"E6E600C001C10008000001", "Wrong encoding in pdu", 18, 6},
        {"E6E700", "Wrong encoding in pdu", 6, 1},  // the caret stops at the end of the text
        // Anything else beginning with E6 is refused as before.
        {"E6E500FF120102", "T_COSEMpdu : illegal Tag 230", 4, 2},
        {"E6E601FF120102", "T_COSEMpdu : illegal Tag 230", 4, 2},
        {"E6E6", "T_COSEMpdu : illegal Tag 230", 4, 2},
    };
    for (const auto& r : kRows) {
        SCOPED_TRACE(r.Source);
        const TTranslateOutcome o = TranslateText(r.Source);
        EXPECT_EQ(o.Kind, K::EntryFailure);
        EXPECT_EQ(o.Text, r.Message);
        EXPECT_EQ(o.Line, 1);
        EXPECT_EQ(o.Column, r.Column);
        EXPECT_EQ(o.Position, r.Position);
    }
}

TEST(OctetsAfterTheApdu, ANoteOfTheTranslation) {
    const struct {
        const char* Name;
        std::string Source;
        TLines Notes;
    } kRows[] = {
        {"hex", "FF 12 01 02 03 04", {"2 octets after the end of the APDU: 03 04"}},
        {"after an LLC header", "E6 E7 00 FF 12 01 02 7E", {"1 octet after the end of the APDU: 7E"}},
        {"in a frame", dtest::SealedText("03 21 13", "E6 E6 00 FF 12 01 02 00"), {"1 octet after the end of the APDU: 00"}},
        {"none", "FF 12 01 02", {}},
        {"none from XML", kXml0102, {}},
    };
    for (const auto& r : kRows) {
        SCOPED_TRACE(r.Name);
        const TTranslateOutcome o = TranslateText(r.Source);
        EXPECT_EQ(o.Kind, K::Translated) << o.Text;
        EXPECT_EQ(o.Notes, r.Notes);
    }
}

// Link frames around the push: described, and reported as carrying no APDU.
TEST(FramesWithoutApdu, DescribedWithEveryAddressSize) {
    const struct {
        const char* Name;
        const char* AddressesAndControl;
        const char* Info;
        TLines Description;
    } kRows[] = {
        {"SNRM, one-octet addresses", "03 21 93", "", {"Frame(", "  Kind:SNRM, Dst:'01', Src:'10', P/F:1, Seg:0", ")"}},
        {"UA, one-octet addresses, link parameters", "21 03 73", "81 80 12 05 01 80 06 01 80 07 04 00 00 00 01 08 04 00 00 00 01",
         {"Frame(", "  Kind:UA, Dst:'10', Src:'01', P/F:1, Seg:0,",
          "  Info:'818012050180060180070400000001080400000001' size=21( MaxInfoLengthTransmit=128 "
          "MaxInfoLengthReceive=128 WindowSizeTransmit=1 WindowSizeReceive=1)",
          ")"}},
        {"DM, two-octet server address", "21 02 23 1F", "", {"Frame(", "  Kind:DM, Dst:'10', Src:'01 11', P/F:1, Seg:0", ")"}},
        {"RR, two-octet server address", "02 23 21 51", "",
         {"Frame(", "  Kind:RR, Dst:'01 11', Src:'10', P/F:1, Seg:0,", "  N(R):2", ")"}},
        {"SNRM, four-octet server address", "00 02 44 AF 21 93", "",
         {"Frame(", "  Kind:SNRM, Dst:'0001 1157', Src:'10', P/F:1, Seg:0", ")"}},
        {"UA, four-octet server address", "21 00 02 44 AF 73", "",
         {"Frame(", "  Kind:UA, Dst:'10', Src:'0001 1157', P/F:1, Seg:0", ")"}},
        {"DM, four-octet server address", "21 00 02 44 AF 1F", "",
         {"Frame(", "  Kind:DM, Dst:'10', Src:'0001 1157', P/F:1, Seg:0", ")"}},
        {"RR, four-octet server address", "00 02 44 AF 21 F1", "",
         {"Frame(", "  Kind:RR, Dst:'0001 1157', Src:'10', P/F:1, Seg:0,", "  N(R):7", ")"}},
    };
    for (const auto& r : kRows) {
        SCOPED_TRACE(r.Name);
        const TTranslateOutcome o = TranslateText(dtest::SealedText(r.AddressesAndControl, r.Info), true);
        EXPECT_EQ(o.Kind, K::Beep);
        EXPECT_TRUE(o.FrameWithoutApdu);
        EXPECT_EQ(o.Text.substr(o.Text.find(' ')), " " + r.Description[1].substr(7, r.Description[1].find(',') - 7) +
                                                       " frame: no APDU to translate");
        EXPECT_EQ(o.FrameDescription, r.Description);
    }
}

// The command-line translator: warnings, --strict and skipped frames.
class CliQuirks : public testing::Test {
protected:
    struct TRun {
        int Status = -1;
        std::string Out;
        std::string Err;
    };

    void SetUp() override {
        FDir = testing::TempDir() + "vantrel-quirks-" + std::to_string(getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_EQ(std::system(("mkdir -p '" + FDir + "'").c_str()), 0);
    }
    void TearDown() override { std::system(("rm -rf '" + FDir + "'").c_str()); }

    static std::string Read(const std::string& Path) {
        std::ifstream in(Path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    TRun Run(const std::string& Args, const std::string& Input) {
        std::ofstream(FDir + "/in", std::ios::binary) << Input;
        const std::string command = std::string("'") + VANTREL_CLI_PATH + "' " + Args + " < '" + FDir + "/in' > '" +
                                    FDir + "/out' 2> '" + FDir + "/err'";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Read(FDir + "/out"), Read(FDir + "/err")};
    }

    std::string FDir;
};

TEST_F(CliQuirks, OctetsAfterTheApduWarnAndFailOnlyWhenStrict) {
    const std::string warning = "<stdin>: warning: 2 octets after the end of the APDU: 03 04\n";
    const std::string xml = kXml0102 + "<!-- 2 octets after the end of the APDU: 03 04 --> \r\n";
    const TRun plain = Run("", "FF 12 01 02 03 04\n");
    EXPECT_EQ(plain.Status, 0);
    EXPECT_EQ(plain.Out, xml);
    EXPECT_EQ(plain.Err, warning);
    const TRun strict = Run("--strict", "FF 12 01 02 03 04\n");
    EXPECT_EQ(strict.Status, 1);
    EXPECT_EQ(strict.Out, xml);
    EXPECT_EQ(strict.Err, warning);
    // A whole APDU passes --strict.
    const TRun whole = Run("--strict", kKaifaList1);
    EXPECT_EQ(whole.Status, 0);
    EXPECT_EQ(whole.Out, kServerToClient + kKaifaList1Xml);
    EXPECT_EQ(whole.Err, "");

    const std::string log = "FF 12 01 02\nFF 12 01 02 7E\n";
    const TRun lines = Run("--each-line", log);
    EXPECT_EQ(lines.Status, 0);
    EXPECT_EQ(lines.Err, "<stdin>:2: warning: 1 octet after the end of the APDU: 7E\n");
    EXPECT_EQ(Run("--each-line --strict", log).Status, 1);
    EXPECT_EQ(Run("--each-line --strict", "FF 12 01 02\n").Status, 0);
}

TEST_F(CliQuirks, AFrameWithoutApduIsSkippedNotFailed) {
    const std::string snrm = dtest::SealedText("03 21 93");
    for (const char* args : {"", "--strict"}) {
        SCOPED_TRACE(args);
        const TRun run = Run(args, snrm + "\n");
        EXPECT_EQ(run.Status, 0);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, "<stdin>: skipped: HDLC SNRM frame: no APDU to translate\n");
    }
    const TRun described = Run("--frame", snrm);
    EXPECT_EQ(described.Status, 0);
    EXPECT_EQ(described.Out, "Frame(\n  Kind:SNRM, Dst:'01', Src:'10', P/F:1, Seg:0\n)\n");
    // A frame that does not decode still fails.
    EXPECT_EQ(Run("", "7E A0 07 03 21 93 0F 02 7E").Status, 1);
}

}  // namespace
