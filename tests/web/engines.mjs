// The page in each browser engine the tests run it in, behind one small
// tab: Chromium through playwright-core, headless; Firefox ESR through
// puppeteer-core over WebDriver BiDi, in a window on the test's virtual X
// server (headless, it has no WebGL here); WebKitGTK's MiniBrowser through
// WebKitWebDriver over WebDriver, in a window there too. A test file runs
// in the engine SANDMERE_ENGINE names (chromium by default).
//
// A tab: goto(url), reload(), evaluate(fn, arg) (fn runs in the page; its
// result comes back as JSON), click(selector), drag(points) and press(key)
// as a mouse and a keyboard do (points in CSS pixels of the viewport),
// chooseFile(selector, file), screenshot() (the viewport, a PNG),
// problems(): the page's uncaught errors and breaches of its Content
// Security Policy so far, and close(). Each tab keeps nothing of another's;
// only the last one opened and not closed is in front (a browser slows the
// frames of a tab behind).
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { createHash } from 'node:crypto';
import { existsSync, readdirSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import net from 'node:net';
import path from 'node:path';

import { serveFolder } from '../../scripts/serve.mjs';
import {
  chromiumArgs,
  chromiumPath,
  decodePng,
  nextFrames,
  nodeTools,
  playwright,
  SIDE,
  settled,
  site,
  virtualDisplay,
} from './harness.mjs';

const ENGINES = ['chromium', 'firefox', 'webkit'];
export const engineName = process.env.SANDMERE_ENGINE || 'chromium';
if (!ENGINES.includes(engineName)) throw new Error(`SANDMERE_ENGINE: no engine ${engineName}; one of ${ENGINES}`);

const firefoxPath = '/usr/bin/firefox-esr';
const webkitDriverPath = '/usr/bin/WebKitWebDriver';
// Debian keeps it in the folder of the machine's architecture.
const miniBrowserPath =
  readdirSync('/usr/lib')
    .map((folder) => path.join('/usr/lib', folder, 'webkit2gtk-4.1', 'MiniBrowser'))
    .find(existsSync) ?? '/usr/lib/ARCHITECTURE/webkit2gtk-4.1/MiniBrowser';
const VIEWPORT = { width: 1000, height: 1000 };
const STEP_MS = 30000;

// What an engine needs that may be missing: [what, how to get it].
export function missingFor(name) {
  const needs = {
    chromium: [[chromiumPath, 'apt-get install chromium']],
    firefox: [
      [firefoxPath, 'apt-get install firefox-esr'],
      [path.join(nodeTools, 'node_modules', 'puppeteer-core'), 'scripts/web-tools.sh installs puppeteer-core'],
    ],
    webkit: [
      [webkitDriverPath, 'apt-get install webkit2gtk-driver'],
      [miniBrowserPath, 'apt-get install webkit2gtk-driver'],
    ],
  }[name];
  return needs.filter(([file]) => !existsSync(file)).map(([file, how]) => `${file} (${how})`);
}

// Marks every breach of the Content Security Policy on the console, where
// the drivers that hear the page's console see it.
function announceBreaches() {
  document.addEventListener('securitypolicyviolation', (event) => {
    console.error(`Content Security Policy: ${event.violatedDirective} refused ${event.blockedURI}`);
  });
}
const isBreach = (text) => /Content Security Policy/i.test(text);

// ---- Chromium and Firefox ------------------------------------------------------

// A tab on a page of playwright's or puppeteer's, whose pages are driven
// alike; `own` holds what differs: how a script is run first in every
// document, and how a file is chosen.
async function driverTab(context, page, own) {
  const problems = [];
  page.on('pageerror', (error) => problems.push(`error: ${error.message}`));
  page.on('console', (message) => isBreach(message.text()) && problems.push(`CSP: ${message.text()}`));
  await own.runFirst(announceBreaches);
  return {
    goto: (url) => page.goto(url),
    reload: () => page.reload(),
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    click: (selector) => page.click(selector),
    async drag([first, ...rest]) {
      await page.mouse.move(...first);
      await page.mouse.down();
      for (const point of rest) await page.mouse.move(...point);
      await page.mouse.up();
    },
    press: (key) => page.keyboard.press(key),
    chooseFile: own.chooseFile,
    screenshot: () => page.screenshot(),
    problems: async () => problems,
    close: () => context.close(),
  };
}

async function launchChromium() {
  const browser = await playwright().chromium.launch({ executablePath: chromiumPath, args: chromiumArgs });
  return {
    async newTab() {
      const context = await browser.newContext({ viewport: VIEWPORT, deviceScaleFactor: 1 });
      const page = await context.newPage();
      return driverTab(context, page, {
        runFirst: (script) => page.addInitScript(script),
        chooseFile: (selector, file) => page.setInputFiles(selector, file),
      });
    },
    close: () => browser.close(),
  };
}

export async function launchFirefox({ headless = false, prefs = {} } = {}) {
  const puppeteer = createRequire(path.join(nodeTools, 'package.json'))('puppeteer-core');
  const env = { ...process.env };
  if (headless) delete env.DISPLAY;
  else env.DISPLAY = await virtualDisplay();
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: firefoxPath,
    headless,
    env,
    defaultViewport: VIEWPORT,
    // Nothing that reaches out of the machine.
    extraPrefsFirefox: {
      'app.update.enabled': false,
      'browser.safebrowsing.malware.enabled': false,
      'browser.safebrowsing.phishing.enabled': false,
      'network.captive-portal-service.enabled': false,
      'network.connectivity-service.enabled': false,
      ...prefs,
    },
  });
  return {
    // A tab in a context of its own, which keeps nothing of the others'.
    async newTab() {
      const context = await browser.createBrowserContext();
      const page = await context.newPage();
      return driverTab(context, page, {
        runFirst: (script) => page.evaluateOnNewDocument(script),
        chooseFile: async (selector, file) => (await page.$(selector)).uploadFile(file),
      });
    },
    close: () => browser.close(),
  };
}

// ---- WebKit -------------------------------------------------------------------

// A script the page loads first, in this engine alone: WebDriver hears no
// page events, so the page keeps its own uncaught errors and breaches in
// sessionStorage, which outlives its reloads, for problems() to read.
const PROBLEM_KEY = 'sandmere-problems';
const WATCH_SCRIPT = 'sandmere-watch.js';
const watchScript = `'use strict';
(() => {
  const keep = (text) => {
    const list = JSON.parse(sessionStorage.getItem('${PROBLEM_KEY}') || '[]');
    list.push(text);
    sessionStorage.setItem('${PROBLEM_KEY}', JSON.stringify(list));
  };
  addEventListener('error', (event) => keep('error: ' + event.message));
  addEventListener('unhandledrejection', (event) => keep('error: ' + ((event.reason && event.reason.message) || event.reason)));
  document.addEventListener('securitypolicyviolation', (event) =>
    keep('CSP: ' + event.violatedDirective + ' refused ' + event.blockedURI));
})();
`;

// The site's page with that script first after its policy.
function watchedPage() {
  const page = readFileSync(path.join(site, 'index.html'), 'utf8');
  const policy = page.match(/<meta http-equiv="Content-Security-Policy"[^>]*>\n/);
  if (!policy) throw new Error('index.html: no Content-Security-Policy meta element');
  const at = policy.index + policy[0].length;
  return {
    'index.html': page.slice(0, at) + `<script src="${WATCH_SCRIPT}"></script>\n` + page.slice(at),
    [WATCH_SCRIPT]: watchScript,
  };
}

const freePort = () =>
  new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });

// A driver for each tab: WebKitWebDriver drives one session at a time.
async function startWebKitDriver() {
  const port = await freePort();
  const driver = spawn(webkitDriverPath, [`--port=${port}`], {
    env: { ...process.env, DISPLAY: await virtualDisplay() },
    stdio: 'ignore',
  });
  const driverEnded = new Promise((resolve) => driver.once('exit', resolve));
  const base = `http://127.0.0.1:${port}`;
  async function call(method, where, body) {
    const response = await fetch(base + where, {
      method,
      headers: { 'Content-Type': 'application/json' },
      body: body && JSON.stringify(body),
    });
    const { value } = await response.json();
    if (!response.ok) throw new Error(`WebDriver ${method} ${where}: ${value.error}: ${value.message}`);
    return value;
  }
  // The driver listens once it has started.
  for (let tries = 0; ; ++tries) {
    try {
      await call('GET', '/status');
      break;
    } catch (error) {
      if (tries > 100) throw error;
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
  }
  return {
    call,
    async stop() {
      driver.kill();
      await driverEnded;
    },
  };
}

async function launchWebKit() {
  const open = new Set();
  return {
    async newTab() {
      const driver = await startWebKitDriver();
      const { sessionId } = await driver.call('POST', '/session', {
        capabilities: {
          alwaysMatch: { 'webkitgtk:browserOptions': { binary: miniBrowserPath, args: ['--automation'] } },
        },
      });
      const session = (method, where, body) => driver.call(method, `/session/${sessionId}${where}`, body);
      const end = async () => {
        open.delete(end);
        await session('DELETE', '').catch(() => {});
        await driver.stop();
      };
      open.add(end);
      // The window is sized so that its viewport is VIEWPORT.
      await session('POST', '/window/rect', VIEWPORT);
      const inner = await session('POST', '/execute/sync', { script: 'return [innerWidth, innerHeight]', args: [] });
      await session('POST', '/window/rect', {
        width: 2 * VIEWPORT.width - inner[0],
        height: 2 * VIEWPORT.height - inner[1],
      });
      const element = async (selector) =>
        Object.values(await session('POST', '/element', { using: 'css selector', value: selector }))[0];
      const evaluate = async (fn, arg) => {
        const script = `const done = arguments[arguments.length - 1];
          Promise.resolve().then(() => (${fn})(arguments[0])).then(
            (value) => done({ value: value === undefined ? null : value }),
            (error) => done({ error: String(error && error.stack || error) }));`;
        const result = await session('POST', '/execute/async', { script, args: [arg === undefined ? null : arg] });
        if (result.error) throw new Error(`in the page: ${result.error}`);
        return result.value;
      };
      const pointer = (actions) =>
        session('POST', '/actions', {
          actions: [{ type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions }],
        });
      const move = ([x, y]) => ({ type: 'pointerMove', origin: 'viewport', x: Math.round(x), y: Math.round(y), duration: 0 });
      return {
        goto: (url) => session('POST', '/url', { url }),
        reload: () => session('POST', '/refresh', {}),
        evaluate,
        click: async (selector) => session('POST', `/element/${await element(selector)}/click`, {}),
        drag: ([first, ...rest]) =>
          pointer([
            move(first),
            { type: 'pointerDown', button: 0 },
            ...rest.map(move),
            { type: 'pointerUp', button: 0 },
          ]),
        press: (key) =>
          session('POST', '/actions', {
            actions: [{ type: 'key', id: 'keyboard', actions: [{ type: 'keyDown', value: key }, { type: 'keyUp', value: key }] }],
          }),
        chooseFile: async (selector, file) => session('POST', `/element/${await element(selector)}/value`, { text: file }),
        screenshot: async () => Buffer.from(await session('GET', '/screenshot'), 'base64'),
        problems: () => evaluate((key) => JSON.parse(sessionStorage.getItem(key) || '[]'), PROBLEM_KEY),
        close: end,
      };
    },
    async close() {
      for (const end of [...open]) await end();
    },
  };
}

// ---- One set-up for every engine --------------------------------------------------

// A server of the site on a free port and the engine's browser: { url,
// newTab(), close() }.
export async function startEngine(name = engineName) {
  const { server, url } = await serveFolder(site, 0, name === 'webkit' ? watchedPage() : {});
  const launch = { chromium: launchChromium, firefox: launchFirefox, webkit: launchWebKit }[name];
  let browser;
  try {
    browser = await launch();
  } catch (error) {
    server.close();
    throw error;
  }
  return {
    url,
    newTab: () => browser.newTab(),
    async close() {
      await browser.close();
      server.closeAllConnections();
      await new Promise((resolve) => server.close(resolve));
    },
  };
}

// ---- The garden in a tab --------------------------------------------------------

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

export class GardenTab {
  constructor(tab) {
    this.tab = tab;
  }

  static async open(engine, url, startup) {
    const garden = new GardenTab(await engine.newTab());
    await garden.startsAgain(startup, () => garden.tab.goto(url));
    return garden;
  }

  // Does `action`, which starts a garden again (a navigation, a reload, a
  // garden opened, which the page does without a reload), and waits for
  // the new garden to have printed `startup` (the desktop's start-up
  // console), restored what it keeps, shown a frame and settled.
  async startsAgain(startup, action) {
    await this.tab
      .evaluate(() => {
        window.sandmereLeftPage = true;
        window.sandmereReplaysBefore = performance.getEntriesByName('sandmere-replay').length;
      })
      .catch(() => {});
    await action();
    const deadline = Date.now() + STEP_MS;
    for (;;) {
      const now = await this.tab
        .evaluate(() => ({
          fresh: !window.sandmereLeftPage,
          // A fresh garden in the same page: its record replayed.
          replaced: performance.getEntriesByName('sandmere-replay').length > (window.sandmereReplaysBefore ?? Infinity),
          // Started, and a frame shown since: the front buffer holds the
          // whole of the garden's last frame only then.
          started:
            Boolean(document.querySelector('main[data-started]')) &&
            performance.getEntriesByName('sandmere-first-frame').length > 0,
          console: document.querySelector('pre#console')?.textContent ?? '',
        }))
        .catch(() => ({})); // between two pages
      if (now.fresh && now.started && now.console.startsWith(startup)) break;
      // The replayed garden's plan is on the canvas once a frame is shown.
      if (now.replaced && now.started && now.console.startsWith(startup)) {
        await this.tab.evaluate(
          () => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(() => resolve(0)))),
        );
        break;
      }
      if (Date.now() > deadline) throw new Error(`the garden did not start again; its console:\n${now.console}`);
      await sleep(100);
    }
    return this.settle();
  }

  // What fn (run in the page) gives, once it is something.
  async waitFor(fn, what) {
    const deadline = Date.now() + STEP_MS;
    for (;;) {
      const value = await this.tab.evaluate(fn);
      if (value) return value;
      if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
      await sleep(50);
    }
  }

  // The window's pixels as the garden shows them (what Save picture saves).
  async shownPicture() {
    const png = await this.tab.evaluate(async () => {
      const bytes = new Uint8Array(await (await window.sandmereRecord.picture()).arrayBuffer());
      let text = '';
      for (let at = 0; at < bytes.length; at += 0x8000)
        text += String.fromCharCode(...bytes.subarray(at, at + 0x8000));
      return btoa(text);
    });
    return decodePng(Buffer.from(png, 'base64'));
  }

  // The shown picture once two frames in a row show the same.
  settle() {
    return settled(
      () => this.shownPicture(),
      () => this.tab.evaluate(nextFrames),
    );
  }

  // The canvas in CSS pixels of the viewport: one a window pixel.
  async box() {
    const box = await this.tab.evaluate(() => {
      const { x, y, width, height } = document.getElementById('garden').getBoundingClientRect();
      return { x, y, width, height };
    });
    if (box.width !== SIDE || box.height !== SIDE) throw new Error(`the canvas is ${box.width} x ${box.height}`);
    return box;
  }

  // The canvas as the engine composites it: the viewport's picture, cut.
  // A change of mode can move the page under the viewport, so the canvas
  // is brought into view first.
  async shot() {
    await this.tab.evaluate(() => document.getElementById('garden').scrollIntoView({ block: 'nearest' }));
    const { x, y } = await this.box();
    const view = decodePng(await this.tab.screenshot());
    const data = Buffer.alloc(SIDE * SIDE * 3);
    for (let row = 0; row < SIDE; ++row) {
      const from = ((Math.round(y) + row) * view.width + Math.round(x)) * 3;
      view.data.copy(data, row * SIDE * 3, from, from + SIDE * 3);
    }
    return { width: SIDE, height: SIDE, data };
  }

  // A stroke through window positions.
  async rake(points) {
    const { x, y } = await this.box();
    await this.tab.drag(points.map(([px, py]) => [x + px, y + py]));
  }

  async key(key) {
    await this.tab.evaluate(() => document.getElementById('garden').focus());
    await this.tab.press(key);
  }

  async assertNoProblems() {
    assert.deepEqual(await this.tab.problems(), [], 'no page error and no CSP violation');
  }
}

// The SHA-256 of a plan's bytes as the garden's window holds them: RGBA,
// every pixel opaque, top row first (the headless garden's digest).
export function planDigest(picture) {
  const rgba = Buffer.alloc(picture.width * picture.height * 4, 255);
  for (let i = 0; i < picture.width * picture.height; ++i) picture.data.copy(rgba, 4 * i, 3 * i, 3 * i + 3);
  return createHash('sha256').update(rgba).digest('hex');
}
