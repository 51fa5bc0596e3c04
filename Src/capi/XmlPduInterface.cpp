// The two entry points of the translation library, with C linkage. Every
// failure of the protocol code is an exception; this is the one place where
// they are caught and turned into the error record.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "../../xmlPdu/INFRA/OutputLimit.h"
#include "../../xmlPdu/security/Keys.h"
#include "../../xmlPdu/security/SecurityContext.h"
#include "../../xmlPdu/security/SecurityLayer.h"
#include "../../xmlPdu/types/COSEMpdu.h"
#include "../translate/OctetsAfterApdu.h"
#include "../annotate/Annotator.h"
#include "DecodedHook.h"
#include "StreamInternal.h"
#include "XmlEntry.h"
#include "vantrel/vantrel.h"


namespace {

using namespace vantrel;

void SetMessage(TTranslationError& Error, int32_t Code, const char* Message) {
    Error.Code = Code;
    const size_t n = std::strlen(Message);
    const size_t kept = n < sizeof Error.Message ? n : sizeof Error.Message;
    std::memcpy(Error.Message, Message, kept);
    if (kept < sizeof Error.Message) Error.Message[kept] = '\0';
}

// Runs Body and records any failure under Code; true on success.
template <class TBody>
bool Guarded(TTranslationError& Error, int32_t Code, TBody&& Body) {
    try {
        Body();
        return true;
    } catch (const std::bad_alloc&) {
        SetMessage(Error, Code, "Out of memory");
    } catch (const std::exception& e) {
        SetMessage(Error, Code, e.what());
    } catch (...) {
        SetMessage(Error, Code, "Unknown failure");
    }
    return false;
}

// The most one translation may write: the stream's 32-bit size, or the
// lower bound a test gives its key set.
uint64_t OutputLimit(const VantrelKeys* Keys) noexcept { return Keys ? Keys->OutputLimit : kMaxOutputSize; }

std::string TooLarge(uint64_t Limit) { return "Output too large: more than " + std::to_string(Limit) + " octets"; }

// The stream of the text Stream holds, with Notes and the octet map of one
// unit beside it.
VantrelStream* MakeStream(TScriptStream& Stream, std::vector<std::string>* Notes = nullptr,
                          std::vector<TMapEntry>* Map = nullptr, const VantrelMapUnit* Unit = nullptr) {
    if (Stream.Size() > UINT32_MAX) throw EVantrelError(TooLarge(UINT32_MAX));
    size_t size;
    char* data = Stream.Release(size);
    VantrelStream* result = NewStream(data, static_cast<uint32_t>(size));
    if (!result) throw std::bad_alloc();
    try {
        if (Notes && !Notes->empty()) Extras(*result).Notes = std::move(*Notes);
        if (Map && Unit) AddMapUnit(Extras(*result), std::move(*Map), *Unit);
    } catch (...) {
        VantrelStreamFree(result);
        throw;
    }
    return result;
}

// Octets after the end of the APDU stay untranslated, but a comment after the
// APDU names them, and so does a note.
void NoteOctetsAfterApdu(TScriptStream& Xml, const TStringWrapper& Reader, std::vector<std::string>& Notes) {
    if (Reader.GetRemainingBytes() <= 0) return;
    Notes.push_back(OctetsAfterApduText(Reader.Text().substr(static_cast<size_t>(Reader.FIndex) - 1)));
    Xml.XMLComment(Notes.back());
    Xml.EmitLn("");
}

// A reading that took a form the encoder does not write (or did not keep
// track) may give other octets: its XML is read again and encoded, and where
// that differs from the input, a comment after the APDU and a note say from
// which octet on. (Reading the XML, not encoding the tree read, is what the
// way back does: the note speaks of the XML, whatever an element keeps.)
void NoteOtherOctets(TScriptStream& Xml, std::string_view Read, const VantrelKeys* Keys,
                     std::vector<std::string>& Notes) {
    const std::string xml(Xml.View());
    TXMLParser parser;
    TSecurityContext security;
    security.Keys = Keys;
    parser.Security = &security;
    std::unique_ptr<T_COSEMpdu> pdu;
    std::string text;
    try {
        parser.SetText(xml.c_str());
        pdu = std::make_unique<T_COSEMpdu>(xmlIgnore, parser);
    } catch (const EVantrelError& e) {
        text = CommentText("the XML does not read back: " + e.Message());
    }
    if (pdu) {
        std::string again;
        again.reserve(Read.size());
        try {
            pdu->EncodeToPduStr(again);
            text = OtherOctetsText(Read, again);
        } catch (const EVantrelError& e) {
            text = CommentText("the XML does not encode: " + e.Message());
        }
    }
    if (text.empty()) return;
    Notes.push_back(std::move(text));
    Xml.XMLComment(Notes.back());
    Xml.EmitLn("");
}

// The octet map of one translation, before its stream holds it.
struct TOneMap {
    std::vector<TMapEntry> Entries;
    VantrelMapUnit Unit{};
};

// Translates the octets and hands the XML, its closing zero written, the
// translation's notes and, with Flags' VANTREL_MAP, its octet map to Done
// (Map null otherwise); a failure fills Error instead. Error->Position is
// where reading stopped either way, and on success Error->Message holds the
// notes. A Hook sees the decoded APDU first.
template <class TDone>
void TranslateOctets(const uint8_t* Data, uint32_t Size, const VantrelKeys* Keys, uint32_t Flags,
                     TTranslationError& Error, TDone&& Done, TDecodedHook* Hook = nullptr,
                     uint64_t* Mark = nullptr) {
    Error.Code = 0;
    Error.Message[0] = '\0';
    TStringWrapper reader(Data, Size);
    TSecurityContext security;
    security.Keys = Keys;
    reader.Security = &security;
    Guarded(Error, 3, [&] {
        TElementArena arena;
        std::optional<TReadMap> octets;
        if (Flags & VANTREL_MAP) reader.Map = &octets.emplace(Size);
        const auto pdu = ReadElement<T_COSEMpdu>(xmlIgnore, reader);
        const int consumed = reader.FIndex - 1;
        if (Hook) Hook->Decoded(*pdu, *Mark);
        TScriptStream xml;
        xml.Limit = OutputLimit(Keys);
        xml.Reserve(1024 + static_cast<size_t>(reader.FIndex) * 8);  // XML runs to about 8 characters an octet
        std::optional<TWriteMap> lines;
        if (octets) lines.emplace(*octets);
        uint32_t ended = 0;
        {
            const TAnnotation annotation(xml, (Flags & VANTREL_ANNOTATE) != 0);
            std::optional<TWriteMap::TAttach> attached;
            if (lines) attached.emplace(*lines, xml);
            WriteElement(xml, *pdu);
        }
        const size_t apduEnd = xml.Size();
        std::vector<std::string> notes = std::move(security.Notes);
        if (!reader.Canonical) {
            const std::string_view input(Data ? reinterpret_cast<const char*>(Data) : "", Data ? Size : 0);
            NoteOtherOctets(xml, input.substr(0, static_cast<size_t>(reader.FIndex - 1)), Keys, notes);
        }
        NoteOctetsAfterApdu(xml, reader, notes);
        if (lines)
            ended = lines->LinesEnded() +
                    static_cast<uint32_t>(CountLineFeeds(xml.Memory() + apduEnd, xml.Memory() + xml.Size()));
        xml.WriteRaw("", 1);
        NotesToMessage(notes, Error.Message);
        std::optional<TOneMap> map;
        if (lines) {
            map.emplace();
            map->Entries = lines->TakeEntries();
            map->Unit.FirstLine = 1;
            map->Unit.LastLine = ended;
            map->Unit.Octets = static_cast<uint32_t>(consumed);
            map->Unit.ApduOffset = VANTREL_MAP_NONE;
            map->Unit.HexToXml = 1;
        }
        Done(xml, notes, map ? &*map : nullptr);
    });
    Error.Position = reader.FIndex;
}

}  // namespace

namespace vantrel {

TStreamExtras& Extras(VantrelStream& Stream) {
    if (!Stream.Extras) Stream.Extras = new TStreamExtras;
    return *Stream.Extras;
}

void NotesToMessage(const std::vector<std::string>& Notes, char (&Message)[256]) noexcept {
    size_t n = 0;
    for (const std::string& note : Notes) {
        if (n > 0 && n < sizeof Message - 1) Message[n++] = '\n';
        const size_t kept = std::min(note.size(), sizeof Message - 1 - n);
        std::memcpy(Message + n, note.data(), kept);
        n += kept;
    }
    Message[n] = '\0';
}

void PduToXmlHooked(const uint8_t* Data, uint32_t Size, const VantrelKeys* Keys, uint32_t Flags, TDecodedHook& Hook,
                    uint64_t& Mark, VantrelStream** Stream, TTranslationError* Error) {
    Mark = 0;
    *Stream = nullptr;
    TranslateOctets(
        Data, Size, Keys, Flags, *Error,
        [&](TScriptStream& Xml, std::vector<std::string>& Notes, TOneMap* Map) {
            *Stream = Map ? MakeStream(Xml, &Notes, &Map->Entries, &Map->Unit) : MakeStream(Xml, &Notes);
        },
        &Hook, &Mark);
}

}  // namespace vantrel

extern "C" {

const uint8_t* VantrelStreamData(const VantrelStream* Stream) {
    return Stream ? reinterpret_cast<const uint8_t*>(Stream->Data) : nullptr;
}

uint32_t VantrelStreamSize(const VantrelStream* Stream) { return Stream ? Stream->Size : 0; }

void VantrelStreamFree(VantrelStream* Stream) {
    if (!Stream) return;
    delete Stream->Extras;
    std::free(Stream->Data);
    std::free(Stream);
}

uint32_t VantrelStreamNoteCount(const VantrelStream* Stream) {
    return Stream && Stream->Extras ? static_cast<uint32_t>(Stream->Extras->Notes.size()) : 0;
}

const char* VantrelStreamNote(const VantrelStream* Stream, uint32_t Index) {
    if (Index >= VantrelStreamNoteCount(Stream)) return nullptr;
    return Stream->Extras->Notes[Index].c_str();
}

const char* VantrelStreamField(const VantrelStream* Stream) {
    return Stream && Stream->Extras && !Stream->Extras->Field.empty() ? Stream->Extras->Field.c_str() : nullptr;
}

void PduToXml(const uint8_t* Data, uint32_t Size, VantrelStream** Stream, TTranslationError* Error) {
    PduToXmlEx(Data, Size, nullptr, 0, Stream, Error);
}

void XmlToPdu(const char* Text, VantrelStream** Stream, TTranslationError* Error) {
    XmlToPduEx(Text, nullptr, 0, Stream, Error);
}

void PduToXmlEx(const uint8_t* Data, uint32_t Size, const VantrelKeys* Keys, uint32_t Flags, VantrelStream** Stream,
                TTranslationError* Error) {
    if (!Error) return;
    if (!Stream) {
        SetMessage(*Error, 3, "No output stream");
        Error->Position = 0;
        return;
    }
    *Stream = nullptr;
    TranslateOctets(Data, Size, Keys, Flags, *Error, [&](TScriptStream& Xml, std::vector<std::string>& Notes, TOneMap* Map) {
        *Stream = Map ? MakeStream(Xml, &Notes, &Map->Entries, &Map->Unit) : MakeStream(Xml, &Notes);
    });
}

uint32_t PduToXmlInto(const uint8_t* Data, uint32_t Size, const VantrelKeys* Keys, uint32_t Flags, char* Out,
                      uint32_t Capacity, TTranslationError* Error) {
    if (!Error) return 0;
    uint32_t needed = 0;
    TranslateOctets(Data, Size, Keys, Flags & ~VANTREL_MAP, *Error,
                    [&](TScriptStream& Xml, const std::vector<std::string>&, const TOneMap*) {
        if (Xml.Size() > UINT32_MAX) throw EVantrelError(TooLarge(UINT32_MAX));
        needed = static_cast<uint32_t>(Xml.Size());
        if (Out && needed <= Capacity) std::memcpy(Out, Xml.View().data(), needed);
    });
    return needed;
}

void XmlToPduEx(const char* Text, const VantrelKeys* Keys, uint32_t Flags, VantrelStream** Stream,
                TTranslationError* Error) {
    size_t end = 0;
    XmlToPduAt(Text, Keys, Flags, Stream, Error, end);
    if (!Error || Error->Code != 0 || !Text || Text[end] == '\0') return;
    // Text after the APDU is not translated, but not passed over without a word.
    const std::string note = TextAfterApduText(Text + end);
    Guarded(*Error, 3, [&] {
        Extras(**Stream).Notes.push_back(note);
        NotesToMessage(Extras(**Stream).Notes, Error->Message);
    });
    if (Error->Code != 0) {
        VantrelStreamFree(*Stream);
        *Stream = nullptr;
    }
}

}  // extern "C"

void vantrel::XmlToPduAt(const char* Text, const VantrelKeys* Keys, uint32_t Flags, VantrelStream** Stream,
                         TTranslationError* Error, size_t& End) {
    End = 0;
    if (!Error) return;
    Error->Code = 0;
    Error->Message[0] = '\0';
    Error->Position = 0;
    if (!Stream) {
        SetMessage(*Error, 1, "No output stream");
        return;
    }
    *Stream = nullptr;
    TElementArena arena;  // opened first: the tree goes before it closes
    TXMLParser parser;
    TSecurityContext security;
    security.Keys = Keys;
    parser.Security = &security;
    // With the map: the elements' start tags as they are read, their octets
    // as they are encoded (ciphered content already while it is read).
    std::optional<TParseMap> tags;
    std::optional<TEncodeMap> octetsOf;
    if (Flags & VANTREL_MAP) {
        parser.Map = &tags.emplace(Text ? std::strlen(Text) : 0);
        octetsOf.emplace(*tags);
    }
    std::unique_ptr<T_COSEMpdu> pdu;
    if (!Guarded(*Error, 1, [&] {
            parser.SetText(Text);
            pdu = ReadElement<T_COSEMpdu>(xmlIgnore, parser);
        })) {
        Error->Position = parser.NextIdx();
        return;
    }
    Guarded(*Error, 2, [&] {
        std::string octets;
        EncodeElement(*pdu, octets);
        if (octets.size() > OutputLimit(Keys)) {
            SetMessage(*Error, 3, TooLarge(OutputLimit(Keys)).c_str());
            return;
        }
        TScriptStream out;
        out.Reserve(octets.size() ? octets.size() : 1);
        out.WriteRaw(octets.data(), octets.size());
        NotesToMessage(security.Notes, Error->Message);
        End = static_cast<size_t>(parser.TokenStart());
        if (!tags) {
            *Stream = MakeStream(out, &security.Notes);
            return;
        }
        std::vector<TMapEntry> entries = tags->Resolve();
        VantrelMapUnit unit{};
        unit.FirstLine = entries.empty() ? 1 : entries.front().Line;
        unit.LastLine = entries.empty() ? 1 : entries.front().LastLine;
        unit.Octets = static_cast<uint32_t>(octets.size());
        unit.ApduOffset = VANTREL_MAP_NONE;
        unit.HexToXml = 0;
        *Stream = MakeStream(out, &security.Notes, &entries, &unit);
    });
}
