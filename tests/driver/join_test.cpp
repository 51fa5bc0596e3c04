// The block joiner: what a block says (BlockRead), the joining of numbered
// pieces (BlockJoiner), the unsegmented APDUs of joined data (BlockJoin),
// and the joined units of --each-line, --json and the whole-text command on
// public field traces (tests/traces/README.md names their sources).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "DriverSupport.h"
#include "Src/join/BlockJoin.h"
#include "Src/translate/Frame.h"
#include "Src/translate/LlcHeader.h"
#include "Src/translate/TranslateCommand.h"
#include "xmlPdu/security/Cipher.h"
#include "xmlPdu/security/Keys.h"

namespace {

using namespace vantrel::join;
using vantrel::TApduLink;
using vantrel::TTranslateOptions;
using vantrel::TTranslateOutcome;

std::string TraceFile(const std::string& Name) { return dtest::ReadFile(std::string(VANTREL_TRACE_DIR) + "/" + Name); }

std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < Text.size();) {
        size_t end = Text.find('\n', at);
        if (end == std::string::npos) end = Text.size();
        lines.push_back(Text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// The octets of XML, translated back; "error: ..." when it does not translate.
std::string OctetsOf(const std::string& Xml, const VantrelKeys* Keys = nullptr) {
    VantrelStream* stream = nullptr;
    TTranslationError error;
    XmlToPduEx(Xml.c_str(), Keys, 0, &stream, &error);
    if (error.Code != 0) return std::string("error: ") + error.Message;
    std::string octets(reinterpret_cast<const char*>(VantrelStreamData(stream)), VantrelStreamSize(stream));
    VantrelStreamFree(stream);
    return octets;
}

std::string Comment(const std::string& Text) { return "<!-- " + Text + " --> \r\n"; }

// The public example keys of the security suite (the README's), with the
// server's system title when asked for.
struct TExampleKeys {
    VantrelKeys Keys;
    explicit TExampleKeys(bool ServerTitle = true) {
        std::string message;
        vantrel::SetKeyFromHex(Keys, "BlockCipherKey", "000102030405060708090A0B0C0D0E0F", message);
        vantrel::SetKeyFromHex(Keys, "AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF", message);
        if (ServerTitle) vantrel::SetKeyFromHex(Keys, "ServerSystemTitle", "4D4D4D0000BC614E", message);
    }
};

// Plain APDU enciphered as glo_GetResponse with the example keys.
std::string GloGetResponse(const std::string& Plain, const char* Counter) {
    TExampleKeys keys;
    const std::string xml = "<glo_GetResponse><SecurityControl Value=\"30\" /><InvocationCounter Value=\"" +
                            std::string(Counter) + "\" />" + vtest::ToXmlOctets(Plain).Text + "</glo_GetResponse>";
    return OctetsOf(xml, &keys.Keys);
}

TEST(BlockRead, WhatEachBlockCarryingApduSays) {
    struct TRow {
        const char* Name;
        const char* Apdu;
        const char* Expected;  // kind request invoke-id number last | data | head | envelope or access result
    } const rows[] = {
        {"GET data block", "C4 02 C1 00 00000001 00 03 010203", "0 r 1 #1 | 010203 | C1 |"},
        {"GET last block, invoke id 7", "C4 02 47 01 00000013 00 01 FF", "0 r 7 #19 last | FF |  |"},
        {"GET block with a data-access result", "C4 02 C1 01 00000002 01 0E", "0 r 1 #2 last |  |  | DataBlockUnavailable"},
        {"SET first block", "C1 02 C2 0001 0000600100FF 02 00 00 00000001 03 AABBCC",
         "1 q 2 #1 | AABBCC | 01C200010000600100FF0200 |"},
        {"SET first block with access selection", "C1 02 C2 0007 0100630100FF 02 01 01 00 00 00000001 01 AA",
         "1 q 2 #1 | AA | 01C200070100630100FF02010100 |"},
        {"SET following block", "C1 03 C2 01 00000002 02 DDEE", "1 q 2 #2 last | DDEE |  |"},
        {"SET with list, first block", "C1 05 C2 01 0001 0000600100FF 02 00 00 00000001 02 0102",
         "1 q 2 #1 | 0102 | 04C20100010000600100FF0200 |"},
        {"ACTION first block", "C3 04 C3 000F 0000280000FF 01 00 00000001 02 0900", "2 q 3 #1 | 0900 | 01C3000F0000280000FF0101 |"},
        {"ACTION with list, first block", "C3 05 C3 01 000F 0000280000FF 01 00 00000001 01 01",
         "2 q 3 #1 | 01 | 03C301000F0000280000FF01 |"},
        {"ACTION following block", "C3 06 C3 01 00000002 01 00", "2 q 3 #2 last | 00 |  |"},
        {"ACTION response block", "C7 02 C1 01 00000001 02 1100", "3 r 1 #1 last | 1100 | C1 |"},
        {"SN read response block", "0C 01 02 01 0001 03 0F0102", "4 r - #1 last | 0F0102 |  |"},
        {"SN read request block", "05 01 06 00 0001 02 AABB", "5 q - #1 | AABB |  |"},
        {"SN write request block", "06 01 07 01 0002 01 09 02 CCDD", "6 q - #2 last | CCDD |  |"},
        {"general block transfer, last, streaming", "E0 C0 0002 0001 02 0F00", "7 r - #2 last | 0F00 |  |"},
        // No block: the normal forms, a next-block request, an acknowledgement.
        {"GET normal", "C4 01 C1 00 12 0001", ""},
        {"GET next block request", "C0 02 C1 00000001", ""},
        {"SET response for a block", "C5 02 C1 00000001", ""},
        {"SN read response with data", "0C 01 00 12 0001", ""},
        {"SN read response, two blocks in one list", "0C 02 02 01 0001 01 00 02 01 0002 01 00", ""},
        {"SN write request with data", "06 01 02 0010 01 12 0005", ""},
        {"glo_GetResponse without keys", "CC 0A 30 00000001 0102030405", ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const std::string apdu = vtest::Bytes(row.Apdu);
        TBlock block;
        const bool read = ReadBlock(apdu, nullptr, block);
        std::string actual;
        if (read) {
            actual = std::to_string(static_cast<int>(block.Kind)) + (block.Request ? " q " : " r ") +
                     (block.HasInvokeId ? std::to_string(block.InvokeId) : "-") + " #" + std::to_string(block.Number) +
                     (block.Last ? " last" : "") + " | " + vtest::Hex(block.Data) + " | " + vtest::Hex(block.Head) +
                     " |" + (block.AccessResult.empty() ? "" : " " + block.AccessResult);
            // The cheap test before decoding must let every block through.
            EXPECT_TRUE(MayCarryBlock(apdu, false));
        }
        EXPECT_EQ(actual, row.Expected);
    }
}

TEST(BlockRead, CipheredBlocksWithTheirKeys) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    const std::string plain = vtest::Bytes("C4 02 C1 00 00000001 00 02 0910");
    const std::string ciphered = GloGetResponse(plain, "00000001");
    ASSERT_EQ(vtest::Hex(ciphered).substr(0, 2), "CC");
    TExampleKeys keys;
    TBlock block;
    ASSERT_TRUE(MayCarryBlock(ciphered, true));
    ASSERT_TRUE(ReadBlock(ciphered, &keys.Keys, block));
    EXPECT_EQ(block.Envelope, "glo_GetResponse");
    EXPECT_EQ(vtest::Hex(block.Data), "0910");
    EXPECT_EQ(block.Number, 1u);
    // Without the keys it stays opaque: no block.
    EXPECT_FALSE(MayCarryBlock(ciphered, false));
    EXPECT_FALSE(ReadBlock(ciphered, nullptr, block));
    const TExampleKeys noTitle(false);
    EXPECT_FALSE(ReadBlock(ciphered, &noTitle.Keys, block));
    // Through a joiner's hook the translation's own decoding gives the block.
    TTranslateOptions options;
    options.Keys = &keys.Keys;
    std::vector<std::string> messages;
    TBlockJoin join(options, "line", [&](TJoinedUnit& Unit) { messages.push_back(Unit.Message); });
    const TTranslateOutcome outcome = vantrel::TranslateOctets(ciphered, join.ReaderOptions(options));
    EXPECT_NE(outcome.Hooked, 0u);
    EXPECT_EQ(vantrel::TranslateOctets(ciphered, options).Hooked, 0u);
    join.Take(outcome, 7);
    join.Finish();
    EXPECT_EQ(messages, std::vector<std::string>{"GetResponse data blocks of invoke id 1 from line 7: the input ended "
                                                 "before the last block"});
}

TEST(BlockJoin, OutcomesTakenAsTheReadersHandThemOver) {
    // Translations whose outcomes go unused (a reader tried another reading)
    // leave nothing behind; an outcome taken after a later one says so.
    std::vector<std::string> units;
    TBlockJoin join({}, "line", [&](TJoinedUnit& Unit) { units.push_back(Unit.Joined ? "joined" : Unit.Message); });
    const TTranslateOptions options = join.ReaderOptions({});
    const auto block = [&](const char* Hex) { return vantrel::TranslateOctets(vtest::Bytes(Hex), options); };
    const TTranslateOutcome unused = block("C4 02 C1 00 00000001 00 01 12");
    const TTranslateOutcome first = block("C4 02 C1 00 00000001 00 01 12");
    const TTranslateOutcome last = block("C4 02 C1 01 00000002 00 02 0005");
    join.Take(first, 1);
    join.Take(last, 2);
    join.Take(unused, 3);
    EXPECT_EQ(units, (std::vector<std::string>{"joined", "the block of line 3 was not kept: more than 4096 APDUs "
                                                         "translated before it was taken, or it was taken after a "
                                                         "later one"}));

    // Blocks one after the other in one unit (one line, one information
    // field): each is taken, in the order they stand.
    units.clear();
    join.Take(block("C4 02 C1 00 00000001 00 01 12 C4 02 C1 01 00000002 00 02 0007"), 4);
    EXPECT_EQ(units, std::vector<std::string>{"joined"});
}

// The events of a joiner fed Pieces (key, number, last, data), rendered as
// "joined N [origins] data; remarks" or "not joined [origins] why".
struct TPieceRow {
    const char* Key;
    uint32_t Number;
    bool Last;
    const char* Data;
};

std::string Events(const std::vector<TPieceRow>& Pieces, bool InTurn) {
    std::string text;
    TBlockJoiner joiner;
    const auto sink = [&](const TJoinEvent& e) {
        if (!text.empty()) text += " / ";
        text += e.Kind == TJoinEvent::Joined ? "joined " + std::to_string(e.Blocks) + " " : "not joined ";
        text += "[" + RangesText(e.Origins) + "]";
        if (e.Kind == TJoinEvent::Joined) text += " " + std::string(e.Data);
        for (const std::string& remark : e.Remarks) text += "; " + remark;
    };
    long long origin = 0;
    for (const TPieceRow& p : Pieces) {
        TPiece piece;
        piece.Key = p.Key;
        piece.Number = p.Number;
        piece.Last = p.Last;
        piece.Data = p.Data;
        piece.Head = "head";
        piece.Origin = ++origin;
        piece.InTurn = InTurn;
        joiner.Take(piece, sink);
    }
    text += " |";
    std::string atEnd;
    std::swap(text, atEnd);
    joiner.Finish(sink);
    return atEnd + (text.empty() ? "" : " " + text);
}

TEST(BlockJoiner, JoinsBlockOneToTheLastAndNamesWhatIsWrong) {
    struct TRow {
        const char* Name;
        bool InTurn;
        std::vector<TPieceRow> Pieces;
        const char* Expected;  // the events while taking, "|", the events at the end
    } const rows[] = {
        {"in order", true, {{"k", 1, false, "a"}, {"k", 2, false, "b"}, {"k", 3, true, "c"}}, "joined 3 [1-3] abc |"},
        {"one block", true, {{"k", 1, true, "x"}}, "joined 1 [1] x |"},
        {"two transfers interleaved", true,
         {{"k", 1, false, "a"}, {"m", 1, false, "x"}, {"m", 2, true, "y"}, {"k", 2, true, "b"}},
         "joined 2 [2, 3] xy / joined 2 [1, 4] ab |"},
        {"a block again with the same data", true, {{"k", 1, false, "a"}, {"k", 1, false, "a"}, {"k", 2, true, "b"}},
         "joined 2 [1, 3] ab; block 1 came again (line 2) and is left out |"},
        {"out of order", false, {{"k", 1, false, "a"}, {"k", 3, false, "c"}, {"k", 2, false, "b"}, {"k", 4, true, "d"}},
         "joined 4 [1, 3, 2, 4] abcd; block 2 (line 3) came after block 3 |"},
        {"a lost block sent again after the last", false, {{"k", 1, false, "a"}, {"k", 3, true, "c"}, {"k", 2, false, "b"}},
         "joined 3 [1, 3, 2] abc; block 2 (line 3) came after block 3 |"},
        {"a block missing where blocks come in turn", true, {{"k", 1, false, "a"}, {"k", 3, true, "c"}},
         "not joined [1, 2]; block 2 missing |"},
        {"a lost block that never comes again", false, {{"k", 1, false, "a"}, {"k", 3, true, "c"}},
         " | not joined [1, 2]; the input ended; block 2 missing"},
        {"the input ends before the last block", true, {{"k", 1, false, "a"}, {"k", 2, false, "b"}},
         " | not joined [1, 2]; the input ended before the last block"},
        {"a new transfer begins", true, {{"k", 1, false, "a"}, {"k", 2, false, "b"}, {"k", 1, false, "x"}, {"k", 2, true, "y"}},
         "not joined [1, 2]; a new transfer began (line 3) before the last block / joined 2 [3, 4] xy |"},
        {"a block again with other data", false, {{"k", 1, false, "a"}, {"k", 2, false, "b"}, {"k", 2, true, "z"}},
         "not joined [1, 2]; block 2 came again with other data (line 3) | not joined [3]; the input ended; block 1 missing"},
        {"a block after the last", false, {{"k", 1, false, "a"}, {"k", 3, true, "c"}, {"k", 4, false, "d"}},
         "not joined [1, 2]; block 4 (line 3) after the last block 3; block 2 missing | not joined [3]; the input ended "
         "before the last block; blocks 1-3 missing"},
        {"a block before the last", true, {{"k", 1, false, "a"}, {"k", 5, false, "e"}, {"k", 3, true, "c"}},
         "block 5 came before the last block 3"},
        {"block number 0", true, {{"k", 0, true, "a"}}, "not joined [1]; block number 0 (line 1) where blocks count from 1 |"},
        {"scattered gaps", false,
         {{"k", 2, false, ""}, {"k", 4, false, ""}, {"k", 6, false, ""}, {"k", 8, false, ""}, {"k", 10, false, ""},
          {"k", 12, false, ""}, {"k", 14, false, ""}, {"k", 16, false, ""}, {"k", 18, false, ""}, {"k", 20, true, ""}},
         " | not joined [1-10]; the input ended; blocks 1, 3, 5, 7, 9, 11, 13, 15, ... and 2 more missing"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const std::string events = Events(row.Pieces, row.InTurn);
        if (std::string_view(row.Expected).find(" |") == std::string_view::npos &&
            std::string_view(row.Expected).find("| ") == std::string_view::npos)
            EXPECT_NE(events.find(row.Expected), std::string::npos) << events;
        else
            EXPECT_EQ(events, row.Expected);
    }
}

TEST(BlockJoiner, BoundsOfOpenTransfers) {
    // Seventeen transfers open at once: the one longest without a block goes.
    std::vector<TPieceRow> pieces;
    const char* keys[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o", "p", "q"};
    for (const char* key : keys) pieces.push_back({key, 1, false, "x"});
    const std::string events = Events(pieces, true);
    EXPECT_TRUE(events.starts_with("not joined [1]; more than 16 transfers open at once; the one longest without a "
                                   "block is given up |"))
        << events;

    // The octets of one transfer.
    TBlockJoiner joiner;
    std::vector<std::string> why;
    const auto sink = [&](const TJoinEvent& e) { why.push_back(e.Kind == TJoinEvent::Joined ? "joined" : e.Remarks[0]); };
    const std::string half(kMaxTransferOctets / 2 + 1, 'x');
    for (uint32_t n = 1; n <= 2; ++n) {
        TPiece piece;
        piece.Key = "k";
        piece.Number = n;
        piece.Data = half;
        joiner.Take(piece, sink);
    }
    EXPECT_EQ(why, std::vector<std::string>{"longer than 16777216 octets"});
    EXPECT_EQ(joiner.Open(), 0u);

    // The blocks of one transfer.
    why.clear();
    for (uint32_t n = 1; n <= kMaxTransferBlocks + 1; ++n) {
        TPiece piece;
        piece.Key = "k";
        piece.Number = n;
        joiner.Take(piece, sink);
    }
    EXPECT_EQ(why, std::vector<std::string>{"more than 65536 blocks"});
}

TEST(BlockJoiner, RangesText) {
    EXPECT_EQ(RangesText({1, 2, 3, 5, 7, 8, 9}), "1-3, 5, 7-9");
    EXPECT_EQ(RangesText({4, 5}), "4, 5");
    EXPECT_EQ(RangesText({9, 3, 4}), "9, 3, 4");
    EXPECT_EQ(RangesText({1, 3, 5, 7}, 2), "1, 3, ... and 2 more");
}

// The joined units of APDUs taken one a line with no link.
std::vector<TJoinedUnit> JoinedUnits(const std::vector<std::string>& Apdus, const VantrelKeys* Keys = nullptr,
                                     std::vector<TApduLink> Links = {}) {
    std::vector<TJoinedUnit> units;
    TTranslateOptions options;
    options.Keys = Keys;
    TBlockJoin join(options, "line", [&](TJoinedUnit& Unit) { units.push_back(std::move(Unit)); });
    for (size_t i = 0; i < Apdus.size(); ++i)
        join.Take(vtest::Bytes(Apdus[i]), i < Links.size() ? Links[i] : TApduLink{}, static_cast<long long>(i + 1));
    join.Finish();
    return units;
}

TEST(BlockJoin, TheUnsegmentedApduOfEachService) {
    struct TRow {
        const char* Name;
        std::vector<std::string> Apdus;
        const char* Joined;  // the joined APDU its XML translates back to, or "not joined: ..."
    } const rows[] = {
        {"GET: the normal response", {"C4 02 C1 00 00000001 00 02 1200", "C4 02 C1 01 00000002 00 01 05"}, "C4 01 C1 00 12 0005"},
        {"GET: a response with list",
         {"C4 02 C1 00 00000001 00 03 020012", "C4 02 C1 01 00000002 00 06 0001 00 12 0002"},
         "C4 03 C1 02 00 12 0001 00 12 0002"},
        {"SET: descriptor from the first block",
         {"C1 02 C2 0001 0000600100FF 02 00 00 00000001 02 1200", "C1 03 C2 01 00000002 01 05"},
         "C1 01 C2 0001 0000600100FF 02 00 12 0005"},
        {"SET with list", {"C1 05 C2 01 0001 0000600100FF 02 00 01 00000001 04 01 12 0005"},
         "C1 04 C2 01 0001 0000600100FF 02 00 01 12 0005"},
        {"ACTION request", {"C3 04 C3 000F 0000280000FF 01 00 00000001 02 0902", "C3 06 C3 01 00000002 02 AABB"},
         "C3 01 C3 000F 0000280000FF 01 01 09 02 AABB"},
        {"ACTION request with list", {"C3 05 C3 01 000F 0000280000FF 01 01 00000001 03 01 0F05"},
         "C3 03 C3 01 000F 0000280000FF 01 01 0F05"},
        {"ACTION response: the Data", {"C7 02 C1 01 00000001 03 12 0005"}, "C7 01 C1 00 01 00 12 0005"},
        {"ACTION response: result and return parameters", {"C7 02 C1 01 00000001 06 00 01 00 12 0005"},
         "C7 01 C1 00 01 00 12 0005"},
        {"SN read response", {"0C 01 02 00 0001 02 1200", "0C 01 02 01 0002 01 05"}, "0C 01 00 12 0005"},
        {"SN read request", {"05 01 06 01 0001 04 01 02 0010"}, "05 01 02 0010"},
        {"SN write request", {"06 01 07 01 0001 01 09 08 01 02 0010 01 12 0005"}, "06 01 02 0010 01 12 0005"},
        {"general block transfer", {"E0 40 0001 0000 04 0F000000", "E0 C0 0002 0000 05 01 00 12 0005"},
         "0F 00000001 00 12 0005"},
        {"a data-access result ends the transfer", {"C4 02 C1 00 00000001 00 01 12", "C4 02 C1 01 00000002 01 0E"},
         "not joined: GetResponse data blocks of invoke id 1 from line 1: block 2 (line 2) carries the data-access "
         "result DataBlockUnavailable in place of data"},
        {"joined data that does not translate", {"C4 02 C1 01 00000001 00 02 1200"},
         "not joined: GetResponse data block 1 of invoke id 1 from line 1: the joined APDU does not translate: Wrong "
         "encoding in pdu at octet 7 (of 6)"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const std::vector<TJoinedUnit> units = JoinedUnits(row.Apdus);
        ASSERT_EQ(units.size(), 1u);
        if (!units[0].Joined) {
            EXPECT_EQ(units[0].Outcome.Notes.at(0), row.Joined);
            continue;
        }
        EXPECT_EQ(vtest::Hex(OctetsOf(units[0].Outcome.Text)), vtest::Norm(row.Joined));
        EXPECT_TRUE(units[0].Outcome.Notes.empty());
        EXPECT_EQ(units[0].Number, static_cast<long long>(row.Apdus.size()));
    }
}

TEST(BlockJoin, ConversationsDirectionsAndNesting) {
    // The same invoke id on two HDLC address pairs, and a SET request of the
    // client between the blocks of a GET response on the first pair.
    const TApduLink meter1{TApduLink::Hdlc, 0x10, 0x01}, meter2{TApduLink::Hdlc, 0x11, 0x01};
    const TApduLink client1{TApduLink::Hdlc, 0x01, 0x10};
    const std::vector<TJoinedUnit> units = JoinedUnits(
        {"C4 02 C1 00 00000001 00 01 12", "C4 02 C1 00 00000001 00 01 12", "C1 02 C1 0001 0000600100FF 02 00 01 00000001 02 0F05",
         "C4 02 C1 01 00000002 00 02 0005", "C4 02 C1 01 00000002 00 02 0006"},
        nullptr, {meter1, meter2, client1, meter1, meter2});
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(vtest::Hex(OctetsOf(units[0].Outcome.Text)), "C101C100010000600100FF02000F05");
    EXPECT_EQ(vtest::Hex(OctetsOf(units[1].Outcome.Text)), "C401C100120005");
    EXPECT_EQ(units[1].FromText, "lines 1, 4");
    EXPECT_EQ(vtest::Hex(OctetsOf(units[2].Outcome.Text)), "C401C100120006");

    // A general block transfer whose joined APDU is a data block again: the
    // block transfer's unit, then the data block's.
    const std::vector<TJoinedUnit> twice =
        JoinedUnits({"E0 40 0001 0000 05 C402C10100", "E0 C0 0002 0000 08 000001 00 03 120005"});
    ASSERT_EQ(twice.size(), 2u);
    EXPECT_EQ(vtest::Hex(OctetsOf(twice[0].Outcome.Text)), "C402C101000000010003120005");
    EXPECT_EQ(vtest::Hex(OctetsOf(twice[1].Outcome.Text)), "C401C100120005");
    EXPECT_EQ(twice[1].Comment, Comment("GetResponse data block 1 of invoke id 1 joined from line 2"));

    // An acknowledgement without data opens no transfer.
    EXPECT_TRUE(JoinedUnits({"E0 00 0001 0002 00"}).empty());
}

// The block data of a general block transfer frame (one line of a trace).
std::string BlockData(const std::string& FrameText) {
    vantrel::TFrame frame;
    frame.SetFromPduByteStr(vtest::Bytes(FrameText));
    const std::string_view info = frame.Data();
    std::string_view block = info.substr(vantrel::LlcHeaderSize(info));
    EXPECT_EQ(static_cast<uint8_t>(block[0]), 0xE0);
    block.remove_prefix(6);  // tag, control, number, acknowledged number
    size_t size = static_cast<uint8_t>(block[0]);
    block.remove_prefix(1);
    if (size > 0x80) {
        const size_t octets = size & 0x7F;
        size = 0;
        for (size_t i = 0; i < octets; ++i) size = size << 8 | static_cast<uint8_t>(block[i]);
        block.remove_prefix(octets);
    }
    EXPECT_EQ(block.size(), size);
    return std::string(block);
}

// GetResponseWithDataBlock APDUs around raw data, one a line, invoke id 1.
std::string DataBlocks(const std::vector<std::string>& RawData) {
    std::string lines;
    for (size_t i = 0; i < RawData.size(); ++i) {
        const std::string raw = vtest::Bytes(RawData[i]);
        std::string apdu = vtest::Bytes("C4 02 C1");
        apdu += static_cast<char>(i + 1 == RawData.size());
        for (int shift = 24; shift >= 0; shift -= 8) apdu += static_cast<char>((i + 1) >> shift);
        apdu += '\0';
        if (raw.size() >= 0x100) apdu += "\x82" + std::string(1, static_cast<char>(raw.size() >> 8));
        else if (raw.size() >= 0x80) apdu += '\x81';
        apdu += static_cast<char>(raw.size() & 0xFF);
        lines += vtest::Hex(apdu + raw) + "\n";
    }
    return lines;
}

using dtest::TRun;
class JoinCli : public dtest::TCliTest {};

// A joined unit or a transfer not joined, after line Line.
struct TUnitRow {
    int Line;
    const char* Head;     // after "line N: "
    const char* Comment;  // of a joined unit
    std::vector<int> Blocks;  // the lines whose blocks make the joined APDU, in block order
};

TEST_F(JoinCli, PublicTracesEachBlockAndTheJoinedApdu) {
    const std::string kamstrup = DataBlocks(Lines(TraceFile("kamstrup-object-list-raw-data.txt")));
    struct TRow {
        const char* Name;
        std::string Input;
        const char* Key;  // a BlockCipherKey, or empty
        std::vector<TUnitRow> Units;
        const char* Err;
    } const rows[] = {
        {"Landis+Gyr E450, two pushes, the first cut off", TraceFile("lg-e450-push.txt"), "",
         {{3, "not joined: general block transfer blocks from lines 1, 2: a new transfer began (line 3) before the "
              "last block", "", {}},
          {6, "joined from lines 3-6", "general block transfer blocks 1-4 joined from lines 3-6", {3, 4, 5, 6}}},
         "<stdin>:3: warning: not joined: general block transfer blocks from lines 1, 2: a new transfer began (line 3) "
         "before the last block\n"},
        {"Landis+Gyr E450, another push list", TraceFile("lg-e450-push-other-list.txt"), "",
         {{3, "joined from lines 1-3", "general block transfer blocks 1-3 joined from lines 1-3", {1, 2, 3}}}, ""},
        {"Landis+Gyr E450, a block repeated and one late", TraceFile("lg-e450-push-repeated-block.txt"), "",
         {{5, "joined from lines 1, 2, 5, 4",
           "general block transfer blocks 1-4 joined from lines 1, 2, 5, 4; block 2 came again (line 3) and is left "
           "out; block 3 (line 5) came after block 4",
           {1, 2, 5, 4}}},
         "<stdin>:5: warning: block 2 came again (line 3) and is left out\n"
         "<stdin>:5: warning: block 3 (line 5) came after block 4\n"},
        {"Landis+Gyr E450, ciphered, no key", TraceFile("lg-e450-push-ciphered.txt"), "",
         {{3, "joined from lines 1-3", "general block transfer blocks 1-3 joined from lines 1-3", {1, 2, 3}}}, ""},
        {"Landis+Gyr E570, ciphered, with its key", TraceFile("lg-e570-push-ciphered.txt"),
         "101112131415161718191A1B1C1D1E1F",
         {{5, "joined from lines 1-5", "general block transfer blocks 1-5 joined from lines 1-5", {1, 2, 3, 4, 5}}}, ""},
        {"Landis+Gyr E450 from Cyprus", TraceFile("lg-e450-push-cyprus.txt"), "",
         {{3, "joined from lines 1-3", "general block transfer blocks 1-3 joined from lines 1-3", {1, 2, 3}}}, ""},
        // The joined count 82 00 7B does not come back from the XML (7B), and the warning says so.
        {"Kamstrup object list in 69 data blocks", kamstrup, "",
         {{69, "joined from lines 1-69", "GetResponse data blocks 1-69 of invoke id 1 joined from lines 1-69", {}}},
         "<stdin>:69: warning: the XML gives other octets from octet 6 on: the input has 82 00 7B 02 04 12 00 01 ..., "
         "the XML 7B 02 04 12 00 01 11 00 ... (5311 octets read, 5309 from the XML)\n"},
        {"load profile blocks 1 and 19", TraceFile("load-profile-blocks-1-and-19.txt"), "",
         {{2, "not joined: GetResponse data blocks of invoke id 1 from lines 1, 2: blocks 2-18 missing", "", {}}},
         "<stdin>:2: warning: not joined: GetResponse data blocks of invoke id 1 from lines 1, 2: blocks 2-18 missing\n"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        VantrelKeys keys;
        TTranslateOptions options;
        std::string args = "--each-line";
        if (*row.Key) {
            if (!vantrel::cipher::Available()) continue;
            std::string message;
            ASSERT_TRUE(vantrel::SetKeyFromHex(keys, "BlockCipherKey", row.Key, message));
            options.Keys = &keys;
            args += std::string(" --key BlockCipherKey=") + row.Key;
        }
        const std::vector<std::string> lines = Lines(row.Input);
        // Every block as it translates on its own, then the joined units.
        std::string expected;
        for (size_t i = 0; i < lines.size(); ++i) {
            const TTranslateOutcome alone = vantrel::TranslateSingle(lines[i], options);
            ASSERT_EQ(alone.Kind, TTranslateOutcome::Translated) << "line " << i + 1;
            expected += "line " + std::to_string(i + 1) + ":\n" + alone.Text;
            for (const TUnitRow& unit : row.Units) {
                if (unit.Line != static_cast<int>(i + 1)) continue;
                expected += "line " + std::to_string(unit.Line) + ": " + unit.Head + "\n";
                if (!*unit.Comment) continue;
                std::string apdu;
                if (unit.Blocks.empty()) {  // the Kamstrup blocks: the normal response
                    apdu = vtest::Bytes("C4 01 C1 00");
                    for (const std::string& raw : Lines(TraceFile("kamstrup-object-list-raw-data.txt")))
                        apdu += vtest::Bytes(raw);
                }
                for (int line : unit.Blocks) apdu += BlockData(lines[static_cast<size_t>(line - 1)]);
                const TTranslateOutcome joined = vantrel::TranslateOctets(apdu, options);
                ASSERT_EQ(joined.Kind, TTranslateOutcome::Translated) << joined.Text;
                // The joined XML reads back to the one unsegmented APDU. (The
                // Kamstrup meter writes its array's count 7B as 82 00 7B; XML
                // keeps the count, not its form, so it reads back as 7B, and
                // the translation's one note says so.)
                EXPECT_EQ(joined.Notes.size(), unit.Blocks.empty() ? 1u : 0u);
                std::string back = vtest::Hex(apdu);
                if (unit.Blocks.empty()) back.replace(8, 8, "017B");
                EXPECT_EQ(vtest::Hex(OctetsOf(joined.Text, options.Keys)), back);
                expected += Comment(unit.Comment) + joined.Text;
            }
        }
        const TRun run = Run(args, row.Input);
        EXPECT_EQ(run.Status, 0);
        EXPECT_EQ(run.Out, expected);
        EXPECT_EQ(run.Err, row.Err);
    }
}

TEST_F(JoinCli, StrictJsonAndTheWholeText) {
    // A repeated block is a warning: --strict makes it count; pasted whole,
    // a note of the joined unit.
    const std::string repeated = TraceFile("lg-e450-push-repeated-block.txt");
    EXPECT_EQ(Run("--each-line --strict", repeated).Status, 1);
    EXPECT_EQ(vantrel::TranslateText(repeated).Notes,
              (std::vector<std::string>{"lines 1, 2, 5, 4: block 2 came again (line 3) and is left out",
                                        "lines 1, 2, 5, 4: block 3 (line 5) came after block 4"}));

    // --json: the joined unit and the transfer not joined carry joined_from.
    const TRun json = Run("--each-line --json", TraceFile("lg-e450-push-cyprus.txt") +
                                                    TraceFile("load-profile-blocks-1-and-19.txt"));
    std::vector<nlohmann::json> objects;
    for (const std::string& line : Lines(json.Out)) objects.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(objects.size(), 7u);
    EXPECT_EQ(objects[3]["line"], 3);
    EXPECT_EQ(objects[3]["input"], "blocks");
    EXPECT_EQ(objects[3]["joined_from"], nlohmann::json::parse("[1, 2, 3]"));
    EXPECT_EQ(objects[3]["apdu"], "DataNotification");
    EXPECT_EQ(objects[6]["line"], 5);
    EXPECT_EQ(objects[6]["joined_from"], nlohmann::json::parse("[4, 5]"));
    EXPECT_EQ(objects[6]["not_joined"], "GetResponse data blocks of invoke id 1 from lines 4, 5: blocks 2-18 missing");
    EXPECT_FALSE(objects[6].contains("error"));

    // Pasted whole: the blocks, then the joined APDU; a transfer not joined
    // is a note and a comment, not a failure.
    const std::string cyprus = TraceFile("lg-e450-push-cyprus.txt");
    const TTranslateOutcome whole = vantrel::TranslateText(cyprus);
    ASSERT_EQ(whole.Kind, TTranslateOutcome::Translated) << whole.Text;
    EXPECT_TRUE(whole.Notes.empty());
    std::string blocks;
    for (const std::string& line : Lines(cyprus)) blocks += vantrel::TranslateSingle(line, {}).Text;
    ASSERT_TRUE(whole.Text.starts_with(blocks));
    EXPECT_TRUE(whole.Text.substr(blocks.size()).starts_with(
        Comment("general block transfer blocks 1-3 joined from lines 1-3") + "<DataNotification>\r\n"));
    std::string log;
    for (const std::string& line : Lines(TraceFile("load-profile-blocks-1-and-19.txt"))) log += "12:00:01 RX " + line + "\n";
    const TTranslateOutcome cut = vantrel::TranslateText(log);
    ASSERT_EQ(cut.Kind, TTranslateOutcome::Translated) << cut.Text;
    const std::string note =
        "line 2: not joined: GetResponse data blocks of invoke id 1 from lines 1, 2: blocks 2-18 missing";
    EXPECT_EQ(cut.Notes, std::vector<std::string>{note});
    EXPECT_TRUE(cut.Text.ends_with(Comment(note.substr(8)))) << cut.Text.substr(cut.Text.size() - 200);
    // Hex lines alone translate as today: the first APDU, the rest named after it.
    const std::string hexLines = TraceFile("load-profile-blocks-1-and-19.txt");
    EXPECT_EQ(vantrel::TranslateText(hexLines).Text, vantrel::TranslateSingle(hexLines, {}).Text);
}

// The AARQ and AARE of the public Go DLMS client's test session (as in
// cli_keys_test.cpp): the AARE names the server's system title, 4C475A2022604828.
const char kAarq[] =
    "6066A109060760857405080103A60A040843495200000000018A0207808B0760857405080201AC0A80084A7553363642435A"
    "BE3404322130300000005992D807DBCF8533E9AD675AE0948241FB8E6CF9AFA7006BAA134A473C9151B3362F56DC12F89E85DA97E176";
const char kAare[] =
    "6148A109060760857405080103A203020100A305A103020100A40A04084C475A2022604828"
    "BE230421281F300000005AE916783AF33B5317AD0E453A799A65F26AE97660CF8B14FEB7B0";

TEST_F(JoinCli, CipheredDataBlocksWithTheTitlesOfTheAssociation) {
    if (!vantrel::cipher::Available()) GTEST_SKIP() << "no cipher in this build";
    // Two glo_GetResponse data blocks enciphered with the session's key and
    // the server's title, which only the AARE gives.
    VantrelKeys keys;
    std::string message;
    vantrel::SetKeyFromHex(keys, "BlockCipherKey", "00112233445566778899AABBCCDDEEFF", message);
    vantrel::SetKeyFromHex(keys, "AuthenticationKey", "00112233445566778899AABBCCDDEEFF", message);
    vantrel::SetKeyFromHex(keys, "ServerSystemTitle", "4C475A2022604828", message);
    std::string lines = std::string(kAarq) + "\n" + kAare + "\n";
    const char* blocks[] = {"C4 02 C1 00 00000001 00 03 020212", "C4 02 C1 01 00000002 00 04 0005 1107"};
    for (int i = 0; i < 2; ++i) {
        const std::string xml = "<glo_GetResponse><SecurityControl Value=\"30\" /><InvocationCounter Value=\"0000000" +
                                std::to_string(i + 2) + "\" />" + vtest::ToXml(blocks[i]).Text + "</glo_GetResponse>";
        lines += vtest::Hex(OctetsOf(xml, &keys)) + "\n";
    }
    const TRun run = Run("--each-line --key BlockCipherKey=00112233445566778899AABBCCDDEEFF "
                         "--key AuthenticationKey=00112233445566778899AABBCCDDEEFF",
                         lines);
    EXPECT_EQ(run.Status, 0) << run.Err;
    const std::string joined = vtest::ToXml("C4 01 C1 00 02 02 12 0005 11 07").Text;
    EXPECT_TRUE(run.Out.ends_with(
        "line 4: joined from lines 3, 4\n" +
        Comment("glo_GetResponse: GetResponse data blocks 1-2 of invoke id 1 deciphered and joined from lines 3, 4") +
        joined))
        << run.Out;
    EXPECT_EQ(run.Err.find("0011223344"), std::string::npos);
}

}  // namespace
