// The Evenhue page: hands a dropped or chosen SVG file to the engine
// (evenhue-api.js, the host and plug-in built for the browser, in a worker)
// and shows the result as soon as it is there: the download, the stops per
// gradient and the warnings; the CIEDE2000 figures follow as they are
// computed. The pictures of the drawing before and after are drawn once they
// are on the screen, or, for a drawing over PICTURES_AT_ONCE_BYTES, when
// asked for: the browser reads and draws an SVG picture on the page's own
// thread, in one go, and the page answers nothing meanwhile (roughly a second
// for every 2 MB).
//
// document.body.dataset.state tells where the page is: "loading", "ready",
// "working" (re-spacing), "figures" (the result shown, figures to come),
// "done", "pictures" (drawing the pictures asked for after the figures) or
// "error". window.evenhueLast holds the last result, its gradients'
// deltaE2000 filled in as they come and its report at the end;
// window.evenhueTimes the moments (performance.now()) the run was chosen,
// shown, its last figure in, its pictures drawn and the run done.
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
  const progress = $("progress");
  const progressBar = $("progress-bar");
  const progressText = $("progress-text");
  const pager = $("pager");
  const pagerText = $("pager-text");
  const previous = $("previous");
  const next = $("next");
  const warningList = $("warnings");
  const noWarnings = $("no-warnings");
  const pictureSection = $("pictures");
  const pictureOffer = $("picture-offer");
  const pictureButton = $("draw-pictures");
  const pictureNote = $("picture-note");

  // Table rows shown at once; longer tables are shown a page at a time.
  const ROWS_PER_PAGE = 100;
  // The largest drawing (before or after) whose pictures are drawn unasked.
  const PICTURES_AT_ONCE_BYTES = 1 << 20;

  let engine = null;
  let runNumber = 0;   // a newer file makes an unfinished older run's answers stale
  let objectUrls = [];
  let shown = null;    // the result on the page: {gradients, figures, page}
  let pictureWatch = null;  // waits for the pictures to come on the screen

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
    const url = URL.createObjectURL(data instanceof Blob ? data : new Blob([data], { type }));
    objectUrls.push(url);
    return url;
  }

  function clearResult() {
    dropObjectUrls();
    if (pictureWatch) pictureWatch.disconnect();
    pictureWatch = null;
    pictureButton.onclick = null;
    pictureButton.disabled = false;
    pictureOffer.hidden = true;
    for (const img of [beforeImg, afterImg]) {
      img.removeAttribute("src");
      img.hidden = true;
    }
    for (const link of [download, downloadReport]) {
      link.removeAttribute("href");
      link.removeAttribute("download");
      link.hidden = true;
    }
    shown = null;
    rows.replaceChildren();
    pager.hidden = true;
    progress.hidden = true;
    warningList.replaceChildren();
    results.hidden = true;
    errorLine.textContent = "";
    errorLine.hidden = true;
  }

  // A file name's stem for the downloads' names: what comes before its last
  // dot, without characters that file systems refuse.
  function baseName(fileName) {
    const base = fileName.replace(/\.[^.]*$/, "").replace(/[\u0000-\u001f\u007f/\\:*?"<>|]/g, "_");
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
    return typeof x === "number" && Number.isFinite(x) ? x.toFixed(2) : "…";
  }

  function gradientRow(g) {
    const tr = document.createElement("tr");
    tr.className = "gradient";
    const who = cell("td");
    who.append(span(g.element, "element"), " ", span(g.paint, "paint"));
    const ids = cell("td", undefined, "ids");
    ids.append(span(g.source, "source"), " → ", span(g.id, "id"));
    const d = g.deltaE2000 || { before: {}, after: {} };
    tr.append(who, ids,
      cell("td", String(g.stopsBefore), "num stops-before"),
      cell("td", String(g.stopsAfter), "num stops-after"),
      cell("td", figure(d.before.mean), "num de-before-mean"),
      cell("td", figure(d.before.max), "num de-before-max"),
      cell("td", figure(d.after.mean), "num de-after-mean"),
      cell("td", figure(d.after.max), "num de-after-max"));
    return tr;
  }

  function showPage(page) {
    const gradients = shown.gradients;
    const pages = Math.max(1, Math.ceil(gradients.length / ROWS_PER_PAGE));
    shown.page = Math.min(Math.max(0, page), pages - 1);
    const first = shown.page * ROWS_PER_PAGE;
    const last = Math.min(gradients.length, first + ROWS_PER_PAGE);
    rows.replaceChildren(...gradients.slice(first, last).map(gradientRow));
    pager.hidden = pages === 1;
    pagerText.textContent = `Gradients ${first + 1}–${last} of ${gradients.length}`;
    previous.disabled = shown.page === 0;
    next.disabled = shown.page === pages - 1;
  }

  previous.addEventListener("click", () => shown && showPage(shown.page - 1));
  next.addEventListener("click", () => shown && showPage(shown.page + 1));

  function showProgress() {
    const total = shown.gradients.length;
    progress.hidden = total === 0 || shown.figures === total;
    progressBar.max = Math.max(total, 1);
    progressBar.value = shown.figures;
    progressText.textContent = `CIEDE2000 figures: ${shown.figures} of ${total}`;
  }

  // The drawing as a picture in `img`; the drawing itself is never shown.
  async function showPicture(img, bytes, mine) {
    try {
      const png = await window.Evenhue.picture(bytes);
      if (mine !== runNumber) return;
      img.src = blobUrl(png);
      img.hidden = false;
    } catch {
      // A drawing the browser cannot draw has no picture; the result stands.
    }
  }

  function secondsText(seconds) {
    if (typeof seconds !== "number" || !Number.isFinite(seconds)) return "";
    if (seconds < 1) return Math.max(1, Math.round(seconds * 1000)) + " ms";
    return seconds < 10 ? seconds.toFixed(2) + " s" : seconds.toFixed(1) + " s";
  }

  // A gzip-compressed file (.svgz) inflated, for its picture.
  async function plainFile(file, compressed) {
    return compressed ? new Response(file.stream().pipeThrough(new DecompressionStream("gzip"))).blob() : file;
  }

  async function offerDownload(output, compressed, stem, mine) {
    const bytes = compressed
      ? await new Response(new Blob([output]).stream().pipeThrough(new CompressionStream("gzip"))).arrayBuffer()
      : output;
    if (mine !== runNumber) return;
    download.href = blobUrl(bytes, "application/octet-stream");
    download.download = stem + (compressed ? "-evenhue.svgz" : "-evenhue.svg");
    download.textContent = "Download " + download.download;
    download.hidden = false;
  }

  function respace(file) {
    if (!engine || !file) return;
    const mine = ++runNumber;
    const times = { chosen: performance.now() };
    window.evenhueTimes = times;
    window.evenhueLast = undefined;
    clearResult();
    setState("working");
    const name = file.name;
    statusLine.textContent = "Re-spacing " + name + "…";

    let result = null;
    let drawn = null;                 // both pictures, once they are being drawn
    let pending = Promise.resolve();  // what the run waits for, the report aside
    let offered = null;               // the download, once offered
    let reported = false;
    const finished = () => {
      if (!reported) return;
      const waited = pending;
      Promise.all([waited, offered]).then(() => {
        if (mine !== runNumber || waited !== pending) return;
        times.done = performance.now();
        setState("done");
      });
    };
    // The new drawing first, then the one as it was.
    const drawPictures = () => {
      if (drawn) return drawn;
      drawn = showPicture(afterImg, result.output, mine)
        .then(async () => showPicture(beforeImg,
          new Blob([await plainFile(file, result.compressed).catch(() => file)], { type: "image/svg+xml" }), mine))
        .then(() => {
          if (mine !== runNumber) return;
          pictureOffer.hidden = true;
          times.pictures = performance.now();
        });
      return drawn;
    };
    // A large drawing's pictures when asked for; the others' once they are on
    // the screen (the run waits for them only when they are).
    const offerPictures = () => {
      const bytes = Math.max(file.size, result.output.length);
      if (bytes > PICTURES_AT_ONCE_BYTES) {
        pictureNote.textContent = `The drawing is ${(bytes / 1e6).toFixed(1)} MB: the page stops answering while ` +
          "the browser draws its pictures (roughly a second for every 2 MB).";
        pictureButton.onclick = () => {
          // Shown before the page stops answering.
          pictureButton.disabled = true;
          pictureNote.textContent = "Drawing the pictures…";
          pending = drawPictures();
          if (document.body.dataset.state !== "done") return;
          setState("pictures");
          finished();
        };
        pictureOffer.hidden = false;
        return;
      }
      pending = new Promise((resolve) => {
        pictureWatch = new IntersectionObserver((entries) => {
          if (!entries.some((e) => e.isIntersecting)) return resolve();
          pictureWatch.disconnect();
          pictureWatch = null;
          return drawPictures().then(resolve);
        });
        pictureWatch.observe(pictureSection);
      });
    };

    engine.run(name, file, {
      applied(applied) {
        if (mine !== runNumber) return;
        result = Object.assign({ ok: true, report: null }, applied);
        result.gradients = applied.gradients.map((g) => Object.assign({ deltaE2000: null }, g));
        window.evenhueLast = result;

        // Offered as a file: a download of no document type, never a page of this one's origin;
        // compressed again (.svgz) when the file came compressed.
        offered = offerDownload(result.output, result.compressed, baseName(name), mine);

        shown = { gradients: result.gradients, figures: 0, page: 0 };
        showPage(0);
        showProgress();
        warningList.replaceChildren(...result.warnings.map((w) => cell("li", w, "warning")));
        noWarnings.hidden = result.warnings.length > 0;
        results.hidden = false;

        const n = result.gradients.length;
        const time = secondsText(result.seconds);
        statusLine.textContent = "Re-spaced " + n + (n === 1 ? " gradient" : " gradients") +
          " of " + name + (time ? " in " + time : "") + ".";
        times.shown = performance.now();
        setState("figures");
        offerPictures();
      },
      figures(indices, figures) {
        if (mine !== runNumber) return;
        figures.forEach((f, i) => { result.gradients[indices[i]].deltaE2000 = f; });
        shown.figures += figures.length;
        const first = shown.page * ROWS_PER_PAGE;
        if (indices.some((i) => i >= first && i < first + ROWS_PER_PAGE)) showPage(shown.page);
        showProgress();
      },
      report(report) {
        if (mine !== runNumber) return;
        result.report = report;
        times.figures = performance.now();
        // The report as `evenhue apply --report` writes it, every gradient and warning.
        downloadReport.href = blobUrl(report, "application/octet-stream");
        downloadReport.download = baseName(name) + "-evenhue-report.json";
        downloadReport.hidden = false;
        reported = true;
        finished();
      },
      failed(error) {
        if (mine !== runNumber) return;
        clearResult();
        window.evenhueLast = { ok: false, error };
        statusLine.textContent = "Could not re-space " + name + ".";
        showError(error);
        times.done = performance.now();
        setState("error");
      },
    });
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
    startFailed("The engine's scripts (evenhue-engine.js, evenhue-api.js) did not load.");
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
