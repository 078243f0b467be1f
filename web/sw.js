// Keeps the page's files so that it loads and plays with no network. The
// build names the cache by the files' content and lists them here; a new
// build is a new worker that fills a cache of its own, checks it holds
// exactly that build, and only then drops the old one, so a page never
// gets old and new files mixed.
'use strict';

const build = '@BUILD@';
const files = [@FILES@];
// Named by where the page is served too: two copies of the game on one
// site keep their caches apart.
const prefix = `maze ${self.registration.scope} `;
const cacheName = prefix + build;

const hex = (buffer) => [...new Uint8Array(buffer)].map((b) => b.toString(16).padStart(2, '0')).join('');
const sha256 = async (bytes) => hex(await crypto.subtle.digest('SHA-256', bytes));

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    // Past the browser's HTTP cache, which may still hold the old files.
    const responses = await Promise.all(files.map((file) => fetch(file, { cache: 'reload' })));
    let sums = '';
    for (const [i, response] of responses.entries()) {
      if (!response.ok) throw new Error(`${files[i]}: ${response.status}`);
      sums += `${files[i]} ${await sha256(await response.clone().arrayBuffer())}\n`;
    }
    const built = (await sha256(new TextEncoder().encode(sums))).slice(0, build.length);
    if (built !== build) throw new Error('the files served are not the build this worker names');
    const cache = await caches.open(cacheName);
    await Promise.all(responses.map((response, i) => cache.put(files[i], response)));
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    const names = await caches.keys();
    await Promise.all(names.filter((name) => name.startsWith(prefix) && name !== cacheName)
      .map((name) => caches.delete(name)));
    await self.clients.claim();
  })());
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET') return;
  event.respondWith((async () => {
    const cache = await caches.open(cacheName);
    const kept = await cache.match(request, { ignoreSearch: true }) ??
      (request.mode === 'navigate' ? await cache.match('./') : undefined);
    return kept ?? fetch(request);
  })());
});
