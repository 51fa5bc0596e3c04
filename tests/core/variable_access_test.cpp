// Short-name object names and variable access specifications, seen through
// the read request that carries a list of them.
#include "TestSupport.h"
#include "VectorFile.h"

namespace {

TEST(VariableAccess, Vectors) { vtest::ExpectVectors("variable_access"); }

using vtest::Xml;

TEST(VariableAccess, QtyAutoAcceptsAnyCount) {
    const auto r = vtest::ToPdu(Xml(R"(
<ReadRequest Qty="auto" >
  <VariableName Value="FA00" />
  <VariableName Value="\AB" />
</ReadRequest>
)"));
    ASSERT_EQ(r.Code, 0) << r.Message;
    EXPECT_EQ(r.Text, vtest::Norm("05 02 02 FA 00 02 41 42"));
}

}  // namespace
