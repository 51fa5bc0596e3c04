// The link between the elements of an XML translation and the octets of
// the hex text it was translated from (or to): which lines of the XML pane
// are this octet, which digits of the hex pane are this element. The window
// asks it as the caret moves and highlights the answer in the other pane;
// the octet map of a translation answers it (FieldLinksOf), a test may
// answer it with a table.
#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace vantrel {

struct TTranslateOutcome;

// One element of the XML and where its octets stand in the hex text.
struct TFieldLink {
    QString Element;     // its name, "InstanceId"
    int FirstLine = 0;   // the 1-based lines of the XML text with its start tag
    int LastLine = 0;    // and its end tag (FirstLine when it has one line)
    long HexBegin = -1;  // the bytes [HexBegin, HexEnd) of the hex text: from the first digit
    long HexEnd = -1;    // of its first octet to after its last; -1 when it stands nowhere
    // Its octets are the plaintext of a ciphered element: the hex range is
    // that of the ciphered octets that hold them (of the whole ciphered
    // element when where its ciphertext begins cannot be told).
    bool Deciphered = false;
    bool operator==(const TFieldLink&) const = default;
};

class TFieldLinks {
public:
    virtual ~TFieldLinks() = default;
    // The innermost element whose lines (FirstLine to LastLine) hold Line.
    virtual std::optional<TFieldLink> AtLine(int Line) const = 0;
    // The innermost element whose octets' digits hold all of the bytes
    // [Begin, End) of the hex text; a caret is Begin == End, and stands in
    // the octet whose digits it is between or before.
    virtual std::optional<TFieldLink> AtHex(long Begin, long End) const = 0;
};

// The links of Outcome, a translation of its source text as the hex pane
// shows it (with blanks between octets when SpacedHex); null when the
// translation carries no octet map.
std::unique_ptr<TFieldLinks> FieldLinksOf(const TTranslateOutcome& Outcome, bool SpacedHex);

}  // namespace vantrel
