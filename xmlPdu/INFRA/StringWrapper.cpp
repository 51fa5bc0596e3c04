#include "StringWrapper.h"

#include "Errors.h"
#include "INFRAMisc.h"

namespace vantrel {

TNestingGuard::TNestingGuard(TNesting& Nesting) : FNesting(Nesting) {
    if (FNesting.Depth >= kMaxNesting) throw EVantrelError("Nesting too deep");
    ++FNesting.Depth;
}

void TStringWrapper::WrongEncoding() { throw EVantrelError("Wrong encoding in pdu"); }

void TStringWrapper::ExpectByte(uint8_t Value) {
    const uint8_t found = NextByte();
    if (found != Value) {
        const char expected[3] = {detail::kHexPairs[2 * Value], detail::kHexPairs[2 * Value + 1], 0};
        const char actual[3] = {detail::kHexPairs[2 * found], detail::kHexPairs[2 * found + 1], 0};
        throw EVantrelError("Byte[" + std::to_string(FIndex - 1) + "]:, expected 0x" + expected + " found 0x" + actual);
    }
}

std::string_view TStringWrapper::CopyFromIndexAndForward(int Qty) {
    if (Qty < 0 || Qty > GetRemainingBytes()) WrongEncoding();
    const std::string_view s = FString.substr(static_cast<size_t>(FIndex) - 1, static_cast<size_t>(Qty));
    FIndex += Qty;
    return s;
}

void TStringWrapper::SetNextByte(uint8_t Value) {
    Canonical = false;
    if (FOwned.data() != FString.data()) FOwned.assign(FString);
    const size_t at = static_cast<size_t>(FIndex) - 1;
    FOwned.insert(at <= FOwned.size() ? at : FOwned.size(), 1, static_cast<char>(Value));
    FString = FOwned;
}

}  // namespace vantrel
