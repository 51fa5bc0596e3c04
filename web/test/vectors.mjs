// Reads the vector files of tests/vectors (format: tests/vectors/README.md).
// Each record: {family, name, line, input: {hex} | {xml}, expect: {xml} |
// {hex} | {canonical} | {error: {code, position, message}}}.
import { readFileSync, readdirSync } from "node:fs";
import { join } from "node:path";

export function parseVectors(text, family) {
  const records = [];
  let field = null; // the {xml} object that "|" and ":" lines continue
  const lines = text.split("\n");
  lines.forEach((raw, i) => {
    const line = raw.endsWith("\r") ? raw.slice(0, -1) : raw;
    const bad = () => {
      throw new Error(`${family}.txt:${i + 1}: unexpected line: ${line}`);
    };
    if (field && (line[0] === "|" || line[0] === ":")) {
      field.xml += line.slice(1) + (line[0] === "|" ? "\r\n" : "");
      if (line[0] === ":") field = null;
      return;
    }
    field = null;
    if (line === "" || line[0] === "#") return;
    const space = line.indexOf(" ");
    const key = space < 0 ? line : line.slice(0, space);
    const rest = space < 0 ? "" : line.slice(space + 1);
    if (key === "=") return void records.push({ family, name: rest, line: i + 1 });
    const r = records[records.length - 1];
    if (!r || r.expect) bad();
    const slot = r.input ? "expect" : "input";
    if (key === "hex" && (slot === "input" || "xml" in r.input)) r[slot] = { hex: rest };
    else if (key === "xml" && (slot === "input" || "hex" in r.input)) {
      r[slot] = { xml: rest };
      if (space < 0) field = r[slot];
    } else if (key === "canonical" && slot === "expect" && "hex" in r.input) r.expect = { canonical: rest };
    else if (key === "error" && slot === "expect") {
      const m = /^(-?\d+) (-?\d+) (.*)$/s.exec(rest);
      if (!m) bad();
      r.expect = { error: { code: Number(m[1]), position: Number(m[2]), message: m[3] } };
    } else bad();
  });
  for (const r of records) if (!r.expect) throw new Error(`${family}.txt:${r.line}: record without expectation`);
  return records;
}

export function loadVectors(dir) {
  return readdirSync(dir)
    .filter((f) => f.endsWith(".txt"))
    .sort()
    .flatMap((f) => parseVectors(readFileSync(join(dir, f), "utf8"), f.slice(0, -4)));
}

// Upper-case hex digits without blanks.
export const normHex = (hex) => hex.replace(/[^0-9A-Fa-f]/g, "").toUpperCase();

// Checks one record with the two entry points (async functions of a hex or
// XML text returning {code, message, position, text}); returns the
// differences found, empty when the record holds.
export async function checkVector(r, pduToXml, xmlToPdu) {
  const problems = [];
  const expectEq = (what, got, want) => {
    if (got !== want) problems.push(`${what}: got ${JSON.stringify(got)}, want ${JSON.stringify(want)}`);
  };
  const first = "hex" in r.input ? await pduToXml(r.input.hex) : await xmlToPdu(r.input.xml);
  const e = r.expect;
  if (e.error) {
    expectEq("code", first.code, e.error.code);
    expectEq("message", first.message, e.error.message);
    expectEq("position", first.position, e.error.position);
    return problems;
  }
  if (first.code !== 0) return [`failed: ${first.message} at ${first.position}`];
  if ("hex" in e) expectEq("octets", first.text, normHex(e.hex));
  if ("xml" in e) expectEq("xml", first.text, e.xml);
  if ("xml" in e || "canonical" in e) {
    const back = await xmlToPdu(first.text);
    if (back.code !== 0) problems.push(`back to octets failed: ${back.message} at ${back.position}`);
    else expectEq("octets back", back.text, normHex("xml" in e ? r.input.hex : e.canonical));
  }
  return problems;
}
