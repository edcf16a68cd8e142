// A scene of many frames drawn at random from a seed, every frame a new
// attitude, position, velocity, stick, canvas and dial setting, so that the
// browser build's maths meets far more angles than the hand-written scenes
// hold. The numbers have at most two decimals: both builds read them alike.
//   node web/sweep-scene.js SEED FRAMES > sweep.json
'use strict';
const [seedText, framesText] = process.argv.slice(2);
const frames = Number(framesText);
if (!Number.isInteger(frames) || frames < 1 || !/^\d+$/.test(seedText || '')) {
  process.stderr.write('usage: node sweep-scene.js SEED FRAMES\n');
  process.exit(2);
}

// xorshift32: the same sequence from the same seed, whatever runs it.
let state = (Number(seedText) >>> 0) || 1;
function nextUnit() {
  state ^= state << 13;
  state >>>= 0;
  state ^= state >>> 17;
  state ^= state << 5;
  state >>>= 0;
  return state / 4294967296;
}
const between = (low, high) => Math.round((low + (high - low) * nextUnit()) * 100) / 100;
const whole = (low, high) => Math.floor(low + (high - low + 1) * nextUnit());
const vector = (size) => [between(-size, size), between(-size, size), between(0, size)];

const canvases = [[1920, 1080], [1280, 720], [2560, 1440], [800, 600], [3840, 2160]];
const scene = { frames: [] };
for (let i = 0; i < frames; ++i) {
  scene.frames.push({
    canvas: canvases[whole(0, canvases.length - 1)],
    cvars: {
      peripheral_mode_enabled: String(nextUnit() < 0.2 ? 1 : 0),
      trimsight_size: String(between(2, 5)),
      x_position: String(between(0, 1)),
      y_position: String(between(0, 1)),
      trimsight_target: String(whole(0, 6)),
    },
    car: {
      location: vector(4000),
      velocity: vector(2300),
      rotation: [whole(-16384, 16384), whole(-32768, 32767), whole(-32768, 32767)],
      input: { steer: between(-1, 1), pitch: between(-1, 1) },
    },
    ball: { location: vector(4000), velocity: vector(3000) },
  });
}
process.stdout.write(JSON.stringify(scene) + '\n');
