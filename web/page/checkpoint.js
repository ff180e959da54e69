// A moment of the garden kept in IndexedDB beside its record, so that a
// big garden comes back at once instead of being replayed. It is bound by
// a SHA-256 digest to the record's first events (the ones it is the
// garden after), to the garden's version, to the garden's start as this
// page made it (the moment holds only what differs from it), and to its
// own bytes. The page puts it back only when all of that matches; when
// it is missing, damaged or does not match, the record is replayed.
import { GARDEN_VERSION } from './version.js';
import { writeGarden } from './record.js';
import { PAGE_BYTES, startBytes } from './snapshot.js';

const digestOf = async (bytes) => new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));

// The start's digest, once for the page's life.
let startDigest = null;
const startDigestNow = () => (startDigest ??= digestOf(startBytes()));

// What a kept moment holds besides its memory and texels, as bytes.
function describe(kept) {
  const { at, lastFrameCaptured, consoleTail, moment } = kept;
  const copies = [...moment.copies].map(([generation, copy]) => [generation, copy.box]);
  return new TextEncoder().encode(
    JSON.stringify({
      version: GARDEN_VERSION,
      pageBytes: PAGE_BYTES,
      at,
      lastFrameCaptured,
      consoleTail,
      length: moment.length,
      copies,
    }),
  );
}

// A moment's pages one after another.
function bytesOf(moment) {
  const bytes = new Uint8Array(moment.data.length * PAGE_BYTES);
  moment.data.forEach((page, i) => bytes.set(page, i * PAGE_BYTES));
  return bytes;
}

async function bindingOf(kept, record) {
  const { moment } = kept;
  const parts = [
    describe(kept),
    writeGarden(record.slice(0, kept.at), GARDEN_VERSION),
    new Uint8Array(moment.pages.buffer, moment.pages.byteOffset, moment.pages.byteLength),
    bytesOf(moment),
    ...[...moment.copies.values()].map((copy) => copy.rgba),
  ];
  const digests = await Promise.all([startDigestNow(), ...parts.map(digestOf)]);
  const all = new Uint8Array(digests.length * 32);
  digests.forEach((digest, i) => all.set(digest, i * 32));
  return [...(await digestOf(all))].map((byte) => byte.toString(16).padStart(2, '0')).join('');
}

// The kept moment ({ at, lastFrameCaptured, consoleTail, moment }) as
// IndexedDB keeps it, bound to the record it belongs to.
export async function storedForm(kept, record) {
  const { moment } = kept;
  return {
    digest: await bindingOf(kept, record),
    at: kept.at,
    lastFrameCaptured: kept.lastFrameCaptured,
    consoleTail: kept.consoleTail,
    length: moment.length,
    pages: moment.pages,
    bytes: bytesOf(moment),
    copies: [...moment.copies].map(([generation, copy]) => ({ generation, box: copy.box, rgba: copy.rgba })),
  };
}

// The moment IndexedDB kept, when it is sound and belongs to `record`;
// null otherwise.
export async function momentOf(stored, record) {
  try {
    if (!stored || typeof stored.digest !== 'string' || !(stored.at <= record.length)) return null;
    if (!(stored.pages instanceof Uint32Array) || !(stored.bytes instanceof Uint8Array)) return null;
    if (stored.bytes.length !== stored.pages.length * PAGE_BYTES) return null;
    const copies = new Map(stored.copies.map(({ generation, box, rgba }) => [generation, { box, rgba }]));
    for (const { box, rgba } of copies.values())
      if (!(rgba instanceof Uint8Array) || rgba.length !== box[2] * box[3] * 4) return null;
    const kept = {
      at: stored.at,
      lastFrameCaptured: stored.lastFrameCaptured,
      consoleTail: stored.consoleTail,
      moment: {
        length: stored.length,
        pages: stored.pages,
        data: [...stored.pages].map((_, i) => stored.bytes.subarray(i * PAGE_BYTES, (i + 1) * PAGE_BYTES)),
        copies,
      },
    };
    for (const page of kept.moment.pages) if (page * PAGE_BYTES >= kept.moment.length) return null;
    return (await bindingOf(kept, record)) === stored.digest ? kept : null;
  } catch {
    return null;
  }
}
