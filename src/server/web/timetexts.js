// Time arithmetic and the texts built from it, the same rules as Pellow's own: pure functions of
// a timer record, the current time (seconds since 1970) and, for names, the timer list.

const isCountdown = (t) => t.mode === 'down';

export function elapsedSeconds(t, now) {
  return t.banked + (t.running ? Math.max(0, now - t.startedAt) : 0);
}

export function remainingSeconds(t, now) {
  return Math.max(0, t.duration - elapsedSeconds(t, now));
}

export function shownSeconds(t, now) {
  return isCountdown(t) ? remainingSeconds(t, now) : elapsedSeconds(t, now);
}

export function isFinished(t, now) {
  return isCountdown(t) && !(t.duration > elapsedSeconds(t, now));
}

// The instant a running countdown ends, or null.
export function endDate(t, now) {
  if (!isCountdown(t) || !t.running || isFinished(t, now)) return null;
  return now + (t.duration - elapsedSeconds(t, now));
}

// Seconds from `now` until the record's clock text next changes, or until a countdown reaches
// its end, whichever is sooner; null when neither will happen without a command. The shown
// value rounds halves away from zero, so a running clock changes as it passes each half second.
// Past 2^52 a double has no halves left to pass.
export function secondsToNextChange(t, now) {
  const shown = shownSeconds(t, now);
  if (!t.running || !Number.isFinite(shown) || shown > 2 ** 52 || isFinished(t, now)) return null;
  if (isCountdown(t)) return Math.min(shown - (Math.round(shown) - 0.5), shown);
  return Math.round(shown) + 0.5 - shown;
}

const pad = (n) => String(n).padStart(2, '0');
const INT64_MAX = 2n ** 63n - 1n;
const SATURATES_AT = 9223372036854774784; // the largest double below 2^63

// "04:59" below an hour, "1:05:00" from an hour up; halves round away from zero. NaN shows
// "--:--" and values past the 64-bit range saturate, as Pellow's do.
export function clockText(seconds) {
  if (Number.isNaN(seconds)) return '--:--';
  const rounded = Math.round(Math.abs(seconds));
  const negative = seconds < 0 && rounded > 0;
  const s = rounded >= SATURATES_AT ? INT64_MAX : BigInt(rounded);
  const sign = negative ? '-' : '';
  if (s < 3600n) return `${sign}${pad(s / 60n)}:${pad(s % 60n)}`;
  return `${sign}${s / 3600n}:${pad((s % 3600n) / 60n)}:${pad(s % 60n)}`;
}

const timeFormats = new Map();

// The clock time of an instant in the locale's short time style, without date or seconds.
// `locale` undefined means the browser's own.
export function shortTimeText(instant, locale) {
  if (!Number.isFinite(instant)) return '';
  const key = locale ?? '';
  if (!timeFormats.has(key)) timeFormats.set(key, new Intl.DateTimeFormat(locale, { timeStyle: 'short' }));
  const clamped = Math.min(Math.max(instant, -8.64e12), 8.64e12); // the range a Date holds
  return timeFormats.get(key).format(new Date(clamped * 1000));
}

export function statusText(t, now, locale) {
  if (isFinished(t, now)) return 'finished';
  const end = endDate(t, now);
  if (end !== null) return `ends ${shortTimeText(end, locale)}`;
  if (t.running) return isCountdown(t) ? 'counting down' : 'counting up';
  return t.banked > 0 ? 'paused' : 'ready';
}

export function detailText(t, now, locale) {
  if (isFinished(t, now)) return 'finished';
  return `${clockText(shownSeconds(t, now))} \u00B7 ${statusText(t, now, locale)}`;
}

// Leading and trailing tabs and space separators go; line breaks stay.
export function trimHorizontal(text) {
  return text.replace(/^[\t\p{Zs}]+|[\t\p{Zs}]+$/gu, '');
}

export function trimSpacesAndTabs(text) {
  return text.replace(/^[ \t]+|[ \t]+$/g, '');
}

export function displayName(t, timers) {
  const name = trimHorizontal(t.label);
  if (name) return name;
  const index = timers.findIndex((other) => other.id === t.id);
  return `Timer ${Math.max(index, 0) + 1}`;
}

// A number as the C library reads one in the C locale, the whole piece consumed; null if not.
// Its words for infinity and not-a-number are left out: every length they could form is refused
// anyway.
function readCNumber(piece) {
  if (/^[+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?$/.test(piece)) return Number(piece);
  const hex = /^([+-]?)0[xX](?:([0-9a-fA-F]+)\.?([0-9a-fA-F]*)|\.([0-9a-fA-F]+))(?:[pP]([+-]?\d+))?$/.exec(piece);
  if (!hex) return null;
  const fraction = hex[3] ?? hex[4] ?? '';
  const mantissa = Number(BigInt(`0x${hex[2] ?? ''}${fraction}0`)) / 16;
  const value = mantissa * 2 ** (Number(hex[5] ?? 0) - 4 * fraction.length);
  return hex[1] === '-' ? -value : value;
}

export const MIN_LENGTH = 1;
export const MAX_LENGTH = 10000 * 3600;

// A typed length in seconds, or null: a bare number is minutes ("25", "2.5"), one colon is
// minutes and seconds ("7:30"), two are hours, minutes and seconds ("1:05:00").
export function parseLength(text) {
  const trimmed = trimHorizontal(text);
  let total;
  if (!trimmed.includes(':')) {
    const minutes = readCNumber(trimmed);
    if (minutes === null || !(minutes > 0)) return null;
    total = minutes * 60;
  } else {
    const pieces = trimmed.split(':').filter((piece) => piece !== '');
    if (pieces.length !== 2 && pieces.length !== 3) return null;
    const parts = pieces.map(readCNumber);
    if (parts.some((n) => n === null || Number.isNaN(n) || n < 0)) return null;
    const [a, b, c] = parts;
    total = parts.length === 2 ? a * 60 + b : a * 3600 + b * 60 + c;
  }
  if (!Number.isFinite(total) || total > MAX_LENGTH) return null;
  return total;
}

// A parsed length the page accepts: at least one second.
export function acceptedLength(text) {
  const seconds = parseLength(text);
  return seconds !== null && seconds >= MIN_LENGTH ? seconds : null;
}

// Why a typed length is refused: 'comma' when it reads with a point in place of each comma,
// 'short' when it comes to less than a second (zero included), else 'unreadable'.
export function refusalOf(text) {
  const seconds = parseLength(text);
  if (seconds !== null) return 'short';
  if (text.includes(',') && parseLength(text.replaceAll(',', '.')) !== null) return 'comma';
  return readCNumber(trimHorizontal(text)) === 0 ? 'short' : 'unreadable';
}
