// Packet headers down to the TCP or UDP payload in every link-layer framing
// read, the reasons a packet gives none, and how a payload is recognised as
// DLMS (WRAPPER PDUs, HDLC frames) on a port other than DLMS's own.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "CaptureSupport.h"
#include "DriverSupport.h"
#include "Src/trace/Packet.h"

namespace {

using namespace vantrel::trace;
using F = TPacketFault;

const std::string kPayload = vtest::Bytes("00 01 00 10 00 01 00 02 C0 01");

TEST(Packet, EveryLinkTypeAndIpVersion) {
    const struct {
        int Link;
        bool V6;
        bool Tcp;
        bool Options;
        const char* Source;
    } rows[] = {
        {kLinkEthernet, false, true, false, "10.0.0.1:50000"},
        {kLinkEthernet, true, true, false, "[2001:db8::1]:50000"},
        {kLinkEthernet, true, false, true, "[2001:db8::1]:50000"},  // a destination options header first
        {kLinkNull, false, false, false, "10.0.0.1:50000"},
        {kLinkNull, true, true, false, "[2001:db8::1]:50000"},
        {kLinkLoop, false, true, false, "10.0.0.1:50000"},
        {kLinkLoop, true, false, false, "[2001:db8::1]:50000"},
        {kLinkLinuxSll, false, true, false, "10.0.0.1:50000"},
        {kLinkLinuxSll, true, false, false, "[2001:db8::1]:50000"},
        {kLinkLinuxSll2, false, false, false, "10.0.0.1:50000"},
        {kLinkLinuxSll2, true, true, true, "[2001:db8::1]:50000"},
        {kLinkRaw, false, true, false, "10.0.0.1:50000"},
        {kLinkRaw, true, false, false, "[2001:db8::1]:50000"},
        {kLinkIpv4, false, false, false, "10.0.0.1:50000"},
        {kLinkIpv6, true, true, false, "[2001:db8::1]:50000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.Link) + (row.V6 ? " IPv6" : " IPv4") + (row.Tcp ? " TCP" : " UDP"));
        const std::string transport =
            row.Tcp ? ctest::Tcp(50000, 4059, 77, 0x19, kPayload) : ctest::Udp(50000, 4059, kPayload);
        const std::string ip = row.V6 ? ctest::Ipv6(row.Tcp ? 6 : 17, 1, 2, transport, row.Options)
                                      : ctest::Ipv4(row.Tcp ? 6 : 17, 1, 2, transport);
        const std::string frame = ctest::Framed(row.Link, ip);
        TPacket p;
        ASSERT_EQ(DecodePacket(row.Link, frame, frame.size(), p), F::None);
        EXPECT_EQ(p.Tcp, row.Tcp);
        EXPECT_EQ(p.Ipv6, row.V6);
        EXPECT_EQ(p.Payload, kPayload);
        EXPECT_EQ(p.PayloadOnWire, kPayload.size());
        EXPECT_EQ(EndpointText(p, true), row.Source);
        EXPECT_EQ(p.DestinationPort, 4059);
        if (row.Tcp) {
            EXPECT_EQ(p.Sequence, 77u);
            EXPECT_TRUE(p.Fin);
            EXPECT_FALSE(p.Syn || p.Rst);
        }
        // Cut by the capture within the payload: the payload is what is there,
        // with its length on the wire.
        TPacket cut;
        const std::string captured = frame.substr(0, frame.size() - 3);
        ASSERT_EQ(DecodePacket(row.Link, captured, frame.size(), cut), F::None);
        EXPECT_EQ(cut.Payload, kPayload.substr(0, kPayload.size() - 3));
        EXPECT_EQ(cut.PayloadOnWire, kPayload.size());
    }
}

// Octets of a good packet changed, and what the decoder makes of it.
TEST(Packet, WhyAPacketGivesNoPayload) {
    const std::string udp = ctest::Ethernet(ctest::Ipv4(17, 1, 2, ctest::Udp(50000, 4059, kPayload)));
    const std::string tcp = ctest::Ethernet(ctest::Ipv4(6, 1, 2, ctest::Tcp(50000, 4059, 1, 0x18, kPayload)));
    const std::string v6 = ctest::Ethernet(ctest::Ipv6(17, 1, 2, ctest::Udp(50000, 4059, kPayload)));
    constexpr size_t ip = 14;  // after the Ethernet header
    const struct {
        const char* Name;
        const std::string& Packet;
        std::vector<std::pair<size_t, uint8_t>> Changes;
        F Fault;
    } rows[] = {
        {"ARP", udp, {{13, 0x06}}, F::NotIp},
        {"802.3 length", udp, {{12, 0x00}}, F::NotIp},
        {"IP version 5", udp, {{ip, 0x55}}, F::BadIpHeader},
        {"IPv4 header length 16", udp, {{ip, 0x44}}, F::BadIpHeader},
        {"IPv4 header beyond the packet", udp, {{ip, 0x4F}}, F::BadIpHeader},
        {"IPv4 length below its header", udp, {{ip + 3, 0x10}}, F::BadIpLength},
        {"IPv4 length beyond the packet", udp, {{ip + 2, 0x01}}, F::BadIpLength},
        {"IPv4 more fragments", udp, {{ip + 6, 0x20}}, F::Fragment},
        {"IPv4 fragment offset", udp, {{ip + 7, 0x08}}, F::Fragment},
        {"IPv4 don't fragment", udp, {{ip + 6, 0x40}}, F::None},
        {"ICMP", udp, {{ip + 9, 0x01}}, F::NotTcpOrUdp},
        {"UDP length 7", udp, {{ip + 20 + 5, 0x07}}, F::BadUdpLength},
        {"UDP length beyond the IP packet", udp, {{ip + 20 + 4, 0x01}}, F::BadUdpLength},
        {"TCP header length 16", tcp, {{ip + 20 + 12, 0x40}}, F::BadTcpHeader},
        {"TCP header length beyond the segment", tcp, {{ip + 20 + 12, 0xF0}}, F::BadTcpHeader},
        {"IPv6 fragment header", v6, {{ip + 6, 44}}, F::Fragment},
        {"IPv6 length beyond the packet", v6, {{ip + 4, 0x01}}, F::BadIpLength},
        {"IPv6 jumbogram", v6, {{ip + 4, 0}, {ip + 5, 0}, {ip + 6, 0}}, F::BadIpLength},
        {"IPv6 behind the IPv4 EtherType", v6, {{12, 0x08}, {13, 0x00}}, F::BadIpHeader},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        std::string packet = row.Packet;
        for (const auto& [at, value] : row.Changes) packet[at] = static_cast<char>(value);
        TPacket p;
        EXPECT_EQ(DecodePacket(kLinkEthernet, packet, packet.size(), p), row.Fault);
        if (Dropped(row.Fault)) {
            EXPECT_NE(PacketFaultText(row.Fault), "");
        }
    }
    // Headers cut by the capture, and the same octets as the whole packet.
    for (size_t cut : {size_t{10}, size_t{20}, size_t{40}, size_t{44}}) {
        SCOPED_TRACE(cut);
        TPacket p;
        EXPECT_EQ(DecodePacket(kLinkEthernet, tcp.substr(0, cut), tcp.size(), p), F::CutShort);
        EXPECT_NE(DecodePacket(kLinkEthernet, tcp.substr(0, cut), cut, p), F::CutShort);
    }
    TPacket p;
    EXPECT_EQ(DecodePacket(147, udp, udp.size(), p), F::LinkType);
    std::string arp = ctest::Framed(kLinkLinuxSll2, ctest::Ipv4(17, 1, 2, ctest::Udp(1, 2, "")));
    arp[0] = 0x08;
    arp[1] = 0x06;
    EXPECT_EQ(DecodePacket(kLinkLinuxSll2, arp, arp.size(), p), F::NotIp);
    EXPECT_TRUE(Dropped(F::Fragment));
    EXPECT_FALSE(Dropped(F::NotTcpOrUdp));
}

TEST(Packet, WhatIsTakenForWrapperPdus) {
    const std::string get = vtest::Bytes(dtest::kGetRequest);
    const struct {
        const char* Name;
        std::string Payload;
        bool Taken;
    } rows[] = {
        {"one PDU", ctest::Wrapped(get), true},
        {"two PDUs", ctest::Wrapped(get) + ctest::Wrapped(get, false), true},
        {"an AARQ", ctest::Wrapped(vtest::Bytes("60 1D A1 09 06 07 60 85 74 05 08 01 01")), true},
        {"a length one short", ctest::Wrapped(get) + std::string(1, '\0'), false},
        {"a length one long", ctest::Wrapped(get).substr(0, 20), false},
        {"length 0", vtest::Bytes("00 01 00 10 00 01 00 00"), false},
        {"version 2", vtest::Bytes("00 02 00 10 00 01 00 01 C0"), false},
        {"wPort 4000", vtest::Bytes("00 01 40 00 00 01 00 01 C0"), false},
        {"both wPorts 0", vtest::Bytes("00 01 00 00 00 00 00 01 C0"), false},
        {"tag 00", vtest::Bytes("00 01 00 10 00 01 00 01 00"), false},
        {"a bare Data value", vtest::Bytes("00 01 00 10 00 01 00 02 FF 00"), false},
        // Modbus/TCP, transaction 1: read 10 holding registers.
        {"Modbus/TCP", vtest::Bytes("00 01 00 00 00 06 01 03 00 00 00 0A"), false},
        {"a header alone", vtest::Bytes("00 01 00 10 00 01 00 0D"), false},
        {"nothing", "", false},
    };
    for (const auto& row : rows) EXPECT_EQ(HoldsWrapperPdus(row.Payload), row.Taken) << row.Name;
}

TEST(Packet, WhatIsTakenForHdlcFrames) {
    // An SNRM and a UA of the sample capture of bearxiong99/wireshark-dlms
    // (sample.pcap: HDLC in UDP datagrams).
    const std::string snrm = vtest::Bytes("7E A0 07 03 03 93 8C 11 7E");
    const std::string ua = vtest::Bytes("7E A0 1E 03 03 73 40 CC 81 80 12 05 01 80 06 01 80 07 04 00 00 00 01 08 04 00 00 00 01 53 3B 7E");
    std::string badFcs = ua;
    badFcs[badFcs.size() - 2] ^= 1;
    const struct {
        const char* Name;
        std::string Payload;
        bool Taken;
    } rows[] = {
        {"SNRM", snrm, true},
        {"UA", ua, true},
        {"flags first", "\x7E\x7E" + snrm, true},
        {"two frames sharing a flag", snrm + ua.substr(1), true},
        {"a frame and the start of the next", snrm + ua.substr(0, 10), true},
        {"a frame cut", ua.substr(0, 20), false},
        {"a bad FCS", badFcs, false},
        {"a bad HCS", vtest::Bytes("7E A0 07 03 03 93 8C 12 7E"), false},
        {"format type 1", vtest::Bytes("7E 10 07 03 03 93 8C 11 7E"), false},
        {"no closing flag", vtest::Bytes("7E A0 07 03 03 93 8C 11 7F"), false},
        {"flags alone", "\x7E\x7E\x7E", false},
        {"text", "GET / HTTP/1.1\r\n", false},
    };
    for (const auto& row : rows) EXPECT_EQ(OpensWithHdlcFrame(row.Payload), row.Taken) << row.Name;
}

}  // namespace
