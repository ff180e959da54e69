// Moments of the running garden, kept whole and put back: the garden's
// WebAssembly memory, and what the GL layer's GPU must hold for it (the
// texels of every texture changed since the start, web/webgl.cpp keeps
// the books). The garden's start is kept once, right after start-up; a
// later moment is kept as the pages of memory that differ from it, and
// the textures' texels it needs. Putting one back gives the very garden
// of that moment in milliseconds: a fresh garden, or one part way through
// a replay. Memory is only ever copied between two events, where nothing
// of the garden's runs, so the stack is where it was.

// The unit of comparison: most of a later moment's memory is the start's.
export const PAGE_BYTES = 4096;

let Module = null;
let start = null;
// The copies of texels the start needs and the GPU no longer holds, made
// just before they changed (generation to { width, height, rgba }).
let startCopies = new Map();
let depth = 0;
// The copies the last moment took: a texture unchanged since needs no new
// one. And its pages, by index: a page unchanged since is shared.
let lastCopies = new Map();
let lastPages = new Map();

// Called once, with Emscripten's Module, before the garden's script loads.
export function attach(module) {
  Module = module;
}

// Every call into the garden goes through here, so that memory is never
// copied inside one.
export function inGarden(work) {
  ++depth;
  try {
    work();
  } finally {
    --depth;
  }
}

// stackLeftBehind: the garden ended inside a call, which left its stack
// pointer where it was; nothing is on the stack now.
function atTopOfLoop({ stackLeftBehind = false } = {}) {
  if (depth) throw new Error('a moment of the garden is kept or put back only between its events');
  if (stackLeftBehind) return Module.stackRestore(start.stack);
  const stack = Module.stackSave ? Module.stackSave() : 0;
  if (start && stack !== start.stack) throw new Error('the garden\'s stack is not where it was at its start');
}

// Keeps the garden as start-up left it. later() tells whether a start
// has been kept.
export function keepStart() {
  atTopOfLoop();
  Module._sandmereSettle(0);
  const textures = Module.layerTextures || new Map();
  Module.layerStartTextures = new Set(textures.keys());
  Module.layerStartGenerations = new Set([...textures.values()].map((held) => held.generation));
  Module.layerTextureCopies = startCopies;
  start = { memory: Module.HEAPU8.slice(), stack: Module.stackSave ? Module.stackSave() : 0 };
}
export const startKept = () => start !== null;
export const startBytes = () => start.memory;

// The garden now, as a moment: { length, pages (their indices), data
// (each of those pages' bytes, shared with the last moment where they are
// the same), copies (generation to texels) }.
export function keepMoment() {
  atTopOfLoop();
  for (const [generation, copy] of lastCopies) Module.layerTextureCopies.set(generation, copy);
  Module._sandmereSettle(1);
  const heap = Module.HEAPU8;
  const now = new Int32Array(heap.buffer, 0, heap.length >> 2);
  const was = new Int32Array(start.memory.buffer, 0, start.memory.length >> 2);
  const words = PAGE_BYTES >> 2;
  const pages = [];
  for (let page = 0, at = 0; at < now.length; ++page, at += words) {
    const end = at + words;
    if (at >= was.length) {
      // Memory grown since the start: a page of zeros is what putting the
      // start back leaves there.
      for (let i = at; i < end; ++i)
        if (now[i] !== 0) {
          pages.push(page);
          break;
        }
      continue;
    }
    for (let i = at; i < end; ++i)
      if (now[i] !== was[i]) {
        pages.push(page);
        break;
      }
  }
  const data = pages.map((page) => {
    const bytes = heap.subarray(page * PAGE_BYTES, (page + 1) * PAGE_BYTES);
    const last = lastPages.get(page);
    if (last && samePage(last, bytes)) return last;
    return bytes.slice();
  });
  lastPages = new Map(pages.map((page, i) => [page, data[i]]));
  // What the moment needs of the textures: the copies just made, which
  // the moment takes with it.
  const copies = new Map();
  for (const held of Module.layerTextures.values()) {
    const copy = Module.layerTextureCopies.get(held.generation);
    if (copy && !Module.layerStartGenerations.has(held.generation)) copies.set(held.generation, copy);
  }
  for (const generation of Module.layerTextureCopies.keys())
    if (!Module.layerStartGenerations.has(generation)) Module.layerTextureCopies.delete(generation);
  lastCopies = copies;
  return { length: heap.length, pages: Uint32Array.from(pages), data, copies };
}

function samePage(a, b) {
  const x = new Int32Array(a.buffer, a.byteOffset, PAGE_BYTES >> 2);
  const y = new Int32Array(b.buffer, b.byteOffset, PAGE_BYTES >> 2);
  for (let i = 0; i < x.length; ++i) if (x[i] !== y[i]) return false;
  return true;
}

// The bytes some moments hold, each page and copy they share counted once.
export function momentsBytes(moments) {
  const held = new Set();
  for (const moment of moments) {
    moment.data.forEach((page) => held.add(page));
    for (const copy of moment.copies.values()) held.add(copy.rgba);
  }
  return [...held].reduce((sum, bytes) => sum + bytes.length, 0);
}

// Puts the garden back to its start, or to a moment; fromElsewhere: the
// moment was kept by another start of the page; stackLeftBehind, see
// atTopOfLoop. Throws when the moment cannot be put back whole, leaving
// the garden at its start.
export function putBack(moment = null, { fromElsewhere = false, stackLeftBehind = false } = {}) {
  atTopOfLoop({ stackLeftBehind });
  if (moment && moment.length > Module.HEAPU8.length && !Module._sandmereMakeRoom(moment.length))
    throw new Error('no room for the garden\'s memory');
  Module.closeGardenMenus();
  const heap = Module.HEAPU8;
  heap.set(start.memory);
  heap.fill(0, start.memory.length);
  if (moment) {
    const { pages, data } = moment;
    for (let i = 0; i < pages.length; ++i) heap.set(data[i], pages[i] * PAGE_BYTES);
  }
  Module.layerTextureCopies = new Map([...startCopies, ...(moment ? moment.copies : [])]);
  let whole;
  try {
    whole = Module._sandmereResume(fromElsewhere ? 1 : 0);
  } finally {
    Module.layerTextureCopies = startCopies;
  }
  if (!whole) {
    if (moment) putBack(null);
    throw new Error('the texels of that moment are lost');
  }
}
