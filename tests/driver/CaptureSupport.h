// Capture files written by the tests: pcap and pcapng records around IPv4
// and IPv6 packets with TCP or UDP, in the link-layer framings the capture
// reader knows, and whole TCP sessions.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "TestSupport.h"

namespace ctest {

inline void Be16(std::string& To, uint32_t V) { To += {static_cast<char>(V >> 8), static_cast<char>(V)}; }
inline void Be32(std::string& To, uint32_t V) {
    Be16(To, V >> 16);
    Be16(To, V & 0xFFFF);
}
inline void Le16(std::string& To, uint32_t V) { To += {static_cast<char>(V), static_cast<char>(V >> 8)}; }
inline void Le32(std::string& To, uint32_t V) {
    Le16(To, V & 0xFFFF);
    Le16(To, V >> 16);
}

// A TCP header (20 octets, no options) and its payload.
inline std::string Tcp(uint16_t FromPort, uint16_t ToPort, uint32_t Sequence, uint8_t Flags, const std::string& Payload) {
    std::string t;
    Be16(t, FromPort);
    Be16(t, ToPort);
    Be32(t, Sequence);
    Be32(t, 0);
    t += {'\x50', static_cast<char>(Flags), '\xFF', '\xFF', 0, 0, 0, 0};
    return t + Payload;
}

inline std::string Udp(uint16_t FromPort, uint16_t ToPort, const std::string& Payload) {
    std::string t;
    Be16(t, FromPort);
    Be16(t, ToPort);
    Be16(t, 8 + static_cast<uint32_t>(Payload.size()));
    Be16(t, 0);
    return t + Payload;
}

// An IPv4 packet from 10.0.0.From to 10.0.0.To.
inline std::string Ipv4(int Protocol, uint8_t From, uint8_t To, const std::string& Transport) {
    const size_t total = 20 + Transport.size();
    std::string ip = vtest::Bytes("45 00");
    Be16(ip, static_cast<uint32_t>(total));
    ip += {0, 1, 0x40, 0, 0x40, static_cast<char>(Protocol), 0, 0, 10, 0, 0, static_cast<char>(From), 10, 0, 0,
           static_cast<char>(To)};
    return ip + Transport;
}

// An IPv6 packet from 2001:db8::From to 2001:db8::To, with a destination
// options header before the transport when asked.
inline std::string Ipv6(int Protocol, uint8_t From, uint8_t To, const std::string& Transport, bool Options = false) {
    std::string rest = Options ? std::string{static_cast<char>(Protocol), 0, 1, 4, 0, 0, 0, 0} + Transport : Transport;
    std::string ip = vtest::Bytes("60 00 00 00");
    Be16(ip, static_cast<uint32_t>(rest.size()));
    ip += {static_cast<char>(Options ? 60 : Protocol), 64};
    const std::string prefix = vtest::Bytes("20 01 0D B8 00 00 00 00 00 00 00 00 00 00 00");
    ip += prefix + static_cast<char>(From) + prefix + static_cast<char>(To);
    return ip + rest;
}

// Link-layer framings, by the link-layer type of the capture.
inline std::string Ethernet(const std::string& Ip) {
    return vtest::Bytes("02 00 00 00 00 02 02 00 00 00 00 01") + (Ip[0] == 0x45 ? vtest::Bytes("08 00") : vtest::Bytes("86 DD")) +
           Ip;
}
inline std::string Framed(int LinkType, const std::string& Ip) {
    const bool v6 = (static_cast<uint8_t>(Ip[0]) >> 4) == 6;
    std::string f;
    switch (LinkType) {
    case 1: return Ethernet(Ip);
    case 0: Le32(f, v6 ? 10 : 2); return f + Ip;   // BSD loopback, host order
    case 108: Be32(f, v6 ? 24 : 2); return f + Ip; // OpenBSD loopback, network order
    case 113:                                      // Linux cooked v1
        f = vtest::Bytes("00 00 00 01 00 06 02 00 00 00 00 01 00 00");
        Be16(f, v6 ? 0x86DD : 0x0800);
        return f + Ip;
    case 276:                                      // Linux cooked v2
        Be16(f, v6 ? 0x86DD : 0x0800);
        return f + vtest::Bytes("00 00 00 00 00 02 00 01 00 06 02 00 00 00 00 01 00 00") + Ip;
    default: return Ip;                            // raw IP (101, 228, 229)
    }
}

// A pcap file: microsecond timestamps, little-endian. Packets come 1 ms apart
// from 2026-01-01T12:00:00Z on; Advance moves the clock on.
class TPcap {
public:
    explicit TPcap(int LinkType = 1, uint32_t SnapLength = 65535) {
        Le32(FBytes, 0xA1B2C3D4);
        Le16(FBytes, 2);
        Le16(FBytes, 4);
        Le32(FBytes, 0);
        Le32(FBytes, 0);
        Le32(FBytes, SnapLength);
        Le32(FBytes, static_cast<uint32_t>(LinkType));
    }
    // A record; Captured shorter than the packet when the capture cut it.
    void Packet(const std::string& Frame, size_t Captured = std::string::npos) {
        const size_t n = std::min(Captured, Frame.size());
        Le32(FBytes, 1767268800 + FSeconds + FCount / 1000);
        Le32(FBytes, FCount++ % 1000 * 1000);
        Le32(FBytes, static_cast<uint32_t>(n));
        Le32(FBytes, static_cast<uint32_t>(Frame.size()));
        FBytes.append(Frame, 0, n);
    }
    void Advance(uint32_t Seconds) { FSeconds += Seconds; }
    // An IPv4 packet in an Ethernet frame; Tcp with its sequence number and flags.
    static std::string Ip(int Protocol, uint8_t From, uint16_t FromPort, uint8_t To, uint16_t ToPort,
                          const std::string& Payload, uint32_t Sequence = 0, uint8_t Flags = 0x18) {
        return Ethernet(Ipv4(Protocol, From, To,
                             Protocol == 6 ? Tcp(FromPort, ToPort, Sequence, Flags, Payload) : Udp(FromPort, ToPort, Payload)));
    }
    const std::string& Bytes() const { return FBytes; }
    void Cut(size_t Octets) { FBytes.resize(FBytes.size() - Octets); }
    long long Count() const { return FCount; }

private:
    std::string FBytes;
    unsigned FCount = 0;
    uint32_t FSeconds = 0;
};

// A pcapng file: a section header, one interface, enhanced packet blocks.
class TPcapng {
public:
    explicit TPcapng(int LinkType = 1) {
        std::string shb;
        Le32(shb, 0x1A2B3C4D);
        Le16(shb, 1);
        Le16(shb, 0);
        Le32(shb, 0xFFFFFFFF);
        Le32(shb, 0xFFFFFFFF);
        Block(0x0A0D0D0A, shb);
        std::string idb;
        Le16(idb, static_cast<uint32_t>(LinkType));
        Le16(idb, 0);
        Le32(idb, 262144);
        Block(1, idb);
    }
    void Packet(const std::string& Frame, size_t Captured = std::string::npos) {
        const size_t n = std::min(Captured, Frame.size());
        const uint64_t micro = (1767268800ull + FCount / 1000) * 1000000ull + FCount % 1000 * 1000;
        ++FCount;
        std::string epb;
        Le32(epb, 0);
        Le32(epb, static_cast<uint32_t>(micro >> 32));
        Le32(epb, static_cast<uint32_t>(micro));
        Le32(epb, static_cast<uint32_t>(n));
        Le32(epb, static_cast<uint32_t>(Frame.size()));
        epb.append(Frame, 0, n);
        epb.resize((epb.size() + 3) / 4 * 4, '\0');
        Block(6, epb);
    }
    const std::string& Bytes() const { return FBytes; }

private:
    void Block(uint32_t Type, const std::string& Body) {
        Le32(FBytes, Type);
        Le32(FBytes, static_cast<uint32_t>(12 + Body.size()));
        FBytes += Body;
        Le32(FBytes, static_cast<uint32_t>(12 + Body.size()));
    }
    std::string FBytes;
    unsigned FCount = 0;
};

// One TCP session of client 10.0.0.Client (port ClientPort) with the server
// 10.0.0.1 (port Port): the handshake, the request, the answer, both FINs and
// the last ACK (8 packets).
template <class TCapture>
void Session(TCapture& Capture, uint8_t Client, uint16_t ClientPort, uint16_t Port, const std::string& Request,
             const std::string& Answer) {
    const uint16_t port = ClientPort;
    const auto ip = [&](bool FromClient, uint32_t Sequence, uint8_t Flags, const std::string& Payload = "") {
        return FromClient ? TPcap::Ip(6, Client, port, 1, Port, Payload, Sequence, Flags)
                          : TPcap::Ip(6, 1, Port, Client, port, Payload, Sequence, Flags);
    };
    const uint32_t c = 1000;
    const uint32_t s = 9000;
    const auto n = [](const std::string& p) { return static_cast<uint32_t>(p.size()); };
    Capture.Packet(ip(true, c, 0x02));                                  // SYN
    Capture.Packet(ip(false, s, 0x12));                                 // SYN ACK
    Capture.Packet(ip(true, c + 1, 0x10));                              // ACK
    Capture.Packet(ip(true, c + 1, 0x18, Request));
    Capture.Packet(ip(false, s + 1, 0x18, Answer));
    Capture.Packet(ip(true, c + 1 + n(Request), 0x11));                 // FIN
    Capture.Packet(ip(false, s + 1 + n(Answer), 0x11));                 // FIN
    Capture.Packet(ip(true, c + 2 + n(Request), 0x10));                 // the last ACK
}

// A WRAPPER PDU around an APDU: from wPort 0010 to 0001, or back.
inline std::string Wrapped(const std::string& Apdu, bool FromClient = true) {
    std::string pdu = FromClient ? vtest::Bytes("00 01 00 10 00 01") : vtest::Bytes("00 01 00 01 00 10");
    Be16(pdu, static_cast<uint32_t>(Apdu.size()));
    return pdu + Apdu;
}

}  // namespace ctest
