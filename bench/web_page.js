// SPDX-License-Identifier: GPL-3.0-or-later
// The page's budgets: the site's size compressed (gzip, as a static host sends it) against 1 MB,
// and the time from opening the page on localhost with an empty cache until COMPUTE works,
// against 1 s, with a bare page opened the same way as the baseline; and the time from pressing
// Analyse right after the page is ready until the 144 MHz analysis report shows, against 3 s,
// with the native tarvo-cli --analyze of the same design as the baseline.
//   node bench/web_page.js [SITE [TARVO-CLI]]   (default build-web/site and build/cli/tarvo-cli;
//   run tests/web's npm ci first)
"use strict";
const { execFileSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const zlib = require("node:zlib");
const { chromium } = require("../tests/web/node_modules/playwright-core");
const { serve } = require("../tests/web/serve.js");

const site = path.resolve(process.argv[2] || path.join(__dirname, "../build-web/site"));
const cli = path.resolve(process.argv[3] || path.join(__dirname, "../build/cli/tarvo-cli"));
const runs = 7;
const analyses = 3;

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

/// Milliseconds from pressing Analyse, as soon as the page is ready (the worker still loading),
/// until the 144 MHz report shows; each run in a new context: an empty cache.
async function firstAnalysis(browser, url) {
    const times = [];
    for (let i = 0; i < analyses; ++i) {
        const context = await browser.newContext({ serviceWorkers: "block" });
        const page = await context.newPage();
        await page.goto(url);
        await page.waitForSelector("body[data-ready='1']", { timeout: 30000 });
        await page.fill("#Text17", "144");
        await page.click("#Option2");
        await page.selectOption("#List1", "1");
        await page.click("#Command1");
        const start = process.hrtime.bigint();
        await page.click("#analyze");
        await page.waitForFunction(
            () => document.getElementById("analysis-report").textContent.includes("13.59 dBi"),
            null, { timeout: 60000, polling: 10 });
        times.push(Number(process.hrtime.bigint() - start) / 1e6);
        await context.close();
    }
    return median(times);
}

/// Milliseconds of the native tarvo-cli --freq 144 --inch 1 --analyze, median of `analyses`.
function nativeAnalysis() {
    const times = [];
    for (let i = 0; i < analyses; ++i) {
        const start = process.hrtime.bigint();
        execFileSync(cli, ["--freq", "144", "--inch", "1", "--analyze"],
                     { env: { ...process.env, LC_ALL: "C" }, stdio: "ignore", timeout: 60000 });
        times.push(Number(process.hrtime.bigint() - start) / 1e6);
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
        const analysis = await firstAnalysis(browser, servers[0].url + "?lang=en");
        const native = nativeAnalysis();
        console.log(`the first analysis result ${analysis.toFixed(0)} ms after pressing Analyse ` +
                    `(median of ${analyses}, empty cache; budget 3000 ms: ` +
                    `${analysis < 3000 ? "within" : "OVER"}); native tarvo-cli --analyze ` +
                    `${native.toFixed(0)} ms; ratio ${(analysis / native).toFixed(1)}`);
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
