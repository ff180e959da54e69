// Draws the README's pictures of the page: on a phone held upright (390 by
// 844 CSS pixels, touch), furrows raked with a finger on the five-tine
// rake, both rocks, and the page's first screen as docs/phone.png; on a
// laptop's screen (1280 by 800), the same garden with its menu open beside
// the controls, as docs/web.png. Each carries its garden, as Save picture's
// pictures do, so the README's pictures open as the garden they show.
// Usage: node docs/make-page-pictures.mjs [site folder, default build-web/site]
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { serveFolder } from '../scripts/serve.mjs';
import { pictureWithGarden } from '../web/page/record.js';

const repo = fileURLToPath(new URL('..', import.meta.url));
const site = path.resolve(process.argv[2] || path.join(repo, 'build-web', 'site'));
const tools = process.env.SANDMERE_WEB_TOOLS || path.join(repo, 'build-web', 'node-tools');
const { chromium } = createRequire(path.join(tools, 'package.json'))('playwright-core');

const { server, url } = await serveFolder(site);
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-background-networking'],
});
// The page's garden file as it stands.
const gardenFile = async (page) => Uint8Array.from(await page.evaluate(async () => [...(await import('./keeper.js')).gardenFileNow()]));

// The page's screen, with the garden it shows inside.
async function gardenPicture(page, name, file) {
  fs.writeFileSync(path.join(repo, 'docs', name), pictureWithGarden(await page.screenshot(), file));
}

try {
  const context = await browser.newContext({
    viewport: { width: 390, height: 844 },
    deviceScaleFactor: 1,
    hasTouch: true,
    isMobile: true,
  });
  const page = await context.newPage();
  await page.goto(url);
  await page.locator('main[data-started]').waitFor();
  const box = await page.locator('#garden').boundingBox();
  const cdp = await context.newCDPSession(page);
  const finger = async (points) => {
    const at = ([x, y]) => [{ x: box.x + x * box.width, y: box.y + y * box.height, id: 0 }];
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: at(points[0]) });
    for (const point of points.slice(1)) await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: at(point) });
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  };
  await page.click('button[data-menu-entry="Five-Tine"]');
  for (const y of [0.12, 0.3, 0.82]) {
    const points = [];
    for (let x = 0.02; x <= 0.98; x += 0.02) points.push([x, y + 0.03 * Math.sin(x * 9)]);
    await finger(points);
  }
  await page.click('button[data-menu-entry="Place Large Rock"]');
  await finger([[0.3, 0.56]]);
  await page.click('button[data-menu-entry="Place Small Rock"]');
  await finger([[0.72, 0.58]]);
  await page.click('button[data-menu-entry="Three-Tine"]');
  const ring = [];
  for (let a = 0; a <= Math.PI * 2.05; a += 0.1) ring.push([0.3 + 0.17 * Math.cos(a), 0.56 + 0.17 * Math.sin(a)]);
  await finger(ring);
  await page.evaluate(() => document.activeElement.blur());
  await page.waitForTimeout(300);
  const file = await gardenFile(page);
  await gardenPicture(page, 'phone.png', file);

  // The same garden, kept by the browser, on a laptop, its menu open.
  const laptop = await context.browser().newContext({ viewport: { width: 1280, height: 800 }, deviceScaleFactor: 1 });
  const wide = await laptop.newPage();
  await wide.goto(url);
  await wide.locator('main[data-started]').waitFor();
  // A new context keeps nothing: the garden comes over as a garden file.
  await wide.setInputFiles('#garden-file', { name: 'phone.sandmere', mimeType: 'application/octet-stream', buffer: Buffer.from(file) });
  await wide.waitForEvent('load');
  await wide.locator('main[data-started]').waitFor();
  const wideBox = await wide.locator('#garden').boundingBox();
  await wide.mouse.click(wideBox.x + 420, wideBox.y + 140, { button: 'right' });
  await wide.locator('[role="menu"] [role="menuitem"]', { hasText: 'Rakes' }).hover();
  await wide.locator('[role="menu"]').nth(1).waitFor();
  await wide.waitForTimeout(300);
  // Its menu, opened to be seen, is no part of the garden it carries.
  await gardenPicture(wide, 'web.png', file);
  console.log('wrote docs/phone.png and docs/web.png');
} finally {
  await browser.close();
  server.close();
}
