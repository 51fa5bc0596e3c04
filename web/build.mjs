// Bundles the page into one HTML file: the styles, the editor script
// (esbuild) and the worker with the WebAssembly module (emscripten's
// single-file output) inlined.
//   node build.mjs --module build-web/vantrel-wasm.js --out build-web/vantrel.html
import { readFileSync, writeFileSync } from "node:fs";
import { fileURLToPath } from "node:url";
import { dirname, join } from "node:path";
import { build } from "esbuild";

const here = dirname(fileURLToPath(import.meta.url));
const arg = (name) => {
  const i = process.argv.indexOf(name);
  if (i < 0 || i + 1 >= process.argv.length) throw new Error(`${name} is missing`);
  return process.argv[i + 1];
};
const modulePath = arg("--module");
const outPath = arg("--out");

const bundle = async (entry) => {
  const r = await build({
    entryPoints: [join(here, "src", entry)],
    bundle: true,
    minify: true,
    format: "iife",
    target: ["chrome100", "firefox100", "safari15"],
    legalComments: "none",
    write: false,
  });
  return r.outputFiles[0].text;
};

// Text placed inside a <script> element must not close it.
const inline = (what, text) => {
  if (/<\/script/i.test(text)) throw new Error(`${what} holds "</script"`);
  return text;
};

const main = await bundle("main.js");
const worker = readFileSync(modulePath, "utf8") + "\n" + (await bundle("worker.js"));
const style = readFileSync(join(here, "src", "style.css"), "utf8");
const page = readFileSync(join(here, "src", "page.html"), "utf8")
  .replace("/*STYLE*/", () => style)
  .replace("/*WORKER*/", () => inline("the worker", worker))
  .replace("/*MAIN*/", () => inline("the page script", main));
writeFileSync(outPath, page);
console.log(`${outPath}: ${(page.length / 1024).toFixed(0)} kB`);
