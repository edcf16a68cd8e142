// A headless Chromium driven through the DevTools protocol over a pipe
// (--remote-debugging-pipe): no WebSocket, no npm package, nothing but
// Node and Debian's chromium. For web/page-check.js.
//   const browser = await Chromium.launch({userDataDir, width, height});
//   const page = await browser.newPage();
//   await page.goto(url); await page.evaluate('1 + 1');
//   await page.tapKey({code: 'F2', key: 'F2', keyCode: 113}); await page.click(x, y);
//   await page.screenshot(); await browser.close();
'use strict';
const { spawn } = require('child_process');

// The flags that work here as root, in a container without a GPU. WebGL 2
// comes from SwiftShader, Chromium's software renderer, which a GPU-less
// Chromium only offers for WebGL when told it may.
const kFlags = [
  '--headless', '--no-sandbox', '--disable-gpu', '--enable-unsafe-swiftshader',
  '--use-angle=swiftshader', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--disable-extensions', '--mute-audio', '--hide-scrollbars',
  // Frames keep coming in a page nobody looks at.
  '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
  '--disable-backgrounding-occluded-windows',
];

class Connection {
  constructor(input, output) {
    this.input = input;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = [];
    let buffered = Buffer.alloc(0);
    output.on('data', (chunk) => {
      buffered = Buffer.concat([buffered, chunk]);
      for (let end = buffered.indexOf(0); end >= 0; end = buffered.indexOf(0)) {
        this.receive(JSON.parse(buffered.subarray(0, end).toString('utf8')));
        buffered = buffered.subarray(end + 1);
      }
    });
  }

  receive(message) {
    if (message.id === undefined) {
      for (const listen of this.listeners) listen(message);
      return;
    }
    const waiting = this.pending.get(message.id);
    if (!waiting) return;
    this.pending.delete(message.id);
    if (message.error) waiting.reject(new Error(waiting.method + ': ' + message.error.message));
    else waiting.resolve(message.result);
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.input.write(JSON.stringify(message) + '\0');
    });
  }

  failAll(error) {
    for (const waiting of this.pending.values()) waiting.reject(error);
    this.pending.clear();
  }
}

class Page {
  constructor(connection, sessionId) {
    this.connection = connection;
    this.sessionId = sessionId;
    this.console = [];
    connection.listeners.push((message) => {
      if (message.sessionId !== sessionId) return;
      if (message.method === 'Page.loadEventFired' && this.onLoad) {
        this.onLoad();
        this.onLoad = null;
      } else if (message.method === 'Runtime.consoleAPICalled') {
        this.console.push(message.params.args.map((a) => a.value ?? a.description).join(' '));
      } else if (message.method === 'Runtime.exceptionThrown') {
        this.console.push('exception: ' + message.params.exceptionDetails.exception?.description);
      }
    });
  }

  send(method, params) { return this.connection.send(method, params, this.sessionId); }

  // Loads the address and waits for the page's load event.
  async goto(url) {
    const loaded = new Promise((resolve) => { this.onLoad = resolve; });
    const reply = await this.send('Page.navigate', { url });
    if (reply.errorText) throw new Error('cannot load ' + url + ': ' + reply.errorText);
    await loaded;
  }

  // Runs `source` in every page loaded from now on, before the page's own
  // scripts (a stand-in for what a browser here lacks, such as a pad).
  async addInitScript(source) {
    await this.send('Page.addScriptToEvaluateOnNewDocument', { source });
  }

  // The value of a JavaScript expression (a promise is awaited).
  async evaluate(expression) {
    const reply = await this.send('Runtime.evaluate',
                                  { expression, awaitPromise: true, returnByValue: true });
    if (reply.exceptionDetails) {
      throw new Error('in the page: ' + (reply.exceptionDetails.exception?.description ||
                                         reply.exceptionDetails.text));
    }
    return reply.result.value;
  }

  // Waits until the expression is truthy, polling; its value.
  async waitFor(expression, timeoutMs) {
    const until = Date.now() + timeoutMs;
    for (;;) {
      const value = await this.evaluate(expression);
      if (value) return value;
      if (Date.now() > until) {
        throw new Error('timed out waiting for ' + expression + '; the page said: ' +
                        this.console.slice(-5).join(' | '));
      }
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
  }

  // A key goes down or up, as a keyboard's does: `key` is the browser's
  // {code, key, keyCode} ({code: 'KeyW', key: 'w', keyCode: 87}).
  async pressKey({ code, key, keyCode }, down) {
    await this.send('Input.dispatchKeyEvent', {
      type: down ? 'rawKeyDown' : 'keyUp', code, key,
      windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode,
    });
  }

  async tapKey(key) {
    await this.pressKey(key, true);
    await this.pressKey(key, false);
  }

  async click(x, y) {
    for (const type of ['mouseMoved', 'mousePressed', 'mouseReleased']) {
      await this.send('Input.dispatchMouseEvent', { type, x, y, button: 'left', clickCount: 1 });
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
  }

  // The page as a PNG (a Buffer).
  async screenshot() {
    const reply = await this.send('Page.captureScreenshot', { format: 'png' });
    return Buffer.from(reply.data, 'base64');
  }
}

class Chromium {
  static async launch({ userDataDir, width = 1280, height = 800, executable = 'chromium' }) {
    const child = spawn(executable, [...kFlags, '--remote-debugging-pipe',
                                     `--user-data-dir=${userDataDir}`,
                                     `--window-size=${width},${height}`, 'about:blank'],
                        { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    const browser = new Chromium(child, width, height);
    await browser.connection.send('Browser.getVersion');
    return browser;
  }

  constructor(child, width, height) {
    this.child = child;
    this.width = width;
    this.height = height;
    this.log = '';
    child.stderr.on('data', (chunk) => { this.log = (this.log + chunk).slice(-20000); });
    this.connection = new Connection(child.stdio[3], child.stdio[4]);
    child.on('exit', () => this.connection.failAll(new Error('chromium exited: ' + this.log.slice(-2000))));
  }

  async newPage() {
    const { targetId } = await this.connection.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await this.connection.send('Target.attachToTarget',
                                                     { targetId, flatten: true });
    const page = new Page(this.connection, sessionId);
    await page.send('Runtime.enable');
    await page.send('Page.enable');
    await page.send('Emulation.setDeviceMetricsOverride',
                    { width: this.width, height: this.height, deviceScaleFactor: 1, mobile: false });
    return page;
  }

  async close() {
    const exited = new Promise((resolve) => this.child.once('exit', resolve));
    try {
      await this.connection.send('Browser.close');
    } catch (e) {
      // Already gone.
    }
    const timer = setTimeout(() => this.child.kill('SIGKILL'), 5000);
    await exited;
    clearTimeout(timer);
  }
}

module.exports = { Chromium };
