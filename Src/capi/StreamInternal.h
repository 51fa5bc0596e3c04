// The C ABI's output stream: one malloc'ed block handed to the caller, and
// what the translation has to say beside it (its notes, its octet map), kept
// only when there is something.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../xmlPdu/INFRA/OctetMap.h"
#include "vantrel/vantrel.h"

namespace vantrel {

struct TStreamExtras {
    // What the user should know of a translation that succeeded, one
    // sentence each: octets after the end of the APDU, a ciphered APDU that
    // did not decipher, a reading that does not encode back the same.
    std::vector<std::string> Notes;
    // Of a translation that failed, when known: the field that was being
    // read ("InstanceId"). Empty otherwise.
    std::string Field;
    // The octet map (VANTREL_MAP): every unit's entries, one array; the
    // units; where the units' octets stand in the hex text, the first digit
    // of each (Sources) and after its last (SourceEnds), from each unit's
    // SourceStart on (VANTREL_MAP_NONE: not known).
    std::vector<TMapEntry> Map;
    std::vector<VantrelMapUnit> Units;
    std::vector<uint32_t> Sources;
    std::vector<uint32_t> SourceEnds;
    std::vector<uint32_t> SourceStart;
};

// Adds a unit of Entries (their Parent and Plaintext counted within the
// unit, taken over) to the map; Unit's FirstEntry and EntryCount are set
// here. Its sources, when not null, are Unit.Octets positions each.
void AddMapUnit(TStreamExtras& Extras, std::vector<TMapEntry>&& Entries, VantrelMapUnit Unit,
                const uint32_t* Sources = nullptr, const uint32_t* SourceEnds = nullptr);

}  // namespace vantrel

struct VantrelStream {
    char* Data;  // malloc'ed
    uint32_t Size;
    vantrel::TStreamExtras* Extras;  // null: nothing beside the data
};

namespace vantrel {

// A stream holding Data (malloc'ed, taken over) of Size bytes; null, with
// Data freed, when memory runs out.
inline VantrelStream* NewStream(char* Data, uint32_t Size) noexcept {
    auto* stream = static_cast<VantrelStream*>(std::malloc(sizeof(VantrelStream)));
    if (!stream) {
        std::free(Data);
        return nullptr;
    }
    stream->Data = Data;
    stream->Size = Size;
    stream->Extras = nullptr;
    return stream;
}

// The stream's extras, made on first use.
TStreamExtras& Extras(VantrelStream& Stream);

// Notes as the success record carries them: one a line, cut to fit Message.
void NotesToMessage(const std::vector<std::string>& Notes, char (&Message)[256]) noexcept;

}  // namespace vantrel
