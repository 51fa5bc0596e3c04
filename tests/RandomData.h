// Seeded random A-XDR Data values, as octets, for round-trip property tests.
// Every alternative of the Data choice can come out, nested arrays and
// structures, compact arrays with random type descriptions, strings longer
// than 127 and 255 octets and lists of more than 127 elements.
#pragma once

#include <random>
#include <string>

namespace vtest {

class TRandomData {
public:
    explicit TRandomData(uint32_t Seed) : FRandom(Seed) {}

    // One complete Data value (tag included), nesting at most Depth levels.
    std::string Data(int Depth = 4) {
        std::string s;
        AppendData(s, Depth);
        return s;
    }

    // A type description, nesting at most Depth levels.
    std::string TypeDescription(int Depth = 3) {
        std::string s;
        AppendTypeDescription(s, Depth);
        return s;
    }

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FRandom); }
    std::string Octets(size_t n) {
        std::string s(n, '\0');
        for (char& c : s) c = static_cast<char>(Below(256));
        return s;
    }
    // Printable text (written as backslash text) or arbitrary octets.
    std::string OctetsOrText(size_t n) {
        if (Below(2)) return Octets(n);
        std::string s(n, 'a');
        for (char& c : s) {
            do c = static_cast<char>(32 + Below(95));
            while (c == '"' || c == '\'');
        }
        return s;
    }
    // A length of interest: short, around 127 and 255, or long.
    size_t Length() {
        static constexpr size_t kLengths[] = {0, 1, 5, 12, 127, 128, 200, 255, 256, 300, 1000};
        return kLengths[Below(static_cast<int>(std::size(kLengths)))];
    }
    static void AppendLength(std::string& s, size_t n) {
        if (n < 0x80) {
            s += static_cast<char>(n);
        } else if (n < 0x100) {
            s += '\x81';
            s += static_cast<char>(n);
        } else if (n < 0x10000) {
            s += '\x82';
            s += static_cast<char>(n >> 8);
            s += static_cast<char>(n);
        } else {
            s += '\x83';
            s += static_cast<char>(n >> 16);
            s += static_cast<char>(n >> 8);
            s += static_cast<char>(n);
        }
    }

private:
    void AppendData(std::string& s, int Depth) {
        static constexpr int kSimple[] = {0x00, 0x03, 0x04, 0x05, 0x06, 0x07, 0x09, 0x0A, 0x0C, 0x0D, 0x0F,
                                          0x10, 0x11, 0x12, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B,
                                          0x1C, 0x1D, 0x1E, 0x1F, 0x20, 0x21, 0xFF};
        const int pick = Depth > 0 ? Below(10) : 9;
        if (pick < 2) {  // array or structure
            s += static_cast<char>(pick + 1);
            const size_t n = Below(8) == 0 ? 130 + Below(60) : Below(5);
            AppendLength(s, n);
            for (size_t i = 0; i < n; ++i) AppendData(s, n > 100 ? 0 : Depth - 1);
            return;
        }
        if (pick == 2) {  // compact array: a description and opaque contents
            s += '\x13';
            AppendTypeDescription(s, 2);
            const size_t n = Below(4) == 0 ? Length() : Below(10);
            AppendLength(s, n);
            s += OctetsOrText(n);
            return;
        }
        const int tag = kSimple[Below(static_cast<int>(std::size(kSimple)))];
        s += static_cast<char>(tag);
        switch (tag) {
        case 0x00: case 0xFF: break;
        case 0x04: {
            const size_t bits = Length();
            AppendLength(s, bits);
            std::string octets = Octets((bits + 7) / 8);
            if (bits % 8 && !octets.empty())  // unused low bits are not kept
                octets.back() = static_cast<char>(octets.back() & (0xFF << (8 - bits % 8)));
            s += octets;
            break;
        }
        case 0x09: case 0x0A: case 0x0C: {
            const size_t n = Length();
            AppendLength(s, n);
            s += OctetsOrText(n);
            break;
        }
        case 0x03: case 0x0D: case 0x0F: case 0x11: case 0x16: case 0x1C: case 0x1F: s += Octets(1); break;
        case 0x10: case 0x12: case 0x1D: case 0x20: s += Octets(2); break;
        case 0x05: case 0x06: case 0x17: case 0x1E: case 0x21: s += Octets(4); break;
        case 0x07: case 0x1B: s += OctetsOrText(4); break;
        case 0x1A: s += OctetsOrText(5); break;
        case 0x19: s += OctetsOrText(12); break;
        case 0x14: case 0x15: case 0x18: s += Octets(8); break;
        }
    }

    void AppendTypeDescription(std::string& s, int Depth) {
        static constexpr int kSimple[] = {0x00, 0x03, 0x04, 0x05, 0x06, 0x07, 0x09, 0x0A, 0x0C, 0x0D, 0x0F, 0x10,
                                          0x11, 0x12, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0xFF};
        const int pick = Depth > 0 ? Below(6) : 5;
        if (pick == 0) {
            s += '\x01';
            s += Octets(2);
            AppendTypeDescription(s, Depth - 1);
        } else if (pick == 1) {
            s += '\x02';
            const size_t n = Below(4);
            AppendLength(s, n);
            for (size_t i = 0; i < n; ++i) AppendTypeDescription(s, Depth - 1);
        } else {
            s += static_cast<char>(kSimple[Below(static_cast<int>(std::size(kSimple)))]);
        }
    }

    std::mt19937 FRandom;
};

}  // namespace vtest
