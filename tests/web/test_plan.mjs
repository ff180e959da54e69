// The plan in the browser against the desktop garden: rake strokes with
// each rake chosen from the menu, the rocks and the collision message, and
// the reset.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import {
  along,
  asEvents,
  check,
  closeSite,
  compare,
  count,
  desktop,
  expectPlanAsOnTheDesktop,
  Garden,
  isWhite,
  skipUnlessReady,
  startBrowser,
} from './harness.mjs';

skipUnlessReady();

const strokes = [
  { rake: 'One-Tine', type: 0, points: along([60, 80], [540, 80]) },
  { rake: 'Three-Tine', type: 1, points: along([150, 560], [150, 170]) },
  { rake: 'Five-Tine', type: 2, points: along([560, 330], [210, 330]) },
];

let site;
let garden;
before(async () => {
  site = await startBrowser();
  const start = await desktop([]);
  garden = await Garden.open(await site.newContext(), site.url, start.console);
});
after(() => closeSite(site));

test('rake strokes of each rake from the menu draw the desktop pixels', async () => {
  const events = [];
  for (const stroke of strokes) {
    await garden.choose(['Rakes', stroke.rake]);
    await garden.rake(stroke.points);
    events.push(`rake:${stroke.type}`, ...asEvents(stroke.points));
  }
  const web = await garden.settle();
  const reference = (await desktop(events)).frame;
  assert.ok(count(reference, {}, (r) => r < 200) > 10000, 'the strokes left marks');
  expectPlanAsOnTheDesktop(web, reference, 'strokes');
});

test('rocks are placed, a rock too close is refused with the message, and the reset clears the plan', async () => {
  const before = await garden.settle();
  const startText = await garden.consoleText();
  await garden.choose(['Rocks', 'Place Small Rock']);
  await garden.click(450, 450);
  await garden.choose(['Rocks', 'Place Large Rock']);
  await garden.click(480, 420);
  await garden.waitForConsole((text) => text.length > startText.length, 'the collision message');
  await garden.click(150, 450);
  const web = await garden.settle();

  const events = strokes.flatMap((s) => [`rake:${s.type}`, ...asEvents(s.points)]);
  const reference = await desktop([...events, 'tool:1', 'press:450,450', 'tool:2', 'press:480,420', 'press:150,450']);
  assert.equal(await garden.consoleText(), reference.console);
  assert.ok(reference.console.endsWith('\ncollision detected, cannot place rocks so close to each other\n'));
  assert.ok(compare(web, before).differing > 5000, 'both rocks are on the plan');
  expectPlanAsOnTheDesktop(web, reference.frame, 'strokes and rocks');

  await garden.choose(['Reset Sandbox']);
  const reset = await garden.settle();
  check(count(reset, {}, (...rgb) => !isWhite(...rgb)) === 0, 'the reset plan is white', { reset });
});
