// Annotations: XML comments that explain the values of translated XML, at
// the end of the line of the element they explain. Logical names as six
// dotted numbers with the names of well-known objects, class ids with their
// class names, attribute and method ids named after their class, integers in
// decimal, date-times, dates and times decoded, invoke-id octets taken apart
// and scaler-unit pairs read together with the value they scale.
//
// The annotator is a pass over the written lines: element name, value and a
// little context (the class id of the descriptor or structure, the numbers
// before a scaler-unit pair), so the element types know nothing of it.
// Comments never contain ">" or "--", so annotated XML reads back to the
// same octets.
#pragma once

#include <string_view>

#include "../xmlPdu/INFRA/ScriptStream.h"

namespace vantrel {

// Appends to Out the text of Xml, as the translator writes it, with the
// comments added.
void AnnotateXml(std::string_view Xml, TScriptStream& Out);
// Replaces the text of Xml by its annotated text.
void AnnotateXml(TScriptStream& Xml);

}  // namespace vantrel
