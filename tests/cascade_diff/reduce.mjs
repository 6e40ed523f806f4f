#!/usr/bin/env node
// Shrinks a document that run.mjs flags to a small one that fails the same
// way: the same shape and property, the same input paint and the same kind of
// output paint. Whole elements, style-sheet lines, attributes and
// declarations are taken away one at a time while the failure stays.
// Made for the documents of generate.mjs (one element or rule per line).
//
//   node tests/cascade_diff/reduce.mjs --evenhue EVENHUE DOC.svg KEY PROPERTY [--out CASE.md] [--as-is]
//
// --as-is writes the case file for the document as it is, without shrinking it.
// KEY is the shape as run.mjs names it ("s3", "u2>s3"). The case file holds
// the reduced input, what Chromium computes for it before and after, the
// command's warnings and the output it wrote.

import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { spawnSync } from "node:child_process";
import { compare, noteLeftAlone, observe, withBrowser } from "./run.mjs";

function usage(message) {
  console.error(`reduce: ${message}`);
  console.error("usage: node tests/cascade_diff/reduce.mjs --evenhue EVENHUE DOC.svg KEY PROPERTY [--out CASE.md] [--as-is]");
  process.exit(2);
}

const args = process.argv.slice(2);
const take = (name) => {
  const i = args.indexOf(name);
  if (i < 0) return null;
  const [value] = args.splice(i, 2).slice(1);
  return value;
};
const evenhue = take("--evenhue");
const out = take("--out");
const asIs = args.includes("--as-is") ? (args.splice(args.indexOf("--as-is"), 1), true) : false;
if (!evenhue || args.length !== 3) usage("wrong arguments");
const [docPath, key, property] = args;

const work = fs.mkdtempSync(path.join(os.tmpdir(), "cascade-diff-reduce-"));
const input = path.join(work, "case.svg");
const output = path.join(work, "case-out.svg");

function apply(text) {
  fs.writeFileSync(input, text);
  fs.rmSync(output, { force: true });
  const report = path.join(work, "report.json");
  fs.rmSync(report, { force: true });
  const run = spawnSync(evenhue, ["apply", "case.svg", "-o", output, "--report", report], { cwd: work, encoding: "utf8" });
  // Standard error shows the first warnings only; the report has them all.
  const leftAlone = new Set();
  const warnings = fs.existsSync(report) ? JSON.parse(fs.readFileSync(report, "utf8")).warnings || [] : [];
  for (const w of warnings) noteLeftAlone(leftAlone, w);
  return { stderr: run.stderr, leftAlone, wrote: fs.existsSync(output) };
}

const normal = (paint) => paint.replace(/-evenhue-\d+/g, "-evenhue-N");

// The failure's signature, or null when the shape's paint is right.
async function failure(view, text) {
  const ran = apply(text);
  const before = await observe(view, input);
  if (before.error) return null;
  const after = ran.wrote ? await observe(view, output) : before;
  if (after.error) return null;
  const wrong = compare(before, after, ran.leftAlone).wrong.find((w) => w.key === key && w.property === property);
  return wrong ? { signature: `${wrong.input} -> ${normal(wrong.output)}, not ${wrong.expected}`, wrong, ran } : null;
}

// The ways to make `text` smaller, biggest first.
function* smaller(text) {
  const lines = text.split("\n");
  const without = (from, to) => [...lines.slice(0, from), ...lines.slice(to)].join("\n");
  const indent = (l) => l.length - l.trimStart().length;
  // Whole elements with what they hold.
  for (let i = 0; i < lines.length; ++i) {
    const m = /^\s*<(\w+)( |>|\/>)/.exec(lines[i]);
    if (!m || m[1] === "svg" || m[1] === "defs" || m[1] === "stop") continue;
    let end = i + 1;
    if (!/\/>\s*$/.test(lines[i]) && !lines[i].includes(`</${m[1]}>`)) {
      while (end < lines.length && !(lines[end].includes(`</${m[1]}>`) && (m[1] === "style" || indent(lines[end]) === indent(lines[i])))) ++end;
      ++end;
    }
    yield without(i, end);
  }
  // Lines of a style sheet.
  let inSheet = false;
  for (let i = 0; i < lines.length; ++i) {
    if (/<style/.test(lines[i])) { inSheet = true; continue; }
    if (/<\/style>/.test(lines[i])) { inSheet = false; continue; }
    if (inSheet && lines[i].trim() && !/CDATA|\]\]>/.test(lines[i])) yield without(i, i + 1);
  }
  // Attributes, and parts of lists: selectors, declarations.
  for (let i = 0; i < lines.length; ++i) {
    const line = lines[i];
    const replaceLine = (l) => [...lines.slice(0, i), l, ...lines.slice(i + 1)].join("\n");
    for (const m of line.matchAll(/ ([\w:-]+)="([^"]*)"/g)) {
      if (/^(id|xmlns.*|href|xlink:href|offset)$/.test(m[1])) continue;
      yield replaceLine(line.replace(m[0], ""));
      if (m[1] === "style" || m[1] === "class") {
        // Declarations end at ";", not at the one that ends an entity (&quot;).
        const parts = m[2].split(m[1] === "class" ? " " : /(?<!&\w+);/);
        for (let k = 0; k < parts.length && parts.length > 1; ++k)
          yield replaceLine(line.replace(m[0], ` ${m[1]}="${parts.filter((_, j) => j !== k).join(m[1] === "class" ? " " : ";")}"`));
      }
    }
    const rule = /\{([^{}]*)\}/g;
    for (const m of line.matchAll(rule)) {
      const parts = m[1].split(";");
      for (let k = 0; k < parts.length && parts.length > 1; ++k)
        yield replaceLine(line.replace(m[0], `{${parts.filter((_, j) => j !== k).join(";")}}`));
    }
    const selectors = /^(\s*)([^{@]+?)\s*\{/.exec(line);
    if (selectors && selectors[2].includes(",")) {
      const list = selectors[2].split(",");
      for (let k = 0; k < list.length; ++k)
        yield replaceLine(line.replace(selectors[2], list.filter((_, j) => j !== k).join(",").trim()));
    }
    const media = /^(\s*)@media \w+ \{ (.*) \}\s*$/.exec(line);
    if (media) yield replaceLine(`${media[1]}${media[2]}`);
  }
}

const text0 = fs.readFileSync(docPath, "utf8");
const code = await withBrowser(1, async ([view]) => {
  const first = await failure(view, text0);
  if (!first) {
    console.error(`reduce: ${docPath}: ${key} ${property} is not wrong`);
    return 1;
  }
  let text = text0;
  let last = first;
  let tries = 0;
  for (let progress = !asIs; progress;) {
    progress = false;
    for (const candidate of smaller(text)) {
      ++tries;
      const f = await failure(view, candidate);
      if (f && f.signature === first.signature) {
        text = candidate;
        last = f;
        progress = true;
        break;
      }
    }
  }
  const outText = fs.existsSync(output) ? (await failure(view, text), fs.readFileSync(output, "utf8")) : "(no output)";
  const w = last.wrong;
  const report = [
    `${key} ${property}: Chromium computes ${w.input} for the input and ${w.output} for the output; ` +
    `expected ${w.expected}.`,
    "", "## Input", "", "```svg", text.trimEnd(), "```", "",
    "## evenhue apply (warnings)", "", "```", last.ran.stderr.trimEnd() || "(none)", "```", "",
    "## Output", "", "```svg", outText.trimEnd(), "```", "",
  ].join("\n");
  if (out) fs.writeFileSync(out, report); else console.log(report);
  console.error(`reduce: ${text0.length} -> ${text.length} bytes in ${tries} tries`);
  return 0;
});
fs.rmSync(work, { recursive: true, force: true });
process.exit(code);
