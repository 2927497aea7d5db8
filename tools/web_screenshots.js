// SPDX-License-Identifier: GPL-3.0-or-later
// The README's pictures of the page, in headless chromium: the worked example (144 MHz, metallic
// 1 inch boom, COMPUTE) at a desktop's width and at a phone's 390 pixels.
//   node tools/web_screenshots.js SITE DOCS
"use strict";
const path = require("node:path");
const { chromium } = require("../tests/web/node_modules/playwright-core");
const { serve } = require("../tests/web/serve.js");

const [site, docs] = process.argv.slice(2).map((p) => path.resolve(p));

async function shoot(browser, url, options, file) {
    const context = await browser.newContext(options);
    const page = await context.newPage();
    await page.goto(url);
    await page.waitForSelector("body[data-ready='1']", { timeout: 10000 });
    await page.fill("#Text17", "144");
    await page.click("#Option2");
    await page.selectOption("#List1", "1");
    await page.click("#Command1");
    await page.screenshot({ path: path.join(docs, file), fullPage: true });
    await context.close();
}

(async () => {
    const { server, url } = await serve(site);
    const browser = await chromium.launch({ executablePath: "/usr/bin/chromium" });
    try {
        await shoot(browser, url + "?lang=en", { viewport: { width: 640, height: 600 },
                                                 serviceWorkers: "block" }, "web-page-desktop.png");
        await shoot(browser, url + "?lang=en", { viewport: { width: 390, height: 700 }, isMobile: true,
                                                 hasTouch: true, deviceScaleFactor: 2,
                                                 serviceWorkers: "block" }, "web-page-phone.png");
    } finally {
        await browser.close();
        server.close();
    }
})().catch((error) => {
    console.error(`web_screenshots: ${error.message}`);
    process.exit(1);
});
