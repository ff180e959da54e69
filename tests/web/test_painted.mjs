// The pictures the page paints are the picture tool's bytes, held to the
// same SHA-256 digests as on Linux and under Wine; they are kept after the
// first plan, so a repeat start paints none; and a kept picture that was
// damaged is painted again, so the garden starts with the right one.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { Garden, repo, skipUnlessReady, useSite } from './harness.mjs';

skipUnlessReady();

// The one table of digests, as the native tests read it.
const DIGESTS = new Map(
  [
    ...readFileSync(path.join(repo, 'tests', 'common', 'picture_digests.h'), 'utf8').matchAll(
      /\{"([a-z0-9]+\.bmp)", "([0-9a-f]{64})"\}/g,
    ),
  ].map(([, name, digest]) => [name, digest]),
);

const shared = useSite();

// The digests of the pictures in the garden's working folder, and how
// long this start painted.
const startFacts = (garden) =>
  garden.page.evaluate(async (names) => {
    const hex = (buffer) => [...new Uint8Array(buffer)].map((b) => b.toString(16).padStart(2, '0')).join('');
    const digests = {};
    for (const name of names) digests[name] = hex(await crypto.subtle.digest('SHA-256', window.Module.FS.readFile(name)));
    const mark = (name) => performance.getEntriesByName(name)[0].startTime;
    return { digests, painting: mark('sandmere-painted') - mark('sandmere-painting') };
  }, [...DIGESTS.keys()]);

const keptNames = (garden) =>
  garden.page.evaluate(async () => {
    const name = (await caches.keys()).find((key) => key.startsWith('sandmere-painted-'));
    return name ? (await (await caches.open(name)).keys()).map((request) => request.url.split('/').pop()).sort() : [];
  });

async function waitForKept(garden, count) {
  for (let i = 0; i < 100 && (await keptNames(garden)).length < count; ++i) await garden.page.waitForTimeout(100);
  return keptNames(garden);
}

test('the painted pictures have their digests, are kept after the first plan, and a damaged one is painted again', async () => {
  assert.equal(DIGESTS.size, 14);
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  const first = await startFacts(garden);
  assert.deepEqual(first.digests, Object.fromEntries(DIGESTS), 'painted in the page, the bytes are the tool\'s');
  assert.deepEqual(await waitForKept(garden, 14), [...DIGESTS.keys()].sort(), 'all fourteen kept');

  await garden.page.reload();
  await garden.waitForStart(shared.startup);
  const repeat = await startFacts(garden);
  assert.deepEqual(repeat.digests, Object.fromEntries(DIGESTS));
  assert.ok(repeat.painting < first.painting / 10, `a repeat start paints nothing (${repeat.painting} ms)`);

  // One byte of the kept first background changed.
  await garden.page.evaluate(async () => {
    const cache = await caches.open((await caches.keys()).find((key) => key.startsWith('sandmere-painted-')));
    const key = (await cache.keys()).find((request) => request.url.endsWith('/bg1.bmp'));
    const bytes = new Uint8Array(await (await cache.match(key)).arrayBuffer());
    bytes[bytes.length - 100] ^= 0x40;
    await cache.put(key, new Response(bytes));
  });
  await garden.page.reload();
  await garden.waitForStart(shared.startup);
  const damaged = await startFacts(garden);
  assert.deepEqual(damaged.digests, Object.fromEntries(DIGESTS), 'the garden starts with the right bg1.bmp');
  assert.deepEqual(await waitForKept(garden, 14), [...DIGESTS.keys()].sort(), 'and it is kept again');
  garden.assertNoProblems();
});

test('where the browser refuses to keep anything, the garden paints and starts as ever, saying nothing of it', async () => {
  const context = await shared.site.newContext();
  // Cache Storage refused, as some private windows refuse it.
  await context.addInitScript(() => {
    const refused = () => Promise.reject(new DOMException('The operation is insecure.', 'SecurityError'));
    Object.defineProperty(window, 'caches', { value: { open: refused, keys: refused, match: refused, delete: refused } });
  });
  const garden = await Garden.open(context, shared.site.url, shared.startup);
  const facts = await startFacts(garden);
  assert.deepEqual(facts.digests, Object.fromEntries(DIGESTS));
  await garden.page.reload();
  await garden.waitForStart(shared.startup);
  assert.ok((await startFacts(garden)).painting > 0, 'painted again');
  assert.equal(await garden.consoleText(), shared.startup, 'the console holds the garden\'s start-up alone');
  assert.equal(await garden.page.locator('#keeping-state').textContent(), '');
});
