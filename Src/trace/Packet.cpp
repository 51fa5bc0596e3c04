#include "Packet.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

#include "../translate/Frame.h"
#include "../translate/Wrapper.h"
#include "../../xmlPdu/INFRA/Errors.h"
#include "../../xmlPdu/types/COSEMpdu.h"

namespace vantrel::trace {

namespace {

using F = TPacketFault;

uint16_t U16(std::string_view s, size_t at) noexcept {
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) << 8 | static_cast<uint8_t>(s[at + 1]));
}
uint32_t U32(std::string_view s, size_t at) noexcept { return static_cast<uint32_t>(U16(s, at)) << 16 | U16(s, at + 2); }

// A header that does not fit: cut by the capture when the packet was longer
// on the wire than captured, else the packet's own fault.
F Short(std::string_view Captured, size_t Wire, size_t Needed, F Otherwise) noexcept {
    return Captured.size() < Wire && Captured.size() < Needed ? F::CutShort : Otherwise;
}

// Ip: the IP packet as captured; HeaderEnd..Total: the transport segment
// (Total within the packet on the wire).
F Transport(std::string_view Ip, size_t HeaderEnd, size_t Total, int Protocol, TPacket& Packet) {
    const size_t end = std::min(Total, Ip.size());  // without link-layer padding
    const std::string_view t = Ip.substr(HeaderEnd, end - HeaderEnd);
    const size_t onWire = Total - HeaderEnd;
    size_t header = 0;
    size_t payloadEnd = onWire;
    if (Protocol == 6) {
        if (onWire < 20) return F::BadTcpHeader;
        if (t.size() < 20) return F::CutShort;
        header = (static_cast<uint8_t>(t[12]) >> 4) * 4u;
        if (header < 20 || header > onWire) return F::BadTcpHeader;
        if (header > t.size()) return F::CutShort;
        Packet.Tcp = true;
        Packet.Sequence = U32(t, 4);
        const uint8_t flags = static_cast<uint8_t>(t[13]);
        Packet.Fin = flags & 0x01;
        Packet.Syn = flags & 0x02;
        Packet.Rst = flags & 0x04;
    } else if (Protocol == 17) {
        if (onWire < 8) return F::BadUdpLength;
        if (t.size() < 8) return F::CutShort;
        header = 8;
        payloadEnd = U16(t, 4);
        if (payloadEnd < 8 || payloadEnd > onWire) return F::BadUdpLength;
        Packet.Tcp = false;
        Packet.Syn = Packet.Fin = Packet.Rst = false;
    } else {
        return F::NotTcpOrUdp;
    }
    Packet.SourcePort = U16(t, 0);
    Packet.DestinationPort = U16(t, 2);
    Packet.Payload = t.substr(header, std::min(t.size(), payloadEnd) - header);
    Packet.PayloadOnWire = payloadEnd - header;
    return F::None;
}

F Ipv4(std::string_view Ip, size_t Wire, TPacket& Packet) {
    if (Ip.size() < 20) return Short(Ip, Wire, 20, F::BadIpHeader);
    const size_t header = (static_cast<uint8_t>(Ip[0]) & 15u) * 4u;
    if (header < 20) return F::BadIpHeader;
    if (header > Ip.size()) return Short(Ip, Wire, header, F::BadIpHeader);
    const size_t total = U16(Ip, 2);
    if (total < header || total > Wire) return F::BadIpLength;
    if ((U16(Ip, 6) & 0x3FFF) != 0) return F::Fragment;
    Packet.Ipv6 = false;
    std::memset(Packet.Source, 0, sizeof Packet.Source);
    std::memset(Packet.Destination, 0, sizeof Packet.Destination);
    std::memcpy(Packet.Source, Ip.data() + 12, 4);
    std::memcpy(Packet.Destination, Ip.data() + 16, 4);
    return Transport(Ip, header, total, static_cast<uint8_t>(Ip[9]), Packet);
}

F Ipv6(std::string_view Ip, size_t Wire, TPacket& Packet) {
    if (Ip.size() < 40) return Short(Ip, Wire, 40, F::BadIpHeader);
    const size_t total = 40 + static_cast<size_t>(U16(Ip, 4));
    if (total == 40 && Ip[6] == 0) return F::BadIpLength;  // a jumbogram's length is elsewhere: not read
    if (total > Wire) return F::BadIpLength;
    int next = static_cast<uint8_t>(Ip[6]);
    size_t at = 40;
    while (next == 0 || next == 43 || next == 60) {  // hop-by-hop, routing, destination options
        if (at + 8 > total) return F::BadIpHeader;
        if (at + 8 > Ip.size()) return F::CutShort;
        next = static_cast<uint8_t>(Ip[at]);
        at += (static_cast<uint8_t>(Ip[at + 1]) + 1u) * 8u;
    }
    if (next == 44) return F::Fragment;
    if (at > total) return F::BadIpHeader;
    if (at > Ip.size()) return F::CutShort;
    Packet.Ipv6 = true;
    std::memcpy(Packet.Source, Ip.data() + 8, 16);
    std::memcpy(Packet.Destination, Ip.data() + 24, 16);
    return Transport(Ip, at, total, next, Packet);
}

// Version: 4 or 6 when the link layer says which, 0 when the first octet
// tells (raw IP).
F Ip(std::string_view Ip, size_t Wire, int Version, TPacket& Packet) {
    if (Ip.empty()) return Short(Ip, Wire, 1, F::BadIpHeader);
    const int found = static_cast<uint8_t>(Ip[0]) >> 4;
    if (Version != 0 && found != Version) return F::BadIpHeader;
    switch (found) {
    case 4: return Ipv4(Ip, Wire, Packet);
    case 6: return Ipv6(Ip, Wire, Packet);
    default: return F::BadIpHeader;
    }
}

// The IP version an EtherType names; 0 for another protocol.
int EtherTypeVersion(uint16_t Type) noexcept { return Type == 0x0800 ? 4 : Type == 0x86DD ? 6 : 0; }

// The IP version a BSD loopback family names (in either byte order); 0 for
// another protocol.
int FamilyVersion(uint32_t Family) noexcept {
    switch (Family) {
    case 2: return 4;
    case 10: case 24: case 28: case 30: return 6;  // Linux, NetBSD/OpenBSD, FreeBSD, macOS
    default: return 0;
    }
}

}  // namespace

std::string_view PacketFaultText(TPacketFault Fault) noexcept {
    switch (Fault) {
    case F::None: return "";
    case F::NotIp: return "neither IPv4 nor IPv6";
    case F::NotTcpOrUdp: return "neither TCP nor UDP";
    case F::LinkType: return "a link-layer type not read";
    case F::CutShort: return "cut short by the capture's snapshot length";
    case F::Fragment: return "IP fragment";
    case F::BadLinkHeader: return "link-layer header longer than the packet";
    case F::BadIpHeader: return "bad IP header (version or header length)";
    case F::BadIpLength: return "bad IP length (shorter than its header or longer than the packet)";
    case F::BadTcpHeader: return "bad TCP header length";
    case F::BadUdpLength: return "bad UDP length";
    }
    return "";
}

TPacketFault DecodePacket(int LinkType, std::string_view Captured, size_t WireLength, TPacket& Packet) {
    const size_t wire = std::max(WireLength, Captured.size());
    size_t at = 0;
    int version = 0;
    const auto header = [&](size_t Size) { return Captured.size() >= Size; };
    switch (LinkType) {
    case kLinkEthernet: {
        at = 12;
        if (!header(at + 2)) return Short(Captured, wire, at + 2, F::BadLinkHeader);
        uint16_t type = U16(Captured, at);
        while (type == 0x8100 || type == 0x88A8 || type == 0x9100) {
            at += 4;
            if (!header(at + 2)) return Short(Captured, wire, at + 2, F::BadLinkHeader);
            type = U16(Captured, at);
        }
        at += 2;
        version = EtherTypeVersion(type);
        if (version == 0) return F::NotIp;
        break;
    }
    case kLinkNull:
    case kLinkLoop: {
        at = 4;
        if (!header(at)) return Short(Captured, wire, at, F::BadLinkHeader);
        uint32_t family;
        std::memcpy(&family, Captured.data(), 4);
        version = FamilyVersion(LinkType == kLinkLoop ? ntohl(family) : family);
        if (version == 0 && LinkType == kLinkNull) version = FamilyVersion(ntohl(family));  // written elsewhere
        if (version == 0) return F::NotIp;
        break;
    }
    case kLinkLinuxSll:
        at = 16;
        if (!header(at)) return Short(Captured, wire, at, F::BadLinkHeader);
        version = EtherTypeVersion(U16(Captured, 14));
        if (version == 0) return F::NotIp;
        break;
    case kLinkLinuxSll2:
        at = 20;
        if (!header(at)) return Short(Captured, wire, at, F::BadLinkHeader);
        version = EtherTypeVersion(U16(Captured, 0));
        if (version == 0) return F::NotIp;
        break;
    case kLinkRaw: break;
    case kLinkIpv4: version = 4; break;
    case kLinkIpv6: version = 6; break;
    default: return F::LinkType;
    }
    Packet.Payload = {};
    Packet.PayloadOnWire = 0;
    return Ip(Captured.substr(at), wire - at, version, Packet);
}

std::string EndpointText(const TPacket& Packet, bool Source) {
    char address[INET6_ADDRSTRLEN] = "";
    const uint8_t* octets = Source ? Packet.Source : Packet.Destination;
    inet_ntop(Packet.Ipv6 ? AF_INET6 : AF_INET, octets, address, sizeof address);
    const std::string port = std::to_string(Source ? Packet.SourcePort : Packet.DestinationPort);
    return Packet.Ipv6 ? "[" + std::string(address) + "]:" + port : std::string(address) + ":" + port;
}

bool HoldsWrapperPdus(std::string_view Payload) noexcept {
    if (Payload.empty()) return false;
    while (!Payload.empty()) {
        if (!StartsWithWrapper(Payload)) return false;
        const TWrapperHeader h = ReadWrapperHeader(Payload);
        if (h.Source >= 0x4000 || h.Destination >= 0x4000 || (h.Source == 0 && h.Destination == 0)) return false;
        if (h.Length == 0 || kWrapperHeaderSize + h.Length > Payload.size()) return false;
        const uint8_t tag = static_cast<uint8_t>(Payload[kWrapperHeaderSize]);
        if (tag == 0xFF || !T_COSEMpdu::kTable.FindTag(tag)) return false;  // FF: a bare Data value, no APDU
        Payload.remove_prefix(kWrapperHeaderSize + h.Length);
    }
    return true;
}

bool OpensWithHdlcFrame(std::string_view Payload) noexcept {
    size_t p = 0;
    while (p + 1 < Payload.size() && Payload[p] == '\x7E' && Payload[p + 1] == '\x7E') ++p;
    if (p + 3 > Payload.size() || Payload[p] != '\x7E' || (static_cast<uint8_t>(Payload[p + 1]) & 0xF0) != 0xA0)
        return false;
    const size_t length = (static_cast<uint8_t>(Payload[p + 1]) & 7u) << 8 | static_cast<uint8_t>(Payload[p + 2]);
    if (length < 2 || p + length + 2 > Payload.size() || Payload[p + length + 1] != '\x7E') return false;
    try {
        TFrame frame;
        frame.SetFromPduByteStr(Payload.substr(p, length + 2));
        return true;
    } catch (const EVantrelError&) {
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace vantrel::trace
