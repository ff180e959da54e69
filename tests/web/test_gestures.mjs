// The camera under a finger: in 3-D every step of a gesture is one of the
// garden's own camera keys. A swipe across the garden turns it by 90 to
// 180 degrees; a drag that comes back leaves exactly the picture it
// started from; a pinch that closes again sends back as many steps as it
// sent; the wheel moves the camera too. In the plan a second finger never
// rakes.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { check, compare, Garden, skipUnlessReady, useSite } from './harness.mjs';

skipUnlessReady();

const shared = useSite();

const keysSince = async (garden, from) =>
  (await garden.record())
    .slice(from)
    .filter((event) => event.type === 'key')
    .map((event) => String.fromCharCode(event.key))
    .join('');
const count = (text, key) => text.split(key).length - 1;
const line = (from, to, steps) =>
  Array.from({ length: steps + 1 }, (_, i) => [from[0] + ((to[0] - from[0]) * i) / steps, from[1] + ((to[1] - from[1]) * i) / steps]);

test('a swipe turns the garden by 90 to 180 degrees, and a drag that comes back leaves the same picture', async () => {
  const garden = await Garden.open(await shared.site.newContext({ phone: 'upright' }), shared.site.url, shared.startup);
  const side = (await garden.canvas.boundingBox()).width;
  await garden.page.click('button[data-menu-entry="Place Large Rock"]');
  await garden.touch([[side * 0.3, side * 0.7]]);
  await garden.page.click('button[data-key="i"]');
  // Tilted a little first: the camera starts below its own floor for
  // tilting (18.435 degrees against 20), so no way back reaches it.
  await garden.touch(line([side / 2, side * 0.4], [side / 2, side * 0.515], 5));
  assert.equal(await keysSince(garden, 0), `i${'w'.repeat(15)}`);
  const start = await garden.settle();

  let from = (await garden.record()).length;
  await garden.touch(line([side * 0.02, side / 2], [side * 0.98, side / 2], 24));
  const swipe = await keysSince(garden, from);
  assert.ok(swipe.length >= 90 && swipe.length <= 180 && count(swipe, 'a') === swipe.length, `a swipe across: ${swipe}`);
  assert.notEqual(compare(await garden.settle(), start).differing, 0, 'the garden turned');

  // Round and back, up and down, in one drag; then the swipe undone.
  from = (await garden.record()).length;
  await garden.touch([
    ...line([side / 2, side / 2], [side * 0.8, side * 0.42], 10),
    ...line([side * 0.8, side * 0.42], [side * 0.1, side * 0.58], 12),
    ...line([side * 0.1, side * 0.58], [side / 2, side / 2], 9),
  ]);
  const there = await keysSince(garden, from);
  for (const [one, other] of ['ad', 'ws']) assert.equal(count(there, one), count(there, other), `${there}: ${one} and ${other}`);
  assert.ok(count(there, 'a') >= 40 && count(there, 'w') >= 10, there);
  await garden.touch(line([side * 0.98, side / 2], [side * 0.02, side / 2], 24));
  const back = await garden.settle();
  check(compare(back, start).differing === 0, 'the drags undone leave the first picture', { back, start });

  // Two fingers apart and together again: the camera goes closer, then
  // back by as many steps.
  from = (await garden.record()).length;
  const apart = line([side * 0.4, side * 0.5], [side * 0.1, side * 0.5], 8);
  await garden.pinch(apart.map(([x, y]) => [[x, y], [side - x, y]]));
  const closer = await keysSince(garden, from);
  assert.ok(closer.length > 40 && count(closer, 'e') === closer.length, `a pinch apart: ${closer}`);
  from = (await garden.record()).length;
  await garden.pinch([...apart].reverse().map(([x, y]) => [[x, y], [side - x, y]]));
  assert.equal(await keysSince(garden, from), 'c'.repeat(closer.length));
  garden.assertNoProblems();
});

test('the wheel moves the camera closer and back; in the plan a second finger never rakes', async () => {
  const laptop = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  await laptop.key('i');
  const box = await laptop.canvas.boundingBox();
  await laptop.page.mouse.move(box.x + 300, box.y + 300);
  const from = (await laptop.record()).length;
  await laptop.page.mouse.wheel(0, -200);
  await laptop.page.mouse.wheel(0, 100);
  await laptop.page.waitForFunction((n) => window.sandmereRecord.events().length > n + 14, from);
  const wheeled = await keysSince(laptop, from);
  assert.equal(wheeled, 'e'.repeat(10) + 'c'.repeat(5));
  laptop.assertNoProblems();

  const phone = await Garden.open(await shared.site.newContext({ phone: 'upright' }), shared.site.url, shared.startup);
  const side = (await phone.canvas.boundingBox()).width;
  await phone.pinch(line([side * 0.2, side * 0.2], [side * 0.8, side * 0.2], 6).map(([x, y]) => [[x, y], [x, y + side * 0.5]]));
  const moves = (await phone.record()).filter((event) => event.type === 'mouse' || event.type === 'motion');
  assert.ok(moves.length >= 7, 'the first finger rakes');
  const firstFinger = Math.floor((side * 0.2 * 600) / side);
  assert.ok(
    moves.every((event) => Math.abs(event.y - firstFinger) <= 1),
    `only the first finger's row: ${JSON.stringify(moves)}`,
  );
  phone.assertNoProblems();
});
