#!/usr/bin/env python3
"""Writes the fuzz seeds of ciphered APDUs under the public key set of the
fuzz targets (fuzz/FuzzKeys.h): every envelope with several security
controls around a few inner APDUs, enciphered by vantrel-cli itself, as
octets (pdu-to-xml), clear XML (xml-to-pdu), capture log lines (trace-reader,
of odd size: that target reads those with the keys) and a packet capture
(pcap, of a size whose second bit is set: read with the keys).

    python3 fuzz/make_ciphered_seeds.py build/vantrel-cli
"""
import os
import struct
import subprocess
import sys
import tempfile

KEYS = """BlockCipherKey = 000102030405060708090A0B0C0D0E0F
BroadcastKey = 000102030405060708090A0B0C0D0E0F
DedicatedKey = 00112233445566778899AABBCCDDEEFF
AuthenticationKey = D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF
MasterKey = 000102030405060708090A0B0C0D0E0F
ClientSystemTitle = 4D4D4D0000000001
ServerSystemTitle = 4D4D4D0000BC614E
"""

INNER = {
    "get-request": "C0 01 C1 00 08 00 00 01 00 00 FF 02 00",
    "get-response": "C4 01 C1 00 09 06 00 00 01 00 00 FF",
    "action-request": "C3 01 C1 00 46 00 00 60 03 0A FF 01 01 0F 00",
    "data-notification": "0F 00 00 00 01 00 09 02 12 34",
    "initiate-request": "01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0",
}

GENERAL_CIPHERING = (
    "<GeneralCiphering>\n  <TransactionId Value=\"01\" />\n  <OriginatorSystemTitle Value=\"4D4D4D0000BC614E\" />\n"
    "  <RecipientSystemTitle Value=\"\" />\n  <DateTime Value=\"\" />\n  <OtherInformation Value=\"\" />\n"
    "  <KeyInfo>\n    <IdentifiedKey>\n      <KeyId Value=\"GlobalUnicastEncryptionKey\" />\n"
    "    </IdentifiedKey>\n  </KeyInfo>\n")
WRAPPED_KEY = (
    "<GeneralCiphering>\n  <TransactionId Value=\"\" />\n  <OriginatorSystemTitle Value=\"4D4D4D0000BC614E\" />\n"
    "  <RecipientSystemTitle Value=\"4D4D4D0000000001\" />\n  <DateTime Value=\"\" />\n"
    "  <OtherInformation Value=\"\" />\n  <KeyInfo>\n    <WrappedKey>\n      <KekId Value=\"MasterKey\" />\n"
    "      <KeyCipheredData Value=\"1FA68B0A8112B447AEF34BD8FB5A7B829D3E862371D2CFE5\" />\n"
    "    </WrappedKey>\n  </KeyInfo>\n")
ENVELOPES = {
    "glo-get-request": ("<glo_GetRequest>\n", "</glo_GetRequest>\n", ["get-request"]),
    "glo-get-response": ("<glo_GetResponse>\n", "</glo_GetResponse>\n", ["get-response"]),
    "ded-action-request": ("<ded_ActionRequest>\n", "</ded_ActionRequest>\n", ["action-request"]),
    "glo-initiate-request": ("<glo_InitiateRequest>\n", "</glo_InitiateRequest>\n", ["initiate-request"]),
    "general-glo": ("<GeneralGloCiphering>\n  <SystemTitle Value=\"4D4D4D0000BC614E\" />\n",
                    "</GeneralGloCiphering>\n", list(INNER)),
    "general-ded": ("<GeneralDedCiphering>\n  <SystemTitle Value=\"4D4D4D0000BC614E\" />\n",
                    "</GeneralDedCiphering>\n", ["get-response", "data-notification"]),
    "general-ciphering": (GENERAL_CIPHERING, "</GeneralCiphering>\n", ["get-request", "data-notification"]),
    "general-wrapped-key": (WRAPPED_KEY, "</GeneralCiphering>\n", ["get-response"]),
}
CONTROLS = ["30", "10", "20", "31", "00", "70"]

# The worked example's AARQ with its glo-initiate-request (the public keys),
# whose calling-AP-title serves the APDUs after it.
GREEN_BOOK_AARQ = (
    "6066A109060760857405080103A60A04084D4D4D0000BC614E8A0207808B0760857405080201AC0A80083132333435363738"
    "BE34043221303001234567801302FF8A7874133D414CED25B42534D28DB0047720606B175BD52211BE6841DB204D39EE6FDB8E356855")


def mutants(made):
    """Octets that reach the security layer's other answers: suite 2 with
    16-octet keys, a system title of 7 octets, an agreed key, deciphered
    octets that do not decode or leave octets over, and an AARQ whose length
    is in the long form."""
    by_name = {name: bytes.fromhex(h) for name, _, h in made}
    out = {}
    glo = by_name["ciphered-glo-get-request-get-request-20"]  # C8 L SC IC ciphertext, no tag
    out["mutant-suite-2"] = glo[:2] + b"\x32" + glo[3:]
    flipped = bytearray(glo)
    flipped[8] ^= 0x5A
    out["mutant-undecodable-plain"] = bytes(flipped)
    out["mutant-octets-after-plain"] = glo[:1] + bytes([glo[1] + 1]) + glo[2:] + b"\x00"
    general = by_name["ciphered-general-glo-get-response-30"]  # DB 08 title ...
    out["mutant-title-of-7-octets"] = general[:1] + b"\x07" + general[2:9] + general[10:]
    out["mutant-agreed-key"] = bytes.fromhex("DD0000000000010201010102053000000001")
    out["mutant-broadcast-identified-key"] = bytes.fromhex("DD00000000000100010530000000 01".replace(" ", ""))
    aarq = bytes.fromhex(GREEN_BOOK_AARQ)
    out["mutant-aarq-long-form-length"] = aarq[:1] + b"\x81" + aarq[1:]
    return out


def run(cli, keys, text):
    out = subprocess.run([cli, "--keys", keys], input=text.encode(), capture_output=True, check=True)
    return out.stdout.decode()


def indented(xml):
    return "".join("  " + line + "\n" for line in xml.replace("\r", "").splitlines())


def capture(apdus, padding=0):
    """A classic pcap of one TCP stream client -> server port 4059, one WRAPPER PDU a packet, then a UDP
    datagram of Padding octets to another port (it only sets the size of the file)."""
    out = struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1)  # Ethernet

    def packet(n, ip_payload, protocol):
        ip = struct.pack(">BBHHHBBH4s4s", 0x45, 0, 20 + len(ip_payload), n, 0, 64, protocol, 0, bytes([10, 0, 0, 1]),
                         bytes([10, 0, 0, 2])) + ip_payload
        eth = b"\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xaa\xbb\x08\x00" + ip
        return struct.pack("<IIII", 1767268800 + n, 0, len(eth), len(eth)) + eth

    seq = 1000
    for n, apdu in enumerate(apdus):
        wrapper = struct.pack(">HHHH", 1, 0x10, 1, len(apdu)) + apdu
        out += packet(n, struct.pack(">HHIIBBHHH", 50000, 4059, seq, 0, 5 << 4, 0x18, 65535, 0, 0) + wrapper, 6)
        seq += len(wrapper)
    out += packet(len(apdus), struct.pack(">HHHH", 50001, 9, 8 + padding, 0) + b"\x00" * padding, 17)
    return out


def main():
    cli = sys.argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    seeds = os.path.join(here, "seeds")
    with tempfile.TemporaryDirectory() as tmp:
        keys = os.path.join(tmp, "public.keys")
        with open(keys, "w") as f:
            f.write(KEYS)
        inner_xml = {name: run(cli, keys, hexa) for name, hexa in INNER.items()}
        made = []
        for env, (open_, close, inners) in ENVELOPES.items():
            for inner in inners:
                for control in CONTROLS:
                    xml = (open_ + "  <SecurityControl Value=\"%s\" />\n  <InvocationCounter Value=\"01234567\" />\n"
                           % control + indented(inner_xml[inner]) + close)
                    try:
                        hexa = run(cli, keys, xml).strip()
                    except subprocess.CalledProcessError:
                        continue  # no such combination (the dedicated key is no broadcast key)
                    made.append(("ciphered-%s-%s-%s" % (env, inner, control), xml, hexa))
    for name, xml, hexa in made:
        with open(os.path.join(seeds, "pdu-to-xml", name + ".bin"), "wb") as f:
            f.write(bytes.fromhex(hexa))
        with open(os.path.join(seeds, "xml-to-pdu", name + ".xml"), "w") as f:
            f.write(xml)
    for name, octets in mutants(made).items():
        with open(os.path.join(seeds, "pdu-to-xml", name + ".bin"), "wb") as f:
            f.write(octets)
    # A ciphered session as a capture log: each line with a time and a direction.
    lines = ["12:00:%02d.000 %s: %s" % (i, "TX" if "request" in name else "RX", hexa)
             for i, (name, _, hexa) in enumerate([("aarq-request", "", GREEN_BOOK_AARQ)] + made[::3])]
    text = "\n".join(lines) + "\n"
    if len(text) % 2 == 0:
        text += "\n"
    with open(os.path.join(seeds, "trace-reader", "ciphered-session.txt"), "w") as f:
        f.write(text)
    apdus = [bytes.fromhex(h) for _, _, h in made[::4]]
    # The size picks the keys (bit 1) and text or JSON (bit 0).
    for suffix, want in (("text", 2), ("json", 3)):
        padding = next(p for p in range(4) if len(capture(apdus, p)) % 4 == want)
        with open(os.path.join(seeds, "pcap", "ciphered-%s.pcap" % suffix), "wb") as f:
            f.write(capture(apdus, padding))
    print("%d ciphered APDUs" % len(made))


if __name__ == "__main__":
    main()
