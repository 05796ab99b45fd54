// The page's service worker: keeps a copy of the page's own files, so the page opens when the
// server cannot be reached, and shows the page's notifications. The server writes its page
// version in place of the mark below, so other page files make a new worker with a new copy.
// The sync requests never pass through the copy.

const VERSION = '@PAGE_VERSION@';
const CACHE = `pellow-page-${VERSION}`;
const FILES = ['./', 'style.css', 'app.js', 'sync.js', 'records.js', 'timetexts.js', 'alerts.js',
               'manifest.webmanifest', 'icon.svg', 'icon-192.png', 'icon-512.png', 'icon-maskable.png'];
const scope = new URL(self.registration.scope);
const OWN = new Set(FILES.map((file) => new URL(file, scope).pathname));

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith('pellow-page-') && name !== CACHE) await caches.delete(name);
    }
    await self.clients.claim();
  })());
});

// The server first (its ETag makes an unchanged file a short answer), the copy when it cannot
// be reached. A page address with a query or fragment is the page itself.
self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== scope.origin || !OWN.has(url.pathname)) return;
  event.respondWith((async () => {
    const cache = await caches.open(CACHE);
    try {
      const response = await fetch(event.request);
      if (response.ok) await cache.put(url.pathname, response.clone());
      return response;
    } catch (error) {
      const copy = await cache.match(url.pathname);
      if (copy) return copy;
      throw error;
    }
  })());
});

// A tap on a notification brings the page forward, or opens it.
self.addEventListener('notificationclick', (event) => {
  event.notification.close();
  event.waitUntil((async () => {
    const open = await self.clients.matchAll({ type: 'window', includeUncontrolled: true });
    if (open.length > 0) return open[0].focus();
    return self.clients.openWindow(scope.href);
  })());
});
