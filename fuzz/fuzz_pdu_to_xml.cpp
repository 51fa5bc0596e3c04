// Octets → XML: any input ends in XML or in the error record. The XML that
// comes out either gives back exactly the octets read, or says it does not:
// a note (and a comment) names the first octet that differs, and nothing
// else ever differs without one. XML that gives back the octets reads back
// to the same XML, but for the comment that names octets after the end of
// the APDU. With the public key set, and with its encryption keys alone, the
// XML of what deciphers enciphers back to exactly the octets it came from.
// On a third of the inputs, the octet map too: the same XML with it, every
// invariant of the map (tests/MapCheck.h), and the map of the XML read back
// the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Src/translate/OctetsAfterApdu.h"
#include "FuzzKeys.h"
#include "tests/MapCheck.h"
#include "vantrel/vantrel.h"

namespace {

[[noreturn]] void Fail(const char* What, const std::string& Detail) {
    std::fprintf(stderr, "%s\n%s\n", What, Detail.c_str());
    std::abort();
}

std::string Xml(const uint8_t* Data, size_t Size, TTranslationError& Error, const VantrelKeys* Keys = nullptr,
                std::vector<std::string>* Notes = nullptr) {
    VantrelStream* stream = nullptr;
    PduToXmlWithKeys(Data, static_cast<uint32_t>(Size), Keys, &stream, &Error);
    if (Error.Code != 0) {
        if (stream != nullptr || Error.Code != 3) Fail("failure with a stream or a wrong code", Error.Message);
        return {};
    }
    std::string text(reinterpret_cast<const char*>(VantrelStreamData(stream)));
    if (VantrelStreamSize(stream) != text.size() + 1) Fail("stream size", text);
    for (uint32_t i = 0; Notes && i < VantrelStreamNoteCount(stream); ++i) {
        const std::string note = VantrelStreamNote(stream, i);
        // Notes may stand in XML comments, and each has its comment in the XML.
        if (note.find('>') != std::string::npos || note.find("--") != std::string::npos) Fail("note text", note);
        Notes->push_back(note);
    }
    VantrelStreamFree(stream);
    return text;
}

std::string Octets(const VantrelStream* Stream) {
    return {reinterpret_cast<const char*>(VantrelStreamData(Stream)), VantrelStreamSize(Stream)};
}

// The encryption keys of the public set without the authentication key.
const VantrelKeys* EncryptionKeysOnly() {
    static VantrelKeys* const keys = [] {
        VantrelKeys* k = VantrelKeysNew();
        TTranslationError e;
        VantrelKeysSet(k, "BlockCipherKey", "000102030405060708090A0B0C0D0E0F", &e);
        VantrelKeysSet(k, "DedicatedKey", "00112233445566778899AABBCCDDEEFF", &e);
        VantrelKeysSet(k, "ClientSystemTitle", "4D4D4D0000000001", &e);
        VantrelKeysSet(k, "ServerSystemTitle", "4D4D4D0000BC614E", &e);
        return k;
    }();
    return keys;
}

// With Keys, the XML of the octets enciphers back to Expected.
void ExpectKeyedWayBack(const uint8_t* Data, size_t Size, const VantrelKeys* Keys, const std::string& Expected) {
    TTranslationError error;
    const std::string keyed = Xml(Data, Size, error, Keys);
    if (error.Code != 0) Fail("fails with keys only", error.Message);
    VantrelStream* octets = nullptr;
    XmlToPduWithKeys(keyed.c_str(), Keys, &octets, &error);
    if (error.Code != 0) Fail(error.Message, keyed);
    if (Octets(octets) != Expected) Fail("octets changed on the way back with keys", keyed);
    VantrelStreamFree(octets);
}

std::vector<VantrelMapEntry> MapOf(const VantrelStream* Stream) {
    const VantrelMapEntry* m = VantrelStreamMap(Stream);
    return std::vector<VantrelMapEntry>(m, m + VantrelStreamMapCount(Stream));
}

// The map of the octets, and of their XML read back, with or without keys.
void CheckMaps(const uint8_t* Data, size_t Size, const std::string& Xml, const VantrelKeys* Keys) {
    TTranslationError error;
    VantrelStream* stream = nullptr;
    PduToXmlEx(Data, static_cast<uint32_t>(Size), Keys, VANTREL_MAP, &stream, &error);
    if (error.Code != 0) Fail("fails with the map only", error.Message);
    const std::string xml(reinterpret_cast<const char*>(VantrelStreamData(stream)));
    if (xml != Xml) Fail("the map changed the XML", xml);
    const std::vector<VantrelMapEntry> map = MapOf(stream);
    VantrelStreamFree(stream);
    const std::string apdu(reinterpret_cast<const char*>(Data), static_cast<size_t>(error.Position) - 1);
    std::string why = vmap::CheckMap(xml, apdu, map.data(), static_cast<uint32_t>(map.size()), Keys);
    if (!why.empty()) Fail(why.c_str(), xml);

    VantrelStream* octets = nullptr;
    XmlToPduEx(xml.c_str(), Keys, VANTREL_MAP, &octets, &error);
    if (error.Code != 0) Fail(error.Message, xml);
    const std::string back(reinterpret_cast<const char*>(VantrelStreamData(octets)), VantrelStreamSize(octets));
    const std::vector<VantrelMapEntry> backMap = MapOf(octets);
    VantrelStreamFree(octets);
    why = vmap::CheckMap(xml, back, backMap.data(), static_cast<uint32_t>(backMap.size()), Keys);
    if (!why.empty()) Fail(why.c_str(), xml);
    if (back == apdu) {
        why = vmap::CompareMaps(backMap.data(), static_cast<uint32_t>(backMap.size()), map.data(),
                                static_cast<uint32_t>(map.size()));
        if (!why.empty()) Fail(why.c_str(), xml);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > (1u << 20)) return 0;
    TTranslationError error;
    std::vector<std::string> notes;
    std::string xml = Xml(Data, Size, error, nullptr, &notes);
    {
        // Into a buffer: the same text when it fits, nothing written when not.
        std::string buffer(Size % 2 ? xml.size() + 1 : xml.size() / 2, '#');
        TTranslationError into;
        const uint32_t needed = PduToXmlInto(Data, static_cast<uint32_t>(Size), nullptr, 0, buffer.data(),
                                             static_cast<uint32_t>(buffer.size()), &into);
        if (into.Code != error.Code || into.Position != error.Position) Fail("PduToXmlInto error record", xml);
        if (needed != (error.Code ? 0 : xml.size() + 1)) Fail("PduToXmlInto size", xml);
        const bool fits = error.Code == 0 && needed <= buffer.size();
        if (fits ? buffer.compare(0, needed, xml.c_str(), needed) != 0 : buffer != std::string(buffer.size(), '#'))
            Fail("PduToXmlInto text", xml);
    }
    if (error.Code != 0) return 0;
    if (error.Position < 1 || static_cast<size_t>(error.Position) > Size + 1) Fail("position outside the octets", xml);
    const bool mapped = Size % 3 == 0;
    if (mapped) CheckMaps(Data, Size, xml, nullptr);
    const std::string read(reinterpret_cast<const char*>(Data), static_cast<size_t>(error.Position) - 1);
    if (read.size() < Size) {
        // Octets were left: the XML ends with the comment that names them.
        const std::string text = vantrel::OctetsAfterApduText(
            std::string_view(reinterpret_cast<const char*>(Data), Size).substr(read.size()));
        const std::string comment = "<!-- " + text + " --> \r\n";
        if (!xml.ends_with(comment)) Fail("no comment for the octets after the APDU", xml);
        xml.resize(xml.size() - comment.size());
    }
    // The note of a reading that the XML does not give back, if any.
    std::string other;
    for (const std::string& note : notes)
        if (note.starts_with("the XML gives other octets") || note.starts_with("the XML does not ")) other = note;
    if (!other.empty() && xml.find("<!-- " + other + " --> \r\n") == std::string::npos) Fail("no comment for the note", xml);

    VantrelStream* octets = nullptr;
    XmlToPdu(xml.c_str(), &octets, &error);
    if (other.starts_with("the XML does not ")) {
        if (error.Code == 0) Fail("XML said not to encode encodes", xml);
        return 0;
    }
    if (error.Code != 0) Fail(error.Message, xml);
    const std::string plain = Octets(octets);
    VantrelStreamFree(octets);
    if (plain != read) {
        if (other != vantrel::OtherOctetsText(read, plain)) Fail("other octets without the right note", xml + "\n" + other);
        // The octets of the XML translate in their turn.
        (void)Xml(reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), error);
        if (error.Code != 0) Fail(error.Message, xml);
    } else {
        if (!other.empty()) Fail("a note of other octets where there are none", other);
        const std::string again =
            Xml(reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), error);
        if (error.Code != 0) Fail(error.Message, xml);
        if (again != xml) Fail("XML changed on the way back", xml + "\n---\n" + again);
    }

    // With keys: the XML of what deciphers enciphers back to its very octets,
    // so the way back gives the same octets as without keys.
    ExpectKeyedWayBack(Data, Size, vfuzz::PublicKeys(), plain);
    ExpectKeyedWayBack(Data, Size, EncryptionKeysOnly(), plain);
    if (mapped) {
        const std::string keyed = Xml(Data, Size, error, vfuzz::PublicKeys());
        if (error.Code != 0) Fail("fails with keys only", error.Message);
        CheckMaps(Data, Size, keyed, vfuzz::PublicKeys());
    }
    return 0;
}
