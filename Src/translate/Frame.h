// HDLC frames of frame format type 3, as they carry APDUs on serial and
// optical links: decoding with both check sequences verified, building from
// the fields, and a readable description.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel {

enum TFrameKind : uint8_t { fkUnknown, fkI, fkRNR, fkRR, fkDISC, fkDM, fkFRMR, fkSNRM, fkUA, fkUI };

// "Unknown", "I", "RNR", ... by kind.
std::string_view FrameKindName(TFrameKind Kind) noexcept;

// An HDLC address: Upper and Lower as carried in one, two or four octets
// (Size). Decoded addresses of another size have both values 0.
struct TFrameAddress {
    uint16_t Upper = 0;
    uint16_t Lower = 0;
    int Size = 0;
    friend bool operator==(const TFrameAddress&, const TFrameAddress&) = default;
};

namespace detail {
constexpr std::array<uint16_t, 256> BuildFcsTable() {
    std::array<uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned v = i;
        for (int bit = 0; bit < 8; ++bit) v = (v & 1) ? (v >> 1) ^ 0x8408 : v >> 1;
        t[i] = static_cast<uint16_t>(v);
    }
    return t;
}
inline constexpr std::array<uint16_t, 256> kFcsTable = BuildFcsTable();
}  // namespace detail

// The 16-bit frame check sequence of ISO/IEC 13239 (reflected polynomial
// 0x8408, initial value 0xFFFF, complemented). Frames carry it low octet first.
constexpr uint16_t FrameCheckSequence(std::string_view Octets) noexcept {
    uint16_t fcs = 0xFFFF;
    for (char c : Octets) fcs = static_cast<uint16_t>((fcs >> 8) ^ detail::kFcsTable[(fcs ^ static_cast<uint8_t>(c)) & 0xFF]);
    return static_cast<uint16_t>(~fcs);
}
static_assert(FrameCheckSequence("123456789") == 0x906E);

// The link parameters of an SNRM or UA information field as text, one
// " Name=value" per parameter present. Fails with EFrame "Wrong encoding of UA
// frame info (ErrorCode=n)".
std::string LinkParametersText(std::string_view Info);

class TFrame {
public:
    TFrame() = default;

    // Decodes a complete frame, both flags included. Fails with EFrame; the
    // fields are then partly set and the frame is not to be used.
    void SetFromPduByteStr(std::string_view PduByteStr);

    // Builds the frame from the fields, flags included; stores the control
    // octet, the frame length and the check sequence indices it produced.
    // Addresses of a size other than 1, 2, 4 (or the malformed 3 and 5) or
    // with values beyond their octets fail with EAssertionFailed; a frame
    // longer than the 11-bit length subfield holds fails with EFrame.
    std::string GetPDUByteStr();
    std::string AsPduHexStr();

    // Appends the description, two spaces of indentation per level.
    void GetAsStrings(std::vector<std::string>& Lines, int Indent) const;

    TFrameKind Kind() const noexcept { return FKind; }
    void SetKind(TFrameKind Kind) noexcept;  // clears the information field
    bool Segmented() const noexcept { return FSegmented; }
    void SetSegmented(bool Segmented) noexcept { FSegmented = Segmented; }
    const TFrameAddress& SrcAddress() const noexcept { return FSrcAddress; }
    void SetSrcAddress(const TFrameAddress& Address) noexcept { FSrcAddress = Address; }
    const TFrameAddress& DstAddress() const noexcept { return FDstAddress; }
    void SetDstAddress(const TFrameAddress& Address) noexcept { FDstAddress = Address; }
    uint8_t Control() const noexcept { return FControl; }
    int RSequenceNr() const noexcept { return FRSequenceNr; }
    void SetRSequenceNr(int Nr);  // 0 to 7, else EAssertionFailed
    int SSequenceNr() const noexcept { return FSSequenceNr; }
    void SetSSequenceNr(int Nr);  // 0 to 7, else EAssertionFailed
    bool PollFinal() const noexcept { return FPollFinal; }
    void SetPollFinal(bool PollFinal) noexcept { FPollFinal = PollFinal; }
    // The information field; empty when the frame has none.
    const std::string& Data() const noexcept { return FData; }
    void SetData(std::string Data) noexcept { FData = std::move(Data); }
    int FrameLength() const noexcept { return FLength; }
    // 0-based offsets of the first octet of the check sequences in the frame,
    // opening flag included; FCSIndex is 0 when the frame has no FCS.
    int HCSIndex() const noexcept { return FHCSIndex; }
    int FCSIndex() const noexcept { return FFCSIndex; }

private:
    TFrameKind FKind = fkUnknown;
    bool FSegmented = false;
    bool FPollFinal = false;
    uint8_t FControl = 0;
    uint8_t FRSequenceNr = 0;
    uint8_t FSSequenceNr = 0;
    TFrameAddress FSrcAddress;
    TFrameAddress FDstAddress;
    std::string FData;
    int FLength = 0;
    int FHCSIndex = 0;
    int FFCSIndex = 0;
};

}  // namespace vantrel
