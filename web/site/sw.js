// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the site for use with no network: every file cached at install, answered from the cache
// first. The cache's name carries a hash of the site's files (written in at build time), so a new
// build installs a cache of its own, drops the old one and serves from the next visit on.
"use strict";
const CACHE = "tarvo-@CACHE_VERSION@";
const FILES = ["./", "index.html", "page.css", "page.js", "tarvo-page.js", "tarvo-page.wasm",
               "worker.js", "tarvo-worker.js", "tarvo-worker.wasm", "nec2c.js", "nec2c.wasm",
               "tarvo.svg", "manifest.webmanifest"];

self.addEventListener("install", (event) => {
    event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES))
                        .then(() => self.skipWaiting()));
});

self.addEventListener("activate", (event) => {
    event.waitUntil(caches.keys()
                        .then((names) => Promise.all(names.filter((name) => name.startsWith("tarvo-") && name !== CACHE)
                                                         .map((name) => caches.delete(name))))
                        .then(() => self.clients.claim()));
});

self.addEventListener("fetch", (event) => {
    const request = event.request;
    if (request.method !== "GET" || new URL(request.url).origin !== location.origin) {
        return;
    }
    // The query (?lang=de) chooses nothing the cache holds.
    event.respondWith(caches.open(CACHE)
                          .then((cache) => cache.match(request, { ignoreSearch: true }))
                          .then((cached) => cached || fetch(request)));
});
