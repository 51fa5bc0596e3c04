#include "FieldLinks.h"

#include "Src/translate/Translate.h"

namespace vantrel {

// The translate command keeps no octet map yet: no translation links its
// fields until it does.
std::unique_ptr<TFieldLinks> FieldLinksOf(const TTranslateOutcome&, bool) { return nullptr; }

}  // namespace vantrel
