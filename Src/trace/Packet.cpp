#include "Packet.h"

#include <arpa/inet.h>

#include <cstring>

namespace vantrel::trace {

namespace {

uint16_t U16(std::string_view s, size_t at) noexcept {
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) << 8 | static_cast<uint8_t>(s[at + 1]));
}
uint32_t U32(std::string_view s, size_t at) noexcept { return static_cast<uint32_t>(U16(s, at)) << 16 | U16(s, at + 2); }

bool Transport(std::string_view Ip, size_t HeaderEnd, size_t End, size_t WireEnd, int Protocol, TPacket& Packet,
               const char*& Why) {
    const std::string_view t = Ip.substr(HeaderEnd, End - HeaderEnd);
    size_t header = 0;
    if (Protocol == 6) {
        if (t.size() < 20) return Why = "TCP header cut short", false;
        header = (static_cast<uint8_t>(t[12]) >> 4) * 4u;
        if (header < 20 || header > t.size()) return Why = "TCP header cut short", false;
        Packet.Tcp = true;
        Packet.Sequence = U32(t, 4);
        const uint8_t flags = static_cast<uint8_t>(t[13]);
        Packet.Fin = flags & 0x01;
        Packet.Syn = flags & 0x02;
        Packet.Rst = flags & 0x04;
    } else if (Protocol == 17) {
        if (t.size() < 8) return Why = "UDP header cut short", false;
        header = 8;
        Packet.Tcp = false;
    } else {
        return Why = "neither TCP nor UDP", false;
    }
    Packet.SourcePort = U16(t, 0);
    Packet.DestinationPort = U16(t, 2);
    Packet.Payload = t.substr(header);
    Packet.PayloadOnWire = WireEnd > HeaderEnd + header ? WireEnd - HeaderEnd - header : 0;
    return true;
}

bool Ipv4(std::string_view Ip, size_t WireLength, TPacket& Packet, const char*& Why) {
    if (Ip.size() < 20) return Why = "IP header cut short", false;
    const size_t header = (static_cast<uint8_t>(Ip[0]) & 15u) * 4u;
    const size_t total = U16(Ip, 2);
    if (header < 20 || header > Ip.size() || total < header) return Why = "IP header cut short", false;
    if ((U16(Ip, 6) & 0x3FFF) != 0) return Why = "IP fragment", false;
    Packet.Ipv6 = false;
    std::memset(Packet.Source, 0, sizeof Packet.Source);
    std::memset(Packet.Destination, 0, sizeof Packet.Destination);
    std::memcpy(Packet.Source, Ip.data() + 12, 4);
    std::memcpy(Packet.Destination, Ip.data() + 16, 4);
    const size_t end = total < Ip.size() ? total : Ip.size();  // without link-layer padding
    const size_t wireEnd = total < WireLength ? total : WireLength;
    return Transport(Ip, header, end, wireEnd, static_cast<uint8_t>(Ip[9]), Packet, Why);
}

bool Ipv6(std::string_view Ip, size_t WireLength, TPacket& Packet, const char*& Why) {
    if (Ip.size() < 40) return Why = "IPv6 header cut short", false;
    const size_t total = 40 + static_cast<size_t>(U16(Ip, 4));
    int next = static_cast<uint8_t>(Ip[6]);
    size_t at = 40;
    while (next == 0 || next == 43 || next == 60) {  // hop-by-hop, routing, destination options
        if (at + 8 > Ip.size()) return Why = "IPv6 header cut short", false;
        next = static_cast<uint8_t>(Ip[at]);
        at += (static_cast<uint8_t>(Ip[at + 1]) + 1u) * 8u;
    }
    if (next == 44) return Why = "IP fragment", false;
    if (at > Ip.size()) return Why = "IPv6 header cut short", false;
    Packet.Ipv6 = true;
    std::memcpy(Packet.Source, Ip.data() + 8, 16);
    std::memcpy(Packet.Destination, Ip.data() + 24, 16);
    const size_t end = total < Ip.size() ? total : Ip.size();
    const size_t wireEnd = total < WireLength ? total : WireLength;
    if (at > end) return Why = "IPv6 header cut short", false;
    return Transport(Ip, at, end, wireEnd, next, Packet, Why);
}

bool Ip(std::string_view Ip, size_t WireLength, TPacket& Packet, const char*& Why) {
    if (Ip.empty()) return Why = "no IP header", false;
    switch (static_cast<uint8_t>(Ip[0]) >> 4) {
    case 4: return Ipv4(Ip, WireLength, Packet, Why);
    case 6: return Ipv6(Ip, WireLength, Packet, Why);
    default: return Why = "neither IPv4 nor IPv6", false;
    }
}

}  // namespace

bool DecodePacket(int LinkType, std::string_view Captured, size_t WireLength, TPacket& Packet, const char*& Why) {
    size_t at = 0;
    switch (LinkType) {
    case kLinkEthernet: {
        at = 12;
        if (Captured.size() < at + 2) return Why = "Ethernet header cut short", false;
        uint16_t type = U16(Captured, at);
        while (type == 0x8100 || type == 0x88A8) {
            at += 4;
            if (Captured.size() < at + 2) return Why = "Ethernet header cut short", false;
            type = U16(Captured, at);
        }
        at += 2;
        if (type != 0x0800 && type != 0x86DD) return Why = "neither IPv4 nor IPv6", false;
        break;
    }
    case kLinkNull:
    case kLinkLoop: at = 4; break;
    case kLinkLinuxSll: at = 16; break;
    case kLinkLinuxSll2: at = 20; break;
    case kLinkRaw:
    case kLinkIpv4:
    case kLinkIpv6: at = 0; break;
    default: return Why = "link-layer type not understood", false;
    }
    if (Captured.size() < at) return Why = "link-layer header cut short", false;
    return Ip(Captured.substr(at), WireLength > at ? WireLength - at : 0, Packet, Why);
}

std::string EndpointText(const TPacket& Packet, bool Source) {
    char address[INET6_ADDRSTRLEN] = "";
    const uint8_t* octets = Source ? Packet.Source : Packet.Destination;
    inet_ntop(Packet.Ipv6 ? AF_INET6 : AF_INET, octets, address, sizeof address);
    const std::string port = std::to_string(Source ? Packet.SourcePort : Packet.DestinationPort);
    return Packet.Ipv6 ? "[" + std::string(address) + "]:" + port : std::string(address) + ":" + port;
}

}  // namespace vantrel::trace
