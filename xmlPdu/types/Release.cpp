#include "Release.h"

namespace vantrel {

namespace {
// The reason carries its own length octet, so it has no inner tag.
constexpr TBERField kReleaseRequestFields[] = {
    {0x80, TBERField::kNoInnerTag, xmlReason, &ElementFactory<T_ReleaseRequestReason>},
    {0xBE, 0x04, xmlUserInformation, &ElementFactory<T_BERCOSEMpdu>},
};

constexpr TBERField kReleaseResponseFields[] = {
    {0x80, TBERField::kNoInnerTag, xmlReason, &ElementFactory<T_ReleaseResponseReason>},
    {0xBE, 0x04, xmlUserInformation, &ElementFactory<T_BERCOSEMpdu>},
};
}  // namespace

constinit const TBERTable T_ReleaseRequest::kTable = MakeBERTable(kReleaseRequestFields);
constinit const TBERTable T_ReleaseResponse::kTable = MakeBERTable(kReleaseResponseFields);

}  // namespace vantrel
