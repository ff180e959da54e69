// The browser's figures, in one run: the benchmark's cases in Chromium
// beside the same cases native, the site's bytes over the wire, the time
// from navigation to the first drawn plan with a cold cache, and a raking
// motion's main-thread time (bench/raking.mjs) beside the page's before it
// computed its plan in software. It reports figures and the goals they
// meet; it never fails on a figure.
//
//   node bench/web.mjs SITE WEB_BENCH GARDEN NATIVE_OUTPUT [case name prefix ...]
//
// SITE is the built site (build-web/site), WEB_BENCH the folder of the
// benchmark compiled for the browser, GARDEN a folder of the garden's
// pictures, NATIVE_OUTPUT what the native benchmark printed.
import { mkdtempSync, readdirSync, readFileSync, rmSync, statSync, symlinkSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import zlib from 'node:zlib';

import { serveFolder } from '../scripts/serve.mjs';
import { GOAL_MS_AT_4X, RAKES, rakingCosts, SLOWDOWNS } from './raking.mjs';
import { chromiumArgs, chromiumPath, decodePng, playwright } from '../tests/web/harness.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const [site, webBench, garden, nativeOutput, ...cases] = process.argv.slice(2);
if (!nativeOutput) {
  console.error('usage: node bench/web.mjs SITE WEB_BENCH GARDEN NATIVE_OUTPUT [case name prefix ...]');
  process.exit(2);
}
const COLD_STARTS = 5;
const GOALS = { webOverNative: 2, wireBytes: 500 * 1024, firstPlanMs: 1500 };
// bench/raking.mjs on the page that drew its plan with WebGL (1.3, on this
// machine, shared with other work, three runs), with two animation frames a
// motion (its 'frames' drag): ms a motion, the same motions with the button
// up, and the switch to the 3-D view.
const BEFORE_SOFTWARE_PLAN = {
  'idle@1': [1.97],
  'idle@4': [14.23],
  '1@1': [3.35, 3.78, 3.81],
  '1@4': [23.62, 34.0, 28.15],
  '5@1': [3.62, 3.65, 3.67],
  '5@4': [22.57, 29.38, 23.66],
  'switch task': [13.6, 15.6],
  'switch wall': [278.9, 288.4],
};

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const n = sorted.length;
  return n % 2 ? sorted[(n - 1) / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

// "case NAME product_ms=X reference_ms=Y", as the benchmark prints its results.
function casesIn(output) {
  const found = new Map();
  const line = /^case (\S+) product_ms=([\d.]+) reference_ms=([\d.]+)$/gm;
  for (const [, name, product, reference] of output.matchAll(line))
    found.set(name, { product: Number(product), reference: Number(reference) });
  return found;
}

// What the garden prints before the benchmark's own first line: its
// start-up console.
const startupOf = (output) => output.slice(0, output.indexOf('Renderer:'));

async function launch() {
  return playwright().chromium.launch({ executablePath: chromiumPath, args: chromiumArgs });
}

// ---- (a) the cases in the browser --------------------------------------------

async function runInBrowser() {
  const stage = mkdtempSync(path.join(tmpdir(), 'sandmere-web-bench-'));
  try {
    for (const file of ['index.html', 'bench.js']) symlinkSync(path.join(here, 'web', file), path.join(stage, file));
    for (const file of ['sandmere-bench.js', 'sandmere-bench.wasm'])
      symlinkSync(path.resolve(webBench, file), path.join(stage, file));
    symlinkSync(path.resolve(garden), path.join(stage, 'garden'));
    const pictures = readdirSync(garden).filter((name) => name.endsWith('.bmp'));
    writeFileSync(path.join(stage, 'pictures.txt'), pictures.join('\n') + '\n');

    const { server, url } = await serveFolder(stage);
    const browser = await launch();
    try {
      const page = await browser.newPage({ viewport: { width: 800, height: 800 } });
      page.on('console', (message) => {
        if (/^\s+\S+\s+done: /.test(message.text())) console.log(`  web ${message.text().trim()}`);
      });
      const query = cases.map((name) => `case=${encodeURIComponent(name)}`).join('&');
      await page.goto(`${url}${query ? `?${query}` : ''}`);
      const status = await page.waitForSelector('body[data-exit-status]', { timeout: 20 * 60 * 1000 });
      const output = await page.locator('#console').textContent();
      if ((await status.getAttribute('data-exit-status')) !== '0')
        throw new Error(`the web benchmark failed:\n${output}`);
      return output;
    } finally {
      await browser.close();
      server.closeAllConnections();
      server.close();
    }
  } finally {
    rmSync(stage, { recursive: true, force: true });
  }
}

// ---- (c) bytes over the wire ---------------------------------------------

// Pictures are sent as they are; everything else compressed, as a web
// server set up for a WebAssembly site sends it.
const COMPRESSED = new Set(['.html', '.js', '.css', '.json', '.webmanifest', '.wasm', '.svg', '.txt']);

function wireBytes() {
  const rows = [];
  for (const name of readdirSync(site).sort()) {
    const file = path.join(site, name);
    if (!statSync(file).isFile()) continue;
    const raw = readFileSync(file);
    const compressible = COMPRESSED.has(path.extname(name));
    const gzip = compressible ? zlib.gzipSync(raw, { level: 9 }).length : raw.length;
    const brotli = compressible
      ? zlib.brotliCompressSync(raw, {
          params: { [zlib.constants.BROTLI_PARAM_QUALITY]: 11, [zlib.constants.BROTLI_PARAM_SIZE_HINT]: raw.length },
        }).length
      : raw.length;
    rows.push({ name, raw: raw.length, gzip, brotli });
  }
  const total = (key) => rows.reduce((sum, row) => sum + row[key], 0);
  rows.push({ name: '**total**', raw: total('raw'), gzip: total('gzip'), brotli: total('brotli') });
  return rows;
}

// ---- (d) the first drawn plan, cold ------------------------------------------

// The first drawn plan: the console holds the garden's whole start-up text
// and the page has shown one frame after it; the canvas is then checked to
// be the white plan. Measured from navigation, in a fresh browser profile
// each time (no HTTP cache, no compiled WebAssembly, no service worker).
const marks = {};
async function firstPlanTimes(startup) {
  const { server, url } = await serveFolder(site);
  const times = [];
  try {
    for (let run = 0; run < COLD_STARTS; ++run) {
      const browser = await launch();
      try {
        const context = await browser.newContext({ viewport: { width: 1000, height: 1000 } });
        await context.addInitScript((text) => {
          window.sandmereFirstPlan = new Promise((resolve) => {
            const watch = () => {
              const panel = document.getElementById('console');
              const observer = new MutationObserver(() => {
                if (!panel.textContent.startsWith(text)) return;
                observer.disconnect();
                requestAnimationFrame(() => requestAnimationFrame(() => resolve(performance.now())));
              });
              observer.observe(panel, { childList: true, subtree: true, characterData: true });
            };
            document.addEventListener('DOMContentLoaded', watch);
          });
        }, startup);
        const page = await context.newPage();
        await page.goto(url, { waitUntil: 'commit' });
        const ms = await page.evaluate(() => window.sandmereFirstPlan);
        // The page's own marks on the way, where it sets any.
        for (const [name, at] of await page.evaluate(() =>
          performance.getEntriesByType('mark').map((mark) => [mark.name, mark.startTime]),
        ))
          (marks[name] ??= []).push(at);
        const canvas = page.locator('canvas#garden');
        const shot = decodePng(await canvas.screenshot());
        if (!shot.data.every((byte) => byte === 255)) throw new Error('the first frame is not the white plan');
        times.push(ms);
      } finally {
        await browser.close();
      }
    }
  } finally {
    server.closeAllConnections();
    server.close();
  }
  return times;
}

// ---- the report ------------------------------------------------------------

const native = readFileSync(nativeOutput, 'utf8');
console.log('Running the benchmark in Chromium (WebGL 2 on SwiftShader) ...');
const web = await runInBrowser();
console.log(web.split('\n').find((line) => line.startsWith('Renderer:')) ?? '');
console.log(`Native: ${native.split('\n').find((line) => line.startsWith('Renderer:')) ?? ''}`);

const nativeCases = casesIn(native);
const webCases = casesIn(web);
console.log(
  '\n| case | native product ms | native reference ms | native ref / product | ' +
    'web product ms | web reference ms | web ref / product | web / native (product) |',
);
console.log('|---|---:|---:|---:|---:|---:|---:|---:|');
const overNative = [];
for (const [name, w] of webCases) {
  const n = nativeCases.get(name);
  if (!n) continue;
  overNative.push({ name, ratio: w.product / n.product });
  console.log(
    `| ${name} | ${n.product.toFixed(2)} | ${n.reference.toFixed(2)} | ${(n.reference / n.product).toFixed(1)} | ` +
      `${w.product.toFixed(2)} | ${w.reference.toFixed(2)} | ${(w.reference / w.product).toFixed(1)} | ` +
      `${(w.product / n.product).toFixed(2)} |`,
  );
}

const wire = wireBytes();
console.log('\n| file | bytes | gzip -9 | brotli 11 |');
console.log('|---|---:|---:|---:|');
for (const row of wire) console.log(`| ${row.name} | ${row.raw} | ${row.gzip} | ${row.brotli} |`);

console.log(`\nFirst drawn plan, cold, ${COLD_STARTS} fresh profiles ...`);
const times = await firstPlanTimes(startupOf(native));
console.log(`first plan ms: ${times.map((t) => t.toFixed(0)).join(', ')}; median ${median(times).toFixed(0)}`);
for (const [name, at] of Object.entries(marks))
  console.log(`  the page's mark ${name}: median ${median(at).toFixed(0)} ms`);

console.log('\nA raking motion on the main thread (CDP TaskDuration), ms, now and before the software plan:');
const raking = await rakingCosts(site);
const before = (key) => BEFORE_SOFTWARE_PLAN[key].map((ms) => ms.toFixed(1)).join(', ');
console.log("| rake | CPU slowdown | a person's drag | two frames a motion | before, two frames a motion |");
console.log('|---|---:|---:|---:|---:|');
for (const tines of ['idle', ...RAKES.map((rake) => rake.tines)])
  for (const slowdown of SLOWDOWNS) {
    const key = `${tines}@${slowdown}`;
    const rake = tines === 'idle' ? 'none (button up)' : `${tines} tine(s)`;
    console.log(
      `| ${rake} | ${slowdown}x | ${raking[key].toFixed(2)} | ${raking[`frames ${key}`].toFixed(2)} | ${before(key)} |`,
    );
  }
for (const key of ['switch task', 'switch wall'])
  console.log(`the switch to the 3-D view, ${key.split(' ')[1]}: ${raking[key].toFixed(1)} ms (before ${before(key)})`);

// The goals.
const total = wire.at(-1);
const verdict = (ok) => (ok ? 'met' : 'MISSED');
console.log('\nGoals:');
const growth = (cases) => {
  const [few, many] = ['rake-1k', 'rake-100k'].map((name) => cases.get(name));
  return few && many ? many.product / few.product : undefined;
};
if (growth(webCases) !== undefined) {
  const [web100k, native100k] = [growth(webCases), growth(nativeCases)];
  console.log(
    `- the garden's frame at 100,000 marks against 1,000: ${web100k.toFixed(2)}x on the web, ` +
      `${native100k?.toFixed(2)}x native (${verdict(web100k <= 1.1)}: as quick, within 10 %)`,
  );
}
// A desktop ratio holds when the garden's frame keeps at least half its
// lead over the literal one.
for (const [name, w] of webCases) {
  const n = nativeCases.get(name);
  if (!n) continue;
  const [webLead, nativeLead] = [w.reference / w.product, n.reference / n.product];
  console.log(
    `- ${name}: the garden's frame ${webLead.toFixed(1)}x quicker than the literal one on the web, ` +
      `${nativeLead.toFixed(1)}x native (${verdict(webLead >= nativeLead / 2)}: at least half the lead)`,
  );
}
for (const { name, ratio } of overNative)
  console.log(
    `- ${name}: web ${ratio.toFixed(2)}x native ` +
      `(${verdict(ratio <= GOALS.webOverNative)}: at most ${GOALS.webOverNative}x)`,
  );
const best = Math.min(total.gzip, total.brotli);
console.log(
  `- over the wire: ${(best / 1024).toFixed(0)} KB with brotli, ${(total.gzip / 1024).toFixed(0)} KB with gzip ` +
    `(${verdict(best <= GOALS.wireBytes)}: at most 500 KB)`,
);
const firstPlan = median(times);
console.log(
  `- first plan, cold: ${firstPlan.toFixed(0)} ms median (${verdict(firstPlan <= GOALS.firstPlanMs)}: within 1.5 s)`,
);
for (const { tines } of RAKES) {
  const ms = raking[`${tines}@4`];
  console.log(
    `- a raking motion with ${tines} tine(s) at 4x slowdown, a person's drag: ${ms.toFixed(1)} ms ` +
      `(${verdict(ms <= GOAL_MS_AT_4X)}: at most ${GOAL_MS_AT_4X} ms)`,
  );
}
const switchBefore = Math.max(...BEFORE_SOFTWARE_PLAN['switch wall']);
console.log(
  `- the switch to the 3-D view: ${raking['switch wall'].toFixed(0)} ms ` +
    `(${verdict(raking['switch wall'] <= switchBefore)}: no slower than before, ${switchBefore.toFixed(0)} ms)`,
);
