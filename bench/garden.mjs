// ./bench.sh garden: what a kept garden costs. Gardens of 24, 150 and
// 1,000 strokes, each stroke a press, 30 motions with a frame after each
// (as a quick hand on a phone makes them) and a release, the rake changed
// every eight strokes, and the 3-D view at the end. For each: how long the
// page takes to replay it when it starts (median of ROUNDS starts, from
// the page's own measure); how long a fresh garden takes in its place
// without a reload; and, once the page has kept a moment of it with the
// record, how soon after navigation a repeat visit shows it, and whether
// it came from that moment. Then the memory the page keeps beyond the
// garden's own with the 1,000-stroke garden's moments, how long the link
// to the 24-stroke garden is, and how many bytes a stroke takes in a
// garden file.
// Usage: node bench/garden.mjs SITE [ROUNDS]
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { gardenOf } from './gardens.mjs';
import { linkFragment, writeGarden } from '../web/page/record.js';
import { serveFolder } from '../scripts/serve.mjs';
import { chromiumArgs, chromiumPath, GARDENLESS, keepInBrowser, playwright } from '../tests/web/harness.mjs';

const repo = fileURLToPath(new URL('..', import.meta.url));
const site = path.resolve(process.argv[2] || path.join(repo, 'build-web', 'site'));
const ROUNDS = Number(process.argv[3] || 3);
// The goals, in milliseconds.
const REPLAY_GOALS = { 24: 50, 1000: 500 };
const RETURN_GOAL = 1000;

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// When the kept garden is shown: the first frame once the page has
// brought it back (a large one is announced, over the empty plan, first).
const gardenShownAt = (page) =>
  page
    .waitForFunction(() => document.querySelector('main[data-started]') && performance.now(), null, {
      timeout: 600000,
      polling: 'raf',
    })
    .then((handle) => handle.jsonValue());

// Whether the page has kept a moment of its garden with the record.
const momentKept = (page) =>
  page.evaluate(
    () =>
      new Promise((resolve) => {
        const open = indexedDB.open('sandmere-garden', 1);
        open.onsuccess = () => {
          const request = open.result.transaction('record').objectStore('record').count('moment');
          request.onsuccess = () => resolve(request.result > 0);
          request.onerror = () => resolve(false);
        };
        open.onerror = () => resolve(false);
      }),
  );

async function timesOf(url, file, events) {
  const browser = await playwright().chromium.launch({ executablePath: chromiumPath, args: chromiumArgs });
  try {
    const page = await (await browser.newContext({ viewport: { width: 1000, height: 1000 } })).newPage();
    await page.goto(url + GARDENLESS);
    await keepInBrowser(page, file, { forget: ['moment'] });
    const replays = [];
    const fresh = [];
    let memory = null;
    // Each start replays the garden: a moment kept with it is taken away,
    // and a start that began from one anyway does not count.
    const forgetMoment = () =>
      page.evaluate(
        () =>
          new Promise((resolve) => {
            const open = indexedDB.open('sandmere-garden', 1);
            open.onsuccess = () => {
              const transaction = open.result.transaction('record', 'readwrite');
              transaction.objectStore('record').delete('moment');
              transaction.oncomplete = resolve;
            };
          }),
      );
    while (replays.length < ROUNDS) {
      await forgetMoment();
      await page.goto(url);
      await page.locator('main[data-started]').waitFor({ timeout: 600000 });
      if ((await page.evaluate(() => window.sandmereRecord.startedAt?.() ?? 0)) > 0) continue;
      replays.push(await page.evaluate(() => performance.getEntriesByName('sandmere-replay')[0].duration));
      memory ??= await page.evaluate(async () => {
        const snapshot = await import('./snapshot.js').catch(() => null);
        const moments = window.sandmereRecord.moments?.() ?? { at: [], bytes: 0 };
        return {
          garden: Module.HEAPU8.length,
          start: snapshot?.startKept() ? snapshot.startBytes().length : 0,
          moments: moments.at.length,
          momentBytes: moments.bytes,
        };
      });
      // A fresh garden in its place, and the garden again (so the kept
      // record stays the garden's).
      fresh.push(
        await page.evaluate((events) => {
          if (!window.sandmereRecord.replace) return NaN;
          const started = performance.now();
          window.sandmereRecord.replace([]);
          const took = performance.now() - started;
          window.sandmereRecord.replace(events);
          return took;
        }, events),
      );
      await page.evaluate(() => window.sandmereRecord.flush());
    }
    // The repeat visits: the page keeps a moment once it has replayed the
    // garden; each later visit starts from it.
    const returns = [];
    const fromMoment = [];
    await page.goto(url);
    await page.locator('main[data-started]').waitFor({ timeout: 600000 });
    const deadline = Date.now() + 30000;
    while (!(await momentKept(page)) && Date.now() < deadline) await page.waitForTimeout(100);
    for (let round = 0; round < ROUNDS; ++round) {
      await page.goto('about:blank');
      await page.goto(url, { waitUntil: 'commit' });
      returns.push(await gardenShownAt(page));
      await page.locator('main[data-started]').waitFor({ timeout: 600000 });
      fromMoment.push(await page.evaluate(() => (window.sandmereRecord.startedAt?.() ?? 0) > 0));
    }
    return { replays, fresh, returns, fromMoment, memory };
  } finally {
    await browser.close();
  }
}

const ms = (values) => (values.some(Number.isNaN) ? 'n/a' : `${median(values).toFixed(0)} (${values.map((t) => t.toFixed(0)).join(', ')})`);
const MB = (bytes) => (bytes / 2 ** 20).toFixed(1);

const { server, url } = await serveFolder(site);
try {
  console.log(`Kept gardens in ${site}, medians of ${ROUNDS} (each run in brackets), in ms`);
  console.log('| garden | events | file bytes | bytes a stroke | replay at start | a fresh garden | a repeat visit shows it | from the kept moment |');
  console.log('|---|---:|---:|---:|---:|---:|---:|---|');
  let memory;
  const goals = [];
  for (const strokes of [24, 150, 1000]) {
    const events = gardenOf(strokes);
    const file = writeGarden(events, '0.0.0');
    const times = await timesOf(url, file, events);
    console.log(
      `| ${strokes} strokes | ${events.length} | ${file.length} | ${(file.length / strokes).toFixed(1)} | ` +
        `${ms(times.replays)} | ${ms(times.fresh)} | ${ms(times.returns)} | ${times.fromMoment.filter(Boolean).length} of ${ROUNDS} |`,
    );
    if (REPLAY_GOALS[strokes]) goals.push([`replay of ${strokes} strokes`, median(times.replays), REPLAY_GOALS[strokes]]);
    if (strokes === 1000) {
      goals.push(['a repeat visit shows the 1,000-stroke garden', median(times.returns), RETURN_GOAL]);
      memory = times.memory;
    }
  }
  for (const [what, value, goal] of goals)
    console.log(`  ${what}: ${value.toFixed(0)} ms, goal at most ${goal} ms: ${value <= goal ? 'met' : 'missed'}`);
  console.log(
    `\nMemory with the 1,000-stroke garden: the garden's own ${MB(memory.garden)} MB; kept beyond it: its start ` +
      `${MB(memory.start)} MB and ${memory.moments} moments of ${MB(memory.momentBytes)} MB, ` +
      `${MB(memory.start + memory.momentBytes)} MB in all (at most 64 MB).`,
  );
  const link = `${url}${await linkFragment(writeGarden(gardenOf(24), '0.0.0'))}`;
  console.log(`The link to the 24-stroke garden: ${link.length} characters (at most 8,192).`);
} finally {
  server.closeAllConnections();
  server.close();
}
