#!/usr/bin/env node
// Drives the browser page (web/ as built into build/wasm/page/) in headless
// Chromium and holds every answer it shows against the native command,
// `evenhue apply`, run on the same file.
//
//   node tests/web/page_test.mjs --page DIR --evenhue EVENHUE --plugin Evenhue.so
//        [--screenshot PNG] [FILE...]
//
// Without FILEs it runs the list in tests/web/files.txt. One line per check,
// "ok NAME" or "FAIL NAME: why", then "N passed, N failed"; exit status 1 on
// any failure, 2 on bad usage.

import { spawnSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";
import zlib from "node:zlib";
import puppeteer from "puppeteer-core";

// The page draws its comparison strips with Chromium's SVG renderer, the
// command with librsvg: the two anti-alias and round colours differently, so
// the CIEDE2000 figures of the same gradient agree only this closely.
const DELTA_E_TOLERANCE = 0.5;

const CHROMIUM = "/usr/bin/chromium";
const FILE_TIMEOUT_MS = 60_000;
const START_TIMEOUT_MS = 60_000;
const OVERALL_TIMEOUT_MS = 20 * 60_000;
const OPENCLIPART = "/usr/share/openclipart/svg";
const SCREENSHOT_SAMPLE = "examples/7-nested-groups.svg";
const FILE_URL_SAMPLE = "examples/1-blue-to-yellow.svg";
const DROP_SAMPLE = "examples/3-radial.svg";

const here = path.dirname(fileURLToPath(import.meta.url));
const sourceDir = path.resolve(here, "..", "..");

function usage(message) {
  console.error(`page_test: ${message}`);
  console.error("usage: node tests/web/page_test.mjs --page DIR --evenhue EVENHUE --plugin PLUGIN [--screenshot PNG] [FILE...]");
  process.exit(2);
}

function parseArgs(argv) {
  const options = { files: [] };
  for (let i = 0; i < argv.length; ++i) {
    const arg = argv[i];
    const key = { "--page": "page", "--evenhue": "evenhue", "--plugin": "plugin", "--screenshot": "screenshot" }[arg];
    if (key) {
      if (i + 1 >= argv.length) usage(`${arg} needs a value`);
      options[key] = path.resolve(argv[++i]);
    } else if (arg.startsWith("--")) {
      usage(`unknown option ${arg}`);
    } else {
      options.files.push({ label: arg, path: path.resolve(arg) });
    }
  }
  for (const key of ["page", "evenhue", "plugin"]) if (!options[key]) usage(`--${key} is required`);
  if (!fs.existsSync(path.join(options.page, "index.html"))) usage(`no index.html in ${options.page}`);
  return options;
}

// The list file's entries as {label, path}, or {label, missing} when a
// clip-art file (or the whole package) is not on this machine.
function listedFiles() {
  const entries = [];
  const lines = fs.readFileSync(path.join(here, "files.txt"), "utf8").split("\n");
  for (const raw of lines) {
    const line = raw.trim();
    if (line === "" || line.startsWith("#")) continue;
    if (line.startsWith("openclipart:")) {
      const file = path.join(OPENCLIPART, line.slice("openclipart:".length));
      entries.push(fs.existsSync(file) ? { label: line, path: file }
        : { label: line, missing: fs.existsSync(OPENCLIPART) ? `${file} is not there`
          : `${OPENCLIPART} is missing: install Debian's openclipart-svg package` });
    } else if (line.endsWith("*.svg")) {
      const dir = path.join(sourceDir, path.dirname(line));
      const names = fs.existsSync(dir) ? fs.readdirSync(dir).filter((n) => n.endsWith(".svg")).sort() : [];
      if (names.length === 0) entries.push({ label: line, missing: `no .svg file in ${dir}` });
      for (const n of names) entries.push({ label: path.join(path.dirname(line), n), path: path.join(dir, n) });
    } else {
      entries.push({ label: line, path: path.join(sourceDir, line) });
    }
  }
  return entries;
}

const CONTENT_TYPES = { ".html": "text/html; charset=utf-8", ".js": "text/javascript; charset=utf-8",
  ".css": "text/css; charset=utf-8", ".wasm": "application/wasm", ".json": "application/json",
  ".svg": "image/svg+xml", ".png": "image/png" };

// Static files from `root` on 127.0.0.1, on a port the system chooses.
function serve(root) {
  const server = http.createServer((req, res) => {
    const pathname = new URL(req.url, "http://127.0.0.1").pathname;
    let file = null;
    try { file = path.join(root, path.normalize(decodeURIComponent(pathname))); } catch { /* bad escape */ }
    if (req.method !== "GET") return res.writeHead(405).end();
    if (!file || !file.startsWith(root + path.sep)) return res.writeHead(403).end();
    fs.readFile(file, (err, body) => {
      if (err) return res.writeHead(404).end();
      const type = CONTENT_TYPES[path.extname(file).toLowerCase()] || "application/octet-stream";
      res.writeHead(200, { "Content-Type": type, "Cache-Control": "no-store" }).end(body);
    });
  });
  server.requestTimeout = 30_000;
  server.headersTimeout = 10_000;
  return new Promise((resolve, reject) => server.once("error", reject).listen(0, "127.0.0.1", () => resolve(server)));
}

// `evenhue apply` run as a user would: in the file's folder, on its bare name.
function runNative(options, file) {
  const tmp = fs.mkdtempSync(path.join(os.tmpdir(), "evenhue-page-test-"));
  const out = path.join(tmp, "out.svg");
  const report = path.join(tmp, "report.json");
  const run = spawnSync(options.evenhue,
    ["apply", "--plugin", options.plugin, path.basename(file), "-o", out, "--report", report],
    { cwd: path.dirname(file), timeout: FILE_TIMEOUT_MS, encoding: "buffer" });
  const result = { status: run.status, error: run.error, stderr: run.stderr ? run.stderr.toString("utf8") : "",
    output: fs.existsSync(out) ? fs.readFileSync(out) : null,
    report: fs.existsSync(report) ? JSON.parse(fs.readFileSync(report, "utf8")) : null };
  fs.rmSync(tmp, { recursive: true, force: true });
  return result;
}

class Failure extends Error {}

const check = (condition, message) => { if (!condition) throw new Failure(message); };
// Long values are shown around where they first differ.
function excerpt(a, b) {
  const [x, y] = [JSON.stringify(a) ?? "undefined", JSON.stringify(b) ?? "undefined"];
  if (x.length + y.length < 400) return [x, y];
  let i = 0;
  while (i < x.length && x[i] === y[i]) ++i;
  const cut = (s) => `…${s.slice(Math.max(0, i - 80), i + 120)}… (${s.length} characters)`;
  return [cut(x), cut(y)];
}
const same = (actual, expected, what) => {
  if (actual === expected) return;
  const [a, e] = excerpt(actual, expected);
  throw new Failure(`${what}: page ${a}, command ${e}`);
};

function withTimeout(promise, ms, what) {
  let timer;
  const timeout = new Promise((_, reject) => { timer = setTimeout(() => reject(new Failure(`${what} took longer than ${ms / 1000} s`)), ms); });
  return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

let largestDeltaE = { diff: 0, where: "none compared" };

// Opens the page and waits for the engine.
async function openPage(browser, url, allowed) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 900 });
  const problems = [];
  page.on("pageerror", (e) => problems.push(`script error on the page: ${e.message.split("\n")[0]}`));
  page.on("dialog", (d) => {
    problems.push(`the page opened a dialog: ${d.type()} ${JSON.stringify(d.message())}`);
    d.dismiss().catch(() => {});
  });
  page.on("request", (req) => {
    const u = req.url();
    if (!allowed.some((prefix) => u.startsWith(prefix))) problems.push(`request outside the page's folder: ${u}`);
  });
  await page.goto(url, { waitUntil: "load", timeout: START_TIMEOUT_MS });
  await page.waitForFunction(() => ["ready", "error"].includes(document.body.dataset.state), { timeout: START_TIMEOUT_MS });
  const state = await page.evaluate(() => document.body.dataset.state);
  if (state !== "ready") {
    const error = await page.$eval("#error", (e) => e.textContent);
    throw new Failure(`the engine did not start: ${error}`);
  }
  return { page, problems };
}

// Hands the file to the page through its file input and waits for the answer;
// records the states and status lines the page went through on the way.
async function runOnPage(page, file, dropped, name = path.basename(file)) {
  await page.evaluate(() => {
    window.evenhueLast = undefined;
    window.seenByTest = [];
    const note = () => window.seenByTest.push({
      state: document.body.dataset.state,
      status: document.getElementById("status").textContent,
    });
    window.observerByTest?.disconnect();
    window.observerByTest = new MutationObserver(note);
    window.observerByTest.observe(document.body, { attributes: true, attributeFilter: ["data-state"] });
    window.observerByTest.observe(document.getElementById("status"), { childList: true, characterData: true, subtree: true });
  });
  if (dropped) {
    // Dropped on the page's body, as a file dragged in from the desktop is.
    await page.evaluate((name, base64) => {
      const transfer = new DataTransfer();
      transfer.items.add(new File([Uint8Array.from(atob(base64), (c) => c.charCodeAt(0))], name, { type: "image/svg+xml" }));
      for (const type of ["dragenter", "dragover", "drop"])
        document.body.dispatchEvent(new DragEvent(type, { dataTransfer: transfer, bubbles: true, cancelable: true }));
    }, name, fs.readFileSync(file).toString("base64"));
  } else {
    await (await page.$("#file")).uploadFile(file);
  }
  await page.waitForFunction(
    () => window.evenhueLast !== undefined && ["done", "error"].includes(document.body.dataset.state),
    { timeout: FILE_TIMEOUT_MS });
  return shownOnPage(page);
}

// What the page shows once it is done.
function shownOnPage(page) {
  return page.evaluate(async () => {
    window.observerByTest.disconnect();
    const toBase64 = (bytes) => {
      let s = "";
      for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
      return btoa(s);
    };
    const blob = async (url) => (url && url.startsWith("blob:")) ? (await fetch(url)).blob() : null;
    const fetched = async (url) => {
      const b = await blob(url);
      return b ? { type: b.type, base64: toBase64(new Uint8Array(await b.arrayBuffer())) } : { type: null, base64: null };
    };
    const img = async (e) => ({ hidden: e.hidden, src: e.getAttribute("src"), width: e.naturalWidth, complete: e.complete,
      ...(await fetched(e.getAttribute("src"))) });
    const [before, after] = [document.getElementById("before"), document.getElementById("after")];
    const text = (root, selector) => root.querySelector(selector)?.textContent ?? null;
    const last = window.evenhueLast;
    const a = document.getElementById("download");
    const r = document.getElementById("download-report");
    for (const e of [before, after]) if (e.getAttribute("src")) await e.decode().catch(() => {});
    return {
      state: document.body.dataset.state,
      seen: window.seenByTest,
      status: document.getElementById("status").textContent,
      errorShown: document.getElementById("error").hidden ? null : document.getElementById("error").textContent,
      result: last.ok ? { ...last, output: toBase64(last.output) } : last,
      before: await img(before),
      after: await img(after),
      download: { hidden: a.hidden, name: a.getAttribute("download"), ...(await fetched(a.getAttribute("href"))) },
      reportDownload: { name: r.getAttribute("download"), ...(await fetched(r.getAttribute("href"))) },
      pager: document.getElementById("pager").hidden ? null : document.getElementById("pager-text").textContent,
      progressHidden: document.getElementById("progress").hidden,
      pictureOffer: !document.getElementById("picture-offer").hidden,
      rows: Array.from(document.querySelectorAll("#rows tr.gradient"), (tr) => ({
        element: text(tr, ".element"), paint: text(tr, ".paint"), source: text(tr, ".source"), id: text(tr, ".id"),
        stopsBefore: text(tr, ".stops-before"), stopsAfter: text(tr, ".stops-after"),
        beforeMean: text(tr, ".de-before-mean"), beforeMax: text(tr, ".de-before-max"),
        afterMean: text(tr, ".de-after-mean"), afterMax: text(tr, ".de-after-max"),
      })),
      warnings: Array.from(document.querySelectorAll("#warnings li"), (li) => li.textContent),
    };
  });
}

// A figure as the table shows it: two decimals, within half a unit of the last.
function checkShown(shown, value, what) {
  check(typeof shown === "string" && /^\d+\.\d\d$/.test(shown), `${what}: the table shows ${JSON.stringify(shown)}`);
  check(Math.abs(Number(shown) - value) <= 0.005 + 1e-9, `${what}: the table shows ${shown} for ${value}`);
}

// Rows the page's table shows at once.
const ROWS_PER_PAGE = 100;

function compareGradients(label, pageRows, command, tableRows) {
  same(pageRows.length, command.length, "number of gradients");
  same(tableRows.length, Math.min(command.length, ROWS_PER_PAGE), "number of table rows");
  command.forEach((want, i) => {
    const got = pageRows[i];
    const row = tableRows[i] ?? { ...Object.fromEntries(Object.keys(want).map((k) => [k, String(want[k])])), shown: false };
    const where = `gradient ${i + 1} (${want.element} ${want.paint})`;
    for (const key of ["element", "paint", "source", "id", "stopsBefore", "stopsAfter"]) {
      same(got[key], want[key], `${where} ${key}`);
      same(row[key], String(want[key]), `${where} ${key} in the table`);
    }
    for (const side of ["before", "after"]) {
      for (const stat of ["mean", "max"]) {
        const mine = got.deltaE2000[side][stat];
        const theirs = want.deltaE2000[side][stat];
        const what = `${where} ΔE2000 ${side} ${stat}`;
        check(typeof mine === "number" && Number.isFinite(mine), `${what}: page ${JSON.stringify(mine)}`);
        const diff = Math.abs(mine - theirs);
        if (diff > largestDeltaE.diff) largestDeltaE = { diff, where: `${label}, ${what}` };
        check(diff <= DELTA_E_TOLERANCE, `${what}: page ${mine}, command ${theirs}`);
        if (row.shown !== false) checkShown(row[side + stat[0].toUpperCase() + stat.slice(1)], mine, `${what}`);
      }
    }
  });
}

// The signature every PNG file starts with, as Base64.
const PNG_BASE64 = "iVBORw0KGgo";
// The page draws the pictures of a drawing up to this size unasked.
const PICTURES_AT_ONCE_BYTES = 1 << 20;

function checkPictures(shown) {
  for (const side of ["before", "after"]) {
    const img = shown[side];
    check(!img.hidden && img.src?.startsWith("blob:") && img.complete && img.width > 0,
      `the ${side} picture is not drawn: ${JSON.stringify({ ...img, base64: undefined })}`);
    // Pictures, not the drawing: a PNG runs no script wherever it is opened.
    check(img.type === "image/png" && img.base64.startsWith(PNG_BASE64), `the ${side} picture is a ${img.type}, not a PNG`);
  }
}

// Runs `entry.path` through the page (under the name `entry.name`, when
// given) and holds what it shows against the command on the same file.
async function checkFile(page, entry, options) {
  const native = runNative(options, entry.path);
  check(!native.error, `the command did not run: ${native.error?.message}`);
  const nativeName = path.basename(entry.path);
  const name = entry.name ?? nativeName;
  const shown = await runOnPage(page, entry.path, entry.dropped, name);
  const renamed = (line) => line.startsWith(nativeName + ": ") ? name + line.slice(nativeName.length) : line;
  const lines = native.stderr.split("\n").filter((l) => l !== "");
  const strip = (line) => {
    check(line.startsWith("evenhue: "), `the command printed ${JSON.stringify(line)}`);
    return renamed(line.slice("evenhue: ".length));
  };

  // From this file's start on (an unfinished run of another file may still
  // have moved on just before it).
  const start = shown.seen.findIndex((s) => s.state === "working" && s.status === `Re-spacing ${name}…`);
  const states = shown.seen.slice(Math.max(start, 0)).map((s) => s.state).filter((s, i, all) => s !== all[i - 1]);
  same(states.join(" "), native.status !== 0 ? "working error" : "working figures done", "states the page went through");
  check(shown.seen.some((s) => s.state === "working" && s.status === `Re-spacing ${name}…`),
    `no "Re-spacing ${name}…" while working: ${JSON.stringify(shown.seen)}`);

  if (native.status !== 0) {
    check(lines.length === 1, `the command refused it with ${lines.length} lines: ${native.stderr}`);
    const message = strip(lines[0]);
    same(shown.state, "error", "state");
    same(shown.result.ok, false, "result.ok");
    same(shown.result.error, message, "result.error");
    same(shown.errorShown, message, "error line");
    check(shown.before.hidden && !shown.before.src && shown.after.hidden && !shown.after.src,
      "a picture is still shown after the error");
    same(shown.rows.length, 0, "table rows after the error");
    same(shown.download.hidden, true, "download link hidden after the error");
    return shown;
  }

  same(shown.state, "done", "state");
  check(shown.result.ok === true, `the page refused it: ${shown.result.error}`);
  same(shown.errorShown, null, "error line");
  check(native.output !== null && native.report !== null, "the command wrote no output or report");
  const output = Buffer.from(shown.result.output, "base64");
  check(output.equals(native.output),
    `the output differs from the command's (${output.length} bytes against ${native.output.length})`);
  // A compressed file (.svgz) is downloaded compressed, as the command writes an output named so.
  const compressed = fs.readFileSync(entry.path).subarray(0, 2).equals(Buffer.from([0x1f, 0x8b]));
  const downloaded = Buffer.from(shown.download.base64, "base64");
  check(downloaded.subarray(0, 2).equals(Buffer.from([0x1f, 0x8b])) === compressed, "the download's compression");
  same((compressed ? zlib.gunzipSync(downloaded) : downloaded).toString("base64"), shown.result.output,
    "the download's bytes equal the output");
  // A file to save, never a document the browser would show in the page's origin.
  same(shown.download.type, "application/octet-stream", "the download's type");
  const stem = name.replace(/\.[^.]*$/, "").replace(/[/\\:*?"<>|]/g, "_");
  same(shown.download.name, stem + (compressed ? "-evenhue.svgz" : "-evenhue.svg"), "download file name");
  same(shown.download.hidden, false, "download link hidden");
  same(shown.reportDownload.base64, Buffer.from(shown.result.report).toString("base64"), "the report download's bytes");
  same(shown.reportDownload.name, stem + "-evenhue-report.json", "report file name");
  // A large drawing's pictures wait until they are asked for (checkAsked).
  const asked = Math.max(fs.statSync(entry.path).size, native.output.length) > PICTURES_AT_ONCE_BYTES;
  same(shown.pictureOffer, asked, "pictures offered on request");
  if (asked) check([shown.before, shown.after].every((img) => img.hidden && !img.src), "a picture drawn unasked");
  else checkPictures(shown);
  same(shown.progressHidden, true, "the progress bar is hidden once every figure is in");

  const commandRows = native.report.gradients;
  compareGradients(entry.label, shown.result.gradients, commandRows, shown.rows);
  // The page's report.json: the command's, but for the ΔE2000 figures, which are the result's.
  const pageReport = JSON.parse(shown.result.report);
  const withFigures = (report, figures) => JSON.stringify({ ...report,
    gradients: report.gradients.map((g, i) => ({ ...g, document: name, deltaE2000: figures[i]?.deltaE2000 })),
    warnings: report.warnings });
  same(JSON.stringify(pageReport), withFigures(native.report, shown.result.gradients), "the page's report");
  const expectedWarnings = lines.map(strip);
  same(JSON.stringify(shown.result.warnings), JSON.stringify(expectedWarnings), "result.warnings");
  same(JSON.stringify(shown.warnings), JSON.stringify(expectedWarnings), "warnings list");

  const counted = /Re-spaced (\d+) gradients? of (.*) in [\d.]+ m?s\.$/.exec(shown.status);
  check(counted && Number(counted[1]) === commandRows.length, `status line: ${JSON.stringify(shown.status)}`);
  same(counted[2], name, "the file's name in the status line");
  check(typeof shown.result.seconds === "number", `no time in the result`);
  return shown;
}


const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A server for what a hostile drawing asks for: it only counts the requests.
async function serveCounter() {
  const hits = [];
  const server = http.createServer((req, res) => { hits.push(req.url); res.writeHead(404).end(); });
  await new Promise((resolve, reject) => server.once("error", reject).listen(0, "127.0.0.1", resolve));
  return { server, hits, origin: `http://127.0.0.1:${server.address().port}` };
}

// A drawing with a gradient that does everything a drawing can to run a
// script in whoever shows it or to fetch from elsewhere: a <script>, an onload
// attribute, a script in a <foreignObject>, pictures from another host and
// from a local file, a style sheet import. Every script sets window.pwned
// (and its opener's), opens an alert and calls `elsewhere`.
function hostileDrawing(elsewhere) {
  const run = (what) => `window.pwned='${what}';try{opener.pwned='${what}'}catch(e){};` +
    `fetch('${elsewhere}/${what}').catch(function(){});alert('${what}')`;
  return `<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="200" height="120"
     viewBox="0 0 200 120" onload="${run("onload")}">
  <style>@import url(${elsewhere}/style.css);</style>
  <script>${run("script")}</script>
  <defs><linearGradient id="g" x1="0" x2="1"><stop offset="0" stop-color="#1d3bd1"/><stop offset="1" stop-color="#f7e11b"/></linearGradient></defs>
  <rect id="band" width="200" height="60" fill="url(#g)"/>
  <image href="${elsewhere}/picture.png" x="0" y="60" width="60" height="60"/>
  <image xlink:href="file:///usr/share/pixmaps/debian-logo.png" x="70" y="60" width="60" height="60"/>
  <foreignObject x="140" y="60" width="60" height="60"><div xmlns="http://www.w3.org/1999/xhtml"><script>${run("foreignObject")}</script><img src="${elsewhere}/in-html.png"/></div></foreignObject>
</svg>
`;
}

// Opens `url` in a tab of its own, as "open in new tab" does, and tells what
// came of it: the document's type (null when it was not shown, as a
// download is not), whether a script ran, the dialogs it opened.
async function openInTab(browser, url) {
  const tab = await browser.newPage();
  const dialogs = [], requests = [];
  tab.on("dialog", (d) => { dialogs.push(d.message()); d.dismiss().catch(() => {}); });
  tab.on("request", (r) => { if (r.url() !== url) requests.push(r.url()); });
  try {
    await tab.goto(url, { waitUntil: "load", timeout: 15_000 }).catch(() => {});  // a download aborts the navigation
    await sleep(300);
    const shown = await tab.evaluate(() => ({ url: location.href, type: document.contentType, pwned: window.pwned ?? null }));
    return { type: shown.url === url ? shown.type : null, pwned: shown.pwned, dialogs, requests };
  } finally {
    await tab.close();
  }
}

// The hostile drawing's download and pictures, opened in tabs of their own,
// run nothing and fetch nothing; the drawing itself, opened the same way as
// a document of the page's origin, does both (so the check can see it).
async function checkHostile(browser, opened, options, scratch) {
  const counter = await serveCounter();
  try {
    const file = path.join(scratch, "hostile.svg");
    fs.writeFileSync(file, hostileDrawing(counter.origin));
    await checkFile(opened.page, { label: "hostile.svg", path: file }, options);
    const urls = await opened.page.evaluate(() => ({
      download: document.getElementById("download").href,
      report: document.getElementById("download-report").href,
      before: document.getElementById("before").src,
      after: document.getElementById("after").src,
    }));
    const expected = { download: null, report: null, before: "image/png", after: "image/png" };
    for (const [what, url] of Object.entries(urls)) {
      const opening = await openInTab(browser, url);
      same(opening.type, expected[what], `the ${what} opened in a tab of its own is shown as`);
      same(opening.pwned, null, `a script of the drawing ran in the ${what}'s tab`);
      same(opening.dialogs.length, 0, `dialogs opened by the ${what}`);
      same(opening.requests.join(" "), "", `requests made by the ${what}'s tab`);
    }
    same(await opened.page.evaluate(() => window.pwned ?? null), null, "a script of the drawing ran in the page");
    same(counter.hits.join(" "), "", "requests the drawing made elsewhere");

    // The control: as a document of the page's origin the drawing runs its scripts.
    const bare = await opened.page.evaluate((text) =>
      URL.createObjectURL(new Blob([text], { type: "image/svg+xml" })), fs.readFileSync(file, "utf8"));
    const control = await openInTab(browser, bare);
    check(control.pwned !== null && control.requests.length > 0,
      `the drawing opened as a document ran nothing (${JSON.stringify(control)}): this check cannot see scripts`);
  } finally {
    counter.server.closeAllConnections();
    counter.server.close();
  }
}

// A file larger than the limit is refused with the command's message before
// the engine reads a byte of it (the engine's worker counts what it reads).
async function checkTooLarge(opened, options, scratch) {
  const file = path.join(scratch, "large.svg");
  fs.writeFileSync(file, "");
  fs.truncateSync(file, (256 + 1) * 1024 * 1024);  // sparse: nothing is written
  const native = runNative(options, file);
  check(native.status !== 0 && /larger than the limit/.test(native.stderr), `the command took it: ${native.stderr}`);
  const workers = opened.page.workers();
  same(workers.length, 1, "engine workers");
  await workers[0].evaluate(() => {
    self.readByTest = 0;
    const read = Blob.prototype.arrayBuffer;
    Blob.prototype.arrayBuffer = function () { ++self.readByTest; return read.call(this); };
  });
  await checkFile(opened.page, { label: "large.svg", path: file }, options);
  same(await workers[0].evaluate(() => self.readByTest), 0, "files the engine read for the too large one");
  // The control: a file within the limit is read, once.
  await checkFile(opened.page, { label: FILE_URL_SAMPLE, path: path.join(sourceDir, FILE_URL_SAMPLE) }, options);
  same(await workers[0].evaluate(() => self.readByTest), 1, "files the engine read for one within the limit");
  fs.rmSync(file);
}

// A drawing of `count` rectangles, each painted with a gradient of its own.
function manyGradients(count) {
  const defs = [], shapes = [];
  const hex = (v) => (v & 255).toString(16).padStart(2, "0");
  for (let i = 0; i < count; ++i) {
    const colour = (k) => `#${hex(40 + (i * 7 + k * 60) % 170)}${hex(60 + (i * 3 + k * 40) % 150)}${hex(200 - k * 50)}`;
    defs.push(`<linearGradient id="g${i}"><stop offset="0" stop-color="${colour(0)}"/>` +
      `<stop offset="0.3" stop-color="${colour(1)}"/><stop offset="1" stop-color="${colour(2)}"/></linearGradient>`);
    shapes.push(`<rect id="r${i}" x="${(i % 50) * 10}" y="${Math.floor(i / 50) * 10}" width="10" height="10" fill="url(#g${i})"/>`);
  }
  return `<svg xmlns="http://www.w3.org/2000/svg" width="500" height="${Math.ceil(count / 50) * 10}">\n<defs>\n` +
    defs.join("\n") + "\n</defs>\n" + shapes.join("\n") + "\n</svg>\n";
}

const LARGE_COUNT = 1500;

// How many SVG images the browser made into documents on the page's own
// thread, where it reads and draws them (and answers nothing meanwhile),
// while `during` ran: from Chromium's trace of that thread.
async function svgImagesOnPageThread(page, during) {
  await page.tracing.start({ categories: ["disabled-by-default-devtools.timeline", "blink"] });
  const trace = await during().then(() => page.tracing.stop(), (e) => page.tracing.stop().then(() => { throw e; }));
  const events = JSON.parse(Buffer.from(trace).toString("utf8")).traceEvents;
  const frames = events.find((e) => e.name === "TracingStartedInBrowser").args.data.frames;
  const pids = new Set(frames.filter((f) => f.url === page.url()).map((f) => f.processId));
  const main = new Set(events.filter((e) => e.name === "thread_name" && e.args.name === "CrRendererMain" && pids.has(e.pid))
    .map((e) => `${e.pid}/${e.tid}`));
  return events.filter((e) => e.name === "IsolatedSVGDocumentHost::IsolatedSVGDocumentHost" && e.ph !== "E" &&
    main.has(`${e.pid}/${e.tid}`)).length;
}

// A drawing over PICTURES_AT_ONCE_BYTES: no picture is drawn until asked for,
// then both are.
async function checkAsked(opened, options, scratch) {
  const file = path.join(scratch, "padded.svg");
  fs.writeFileSync(file, fs.readFileSync(path.join(sourceDir, FILE_URL_SAMPLE), "utf8")
    .replace("</svg>", `<!-- ${"x".repeat(PICTURES_AT_ONCE_BYTES)} -->\n</svg>`));
  const page = opened.page;
  same(await svgImagesOnPageThread(page, () => checkFile(page, { label: "padded.svg", path: file }, options)), 0,
    "SVG images drawn on the page's thread before the pictures are asked for");
  same(await svgImagesOnPageThread(page, async () => {
    await page.click("#draw-pictures");
    await page.waitForFunction(() => document.body.dataset.state === "done" && window.evenhueTimes.pictures,
      { timeout: FILE_TIMEOUT_MS });
  }), 2, "SVG images drawn on the page's thread once the pictures are asked for");
  checkPictures(await shownOnPage(page));
}

// While a large drawing is in progress the page keeps answering (a timer on
// it keeps firing), shows the result before the figures with a progress bar
// and the table a page at a time; choosing another file cancels it.
async function checkLarge(opened, options, scratch) {
  const file = path.join(scratch, "many.svg");
  fs.writeFileSync(file, manyGradients(LARGE_COUNT));
  const watch = () => opened.page.evaluate(() => {
    window.ticksByTest = [];
    clearInterval(window.tickerByTest);
    window.tickerByTest = setInterval(() => window.ticksByTest.push({
      state: document.body.dataset.state,
      progress: document.getElementById("progress").hidden ? null : document.getElementById("progress-text").textContent,
      figure: document.querySelector("#rows .de-after-mean")?.textContent ?? null,
    }), 40);
  });
  await watch();
  let shown;
  same(await svgImagesOnPageThread(opened.page, async () => { shown = await checkFile(opened.page, { label: "many.svg", path: file }, options); }),
    2, "SVG images drawn on the page's thread (its two pictures, none of the comparison strips)");
  const ticks = await opened.page.evaluate(() => { clearInterval(window.tickerByTest); return window.ticksByTest; });
  const during = (state) => ticks.filter((t) => t.state === state);
  check(during("working").length >= 2, `the page's timer fired ${during("working").length} times while re-spacing`);
  const early = during("figures").filter((t) => t.progress && t.figure === "…");
  check(early.length > 0, `no result shown before its figures: ${JSON.stringify(during("figures").slice(0, 3))}`);
  check(/^CIEDE2000 figures: \d+ of 1500$/.test(early[0].progress), `progress: ${early[0].progress}`);
  same(shown.pager, `Gradients 1–${ROWS_PER_PAGE} of ${LARGE_COUNT}`, "the table's pager");

  // Another file chosen while the large one is in progress is the one answered.
  await watch();
  await (await opened.page.$("#file")).uploadFile(file);
  await opened.page.waitForFunction(() => window.ticksByTest.some((t) => t.state === "working"), { timeout: FILE_TIMEOUT_MS });
  await checkFile(opened.page, { label: FILE_URL_SAMPLE, path: path.join(sourceDir, FILE_URL_SAMPLE) }, options);
  await opened.page.evaluate(() => clearInterval(window.tickerByTest));
}

async function main() {
  const options = parseArgs(process.argv.slice(2));
  const entries = options.files.length > 0 ? options.files : listedFiles();
  let passed = 0;
  let failed = 0;
  const report = (name, error) => {
    if (!error) ++passed, console.log(`ok ${name}`);
    else ++failed, console.log(`FAIL ${name}: ${error instanceof Failure || error.name === "TimeoutError" ? error.message : error.stack || error}`);
  };

  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), "evenhue-chromium-"));
  const server = await serve(options.page);
  const origin = `http://127.0.0.1:${server.address().port}`;
  let browser = null;

  const overall = setTimeout(() => {
    console.log(`FAIL the whole run: longer than ${OVERALL_TIMEOUT_MS / 1000} s`);
    console.log(`${passed} passed, ${failed + 1} failed`);
    browser?.process()?.kill("SIGKILL");
    process.exit(1);
  }, OVERALL_TIMEOUT_MS);
  overall.unref();

  try {
    browser = await puppeteer.launch({
      executablePath: CHROMIUM,
      headless: true,
      userDataDir,
      timeout: START_TIMEOUT_MS,
      args: ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
        "--disable-background-networking", "--disable-component-update", "--disable-sync"],
    });
    // What a test opens as a download is not saved.
    const cdp = await browser.target().createCDPSession();
    await cdp.send("Browser.setDownloadBehavior", { behavior: "deny" });
    const allowedHttp = [origin + "/", "blob:", "data:"];

    let opened = null;
    try {
      opened = await openPage(browser, origin + "/index.html", allowedHttp);
    } catch (e) {
      report(`${origin}/index.html`, e);
    }
    for (const entry of entries) {
      if (entry.missing) {
        report(entry.label, new Failure(entry.missing));
      } else if (!opened) {
        report(entry.label, new Failure("the page did not start"));
      } else {
        try {
          await withTimeout(checkFile(opened.page, entry, options), FILE_TIMEOUT_MS * 2, entry.label);
          check(opened.problems.length === 0, opened.problems.join("; "));
          report(entry.label, null);
        } catch (e) {
          report(entry.label, e);
        }
        opened.problems.length = 0;
      }
    }

    if (opened) {
      const label = `${DROP_SAMPLE} dropped on the page`;
      try {
        await withTimeout(checkFile(opened.page, { label, path: path.join(sourceDir, DROP_SAMPLE), dropped: true }, options),
          FILE_TIMEOUT_MS * 2, label);
        report(label, null);
      } catch (e) {
        report(label, e);
      }
    }
    if (opened) {
      const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "evenhue-page-test-files-"));
      const checks = [
        ["the hostile drawing's download and pictures run and fetch nothing", () => checkHostile(browser, opened, options, scratch)],
        ...["-", "a/b.svg"].map((name) => [`a file named ${JSON.stringify(name)}`, () => checkFile(opened.page,
          { label: name, path: path.join(sourceDir, DROP_SAMPLE), dropped: true, name }, options)]),
        ["a file over the size limit is refused before it is read", () => checkTooLarge(opened, options, scratch)],
        ...[["a compressed drawing (.svgz)", "shared.svgz", fs.readFileSync(path.join(sourceDir, "examples/6-shared.svg"))],
          ["a compressed drawing that inflates past the size limit", "zeros.svgz", Buffer.alloc(300 << 20)]]
          .map(([label, name, text]) => [label, () => {
            fs.writeFileSync(path.join(scratch, name), zlib.gzipSync(text, { level: 1 }));
            return checkFile(opened.page, { label: name, path: path.join(scratch, name) }, options);
          }]),
        [`${LARGE_COUNT} gradients: the page answers, the result comes first, another file cancels`,
          () => checkLarge(opened, options, scratch)],
        ["a drawing over 1 MiB: its pictures are drawn when asked for, not before", () => checkAsked(opened, options, scratch)],
      ];
      for (const [label, run] of checks) {
        try {
          await withTimeout(run(), FILE_TIMEOUT_MS * 3, label);
          check(opened.problems.length === 0, opened.problems.join("; "));
          report(label, null);
        } catch (e) {
          report(label, e);
        }
        opened.problems.length = 0;
      }
      fs.rmSync(scratch, { recursive: true, force: true });
    }
    if (options.screenshot && opened) {
      try {
        const sample = path.join(sourceDir, SCREENSHOT_SAMPLE);
        await withTimeout(checkFile(opened.page, { label: SCREENSHOT_SAMPLE, path: sample }, options),
          FILE_TIMEOUT_MS * 2, "screenshot");
        await opened.page.screenshot({ path: options.screenshot, fullPage: false });
        report(`screenshot ${options.screenshot}`, null);
      } catch (e) {
        report(`screenshot ${options.screenshot}`, e);
      }
    }
    if (opened) await opened.page.close();

    // The same page opened from the folder itself, as a user would offline.
    const fileUrl = pathToFileURL(path.join(options.page, "index.html")).href;
    const label = `${fileUrl} with ${FILE_URL_SAMPLE}`;
    try {
      const dirUrl = pathToFileURL(options.page + path.sep).href;
      const local = await openPage(browser, fileUrl, [dirUrl, "blob:", "data:"]);
      await withTimeout(checkFile(local.page, { label, path: path.join(sourceDir, FILE_URL_SAMPLE) }, options),
        FILE_TIMEOUT_MS * 2, label);
      check(local.problems.length === 0, local.problems.join("; "));
      report(label, null);
      await local.page.close();
    } catch (e) {
      report(label, e);
    }
  } catch (e) {
    report("Chromium", e);
  } finally {
    await browser?.close().catch(() => browser?.process()?.kill("SIGKILL"));
    server.closeAllConnections();
    server.close();
    fs.rmSync(userDataDir, { recursive: true, force: true });
  }
  console.log(`largest ΔE2000 difference between page and command: ${largestDeltaE.diff.toFixed(4)} (${largestDeltaE.where})`);
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed > 0 ? 1 : 0);
}

main();
