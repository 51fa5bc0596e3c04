#include "BlockJoin.h"

#include <algorithm>
#include <cstring>

#include "../../xmlPdu/INFRA/ScriptStream.h"
#include "../../xmlPdu/security/SecurityLayer.h"

namespace vantrel::join {

namespace {

// The head a transfer keeps from its first block: the kind, the invoke id,
// the envelope of ciphered blocks, then what BlockRead gave.
void PutHead(const TBlock& Block, std::string& Head) {
    Head.clear();
    Head += static_cast<char>(Block.Kind);
    Head += static_cast<char>(Block.HasInvokeId);
    Head += static_cast<char>(Block.InvokeId);
    Head += static_cast<char>(Block.Envelope.size() < 255 ? Block.Envelope.size() : 255);
    Head.append(Block.Envelope.substr(0, 255));
    Head += Block.Head;
}

struct THead {
    TBlockKind Kind = TBlockKind::GetResponse;
    bool HasInvokeId = false;
    uint8_t InvokeId = 0;
    std::string_view Envelope;
    std::string_view Rest;
};

bool GetHead(std::string_view Head, THead& Out) {
    if (Head.size() < 4 || Head.size() < 4u + static_cast<uint8_t>(Head[3])) return false;
    Out.Kind = static_cast<TBlockKind>(Head[0]);
    Out.HasInvokeId = Head[1] != 0;
    Out.InvokeId = static_cast<uint8_t>(Head[2]);
    Out.Envelope = Head.substr(4, static_cast<uint8_t>(Head[3]));
    Out.Rest = Head.substr(4 + Out.Envelope.size());
    return true;
}

// The kind and invoke id that a transfer's key ends with (MakeKey), for a
// transfer whose first block never came.
THead KeyHead(std::string_view Key) {
    THead head;
    const std::string_view tail = Key.substr(Key.rfind('\x1F') + 1);  // direction, kind, invoke id
    head.Kind = static_cast<TBlockKind>(tail[1]);
    head.HasInvokeId = tail.size() > 2;
    if (head.HasInvokeId) head.InvokeId = static_cast<uint8_t>(tail[2]);
    return head;
}

// "GetResponse data blocks 1-3 of invoke id 1"; Blocks 0: "... blocks".
std::string Description(const THead& Head, uint32_t Blocks) {
    std::string text(BlockKindText(Head.Kind));
    text += Blocks == 1 ? " block 1" : Blocks > 1 ? " blocks 1-" + std::to_string(Blocks) : " blocks";
    if (Head.HasInvokeId) text += " of invoke id " + std::to_string(Head.InvokeId);
    return text;
}

// "lines 4, 8, 12": the origins, a number that repeats one after the other named once.
std::string FromText(std::string_view Unit, std::vector<long long>& Origins) {
    Origins.erase(std::unique(Origins.begin(), Origins.end()), Origins.end());
    std::string text(Unit);
    if (Origins.size() != 1) text += 's';
    return text + ' ' + RangesText(Origins);
}

}  // namespace

TBlockJoin::TBlockJoin(const TTranslateOptions& Options, std::string_view Unit, TSink Sink)
    : FOptions(ReaderOptions(Options)), FUnit(Unit), FSink(std::move(Sink)), FJoiner(Unit),
      FOnEvent([this](const TJoinEvent& e) { Event(e, FAt.Link, FAt.Number, FAt.Conversation, FAt.Depth); }) {}

void TBlockJoin::Decoded(const TCOSEMPduBase& Apdu, uint64_t& Mark) {
    Mark = 0;
    if (FCount == FPending.size()) {
        if (FPending.size() < kMaxPendingBlocks) {
            // Grown in order, the oldest first; the blocks stay where they are.
            std::vector<std::unique_ptr<TPending>> grown(std::max<size_t>(8, FPending.size() * 2));
            for (size_t i = 0; i < FCount; ++i) grown[i] = std::move(FPending[(FFirst + i) % FPending.size()]);
            for (auto& slot : grown)
                if (!slot) slot = std::make_unique<TPending>();
            FPending.swap(grown);
            FFirst = 0;
        } else if (FOffering) {
            return;  // the oldest is in use: this one is not kept
        } else {
            FFirst = (FFirst + 1) % FPending.size();  // the oldest goes
            --FCount;
        }
    }
    TPending& slot = *FPending[(FFirst + FCount) % FPending.size()];
    if (!CopyBlock(Apdu, slot.Block)) return;
    slot.Mark = FNextMark++;
    ++FCount;
    Mark = slot.Mark;
}

const TBlock* TBlockJoin::Pending(uint64_t Mark) {
    // Outcomes come in the order of their translations: blocks older than
    // this one's belong to translations whose outcomes went unused.
    while (FCount && FPending[FFirst]->Mark < Mark) {
        FFirst = (FFirst + 1) % FPending.size();
        --FCount;
    }
    if (!FCount || FPending[FFirst]->Mark != Mark) return nullptr;
    return &FPending[FFirst]->Block;
}

void TBlockJoin::Consume() {
    FFirst = (FFirst + 1) % FPending.size();
    --FCount;
}

void TBlockJoin::Take(const TTranslateOutcome& Outcome, long long Number, std::string_view Conversation) {
    if (!Outcome.Hooked || Outcome.Kind != TTranslateOutcome::Translated || !Outcome.HexToXml) return;
    // Every block of the unit, in the order its APDUs stand.
    for (uint64_t mark = Outcome.Hooked; mark <= std::max(Outcome.Hooked, Outcome.HookedLast); ++mark) {
        const TBlock* block = Pending(mark);
        if (!block) {
            TJoinedUnit unit;
            unit.Number = Number;
            unit.From = {Number};
            unit.FromText = FUnit + " " + std::to_string(Number);
            NotJoined(unit, "the block of " + unit.FromText + " was not kept: more than " +
                                std::to_string(kMaxPendingBlocks) +
                                " APDUs translated before it was taken, or it was taken after a later one");
            continue;
        }
        FOffering = true;
        Offer(*block, Outcome.Link, Number, Conversation, 0);
        FOffering = false;
        Consume();
        if (!FNested.empty()) Nested();
    }
}

void TBlockJoin::Take(std::string_view Apdu, const TApduLink& Link, long long Number, std::string_view Conversation) {
    if (!MayCarryBlock(Apdu, FOptions.Keys != nullptr) || !ReadBlock(Apdu, FOptions.Keys, FCurrent)) return;
    Offer(FCurrent, Link, Number, Conversation, 0);
    if (!FNested.empty()) Nested();
}

// A joined APDU that is a block itself, once the joiner is done.
void TBlockJoin::Nested() {
    while (!FNested.empty()) {
        TNested nested = std::move(FNested.back());
        FNested.pop_back();
        Offer(nested.Block, nested.Link, nested.Number, nested.Conversation, nested.Depth);
    }
}

void TBlockJoin::MakeKey(const TBlock& Block, const TApduLink& Link, std::string_view Conversation) {
    // Without a link only the APDU kind tells the direction; general block
    // transfer does not, so its blocks are one stream there.
    const char tail[] = {'\x1F',
                         static_cast<char>(Link.Kind),
                         static_cast<char>(Link.Source >> 24),
                         static_cast<char>(Link.Source >> 16),
                         static_cast<char>(Link.Source >> 8),
                         static_cast<char>(Link.Source),
                         static_cast<char>(Link.Destination >> 24),
                         static_cast<char>(Link.Destination >> 16),
                         static_cast<char>(Link.Destination >> 8),
                         static_cast<char>(Link.Destination),
                         '\x1F',
                         Block.Kind == TBlockKind::BlockTransfer ? '?' : Block.Request ? 'q' : 'r',
                         static_cast<char>(Block.Kind),
                         static_cast<char>(Block.InvokeId)};
    // Blocks of one transfer come one after the other: the key of the one
    // before is most often this one's.
    const size_t tailSize = sizeof tail - !Block.HasInvokeId;
    if (FKey.size() == Conversation.size() + tailSize && std::string_view(FKey).starts_with(Conversation) &&
        std::memcmp(FKey.data() + Conversation.size(), tail, tailSize) == 0)
        return;
    FKey.assign(Conversation).append(tail, tailSize);
}

void TBlockJoin::Offer(const TBlock& Block, const TApduLink& Link, long long Number, std::string_view Conversation,
                       int Depth) {
    MakeKey(Block, Link, Conversation);
    TPiece piece;
    piece.Key = FKey;
    piece.Number = Block.Number;
    piece.Last = Block.Last;
    piece.Data = Block.Data;
    piece.Origin = Number;
    piece.InTurn = Block.Kind != TBlockKind::BlockTransfer;
    FAt = {Link, Number, Conversation, Depth};
    const TBlockJoiner::TSink& sink = FOnEvent;
    if (!Block.AccessResult.empty())
        return FJoiner.End(piece, "carries the data-access result " + std::string(Block.AccessResult) + " in place of data",
                           sink);
    // A general block transfer block without data only acknowledges blocks
    // of the other side, unless it is one of a transfer under way.
    if (Block.Kind == TBlockKind::BlockTransfer && Block.Data.empty() && !FJoiner.IsOpen(FKey)) return;
    if (Block.Number == 1) PutHead(Block, FHead);  // the joiner keeps block 1's
    piece.Head = FHead;
    FJoiner.Take(piece, sink);
}

void TBlockJoin::NotJoined(TJoinedUnit& Unit, std::string Message) {
    Unit.Joined = false;
    Unit.Outcome.Notes.assign(1, "not joined: " + Message);
    Unit.Message = std::move(Message);
    FSink(Unit);
}

void TBlockJoin::Event(const TJoinEvent& Event, const TApduLink& Link, long long Number, std::string_view Conversation,
                       int Depth) {
    TJoinedUnit unit;
    unit.Number = Number;
    unit.From = Event.Origins;
    unit.FromText = FromText(FUnit, unit.From);
    THead head;
    if (!GetHead(Event.Head, head)) {
        if (Event.Kind == TJoinEvent::Joined) return;  // never: block 1 came
        head = KeyHead(Event.Key);
    }
    std::string what = Description(head, Event.Kind == TJoinEvent::Joined ? Event.Blocks : 0);
    if (Event.Kind == TJoinEvent::NotJoined) {
        return NotJoined(unit, what + " from " + unit.FromText + ": " + Event.Remarks.front());
    }
    // The joined data in the unsegmented APDU: the first form that reads
    // to its last octet, else the first that translates at all.
    std::string apdu;
    TTranslateOutcome chosen;
    bool have = false;
    for (const std::string& form : JoinedForms(head.Kind, head.Rest)) {
        apdu.assign(form);
        apdu += Event.Data;
        TTranslateOutcome outcome = TranslateOctets(apdu, FOptions);
        const bool translated = outcome.Kind == TTranslateOutcome::Translated;
        if (translated && outcome.Notes.empty()) {
            chosen = std::move(outcome);
            break;
        }
        if (!have || (translated && chosen.Kind != TTranslateOutcome::Translated)) {
            chosen = std::move(outcome);
            have = true;
        }
    }
    if (chosen.Kind != TTranslateOutcome::Translated) {
        return NotJoined(unit, what + " from " + unit.FromText + ": the joined APDU does not translate: " + chosen.Text +
                                   " at octet " + std::to_string(chosen.Position) + " (of " +
                                   std::to_string(JoinedForms(head.Kind, head.Rest).front().size() + Event.Data.size()) + ")");
    }
    std::string comment = head.Envelope.empty() ? what + " joined from " + unit.FromText
                                                : std::string(head.Envelope) + ": " + what +
                                                      " deciphered and joined from " + unit.FromText;
    for (const std::string& remark : Event.Remarks) {
        comment += "; " + remark;
        chosen.Notes.push_back(remark);
    }
    TScriptStream xml;
    xml.XMLComment(CommentText(comment));
    xml.EmitLn("");
    unit.Comment = xml.AsString();
    unit.Joined = true;
    unit.Outcome = std::move(chosen);
    // The APDU general block transfer carried may be a block again: decoded
    // here once more, a rare case (its translation's mark stays unused).
    if (TBlock nested; head.Kind == TBlockKind::BlockTransfer && Depth == 0 &&
                       MayCarryBlock(Event.Data, FOptions.Keys != nullptr) && ReadBlock(Event.Data, FOptions.Keys, nested))
        FNested.push_back({std::move(nested), Link, Number, std::string(Conversation), Depth + 1});
    FSink(unit);
}

void TBlockJoin::Finish() {
    FJoiner.Finish([&](const TJoinEvent& e) {
        const long long last = e.Origins.empty() ? 0 : *std::max_element(e.Origins.begin(), e.Origins.end());
        Event(e, {}, last, {}, 1);
    });
}

}  // namespace vantrel::join
