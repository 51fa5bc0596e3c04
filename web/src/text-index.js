// Where a place of an editor's document stands in the text the translator
// read or wrote: the library counts 0-based byte offsets into UTF-8 with
// line breaks of Width bytes (CR LF as the panes give their text), the
// editor UTF-16 units with LF between lines. Lines of ASCII convert without
// encoding; the others are encoded when asked.
export class TextIndex {
  constructor(doc, width = 2) {
    this.doc = doc;
    this.starts = [];
    this.ascii = [];
    let bytes = 0;
    const encoder = new TextEncoder();
    for (const text of doc.iterLines()) {
      const ascii = !/[^\x00-\x7f]/.test(text);
      this.starts.push(bytes);
      this.ascii.push(ascii);
      bytes += (ascii ? text.length : encoder.encode(text).length) + width;
    }
  }
  lineOfByte(byte) {
    let lo = 0;
    let hi = this.starts.length - 1;
    while (lo < hi) {
      const mid = (lo + hi + 1) >> 1;
      if (this.starts[mid] <= byte) lo = mid;
      else hi = mid - 1;
    }
    return lo;
  }
  toDoc(byte) {
    const n = this.lineOfByte(byte);
    const line = this.doc.line(n + 1);
    let column = byte - this.starts[n];
    if (this.ascii[n]) return line.from + Math.min(column, line.length);
    let k = 0;
    while (k < line.text.length && column > 0) {
      const code = line.text.codePointAt(k);
      column -= code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
      k += code > 0xffff ? 2 : 1;
    }
    return line.from + k;
  }
  toByte(pos) {
    const line = this.doc.lineAt(pos);
    const n = line.number - 1;
    const column = pos - line.from;
    return this.starts[n] + (this.ascii[n] ? column : new TextEncoder().encode(line.text.slice(0, column)).length);
  }
}
