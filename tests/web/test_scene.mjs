// The 3-D garden in the browser is the desktop's; i, the camera keys, z and
// 1 to 3 change the view where they should, the sand menu works there and
// the plan's menus do not, the grooves survive the way back, and Quit ends
// with 0.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import {
  check,
  closeSite,
  compare,
  count,
  desktop,
  expectSceneAsOnTheDesktop,
  Garden,
  isWhite,
  skipUnlessReady,
  startBrowser,
} from './harness.mjs';

skipUnlessReady();

let site;
let garden;
before(async () => {
  site = await startBrowser();
  garden = await Garden.open(await site.newContext(), site.url, (await desktop([])).console);
});
after(() => closeSite(site));

const topLeft = { x: 1, y: 1, width: 60, height: 60 };
const differs = (a, b) => compare(a, b).differing > 0;

// Presses a key and gives the picture it leads to.
async function press(key) {
  await garden.key(key);
  return garden.settle();
}

test('the keys and menus change the 3-D view where they should, and the grooves survive the way back', async () => {
  const stroke = [[100, 300], [200, 300], [300, 300], [400, 300], [500, 300]];
  await garden.rake(stroke);
  await garden.choose(['Rocks', 'Place Large Rock']);
  await garden.click(200, 150);
  await garden.choose(['Rocks', 'Place Small Rock']);
  await garden.click(420, 450);
  const plan = await garden.settle();
  const { frame: desktopScene } = await desktop([
    ...stroke.map(([x, y], i) => `${i ? 'drag' : 'press'}:${x},${y}`),
    ...['tool:2', 'press:200,150', 'tool:1', 'press:420,450', 'key:i'],
  ]);

  // In draw mode the camera keys and z do nothing.
  for (const key of ['a', 'd', 'w', 's', 'e', 'c', 'z'])
    check(!differs(await press(key), plan), `${key} changed the plan`, { plan });

  const scene = await press('i');
  check(compare(scene, plan).differing > 100000, 'i shows the 3-D garden', { scene });
  expectSceneAsOnTheDesktop(scene, desktopScene, '3-D garden');
  let last = scene;
  for (const key of ['a', 'd', 'w', 's', 'e', 'c']) {
    const now = await press(key);
    check(differs(now, last), `${key} moved the camera`, { [`camera-${key}`]: now });
    last = now;
  }
  const wireframe = await press('z');
  check(compare(wireframe, last).differing > 10000, 'z shows the wireframe', { wireframe });
  assert.ok(!differs(await press('z'), last), 'z again shows the lit sand as before');

  for (const key of ['1', '2']) {
    const now = await press(key);
    const changed = compare(now, last).differing;
    check(changed > 50 && changed < 60000, `${key} changed only a rock: ${changed} pixels`, { [key]: now });
    last = now;
  }
  assert.equal(count(last, topLeft, isWhite), topLeft.width * topLeft.height, 'no background yet');
  const background = await press('3');
  check(count(background, topLeft, isWhite) < 100, '3 shows the first background', { background });
  last = background;

  await garden.choose(['Sand Types', 'Use Dark Sand']);
  const dark = await garden.settle();
  check(compare(dark, last).differing > 10000, 'the dark sand', { dark });
  await garden.choose(['Sand Types', 'Use Light Sand']);
  assert.ok(!differs(await garden.settle(), last), 'the light sand again');
  // The plan's entries change nothing in the 3-D view.
  for (const entry of [['Reset Sandbox'], ['Rakes', 'Five-Tine'], ['Rocks', 'Place Small Rock']]) {
    await garden.choose(entry);
    assert.ok(!differs(await garden.settle(), last), `${entry.join(' > ')} changed the 3-D view`);
  }

  const planAgain = await press('i');
  check(!differs(planAgain, plan), 'i shows the plan with its marks and rocks', { planAgain, plan });
  // Once round the nine rock textures, then the same garden again.
  for (let i = 0; i < 8; ++i) {
    await garden.key('1');
    await garden.key('2');
  }
  const sceneAgain = await press('i');
  check(!differs(sceneAgain, scene), 'the same grooves in 3-D', { sceneAgain, scene });

  await garden.choose(['Quit']);
  assert.equal(await garden.exitStatus(), '0');
});
