// The plan in the browser against the desktop garden: rake strokes with
// each rake chosen from the menu, the rocks and the collision message, and
// the reset.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { check, closeSite, compare, count, desktop, Garden, isWhite, skipUnlessReady, startBrowser } from './harness.mjs';

skipUnlessReady();

// Straight strokes along the axes: their marks do not depend on how the
// browser divides the movement into events.
const along = (from, to, step = 9) => {
  const points = [];
  const [dx, dy] = [Math.sign(to[0] - from[0]), Math.sign(to[1] - from[1])];
  for (let [x, y] = from; ; x += dx * step, y += dy * step) {
    if ((to[0] - x) * dx < 0 || (to[1] - y) * dy < 0) break;
    points.push([x, y]);
  }
  points.push(to);
  return points;
};
const strokes = [
  { rake: 'One-Tine', type: 0, points: along([60, 80], [540, 80]) },
  { rake: 'Three-Tine', type: 1, points: along([150, 560], [150, 170]) },
  { rake: 'Five-Tine', type: 2, points: along([560, 330], [210, 330]) },
];
const asEvents = (points) => points.map(([x, y], i) => `${i ? 'drag' : 'press'}:${x},${y}`);

let site;
let garden;
before(async () => {
  site = await startBrowser();
  const start = await desktop([]);
  garden = await Garden.open(await site.newContext(), site.url, start.console);
});
after(() => closeSite(site));

// The page computes its plan in integers (web/softraster.h); the desktop's
// comes from Mesa's llvmpipe, which rounds its own way where a value falls
// between two levels. So every pixel lies within two levels of the
// desktop's, and the share that are identical is printed.
const MOST_LEVELS = 2;

function expectAsOnTheDesktop(web, reference, what) {
  const { differing, largest, beyond } = compare(web, reference, MOST_LEVELS);
  const pixels = web.width * web.height;
  console.log(
    `${what}: ${(100 * (1 - differing / pixels)).toFixed(2)} % of the pixels identical to the desktop's; ` +
      `${differing} differ, by at most ${largest}`,
  );
  check(beyond === 0, `${what}: ${beyond} pixels differ from the desktop's by more than ${MOST_LEVELS}`, {
    web,
    desktop: reference,
  });
}

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
  expectAsOnTheDesktop(web, reference, 'strokes');
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
  expectAsOnTheDesktop(web, reference.frame, 'strokes and rocks');

  await garden.choose(['Reset Sandbox']);
  const reset = await garden.settle();
  check(count(reset, {}, (...rgb) => !isWhite(...rgb)) === 0, 'the reset plan is white', { reset });
});
