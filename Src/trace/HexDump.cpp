#include "HexDump.h"

#include <cstdio>

namespace vantrel::trace {

namespace {

bool IsHexDigit(char c) noexcept {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int HexValue(char c) noexcept { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }
bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

// The ASCII column of a dump agrees with the octets: printable characters
// as themselves, the others as '.'; blanks and bars are not compared.
bool AsciiColumnMatches(std::string_view Column, std::string_view Octets) noexcept {
    size_t k = 0;
    for (unsigned char o : Octets) {
        if (o == ' ') continue;
        while (k < Column.size() && (Column[k] == ' ' || Column[k] == '|')) ++k;
        if (k == Column.size()) return false;
        const char shown = o >= 0x21 && o <= 0x7E ? static_cast<char>(o) : '.';
        if (Column[k++] != shown) return false;
    }
    while (k < Column.size() && (Column[k] == ' ' || Column[k] == '|' || Column[k] == '\r')) ++k;
    return k == Column.size();
}

constexpr size_t kMaxLineOctets = 64;
constexpr size_t kUsualLineOctets = 16;

}  // namespace

bool ParseDumpLine(std::string_view Line, uint64_t& Offset, std::string& Out, uint64_t* DecimalOffset,
                   TOctetPlaces* Places, uint64_t At) {
    size_t i = 0;
    while (i < Line.size() && IsBlank(Line[i])) ++i;
    const size_t offsetBegin = i;
    uint64_t offset = 0;
    while (i < Line.size() && IsHexDigit(Line[i]) && i - offsetBegin < 9) offset = offset << 4 | HexValue(Line[i++]);
    const size_t offsetDigits = i - offsetBegin;
    if (offsetDigits < 4 || offsetDigits > 8) return false;
    if (DecimalOffset) {
        uint64_t decimal = 0;
        for (size_t k = offsetBegin; k < i && decimal != UINT64_MAX; ++k)
            decimal = Line[k] <= '9' ? decimal * 10 + static_cast<uint64_t>(Line[k] - '0') : UINT64_MAX;
        *DecimalOffset = decimal;
    }
    if (i < Line.size() && Line[i] == ':') ++i;
    size_t rest = i;
    while (rest < Line.size() && (IsBlank(Line[rest]) || Line[rest] == '\r')) ++rest;
    if (rest == Line.size()) {  // only an offset
        if (i != Line.size() && Line[offsetBegin + offsetDigits] == ':') return false;
        Offset = offset;
        return true;
    }
    if (rest == i) return false;  // the octets stand apart from the offset

    // The hex groups, and after each group how many octets there are so far.
    char octets[kMaxLineOctets];
    size_t digitsAt[kMaxLineOctets];
    size_t count = 0;
    size_t groupEnds[kMaxLineOctets];
    size_t groupCounts[kMaxLineOctets];
    size_t groups = 0;
    size_t p = rest;
    while (p < Line.size() && count < kMaxLineOctets) {
        size_t e = p;
        while (e < Line.size() && IsHexDigit(Line[e])) ++e;
        const size_t digits = e - p;
        if (digits == 0 || digits % 2 || digits > 8 || count + digits / 2 > kMaxLineOctets) break;
        if (e < Line.size() && !IsBlank(Line[e]) && Line[e] != '\r') break;
        for (size_t k = p; k < e; k += 2) {
            digitsAt[count] = k;
            octets[count++] = static_cast<char>(HexValue(Line[k]) << 4 | HexValue(Line[k + 1]));
        }
        groupEnds[groups] = e;
        groupCounts[groups++] = count;
        size_t gap = e;
        while (gap < Line.size() && IsBlank(Line[gap])) ++gap;
        if (gap - e > 2 && gap < Line.size()) break;  // the ASCII column follows the widest gap
        p = gap;
    }
    if (groups == 0) return false;
    // The split where what follows is the ASCII column of the octets before it.
    size_t chosen = groups;
    for (size_t g = groups; g-- > 0;) {
        size_t col = groupEnds[g];
        while (col < Line.size() && IsBlank(Line[col])) ++col;
        if (col < Line.size() && AsciiColumnMatches(Line.substr(col), std::string_view(octets, groupCounts[g]))) {
            chosen = g;
            break;
        }
    }
    size_t end = groupEnds[groups - 1];
    while (end < Line.size() && (IsBlank(Line[end]) || Line[end] == '\r')) ++end;
    if (chosen == groups && end == Line.size()) chosen = groups - 1;  // no ASCII column at all
    if (chosen == groups) {  // no ASCII column recognised: at most a usual line
        chosen = 0;
        while (chosen + 1 < groups && groupCounts[chosen + 1] <= kUsualLineOctets) ++chosen;
    }
    Offset = offset;
    Out.append(octets, groupCounts[chosen]);
    if (Places)
        for (size_t k = 0; k < groupCounts[chosen]; ++k) Places->Add(At + digitsAt[k], At + digitsAt[k] + 2);
    return true;
}

bool THexDump::Opens(std::string_view Line) {
    // Quick refusal: an offset of at least four zeros opens the line.
    size_t i = 0;
    while (i < Line.size() && IsBlank(Line[i])) ++i;
    if (Line.size() < i + 5 || Line.compare(i, 4, "0000") != 0) return false;
    uint64_t offset = 1;
    std::string octets;
    return ParseDumpLine(Line, offset, octets) && offset == 0 && !octets.empty();
}

void THexDump::Clear() {
    FActive = false;
    FRepeat = false;
    FDecimal = false;
    FLastLineSize = 0;
    FOctets.clear();
    FPlaces.Clear();
}

std::string THexDump::OffsetJumpMessage() const {
    char text[96];
    std::snprintf(text, sizeof text, "Hex dump offset %04llX where %04llX was due",
                  static_cast<unsigned long long>(FLineOffset), static_cast<unsigned long long>(FOctets.size()));
    return text;
}

THexDump::TAdd THexDump::Add(std::string_view Line, uint64_t At) {
    size_t first = 0;
    while (first < Line.size() && IsBlank(Line[first])) ++first;
    if (FActive && first < Line.size() && Line[first] == '*') {
        FRepeat = true;
        FStarAt = At + first;
        return Added;
    }
    uint64_t offset = 0;
    uint64_t decimal = 0;
    FLine.clear();
    FLinePlaces.Clear();
    if (!ParseDumpLine(Line, offset, FLine, &decimal, KeepPlaces ? &FLinePlaces : nullptr, At)) return NotDumpLine;
    if (!FActive) {
        if (offset != 0) return NotDumpLine;
        FActive = true;
    }
    // A second line at the offset its digits give in decimal: a dump that counts in decimal.
    if (!FDecimal && !FRepeat && offset != FOctets.size() && decimal == FOctets.size()) FDecimal = true;
    if (FDecimal) offset = decimal;
    FLineOffset = offset;
    if (FRepeat && FLastLineSize > 0 && offset > FOctets.size() && (offset - FOctets.size()) % FLastLineSize == 0) {
        if (offset > kMaxDumpOctets) return TooLong;
        if (FRepeated + (offset - FOctets.size()) > kMaxDumpRepeatedOctets) return TooManyRepeated;
        FRepeated += offset - FOctets.size();
        const size_t from = FOctets.size() - FLastLineSize;
        if (KeepPlaces)  // the lines left out stand at the star
            for (size_t k = FOctets.size(); k < offset; ++k) FPlaces.Add(FStarAt, FStarAt + 1);
        while (FOctets.size() < offset) FOctets.append(FOctets, from, FLastLineSize);
    }
    FRepeat = false;
    if (offset != FOctets.size()) return OffsetJump;
    if (FOctets.size() + FLine.size() > kMaxDumpOctets) return TooLong;
    FOctets += FLine;
    if (KeepPlaces) FPlaces.Append(FLinePlaces, 0, FLinePlaces.Size());
    if (!FLine.empty()) FLastLineSize = FLine.size();
    return Added;
}

}  // namespace vantrel::trace
