// Added to the flying page's module by emcc (--post-js): the exported
// functions as JavaScript calls, for index.html.
//   module.onFlyEvent = (kind, text) => ...   set before starting: "warning",
//       "first-frame", "ended", "failed" (web/FlyPage.cpp says what each holds)
//   module.startFlying(options) -> true when the frames have begun
//   module.flyStatus() -> {ended, frames, framesPerSecond, frameMs, seconds,
//       ticks, car: {location, forward, rates: {pitch, yaw, roll}, onGround}},
//       or null before the flight
//   module.flightLog() -> the flight log so far, as `fly --record` writes it
//   module.lastPicture() -> {width, height, rgb} of a flight with an end,
//       once it has ended (rgb: RGB bytes, rows from the top), or null
function flyText(pointer) {
  const size = lengthBytesUTF8(pointer) + 1;
  const copy = _malloc(size);
  stringToUTF8(pointer, copy, size);
  return copy;
}

Module['startFlying'] = function (options) {
  const pointer = flyText(JSON.stringify(options));
  const code = _trimsight_fly_start(pointer);
  _free(pointer);
  return code === 0;
};

Module['flyStatus'] = function () {
  const text = UTF8ToString(_trimsight_fly_status());
  return text === '' ? null : JSON.parse(text);
};

Module['flightLog'] = function () {
  return UTF8ToString(_trimsight_fly_log());
};

Module['lastPicture'] = function () {
  const pointer = _trimsight_fly_picture();
  if (pointer === 0) return null;
  const width = _trimsight_fly_picture_width();
  const height = _trimsight_fly_picture_height();
  return { width: width, height: height, rgb: HEAPU8.slice(pointer, pointer + width * height * 3) };
};
