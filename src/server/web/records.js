// Timer records as Pellow reads and writes them, the commands the page offers on them, and
// their colours. Commands change a record in place; `now` is seconds since 1970.

import { isFinished, trimSpacesAndTabs } from './timetexts.js';

// Starts or resumes; a finished countdown starts again from its full length.
export function startTimer(t, now) {
  if (isFinished(t, now)) {
    t.banked = 0;
    t.warned = [];
  }
  t.startedAt = now;
  t.running = true;
  t.alerted = false;
}

// Banks the stretch just ended; startedAt and alerted stay.
export function pauseTimer(t, now) {
  t.banked += Math.max(0, now - t.startedAt);
  t.running = false;
}

// A countdown that has run out, whether or not a desktop has marked it finished yet, starts
// again from its full length; anything else pauses when running and starts when not.
export function toggleRun(t, now) {
  if (t.running && !isFinished(t, now)) pauseTimer(t, now);
  else startTimer(t, now);
}

export function startOver(t, now) {
  t.banked = 0;
  t.warned = [];
  t.alerted = false;
  t.startedAt = now;
  t.running = true;
}

// Puts a copy of `saved` back where it stood: over the record with its id, or at `index` when
// that record is gone.
export function restoreRecord(timers, saved, index) {
  const at = timers.findIndex((t) => t.id === saved.id);
  const copy = JSON.parse(JSON.stringify(saved));
  if (at >= 0) timers[at] = copy;
  else timers.splice(Math.min(index, timers.length), 0, copy);
}

// A fresh identifier: an upper-case random UUID, as Pellow gives its own timers.
export function newId() {
  const bytes = crypto.getRandomValues(new Uint8Array(16));
  bytes[6] = (bytes[6] & 0x0f) | 0x40;
  bytes[8] = (bytes[8] & 0x3f) | 0x80;
  const hex = Array.from(bytes, (b) => b.toString(16).padStart(2, '0')).join('').toUpperCase();
  return `${hex.slice(0, 8)}-${hex.slice(8, 12)}-${hex.slice(12, 16)}-${hex.slice(16, 20)}-${hex.slice(20)}`;
}

// A new countdown of `seconds`, already started. No colour means the key is left out.
export function makeTimer({ name, color, seconds, now }) {
  const t = {
    id: newId(),
    label: trimSpacesAndTabs(name),
    mode: 'down',
    duration: seconds,
    banked: 0,
    startedAt: 0,
    running: false,
    alerted: false,
    warned: [],
  };
  if (color) t.color = color;
  startTimer(t, now);
  return t;
}

export const PALETTE = [
  ['red', 'Red', [215, 58, 48]],
  ['orange', 'Orange', [232, 122, 20]],
  ['yellow', 'Yellow', [244, 199, 44]],
  ['green', 'Green', [46, 145, 70]],
  ['teal', 'Teal', [28, 140, 148]],
  ['blue', 'Blue', [24, 106, 214]],
  ['indigo', 'Indigo', [78, 74, 180]],
  ['purple', 'Purple', [134, 62, 176]],
  ['pink', 'Pink', [214, 70, 140]],
  ['graphite', 'Graphite', [88, 92, 98]],
];

const rgb = ([r, g, b]) => `rgb(${r}, ${g}, ${b})`;

// The CSS colour of a stored colour (a palette key or "#RRGGBB"), or null for none. A custom
// colour is read as Pellow reads it: leading white space and "0x" allowed, hexadecimal digits
// up to the first other character, the low three bytes taken.
export function resolveColor(stored) {
  if (typeof stored !== 'string') return null;
  if (stored.startsWith('#')) {
    const scan = /^\s*(0[xX](?![0-9a-fA-F]))?(?:0[xX])?([0-9a-fA-F]*)/.exec(stored.slice(1));
    if (scan[1]) return rgb([0, 0, 0]);
    if (!scan[2]) return null;
    const value = BigInt(`0x${scan[2]}`);
    const n = Number(value >= 2n ** 64n ? 0xffffffn : value & 0xffffffn); // past 64 bits: white
    return rgb([(n >> 16) & 0xff, (n >> 8) & 0xff, n & 0xff]);
  }
  const entry = PALETTE.find(([key]) => key === stored);
  return entry ? rgb(entry[2]) : null;
}
