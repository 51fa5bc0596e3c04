// Corrupt captures, read in the process: a capture cut at every octet and
// captures with their length fields changed (pcap and pcapng headers, IP,
// TCP, UDP and WRAPPER lengths) each end in units or a message, never in a
// crash, a hang or silence.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "CaptureSupport.h"
#include "DriverSupport.h"
#include "Src/cli/Capture.h"

namespace {

using ctest::TPcap;
using ctest::TPcapng;

struct TResult {
    int Status = -1;
    std::string Out;
    std::string Messages;
};

std::string Taken(FILE* Stream, char*& Buffer, size_t& Size) {
    std::fclose(Stream);
    std::string text(Buffer, Size);
    std::free(Buffer);
    return text;
}

TResult Translate(const std::string& Capture, uint16_t Port = 0, bool Strict = false) {
    // fmemopen refuses an empty buffer: a temporary file stands in.
    FILE* in = Capture.empty() ? std::tmpfile() : fmemopen(const_cast<char*>(Capture.data()), Capture.size(), "rb");
    char* out = nullptr;
    size_t outSize = 0;
    char* messages = nullptr;
    size_t messagesSize = 0;
    FILE* o = open_memstream(&out, &outSize);
    FILE* m = open_memstream(&messages, &messagesSize);
    TResult r;
    {
        vantrel::cli::TUnitWriter writer(o, false);
        r.Status = vantrel::cli::TranslateCaptureStream(in, "corrupt", {Port, Strict, m},
                                                        vantrel::TTranslateOptions{.DescribeFrame = true}, writer);
    }
    r.Out = Taken(o, out, outSize);
    r.Messages = Taken(m, messages, messagesSize);
    return r;
}

// Every kind of content once: a TCP session on 4059 with a PDU in two
// segments, a UDP WRAPPER datagram, HDLC frames in UDP on another port, and
// IPv6 TCP on 4063.
template <class TCapture>
struct TSample {
    TCapture Capture;
    void Add(const std::string& Frame) { Capture.Packet(Frame); }

    TSample() {
        const std::string request = ctest::Wrapped(vtest::Bytes(dtest::kGetRequest));
        const std::string response = ctest::Wrapped(vtest::Bytes("C4 01 C1 00 06 00 00 30 39"), false);
        Add(TPcap::Ip(6, 1, 50000, 2, 4059, "", 100, 0x02));
        Add(TPcap::Ip(6, 2, 4059, 1, 50000, "", 900, 0x12));
        Add(TPcap::Ip(6, 1, 50000, 2, 4059, request.substr(0, 5), 101));
        Add(TPcap::Ip(6, 1, 50000, 2, 4059, request.substr(5), 106));
        Add(TPcap::Ip(6, 2, 4059, 1, 50000, response, 901));
        Add(TPcap::Ip(17, 3, 4059, 4, 4059, request));
        Add(TPcap::Ip(17, 5, 0, 6, 7000, vtest::Bytes("7E A0 07 03 03 93 8C 11 7E")));
        Add(TPcap::Ip(17, 5, 0, 6, 7000, vtest::Bytes("7E A0 19 03 21 DC 1F D6 E6 E6 00 C0 01 C1 00 0F 00 00 28 00 00 "
                                                          "FF 07 00 29 2D 7E")));
        Add(ctest::Ethernet(ctest::Ipv6(6, 1, 2, ctest::Tcp(50001, 4063, 5, 0x18, request))));
        Add(TPcap::Ip(6, 1, 50000, 2, 4059, "", 106 + static_cast<uint32_t>(request.size()) - 5, 0x11));
        Add(TPcap::Ip(6, 2, 4059, 1, 50000, "", 901 + static_cast<uint32_t>(response.size()), 0x11));
    }
};

// Where a packet's frame begins in a pcap file: the records before it.
std::vector<size_t> PcapFrames(const std::string& File) {
    std::vector<size_t> frames;
    for (size_t at = 24; at + 16 <= File.size();) {
        const size_t caplen = static_cast<uint8_t>(File[at + 8]) | static_cast<uint8_t>(File[at + 9]) << 8;
        frames.push_back(at + 16);
        at += 16 + caplen;
    }
    return frames;
}

// Not silent: units on the output or a message.
void ExpectHeard(const TResult& R, const std::string& Case) {
    EXPECT_TRUE(R.Status == 0 || R.Status == 1 || R.Status == 3) << Case << ": " << R.Status;
    EXPECT_FALSE(R.Out.empty() && R.Messages.empty()) << Case;
}

TEST(CaptureCorrupt, TheSampleTranslates) {
    TSample<TPcap> pcap;
    const TResult r = Translate(pcap.Capture.Bytes());
    EXPECT_EQ(r.Status, 0) << r.Out << r.Messages;
    EXPECT_EQ(r.Messages, "");
    const TSample<TPcapng> ng;
    const TResult n = Translate(ng.Capture.Bytes());
    EXPECT_EQ(n.Status, 0) << n.Out << n.Messages;
    EXPECT_EQ(n.Out, r.Out);
}

TEST(CaptureCorrupt, CutAtEveryOctet) {
    const TSample<TPcap> pcap;
    const TSample<TPcapng> ng;
    for (const std::string* file : {&pcap.Capture.Bytes(), &ng.Capture.Bytes()}) {
        for (size_t cut = 0; cut < file->size(); ++cut) {
            const TResult r = Translate(file->substr(0, cut));
            ExpectHeard(r, "cut at " + std::to_string(cut));
            if (cut < 24) {
                EXPECT_EQ(r.Status, 3) << cut;  // not even a file header
            }
        }
    }
}

TEST(CaptureCorrupt, LengthFieldsChanged) {
    const TSample<TPcap> sample;
    const std::string& good = sample.Capture.Bytes();
    const std::vector<size_t> frames = PcapFrames(good);
    ASSERT_EQ(frames.size(), 11u);
    const auto le32 = [](std::string& F, size_t At, uint32_t V) {
        for (int i = 0; i < 4; ++i) F[At + i] = static_cast<char>(V >> (8 * i));
    };
    const auto be16 = [](std::string& F, size_t At, uint32_t V) {
        F[At] = static_cast<char>(V >> 8);
        F[At + 1] = static_cast<char>(V);
    };
    constexpr size_t ip = 14;       // in a frame: after the Ethernet header
    constexpr size_t tcp = 14 + 20; // after the IPv4 header
    const size_t pdu = frames[4] + tcp + 20;  // the response's WRAPPER header
    const struct {
        const char* Name;
        std::function<void(std::string&)> Change;
        const char* Heard;  // a part of the output or the messages; empty: any
        bool Read = false;  // the capture still reads as it was
    } rows[] = {
        {"snapshot length 0", [&](std::string& F) { le32(F, 16, 0); }, "", true},
        {"snapshot length 1", [&](std::string& F) { le32(F, 16, 1); }, ""},
        {"snapshot length FFFFFFFF", [&](std::string& F) { le32(F, 16, 0xFFFFFFFF); }, "", true},
        {"link type 0", [&](std::string& F) { le32(F, 20, 0); }, "dropped"},
        {"link type FFFF", [&](std::string& F) { le32(F, 20, 0xFFFF); }, ""},
        {"captured length 0", [&](std::string& F) { le32(F, frames[2] - 8, 0); }, ""},
        {"captured length beyond the file", [&](std::string& F) { le32(F, frames[10] - 8, 5000); }, "ends early"},
        {"captured length FFFFFFFF", [&](std::string& F) { le32(F, frames[3] - 8, 0xFFFFFFFF); }, "ends early"},
        {"length on the wire 0", [&](std::string& F) { le32(F, frames[3] - 4, 0); }, "", true},
        {"length on the wire FFFFFFFF", [&](std::string& F) { le32(F, frames[3] - 4, 0xFFFFFFFF); }, "", true},
        {"IP length 0", [&](std::string& F) { be16(F, frames[3] + ip + 2, 0); }, "bad IP length"},
        {"IP length 19", [&](std::string& F) { be16(F, frames[3] + ip + 2, 19); }, "bad IP length"},
        {"IP length FFFF", [&](std::string& F) { be16(F, frames[3] + ip + 2, 0xFFFF); }, "bad IP length"},
        {"IP length of the header alone", [&](std::string& F) { be16(F, frames[3] + ip + 2, 20); }, "bad TCP header"},
        {"IP length shorter than the segment", [&](std::string& F) { be16(F, frames[3] + ip + 2, 45); },
         "inside a WRAPPER PDU"},
        {"IP header length 0", [&](std::string& F) { F[frames[3] + ip] = 0x40; }, "bad IP header"},
        {"IP header length 60", [&](std::string& F) { F[frames[3] + ip] = 0x4F; }, ""},
        {"IPv6 payload length 0", [&](std::string& F) { be16(F, frames[8] + ip + 4, 0); }, "bad TCP header"},
        {"IPv6 payload length FFFF", [&](std::string& F) { be16(F, frames[8] + ip + 4, 0xFFFF); }, "bad IP length"},
        {"TCP header length 0", [&](std::string& F) { F[frames[4] + tcp + 12] = 0x00; }, "bad TCP header"},
        {"TCP header length 60", [&](std::string& F) { F[frames[4] + tcp + 12] = static_cast<char>(0xF0); },
         "bad TCP header"},
        {"TCP header length 24", [&](std::string& F) { F[frames[4] + tcp + 12] = 0x60; }, ""},
        {"UDP length 0", [&](std::string& F) { be16(F, frames[5] + tcp + 4, 0); }, "bad UDP length"},
        {"UDP length 9", [&](std::string& F) { be16(F, frames[5] + tcp + 4, 9); }, "No WRAPPER header"},
        {"UDP length FFFF", [&](std::string& F) { be16(F, frames[5] + tcp + 4, 0xFFFF); }, "bad UDP length"},
        {"WRAPPER length 0", [&](std::string& F) { be16(F, pdu + 6, 0); }, "no WRAPPER header where one was due"},
        {"WRAPPER length FFFF", [&](std::string& F) { be16(F, pdu + 6, 0xFFFF); }, "inside a WRAPPER PDU"},
        {"WRAPPER length one more", [&](std::string& F) { be16(F, pdu + 6, 10); }, "inside a WRAPPER PDU"},
        {"HDLC length FFF", [&](std::string& F) { be16(F, frames[7] + tcp + 8 + 1, 0xA7FF); }, "inside an HDLC frame"},
        {"HDLC length 2", [&](std::string& F) { be16(F, frames[7] + tcp + 8 + 1, 0xA002); }, "open no HDLC frame"},
    };
    for (const auto& row : rows) {
        std::string file = good;
        row.Change(file);
        for (bool strict : {false, true}) {
            const TResult r = Translate(file, 0, strict);
            ExpectHeard(r, row.Name);
            EXPECT_NE((r.Out + r.Messages).find(row.Heard), std::string::npos)
                << row.Name << "\n" << r.Out << r.Messages;
            if (strict && !row.Read) {
                EXPECT_NE(r.Status, 0) << row.Name << "\n" << r.Out << r.Messages;
            }
        }
    }
}

TEST(CaptureCorrupt, PcapngBlockLengthsChanged) {
    const TSample<TPcapng> sample;
    const std::string& good = sample.Capture.Bytes();
    // The blocks: type, length, ..., length.
    std::vector<size_t> blocks;
    for (size_t at = 0; at + 12 <= good.size();) {
        blocks.push_back(at);
        at += static_cast<uint8_t>(good[at + 4]) | static_cast<uint8_t>(good[at + 5]) << 8;
    }
    ASSERT_EQ(blocks.size(), 13u);  // section, interface, 11 packets
    for (size_t b : blocks)
        for (uint32_t length : {0u, 1u, 11u, 12u, 13u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            for (size_t field : {b + 4, b + 20, b + 24}) {  // the block's length; an EPB's lengths
                std::string file = good;
                if (field + 4 > file.size()) continue;
                for (int i = 0; i < 4; ++i) file[field + i] = static_cast<char>(length >> (8 * i));
                ExpectHeard(Translate(file), "block at " + std::to_string(b) + ", field " + std::to_string(field) +
                                                 " = " + std::to_string(length));
            }
        }
}

}  // namespace
