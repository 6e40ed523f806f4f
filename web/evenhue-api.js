// The page's side of the engine: starts the engine (evenhueEngine, from
// evenhue-engine.js, the host and plug-in built for the browser with
// evenhue-worker.js) in a worker, so that the page keeps answering while it
// works (the worker draws the comparison strips behind the CIEDE2000 figures
// itself, on a canvas of its own), and draws the pictures of the drawing,
// which only the page's renderer can draw.
//
//   const engine = await Evenhue.start();
//   engine.run(file.name, file, {applied, figures, report, failed});
//
// A run answers in steps: applied({output, compressed, gradients, warnings,
// seconds}) once the document is re-spaced (the new document's bytes, always
// plain, whether the file was gzip-compressed (.svgz), per re-spaced
// paint its names and stop counts, the warning lines the command prints, the
// time the engine took); figures(indices, figures) as each strip picture is
// drawn and read, figures[i] the ΔE2000 figures {before: {max, mean}, after:
// {max, mean}} of gradient indices[i]; report(text), the report the command
// writes, after the last; or failed(error) with the command's one error line.
// A new run cancels the unfinished one: its worker is stopped and another
// started.
"use strict";

(function () {
  // The worker's script is the engine function's own text, so that it starts
  // from file:// too (where no script file can be fetched).
  let workerUrl = null;
  function workerScript() {
    if (workerUrl === null) {
      const source = "(" + evenhueEngine.toString() + ")();\n";
      workerUrl = URL.createObjectURL(new Blob([source], { type: "text/javascript" }));
    }
    return workerUrl;
  }

  // Draws an SVG document (bytes or text) with the browser's renderer onto a
  // canvas of the size size(image) gives; the <img> it goes through never runs
  // a script nor fetches anything the document names. The browser reads and
  // draws an SVG image on the page's own thread, which answers nothing
  // meanwhile: a 5 MB drawing takes it seconds.
  function drawSvg(svg, size) {
    return new Promise((resolve, reject) => {
      const url = URL.createObjectURL(new Blob([svg], { type: "image/svg+xml" }));
      const image = new Image();
      image.onload = () => {
        URL.revokeObjectURL(url);
        try {
          const { width, height } = size(image);
          const canvas = document.createElement("canvas");
          canvas.width = width;
          canvas.height = height;
          canvas.getContext("2d").drawImage(image, 0, 0, width, height);
          resolve(canvas);
        } catch (error) {
          reject(error);
        }
      };
      image.onerror = () => {
        URL.revokeObjectURL(url);
        reject(new Error("the browser cannot draw it"));
      };
      image.src = url;
    });
  }

  // The largest picture of a drawing the page makes, in pixels a side.
  const PICTURE_SIDE = 800;

  const toPng = (canvas) => new Promise((resolve, reject) => canvas.toBlob(
    (blob) => (blob ? resolve(blob) : reject(new Error("the browser cannot make its picture"))), "image/png"));

  // The drawing without its <foreignObject> parts (HTML inside SVG), which
  // make a canvas unreadable once drawn, nor its scripts and event handlers
  // (which no picture runs); parsed as data only, so nothing in it runs or
  // loads.
  async function withoutForeignObjects(bytes) {
    const text = await new Blob([bytes]).text();
    const parsed = new DOMParser().parseFromString(text, "image/svg+xml");
    if (parsed.getElementsByTagName("parsererror").length > 0) throw new Error("the drawing does not parse");
    for (const e of Array.from(parsed.querySelectorAll("foreignObject, script"))) e.remove();
    for (const e of parsed.querySelectorAll("*"))
      for (const a of Array.from(e.attributes)) if (/^on/i.test(a.name)) e.removeAttribute(a.name);
    return new XMLSerializer().serializeToString(parsed);
  }

  // A drawing as a PNG picture (a Blob), at most PICTURE_SIDE pixels a side:
  // a raster can be opened anywhere without running the drawing's scripts.
  async function picture(bytes) {
    const fit = (image) => {
      const w = image.naturalWidth || PICTURE_SIDE;
      const h = image.naturalHeight || PICTURE_SIDE;
      const scale = PICTURE_SIDE / Math.max(w, h);
      return { width: Math.max(1, Math.round(w * scale)), height: Math.max(1, Math.round(h * scale)) };
    };
    try {
      return await toPng(await drawSvg(bytes, fit));
    } catch (error) {
      if (error.name !== "SecurityError") throw error;
      return toPng(await drawSvg(await withoutForeignObjects(bytes), fit));
    }
  }

  // A worker running the engine; `ready` settles once it has started.
  class EngineWorker {
    constructor() {
      this.worker = new Worker(workerScript());
      this.listener = null;
      this.ready = new Promise((resolve, reject) => {
        this.worker.onmessage = (event) => {
          const message = event.data;
          if (message.type === "ready") resolve();
          else if (message.type === "failed") reject(new Error(message.error));
          else if (this.listener) this.listener(message);
        };
        this.worker.onerror = (event) => {
          event.preventDefault();
          const error = new Error(event.message || "the engine stopped");
          reject(error);
          if (this.listener) this.listener({ type: "broken", error: error.message });
        };
      });
    }

    post(message, transfer) {
      this.worker.postMessage(message, transfer || []);
    }

    stop() {
      this.worker.terminate();
    }
  }

  class Engine {
    constructor(worker) {
      this.worker = worker;
      this.runs = 0;
      this.busy = false;
    }

    // Another worker, when this one is busy with an older run or broken.
    async fresh() {
      if (this.worker && !this.busy) return this.worker;
      if (this.worker) this.worker.stop();
      this.worker = new EngineWorker();
      this.busy = false;
      await this.worker.ready;
      return this.worker;
    }

    run(name, file, handlers) {
      const id = ++this.runs;
      const mine = () => id === this.runs;
      const fail = (error) => {
        if (!mine()) return;
        this.busy = false;
        handlers.failed(error);
      };
      const broken = (error) => {
        if (!mine()) return;
        this.worker.stop();
        this.worker = null;
        fail(`${name}: the page could not finish it (${error})`);
      };
      (async () => {
        let worker;
        try {
          worker = await this.fresh();
        } catch (error) {
          this.worker = null;
          return fail(`${name}: the engine could not start (${error.message || error})`);
        }
        if (!mine()) return;
        this.busy = true;
        worker.listener = (message) => {
          if (!mine() || (message.id !== undefined && message.id !== id)) return;
          switch (message.type) {
            case "refused":
              return fail(message.error);
            case "broken":
              return broken(message.error);
            case "applied": {
              const summary = JSON.parse(new TextDecoder("utf-8").decode(message.summary));
              return handlers.applied({ output: message.output, compressed: message.compressed,
                gradients: summary.gradients, warnings: summary.lines, seconds: message.seconds });
            }
            case "figures":
              return handlers.figures(message.indices, message.figures);
            case "report":
              this.busy = false;
              return handlers.report(message.report);
            default:
              return undefined;
          }
        };
        worker.post({ type: "run", id, name, file });
      })();
    }
  }

  window.Evenhue = {
    async start() {
      const engine = new Engine(null);
      await engine.fresh();
      return engine;
    },
    picture,
  };
})();
