// The release request (RLRQ) and response (RLRE).
#include "TestSupport.h"
#include "VectorFile.h"

namespace {

TEST(Release, Vectors) { vtest::ExpectVectors("release"); }

TEST(Release, CarriedApdusNestOnlySoDeepInXml) {
    const auto nested = [](int Depth) {
        std::string xml;
        for (int i = 0; i < Depth; ++i) xml += "<ReleaseRequest>\n<UserInformation>\n";
        xml += "<ReleaseResponse>\n</ReleaseResponse>\n";
        for (int i = 0; i < Depth; ++i) xml += "</UserInformation>\n</ReleaseRequest>\n";
        return xml;
    };
    const auto ok = vtest::ToPdu(nested(60));
    ASSERT_EQ(ok.Code, 0) << ok.Message;
    vtest::ExpectOctetsSurvive(ok.Text);

    const std::string deep = nested(70);
    size_t at = 0;
    for (int i = 0; i < 65; ++i) at = deep.find("<UserInformation>", at) + 1;
    const int position = static_cast<int>(at - 1 + std::string_view("<UserInformation>").size());
    vtest::ExpectXmlFailure(deep, 1, "Nesting too deep", position);
}

}  // namespace
