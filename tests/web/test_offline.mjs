// After one visit the garden starts with the network gone (and the server
// stopped), and rakes.
import { after, before, test } from 'node:test';

import { check, closeSite, count, desktop, Garden, isWhite, skipUnlessReady, startBrowser } from './harness.mjs';

skipUnlessReady();

let site;
before(async () => {
  site = await startBrowser();
});
after(() => closeSite(site));

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
