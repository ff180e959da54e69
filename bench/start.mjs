// The page's start: the time from navigation to the garden's first frame
// (the page's own mark, 'sandmere-first-frame'), checked to be the white
// plan. For each site given, in ROUNDS fresh browsers: a first visit; a
// repeat visit (the same browser, everything it kept); and a repeat visit
// with the CPU slowed four times, about a phone's pace; and a fresh
// garden in place of the running one without a reload, where the site
// can (the page's sandmereRecord.replace). Medians, with the goals beside
// them.
// Usage: node bench/start.mjs ROUNDS NAME=SITE [NAME=SITE ...]
import path from 'node:path';

import { serveFolder } from '../scripts/serve.mjs';
import { chromiumArgs, chromiumPath, playwright } from '../tests/web/harness.mjs';

const SLOWER = 4;
const GOALS = { first: 1000, repeat: 500, slowed: 1500, fresh: 50 };

const rounds = Number(process.argv[2] || 3);
const sites = process.argv.slice(3).map((argument) => {
  const [name, folder] = argument.split('=');
  return { name, folder: path.resolve(folder) };
});
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function firstFrame(page) {
  await page.waitForFunction(() => performance.getEntriesByName('sandmere-first-frame').length > 0, null, {
    timeout: 60000,
    polling: 20,
  });
  return page.evaluate(() => performance.getEntriesByName('sandmere-first-frame')[0].startTime);
}

// One fresh browser: the first visit, then the repeat visits once the
// page has kept what it keeps after its first plan.
async function visits(url) {
  const browser = await playwright().chromium.launch({ executablePath: chromiumPath, args: chromiumArgs });
  try {
    const context = await browser.newContext({ viewport: { width: 1000, height: 1000 } });
    const page = await context.newPage();
    await page.goto(url, { waitUntil: 'commit' });
    const first = await firstFrame(page);
    // Time for what follows the first plan: the offline copy, the kept pictures.
    await page.waitForTimeout(3000);
    await page.goto('about:blank');
    await page.goto(url, { waitUntil: 'commit' });
    const repeat = await firstFrame(page);
    await page.locator('main[data-started]').waitFor({ timeout: 60000 });
    const fresh = await page.evaluate(() => {
      if (!window.sandmereRecord.replace) return NaN;
      const started = performance.now();
      window.sandmereRecord.replace([]);
      return performance.now() - started;
    });
    await page.waitForTimeout(1000);
    const cdp = await context.newCDPSession(page);
    await cdp.send('Emulation.setCPUThrottlingRate', { rate: SLOWER });
    await page.goto('about:blank');
    await page.goto(url, { waitUntil: 'commit' });
    const slowed = await firstFrame(page);
    return { first, repeat, slowed, fresh };
  } finally {
    await browser.close();
  }
}

console.log(`page: from navigation to the first plan, median of ${rounds} fresh browsers`);
console.log(`| site | first visit ms | repeat visit ms | repeat, CPU ${SLOWER}x slower ms | a fresh garden ms |`);
console.log('|---|---:|---:|---:|---:|');
const results = [];
for (const site of sites) {
  const { server, url } = await serveFolder(site.folder);
  try {
    const runs = [];
    for (let round = 0; round < rounds; ++round) runs.push(await visits(url));
    const row = Object.fromEntries(['first', 'repeat', 'slowed', 'fresh'].map((key) => [key, median(runs.map((r) => r[key]))]));
    results.push({ site, row });
    const cell = (key) =>
      Number.isNaN(row[key]) ? 'n/a' : `${row[key].toFixed(key === 'fresh' ? 1 : 0)} (${runs.map((r) => r[key].toFixed(key === 'fresh' ? 1 : 0)).join(', ')})`;
    console.log(`| ${site.name} | ${cell('first')} | ${cell('repeat')} | ${cell('slowed')} | ${cell('fresh')} |`);
  } finally {
    server.closeAllConnections();
    server.close();
  }
}
const today = results.at(-1).row;
for (const [key, goal] of Object.entries(GOALS))
  if (!Number.isNaN(today[key])) console.log(`  ${key}: ${today[key].toFixed(0)} ms, goal at most ${goal} ms: ${today[key] <= goal ? 'met' : 'missed'}`);
