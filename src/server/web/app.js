// The phone page: pairing with a code, the live list, and the commands on it. Times are worked
// out here from each record and the phone's clock; the server only stores the list.

import { PALETTE, makeTimer, resolveColor, startOver, toggleRun } from './records.js';
import { SyncClient } from './sync.js';
import { acceptedLength, clockText, displayName, isFinished, shownSeconds, statusText } from './timetexts.js';

const PRESETS = [1, 5, 10, 15, 20, 30, 60]; // minutes
const CODE_LENGTH = 6;
const PULL_EVERY_MS = 5000;
const TICK_MS = 1000;

const $ = (id) => document.getElementById(id);
const now = () => Date.now() / 1000;
const visible = () => document.visibilityState === 'visible';

const client = new SyncClient(localStorage, () => render());
let rowsFor = null; // the list the rows were built from

function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

function buildRow(t, timers) {
  const row = element('li', 'timer');
  row.dataset.id = t.id;
  const color = resolveColor(t.color);
  const swatch = element('span', color ? 'swatch' : 'swatch none');
  if (color) swatch.style.setProperty('--swatch', color);
  const main = element('button', 'main');
  main.type = 'button';
  main.dataset.act = 'toggle';
  main.append(swatch, element('span', 'name', displayName(t, timers)), element('span', 'clock'),
              element('span', 'detail'));
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
  row.classList.toggle('running', t.running && !finished);
  row.classList.toggle('finished', finished);
  row.querySelector('.clock').textContent = clockText(shownSeconds(t, at));
  row.querySelector('.detail').textContent = statusText(t, at);
  row.querySelector('.main').setAttribute('aria-pressed', String(t.running && !finished));
}

function statusLine() {
  if (!client.paired || client.online) return '';
  const waiting = client.pending ? ' Your change will be sent when it is back.' : '';
  return `Can't reach the sync server. Showing the list as last seen.${waiting}`;
}

function render() {
  $('pairing').hidden = client.paired;
  $('timers').hidden = !client.paired;
  $('status').textContent = statusLine();
  $('notice').hidden = !client.notice;
  $('notice-text').textContent = client.notice;

  const timers = client.timers;
  const list = $('list');
  if (timers !== rowsFor) {
    rowsFor = timers;
    list.replaceChildren(...timers.map((t) => buildRow(t, timers)));
  }
  $('empty').hidden = timers.length > 0;
  $('tap-hint').hidden = timers.length === 0;
  const at = now();
  timers.forEach((t, i) => updateRow(list.children[i], t, at));
}

function edit(id, command) {
  client.change((timers) => {
    const index = timers.findIndex((t) => t.id === id);
    if (index >= 0) command(timers, index);
  });
}

const COMMANDS = {
  toggle: (timers, i) => toggleRun(timers[i], now()),
  over: (timers, i) => startOver(timers[i], now()),
  remove: (timers, i) => timers.splice(i, 1),
};

$('list').addEventListener('click', (event) => {
  const button = event.target.closest('button[data-act]');
  if (button) edit(button.closest('li').dataset.id, COMMANDS[button.dataset.act]);
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

// New timer: a preset starts at once; a typed length on Start.
function openNewForm(open) {
  $('new-form').hidden = !open;
  $('new-open').hidden = open;
  $('new-message').textContent = '';
  if (!open) $('new-form').reset();
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
  const seconds = acceptedLength($('new-length').value);
  if (seconds === null) $('new-message').textContent = "Couldn't read that length";
  else addTimer(seconds);
});

// Live: the texts every second, the server's list every five seconds while the page is seen
// and at once when it is seen again.
setInterval(render, TICK_MS);
setInterval(() => visible() && client.sync(), PULL_EVERY_MS);
document.addEventListener('visibilitychange', () => {
  if (visible()) {
    render();
    client.sync();
  }
});
window.addEventListener('online', () => client.sync());

render();
client.sync();
