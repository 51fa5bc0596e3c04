// Data notification and its confirmation, unconfirmed write, information report.
#include "TestSupport.h"
#include "VectorFile.h"

namespace {

TEST(Notifications, Vectors) { vtest::ExpectVectors("notifications"); }

TEST(Notifications, AnyNonZeroPresenceOctetMeansPresent) {
    const auto x = vtest::ToXml("18 02 01 41 00 00");
    ASSERT_EQ(x.Code, 0) << x.Message;
    EXPECT_NE(x.Text.find("<CurrentTime Value=\"\\A\" />"), std::string::npos) << x.Text;
    EXPECT_EQ(vtest::ToPdu(x.Text).Text, vtest::Norm("18 01 01 41 00 00"));
}

}  // namespace
