// Seeded round trips of random APDUs of the association, protection,
// short-name, notification and block-transfer families: octets to XML, back
// to the same octets, and again to the same XML. Every alternative of every
// APDU comes out.
#include "TestSupport.h"
#include "RandomData.h"

namespace {

class TApduGenerator {
public:
    explicit TApduGenerator(uint32_t Seed) : R(Seed) {}

    // The top-level tags of the APDUs generated.
    static constexpr uint8_t kKinds[] = {0x01, 0x05, 0x06, 0x08, 0x0C, 0x0D, 0x0F, 0x10, 0x16, 0x18,
                                         0x60, 0x61, 0x62, 0x63, 0xDB, 0xDC, 0xDD, 0xDF, 0xE0};

    std::string Apdu(uint8_t Kind, int Depth = 2) {
        std::string s(1, static_cast<char>(Kind));
        switch (Kind) {
        case 0x01: InitiateRequest(s); break;
        case 0x08: InitiateResponse(s); break;
        case 0x05: List(s, [&] { VariableAccess(s); }); break;
        case 0x06: case 0x16:
            List(s, [&] { VariableAccess(s); });
            List(s, [&] { s += R.Data(2); });
            break;
        case 0x0C: List(s, [&] { SingleReadResponse(s); }); break;
        case 0x0D: List(s, [&] { SingleWriteResponse(s); }); break;
        case 0x0F:
            s += R.Octets(4);
            OctetString(s);
            s += R.Data(3);
            break;
        case 0x10:
            s += R.Octets(4);
            OctetString(s);
            break;
        case 0x18:
            if (Maybe()) OctetString(s.append(1, '\x01'));
            else s += '\0';
            List(s, [&] { VariableAccess(s); });
            List(s, [&] { s += R.Data(2); });
            break;
        case 0x60: AssociationRequest(s, Depth); break;
        case 0x61: AssociationResponse(s, Depth); break;
        case 0x62: case 0x63: Release(s, Kind, Depth); break;
        case 0xDB: case 0xDC:
            OctetString(s);
            OctetString(s);
            break;
        case 0xDD: GeneralCiphering(s); break;
        case 0xDF:
            for (int i = 0; i < 7; ++i) OctetString(s);
            break;
        case 0xE0:
            s += R.Octets(5);
            OctetString(s);
            break;
        }
        return s;
    }

private:
    bool Maybe() { return R.Below(2) == 1; }

    void OctetString(std::string& s) {
        const size_t n = R.Below(4) == 0 ? R.Length() : R.Below(10);
        vtest::TRandomData::AppendLength(s, n);
        s += R.OctetsOrText(n);
    }

    template <class TElement>
    void List(std::string& s, TElement&& Element) {
        const size_t n = R.Below(10) == 0 ? 130 : R.Below(4);
        vtest::TRandomData::AppendLength(s, n);
        for (size_t i = 0; i < n; ++i) Element();
    }

    void VariableAccess(std::string& s) {
        switch (R.Below(5)) {
        case 0: s += '\x02' + R.Octets(2); break;
        case 1:
            s += '\x04' + R.Octets(3);
            s += R.Data(2);
            break;
        case 2: s += '\x05' + R.Octets(2); break;
        case 3:
            s += '\x06' + R.Octets(3);
            OctetString(s);
            break;
        default: s += '\x07' + R.Octets(3); break;
        }
    }

    void DataAccessResult(std::string& s) {
        static constexpr int kResults[] = {0, 1, 2, 3, 4, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19, 250};
        s += static_cast<char>(kResults[R.Below(static_cast<int>(std::size(kResults)))]);
    }

    void SingleReadResponse(std::string& s) {
        switch (R.Below(4)) {
        case 0: s += '\0' + R.Data(2); break;
        case 1: DataAccessResult(s += '\x01'); break;
        case 2:
            s += '\x02' + R.Octets(3);
            OctetString(s);
            break;
        default: s += '\x03' + R.Octets(2); break;
        }
    }

    void SingleWriteResponse(std::string& s) {
        switch (R.Below(3)) {
        case 0: s += '\0'; break;
        case 1: DataAccessResult(s += '\x01'); break;
        default: s += '\x02' + R.Octets(2); break;
        }
    }

    void Conformance(std::string& s) { s += "\x5F\x1F\x04" + std::string(1, '\0') + R.Octets(3); }

    void InitiateRequest(std::string& s) {
        if (Maybe()) OctetString(s += '\x01');
        else s += '\0';
        for (int i = 0; i < 2; ++i) s += Maybe() ? '\x01' + R.Octets(1) : std::string(1, '\0');
        s += R.Octets(1);
        Conformance(s);
        s += R.Octets(2);
    }

    void InitiateResponse(std::string& s) {
        s += Maybe() ? '\x01' + R.Octets(1) : std::string(1, '\0');
        s += R.Octets(1);
        Conformance(s);
        s += R.Octets(4);
    }

    void GeneralCiphering(std::string& s) {
        for (int i = 0; i < 5; ++i) OctetString(s);
        switch (R.Below(4)) {
        case 0: s += '\0'; break;
        case 1: s += "\x01" + std::string(1, '\0') + static_cast<char>(R.Below(2)); break;
        case 2:
            s += "\x01\x01" + std::string(1, '\0');
            OctetString(s);
            break;
        default:
            s += "\x01\x02";
            OctetString(s);
            OctetString(s);
            break;
        }
        OctetString(s);
    }

    // BER: a tag, a minimal definite length, the contents.
    static std::string Tlv(uint8_t Tag, const std::string& Contents) {
        std::string s(1, static_cast<char>(Tag));
        vtest::TRandomData::AppendLength(s, Contents.size());
        return s + Contents;
    }

    std::string BitString() {
        const size_t n = R.Below(5) == 0 ? 200 : R.Below(4);
        std::string data = R.Octets(n);
        const int unused = n ? R.Below(8) : 0;
        if (n) data.back() = static_cast<char>(data.back() & (0xFF << unused));
        return static_cast<char>(n + 1) + std::string(1, static_cast<char>(unused)) + data;
    }

    // A named identifier, a run of seven octets of valid subidentifiers, or none.
    std::string ObjectIdentifier() {
        if (R.Below(8) == 0) return std::string(1, '\0');
        if (Maybe()) {
            std::string named = "\x07\x60\x85\x74\x05\x08";
            return named + static_cast<char>(1 + R.Below(2)) + static_cast<char>(R.Below(8));
        }
        std::string contents = R.Octets(7);
        contents.back() = static_cast<char>(contents.back() & 0x7F);
        bool first = true;
        for (char& c : contents) {
            if (first && static_cast<uint8_t>(c) == 0x80) c = '\x81';
            first = !(c & 0x80);
        }
        return '\x07' + contents;
    }

    std::string BEROctets() {
        const size_t n = R.Below(4) == 0 ? R.Length() : R.Below(10);
        std::string s;
        vtest::TRandomData::AppendLength(s, n);
        return s + R.OctetsOrText(n);
    }

    std::string Integer() { return "\x02\x01" + R.Octets(1); }

    // One of the Usual APDUs, or now and then any other.
    std::string UserInformation(std::string_view Usual, int Depth) {
        const uint8_t kind = static_cast<uint8_t>(Usual[R.Below(static_cast<int>(Usual.size()))]);
        std::string apdu;
        if (Depth > 0 && R.Below(4) == 0) apdu = Apdu(kKinds[R.Below(static_cast<int>(std::size(kKinds)))], Depth - 1);
        else if (kind == 0x0E) apdu = "\x0E\x01\x06\x01";
        else if (kind == 0x01 || kind == 0x08 || kind == 0xDB) apdu = Apdu(kind, Depth);
        else apdu = static_cast<char>(kind) + BEROctets();
        return Tlv(0xBE, Tlv(0x04, apdu));
    }

    void AssociationRequest(std::string& s, int Depth) {
        std::string c;
        if (Maybe()) c += '\x80' + BitString();
        c += Tlv(0xA1, '\x06' + ObjectIdentifier());
        for (uint8_t tag : {0xA2, 0xA3}) if (Maybe()) c += Tlv(tag, '\x04' + BEROctets());
        for (uint8_t tag : {0xA4, 0xA5}) if (Maybe()) c += Tlv(tag, Integer());
        for (uint8_t tag : {0xA6, 0xA7}) if (Maybe()) c += Tlv(tag, '\x04' + BEROctets());
        for (uint8_t tag : {0xA8, 0xA9}) if (Maybe()) c += Tlv(tag, Integer());
        if (Maybe()) c += '\x8A' + BitString();
        if (Maybe()) c += '\x8B' + ObjectIdentifier();
        if (Maybe()) c += Tlv(0xAC, '\x80' + BEROctets());
        if (Maybe()) c += '\x9D' + BEROctets();
        if (Maybe()) c += UserInformation("\x01\x21\xDB", Depth);
        vtest::TRandomData::AppendLength(s, c.size());
        s += c;
    }

    void AssociationResponse(std::string& s, int Depth) {
        std::string c;
        if (Maybe()) c += '\x80' + BitString();
        c += Tlv(0xA1, '\x06' + ObjectIdentifier());
        c += Tlv(0xA2, Integer());
        c += "\xA3\x05" + std::string(1, Maybe() ? '\xA1' : '\xA2') + "\x03" + Integer();
        for (uint8_t tag : {0xA4, 0xA5}) if (Maybe()) c += Tlv(tag, '\x04' + BEROctets());
        for (uint8_t tag : {0xA6, 0xA7}) if (Maybe()) c += Tlv(tag, Integer());
        if (Maybe()) c += '\x88' + BitString();
        if (Maybe()) c += '\x89' + ObjectIdentifier();
        if (Maybe()) c += Tlv(0xAA, '\x80' + BEROctets());
        if (Maybe()) c += UserInformation(std::string_view("\x08\x0E\x28\x2E\xDB", 5), Depth);
        vtest::TRandomData::AppendLength(s, c.size());
        s += c;
    }

    void Release(std::string& s, uint8_t Kind, int Depth) {
        static constexpr int kReasons[] = {0, 1, 30};
        std::string c;
        if (Maybe()) c += "\x80\x01" + std::string(1, static_cast<char>(kReasons[R.Below(3)]));
        if (Maybe()) {
            // Any APDU may be carried here, a release again included.
            const uint8_t kind = Depth > 0 ? kKinds[R.Below(static_cast<int>(std::size(kKinds)))] : Kind;
            const std::string apdu = Depth > 0 ? Apdu(kind, Depth - 1) : std::string("\x62\x00", 2);
            c += Tlv(0xBE, Tlv(0x04, apdu));
        }
        vtest::TRandomData::AppendLength(s, c.size());
        s += c;
    }

    vtest::TRandomData R;
};

TEST(AssocRoundTrip, RandomApdusOfEveryKindSurvive) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        TApduGenerator generator(seed);
        for (uint8_t kind : TApduGenerator::kKinds) {
            const std::string octets = generator.Apdu(kind);
            const auto x = vtest::ToXmlOctets(octets);
            ASSERT_EQ(x.Code, 0) << "seed " << seed << ": " << x.Message << " at " << x.Position << "\n"
                                 << vtest::Hex(octets);
            const auto p = vtest::ToPdu(x.Text);
            ASSERT_EQ(p.Code, 0) << "seed " << seed << ": " << p.Message << " at " << p.Position << "\n" << x.Text;
            ASSERT_EQ(p.Text, vtest::Hex(octets)) << "seed " << seed << "\n" << x.Text;
            EXPECT_EQ(vtest::ToXml(p.Text).Text, x.Text) << "seed " << seed;
        }
    }
}

}  // namespace
