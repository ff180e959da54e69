// A garden's record: every event its handlers were given and every point
// where it drew a frame, in order. The garden's arithmetic is the same
// everywhere, so the same record, replayed, gives the same garden. This
// module is the record's one format: the bytes of a garden file, the link
// that carries a garden file compressed, and the picture that carries one
// inside. It reads no input it has not checked: every length before the
// bytes it covers, every value against its range, every count against its
// cap.
//
// A garden file ("NAME.sandmere"), all numbers little-endian:
//   13 bytes   the magic: 0x89 "SANDMERE" CR LF 0x1A LF
//    1 byte    the format's version: 1
//    1 byte    n, the length of the garden's version (1 to 16)
//    n bytes   the garden's version, digits and dots ("1.3.0")
//    4 bytes   the number of events (at most MAX_EVENTS)
//    4 bytes   L, the length of the events (at most MAX_EVENT_BYTES)
//    L bytes   the events
//    4 bytes   the CRC-32 (as zlib's) of every byte before it
// Each event is a code byte and its fields; positions are window pixels,
// origin top left, each stored as the change from the position before
// (starting from 0, 0) as a zigzag varint (LEB128):
//   0 frame   a frame was drawn and shown
//   1 mouse   a byte: button (0 to 2) | state (0 down, 1 up) << 2; dx; dy
//   2 motion  dx; dy
//   3 key     a byte: the character code (1 to 255, never q or Q)
//   4 menu    a byte: the menu (1 to 255); the entry's value, zigzag varint

export const FORMAT_VERSION = 1;
export const MAGIC = Uint8Array.of(0x89, 0x53, 0x41, 0x4e, 0x44, 0x4d, 0x45, 0x52, 0x45, 0x0d, 0x0a, 0x1a, 0x0a);
export const FILE_SUFFIX = '.sandmere';
// Bounds on what a reader takes: far past any garden raked by hand.
export const MAX_EVENTS = 1 << 22;
export const MAX_EVENT_BYTES = 1 << 25;
export const MAX_POSITION = 1 << 15;
const MAX_VERSION_LENGTH = 16;
const MAX_MENU_VALUE = 1 << 16;

const CODES = { frame: 0, mouse: 1, motion: 2, key: 3, menu: 4 };
// The garden's quit: a record ends before it, never holds it.
const QUIT_KEYS = new Set(['q'.charCodeAt(0), 'Q'.charCodeAt(0)]);

export class NotAGarden extends Error {}

// ---- CRC-32 -----------------------------------------------------------------

const CRC_TABLE = (() => {
  const table = new Uint32Array(256);
  for (let n = 0; n < 256; ++n) {
    let c = n;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  return table;
})();

export function crc32(bytes) {
  let crc = 0xffffffff;
  for (let i = 0; i < bytes.length; ++i) crc = CRC_TABLE[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
  return (crc ^ 0xffffffff) >>> 0;
}

// ---- Checks -----------------------------------------------------------------

const inRange = (value, lowest, highest) => Number.isInteger(value) && value >= lowest && value <= highest;

// Throws unless event is one a record may hold.
export function checkEvent(event) {
  const fail = (what) => {
    throw new NotAGarden(what);
  };
  const position = (e) => {
    if (!inRange(e.x, -MAX_POSITION, MAX_POSITION) || !inRange(e.y, -MAX_POSITION, MAX_POSITION))
      fail(`a position out of range (${e.x}, ${e.y})`);
  };
  switch (event.type) {
    case 'frame':
      return;
    case 'mouse':
      if (!inRange(event.button, 0, 2)) fail(`no such mouse button: ${event.button}`);
      if (!inRange(event.state, 0, 1)) fail(`no such button state: ${event.state}`);
      return position(event);
    case 'motion':
      return position(event);
    case 'key':
      if (!inRange(event.key, 1, 255)) fail(`no such key: ${event.key}`);
      if (QUIT_KEYS.has(event.key)) fail('it holds the quit key');
      return;
    case 'menu':
      if (!inRange(event.menu, 1, 255)) fail(`no such menu: ${event.menu}`);
      if (!inRange(event.value, -MAX_MENU_VALUE, MAX_MENU_VALUE)) fail(`a menu value out of range: ${event.value}`);
      return;
    default:
      fail(`no such event: ${event.type}`);
  }
}

// ---- Writing ----------------------------------------------------------------

class Writer {
  constructor() {
    this.bytes = new Uint8Array(256);
    this.length = 0;
  }
  room(n) {
    if (this.length + n <= this.bytes.length) return;
    const grown = new Uint8Array(Math.max(this.bytes.length * 2, this.length + n));
    grown.set(this.bytes.subarray(0, this.length));
    this.bytes = grown;
  }
  byte(value) {
    this.room(1);
    this.bytes[this.length++] = value;
  }
  all(bytes) {
    this.room(bytes.length);
    this.bytes.set(bytes, this.length);
    this.length += bytes.length;
  }
  u32(value) {
    for (let k = 0; k < 4; ++k) this.byte((value >>> (8 * k)) & 0xff);
  }
  varint(value) {
    let rest = value >>> 0;
    while (rest >= 0x80) {
      this.byte((rest & 0x7f) | 0x80);
      rest >>>= 7;
    }
    this.byte(rest);
  }
  zigzag(value) {
    this.varint(((value << 1) ^ (value >> 31)) >>> 0);
  }
  done() {
    return this.bytes.slice(0, this.length);
  }
}

// The events' bytes, checking each event.
export function encodeEvents(events) {
  const out = new Writer();
  let x = 0;
  let y = 0;
  const moveTo = (event) => {
    out.zigzag(event.x - x);
    out.zigzag(event.y - y);
    x = event.x;
    y = event.y;
  };
  for (const event of events) {
    checkEvent(event);
    out.byte(CODES[event.type]);
    if (event.type === 'mouse') {
      out.byte(event.button | (event.state << 2));
      moveTo(event);
    } else if (event.type === 'motion') {
      moveTo(event);
    } else if (event.type === 'key') {
      out.byte(event.key);
    } else if (event.type === 'menu') {
      out.byte(event.menu);
      out.zigzag(event.value);
    }
  }
  return out.done();
}

// A whole garden file for the events, made by the garden of gardenVersion.
export function writeGarden(events, gardenVersion) {
  if (events.length > MAX_EVENTS) throw new NotAGarden(`more than ${MAX_EVENTS} events`);
  const version = new TextEncoder().encode(gardenVersion);
  if (!/^[0-9.]{1,16}$/.test(gardenVersion)) throw new Error(`not a garden version: ${gardenVersion}`);
  const body = encodeEvents(events);
  const out = new Writer();
  out.all(MAGIC);
  out.byte(FORMAT_VERSION);
  out.byte(version.length);
  out.all(version);
  out.u32(events.length);
  out.u32(body.length);
  out.all(body);
  out.u32(crc32(out.bytes.subarray(0, out.length)));
  return out.done();
}

// ---- Reading ----------------------------------------------------------------

class Reader {
  constructor(bytes, start, end) {
    this.bytes = bytes;
    this.at = start;
    this.end = end;
  }
  left() {
    return this.end - this.at;
  }
  byte() {
    if (this.at >= this.end) throw new NotAGarden('its events stop short');
    return this.bytes[this.at++];
  }
  u32() {
    let value = 0;
    for (let k = 0; k < 4; ++k) value += this.byte() * 2 ** (8 * k);
    return value;
  }
  varint() {
    let value = 0;
    for (let k = 0; k < 5; ++k) {
      const b = this.byte();
      value += (b & 0x7f) * 2 ** (7 * k);
      if (!(b & 0x80)) {
        if (value > 0xffffffff) break;
        return value;
      }
    }
    throw new NotAGarden('a number in its events is too long');
  }
  zigzag() {
    const value = this.varint();
    return value % 2 ? -(value + 1) / 2 : value / 2;
  }
}

function decodeEvents(reader, count) {
  const events = new Array(count);
  let x = 0;
  let y = 0;
  for (let i = 0; i < count; ++i) {
    const code = reader.byte();
    let event;
    if (code === CODES.frame) {
      event = { type: 'frame' };
    } else if (code === CODES.mouse) {
      const buttons = reader.byte();
      if (buttons > 0b111) throw new NotAGarden(`a mouse event's bits are wrong (${buttons})`);
      x += reader.zigzag();
      y += reader.zigzag();
      event = { type: 'mouse', button: buttons & 3, state: buttons >> 2, x, y };
    } else if (code === CODES.motion) {
      x += reader.zigzag();
      y += reader.zigzag();
      event = { type: 'motion', x, y };
    } else if (code === CODES.key) {
      event = { type: 'key', key: reader.byte() };
    } else if (code === CODES.menu) {
      const menu = reader.byte();
      event = { type: 'menu', menu, value: reader.zigzag() };
    } else {
      throw new NotAGarden(`event ${i + 1} is of no known kind (${code})`);
    }
    checkEvent(event);
    events[i] = event;
  }
  if (reader.left()) throw new NotAGarden('it has bytes after its last event');
  return events;
}

const startsWith = (bytes, prefix) => prefix.every((b, i) => bytes[i] === b);
const PICTURES = [
  [[0x42, 0x4d], 'a BMP picture'],
  [[0x89, 0x50, 0x4e, 0x47], 'a PNG picture'],
  [[0xff, 0xd8, 0xff], 'a JPEG picture'],
  [[0x47, 0x49, 0x46, 0x38], 'a GIF picture'],
  [[0x52, 0x49, 0x46, 0x46], 'a RIFF file (a WebP picture or a sound)'],
];

// The garden a file's bytes hold: { events, gardenVersion }. Throws
// NotAGarden saying what is wrong.
export function readGarden(bytes) {
  if (!(bytes instanceof Uint8Array)) throw new TypeError('readGarden takes a Uint8Array');
  if (bytes.length === 0) throw new NotAGarden('the file is empty');
  const magic = [...MAGIC];
  const head = Math.min(bytes.length, MAGIC.length);
  if (!startsWith(bytes, magic.slice(0, head))) {
    const picture = PICTURES.find(([prefix]) => bytes.length >= prefix.length && startsWith(bytes, prefix));
    throw new NotAGarden(picture ? `it is ${picture[1]}, not a garden` : 'it does not begin as a garden file does');
  }
  const cutShort = () => new NotAGarden('it is cut short');
  if (bytes.length < MAGIC.length + 2) throw cutShort();
  const format = bytes[MAGIC.length];
  if (format > FORMAT_VERSION)
    throw new NotAGarden(`it was made by a newer Sandmere (format ${format}; this page reads format ${FORMAT_VERSION})`);
  if (format < 1) throw new NotAGarden(`its format (${format}) is no format of Sandmere's`);
  const versionLength = bytes[MAGIC.length + 1];
  if (versionLength < 1 || versionLength > MAX_VERSION_LENGTH)
    throw new NotAGarden(`its garden version's length (${versionLength}) is wrong`);
  const header = new Reader(bytes, MAGIC.length + 2, bytes.length);
  if (header.left() < versionLength + 8 + 4) throw cutShort();
  let gardenVersion = '';
  for (let i = 0; i < versionLength; ++i) gardenVersion += String.fromCharCode(header.byte());
  const count = header.u32();
  const length = header.u32();
  if (count > MAX_EVENTS) throw new NotAGarden(`it claims ${count} events, more than ${MAX_EVENTS}`);
  if (length > MAX_EVENT_BYTES) throw new NotAGarden(`it claims ${length} bytes of events, more than ${MAX_EVENT_BYTES}`);
  if (header.left() < length + 4) throw cutShort();
  if (header.left() > length + 4) throw new NotAGarden('it has bytes after its end');
  const end = header.at + length;
  const stored = bytes[end] + bytes[end + 1] * 2 ** 8 + bytes[end + 2] * 2 ** 16 + bytes[end + 3] * 2 ** 24;
  if (crc32(bytes.subarray(0, end)) !== stored) throw new NotAGarden('it is damaged: its checksum does not match');
  if (!/^[0-9.]+$/.test(gardenVersion)) throw new NotAGarden('its garden version is not a version');
  // Every event takes a byte at least: a count past the bytes is a lie
  // told before any array is made for it.
  if (count > length) throw new NotAGarden(`it claims ${count} events in ${length} bytes`);
  return { events: decodeEvents(new Reader(bytes, header.at, end), count), gardenVersion };
}

// ---- The garden inside its picture -------------------------------------------

// A picture of the garden (a PNG) carries the garden file, byte for byte,
// as the data of one chunk before the picture's first IDAT. The chunk's
// name says, by the case of its letters, what a PNG tool may do with it:
// ancillary (s), private (a), reserved bit clear (N), safe to copy (d).
export const GARDEN_CHUNK = 'saNd';
export const PNG_SIGNATURE = Uint8Array.of(0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a);
const MAX_CHUNK_LENGTH = 2 ** 31 - 1;
const CHUNK_NAME = /^[A-Za-z]{4}$/;

const isPng = (bytes) => bytes.length >= PNG_SIGNATURE.length && startsWith(bytes, [...PNG_SIGNATURE]);
const u32be = (bytes, at) => bytes[at] * 2 ** 24 + bytes[at + 1] * 2 ** 16 + bytes[at + 2] * 2 ** 8 + bytes[at + 3];
const chunkName = (bytes, at) => String.fromCharCode(...bytes.subarray(at, at + 4));

// A PNG's chunks, in order: { name, at (its first byte), data, end }.
// Throws NotAGarden on a PNG that is not whole and sound.
function pngChunks(bytes) {
  const damaged = (what) => new NotAGarden(`it is a PNG picture, damaged: ${what}`);
  const chunks = [];
  let at = PNG_SIGNATURE.length;
  while (!chunks.length || chunks[chunks.length - 1].name !== 'IEND') {
    const left = bytes.length - at;
    if (left < 12) throw damaged(left ? 'it is cut short inside a chunk' : 'it is cut short (it has no IEND)');
    const length = u32be(bytes, at);
    if (length > MAX_CHUNK_LENGTH || length > left - 12)
      throw damaged(`chunk ${chunks.length + 1} claims ${length} bytes, more than are left`);
    const name = chunkName(bytes, at + 4);
    if (!CHUNK_NAME.test(name)) throw damaged(`chunk ${chunks.length + 1} has no chunk's name`);
    const end = at + 12 + length;
    if (crc32(bytes.subarray(at + 4, end - 4)) !== u32be(bytes, end - 4))
      throw damaged(`its ${name} chunk fails its checksum`);
    if (!chunks.length && name !== 'IHDR') throw damaged('it does not begin with its header (IHDR)');
    chunks.push({ name, at, data: bytes.subarray(at + 8, end - 4), end });
    at = end;
  }
  if (at !== bytes.length) throw damaged('it has bytes after its end (IEND)');
  return chunks;
}

// The garden chunk of a sound PNG's chunks, or undefined where it has none.
function gardenChunk(chunks) {
  const found = chunks.filter((chunk) => chunk.name === GARDEN_CHUNK);
  if (found.length > 1) throw new NotAGarden(`it is a PNG picture holding ${found.length} gardens, not one`);
  const firstData = chunks.findIndex((chunk) => chunk.name === 'IDAT');
  if (found.length && (firstData < 0 || chunks.indexOf(found[0]) > firstData))
    throw new NotAGarden('it is a PNG picture whose garden is not before its picture');
  return found[0];
}

// The PNG with the garden file inside, before its first IDAT.
export function pictureWithGarden(png, gardenFile) {
  const chunks = pngChunks(png);
  if (gardenChunk(chunks)) throw new Error('the picture holds a garden already');
  const firstData = chunks.find((chunk) => chunk.name === 'IDAT');
  if (!firstData) throw new Error('the picture has no image data');
  const chunk = new Uint8Array(12 + gardenFile.length);
  const view = new DataView(chunk.buffer);
  view.setUint32(0, gardenFile.length);
  chunk.set(new TextEncoder().encode(GARDEN_CHUNK), 4);
  chunk.set(gardenFile, 8);
  view.setUint32(8 + gardenFile.length, crc32(chunk.subarray(4, 8 + gardenFile.length)));
  const out = new Uint8Array(png.length + chunk.length);
  out.set(png.subarray(0, firstData.at));
  out.set(chunk, firstData.at);
  out.set(png.subarray(firstData.at), firstData.at + chunk.length);
  return out;
}

// Whether bytes are a PNG that names the garden's chunk: a picture of a
// garden, sound or not, rather than a photo.
export const namesGardenChunk = (bytes) =>
  isPng(bytes) && new TextDecoder('latin1').decode(bytes).includes(GARDEN_CHUNK);

// The garden file a file's bytes hold: the bytes themselves, or the garden
// inside a PNG, which readGarden has found sound. Throws NotAGarden.
export function gardenFileIn(bytes) {
  if (!isPng(bytes)) return bytes;
  const chunk = gardenChunk(pngChunks(bytes));
  if (!chunk) throw new NotAGarden('it is a PNG picture, not a garden: it holds no garden');
  try {
    readGarden(chunk.data);
  } catch (error) {
    if (error instanceof NotAGarden) throw new NotAGarden(`it is a PNG picture whose garden is refused: ${error.message}`);
    throw error;
  }
  return chunk.data.slice();
}

// ---- Links ------------------------------------------------------------------

// The fragment's key: a link is PAGE#garden=DATA, DATA the garden file
// compressed (deflate) in base64url. A fragment never goes to a server.
export const LINK_KEY = 'garden';
const MAX_LINK_BYTES = 1 << 22;

async function through(stream, bytes, limit) {
  const chunks = [];
  let total = 0;
  const reader = new Blob([bytes]).stream().pipeThrough(stream).getReader();
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    total += value.length;
    if (total > limit) {
      await reader.cancel();
      throw new NotAGarden('it unpacks to more than a garden can be');
    }
    chunks.push(value);
  }
  const joined = new Uint8Array(total);
  let at = 0;
  for (const chunk of chunks) {
    joined.set(chunk, at);
    at += chunk.length;
  }
  return joined;
}

const toBase64Url = (bytes) => {
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
};

function fromBase64Url(text) {
  if (!/^[A-Za-z0-9_-]*$/.test(text)) throw new NotAGarden('the link holds letters a garden link never does');
  let binary;
  try {
    binary = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
  } catch {
    throw new NotAGarden('the link is cut short');
  }
  return Uint8Array.from(binary, (c) => c.charCodeAt(0));
}

// The fragment ("#garden=...") that carries the garden file's bytes.
export async function linkFragment(fileBytes) {
  const packed = await through(new CompressionStream('deflate'), fileBytes, MAX_EVENT_BYTES * 2);
  return `#${LINK_KEY}=${toBase64Url(packed)}`;
}

// The garden file's bytes a fragment carries, or null when it carries none.
export async function fileFromFragment(fragment) {
  const match = new RegExp(`^#?${LINK_KEY}=(.*)$`, 's').exec(fragment || '');
  if (!match) return null;
  const packed = fromBase64Url(match[1]);
  try {
    return await through(new DecompressionStream('deflate'), packed, MAX_LINK_BYTES + MAX_EVENT_BYTES);
  } catch (error) {
    if (error instanceof NotAGarden) throw error;
    throw new NotAGarden('the link is damaged');
  }
}
