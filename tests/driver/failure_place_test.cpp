// The place of a failure beyond its message: the field the decoder was
// reading; and the command-line translator's --annotate.
#include <gtest/gtest.h>

#include <cstdio>

#include "DriverSupport.h"
#include "Src/translate/TranslateCommand.h"
#include "vantrel/vantrel.h"

namespace {

using vantrel::TranslateText;
using K = vantrel::TTranslateOutcome::TKind;

// The field of a failure as the C ABI gives it: VantrelStreamField of
// VantrelTranslate's output ("" for none).
std::string FieldThroughCApi(std::string_view Source) {
    VantrelStream* out = nullptr;
    VantrelTranslate(Source.data(), static_cast<uint32_t>(Source.size()), nullptr, 0, &out, nullptr, nullptr);
    const char* field = VantrelStreamField(out);
    std::string result = field ? field : "";
    VantrelStreamFree(out);
    return result;
}

TEST(FailurePlace, TheFieldBeingRead) {
    const struct {
        const char* Source;
        const char* Message;
        const char* Field;
    } rows[] = {
        {"C0 01 C1 00 08 00 00 01", "Wrong encoding in pdu", "InstanceId"},
        {"C0 01 C1 00", "Wrong encoding in pdu", "ClassId"},
        {"C0 01 C1 00 08 00 00 01 00 00 FF", "Wrong encoding in pdu", "AttributeId"},
        {"C0 01 C1 00 08 00 00 01 00 00 FF 02 01 05", "Wrong encoding in pdu", "AccessParameters"},
        {"C0 01", "Wrong encoding in pdu", "InvokeIdAndPriority"},
        {"C0 07", "T_GetRequest : illegal Tag 7", "GetRequest"},
        {"C4 01 C1 00 06 00 00", "Wrong encoding in pdu", "DoubleLongUnsigned"},
        {"FF 08", "T_Data : illegal Tag 8", "Data"},
        {"FF 02 02 12 00 01 09 05 41", "Wrong encoding in pdu", "OctetString"},
        // The first octet belongs to no field.
        {"77", "T_COSEMpdu : illegal Tag 119", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Source);
        const auto outcome = TranslateText(row.Source);
        ASSERT_EQ(outcome.Kind, K::EntryFailure) << outcome.Text;
        EXPECT_EQ(outcome.Text, row.Message);
        EXPECT_EQ(outcome.Field, row.Field);
        EXPECT_EQ(FieldThroughCApi(row.Source), row.Field);
    }
    // A translation that succeeds, or fails before decoding, names no field.
    for (const char* source : {"FF 12 01 02", "FF 12 01 02 03 04", "<Data>\r\n<Bogus Value=\"01\" />", "C0 0G"}) {
        SCOPED_TRACE(source);
        EXPECT_EQ(TranslateText(source).Field, "");
        EXPECT_EQ(FieldThroughCApi(source), "");
    }
    EXPECT_EQ(VantrelStreamField(nullptr), nullptr);
}

TEST(FailurePlace, AnnotateOption) {
    const auto plain = TranslateText("FF 10 FF C4");
    const auto annotated = TranslateText("FF 10 FF C4", vantrel::TTranslateOptions{.Annotate = true});
    EXPECT_EQ(plain.Text, vtest::Xml("<Data>\n  <Long Value=\"FFC4\" />\n</Data>\n"));
    EXPECT_EQ(annotated.Text, vtest::Xml("<Data>\n  <Long Value=\"FFC4\" /> <!-- -60 -->\n</Data>\n"));
    // XML to octets is the same either way.
    EXPECT_EQ(TranslateText(annotated.Text, vantrel::TTranslateOptions{.Annotate = true}).Text, "FF10FFC4");
}

TEST(FailurePlace, CommandLineAnnotate) {
    const std::string command = "echo 'FF 10 FF C4' | '" VANTREL_CLI_PATH "' --annotate";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(out, vtest::Xml("<Data>\n  <Long Value=\"FFC4\" /> <!-- -60 -->\n</Data>\n"));
}

}  // namespace
