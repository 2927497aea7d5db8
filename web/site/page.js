// SPDX-License-Identifier: GPL-3.0-or-later
// The calculator's page: wires the controls to the engine (tarvo-page.wasm), reports faults in a
// modal dialog as the desktop does, scales the calculator to a phone's width, offers the exports
// and the longer boom, and registers the service worker that keeps the site offline.
"use strict";

// The colours the engine gives a control: 0x00BBGGRR, or a system colour as the desktop's
// palette shows it (highlight, window text, menu text).
function tarvoColor(color) {
    if (color >= 0x80000000) {
        return (color & 0xff) === 0x0d ? "#308cc6" : "#000000";
    }
    const hex = (value) => value.toString(16).padStart(2, "0");
    return "#" + hex(color & 0xff) + hex((color >>> 8) & 0xff) + hex((color >>> 16) & 0xff);
}

// The controls as the engine reads and writes them (page_main.cpp's Form), by control name.
const tarvoDocument = {
    text(name) {
        const element = document.getElementById(name);
        switch (element.tagName) {
        case "TEXTAREA":
            // A multi-line box gives CR LF line ends, as the desktop's boxes do.
            return element.value.replace(/\r?\n/g, "\r\n");
        case "INPUT":
        case "SELECT":
            return element.value;
        default:
            return element.textContent;
        }
    },
    setText(name, text) {
        const element = document.getElementById(name);
        if (element.tagName === "TEXTAREA") {
            element.value = text.replace(/\r\n/g, "\n");
        } else if (element.tagName === "INPUT") {
            element.value = text;
            // The start of a number shows, not its tail.
            element.scrollLeft = 0;
        }
    },
    visible(name) {
        return !document.getElementById(name).hidden;
    },
    setVisible(name, visible) {
        document.getElementById(name).hidden = !visible;
    },
    foreColor(name) {
        return Number(document.getElementById(name).dataset.fore) >>> 0;
    },
    setForeColor(name, color) {
        const element = document.getElementById(name);
        element.dataset.fore = String(color);
        element.style.color = tarvoColor(color);
    },
    selected(name) {
        // An option's element is its label; the radio button inside holds the choice.
        const button = document.getElementById(name).querySelector("input");
        return button !== null && button.checked;
    },
    selectedEntry(name) {
        const list = document.getElementById(name);
        return list.selectedIndex < 0 ? null : list.options[list.selectedIndex].text;
    },
};

(() => {
    const query = new URLSearchParams(location.search);
    const byId = (id) => document.getElementById(id);

    /// The decimal separator of the browser's language (or of ?lang=, for tests), as the
    /// desktop takes its user's from the C library.
    function decimalSeparator() {
        const language = query.get("lang") || navigator.language || "en";
        try {
            const parts = new Intl.NumberFormat(language).formatToParts(1.5);
            const decimal = parts.find((part) => part.type === "decimal");
            return decimal ? decimal.value : ".";
        } catch (error) {
            return ".";
        }
    }

    // What a finger touches on a phone: every box the user can type into, the buttons, the
    // options and the lists. Shrunk with the calculator, each gets an invisible hit area above
    // and below it, up to 24 pixels tall on the screen where its neighbours leave room: halfway
    // to the next one in its column at most, so that no two areas overlap, and never beyond the
    // calculator. The drawing stays as it is.
    const touchTargets = Array.from(byId("TARVO").children).filter(
        (element) => element.tagName !== "TEXTAREA" && !element.classList.contains("caption"));
    const hitAreas = [];
    function placeHitAreas(scale) {
        for (const hit of hitAreas.splice(0)) {
            hit.remove();
        }
        if (scale >= 1) {
            return; // at a desktop's width the calculator is exact
        }
        const rect = (element) => ({
            left: parseFloat(getComputedStyle(element).left),
            top: parseFloat(getComputedStyle(element).top),
            width: parseFloat(getComputedStyle(element).width),
            height: parseFloat(getComputedStyle(element).height),
        });
        const rects = touchTargets.map(rect);
        // A hair over 24, so that the screen's rounding leaves no area at 23.99.
        const tall = 24.25 / scale;
        touchTargets.forEach((target, i) => {
            const own = rects[i];
            let above = 0;
            let below = 460;
            rects.forEach((other, j) => {
                const sideBySide = other.left >= own.left + own.width ||
                                   own.left >= other.left + other.width;
                if (j === i || sideBySide) {
                    return;
                }
                if (other.top + other.height <= own.top) {
                    above = Math.max(above, (other.top + other.height + own.top) / 2);
                } else if (other.top >= own.top + own.height) {
                    below = Math.min(below, (own.top + own.height + other.top) / 2);
                }
            });
            const wanted = Math.max(0, tall - own.height);
            const roomAbove = own.top - above;
            const roomBelow = below - own.top - own.height;
            // Half each way, the part one side lacks taken on the other where it has room.
            let up = Math.min(wanted / 2, roomAbove);
            const down = Math.min(wanted - up, roomBelow);
            up = Math.min(wanted - down, roomAbove);
            if (up + down <= 0) {
                return;
            }
            const hit = document.createElement("div");
            hit.className = "hit";
            hit.dataset.for = target.id;
            hit.setAttribute("aria-hidden", "true");
            hit.hidden = target.hidden;
            hit.style.left = `${own.left}px`;
            hit.style.top = `${own.top - up}px`;
            hit.style.width = `${own.width}px`;
            hit.style.height = `${own.height + up + down}px`;
            hit.addEventListener("click", (event) => touch(target, event.offsetY < up));
            byId("TARVO").insertBefore(hit, byId("TARVO").firstChild);
            hitAreas.push(hit);
        });
    }
    // A touch on a hit area is one on its control; on a list's, on the entry nearest the touch
    // among those it shows.
    function touch(target, fromAbove) {
        if (target.tagName === "INPUT") {
            target.focus();
        } else if (target.tagName === "SELECT") {
            const entry = target.scrollHeight / target.options.length;
            const first = Math.round(target.scrollTop / entry);
            const last = Math.min(target.options.length - 1,
                                  Math.round((target.scrollTop + target.clientHeight) / entry) - 1);
            const before = target.selectedIndex;
            target.dispatchEvent(new MouseEvent("mousedown"));
            target.selectedIndex = fromAbove ? first : last;
            if (target.selectedIndex !== before) {
                target.dispatchEvent(new Event("change"));
            }
            target.dispatchEvent(new MouseEvent("click"));
        } else {
            target.click();
        }
    }
    // A hit area shows and hides with its control.
    new MutationObserver(() => {
        for (const hit of hitAreas) {
            const hidden = byId(hit.dataset.for).hidden;
            if (hit.hidden !== hidden) {
                hit.hidden = hidden; // only on a change: each change comes back here
            }
        }
    }).observe(byId("TARVO"), { attributes: true, attributeFilter: ["hidden"], subtree: true });

    // On a narrow screen the calculator shrinks as a whole to the width; at a desktop's width
    // it is exact.
    function fit() {
        const width = document.documentElement.clientWidth;
        const scale = Math.min(1, width / 591);
        byId("TARVO").style.transform = scale < 1 ? `scale(${scale})` : "";
        byId("frame").style.width = `${591 * scale}px`;
        byId("frame").style.height = `${460 * scale}px`;
        placeHitAreas(scale);
    }
    fit();
    window.addEventListener("resize", fit);

    const fault = byId("fault");
    function showFault(text) {
        byId("faultText").textContent = text;
        if (!fault.open) {
            fault.showModal();
        }
    }

    function download(name, text, type) {
        const link = document.createElement("a");
        link.href = URL.createObjectURL(new Blob([text], { type }));
        link.download = name;
        document.body.appendChild(link);
        link.click();
        link.remove();
        setTimeout(() => URL.revokeObjectURL(link.href), 60000);
    }

    createTarvoPage().then((engine) => {
        const call = (name, ...args) =>
            engine.ccall(name, "string", args.map((arg) => typeof arg === "number" ? "number" : "string"), args);
        const directors = () => engine.ccall("tarvo_directors", "number", [], []);
        call("tarvo_open", decimalSeparator());

        const designed = () => document.body.dataset.computed === "1";
        // A number picked but not yet used stays picked through CONVERT TO METRIC and COMPUTE,
        // until Use or until the longer boom is closed.
        let picked = null;
        function showLongBoom() {
            const chosen = Number(byId("directors").value);
            const reply = call("tarvo_long_boom", chosen);
            const building = directors();
            const [most, why] = call("tarvo_most_directors").split("\n");
            let message;
            if (reply[0] === "1") {
                byId("longBoomTable").textContent = reply.slice(1);
                message = chosen === building ? `The plan builds ${building} directors.`
                        : `The plan builds ${building} directors: Use to build ${chosen}.`;
                if (why !== "") {
                    // The box offers only what this design can hold; say why no more.
                    message += `\nAt most ${most}: ${why}`;
                }
                byId("useDirectors").disabled = chosen === building;
            } else {
                byId("longBoomTable").textContent = "";
                message = reply.slice(1);
                byId("useDirectors").disabled = true;
            }
            byId("longBoomMessage").textContent = message;
        }
        function afterDesign() {
            document.body.dataset.computed = "1";
            // A boom beyond its correction's range is said at COMPUTE, beside the calculator.
            const warnings = call("tarvo_warnings");
            byId("boomWarning").textContent = warnings;
            byId("boomWarning").hidden = warnings === "";
            byId("computeFirst").hidden = true;
            for (const id of ["exportMaa", "exportNec", "exportSymbolic", "exportCsv", "directors"]) {
                byId(id).disabled = false;
            }
            const building = directors();
            const most = Math.max(Number(call("tarvo_most_directors").split("\n")[0]), building);
            byId("directors").max = String(most);
            byId("directors").value = String(picked === null ? building : Math.min(picked, most));
            showLongBoom();
        }
        // After a COMPUTE that stopped on a fault the boxes may show parts of two designs: the
        // exports and the longer boom wait for a COMPUTE that succeeds.
        function designLost() {
            document.body.dataset.computed = "0";
            byId("boomWarning").hidden = true;
            for (const id of ["exportMaa", "exportNec", "exportSymbolic", "exportCsv", "directors",
                              "useDirectors"]) {
                byId(id).disabled = true;
            }
            byId("longBoom").open = false;
            byId("longBoomTable").textContent = "";
            byId("longBoomMessage").textContent = "";
            byId("computeFirst").textContent = "The last COMPUTE stopped on a fault, so the boxes may " +
                "show parts of two designs: press COMPUTE for a whole one.";
            byId("computeFirst").hidden = false;
        }
        function click(name) {
            const text = call("tarvo_click", name);
            if (text !== "") {
                if (name === "Command1" && designed()) {
                    designLost();
                }
                showFault(text);
                return;
            }
            if (name === "Command1" || (name === "Command4" && designed())) {
                afterDesign();
            }
        }

        for (const name of ["Command1", "Command4"]) {
            byId(name).addEventListener("click", () => click(name));
        }
        for (const name of ["Option1", "Option2"]) {
            // An option's Click comes when it becomes selected.
            byId(name).querySelector("input").addEventListener("change", (event) => {
                if (event.target.checked) {
                    click(name);
                }
            });
        }
        for (const name of ["List1", "List2"]) {
            const list = byId(name);
            let before = -1;
            list.addEventListener("mousedown", () => { before = list.selectedIndex; });
            list.addEventListener("change", () => click(name));
            // A click on the entry already selected changes nothing but is a Click all the same.
            list.addEventListener("click", () => {
                if (list.selectedIndex >= 0 && list.selectedIndex === before) {
                    click(name);
                }
                before = list.selectedIndex;
            });
        }
        byId("Command2").addEventListener("click", () => {
            window.open("https://www.arrl.org/antennas", "_blank", "noopener");
        });
        byId("Command3").addEventListener("click", () => window.print());

        const exports = [
            ["exportMaa", "maa", "beam.maa", "text/plain"],
            ["exportNec", "nec", "beam.nec", "text/plain"],
            ["exportSymbolic", "symbolic", "beam-sy.nec", "text/plain"],
            ["exportCsv", "csv", "beam.csv", "text/csv"],
        ];
        for (const [id, kind, what, type] of exports) {
            byId(id).addEventListener("click", () => {
                const reply = call("tarvo_export", kind);
                if (reply[0] !== "1") {
                    showFault(reply.slice(1));
                    return;
                }
                download(call("tarvo_file_name", what), reply.slice(1), type);
            });
        }
        byId("directors").addEventListener("input", () => {
            const chosen = Number(byId("directors").value);
            picked = chosen !== directors() ? chosen : null;
            showLongBoom();
        });
        // Enter after typing a number uses it.
        byId("directors").addEventListener("keydown", (event) => {
            if (event.key === "Enter" && !byId("useDirectors").disabled) {
                byId("useDirectors").click();
            }
        });
        byId("longBoom").addEventListener("toggle", () => {
            if (!byId("longBoom").open) {
                picked = null; // closed without Use: the next opening shows what the plan builds
                if (designed()) {
                    byId("directors").value = String(directors());
                    showLongBoom();
                }
            }
        });
        byId("useDirectors").addEventListener("click", () => {
            picked = null;
            const refused = call("tarvo_use_directors", Number(byId("directors").value));
            if (refused !== "") {
                showFault(refused);
            }
            showLongBoom();
        });

        // NEC-2's jobs run in the worker, one at a time, each on the plan as it stands when the
        // button is pressed. Cancel ends the worker at once and starts a fresh one; the figures
        // shown stay as they were.
        const separator = decimalSeparator();
        let worker = null;
        let running = null;
        const jobButtons = ["analyze", "sheet", "exportS1p", "trim", "boom-study", "measured"];
        function jobsState() {
            for (const id of jobButtons) {
                byId(id).disabled = running !== null || !designed();
            }
            byId("cancel").disabled = running === null;
        }
        function finished(reply) {
            const job = running;
            running = null;
            jobsState();
            byId("progress").textContent = reply.ok ? `${job.label}: done.` : `${job.label}: stopped.`;
            if (!reply.ok) {
                showFault(reply.fault);
                return;
            }
            if (job.kind !== "analyze" && call("tarvo_plan_json") !== "1" + job.plan) {
                // A sheet, a file, a trim or advice of a plan no longer there is not offered.
                byId("progress").textContent =
                    `${job.label}: the design changed while it ran; run it again.`;
                return;
            }
            job.done(reply, job.plan);
        }
        function startWorker() {
            worker = new Worker("worker.js");
            worker.onmessage = (event) => {
                if (event.data.progress !== undefined) {
                    byId("progress").textContent = event.data.progress;
                } else if (running !== null) {
                    finished(event.data.reply);
                }
            };
            worker.onerror = (event) => {
                event.preventDefault();
                // A worker that failed is not started again until the next job asks for one,
                // so that one that cannot load never loops.
                worker.terminate();
                worker = null;
                if (running !== null) {
                    finished({ ok: false, fault: `The worker stopped: ${event.message || "its script could not be loaded"}.` });
                }
            };
        }
        startWorker();
        function runJob(request, label, done) {
            if (running !== null) {
                return;
            }
            const plan = call("tarvo_plan_json");
            if (plan[0] !== "1") {
                showFault(plan.slice(1));
                return;
            }
            request.plan = plan.slice(1);
            if (worker === null) {
                startWorker();
            }
            running = { kind: request.job, label, done, plan: request.plan };
            jobsState();
            byId("progress").textContent = `${label}...`;
            worker.postMessage(request);
        }
        byId("cancel").addEventListener("click", () => {
            if (running === null) {
                return;
            }
            worker.terminate();
            const label = running.label;
            running = null;
            startWorker();
            jobsState();
            byId("progress").textContent = `${label}: cancelled.`;
        });

        // The figures shown, and the plan they are of: a note says when the plan has changed.
        let analysedPlan = null;
        function planChanged() {
            const plan = call("tarvo_plan_json");
            const current = analysedPlan === null || plan === "1" + analysedPlan;
            byId("analysis-state").hidden = current;
            // The plots' file is named by the plan: saved only while they are of it.
            byId("plot-save").disabled = analysedPlan === null || !current;
        }
        byId("analyze").addEventListener("click", () => {
            runJob({ job: "analyze" }, "Analysis", (reply, plan) => {
                byId("analysis-report").textContent = reply.report;
                byId("analysis-plot").innerHTML = reply.plot;
                analysisPlot = reply.plot;
                analysedPlan = plan;
                planChanged();
            });
        });

        let analysisPlot = null;
        byId("plot-save").addEventListener("click", () => {
            if (analysisPlot !== null) {
                download(call("tarvo_file_name", "plot.svg"), analysisPlot, "image/svg+xml");
            }
        });

        // The paper of the browser's region, as tarvo-cli takes its locale's: US Letter in the
        // United States and Canada, else A4.
        const region = (query.get("lang") || navigator.language || "").split("-")[1] || "";
        byId("sheet-paper").value = ["US", "CA"].includes(region.toUpperCase()) ? "letter" : "a4";
        for (const id of ["sheet-paper", "sheet-inches"]) {
            byId(id).addEventListener("change", () => sheetLost());
        }
        let sheetSvg = null;
        function sheetLost() {
            sheetSvg = null;
            byId("sheet-view").textContent = "";
            byId("sheet-save").disabled = true;
            byId("sheet-print").disabled = true;
        }
        byId("sheet").addEventListener("click", () => {
            runJob({ job: "sheet", paper: byId("sheet-paper").value, inches: byId("sheet-inches").checked },
                   "Workshop sheet", (reply) => {
                sheetSvg = reply.svg;
                byId("sheet-view").innerHTML = reply.svg;
                byId("sheet-save").disabled = false;
                byId("sheet-print").disabled = false;
            });
        });
        byId("sheet-save").addEventListener("click", () => {
            if (sheetSvg !== null) {
                download(call("tarvo_file_name", "sheet.svg"), sheetSvg, "image/svg+xml");
            }
        });
        byId("sheet-print").addEventListener("click", () => {
            document.body.classList.add("sheet-printing");
            byId("sheet-part").open = true;
            window.print();
            document.body.classList.remove("sheet-printing");
        });
        byId("exportS1p").addEventListener("click", () => {
            runJob({ job: "export", file: "beam.s1p" }, "Export .s1p", (reply) => {
                download(call("tarvo_file_name", "beam.s1p"), reply.text, "text/plain");
            });
        });

        /// A number typed in the page's separator, or null.
        function numberOf(text) {
            const plain = text.trim().split(separator).join(".");
            if (!/^[0-9]*\.?[0-9]+$|^[0-9]+\.$/.test(plain)) {
                return null;
            }
            const value = Number(plain);
            return Number.isFinite(value) ? value : null;
        }
        function numberField(id, name) {
            const value = numberOf(byId(id).value);
            if (value === null || value <= 0) {
                throw new Error(`${name}: "${byId(id).value}" is not a number above 0`);
            }
            return value;
        }

        let trimmedPlan = null;
        let trimDefaults = ["", "", ""];
        function trimLost() {
            trimmedPlan = null;
            byId("use-trim").disabled = true;
        }
        byId("trim").addEventListener("click", () => {
            let request;
            try {
                // What the builder left at the band's defaults is not sent: the plan's own
                // materials and band stand, as for tarvo-cli --trim without --wire, --rod, --band.
                request = { job: "trim" };
                const wire = numberField("trim-wire", "Wire (mm)");
                const rod = numberField("trim-rod", "Rods (mm)");
                if (byId("trim-wire").value !== trimDefaults[0] || byId("trim-rod").value !== trimDefaults[1]) {
                    request.wireMm = wire;
                    request.rodMm = rod;
                }
                if (byId("trim-band").value.trim() !== trimDefaults[2]) {
                    request.band = byId("trim-band").value;
                }
            } catch (error) {
                showFault(error.message);
                return;
            }
            trimLost();
            runJob(request, "Trim", (reply) => {
                byId("trim-report").textContent = reply.report;
                if (reply.plan !== undefined) {
                    trimmedPlan = reply.plan;
                    byId("use-trim").disabled = false;
                    byId("trim-state").textContent =
                        "The trimmed lengths meet the limits: Use trimmed lengths builds them.";
                } else {
                    byId("trim-state").textContent = reply.fault;
                }
            });
        });
        byId("use-trim").addEventListener("click", () => {
            if (trimmedPlan === null) {
                return;
            }
            const refused = call("tarvo_use_plan", trimmedPlan);
            trimLost();
            if (refused !== "") {
                showFault(refused);
                return;
            }
            sheetLost();
            byId("trim-state").textContent = "The sheet and the exports now build the trimmed " +
                "lengths; the calculator's boxes show the design as COMPUTE wrote it.";
            planChanged();
        });

        byId("boom-study").addEventListener("click", () => {
            const most = Number(byId("study-directors").value);
            if (!Number.isInteger(most) || most < 7 || most > 40) {
                showFault(`Boom study: "${byId("study-directors").value}" is not a whole number from 7 to 40`);
                return;
            }
            runJob({ job: "boom-study", directors: most }, "Boom study", (reply) => {
                byId("study-report").textContent = reply.report;
                byId("study-plot").innerHTML = reply.plot;
                studyPlot = { svg: reply.plot, name: call("tarvo_file_name", "boom-study.svg") };
                byId("study-save").disabled = false;
            });
        });
        let studyPlot = null;
        byId("study-save").addEventListener("click", () => {
            if (studyPlot !== null) {
                download(studyPlot.name, studyPlot.svg, "image/svg+xml");
            }
        });

        byId("measured").addEventListener("click", () => {
            const file = byId("measured-file").files[0];
            if (file === undefined) {
                showFault("Choose the analyser's Touchstone file (.s1p) first.");
                return;
            }
            const request = { job: "measured", name: file.name };
            try {
                if (byId("line-length").value.trim() !== "") {
                    const line = {
                        lengthM: numberField("line-length", "Feed line length (m)"),
                        velocityFactor: numberField("line-velocity", "Velocity factor"),
                        z0Ohms: numberField("line-z0", "Impedance (ohm)"),
                    };
                    const loss = byId("line-loss").value.trim();
                    if (loss !== "") {
                        const [db, mhz] = loss.split("@");
                        const dbValue = numberOf(db || "");
                        const mhzValue = mhz === undefined ? null : numberOf(mhz);
                        if (dbValue === null || mhzValue === null || mhzValue <= 0) {
                            throw new Error(`Loss: "${loss}" is not DB@MHZ, e.g. 8${separator}5@144`);
                        }
                        line.lossDbPer100m = dbValue;
                        line.lossAtMhz = mhzValue;
                    }
                    request.line = line;
                }
            } catch (error) {
                showFault(error.message);
                return;
            }
            const reader = new FileReader();
            reader.onload = () => {
                request.text = reader.result;
                runJob(request, "Measurement", (reply) => {
                    byId("measured-report").textContent = reply.report;
                    byId("measured-plot").innerHTML = reply.plot;
                });
            };
            reader.onerror = () => showFault(`${file.name}: the file could not be read`);
            reader.readAsText(file);
        });

        // After each COMPUTE, CONVERT TO METRIC or change of directors.
        function afterPlan() {
            const defaults = call("tarvo_trim_defaults").split("\n");
            if (defaults.length === 3) {
                // The builder's own entries stay; those still at the last defaults follow the
                // design's band.
                ["trim-wire", "trim-rod", "trim-band"].forEach((id, i) => {
                    if (byId(id).value === "" || byId(id).value === trimDefaults[i]) {
                        byId(id).value = defaults[i];
                    }
                });
                trimDefaults = defaults;
            }
            trimLost();
            sheetLost();
            planChanged();
            jobsState();
        }
        for (const name of ["Command1", "Command4", "useDirectors"]) {
            byId(name).addEventListener("click", afterPlan);
        }

        byId("Text9").focus();
        document.body.dataset.ready = "1";
    }, (error) => {
        showFault("The calculator could not start: " + error);
    });

    if ("serviceWorker" in navigator) {
        navigator.serviceWorker.register("sw.js").catch(() => {
            // Without the worker the page still works; it is only not kept for offline use.
        });
    }
})();
