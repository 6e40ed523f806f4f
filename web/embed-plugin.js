// Writes the plug-in's side module into a script that the page loads with a
// plain <script> tag: node embed-plugin.js Evenhue.so evenhue-plugin.js
'use strict';
const fs = require('fs');
const [input, output] = process.argv.slice(2);
const data = fs.readFileSync(input).toString('base64');
fs.writeFileSync(output + '.tmp', `// Evenhue.so, the plug-in, as Base64.\nvar EVENHUE_PLUGIN = "${data}";\n`);
fs.renameSync(output + '.tmp', output);
