// Octet text conversions: hex digits, the formatted octet notation of XML
// values, and the driver's free functions.
#include <gtest/gtest.h>

#include "Src/translate/HexText.h"
#include "TestSupport.h"
#include "xmlPdu/INFRA/Errors.h"
#include "xmlPdu/INFRA/INFRAMisc.h"

using namespace vantrel;

namespace {

struct THexCase {
    const char* Text;
    const char* Octets;  // as hex; null when the conversion fails
    const char* Message;
};

const THexCase kHexCases[] = {
    {"0a 1B", "0A1B", nullptr},
    {"", "", nullptr},
    {"0 1", "01", nullptr},  // a space may split one octet
    {"  FF  ", "FF", nullptr},
    {"ABC", nullptr, "HexStrToByteStr: Hex-character missing"},
    {"A ", nullptr, "HexStrToByteStr: Hex-character missing"},
    {"0G", nullptr, "Illegal hex-character"},
    {"01\n02", nullptr, "Illegal hex-character"},
    {"01\t02", nullptr, "Illegal hex-character"},
    {"0-", nullptr, "Illegal hex-character"},
};

TEST(HexText, HexStrToByteStr) {
    for (const THexCase& c : kHexCases) {
        SCOPED_TRACE(c.Text);
        if (c.Octets) {
            EXPECT_EQ(vtest::Hex(TMisc::HexStrToByteStr(c.Text)), c.Octets);
            EXPECT_EQ(vtest::Hex(HexStrToRawBytes(c.Text)), c.Octets);
        } else {
            try {
                (void)TMisc::HexStrToByteStr(c.Text);
                ADD_FAILURE() << "no failure";
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message(), c.Message);
            }
        }
    }
}

TEST(HexText, ByteStrToHexStrIsUpperCaseWithoutSeparators) {
    EXPECT_EQ(TMisc::ByteStrToHexStr(vtest::Bytes("0a1b ff 00")), "0A1BFF00");
    EXPECT_EQ(ByteStrToHexStr(vtest::Bytes("7e")), "7E");
    EXPECT_EQ(RawBytesToHexStr(""), "");
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(TMisc::HexStrToByteStr(TMisc::ByteStrToHexStr(all)), all);
}

TEST(HexText, HexDigitValues) {
    EXPECT_EQ(TMisc::H1('0'), 0);
    EXPECT_EQ(TMisc::H1('f'), 15);
    EXPECT_EQ(TMisc::H1('A'), 10);
    EXPECT_EQ(TMisc::H2('7', 'e'), 0x7E);
    EXPECT_THROW(TMisc::H1('g'), EConvertError);
}

struct TFormattedOut {
    const char* Octets;
    const char* Text;
};

TEST(HexText, FormattedOutput) {
    const TFormattedOut cases[] = {
        {"616263", "\\abc"},
        {"", ""},
        {"2241", "2241"},      // a double quote forces hex
        {"412743", "412743"},  // so does an apostrophe
        {"3C263E", "3C263E"},  // "<" and "&" cannot stand in an attribute value
        {"413C42", "413C42"},
        {"412642", "412642"},
        {"3E", "\\>"},         // ">" can
        {"20", "\\ "},
        {"7E", "\\~"},
        {"7F", "7F"},
        {"1F", "1F"},
        {"0100010800FF", "0100010800FF"},
    };
    for (const TFormattedOut& c : cases)
        EXPECT_EQ(TMisc::ByteStrToFormatedString2(vtest::Bytes(c.Octets)), c.Text) << c.Octets;
}

struct TFormattedIn {
    const char* Text;
    const char* Octets;  // null: the conversion fails with Message
    TMisc::TStringFormat Format;
    const char* Message;
};

TEST(HexText, FormattedInput) {
    const TFormattedIn cases[] = {
        {"", "", TMisc::sfNone, nullptr},
        {"\\", "", TMisc::sfVisibleString, nullptr},
        {"\\abc", "616263", TMisc::sfVisibleString, nullptr},
        {"\\1.2", "312E32", TMisc::sfVisibleString, nullptr},
        {"\\<&>", "3C263E", TMisc::sfVisibleString, nullptr},  // as older XML has it
        {"0a 1B", "0A1B", TMisc::sfHex, nullptr},
        {"1.0.99.98.1.255", "01006362 01FF", TMisc::sfDotted, nullptr},
        {"0.0.1.0.0.255", "0000010000FF", TMisc::sfDotted, nullptr},
        {"1.2.3.4.5.6.7.8", "010203040506", TMisc::sfDotted, nullptr},  // text after the sixth number is ignored
        {"1.2.3", nullptr, TMisc::sfNone, "'' is not a valid integer value"},
        {"1..2.3.4.5", nullptr, TMisc::sfNone, "'' is not a valid integer value"},
        {"1.0.256.8.0.255", nullptr, TMisc::sfNone, "'256' is not a valid octet value"},
        {"ABC", nullptr, TMisc::sfNone, "HexStrToByteStr: Hex-character missing"},
    };
    for (const TFormattedIn& c : cases) {
        SCOPED_TRACE(c.Text);
        TMisc::TStringFormat format = TMisc::sfHex;
        if (c.Octets) {
            EXPECT_EQ(vtest::Hex(TMisc::FormattedStrToByteStr(c.Text, format)), vtest::Norm(c.Octets));
            EXPECT_EQ(format, c.Format);
        } else {
            try {
                (void)TMisc::FormattedStrToByteStr(c.Text, format);
                ADD_FAILURE() << "no failure";
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message(), c.Message);
            }
        }
    }
}

}  // namespace
