// The same garden, bit for bit: the garden raked in the page and kept as
// tests/data/gardens/raked.sandmere, opened from its file and from its
// link, shows a plan whose bytes have the digest that
// tests/data/gardens/plans.json holds, the one the headless garden
// computes natively for the same file (tests/headless).
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { Garden, repo, skipUnlessReady, useSite } from './harness.mjs';
import { linkFragment } from '../../web/page/record.js';

skipUnlessReady();

const shared = useSite();
const gardens = path.join(repo, 'tests', 'data', 'gardens');
const raked = readFileSync(path.join(gardens, 'raked.sandmere'));
const { planSha256 } = JSON.parse(readFileSync(path.join(gardens, 'plans.json'), 'utf8'))['raked.sandmere'];

// The SHA-256 of the plan's RGBA bytes as the page's garden gives them,
// top row first, once the canvas has settled.
async function planDigest(garden) {
  await garden.settle();
  return garden.page.evaluate(async () => {
    const { shownPixels } = await import('./garden.js');
    const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', shownPixels().data));
    return [...digest].map((b) => b.toString(16).padStart(2, '0')).join('');
  });
}

test('the raked garden, from its file and from its link, shows the plan the headless garden computes', async () => {
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  await Promise.all([
    garden.page.waitForEvent('load'),
    garden.page.setInputFiles('#garden-file', {
      name: 'raked.sandmere',
      mimeType: 'application/octet-stream',
      buffer: raked,
    }),
  ]);
  await garden.waitForStart(shared.startup);
  assert.equal(await planDigest(garden), planSha256, 'the plan from the file');

  const linked = await Garden.open(
    await shared.site.newContext(),
    shared.site.url + (await linkFragment(raked)),
    shared.startup,
  );
  assert.equal(await planDigest(linked), planSha256, 'the plan from the link');
  garden.assertNoProblems();
  linked.assertNoProblems();
});
