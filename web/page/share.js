// A garden shared as a link, saved as a file, and opened from either. The
// link carries the garden file compressed in its fragment, which no
// browser sends to a server. A garden that comes in replaces the kept one
// only when it has been read whole and is sound, and, where the person
// has a garden of their own, only when they say so.
import * as keeper from './keeper.js';
import {
  FILE_SUFFIX,
  fileFromFragment,
  gardenFileIn,
  linkFragment,
  namesGardenChunk,
  NotAGarden,
  readGarden,
} from './record.js';

const state = document.getElementById('keeping-state');
const shareBox = document.getElementById('share-box');
const shareLink = document.getElementById('share-link');
const sharedDialog = document.getElementById('shared-garden');

export function say(text) {
  state.textContent = text;
}

// ---- Sharing ----------------------------------------------------------------

async function share() {
  const link = location.origin + location.pathname + (await linkFragment(keeper.gardenFileNow()));
  shareLink.value = link;
  shareBox.hidden = false;
  if (navigator.share) {
    try {
      await navigator.share({ title: 'A Sandmere garden', url: link });
      say('The link to this garden is shared.');
      return;
    } catch (error) {
      if (error.name === 'AbortError') {
        say('The link to this garden is below.');
        return;
      }
    }
  }
  try {
    await navigator.clipboard.writeText(link);
    say('The link to this garden is copied, and below.');
  } catch {
    say('The link to this garden is below: copy it from there.');
  }
  shareLink.select();
}

// ---- Files ------------------------------------------------------------------

export function download(blob, fileName) {
  const url = URL.createObjectURL(blob);
  const link = document.createElement('a');
  link.href = url;
  link.download = fileName;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

function saveGarden() {
  const day = new Date().toISOString().slice(0, 10);
  download(new Blob([keeper.gardenFileNow()], { type: 'application/octet-stream' }), `garden-${day}${FILE_SUFFIX}`);
  say('The garden is saved as a file.');
}

// The sound record a garden file (or a picture of a garden) holds, or null
// when it is refused, which the person is told; nothing changes then.
async function recordOfFile(file) {
  try {
    return keeper.readSound(gardenFileIn(new Uint8Array(await file.arrayBuffer())));
  } catch (error) {
    if (!(error instanceof NotAGarden)) throw error;
    say(`${file.name} is not a garden this page can open: ${error.message}. Your garden is as it was.`);
    return null;
  }
}

// Opens a garden file into a fresh garden; anything else is refused with
// one message, and nothing changes. A file that comes from elsewhere than
// the person's own choice on the page (askFirst) replaces a garden of
// theirs only when they say so, as a link does.
export async function openGardenFile(file, askFirst = false) {
  const record = await recordOfFile(file);
  if (!record || (askFirst && !(await mayReplaceOwn(keeper.holdsInput(keeper.recordNow()))))) return;
  say(`Opening ${file.name}…`);
  await keeper.keepAndStart(record);
  say(`${file.name} is open.`);
}

export const isGardenFile = (file) => file.name.toLowerCase().endsWith(FILE_SUFFIX);

// Whether a picture is a garden's, so opens as a garden (and a damaged one
// is refused as one) rather than becoming a photo of the garden.
export const isGardenPicture = async (file) => namesGardenChunk(new Uint8Array(await file.arrayBuffer()));

// ---- A garden from a link -------------------------------------------------

function askToOpen() {
  return new Promise((resolve) => {
    const answer = (open) => () => {
      sharedDialog.close();
      resolve(open);
    };
    document.getElementById('open-shared').onclick = answer(true);
    document.getElementById('keep-mine').onclick = answer(false);
    sharedDialog.oncancel = answer(false);
    sharedDialog.showModal();
  });
}

const forgetFragment = () => history.replaceState(null, '', location.pathname + location.search);

// The garden file a link carries, read by `read` (which throws NotAGarden
// on a file it refuses): { bytes, record }, or null when the link carries
// none or one that cannot be opened, which the person is told.
async function gardenOfLink(read) {
  try {
    const bytes = await fileFromFragment(location.hash);
    return bytes && { bytes, record: read(bytes) };
  } catch (error) {
    if (!(error instanceof NotAGarden)) throw error;
    forgetFragment();
    say(`The link's garden cannot be opened: ${error.message}. Your garden is as it was.`);
    return null;
  }
}

// Whether a linked garden may take the place of the person's own: always,
// where they have none; otherwise when they say so.
async function mayReplaceOwn(ownHoldsInput) {
  if (!ownHoldsInput || (await askToOpen())) return true;
  forgetFragment();
  say('Your own garden stays; the shared one was not opened.');
  return false;
}

// The garden the page was opened with, if its link carries one: before
// the garden starts, it becomes the garden the page starts with. (Its menu
// choices are checked against the garden's menus when it is replayed.)
export async function takeLinkedGarden() {
  const linked = await gardenOfLink(readGarden);
  if (!linked || !(await mayReplaceOwn(await keeper.keptHoldsInput()))) return;
  await keeper.startWith(linked.bytes);
  forgetFragment();
}

// A link followed while the garden runs (only its fragment changed, so
// the page stays): the same, then a fresh start on the linked garden.
async function openLinkWhileRunning() {
  const linked = await gardenOfLink(keeper.readSound);
  if (!linked || !(await mayReplaceOwn(keeper.holdsInput(keeper.recordNow())))) return;
  await keeper.keepAndStart(linked.record);
  forgetFragment();
  say('The shared garden is open.');
}

// ---- Gardens the system hands the installed page -------------------------

// The query by which the service worker (sw.js) names a file shared to the
// page through the share sheet: the address it keeps the file at.
const SHARED_FILE = 'shared-file';

// The file shared to the page, taken once: it is kept no longer.
async function takeSharedFile() {
  const query = new URLSearchParams(location.search);
  const kept = query.get(SHARED_FILE);
  if (kept === null) return null;
  query.delete(SHARED_FILE);
  history.replaceState(null, '', location.pathname + (query.size ? `?${query}` : '') + location.hash);
  // Only what the service worker keeps there, never another of the site's files.
  const address = new URL(kept, location.href);
  if (!address.href.startsWith(new URL('shared/', location.href).href)) return null;
  const response = await caches.match(address);
  for (const name of await caches.keys()) await (await caches.open(name)).delete(address);
  if (!response) {
    say('The shared garden was opened already, or is gone.');
    return null;
  }
  const name = decodeURIComponent(address.pathname.split('/').pop());
  return new File([await response.blob()], name, { type: response.headers.get('content-type') || '' });
}

// Once the person's garden is back: a garden file shared to the page, and
// the files the system opens with the installed page, each exactly the one
// chosen, replacing the person's own garden only with their say.
export async function takeGivenGardens() {
  const shared = await takeSharedFile();
  if (shared) await openGardenFile(shared, true);
  window.launchQueue?.setConsumer(async ({ files }) => {
    if (!files.length) return;
    await openGardenFile(await files[0].getFile(), true);
  });
}

export function startSharing() {
  window.addEventListener('hashchange', () =>
    openLinkWhileRunning().catch((error) => say(`The link's garden cannot be opened (${error.message}).`)),
  );
  document.getElementById('share').addEventListener('click', () =>
    share().catch((error) => say(`The link could not be made (${error.message}).`)),
  );
  document.getElementById('save-garden').addEventListener('click', saveGarden);
  const input = document.getElementById('garden-file');
  input.addEventListener('change', () => {
    const [file] = input.files;
    input.value = '';
    if (file) openGardenFile(file);
  });
}
