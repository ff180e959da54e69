// A browser without WebGL 2: headless Firefox, with WebGL 2 turned off
// besides. The page says in words that this browser cannot draw the
// garden, why, and what to try, with no assertion and no path; the rest of
// the page stays readable, and the garden this browser keeps stays as it
// was. And where the page finds WebGL 2 but the garden's canvas is refused
// its context, the garden ends with the same words.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { launchFirefox, missingFor } from './engines.mjs';
import { serveFolder } from '../../scripts/serve.mjs';
import { closeSite, site as siteFolder, skipUnlessReady, startBrowser } from './harness.mjs';

skipUnlessReady(missingFor('firefox'));

const STEP_MS = 15000;

// What a person reads of the page: the message, and what else is shown.
function readPage() {
  const shown = (element) => element && !element.hidden && element.getClientRects().length > 0;
  return {
    message: shown(document.getElementById('ended')) ? document.getElementById('ended-text').textContent : '',
    heading: shown(document.querySelector('h1')) ? document.querySelector('h1').textContent : '',
    how: document.getElementById('how').textContent,
    startAgainShown: shown(document.getElementById('start-again')),
    // Full screen aside, which needs no garden.
    controlsEnabled: [...document.querySelectorAll('.controls button, .keeping button')]
      .filter((button) => button.id !== 'fullscreen' && !button.disabled)
      .map((button) => button.textContent),
    started: document.querySelector('main').hasAttribute('data-started'),
    console: document.getElementById('console').textContent,
  };
}

async function waitForMessage(read) {
  const deadline = Date.now() + STEP_MS;
  for (;;) {
    const page = await read();
    if (page.message) return page;
    if (Date.now() > deadline) throw new Error(`no message on the page; its console:\n${page.console}`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

function expectCannotDraw(page) {
  assert.match(page.message, /cannot draw the garden/);
  assert.match(page.message, /WebGL 2/);
  assert.match(page.message, /turned off or missing/);
  assert.match(page.message, /another browser/);
  assert.match(page.message, /hardware acceleration/);
  for (const text of [page.message, page.console]) {
    assert.doesNotMatch(text, /Assert|abort|window != 0/i);
    assert.doesNotMatch(text, /[\w.-]+\/[\w.-]+\.(cpp|h|js)\b/, 'no path');
  }
  assert.equal(page.heading, 'Sandmere');
  assert.match(page.how, /rake/);
  assert.equal(page.startAgainShown, false, 'no Start again: starting again cannot help');
  assert.deepEqual(page.controlsEnabled, [], 'no control that would reach the garden');
  assert.equal(page.started, false);
}

const KEPT = [0x53, 0x41, 0x4e, 0x44];
const keptRecord = (write) =>
  new Promise((resolve, reject) => {
    const open = indexedDB.open('sandmere-garden', 1);
    open.onupgradeneeded = () => open.result.createObjectStore('record');
    open.onerror = () => reject(open.error);
    open.onsuccess = () => {
      const transaction = open.result.transaction('record', write ? 'readwrite' : 'readonly');
      const store = transaction.objectStore('record');
      if (write) store.put(new Uint8Array(write), 'kept');
      const read = store.get('kept');
      transaction.oncomplete = () => resolve(read.result ? [...new Uint8Array(read.result)] : null);
      transaction.onabort = () => reject(transaction.error);
    };
  });

let server;
let url;
before(async () => {
  ({ server, url } = await serveFolder(siteFolder));
});
after(() => server.close());

test('headless Firefox, without WebGL 2: the page says so in words, and keeps what it kept', async () => {
  const firefox = await launchFirefox({ headless: true, prefs: { 'webgl.enable-webgl2': false } });
  try {
    const tab = await firefox.newTab();
    await tab.goto(url);
    const page = await waitForMessage(() => tab.evaluate(readPage));
    expectCannotDraw(page);
    assert.equal(await tab.evaluate(() => Boolean(document.createElement('canvas').getContext('webgl2'))), false);
    // A garden kept from another day (as bytes: this browser cannot make
    // one) is there after the page opens again.
    await tab.evaluate(keptRecord, KEPT);
    await tab.reload();
    expectCannotDraw(await waitForMessage(() => tab.evaluate(readPage)));
    assert.deepEqual(await tab.evaluate(keptRecord, null), KEPT, 'the kept garden is as it was');
    assert.deepEqual(await tab.problems(), [], 'no page error and no CSP violation');
  } finally {
    await firefox.close();
  }
});

test('a canvas refused its WebGL 2 context: the garden ends with the same words', async () => {
  const site = await startBrowser();
  try {
    const page = await (await site.newContext()).newPage();
    const problems = [];
    page.on('pageerror', (error) => problems.push(error.message));
    // The scratch canvas the page looks with gets WebGL 2; the garden's
    // own canvas gets none.
    await page.addInitScript(() => {
      const getContext = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
        return this.id === 'garden' && type.startsWith('webgl') ? null : getContext.call(this, type, ...rest);
      };
    });
    await page.goto(site.url);
    const shown = await waitForMessage(() => page.evaluate(readPage));
    expectCannotDraw(shown);
    assert.equal(await page.locator('main').getAttribute('data-exit-status'), '1');
    assert.deepEqual(problems, []);
  } finally {
    await closeSite(site);
  }
});
