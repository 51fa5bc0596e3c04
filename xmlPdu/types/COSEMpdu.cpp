#include "COSEMpdu.h"

#include "AccessService.h"
#include "ActionService.h"
#include "Association.h"
#include "BlockTransfer.h"
#include "Data.h"
#include "GetService.h"
#include "Initiate.h"
#include "Notifications.h"
#include "Protection.h"
#include "ReadWrite.h"
#include "Release.h"
#include "ServiceErrors.h"
#include "SetService.h"
#include "Strings.h"

namespace vantrel {

namespace {
// The service-specific ciphered APDUs: opaque octets, or in the clear with keys.
constexpr const TElementFactory* kCiphered = &ElementFactory<T_CipheredApdu>;

// In tag order (and, but for 0xCA, whose identifier came later, identifier
// order). A tag without a row is refused.
constexpr TAlternative kCOSEMpduAlternatives[] = {
    {0x01, xmlInitiateRequest, &ElementFactory<T_InitiateRequest>},
    {0x05, xmlReadRequest, &ElementFactory<T_ReadRequest>},
    {0x06, xmlWriteRequest, &ElementFactory<T_WriteRequest>},
    {0x08, xmlInitiateResponse, &ElementFactory<T_InitiateResponse>},
    {0x0C, xmlReadResponse, &ElementFactory<T_ReadResponse>},
    {0x0D, xmlWriteResponse, &ElementFactory<T_WriteResponse>},
    {0x0E, xmlConfirmedServiceError, &ElementFactory<T_ConfirmedServiceError>},
    {0x0F, xmlDataNotification, &ElementFactory<T_DataNotification>},
    {0x10, xmlDataNotificationConfirm, &ElementFactory<T_DataNotificationConfirm>},
    {0x16, xmlUnconfirmedWriteRequest, &ElementFactory<T_UnconfirmedWriteRequest>},
    {0x18, xmlInformationReportRequest, &ElementFactory<T_InformationReportRequest>},
    {0x21, xmlglo_InitiateRequest, kCiphered},
    {0x25, xmlglo_ReadRequest, kCiphered},
    {0x26, xmlglo_WriteRequest, kCiphered},
    {0x28, xmlglo_InitiateResponse, kCiphered},
    {0x2C, xmlglo_ReadResponse, kCiphered},
    {0x2D, xmlglo_WriteResponse, kCiphered},
    {0x2E, xmlglo_ConfirmedServiceError, kCiphered},
    {0x36, xmlglo_UnconfirmedWriteRequest, kCiphered},
    {0x38, xmlglo_InformationReportRequest, kCiphered},
    {0x41, xmlded_InitiateRequest, kCiphered},
    {0x45, xmlded_ReadRequest, kCiphered},
    {0x46, xmlded_WriteRequest, kCiphered},
    {0x48, xmlded_InitiateResponse, kCiphered},
    {0x4C, xmlded_ReadResponse, kCiphered},
    {0x4D, xmlded_WriteResponse, kCiphered},
    {0x4E, xmlded_ConfirmedServiceError, kCiphered},
    {0x56, xmlded_UnconfirmedWriteRequest, kCiphered},
    {0x58, xmlded_InformationReportRequest, kCiphered},
    {0x60, xmlAssociationRequest, &ElementFactory<T_AssociationRequest>},
    {0x61, xmlAssociationResponse, &ElementFactory<T_AssociationResponse>},
    {0x62, xmlReleaseRequest, &ElementFactory<T_ReleaseRequest>},
    {0x63, xmlReleaseResponse, &ElementFactory<T_ReleaseResponse>},
    {0xC0, xmlGetRequest, &ElementFactory<T_GetRequest>},
    {0xC1, xmlSetRequest, &ElementFactory<T_SetRequest>},
    {0xC2, xmlEventNotificationRequest, &ElementFactory<T_EventNotificationRequest>},
    {0xC3, xmlActionRequest, &ElementFactory<T_ActionRequest>},
    {0xC4, xmlGetResponse, &ElementFactory<T_GetResponse>},
    {0xC5, xmlSetResponse, &ElementFactory<T_SetResponse>},
    {0xC7, xmlActionResponse, &ElementFactory<T_ActionResponse>},
    {0xC8, xmlglo_GetRequest, kCiphered},
    {0xC9, xmlglo_SetRequest, kCiphered},
    {0xCA, xmlglo_EventNotificationRequest, kCiphered},
    {0xCB, xmlglo_ActionRequest, kCiphered},
    {0xCC, xmlglo_GetResponse, kCiphered},
    {0xCD, xmlglo_SetResponse, kCiphered},
    {0xCF, xmlglo_ActionResponse, kCiphered},
    {0xD0, xmlded_GetRequest, kCiphered},
    {0xD1, xmlded_SetRequest, kCiphered},
    {0xD2, xmlded_EventNotificationRequest, kCiphered},
    {0xD3, xmlded_ActionRequest, kCiphered},
    {0xD4, xmlded_GetResponse, kCiphered},
    {0xD5, xmlded_SetResponse, kCiphered},
    {0xD7, xmlded_ActionResponse, kCiphered},
    {0xD8, xmlExceptionResponse, &ElementFactory<T_ExceptionResponse>},
    {0xD9, xmlAccessRequest, &ElementFactory<T_AccessRequest>},
    {0xDA, xmlAccessResponse, &ElementFactory<T_AccessResponse>},
    {0xDB, xmlGeneralGloCiphering, &ElementFactory<T_GeneralGloCiphering>},
    {0xDC, xmlGeneralDedCiphering, &ElementFactory<T_GeneralDedCiphering>},
    {0xDD, xmlGeneralCiphering, &ElementFactory<T_GeneralCiphering>},
    {0xDF, xmlGeneralSigning, &ElementFactory<T_GeneralSigning>},
    {0xE0, xmlGeneralBlockTransfer, &ElementFactory<T_GeneralBlockTransfer>},
    {0xFF, xmlData, &ElementFactory<T_Data>},
};
}  // namespace

constinit const TChoiceTable T_COSEMpdu::kTable = MakeChoiceTable("T_COSEMpdu", xmlIgnore, kCOSEMpduAlternatives);

}  // namespace vantrel
