/* Vantrel: translation of DLMS/COSEM APDUs between their encoded octets and
 * an XML form in which every field is an element.
 *
 * Both functions are safe to call from several threads at once. */
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

/* Octets to XML. On success *Stream holds the XML text followed by one zero
 * byte, and Error->Position is the number of octets consumed + 1 (octets after
 * the APDU are ignored). On failure *Stream is NULL, Error->Code is 3 and
 * Error->Position is the 1-based position of the next octet the decoder would
 * have read. */
VANTREL_API void PduToXml(const uint8_t* Data, uint32_t Size, VantrelStream** Stream, TTranslationError* Error);

/* XML (zero-terminated) to octets. On success *Stream holds exactly the
 * encoded octets. On failure *Stream is NULL and Error->Code is 1 (reading
 * the XML failed; Position is the 0-based index of the first character not
 * yet consumed) or 2 (encoding failed; Position is 0). */
VANTREL_API void XmlToPdu(const char* Text, VantrelStream** Stream, TTranslationError* Error);
#ifdef __cplusplus
}
#endif

#endif /* VANTREL_VANTREL_H */
