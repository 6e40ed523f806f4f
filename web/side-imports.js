// Lists what the plug-in's side module takes from the main module, for the
// main module to keep and export (emscripten's -sMAIN_MODULE=2 keeps nothing
// else): node side-imports.js Evenhue.so exports.json
//
// Its imports are functions and data addresses (GOT.mem, GOT.func). Left out:
// what the side module defines itself, and the invoke_* trampolines, which
// emscripten's dynamic linker makes on demand.
'use strict';
const fs = require('fs');
const [input, output] = process.argv.slice(2);
const side = new WebAssembly.Module(fs.readFileSync(input));
const own = new Set(WebAssembly.Module.exports(side).map((e) => e.name));
const taken = WebAssembly.Module.imports(side)
  .filter((i) => (i.module === 'env' && i.kind === 'function') || i.module === 'GOT.mem' || i.module === 'GOT.func')
  .map((i) => i.name)
  .filter((name) => !own.has(name) && !name.startsWith('invoke_'));
// The page's own calls into the module.
const page = ['malloc', 'free'];
const names = [...new Set([...taken, ...page])].sort().map((name) => '_' + name);
fs.writeFileSync(output + '.tmp', JSON.stringify(names) + '\n');
fs.renameSync(output + '.tmp', output);
