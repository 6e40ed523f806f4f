#!/usr/bin/env node
// A differential test of `evenhue apply` against Chromium's cascade.
//
// Random documents (generate.mjs) go through `evenhue apply` in one batch;
// input and output are loaded in headless Chromium, which reports the
// computed fill and stroke of every drawn shape, and of every shape instance
// behind a <use> (read from the use's user-agent shadow tree through the
// DevTools protocol). Every paint that is gradient X in the input must be a
// new gradient made from X in the output (url(#X-evenhue-N), an element of
// the output that the input did not have, the same fallback); every other
// paint, and every gradient paint that the command warned it left alone,
// must be exactly as before.
//
//   node tests/cascade_diff/run.mjs --evenhue EVENHUE [--plugin SO] [--seed S] [--count N]
//        [--plain] [--pages P] [--keep DIR] [--all] [FILE...]
//   node tests/cascade_diff/run.mjs --evenhue EVENHUE --self-check
//
// FILEs are checked instead of generated documents. Per document with a wrong
// paint, one line per paint: shape, property, input, output, expected; then
// "N paints checked, K wrong in D documents". Exit status 1 when a paint is
// wrong, 2 on bad usage or when the harness itself cannot run.
//
// --self-check holds the harness to known answers: documents without style
// tricks must come out with nothing wrong, and outputs broken on purpose
// must be flagged at the broken shape.

import { spawnSync } from "node:child_process";
import fs from "node:fs";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";
import { documentName, generateDocument, SHAPE_TAGS } from "./generate.mjs";

const CHROMIUM = "/usr/bin/chromium";
const DEFAULT_SEED = 20261210;
const DEFAULT_COUNT = 300;
const SELF_CHECK_SEED = 4242;
const SELF_CHECK_COUNT = 40;
const PAGE_TIMEOUT_MS = 30_000;
const EVENHUE_TIMEOUT_MS = 300_000;
const NEW_ID = /^(.*)-evenhue-\d+$/;

const here = path.dirname(fileURLToPath(import.meta.url));
const sourceDir = path.resolve(here, "..", "..");

const HELP = `usage: node tests/cascade_diff/run.mjs --evenhue EVENHUE [options] [FILE...]

Runs evenhue apply on random documents (or the FILEs) and checks every shape's
fill and stroke in headless Chromium against the input's.

  --evenhue PATH  the command to test (required)
  --plugin PATH   its plug-in file (default: the command's own)
  --seed S        the documents' seed (default ${DEFAULT_SEED})
  --count N       how many documents (default ${DEFAULT_COUNT})
  --plain         documents without style tricks (presentation attributes only)
  --pages P       Chromium pages working at once (default 3)
  --keep DIR      keep inputs and outputs in DIR/in and DIR/out
  --all           also name the documents with nothing wrong
  --self-check    hold the harness itself to known answers`;

function usage(message) {
  console.error(`cascade_diff: ${message}`);
  console.error("usage: node tests/cascade_diff/run.mjs --evenhue EVENHUE [--plugin SO] [--seed S] [--count N] " +
    "[--plain] [--pages P] [--keep DIR] [--all] [--self-check] [FILE...]");
  process.exit(2);
}

function parseArgs(argv) {
  const options = { seed: DEFAULT_SEED, count: DEFAULT_COUNT, pages: 3, files: [], plain: false, all: false,
    selfCheck: false };
  const paths = { "--evenhue": "evenhue", "--plugin": "plugin", "--keep": "keep" };
  const numbers = { "--seed": "seed", "--count": "count", "--pages": "pages" };
  for (let i = 0; i < argv.length; ++i) {
    const arg = argv[i];
    if (paths[arg] || numbers[arg]) {
      if (i + 1 >= argv.length) usage(`${arg} needs a value`);
      const value = argv[++i];
      if (paths[arg]) options[paths[arg]] = path.resolve(value);
      else if (!/^\d+$/.test(value)) usage(`${arg} wants a whole number, not '${value}'`);
      else options[numbers[arg]] = Number(value);
    } else if (arg === "--plain") options.plain = true;
    else if (arg === "--all") options.all = true;
    else if (arg === "--self-check") options.selfCheck = true;
    else if (arg === "--help") {
      console.log(HELP);
      process.exit(0);
    }
    else if (arg.startsWith("--")) usage(`unknown option ${arg}`);
    else options.files.push(path.resolve(arg));
  }
  if (!options.evenhue) usage("--evenhue is required");
  if (!fs.existsSync(options.evenhue)) usage(`${options.evenhue} does not exist`);
  if (options.pages < 1) usage("--pages must be at least 1");
  return options;
}

// puppeteer-core as installed for the page's test (scripts/setup puts it there).
function loadPuppeteer() {
  const require = createRequire(path.join(sourceDir, "tests", "web", "package.json"));
  try {
    return require("puppeteer-core");
  } catch {
    console.error("cascade_diff: puppeteer-core is missing from tests/web/node_modules: run scripts/setup " +
      "(or npm ci in tests/web)");
    process.exit(2);
  }
}

// --- Running the command -------------------------------------------------------------------

// `evenhue apply` on every document of `inDir` in one batch, into `outDir`.
// Returns, per file name, the refusal line (if any) and the keys
// "ELEMENT-ID|PROPERTY|GRADIENT-ID" of the paints it said it left alone
// (GRADIENT-ID "*" when the warning names none).
function runEvenhue(options, inDir, names, outDir) {
  fs.mkdirSync(outDir, { recursive: true });
  const plugin = options.plugin ? ["--plugin", options.plugin] : [];
  const run = spawnSync(options.evenhue, ["apply", ...names, "--out-dir", outDir, ...plugin],
    { cwd: inDir, encoding: "utf8", timeout: EVENHUE_TIMEOUT_MS, maxBuffer: 256 << 20 });
  if (run.error) throw new Error(`${options.evenhue}: ${run.error.message}`);
  const perFile = new Map(names.map((n) => [n, { refusal: null, leftAlone: new Set(), truncated: false }]));
  for (const line of run.stderr.split("\n")) {
    const m = /^evenhue: (.+?): (warning: |notice: )?(.*)$/.exec(line);
    const entry = m && perFile.get(m[1]);
    if (!entry || m[2] === "notice: ") continue;
    if (!m[2]) entry.refusal ??= line;
    else if (/ more warnings like these/.test(m[3])) entry.truncated = true;
    else noteLeftAlone(entry.leftAlone, m[3]);
  }
  // The batch shows a few warnings per document; the report of a run on the
  // document alone has them all.
  for (const [name, entry] of perFile) {
    if (!entry.truncated) continue;
    const tmp = fs.mkdtempSync(path.join(os.tmpdir(), "cascade-diff-report-"));
    const one = spawnSync(options.evenhue, ["apply", name, "-o", path.join(tmp, "out.svg"), "--report",
      path.join(tmp, "report.json"), ...plugin], { cwd: inDir, encoding: "utf8", timeout: EVENHUE_TIMEOUT_MS });
    const report = path.join(tmp, "report.json");
    if (fs.existsSync(report))
      for (const w of JSON.parse(fs.readFileSync(report, "utf8")).warnings || []) noteLeftAlone(entry.leftAlone, w);
    else entry.refusal ??= `evenhue: ${name}: no report from a run on this document alone (${one.stderr.trim()})`;
    fs.rmSync(tmp, { recursive: true, force: true });
  }
  return { perFile, status: run.status, summary: run.stdout.trim() };
}

// A warning that names an element and says its fill or stroke was left alone.
export function noteLeftAlone(set, warning) {
  if (!/left alone|left as it is/.test(warning)) return;
  const id = /^<[^ >]+ id='([^']*)'>: (fill|stroke)\b/.exec(warning);
  if (!id) return;
  // The gradient it names ("gradient 'X'", "'url(#X)'"), when it names one.
  const gradient = /gradient '([^']*)'|'url\(["']?#([^"')]*)/.exec(warning);
  // "<use id='u'>: fill gradient 'g' of the <rect id='s'> it draws left alone":
  // the copy of that one shape drawn by that <use>.
  const drawn = / of the <[^ >]+ id='([^']*)'> it draws /.exec(warning);
  set.add(`${id[1]}${drawn ? ">" + drawn[1] : ""}|${id[2]}|${gradient ? gradient[1] ?? gradient[2] : "*"}`);
}

// --- Reading Chromium's computed paints ----------------------------------------------------

const SHAPES = JSON.stringify(SHAPE_TAGS);
// Elements whose content is drawn only where something refers to it (the
// top element of a use's shadow tree, a <symbol> for instance, is drawn).
const REFERENCED_ONLY = ["defs", "symbol", "clipPath", "mask", "pattern", "marker"];
const REFERENCED_ONLY_JSON = JSON.stringify(REFERENCED_ONLY);

// In the page: the drawn shapes of the document (not inside <defs>, a
// <symbol> or another element drawn only by reference), and the ids of its
// gradient elements.
const LIGHT_TREE = `() => {
  const shapes = ${SHAPES};
  const hidden = ${REFERENCED_ONLY_JSON};
  const root = document.documentElement;
  if (!root || root.localName !== "svg" || document.getElementsByTagNameNS("*", "parsererror").length)
    return { error: "Chromium did not read the document as SVG" };
  const out = [];
  for (const e of document.querySelectorAll("*")) {
    if (!shapes.includes(e.localName)) continue;
    let drawn = true;
    for (let p = e.parentElement; p && drawn; p = p.parentElement) drawn = !hidden.includes(p.localName);
    if (!drawn) continue;
    const style = getComputedStyle(e);
    out.push([e.id, style.fill, style.stroke]);
  }
  const gradients = [...document.querySelectorAll("linearGradient, radialGradient")].map((g) => g.id);
  return { shapes: out, gradients };
}`;

// On a use's shadow root: its shapes (those of nested uses are in their own roots).
const SHADOW_TREE = `function () {
  const shapes = ${SHAPES};
  const hidden = ${REFERENCED_ONLY_JSON};
  const out = [];
  for (const e of this.querySelectorAll("*")) {
    if (!shapes.includes(e.localName)) continue;
    let drawn = true;
    for (let p = e.parentElement; p && p.parentNode !== this && drawn; p = p.parentElement)
      drawn = !hidden.includes(p.localName);
    if (!drawn) continue;
    const style = getComputedStyle(e);
    out.push([e.id, style.fill, style.stroke]);
  }
  return out;
}`;

// Computed paints of one document: a Map from shape key ("s3", or
// "u2>s3" for the instance of s3 that use u2 shows, "u2>u7>s3" nested) to
// {fill, stroke}, and the ids of the document's gradients.
export async function observe(view, file) {
  const { page, cdp } = view;
  await page.goto(pathToFileURL(file).href, { waitUntil: "load", timeout: PAGE_TIMEOUT_MS });
  const light = await page.evaluate(`(${LIGHT_TREE})()`);
  if (light.error) return { error: light.error };
  const paints = new Map();
  const put = (key, fill, stroke) => {
    let k = key;
    for (let n = 2; paints.has(k); ++n) k = `${key}#${n}`;
    paints.set(k, { fill, stroke });
  };
  for (const [id, fill, stroke] of light.shapes) put(id, fill, stroke);

  const { root } = await cdp.send("DOM.getDocument", { depth: -1, pierce: true });
  const idOf = (node) => {
    const a = node.attributes || [];
    for (let i = 0; i + 1 < a.length; i += 2) if (a[i] === "id") return a[i + 1];
    return "";
  };
  const shadowRoots = [];  // [chain of use ids, shadow root node]
  // The uses that are drawn, in the document and (top = false) in instances.
  const walk = (node, chain, top) => {
    if (!top && REFERENCED_ONLY.includes(node.localName)) return;
    if (node.localName === "use")
      for (const r of node.shadowRoots || []) shadowRoots.push([[...chain, idOf(node)], r]);
    for (const c of node.children || []) walk(c, chain, false);
  };
  walk(root, [], false);
  while (shadowRoots.length) {
    const [chain, shadow] = shadowRoots.shift();
    const { object } = await cdp.send("DOM.resolveNode", { backendNodeId: shadow.backendNodeId });
    const { result } = await cdp.send("Runtime.callFunctionOn",
      { objectId: object.objectId, functionDeclaration: SHADOW_TREE, returnByValue: true });
    await cdp.send("Runtime.releaseObject", { objectId: object.objectId });
    for (const [id, fill, stroke] of result.value) put(`${chain.join(">")}>${id}`, fill, stroke);
    // Uses inside the instance have shadow roots of their own.
    for (const c of shadow.children || []) walk(c, chain, true);
  }
  return { paints, gradients: new Set(light.gradients) };
}

// --- Comparing -----------------------------------------------------------------------------

// A computed paint "url("#ID") FALLBACK" as {id, fallback}, or null.
function parseUrl(paint) {
  const m = /^url\("(?:[^"#]*)#([^"]*)"\)\s*(.*)$/.exec(paint || "");
  return m ? { id: m[1], fallback: m[2] } : null;
}

const show = (paint) => (paint === undefined ? "(no such shape)" : paint);

// The wrong paints of one document: [{key, property, input, output, expected}],
// and how many paints were checked and how many were left alone by a warning.
export function compare(input, output, leftAlone) {
  const wrong = [];
  let checked = 0;
  let alone = 0;
  let gradientPaints = 0;
  const keys = [...new Set([...input.paints.keys(), ...output.paints.keys()])];
  for (const key of keys) {
    const before = input.paints.get(key);
    const after = output.paints.get(key);
    const ids = key.split(">").map((k) => k.replace(/#\d+$/, ""));
    for (const property of ["fill", "stroke"]) {
      ++checked;
      const was = before?.[property];
      const now = after?.[property];
      const source = parseUrl(was);
      const gradient = source && input.gradients.has(source.id);
      const said = (id) => leftAlone.has(`${id}|${property}|${source.id}`) || leftAlone.has(`${id}|${property}|*`);
      // A copy drawn by a <use> is left alone when a warning names a <use> on
      // its way; one that names only the shape may be about the shape drawn
      // where it stands, so the copy may then be either kept or rewritten.
      const viaUse = ids.length > 1;
      const shape = ids[ids.length - 1];
      const warned = gradient && (viaUse ? ids.slice(0, -1).some((u) => said(u) || said(`${u}>${shape}`)) : said(shape));
      const shapeWarned = gradient && viaUse && !warned && said(shape);
      if (gradient) ++gradientPaints;
      if (shapeWarned && was === now) {
        ++alone;
      } else if (gradient && !warned) {
        const made = parseUrl(now);
        const from = made && NEW_ID.exec(made.id);
        const ok = from && from[1] === source.id && output.gradients.has(made.id) && !input.gradients.has(made.id) &&
          made.fallback === source.fallback;
        if (!ok) {
          const expected = `url("#${source.id}-evenhue-N")${source.fallback ? " " + source.fallback : ""}`;
          let why = "";
          if (made && from && from[1] === source.id && !output.gradients.has(made.id)) why = " (no such gradient in the output)";
          wrong.push({ key, property, input: show(was), output: show(now), expected: expected + why });
        }
      } else {
        if (warned) ++alone;
        if (was !== now) wrong.push({ key, property, input: show(was), output: show(now), expected: show(was) });
      }
    }
  }
  return { wrong, checked, alone, gradientPaints };
}

// --- Driving it all ------------------------------------------------------------------------

export async function withBrowser(pages, body) {
  const puppeteer = loadPuppeteer();
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), "cascade-diff-chromium-"));
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM, headless: true, userDataDir, timeout: 60_000,
    args: ["--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run", "--allow-file-access-from-files",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
  try {
    const views = [];
    for (let i = 0; i < pages; ++i) {
      const page = await browser.newPage();
      const cdp = await page.createCDPSession();
      views.push({ page, cdp });
    }
    return await body(views);
  } finally {
    await browser.close().catch(() => {});
    fs.rmSync(userDataDir, { recursive: true, force: true });
  }
}

// Each document's input and output observed, `views` pages working in turn.
async function observeAll(views, jobs) {
  const results = new Array(jobs.length);
  let next = 0;
  await Promise.all(views.map(async (view) => {
    while (next < jobs.length) {
      const i = next++;
      const job = jobs[i];
      const read = (file) => observe(view, file).catch((e) => ({ error: e.message.split("\n")[0] }));
      const input = await read(job.input);
      const output = fs.existsSync(job.output) ? await read(job.output) : null;
      results[i] = { input, output };
    }
  }));
  return results;
}

// Checks the documents `names` of `inDir` (outputs of `outDirs` given, or
// made with the command). Returns the totals and prints the wrong paints.
async function check(options, views, inDir, names, outDir, ran, print = console.log, labels = new Map()) {
  const jobs = names.map((n) => ({ name: n, input: path.join(inDir, n), output: path.join(outDir, n) }));
  const seen = await observeAll(views, jobs);
  const totals = { checked: 0, gradientPaints: 0, wrong: 0, documents: 0, alone: 0, refused: 0, byDocument: new Map() };
  for (let i = 0; i < jobs.length; ++i) {
    const { name } = jobs[i];
    const info = ran.perFile.get(name);
    const result = seen[i];
    const label = labels.get(name) || name;
    const lines = [];
    if (result.input.error) throw new Error(`${label}: the input could not be read in Chromium: ${result.input.error}`);
    let output = result.output;
    if (!output || output.error) {
      // A refused document (or an output Chromium cannot read) is as if
      // untouched: its gradient paints are wrong.
      ++totals.refused;
      lines.push(output ? `  unreadable output: ${output.error}` : `  no output: ${info?.refusal || "the command wrote nothing"}`);
      output = { paints: result.input.paints, gradients: result.input.gradients };
    }
    const c = compare(result.input, output, info ? info.leftAlone : new Set());
    const { wrong } = c;
    totals.checked += c.checked;
    totals.alone += c.alone;
    totals.gradientPaints += c.gradientPaints;
    totals.wrong += wrong.length;
    totals.byDocument.set(name, wrong);
    if (wrong.length || lines.length) {
      ++totals.documents;
      print(`${label}: ${wrong.length} of ${c.checked} paints wrong`);
      for (const l of lines) print(l);
      for (const w of wrong)
        print(`  ${w.key} ${w.property}: input ${w.input}, output ${w.output}, expected ${w.expected}`);
    } else if (options.all) {
      print(`${label}: ${c.checked} paints right`);
    }
  }
  return totals;
}

function summary(t) {
  return `${t.checked} paints checked, ${t.wrong} wrong in ${t.documents} documents` +
    ` (${t.gradientPaints} of the paints gradients, ${t.alone} of those left alone with a warning;` +
    ` ${t.refused} documents without output)`;
}

// Documents for the run: the FILEs given, or generated ones.
function prepareInputs(options, work) {
  const inDir = path.join(work, "in");
  fs.mkdirSync(inDir, { recursive: true });
  const names = [];
  const labels = new Map();  // name -> the FILE it is a copy of
  if (options.files.length) {
    for (const f of options.files) {
      let name = path.basename(f);
      for (let n = 2; names.includes(name); ++n) name = `${n}-${path.basename(f)}`;
      fs.copyFileSync(f, path.join(inDir, name));
      names.push(name);
      labels.set(name, f);
    }
  } else {
    for (let i = 0; i < options.count; ++i) {
      const name = documentName(options.seed, i, { plain: options.plain });
      fs.writeFileSync(path.join(inDir, name), generateDocument(options.seed, i, { plain: options.plain }));
      names.push(name);
    }
  }
  return { inDir, names, labels };
}

async function main(options) {
  const work = options.keep || fs.mkdtempSync(path.join(os.tmpdir(), "cascade-diff-"));
  if (options.keep) {
    fs.rmSync(path.join(work, "in"), { recursive: true, force: true });
    fs.rmSync(path.join(work, "out"), { recursive: true, force: true });
  }
  try {
    const start = Date.now();
    const { inDir, names, labels } = prepareInputs(options, work);
    const outDir = path.join(work, "out");
    const ran = runEvenhue(options, inDir, names, outDir);
    const totals = await withBrowser(options.pages,
      (views) => check(options, views, inDir, names, outDir, ran, console.log, labels));
    console.log(`evenhue: ${ran.summary || `exit status ${ran.status}`}`);
    console.log(summary(totals));
    console.log(`(${names.length} documents in ${((Date.now() - start) / 1000).toFixed(1)} s` +
      `${options.keep ? `; inputs in ${inDir}, outputs in ${outDir}` : ""})`);
    if (totals.documents && !options.keep && !options.files.length)
      console.log("(--keep DIR keeps the documents; one alone: node tests/cascade_diff/generate.mjs " +
        `--seed ${options.seed} --first INDEX --count 1${options.plain ? " --plain" : ""} --out DIR)`);
    return totals.wrong === 0 && totals.refused === 0 ? 0 : 1;
  } finally {
    if (!options.keep) fs.rmSync(work, { recursive: true, force: true });
  }
}

// --- Holding the harness to known answers ---------------------------------------------------

// Ways to break an output on purpose. Each takes the output text and returns
// [broken text, id of the shape broken] or null when it does not apply. Only
// a shape's own paint is broken: one written on a group reaches every shape
// inside it, and the check names shapes.
const SABOTAGE = {
  // A rewritten paint pointed back at its source.
  "source kept": (text) => {
    const m = /<(rect|circle|ellipse|path|polygon|line) id="([^"]+)"[^>]*? (fill|stroke)="url\(#(\w+)-evenhue-\d+\)"/.exec(text);
    return m ? [text.replace(m[0], m[0].replace(/-evenhue-\d+\)"$/, ')"')), m[2]] : null;
  },
  // A rewritten paint pointed at a new gradient made from another source.
  "other source": (text) => {
    const news = [...text.matchAll(/<(?:linear|radial)Gradient id="((\w+)-evenhue-\d+)"/g)];
    const m = /<(rect|circle|ellipse|path|polygon|line) id="([^"]+)"[^>]*? (fill|stroke)="url\(#((\w+)-evenhue-\d+)\)"/.exec(text);
    const other = m && news.find((n) => n[2] !== m[5]);
    return other ? [text.replace(m[0], m[0].replace(m[4], other[1])), m[2]] : null;
  },
  // A rewritten paint pointed at a gradient the output lacks.
  "missing gradient": (text) => {
    const m = /<(rect|circle|ellipse|path|polygon|line) id="([^"]+)"[^>]*? (fill|stroke)="url\(#(\w+)-evenhue-\d+\)"/.exec(text);
    return m ? [text.replace(m[0], m[0].replace(/-evenhue-\d+\)"$/, '-evenhue-999)"')), m[2]] : null;
  },
  // A solid colour changed.
  "colour changed": (text) => {
    const m = /<(rect|circle|ellipse|path|polygon|line) id="([^"]+)"[^>]*? fill="(red|green|blue|gold|teal|purple)"/.exec(text);
    return m ? [text.replace(m[0], m[0].replace(`fill="${m[3]}"`, 'fill="black"')), m[2]] : null;
  },
  // A paint added where there was none.
  "paint added": (text) => {
    const m = /<(rect|circle|ellipse|path|polygon|line) id="([^"]+)"(?![^>]*stroke=)[^>]*?(\/?)>/.exec(text);
    return m ? [text.replace(m[0], m[0].replace(/(\/?)>$/, ' stroke="#010203"$1>')), m[2]] : null;
  },
};

const KNOWN_DOCUMENT = `<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink">
  <defs>
    <linearGradient id="g"><stop offset="0" stop-color="red"/><stop offset="1" stop-color="blue"/></linearGradient>
    <rect id="s1" width="5" height="5"/>
    <g id="g1" stroke="green"><rect id="s2" width="5" height="5" fill="url(#g)"/><use id="u9" href="#s1"/></g>
    <symbol id="y1"><circle id="s3" r="3" fill="none"/></symbol>
  </defs>
  <rect id="s4" width="5" height="5" fill="url(#g) red"/>
  <use id="u1" href="#s1" fill="url(#g)"/>
  <use id="u2" href="#g1" fill="blue" stroke="none"/>
  <use id="u3" xlink:href="#y1" stroke="url(#g)"/>
</svg>
`;
const KNOWN_PAINTS = {
  "s4": { fill: 'url("#g") rgb(255, 0, 0)', stroke: "none" },
  "u1>s1": { fill: 'url("#g")', stroke: "none" },
  "u2>s2": { fill: 'url("#g")', stroke: "rgb(0, 128, 0)" },
  "u2>u9>s1": { fill: "rgb(0, 0, 255)", stroke: "rgb(0, 128, 0)" },
  "u3>s3": { fill: "none", stroke: 'url("#g")' },
};

async function selfCheck(options) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), "cascade-diff-self-"));
  const problems = [];
  try {
    const plain = { ...options, files: [], plain: true, seed: SELF_CHECK_SEED, count: SELF_CHECK_COUNT };
    const { inDir, names } = prepareInputs(plain, work);
    const outDir = path.join(work, "out");
    const ran = runEvenhue(plain, inDir, names, outDir);
    const quiet = [];
    await withBrowser(options.pages, async (views) => {
      // Documents without style tricks: nothing may be wrong.
      const clean = await check(plain, views, inDir, names, outDir, ran, (l) => quiet.push(l));
      if (clean.wrong || clean.refused) problems.push(`plain documents: ${summary(clean)}\n${quiet.join("\n")}`);
      else console.log(`ok plain documents: ${summary(clean)}`);
      if (clean.gradientPaints === 0) problems.push("plain documents: no gradient paint was checked");

      // Outputs broken on purpose: flagged, and at the broken element.
      for (const [what, breakIt] of Object.entries(SABOTAGE)) {
        const brokenDir = path.join(work, `broken-${what.replace(/ /g, "-")}`);
        fs.mkdirSync(brokenDir);
        const broken = [];
        for (const name of names) {
          const done = breakIt(fs.readFileSync(path.join(outDir, name), "utf8"));
          if (!done) continue;
          fs.writeFileSync(path.join(brokenDir, name), done[0]);
          broken.push([name, done[1]]);
        }
        if (broken.length === 0) {
          problems.push(`${what}: no output could be broken this way`);
          continue;
        }
        const t = await check(plain, views, inDir, broken.map(([n]) => n), brokenDir, ran, () => {});
        const missed = broken.filter(([n, id]) => !t.byDocument.get(n).some((w) => w.key === id));
        if (missed.length)
          problems.push(`${what}: not flagged at the broken shape in ${missed.map(([n, id]) => `${n} (${id})`).join(", ")}`);
        else console.log(`ok ${what}: ${broken.length} outputs broken, each flagged at its shape (${t.wrong} wrong)`);
      }
    });

    // What Chromium draws, read back: shapes in <defs> and <symbol> are not
    // drawn; instances inherit from their use, nested ones from every use
    // and clone above them.
    const known = path.join(work, "known.svg");
    fs.writeFileSync(known, KNOWN_DOCUMENT);
    const read = await withBrowser(1, ([view]) => observe(view, known));
    const got = JSON.stringify([...read.paints].sort());
    const want = JSON.stringify(Object.entries(KNOWN_PAINTS).sort());
    if (got !== want) problems.push(`use instances: read ${got}, expected ${want}`);
    else console.log(`ok use instances: ${read.paints.size} shapes read as expected`);

    // The comparison itself on hand-written observations.
    const obs = (entries, gradients) => ({ paints: new Map(entries), gradients: new Set(gradients) });
    const input = obs([["s1", { fill: 'url("#g")', stroke: "none" }], ["u1>s2", { fill: 'url("#g") rgb(255, 0, 0)', stroke: 'url("#h")' }]], ["g", "h"]);
    const cases = [
      ["all rewritten", obs([["s1", { fill: 'url("#g-evenhue-1")', stroke: "none" }], ["u1>s2", { fill: 'url("#g-evenhue-2") rgb(255, 0, 0)', stroke: 'url("#h-evenhue-1")' }]], ["g", "h", "g-evenhue-1", "g-evenhue-2", "h-evenhue-1"]), new Set(), []],
      ["fallback lost", obs([["s1", { fill: 'url("#g-evenhue-1")', stroke: "none" }], ["u1>s2", { fill: 'url("#g-evenhue-2")', stroke: 'url("#h-evenhue-1")' }]], ["g", "h", "g-evenhue-1", "g-evenhue-2", "h-evenhue-1"]), new Set(), ["u1>s2 fill"]],
      ["instance kept, not warned", obs([["s1", { fill: 'url("#g-evenhue-1")', stroke: "none" }], ["u1>s2", { fill: 'url("#g") rgb(255, 0, 0)', stroke: 'url("#h")' }]], ["g", "h", "g-evenhue-1"]), new Set(), ["u1>s2 fill", "u1>s2 stroke"]],
      ["instance kept, warned on the use", obs([["s1", { fill: 'url("#g-evenhue-1")', stroke: "none" }], ["u1>s2", { fill: 'url("#g") rgb(255, 0, 0)', stroke: 'url("#h")' }]], ["g", "h", "g-evenhue-1"]), new Set(["u1|fill|g", "s2|stroke|*"]), []],
      ["instance rewritten, warned on the shape", obs([["s1", { fill: 'url("#g-evenhue-1")', stroke: "none" }], ["u1>s2", { fill: 'url("#g") rgb(255, 0, 0)', stroke: 'url("#h-evenhue-1")' }]], ["g", "h", "g-evenhue-1", "h-evenhue-1"]), new Set(["u1|fill|g", "s2|stroke|h"]), []],
      ["instance on another source, warned on the shape", obs([["s1", { fill: 'url("#g-evenhue-1")', stroke: "none" }], ["u1>s2", { fill: 'url("#g") rgb(255, 0, 0)', stroke: 'url("#g-evenhue-1")' }]], ["g", "h", "g-evenhue-1"]), new Set(["u1|fill|g", "s2|stroke|h"]), ["u1>s2 stroke"]],
      ["warned but changed", obs([["s1", { fill: 'url("#g-evenhue-1")', stroke: "none" }], ["u1>s2", { fill: 'url("#g") rgb(255, 0, 0)', stroke: 'url("#h-evenhue-1")' }]], ["g", "h", "g-evenhue-1", "h-evenhue-1"]), new Set(["u1|fill|g", "u1|stroke|*"]), ["u1>s2 stroke"]],
      ["warned about another gradient", obs([["s1", { fill: 'url("#g-evenhue-1")', stroke: "none" }], ["u1>s2", { fill: 'url("#g") rgb(255, 0, 0)', stroke: 'url("#h-evenhue-1")' }]], ["g", "h", "g-evenhue-1", "h-evenhue-1"]), new Set(["u1|fill|h"]), ["u1>s2 fill"]],
      ["shape lost", obs([["s1", { fill: 'url("#g-evenhue-1")', stroke: "none" }]], ["g", "h", "g-evenhue-1"]), new Set(), ["u1>s2 fill", "u1>s2 stroke"]],
      ["wrong source, none painted", obs([["s1", { fill: 'url("#h-evenhue-1")', stroke: 'url("#g-evenhue-1")' }], ["u1>s2", { fill: 'url("#g-evenhue-2") rgb(255, 0, 0)', stroke: 'url("#h-evenhue-2")' }]], ["g", "h", "g-evenhue-1", "g-evenhue-2", "h-evenhue-1", "h-evenhue-2"]), new Set(), ["s1 fill", "s1 stroke"]],
    ];
    for (const [name, output, warned, expected] of cases) {
      const got = compare(input, output, warned).wrong.map((w) => `${w.key} ${w.property}`);
      if (JSON.stringify(got) !== JSON.stringify(expected))
        problems.push(`comparison '${name}': flagged ${JSON.stringify(got)}, expected ${JSON.stringify(expected)}`);
    }
    // The warnings that say a paint was left alone, as the command words them.
    const warnings = [
      ["<rect id='s1'>: fill gradient 'gradA' (1 stops) was left alone by the plug-in", ["s1|fill|gradA"]],
      ["<use id='u2'>: stroke 'url(#gradB) red' refers to nothing; left as it is, its fallback drawn", ["u2|stroke|gradB"]],
      ["<g id='g1'>: stroke paint left alone", ["g1|stroke|*"]],
      ["<use id='u1'>: fill gradient 'gA' of the <rect id='s3'> it draws left alone: the declaration that paints it paints others differently", ["u1>s3|fill|gA"]],
      ["<rect id='s1'>: fill 'bogus' (attribute) is not a paint; the declaration is ignored", []],
      ["style sheet: rule '@media print' skipped: at-rule", []],
    ];
    for (const [line, expected] of warnings) {
      const got = new Set();
      noteLeftAlone(got, line);
      if (JSON.stringify([...got]) !== JSON.stringify(expected))
        problems.push(`comparison: warning '${line}' read as ${JSON.stringify([...got])}, expected ${JSON.stringify(expected)}`);
    }
    if (!problems.some((p) => p.startsWith("comparison")))
      console.log(`ok comparison: ${cases.length} hand-written cases, ${warnings.length} warnings`);
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
  for (const p of problems) console.log(`FAIL ${p}`);
  return problems.length ? 1 : 0;
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const options = parseArgs(process.argv.slice(2));
  (options.selfCheck ? selfCheck(options) : main(options)).then((code) => process.exit(code), (e) => {
    console.error(`cascade_diff: ${e.stack || e.message}`);
    process.exit(2);
  });
}
