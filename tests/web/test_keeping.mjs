// A garden kept, shared and saved: a reload brings back the identical
// garden; its link opens it in a fresh browser, and a visitor's own garden
// stays unless they say; its file opens it again; files that are not
// gardens are refused with one message and change nothing; a quit ends the
// garden and the next start is empty.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { check, compare, count, Garden, isWhite, skipUnlessReady, useSite } from './harness.mjs';

skipUnlessReady();

const shared = useSite();

const RAKES = ['One-Tine', 'Three-Tine', 'Five-Tine'];

// A stroke raked and reset away, one running off the window's edges and
// back, 24 strokes of every rake, both rocks, stones and a background
// chosen, and the garden seen in 3-D: its plan and its 3-D picture.
async function makeGarden(garden) {
  await garden.rake([
    [300, 300],
    [320, 320],
    [340, 300],
  ]);
  await garden.choose(['Reset Sandbox']);
  await garden.rake([
    [60, 100],
    [-40, 140],
    [-20, 300],
    [200, 640],
    [300, 560],
  ]);
  for (let stroke = 0; stroke < 24; ++stroke) {
    if (stroke % 8 === 0) await garden.page.click(`button[data-menu-entry="${RAKES[stroke / 8]}"]`);
    const y = 20 + stroke * 24;
    const points = [];
    for (let x = 30 + (stroke % 5) * 7; x <= 570; x += 45) points.push([x, y + ((x * stroke) % 17)]);
    await garden.rake(points);
  }
  await garden.choose(['Rocks', 'Place Large Rock']);
  await garden.click(420, 200);
  await garden.page.click('button[data-menu-entry="Place Small Rock"]');
  await garden.click(150, 420);
  for (const key of ['1', '1', '2', '3']) await garden.key(key);
  const plan = await garden.settle();
  await garden.key('i');
  await garden.key('a');
  return { plan, scene: await garden.settle() };
}

async function startsAgain(garden, action) {
  await Promise.all([garden.page.waitForEvent('load'), action()]);
  return garden.waitForStart(shared.startup);
}

const keptBytes = (garden) =>
  garden.page.evaluate(
    () =>
      new Promise((resolve, reject) => {
        const open = indexedDB.open('sandmere-garden');
        open.onsuccess = () => {
          const get = open.result.transaction('record').objectStore('record').get('kept');
          get.onsuccess = () => resolve(get.result ? [...new Uint8Array(get.result)] : null);
          get.onerror = () => reject(get.error);
        };
        open.onerror = () => reject(open.error);
      }),
  );

let made;
let link;
let savedFile;

test('a reload brings back the identical garden, in 3-D with its stones and background, then its plan, a reset and strokes off the edges and all', async () => {
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  made = await makeGarden(garden);
  const came = await startsAgain(garden, () => garden.page.reload());
  check(compare(came, made.scene).differing === 0, 'the 3-D garden after a reload', { came, scene: made.scene });
  assert.equal(await garden.page.locator('main').getAttribute('data-mode'), 'scene');
  await garden.key('i');
  const plan = await garden.settle();
  check(compare(plan, made.plan).differing === 0, 'the plan after a reload', { plan, made: made.plan });
  assert.equal(await garden.page.locator('button[data-menu-entry="Place Small Rock"]').getAttribute('aria-pressed'), 'true');
  // Back in 3-D, now without a background (leaving 3-D takes it away):
  // the garden that is shared and saved.
  await garden.key('i');
  made.shared = await garden.settle();

  // The link and the file, for the tests below.
  await garden.page.click('#share');
  await garden.page.locator('#share-link').waitFor();
  link = await garden.page.locator('#share-link').inputValue();
  assert.ok(link.length <= 8192, `a 24-stroke garden's link is ${link.length} characters`);
  const [download] = await Promise.all([garden.page.waitForEvent('download'), garden.page.click('#save-garden')]);
  assert.match(download.suggestedFilename(), /^garden-\d{4}-\d\d-\d\d\.sandmere$/);
  savedFile = Buffer.concat(await (await download.createReadStream()).toArray());
  console.log(`24 strokes: a link of ${link.length} characters, a file of ${savedFile.length} bytes`);
  garden.assertNoProblems();
});

test("a link opens the garden in a fresh browser; a visitor's own garden stays unless they say", async () => {
  const fresh = await Garden.open(await shared.site.newContext(), link, shared.startup);
  const shown = await fresh.settle();
  check(compare(shown, made.shared).differing === 0, 'the shared garden', { shown, shared: made.shared });
  assert.equal(await fresh.page.evaluate(() => location.hash), '', 'the link is not kept in the address');

  const visitor = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  await visitor.rake([
    [100, 500],
    [500, 560],
  ]);
  const own = await visitor.settle();
  await visitor.page.goto(link);
  await visitor.page.locator('#shared-garden').waitFor();
  await visitor.page.click('#keep-mine');
  const kept = await visitor.waitForStart(shared.startup);
  check(compare(kept, own).differing === 0, 'the own garden stays', { kept, own });
  await visitor.page.goto(link);
  await visitor.page.click('#open-shared');
  // A fresh garden, without a reload.
  await visitor.page.locator('#keeping-state', { hasText: 'The shared garden is open.' }).waitFor();
  const opened = await visitor.settle();
  check(compare(opened, made.shared).differing === 0, 'the shared garden, when asked for', { opened });
  fresh.assertNoProblems();
  visitor.assertNoProblems();
});

test('a garden file opens into a fresh garden; a file that is not one changes nothing', async () => {
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  await garden.rake([
    [300, 50],
    [300, 550],
  ]);
  const before = await garden.settle();
  await garden.page.evaluate(() => window.sandmereRecord.flush());
  const record = await garden.record();
  const bytes = await keptBytes(garden);
  // A page that reloads loses this mark.
  await garden.page.evaluate(() => (window.stillThisPage = true));

  const damaged = Buffer.from(savedFile);
  damaged[Math.floor(damaged.length / 2)] ^= 0x10;
  const newer = Buffer.from(savedFile);
  newer[13] = 2;
  const random = Buffer.from(Array.from({ length: 300 }, (_, i) => (i * 7919) % 256));
  const hostile = {
    'random.sandmere': [random, /does not begin/],
    'empty.sandmere': [Buffer.alloc(0), /empty/],
    'notes.txt': [Buffer.from('my garden\n'), /does not begin/],
    'photo.png': [Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0, 0, 0, 13]), /PNG picture/],
    'cut.sandmere': [savedFile.subarray(0, savedFile.length - 9), /cut short/],
    'damaged.sandmere': [damaged, /damaged/],
    'newer.sandmere': [newer, /newer Sandmere/],
  };
  for (const [name, [content, reason]] of Object.entries(hostile)) {
    await garden.page.setInputFiles('#garden-file', { name, mimeType: 'application/octet-stream', buffer: content });
    const message = garden.page.locator('#keeping-state');
    await message.filter({ hasText: name }).waitFor();
    const text = await message.textContent();
    assert.match(text, new RegExp(`^${name.replace('.', '\\.')} is not a garden`), text);
    assert.match(text, reason, text);
  }
  assert.ok(await garden.page.evaluate(() => window.stillThisPage), 'the page did not start again');
  assert.deepEqual(await garden.record(), record, 'the record is as it was');
  assert.deepEqual(await keptBytes(garden), bytes, 'the kept garden is as it was');
  check(compare(await garden.settle(), before).differing === 0, 'the garden is as it was');

  await garden.page.setInputFiles('#garden-file', { name: 'mine.sandmere', mimeType: 'application/octet-stream', buffer: savedFile });
  await garden.page.locator('#keeping-state', { hasText: 'mine.sandmere is open.' }).waitFor();
  assert.ok(await garden.page.evaluate(() => window.stillThisPage), 'a fresh garden, without a reload');
  const opened = await garden.settle();
  check(compare(opened, made.shared).differing === 0, 'the garden from its file', { opened });
  garden.assertNoProblems();
});

test('Quit ends the garden, and starting again begins an empty one, without a reload', async () => {
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  const startConsole = await garden.consoleText();
  await garden.page.evaluate(() => (window.stillThisPage = true));
  await garden.rake([
    [50, 300],
    [550, 300],
  ]);
  await garden.key('h');
  await garden.page.click('button[data-menu-entry="Quit"]');
  assert.equal(await garden.exitStatus(), '0');
  await garden.page.click('#start-again');
  const empty = await garden.waitForStart(shared.startup);
  assert.ok(await garden.page.evaluate(() => window.stillThisPage), 'the page was not reloaded');
  assert.equal(await garden.consoleText(), startConsole, 'the console as start-up left it');
  assert.ok(await garden.page.locator('#ended').isHidden());
  check(count(empty, {}, (...rgb) => !isWhite(...rgb)) === 0, 'a white plan', { empty });
  assert.deepEqual(
    (await garden.record()).filter((event) => event.type !== 'frame'),
    [],
    'nothing in the new record',
  );
  // The new garden takes strokes, and ends again.
  await garden.rake([
    [300, 50],
    [300, 550],
  ]);
  check(count(await garden.settle(), {}, (...rgb) => !isWhite(...rgb)) > 0, 'a raked plan');
  await garden.key('q');
  assert.equal(await garden.exitStatus(), '0');
  garden.assertNoProblems();
});
