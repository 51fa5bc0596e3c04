#include "LogLine.h"

#include <array>
#include <cstdint>

namespace vantrel::trace {

namespace {

// Character classes, one table lookup each.
enum : uint8_t { kDigit = 1, kHexLetter = 2, kWord = 4, kGap = 8 };
constexpr std::array<uint8_t, 256> BuildClasses() {
    std::array<uint8_t, 256> t{};
    for (int c = '0'; c <= '9'; ++c) t[c] = kDigit | kWord;
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = kWord;
    for (int c = 'a'; c <= 'z'; ++c) t[c] = kWord;
    for (int c = 'A'; c <= 'F'; ++c) t[c] |= kHexLetter;
    for (int c = 'a'; c <= 'f'; ++c) t[c] |= kHexLetter;
    t['_'] = kWord;
    for (char c : {' ', '\t', '-', ':', ','}) t[static_cast<unsigned char>(c)] = kGap;
    return t;
}
constexpr std::array<uint8_t, 256> kClasses = BuildClasses();
uint8_t Class(char c) noexcept { return kClasses[static_cast<unsigned char>(c)]; }
bool IsDigit(char c) noexcept { return Class(c) & kDigit; }
bool IsHexDigit(char c) noexcept { return Class(c) & (kDigit | kHexLetter); }
bool IsWordChar(char c) noexcept { return Class(c) & kWord; }
bool IsGapChar(char c) noexcept { return Class(c) & kGap; }
constexpr std::array<int8_t, 256> BuildHexValues() {
    std::array<int8_t, 256> t{};
    for (auto& v : t) v = -1;
    for (int c = '0'; c <= '9'; ++c) t[c] = static_cast<int8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) t[c] = static_cast<int8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) t[c] = static_cast<int8_t>(c - 'a' + 10);
    return t;
}
constexpr std::array<int8_t, 256> kHexValues = BuildHexValues();

size_t Digits(std::string_view s, size_t i) noexcept {
    size_t n = 0;
    while (i + n < s.size() && IsDigit(s[i + n])) ++n;
    return n;
}

int Number(std::string_view s, size_t i, size_t n) noexcept {
    int v = 0;
    for (size_t k = 0; k < n; ++k) v = v * 10 + (s[i + k] - '0');
    return v;
}

// The end of a time starting at i (hh:mm, hh:mm:ss, with a fraction), or 0.
size_t MatchTime(std::string_view s, size_t i) noexcept {
    // A colon chain that began before i is no time.
    if (i >= 2 && s[i - 1] == ':' && IsWordChar(s[i - 2])) return 0;
    const size_t n1 = Digits(s, i);
    if (n1 < 1 || n1 > 2 || Number(s, i, n1) > 23) return 0;
    size_t j = i + n1;
    if (j >= s.size() || s[j] != ':' || Digits(s, j + 1) != 2 || Number(s, j + 1, 2) > 59) return 0;
    j += 3;
    if (j < s.size() && s[j] == ':' && Digits(s, j + 1) == 2 && Number(s, j + 1, 2) <= 60) j += 3;
    if (j < s.size() && s[j] == ':' && j + 1 < s.size() && IsWordChar(s[j + 1])) return 0;  // a longer chain
    if (j + 1 < s.size() && (s[j] == '.' || s[j] == ',') && IsDigit(s[j + 1])) j += 1 + Digits(s, j + 1);
    if (j < s.size() && IsWordChar(s[j]) && s[j] != 'Z') return 0;
    return j;
}

// The end of a date starting at i (2026-01-01, 2026/01/01, 01.01.2026), or 0.
size_t MatchDate(std::string_view s, size_t i) noexcept {
    const size_t n1 = Digits(s, i);
    if (n1 != 4 && n1 != 2) return 0;
    size_t j = i + n1;
    if (j >= s.size() || (s[j] != '-' && s[j] != '/' && s[j] != '.')) return 0;
    const char separator = s[j];
    if (Digits(s, j + 1) != 2) return 0;
    j += 3;
    if (j >= s.size() || s[j] != separator) return 0;
    const size_t n3 = Digits(s, j + 1);
    if (n1 == 4 ? n3 != 2 : n3 != 4) return 0;
    return j + 1 + n3;
}

// The end of a timestamp at the word starting at i, or 0.
size_t MatchTimestamp(std::string_view s, size_t i) noexcept {
    if (!IsDigit(s[i])) return 0;
    // Quick refusal: no time or date separator where one would stand.
    const auto at = [&](size_t k) { return i + k < s.size() ? s[i + k] : '\0'; };
    const char second = at(1), third = at(2), fifth = at(4);
    if (second != ':' && third != ':' && third != '-' && third != '/' && third != '.' && fifth != '-' && fifth != '/' &&
        fifth != '.')
        return 0;
    if (size_t end = MatchDate(s, i)) {
        if (end < s.size() && (s[end] == 'T' || s[end] == '_') && end + 1 < s.size() && IsDigit(s[end + 1]))
            if (size_t t = MatchTime(s, end + 1)) end = t;
        return end;
    }
    return MatchTime(s, i);
}

struct TCandidate {
    size_t Begin = 0;
    size_t End = 0;
    size_t Octets = 0;
    bool Letter = false;
    bool Prefixed = false;
};

}  // namespace

bool FindOctetRun(std::string_view s, TOctetRun& Run) noexcept {
    TCandidate best;
    TCandidate current;
    bool open = false;
    const auto close = [&] {
        if (open && (current.Letter > best.Letter || (current.Letter == best.Letter && current.Octets >= best.Octets)))
            best = current;
        open = false;
    };
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        if (!IsWordChar(s[i])) {
            ++i;
            continue;
        }
        if (const size_t end = MatchTimestamp(s, i)) {
            close();
            i = end;
            while (i < n && IsWordChar(s[i])) ++i;
            continue;
        }
        // One pass over the word: its end, whether every character is a hex
        // digit, whether one is no decimal digit.
        size_t e = i;
        bool hex = true;
        bool letter = false;
        for (uint8_t c; e < n && ((c = Class(s[e])) & kWord); ++e) {
            hex &= (c & (kDigit | kHexLetter)) != 0;
            letter |= !(c & kDigit);
        }
        size_t digitsAt = i;
        if (e - i >= 4 && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
            digitsAt = i + 2;
            hex = true;
            for (size_t k = digitsAt; k < e; ++k) hex &= IsHexDigit(s[k]);
            letter = true;
        }
        hex &= (e - digitsAt) % 2 == 0;
        if (!hex) {
            close();
        } else {
            // 0x-prefixed octets make runs of their own ("0x3fcf5160   f9 09").
            bool joins = open && i - current.End <= 4 && current.Prefixed == (digitsAt != i);
            for (size_t k = current.End; joins && k < i; ++k) joins = IsGapChar(s[k]);
            if (!joins) {
                close();
                current = TCandidate{i, e, 0, false, digitsAt != i};
                open = true;
            }
            current.End = e;
            current.Octets += (e - digitsAt) / 2;
            current.Letter |= letter;
        }
        i = e;
    }
    close();
    if (best.Octets == 0) return false;
    Run = TOctetRun{best.Begin, best.End, best.Octets, best.Letter};
    return true;
}

void AppendRunOctets(std::string_view RunText, std::string& Out) {
    const size_t start = Out.size();
    Out.resize(start + RunText.size() / 2);
    char* out = Out.data() + start;
    int high = -1;
    const size_t n = RunText.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = RunText[i];
        const int v = kHexValues[static_cast<unsigned char>(c)];
        if (v < 0) continue;
        if (high >= 0) {
            *out++ = static_cast<char>(high << 4 | v);
            high = -1;
        } else if (c == '0' && i + 1 < n && (RunText[i + 1] == 'x' || RunText[i + 1] == 'X')) {
            ++i;
        } else {
            high = v;
        }
    }
    Out.resize(static_cast<size_t>(out - Out.data()));
}

void AppendRunPlaces(std::string_view RunText, uint64_t At, TOctetPlaces& Places) {
    // The digits AppendRunOctets pairs, the same way.
    size_t high = std::string_view::npos;
    for (size_t i = 0; i < RunText.size(); ++i) {
        const char c = RunText[i];
        if (c == '0' && high == std::string_view::npos && i + 1 < RunText.size() &&
            (RunText[i + 1] == 'x' || RunText[i + 1] == 'X')) {
            ++i;
            continue;
        }
        if (!IsHexDigit(c)) continue;
        if (high == std::string_view::npos) {
            high = i;
        } else {
            Places.Add(At + high, At + i + 1);
            high = std::string_view::npos;
        }
    }
}

std::string LineLabel(std::string_view Line, const TOctetRun& Run) {
    std::string_view before = Line.substr(0, Run.Begin);
    std::string_view after = Line.substr(Run.End);
    const auto trimBlanks = [](std::string_view& t) {
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r')) t.remove_suffix(1);
    };
    trimBlanks(before);
    while (!before.empty() && std::string_view("[({<\"'").find(before.back()) != std::string_view::npos) {
        before.remove_suffix(1);
        trimBlanks(before);
    }
    trimBlanks(after);
    while (!after.empty() && std::string_view("])}>\"'").find(after.front()) != std::string_view::npos) {
        after.remove_prefix(1);
        trimBlanks(after);
    }
    std::string label(before);
    if (!after.empty()) {
        if (!label.empty()) label += ' ';
        label += after;
    }
    return label;
}

}  // namespace vantrel::trace
