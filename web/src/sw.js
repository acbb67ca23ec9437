// The service worker: keeps every file of the site (listed by the build in precache.js, under
// a cache named after their content) so that the page loads and works without a network once
// it has been opened. Files are served from that cache first; a new build, with a new cache
// name, replaces the old cache when it takes over.
importScripts('precache.js');

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(self.KELVORAN_CACHE).then((cache) => cache.addAll(self.KELVORAN_FILES)));
  self.skipWaiting();
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith('kelvoran-') && name !== self.KELVORAN_CACHE) await caches.delete(name);
    }
    await self.clients.claim();
  })());
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  const target = new URL(request.url);
  if (request.method !== 'GET' || !target.protocol.startsWith('http') || target.origin !== self.location.origin) return;
  event.respondWith((async () => {
    const cache = await caches.open(self.KELVORAN_CACHE);
    const hit = await cache.match(request, { ignoreSearch: true });
    return hit || fetch(request);
  })());
});
