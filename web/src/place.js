// The place of a failure in the source text, in the window's words ("at octet
// 6, reading InstanceId", "at line 2, column 3, reading LongUnsigned") and the
// characters it marks: the digits of the failing octet, or the XML from the
// place to the end of its tag. The text is the one the translator read (line
// breaks CR LF); offsets are indices into that string.

const isBlank = (c) => c === "\r" || c === "\n" || c === " ";
const isHexSeparator = (c) => isBlank(c) || c === "-";

// Where the translate command starts reading: after leading blanks.
function textStart(text) {
  let start = 0;
  while (start < text.length && isBlank(text[start])) start++;
  return start;
}

function isFrame(text) {
  const head = text.slice(textStart(text), textStart(text) + 2);
  return head === "7E" || head === "7e";
}

function octetCount(text) {
  let digits = 0;
  for (let i = textStart(text); i < text.length; i++) if (!isHexSeparator(text[i])) digits++;
  return Math.floor(digits / 2);
}

// The octets before the APDU: an LLC header (E6 E6 00 or E6 E7 00) copied with it.
function octetsBeforeApdu(text) {
  let digits = "";
  for (let i = textStart(text); i < text.length && digits.length < 6; i++) {
    if (isHexSeparator(text[i])) continue;
    if (!/[0-9A-Fa-f]/.test(text[i])) return 0;
    digits += text[i];
  }
  return /^E6E[67]00$/i.test(digits) ? 3 : 0;
}

// The index in text of the UTF-8 byte Offset counted from the text's start
// (an XML failure's position counts bytes after the leading blanks).
function indexOfByte(text, offset) {
  let bytes = 0;
  let i = 0;
  while (i < text.length && bytes < offset) {
    const code = text.codePointAt(i);
    bytes += code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    i += code > 0xffff ? 2 : 1;
  }
  return i;
}

function xmlIndex(text, position) {
  const start = textStart(text);
  return start + indexOfByte(text.slice(start), Math.max(position, 0));
}

// Outcome: {kind, hexToXml, position, field} as the worker reports a translation.
export function failurePlace(text, outcome) {
  if (outcome.kind !== "entry-failure") return "";
  let place;
  if (outcome.hexToXml) {
    if (outcome.position <= 0) return "";
    place = `at octet ${outcome.position}`;
    if (!isFrame(text)) {
      const before = octetsBeforeApdu(text);
      if (before > 0) place += " of the APDU after the LLC header";
      if (outcome.position + before > octetCount(text)) place += ", after the last octet";
    }
  } else {
    const end = xmlIndex(text, outcome.position);
    let line = 1;
    let column = 1;
    for (let i = 0; i < end; i++) {
      const c = text.charCodeAt(i);
      if (c === 10) {
        line++;
        column = 1;
      } else if (c !== 13 && !(c >= 0xdc00 && c <= 0xdfff)) {
        column++; // one a character; the low half of a surrogate pair adds nothing
      }
    }
    place = `at line ${line}, column ${column}`;
  }
  if (outcome.field) place += `, reading ${outcome.field}`;
  return place;
}

// [start, end) of the characters to mark, or null.
export function failureRange(text, outcome) {
  if (outcome.kind !== "entry-failure") return null;
  if (outcome.hexToXml) {
    if (isFrame(text) || outcome.position <= 0) return null;
    // The digits of the octet, or of the last octet when decoding ran out.
    const count = octetCount(text);
    if (count === 0) return null;
    const position = outcome.position + octetsBeforeApdu(text);
    const first = 2 * ((position <= count ? position : count) - 1);
    let digit = 0;
    let start = -1;
    for (let i = textStart(text); i < text.length; i++) {
      if (isHexSeparator(text[i])) continue;
      if (digit === first) start = i;
      if (digit === first + 1) return start >= 0 ? [start, i + 1] : null;
      digit++;
    }
    return null;
  }
  // XML: from the place to the end of its tag, within the line.
  let start = xmlIndex(text, outcome.position);
  if (start === text.length && start > 0) start--;
  let end = start;
  while (end < text.length && text[end] !== ">" && text[end] !== "\r" && text[end] !== "\n") end++;
  if (end < text.length && text[end] === ">") end++;
  if (end === start && end < text.length) end++;
  return end > start ? [start, end] : null;
}
