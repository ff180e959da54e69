// A fresh garden without a reload, and the moments a garden is kept at: a
// garden file opened into a running page gives the very garden, console
// and record a freshly loaded page gives; a moment part way through a
// garden and the rest of its replay give the garden a whole replay gives,
// in the plan and in 3-D; a moment kept with the record brings the garden
// back on the next visit, and a damaged one is refused for a replay.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { writeGarden } from '../../web/page/record.js';
import { check, compare, Garden, GARDENLESS, keepInBrowser, skipUnlessReady, useSite } from './harness.mjs';

skipUnlessReady();

const shared = useSite();

const RAKES_MENU = 1;
const MODE_KEY = { type: 'key', key: 'i'.charCodeAt(0) };

// Strokes as a quick hand rakes them, a frame after each motion, the rake
// changed every eight; `shift` moves them, so two gardens differ.
function strokes(count, shift = 0) {
  const events = [];
  for (let s = 0; s < count; ++s) {
    if (s % 8 === 0) events.push({ type: 'menu', menu: RAKES_MENU, value: 1 + ((s / 8) % 3) });
    const y0 = 20 + ((s * 37 + shift) % 560);
    let [x, y] = [20 + ((s * 53) % 80), y0];
    events.push({ type: 'mouse', button: 0, state: 0, x, y }, { type: 'frame' });
    for (let m = 0; m < 30; ++m) {
      x += 17;
      y = Math.round(y0 + 12 * Math.sin((m + s + shift) / 3));
      events.push({ type: 'motion', x, y }, { type: 'frame' });
    }
    events.push({ type: 'mouse', button: 0, state: 1, x, y }, { type: 'frame' });
  }
  return events;
}

// A page freshly loaded on a kept garden.
async function loadedWith(bytes) {
  const context = await shared.site.newContext();
  const keeping = await context.newPage();
  await keeping.goto(shared.site.url + GARDENLESS);
  await keepInBrowser(keeping, bytes);
  await keeping.close();
  return Garden.open(context, shared.site.url, shared.startup);
}

// The plan and the 3-D view a page shows now, the mode key between.
async function planAndScene(garden) {
  const first = await garden.settle();
  await garden.key('i');
  return [first, await garden.settle()];
}

test('a garden file opened into a running page is, without a reload, the garden, console and record a fresh page gives', async () => {
  // Help printed, the rake changed, strokes, a reset, more strokes, the plan.
  const record = [
    { type: 'frame' },
    { type: 'key', key: 'h'.charCodeAt(0) },
    ...strokes(6),
    { type: 'menu', menu: RAKES_MENU, value: 2 },
    ...strokes(10, 200),
  ];
  const file = Buffer.from(writeGarden(record, '1.3.0'));

  const running = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  await running.rake([
    [100, 100],
    [500, 400],
  ]);
  await running.key('i');
  await running.settle();
  await running.page.evaluate(() => (window.stillThisPage = true));
  await running.page.setInputFiles('#garden-file', { name: 'friend.sandmere', mimeType: 'application/octet-stream', buffer: file });
  await running.page.locator('#keeping-state', { hasText: 'friend.sandmere is open.' }).waitFor();
  assert.ok(await running.page.evaluate(() => window.stillThisPage), 'the page was not reloaded');

  const loaded = await loadedWith(file);
  assert.equal(await running.consoleText(), await loaded.consoleText(), 'the console');
  assert.equal((await running.consoleText()).split(shared.startup).length, 2, 'the start-up messages once');
  assert.deepEqual(await running.record(), await loaded.record(), 'the record');
  assert.equal(await running.page.locator('main').getAttribute('data-mode'), 'plan');
  const [plan, scene] = await planAndScene(running);
  const [loadedPlan, loadedScene] = await planAndScene(loaded);
  check(compare(plan, loadedPlan).differing === 0, 'the plan', { plan, loadedPlan });
  check(compare(scene, loadedScene).differing === 0, 'the 3-D view', { scene, loadedScene });
  running.assertNoProblems();
  loaded.assertNoProblems();
});

test('a moment part way through a garden, and the rest replayed, give the garden a whole replay gives', async () => {
  // Long enough for the replay to keep a moment part way.
  const first = [{ type: 'frame' }, ...strokes(90)];
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  const moments = await garden.page.evaluate((events) => {
    window.sandmereRecord.replace(events);
    return window.sandmereRecord.moments();
  }, first);
  assert.ok(moments.at.length >= 1 && moments.at[0] < first.length, `moments at ${moments.at}`);
  // The same garden up to a little after the first moment, then other
  // strokes and the 3-D view.
  const cut = moments.at[0] + 200;
  const other = [...first.slice(0, cut), ...strokes(12, 300), MODE_KEY, { type: 'frame' }];
  const from = await garden.page.evaluate((events) => window.sandmereRecord.replace(events), other);
  assert.equal(from, moments.at[0], 'the replay began at the moment');

  const whole = await loadedWith(Buffer.from(writeGarden(other, '1.3.0')));
  const [scene, plan] = await planAndScene(garden);
  const [wholeScene, wholePlan] = await planAndScene(whole);
  check(compare(scene, wholeScene).differing === 0, 'the 3-D view', { scene, wholeScene });
  check(compare(plan, wholePlan).differing === 0, 'the plan', { plan, wholePlan });
  assert.deepEqual(await garden.record(), await whole.record(), 'the record');
  garden.assertNoProblems();
  whole.assertNoProblems();
});

test('a moment kept with the record brings the garden back on the next visit; a damaged one is refused and the garden replayed', async () => {
  const record = [{ type: 'frame' }, ...strokes(40), MODE_KEY, { type: 'frame' }];
  const garden = await loadedWith(Buffer.from(writeGarden(record, '1.3.0')));
  // A visit after the first, which painted the pictures and kept them: the
  // garden's start is then the same on every visit.
  await garden.page.evaluate(() => window.sandmereRecord.flush());
  await garden.page.reload();
  await garden.waitForStart(shared.startup);
  const [scene, plan] = await planAndScene(garden);
  // Back in 3-D, as the record ends, and a moment kept with it.
  await garden.key('i');
  await garden.settle();
  await garden.page.evaluate(() => window.sandmereRecord.keepMoment());
  const keptAt = (await garden.record()).length;

  const comesBack = async (from) => {
    const console = await garden.consoleText();
    await garden.page.evaluate(() => window.sandmereRecord.flush());
    const keptRecord = await garden.record();
    await garden.page.reload();
    await garden.waitForStart(shared.startup);
    assert.equal(await garden.page.evaluate(() => window.sandmereRecord.startedAt()), from);
    assert.equal(await garden.consoleText(), console, 'the console');
    assert.deepEqual(await garden.record(), keptRecord, 'the record');
    const [cameScene, camePlan] = await planAndScene(garden);
    check(compare(cameScene, scene).differing === 0, 'the 3-D view', { cameScene, scene });
    check(compare(camePlan, plan).differing === 0, 'the plan', { camePlan, plan });
    await garden.key('i');
    await garden.settle();
  };
  await comesBack(keptAt);

  // One byte of the kept memory changed.
  await garden.page.evaluate(
    () =>
      new Promise((resolve, reject) => {
        const open = indexedDB.open('sandmere-garden', 1);
        open.onsuccess = () => {
          const transaction = open.result.transaction('record', 'readwrite');
          const store = transaction.objectStore('record');
          const get = store.get('moment');
          get.onsuccess = () => {
            const moment = get.result;
            moment.bytes[moment.bytes.length >> 1] ^= 1;
            store.put(moment, 'moment');
          };
          transaction.oncomplete = resolve;
          transaction.onabort = () => reject(transaction.error);
        };
      }),
  );
  await comesBack(0);
  garden.assertNoProblems();
});
