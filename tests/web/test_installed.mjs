// The installed page opens gardens: its manifest, as Chromium reads it,
// takes garden files and a share; a file the system opens with it is
// exactly that garden, and replaces the visitor's own only when they say;
// a garden picture shared to it through the share sheet (a POST the
// service worker answers) opens as its garden, once.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { check, compare, Garden, skipUnlessReady, useSite } from './harness.mjs';

skipUnlessReady();

const shared = useSite();

// A garden of a few strokes and a rock, its file and its picture.
let made;
test("the manifest, as Chromium reads it, takes garden files, a share, and brings a file into the open window", async () => {
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  const cdp = await garden.page.context().newCDPSession(garden.page);
  const { errors, data } = await cdp.send('Page.getAppManifest');
  assert.deepEqual(errors, [], 'Chromium finds no fault in the manifest');
  const manifest = JSON.parse(data);
  const scope = new URL(manifest.scope, shared.site.url).href;
  const within = (action) => new URL(action, shared.site.url).href.startsWith(scope);

  const [handler, ...more] = manifest.file_handlers;
  assert.equal(more.length, 0);
  assert.ok(within(handler.action));
  assert.deepEqual(handler.accept, { 'application/x-sandmere': ['.sandmere'] });
  assert.ok(['focus-existing', 'navigate-existing'].includes(manifest.launch_handler.client_mode));

  const share = manifest.share_target;
  assert.ok(within(share.action));
  assert.equal(share.method, 'POST');
  assert.equal(share.enctype, 'multipart/form-data');
  const [files] = share.params.files;
  for (const type of ['.sandmere', 'application/x-sandmere', '.png', 'image/png']) assert.ok(files.accept.includes(type), type);

  await garden.rake([
    [100, 120],
    [300, 480],
    [500, 140],
  ]);
  await garden.choose(['Rocks', 'Place Large Rock']);
  await garden.click(300, 300);
  made = { shown: await garden.settle(), file: (await garden.download('#save-garden')).bytes };
  made.picture = (await garden.download('#save-picture')).bytes;
  garden.assertNoProblems();
});

// The page's launch consumer, which the system calls with the files
// chosen, as real file handles (of the page's own private file system).
// Called directly: headless Chromium installs the page (PWA.install, in a
// profile on disk) but opens no app window for PWA.launchFilesInApp.
async function launchWith(garden, bytes, name) {
  await garden.page.evaluate(
    async ([content, fileName]) => {
      const folder = await navigator.storage.getDirectory();
      const handle = await folder.getFileHandle(fileName, { create: true });
      const writable = await handle.createWritable();
      await writable.write(Uint8Array.from(content));
      await writable.close();
      window.launchConsumer({ files: [handle] });
    },
    [[...bytes], name],
  );
}

test("a garden file the system opens with the page is exactly that garden, and the visitor's own stays unless they say", async () => {
  const context = await shared.site.newContext();
  await context.addInitScript(() => {
    const queue = window.launchQueue;
    const set = queue.setConsumer.bind(queue);
    queue.setConsumer = (consumer) => {
      window.launchConsumer = consumer;
      set(consumer);
    };
  });
  const visitor = await Garden.open(context, shared.site.url, shared.startup);
  await visitor.page.waitForFunction(() => window.launchConsumer);
  await visitor.rake([
    [60, 540],
    [540, 560],
  ]);
  const own = await visitor.settle();
  const record = await visitor.record();
  await visitor.page.evaluate(() => (window.stillThisPage = true));

  await launchWith(visitor, made.file, 'chosen.sandmere');
  await visitor.page.locator('#shared-garden').waitFor();
  await visitor.page.click('#keep-mine');
  assert.ok(await visitor.page.evaluate(() => window.stillThisPage), 'the page did not start again');
  assert.deepEqual(await visitor.record(), record, 'the own garden is as it was');
  check(compare(await visitor.settle(), own).differing === 0, 'the own garden stays', { own });

  await launchWith(visitor, made.file, 'chosen.sandmere');
  await visitor.page.locator('#shared-garden').waitFor();
  await visitor.page.click('#open-shared');
  await visitor.page.locator('#keeping-state', { hasText: 'chosen.sandmere is open.' }).waitFor();
  assert.ok(await visitor.page.evaluate(() => window.stillThisPage), 'a fresh garden, without a reload');
  const opened = await visitor.settle();
  check(compare(opened, made.shown).differing === 0, 'the chosen garden, when asked for', { opened, shown: made.shown });
  visitor.assertNoProblems();
});

test('a garden picture shared to the page through the share sheet opens as its garden, once', async () => {
  const garden = await Garden.open(await shared.site.newContext(), shared.site.url, shared.startup);
  await garden.page.waitForFunction(() => navigator.serviceWorker.controller);
  const action = await garden.page.evaluate(async () => (await (await fetch('manifest.webmanifest')).json()).share_target);
  // The share sheet's POST, from a page the service worker controls.
  const arrivals = [];
  garden.page.on('load', () => arrivals.push(garden.page.url()));
  await garden.page.evaluate(
    ([content, share]) => {
      const form = Object.assign(document.createElement('form'), {
        action: share.action,
        method: share.method,
        enctype: share.enctype,
      });
      const input = Object.assign(document.createElement('input'), { type: 'file', name: share.params.files[0].name });
      const files = new DataTransfer();
      files.items.add(new File([Uint8Array.from(content)], 'sandmere-plan.png', { type: 'image/png' }));
      input.files = files.files;
      form.append(input);
      document.body.append(form);
      form.submit();
    },
    [[...made.picture], action],
  );
  // The page the service worker sends the share to, which opens the
  // garden it was handed.
  for (let waited = 0; arrivals.length < 1; waited += 100) {
    assert.ok(waited < 30000, 'the share reached no page');
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  await garden.waitForStart(shared.startup);
  await garden.page.locator('#keeping-state', { hasText: 'sandmere-plan.png is open.' }).waitFor();
  const opened = await garden.settle();
  check(compare(opened, made.shown).differing === 0, 'the shared garden', { opened, shown: made.shown });
  assert.match(arrivals[0], /\?shared-file=[^&]+\.png$/, 'the service worker hands the file on by its address');
  assert.equal(
    await garden.page.evaluate(async () => (await (await caches.open('sandmere-shared')).keys()).length),
    0,
    'the shared file is kept no longer',
  );
  garden.assertNoProblems();
});
