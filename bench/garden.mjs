// ./bench.sh garden: what a kept garden costs. Gardens of 24 and of 1,000
// strokes, each stroke a press, 30 motions with a frame after each (as a
// quick hand on a phone makes them) and a release, the rake changed every
// eight strokes, and the 3-D view at the end: how long the page takes to
// replay each when it starts (median of ROUNDS starts, from the page's
// own measure), how long the link to the 24-stroke garden is, and how
// many bytes a stroke takes in a garden file.
// Usage: node bench/garden.mjs SITE [ROUNDS]
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { gardenOf } from './gardens.mjs';
import { linkFragment, writeGarden } from '../web/page/record.js';
import { serveFolder } from '../scripts/serve.mjs';
import { chromiumArgs, chromiumPath, playwright } from '../tests/web/harness.mjs';

const repo = fileURLToPath(new URL('..', import.meta.url));
const site = path.resolve(process.argv[2] || path.join(repo, 'build-web', 'site'));
const ROUNDS = Number(process.argv[3] || 3);

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function replayTimes(url, file) {
  const browser = await playwright().chromium.launch({ executablePath: chromiumPath, args: chromiumArgs });
  try {
    const page = await (await browser.newContext({ viewport: { width: 1000, height: 1000 } })).newPage();
    await page.goto(url);
    await page.locator('main[data-started]').waitFor();
    await page.evaluate(
      (bytes) =>
        new Promise((resolve, reject) => {
          const open = indexedDB.open('sandmere-garden', 1);
          open.onupgradeneeded = () => open.result.createObjectStore('record');
          open.onsuccess = () => {
            const transaction = open.result.transaction('record', 'readwrite');
            transaction.objectStore('record').put(new Uint8Array(bytes), 'kept');
            transaction.oncomplete = resolve;
            transaction.onabort = () => reject(transaction.error);
          };
        }),
      [...file],
    );
    const times = [];
    for (let round = 0; round < ROUNDS; ++round) {
      await page.reload();
      await page.locator('main[data-started]').waitFor({ timeout: 600000 });
      times.push(await page.evaluate(() => performance.getEntriesByName('sandmere-replay')[0].duration));
    }
    return times;
  } finally {
    await browser.close();
  }
}

const { server, url } = await serveFolder(site);
try {
  console.log('| garden | events | file bytes | bytes a stroke | replay ms (median) | replays ms |');
  console.log('|---|---:|---:|---:|---:|---|');
  for (const strokes of [24, 1000]) {
    const events = gardenOf(strokes);
    const file = writeGarden(events, '0.0.0');
    const times = await replayTimes(url, file);
    console.log(
      `| ${strokes} strokes | ${events.length} | ${file.length} | ${(file.length / strokes).toFixed(1)} | ` +
        `${median(times).toFixed(0)} | ${times.map((t) => t.toFixed(0)).join(', ')} |`,
    );
  }
  const link = `${url}${await linkFragment(writeGarden(gardenOf(24), '0.0.0'))}`;
  console.log(`\nThe link to the 24-stroke garden: ${link.length} characters (at most 8,192).`);
} finally {
  server.closeAllConnections();
  server.close();
}
