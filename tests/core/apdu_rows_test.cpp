// Every row of the top-level choice: one APDU each, octets → XML → the same
// octets → the same XML, and no row of the table left without its APDU.
#include <gtest/gtest.h>

#include <set>

#include "TestSupport.h"
#include "xmlPdu/types/COSEMpdu.h"

namespace {

const char* const kOneApduPerRow[] = {
    "01 01 02 41 42 01 00 01 FF 06 5F 1F 04 00 00 7E 1F 04 B0",
    "05 05 02 FA 00 05 00 07 06 01 00 02 03 41 42 43 07 00 00 01 04 00 01 02 09 02 22 41",
    "06 01 02 FA 00 01 11 07",
    "08 01 05 06 5F 1F 04 00 00 10 1D 04 B0 00 07",
    "0C 04 00 12 00 05 01 03 02 01 00 01 02 AA BB 03 00 09",
    "0D 03 00 01 03 02 00 05",
    "0E 01 06 01",
    "0F 00 00 00 01 0C 07 E8 0C 08 02 10 1E 00 00 80 00 00 02 02 11 34 09 02 41 42",
    "10 80 00 00 05 00",
    "16 01 04 FA 08 01 11 05 01 11 07",
    "18 01 00 01 02 FA 00 01 11 07",
    "21 05 30 00 00 00 2A",
    "25 05 30 00 00 00 2A",
    "26 05 30 00 00 00 2A",
    "28 05 30 00 00 00 2A",
    "2C 05 30 00 00 00 2A",
    "2D 05 30 00 00 00 2A",
    "2E 05 30 00 00 00 2A",
    "36 05 30 00 00 00 2A",
    "38 05 30 00 00 00 2A",
    "41 05 30 00 00 00 2A",
    "45 05 30 00 00 00 2A",
    "46 05 30 00 00 00 2A",
    "48 05 30 00 00 00 2A",
    "4C 05 30 00 00 00 2A",
    "4D 05 30 00 00 00 2A",
    "4E 05 30 00 00 00 2A",
    "56 05 30 00 00 00 2A",
    "58 05 30 00 00 00 2A",
    "60 42 A1 09 06 07 60 85 74 05 08 01 01 A6 0A 04 08 4D 4D 4D 00 00 BC 61 4E 8A 02 07 80 8B 07 60 "
    "85 74 05 08 02 01 AC 0A 80 08 31 32 33 34 35 36 37 38 BE 10 04 0E 01 00 00 00 06 5F 1F 04 00 00 "
    "7E 1F 04 B0",
    "61 29 A1 09 06 07 60 85 74 05 08 01 01 A2 03 02 01 00 A3 05 A1 03 02 01 00 BE 10 04 0E 08 00 06 "
    "5F 1F 04 00 00 10 1D 04 B0 00 07",
    "62 0D 80 01 00 BE 08 04 06 21 04 41 42 43 44",
    "63 03 80 01 01",
    "C0 03 C1 02 00 08 00 00 01 00 00 FF 02 00 00 07 01 00 63 01 00 FF 02 01 01 02 02 09 0C 07 E8 01 "
    "01 01 00 00 00 00 80 00 00 12 00 05",
    "C1 02 C1 00 07 01 00 63 01 00 FF 02 01 01 00 00 00 00 00 01 04 01 02 03 04",
    "C2 01 0C 07 E8 0C 08 02 10 1E 00 00 80 00 00 00 01 00 00 60 0A 01 FF 02 11 05",
    "C3 01 C1 00 46 00 00 60 03 0A FF 01 01 0F 00",
    "C4 02 C1 01 00 00 00 01 00 03 0A 0B 0C",
    "C5 04 C1 02 00 11 00 00 00 03",
    "C7 03 C1 02 0F 00 00 01 00 11 05",
    "C8 05 30 00 00 00 2A",
    "C9 05 30 00 00 00 2A",
    "CA 05 30 00 00 00 2A",
    "CB 05 30 00 00 00 2A",
    "CC 05 30 00 00 00 2A",
    "CD 05 30 00 00 00 2A",
    "CF 05 30 00 00 00 2A",
    "D0 05 30 00 00 00 2A",
    "D1 05 30 00 00 00 2A",
    "D2 05 30 00 00 00 2A",
    "D3 05 30 00 00 00 2A",
    "D4 05 30 00 00 00 2A",
    "D5 05 30 00 00 00 2A",
    "D7 05 30 00 00 00 2A",
    "D8 01 06",
    "D9 80 00 00 02 0C 07 E8 0C 08 02 10 1E 00 00 80 00 00 03 03 00 09 00 00 0A 00 00 FF 01 04 00 07 "
    "01 00 63 01 00 FF 02 01 11 02 01 00 08 00 00 01 00 00 FF 02 01 12 00 05",
    "DA 00 00 00 07 00 01 01 03 00 46 00 00 60 03 0A FF 01 01 00 02 01 00 03 00",
    "DB 08 4D 4D 4D 00 00 BC 61 4E 03 30 01 02",
    "DC 02 41 42 00",
    "DD 00 08 4D 4D 4D 00 00 BC 61 4E 00 00 00 01 00 00 05 30 11 22 33 44",
    "DF 01 01 00 00 00 00 02 11 22 01 33",
    "E0 81 00 01 00 00 04 C0 01 00 00",
    "FF 00",
};

TEST(ApduRows, EveryRowTranslatesBothWays) {
    std::set<int> covered;
    for (const char* hex : kOneApduPerRow) {
        SCOPED_TRACE(hex);
        const vtest::TResult xml = vtest::ToXml(hex);
        ASSERT_EQ(xml.Code, 0) << xml.Message << " at " << xml.Position;
        EXPECT_EQ(xml.Position, static_cast<int>(vtest::Bytes(hex).size()) + 1);
        const vtest::TResult octets = vtest::ToPdu(xml.Text);
        ASSERT_EQ(octets.Code, 0) << octets.Message << " at " << octets.Position << "\n" << xml.Text;
        EXPECT_EQ(octets.Text, vtest::Norm(hex));
        EXPECT_EQ(vtest::ToXml(octets.Text).Text, xml.Text);
        covered.insert(static_cast<unsigned char>(vtest::Bytes(hex)[0]));
    }
    std::set<int> rows;
    for (const vantrel::TAlternative& a : vantrel::T_COSEMpdu::kTable.Alternatives) rows.insert(a.Tag);
    EXPECT_EQ(rows.size(), 63u);
    EXPECT_EQ(covered, rows);
}

TEST(ApduRows, TagsOutsideTheTableAreRefused) {
    std::set<int> rows;
    for (const vantrel::TAlternative& a : vantrel::T_COSEMpdu::kTable.Alternatives) rows.insert(a.Tag);
    for (int tag = 0; tag < 256; ++tag) {
        if (rows.count(tag)) continue;
        const vtest::TResult r = vtest::ToXmlOctets(std::string(1, static_cast<char>(tag)) + std::string(8, '\0'));
        EXPECT_EQ(r.Code, 3);
        EXPECT_EQ(r.Message, "T_COSEMpdu : illegal Tag " + std::to_string(tag));
        EXPECT_EQ(r.Position, 2);
    }
}

}  // namespace
