#include "BlockJoiner.h"

#include <algorithm>

namespace vantrel::join {

namespace {

std::string Block(uint32_t Number) { return "block " + std::to_string(Number); }

}  // namespace

std::string RangesText(const std::vector<long long>& Numbers, size_t Limit) {
    std::string text;
    size_t ranges = 0;
    for (size_t i = 0; i < Numbers.size();) {
        size_t j = i;
        while (j + 1 < Numbers.size() && Numbers[j + 1] == Numbers[j] + 1) ++j;
        if (ranges == Limit) {
            text += ", ... and " + std::to_string(Numbers.size() - i) + " more";
            break;
        }
        if (ranges++) text += ", ";
        text += std::to_string(Numbers[i]);
        if (j > i) text += (j == i + 1 ? ", " : "-") + std::to_string(Numbers[j]);
        i = j + 1;
    }
    return text;
}

template <class TVisit>
void TBlockJoiner::TTransfer::Each(TVisit&& Visit) const {
    auto late = Late.begin();
    for (const TPart& part : Parts) {
        for (; late != Late.end() && late->first < part.Number; ++late) Visit(late->second);
        Visit(part);
    }
    for (; late != Late.end(); ++late) Visit(late->second);
}

const TBlockJoiner::TPart* TBlockJoiner::TTransfer::Find(uint32_t Number) const {
    const auto at = std::lower_bound(Parts.begin(), Parts.end(), Number,
                                     [](const TPart& p, uint32_t n) { return p.Number < n; });
    if (at != Parts.end() && at->Number == Number) return &*at;
    const auto late = Late.find(Number);
    return late == Late.end() ? nullptr : &late->second;
}

void TBlockJoiner::TTransfer::Insert(const TPart& Part) {
    if (Parts.empty() || Parts.back().Number < Part.Number) Parts.push_back(Part);
    else Late.emplace(Part.Number, Part);
}

// "block 3 missing", "blocks 2-18, 20 missing", "blocks 2, 4, ... and 9 more missing".
std::string TBlockJoiner::Missing(const TTransfer& Transfer) {
    std::string ranges;
    size_t shown = 0;
    uint64_t unshown = 0;
    uint64_t missing = 0;
    const auto gap = [&](uint64_t From, uint64_t To) {  // To included
        if (From > To) return;
        missing += To - From + 1;
        if (shown == kMaxRemarks) {
            unshown += To - From + 1;
            return;
        }
        if (shown++) ranges += ", ";
        ranges += std::to_string(From);
        if (To > From) ranges += (To == From + 1 ? ", " : "-") + std::to_string(To);
    };
    uint64_t expected = 1;
    Transfer.Each([&](const TPart& part) {
        if (part.Number > expected) gap(expected, part.Number - 1);
        expected = std::max<uint64_t>(expected, static_cast<uint64_t>(part.Number) + 1);
    });
    if (Transfer.Last) gap(expected, Transfer.Last);
    if (!missing) return {};
    if (unshown) ranges += ", ... and " + std::to_string(unshown) + " more";
    return (missing == 1 ? "block " : "blocks ") + ranges + " missing";
}

std::string TBlockJoiner::Place(long long Origin) const { return "(" + FUnit + " " + std::to_string(Origin) + ")"; }

TBlockJoiner::TTransfer* TBlockJoiner::Find(std::string_view Key) noexcept {
    for (TTransfer& t : FTransfers)
        if (t.Key == Key) return &t;
    return nullptr;
}

bool TBlockJoiner::IsOpen(std::string_view Key) const noexcept {
    for (const TTransfer& t : FTransfers)
        if (t.Key == Key) return true;
    return false;
}

void TBlockJoiner::End(const TPiece& Piece, std::string_view Why, const TSink& Sink) {
    TTransfer* t = Find(Piece.Key);
    if (!t) return;
    Break(*t, Block(Piece.Number) + " " + Place(Piece.Origin) + " " + std::string(Why), Sink);
}

void TBlockJoiner::Take(const TPiece& Piece, const TSink& Sink) {
    ++FClock;
    if (TTransfer* t = Find(Piece.Key)) return Add(*t, Piece, Sink);
    Open(Piece, Sink);
}

void TBlockJoiner::Open(const TPiece& Piece, const TSink& Sink) {
    if (FTransfers.size() >= kMaxOpenTransfers) {
        auto oldest = std::min_element(FTransfers.begin(), FTransfers.end(),
                                       [](const TTransfer& a, const TTransfer& b) { return a.Used < b.Used; });
        Break(*oldest, "more than " + std::to_string(kMaxOpenTransfers) +
                           " transfers open at once; the one longest without a block is given up",
              Sink);
    }
    TTransfer& t = FTransfers.emplace_back();
    t.Key.assign(Piece.Key);
    Add(t, Piece, Sink);
}

bool TBlockJoiner::Remarkable(TTransfer& Transfer) noexcept {
    if (Transfer.Remarks.size() < kMaxRemarks) return true;
    ++Transfer.Unremarked;
    return false;
}

void TBlockJoiner::Add(TTransfer& Transfer, const TPiece& Piece, const TSink& Sink) {
    TTransfer& t = Transfer;
    t.Used = FClock;
    if (Piece.Number == 0) {
        // Blocks count from 1: this one belongs to no transfer. It is
        // reported with the transfer it came into, which is not joined.
        t.Insert({0, t.Data.size(), 0, Piece.Origin});
        return Break(t, "block number 0 " + Place(Piece.Origin) + " where blocks count from 1", Sink);
    }
    if (const TPart* same = Piece.Number <= t.Highest ? t.Find(Piece.Number) : nullptr) {
        const TPart& part = *same;
        if (std::string_view(t.Data).substr(part.Offset, part.Size) == Piece.Data) {
            if (Remarkable(t)) t.Remarks.push_back(Block(Piece.Number) + " came again " + Place(Piece.Origin) + " and is left out");
            return;
        }
        // Other data under a number already taken: a new transfer began
        // before this one ended, or the blocks belong to no one transfer.
        Break(t,
              Piece.Number == 1 ? "a new transfer began " + Place(Piece.Origin) + " before the last block"
                                : Block(Piece.Number) + " came again with other data " + Place(Piece.Origin),
              Sink);
        return Open(Piece, Sink);
    }
    if (t.Last && Piece.Number > t.Last) {
        Break(t, Block(Piece.Number) + " " + Place(Piece.Origin) + " after the last block " + std::to_string(t.Last), Sink);
        return Open(Piece, Sink);
    }
    if (t.Data.size() + Piece.Data.size() > kMaxTransferOctets || FHeld + Piece.Data.size() > kMaxHeldOctets ||
        t.Count() == kMaxTransferBlocks) {
        t.Insert({Piece.Number, t.Data.size(), 0, Piece.Origin});
        const bool octets = t.Data.size() + Piece.Data.size() > kMaxTransferOctets;
        return Break(t,
                     t.Count() > kMaxTransferBlocks ? "more than " + std::to_string(kMaxTransferBlocks) + " blocks"
                     : octets ? "longer than " + std::to_string(kMaxTransferOctets) + " octets"
                              : "the open transfers hold more than " + std::to_string(kMaxHeldOctets) + " octets",
                     Sink);
    }
    t.Insert({Piece.Number, t.Data.size(), Piece.Data.size(), Piece.Origin});
    if (t.Data.empty()) t.Data.reserve(std::max<size_t>(4096, Piece.Data.size()));  // spared the smallest steps
    t.Data += Piece.Data;
    FHeld += Piece.Data.size();
    if (Piece.Number < t.Highest) {
        t.InOrder = false;
        if (Remarkable(t)) t.Remarks.push_back(Block(Piece.Number) + " " + Place(Piece.Origin) + " came after " + Block(t.Highest));
    }
    t.Highest = std::max(t.Highest, Piece.Number);
    if (Piece.Number == 1) t.Head.assign(Piece.Head);
    if (Piece.Last) {
        if (t.Highest > Piece.Number)
            return Break(t, Block(t.Highest) + " came before the last block " + std::to_string(Piece.Number), Sink);
        t.Last = Piece.Number;
    }
    if (!t.Last) return;
    if (t.Count() == t.Last) return Join(t, Sink);
    if (Piece.InTurn && Piece.Last) return Break(t, {}, Sink);
}

void TBlockJoiner::Break(TTransfer& Transfer, std::string Why, const TSink& Sink) {
    TTransfer& t = Transfer;
    // The blocks missing up to the highest (or the last) one that came.
    std::string text = Missing(t);
    if (!Why.empty()) text = text.empty() ? std::move(Why) : std::move(Why) + "; " + text;
    FEvent.Kind = TJoinEvent::NotJoined;
    FEvent.Key = t.Key;
    FEvent.Head = t.Head;
    FEvent.Data = {};
    FEvent.Blocks = t.Last;
    FEvent.Origins.clear();
    t.Each([&](const TPart& part) { FEvent.Origins.push_back(part.Origin); });
    FEvent.Remarks.assign(1, std::move(text));
    Sink(FEvent);
    Close(t);
}

void TBlockJoiner::Join(TTransfer& Transfer, const TSink& Sink) {
    TTransfer& t = Transfer;
    FEvent.Kind = TJoinEvent::Joined;
    FEvent.Key = t.Key;
    FEvent.Head = t.Head;
    FEvent.Blocks = t.Last;
    FEvent.Origins.clear();
    FJoined.clear();
    t.Each([&](const TPart& part) {
        FEvent.Origins.push_back(part.Origin);
        if (!t.InOrder) FJoined.append(t.Data, part.Offset, part.Size);
    });
    FEvent.Data = t.InOrder ? std::string_view(t.Data) : std::string_view(FJoined);
    FEvent.Remarks = std::move(t.Remarks);
    if (t.Unremarked) FEvent.Remarks.push_back("and " + std::to_string(t.Unremarked) + " more");
    Sink(FEvent);
    Close(t);
}

void TBlockJoiner::Close(TTransfer& Transfer) {
    FHeld -= Transfer.Data.size();
    const size_t index = static_cast<size_t>(&Transfer - FTransfers.data());
    if (index + 1 != FTransfers.size()) FTransfers[index] = std::move(FTransfers.back());
    FTransfers.pop_back();
}

void TBlockJoiner::Finish(const TSink& Sink) {
    while (!FTransfers.empty()) {
        TTransfer& t = FTransfers.front();
        Break(t, t.Last ? "the input ended" : "the input ended before the last block", Sink);
    }
}

}  // namespace vantrel::join
