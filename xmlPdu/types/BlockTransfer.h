// The general block transfer APDU: one block of a long APDU, translated on
// its own. Blocks are neither reassembled nor interpreted.
#pragma once

#include "../INFRA/Sequence.h"
#include "Scalars.h"
#include "Strings.h"

namespace vantrel {

// The block-control octet, kept whole: its bits are not taken apart.
class T_BlockControl final : public TFixedWidthImpl<T_BlockControl, uint8_t, 1> {
public:
    using TFixedWidthImpl::TFixedWidthImpl;
    static constexpr std::string_view kClassName = "T_BlockControl";
};

class T_GeneralBlockTransfer final : public TSequenceImpl<T_GeneralBlockTransfer> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_GeneralBlockTransfer";
    static const TSequenceTable kTable;
    const T_BlockControl& BlockControl() const { return MemberAs<T_BlockControl>(0); }
    const T_Unsigned16& BlockNumber() const { return MemberAs<T_Unsigned16>(1); }
    const T_Unsigned16& BlockNumberAck() const { return MemberAs<T_Unsigned16>(2); }
    const T_OctetString& BlockData() const { return MemberAs<T_OctetString>(3); }
};

}  // namespace vantrel
