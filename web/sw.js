// Keeps the page for playing offline. The build writes in the files to keep and a version that
// is the hash of them all, so a new build is a new worker: it keeps the new files under a cache
// of its own, takes over at once and drops the older caches.
const kVersion = '@VERSION@';
const kFiles = [@FILES@];
const kCache = 'fenzogobbix-' + kVersion;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(kCache)
                      .then((cache) => cache.addAll(kFiles))
                      .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  const older = (n) => n.startsWith('fenzogobbix-') && n !== kCache;
  event.waitUntil(caches.keys()
                      .then((names) => Promise.all(names.filter(older).map((n) => caches.delete(n))))
                      .then(() => self.clients.claim()));
});

// The page itself from the network while there is one, so that a new build shows at the next
// visit; the files it names (renamed after their content, never changed in place) from the cache.
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET') return;
  if (request.mode === 'navigate') {
    event.respondWith(fetch(request).catch(() => caches.match('./', {cacheName: kCache})));
    return;
  }
  event.respondWith(caches.match(request, {cacheName: kCache})
                        .then((hit) => hit || fetchKept(request)));
});

// A file the worker keeps but lost (the page drops one it found damaged): kept again once
// fetched. [D26]
const kKept = new Set(kFiles.map((f) => new URL(f, self.registration.scope).href));
function fetchKept(request) {
  return fetch(request).then((response) => {
    if (response.ok && kKept.has(request.url)) {
      const copy = response.clone();
      caches.open(kCache).then((cache) => cache.put(request, copy));
    }
    return response;
  });
}
