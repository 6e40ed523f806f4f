#!/usr/bin/env node
// Times re-spacing alone, the page's engine (WebAssembly, in Node's V8, as in
// Chromium) against the native command on the same drawing, in turn so that a
// drift of the machine's speed touches both: the engine's evenhue_apply
// (parse, re-space, serialise) inside one process, against `evenhue apply
// FILE -o OUT` as a whole process. Medians of the runs, in seconds, and the
// median of the pairwise ratios.
//
//   node bench/web/respace_bench.mjs --engine build/wasm/web --evenhue build/release/bin/evenhue \
//        --plugin build/release/bin/Evenhue.so --drawing FILE [--runs 5]
//
// --engine is the folder with emscripten's evenhue.js and evenhue-plugin.js
// (build/wasm/web/ in this build; the page folder of builds before the engine
// moved into a worker, whose evenhue_apply read the document from a file).
import { spawnSync } from "node:child_process";
import { createRequire } from "node:module";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const args = { runs: "5" };
for (let i = 2; i + 1 < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, "")] = process.argv[i + 1];
for (const key of ["engine", "evenhue", "plugin", "drawing"]) {
  if (!args[key]) {
    console.error(`respace_bench: --${key} is required`);
    process.exit(2);
  }
}
const runs = Number(args.runs);
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const require = createRequire(import.meta.url);
const EvenhueModule = require(path.resolve(args.engine, "evenhue.js"));
const pluginText = fs.readFileSync(path.resolve(args.engine, "evenhue-plugin.js"), "utf8");
const plugin = Buffer.from(/"([^"]*)"/.exec(pluginText)[1], "base64");
const bytes = fs.readFileSync(args.drawing);
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "evenhue-respace-bench-"));

const m = await EvenhueModule({
  print: () => {}, printErr: () => {},
  preRun: [(module) => {
    module.FS.mkdir("/plugin");
    module.addRunDependency("plugin");
    module.FS.createPreloadedFile("/plugin", "Evenhue.so", plugin, true, false,
      () => module.removeRunDependency("plugin"), () => { throw new Error("the plug-in does not compile"); });
  }],
});
if (m.ccall("evenhue_start", "number", ["string"], ["/plugin/Evenhue.so"]) !== 0) throw new Error("the engine does not start");

// The document in memory (this build) or in the module's file system (before).
function engineApply() {
  const started = performance.now();
  let failed;
  if (m._evenhue_check_size) {
    const at = m._malloc(bytes.length);
    m.HEAPU8.set(bytes, at);
    failed = m.ccall("evenhue_apply", "number", ["string", "number", "number"], ["drawing.svg", at, bytes.length]);
    m._free(at);
  } else {
    m.FS.writeFile("/drawing.svg", bytes);
    failed = m.ccall("evenhue_apply", "number", ["string"], ["/drawing.svg"]);
    m.FS.unlink("/drawing.svg");
  }
  if (failed) throw new Error("the engine refused the drawing");
  return (performance.now() - started) / 1000;
}

function nativeApply() {
  const started = process.hrtime.bigint();
  const run = spawnSync(path.resolve(args.evenhue), ["apply", "--plugin", path.resolve(args.plugin),
    path.resolve(args.drawing), "-o", path.join(scratch, "out.svg")], { stdio: ["ignore", "ignore", "pipe"] });
  if (run.status !== 0) throw new Error(`evenhue apply failed: ${run.stderr}`);
  return Number(process.hrtime.bigint() - started) / 1e9;
}

try {
  engineApply();  // the first run warms the engine's code
  const engine = [], native = [], ratio = [];
  for (let i = 0; i < runs; ++i) {
    const e = engineApply();
    const n = nativeApply();
    engine.push(e);
    native.push(n);
    ratio.push(e / n);
  }
  console.log(`${path.basename(args.drawing)}, ${(bytes.length / 1e6).toFixed(1)} MB, median of ${runs} runs`);
  console.log(`${"engine (WebAssembly): evenhue_apply".padEnd(40)} ${median(engine).toFixed(2)} s`);
  console.log(`${"command: apply".padEnd(40)} ${median(native).toFixed(2)} s`);
  console.log(`${"engine / command".padEnd(40)} ${median(ratio).toFixed(2)}`);
} finally {
  fs.rmSync(scratch, { recursive: true, force: true });
}
