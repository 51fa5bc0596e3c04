// Seeded property tests of the service APDUs: random APDUs of every
// alternative survive octets → XML → octets → XML unchanged; cut anywhere
// they fail cleanly; random octets after each APDU tag never crash.
#include <gtest/gtest.h>

#include "RandomData.h"
#include "TestSupport.h"
#include "xmlPdu/types/AccessService.h"
#include "xmlPdu/types/ServiceErrors.h"

namespace {

using vtest::TRandomData;

// Builds the octets of random, well-formed APDUs.
class TRandomApdu {
public:
    explicit TRandomApdu(uint32_t Seed) : FRandom(Seed) {}

    struct TKind {
        const char* Name;
        void (TRandomApdu::*Append)(std::string&);
    };
    static const TKind kKinds[];

    std::string Make(const TKind& Kind) {
        std::string s;
        (this->*Kind.Append)(s);
        return s;
    }
    TRandomData& Random() { return FRandom; }

private:
    void Octet(std::string& s) { s += FRandom.Octets(1); }
    void Octets(std::string& s, size_t n) { s += FRandom.Octets(n); }
    void Byte(std::string& s, int b) { s += static_cast<char>(b); }
    void Data(std::string& s) { s += FRandom.Data(FRandom.Below(3)); }
    template <size_t N>
    void NameOf(std::string& s, const vantrel::TEnumName (&Names)[N]) {
        Byte(s, Names[FRandom.Below(static_cast<int>(N))].Value);
    }
    void DataAccessResult(std::string& s) { NameOf(s, vantrel::T_DataAccessResult::kNames); }
    void ActionResult(std::string& s) { NameOf(s, vantrel::T_ActionResult::kNames); }
    // A short octet string with its length: opaque octets or printable text.
    void OctetString(std::string& s) {
        const std::string octets = FRandom.OctetsOrText(FRandom.Below(6) == 0 ? FRandom.Length() : FRandom.Below(13));
        TRandomData::AppendLength(s, octets.size());
        s += octets;
    }
    // A list count, now and then beyond 127 to reach the long length forms.
    size_t Count() { return FRandom.Below(12) == 0 ? 128 + FRandom.Below(40) : FRandom.Below(4); }
    void List(std::string& s, void (TRandomApdu::*Element)(std::string&)) {
        const size_t n = Count();
        TRandomData::AppendLength(s, n);
        for (size_t i = 0; i < n; ++i) (this->*Element)(s);
    }
    void Presence(std::string& s, void (TRandomApdu::*Field)(std::string&)) {
        if (FRandom.Below(2)) {
            Byte(s, 1);
            (this->*Field)(s);
        } else {
            Byte(s, 0);
        }
    }

    void Descriptor(std::string& s) {
        Octets(s, 2);
        s += FRandom.OctetsOrText(6);
        Octet(s);
    }
    void Selection(std::string& s) {
        Octet(s);
        Data(s);
    }
    void DescriptorWithSelection(std::string& s) {
        Descriptor(s);
        Presence(s, &TRandomApdu::Selection);
    }
    void BlockNumber(std::string& s) { Octets(s, 4); }
    void DataBlockSA(std::string& s) {
        Octet(s);
        BlockNumber(s);
        OctetString(s);
    }
    void GetDataResult(std::string& s) {
        const int tag = FRandom.Below(2);
        Byte(s, tag);
        if (tag == 0) Data(s);
        else DataAccessResult(s);
    }
    void DataBlockG(std::string& s) {
        Octet(s);
        BlockNumber(s);
        const int tag = FRandom.Below(2);
        Byte(s, tag);
        if (tag == 0) OctetString(s);
        else DataAccessResult(s);
    }
    void SingleActionResponse(std::string& s) {
        ActionResult(s);
        Presence(s, &TRandomApdu::GetDataResult);
    }
    void RequestSpecification(std::string& s) {
        const int tag = 1 + FRandom.Below(5);
        Byte(s, tag);
        Descriptor(s);
        if (tag >= 4) Selection(s);
    }
    void ResponseSpecification(std::string& s) {
        const int tag = 1 + FRandom.Below(3);
        Byte(s, tag);
        if (tag == 3) ActionResult(s);
        else DataAccessResult(s);
    }
    void RequestSpecifications(std::string& s) { List(s, &TRandomApdu::RequestSpecification); }

    // Service APDU heads: the APDU tag, the alternative, the invoke id.
    void Head(std::string& s, int Tag, int Alternative) {
        Byte(s, Tag);
        Byte(s, Alternative);
        Octet(s);
    }

    void GetRequestNormal(std::string& s) { Head(s, 0xC0, 1); DescriptorWithSelection(s); }
    void GetRequestNext(std::string& s) { Head(s, 0xC0, 2); BlockNumber(s); }
    void GetRequestWithList(std::string& s) { Head(s, 0xC0, 3); List(s, &TRandomApdu::DescriptorWithSelection); }
    void GetResponseNormal(std::string& s) { Head(s, 0xC4, 1); GetDataResult(s); }
    void GetResponseWithDataBlock(std::string& s) { Head(s, 0xC4, 2); DataBlockG(s); }
    void GetResponseWithList(std::string& s) { Head(s, 0xC4, 3); List(s, &TRandomApdu::GetDataResult); }

    void SetRequestNormal(std::string& s) { Head(s, 0xC1, 1); DescriptorWithSelection(s); Data(s); }
    void SetRequestWithFirstDataBlock(std::string& s) { Head(s, 0xC1, 2); DescriptorWithSelection(s); DataBlockSA(s); }
    void SetRequestWithDataBlock(std::string& s) { Head(s, 0xC1, 3); DataBlockSA(s); }
    void SetRequestWithList(std::string& s) {
        Head(s, 0xC1, 4); List(s, &TRandomApdu::DescriptorWithSelection); List(s, &TRandomApdu::Data);
    }
    void SetRequestWithListAndFirstBlock(std::string& s) {
        Head(s, 0xC1, 5); List(s, &TRandomApdu::DescriptorWithSelection); DataBlockSA(s);
    }
    void SetResponseNormal(std::string& s) { Head(s, 0xC5, 1); DataAccessResult(s); }
    void SetResponseForDataBlock(std::string& s) { Head(s, 0xC5, 2); BlockNumber(s); }
    void SetResponseForLastDataBlock(std::string& s) { Head(s, 0xC5, 3); DataAccessResult(s); BlockNumber(s); }
    void SetResponseForLastDataBlockWithList(std::string& s) {
        Head(s, 0xC5, 4); List(s, &TRandomApdu::DataAccessResult); BlockNumber(s);
    }
    void SetResponseWithList(std::string& s) { Head(s, 0xC5, 5); List(s, &TRandomApdu::DataAccessResult); }

    void ActionRequestNormal(std::string& s) { Head(s, 0xC3, 1); Descriptor(s); Presence(s, &TRandomApdu::Data); }
    void ActionRequestNext(std::string& s) { Head(s, 0xC3, 2); BlockNumber(s); }
    void ActionRequestWithList(std::string& s) {
        Head(s, 0xC3, 3); List(s, &TRandomApdu::Descriptor); List(s, &TRandomApdu::Data);
    }
    void ActionRequestWithFirstPBlock(std::string& s) { Head(s, 0xC3, 4); Descriptor(s); DataBlockSA(s); }
    void ActionRequestWithListAndFirstPBlock(std::string& s) {
        Head(s, 0xC3, 5); List(s, &TRandomApdu::Descriptor); DataBlockSA(s);
    }
    void ActionRequestWithPBlock(std::string& s) { Head(s, 0xC3, 6); DataBlockSA(s); }
    void ActionResponseNormal(std::string& s) { Head(s, 0xC7, 1); SingleActionResponse(s); }
    void ActionResponseWithPBlock(std::string& s) { Head(s, 0xC7, 2); DataBlockSA(s); }
    void ActionResponseWithList(std::string& s) { Head(s, 0xC7, 3); List(s, &TRandomApdu::SingleActionResponse); }
    void ActionResponseNext(std::string& s) { Head(s, 0xC7, 4); BlockNumber(s); }

    void AccessRequest(std::string& s) {
        Byte(s, 0xD9); Octets(s, 4); OctetString(s);
        RequestSpecifications(s); List(s, &TRandomApdu::Data);
    }
    void AccessResponse(std::string& s) {
        Byte(s, 0xDA); Octets(s, 4); OctetString(s);
        Presence(s, &TRandomApdu::RequestSpecifications);
        List(s, &TRandomApdu::Data); List(s, &TRandomApdu::ResponseSpecification);
    }
    void EventNotification(std::string& s) {
        Byte(s, 0xC2); Presence(s, &TRandomApdu::OctetString); Descriptor(s); Data(s);
    }

    void ConfirmedServiceError(std::string& s) {
        using namespace vantrel;
        Byte(s, 0x0E); Octet(s);
        switch (FRandom.Below(10)) {
        case 0: Byte(s, 0); NameOf(s, T_ApplicationReference::kNames); break;
        case 1: Byte(s, 1); NameOf(s, T_HardwareResource::kNames); break;
        case 2: Byte(s, 2); NameOf(s, T_VdeStateError::kNames); break;
        case 3: Byte(s, 3); NameOf(s, T_Service::kNames); break;
        case 4: Byte(s, 4); NameOf(s, T_Definition::kNames); break;
        case 5: Byte(s, 5); NameOf(s, T_Access::kNames); break;
        case 6: Byte(s, 6); NameOf(s, T_Initiate::kNames); break;
        case 7: Byte(s, 7); NameOf(s, T_LoadDataSet::kNames); break;
        case 8: Byte(s, 9); NameOf(s, T_Task::kNames); break;
        default: Byte(s, 10); Octet(s); break;
        }
    }
    void ExceptionResponse(std::string& s) {
        Byte(s, 0xD8); NameOf(s, vantrel::T_ExceptionStateError::kNames);
        NameOf(s, vantrel::T_ExceptionServiceError::kNames);
    }

    TRandomData FRandom;
};

const TRandomApdu::TKind TRandomApdu::kKinds[] = {
    {"GetRequestNormal", &TRandomApdu::GetRequestNormal},
    {"GetRequestForNextDataBlock", &TRandomApdu::GetRequestNext},
    {"GetRequestWithList", &TRandomApdu::GetRequestWithList},
    {"GetResponseNormal", &TRandomApdu::GetResponseNormal},
    {"GetResponseWithDataBlock", &TRandomApdu::GetResponseWithDataBlock},
    {"GetResponseWithList", &TRandomApdu::GetResponseWithList},
    {"SetRequestNormal", &TRandomApdu::SetRequestNormal},
    {"SetRequestWithFirstDataBlock", &TRandomApdu::SetRequestWithFirstDataBlock},
    {"SetRequestWithDataBlock", &TRandomApdu::SetRequestWithDataBlock},
    {"SetRequestWithList", &TRandomApdu::SetRequestWithList},
    {"SetRequestWithListAndWithFirstDatablock", &TRandomApdu::SetRequestWithListAndFirstBlock},
    {"SetResponseNormal", &TRandomApdu::SetResponseNormal},
    {"SetResponseForDataBlock", &TRandomApdu::SetResponseForDataBlock},
    {"SetResponseForLastDataBlock", &TRandomApdu::SetResponseForLastDataBlock},
    {"SetResponseForLastDataBlockWithList", &TRandomApdu::SetResponseForLastDataBlockWithList},
    {"SetResponseWithList", &TRandomApdu::SetResponseWithList},
    {"ActionRequestNormal", &TRandomApdu::ActionRequestNormal},
    {"ActionRequestForNextPBlock", &TRandomApdu::ActionRequestNext},
    {"ActionRequestWithList", &TRandomApdu::ActionRequestWithList},
    {"ActionRequestWithFirstPBlock", &TRandomApdu::ActionRequestWithFirstPBlock},
    {"ActionRequestWithListAndFirstPBlock", &TRandomApdu::ActionRequestWithListAndFirstPBlock},
    {"ActionRequestWithPBlock", &TRandomApdu::ActionRequestWithPBlock},
    {"ActionResponseNormal", &TRandomApdu::ActionResponseNormal},
    {"ActionResponseWithPBlock", &TRandomApdu::ActionResponseWithPBlock},
    {"ActionResponseWithList", &TRandomApdu::ActionResponseWithList},
    {"ActionResponseForNextPBlock", &TRandomApdu::ActionResponseNext},
    {"AccessRequest", &TRandomApdu::AccessRequest},
    {"AccessResponse", &TRandomApdu::AccessResponse},
    {"EventNotificationRequest", &TRandomApdu::EventNotification},
    {"ConfirmedServiceError", &TRandomApdu::ConfirmedServiceError},
    {"ExceptionResponse", &TRandomApdu::ExceptionResponse},
};

TEST(LnRoundTrip, RandomApdusOfEveryAlternative) {
    TRandomApdu random(20261209);
    for (int round = 0; round < 40; ++round) {
        for (const TRandomApdu::TKind& kind : TRandomApdu::kKinds) {
            const std::string octets = random.Make(kind);
            SCOPED_TRACE(std::string(kind.Name) + " " + vtest::Hex(octets));
            const vtest::TResult xml = vtest::ToXmlOctets(octets);
            ASSERT_EQ(xml.Code, 0) << xml.Message << " at " << xml.Position;
            ASSERT_EQ(xml.Position, static_cast<int>(octets.size()) + 1);
            ASSERT_NE(xml.Text.find(kind.Name), std::string::npos);
            const vtest::TResult back = vtest::ToPdu(xml.Text);
            ASSERT_EQ(back.Code, 0) << back.Message << " at " << back.Position << "\n" << xml.Text;
            ASSERT_EQ(back.Text, vtest::Hex(octets));
            EXPECT_EQ(vtest::ToXml(back.Text).Text, xml.Text);
        }
    }
}

TEST(LnRoundTrip, TruncatedApdusFailAtTheEnd) {
    TRandomApdu random(11);
    for (int round = 0; round < 10; ++round) {
        for (const TRandomApdu::TKind& kind : TRandomApdu::kKinds) {
            const std::string octets = random.Make(kind);
            const size_t cut = static_cast<size_t>(random.Random().Below(static_cast<int>(octets.size())));
            SCOPED_TRACE(std::string(kind.Name) + " " + vtest::Hex(octets.substr(0, cut)));
            const vtest::TResult r = vtest::ToXmlOctets(octets.substr(0, cut));
            EXPECT_EQ(r.Code, 3);
            EXPECT_EQ(r.Message, "Wrong encoding in pdu");
            EXPECT_LE(r.Position, static_cast<int>(cut) + 1);
        }
    }
}

TEST(LnRoundTrip, RandomOctetsAfterEachTagFailCleanly) {
    static constexpr int kTags[] = {0x0E, 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC7, 0xD8, 0xD9, 0xDA};
    TRandomData random(5);
    for (int i = 0; i < 3000; ++i) {
        std::string octets(1, static_cast<char>(kTags[i % std::size(kTags)]));
        // Small alternative octets, so that the bodies are reached.
        octets += static_cast<char>(random.Below(8));
        octets += random.Octets(static_cast<size_t>(random.Below(40)));
        SCOPED_TRACE(vtest::Hex(octets));
        const vtest::TResult r = vtest::ToXmlOctets(octets);
        if (r.Code == 0) {
            EXPECT_EQ(vtest::ToPdu(r.Text).Code, 0);
        } else {
            EXPECT_EQ(r.Code, 3);
            EXPECT_FALSE(r.Message.empty());
        }
    }
}

}  // namespace
