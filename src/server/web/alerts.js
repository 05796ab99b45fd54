// What the phone does when a timer runs out while the page is open: a vibration and a short
// sound, and a notification through the service worker when the page is in the background and
// the user asked for them. A closed page does nothing: no push service is involved.

const VIBRATION = [200, 100, 200];
const NOTES = [880, 1175, 1568]; // Hz, one after another
const NOTE_SECONDS = 0.18;

let audio = null;

// Browsers let a page sound only after the user has touched it: the first tap or key makes the
// audio context, and a later alert plays on it.
export function unlockAudioOnFirstTouch(target) {
  const unlock = () => {
    const Context = window.AudioContext ?? window.webkitAudioContext;
    if (!audio && Context) audio = new Context();
    audio?.resume?.();
  };
  for (const type of ['click', 'touchend', 'keydown']) target.addEventListener(type, unlock, { passive: true });
}

function chime() {
  if (!audio || audio.state !== 'running') return;
  const start = audio.currentTime + 0.02;
  NOTES.forEach((frequency, i) => {
    const at = start + i * NOTE_SECONDS;
    const tone = audio.createOscillator();
    const gain = audio.createGain();
    tone.type = 'sine';
    tone.frequency.value = frequency;
    gain.gain.setValueAtTime(0.0001, at);
    gain.gain.exponentialRampToValueAtTime(0.3, at + 0.02);
    gain.gain.exponentialRampToValueAtTime(0.0001, at + NOTE_SECONDS);
    tone.connect(gain).connect(audio.destination);
    tone.start(at);
    tone.stop(at + NOTE_SECONDS);
  });
}

export const notificationsAllowed = () => 'Notification' in window && Notification.permission === 'granted';

// Asks for permission to notify; true once given.
export async function askForNotifications() {
  if (!('Notification' in window)) return false;
  return (await Notification.requestPermission()) === 'granted';
}

// `title` and `body` as the desktop words its own finish notice; `tag` keeps one per timer.
// `notify`: the user asked for notifications when the page is in the background.
export async function alertFinished(title, body, tag, notify) {
  navigator.vibrate?.(VIBRATION);
  chime();
  if (document.visibilityState === 'visible' || !notify || !navigator.serviceWorker) return;
  try {
    const registration = await navigator.serviceWorker.ready;
    await registration.showNotification(title, { body, tag, icon: 'icon-192.png' });
  } catch {
    // no worker, or the browser refused: the vibration and sound were all there was
  }
}
