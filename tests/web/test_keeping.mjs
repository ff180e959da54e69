// A garden kept, shared and saved: a reload brings back the identical
// garden; its link opens it in a fresh browser, and a visitor's own garden
// stays unless they say; its file opens it again; files that are not
// gardens are refused with one message and change nothing; a quit ends the
// garden and the next start is empty.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { GARDEN_CHUNK, gardenFileIn, pictureWithGarden } from '../../web/page/record.js';
import { check, compare, count, decodePng, encodePng, Garden, isWhite, skipUnlessReady, useSite } from './harness.mjs';

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
  const saved = await garden.download('#save-garden');
  assert.match(saved.name, /^garden-\d{4}-\d\d-\d\d\.sandmere$/);
  savedFile = saved.bytes;
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
  // Pictures: a photo with no garden, and the garden's file in one,
  // damaged in each way a picture of a garden can be.
  const photo = encodePng({ width: 2, height: 2, data: Buffer.alloc(12, 200) });
  const withGarden = (file) => Buffer.from(pictureWithGarden(photo, file));
  const gardenPicture = withGarden(savedFile);
  const at = gardenPicture.indexOf(GARDEN_CHUNK) - 4;
  const chunk = gardenPicture.subarray(at, at + 12 + savedFile.length);
  const [head, rest] = [gardenPicture.subarray(0, at), gardenPicture.subarray(at + chunk.length)];
  const badCrc = Buffer.from(gardenPicture);
  badCrc[at + 8 + 30] ^= 0x10;
  const lying = Buffer.from(gardenPicture);
  lying.writeUInt32BE(savedFile.length + 4000, at);
  const hostile = {
    'random.sandmere': [random, /does not begin/],
    'empty.sandmere': [Buffer.alloc(0), /empty/],
    'notes.txt': [Buffer.from('my garden\n'), /does not begin/],
    'photo.png': [Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0, 0, 0, 13]), /PNG picture/],
    'cut.sandmere': [savedFile.subarray(0, savedFile.length - 9), /cut short/],
    'damaged.sandmere': [damaged, /damaged/],
    'newer.sandmere': [newer, /newer Sandmere/],
    'photo-only.png': [photo, /: it is a PNG picture, not a garden: it holds no garden\. Your garden/],
    'bad-crc.png': [badCrc, /saNd chunk fails its checksum/],
    'lying.png': [lying, /more than are left/],
    'two-gardens.png': [Buffer.concat([head, chunk, chunk, rest]), /holding 2 gardens/],
    'after-end.png': [Buffer.concat([gardenPicture, chunk]), /after its end \(IEND\)/],
    'bad-garden.png': [withGarden(damaged), /garden is refused: it is damaged/],
  };
  assert.deepEqual(gardenFileIn(gardenPicture), savedFile);
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

// Save picture, in plan and in 3-D, as a visitor's browser gets it.
const savePicture = async (garden) => (await garden.download('#save-picture')).bytes;

// The picture dropped on the page, as a file manager drops one.
const drop = (garden, bytes, name) =>
  garden.page.evaluate(
    ([content, fileName]) => {
      const data = new DataTransfer();
      data.items.add(new File([Uint8Array.from(content)], fileName, { type: 'image/png' }));
      for (const type of ['dragover', 'drop'])
        document.dispatchEvent(new DragEvent(type, { dataTransfer: data, bubbles: true, cancelable: true }));
    },
    [[...bytes], name],
  );

test('a saved picture, of the plan or in 3-D, is its shown pixels and opens as the same garden bit for bit', async () => {
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  await garden.rake([
    [80, 80],
    [300, 420],
    [520, 120],
  ]);
  await garden.choose(['Rocks', 'Place Large Rock']);
  await garden.click(380, 260);
  const plan = await garden.settle();
  const planPicture = await savePicture(garden);
  await garden.key('i');
  const scene = await garden.settle();
  const scenePicture = await savePicture(garden);
  for (const [picture, shown, what] of [
    [planPicture, plan, 'plan'],
    [scenePicture, scene, '3-D'],
  ]) {
    const pixels = decodePng(picture);
    assert.deepEqual([pixels.width, pixels.height], [600, 600]);
    check(compare(pixels, shown).differing === 0, `the ${what} picture's pixels are the shown ones`, { pixels, shown });
  }
  const sizes = [planPicture, scenePicture].map((p) => `${p.length - 12 - gardenFileIn(p).length}+${12 + gardenFileIn(p).length}`);
  console.log(`pictures, without+with their garden: plan ${sizes[0]} bytes, 3-D ${sizes[1]} bytes`);

  // Dropped on a fresh page, the plan's picture is the garden as it was
  // then; opened with Open garden, the 3-D one is.
  const fresh = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  const opens = async (name, action) => {
    await action();
    await fresh.page.locator('#keeping-state', { hasText: `${name} is open.` }).waitFor();
    return fresh.settle();
  };
  const fromPlan = await opens('sandmere-plan.png', () => drop(fresh, planPicture, 'sandmere-plan.png'));
  check(compare(fromPlan, plan).differing === 0, 'the garden from its plan picture', { fromPlan, plan });
  assert.deepEqual(Buffer.from(await keptBytes(fresh)), Buffer.from(gardenFileIn(planPicture)));
  const fromScene = await opens('sandmere-garden.png', () =>
    fresh.page.setInputFiles('#garden-file', { name: 'sandmere-garden.png', mimeType: 'image/png', buffer: scenePicture }),
  );
  check(compare(fromScene, scene).differing === 0, 'the garden from its 3-D picture', { fromScene, scene });
  assert.deepEqual(Buffer.from(await keptBytes(fresh)), Buffer.from(gardenFileIn(scenePicture)));
  garden.assertNoProblems();
  fresh.assertNoProblems();
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
