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
// VANTREL_DESCRIBE_FRAME (2).
function translate(text, flags) {
  const bytes = encoder.encode(text);
  const source = put(bytes);
  const block = M._malloc(8 + 24); // Output, Description, VantrelTranslation
  M.HEAPU8.fill(0, block, block + 32);
  try {
    const kind = M._VantrelTranslate(source, bytes.length, keys, flags >>> 0, block, block + 4, block + 8);
    const r = new Int32Array(M.HEAPU8.buffer, block + 8, 6);
    const output = M.HEAPU32[block >> 2];
    const notes = notesOf(output);
    const field = fieldOf(output);
    const out = decoder.decode(take(output, true));
    const description = decoder.decode(take(M.HEAPU32[(block + 4) >> 2], true));
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
      description,
    };
  } finally {
    M._free(block);
    M._free(source);
  }
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

const pending = [];
function handle(message) {
  const { id, op } = message;
  let result;
  try {
    if (op === "translate") result = translate(message.text, message.flags || 0);
    else if (op === "pduToXml" || op === "xmlToPdu") result = entry(op, message.input);
    else if (op === "time") result = time(message.hex, message.runs);
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
