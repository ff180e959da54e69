// The garden kept in this browser: the record of the running garden,
// written to IndexedDB as it grows, replayed when the page starts again,
// and taken in from a shared link or a garden file. A garden taken in
// replaces the kept one only once it has been read whole and found sound;
// the page then starts afresh and replays it.
import * as garden from './garden.js';
import { objectStore } from './idb.js';
import { checkEvent, NotAGarden, readGarden, writeGarden } from './record.js';
import { GARDEN_VERSION } from './version.js';

const DATABASE = 'sandmere-garden';
const STORE = 'record';
const KEPT = 'kept';
// A kept record that could not be read is put aside here, not lost.
const PUT_ASIDE = 'unreadable';
// Quiet moments before the record is written again; leaving the page
// writes it at once.
const WRITE_AFTER_MS = 400;
// Records past this many events take long enough to replay to be told of.
const LARGE_RECORD = 20000;

// The running garden's record.
let events = [];
let replaying = false;
let ended = false;
let writeTimer = 0;

// ---- IndexedDB --------------------------------------------------------------

const withStore = objectStore(DATABASE, STORE);
const readKeptBytes = () =>
  withStore('readonly', (store) => {
    const request = store.get(KEPT);
    return () => request.result;
  });
const writeKeptBytes = (bytes) =>
  withStore('readwrite', (store) => {
    store.put(bytes, KEPT);
  });

// ---- Recording --------------------------------------------------------------

// Whether a record holds anything the garden was told (frames alone are
// an untouched garden).
export const holdsInput = (record) => record.some((event) => event.type !== 'frame');

export const recordNow = () => events;
export const gardenFileNow = () => writeGarden(events, GARDEN_VERSION);

// Motion comes many times a second and is written after a quiet moment;
// the rest (a press, a release, a key, a choice) is written at once, so a
// page closed right after it keeps it.
function noteEvent(event) {
  if (ended) return;
  // What no record holds (the quit key) ends the garden, and this record.
  try {
    checkEvent(event);
  } catch {
    return;
  }
  events.push(event);
  if (event.type === 'motion') scheduleWrite();
  else writeNow();
}

function noteFrame() {
  if (ended || replaying) return;
  // A frame right after a frame shows the same picture.
  if (events.length && events[events.length - 1].type === 'frame') return;
  events.push({ type: 'frame' });
  scheduleWrite();
}

function scheduleWrite() {
  clearTimeout(writeTimer);
  writeTimer = setTimeout(writeNow, WRITE_AFTER_MS);
}

function writeNow() {
  clearTimeout(writeTimer);
  writeTimer = 0;
  if (ended) return Promise.resolve();
  return writeKeptBytes(gardenFileNow()).catch((error) => console.warn('the garden could not be kept:', error));
}

// Nothing more is recorded or written: the garden ends, or another takes
// its place.
function stopRecording() {
  ended = true;
  clearTimeout(writeTimer);
}

// Written now, and the promise of it: for a test, or before the page goes.
export const flush = () => writeNow();

// Starts the page afresh on the kept garden, once it is written.
export async function startAgain() {
  await flush();
  location.reload();
}

// ---- The garden's own checks on a record --------------------------------------

// Throws NotAGarden unless every menu event names an entry of the
// garden's menus other than its quit.
function checkAgainstGarden(record) {
  const entries = garden.menuEntries();
  for (const event of record) {
    if (event.type !== 'menu') continue;
    const entry = entries.find((e) => e.menu === event.menu && e.value === event.value);
    if (!entry) throw new NotAGarden(`it chooses a menu entry the garden does not have (${event.menu}, ${event.value})`);
    if (entry.label === 'Quit') throw new NotAGarden('it holds the menu\'s quit');
  }
}

// ---- Replay -----------------------------------------------------------------

// The garden's mode key, in either case.
const MODE_KEYS = new Set(['i'.charCodeAt(0), 'I'.charCodeAt(0)]);
const isModeKey = (event) => event.type === 'key' && MODE_KEYS.has(event.key);

// The frames a capture reads: the last frame before each mode key.
function framesCaptured(record) {
  const read = new Set();
  let lastFrame = -1;
  for (let i = 0; i < record.length; ++i) {
    if (record[i].type === 'frame') lastFrame = i;
    else if (isModeKey(record[i]) && lastFrame >= 0) read.add(lastFrame);
  }
  return read;
}

// Replays a record through the garden's handlers. Only the frames the
// garden reads back are drawn, and none is shown: the last frame before
// each mode switch, which the switch captures whole; and each plan frame
// after motion, whose new marks the plan keeps in an image of its own
// (the plan's pixels depend on which marks each frame added), drawn only
// where the garden copies it into that image.
function replay(record) {
  const captured = framesCaptured(record);
  const started = performance.now();
  let mode = garden.SHOWN;
  const drawFrame = (wanted) => {
    if (mode !== wanted) garden.frameMode(wanted);
    mode = wanted;
    garden.drawFrame();
  };
  replaying = true;
  try {
    let moved = false;
    for (let i = 0; i < record.length && garden.isRunning(); ++i) {
      const event = record[i];
      if (event.type !== 'frame') {
        if (event.type === 'motion') moved = true;
        garden.deliverQuietly(event);
        continue;
      }
      if (captured.has(i)) drawFrame(garden.UNSHOWN);
      else if (moved && garden.state().mode === garden.PLAN) drawFrame(garden.READ_BACK_ONLY);
      moved = false;
    }
  } finally {
    garden.frameMode(garden.SHOWN);
    replaying = false;
  }
  events = record.slice();
  performance.measure('sandmere-replay', { start: started, end: performance.now() });
}

// ---- Start ------------------------------------------------------------------

let keptAtStart = Promise.resolve(null);

// Begins reading the kept record; called before the garden's script
// loads, so that the reading overlaps its download and compiling.
export function beginReading() {
  keptAtStart = readKeptBytes().catch(() => null);
}

// After start-up (main() has run): the kept garden comes back. say(text)
// tells the person what went wrong, if anything did.
export async function restore(say) {
  garden.onDelivered(noteEvent);
  garden.onFrame(noteFrame);
  const bytes = await keptAtStart;
  if (!bytes) return;
  try {
    const { events: record } = readGarden(new Uint8Array(bytes));
    checkAgainstGarden(record);
    // A large garden takes a moment: the page says so first.
    if (record.length > LARGE_RECORD) {
      say('Bringing your garden back…');
      await new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve)));
    }
    replay(record);
    if (record.length > LARGE_RECORD) say('');
  } catch (error) {
    if (!(error instanceof NotAGarden)) throw error;
    say(`The garden kept in this browser could not be read (${error.message}); it is put aside and a new one begins.`);
    await withStore('readwrite', (store) => {
      store.put(bytes, PUT_ASIDE);
      store.delete(KEPT);
    }).catch(() => {});
  }
}

window.addEventListener('pagehide', () => writeNow());
document.addEventListener('visibilitychange', () => {
  if (document.visibilityState === 'hidden') writeNow();
});

// The garden has ended: a quit ends this garden, and the next start
// begins an empty one.
export function gardenEnded(status) {
  stopRecording();
  if (status === 0)
    return withStore('readwrite', (store) => {
      store.delete(KEPT);
    }).catch(() => {});
  return Promise.resolve();
}

// ---- Gardens taken in ---------------------------------------------------------

// Reads a garden file's bytes whole and checks them against this garden;
// its events, or a NotAGarden saying what is wrong.
export function readSound(bytes) {
  const { events: record } = readGarden(bytes);
  checkAgainstGarden(record);
  return record;
}

// Makes a sound record the kept garden, and starts the page afresh on it.
export async function keepAndStart(record) {
  stopRecording();
  await writeKeptBytes(writeGarden(record, GARDEN_VERSION));
  location.replace(location.pathname + location.search);
}

// Makes a garden file's bytes the kept garden, and the one this start
// replays.
export async function startWith(bytes) {
  await writeKeptBytes(bytes);
  keptAtStart = Promise.resolve(bytes);
}

// The kept garden as the page started with it: whether it holds any input.
export async function keptHoldsInput() {
  const bytes = await keptAtStart;
  if (!bytes) return false;
  try {
    return holdsInput(readGarden(new Uint8Array(bytes)).events);
  } catch {
    return false;
  }
}
