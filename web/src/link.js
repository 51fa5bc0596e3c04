// The link between the fields of the XML and their octets, on the editor's
// side: the marks that show an element's octets (or its lines) in a pane,
// and the tooltip that tells what is under the mouse. Which element stands
// where is the page's business (the octet map, asked through the worker):
// the panes only take a provider, hover(view, pos) → Promise<entry | null>.
import { StateEffect, StateField, RangeSetBuilder } from "@codemirror/state";
import { EditorView, Decoration, hoverTooltip } from "@codemirror/view";

// {ranges: [[from, to], ...], lines: [first, last] | null, ciphered}, or null
// to clear; ciphered: the ranges hold a deciphered element's ciphered octets.
export const setLink = StateEffect.define();
const octetsMark = Decoration.mark({ class: "vt-linked" });
const cipheredMark = Decoration.mark({ class: "vt-linked vt-linked-ciphered" });
const lineMark = Decoration.line({ class: "vt-linked-line" });
const startLineMark = Decoration.line({ class: "vt-linked-line vt-linked-start" });

const linkMarks = StateField.define({
  create: () => Decoration.none,
  update(marks, tr) {
    for (const e of tr.effects) {
      if (!e.is(setLink)) continue;
      if (!e.value) return Decoration.none;
      const doc = tr.state.doc;
      const builder = new RangeSetBuilder();
      const { ranges = [], lines = null, ciphered = false } = e.value;
      // Line decorations and marks go into the set in document order.
      const items = [];
      if (lines) {
        const first = Math.max(1, lines[0]);
        const last = Math.min(doc.lines, lines[1]);
        for (let n = first; n <= last; n++) items.push([doc.line(n).from, doc.line(n).from, n === first ? startLineMark : lineMark]);
      }
      for (const [from, to] of ranges)
        if (from >= 0 && from < to && to <= doc.length) items.push([from, to, ciphered ? cipheredMark : octetsMark]);
      items.sort((a, b) => a[0] - b[0] || a[2].startSide - b[2].startSide);
      for (const [from, to, mark] of items) builder.add(from, to, mark);
      return builder.finish();
    }
    return tr.docChanged ? Decoration.none : marks;
  },
  provide: (f) => EditorView.decorations.from(f),
});

// The tooltip's text for an entry: {element, place, octets, meaning}.
function tooltipDom(info) {
  const dom = document.createElement("div");
  dom.className = "vt-tip";
  const head = document.createElement("div");
  const name = document.createElement("b");
  name.textContent = info.element;
  head.append(name);
  if (info.place) head.append(" " + info.place);
  dom.append(head);
  if (info.octets) {
    const octets = document.createElement("code");
    octets.className = "vt-tip-octets";
    octets.textContent = info.octets;
    dom.append(octets);
  }
  if (info.meaning) {
    const meaning = document.createElement("div");
    meaning.className = "vt-tip-meaning";
    meaning.textContent = info.meaning;
    dom.append(meaning);
  }
  return dom;
}

// The editor extensions of a pane; hover(view, pos) resolves to
// {from, to, element, place, octets, meaning} or null.
export function linkExtensions(hover) {
  return [
    linkMarks,
    hoverTooltip(
      async (view, pos) => {
        const info = await hover(view, pos);
        if (!info) return null;
        return { pos: info.from, end: info.to, above: true, create: () => ({ dom: tooltipDom(info) }) };
      },
      { hoverTime: 250 },
    ),
  ];
}
