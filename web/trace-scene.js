// The browser build's trace of a scene file, run under Node: prints what
// `trimsight-host trace SCENE` prints (the trace on stdout, a failure on
// stderr) and exits with its code.
//   node web/trace-scene.js SITE_DIR SCENE.json
//   node web/trace-scene.js SITE_DIR --demo-scene   (prints the demo's scene)
'use strict';
const fs = require('fs');
const path = require('path');

const [siteDir, scenePath] = process.argv.slice(2);
if (!siteDir || !scenePath) {
  process.stderr.write('usage: node trace-scene.js SITE_DIR SCENE.json|--demo-scene\n');
  process.exit(2);
}
const createTrimsight = require(path.resolve(siteDir, 'trimsight.js'));
// Handed the .wasm's bytes: this emscripten's loader would fetch() the file's
// path in a Node that has fetch.
const wasmBinary = fs.readFileSync(path.resolve(siteDir, 'trimsight.wasm'));
createTrimsight({ wasmBinary: wasmBinary }).then((module) => {
  if (scenePath === '--demo-scene') {
    process.stdout.write(module.demoScene());
    return;
  }
  const result = module.traceScene(fs.readFileSync(scenePath, 'utf8'));
  (result.code === 0 ? process.stdout : process.stderr).write(result.text);
  process.exitCode = result.code;
});
