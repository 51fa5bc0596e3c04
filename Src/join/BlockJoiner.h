// Transfers sent in numbered blocks, joined: per key (a conversation, a
// direction and an identifier; opaque here) the data of blocks 1 to the last
// block, in block-number order, whatever order they came in. A block that
// comes again with the same data is left out and named; a transfer with a
// block missing, a block after its last, or a block repeated with other data
// is never joined, and the event says why. The joiner knows pieces only: what
// an APDU type says about its block is read elsewhere (BlockRead.h).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::join {

struct TPiece {
    std::string_view Key;
    uint32_t Number = 0;   // from 1
    bool Last = false;
    std::string_view Data;
    std::string_view Head;  // kept from block 1, handed back with the joined data
    long long Origin = 0;   // the line or packet the block came in
    // Whether the blocks come strictly one after the other (every data block
    // is asked for in turn): then a transfer with a block missing at its last
    // block is broken at once. Otherwise (general block transfer, whose lost
    // blocks are sent again after the last) it waits for them.
    bool InTurn = true;
};

struct TJoinEvent {
    enum TKind { Joined, NotJoined };
    TKind Kind = Joined;
    std::string_view Key;
    std::string_view Head;
    std::string_view Data;          // Joined: the data of blocks 1 to Blocks
    uint32_t Blocks = 0;            // Joined: the number of the last block
    std::vector<long long> Origins; // the lines or packets of the blocks, in block order
    // Joined: what the user should know (a block that came again, blocks out
    // of order), one text each. NotJoined: why, in Remarks[0].
    std::vector<std::string> Remarks;
};

class TBlockJoiner {
public:
    using TSink = std::function<void(const TJoinEvent&)>;
    struct TPart {
        uint32_t Number;
        size_t Offset;  // in the transfer's data
        size_t Size;
        long long Origin;
    };

    // Unit names what the origins count in remarks: "line" or "packet".
    explicit TBlockJoiner(std::string_view Unit = "line") : FUnit(Unit) {}

    // Takes one block; the events it causes (a transfer joined, or one that
    // breaks) go to Sink before Take returns.
    void Take(const TPiece& Piece, const TSink& Sink);
    // A block that ends the transfer of its key without data (a data-access
    // result in place of raw data): an open transfer is reported, with Why.
    void End(const TPiece& Piece, std::string_view Why, const TSink& Sink);
    bool IsOpen(std::string_view Key) const noexcept;
    // The input has ended: every transfer still open is reported.
    void Finish(const TSink& Sink);
    size_t Open() const noexcept { return FTransfers.size(); }

private:
    struct TTransfer {
        std::string Key;
        std::string Head;
        std::string Data;          // the blocks' data in the order they came
        // By block number: those that came in rising order, and those that
        // came after a higher one.
        std::vector<TPart> Parts;
        std::map<uint32_t, TPart> Late;
        const TPart* Find(uint32_t Number) const;
        void Insert(const TPart& Part);
        size_t Count() const noexcept { return Parts.size() + Late.size(); }
        // Calls Visit with each part in block-number order.
        template <class TVisit>
        void Each(TVisit&& Visit) const;
        bool InOrder = true;       // the parts came as 1, 2, 3, ...
        uint32_t Highest = 0;
        uint32_t Last = 0;         // the last block's number, once it came
        uint64_t Used = 0;         // when a block last came, for the oldest to go first
        std::vector<std::string> Remarks;
        size_t Unremarked = 0;     // remarks beyond the bound
    };

    TTransfer* Find(std::string_view Key) noexcept;
    std::string Place(long long Origin) const;  // "(line 4)"
    // A new transfer for Piece's key, the oldest given up when too many are open.
    void Open(const TPiece& Piece, const TSink& Sink);
    void Add(TTransfer& Transfer, const TPiece& Piece, const TSink& Sink);
    // Whether a remark is still kept (else it is only counted).
    static bool Remarkable(TTransfer& Transfer) noexcept;
    // Reports Transfer as not joined, with Why, and closes it.
    void Break(TTransfer& Transfer, std::string Why, const TSink& Sink);
    void Join(TTransfer& Transfer, const TSink& Sink);
    void Close(TTransfer& Transfer);
    // "blocks 2-18 missing", up to the highest block or the last; empty when none is.
    static std::string Missing(const TTransfer& Transfer);

    std::string FUnit;
    std::vector<TTransfer> FTransfers;
    size_t FHeld = 0;     // the octets of all open transfers
    uint64_t FClock = 0;
    std::string FJoined;  // the joined data of an out-of-order transfer
    TJoinEvent FEvent;    // reused
};

// Bounds: the octets of one transfer, of all open transfers together, the
// blocks of one transfer, the transfers open at once, the remarks of one.
inline constexpr size_t kMaxTransferOctets = 16u << 20;
inline constexpr size_t kMaxHeldOctets = 64u << 20;
inline constexpr size_t kMaxTransferBlocks = 1u << 16;
inline constexpr size_t kMaxOpenTransfers = 16;
inline constexpr size_t kMaxRemarks = 8;

// Numbers as ranges, at most Limit of them, the rest counted:
// "1-3, 5, 7-9", "1, 3, 5, ... and 12 more".
std::string RangesText(const std::vector<long long>& Numbers, size_t Limit = 12);

}  // namespace vantrel::join
