// The Evenhue page: reads a dropped or chosen SVG file as bytes, hands it to
// the engine (evenhue-api.js, the host and plug-in built for the browser) and
// shows the drawing before and after, the figures and the warnings.
//
// document.body.dataset.state tells where the page is: "loading", "ready",
// "working", "done" or "error". window.evenhueLast holds the last result.
"use strict";

(function () {
  const $ = (id) => document.getElementById(id);
  const fileInput = $("file");
  const statusLine = $("status");
  const errorLine = $("error");
  const beforeImg = $("before");
  const afterImg = $("after");
  const download = $("download");
  const downloadReport = $("download-report");
  const results = $("results");
  const rows = $("rows");
  const warningList = $("warnings");
  const noWarnings = $("no-warnings");

  let engine = null;
  let runNumber = 0;   // a newer file makes an unfinished older run's answer stale
  let running = Promise.resolve();   // the engine does one document at a time
  let objectUrls = [];

  function setState(state) {
    document.body.dataset.state = state;
  }

  function showError(message) {
    errorLine.textContent = message;
    errorLine.hidden = false;
  }

  function dropObjectUrls() {
    for (const url of objectUrls) URL.revokeObjectURL(url);
    objectUrls = [];
  }

  function blobUrl(data, type) {
    const url = URL.createObjectURL(new Blob([data], { type }));
    objectUrls.push(url);
    return url;
  }

  const svgUrl = (bytes) => blobUrl(bytes, "image/svg+xml");

  function clearResult() {
    dropObjectUrls();
    for (const img of [beforeImg, afterImg]) {
      img.removeAttribute("src");
      img.hidden = true;
    }
    for (const link of [download, downloadReport]) {
      link.removeAttribute("href");
      link.removeAttribute("download");
      link.hidden = true;
    }
    rows.replaceChildren();
    warningList.replaceChildren();
    results.hidden = true;
    errorLine.textContent = "";
    errorLine.hidden = true;
  }

  function baseName(fileName) {
    const base = fileName.replace(/\.[^.\/\\]*$/, "");
    return base === "" ? "drawing" : base;
  }

  function cell(tag, text, className) {
    const c = document.createElement(tag);
    if (className) c.className = className;
    if (text !== undefined) c.textContent = text;
    return c;
  }

  function span(text, className) {
    return cell("span", text, className);
  }

  function figure(x) {
    return typeof x === "number" && Number.isFinite(x) ? x.toFixed(2) : "—";
  }

  function gradientRow(g) {
    const tr = document.createElement("tr");
    tr.className = "gradient";

    const who = cell("td");
    who.append(span(g.element, "element"), " ", span(g.paint, "paint"));
    const ids = cell("td", undefined, "ids");
    ids.append(span(g.source, "source"), " → ", span(g.id, "id"));
    tr.append(who, ids,
      cell("td", String(g.stopsBefore), "num stops-before"),
      cell("td", String(g.stopsAfter), "num stops-after"),
      cell("td", figure(g.deltaE2000.before.mean), "num de-before-mean"),
      cell("td", figure(g.deltaE2000.before.max), "num de-before-max"),
      cell("td", figure(g.deltaE2000.after.mean), "num de-after-mean"),
      cell("td", figure(g.deltaE2000.after.max), "num de-after-max"));
    return tr;
  }

  function showResult(name, input, result) {
    beforeImg.src = svgUrl(input);
    beforeImg.hidden = false;
    const outputUrl = svgUrl(result.output);
    afterImg.src = outputUrl;
    afterImg.hidden = false;

    download.href = outputUrl;
    download.download = baseName(name) + "-evenhue.svg";
    download.textContent = "Download " + download.download;
    download.hidden = false;
    // The report as `evenhue apply --report` writes it, every gradient and warning.
    downloadReport.href = blobUrl(result.report, "application/json");
    downloadReport.download = baseName(name) + "-evenhue-report.json";
    downloadReport.hidden = false;

    rows.replaceChildren(...result.gradients.map(gradientRow));
    warningList.replaceChildren(...result.warnings.map((w) => cell("li", w, "warning")));
    noWarnings.hidden = result.warnings.length > 0;
    results.hidden = false;
  }

  // Two animation frames: the first runs before the status is painted, the
  // second after, so the line is on screen before the run holds the thread.
  function afterPaint() {
    return new Promise((resolve) => {
      requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(resolve, 0)));
    });
  }

  function secondsText(seconds) {
    if (typeof seconds !== "number" || !Number.isFinite(seconds)) return "";
    if (seconds < 1) return Math.max(1, Math.round(seconds * 1000)) + " ms";
    return seconds < 10 ? seconds.toFixed(2) + " s" : seconds.toFixed(1) + " s";
  }

  async function respace(file) {
    if (!engine || !file) return;
    const mine = ++runNumber;
    clearResult();
    setState("working");
    statusLine.textContent = "Re-spacing " + file.name + "…";

    let result;
    let input = null;
    try {
      input = new Uint8Array(await file.arrayBuffer());
      await afterPaint();
      await running;
      if (mine !== runNumber) return;
      const run = Promise.resolve(engine.run(file.name, input));
      running = run.then(() => {}, () => {});
      result = await run;
    } catch (e) {
      const message = e && e.message ? e.message : String(e);
      result = { ok: false, error: file.name + ": " + message.split("\n")[0] };
    }
    if (mine !== runNumber) return;

    window.evenhueLast = result;
    if (!result.ok) {
      statusLine.textContent = "Could not re-space " + file.name + ".";
      showError(result.error);
      setState("error");
      return;
    }
    showResult(file.name, input, result);
    const n = result.gradients.length;
    const time = secondsText(result.seconds);
    statusLine.textContent = "Re-spaced " + n + (n === 1 ? " gradient" : " gradients") +
      " of " + file.name + (time ? " in " + time : "") + ".";
    setState("done");
  }

  fileInput.addEventListener("change", () => {
    const file = fileInput.files && fileInput.files[0];
    // Cleared so that choosing the same file again still counts as a change.
    fileInput.value = "";
    respace(file);
  });

  // A file may be dropped anywhere on the page.
  let dragDepth = 0;
  const carriesFiles = (e) => e.dataTransfer && Array.from(e.dataTransfer.types).includes("Files");
  document.addEventListener("dragenter", (e) => {
    if (!carriesFiles(e)) return;
    e.preventDefault();
    dragDepth++;
    document.body.classList.add("dragging");
  });
  document.addEventListener("dragleave", () => {
    dragDepth = Math.max(0, dragDepth - 1);
    if (dragDepth === 0) document.body.classList.remove("dragging");
  });
  document.addEventListener("dragover", (e) => {
    if (!carriesFiles(e)) return;
    e.preventDefault();
    e.dataTransfer.dropEffect = engine ? "copy" : "none";
  });
  document.addEventListener("drop", (e) => {
    e.preventDefault();
    dragDepth = 0;
    document.body.classList.remove("dragging");
    const file = e.dataTransfer && e.dataTransfer.files[0];
    respace(file);
  });

  function startFailed(message) {
    statusLine.textContent = "The engine could not start.";
    showError(message);
    setState("error");
  }

  if (typeof window.Evenhue === "undefined" || typeof window.Evenhue.start !== "function") {
    startFailed("The engine's scripts (evenhue.js, evenhue-plugin.js, evenhue-api.js) did not load.");
    return;
  }
  window.Evenhue.start().then((started) => {
    engine = started;
    fileInput.disabled = false;
    statusLine.textContent = "Ready. Choose or drop an SVG file.";
    setState("ready");
  }, (e) => {
    startFailed(e && e.message ? e.message : String(e));
  });
})();
