// What every octet map must be, checked against the XML and the octets it
// links: one entry per start tag of the XML, with that tag's name, line,
// end line, parent and depth; each entry's octets inside its parent's and
// inside the APDU (or the plaintext that holds it), siblings one after the
// other; a leaf's octets end with the octets of its Value. Without gtest, for
// the tests and the fuzz targets alike: each check returns what fails, or
// an empty text.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "vantrel/vantrel.h"

namespace vmap {

// One start tag of XML text.
struct TTag {
    std::string Name;
    uint32_t Line = 0;
    uint32_t LastLine = 0;
    uint32_t Parent = VANTREL_MAP_NONE;
    uint32_t Depth = 0;
    bool HasValue = false;  // a Value attribute
    std::string Value;
};

// Names are read without regard to case.
inline bool SameName(std::string_view A, std::string_view B) {
    if (A.size() != B.size()) return false;
    for (size_t i = 0; i < A.size(); ++i)
        if ((A[i] | 0x20) != (B[i] | 0x20)) return false;
    return true;
}

// The start tags of XML as the translator reads it: comments (<!-- -->,
// <! >, <? >, // to the line end, (* *)) skipped, lines ending with LF, up
// to the end of the first element (the reader reads no further). Nested,
// when not null, says whether every end tag closed the element open and the
// first element closed: the reader takes a leaf's start tag without "/" for
// the whole element, and an opaque ciphered APDU needs no end tag, so only
// XML nested as written has its elements where its tags say.
inline std::vector<TTag> ScanTags(std::string_view Xml, bool* Nested = nullptr) {
    if (Nested) *Nested = false;
    std::vector<TTag> tags;
    std::vector<uint32_t> open;
    uint32_t line = 1;
    size_t i = 0;
    const auto skipTo = [&](std::string_view End) {
        while (i < Xml.size() && Xml.compare(i, End.size(), End) != 0) line += Xml[i++] == '\n';
        i = i + End.size() < Xml.size() ? i + End.size() : Xml.size();
    };
    const auto isName = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    };
    while (i < Xml.size()) {
        const char c = Xml[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (Xml.compare(i, 4, "<!--") == 0) {
            skipTo("-->");
        } else if (Xml.compare(i, 2, "<!") == 0 || Xml.compare(i, 2, "<?") == 0) {
            skipTo(">");
        } else if (Xml.compare(i, 2, "//") == 0) {
            while (i < Xml.size() && Xml[i] != '\n') ++i;
        } else if (Xml.compare(i, 2, "(*") == 0) {
            skipTo("*)");
        } else if (c == '<') {
            const bool stop = i + 1 < Xml.size() && Xml[i + 1] == '/';
            size_t n = i + (stop ? 2 : 1);
            const size_t nameAt = n;
            while (n < Xml.size() && isName(Xml[n])) ++n;
            TTag tag;
            tag.Name.assign(Xml.substr(nameAt, n - nameAt));
            tag.Line = tag.LastLine = line;
            // The rest of the tag, its attribute value quoted.
            bool selfClosing = false;
            std::string attribute;
            while (n < Xml.size() && Xml[n] != '>') {
                const char d = Xml[n];
                if (d == '"' || d == '\'') {
                    const size_t close = Xml.find(d, n + 1);
                    const size_t end = close == std::string_view::npos ? Xml.size() : close;
                    for (size_t k = n + 1; k < end; ++k) line += Xml[k] == '\n';
                    if (SameName(attribute, "Value")) {
                        tag.HasValue = true;
                        tag.Value.assign(Xml.substr(n + 1, end - n - 1));
                    }
                    n = end + 1;
                    continue;
                }
                if (isName(d)) {
                    const size_t from = n;
                    while (n < Xml.size() && isName(Xml[n])) ++n;
                    attribute.assign(Xml.substr(from, n - from));
                    continue;
                }
                line += d == '\n';
                selfClosing = d == '/';
                ++n;
            }
            i = n < Xml.size() ? n + 1 : n;
            if (stop) {
                if (open.empty() || !SameName(tags[open.back()].Name, tag.Name)) return tags;
                tags[open.back()].LastLine = tag.Line;  // where the end tag begins
                open.pop_back();
                if (open.empty()) {
                    if (Nested) *Nested = true;
                    break;  // the reader stops after the APDU's element
                }
                continue;
            }
            if (!open.empty()) {
                tag.Parent = open.back();
                tag.Depth = tags[open.back()].Depth + 1;
            }
            tags.push_back(std::move(tag));
            if (!selfClosing) {
                open.push_back(static_cast<uint32_t>(tags.size() - 1));
            } else if (open.empty()) {
                if (Nested) *Nested = true;
                break;
            }
        } else {
            ++i;
        }
    }
    return tags;
}

// The octets of a Value attribute written as hex digits or as "\text";
// false for other notations (names, bits, dotted numbers, arcs).
inline bool ValueOctets(std::string_view Value, std::string& Octets) {
    Octets.clear();
    if (!Value.empty() && Value[0] == '\\') {
        Octets.assign(Value.substr(1));
        return true;
    }
    int high = -1;
    for (char c : Value) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c == ' ') continue;
        else return false;
        if (high < 0) high = v;
        else {
            Octets += static_cast<char>(high * 16 + v);
            high = -1;
        }
    }
    return high < 0 && !Octets.empty();
}

// Elements whose Value is no octets: bits written as 0 and 1.
inline bool BitsValued(std::string_view Name) {
    return Name == "BitString" || Name == "ProtocolVersion" || Name == "SenderACSERequirements" ||
           Name == "ResponderACSERequirement";
}

inline std::string EntryText(const VantrelMapEntry* Map, uint32_t i) {
    const VantrelMapEntry& e = Map[i];
    return "entry " + std::to_string(i) + " " + e.Element + " (line " + std::to_string(e.Line) + ", octets " +
           std::to_string(e.Offset) + "+" + std::to_string(e.Length) + "): ";
}

// The plaintext a deciphered entry's octets count in: the octets of the XML
// of the element the holder's plaintext starts with, encoded again alone.
inline bool PlaintextOf(std::string_view Xml, const VantrelMapEntry* Map, uint32_t Count, uint32_t Holder,
                        const VantrelKeys* Keys, std::string& Plain) {
    for (uint32_t i = Holder + 1; i < Count; ++i) {
        if (Map[i].Parent != Holder || Map[i].Plaintext != Holder) continue;
        // Lines Line to LastLine of the XML.
        size_t from = 0;
        for (uint32_t l = 1; l < Map[i].Line && from != std::string_view::npos; ++l) {
            from = Xml.find('\n', from);
            if (from != std::string_view::npos) ++from;
        }
        size_t to = from;
        for (uint32_t l = Map[i].Line; l <= Map[i].LastLine && to != std::string_view::npos; ++l) {
            to = Xml.find('\n', to);
            if (to != std::string_view::npos) ++to;
        }
        if (from == std::string_view::npos) return false;
        const std::string text(Xml.substr(from, to == std::string_view::npos ? std::string_view::npos : to - from));
        VantrelStream* out = nullptr;
        TTranslationError error;
        XmlToPduWithKeys(text.c_str(), Keys, &out, &error);
        if (error.Code != 0) return false;
        Plain.assign(reinterpret_cast<const char*>(VantrelStreamData(out)), VantrelStreamSize(out));
        VantrelStreamFree(out);
        return true;
    }
    return false;
}

// Whose leaves' octets are checked against their Value: all, those in the
// clear (the XML of deciphered content, encoded again alone, gives its
// plaintext only when its elements stand on lines of their own), none.
enum TValues { AllValues, ClearValues, NoValues };

// Every invariant of the map of Xml and Octets (the APDU's, without octets
// after it). Keys: those of the translation, to encode deciphered content
// again.
inline std::string CheckMap(std::string_view Xml, std::string_view Octets, const VantrelMapEntry* Map, uint32_t Count,
                            const VantrelKeys* Keys = nullptr, TValues Values = AllValues) {
    const std::vector<TTag> tags = ScanTags(Xml);
    if (tags.size() != Count)
        return std::to_string(Count) + " entries for " + std::to_string(tags.size()) + " start tags";
    std::vector<std::string> plaintexts(Count);  // by holder
    std::vector<bool> known(Count, false);
    for (uint32_t i = 0; i < Count; ++i) {
        const VantrelMapEntry& e = Map[i];
        const TTag& t = tags[i];
        if (!e.Element || !SameName(t.Name, e.Element)) return EntryText(Map, i) + "the tag there is " + t.Name;
        if (e.Line != t.Line || e.LastLine != t.LastLine)
            return EntryText(Map, i) + "lines " + std::to_string(e.Line) + "-" + std::to_string(e.LastLine) +
                   ", the XML has " + std::to_string(t.Line) + "-" + std::to_string(t.LastLine);
        if (e.Parent != t.Parent || e.Depth != t.Depth) return EntryText(Map, i) + "parent or depth";
        // An element that stands for no octet (the system title a ciphered
        // APDU was enciphered with) has none.
        if (e.Offset == VANTREL_MAP_NONE && e.Length == 0) continue;
        // The octets it counts in: the APDU's, or a plaintext.
        std::string_view in = Octets;
        bool inKnown = true;
        if (e.Plaintext != VANTREL_MAP_NONE) {
            if (e.Plaintext >= i) return EntryText(Map, i) + "its plaintext holder comes after it";
            if (e.Parent != e.Plaintext && Map[e.Parent].Plaintext != e.Plaintext)
                return EntryText(Map, i) + "its parent counts in another text";
            inKnown = Values == AllValues;
            if (inKnown && !known[e.Plaintext]) {
                known[e.Plaintext] = true;
                if (!PlaintextOf(Xml, Map, Count, e.Plaintext, Keys, plaintexts[e.Plaintext]))
                    return EntryText(Map, i) + "its plaintext does not encode again";
            }
            in = plaintexts[e.Plaintext];
        } else if (e.Parent != VANTREL_MAP_NONE && Map[e.Parent].Plaintext != VANTREL_MAP_NONE) {
            return EntryText(Map, i) + "in the clear inside deciphered content";
        }
        if (inKnown && (e.Offset > in.size() || e.Length > in.size() - e.Offset))
            return EntryText(Map, i) + "beyond the " + std::to_string(in.size()) + " octets";
        if (e.Parent == VANTREL_MAP_NONE || e.Parent == e.Plaintext) {
            // An APDU's element covers its octets from the first.
            if (e.Offset != 0 || (inKnown && e.Length != in.size()))
                return EntryText(Map, i) + "an APDU's element not covering its octets";
        } else {
            const VantrelMapEntry& p = Map[e.Parent];
            if (e.Offset < p.Offset || e.Offset + e.Length > p.Offset + p.Length)
                return EntryText(Map, i) + "outside its parent's octets";
        }
        std::string value;
        if (inKnown && Values != NoValues && t.HasValue && !BitsValued(t.Name) && ValueOctets(t.Value, value)) {
            const std::string_view mine = in.substr(e.Offset, e.Length);
            if (mine.size() < value.size() || mine.substr(mine.size() - value.size()) != value ||
                mine.size() - value.size() > 10)
                return EntryText(Map, i) + "its octets do not end with its value " + t.Value;
        }
    }
    // Siblings share no octet (the fields of an association APDU may come in
    // any order; conformance bits share their octets).
    std::vector<uint32_t> order;
    for (uint32_t i = 0; i < Count; ++i)
        if (std::strcmp(Map[i].Element, "ConformanceBit") != 0 && Map[i].Offset != VANTREL_MAP_NONE) order.push_back(i);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const VantrelMapEntry& x = Map[a];
        const VantrelMapEntry& y = Map[b];
        if (x.Parent != y.Parent) return x.Parent < y.Parent;
        if (x.Plaintext != y.Plaintext) return x.Plaintext < y.Plaintext;
        return x.Offset < y.Offset;
    });
    for (size_t k = 1; k < order.size(); ++k) {
        const VantrelMapEntry& a = Map[order[k - 1]];
        const VantrelMapEntry& b = Map[order[k]];
        if (a.Parent == b.Parent && a.Plaintext == b.Plaintext && b.Offset < a.Offset + a.Length)
            return EntryText(Map, order[k]) + "shares octets with its sibling " + EntryText(Map, order[k - 1]);
    }
    return {};
}

// Whether the XML is nested as written (see ScanTags).
inline bool Nested(std::string_view Xml) {
    bool nested;
    ScanTags(Xml, &nested);
    return nested;
}

// Two maps of the same XML: the same entries.
inline std::string CompareMaps(const VantrelMapEntry* A, uint32_t CountA, const VantrelMapEntry* B, uint32_t CountB) {
    if (CountA != CountB) return std::to_string(CountA) + " entries against " + std::to_string(CountB);
    for (uint32_t i = 0; i < CountA; ++i) {
        const VantrelMapEntry& a = A[i];
        const VantrelMapEntry& b = B[i];
        if (std::strcmp(a.Element, b.Element) != 0 || a.Line != b.Line || a.LastLine != b.LastLine ||
            a.Offset != b.Offset || a.Length != b.Length || a.Parent != b.Parent || a.Depth != b.Depth ||
            a.Plaintext != b.Plaintext || a.Unit != b.Unit)
            return EntryText(A, i) + "against " + EntryText(B, i);
    }
    return {};
}

}  // namespace vmap
