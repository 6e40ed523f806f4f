// Writes the page's engine as one function that the page starts in a worker
// from its own text (a file:// page can fetch no script for a worker):
//   node bundle-engine.js evenhue.js evenhue-plugin.js evenhue-worker.js evenhue-engine.js
// The host (emscripten's main module with its WebAssembly), the plug-in (its
// side module as Base64) and the worker's own script, in that order.
'use strict';
const fs = require('fs');
const args = process.argv.slice(2);
const output = args.pop();
const parts = args.map((file) => fs.readFileSync(file, 'utf8'));
const text = '// The page\'s engine, started by evenhue-api.js in a worker: written by bundle-engine.js\n' +
  '// from ' + args.map((file) => require('path').basename(file)).join(', ') + '.\n' +
  'function evenhueEngine() {\n' + parts.join('\n') + '\n}\n';
fs.writeFileSync(output + '.tmp', text);
fs.renameSync(output + '.tmp', output);
