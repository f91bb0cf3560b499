// Keeps the page working without the network: every file is fetched from the server when it answers,
// and from the copy kept here when it does not.
'use strict';

const CACHE = 'mirrim';
const FILES = ['./', 'index.html', 'mirrim.js', 'mirrim.wasm', 'mirrim.css', 'buttons.png', 'mirrim-32.png',
  'page.js', 'player.js', 'picture.js', 'clock.js', 'commands.js', 'keys.js', 'menu.js', 'dialogs.js', 'recording.js',
  'gif.js', 'scenes.js', 'links.js', 'share.js', 'files.js', 'folders.js', 'pictures.js', 'decoder.js', 'editor.js'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => event.waitUntil(self.clients.claim()));

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(fetch(event.request).then((response) => {
    if (response.ok) {
      const copy = response.clone();
      caches.open(CACHE).then((cache) => cache.put(event.request, copy));
    }
    return response;
  }).catch(() => caches.match(event.request, { ignoreSearch: true }).then((kept) => kept || Response.error())));
});
