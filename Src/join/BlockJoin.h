// The block joiner as the readers call it. Each APDU that translated is
// offered with the line or packet it came in and its link; the blocks of a
// longer transfer (GET, SET and ACTION data blocks, their short-name and
// ciphered forms, general block transfer) are joined per conversation,
// direction and invoke id, and after the last block the joined, unsegmented
// APDU follows as one more unit: its XML after a comment naming the blocks.
// A transfer that cannot be joined (a block missing, one repeated with other
// data, the input ended before its last block, a bound reached) is named in a
// unit of its own; its blocks have translated on their own all the same.
//
// Conversations: one per HDLC address pair, WRAPPER wPort pair and (given by
// the capture reader) TCP or UDP endpoint pair; octets with no framing are one
// conversation, their direction taken from the APDU kind.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "BlockJoiner.h"
#include "BlockRead.h"
#include "../translate/Translate.h"

namespace vantrel::join {

struct TJoinedUnit {
    long long Number = 0;            // the line or packet of the block that completed (or broke) the transfer
    std::vector<long long> From;     // the lines or packets of its blocks, in block order
    std::string FromText;            // "lines 4, 8, 12"
    bool Joined = false;
    // Joined: the XML comment line naming the blocks, which goes before the
    // XML; and the joined APDU translated, its notes naming blocks that came
    // again or late. Not joined: Message says which blocks and why, and the
    // one note is "not joined: " and the message.
    std::string Comment;
    TTranslateOutcome Outcome;
    std::string Message;
};

// A block joiner serves one reader on one thread: it is the hook of the
// translations of that reader, and keeps what they find until the reader
// hands over their units.
class TBlockJoin final : private TDecodedHook {
public:
    using TSink = std::function<void(TJoinedUnit&)>;

    // Unit is what the numbers count: "line" or "packet".
    TBlockJoin(const TTranslateOptions& Options, std::string_view Unit, TSink Sink);

    TBlockJoin(const TBlockJoin&) = delete;
    TBlockJoin& operator=(const TBlockJoin&) = delete;

    // The options a reader translates with, for as long as this joiner
    // lives: the block an APDU carries is read from the tree its translation
    // decoded (no APDU is decoded twice), and the outcome names it for Take.
    TTranslateOptions ReaderOptions(TTranslateOptions Options) {
        Options.Hook = this;
        return Options;
    }

    // A unit of line or packet Number: its outcome, when it translated octets
    // to XML with ReaderOptions, is offered with the link it names.
    // Conversation names the endpoints a capture carried it between (empty:
    // the link alone).
    void Take(const TTranslateOutcome& Outcome, long long Number, std::string_view Conversation = {});
    // The same for the octets of an APDU, decoded here.
    void Take(std::string_view Apdu, const TApduLink& Link, long long Number, std::string_view Conversation = {});
    // The input has ended: transfers still open are reported.
    void Finish();

private:
    void Offer(const TBlock& Block, const TApduLink& Link, long long Number, std::string_view Conversation, int Depth);
    void Nested();
    void Event(const TJoinEvent& Event, const TApduLink& Link, long long Number, std::string_view Conversation,
               int Depth);
    void NotJoined(TJoinedUnit& Unit, std::string Message);
    void Decoded(const TCOSEMPduBase& Apdu, uint64_t& Mark) override;
    // The block a translation's outcome marks, as the oldest kept (those
    // before it dropped); null when it is gone. Done with it: Consume.
    const TBlock* Pending(uint64_t Mark);
    void Consume();
    void MakeKey(const TBlock& Block, const TApduLink& Link, std::string_view Conversation);

    TTranslateOptions FOptions;
    std::string FUnit;
    TSink FSink;
    TBlockJoiner FJoiner;
    // Where the block being offered came from, for the events it causes.
    struct TAt {
        TApduLink Link;
        long long Number = 0;
        std::string_view Conversation;
        int Depth = 0;
    } FAt;
    TBlockJoiner::TSink FOnEvent;
    std::string FKey;   // reused
    std::string FHead;  // reused
    // Joined APDUs that are blocks again (a general block transfer carrying
    // a data block), offered once the joiner is done with the block before.
    struct TNested {
        TBlock Block;
        TApduLink Link;
        long long Number;
        std::string Conversation;
        int Depth;
    };
    std::vector<TNested> FNested;
    // What the translations found, oldest first, until Take hands them on: a
    // ring of blocks that stay in place (their strings reused). Outcomes
    // name theirs by its mark.
    struct TPending {
        uint64_t Mark = 0;
        TBlock Block;
    };
    std::vector<std::unique_ptr<TPending>> FPending;
    size_t FFirst = 0;
    size_t FCount = 0;
    uint64_t FNextMark = 1;
    bool FOffering = false;  // the oldest block is being offered: it stays
    TBlock FCurrent;         // a block decoded here (Take of octets)
};

// The most blocks kept for outcomes not yet taken (a line with more APDUs
// than this loses the blocks of its first ones, and says so).
inline constexpr size_t kMaxPendingBlocks = 4096;

}  // namespace vantrel::join
