// The garden file's reader, on its own: what it writes it reads back, and
// whatever else it is handed (random bytes, every cut, every damaged byte
// of a real garden, a newer format, hostile counts) it refuses with
// NotAGarden and a reason, never with another error and never by making
// something up.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';
import { deflateSync } from 'node:zlib';

import {
  crc32,
  fileFromFragment,
  GARDEN_CHUNK,
  gardenFileIn,
  linkFragment,
  MAGIC,
  MAX_EVENTS,
  NotAGarden,
  pictureWithGarden,
  PNG_SIGNATURE,
  readGarden,
  writeGarden,
} from '../../web/page/record.js';

// A small generator of its own, so a failure can be run again.
function randomFrom(seed) {
  let state = seed >>> 0 || 1;
  return () => {
    state ^= state << 13;
    state ^= state >>> 17;
    state ^= state << 5;
    return (state >>> 0) / 2 ** 32;
  };
}

// A garden as a person makes one: strokes of a press, motions each with
// its frame and a release, a few menu choices and keys.
function gardenOf(strokes, random) {
  const events = [{ type: 'frame' }];
  const pick = (n) => Math.floor(random() * n);
  for (let s = 0; s < strokes; ++s) {
    if (s % 6 === 0) events.push({ type: 'menu', menu: 1, value: 1 + pick(3) });
    let [x, y] = [pick(600), pick(600)];
    events.push({ type: 'mouse', button: 0, state: 0, x, y });
    const moves = 20 + pick(40);
    for (let m = 0; m < moves; ++m) {
      x += pick(15) - 7;
      y += pick(15) - 7;
      events.push({ type: 'motion', x, y }, { type: 'frame' });
    }
    events.push({ type: 'mouse', button: 0, state: 1, x, y });
  }
  events.push({ type: 'key', key: 'i'.charCodeAt(0) }, { type: 'frame' }, { type: 'key', key: '1'.charCodeAt(0) });
  return events;
}

function refused(bytes, what) {
  try {
    readGarden(bytes);
  } catch (error) {
    assert.ok(error instanceof NotAGarden, `${what}: ${error}`);
    assert.ok(error.message.length > 0);
    return error.message;
  }
  assert.fail(`${what}: read as a garden`);
}

test('a garden comes back as it was written, every kind of event and the edges of each range', () => {
  const random = randomFrom(7);
  const events = [
    ...gardenOf(5, random),
    { type: 'mouse', button: 2, state: 1, x: -32768, y: 32768 },
    { type: 'motion', x: 32768, y: -32768 },
    { type: 'key', key: 255 },
    { type: 'key', key: 1 },
    { type: 'menu', menu: 255, value: -3 },
  ];
  const { events: read, gardenVersion } = readGarden(writeGarden(events, '1.3.0'));
  assert.deepEqual(read, events);
  assert.equal(gardenVersion, '1.3.0');
  assert.deepEqual(readGarden(writeGarden([], '1.3.0')).events, []);
});

test('the quit, and values out of range, are never written', () => {
  for (const event of [
    { type: 'key', key: 'q'.charCodeAt(0) },
    { type: 'key', key: 'Q'.charCodeAt(0) },
    { type: 'key', key: 0 },
    { type: 'mouse', button: 3, state: 0, x: 0, y: 0 },
    { type: 'motion', x: 40000, y: 0 },
    { type: 'motion', x: 1.5, y: 0 },
    { type: 'menu', menu: 0, value: 1 },
    { type: 'wheel' },
  ])
    assert.throws(() => writeGarden([event], '1.3.0'), NotAGarden, JSON.stringify(event));
});

test('random bytes, text, pictures and an empty file are refused with their reason', () => {
  const random = randomFrom(11);
  for (let i = 0; i < 300; ++i) {
    const bytes = Uint8Array.from({ length: Math.floor(random() * 200) }, () => Math.floor(random() * 256));
    if (bytes.length) refused(bytes, `random bytes ${i}`);
  }
  assert.match(refused(new Uint8Array(0), 'empty'), /empty/);
  assert.match(refused(new TextEncoder().encode('Hello, garden\n'), 'text'), /does not begin/);
  assert.match(refused(Uint8Array.of(0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0), 'png'), /PNG picture/);
  assert.match(refused(Uint8Array.of(0x42, 0x4d, 0x36, 0, 0, 0), 'bmp'), /BMP picture/);
  // Random bytes behind the magic.
  for (let i = 0; i < 300; ++i) {
    const tail = Uint8Array.from({ length: Math.floor(random() * 64) }, () => Math.floor(random() * 256));
    refused(new Uint8Array([...MAGIC, ...tail]), `magic and random bytes ${i}`);
  }
});

test('every cut and every damaged byte of a real garden is refused', () => {
  const file = writeGarden(gardenOf(3, randomFrom(3)), '1.3.0');
  for (let length = 1; length < file.length; ++length) refused(file.subarray(0, length), `cut at ${length}`);
  assert.match(refused(file.subarray(0, file.length - 1), 'cut'), /cut short/);
  assert.match(refused(new Uint8Array([...file, 0]), 'longer'), /after its end/);
  const random = randomFrom(5);
  for (let at = 0; at < file.length; ++at) {
    const damaged = file.slice();
    damaged[at] ^= 1 + Math.floor(random() * 255);
    refused(damaged, `byte ${at} damaged`);
  }
});

// Files whose checksum is right but whose insides lie: the reader must
// check each field, not trust the checksum.
function withChecksum(bytes) {
  const out = new Uint8Array(bytes.length + 4);
  out.set(bytes);
  new DataView(out.buffer).setUint32(bytes.length, crc32(bytes), true);
  return out;
}

function header(format, count, length, version = '1.3.0') {
  const v = new TextEncoder().encode(version);
  const bytes = new Uint8Array(MAGIC.length + 2 + v.length + 8);
  bytes.set(MAGIC);
  bytes[MAGIC.length] = format;
  bytes[MAGIC.length + 1] = v.length;
  bytes.set(v, MAGIC.length + 2);
  const view = new DataView(bytes.buffer);
  view.setUint32(MAGIC.length + 2 + v.length, count, true);
  view.setUint32(MAGIC.length + 6 + v.length, length, true);
  return bytes;
}

test('a newer format, hostile counts and lying events are refused before anything is made of them', () => {
  const real = writeGarden([{ type: 'frame' }], '1.3.0');
  const newer = real.slice(0, real.length - 4);
  newer[MAGIC.length] = 2;
  assert.match(refused(withChecksum(newer), 'newer'), /newer Sandmere \(format 2/);
  assert.match(refused(withChecksum(header(1, MAX_EVENTS + 1, 0)), 'too many'), /more than/);
  assert.match(refused(withChecksum(header(1, 0xffffffff, 0xffffffff)), 'huge'), /more than/);
  assert.match(refused(withChecksum(header(1, 1000, 2)), 'count past bytes'), /cut short|claims/);
  const events = (...bytes) => {
    const body = Uint8Array.from(bytes);
    return withChecksum(new Uint8Array([...header(1, 1, body.length), ...body]));
  };
  assert.match(refused(events(9), 'unknown kind'), /no known kind/);
  assert.match(refused(events(1, 0b1000, 0, 0), 'mouse bits'), /bits/);
  assert.match(refused(events(3, 'q'.charCodeAt(0)), 'quit'), /quit/);
  assert.match(refused(events(2, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01, 0), 'long varint'), /too long/);
  assert.match(refused(events(2, 0xfe, 0xff, 0x07, 0), 'far position'), /out of range/);
  assert.match(refused(events(0, 0), 'trailing'), /after its last event/);
  assert.match(refused(withChecksum(header(1, 0, 0, 'v1')), 'version'), /not a version/);
});

test('a link carries the garden file whole, and a damaged link is refused', async () => {
  const file = writeGarden(gardenOf(24, randomFrom(9)), '1.3.0');
  const fragment = await linkFragment(file);
  assert.match(fragment, /^#garden=[A-Za-z0-9_-]+$/);
  assert.deepEqual(await fileFromFragment(fragment), file);
  assert.equal(await fileFromFragment(''), null);
  assert.equal(await fileFromFragment('#other=1'), null);
  await assert.rejects(fileFromFragment('#garden=abc$'), NotAGarden);
  await assert.rejects(fileFromFragment(fragment.slice(0, fragment.length - 20)), NotAGarden);
  await assert.rejects(fileFromFragment(`#garden=${'A'.repeat(64)}`), NotAGarden);
});

// ---- The garden inside its picture -------------------------------------------

const pngChunk = (name, data) => {
  const chunk = new Uint8Array(12 + data.length);
  const view = new DataView(chunk.buffer);
  view.setUint32(0, data.length);
  chunk.set(new TextEncoder().encode(name), 4);
  chunk.set(data, 8);
  view.setUint32(8 + data.length, crc32(chunk.subarray(4, 8 + data.length)));
  return chunk;
};
const join = (...parts) => {
  const out = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
  parts.reduce((at, part) => (out.set(part, at), at + part.length), 0);
  return out;
};

// A real 5 by 3 RGB picture, its image data in two IDATs behind an
// ancillary chunk, as a browser or an image tool may write one.
function picture() {
  const ihdr = Uint8Array.of(0, 0, 0, 5, 0, 0, 0, 3, 8, 2, 0, 0, 0);
  const rows = Uint8Array.from({ length: 3 * (1 + 5 * 3) }, (_, i) => (i % 16 ? (i * 37) & 0xff : 0));
  const data = deflateSync(rows);
  const half = data.length >> 1;
  return join(
    PNG_SIGNATURE,
    pngChunk('IHDR', ihdr),
    pngChunk('sRGB', Uint8Array.of(0)),
    pngChunk('IDAT', data.subarray(0, half)),
    pngChunk('IDAT', data.subarray(half)),
    pngChunk('IEND', new Uint8Array(0)),
  );
}

const gardenIn = (bytes) => readGarden(gardenFileIn(bytes));
function refusedPicture(bytes, what) {
  try {
    gardenIn(bytes);
  } catch (error) {
    assert.ok(error instanceof NotAGarden, `${what}: ${error}`);
    return error.message;
  }
  assert.fail(`${what}: read as a garden`);
}

test('a picture carries its garden byte for byte, before its image data, its pixels untouched', () => {
  const png = picture();
  const file = writeGarden(gardenOf(4, randomFrom(13)), '1.3.0');
  const withGarden = pictureWithGarden(png, file);
  assert.deepEqual(gardenFileIn(withGarden), file);
  // The garden's chunk stands just before the first IDAT; taken out, the
  // picture is the one it was.
  const sRgbEnd = PNG_SIGNATURE.length + 25 + 13;
  const chunk = withGarden.subarray(sRgbEnd, sRgbEnd + 12 + file.length);
  assert.deepEqual(chunk, pngChunk(GARDEN_CHUNK, file));
  assert.equal(String.fromCharCode(...withGarden.subarray(sRgbEnd + chunk.length + 4, sRgbEnd + chunk.length + 8)), 'IDAT');
  assert.deepEqual(join(withGarden.subarray(0, sRgbEnd), withGarden.subarray(sRgbEnd + chunk.length)), png);
  // A garden file is its own garden; a picture with none is said to be one.
  assert.equal(gardenFileIn(file), file);
  assert.equal(refusedPicture(png, 'no garden'), 'it is a PNG picture, not a garden: it holds no garden');
  assert.throws(() => pictureWithGarden(withGarden, file), /holds a garden already/);
});

test('a garden picture that is damaged, lies, or holds two gardens or a bad one is refused, every byte and cut', () => {
  const png = picture();
  const file = writeGarden(gardenOf(2, randomFrom(17)), '1.3.0');
  const withGarden = pictureWithGarden(png, file);
  const at = PNG_SIGNATURE.length + 25 + 13;
  const chunk = pngChunk(GARDEN_CHUNK, file);
  const rest = png.subarray(at);
  const head = png.subarray(0, at);
  assert.match(refusedPicture(join(head, chunk, chunk, rest), 'two'), /holding 2 gardens/);
  assert.match(refusedPicture(join(withGarden, pngChunk('tEXt', Uint8Array.of(65, 0, 66))), 'after IEND'), /after its end/);
  assert.match(refusedPicture(join(withGarden, Uint8Array.of(0)), 'a byte after IEND'), /after its end/);
  const badCrc = withGarden.slice();
  badCrc[at + 8 + 20] ^= 4;
  assert.match(refusedPicture(badCrc, 'bad crc'), /saNd chunk fails its checksum/);
  const lying = withGarden.slice();
  new DataView(lying.buffer).setUint32(at, 0x7ffffff0);
  assert.match(refusedPicture(lying, 'lying length'), /claims 2147483632 bytes, more than are left/);
  const damagedGarden = file.slice();
  damagedGarden[MAGIC.length + 1] = 40;
  assert.match(refusedPicture(join(head, pngChunk(GARDEN_CHUNK, damagedGarden), rest), 'bad garden'), /garden is refused: its garden version/);
  const firstIdatEnd = at + 12 + new DataView(png.buffer).getUint32(at);
  assert.match(
    refusedPicture(join(png.subarray(0, firstIdatEnd), chunk, png.subarray(firstIdatEnd)), 'after IDAT'),
    /not before its picture/,
  );
  assert.match(refusedPicture(join(PNG_SIGNATURE, withGarden.subarray(33)), 'no header'), /IHDR/);
  for (let length = 1; length < withGarden.length; ++length) refusedPicture(withGarden.subarray(0, length), `cut at ${length}`);
  const random = randomFrom(19);
  for (let i = 0; i < withGarden.length; ++i) {
    const damaged = withGarden.slice();
    damaged[i] ^= 1 + Math.floor(random() * 255);
    refusedPicture(damaged, `byte ${i} damaged`);
  }
});

test("the README's pictures of the page open as the garden they show", () => {
  for (const name of ['phone.png', 'web.png']) {
    const bytes = new Uint8Array(fs.readFileSync(new URL(`../../docs/${name}`, import.meta.url)));
    assert.ok(gardenIn(bytes).events.some((event) => event.type === 'mouse'), `${name} carries a raked garden`);
  }
});
