// Keeps a copy of the whole site, so that after one visit the garden also
// starts offline. The network comes first whenever it answers: the glue
// script and the WebAssembly must always come from the same build, which a
// copy refreshed file by file in the background could not promise.
'use strict';

const CACHE = 'sandmere';
const SITE = [
  './',
  'index.html',
  'page.css',
  'page.js',
  'garden.js',
  'console.js',
  'controls.js',
  'gestures.js',
  'keeper.js',
  'record.js',
  'share.js',
  'picture.js',
  'sound.js',
  'pictures.js',
  'painted.js',
  'idb.js',
  'snapshot.js',
  'checkpoint.js',
  'version.js',
  'sandmere.js',
  'sandmere.wasm',
  'manifest.webmanifest',
  'icon-192.png',
  'icon-512.png',
];

self.addEventListener('install', (event) => {
  event.waitUntil(
    caches
      .open(CACHE)
      .then((cache) => cache.addAll(SITE))
      .then(() => self.skipWaiting()),
  );
});

self.addEventListener('activate', (event) => {
  event.waitUntil(self.clients.claim());
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(
    fetch(request)
      .then((response) => {
        if (response.ok) {
          const copy = response.clone();
          event.waitUntil(caches.open(CACHE).then((cache) => cache.put(request, copy)));
        }
        return response;
      })
      .catch(() => caches.match(request, { ignoreSearch: true }).then((kept) => kept || Response.error())),
  );
});
