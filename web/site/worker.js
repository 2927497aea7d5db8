// SPDX-License-Identifier: GPL-3.0-or-later
// The page's worker: runs one job of the plan at a time in tarvo-worker.wasm (worker_main.cpp),
// nec2c in a module of its own, handed to the program before it starts. Progress lines and the
// reply go back to the page; the page ends the worker to cancel a job.
"use strict";
importScripts("nec2c.js", "tarvo-worker.js");

// worker_main.cpp's progress lines.
function tarvoProgress(text) {
    postMessage({ progress: text });
}

const ready = fetch("nec2c.wasm")
    .then((response) => {
        if (!response.ok) {
            throw new Error(`nec2c.wasm: ${response.status} ${response.statusText}`);
        }
        return response.arrayBuffer();
    })
    .then((bytes) => createTarvoWorker({ nec2cFactory: createNec2c, nec2cWasm: new Uint8Array(bytes) }));

onmessage = (event) => {
    ready.then((program) => {
        const reply = program.ccall("tarvo_worker_run", "string", ["string"], [JSON.stringify(event.data)]);
        postMessage({ reply: JSON.parse(reply) });
    }, (error) => {
        postMessage({ reply: { ok: false, fault: `The worker could not start: ${error}` } });
    });
};
