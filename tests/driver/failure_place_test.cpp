// The place of a failure beyond its message: the field the decoder was
// reading; and the command-line translator's --annotate.
#include <gtest/gtest.h>

#include <cstdio>

#include "DriverSupport.h"
#include "Src/translate/TranslateCommand.h"

namespace {

using vantrel::TranslateText;
using K = vantrel::TTranslateOutcome::TKind;

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
    }
    // A translation that succeeds, or fails before decoding, names no field.
    EXPECT_EQ(TranslateText("FF 12 01 02").Field, "");
    EXPECT_EQ(TranslateText("<Data>\r\n<Bogus Value=\"01\" />").Field, "");
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
