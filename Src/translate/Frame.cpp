#include "Frame.h"

#include "../../xmlPdu/INFRA/Errors.h"
#include "../../xmlPdu/INFRA/INFRAMisc.h"

namespace vantrel {

namespace {

constexpr std::string_view kKindNames[] = {"Unknown", "I", "RNR", "RR", "DISC", "DM", "FRMR", "SNRM", "UA", "UI"};

constexpr uint8_t kFlag = 0x7E;

uint8_t Octet(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }

void AppendFcs(std::string& Frame, size_t From) {
    const uint16_t fcs = FrameCheckSequence(std::string_view(Frame).substr(From));
    Frame += static_cast<char>(fcs & 0xFF);
    Frame += static_cast<char>(fcs >> 8);
}

bool FcsMatches(std::string_view Covered, std::string_view Stored) {
    const uint16_t fcs = FrameCheckSequence(Covered);
    return Octet(Stored, 0) == (fcs & 0xFF) && Octet(Stored, 1) == (fcs >> 8);
}

// Reads the address that starts at Pos: its octets run up to the first one
// with the low bit set. False when no such octet comes before End.
bool DecodeAddress(std::string_view Frame, size_t& Pos, size_t End, TFrameAddress& Address) {
    size_t last = Pos;
    while (last < End && (Octet(Frame, last) & 1) == 0) ++last;
    if (last == End) return false;
    const size_t size = last - Pos + 1;
    const auto at = [&](size_t i) { return static_cast<uint16_t>(Octet(Frame, Pos + i) >> 1); };
    Address = TFrameAddress{0, 0, static_cast<int>(size)};
    if (size == 1) {
        Address.Upper = at(0);
    } else if (size == 2) {
        Address.Upper = at(0);
        Address.Lower = at(1);
    } else if (size == 4) {
        Address.Upper = static_cast<uint16_t>(at(0) << 7 | at(1));
        Address.Lower = static_cast<uint16_t>(at(2) << 7 | at(3));
    }
    Pos = last + 1;
    return true;
}

[[noreturn]] void AddressOutOfRange(const TFrameAddress& Address) {
    throw EAssertionFailed("TFrame: address " + std::to_string(Address.Upper) + "/" + std::to_string(Address.Lower) +
                           " does not fit " + std::to_string(Address.Size) + " octet(s)");
}

void EncodeAddress(std::string& Out, const TFrameAddress& Address) {
    const unsigned upper = Address.Upper;
    const unsigned lower = Address.Lower;
    const auto put = [&](unsigned Octet) { Out += static_cast<char>(Octet); };
    switch (Address.Size) {
    case 1:
        if (upper > 0x7F) AddressOutOfRange(Address);
        put(upper * 2 + 1);
        return;
    case 2:
        if (upper > 0x7F || lower > 0x7F) AddressOutOfRange(Address);
        put(upper * 2);
        put(lower * 2 + 1);
        return;
    case 3:
    case 4:
    case 5:
        if (upper > 0x3FFF || lower > 0x3FFF) AddressOutOfRange(Address);
        put(upper / 128 * 2);
        put((upper & 0x7F) * 2);
        if (Address.Size == 3) {
            put(lower / 128 * 2 + 1);
            return;
        }
        put(lower / 128 * 2);
        if (Address.Size == 4) {
            put((lower & 0x7F) * 2 + 1);
        } else {
            put((lower & 0x7F) * 2);
            put(0x01);
        }
        return;
    default:
        throw EAssertionFailed("TFrame: illegal address size " + std::to_string(Address.Size));
    }
}

std::string AddressText(const TFrameAddress& Address) {
    char text[16];
    const auto hex = [&](char* At, unsigned Value, int Digits) {
        for (int i = Digits - 1; i >= 0; --i, Value >>= 4) At[i] = "0123456789ABCDEF"[Value & 15];
    };
    if (Address.Size == 1) {
        hex(text, Address.Upper, 2);
        return std::string(text, 2);
    }
    const int digits = Address.Size == 2 ? 2 : 4;
    hex(text, Address.Upper, digits);
    text[digits] = ' ';
    hex(text + digits + 1, Address.Lower, digits);
    return std::string(text, 2 * digits + 1);
}

[[noreturn]] void LinkParameterError(int Code) {
    throw EFrame("Wrong encoding of UA frame info (ErrorCode=" + std::to_string(Code) + ")");
}

}  // namespace

std::string_view FrameKindName(TFrameKind Kind) noexcept {
    return Kind <= fkUI ? kKindNames[Kind] : kKindNames[fkUnknown];
}

std::string LinkParametersText(std::string_view Info) {
    static constexpr std::string_view kNames[] = {"MaxInfoLengthTransmit", "MaxInfoLengthReceive",
                                                  "WindowSizeTransmit", "WindowSizeReceive"};
    size_t i = 0;
    const auto take = [&]() -> uint8_t {
        if (i >= Info.size()) LinkParameterError(1);
        return Octet(Info, i++);
    };
    if (take() != 0x81) LinkParameterError(2);
    if (take() != 0x80) LinkParameterError(3);
    uint32_t values[4] = {};
    bool present[4] = {};
    if (i < Info.size() && take() != Info.size() - 3) LinkParameterError(4);
    while (i < Info.size()) {
        const uint8_t id = take();
        if (id < 5 || id > 8) LinkParameterError(9);
        const uint8_t length = take();
        if (length != 1 && length != 2 && length != 4) LinkParameterError(id);
        uint32_t value = 0;
        for (int k = 0; k < length; ++k) value = value << 8 | take();
        values[id - 5] = value;
        present[id - 5] = true;
    }
    std::string text;
    for (int k = 0; k < 4; ++k) {
        if (!present[k]) continue;
        text += ' ';
        text += kNames[k];
        text += '=';
        text += std::to_string(values[k]);
    }
    return text;
}

void TFrame::SetKind(TFrameKind Kind) noexcept {
    FKind = Kind;
    FData.clear();
}

void TFrame::SetRSequenceNr(int Nr) {
    if (Nr < 0 || Nr > 7) throw EAssertionFailed("TFrame: N(R) out of range");
    FRSequenceNr = static_cast<uint8_t>(Nr);
}

void TFrame::SetSSequenceNr(int Nr) {
    if (Nr < 0 || Nr > 7) throw EAssertionFailed("TFrame: N(S) out of range");
    FSSequenceNr = static_cast<uint8_t>(Nr);
}

void TFrame::SetFromPduByteStr(std::string_view PduByteStr) {
    *this = TFrame();
    const std::string_view f = PduByteStr;
    const size_t length = f.size();
    const auto illegalLength = [&] { return EFrame("Illegal length (" + std::to_string(length) + ")"); };
    if (length < 3) throw illegalLength();
    if (Octet(f, 0) != kFlag) throw EFrame("Illegal opening flag");
    if ((Octet(f, 1) & 0xF0) != 0xA0) throw EFrame("Illegal frame type");
    FSegmented = (Octet(f, 1) & 0x08) != 0;
    FLength = (Octet(f, 1) & 7) * 256 + Octet(f, 2);
    if (length != static_cast<size_t>(FLength) + 2)
        throw EFrame("Frame length subfield value (" + std::to_string(FLength) + ") does not match frame length (" +
                     std::to_string(length - 2) + ")");

    size_t pos = 3;
    if (!DecodeAddress(f, pos, length, FDstAddress) || !DecodeAddress(f, pos, length, FSrcAddress)) throw illegalLength();
    // Control, the HCS and at least the closing flag must follow.
    if (pos + 4 > length) throw illegalLength();
    FControl = Octet(f, pos);
    if ((FControl & 0x01) == 0) {
        FKind = fkI;
        FSSequenceNr = (FControl >> 1) & 7;
        FRSequenceNr = FControl >> 5;
    } else if ((FControl & 0x0F) == 0x01) {
        FKind = fkRR;
        FRSequenceNr = FControl >> 5;
    } else if ((FControl & 0x0F) == 0x05) {
        FKind = fkRNR;
        FRSequenceNr = FControl >> 5;
    } else {
        switch (FControl & 0xEF) {
        case 0x03: FKind = fkUI; break;
        case 0x0F: FKind = fkDM; break;
        case 0x43: FKind = fkDISC; break;
        case 0x63: FKind = fkUA; break;
        case 0x83: FKind = fkSNRM; break;
        case 0x87: FKind = fkFRMR; break;
        default: throw EFrame("Illegal kind");
        }
    }
    FPollFinal = (FControl & 0x10) != 0;

    FHCSIndex = static_cast<int>(pos + 1);
    if (!FcsMatches(f.substr(1, pos), f.substr(pos + 1, 2))) throw EFrame("Illegal HCS");
    pos += 3;
    if (pos + 3 <= length) {
        FData.assign(f.substr(pos, length - 3 - pos));
        FFCSIndex = static_cast<int>(length - 3);
        if (!FcsMatches(f.substr(1, length - 4), f.substr(length - 3, 2))) throw EFrame("Illegal FCS");
        pos = length - 1;
    }
    if (Octet(f, pos) != kFlag) throw EFrame("Illegal closing flag");
}

std::string TFrame::GetPDUByteStr() {
    std::string frame;
    frame.reserve(FData.size() + 16);
    frame += static_cast<char>(kFlag);
    frame.append(2, '\0');  // the frame format field, once the length is known
    EncodeAddress(frame, FDstAddress);
    EncodeAddress(frame, FSrcAddress);
    const int addressOctets = static_cast<int>(frame.size() - 3);
    const int frameLength = addressOctets + 5 + (FData.empty() ? 0 : static_cast<int>(FData.size()) + 2);
    if (frameLength > 0x7FF)
        throw EFrame("Frame length (" + std::to_string(frameLength) + ") does not fit the frame length subfield");
    FLength = frameLength;
    const unsigned format = 0xA000 | (FSegmented ? 0x0800 : 0) | (static_cast<unsigned>(frameLength) & 0x07FF);
    frame[1] = static_cast<char>(format >> 8);
    frame[2] = static_cast<char>(format & 0xFF);

    static constexpr uint8_t kControls[] = {0xFF, 0x00, 0x05, 0x01, 0x43, 0x0F, 0x87, 0x83, 0x63, 0x03};
    unsigned control = kControls[FKind <= fkUI ? FKind : fkUnknown];
    if (FKind == fkI) control = FRSequenceNr * 32u + FSSequenceNr * 2u;
    if (FKind == fkRR || FKind == fkRNR) control += FRSequenceNr * 32u;
    if (FPollFinal) control |= 0x10;
    FControl = static_cast<uint8_t>(control);
    frame += static_cast<char>(FControl);

    FHCSIndex = static_cast<int>(frame.size());
    AppendFcs(frame, 1);
    FFCSIndex = 0;
    if (!FData.empty()) {
        frame += FData;
        FFCSIndex = static_cast<int>(frame.size());
        AppendFcs(frame, 1);
    }
    frame += static_cast<char>(kFlag);
    return frame;
}

std::string TFrame::AsPduHexStr() { return TMisc::ByteStrToHexStr(GetPDUByteStr()); }

void TFrame::GetAsStrings(std::vector<std::string>& Lines, int Indent) const {
    const std::string indent(2 * static_cast<size_t>(Indent > 0 ? Indent : 0), ' ');
    const std::string inner = indent + "  ";
    Lines.push_back(indent + "Frame(");
    std::string line = inner;
    line += "Kind:";
    line += FrameKindName(FKind);
    line += ", Dst:'" + AddressText(FDstAddress) + "', Src:'" + AddressText(FSrcAddress) + "', P/F:";
    line += FPollFinal ? '1' : '0';
    line += ", Seg:";
    line += FSegmented ? '1' : '0';
    const auto nextLine = [&] {
        line += ',';
        Lines.push_back(std::move(line));
        line = inner;
    };
    if (FKind == fkI || FKind == fkRR || FKind == fkRNR) {
        nextLine();
        line += "N(R):" + std::to_string(FRSequenceNr);
        if (FKind == fkI) line += ", N(S):" + std::to_string(FSSequenceNr);
    }
    if (!FData.empty()) {
        nextLine();
        line += "Info:'";
        TMisc::AppendHex(line, FData);
        line += "' size=" + std::to_string(FData.size());
        if (FKind == fkSNRM || FKind == fkUA) {
            try {
                line += "(" + LinkParametersText(FData) + ")";
            } catch (const EFrame&) {
                // Not link parameters: the description shows the octets only.
            }
        }
    }
    Lines.push_back(std::move(line));
    Lines.push_back(indent + ")");
}

}  // namespace vantrel
