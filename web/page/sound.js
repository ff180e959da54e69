// A soft sound of raking, made as it is heard: noise through a band-pass
// filter, louder and brighter as the rake moves faster, only while a
// stroke rakes the plan. Off unless the person turns it on, and
// remembered; while it is off no audio context exists at all.
import * as garden from './garden.js';
import { onRake } from './gestures.js';

const SWITCH_KEY = 'sandmere.sound';
const button = document.getElementById('sound');
// Speeds in window pixels per second: the loudest sound from this on.
const LOUDEST_SPEED = 1500;
const LOUDEST_GAIN = 0.22;
// How quickly the sound follows the rake, in seconds.
const FOLLOW = 0.05;

let on = false;
let sound = null;
let last = null;

function makeSound() {
  const context = new AudioContext();
  const noise = context.createBuffer(1, context.sampleRate * 2, context.sampleRate);
  const samples = noise.getChannelData(0);
  for (let i = 0; i < samples.length; ++i) samples[i] = Math.random() * 2 - 1;
  const source = context.createBufferSource();
  source.buffer = noise;
  source.loop = true;
  const filter = context.createBiquadFilter();
  filter.type = 'bandpass';
  filter.frequency.value = 900;
  filter.Q.value = 0.8;
  const gain = context.createGain();
  gain.gain.value = 0;
  source.connect(filter).connect(gain).connect(context.destination);
  source.start();
  return { context, filter, gain };
}

function follow(x, y, time) {
  if (!on) return;
  if (x === null) {
    last = null;
    if (sound) sound.gain.gain.setTargetAtTime(0, sound.context.currentTime, FOLLOW);
    return;
  }
  // A stroke with a rock tool moves no sand.
  if (garden.state().tool !== garden.RAKE_TOOL) return;
  // Made on the first stroke after the switch: a gesture lets it play.
  sound ??= makeSound();
  if (sound.context.state === 'suspended') sound.context.resume();
  if (last && time > last.time) {
    const speed = (Math.hypot(x - last.x, y - last.y) * 1000) / (time - last.time);
    const loudness = Math.min(1, speed / LOUDEST_SPEED);
    const now = sound.context.currentTime;
    sound.gain.gain.setTargetAtTime(loudness * LOUDEST_GAIN, now, FOLLOW);
    sound.filter.frequency.setTargetAtTime(600 + 1400 * loudness, now, FOLLOW);
  }
  last = { x, y, time };
}

function turn(wanted) {
  on = wanted;
  button.setAttribute('aria-pressed', String(on));
  try {
    localStorage.setItem(SWITCH_KEY, on ? 'on' : 'off');
  } catch {
    // Not remembered where nothing may be stored.
  }
  if (!on && sound) {
    sound.context.close();
    sound = null;
  }
}

export function startSound() {
  let remembered = 'off';
  try {
    remembered = localStorage.getItem(SWITCH_KEY) || 'off';
  } catch {
    // As if never turned on.
  }
  turn(remembered === 'on');
  button.addEventListener('click', () => turn(!on));
  onRake(follow);
}
