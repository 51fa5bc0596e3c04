// The headers of a captured packet down to its TCP or UDP payload: Ethernet
// (with VLAN tags), Linux cooked captures (v1 and v2), loopback and raw IP;
// IPv4 and IPv6. Nothing is copied: the payload is a view of the packet.
// Also what a payload opens with when it carries DLMS: WRAPPER PDUs or HDLC
// frames.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::trace {

// Link-layer header types as capture files number them.
enum TLinkType : int {
    kLinkNull = 0,
    kLinkEthernet = 1,
    kLinkRaw = 101,
    kLinkLoop = 108,
    kLinkLinuxSll = 113,
    kLinkIpv4 = 228,
    kLinkIpv6 = 229,
    kLinkLinuxSll2 = 276,
};

struct TPacket {
    bool Ipv6 = false;
    bool Tcp = false;
    uint8_t Source[16] = {};
    uint8_t Destination[16] = {};
    uint16_t SourcePort = 0;
    uint16_t DestinationPort = 0;
    uint32_t Sequence = 0;  // TCP
    bool Syn = false;
    bool Fin = false;
    bool Rst = false;
    // The payload as captured, and how long it was on the wire (longer when
    // the capture cut the packet short).
    std::string_view Payload;
    size_t PayloadOnWire = 0;
};

// Why a packet gives no TCP or UDP payload. The first two are other traffic
// (ARP, ICMP, ...); the others are packets dropped: they may have carried
// DLMS, but cannot be read.
enum class TPacketFault : uint8_t {
    None,
    NotIp,        // a link-layer protocol other than IPv4 and IPv6
    NotTcpOrUdp,  // IP carrying another protocol
    LinkType,     // a link-layer type this reader does not know
    CutShort,     // the capture's snapshot length cut into the headers
    Fragment,     // an IP fragment (fragments are not put together)
    BadLinkHeader,
    BadIpHeader,  // an IP version or header length that does not fit
    BadIpLength,  // an IP length shorter than its header or longer than the packet
    BadTcpHeader, // a TCP header length below 20 octets or beyond the segment
    BadUdpLength, // a UDP length below 8 octets or beyond the IP payload
};
inline constexpr int kPacketFaultCount = static_cast<int>(TPacketFault::BadUdpLength) + 1;

// "IP fragment", "TCP header length beyond the segment"...
std::string_view PacketFaultText(TPacketFault Fault) noexcept;
inline bool Dropped(TPacketFault Fault) noexcept { return Fault >= TPacketFault::LinkType; }

// Reads the headers down to the TCP or UDP payload. WireLength: the
// packet's length on the wire (longer than Captured when the capture cut it).
TPacketFault DecodePacket(int LinkType, std::string_view Captured, size_t WireLength, TPacket& Packet);

// "10.0.0.1:4059", "[2001:db8::1]:4059".
std::string EndpointText(const TPacket& Packet, bool Source);

// Whether Payload holds WRAPPER PDUs and nothing else, each plausible: version
// 0001, both wPorts below 0x4000 (and not both 0), a length of at least 1 and
// an APDU that opens with the tag of an APDU. This is how a TCP stream or UDP
// datagram on another port than the DLMS one is recognised.
bool HoldsWrapperPdus(std::string_view Payload) noexcept;

// Whether Payload opens with a whole HDLC frame (after flags) whose check
// sequences hold: serial-to-IP converters send frames so.
bool OpensWithHdlcFrame(std::string_view Payload) noexcept;

}  // namespace vantrel::trace
