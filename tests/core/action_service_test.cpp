// The ACTION service through the entry points: the six request and the four
// response alternatives, the action result, exact messages and positions.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "VectorFile.h"
#include "xmlPdu/types/ActionService.h"

namespace {

using namespace vtest;

TEST(ActionService, Vectors) { vtest::ExpectVectors("action_service"); }

TEST(ActionService, ResultNames) {
    // The action results share the access-result names where both have one;
    // 15 and 16 are their own, 17 to 19 have none.
    for (const vantrel::TEnumName& n : vantrel::T_ActionResult::kNames) {
        SCOPED_TRACE(n.Name);
        char octets[24];
        std::snprintf(octets, sizeof octets, "C7 01 C1 %02X 00", static_cast<unsigned>(n.Value));
        const vtest::TResult x = vtest::ToXml(octets);
        ASSERT_EQ(x.Code, 0) << x.Message;
        EXPECT_NE(x.Text.find("<Result Value=\"" + std::string(n.Name) + "\" />"), std::string::npos);
        EXPECT_EQ(vtest::ToPdu(x.Text).Text, vtest::Norm(octets));
    }
    EXPECT_EQ(vantrel::T_ActionResult::GetString(16), "NoLongActionInProgress");
    try {
        vantrel::T_ActionResult::GetString(17);
        ADD_FAILURE();
    } catch (const vantrel::EVantrelError& e) {
        EXPECT_STREQ(e.what(), "T_ActionResult: illegal enum value");
    }
}

}  // namespace
