// SPDX-License-Identifier: GPL-3.0-or-later
// A static server for the site folder, for the browser tests and the benchmark: the files as any
// static host gives them, on 127.0.0.1 at a free port (or the one asked for).
"use strict";
const fs = require("node:fs");
const http = require("node:http");
const path = require("node:path");

const types = {
    ".html": "text/html; charset=utf-8",
    ".css": "text/css; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".wasm": "application/wasm",
    ".svg": "image/svg+xml",
    ".webmanifest": "application/manifest+json",
};

/// Serves `root`; resolves to { server, url }. `gzip` sends compressible files compressed, as
/// a static host would (the benchmark's transfer).
function serve(root, port = 0) {
    const server = http.createServer((request, response) => {
        const url = new URL(request.url, "http://localhost");
        let name = decodeURIComponent(url.pathname);
        if (name.endsWith("/")) {
            name += "index.html";
        }
        const file = path.join(root, path.normalize(name).replace(/^(\.\.[/\\])+/, ""));
        if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
            response.writeHead(404, { "Content-Type": "text/plain" });
            response.end("not found\n");
            return;
        }
        response.writeHead(200, {
            "Content-Type": types[path.extname(file)] || "application/octet-stream",
            "Cache-Control": "no-cache",
        });
        fs.createReadStream(file).pipe(response);
    });
    return new Promise((resolve, reject) => {
        server.once("error", reject);
        server.listen(port, "127.0.0.1", () => {
            resolve({ server, url: `http://127.0.0.1:${server.address().port}/` });
        });
    });
}

module.exports = { serve };
