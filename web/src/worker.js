// The translation worker: runs the translator (the WebAssembly module that
// precedes this script in the worker's source) off the page's thread.
// Messages in: {id, op, ...}; out: {id, ...result} or {op: "ready"}.
/* global createVantrelModule */
"use strict";
import { gcm, aeskw } from "@noble/ciphers/aes";

// The cipher of the translator (web/CipherBrowser.cpp calls it synchronously).
globalThis.vantrelCipher = { gcm, aeskw };

const encoder = new TextEncoder();
const decoder = new TextDecoder();
let M = null;

// Copies bytes into the module's memory, zero-terminated; the caller frees.
function put(bytes) {
  const at = M._malloc(bytes.length + 1);
  M.HEAPU8.set(bytes, at);
  M.HEAPU8[at + bytes.length] = 0;
  return at;
}

// The bytes of a VantrelStream and frees it.
function take(stream, dropZero) {
  if (!stream) return new Uint8Array(0);
  const data = M._VantrelStreamData(stream);
  let size = M._VantrelStreamSize(stream);
  if (dropZero && size > 0) size -= 1;
  const bytes = M.HEAPU8.slice(data, data + size);
  M._VantrelStreamFree(stream);
  return bytes;
}

const HEX = Array.from({ length: 256 }, (_, i) => i.toString(16).toUpperCase().padStart(2, "0"));
function toHex(bytes) {
  let s = "";
  for (let i = 0; i < bytes.length; i++) s += HEX[bytes[i]];
  return s;
}
function fromHex(text) {
  const digits = text.replace(/[^0-9A-Fa-f]/g, "");
  const bytes = new Uint8Array(digits.length >> 1);
  for (let i = 0; i < bytes.length; i++) bytes[i] = parseInt(digits.substr(2 * i, 2), 16);
  return bytes;
}

const KINDS = ["translated", "entry-failure", "hex-failure", "not-translated"];

// ---- Keys ------------------------------------------------------------------------
// The key set of the translations: a VantrelKeys in the module's memory, the
// only place the key material is kept. It is freed (and so wiped) when the
// keys are set again or cleared, and is gone with the page.
const KEY_NAMES = ["BlockCipherKey", "BroadcastKey", "DedicatedKey", "AuthenticationKey", "MasterKey",
  "ClientSystemTitle", "ServerSystemTitle"];
let keys = 0;

function clearKeys() {
  if (keys) M._VantrelKeysFree(keys);
  keys = 0;
  keysSet.clear();
}

// Sets the fields of values ({Name: "hex digits"}) that are not empty; the
// other fields keep what they hold. Every value is checked on a scratch set
// first, so a refusal changes nothing; the result then names the field with
// the library's message. The result lists the fields that are set (names only).
const keysSet = new Set();

function setEach(handle, values, error) {
  for (const name of KEY_NAMES) {
    const value = String(values[name] || "");
    if (!value.trim()) continue;
    const bytes = encoder.encode(value);
    const nameAt = put(encoder.encode(name));
    const valueAt = put(bytes);
    M.HEAPU8.fill(0, error, error + 268);
    const rc = M._VantrelKeysSet(handle, nameAt, valueAt, error);
    M.HEAPU8.fill(0, valueAt, valueAt + bytes.length); // the digits' copy in the module
    bytes.fill(0);
    M._free(valueAt);
    M._free(nameAt);
    if (rc !== 0) {
      const text = M.HEAPU8.subarray(error + 4, error + 260);
      const end = text.indexOf(0);
      return { ok: false, field: name, message: decoder.decode(text.slice(0, end < 0 ? 256 : end)) };
    }
  }
  return { ok: true };
}

function setKeys(values) {
  const scratch = M._VantrelKeysNew();
  if (!scratch) return { ok: false, message: "Out of memory", set: [...keysSet] };
  const error = M._malloc(268);
  try {
    const checked = setEach(scratch, values, error);
    if (!checked.ok) return { ...checked, set: [...keysSet] };
    if (!keys) keys = M._VantrelKeysNew();
    if (!keys) return { ok: false, message: "Out of memory", set: [...keysSet] };
    setEach(keys, values, error);
    for (const name of KEY_NAMES) if (String(values[name] || "").trim()) keysSet.add(name);
    return { ok: true, set: [...keysSet] };
  } finally {
    M._VantrelKeysFree(scratch);
    M._free(error);
  }
}

// What the output stream of VantrelTranslate tells beside its text: the notes
// of a translation that is not exact, the field of a failure.
function notesOf(stream) {
  const notes = [];
  const count = stream ? M._VantrelStreamNoteCount(stream) : 0;
  for (let i = 0; i < count; i++) notes.push(M.UTF8ToString(M._VantrelStreamNote(stream, i)));
  return notes;
}
function fieldOf(stream) {
  const field = stream ? M._VantrelStreamField(stream) : 0;
  return field ? M.UTF8ToString(field) : "";
}

// The translate command of the panes. Flags: VANTREL_ANNOTATE (1),
// VANTREL_DESCRIBE_FRAME (2), VANTREL_MAP (4). With VANTREL_MAP the output
// stream of a translation that has a map is kept (see "The octet map").
const VANTREL_ANNOTATE = 1;
const VANTREL_MAP = 4;

// The bytes of text in the module's memory and VantrelTranslate's output
// stream and kind; the caller frees the stream.
function translateToStream(bytes, flags) {
  const source = put(bytes);
  const block = M._malloc(8 + 24); // Output, Description, VantrelTranslation
  M.HEAPU8.fill(0, block, block + 32);
  try {
    const kind = M._VantrelTranslate(source, bytes.length, keys, flags >>> 0, block, block + 4, block + 8);
    return { kind, output: M.HEAPU32[block >> 2], description: M.HEAPU32[(block + 4) >> 2],
      info: Int32Array.from(new Int32Array(M.HEAPU8.buffer, block + 8, 6)) };
  } finally {
    M._free(block);
    M._free(source);
  }
}

function translate(text, flags, epoch) {
  // The panes' translations (with an epoch) keep their map; a script's leaves it.
  if (epoch) dropMap();
  const bytes = encoder.encode(text);
  const { kind, output, description, info: r } = translateToStream(bytes, flags);
  const notes = notesOf(output);
  const field = fieldOf(output);
  const out = output ? decoder.decode(streamText(output)) : "";
  const mapped = kind === 0 && output ? M._VantrelStreamMapCount(output) >>> 0 : 0;
  // Units whose octets' places are known (the others link their lines only).
  let units = [];
  if (mapped && epoch) units = keepMap(output, { text: bytes, hexToXml: r[1] === 1, flags, epoch });
  else if (mapped) units = unitsOf(output, r[1] === 1 ? bytes : streamText(output));
  if (!(mapped && epoch)) M._VantrelStreamFree(output);
  const placed = units.filter((u) => u.placed).length;
  const misplaced = units.filter((u) => u.misplaced).length;
  return {
    ok: kind === 0,
    kind: KINDS[kind] || "not-translated",
    hexToXml: r[1] === 1,
    text: kind === 0 ? out : "",
    message: kind === 0 ? "" : out,
    line: kind === 1 ? r[2] : 0,
    column: kind === 1 ? r[3] : 0,
    position: r[4],
    frameWithoutApdu: r[5] === 1,
    notes,
    field,
    description: decoder.decode(take(description, true)),
    mapped,
    placed,
    misplaced,
  };
}

// ---- The octet map -----------------------------------------------------------------
// The map of the last translation: its output stream, kept until the next
// translation; the page asks which element stands where. Positions are byte
// offsets into the UTF-8 texts the translator saw (the page converts them).
let map = null;

function keepMap(stream, { text, hexToXml, flags, epoch }) {
  const data = M._VantrelStreamData(stream);
  const size = M._VantrelStreamSize(stream);
  // The hex text: the source of octets to XML, the output of XML to octets.
  const hex = hexToXml ? text : M.HEAPU8.slice(data, data + Math.max(size - 1, 0));
  map = {
    stream, epoch, hexToXml, flags, source: text, hex,
    units: unitsOf(stream, hex),
    xmlLines: null, // the XML's lines, when first asked
    annotated: undefined, // the annotated twin: {stream, lines}, null when none
  };
  return map.units;
}

const isHexDigit = (c) => (c >= 48 && c <= 57) || (c >= 65 && c <= 70) || (c >= 97 && c <= 102);

// The units of a map with where their octets stand: {sources, placed}, where
// placed says the library told the place of every octet and each place is
// the first digit of an octet in the hex text, in order. A unit that is not
// placed links its lines, never text that may not be its octets.
const UNIT_WORDS = 7; // VantrelMapUnit: FirstEntry, EntryCount, FirstLine, LastLine, Octets, ApduOffset, HexToXml
function unitsOf(stream, hex) {
  const count = M._VantrelStreamMapUnitCount(stream) >>> 0;
  const base = M._VantrelStreamMapUnits(stream) >> 2;
  const units = [];
  for (let u = 0; u < count; u++) {
    const octets = M.HEAPU32[base + u * UNIT_WORDS + 4];
    const sources = M._VantrelStreamMapSources(stream, u) >>> 0;
    let placed = sources !== 0 && octets > 0;
    const w = M.HEAPU32;
    for (let i = 0, at = sources >> 2, last = -1; placed && i < octets; i++) {
      const p = w[at + i];
      placed = p > last && p < hex.length && isHexDigit(hex[p]);
      last = p;
    }
    // Places given that fail the check: the library's mistake, not linked.
    units.push({ sources: placed ? sources : 0, placed, misplaced: sources !== 0 && !placed });
  }
  return units;
}

// After the first digit at P, the end of its octet's digits.
function digitsEnd(p) {
  const hex = map.hex;
  for (let k = p + 1; k < hex.length; k++) if (isHexDigit(hex[k])) return k + 1;
  return p + 1;
}

// Whether the bytes [From, To) of the hex text only separate two octets of
// one run: blanks, line breaks, ":", ",", "-" and a "0x" before the next.
const MAX_GAP = 8;
function onlySeparators(from, to) {
  if (to - from > MAX_GAP) return false;
  const hex = map.hex;
  for (let k = from; k < to; k++) {
    const c = hex[k];
    if (c === 32 || c === 9 || c === 13 || c === 10 || c === 58 || c === 44 || c === 45) continue;
    if (c === 48 && k + 2 === to && (hex[k + 1] | 0x20) === 120) return true; // "0x"
    return false;
  }
  return true;
}

// The runs of the hex text that hold Length octets of unit Unit from Offset:
// [[begin, end), ...] in bytes, one run where the octets follow each other,
// a new one where other text (a frame's header, a dump's offset and ASCII
// column, a log line's label) stands between them. After MAX_RANGES runs the
// last one reaches to the entry's last octet (the marks of a huge entry in a
// dump: the text between is marked with it).
const MAX_RANGES = 2000;
function rangesOf(unit, offset, length) {
  const u = map.units[unit];
  if (!u || !u.placed || length === 0) return null;
  const w = M.HEAPU32;
  const at = (u.sources >> 2) + offset;
  const ranges = [];
  let begin = w[at];
  let end = digitsEnd(begin);
  for (let i = 1; i < length; i++) {
    const p = w[at + i];
    if (ranges.length + 1 < MAX_RANGES && !onlySeparators(end, p)) {
      ranges.push([begin, end]);
      begin = p;
    }
    end = digitsEnd(p);
  }
  ranges.push([begin, end]);
  return ranges;
}

function dropMap() {
  if (!map) return;
  M._VantrelStreamFree(map.stream);
  if (map.annotated) M._VantrelStreamFree(map.annotated.stream);
  map = null;
}

const NONE = 0xffffffff;
const ENTRY_WORDS = 9; // VantrelMapEntry: Element, Line, LastLine, Offset, Length, Parent, Depth, Plaintext, Unit
const names = new Map(); // the static element names, by address

function entryOf(stream, index) {
  const at = (M._VantrelStreamMap(stream) >> 2) + index * ENTRY_WORDS;
  const w = M.HEAPU32;
  let element = names.get(w[at]);
  if (element === undefined) names.set(w[at], (element = M.UTF8ToString(w[at])));
  return { index, element, line: w[at + 1], lastLine: w[at + 2], offset: w[at + 3], length: w[at + 4],
    parent: w[at + 5], depth: w[at + 6], plaintext: w[at + 7], unit: w[at + 8] };
}

// The lines of the text of a stream (or of bytes), split once.
function linesOf(bytes) {
  return decoder.decode(bytes).split(/\r\n|\n/);
}
function streamText(stream) {
  const data = M._VantrelStreamData(stream);
  return M.HEAPU8.subarray(data, data + Math.max(M._VantrelStreamSize(stream) - 1, 0));
}

// The comment an annotation put at the end of a start tag's line.
function annotationOf(line) {
  const m = /^\s*<[^!][^]*?>\s<!--\s(.*?)\s-->\s*$/.exec(line || "");
  return m ? m[1] : "";
}

// The meaning of entry Index: the annotation of its line. Without Annotate
// the same input is translated once more with it, when first asked; its
// entries stand for the same elements in the same order.
function meaningOf(entry) {
  if (map.flags & VANTREL_ANNOTATE && map.hexToXml) {
    map.xmlLines ??= linesOf(streamText(map.stream));
    return annotationOf(map.xmlLines[entry.line - 1]);
  }
  if (map.annotated === undefined) {
    map.annotated = null;
    // Octets to XML again; for XML to octets, its octets to XML.
    const { kind, output, description } = translateToStream(map.hexToXml ? map.source : map.hex,
      map.flags | VANTREL_ANNOTATE | VANTREL_MAP);
    M._VantrelStreamFree(description);
    if (kind === 0 && output && M._VantrelStreamMapCount(output) === M._VantrelStreamMapCount(map.stream))
      map.annotated = { stream: output, lines: linesOf(streamText(output)) };
    else if (output) M._VantrelStreamFree(output);
  }
  if (!map.annotated) return "";
  const twin = entryOf(map.annotated.stream, entry.index);
  return twin.element === entry.element ? annotationOf(map.annotated.lines[twin.line - 1]) : "";
}

// The octets of an entry as hex digits (at most Limit), read where they stand in the hex text.
function octetsOf(entry, limit) {
  if (entry.plaintext !== NONE || entry.length === 0) return "";
  const unit = map.units[entry.unit];
  if (!unit || !unit.placed) return "";
  const sources = unit.sources;
  const digits = [];
  const n = Math.min(entry.length, limit);
  for (let i = 0; i < n; i++) {
    const at = M.HEAPU32[(sources >> 2) + entry.offset + i];
    digits.push(String.fromCharCode(map.hex[at], map.hex[digitsEnd(at) - 1]).toUpperCase());
  }
  return digits.join(" ") + (entry.length > n ? " …" : "");
}

// Where the ciphered octets of Holder (the element whose ciphered payload
// was deciphered) begin: after its own fields that are not deciphered (the
// security header), to its end (the authentication tag with them). Found
// once a holder, in the entries after it.
function cipheredFrom(holder) {
  map.cipheredFrom ??= new Map();
  let from = map.cipheredFrom.get(holder.index);
  if (from !== undefined) return from;
  from = holder.offset;
  const count = M._VantrelStreamMapCount(map.stream) >>> 0;
  for (let i = holder.index + 1; i < count; i++) {
    const e = entryOf(map.stream, i);
    if (e.depth <= holder.depth) break;
    if (e.parent === holder.index && e.plaintext === NONE && e.length > 0) from = Math.max(from, e.offset + e.length);
  }
  map.cipheredFrom.set(holder.index, from);
  return from;
}

// What the page shows of entry Index: the element, its lines, its octets and
// where they stand, its meaning.
function describeEntry(index, withMeaning) {
  if (index === NONE || index >= M._VantrelStreamMapCount(map.stream)) return null;
  const entry = entryOf(map.stream, index);
  // A deciphered entry stands nowhere in the hex text: the ciphered element
  // holding it (entry Plaintext) is marked in its own style.
  entry.deciphered = entry.plaintext !== NONE;
  let [offset, length] = [entry.offset, entry.length];
  const holder = entry.deciphered ? entryOf(map.stream, entry.plaintext) : entry;
  if (entry.deciphered) {
    offset = cipheredFrom(holder);
    length = holder.offset + holder.length - offset;
    entry.cipheredIn = { element: holder.element, offset, length };
  }
  entry.ranges = rangesOf(holder.unit, offset, length);
  entry.rangeCiphered = entry.deciphered;
  entry.octets = octetsOf(entry, 24);
  if (withMeaning) entry.meaning = meaningOf(entry);
  return entry;
}

// The innermost entry whose octets hold the bytes [Begin, End) of the hex
// text: a caret (Begin == End) is taken for the octet whose digits hold it,
// or end, just before it.
function entryAtSource(begin, end) {
  // The module returns uint32_t as a signed number: >>> 0 makes VANTREL_MAP_NONE NONE.
  const at = (p) => {
    const i = M._VantrelStreamMapAtSource(map.stream, p) >>> 0;
    return i !== NONE && map.units[entryOf(map.stream, i).unit]?.placed ? i : NONE;
  };
  let first = at(begin);
  if (first === NONE && begin > 0) first = at(begin - 1);
  if (first === NONE || end <= begin + 1) return first;
  let last = at(end - 1);
  if (last === NONE) return first;
  // Their innermost common ancestor.
  const depth = (i) => entryOf(map.stream, i).depth;
  const parent = (i) => entryOf(map.stream, i).parent;
  while (first !== last && first !== NONE && last !== NONE) {
    if (depth(first) >= depth(last)) first = parent(first);
    else last = parent(last);
  }
  return first === last ? first : NONE;
}

function mapQuery(message) {
  if (!map || map.epoch !== message.epoch) return { entry: null };
  let index = NONE;
  if (message.query === "line") index = M._VantrelStreamMapAtLine(map.stream, message.line) >>> 0;
  else if (message.query === "source") index = entryAtSource(message.begin, message.end);
  return { entry: describeEntry(index, Boolean(message.meaning)) };
}

// The entry points themselves, for the vector checks.
function entry(op, input) {
  const error = M._malloc(4 + 256 + 4 + 4);
  M.HEAPU8.fill(0, error, error + 268);
  const octets = op === "pduToXml" ? fromHex(input) : encoder.encode(input);
  const source = put(octets);
  try {
    if (op === "pduToXml") M._PduToXml(source, octets.length, error + 264, error);
    else M._XmlToPdu(source, error + 264, error);
    const code = M.HEAP32[error >> 2];
    const messageBytes = M.HEAPU8.subarray(error + 4, error + 260);
    const end = messageBytes.indexOf(0);
    const message = decoder.decode(messageBytes.slice(0, end < 0 ? 256 : end));
    const position = M.HEAP32[(error + 260) >> 2];
    const bytes = take(M.HEAPU32[(error + 264) >> 2], op === "pduToXml");
    const text = code !== 0 ? "" : op === "pduToXml" ? decoder.decode(bytes) : toHex(bytes);
    return { code, message: code !== 0 ? message : "", position, text };
  } finally {
    M._free(source);
    M._free(error);
  }
}

// The mean time of one octets-to-XML translation, measured inside the module.
function time(hex, runs) {
  const octets = fromHex(hex);
  const source = put(octets);
  try {
    return { ms: M._VantrelWebTimePduToXml(source, octets.length, runs) };
  } finally {
    M._free(source);
  }
}

// The mean time of one VantrelTranslate of Text with Flags (its streams
// freed), and with VANTREL_MAP the page's check of the units' places.
function timeTranslate(text, flags, runs) {
  const bytes = encoder.encode(text);
  const source = put(bytes);
  const block = M._malloc(32);
  let total = 0;
  try {
    for (let i = 0; i < runs; i++) {
      M.HEAPU8.fill(0, block, block + 32);
      const start = performance.now();
      const kind = M._VantrelTranslate(source, bytes.length, keys, flags >>> 0, block, block + 4, block + 8);
      const output = M.HEAPU32[block >> 2];
      if (kind === 0 && flags & VANTREL_MAP) unitsOf(output, bytes);
      total += performance.now() - start;
      M._VantrelStreamFree(output);
      M._VantrelStreamFree(M.HEAPU32[(block + 4) >> 2]);
      if (kind !== 0) return { ms: -1 };
    }
  } finally {
    M._free(block);
    M._free(source);
  }
  return { ms: runs > 0 ? total / runs : 0 };
}

const pending = [];
function handle(message) {
  const { id, op } = message;
  let result;
  try {
    if (op === "translate") result = translate(message.text, message.flags || 0, message.epoch);
    else if (op === "map") result = mapQuery(message);
    else if (op === "dropMap") result = (dropMap(), {});
    else if (op === "pduToXml" || op === "xmlToPdu") result = entry(op, message.input);
    else if (op === "time") result = time(message.hex, message.runs);
    else if (op === "timeTranslate") result = timeTranslate(message.text, message.flags || 0, message.runs);
    else if (op === "setKeys") {
      result = setKeys(message.values);
      for (const name of Object.keys(message.values)) message.values[name] = ""; // nothing refers to the digits
    }
    else if (op === "clearKeys") result = (clearKeys(), { ok: true, set: [] });
    else result = { error: "unknown request " + op };
  } catch (e) {
    result = { ok: false, kind: "not-translated", message: "The translator stopped: " + e, text: "" };
  }
  postMessage({ id, ...result });
}

self.onmessage = (event) => (M ? handle(event.data) : pending.push(event.data));

createVantrelModule().then(
  (module) => {
    M = module;
    postMessage({ op: "ready", version: M.UTF8ToString(M._VantrelWebVersion()) });
    for (const message of pending.splice(0)) handle(message);
  },
  (e) => postMessage({ op: "failed", message: String(e) }),
);
