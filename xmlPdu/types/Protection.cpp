#include "Protection.h"

namespace vantrel {

namespace {
constexpr const TElementFactory* kOctets = &ElementFactory<T_OctetString>;

constexpr TField kGeneralGloCipheringFields[] = {
    {xmlSystemTitle, kOctets},
    {xmlCipheredService, kOctets},
};

constexpr TField kIdentifiedKeyFields[] = {
    {xmlKeyId, &ElementFactory<T_KeyId>},
};

constexpr TField kWrappedKeyFields[] = {
    {xmlKekId, &ElementFactory<T_KekId>},
    {xmlKeyCipheredData, kOctets},
};

constexpr TField kAgreedKeyFields[] = {
    {xmlKeyParameters, kOctets},
    {xmlKeyCipheredData, kOctets},
};

constexpr TAlternative kKeyInfoAlternatives[] = {
    {0, xmlIdentifiedKey, &ElementFactory<T_IdentifiedKey>},
    {1, xmlWrappedKey, &ElementFactory<T_WrappedKey>},
    {2, xmlAgreedKey, &ElementFactory<T_AgreedKey>},
};

constexpr TField kGeneralCipheringFields[] = {
    {xmlTransactionId, kOctets},
    {xmlOriginatorSystemTitle, kOctets},
    {xmlRecipientSystemTitle, kOctets},
    {xmlDateTime, kOctets},
    {xmlOtherInformation, kOctets},
    {xmlKeyInfo, &ElementFactory<T_KeyInfo>, Optional},
    {xmlCipheredContent, kOctets},
};

constexpr TField kGeneralSigningFields[] = {
    {xmlTransactionId, kOctets},
    {xmlOriginatorSystemTitle, kOctets},
    {xmlRecipientSystemTitle, kOctets},
    {xmlDateTime, kOctets},
    {xmlOtherInformation, kOctets},
    {xmlContent, kOctets},
    {xmlSignature, kOctets},
};
}  // namespace

constinit const TSequenceTable T_GeneralGloCiphering::kTable{kGeneralGloCipheringFields};
constinit const TSequenceTable T_GeneralDedCiphering::kTable{kGeneralGloCipheringFields};
constinit const TSequenceTable T_IdentifiedKey::kTable{kIdentifiedKeyFields};
constinit const TSequenceTable T_WrappedKey::kTable{kWrappedKeyFields};
constinit const TSequenceTable T_AgreedKey::kTable{kAgreedKeyFields};
constinit const TChoiceTable T_KeyInfo::kTable = MakeChoiceTable("T_KeyInfo", xml_KeyInfo, kKeyInfoAlternatives);
constinit const TSequenceTable T_GeneralCiphering::kTable{kGeneralCipheringFields};
constinit const TSequenceTable T_GeneralSigning::kTable{kGeneralSigningFields};

}  // namespace vantrel
