/* Vantrel: translation of DLMS/COSEM APDUs between their encoded octets and
 * an XML form in which every field is an element.
 *
 * Every function is safe to call from several threads at once. */
#ifndef VANTREL_VANTREL_H
#define VANTREL_VANTREL_H

#include <stdint.h>

#if defined(_WIN32)
#define VANTREL_API __declspec(dllexport)
#else
#define VANTREL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif
typedef struct TTranslationError {
    int32_t Code;         /* 0 success, 1 reading XML failed, 2 encoding failed, 3 decoding or rendering failed */
    char    Message[256]; /* zero-terminated when shorter than 256 characters */
    int32_t Position;     /* per code, as the entry points define it */
} TTranslationError;

typedef struct VantrelStream VantrelStream;            /* the output stream handed to the caller */
VANTREL_API const uint8_t* VantrelStreamData(const VantrelStream* Stream); /* start of its memory block */
VANTREL_API uint32_t       VantrelStreamSize(const VantrelStream* Stream); /* its size in bytes */
VANTREL_API void           VantrelStreamFree(VantrelStream* Stream);
/* What a translation that succeeded has to tell beside its output, one
 * sentence a note: octets after the end of the APDU, a ciphered APDU that
 * did not decipher, octets the XML would not give back. The XML carries each
 * in a comment as well. A note stays valid as long as its stream. */
VANTREL_API uint32_t       VantrelStreamNoteCount(const VantrelStream* Stream);
VANTREL_API const char*    VantrelStreamNote(const VantrelStream* Stream, uint32_t Index); /* NULL beyond the count */
/* Of VantrelTranslate's output when the translation failed: the field that
 * was being read where it stopped ("InstanceId"), or NULL when not known.
 * Valid as long as the stream. */
VANTREL_API const char*    VantrelStreamField(const VantrelStream* Stream);

/* Octets to XML. On success *Stream holds the XML text followed by one zero
 * byte, Error->Position is the number of octets consumed + 1 (octets after
 * the APDU are named in a comment and a note, not translated) and
 * Error->Message holds the stream's notes, one a line (empty when there are
 * none; cut to fit). On failure *Stream is NULL, Error->Code is 3 and
 * Error->Position is the 1-based position of the next octet the decoder would
 * have read. */
VANTREL_API void PduToXml(const uint8_t* Data, uint32_t Size, VantrelStream** Stream, TTranslationError* Error);

/* XML (zero-terminated) to octets. On success *Stream holds exactly the
 * encoded octets and Error->Position is 0; text after the APDU other than
 * blanks and comments is not translated, but named in a note (and in
 * Error->Message). On failure *Stream is NULL and Error->Code is 1 (reading
 * the XML failed; Position is the 0-based index of the first character not
 * yet consumed) or 2 (encoding failed; Position is 0). */
VANTREL_API void XmlToPdu(const char* Text, VantrelStream** Stream, TTranslationError* Error);

/* ---- Options: keys and flags ------------------------------------------
 * The functions below take the same arguments as the plain ones plus a key
 * set (NULL: none) and flags. With NULL keys and no flags each behaves exactly
 * as its plain twin. */
typedef struct VantrelKeys VantrelKeys;

#define VANTREL_ANNOTATE       0x1u /* XML comments explaining values (names, decimals, date-times) */
#define VANTREL_DESCRIBE_FRAME 0x2u /* VantrelTranslate: describe an HDLC frame the text holds */
#define VANTREL_MAP            0x4u /* PduToXmlEx, XmlToPduEx, VantrelTranslate: keep the octet map (below) */

VANTREL_API void PduToXmlEx(const uint8_t* Data, uint32_t Size, const VantrelKeys* Keys, uint32_t Flags,
                            VantrelStream** Stream, TTranslationError* Error);
VANTREL_API void XmlToPduEx(const char* Text, const VantrelKeys* Keys, uint32_t Flags, VantrelStream** Stream,
                            TTranslationError* Error);

/* ---- Keys ---------------------------------------------------------------
 * A key set deciphers ciphered APDUs (security suites 0 to 2, AES-GCM) into
 * the APDU they carry, and enciphers that XML back to the same octets. A key
 * set is only read during a translation, so many threads may share one; its
 * key material is wiped when it is freed. Keys never appear in messages. */
VANTREL_API VantrelKeys* VantrelKeysNew(void); /* NULL when memory runs out */
VANTREL_API void         VantrelKeysFree(VantrelKeys* Keys); /* wipes the key material */
/* Name: "BlockCipherKey" (global unicast), "BroadcastKey", "DedicatedKey",
   "AuthenticationKey", "MasterKey" (key-encrypting key), "ClientSystemTitle",
   "ServerSystemTitle". Value: hex digits (blanks allowed): 16 or 32 octets for
   a key, 8 for a system title. Returns 0, or -1 with Error filled (unknown
   name, bad hex, wrong length). */
VANTREL_API int VantrelKeysSet(VantrelKeys* Keys, const char* Name, const char* HexValue, TTranslationError* Error);
/* PduToXmlEx and XmlToPduEx without flags. A NULL Keys behaves exactly as the
 * plain functions. */
VANTREL_API void PduToXmlWithKeys(const uint8_t* Data, uint32_t Size, const VantrelKeys* Keys, VantrelStream** Stream,
                                  TTranslationError* Error);
VANTREL_API void XmlToPduWithKeys(const char* Text, const VantrelKeys* Keys, VantrelStream** Stream,
                                  TTranslationError* Error);

/* As PduToXmlEx, into the caller's buffer: for callers that pay for every
 * call (a binding translating small APDUs). Returns the bytes the XML takes
 * with its closing zero, and writes them to Out only when they fit in
 * Capacity; 0 when the translation failed (Error says why). */
VANTREL_API uint32_t PduToXmlInto(const uint8_t* Data, uint32_t Size, const VantrelKeys* Keys, uint32_t Flags,
                                  char* Out, uint32_t Capacity, TTranslationError* Error);

/* ---- Many APDUs in one call -------------------------------------------
 * For callers that pay for every call (bindings of interpreted languages).
 * Data holds Count APDUs back to back, the i-th Sizes[i] octets long; they
 * are translated one after another as PduToXmlEx translates each. Errors[i] receives the i-th
 * APDU's error record. *Stream receives the XML texts in input order, each
 * followed by one zero byte; an APDU that failed adds the zero byte alone.
 * Returns the number of APDUs that failed (Count, with *Stream NULL, when the
 * call failed as a whole). */
VANTREL_API uint32_t PduToXmlMany(const uint8_t* Data, const uint32_t* Sizes, uint32_t Count,
                                  const VantrelKeys* Keys, uint32_t Flags, VantrelStream** Stream,
                                  TTranslationError* Errors);

/* ---- Many APDUs on the library's own threads ------------------------------
 * A batch translates Count APDUs (laid out as for PduToXmlMany) in parts of
 * PartSize APDUs, on Threads threads of its own, while one consumer thread
 * takes the parts in turn and translates those no thread has taken yet (with
 * 0 threads, all of them). One VantrelBatch serves batch after batch, its
 * threads and memory reused; it is used from one thread at a time. */
typedef struct VantrelBatch VantrelBatch;
/* At most 256 threads; NULL when memory runs out. */
VANTREL_API VantrelBatch* VantrelBatchNew(uint32_t Threads);
/* Starts a batch (the previous one ends: parts begun are finished, the rest
 * dropped). Data, Sizes and Keys must stay valid until the next start or
 * VantrelBatchFree. Returns 0, or -1 when Data or Sizes is NULL (with
 * Count > 0) or memory runs out. */
VANTREL_API int32_t VantrelBatchStart(VantrelBatch* Batch, const uint8_t* Data, const uint32_t* Sizes,
                                      uint32_t Count, const VantrelKeys* Keys, uint32_t Flags, uint32_t PartSize);
/* Waits for part Part and returns its number of APDUs, n (0 when there is no
 * such part). *Text receives the XML texts back to back, without zero bytes;
 * (*Offsets)[0..n] the offsets where each starts and the last ends: a failed
 * APDU's XML is empty. *Failed receives how many failed. Text and Offsets
 * stay valid until the next start or VantrelBatchFree. */
VANTREL_API uint32_t VantrelBatchPart(VantrelBatch* Batch, uint32_t Part, const char** Text,
                                      const uint32_t** Offsets, uint32_t* Failed);
/* The error record of APDU Index (in the batch) of a part already returned:
 * its Code, or 0 when that APDU translated (Error then holds its success
 * record when the translation has notes, with Message the notes as
 * PduToXmlEx gives them, and is untouched otherwise). */
VANTREL_API int32_t VantrelBatchError(const VantrelBatch* Batch, uint32_t Index, TTranslationError* Error);
/* How many APDUs of a part already returned translated with notes (0 for
 * a part not yet returned). */
VANTREL_API uint32_t VantrelBatchNoted(const VantrelBatch* Batch, uint32_t Part);
/* Ends the batch as a start does, stops the threads and frees the memory. */
VANTREL_API void VantrelBatchFree(VantrelBatch* Batch);

/* ---- The translate command ----------------------------------------------
 * What "Translate" does in the desktop application and the command line: the
 * text is taken for an HDLC frame, hex octets or XML and translated the other
 * way. */
enum {
    VANTREL_TRANSLATED = 0,     /* *Output holds the translation (XML, or hex digits) */
    VANTREL_ENTRY_FAILURE = 1,  /* *Output holds the message; Line/Column place the caret */
    VANTREL_HEX_FAILURE = 2,    /* *Output holds the hex conversion message */
    VANTREL_NOT_TRANSLATED = 3  /* *Output says why nothing was translated */
};
typedef struct VantrelTranslation {
    int32_t Kind;             /* one of the values above */
    int32_t HexToXml;         /* 1: octets to XML, 0: XML to octets */
    int32_t Line;             /* caret of an entry failure: line from 1 */
    int32_t Column;           /* and characters walked on that line */
    int32_t Position;         /* the entry point's Error.Position of a failure */
    int32_t FrameWithoutApdu; /* 1: a well-formed HDLC frame that carries no whole APDU */
} VantrelTranslation;

/* Text is Size bytes of UTF-8 (need not be zero-terminated). *Output receives
 * the text as described above, zero-terminated (Size counts the zero), with
 * the translation's notes (VantrelStreamNote) or, of a failure, the field it
 * was reading (VantrelStreamField).
 * Description, when not NULL, receives the description of an HDLC frame
 * (lines ending with LF) with VANTREL_DESCRIBE_FRAME, else NULL. With
 * VANTREL_MAP, *Output of a translation (VANTREL_TRANSLATED) holds the octet
 * map of every APDU translated, with where its octets stand in the hex text
 * (VantrelStreamMapSources). Returns the Kind. */
VANTREL_API int32_t VantrelTranslate(const char* Text, uint32_t Size, const VantrelKeys* Keys, uint32_t Flags,
                                     VantrelStream** Output, VantrelStream** Description, VantrelTranslation* Result);

/* ---- The octet map --------------------------------------------------------
 * Which octets is this field? With VANTREL_MAP a translation that succeeds
 * keeps, beside its output stream, one entry per element of the XML: the
 * octets the element stands for and the line of its start tag. The output
 * itself stays byte for byte what it is without the flag. Without the flag
 * (and after PduToXmlInto, PduToXmlMany and the batch, which ignore it) the
 * functions below find nothing. The map stays valid as long as its stream.
 *
 * An element's octets include its tag and length octets: a Structure covers
 * all of its members; an alternative written without an element of the
 * choice around it (a Data value in a Structure, an APDU under its tag)
 * covers the tag octet; a field of an association APDU covers its BER tags.
 * An optional field's presence octet belongs to the element around it.
 * Entries stand in document order: an element before the elements inside it.
 *
 * A map has one unit per APDU translated. PduToXmlEx and XmlToPduEx make one;
 * VantrelTranslate makes one per APDU whose XML is in its output (WRAPPER PDUs
 * back to back, the lines of a log translated whole), in output order. Each
 * entry names its unit, each unit its entries and its lines, so the unit of a
 * line is the one whose lines hold it; the unit of a place in the hex text is
 * the one whose octets' digits hold it (VantrelStreamMapAtSource finds both).
 *
 * Lines count from 1 in the XML text: for octets to XML the output, as
 * written (comments, annotations and notes included); for XML to octets the
 * input (a line ends with LF; CR LF counts once). Positions in texts are
 * 0-based byte offsets into the UTF-8 text (a binding that counts UTF-16
 * units converts them itself). */
#define VANTREL_MAP_NONE 0xFFFFFFFFu

typedef struct VantrelMapEntry {
    const char* Element; /* the element's name, zero-terminated, static */
    uint32_t Line;       /* of its start tag */
    uint32_t LastLine;   /* of its end tag, where it begins (Line for an element on one line) */
    uint32_t Offset;     /* its first octet, from 0, in its unit's APDU (but see Plaintext) */
    uint32_t Length;     /* its octets (0 for an empty element such as NullData in a description) */
    uint32_t Parent;     /* the entry of the element around it; VANTREL_MAP_NONE for an APDU's element */
    uint32_t Depth;      /* 0 for an APDU's element, its parent's + 1 otherwise */
    /* VANTREL_MAP_NONE: Offset counts in the APDU's octets. Otherwise the
     * element was deciphered (with keys): Offset counts in the plaintext of
     * the ciphered payload that entry number Plaintext, an ancestor, holds. */
    uint32_t Plaintext;
    uint32_t Unit;       /* the unit it belongs to */
} VantrelMapEntry;

typedef struct VantrelMapUnit {
    uint32_t FirstEntry; /* its entries: FirstEntry .. FirstEntry + EntryCount - 1 */
    uint32_t EntryCount;
    uint32_t FirstLine;  /* the lines of its XML: for octets to XML with the comments written */
    uint32_t LastLine;   /* before and after its APDU's element; for XML to octets that element's */
    uint32_t Octets;     /* the size of its APDU */
    /* VantrelTranslate: where the APDU starts in the octets it was unwrapped
     * from (an HDLC frame, WRAPPER PDUs given together, an LLC header);
     * VANTREL_MAP_NONE when it was not unwrapped, or was joined from the
     * segments of several frames. */
    uint32_t ApduOffset;
    int32_t HexToXml;    /* 1: octets to XML, 0: XML to octets */
} VantrelMapUnit;

/* The entries, one flat array of VantrelStreamMapCount; NULL when none. */
VANTREL_API uint32_t               VantrelStreamMapCount(const VantrelStream* Stream);
VANTREL_API const VantrelMapEntry* VantrelStreamMap(const VantrelStream* Stream);
/* The units, one array of VantrelStreamMapUnitCount; NULL when none. */
VANTREL_API uint32_t              VantrelStreamMapUnitCount(const VantrelStream* Stream);
VANTREL_API const VantrelMapUnit* VantrelStreamMapUnits(const VantrelStream* Stream);
/* VantrelTranslate: where the octets of a unit's APDU stand in the hex text
 * (the source text for octets to XML, the output for XML to octets): for
 * octet i (0 to Octets - 1) the position of its first hex digit. Whether the
 * hex was spaced, wrapped over lines, a frame (or several on a line, or one
 * wrapped over lines), WRAPPER PDUs, a wired M-Bus frame, a log line with
 * text around it, octets separated by colons or commas, or a hex dump, the
 * positions point into the text as given; the APDU joined from the segments
 * of several HDLC or M-Bus frames stands in their lines. Two forms differ:
 * in a Python bytes literal an octet stands at its escape ("\xA0", "\t") or
 * its character; the octets a hex dump's "*" line leaves out all stand at
 * the "*". The positions never decrease. NULL when not known (PduToXmlEx,
 * XmlToPduEx) and for an APDU joined from the blocks of a longer transfer
 * (general block transfer, data blocks): its octets stand in several
 * blocks, in no one place, and the blocks' own units place them. */
VANTREL_API const uint32_t* VantrelStreamMapSources(const VantrelStream* Stream, uint32_t Unit);
/* The bytes [*Begin, *End) of the hex text that hold entry Entry's octets:
 * from the first digit of its first octet to after the second digit of its
 * last (the octets of an APDU joined from several frames stand in those
 * frames: the bytes between them belong to the frames' headers; the sources
 * place each octet). Returns 0; 1 for a deciphered entry, which stands
 * nowhere in the hex text: the range is then that of the ciphered element
 * holding it (see Plaintext); -1 (Begin and End untouched) when there is no
 * such range (no sources, no such entry, an entry without octets). */
VANTREL_API int32_t VantrelStreamMapRange(const VantrelStream* Stream, uint32_t Entry, uint32_t* Begin, uint32_t* End);
/* The innermost entry whose lines (Line to LastLine) hold line Line;
 * VANTREL_MAP_NONE when none does. */
VANTREL_API uint32_t VantrelStreamMapAtLine(const VantrelStream* Stream, uint32_t Line);
/* VantrelTranslate: the innermost entry, not deciphered, of the octet whose
 * digits (from its first to its second) hold byte Position of the hex text;
 * VANTREL_MAP_NONE when no octet's digits do. */
VANTREL_API uint32_t VantrelStreamMapAtSource(const VantrelStream* Stream, uint32_t Position);
#ifdef __cplusplus
}
#endif

#endif /* VANTREL_VANTREL_H */
