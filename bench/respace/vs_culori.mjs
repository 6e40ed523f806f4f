#!/usr/bin/env node
// `evenhue respace` against culori (the npm colour library) on the same batch:
// 10 000 three-stop gradients, the batch bench_cli's BM_Respace10kThreeStops
// times. Both sides are whole processes, fed the batch file on standard input
// and writing one answer line per gradient to a file, timed the same way, in
// pairs (culori, then evenhue with each --jobs asked for) so that both sides of
// a pair see the same spell of the machine.
//
// culori's side does what the plug-in does, with culori's own pieces: the
// stops blended in CIELAB (D65) at 256 evenly spaced positions, each segment
// eased by its stop's midpoint as the plug-in eases it (t scaled onto 0–0.5
// before the midpoint and onto 0.5–1 after it, the midpoint kept to 13–87 %),
// the samples converted back to RGB and clamped, then blended in RGB to
// 4n − 3 evenly spaced stops. culori has no colour management for CMYK, so
// its side turns CMYK into RGB with the naive formula; the agreement printed
// at the end is therefore over the lines without CMYK.
//
//   cd bench/respace && npm ci
//   node bench/respace/vs_culori.mjs --evenhue build/release/bin/evenhue [--plugin build/release/bin/Evenhue.so]
//        [--jobs 1,2] [--runs 7] [--write-batch FILE]
//
// --jobs lists the --jobs values to time evenhue with ("default" for none given;
// a command without the option, such as an older build, needs "default").
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";

const kGradients = 10_000;
const kFineSamples = 256;

// --- The batch ----------------------------------------------------------------------
//
// The generator of bench/cli/respace_input.hpp, step for step, so that the
// batch is byte for byte the one bench_cli writes.

class Random {
  constructor() { this.state = 0x9e3779b97f4a7c15n; }
  next() {
    this.state = (this.state * 6364136223846793005n + 1442695040888963407n) & 0xffffffffffffffffn;
    return Number(this.state >> 33n);
  }
  unit() { return this.next() / 2147483648.0; }
  int(low, high) { return low + (this.next() % (high - low + 1)); }
}

// printf's %.Ng: N significant digits, trailing zeros dropped (the numbers
// here never need the exponent form).
const g = (value, digits) => {
  const text = value.toPrecision(digits);
  return text.includes(".") ? text.replace(/0+$/, "").replace(/\.$/, "") : text;
};
const hexByte = (v) => v.toString(16).padStart(2, "0");

function batch() {
  const r = new Random();
  const lines = [];
  for (let i = 0; i < kGradients; ++i) {
    let text = i % 3 === 2 ? '{"type": "radial", "stops": [' : '{"type": "linear", "stops": [';
    const positions = [0, 10 + 80 * r.unit(), 100];
    for (let s = 0; s < 3; ++s) {
      if (s) text += ", ";
      text += `{"position": ${g(positions[s], 4)}, "color": `;
      const form = (i + s) % 4;
      if (form === 0) {
        // The C++ compiler evaluates the three arguments of its snprintf last first.
        const b = r.int(0, 255), gr = r.int(0, 255), red = r.int(0, 255);
        text += `"#${hexByte(red)}${hexByte(gr)}${hexByte(b)}"`;
      } else if (form === 3 && i % 10 === 0) {
        const k = r.unit() / 2, y = r.unit(), m = r.unit(), c = r.unit();
        text += `{"cmyk": [${c.toFixed(3)}, ${m.toFixed(3)}, ${y.toFixed(3)}, ${k.toFixed(3)}]}`;
      } else {
        const b = r.unit(), gr = r.unit(), red = r.unit();
        text += `{"rgb": [${red.toFixed(6)}, ${gr.toFixed(6)}, ${b.toFixed(6)}]}`;
      }
      if (s < 2 && i % 2) text += `, "midpoint": ${g(20 + 60 * r.unit(), 3)}`;
      if (i % 5 === 0) text += `, "opacity": ${g(0.5 + r.unit() / 2, 3)}`;
      text += "}";
    }
    lines.push(text + "]}\n");
  }
  return lines.join("");
}

// --- culori's side (this script run with --culori, the batch on standard input) --------

async function culoriSide() {
  const { parse, converter, interpolate, clampRgb, formatHex, lerp, samples } = await import("culori");
  const toRgb = converter("rgb");
  const clampMidpoint = (percent) => Math.min(0.87, Math.max(0.13, percent / 100));
  const ease = (m) => (t) => (t < m ? (t / m) * 0.5 : 0.5 + ((t - m) / (1 - m)) * 0.5);

  const colourOf = (c) => {
    if (typeof c === "string") return toRgb(parse(c));
    if (c.rgb) return { mode: "rgb", r: c.rgb[0], g: c.rgb[1], b: c.rgb[2] };
    const [cyan, magenta, yellow, black] = c.cmyk;
    return { mode: "rgb", r: (1 - cyan) * (1 - black), g: (1 - magenta) * (1 - black), b: (1 - yellow) * (1 - black) };
  };

  const respace = (line) => {
    const gradient = JSON.parse(line);
    const type = gradient.type ?? "linear";
    const stops = gradient.stops.map((s) => {
      const colour = colourOf(s.color);
      return { colour: { ...colour, alpha: (colour.alpha ?? 1) * (s.opacity ?? 1) }, position: s.position / 100,
        midpoint: clampMidpoint(s.midpoint ?? 50) };
    });
    const n = stops.length;
    // First pass: CIELAB at 256 positions, each segment eased by its midpoint.
    const items = [];
    stops.forEach((s, k) => {
      items.push([s.colour, s.position]);
      if (k + 1 < n) items.push(ease(s.midpoint));
    });
    const inLab = interpolate(items, "lab65");
    const fine = [];
    const fineMidpoints = [];
    for (const p of samples(kFineSamples)) {
      fine.push(clampRgb(toRgb(inLab(p))));
      // The midpoint of the segment p lies in, or of the end stop outside them.
      let next = 0;
      while (next < n && stops[next].position <= p) ++next;
      fineMidpoints.push(stops[next === 0 ? 0 : next === n ? n - 1 : next - 1].midpoint);
    }
    // Second pass: RGB between neighbouring samples, to 4n − 3 stops.
    const count = 4 * n - 3;
    const out = [];
    for (let i = 0; i < count; ++i) {
      const p = i / (count - 1);
      const k = Math.min(kFineSamples - 2, Math.floor(p * (kFineSamples - 1)));
      const a = fine[k], b = fine[k + 1];
      const t = ease(fineMidpoints[k])(p * (kFineSamples - 1) - k);
      const c = { mode: "rgb", r: lerp(a.r, b.r, t), g: lerp(a.g, b.g, t), b: lerp(a.b, b.b, t),
        alpha: lerp(a.alpha ?? 1, b.alpha ?? 1, t) };
      out.push({ position: p * 100, color: { rgb: [c.r, c.g, c.b] }, hex: formatHex(c), opacity: c.alpha,
        midpoint: fineMidpoints[k] * 100 });
    }
    return JSON.stringify({ type, stops: out });
  };

  const text = fs.readFileSync(0, "utf8");
  const answers = [];
  for (const line of text.split("\n")) if (line) answers.push(respace(line));
  fs.writeSync(1, answers.join("\n") + "\n");
}

// --- The comparison ---------------------------------------------------------------------

function run(command, args, input, output) {
  const inFd = fs.openSync(input, "r"), outFd = fs.openSync(output, "w");
  const started = process.hrtime.bigint();
  const result = spawnSync(command, args, { stdio: [inFd, outFd, "pipe"] });
  const seconds = Number(process.hrtime.bigint() - started) / 1e9;
  fs.closeSync(inFd);
  fs.closeSync(outFd);
  if (result.status !== 0) throw new Error(`${command} ${args.join(" ")} failed (${result.status}): ${result.stderr}`);
  const lines = fs.readFileSync(output, "utf8").split("\n").filter(Boolean);
  if (lines.length !== kGradients) throw new Error(`${command} wrote ${lines.length} lines, not ${kGradients}`);
  return seconds;
}

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
};

// The largest difference of an RGB channel between the two answers, over the
// lines without CMYK.
function agreement(input, culoriOut, evenhueOut) {
  const inputs = fs.readFileSync(input, "utf8").split("\n");
  const a = fs.readFileSync(culoriOut, "utf8").split("\n"), b = fs.readFileSync(evenhueOut, "utf8").split("\n");
  let largest = 0, compared = 0;
  for (let i = 0; i < kGradients; ++i) {
    if (inputs[i].includes("cmyk")) continue;
    const x = JSON.parse(a[i]).stops, y = JSON.parse(b[i]).stops;
    if (x.length !== y.length) throw new Error(`line ${i + 1}: ${x.length} stops against ${y.length}`);
    for (let k = 0; k < x.length; ++k)
      for (let c = 0; c < 3; ++c) largest = Math.max(largest, Math.abs(x[k].color.rgb[c] - y[k].color.rgb[c]));
    ++compared;
  }
  return { largest, compared };
}

async function main() {
  const args = { runs: "7", jobs: "default" };
  for (let i = 2; i < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, "")] = process.argv[i + 1];
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "evenhue-vs-culori-"));
  const input = path.join(scratch, "batch.jsonl");
  fs.writeFileSync(input, batch());
  if (args["write-batch"]) {
    fs.copyFileSync(input, args["write-batch"]);
    return;
  }
  if (!args.evenhue) {
    console.error("vs_culori: --evenhue PATH is required");
    process.exit(2);
  }
  const evenhue = path.resolve(args.evenhue);
  const plugin = args.plugin ? ["--plugin", path.resolve(args.plugin)] : [];
  const jobs = args.jobs.split(",");
  const runs = Number(args.runs);
  const self = fileURLToPath(import.meta.url);
  const culoriOut = path.join(scratch, "culori.jsonl"), evenhueOut = path.join(scratch, "evenhue.jsonl");

  const times = { culori: [] };
  for (const j of jobs) times[j] = [];
  for (let r = 0; r < runs; ++r) {
    times.culori.push(run(process.execPath, [self, "--culori", "1"], input, culoriOut));
    for (const j of jobs)
      times[j].push(run(evenhue, ["respace", ...plugin, ...(j === "default" ? [] : ["--jobs", j])], input, evenhueOut));
  }
  const fmt = (s) => s.toFixed(3);
  console.log(`${kGradients} three-stop gradients, ${runs} paired runs, whole processes, seconds`);
  console.log(`culori:                 median ${fmt(median(times.culori))}  (${times.culori.map(fmt).join(" ")})`);
  for (const j of jobs) {
    const label = j === "default" ? "evenhue respace:" : `evenhue respace -j ${j}:`;
    const ratios = times.culori.map((c, k) => c / times[j][k]);
    console.log(`${label.padEnd(23)} median ${fmt(median(times[j]))}  (${times[j].map(fmt).join(" ")})`);
    console.log(`${"".padEnd(23)} culori / evenhue: ${median(ratios).toFixed(2)} (median of the pairs' ratios)`);
  }
  if (jobs.length > 1) {
    const base = median(times[jobs[0]]);
    for (const j of jobs.slice(1))
      console.log(`-j ${jobs[0]} / -j ${j}: ${(base / median(times[j])).toFixed(2)}`);
  }
  const { largest, compared } = agreement(input, culoriOut, evenhueOut);
  console.log(`the answers agree on ${compared} lines without CMYK to within ${largest.toExponential(2)} per RGB channel`);
  fs.rmSync(scratch, { recursive: true, force: true });
}

if (process.argv.includes("--culori")) await culoriSide();
else await main();
