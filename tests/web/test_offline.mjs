// After one visit the garden's glue script and WebAssembly come from the
// offline copy and not the network, and the garden starts with the network
// gone (and the server stopped), and rakes.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { check, closeSite, count, desktop, Garden, isWhite, skipUnlessReady, startBrowser } from './harness.mjs';

skipUnlessReady();

let site;
before(async () => {
  site = await startBrowser();
});
after(() => closeSite(site));

test("a repeat visit takes the garden's glue and WebAssembly from the offline copy, the page from the network", async () => {
  const startup = (await desktop([])).console;
  const context = await site.newContext();
  const first = await Garden.open(context, site.url, startup);
  await first.page.evaluate(() => navigator.serviceWorker.ready.then(() => undefined));
  await first.page.close();

  site.served.length = 0;
  const repeat = await Garden.open(context, site.url, startup);
  const asked = site.served.map((url) => url.split('?')[0]);
  assert.ok(asked.includes('/page.js'), `the page came from the network: ${asked}`);
  assert.ok(!asked.includes('/sandmere.js') && !asked.includes('/sandmere.wasm'), `asked for ${asked}`);
  await repeat.rake([[100, 300], [300, 300]]);
  check(count(await repeat.settle(), {}, (r) => r < 200) > 500, 'the stroke is drawn', {});
  await context.close();
});

test('after one visit the garden starts offline and the plan draws', async () => {
  const startup = (await desktop([])).console;
  const context = await site.newContext();
  const garden = await Garden.open(context, site.url, startup);
  // The site is kept once the service worker is active.
  await garden.page.evaluate(() => navigator.serviceWorker.ready.then(() => undefined));

  site.stopServing();
  await context.setOffline(true);
  await garden.page.reload();
  const start = await garden.waitForStart(startup);
  check(count(start, {}, (...rgb) => !isWhite(...rgb)) === 0, 'a white plan', { 'offline-start': start });
  await garden.rake([[100, 300], [300, 300], [500, 300]]);
  const raked = await garden.settle();
  check(count(raked, {}, (r) => r < 200) > 1000, 'the stroke is drawn', { 'offline-raked': raked });
});
