// T_COSEMpdu: the root of every translation, the choice of all APDUs selected
// by their first octet. Built with xmlIgnore, its XML starts directly with
// the element of the chosen APDU.
#pragma once

#include "../INFRA/Choice.h"

namespace vantrel {

class T_COSEMpdu : public TChoiceImpl<T_COSEMpdu> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_COSEMpdu";
    static const TChoiceTable kTable;
};

}  // namespace vantrel
