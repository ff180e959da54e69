// The garden's controls in words: its menu entries and its keys as
// buttons, each handed to the garden exactly as the pop-up menu or the
// keyboard hands it, and shown in the mode where it acts. What is chosen
// is read back from the garden after every event, however it came.
import * as garden from './garden.js';

const main = document.querySelector('main');
const canvas = document.getElementById('garden');
const modeNews = document.getElementById('mode-news');
const modeButton = document.querySelector('button[data-key="i"] .name');

const MODES = {
  [garden.PLAN]: {
    name: 'plan',
    canvasLabel:
      "The garden's plan: drag to rake the sand, click to place the chosen rock; right-click or long-press for the menu",
    modeButton: '3-D view',
    news: 'The plan: drag on the sand to rake it.',
  },
  [garden.SCENE]: {
    name: 'scene',
    canvasLabel:
      'The garden in 3-D: drag to turn and tilt the camera, pinch or use the wheel to move it closer or back; ' +
      'right-click or long-press for the menu',
    modeButton: 'Plan',
    news: 'The garden in 3-D: drag to turn it.',
  },
};

// Which chosen thing each menu entry's button shows, by its label.
const PRESSED_WHEN = {
  'One-Tine': (s) => s.tool === garden.RAKE_TOOL && s.rake === 0,
  'Three-Tine': (s) => s.tool === garden.RAKE_TOOL && s.rake === 1,
  'Five-Tine': (s) => s.tool === garden.RAKE_TOOL && s.rake === 2,
  'Place Small Rock': (s) => s.tool === 1,
  'Place Large Rock': (s) => s.tool === 2,
  'Use Light Sand': (s) => s.darkSand === 0,
  'Use Dark Sand': (s) => s.darkSand === 1,
};

// What the controls show now, as garden.state() gave it; null before the
// first showing.
let shown = null;

// Shows what the garden's state is now: read after every event, and
// shown again only when it changed.
function showState() {
  const now = garden.state();
  if (shown && Object.keys(now).every((key) => now[key] === shown[key])) return;
  const mode = MODES[now.mode];
  main.dataset.mode = mode.name;
  for (const group of document.querySelectorAll('[data-acts-in]')) group.hidden = group.dataset.actsIn !== mode.name;
  for (const button of document.querySelectorAll('button[data-menu-entry]')) {
    const pressed = PRESSED_WHEN[button.dataset.menuEntry];
    if (pressed) button.setAttribute('aria-pressed', String(pressed(now)));
  }
  if (!shown || shown.mode !== now.mode) {
    canvas.setAttribute('aria-label', mode.canvasLabel);
    modeButton.textContent = mode.modeButton;
    // Announced on a change, not at the start.
    if (shown) modeNews.textContent = mode.news;
  }
  shown = now;
}

// Wires the buttons to the garden once it has built its menus.
export function startControls() {
  const entries = garden.menuEntries();
  for (const button of document.querySelectorAll('button[data-menu-entry]')) {
    const entry = entries.find((e) => e.label === button.dataset.menuEntry);
    if (!entry) {
      button.hidden = true;
      continue;
    }
    button.addEventListener('click', () => garden.deliver({ type: 'menu', menu: entry.menu, value: entry.value }));
  }
  for (const button of document.querySelectorAll('button[data-key]'))
    button.addEventListener('click', () => garden.sendKey(button.dataset.key));
  garden.onHandled(showState);
  garden.onReplaced(showState);
  showState();
  startFullscreen();
  startInstalling();
}

// The controls the garden's end disabled, for a fresh garden to enable.
let disabledByEnd = [];
export function disableControls() {
  disabledByEnd = [...document.querySelectorAll('.controls button, .keeping button')].filter(
    (button) => button.id !== 'fullscreen' && !button.disabled,
  );
  for (const button of disabledByEnd) button.disabled = true;
}
export function enableControls() {
  for (const button of disabledByEnd) button.disabled = false;
  disabledByEnd = [];
}

function startFullscreen() {
  const button = document.getElementById('fullscreen');
  if (!document.fullscreenEnabled) return;
  button.hidden = false;
  // The whole page, not the canvas: the garden's buffer keeps its size.
  button.addEventListener('click', () => {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    else document.documentElement.requestFullscreen({ navigationUI: 'hide' }).catch(() => {});
  });
  document.addEventListener('fullscreenchange', () =>
    button.setAttribute('aria-pressed', String(document.fullscreenElement !== null)),
  );
}

function startInstalling() {
  const button = document.getElementById('install');
  let offer = null;
  window.addEventListener('beforeinstallprompt', (event) => {
    event.preventDefault();
    offer = event;
    button.hidden = false;
  });
  button.addEventListener('click', async () => {
    if (!offer) return;
    const chosen = offer;
    offer = null;
    button.hidden = true;
    await chosen.prompt();
  });
  window.addEventListener('appinstalled', () => {
    button.hidden = true;
  });
  // iOS has no prompt: the Share menu adds the page to the home screen.
  const ios = /iPhone|iPad|iPod/.test(navigator.userAgent) || (navigator.platform === 'MacIntel' && navigator.maxTouchPoints > 1);
  const standalone = window.matchMedia('(display-mode: standalone)').matches || navigator.standalone === true;
  document.getElementById('ios-hint').hidden = !ios || standalone;
}
