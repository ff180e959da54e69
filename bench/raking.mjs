// A raking motion's cost to the page's main thread: Chromium's own
// Performance.getMetrics TaskDuration over a drag of many motions, with one
// tine and with five, at the machine's pace and with the CPU slowed four
// times (a phone's pace). And the switch from the raked plan to the 3-D
// view: the main thread's time and the time until its frame is shown.
//
// The drag is a person's: a motion a display frame, each sent as the
// browser's own input and waited for outside the page. TaskDuration counts
// every main-thread task, the input's dispatch and the frame included, so
// the harness adds nothing of its own between motions: waiting in the page
// for two animation frames a motion would make three frames of one and
// count them all (a person's motion makes one). The mouse is the browser's
// own input (CDP's Input domain): Playwright's mouse, with a button held,
// runs script in the page at every motion to watch for a drag and drop.
// The figures before the software plan were taken with Playwright's mouse
// and two frames a motion: that drag is measured too, as 'frames'.
//
//   node bench/raking.mjs SITE     prints the figures alone
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { serveFolder } from '../scripts/serve.mjs';
import { chromiumArgs, chromiumPath, playwright, SIDE } from '../tests/web/harness.mjs';

export const MOTIONS = 100;
export const SLOWDOWNS = [1, 4];
export const RAKES = [
  { tines: 1, label: 'One-Tine' },
  { tines: 5, label: 'Five-Tine' },
];
// The goal: at most this many milliseconds a motion at four times slower.
export const GOAL_MS_AT_4X = 8;
// How a drag waits between motions: as a person's does, or for two
// animation frames in the page.
export const PACINGS = ['person', 'frames'];
// Drags are measured this many times; the figure is their median.
const RUNS = 3;

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const n = sorted.length;
  return n % 2 ? sorted[(n - 1) / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
};

// A display frame at 60 Hz, in ms: how often a person's drag moves.
export const MOTION_MS = 1000 / 60;
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
// The mouse at page pixel (x, y): 'mouseMoved', 'mousePressed' or
// 'mouseReleased', with the left button held from a press to its release.
export const mouse = (cdp, type, x, y, held) =>
  cdp.send('Input.dispatchMouseEvent', {
    type,
    x,
    y,
    button: held || type !== 'mouseMoved' ? 'left' : 'none',
    buttons: held ? 1 : 0,
    clickCount: type === 'mouseMoved' ? 0 : 1,
  });

// Two animation frames: the garden's own frame for the last motion has run.
const nextFrames = () => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve)));

// The main thread's time in tasks so far, in ms.
const taskMs = async (cdp) =>
  (await cdp.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value * 1000;

async function chooseRake(page, box, label) {
  await page.mouse.click(box.x + 300, box.y + 300, { button: 'right' });
  for (const entry of ['Rakes', label]) {
    const item = page.locator('[role="menu"] [role="menuitem"]', { hasText: new RegExp(`^${entry}$`) });
    await item.hover();
    await item.click();
  }
}

// Milliseconds of main-thread tasks a motion, over one drag across the
// plan at row y; with the button up, what the same motions cost when they
// rake nothing.
async function dragCost(page, cdp, box, y, raking, pacing) {
  if (pacing === 'frames') return framesDragCost(page, cdp, box, y, raking);
  const step = (SIDE - 100) / MOTIONS;
  await mouse(cdp, 'mouseMoved', box.x + 50, box.y + y, false);
  if (raking) await mouse(cdp, 'mousePressed', box.x + 50, box.y + y, true);
  await page.evaluate(nextFrames);
  const before = await taskMs(cdp);
  for (let i = 1; i <= MOTIONS; ++i) {
    // The move is answered once the page has dispatched it.
    await mouse(cdp, 'mouseMoved', box.x + 50 + i * step, box.y + y, raking);
    await pause(MOTION_MS);
  }
  await page.evaluate(nextFrames);
  const after = await taskMs(cdp);
  if (raking) await mouse(cdp, 'mouseReleased', box.x + 50 + MOTIONS * step, box.y + y, false);
  return (after - before) / MOTIONS;
}

// The same, as the figures before the software plan were taken.
async function framesDragCost(page, cdp, box, y, raking) {
  const step = (SIDE - 100) / MOTIONS;
  await page.mouse.move(box.x + 50, box.y + y);
  if (raking) await page.mouse.down();
  await page.evaluate(nextFrames);
  const before = await taskMs(cdp);
  for (let i = 1; i <= MOTIONS; ++i) {
    await page.mouse.move(box.x + 50 + i * step, box.y + y);
    await page.evaluate(nextFrames);
  }
  const after = await taskMs(cdp);
  if (raking) await page.mouse.up();
  return (after - before) / MOTIONS;
}

// The switch to the 3-D view and back, timed into the 3-D view's frame.
async function modeSwitchCost(page, cdp) {
  await page.locator('canvas#garden').focus();
  const before = await taskMs(cdp);
  const start = await page.evaluate(() => performance.now());
  await page.keyboard.press('i');
  const end = await page.evaluate(nextFrames).then(() => page.evaluate(() => performance.now()));
  const task = (await taskMs(cdp)) - before;
  await page.keyboard.press('i');
  await page.evaluate(nextFrames);
  return { task, wall: end - start };
}

// The site served, Chromium started on it, and the garden's page open
// once the garden has started: its canvas's box, and a CDP session on it.
export async function openGardenPage(site) {
  const { server, url } = await serveFolder(site);
  const browser = await playwright().chromium.launch({ executablePath: chromiumPath, args: chromiumArgs });
  const page = await browser.newPage({ viewport: { width: 1000, height: 1000 } });
  await page.goto(url);
  await page.locator('main[data-started]').waitFor({ timeout: 30000 });
  const box = await page.locator('canvas#garden').boundingBox();
  const cdp = await page.context().newCDPSession(page);
  return { server, browser, page, box, cdp };
}

// { 'tines@slowdown': ms a motion } for every rake and slowdown,
// 'idle@slowdown' for the motions with the button up, each for a person's
// drag and, as 'frames tines@slowdown', for two frames a motion; 'switch
// task' and 'switch wall': the switch to the 3-D view, in ms.
export async function rakingCosts(site) {
  const { server, browser, page, box, cdp } = await openGardenPage(site);
  const costs = {};
  try {
    await cdp.send('Performance.enable', { timeDomain: 'threadTicks' });
    let row = 40;
    for (const rake of RAKES) {
      await chooseRake(page, box, rake.label);
      for (const slowdown of SLOWDOWNS) {
        await cdp.send('Emulation.setCPUThrottlingRate', { rate: slowdown });
        for (const pacing of PACINGS) {
          const prefix = pacing === 'person' ? '' : `${pacing} `;
          if (rake.tines === RAKES[0].tines) {
            const idle = [];
            for (let run = 0; run < RUNS; ++run) idle.push(await dragCost(page, cdp, box, row, false, pacing));
            costs[`${prefix}idle@${slowdown}`] = median(idle);
          }
          const runs = [];
          for (let run = 0; run < RUNS; ++run) {
            runs.push(await dragCost(page, cdp, box, row, true, pacing));
            row = row >= SIDE - 60 ? 40 : row + 30;
          }
          costs[`${prefix}${rake.tines}@${slowdown}`] = median(runs);
        }
        await cdp.send('Emulation.setCPUThrottlingRate', { rate: 1 });
      }
    }
    const switches = [];
    for (let run = 0; run < RUNS; ++run) switches.push(await modeSwitchCost(page, cdp));
    costs['switch task'] = median(switches.map((s) => s.task));
    costs['switch wall'] = median(switches.map((s) => s.wall));
  } finally {
    await browser.close();
    server.closeAllConnections();
    server.close();
  }
  return costs;
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [site] = process.argv.slice(2);
  if (!site) {
    console.error('usage: node bench/raking.mjs SITE');
    process.exit(2);
  }
  const costs = await rakingCosts(path.resolve(site));
  for (const [key, ms] of Object.entries(costs)) {
    const [what, slowdown] = key.split('@');
    const [tines, pacing] = what.split(' ').reverse();
    const rake = tines === 'idle' ? 'no rake (button up)' : `${tines} tine(s)`;
    const drag = pacing ? 'two frames a motion' : "a person's drag";
    if (slowdown)
      console.log(`a motion, ${rake}, ${slowdown}x CPU slowdown, ${drag}: ${ms.toFixed(2)} ms of main thread`);
    else console.log(`${key}: ${ms.toFixed(1)} ms`);
  }
}
