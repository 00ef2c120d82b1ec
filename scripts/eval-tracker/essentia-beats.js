// Reference beats for the tracker evaluation: Essentia's multi-feature beat
// tracker on one song given as raw 32-bit float mono at 44 100 Hz.
// Prints "confidence X" and then one beat time in seconds a line.
// Run only by scripts/eval-tracker.sh: the library is AGPL and stays out of
// the program and its build.
'use strict';
const fs = require('fs');
const { EssentiaWASM, Essentia } = require('essentia.js');

const buffer = fs.readFileSync(process.argv[2]);
const samples = new Float32Array(buffer.buffer, buffer.byteOffset, Math.floor(buffer.length / 4));
const essentia = new Essentia(EssentiaWASM);
const result = essentia.BeatTrackerMultiFeature(essentia.arrayToVector(samples));
const lines = ['confidence ' + result.confidence.toFixed(4)];
for (const t of essentia.vectorToArray(result.ticks))
    lines.push(t.toFixed(4));
fs.writeFileSync(process.argv[3], lines.join('\n') + '\n');
