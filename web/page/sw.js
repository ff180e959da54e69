// Keeps a copy of the whole site, so that after one visit the garden also
// starts offline. The network comes first whenever it answers, but for the
// glue script and the WebAssembly named with the garden's version (see
// VERSIONED), which must always come from the same build.
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
  'manifest.webmanifest',
  'icon-192.png',
  'icon-512.png',
];

// The glue script and the WebAssembly, kept by their versioned names only.
const BUILD = ['sandmere.js', 'sandmere.wasm'];
const VERSIONED = 'v';
// The garden's version, as the page registered this worker with it.
const VERSION = new URL(self.location.href).searchParams.get(VERSIONED) || '';
const versioned = (file) => `${file}?${VERSIONED}=${encodeURIComponent(VERSION)}`;

// Lets go of the versioned files of every other version.
const forgetOtherVersions = (cache) =>
  cache.keys().then((keys) =>
    Promise.all(
      keys
        .map((key) => new URL(key.url))
        .filter((url) => url.searchParams.has(VERSIONED) && url.searchParams.get(VERSIONED) !== VERSION)
        .map((url) => cache.delete(url.href)),
    ),
  );

self.addEventListener('install', (event) => {
  event.waitUntil(
    caches
      .open(CACHE)
      .then((cache) => cache.addAll([...SITE, ...BUILD.map(versioned)]).then(() => forgetOtherVersions(cache)))
      .then(() => self.skipWaiting()),
  );
});

self.addEventListener('activate', (event) => {
  event.waitUntil(self.clients.claim());
});

// A garden file or garden picture shared to the installed page (the
// manifest's share_target posts it here): kept once, under an address of
// its own, for the page to take; the page is told that address in its
// query (share.js reads it). A shared link goes to the page as a link.
const SHARE_ACTION = 'share-target';
const SHARED_FILES = 'sandmere-shared';

async function handOnShared(request) {
  const form = await request.formData();
  const page = new URL('./', self.registration.scope);
  const file = [...form.values()].find((value) => value instanceof File);
  if (file) {
    const address = new URL(`shared/${crypto.randomUUID()}/${encodeURIComponent(file.name)}`, page);
    const kept = new Response(file, { headers: { 'content-type': file.type || 'application/octet-stream' } });
    await (await caches.open(SHARED_FILES)).put(address, kept);
    page.searchParams.set('shared-file', address.pathname);
  } else {
    const link = ['url', 'text'].map((key) => String(form.get(key) || '')).find((text) => text.includes('#garden='));
    if (link) page.hash = link.slice(link.indexOf('#garden='));
  }
  return Response.redirect(page.href, 303);
}

// The glue script and the WebAssembly as the page names them, with the
// garden's version (page.js): one version's pair is one build's, so it
// comes from the cache first, and V8 reuses the module it compiled from
// that very response.
function cacheFirst(event, request) {
  return caches.open(CACHE).then((cache) =>
    cache.match(request).then(
      (kept) =>
        kept ||
        fetch(request).then((response) => {
          if (response.ok) {
            const copy = response.clone();
            event.waitUntil(cache.put(request, copy));
          }
          return response;
        }),
    ),
  );
}

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method === 'POST' && new URL(request.url).href === new URL(SHARE_ACTION, self.registration.scope).href) {
    event.respondWith(handOnShared(request));
    return;
  }
  const url = new URL(request.url);
  if (request.method !== 'GET' || url.origin !== self.location.origin) return;
  if (url.searchParams.has(VERSIONED)) {
    event.respondWith(
      cacheFirst(event, request).catch(() =>
        caches.match(request, { ignoreSearch: true }).then((kept) => kept || Response.error()),
      ),
    );
    return;
  }
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
