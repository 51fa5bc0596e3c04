// The general block transfer APDU.
#include "TestSupport.h"
#include "VectorFile.h"
#include "RandomData.h"

namespace {

TEST(BlockTransfer, Vectors) { vtest::ExpectVectors("block_transfer"); }

// A block with the given control octet and data (hex), numbered 1, acknowledging 0.
std::string Block(int Control, std::string_view DataHex) {
    const std::string data = vtest::Bytes(DataHex);
    std::string octets = {'\xE0', static_cast<char>(Control), 0, 1, 0, 0};
    vtest::TRandomData::AppendLength(octets, data.size());
    return vtest::Hex(octets + data);
}

TEST(BlockTransfer, EveryControlOctetAndLongDataSurvive) {
    for (int control = 0; control < 256; ++control) vtest::ExpectOctetsSurvive(Block(control, "C0 01"));
    // Long block data takes the long length forms.
    for (size_t n : {127, 128, 255, 256, 300, 70000}) {
        const std::string block = Block(0x80, vtest::Hex(std::string(n, '\xA5')));
        vtest::ExpectOctetsSurvive(block);
        EXPECT_EQ(block.substr(12, 2), n < 128 ? "7F" : n < 256 ? "81" : n < 65536 ? "82" : "83");
    }
}

}  // namespace
