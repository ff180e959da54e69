// The page in the engine SANDMERE_ENGINE names (chromium, firefox or
// webkit), as a person uses it there: a stroke rakes the desktop garden's
// marks and the canvas shows them; a reload keeps the garden; a garden
// file opens, and its plan, from the file and from its link, has the very
// bytes the headless garden computes natively for it (the SHA-256 that
// tests/data/gardens/plans.json holds); the link the page shares opens the
// garden again; the 3-D view is the desktop's.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { linkFragment } from '../../web/page/record.js';
import { engineName, GardenTab, missingFor, planDigest, startEngine } from './engines.mjs';
import {
  along,
  asEvents,
  check,
  compare,
  count,
  desktop,
  expectPlanAsOnTheDesktop,
  expectSceneAsOnTheDesktop,
  repo,
  skipUnlessReady,
} from './harness.mjs';

skipUnlessReady(missingFor(engineName));

// A garden raked in the page with a real mouse: every rake, both rocks, a
// trip to 3-D and back, strokes over the rocks.
const gardens = path.join(repo, 'tests', 'data', 'gardens');
const gardenFile = path.join(gardens, 'raked.sandmere');
const { planSha256 } = JSON.parse(readFileSync(path.join(gardens, 'plans.json'), 'utf8'))['raked.sandmere'];
const stroke = [...along([60, 100], [540, 100]), ...along([540, 100], [540, 520]).slice(1)];

let engine;
let startup;
let garden;
before(async () => {
  startup = (await desktop([])).console;
  engine = await startEngine();
  garden = await GardenTab.open(engine, engine.url, startup);
});
after(async () => {
  try {
    if (garden) await garden.assertNoProblems();
  } finally {
    await engine?.close();
  }
});

let raked;
let link;

test(`${engineName}: a stroke rakes the desktop's marks, and the canvas shows them`, async () => {
  await garden.rake(stroke);
  raked = await garden.settle();
  const reference = await desktop(asEvents(stroke));
  assert.ok(count(reference.frame, {}, (r) => r < 200) > 3000, 'the stroke left marks');
  expectPlanAsOnTheDesktop(raked, reference.frame, `a stroke in ${engineName}`);
  const shown = await garden.shot();
  const { differing, largest } = compare(shown, raked);
  check(differing === 0, `the canvas shows the plan but for ${differing} pixels, by ${largest}`, { shown, raked });
});

test(`${engineName}: a reload keeps the garden, and its link is shared`, async () => {
  const kept = await garden.startsAgain(startup, () => garden.tab.reload());
  check(compare(kept, raked).differing === 0, 'the plan after a reload', { kept, raked });
  await garden.tab.click('#share');
  link = await garden.waitFor(() => document.getElementById('share-link').value, 'the link');
  assert.match(link, /#garden=[A-Za-z0-9_-]+$/);
});

test(`${engineName}: a garden file opens, and its plan is the headless garden's, from the file and its link`, async () => {
  const file = readFileSync(gardenFile);
  const opened = await garden.startsAgain(startup, () => garden.tab.chooseFile('#garden-file', gardenFile));
  assert.ok(compare(opened, raked).differing > 10000, 'the file holds another garden');
  assert.equal(planDigest(opened), planSha256, 'the plan from the file');

  // The same garden from a link, in a browser that keeps nothing.
  const fresh = await GardenTab.open(engine, engine.url + (await linkFragment(file)), startup);
  assert.equal(planDigest(await fresh.settle()), planSha256, "the plan from the file's link");
  await fresh.assertNoProblems();
  await fresh.tab.close();
});

test(`${engineName}: the shared link opens the raked garden again, and its 3-D view is the desktop's`, async () => {
  await garden.tab.goto(link);
  await garden.waitFor(() => document.getElementById('shared-garden').open, 'the question whether to open it');
  const again = await garden.startsAgain(startup, () => garden.tab.click('#open-shared'));
  check(compare(again, raked).differing === 0, 'the shared garden', { again, raked });

  await garden.key('i');
  const scene = await garden.settle();
  assert.equal(await garden.tab.evaluate(() => document.querySelector('main').dataset.mode), 'scene');
  const reference = await desktop([...asEvents(stroke), 'key:i']);
  expectSceneAsOnTheDesktop(scene, reference.frame, `the 3-D garden in ${engineName}`);
  const shown = await garden.shot();
  check(compare(shown, scene, 2).beyond === 0, 'the canvas shows the 3-D garden', { shown, scene });
});
