// What one block of a longer transfer says, read from its decoded APDU: the
// data blocks of GET, SET and ACTION (and their short-name equivalents, read
// and write with block data), ciphered or not, and the blocks of general
// block transfer. The joiner (BlockJoiner.h) never sees an APDU type; this is
// the one place that knows which types carry blocks and how the unsegmented
// APDU of the joined data is built.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../capi/DecodedHook.h"

namespace vantrel::join {

// The services whose blocks are joined; one transfer is of one kind.
enum class TBlockKind : uint8_t {
    GetResponse,     // GetResponseWithDataBlock
    SetRequest,      // SetRequestWithFirstDataBlock, ...WithDataBlock, ...WithListAndWithFirstDatablock
    ActionRequest,   // ActionRequestWithFirstPBlock, ...WithListAndFirstPBlock, ...WithPBlock
    ActionResponse,  // ActionResponseWithPBlock
    ReadResponse,    // ReadResponse with a DataBlockResult
    ReadRequest,     // ReadRequest with a ReadDataBlockAccess
    WriteRequest,    // WriteRequest with a WriteDataBlockAccess and the raw data
    BlockTransfer    // GeneralBlockTransfer
};

// What the blocks of a kind are called, before "blocks": "GetResponse data",
// "general block transfer", ...
std::string_view BlockKindText(TBlockKind Kind) noexcept;

// A block, its strings its own (reused from block to block).
struct TBlock {
    TBlockKind Kind = TBlockKind::GetResponse;
    bool Request = false;      // sent by the client
    bool HasInvokeId = false;  // LN services; the short-name ones and general block transfer have none
    uint8_t InvokeId = 0;      // the invoke id (low four bits of the invoke-id-and-priority octet)
    uint32_t Number = 0;
    bool Last = false;
    std::string Data;          // the raw data (block data) the block carries
    // Of a block that opens its transfer (block 1; of SET and ACTION the
    // first-block forms): what goes before the joined data in the
    // unsegmented APDU, from which JoinedForms builds it.
    std::string Head;
    // The element that carried the block when it was ciphered
    // ("glo_GetResponse", "GeneralGloCiphering"); empty when in the clear.
    std::string_view Envelope;
    // Of a data block whose result is a data-access result instead of raw
    // data: its name ("ObjectUnavailable"). The transfer ends with it.
    std::string AccessResult;
    // General block transfer only.
    uint16_t Acknowledged = 0;  // the block-number-acknowledged field
    bool Streaming = false;
    uint8_t Window = 0;

    // Exchanges two blocks, their strings' buffers included.
    void Swap(TBlock& Other) noexcept {
        std::swap(Kind, Other.Kind);
        std::swap(Request, Other.Request);
        std::swap(HasInvokeId, Other.HasInvokeId);
        std::swap(InvokeId, Other.InvokeId);
        std::swap(Number, Other.Number);
        std::swap(Last, Other.Last);
        Data.swap(Other.Data);
        Head.swap(Other.Head);
        std::swap(Envelope, Other.Envelope);
        AccessResult.swap(Other.AccessResult);
        std::swap(Acknowledged, Other.Acknowledged);
        std::swap(Streaming, Other.Streaming);
        std::swap(Window, Other.Window);
    }
};

// The block a decoded APDU carries (in a ciphered APDU, once deciphered);
// false when it carries none.
bool CopyBlock(const TCOSEMPduBase& Apdu, TBlock& Block);

// Whether the APDU's first octets may open a block (a cheap test before
// ReadBlock decodes anything). With Keys also the ciphered APDUs, whose
// content only deciphering shows.
bool MayCarryBlock(std::string_view Apdu, bool Keys) noexcept;

// Decodes the APDU (deciphering with Keys) and reads the block it carries.
// False when it carries none or does not decode.
bool ReadBlock(std::string_view Apdu, const VantrelKeys* Keys, TBlock& Block);

// The unsegmented APDUs the joined Data of a transfer may form, most likely
// first: each is the octets before the data (the data follows them). Head is
// the one of the transfer's first block. For GET: the normal response with
// the data as its Data value, then the response with a list.
std::vector<std::string> JoinedForms(TBlockKind Kind, std::string_view Head);

}  // namespace vantrel::join
