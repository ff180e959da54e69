// The mouse, fingers, wheel and keys on the garden, as the garden's own
// events. In the plan, one finger or the left button rakes exactly as the
// desktop's mouse does: a pointer at (x, y) on the shown canvas is the
// window pixel floor((x - left) * 600 / width), and the same for y, so a
// stroke on any screen gives the plan the same window pixels would give.
// In 3-D, a drag turns and tilts the camera and a pinch or the wheel moves
// it closer or back, each step one of the garden's own camera keys, so the
// limits and the arithmetic stay the garden's and a drag back undoes a
// drag exactly.
import * as garden from './garden.js';
import { MAX_POSITION } from './record.js';

// A swipe across the whole garden turns it by this many one-degree key
// presses, and tilts it as far.
const TURN_STEPS_ACROSS = 135;
// A pinch that opens by the garden's width moves the camera this many
// steps closer.
const DOLLY_STEPS_ACROSS = 120;
// Wheel pixels per step closer or back.
const WHEEL_PIXELS_PER_STEP = 20;
const WHEEL_LINE_PIXELS = 16;

const KEY = { left: 'a', right: 'd', up: 'w', down: 's', closer: 'e', back: 'c' };
// Keys named by the browser that the desktop's GLUT hands over as characters.
const NAMED_KEYS = { Enter: 13, Escape: 27, Backspace: 8, Delete: 127 };

const menuOpen = () => document.querySelector('[role="menu"]') !== null;

let canvas;
// The pointers down on the canvas, by id: { x, y, button, kind }.
const pointers = new Map();
// The camera gesture under way: the steps already sent since its start.
let orbit = null;
let pinch = null;
let wheelPixels = 0;
const rakeListeners = [];

// listener(x, y, timeStamp) for each motion of a stroke in the plan (it
// rakes when the rake is the tool), listener(null) when the stroke ends.
export function onRake(listener) {
  rakeListeners.push(listener);
}

function windowPixel(event) {
  const box = canvas.getBoundingClientRect();
  const { width, height } = garden.windowSize();
  const clamp = (v) => Math.max(-MAX_POSITION, Math.min(MAX_POSITION, v));
  return {
    x: clamp(Math.floor(((event.clientX - box.left) * width) / box.width)),
    y: clamp(Math.floor(((event.clientY - box.top) * height) / box.height)),
  };
}

const stepSize = (across) => canvas.getBoundingClientRect().width / across;

// Sends key presses until `sent` reaches `wanted`: positive steps press
// `forward`, negative ones `backward`. Gives the new count.
function stepTo(sent, wanted, forward, backward) {
  for (; sent < wanted; ++sent) garden.sendKey(forward);
  for (; sent > wanted; --sent) garden.sendKey(backward);
  return sent;
}

function startOrbit(event) {
  orbit = { id: event.pointerId, x: event.clientX, y: event.clientY, across: 0, up: 0 };
}

function moveOrbit(event) {
  const step = stepSize(TURN_STEPS_ACROSS);
  const across = Math.trunc((event.clientX - orbit.x) / step);
  const down = Math.trunc((event.clientY - orbit.y) / step);
  // The garden follows the finger, as a turntable would: dragged right,
  // its near side goes right (the camera goes round the other way); dragged
  // down, the camera rises and more of the garden comes into view.
  orbit.across = stepTo(orbit.across, across, KEY.left, KEY.right);
  orbit.up = stepTo(orbit.up, down, KEY.up, KEY.down);
}

const distance = (a, b) => Math.hypot(a.x - b.x, a.y - b.y);

function startPinch() {
  const [a, b] = [...pointers.values()];
  pinch = { start: distance(a, b), sent: 0 };
  orbit = null;
}

function movePinch() {
  const [a, b] = [...pointers.values()];
  const wanted = Math.trunc((distance(a, b) - pinch.start) / stepSize(DOLLY_STEPS_ACROSS));
  pinch.sent = stepTo(pinch.sent, wanted, KEY.closer, KEY.back);
}

function pointerDown(event) {
  if (!garden.isRunning() || menuOpen()) return;
  const button = event.pointerType === 'mouse' ? event.button : garden.LEFT_BUTTON;
  if (garden.buttonHasMenu(button)) return;
  if (pointers.size >= 2) return;
  const inPlan = garden.state().mode === garden.PLAN;
  // A second finger never rakes; in 3-D it starts a pinch.
  if (pointers.size === 1) {
    if (!inPlan && event.pointerType === 'touch') {
      pointers.set(event.pointerId, { x: event.clientX, y: event.clientY, button, kind: 'pinch' });
      canvas.setPointerCapture(event.pointerId);
      startPinch();
    }
    return;
  }
  event.preventDefault();
  canvas.focus({ preventScroll: true });
  canvas.setPointerCapture(event.pointerId);
  const kind = inPlan ? 'rake' : button === garden.LEFT_BUTTON ? 'orbit' : 'none';
  const at = windowPixel(event);
  pointers.set(event.pointerId, { x: event.clientX, y: event.clientY, button, kind, last: at });
  if (kind === 'rake') garden.deliver({ type: 'mouse', button, state: garden.DOWN, ...at });
  else if (kind === 'orbit') startOrbit(event);
}

function pointerMove(event) {
  const pointer = pointers.get(event.pointerId);
  if (!pointer) return;
  pointer.x = event.clientX;
  pointer.y = event.clientY;
  if (menuOpen() || !garden.isRunning()) return;
  if (pinch) return movePinch();
  if (pointer.kind === 'orbit' && orbit) return moveOrbit(event);
  if (pointer.kind !== 'rake') return;
  const steps = event.getCoalescedEvents ? event.getCoalescedEvents() : [];
  for (const step of steps.length ? steps : [event]) {
    const at = windowPixel(step);
    // GLUT reports motion only when the pointer reaches another pixel.
    if (at.x === pointer.last.x && at.y === pointer.last.y) continue;
    pointer.last = at;
    garden.deliver({ type: 'motion', ...at });
    rakeListeners.forEach((listener) => listener(at.x, at.y, step.timeStamp));
  }
}

function pointerUp(event) {
  const pointer = pointers.get(event.pointerId);
  if (!pointer) return;
  pointers.delete(event.pointerId);
  if (pointer.kind === 'rake') {
    rakeListeners.forEach((listener) => listener(null));
    garden.deliver({ type: 'mouse', button: pointer.button, state: garden.UP, ...windowPixel(event) });
  }
  if (pinch) {
    pinch = null;
    // The finger still down turns the camera from where it is now.
    const [id, rest] = [...pointers.entries()][0] || [];
    if (rest && garden.state().mode !== garden.PLAN) {
      rest.kind = 'orbit';
      startOrbit({ pointerId: id, clientX: rest.x, clientY: rest.y });
    }
  }
  if (orbit && orbit.id === event.pointerId) orbit = null;
}

function wheel(event) {
  if (!garden.isRunning() || menuOpen() || garden.state().mode === garden.PLAN) return;
  event.preventDefault();
  const scale = event.deltaMode === 1 ? WHEEL_LINE_PIXELS : event.deltaMode === 2 ? garden.windowSize().height : 1;
  wheelPixels += event.deltaY * scale;
  const steps = Math.trunc(wheelPixels / WHEEL_PIXELS_PER_STEP);
  wheelPixels -= steps * WHEEL_PIXELS_PER_STEP;
  // The wheel turned away from the person moves the camera closer.
  stepTo(0, -steps, KEY.closer, KEY.back);
}

// Keys typed with the garden (or nothing else) in focus go to the garden,
// as characters; keys meant for the page's controls stay theirs.
function keyDown(event) {
  if (!garden.isRunning() || menuOpen() || event.defaultPrevented) return;
  const target = event.target;
  if (target !== canvas && target !== document.body && target !== document.documentElement) return;
  if (event.ctrlKey || event.metaKey || event.altKey) return;
  const code = event.key.length === 1 ? event.key.charCodeAt(0) : NAMED_KEYS[event.key];
  if (!code || code > 255) return;
  if (target === canvas) event.preventDefault();
  garden.deliver({ type: 'key', key: code });
}

export function startGestures(gardenCanvas) {
  canvas = gardenCanvas;
  canvas.addEventListener('pointerdown', pointerDown);
  canvas.addEventListener('pointermove', pointerMove);
  canvas.addEventListener('pointerup', pointerUp);
  canvas.addEventListener('pointercancel', pointerUp);
  canvas.addEventListener('lostpointercapture', pointerUp);
  canvas.addEventListener('wheel', wheel, { passive: false });
  window.addEventListener('keydown', keyDown);
  // Touches on the garden are the garden's: no scrolling, zooming or
  // mouse events made up after a tap.
  canvas.addEventListener('touchstart', (event) => event.preventDefault(), { passive: false });
}
