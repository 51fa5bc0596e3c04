// The general block transfer APDU.
#include "TestSupport.h"
#include "RandomData.h"

namespace {

using vtest::Xml;

// A block with the given control octet and data (hex), numbered 1, acknowledging 0.
std::string Block(int Control, std::string_view DataHex) {
    const std::string data = vtest::Bytes(DataHex);
    std::string octets = {'\xE0', static_cast<char>(Control), 0, 1, 0, 0};
    vtest::TRandomData::AppendLength(octets, data.size());
    return vtest::Hex(octets + data);
}

TEST(BlockTransfer, BlocksTranslateBothWays) {
    vtest::ExpectRoundTrip("E0 81 00 01 00 00 04 C0 01 00 00", Xml(R"(
<GeneralBlockTransfer>
  <BlockControl Value="81" />
  <BlockNumber Value="0001" />
  <BlockNumberAck Value="0000" />
  <BlockData Value="C0010000" />
</GeneralBlockTransfer>
)"));
    vtest::ExpectRoundTrip("E0 00 00 00 00 00 00", Xml(R"(
<GeneralBlockTransfer>
  <BlockControl Value="00" />
  <BlockNumber Value="0000" />
  <BlockNumberAck Value="0000" />
  <BlockData Value="" />
</GeneralBlockTransfer>
)"));
    for (int control = 0; control < 256; ++control) vtest::ExpectOctetsSurvive(Block(control, "C0 01"));
    // Long block data takes the long length forms.
    for (size_t n : {127, 128, 255, 256, 300, 70000}) {
        const std::string block = Block(0x80, vtest::Hex(std::string(n, '\xA5')));
        vtest::ExpectOctetsSurvive(block);
        EXPECT_EQ(block.substr(12, 2), n < 128 ? "7F" : n < 256 ? "81" : n < 65536 ? "82" : "83");
    }
}

TEST(BlockTransfer, BadInputIsRefused) {
    vtest::ExpectPduFailure("E0 81 00 01 00", "Wrong encoding in pdu", 6);
    vtest::ExpectPduFailure("E0 81 00 01 00 00 05 C0", "Wrong encoding in pdu", 8);
    vtest::ExpectXmlFailure(Xml(R"(
<GeneralBlockTransfer>
  <BlockControl Value="8100" />
  <BlockNumber Value="0001" />
  <BlockNumberAck Value="0000" />
  <BlockData Value="" />
</GeneralBlockTransfer>
)"), 1, "Illegal data size, expected 1, found 2", 55);
    vtest::ExpectXmlFailure(Xml(R"(
<GeneralBlockTransfer>
  <BlockControl Value="81" />
  <BlockNumberAck Value="0000" />
  <BlockNumber Value="0001" />
  <BlockData Value="" />
</GeneralBlockTransfer>
)"), 1, "Start tag \"BlockNumber\" expected", 88);
}

}  // namespace
