// Where a raking motion's main-thread time goes: a CPU profile (CDP's
// Profiler) over a person's drag as bench/raking.mjs makes it, with the
// button up and raking with one tine, at a chosen CPU slowdown; prints the
// heaviest functions by self time and writes each profile for DevTools.
//
//   node bench/profile.mjs SITE [SLOWDOWN] [OUTPUT_FOLDER]
import { writeFileSync } from 'node:fs';
import path from 'node:path';

import { SIDE } from '../tests/web/harness.mjs';
import { mouse, MOTION_MS, MOTIONS, openGardenPage } from './raking.mjs';

const [site, slowdownText = '4', out] = process.argv.slice(2);
if (!site) {
  console.error('usage: node bench/profile.mjs SITE [SLOWDOWN] [OUTPUT_FOLDER]');
  process.exit(2);
}
const slowdown = Number(slowdownText);
// How many functions the listing shows.
const TOP = 25;

const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const nextFrames = () => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve)));

function selfTimes(profile) {
  const byId = new Map(profile.nodes.map((node) => [node.id, node]));
  const self = new Map();
  const gaps = profile.timeDeltas;
  let total = 0;
  profile.samples.forEach((id, i) => {
    const node = byId.get(id);
    const f = node.callFrame;
    const name = `${f.functionName || '(anonymous)'} ${path.basename(f.url)}:${f.lineNumber + 1}`;
    const ms = (gaps[i + 1] ?? 0) / 1000;
    total += ms;
    self.set(name, (self.get(name) ?? 0) + ms);
  });
  return { total, rows: [...self].sort((a, b) => b[1] - a[1]).slice(0, TOP) };
}

const { server, browser, page, box, cdp } = await openGardenPage(path.resolve(site));
try {
  await cdp.send('Profiler.enable');
  await cdp.send('Profiler.setSamplingInterval', { interval: 100 });
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: slowdown });
  for (const raking of [false, true]) {
    const y = raking ? 200 : 100;
    const step = (SIDE - 100) / MOTIONS;
    await mouse(cdp, 'mouseMoved', box.x + 50, box.y + y, false);
    if (raking) await mouse(cdp, 'mousePressed', box.x + 50, box.y + y, true);
    await page.evaluate(nextFrames);
    await cdp.send('Profiler.start');
    for (let i = 1; i <= MOTIONS; ++i) {
      await mouse(cdp, 'mouseMoved', box.x + 50 + i * step, box.y + y, raking);
      await pause(MOTION_MS);
    }
    await page.evaluate(nextFrames);
    const { profile } = await cdp.send('Profiler.stop');
    if (raking) await mouse(cdp, 'mouseReleased', box.x + 50 + MOTIONS * step, box.y + y, false);
    const what = raking ? 'raking, one tine' : 'button up';
    if (out) writeFileSync(path.join(out, `${raking ? 'raking' : 'idle'}@${slowdown}.cpuprofile`), JSON.stringify(profile));
    const { total, rows } = selfTimes(profile);
    console.log(`\n${what}, ${slowdown}x: ${(total / MOTIONS).toFixed(2)} ms sampled a motion (idle included)`);
    for (const [name, ms] of rows) console.log(`  ${(ms / MOTIONS).toFixed(3)} ms  ${name}`);
  }
} finally {
  await browser.close();
  server.closeAllConnections();
  server.close();
}
