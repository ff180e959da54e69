// The controls in words: each menu button hands the garden what the
// pop-up menu's entry of that label hands it, each key button its key;
// they show in the mode where they act, no button is named by a single
// character, and what is chosen is marked however it was chosen.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { Garden, skipUnlessReady, useSite } from './harness.mjs';

skipUnlessReady();

const shared = useSite();

const lastEvent = async (garden, type) => (await garden.record()).filter((event) => event.type === type).pop();
const pressed = (garden, label) =>
  garden.page.locator(`button[data-menu-entry="${label}"]`).getAttribute('aria-pressed');
const visible = (garden, selector) => garden.page.locator(selector).isVisible();

// The pop-up menu's path to each entry, as the garden builds its menus.
const MENU_PATHS = {
  'One-Tine': ['Rakes', 'One-Tine'],
  'Three-Tine': ['Rakes', 'Three-Tine'],
  'Five-Tine': ['Rakes', 'Five-Tine'],
  'Place Small Rock': ['Rocks', 'Place Small Rock'],
  'Place Large Rock': ['Rocks', 'Place Large Rock'],
  'Reset Sandbox': ['Reset Sandbox'],
  'Use Light Sand': ['Sand Types', 'Use Light Sand'],
  'Use Dark Sand': ['Sand Types', 'Use Dark Sand'],
};
const PLAN_ENTRIES = ['One-Tine', 'Three-Tine', 'Five-Tine', 'Place Small Rock', 'Place Large Rock', 'Reset Sandbox'];
const SCENE_ENTRIES = ['Use Light Sand', 'Use Dark Sand'];

test('each menu button hands the garden the pop-up entry of its label, in the mode where it acts', async () => {
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  const labels = await garden.page.locator('button[data-menu-entry]').evaluateAll((buttons) =>
    buttons.map((b) => b.dataset.menuEntry),
  );
  assert.deepEqual(labels.sort(), [...Object.keys(MENU_PATHS), 'Quit'].sort());

  const throughBoth = async (label) => {
    await garden.choose(MENU_PATHS[label]);
    const fromMenu = await lastEvent(garden, 'menu');
    await garden.page.click(`button[data-menu-entry="${label}"]`);
    assert.deepEqual(await lastEvent(garden, 'menu'), fromMenu, label);
  };
  for (const label of PLAN_ENTRIES) {
    assert.ok(await visible(garden, `button[data-menu-entry="${label}"]`), `${label} in the plan`);
    await throughBoth(label);
  }
  for (const label of SCENE_ENTRIES) assert.ok(!(await visible(garden, `button[data-menu-entry="${label}"]`)));

  await garden.key('i');
  for (const label of SCENE_ENTRIES) {
    assert.ok(await visible(garden, `button[data-menu-entry="${label}"]`), `${label} in 3-D`);
    await throughBoth(label);
  }
  for (const label of PLAN_ENTRIES) assert.ok(!(await visible(garden, `button[data-menu-entry="${label}"]`)));
  garden.assertNoProblems();
});

test('what is chosen is marked, whether by a button, the pop-up menu or a key', async () => {
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  assert.equal(await pressed(garden, 'One-Tine'), 'true');
  await garden.choose(['Rakes', 'Five-Tine']);
  assert.deepEqual(
    [await pressed(garden, 'One-Tine'), await pressed(garden, 'Five-Tine')],
    ['false', 'true'],
    'chosen in the pop-up menu',
  );
  await garden.page.click('button[data-menu-entry="Place Large Rock"]');
  assert.deepEqual([await pressed(garden, 'Five-Tine'), await pressed(garden, 'Place Large Rock')], ['false', 'true']);
  await garden.key('i');
  await garden.choose(['Sand Types', 'Use Dark Sand']);
  assert.deepEqual([await pressed(garden, 'Use Light Sand'), await pressed(garden, 'Use Dark Sand')], ['false', 'true']);
  // The sand's choice gives the rake back, as the garden has it.
  await garden.key('i');
  assert.equal(await pressed(garden, 'Five-Tine'), 'true');
  assert.equal(await garden.page.locator('#mode-news').textContent(), 'The plan: drag on the sand to rake it.');
  garden.assertNoProblems();
});

test('each key button sends its key, is named in words and shows where its key acts', async () => {
  const garden = await Garden.open(await shared.site.newContext({ phone: 'upright' }), shared.site.url, shared.startup);
  const names = await garden.page.locator('button').evaluateAll((buttons) =>
    buttons.map((button) => {
      // The accessible name: its label, or its text less what is hidden.
      if (button.getAttribute('aria-label')) return button.getAttribute('aria-label');
      const copy = button.cloneNode(true);
      copy.querySelectorAll('[aria-hidden="true"]').forEach((hidden) => hidden.remove());
      return copy.textContent.trim();
    }),
  );
  for (const name of names) assert.ok(name.length > 1, `a button named "${name}"`);

  const keys = await garden.page.locator('button[data-key]').evaluateAll((buttons) => buttons.map((b) => b.dataset.key));
  assert.deepEqual(keys.sort(), [...'123acdehiqswz'].sort());
  const sends = async (key) => {
    await garden.page.click(`button[data-key="${key}"]`);
    assert.equal(String.fromCharCode((await lastEvent(garden, 'key')).key), key);
  };
  const inBoth = ['1', '2', '3', 'h'];
  const inScene = [...'adwsecz'];
  for (const key of inScene) assert.ok(!(await visible(garden, `button[data-key="${key}"]`)), `${key} hidden in the plan`);
  for (const key of inBoth) await sends(key);
  await sends('i');
  assert.equal(await garden.page.locator('button[data-key="i"]').textContent(), 'Plani');
  for (const key of [...inScene, ...inBoth]) await sends(key);
  assert.ok(await garden.page.locator('#messages').evaluate((panel) => panel.open), 'the help opens the messages');
  garden.assertNoProblems();
});

test('the sound of raking is off at first, with no audio context; switched on it is remembered and plays while raking', async () => {
  const context = await shared.site.newContext();
  // Counts the audio contexts the page makes, and how loud it makes the
  // raking sound.
  await context.addInitScript(() => {
    window.audioContexts = 0;
    window.loudest = 0;
    const Real = window.AudioContext;
    window.AudioContext = class extends Real {
      constructor(...args) {
        super(...args);
        window.audioContexts += 1;
        const makeGain = this.createGain.bind(this);
        this.createGain = () => {
          const gain = makeGain();
          const setTarget = gain.gain.setTargetAtTime.bind(gain.gain);
          gain.gain.setTargetAtTime = (value, ...rest) => {
            window.loudest = Math.max(window.loudest, value);
            return setTarget(value, ...rest);
          };
          return gain;
        };
      }
    };
  });
  const garden = await Garden.open(context, shared.site.url, shared.startup);
  const sound = garden.page.locator('#sound');
  assert.equal(await sound.getAttribute('aria-pressed'), 'false');
  const stroke = [
    [100, 100],
    [200, 150],
    [300, 200],
    [400, 250],
  ];
  await garden.rake(stroke);
  assert.equal(await garden.page.evaluate(() => window.audioContexts), 0, 'no audio context while off');

  await sound.click();
  await garden.page.reload();
  await garden.waitForStart(shared.startup);
  assert.equal(await sound.getAttribute('aria-pressed'), 'true', 'remembered');
  await garden.rake(stroke);
  assert.equal(await garden.page.evaluate(() => window.audioContexts), 1);
  assert.ok((await garden.page.evaluate(() => window.loudest)) > 0, 'the rake is heard');
  garden.assertNoProblems();
});
