#include "BlockTransfer.h"

namespace vantrel {

namespace {
constexpr TField kGeneralBlockTransferFields[] = {
    {xmlBlockControl, &ElementFactory<T_BlockControl>},
    {xmlBlockNumber, &ElementFactory<T_Unsigned16>},
    {xmlBlockNumberAck, &ElementFactory<T_Unsigned16>},
    {xmlBlockData, &ElementFactory<T_OctetString>},
};
}  // namespace

constinit const TSequenceTable T_GeneralBlockTransfer::kTable{kGeneralBlockTransferFields};

}  // namespace vantrel
