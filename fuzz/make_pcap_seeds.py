#!/usr/bin/env python3
"""Writes the seeds of the capture fuzz target (fuzz/seeds/pcap/).

Each seed holds one kind of content the capture reader follows: pcap in both
byte orders and with nanoseconds, pcapng, IPv6, the link-layer types read
(Linux cooked v1 and v2, BSD loopback, raw IP), TCP with retransmissions,
reordering and gaps, HDLC frames in UDP and TCP, DLMS on another port among
other traffic, and packets cut by the snapshot length or fragmented.

    python3 fuzz/make_pcap_seeds.py fuzz/seeds/pcap
"""
import os
import struct
import sys

GET = bytes.fromhex("C001C100080000010000FF0200")
ANSWER = bytes.fromhex("C401C1000600003039")


def wrapped(apdu, client=True):
    ports = (0x10, 0x01) if client else (0x01, 0x10)
    return struct.pack(">HHHH", 1, ports[0], ports[1], len(apdu)) + apdu


def fcs(octets):
    f = 0xFFFF
    for c in octets:
        f ^= c
        for _ in range(8):
            f = (f >> 1) ^ 0x8408 if f & 1 else f >> 1
    return struct.pack("<H", ~f & 0xFFFF)


def frame(address_control, info=b"", segmented=False):
    """An HDLC frame of format type 3 with its check sequences and flags."""
    length = 2 + len(address_control) + 2 + (len(info) + 2 if info else 0)
    head = struct.pack(">H", (0xA800 if segmented else 0xA000) | length) + address_control
    body = head + fcs(head)
    if info:
        body += info + fcs(body + info)
    return b"\x7e" + body + b"\x7e"


def tcp(sport, dport, seq, flags, payload=b""):
    return struct.pack(">HHIIBBHHH", sport, dport, seq, 0, 0x50, flags, 0xFFFF, 0, 0) + payload


def udp(sport, dport, payload):
    return struct.pack(">HHHH", sport, dport, 8 + len(payload), 0) + payload


def ipv4(proto, src, dst, transport, flags_fragment=0x4000):
    return struct.pack(">BBHHHBBH4s4s", 0x45, 0, 20 + len(transport), 1, flags_fragment, 64, proto, 0,
                       bytes([10, 0, 0, src]), bytes([10, 0, 0, dst])) + transport


def ipv6(proto, src, dst, transport):
    prefix = bytes.fromhex("20010db8000000000000000000000000")[:15]
    return struct.pack(">IHBB", 0x60000000, len(transport), proto, 64) + prefix + bytes([src]) + prefix + bytes([dst]) + transport


def link(linktype, ip):
    v6 = ip[0] >> 4 == 6
    if linktype == 1:
        return bytes.fromhex("020000000002020000000001") + (b"\x86\xdd" if v6 else b"\x08\x00") + ip
    if linktype == 0:
        return struct.pack("<I", 24 if v6 else 2) + ip
    if linktype == 108:
        return struct.pack(">I", 24 if v6 else 2) + ip
    if linktype == 113:
        return bytes.fromhex("0000000100060200000000010000") + (b"\x86\xdd" if v6 else b"\x08\x00") + ip
    if linktype == 276:
        return (b"\x86\xdd" if v6 else b"\x08\x00") + bytes.fromhex("000000000002000100060200000000010000") + ip
    return ip


class Pcap:
    def __init__(self, linktype=1, snaplen=65535, endian="<", nano=False):
        self.e = endian
        self.nano = nano
        magic = 0xA1B23C4D if nano else 0xA1B2C3D4
        self.data = struct.pack(endian + "IHHiIII", magic, 2, 4, 0, 0, snaplen, linktype)
        self.snaplen = snaplen
        self.n = 0

    def add(self, packet):
        captured = packet[: self.snaplen]
        fraction = self.n * (1000000 if self.nano else 1000)
        self.data += struct.pack(self.e + "IIII", 1767268800 + self.n // 1000, fraction % (10**9 if self.nano else 10**6),
                                 len(captured), len(packet)) + captured
        self.n += 1


class Pcapng:
    def __init__(self, linktypes=(1,)):
        self.data = self.block(0x0A0D0D0A, struct.pack("<IHHq", 0x1A2B3C4D, 1, 0, -1))
        for lt in linktypes:
            self.data += self.block(1, struct.pack("<HHI", lt, 0, 262144))
        self.n = 0

    @staticmethod
    def block(kind, body):
        body += b"\0" * (-len(body) % 4)
        return struct.pack("<II", kind, 12 + len(body)) + body + struct.pack("<I", 12 + len(body))

    def add(self, packet, interface=0):
        t = (1767268800 + self.n // 1000) * 1000000 + self.n % 1000 * 1000
        self.data += self.block(6, struct.pack("<IIIII", interface, t >> 32, t & 0xFFFFFFFF, len(packet), len(packet)) + packet)
        self.n += 1


def session(capture, linktype=1, port=4059, v6=False, client=1, server=2, cport=50000):
    ip = ipv6 if v6 else ipv4
    req, ans = wrapped(GET), wrapped(ANSWER, False)
    c, s = 1000, 9000
    for src, dst, sp, dp, seq, flags, payload in [
        (client, server, cport, port, c, 0x02, b""),
        (server, client, port, cport, s, 0x12, b""),
        (client, server, cport, port, c + 1, 0x18, req),
        (server, client, port, cport, s + 1, 0x18, ans),
        (client, server, cport, port, c + 1 + len(req), 0x11, b""),
        (server, client, port, cport, s + 1 + len(ans), 0x11, b""),
        (client, server, cport, port, c + 2 + len(req), 0x10, b""),
    ]:
        capture.add(link(linktype, ip(6, src, dst, tcp(sp, dp, seq, flags, payload))))


def seeds():
    out = {}
    p = Pcapng()
    session(p)
    p.add(link(1, ipv4(17, 3, 4, udp(4059, 4059, wrapped(GET)))))
    out["pcapng-session.pcapng"] = p.data

    p = Pcapng((1, 113))
    p.add(link(1, ipv4(17, 3, 4, udp(4059, 4059, wrapped(GET)))))
    p.add(link(113, ipv4(17, 3, 4, udp(4059, 4059, wrapped(GET)))), 1)
    out["pcapng-two-interfaces.pcapng"] = p.data

    p = Pcap()
    session(p, v6=True)
    out["ipv6-session.pcap"] = p.data

    for lt, name in [(113, "linux-cooked-v1"), (276, "linux-cooked-v2"), (0, "bsd-loopback"), (108, "loop"),
                     (101, "raw-ip"), (228, "raw-ipv4")]:
        p = Pcap(lt)
        session(p, lt)
        p.add(link(lt, ipv4(17, 3, 4, udp(4059, 4059, wrapped(GET)))))
        out[name + ".pcap"] = p.data
    p = Pcap(229)
    session(p, 229, v6=True)
    out["raw-ipv6.pcap"] = p.data

    p = Pcap(endian=">")
    session(p)
    out["big-endian.pcap"] = p.data
    p = Pcap(nano=True)
    session(p)
    out["nanoseconds.pcap"] = p.data

    # Retransmissions, reordering and a gap that is never filled.
    p = Pcap()
    pdus = wrapped(GET) + wrapped(ANSWER) + wrapped(GET)
    for seq, piece in [(1, pdus[:10]), (1, pdus[:10]), (31, pdus[30:]), (11, pdus[10:30]), (5, pdus[4:20])]:
        p.add(link(1, ipv4(6, 1, 2, tcp(50000, 4059, seq, 0x18, piece))))
    p.add(link(1, ipv4(6, 2, 1, tcp(4059, 50000, 500, 0x18, wrapped(ANSWER, False)))))
    p.add(link(1, ipv4(6, 2, 1, tcp(4059, 50000, 600, 0x18, wrapped(ANSWER, False)))))  # after a gap
    p.add(link(1, ipv4(6, 1, 2, tcp(50000, 4059, 1 + len(pdus), 0x04))))                # RST
    out["tcp-retransmissions-and-gaps.pcap"] = p.data

    # HDLC frames in UDP, one a datagram, and in TCP cut anywhere.
    snrm = frame(b"\x03\x21\x93")
    ua = frame(b"\x21\x03\x73")
    get = frame(b"\x03\x21\x10", b"\xe6\xe6\x00" + GET)
    seg1 = frame(b"\x21\x03\x30", b"\xe6\xe7\x00" + ANSWER[:5], segmented=True)
    rr = frame(b"\x03\x21\x31")
    seg2 = frame(b"\x21\x03\x32", ANSWER[5:])
    broken = frame(b"\x21\x03\x36", ANSWER[5:])  # N(S) 3 where 1 is due
    p = Pcap()
    for f in (snrm, ua, get, seg1, rr, seg2, seg1, broken):
        p.add(link(1, ipv4(17, 1, 2, udp(0, 4059, f))))
    out["hdlc-in-udp.pcap"] = p.data
    p = Pcap()
    stream = snrm + ua + get + b"AT\r" + seg1 + rr + seg2
    seq = 1
    for at in range(0, len(stream), 11):
        p.add(link(1, ipv4(6, 1, 2, tcp(50000, 10001, seq, 0x18, stream[at:at + 11]))))
        seq += len(stream[at:at + 11])
    out["hdlc-in-tcp.pcap"] = p.data

    # DLMS on TCP 4063 among DNS, Modbus/TCP and HTTP.
    p = Pcap()
    session(p, port=4063)
    p.add(link(1, ipv4(17, 1, 9, udp(40001, 53, bytes.fromhex("0001010000010000000000000000010001")))))
    p.add(link(1, ipv4(6, 1, 3, tcp(40002, 502, 1, 0x18, bytes.fromhex("00010000000601030000000A")))))
    p.add(link(1, ipv4(6, 1, 4, tcp(40003, 80, 1, 0x18, b"GET / HTTP/1.1\r\n\r\n"))))
    p.add(link(1, ipv4(17, 5, 6, udp(40004, 7000, wrapped(GET)))))
    out["dlms-on-other-ports.pcap"] = p.data

    # Cut by a snapshot length of 60, and fragments.
    p = Pcap(snaplen=60)
    session(p)
    p.add(link(1, ipv4(17, 3, 4, udp(4059, 4059, wrapped(GET) * 3))))
    p.add(link(1, ipv4(17, 3, 4, udp(4059, 4059, wrapped(GET)), flags_fragment=0x2000)))
    out["snapshot-and-fragments.pcap"] = p.data
    return out


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "seeds", "pcap")
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds().items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
