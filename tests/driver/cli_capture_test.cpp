// The command-line translator on captures as users have them: log lines,
// WRAPPER PDUs, dumps and joined segments in --each-line, packet capture
// files built here from real WRAPPER payloads, and --json.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "xmlPdu/security/Cipher.h"

#include "DriverSupport.h"

namespace {

using dtest::TRun;
class CliCapture : public dtest::TCliTest {};

std::vector<nlohmann::json> JsonLines(const std::string& Text) {
    std::vector<nlohmann::json> objects;
    for (size_t at = 0; at < Text.size();) {
        const size_t end = Text.find('\n', at);
        objects.push_back(nlohmann::json::parse(Text.substr(at, end - at)));
        at = end + 1;
    }
    return objects;
}

using dtest::kGetRequest;
using dtest::kGetRequestXml;
// u9n/dlms-cosem, tests/test_udp_message.py: a ciphered data notification in
// a WRAPPER, as a meter sent it over UDP.
const std::string kNotification = vtest::Bytes(
    "00 01 00 01 00 01 00 46 DB 08 2F 19 22 91 99 16 41 03 3B 30 00 00 01 E5 02 5C E9 D2 27 1F D7 8B E8 C2 04 21 1A "
    "91 6A 9D 7F 58 7E 0A 7A 81 4C AD EA 89 E9 59 3F 01 F9 2E A8 C0 87 B5 BD FD EF EA B6 BE CF 28 2D FE 49 C0 8F 5B "
    "E6 DC 84 00");
const std::string kWrappedRequest = vtest::Bytes("00 01 00 10 00 01 00 0D") + vtest::Bytes(kGetRequest);
const std::string kWrappedResponse = vtest::Bytes("00 01 00 01 00 10 00 09 C4 01 C1 00 06 00 00 30 39");

TEST_F(CliCapture, EachLineWithLogLinesWrappersDumpsAndSegments) {
    const std::string s0 = dtest::SealedText("21 03 30", "E6 E7 00 C4 01 C1 00 09 0C 41 42", 0xA8);
    const std::string s1 = dtest::SealedText("21 03 32", "43 44 45 46 47", 0xA8);
    const std::string s2 = dtest::SealedText("21 03 34", "48 49 4A 4B 4C", 0xA0);
    const std::string log = "FF 12 01 02\n"
                            "2026-01-01 12:00:00.123 TX: " + vtest::Hex(kWrappedRequest) + "\n" +
                            "2026-01-01 12:00:00.200 RX <- " + s0 + "\n" +
                            "2026-01-01 12:00:00.300 RX <- " + s1 + "\n" +
                            "2026-01-01 12:00:00.400 RX <- " + s2 + "\n" +
                            "00000000  00 01 00 10 00 01 00 0d  c0 01 c1 00 08 00 00 01  |................|\n"
                            "00000010  00 00 ff 02 00                                    |.....|\n"
                            "\n" + s0 + "\n" + s2 + "\n";
    const TRun run = Run("--each-line", log);
    EXPECT_EQ(run.Status, 1);
    const std::string response = vtest::Xml(R"(
<GetResponse>
  <GetResponseNormal>
    <InvokeIdAndPriority Value="C1" />
    <Result>
      <Data>
        <OctetString Value="\ABCDEFGHIJKL" />
      </Data>
    </Result>
  </GetResponseNormal>
</GetResponse>
)");
    EXPECT_EQ(run.Out, "line 1:\n" + vtest::Xml("\n<Data>\n  <LongUnsigned Value=\"0102\" />\n</Data>\n") +
                           "line 2: [2026-01-01 12:00:00.123 TX:]\n" + kGetRequestXml +
                           "line 3: skipped: Segmented HDLC frame: the APDU continues in the next frames "
                           "[2026-01-01 12:00:00.200 RX <-]\n"
                           "line 4: skipped: Segmented HDLC frame: the APDU continues in the next frames "
                           "[2026-01-01 12:00:00.300 RX <-]\n"
                           "line 5: from lines 3-5 [2026-01-01 12:00:00.400 RX <-]\n" + response +
                           "line 7: from lines 6, 7\n" + kGetRequestXml +
                           "line 9: skipped: Segmented HDLC frame: the APDU continues in the next frames\n"
                           "line 10: error: Broken segmented APDU: N(S) 2 where 1 was due (a segment is missing or "
                           "repeated); lines 9, 10 not translated\n");
    EXPECT_EQ(run.Err, "vantrel-cli: 1 of 8 lines not translated\n");
}

TEST_F(CliCapture, JsonLinesForScripts) {
    const std::string log = "FF 12 01 02\n12:00:01 TX: " + vtest::Hex(kWrappedRequest) + "\nFF 12 01\n" +
                            "<Data><LongUnsigned Value=\"0102\" /></Data>\n" + dtest::SealedText("03 21 31") + "\n";
    const TRun run = Run("--each-line --json", log);
    EXPECT_EQ(run.Status, 1);
    const auto objects = JsonLines(run.Out);
    ASSERT_EQ(objects.size(), 5u);
    EXPECT_EQ(objects[0]["line"], 1);
    EXPECT_EQ(objects[0]["input"], "hex");
    EXPECT_EQ(objects[0]["apdu"], "Data");
    EXPECT_EQ(objects[1]["input"], "wrapper");
    EXPECT_EQ(objects[1]["label"], "12:00:01 TX:");
    EXPECT_EQ(objects[1]["xml"], kGetRequestXml);
    EXPECT_EQ(objects[2]["error"]["message"], "Wrong encoding in pdu");
    EXPECT_EQ(objects[2]["error"]["position"], 4);
    EXPECT_FALSE(objects[2].contains("xml"));
    EXPECT_EQ(objects[3]["input"], "xml");
    EXPECT_EQ(objects[3]["hex"], "FF120102");
    EXPECT_EQ(objects[4]["skipped"], "HDLC RR frame: no APDU to translate");

    const TRun whole = Run("--json --frame", vtest::Hex(kWrappedRequest));
    EXPECT_EQ(whole.Status, 0);
    const auto one = JsonLines(whole.Out);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0]["input"], "wrapper");
    EXPECT_EQ(one[0]["apdu"], "GetRequest");
    EXPECT_EQ(one[0]["frame"][0], "Wrapper(Version:0001, Src:0010, Dst:0001, Length:13)");
}

TEST_F(CliCapture, WrapperOnTheCommandLine) {
    TRun run = Run("--frame", vtest::Hex(kWrappedRequest));
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "Wrapper(Version:0001, Src:0010, Dst:0001, Length:13)\n" + kGetRequestXml);
    run = Run("", "00 01 00 10 00 01 00 0E " + std::string(kGetRequest));
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "<stdin>:1:0: WRAPPER length 14 does not match the 13 octets after its header\n");
}

// A capture file written here: pcap, Ethernet, IPv4, TCP and UDP.
class TPcap {
public:
    TPcap() {
        Le32(0xA1B2C3D4);
        Le16(2);
        Le16(4);
        Le32(0);
        Le32(0);
        Le32(65535);
        Le32(1);
    }
    // A record; Captured shorter than the packet when the capture cut it.
    void Packet(const std::string& Frame, size_t Captured = std::string::npos) {
        const size_t n = std::min(Captured, Frame.size());
        Le32(1767268800 + FCount / 1000);
        Le32(FCount++ % 1000 * 1000);
        Le32(static_cast<uint32_t>(n));
        Le32(static_cast<uint32_t>(Frame.size()));
        FBytes.append(Frame, 0, n);
    }
    // An IPv4 packet in an Ethernet frame; Tcp with its sequence number and flags.
    static std::string Ip(int Protocol, uint8_t From, uint16_t FromPort, uint8_t To, uint16_t ToPort,
                          const std::string& Payload, uint32_t Sequence = 0, uint8_t Flags = 0x18) {
        std::string transport;
        const auto be16 = [&](uint32_t v) { transport += {static_cast<char>(v >> 8), static_cast<char>(v)}; };
        be16(FromPort);
        be16(ToPort);
        if (Protocol == 6) {
            be16(Sequence >> 16);
            be16(Sequence & 0xFFFF);
            be16(0);
            be16(0);
            transport += {'\x50', static_cast<char>(Flags), '\xFF', '\xFF', 0, 0, 0, 0};
        } else {
            be16(8 + Payload.size());
            be16(0);
        }
        const size_t total = 20 + transport.size() + Payload.size();
        std::string frame = vtest::Bytes("02 00 00 00 00 02 02 00 00 00 00 01 08 00 45 00");
        frame += {static_cast<char>(total >> 8), static_cast<char>(total), 0, 1, 0x40, 0, 0x40, static_cast<char>(Protocol),
                  0, 0, 10, 0, 0, static_cast<char>(From), 10, 0, 0, static_cast<char>(To)};
        return frame + transport + Payload;
    }
    const std::string& Bytes() const { return FBytes; }
    void Cut(size_t Octets) { FBytes.resize(FBytes.size() - Octets); }

private:
    void Le16(uint32_t v) { FBytes += {static_cast<char>(v), static_cast<char>(v >> 8)}; }
    void Le32(uint32_t v) {
        Le16(v & 0xFFFF);
        Le16(v >> 16);
    }
    std::string FBytes;
    unsigned FCount = 0;
};

TEST_F(CliCapture, PacketCaptureReassembledInSequenceOrder) {
    TPcap pcap;
    const uint16_t client = 50000;
    pcap.Packet(TPcap::Ip(6, 1, client, 2, 4059, "", 1000, 0x02));                         // 1 SYN
    pcap.Packet(TPcap::Ip(6, 2, 4059, 1, client, "", 5000, 0x12));                         // 2 SYN ACK
    pcap.Packet(TPcap::Ip(6, 1, client, 2, 4059, kWrappedRequest.substr(0, 10), 1001));     // 3 half a PDU
    pcap.Packet(TPcap::Ip(6, 1, client, 2, 4059, kWrappedRequest.substr(10), 1011));        // 4 the rest
    pcap.Packet(TPcap::Ip(6, 1, client, 2, 4059, kWrappedRequest, 1001));                   // 5 retransmitted
    const std::string answer = kNotification + kWrappedResponse;
    pcap.Packet(TPcap::Ip(6, 2, 4059, 1, client, answer.substr(40), 5041));                // 6 ahead of a gap
    pcap.Packet(TPcap::Ip(6, 2, 4059, 1, client, answer.substr(0, 40), 5001));             // 7 fills it: two PDUs
    pcap.Packet(TPcap::Ip(17, 3, 4059, 4, 4059, kNotification));                           // 8 UDP
    pcap.Packet(TPcap::Ip(6, 1, 40000, 2, 80, kWrappedRequest, 1));                        // 9 another port
    const TRun run = Run("--json {in}", pcap.Bytes(), "meter.pcap");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const auto units = JsonLines(run.Out);
    ASSERT_EQ(units.size(), 4u) << run.Out;
    const struct {
        int Packet;
        const char* Apdu;
        const char* Source;
    } expected[] = {{4, "GetRequest", "10.0.0.1:50000"},
                    {7, "GeneralGloCiphering", "10.0.0.2:4059"},
                    {7, "GetResponse", "10.0.0.2:4059"},
                    {8, "GeneralGloCiphering", "10.0.0.3:4059"}};
    for (size_t i = 0; i < units.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(units[i]["packet"], expected[i].Packet);
        EXPECT_EQ(units[i]["input"], "pcap");
        EXPECT_EQ(units[i]["apdu"], expected[i].Apdu);
        EXPECT_EQ(units[i]["source"], expected[i].Source);
    }
    EXPECT_EQ(units[0]["time"], "2026-01-01T12:00:00.003000Z");
    EXPECT_EQ(units[0]["xml"], kGetRequestXml);

    // Plain text, the other port followed.
    const TRun plain = Run("--port 80 {in}", pcap.Bytes(), "meter.pcap");
    EXPECT_EQ(plain.Status, 0);
    EXPECT_EQ(plain.Out, "packet 9: [2026-01-01T12:00:00.008000Z 10.0.0.1:40000 -> 10.0.0.2:80]\n" + kGetRequestXml);
}

TEST_F(CliCapture, TruncatedAndCutShortCaptures) {
    TPcap pcap;
    pcap.Packet(TPcap::Ip(6, 1, 50000, 2, 4059, kWrappedRequest.substr(0, 10), 1001));
    const std::string cut = TPcap::Ip(6, 1, 50000, 2, 4059, kWrappedRequest.substr(10), 1011);
    pcap.Packet(cut, cut.size() - 4);                                                     // snap length
    pcap.Packet(TPcap::Ip(6, 1, 50000, 2, 4059, kWrappedRequest, 1022));                  // resumes here
    pcap.Packet(TPcap::Ip(17, 3, 4059, 4, 4059, kNotification));
    pcap.Cut(30);                                                                         // the file ends early
    const TRun run = Run("{in}", pcap.Bytes(), "cut.pcap");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "packet 2: error: TCP segment 10.0.0.1:50000 -> 10.0.0.2:4059 captured without its last 4 "
                       "octets; the stream resumes at the next WRAPPER header\n"
                       "packet 3: [2026-01-01T12:00:00.002000Z 10.0.0.1:50000 -> 10.0.0.2:4059]\n" +
                           kGetRequestXml + "packet 4: error: the capture ends early: truncated dump file; tried to read " +
                           std::to_string(kNotification.size() + 42) + " captured bytes, only got " +
                           std::to_string(kNotification.size() + 42 - 30) + "\n");
    EXPECT_EQ(run.Err, "vantrel-cli: " + FDir + "/cut.pcap: 2 of 3 APDUs not translated\n");

    // Not a capture at all after its magic number.
    const TRun broken = Run("{in}", std::string("\xD4\xC3\xB2\xA1", 4) + "xx", "broken.pcap");
    EXPECT_EQ(broken.Status, 3);
    EXPECT_TRUE(broken.Err.starts_with("vantrel-cli: cannot read the capture")) << broken.Err;
    EXPECT_EQ(Run("--port 0 {in}", "").Status, 2);
}

// The ciphered session of the public Go DLMS client's tests
// ("TestClient_CompleteSecureCommunication": AARQ, AARE, ded GET request and
// response) as WRAPPER PDUs over UDP: with the keys alone, the system titles
// of the AARQ and AARE serve the GET that follows.
TEST_F(CliCapture, CipheredSessionDeciphersWithTheTitlesOfItsAssociation) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    const char* const apdus[] = {
        "6066A109060760857405080103A60A040843495200000000018A0207808B0760857405080201AC0A80084A7553363642435A"
        "BE3404322130300000005992D807DBCF8533E9AD675AE0948241FB8E6CF9AFA7006BAA134A473C9151B3362F56DC12F89E85DA97E176",
        "6148A109060760857405080103A203020100A305A103020100A40A04084C475A2022604828"
        "BE230421281F300000005AE916783AF33B5317AD0E453A799A65F26AE97660CF8B14FEB7B0",
        "D01E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF",
        "D4233000000001AA07A549F82E6B8EEA919659D91689BF995BE6F93C95A7208718A3B84EE4",
    };
    TPcap pcap;
    bool fromClient = true;
    for (const char* hex : apdus) {
        const std::string apdu = vtest::Bytes(hex);
        const std::string pdu = std::string("\x00\x01\x00\x10\x00\x01", 6) +
                                std::string{static_cast<char>(apdu.size() >> 8), static_cast<char>(apdu.size())} + apdu;
        pcap.Packet(fromClient ? TPcap::Ip(17, 1, 4059, 2, 4059, pdu) : TPcap::Ip(17, 2, 4059, 1, 4059, pdu));
        fromClient = !fromClient;
    }
    const std::string keys = "--key BlockCipherKey=00112233445566778899AABBCCDDEEFF "
                             "--key AuthenticationKey=00112233445566778899AABBCCDDEEFF "
                             "--key DedicatedKey=5E168412318BA71848C99B2B2AB33294 ";
    const TRun run = Run(keys + "{in}", pcap.Bytes(), "session.pcap");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out.find("<!--"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("<ded_GetRequest>\r\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("<ded_GetResponse>\r\n"), std::string::npos) << run.Out;
    // Without keys the same capture stays opaque.
    EXPECT_NE(Run("{in}", pcap.Bytes(), "session.pcap").Out.find("<ded_GetRequest Value="), std::string::npos);
}

// Data blocks of two meters answering over UDP, interleaved: joined per
// endpoint pair, the packets named; one left unfinished at the end.
TEST_F(CliCapture, DataBlocksJoinedPerEndpointPair) {
    const auto wrapped = [](const char* Apdu) {
        const std::string apdu = vtest::Bytes(Apdu);
        return vtest::Bytes("00 01 00 01 00 10 00") + static_cast<char>(apdu.size()) + apdu;
    };
    TPcap pcap;
    pcap.Packet(TPcap::Ip(17, 2, 4059, 1, 4059, wrapped("C4 02 C1 00 00000001 00 01 12")));  // 1 meter 2, block 1
    pcap.Packet(TPcap::Ip(17, 3, 4059, 1, 4059, wrapped("C4 02 C1 00 00000001 00 01 12")));  // 2 meter 3, block 1
    pcap.Packet(TPcap::Ip(17, 3, 4059, 1, 4059, wrapped("C4 02 C1 01 00000002 00 02 0007")));  // 3 meter 3, last
    pcap.Packet(TPcap::Ip(17, 2, 4059, 1, 4059, wrapped("C4 02 C1 00 00000002 00 02 0005")));  // 4 meter 2, block 2
    const TRun run = Run("--json {in}", pcap.Bytes(), "blocks.pcap");
    EXPECT_EQ(run.Status, 0) << run.Err;
    const auto units = JsonLines(run.Out);
    ASSERT_EQ(units.size(), 6u) << run.Out;
    EXPECT_EQ(units[3]["packet"], 3);
    EXPECT_EQ(units[3]["input"], "blocks");
    EXPECT_EQ(units[3]["joined_from"], nlohmann::json::parse("[2, 3]"));
    EXPECT_EQ(units[3]["xml"], vtest::Xml("\n<!-- GetResponse data blocks 1-2 of invoke id 1 joined from packets 2, 3 --> \n") +
                                   vtest::ToXml("C4 01 C1 00 12 0007").Text);
    EXPECT_EQ(units[5]["packet"], 4);
    EXPECT_EQ(units[5]["joined_from"], nlohmann::json::parse("[1, 4]"));
    EXPECT_EQ(units[5]["not_joined"], "GetResponse data blocks of invoke id 1 from packets 1, 4: the input ended before "
                                      "the last block");
}

}  // namespace
