// The console panel holds what the desktop garden prints, and the page
// tells how the garden ended.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { closeSite, desktop, Garden, gardenFolder, skipUnlessReady, startBrowser } from './harness.mjs';

skipUnlessReady();

let site;
let start;
before(async () => {
  site = await startBrowser();
  start = await desktop([]);
});
after(() => closeSite(site));

test("the banner, the loads and h's sixteen lines are the desktop's, and q ends with 0", async () => {
  const garden = await Garden.open(await site.newContext(), site.url, start.console);
  const { console: expected } = await desktop(['key:h']);
  assert.equal(expected.slice(start.console.length).split('\n').length, 16 + 1);
  await garden.key('h');
  assert.equal(await garden.waitForConsole((text) => text.length >= expected.length), expected);
  await garden.key('q');
  assert.equal(await garden.exitStatus(), '0');
  assert.equal(await garden.consoleText(), expected, 'nothing more is printed');
});

test('a broken texture kept in the browser ends the garden with 1 and the desktop\'s message', async () => {
  const garden = await Garden.open(await site.newContext(), site.url, start.console);
  // The light sand, cut off in its pixels.
  const broken = readFileSync(path.join(gardenFolder, 'sand1.bmp')).subarray(0, 4000);
  const expected = await desktop([], { replaced: { 'sand1.bmp': broken }, endsWith1: true });
  assert.equal(expected.status, 1);
  // Where the page keeps the pictures people bring: the file's bytes under
  // its name.
  await garden.page.evaluate(
    (bytes) =>
      new Promise((resolve, reject) => {
        const open = indexedDB.open('sandmere', 1);
        open.onupgradeneeded = () => open.result.createObjectStore('pictures');
        open.onsuccess = () => {
          const transaction = open.result.transaction('pictures', 'readwrite');
          transaction.objectStore('pictures').put(new Uint8Array(bytes), 'sand1.bmp');
          transaction.oncomplete = resolve;
          transaction.onabort = () => reject(transaction.error);
        };
        open.onerror = () => reject(open.error);
      }),
    [...broken],
  );
  await garden.page.reload();
  assert.equal(await garden.exitStatus(), '1');
  assert.equal(await garden.consoleText(), expected.console);
});
