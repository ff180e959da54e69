// The page's handle on the running garden: the one way in for every
// event (delivered to the garden's own handlers, exactly as the desktop's
// GLUT would deliver it), a small read-only window onto the state the page
// shows, and the pixels the window shows. Everything else on the page goes
// through here.

import { RIGHT_BUTTON } from './version.js';

// The garden's own values, as the build took them from its definitions:
// GLUT's buttons and button states, displayMode's two values, the rake tool.
export { DOWN, LEFT_BUTTON, PLAN, RAKE_TOOL, RIGHT_BUTTON, SCENE, UP } from './version.js';

import { inGarden } from './snapshot.js';

let Module = null;

// The garden's window, in pixels: the canvas's drawing buffer, whatever
// size the canvas is shown at.
export const windowSize = () => ({ width: Module.canvas.width, height: Module.canvas.height });
let running = false;
const deliveredListeners = [];
const handledListeners = [];
const frameListeners = [];

// Called once, with Emscripten's Module, before the garden's script loads.
export function attach(module) {
  Module = module;
  module.onGardenFrame = () => frameListeners.forEach((listener) => listener());
  module.onMenuChoice = (menu, value) => deliver({ type: 'menu', menu, value });
}

// From the end of start-up until the garden ends.
export function setRunning(isRunning) {
  running = isRunning;
}
export const isRunning = () => running;

// Whether the person's input reaches the garden: not while the page brings
// a kept garden back, which comes first.
let accepting = false;
export function acceptInput(on) {
  accepting = on;
}

// listener(event) after each event the garden has been handed.
export function onDelivered(listener) {
  deliveredListeners.push(listener);
}
// listener(event) once the garden's handler has taken it.
export function onHandled(listener) {
  handledListeners.push(listener);
}
// listener() once the garden has been put back to another moment (a
// fresh garden, a replay from a kept moment): its whole state may differ.
const replacedListeners = [];
export function onReplaced(listener) {
  replacedListeners.push(listener);
}
export const replaced = () => replacedListeners.forEach((listener) => listener());
// listener() after each frame the garden has drawn and shown.
export function onFrame(listener) {
  frameListeners.push(listener);
}

// Hands one event to the garden's handler for it:
//   { type: 'mouse', button, state, x, y }  onMouseButton
//   { type: 'motion', x, y }                onMouseDrag
//   { type: 'key', key }                    onKey, key a character code
//   { type: 'menu', menu, value }           a menu's callback
// Positions are window pixels, origin at the top left, as GLUT gives them.
// The listeners hear of it first: the garden may end inside its handler.
export function deliver(event) {
  if (!running || !accepting) return;
  deliveredListeners.forEach((listener) => listener(event));
  call(() => handle(event));
  if (running) handledListeners.forEach((listener) => listener(event));
}

// The same, for a replay: no listener hears of it.
export function deliverQuietly(event) {
  call(() => handle(event));
}

function handle(event) {
  switch (event.type) {
    case 'mouse':
      return Module._sandmereMouse(event.button, event.state, event.x, event.y);
    case 'motion':
      return Module._sandmereMotion(event.x, event.y);
    case 'key':
      return Module._sandmereKey(event.key);
    case 'menu':
      return Module._sandmereChooseMenuValue(event.menu, event.value);
    default:
      throw new Error(`no such event: ${event.type}`);
  }
}

// Draws a frame now, as the garden draws one when it is asked to.
export function drawFrame() {
  call(() => Module._sandmereDrawFrame());
}

// How the next frames are made: SHOWN as always; UNSHOWN, drawn whole but
// not shown on the canvas; READ_BACK_ONLY, not shown and drawn only where
// the garden reads them back while drawing them.
export const SHOWN = 0;
export const UNSHOWN = 1;
export const READ_BACK_ONLY = 2;
export function frameMode(mode) {
  Module._sandmereFrameMode(mode);
}

// Every call into the garden: its exit() ends it cleanly.
function call(work) {
  inGarden(() => Module.callGarden(work));
}

export const sendKey = (character) => deliver({ type: 'key', key: character.charCodeAt(0) });

// ---- What the page shows of the garden's state ----------------------------

export function state() {
  return {
    mode: Module._sandmereDisplayMode(),
    rake: Module._sandmereRakeType(),
    tool: Module._sandmereEditTool(),
    darkSand: Module._sandmereDarkSand(),
  };
}

// Whether presses of a mouse button open a menu instead of reaching the
// garden.
export const buttonHasMenu = (button) => Module._sandmereAttachedMenu(button) !== 0;

function cString(address) {
  const memory = Module.HEAPU8;
  return new TextDecoder().decode(memory.subarray(address, memory.indexOf(0, address)));
}

// The garden's menu entries that choose something, as it built them:
// { label, menu, value } each, submenus walked.
export function menuEntries() {
  const entries = [];
  const walk = (menu) => {
    const count = Module._sandmereMenuSize(menu);
    for (let entry = 0; entry < count; ++entry) {
      const submenu = Module._sandmereMenuSubmenu(menu, entry);
      if (submenu) walk(submenu);
      else
        entries.push({
          label: cString(Module._sandmereMenuLabel(menu, entry)),
          menu,
          value: Module._sandmereMenuValue(menu, entry),
        });
    }
  };
  const attached = Module._sandmereAttachedMenu(RIGHT_BUTTON);
  if (attached) walk(attached);
  return entries;
}

// The pictures the garden reads: { fileName, side } each.
export function pictures() {
  const list = [];
  const count = Module._sandmerePictureCount();
  for (let i = 0; i < count; ++i)
    list.push({ fileName: cString(Module._sandmerePictureFile(i)), side: Module._sandmerePictureSide(i) });
  return list;
}

// The window's picture as shown now: ImageData, top row first.
export function shownPixels() {
  const { width, height } = windowSize();
  const at = Module._malloc(width * height * 4);
  try {
    if (!Module._sandmereShownPixels(at, width, height)) throw new Error('the garden shows no picture');
    const image = new ImageData(width, height);
    const row = width * 4;
    // The window's rows come bottom first.
    for (let y = 0; y < height; ++y)
      image.data.set(Module.HEAPU8.subarray(at + (height - 1 - y) * row, at + (height - y) * row), y * row);
    // The window has no alpha of its own: what it shows is opaque.
    for (let i = 3; i < image.data.length; i += 4) image.data[i] = 255;
    return image;
  } finally {
    Module._free(at);
  }
}

// The garden's BMP writer, for a picture the page makes: width x height
// RGBA pixels, top row first; the file's bytes, or null.
export function writeBmp(pixels, side, fileName) {
  const scratch = '/tmp/' + fileName;
  const name = new TextEncoder().encode(scratch + '\0');
  const pixelsAt = Module._malloc(pixels.length);
  const nameAt = Module._malloc(name.length);
  try {
    Module.HEAPU8.set(pixels, pixelsAt);
    Module.HEAPU8.set(name, nameAt);
    if (!Module._sandmereWritePicture(pixelsAt, side, side, nameAt)) return null;
    return Module.FS.readFile(scratch);
  } finally {
    Module._free(pixelsAt);
    Module._free(nameAt);
    if (Module.FS.analyzePath(scratch).exists) Module.FS.unlink(scratch);
  }
}
