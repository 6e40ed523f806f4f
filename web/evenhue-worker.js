// The page's engine, run in a worker of its own so that the page keeps
// answering: the WebAssembly build of the stand-in host (evenhue.js) loads the
// plug-in's side module (evenhue-plugin.js) exactly as the command loads
// Evenhue.so, and applies the effect to one document at a time. The build
// puts the three scripts into one function, evenhueEngine (evenhue-engine.js),
// which the page starts as the worker's script (evenhue-api.js).
//
// Messages from the page:
//   {type: "run", id, name, file}     apply the effect to a File, naming it `name`
// Messages to the page:
//   {type: "ready"} or {type: "failed", error}     once, when started
//   {type: "refused", id, error}                   the command's one error line
//   {type: "applied", id, output, compressed, summary, seconds}  compressed: the file was gzip;
//                                                  summary: evenhue_summary's JSON, as UTF-8 bytes
//   {type: "figures", id, indices, figures}        as each strip picture is read
//   {type: "report", id, report}                   after the last figures
//   {type: "broken", id, error}                    the module trapped: start another worker
// Nothing leaves the machine: the document's bytes go into the module's
// memory and its result comes back as bytes.
//
// The comparison strips behind the figures are drawn here, by the browser's
// renderer through a canvas of the worker's own (OffscreenCanvas), each row a
// linear gradient with the row's stops: the page's thread draws none of
// them, so it answers all the while.

const PLUGIN_FOLDER = "/plugin";
const PLUGIN_NAME = "Evenhue.so";

function decodeBase64(text) {
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

// Instantiates the main module with the plug-in file in place. The side
// module is compiled while the main module starts (emscripten's preload
// step), so dlopen finds it ready instead of compiling it on the spot.
async function instantiate() {
  const plugin = decodeBase64(EVENHUE_PLUGIN);
  const messages = [];
  const module = await EvenhueModule({
    print: (line) => messages.push(line),
    printErr: (line) => messages.push(line),
    preRun: [(m) => {
      m.FS.mkdir(PLUGIN_FOLDER);
      m.addRunDependency("plugin");
      m.FS.createPreloadedFile(PLUGIN_FOLDER, PLUGIN_NAME, plugin, true, false,
        () => m.removeRunDependency("plugin"),
        () => { throw new Error("the plug-in module does not compile: " + messages.join(" ")); });
    }],
  });
  return module;
}

class Engine {
  constructor(module) {
    this.module = module;
    this.decoder = new TextDecoder("utf-8");
  }

  call(name, types, args) {
    return this.module.ccall(name, "number", types, args);
  }

  bytes() {
    const m = this.module;
    const at = m._evenhue_text();
    return m.HEAPU8.slice(at, at + m._evenhue_text_size());
  }

  text() {
    return this.decoder.decode(this.bytes());
  }

  json() {
    return JSON.parse(this.text());
  }

  // Calls `name` with `data` copied into the module's memory as its first
  // (pointer, length) arguments after `before`.
  withBytes(name, beforeTypes, before, data) {
    const m = this.module;
    const at = m._malloc(Math.max(data.length, 1));
    try {
      m.HEAPU8.set(data, at);
      return this.call(name, [...beforeTypes, "number", "number"], [...before, at, data.length]);
    } finally {
      m._free(at);
    }
  }
}

let engine = null;

// Strip picture `index` of the last document, drawn as an SVG renderer draws
// its rows (a horizontal linear gradient across the picture, on white, the
// stops' offsets clamped to [0, 1] and to the offset before them): its pixels,
// four bytes each, rows top to bottom.
function drawStrips(index) {
  engine.call("evenhue_strip", ["number"], [index]);
  const {width, height, rows} = engine.json();
  const canvas = new OffscreenCanvas(width, height);
  const context = canvas.getContext("2d", {willReadFrequently: true});
  context.fillStyle = "#ffffff";
  context.fillRect(0, 0, width, height);
  rows.forEach((stops, y) => {
    const gradient = context.createLinearGradient(0, 0, width, 0);
    let last = 0;
    for (const [offset, red, green, blue] of stops) {
      last = Math.min(1, Math.max(last, offset));
      gradient.addColorStop(last, `rgb(${red}, ${green}, ${blue})`);
    }
    context.fillStyle = gradient;
    context.fillRect(0, y, width, 1);
  });
  return context.getImageData(0, 0, width, height).data;
}

// Whether `size` bytes are past the command's limit (`decompressed`: those a
// compressed file inflated to so far); the engine's text then says so.
function tooLarge(name, size, decompressed) {
  return engine.call("evenhue_check_size", ["string", "number", "number"], [name, size, decompressed ? 1 : 0]) !== 0;
}

// The document's bytes, {bytes, compressed}, or {error} with the command's
// line. A gzip-compressed one (.svgz), known by its first two bytes whatever
// its name, is inflated by the browser (DecompressionStream) piece by piece,
// and refused once it inflates past the limit, without holding more.
async function readDocument(name, file) {
  const read = new Uint8Array(await file.arrayBuffer());
  if (read.length < 2 || read[0] !== 0x1f || read[1] !== 0x8b) return {bytes: read, compressed: false};
  const reader = new Blob([read]).stream().pipeThrough(new DecompressionStream("gzip")).getReader();
  const pieces = [];
  let size = 0;
  for (;;) {
    let piece;
    try {
      piece = await reader.read();
    } catch (error) {
      return {error: `${name}: the compressed data is damaged or cut short (${error.message || error})`};
    }
    if (piece.done) break;
    size += piece.value.length;
    if (tooLarge(name, size, true)) {
      reader.cancel().catch(() => {});
      return {error: engine.text()};
    }
    pieces.push(piece.value);
  }
  const bytes = new Uint8Array(size);
  let at = 0;
  for (const piece of pieces) {
    bytes.set(piece, at);
    at += piece.length;
  }
  return {bytes, compressed: true};
}

async function run({id, name, file}) {
  // The size is checked before a byte is read.
  if (tooLarge(name, file.size, false)) {
    postMessage({type: "refused", id, error: engine.text()});
    return;
  }
  let bytes, compressed;
  try {
    const read = await readDocument(name, file);
    if (read.error) {
      postMessage({type: "refused", id, error: read.error});
      return;
    }
    ({bytes, compressed} = read);
  } catch (error) {
    postMessage({type: "refused", id, error: `${name}: cannot read the file (${error.message || error})`});
    return;
  }
  const started = performance.now();
  if (engine.withBytes("evenhue_apply", ["string"], [name], bytes) !== 0) {
    postMessage({type: "refused", id, error: engine.text()});
    return;
  }
  const output = engine.bytes();
  const seconds = (performance.now() - started) / 1000;
  // The summary goes as its JSON text's bytes, which the page reads far
  // sooner than a copy of ten thousand objects.
  engine.call("evenhue_summary", ["string"], [name]);
  const summary = engine.bytes();
  postMessage({type: "applied", id, output, compressed, summary, seconds}, [output.buffer, summary.buffer]);
  const pictures = engine.call("evenhue_pictures", [], []);
  for (let index = 0; index < pictures; ++index) {
    const rgba = drawStrips(index);
    if (engine.withBytes("evenhue_figures", ["number"], [index], rgba) !== 0) throw new Error(engine.text());
    const {indices, figures} = engine.json();
    postMessage({type: "figures", id, indices, figures});
  }
  engine.call("evenhue_report", [], []);
  postMessage({type: "report", id, report: engine.text()});
}

const started = instantiate().then((module) => {
  engine = new Engine(module);
  if (engine.call("evenhue_start", ["string"], [PLUGIN_FOLDER + "/" + PLUGIN_NAME]) !== 0)
    throw new Error(engine.text());
  postMessage({type: "ready"});
}, (error) => {
  throw error;
}).catch((error) => {
  postMessage({type: "failed", error: String(error && error.message || error)});
});

// One message at a time, in order.
let queue = started;
self.onmessage = (event) => {
  const message = event.data;
  queue = queue.then(async () => {
    if (!engine) return;
    try {
      if (message.type === "run") await run(message);
    } catch (error) {
      // A trap (out of memory or stack) leaves the module unusable.
      engine = null;
      postMessage({type: "broken", id: message.id, error: String(error && error.message || error)});
    }
  });
};
