// Writes the small seed files in fuzz/gardens/ with the page's own record
// module: well-formed gardens of every kind of event, a few damaged ones
// next to the reader's refusals, and links carrying a garden, so the
// garden reader's fuzzer starts beside every path. The files are
// committed; run this again only after changing one below.
// Usage: node fuzz/make_gardens.mjs
import { mkdirSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { linkFragment, writeGarden } from '../web/page/record.js';

const folder = path.join(path.dirname(fileURLToPath(import.meta.url)), 'gardens');

const stroke = [
  { type: 'menu', menu: 1, value: 3 },
  { type: 'mouse', button: 0, state: 0, x: 40, y: 300 },
  { type: 'frame' },
  { type: 'motion', x: 60, y: 310 },
  { type: 'frame' },
  { type: 'motion', x: 45, y: 290 },
  { type: 'frame' },
  { type: 'mouse', button: 0, state: 1, x: 45, y: 290 },
];
const everyKind = [
  ...stroke,
  { type: 'mouse', button: 2, state: 1, x: -32768, y: 32768 },
  { type: 'motion', x: 32768, y: -32768 },
  { type: 'key', key: 'i'.charCodeAt(0) },
  { type: 'frame' },
  { type: 'key', key: 255 },
  { type: 'menu', menu: 255, value: -65536 },
];

const files = {
  'empty-record.sandmere': writeGarden([], '1.3.0'),
  'one-frame.sandmere': writeGarden([{ type: 'frame' }], '1.3.0'),
  'stroke.sandmere': writeGarden(stroke, '1.3.0'),
  'every-kind.sandmere': writeGarden(everyKind, '1.3.0.16.0.0.0.1'),
};
const newer = writeGarden(stroke, '9.0.0').slice();
newer[13] = 2;
files['newer-format.sandmere'] = newer;
files['cut-short.sandmere'] = files['stroke.sandmere'].slice(0, 30);
const damaged = files['stroke.sandmere'].slice();
damaged[30] ^= 1;
files['damaged.sandmere'] = damaged;
files['stroke.link'] = new TextEncoder().encode(await linkFragment(files['stroke.sandmere']));
files['every-kind.link'] = new TextEncoder().encode((await linkFragment(files['every-kind.sandmere'])).slice(1));

mkdirSync(folder, { recursive: true });
for (const [name, bytes] of Object.entries(files)) writeFileSync(path.join(folder, name), bytes);
console.log(`wrote ${Object.keys(files).length} files to ${folder}`);
