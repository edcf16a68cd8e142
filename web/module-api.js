// Added to the module by emcc (--post-js): the exported functions as
// JavaScript calls, for the page and for trace-scene.js.
//   module.traceScene(sceneText) -> {code, text}: what `trimsight-host trace`
//       exits with and prints (the trace, or its one-line message)
//   module.demoScene() -> the built-in demo's scene text
Module['traceScene'] = function (sceneText) {
  const size = lengthBytesUTF8(sceneText) + 1;
  const pointer = _malloc(size);
  stringToUTF8(sceneText, pointer, size);
  const code = _trimsight_trace(pointer);
  _free(pointer);
  return { code: code, text: UTF8ToString(_trimsight_text()) };
};

Module['demoScene'] = function () {
  _trimsight_demo_scene();
  return UTF8ToString(_trimsight_text());
};
