// The garden on a phone held upright and on its side, and on a laptop: it
// is shown whole, at most at its own 600 pixels, with the controls below
// or beside it and nothing to scroll sideways; and a finger's stroke on
// the smaller garden reaches the garden at the window pixels the page
// promises, so the plan is the desktop's for those pixels, and the saved
// picture is what the garden shows.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { check, compare, decodePng, desktop, Garden, skipUnlessReady, useSite } from './harness.mjs';

skipUnlessReady();

const shared = useSite();

async function layout(garden) {
  return garden.page.evaluate(() => {
    const box = (element) => element.getBoundingClientRect().toJSON();
    return {
      canvas: box(document.getElementById('garden')),
      controls: box(document.querySelector('.controls')),
      viewport: { width: innerWidth, height: innerHeight },
      scrollWidth: document.documentElement.scrollWidth,
      buffer: [document.getElementById('garden').width, document.getElementById('garden').height],
    };
  });
}

test('upright, sideways and on a laptop the garden is whole and at most 600 pixels, beside or above the controls', async () => {
  const upright = await Garden.open(await shared.site.newContext({ phone: 'upright' }), shared.site.url, shared.startup);
  const phone = await layout(upright);
  assert.ok(phone.canvas.width >= 330 && phone.canvas.width <= 390, `upright: ${phone.canvas.width} wide`);
  assert.equal(phone.canvas.height, phone.canvas.width);
  assert.ok(phone.canvas.top >= 0 && phone.canvas.bottom <= phone.viewport.height, 'upright: whole on the first screen');
  assert.ok(phone.controls.top >= phone.canvas.bottom, 'upright: the controls below the garden');
  assert.ok(phone.scrollWidth <= phone.viewport.width, 'upright: nothing to scroll sideways');
  assert.deepEqual(phone.buffer, [600, 600]);

  const sideways = await Garden.open(await shared.site.newContext({ phone: 'sideways' }), shared.site.url, shared.startup);
  const side = await layout(sideways);
  assert.ok(side.canvas.width >= 300, `sideways: ${side.canvas.width} wide`);
  assert.ok(side.canvas.top >= 0 && side.canvas.bottom <= side.viewport.height, 'sideways: whole on the screen');
  assert.ok(side.controls.left >= side.canvas.right, 'sideways: the controls beside the garden');
  assert.ok(side.scrollWidth <= side.viewport.width, 'sideways: nothing to scroll sideways');

  const laptop = await Garden.open(
    await shared.site.newContext({ viewport: { width: 1000, height: 1100 } }),
    shared.site.url,
    shared.startup,
  );
  const wide = await layout(laptop);
  assert.deepEqual([wide.canvas.width, wide.canvas.height], [600, 600], 'never scaled up');
  for (const garden of [upright, sideways, laptop]) garden.assertNoProblems();
});

test("a finger's stroke on a phone gives the desktop's plan for the same window pixels, and Save picture saves it", async () => {
  const garden = await Garden.open(await shared.site.newContext({ phone: 'upright' }), shared.site.url, shared.startup);
  const { canvas } = await layout(garden);
  await garden.page.click('button[data-menu-entry="Three-Tine"]');
  // A bent stroke at whole and half CSS pixels, and a rock.
  const finger = [];
  for (let i = 0; i <= 40; ++i) finger.push([40 + i * 6.5, 60 + i * i * 0.15]);
  await garden.touch(finger);
  await garden.page.click('button[data-menu-entry="Place Small Rock"]');
  await garden.touch([[250.5, 300.25]]);
  await garden.settle();

  const windowPixel = ([x, y]) => [Math.floor((x * 600) / canvas.width), Math.floor((y * 600) / canvas.height)];
  const seen = (await garden.record()).filter((event) => event.type === 'mouse' || event.type === 'motion');
  const pixels = seen.map((event) => [event.x, event.y]);
  // What CDP's touch points become: the same pixels, each motion once.
  const expected = [...finger, finger[finger.length - 1], [250.5, 300.25], [250.5, 300.25]].map(windowPixel);
  assert.deepEqual(pixels, expected);

  const reference = await desktop([
    'rake:1',
    ...finger.map(windowPixel).map(([x, y], i) => `${i ? 'drag' : 'press'}:${x},${y}`),
    'tool:1',
    `press:${windowPixel([250.5, 300.25]).join(',')}`,
  ]);
  const saved = await garden.shownPicture();
  const { beyond } = compare(saved, reference.frame, 2);
  check(beyond <= 36, `the phone's plan is the desktop's (${beyond} pixels differ by more than 2)`, {
    saved,
    desktop: reference.frame,
  });

  // The saved file is the window's pixels exactly: on the laptop, where the
  // canvas shows them one to one, it equals the screen's.
  const laptop = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  await laptop.rake([
    [100, 100],
    [300, 200],
    [500, 120],
  ]);
  const shown = await laptop.settle();
  const [download] = await Promise.all([laptop.page.waitForEvent('download'), laptop.page.click('#save-picture')]);
  assert.equal(download.suggestedFilename(), 'sandmere-plan.png');
  const file = decodePng(Buffer.from(await (await download.createReadStream()).toArray().then(Buffer.concat)));
  check(compare(file, shown).differing === 0, 'the saved picture is the shown one', { file, shown });
  garden.assertNoProblems();
  laptop.assertNoProblems();
});
