// Seeded property test: random Data values survive octets → XML → octets →
// XML unchanged, and truncating them anywhere fails cleanly.
#include <gtest/gtest.h>

#include "RandomData.h"
#include "TestSupport.h"

namespace {

TEST(DataRoundTrip, RandomValues) {
    vtest::TRandomData random(20261208);
    for (int i = 0; i < 2000; ++i) {
        const std::string octets = "\xFF" + random.Data(4);
        const vtest::TResult xml = vtest::ToXmlOctets(octets);
        ASSERT_EQ(xml.Code, 0) << i << ": " << xml.Message << " at " << xml.Position << " in " << vtest::Hex(octets);
        ASSERT_EQ(xml.Position, static_cast<int>(octets.size()) + 1);
        const vtest::TResult back = vtest::ToPdu(xml.Text);
        ASSERT_EQ(back.Code, 0) << i << ": " << back.Message << "\n" << xml.Text;
        ASSERT_EQ(back.Text, vtest::Hex(octets)) << i;
        EXPECT_EQ(vtest::ToXml(back.Text).Text, xml.Text) << i;
    }
}

TEST(DataRoundTrip, TruncatedValuesFailAtTheEnd) {
    vtest::TRandomData random(7);
    for (int i = 0; i < 300; ++i) {
        const std::string octets = "\xFF" + random.Data(3);
        const size_t cut = static_cast<size_t>(random.Below(static_cast<int>(octets.size())));
        const vtest::TResult r = vtest::ToXmlOctets(octets.substr(0, cut));
        EXPECT_EQ(r.Code, 3) << vtest::Hex(octets.substr(0, cut));
        EXPECT_EQ(r.Message, "Wrong encoding in pdu") << vtest::Hex(octets.substr(0, cut));
        EXPECT_LE(r.Position, static_cast<int>(cut) + 1);
    }
}

}  // namespace
