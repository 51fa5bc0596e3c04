#include "Annotator.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "../../xmlPdu/INFRA/XMLId.h"
#include "CosemNames.h"

namespace vantrel {

namespace {

// What an element's value means, by element name.
enum TKind : uint8_t {
    kPlain,            // nothing to add
    kSigned,           // a two's complement integer
    kUnsigned,
    kEnum,             // a number; a unit in a scaler-unit pair
    kBoolean,
    kFloatBits,        // the IEEE bit pattern of Float32 or Float64
    kFloatOctets,      // four octets of a float, in the octet-string notation
    kClassId,
    kInstanceId,
    kAttributeId,
    kMethodId,
    kDateTime,         // twelve octets (an empty one is left alone)
    kDate,
    kTime,
    kOctetString,      // a date-time, or a logical name, when it looks like one
    kInvokeId,
    kLongInvokeId,
};

struct TKindRow {
    TXMLId Id;
    TKind Kind;
};

constexpr TKindRow kKindRows[] = {
    {xmlInteger, kSigned},
    {xmlLong, kSigned},
    {xmlDoubleLong, kSigned},
    {xmlLong64, kSigned},
    {xmlDeltaInteger, kSigned},
    {xmlDeltaLong, kSigned},
    {xmlDeltaDoubleLong, kSigned},
    {xmlUnsigned, kUnsigned},
    {xmlLongUnsigned, kUnsigned},
    {xmlDoubleLongUnsigned, kUnsigned},
    {xmlLong64Unsigned, kUnsigned},
    {xmlDeltaUnsigned, kUnsigned},
    {xmlDeltaLongUnsigned, kUnsigned},
    {xmlDeltaDoubleLongUnsigned, kUnsigned},
    {xmlBlockNumber, kUnsigned},
    {xmlBlockNumberAck, kUnsigned},
    {xmlNumberOfElements, kUnsigned},
    {xmlProposedMaxPduSize, kUnsigned},
    {xmlNegotiatedMaxPduSize, kUnsigned},
    {xmlProposedDlmsVersionNumber, kUnsigned},
    {xmlNegotiatedDlmsVersionNumber, kUnsigned},
    {xmlEnum, kEnum},
    {xmlBoolean, kBoolean},
    {xmlFloat32, kFloatBits},
    {xmlFloat64, kFloatBits},
    {xmlFloatingPoint, kFloatOctets},
    {xmlClassId, kClassId},
    {xmlInstanceId, kInstanceId},
    {xmlAttributeId, kAttributeId},
    {xmlMethodId, kMethodId},
    {xmlDateTime, kDateTime},
    {xmlCurrentTime, kDateTime},
    {xmlDate, kDate},
    {xmlTime, kTime},
    {xmlOctetString, kOctetString},
    {xmlInvokeIdAndPriority, kInvokeId},
    {xmlLongInvokeIdAndPriority, kLongInvokeId},
};

constexpr std::array<TKind, kXMLIdCount> BuildKinds() {
    std::array<TKind, kXMLIdCount> kinds{};
    for (const TKindRow& row : kKindRows) kinds[row.Id] = row.Kind;
    return kinds;
}
constexpr std::array<TKind, kXMLIdCount> kKinds = BuildKinds();

// The element names the annotator looks at, as the writer spells them: the
// rows above and the structure. Every other name is xmlDummy. Cheaper than
// the reader's case-blind lookup, which matters on every line.
constexpr size_t kNameSlots = 256;

// Length, first, middle and last letter: enough to spread the few names.
constexpr size_t NameHash(std::string_view s) {
    if (s.empty()) return 0;
    const auto at = [&](size_t i) { return static_cast<size_t>(static_cast<unsigned char>(s[i])); };
    return (s.size() * 7 + at(0) * 3 + at(s.size() / 2) * 5 + at(s.size() - 1)) & (kNameSlots - 1);
}

constexpr std::array<TXMLId, kNameSlots> BuildNames() {
    std::array<TXMLId, kNameSlots> slots{};
    for (auto& slot : slots) slot = xmlDummy;
    auto add = [&](TXMLId Id) {
        size_t i = NameHash(ElementName(Id));
        while (slots[i] != xmlDummy) i = (i + 1) & (kNameSlots - 1);
        slots[i] = Id;
    };
    for (const TKindRow& row : kKindRows) add(row.Id);
    add(xmlStructure);
    return slots;
}
constexpr std::array<TXMLId, kNameSlots> kNames = BuildNames();

TXMLId FindName(std::string_view Name) noexcept {
    for (size_t i = NameHash(Name); kNames[i] != xmlDummy; i = (i + 1) & (kNameSlots - 1)) {
        const std::string_view name = ElementName(kNames[i]);
        // The writer passes the names of the vocabulary itself: mostly the same text.
        if (name.data() == Name.data() ? name.size() == Name.size() : name == Name) return kNames[i];
    }
    return xmlDummy;
}

// The comment being built for one line, " <!-- text -->", in a fixed
// buffer: annotating allocates nothing per line. Text beyond its room is
// dropped.
class TComment {
public:
    TComment() noexcept { std::memcpy(FData, kOpen.data(), kOpen.size()); }

    void Clear() noexcept { FSize = kOpen.size(); }
    bool Empty() const noexcept { return FSize == kOpen.size(); }
    std::string_view Text() const noexcept { return {FData + kOpen.size(), FSize - kOpen.size()}; }

    // The whole comment, closed, with any ">" or "--" in its text taken apart
    // (the XML reader ends a comment at the first ">").
    std::string_view Closed() noexcept {
        bool clean = true;
        for (size_t i = kOpen.size(); i < FSize && clean; ++i)
            clean = FData[i] != '>' && !(FData[i] == '-' && i + 1 < FSize && FData[i + 1] == '-');
        if (!clean) Sanitize();
        std::memcpy(FData + FSize, kClose.data(), kClose.size());
        return {FData, FSize + kClose.size()};
    }

    TComment& operator<<(std::string_view s) noexcept {
        const size_t n = s.size() < kRoom - FSize ? s.size() : kRoom - FSize;
        std::memcpy(FData + FSize, s.data(), n);
        FSize += n;
        return *this;
    }
    TComment& operator<<(char c) noexcept {
        if (FSize < kRoom) FData[FSize++] = c;
        return *this;
    }
    TComment& operator<<(int64_t v) noexcept { return Number(v); }
    TComment& operator<<(uint64_t v) noexcept { return Number(v); }
    TComment& operator<<(int v) noexcept { return Number(static_cast<int64_t>(v)); }
    // Two digits at least.
    TComment& Pad2(int v) noexcept {
        if (v < 0 || v > 99) return *this << v;
        if (kRoom - FSize < 2) return *this;
        FData[FSize++] = static_cast<char>('0' + v / 10);
        FData[FSize++] = static_cast<char>('0' + v % 10);
        return *this;
    }
    // Shortest decimal text of a float or a double.
    template <class T>
    TComment& Real(T v) noexcept {
        char text[64];
        const auto r = std::to_chars(text, text + sizeof text, v);
        return *this << std::string_view(text, static_cast<size_t>(r.ptr - text));
    }

private:
    static constexpr std::string_view kOpen = " <!-- ";
    static constexpr std::string_view kClose = " -->";
    static constexpr size_t kRoom = 400;  // where the text ends at most

    template <class T>
    TComment& Number(T v) noexcept {
        const auto r = std::to_chars(FData + FSize, FData + kRoom, v);
        if (r.ec == std::errc()) FSize = static_cast<size_t>(r.ptr - FData);
        return *this;
    }

    void Sanitize() noexcept {
        char text[kRoom];
        size_t n = 0;
        char previous = ' ';
        for (size_t i = kOpen.size(); i < FSize && n + 2 < kRoom - kOpen.size(); ++i) {
            char ch = FData[i];
            if (ch == '>') ch = ')';
            if (ch == '-' && previous == '-') text[n++] = ' ';
            text[n++] = ch;
            previous = ch;
        }
        std::memcpy(FData + kOpen.size(), text, n);
        FSize = kOpen.size() + n;
    }

    char FData[kRoom + 4];
    size_t FSize = kOpen.size();
};

constexpr std::array<uint8_t, 256> BuildDigitValues() {
    std::array<uint8_t, 256> v{};
    for (auto& d : v) d = 0xFF;
    for (int i = 0; i < 10; ++i) v['0' + i] = static_cast<uint8_t>(i);
    for (int i = 0; i < 6; ++i) v['A' + i] = v['a' + i] = static_cast<uint8_t>(10 + i);
    return v;
}
constexpr std::array<uint8_t, 256> kDigitValues = BuildDigitValues();

// The octets of a Value attribute: backslash text or hex digits. False when
// the text is neither or holds more than Capacity octets.
bool ValueOctets(std::string_view Text, uint8_t* Octets, size_t Capacity, size_t& Count) noexcept {
    if (!Text.empty() && Text[0] == '\\') {
        Text.remove_prefix(1);
        if (Text.size() > Capacity) return false;
        std::memcpy(Octets, Text.data(), Text.size());
        Count = Text.size();
        return true;
    }
    if (Text.size() % 2 != 0 || Text.size() / 2 > Capacity) return false;
    Count = Text.size() / 2;
    const auto* digits = reinterpret_cast<const unsigned char*>(Text.data());
    for (size_t i = 0; i < Count; ++i) {
        const uint8_t high = kDigitValues[digits[2 * i]], low = kDigitValues[digits[2 * i + 1]];
        if ((high | low) > 15) return false;
        Octets[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

// The octets of a value, most significant first, as an integer of Count octets.
uint64_t Bits(const uint8_t* Octets, size_t Count) noexcept {
    uint64_t v = 0;
    for (size_t i = 0; i < Count; ++i) v = v << 8 | Octets[i];
    return v;
}

int64_t SignExtend(uint64_t Bits, size_t Count) noexcept {
    if (Count == 0 || Count >= 8) return static_cast<int64_t>(Bits);
    const unsigned shift = static_cast<unsigned>(64 - 8 * Count);
    return static_cast<int64_t>(Bits << shift) >> shift;
}

bool InRange(int v, int Low, int High) noexcept { return v >= Low && v <= High; }

// Whether twelve octets read as a date-time: every field within its range or
// "not specified".
bool LooksLikeDateTime(const uint8_t* o) noexcept {
    const int deviation = static_cast<int16_t>(o[9] << 8 | o[10]);
    return (InRange(o[2], 1, 12) || o[2] >= 0xFD) && (InRange(o[3], 1, 31) || o[3] >= 0xFD) &&
           (InRange(o[4], 1, 7) || o[4] == 0xFF) && (o[5] <= 23 || o[5] == 0xFF) && (o[6] <= 59 || o[6] == 0xFF) &&
           (o[7] <= 59 || o[7] == 0xFF) && (o[8] <= 99 || o[8] == 0xFF) &&
           (InRange(deviation, -720, 720) || deviation == -0x8000);
}

constexpr std::string_view kWeekdays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

// Year, month, day and day of week: "Thu 2017-09-14"; "*" for a field not
// specified.
void AppendDate(TComment& c, const uint8_t* o) {
    if (InRange(o[4], 1, 7)) c << kWeekdays[o[4] - 1] << ' ';
    else if (o[4] != 0xFF) c << "weekday " << int{o[4]} << ' ';
    const int year = o[0] << 8 | o[1];
    if (year == 0xFFFF) c << '*';
    else {
        if (year < 1000) c << (year < 10 ? "000" : year < 100 ? "00" : "0");
        c << year;
    }
    c << '-';
    switch (o[2]) {
    case 0xFF: c << '*'; break;
    case 0xFE: c << "(DST begin)"; break;
    case 0xFD: c << "(DST end)"; break;
    default: c.Pad2(o[2]);
    }
    c << '-';
    switch (o[3]) {
    case 0xFF: c << '*'; break;
    case 0xFE: c << "(last day)"; break;
    case 0xFD: c << "(second last day)"; break;
    default: c.Pad2(o[3]);
    }
}

// Hour, minute, second and hundredths: "21:17:00", "21:*:*", "08:00:00.50".
void AppendTime(TComment& c, const uint8_t* o) {
    for (int i = 0; i < 3; ++i) {
        if (i > 0) c << ':';
        if (o[i] == 0xFF) c << '*';
        else c.Pad2(o[i]);
    }
    if (o[3] != 0xFF && o[3] != 0) {
        c << '.';
        c.Pad2(o[3]);
    }
}

constexpr std::string_view kStatusBits[] = {"invalid", "doubtful", "different clock base", "invalid clock status"};

void AppendDateTime(TComment& c, const uint8_t* o) {
    AppendDate(c, o);
    c << ' ';
    AppendTime(c, o + 5);
    const int deviation = static_cast<int16_t>(o[9] << 8 | o[10]);
    if (deviation == -0x8000) c << ", deviation not specified";
    else c << ", deviation " << deviation << " min";
    const uint8_t status = o[11];
    if (status == 0xFF) {
        c << ", status not specified";
        return;
    }
    for (int bit = 0; bit < 4; ++bit)
        if (status & (1 << bit)) c << ", " << kStatusBits[bit];
    if (status & 0x80) c << ", DST";
    if (status & 0x70) c << ", status bits " << int{status};
}

void AppendLogicalName(TComment& c, const uint8_t* o) {
    for (int i = 0; i < 6; ++i) {
        if (i > 0) c << '.';
        c << int{o[i]};
    }
    if (const std::string_view name = names::ObjectName(o); !name.empty()) c << ' ' << name;
}

// Value × 10^Scaler, exactly: "12.345", "-0.05", "1200".
void AppendScaled(TComment& c, bool Negative, uint64_t Magnitude, int Scaler) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, Magnitude);
    std::string_view d(digits, static_cast<size_t>(r.ptr - digits));
    if (Negative && Magnitude != 0) c << '-';
    if (Scaler > 20 || Scaler < -20) {
        c << d << "e" << Scaler;
        return;
    }
    if (Scaler >= 0) {
        c << d;
        if (Magnitude != 0)
            for (int i = 0; i < Scaler; ++i) c << '0';
        return;
    }
    const size_t decimals = static_cast<size_t>(-Scaler);
    if (d.size() <= decimals) {
        c << "0.";
        for (size_t i = d.size(); i < decimals; ++i) c << '0';
        c << d;
    } else {
        c << d.substr(0, d.size() - decimals) << '.' << d.substr(d.size() - decimals);
    }
}

// One open element and what its children told so far.
struct TFrame {
    TXMLId Id = xmlDummy;
    int Qty = -1;             // the element count of a list
    int Index = 0;            // its place among its parent's children
    int Children = 0;         // children begun so far
    int ClassId = -1;         // of a descriptor, or of a structure that opens with a long-unsigned
    int NameChild = -1;       // the child that was a logical name
    int NumberChild = -1;     // the last child that was an integer
    bool NumberNegative = false;
    uint64_t NumberMagnitude = 0;
    int ScalerChild = -1;     // the child that may be a scaler
    int Scaler = 0;
};

class TAnnotator final : public TLineObserver {
public:
    TAnnotator() { FStack.reserve(16); }

    void OpenLine(TScriptStream&, std::string_view Tag, std::string_view Qty) override {
        Open(FindName(Tag), Qty.empty() ? -1 : Count(Qty));
    }
    void CloseLine(TScriptStream&) override {
        if (!FStack.empty()) FStack.pop_back();
    }
    void OtherLine(TScriptStream&) override { BeginChild(); }
    void ValueLine(TScriptStream& Stream, std::string_view Tag, std::string_view Value, bool Octets) override {
        const int index = BeginChild();
        const TXMLId id = FindName(Tag);
        const TKind kind = kKinds[id];
        if (kind == kPlain) return;
        uint8_t o[16];
        size_t n = 0;
        if (Octets) {
            if (Value.size() > sizeof o) return;
            std::memcpy(o, Value.data(), Value.size());
            n = Value.size();
        } else if (!ValueOctets(Value, o, sizeof o, n)) {
            return;
        }
        FComment.Clear();
        Leaf(kind, index, o, n);
        if (!FComment.Empty()) Stream.AppendToLine(FComment.Closed());
    }

private:
    TFrame* Top() noexcept { return FStack.empty() ? nullptr : &FStack.back(); }

    // Begins a child of the innermost open element; its place there.
    int BeginChild() noexcept {
        TFrame* parent = Top();
        return parent ? parent->Children++ : 0;
    }

    static int Count(std::string_view Hex) noexcept {
        uint8_t octets[4];
        size_t n = 0;
        if (Hex.size() % 2 != 0 || !ValueOctets(Hex, octets, sizeof octets, n)) return -1;
        return static_cast<int>(Bits(octets, n) & 0x7FFFFFFF);
    }

    void Open(TXMLId Id, int Qty) {
        TFrame frame;
        frame.Id = Id;
        frame.Qty = Qty;
        frame.Index = BeginChild();
        FStack.push_back(frame);
    }

    // The comment of a value of Kind, the child Index of the innermost element.
    void Leaf(TKind kind, int index, const uint8_t* o, size_t n) {
        TFrame* parent = Top();
        const bool inStructure = parent && parent->Id == xmlStructure;
        TComment& c = FComment;
        switch (kind) {
        case kSigned:
        case kUnsigned:
        case kEnum: {
            if (n == 0 || n > 8) return;
            const uint64_t bits = Bits(o, n);
            const bool negative = kind == kSigned && SignExtend(bits, n) < 0;
            const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(SignExtend(bits, n)) : bits;
            if (negative) c << SignExtend(bits, n);
            else c << bits;
            if (!parent) return;
            if (kind == kEnum && inStructure && index == 1 && parent->Qty == 2 && parent->ScalerChild == 0)
                return Unit(*parent, static_cast<int>(bits));
            if (kind == kSigned && n == 1 && inStructure && parent->NameChild >= 0 && index == parent->NameChild + 1)
                return CaptureAttribute(*parent, static_cast<int>(SignExtend(bits, n)));
            if (kind == kUnsigned && n == 2 && inStructure && index == 0) parent->ClassId = static_cast<int>(bits);
            if (kind == kSigned && n == 1 && inStructure && index == 0) {
                parent->ScalerChild = 0;
                parent->Scaler = static_cast<int>(SignExtend(bits, n));
            }
            if (kind != kEnum) {
                parent->NumberChild = index;
                parent->NumberNegative = negative;
                parent->NumberMagnitude = magnitude;
            }
            return;
        }
        case kBoolean:
            if (n == 1) c << (o[0] ? "true" : "false");
            return;
        case kFloatBits:
        case kFloatOctets:
            if (n == 4) c.Real(std::bit_cast<float>(static_cast<uint32_t>(Bits(o, n))));
            else if (n == 8) c.Real(std::bit_cast<double>(Bits(o, n)));
            return;
        case kClassId:
            if (n != 2) return;
            c << static_cast<int>(Bits(o, n));
            if (parent) parent->ClassId = static_cast<int>(Bits(o, n));
            if (const names::TClassRow* cls = names::FindClass(static_cast<int>(Bits(o, n)))) c << ' ' << cls->Name;
            return;
        case kInstanceId:
            if (n == 6) AppendLogicalName(c, o);
            return;
        case kAttributeId:
        case kMethodId: {
            if (n != 1) return;
            const int id = static_cast<int8_t>(o[0]);
            c << id;
            const names::TClassRow* cls = parent ? names::FindClass(parent->ClassId) : nullptr;
            if (!cls) return;
            const std::string_view name = kind == kAttributeId ? names::AttributeName(*cls, id) : names::MethodName(*cls, id);
            if (!name.empty()) c << ' ' << name;
            return;
        }
        case kDateTime:
            if (n == 12) AppendDateTime(c, o);
            return;
        case kDate:
            if (n == 5) AppendDate(c, o);
            return;
        case kTime:
            if (n == 4) AppendTime(c, o);
            return;
        case kOctetString:
            if (n == 12 && LooksLikeDateTime(o)) return AppendDateTime(c, o);
            if (n == 6) return OctetStringName(parent, index, o);
            return;
        case kInvokeId:
            if (n != 1) return;
            c << "invoke id " << (o[0] & 0x0F) << ((o[0] & 0x40) ? ", confirmed" : ", unconfirmed")
              << ((o[0] & 0x80) ? ", high priority" : ", normal priority");
            return;
        case kLongInvokeId: {
            if (n != 4) return;
            const uint64_t v = Bits(o, n);
            c << "invoke id " << (v & 0xFFFFFF) << ((v & 0x40000000) ? ", confirmed" : ", unconfirmed")
              << ((v & 0x80000000) ? ", high priority" : ", normal priority");
            if (v & 0x20000000) c << ", break on error";
            if (v & 0x10000000) c << ", self-descriptive";
            return;
        }
        case kPlain:
            return;
        }
    }

    // A six-octet string: a logical name when it is a well-known one, or
    // when it follows a class id in a structure (capture objects, object lists).
    void OctetStringName(TFrame* Parent, int Index, const uint8_t* o) {
        const bool afterClass = Parent && Parent->Id == xmlStructure && Parent->ClassId >= 0 && (Index == 1 || Index == 2);
        if (!afterClass && names::ObjectName(o).empty()) return;
        AppendLogicalName(FComment, o);
        if (!afterClass) return;
        Parent->NameChild = Index;
        FComment << ", class " << Parent->ClassId;
        if (const names::TClassRow* cls = names::FindClass(Parent->ClassId)) FComment << ' ' << cls->Name;
    }

    // The attribute index after the logical name of a capture object.
    void CaptureAttribute(TFrame& Parent, int Attribute) {
        const names::TClassRow* cls = names::FindClass(Parent.ClassId);
        if (!cls) return;
        const std::string_view name = names::AttributeName(*cls, Attribute);
        if (!name.empty()) FComment << ", attribute " << name;
    }

    // The unit of a scaler-unit pair, with the value just before the pair
    // when the structure around it holds one.
    void Unit(const TFrame& Pair, int Unit) {
        const std::string_view symbol = names::UnitSymbol(Unit);
        TComment& c = FComment;
        if (!symbol.empty()) c << ' ' << symbol;
        c << ", scaler " << Pair.Scaler;
        if (FStack.size() < 2) return;
        const TFrame& outer = FStack[FStack.size() - 2];
        if (outer.NumberChild < 0 || outer.NumberChild != Pair.Index - 1) return;
        c << ", value ";
        AppendScaled(c, outer.NumberNegative, outer.NumberMagnitude, Pair.Scaler);
        if (!symbol.empty() && Unit != 255) c << ' ' << symbol;
    }

    std::vector<TFrame> FStack;
    TComment FComment;
};

}  // namespace

TAnnotation::TAnnotation(TScriptStream& Stream, bool Enabled) : FStream(Stream) {
    if (!Enabled) return;
    FObserver = std::make_unique<TAnnotator>();
    FStream.Observer = FObserver.get();
}

TAnnotation::~TAnnotation() {
    if (FObserver) FStream.Observer = nullptr;
}

}  // namespace vantrel
