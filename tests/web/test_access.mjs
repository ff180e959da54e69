// A page everyone can use: axe-core finds nothing wrong in the plan, with
// the garden's menu open, in 3-D, and on a phone; every control is reached
// by the keyboard, shows where the focus is, and works from it.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { test } from 'node:test';

import { Garden, nodeTools, skipUnlessReady, useSite } from './harness.mjs';

skipUnlessReady();

const axeSource = readFileSync(
  createRequire(path.join(nodeTools, 'package.json')).resolve('axe-core/axe.min.js'),
  'utf8',
);

const shared = useSite();

// The page's violations, as "rule: what, where" lines. axe runs through
// the debugging protocol, which the page's CSP does not govern, so the
// page's own policy stays as it is.
async function violations(garden) {
  await garden.page.evaluate(`${axeSource};undefined`);
  const found = await garden.page.evaluate(() =>
    window.axe.run(document, { resultTypes: ['violations'] }).then((result) => result.violations),
  );
  return found.map((v) => `${v.id} (${v.impact}): ${v.help} at ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
}

test('axe-core finds no violation in the plan, with the menu open, in 3-D and on a phone', async () => {
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  assert.deepEqual(await violations(garden), [], 'the plan');
  const box = await garden.canvas.boundingBox();
  await garden.page.mouse.click(box.x + 300, box.y + 300, { button: 'right' });
  await garden.page.locator('[role="menu"] [role="menuitem"]', { hasText: 'Rakes' }).hover();
  await garden.page.locator('[role="menu"]').nth(1).waitFor();
  assert.deepEqual(await violations(garden), [], 'with the menu open');
  await garden.page.keyboard.press('Escape');
  await garden.page.keyboard.press('Escape');
  await garden.key('i');
  await garden.key('h');
  assert.deepEqual(await violations(garden), [], 'in 3-D, the messages open');
  garden.assertNoProblems();

  const phone = await Garden.open(await shared.site.newContext({ phone: 'upright' }), shared.site.url, shared.startup);
  assert.deepEqual(await violations(phone), [], 'on a phone');
  phone.assertNoProblems();
});

test('the keyboard reaches every control, shows its focus and uses it', async () => {
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  const controls = await garden.page.evaluate(() =>
    [...document.querySelectorAll('button, input, select, summary, [tabindex="0"]')]
      .filter((element) => !element.disabled && (element.offsetParent !== null || element.closest('.file-button')))
      .map((element) => element.id || element.dataset.key || element.dataset.menuEntry || element.tagName),
  );
  const reached = new Set();
  await garden.page.locator('body').focus();
  for (let i = 0; i < controls.length + 5; ++i) {
    await garden.page.keyboard.press('Tab');
    const focused = await garden.page.evaluate(() => {
      const element = document.activeElement;
      const style = getComputedStyle(element.closest('.file-button') || element);
      return {
        name: element.id || element.dataset.key || element.dataset.menuEntry || element.tagName,
        ring: element.matches(':focus-visible') && (style.outlineStyle !== 'none' || style.boxShadow !== 'none'),
      };
    });
    // Past the last control the focus leaves the page for a moment.
    if (focused.name === 'BODY') continue;
    reached.add(focused.name);
    assert.ok(focused.ring, `${focused.name} shows its focus`);
  }
  for (const control of controls) assert.ok(reached.has(control), `the keyboard reaches ${control}`);

  // Used from the keyboard: the 3-D view, then the menu's sand.
  await garden.page.locator('button[data-key="i"]').focus();
  await garden.page.keyboard.press('Enter');
  assert.equal(await garden.page.locator('main').getAttribute('data-mode'), 'scene');
  assert.equal(await garden.page.locator('#mode-news').textContent(), 'The garden in 3-D: drag to turn it.');
  await garden.page.locator('button[data-menu-entry="Use Dark Sand"]').focus();
  await garden.page.keyboard.press('Space');
  assert.equal(await garden.page.locator('button[data-menu-entry="Use Dark Sand"]').getAttribute('aria-pressed'), 'true');
  garden.assertNoProblems();
});
