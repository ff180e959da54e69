// Rakes the garden that tests/data/gardens/raked.sandmere holds, in the
// page in Chromium with a real mouse: strokes with each rake, both rocks
// placed, a look at the 3-D view and back, and one-tine strokes over the
// first; the page's own record of it is written as the garden file. Run
// again only to make a new garden (and update the digest its tests hold).
// Usage: node tests/data/gardens/rake.mjs [site folder, default build-web/site]
import { writeFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { serveFolder } from '../../../scripts/serve.mjs';
import { chromiumArgs, chromiumPath, playwright } from '../../web/harness.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const site = path.resolve(process.argv[2] || path.join(here, '..', '..', '..', 'build-web', 'site'));

const { server, url } = await serveFolder(site);
const browser = await playwright().chromium.launch({ executablePath: chromiumPath, args: chromiumArgs });
try {
  const page = await (await browser.newContext({ viewport: { width: 1000, height: 900 } })).newPage();
  await page.goto(url);
  await page.locator('main[data-started]').waitFor();
  const box = await page.locator('#garden').boundingBox();
  const mouse = page.mouse;
  const drag = async (points) => {
    await mouse.move(box.x + points[0][0], box.y + points[0][1]);
    await mouse.down();
    for (const [x, y] of points.slice(1)) await mouse.move(box.x + x, box.y + y, { steps: 2 });
    await mouse.up();
  };
  const wave = (y, from, to, height) => {
    const points = [];
    for (let x = from; x <= to; x += 15) points.push([x, y + height * Math.sin(x / 40)]);
    return points;
  };
  const choose = (entry) => page.click(`button[data-menu-entry="${entry}"]`);
  await drag(wave(90, 30, 570, 14));
  await choose('Three-Tine');
  await drag(wave(200, 20, 580, 25));
  await choose('Five-Tine');
  await drag(wave(470, 40, 560, 10));
  await choose('Place Large Rock');
  await mouse.click(box.x + 190, box.y + 330);
  await choose('Place Small Rock');
  await mouse.click(box.x + 440, box.y + 350);
  await choose('Three-Tine');
  const ring = [];
  for (let a = 0; a <= Math.PI * 2.1; a += 0.15) ring.push([190 + 95 * Math.cos(a), 330 + 95 * Math.sin(a)]);
  await drag(ring);
  await page.locator('#garden').focus();
  await page.keyboard.press('i');
  await page.waitForTimeout(300);
  await page.keyboard.press('i');
  await choose('One-Tine');
  await drag(wave(560, 10, 590, 6));
  await drag([[300, 10], [320, 150], [290, 300], [310, 590]]);
  await page.waitForTimeout(300);
  const file = await page.evaluate(async () => [...(await import('./keeper.js')).gardenFileNow()]);
  writeFileSync(path.join(here, 'raked.sandmere'), Buffer.from(file));
  console.log(`wrote tests/data/gardens/raked.sandmere: ${file.length} bytes`);
} finally {
  await browser.close();
  server.closeAllConnections();
  server.close();
}
