#!/usr/bin/env node
// Validates one glTF or GLB file and prints the issue counts on the first line, then each error and
// warning. Exit status: 0 no errors and no warnings, 1 some, 2 the file could not be read or validated.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

const file = process.argv[2];
if (!file) {
  console.error('usage: validate.js FILE.gltf|FILE.glb');
  process.exit(2);
}

let bytes;
try {
  bytes = new Uint8Array(fs.readFileSync(file));
} catch (error) {
  console.error(`validate.js: cannot read "${file}": ${error.message}`);
  process.exit(2);
}

// The validator's own recursion may give up on very deep node trees; that is not a finding.
process.on('uncaughtException', (error) => {
  console.error(`validate.js: cannot validate "${file}": ${error.message}`);
  process.exit(2);
});

const readExternal = (uri) =>
  fs.promises.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)));

validator.validateBytes(bytes, {uri: path.basename(file), externalResourceFunction: readExternal})
  .then((report) => {
    const counts = report.issues;
    console.log(`errors ${counts.numErrors} warnings ${counts.numWarnings} infos ${counts.numInfos} ` +
                `hints ${counts.numHints}`);
    for (const message of counts.messages) {
      if (message.severity <= 1) console.log(`${message.code} ${message.pointer || ''} ${message.message}`);
    }
    process.exit(counts.numErrors === 0 && counts.numWarnings === 0 ? 0 : 1);
  })
  .catch((error) => {
    console.error(`validate.js: cannot validate "${file}": ${error}`);
    process.exit(2);
  });
