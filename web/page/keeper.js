// The garden kept in this browser: the record of the running garden,
// written to IndexedDB as it grows, replayed when the page starts again,
// and taken in from a shared link or a garden file. A garden taken in
// replaces the kept one only once it has been read whole and found sound;
// a fresh garden (the garden put back to its start, with no reload) then
// replays it.
import * as garden from './garden.js';
import * as checkpoint from './checkpoint.js';
import { backTo as consoleBackTo, lineCount, linesAtStart, linesBetween, showLine } from './console.js';
import * as snapshot from './snapshot.js';
import { objectStore } from './idb.js';
import { checkEvent, NotAGarden, readGarden, writeGarden } from './record.js';
import { GARDEN_VERSION } from './version.js';

const DATABASE = 'sandmere-garden';
const STORE = 'record';
const KEPT = 'kept';
// A moment of the kept garden, bound to it (checkpoint.js).
const MOMENT = 'moment';
// A kept record that could not be read is put aside here, not lost.
const PUT_ASIDE = 'unreadable';
// Quiet moments before the record is written again; leaving the page
// writes it at once.
const WRITE_AFTER_MS = 400;
// Records past this many events take long enough to replay to be told of.
const LARGE_RECORD = 20000;
// A moment is kept with the record when a replay took this long, or when
// the page is hidden with this many events since the one kept.
const KEEP_MOMENT_AFTER_MS = 100;
const KEEP_MOMENT_EVERY = 3000;

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
// A new garden's record: the moment kept with the old one goes.
const writeKeptBytes = (bytes, { newGarden = false } = {}) =>
  withStore('readwrite', (store) => {
    store.put(bytes, KEPT);
    if (newGarden) store.delete(MOMENT);
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

// Whether a garden can begin afresh without a reload: the garden's start
// is kept, and the garden still runs.
export const canStartFresh = () => snapshot.startKept() && garden.isRunning();

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

// ---- Moments along the record ------------------------------------------------

// Moments of the garden kept along the running garden's record, oldest
// first: { at, lastFrameCaptured, consoleLines, moment }, the garden after
// the first `at` events of the record, kept only where no motion waits for
// its frame. Putting one back and replaying the rest gives the garden a
// whole replay gives, so long as the record holds the same first `at`
// events and the capture of the frame before them is the same (see
// momentFits).
let moments = [];
// A moment is kept every this many events of a replay, doubled whenever
// there are more than MOST_MOMENTS or they hold more than MOMENT_BYTES
// (with the garden's start, which is kept too, the page keeps at most
// 64 MB beyond the garden's own on a phone), and then every other one is
// let go: their memory stays bounded whatever the garden's length.
const FIRST_MOMENT_SPACING = 4096;
const MOST_MOMENTS = 6;
const MOMENT_BYTES = 40 * 2 ** 20;
let momentSpacing = FIRST_MOMENT_SPACING;

// Where moments are kept along the record, and their bytes: for a test,
// and for the page's figures.
export const momentsKept = () => ({
  at: moments.map((kept) => kept.at),
  bytes: snapshot.momentsBytes(moments.map((kept) => kept.moment)),
});

function keepMomentAt(at, lastFrameCaptured) {
  moments.push({ at, lastFrameCaptured, consoleLines: lineCount(), moment: snapshot.keepMoment() });
  const held = () => snapshot.momentsBytes(moments.map((kept) => kept.moment));
  while (moments.length > 1 && (moments.length > MOST_MOMENTS || held() > MOMENT_BYTES)) {
    // The latest stays: later changes start from it.
    moments = moments.filter((_, i) => i % 2 === 1 || i === moments.length - 1);
    momentSpacing *= 2;
  }
}

const sameEvent = (a, b) =>
  a.type === b.type && a.x === b.x && a.y === b.y && a.button === b.button && a.state === b.state &&
  a.key === b.key && a.menu === b.menu && a.value === b.value;

// Whether a kept moment may begin the replay of `record`: the record's
// first events are the moment's, and the last frame before it is
// captured, or not, as it was when the replay drew it (a replay draws a
// frame only as far as the record needs it; lastFrameCaptured is null
// for a moment of the running garden, whose frames were drawn whole).
function momentFits(kept, record, captured, from = events) {
  if (kept.at > record.length || kept.at > from.length) return false;
  for (let i = 0; i < kept.at; ++i) if (!sameEvent(record[i], from[i])) return false;
  if (kept.lastFrameCaptured === null) return true;
  const lastFrame = record.slice(0, kept.at).findLastIndex((event) => event.type === 'frame');
  return captured.has(lastFrame) === kept.lastFrameCaptured;
}

// ---- Replay -----------------------------------------------------------------

// Replays a record through the garden's handlers, from its event `from`
// on (the garden is then at the moment after the events before it).
// Only the frames the garden reads back are drawn, and none is shown: the
// last frame before each mode switch, which the switch captures whole;
// and each plan frame after motion, whose new marks the plan keeps in an
// image of its own (the plan's pixels depend on which marks each frame
// added), drawn only where the garden copies it into that image. A
// moment is kept now and then, just after a frame.
function replay(record, from = 0) {
  const captured = framesCaptured(record);
  const started = performance.now();
  let mode = garden.SHOWN;
  const setMode = (wanted) => {
    if (mode !== wanted) garden.frameMode(wanted);
    mode = wanted;
  };
  const drawFrame = (wanted) => {
    setMode(wanted);
    garden.drawFrame();
  };
  let lastMoment = moments.length ? moments[moments.length - 1].at : 0;
  replaying = true;
  try {
    let moved = false;
    for (let i = from; i < record.length && garden.isRunning(); ++i) {
      const event = record[i];
      if (event.type !== 'frame') {
        if (event.type === 'motion') moved = true;
        garden.deliverQuietly(event);
        continue;
      }
      if (captured.has(i)) drawFrame(garden.UNSHOWN);
      else if (moved && garden.state().mode === garden.PLAN) drawFrame(garden.READ_BACK_ONLY);
      moved = false;
      if (i + 1 - lastMoment >= momentSpacing && i + 1 < record.length) {
        setMode(garden.SHOWN);
        keepMomentAt(i + 1, captured.has(i));
        lastMoment = i + 1;
      }
    }
  } finally {
    garden.frameMode(garden.SHOWN);
    replaying = false;
  }
  events = record.slice();
  performance.measure('sandmere-replay', { start: started, end: performance.now() });
}

// The garden of `record`, from the latest kept moment that fits it, or
// from the garden's start: the garden a fresh start replaying it makes.
// The moment it began from (its count of events), 0 for the start.
// afterEnd: the garden had ended (see snapshot.putBack).
export function replaceRecord(record, { afterEnd = false } = {}) {
  const captured = framesCaptured(record);
  let kept = null;
  if (!afterEnd)
    for (let i = moments.length - 1; i >= 0 && !kept; --i)
      if (momentFits(moments[i], record, captured)) kept = moments[i];
  clearTimeout(writeTimer);
  snapshot.putBack(kept ? kept.moment : null, { stackLeftBehind: afterEnd });
  moments = kept ? moments.slice(0, moments.indexOf(kept) + 1) : [];
  if (!kept) momentSpacing = FIRST_MOMENT_SPACING;
  consoleBackTo(kept ? kept.consoleLines : linesAtStart());
  events = [];
  ended = false;
  // The moment kept with the record may no longer be this garden's.
  keptMomentAt = 0;
  replay(record, kept ? kept.at : 0);
  garden.replaced();
  return kept ? kept.at : 0;
}

// ---- Start ------------------------------------------------------------------

let keptAtStart = Promise.resolve(null);
let momentAtStart = Promise.resolve(null);

// Begins reading the kept record and its moment; called before the
// garden's script loads, so that the reading overlaps its download and
// compiling.
export function beginReading() {
  keptAtStart = readKeptBytes().catch(() => null);
  momentAtStart = withStore('readonly', (store) => {
    const request = store.get(MOMENT);
    return () => request.result;
  }).catch(() => null);
}

// ---- The moment kept with the record -------------------------------------------

// How far into the record the kept moment is (0: none).
let keptMomentAt = 0;

// Whether the running garden is now a moment a replay can begin from: its
// record holds input, and no motion since the last frame waits for the
// next. The record's length when it is; 0 when not.
function momentPlaceNow(record) {
  for (let i = record.length - 1; i >= 0 && record[i].type !== 'frame'; --i) if (record[i].type === 'motion') return 0;
  return holdsInput(record) ? record.length : 0;
}

// Keeps a moment of the garden now with the record, once it is written.
async function keepMomentWithRecord() {
  if (ended || replaying || !snapshot.startKept() || !garden.isRunning()) return;
  const record = events;
  const at = momentPlaceNow(record);
  if (at <= keptMomentAt) return;
  let kept = moments.find((m) => m.at === at);
  if (!kept) {
    // Every frame of the running garden was drawn whole.
    keepMomentAt(at, null);
    kept = moments[moments.length - 1];
  }
  const stored = await checkpoint.storedForm(
    { ...kept, consoleTail: linesBetween(linesAtStart(), kept.consoleLines) },
    record,
  );
  await flush();
  if (ended || record !== events) return;
  await withStore('readwrite', (store) => {
    store.put(stored, MOMENT);
  });
  keptMomentAt = at;
}
// Kept now, and the promise of it: for a test.
export const keepMomentNow = () => keepMomentWithRecord();
// Where in the record this start began: the kept moment's count of
// events, or 0 when the record was replayed whole.
let startedFrom = 0;
export const startedAt = () => startedFrom;

const keepMomentSoon = () =>
  (window.requestIdleCallback ?? setTimeout)(() =>
    keepMomentWithRecord().catch((error) => console.warn('a moment of the garden could not be kept:', error)),
  );

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
    if (!(await backFromMoment(record))) {
      // A large garden takes a moment to replay: the page says so first.
      const large = record.length > LARGE_RECORD;
      if (large) {
        say('Bringing your garden back…');
        await new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve)));
      }
      replay(record);
      if (performance.getEntriesByName('sandmere-replay').at(-1).duration >= KEEP_MOMENT_AFTER_MS) keepMomentSoon();
      if (large) say('');
    }
  } catch (error) {
    if (!(error instanceof NotAGarden)) throw error;
    say(`The garden kept in this browser could not be read (${error.message}); it is put aside and a new one begins.`);
    await withStore('readwrite', (store) => {
      store.put(bytes, PUT_ASIDE);
      store.delete(KEPT);
    }).catch(() => {});
  }
}

// The kept record's moment put back, and the rest of the record replayed;
// whether it was.
async function backFromMoment(record) {
  const kept = await checkpoint.momentOf(await momentAtStart, record);
  if (!kept || !momentFits(kept, record, framesCaptured(record), record)) return false;
  try {
    snapshot.putBack(kept.moment, { fromElsewhere: true });
  } catch (error) {
    console.warn('the kept moment of the garden could not be put back:', error);
    return false;
  }
  for (const [kind, text] of kept.consoleTail) showLine(String(text), String(kind));
  kept.consoleLines = lineCount();
  moments = [kept];
  keptMomentAt = kept.at;
  startedFrom = kept.at;
  replay(record, kept.at);
  garden.replaced();
  return true;
}

window.addEventListener('pagehide', () => writeNow());
document.addEventListener('visibilitychange', () => {
  if (document.visibilityState !== 'hidden') return;
  writeNow();
  if (events.length - keptMomentAt >= KEEP_MOMENT_EVERY) keepMomentWithRecord().catch(() => {});
});

// The garden has ended: a quit ends this garden, and the next start
// begins an empty one.
export function gardenEnded(status) {
  stopRecording();
  if (status === 0)
    return withStore('readwrite', (store) => {
      store.delete(KEPT);
      store.delete(MOMENT);
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

// Makes a sound record the kept garden, and starts a fresh garden on it:
// without a reload where the garden's start is kept.
export async function keepAndStart(record) {
  const fresh = canStartFresh();
  stopRecording();
  await writeKeptBytes(writeGarden(record, GARDEN_VERSION), { newGarden: true });
  if (fresh) replaceRecord(record);
  else location.replace(location.pathname + location.search);
}

// Makes a garden file's bytes the kept garden, and the one this start
// replays.
export async function startWith(bytes) {
  await writeKeptBytes(bytes, { newGarden: true });
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
