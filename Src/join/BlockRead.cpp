#include "BlockRead.h"

#include <cstring>
#include <memory>

#include "../../xmlPdu/INFRA/Enum.h"
#include "../../xmlPdu/security/SecurityContext.h"
#include "../../xmlPdu/types/ActionService.h"
#include "../../xmlPdu/types/BlockTransfer.h"
#include "../../xmlPdu/types/COSEMpdu.h"
#include "../../xmlPdu/types/Protection.h"
#include "../../xmlPdu/types/ReadWrite.h"

namespace vantrel::join {

namespace {


// The APDU tags.
constexpr uint8_t kReadRequest = 0x05, kWriteRequest = 0x06, kReadResponse = 0x0C;
constexpr uint8_t kSetRequest = 0xC1, kActionRequest = 0xC3, kGetResponse = 0xC4, kActionResponse = 0xC7;
constexpr uint8_t kGeneralBlockTransfer = 0xE0;
// The variable-access-specification and read-result choices of blocks.
constexpr int kReadDataBlockAccess = 6, kWriteDataBlockAccess = 7, kDataBlockResult = 2;

// The alternative of a choice, as T, when the choice holds the one of Tag
// (whose class the choice's table fixes).
template <class T>
const T* Alternative(const TCOSEMPduBase& Choice, int Tag) {
    const TChoice* choice = Choice.AsChoice();
    return choice && choice->Tag == Tag && choice->Value ? static_cast<const T*>(choice->Value.get()) : nullptr;
}

std::string Encoding(const TCOSEMPduBase& Element) {
    std::string octets;
    Element.EncodeToPduStr(octets);
    return octets;
}

// An optional member as its encoding: the presence octet, then the member.
std::string OptionalEncoding(const TCOSEMPduBase* Element) {
    if (!Element) return std::string(1, '\0');
    return '\x01' + Encoding(*Element);
}

std::string AccessResultName(const TEnum& Result) {
    try {
        return std::string(Result.GetString());
    } catch (const std::exception&) {
        return "value " + std::to_string(Result.Value);
    }
}

void SetBlock(TBlock& Block, TBlockKind Kind, bool Request, uint8_t InvokeIdAndPriority, const T_Boolean& Last,
              uint32_t Number) {
    Block.Kind = Kind;
    Block.Request = Request;
    Block.HasInvokeId = true;
    Block.InvokeId = InvokeIdAndPriority & 0x0F;
    Block.Last = Last.Value != 0;
    Block.Number = Number;
}

void SetDataBlock(TBlock& Block, TBlockKind Kind, bool Request, uint8_t InvokeIdAndPriority, const T_DataBlock_SA& Data) {
    SetBlock(Block, Kind, Request, InvokeIdAndPriority, Data.LastBlock(), Data.BlockNumber().Value);
    Block.Data = Data.RawData().Value;
}

bool FromGetResponse(const TCOSEMPduBase& Apdu, TBlock& Block) {
    const auto* response = Alternative<T_GetResponseWithDataBlock>(Apdu, 2);
    if (!response) return false;
    const T_DataBlock_G& data = response->Result();
    const uint8_t iid = response->InvokeIdAndPriority().Value;
    SetBlock(Block, TBlockKind::GetResponse, false, iid, data.LastBlock(), data.BlockNumber().Value);
    if (const auto* raw = Alternative<T_OctetString>(data.Result(), 0)) Block.Data = raw->Value;
    else if (const auto* result = Alternative<TEnum>(data.Result(), 1)) Block.AccessResult = AccessResultName(*result);
    else return false;
    if (Block.Number == 1) Block.Head.assign(1, static_cast<char>(iid));  // the joiner keeps block 1's
    return true;
}

bool FromSetRequest(const TCOSEMPduBase& Apdu, TBlock& Block) {
    if (const auto* first = Alternative<T_SetRequestWithFirstDataBlock>(Apdu, 2)) {
        SetDataBlock(Block, TBlockKind::SetRequest, true, first->InvokeIdAndPriority().Value, first->DataBlock());
        Block.Head = Encoding(first->InvokeIdAndPriority());
        Block.Head += Encoding(first->AttributeDescriptor());
        Block.Head += OptionalEncoding(first->AccessSelection());
        Block.Head.insert(0, "\x01", 1);  // SetRequestNormal
        return true;
    }
    if (const auto* list = Alternative<T_SetRequestWithListAndWithFirstDatablock>(Apdu, 5)) {
        SetDataBlock(Block, TBlockKind::SetRequest, true, list->InvokeIdAndPriority().Value, list->DataBlock());
        Block.Head = '\x04' + Encoding(list->InvokeIdAndPriority()) + Encoding(list->AttributeDescriptorList());
        return true;
    }
    if (const auto* next = Alternative<T_SetRequestWithDataBlock>(Apdu, 3)) {
        SetDataBlock(Block, TBlockKind::SetRequest, true, next->InvokeIdAndPriority().Value, next->DataBlock());
        return true;
    }
    return false;
}

bool FromActionRequest(const TCOSEMPduBase& Apdu, TBlock& Block) {
    if (const auto* first = Alternative<T_ActionRequestWithFirstPBlock>(Apdu, 4)) {
        SetDataBlock(Block, TBlockKind::ActionRequest, true, first->InvokeIdAndPriority().Value, first->PBlock());
        // ActionRequestNormal with its parameters present.
        Block.Head = '\x01' + Encoding(first->InvokeIdAndPriority()) + Encoding(first->MethodDescriptor()) + '\x01';
        return true;
    }
    if (const auto* list = Alternative<T_ActionRequestWithListAndWithFirstPBlock>(Apdu, 5)) {
        SetDataBlock(Block, TBlockKind::ActionRequest, true, list->InvokeIdAndPriority().Value, list->PBlock());
        Block.Head = '\x03' + Encoding(list->InvokeIdAndPriority()) + Encoding(list->MethodDescriptorList());
        return true;
    }
    if (const auto* next = Alternative<T_ActionRequestWithPBlock>(Apdu, 6)) {
        SetDataBlock(Block, TBlockKind::ActionRequest, true, next->InvokeIdAndPriority().Value, next->PBlock());
        return true;
    }
    return false;
}

bool FromActionResponse(const TCOSEMPduBase& Apdu, TBlock& Block) {
    const auto* response = Alternative<T_ActionResponseWithPBlock>(Apdu, 2);
    if (!response) return false;
    SetDataBlock(Block, TBlockKind::ActionResponse, false, response->InvokeIdAndPriority().Value, response->PBlock());
    if (Block.Number == 1) Block.Head = Encoding(response->InvokeIdAndPriority());
    return true;
}

void SetShortNameBlock(TBlock& Block, TBlockKind Kind, bool Request, const T_Boolean& Last, const T_Unsigned16& Number) {
    Block.Kind = Kind;
    Block.Request = Request;
    Block.Last = Last.Value != 0;
    Block.Number = Number.Value;
}

// The short-name APDUs carry a block as the only item of their list.
bool FromReadResponse(const TCOSEMPduBase& Apdu, TBlock& Block) {
    const auto& list = static_cast<const TSequenceOf&>(Apdu);
    if (list.ElementCount() != 1) return false;
    const auto* choice = list.GetElements(0).AsChoice();
    if (!choice || choice->Tag != kDataBlockResult) return false;
    const auto& result = static_cast<const T_DataBlockResult&>(*choice->Value);
    SetShortNameBlock(Block, TBlockKind::ReadResponse, false, result.LastBlock(), result.BlockNumber());
    Block.Data = result.RawData().Value;
    return true;
}

bool FromReadRequest(const TCOSEMPduBase& Apdu, TBlock& Block) {
    const auto& list = static_cast<const TSequenceOf&>(Apdu);
    if (list.ElementCount() != 1) return false;
    const auto* choice = list.GetElements(0).AsChoice();
    if (!choice || choice->Tag != kReadDataBlockAccess) return false;
    const auto& access = static_cast<const T_ReadDataBlockAccess&>(*choice->Value);
    SetShortNameBlock(Block, TBlockKind::ReadRequest, true, access.LastBlock(), access.BlockNumber());
    Block.Data = access.RawData().Value;
    return true;
}

// The raw data travels as the one octet string of the list of data.
bool FromWriteRequest(const T_WriteRequest& Request, TBlock& Block) {
    const TSequenceOf& specifications = Request.ListOfVariableAccessSpecification();
    const TSequenceOf& data = Request.ListOfData();
    if (specifications.ElementCount() != 1 || data.ElementCount() != 1) return false;
    const auto* choice = specifications.GetElements(0).AsChoice();
    if (!choice || choice->Tag != kWriteDataBlockAccess) return false;
    const TChoice* value = data.GetElements(0).AsChoice();
    const auto* raw = value ? dynamic_cast<const T_OctetString*>(value->Value.get()) : nullptr;
    if (!raw) return false;
    const auto& access = static_cast<const T_WriteDataBlockAccess&>(*choice->Value);
    SetShortNameBlock(Block, TBlockKind::WriteRequest, true, access.LastBlock(), access.BlockNumber());
    Block.Data = raw->Value;
    return true;
}

bool FromBlockTransfer(const T_GeneralBlockTransfer& Transfer, TBlock& Block) {
    const uint8_t control = Transfer.BlockControl().Value;
    Block.Kind = TBlockKind::BlockTransfer;
    Block.Last = (control & 0x80) != 0;
    Block.Streaming = (control & 0x40) != 0;
    Block.Window = control & 0x3F;
    Block.Number = Transfer.BlockNumber().Value;
    Block.Acknowledged = Transfer.BlockNumberAck().Value;
    Block.Data = Transfer.BlockData().Value;
    return true;
}

bool IsCipheredTag(uint8_t Tag) noexcept {
    switch (Tag) {
    case 0x25: case 0x26: case 0x2C: case 0x45: case 0x46: case 0x4C:   // short-name read and write
    case 0xC9: case 0xCB: case 0xCC: case 0xCF:                         // glo_ SET, ACTION, GET
    case 0xD1: case 0xD3: case 0xD4: case 0xD7:                         // ded_
    case 0xDB: case 0xDC: case 0xDD:                                    // general ciphering
        return true;
    default: return false;
    }
}

// The APDU a ciphered one carries, when it deciphered.
const TCOSEMPduBase* Carried(const TChoice& Pdu) {
    const TCOSEMPduBase* value = Pdu.Value.get();
    const TCipheredOctets* ciphered = nullptr;
    switch (Pdu.Tag) {
    case 0xDB: ciphered = &static_cast<const T_GeneralGloCiphering*>(value)->CipheredService(); break;
    case 0xDC: ciphered = &static_cast<const T_GeneralDedCiphering*>(value)->CipheredService(); break;
    case 0xDD: ciphered = &static_cast<const T_GeneralCiphering*>(value)->CipheredContent(); break;
    default:
        if (IsCipheredTag(static_cast<uint8_t>(Pdu.Tag))) ciphered = static_cast<const T_CipheredApdu*>(value);
        break;
    }
    return ciphered && ciphered->Deciphered() ? ciphered->Clear.Apdu.get() : nullptr;
}

bool FromPdu(const TChoice& Pdu, TBlock& Block, bool Inner) {
    if (!Pdu.Value) return false;
    const TCOSEMPduBase& apdu = *Pdu.Value;
    switch (Pdu.Tag) {
    case kGetResponse: return FromGetResponse(apdu, Block);
    case kSetRequest: return FromSetRequest(apdu, Block);
    case kActionRequest: return FromActionRequest(apdu, Block);
    case kActionResponse: return FromActionResponse(apdu, Block);
    case kReadResponse: return FromReadResponse(apdu, Block);
    case kReadRequest: return FromReadRequest(apdu, Block);
    case kWriteRequest: return FromWriteRequest(static_cast<const T_WriteRequest&>(apdu), Block);
    case kGeneralBlockTransfer: return !Inner && FromBlockTransfer(static_cast<const T_GeneralBlockTransfer&>(apdu), Block);
    default: break;
    }
    if (Inner) return false;
    const TCOSEMPduBase* carried = Carried(Pdu);
    const TChoice* choice = carried ? carried->AsChoice() : nullptr;
    if (!choice || !FromPdu(*choice, Block, true)) return false;
    Block.Envelope = ElementName(apdu.XMLId);
    return true;
}

}  // namespace

std::string_view BlockKindText(TBlockKind Kind) noexcept {
    switch (Kind) {
    case TBlockKind::GetResponse: return "GetResponse data";
    case TBlockKind::SetRequest: return "SetRequest data";
    case TBlockKind::ActionRequest: return "ActionRequest parameter";
    case TBlockKind::ActionResponse: return "ActionResponse parameter";
    case TBlockKind::ReadResponse: return "ReadResponse data";
    case TBlockKind::ReadRequest: return "ReadRequest data";
    case TBlockKind::WriteRequest: return "WriteRequest data";
    case TBlockKind::BlockTransfer: return "general block transfer";
    }
    return "";
}

bool MayCarryBlock(std::string_view Apdu, bool Keys) noexcept {
    if (Apdu.size() < 2) return false;
    const auto tag = static_cast<uint8_t>(Apdu[0]);
    const auto second = static_cast<uint8_t>(Apdu[1]);
    switch (tag) {
    case kGetResponse: case kActionResponse: return second == 2;
    case kSetRequest: return second == 2 || second == 3 || second == 5;
    case kActionRequest: return second >= 4 && second <= 6;
    case kGeneralBlockTransfer: return true;
    // A list of one item (count 01), then the item's choice.
    case kReadResponse: return second == 1 && Apdu.size() > 2 && Apdu[2] == kDataBlockResult;
    case kReadRequest: return second == 1 && Apdu.size() > 2 && Apdu[2] == kReadDataBlockAccess;
    case kWriteRequest: return second == 1 && Apdu.size() > 2 && Apdu[2] == kWriteDataBlockAccess;
    default: return Keys && IsCipheredTag(tag);
    }
}

bool CopyBlock(const TCOSEMPduBase& Apdu, TBlock& Block) {
    const TChoice* pdu = Apdu.AsChoice();
    if (!pdu) return false;
    Block.Kind = TBlockKind::GetResponse;
    Block.Request = Block.HasInvokeId = Block.Last = Block.Streaming = false;
    Block.InvokeId = Block.Window = 0;
    Block.Number = 0;
    Block.Acknowledged = 0;
    Block.Data.clear();
    Block.Head.clear();
    Block.Envelope = {};
    Block.AccessResult.clear();
    return FromPdu(*pdu, Block, false);
}

bool ReadBlock(std::string_view Apdu, const VantrelKeys* Keys, TBlock& Block) {
    try {
        TElementArena arena;  // opened first: the tree goes before it closes
        TStringWrapper reader(Apdu);
        TSecurityContext security;
        security.Keys = Keys;
        reader.Security = &security;
        const auto pdu = std::make_unique<T_COSEMpdu>(xmlIgnore, reader);
        return CopyBlock(*pdu, Block);
    } catch (const std::exception&) {
        return false;
    }
}

std::vector<std::string> JoinedForms(TBlockKind Kind, std::string_view Head) {
    const std::string head(Head);
    switch (Kind) {
    case TBlockKind::GetResponse:
        // GetResponseNormal with the Data, or GetResponseWithList with the list of results.
        return {"\xC4\x01" + head + '\0', "\xC4\x03" + head};
    case TBlockKind::SetRequest: return {'\xC1' + head};
    case TBlockKind::ActionRequest: return {'\xC3' + head};
    case TBlockKind::ActionResponse:
        // ActionResponseNormal: success with the Data as its return parameters,
        // or the result and return parameters themselves; else the list.
        return {"\xC7\x01" + head + std::string("\x00\x01\x00", 3), "\xC7\x01" + head, "\xC7\x03" + head};
    case TBlockKind::ReadResponse: return {std::string("\x0C\x01\x00", 3), "\x0C"};
    case TBlockKind::ReadRequest: return {"\x05"};
    case TBlockKind::WriteRequest: return {"\x06"};
    case TBlockKind::BlockTransfer: return {""};
    }
    return {};
}

}  // namespace vantrel::join
