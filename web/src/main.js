// The page: two editor panes, one above the other, and the translate command
// of the desktop application running in a worker. Nothing here leaves the
// page: files are read from the picker or a drop, saved as downloads.
import { EditorState, StateEffect, StateField, RangeSetBuilder } from "@codemirror/state";
import {
  EditorView, Decoration, keymap, lineNumbers, highlightActiveLine, highlightActiveLineGutter,
  drawSelection, dropCursor, highlightSpecialChars,
} from "@codemirror/view";
import { defaultKeymap, history, historyKeymap, indentWithTab } from "@codemirror/commands";
import { searchKeymap, highlightSelectionMatches } from "@codemirror/search";
import { StreamLanguage, syntaxHighlighting, HighlightStyle } from "@codemirror/language";
import { tags } from "@lezer/highlight";
import { failurePlace, failureRange } from "./place.js";
import { linkExtensions, setLink } from "./link.js";
import { TextIndex } from "./text-index.js";

// ---- The desktop application's colouring ---------------------------------
// Quoted texts are strings, "//" to the line end and "(* ... *)" comments;
// everything else keeps the text colour.
const LONG_LINE = 20000;
const desktopColouring = StreamLanguage.define({
  name: "vantrel",
  startState: () => ({ inComment: false }),
  copyState: (s) => ({ inComment: s.inComment }),
  token(stream, state) {
    const closeComment = () => {
      if (stream.skipTo("*)")) {
        stream.pos += 2;
        state.inComment = false;
      } else {
        stream.skipToEnd();
      }
      return "comment";
    };
    if (state.inComment) return closeComment();
    // A very long line (a pasted capture of megabytes of hex) stays uncoloured:
    // tokenising it would hold up the page.
    if (stream.sol() && stream.string.length > LONG_LINE) {
      stream.skipToEnd();
      return null;
    }
    const c = stream.next();
    if (/\w/.test(c)) {
      stream.eatWhile(/\w/);
      return null;
    }
    if (c === '"' || c === "'") {
      while (!stream.eol()) if (stream.next() === c) break;
      return "string";
    }
    if (c === "/" && stream.peek() === "/") {
      stream.skipToEnd();
      return "comment";
    }
    if (c === "(" && stream.peek() === "*") {
      stream.next();
      state.inComment = true;
      return closeComment();
    }
    return null;
  },
});
const colours = HighlightStyle.define([
  { tag: tags.string, color: "var(--vt-string)" },
  { tag: tags.comment, color: "var(--vt-comment)", fontStyle: "italic" },
]);

// ---- The marks of a failure: its line, and its octet or tag -------------------
// The effect's value: {line, from, to} (from < to: the characters marked), or
// null to clear.
const markFailure = StateEffect.define();
const lineMark = Decoration.line({ class: "vt-failure-line" });
const placeMark = Decoration.mark({ class: "vt-failure-mark" });
const failureMarks = StateField.define({
  create: () => Decoration.none,
  update(marks, tr) {
    for (const e of tr.effects) {
      if (!e.is(markFailure)) continue;
      const doc = tr.state.doc;
      if (!e.value || e.value.line <= 0 || e.value.line > doc.lines) return Decoration.none;
      const builder = new RangeSetBuilder();
      const line = doc.line(e.value.line);
      builder.add(line.from, line.from, lineMark);
      const { from, to } = e.value;
      if (from >= line.from && from < to && to <= doc.length) builder.add(from, to, placeMark);
      return builder.finish();
    }
    return tr.docChanged ? Decoration.none : marks;
  },
  provide: (f) => EditorView.decorations.from(f),
});

// ---- Toggling "//" line comments (Ctrl+/), as in the desktop application ------
function toggleComments(view) {
  const { state } = view;
  const lines = new Set();
  for (const r of state.selection.ranges) {
    const first = state.doc.lineAt(r.from).number;
    const last = state.doc.lineAt(r.to).number;
    for (let n = first; n <= last; n++) lines.add(n);
  }
  const all = [...lines].map((n) => state.doc.line(n));
  const commented = all.every((l) => /^\s*\/\//.test(l.text) || l.text.trim() === "");
  const changes = [];
  for (const l of all) {
    if (commented) {
      const at = l.text.indexOf("//");
      if (at >= 0) changes.push({ from: l.from + at, to: l.from + at + 2 });
    } else if (l.text.trim() !== "") {
      changes.push({ from: l.from, insert: "//" });
    }
  }
  view.dispatch({ changes });
  return true;
}

// ---- The panes ------------------------------------------------------------
const $ = (id) => document.getElementById(id);
const panes = [];
let activePane = 0;

function makePane(index, host) {
  const view = new EditorView({
    parent: host,
    state: EditorState.create({
      doc: "",
      extensions: [
        lineNumbers(),
        highlightActiveLineGutter(),
        highlightSpecialChars(),
        history(),
        drawSelection(),
        dropCursor(),
        highlightActiveLine(),
        highlightSelectionMatches(),
        desktopColouring,
        syntaxHighlighting(colours),
        failureMarks,
        linkExtensions((view, pos) => hoverEntry(index, pos)),
        EditorView.contentAttributes.of({ "aria-label": index === 0 ? "Upper pane" : "Lower pane" }),
        keymap.of([
          { key: "Mod-t", run: () => (translateFrom(index), true), preventDefault: true },
          { key: "Mod-Enter", run: () => (translateFrom(index), true), preventDefault: true },
          { key: "Mod-o", run: () => (openInto(index), true), preventDefault: true },
          { key: "Mod-s", run: () => (savePane(index), true), preventDefault: true },
          { key: "Mod-/", run: toggleComments },
          ...defaultKeymap,
          ...historyKeymap,
          ...searchKeymap,
          indentWithTab,
        ]),
        EditorView.updateListener.of((u) => {
          if (u.focusChanged && u.view.hasFocus) setActive(index);
          if (u.docChanged) endLink();
          else if (u.selectionSet || (u.focusChanged && u.view.hasFocus)) followCaret(index);
          if (u.docChanged) {
            refreshPaneInfo(index);
            // Edited (or replaced): no longer the previous translation.
            panes[index].fromTranslation = false;
            setStale(index, false);
          }
        }),
        EditorView.domEventHandlers({
          drop(event) {
            const file = event.dataTransfer && event.dataTransfer.files && event.dataTransfer.files[0];
            if (!file) return false;
            event.preventDefault();
            host.classList.remove("vt-drag");
            loadFile(index, file);
            return true;
          },
          dragover(event) {
            if (event.dataTransfer && [...event.dataTransfer.types].includes("Files")) {
              event.preventDefault();
              host.classList.add("vt-drag");
            }
            return false;
          },
          dragleave() {
            host.classList.remove("vt-drag");
            return false;
          },
        }),
      ],
    }),
  });
  // fromTranslation: the text is a translation, not edited since; stale: it
  // is the translation before one that failed.
  return { view, host, fileName: "", fromTranslation: false, stale: false };
}

// The pane's text as the desktop application holds it: CR LF line breaks.
const paneText = (i) => panes[i].view.state.doc.sliceString(0, undefined, "\r\n");

function setPaneText(i, text, fileName) {
  const { view } = panes[i];
  view.dispatch({
    changes: { from: 0, to: view.state.doc.length, insert: text },
    selection: { anchor: 0 },
    scrollIntoView: true,
  });
  if (fileName !== undefined) panes[i].fileName = fileName;
  refreshPaneInfo(i);
}

const paneName = (i) => (i === 0 ? "upper" : "lower");

// A pane that still shows the translation before one that failed is dimmed
// and says so in its bar, until a translation replaces it or it is edited.
function setStale(i, stale) {
  const pane = panes[i];
  if (!pane || pane.stale === stale) return;
  pane.stale = stale;
  pane.host.parentElement.classList.toggle("vt-stale", stale);
  $(`stale-${i}`).hidden = !stale;
  // The status line no longer says so either.
  if (!stale) for (const e of document.querySelectorAll(`#status .vt-status-stale[data-pane="${i}"]`)) e.remove();
}

function setActive(i) {
  activePane = i;
  panes.forEach((p, n) => p.host.parentElement.classList.toggle("vt-active", n === i));
}

function refreshPaneInfo(i) {
  const { view, fileName } = panes[i];
  const doc = view.state.doc;
  $(`info-${i}`).textContent =
    (fileName ? fileName + " · " : "") +
    `${doc.lines.toLocaleString("en")} ${doc.lines === 1 ? "line" : "lines"}, ${doc.length.toLocaleString("en")} characters`;
}

// ---- Status line -------------------------------------------------------------
// Text, then the notes of a translation that is not exact (kind "warning"),
// then what a pane still holds. The notes' full text is in the line (one a
// row when there are several) and in its tooltip.
function status(text, kind, { notes = [], stalePane = -1 } = {}) {
  const line = $("status");
  const main = document.createElement("span");
  main.className = "vt-status-text";
  main.textContent = text;
  line.replaceChildren(main);
  line.title = "";
  if (notes.length) {
    const list = document.createElement("ul");
    list.className = "vt-notes";
    list.dataset.count = String(notes.length);
    for (const note of notes) {
      const item = document.createElement("li");
      item.textContent = note;
      list.append(item);
    }
    line.append(list);
    line.title = notes.join("\n");
  }
  if (stalePane >= 0) {
    const stale = document.createElement("span");
    stale.className = "vt-status-stale";
    stale.dataset.pane = String(stalePane);
    const sentence = /[.!?…]$/.test(text) ? " " : ". ";
    stale.textContent = `${sentence}The ${paneName(stalePane)} pane still holds the previous translation.`;
    line.append(stale);
  }
  line.dataset.kind = kind || "info";
}

// ---- The worker ----------------------------------------------------------------
let worker = null;
let nextId = 1;
const waiting = new Map();
let readyResolve;
const ready = new Promise((resolve) => (readyResolve = resolve));

function startWorker() {
  const started = window.__vantrelWorker; // the one the page started before this script
  window.__vantrelWorker = null;
  if (started) {
    worker = started.worker;
  } else {
    const url = URL.createObjectURL(new Blob([$("vantrel-worker").textContent], { type: "text/javascript" }));
    worker = new Worker(url);
    URL.revokeObjectURL(url);
  }
  worker.onmessage = (event) => {
    const m = event.data;
    if (m.op === "ready") {
      $("version").textContent = m.version;
      window.vantrel.version = m.version;
      readyResolve(m.version);
      return;
    }
    if (m.op === "failed") {
      status("The translator could not start: " + m.message, "error");
      return;
    }
    const w = waiting.get(m.id);
    if (w) {
      waiting.delete(m.id);
      w(m);
    }
  };
  worker.onerror = (event) => status("The translator stopped: " + (event.message || "unknown error"), "error");
  if (started) for (const event of started.early) worker.onmessage(event);
}

function ask(request) {
  return new Promise((resolve) => {
    const id = nextId++;
    waiting.set(id, resolve);
    worker.postMessage({ id, ...request });
  });
}

// Ends a translation that takes too long: the worker is replaced. A worker
// busy translating takes no message, so it cannot wipe its keys first; they
// live only in its memory (the page keeps no copy of the digits), which ends
// with it. The new worker holds no keys.
function stopTranslating() {
  worker.terminate();
  worker = null;
  const message = keysSet.length
    ? "Translation stopped. The keys went with the stopped translator: set them again (Keys…)."
    : "Translation stopped.";
  showKeysSet([]);
  for (const resolve of waiting.values())
    resolve({ ok: false, kind: "not-translated", stopped: true, text: "", message, line: 0, column: 0 });
  waiting.clear();
  startWorker();
  endLink(); // the new worker holds no map
}

// The index in the pane's document of an index into paneText (CR LF breaks).
function docIndex(text, index) {
  let breaks = 0;
  for (let i = text.indexOf("\r"); i >= 0 && i < index; i = text.indexOf("\r", i + 1)) breaks++;
  return index - breaks;
}

// Places the caret as the desktop application does: Line from 1, the caret
// after Column - 1 characters of that line (at its end when the line is
// shorter); marks the line and Range ([start, end) in the pane's document).
function placeCaret(i, line, column, range) {
  const { view } = panes[i];
  const doc = view.state.doc;
  const l = doc.line(Math.min(Math.max(line, 1), doc.lines));
  let pos = l.from;
  if (column > 1) {
    let chars = column - 1;
    const text = l.text;
    let k = 0;
    while (chars > 0 && k < text.length) {
      const code = text.codePointAt(k);
      k += code > 0xffff ? 2 : 1;
      chars--;
    }
    pos = l.from + k;
  }
  const [from, to] = range || [0, 0];
  view.dispatch({
    selection: { anchor: pos },
    effects: [markFailure.of({ line: l.number, from, to }), EditorView.scrollIntoView(pos, { y: "center" })],
  });
  view.focus();
}

// ---- View options -----------------------------------------------------------------
// Annotate is remembered in the browser's storage of this page; nothing else is
// stored (never anything about keys).
const ANNOTATE_KEY = "vantrel.annotate";
const VANTREL_ANNOTATE = 1;
const VANTREL_DESCRIBE_FRAME = 2;

function readAnnotate() {
  try {
    return localStorage.getItem(ANNOTATE_KEY) === "1";
  } catch {
    return false; // storage refused (a private window, a strict setting): not remembered
  }
}

function setAnnotate(on) {
  $("annotate").checked = on;
  try {
    localStorage.setItem(ANNOTATE_KEY, on ? "1" : "0");
  } catch {
    // not remembered; the switch still acts
  }
}

const VANTREL_MAP = 4;
const flagsOf = (annotate) => (annotate ? VANTREL_ANNOTATE : 0) | VANTREL_DESCRIBE_FRAME;

// ---- Fields and their octets ---------------------------------------------------------
// After a translation the worker keeps its octet map: the caret on an
// element's line marks its octets in the hex pane, a caret or selection in
// the hex pane marks the innermost element holding it, and the mouse over
// either tells the element, its octets and their meaning. An edit of either
// pane ends the link.
let link = null; // {epoch, hexPane, xmlPane, units, index: [TextIndex, TextIndex], asked}
let nextEpoch = 1;

function linkIndex(i) {
  link.index[i] ??= new TextIndex(panes[i].view.state.doc, i === link.hexPane ? link.hexBreak : 2);
  return link.index[i];
}

function startLink(r, source, target, epoch) {
  endLink();
  if (!r.mapped) return;
  const hexPane = r.hexToXml ? source : target;
  // The hex pane holds the translator's own output for XML to octets: its line breaks as written.
  const hexBreak = r.hexToXml || r.text.includes("\r\n") ? 2 : 1;
  link = { epoch, hexPane, xmlPane: 1 - hexPane, hexBreak, index: [null, null], asked: 0 };
}

function endLink() {
  if (!link) return;
  link = null;
  for (const p of panes) p.view.dispatch({ effects: setLink.of(null) });
  ask({ op: "dropMap" });
}

// Asks the worker for the entry at a place of pane i: its line in the XML
// pane, [Begin, End) in the hex pane (document positions).
async function entryAt(i, begin, end, meaning) {
  if (!link) return null;
  const { epoch } = link;
  const request = { op: "map", epoch, meaning };
  if (i === link.xmlPane) {
    request.query = "line";
    request.line = panes[i].view.state.doc.lineAt(begin).number;
  } else {
    const index = linkIndex(i);
    request.query = "source";
    request.begin = index.toByte(begin);
    request.end = index.toByte(end);
  }
  const r = await ask(request);
  return link && link.epoch === epoch ? r.entry : null;
}

// The hex pane's document ranges of an entry's octets: one a run of octets
// that follow each other.
function octetRanges(entry) {
  if (!entry || !entry.ranges) return null;
  const index = linkIndex(link.hexPane);
  return entry.ranges.map(([from, to]) => [index.toDoc(from), index.toDoc(to)]);
}

let followed = Promise.resolve(); // the last caret's marks, once shown

function followCaret(i) {
  if (!link) return;
  const asked = ++link.asked;
  const { from, to } = panes[i].view.state.selection.main;
  followed = entryAt(i, from, to, false).then((entry) => {
    if (!link || link.asked !== asked) return; // the caret moved on
    const hex = panes[link.hexPane].view;
    const xml = panes[link.xmlPane].view;
    const ranges = octetRanges(entry);
    const lines = entry ? [entry.line, entry.lastLine] : null;
    const effects = (view, value, at) =>
      [setLink.of(value), ...(at === undefined ? [] : [EditorView.scrollIntoView(at, { y: "nearest" })])];
    const marks = ranges ? { ranges, ciphered: entry.rangeCiphered } : null;
    hex.dispatch({ effects: effects(hex, marks, i === link.xmlPane && ranges ? ranges[0][0] : undefined) });
    const lineStart = lines && lines[0] <= xml.state.doc.lines ? xml.state.doc.line(lines[0]).from : undefined;
    // From the hex pane, the element's lines are marked too (from the XML, the caret shows them).
    const fromHex = i === link.hexPane;
    xml.dispatch({ effects: effects(xml, fromHex && lines ? { lines } : null, fromHex ? lineStart : undefined) });
  });
}

// What the mouse is over: the element, where its octets stand, their meaning.
async function hoverEntry(i, pos) {
  if (!link) return null;
  const entry = await entryAt(i, pos, pos, true);
  if (!entry) return null;
  const count = entry.length;
  const first = entry.offset + 1;
  let place = count === 0 ? "no octets" : count === 1 ? `octet ${first}` : `octets ${first} to ${first + count - 1}`;
  if (count > 0) place += entry.deciphered ? " of the deciphered APDU" : " of the APDU";
  const held = entry.cipheredIn;
  if (held) place += `, ciphered in ${held.element} (octets ${held.offset + 1} to ${held.offset + held.length})`;
  let from = pos;
  let to = pos;
  if (i === link.xmlPane) {
    const line = panes[i].view.state.doc.lineAt(pos);
    from = line.from + (line.text.length - line.text.trimStart().length);
    to = line.to;
  } else {
    // The run of octets under the mouse.
    const ranges = octetRanges(entry) || [];
    const run = ranges.find(([a, b]) => a <= pos && pos <= b) || ranges[0];
    if (run) [from, to] = run;
  }
  return { from, to, element: entry.element, place, octets: entry.octets, meaning: entry.meaning };
}

// ---- The frame description --------------------------------------------------------
// The HDLC frame (or WRAPPER header, LLC header) of the last translation, in
// a strip under the panes: one line folded, every line open.
function showDescription(description) {
  const strip = $("frame");
  const text = (description || "").replace(/\n$/, "");
  strip.hidden = !text;
  $("frame-text").textContent = text;
  $("frame-summary").textContent = text.replace(/\s*\n\s*/g, " ");
}

// ---- Translate ------------------------------------------------------------------
let busy = 0;

async function translateFrom(i) {
  const source = i;
  const target = 1 - i;
  const text = paneText(source);
  const sourceDoc = panes[source].view.state.doc; // the link needs the text as it was translated
  const epoch = nextEpoch++;
  busy++;
  document.body.classList.add("vt-busy");
  const started = performance.now();
  status("Translating…", "busy");
  const timer = setTimeout(() => $("stop").hidden = false, 700);
  let r;
  try {
    endLink();
    r = await ask({ op: "translate", text, flags: flagsOf($("annotate").checked) | VANTREL_MAP, epoch });
  } finally {
    clearTimeout(timer);
    if (--busy === 0) {
      document.body.classList.remove("vt-busy");
      $("stop").hidden = true;
    }
  }
  // A failure leaves the other pane as it was: when that is a translation, it is now the previous one.
  const stale = !r.ok && panes[target].fromTranslation && panes[target].view.state.doc.length > 0;
  if (stale) setStale(target, true);
  const stalePane = stale ? target : -1;
  if (r.stopped) {
    status(r.message, "info", { stalePane });
    return r;
  }
  const ms = Math.round(performance.now() - started);
  panes[source].view.dispatch({ effects: markFailure.of(null) });
  showDescription(r.description);
  if (r.ok) {
    setPaneText(target, r.text.replace(/\r\n?/g, "\n"));
    // Edited while it translated: the places of the map are no longer the pane's.
    if (panes[source].view.state.doc === sourceDoc) startLink(r, source, target, epoch);
    else ask({ op: "dropMap" });
    panes[target].fromTranslation = true;
    setStale(target, false);
    const what = r.hexToXml ? "Octets → XML" : "XML → octets";
    const done = `${what}: translated into the ${paneName(target)} pane in ${ms} ms`;
    const notes = r.notes || [];
    if (notes.length) {
      status(`${done}, with ${notes.length} ${notes.length === 1 ? "warning" : "warnings"}:`, "warning", { notes });
    } else {
      status(`${done}.`, "ok");
    }
  } else if (r.kind === "entry-failure") {
    const place = failurePlace(text, r);
    const range = failureRange(text, r);
    status(place ? `${r.message}: ${place}` : `${r.message} (line ${r.line}, column ${r.column})`, "error", { stalePane });
    placeCaret(source, r.line, r.column, range && [docIndex(text, range[0]), docIndex(text, range[1])]);
  } else {
    status(r.message || "Nothing to translate.", r.kind === "hex-failure" ? "error" : "info", { stalePane });
  }
  return r;
}

// ---- Files ------------------------------------------------------------------
function openInto(i) {
  const input = $("file-input");
  input.dataset.pane = String(i);
  input.value = "";
  input.click();
}

async function loadFile(i, file) {
  try {
    const bytes = new Uint8Array(await file.arrayBuffer());
    let text = new TextDecoder("utf-8").decode(bytes); // a BOM is dropped, bad sequences become U+FFFD
    text = text.replace(/\r\n?/g, "\n");
    setPaneText(i, text, file.name);
    setActive(i);
    panes[i].view.focus();
    status(`Opened ${file.name} (${bytes.length.toLocaleString("en")} bytes) in the ${i === 0 ? "upper" : "lower"} pane.`, "ok");
  } catch (e) {
    status(`Cannot read ${file.name}: ${e.message || e}`, "error");
  }
}

function savePane(i) {
  const text = paneText(i);
  const name = panes[i].fileName || (text.trimStart().startsWith("<") ? "apdu.xml" : "apdu.txt");
  const url = URL.createObjectURL(new Blob([text], { type: "text/plain;charset=utf-8" }));
  const a = document.createElement("a");
  a.href = url;
  a.download = name;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
  status(`Saved the ${i === 0 ? "upper" : "lower"} pane as ${name}.`, "ok");
}

// ---- The splitter -----------------------------------------------------------
function setSplit(fraction) {
  const f = Math.min(0.9, Math.max(0.1, fraction));
  $("panes").style.setProperty("--vt-split", String(f));
  $("splitter").setAttribute("aria-valuenow", String(Math.round(f * 100)));
}

function initSplitter() {
  const splitter = $("splitter");
  const box = $("panes");
  splitter.addEventListener("pointerdown", (e) => {
    splitter.setPointerCapture(e.pointerId);
    splitter.classList.add("vt-dragging");
    const move = (m) => {
      const r = box.getBoundingClientRect();
      setSplit((m.clientY - r.top) / r.height);
    };
    const up = () => {
      splitter.classList.remove("vt-dragging");
      splitter.removeEventListener("pointermove", move);
      splitter.removeEventListener("pointerup", up);
    };
    splitter.addEventListener("pointermove", move);
    splitter.addEventListener("pointerup", up);
  });
  splitter.addEventListener("dblclick", () => setSplit(0.5));
  splitter.addEventListener("keydown", (e) => {
    const now = Number(splitter.getAttribute("aria-valuenow")) / 100;
    if (e.key === "ArrowUp") setSplit(now - 0.05);
    else if (e.key === "ArrowDown") setSplit(now + 0.05);
    else return;
    e.preventDefault();
  });
  setSplit(0.5);
}

// ---- Keys ------------------------------------------------------------------------
// The fields of the library's key set (VantrelKeysSet names), as the desktop
// application's Keys dialog shows them. The digits go to the worker, which
// holds them in a VantrelKeys; the fields are emptied once they are taken.
const KEY_FIELDS = [
  ["BlockCipherKey", "Block cipher key (global unicast)", true],
  ["BroadcastKey", "Broadcast key (global)", true],
  ["DedicatedKey", "Dedicated key", true],
  ["AuthenticationKey", "Authentication key", true],
  ["MasterKey", "Master key (key-encrypting key)", true],
  ["ClientSystemTitle", "Client system title", false],
  ["ServerSystemTitle", "Server system title", false],
];
let keysSet = []; // the names of the fields the worker holds

// How a field's text stands, as the desktop application checks it while typed.
function checkKeyField(isKey, text, isSet) {
  let digits = 0;
  for (const c of text) {
    if (c === " ") continue;
    if (!/[0-9A-Fa-f]/.test(c)) return { ok: false, hint: `not a hex digit: "${c}"` };
    digits++;
  }
  if (digits === 0) return { ok: true, hint: isSet ? "set (kept)" : "not set" };
  if (digits % 2) return { ok: false, hint: "odd number of hex digits" };
  const octets = digits / 2;
  if (isKey ? octets === 16 || octets === 32 : octets === 8) return { ok: true, hint: `${octets} octets` };
  if (!isKey) return { ok: false, hint: `${octets} of 8 octets` };
  if (octets < 16) return { ok: false, hint: `${octets} of 16 octets` };
  return { ok: false, hint: `${octets} octets: 16, or 32 for suite 2` };
}

function keyInput(name) {
  return $(`key-${name}`);
}

function checkKeysDialog() {
  let all = true;
  for (const [name, , isKey] of KEY_FIELDS) {
    const c = checkKeyField(isKey, keyInput(name).value, keysSet.includes(name));
    const hint = $(`key-hint-${name}`);
    hint.textContent = c.hint;
    hint.dataset.ok = String(c.ok);
    all &&= c.ok;
  }
  $("keys-ok").disabled = !all;
}

function emptyKeyFields() {
  for (const [name] of KEY_FIELDS) keyInput(name).value = "";
}

function showKeysSet(set) {
  keysSet = set || [];
  const button = $("keys-button");
  button.dataset.set = String(keysSet.length > 0);
  button.title = keysSet.length
    ? `Keys set: ${keysSet.join(", ")}. Held in this page's memory only (Ctrl+K)`
    : "Keys that decipher ciphered APDUs, held in this page's memory only (Ctrl+K)";
}

function initKeysDialog() {
  const fields = $("keys-fields");
  for (const [name, caption, isKey] of KEY_FIELDS) {
    const label = document.createElement("label");
    label.htmlFor = `key-${name}`;
    label.textContent = caption + ":";
    const input = document.createElement("input");
    input.id = `key-${name}`;
    input.name = name;
    input.autocomplete = "off";
    input.spellcheck = false;
    input.setAttribute("autocapitalize", "off");
    // Keys show while typed and are hidden otherwise; titles are no secret.
    if (isKey) {
      input.type = "password";
      input.setAttribute("autocomplete", "new-password");
      input.addEventListener("focus", () => (input.type = "text"));
      input.addEventListener("blur", () => (input.type = "password"));
    }
    input.addEventListener("input", checkKeysDialog);
    const hint = document.createElement("span");
    hint.id = `key-hint-${name}`;
    hint.className = "vt-keys-hint";
    fields.append(label, input, hint);
  }
  const dialog = $("keys-dialog");
  $("keys-button").addEventListener("click", openKeysDialog);
  // The digits leave the fields before the dialog closes: its "close" event
  // comes later, as a task of its own.
  const closeDialog = () => {
    emptyKeyFields();
    dialog.close();
  };
  $("keys-cancel").addEventListener("click", closeDialog);
  $("keys-clear").addEventListener("click", async () => {
    emptyKeyFields();
    const r = await ask({ op: "clearKeys" });
    showKeysSet(r.set);
    checkKeysDialog();
    $("keys-message").textContent = "";
    status("Keys cleared.", "info");
  });
  $("keys-ok").addEventListener("click", async () => {
    const values = {};
    for (const [name] of KEY_FIELDS) values[name] = keyInput(name).value;
    const r = await setKeys(values);
    for (const name of Object.keys(values)) values[name] = "";
    if (!r.ok) {
      $("keys-message").textContent = r.message;
      if (r.field) keyInput(r.field).focus();
      return;
    }
    closeDialog();
  });
  // Whatever way it closes, the typed digits leave the page's fields.
  dialog.addEventListener("close", () => {
    emptyKeyFields();
    $("keys-message").textContent = "";
    panes[activePane].view.focus();
  });
}

function openKeysDialog() {
  const dialog = $("keys-dialog");
  if (dialog.open) return;
  emptyKeyFields();
  $("keys-message").textContent = "";
  checkKeysDialog();
  dialog.showModal();
  keyInput(KEY_FIELDS[0][0]).focus();
}

async function setKeys(values) {
  await ready;
  const r = await ask({ op: "setKeys", values });
  showKeysSet(r.set);
  if (r.ok) status(keysSet.length ? `Keys set: ${keysSet.join(", ")}.` : "No keys set.", "info");
  return r;
}

// ---- Help -----------------------------------------------------------------------
function toggleHelp(show) {
  const help = $("help");
  help.hidden = show === undefined ? !help.hidden : !show;
  $("help-button").setAttribute("aria-expanded", String(!help.hidden));
}

// ---- Start ----------------------------------------------------------------------
function init() {
  panes.push(makePane(0, $("editor-0")), makePane(1, $("editor-1")));
  panes.forEach((_, i) => refreshPaneInfo(i));
  setActive(0);
  initSplitter();
  $("translate").addEventListener("click", () => translateFrom(activePane));
  $("stop").addEventListener("click", stopTranslating);
  for (const i of [0, 1]) {
    $(`open-${i}`).addEventListener("click", () => openInto(i));
    $(`save-${i}`).addEventListener("click", () => savePane(i));
    $(`pane-${i}`).addEventListener("mousedown", () => setActive(i));
  }
  $("file-input").addEventListener("change", (e) => {
    const file = e.target.files[0];
    if (file) loadFile(Number(e.target.dataset.pane || activePane), file);
  });
  initKeysDialog();
  $("annotate").checked = readAnnotate();
  $("annotate").addEventListener("change", (e) => setAnnotate(e.target.checked));
  $("help-button").addEventListener("click", () => toggleHelp());
  $("help-close").addEventListener("click", () => toggleHelp(false));
  document.addEventListener("keydown", (e) => {
    if (e.defaultPrevented) return; // a pane's own key binding took it
    if (e.key === "F1") {
      e.preventDefault();
      toggleHelp();
    } else if (e.key === "Escape" && !$("help").hidden) {
      toggleHelp(false);
    } else if ((e.ctrlKey || e.metaKey) && (e.key === "t" || e.key === "T" || e.key === "Enter")) {
      // Also when the focus is outside the panes (a button, the page).
      e.preventDefault();
      translateFrom(activePane);
    } else if ((e.ctrlKey || e.metaKey) && (e.key === "k" || e.key === "K")) {
      e.preventDefault();
      openKeysDialog();
    } else if ((e.ctrlKey || e.metaKey) && (e.key === "o" || e.key === "s")) {
      e.preventDefault();
      if (e.key === "o") openInto(activePane);
      else savePane(activePane);
    }
  });
  // A file dropped beside the panes does not replace the page.
  window.addEventListener("dragover", (e) => e.preventDefault());
  window.addEventListener("drop", (e) => e.preventDefault());
  startWorker();
  panes[0].view.focus();
  status("Paste hex octets, an HDLC frame or XML into a pane and press Translate (Ctrl+T).", "info");
  performance.mark("vantrel-interactive"); // the panes take input
}

// The script interface: the translate command of the panes, for scripts and tests.
window.vantrel = {
  ready,
  version: "",
  // Options: {annotate} (default false, whatever the switch says). Resolves
  // with the notes of a translation that is not exact, the field and place of
  // a failure (as the status line gives them) and the frame's description.
  translate: async (text, options = {}) => {
    await ready;
    const source = String(text);
    const r = await ask({ op: "translate", text: source, flags: flagsOf(Boolean(options.annotate)) });
    // {map: true}: also the number of entries of its octet map, of its
    // units whose octets stand placed in the hex text, and of those whose
    // places the library gives but not on the octets' digits (not linked).
    const m = options.map ? await ask({ op: "translate", text: source, flags: VANTREL_MAP }) : null;
    return {
      ok: r.ok, text: r.text, message: r.message, line: r.line, column: r.column,
      kind: r.kind, hexToXml: r.hexToXml, position: r.position,
      notes: r.notes || [], field: r.field || "", place: failurePlace(source, r), description: r.description || "",
      ...(m ? { mapped: m.mapped, placed: m.placed, misplaced: m.misplaced } : {}),
    };
  },
  // The entry points themselves: octets (hex) to XML, XML to octets (hex).
  pduToXml: async (hex) => (await ready, ask({ op: "pduToXml", input: String(hex) })),
  xmlToPdu: async (xml) => (await ready, ask({ op: "xmlToPdu", input: String(xml) })),
  // Mean milliseconds of one octets-to-XML translation of hex, over runs.
  timePduToXml: async (hex, runs) => (await ready, (await ask({ op: "time", hex, runs })).ms),
  // Mean milliseconds of one translation of text as the panes translate it,
  // {map: true} with the octet map (and the page's check of its places).
  timeTranslate: async (text, runs, options = {}) => (await ready,
    (await ask({ op: "timeTranslate", text: String(text), runs, flags: flagsOf(false) | (options.map ? VANTREL_MAP : 0) })).ms),
  // Keys: {Name: "hex"} as VantrelKeysSet takes them, held by the worker
  // only. Resolves to {ok, set, field, message}.
  setKeys: (values) => setKeys({ ...values }),
  clearKeys: async () => (await ready, showKeysSet((await ask({ op: "clearKeys" })).set)),
  // The panes, for scripts.
  paneText: (i) => paneText(i),
  setPaneText: (i, text) => setPaneText(i, String(text).replace(/\r\n?/g, "\n")),
  translatePane: (i) => translateFrom(i),
  // Selects [from, to) of pane i's document (as the caret or the mouse would).
  select: (i, from, to) => panes[i].view.dispatch({ selection: { anchor: from, head: to ?? from } }),
  // Resolves when the marks of the last caret or selection are shown.
  linked: () => followed,
};

init();
