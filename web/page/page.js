// The page around the garden. The garden runs as it does on the desktop;
// the page hands it every event through its own handlers, keeps and shares
// what it was handed, and shows what it prints. Start-up, in order:
//   1. start reading what this browser keeps (the garden, the pictures it
//      painted before, own pictures), while the garden's script and
//      WebAssembly download and compile;
//   2. take in a garden that a link carries;
//   3. put the kept pictures in the garden's working folder, the painted
//      ones first and own ones over them;
//   4. the garden starts (main()), painting only what is missing;
//   5. the garden as start-up left it is kept, for a fresh garden without
//      a reload; the kept garden is replayed, and the controls come alive;
//   6. after the first plan is shown, the painted pictures are kept.
import * as garden from './garden.js';
import { markStart, showLine, openMessages } from './console.js';
import { startControls, disableControls, enableControls } from './controls.js';
import { startGestures } from './gestures.js';
import * as keeper from './keeper.js';
import { beginReadingPainted, keepPainted, writePainted } from './painted.js';
import { beginReadingPictures, startPictures, usePhoto, writeKeptPictures } from './pictures.js';
import {
  isGardenFile,
  isGardenPicture,
  openGardenFile,
  say,
  startSharing,
  takeGivenGardens,
  takeLinkedGarden,
} from './share.js';
import { shownPicture, startPicture } from './picture.js';
import * as snapshot from './snapshot.js';
import { startSound } from './sound.js';
import { GARDEN_VERSION } from './version.js';

const main = document.querySelector('main');
const canvas = document.getElementById('garden');
const ended = document.getElementById('ended');
const endedText = document.getElementById('ended-text');
const startAgain = document.getElementById('start-again');

// ---- The end ----------------------------------------------------------------

// Set once the garden has ended, even inside its start-up.
let gardenEnded = false;

function showEnd(message, status) {
  gardenEnded = true;
  garden.setRunning(false);
  disableControls();
  if (status !== undefined) main.dataset.exitStatus = String(status);
  if (status !== 0) openMessages();
  endedText.textContent = message;
  ended.hidden = false;
  startAgain.focus({ preventScroll: true });
}

// A fresh garden: its start put back where the garden ended by its own
// exit() with its start kept (Module.onGardenEnd); otherwise a fresh
// page, where the runtime and its files start again.
let runtimeHeld = false;
// The runtime's Module, once the garden starts.
let Module = null;
startAgain.addEventListener('click', () => {
  if (!runtimeHeld) return location.reload();
  runtimeHeld = false;
  keeper.replaceRecord([], { afterEnd: true });
  Module.holdGardenRuntime();
  gardenEnded = false;
  ended.hidden = true;
  delete main.dataset.exitStatus;
  enableControls();
  garden.setRunning(true);
  canvas.focus({ preventScroll: true });
});

// ---- A browser that cannot draw the garden ----------------------------------------

// The garden draws with WebGL 2. Where the browser has none (turned off, its
// graphics driver blocked, hardware acceleration off), the page says so in
// words, and what to try; the garden does not start, and what this browser
// keeps stays as it is.
const CANNOT_DRAW =
  'This browser cannot draw the garden: the garden draws with WebGL 2, and here WebGL 2 is turned off or missing. ' +
  "Try another browser, or turn on hardware acceleration in this browser's settings and open the page again.";
let cannotDraw = false;

function showCannotDraw() {
  cannotDraw = true;
  gardenEnded = true;
  main.dataset.cannotDraw = '';
  disableControls();
  endedText.textContent = CANNOT_DRAW;
  startAgain.hidden = true;
  ended.hidden = false;
}

// A context of its own on a scratch canvas, let go at once: the garden's
// canvas takes its context once, with the garden's own attributes.
function browserHasWebGl2() {
  try {
    const context = document.createElement('canvas').getContext('webgl2');
    context?.getExtension('WEBGL_lose_context')?.loseContext();
    return Boolean(context);
  } catch {
    return false;
  }
}

// ---- Files dropped on the page -------------------------------------------------

// A garden file, or a picture of a garden, opens as a garden; any other
// picture becomes one of the garden's pictures; anything else is read as a
// garden file and refused with the reason.
function carriesFiles(event) {
  return event.dataTransfer && Array.from(event.dataTransfer.types).includes('Files');
}
document.addEventListener('dragover', (event) => {
  if (!carriesFiles(event)) return;
  event.preventDefault();
  event.dataTransfer.dropEffect = 'copy';
});
document.addEventListener('drop', (event) => {
  if (!carriesFiles(event)) return;
  event.preventDefault();
  const [file] = event.dataTransfer.files;
  if (!file || !garden.isRunning()) return;
  if (isGardenFile(file) || !file.type.startsWith('image/')) openGardenFile(file);
  else isGardenPicture(file).then((isGarden) => (isGarden ? openGardenFile(file) : usePhoto(file)));
});

// ---- The offline copy -----------------------------------------------------------

function keepSiteOffline() {
  if ('serviceWorker' in navigator) {
    navigator.serviceWorker.register(versioned('sw.js')).catch((error) => console.warn('offline copy not kept:', error));
  }
}

// work() once the garden has shown a frame and the page has a quiet moment.
function afterFirstFrame(work) {
  const whenIdle = () => (window.requestIdleCallback ? requestIdleCallback(work, { timeout: 2000 }) : setTimeout(work, 200));
  if (performance.getEntriesByName('sandmere-first-frame').length) return whenIdle();
  let waiting = true;
  garden.onFrame(() => {
    if (waiting) whenIdle();
    waiting = false;
  });
}

// ---- The garden -------------------------------------------------------------------

// A file of the garden's build named with the garden's version: one name
// for one build's glue and WebAssembly, which the offline copy serves
// from its cache first (sw.js, VERSIONED).
const versioned = (file) => `${file}?v=${encodeURIComponent(GARDEN_VERSION)}`;

function startGarden() {
  keeper.beginReading();
  beginReadingPainted();
  beginReadingPictures();
  const linkedGarden = takeLinkedGarden().catch((error) => say(`The link's garden cannot be opened (${error.message}).`));

  Module = {
    canvas,
    // The garden's WebAssembly by its version: the offline copy serves it
    // from the browser's cache, where the compiled module is kept with it.
    locateFile: (file, folder) => `${folder}${versioned(file)}`,
    print: (text) => showLine(text, 'out'),
    printErr: (text) => showLine(text, 'err'),
    preRun: [
      () => {
        Module.addRunDependency('kept-garden');
        linkedGarden.finally(() => Module.removeRunDependency('kept-garden'));
      },
      () => {
        Module.addRunDependency('kept-pictures');
        writePainted(Module.FS)
          .then(() => writeKeptPictures(Module.FS))
          .finally(() => Module.removeRunDependency('kept-pictures'));
      },
    ],
    postRun: [
      async () => {
        if (gardenEnded) return;
        garden.setRunning(true);
        snapshot.keepStart();
        markStart();
        startGestures(canvas);
        startPictures();
        startSharing();
        startPicture();
        startSound();
        await keeper.restore(say);
        takeGivenGardens().catch((error) => say(`The garden given to the page cannot be opened (${error.message}).`));
        garden.acceptInput(true);
        startControls();
        canvas.focus({ preventScroll: true });
        main.dataset.started = '';
        // The site's files are all here by now: copying them for offline use
        // no longer competes with the garden's start; nor, once the first
        // plan is shown and the page is idle, does keeping the painted
        // pictures.
        keepSiteOffline();
        afterFirstFrame(() => keepPainted(Module.FS));
      },
    ],
    // The garden found that the canvas gives it no WebGL 2 context.
    onCannotDraw: showCannotDraw,
    onExit: (status) => {
      keeper.gardenEnded(status);
      if (cannotDraw) main.dataset.exitStatus = String(status);
      else showEnd(`The garden has ended with status ${status}.`, status);
    },
    onAbort: (what) => showEnd(`The garden stopped: ${what}`),
    onGardenEnd: (status) => {
      if (!snapshot.startKept()) return false;
      runtimeHeld = true;
      Module.onExit(status);
      return true;
    },
  };
  garden.attach(Module);
  snapshot.attach(Module);
  window.Module = Module;

  // What the page's tests read: the record as it stands, written now on
  // request, and the picture Save picture makes.
  window.sandmereRecord = {
    events: () => keeper.recordNow(),
    flush: () => keeper.flush(),
    picture: () => shownPicture(),
    // The garden of another record, from the latest moment of this one that
    // fits it (its count of events: 0 for a fresh garden).
    replace: (events) => keeper.replaceRecord(events),
    moments: () => keeper.momentsKept(),
    // A moment kept with the record now; where this start began.
    keepMoment: () => keeper.keepMomentNow(),
    startedAt: () => keeper.startedAt(),
  };

  // The WebAssembly is asked for beside the glue, not after it.
  const wasm = Object.assign(document.createElement('link'), { rel: 'preload', as: 'fetch', type: 'application/wasm' });
  wasm.crossOrigin = 'anonymous';
  wasm.href = versioned('sandmere.wasm');
  document.head.append(wasm);
  const script = document.createElement('script');
  script.src = versioned('sandmere.js');
  document.body.append(script);
}

if (browserHasWebGl2()) startGarden();
else showCannotDraw();
