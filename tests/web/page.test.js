// SPDX-License-Identifier: GPL-3.0-or-later
// The calculator's page in Debian's chromium, headless: what a builder sees and clicks.
// The expected texts are the README's worked example and tarvo-cli's own output, written here
// literally; the rectangles are the desktop window's twips / 15. The downloads are compared
// byte for byte with the native tarvo-cli's files of the same design.
//   TARVO_SITE (default build-web/site), TARVO_CLI (default build/cli/tarvo-cli)
"use strict";
const { test, before, after } = require("node:test");
const assert = require("node:assert/strict");
const { execFileSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { chromium } = require("playwright-core");
const { serve } = require("./serve.js");

const root = path.resolve(__dirname, "../..");
const site = path.resolve(root, process.env.TARVO_SITE || "build-web/site");
const cli = path.resolve(root, process.env.TARVO_CLI || "build/cli/tarvo-cli");

let browser;
let server;
let base;
let scratch;

before(async () => {
    ({ server, url: base } = await serve(site));
    scratch = fs.mkdtempSync(path.join(os.tmpdir(), "tarvo-page-"));
    // Debian's chromium: nothing here downloads a browser.
    browser = await chromium.launch({ executablePath: "/usr/bin/chromium", timeout: 30000 });
});

after(async () => {
    await browser?.close();
    server?.close();
    if (scratch) {
        fs.rmSync(scratch, { recursive: true, force: true });
    }
});

/// A fresh page of the site, ready to compute. No service worker unless asked: each test starts
/// from the network.
async function open(query = "?lang=en", options = {}) {
    const context = await browser.newContext({
        viewport: { width: 1024, height: 768 },
        serviceWorkers: options.serviceWorkers ? "allow" : "block",
        acceptDownloads: true,
        ...options.context,
    });
    // Nothing outside the test's own server is reached.
    await context.route(/^https?:\/\/(?!127\.0\.0\.1)/, (route) =>
        route.fulfill({ status: 200, contentType: "text/html", body: "<p>elsewhere</p>" }));
    const page = await context.newPage();
    await page.goto(base + query);
    await page.waitForSelector("body[data-ready='1']", { timeout: 10000 });
    return { context, page };
}

async function texts(page, names) {
    return page.evaluate((ids) => Object.fromEntries(
        ids.map((id) => [id, document.getElementById(id).value])), names);
}

/// The clicks of the worked example, as a builder makes them: the frequency, METALLIC BOOM,
/// 1 inch, COMPUTE (clicked where it stands: 456, 88 from the calculator's corner, 89 x 33).
async function workedExample(page, frequency = "144") {
    await page.fill("#Text17", frequency);
    await page.click("#Option2");
    await page.selectOption("#List1", "1");
    const area = await page.locator("#TARVO").boundingBox();
    const compute = await page.locator("#Command1").boundingBox();
    assert.deepEqual([compute.x - area.x, compute.y - area.y, compute.width, compute.height],
                     [456, 88, 89, 33]);
    await page.mouse.click(area.x + 456 + 44, area.y + 88 + 16);
}

// The README's tarvo-cli --freq 144 --inch 1, box by box.
const inches = {
    Text9: "89.35", Text22: "17.5162", Text37: "0",
    Text10: "85.655", Text39: "17.5162",
    Text11: "36.2771", Text24: "15.3526", Text40: "32.8689",
    Text12: "36.1254", Text25: "31.5580", Text41: "64.4269",
    Text13: "36.0604", Text26: "19.0170", Text42: "83.4439",
    Text14: "35.9959", Text27: "27.1878", Text43: "110.631",
    Text15: "35.9298", Text31: "26.9357", Text44: "137.567",
    Text16: "35.1547", Text33: "26.0026", Text45: "163.570",
    Text19: "0.7751", Text35: "0.9331", Text29: "INCHES",
};

test("the worked example at 144 MHz, metallic 1 inch boom, box by box", async () => {
    const { context, page } = await open();
    await workedExample(page);
    assert.deepEqual(await texts(page, Object.keys(inches)), inches);
    assert.equal(await page.locator("#fault").evaluate((d) => d.open), false);
    assert.equal(await page.isVisible("#Text30"), false);
    await context.close();
});

test("CONVERT TO METRIC rewrites the table in centimetres", async () => {
    const { context, page } = await open();
    await workedExample(page);
    await page.click("#Command4");
    // tarvo-cli --freq 144 --inch 1 --metric
    assert.deepEqual(await texts(page, Object.keys(inches)), {
        Text9: "226.948", Text22: "44.4913", Text37: "0",
        Text10: "217.563", Text39: "44.4913",
        Text11: "92.1440", Text24: "38.9956", Text40: "83.4870",
        Text12: "91.7586", Text25: "80.1574", Text41: "163.644",
        Text13: "91.5934", Text26: "48.3032", Text42: "211.947",
        Text14: "91.4295", Text27: "69.0571", Text43: "281.004",
        Text15: "91.2618", Text31: "68.4168", Text44: "349.421",
        Text16: "89.2930", Text33: "66.0466", Text45: "415.468",
        Text19: "1.9687", Text35: "2.3702", Text29: "CM",
    });
    // The longer boom's rows follow the table into centimetres.
    await page.click("#longBoom summary");
    const table = await page.textContent("#longBoomTable");
    assert.ok(table.startsWith("LENGTHS IN CM\n"), table);
    assert.ok(table.includes("DIR 6       89.2930   66.0466   415.468\n"), table);
    await context.close();
});

test("COMPUTE at the start is a division by zero, in a modal dialog, and stops there", async () => {
    const { context, page } = await open();
    assert.equal(await page.inputValue("#Text17"), "0.0");
    await page.click("#Command1");
    const dialog = page.locator("#fault");
    assert.equal(await dialog.evaluate((d) => d.open && d.matches(":modal")), true);
    assert.equal(await page.textContent("#faultTitle"), "TARVO");
    assert.equal(await page.textContent("#faultText"), "Division by zero.");
    // Stopped at that step: the prompt to choose a boom shows, the unit stays, no result.
    assert.equal(await page.isVisible("#Text30"), true);
    assert.equal(await page.inputValue("#Text30"), "< PLEASE CHOOSE");
    assert.equal(await page.inputValue("#Text29"), "INCHES");
    assert.equal(await page.inputValue("#Text9"), "");
    await page.click("#faultOk");
    assert.equal(await dialog.evaluate((d) => d.open), false);
    await context.close();
});

test("a click on the inch entry already selected takes it again after a millimetre choice", async () => {
    const { context, page } = await open();
    await page.fill("#Text17", "144");
    await page.click("#Option2");
    await page.selectOption("#List1", "1");
    await page.selectOption("#List2", "25");
    await page.click("#Command1");
    // tarvo-cli --script: the 25 mm boom's DIR 6, then the 1 inch boom's again.
    assert.equal(await page.inputValue("#Text16"), "35.1509");
    await page.click("#List1 option:nth-child(3)");
    await page.click("#Command1");
    assert.equal(await page.inputValue("#Text16"), "35.1547");
    await context.close();
});

test("each fault stops COMPUTE with the window's text", async () => {
    // tarvo-cli --script's messages for the same clicks: the frequency, NON METALLIC BOOM, COMPUTE.
    const cases = [
        ["abc", "The frequency is not a number: \"abc\"."],
        ["-5", "The frequency must be greater than 0 MHz."],
        ["1e30", "Overflow: the number 1.28664E-26 does not fit into Text9."],
    ];
    const { context, page } = await open();
    for (const [frequency, text] of cases) {
        await page.reload();
        await page.waitForSelector("body[data-ready='1']");
        await page.fill("#Text17", frequency);
        await page.click("#Option1");
        await page.click("#Command1");
        assert.equal(await page.locator("#fault").evaluate((d) => d.open), true, frequency);
        assert.equal(await page.textContent("#faultText"), text);
    }
    await context.close();
});

test("after a COMPUTE that stops on a fault nothing is offered of the design before", async () => {
    const { context, page } = await open();
    await workedExample(page);
    await page.click("#longBoom summary");
    await page.fill("#directors", "10");
    await page.click("#useDirectors");
    await page.fill("#Text17", "abc");
    await page.click("#Command1");
    await page.click("#faultOk");
    const offered = () => page.evaluate(() => ["exportMaa", "exportNec", "exportSymbolic", "exportCsv",
                                               "directors", "analyze", "sheet", "exportS1p", "trim",
                                               "boom-study", "measured"].map(
        (id) => !document.getElementById(id).disabled));
    assert.deepEqual(await offered(), Array(11).fill(false));
    assert.equal(await page.inputValue("#trim-band"), "143.64-144.36");
    assert.equal(await page.textContent("#computeFirst"), "The last COMPUTE stopped on a fault, so " +
                 "the boxes may show parts of two designs: press COMPUTE for a whole one.");
    // The next COMPUTE that succeeds offers its design, with the builder's ten directors.
    await page.fill("#Text17", "144");
    await page.click("#Command1");
    assert.deepEqual(await offered(), Array(11).fill(true));
    assert.equal(await page.inputValue("#directors"), "10");
    await context.close();
});

test("a boom beyond its correction's range is said at COMPUTE, beside the calculator", async () => {
    const { context, page } = await open();
    await workedExample(page);
    assert.equal(await page.isVisible("#boomWarning"), false);
    await page.fill("#Text17", "1296");
    await page.click("#Command1");
    // tarvo-cli --freq 1296 --inch 1's warning.
    assert.equal(await page.textContent("#boomWarning"), "The boom of 1 inch (1 in) is 0.110 " +
                 "wavelengths thick at 1296 MHz: the boom correction is a fit for booms up to 0.055 " +
                 "wavelengths, so the directors' lengths are an extrapolation, not a correction. No " +
                 "entry of the inch list is within that range at this frequency.");
    assert.equal(await page.isVisible("#boomWarning"), true);
    await context.close();
});

// Left, top, width and height in CSS pixels of every control: the desktop's twips / 15.
const rectangles = {
    Text1: [0, 152, 81, 19], Text2: [16, 184, 57, 19], Text3: [32, 216, 41, 19],
    Text4: [32, 248, 41, 19], Text5: [32, 280, 33, 19], Text6: [32, 312, 57, 19],
    Text7: [32, 344, 49, 19], Text8: [32, 376, 49, 19],
    Text9: [88, 144, 81, 25], Text10: [88, 176, 81, 25], Text11: [88, 208, 81, 25],
    Text12: [88, 240, 81, 25], Text13: [88, 272, 81, 25], Text14: [88, 304, 81, 27],
    Text15: [88, 336, 81, 25], Text16: [88, 368, 81, 25], Text17: [456, 48, 89, 33],
    Text18: [24, 400, 89, 49], Text19: [120, 400, 49, 25], Text20: [8, 8, 577, 33],
    Text21: [184, 56, 257, 17], Text22: [192, 144, 73, 25], Text23: [176, 176, 113, 27],
    Text24: [192, 208, 73, 25], Text25: [192, 240, 73, 25], Text26: [192, 272, 73, 25],
    Text27: [192, 304, 73, 25], Text28: [384, 192, 193, 169], Text29: [128, 432, 105, 25],
    Text30: [192, 80, 145, 23], Text31: [192, 336, 73, 25], Text32: [128, 112, 73, 25],
    Text33: [192, 368, 73, 24], Text34: [328, 112, 49, 24], Text35: [192, 400, 49, 25],
    Text36: [256, 400, 97, 57], Text37: [288, 144, 25, 25], Text38: [328, 152, 113, 17],
    Text39: [288, 176, 73, 25], Text40: [288, 208, 73, 25], Text41: [288, 240, 73, 24],
    Text42: [288, 272, 73, 25], Text43: [288, 304, 73, 25], Text44: [288, 336, 73, 25],
    Text45: [288, 368, 73, 25], List1: [16, 104, 105, 36], List2: [240, 104, 73, 36],
    Option1: [16, 40, 145, 25], Option2: [16, 72, 145, 25], Command1: [456, 88, 89, 33],
    Command2: [464, 376, 73, 25], Command3: [464, 416, 73, 25], Command4: [456, 128, 89, 33],
};

test("every control at its place and size, with its start state, font and box limit", async () => {
    const { context, page } = await open();
    await workedExample(page); // the lists and the other hidden controls show after it
    await page.evaluate(() => {
        for (const id of ["Text30", "Text32", "Text34"]) {
            document.getElementById(id).hidden = false;
        }
    });
    const measured = await page.evaluate((names) => {
        const area = document.getElementById("TARVO").getBoundingClientRect();
        const result = { TARVO: [area.x, area.y, area.width, area.height] };
        for (const name of names) {
            const r = document.getElementById(name).getBoundingClientRect();
            result[name] = [r.x - area.x, r.y - area.y, r.width, r.height];
        }
        return result;
    }, Object.keys(rectangles));
    assert.deepEqual(measured, { TARVO: [0, 0, 591, 460], ...rectangles });
    await context.close();
});

test("the start state: captions, fonts, colours, limits, visibility and tab order", async () => {
    const { context, page } = await open();
    const state = await page.evaluate(() => {
        const of = (id) => {
            const e = document.getElementById(id);
            const s = getComputedStyle(e);
            return [e.value ?? e.textContent, s.fontSize, s.fontWeight, s.fontStyle, s.color,
                    e.getAttribute("maxlength"), e.hidden];
        };
        return {
            Text20: of("Text20"), Text21: of("Text21"), Text17: of("Text17"),
            Text29: of("Text29"), Text9: of("Text9"), Text22: of("Text22"), Text39: of("Text39"),
            Text19: of("Text19"), Text35: of("Text35"), Text30: of("Text30"),
            Command1: [document.getElementById("Command1").textContent,
                       getComputedStyle(document.getElementById("Command1")).fontSize],
            Option2: [document.getElementById("Option2").textContent,
                      getComputedStyle(document.getElementById("Option2")).fontSize],
            List1: [...document.getElementById("List1").options].map((o) => o.text),
            List2: [...document.getElementById("List2").options].map((o) => o.text),
            lists: [document.getElementById("List1").hidden, document.getElementById("List2").hidden],
            focus: document.activeElement.id,
            background: getComputedStyle(document.getElementById("TARVO")).backgroundColor,
        };
    });
    const black = "rgb(0, 0, 0)";
    const highlight = "rgb(48, 140, 198)";
    assert.deepEqual(state, {
        Text20: ["TARVO ANTENNA DESIGN   by    ORMIKA", "24px", "700", "italic", "rgb(0, 0, 255)",
                 null, false],
        Text21: ["INPUT FREQUENCY IN MHZ", "16px", "700", "normal", highlight, null, false],
        Text17: ["0.0", "18px", "700", "normal", highlight, null, false],
        Text29: ["INCHES", "18px", "700", "normal", highlight, null, false],
        Text9: ["", "13px", "400", "normal", highlight, "7", false],
        Text22: ["", "13px", "400", "normal", "rgb(0, 0, 255)", "7", false],
        Text39: ["", "13px", "400", "normal", black, "7", false],
        Text19: ["", "11px", "400", "normal", black, "6", false],
        Text35: ["", "13px", "400", "normal", black, null, false],
        Text30: ["< PLEASE CHOOSE", "13px", "700", "normal", "rgb(255, 0, 0)", null, true],
        Command1: ["COMPUTE", "11px"],
        Option2: ["METALLIC BOOM", "11px"],
        List1: ["3/4", "7/8", "1", "1 1/8", "1 1/4", "1 3/8", "1 1/2", "1 3/4", "2"],
        List2: Array.from({ length: 33 }, (_, i) => String(19 + i)),
        lists: [true, true],
        focus: "Text9",
        background: "rgb(224, 224, 224)",
    });
    // A box takes no more than its limit.
    await page.fill("#Text9", "");
    await page.type("#Text9", "123456789");
    assert.equal(await page.inputValue("#Text9"), "1234567");
    // Tab goes through the boxes and buttons in the desktop's order; captions are no stops, and
    // the two options are one stop (the arrow keys move between them).
    await page.focus("#Text9");
    const order = [];
    for (let i = 0; i < 30; ++i) {
        await page.keyboard.press("Tab");
        order.push(await page.evaluate(() => document.activeElement.id ||
                                             document.activeElement.parentElement.id));
    }
    assert.deepEqual(order, [
        "Text10", "Text11", "Text12", "Text13", "Text14", "Text15", "Text16", "Text17",
        "Command1", "Text19", "Option1", "Text22", "Text24", "Text25", "Text26", "Text27",
        "Command2", "Command3", "Command4", "Text31", "Text33", "Text35", "Text37", "Text39",
        "Text40", "Text41", "Text42", "Text43", "Text44", "Text45",
    ]);
    await context.close();
});

test("a phone's 360 to 430 pixels: the calculator scaled whole, no horizontal scrolling", async () => {
    for (const width of [360, 390, 430]) {
        const { context, page } = await open("?lang=en", {
            context: { viewport: { width, height: 800 }, isMobile: true, hasTouch: true },
        });
        const widths = await page.evaluate(() => ({
            scroll: document.documentElement.scrollWidth,
            client: document.documentElement.clientWidth,
            area: Math.round(document.getElementById("TARVO").getBoundingClientRect().width),
            height: Math.round(document.getElementById("TARVO").getBoundingClientRect().height),
        }));
        assert.deepEqual(widths, { scroll: width, client: width, area: width,
                                   height: Math.round(460 * width / 591) });
        if (width === 390) {
            await page.fill("#Text17", "144");
            await page.tap("#Option2");
            await page.selectOption("#List1", "1");
            await page.tap("#Command1");
            assert.deepEqual(await texts(page, Object.keys(inches)), inches);
        }
        await context.close();
    }
});

// The touch heights at 360 pixels where the neighbours leave less than 24: each box's hit area
// reaches halfway to the next control in its column, in the window's pixels (e.g. Text9, 144 to
// 169: from 142, halfway below List1's 140, to 172.5, halfway to Text10's 176: 30.5).
const crowded = {
    Text9: 30.5, Text10: 32, Text11: 32, Text12: 32, Text13: 32, Text14: 33, Text15: 31, Text16: 32,
    Text25: 32, Text26: 32, Text27: 32, Text31: 32, Text33: 31.5, Text37: 30.5,
    Text39: 32, Text40: 32, Text41: 31.5, Text42: 32.5, Text43: 32, Text44: 32, Option2: 32,
};

test("a phone's 360 pixels: each control's touch area 24 pixels tall where its neighbours leave room", async () => {
    const { context, page } = await open("?lang=en", {
        context: { viewport: { width: 360, height: 800 }, isMobile: true, hasTouch: true },
    });
    await page.tap("#Option2"); // the lists shown too
    const areas = await page.evaluate(() => {
        const found = {};
        for (const element of document.getElementById("TARVO").children) {
            if (element.classList.contains("hit") || element.classList.contains("caption") ||
                element.tagName === "TEXTAREA" || element.hidden) {
                continue;
            }
            const own = element.getBoundingClientRect();
            const hit = document.querySelector(`.hit[data-for="${element.id}"]`);
            const area = hit === null ? own : hit.getBoundingClientRect();
            found[element.id] = { left: own.left, right: own.right, top: Math.min(own.top, area.top),
                                  bottom: Math.max(own.bottom, area.bottom) };
        }
        return found;
    });
    const scale = 360 / 591;
    assert.equal(Object.keys(areas).length, 34);
    for (const [id, area] of Object.entries(areas)) {
        const height = area.bottom - area.top;
        if (id in crowded) {
            assert.ok(Math.abs(height - crowded[id] * scale) < 0.05, `${id}: ${height} px`);
        } else {
            assert.ok(height >= 24, `${id}: ${height} px, under 24`);
        }
    }
    // No two controls' touch areas overlap.
    const entries = Object.entries(areas);
    for (const [i, [a, one]] of entries.entries()) {
        for (const [b, other] of entries.slice(i + 1)) {
            const apart = one.right <= other.left + 0.01 || other.right <= one.left + 0.01 ||
                          one.bottom <= other.top + 0.01 || other.bottom <= one.top + 0.01;
            assert.ok(apart, `${a} and ${b} overlap`);
        }
    }
    // A touch above COMPUTE, outside its drawing, is one on COMPUTE; below the list, one on the
    // last entry it shows.
    await page.fill("#Text17", "144");
    const list = await page.locator("#List1").boundingBox();
    await page.touchscreen.tap(list.x + list.width / 2, list.y + list.height + 0.8);
    assert.equal(await page.evaluate(() => document.getElementById("List1").selectedIndex), 1);
    await page.selectOption("#List1", "1");
    const compute = await page.locator("#Command1").boundingBox();
    await page.touchscreen.tap(compute.x + compute.width / 2, compute.y - 1);
    assert.equal(await page.inputValue("#Text9"), "89.35");
    await context.close();
    // At a desktop's width the calculator is exact: no areas beyond the controls.
    const desktop = await open();
    assert.equal(await desktop.page.locator(".hit").count(), 0);
    await desktop.context.close();
});

test("the German separator: the boxes read and write a comma", async () => {
    const { context, page } = await open("?lang=de");
    assert.equal(await page.inputValue("#Text17"), "0,0");
    await workedExample(page, "144,0");
    assert.deepEqual(await texts(page, ["Text9", "Text10", "Text19", "Text35", "Text45"]),
                     { Text9: "89,35", Text10: "85,655", Text19: "0,7751", Text35: "0,9331",
                       Text45: "163,570" });
    await context.close();
});

test("each download is byte for byte tarvo-cli's file of the same design", async () => {
    const { context, page } = await open();
    await workedExample(page);
    const native = (option, name) => {
        const file = path.join(scratch, name);
        execFileSync(cli, ["--freq", "144", "--inch", "1", option, file],
                     { env: { ...process.env, LC_ALL: "C" }, stdio: "ignore", timeout: 30000 });
        return fs.readFileSync(file);
    };
    const cases = [
        ["exportMaa", "--export", "native.maa", "tarvo-144mhz-beam.maa"],
        ["exportNec", "--export", "native.nec", "tarvo-144mhz-beam.nec"],
        ["exportSymbolic", "--export-symbolic", "native-sy.nec", "tarvo-144mhz-beam-sy.nec"],
        ["exportCsv", "--export", "native.csv", "tarvo-144mhz-beam.csv"],
    ];
    for (const [button, option, name, suggested] of cases) {
        const [download] = await Promise.all([page.waitForEvent("download"), page.click("#" + button)]);
        assert.equal(download.suggestedFilename(), suggested);
        const saved = path.join(scratch, "page-" + name);
        await download.saveAs(saved);
        assert.ok(fs.readFileSync(saved).equals(native(option, name)), `${button} differs from tarvo-cli`);
    }
    await context.close();
});

test("Longer boom: DIR 7 on by the table's rule, refused beyond what the design holds", async () => {
    const { context, page } = await open();
    await workedExample(page);
    await page.click("#longBoom summary");
    await page.fill("#directors", "10");
    const table = await page.textContent("#longBoomTable");
    // The README's tarvo-cli --freq 144 --inch 1 --directors 10.
    for (const row of ["DIR 6       35.1547   26.0026   163.570",
                       "DIR 7       34.3796   25.0695   188.639",
                       "DIR 10      32.0543   22.2702   258.249"]) {
        assert.ok(table.includes(row), `missing: ${row}`);
    }
    // Used, the plan builds ten: the exports hold them, as tarvo-cli's --directors 10 writes.
    await page.click("#useDirectors");
    // The box offers what the design holds, and says why no more (the README's refusal of 20).
    assert.equal(await page.getAttribute("#directors", "max"), "19");
    assert.match(await page.textContent("#longBoomMessage"),
                 /^The plan builds 10 directors\.\nAt most 19: DIR 20 would be 24\.3033 in long/);
    const [download] = await Promise.all([page.waitForEvent("download"), page.click("#exportNec")]);
    assert.equal(download.suggestedFilename(), "tarvo-144mhz-10dir-beam.nec");
    const saved = path.join(scratch, "page-10.nec");
    await download.saveAs(saved);
    const native = path.join(scratch, "native-10.nec");
    execFileSync(cli, ["--freq", "144", "--inch", "1", "--directors", "10", "--export", native],
                 { env: { ...process.env, LC_ALL: "C" }, stdio: "ignore", timeout: 30000 });
    assert.ok(fs.readFileSync(saved).equals(fs.readFileSync(native)), "the ten-director deck differs");
    // A number picked but not used stays picked through COMPUTE.
    await page.fill("#directors", "12");
    await page.click("#Command1");
    assert.equal(await page.inputValue("#directors"), "12");
    assert.match(await page.textContent("#longBoomMessage"), /^The plan builds 10 directors: Use to build 12\./);
    await page.fill("#directors", "20");
    assert.equal(await page.textContent("#longBoomTable"), "");
    assert.match(await page.textContent("#longBoomMessage"), /^Refused: .*at most 19 directors at 144 MHz/);
    await context.close();
});

test("PRINT prints the calculator alone; WEBSITE opens the link in a new tab", async () => {
    const { context, page } = await open();
    await page.emulateMedia({ media: "print" });
    const printed = await page.evaluate(() => ({
        extras: getComputedStyle(document.getElementById("extras")).display,
        area: [document.getElementById("TARVO").getBoundingClientRect().width,
               document.getElementById("TARVO").getBoundingClientRect().height],
    }));
    assert.deepEqual(printed, { extras: "none", area: [591, 460] });
    await page.emulateMedia({ media: "screen" });
    const [tab] = await Promise.all([context.waitForEvent("page"), page.click("#Command2")]);
    await tab.waitForLoadState();
    assert.equal(tab.url(), "https://www.arrl.org/antennas");
    await context.close();
});

test("offline after one visit: the service worker serves the site, COMPUTE works", async () => {
    // A server of this test's own, stopped after the first visit: nothing can come from it then.
    const own = await serve(site);
    const context = await browser.newContext({ serviceWorkers: "allow" });
    const page = await context.newPage();
    await page.goto(own.url + "?lang=en");
    await page.waitForSelector("body[data-ready='1']", { timeout: 10000 });
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
    await new Promise((resolve) => {
        own.server.close(resolve);
        own.server.closeAllConnections();
    });
    await context.setOffline(true);
    await page.reload();
    await page.waitForSelector("body[data-ready='1']", { timeout: 10000 });
    await workedExample(page);
    assert.deepEqual(await texts(page, Object.keys(inches)), inches);
    // The worker, its program and nec2c come from the cache too.
    await runJob(page, "analyze");
    assert.ok((await page.textContent("#analysis-report")).includes(workedReport[0]));
    await context.close();
});

test("a new build replaces the old one on the visit after the one that found it", async () => {
    // A copy of the site, then the same copy as the next build: another page, another cache.
    const copy = fs.mkdtempSync(path.join(scratch, "site-"));
    fs.cpSync(site, copy, { recursive: true });
    const own = await serve(copy);
    const context = await browser.newContext({ serviceWorkers: "allow" });
    const page = await context.newPage();
    try {
        await page.goto(own.url + "?lang=en");
        await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
        const [first] = await page.evaluate(() => caches.keys());
        assert.match(first, /^tarvo-[0-9a-f]{16}$/);
        // The manifest and the icon a phone's home screen takes.
        const manifest = await page.evaluate(async () => {
            const link = document.querySelector("link[rel=manifest]");
            const json = await (await fetch(link.href)).json();
            const icon = await fetch(new URL(json.icons[0].src, link.href));
            return [json.name, json.start_url, json.display, icon.status,
                    icon.headers.get("content-type")];
        });
        assert.deepEqual(manifest, ["TARVO antenna design", "./", "standalone", 200, "image/svg+xml"]);

        const replace = (name, from, to) => {
            const file = path.join(copy, name);
            fs.writeFileSync(file, fs.readFileSync(file, "utf8").replace(from, to));
        };
        replace("sw.js", first, first + "-next");
        replace("index.html", "<title>TARVO</title>", "<title>TARVO next</title>");
        // The visit that finds the new build still shows the old one, and swaps the caches.
        await page.reload();
        assert.equal(await page.title(), "TARVO");
        let keys = [];
        for (let i = 0; i < 100 && keys.join() !== first + "-next"; ++i) {
            await page.waitForTimeout(100);
            keys = await page.evaluate(() => caches.keys());
        }
        assert.deepEqual(keys, [first + "-next"]);
        await page.reload();
        assert.equal(await page.title(), "TARVO next");
    } finally {
        await context.close();
        own.server.close();
        own.server.closeAllConnections();
    }
});

// NEC-2 in the page's worker. The expected texts and files are the native tarvo-cli's for the same
// design (nec2c natively), in the same locale.

/// The native tarvo-cli's standard output for the worked example with `args`.
function nativeOutput(args, locale = "C") {
    return execFileSync(cli, ["--freq", "144", "--inch", "1", ...args],
                        { env: { ...process.env, LC_ALL: locale }, cwd: scratch, encoding: "utf8",
                          stdio: "pipe", timeout: 300000 });
}

/// The native tarvo-cli's file `name` for the worked example with `args` (which write it).
function nativeFile(args, name) {
    nativeOutput(args);
    return fs.readFileSync(path.join(scratch, name));
}

/// What tarvo-cli prints after its design table (which ends with the REDUCE lines and a blank).
function afterTable(text) {
    const end = text.indexOf("\n\n", text.indexOf("REDUCE EACH ADDITIONAL SPACE BY"));
    assert.ok(end > 0, text);
    return text.slice(end + 2);
}

/// The one figure of a trim's or a fit's report that may differ: how many nec2c runs its search
/// made. tarvo-cli splits an evaluation's frequencies over the machine's cores, a run each; the
/// page's worker has one core, so each evaluation is one run there. Everything else is equal.
function assertSameReport(pageText, nativeText) {
    const runs = /([0-9]+) evaluations, ([0-9]+) nec2c runs/;
    const found = pageText.match(runs);
    assert.ok(found !== null, pageText);
    assert.equal(found[2], found[1], "one nec2c run an evaluation in the worker");
    assert.match(nativeText, runs);
    assert.equal(pageText.replace(runs, "$1 evaluations, N nec2c runs"),
                 nativeText.replace(runs, "$1 evaluations, N nec2c runs"));
}

/// Clicks a job's button and waits until the worker has answered (Cancel is offered meanwhile).
async function runJob(page, button) {
    await page.click("#" + button);
    assert.equal(await page.isEnabled("#cancel"), true);
    await page.waitForSelector("#cancel:disabled", { timeout: 300000 });
}

async function downloaded(page, button, name) {
    const [download] = await Promise.all([page.waitForEvent("download", { timeout: 300000 }),
                                          page.click("#" + button)]);
    const saved = path.join(scratch, "page-" + name);
    await download.saveAs(saved);
    return { name: download.suggestedFilename(), bytes: fs.readFileSync(saved) };
}

const workedReport = [
    "  Forward gain                 13.59 dBi\n",
    "  Front-to-back ratio          25.6 dB\n",
    "  SWR against 50 ohm           1.04\n",
];

test("the analysis in the worker: tarvo-cli --analyze's report, its plots and a line per stage", async () => {
    const { context, page } = await open();
    await workedExample(page);
    await page.evaluate(() => {
        window.progressSeen = [];
        new MutationObserver(() => window.progressSeen.push(
            document.getElementById("progress").textContent))
            .observe(document.getElementById("progress"), { childList: true, characterData: true, subtree: true });
    });
    await runJob(page, "analyze");
    assert.equal(await page.isVisible("#fault"), false);
    const report = await page.textContent("#analysis-report");
    for (const line of workedReport) {
        assert.ok(report.includes(line), report);
    }
    assert.equal(report, afterTable(nativeOutput(["--analyze"])));
    assert.deepEqual(await page.evaluate(() => window.progressSeen),
                     ["Analysis...", "NEC-2: the design over its sweep...",
                      "NEC-2: F/B and SWR over the band...", "Analysis: done."]);
    // The plots shown, and saved as the very file tarvo-cli --plot writes.
    assert.equal(await page.locator("#analysis-plot svg").count(), 1);
    const plot = await downloaded(page, "plot-save", "plot.svg");
    assert.equal(plot.name, "tarvo-144mhz-plot.svg");
    assert.ok(plot.bytes.equals(nativeFile(["--plot", "native-plot.svg"], "native-plot.svg")),
              "the plots differ from tarvo-cli's");
    assert.equal(await page.isHidden("#analysis-state"), true);
    await context.close();
});

test("the workshop sheet and the .s1p export are tarvo-cli's files; the sheet prints alone", async () => {
    // The paper follows the browser's region: US Letter in the United States, A4 elsewhere.
    for (const [lang, paper] of [["en-US", "letter"], ["en-GB", "a4"], ["de", "a4"]]) {
        const { context, page } = await open("?lang=" + lang);
        assert.equal(await page.inputValue("#sheet-paper"), paper, lang);
        await context.close();
    }
    const { context, page } = await open();
    await workedExample(page);
    await page.click("#sheet-part summary");
    await runJob(page, "sheet");
    assert.equal(await page.locator("#sheet-view svg").count(), 1);
    const sheet = await downloaded(page, "sheet-save", "sheet.svg");
    assert.equal(sheet.name, "tarvo-144mhz-sheet.svg");
    assert.ok(sheet.bytes.equals(nativeFile(["--sheet", "native-sheet.svg", "--paper", "a4"],
                                            "native-sheet.svg")), "the sheet differs from tarvo-cli's");
    // US Letter and inches, as tarvo-cli --paper letter --inch-sheet draws them.
    await page.selectOption("#sheet-paper", "letter");
    await page.check("#sheet-inches");
    assert.equal(await page.isDisabled("#sheet-save"), true);
    await runJob(page, "sheet");
    const letter = await downloaded(page, "sheet-save", "sheet-letter.svg");
    assert.ok(letter.bytes.equals(nativeFile(["--sheet", "native-letter.svg", "--paper", "letter",
                                              "--inch-sheet"], "native-letter.svg")),
              "the Letter sheet in inches differs from tarvo-cli's");
    const s1p = await downloaded(page, "exportS1p", "beam.s1p");
    assert.equal(s1p.name, "tarvo-144mhz-beam.s1p");
    assert.ok(s1p.bytes.equals(nativeFile(["--export", "native.s1p"], "native.s1p")),
              "the .s1p differs from tarvo-cli's");
    // Print the sheet: the sheet alone, without the calculator.
    await page.evaluate(() => { window.print = () => {
        window.printedSheet = document.body.classList.contains("sheet-printing");
    }; });
    await page.click("#sheet-print");
    assert.equal(await page.evaluate(() => window.printedSheet), true);
    await page.evaluate(() => document.body.classList.add("sheet-printing"));
    await page.emulateMedia({ media: "print" });
    assert.deepEqual(await page.evaluate(() => ["frame", "sheet-view", "jobs", "trim-part"].map(
        (id) => getComputedStyle(document.getElementById(id)).display)), ["none", "block", "none", "none"]);
    await context.close();
});

test("the trim for the band's wire and rods, and Use trimmed lengths for the sheet and exports", async () => {
    const { context, page } = await open();
    await workedExample(page);
    await page.click("#trim-part summary");
    assert.deepEqual([await page.inputValue("#trim-wire"), await page.inputValue("#trim-rod"),
                      await page.inputValue("#trim-band")], ["2.05", "4.76", "143.64-144.36"]);
    await runJob(page, "trim");
    assertSameReport(await page.textContent("#trim-report"), afterTable(nativeOutput(["--trim"])));
    await page.click("#use-trim");
    // The calculator's boxes stay as COMPUTE wrote them; the files build the trimmed lengths.
    assert.deepEqual(await texts(page, Object.keys(inches)), inches);
    const nec = await downloaded(page, "exportNec", "trimmed.nec");
    assert.ok(nec.bytes.equals(nativeFile(["--trim", "--export", "native-trimmed.nec"],
                                          "native-trimmed.nec")), "the .nec is not the trimmed one");
    await page.click("#sheet-part summary");
    await runJob(page, "sheet");
    const sheet = await downloaded(page, "sheet-save", "trimmed-sheet.svg");
    assert.ok(sheet.bytes.equals(nativeFile(["--trim", "--sheet", "native-trimmed.svg", "--paper", "a4"],
                                            "native-trimmed.svg")), "the sheet is not the trimmed one");
    await context.close();
});

test("Cancel during a trim ends it at once; the page keeps its figures and works on", async () => {
    const { context, page } = await open();
    await workedExample(page);
    await runJob(page, "analyze");
    const report = await page.textContent("#analysis-report");
    await page.click("#trim-part summary");
    await page.click("#trim");
    await page.waitForFunction(() => /^Trim: evaluation [0-9]+,/.test(
        document.getElementById("progress").textContent), null, { timeout: 120000 });
    await page.click("#cancel");
    assert.equal(await page.textContent("#progress"), "Trim: cancelled.");
    assert.equal(await page.isDisabled("#cancel"), true);
    assert.equal(await page.textContent("#trim-report"), "");
    assert.equal(await page.textContent("#analysis-report"), report);
    // COMPUTE works, the figures shown are still of the plan, and a new analysis runs.
    await page.click("#Command1");
    assert.deepEqual(await texts(page, Object.keys(inches)), inches);
    assert.equal(await page.isHidden("#analysis-state"), true);
    await page.evaluate(() => { document.getElementById("analysis-report").textContent = ""; });
    await runJob(page, "analyze");
    assert.equal(await page.textContent("#analysis-report"), report);
    assert.equal(await page.textContent("#progress"), "Analysis: done.");
    await context.close();
});

test("a measurement: the advice of tarvo-cli --measured; a malformed file refused at its line", async () => {
    const { context, page } = await open();
    await workedExample(page);
    await page.click("#measured-part summary");
    // The analyser's sweep of a beam cut as designed: the model's own .s1p.
    nativeOutput(["--export", "sweep.s1p"]);
    const sweep = path.join(scratch, "sweep.s1p");
    const lines = fs.readFileSync(sweep, "utf8").split("\n");
    lines[4] = "140.04 0.2787 zero";
    fs.writeFileSync(path.join(scratch, "bad.s1p"), lines.join("\n"));
    let refusal = "";
    try {
        nativeOutput(["--measured", "bad.s1p"]);
    } catch (error) {
        refusal = error.stderr;
    }
    assert.match(refusal, /^tarvo-cli: --measured bad\.s1p: .*line 5/);
    await page.setInputFiles("#measured-file", path.join(scratch, "bad.s1p"));
    await page.click("#measured");
    await page.waitForSelector("#fault[open]", { timeout: 60000 });
    assert.equal(await page.textContent("#faultText"),
                 refusal.replace(/^tarvo-cli: --measured /, "").replace(/\n$/, ""));
    await page.click("#faultOk");

    await page.setInputFiles("#measured-file", sweep);
    await page.click("#measured");
    await page.waitForFunction(() => document.getElementById("measured-report").textContent !== "" ||
                               document.getElementById("fault").open, null, { timeout: 300000 });
    assertSameReport(await page.textContent("#measured-report"),
                     afterTable(nativeOutput(["--measured", "sweep.s1p"])));
    assert.equal(await page.locator("#measured-plot svg").count(), 1);
    await context.close();
});

test("the German separator in the analysis, the trim, the sheet and a measurement's advice, as tarvo-cli's in a German locale", async () => {
    const { context, page } = await open("?lang=de");
    await workedExample(page, "144,0");
    await runJob(page, "analyze");
    const report = await page.textContent("#analysis-report");
    for (const line of workedReport) {
        assert.ok(report.includes(line.replace(/([0-9])\.([0-9])/g, "$1,$2")), report);
    }
    assert.equal(report, afterTable(nativeOutput(["--analyze"], "de_DE.UTF-8")));
    await page.click("#trim-part summary");
    assert.equal(await page.inputValue("#trim-band"), "143,64-144,36");
    await runJob(page, "trim");
    const trim = await page.textContent("#trim-report");
    assert.ok(trim.includes("REFLECTOR   89,35     88,7644   -14,9     -0,66\n"), trim);
    assertSameReport(trim, afterTable(nativeOutput(["--trim"], "de_DE.UTF-8")));
    // The sheet's numbers with a comma, as tarvo-cli draws it in a German locale.
    await page.click("#sheet-part summary");
    await runJob(page, "sheet");
    const sheet = await downloaded(page, "sheet-save", "sheet-de.svg");
    nativeOutput(["--sheet", "native-de.svg", "--paper", "a4"], "de_DE.UTF-8");
    assert.ok(sheet.bytes.equals(fs.readFileSync(path.join(scratch, "native-de.svg"))),
              "the German sheet differs from tarvo-cli's");
    assert.ok(sheet.bytes.toString().includes("0,"), "no comma on the German sheet");
    // A measurement through a feed line, its numbers typed with a comma.
    nativeOutput(["--export", "sweep-de.s1p"]);
    await page.click("#measured-part summary");
    await page.setInputFiles("#measured-file", path.join(scratch, "sweep-de.s1p"));
    await page.fill("#line-length", "2");
    await page.fill("#line-velocity", "0,66");
    await page.fill("#line-loss", "3,5@144");
    await page.click("#measured");
    await page.waitForFunction(() => document.getElementById("measured-report").textContent !== "" ||
                               document.getElementById("fault").open, null, { timeout: 300000 });
    const advice = await page.textContent("#measured-report");
    assert.ok(advice.includes("velocity factor 0,66, 3,5 dB/100 m at 144 MHz"), advice);
    assertSameReport(advice, afterTable(nativeOutput(
        ["--measured", "sweep-de.s1p", "--feedline-m", "2", "--velocity-factor", "0,66",
         "--feedline-loss", "3,5@144"], "de_DE.UTF-8")));
    await context.close();
});

test("the boom study: tarvo-cli --boom-study's table and plot; a count the rule cannot take refused", async () => {
    const { context, page } = await open();
    await workedExample(page);
    await page.click("#study-part summary");
    await page.fill("#study-directors", "41");
    await page.click("#boom-study");
    assert.equal(await page.textContent("#faultText"),
                 "Boom study: \"41\" is not a whole number from 7 to 40");
    await page.click("#faultOk");
    await page.fill("#study-directors", "7");
    await runJob(page, "boom-study");
    assert.equal(await page.textContent("#study-report"),
                 afterTable(nativeOutput(["--boom-study", "7", "--plot", "native-study.svg"])));
    const plot = await downloaded(page, "study-save", "study.svg");
    assert.equal(plot.name, "tarvo-144mhz-boom-study.svg");
    assert.ok(plot.bytes.equals(fs.readFileSync(path.join(scratch, "native-study.svg"))),
              "the study's plot differs from tarvo-cli's");
    await context.close();
});

test("a trim of a design changed while it ran is not offered for use", async () => {
    const { context, page } = await open();
    await workedExample(page);
    await page.click("#trim-part summary");
    await page.click("#trim");
    await page.waitForFunction(() => /^Trim: evaluation [0-9]+,/.test(
        document.getElementById("progress").textContent), null, { timeout: 120000 });
    await page.fill("#Text17", "146");
    await page.click("#Command1");
    assert.equal(await page.inputValue("#trim-band"), "145.635-146.365");
    await page.waitForSelector("#cancel:disabled", { timeout: 300000 });
    assert.equal(await page.textContent("#progress"),
                 "Trim: the design changed while it ran; run it again.");
    assert.equal(await page.textContent("#trim-report"), "");
    assert.equal(await page.isDisabled("#use-trim"), true);
    await context.close();
});

test("NEC-2's controls: each with its accessible name, reached and pressed by keyboard", async () => {
    const { context, page } = await open();
    await workedExample(page);
    const named = await page.evaluate(() => {
        const buttons = ["analyze", "cancel", "plot-save", "sheet", "sheet-save", "sheet-print",
                         "exportS1p", "trim", "use-trim", "boom-study", "study-save", "measured"];
        const inputs = ["trim-wire", "trim-rod", "trim-band", "study-directors", "measured-file",
                        "line-length", "line-velocity", "line-z0", "line-loss"];
        return [...buttons.map((id) => [id, document.getElementById(id).textContent.trim() !== "",
                                        document.getElementById(id).tabIndex]),
                ...inputs.map((id) => [id, document.getElementById(id).labels.length === 1 &&
                                               document.getElementById(id).labels[0].textContent.trim() !== "",
                                       document.getElementById(id).tabIndex])];
    });
    for (const [id, hasName, tabIndex] of named) {
        assert.equal(hasName, true, `${id} has no accessible name`);
        assert.equal(tabIndex, 0, `${id} is out of the tab order`);
    }
    // Tab from the calculator's last box to Analyse, Enter runs it.
    await page.focus("#Text45");
    let steps = 0;
    while (await page.evaluate(() => document.activeElement.id) !== "analyze" && steps < 60) {
        await page.keyboard.press("Tab");
        ++steps;
    }
    assert.equal(await page.evaluate(() => document.activeElement.id), "analyze");
    await page.keyboard.press("Enter");
    await page.waitForSelector("#cancel:disabled", { timeout: 300000 });
    assert.ok((await page.textContent("#analysis-report")).includes(workedReport[0]));
    await context.close();
});

test("the trim for the builder's own wire and band, and a band the design frequency is not in refused", async () => {
    const { context, page } = await open();
    await workedExample(page);
    await page.click("#trim-part summary");
    await page.fill("#trim-wire", "3");
    await page.fill("#trim-band", "144.5-145");
    await page.click("#trim");
    await page.waitForSelector("#fault[open]", { timeout: 60000 });
    let refusal = "";
    try {
        nativeOutput(["--trim", "--band", "144.5-145"]);
    } catch (error) {
        refusal = error.stderr;
    }
    assert.match(refusal, /^tarvo-cli: --band: /);
    assert.equal(await page.textContent("#faultText"),
                 refusal.replace(/^tarvo-cli: --band: /, "Band: ").replace(/\n$/, ""));
    await page.click("#faultOk");
    await page.fill("#trim-band", "143.8-144.2");
    await runJob(page, "trim");
    const report = await page.textContent("#trim-report");
    assert.ok(report.startsWith("TRIMMED for loops of 3 mm wire and directors of 4.76 mm rod"), report);
    assertSameReport(report, afterTable(nativeOutput(["--trim", "--wire-mm", "3", "--band", "143.8-144.2"])));
    await context.close();
});

test("a worker that cannot load is said so at the job, and the next job starts a fresh one", async () => {
    const { context, page } = await open();
    await workedExample(page);
    // Cancel starts a fresh worker, whose script cannot be had now.
    await context.route(/\/worker\.js$/, (route) => route.fulfill({ status: 404, body: "" }));
    await page.click("#analyze");
    await page.click("#cancel");
    await page.click("#analyze");
    await page.waitForSelector("#fault[open]", { timeout: 60000 });
    assert.match(await page.textContent("#faultText"), /^The worker stopped: /);
    assert.equal(await page.textContent("#progress"), "Analysis: stopped.");
    await page.click("#faultOk");
    await context.unroute(/\/worker\.js$/);
    await runJob(page, "analyze");
    assert.ok((await page.textContent("#analysis-report")).includes(workedReport[0]));
    await context.close();
});
