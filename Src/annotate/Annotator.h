// Annotations: XML comments that explain the values of translated XML, at
// the end of the line of the element they explain. Logical names as six
// dotted numbers with the names of well-known objects, class ids with their
// class names, attribute and method ids named after their class, integers in
// decimal, date-times, dates and times decoded, invoke-id octets taken apart
// and scaler-unit pairs read together with the value they scale.
//
// The annotator watches the lines as the XML writer writes them: element
// name, value and a little context (the class id of the descriptor or
// structure, the number before a scaler-unit pair), so the element types
// know nothing of it.
// Comments never contain ">" or "--", so annotated XML reads back to the
// same octets.
#pragma once

#include <memory>
#include <string_view>

#include "../../xmlPdu/INFRA/ScriptStream.h"

namespace vantrel {

// Annotates the lines Stream writes while it lives, when Enabled.
class TAnnotation {
public:
    TAnnotation(TScriptStream& Stream, bool Enabled);
    ~TAnnotation();
    TAnnotation(const TAnnotation&) = delete;
    TAnnotation& operator=(const TAnnotation&) = delete;

private:
    TScriptStream& FStream;
    std::unique_ptr<TLineObserver> FObserver;
};

}  // namespace vantrel
