// HDLC frames: the check sequence, decoding with its failures, building and
// decoding back, and the description.
#include <gtest/gtest.h>

#include <random>

#include "DriverSupport.h"
#include "Src/translate/Frame.h"
#include "xmlPdu/INFRA/Errors.h"

namespace {

using namespace vantrel;
using dtest::Sealed;
using vtest::Bytes;

TEST(FrameCheckSequence, MatchesTheBitwiseDefinition) {
    EXPECT_EQ(FrameCheckSequence("123456789"), 0x906E);
    EXPECT_EQ(FrameCheckSequence(""), 0x0000);
    std::mt19937 random(7);
    for (int length = 1; length < 300; length += 7) {
        std::string s(static_cast<size_t>(length), '\0');
        for (char& c : s) c = static_cast<char>(random());
        EXPECT_EQ(FrameCheckSequence(s), dtest::BitwiseFcs(s)) << length;
    }
}

TEST(FrameCheckSequence, SealsAFrameSeenOnTheWire) {
    // An SNRM from client 0x10 to server 0x01, HCS 0F 01, as captured.
    TFrame f;
    f.SetFromPduByteStr(Bytes("7E A0 07 03 21 93 0F 01 7E"));
    EXPECT_EQ(f.Kind(), fkSNRM);
    EXPECT_TRUE(f.PollFinal());
    EXPECT_EQ(f.DstAddress(), (TFrameAddress{1, 0, 1}));
    EXPECT_EQ(f.SrcAddress(), (TFrameAddress{0x10, 0, 1}));
    EXPECT_EQ(f.Control(), 0x93);
    EXPECT_EQ(f.FrameLength(), 7);
    EXPECT_EQ(f.HCSIndex(), 6);
    EXPECT_TRUE(f.Data().empty());
}

struct TDecodeRow {
    const char* Name;
    std::string Frame;
    TFrameKind Kind;
    int RSequenceNr, SSequenceNr;
    bool PollFinal, Segmented;
    TFrameAddress Dst, Src;
    const char* DataHex;
};

TEST(FrameDecode, FieldsOfEveryKindAndAddressSize) {
    const TDecodeRow rows[] = {
        {"UI without information", Sealed("03 21 03"), fkUI, 0, 0, false, false, {1, 0, 1}, {0x10, 0, 1}, ""},
        {"UI with information", Sealed("03 21 13", "E6 E6 00 FF 12 01 02"), fkUI, 0, 0, true, false, {1, 0, 1}, {0x10, 0, 1},
         "E6E600FF120102"},
        {"I: control 32", Sealed("03 21 32", "E6 E6 00"), fkI, 1, 1, true, false, {1, 0, 1}, {0x10, 0, 1}, "E6E600"},
        {"I: control FE", Sealed("03 21 FE", "00"), fkI, 7, 7, true, false, {1, 0, 1}, {0x10, 0, 1}, "00"},
        {"I segmented", Sealed("03 21 10", "01 02", 0xA8), fkI, 0, 0, true, true, {1, 0, 1}, {0x10, 0, 1}, "0102"},
        {"RR", Sealed("03 21 B1"), fkRR, 5, 0, true, false, {1, 0, 1}, {0x10, 0, 1}, ""},
        {"RNR", Sealed("03 21 45"), fkRNR, 2, 0, false, false, {1, 0, 1}, {0x10, 0, 1}, ""},
        {"SNRM with P/F", Sealed("03 21 93"), fkSNRM, 0, 0, true, false, {1, 0, 1}, {0x10, 0, 1}, ""},
        {"UA", Sealed("21 03 73", "81 80 00"), fkUA, 0, 0, true, false, {0x10, 0, 1}, {1, 0, 1}, "818000"},
        {"DISC", Sealed("03 21 53"), fkDISC, 0, 0, true, false, {1, 0, 1}, {0x10, 0, 1}, ""},
        {"DM", Sealed("21 03 1F"), fkDM, 0, 0, true, false, {0x10, 0, 1}, {1, 0, 1}, ""},
        {"FRMR", Sealed("21 03 87", "01 02 03"), fkFRMR, 0, 0, false, false, {0x10, 0, 1}, {1, 0, 1}, "010203"},
        {"two-octet destination", Sealed("02 23 21 13"), fkUI, 0, 0, true, false, {1, 0x11, 2}, {0x10, 0, 1}, ""},
        {"four-octet destination", Sealed("48 68 14 23 41 13"), fkUI, 0, 0, true, false, {0x1234, 0x0511, 4},
         {0x20, 0, 1}, ""},
        {"three-octet destination", Sealed("02 04 07 21 03"), fkUI, 0, 0, false, false, {0, 0, 3}, {0x10, 0, 1}, ""},
        {"five-octet source", Sealed("03 00 00 00 00 01 03"), fkUI, 0, 0, false, false, {1, 0, 1}, {0, 0, 5}, ""},
        {"check sequence but no information", Sealed("03 21 03", "", 0xA0, true), fkUI, 0, 0, false, false,
         {1, 0, 1}, {0x10, 0, 1}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TFrame f;
        ASSERT_NO_THROW(f.SetFromPduByteStr(row.Frame));
        EXPECT_EQ(f.Kind(), row.Kind);
        EXPECT_EQ(f.RSequenceNr(), row.RSequenceNr);
        EXPECT_EQ(f.SSequenceNr(), row.SSequenceNr);
        EXPECT_EQ(f.PollFinal(), row.PollFinal);
        EXPECT_EQ(f.Segmented(), row.Segmented);
        EXPECT_EQ(f.DstAddress(), row.Dst);
        EXPECT_EQ(f.SrcAddress(), row.Src);
        EXPECT_EQ(vtest::Hex(f.Data()), row.DataHex);
        EXPECT_EQ(f.FrameLength(), static_cast<int>(row.Frame.size()) - 2);
    }
}

TEST(FrameDecode, ADecodeForgetsThePreviousFrame) {
    TFrame f;
    f.SetFromPduByteStr(Sealed("03 21 FE", "00"));
    f.SetFromPduByteStr(Sealed("03 21 03"));
    EXPECT_EQ(f.Kind(), fkUI);
    EXPECT_EQ(f.RSequenceNr(), 0);
    EXPECT_EQ(f.SSequenceNr(), 0);
    EXPECT_TRUE(f.Data().empty());
}

std::string Changed(std::string Frame, size_t Index, int Xor) {
    Frame[Index] = static_cast<char>(Frame[Index] ^ Xor);
    return Frame;
}

TEST(FrameDecode, StructuralFailures) {
    const std::string ui = Sealed("03 21 13", "E6 E6 00 FF 12 01 02");  // HCS at 6, FCS at 15
    const std::string rr = Sealed("03 21 B1");
    std::string tooLong = rr;
    tooLong.insert(tooLong.size() - 1, 1, '\x7E');
    const struct {
        const char* Name;
        std::string Frame;
        const char* Message;
    } rows[] = {
        {"empty", "", "Illegal length (0)"},
        {"two octets", Bytes("7E A0"), "Illegal length (2)"},
        {"opening flag", Changed(rr, 0, 0x01), "Illegal opening flag"},
        {"frame type", Changed(rr, 1, 0x10), "Illegal frame type"},
        {"length subfield one short", Changed(rr, 2, 0x02), "Frame length subfield value (5) does not match frame length (7)"},
        {"length subfield one long", Changed(rr, 2, 0x0F), "Frame length subfield value (8) does not match frame length (7)"},
        {"one octet too many", tooLong, "Frame length subfield value (7) does not match frame length (8)"},
        {"control", Sealed("03 21 FF"), "Illegal kind"},
        {"control 0xE3", Sealed("03 21 E3"), "Illegal kind"},
        {"HCS", Changed(ui, 6, 0x40), "Illegal HCS"},
        {"HCS high octet", Changed(ui, 7, 0x01), "Illegal HCS"},
        {"information octet", Changed(ui, 12, 0x01), "Illegal FCS"},
        {"FCS", Changed(ui, 16, 0x80), "Illegal FCS"},
        {"closing flag after the FCS", Changed(ui, 17, 0x01), "Illegal closing flag"},
        {"closing flag after the HCS", Changed(rr, 8, 0x01), "Illegal closing flag"},
        {"header cut short", Bytes("7E A0 05 03 21 93 7E"), "Illegal length (7)"},
        {"address without its last octet", Bytes("7E A0 09 02 02 02 02 02 02 02 7E"), "Illegal length (11)"},
        {"no room for the closing flag", Bytes("7E A0 06 03 21 93 0F 01"), "Illegal length (8)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TFrame f;
        EXPECT_EQ(dtest::FailureOf([&] { f.SetFromPduByteStr(row.Frame); }), row.Message);
    }
}

TEST(FrameBuild, AnUnnumberedFrameOctetByOctet) {
    TFrame f;
    f.SetKind(fkUI);
    f.SetDstAddress({0x01, 0, 1});
    f.SetSrcAddress({0x10, 0, 1});
    f.SetPollFinal(true);
    f.SetData(Bytes("E6 E6 00 FF 12 01 02"));
    const std::string frame = f.GetPDUByteStr();
    EXPECT_EQ(frame, Sealed("03 21 13", "E6 E6 00 FF 12 01 02"));
    EXPECT_EQ(f.AsPduHexStr(), vtest::Hex(frame));
    EXPECT_EQ(f.Control(), 0x13);
    EXPECT_EQ(f.FrameLength(), 16);
    EXPECT_EQ(f.HCSIndex(), 6);
    EXPECT_EQ(f.FCSIndex(), 15);
}

TEST(FrameBuild, EveryKindAndAddressSizeDecodesBack) {
    const TFrameKind kinds[] = {fkI, fkRNR, fkRR, fkDISC, fkDM, fkFRMR, fkSNRM, fkUA, fkUI};
    const TFrameAddress addresses[] = {{0x7F, 0, 1}, {0x01, 0, 1},      {0x12, 0x7E, 2}, {0x3FFF, 0x3FFF, 4},
                                       {0x0080, 0x1001, 4}, {0, 0, 3}, {0, 0, 5}};
    int n = 0;
    for (TFrameKind kind : kinds)
        for (const auto& dst : addresses)
            for (const auto& src : addresses) {
                ++n;
                SCOPED_TRACE(std::string(FrameKindName(kind)) + " #" + std::to_string(n));
                TFrame f;
                f.SetKind(kind);
                f.SetDstAddress(dst);
                f.SetSrcAddress(src);
                f.SetPollFinal(n % 2);
                f.SetSegmented(n % 3 == 0);
                if (kind == fkI || kind == fkRR || kind == fkRNR) f.SetRSequenceNr(n % 8);
                if (kind == fkI) f.SetSSequenceNr((n / 8) % 8);
                if (n % 4) f.SetData(std::string(static_cast<size_t>(n % 50), static_cast<char>(n)));
                const std::string frame = f.GetPDUByteStr();

                TFrame back;
                ASSERT_NO_THROW(back.SetFromPduByteStr(frame));
                EXPECT_EQ(back.Kind(), f.Kind());
                EXPECT_EQ(back.DstAddress(), f.DstAddress());
                EXPECT_EQ(back.SrcAddress(), f.SrcAddress());
                EXPECT_EQ(back.Control(), f.Control());
                EXPECT_EQ(back.RSequenceNr(), f.RSequenceNr());
                EXPECT_EQ(back.SSequenceNr(), f.SSequenceNr());
                EXPECT_EQ(back.PollFinal(), f.PollFinal());
                EXPECT_EQ(back.Segmented(), f.Segmented());
                EXPECT_EQ(back.Data(), f.Data());
                EXPECT_EQ(back.FrameLength(), f.FrameLength());
                EXPECT_EQ(back.HCSIndex(), f.HCSIndex());
                EXPECT_EQ(back.FCSIndex(), f.FCSIndex());
                EXPECT_EQ(back.GetPDUByteStr(), frame);
            }
}

TEST(FrameBuild, RefusesWhatAFrameCannotCarry) {
    const auto build = [](TFrameAddress Dst, size_t InfoSize) {
        return dtest::FailureOf([&] {
            TFrame f;
            f.SetKind(fkI);
            f.SetDstAddress(Dst);
            f.SetSrcAddress({1, 0, 1});
            f.SetData(std::string(InfoSize, 'x'));
            f.GetPDUByteStr();
        });
    };
    EXPECT_EQ(build({1, 0, 0}, 1), "TFrame: illegal address size 0");
    EXPECT_EQ(build({1, 0, 6}, 1), "TFrame: illegal address size 6");
    EXPECT_EQ(build({0x80, 0, 1}, 1), "TFrame: address 128/0 does not fit 1 octet(s)");
    EXPECT_EQ(build({1, 0x80, 2}, 1), "TFrame: address 1/128 does not fit 2 octet(s)");
    EXPECT_EQ(build({0x4000, 0, 4}, 1), "TFrame: address 16384/0 does not fit 4 octet(s)");
    EXPECT_EQ(build({1, 0, 1}, 2047 - 9), "");
    EXPECT_EQ(build({1, 0, 1}, 2047 - 8), "Frame length (2048) does not fit the frame length subfield");
    TFrame f;
    EXPECT_EQ(dtest::FailureOf([&] { f.SetRSequenceNr(8); }), "TFrame: N(R) out of range");
    EXPECT_EQ(dtest::FailureOf([&] { f.SetSSequenceNr(-1); }), "TFrame: N(S) out of range");
}

std::vector<std::string> Description(const std::string& Frame, int Indent = 0) {
    TFrame f;
    f.SetFromPduByteStr(Frame);
    std::vector<std::string> lines;
    f.GetAsStrings(lines, Indent);
    return lines;
}

using TLines = std::vector<std::string>;

TEST(FrameDescription, LinesByKind) {
    EXPECT_EQ(Description(Sealed("03 21 93")), (TLines{"Frame(", "  Kind:SNRM, Dst:'01', Src:'10', P/F:1, Seg:0", ")"}));
    EXPECT_EQ(Description(Sealed("03 21 B1")),
              (TLines{"Frame(", "  Kind:RR, Dst:'01', Src:'10', P/F:1, Seg:0,", "  N(R):5", ")"}));
    EXPECT_EQ(Description(Sealed("03 21 32", "E6 E6 00 FF 12 01 02", 0xA8), 1),
              (TLines{"  Frame(", "    Kind:I, Dst:'01', Src:'10', P/F:1, Seg:1,", "    N(R):1, N(S):1,",
                      "    Info:'E6E600FF120102' size=7", "  )"}));
    EXPECT_EQ(Description(Sealed("02 23 48 68 14 23 03", "0A")),
              (TLines{"Frame(", "  Kind:UI, Dst:'01 11', Src:'1234 0511', P/F:0, Seg:0,", "  Info:'0A' size=1", ")"}));
}

TEST(FrameDescription, LinkParametersOfSnrmAndUa) {
    const std::string params = "81 80 14 05 02 00 80 06 02 00 80 07 04 00 00 00 01 08 04 00 00 00 01";
    EXPECT_EQ(Description(Sealed("21 03 73", params)),
              (TLines{"Frame(", "  Kind:UA, Dst:'10', Src:'01', P/F:1, Seg:0,",
                      "  Info:'" + vtest::Norm(params) +
                          "' size=23( MaxInfoLengthTransmit=128 MaxInfoLengthReceive=128 WindowSizeTransmit=1 "
                          "WindowSizeReceive=1)",
                      ")"}));
    // Octets that are no link parameters are shown as they are.
    EXPECT_EQ(Description(Sealed("03 21 93", "81 81 00"))[2], "  Info:'818100' size=3");
    // Another kind never shows link parameters.
    EXPECT_EQ(Description(Sealed("03 21 13", "81 80 00"))[2], "  Info:'818000' size=3");
}

TEST(FrameDescription, LinkParameterErrors) {
    const struct {
        const char* Info;
        const char* Expected;  // the text, or the error code
    } rows[] = {
        {"81 80", ""},
        {"81 80 00", ""},
        {"81 80 03 05 01 80", " MaxInfoLengthTransmit=128"},
        {"81 80 06 08 04 00 01 00 00", " WindowSizeReceive=65536"},
        {"81 80 06 07 01 03 07 01 04", " WindowSizeTransmit=4"},
        {"81 80 06 06 01 07 05 01 09", " MaxInfoLengthTransmit=9 MaxInfoLengthReceive=7"},
        {"81", "1"},
        {"80 80", "2"},
        {"81 81", "3"},
        {"81 80 04 05 01 80", "4"},
        {"81 80 03 09 01 80", "9"},
        {"81 80 03 04 01 80", "9"},
        {"81 80 03 06 03 80", "6"},
        {"81 80 03 05 02 80", "1"},
        {"81 80 01 05", "1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Info);
        std::string text;
        const std::string failure = dtest::FailureOf([&] { text = LinkParametersText(Bytes(row.Info)); });
        if (failure.empty()) EXPECT_EQ(text, row.Expected);
        else EXPECT_EQ(failure, std::string("Wrong encoding of UA frame info (ErrorCode=") + row.Expected + ")");
    }
}

}  // namespace
