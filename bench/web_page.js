// SPDX-License-Identifier: GPL-3.0-or-later
// The page's budgets: the site's size compressed (gzip, as a static host sends it) against 1 MB,
// and the time from opening the page on localhost with an empty cache until COMPUTE works,
// against 1 s, with a bare page opened the same way as the baseline.
//   node bench/web_page.js [SITE]   (default build-web/site; run tests/web's npm ci first)
"use strict";
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const zlib = require("node:zlib");
const { chromium } = require("../tests/web/node_modules/playwright-core");
const { serve } = require("../tests/web/serve.js");

const site = path.resolve(process.argv[2] || path.join(__dirname, "../build-web/site"));
const runs = 7;

function median(values) {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted[Math.floor(sorted.length / 2)];
}

/// Milliseconds from navigation to the selector, each run in a new context: an empty cache.
async function opening(browser, url, selector) {
    const times = [];
    for (let i = 0; i < runs; ++i) {
        const context = await browser.newContext({ serviceWorkers: "block" });
        const page = await context.newPage();
        const start = process.hrtime.bigint();
        await page.goto(url, { waitUntil: "commit" });
        await page.waitForSelector(selector, { state: "attached", timeout: 30000 });
        times.push(Number(process.hrtime.bigint() - start) / 1e6);
        await context.close();
    }
    return median(times);
}

(async () => {
    let raw = 0;
    let compressed = 0;
    const names = fs.readdirSync(site).sort();
    for (const name of names) {
        const bytes = fs.readFileSync(path.join(site, name));
        raw += bytes.length;
        compressed += zlib.gzipSync(bytes, { level: 9 }).length;
    }
    console.log(`site: ${names.length} files, ${raw} bytes, ${compressed} bytes gzip-compressed ` +
                `(budget 1048576: ${compressed < 1048576 ? "within" : "OVER"})`);

    const bare = fs.mkdtempSync(path.join(os.tmpdir(), "tarvo-bare-"));
    fs.writeFileSync(path.join(bare, "index.html"),
                     "<!DOCTYPE html><title>bare</title><body data-ready='1'></body>");
    const servers = [await serve(site), await serve(bare)];
    const browser = await chromium.launch({ executablePath: "/usr/bin/chromium" });
    try {
        const page = await opening(browser, servers[0].url + "?lang=en", "body[data-ready='1']");
        const baseline = await opening(browser, servers[1].url, "body[data-ready='1']");
        console.log(`COMPUTE ready after ${page.toFixed(0)} ms from opening the page ` +
                    `(median of ${runs}, empty cache; budget 1000 ms: ` +
                    `${page < 1000 ? "within" : "OVER"}); a bare page ${baseline.toFixed(0)} ms; ` +
                    `ratio ${(page / baseline).toFixed(1)}`);
    } finally {
        await browser.close();
        for (const { server } of servers) {
            server.close();
        }
        fs.rmSync(bare, { recursive: true, force: true });
    }
})().catch((error) => {
    console.error(`web_page: ${error.message}`);
    process.exit(1);
});
