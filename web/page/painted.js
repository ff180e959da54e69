// The pictures the garden paints for itself, kept after the first visit:
// painting them takes most of a first start, and they never change for a
// version of the garden. Once the first plan is shown the page copies
// them, out of the way of anything the person does, into Cache Storage;
// a later start puts them in the garden's working folder before main()
// runs, and the garden paints none. Each kept picture must match its
// SHA-256 digest from the build, or it is painted again. Wherever storage
// or digests are refused (private browsing, a page not served securely),
// the garden paints as it always did, and nothing is said.
import { GARDEN_VERSION, PAINTED_PICTURES } from './version.js';

const CACHE_PREFIX = 'sandmere-painted-';

// The cache of this version's pictures: a new version of the site, or
// painters that paint other bytes, keep theirs apart and drop the old.
let tableKey = 7;
for (const [name, digest] of PAINTED_PICTURES)
  for (const c of name + digest) tableKey = (Math.imul(tableKey, 31) + c.charCodeAt(0)) >>> 0;
const CACHE_NAME = `${CACHE_PREFIX}${GARDEN_VERSION}-${tableKey.toString(16)}`;
const keyOf = (fileName) => new Request(`painted/${fileName}`);

const hex = (buffer) => [...new Uint8Array(buffer)].map((b) => b.toString(16).padStart(2, '0')).join('');
const sha256 = async (bytes) => hex(await crypto.subtle.digest('SHA-256', bytes));
const usable = () => typeof caches !== 'undefined' && typeof crypto !== 'undefined' && crypto.subtle;

let kept = Promise.resolve(new Map());

// Begins reading the kept pictures: a map of file name to bytes, of those
// whose digests are right.
export function beginReadingPainted() {
  if (!usable()) return;
  kept = (async () => {
    const found = new Map();
    const cache = await caches.open(CACHE_NAME);
    await Promise.all(
      PAINTED_PICTURES.map(async ([fileName, digest]) => {
        const response = await cache.match(keyOf(fileName));
        if (!response) return;
        const bytes = new Uint8Array(await response.arrayBuffer());
        if ((await sha256(bytes)) === digest) found.set(fileName, bytes);
        else await cache.delete(keyOf(fileName));
      }),
    );
    return found;
  })().catch(() => new Map());
}

// Writes the sound kept pictures into the garden's working folder; the
// garden paints the others. Called before the person's own pictures are
// written, which take their place.
export async function writePainted(FS) {
  for (const [fileName, bytes] of await kept) FS.writeFile(fileName, bytes);
}

// After the first plan: keeps what the garden painted this time, and
// drops the caches of other versions. The working folder holds the own
// pictures too: only bytes with a painted picture's digest are kept.
export async function keepPainted(FS) {
  if (!usable()) return;
  try {
    const already = await kept;
    const cache = await caches.open(CACHE_NAME);
    for (const [fileName, digest] of PAINTED_PICTURES) {
      if (already.has(fileName)) continue;
      let bytes;
      try {
        bytes = FS.readFile(fileName);
      } catch {
        continue;
      }
      if ((await sha256(bytes)) !== digest) continue;
      await cache.put(keyOf(fileName), new Response(bytes, { headers: { 'Content-Type': 'image/bmp' } }));
    }
    for (const name of await caches.keys())
      if (name.startsWith(CACHE_PREFIX) && name !== CACHE_NAME) await caches.delete(name);
  } catch {
    // Full or refused: the next start paints again.
  }
}
