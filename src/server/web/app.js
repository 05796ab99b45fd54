// The phone page: pairing with a code, the live list, and the commands on it. Times are worked
// out here from each record and the phone's clock; the server only stores the list.

import { alertFinished, askForNotifications, notificationsAllowed, unlockAudioOnFirstTouch } from './alerts.js';
import { PALETTE, makeTimer, resolveColor, restoreRecord, startOver, toggleRun } from './records.js';
import { SyncClient } from './sync.js';
import {
  acceptedLength,
  clockText,
  displayName,
  isFinished,
  refusalOf,
  secondsToNextChange,
  shownSeconds,
  statusText,
} from './timetexts.js';

const PRESETS = [1, 5, 10, 15, 20, 30, 60]; // minutes
const CODE_LENGTH = 6;
const PULL_EVERY_MS = 5000;
const UNDO_FOR_MS = 5000;
const AFTER_CHANGE_MS = 15; // a redraw lands this long after the instant a clock changes
const ALERTS_KEY = 'pellow.alerts';
const SVG = 'http://www.w3.org/2000/svg';
const ICONS = { start: 'M8 5v14l11-7z', pause: 'M6 5h4v14H6zm8 0h4v14h-4z' };
const LENGTH_MESSAGES = {
  comma: 'Use a point, not a comma',
  short: 'A timer needs at least a second',
  unreadable: "Couldn't read that length",
};

const $ = (id) => document.getElementById(id);
const now = () => Date.now() / 1000;
const visible = () => document.visibilityState === 'visible';

const client = new SyncClient(localStorage, () => render());
let rowsFor = null; // the list the rows were built from
let redraw = 0; // the scheduled redraw
let counting = new Set(); // ids of countdowns seen running and not yet run out

function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

function icon() {
  const svg = document.createElementNS(SVG, 'svg');
  svg.setAttribute('viewBox', '0 0 24 24');
  svg.setAttribute('aria-hidden', 'true');
  svg.append(document.createElementNS(SVG, 'path'));
  return svg;
}

// Sets a text or attribute only when it differs, so an unchanged row is not touched.
function put(node, text) {
  if (node.textContent !== text) node.textContent = text;
}
function putAttribute(node, name, value) {
  if (node.getAttribute(name) !== value) node.setAttribute(name, value);
}

function buildRow(t, timers) {
  const row = element('li', 'timer');
  row.dataset.id = t.id;
  const color = resolveColor(t.color);
  const swatch = element('span', color ? 'swatch' : 'swatch none');
  if (color) swatch.style.setProperty('--swatch', color);
  const run = element('button', 'run');
  run.type = 'button';
  run.dataset.act = 'toggle';
  run.append(icon());
  const text = element('div', 'text');
  text.append(element('span', 'name', displayName(t, timers)), element('span', 'detail'));
  const main = element('div', 'main');
  main.dataset.act = 'toggle';
  main.append(run, swatch, text, element('span', 'clock'));
  const actions = element('div', 'actions');
  for (const [act, title] of [['over', 'Start over'], ['remove', 'Remove']]) {
    const button = element('button', act, title);
    button.type = 'button';
    button.dataset.act = act;
    actions.append(button);
  }
  row.append(main, actions);
  return row;
}

function updateRow(row, t, at) {
  const finished = isFinished(t, at);
  const running = t.running && !finished;
  row.classList.toggle('running', running);
  row.classList.toggle('finished', finished);
  put(row.querySelector('.clock'), clockText(shownSeconds(t, at)));
  put(row.querySelector('.detail'), statusText(t, at));
  const run = row.querySelector('.run');
  const name = row.querySelector('.name').textContent;
  putAttribute(run, 'aria-label', `${running ? 'Pause' : 'Start'} ${name}`);
  putAttribute(run.querySelector('path'), 'd', running ? ICONS.pause : ICONS.start);
}

function statusLine() {
  if (!client.paired || client.online) return '';
  const waiting = client.pending ? ' Your change will be sent when it is back.' : '';
  return `Can't reach the sync server. Showing the list as last seen.${waiting}`;
}

// Alerts once for each countdown this page saw running that has now run out.
function alertRunOut(timers, at) {
  const still = new Set();
  for (const t of timers) {
    if (!t.running || t.mode !== 'down') continue;
    if (!isFinished(t, at)) still.add(t.id);
    else if (counting.has(t.id)) {
      alertFinished(`${displayName(t, timers)} finished`, `${clockText(t.duration)} is up.`, t.id, alertsOn());
    }
  }
  counting = still;
}

// The next redraw: just after the soonest instant a shown clock changes.
function scheduleRedraw(timers, at) {
  clearTimeout(redraw);
  const waits = timers.map((t) => secondsToNextChange(t, at)).filter((s) => s !== null && s >= 0);
  if (waits.length === 0) return;
  const ms = Math.max(0, Math.min(...waits) * 1000) + AFTER_CHANGE_MS;
  redraw = setTimeout(render, Math.min(ms, 1000 + AFTER_CHANGE_MS));
}

function render() {
  $('pairing').hidden = client.paired;
  $('timers').hidden = !client.paired;
  put($('status'), statusLine());
  $('notice').hidden = !client.notice;
  put($('notice-text'), client.notice);
  showBar();
  showAlertsChoice();

  const timers = client.timers;
  const list = $('list');
  if (timers !== rowsFor) {
    rowsFor = timers;
    list.replaceChildren(...timers.map((t) => buildRow(t, timers)));
  }
  $('empty').hidden = timers.length > 0;
  const at = now();
  timers.forEach((t, i) => updateRow(list.children[i], t, at));
  alertRunOut(client.paired ? timers : [], at);
  scheduleRedraw(timers, at);
}

function edit(id, command) {
  client.change((timers) => {
    const index = timers.findIndex((t) => t.id === id);
    if (index >= 0) command(timers, index);
  });
}

// Undo: for a few seconds after Remove or Start over, the record as it was can be put back,
// which sends it as a new change.
let undoable = null;
let undoTimer = 0;

function showBar() {
  document.documentElement.classList.toggle('with-bar', !$('notice').hidden || !$('undo').hidden);
}

function offerUndo(text, saved, index) {
  undoable = { saved, index };
  put($('undo-text'), text);
  $('undo').hidden = false;
  showBar();
  clearTimeout(undoTimer);
  undoTimer = setTimeout(closeUndo, UNDO_FOR_MS);
}

function closeUndo() {
  undoable = null;
  $('undo').hidden = true;
  showBar();
}

$('undo-button').addEventListener('click', () => {
  if (undoable) {
    const { saved, index } = undoable;
    client.change((timers) => restoreRecord(timers, saved, index));
  }
  closeUndo();
});

const COMMANDS = {
  toggle: (timers, i) => toggleRun(timers[i], now()),
  over: (timers, i) => startOver(timers[i], now()),
  remove: (timers, i) => timers.splice(i, 1),
};
const UNDO_TEXTS = { over: (name) => `${name} started over.`, remove: (name) => `${name} removed.` };

// The start/pause button, Start over and Remove; a tap anywhere else on a row's top part is the
// same as its start/pause button.
$('list').addEventListener('click', (event) => {
  const target = event.target.closest('[data-act]');
  if (!target) return;
  const row = target.closest('li');
  const act = target.dataset.act;
  const index = client.timers.findIndex((t) => t.id === row.dataset.id);
  if (index < 0) return;
  const saved = client.timers[index];
  if (UNDO_TEXTS[act]) offerUndo(UNDO_TEXTS[act](displayName(saved, client.timers)), saved, index);
  edit(row.dataset.id, COMMANDS[act]);
});

// Pairing: the code is claimed once six code characters are typed, or on Pair.
const PAIR_MESSAGES = {
  wrong: "That code didn't work. Check it against the one Pellow shows, or ask Pellow for a new one.",
  wait: 'Too many wrong codes from here. Wait a few minutes, then try again.',
  unreachable: "Can't reach the sync server. Check the connection and try again.",
};
const typedCode = () => $('code').value.replace(/[\s-]/g, '').toUpperCase();
let lastTried = '';

async function claim() {
  const code = typedCode();
  if (!code || $('code').disabled) return;
  lastTried = code;
  $('code').disabled = $('pair-button').disabled = true;
  $('pair-message').textContent = '';
  const outcome = await client.claim(code);
  $('code').disabled = $('pair-button').disabled = false;
  if (outcome === 'paired') $('code').value = '';
  else $('pair-message').textContent = PAIR_MESSAGES[outcome];
  render();
}

// A QR code from Pellow's pairing window carries the code in the address (#pair=CODE): it is
// claimed at once, and taken out of the address bar and the history so it is never reused.
function claimFromAddress() {
  const match = /^#pair=([A-Za-z0-9-]{1,16})$/.exec(location.hash);
  if (!match) return;
  history.replaceState(null, '', location.pathname + location.search);
  $('code').value = match[1];
  claim();
}

$('pair-form').addEventListener('submit', (event) => {
  event.preventDefault();
  claim();
});
$('code').addEventListener('input', () => {
  if (typedCode().length === CODE_LENGTH && typedCode() !== lastTried) claim();
});

$('forget').addEventListener('click', () => {
  if (confirm('Forget this desktop? Its timers leave this phone until you pair again.')) client.forget();
});
$('notice-ok').addEventListener('click', () => {
  client.notice = '';
  render();
});

// Alerts in the background: asked for only when the user taps the button.
const alertsOn = () => notificationsAllowed() && localStorage.getItem(ALERTS_KEY) === 'on';

function showAlertsChoice() {
  const supported = 'Notification' in window && 'serviceWorker' in navigator;
  const on = supported && alertsOn();
  const denied = supported && Notification.permission === 'denied';
  $('alerts-ask').hidden = !client.paired || !supported || on || denied;
  $('alerts-note').hidden = !client.paired || !(on || denied);
  put($('alerts-note'), on ? 'Pellow alerts on this phone while this page is open, also in the background.'
    : 'Notifications are blocked for this page in the browser\u2019s settings.');
}

$('alerts-ask').addEventListener('click', async () => {
  if (await askForNotifications()) localStorage.setItem(ALERTS_KEY, 'on');
  render();
});

// New timer: a sheet from the bottom of the screen. A preset starts at once, with the name if
// one was typed; a typed length starts on Start.
const sheet = $('new-sheet');

function openNewForm(open) {
  $('new-message').textContent = '';
  if (open) {
    $('new-form').reset();
    sheet.showModal();
    $('new-name').focus();
  } else {
    sheet.close();
  }
}

function addTimer(seconds) {
  const form = $('new-form');
  const color = form.elements.color.value || null;
  const name = $('new-name').value;
  client.change((timers) => timers.push(makeTimer({ name, color, seconds, now: now() })));
  openNewForm(false);
}

for (const minutes of PRESETS) {
  const button = element('button', 'preset', minutes === 60 ? '1 hour' : `${minutes} min`);
  button.type = 'button';
  button.addEventListener('click', () => addTimer(minutes * 60));
  $('presets').append(button);
}

for (const [key, title] of [['', 'None'], ...PALETTE]) {
  const label = element('label', key ? 'color' : 'color none');
  label.title = title;
  if (key) label.style.setProperty('--swatch', resolveColor(key));
  const radio = element('input');
  Object.assign(radio, { type: 'radio', name: 'color', value: key, defaultChecked: !key });
  radio.setAttribute('aria-label', title);
  label.append(radio);
  $('colors').append(label);
}

$('new-open').addEventListener('click', () => openNewForm(true));
$('new-cancel').addEventListener('click', () => openNewForm(false));
$('new-form').addEventListener('submit', (event) => {
  event.preventDefault();
  const typed = $('new-length').value;
  const seconds = acceptedLength(typed);
  if (seconds === null) $('new-message').textContent = LENGTH_MESSAGES[refusalOf(typed)];
  else addTimer(seconds);
});

// Live: the clocks as they change, the server's list every five seconds while the page is seen
// and at once when it is seen again, and what another tab of this page did to the pairing.
setInterval(() => visible() && client.sync(), PULL_EVERY_MS);
document.addEventListener('visibilitychange', () => {
  if (visible()) {
    render();
    client.sync();
  }
});
window.addEventListener('online', () => client.sync());
window.addEventListener('storage', (event) => client.followStorage(event.key));
unlockAudioOnFirstTouch(document);

if ('serviceWorker' in navigator) {
  navigator.serviceWorker.register('sw.js').catch(() => {
    // the page works without it; it only cannot open offline
  });
}

window.addEventListener('hashchange', claimFromAddress);
render();
claimFromAddress();
client.sync();
