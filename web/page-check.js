// The flying page in a real browser (headless Chromium, web/chromium.js),
// for scripts/web-check.sh:
//   node web/page-check.js SITE_URL --script FILE [--desktop-log FILE]
//        [--screenshot OUT.png] [--desktop-picture DESKTOP.png]
// SITE_URL serves the built site (python3 -m http.server on 127.0.0.1).
// The checks, each a line "page: ..." (a failure's on standard error):
//   1. a scripted flight (FILE, flown with the session's time in fixed
//      steps) draws its frames, records the same flight log as the
//      desktop's `fly --record` of the same script (--desktop-log), and its
//      last frame shows the world's sky and floor and the dial's colours
//      inside the dial and nowhere else; the time from navigation to the
//      first frame is printed (a measure, not a check);
//   2. a pad (the Gamepad API, stood in for by a script: headless Chromium
//      has no pads) and the keyboard fly the car: the nose rises, it turns
//      and rolls as they say, and the HUD names the pad;
//   3. a screenshot of the page flying (--screenshot keeps it), its frame
//      compared region by region (world, dial, HUD) with the desktop's
//      picture of the same flight (--desktop-picture), with a bound on the
//      share of pixels that differ in each;
//   4. the settings: stored ones load at the start, a change made in the
//      settings page (F2, a click) is stored, entries of other versions stay,
//      and stored settings that cannot be read are reported and never
//      saved over;
//   5. a drill from the address (drill=NAME&seed=N): flown by a script to its
//      end, its result comes back as `fly --drill` prints it, and the attempt
//      is kept in local storage as a line of the desktop's history;
//   6. a pack and a course from the address (pack=NAME, course=NAME or a
//      course's share code), flown by the autopilot: the first attempt's
//      result comes back as `fly --pack` and `fly --course` print it.
// Exits 1 when a check fails.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { Chromium } = require('./chromium.js');

const kWidth = 1280;
const kHeight = 720;
const kSize = `size=${kWidth}x${kHeight}`;
const kSettingsKey = 'trimsight.settings';
const kHistoryKey = 'trimsight.history';
const kKeys = {
  F2: { code: 'F2', key: 'F2', keyCode: 113 },
  S: { code: 'KeyS', key: 's', keyCode: 83 },
  E: { code: 'KeyE', key: 'e', keyCode: 69 },
  Space: { code: 'Space', key: ' ', keyCode: 32 },
};
// The "Enable plugin" checkbox of the settings window (F2) at 1280 by 720,
// in the canvas's pixels: the window sits 28.8 in from the top right and
// is 1200 wide (the plugin's page and the target options' meanings beside
// it); under its title bar and first line of text, the box.
const kEnableCheckbox = { x: 46, y: 88 };

let failures = 0;
function check(ok, what, detail = '') {
  if (ok) {
    console.log('page: ' + what);
  } else {
    console.error('page: FAILED: ' + what + (detail ? ' (' + detail + ')' : ''));
    ++failures;
  }
}

function argument(name) {
  const i = process.argv.indexOf(name);
  return i > 0 ? process.argv[i + 1] : undefined;
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Loads the flying page with these address options and waits until it
// flies (or, with `untilEnded`, until its flight has ended).
async function openFlyingPage(page, base, options, untilEnded) {
  await page.goto(`${base}/index.html?${options}`);
  const wanted = untilEnded ? "'ended'" : "'flying'";
  const state = await page.waitFor(
    `['failed', ${wanted}].includes(document.body.dataset.state) && document.body.dataset.state`,
    120000);
  if (state === 'failed') {
    throw new Error('the page failed: ' +
                    await page.evaluate("document.getElementById('status').textContent"));
  }
}

const status = (page) => page.evaluate('window.trimsight.flyStatus()');

async function waitForFrames(page, frames) {
  return page.waitFor(`(() => { const s = window.trimsight && window.trimsight.flyStatus();
                                return s && s.frames >= ${frames} && s; })()`, 60000);
}

// Counts, in the page, the colours of the last frame of a flight: the
// world's sky at the top middle and floor at the bottom right, and the
// dial's ground and sky (exact colours) inside its circle and outside it.
// The dial at its default place (x 0.3, y 0.9, size 3.3) on 1280 by 720:
// centre (430, 555), radius 105.
function colourCounts() {
  const picture = window.trimsight.lastPicture();
  if (!picture) return null;
  const at = (x, y) => {
    const i = (y * picture.width + x) * 3;
    return [picture.rgb[i], picture.rgb[i + 1], picture.rgb[i + 2]];
  };
  const near = (c, want, tolerance) => c.every((v, k) => Math.abs(v - want[k]) <= tolerance);
  const worldSky = [150, 170, 195], worldFloor = [46, 82, 52];
  const dialGround = [215, 95, 0], dialSky = [50, 190, 220];
  const counts = { width: picture.width, height: picture.height,
                   sky: near(at(900, 4), worldSky, 6), floor: 0,
                   dialGround: 0, dialSky: 0, outside: 0 };
  for (let x = 1180; x < 1280; x += 10) counts.floor += near(at(x, 715), worldFloor, 6) ? 1 : 0;
  for (let y = 0; y < picture.height; y += 2) {
    for (let x = 0; x < picture.width; x += 2) {
      const c = at(x, y);
      const ground = near(c, dialGround, 2), sky = near(c, dialSky, 2);
      if (!ground && !sky) continue;
      if (Math.hypot(x - 430, y - 555) > 110) ++counts.outside;
      else if (ground) ++counts.dialGround;
      else ++counts.dialSky;
    }
  }
  return counts;
}

async function scriptedFlight(page, base, scriptFile, desktopLog) {
  const script = fs.readFileSync(scriptFile, 'utf8').trim().split('\n').join(';');
  await openFlyingPage(page, base, `${kSize}&fixed=1&script=${encodeURIComponent(script)}`, true);
  const ended = JSON.parse(await page.evaluate("document.getElementById('result').textContent"));
  const firstFrame = Number(await page.evaluate('document.body.dataset.firstFrame'));
  console.log(`page: first frame ${firstFrame.toFixed(0)} ms after navigation began ` +
              '(a fresh browser, nothing cached; budget 3000 ms)');
  // 240 ticks in 2 s, less those a landing held still (the log waits).
  check(ended.frames === 120 && ended.ticks > 0 && ended.ticks <= 240,
        'the scripted flight drew its 120 frames of 2 s (240 ticks at most)',
        JSON.stringify(ended));
  check(ended.framesPerSecond > 0 && ended.frameMs > 0,
        `the page measured its frames: ${ended.framesPerSecond.toFixed(1)} frames/s, ` +
        `frame time ${ended.frameMs.toFixed(2)} ms`, JSON.stringify(ended));
  if (desktopLog) {
    const log = await page.evaluate('window.trimsight.flightLog()');
    check(log === fs.readFileSync(desktopLog, 'utf8'),
          "its flight log is the desktop's `fly --record` of the same script, byte for byte");
  }
  const counts = await page.evaluate(`(${colourCounts})()`);
  check(counts && counts.width === kWidth && counts.height === kHeight,
        `its last frame is ${kWidth} by ${kHeight}`, JSON.stringify(counts));
  if (!counts) return;
  check(counts.sky && counts.floor >= 7, "the world's sky at the top, its floor at the bottom",
        JSON.stringify(counts));
  check(counts.dialGround > 200 && counts.dialSky > 200 && counts.outside === 0,
        "the dial's ground and sky inside its circle and nowhere else", JSON.stringify(counts));
}

// A standard pad the test sets through window.testPad.
const kPadStandIn = `
  window.testPad = { axes: [0, 0, 0, 0], pressed: new Array(17).fill(false) };
  navigator.getGamepads = () => [{
    id: 'Test pad (standard)', index: 0, connected: true, mapping: 'standard',
    timestamp: performance.now(), axes: window.testPad.axes.slice(),
    buttons: window.testPad.pressed.map((p) => ({ pressed: p, touched: p, value: p ? 1 : 0 })),
  }];`;

async function padAndKeyboard(page, base) {
  await page.addInitScript(kPadStandIn);
  await openFlyingPage(page, base, `${kSize}&fixed=1`, false);
  // Each check starts from a fresh jump, back on the floor (R) first: a jump
  // stays in the air a second or so, and the frames run on while the test
  // talks to the page. (So the checks are on the rates, not on how far the
  // car has turned.)
  let s = await status(page);
  const backOnTheFloor = async () => {
    await page.tapKey({ code: 'KeyR', key: 'r', keyCode: 82 });
    s = await waitForFrames(page, s.frames + 2);
  };
  // The pad: jump (South) with the stick pulled back, then with it pushed
  // right.
  const padJump = async (axes) => {
    await backOnTheFloor();
    await page.evaluate(`window.testPad.pressed[0] = true; window.testPad.axes = ${axes}`);
    s = await waitForFrames(page, s.frames + 15);
    await page.evaluate('window.testPad.axes = [0, 0, 0, 0]; window.testPad.pressed[0] = false');
    return s;
  };
  s = await padJump('[0, 1, 0, 0]');
  check(s.pad === 'Test pad (standard)', 'the HUD names the pad', s.pad);
  check(!s.car.onGround && s.car.rates.pitch > 1,
        'the pad jumps and pulling its stick back raises the nose', JSON.stringify(s.car));
  s = await padJump('[1, 0, 0, 0]');
  check(!s.car.onGround && s.car.rates.yaw > 1, 'the stick pushed right turns the car right',
        JSON.stringify(s.car));

  // The keyboard: Space and S (pitch up), then Space and E (roll right).
  const jumpWith = async (key) => {
    await backOnTheFloor();
    await page.pressKey(kKeys.Space, true);
    await page.pressKey(key, true);
    s = await waitForFrames(page, s.frames + 15);
    await page.pressKey(key, false);
    await page.pressKey(kKeys.Space, false);
    return s;
  };
  s = await jumpWith(kKeys.S);
  check(!s.car.onGround && s.car.rates.pitch > 1, 'Space jumps and S raises the nose',
        JSON.stringify(s.car));
  s = await jumpWith(kKeys.E);
  check(!s.car.onGround && s.car.rates.roll > 1, 'E rolls the car right', JSON.stringify(s.car));
}

const storedSettings = (page) => page.evaluate(`localStorage.getItem('${kSettingsKey}')`);

async function setStoredSettings(page, base, text) {
  // The storage is the site's: set it from one of its pages.
  await page.goto(`${base}/trace.html`);
  await page.evaluate(`localStorage.setItem('${kSettingsKey}', ${JSON.stringify(text)})`);
}

// F2, then a click on the settings page's "Enable plugin" checkbox.
async function untickEnablePlugin(page) {
  await page.tapKey(kKeys.F2);
  const s = await status(page);
  await waitForFrames(page, s.frames + 5);
  const canvas = await page.evaluate(
    "(() => { const r = document.getElementById('canvas').getBoundingClientRect(); " +
    'return { x: r.left, y: r.top }; })()');
  await page.click(canvas.x + kEnableCheckbox.x, canvas.y + kEnableCheckbox.y);
}

async function settings(page, base) {
  const stored = '{"later_option": "kept", "trimsight_size": "4.5"}';
  await setStoredSettings(page, base, stored);
  await openFlyingPage(page, base, kSize, false);
  await untickEnablePlugin(page);
  // Saved once the change has rested half a second.
  const saved = await page.waitFor(
    `(() => { const t = localStorage.getItem('${kSettingsKey}');
              return t !== ${JSON.stringify(stored)} && t; })()`, 30000).catch(() => null);
  let entries = null;
  try { entries = JSON.parse(saved); } catch (e) { entries = null; }
  check(entries && entries.trimsight_enabled === '0',
        'a change in the settings page (F2, a click) is stored', saved);
  check(entries && entries.trimsight_size === '4.5' && entries.later_option === 'kept',
        'the stored size was loaded at the start, and an entry of another version stays', saved);

  const corrupt = '{"trimsight_size": ';
  await setStoredSettings(page, base, corrupt);
  await openFlyingPage(page, base, kSize, false);
  const warned = () => page.evaluate("document.getElementById('warnings').textContent");
  check((await warned()).includes('the stored settings cannot be read'),
        'stored settings that cannot be read are reported', await warned());
  await untickEnablePlugin(page);
  await page.waitFor("document.getElementById('warnings').textContent.includes('not saving over')",
                     30000).catch(() => null);
  check((await warned()).includes('not saving over') && await storedSettings(page) === corrupt,
        'and are never saved over', await storedSettings(page));
}

// Aerial touch, seed 3, hands off: the ball lands first, and the attempt
// (the player's, failed) is kept.
async function drill(page, base) {
  await page.goto(`${base}/trace.html`);
  await page.evaluate(`localStorage.removeItem('${kHistoryKey}')`);
  await openFlyingPage(page, base,
                       `${kSize}&fixed=1&drill=aerial-touch&seed=3&script=${encodeURIComponent('60 end')}`,
                       true);
  const lines = (await page.evaluate("document.getElementById('attempts').textContent"))
    .split('\n').filter((l) => l !== '');
  let result = null;
  try { result = JSON.parse(lines[0]); } catch (e) { result = null; }
  check(lines.length === 1 && result && result.drill === 'aerial-touch' && result.seed === 3 &&
        result.outcome === 'failed' && result.autopilot === false,
        "a drill from the address flies to its end and its result comes back", lines.join(' | '));
  const history = await page.evaluate(`localStorage.getItem('${kHistoryKey}')`);
  const kept = (history || '').split('\n').filter((l) => l !== '');
  check(kept.length === 1 && kept[0].startsWith('trimsight-attempt 1 ') &&
        kept[0].includes(' drill=aerial-touch ') && kept[0].includes(' seed=3 '),
        'and its attempt is kept in local storage as a line of the history', history);
}

// Two rings straight ahead (`trimsight-host course code` of the course in
// tests/fly/drill_program_test.cpp): the codec is the same on the page.
const kTwoRingsCode =
  'AckAAAAidHJpbXNpZ2h0LWNvdXJzZSAxCiMgdHdvIHJpbmdzIHN0cmGBHgAKIGFoZWFkCm5hbWWBHgAALYIeABoKY2F' +
  'yIGxvY2F0aW9uIDAgLTMwMDAgMTcuMDOCGwCBMwCAKAARIDkwCnRpbWVfbGltaXQgMjAKgT4AAiBhdIEzAAExNYEzAAU' +
  'yMCBmYWOBFgCADQCABAAAcoA5AAR1cyA0MIksAJsoAJmcViM';

async function packAndCourse(browser, base) {
  const asked = [
    ['pack=first-aerials', 'shot-first-aerials-1'],
    ['course=loop', 'course-loop'],
    [`course=${kTwoRingsCode}`, 'course-two-rings'],
  ];
  for (const [option, name] of asked) {
    const page = await browser.newPage();
    await openFlyingPage(page, base, `${kSize}&fixed=1&autopilot=1&seconds=60&${option}`, true);
    const lines = (await page.evaluate("document.getElementById('attempts').textContent"))
      .split('\n').filter((l) => l !== '');
    let result = null;
    try { result = JSON.parse(lines[0]); } catch (e) { result = null; }
    check(lines.length === 1 && result && result.drill === name && result.outcome === 'passed' &&
          result.autopilot === true,
          `${option.split('=')[0]}=${name} from the address is flown by the autopilot and its ` +
          'result comes back', lines.join(' | '));
  }
}

// The page flying from a random start in the air with the ball camera on,
// for the README.
// Its script and seed; scripts/web-check.sh flies the same on the desktop
// (kScreenshotScript, one step a line) for the comparison below.
const kScreenshotScript = '0 key down C;0 stick 0.35 -0.5;0.1 key up C;0.9 stick 0 0;1.2 end';
async function screenshot(page, base, out, desktopPicture) {
  await openFlyingPage(page, base,
                       `${kSize}&fixed=1&seed=4&script=${encodeURIComponent(kScreenshotScript)}`,
                       true);
  const picture = await page.screenshot();
  fs.writeFileSync(out, picture);
  check(picture.length > 10000, `a screenshot of the page: ${out}`);
  if (desktopPicture) await compareWithDesktop(page, desktopPicture);
}

// An 8-bit RGB or RGBA PNG (no interlace) as {width, height, rgb}.
function readPng(file) {
  const zlib = require('zlib');
  const data = fs.readFileSync(file);
  let at = 8, width = 0, height = 0, channels = 0;
  const idat = [];
  while (at < data.length) {
    const length = data.readUInt32BE(at);
    const kind = data.toString('latin1', at + 4, at + 8);
    const body = data.subarray(at + 8, at + 8 + length);
    if (kind === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = body[9] === 6 ? 4 : 3;
    } else if (kind === 'IDAT') {
      idat.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const rgb = new Uint8Array(width * height * 3);
  let previous = new Uint8Array(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = Uint8Array.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? line[i - channels] : 0;
      const b = previous[i];
      const c = i >= channels ? previous[i - channels] : 0;
      let add = 0;
      if (filter === 1) add = a;
      else if (filter === 2) add = b;
      else if (filter === 3) add = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        add = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      line[i] = (line[i] + add) & 255;
    }
    for (let x = 0; x < width; ++x)
      for (let k = 0; k < 3; ++k) rgb[(y * width + x) * 3 + k] = line[x * channels + k];
    previous = line;
  }
  return { width, height, rgb };
}

// The page's last frame against the desktop's (`fly --video-driver
// offscreen` of the same seed and script), region by region: the dial (its
// circle), the HUD (the upper left box, whose frame rate and frame time
// differ by nature) and the world (the rest). A pixel differs when no pixel
// of the other picture within one pixel of it has its colour (within 40 a
// channel): the two rasterisers may place an edge a pixel apart.
const kRegions = [
  { name: 'world', bound: 0.005 },
  { name: 'dial', bound: 0.005 },
  { name: 'HUD', bound: 0.1 },
];
function regionOf(x, y) {
  if (Math.hypot(x - 430, y - 555) <= 140) return 1;
  if (x < 340 && y < 130) return 2;
  return 0;
}
async function compareWithDesktop(page, desktopFile) {
  const desktop = readPng(desktopFile);
  const encoded = await page.evaluate(`(() => {
    const p = window.trimsight.lastPicture();
    let s = '';
    for (let i = 0; i < p.rgb.length; i += 0x8000)
      s += String.fromCharCode.apply(null, p.rgb.subarray(i, i + 0x8000));
    return JSON.stringify({ width: p.width, height: p.height, rgb: btoa(s) });
  })()`);
  const parsed = JSON.parse(encoded);
  const web = { width: parsed.width, height: parsed.height,
                rgb: new Uint8Array(Buffer.from(parsed.rgb, 'base64')) };
  if (web.width !== desktop.width || web.height !== desktop.height) {
    check(false, 'the page draws the flight as the desktop does',
          `sizes ${web.width}x${web.height} and ${desktop.width}x${desktop.height}`);
    return;
  }
  const { width, height } = web;
  const near = (a, i, b, j) => Math.abs(a[i] - b[j]) <= 40 && Math.abs(a[i + 1] - b[j + 1]) <= 40 &&
                               Math.abs(a[i + 2] - b[j + 2]) <= 40;
  const foundAround = (a, b, x, y) => {
    const i = (y * width + x) * 3;
    for (let dy = -1; dy <= 1; ++dy)
      for (let dx = -1; dx <= 1; ++dx) {
        const qx = x + dx, qy = y + dy;
        if (qx < 0 || qy < 0 || qx >= width || qy >= height) continue;
        if (near(a, i, b, (qy * width + qx) * 3)) return true;
      }
    return false;
  };
  const total = [0, 0, 0], differing = [0, 0, 0];
  for (let y = 0; y < height; ++y)
    for (let x = 0; x < width; ++x) {
      const r = regionOf(x, y);
      ++total[r];
      if (!foundAround(web.rgb, desktop.rgb, x, y) || !foundAround(desktop.rgb, web.rgb, x, y))
        ++differing[r];
    }
  kRegions.forEach((region, r) => {
    const share = differing[r] / total[r];
    check(share <= region.bound,
          `the page draws the ${region.name} as the desktop does: ${differing[r]} of ` +
          `${total[r]} pixels differ (${(100 * share).toFixed(2)} %, at most ` +
          `${(100 * region.bound).toFixed(1)} %)`);
  });
}

async function main() {
  const base = process.argv[2];
  const scriptFile = argument('--script');
  if (!base || !scriptFile) throw new Error('usage: page-check.js SITE_URL --script FILE ...');
  const userData = fs.mkdtempSync(path.join(os.tmpdir(), 'trimsight-chromium-'));
  const browser = await Chromium.launch({ userDataDir: userData, width: kWidth, height: 840 });
  try {
    await scriptedFlight(await browser.newPage(), base, scriptFile, argument('--desktop-log'));
    await padAndKeyboard(await browser.newPage(), base);
    // Before the settings' checks, which leave their warnings on the page.
    const out = argument('--screenshot') || path.join(userData, 'page.png');
    await screenshot(await browser.newPage(), base, out, argument('--desktop-picture'));
    await settings(await browser.newPage(), base);
    await drill(await browser.newPage(), base);
    await packAndCourse(browser, base);
  } finally {
    await browser.close();
    fs.rmSync(userData, { recursive: true, force: true });
  }
}

main().then(() => process.exit(failures > 0 ? 1 : 0), (e) => {
  console.error('page: FAILED: ' + e.message);
  process.exit(1);
});
