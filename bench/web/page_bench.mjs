#!/usr/bin/env node
// Times the page against the command on one drawing: the page opened from
// file:// in Debian's headless Chromium, the file chosen through its file
// input, until it shows the result (the download and the table), until the
// last CIEDE2000 figure is in and until both pictures are drawn (asked for at
// once when the page offers to draw them on request); the longest task on the
// page's thread (a long-task observer's), while the run goes to its last
// figure and while the pictures are drawn; the engine's re-spacing alone
// (WebAssembly, in the page's worker); and `evenhue apply` on the same file,
// with and without the report (the page always makes one). Medians of the
// runs, in seconds.
//
//   node bench/web/page_bench.mjs --page build/wasm/page --evenhue build/release/bin/evenhue \
//        --plugin build/release/bin/Evenhue.so --drawing FILE [--runs 5]
import { spawnSync } from "node:child_process";
import { createRequire } from "node:module";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, "..", "..", "tests", "web", "package.json"));
const puppeteer = require("puppeteer-core");

const args = { runs: "5" };
for (let i = 2; i + 1 < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, "")] = process.argv[i + 1];
for (const key of ["page", "evenhue", "plugin", "drawing"]) {
  if (!args[key]) {
    console.error(`page_bench: --${key} is required`);
    process.exit(2);
  }
}
const runs = Number(args.runs);
const drawing = path.resolve(args.drawing);
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "evenhue-page-bench-"));

function command(extra) {
  const times = [];
  for (let i = 0; i < runs; ++i) {
    const started = process.hrtime.bigint();
    const run = spawnSync(path.resolve(args.evenhue), ["apply", "--plugin", path.resolve(args.plugin), drawing,
      "-o", path.join(scratch, "out.svg"), ...extra], { stdio: ["ignore", "ignore", "pipe"] });
    if (run.status !== 0) throw new Error(`evenhue apply failed: ${run.stderr}`);
    times.push(Number(process.hrtime.bigint() - started) / 1e9);
  }
  return median(times);
}

async function page() {
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium", headless: "new", userDataDir: path.join(scratch, "profile"),
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync"],
  });
  try {
    const tab = await browser.newPage();
    const loadStart = Date.now();
    await tab.goto(pathToFileURL(path.join(path.resolve(args.page), "index.html")).href);
    await tab.waitForFunction(() => document.body.dataset.state === "ready", { timeout: 120_000 });
    const load = (Date.now() - loadStart) / 1000;
    const measured = { engine: [], shown: [], figures: [], pictures: [], longest: [], longestPictures: [] };
    await tab.evaluate(() => {
      window.longTasksByBench = [];
      window.longTaskObserverByBench = new PerformanceObserver((list) => window.longTasksByBench.push(...list.getEntries()));
      window.longTaskObserverByBench.observe({ type: "longtask" });
    });
    const finished = () => tab.waitForFunction(() => ["done", "error"].includes(document.body.dataset.state),
      { timeout: 600_000 });
    for (let i = 0; i < runs; ++i) {
      await tab.evaluate(() => { document.body.dataset.state = "ready"; });
      await (await tab.$("input[type=file]")).uploadFile(drawing);
      await finished();
      // A page that draws the pictures of a large drawing on request.
      if (await tab.evaluate(() => { const offer = document.getElementById("picture-offer"); return offer && !offer.hidden; })) {
        await tab.click("#draw-pictures");
        await tab.waitForFunction(() => window.evenhueTimes.pictures !== undefined, { timeout: 600_000 });
        await finished();
      }
      const result = await tab.evaluate(() => {
        const t = window.evenhueTimes;
        window.longTasksByBench.push(...window.longTaskObserverByBench.takeRecords());
        const longest = (from, to) => Math.max(0, ...window.longTasksByBench
          .filter((e) => e.startTime >= from && e.startTime < to).map((e) => e.duration)) / 1000;
        // The pictures drawn after the last figure (on request, or the one of
        // the drawing as it was) from there; drawn before it, from the start.
        const picturesFrom = t.pictures > t.figures ? t.figures : t.chosen;
        const measured = { state: document.body.dataset.state, error: window.evenhueLast.error,
          engine: window.evenhueLast.seconds, shown: (t.shown - t.chosen) / 1000, figures: (t.figures - t.chosen) / 1000,
          pictures: (t.pictures - t.chosen) / 1000, longest: longest(t.chosen, t.figures),
          longestPictures: longest(picturesFrom, Infinity) };
        window.longTasksByBench.length = 0;
        return measured;
      });
      if (result.state !== "done") throw new Error(`the page refused the drawing: ${result.error}`);
      for (const key of Object.keys(measured)) measured[key].push(result[key]);
    }
    return { load, ...Object.fromEntries(Object.entries(measured).map(([k, v]) => [k, median(v)])) };
  } finally {
    await browser.close();
  }
}

try {
  const measured = await page();
  const rows = [
    ["page: open until ready (once)", measured.load],
    ["page: re-spacing in the engine", measured.engine],
    ["page: file chosen until the result", measured.shown],
    ["page: file chosen until the last figure", measured.figures],
    ["page: file chosen until both pictures", measured.pictures],
    ["page: longest task until the last figure", measured.longest],
    ["page: longest task drawing the pictures", measured.longestPictures],
    ["command: apply", command([])],
    ["command: apply --report", command(["--report", path.join(scratch, "report.json")])],
  ];
  console.log(`${path.basename(drawing)}, ${(fs.statSync(drawing).size / 1e6).toFixed(1)} MB, median of ${runs} runs`);
  for (const [name, seconds] of rows) console.log(`${name.padEnd(40)} ${seconds.toFixed(2)} s`);
} finally {
  fs.rmSync(scratch, { recursive: true, force: true });
}
