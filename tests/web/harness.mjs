// What the browser tests share: the site served by a server of their own,
// Debian's Chromium driven by playwright-core, the page's hooks, the
// canvas's pixels, and the desktop garden to compare with. (engines.mjs
// drives the page in Firefox and WebKit too, on what is here.)
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import {
  existsSync,
  mkdirSync,
  mkdtempSync,
  readdirSync,
  readFileSync,
  rmSync,
  symlinkSync,
  writeFileSync,
} from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import zlib from 'node:zlib';

import { after, before } from 'node:test';

import { serveFolder } from '../../scripts/serve.mjs';

export const repo = fileURLToPath(new URL('../..', import.meta.url));
export const site = process.env.SANDMERE_WEB_SITE || path.join(repo, 'build-web', 'site');
export const nodeTools = process.env.SANDMERE_WEB_TOOLS || path.join(repo, 'build-web', 'node-tools');
export const chromiumPath = '/usr/bin/chromium';
// Headless, WebGL on SwiftShader, and nothing that reaches out of the machine.
export const chromiumArgs = [
  '--no-sandbox',
  '--use-angle=swiftshader',
  '--enable-unsafe-swiftshader',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
  '--no-first-run',
];
const desktopReference = process.env.SANDMERE_DESKTOP_REFERENCE;
export const gardenFolder = process.env.SANDMERE_GARDEN_DIR;
// CTest reports this status as skipped.
const SKIPPED = 77;
// The garden's window, and the canvas: no CSS scaling, one pixel per pixel.
export const SIDE = 600;
const STEP_MS = 15000;

// Ends the process as skipped, saying why, when something the tests need
// is missing; a test file calls it before anything else.
// `alsoMissing`: what else the file's tests need and lack.
export function skipUnlessReady(alsoMissing = []) {
  const missing = [...alsoMissing];
  if (!existsSync(path.join(site, 'index.html')))
    missing.push(`the site ${site} (cmake --workflow --preset web makes it)`);
  if (!existsSync(chromiumPath)) missing.push(`${chromiumPath} (apt-get install chromium)`);
  if (!existsSync(path.join(nodeTools, 'node_modules', 'playwright-core')))
    missing.push(`playwright-core in ${nodeTools} (scripts/web-tools.sh installs it)`);
  if (!desktopReference || !existsSync(desktopReference) || !gardenFolder)
    missing.push('the desktop reference (run through CTest in the dev build)');
  if (!onPath('Xvfb')) missing.push('Xvfb (apt-get install xvfb xauth)');
  if (missing.length) {
    console.log(`Skipped: the browser tests need ${missing.join('; ')}`);
    process.exit(SKIPPED);
  }
}

function onPath(program) {
  return (process.env.PATH || '').split(':').some((dir) => dir && existsSync(path.join(dir, program)));
}

export function playwright() {
  return createRequire(path.join(nodeTools, 'package.json'))('playwright-core');
}

// A server of the site on a free port and a headless Chromium; close()
// ends both.
export async function startBrowser() {
  const { server, url } = await serveFolder(site);
  // The paths the server was asked for, in order.
  const served = [];
  server.on('request', (request) => served.push(request.url));
  const browser = await playwright().chromium.launch({ executablePath: chromiumPath, args: chromiumArgs });
  return {
    url,
    browser,
    served,
    // A laptop's window by default; a phone's with { phone: 'upright' } or
    // { phone: 'sideways' }: 390 x 844 CSS pixels, or 844 x 390, with touch.
    newContext: ({ phone, ...options } = {}) =>
      browser.newContext({
        viewport: phone ? PHONES[phone] : { width: 1000, height: 1000 },
        deviceScaleFactor: 1,
        ...(phone ? { hasTouch: true, isMobile: true } : {}),
        ...options,
      }),
    // Nothing answers on the address any more: the page has only what the
    // browser kept.
    stopServing() {
      server.closeAllConnections();
      server.close();
    },
    async close() {
      await browser.close();
      server.closeAllConnections();
      await new Promise((resolve) => server.close(resolve));
    },
  };
}

const PHONES = { upright: { width: 390, height: 844 }, sideways: { width: 844, height: 390 } };

// A test file's server and browser, and the desktop garden's start-up
// console, made before its tests and closed after them: { site, startup }
// once they run.
export function useSite() {
  const shared = {};
  before(async () => {
    shared.site = await startBrowser();
    shared.startup = (await desktop([])).console;
  });
  after(() => closeSite(shared.site));
  return shared;
}

// Closes a test file's site, once no page it opened had an error or a
// breach of its Content Security Policy.
export function closeSite(site) {
  try {
    for (const garden of Garden.opened) garden.assertNoProblems();
  } finally {
    site?.close();
  }
}

// ---- Pictures: 600 x 600 RGB, top row first -------------------------------

function crc32(bytes) {
  let crc = ~0;
  for (const byte of bytes) {
    crc ^= byte;
    for (let k = 0; k < 8; ++k) crc = (crc >>> 1) ^ (0xedb88320 & -(crc & 1));
  }
  return ~crc >>> 0;
}

// Reads an 8-bit, non-interlaced RGB or RGBA PNG (what Chromium's
// screenshots are) as RGB.
export function decodePng(png) {
  let width, height, channels;
  const idat = [];
  for (let at = 8; at < png.length; ) {
    const length = png.readUInt32BE(at);
    const type = png.toString('latin1', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0 || (body[9] !== 2 && body[9] !== 6))
        throw new Error('decodePng: only 8-bit RGB or RGBA, not interlaced');
      channels = body[9] === 6 ? 4 : 3;
    } else if (type === 'IDAT') {
      idat.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const left = i >= channels ? rows[y * stride + i - channels] : 0;
      const up = y > 0 ? rows[(y - 1) * stride + i] : 0;
      const upLeft = y > 0 && i >= channels ? rows[(y - 1) * stride + i - channels] : 0;
      let predictor = 0;
      if (filter === 1) predictor = left;
      else if (filter === 2) predictor = up;
      else if (filter === 3) predictor = (left + up) >> 1;
      else if (filter === 4) {
        const p = left + up - upLeft;
        const [a, b, c] = [Math.abs(p - left), Math.abs(p - up), Math.abs(p - upLeft)];
        predictor = a <= b && a <= c ? left : b <= c ? up : upLeft;
      }
      rows[y * stride + i] = (line[i] + predictor) & 0xff;
    }
  }
  const data = Buffer.alloc(width * height * 3);
  for (let p = 0; p < width * height; ++p) rows.copy(data, p * 3, p * channels, p * channels + 3);
  return { width, height, data };
}

export function encodePng({ width, height, data }) {
  const chunk = (type, body) => {
    const out = Buffer.alloc(12 + body.length);
    out.writeUInt32BE(body.length, 0);
    out.write(type, 4, 'latin1');
    body.copy(out, 8);
    out.writeUInt32BE(crc32(out.subarray(4, 8 + body.length)), 8 + body.length);
    return out;
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header[8] = 8;
  header[9] = 2;
  const raw = Buffer.alloc((width * 3 + 1) * height);
  for (let y = 0; y < height; ++y) data.copy(raw, y * (width * 3 + 1) + 1, y * width * 3, (y + 1) * width * 3);
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk('IHDR', header),
    chunk('IDAT', zlib.deflateSync(raw)),
    chunk('IEND', Buffer.alloc(0)),
  ]);
}

function decodePpm(ppm) {
  const header = ppm.toString('latin1', 0, 32).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  if (!header) throw new Error('not a binary PPM');
  const [width, height] = [Number(header[1]), Number(header[2])];
  return { width, height, data: ppm.subarray(header[0].length, header[0].length + width * height * 3) };
}

// The pixels that differ between two pictures of one size, by how much at
// most in any channel, and how many differ by more than `levels`.
export function compare(a, b, levels = 0) {
  if (a.width !== b.width || a.height !== b.height) throw new Error('compare: pictures of different sizes');
  let differing = 0;
  let largest = 0;
  let beyond = 0;
  for (let p = 0; p < a.width * a.height; ++p) {
    let pixel = 0;
    for (let c = 0; c < 3; ++c) pixel = Math.max(pixel, Math.abs(a.data[p * 3 + c] - b.data[p * 3 + c]));
    if (pixel) ++differing;
    if (pixel > levels) ++beyond;
    largest = Math.max(largest, pixel);
  }
  return { differing, largest, beyond };
}

// The pixels of a region (window coordinates, origin top left) that match.
export function count(picture, region, matches) {
  const { x = 0, y = 0, width = picture.width, height = picture.height } = region;
  let n = 0;
  for (let row = y; row < y + height; ++row)
    for (let column = x; column < x + width; ++column) {
      const at = (row * picture.width + column) * 3;
      n += matches(picture.data[at], picture.data[at + 1], picture.data[at + 2]) ? 1 : 0;
    }
  return n;
}
export const isWhite = (r, g, b) => r === 255 && g === 255 && b === 255;

// Straight strokes along the axes, as window positions: their marks do not
// depend on how the browser divides the movement into events.
export const along = (from, to, step = 9) => {
  const points = [];
  const [dx, dy] = [Math.sign(to[0] - from[0]), Math.sign(to[1] - from[1])];
  for (let [x, y] = from; ; x += dx * step, y += dy * step) {
    if ((to[0] - x) * dx < 0 || (to[1] - y) * dy < 0) break;
    points.push([x, y]);
  }
  points.push(to);
  return points;
};
// A stroke as the desktop reference's events.
export const asEvents = (points) => points.map(([x, y], i) => `${i ? 'drag' : 'press'}:${x},${y}`);

// The plan as the desktop draws it. The page computes its plan in integers
// (web/softraster.h); the desktop's comes from Mesa's llvmpipe, which
// rounds its own way where a value falls between two levels. So every
// pixel lies within two levels of the desktop's, and the share that are
// identical is printed.
const MOST_LEVELS = 2;
export function expectPlanAsOnTheDesktop(web, reference, what) {
  const { differing, largest, beyond } = compare(web, reference, MOST_LEVELS);
  const pixels = web.width * web.height;
  console.log(
    `${what}: ${(100 * (1 - differing / pixels)).toFixed(2)} % of the pixels identical to the desktop's; ` +
      `${differing} differ, by at most ${largest}`,
  );
  check(beyond === 0, `${what}: ${beyond} pixels differ from the desktop's by more than ${MOST_LEVELS}`, {
    web,
    desktop: reference,
  });
}

// The desktop's 3-D garden, but for texture filtering and edges rounded
// their own way: no more than one pixel in a hundred beyond 8 levels.
export function expectSceneAsOnTheDesktop(scene, reference, what) {
  const { beyond } = compare(scene, reference, 8);
  console.log(`${what}: ${beyond} pixels differ from the desktop's by more than 8 levels`);
  check(beyond < 3600, `${what}: ${beyond} pixels differ from the desktop's`, { scene, desktop: reference });
}

// Fails with the message unless ok, keeping the pictures (name to picture)
// where the message says.
let keptFolder;
export function check(ok, message, pictures = {}) {
  if (ok) return;
  keptFolder ??= mkdtempSync(path.join(tmpdir(), 'sandmere-web-'));
  for (const [name, picture] of Object.entries(pictures))
    writeFileSync(path.join(keptFolder, `${name}.png`), encodePng(picture));
  assert.fail(`${message} (pictures kept in ${keptFolder})`);
}

// ---- The desktop garden ----------------------------------------------------

// A virtual X server of the test's own, started once: the desktop garden's
// window and the windows of the engines that need one (Firefox, WebKit)
// open there, large enough for the page's 1000 x 1000 viewport.
let xvfb;
export async function virtualDisplay() {
  if (xvfb) return xvfb.display;
  // A free number from :23 on; -displayfd says when it accepts. Two tests
  // starting at once would race for the same number: the start point is
  // spread by process id, so the loser's retry is the exception.
  for (let attempt = 0; attempt < 40; ++attempt) {
    const n = 23 + ((process.pid % 7) + attempt) % 40;
    if (existsSync(`/tmp/.X${n}-lock`) || existsSync(`/tmp/.X11-unix/X${n}`)) continue;
    const args = [`:${n}`, '-screen', '0', '1280x1200x24', '-nolisten', 'tcp', '-noreset', '-displayfd', '3'];
    const child = spawn('Xvfb', args, { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    // The number comes as a line; the pipe stays open, for a server that
    // cannot write the whole of it gives up.
    const ready = await new Promise((resolve) => {
      let said = '';
      child.stdio[3].on('data', (data) => {
        said += data;
        if (said.includes('\n')) resolve(true);
      });
      child.once('exit', () => resolve(false));
    });
    if (ready) {
      child.unref();
      child.stdio[3].unref();
      process.once('exit', () => child.kill());
      xvfb = { child, display: `:${n}` };
      return xvfb.display;
    }
  }
  throw new Error('no free display for Xvfb from :23');
}

// Runs the desktop garden through a script of events (see
// desktop_reference.cpp) and gives its console, its exit status and its
// last frame (when it ran to the end). Pictures in `replaced` (file name to
// bytes) stand in for the garden's own.
// endsWith1: the garden is expected to end with status 1 (a texture it
// cannot load); any other failure throws.
export async function desktop(events, { replaced = {}, endsWith1 = false } = {}) {
  const result = await runDesktop(events, replaced);
  if (result.status === 0 || (endsWith1 && result.status === 1)) return result;
  throw new Error(`the desktop reference failed (${result.status}): ${result.errors}`);
}

async function runDesktop(events, replaced) {
  const display = await virtualDisplay();
  const folder = mkdtempSync(path.join(tmpdir(), 'sandmere-desktop-'));
  const frameFile = path.join(folder, 'frame.ppm');
  let garden = gardenFolder;
  if (Object.keys(replaced).length) {
    garden = path.join(folder, 'garden');
    mkdirSync(garden);
    for (const name of readdirSync(gardenFolder))
      if (!(name in replaced)) symlinkSync(path.join(gardenFolder, name), path.join(garden, name));
    for (const [name, bytes] of Object.entries(replaced)) writeFileSync(path.join(garden, name), bytes);
  }
  try {
    const child = spawn(desktopReference, [garden, frameFile, ...events], {
      env: { ...process.env, DISPLAY: display },
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    let out = '';
    let err = '';
    child.stdout.on('data', (d) => (out += d));
    child.stderr.on('data', (d) => (err += d));
    const status = await new Promise((resolve) => child.once('close', resolve));
    const frame = status === 0 ? decodePpm(readFileSync(frameFile)) : undefined;
    return { console: out, status, errors: err, frame };
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// ---- The page --------------------------------------------------------------

// A file of the site that is not the page: where the kept garden is put
// in place before the page opens on it.
export const GARDENLESS = 'manifest.webmanifest';

// Puts bytes in a store of the page's IndexedDB, as the page keeps them:
// the kept garden by default ('sandmere-garden', 'record', 'kept');
// `forget` names keys taken away in the same transaction. A running
// garden writes its own record as its page goes: `page` shows none (see
// GARDENLESS).
export const keepInBrowser = (page, bytes, { database = 'sandmere-garden', store = 'record', key = 'kept', forget = [] } = {}) =>
  page.evaluate(
    ({ bytes, database, store, key, forget }) =>
      new Promise((resolve, reject) => {
        const open = indexedDB.open(database, 1);
        open.onupgradeneeded = () => open.result.createObjectStore(store);
        open.onsuccess = () => {
          const transaction = open.result.transaction(store, 'readwrite');
          transaction.objectStore(store).put(new Uint8Array(bytes), key);
          for (const name of forget) transaction.objectStore(store).delete(name);
          transaction.oncomplete = resolve;
          transaction.onabort = () => reject(transaction.error);
        };
        open.onerror = () => reject(open.error);
      }),
    { bytes: [...bytes], database, store, key, forget },
  );

// Run in the page: two of its frames from now.
export const nextFrames = () =>
  new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(() => resolve(0))));

// A picture read() gives once two in a row, with frames() between, agree.
export async function settled(read, frames) {
  let last = await read();
  for (let i = 0; i < 40; ++i) {
    await frames();
    const now = await read();
    if (now.data.equals(last.data)) return now;
    last = now;
  }
  throw new Error('the garden never settled');
}

export class Garden {
  constructor(page) {
    this.page = page;
    this.canvas = page.locator('canvas#garden');
    // What must never happen on the page: an uncaught error, a breach of
    // its Content Security Policy.
    this.problems = [];
    page.on('pageerror', (error) => this.problems.push(`error: ${error.message}`));
    page.on('console', (message) => {
      if (/Content Security Policy/i.test(message.text())) this.problems.push(`CSP: ${message.text()}`);
    });
  }

  // Opens the site in a new page of the context and waits for start-up to
  // have printed `startup` (the desktop's start-up console), the page to
  // have restored what it keeps, and the canvas to have settled.
  static opened = [];

  static async open(context, url, startup) {
    const garden = new Garden(await context.newPage());
    Garden.opened.push(garden);
    await garden.page.addInitScript(() => {
      document.addEventListener('securitypolicyviolation', (event) => {
        console.error(`Content Security Policy: ${event.violatedDirective} refused ${event.blockedURI}`);
      });
    });
    await garden.page.goto(url);
    await garden.waitForStart(startup);
    return garden;
  }

  async waitForStart(startup) {
    await this.waitForConsole((text) => text.startsWith(startup));
    await this.page.locator('main[data-started]').waitFor({ timeout: STEP_MS });
    await this.canvas.focus();
    return this.settle();
  }

  assertNoProblems() {
    assert.deepEqual(this.problems, [], 'no page error and no CSP violation');
  }

  // The record of the garden as it stands: its events, the frames among them.
  record() {
    return this.page.evaluate(() => window.sandmereRecord.events());
  }

  // The window's pixels as the garden shows them, as a picture: what the
  // page saves, whatever size the canvas is shown at.
  async shownPicture() {
    const png = await this.page.evaluate(async () => {
      const file = await window.sandmereRecord.picture();
      return [...new Uint8Array(await file.arrayBuffer())];
    });
    return decodePng(Buffer.from(png));
  }

  // The bytes of the file the page downloads when `selector` is clicked.
  async download(selector) {
    const [download] = await Promise.all([this.page.waitForEvent('download'), this.page.click(selector)]);
    return { name: download.suggestedFilename(), bytes: Buffer.concat(await (await download.createReadStream()).toArray()) };
  }

  // A finger's path over the canvas, in CSS pixels from its corner: a
  // touch start, moves and an end, as a phone's screen sends them.
  async touch(points, id = 0) {
    const box = await this.canvas.boundingBox();
    const cdp = (this.cdp ??= await this.page.context().newCDPSession(this.page));
    const at = ([x, y]) => [{ x: box.x + x, y: box.y + y, id }];
    const [first, ...rest] = points;
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: at(first) });
    for (const point of rest) await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: at(point) });
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  }

  // Two fingers moving together: pairs of points, one pair a step.
  async pinch(steps) {
    const box = await this.canvas.boundingBox();
    const cdp = (this.cdp ??= await this.page.context().newCDPSession(this.page));
    const at = ([[x0, y0], [x1, y1]]) => [
      { x: box.x + x0, y: box.y + y0, id: 0 },
      { x: box.x + x1, y: box.y + y1, id: 1 },
    ];
    const [first, ...rest] = steps;
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: at(first) });
    for (const step of rest) await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: at(step) });
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  }

  consoleText() {
    return this.page.locator('pre#console').textContent();
  }

  async waitForConsole(holds, what = 'the console') {
    const deadline = Date.now() + STEP_MS;
    let text;
    while (!holds((text = await this.consoleText()))) {
      if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}; it holds:\n${text}`);
      await this.page.waitForTimeout(50);
    }
    return text;
  }

  // The canvas as shown, read from the page's composited picture (the
  // frame and the focus ring lie outside it).
  async shot() {
    return decodePng(await this.canvas.screenshot());
  }

  // The canvas once two frames in a row show the same picture.
  settle() {
    return settled(
      () => this.shot(),
      () => this.page.evaluate(nextFrames),
    );
  }

  async box() {
    const box = await this.canvas.boundingBox();
    if (box.width !== SIDE || box.height !== SIDE) throw new Error(`the canvas is ${box.width} x ${box.height}`);
    return box;
  }

  // Window positions, origin top left, as the garden's mouse sees them.
  async rake(points) {
    const { x, y } = await this.box();
    const [first, ...rest] = points;
    await this.page.mouse.move(x + first[0], y + first[1]);
    await this.page.mouse.down();
    for (const [px, py] of rest) await this.page.mouse.move(x + px, y + py);
    await this.page.mouse.up();
  }

  async click(px, py) {
    const { x, y } = await this.box();
    await this.page.mouse.click(x + px, y + py);
  }

  async key(key) {
    await this.canvas.focus();
    await this.page.keyboard.press(key);
  }

  // Opens the pop-up menu with the right button at (px, py) and chooses
  // along the labels: submenus, then the entry.
  async choose(labels, px = 300, py = 300) {
    const { x, y } = await this.box();
    await this.page.mouse.click(x + px, y + py, { button: 'right' });
    for (const label of labels) {
      // By its text: the page may add a submenu's arrow to its accessible name.
      const exactly = new RegExp(`^${label.replace(/[.*+?^${}()|[\]\\]/g, '\\$&')}$`);
      const entry = this.page.locator('[role="menu"] [role="menuitem"]', { hasText: exactly });
      await entry.hover();
      await entry.click();
    }
  }

  async exitStatus() {
    const main = this.page.locator('main[data-exit-status]');
    await main.waitFor({ timeout: STEP_MS });
    return main.getAttribute('data-exit-status');
  }
}
