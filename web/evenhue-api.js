// The page's engine: the WebAssembly build of the stand-in host (evenhue.js)
// loads the plug-in's side module (evenhue-plugin.js) exactly as the command
// loads Evenhue.so, and applies the effect to one document at a time.
// Nothing leaves the machine: the document goes into the module's own memory
// file system and its result comes back as bytes.
//
//   const engine = await Evenhue.start();
//   const result = await engine.run(file.name, bytes);
//
// A result is {ok: false, error} with the command's one error line, or
// {ok: true, output, gradients, warnings, report, seconds}: the new document's
// bytes, per re-spaced paint its names, stop counts and ΔE2000 figures, the
// warning lines the command prints, the report it writes and the time taken.
'use strict';

(function () {
  const PLUGIN_FOLDER = '/plugin';
  const PLUGIN_NAME = 'Evenhue.so';
  const DOCUMENTS = '/documents';

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
        m.FS.mkdir(DOCUMENTS);
        m.FS.chdir(DOCUMENTS);
        m.addRunDependency('plugin');
        m.FS.createPreloadedFile(PLUGIN_FOLDER, PLUGIN_NAME, plugin, true, false,
          () => m.removeRunDependency('plugin'),
          () => { throw new Error('the plug-in module does not compile: ' + messages.join(' ')); });
      }],
    });
    module.messages = messages;
    return module;
  }

  class Engine {
    constructor(module) {
      this.module = module;
      this.decoder = new TextDecoder('utf-8');
    }

    static async create() {
      const engine = new Engine(await instantiate());
      if (engine.call('evenhue_start', ['string'], [PLUGIN_FOLDER + '/' + PLUGIN_NAME]) !== 0)
        throw new Error(engine.text());
      return engine;
    }

    call(name, types, args) {
      return this.module.ccall(name, 'number', types, args);
    }

    bytes() {
      const m = this.module;
      const at = m._evenhue_text();
      return m.HEAPU8.slice(at, at + m._evenhue_text_size());
    }

    text() {
      return this.decoder.decode(this.bytes());
    }

    apply(name, bytes) {
      const m = this.module;
      m.FS.writeFile(name, bytes);
      try {
        const failed = this.call('evenhue_apply', ['string'], [name]) !== 0;
        return failed ? {ok: false, error: this.text()} : {ok: true, output: this.bytes()};
      } finally {
        m.FS.unlink(name);
      }
    }

    report(images) {
      const m = this.module;
      const length = images.reduce((sum, image) => sum + image.length, 0);
      const at = m._malloc(Math.max(length, 1));
      try {
        let offset = at;
        for (const image of images) {
          m.HEAPU8.set(image, offset);
          offset += image.length;
        }
        if (this.call('evenhue_report', ['number', 'number'], [at, length]) !== 0) throw new Error(this.text());
        return this.text();
      } finally {
        m._free(at);
      }
    }

    async run(name, bytes) {
      const started = performance.now();
      const applied = this.apply(name, bytes);
      if (!applied.ok) return applied;
      this.call('evenhue_summary', ['string'], [name]);
      const summary = JSON.parse(this.text());
      // The comparison strips are drawn by the browser's own renderer.
      const images = [];
      for (const strip of summary.strips) images.push(await drawSvg(strip.svg, strip.width, strip.height));
      const report = this.report(images);
      const figures = JSON.parse(report).gradients;
      const gradients = summary.gradients.map((g, i) => Object.assign({}, g, {deltaE2000: figures[i].deltaE2000}));
      return {ok: true, output: applied.output, gradients, warnings: summary.lines, report,
              seconds: (performance.now() - started) / 1000};
    }
  }

  // An SVG document drawn by the browser at its own size onto white: RGBA bytes.
  function drawSvg(svg, width, height) {
    return new Promise((resolve, reject) => {
      const image = new Image();
      image.onload = () => {
        const canvas = document.createElement('canvas');
        canvas.width = width;
        canvas.height = height;
        const context = canvas.getContext('2d', {willReadFrequently: true});
        context.fillStyle = '#ffffff';
        context.fillRect(0, 0, width, height);
        context.drawImage(image, 0, 0, width, height);
        resolve(context.getImageData(0, 0, width, height).data);
      };
      image.onerror = () => reject(new Error('the browser cannot draw the comparison strips'));
      image.src = 'data:image/svg+xml;charset=utf-8,' + encodeURIComponent(svg);
    });
  }

  // One engine a page. A run that traps (the module out of memory or stack)
  // leaves the module unusable: the next run starts a new one.
  window.Evenhue = {
    start() {
      let engine = null;
      const fresh = async () => (engine = await Engine.create());
      return fresh().then(() => ({
        async run(name, bytes) {
          if (engine === null) await fresh();
          try {
            return await engine.run(name, bytes);
          } catch (error) {
            engine = null;
            return {ok: false, error: `${name}: the page could not finish it (${String(error.message || error)})`};
          }
        },
      }));
    },
  };
})();
