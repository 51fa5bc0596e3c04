// The command-line translator on captures as users have them: log lines,
// WRAPPER PDUs, dumps and joined segments in --each-line, packet capture
// files built here from real WRAPPER payloads, and --json.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <vector>

#include "Src/cli/Capture.h"
#include "Src/cli/UnitWriter.h"

#include "xmlPdu/security/Cipher.h"

#include "CaptureSupport.h"
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

using ctest::TPcap;

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
    ASSERT_EQ(units.size(), 5u) << run.Out;
    const struct {
        int Packet;
        const char* Apdu;
        const char* Source;
    } expected[] = {{4, "GetRequest", "10.0.0.1:50000"},
                    {7, "GeneralGloCiphering", "10.0.0.2:4059"},
                    {7, "GetResponse", "10.0.0.2:4059"},
                    {8, "GeneralGloCiphering", "10.0.0.3:4059"},
                    {9, "GetRequest", "10.0.0.1:40000"}};  // recognised by its WRAPPER PDU
    for (size_t i = 0; i < units.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(units[i]["packet"], expected[i].Packet);
        EXPECT_EQ(units[i]["input"], "pcap");
        EXPECT_EQ(units[i]["apdu"], expected[i].Apdu);
        EXPECT_EQ(units[i]["source"], expected[i].Source);
    }
    EXPECT_EQ(units[0]["time"], "2026-01-01T12:00:00.003000Z");
    EXPECT_EQ(units[0]["xml"], kGetRequestXml);

    // Plain text, the other port alone followed.
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
    EXPECT_EQ(run.Err, "vantrel-cli: " + FDir + "/cut.pcap: 1 packet dropped: cut short by the capture's snapshot length "
                       "(packet 2)\n"
                       "vantrel-cli: " + FDir + "/cut.pcap: 2 errors in the capture; 1 APDU translated\n");

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

// The head line of each unit ("packet 3: ..." without its label), the
// element name of a translation after it: "packet 3: GetRequest".
std::vector<std::string> Heads(const std::string& Out) {
    std::vector<std::string> heads;
    bool named = true;
    for (size_t at = 0; at < Out.size();) {
        const size_t end = Out.find('\n', at);
        std::string line = Out.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with("packet ")) {
            if (const size_t label = line.find(" ["); label != std::string::npos && line.back() == ']') line.resize(label);
            heads.push_back(line);
            named = false;
        } else if (line.starts_with("<") && !named) {
            heads.back() += " " + std::string(vantrel::cli::RootElementName(line));
            named = true;
        }
    }
    return heads;
}

// Payloads of DLMS on TCP port 4063 in the sample captures of a public
// Wireshark dissector (htanwar922/wireshark-dlms, Output.pcap, packets 1-3,
// 9-12, 263, 264): WRAPPER PDUs from wPort 0001 to 0001.
const char* const kPort4063Session[] = {
    "000100010001001f601da109060760857405080101be10040e01000000065f1f0400001e5dffff",
    "000100010001002b6129a109060760857405080101a203020100a305a103020100be10040e0800065f1f0400001e5d04000007",
    "000100010001000dc00181000f0000280000ff0200",
    "000100010001002ac40181000102020412000809060000010000ff0f02120000020412000309060101151900ff0f02120000",
    "000100010001000dc0018100070100630100ff0300",
    "000100010001000cc401810009060000280000ff",
    "00010001000100056203800100",
    "00010001000100176311800100be0f040e0800065f1f0400001e5d04000007",
};

TEST_F(CliCapture, DlmsOnAnotherPortFoundByItsWrapperPdus) {
    TPcap pcap;
    uint32_t sequence[2] = {1000, 9000};
    bool fromClient = true;
    for (const char* hex : kPort4063Session) {
        const std::string payload = vtest::Bytes(hex);
        uint32_t& next = sequence[fromClient ? 0 : 1];
        pcap.Packet(fromClient ? TPcap::Ip(6, 1, 38966, 2, 4063, payload, next) : TPcap::Ip(6, 2, 4063, 1, 38966, payload, next));
        next += static_cast<uint32_t>(payload.size());
        fromClient = !fromClient;
        // Other traffic between: DNS, Modbus/TCP, HTTP.
        pcap.Packet(TPcap::Ip(17, 1, 40001, 9, 53, vtest::Bytes("00 01 01 00 00 01 00 00 00 00 00 00 00 00 01 00 01")));
        pcap.Packet(TPcap::Ip(6, 1, 40002, 3, 502, vtest::Bytes("00 01 00 00 00 06 01 03 00 00 00 0A"), next));
        pcap.Packet(TPcap::Ip(6, 1, 40003, 4, 80, "GET / HTTP/1.1\r\nHost: meter\r\n\r\n", next));
    }
    const TRun run = Run("{in}", pcap.Bytes(), "4063.pcap");
    EXPECT_EQ(run.Status, 0) << run.Err;
    // The meter of this public capture writes its release response's BER
    // lengths other than they add up: the XML gives other octets, and says so.
    EXPECT_EQ(run.Err, FDir + "/4063.pcap: packet 29: warning: the XML gives other octets from octet 2 on: the input "
                              "has 11 80 01 00 BE 0F 04 0E ..., the XML 15 80 01 00 BE 10 04 0E ...\n");
    EXPECT_EQ(Heads(run.Out), (std::vector<std::string>{
                                  "packet 1: AssociationRequest", "packet 5: AssociationResponse", "packet 9: GetRequest",
                                  "packet 13: GetResponse", "packet 17: GetRequest", "packet 21: GetResponse",
                                  "packet 25: ReleaseRequest", "packet 29: ReleaseResponse"}));
    // --port N follows that port alone.
    const TRun other = Run("--port 5000 {in}", pcap.Bytes(), "4063.pcap");
    EXPECT_EQ(other.Status, 1);
    EXPECT_EQ(other.Out, "");
    EXPECT_EQ(other.Err, "vantrel-cli: " + FDir + "/4063.pcap: no DLMS found in 32 packets on port 5000; the TCP and UDP "
                         "ports that carried data: TCP 80 (8 packets), TCP 502 (8 packets), TCP 4063 (8 packets), "
                         "UDP 53 (8 packets)\n");
    EXPECT_EQ(Heads(Run("--port 4063 {in}", pcap.Bytes(), "4063.pcap").Out).size(), 8u);
}

// Traffic that must not be taken for DLMS, each alone in a capture: nothing
// found, and the port named.
TEST_F(CliCapture, OtherTrafficIsNotTakenForDlms) {
    const struct {
        const char* Name;
        int Protocol;
        uint16_t Port;
        std::string Payload;
    } rows[] = {
        {"Modbus/TCP transaction 1", 6, 502, vtest::Bytes("00 01 00 00 00 06 01 03 00 00 00 0A")},
        {"DNS query with id 1", 17, 53, vtest::Bytes("00 01 01 00 00 01 00 00 00 00 00 00 00 00 01 00 01")},
        {"a WRAPPER header whose length does not fit", 6, 7000, vtest::Bytes("00 01 00 10 00 01 00 20 C0 01 C1 00 08")},
        {"a WRAPPER length that leaves octets", 17, 7001, ctest::Wrapped(vtest::Bytes(kGetRequest)) + "\x01"},
        {"wPorts beyond 3FFF", 6, 7002, vtest::Bytes("00 01 80 00 FF FF 00 02 C0 01")},
        {"no APDU tag", 17, 7003, vtest::Bytes("00 01 00 10 00 01 00 02 00 01")},
        {"a bare Data value", 6, 7004, vtest::Bytes("00 01 00 10 00 01 00 04 FF 12 01 02")},
        {"an HDLC-like frame with a bad check sequence", 6, 7005, vtest::Bytes("7E A0 07 03 03 93 8C 12 7E")},
        {"HTTP", 6, 80, "GET / HTTP/1.1\r\n\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TPcap pcap;
        pcap.Packet(TPcap::Ip(row.Protocol, 1, 40000, 2, row.Port, row.Payload, 1));
        const TRun run = Run("{in}", pcap.Bytes(), "other.pcap");
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, "vantrel-cli: " + FDir + "/other.pcap: no DLMS found in 1 packet; the TCP and UDP ports that "
                           "carried data: " + (row.Protocol == 6 ? "TCP " : "UDP ") + std::to_string(row.Port) +
                           " (1 packet) (--port N reads one of them as DLMS)\n");
    }
    TPcap empty;
    empty.Packet(TPcap::Ip(6, 1, 40000, 2, 7000, "", 1, 0x02));
    EXPECT_EQ(Run("{in}", empty.Bytes(), "syn.pcap").Err,
              "vantrel-cli: " + FDir + "/syn.pcap: no DLMS found in 1 packet; no TCP or UDP packet carried data\n");
}

// A capture that begins inside a conversation: the octets before its first
// WRAPPER PDU are named, the rest translated.
TEST_F(CliCapture, CaptureBeginningInsideAConversation) {
    TPcap pcap;
    pcap.Packet(TPcap::Ip(6, 2, 4063, 1, 50001, vtest::Bytes("0F 02 12 00 00"), 100));  // the end of a response
    pcap.Packet(TPcap::Ip(6, 1, 50001, 2, 4063, kWrappedRequest, 700));
    pcap.Packet(TPcap::Ip(6, 2, 4063, 1, 50001, vtest::Bytes("00 00") + kWrappedResponse, 105));
    pcap.Packet(TPcap::Ip(6, 2, 4063, 1, 50001, kWrappedResponse, 124));
    const TRun run = Run("{in}", pcap.Bytes(), "late.pcap");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(Heads(run.Out), (std::vector<std::string>{
                                  "packet 2: error: TCP 10.0.0.1:50001 <-> 10.0.0.2:4063: 5 octets in 1 segment from "
                                  "packet 1 on, before its first WRAPPER PDU, not read",
                                  "packet 2: GetRequest", "packet 4: GetResponse"}));
    EXPECT_EQ(run.Err, "vantrel-cli: " + FDir + "/late.pcap: 1 error in the capture; 2 APDUs translated\n");
}

// Frames of the sample capture of bearxiong99/wireshark-dlms (sample.pcap,
// HDLC in UDP datagrams to port 4059: packets 1, 2, 4-6, 8-10).
const char* const kHdlcInUdp[] = {
    "7ea0070303938c117e",
    "7ea01e03037340cc818012050180060180070400000001080400000001533b7e",
    "7ea037030330efcae6e7006129a109060760857405080101a203020100a305a103020100be10040e0800065f1f040000181d007d000751b37e",
    "7ea0190321dc1fd6e6e600c001c1000f0000280000ff0700292d7e",
    "7ea0112103fcc5b4e6e700c401c1010373827e",
    "7ea8890303da4517e6e700c402c10000000001008180013c020412000809060000010000ff0f02120000020412000309060100010800ff"
    "0f02120000020412000309060100010801ff0f02120000020412000309060100010802ff0f02120000020412000309060100010803ff0f"
    "02120000020412000309060100010804ff0f02120000020412009d2b7e",
    "7ea0070303d19a707e",
    "7ea0170303dcde680309060100010805ff0f0212000061587e",
};

TEST_F(CliCapture, HdlcFramesInUdpAndTcp) {
    std::vector<std::string> frames;
    for (const char* hex : kHdlcInUdp) frames.push_back(vtest::Bytes(hex));
    const std::vector<std::string> heads = {
        "packet 1: skipped: HDLC SNRM frame: no APDU to translate",
        "packet 2: skipped: HDLC UA frame: no APDU to translate",
        "packet 3: AssociationResponse",
        "packet 4: GetRequest",
        "packet 5: GetResponse",
        "packet 6: skipped: Segmented HDLC frame: the APDU continues in the next frames",
        "packet 7: skipped: HDLC RR frame: no APDU to translate",
        "packet 8: from packets 6, 8 GetResponse",
    };
    TPcap udp;
    for (const std::string& f : frames) udp.Packet(TPcap::Ip(17, 1, 0, 2, 4059, f));
    // Then a segmented APDU whose second frame has N(S) 2 where 1 is due.
    udp.Packet(TPcap::Ip(17, 1, 0, 2, 4059, dtest::Sealed("03 03 10", "E6 E7 00 C4 01", 0xA8)));
    udp.Packet(TPcap::Ip(17, 1, 0, 2, 4059, dtest::Sealed("03 03 14", "C1 00")));
    TRun run = Run("{in}", udp.Bytes(), "udp.pcap");
    EXPECT_EQ(run.Status, 1) << run.Err;
    std::vector<std::string> broken = heads;
    broken.push_back("packet 9: skipped: Segmented HDLC frame: the APDU continues in the next frames");
    broken.push_back("packet 10: error: Broken segmented APDU: N(S) 2 where 1 was due (a segment is missing or "
                     "repeated); packets 9, 10 not translated");
    // The GetResponse of packet 8 is a first data block whose last never comes.
    broken.push_back("packet 8: not joined: GetResponse data blocks of invoke id 1 from packet 8: the input ended "
                     "before the last block");
    EXPECT_EQ(Heads(run.Out), broken);
    // The same frames as a serial-to-TCP converter sends them, on port 10001:
    // cut anywhere, several to a segment, with noise and a damaged frame.
    std::string stream = "AT\r";
    for (const std::string& f : frames) stream += f;
    std::string damaged = frames[4];
    damaged[damaged.size() - 2] ^= 0x10;
    stream += damaged;
    TPcap tcp;
    tcp.Packet(TPcap::Ip(6, 1, 50000, 2, 10001, frames[0], 1));  // recognised by its first frame
    uint32_t sequence = 1 + static_cast<uint32_t>(frames[0].size());
    for (size_t at = 0; at < stream.size(); at += 37) {
        const std::string piece = stream.substr(at, 37);
        tcp.Packet(TPcap::Ip(6, 1, 50000, 2, 10001, piece, sequence));
        sequence += static_cast<uint32_t>(piece.size());
    }
    run = Run("{in}", tcp.Bytes(), "tcp.pcap");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(Heads(run.Out),
              (std::vector<std::string>{
                  "packet 1: skipped: HDLC SNRM frame: no APDU to translate",
                  "packet 2: error: TCP stream 10.0.0.1:50000 -> 10.0.0.2:10001: 3 octets that open no HDLC frame skipped",
                  "packet 2: skipped: HDLC SNRM frame: no APDU to translate",
                  "packet 3: skipped: HDLC UA frame: no APDU to translate",
                  "packet 4: AssociationResponse",
                  "packet 5: GetRequest",
                  "packet 5: GetResponse",
                  "packet 9: skipped: Segmented HDLC frame: the APDU continues in the next frames",
                  "packet 9: skipped: HDLC RR frame: no APDU to translate",
                  "packet 10: from packets 9, 10 GetResponse",
                  "packet 11: error: TCP stream 10.0.0.1:50000 -> 10.0.0.2:10001: Not a decodable HDLC frame: Illegal FCS",
                  "packet 10: not joined: GetResponse data blocks of invoke id 1 from packet 10: the input ended before "
                  "the last block",
              }));
    EXPECT_EQ(run.Err, FDir + "/tcp.pcap: packet 10: warning: not joined: GetResponse data blocks of invoke id 1 from "
                              "packet 10: the input ended before the last block\nvantrel-cli: " +
                           FDir + "/tcp.pcap: 2 errors in the capture; 4 APDUs translated\n");
}

// Every link-layer type read, in pcap and pcapng files, IPv4 and IPv6.
TEST_F(CliCapture, EveryLinkTypeInBothFileFormats) {
    for (int link : {0, 1, 101, 108, 113, 228, 229, 276}) {
        SCOPED_TRACE(link);
        const bool v6 = link == 229;
        const std::string ip = v6 ? ctest::Ipv6(17, 1, 2, ctest::Udp(4059, 4059, kWrappedRequest))
                                  : ctest::Ipv4(17, 1, 2, ctest::Udp(4059, 4059, kWrappedRequest));
        const std::string tcp = v6 || link == 228 ? "" : ctest::Framed(link, ctest::Ipv6(6, 1, 2, ctest::Tcp(50000, 7000, 1, 0x18, kWrappedResponse)));
        TPcap pcap(link);
        ctest::TPcapng ng(link);
        pcap.Packet(ctest::Framed(link, ip));
        ng.Packet(ctest::Framed(link, ip));
        if (!tcp.empty()) {
            pcap.Packet(tcp);
            ng.Packet(tcp);
        }
        const std::vector<std::string> expected =
            tcp.empty() ? std::vector<std::string>{"packet 1: GetRequest"}
                        : std::vector<std::string>{"packet 1: GetRequest", "packet 2: GetResponse"};
        for (const std::string* file : {&pcap.Bytes(), &ng.Bytes()}) {
            const TRun run = Run("{in}", *file, "link.pcap");
            EXPECT_EQ(run.Status, 0) << run.Err;
            EXPECT_EQ(Heads(run.Out), expected);
        }
    }
}

TEST_F(CliCapture, DroppedPacketsAreCountedAndNamed) {
    const std::string good = TPcap::Ip(17, 1, 4059, 2, 4059, kWrappedRequest);
    const auto changed = [&](size_t At, char Value) {
        std::string p = good;
        p[At] = Value;
        return p;
    };
    constexpr size_t ip = 14;
    TPcap pcap;
    pcap.Packet(good);                                          // 1
    pcap.Packet(changed(ip + 6, 0x20));                         // 2 a fragment
    pcap.Packet(changed(ip + 2, 0x7F));                         // 3 an IP length beyond the packet
    pcap.Packet(TPcap::Ip(6, 1, 50000, 2, 4059, kWrappedRequest, 1));
    std::string tcp = TPcap::Ip(6, 1, 50000, 2, 4059, kWrappedRequest, 1);
    tcp[ip + 20 + 12] = 0x30;
    pcap.Packet(tcp);                                           // 5 a TCP header of 12 octets
    pcap.Packet(changed(ip + 20 + 5, 0x03));                    // 6 a UDP length of 3
    pcap.Packet(good, 30);                                      // 7 cut inside the IP header
    pcap.Packet(changed(ip + 7, 0x10));                         // 8 a fragment
    pcap.Packet(changed(ip + 9, 0x01));                         // 9 ICMP: other traffic
    pcap.Packet(changed(13, 0x06));                             // 10 ARP: other traffic
    const std::string name = FDir + "/drops.pcap";
    const std::string drops = "vantrel-cli: " + name + ": 1 packet dropped: cut short by the capture's snapshot "
                              "length (packet 7)\n"
                              "vantrel-cli: " + name + ": 2 packets dropped: IP fragment (packets 2, 8)\n"
                              "vantrel-cli: " + name + ": 1 packet dropped: bad IP length (shorter than its header or "
                              "longer than the packet) (packet 3)\n"
                              "vantrel-cli: " + name + ": 1 packet dropped: bad TCP header length (packet 5)\n"
                              "vantrel-cli: " + name + ": 1 packet dropped: bad UDP length (packet 6)\n";
    TRun run = Run("{in}", pcap.Bytes(), "drops.pcap");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(Heads(run.Out), (std::vector<std::string>{"packet 1: GetRequest", "packet 4: GetRequest"}));
    EXPECT_EQ(run.Err, drops);
    run = Run("--strict {in}", pcap.Bytes(), "drops.pcap");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, drops);

    // A link-layer type not read drops every packet.
    TPcap user(105);
    for (int i = 0; i < 7; ++i) user.Packet(kWrappedRequest);
    run = Run("{in}", user.Bytes(), "user.pcap");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "vantrel-cli: " + FDir + "/user.pcap: 7 packets dropped: link-layer type 105 (IEEE802_11) not read "
                       "(packets 1, 2, 3, 4, 5, ...)\n"
                       "vantrel-cli: " + FDir + "/user.pcap: no DLMS found in 7 packets; no TCP or UDP packet carried data\n");

    // Notes of a translation are warnings; --strict makes them fail.
    TPcap noted;
    noted.Packet(TPcap::Ip(17, 1, 4059, 2, 4059, ctest::Wrapped(vtest::Bytes("FF 12 01 02 03 04"))));
    run = Run("{in}", noted.Bytes(), "noted.pcap");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, FDir + "/noted.pcap: packet 1: warning: 2 octets after the end of the APDU: 03 04\n");
    EXPECT_EQ(Run("--strict {in}", noted.Bytes(), "noted.pcap").Status, 1);
}

// Sessions that close are freed: any number of them follow one another.
TEST_F(CliCapture, ClosedConnectionsAreFreedAndIdleOnesAgedOut) {
    TPcap pcap;
    for (int i = 0; i < 5000; ++i)
        ctest::Session(pcap, static_cast<uint8_t>(2 + i % 200), static_cast<uint16_t>(40000 + i), 4059, kWrappedRequest,
                       kWrappedResponse);
    for (int i = 0; i < 20000; ++i) {  // connections refused
        pcap.Packet(TPcap::Ip(6, 3, static_cast<uint16_t>(20000 + i), 1, 4059, "", 77, 0x02));
        pcap.Packet(TPcap::Ip(6, 1, 4059, 3, static_cast<uint16_t>(20000 + i), "", 0, 0x14));
    }
    ctest::Session(pcap, 4, 50000, 4059, kWrappedRequest, kWrappedResponse);
    TRun run = Run("{in}", pcap.Bytes(), "sessions.pcap");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(Heads(run.Out).size(), 10002u);

    // Connections never answered fill the table; once they have been idle
    // long enough, new ones are followed again.
    TPcap open;
    for (size_t i = 0; i <= vantrel::cli::kMaxConversations; ++i)
        open.Packet(TPcap::Ip(6, 3, static_cast<uint16_t>(1000 + i), 1, 4059, "", 77, 0x02));
    ctest::Session(open, 4, 50000, 4059, kWrappedRequest, kWrappedResponse);
    open.Advance(vantrel::cli::kIdleSeconds + 1);
    ctest::Session(open, 4, 50001, 4059, kWrappedRequest, kWrappedResponse);
    run = Run("{in}", open.Bytes(), "open.pcap");
    EXPECT_EQ(run.Status, 1);
    const long long limit = static_cast<long long>(vantrel::cli::kMaxConversations) + 1;
    EXPECT_EQ(Heads(run.Out), (std::vector<std::string>{
                                  "packet " + std::to_string(limit) + ": error: more than 16384 conversations at once: "
                                  "new ones are not followed until others close (the first: 10.0.0.3:17384 -> "
                                  "10.0.0.1:4059)",
                                  "packet " + std::to_string(limit + 12) + ": GetRequest",
                                  "packet " + std::to_string(limit + 13) + ": GetResponse"}));
    EXPECT_EQ(run.Err, "vantrel-cli: " + FDir + "/open.pcap: 5 packets dropped: of conversations beyond the 16384 "
                       "followed at once (packets 16385, 16386, 16387, 16389, 16390)\n"
                       "vantrel-cli: " + FDir + "/open.pcap: 1 error in the capture; 2 APDUs translated\n");
}

TEST_F(CliCapture, CapturesAndLogsThroughPipes) {
    TPcap pcap;
    pcap.Packet(TPcap::Ip(17, 1, 4059, 2, 4059, kWrappedRequest));
    std::string log;
    for (int i = 0; i < 3000; ++i) log += std::string(kGetRequest) + "\n";  // more than a buffer's worth
    const auto piped = [&](const std::string& Input, const std::string& Args) {
        std::ofstream(InputPath("piped"), std::ios::binary) << Input;
        const std::string command = "cat '" + InputPath("piped") + "' | '" + VANTREL_CLI_PATH + "' " + Args + " > '" +
                                    FDir + "/out' 2> '" + FDir + "/err'";
        EXPECT_EQ(std::system(command.c_str()), 0) << Args << dtest::ReadFile(FDir + "/err");
        return dtest::ReadFile(FDir + "/out");
    };
    for (const char* args : {"", "-", "/dev/stdin"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(piped(pcap.Bytes(), args), "packet 1: [2026-01-01T12:00:00.000000Z 10.0.0.1:4059 -> 10.0.0.2:4059]\n" +
                                                 kGetRequestXml);
        const std::string lines = piped(log, std::string("--each-line ") + args);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3000 * 11);
        EXPECT_TRUE(lines.starts_with("line 1:\n<GetRequest>")) << lines.substr(0, 40);
    }
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
